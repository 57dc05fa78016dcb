// FUZZ_LIBRARIES: kv_guidesc
// Loads arbitrary bytes as the GUI description resource ("XML" 306, read by
// Load with an empty path) and checks that every description the catalog
// holds, written, read back into a new one and written again, gives the same
// text, and that its look-ups find what it holds.

#include "core/xml_document.h"
#include "guidesc/ui_object_catalog.h"
#include "platform/resources.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

std::string Written(CKvUIObject& description) {
    XmlDocument document;
    XmlNode* element = nullptr;
    if (description.WriteXml(element, document, document.GetRoot()) != KV_OK)
        std::abort();
    std::string text;
    document.GetText(text);
    return text;
}

void CheckRoundTrip(CKvUIObject& description) {
    const std::string first = Written(description);
    std::unique_ptr<CKvUIObject> again(UIObjectTypeTable()[description.GetTypeCode() - 1].create());
    XmlDocument reread;
    reread.Parse(first);
    const XmlNodeList& top = reread.GetRoot()->GetChildList();
    if (top.empty() || again->ReadXml(top[0]) != KV_OK)
        std::abort();
    const std::string second = Written(*again);
    if (first != second) {
        std::fprintf(stderr, "[%s]\n[%s]\n", first.c_str(), second.c_str());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RegisterResource(CKvUIObjectCatalog::kResourceType, CKvUIObjectCatalog::kResourceId,
                     std::string(reinterpret_cast<const char*>(data), size));
    CKvUIObjectCatalog catalog;
    catalog.Load("");
    for (const auto& [id, description] : catalog.GetIdMap()) {
        if (description->GetOwner() != &catalog)
            std::abort();
        CKvUIObject* found = nullptr;
        if (!catalog.Lookup(found, description->GetTypeCode(), description->GetIdentifier()) ||
            found != description)
            std::abort();
        std::int32_t x = 0;
        std::int32_t y = 0;
        if (catalog.GetAbsolutePosition(x, y, description) != KV_OK)
            std::abort();
        CheckRoundTrip(*description);
    }
    UnregisterAllResources();
    return 0;
}
