#include "data/record_keys.h"

#include "core/record_xml.h"

namespace record_keys_detail {

KvResult WriteTextChild(XmlDocument& document, XmlNode* element, std::string_view name,
                        std::string_view text, std::uint32_t rules) {
    XmlNode* child = nullptr;
    const BOOL encode = (rules & kKeyNoEncode) != 0 ? FALSE : TRUE;
    // Key names come from the records' static tables.
    return document.AddTextElement(child, element, XmlStaticName{name}, text, encode);
}

KvResult AddIdentifierAttribute(XmlDocument& document, XmlNode* element, std::string_view value) {
    return AddRecordAttribute(document, element, XmlStaticName{"identifier"}, value, false);
}

KvResult ReadIdentifierAttribute(const XmlNode& element, std::string& value) {
    return ReadRecordAttribute(element, "identifier", value, false);
}

KvResult CreateDomRecordElement(DomElementPtr& element, const DomDocumentPtr& document,
                                const DomNodePtr& parent, std::string_view name,
                                std::uint32_t identifier) {
    element.Release();
    if (!document || !parent)
        return KV_E_NULL_INTERFACE;
    document->createElement(name, element);
    if (!element)
        return KV_E_NULL_INTERFACE;
    element->setAttribute("id", DomVariant{identifier});
    parent->appendChild(element);
    return KV_OK;
}

KvResult AppendDomTextChild(const DomDocumentPtr& document, const DomElementPtr& element,
                            std::string_view name, std::string_view text) {
    DomElementPtr child;
    document->createElement(name, child);
    if (!child)
        return KV_E_NULL_INTERFACE;
    child->put_text(text);
    element->appendChild(child);
    return KV_OK;
}

KvResult DomChildWalk::Start(const DomElementPtr& element) {
    list_.Release();
    remaining_ = 0;
    if (!element)
        return KV_E_NULL_INTERFACE;
    element->get_childNodes(list_);
    list_->get_length(remaining_);
    list_->reset();
    return KV_OK;
}

bool DomChildWalk::Next(std::string& name, std::string& text) {
    while (remaining_ > 0) {
        --remaining_;
        DomNodePtr node;
        list_->nextNode(node);
        name.clear();
        text.clear();
        if (!node)
            continue;
        node->get_nodeName(name);
        node->get_text(text);
        return true;
    }
    return false;
}

} // namespace record_keys_detail

namespace record_keys_detail {

KvResult CreateDomIdentifiedElement(DomElementPtr& element, const DomDocumentPtr& document,
                                    const DomNodePtr& parent, std::string_view name,
                                    std::string_view identifier) {
    element.Release();
    KvResult result = document->createElement(name, element);
    if (result != KV_OK)
        return result;
    if (!element)
        return KV_E_NULL_INTERFACE;
    result = element->setAttribute("identifier", DomVariant{std::string(identifier)});
    if (result != KV_OK)
        return result;
    return parent->appendChild(element);
}

KvResult AppendDomTextChildChecked(const DomDocumentPtr& document, const DomElementPtr& element,
                                   std::string_view name, std::string_view text) {
    DomElementPtr child;
    KvResult result = document->createElement(name, child);
    if (result != KV_OK)
        return result;
    if (!child)
        return KV_E_NULL_INTERFACE;
    result = child->put_text(text);
    if (result != KV_OK)
        return result;
    return element->appendChild(child);
}

KvResult DomCheckedChildWalk::Start(const DomNodePtr& element) {
    list_.Release();
    remaining_ = 0;
    KvResult result = element->get_childNodes(list_);
    if (result == KV_OK && !list_)
        result = KV_E_NULL_INTERFACE;
    if (result == KV_OK)
        result = list_->get_length(remaining_);
    if (result == KV_OK)
        result = list_->reset();
    return result;
}

KvResult DomCheckedChildWalk::Next(bool& more, std::string& name, std::string& text) {
    more = false;
    name.clear();
    text.clear();
    if (remaining_ <= 0)
        return KV_OK;
    --remaining_;
    DomNodePtr node;
    KvResult result = list_->nextNode(node);
    if (result == KV_OK && !node)
        result = KV_E_NULL_INTERFACE;
    if (result == KV_OK)
        result = node->get_nodeName(name);
    if (result == KV_OK)
        result = node->get_text(text);
    more = result == KV_OK;
    return result;
}

} // namespace record_keys_detail
