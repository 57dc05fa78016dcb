#include "platform/clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

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

// The tick is the monotonic clock's milliseconds: each reading lies between
// the milliseconds read just before and just after it.
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

bool SameBreakdown(const std::tm& a, const std::tm& b) {
    return a.tm_sec == b.tm_sec && a.tm_min == b.tm_min && a.tm_hour == b.tm_hour &&
           a.tm_mday == b.tm_mday && a.tm_mon == b.tm_mon && a.tm_year == b.tm_year &&
           a.tm_wday == b.tm_wday && a.tm_yday == b.tm_yday && a.tm_isdst == b.tm_isdst &&
           a.tm_gmtoff == b.tm_gmtoff;
}

// Sets a zone with daylight-saving time for the test's lifetime.
class ScopedZone {
public:
    explicit ScopedZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            had_ = true;
            old_ = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedZone() {
        if (had_)
            setenv("TZ", old_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ScopedZone(const ScopedZone&) = delete;
    ScopedZone& operator=(const ScopedZone&) = delete;

private:
    bool had_ = false;
    std::string old_;
};

// Every answer is localtime_r's, when the same second is asked again, on each
// side of a second's change and of daylight-saving changes.
TEST(SystemClockLocalTime, IsLocaltimesBreakdownForEverySecond) {
    ScopedZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    SystemClock clock;
    // 2021-03-28 01:00 UTC (summer time begins), 2021-10-31 01:00 UTC (ends).
    const std::int64_t starts[] = {1616893200 - 3, 1635642000 - 3, 0, 2147483647 - 2,
                                   4102444800 - 1};
    for (const std::int64_t start : starts) {
        for (std::int64_t seconds = start; seconds < start + 6; ++seconds) {
            for (int repeat = 0; repeat < 2; ++repeat) {
                std::tm cached{};
                ASSERT_TRUE(clock.ToLocalTime(seconds, cached));
                std::tm expected{};
                const auto value = static_cast<time_t>(seconds);
                ASSERT_NE(localtime_r(&value, &expected), nullptr);
                EXPECT_TRUE(SameBreakdown(cached, expected)) << seconds;
            }
        }
    }
    // Going back to an earlier second is answered anew.
    std::tm winter{};
    std::tm summer{};
    ASSERT_TRUE(clock.ToLocalTime(1616893200 - 1, winter));
    ASSERT_TRUE(clock.ToLocalTime(1616893200, summer));
    ASSERT_TRUE(clock.ToLocalTime(1616893200 - 1, winter));
    EXPECT_EQ(winter.tm_hour, 1);
    EXPECT_EQ(winter.tm_isdst, 0);
    EXPECT_EQ(summer.tm_hour, 3);
    EXPECT_EQ(summer.tm_isdst, 1);
}

// A zone set while the program runs holds from the next reading on, for a
// second already broken down too.
TEST(SystemClockLocalTime, FollowsTheZoneAfterTzset) {
    SystemClock clock;
    std::tm local{};
    {
        ScopedZone zone("UTC0");
        ASSERT_TRUE(clock.ToLocalTime(1700000000, local));
        EXPECT_EQ(local.tm_hour, 22);
        EXPECT_EQ(local.tm_gmtoff, 0);
        EXPECT_EQ(clock.Now().minutes_west, 0);
    }
    ScopedZone zone("JST-9");
    ASSERT_TRUE(clock.ToLocalTime(1700000000, local));
    EXPECT_EQ(local.tm_hour, 7);
    EXPECT_EQ(local.tm_gmtoff, 32400);
    EXPECT_EQ(clock.Now().minutes_west, -540);
}

// Readings of the clock carry the zone localtime_r gives for their second, also
// across the change of a second.
TEST(SystemClockLocalTime, NowCarriesTheZoneOfItsSecond) {
    SystemClock clock;
    const WallTime first = clock.Now();
    WallTime wall = first;
    int seconds_seen = 0;
    while (seconds_seen < 2) {
        wall = clock.Now();
        if (wall.seconds != first.seconds + seconds_seen) {
            ++seconds_seen;
            std::tm expected{};
            const auto value = static_cast<time_t>(wall.seconds);
            ASSERT_NE(localtime_r(&value, &expected), nullptr);
            EXPECT_EQ(wall.minutes_west, -expected.tm_gmtoff / 60);
            EXPECT_EQ(wall.daylight_saving, expected.tm_isdst > 0 ? 1 : 0);
        }
        std::tm local{};
        ASSERT_TRUE(clock.ToLocalTime(wall.seconds, local));
        std::tm expected{};
        const auto value = static_cast<time_t>(wall.seconds);
        ASSERT_NE(localtime_r(&value, &expected), nullptr);
        ASSERT_TRUE(SameBreakdown(local, expected));
    }
}

} // namespace
