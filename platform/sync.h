#pragma once
// The Win32 synchronisation objects the system uses: a recursive critical
// section and a manual-reset event.

#include "platform/types.h"

#include <condition_variable>
#include <mutex>

class PlatformCriticalSection {
public:
    void Enter() { mutex_.lock(); }
    void Leave() { mutex_.unlock(); }
    bool TryEnter() { return mutex_.try_lock(); }

    // BasicLockable, for std::lock_guard and std::unique_lock.
    void lock() { Enter(); }
    void unlock() { Leave(); }

private:
    std::recursive_mutex mutex_;
};

// A manual-reset event: once set it stays set, releasing every waiter, until it
// is reset. Time-outs are synchronisation limits measured in real time; they
// do not follow the replaceable clock.
class ManualResetEvent {
public:
    explicit ManualResetEvent(bool initially_set = false) : set_(initially_set) {}

    void Set();
    void Reset();
    bool IsSet() const;
    // True when the event is set within timeout_ms; KV_INFINITE waits for ever.
    bool Wait(DWORD timeout_ms) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool set_;
};
