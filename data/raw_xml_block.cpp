#include "data/raw_xml_block.h"

#include "core/xml_writer.h"
#include "platform/pointer.h"

namespace {

bool ParsesCompletely(std::string_view block) {
    XmlDocument scratch;
    scratch.Parse(block);
    return scratch.IsParseComplete();
}

} // namespace

KvResult WriteRawXmlBlock(XmlNode*& out, XmlDocument& document, XmlNode* parent,
                          std::string_view name, std::string_view block) {
    const BOOL encode = ParsesCompletely(block) ? FALSE : TRUE;
    return document.AddTextElement(out, parent, name, block, encode);
}

void ReadRawXmlBlock(const XmlNode& element, std::string& out) {
    out.clear();
    // The children's markup is built into out, so the tree is not renamed or
    // rebuilt; the writer only empties markup caches, as any rebuild does.
    XmlWriter writer;
    for (XmlNode* child : element.GetChildList()) {
        if (IsValidPtr(child))
            writer.Append(out, *child);
    }
}
