// FUZZ_LIBRARIES: kv_guidesc
// Feeds arbitrary bytes, parsed as XML, to the readers of the nine UI
// description classes (XML and DOM forms) and checks that
// - reading never crashes and fails only with the structural codes;
// - a description written, read into a new one and written again gives the
//   same text.

#include "core/xml_document.h"
#include "guidesc/ui_object_button_group_line.h"
#include "guidesc/ui_object_button_line.h"
#include "guidesc/ui_object_check_box.h"
#include "guidesc/ui_object_dialog.h"
#include "guidesc/ui_object_edit.h"
#include "guidesc/ui_object_image_button.h"
#include "guidesc/ui_object_static.h"
#include "guidesc/ui_object_static_group_box.h"
#include "guidesc/ui_object_xp_button.h"
#include "platform/dom.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace {

std::unique_ptr<CKvUIObject> MakeDescription(std::uint8_t selector) {
    switch (selector % 9) {
    case 0:
        return std::make_unique<CKvUIObjectDialog>(nullptr, 0, nullptr);
    case 1:
        return std::make_unique<CKvUIObjectXPButton>(nullptr, 0, nullptr);
    case 2:
        return std::make_unique<CKvUIObjectImageButton>(nullptr, 0, nullptr);
    case 3:
        return std::make_unique<CKvUIObjectStaticGroupBox>(nullptr, 0, nullptr);
    case 4:
        return std::make_unique<CKvUIObjectStatic>(nullptr, 0, nullptr);
    case 5:
        return std::make_unique<CKvUIObjectEdit>(nullptr, 0, nullptr);
    case 6:
        return std::make_unique<CKvUIObjectCheckBox>(nullptr, 0, nullptr);
    case 7:
        return std::make_unique<CKvUIObjectButtonLine>(nullptr, 0, nullptr);
    default:
        return std::make_unique<CKvUIObjectButtonGroupLine>(nullptr, 0, nullptr);
    }
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
