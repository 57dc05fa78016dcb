// A store of 10,000 contacts (three phone numbers and an address each)
// written to XML text and read back through the records' own XML forms, per
// record and in bytes per second of the text, beside pugixml parsing and
// saving the same text. Both sides free what they built inside the timing:
// the read-back store and its document here, pugixml's document there.
//
// Run: build-integ-release/bench/data_store_bench (or any Release build folder).

#include "core/address.h"
#include "core/phone_number.h"
#include "core/xml_document.h"
#include "data/data_contact.h"
#include "data/data_handler_store.h"
#include "data/data_payloads.h"
#include "platform/text.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace {

constexpr std::int32_t kContacts = 10000;
constexpr std::uint32_t kByIdentifier = 0;

void AddPhoneNumber(CKvDataContact& contact, const char* identifier, std::uint32_t category,
                    const std::string& number) {
    std::string key = identifier;
    PHONE_NUMBER* phone = nullptr;
    if (contact.GetPhoneNumberList().CreateEntry(phone, key) != KV_OK)
        return;
    phone->SetCategory(category);
    phone->GetNumber() = number;
}

std::unique_ptr<CKvDataHandler> MakeContact(std::uint32_t index) {
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

// A store with the capacity of the benchmark's contacts.
std::unique_ptr<CKvDataHandlerStore> NewStore() {
    return std::make_unique<CKvDataHandlerStore>(K_KVDT_TP_DTHDLR_DATACONTACT, kByIdentifier,
                                                 kContacts, "DATA_TYPE_HANDLER", nullptr);
}

std::string WriteStore(CKvDataHandlerStore& store) {
    XmlDocument document;
    XmlNode* element = nullptr;
    store.WriteXml(element, document, document.GetRoot());
    std::string text;
    document.GetText(text);
    return text;
}

// The document takes the text over: nodes borrow from it without a copy.
std::unique_ptr<CKvDataHandlerStore> ReadStore(std::string text) {
    XmlDocument document;
    document.ParseOwned(std::move(text));
    auto store = NewStore();
    store->ReadXml(document.GetRoot()->GetChildList()[0]);
    return store;
}

CKvDataHandlerStore& Contacts() {
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

const std::string& ContactsText() {
    static const std::string text = WriteStore(Contacts());
    return text;
}

void Report(benchmark::State& state, const std::string& text) {
    state.SetItemsProcessed(state.iterations() * kContacts);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

void WriteContactStore(benchmark::State& state) {
    const std::string& text = ContactsText();
    for (auto _ : state)
        benchmark::DoNotOptimize(WriteStore(Contacts()));
    if (WriteStore(Contacts()) != text)
        state.SkipWithError("writing the store again gave another text");
    Report(state, text);
}

void ReadContactStore(benchmark::State& state) {
    const std::string& text = ContactsText();
    // The store read is a temporary: freed before the next iteration starts.
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadStore(text));
    if (ReadStore(text)->GetCount() != kContacts)
        state.SkipWithError("records were lost");
    Report(state, text);
}

void RoundTripContactStore(benchmark::State& state) {
    const std::string& text = ContactsText();
    // The text and the store read back are freed inside each iteration.
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadStore(WriteStore(Contacts())));
    if (WriteStore(*ReadStore(text)) != text)
        state.SkipWithError("the store read back writes another text");
    Report(state, text);
}

struct StringWriter final : pugi::xml_writer {
    std::string text;
    void write(const void* data, std::size_t size) override {
        text.append(static_cast<const char*>(data), size);
    }
};

void ParseAndSavePugixml(benchmark::State& state) {
    const std::string& text = ContactsText();
    for (auto _ : state) {
        pugi::xml_document document;
        const pugi::xml_parse_result result = document.load_buffer(text.data(), text.size());
        if (!result) {
            state.SkipWithError(result.description());
            break;
        }
        StringWriter writer;
        writer.text.reserve(text.size());
        document.save(writer, "", pugi::format_raw | pugi::format_no_declaration);
        benchmark::DoNotOptimize(writer.text.data());
    }
    Report(state, text);
}

} // namespace

BENCHMARK(WriteContactStore)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadContactStore)->Unit(benchmark::kMillisecond);
BENCHMARK(RoundTripContactStore)->Unit(benchmark::kMillisecond);
BENCHMARK(ParseAndSavePugixml)->Unit(benchmark::kMillisecond);
