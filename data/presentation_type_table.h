#pragma once
// How the advertising preferences present their advertisements: UNSPECIFIED
// 0, BLOCK 1 or SHUFFLE 2 (default 0).

#include "core/enum_keyword.h"

#include <string>

class CKvPresentationTypeTable : public EnumKeywordSet {
public:
    static constexpr std::uint32_t kUnspecified = 0;
    static constexpr std::uint32_t kBlock = 1;
    static constexpr std::uint32_t kShuffle = 2;

    CKvPresentationTypeTable();

    // Parses the caller's text itself, which is left trimmed and upper-cased;
    // a text that is no keyword gives UNSPECIFIED.
    KvResult Parse(std::string& text) { return ParseInPlace(text); }
};
