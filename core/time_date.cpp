#include "core/time_date.h"

#include "platform/number_parse.h"
#include "platform/text.h"

#include <ctime>
#include <string_view>

TimeDate::TimeDate(const TimeDate& other)
    : seconds_(other.seconds_), spare1_(other.spare1_), milliseconds_(other.milliseconds_),
      spare2_(other.spare2_) {}

TimeDate& TimeDate::operator=(const TimeDate& other) {
    seconds_ = other.seconds_;
    spare1_ = other.spare1_;
    milliseconds_ = other.milliseconds_;
    spare2_ = other.spare2_;
    return *this;
}

void TimeDate::Clear() {
    result_ = KV_OK;
    seconds_ = 0;
    spare1_ = 0;
    milliseconds_ = 0;
    spare2_ = 0;
}

bool TimeDate::IsEmpty() const {
    return seconds_ == 0 && spare1_ == 0 && milliseconds_ == 0 && spare2_ == 0;
}

bool TimeDate::operator<(const TimeDate& other) const {
    if (seconds_ != other.seconds_)
        return seconds_ < other.seconds_;
    return milliseconds_ < other.milliseconds_;
}

bool TimeDate::operator==(const TimeDate& other) const {
    return seconds_ == other.seconds_ && milliseconds_ == other.milliseconds_;
}

void TimeDate::AddMillisecond() {
    if (milliseconds_ >= 999) {
        milliseconds_ = 0;
        ++seconds_;
        return;
    }
    ++milliseconds_;
}

KvResult TimeDate::GetNow(std::uint32_t& seconds, std::uint32_t& milliseconds) {
    const WallTime now = GetClock().Now();
    // Modulo 2^32, as the 32-bit field has always wrapped.
    seconds = static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.seconds) +
                                         kSecondsFrom1900To1970);
    milliseconds = now.milliseconds;
    result_ = KV_OK;
    return result_;
}

KvResult TimeDate::SetNow() {
    return GetNow(seconds_, milliseconds_);
}

std::string& TimeDate::GetText(std::string& out) const {
    out = Format("%u.%03u", seconds_, milliseconds_);
    return out;
}

std::string& TimeDate::GetSecondsText(std::string& out) const {
    AssignUnsigned(out, seconds_);
    return out;
}

std::string& TimeDate::GetMillisecondsText(std::string& out) const {
    out = Format("%03u", milliseconds_);
    return out;
}

void TimeDate::SetSecondsText(const std::string& text) {
    seconds_ = ParseUInt32(text, 10);
}

void TimeDate::SetMillisecondsText(const std::string& text) {
    milliseconds_ = ParseUInt32(text, 10);
}

namespace {

// A part of "seconds.milliseconds" as ParseUInt32 reads it after trimming.
// Seconds since 1900 take ten digits, one more than ParseUInt32's quick path
// takes, so plain digits are read here.
std::uint32_t TimeDatePart(std::string_view part) {
    if (!part.empty() && part.size() <= 10) {
        std::uint64_t value = 0;
        bool digits = true;
        for (const char c : part) {
            const auto digit = static_cast<std::uint32_t>(static_cast<unsigned char>(c) - '0');
            if (digit > 9) {
                digits = false;
                break;
            }
            value = value * 10 + digit;
        }
        if (digits)
            return value > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<std::uint32_t>(value);
    }
    return ParseUInt32(TrimmedView(part), 10);
}

// Where the part from `from` ends: at a '.', a zero byte or the end.
std::size_t TimeDatePartEnd(std::string_view text, std::size_t from) {
    while (from < text.size() && text[from] != '.' && text[from] != '\0')
        ++from;
    return from;
}

} // namespace

void TimeDate::SetFromText(std::string_view text) {
    // "seconds.milliseconds", each part trimmed, anything after a second '.'
    // ignored; the text ends at a zero byte, as it did when it was a C string.
    const std::size_t dot = TimeDatePartEnd(text, 0);
    seconds_ = TimeDatePart(text.substr(0, dot));
    if (dot == text.size() || text[dot] != '.') {
        milliseconds_ = 0;
        return;
    }
    const std::size_t end = TimeDatePartEnd(text, dot + 1);
    milliseconds_ = TimeDatePart(text.substr(dot + 1, end - dot - 1));
}

std::uint64_t TimeDate::TotalMilliseconds() const {
    return std::uint64_t{seconds_} * 1000 + milliseconds_;
}

KvResult TimeDate::MillisecondsUntil64(std::uint64_t& out, const TimeDate& later) {
    const std::uint64_t from = TotalMilliseconds();
    const std::uint64_t to = later.TotalMilliseconds();
    if (from > to) {
        out = 0;
        result_ = KV_E_FAIL;
        return result_;
    }
    out = to - from;
    result_ = KV_OK;
    return result_;
}

KvResult TimeDate::MillisecondsUntil(std::uint32_t& out, const TimeDate& later) {
    out = 0;
    std::uint64_t difference = 0;
    if (MillisecondsUntil64(difference, later) != KV_OK)
        return result_;
    if (difference > 0xFFFFFFFFull) {
        result_ = KV_E_FAIL;
        return result_;
    }
    out = static_cast<std::uint32_t>(difference);
    return result_;
}

void TimeStamp::SetNow() {
    Clock& clock = GetClock();
    time_ = clock.Now();
    std::tm local{};
    if (!clock.ToLocalTime(time_.seconds, local)) {
        local_time_ = LocalTime{};
        return;
    }
    local_time_.seconds = local.tm_sec;
    local_time_.minutes = local.tm_min;
    local_time_.hours = local.tm_hour;
    local_time_.day_of_month = local.tm_mday;
    local_time_.month = local.tm_mon;
    local_time_.years_since_1900 = local.tm_year;
    local_time_.day_of_week = local.tm_wday;
    local_time_.day_of_year = local.tm_yday;
    local_time_.daylight_saving = local.tm_isdst;
}
