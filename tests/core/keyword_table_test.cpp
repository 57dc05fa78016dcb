#include "core/keyword_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

// Excerpts of the control tables with what makes them hard: aliases (two
// keywords for one value), rows that combine others, and rows of value 0.
constexpr KeywordRow kWindowStyleRows[] = {
    {"WS_BORDER", 0x00800000},      {"WS_CAPTION", 0x00C00000},          {"WS_CHILD", 0x40000000},
    {"WS_MAXIMIZEBOX", 0x00010000}, {"WS_OVERLAPPEDWINDOW", 0x00CF0000}, {"WS_TABSTOP", 0x00010000},
    {"WS_VISIBLE", 0x10000000},
};
constexpr KeywordRow kTextFormatRows[] = {
    {"DT_TOP", 0}, {"DT_LEFT", 0}, {"DT_CENTER", 0x1}, {"DT_VCENTER", 0x4}};
constexpr KeywordRow kFontWeightRows[] = {{"FW_THIN", 100}, {"FW_NORMAL", 400}, {"FW_BOLD", 700}};

class TestStyleTable : public StyleKeywordTable {
public:
    explicit TestStyleTable(std::span<const KeywordRow> rows) : StyleKeywordTable(rows) {}
};

// Each case starts from a table holding its last row, which the case must replace.
TEST(StyleKeywordTable, SetTextReadsKeywordsAndWritesThemBackInRowOrder) {
    const struct {
        std::span<const KeywordRow> rows;
        const char* text;
        KvResult result;
        std::uint32_t flags;
        const char* normalised;
    } cases[] = {
        {kWindowStyleRows, " ws_visible , WS_CHILD ", KV_OK, 0x50000000, "WS_CHILD,WS_VISIBLE"},
        {kWindowStyleRows, " \t\r\n", KV_OK, 0, ""},
        {kWindowStyleRows, "WS_NOSUCH,WS_CHILD", KV_E_FAIL, 0x40000000, "WS_CHILD"},
        {kWindowStyleRows, "WS_CHILD,", KV_E_FAIL, 0x40000000, "WS_CHILD"},
        {kWindowStyleRows, "0x10000000,16", KV_E_FAIL, 0, ""},
        {kWindowStyleRows, "WS_TABSTOP", KV_OK, 0x00010000, "WS_MAXIMIZEBOX,WS_TABSTOP"},
        {kTextFormatRows, "dt_left", KV_OK, 0, ""},
        // Only as many comma-separated items as there are rows are read.
        {kTextFormatRows, "DT_CENTER,DT_CENTER,DT_CENTER,DT_CENTER,DT_VCENTER", KV_E_FAIL, 0x1,
         "DT_TOP,DT_LEFT,DT_CENTER"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TestStyleTable table(c.rows);
        table.FormatText(c.rows.back().value);
        EXPECT_EQ(table.SetText(c.text), c.result);
        EXPECT_EQ(table.GetValue(), c.flags);
        EXPECT_EQ(table.Text(), c.normalised);
    }
}

TEST(StyleKeywordTable, FormatTextListsEveryRowWhoseBitsAreAllSetZeroRowsIncluded) {
    const struct {
        std::span<const KeywordRow> rows;
        std::uint32_t flags;
        KvResult result;
        std::uint32_t kept;
        const char* text;
    } cases[] = {
        {kWindowStyleRows, 0x00CF0000, KV_OK, 0x00CF0000,
         "WS_BORDER,WS_CAPTION,WS_MAXIMIZEBOX,WS_OVERLAPPEDWINDOW,WS_TABSTOP"},
        {kWindowStyleRows, 0x40800001, KV_E_FAIL, 0x40800000, "WS_BORDER,WS_CHILD"},
        {kWindowStyleRows, 0, KV_OK, 0, ""},
        {kTextFormatRows, 0x5, KV_OK, 0x5, "DT_TOP,DT_LEFT,DT_CENTER,DT_VCENTER"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TestStyleTable table(c.rows);
        table.FormatText(c.rows.back().value);
        EXPECT_EQ(table.FormatText(c.flags), c.result);
        EXPECT_EQ(table.GetResult(), c.result);
        EXPECT_EQ(table.GetValue(), c.kept);
        EXPECT_EQ(table.Text(), c.text);
    }
}

TEST(StyleKeywordTable, WithoutRowsNothingButAnEmptyTextIsAccepted) {
    StyleKeywordTable table;
    EXPECT_EQ(table.FormatText(1), KV_E_INVALID_POINTER);
    EXPECT_EQ(table.GetValue(), 0u);
    EXPECT_EQ(table.SetText("WS_CHILD"), KV_E_INVALID_POINTER);
    EXPECT_EQ(table.SetText(" "), KV_OK);
    std::uint32_t value = 7;
    std::string keyword = "WS_CHILD";
    EXPECT_EQ(table.LookupKeyword(value, keyword), KV_E_FAIL);
    EXPECT_EQ(value, 0u);
}

TEST(StyleKeywordTable, LookupTakesTheFirstMatchAndNormalisesTheKeyword) {
    constexpr KeywordRow rows[] = {{"A", 1}, {" B ", 2}, {"A", 4}};
    TestStyleTable table(rows);
    const struct {
        const char* keyword;
        KvResult result;
        std::uint32_t value;
        const char* normalised;
    } cases[] = {{" a\t", KV_OK, 1, "A"}, {"b", KV_OK, 2, "B"}, {"c ", KV_E_FAIL, 0, "C"}};
    for (const auto& c : cases) {
        std::uint32_t value = 9;
        std::string keyword = c.keyword;
        EXPECT_EQ(table.LookupKeyword(value, keyword), c.result) << c.keyword;
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(keyword, c.normalised);
    }
}

class FontWeights : public ValueKeywordTable {
public:
    FontWeights() : ValueKeywordTable(kFontWeightRows) {}
};

TEST(ValueKeywordTable, SetTextTakesAKeywordOrANumberElseTheFallback) {
    const struct {
        const char* text;
        KvResult result;
        std::uint32_t value;
        const char* stored;
    } cases[] = {
        {"fw_bold", KV_OK, 700, "FW_BOLD"},
        {" 550 ", KV_OK, 550, "550"},
        {"4294967296", KV_OK, 4294967295u, "4294967295"},
        {"bold", KV_E_FAIL, 400, "FW_NORMAL"},
        {"-5", KV_E_FAIL, 400, "FW_NORMAL"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        FontWeights table;
        table.SetValue(100);
        EXPECT_EQ(table.SetText(c.text), c.result);
        EXPECT_EQ(table.GetValue(), c.value);
        EXPECT_EQ(table.Text(), c.stored);
    }
}

TEST(ValueKeywordTable, SetValueNamesTheValueOrWritesItInDecimal) {
    FontWeights table;
    EXPECT_EQ(table.Text(), "FW_NORMAL");
    EXPECT_EQ(table.SetValue(700), KV_OK);
    EXPECT_EQ(table.Text(), "FW_BOLD");
    EXPECT_EQ(table.SetValue(450), KV_E_FAIL);
    EXPECT_EQ(table.GetValue(), 450u);
    std::string out;
    EXPECT_EQ(table.GetText(out), "450");
    std::string keyword = "x";
    EXPECT_EQ(table.GetKeyword(keyword, 450), KV_E_FAIL);
    EXPECT_EQ(keyword, "");
}

TEST(ValueKeywordTable, TheFallbackIsTheTablesOwnAndWithoutRowsOnlyNumbersAreRead) {
    constexpr KeywordRow rows[] = {{"LOW", 1}, {"HIGH", 2}};
    ValueKeywordTable table(rows, {"LOW", 1});
    EXPECT_EQ(table.SetText("medium"), KV_E_FAIL);
    EXPECT_EQ(table.GetValue(), 1u);
    EXPECT_EQ(table.Text(), "LOW");

    ValueKeywordTable empty{std::span<const KeywordRow>()};
    EXPECT_EQ(empty.SetText("FW_BOLD"), KV_E_FAIL);
    EXPECT_EQ(empty.GetValue(), 400u);
    EXPECT_EQ(empty.SetText("12"), KV_OK);
    EXPECT_EQ(empty.GetValue(), 12u);
    EXPECT_EQ(empty.SetValue(400), KV_E_FAIL);
    EXPECT_EQ(empty.Text(), "400");
}

TEST(ValueKeywordTable, AssignmentCopiesTheValueAndSelfAssignmentChangesNothing) {
    FontWeights bold;
    bold.SetText("FW_BOLD");
    FontWeights other;
    other = bold;
    FontWeights& alias = other;
    other = alias;
    EXPECT_EQ(other.GetValue(), 700u);
    EXPECT_EQ(other.Text(), "FW_BOLD");
}

} // namespace
