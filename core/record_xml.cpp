#include "core/record_xml.h"

#include "platform/pointer.h"

namespace {

constexpr std::string_view kIdentifierAttribute = "identifier";

} // namespace

KvResult AddRecordElement(XmlNode*& out, XmlDocument& document, XmlNode* parent,
                          std::string_view name) {
    out = nullptr;
    XmlNode* element = nullptr;
    const KvResult created = document.CreateNode(element, kXmlElement);
    if (KvFailed(created) || element == nullptr)
        return KvFailed(created) ? created : KV_E_OUT_OF_MEMORY;
    element->SetName(name);
    out = element;
    return document.AddChild(parent, element);
}

KvResult AddRecordAttribute(XmlDocument& document, XmlNode* element, std::string_view name,
                            std::string_view value, bool encode) {
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
    out = nullptr;
    if (!IsValidPtr(parent))
        return KV_E_INVALID_POINTER;
    XmlNode* element = nullptr;
    const KvResult added = AddRecordElement(element, document, parent, name);
    if (element == nullptr)
        return added;
    out = element;
    return AddRecordAttribute(document, element, kIdentifierAttribute, identifier);
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
