#pragma once
// One telephone number of a contact or a call, with its category, flags,
// dial counter, line and alias, and the owning list of up to 21 numbers by
// identifier.

#include "core/keyed_list.h"
#include "core/kv_object.h"
#include "core/phone_category.h"
#include "core/text_values.h"
#include "core/xml_document.h"
#include "platform/result_codes.h"
#include "platform/types.h"

#include <cstdint>
#include <string>
#include <string_view>

class PHONE_NUMBER : public KvObject {
public:
    // As Reset leaves a number.
    PHONE_NUMBER();
    PHONE_NUMBER(const PHONE_NUMBER& other) : KvObject() { *this = other; }
    // Copies every field but the result, which becomes 0.
    PHONE_NUMBER& operator=(const PHONE_NUMBER& other);

    // Texts empty, category and state UNSPECIFIED, dial count 0, flagdata
    // FALSE, flagactive TRUE.
    void Reset();

    KvResult GetResult() const { return result_; }
    std::uint32_t GetCategory() const { return category_.GetValue(); }
    KvResult SetCategory(std::uint32_t category) { return category_.SetValue(category); }
    const PhoneCategory& Category() const { return category_; }
    // The call state while a call runs on the number; never written.
    std::uint32_t GetState() const { return state_.GetValue(); }
    KvResult SetState(std::uint32_t state) { return state_.SetValue(state); }
    const PhoneState& State() const { return state_; }

    // TRUE exactly for the text "TRUE" (case-sensitive).
    void ParseFlagData(std::string_view text) { flagdata_ = text == "TRUE" ? TRUE : FALSE; }
    std::string_view FormatFlagData() const { return FormatFlag(flagdata_); }
    void ParseFlagActive(std::string_view text) { flagactive_ = text == "TRUE" ? TRUE : FALSE; }
    std::string_view FormatFlagActive() const { return FormatFlag(flagactive_); }

    std::string& GetIdentifier() { return identifier_; }
    const std::string& GetIdentifier() const { return identifier_; }
    std::string& GetNumber() { return number_; }
    const std::string& GetNumber() const { return number_; }
    std::string& GetData() { return data_; }
    const std::string& GetData() const { return data_; }
    std::string& GetLineId() { return lineid_; }
    const std::string& GetLineId() const { return lineid_; }
    std::string& GetAlias() { return alias_; }
    const std::string& GetAlias() const { return alias_; }
    BOOL& GetFlagData() { return flagdata_; }
    BOOL GetFlagData() const { return flagdata_; }
    BOOL& GetFlagActive() { return flagactive_; }
    BOOL GetFlagActive() const { return flagactive_; }
    UIntValue& GetDialCount() { return dialcount_; }
    const UIntValue& GetDialCount() const { return dialcount_; }

    // An address (VoIP, e-mail) rather than a dialable number: the number or
    // the identifier holds "@".
    bool HasAtSign() const;
    // out = the digits of the trimmed text, in order.
    static void KeepDigits(std::string& out, std::string_view text);

    // <PHONE_NUMBER identifier="..."> with number, category, data (trimmed in
    // place, only when not empty), flagdata, flagactive, dialcount, lineid
    // and alias (only when not empty), all entity-encoded. Returns the result
    // of the last step.
    KvResult WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent);
    // KV_E_FAIL for an element of another name, KV_E_NOT_FOUND without the
    // identifier attribute. Keys that are absent keep their fields; a
    // category that is no keyword leaves UNSPECIFIED without an error.
    KvResult ReadXml(const XmlNode* element);

private:
    struct XmlKey;
    static const XmlKey kXmlKeys[];

    static std::string_view FormatFlag(BOOL flag) { return flag ? "TRUE" : "FALSE"; }
    // scratch holds the text of a key that has no member text of its own.
    std::string_view FieldText(const XmlKey& key, std::string& scratch) const;
    void ReadField(const XmlKey& key, const XmlNode& child);

    std::string identifier_;
    KvResult result_ = KV_OK;
    PhoneCategory category_;
    std::string number_;
    std::string data_;
    BOOL flagdata_ = FALSE;
    UIntValue dialcount_;
    std::string lineid_;
    std::string alias_;
    PhoneState state_;
    BOOL flagactive_ = TRUE;
};

class PHONE_NUMBER_LIST : public KeyedList<PHONE_NUMBER, 21> {
public:
    PHONE_NUMBER_LIST() = default;
    PHONE_NUMBER_LIST(const PHONE_NUMBER_LIST& other) : KeyedList() { *this = other; }
    // Copies the entries (their call state excepted, which is UNSPECIFIED in
    // the copies), the identifier and the data.
    PHONE_NUMBER_LIST& operator=(const PHONE_NUMBER_LIST& other);

    // Removes every entry; identifier and data stay.
    KvResult Reset() { return RemoveAll(); }

    std::string& GetIdentifier() { return identifier_; }
    const std::string& GetIdentifier() const { return identifier_; }
    std::string& GetData() { return data_; }
    const std::string& GetData() const { return data_; }

    // From the position, the next entry of the category; the position moves
    // past it. 1 and the entry, or 0 and null at the end.
    std::int32_t FindNextByCategory(PHONE_NUMBER*& out, std::uint32_t category, Position& position);
    // Trims the caller's text; KV_OK when some entry's number equals it byte
    // for byte, else KV_E_FAIL.
    KvResult FindNumber(std::string& text);
    // Keeps only dialable numbers: deletes entries without digits, with more
    // digits than max_length, inactive ones when only_active is set, and
    // addresses with "@"; the others keep only their digits. Returns KV_OK.
    KvResult RemoveInvalidNumbers(std::uint32_t max_length, BOOL only_active);

    // <PHONE_NUMBER_LIST identifier="..."> with "data" (when not empty) and
    // each number in insertion order. The result is that of the last of the
    // attribute and data steps.
    KvResult WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent);
    // Reads a "PHONE_NUMBER_LIST" element (identifier attribute required):
    // every child element is offered to a new number, which is added when it
    // reads; a "data" child gives the data. The childless form (a text
    // element) gives only the identifier. Other nodes read nothing (KV_OK).
    // The result is that of the last child handled; entries already held stay.
    KvResult ReadXml(const XmlNode* node);

private:
    std::string identifier_;
    std::string data_;
};
