#pragma once
// A map from texts to values that iterates in insertion order, for maps
// whose order becomes visible (the first match of a walk, the order of a
// control's entries). Look-up, insertion and removal are constant time; a key
// that is removed and inserted again moves to the end.
//
// The entries are list nodes, taken from slabs of the map's own; the index
// is the stores' open table of (hash, entry) slots beside them, with no
// allocation per key, so emptying the map walks the entries once in their
// order and gives each node back while it is at hand.

#include "data/flat_index.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <new>
#include <sanitizer/asan_interface.h>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace insertion_ordered_map_detail {

// List nodes come from slabs of the map's own: entries added one after
// another lie side by side, so a walk in their order reads memory in order
// instead of chasing nodes scattered among the values' own allocations.
// Freed nodes are reused, and an emptied map carves its next nodes from the
// same slabs again: the slabs go with the map. Giving them back on emptying
// made the allocator merge every small block the values had freed before
// (emptying a combo of 20,000 lines spent a quarter of its time there).
// Memory that holds no node is poisoned for AddressSanitizer, so a node used
// after its removal is still reported.
class NodePool {
public:
    NodePool() = default;
    NodePool(const NodePool&) = delete;
    NodePool& operator=(const NodePool&) = delete;
    ~NodePool() {
        for (const std::unique_ptr<std::byte[]>& slab : slabs_)
            ASAN_UNPOISON_MEMORY_REGION(slab.get(), SlabBytes());
    }

    void* Allocate(std::size_t size) {
        std::byte* node = nullptr;
        if (free_ != nullptr) {
            node = reinterpret_cast<std::byte*>(std::exchange(free_, free_->next));
        } else {
            if (slabs_.empty() || used_ == kNodesPerSlab) {
                if (!slabs_.empty())
                    ++carving_;
                if (carving_ == slabs_.size()) {
                    size_ = size;
                    slabs_.push_back(std::make_unique<std::byte[]>(SlabBytes()));
                    ASAN_POISON_MEMORY_REGION(slabs_.back().get(), SlabBytes());
                }
                used_ = 0;
            }
            node = slabs_[carving_].get() + size_ * used_++;
        }
        ASAN_UNPOISON_MEMORY_REGION(node, size_);
        return node;
    }
    void Deallocate(void* node) {
        free_ = new (node) FreeNode{free_};
        ASAN_POISON_MEMORY_REGION(free_ + 1, size_ - sizeof(FreeNode));
    }
    // Every node has been given back: the slabs are carved again from the
    // first.
    void Reset() {
        for (const std::unique_ptr<std::byte[]>& slab : slabs_)
            ASAN_POISON_MEMORY_REGION(slab.get(), SlabBytes());
        free_ = nullptr;
        carving_ = 0;
        used_ = 0;
    }

private:
    static constexpr std::size_t kNodesPerSlab = 64;
    struct FreeNode {
        FreeNode* next;
    };
    std::size_t SlabBytes() const { return size_ * kNodesPerSlab; }

    std::vector<std::unique_ptr<std::byte[]>> slabs_;
    std::size_t size_ = 0;     // one node's, the same for all
    std::size_t carving_ = 0;  // the slab new nodes are cut from
    std::size_t used_ = 0;     // nodes handed out of that slab
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

template <typename Value> class InsertionOrderedMap {
public:
    using Entry = std::pair<const std::string, Value>;
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

    // The entry of the key, or end().
    iterator Locate(std::string_view key) {
        const iterator* found = index_.find(key);
        return found != nullptr ? *found : entries_.end();
    }

    // The value under the key, or null.
    Value* Find(std::string_view key) {
        const iterator* found = index_.find(key);
        return found != nullptr ? &(*found)->second : nullptr;
    }
    const Value* Find(std::string_view key) const {
        const iterator* found = index_.find(key);
        return found != nullptr ? &(*found)->second : nullptr;
    }

    // Files the value under the key: at the end for a new key, in place for
    // one already present (the old value is replaced).
    Value& Set(const std::string& key, Value value) {
        const std::uint64_t hash = Index::Hash(key);
        if (iterator* found = index_.find(key, hash)) {
            (*found)->second = std::move(value);
            return (*found)->second;
        }
        entries_.emplace_back(key, std::move(value));
        const iterator last = std::prev(entries_.end());
        index_.insert(hash, last);
        return last->second;
    }

    // Removes the key; false when it was not there. The value is moved out
    // to the caller when asked for.
    bool Remove(std::string_view key, Value* removed = nullptr) {
        const iterator entry = Locate(key);
        if (entry == entries_.end())
            return false;
        if (removed != nullptr)
            *removed = std::move(entry->second);
        Erase(entry);
        return true;
    }

    // Removes the entry; the one after it.
    iterator Erase(iterator entry) {
        index_.erase(entry, Index::Hash(entry->first));
        const iterator next = entries_.erase(entry);
        if (entries_.empty())
            Reset();
        return next;
    }

    // Removes entries from the front, in insertion order, for as long as the
    // visitor, shown each entry before it goes, answers true. How many went.
    // The index is rebuilt once at the end: the visitor must not look keys up
    // or change the map.
    template <typename Visit> std::size_t RemoveFrontWhile(Visit&& visit) {
        return RemoveFrontWhile(std::forward<Visit>(visit), [](const Entry&, std::size_t) {});
    }

    // As above, and each entry is shown to `ahead` before its turn, once a
    // stage (0 to kAheadStages - 1, 0 first), kAheadDistance entries apart;
    // the last stage comes kAheadDistance entries before the visitor. A value
    // that leads through pointers to blocks of its own asks for one level a
    // stage, each read from the block asked for a stage before: the values
    // of a large map lie beyond the caches, and are at hand by their turn.
    static constexpr std::size_t kAheadStages = 3;
    static constexpr std::size_t kAheadDistance = 8;
    template <typename Visit, typename Ahead>
    std::size_t RemoveFrontWhile(Visit&& visit, Ahead&& ahead) {
        std::array<iterator, kAheadStages> next;
        next.fill(entries_.begin());
        for (std::size_t stage = 0; stage < kAheadStages; ++stage) {
            std::size_t lead = (kAheadStages - stage) * kAheadDistance;
            for (; lead > 0 && next[stage] != entries_.end(); --lead)
                ahead(*next[stage]++, stage);
        }
        std::size_t removed = 0;
        while (!entries_.empty() && visit(entries_.front())) {
            for (std::size_t stage = 0; stage < kAheadStages; ++stage) {
                if (next[stage] != entries_.end())
                    ahead(*next[stage]++, stage);
            }
            entries_.pop_front();
            ++removed;
        }
        if (entries_.empty())
            Reset();
        else if (removed > 0)
            Reindex();
        return removed;
    }

    void Clear() {
        entries_.clear();
        Reset();
    }

    // Room for that many keys without growing the index.
    void Reserve(std::size_t count) { index_.reserve(count); }

private:
    struct KeyOfEntry {
        const std::string& operator()(const iterator& entry) const { return entry->first; }
    };
    // The stores' table: a slot carries a used flag, so no slot stands for
    // "empty" by holding the list's end(). Its blocks come from the heap:
    // taken from the pools by size, they made emptying a combo of 20,000
    // lines 1.7 times as long (combo_fill_bench, 2.8 against 1.6 ms).
    using Index = FlatTextIndex<iterator, KeyOfEntry, std::allocator<flat_index_detail::HashSlot<iterator>>>;

    // An emptied map keeps its slabs and its index's block for the next
    // entries: the index is emptied without a pass over its slots, and its
    // block stays until the next key replaces it or the map goes. Freeing the
    // block here made emptying a combo of 80,000 lines nearly three times as
    // long (combo_fill_bench, 16.8 against 5.9 ms).
    void Reset() {
        pool_.Reset();
        index_.clear();
    }

    // Files the entries left, each once.
    void Reindex() {
        index_ = Index{};
        index_.reserve(entries_.size());
        for (iterator entry = entries_.begin(); entry != entries_.end(); ++entry)
            index_.insert(Index::Hash(entry->first), entry);
    }

    insertion_ordered_map_detail::NodePool pool_;
    List entries_{insertion_ordered_map_detail::PoolAllocator<Entry>(&pool_)};
    Index index_;
};
