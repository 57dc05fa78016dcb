// FUZZ_LIBRARIES: kv_guidesc
// Feeds arbitrary bytes, parsed as XML, to the readers of the fifteen UI
// description classes (XML and DOM forms) and checks that
// - reading never crashes and fails only with the structural codes;
// - a description written, read into a new one and written again gives the
//   same text.

#include "core/xml_document.h"
#include "guidesc/ui_object_catalog_type.h"
#include "platform/dom.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace {

// One description of each of the fifteen classes, chosen by the selector.
std::unique_ptr<CKvUIObject> MakeDescription(std::uint8_t selector) {
    const auto types = UIObjectTypeTable();
    return std::unique_ptr<CKvUIObject>(types[selector % types.size()].create());
}

void CheckReadResult(KvResult result) {
    if (result != KV_OK && result != KV_E_NOT_FOUND && result != KV_E_INVALID_POINTER)
        std::abort();
}

std::string Written(CKvUIObject& description) {
    XmlDocument document;
    XmlNode* element = nullptr;
    if (description.WriteXml(element, document, document.GetRoot()) != KV_OK)
        std::abort();
    std::string text;
    document.GetText(text);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    XmlDocument document;
    document.Parse(input);
    for (const XmlNode* element : document.GetRoot()->GetChildList()) {
        std::unique_ptr<CKvUIObject> description = MakeDescription(data[0]);
        const KvResult result = description->ReadXml(element);
        CheckReadResult(result);
        if (result != KV_OK)
            continue;
        const std::string first = Written(*description);
        std::unique_ptr<CKvUIObject> again = MakeDescription(data[0]);
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

    DomDocumentPtr dom;
    if (CreateDomDocument(dom) == KV_OK && dom->loadXML(input) == KV_OK) {
        DomElementPtr top;
        dom->get_documentElement(top);
        std::unique_ptr<CKvUIObject> description = MakeDescription(data[0]);
        if (description->ReadDom(top) != KV_OK)
            std::abort();
    }
    return 0;
}
