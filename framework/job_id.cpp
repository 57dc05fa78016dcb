#include "framework/job_id.h"

#include <atomic>

namespace {

// A function-local static, so that it outlives every router and catalog.
std::atomic<std::uint32_t>& JobIdCounter() {
    static std::atomic<std::uint32_t> counter{1};
    return counter;
}

} // namespace

std::uint32_t TakeNextJobId() {
    std::atomic<std::uint32_t>& counter = JobIdCounter();
    std::uint32_t current = counter.load(std::memory_order_relaxed);
    while (!counter.compare_exchange_weak(current, JobIdFollowing(current),
                                          std::memory_order_relaxed)) {
    }
    return JobIdFollowing(current);
}
