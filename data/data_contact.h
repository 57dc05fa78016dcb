#pragma once
// CKvDataContact (type 8, "DATACONTACT"): one address-book contact with its
// names, comment, time of the last call, salutation, profession, data pool,
// phone numbers, postal addresses, e-mail addresses and web pages. Contacts
// carry the whole contact traffic: answers to contact requests, contacts found
// by number, and the export to and import from the address book.
//
// Writing a contact ages its numbers' dial counts, the more the longer its
// last call lies back; writing also trims its free texts in place.

#include "core/address.h"
#include "core/kv_string.h"
#include "core/phone_number.h"
#include "core/time_date.h"
#include "data/data_handler.h"
#include "data/record_keys.h"

#include <cstdint>
#include <string>

class CKvDataContact : public KeyTableRecord<CKvDataContact, K_KVDT_TP_DTHDLR_DATACONTACT> {
public:
    static constexpr const char* kEmailListName = "KVSTRING_LIST_EMAIL";
    static constexpr const char* kUrlListName = "KVSTRING_LIST_URL";
    // The earliest last-call time a read leaves: 1970-01-01 00:00 UTC.
    static constexpr std::uint32_t kLastCallFloor =
        static_cast<std::uint32_t>(TimeDate::kSecondsFrom1900To1970);

    // Registers the named fields CTI_PHONENUMBER_HANDLER, CSTRING_LASTNAME,
    // CSTRING_FIRSTNAME, CSTRING_COMPANYNAME, CSTRING_COMMENT,
    // TIME_DATE_LASTCALL, ADDRESS_HANDLER, CSTRING_NUMBER_LAST_OUT and
    // CSTRING_NUMBER_LAST_IN, each pointing at this contact's own member.
    explicit CKvDataContact(CKvDataHandlerCatalog* context = nullptr, std::uint32_t identifier = 0);
    CKvDataContact(const CKvDataContact&) = delete;
    // The lists' entries are asked for first, so that their fetching overlaps
    // the freeing of the other fields.
    ~CKvDataContact() override {
        phone_numbers_.PrefetchEntries();
        addresses_.PrefetchEntries();
    }
    // Copies the identifier, flag word, timer, context, spare text and every
    // field (lists deep-copied, key text and last numbers included); the named
    // fields stay this contact's own.
    CKvDataContact& operator=(const CKvDataContact& other);

    // Every field empty or zero, the base fields too; the lists keep their
    // element names and the named fields stay registered.
    KvResult Reset() override;
    // Trims the three names in place and builds "lastname,firstname,
    // companyname"; all three empty give the empty key.
    std::string& GetKey() override;
    // No DOM form of its own: WriteDom ages the dial counts and writes the
    // element with "id" only; ReadDom (from the key table) stores nothing.
    KvResult WriteDom(const DomDocumentPtr& document, const DomNodePtr& parent) override;
    // Reads the keys present (the contact is not reset first), then empties a
    // last number that is not among the phone numbers, and raises a last-call
    // time before 1970 to 1970.
    KvResult ReadXml(const XmlNode* element) override;
    // Ages the dial counts, then writes the non-empty trimmed texts, the
    // last-call seconds, both lists, and the e-mail and web page lists when
    // they hold entries; every step runs. A non-zero identifier is written as
    // the attribute "identifier" (data/record_identifier.h).
    KvResult WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) override;

    // Trims the caller's number; it is kept only when a phone number of the
    // list has exactly that number (else the field is emptied and the result
    // is KV_E_FAIL). An empty text empties the field.
    KvResult SetLastNumberIn(std::string& number);
    KvResult SetLastNumberOut(std::string& number);

    // Lowers every non-zero dial count by floor(10 * e^(0.1535 * days)),
    // where days counts the whole days since the last call plus one (0 when
    // the last call is not in the past), stopping at 0. Always KV_OK.
    KvResult AgeDialCounts();
    // The decrement for a number of days; it saturates at 0xFFFFFFFF, which
    // removes any count.
    static std::uint32_t DialCountDecrement(std::uint32_t days);

    PHONE_NUMBER_LIST& GetPhoneNumberList() { return phone_numbers_; }
    std::string& GetLastName() { return lastname_; }
    std::string& GetFirstName() { return firstname_; }
    std::string& GetCompanyName() { return companyname_; }
    std::string& GetLastNumberIn() { return last_number_in_; }
    std::string& GetLastNumberOut() { return last_number_out_; }
    std::string& GetComment() { return comment_; }
    TimeDate& GetDateTimeLastCall() { return datetime_last_call_; }
    ADDRESS_LIST& GetAddressList() { return addresses_; }
    std::string& GetSalutation() { return salutation_; }
    std::string& GetProfession() { return profession_; }
    KVSTRING_LIST& GetEmailList() { return emails_; }
    KVSTRING_LIST& GetUrlList() { return urls_; }
    std::string& GetDataPool() { return datapool_; }

    const PHONE_NUMBER_LIST& GetPhoneNumberList() const { return phone_numbers_; }
    const std::string& GetLastName() const { return lastname_; }
    const std::string& GetFirstName() const { return firstname_; }
    const std::string& GetCompanyName() const { return companyname_; }
    const std::string& GetLastNumberIn() const { return last_number_in_; }
    const std::string& GetLastNumberOut() const { return last_number_out_; }
    const std::string& GetComment() const { return comment_; }
    const TimeDate& GetDateTimeLastCall() const { return datetime_last_call_; }
    const ADDRESS_LIST& GetAddressList() const { return addresses_; }
    const std::string& GetSalutation() const { return salutation_; }
    const std::string& GetProfession() const { return profession_; }
    const KVSTRING_LIST& GetEmailList() const { return emails_; }
    const KVSTRING_LIST& GetUrlList() const { return urls_; }
    const std::string& GetDataPool() const { return datapool_; }

private:
    friend KeyTableRecord;
    static const RecordForm<CKvDataContact>& Form();
    void RegisterNamedFields();
    KvResult SetLastNumber(std::string& field, std::string& number);
    // Ageing leaves counts of 0 at 0; without another count it reads no
    // clock.
    bool HasDialCounts() const;

    PHONE_NUMBER_LIST phone_numbers_;
    std::string lastname_;
    std::string firstname_;
    std::string companyname_;
    std::string last_number_in_;
    std::string last_number_out_;
    std::string key_;
    std::string comment_;
    TimeDate datetime_last_call_;
    ADDRESS_LIST addresses_;
    std::string salutation_;
    std::string profession_;
    KVSTRING_LIST emails_;
    KVSTRING_LIST urls_;
    std::string datapool_;
};
