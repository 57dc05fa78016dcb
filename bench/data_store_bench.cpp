// A store of 10,000 contacts (three phone numbers and an address each)
// written to XML text and read back through the records' own XML forms, per
// record and in bytes per second of the text, beside pugixml parsing and
// saving the same text. Both sides free what they built inside the timing:
// the read-back store and its document here, pugixml's document there.
//
// Run: build-integ-release/bench/data_store_bench (or any Release build folder).

#include "contact_store_text.h"
#include "core/xml_document.h"
#include "data/data_handler_store.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace {

using contact_store_text::Contacts;
using contact_store_text::ContactsText;
using contact_store_text::kContacts;
using contact_store_text::NewStore;
using contact_store_text::WriteStore;

// The document takes the text over: nodes borrow from it without a copy.
std::unique_ptr<CKvDataHandlerStore> ReadStore(std::string text) {
    XmlDocument document;
    document.ParseOwned(std::move(text));
    auto store = NewStore();
    store->ReadXml(document.GetRoot()->GetChildList()[0]);
    return store;
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
