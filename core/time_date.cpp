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

void TimeDate::SetFromText(std::string_view text) {
    // "seconds.milliseconds", each part trimmed, anything after a second '.'
    // ignored; the text ends at a zero byte, as it did when it was a C string.
    std::string_view rest = text.substr(0, text.find('\0'));
    const std::size_t dot = rest.find('.');
    seconds_ = ParseUInt32(TrimmedView(rest.substr(0, dot)), 10);
    if (dot == std::string_view::npos) {
        milliseconds_ = 0;
        return;
    }
    rest.remove_prefix(dot + 1);
    milliseconds_ = ParseUInt32(TrimmedView(rest.substr(0, rest.find('.'))), 10);
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
