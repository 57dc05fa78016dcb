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

template <typename Key, typename Value> class FlatIndex {
    static_assert(std::is_integral_v<Key> || std::is_pointer_v<Key>);

public:
    std::size_t size() const { return size_; }
    std::size_t bucket_count() const { return slots_.size(); }

    // The value filed under the key, or null.
    Value* find(Key key) { return const_cast<Value*>(std::as_const(*this).find(key)); }
    const Value* find(Key key) const {
        if (size_ == 0)
            return nullptr;
        for (std::size_t at = Home(key);; at = Next(at)) {
            const Slot& slot = slots_[at];
            if (!slot.used)
                return nullptr;
            if (slot.key == key)
                return &slot.value;
        }
    }
    bool contains(Key key) const { return find(key) != nullptr; }

    // Files the value under the key; false, and nothing changes, when the key
    // is filed already.
    bool emplace(Key key, Value value) {
        if (contains(key))
            return false;
        reserve(size_ + 1);
        Place(Slot{key, true, std::move(value)});
        ++size_;
        return true;
    }

    // Removes the key; false when it was not filed.
    bool erase(Key key) {
        if (size_ == 0)
            return false;
        std::size_t hole = Home(key);
        for (; !(slots_[hole].used && slots_[hole].key == key); hole = Next(hole)) {
            if (!slots_[hole].used)
                return false;
        }
        // Entries after the hole that may not sit before their home move back
        // into it, so that no look-up stops early at the hole.
        for (std::size_t at = Next(hole); slots_[at].used; at = Next(at)) {
            const std::size_t home = Home(slots_[at].key);
            const bool stays = hole <= at ? (hole < home && home <= at) : (hole < home || home <= at);
            if (stays)
                continue;
            slots_[hole] = std::move(slots_[at]);
            hole = at;
        }
        slots_[hole] = Slot{};
        --size_;
        return true;
    }

    void clear() {
        slots_.clear();
        size_ = 0;
    }

    // Room for count entries without growing; at most half the slots are used.
    void reserve(std::size_t count) {
        if (count * 2 <= slots_.size())
            return;
        const std::size_t wanted = std::bit_ceil(std::max<std::size_t>(count * 2, kFirstSlots));
        auto old = std::exchange(slots_, std::vector<Slot, SizedPoolAllocator<Slot>>(wanted));
        shift_ = 64 - static_cast<unsigned>(std::countr_zero(wanted));
        for (Slot& slot : old) {
            if (slot.used)
                Place(std::move(slot));
        }
    }

private:
    static constexpr std::size_t kFirstSlots = 8;

    struct Slot {
        Key key{};
        bool used = false;
        Value value{};
    };

    // Fibonacci hashing: the high bits of the product spread keys that differ
    // only in their low bits (addresses, consecutive numbers).
    std::size_t Home(Key key) const {
        std::uint64_t bits = 0;
        if constexpr (std::is_pointer_v<Key>)
            bits = reinterpret_cast<std::uintptr_t>(key);
        else
            bits = static_cast<std::uint64_t>(key);
        return static_cast<std::size_t>((bits * 0x9E3779B97F4A7C15ull) >> shift_);
    }
    std::size_t Next(std::size_t at) const { return (at + 1) & (slots_.size() - 1); }
    void Place(Slot&& slot) {
        std::size_t at = Home(slot.key);
        while (slots_[at].used)
            at = Next(at);
        slots_[at] = std::move(slot);
    }

    std::vector<Slot, SizedPoolAllocator<Slot>> slots_;
    std::size_t size_ = 0;
    unsigned shift_ = 64;
};

// A map from texts to values in one array, for values that lead to their own
// text (KeyOf()(value) gives it, and it stays put while the value is filed):
// a slot holds the value and the text's hash, so filing a text neither copies
// it nor allocates.
template <typename Value, typename KeyOf> class FlatTextIndex {
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

    std::size_t size() const { return size_; }
    std::size_t bucket_count() const { return slots_.size(); }

    // The value filed under the text (hash: Hash(text)), or null.
    Value* find(std::string_view text, std::uint64_t hash) {
        if (size_ == 0)
            return nullptr;
        for (std::size_t at = Home(hash);; at = Next(at)) {
            Slot& slot = slots_[at];
            if (!slot.used)
                return nullptr;
            if (slot.hash == hash && std::string_view(KeyOf()(slot.value)) == text)
                return &slot.value;
        }
    }
    Value* find(std::string_view text) { return find(text, Hash(text)); }

    // Files a value whose text no filed value has (the caller has looked).
    void insert(std::uint64_t hash, Value value) {
        reserve(size_ + 1);
        Place(Slot{hash, true, std::move(value)});
        ++size_;
    }

    // Removes the value filed under the hash; false when it is not filed.
    bool erase(const Value& value, std::uint64_t hash) {
        if (size_ == 0)
            return false;
        std::size_t hole = Home(hash);
        for (; !(slots_[hole].used && slots_[hole].value == value); hole = Next(hole)) {
            if (!slots_[hole].used)
                return false;
        }
        // As in FlatIndex: later entries that may not sit before their home
        // move back into the hole.
        for (std::size_t at = Next(hole); slots_[at].used; at = Next(at)) {
            const std::size_t home = Home(slots_[at].hash);
            const bool stays = hole <= at ? (hole < home && home <= at) : (hole < home || home <= at);
            if (stays)
                continue;
            slots_[hole] = std::move(slots_[at]);
            hole = at;
        }
        slots_[hole] = Slot{};
        --size_;
        return true;
    }

    void clear() {
        slots_.clear();
        size_ = 0;
    }

    // Room for count entries without growing; at most half the slots are used.
    void reserve(std::size_t count) {
        if (count * 2 <= slots_.size())
            return;
        const std::size_t wanted = std::bit_ceil(std::max<std::size_t>(count * 2, kFirstSlots));
        auto old = std::exchange(slots_, std::vector<Slot, SizedPoolAllocator<Slot>>(wanted));
        shift_ = 64 - static_cast<unsigned>(std::countr_zero(wanted));
        for (Slot& slot : old) {
            if (slot.used)
                Place(std::move(slot));
        }
    }

private:
    static constexpr std::size_t kFirstSlots = 8;

    struct Slot {
        std::uint64_t hash = 0;
        bool used = false;
        Value value{};
    };

    std::size_t Home(std::uint64_t hash) const {
        return static_cast<std::size_t>((hash * 0x9E3779B97F4A7C15ull) >> shift_);
    }
    std::size_t Next(std::size_t at) const { return (at + 1) & (slots_.size() - 1); }
    void Place(Slot&& slot) {
        std::size_t at = Home(slot.hash);
        while (slots_[at].used)
            at = Next(at);
        slots_[at] = std::move(slot);
    }

    std::vector<Slot, SizedPoolAllocator<Slot>> slots_;
    std::size_t size_ = 0;
    unsigned shift_ = 64;
};
