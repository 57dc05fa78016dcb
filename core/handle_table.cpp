#include "core/handle_table.h"

#include <mutex>
#include <new>

HandleTable::HandleTable(std::uint32_t capacity)
    : capacity_(capacity == 0 || capacity > kMaxCapacity ? kMaxCapacity : capacity) {}

KvResult HandleTable::Allocate(std::uint32_t& id) {
    id = 0;
    std::lock_guard guard(guard_);
    // Tested under the guard, so that callers racing for the last free entry
    // cannot push the table past its capacity.
    if (locks_.size() >= capacity_)
        return KV_E_LIST_FULL;
    std::uint32_t next = last_id_ + 1;
    if (next == 0)
        next = 1;
    if (locks_.contains(next))
        return KV_E_FAIL;
    try {
        locks_.emplace(next, std::unique_ptr<CriticalSection>(new CriticalSection));
    } catch (const std::bad_alloc&) {
        return KV_E_OUT_OF_MEMORY;
    }
    last_id_ = next;
    id = next;
    return KV_OK;
}

std::int32_t HandleTable::Lookup(std::uint32_t id, CriticalSection*& lock) {
    std::lock_guard guard(guard_);
    auto found = locks_.find(id);
    if (found == locks_.end()) {
        lock = nullptr;
        return 0;
    }
    lock = found->second.get();
    return 1;
}

KvResult HandleTable::Free(std::uint32_t id) {
    std::lock_guard guard(guard_);
    return locks_.erase(id) != 0 ? KV_OK : KV_E_NOT_FOUND;
}

void HandleTable::RemoveAll() {
    std::lock_guard guard(guard_);
    locks_.clear();
}

std::uint32_t HandleTable::GetCount() {
    std::lock_guard guard(guard_);
    return static_cast<std::uint32_t>(locks_.size());
}

std::uint32_t HandleTable::GetLastId() {
    std::lock_guard guard(guard_);
    return last_id_;
}

void HandleTable::SetLastId(std::uint32_t id) {
    std::lock_guard guard(guard_);
    last_id_ = id;
}

HandleTable& GetHandleTable() {
    static HandleTable table(HandleTable::kMaxCapacity);
    return table;
}
