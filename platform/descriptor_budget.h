#pragma once
// The descriptors that network connections may use, shared by the text
// listener's accepted connections and the host's sends: the soft descriptor
// limit less kSpareDescriptors, which stay for everything else (files, pipes,
// the loops' own descriptors). Whoever opens a connection takes one first and
// gives it back when the connection is closed, so that neither side fails an
// accept or a connect for want of a descriptor the other used.
//
// Sends come first: while a send waits for a descriptor, the listener takes
// none, and every descriptor given back wakes the watchers.
//
// Threads: any thread.

#include <atomic>
#include <cstddef>
#include <mutex>
#include <vector>

class DescriptorBudget {
public:
    static constexpr std::size_t kSpareDescriptors = 64;

    // The process's budget.
    static DescriptorBudget& Get();
    // The soft limit less the spare (half the soft limit when that is below
    // twice the spare), read now.
    static std::size_t Capacity();

    // A descriptor for an accepted connection; false when none is left or a
    // send waits for one.
    bool TryTakeForAccept();
    // A descriptor for a send; false when none is left.
    bool TryTakeForSend();
    void Give();
    // The sends waiting for a descriptor, told by their owner.
    void AddWantedBySends(std::size_t count);
    void RemoveWantedBySends(std::size_t count);
    std::size_t InUse() const { return in_use_.load(); }
    std::size_t WantedBySends() const { return wanted_by_sends_.load(); }

    // An eventfd signalled whenever a descriptor is given back.
    void Watch(int event_fd);
    void Unwatch(int event_fd);

private:
    bool TryTake(std::size_t keep);

    std::atomic<std::size_t> in_use_{0};
    std::atomic<std::size_t> wanted_by_sends_{0};
    std::mutex watchers_mutex_;
    std::vector<int> watchers_;
};
