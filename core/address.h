#pragma once
// A postal address with a category, and the owning list of up to five
// addresses by identifier that a contact holds.

#include "core/enum_keyword.h"
#include "core/keyed_list.h"
#include "core/kv_object.h"
#include "core/xml_document.h"
#include "platform/result_codes.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

class AddressCategory : public EnumKeywordSet {
public:
    AddressCategory();

    // Parses a copy: the caller's text keeps its blanks and letter case.
    KvResult ParseText(std::string_view text) { return ParseCopy(text); }
};

class ADDRESS : public KvObject {
public:
    // The free texts, in the order of the XML form.
    enum Field : std::size_t { kCity, kStreetAndNumber, kZipcode, kRegion, kCountry, kComment };
    static constexpr std::size_t kFieldCount = 6;

    // As Reset leaves an address.
    ADDRESS();
    ADDRESS(const ADDRESS& other) : KvObject() { *this = other; }
    ADDRESS& operator=(const ADDRESS& other);

    // Result 0, texts empty, category UNSPECIFIED.
    void Reset();

    KvResult GetResult() const { return result_; }
    std::string& GetIdentifier() { return identifier_; }
    const std::string& GetIdentifier() const { return identifier_; }
    const AddressCategory& GetCategory() const { return category_; }
    void SetCategory(std::uint32_t category) { category_.SetValue(category); }

    std::string& GetText(Field field) { return texts_[field]; }
    const std::string& GetText(Field field) const { return texts_[field]; }
    std::string& GetCity() { return texts_[kCity]; }
    std::string& GetStreetAndNumber() { return texts_[kStreetAndNumber]; }
    std::string& GetZipcode() { return texts_[kZipcode]; }
    std::string& GetRegion() { return texts_[kRegion]; }
    std::string& GetCountry() { return texts_[kCountry]; }
    std::string& GetComment() { return texts_[kComment]; }

    // <ADDRESS identifier="..."> with "category" always and each text only
    // when it is not empty after trimming (the address keeps the trimmed
    // text); texts entity-encoded, the identifier as it is. Returns the result
    // of the last step.
    KvResult WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent);
    // An element of another name is not read (KV_OK). KV_E_NOT_FOUND when the
    // identifier attribute is missing. Keys that are absent keep their fields.
    KvResult ReadXml(const XmlNode* element);

private:
    std::string identifier_;
    KvResult result_ = KV_OK;
    AddressCategory category_;
    std::array<std::string, kFieldCount> texts_;
};

class ADDRESS_LIST : public KeyedList<ADDRESS, 5> {
public:
    ADDRESS_LIST() = default;
    ADDRESS_LIST(const ADDRESS_LIST& other) : KeyedList() { *this = other; }
    // Copies the entries and the identifier.
    ADDRESS_LIST& operator=(const ADDRESS_LIST& other);

    KvResult Reset() { return RemoveAll(); }

    std::string& GetIdentifier() { return identifier_; }
    const std::string& GetIdentifier() const { return identifier_; }

    // <ADDRESS_LIST identifier="..."> with each address in insertion order;
    // the result is that of the attribute step.
    KvResult WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent);
    // Reads only an "ADDRESS_LIST" element, also in the childless form the
    // parser gives as a text element; requires the identifier attribute. Adds
    // the ADDRESS children it can read and the list accepts; other children
    // are skipped. The result is that of the last address handled.
    KvResult ReadXml(const XmlNode* element);

private:
    std::string identifier_;
};
