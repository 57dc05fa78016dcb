#include "core/xml_node.h"

#include "core/xml_document.h"
#include "core/xml_entities.h"
#include "platform/pointer.h"
#include "platform/text.h"

#include <algorithm>
#include <cstring>

namespace {

const XmlNodeList kEmptyList;

bool HasTextContent(std::uint32_t kind) {
    return kind == kXmlTextElement || kind == kXmlAttribute || kind == kXmlComment ||
           kind == kXmlText;
}

std::string_view ViewOf(const char* text) {
    return text == nullptr ? std::string_view{} : text;
}

} // namespace

KvResult FindXmlNodeByName(XmlNode*& out, std::string_view name, const XmlNodeList& list) {
    out = nullptr;
    for (XmlNode* node : list) {
        if (IsValidPtr(node) && SameText(node->GetName(), name)) {
            out = node;
            return KV_OK;
        }
    }
    return KV_E_NOT_FOUND;
}

void XmlNode::StoreText(const char*& data, std::uint32_t& size, Flag owned, std::string_view text) {
    text = text.substr(0, UINT32_MAX);
    const auto length = static_cast<std::uint32_t>(text.size());
    document_->text_bytes_ += owned == kOwnsName ? 2 * std::size_t{length} : length;
    std::uint32_t capacity = 0;
    if (HasFlag(owned))
        std::memcpy(&capacity, data - sizeof capacity, sizeof capacity);
    if (length <= capacity) {
        // memmove: the new text may be a part of the old one.
        if (length != 0)
            std::memmove(const_cast<char*>(data), text.data(), length);
        size = length;
        return;
    }
    // Grow geometrically, so that a text set again and again does not make
    // the document's storage grow without bound; the old buffer stays unused
    // until the document is cleared.
    const auto wanted = static_cast<std::uint32_t>(std::min<std::uint64_t>(
        std::max<std::uint64_t>(length, std::uint64_t{capacity} * 2), UINT32_MAX));
    auto* buffer = static_cast<char*>(document_->arena_.Allocate(sizeof wanted + wanted));
    std::memcpy(buffer, &wanted, sizeof wanted);
    std::memcpy(buffer + sizeof wanted, text.data(), length);
    data = buffer + sizeof wanted;
    size = length;
    SetFlag(owned, true);
}

void XmlNode::SetName(std::string_view name) {
    StoreText(name_, name_size_, kOwnsName, name);
}

void XmlNode::SetNameText(const char* name) {
    SetName(ViewOf(name));
}

std::string_view XmlNode::GetMarkup() const {
    if (kind_ == kXmlText)
        return GetContent();
    if (!HasFlag(kHasMarkup))
        return {};
    return document_->FindMarkup(*this);
}

void XmlNode::SetMarkup(std::string_view markup) {
    if (kind_ == kXmlText) {
        StoreText(content_, content_size_, kOwnsContent, markup);
        return;
    }
    document_->MarkupBuffer(*this).assign(markup);
}

void XmlNode::SetContent(std::string_view content) {
    if (!HasTextContent(kind_))
        return;
    StoreText(content_, content_size_, kOwnsContent, content);
}

void XmlNode::SetContentText(const char* content) {
    SetContent(ViewOf(content));
}

void XmlNode::SetContentCString(const char* content) {
    SetContent(ViewOf(content));
}

void XmlNode::SetNameAndContent(const char* name, const char* content) {
    SetNameText(name);
    SetContentCString(content);
}

void XmlNode::SetText(std::string_view text) {
    if (!HasTextContent(kind_) || kind_ == kXmlText)
        return;
    // Most texts hold nothing to encode: they are stored without a temporary.
    if (!XmlTextNeedsEncoding(text)) {
        SetContent(text);
        return;
    }
    std::string encoded;
    encoded.reserve(text.size() + text.size() / 4);
    AppendXmlEncodedEntities(encoded, text);
    SetContent(encoded);
}

std::string& XmlNode::GetText(std::string& out) const {
    out.clear();
    if (kind_ == kXmlTextElement || kind_ == kXmlAttribute || kind_ == kXmlComment)
        AppendXmlDecodedEntities(out, GetContent());
    return out;
}

std::string XmlNode::GetText() const {
    std::string out;
    GetText(out);
    return out;
}

const XmlNodeList& XmlNode::GetChildList() const {
    if (kind_ == kXmlElement)
        return static_cast<const XmlElement*>(this)->children_;
    return kEmptyList;
}

const XmlNodeList& XmlNode::GetAttributeList() const {
    switch (kind_) {
    case kXmlElement:
        return static_cast<const XmlElement*>(this)->attributes_;
    case kXmlTextElement:
        return static_cast<const XmlTextElement*>(this)->attributes_;
    case kXmlProcessingInstruction:
        return static_cast<const XmlProcessingInstruction*>(this)->attributes_;
    default:
        return kEmptyList;
    }
}

KvResult XmlNode::FindChild(XmlNode*& out, std::string_view name) const {
    return FindXmlNodeByName(out, name, GetChildList());
}

KvResult XmlNode::FindAttribute(XmlNode*& out, std::string_view name) const {
    return FindXmlNodeByName(out, name, GetAttributeList());
}

KvResult XmlNode::RebuildMarkup() {
    std::string& markup = document_->MarkupBuffer(*this);
    markup.clear();
    document_->writer_.Append(markup, *this);
    return KV_OK;
}

KvResult XmlElement::BuildMarkup() {
    return RebuildMarkup();
}
KvResult XmlTextElement::BuildMarkup() {
    return RebuildMarkup();
}
KvResult XmlAttribute::BuildMarkup() {
    return RebuildMarkup();
}
KvResult XmlProcessingInstruction::BuildMarkup() {
    return RebuildMarkup();
}
KvResult XmlComment::BuildMarkup() {
    return RebuildMarkup();
}

void XmlElement::WriteOpenTag(std::string& out) {
    out.push_back('<');
    XmlWriter::AppendName(out, GetName());
    XmlWriter::AppendAttributes(out, attributes_);
}

void XmlElement::WriteCloseTag(std::string& out) const {
    out.append("</");
    out.append(GetName());
    out.push_back('>');
}

void XmlTextElement::WriteOpenTag(std::string& out) {
    out.push_back('<');
    XmlWriter::AppendName(out, GetName());
    XmlWriter::AppendAttributes(out, attributes_);
    out.push_back('>');
}

void XmlTextElement::WriteEmptyTag(std::string& out) {
    out.push_back('<');
    XmlWriter::AppendName(out, GetName());
    XmlWriter::AppendAttributes(out, attributes_);
    out.append(" />");
}
