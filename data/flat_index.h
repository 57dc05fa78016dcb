#pragma once
// A map from integers or object addresses to values in one array (open
// addressing, linear probing, deletion by moving the following entries back).
// A store files every record it takes in two of these: a node-based map costs
// an allocation per record and a walk over cold nodes on every look-up.

#include "platform/object_pool.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace flat_index_detail {

// The table both indexes below are: slots with a used flag, at most half of
// them used, each entry at or after its home (Derived::SlotHome) with no
// unused slot between. The slots come from the pools by size unless the
// owner names another allocator.
template <typename Derived, typename Slot, typename Allocator = SizedPoolAllocator<Slot>> class FlatTable {
public:
    std::size_t size() const { return size_; }
    std::size_t bucket_count() const { return slots_.size(); }

    void clear() {
        slots_.clear();
        size_ = 0;
    }

    // Room for count entries without growing; at most half the slots are used.
    void reserve(std::size_t count) {
        if (count * 2 <= slots_.size())
            return;
        const std::size_t wanted = std::bit_ceil(std::max<std::size_t>(count * 2, kFirstSlots));
        auto old = std::exchange(slots_, Slots(wanted));
        shift_ = 64 - static_cast<unsigned>(std::countr_zero(wanted));
        for (Slot& slot : old) {
            if (slot.used)
                Place(std::move(slot));
        }
    }

protected:
    // Fibonacci hashing: the high bits of the product spread keys that differ
    // only in their low bits (addresses, consecutive numbers).
    std::size_t HomeOfBits(std::uint64_t bits) const {
        return static_cast<std::size_t>((bits * 0x9E3779B97F4A7C15ull) >> shift_);
    }
    std::size_t Next(std::size_t at) const { return (at + 1) & (slots_.size() - 1); }

    void Insert(Slot&& slot) {
        reserve(size_ + 1);
        Place(std::move(slot));
        ++size_;
    }

    // Empties the used slot at hole. Entries after it that may not sit before
    // their home move back into it, so that no look-up stops early there.
    void EraseAt(std::size_t hole) {
        for (std::size_t at = Next(hole); slots_[at].used; at = Next(at)) {
            const std::size_t home = Self().SlotHome(slots_[at]);
            const bool stays = hole <= at ? (hole < home && home <= at) : (hole < home || home <= at);
            if (stays)
                continue;
            slots_[hole] = std::move(slots_[at]);
            hole = at;
        }
        slots_[hole] = Slot{};
        --size_;
    }

    using Slots = std::vector<Slot, Allocator>;
    Slots slots_;
    std::size_t size_ = 0;

private:
    static constexpr std::size_t kFirstSlots = 8;

    const Derived& Self() const { return static_cast<const Derived&>(*this); }
    void Place(Slot&& slot) {
        std::size_t at = Self().SlotHome(slot);
        while (slots_[at].used)
            at = Next(at);
        slots_[at] = std::move(slot);
    }

    unsigned shift_ = 64;
};

template <typename Key, typename Value> struct KeySlot {
    Key key{};
    bool used = false;
    Value value{};
};

template <typename Value> struct HashSlot {
    std::uint64_t hash = 0;
    bool used = false;
    Value value{};
};

} // namespace flat_index_detail

template <typename Key, typename Value>
class FlatIndex
    : public flat_index_detail::FlatTable<FlatIndex<Key, Value>,
                                          flat_index_detail::KeySlot<Key, Value>> {
    static_assert(std::is_integral_v<Key> || std::is_pointer_v<Key>);
    using Slot = flat_index_detail::KeySlot<Key, Value>;
    using Table = flat_index_detail::FlatTable<FlatIndex, Slot>;
    friend Table;

public:
    // The value filed under the key, or null.
    Value* find(Key key) { return const_cast<Value*>(std::as_const(*this).find(key)); }
    const Value* find(Key key) const {
        if (this->size_ == 0)
            return nullptr;
        for (std::size_t at = Home(key);; at = this->Next(at)) {
            const Slot& slot = this->slots_[at];
            if (!slot.used)
                return nullptr;
            if (slot.key == key)
                return &slot.value;
        }
    }
    bool contains(Key key) const { return find(key) != nullptr; }
    // Asks for the key's first slot ahead of a look-up or a filing that
    // follows after other work: in a large index it misses the cache.
    void prefetch(Key key) const {
        if (!this->slots_.empty())
            __builtin_prefetch(&this->slots_[Home(key)]);
    }

    // Files the value under the key; false, and nothing changes, when the key
    // is filed already.
    bool emplace(Key key, Value value) {
        if (contains(key))
            return false;
        this->Insert(Slot{key, true, std::move(value)});
        return true;
    }

    // Removes the key; false when it was not filed.
    bool erase(Key key) {
        if (this->size_ == 0)
            return false;
        std::size_t hole = Home(key);
        for (; !(this->slots_[hole].used && this->slots_[hole].key == key); hole = this->Next(hole)) {
            if (!this->slots_[hole].used)
                return false;
        }
        this->EraseAt(hole);
        return true;
    }

private:
    std::size_t Home(Key key) const {
        std::uint64_t bits = 0;
        if constexpr (std::is_pointer_v<Key>)
            bits = reinterpret_cast<std::uintptr_t>(key);
        else
            bits = static_cast<std::uint64_t>(key);
        return this->HomeOfBits(bits);
    }
    std::size_t SlotHome(const Slot& slot) const { return Home(slot.key); }
};

// A map from texts to values in one array, for values that lead to their own
// text (KeyOf()(value) gives it, and it stays put while the value is filed):
// a slot holds the value and the text's hash, so filing a text neither copies
// it nor allocates.
template <typename Value, typename KeyOf,
          typename Allocator = SizedPoolAllocator<flat_index_detail::HashSlot<Value>>>
class FlatTextIndex
    : public flat_index_detail::FlatTable<FlatTextIndex<Value, KeyOf, Allocator>,
                                          flat_index_detail::HashSlot<Value>, Allocator> {
    using Slot = flat_index_detail::HashSlot<Value>;
    using Table = flat_index_detail::FlatTable<FlatTextIndex, Slot, Allocator>;
    friend Table;

public:
    // Texts are a few words long: hashed a word at a time, inline.
    static std::uint64_t Hash(std::string_view text) {
        std::uint64_t hash = 0x9E3779B97F4A7C15ull ^ text.size();
        std::size_t at = 0;
        const auto mix = [&hash](std::uint64_t word) {
            hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
            hash ^= hash >> 32;
        };
        for (; at + 8 <= text.size(); at += 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, text.data() + at, 8);
            mix(word);
        }
        if (at < text.size()) {
            std::uint64_t word = 0;
            std::memcpy(&word, text.data() + at, text.size() - at);
            mix(word);
        }
        return hash;
    }

    // The value filed under the text (hash: Hash(text)), or null.
    const Value* find(std::string_view text, std::uint64_t hash) const {
        if (this->size_ == 0)
            return nullptr;
        for (std::size_t at = this->HomeOfBits(hash);; at = this->Next(at)) {
            const Slot& slot = this->slots_[at];
            if (!slot.used)
                return nullptr;
            if (slot.hash == hash && std::string_view(KeyOf()(slot.value)) == text)
                return &slot.value;
        }
    }
    Value* find(std::string_view text, std::uint64_t hash) {
        return const_cast<Value*>(std::as_const(*this).find(text, hash));
    }
    const Value* find(std::string_view text) const { return find(text, Hash(text)); }
    Value* find(std::string_view text) { return find(text, Hash(text)); }

    // Files a value whose text no filed value has (the caller has looked).
    void insert(std::uint64_t hash, Value value) { this->Insert(Slot{hash, true, std::move(value)}); }

    // Removes the value filed under the hash; false when it is not filed.
    bool erase(const Value& value, std::uint64_t hash) {
        if (this->size_ == 0)
            return false;
        std::size_t hole = this->HomeOfBits(hash);
        for (; !(this->slots_[hole].used && this->slots_[hole].value == value);
             hole = this->Next(hole)) {
            if (!this->slots_[hole].used)
                return false;
        }
        this->EraseAt(hole);
        return true;
    }

private:
    std::size_t SlotHome(const Slot& slot) const { return this->HomeOfBits(slot.hash); }
};
