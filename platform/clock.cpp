#include "platform/clock.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#if defined(__x86_64__)
#include <cpuid.h>
#include <x86intrin.h>
#endif

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

#if defined(__x86_64__)
// Every post stamps its message with the tick, and a reading of
// CLOCK_MONOTONIC costs more than the rest of a post's stamping. Where the
// time-stamp counter runs at one rate on every core (and the kernel keeps
// time with it), a thread keeps the tick it read last together with the
// counter value up to which that tick cannot have changed, and answers from
// it: the same tick, for a counter read.
bool CounterIsUsable() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    // The invariant counter: constant rate, running in every sleep state.
    if (__get_cpuid(0x80000007u, &eax, &ebx, &ecx, &edx) == 0 || (edx & (1u << 8)) == 0)
        return false;
    std::FILE* file =
        std::fopen("/sys/devices/system/clocksource/clocksource0/current_clocksource", "r");
    if (file == nullptr)
        return false;
    char source[32] = {};
    const bool read = std::fgets(source, sizeof source, file) != nullptr;
    std::fclose(file);
    return read && std::strncmp(source, "tsc", 3) == 0 && (source[3] == '\n' || source[3] == 0);
}

// Counter cycles per microsecond, rounded down and less a margin for the
// error of its measurement and for the clock's slewing; 0 until measured.
std::atomic<std::uint64_t> cycles_per_us{0};

struct TickCache {
    std::uint64_t since = 0; // counter when the tick was read
    std::uint64_t until = 0; // counter before which the tick still holds
    std::uint32_t tick = 0;
    // The first reading of this thread, to measure the counter's rate.
    std::uint64_t first_ns = 0;
    std::uint64_t first_counter = 0;
};

thread_local TickCache tick_cache;

std::uint32_t CachedTickMs() {
    static const bool usable = CounterIsUsable();
    if (!usable)
        return TickOf(MonotonicNs());
    TickCache& cache = tick_cache;
    const std::uint64_t counter = __rdtsc();
    if (counter >= cache.since && counter < cache.until)
        return cache.tick;
    // The counter is read before the clock: the window starts no later than
    // the clock's reading.
    const std::uint64_t ns = MonotonicNs();
    cache.since = counter;
    cache.tick = TickOf(ns);
    std::uint64_t rate = cycles_per_us.load(std::memory_order_relaxed);
    // The rate is measured only from readings of the clock that nothing
    // delayed between the counter reads around them: a thread paused there
    // would make the counter look faster than it runs.
    constexpr std::uint64_t kPairedCycles = 1u << 16;
    if (rate == 0 && __rdtsc() - counter < kPairedCycles) {
        constexpr std::uint64_t kMeasureNs = 2000000;
        if (cache.first_ns == 0) {
            cache.first_ns = ns;
            cache.first_counter = counter;
        } else if (ns - cache.first_ns >= kMeasureNs && counter > cache.first_counter) {
            const std::uint64_t measured =
                (counter - cache.first_counter) * 1000u / (ns - cache.first_ns);
            rate = measured - measured / 16;
            cycles_per_us.store(rate, std::memory_order_relaxed);
        }
    }
    const std::uint64_t left_ns = 1000000u - ns % 1000000u;
    cache.until = rate == 0 ? counter : counter + left_ns * rate / 1000u;
    return cache.tick;
}
#else
std::uint32_t CachedTickMs() {
    return TickOf(MonotonicNs());
}
#endif

// Stamping a record breaks the calendar clock down to local time, and
// localtime_r costs more than the rest of the stamp. A thread keeps the last
// second it broke down with its breakdown: within one second the answer is
// the same, and localtime_r does not re-read the zone either.
struct LocalTimeCache {
    bool valid = false;
    bool broken_down = false;
    time_t seconds = 0;
    std::tm local{};
};

thread_local LocalTimeCache local_time_cache;

const std::tm* CachedLocalTime(time_t seconds) {
    LocalTimeCache& cache = local_time_cache;
    if (!cache.valid || cache.seconds != seconds) {
        cache.broken_down = localtime_r(&seconds, &cache.local) != nullptr;
        cache.seconds = seconds;
        cache.valid = true;
    }
    return cache.broken_down ? &cache.local : nullptr;
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

std::uint32_t SystemClock::TickMs() {
    return CachedTickMs();
}

std::int64_t SystemClock::Seconds() { return static_cast<std::int64_t>(std::time(nullptr)); }

WallTime SystemClock::Now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    WallTime wall;
    wall.seconds = static_cast<std::int64_t>(now.tv_sec);
    wall.milliseconds = static_cast<std::uint16_t>(now.tv_nsec / 1000000);
    if (const std::tm* local = CachedLocalTime(now.tv_sec)) {
        wall.minutes_west = static_cast<std::int16_t>(-local->tm_gmtoff / 60);
        wall.daylight_saving = static_cast<std::int16_t>(local->tm_isdst > 0 ? 1 : 0);
    }
    return wall;
}

bool SystemClock::ToLocalTime(std::int64_t seconds, std::tm& out) {
    const std::tm* local = CachedLocalTime(static_cast<time_t>(seconds));
    if (local == nullptr)
        return false;
    out = *local;
    return true;
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
