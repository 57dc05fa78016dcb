// Demonstration: the plug-in's GUI description file loaded into a catalog,
// the number of descriptions of each type, a user-visible text and the
// absolute position of a button anchored to a group box.
//
//   guidesc_demo [path of a GUI description file]

#include "guidesc/ui_object_catalog.h"
#include "platform/windows1252.h"

#include <cstdio>
#include <string>

#ifndef KV_SAMPLE_GUI_FILE
#define KV_SAMPLE_GUI_FILE "examples/veltrix_GUI.xml"
#endif

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : KV_SAMPLE_GUI_FILE;
    CKvUIObjectCatalog catalog;
    const KvResult loaded = catalog.Load(path);
    std::printf("Load %s: 0x%08X, %zu descriptions\n", path.c_str(), loaded, catalog.GetCount());

    for (const UIObjectTypeRow& row : UIObjectTypeTable()) {
        CKvUIObjectCatalogType* type = nullptr;
        if (catalog.GetType(type, row.type_code) != KV_OK)
            continue;
        std::printf("  %2u %-24.*s %4zu of %4u%s\n", row.type_code,
                    static_cast<int>(row.tag.size()), row.tag.data(), type->GetCount(),
                    type->GetCapacity(), row.read_from_file ? "" : " (not read)");
    }

    const std::string identifier = "UIObjString_APPLICATION_Veltrix_ERROR_no_outlook";
    std::string text = identifier;
    catalog.GetString(text, identifier);
    std::printf("%s = \"%s\"\n", identifier.c_str(), Windows1252ToUtf8(text).c_str());

    CKvUIObject* button = nullptr;
    const std::string button_id = "UIObjXPButton_APPLICATION_Veltrix_Dlg_ACTION_EXPORT";
    if (catalog.FindByIdentifier(button, button_id)) {
        std::int32_t x = 0;
        std::int32_t y = 0;
        catalog.GetAbsolutePosition(x, y, button);
        std::printf("%s at (%d, %d), anchored to %s: absolute (%d, %d)\n", button_id.c_str(),
                    button->GetPositionX(), button->GetPositionY(),
                    button->GetAnchorIdentifier().c_str(), x, y);
    }
    return loaded == KV_OK ? 0 : 1;
}
