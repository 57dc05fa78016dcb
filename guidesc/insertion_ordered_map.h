#pragma once
// A hash map that iterates in insertion order, for maps whose order becomes
// visible (the first match of a walk, the order of a control's entries).
// Look-up, insertion and removal are constant time; a key that is removed
// and inserted again moves to the end.
//
// The entries are list nodes, taken from slabs of the map's own; the index
// is one open table of (hash, entry) slots beside them, with no allocation
// per key, so emptying the map walks the entries once in their order and
// gives each node back while it is at hand.

#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <new>
#include <sanitizer/asan_interface.h>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace insertion_ordered_map_detail {

// List nodes come from slabs of the map's own: entries added one after
// another lie side by side, so a walk in their order reads memory in order
// instead of chasing nodes scattered among the values' own allocations.
// Freed nodes are reused; the slabs go when the map is emptied. Memory that
// holds no node is poisoned for AddressSanitizer, so a node used after its
// removal is still reported.
class NodePool {
public:
    NodePool() = default;
    NodePool(const NodePool&) = delete;
    NodePool& operator=(const NodePool&) = delete;
    ~NodePool() { Release(); }

    void* Allocate(std::size_t size) {
        std::byte* node = nullptr;
        if (free_ != nullptr) {
            node = reinterpret_cast<std::byte*>(std::exchange(free_, free_->next));
        } else {
            if (slabs_.empty() || used_ == kNodesPerSlab) {
                size_ = size;
                slabs_.push_back(std::make_unique<std::byte[]>(SlabBytes()));
                ASAN_POISON_MEMORY_REGION(slabs_.back().get(), SlabBytes());
                used_ = 0;
            }
            node = slabs_.back().get() + size_ * used_++;
        }
        ASAN_UNPOISON_MEMORY_REGION(node, size_);
        return node;
    }
    void Deallocate(void* node) {
        free_ = new (node) FreeNode{free_};
        ASAN_POISON_MEMORY_REGION(free_ + 1, size_ - sizeof(FreeNode));
    }
    // Every node has been given back.
    void Release() {
        for (const std::unique_ptr<std::byte[]>& slab : slabs_)
            ASAN_UNPOISON_MEMORY_REGION(slab.get(), SlabBytes());
        slabs_.clear();
        free_ = nullptr;
        used_ = 0;
    }

private:
    static constexpr std::size_t kNodesPerSlab = 64;
    struct FreeNode {
        FreeNode* next;
    };
    std::size_t SlabBytes() const { return size_ * kNodesPerSlab; }

    std::vector<std::unique_ptr<std::byte[]>> slabs_;
    std::size_t size_ = 0;  // one node's, the same for all
    std::size_t used_ = 0;  // nodes handed out of the last slab
    FreeNode* free_ = nullptr;
};

template <typename T> struct PoolAllocator {
    using value_type = T;
    explicit PoolAllocator(NodePool* owner) : pool(owner) {}
    template <typename U> PoolAllocator(const PoolAllocator<U>& other) : pool(other.pool) {}
    T* allocate(std::size_t count) {
        return count == 1 ? static_cast<T*>(pool->Allocate(sizeof(T))) : std::allocator<T>().allocate(count);
    }
    void deallocate(T* node, std::size_t count) {
        if (count == 1)
            pool->Deallocate(node);
        else
            std::allocator<T>().deallocate(node, count);
    }
    template <typename U> bool operator==(const PoolAllocator<U>& other) const { return pool == other.pool; }
    NodePool* pool;
};

} // namespace insertion_ordered_map_detail

template <typename Key, typename Value> class InsertionOrderedMap {
public:
    using Entry = std::pair<const Key, Value>;
    using List = std::list<Entry, insertion_ordered_map_detail::PoolAllocator<Entry>>;
    using iterator = typename List::iterator;
    using const_iterator = typename List::const_iterator;

    InsertionOrderedMap() = default;
    InsertionOrderedMap(const InsertionOrderedMap&) = delete;
    InsertionOrderedMap& operator=(const InsertionOrderedMap&) = delete;

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    iterator begin() { return entries_.begin(); }
    iterator end() { return entries_.end(); }
    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.end(); }

    // The value under the key, or null.
    Value* Find(const Key& key) {
        const std::size_t slot = FindSlot(key, HashOf(key));
        return slot == kNone ? nullptr : &slots_[slot].entry->second;
    }
    const Value* Find(const Key& key) const {
        const std::size_t slot = FindSlot(key, HashOf(key));
        return slot == kNone ? nullptr : &slots_[slot].entry->second;
    }

    // Files the value under the key: at the end for a new key, in place for
    // one already present (the old value is replaced).
    Value& Set(const Key& key, Value value) {
        const std::size_t hash = HashOf(key);
        const std::size_t slot = FindSlot(key, hash);
        if (slot != kNone) {
            slots_[slot].entry->second = std::move(value);
            return slots_[slot].entry->second;
        }
        Reserve(entries_.size() + 1);
        entries_.emplace_back(key, std::move(value));
        const iterator last = std::prev(entries_.end());
        Place(hash, last);
        return last->second;
    }

    // Removes the key; false when it was not there. The value is moved out
    // to the caller when asked for.
    bool Remove(const Key& key, Value* removed = nullptr) {
        const std::size_t slot = FindSlot(key, HashOf(key));
        if (slot == kNone)
            return false;
        const iterator entry = slots_[slot].entry;
        if (removed != nullptr)
            *removed = std::move(entry->second);
        Vacate(slot);
        entries_.erase(entry);
        if (entries_.empty())
            Release();
        return true;
    }

    // Removes entries from the front, in insertion order, for as long as the
    // visitor, shown each entry before it goes, answers true. How many went.
    // The index is rebuilt once at the end: the visitor must not look keys up
    // or change the map.
    template <typename Visit> std::size_t RemoveFrontWhile(Visit&& visit) {
        std::size_t removed = 0;
        while (!entries_.empty() && visit(entries_.front())) {
            entries_.pop_front();
            ++removed;
        }
        if (entries_.empty())
            Release();
        else if (removed > 0)
            Reindex();
        return removed;
    }

    void Clear() {
        entries_.clear();
        Release();
    }

    // Room for that many keys without growing the index.
    void Reserve(std::size_t count) {
        if (2 * count <= slots_.size())
            return;
        std::size_t capacity = kMinimumSlots;
        while (capacity < 2 * count)
            capacity *= 2;
        std::vector<Slot> old(capacity, Slot{0, entries_.end()});
        old.swap(slots_);
        for (const Slot& slot : old) {
            if (slot.entry != entries_.end())
                Place(slot.hash, slot.entry);
        }
    }

private:
    // Text keys are hashed and compared as views, as both key types hash
    // alike; a look-up by std::string makes no copy.
    using IndexKey = std::conditional_t<std::is_same_v<Key, std::string>, std::string_view, Key>;
    // An empty slot holds the list's end.
    struct Slot {
        std::size_t hash;
        iterator entry;
    };
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    static constexpr std::size_t kMinimumSlots = 16;

    static std::size_t HashOf(const Key& key) { return std::hash<IndexKey>{}(IndexKey(key)); }
    std::size_t Mask() const { return slots_.size() - 1; }

    std::size_t FindSlot(const Key& key, std::size_t hash) const {
        if (slots_.empty())
            return kNone;
        for (std::size_t at = hash & Mask();; at = (at + 1) & Mask()) {
            const Slot& slot = slots_[at];
            if (slot.entry == entries_.end())
                return kNone;
            if (slot.hash == hash && slot.entry->first == key)
                return at;
        }
    }

    void Place(std::size_t hash, iterator entry) {
        std::size_t at = hash & Mask();
        while (slots_[at].entry != entries_.end())
            at = (at + 1) & Mask();
        slots_[at] = Slot{hash, entry};
    }

    // Empties a slot; later slots of the same run move back so that no
    // look-up stops early at the hole.
    void Vacate(std::size_t hole) {
        for (std::size_t at = (hole + 1) & Mask(); slots_[at].entry != entries_.end();
             at = (at + 1) & Mask()) {
            const std::size_t home = slots_[at].hash & Mask();
            // The slot may fill the hole unless its home lies cyclically
            // after the hole, up to the slot itself.
            const bool home_after_hole =
                hole <= at ? (home > hole && home <= at) : (home > hole || home <= at);
            if (home_after_hole)
                continue;
            slots_[hole] = slots_[at];
            hole = at;
        }
        slots_[hole].entry = entries_.end();
    }

    // An emptied map gives back its nodes and its index: clearing an index
    // sized for many keys would cost a pass over all of it.
    void Release() {
        pool_.Release();
        slots_ = {};
    }

    // Rebuilds the index over the entries left, in one pass over each.
    void Reindex() {
        for (Slot& slot : slots_)
            slot.entry = entries_.end();
        for (iterator entry = entries_.begin(); entry != entries_.end(); ++entry)
            Place(HashOf(entry->first), entry);
    }

    insertion_ordered_map_detail::NodePool pool_;
    List entries_{insertion_ordered_map_detail::PoolAllocator<Entry>(&pool_)};
    std::vector<Slot> slots_;
};
