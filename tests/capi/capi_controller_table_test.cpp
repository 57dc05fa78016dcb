#include "capi/capi_controller_table.h"

#include "platform/capi/capi_wire.h"
#include "platform/capi/scripted_capi_controller.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(CapiControllerTable, RefusesATenthAndADuplicateController) {
    CapiControllerTable table;
    for (std::uint32_t number = 1; number <= 9; ++number)
        ASSERT_NE(table.Create(number), nullptr);
    auto tenth = std::make_unique<CapiControllerRecord>(10);
    EXPECT_EQ(table.Add(tenth), KV_E_LIST_FULL);
    EXPECT_NE(tenth, nullptr);
    EXPECT_EQ(table.Create(10), nullptr);
    EXPECT_EQ(table.Remove(9), KV_OK);
    auto duplicate = std::make_unique<CapiControllerRecord>(3);
    EXPECT_EQ(table.Add(duplicate), KV_E_ALREADY_PRESENT);
    std::unique_ptr<CapiControllerRecord> none;
    EXPECT_EQ(table.Add(none), KV_E_INVALID_POINTER);
    EXPECT_EQ(table.GetCount(), 8u);
    EXPECT_EQ(table.GetAt(0)->GetController(), 1u);
}

TEST(CapiControllerTable, FindAndRemoveReportAbsentNumbers) {
    CapiControllerTable table;
    CapiControllerRecord* record = table.Create(2);
    EXPECT_EQ(table.Find(2), record);
    EXPECT_EQ(table.Find(1), nullptr);
    EXPECT_EQ(table.GetResult(), KV_E_NOT_PRESENT);
    EXPECT_EQ(table.Remove(1), KV_E_NOT_PRESENT);
    EXPECT_EQ(table.Remove(2), KV_OK);
    EXPECT_TRUE(table.IsEmpty());
}

TEST(CapiControllerRecord, ReadsProfileAndControllerCountThroughCapi) {
    ScriptedCapiController capi;
    capi.AddController(1, 2);
    capi.AddController(2, 30);
    CapiControllerRecord record(2);
    std::uint32_t count = 0;
    EXPECT_EQ(record.CountControllers(capi, count), 0u);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(record.ReadProfile(capi, 2), 0u);
    EXPECT_EQ(record.GetBChannelCount(), 30u);
    EXPECT_EQ(record.ReadProfile(capi, 3), kCapiIllegalController);
    capi.SetInstalledResult(kCapiRegNotInstalled);
    EXPECT_EQ(record.CountControllers(capi, count), kCapiRegNotInstalled);
    EXPECT_EQ(count, 0u);
}

} // namespace
