#pragma once
// TimeDate: seconds since 1900-01-01 00:00 (modulo 2^32) with a millisecond
// part, written "%u.%03u". TimeStamp: the local wall-clock time taken when it
// is constructed.

#include "core/kv_object.h"
#include "platform/clock.h"
#include "platform/result_codes.h"

#include <cstdint>
#include <string>
#include <string_view>

class TimeDate {
public:
    // Seconds from 1900-01-01 to 1970-01-01.
    static constexpr std::uint64_t kSecondsFrom1900To1970 = 2208988800ull;

    TimeDate() = default;
    // A new value starts with result KV_OK whatever the other's result was.
    TimeDate(const TimeDate& other);
    // Copies the time, not the result.
    TimeDate& operator=(const TimeDate& other);

    KvResult GetResult() const { return result_; }
    std::uint32_t GetSeconds() const { return seconds_; }
    std::uint32_t GetMilliseconds() const { return milliseconds_; }
    void SetSeconds(std::uint32_t seconds) { seconds_ = seconds; }
    // Text input may store more than 999.
    void SetMilliseconds(std::uint32_t milliseconds) { milliseconds_ = milliseconds; }

    // Two further words that travel with the value but not in its text form;
    // a call query carries a second time in them.
    std::uint32_t GetFurtherSeconds() const { return spare1_; }
    std::uint32_t GetFurtherMilliseconds() const { return spare2_; }
    void SetFurtherWords(std::uint32_t seconds, std::uint32_t milliseconds) {
        spare1_ = seconds;
        spare2_ = milliseconds;
    }

    void Clear();
    bool IsEmpty() const;
    bool operator<(const TimeDate& other) const;
    bool operator==(const TimeDate& other) const;

    // 999 or more milliseconds carry into the seconds.
    void AddMillisecond();

    // The current time from one reading of the replaceable clock, so that
    // successive readings never go backwards at a second boundary.
    KvResult GetNow(std::uint32_t& seconds, std::uint32_t& milliseconds);
    KvResult SetNow();

    std::string& GetText(std::string& out) const;
    std::string& GetSecondsText(std::string& out) const;
    std::string& GetMillisecondsText(std::string& out) const;
    // Unsigned decimal as strtoul reads it; no digits give 0.
    void SetSecondsText(const std::string& text);
    void SetMillisecondsText(const std::string& text);
    // "seconds.milliseconds"; the digits after the point are a number, not a
    // fraction ("5.7" is 7 ms). What cannot be read becomes 0.
    void SetFromText(std::string_view text);

    // Milliseconds from this value to a later one; KV_E_FAIL with 0 when the
    // other is earlier. MillisecondsUntil also fails with 0 when the
    // difference does not fit 32 bits.
    KvResult MillisecondsUntil64(std::uint64_t& out, const TimeDate& later);
    KvResult MillisecondsUntil(std::uint32_t& out, const TimeDate& later);

private:
    std::uint64_t TotalMilliseconds() const;

    KvResult result_ = KV_OK;
    std::uint32_t seconds_ = 0;
    std::uint32_t spare1_ = 0; // the further words; part of the emptiness test
    std::uint32_t milliseconds_ = 0;
    std::uint32_t spare2_ = 0;
};

// The broken-down local time, as nine signed 32-bit numbers.
struct LocalTime {
    std::int32_t seconds = 0;
    std::int32_t minutes = 0;
    std::int32_t hours = 0;
    std::int32_t day_of_month = 0;
    std::int32_t month = 0; // 0 to 11
    std::int32_t years_since_1900 = 0;
    std::int32_t day_of_week = 0;
    std::int32_t day_of_year = 0;
    std::int32_t daylight_saving = 0;
};

class TimeStamp : public KvObject {
public:
    TimeStamp() { SetNow(); }

    // Reads the calendar clock (with milliseconds and time zone) and breaks
    // its seconds down into local time; all zero when they cannot be.
    void SetNow();

    const WallTime& GetTime() const { return time_; }
    const LocalTime& GetLocalTime() const { return local_time_; }

private:
    WallTime time_;
    LocalTime local_time_;
};
