#pragma once
// An interval timer that its owner polls; nothing calls back. Readings are
// 32-bit and compared as signed 32-bit differences, so the timer keeps working
// across the wrap of the tick or the seconds counter.

#include <cstdint>

class TimeoutTimer {
public:
    enum State : std::uint32_t {
        kIdle = 0,
        kExpired = 1,
        kStopped = 2,
        kRunning = 3,
    };

    // Clock kind 0 reads millisecond ticks; any other kind reads calendar seconds.
    explicit TimeoutTimer(std::uint32_t id = 0, std::uint32_t clock_kind = 0)
        : id_(id), clock_kind_(clock_kind) {}

    void SetInterval(std::uint32_t seconds, std::uint32_t milliseconds);
    void Start();
    void Restart(std::uint32_t seconds, std::uint32_t milliseconds);
    // Expires at once, whatever the state.
    void Expire();
    // 1 when the timer was running; the last reading is taken either way.
    std::int32_t Stop();
    // 1 on the poll at which a running timer's interval has elapsed, else 0.
    std::int32_t CheckExpired();
    // Back to idle; readings and interval are kept.
    void Deactivate() { state_ = kIdle; }

    bool IsRunning() const { return state_ == kRunning; }
    bool IsStopped() const { return state_ == kStopped; }
    bool IsExpired() const { return state_ == kExpired; }

    void SetClockKind(std::uint32_t clock_kind) { clock_kind_ = clock_kind; }

    std::uint32_t GetId() const { return id_; }
    std::uint32_t GetState() const { return state_; }
    std::uint32_t GetStart() const { return start_; }
    std::uint32_t GetLast() const { return last_; }
    std::int32_t GetInterval() const { return interval_; }
    std::uint32_t GetClockKind() const { return clock_kind_; }

private:
    std::uint32_t Now() const;

    std::uint32_t id_ = 0;
    std::uint32_t start_ = 0;
    std::uint32_t last_ = 0;
    // Signed: the seconds kind compares against interval / 1000 with signed
    // division, so an interval under one second expires at the first poll.
    std::int32_t interval_ = 0;
    std::uint32_t state_ = kIdle;
    std::uint32_t clock_kind_ = 0;
};
