#include "platform/clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>

namespace {

TEST(ClockSleep, AManualClockMovesOnInsteadOfSleeping) {
    ManualClock clock(1000, 0, 500);
    ScopedClock installed(clock);
    ClockSleep(50);
    ClockSleep(100);
    EXPECT_EQ(clock.TickMs(), 650u);
    EXPECT_EQ(clock.Now().milliseconds, 150u);
}

TEST(ClockSleep, TheSystemClockSleeps) {
    SystemClock clock;
    const std::uint32_t start = clock.TickMs();
    clock.Sleep(20);
    EXPECT_GE(clock.TickMs() - start, 20u);
}

std::uint32_t MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                      static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

// However the tick is read, it is the monotonic clock's milliseconds: each
// reading lies between the milliseconds read just before and just after it,
// also once the clock answers from what it read last.
TEST(SystemClockTick, IsTheMonotonicClocksMillisecondAtEveryReading) {
    // How many changes the loop sees depends on the machine's load: none is
    // counted.
    SystemClock clock;
    const std::uint32_t start = MonotonicMs();
    while (MonotonicMs() - start < 30) {
        const std::uint32_t before = MonotonicMs();
        const std::uint32_t tick = clock.TickMs();
        const std::uint32_t after = MonotonicMs();
        ASSERT_GE(static_cast<std::int32_t>(tick - before), 0);
        ASSERT_GE(static_cast<std::int32_t>(after - tick), 0);
    }
}

} // namespace
