#include "core/timeout_timer.h"

#include "platform/clock.h"

std::uint32_t TimeoutTimer::Now() const {
    Clock& clock = GetClock();
    if (clock_kind_ != 0)
        return static_cast<std::uint32_t>(clock.Seconds());
    return clock.TickMs();
}

void TimeoutTimer::SetInterval(std::uint32_t seconds, std::uint32_t milliseconds) {
    interval_ = static_cast<std::int32_t>(seconds * 1000u + milliseconds);
}

void TimeoutTimer::Start() {
    start_ = last_ = Now();
    state_ = kRunning;
}

void TimeoutTimer::Restart(std::uint32_t seconds, std::uint32_t milliseconds) {
    SetInterval(seconds, milliseconds);
    Start();
}

void TimeoutTimer::Expire() {
    last_ = Now();
    state_ = kExpired;
}

std::int32_t TimeoutTimer::Stop() {
    last_ = Now();
    if (state_ != kRunning)
        return 0;
    state_ = kStopped;
    return 1;
}

std::int32_t TimeoutTimer::CheckExpired() {
    if (state_ != kRunning)
        return 0;
    last_ = Now();
    const auto elapsed = static_cast<std::int32_t>(last_ - start_);
    const std::int32_t limit = clock_kind_ != 0 ? interval_ / 1000 : interval_;
    if (elapsed < limit)
        return 0;
    state_ = kExpired;
    return 1;
}
