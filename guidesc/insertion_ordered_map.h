#pragma once
// A hash map that iterates in insertion order, for maps whose order becomes
// visible (the first match of a walk, the order of a control's entries).
// Look-up, insertion and removal are constant time; a key that is removed
// and inserted again moves to the end.
//
// The entries are list nodes, one allocation each; the index is one open
// table of (hash, entry) slots beside them, with no allocation per key, so
// emptying the map walks the entries once in their order and frees each
// node while it is at hand.

#include <cstddef>
#include <functional>
#include <list>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

template <typename Key, typename Value> class InsertionOrderedMap {
public:
    using Entry = std::pair<const Key, Value>;
    using iterator = typename std::list<Entry>::iterator;
    using const_iterator = typename std::list<Entry>::const_iterator;

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
        if (removed > 0)
            Reindex();
        return removed;
    }

    void Clear() {
        entries_.clear();
        Reindex();
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

    // Rebuilds the index over the entries left, in one pass over each.
    void Reindex() {
        for (Slot& slot : slots_)
            slot.entry = entries_.end();
        for (iterator entry = entries_.begin(); entry != entries_.end(); ++entry)
            Place(HashOf(entry->first), entry);
    }

    std::list<Entry> entries_;
    std::vector<Slot> slots_;
};
