#include "core/event_map.h"

#include "platform/pointer.h"

std::int32_t EventObject::Wait(DWORD timeout_ms) {
    signalled_ = event_.Wait(timeout_ms) ? 1 : 0;
    return signalled_;
}

KvResult EventMap::Add(std::uint32_t id, EventObject* event) {
    result_ = KV_OK;
    if (!events_.try_emplace(id, event).second)
        result_ = KV_E_FAIL;
    return result_;
}

EventObject* EventMap::Remove(std::uint32_t id) {
    auto found = events_.find(id);
    if (found == events_.end())
        return nullptr;
    EventObject* event = found->second;
    events_.erase(found);
    return event;
}

EventObject* EventMap::Lookup(std::uint32_t id) const {
    auto found = events_.find(id);
    return found != events_.end() ? found->second : nullptr;
}

std::int32_t EventMap::SetEvent(std::uint32_t id) {
    EventObject* event = Lookup(id);
    if (!IsValidPtr(event))
        return 0;
    event->Set();
    return 1;
}

std::int32_t EventMap::ResetEvent(std::uint32_t id) {
    EventObject* event = Lookup(id);
    if (!IsValidPtr(event))
        return 0;
    event->Reset();
    return 1;
}

std::int32_t EventMap::WaitEvent(std::uint32_t id, DWORD timeout_ms) {
    EventObject* event = Lookup(id);
    if (!IsValidPtr(event))
        return 0;
    return event->Wait(timeout_ms);
}
