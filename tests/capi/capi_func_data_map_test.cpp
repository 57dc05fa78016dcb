#include "capi/capi_func_data_map.h"

#include "platform/clock.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace {

std::shared_ptr<CAPIFuncData> MakeRecord(std::int32_t id, std::uint32_t type) {
    auto record = std::make_shared<CAPIFuncData>();
    record->SetId(id);
    record->SetType(type);
    return record;
}

TEST(CAPIFuncDataMap, KeepsOneRecordPerIdAndGivesItOnce) {
    CAPIFuncDataMap map;
    EXPECT_EQ(map.Add(nullptr), KV_E_FAIL);
    EXPECT_EQ(map.Add(MakeRecord(1, CAPIFuncData::kRegister)), KV_OK);
    EXPECT_EQ(map.Add(MakeRecord(1, CAPIFuncData::kRelease)), KV_E_FAIL);
    EXPECT_EQ(map.Add(MakeRecord(2, CAPIFuncData::kRelease)), KV_OK);
    const auto taken = map.Take(1);
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken->GetType(), CAPIFuncData::kRegister);
    EXPECT_EQ(map.Take(1), nullptr);
    EXPECT_FALSE(map.Remove(taken.get()));
    EXPECT_TRUE(map.Remove(map.Find(2).get()));
    EXPECT_EQ(map.Count(), 0u);
}

TEST(CAPIFuncDataMap, FailAllCompletesEveryRecordAsNotExecuted) {
    CAPIFuncDataMap map;
    const auto reg = MakeRecord(1, CAPIFuncData::kRegister);
    const auto wait = MakeRecord(2, CAPIFuncData::kWaitForSignal);
    map.Add(reg);
    map.Add(wait);
    std::thread waiter([wait] { EXPECT_TRUE(wait->WaitCompleted(60000)); });
    map.FailAll();
    waiter.join();
    EXPECT_EQ(reg->GetReturnValue(), 0x1008);
    EXPECT_EQ(wait->GetReturnValue(), 0x1108);
    EXPECT_EQ(wait->GetFlagReturnText(), "true");
    EXPECT_TRUE(reg->IsCompleted());
    EXPECT_EQ(map.Count(), 2u);
    map.Begin();
    EXPECT_EQ(map.Next(), reg);
    EXPECT_EQ(map.Next(), wait);
    EXPECT_EQ(map.Next(), nullptr);
}

TEST(CAPIFuncDataMap, FindsExpiredRecordsOnTheClock) {
    ManualClock clock;
    ScopedClock scoped(clock);
    CAPIFuncDataMap map;
    const auto first = MakeRecord(1, CAPIFuncData::kGetMessage);
    const auto second = MakeRecord(2, CAPIFuncData::kWaitForSignal);
    map.Add(first);
    map.Add(second);
    second->StartTimeout();
    clock.Advance(500);
    first->StartTimeout();
    EXPECT_EQ(map.FindExpired(), nullptr);
    clock.Advance(505);
    EXPECT_EQ(map.FindExpired(), second);
    map.Remove(second.get());
    EXPECT_EQ(map.FindExpired(), nullptr);
    clock.Advance(500);
    EXPECT_EQ(map.FindExpired(), first);
}

} // namespace
