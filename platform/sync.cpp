#include "platform/sync.h"

#include <chrono>

void ManualResetEvent::Set() {
    // Notify under the lock: a waiter may destroy the event as soon as its
    // wait returns.
    std::lock_guard lock(mutex_);
    set_ = true;
    changed_.notify_all();
}

void ManualResetEvent::Reset() {
    std::lock_guard lock(mutex_);
    set_ = false;
}

bool ManualResetEvent::IsSet() const {
    std::lock_guard lock(mutex_);
    return set_;
}

bool ManualResetEvent::Wait(DWORD timeout_ms) const {
    std::unique_lock lock(mutex_);
    if (timeout_ms == KV_INFINITE) {
        changed_.wait(lock, [this] { return set_; });
        return true;
    }
    return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [this] { return set_; });
}
