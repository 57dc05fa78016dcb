#pragma once
// Enumerated record fields: a number that the XML forms write as an upper-case
// keyword ("OFFICE", "ALERTING_IN"). A keyword set is a class deriving from
// EnumKeywordSet with a constexpr name table and a default:
//
//   namespace { constexpr EnumKeywordName kNames[] = {{"UNSPECIFIED", 0}, ...}; }
//   MySet::MySet() : EnumKeywordSet(kNames, 0) {}
//
// and it makes public the parse form its records need (ParseCopy or
// ParseInPlace).

#include "platform/result_codes.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

struct EnumKeywordName {
    std::string_view name; // upper case, compared exactly
    std::uint32_t value;
};

class EnumKeyword {
public:
    EnumKeyword() = default;
    // The names must have static storage: only the view is kept. A name that
    // occurs again replaces its earlier number.
    explicit EnumKeyword(std::span<const EnumKeywordName> names) : names_(names) {}

    // Trims and upper-cases the caller's text in place. A keyword or a plain
    // decimal number sets the value (result 0); anything else falls back to the
    // default with KV_E_FAIL.
    KvResult Parse(std::string& text);
    // Parse of a text that is trimmed and upper-case already.
    KvResult ParseNormalized(std::string_view text);
    // Sets the value and its text (the keyword, or "%u" when it has none).
    KvResult SetValue(std::uint32_t value);
    // Only a number that some name maps to can become the default.
    KvResult SetDefault(std::uint32_t value);

    std::uint32_t GetValue() const { return value_; }
    std::uint32_t GetDefault() const { return default_; }
    KvResult GetResult() const { return result_; }
    const std::string& Text() const { return text_; }
    // out = the current text; returns out.
    std::string& GetText(std::string& out) const;

private:
    const EnumKeywordName* FindName(std::string_view name) const;
    const EnumKeywordName* FindValue(std::uint32_t value) const;
    bool IsReplacedLater(std::size_t index) const;

    std::span<const EnumKeywordName> names_;
    KvResult result_ = KV_OK;
    std::uint32_t value_ = 0;
    std::uint32_t default_ = 0;
    std::string text_;
};

// Base of the keyword sets: one EnumKeyword over a fixed name table, with the
// operations every set forwards. Parsing is protected because each set
// chooses whether it parses the caller's text or a copy of it.
class EnumKeywordSet {
public:
    virtual ~EnumKeywordSet() = default;

    std::uint32_t GetValue() const { return keyword_.GetValue(); }
    KvResult SetValue(std::uint32_t value) { return keyword_.SetValue(value); }
    std::string& GetText(std::string& out) const { return keyword_.GetText(out); }
    const std::string& Text() const { return keyword_.Text(); }
    const EnumKeyword& Keyword() const { return keyword_; }

protected:
    EnumKeywordSet(std::span<const EnumKeywordName> names, std::uint32_t defaultValue);
    EnumKeywordSet(const EnumKeywordSet&) = default;
    EnumKeywordSet& operator=(const EnumKeywordSet&) = default;

    // The caller's text keeps its blanks and letter case.
    KvResult ParseCopy(std::string_view text);
    // The caller's text is left trimmed and upper-cased.
    KvResult ParseInPlace(std::string& text) { return keyword_.Parse(text); }

private:
    EnumKeyword keyword_;
};
