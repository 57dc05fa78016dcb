#pragma once
// Helpers shared by the tests of everything with an XML and a DOM form
// (records, GUI descriptions): the DOM form as text and back, and golden
// files.

#include "platform/dom.h"
#include "platform/result_codes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

// The object's DOM element, written under the top element of a document, as
// (UTF-8) XML text.
template <typename Form> std::string DomText(Form& object) {
    DomDocumentPtr document;
    EXPECT_EQ(CreateDomDocument(document), KV_OK);
    EXPECT_EQ(document->loadXML("<ROOT/>"), KV_OK);
    DomElementPtr root;
    document->get_documentElement(root);
    EXPECT_EQ(object.WriteDom(document, root), KV_OK);
    DomNodeListPtr children;
    root->get_childNodes(children);
    DomNodePtr element;
    children->nextNode(element);
    std::string xml;
    if (element)
        element->get_xml(xml);
    return xml;
}

// Loads the (UTF-8) XML text into a DOM document and reads its top element
// into the object; its result.
template <typename Form> KvResult ReadDomText(Form& object, std::string_view xml) {
    DomDocumentPtr document;
    EXPECT_EQ(CreateDomDocument(document), KV_OK);
    EXPECT_EQ(document->loadXML(xml), KV_OK);
    DomElementPtr element;
    document->get_documentElement(element);
    return object.ReadDom(element);
}

// The text of a golden file; a final line break is not part of it.
inline std::string GoldenFileText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file.is_open()) << path;
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}
