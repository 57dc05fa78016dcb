#include "platform/mfc/mfc_controls.h"
#include "support/wnd_test_support.h"

#include <vector>

namespace {

class Parent : public CWnd {
public:
    std::vector<std::pair<int, UINT>> commands;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
        return CWnd::OnCommand(wParam, lParam);
    }
};

class OwnerDrawn : public CButton {
public:
    std::vector<UINT> states;
    HFONT font = nullptr;
    void DrawItem(DRAWITEMSTRUCT* item) override {
        states.push_back(item->itemState);
        font = static_cast<HFONT>(CDC::FromHandle(item->hDC)->GetCurrentFont()->m_hObject);
        CDC::DeleteTempHandle(item->hDC);
        EXPECT_EQ(item->CtlType, ODT_BUTTON);
    }
};

class MfcButtonTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        Class("MfcHost");
        ASSERT_TRUE(parent_.CreateEx(0, "MfcHost", "", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr));
    }
    void TearDown() override {
        parent_.DestroyWindow();
        WndTest::TearDown();
    }
    POINT At(CWnd& control, int x, int y) { return InputDriver::ScreenPoint(control.m_hWnd, POINT{x, y}); }

    Parent parent_;
    InputDriver input_{clock_};
};

TEST_F(MfcButtonTest, PressAndReleaseInsideClicksReleaseOutsideDoesNot) {
    CButton button;
    ASSERT_TRUE(button.Create("OK", WS_VISIBLE | BS_PUSHBUTTON, CRect(10, 10, 60, 30), &parent_, 5));
    input_.MoveTo(At(button, 5, 5));
    input_.Press();
    EXPECT_EQ(CWnd::GetCapture(), &button);
    EXPECT_NE(button.GetState() & BST_PUSHED, 0u);
    input_.MoveTo(At(button, 80, 5));
    EXPECT_EQ(button.GetState() & BST_PUSHED, 0u);  // pushed only while over it
    input_.MoveTo(At(button, 6, 6));
    EXPECT_NE(button.GetState() & BST_PUSHED, 0u);
    input_.Release();
    EXPECT_EQ((std::vector<std::pair<int, UINT>>{{5, BN_CLICKED}}), parent_.commands);
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(button.GetState() & BST_PUSHED, 0u);

    parent_.commands.clear();
    input_.MoveTo(At(button, 5, 5));
    input_.Press();
    input_.MoveTo(At(button, 100, 50));
    input_.Release();
    EXPECT_TRUE(parent_.commands.empty());

    input_.Key(VK_SPACE);  // the focus stayed on the button
    EXPECT_EQ((std::vector<std::pair<int, UINT>>{{5, BN_CLICKED}}), parent_.commands);
}

TEST_F(MfcButtonTest, OwnerDrawStatesReachTheButtonObjectWithItsFont) {
    CFont font;
    ASSERT_TRUE(font.CreatePointFont(90, "DejaVu Sans"));
    OwnerDrawn button;
    ASSERT_TRUE(button.Create("", WS_VISIBLE | BS_OWNERDRAW, CRect(10, 10, 60, 30), &parent_, 6));
    button.SetFont(&font, FALSE);
    Pump();
    ASSERT_FALSE(button.states.empty());
    EXPECT_EQ(button.states.back(), 0u);
    EXPECT_EQ(button.font, font.m_hObject);
    input_.MoveTo(At(button, 5, 5));
    input_.Press();
    EXPECT_EQ(button.states.back() & ODS_SELECTED, ODS_SELECTED);
    input_.Release();
    EXPECT_EQ(button.states.back(), ODS_FOCUS);
    button.EnableWindow(FALSE);
    Pump();
    EXPECT_NE(button.states.back() & ODS_DISABLED, 0u);
    button.DestroyWindow();
}

TEST_F(MfcButtonTest, CheckTypesKeepTheirCheckAndUnknownTypesPaintNothing) {
    CButton check;
    ASSERT_TRUE(check.Create("Check", WS_VISIBLE | BS_AUTOCHECKBOX, CRect(0, 0, 80, 20), &parent_, 1));
    EXPECT_EQ(check.GetCheck(), BST_UNCHECKED);
    check.SetCheck(BST_CHECKED);
    EXPECT_EQ(check.GetCheck(), BST_CHECKED);
    input_.Click(At(check, 3, 3));
    EXPECT_EQ(check.GetCheck(), BST_UNCHECKED);
    EXPECT_EQ(check.SendMessage(BM_GETIMAGE), 0);

    CButton odd;
    ASSERT_TRUE(odd.Create("odd", WS_VISIBLE | 0xF, CRect(100, 0, 140, 20), &parent_, 2));
    Pump();
    Capture before = Capture::OfWindow(parent_.m_hWnd);
    const COLORREF face = GetSysColor(COLOR_3DFACE);
    EXPECT_EQ(before.At(110, 10), face);  // the parent's background shows through
    EXPECT_NE(before.Count(face), 200 * 100);  // while the checkbox drew something
}

TEST_F(MfcButtonTest, StaticsPassClicksThroughUnlessTheyNotify) {
    CStatic plain, notifying;
    ASSERT_TRUE(plain.Create("Plain", WS_VISIBLE, CRect(0, 0, 50, 20), &parent_, 3));
    ASSERT_TRUE(notifying.Create("Notify", WS_VISIBLE | SS_NOTIFY, CRect(0, 30, 50, 50), &parent_, 4));
    EXPECT_EQ(plain.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(At(plain, 2, 2).x, At(plain, 2, 2).y)), HTTRANSPARENT);
    EXPECT_EQ(::WindowFromPoint(At(plain, 2, 2)), parent_.m_hWnd);
    EXPECT_EQ(::WindowFromPoint(At(notifying, 2, 2)), notifying.m_hWnd);
    input_.Click(At(notifying, 2, 2));
    EXPECT_EQ((std::vector<std::pair<int, UINT>>{{4, STN_CLICKED}}), parent_.commands);
    Pump();
    Capture picture = Capture::OfWindow(parent_.m_hWnd);
    EXPECT_GT(200 * 100 - picture.Count(GetSysColor(COLOR_3DFACE)), 20);  // the texts were drawn
}

}  // namespace
