#include "tapi/tapi_request_registry.h"

#include "tapi/handed_over.h"
#include <algorithm>

KvResult TapiRequestRegistry::Add(std::unique_ptr<TapiPendingRequest>& entry) {
    if (!entry)
        return result_ = KV_E_INVALID_POINTER;
    if (entries_.size() >= kCapacity)
        return result_ = KV_E_LIST_FULL;
    if (Lookup(entry->request_id) != nullptr)
        return result_ = KV_E_ALREADY_PRESENT;
    entries_.push_back(std::move(entry));
    return result_ = KV_OK;
}

KvResult TapiRequestRegistry::Add(TapiPendingRequest* entry) {
    return AddHandedOver<TapiRequestRegistry, TapiPendingRequest>(*this, &TapiRequestRegistry::Add,
                                                                  entry);
}

KvResult TapiRequestRegistry::Create(TapiPendingRequest*& out, std::uint32_t request_id) {
    out = nullptr;
    if (request_id == 0)
        return result_ = KV_E_FAIL;
    auto entry = std::make_unique<TapiPendingRequest>();
    entry->request_id = request_id;
    TapiPendingRequest* created = entry.get();
    if (Add(entry) == KV_OK)
        out = created;
    return result_;
}

TapiPendingRequest* TapiRequestRegistry::Lookup(std::uint32_t request_id) const {
    for (const auto& entry : entries_)
        if (entry->request_id == request_id)
            return entry.get();
    return nullptr;
}

bool TapiRequestRegistry::HasCall(std::uint32_t hcall) const {
    return hcall != 0 && std::any_of(entries_.begin(), entries_.end(),
                                     [hcall](const auto& entry) { return entry->hcall == hcall; });
}

KvResult TapiRequestRegistry::FindByKind(TapiPendingRequest*& out, std::uint32_t kind) {
    for (const auto& entry : entries_) {
        if (entry->kind == kind) {
            out = entry.get();
            return result_ = KV_OK;
        }
    }
    return result_ = KV_E_FAIL;
}

std::uint32_t TapiRequestRegistry::CheckReplies() const {
    return std::all_of(entries_.begin(), entries_.end(),
                       [](const auto& entry) { return entry->replied != 0; })
               ? 1u
               : 0u;
}

KvResult TapiRequestRegistry::RemoveByCall(std::uint32_t hcall) {
    if (hcall == 0)
        return result_ = KV_E_FAIL;
    std::erase_if(entries_, [hcall](const auto& entry) { return entry->hcall == hcall; });
    return result_ = KV_OK;
}

KvResult TapiRequestRegistry::RemoveAll() {
    entries_.clear();
    return result_ = KV_OK;
}
