#include "platform/mfc/mfc_tab.h"
#include "support/wnd_test_support.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

class Host : public CWnd {
public:
    std::vector<UINT> codes;
    LRESULT veto = 0;

protected:
    BOOL OnNotify(WPARAM, LPARAM lParam, LRESULT* result) override {
        codes.push_back(reinterpret_cast<NMHDR*>(lParam)->code);
        *result = veto;
        return TRUE;
    }
};

class MfcTabTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        Class("MfcTabHost");
        ASSERT_TRUE(host_.CreateEx(0, "MfcTabHost", "", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
        ASSERT_TRUE(tab_.Create(WS_VISIBLE, CRect(0, 0, 300, 200), &host_, 9));
        font_.CreatePointFont(80, "DejaVu Sans");
        tab_.SetFont(&font_, FALSE);
    }
    void TearDown() override {
        host_.DestroyWindow();
        font_.DeleteObject();
        WndTest::TearDown();
    }

    Host host_;
    CTabCtrl tab_;
    CFont font_;
};

TEST_F(MfcTabTest, TabsAreTheirTextPlusTwelveWideAndTheFontHeightPlusEightHigh) {
    EXPECT_EQ(tab_.InsertItem(0, "One"), 0);
    EXPECT_EQ(tab_.InsertItem(5, "Second"), 1);
    EXPECT_EQ(tab_.GetCurSel(), 0);
    CClientDC dc(&tab_);
    dc.SelectObject(&font_);
    TEXTMETRIC metrics;
    dc.GetTextMetrics(&metrics);
    const CSize one = dc.GetTextExtent("One"), second = dc.GetTextExtent("Second");
    CRect first_rect, second_rect;
    ASSERT_TRUE(tab_.GetItemRect(0, &first_rect));
    ASSERT_TRUE(tab_.GetItemRect(1, &second_rect));
    EXPECT_EQ(first_rect.Width(), one.cx + 12);
    EXPECT_EQ(first_rect.Height(), metrics.tmHeight + 8);
    EXPECT_EQ(second_rect.Width(), second.cx + 12);
    EXPECT_EQ(second_rect.left, first_rect.right);
    EXPECT_FALSE(tab_.GetItemRect(2, &second_rect));
    CRect area(0, 0, 300, 200);
    tab_.AdjustRect(FALSE, &area);
    EXPECT_GT(area.top, first_rect.bottom);
    CRect back(area);
    tab_.AdjustRect(TRUE, &back);
    EXPECT_EQ(back, CRect(0, 0, 300, 200));
}

TEST_F(MfcTabTest, GetItemCopiesAtMostTheBufferLessOne) {
    tab_.InsertItem(0, "x");
    std::string long_text(100, 'a');
    long_text[99] = 'z';
    TCITEM set;
    set.mask = TCIF_TEXT | TCIF_PARAM;
    set.pszText = long_text.data();
    set.lParam = 42;
    EXPECT_TRUE(tab_.SetItem(0, &set));
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    TCITEM get;
    get.mask = TCIF_TEXT | TCIF_PARAM;
    get.pszText = buffer;
    get.cchTextMax = 64;
    EXPECT_TRUE(tab_.GetItem(0, &get));
    EXPECT_EQ(std::string(buffer), std::string(63, 'a'));
    EXPECT_EQ(get.lParam, 42);
    get.cchTextMax = 0;
    EXPECT_FALSE(tab_.GetItem(0, &get));
    EXPECT_FALSE(tab_.GetItem(3, &get));
}

TEST_F(MfcTabTest, AClickAsksSelChangingWhichMayVetoThenSendsSelChange) {
    tab_.InsertItem(0, "One");
    tab_.InsertItem(1, "Two");
    CRect second;
    tab_.GetItemRect(1, &second);
    InputDriver input(clock_);
    host_.veto = 1;
    input.Click(InputDriver::ScreenPoint(tab_.m_hWnd, second.CenterPoint()));
    EXPECT_EQ(tab_.GetCurSel(), 0);
    EXPECT_EQ(host_.codes, std::vector<UINT>{TCN_SELCHANGING});
    host_.veto = 0;
    host_.codes.clear();
    input.Click(InputDriver::ScreenPoint(tab_.m_hWnd, second.CenterPoint()));
    EXPECT_EQ(tab_.GetCurSel(), 1);
    EXPECT_EQ(host_.codes, (std::vector<UINT>{TCN_SELCHANGING, TCN_SELCHANGE}));
    EXPECT_EQ(tab_.SetCurSel(0), 1);  // no notification
    EXPECT_EQ(host_.codes.size(), 2u);
    EXPECT_EQ(tab_.SetCurSel(7), -1);
}

}  // namespace
