#pragma once
// A set of port or line numbers (0 to 65535) given by a text such as
// "24024-24124, 24200". The members are kept as disjoint ranges, so a text of
// repeated wide ranges costs no more than the numbers it really adds.

#include "core/kv_object.h"
#include "platform/result_codes.h"

#include <cstdint>
#include <map>
#include <string>

class NumberSet : public KvObject {
public:
    // An iteration position: the next member to give, or kNoPosition.
    using Position = std::int32_t;
    static constexpr Position kNoPosition = -1;
    static constexpr std::uint32_t kLargestMember = 65535;

    NumberSet() = default;
    NumberSet(const NumberSet& other) = default;
    NumberSet& operator=(const NumberSet& other) = default;

    // Adds the numbers of the text (the set is not emptied first) and keeps
    // the text as given. Separators are ",", "#" and ";"; a token "a-b" adds a
    // to b inclusive; a number above 65535, or a range with a missing or
    // too large end, adds nothing. Returns the number of members afterwards.
    std::uint32_t SetFromText(const std::string& text);
    KvResult GetText(std::string& out) const;
    const std::string& Text() const { return text_; }
    void Clear();
    void Reset() { Clear(); }

    std::uint32_t GetCount() const { return count_; }
    bool Contains(std::uint32_t number) const;
    void Add(std::uint32_t number) { AddRange(number, number); }
    // Adds first to last inclusive; nothing when first is larger or last lies
    // above 65535.
    void AddRange(std::uint32_t first, std::uint32_t last);

    // Members come in ascending order.
    void GetStartPosition(Position& position) const;
    bool GetNext(Position& position, std::uint32_t& number) const;

private:
    void AddToken(const std::string& token);

    // First member of each range -> its last member; ranges neither overlap
    // nor touch.
    std::map<std::uint32_t, std::uint32_t> ranges_;
    std::uint32_t count_ = 0;
    std::string text_;
};
