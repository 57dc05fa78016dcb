#include "core/timer_list.h"

#include "core/timeout_timer.h"
#include "core_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <iterator>
#include <random>
#include <tuple>
#include <vector>

namespace {

using IdList = std::vector<std::uint32_t>;

// The counters must equal a recount of the states, and each timer must sit on
// the list its state calls for.
testing::AssertionResult CountersMatchStates(const TimerList& list) {
    std::int32_t all = 0, active = 0, running = 0, stopped = 0, expired = 0;
    for (const TimeoutTimer* timer : list.GetActiveTimers()) {
        if (!timer->IsRunning() && !timer->IsStopped())
            return testing::AssertionFailure() << "state " << timer->GetState() << " on active";
        ++all, ++active, ++(timer->IsRunning() ? running : stopped);
    }
    for (const TimeoutTimer* timer : list.GetIdleTimers()) {
        if (timer->IsRunning() || timer->IsStopped())
            return testing::AssertionFailure() << "state " << timer->GetState() << " on idle";
        ++all, expired += timer->IsExpired() ? 1 : 0;
    }
    if (list.GetCount() != all || list.GetActiveCount() != active ||
        list.GetRunningCount() != running || list.GetStoppedCount() != stopped ||
        list.GetExpiredCount() != expired)
        return testing::AssertionFailure() << "counters differ from the recount";
    return testing::AssertionSuccess();
}

IdList Ids(const std::vector<const TimeoutTimer*>& timers) {
    IdList ids;
    for (const TimeoutTimer* timer : timers)
        ids.push_back(timer->GetId());
    return ids;
}

TEST_F(Clocked, StartTakesEveryIdleTimerWithTheIdButStopOnlyTheFirst) {
    const TimeoutTimer* first = list_.Add(3, 1, 500);
    list_.Add(4, 1, 0);
    const TimeoutTimer* second = list_.Add(3, 1, 0);
    EXPECT_TRUE(first->GetInterval() == 1500 && list_.Find(3) == first);
    EXPECT_EQ(list_.Start(3), 1);
    EXPECT_EQ(Ids(list_.GetActiveTimers()), (IdList{3, 3}));
    EXPECT_EQ(list_.Stop(3), 1);
    EXPECT_TRUE(first->IsStopped() && second->IsRunning() && !list_.IsRunning(3));
    EXPECT_EQ(list_.Stop(3), 0);
    // An unknown id changes nothing.
    EXPECT_EQ(list_.SetInterval(9, 1, 0) + list_.Restart(9, 1, 0) + list_.Start(9) + list_.Stop(9) +
                  list_.CheckExpired(9),
              0);
    EXPECT_TRUE(list_.Find(9) == nullptr && CountersMatchStates(list_));
    // A stopped timer started again counts its whole interval from now.
    clock_.Advance(1400);
    EXPECT_EQ(list_.Start(3), 1);
    clock_.Advance(1499);
    EXPECT_EQ(list_.CheckExpired(3), 0);
    clock_.Advance(1);
    EXPECT_TRUE(list_.CheckExpired(3) == 1 && list_.GetRunningCount() == 1);
}

TEST_F(Clocked, ExpiredTimersGoToTheIdleEndRestartBringsThemBackDeactivateAllIdlesAll) {
    for (std::uint32_t id : {1u, 2u, 3u})
        list_.Add(id, 0, id == 3 ? 50 : 10);
    list_.Start(1), list_.Start(3), clock_.Advance(10);
    EXPECT_EQ(list_.CheckExpired(1), 1);
    EXPECT_EQ(list_.CheckExpired(1), 0);
    EXPECT_EQ(Ids(list_.GetIdleTimers()), (IdList{2, 1}));
    EXPECT_EQ(list_.CheckAllExpired(), 1); // counts the earlier expiry
    list_.Start(2), clock_.Advance(40);
    EXPECT_EQ(list_.CheckAllExpired(), 3);
    EXPECT_EQ(list_.Restart(1, 3, 0), 1);
    EXPECT_TRUE(list_.Find(1)->GetInterval() == 3000 && list_.GetExpiredCount() == 2);
    EXPECT_EQ(Ids(list_.GetActiveTimers()), (IdList{1}));
    EXPECT_TRUE(CountersMatchStates(list_));
    // Every timer becomes idle, expired ones included, and none is lost.
    list_.DeactivateAll();
    EXPECT_EQ(Ids(list_.GetIdleTimers()), (IdList{3, 2, 1}));
    for (const TimeoutTimer* timer : list_.GetIdleTimers())
        EXPECT_EQ(timer->GetState(), TimeoutTimer::kIdle);
    EXPECT_TRUE(CountersMatchStates(list_));
}

TEST_F(Clocked, CopyHoldsEqualTimersIdleListFirstAndSelfAssignmentKeepsThem) {
    for (std::uint32_t id : {1u, 2u, 3u})
        list_.Add(id, id, 0);
    list_.Start(2), list_.Start(3), list_.Stop(3);
    auto expired = std::make_unique<TimeoutTimer>(4);
    expired->Expire();
    list_.Insert(std::move(expired));
    list_.Insert(nullptr);
    TimerList& same = list_;
    list_ = same;
    TimerList copy;
    copy.Add(9, 0, 0);
    copy = list_;
    for (const TimerList* list : {&list_, &copy}) {
        EXPECT_EQ(Ids(list->GetIdleTimers()), (IdList{1, 4}));
        EXPECT_EQ(Ids(list->GetActiveTimers()), (IdList{2, 3}));
        EXPECT_TRUE(list->Find(3)->IsStopped() && list->Find(3)->GetInterval() == 3000);
        EXPECT_TRUE(CountersMatchStates(*list));
    }
    EXPECT_NE(copy.Find(2), list_.Find(2));
}

TEST_F(Clocked, CountersFollowTheStatesUnderRandomOperations) {
    std::mt19937 random(20240517u);
    auto pick = [&random](std::uint32_t bound) {
        return std::uniform_int_distribution<std::uint32_t>(0, bound - 1)(random);
    };
    auto insert = [&](std::uint32_t id) {
        auto timer = std::make_unique<TimeoutTimer>(id);
        timer->Restart(0, pick(40));
        if (pick(2))
            timer->Stop();
        if (pick(3) == 0)
            timer->Expire();
        list_.Insert(std::move(timer));
    };
    // Weighted by repetition; the clearing operations are rare.
    const std::function<void(std::uint32_t)> operations[] = {
        [&](std::uint32_t id) { list_.Add(id, 0, pick(40)); },
        [&](std::uint32_t id) { list_.Restart(id, 0, pick(40)); },
        [&](std::uint32_t id) { list_.Start(id); },
        [&](std::uint32_t id) { list_.Start(id); },
        [&](std::uint32_t id) { list_.Stop(id); },
        [&](std::uint32_t id) { list_.CheckExpired(id); },
        [&](std::uint32_t) { list_.CheckAllExpired(); },
        [&](std::uint32_t) { clock_.Advance(pick(30)); },
        [&](std::uint32_t) { clock_.Advance(pick(30)); },
        [&](std::uint32_t) { pick(10) == 0 ? list_.DeactivateAll() : void(); },
        [&](std::uint32_t) { pick(40) == 0 ? list_.RemoveAll() : void(); },
        [&](std::uint32_t) { list_ = static_cast<const TimerList&>(TimerList(list_)); },
        [&](std::uint32_t) { list_ = TimerList(list_); },
        insert,
    };
    for (int step = 0; step < 5000; ++step) {
        const std::uint32_t operation = pick(static_cast<std::uint32_t>(std::size(operations)));
        operations[operation](pick(4));
        ASSERT_TRUE(CountersMatchStates(list_)) << "step " << step << ", operation " << operation;
    }
}

} // namespace
