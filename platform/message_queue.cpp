#include "platform/message_queue.h"

#include "platform/clock.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <utility>

namespace {

// Both rings hold a power of two of messages, so that a place is found with
// a mask rather than a division while the posters' lock is held.
constexpr std::size_t kInitialCapacity = 64;
// How often a poster tries the lock again before it sleeps: the lock is held
// for a few stores only, and sleeping and being woken costs two system calls.
constexpr int kPostSpins = 16;

void PauseWhileSpinning() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

std::size_t Wrap(std::size_t index, const std::vector<ThreadMessage>& ring) {
    return index & (ring.size() - 1);
}

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

MessageQueue::MessageQueue() : batch_(kInitialCapacity), ring_(kInitialCapacity) {}

bool MessageQueue::Post(const ThreadMessage& message) {
    ThreadMessage stamped = message;
    Stamp(stamped);
    bool wake = false;
    {
        std::unique_lock lock(mutex_, std::try_to_lock);
        // Tries grow further apart, so that the spinning posters do not keep
        // taking the lock's cache line from the one that holds it.
        for (int spin = 0; !lock.owns_lock() && spin < kPostSpins; ++spin) {
            for (int pause = 0; pause < (1 << std::min(spin, 3)); ++pause)
                PauseWhileSpinning();
            lock.try_lock();
        }
        if (!lock.owns_lock())
            lock.lock();
        if (closed_)
            return false;
        Push(stamped);
        // Only the first post after the loop went to sleep wakes it: a
        // wake-up costs a system call, which many posting threads would
        // otherwise each pay while the loop is on its way.
        wake = std::exchange(consumer_waiting_, false);
    }
    if (wake)
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
        std::lock_guard consumer(consumer_mutex_);
        if (BatchCount() != 0)
            return true;
        std::lock_guard lock(mutex_);
        // Taken out now, so that the next GetMessage need not meet the
        // posters' lock again.
        if (count_ != 0) {
            RefillBatch();
            return true;
        }
        if (closed_)
            return false;
    }
    ThreadMessage generated;
    DWORD generated_wait = KV_INFINITE;
    if (TakeGenerated(generated, false, generated_wait))
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
    std::unique_lock consumer(consumer_mutex_);
    for (;;) {
        if (BatchCount() != 0) {
            message = PopBatch();
            // The parameter of the next message is most often the address of
            // an object that its poster has just written on another core:
            // fetching it now overlaps that transfer with this message's
            // handling. A prefetch of an address that is none is harmless.
            if (BatchCount() != 0)
                __builtin_prefetch(reinterpret_cast<const void*>(batch_[batch_head_].lParam));
            if (message.message != KV_WM_QUIT)
                return true;
            std::lock_guard lock(mutex_);
            closed_ = true;
            return false;
        }
        std::unique_lock lock(mutex_);
        if (count_ != 0) {
            RefillBatch();
            continue;
        }
        DWORD generated_wait = KV_INFINITE;
        if (!closed_ && source_ != nullptr) {
            // The source takes the window system's own lock: never under ours.
            lock.unlock();
            consumer.unlock();
            if (TakeGenerated(message, true, generated_wait))
                return true;
            consumer.lock();
            lock.lock();
            if (count_ != 0 || BatchCount() != 0)
                continue;
        }
        DWORD wait_ms = KV_INFINITE;
        if (!closed_ && TakeDueTimer(message, wait_ms))
            return true;
        wait_ms = std::min(wait_ms, generated_wait);
        const std::uint64_t seen = wake_count_;
        auto woken = [this, seen] { return count_ != 0 || wake_count_ != seen; };
        // Other threads may look into the batch while this one waits.
        consumer.unlock();
        consumer_waiting_ = true;
        if (wait_ms == KV_INFINITE)
            changed_.wait(lock, woken);
        else
            changed_.wait_for(lock, std::chrono::milliseconds(wait_ms), woken);
        consumer_waiting_ = false;
        lock.unlock();
        consumer.lock();
    }
}

bool MessageQueue::PeekMessage(ThreadMessage& message, bool remove) {
    {
        std::lock_guard consumer(consumer_mutex_);
        std::lock_guard lock(mutex_);
        if (BatchCount() == 0 && count_ != 0)
            RefillBatch();
        if (BatchCount() != 0) {
            if (!remove) {
                message = batch_[batch_head_];
                return true;
            }
            message = PopBatch();
            if (message.message == KV_WM_QUIT)
                closed_ = true;
            return true;
        }
        if (closed_)
            return false;
    }
    DWORD wait_ms = KV_INFINITE;
    if (TakeGenerated(message, remove, wait_ms))
        return true;
    std::unique_lock lock(mutex_);
    if (count_ != 0) {
        lock.unlock();
        return PeekMessage(message, remove);
    }
    return !closed_ && TakeDueTimer(message, wait_ms, remove);
}

void MessageQueue::RefillBatch() {
    batch_.swap(ring_);
    batch_head_ = std::exchange(head_, 0);
    batch_count_ = std::exchange(count_, 0);
}

ThreadMessage MessageQueue::PopBatch() {
    ThreadMessage message = batch_[batch_head_];
    batch_head_ = Wrap(batch_head_ + 1, batch_);
    --batch_count_;
    return message;
}

std::vector<ThreadMessage> MessageQueue::CloseAndDrain() {
    std::lock_guard consumer(consumer_mutex_);
    std::lock_guard lock(mutex_);
    closed_ = true;
    timers_.clear();
    std::vector<ThreadMessage> left;
    left.reserve(batch_count_ + count_);
    while (batch_count_ != 0)
        left.push_back(PopBatch());
    while (count_ != 0)
        left.push_back(Pop());
    return left;
}

std::vector<ThreadMessage> MessageQueue::RemoveWindowMessages(HWND window) {
    return RemoveWhere([window](const ThreadMessage& message) { return message.window == window; });
}

std::vector<ThreadMessage> MessageQueue::RemoveWindowMessages(HWND window, UINT number) {
    return RemoveWhere([window, number](const ThreadMessage& message) {
        return message.window == window && message.message == number;
    });
}

template <typename Taken> std::vector<ThreadMessage> MessageQueue::RemoveWhere(Taken taken) {
    std::lock_guard consumer(consumer_mutex_);
    std::lock_guard lock(mutex_);
    std::vector<ThreadMessage> removed;
    std::vector<ThreadMessage> kept;
    while (batch_count_ != 0) {
        ThreadMessage message = PopBatch();
        (taken(message) ? removed : kept).push_back(message);
    }
    batch_count_ = kept.size();
    batch_head_ = 0;
    // Both rings keep room: they change places at every refill.
    kept.resize(std::max(std::bit_ceil(kept.size()), kInitialCapacity));
    batch_.swap(kept);
    kept.clear();
    while (count_ != 0) {
        ThreadMessage message = Pop();
        (taken(message) ? removed : kept).push_back(message);
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
    std::lock_guard consumer(consumer_mutex_);
    std::lock_guard lock(mutex_);
    return BatchCount() + count_;
}

void MessageQueue::Push(const ThreadMessage& message) {
    if (count_ == ring_.size()) {
        std::vector<ThreadMessage> grown(ring_.size() * 2);
        for (std::size_t i = 0; i < count_; ++i)
            grown[i] = ring_[Wrap(head_ + i, ring_)];
        ring_.swap(grown);
        head_ = 0;
    }
    ring_[Wrap(head_ + count_, ring_)] = message;
    ++count_;
}

ThreadMessage MessageQueue::Pop() {
    ThreadMessage message = ring_[head_];
    head_ = Wrap(head_ + 1, ring_);
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
