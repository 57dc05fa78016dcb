#include "data/network_settings.h"

#include "framework/payload_registry.h"

CKvNetworkSettings::CKvNetworkSettings()
    : profiles_(K_KVDT_TP_DTHDLR_DATAVOIPPROFILE, kStoreKeyMode, kStoreCapacity, "", nullptr) {
    Reset();
}

CKvNetworkSettings::CKvNetworkSettings(const CKvNetworkSettings& other) : CKvNetworkSettings() {
    *this = other;
}

CKvNetworkSettings& CKvNetworkSettings::operator=(const CKvNetworkSettings& other) {
    if (this == &other)
        return *this;
    word = other.word;
    text = other.text;
    host = other.host;
    mac_address = other.mac_address;
    first_number = other.first_number;
    flags = other.flags;
    texts = other.texts;
    second_number = other.second_number;
    last_flag = other.last_flag;
    third_number = other.third_number;
    profiles_.CopyFrom(other.profiles_);
    entries_ = other.entries_;
    return *this;
}

void CKvNetworkSettings::Reset() {
    word = 0;
    text.clear();
    host.Reset();
    host.SetPort(kHostPort);
    mac_address.SetValue(0);
    first_number = kDefaultFirstNumber;
    for (std::size_t index = 0; index < flags.size(); ++index)
        flags[index].Set(index < 3 ? 1 : 0);
    for (std::string& each : texts)
        each.clear();
    second_number = kDefaultSecondNumber;
    last_flag.Set(1);
    third_number = kDefaultThirdNumber;
    profiles_.DeleteAll();
    entries_.clear();
}

void CKvNetworkSettings::AddEntry(std::uint32_t key, const std::string& identifier,
                                  const std::string& data) {
    KVSTRING pair;
    pair.Set(identifier, data);
    for (auto& entry : entries_) {
        if (entry.first == key) {
            entry.second = std::move(pair);
            return;
        }
    }
    entries_.emplace_back(key, std::move(pair));
}

bool CKvNetworkSettings::GetStartPosition(Position& position) const {
    position = 0;
    return !entries_.empty();
}

bool CKvNetworkSettings::GetNextEntry(Position& position, std::uint32_t& key,
                                      std::string& identifier, std::string& data) const {
    if (position >= entries_.size())
        return false;
    const auto& entry = entries_[position++];
    key = entry.first;
    identifier = entry.second.GetIdentifier();
    data = entry.second.GetData();
    return true;
}
