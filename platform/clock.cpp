#include "platform/clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace {

std::atomic<Clock*>& InstalledClock() {
    static std::atomic<Clock*> installed{nullptr};
    return installed;
}

SystemClock& TheSystemClock() {
    static SystemClock system_clock;
    return system_clock;
}

std::uint64_t MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000000u +
           static_cast<std::uint64_t>(now.tv_nsec);
}

std::uint32_t TickOf(std::uint64_t ns) {
    return static_cast<std::uint32_t>(ns / 1000000u);
}

} // namespace

Clock& GetClock() {
    Clock* clock = InstalledClock().load(std::memory_order_acquire);
    return clock ? *clock : TheSystemClock();
}

void Clock::Sleep(std::uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void SetClock(Clock* clock) { InstalledClock().store(clock, std::memory_order_release); }

std::uint32_t SystemClock::TickMs() { return TickOf(MonotonicNs()); }

std::int64_t SystemClock::Seconds() { return static_cast<std::int64_t>(std::time(nullptr)); }

WallTime SystemClock::Now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    WallTime wall;
    wall.seconds = static_cast<std::int64_t>(now.tv_sec);
    wall.milliseconds = static_cast<std::uint16_t>(now.tv_nsec / 1000000);
    std::tm local{};
    if (localtime_r(&now.tv_sec, &local) != nullptr) {
        wall.minutes_west = static_cast<std::int16_t>(-local.tm_gmtoff / 60);
        wall.daylight_saving = static_cast<std::int16_t>(local.tm_isdst > 0 ? 1 : 0);
    }
    return wall;
}

bool SystemClock::ToLocalTime(std::int64_t seconds, std::tm& out) {
    const time_t when = static_cast<time_t>(seconds);
    return localtime_r(&when, &out) != nullptr;
}

ManualClock::ManualClock(std::int64_t seconds, std::uint16_t milliseconds, std::uint32_t tick)
    : tick_(tick), wall_ms_(seconds * 1000 + milliseconds) {}

std::uint32_t ManualClock::TickMs() {
    std::lock_guard lock(mutex_);
    return tick_;
}

std::int64_t ManualClock::Seconds() {
    std::lock_guard lock(mutex_);
    return wall_ms_ >= 0 ? wall_ms_ / 1000 : (wall_ms_ - 999) / 1000;
}

WallTime ManualClock::Now() {
    std::lock_guard lock(mutex_);
    WallTime wall;
    wall.seconds = wall_ms_ >= 0 ? wall_ms_ / 1000 : (wall_ms_ - 999) / 1000;
    wall.milliseconds = static_cast<std::uint16_t>(wall_ms_ - wall.seconds * 1000);
    wall.minutes_west = minutes_west_;
    wall.daylight_saving = daylight_saving_;
    return wall;
}

bool ManualClock::ToLocalTime(std::int64_t seconds, std::tm& out) {
    std::int16_t minutes_west;
    {
        std::lock_guard lock(mutex_);
        minutes_west = minutes_west_;
    }
    const auto value = static_cast<time_t>(seconds - std::int64_t{minutes_west} * 60);
    return gmtime_r(&value, &out) != nullptr;
}

void ManualClock::Advance(std::uint32_t milliseconds) {
    std::lock_guard lock(mutex_);
    tick_ += milliseconds;
    wall_ms_ += milliseconds;
}

void ManualClock::SetTick(std::uint32_t tick) {
    std::lock_guard lock(mutex_);
    tick_ = tick;
}

void ManualClock::SetWallTime(std::int64_t seconds, std::uint16_t milliseconds) {
    std::lock_guard lock(mutex_);
    wall_ms_ = seconds * 1000 + milliseconds;
}

void ManualClock::SetTimeZone(std::int16_t minutes_west, std::int16_t daylight_saving) {
    std::lock_guard lock(mutex_);
    minutes_west_ = minutes_west;
    daylight_saving_ = daylight_saving;
}
