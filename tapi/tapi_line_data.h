#pragma once
// KVTAPILINEDATA (payload type 62): the state of one line as the line thread
// reports it to its watchers. KVTAPILINEDATAMANAGER (payload type 61): such
// entries keyed by their key text, in the order they were added; at most 32.

#include "framework/payload_registry.h"
#include "platform/result_codes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class KVTAPILINEDATA {
public:
    static constexpr KvPayloadType kTypeCode = KV_PAYLOAD_TAPI_LINE_DATA;
    // Number 3 of a line that quits.
    static constexpr std::uint32_t kCodeLineQuits = 15;

    void Set(const std::string& key, const std::string& display_name, std::uint32_t number1,
             std::uint32_t number2, std::uint32_t number3, const std::string& string3,
             std::uint32_t number4, std::uint32_t number5, const std::string& string4,
             std::uint32_t number6);

    // The line's name.
    std::string& GetKey() { return key_; }
    std::string& GetDisplayName() { return display_name_; }
    // Line handle, device id and code as the line thread sends them.
    std::uint32_t& GetNumber1() { return number1_; }
    std::uint32_t& GetNumber2() { return number2_; }
    std::uint32_t& GetNumber3() { return number3_; }
    std::string& GetString3() { return string3_; }
    std::uint32_t& GetNumber4() { return number4_; }
    std::uint32_t& GetNumber5() { return number5_; }
    std::string& GetString4() { return string4_; }
    std::uint32_t& GetNumber6() { return number6_; }

    bool operator==(const KVTAPILINEDATA&) const = default;

private:
    std::string key_;
    std::string display_name_;
    std::uint32_t number1_ = 0;
    std::uint32_t number2_ = 0;
    std::uint32_t number3_ = 0;
    std::string string3_;
    std::uint32_t number4_ = 0;
    std::uint32_t number5_ = 0;
    std::string string4_;
    std::uint32_t number6_ = 0;
};

class KVTAPILINEDATAMANAGER {
public:
    static constexpr KvPayloadType kTypeCode = KV_PAYLOAD_TAPI_LINE_DATA_MANAGER;
    static constexpr std::uint32_t kCapacity = 32;
    using Position = std::size_t;

    KVTAPILINEDATAMANAGER() = default;
    KVTAPILINEDATAMANAGER(const KVTAPILINEDATAMANAGER& other) { *this = other; }
    // Replaces the entries by copies of the source's and copies the texts;
    // assigning a manager to itself changes nothing.
    KVTAPILINEDATAMANAGER& operator=(const KVTAPILINEDATAMANAGER& other);

    KvResult GetResult() const { return result_; }
    std::uint32_t GetCount() const { return static_cast<std::uint32_t>(entries_.size()); }

    // Takes the entry under its key; on failure the caller keeps it:
    // KV_E_INVALID_POINTER for none, KV_E_LIST_FULL at 32 entries,
    // KV_E_ALREADY_PRESENT for a key that is held.
    KvResult AddEntry(std::unique_ptr<KVTAPILINEDATA>& entry);
    // The same for an entry handed over by pointer: the manager's on
    // success, still the caller's on failure.
    KvResult AddEntry(KVTAPILINEDATA* entry);
    // A new entry with the key, owned by the manager; KV_E_FAIL for an empty
    // key; out null when none was added.
    KvResult CreateEntry(KVTAPILINEDATA*& out, const std::string& key);
    KVTAPILINEDATA* FindEntry(const std::string& key) const;
    KvResult RemoveAllEntries();

    bool GetStartPosition(Position& position) const;
    // The entry at the position, then the position moves on; null at the end.
    KVTAPILINEDATA* GetNextEntry(Position& position) const;

    std::string& GetName() { return name_; }
    std::string& GetSecondText() { return second_text_; }

private:
    KvResult result_ = KV_OK;
    std::vector<std::unique_ptr<KVTAPILINEDATA>> entries_;
    std::string name_ = "KVTAPILINEDATAMANAGER";
    std::string second_text_;
};
