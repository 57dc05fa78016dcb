#include "core/kv_string.h"

#include "core/record_xml.h"
#include "platform/pointer.h"

#include <memory>
#include <utility>

namespace {

constexpr std::string_view kElementName = "KVSTRING";
constexpr std::string_view kIdentifierKey = "identifier";
constexpr std::string_view kDataKey = "data";

} // namespace

void KVSTRING::Clear() {
    identifier_.clear();
    data_.clear();
}

KvResult KVSTRING::Set(const std::string& identifier, const std::string& data) {
    identifier_ = identifier;
    data_ = data;
    return KV_OK;
}

KvResult KVSTRING::WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) const {
    out = nullptr;
    if (!IsValidPtr(parent))
        return KV_E_INVALID_POINTER;
    XmlNode* element = nullptr;
    const KvResult created = AddRecordElement(element, document, parent, kElementName);
    if (element == nullptr)
        return created;
    out = element;
    AddRecordAttribute(document, element, kIdentifierKey, identifier_, true);
    XmlNode* data = nullptr;
    return document.AddTextElement(data, element, kDataKey, data_, TRUE);
}

KvResult KVSTRING::ReadXml(const XmlNode* element) {
    if (!IsValidPtr(element))
        return KV_E_INVALID_POINTER;
    if (element->GetName() != kElementName)
        return KV_OK;
    std::string identifier;
    KvResult result = ReadRecordAttribute(*element, kIdentifierKey, identifier, true);
    if (result != KV_OK)
        return result;
    identifier_ = std::move(identifier);
    for (const XmlNode* child : element->GetChildList()) {
        if (!IsValidPtr(child)) {
            result = KV_E_INVALID_POINTER;
            continue;
        }
        if (IsTextElementNamed(*child, kDataKey))
            child->GetText(data_);
    }
    return result;
}

KVSTRING_LIST::KVSTRING_LIST(const KVSTRING_LIST& other) : KeyedList() {
    if (other.element_name_owned_)
        SetElementName(other.owned_element_name_);
    else
        SetElementName(XmlStaticName{other.element_name_});
    *this = other;
}

void KVSTRING_LIST::SetElementName(const std::string& name) {
    owned_element_name_ = name;
    element_name_ = owned_element_name_;
    element_name_owned_ = true;
}

void KVSTRING_LIST::SetElementName(XmlStaticName name) {
    element_name_ = name.text;
    element_name_owned_ = false;
}

KVSTRING_LIST& KVSTRING_LIST::operator=(const KVSTRING_LIST& other) {
    if (this == &other)
        return *this;
    CopyEntriesFrom(other, [](KVSTRING& entry, const KVSTRING& source) {
        entry.Set(source.GetIdentifier(), source.GetData());
    });
    identifier_ = other.identifier_;
    result_ = KV_OK;
    return *this;
}

KvResult KVSTRING_LIST::WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) {
    result_ = element_name_owned_
                  ? WriteListElement(out, document, parent, element_name_, identifier_)
                  : WriteListElement(out, document, parent, XmlStaticName{element_name_}, identifier_);
    if (out != nullptr)
        WriteEntries(document, out);
    return result_;
}

KvResult KVSTRING_LIST::ReadXml(const XmlNode* element) {
    if (!ReadListElement(element, element_name_, identifier_, result_))
        return result_;
    ReadNamedEntries(*element, kElementName);
    return result_;
}
