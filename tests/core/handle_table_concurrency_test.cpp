#include "core/handle_table.h"

#include "platform/sync.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kThreads = 8;

// Runs body(index) on kThreads threads released together.
template <typename Body> void RunTogether(Body body) {
    ManualResetEvent go;
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&go, &body, i] {
            if (go.Wait(30000))
                body(i);
        });
    go.Set();
    for (std::thread& thread : threads)
        thread.join();
}

TEST(HandleTableConcurrency, RacingCallersNeverPassTheCapacity) {
    HandleTable table(255);
    std::vector<std::atomic<int>> taken(256); // how often each id was handed out
    std::atomic<int> refused{0};
    RunTogether([&](int) {
        for (int attempt = 0; attempt < 64; ++attempt) {
            std::uint32_t id = 0;
            const KvResult result = table.Allocate(id);
            if (result == KV_OK && id >= 1 && id <= 255)
                ++taken[id];
            else if (result == KV_E_LIST_FULL && id == 0)
                ++refused;
        }
    });
    EXPECT_EQ(table.GetCount(), 255u);
    EXPECT_EQ(std::count(taken.begin() + 1, taken.end(), 1), 255);
    EXPECT_EQ(refused, kThreads * 64 - 255);
}

TEST(HandleTableConcurrency, LocksFromTheTableExcludeEachOther) {
    HandleTable& table = GetHandleTable();
    std::uint32_t id = 0;
    ASSERT_EQ(table.Allocate(id), KV_OK);
    int shared = 0; // guarded only by the table's lock
    RunTogether([&](int) {
        CriticalSection* section = nullptr;
        for (int i = 0; table.Lookup(id, section) == 1 && i < 1000; ++i) {
            std::lock_guard lock(*section);
            ++shared;
        }
    });
    EXPECT_EQ(shared, kThreads * 1000);
    EXPECT_EQ(table.Free(id), KV_OK);
}

} // namespace
