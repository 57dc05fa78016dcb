#pragma once
// The kind of a phone number (written as its "category") and the call state
// of a number while a call runs on it (never written).

#include "core/enum_keyword.h"

#include <string_view>

class PhoneCategory : public EnumKeywordSet {
public:
    PhoneCategory();

    // Parses a copy: the caller's text keeps its blanks and letter case.
    KvResult ParseText(std::string_view text) { return ParseCopy(text); }
};

class PhoneState : public EnumKeywordSet {
public:
    PhoneState();
};
