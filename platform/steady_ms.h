#pragma once
// Real time for the socket loops' deadlines: a connection's time-out is the
// peer's time, not the replaceable clock's.

#include <algorithm>
#include <chrono>
#include <cstdint>

inline std::int64_t SteadyNowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// An epoll wait until when_ms, at most a minute: rounded up, so that the
// wake-up is not before the deadline.
inline int MillisecondsUntil(std::int64_t when_ms, std::int64_t now_ms) {
    if (when_ms <= now_ms)
        return 0;
    return static_cast<int>(std::min<std::int64_t>(when_ms - now_ms + 1, 60000));
}
