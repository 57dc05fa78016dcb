#include "core/number_set.h"

#include "core/string_tokenizer.h"
#include "platform/number_parse.h"
#include "platform/text.h"

#include <algorithm>
#include <iterator>

std::uint32_t NumberSet::SetFromText(const std::string& text) {
    StringTokenizer tokenizer;
    tokenizer.Init(text, ",#;");
    std::string allowed = "1234567890,#;-";
    tokenizer.KeepOnlyChars(allowed);
    text_ = text;

    std::int32_t position = 0;
    std::string token;
    while (tokenizer.NextToken(token, position, true) == KV_OK) {
        if (!token.empty())
            AddToken(token);
    }
    return count_;
}

void NumberSet::AddToken(const std::string& token) {
    const std::int32_t dash = FindChar(token, '-');
    if (dash < 0) {
        const std::int32_t number = ParseInt32(token);
        if (number >= 0 && static_cast<std::uint32_t>(number) <= kLargestMember)
            Add(static_cast<std::uint32_t>(number));
        return;
    }
    const std::string first_text = Left(token, dash);
    const std::string last_text = Mid(token, dash + 1);
    if (first_text.empty() || last_text.empty())
        return;
    // The tokens hold only digits and "-", so neither number is negative; the
    // second stops at a further "-".
    const std::int32_t first = ParseInt32(first_text);
    const std::int32_t last = ParseInt32(last_text);
    if (first < 0 || last < 0)
        return;
    AddRange(static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last));
}

void NumberSet::AddRange(std::uint32_t first, std::uint32_t last) {
    if (first > last || last > kLargestMember)
        return;
    // Merge every range that overlaps or touches [first, last] into one.
    auto it = ranges_.upper_bound(first);
    if (it != ranges_.begin() && std::prev(it)->second + 1 >= first)
        --it;
    std::uint32_t merged_first = first;
    std::uint32_t merged_last = last;
    std::uint32_t covered = 0;
    while (it != ranges_.end() && it->first <= last + 1) {
        merged_first = std::min(merged_first, it->first);
        merged_last = std::max(merged_last, it->second);
        covered += it->second - it->first + 1;
        it = ranges_.erase(it);
    }
    ranges_.emplace(merged_first, merged_last);
    count_ += (merged_last - merged_first + 1) - covered;
}

KvResult NumberSet::GetText(std::string& out) const {
    out = text_;
    return KV_OK;
}

void NumberSet::Clear() {
    ranges_.clear();
    count_ = 0;
    text_.clear();
}

bool NumberSet::Contains(std::uint32_t number) const {
    auto it = ranges_.upper_bound(number);
    if (it == ranges_.begin())
        return false;
    --it;
    return number <= it->second;
}

void NumberSet::GetStartPosition(Position& position) const {
    position = ranges_.empty() ? kNoPosition : static_cast<Position>(ranges_.begin()->first);
}

bool NumberSet::GetNext(Position& position, std::uint32_t& number) const {
    if (position < 0 || !Contains(static_cast<std::uint32_t>(position))) {
        position = kNoPosition;
        return false;
    }
    number = static_cast<std::uint32_t>(position);
    if (Contains(number + 1)) {
        position = static_cast<Position>(number + 1);
        return true;
    }
    auto next = ranges_.upper_bound(number);
    position = next == ranges_.end() ? kNoPosition : static_cast<Position>(next->first);
    return true;
}
