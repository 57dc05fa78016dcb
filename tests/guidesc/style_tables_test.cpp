#include "guidesc/style_tables.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

TEST(StyleTables, WindowStylesListEveryAliasOfAWord) {
    WindowStyleTable table;
    EXPECT_EQ(table.FormatText(0x00CF0000), KV_OK);
    EXPECT_EQ(table.Text(), "WS_BORDER,WS_CAPTION,WS_DLGFRAME,WS_GROUP,WS_MAXIMIZEBOX,"
                            "WS_MINIMIZEBOX,WS_OVERLAPPEDWINDOW,WS_SIZEBOX,WS_SYSMENU,WS_TABSTOP,"
                            "WS_THICKFRAME,WS_TILEDWINDOW");
    // The table never keeps the lower sixteen bits.
    EXPECT_EQ(table.FormatText(0x40000001), KV_E_FAIL);
    EXPECT_EQ(table.GetValue(), 0x40000000u);
    EXPECT_EQ(table.Text(), "WS_CHILD");
    EXPECT_EQ(table.SetText(" ws_visible , WS_CHILD "), KV_OK);
    EXPECT_EQ(table.GetValue(), 0x50000000u);
    EXPECT_EQ(table.Text(), "WS_CHILD,WS_VISIBLE");
}

TEST(StyleTables, ZeroValuedRowsAreListedForEveryNonZeroWord) {
    DrawTextFormatTable text_format;
    EXPECT_EQ(text_format.FormatText(0x25), KV_OK);
    EXPECT_EQ(text_format.Text(), "DT_TOP,DT_LEFT,DT_CENTER,DT_VCENTER,DT_SINGLELINE");
    DialogStyleTable dialog;
    EXPECT_EQ(dialog.FormatText(0x1), KV_OK);
    EXPECT_EQ(dialog.Text(), "MDS_GRADIENT,MDS_GRADIENT_HORIZONTAL,MDS_GRADIENT_VERTICAL");
    EditStyleTable edit;
    EXPECT_EQ(edit.SetText("ES_AUTOHSCROLL,ES_NUMBER"), KV_OK);
    EXPECT_EQ(edit.GetValue(), 0x2080u);
    EXPECT_EQ(edit.Text(), "ES_AUTOHSCROLL,ES_LEFT,ES_NUMBER");
    EXPECT_EQ(edit.SetText("ES_LEFT"), KV_OK);
    EXPECT_EQ(edit.GetValue(), 0u);
    EXPECT_EQ(edit.Text(), "");
    WindowExStyleTable extended;
    EXPECT_EQ(extended.FormatText(0x200), KV_OK);
    EXPECT_EQ(extended.Text(), "WS_EX_CLIENTEDGE,WS_EX_LEFT,WS_EX_LTRREADING,WS_EX_RIGHTSCROLLBAR");
}

TEST(StyleTables, OnlyAsManyPiecesAsRowsAreExamined) {
    FontStyleTable font;
    EXPECT_EQ(font.SetText("FS_ITALIC,,FS_UNDERLINE,FS_STRIKE_OUT"), KV_E_FAIL);
    EXPECT_EQ(font.GetValue(), 0x3u);
    EXPECT_EQ(font.Text(), "FS_ITALIC,FS_UNDERLINE");
    ButtonLineStyleTable line;
    EXPECT_EQ(line.SetText("BLS_SCROLLBAR,BLS_VERTICAL"), KV_OK);
    EXPECT_EQ(line.Text(), "BLS_VERTICAL,BLS_SCROLLBAR");
    EXPECT_EQ(line.SetText("bls_vertical,NOSUCH"), KV_E_FAIL);
    EXPECT_EQ(line.GetValue(), 0x1u);
    DialogTemplateStyleTable dialog_template;
    EXPECT_EQ(dialog_template.SetText("DS_CENTER,DS_MODALFRAME"), KV_OK);
    EXPECT_EQ(dialog_template.GetValue(), 0x880u);
    EXPECT_EQ(dialog_template.Text(), "DS_MODALFRAME,DS_CENTER");
}

TEST(StyleTables, FontWeightsAreKeywordsOrNumbers) {
    FontWeightTable weight;
    EXPECT_EQ(weight.GetValue(), 400u);
    EXPECT_EQ(weight.Text(), "FW_NORMAL");
    struct Case {
        const char* text;
        KvResult result;
        std::uint32_t value;
        const char* kept;
    } const cases[] = {
        {"fw_bold", KV_OK, 700, "FW_BOLD"},    {" 550 ", KV_OK, 550, "550"},
        {"bold", KV_E_FAIL, 400, "FW_NORMAL"}, {"", KV_E_FAIL, 400, "FW_NORMAL"},
        {"-5", KV_E_FAIL, 400, "FW_NORMAL"},   {"FW_DONTCARE", KV_OK, 0, "FW_DONTCARE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(weight.SetText(c.text), c.result);
        EXPECT_EQ(weight.GetValue(), c.value);
        EXPECT_EQ(weight.Text(), c.kept);
    }
    EXPECT_EQ(weight.SetValue(700), KV_OK);
    EXPECT_EQ(weight.Text(), "FW_BOLD");
    EXPECT_EQ(weight.SetValue(450), KV_E_FAIL);
    EXPECT_EQ(weight.Text(), "450");
}

TEST(StyleTables, ListCtrlStylesNameTheReportBitTwice) {
    ListCtrlStyleTable table;
    EXPECT_EQ(table.FormatText(0x1), KV_OK);
    EXPECT_EQ(table.Text(), "LVS_ICON,LVS_REPORT,LVS_ALIGNTOP,LVS_EX_GRIDLINES");
    EXPECT_EQ(table.SetText("lvs_ex_gridlines"), KV_OK);
    EXPECT_EQ(table.GetValue(), 0x1u);
}

// Every bit a table names, formatted, lists all its rows in row order; each
// keyword looks up its own row's value (or an earlier alias's).
TEST(StyleTables, TheListAndTreeTablesHoldTheirRows) {
    struct Case {
        std::unique_ptr<StyleKeywordTable> table;
        std::uint32_t all_bits;
        const char* text;
        std::vector<std::pair<const char*, std::uint32_t>> rows;
    };
    std::vector<Case> cases;
    cases.push_back({std::make_unique<ListCtrlStyleTable>(),
                     0xFFFF,
                     "LVS_ICON,LVS_REPORT,LVS_SMALLICON,LVS_LIST,LVS_TYPEMASK,LVS_SINGLESEL,"
                     "LVS_SHOWSELALWAYS,LVS_SORTASCENDING,LVS_SORTDESCENDING,LVS_SHAREIMAGELISTS,"
                     "LVS_NOLABELWRAP,LVS_AUTOARRANGE,LVS_EDITLABELS,LVS_OWNERDATA,LVS_NOSCROLL,"
                     "LVS_TYPESTYLEMASK,LVS_ALIGNTOP,LVS_ALIGNLEFT,LVS_ALIGNMASK,"
                     "LVS_OWNERDRAWFIXED,LVS_EX_GRIDLINES,LVS_NOCOLUMNHEADER",
                     {{"LVS_SMALLICON", 0x2},
                      {"LVS_LIST", 0x3},
                      {"LVS_SORTDESCENDING", 0x20},
                      {"LVS_OWNERDATA", 0x1000},
                      {"LVS_TYPESTYLEMASK", 0xFC00},
                      {"LVS_ALIGNMASK", 0xC00},
                      {"LVS_NOCOLUMNHEADER", 0x4000}}});
    cases.push_back({std::make_unique<ListCtrlExStyleTable>(),
                     0xFFFF,
                     "LVS_EX_GRIDLINES,LVS_EX_SUBITEMIMAGES,LVS_EX_CHECKBOXES,LVS_EX_TRACKSELECT,"
                     "LVS_EX_HEADERDRAGDROP,LVS_EX_FULLROWSELECT,LVS_EX_ONECLICKACTIVATE,"
                     "LVS_EX_TWOCLICKACTIVATE,LVS_EX_FLATSB,LVS_EX_REGIONAL,LVS_EX_INFOTIP,"
                     "LVS_EX_UNDERLINEHOT,LVS_EX_UNDERLINECOLD,LVS_EX_MULTIWORKAREAS,"
                     "LVS_EX_LABELTIP,LVS_EX_BORDERSELECT",
                     {{"LVS_EX_FULLROWSELECT", 0x20}, {"LVS_EX_BORDERSELECT", 0x8000}}});
    cases.push_back(
        {std::make_unique<ComboBoxStyleTable>(),
         0x6FF3,
         "CBS_SIMPLE,CBS_DROPDOWN,CBS_DROPDOWNLIST,CBS_OWNERDRAWFIXED,"
         "CBS_OWNERDRAWVARIABLE,CBS_AUTOHSCROLL,CBS_OEMCONVERT,CBS_SORT,"
         "CBS_HASSTRINGS,CBS_NOINTEGRALHEIGHT,CBS_DISABLENOSCROLL,CBS_UPPERCASE,"
         "CBS_LOWERCASE",
         {{"CBS_DROPDOWNLIST", 0x3}, {"CBS_AUTOHSCROLL", 0x40}, {"CBS_LOWERCASE", 0x4000}}});
    cases.push_back({std::make_unique<ListBoxStyleTable>(),
                     0xA07FFF,
                     "LBS_NOTIFY,LBS_SORT,LBS_NOREDRAW,LBS_MULTIPLESEL,LBS_OWNERDRAWFIXED,"
                     "LBS_OWNERDRAWVARIABLE,LBS_HASSTRINGS,LBS_USETABSTOPS,LBS_NOINTEGRALHEIGHT,"
                     "LBS_MULTICOLUMN,LBS_WANTKEYBOARDINPUT,LBS_EXTENDEDSEL,LBS_DISABLENOSCROLL,"
                     "LBS_NODATA,LBS_STANDARD,LBS_NOSEL",
                     {{"LBS_STANDARD", 0xA00003}, {"LBS_NODATA", 0x2000}, {"LBS_NOSEL", 0x4000}}});
    cases.push_back(
        {std::make_unique<TreeCtrlStyleTable>(),
         0xFFFF,
         "TVS_DISABLEDRAGDROP,TVS_EDITLABELS,TVS_HASBUTTONS,TVS_HASLINES,"
         "TVS_LINESATROOT,TVS_SHOWSELALWAYS,TVS_RTLREADING,TVS_NOTOOLTIPS,"
         "TVS_CHECKBOXES,TVS_TRACKSELECT,TVS_SINGLEEXPAND,TVS_INFOTIP,"
         "TVS_FULLROWSELECT,TVS_NOSCROLL,TVS_NONEVENHEIGHT,TVS_NOHSCROLL",
         {{"TVS_DISABLEDRAGDROP", 0x10}, {"TVS_EDITLABELS", 0x8}, {"TVS_NOHSCROLL", 0x8000}}});
    for (Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.table->FormatText(c.all_bits), KV_OK);
        EXPECT_EQ(c.table->GetValue(), c.all_bits);
        EXPECT_EQ(c.table->Text(), c.text);
        for (const auto& [keyword, value] : c.rows) {
            std::uint32_t found = 0;
            std::string text = keyword;
            EXPECT_EQ(c.table->LookupKeyword(found, text), KV_OK) << keyword;
            EXPECT_EQ(found, value) << keyword;
        }
    }
    ListBoxStyleTable list_box;
    EXPECT_EQ(list_box.SetText("LBS_NOTIFY,LBS_SORT"), KV_OK);
    EXPECT_EQ(list_box.GetValue(), 0x3u);
    TreeCtrlStyleTable tree;
    EXPECT_EQ(tree.SetText("TVS_HASLINES,TVS_LINESATROOT"), KV_OK);
    EXPECT_EQ(tree.GetValue(), 0x6u);
}

} // namespace
