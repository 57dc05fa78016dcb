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

// Six tabs that do not fit the 300-pixel row: two arrow buttons at the
// row's right end scroll it by one tab, and the selected tab is scrolled
// into view.
TEST_F(MfcTabTest, TabsThatDoNotFitScrollByArrowButtons) {
    const char* names[] = {"Eingehend", "Ausgehend", "Exportieren", "Importieren", "Suche", "Adressbuecher"};
    for (int i = 0; i < 6; ++i)
        tab_.InsertItem(i, names[i]);
    CRect last;
    ASSERT_TRUE(tab_.GetItemRect(5, &last));
    ASSERT_GT(last.right, 300);
    const int arrow = GetSystemMetrics(SM_CXVSCROLL);
    const int arrows_left = 300 - 2 * arrow;
    CRect first;
    tab_.GetItemRect(0, &first);
    Pump();
    Capture picture = Capture::OfWindow(tab_.m_hWnd);
    // Each arrow is a raised button SM_CXVSCROLL wide and the row's height.
    for (const int left : {arrows_left, arrows_left + arrow}) {
        EXPECT_EQ(picture.At(left, first.top), GetSysColor(COLOR_3DHILIGHT));
        EXPECT_EQ(picture.At(left + arrow - 1, first.bottom - 1), GetSysColor(COLOR_3DDKSHADOW));
        EXPECT_EQ(picture.At(left + 2, first.top + 2), GetSysColor(COLOR_BTNFACE));
    }
    // At the start only the right arrow can scroll: its glyph is black, the
    // left one's grey.
    const int middle = first.top + first.Height() / 2;
    EXPECT_EQ(picture.At(arrows_left + arrow + arrow / 2, middle), GetSysColor(COLOR_BTNTEXT));
    EXPECT_EQ(picture.At(arrows_left + arrow / 2, middle), GetSysColor(COLOR_GRAYTEXT));

    InputDriver input(clock_);
    const POINT right_arrow = InputDriver::ScreenPoint(tab_.m_hWnd, CPoint(arrows_left + arrow + 3, middle));
    const POINT left_arrow = InputDriver::ScreenPoint(tab_.m_hWnd, CPoint(arrows_left + 3, middle));
    input.Click(right_arrow);
    CRect second;
    tab_.GetItemRect(1, &second);
    EXPECT_EQ(second.left, first.left);  // one tab further
    EXPECT_EQ(tab_.GetCurSel(), 0);      // scrolling selects nothing
    EXPECT_TRUE(host_.codes.empty());
    for (int i = 0; i < 10; ++i)
        input.Click(right_arrow);
    tab_.GetItemRect(5, &last);
    EXPECT_LE(last.right, arrows_left);  // the last tab shows whole, no further
    // The tab before the first shown one would not fit as well.
    int shown = 0;
    for (CRect rect; tab_.GetItemRect(shown, &rect) && rect.left != first.left;)
        ++shown;
    ASSERT_GT(shown, 0);
    CRect hidden;
    tab_.GetItemRect(shown - 1, &hidden);
    EXPECT_GT(last.right + hidden.Width(), arrows_left);
    input.Click(InputDriver::ScreenPoint(tab_.m_hWnd, last.CenterPoint()));
    EXPECT_EQ(tab_.GetCurSel(), 5);
    for (int i = 0; i < 10; ++i)
        input.Click(left_arrow);
    tab_.GetItemRect(0, &first);
    EXPECT_EQ(first.left, 2);
    // Selecting a tab out of view scrolls it in.
    tab_.SetCurSel(4);
    tab_.GetItemRect(4, &last);
    EXPECT_LE(last.right, arrows_left);
    EXPECT_GE(last.left, 2);
    tab_.SetCurSel(0);
    tab_.GetItemRect(0, &first);
    EXPECT_EQ(first.left, 2);
}

TEST_F(MfcTabTest, KeysReachTabZeroAndATabChosenByClickOrKeyIsScrolledIntoView) {
    const char* names[] = {"Eingehend", "Ausgehend", "Exportieren", "Importieren", "Suche", "Adressbuecher"};
    for (int i = 0; i < 6; ++i)
        tab_.InsertItem(i, names[i]);
    const int arrows_left = 300 - 2 * GetSystemMetrics(SM_CXVSCROLL);
    InputDriver input(clock_);
    const auto click = [&](int index) {
        CRect rect;
        tab_.GetItemRect(index, &rect);
        input.Click(InputDriver::ScreenPoint(tab_.m_hWnd, CPoint(rect.left + 3, rect.CenterPoint().y)));
    };
    const auto shown_whole = [&](int index) {
        CRect rect;
        tab_.GetItemRect(index, &rect);
        return rect.left >= 2 && rect.right <= arrows_left;
    };
    // The first tab that reaches under the arrows, chosen by a click on
    // the part that shows.
    int partly = 0;
    while (partly < 6 && shown_whole(partly))
        ++partly;
    ASSERT_LT(partly, 6);
    click(partly);
    EXPECT_EQ(tab_.GetCurSel(), partly);
    EXPECT_TRUE(shown_whole(partly));
    EXPECT_EQ(::GetFocus(), tab_.m_hWnd);
    for (int i = partly + 1; i < 6; ++i) {
        input.Key(VK_RIGHT);
        EXPECT_EQ(tab_.GetCurSel(), i);
        EXPECT_TRUE(shown_whole(i)) << i;
    }
    for (int i = 4; i >= 0; --i) {
        input.Key(VK_LEFT);
        EXPECT_EQ(tab_.GetCurSel(), i);
        EXPECT_TRUE(shown_whole(i)) << i;
    }
}

TEST_F(MfcTabTest, TabsThatFitExactlyGetNoArrows) {
    for (const char* name : {"One", "Two", "Three"})
        tab_.InsertItem(tab_.GetItemCount(), name);
    CRect last;
    ASSERT_TRUE(tab_.GetItemRect(2, &last));
    InputDriver input(clock_);
    // The last tab's right end, where a right arrow would lie.
    const POINT end = InputDriver::ScreenPoint(tab_.m_hWnd, CPoint(last.right - 2, last.CenterPoint().y));
    tab_.MoveWindow(0, 0, last.right, 200);
    input.Click(end);
    EXPECT_EQ(tab_.GetCurSel(), 2);
    // One pixel less and the arrows come: the click scrolls, choosing nothing.
    tab_.SetCurSel(0);
    tab_.MoveWindow(0, 0, last.right - 1, 200);
    input.Click(end);
    EXPECT_EQ(tab_.GetCurSel(), 0);
}

}  // namespace
