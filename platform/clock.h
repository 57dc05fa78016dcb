#pragma once
// The replaceable clock. Every reading of time in the system goes through
// GetClock(), so that tests can drive 20-second and 300-second waits without
// waiting.

#include <atomic>
#include <cstdint>
#include <ctime>
#include <mutex>

// One reading of the calendar clock, as the original's _ftime64 gives it.
struct WallTime {
    std::int64_t seconds = 0;         // since 1970-01-01 00:00 UTC
    std::uint16_t milliseconds = 0;   // 0 to 999
    std::int16_t minutes_west = 0;    // time zone, minutes west of UTC
    std::int16_t daylight_saving = 0; // non-zero while daylight-saving time applies
};

class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic milliseconds truncated to 32 bits; differences are taken as
    // signed 32-bit numbers, so the wrap is harmless.
    virtual std::uint32_t TickMs() = 0;
    // Calendar seconds since 1970, as time() gives them.
    virtual std::int64_t Seconds() = 0;
    // Calendar seconds and milliseconds from one reading.
    virtual WallTime Now() = 0;
    // The local-time breakdown of calendar seconds; false when they cannot be
    // broken down.
    virtual bool ToLocalTime(std::int64_t seconds, std::tm& out) = 0;
    // Waits the milliseconds; by default in real time.
    virtual void Sleep(std::uint32_t milliseconds);
};

// The operating system's clocks.
class SystemClock final : public Clock {
public:
    std::uint32_t TickMs() override;
    std::int64_t Seconds() override;
    WallTime Now() override;
    bool ToLocalTime(std::int64_t seconds, std::tm& out) override;
};

// A clock that moves only when told to; local time is UTC. Thread-safe.
class ManualClock final : public Clock {
public:
    ManualClock() = default;
    explicit ManualClock(std::int64_t seconds, std::uint16_t milliseconds = 0,
                         std::uint32_t tick = 0);

    std::uint32_t TickMs() override;
    std::int64_t Seconds() override;
    WallTime Now() override;
    bool ToLocalTime(std::int64_t seconds, std::tm& out) override;
    // Returns at once, the clock moved on by the milliseconds.
    void Sleep(std::uint32_t milliseconds) override { Advance(milliseconds); }

    // Moves the tick and the calendar clock forward together.
    void Advance(std::uint32_t milliseconds);
    void SetTick(std::uint32_t tick);
    void SetWallTime(std::int64_t seconds, std::uint16_t milliseconds);
    void SetTimeZone(std::int16_t minutes_west, std::int16_t daylight_saving);

private:
    mutable std::mutex mutex_;
    std::uint32_t tick_ = 0;
    std::int64_t wall_ms_ = 0; // calendar milliseconds since 1970
    std::int16_t minutes_west_ = 0;
    std::int16_t daylight_saving_ = 0;
};

// The clock in use; the system clock unless a test installed another.
Clock& GetClock();
// Installs a clock (null restores the system clock). The clock must outlive
// its installation.
void SetClock(Clock* clock);

// Sleep on the clock in use: a test's manual clock moves on instead.
inline void ClockSleep(std::uint32_t milliseconds) { GetClock().Sleep(milliseconds); }

// Installs a clock for the lifetime of the guard.
class ScopedClock {
public:
    explicit ScopedClock(Clock& clock) { SetClock(&clock); }
    ~ScopedClock() { SetClock(nullptr); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;
};
