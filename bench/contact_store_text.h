#pragma once
// The record store the benchmarks read and write: 10,000 contacts, each with
// three phone numbers and an address, in a contact store, and its text as
// CKvDataHandlerStore::WriteXml writes it.

#include "core/address.h"
#include "core/phone_number.h"
#include "core/xml_document.h"
#include "data/data_contact.h"
#include "data/data_handler_store.h"
#include "data/data_payloads.h"
#include "platform/text.h"

#include <cstdint>
#include <memory>
#include <string>

namespace contact_store_text {

inline constexpr std::int32_t kContacts = 10000;
inline constexpr std::uint32_t kByIdentifier = 0;

inline void AddPhoneNumber(CKvDataContact& contact, const char* identifier,
                           std::uint32_t category, const std::string& number) {
    std::string key = identifier;
    PHONE_NUMBER* phone = nullptr;
    if (contact.GetPhoneNumberList().CreateEntry(phone, key) != KV_OK)
        return;
    phone->SetCategory(category);
    phone->GetNumber() = number;
}

inline std::unique_ptr<CKvDataHandler> MakeContact(std::uint32_t index) {
    auto contact = std::make_unique<CKvDataContact>();
    contact->SetIdentifier(index + 1);
    contact->GetLastName() = Format("Lastname%u", index);
    contact->GetFirstName() = Format("Firstname%u", index % 997);
    contact->GetCompanyName() = "Nordlicht Logistik";
    contact->GetDateTimeLastCall().SetSeconds(3900000000u + index);
    AddPhoneNumber(*contact, "office", 1, Format("+49 30 %07u", index * 7 % 10000000));
    AddPhoneNumber(*contact, "mobile", 4, Format("+49 171 %07u", index * 11 % 10000000));
    AddPhoneNumber(*contact, "fax", 3, Format("+49 30 %07u9", index * 7 % 1000000));
    std::string home = "home";
    ADDRESS* address = nullptr;
    if (contact->GetAddressList().CreateEntry(address, home) == KV_OK) {
        address->GetStreetAndNumber() = Format("Hafenstrasse %u", index % 200 + 1);
        address->GetZipcode() = Format("%05u", 20000 + index % 80000);
        address->GetCity() = "Hamburg";
        address->GetCountry() = "Germany";
    }
    return contact;
}

// A store with the capacity of the contacts.
inline std::unique_ptr<CKvDataHandlerStore> NewStore() {
    return std::make_unique<CKvDataHandlerStore>(K_KVDT_TP_DTHDLR_DATACONTACT, kByIdentifier,
                                                 kContacts, "DATA_TYPE_HANDLER", nullptr);
}

inline std::string WriteStore(CKvDataHandlerStore& store) {
    XmlDocument document;
    XmlNode* element = nullptr;
    store.WriteXml(element, document, document.GetRoot());
    std::string text;
    document.GetText(text);
    return text;
}

inline CKvDataHandlerStore& Contacts() {
    static const std::unique_ptr<CKvDataHandlerStore> store = [] {
        RegisterDataPayloads();
        auto made = NewStore();
        for (std::int32_t i = 0; i < kContacts; ++i) {
            std::unique_ptr<CKvDataHandler> contact = MakeContact(static_cast<std::uint32_t>(i));
            made->Add(contact);
        }
        return made;
    }();
    return *store;
}

inline const std::string& ContactsText() {
    static const std::string text = WriteStore(Contacts());
    return text;
}

} // namespace contact_store_text
