#pragma once
// The process-wide table of locks. Objects that must be locked across threads
// take a lock id from the table and use the CriticalSection filed under it;
// the table creates and deletes the locks. Every operation on the table runs
// under the table's own guard; the locks it hands out are used without it,
// and a holder stops using a lock before it frees the id.

#include "platform/result_codes.h"
#include "platform/sync.h"

#include <cstdint>
#include <memory>
#include <unordered_map>

class HandleTable;

// A recursive lock; Lock and Unlock pair up on the holder's thread.
class CriticalSection {
public:
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Lock() { section_.Enter(); }
    void Unlock() { section_.Leave(); }

    // BasicLockable, for std::lock_guard.
    void lock() { Lock(); }
    void unlock() { Unlock(); }

private:
    friend class HandleTable;
    friend struct std::default_delete<CriticalSection>;
    CriticalSection() = default;
    ~CriticalSection() = default;

    PlatformCriticalSection section_;
};

class HandleTable {
public:
    static constexpr std::uint32_t kMaxCapacity = 255;

    // A capacity of 0 or above kMaxCapacity becomes kMaxCapacity.
    explicit HandleTable(std::uint32_t capacity = kMaxCapacity);
    ~HandleTable() { RemoveAll(); }
    HandleTable(const HandleTable&) = delete;
    HandleTable& operator=(const HandleTable&) = delete;

    // A new lock under the next id in sequence (0 is never handed out).
    // KV_E_LIST_FULL at capacity; KV_E_FAIL when the ids have wrapped onto one
    // still in use, which holds every later call until that id is freed.
    // The id is 0 on failure.
    KvResult Allocate(std::uint32_t& id);
    // 1 and the lock when the id is present, else 0 and null.
    std::int32_t Lookup(std::uint32_t id, CriticalSection*& lock);
    // Deletes the id's lock; KV_E_NOT_FOUND when the id is not present.
    KvResult Free(std::uint32_t id);
    void RemoveAll();

    std::uint32_t GetCapacity() const { return capacity_; }
    std::uint32_t GetCount();
    std::uint32_t GetLastId();
    // Continues the id sequence after the given id; lets the wrap of the ids
    // be reached without four billion allocations.
    void SetLastId(std::uint32_t id);

private:
    PlatformCriticalSection guard_;
    std::unordered_map<std::uint32_t, std::unique_ptr<CriticalSection>> locks_;
    std::uint32_t last_id_ = 0;
    const std::uint32_t capacity_;
};

// The process's table of kMaxCapacity locks; built on first use and kept until
// the process ends, so it outlives everything built on it.
HandleTable& GetHandleTable();
