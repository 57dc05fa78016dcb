#include "tapi/tapi_line_data.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

std::string Keys(const KVTAPILINEDATAMANAGER& manager) {
    std::string keys;
    KVTAPILINEDATAMANAGER::Position position;
    if (!manager.GetStartPosition(position))
        return keys;
    while (KVTAPILINEDATA* entry = manager.GetNextEntry(position))
        keys += entry->GetKey() + ";";
    return keys;
}

TEST(KvTapiLineData, SetFillsTheTenFieldsInOrder) {
    KVTAPILINEDATA data;
    EXPECT_EQ(data, KVTAPILINEDATA{});
    data.Set("Line 1", "Office", 0x10001, 4, KVTAPILINEDATA::kCodeLineQuits, "s3", 5, 6, "s4", 7);
    EXPECT_EQ(data.GetKey(), "Line 1");
    EXPECT_EQ(data.GetDisplayName(), "Office");
    EXPECT_EQ(data.GetNumber1(), 0x10001u);
    EXPECT_EQ(data.GetNumber2(), 4u);
    EXPECT_EQ(data.GetNumber3(), 15u);
    EXPECT_EQ(data.GetString3(), "s3");
    EXPECT_EQ(data.GetNumber4(), 5u);
    EXPECT_EQ(data.GetNumber5(), 6u);
    EXPECT_EQ(data.GetString4(), "s4");
    EXPECT_EQ(data.GetNumber6(), 7u);
    KVTAPILINEDATA copy(data);
    EXPECT_EQ(copy, data);
}

TEST(KvTapiLineDataManager, RefusesThe33rdEntryEmptyAndDuplicateKeys) {
    KVTAPILINEDATAMANAGER manager;
    EXPECT_EQ(manager.GetName(), "KVTAPILINEDATAMANAGER");
    KVTAPILINEDATA* entry = nullptr;
    EXPECT_EQ(manager.CreateEntry(entry, ""), KV_E_FAIL);
    std::unique_ptr<KVTAPILINEDATA> none;
    EXPECT_EQ(manager.AddEntry(none), KV_E_INVALID_POINTER);
    for (int index = 0; index < 32; ++index)
        ASSERT_EQ(manager.CreateEntry(entry, "L" + std::to_string(index)), KV_OK);
    EXPECT_EQ(manager.CreateEntry(entry, "L32"), KV_E_LIST_FULL);
    EXPECT_EQ(entry, nullptr);
    manager.RemoveAllEntries();
    ASSERT_EQ(manager.CreateEntry(entry, "B"), KV_OK);
    auto twin = std::make_unique<KVTAPILINEDATA>();
    twin->GetKey() = "B";
    EXPECT_EQ(manager.AddEntry(twin), KV_E_ALREADY_PRESENT);
    EXPECT_NE(twin, nullptr);
    EXPECT_EQ(manager.FindEntry("B"), entry);
    auto* raw = new KVTAPILINEDATA;
    raw->GetKey() = "C";
    EXPECT_EQ(manager.AddEntry(raw), KV_OK);
    EXPECT_EQ(manager.FindEntry("C"), raw);
}

TEST(KvTapiLineDataManager, AssignmentCopiesDeeplyAndSelfAssignmentKeepsTheEntries) {
    KVTAPILINEDATAMANAGER manager;
    KVTAPILINEDATA* entry = nullptr;
    for (const char* key : {"Z", "A", "M"}) {
        ASSERT_EQ(manager.CreateEntry(entry, key), KV_OK);
        entry->GetNumber2() = static_cast<std::uint32_t>(key[0]);
    }
    manager.GetSecondText() = "second";
    KVTAPILINEDATAMANAGER copy;
    copy.CreateEntry(entry, "old");
    copy = manager;
    EXPECT_EQ(Keys(copy), "Z;A;M;");
    EXPECT_EQ(copy.GetSecondText(), "second");
    EXPECT_NE(copy.FindEntry("A"), manager.FindEntry("A"));
    EXPECT_EQ(*copy.FindEntry("A"), *manager.FindEntry("A"));

    KVTAPILINEDATAMANAGER& same = manager;
    manager = same;
    EXPECT_EQ(Keys(manager), "Z;A;M;");
    EXPECT_EQ(manager.FindEntry("M")->GetNumber2(), static_cast<std::uint32_t>('M'));
}

} // namespace
