#pragma once
// The process-wide job-id counter. Routers issue job ids from it and the GUI
// description catalog numbers its descriptions from it, so an id is never
// handed out twice in one process (until the counter wraps).

#include <cstdint>

// Advances the counter and returns the new id. Thread-safe; needs no router.
std::uint32_t TakeNextJobId();

// The id that follows current: 0 and 1 are skipped after a wrap.
constexpr std::uint32_t JobIdFollowing(std::uint32_t current) {
    const std::uint32_t next = current + 1;
    return next == 0 ? 2 : next;
}
