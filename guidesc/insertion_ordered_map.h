#pragma once
// A hash map that iterates in insertion order, for maps whose order becomes
// visible (the first match of a walk, the order of a control's entries).
// Look-up, insertion and removal are constant time; a key that is removed
// and inserted again moves to the end.

#include <cstddef>
#include <functional>
#include <list>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>

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
        auto found = index_.find(IndexKey(key));
        return found == index_.end() ? nullptr : &found->second->second;
    }
    const Value* Find(const Key& key) const {
        auto found = index_.find(IndexKey(key));
        return found == index_.end() ? nullptr : &found->second->second;
    }

    // Files the value under the key: at the end for a new key, in place for
    // one already present (the old value is replaced).
    Value& Set(const Key& key, Value value) {
        if (Value* present = Find(key)) {
            *present = std::move(value);
            return *present;
        }
        entries_.emplace_back(key, std::move(value));
        auto last = std::prev(entries_.end());
        index_.emplace(IndexKey(last->first), last);
        return last->second;
    }

    // Removes the key; false when it was not there. The value is moved out
    // to the caller when asked for.
    bool Remove(const Key& key, Value* removed = nullptr) {
        auto found = index_.find(IndexKey(key));
        if (found == index_.end())
            return false;
        if (removed != nullptr)
            *removed = std::move(found->second->second);
        const iterator entry = found->second;
        index_.erase(found);
        entries_.erase(entry);
        return true;
    }

    void Clear() {
        index_.clear();
        entries_.clear();
    }

    void Reserve(std::size_t count) { index_.reserve(count); }

private:
    // Text keys are indexed by views of the entries' own keys, which list
    // nodes keep in place: one copy of a key, not two.
    using IndexKey = std::conditional_t<std::is_same_v<Key, std::string>, std::string_view, Key>;

    std::list<Entry> entries_;
    std::unordered_map<IndexKey, iterator> index_;
};
