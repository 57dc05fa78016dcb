#include "core/function_flag_tables.h"

#include "core/keyword_table.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

TEST(FunctionFlagTables, FormatTheSetBitsInRowOrderAndDropBitsThatNoRowNames) {
    ControllerFunctionFlagTable controller;
    EXPECT_EQ((std::tuple{controller.FormatText(0xF), controller.GetValue(), controller.Text()}),
              std::tuple(KV_E_FAIL, 7u, "DIAL,TSP,FAX"));
    AppFunctionFlagTable app;
    EXPECT_EQ((std::tuple{app.FormatText(0x3FF), app.GetValue()}), std::tuple(KV_E_FAIL, 0x37Fu));
    EXPECT_EQ(app.Text(), "OUTGOING_CALLS,INCOMING_CALLS,FILTER_OUTGOING_CALLS,DIALOG_ACTION,"
                          "DIALOG_CONFIGURATION,DIAL_VOIP_CALLS,DIAL_CALLS,OUTGOING_CALLS_UPDATE,"
                          "INCOMING_CALLS_UPDATE");
}

TEST(FunctionFlagTables, AssignmentKeepsTheTargetsKeywordsAndSelfAssignmentChangesNothing) {
    ControllerFunctionFlagTable controller;
    EXPECT_EQ(controller.SetText("tsp , dial"), KV_OK);
    AppFunctionFlagTable app;
    EXPECT_EQ((std::tuple{&app.AssignValue(controller), app.GetValue(), app.Text()}),
              std::tuple(&app, 3u, "OUTGOING_CALLS,INCOMING_CALLS"));

    app.FormatText(0x30);
    StyleKeywordTable& target = controller;
    target = app; // through the base: the controller keeps its own rows
    EXPECT_EQ(std::tuple(controller.GetValue(), controller.Text(), controller.GetResult()),
              std::tuple(0u, "", KV_E_FAIL));
    EXPECT_EQ((std::tuple{controller.SetText("DIAL_CALLS,FAX"), controller.Text()}),
              std::tuple(KV_E_FAIL, "FAX"));
    // Self-assignment leaves the table unchanged.
    app.SetText("DIAL_CALLS,BOGUS");
    ASSERT_EQ(app.GetResult(), KV_E_FAIL);
    app.AssignValue(app);
    AppFunctionFlagTable& alias = app;
    app = alias;
    EXPECT_EQ(std::tuple(app.GetResult(), app.GetValue(), app.Text()),
              std::tuple(KV_E_FAIL, 0x20u, "DIAL_CALLS"));
}

} // namespace
