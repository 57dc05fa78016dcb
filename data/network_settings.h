#pragma once
// Payload 69: network settings of a client (a host address, a MAC address,
// numbers, flags and texts), a store of VoIP profiles and a table of text
// pairs by 32-bit key. A plain holder: the job code fills and reads the
// members directly.

#include "core/computer_ident.h"
#include "core/kv_string.h"
#include "core/network_values.h"
#include "core/text_values.h"
#include "data/data_handler_store.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class CKvNetworkSettings {
public:
    static constexpr std::uint32_t kHostPort = 80;
    static constexpr std::uint32_t kDefaultFirstNumber = 50050;
    static constexpr std::uint32_t kDefaultSecondNumber = 4;
    static constexpr std::uint32_t kDefaultThirdNumber = 20;
    // The profile store: key-text mode, room for 16 profiles, no element name.
    static constexpr std::uint32_t kStoreKeyMode = 1;
    static constexpr std::int32_t kStoreCapacity = 16;

    // An iteration position over the table: the index of the next entry.
    using Position = std::size_t;

    CKvNetworkSettings();
    CKvNetworkSettings(const CKvNetworkSettings& other);
    // Copies every member, the profiles and the table included.
    CKvNetworkSettings& operator=(const CKvNetworkSettings& other);

    // The defaults; the profiles are deleted and the table emptied.
    void Reset();

    // Stores the pair under the key, replacing what the key held.
    void AddEntry(std::uint32_t key, const std::string& identifier, const std::string& data);
    std::size_t GetEntryCount() const { return entries_.size(); }
    // The table in the order its keys were first added.
    bool GetStartPosition(Position& position) const;
    bool GetNextEntry(Position& position, std::uint32_t& key, std::string& identifier,
                      std::string& data) const;

    CKvDataHandlerStore& GetProfileStore() { return profiles_; }
    const CKvDataHandlerStore& GetProfileStore() const { return profiles_; }

    std::uint32_t word = 0;
    std::string text;
    COMPUTER_IDENT host;
    MacAddress mac_address;
    std::uint32_t first_number = kDefaultFirstNumber;
    // TRUE, TRUE, TRUE, FALSE, FALSE, FALSE after Reset.
    std::array<BoolValue, 6> flags;
    std::array<std::string, 3> texts;
    std::uint32_t second_number = kDefaultSecondNumber;
    BoolValue last_flag;
    std::uint32_t third_number = kDefaultThirdNumber;

private:
    CKvDataHandlerStore profiles_;
    std::vector<std::pair<std::uint32_t, KVSTRING>> entries_;
};
