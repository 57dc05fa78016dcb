#pragma once
// The ISDN controllers a CAPI application sees: at most nine records, kept in
// the order they were added.

#include "platform/capi/capi_entry_points.h"
#include "platform/result_codes.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CapiControllerRecord {
public:
    explicit CapiControllerRecord(std::uint32_t controller = 0) : controller_(controller) {}

    // CAPI_GET_PROFILE of the controller into this record's profile; the
    // CAPI information value.
    DWORD ReadProfile(CapiEntryPoints& capi, std::uint32_t controller);
    // CAPI_GET_PROFILE of controller 0; count is the number of installed
    // controllers (0 when the call failed).
    DWORD CountControllers(CapiEntryPoints& capi, std::uint32_t& count);

    std::uint32_t GetController() const { return controller_; }
    const std::array<std::uint8_t, kCapiProfileLength>& GetProfile() const { return profile_; }
    // The profile's second word.
    std::uint32_t GetBChannelCount() const;
    const std::string& GetName() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }
    // What the configuration says of the controller: the number it calls
    // from, whether that number needs the outside-line digits, and its
    // functions (DIAL, TSP, FAX).
    std::string source_number;
    std::int32_t automatic_line = 0;
    std::uint32_t function_flags = 0;

private:
    std::uint32_t controller_;
    std::array<std::uint8_t, kCapiProfileLength> profile_{};
    std::string name_;
};

class CapiControllerTable {
public:
    static constexpr std::size_t kMaxControllers = 9;

    // A new record with that number, added; null (and nothing added) when Add
    // refuses it, with Add's result in GetResult.
    CapiControllerRecord* Create(std::uint32_t controller);
    // Takes the record over when it is accepted: KV_E_INVALID_POINTER for
    // none, KV_E_LIST_FULL at nine records, KV_E_ALREADY_PRESENT for a number
    // present already (the record then stays the caller's).
    KvResult Add(std::unique_ptr<CapiControllerRecord>& record);
    // Null with KV_E_NOT_PRESENT when absent.
    CapiControllerRecord* Find(std::uint32_t controller);
    KvResult Remove(std::uint32_t controller);

    bool IsEmpty() const { return records_.empty(); }
    std::size_t GetCount() const { return records_.size(); }
    // In the order added; null past the end.
    CapiControllerRecord* GetAt(std::size_t index) const {
        return index < records_.size() ? records_[index].get() : nullptr;
    }
    KvResult GetResult() const { return result_; }

private:
    std::vector<std::unique_ptr<CapiControllerRecord>> records_;
    KvResult result_ = KV_OK;
};
