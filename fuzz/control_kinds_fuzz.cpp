// FUZZ_LIBRARIES: kv_controls
// Every kind of skinned control made from a fuzzed description inside a
// dialog, and a skinned dialog of its own, painted and destroyed: nothing
// crashes or overflows, every window is gone afterwards, and as many drawing
// objects and device contexts live as before. The bytes are lines
// "<key number><value>": the first byte of a line picks the description key,
// the rest up to the next line break is its value. The images the sample
// names are there to load: bitmap resources 302, 303 and 305, and the files
// "Images\dlg_configuration.bmp" and (packed) "Images\help.bmp" under the
// catalog's folder.

#include "controls/kv_ui_check_box.h"
#include "controls/kv_ui_combo_box_ex.h"
#include "controls/kv_ui_dialog.h"
#include "controls/kv_ui_edit.h"
#include "controls/kv_ui_list_ctrl.h"
#include "controls/kv_ui_property_page.h"
#include "controls/kv_ui_property_sheet.h"
#include "controls/kv_ui_static.h"
#include "controls/kv_ui_static_group_box.h"
#include "controls/kv_ui_xp_button.h"
#include "core/xml_document.h"
#include "platform/clock.h"
#include "platform/gdi/gdi.h"
#include "platform/message_queue.h"
#include "platform/mfc/mfc_dialog.h"
#include "platform/resources.h"
#include "platform/thread_messaging.h"
#include "platform/wnd/wnd.h"
#include "tests/controls/bmp_writer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr UINT kPageTemplate = 0x0777;

constexpr const char* kKeys[] = {
    "positionx",          "positiony",           "width",              "height",
    "text",               "textwidth",           "textheight",         "textpositionx",
    "textpositiony",      "fontescapement",      "textstyle",          "fontweight",
    "fontstyle",          "textmagnify",         "flagroundedgeleft",  "flagroundedgeright",
    "flagroundedgetop",   "flagroundedgebottom", "roundedgex",         "roundedgey",
    "backgroundcolor",    "textcolor",           "textbackgroundcolor", "transparentcolor",
    "windowstyle",        "style",               "editstyle",          "comboboxstyle",
    "listboxstyle",       "listctrlstyle",       "listctrlexstyle",    "headernamelist",
    "textentries",        "tooltiptext",         "tooltipwidth",       "flagbuttonasstatic",
    "pencolor",           "flagborder",          "buttonwidth",        "buttonheight",
    "anchoridentifier",   "uiid",                "backgroundcolorrangestart", "textlimit",
    "dialogstyle",        "flagsizefollowbackgroundimage",
    "backgroundimageridorfile", "borderimageridorfile", "flagbackgroundwallpaper",
    "flagbackgroundimagehastransparent", "flagbackgroundimageispacked", "imagewidth",
    "imageheight",        "imagepositionx",      "imagepositiony",     "imageroundedgex",
    "imageroundedgey",    "flagimageborder",
};

constexpr const char* kTags[] = {"UIOBJECTXPBUTTON",       "UIOBJECTCHECKBOX",    "UIOBJECTEDIT",
                                 "UIOBJECTSTATIC",         "UIOBJECTSTATICGROUPBOX", "UIOBJECTCOMBOBOXEX",
                                 "UIOBJECTLISTCTRL",       "UIOBJECTPROPERTYSHEET",  "UIOBJECTDIALOG"};

// The catalogs' folder, holding the image files.
std::filesystem::path& ImageFolder() {
    static std::filesystem::path folder;
    return folder;
}

// A light wash with magenta (the sample's transparent colour) in the corners.
std::uint32_t Wash(int x, int y, int width, int height) {
    const bool corner = (x < 4 || x >= width - 4) && (y < 4 || y >= height - 4);
    return corner ? 0xFF00FFu : 0xE0E8F0u + static_cast<std::uint32_t>((x + y) % 16);
}

// The images the sample names, made small: resources and files.
void MakeImages() {
    const auto resource = [](std::uint32_t id, int width, int height, int bits) {
        const bmp::Header header{.width = width, .height = height, .bits = static_cast<std::uint16_t>(bits)};
        RegisterResource(KV_RT_BITMAP, id,
                         bmp::InfoHeader(header) + bmp::Pixels(width, height, bits, [&](int x, int y) {
                             return Wash(x, y, width, height);
                         }));
    };
    resource(302, 48, 30, 32);  // background
    resource(303, 4, 1, 24);    // border rings
    resource(305, 16, 16, 24);  // logo
    std::filesystem::path& folder = ImageFolder();
    folder = std::filesystem::temp_directory_path() / ("kv_control_kinds_fuzz_" + std::to_string(getpid()));
    const auto pixel = [](int x, int y) { return Wash(x, y, 24, 24); };
    const std::string plain = bmp::File(bmp::Header{.width = 24, .height = 24}, bmp::Pixels(24, 24, 24, pixel));
    const std::string packed = bmp::PackedFile(bmp::InfoHeader(bmp::Header{.width = 24, .height = 24}),
                                               bmp::Header{.width = 24, .height = 24},
                                               bmp::PackedBodyOf(24, 24, pixel));
    // The dialog and static look below "Themes", the page below "Images".
    for (const char* below : {"Themes", "Images"}) {
        const std::filesystem::path images = folder / below / "Images";
        std::filesystem::create_directories(images);
        std::ofstream(images / "dlg_configuration.bmp", std::ios::binary) << plain;
        std::ofstream(images / "help.bmp", std::ios::binary) << packed;
    }
}

void Check(bool condition, const char* what) {
    if (condition)
        return;
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

std::string Escaped(const std::string& value) {
    std::string out;
    for (const char c : value) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '\0': break;
        default: out += c;
        }
    }
    return out;
}

// The elements of one description from the lines of the bytes.
std::string Properties(const std::uint8_t* data, std::size_t size) {
    std::string properties;
    std::size_t at = 0;
    while (at < size) {
        const char* key = kKeys[data[at] % std::size(kKeys)];
        std::size_t end = at + 1;
        while (end < size && data[end] != '\n')
            ++end;
        const std::string value(reinterpret_cast<const char*>(data + at + 1), end - at - 1);
        properties += std::string("<") + key + ">" + Escaped(value) + "</" + key + ">";
        at = end + 1;
    }
    return properties;
}

class Parent : public CDialog {
public:
    Parent() {
        const std::string bytes = BuildDialogTemplate(WS_POPUP | WS_VISIBLE, 0, 0, 0, 200, 150, "Parent");
        CreateIndirect(bytes.data(), bytes.size());
    }
    ~Parent() override { DestroyWindow(); }
};

void Paint(CWnd& parent, CWnd& control) {
    if (control.IsWindow()) {
        control.ShowWindow(SW_SHOW);
        control.Invalidate();
        control.UpdateWindow();
    }
    parent.Invalidate();
    parent.UpdateWindow();
    PumpUntilIdle(10000);
}

template <class Control> void Cycle(CKvUIObjectCatalog& catalog, CWnd& parent) {
    auto control = std::make_unique<Control>();
    control->SetOwner(&catalog);
    control->GetIdentifier() = "C";
    control->CreateFromDescription(&parent, TRUE);
    Paint(parent, *control);
}

// A skinned dialog of its own, made modeless from the description.
void CycleDialog(CKvUIObjectCatalog& catalog, CWnd& parent) {
    CKvUIDialog dialog;
    dialog.SetOwner(&catalog);
    dialog.GetIdentifier() = "C";
    dialog.CreateModelessFromDescription();
    Paint(parent, dialog);
    dialog.DestroyWindow();
}

void CycleSheet(CKvUIObjectCatalog& catalog, CWnd& parent) {
    CKvUIPropertyPage page(kPageTemplate);
    page.SetOwner(&catalog);
    page.GetIdentifier() = "P";
    page.LoadDescription();
    CKvUIPropertySheet sheet(&catalog, "C", 0);
    sheet.AddPage(&page);
    sheet.CreateFromDescription(&parent);
    Paint(parent, sheet);
    sheet.DestroyWindow();
}

// Builds, paints and destroys one control of each kind; false when the
// description is not XML.
bool EveryKind(const std::string& properties) {
    Parent parent;
    for (std::size_t kind = 0; kind < std::size(kTags); ++kind) {
        const std::string tag = kTags[kind];
        // The anchor "A" sits at the far end of the range, for an
        // "anchoridentifier" to reach.
        const std::string xml = "<GUI><catalog_" + tag + "><" + tag + " identifier=\"C\">" + properties + "</" + tag +
                                "><" + tag + " identifier=\"A\"><positionx>2147483647</positionx></" + tag +
                                "></catalog_" + tag + "><catalog_UIOBJECTDIALOG><UIOBJECTDIALOG identifier=\"P\">" +
                                properties + "</UIOBJECTDIALOG></catalog_UIOBJECTDIALOG></GUI>";
        XmlDocument document;
        if (KvFailed(document.Parse(xml)))
            return false;
        CKvUIObjectCatalog catalog;
        catalog.GetFolder() = ImageFolder().string();
        catalog.RegisterTypes();
        for (std::uint32_t code = kUIObjectDialog; code <= kUIObjectButtonGroupLine; ++code)
            catalog.ReadType(document, code);
        switch (kind) {
        case 0: Cycle<CKvUIXPButton>(catalog, parent); break;
        case 1: Cycle<CKvUICheckBox>(catalog, parent); break;
        case 2: Cycle<CKvUIEdit>(catalog, parent); break;
        case 3: Cycle<CKvUIStatic>(catalog, parent); break;
        case 4: Cycle<CKvUIStaticGroupBox>(catalog, parent); break;
        case 5: Cycle<CKvUIComboBoxEx>(catalog, parent); break;
        case 6: Cycle<CKvUIListCtrl>(catalog, parent); break;
        case 7: CycleSheet(catalog, parent); break;
        default: CycleDialog(catalog, parent); break;
        }
    }
    return true;
}

struct Setup {
    Setup() {
        AttachThreadQueue(queue);
        MakeImages();
        RegisterResource(KV_RT_DIALOG, kPageTemplate,
                         BuildDialogTemplate(WS_CHILD | WS_CAPTION, 0, 0, 0, 120, 60, "Page"));
        // What the drawing layer makes once per process (the screen, stock
        // fonts) is made before the first count.
        EveryKind("<width>60</width><height>20</height><text>x</text>");
        PumpUntilIdle(10000);
    }
    ~Setup() {
        std::error_code ignored;
        std::filesystem::remove_all(ImageFolder(), ignored);
    }
    std::shared_ptr<MessageQueue> queue = std::make_shared<MessageQueue>();
    ManualClock clock{0, 0, 1000};
    ScopedClock installed{clock};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Setup setup;
    const GdiStatistics before = GdiGetStatistics();
    EveryKind(Properties(data, size));
    PumpUntilIdle(10000);
    Check(WndCountWindows() == 0, "a window outlived its control");
    const GdiStatistics after = GdiGetStatistics();
    Check(after.live_objects == before.live_objects, "drawing objects leaked");
    Check(after.live_dcs == before.live_dcs, "device contexts leaked");
    return 0;
}
