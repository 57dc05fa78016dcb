#include "platform/clock.h"

#include <gtest/gtest.h>

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

} // namespace
