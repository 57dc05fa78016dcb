#pragma once
// What both advertising records share: the key text, set by the owner and
// travelling as the attribute "identifier"; the XML form that writes the
// first key only while nothing failed and the other keys whatever happened
// before; and the base steps of their copy and reset.

#include "data/record_keys.h"

#include <string>

template <typename Record, std::uint32_t TypeCode>
class AdvertizeRecord : public KeyTableRecord<Record, TypeCode> {
public:
    std::string& GetKey() override { return key_; }
    // ReadDom and WriteDom come from the key table: no DOM form, the element
    // with "id" only; reading stores nothing.
    KvResult ReadXml(const XmlNode* element) override;
    KvResult WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) override;

protected:
    using KeyTableRecord<Record, TypeCode>::KeyTableRecord;

    // The identifier attribute of the form: the key text, written raw.
    static constexpr RecordIdentifierAttribute<Record> KeyAttribute() {
        return {.get = [](Record& record) -> const std::string& { return record.GetKey(); }};
    }
    // The first steps of the copy: type code, the common base fields, key.
    void CopyAdvertizeBase(const AdvertizeRecord& other) {
        this->SetTypeCode(TypeCode);
        this->CopyBaseFields(other, CKvDataHandler::kBaseCommon);
        key_ = other.key_;
    }
    // The first steps of Reset: type code, base fields, key.
    void ResetAdvertizeBase() {
        this->SetTypeCode(TypeCode);
        this->ResetBaseFields();
        key_.clear();
    }

private:
    Record& Self() { return static_cast<Record&>(*this); }

    std::string key_;
};

template <typename Record, std::uint32_t TypeCode>
KvResult AdvertizeRecord<Record, TypeCode>::WriteXml(XmlNode*& out, XmlDocument& document,
                                                     XmlNode* parent) {
    const RecordForm<Record>& form = Record::Form();
    const KvResult begun = BeginRecordXml(Self(), form, out, document, parent);
    if (out == nullptr)
        return this->result_ = begun;
    const KvResult result = WriteRecordKeys(Self(), form.keys.first(1), document, out,
                                            RecordWritePolicy::kStopAtFailure, begun);
    return this->result_ = WriteRecordKeys(Self(), form.keys.subspan(1), document, out,
                                           RecordWritePolicy::kGoOn, result);
}

// The attribute "identifier" becomes the key text, so that a store of these
// records keeps its keys through its XML form; an element without it is read
// all the same, keeping the key text.
template <typename Record, std::uint32_t TypeCode>
KvResult AdvertizeRecord<Record, TypeCode>::ReadXml(const XmlNode* element) {
    this->SetTookElement(false);
    if (!IsValidPtr(element))
        return this->result_ = KV_E_INVALID_POINTER;
    std::string key;
    if (record_keys_detail::ReadIdentifierAttribute(*element, key) == KV_OK)
        key_ = std::move(key);
    return this->result_ = ReadRecordKeys(Self(), Record::Form().keys, *element);
}
