#include "core/keyword_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <tuple>

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
    // rows, text, result, flags, normalised text
    const std::tuple<std::span<const KeywordRow>, const char*, KvResult, std::uint32_t, const char*>
        cases[] = {
            {kWindowStyleRows, " ws_visible , WS_CHILD ", KV_OK, 0x50000000, "WS_CHILD,WS_VISIBLE"},
            {kWindowStyleRows, " \t\r\n", KV_OK, 0, ""},
            {kWindowStyleRows, "WS_NOSUCH,WS_CHILD", KV_E_FAIL, 0x40000000, "WS_CHILD"},
            {kWindowStyleRows, "WS_CHILD,", KV_E_FAIL, 0x40000000, "WS_CHILD"},
            {kWindowStyleRows, "0x10000000,16", KV_E_FAIL, 0, ""},
            {kWindowStyleRows, "WS_TABSTOP", KV_OK, 0x00010000, "WS_MAXIMIZEBOX,WS_TABSTOP"},
            {kTextFormatRows, "dt_left", KV_OK, 0, ""},
            // Only as many comma-separated items as there are rows are read; the
            // rest, recognised or not, is ignored.
            {kTextFormatRows, "DT_CENTER,DT_CENTER,DT_CENTER,DT_CENTER,DT_VCENTER", KV_OK, 0x1,
             "DT_TOP,DT_LEFT,DT_CENTER"},
            {kTextFormatRows, "DT_CENTER,DT_LEFT,DT_TOP,DT_CENTER,DT_NOSUCH", KV_OK, 0x1,
             "DT_TOP,DT_LEFT,DT_CENTER"},
            {kTextFormatRows, "DT_NOSUCH,DT_CENTER", KV_E_FAIL, 0x1, "DT_TOP,DT_LEFT,DT_CENTER"},
        };
    for (const auto& [rows, text, result, flags, normalised] : cases) {
        SCOPED_TRACE(text);
        TestStyleTable table(rows);
        table.FormatText(rows.back().value);
        EXPECT_EQ((std::tuple{table.SetText(text), table.GetValue(), table.Text()}),
                  std::tuple(result, flags, normalised));
    }
}

TEST(StyleKeywordTable, FormatTextListsEveryRowWhoseBitsAreAllSetZeroRowsIncluded) {
    // rows, flags, result, flags kept, text
    const std::tuple<std::span<const KeywordRow>, std::uint32_t, KvResult, std::uint32_t,
                     const char*>
        cases[] = {
            {kWindowStyleRows, 0x00CF0000, KV_OK, 0x00CF0000,
             "WS_BORDER,WS_CAPTION,WS_MAXIMIZEBOX,WS_OVERLAPPEDWINDOW,WS_TABSTOP"},
            {kWindowStyleRows, 0x40800001, KV_E_FAIL, 0x40800000, "WS_BORDER,WS_CHILD"},
            {kWindowStyleRows, 0, KV_OK, 0, ""},
            {kTextFormatRows, 0x5, KV_OK, 0x5, "DT_TOP,DT_LEFT,DT_CENTER,DT_VCENTER"},
        };
    for (const auto& [rows, flags, result, kept, text] : cases) {
        SCOPED_TRACE(text);
        TestStyleTable table(rows);
        table.FormatText(rows.back().value);
        EXPECT_EQ((std::tuple{table.FormatText(flags), table.GetResult(), table.GetValue(),
                              table.Text()}),
                  std::tuple(result, result, kept, text));
    }
    // Without rows no number can be formatted; a text is no failure, there is
    // just nothing to read it with.
    StyleKeywordTable empty;
    EXPECT_EQ((std::tuple{empty.FormatText(1), empty.GetValue(), empty.SetText("WS_CHILD"),
                          empty.GetValue(), empty.SetText(" ")}),
              std::tuple(KV_E_INVALID_POINTER, 0u, KV_OK, 0u, KV_OK));
}

TEST(StyleKeywordTable, TheSameTextReadAgainGivesEachTableItsOwnReading) {
    const std::span<const KeywordRow> fewer_rows = std::span(kWindowStyleRows).first(3);
    const std::tuple<std::span<const KeywordRow>, const char*, KvResult, std::uint32_t,
                     const char*>
        reads[] = {
            {kWindowStyleRows, "WS_TABSTOP,WS_CHILD", KV_OK, 0x40010000,
             "WS_CHILD,WS_MAXIMIZEBOX,WS_TABSTOP"},
            {kWindowStyleRows, "WS_TABSTOP,WS_CHILD", KV_OK, 0x40010000,
             "WS_CHILD,WS_MAXIMIZEBOX,WS_TABSTOP"},
            {fewer_rows, "WS_TABSTOP,WS_CHILD", KV_E_FAIL, 0x40000000, "WS_CHILD"},
            {kTextFormatRows, "WS_TABSTOP,WS_CHILD", KV_E_FAIL, 0, ""},
            {kWindowStyleRows, "WS_NOSUCH", KV_E_FAIL, 0, ""},
            {kWindowStyleRows, " WS_NOSUCH ", KV_E_FAIL, 0, ""},
            {kWindowStyleRows, "WS_TABSTOP,WS_CHILD ", KV_OK, 0x40010000,
             "WS_CHILD,WS_MAXIMIZEBOX,WS_TABSTOP"},
        };
    for (const auto& [rows, text, result, value, written] : reads) {
        SCOPED_TRACE(text);
        TestStyleTable table(rows);
        table.FormatText(rows.back().value);
        EXPECT_EQ((std::tuple{table.SetText(text), table.GetResult(), table.GetValue(),
                              table.Text()}),
                  std::tuple(result, result, value, written));
    }
}

TEST(StyleKeywordTable, LookupTakesTheFirstMatchAndNormalisesTheKeyword) {
    constexpr KeywordRow rows[] = {{"A", 1}, {" B ", 2}, {"A", 4}};
    TestStyleTable table(rows);
    StyleKeywordTable empty;
    const std::tuple<StyleKeywordTable*, const char*, KvResult, std::uint32_t, const char*>
        cases[] = {{&table, " a\t", KV_OK, 1, "A"},
                   {&table, "b", KV_OK, 2, "B"},
                   {&table, "c ", KV_E_FAIL, 0, "C"},
                   // As long as the padded row, not its trimmed text.
                   {&table, "x b", KV_E_FAIL, 0, "X B"},
                   {&table, " B", KV_OK, 2, "B"},
                   {&empty, "WS_CHILD", KV_E_FAIL, 0, "WS_CHILD"}};
    for (const auto& [lookup_table, given, result, expected_value, normalised] : cases) {
        std::uint32_t value = 9;
        std::string keyword = given;
        EXPECT_EQ((std::tuple{lookup_table->LookupKeyword(value, keyword), value, keyword}),
                  std::tuple(result, expected_value, normalised))
            << given;
    }
}

class FontWeights : public ValueKeywordTable {
public:
    FontWeights() : ValueKeywordTable(kFontWeightRows) {}
};

TEST(ValueKeywordTable, SetTextTakesAKeywordOrANumberElseTheFallback) {
    const std::tuple<const char*, KvResult, std::uint32_t, const char*> cases[] = {
        {"fw_bold", KV_OK, 700, "FW_BOLD"},
        {" 550 ", KV_OK, 550, "550"},
        {"4294967296", KV_OK, 4294967295u, "4294967295"},
        {"bold", KV_E_FAIL, 400, "FW_NORMAL"},
        {"-5", KV_E_FAIL, 400, "FW_NORMAL"},
    };
    for (const auto& [text, result, value, stored] : cases) {
        FontWeights table;
        table.SetValue(100);
        EXPECT_EQ((std::tuple{table.SetText(text), table.GetValue(), table.Text()}),
                  std::tuple(result, value, stored));
    }
    // The fallback is the table's own; without rows only numbers are read.
    constexpr KeywordRow rows[] = {{"LOW", 1}, {"HIGH", 2}};
    ValueKeywordTable table(rows, {"LOW", 1});
    EXPECT_EQ((std::tuple{table.SetText("medium"), table.GetValue(), table.Text()}),
              std::tuple(KV_E_FAIL, 1u, "LOW"));
    ValueKeywordTable empty{std::span<const KeywordRow>()};
    EXPECT_EQ((std::tuple{empty.SetText("FW_BOLD"), empty.GetValue(), empty.SetText("12"),
                          empty.GetValue(), empty.SetValue(400), empty.Text()}),
              std::tuple(KV_E_FAIL, 400u, KV_OK, 12u, KV_E_FAIL, "400"));
}

TEST(ValueKeywordTable, SetValueNamesTheValueOrWritesItInDecimalAndSelfAssignmentKeepsIt) {
    FontWeights table;
    EXPECT_EQ(table.Text(), "FW_NORMAL");
    std::string out, keyword = "x";
    EXPECT_EQ((std::tuple{table.SetValue(450), table.GetValue(), table.GetText(out),
                          table.GetKeyword(keyword, 450), keyword}),
              std::tuple(KV_E_FAIL, 450u, "450", KV_E_FAIL, ""));
    FontWeights bold;
    EXPECT_EQ(bold.SetValue(700), KV_OK);
    table = bold;
    FontWeights& alias = table;
    table = alias;
    EXPECT_EQ(std::tuple(table.GetValue(), table.Text()), std::tuple(700u, "FW_BOLD"));
}

} // namespace
