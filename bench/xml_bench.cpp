// BENCH_PEER: ParseKvXml ParsePugixml speed
// BENCH_PEER: WriteKvXml WritePugixml speed
// BENCH_PEER: ParseKvXmlFile ParsePugixmlFile speed
// BENCH_PEER: ParseKvXmlStoreFile ParsePugixmlStoreFile speed
// Parsing and writing a store of contact-like records with XmlDocument, with
// pugixml and with libxml2, in bytes per second of the record text. The text
// is well-formed XML that all three read: ASCII field texts without entities,
// written by XmlDocument itself on one line.
//
// Each parse starts from nothing: a new document in every iteration, which
// copies the text (or reads the file) and is destroyed inside the timing, so
// that neither side keeps memory from the iteration before. The file parses
// read a file written once beforehand (in the page cache: the reading is
// system calls and copies, not the disk). The store file is the record
// store's benchmark text, 10,000 contacts as CKvDataHandlerStore::WriteXml
// writes them. Every parse reports the minor page faults it took
// (faults_per_parse): what the allocator's thresholds cost each side.
//
// Run: build-xml-release/bench/xml_bench (or any Release build folder).

#include "contact_store_text.h"
#include "core/xml_document.h"
#include "platform/text.h"

#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <pugixml.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr std::int64_t kRecords = 10000;

void AddField(XmlDocument& document, XmlNode* parent, std::string_view name,
              std::string_view text) {
    XmlNode* field = nullptr;
    document.AddTextElement(field, parent, name, text, TRUE);
}

XmlNode* AddElement(XmlDocument& document, XmlNode* parent, std::string_view name,
                    std::string_view identifier) {
    XmlNode* element = nullptr;
    document.CreateNode(element, kXmlElement);
    element->SetName(name);
    document.AddChild(parent, element);
    XmlNode* attribute = nullptr;
    document.CreateNode(attribute, kXmlAttribute);
    attribute->SetName("identifier");
    attribute->SetContent(identifier);
    document.AddChild(element, attribute);
    return element;
}

void AddContact(XmlDocument& document, XmlNode* store, std::int64_t index) {
    const auto n = static_cast<std::uint32_t>(index);
    XmlNode* contact = AddElement(document, store, "DATACONTACT", Format("%x", n + 1));
    AddField(document, contact, "lastname", Format("Lastname%u", n));
    AddField(document, contact, "firstname", Format("Firstname%u", n % 997));
    AddField(document, contact, "datetimelastcall", Format("%u", 3900000000u + n));
    XmlNode* numbers = AddElement(document, contact, "PHONE_NUMBER_LIST", "numbers");
    static constexpr const char* kCategories[] = {"OFFICE", "MOBILE"};
    for (std::uint32_t i = 0; i < 2; ++i) {
        XmlNode* number = AddElement(document, numbers, "PHONE_NUMBER", Format("%u", i + 1));
        AddField(document, number, "number", Format("+49 30 %07u", (n * 7 + i) % 10000000));
        AddField(document, number, "category", kCategories[i]);
        AddField(document, number, "flagactive", i == 0 ? "TRUE" : "FALSE");
        AddField(document, number, "dialcount", Format("%u", (n + i) % 17));
    }
    AddField(document, contact, "comment", "Call back after 3 pm");
}

std::string MakeStoreText(std::int64_t records) {
    XmlDocument document;
    XmlElement* root = document.GetRoot();
    XmlNode* declaration = nullptr;
    document.CreateNode(declaration, kXmlProcessingInstruction);
    declaration->SetName("xml");
    XmlNode* version = nullptr;
    document.CreateNode(version, kXmlAttribute);
    version->SetNameAndContent("version", "1.0");
    document.AddChild(declaration, version);
    document.AddChild(root, declaration);
    XmlNode* store = AddElement(document, root, "DATA_TYPE_HANDLER", "8");
    for (std::int64_t i = 0; i < records; ++i)
        AddContact(document, store, i);
    std::string text;
    document.GetText(text);
    return text;
}

const std::string& StoreText(std::int64_t records) {
    static std::map<std::int64_t, std::string> texts;
    auto [entry, inserted] = texts.try_emplace(records);
    if (inserted)
        entry->second = MakeStoreText(records);
    return entry->second;
}

void SetBytes(benchmark::State& state, const std::string& text) {
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
    state.counters["records"] = static_cast<double>(state.range(0));
}

// The minor page faults of the benchmark's thread from its construction on,
// reported per iteration.
class FaultCount {
public:
    FaultCount() : start_(Now()) {}
    void Report(benchmark::State& state) const {
        state.counters["faults_per_parse"] =
            static_cast<double>(Now() - start_) / static_cast<double>(state.iterations());
    }

private:
    static long Now() {
        rusage usage{};
        getrusage(RUSAGE_THREAD, &usage);
        return usage.ru_minflt;
    }
    long start_;
};

// ---- Parsing ----

void ParseKvXml(benchmark::State& state) {
    const std::string& text = StoreText(state.range(0));
    const FaultCount faults;
    for (auto _ : state) {
        XmlDocument document;
        document.Parse(text);
        if (!document.IsParseComplete()) {
            state.SkipWithError("the text was not read completely");
            break;
        }
        benchmark::DoNotOptimize(document.GetRoot());
    }
    faults.Report(state);
    SetBytes(state, text);
}

void ParsePugixml(benchmark::State& state) {
    const std::string& text = StoreText(state.range(0));
    const FaultCount faults;
    for (auto _ : state) {
        pugi::xml_document document;
        const pugi::xml_parse_result result = document.load_buffer(text.data(), text.size());
        if (!result) {
            state.SkipWithError(result.description());
            break;
        }
        benchmark::DoNotOptimize(document.first_child());
    }
    faults.Report(state);
    SetBytes(state, text);
}

// A text in a file of its own under a folder of the program's, both removed
// when the program ends.
const std::string& TextFile(const std::string& name, const std::string& text) {
    struct Folder {
        std::string path;
        std::vector<std::string> files;
        ~Folder() {
            for (const std::string& file : files)
                std::remove(file.c_str());
            rmdir(path.c_str());
        }
    };
    static Folder folder;
    static std::map<std::string, std::string> paths;
    if (folder.path.empty()) {
        char pattern[] = "/tmp/kv_xml_bench.XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            std::abort();
        folder.path = pattern;
    }
    auto [entry, inserted] = paths.try_emplace(name);
    if (inserted) {
        entry->second = folder.path + "/" + name;
        folder.files.push_back(entry->second);
        std::FILE* file = std::fopen(entry->second.c_str(), "wb");
        if (file == nullptr || std::fwrite(text.data(), 1, text.size(), file) != text.size() ||
            std::fclose(file) != 0)
            std::abort();
    }
    return entry->second;
}

const std::string& StoreFile(std::int64_t records) {
    return TextFile(Format("records_%lld.xml", static_cast<long long>(records)),
                    StoreText(records));
}

// The record store's text as CKvDataHandlerStore::WriteXml wrote it.
const std::string& ContactStoreFile() {
    return TextFile("contact_store.xml", contact_store_text::ContactsText());
}

// XmlDocument::LoadFromFile, each document made and destroyed in the timing.
void LoadKvXmlFile(benchmark::State& state, const std::string& path) {
    const FaultCount faults;
    for (auto _ : state) {
        XmlDocument document;
        if (document.LoadFromFile(path) != KV_OK || !document.IsParseComplete()) {
            state.SkipWithError("the file was not read completely");
            break;
        }
        benchmark::DoNotOptimize(document.GetRoot());
    }
    faults.Report(state);
}

void LoadPugixmlFile(benchmark::State& state, const std::string& path) {
    const FaultCount faults;
    for (auto _ : state) {
        pugi::xml_document document;
        const pugi::xml_parse_result result = document.load_file(path.c_str());
        if (!result) {
            state.SkipWithError(result.description());
            break;
        }
        benchmark::DoNotOptimize(document.first_child());
    }
    faults.Report(state);
}

void ParseKvXmlFile(benchmark::State& state) {
    LoadKvXmlFile(state, StoreFile(state.range(0)));
    SetBytes(state, StoreText(state.range(0)));
}

void ParsePugixmlFile(benchmark::State& state) {
    LoadPugixmlFile(state, StoreFile(state.range(0)));
    SetBytes(state, StoreText(state.range(0)));
}

void SetStoreFileBytes(benchmark::State& state) {
    const std::string& text = contact_store_text::ContactsText();
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
    state.counters["contacts"] = contact_store_text::kContacts;
}

void ParseKvXmlStoreFile(benchmark::State& state) {
    LoadKvXmlFile(state, ContactStoreFile());
    SetStoreFileBytes(state);
}

void ParsePugixmlStoreFile(benchmark::State& state) {
    LoadPugixmlFile(state, ContactStoreFile());
    SetStoreFileBytes(state);
}

void ParseLibxml2(benchmark::State& state) {
    const std::string& text = StoreText(state.range(0));
    const FaultCount faults;
    for (auto _ : state) {
        xmlDocPtr document = xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr,
                                           nullptr, XML_PARSE_NONET | XML_PARSE_HUGE);
        if (document == nullptr) {
            state.SkipWithError("libxml2 could not read the text");
            break;
        }
        benchmark::DoNotOptimize(document);
        xmlFreeDoc(document);
    }
    faults.Report(state);
    SetBytes(state, text);
}

// ---- Writing ----

void WriteKvXml(benchmark::State& state) {
    const std::string& text = StoreText(state.range(0));
    XmlDocument document;
    document.Parse(text);
    XmlElement* root = document.GetRoot();
    for (auto _ : state) {
        root->BuildMarkup();
        benchmark::DoNotOptimize(root->GetMarkup().data());
    }
    if (root->GetMarkup() != text)
        state.SkipWithError("the written text differs from the parsed one");
    SetBytes(state, text);
}

struct StringWriter final : pugi::xml_writer {
    std::string text;
    void write(const void* data, std::size_t size) override {
        text.append(static_cast<const char*>(data), size);
    }
};

void WritePugixml(benchmark::State& state) {
    const std::string& text = StoreText(state.range(0));
    pugi::xml_document document;
    document.load_buffer(text.data(), text.size());
    StringWriter writer;
    for (auto _ : state) {
        writer.text.clear();
        document.save(writer, "", pugi::format_raw | pugi::format_no_declaration);
        benchmark::DoNotOptimize(writer.text.data());
    }
    SetBytes(state, text);
}

void WriteLibxml2(benchmark::State& state) {
    const std::string& text = StoreText(state.range(0));
    xmlDocPtr document = xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr,
                                       XML_PARSE_NONET | XML_PARSE_HUGE);
    for (auto _ : state) {
        xmlChar* memory = nullptr;
        int size = 0;
        xmlDocDumpMemory(document, &memory, &size);
        benchmark::DoNotOptimize(memory);
        xmlFree(memory);
    }
    xmlFreeDoc(document);
    SetBytes(state, text);
}

} // namespace

// N records, 2N for the scaling, and 4N and 8N to show the scaling once the
// text and its tree no longer fit in the processor's last-level cache.
BENCHMARK(ParseKvXml)
    ->Arg(kRecords)
    ->Arg(2 * kRecords)
    ->Arg(4 * kRecords)
    ->Arg(8 * kRecords)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ParsePugixml)
    ->Arg(kRecords)
    ->Arg(2 * kRecords)
    ->Arg(4 * kRecords)
    ->Arg(8 * kRecords)
    ->Unit(benchmark::kMillisecond);
// The file parses at N and 2N records (11 MB of text at 2N).
BENCHMARK(ParseKvXmlFile)->Arg(kRecords)->Arg(2 * kRecords)->Unit(benchmark::kMillisecond);
BENCHMARK(ParsePugixmlFile)->Arg(kRecords)->Arg(2 * kRecords)->Unit(benchmark::kMillisecond);
// The record store's text in a file.
BENCHMARK(ParseKvXmlStoreFile)->Unit(benchmark::kMillisecond);
BENCHMARK(ParsePugixmlStoreFile)->Unit(benchmark::kMillisecond);
BENCHMARK(ParseLibxml2)
    ->Arg(kRecords)
    ->Arg(2 * kRecords)
    ->Arg(4 * kRecords)
    ->Arg(8 * kRecords)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(WriteKvXml)
    ->Arg(kRecords)
    ->Arg(2 * kRecords)
    ->Arg(4 * kRecords)
    ->Arg(8 * kRecords)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(WritePugixml)
    ->Arg(kRecords)
    ->Arg(2 * kRecords)
    ->Arg(4 * kRecords)
    ->Arg(8 * kRecords)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(WriteLibxml2)
    ->Arg(kRecords)
    ->Arg(2 * kRecords)
    ->Arg(4 * kRecords)
    ->Arg(8 * kRecords)
    ->Unit(benchmark::kMillisecond);
