#pragma once
// Splits a text at separator bytes. Positions are 32-bit indexes into the
// text; -1 marks that the last token has been taken.

#include "platform/result_codes.h"

#include <cstdint>
#include <string>

class StringTokenizer {
public:
    StringTokenizer() = default;

    const std::string& GetText() const { return text_; }
    const std::string& GetSeparators() const { return separators_; }

    // Takes both when both are non-empty (the text up to its first zero
    // byte); otherwise KV_E_FAIL and nothing changes.
    KvResult Init(const std::string& text, const std::string& separators);
    // KV_E_INVALID_POINTER for invalid separators; otherwise KV_OK even when
    // Init kept the old text, which callers rely on.
    KvResult SetText(const std::string& text, const char* separators);

    // The token from position up to the next separator. A negative position
    // gives KV_E_FAIL: that is how a caller learns that the last token was
    // taken. A text ending in a separator yields a final empty token.
    KvResult NextToken(std::string& token, std::int32_t& position, bool trim);
    // Index of the first separator at or after start; -1 when there is none.
    std::int32_t FindSeparator(std::int32_t start) const;
    // Reduces the text to the runs of bytes that are in the set. Trims the
    // caller's set in place. KV_E_FAIL for an empty set (text unchanged) or
    // when nothing is left (text empty).
    KvResult KeepOnlyChars(std::string& set);

private:
    std::string text_;
    std::string separators_ = "|";
};
