// Description values at the 32-bit limits: every control kind is made,
// painted and destroyed without an overflow (the sanitizer build aborts on
// one), and the window rectangle still wraps as the absolute positions do.

#include "controls/kv_ui_check_box.h"
#include "controls/kv_ui_combo_box_ex.h"
#include "controls/kv_ui_edit.h"
#include "controls/kv_ui_list_ctrl.h"
#include "controls/kv_ui_property_page.h"
#include "controls/kv_ui_property_sheet.h"
#include "controls/kv_ui_static.h"
#include "controls/kv_ui_static_group_box.h"
#include "controls/kv_ui_xp_button.h"
#include "platform/resources.h"
#include "element_spec.h"
#include "skin_test_support.h"
#include "support/wnd_test_support.h"

#include <functional>
#include <memory>
#include <string>

namespace {

using skin::Element;
using skin::Section;

constexpr UINT kPageTemplate = 812;

using Properties = std::initializer_list<std::pair<const char*, std::string>>;
constexpr const char* kHuge = "2147483647";
constexpr const char* kLowest = "-2147483648";

class DescriptionOverflowTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        RegisterResource(KV_RT_DIALOG, kPageTemplate, BuildDialogTemplate(WS_CHILD | WS_CAPTION, 0, 0, 0, 120, 60, "Page"));
        parent_ = std::make_unique<skin::ParentDialog>(300, 200);
    }
    void TearDown() override {
        parent_.reset();
        // Sizes like these are refused by the drawing layer; objects must
        // still balance.
        ExpectRefused(RefusedSoFar());
        WndTest::TearDown();
    }
    void Load(const char* tag, const std::string& spec) {
        catalog_.RemoveAll();
        skin::LoadCatalog(catalog_, "<GUI>" + Section(tag, Element(tag, "C", spec)) +
                                        Section("UIOBJECTDIALOG", Element("UIOBJECTDIALOG", "P", "text=Page")) + "</GUI>");
    }
    // Makes the control, shows and paints it and destroys it again.
    template <class Control> void Cycle(const char* tag, Properties properties) {
        Cycle<Control>(tag, skin::Spec(properties));
    }
    template <class Control> void Cycle(const char* tag, const std::string& spec) {
        Load(tag, spec);
        auto control = std::make_unique<Control>();
        control->SetOwner(&catalog_);
        control->GetIdentifier() = "C";
        control->CreateFromDescription(parent_.get(), TRUE);
        Paint(*control);
    }
    void Paint(CWnd& control) {
        if (control.IsWindow()) {
            control.ShowWindow(SW_SHOW);
            control.Invalidate();
            control.UpdateWindow();
        }
        parent_->Invalidate();
        parent_->UpdateWindow();
        Pump();
    }
    void Sheet(Properties properties) { Sheet(skin::Spec(properties)); }
    void Sheet(const std::string& spec) {
        Load("UIOBJECTPROPERTYSHEET", spec);
        CKvUIPropertyPage page(kPageTemplate);
        page.SetOwner(&catalog_);
        page.GetIdentifier() = "P";
        page.LoadDescription();
        CKvUIPropertySheet sheet(&catalog_, "C", 0);
        sheet.AddPage(&page);
        sheet.CreateFromDescription(parent_.get());
        Paint(sheet);
        sheet.DestroyWindow();
    }
    void EveryKind(Properties properties) { EveryKind(skin::Spec(properties)); }
    void EveryKind(const std::string& spec) {
        Cycle<CKvUIXPButton>("UIOBJECTXPBUTTON", spec);
        Cycle<CKvUICheckBox>("UIOBJECTCHECKBOX", spec);
        Cycle<CKvUIEdit>("UIOBJECTEDIT", spec);
        Cycle<CKvUIStatic>("UIOBJECTSTATIC", spec);
        Cycle<CKvUIStaticGroupBox>("UIOBJECTSTATICGROUPBOX", spec);
        Cycle<CKvUIComboBoxEx>("UIOBJECTCOMBOBOXEX", spec);
        Cycle<CKvUIListCtrl>("UIOBJECTLISTCTRL", spec);
        Sheet(spec);
    }

    CKvUIObjectCatalog catalog_;
    std::unique_ptr<skin::ParentDialog> parent_;
};

// One site each: the XP button's region, height, text area and turned
// caption; the creation of a window whose right edge passes 2^31; the
// property sheet's placement; the window system's own coordinates.
TEST_F(DescriptionOverflowTest, XPButtonRegionOfTheWidestFace) {
    Cycle<CKvUIXPButton>("UIOBJECTXPBUTTON", {{"width", kHuge}, {"height", "24"}, {"flagroundedgeleft", "TRUE"}});
    Cycle<CKvUIXPButton>("UIOBJECTXPBUTTON", {{"width", kHuge}, {"height", "24"}, {"flagroundedgetop", "TRUE"}});
}

TEST_F(DescriptionOverflowTest, XPButtonOfTheLowestHeight) {
    Cycle<CKvUIXPButton>("UIOBJECTXPBUTTON", {{"width", "60"}, {"height", kLowest}, {"flagroundedgeleft", "TRUE"}});
    Cycle<CKvUIXPButton>("UIOBJECTXPBUTTON", {{"width", "60"}, {"height", kLowest}});
}

TEST_F(DescriptionOverflowTest, XPButtonTextAreaPastTheLimit) {
    Cycle<CKvUIXPButton>("UIOBJECTXPBUTTON", {{"width", "60"}, {"height", "24"}, {"text", "OK"}, {"textwidth", kHuge},
                                              {"textheight", "10"}, {"textpositionx", "5"}});
}

TEST_F(DescriptionOverflowTest, XPButtonTurnedCaptionInTheWidestArea) {
    Cycle<CKvUIXPButton>("UIOBJECTXPBUTTON", {{"width", "60"}, {"height", "24"}, {"text", "OK"}, {"fontescapement", "900"},
                                              {"textstyle", "DT_CENTER"}, {"textwidth", kHuge}, {"textheight", "10"}});
    Cycle<CKvUIXPButton>("UIOBJECTXPBUTTON", {{"width", "60"}, {"height", "24"}, {"text", "OK"}, {"fontescapement", "900"},
                                              {"textstyle", "DT_RIGHT"}, {"textwidth", kHuge}, {"textheight", "10"}});
    Cycle<CKvUIXPButton>("UIOBJECTXPBUTTON", {{"width", "60"}, {"height", "24"}, {"text", "OK"}, {"fontescapement", "450"},
                                              {"textwidth", "40"}, {"textheight", kHuge}, {"textpositiony", "5"}});
}

TEST_F(DescriptionOverflowTest, ARightEdgePast2To31) {
    EveryKind({{"positionx", "2147483000"}, {"positiony", "2147483000"}, {"width", "2000"}, {"height", "2000"}});
}

TEST_F(DescriptionOverflowTest, TheWidestPropertySheet) {
    Sheet({{"positionx", "3"}, {"positiony", "3"}, {"width", kHuge}, {"height", "100"}});
}

TEST_F(DescriptionOverflowTest, EveryKindAtTheLowestPosition) {
    EveryKind({{"positionx", kLowest}, {"positiony", kLowest}, {"width", "60"}, {"height", "24"}});
    EveryKind({{"positionx", "-5"}, {"positiony", "-5"}, {"width", kLowest}, {"height", kLowest}});
    EveryKind({{"positionx", kHuge}, {"positiony", kHuge}, {"width", "50"}, {"height", "20"}});
}

// Each size, text place, round edge and turn alone at either limit, on every
// kind, with the other values ordinary.
TEST_F(DescriptionOverflowTest, EachValueAloneAtEitherLimit) {
    constexpr std::pair<const char*, const char*> kOrdinary[] = {
        {"positionx", "-5"}, {"positiony", "-5"}, {"width", "60"}, {"height", "24"},
        {"text", "OK"},     {"tooltiptext", "tip"}, {"textstyle", "DT_CENTER"}};
    for (const char* key : {"width", "height", "textwidth", "textheight", "textpositionx", "textpositiony",
                            "roundedgex", "roundedgey", "fontescapement", "tooltipwidth", "buttonwidth",
                            "buttonheight", "textmagnify", "fontweight"})
        for (const char* value : {kHuge, kLowest}) {
            SCOPED_TRACE(std::string(key) + "=" + value);
            std::string spec = std::string(key) + "=" + value + ";";
            for (const auto& [other, ordinary] : kOrdinary)
                if (std::string(other) != key)
                    spec += std::string(other) + "=" + ordinary + ";";
            EveryKind(spec);
        }
}

TEST_F(DescriptionOverflowTest, TheWindowRectangleWraps) {
    Load("UIOBJECTXPBUTTON", skin::Spec({{"positionx", "3"}, {"width", "2147483647"}, {"height", "24"}}));
    CKvUIXPButton button;
    button.SetOwner(&catalog_);
    button.GetIdentifier() = "C";
    button.ApplyDescription();
    EXPECT_EQ(button.GetWindowRectangle().left, 3);
    EXPECT_EQ(button.GetWindowRectangle().right, INT32_MIN + 1);
}

} // namespace
