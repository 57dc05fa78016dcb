// FUZZ_LIBRARIES: kv_tapi
// Feeds arbitrary bytes, parsed as XML, to KVTAPICALLSMANAGER::ReadXml (calls
// managers arrive in job texts) and checks that what was read survives
// writing: once written and read back, writing gives the same text again.

#include "core/xml_document.h"
#include "tapi/tapi_calls_manager.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

std::string Written(KVTAPICALLSMANAGER& manager) {
    XmlDocument document;
    XmlNode* element = nullptr;
    manager.WriteXml(element, document, document.GetRoot());
    std::string text;
    document.GetText(text);
    return text;
}

void ReadFirst(KVTAPICALLSMANAGER& manager, std::string_view text) {
    XmlDocument document;
    document.Parse(text);
    for (const XmlNode* node : document.GetRoot()->GetChildList())
        manager.ReadXml(node);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    KVTAPICALLSMANAGER manager;
    ReadFirst(manager, input);
    if (manager.GetCount() > KVTAPICALLSMANAGER::kCapacity)
        std::abort();
    const std::string first = Written(manager);
    KVTAPICALLSMANAGER second;
    ReadFirst(second, first);
    const std::string again = Written(second);
    KVTAPICALLSMANAGER third;
    ReadFirst(third, again);
    if (Written(third) != again) {
        std::fprintf(stderr, "[%s]\n[%s]\n", again.c_str(), Written(third).c_str());
        std::abort();
    }
    return 0;
}
