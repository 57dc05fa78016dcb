#pragma once
// The timers of one owner, kept under numeric ids. Running and stopped timers
// sit on the active list, idle and expired ones on the idle list, and five
// counters follow their states. Ids need not be unique; a lookup takes the
// first timer with the id. Owned by one thread; no locking.

#include "core/timeout_timer.h"

#include <cstdint>
#include <list>
#include <memory>
#include <vector>

class TimerList {
public:
    TimerList() = default;
    TimerList(const TimerList& other);
    TimerList(TimerList&& other) noexcept;
    TimerList& operator=(const TimerList& other);
    TimerList& operator=(TimerList&& other) noexcept;
    ~TimerList() { RemoveAll(); }

    // A new idle ticks timer with the interval. The list keeps it; the caller
    // may read it but changes it only through the list, which keeps the
    // counters true.
    const TimeoutTimer* Add(std::uint32_t id, std::uint32_t seconds, std::uint32_t milliseconds);
    // Files a timer by its state and takes it over; null is ignored.
    void Insert(std::unique_ptr<TimeoutTimer> timer);
    // The first timer with the id on the idle list, else on the active list.
    const TimeoutTimer* Find(std::uint32_t id) const;

    std::int32_t SetInterval(std::uint32_t id, std::uint32_t seconds, std::uint32_t milliseconds);
    std::int32_t Restart(std::uint32_t id, std::uint32_t seconds, std::uint32_t milliseconds);
    // Starts every idle timer with the id; without one, starts the first active
    // timer with the id again from now. 1 when a timer with the id exists.
    std::int32_t Start(std::uint32_t id);
    std::int32_t Stop(std::uint32_t id);
    bool IsRunning(std::uint32_t id) const;
    std::int32_t CheckExpired(std::uint32_t id);
    // Polls every active timer; the result is the number of expired timers
    // held, including those that expired before this pass.
    std::int32_t CheckAllExpired();
    // Every timer becomes idle, expired ones included.
    void DeactivateAll();
    void RemoveAll();

    std::int32_t GetCount() const { return all_; }
    std::int32_t GetActiveCount() const { return active_count_; }
    std::int32_t GetRunningCount() const { return running_; }
    std::int32_t GetStoppedCount() const { return stopped_; }
    std::int32_t GetExpiredCount() const { return expired_; }

    // The timers of each list, in list order.
    std::vector<const TimeoutTimer*> GetIdleTimers() const { return View(idle_); }
    std::vector<const TimeoutTimer*> GetActiveTimers() const { return View(active_); }

private:
    // The timers themselves, one allocation each; a timer keeps its address
    // while it moves between the lists (splice).
    using Timers = std::list<TimeoutTimer>;

    static Timers::iterator FindIn(Timers& timers, std::uint32_t id);
    static Timers::const_iterator FindIn(const Timers& timers, std::uint32_t id);
    TimeoutTimer* FindTimer(std::uint32_t id);
    static std::vector<const TimeoutTimer*> View(const Timers& timers);
    void CopyFrom(const TimerList& other);
    // Files the timer on the list its state calls for and counts it.
    TimeoutTimer& File(TimeoutTimer&& timer);
    // Polls one active timer and files it on the idle list when it expires.
    std::int32_t CheckActive(Timers::iterator position);
    void ClearCounters();

    Timers idle_;
    Timers active_;
    std::int32_t all_ = 0;
    std::int32_t active_count_ = 0;
    std::int32_t running_ = 0;
    std::int32_t stopped_ = 0;
    std::int32_t expired_ = 0;
};
