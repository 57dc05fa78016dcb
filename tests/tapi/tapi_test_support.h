#pragma once
// Helpers of the TAPI record tests: XML forms as text (those of the data
// record tests) and a fixed clock.

#include "data/data_test_support.h"
#include "platform/clock.h"
#include "platform/result_codes.h"

#include <gtest/gtest.h>

#include <cstdint>

// 2024-01-01 00:00:00.007 UTC: 3913056000 seconds since 1900.
inline constexpr std::int64_t kTestSeconds = 1704067200;
inline constexpr char kTestStamp[] = "3913056000.007";

// A manual clock installed at the test time for the lifetime of the fixture.
class TapiClockTest : public ::testing::Test {
protected:
    ManualClock clock_{kTestSeconds, 7, 1000};
    ScopedClock scoped_clock_{clock_};
};
