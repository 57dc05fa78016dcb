#include "core/computer_ident.h"

#include "core/record_xml.h"
#include "platform/name_resolver.h"
#include "platform/pointer.h"
#include "platform/text.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::string_view kDefaultElementName = "COMPUTER_IDENT";
constexpr std::string_view kListElementName = "COMPUTER_IDENT_LIST";
constexpr std::string_view kIdentifierKey = "identifier";
constexpr std::string_view kNameKey = "name";
constexpr std::string_view kAddressKey = "ipaddr";
constexpr std::string_view kPortKey = "port";

constexpr std::uint32_t kMatch = 1;
constexpr std::uint32_t kNoMatch = 0;

std::string ComparableName(const std::string& name) {
    std::string copy = name;
    TrimInPlace(copy);
    MakeLowerInPlace(copy);
    return copy;
}

} // namespace

COMPUTER_IDENT& COMPUTER_IDENT::operator=(const COMPUTER_IDENT& other) {
    name_ = other.name_;
    address_ = other.address_;
    port_ = other.port_;
    key_ = other.key_;
    return *this;
}

void COMPUTER_IDENT::Reset() {
    name_.clear();
    identifier_.clear();
    port_.Set(0);
    address_.SetValue(0);
    key_ = 0;
    element_name_ = kDefaultElementName;
}

void COMPUTER_IDENT::UpdateKey() {
    key_ = (static_cast<std::uint64_t>(address_.GetValue()) << 32) + port_.Get();
}

void COMPUTER_IDENT::SetAddress(std::uint32_t address) {
    address_.SetValue(address);
    UpdateKey();
}

void COMPUTER_IDENT::SetAddressText(std::string_view text) {
    address_.SetFromText(text);
    UpdateKey();
}

void COMPUTER_IDENT::SetPort(std::uint32_t port) {
    port_.Set(port);
    UpdateKey();
}

void COMPUTER_IDENT::SetPortText(const std::string& text) {
    port_.Parse(text, 10);
    UpdateKey();
}

void COMPUTER_IDENT::Set(const std::string& name, std::uint32_t address, std::uint32_t port) {
    name_ = name;
    address_.SetValue(address);
    port_.Set(port);
    UpdateKey();
}

std::string COMPUTER_IDENT::GetPortText() const {
    std::string text;
    return port_.Format(text);
}

KvResult COMPUTER_IDENT::Clone(std::unique_ptr<COMPUTER_IDENT>& out) const {
    out = std::make_unique<COMPUTER_IDENT>();
    *out = *this;
    return KV_OK;
}

KvResult COMPUTER_IDENT::Create(std::unique_ptr<COMPUTER_IDENT>& out, const std::string& name,
                                std::uint32_t address, std::uint32_t port) {
    out = std::make_unique<COMPUTER_IDENT>();
    out->Set(name, address, port);
    return KV_OK;
}

std::uint32_t COMPUTER_IDENT::Matches(const COMPUTER_IDENT& other, BOOL compare_ports) const {
    const std::uint32_t address = GetAddress();
    const std::uint32_t other_address = other.GetAddress();
    const bool addresses_agree = address == 0 || other_address == 0 || address == other_address;
    std::uint32_t result = kNoMatch;
    if (name_.empty() || other.name_.empty()) {
        result = addresses_agree ? kMatch : kNoMatch;
    } else if (ComparableName(name_) != ComparableName(other.name_)) {
        return kNoMatch;
    } else {
        // The same name at two set addresses is a conflict, not another
        // computer.
        result = addresses_agree ? kMatch : KV_E_FAIL;
    }
    if (result == kMatch && compare_ports && GetPort() != other.GetPort())
        result = kNoMatch;
    return result;
}

KvResult COMPUTER_IDENT::Resolve(const std::string& text, BOOL look_up) {
    if (IPv4Address::IsAddressText(text)) {
        SetAddressText(text);
        std::string name;
        if (look_up && GetNameResolver().LookupName(GetAddress(), name))
            name_ = std::move(name);
        return KV_OK;
    }
    name_ = text;
    std::uint32_t address = 0;
    if (look_up && GetNameResolver().LookupAddress(text, address))
        SetAddress(address);
    return KV_OK;
}

KvResult COMPUTER_IDENT::WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) const {
    out = nullptr;
    if (!IsValidPtr(parent))
        return KV_E_INVALID_POINTER;
    XmlNode* element = nullptr;
    KvResult result = AddRecordElement(element, document, parent, element_name_);
    if (element == nullptr)
        return result;
    out = element;
    result = AddRecordAttribute(document, element, kIdentifierKey, identifier_);
    XmlNode* child = nullptr;
    if (result == KV_OK && !name_.empty())
        result = document.AddTextElement(child, element, kNameKey, name_, TRUE);
    if (result == KV_OK && !GetAddressText().empty())
        result = document.AddTextElement(child, element, kAddressKey, GetAddressText(), TRUE);
    if (result == KV_OK && GetPort() != 0)
        result = document.AddTextElement(child, element, kPortKey, GetPortText(), TRUE);
    return result;
}

KvResult COMPUTER_IDENT::ReadXml(const XmlNode* element) {
    if (!IsValidPtr(element))
        return KV_E_INVALID_POINTER;
    if (element->GetName() != element_name_)
        return KV_OK;
    std::string identifier;
    KvResult result = ReadRecordAttribute(*element, kIdentifierKey, identifier);
    if (result != KV_OK)
        return result;
    identifier_ = std::move(identifier);
    for (const XmlNode* child : element->GetChildList()) {
        if (!IsValidPtr(child)) {
            result = KV_E_INVALID_POINTER;
            continue;
        }
        if (child->GetKind() != kXmlTextElement)
            continue;
        if (child->GetName() == kNameKey)
            child->GetText(name_);
        else if (child->GetName() == kAddressKey)
            SetAddressText(child->GetContent());
        else if (child->GetName() == kPortKey)
            SetPortText(std::string(child->GetContent()));
    }
    return result;
}

COMPUTER_IDENT_LIST& COMPUTER_IDENT_LIST::operator=(const COMPUTER_IDENT_LIST& other) {
    if (this == &other)
        return *this;
    RemoveAll();
    entries_.reserve(other.entries_.size());
    for (const auto& entry : other.entries_) {
        std::unique_ptr<COMPUTER_IDENT> clone;
        if (entry->Clone(clone) == KV_OK)
            entries_.push_back(std::move(clone));
    }
    return *this;
}

void COMPUTER_IDENT_LIST::AddTail(std::unique_ptr<COMPUTER_IDENT> entry) {
    if (entry)
        entries_.push_back(std::move(entry));
}

KvResult COMPUTER_IDENT_LIST::Add(COMPUTER_IDENT*& out, const std::string& name,
                                  std::uint32_t address, std::uint32_t port) {
    out = nullptr;
    std::unique_ptr<COMPUTER_IDENT> created;
    const KvResult result = COMPUTER_IDENT::Create(created, name, address, port);
    if (result != KV_OK)
        return result;
    if (Contains(*created, FALSE))
        return KV_E_FAIL;
    out = created.get();
    entries_.push_back(std::move(created));
    return KV_OK;
}

std::int32_t COMPUTER_IDENT_LIST::FindMatch(COMPUTER_IDENT*& out, const COMPUTER_IDENT& identity,
                                            BOOL compare_ports) const {
    out = nullptr;
    for (const auto& entry : entries_) {
        if (entry->Matches(identity, compare_ports) == kMatch) {
            out = entry.get();
            return 1;
        }
    }
    return 0;
}

std::int32_t COMPUTER_IDENT_LIST::Contains(const COMPUTER_IDENT& identity,
                                           BOOL compare_ports) const {
    COMPUTER_IDENT* found = nullptr;
    return FindMatch(found, identity, compare_ports);
}

std::unique_ptr<COMPUTER_IDENT> COMPUTER_IDENT_LIST::Unlink(const COMPUTER_IDENT* entry) {
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [entry](const auto& held) { return held.get() == entry; });
    if (entry == nullptr || it == entries_.end())
        return nullptr;
    std::unique_ptr<COMPUTER_IDENT> unlinked = std::move(*it);
    entries_.erase(it);
    return unlinked;
}

bool COMPUTER_IDENT_LIST::RemoveEntry(COMPUTER_IDENT*& entry) {
    if (!Unlink(entry))
        return false;
    entry = nullptr;
    return true;
}

std::int32_t COMPUTER_IDENT_LIST::Remove(const COMPUTER_IDENT& identity, BOOL compare_ports) {
    COMPUTER_IDENT* found = nullptr;
    if (!FindMatch(found, identity, compare_ports))
        return 0;
    return RemoveEntry(found) ? 1 : 0;
}

std::int32_t COMPUTER_IDENT_LIST::GetNext(COMPUTER_IDENT*& out, Position& position) const {
    if (position >= entries_.size()) {
        out = nullptr;
        return 0;
    }
    out = entries_[position++].get();
    return 1;
}

KvResult COMPUTER_IDENT_LIST::WriteXml(XmlNode*& out, XmlDocument& document,
                                       XmlNode* parent) const {
    const KvResult result = WriteListElement(out, document, parent, kListElementName, identifier_);
    if (out == nullptr)
        return result;
    for (const auto& entry : entries_) {
        XmlNode* written = nullptr;
        entry->WriteXml(written, document, out);
    }
    return result;
}

KvResult COMPUTER_IDENT_LIST::ReadXml(const XmlNode* element) {
    KvResult result = KV_OK;
    if (!ReadListElement(element, kListElementName, identifier_, result))
        return result;
    for (const XmlNode* child : element->GetChildList()) {
        if (!IsValidPtr(child)) {
            result = KV_E_INVALID_POINTER;
            continue;
        }
        if (child->GetKind() != kXmlElement)
            continue;
        auto entry = std::make_unique<COMPUTER_IDENT>();
        result = entry->ReadXml(child);
        if (result == KV_OK)
            entries_.push_back(std::move(entry));
    }
    return result;
}
