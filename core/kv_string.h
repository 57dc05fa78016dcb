#pragma once
// The smallest record, a pair of texts (identifier and data), and the owning
// list that keeps such pairs by identifier under an element name its owner
// chooses ("KVSTRING_LIST_EMAIL", "DEVICES", "FOLDERS_SOURCE" ...).

#include "core/keyed_list.h"
#include "core/kv_object.h"
#include "core/xml_document.h"
#include "platform/result_codes.h"

#include <cstdint>
#include <string>

class KVSTRING : public KvObject {
public:
    KVSTRING() = default;

    void Clear();
    KvResult Set(const std::string& identifier, const std::string& data);

    std::string& GetIdentifier() { return identifier_; }
    const std::string& GetIdentifier() const { return identifier_; }
    std::string& GetData() { return data_; }
    const std::string& GetData() const { return data_; }

    // <KVSTRING identifier="..."><data>...</data></KVSTRING>, both texts
    // entity-encoded; the data element is written also when empty.
    KvResult WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) const;
    // An element of another name is not read (KV_OK). KV_E_NOT_FOUND when the
    // identifier attribute is missing.
    KvResult ReadXml(const XmlNode* element);

private:
    std::string identifier_;
    std::string data_;
};

// No slots inside the list: records carry these lists (e-mail addresses, web
// pages) mostly empty, and each slot would make every such record larger.
template <> inline constexpr std::size_t kKeyedListInlineSlots<KVSTRING> = 0;

class KVSTRING_LIST : public KeyedList<KVSTRING, 201> {
public:
    KVSTRING_LIST() = default;
    // A copy has the other's entries, identifier and element name.
    KVSTRING_LIST(const KVSTRING_LIST& other);
    // Copies the entries and the identifier; a list keeps its own element
    // name.
    KVSTRING_LIST& operator=(const KVSTRING_LIST& other);

    KvResult Reset() { return RemoveAll(); }

    std::string& GetIdentifier() { return identifier_; }
    const std::string& GetIdentifier() const { return identifier_; }
    std::string_view GetElementName() const { return element_name_; }
    void SetElementName(const std::string& name);
    // A name that lives as long as the list: referred to, not copied (records
    // set their lists' names on every reset).
    void SetElementName(XmlStaticName name);

    // An element with the list's element name and identifier (not encoded)
    // holding each entry's element in insertion order. The result is that of
    // the attribute step.
    KvResult WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent);
    // Reads only an element with the list's element name, also in the
    // childless form the parser gives as a text element; requires the
    // identifier attribute (KV_E_NOT_FOUND). Adds the KVSTRING children it can
    // read and the list accepts; other children are skipped. The result is
    // that of the last entry handled; entries already held stay.
    KvResult ReadXml(const XmlNode* element);

private:
    std::string identifier_;
    // Either static text or owned_element_name_.
    std::string_view element_name_ = "KVSTRING_LIST";
    std::string owned_element_name_;
    bool element_name_owned_ = false;
};
