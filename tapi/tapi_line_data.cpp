#include "tapi/tapi_line_data.h"

#include "tapi/handed_over.h"

void KVTAPILINEDATA::Set(const std::string& key, const std::string& display_name,
                         std::uint32_t number1, std::uint32_t number2, std::uint32_t number3,
                         const std::string& string3, std::uint32_t number4, std::uint32_t number5,
                         const std::string& string4, std::uint32_t number6) {
    key_ = key;
    display_name_ = display_name;
    number1_ = number1;
    number2_ = number2;
    number3_ = number3;
    string3_ = string3;
    number4_ = number4;
    number5_ = number5;
    string4_ = string4;
    number6_ = number6;
}

KVTAPILINEDATAMANAGER& KVTAPILINEDATAMANAGER::operator=(const KVTAPILINEDATAMANAGER& other) {
    if (this == &other)
        return *this;
    RemoveAllEntries();
    for (const auto& entry : other.entries_) {
        auto copy = std::make_unique<KVTAPILINEDATA>(*entry);
        AddEntry(copy);
    }
    name_ = other.name_;
    second_text_ = other.second_text_;
    return *this;
}

KvResult KVTAPILINEDATAMANAGER::AddEntry(std::unique_ptr<KVTAPILINEDATA>& entry) {
    if (!entry)
        return result_ = KV_E_INVALID_POINTER;
    if (entries_.size() >= kCapacity)
        return result_ = KV_E_LIST_FULL;
    if (FindEntry(entry->GetKey()) != nullptr)
        return result_ = KV_E_ALREADY_PRESENT;
    entries_.push_back(std::move(entry));
    return result_ = KV_OK;
}

KvResult KVTAPILINEDATAMANAGER::AddEntry(KVTAPILINEDATA* entry) {
    return AddHandedOver<KVTAPILINEDATAMANAGER, KVTAPILINEDATA>(
        *this, &KVTAPILINEDATAMANAGER::AddEntry, entry);
}

KvResult KVTAPILINEDATAMANAGER::CreateEntry(KVTAPILINEDATA*& out, const std::string& key) {
    out = nullptr;
    if (key.empty())
        return result_ = KV_E_FAIL;
    auto entry = std::make_unique<KVTAPILINEDATA>();
    entry->GetKey() = key;
    KVTAPILINEDATA* created = entry.get();
    if (AddEntry(entry) == KV_OK)
        out = created;
    return result_;
}

KVTAPILINEDATA* KVTAPILINEDATAMANAGER::FindEntry(const std::string& key) const {
    for (const auto& entry : entries_)
        if (entry->GetKey() == key)
            return entry.get();
    return nullptr;
}

KvResult KVTAPILINEDATAMANAGER::RemoveAllEntries() {
    entries_.clear();
    return result_ = KV_OK;
}

bool KVTAPILINEDATAMANAGER::GetStartPosition(Position& position) const {
    position = 0;
    return !entries_.empty();
}

KVTAPILINEDATA* KVTAPILINEDATAMANAGER::GetNextEntry(Position& position) const {
    if (position >= entries_.size())
        return nullptr;
    return entries_[position++].get();
}
