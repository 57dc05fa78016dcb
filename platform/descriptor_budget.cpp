#include "platform/descriptor_budget.h"

#include <algorithm>
#include <cstdint>
#include <sys/resource.h>
#include <unistd.h>

DescriptorBudget& DescriptorBudget::Get() {
    static DescriptorBudget budget;
    return budget;
}

std::size_t DescriptorBudget::Capacity() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return SIZE_MAX / 2;
    const auto soft = static_cast<std::uint64_t>(limit.rlim_cur);
    const std::uint64_t usable = soft > kSpareDescriptors * 2 ? soft - kSpareDescriptors : soft / 2;
    return static_cast<std::size_t>(std::max<std::uint64_t>(usable, 1));
}

bool DescriptorBudget::TryTakeForAccept() {
    return TryTake(wanted_by_sends_.load());
}

bool DescriptorBudget::TryTakeForSend() {
    return TryTake(0);
}

bool DescriptorBudget::TryTake(std::size_t keep) {
    const std::size_t capacity = Capacity();
    std::size_t used = in_use_.load();
    do {
        if (used + keep >= capacity)
            return false;
    } while (!in_use_.compare_exchange_weak(used, used + 1));
    return true;
}

void DescriptorBudget::Give() {
    in_use_.fetch_sub(1);
    if (wanted_by_sends_.load() == 0)
        return;
    std::lock_guard lock(watchers_mutex_);
    for (int fd : watchers_) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(fd, &one, sizeof one);
    }
}

void DescriptorBudget::AddWantedBySends(std::size_t count) {
    wanted_by_sends_.fetch_add(count);
}

void DescriptorBudget::RemoveWantedBySends(std::size_t count) {
    wanted_by_sends_.fetch_sub(count);
}

void DescriptorBudget::Watch(int event_fd) {
    std::lock_guard lock(watchers_mutex_);
    watchers_.push_back(event_fd);
}

void DescriptorBudget::Unwatch(int event_fd) {
    std::lock_guard lock(watchers_mutex_);
    std::erase(watchers_, event_fd);
}
