#include "core/time_date.h"

#include "core/string_tokenizer.h"
#include "platform/number_parse.h"

#include "core_test_support.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>

namespace {

TimeDate Make(std::uint32_t seconds, std::uint32_t milliseconds) {
    TimeDate time;
    time.SetSeconds(seconds);
    time.SetMilliseconds(milliseconds);
    return time;
}

// Calendar seconds whose 1900-based value is 3908988800.
constexpr std::int64_t kUnixSeconds = 1700000000;
constexpr std::uint32_t kSeconds1900 = 3908988800u;

// Moves one millisecond forward on every reading, so that two readings taken
// for one time value straddle a second boundary. Local time is unavailable.
struct SteppingClock final : Clock {
    explicit SteppingClock(std::int64_t ms) : wall_ms(ms) {}
    std::uint32_t TickMs() override { return static_cast<std::uint32_t>(wall_ms++); }
    std::int64_t Seconds() override { return wall_ms++ / 1000; }
    WallTime Now() override {
        const std::int64_t ms = wall_ms++;
        return WallTime{ms / 1000, static_cast<std::uint16_t>(ms % 1000)};
    }
    bool ToLocalTime(std::int64_t, std::tm&) override { return false; }
    std::int64_t wall_ms; // calendar milliseconds since 1970
};

TEST(TimeDate, ComparesSecondsThenMillisecondsIsEmptyOnlyAtZeroAndReadsAndWritesTexts) {
    EXPECT_TRUE(Make(10, 999) < Make(11, 0) && !(Make(11, 0) < Make(11, 0)));
    EXPECT_FALSE(Make(11, 0) < Make(10, 999) || Make(11, 1) == Make(11, 0));
    EXPECT_TRUE(Make(0x7FFFFFFFu, 0) < Make(0x80000000u, 0)) << "unsigned";
    EXPECT_TRUE(TimeDate().IsEmpty());
    EXPECT_FALSE(Make(1, 0).IsEmpty() || Make(0, 1).IsEmpty());
    TimeDate cleared = Make(5, 5);
    EXPECT_TRUE((cleared.Clear(), cleared.IsEmpty()));
    // Writes seconds point three digits and reads the digits after the point as a number.
    std::string out;
    EXPECT_EQ(Make(5, 7).GetText(out), "5.007");
    EXPECT_EQ(Make(0xFFFFFFFFu, 999).GetText(out), "4294967295.999");
    EXPECT_EQ(Make(5, 1500).GetText(out), "5.1500");
    EXPECT_EQ(Make(123, 45).GetSecondsText(out), "123");
    EXPECT_EQ(Make(123, 45).GetMillisecondsText(out), "045");
    const std::tuple<std::string, std::uint32_t, std::uint32_t> cases[] = {
        {Make(kSeconds1900, 5).GetText(out), kSeconds1900, 5},
        {"5.7", 5, 7},
        {"5.1500", 5, 1500},
        {" 12 . 34 ", 12, 34},
        {"5", 5, 0},
        {"5.", 5, 0},
        {".5", 0, 5},
        {"abc", 0, 0},
        {"-1.5", ~0u, 5},
        {"12abc.3x", 12, 3},
    };
    for (const auto& [text, seconds, milliseconds] : cases) {
        TimeDate time = Make(77, 77);
        time.SetFromText(text);
        EXPECT_EQ(time, Make(seconds, milliseconds)) << text;
    }
}

// The reading by tokens that the text reading replaced: two trimmed tokens
// split at '.', the text ending at a zero byte.
std::pair<std::uint32_t, std::uint32_t> ReadByTokens(const std::string& text) {
    StringTokenizer tokenizer;
    tokenizer.Init(text, ".");
    std::string token;
    std::int32_t position = 0;
    if (tokenizer.NextToken(token, position, true) != KV_OK)
        return {0, 0};
    const std::uint32_t seconds = ParseUInt32(token, 10);
    if (tokenizer.NextToken(token, position, true) != KV_OK)
        return {seconds, 0};
    return {seconds, ParseUInt32(token, 10)};
}

TEST(TimeDate, ATextReadsAsItsTwoTrimmedTokensDid) {
    const std::string cases[] = {
        "", ".", "..", "...", " ", " . ", "5", "5.", "5..", ".5", "..5", "5.6.7", "5.6.",
        " 5 . 6 ", "\t5\n.\r6\v", "\f7\f.\f8\f", "+5.+6", "-5.-6", "- 5.- 6", "0x10.0x10",
        "010.010", "4294967295.999", "4294967296.4294967296", "99999999999.1", "5 6.7 8",
        std::string("5\0.6", 4), std::string("\0" "5.6", 4), std::string("5.\0" "6", 4),
        "5.6\0", "abc", "abc.def", "12abc.3x", "3900000123.045", " 3900000123 . 045 . 1 ",
        "\xA0" "5.6", "5\xA0.6", "4294967295", "4294967296.1", "9999999999.9999999999",
        "0000000001.0000000999", "1234567890.123", "12345678901.1", "123456789a.1",
        "3900000123 .045", "3900000123. 045",
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(::testing::PrintToString(text));
        TimeDate time = Make(77, 77);
        time.SetFromText(text);
        const auto [seconds, milliseconds] = ReadByTokens(text);
        EXPECT_EQ(time, Make(seconds, milliseconds));
    }
}

TEST(TimeDate, FurtherWordsTravelWithTheValueButNotInItsText) {
    TimeDate value;
    value.SetFurtherWords(3900000001u, 7);
    EXPECT_FALSE(value.IsEmpty());
    std::string text;
    EXPECT_EQ(value.GetText(text), "0.000");
    TimeDate copy = value;
    EXPECT_EQ(copy.GetFurtherSeconds(), 3900000001u);
    EXPECT_EQ(copy.GetFurtherMilliseconds(), 7u);
    EXPECT_TRUE(copy == TimeDate()); // compared by seconds and milliseconds only
    copy.Clear();
    EXPECT_EQ(copy.GetFurtherSeconds(), 0u);
    EXPECT_TRUE(copy.IsEmpty());
}

TEST(TimeDate, AddMillisecondCarriesFrom999OnWardsAndMillisecondsUntilFailsWithZero) {
    const auto after = [](TimeDate time) {
        time.AddMillisecond();
        return time;
    };
    EXPECT_EQ(after(Make(10, 500)), Make(10, 501));
    EXPECT_EQ(after(Make(10, 999)), Make(11, 0));
    EXPECT_EQ(after(Make(10, 1500)), Make(11, 0)) << "out of range from text input";
    EXPECT_EQ(after(Make(~0u, 999)), Make(0, 0));
    // Milliseconds until gives the difference or fails with zero.
    // from, to, 32-bit result and difference, 64-bit result and difference
    using Case = std::tuple<TimeDate, TimeDate, KvResult, std::uint32_t, KvResult, std::uint64_t>;
    const Case cases[] = {
        {Make(10, 500), Make(12, 250), KV_OK, 1750, KV_OK, 1750},
        {Make(10, 500), Make(10, 500), KV_OK, 0, KV_OK, 0},
        {Make(12, 250), Make(10, 500), KV_E_FAIL, 0, KV_E_FAIL, 0},
        // 4294967.295 s is the largest 32-bit difference.
        {Make(0, 0), Make(4294967, 295), KV_OK, ~0u, KV_OK, 0xFFFFFFFFull},
        {Make(0, 0), Make(4294967, 296), KV_E_FAIL, 0, KV_OK, 0x100000000ull},
        {Make(5, 1500), Make(6, 600), KV_OK, 100, KV_OK, 100},
        {Make(0, 0), Make(~0u, ~0u), KV_E_FAIL, 0, KV_OK, 0xFFFFFFFFull * 1001},
    };
    for (const Case& c : cases) {
        TimeDate start = std::get<0>(c);
        std::uint32_t out = 99;
        std::uint64_t out64 = 99;
        const KvResult result = start.MillisecondsUntil(out, std::get<1>(c));
        EXPECT_EQ(start.GetResult(), result);
        const KvResult result64 = start.MillisecondsUntil64(out64, std::get<1>(c));
        EXPECT_EQ(Case(std::get<0>(c), std::get<1>(c), result, out, result64, out64), c)
            << &c - cases;
    }
    // Copies take the time but not the failed result.
    TimeDate failed = Make(12, 0);
    std::uint32_t out = 0;
    ASSERT_EQ(failed.MillisecondsUntil(out, Make(10, 0)), KV_E_FAIL);
    TimeDate assigned;
    assigned = failed;
    EXPECT_EQ(assigned, failed);
    EXPECT_TRUE(assigned.GetResult() == KV_OK && TimeDate(failed).GetResult() == KV_OK);
}

TEST_F(Clocked, NowReadsTheReplaceableClockModulo2To32) {
    clock_.SetWallTime(kUnixSeconds, 999);
    TimeDate time;
    std::uint32_t seconds = 0, milliseconds = 0;
    // GetNow leaves the value alone.
    EXPECT_EQ(
        (std::tuple{time.GetNow(seconds, milliseconds), seconds, milliseconds, time.IsEmpty()}),
        std::tuple(KV_OK, kSeconds1900, 999u, true));
    clock_.Advance(1);
    EXPECT_EQ(time.SetNow(), KV_OK);
    EXPECT_EQ(time, Make(kSeconds1900 + 1, 0));
    clock_.SetWallTime(2085978496, 1); // 2036-02-07 06:28:16 UTC is 2^32 s after 1900
    time.SetNow();
    EXPECT_EQ(time, Make(0, 1));
    clock_.SetWallTime(-1, 0);
    time.SetNow();
    EXPECT_EQ(time.GetSeconds(), 2208988799u);
}

TEST(TimeDate, NowTakesSecondsAndMillisecondsFromOneReading) {
    // Separate readings for the seconds and the milliseconds would give
    // x.000 here, a time before the x.999 that the clock showed.
    SteppingClock clock(kUnixSeconds * 1000 + 999);
    ScopedClock installed(clock);
    TimeDate first, second;
    first.SetNow();
    EXPECT_EQ(first, Make(kSeconds1900, 999));
    second.SetNow();
    EXPECT_TRUE(first < second);
}

TEST_F(Clocked, TimeStampTakesTheLocalTimeWhenConstructedAndAgainOnSetNow) {
    clock_.SetWallTime(951914096, 250); // 2000-03-01 12:34:56.250 UTC, a Wednesday
    clock_.SetTimeZone(-60, 1);
    TimeStamp stamp;
    EXPECT_EQ(std::tuple(stamp.GetTime().seconds, stamp.GetTime().milliseconds,
                         stamp.GetTime().minutes_west),
              std::tuple(951914096, 250, -60));
    const LocalTime& local = stamp.GetLocalTime();
    EXPECT_EQ(std::tuple(local.hours, local.minutes, local.seconds, local.day_of_month, local.month,
                         local.years_since_1900, local.day_of_week, local.day_of_year),
              std::tuple(13, 34, 56, 1, 2, 100, 3, 60));
    clock_.Advance(60 * 1000);
    stamp.SetNow();
    EXPECT_EQ(std::tuple(stamp.GetTime().seconds, stamp.GetLocalTime().minutes),
              std::tuple(951914156, 35));
}

TEST(TimeStamp, IsAllZeroWhenTheSecondsCannotBeBrokenDown) {
    SteppingClock clock(951914096000);
    ScopedClock installed(clock);
    const TimeStamp stamp;
    EXPECT_EQ(std::tuple(stamp.GetTime().seconds, stamp.GetLocalTime().day_of_month,
                         stamp.GetLocalTime().years_since_1900),
              std::tuple(951914096, 0, 0));
}

} // namespace
