#include "core/function_flag_tables.h"

#include <gtest/gtest.h>

namespace {

TEST(FunctionFlagTables, FormatTheSetBitsInRowOrderAndDropBitsThatNoRowNames) {
    ControllerFunctionFlagTable controller;
    EXPECT_EQ(controller.FormatText(0xF), KV_E_FAIL);
    EXPECT_EQ(controller.GetValue(), 7u);
    EXPECT_EQ(controller.Text(), "DIAL,TSP,FAX");
    AppFunctionFlagTable app;
    EXPECT_EQ(app.FormatText(0x3FF), KV_E_FAIL);
    EXPECT_EQ(app.GetValue(), 0x37Fu);
    EXPECT_EQ(app.Text(), "OUTGOING_CALLS,INCOMING_CALLS,FILTER_OUTGOING_CALLS,DIALOG_ACTION,"
                          "DIALOG_CONFIGURATION,DIAL_VOIP_CALLS,DIAL_CALLS,OUTGOING_CALLS_UPDATE,"
                          "INCOMING_CALLS_UPDATE");
}

TEST(FunctionFlagTables, AssignmentTakesTheFlagWordIntoTheTargetsOwnKeywords) {
    ControllerFunctionFlagTable controller;
    EXPECT_EQ(controller.SetText("tsp , dial"), KV_OK);
    AppFunctionFlagTable app;
    EXPECT_EQ(&app.AssignValue(controller), &app);
    EXPECT_EQ(app.GetValue(), 3u);
    EXPECT_EQ(app.Text(), "OUTGOING_CALLS,INCOMING_CALLS");

    app.FormatText(0x30);
    StyleKeywordTable& target = controller;
    target = app; // through the base: the controller keeps its own rows
    EXPECT_EQ(controller.GetValue(), 0u);
    EXPECT_EQ(controller.Text(), "");
    EXPECT_EQ(controller.GetResult(), KV_E_FAIL);
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
