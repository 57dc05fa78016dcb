#include "controls/kv_ui_xp_button.h"

#include "element_spec.h"
#include "skin_test_support.h"
#include "support/wnd_test_support.h"

#include <memory>
#include <string>
#include <vector>

namespace {

using skin::Element;
using skin::Section;

constexpr COLORREF kParentFill = RGB(10, 20, 30);

class CommandParent : public skin::ParentDialog {
public:
    CommandParent() : skin::ParentDialog(300, 130, kParentFill) {}
    std::vector<std::pair<int, UINT>> commands;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
        return skin::ParentDialog::OnCommand(wParam, lParam);
    }
};

class UIXPButtonTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        parent_ = std::make_unique<CommandParent>();
    }
    void TearDown() override {
        button_.reset();
        parent_.reset();
        WndTest::TearDown();
    }
    using Properties = std::initializer_list<std::pair<const char*, std::string>>;
    void Load(Properties extra) {
        std::string element = "<UIOBJECTXPBUTTON identifier=\"B\"><positionx>20</positionx><positiony>30</positiony>"
                              "<width>60</width><height>24</height><uiid>41</uiid>";
        for (const auto& [key, value] : extra)
            element += std::string("<") + key + ">" + value + "</" + key + ">";
        element += "</UIOBJECTXPBUTTON>";
        catalog_.RemoveAll();
        skin::LoadCatalog(catalog_, "<GUI>" + Section("UIOBJECTXPBUTTON", element) +
                                        Section("UIOBJECTSTRING", Element("UIOBJECTSTRING", "UIObjString_Ok",
                                                                          skin::Spec({{"text", "OK"}}))) +
                                        "</GUI>");
    }
    CKvUIXPButton& Make(Properties extra = {}, CDC* parentBackground = nullptr) {
        Load(extra);
        button_ = std::make_unique<CKvUIXPButton>();
        button_->SetOwner(&catalog_);
        button_->GetIdentifier() = "B";
        if (parentBackground != nullptr)
            button_->GetParentBackgroundRef() = parentBackground;
        EXPECT_EQ(button_->CreateFromDescription(parent_.get(), TRUE), KV_OK);
        button_->ShowWindow(SW_SHOW);
        Pump();
        return *button_;
    }
    POINT At(int x, int y) { return InputDriver::ScreenPoint(button_->m_hWnd, POINT{x, y}); }
    Capture Picture() {
        Pump();
        return Capture::OfWindow(button_->m_hWnd);
    }
    bool InRegion(int x, int y) {
        CRgn region;
        region.CreateRectRgn(0, 0, 0, 0);
        EXPECT_NE(button_->GetWindowRgn(static_cast<HRGN>(region.m_hObject)), ERROR);
        return ::PtInRegion(static_cast<HRGN>(region.m_hObject), x, y) != FALSE;
    }

    CKvUIObjectCatalog catalog_;
    std::unique_ptr<CommandParent> parent_;
    std::unique_ptr<CKvUIXPButton> button_;
    InputDriver input_{clock_};
};

TEST_F(UIXPButtonTest, DescriptionGivesPlaceIdCaptionAndTextArea) {
    CKvUIXPButton& button = Make({{"text", "UIObjString_Ok"}});
    EXPECT_EQ(button.GetWindowRectangle(), CRect(20, 30, 79, 53));
    EXPECT_EQ(button.GetFaceRectangle(), CRect(0, 0, 59, 23));
    EXPECT_EQ(button.GetCaption(), "OK");
    EXPECT_EQ(button.GetDlgCtrlID(), 41);
    EXPECT_EQ(button.GetStyle() & BS_TYPEMASK, BS_OWNERDRAW);
    // textwidth 0 makes the caption area the whole face.
    EXPECT_EQ(button.GetTextRectangle(), CRect(0, 0, 59, 23));
}

TEST_F(UIXPButtonTest, TextAreaAndAPositionOutsideTheFace) {
    CKvUIXPButton& button = Make({{"textwidth", "30"}, {"textheight", "10"}, {"textpositionx", "5"},
                                  {"textpositiony", "6"}});
    EXPECT_EQ(button.GetTextRectangle(), CRect(0, 0, 30, 10));
    EXPECT_EQ(button.GetTextPosition(), CPoint(5, 6));
    button.SetTextArea(CRect(0, 0, 30, 10), CPoint(200, 6));
    EXPECT_EQ(button.GetTextRectangle(), button.GetFaceRectangle());
    EXPECT_EQ(button.GetTextPosition(), CPoint(0, 0));
    button.SetTextArea(CRect(0, 0, 0, 10), CPoint(-1, 3));
    EXPECT_EQ(button.GetTextRectangle(), CRect(0, 0, 59, 23));
    EXPECT_EQ(button.GetTextPosition(), CPoint(0, 0));
}

TEST_F(UIXPButtonTest, FaceRingsAndFillByLook) {
    struct Row {
        const char* name;
        COLORREF ring2;
        COLORREF ring3;
        COLORREF fill;
    };
    const Row rows[] = {
        {"normal", 0xFFFFFF, 0xFEFEFE, 0xEEF2F2},
        {"hover", 0xCFF0FF, 0x89D8FD, 0xEEF2F2},
        {"focus", 0xFFE7CE, 0xF6D4BC, 0xEEF2F2},
        {"disabled", 0xEAF4FE, 0xEAF4FE, 0xEAF4FE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CKvUIXPButton& button = Make();
        const std::string look = row.name;
        if (look == "hover")
            button.SendMessage(WM_MOUSEHOVER);
        if (look == "focus")
            button.SetFocus();
        if (look == "disabled")
            button.EnableWindow(FALSE);
        Capture picture = Picture();
        EXPECT_EQ(picture.At(30, 2), row.ring2);  // top sides
        EXPECT_EQ(picture.At(30, 3), row.ring3);
        EXPECT_EQ(picture.At(30, 12), row.fill);
        EXPECT_EQ(picture.At(30, 1), look == "disabled" ? 0xBAC7C9 : 0x743C00);
        EXPECT_TRUE(MatchesGolden(picture.bitmap(), "controls", "xp_button_" + look));
        button_.reset();
    }
}

TEST_F(UIXPButtonTest, HoverBeatsFocusAndAStaticButtonKeepsItsNormalFace) {
    CKvUIXPButton& button = Make();
    button.SetFocus();
    button.SendMessage(WM_MOUSEHOVER);
    EXPECT_EQ(Picture().At(30, 2), CKvUIXPButton::RingColor(CKvUIXPButton::kHoverLook, CKvUIXPButton::kRing2,
                                                            CKvUIXPButton::kTop));
    button_.reset();
    CKvUIXPButton& fixed = Make({{"flagbuttonasstatic", "TRUE"}});
    fixed.SetFocus();
    fixed.SendMessage(WM_MOUSEHOVER);
    EXPECT_EQ(Picture().At(30, 2), 0xFFFFFFu);
}

TEST_F(UIXPButtonTest, WindowRegionFollowsTheRoundingFlags) {
    struct Row {
        const char* flag;
        bool top_left;
        bool top_right;
        bool bottom_left;
    };
    const Row rows[] = {
        {nullptr, true, true, true},
        {"flagroundedgeright", true, false, true},
        {"flagroundedgeleft", false, true, false},
        {"flagroundedgetop", false, false, true},
        {"flagroundedgebottom", true, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.flag ? row.flag : "none");
        if (row.flag != nullptr)
            Make({{row.flag, "TRUE"}});
        else
            Make();
        EXPECT_EQ(InRegion(0, 0), row.top_left);
        EXPECT_EQ(InRegion(58, 0), row.top_right);
        EXPECT_EQ(InRegion(0, 22), row.bottom_left);
        EXPECT_TRUE(InRegion(30, 11));
        button_.reset();
    }
}

TEST_F(UIXPButtonTest, AClickNotifiesAndALeaveWhilePressedDoesNot) {
    Make();
    input_.Click(At(30, 10));
    EXPECT_EQ((std::vector<std::pair<int, UINT>>{{41, BN_CLICKED}}), parent_->commands);
    parent_->commands.clear();
    input_.Advance(1000);
    MessageSpy spy;
    spy.Watch(button_->m_hWnd);
    input_.MoveTo(At(30, 10));
    input_.Press();
    EXPECT_NE(button_->CButton::GetState() & BST_PUSHED, 0u);
    input_.MoveTo(At(150, 60));
    EXPECT_EQ(button_->CButton::GetState() & BST_PUSHED, 0u);  // the pushed state follows the cursor
    input_.MoveTo(At(31, 10));
    EXPECT_NE(button_->CButton::GetState() & BST_PUSHED, 0u);
    input_.MoveTo(At(150, 60));
    input_.Release();
    EXPECT_TRUE(parent_->commands.empty());
    bool unpushed = false;
    for (const MessageSpy::Entry& entry : spy.Log())
        unpushed = unpushed || (entry.message == BM_SETSTATE && entry.wParam == FALSE);
    EXPECT_TRUE(unpushed);
}

TEST_F(UIXPButtonTest, HoverAndLeaveChangeTheFace) {
    CKvUIXPButton& button = Make();
    const COLORREF normal = Picture().At(30, 2);
    input_.Hover(At(30, 10), CKvUIXPButton::kHoverTimeMs);
    EXPECT_TRUE(button.IsHovering());
    EXPECT_NE(Picture().At(30, 2), normal);
    input_.MoveTo(POINT{1000, 700});
    EXPECT_FALSE(button.IsHovering());
    EXPECT_EQ(Picture().At(30, 2), normal);
}

// A press cancels the tracking; the release asks for it again wherever it
// happens, so the hover look ends when the mouse goes.
TEST_F(UIXPButtonTest, TheHoverLookEndsAfterAClickWhenTheMouseLeaves) {
    CKvUIXPButton& button = Make();
    // The press gives the focus: the look to return to is the focus look.
    button.SetFocus();
    const COLORREF normal = Picture().At(30, 2);
    input_.Hover(At(30, 10), CKvUIXPButton::kHoverTimeMs);
    input_.Click(At(30, 10));
    EXPECT_TRUE(button.IsHovering());
    input_.MoveTo(POINT{1000, 700});
    EXPECT_FALSE(button.IsHovering());
    EXPECT_EQ(Picture().At(30, 2), normal);
}

TEST_F(UIXPButtonTest, TheHoverLookEndsAfterAPressDraggedOutAndReleasedOutside) {
    CKvUIXPButton& button = Make();
    // The press gives the focus: the look to return to is the focus look.
    button.SetFocus();
    const COLORREF normal = Picture().At(30, 2);
    input_.Hover(At(30, 10), CKvUIXPButton::kHoverTimeMs);
    input_.Press();
    input_.MoveTo(At(150, 60));
    input_.Release();
    EXPECT_FALSE(button.IsHovering());
    EXPECT_EQ(Picture().At(30, 2), normal);
    EXPECT_TRUE(parent_->commands.empty());
    // Back over the button, the hover look returns.
    input_.Hover(At(30, 10), CKvUIXPButton::kHoverTimeMs);
    EXPECT_TRUE(button.IsHovering());
}

TEST_F(UIXPButtonTest, LongCaptionEndsInDotsOnlyOnOneUnturnedLine) {
    CKvUIXPButton& button =
        Make({{"text", "A caption far too long for this"}, {"textstyle", "DT_CENTER,DT_VCENTER,DT_SINGLELINE"}});
    Pump();
    EXPECT_EQ(button.GetShownText().substr(button.GetShownText().size() - 2), "..");
    button_.reset();
    CKvUIXPButton& wrapped = Make({{"text", "A caption far too long for this"}, {"textstyle", "DT_CENTER"}});
    Pump();
    EXPECT_EQ(wrapped.GetShownText(), "A caption far too long for this");
}

TEST_F(UIXPButtonTest, EscapementNinetyWithCenterMovesTheRectangle) {
    CKvUIXPButton& button = Make({{"text", "Up"}, {"fontescapement", "900"}, {"textstyle", "DT_CENTER,DT_SINGLELINE"}});
    Pump();
    EXPECT_EQ(button.GetShownText(), "Up");  // not shortened when turned
    EXPECT_EQ(button.GetShownFormat() & DT_CENTER, 0u);
    const CRect& shown = button.GetShownRectangle();
    EXPECT_GT(shown.left, 0);
    EXPECT_EQ(shown.Width(), 59);  // the former width, moved right
    EXPECT_GT(shown.bottom, 23);   // taller by the turned text's height
}

TEST_F(UIXPButtonTest, TooltipRelaysOnlyWithTextAndWidth) {
    struct Row {
        const char* text;
        const char* width;
        int relayed;
    };
    const Row rows[] = {{"", "200", 0}, {"Tip", "0", 0}, {"Tip", "200", 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.width);
        CKvUIXPButton& button = Make({{"tooltiptext", row.text}, {"tooltipwidth", row.width}});
        ASSERT_TRUE(button.GetToolTip().IsWindow());
        input_.MoveTo(At(30, 10));
        EXPECT_EQ(button.GetToolTip().GetRelayedEventCount(), row.relayed);
        input_.MoveTo(POINT{1000, 700});
        button_.reset();
    }
}

TEST_F(UIXPButtonTest, BackgroundFromAPageCacheOrCapturedFromTheParent) {
    CKvUIXPButton& captured = Make();
    EXPECT_TRUE(captured.HasBackground());
    EXPECT_EQ(Picture().At(0, 0), kParentFill);  // the corner the outline cuts
    button_.reset();
    CDC cache;
    CBitmap cacheBitmap;
    CClientDC screen(nullptr);
    ASSERT_TRUE(cache.CreateCompatibleDC(&screen));
    ASSERT_TRUE(cacheBitmap.CreateCompatibleBitmap(&screen, 300, 130));
    CBitmap* previous = cache.SelectObject(&cacheBitmap);
    cache.FillSolidRect(0, 0, 300, 130, RGB(200, 0, 200));
    CDC empty;
    CKvUIXPButton& waiting = Make({}, &empty);
    EXPECT_FALSE(waiting.HasBackground());  // the cache has no DC yet: tried again later
    button_.reset();
    CKvUIXPButton& cached = Make({}, &cache);
    EXPECT_TRUE(cached.HasBackground());
    cached.SetWindowText("");
    Capture picture = Picture();
    EXPECT_EQ(picture.At(0, 0), RGB(200, 0, 200));  // the corner the outline cuts
    button_.reset();
    cache.SelectObject(previous);
}

TEST_F(UIXPButtonTest, AKeptFaceIsDrawnAgainForANewCaption) {
    CKvUIXPButton& button = Make({{"text", "UIObjString_Ok"}, {"textstyle", "DT_CENTER,DT_VCENTER,DT_SINGLELINE"}});
    const int inked = Picture().Count(RGB(0, 0, 0));
    button.SendMessage(WM_MOUSEHOVER);
    Pump();
    button.SendMessage(WM_MOUSELEAVE);
    EXPECT_EQ(Picture().Count(RGB(0, 0, 0)), inked);
    button.SetWindowText("Close");
    Capture renamed = Picture();
    EXPECT_EQ(button.GetShownText(), "Close");
    EXPECT_GT(renamed.Count(RGB(0, 0, 0)), inked);
}

TEST_F(UIXPButtonTest, RedrawsAndDestructionLeaveCleanObjectCounts) {
    const GdiStatistics before = GdiGetStatistics();
    {
        CKvUIXPButton& button = Make({{"text", "UIObjString_Ok"}, {"flagroundedgeright", "TRUE"}});
        const GdiStatistics drawn = GdiGetStatistics();
        for (int i = 0; i < 50; ++i) {
            button.Invalidate();
            Pump();
        }
        EXPECT_EQ(GdiGetStatistics().live_objects, drawn.live_objects);
        button_.reset();
    }
    EXPECT_EQ(GdiGetStatistics().live_objects, before.live_objects);
    EXPECT_EQ(GdiGetStatistics().live_dcs, before.live_dcs);
}

}  // namespace
