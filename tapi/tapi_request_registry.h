#pragma once
// TapiRequestRegistry: the line thread's asynchronous TAPI requests that wait
// for their LINE_REPLY, keyed by request id, in the order they were added;
// at most 32. Every operation stores its result code and returns it.

#include "platform/result_codes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct TapiPendingRequest {
    std::uint32_t request_id = 0;
    std::uint32_t replied = 0; // 1 once its LINE_REPLY arrived
    std::uint32_t reply_result = 0;
    std::uint32_t hline = 0;
    std::uint32_t hcall = 0;
    std::uint32_t kind = 0; // which TAPI function; set by the creator
    std::uint32_t reply_second_value = 0;
};

class TapiRequestRegistry {
public:
    static constexpr std::uint32_t kCapacity = 32;

    KvResult GetResult() const { return result_; }
    std::uint32_t GetCount() const { return static_cast<std::uint32_t>(entries_.size()); }

    // Takes the entry; on failure the caller keeps it: KV_E_INVALID_POINTER
    // for none, KV_E_LIST_FULL at 32, KV_E_ALREADY_PRESENT for a request id
    // that is held.
    KvResult Add(std::unique_ptr<TapiPendingRequest>& entry);
    // The same for an entry handed over by pointer: the registry's on
    // success, still the caller's on failure.
    KvResult Add(TapiPendingRequest* entry);
    // A new entry with the id, owned by the registry; out null when none was
    // added (KV_E_FAIL for id 0). The caller fills line, call and kind.
    KvResult Create(TapiPendingRequest*& out, std::uint32_t request_id);
    // The entry of the request id (a LINE_REPLY's), or null.
    TapiPendingRequest* Lookup(std::uint32_t request_id) const;

    // Whether an entry concerns the call (never for handle 0).
    bool HasCall(std::uint32_t hcall) const;
    // The first entry of the kind; KV_E_FAIL when there is none.
    KvResult FindByKind(TapiPendingRequest*& out, std::uint32_t kind);
    // 1 when every entry is replied (also when there is none), else 0.
    std::uint32_t CheckReplies() const;
    // Removes every entry of the call; KV_E_FAIL for handle 0.
    KvResult RemoveByCall(std::uint32_t hcall);
    KvResult RemoveAll();

private:
    KvResult result_ = KV_OK;
    std::vector<std::unique_ptr<TapiPendingRequest>> entries_;
};
