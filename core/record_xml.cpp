#include "core/record_xml.h"

#include "platform/pointer.h"

namespace {

constexpr std::string_view kIdentifierAttribute = "identifier";

template <typename Name>
KvResult AddElement(XmlNode*& out, XmlDocument& document, XmlNode* parent, Name name) {
    out = nullptr;
    XmlNode* element = nullptr;
    const KvResult created = document.CreateNode(element, kXmlElement);
    if (KvFailed(created) || element == nullptr)
        return KvFailed(created) ? created : KV_E_OUT_OF_MEMORY;
    element->SetName(name);
    out = element;
    return document.AddChild(parent, element);
}

template <typename Name>
KvResult AddAttribute(XmlDocument& document, XmlNode* element, Name name, std::string_view value,
                      bool encode) {
    XmlNode* attribute = nullptr;
    const KvResult created = document.CreateNode(attribute, kXmlAttribute);
    if (KvFailed(created) || attribute == nullptr)
        return KvFailed(created) ? created : KV_E_OUT_OF_MEMORY;
    attribute->SetName(name);
    if (encode)
        attribute->SetText(value);
    else
        attribute->SetContent(value);
    return document.AddChild(element, attribute);
}

KvResult AddElement(XmlNode*& out, XmlDocument& document, XmlNode* parent, XmlStaticName name) {
    out = nullptr;
    return document.AddElement(out, parent, name);
}

KvResult AddAttribute(XmlDocument& document, XmlNode* element, XmlStaticName name,
                      std::string_view value, bool encode) {
    XmlNode* attribute = nullptr;
    return document.AddAttribute(attribute, element, name, value, encode ? TRUE : FALSE);
}

template <typename Name>
KvResult AddListElement(XmlNode*& out, XmlDocument& document, XmlNode* parent, Name name,
                        std::string_view identifier) {
    out = nullptr;
    if (!IsValidPtr(parent))
        return KV_E_INVALID_POINTER;
    XmlNode* element = nullptr;
    const KvResult added = AddElement(element, document, parent, name);
    if (element == nullptr)
        return added;
    out = element;
    return AddAttribute(document, element, XmlStaticName{kIdentifierAttribute}, identifier, false);
}

} // namespace

KvResult AddRecordElement(XmlNode*& out, XmlDocument& document, XmlNode* parent,
                          std::string_view name) {
    return AddElement(out, document, parent, name);
}

KvResult AddRecordElement(XmlNode*& out, XmlDocument& document, XmlNode* parent,
                          XmlStaticName name) {
    return AddElement(out, document, parent, name);
}

KvResult AddRecordAttribute(XmlDocument& document, XmlNode* element, std::string_view name,
                            std::string_view value, bool encode) {
    return AddAttribute(document, element, name, value, encode);
}

KvResult AddRecordAttribute(XmlDocument& document, XmlNode* element, XmlStaticName name,
                            std::string_view value, bool encode) {
    return AddAttribute(document, element, name, value, encode);
}

KvResult ReadRecordAttribute(const XmlNode& node, std::string_view name, std::string& out,
                             bool decode) {
    XmlNode* attribute = nullptr;
    const KvResult found = node.FindAttribute(attribute, name);
    if (KvFailed(found) || attribute == nullptr)
        return KvFailed(found) ? found : KV_E_NOT_FOUND;
    if (decode)
        attribute->GetText(out);
    else
        out.assign(attribute->GetContent());
    return KV_OK;
}

KvResult WriteListElement(XmlNode*& out, XmlDocument& document, XmlNode* parent,
                          std::string_view name, std::string_view identifier) {
    return AddListElement(out, document, parent, name, identifier);
}

KvResult WriteListElement(XmlNode*& out, XmlDocument& document, XmlNode* parent,
                          XmlStaticName name, std::string_view identifier) {
    return AddListElement(out, document, parent, name, identifier);
}

bool ReadListElement(const XmlNode* node, std::string_view name, std::string& identifier,
                     KvResult& result) {
    result = KV_OK;
    if (!IsValidPtr(node)) {
        result = KV_E_INVALID_POINTER;
        return false;
    }
    if (node->GetName() != name ||
        (node->GetKind() != kXmlElement && node->GetKind() != kXmlTextElement))
        return false;
    std::string value;
    result = ReadRecordAttribute(*node, kIdentifierAttribute, value);
    if (result != KV_OK)
        return false;
    identifier = std::move(value);
    return true;
}
