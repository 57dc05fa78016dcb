#include "core/function_flag_tables.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

struct FormatCase {
    std::uint32_t flags;
    KvResult result;
    std::uint32_t kept;
    const char* text;
};

TEST(ControllerFunctionFlagTable, FormatsTheSetBitsInRowOrder) {
    const FormatCase cases[] = {
        {5, KV_OK, 5, "DIAL,FAX"}, {7, KV_OK, 7, "DIAL,TSP,FAX"},
        {8, KV_E_FAIL, 0, ""},     {9, KV_E_FAIL, 1, "DIAL"},
        {0, KV_OK, 0, ""},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.flags);
        ControllerFunctionFlagTable table;
        table.FormatText(2);
        EXPECT_EQ(table.FormatText(c.flags), c.result);
        EXPECT_EQ(table.GetValue(), c.kept);
        EXPECT_EQ(table.Text(), c.text);
    }
}

TEST(AppFunctionFlagTable, FormatsInTableOrderAndDropsTheUnnamedBit) {
    const FormatCase cases[] = {
        {24, KV_OK, 24, "DIALOG_ACTION,DIALOG_CONFIGURATION"},
        {0x3FF, KV_E_FAIL, 0x37F,
         "OUTGOING_CALLS,INCOMING_CALLS,FILTER_OUTGOING_CALLS,DIALOG_ACTION,DIALOG_CONFIGURATION,"
         "DIAL_VOIP_CALLS,DIAL_CALLS,OUTGOING_CALLS_UPDATE,INCOMING_CALLS_UPDATE"},
        {0x080, KV_E_FAIL, 0, ""},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.flags);
        AppFunctionFlagTable table;
        EXPECT_EQ(table.FormatText(c.flags), c.result);
        EXPECT_EQ(table.GetValue(), c.kept);
        EXPECT_EQ(table.Text(), c.text);
    }
}

struct ReadCase {
    const char* text;
    KvResult result;
    std::uint32_t flags;
    const char* normalised;
};

TEST(ControllerFunctionFlagTable, ReadsKeywordsWhateverTheirCaseAndBlanks) {
    const ReadCase cases[] = {
        {"DIAL , FAX", KV_OK, 5, "DIAL,FAX"},
        {"fax,dial", KV_OK, 5, "DIAL,FAX"},
        {"DIAL,MODEM", KV_E_FAIL, 1, "DIAL"},
        {"4", KV_E_FAIL, 0, ""},
        {"  ", KV_OK, 0, ""},
        // Only as many tokens as rows are read: the fourth is not applied.
        {"DIAL,DIAL,DIAL,FAX", KV_E_FAIL, 1, "DIAL"},
        {"DIAL,DIAL,DIAL", KV_OK, 1, "DIAL"},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.text);
        ControllerFunctionFlagTable table;
        table.FormatText(2);
        EXPECT_EQ(table.SetText(c.text), c.result);
        EXPECT_EQ(table.GetValue(), c.flags);
        EXPECT_EQ(table.Text(), c.normalised);
    }
}

TEST(FunctionFlagTables, AssignValueTakesTheWordIntoItsOwnKeywords) {
    ControllerFunctionFlagTable controller;
    controller.FormatText(3);
    AppFunctionFlagTable app;
    EXPECT_EQ(&app.AssignValue(controller), &app);
    EXPECT_EQ(app.GetValue(), 3u);
    EXPECT_EQ(app.Text(), "OUTGOING_CALLS,INCOMING_CALLS");
    EXPECT_EQ(controller.Text(), "DIAL,TSP");
}

TEST(FunctionFlagTables, AssignmentKeepsTheTargetsOwnRows) {
    AppFunctionFlagTable app;
    app.FormatText(0x30);
    ControllerFunctionFlagTable controller;
    StyleKeywordTable& target = controller;
    target = app;
    EXPECT_EQ(controller.GetValue(), 0u);
    EXPECT_EQ(controller.Text(), "");
    EXPECT_EQ(controller.GetResult(), KV_E_FAIL);
    // The controller still reads its own keywords, not the application's.
    EXPECT_EQ(controller.SetText("DIAL_CALLS,FAX"), KV_E_FAIL);
    EXPECT_EQ(controller.Text(), "FAX");
}

TEST(FunctionFlagTables, SelfAssignmentLeavesTheTableUnchanged) {
    AppFunctionFlagTable app;
    app.SetText("DIAL_CALLS,BOGUS");
    ASSERT_EQ(app.GetResult(), KV_E_FAIL);
    app.AssignValue(app);
    AppFunctionFlagTable& alias = app;
    app = alias;
    EXPECT_EQ(app.GetResult(), KV_E_FAIL);
    EXPECT_EQ(app.GetValue(), 0x20u);
    EXPECT_EQ(app.Text(), "DIAL_CALLS");
}

} // namespace
