// FUZZ_LIBRARIES: kv_controls
// Every kind of skinned control made from a fuzzed description inside a
// dialog, and a skinned dialog of its own, painted and destroyed: nothing
// crashes or overflows, every window is gone afterwards, and as many drawing
// objects and device contexts live as before. The bytes are lines
// "<key number><value>": the first byte of a line picks the description key,
// the rest up to the next line break is its value.

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

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

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
};

constexpr const char* kTags[] = {"UIOBJECTXPBUTTON",       "UIOBJECTCHECKBOX",    "UIOBJECTEDIT",
                                 "UIOBJECTSTATIC",         "UIOBJECTSTATICGROUPBOX", "UIOBJECTCOMBOBOXEX",
                                 "UIOBJECTLISTCTRL",       "UIOBJECTPROPERTYSHEET",  "UIOBJECTDIALOG"};

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
        RegisterResource(KV_RT_DIALOG, kPageTemplate,
                         BuildDialogTemplate(WS_CHILD | WS_CAPTION, 0, 0, 0, 120, 60, "Page"));
        // What the drawing layer makes once per process (the screen, stock
        // fonts) is made before the first count.
        EveryKind("<width>60</width><height>20</height><text>x</text>");
        PumpUntilIdle(10000);
    }
    std::shared_ptr<MessageQueue> queue = std::make_shared<MessageQueue>();
    ManualClock clock{0, 0, 1000};
    ScopedClock installed{clock};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Setup setup;
    if (size > 4096)
        return 0;
    const GdiStatistics before = GdiGetStatistics();
    EveryKind(Properties(data, size));
    PumpUntilIdle(10000);
    Check(WndCountWindows() == 0, "a window outlived its control");
    const GdiStatistics after = GdiGetStatistics();
    Check(after.live_objects == before.live_objects, "drawing objects leaked");
    Check(after.live_dcs == before.live_dcs, "device contexts leaked");
    return 0;
}
