#pragma once
// Blocks of XML markup that records keep in a text field (an application's
// own preferences, a profile's extension): written into the record's element
// as markup, read back as the markup of that element's children.

#include "core/xml_document.h"
#include "platform/result_codes.h"

#include <string>
#include <string_view>

// Adds a text element with the name and the block under the parent. The
// block goes in unencoded, so that its markup becomes part of the document,
// when the parser reads it completely on its own; otherwise it goes in
// entity-encoded, as plain text, so that a broken block cannot break the
// document around it. The result is that of adding the element.
KvResult WriteRawXmlBlock(XmlNode*& out, XmlDocument& document, XmlNode* parent,
                          std::string_view name, std::string_view block);

// out = the markup the document writer builds for the element's children, in
// order: the block a WriteRawXmlBlock wrote. The element keeps its name and
// its children.
void ReadRawXmlBlock(const XmlNode& element, std::string& out);
