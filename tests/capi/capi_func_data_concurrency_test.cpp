#include "capi/capi_func_data_map.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace {

// The waiter gives up while the service thread completes the record: each
// side holds its own share, so the late answer writes into a live record.
TEST(CAPIFuncDataConcurrency, AWaiterThatGivesUpLeavesTheRecordToTheService) {
    for (int round = 0; round < 50; ++round) {
        CAPIFuncDataMap map;
        ManualResetEvent gave_up;
        auto record = std::make_shared<CAPIFuncData>();
        record->SetId(round);
        record->SetType(CAPIFuncData::kGetMessage);
        map.Add(record);
        std::thread waiter([mine = std::move(record), &gave_up]() mutable {
            mine->WaitCompleted(0);
            mine.reset();
            gave_up.Set();
        });
        std::thread service([&map, round] {
            const auto pending = map.Take(round);
            ASSERT_NE(pending, nullptr);
            CAPIFuncData answer;
            answer.SetType(CAPIFuncData::kGetMessage);
            answer.SetFlagReturn(1);
            answer.SetReturnValue(0x1104);
            answer.CopyResultTo(*pending);
            pending->SignalCompleted();
        });
        service.join();
        EXPECT_TRUE(gave_up.Wait(60000));
        waiter.join();
    }
}

} // namespace
