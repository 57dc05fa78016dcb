#include "core/timer_list.h"

#include "platform/pointer.h"

#include <algorithm>

TimerList::TimerList(const TimerList& other) {
    CopyFrom(other);
}

TimerList::TimerList(TimerList&& other) noexcept {
    *this = std::move(other);
}

TimerList& TimerList::operator=(const TimerList& other) {
    // Self-assignment would delete the timers it is about to copy.
    if (this == &other)
        return *this;
    RemoveAll();
    CopyFrom(other);
    return *this;
}

TimerList& TimerList::operator=(TimerList&& other) noexcept {
    if (this == &other)
        return *this;
    RemoveAll();
    idle_.splice(idle_.end(), other.idle_);
    active_.splice(active_.end(), other.active_);
    all_ = other.all_;
    active_count_ = other.active_count_;
    running_ = other.running_;
    stopped_ = other.stopped_;
    expired_ = other.expired_;
    other.ClearCounters();
    return *this;
}

void TimerList::CopyFrom(const TimerList& other) {
    for (const auto& timer : other.idle_)
        File(TimeoutTimer(timer));
    for (const auto& timer : other.active_)
        File(TimeoutTimer(timer));
}

const TimeoutTimer* TimerList::Add(std::uint32_t id, std::uint32_t seconds,
                                   std::uint32_t milliseconds) {
    TimeoutTimer& added = File(TimeoutTimer(id, 0));
    added.SetInterval(seconds, milliseconds);
    return &added;
}

void TimerList::Insert(std::unique_ptr<TimeoutTimer> timer) {
    if (!IsValidPtr(timer.get()))
        return;
    File(std::move(*timer));
}

TimeoutTimer& TimerList::File(TimeoutTimer&& timer) {
    ++all_;
    if (timer.IsRunning() || timer.IsStopped()) {
        ++active_count_;
        ++(timer.IsRunning() ? running_ : stopped_);
        return active_.emplace_back(std::move(timer));
    }
    if (timer.IsExpired())
        ++expired_;
    return idle_.emplace_back(std::move(timer));
}

TimerList::Timers::iterator TimerList::FindIn(Timers& timers, std::uint32_t id) {
    return std::find_if(timers.begin(), timers.end(),
                        [id](const auto& timer) { return timer.GetId() == id; });
}

TimerList::Timers::const_iterator TimerList::FindIn(const Timers& timers, std::uint32_t id) {
    return std::find_if(timers.begin(), timers.end(),
                        [id](const auto& timer) { return timer.GetId() == id; });
}

std::vector<const TimeoutTimer*> TimerList::View(const Timers& timers) {
    std::vector<const TimeoutTimer*> view;
    view.reserve(timers.size());
    for (const auto& timer : timers)
        view.push_back(&timer);
    return view;
}

const TimeoutTimer* TimerList::Find(std::uint32_t id) const {
    auto idle = FindIn(idle_, id);
    if (idle != idle_.end())
        return &*idle;
    auto active = FindIn(active_, id);
    return active != active_.end() ? &*active : nullptr;
}

TimeoutTimer* TimerList::FindTimer(std::uint32_t id) {
    auto idle = FindIn(idle_, id);
    if (idle != idle_.end())
        return &*idle;
    auto active = FindIn(active_, id);
    return active != active_.end() ? &*active : nullptr;
}

std::int32_t TimerList::SetInterval(std::uint32_t id, std::uint32_t seconds,
                                    std::uint32_t milliseconds) {
    TimeoutTimer* timer = FindTimer(id);
    if (!timer)
        return 0;
    timer->SetInterval(seconds, milliseconds);
    return 1;
}

std::int32_t TimerList::Restart(std::uint32_t id, std::uint32_t seconds,
                                std::uint32_t milliseconds) {
    if (!SetInterval(id, seconds, milliseconds))
        return 0;
    return Start(id);
}

std::int32_t TimerList::Start(std::uint32_t id) {
    bool moved = false;
    for (auto it = idle_.begin(); it != idle_.end();) {
        auto next = std::next(it);
        TimeoutTimer& timer = *it;
        if (timer.GetId() == id) {
            if (timer.IsExpired())
                --expired_;
            active_.splice(active_.end(), idle_, it);
            timer.Start();
            ++active_count_;
            ++running_;
            moved = true;
        }
        it = next;
    }
    if (moved)
        return 1;

    auto active = FindIn(active_, id);
    if (active == active_.end())
        return 0;
    TimeoutTimer& timer = *active;
    if (timer.IsStopped()) {
        --stopped_;
        ++running_;
    }
    timer.Start();
    return 1;
}

std::int32_t TimerList::Stop(std::uint32_t id) {
    auto active = FindIn(active_, id);
    if (active == active_.end())
        return 0;
    if (!active->Stop())
        return 0;
    --running_;
    ++stopped_;
    return 1;
}

bool TimerList::IsRunning(std::uint32_t id) const {
    auto active = FindIn(active_, id);
    return active != active_.end() && active->IsRunning();
}

std::int32_t TimerList::CheckActive(Timers::iterator position) {
    if (!position->CheckExpired())
        return 0;
    ++expired_;
    --active_count_;
    --running_;
    idle_.splice(idle_.end(), active_, position);
    return 1;
}

std::int32_t TimerList::CheckExpired(std::uint32_t id) {
    auto active = FindIn(active_, id);
    if (active == active_.end())
        return 0;
    return CheckActive(active);
}

std::int32_t TimerList::CheckAllExpired() {
    for (auto it = active_.begin(); it != active_.end();) {
        auto next = std::next(it);
        CheckActive(it);
        it = next;
    }
    return expired_;
}

void TimerList::DeactivateAll() {
    idle_.splice(idle_.end(), active_);
    // Expired timers become idle too, so that the expired counter can drop to
    // 0 and still tell the truth.
    for (auto& timer : idle_)
        timer.Deactivate();
    active_count_ = running_ = stopped_ = expired_ = 0;
}

void TimerList::RemoveAll() {
    DeactivateAll();
    idle_.clear();
    ClearCounters();
}

void TimerList::ClearCounters() {
    all_ = active_count_ = running_ = stopped_ = expired_ = 0;
}
