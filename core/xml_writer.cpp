#include "core/xml_writer.h"

#include "core/xml_document.h"
#include "core/xml_entities.h"
#include "platform/pointer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// A name ending in "/" directly before ">" would read back as the empty form
// '<name/>', so such an open tag gets a blank before its ">".
bool NeedsBlankBeforeClose(std::string_view name) {
    return name.size() >= 2 && name.back() == '/';
}

// Names and field texts are a few bytes long: two overlapping word moves
// copy them without a call.
char* CopyShort(char* to, std::string_view from) {
    const std::size_t size = from.size();
    if (size >= 8 && size <= 16) {
        std::uint64_t head = 0;
        std::uint64_t tail = 0;
        std::memcpy(&head, from.data(), 8);
        std::memcpy(&tail, from.data() + size - 8, 8);
        std::memcpy(to, &head, 8);
        std::memcpy(to + size - 8, &tail, 8);
        return to + size;
    }
    if (size < 8) {
        for (char c : from)
            *to++ = c;
        return to;
    }
    std::memcpy(to, from.data(), size);
    return to + size;
}

// "<name>content</name>" in one step: most fields of a record are text
// elements without attributes, and six appends each would check the
// capacity and call the copy routine for a few bytes.
void AppendPlainTextElement(std::string& out, std::string_view name, std::string_view content) {
    const std::size_t start = out.size();
    out.resize(start + 2 * name.size() + content.size() + 5);
    char* at = out.data() + start;
    *at++ = '<';
    at = CopyShort(at, name);
    *at++ = '>';
    at = CopyShort(at, content);
    *at++ = '<';
    *at++ = '/';
    at = CopyShort(at, name);
    *at = '>';
}

} // namespace

void XmlWriter::ClearMarkup(XmlNode& node) {
    if (node.HasFlag(XmlNode::kHasMarkup))
        node.document_->MarkupBuffer(node).clear();
}

void XmlWriter::AppendName(std::string& out, std::string_view name) {
    out.append(name);
}

void XmlWriter::AppendAttributes(std::string& out, const XmlNodeList& attributes) {
    for (XmlNode* attribute : attributes) {
        if (!IsValidPtr(attribute))
            continue;
        out.push_back(' ');
        out.append(attribute->GetName());
        out.append("=\"");
        AppendXmlAttributeValue(out, attribute->GetContent());
        out.push_back('"');
        XmlWriter::ClearMarkup(*attribute);
    }
}

void XmlWriter::AppendOpenTagEnd(std::string& out, std::string_view name,
                                 const XmlNodeList& attributes) {
    if (attributes.empty() && NeedsBlankBeforeClose(name))
        out.push_back(' ');
    out.push_back('>');
}

void XmlWriter::AppendLeaf(std::string& out, XmlNode& node) {
    switch (node.GetKind()) {
    case kXmlTextElement: {
        auto& text_element = static_cast<XmlTextElement&>(node);
        if (node.GetContent().empty()) {
            text_element.WriteEmptyTag(out);
            break;
        }
        if (text_element.attributes_.empty() && !NeedsBlankBeforeClose(node.GetName())) {
            AppendPlainTextElement(out, node.GetName(), node.GetContent());
            break;
        }
        out.push_back('<');
        out.append(node.GetName());
        AppendAttributes(out, text_element.attributes_);
        AppendOpenTagEnd(out, node.GetName(), text_element.attributes_);
        out.append(node.GetContent());
        out.append("</");
        out.append(node.GetName());
        out.push_back('>');
        break;
    }
    case kXmlAttribute:
        out.append(node.GetName());
        out.append("=\"");
        AppendXmlAttributeValue(out, node.GetContent());
        out.push_back('"');
        break;
    case kXmlProcessingInstruction:
        out.append("<?");
        out.append(node.GetName());
        AppendAttributes(out, static_cast<XmlProcessingInstruction&>(node).attributes_);
        out.append("?>");
        break;
    case kXmlText:
        out.append(node.GetContent());
        break;
    case kXmlComment:
        out.append("<--");
        out.append(node.GetContent());
        out.append("-->");
        break;
    default:
        break;
    }
}

void XmlWriter::OpenElement(std::string& out, XmlElement& element) {
    ClearMarkup(element);
    if (element.GetName().empty()) {
        // The root and the parser's containers are nameless: their markup is
        // that of their children.
        stack_.push_back(Frame{&element, 0, out.size()});
        return;
    }
    element.WriteOpenTag(out);
    AppendOpenTagEnd(out, element.GetName(), element.attributes_);
    stack_.push_back(Frame{&element, 0, out.size()});
}

void XmlWriter::CloseElement(std::string& out, const Frame& frame) {
    XmlElement& element = *frame.element;
    if (element.GetName().empty())
        return;
    if (out.size() == frame.body_start) {
        // No child wrote anything: the empty form replaces the open tag's ">".
        out.pop_back();
        if (out.back() == ' ' && element.attributes_.empty() &&
            NeedsBlankBeforeClose(element.GetName()))
            out.pop_back();
        out.append(" />");
        return;
    }
    element.WriteCloseTag(out);
}

void XmlWriter::Append(std::string& out, XmlNode& node) {
    if (node.GetKind() != kXmlElement) {
        AppendLeaf(out, node);
        return;
    }
    const std::size_t base = stack_.size();
    OpenElement(out, static_cast<XmlElement&>(node));
    while (stack_.size() > base) {
        Frame& frame = stack_.back();
        const XmlNodeList& children = frame.element->children_;
        if (frame.next_child == children.size()) {
            const Frame done = frame;
            stack_.pop_back();
            CloseElement(out, done);
            continue;
        }
        XmlNode* child = children[frame.next_child++];
        // Beyond the cache the walk waits on each node in turn: ask for the
        // next sibling while this one is written.
        if (frame.next_child < children.size())
            __builtin_prefetch(children[frame.next_child]);
        if (!IsValidPtr(child))
            continue;
        if (child->GetKind() == kXmlElement) {
            OpenElement(out, static_cast<XmlElement&>(*child));
            continue;
        }
        AppendLeaf(out, *child);
        // A text node keeps its content, which is its markup.
        if (child->GetKind() != kXmlText)
            ClearMarkup(*child);
    }
}
