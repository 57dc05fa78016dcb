#include "platform/message_queue.h"

#include "platform/clock.h"

#include <algorithm>
#include <atomic>
#include <chrono>

namespace {

constexpr std::size_t kInitialCapacity = 64;

std::atomic<std::uint64_t>& CursorPos() {
    static std::atomic<std::uint64_t> position{0};
    return position;
}

// Stamps a message with the tick and cursor of the moment it was queued.
void Stamp(ThreadMessage& message) {
    message.time = GetClock().TickMs();
    message.pt = GetMessageCursorPos();
}

} // namespace

void SetMessageCursorPos(POINT position) {
    CursorPos().store((std::uint64_t{static_cast<std::uint32_t>(position.x)} << 32) |
                          static_cast<std::uint32_t>(position.y),
                      std::memory_order_relaxed);
}

POINT GetMessageCursorPos() {
    const std::uint64_t packed = CursorPos().load(std::memory_order_relaxed);
    return POINT{static_cast<LONG>(static_cast<std::uint32_t>(packed >> 32)),
                 static_cast<LONG>(static_cast<std::uint32_t>(packed))};
}

MessageQueue::MessageQueue() : ring_(kInitialCapacity) {}

bool MessageQueue::Post(const ThreadMessage& message) {
    ThreadMessage stamped = message;
    Stamp(stamped);
    {
        std::lock_guard lock(mutex_);
        if (closed_)
            return false;
        Push(stamped);
    }
    changed_.notify_one();
    return true;
}

bool MessageQueue::PostQuit(int exit_code) {
    ThreadMessage quit;
    quit.message = KV_WM_QUIT;
    quit.wParam = static_cast<WPARAM>(static_cast<std::uint32_t>(exit_code));
    return Post(quit);
}

bool MessageQueue::HasMessage() {
    {
        std::lock_guard lock(mutex_);
        if (count_ != 0)
            return true;
        if (closed_)
            return false;
    }
    ThreadMessage generated;
    DWORD wait_ms = KV_INFINITE;
    if (TakeGenerated(generated, false, wait_ms))
        return true;
    std::lock_guard lock(mutex_);
    if (count_ != 0)
        return true;
    if (closed_ || timers_.empty())
        return false;
    const std::uint32_t now = GetClock().TickMs();
    return std::any_of(timers_.begin(), timers_.end(), [now](const Timer& timer) {
        return static_cast<std::int32_t>(now - timer.start_tick) >=
               static_cast<std::int32_t>(timer.interval_ms);
    });
}

bool MessageQueue::GetMessage(ThreadMessage& message) {
    for (;;) {
        std::unique_lock lock(mutex_);
        if (count_ != 0) {
            message = Pop();
            if (message.message != KV_WM_QUIT)
                return true;
            closed_ = true;
            return false;
        }
        DWORD generated_wait = KV_INFINITE;
        if (!closed_) {
            // The source takes the window system's own lock: never under ours.
            lock.unlock();
            if (TakeGenerated(message, true, generated_wait))
                return true;
            lock.lock();
            if (count_ != 0)
                continue;
        }
        DWORD wait_ms = KV_INFINITE;
        if (!closed_ && TakeDueTimer(message, wait_ms))
            return true;
        wait_ms = std::min(wait_ms, generated_wait);
        const std::uint64_t seen = wake_count_;
        auto woken = [this, seen] { return count_ != 0 || wake_count_ != seen; };
        if (wait_ms == KV_INFINITE)
            changed_.wait(lock, woken);
        else
            changed_.wait_for(lock, std::chrono::milliseconds(wait_ms), woken);
    }
}

bool MessageQueue::PeekMessage(ThreadMessage& message, bool remove) {
    std::unique_lock lock(mutex_);
    if (count_ != 0) {
        if (!remove) {
            message = ring_[head_];
            return true;
        }
        message = Pop();
        if (message.message == KV_WM_QUIT)
            closed_ = true;
        return true;
    }
    if (closed_)
        return false;
    lock.unlock();
    DWORD wait_ms = KV_INFINITE;
    if (TakeGenerated(message, remove, wait_ms))
        return true;
    lock.lock();
    if (count_ != 0) {
        lock.unlock();
        return PeekMessage(message, remove);
    }
    return !closed_ && TakeDueTimer(message, wait_ms, remove);
}

std::vector<ThreadMessage> MessageQueue::CloseAndDrain() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    timers_.clear();
    std::vector<ThreadMessage> left;
    left.reserve(count_);
    while (count_ != 0)
        left.push_back(Pop());
    return left;
}

std::vector<ThreadMessage> MessageQueue::RemoveWindowMessages(HWND window) {
    std::lock_guard lock(mutex_);
    std::vector<ThreadMessage> removed;
    std::vector<ThreadMessage> kept;
    while (count_ != 0) {
        ThreadMessage message = Pop();
        (message.window == window ? removed : kept).push_back(message);
    }
    for (const ThreadMessage& message : kept)
        Push(message);
    return removed;
}

bool MessageQueue::IsClosed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

void MessageQueue::SetTimer(UINT id, UINT interval_ms) {
    SetAnyTimer(nullptr, id, interval_ms);
}

bool MessageQueue::KillTimer(UINT id) {
    return KillAnyTimer(nullptr, id);
}

void MessageQueue::SetWindowTimer(HWND window, UINT id, UINT interval_ms) {
    if (window != nullptr)
        SetAnyTimer(window, id, interval_ms);
}

bool MessageQueue::KillWindowTimer(HWND window, UINT id) {
    return window != nullptr && KillAnyTimer(window, id);
}

void MessageQueue::KillWindowTimers(HWND window) {
    if (window == nullptr)
        return;
    std::lock_guard lock(mutex_);
    std::erase_if(timers_, [window](const Timer& timer) { return timer.window == window; });
}

void MessageQueue::SetAnyTimer(HWND window, UINT id, UINT interval_ms) {
    {
        std::lock_guard lock(mutex_);
        const std::uint32_t now = GetClock().TickMs();
        auto found = std::find_if(timers_.begin(), timers_.end(), [window, id](const Timer& timer) {
            return timer.window == window && timer.id == id;
        });
        if (found != timers_.end())
            *found = Timer{window, id, interval_ms, now};
        else
            timers_.push_back(Timer{window, id, interval_ms, now});
        ++wake_count_;
    }
    changed_.notify_all();
}

bool MessageQueue::KillAnyTimer(HWND window, UINT id) {
    std::lock_guard lock(mutex_);
    auto found = std::find_if(timers_.begin(), timers_.end(), [window, id](const Timer& timer) {
        return timer.window == window && timer.id == id;
    });
    if (found == timers_.end())
        return false;
    timers_.erase(found);
    return true;
}

void MessageQueue::Wake() {
    {
        std::lock_guard lock(mutex_);
        ++wake_count_;
    }
    changed_.notify_all();
}

std::size_t MessageQueue::GetCount() const {
    std::lock_guard lock(mutex_);
    return count_;
}

void MessageQueue::Push(const ThreadMessage& message) {
    if (count_ == ring_.size()) {
        std::vector<ThreadMessage> grown(ring_.size() * 2);
        for (std::size_t i = 0; i < count_; ++i)
            grown[i] = ring_[(head_ + i) % ring_.size()];
        ring_.swap(grown);
        head_ = 0;
    }
    ring_[(head_ + count_) % ring_.size()] = message;
    ++count_;
}

ThreadMessage MessageQueue::Pop() {
    ThreadMessage message = ring_[head_];
    head_ = (head_ + 1) % ring_.size();
    --count_;
    return message;
}

bool MessageQueue::TakeDueTimer(ThreadMessage& message, DWORD& wait_ms, bool remove) {
    wait_ms = KV_INFINITE;
    if (timers_.empty())
        return false;
    const std::uint32_t now = GetClock().TickMs();
    for (Timer& timer : timers_) {
        const auto elapsed = static_cast<std::int32_t>(now - timer.start_tick);
        const auto interval = static_cast<std::int32_t>(timer.interval_ms);
        if (elapsed >= interval) {
            if (remove)
                timer.start_tick = now;
            message = ThreadMessage{timer.window,
                                    timer.window != nullptr ? KV_WM_WINDOW_TIMER : KV_WM_TIMER,
                                    timer.id, 0};
            Stamp(message);
            return true;
        }
        wait_ms = std::min<DWORD>(wait_ms, static_cast<DWORD>(interval - elapsed));
    }
    return false;
}

bool MessageQueue::TakeGenerated(ThreadMessage& message, bool remove, DWORD& wait_ms) {
    wait_ms = KV_INFINITE;
    if (source_ == nullptr || !source_->NextGenerated(message, remove, wait_ms))
        return false;
    Stamp(message);
    return true;
}
