#include "platform/mfc/mfc_tooltip.h"
#include "support/wnd_test_support.h"

namespace {

class MfcToolTipTest : public WndTest {};

TEST_F(MfcToolTipTest, MaxTipWidthAnswersMinusOneThenThePreviousWidth) {
    Class("MfcTipHost");
    CWnd host;
    ASSERT_TRUE(host.CreateEx(0, "MfcTipHost", "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr));
    CToolTipCtrl tip;
    ASSERT_TRUE(tip.Create(&host));
    EXPECT_FALSE(tip.IsWindowVisible());
    EXPECT_EQ(tip.SetMaxTipWidth(200), -1);
    EXPECT_EQ(tip.SetMaxTipWidth(300), 200);
    EXPECT_EQ(tip.GetMaxTipWidth(), 300);
    EXPECT_TRUE(tip.IsActive());
    tip.Activate(FALSE);
    EXPECT_FALSE(tip.IsActive());

    EXPECT_TRUE(tip.AddTool(&host, "Host"));
    EXPECT_FALSE(tip.AddTool(&host, "again"));  // one tool per window and id
    const RECT area{0, 0, 10, 10};
    EXPECT_TRUE(tip.AddTool(&host, "Corner", &area, 1000));
    EXPECT_EQ(tip.GetToolCount(), 2);
    tip.DelTool(&host);
    EXPECT_EQ(tip.GetToolCount(), 1);

    MSG move{host.m_hWnd, WM_MOUSEMOVE, 0, 0};
    MSG key{host.m_hWnd, WM_KEYDOWN, 0, 0};
    MSG press{host.m_hWnd, WM_LBUTTONDOWN, 0, 0};
    tip.RelayEvent(&move);
    tip.RelayEvent(&key);  // not a mouse event
    tip.RelayEvent(&press);
    tip.RelayEvent(nullptr);
    EXPECT_EQ(tip.GetRelayedEventCount(), 2);
    tip.DestroyWindow();
    host.DestroyWindow();
}

}  // namespace
