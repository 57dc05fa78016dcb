#include "core/keyword_table.h"

#include "platform/number_parse.h"
#include "platform/pointer.h"
#include "platform/text.h"

namespace {

bool HasValidRows(std::span<const KeywordRow> rows) {
    return IsValidPtr(rows.data()) && !rows.empty();
}

// Sizes are equal.
bool SameLettersNoCase(std::string_view a, std::string_view b) {
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ToUpperAscii(a[i]) != ToUpperAscii(b[i]))
            return false;
    return true;
}

const KeywordRow* FindRow(std::span<const KeywordRow> rows, std::string_view keyword) {
    if (!HasValidRows(rows))
        return nullptr;
    const std::string_view candidate = TrimmedView(keyword);
    for (const KeywordRow& row : rows) {
        // Rows are stored trimmed as a rule; the length settles most rows. A
        // row of the candidate's length matches only as it is (trimmed, it
        // would be shorter; untrimmed, its blank end meets the candidate's
        // letter), and only a longer row can be trimmed to that length.
        std::string_view keyword = row.keyword;
        if (keyword.size() < candidate.size())
            continue;
        if (keyword.size() > candidate.size()) {
            // White space sorts at or below the blank: most rows fail this at once.
            const auto front = static_cast<unsigned char>(keyword.front());
            const auto back = static_cast<unsigned char>(keyword.back());
            if ((front > ' ' || !IsWhiteSpace(keyword.front())) &&
                (back > ' ' || !IsWhiteSpace(keyword.back())))
                continue;
            keyword = TrimmedView(keyword);
            if (keyword.size() != candidate.size())
                continue;
        }
        if (SameLettersNoCase(candidate, keyword))
            return &row;
    }
    return nullptr;
}

KvResult LookupRow(std::span<const KeywordRow> rows, std::uint32_t& value, std::string& keyword) {
    TrimInPlace(keyword);
    MakeUpperInPlace(keyword);
    const KeywordRow* row = FindRow(rows, keyword);
    value = row ? row->value : 0;
    return row ? KV_OK : KV_E_FAIL;
}

// The last text a thread's tables read, with what it gave: a file repeats
// the same style texts from description to description.
struct LastStyleText {
    const KeywordRow* rows = nullptr;
    std::size_t row_count = 0;
    std::string given;
    std::string written;
    std::uint32_t flags = 0;
    KvResult result = KV_OK;
};

thread_local LastStyleText last_style_text;

} // namespace

KvResult StyleKeywordTable::SetText(std::string text) {
    result_ = KV_OK;
    flags_ = 0;
    TrimInPlace(text);
    if (text.empty()) {
        text_.clear();
        return result_;
    }
    // A table without rows keeps its text: there is nothing to read it with.
    if (rows_.empty())
        return result_;
    // Reading is a function of the rows and the trimmed text alone.
    LastStyleText& last = last_style_text;
    const bool valid_rows = HasValidRows(rows_);
    if (valid_rows && last.rows == rows_.data() && last.row_count == rows_.size() &&
        last.given == text) {
        text_ = last.written;
        flags_ = last.flags;
        return result_ = last.result;
    }

    // Only as many pieces as there are rows are read; the rest is ignored.
    bool allApplied = true;
    std::uint32_t flags = 0;
    std::size_t examined = 0;
    std::size_t start = 0;
    while (examined < rows_.size()) {
        const std::size_t comma = text.find(',', start);
        const std::size_t end = comma == std::string::npos ? text.size() : comma;
        ++examined;
        if (const KeywordRow* row =
                FindRow(rows_, std::string_view(text).substr(start, end - start)))
            flags |= row->value;
        else
            allApplied = false;
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }

    // The text is rebuilt in the caller's copy, whose buffer already fits it
    // as a rule.
    if (valid_rows) {
        last.given = text;
        text_.swap(text);
    }
    const KvResult formatted = FormatText(flags);
    result_ = allApplied ? formatted : KV_E_FAIL;
    if (valid_rows) {
        last.rows = rows_.data();
        last.row_count = rows_.size();
        last.written = text_;
        last.flags = flags_;
        last.result = result_;
    }
    return result_;
}

KvResult StyleKeywordTable::FormatText(std::uint32_t flags) {
    result_ = KV_OK;
    if (!HasValidRows(rows_)) {
        result_ = KV_E_INVALID_POINTER;
        return result_;
    }
    text_.clear();
    if (flags == 0) {
        flags_ = 0;
        return result_;
    }

    // A row of value 0 matches every non-zero word, as the stored files expect.
    // The length first, so that the text is built in one block.
    std::size_t length = 0;
    for (const KeywordRow& row : rows_)
        if ((flags & row.value) == row.value)
            length += row.keyword.size() + 1;
    text_.reserve(length);
    std::uint32_t covered = 0;
    for (const KeywordRow& row : rows_) {
        if ((flags & row.value) != row.value)
            continue;
        if (!text_.empty())
            text_ += ',';
        text_ += row.keyword;
        covered |= row.value;
    }
    if (covered != flags)
        result_ = KV_E_FAIL;
    flags_ = covered;
    return result_;
}

StyleKeywordTable& StyleKeywordTable::AssignValue(const StyleKeywordTable& other) {
    if (&other != this)
        FormatText(other.flags_);
    return *this;
}

KvResult StyleKeywordTable::LookupKeyword(std::uint32_t& value, std::string& keyword) const {
    return LookupRow(rows_, value, keyword);
}

std::string& StyleKeywordTable::GetText(std::string& out) const {
    out = text_;
    return out;
}

ValueKeywordTable::ValueKeywordTable(std::span<const KeywordRow> rows, KeywordRow fallback)
    : rows_(rows), fallback_(fallback), value_(fallback.value), text_(fallback.keyword) {}

ValueKeywordTable& ValueKeywordTable::operator=(const ValueKeywordTable& other) {
    if (&other == this)
        return *this;
    result_ = other.result_;
    value_ = other.value_;
    text_ = other.text_;
    return *this;
}

KvResult ValueKeywordTable::SetText(std::string text) {
    value_ = 0;
    text_.clear();
    result_ = KV_OK;
    TrimInPlace(text);

    if (const KeywordRow* row = FindRow(rows_, text)) {
        value_ = row->value;
        text_ = row->keyword;
        return result_;
    }
    if (IsDecimalDigits(text)) {
        // The text keeps the number so that writing it back keeps the value.
        value_ = DecimalDigitsToUInt32(text);
        text_ = Format("%u", value_);
        return result_;
    }
    result_ = KV_E_FAIL;
    value_ = fallback_.value;
    text_ = fallback_.keyword;
    return result_;
}

KvResult ValueKeywordTable::SetValue(std::uint32_t value) {
    text_.clear();
    result_ = KV_OK;
    value_ = value;
    if (GetKeyword(text_, value) != KV_OK) {
        text_ = Format("%u", value);
        result_ = KV_E_FAIL;
    }
    return result_;
}

KvResult ValueKeywordTable::LookupKeyword(std::uint32_t& value, std::string& keyword) const {
    return LookupRow(rows_, value, keyword);
}

KvResult ValueKeywordTable::GetKeyword(std::string& keyword, std::uint32_t value) const {
    keyword.clear();
    if (!HasValidRows(rows_))
        return KV_E_FAIL;
    for (const KeywordRow& row : rows_) {
        if (row.value == value) {
            keyword = row.keyword;
            return KV_OK;
        }
    }
    return KV_E_FAIL;
}

std::string& ValueKeywordTable::GetText(std::string& out) const {
    out = text_;
    return out;
}
