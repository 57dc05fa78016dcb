#pragma once
// The steps the small records and the data records share when they write
// and read their XML forms.

#include "core/xml_document.h"
#include "platform/pointer.h"
#include "platform/result_codes.h"

#include <string>
#include <string_view>

// Creates an element with the name and links it under the parent. out
// receives the element, or null when it could not be created (the result is
// then the creation's code); otherwise the result is that of the linking.
KvResult AddRecordElement(XmlNode*& out, XmlDocument& document, XmlNode* parent,
                          std::string_view name);
KvResult AddRecordElement(XmlNode*& out, XmlDocument& document, XmlNode* parent,
                          XmlStaticName name);
// Adds an attribute to the element; its value is entity-encoded when encode
// is set, else stored as given.
KvResult AddRecordAttribute(XmlDocument& document, XmlNode* element, std::string_view name,
                            std::string_view value, bool encode = false);
KvResult AddRecordAttribute(XmlDocument& document, XmlNode* element, XmlStaticName name,
                            std::string_view value, bool encode = false);
// out = the value of the node's attribute, entity-decoded when decode is set,
// else raw. KV_E_NOT_FOUND, with out unchanged, when there is none.
KvResult ReadRecordAttribute(const XmlNode& node, std::string_view name, std::string& out,
                             bool decode = false);
// The element of an identified record or list: created, named, linked under
// the parent and given its raw "identifier" attribute. out receives it, or null
// when the parent is invalid or the element could not be created; the result
// is that of the last step.
KvResult WriteListElement(XmlNode*& out, XmlDocument& document, XmlNode* parent,
                          std::string_view name, std::string_view identifier);
KvResult WriteListElement(XmlNode*& out, XmlDocument& document, XmlNode* parent,
                          XmlStaticName name, std::string_view identifier);
// True when the node is the list's element, in its full form or in the
// childless form the parser gives as a text element, and carries the
// attribute "identifier", whose raw value is then stored in identifier.
// result: KV_E_INVALID_POINTER for a bad node, the look-up's code for a
// missing attribute, else KV_OK (also for an element of another name, which
// is not read).
bool ReadListElement(const XmlNode* node, std::string_view name, std::string& identifier,
                     KvResult& result);
// The steps of an identified record's reader after its name test: the raw
// "identifier" attribute (missing: the look-up's code, nothing read) into
// identifier, then read_child(child) for each text element child in order; a
// child that fails the pointer rule makes the result KV_E_INVALID_POINTER and
// the walk goes on. Returns the result.
template <typename ReadChild>
KvResult ReadIdentifiedTextChildren(const XmlNode& element, std::string& identifier,
                                    ReadChild read_child) {
    std::string value;
    KvResult result = ReadRecordAttribute(element, "identifier", value);
    if (result != KV_OK)
        return result;
    identifier = std::move(value);
    for (const XmlNode* child : element.GetChildList()) {
        if (!IsValidPtr(child)) {
            result = KV_E_INVALID_POINTER;
            continue;
        }
        if (child->GetKind() == kXmlTextElement)
            read_child(*child);
    }
    return result;
}

// The overloads with an XmlStaticName refer to the name instead of copying
// it into the document.

// A text element whose name is one of a record's keys.
inline bool IsTextElementNamed(const XmlNode& node, std::string_view name) {
    return node.GetKind() == kXmlTextElement && node.GetName() == name;
}
