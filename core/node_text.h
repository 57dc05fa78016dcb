#pragma once

#include "core/xml_entities.h"
#include "core/xml_node.h"

#include <string>
#include <string_view>

// A node's decoded text (as XmlNode::GetText gives it) without a copy when
// it holds no entity; otherwise decoded into the caller's scratch, which the
// view then points into.
inline std::string_view DecodedNodeText(const XmlNode& node, std::string& scratch) {
    const auto kind = node.GetKind();
    if (kind != kXmlTextElement && kind != kXmlAttribute && kind != kXmlComment)
        return {};
    const std::string_view content = node.GetContent();
    if (content.find('&') == std::string_view::npos)
        return content;
    scratch.clear();
    AppendXmlDecodedEntities(scratch, content);
    return scratch;
}
