#include "guidesc/style_tables.h"

#include <gtest/gtest.h>

#include <string>

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

} // namespace
