#include "controls/kv_ui_check_box.h"

#include "element_spec.h"
#include "skin_test_support.h"
#include "support/wnd_test_support.h"

#include <climits>
#include <cstdio>
#include <memory>
#include <string>

namespace {

using skin::Element;
using skin::Section;

constexpr COLORREF kParentFill = RGB(10, 20, 30);

class UICheckBoxTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        parent_ = std::make_unique<skin::ParentDialog>(300, 130, kParentFill);
        LOGFONT description{};
        description.lfHeight = -11;
        std::snprintf(description.lfFaceName, sizeof description.lfFaceName, "%s", "DejaVu Sans");
        ASSERT_TRUE(font_.CreateFontIndirect(&description));
        parent_->SetFont(&font_, FALSE);
    }
    void TearDown() override {
        box_.reset();
        parent_.reset();
        font_.DeleteObject();
        WndTest::TearDown();
    }
    void Load(std::initializer_list<std::pair<const char*, std::string>> properties) {
        skin::LoadCatalog(catalog_,
                          "<GUI>" + Section("UIOBJECTCHECKBOX", Element("UIOBJECTCHECKBOX", "C", skin::Spec(properties))) +
                              Section("UIOBJECTSTRING",
                                      Element("UIOBJECTSTRING", "UIObjString_Search", skin::Spec({{"text", "Search"}}))) +
                              "</GUI>");
    }
    CKvUICheckBox& Make(CWnd* parent = nullptr) {
        box_ = std::make_unique<CKvUICheckBox>();
        box_->SetOwner(&catalog_);
        box_->GetIdentifier() = "C";
        EXPECT_EQ(box_->CreateFromDescription(parent ? parent : parent_.get(), TRUE), KV_OK);
        box_->ShowWindow(SW_SHOW);
        Pump();
        return *box_;
    }
    void LoadDefault(const std::string& background = "FFFFFF", const std::string& text_background = "FFFFFF",
                     const std::string& magnify = "1.0") {
        Load({{"positionx", "10"},
              {"positiony", "20"},
              {"width", "101"},
              {"height", "16"},
              {"text", "UIObjString_Search"},
              {"uiid", "12"},
              {"textcolor", "000000"},
              {"backgroundcolor", background},
              {"textbackgroundcolor", text_background},
              {"textmagnify", magnify}});
    }
    POINT At(int x, int y) { return InputDriver::ScreenPoint(box_->m_hWnd, POINT{x, y}); }

    CKvUIObjectCatalog catalog_;
    CFont font_;
    std::unique_ptr<skin::ParentDialog> parent_;
    std::unique_ptr<CKvUICheckBox> box_;
    InputDriver input_{clock_};
};

TEST_F(UICheckBoxTest, DescriptionGivesPlaceCaptionIdAndOwnerDrawnStyle) {
    LoadDefault();
    CKvUICheckBox& box = Make();
    EXPECT_EQ(box.GetWindowRectangle(), CRect(10, 20, 110, 35));
    CRect window;
    box.GetWindowRect(&window);
    EXPECT_EQ(window.Size(), CSize(100, 15));
    EXPECT_EQ(box.GetCaption(), "Search");
    EXPECT_EQ(box.GetDlgCtrlID(), 12);
    EXPECT_EQ(box.GetStyle() & (BS_TYPEMASK | WS_TABSTOP), BS_OWNERDRAW);
}

TEST_F(UICheckBoxTest, SetCheckMapsEveryValueToZeroOrOne) {
    LoadDefault();
    CKvUICheckBox& box = Make();
    const std::pair<WPARAM, LRESULT> cases[] = {{0, 0}, {1, 1}, {2, 1}, {3, 0}, {255, 0}, {1, 1}};
    for (const auto& [set, expected] : cases) {
        SCOPED_TRACE(set);
        EXPECT_EQ(box.SendMessage(BM_SETCHECK, set), 0);
        EXPECT_EQ(box.SendMessage(BM_GETCHECK), expected);
    }
}

TEST_F(UICheckBoxTest, ClickSpaceAndEachRepeatedSpaceToggle) {
    LoadDefault();
    CKvUICheckBox& box = Make();
    input_.Click(At(5, 5));
    EXPECT_EQ(box.GetCheck(), 1);
    input_.Key(VK_SPACE);  // the click left the focus here
    EXPECT_EQ(box.GetCheck(), 0);
    box.SendMessage(WM_KEYDOWN, VK_SPACE);
    box.SendMessage(WM_KEYDOWN, VK_SPACE);
    box.SendMessage(WM_KEYDOWN, VK_SPACE);
    EXPECT_EQ(box.GetCheck(), 1);
}

TEST_F(UICheckBoxTest, OnlyAPressAndReleaseOnTheBoxToggle) {
    LoadDefault();
    CKvUICheckBox& box = Make();
    input_.MoveTo(At(5, 5));
    input_.Press();
    input_.MoveTo(At(200, 60));
    input_.Release();
    EXPECT_EQ(box.GetCheck(), 0);  // released elsewhere while holding the capture
    input_.Advance(1000);
    input_.MoveTo(At(200, 60));
    input_.Press();
    input_.MoveTo(At(5, 5));
    input_.Release();
    EXPECT_EQ(box.GetCheck(), 0);  // pressed elsewhere
    box.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(box.GetCheck(), 0);  // a release alone
    input_.Advance(1000);
    input_.MoveTo(At(5, 5));
    input_.Press();
    input_.MoveTo(At(200, 60));
    input_.MoveTo(At(6, 6));
    input_.Release();
    EXPECT_EQ(box.GetCheck(), 1);
}

TEST_F(UICheckBoxTest, FifteenPixelBoxMarkAndCaptionPlaces) {
    const CRect client(0, 0, 100, 15);
    EXPECT_EQ(CKvUICheckBox::BoxRect(client), CRect(1, 1, 14, 14));
    EXPECT_EQ(CKvUICheckBox::MarkRect(client), CRect(4, 4, 11, 11));
    LoadDefault();
    CKvUICheckBox& box = Make();
    box.SetCheck(1);
    Pump();
    EXPECT_EQ(box.GetCaptionRectangle().left, 20);
    EXPECT_EQ(box.GetCaptionRectangle().Width(), 100 - 15 - 4);
    Capture picture = Capture::OfWindow(box.m_hWnd);
    EXPECT_EQ(picture.At(7, 1), GetSysColor(COLOR_ACTIVECAPTION));      // the box's top edge
    EXPECT_EQ(picture.At(7, 4), GetSysColor(COLOR_INACTIVECAPTION));    // the mark's top edge
    EXPECT_EQ(picture.At(7, 7), RGB(255, 255, 255));                    // the mark's white inside
    EXPECT_EQ(picture.At(2, 7), RGB(255, 255, 255));                    // the box's inside
    EXPECT_TRUE(MatchesGolden(picture.bitmap(), "controls", "check_box_checked"));
}

// Frames are drawn one pixel inside their rectangle's right and bottom: the
// box (1, 1, 14, 14) has its right and bottom edges at 13, and the focus
// frame along the client area shows on all four sides.
TEST_F(UICheckBoxTest, BoxAndFocusFrameEdges) {
    LoadDefault();
    CKvUICheckBox& box = Make();
    box.SetFocus();
    Pump();
    Capture picture = Capture::OfWindow(box.m_hWnd);
    const COLORREF frame = GetSysColor(COLOR_ACTIVECAPTION);
    const COLORREF focus = GetSysColor(COLOR_INACTIVECAPTION);
    EXPECT_EQ(picture.At(7, 1), frame);
    EXPECT_EQ(picture.At(1, 7), frame);
    EXPECT_EQ(picture.At(13, 7), frame);
    EXPECT_EQ(picture.At(7, 13), frame);
    EXPECT_EQ(picture.At(12, 7), RGB(255, 255, 255));
    EXPECT_EQ(picture.At(7, 12), RGB(255, 255, 255));
    EXPECT_NE(picture.At(14, 7), frame);
    EXPECT_NE(picture.At(7, 14), frame);
    CRect client;
    box.GetClientRect(&client);
    const int right = client.right - 1;
    const int bottom = client.bottom - 1;
    EXPECT_EQ(picture.At(client.Width() / 2, 0), focus);
    EXPECT_EQ(picture.At(client.Width() / 2, bottom), focus);
    EXPECT_EQ(picture.At(0, client.Height() / 2), focus);
    EXPECT_EQ(picture.At(right, client.Height() / 2), focus);
}

TEST_F(UICheckBoxTest, BackgroundFromParentPixelsOnlyWithTopByteFF) {
    LoadDefault("FF000000");
    CKvUICheckBox& shown = Make();
    EXPECT_EQ(Capture::OfWindow(shown.m_hWnd).At(95, 7), kParentFill);
    box_.reset();
    catalog_.RemoveAll();
    LoadDefault("00FF00");
    CKvUICheckBox& filled = Make();
    EXPECT_EQ(Capture::OfWindow(filled.m_hWnd).At(95, 7), RGB(0, 255, 0));
}

TEST_F(UICheckBoxTest, CaptionBackgroundTransparentOrOpaque) {
    LoadDefault("FFFFFF", "FF00FF00");
    CKvUICheckBox& transparent = Make();
    EXPECT_EQ(Capture::OfWindow(transparent.m_hWnd).Count(RGB(0, 255, 0)), 0);
    box_.reset();
    catalog_.RemoveAll();
    LoadDefault("FFFFFF", "00FF00");
    CKvUICheckBox& opaque = Make();
    EXPECT_GT(Capture::OfWindow(opaque.m_hWnd).Count(RGB(0, 255, 0)), 20);
}

TEST_F(UICheckBoxTest, NoParentFontLeavesTheCaptionOutUntilALaterPaint) {
    LoadDefault();
    Class("CheckBoxPlainHost");
    CWnd plain;
    ASSERT_TRUE(plain.CreateEx(0, "CheckBoxPlainHost", "", WS_POPUP | WS_VISIBLE, 0, 0, 200, 60, nullptr, nullptr));
    CKvUICheckBox& box = Make(&plain);
    EXPECT_EQ(box.GetCaptionFont().GetSafeHandle(), nullptr);
    EXPECT_EQ(box.GetLastResult(), KV_E_FAIL);
    EXPECT_EQ(Capture::OfWindow(box.m_hWnd).Count(RGB(0, 0, 0)), 0);
    plain.SetFont(&font_, FALSE);
    box.Invalidate();
    Pump();
    EXPECT_NE(box.GetCaptionFont().GetSafeHandle(), nullptr);
    EXPECT_GT(Capture::OfWindow(box.m_hWnd).Count(RGB(0, 0, 0)), 5);
    box_.reset();
    plain.DestroyWindow();
}

TEST_F(UICheckBoxTest, MagnifiedFontHeightAndSaturation) {
    LoadDefault("FFFFFF", "FFFFFF", "1.5");
    EXPECT_EQ(Make().GetLogFont().lfHeight, -16);
    box_.reset();
    catalog_.RemoveAll();
    LoadDefault("FFFFFF", "FFFFFF", "100000000000");
    const std::uint64_t refused_before = RefusedSoFar();
    CKvUICheckBox& huge = Make();
    EXPECT_EQ(huge.GetLogFont().lfHeight, INT_MIN);  // refused by the drawing layer, no overflow
    ExpectRefused(RefusedSoFar() - refused_before);
}

TEST_F(UICheckBoxTest, CaptionFontKeepsTheParentsItalicAndEscapement) {
    LOGFONT slanted{};
    slanted.lfHeight = -11;
    slanted.lfItalic = 1;
    slanted.lfEscapement = 900;
    std::snprintf(slanted.lfFaceName, sizeof slanted.lfFaceName, "%s", "DejaVu Sans");
    CFont parentFont;
    ASSERT_TRUE(parentFont.CreateFontIndirect(&slanted));
    parent_->SetFont(&parentFont, FALSE);
    LoadDefault();
    const LOGFONT made = Make().GetLogFont();
    EXPECT_EQ(made.lfItalic, 1);
    EXPECT_EQ(made.lfEscapement, 900);
    EXPECT_EQ(made.lfWeight, FW_NORMAL);
    box_.reset();
    parent_->SetFont(&font_, FALSE);
}

TEST_F(UICheckBoxTest, TooltipIsMadeEvenWithoutTextButRelaysNothing) {
    LoadDefault();
    CKvUICheckBox& box = Make();
    ASSERT_TRUE(box.GetToolTip().IsWindow());
    EXPECT_EQ(box.GetTooltipFlag(), 0u);
    input_.MoveTo(At(30, 5));
    input_.Click(At(31, 5));
    EXPECT_EQ(box.GetToolTip().GetRelayedEventCount(), 0);
    box.SetTooltipText("Tip");
    box.GetToolTip().SetMaxTipWidth(0);
    EXPECT_EQ(box.SetTooltipWidth(120), 0);  // the previous width was 0: stored
    EXPECT_EQ(box.GetTooltipWidth(), 120);
    EXPECT_EQ(box.GetTooltipFlag(), 1u);
    input_.MoveTo(At(32, 5));
    EXPECT_EQ(box.GetToolTip().GetRelayedEventCount(), 1);
    EXPECT_EQ(box.SetTooltipWidth(0), 120);  // a non-zero answer stores nothing
    EXPECT_EQ(box.GetTooltipWidth(), 120);
}

TEST(UICheckBoxWithoutWindow, SetTooltipWidthOnlyStoresAndRecomputes) {
    CKvUICheckBox box;
    box.SetTooltipText("Tip");
    EXPECT_EQ(box.SetTooltipWidth(0), 0);
    EXPECT_EQ(box.GetTooltipFlag(), 0u);
    EXPECT_EQ(box.SetTooltipWidth(90), 0);
    EXPECT_EQ(box.GetTooltipWidth(), 90);
    EXPECT_EQ(box.GetTooltipFlag(), 1u);
    EXPECT_FALSE(box.GetToolTip().IsWindow());
}

TEST_F(UICheckBoxTest, DisabledAndPushedDrawLikeNormal) {
    LoadDefault();
    CKvUICheckBox& box = Make();
    box.SetCheck(1);
    Pump();
    Capture normal = Capture::OfWindow(box.m_hWnd);
    box.SendMessage(BM_SETSTATE, TRUE);
    Pump();
    EXPECT_EQ(box.GetDrawnState() & ODS_SELECTED, ODS_SELECTED);
    Capture pushed = Capture::OfWindow(box.m_hWnd);
    box.SendMessage(BM_SETSTATE, FALSE);
    box.EnableWindow(FALSE);
    Pump();
    EXPECT_EQ(box.GetDrawnState() & ODS_DISABLED, ODS_DISABLED);
    Capture disabled = Capture::OfWindow(box.m_hWnd);
    for (int x = 0; x < 100; x += 3) {
        for (int y = 0; y < 15; ++y) {
            EXPECT_EQ(pushed.At(x, y), normal.At(x, y));
            EXPECT_EQ(disabled.At(x, y), normal.At(x, y));
        }
    }
}

TEST_F(UICheckBoxTest, FailuresKeepTheirCodesAndStillCreate) {
    LoadDefault();
    CKvUICheckBox box;
    EXPECT_EQ(box.ApplyDescription(), KV_E_INVALID_POINTER);
    EXPECT_EQ(box.CreateFromDescription(nullptr, TRUE), KV_E_INVALID_POINTER);
    box.SetOwner(&catalog_);
    EXPECT_EQ(box.ApplyDescription(), KV_E_FAIL);
    CKvUIObjectCatalog empty;
    box.SetOwner(&empty);
    box.GetIdentifier() = "C";
    EXPECT_EQ(box.ApplyDescription(), KV_E_FAIL);  // the catalog's own code is not kept
    box.SetOwner(&catalog_);
    box.GetIdentifier() = "Missing";
    EXPECT_EQ(box.CreateFromDescription(parent_.get(), TRUE), KV_E_FAIL);
    EXPECT_TRUE(box.IsWindow());  // made from the members as they stand
}

}  // namespace
