#pragma once
// Named events of a job. An EventObject is one manual-reset event with the
// outcome of its last wait; an EventMap finds the events of its owner by id.
// The map and the wait flag belong to the owner's thread; the events
// themselves may be set and reset from any thread.

#include "platform/result_codes.h"
#include "platform/sync.h"
#include "platform/types.h"

#include <cstdint>
#include <unordered_map>

class EventObject {
public:
    explicit EventObject(bool initially_set = false) : event_(initially_set) {}
    EventObject(const EventObject&) = delete;
    EventObject& operator=(const EventObject&) = delete;

    // Waits up to timeout_ms (KV_INFINITE: for ever); 1 when the event was
    // signalled, 0 on time-out. The result is also kept as the flag.
    std::int32_t Wait(DWORD timeout_ms);
    void Set() { event_.Set(); }
    void Reset() { event_.Reset(); }

    std::int32_t GetSignalled() const { return signalled_; }

private:
    ManualResetEvent event_;
    std::int32_t signalled_ = 0;
};

class EventMap {
public:
    // Files an event the caller keeps owning: 0, or KV_E_FAIL when the id is
    // taken (nothing changes then). The result is kept.
    KvResult Add(std::uint32_t id, EventObject* event);
    // Forgets the id; the event that was filed, or null when the id was absent.
    EventObject* Remove(std::uint32_t id);
    EventObject* Lookup(std::uint32_t id) const;

    // 1 when a valid event is filed under the id and was set, reset or (for
    // the wait) signalled within the time-out; else 0.
    std::int32_t SetEvent(std::uint32_t id);
    std::int32_t ResetEvent(std::uint32_t id);
    std::int32_t WaitEvent(std::uint32_t id, DWORD timeout_ms);

    KvResult GetResult() const { return result_; }
    std::size_t GetCount() const { return events_.size(); }

private:
    KvResult result_ = KV_OK;
    std::unordered_map<std::uint32_t, EventObject*> events_;
};
