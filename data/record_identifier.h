#pragma once
// The numeric identifier in the XML form of the records whose form has no
// "identifier" attribute of its own, so that a store keeping them by
// identifier (or, for records keyed by it, by key text) reads back every
// record it wrote. Texts without the attribute still read.

#include "data/data_handler.h"
#include "data/record_keys.h"
#include "platform/result_codes.h"

class XmlDocument;
class XmlNode;

// Adds the attribute "identifier" with the identifier text (lower-case hex)
// to the record's element, when the element exists and the identifier is not
// 0: a record never given one writes the text it always wrote. Returns
// `result`, or the attribute step's code when that step fails.
KvResult AddRecordIdentifier(const CKvDataHandler& record, XmlDocument& document, XmlNode* element,
                             KvResult result);
// Sets the identifier from the element's attribute "identifier" when it holds
// a hexadecimal number; without it (or with another text) nothing changes.
void ReadRecordIdentifier(CKvDataHandler& record, const XmlNode* element);

// A key-table record whose XML form also carries its numeric identifier:
// the writer adds the attribute after the keys, the reader takes it before
// them. A record with a step after reading overrides AfterXmlRead or
// AfterDomRead.
template <typename Record, std::uint32_t TypeCode>
class NumberedRecord : public KeyTableRecord<Record, TypeCode> {
public:
    KvResult ReadDom(const DomElementPtr& element) override {
        if (!element)
            return this->result_ = KV_E_NULL_INTERFACE;
        this->result_ = ReadRecordDom(Self(), Record::Form(), element);
        AfterDomRead();
        return this->result_;
    }
    KvResult ReadXml(const XmlNode* element) override {
        ReadRecordIdentifier(*this, element);
        this->result_ = ReadRecordXml(Self(), Record::Form(), element);
        AfterXmlRead();
        return this->result_;
    }
    KvResult WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) override {
        const KvResult written = WriteRecordXml(Self(), Record::Form(), out, document, parent);
        return this->result_ = AddRecordIdentifier(*this, document, out, written);
    }

protected:
    using KeyTableRecord<Record, TypeCode>::KeyTableRecord;

    // Runs after every XML read, also after a bad element.
    virtual void AfterXmlRead() {}
    // Runs after a DOM read of an element that is there.
    virtual void AfterDomRead() {}

private:
    Record& Self() { return static_cast<Record&>(*this); }
};
