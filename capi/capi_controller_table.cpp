#include "capi/capi_controller_table.h"

#include "platform/capi/capi_wire.h"

#include <algorithm>

DWORD CapiControllerRecord::ReadProfile(CapiEntryPoints& capi, std::uint32_t controller) {
    return capi.CAPI_GET_PROFILE(profile_.data(), controller);
}

DWORD CapiControllerRecord::CountControllers(CapiEntryPoints& capi, std::uint32_t& count) {
    std::array<std::uint8_t, kCapiProfileLength> profile{};
    const DWORD result = capi.CAPI_GET_PROFILE(profile.data(), 0);
    count = result == 0 ? CapiGetWord(profile.data()) : 0;
    return result;
}

std::uint32_t CapiControllerRecord::GetBChannelCount() const {
    return CapiGetWord(profile_.data() + 2);
}

CapiControllerRecord* CapiControllerTable::Create(std::uint32_t controller) {
    auto record = std::make_unique<CapiControllerRecord>(controller);
    CapiControllerRecord* raw = record.get();
    return KvSucceeded(Add(record)) ? raw : nullptr;
}

KvResult CapiControllerTable::Add(std::unique_ptr<CapiControllerRecord>& record) {
    if (!record)
        return result_ = KV_E_INVALID_POINTER;
    if (records_.size() >= kMaxControllers)
        return result_ = KV_E_LIST_FULL;
    const std::uint32_t controller = record->GetController();
    if (std::any_of(records_.begin(), records_.end(), [controller](const auto& entry) {
            return entry->GetController() == controller;
        }))
        return result_ = KV_E_ALREADY_PRESENT;
    records_.push_back(std::move(record));
    return result_ = KV_OK;
}

CapiControllerRecord* CapiControllerTable::Find(std::uint32_t controller) {
    for (const auto& record : records_)
        if (record->GetController() == controller) {
            result_ = KV_OK;
            return record.get();
        }
    result_ = KV_E_NOT_PRESENT;
    return nullptr;
}

KvResult CapiControllerTable::Remove(std::uint32_t controller) {
    const auto found =
        std::find_if(records_.begin(), records_.end(), [controller](const auto& entry) {
            return entry->GetController() == controller;
        });
    if (found == records_.end())
        return result_ = KV_E_NOT_PRESENT;
    records_.erase(found);
    return result_ = KV_OK;
}
