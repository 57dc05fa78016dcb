#include "core/keyword_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

// Rows as the control tables carry them, aliases and zero values included.
constexpr KeywordRow kWindowStyleRows[] = {
    {"WS_BORDER", 0x00800000},       {"WS_CAPTION", 0x00C00000},
    {"WS_CHILD", 0x40000000},        {"WS_CLIPCHILDREN", 0x02000000},
    {"WS_CLIPSIBLINGS", 0x04000000}, {"WS_DISABLED", 0x08000000},
    {"WS_DLGFRAME", 0x00400000},     {"WS_GROUP", 0x00020000},
    {"WS_HSCROLL", 0x00100000},      {"WS_MAXIMIZE", 0x01000000},
    {"WS_MAXIMIZEBOX", 0x00010000},  {"WS_MINIMIZE", 0x20000000},
    {"WS_MINIMIZEBOX", 0x00020000},  {"WS_OVERLAPPEDWINDOW", 0x00CF0000},
    {"WS_POPUP", 0x80000000},        {"WS_POPUPWINDOW", 0x80880000},
    {"WS_SIZEBOX", 0x00040000},      {"WS_SYSMENU", 0x00080000},
    {"WS_TABSTOP", 0x00010000},      {"WS_THICKFRAME", 0x00040000},
    {"WS_TILEDWINDOW", 0x00CF0000},  {"WS_VISIBLE", 0x10000000},
    {"WS_VSCROLL", 0x00200000},
};
constexpr KeywordRow kFontStyleRows[] = {
    {"FS_ITALIC", 0x1}, {"FS_UNDERLINE", 0x2}, {"FS_STRIKE_OUT", 0x4}};
constexpr KeywordRow kTextFormatRows[] = {
    {"DT_TOP", 0},          {"DT_LEFT", 0},          {"DT_CENTER", 0x1},
    {"DT_RIGHT", 0x2},      {"DT_VCENTER", 0x4},     {"DT_BOTTOM", 0x8},
    {"DT_WORDBREAK", 0x10}, {"DT_SINGLELINE", 0x20}, {"DT_EXPANDTABS", 0x40},
    {"DT_TABSTOP", 0x80},   {"DT_NOCLIP", 0x100},    {"DT_EXTERNALLEADING", 0x200},
    {"DT_CALCRECT", 0x400}, {"DT_NOPREFIX", 0x800},  {"DT_INTERNAL", 0x1000},
};
constexpr KeywordRow kListStyleRows[] = {
    {"LVS_ICON", 0},
    {"LVS_REPORT", 0x1},
    {"LVS_SMALLICON", 0x2},
    {"LVS_LIST", 0x3},
    {"LVS_TYPEMASK", 0x3},
    {"LVS_SINGLESEL", 0x4},
    {"LVS_SHOWSELALWAYS", 0x8},
    {"LVS_SORTASCENDING", 0x10},
    {"LVS_SORTDESCENDING", 0x20},
    {"LVS_SHAREIMAGELISTS", 0x40},
    {"LVS_NOLABELWRAP", 0x80},
    {"LVS_AUTOARRANGE", 0x100},
    {"LVS_EDITLABELS", 0x200},
    {"LVS_OWNERDATA", 0x1000},
    {"LVS_NOSCROLL", 0x2000},
    {"LVS_TYPESTYLEMASK", 0xFC00},
    {"LVS_ALIGNTOP", 0},
    {"LVS_ALIGNLEFT", 0x800},
    {"LVS_ALIGNMASK", 0xC00},
    {"LVS_OWNERDRAWFIXED", 0x400},
    {"LVS_EX_GRIDLINES", 0x1},
    {"LVS_NOCOLUMNHEADER", 0x4000},
};
constexpr KeywordRow kDialogStyleRows[] = {
    {"MDS_GRADIENT", 0x1},
    {"MDS_GRADIENT_ISVERTICAL", 0x2},
    {"MDS_GRADIENT_HORIZONTAL", 0x1},
    {"MDS_GRADIENT_VERTICAL", 0x1},
    {"MDS_SIZE_FOR_CLIENTAREA", 0x4},
    {"MDS_USE_PARENT_BACKGROUND", 0x8},
    {"MDS_DOCKABLE", 0x10},
};
constexpr KeywordRow kFontWeightRows[] = {
    {"FW_DONTCARE", 0},    {"FW_THIN", 100},   {"FW_EXTRALIGHT", 200}, {"FW_LIGHT", 300},
    {"FW_NORMAL", 400},    {"FW_MEDIUM", 500}, {"FW_SEMIBOLD", 600},   {"FW_BOLD", 700},
    {"FW_EXTRABOLD", 800}, {"FW_HEAVY", 900},
};

class TestStyleTable : public StyleKeywordTable {
public:
    explicit TestStyleTable(std::span<const KeywordRow> rows) : StyleKeywordTable(rows) {}
};

struct TextCase {
    std::span<const KeywordRow> rows;
    const char* text;
    KvResult result;
    std::uint32_t flags;
    const char* normalised;
};

TEST(StyleKeywordTable, SetTextNormalisesTheKeywordText) {
    const TextCase cases[] = {
        {kWindowStyleRows, " ws_visible , WS_CHILD ", KV_OK, 0x50000000, "WS_CHILD,WS_VISIBLE"},
        {kWindowStyleRows, "", KV_OK, 0, ""},
        {kWindowStyleRows, " \t\r\n", KV_OK, 0, ""},
        {kWindowStyleRows, "WS_NOSUCH,WS_CHILD", KV_E_FAIL, 0x40000000, "WS_CHILD"},
        {kWindowStyleRows, "WS_CHILD,", KV_E_FAIL, 0x40000000, "WS_CHILD"},
        {kWindowStyleRows, "0x10000000,16", KV_E_FAIL, 0, ""},
        {kWindowStyleRows, "WS_TABSTOP", KV_OK, 0x00010000, "WS_MAXIMIZEBOX,WS_TABSTOP"},
        {kFontStyleRows, "FS_ITALIC,,FS_UNDERLINE,FS_STRIKE_OUT", KV_E_FAIL, 0x3,
         "FS_ITALIC,FS_UNDERLINE"},
        {kTextFormatRows, "dt_left", KV_OK, 0, ""},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.text);
        TestStyleTable table(c.rows);
        table.FormatText(c.rows.front().value | 0x4);
        EXPECT_EQ(table.SetText(c.text), c.result);
        EXPECT_EQ(table.GetResult(), c.result);
        EXPECT_EQ(table.GetValue(), c.flags);
        EXPECT_EQ(table.Text(), c.normalised);
    }
}

struct FormatCase {
    std::span<const KeywordRow> rows;
    std::uint32_t flags;
    KvResult result;
    std::uint32_t kept;
    const char* text;
};

TEST(StyleKeywordTable, FormatTextListsEveryRowWhoseBitsAreSet) {
    const FormatCase cases[] = {
        {kWindowStyleRows, 0x00CF0000, KV_OK, 0x00CF0000,
         "WS_BORDER,WS_CAPTION,WS_DLGFRAME,WS_GROUP,WS_MAXIMIZEBOX,WS_MINIMIZEBOX,"
         "WS_OVERLAPPEDWINDOW,WS_SIZEBOX,WS_SYSMENU,WS_TABSTOP,WS_THICKFRAME,WS_TILEDWINDOW"},
        {kWindowStyleRows, 0x40000001, KV_E_FAIL, 0x40000000, "WS_CHILD"},
        {kWindowStyleRows, 0x0000FFFF, KV_E_FAIL, 0, ""},
        {kWindowStyleRows, 0, KV_OK, 0, ""},
        {kTextFormatRows, 0x25, KV_OK, 0x25, "DT_TOP,DT_LEFT,DT_CENTER,DT_VCENTER,DT_SINGLELINE"},
        {kListStyleRows, 0x1, KV_OK, 0x1, "LVS_ICON,LVS_REPORT,LVS_ALIGNTOP,LVS_EX_GRIDLINES"},
        {kDialogStyleRows, 0x1, KV_OK, 0x1,
         "MDS_GRADIENT,MDS_GRADIENT_HORIZONTAL,MDS_GRADIENT_VERTICAL"},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.text);
        TestStyleTable table(c.rows);
        table.FormatText(c.rows.front().value);
        EXPECT_EQ(table.FormatText(c.flags), c.result);
        EXPECT_EQ(table.GetValue(), c.kept);
        EXPECT_EQ(table.Text(), c.text);
    }
}

TEST(StyleKeywordTable, WithoutRowsFormatTextChangesNothing) {
    StyleKeywordTable table;
    EXPECT_EQ(table.FormatText(1), KV_E_INVALID_POINTER);
    EXPECT_EQ(table.GetValue(), 0u);
    EXPECT_EQ(table.Text(), "");
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
    std::uint32_t value = 0;
    std::string keyword = " a\t";
    EXPECT_EQ(table.LookupKeyword(value, keyword), KV_OK);
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(keyword, "A");
    keyword = "b";
    EXPECT_EQ(table.LookupKeyword(value, keyword), KV_OK);
    EXPECT_EQ(value, 2u);
    keyword = "c ";
    EXPECT_EQ(table.LookupKeyword(value, keyword), KV_E_FAIL);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(keyword, "C");
}

TEST(StyleKeywordTable, AddFlagsAndHasFlags) {
    TestStyleTable table(kFontStyleRows);
    EXPECT_TRUE(table.HasFlags(0));
    table.FormatText(0x1);
    EXPECT_FALSE(table.HasFlags(0x3));
    EXPECT_TRUE(table.HasFlags(0x1));
    EXPECT_EQ(table.AddFlags(0x4), KV_OK);
    EXPECT_EQ(table.Text(), "FS_ITALIC,FS_STRIKE_OUT");
    EXPECT_EQ(table.AddFlags(0x8), KV_E_FAIL);
    EXPECT_EQ(table.GetValue(), 0x5u);
    std::string out;
    EXPECT_EQ(table.GetText(out), "FS_ITALIC,FS_STRIKE_OUT");
}

class FontWeights : public ValueKeywordTable {
public:
    FontWeights() : ValueKeywordTable(kFontWeightRows) {}
};

struct ValueCase {
    const char* text;
    KvResult result;
    std::uint32_t value;
    const char* stored;
};

TEST(ValueKeywordTable, SetTextTakesAKeywordOrANumberElseTheFallback) {
    const ValueCase cases[] = {
        {"fw_bold", KV_OK, 700, "FW_BOLD"},
        {" 550 ", KV_OK, 550, "550"},
        {"4294967296", KV_OK, 4294967295u, "4294967295"},
        {"bold", KV_E_FAIL, 400, "FW_NORMAL"},
        {"", KV_E_FAIL, 400, "FW_NORMAL"},
        {"-5", KV_E_FAIL, 400, "FW_NORMAL"},
    };
    for (const ValueCase& c : cases) {
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
    EXPECT_EQ(table.GetValue(), 400u);
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

TEST(ValueKeywordTable, TheFallbackComesFromTheConcreteTable) {
    constexpr KeywordRow rows[] = {{"LOW", 1}, {"HIGH", 2}};
    ValueKeywordTable table(rows, {"LOW", 1});
    EXPECT_EQ(table.Text(), "LOW");
    EXPECT_EQ(table.SetText("medium"), KV_E_FAIL);
    EXPECT_EQ(table.GetValue(), 1u);
    EXPECT_EQ(table.Text(), "LOW");
}

TEST(ValueKeywordTable, WithoutRowsOnlyNumbersAreRead) {
    ValueKeywordTable table{std::span<const KeywordRow>()};
    EXPECT_EQ(table.SetText("FW_BOLD"), KV_E_FAIL);
    EXPECT_EQ(table.GetValue(), 400u);
    EXPECT_EQ(table.SetText("12"), KV_OK);
    EXPECT_EQ(table.GetValue(), 12u);
    EXPECT_EQ(table.SetValue(400), KV_E_FAIL);
    EXPECT_EQ(table.Text(), "400");
}

TEST(ValueKeywordTable, AssignmentCopiesTheValueAndSelfAssignmentChangesNothing) {
    FontWeights bold;
    bold.SetText("FW_BOLD");
    FontWeights other;
    other = bold;
    EXPECT_EQ(other.GetValue(), 700u);
    EXPECT_EQ(other.Text(), "FW_BOLD");
    FontWeights& alias = other;
    other = alias;
    EXPECT_EQ(other.Text(), "FW_BOLD");
}

} // namespace
