#pragma once
// Writing a record into a fresh document and reading a parsed text back, for
// the tests of the small records.

#include "core/xml_document.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

// The document text of the record written under the root.
template <typename Record> std::string WriteRecordText(Record& record) {
    XmlDocument document;
    XmlNode* element = nullptr;
    record.WriteXml(element, document, document.GetRoot());
    EXPECT_NE(element, nullptr);
    std::string text;
    document.GetText(text);
    return text;
}

// The first top-level node of the parsed text, or null.
inline const XmlNode* ParseFirstNode(XmlDocument& document, std::string_view text) {
    document.Clear();
    document.Parse(text);
    const XmlNodeList& nodes = document.GetRoot()->GetChildList();
    return nodes.empty() ? nullptr : nodes[0];
}
