#include "core/timeout_timer.h"

#include "core_test_support.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

namespace {

constexpr std::uint32_t kTicks = 0;
constexpr std::uint32_t kSeconds = 1;

TEST(TimeoutTimer, ExpiresOnceTheIntervalHasElapsedInItsClockUnit) {
    // clock kind, start seconds, start tick, interval, time passed (ms), expired
    using ExpiryCase = std::tuple<std::uint32_t, std::int64_t, std::uint32_t, std::uint32_t,
                                  std::uint32_t, std::int32_t>;
    const ExpiryCase cases[] = {
        {kTicks, 0, 5000, 0, 0, 1},
        {kTicks, 0, 5000, 500, 499, 0},
        {kTicks, 0, 5000, 500, 500, 1},
        {kTicks, 0, 0xFFFFFF00u, 0x200, 0x1FF, 0}, // across the tick wrap
        {kTicks, 0, 0xFFFFFF00u, 0x200, 0x200, 1},
        {kSeconds, 1000, 0, 999, 0, 1}, // under a second counts as 0 seconds
        {kSeconds, 1000, 0, 1500, 999, 0},
        {kSeconds, 1000, 0, 1500, 1000, 1},
        {kSeconds, 0xFFFFFFFFll, 0, 3000, 2000, 0}, // across the 32-bit seconds wrap
        {kSeconds, 0xFFFFFFFFll, 0, 3000, 3000, 1},
    };
    for (const auto& [kind, start_seconds, start_tick, interval, passed, expired] : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << kind << ", tick " << start_tick << ", "
                                        << interval << " ms after " << passed);
        ManualClock clock(start_seconds, 0, start_tick);
        ScopedClock installed(clock);
        TimeoutTimer timer(7, kind);
        timer.Restart(interval / 1000, interval % 1000);
        clock.Advance(passed);
        EXPECT_EQ(timer.CheckExpired(), expired);
        EXPECT_EQ(timer.IsExpired() + 2 * timer.IsRunning(), expired == 1 ? 1 : 2);
        EXPECT_EQ(timer.CheckExpired(), 0);
    }
}

TEST_F(Clocked, StoppedTimeoutTimerNeverExpiresButRestartsWithItsWholeIntervalAndExpireEndsIt) {
    clock_.SetTick(10);
    TimeoutTimer timer(1, kTicks);
    // A stop always takes a reading.
    EXPECT_EQ((std::tuple{timer.Stop(), timer.GetLast(), timer.GetState()}),
              std::tuple(0, 10u, TimeoutTimer::kIdle));
    timer.Restart(0, 100);
    clock_.Advance(90);
    EXPECT_EQ((std::tuple{timer.Stop(), timer.Stop()}), std::tuple(1, 0));
    clock_.Advance(1000);
    EXPECT_TRUE(timer.CheckExpired() == 0 && timer.IsStopped());
    timer.Start();
    clock_.Advance(99);
    EXPECT_EQ((std::tuple{timer.CheckExpired(), timer.GetLast()}), std::tuple(0, 1199u));
    clock_.Advance(1);
    EXPECT_EQ(timer.CheckExpired(), 1);
    timer.Restart(9, 0);
    timer.Stop();
    timer.Expire(); // whatever the state
    EXPECT_TRUE(timer.IsExpired());
}

} // namespace
