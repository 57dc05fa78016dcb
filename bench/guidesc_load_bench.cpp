// BENCH_LIBRARIES: kv_guidesc
// BENCH_PEER: BM_CatalogLoadFull BM_PugixmlParseFull time
// BENCH_PEER: BM_CatalogLoadHalf BM_PugixmlParseHalf time
// Loading a GUI description file into a catalog against pugixml parsing the
// same text in memory: a generated file with every type the loader reads at
// its capacity (4,016 descriptions), and one half as full. Descriptions per
// second and bytes per second of the file text. Both sides are timed whole:
// the catalog's Load and its destruction, pugixml's parse and its document's
// destruction.
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

namespace {

// A file of the read types, each with its capacity times the share; every
// description carries its geometry, colours, a text and a window style.
std::string MakeFile(double share, std::int64_t& descriptions) {
    std::string text = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<GUIDESCRIPTION>\n";
    descriptions = 0;
    for (const UIObjectTypeRow& row : UIObjectTypeTable()) {
        if (!row.read_from_file)
            continue;
        const std::string tag(row.tag);
        AppendFormat(text, "  <catalog_%s>\n", tag.c_str());
        const auto count = static_cast<std::uint32_t>(row.capacity * share);
        for (std::uint32_t i = 0; i < count; ++i) {
            AppendFormat(text,
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
            ++descriptions;
        }
        AppendFormat(text, "  </catalog_%s>\n", tag.c_str());
    }
    text += "</GUIDESCRIPTION>\n";
    return text;
}

void LoadCatalog(benchmark::State& state, double share) {
    std::int64_t descriptions = 0;
    const std::string text = MakeFile(share, descriptions);
    RegisterResource(CKvUIObjectCatalog::kResourceType, CKvUIObjectCatalog::kResourceId, text);
    for (auto _ : state) {
        CKvUIObjectCatalog catalog;
        if (catalog.Load("") != KV_OK ||
            catalog.GetCount() != static_cast<std::size_t>(descriptions))
            std::abort();
        benchmark::DoNotOptimize(catalog.GetCount());
    }
    UnregisterAllResources();
    state.SetItemsProcessed(state.iterations() * descriptions);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

void ParsePugixml(benchmark::State& state, double share) {
    std::int64_t descriptions = 0;
    const std::string text = MakeFile(share, descriptions);
    for (auto _ : state) {
        pugi::xml_document document;
        if (!document.load_buffer(text.data(), text.size()))
            std::abort();
        benchmark::DoNotOptimize(document.first_child());
    }
    state.SetItemsProcessed(state.iterations() * descriptions);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

void BM_CatalogLoadFull(benchmark::State& state) {
    LoadCatalog(state, 1.0);
}
void BM_CatalogLoadHalf(benchmark::State& state) {
    LoadCatalog(state, 0.5);
}
void BM_PugixmlParseFull(benchmark::State& state) {
    ParsePugixml(state, 1.0);
}
void BM_PugixmlParseHalf(benchmark::State& state) {
    ParsePugixml(state, 0.5);
}

BENCHMARK(BM_CatalogLoadFull)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CatalogLoadHalf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugixmlParseFull)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugixmlParseHalf)->Unit(benchmark::kMillisecond);

} // namespace
