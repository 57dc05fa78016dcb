#pragma once
// Keyword tables: a flag word written as keywords joined by ","
// ("WS_CHILD,WS_VISIBLE"), or one value written as a keyword or a number
// ("FW_BOLD", "550"). A concrete table is a class whose constructor hands the
// base a constexpr row array:
//
//   namespace { constexpr KeywordRow kRows[] = {{"DIAL", 1}, {"TSP", 2}}; }
//   MyTable::MyTable() : StyleKeywordTable(kRows) {}
//
// Rows are kept by view, so they must have static storage. Row order matters:
// a lookup takes the first matching row and a text lists rows in row order.
// Keywords match after both sides are trimmed and upper-cased.

#include "platform/result_codes.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

struct KeywordRow {
    std::string_view keyword;
    std::uint32_t value;
};

class StyleKeywordTable {
public:
    // No rows: FormatText refuses with KV_E_INVALID_POINTER.
    StyleKeywordTable() = default;
    StyleKeywordTable(const StyleKeywordTable&) = default;
    // Takes the other's flag word into this table's own rows (AssignValue), so
    // assigning through a base reference never swaps in another table's rows.
    StyleKeywordTable& operator=(const StyleKeywordTable& other) { return AssignValue(other); }
    virtual ~StyleKeywordTable() = default;

    // Reads keywords joined by "," into the flag word and rebuilds the text in
    // row order. At most as many pieces as there are rows are read, the rest is
    // ignored; KV_E_FAIL when a piece read is no keyword. A table without rows
    // reads nothing and keeps its text (KV_OK).
    KvResult SetText(std::string text);
    // Sets the flag word from a number and rebuilds the text; bits that no row
    // names are dropped with KV_E_FAIL.
    KvResult FormatText(std::uint32_t flags);
    KvResult AddFlags(std::uint32_t flags) { return FormatText(flags_ | flags); }
    bool HasFlags(std::uint32_t flags) const { return (flags_ & flags) == flags; }
    // Follows the other table's flag word with this table's own keywords.
    StyleKeywordTable& AssignValue(const StyleKeywordTable& other);

    // Leaves the keyword trimmed and upper-cased; value 0 and KV_E_FAIL when no
    // row matches.
    KvResult LookupKeyword(std::uint32_t& value, std::string& keyword) const;

    std::uint32_t GetValue() const { return flags_; }
    KvResult GetResult() const { return result_; }
    const std::string& Text() const { return text_; }
    // out = the keyword text; returns out.
    std::string& GetText(std::string& out) const;

protected:
    explicit StyleKeywordTable(std::span<const KeywordRow> rows) : rows_(rows) {}

private:
    KvResult result_ = KV_OK;
    std::uint32_t flags_ = 0;
    std::string text_;
    std::span<const KeywordRow> rows_;
};

// The keyword written when a value text cannot be read, and the value it
// stands for; the font weights fall back to their normal weight.
inline constexpr KeywordRow kDefaultValueKeywordFallback{"FW_NORMAL", 400};

class ValueKeywordTable {
public:
    // Starts at the fallback value and keyword.
    explicit ValueKeywordTable(std::span<const KeywordRow> rows,
                               KeywordRow fallback = kDefaultValueKeywordFallback);
    ValueKeywordTable(const ValueKeywordTable&) = default;
    // Copies the value and its text; rows and fallback stay this table's own.
    ValueKeywordTable& operator=(const ValueKeywordTable& other);

    // A keyword or a plain decimal number sets the value (result 0); anything
    // else gives the fallback with KV_E_FAIL.
    KvResult SetText(std::string text);
    // Stores the value; KV_E_FAIL when no row has it (its text is then "%u").
    KvResult SetValue(std::uint32_t value);

    // Leaves the keyword trimmed and upper-cased; value 0 and KV_E_FAIL when no
    // row matches.
    KvResult LookupKeyword(std::uint32_t& value, std::string& keyword) const;
    // The keyword of the first row with this value; empty and KV_E_FAIL when
    // there is none.
    KvResult GetKeyword(std::string& keyword, std::uint32_t value) const;

    std::uint32_t GetValue() const { return value_; }
    KvResult GetResult() const { return result_; }
    const std::string& Text() const { return text_; }
    // out = the text; returns out.
    std::string& GetText(std::string& out) const;

private:
    std::span<const KeywordRow> rows_;
    KeywordRow fallback_;
    KvResult result_ = KV_OK;
    std::uint32_t value_ = 0;
    std::string text_;
};
