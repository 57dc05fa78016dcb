// BENCH_LIBRARIES: kv_guidesc
// BENCH_PEER: BM_CatalogLoadFull BM_PugixmlParseFull time
// BENCH_PEER: BM_CatalogLoadHalf BM_PugixmlParseHalf time
// BENCH_PEER: BM_CatalogLoadSample BM_PugixmlParseSample time
// Loading a GUI description file into a catalog against pugixml parsing the
// same text in memory: a generated file with every type the loader reads at
// its capacity (4,016 descriptions), one half as full, and the sample file's
// own descriptions repeated up to each type's capacity (4,016 again, their
// identifiers made unique). The generated file repeats one description with
// one style per type, the easiest case for the key search and the style
// texts; the sample's descriptions differ in their keys, their order and
// their styles. Descriptions per second and bytes per second of the file
// text. Both sides are timed whole: the catalog's Load and its destruction,
// pugixml's parse and its document's destruction.
//
// Run: build-release/bench/guidesc_load_bench (or any Release build folder).

#include "guidesc/ui_object_catalog.h"
#include "platform/resources.h"
#include "platform/text.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct CatalogFile {
    std::string text;
    std::int64_t descriptions = 0;
};

// A file with the catalog of every read type, whose descriptions
// describe(row, tag, file) appends.
template <typename Describe> CatalogFile MakeCatalogFile(Describe describe) {
    CatalogFile file;
    file.text = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<GUIDESCRIPTION>\n";
    for (const UIObjectTypeRow& row : UIObjectTypeTable()) {
        if (!row.read_from_file)
            continue;
        const std::string tag(row.tag);
        AppendFormat(file.text, "  <catalog_%s>\n", tag.c_str());
        describe(row, tag, file);
        AppendFormat(file.text, "  </catalog_%s>\n", tag.c_str());
    }
    file.text += "</GUIDESCRIPTION>\n";
    return file;
}

// Each read type with its capacity times the share; every description
// carries its geometry, colours, a text and a window style.
CatalogFile MakeFile(double share) {
    return MakeCatalogFile(
        [share](const UIObjectTypeRow& row, const std::string& tag, CatalogFile& file) {
            const auto count = static_cast<std::uint32_t>(row.capacity * share);
            for (std::uint32_t i = 0; i < count; ++i) {
                AppendFormat(file.text,
                             "    <%s identifier=\"UIObj%u_APPLICATION_Veltrix_Item_%u\">\n"
                             "      <width>%u</width><height>24</height>\n"
                             "      <positionx>%u</positionx><positiony>%u</positiony>\n"
                             "      <backgroundcolor>E0E8F0</backgroundcolor>"
                             "<textcolor>202020</textcolor>\n"
                             "      <text>Eintr&auml;ge Nummer %u</text>\n"
                             "      <windowstyle>WS_CHILD,WS_VISIBLE,WS_TABSTOP</windowstyle>\n"
                             "    </%s>\n",
                             tag.c_str(), row.type_code, i, 100 + i % 50, i % 400, i % 300, i,
                             tag.c_str());
                ++file.descriptions;
            }
        });
}

// The sample file's descriptions of each read type, repeated in their order
// up to the type's capacity; the n-th repetition appends "_n" to each
// identifier.
CatalogFile MakeSampleFile() {
    std::string sample;
    if (ReadWholeFile(KV_SAMPLE_GUI_FILE, sample) != KV_OK)
        std::abort();
    return MakeCatalogFile([&sample](const UIObjectTypeRow& row, const std::string& tag,
                                     CatalogFile& file) {
        const std::size_t begin = sample.find("<catalog_" + tag + ">");
        const std::size_t end = sample.find("</catalog_" + tag + ">");
        if (begin == std::string::npos || end == std::string::npos)
            std::abort();
        // Each description: its element, from its opening to its closing tag.
        std::vector<std::string_view> originals;
        const std::string open = "<" + tag + " ";
        const std::string close = "</" + tag + ">";
        for (std::size_t at = sample.find(open, begin); at < end; at = sample.find(open, at + 1)) {
            const std::size_t stop = sample.find(close, at) + close.size();
            originals.emplace_back(sample.data() + at, stop - at);
        }
        if (originals.empty())
            std::abort();
        for (std::uint32_t i = 0; i < row.capacity; ++i) {
            std::string copy(originals[i % originals.size()]);
            if (const std::size_t round = i / originals.size(); round > 0) {
                const std::size_t name = copy.find("identifier=\"") + 12;
                copy.insert(copy.find('"', name), Format("_%zu", round));
            }
            file.text += "    ";
            file.text += copy;
            file.text += '\n';
            ++file.descriptions;
        }
    });
}

// Descriptions per second and bytes per second of the file text.
void SetRates(benchmark::State& state, const CatalogFile& file) {
    state.SetItemsProcessed(state.iterations() * file.descriptions);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.text.size()));
}

void LoadCatalog(benchmark::State& state, const CatalogFile& file) {
    RegisterResource(CKvUIObjectCatalog::kResourceType, CKvUIObjectCatalog::kResourceId, file.text);
    for (auto _ : state) {
        CKvUIObjectCatalog catalog;
        if (catalog.Load("") != KV_OK ||
            catalog.GetCount() != static_cast<std::size_t>(file.descriptions))
            std::abort();
        benchmark::DoNotOptimize(catalog.GetCount());
    }
    UnregisterAllResources();
    SetRates(state, file);
}

void ParsePugixml(benchmark::State& state, const CatalogFile& file) {
    for (auto _ : state) {
        pugi::xml_document document;
        if (!document.load_buffer(file.text.data(), file.text.size()))
            std::abort();
        benchmark::DoNotOptimize(document.first_child());
    }
    SetRates(state, file);
}

void BM_CatalogLoadFull(benchmark::State& state) {
    LoadCatalog(state, MakeFile(1.0));
}
void BM_CatalogLoadHalf(benchmark::State& state) {
    LoadCatalog(state, MakeFile(0.5));
}
void BM_CatalogLoadSample(benchmark::State& state) {
    LoadCatalog(state, MakeSampleFile());
}
void BM_PugixmlParseFull(benchmark::State& state) {
    ParsePugixml(state, MakeFile(1.0));
}
void BM_PugixmlParseHalf(benchmark::State& state) {
    ParsePugixml(state, MakeFile(0.5));
}
void BM_PugixmlParseSample(benchmark::State& state) {
    ParsePugixml(state, MakeSampleFile());
}

BENCHMARK(BM_CatalogLoadFull)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CatalogLoadHalf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CatalogLoadSample)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugixmlParseFull)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugixmlParseHalf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugixmlParseSample)->Unit(benchmark::kMillisecond);

} // namespace
