#include "platform/mfc/mfc_listctrl.h"
#include "support/wnd_test_support.h"

#include <string>
#include <vector>

namespace {

// "C3" for NM_CLICK on item 3, "I1" for LVN_ITEMCHANGED of item 1 and so on.
class Parent : public CWnd {
public:
    std::vector<std::string> log;

protected:
    BOOL OnNotify(WPARAM, LPARAM lParam, LRESULT* result) override {
        const auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->code == LVN_ITEMCHANGED) {
            const auto* change = reinterpret_cast<NMLISTVIEW*>(lParam);
            log.push_back("I" + std::to_string(change->iItem) + ":" + std::to_string(change->uOldState) + ">" +
                          std::to_string(change->uNewState));
        } else if (header->code == NM_CLICK || header->code == NM_DBLCLK) {
            const auto* activate = reinterpret_cast<NMITEMACTIVATE*>(lParam);
            log.push_back(std::string(header->code == NM_CLICK ? "C" : "D") + std::to_string(activate->iItem) + "," +
                          std::to_string(activate->iSubItem));
        }
        *result = 0;
        return TRUE;
    }
};

class HeaderSpy : public CListCtrl {
public:
    std::vector<std::pair<std::uintptr_t, int>> clicks;

protected:
    BOOL OnNotify(WPARAM, LPARAM lParam, LRESULT* result) override {
        const auto* header = reinterpret_cast<NMHEADER*>(lParam);
        if (header->hdr.code == HDN_ITEMCLICKW)
            clicks.emplace_back(header->hdr.idFrom, header->iItem);
        *result = 0;
        return TRUE;
    }
};

class MfcListCtrlTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        Class("MfcListHost");
        ASSERT_TRUE(parent_.CreateEx(0, "MfcListHost", "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr));
    }
    void TearDown() override {
        parent_.DestroyWindow();
        WndTest::TearDown();
    }
    void Make(DWORD style, int height = 200) {
        ASSERT_TRUE(list_.CreateEx(0, WS_VISIBLE | LVS_ICON | style, CRect(10, 10, 310, 10 + height), &parent_, 4));
        list_.InsertColumn(0, "Name", LVCFMT_LEFT, 100, 0);
        list_.InsertColumn(1, "Path", LVCFMT_LEFT, 150, 0);
        for (int i = 0; i < 3; ++i) {
            const std::string name = "row" + std::to_string(i);
            EXPECT_EQ(list_.InsertItem(99, name.c_str()), i);
            list_.SetItemText(i, 1, ("/p/" + name).c_str());
        }
        Pump();
    }
    POINT RowPoint(int row, int x = 20) {
        CRect rect;
        EXPECT_TRUE(list_.GetItemRect(row, &rect));
        return InputDriver::ScreenPoint(list_.m_hWnd, POINT{x, rect.CenterPoint().y});
    }
    void AddRows(int count) {
        for (int i = list_.GetItemCount(); i < count; ++i)
            list_.InsertItem(i, ("row" + std::to_string(i)).c_str());
        Pump();
        parent_.log.clear();
    }
    POINT ClientPoint(int x, int y) { return InputDriver::ScreenPoint(list_.m_hWnd, POINT{x, y}); }
    int HeaderHeight() const {
        CRect header;
        ::GetWindowRect(list_.GetHeaderCtrl(), &header);
        return header.Height();
    }
    std::vector<int> Selected() const {
        std::vector<int> rows;
        for (int i = list_.GetNextItem(-1, LVNI_SELECTED); i >= 0; i = list_.GetNextItem(i, LVNI_SELECTED))
            rows.push_back(i);
        return rows;
    }

    Parent parent_;
    HeaderSpy list_;
    InputDriver input_{clock_};
};

TEST_F(MfcListCtrlTest, ItemsTextsParamsAndSearchesSendNoNotification) {
    Make(0);
    EXPECT_EQ(list_.GetItemCount(), 3);
    EXPECT_EQ(list_.GetItemText(2, 1), "/p/row2");
    LVITEM item;
    item.mask = LVIF_PARAM | LVIF_TEXT;
    item.iItem = 1;
    item.pszText = const_cast<char*>("renamed");
    item.lParam = 77;
    EXPECT_TRUE(list_.SetItem(&item));
    EXPECT_EQ(list_.GetItemText(1, 0), "renamed");
    EXPECT_EQ(list_.GetItemData(1), 77);
    item.iSubItem = 2;  // no such column
    EXPECT_FALSE(list_.SetItem(&item));
    LVFINDINFO find;
    find.flags = LVFI_PARAM;
    find.lParam = 77;
    EXPECT_EQ(list_.FindItem(&find), 1);
    EXPECT_EQ(list_.FindItem(&find, 1), -1);  // starts after the index
    find.lParam = 78;
    EXPECT_EQ(list_.FindItem(&find), -1);
    EXPECT_TRUE(list_.DeleteItem(0));
    EXPECT_FALSE(list_.DeleteItem(5));
    EXPECT_EQ(list_.GetItemText(0, 0), "renamed");
    EXPECT_TRUE(list_.DeleteAllItems());
    EXPECT_EQ(list_.GetItemCount(), 0);
    Pump();
    EXPECT_TRUE(parent_.log.empty());
}

TEST_F(MfcListCtrlTest, RowsAreTheFontHeightPlusFourBelowTheHeaderAndClipped) {
    Make(0, 60);
    TEXTMETRIC metrics;
    HDC dc = GetDC(list_.m_hWnd);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    GetTextMetrics(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(list_.m_hWnd, dc);
    CRect first, second, header;
    ASSERT_TRUE(list_.GetItemRect(0, &first));
    ASSERT_TRUE(list_.GetItemRect(1, &second));
    ::GetWindowRect(list_.GetHeaderCtrl(), &header);
    EXPECT_EQ(GetDlgCtrlID(list_.GetHeaderCtrl()), 0);
    EXPECT_EQ(first.Height(), metrics.tmHeight + 4);
    EXPECT_EQ(second.top, first.bottom);
    EXPECT_EQ(first.top, header.Height());
    EXPECT_EQ(first.Width(), 250);
    EXPECT_EQ(list_.SendMessage(WM_GETFONT), reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)));
}

TEST_F(MfcListCtrlTest, AClickSelectsOnlyItsRowCtrlTogglesAndChangesComeBeforeTheClick) {
    Make(LVS_REPORT);
    input_.Click(RowPoint(1));
    EXPECT_EQ(parent_.log, (std::vector<std::string>{"I1:0>3", "C1,0"}));
    parent_.log.clear();
    input_.Click(RowPoint(2, 120));
    EXPECT_EQ(parent_.log, (std::vector<std::string>{"I1:3>0", "I2:0>3", "C2,1"}));
    parent_.log.clear();
    input_.KeyDown(VK_CONTROL);
    input_.Click(RowPoint(0));
    input_.KeyUp(VK_CONTROL);
    EXPECT_EQ(Selected(), (std::vector<int>{0, 2}));
    EXPECT_EQ(parent_.log, (std::vector<std::string>{"I0:0>3", "I2:3>2", "C0,0"}));
    input_.KeyDown(VK_CONTROL);
    input_.Click(RowPoint(0));
    input_.KeyUp(VK_CONTROL);
    EXPECT_EQ(Selected(), (std::vector<int>{2}));
    parent_.log.clear();
    input_.Click(InputDriver::ScreenPoint(list_.m_hWnd, POINT{20, 180}));  // below the rows
    EXPECT_EQ(Selected(), std::vector<int>{});
    EXPECT_EQ(parent_.log, (std::vector<std::string>{"I2:2>0", "C-1,-1"}));
}

TEST_F(MfcListCtrlTest, SingleSelectionKeepsOneAndADoubleClickFollowsTheClick) {
    Make(LVS_SINGLESEL);
    input_.Click(RowPoint(0));
    input_.KeyDown(VK_CONTROL);
    input_.Click(RowPoint(1));
    input_.KeyUp(VK_CONTROL);
    EXPECT_EQ(Selected(), std::vector<int>{1});
    parent_.log.clear();
    input_.DoubleClick(RowPoint(2, 200));
    EXPECT_EQ(parent_.log, (std::vector<std::string>{"I1:3>0", "I2:0>3", "C2,1", "D2,1"}));
}

TEST_F(MfcListCtrlTest, ProgramStatesNotifyOncePerChangedItem) {
    Make(0);
    EXPECT_TRUE(list_.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_TRUE(list_.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED));  // no change, no notification
    EXPECT_TRUE(list_.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_EQ(list_.GetItemState(1, 0xFFFFFFFF), LVIS_SELECTED);
    EXPECT_EQ(list_.GetSelectedCount(), 2u);
    EXPECT_TRUE(list_.SetItemState(-1, 0, LVIS_SELECTED));
    EXPECT_EQ(parent_.log, (std::vector<std::string>{"I1:0>2", "I2:0>2", "I1:2>0", "I2:2>0"}));
    EXPECT_FALSE(list_.SetItemState(3, LVIS_SELECTED, LVIS_SELECTED));
}

TEST_F(MfcListCtrlTest, AHeaderClickReachesTheListViewAsItemClickW) {
    Make(0);
    CRect second;
    ASSERT_TRUE(::SendMessage(list_.GetHeaderCtrl(), HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second)));
    EXPECT_EQ(second.left, 100);
    input_.Click(InputDriver::ScreenPoint(list_.GetHeaderCtrl(), second.CenterPoint()));
    EXPECT_EQ(list_.clicks, (std::vector<std::pair<std::uintptr_t, int>>{{0, 1}}));
    input_.Click(InputDriver::ScreenPoint(list_.GetHeaderCtrl(), POINT{290, 3}));  // past the last column
    EXPECT_EQ(list_.clicks.size(), 1u);
}

TEST_F(MfcListCtrlTest, ExtendedStyleMaskZeroSetsEveryBit) {
    Make(0);
    EXPECT_EQ(list_.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT), 0u);
    EXPECT_EQ(list_.SetExtendedStyle(0, LVS_EX_GRIDLINES), LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    EXPECT_EQ(list_.GetExtendedStyle(), LVS_EX_FULLROWSELECT);
    EXPECT_EQ(list_.SetExtendedStyle(LVS_EX_GRIDLINES), LVS_EX_FULLROWSELECT);
    EXPECT_EQ(list_.GetExtendedStyle(), LVS_EX_GRIDLINES);
    // Grid lines under every row, full rows lit when selected.
    list_.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    list_.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    Pump();
    CRect row;
    list_.GetItemRect(0, &row);
    Capture picture = Capture::OfWindow(list_.m_hWnd);
    EXPECT_EQ(picture.At(200, row.top + 1), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(picture.At(270, row.bottom - 1), GetSysColor(COLOR_3DFACE));
    EXPECT_EQ(picture.At(270, row.top + 2), GetSysColor(COLOR_WINDOW));
}

TEST_F(MfcListCtrlTest, RowsThatDoNotFitGetAScrollBarWhoseArrowsTrackAndThumbScroll) {
    Make(LVS_REPORT);
    CRect client;
    list_.GetClientRect(&client);
    const int bar = GetSystemMetrics(SM_CXVSCROLL);
    const int top = HeaderHeight();
    // Three rows fit: no bar.
    EXPECT_EQ(Capture::OfWindow(list_.m_hWnd).At(client.right - bar / 2, client.bottom - 3), GetSysColor(COLOR_WINDOW));
    AddRows(100);
    CRect row;
    ASSERT_TRUE(list_.GetItemRect(0, &row));
    const int height = row.Height();
    const int page = list_.GetCountPerPage();
    EXPECT_EQ(page, (client.Height() - top) / height);
    EXPECT_EQ(list_.GetTopIndex(), 0);
    {
        Capture picture = Capture::OfWindow(list_.m_hWnd);
        // The arrows' outer edges, the arrow glyph, and the track below the thumb.
        EXPECT_EQ(picture.At(client.right - bar, top), GetSysColor(COLOR_3DLIGHT));
        EXPECT_EQ(picture.At(client.right - 1, top + bar - 1), GetSysColor(COLOR_3DDKSHADOW));
        EXPECT_EQ(picture.At(client.right - bar + 8, top + 8), GetSysColor(COLOR_BTNTEXT));
        EXPECT_EQ(picture.At(client.right - bar + 8, client.bottom - bar - 2), GetSysColor(COLOR_SCROLLBAR));
        EXPECT_EQ(picture.At(client.right - bar - 1, client.bottom - 3), GetSysColor(COLOR_WINDOW));
    }
    const int x = client.right - bar / 2;
    input_.Click(ClientPoint(x, client.bottom - 3));  // the down arrow
    EXPECT_EQ(list_.GetTopIndex(), 1);
    ASSERT_TRUE(list_.GetItemRect(1, &row));
    EXPECT_EQ(row.top, top);
    ASSERT_TRUE(list_.GetItemRect(0, &row));
    EXPECT_EQ(row.top, top - height);
    input_.Click(ClientPoint(x, client.bottom - bar - 2));  // the track below the thumb
    EXPECT_EQ(list_.GetTopIndex(), 1 + page);
    input_.Click(ClientPoint(x, top + 3));  // the up arrow
    EXPECT_EQ(list_.GetTopIndex(), page);
    input_.Click(ClientPoint(x, top + bar + 1));  // the track above the thumb
    EXPECT_EQ(list_.GetTopIndex(), 0);
    // The thumb dragged to the end shows the last rows.
    input_.Drag(ClientPoint(x, top + bar + 2), ClientPoint(x, client.bottom + 50));
    EXPECT_EQ(list_.GetTopIndex(), 100 - page);
    EXPECT_EQ(::GetCapture(), nullptr);
    ASSERT_TRUE(list_.GetItemRect(99, &row));
    EXPECT_LE(row.bottom, client.bottom);
    EXPECT_TRUE(parent_.log.empty());
    // A click hits the row shown there.
    input_.Click(ClientPoint(20, row.CenterPoint().y));
    EXPECT_EQ(parent_.log, (std::vector<std::string>{"I99:0>3", "C99,0"}));
    // Half way.
    input_.Drag(ClientPoint(x, client.bottom - bar - 3), ClientPoint(x, top + (client.Height() - top) / 2));
    EXPECT_GT(list_.GetTopIndex(), 30);
    EXPECT_LT(list_.GetTopIndex(), 70);
}

TEST_F(MfcListCtrlTest, KeysMoveTheFocusedRowSelectItKeepItInViewAndSendNoClick) {
    Make(LVS_REPORT);
    AddRows(100);
    const int page = list_.GetCountPerPage();
    input_.Click(RowPoint(2));
    parent_.log.clear();
    input_.Key(VK_DOWN);
    EXPECT_EQ(parent_.log, (std::vector<std::string>{"I2:3>0", "I3:0>3"}));
    input_.Key(VK_UP);
    input_.Key(VK_UP);
    EXPECT_EQ(Selected(), std::vector<int>{1});
    parent_.log.clear();
    input_.Key(VK_END);
    EXPECT_EQ(parent_.log, (std::vector<std::string>{"I1:3>0", "I99:0>3"}));
    EXPECT_EQ(list_.GetTopIndex(), 100 - page);
    input_.Key(VK_HOME);
    EXPECT_EQ(Selected(), std::vector<int>{0});
    EXPECT_EQ(list_.GetTopIndex(), 0);
    parent_.log.clear();
    input_.Key(VK_UP);  // already first: nothing changes
    EXPECT_TRUE(parent_.log.empty());
    input_.Key(VK_NEXT);
    EXPECT_EQ(Selected(), std::vector<int>{page});
    EXPECT_EQ(list_.GetNextItem(-1, LVNI_FOCUSED), page);
    EXPECT_EQ(list_.GetTopIndex(), 1);
    input_.Key(VK_NEXT);
    EXPECT_EQ(Selected(), std::vector<int>{2 * page});
    EXPECT_EQ(list_.GetTopIndex(), page + 1);
    input_.Key(VK_PRIOR);
    EXPECT_EQ(Selected(), std::vector<int>{page});
    EXPECT_EQ(list_.GetTopIndex(), page);
    input_.Key(VK_PRIOR);
    EXPECT_EQ(Selected(), std::vector<int>{0});
    EXPECT_EQ(list_.GetTopIndex(), 0);
    // Selecting by program leaves the view where it is.
    EXPECT_TRUE(list_.SetItemState(80, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_EQ(list_.GetTopIndex(), 0);
    EXPECT_TRUE(list_.EnsureVisible(80, FALSE));
    EXPECT_EQ(list_.GetTopIndex(), 81 - page);
}

TEST_F(MfcListCtrlTest, TheDraggedThumbKeepsThePointWhereItWasGrabbed) {
    Make(LVS_REPORT);
    AddRows(100);
    CRect client;
    list_.GetClientRect(&client);
    const int bar = GetSystemMetrics(SM_CXVSCROLL);
    const int x = client.right - bar / 2;
    for (int i = 0; i < 3; ++i)
        input_.Click(ClientPoint(x, client.bottom - bar - 2));  // the track below the thumb
    // The thumb's outer edges, from its light top to its dark bottom.
    const auto thumb = [&] {
        Capture picture = Capture::OfWindow(list_.m_hWnd);
        int y = HeaderHeight() + bar;
        while (y < client.bottom - bar && picture.At(x, y) != GetSysColor(COLOR_3DLIGHT))
            ++y;
        int bottom = y;
        while (bottom < client.bottom - bar && picture.At(x, bottom) != GetSysColor(COLOR_3DDKSHADOW))
            ++bottom;
        return std::make_pair(y, bottom);
    };
    const auto [top, bottom] = thumb();
    ASSERT_GT(bottom - top, 4);
    const int index = list_.GetTopIndex();
    ASSERT_GT(index, 0);
    // Grabbed near its bottom and let go where it was grabbed: nothing moves.
    input_.Drag(ClientPoint(x, bottom - 1), ClientPoint(x, bottom - 1));
    EXPECT_EQ(list_.GetTopIndex(), index);
    // Dragged 20 pixels down: the thumb follows by as much.
    input_.Drag(ClientPoint(x, bottom - 1), ClientPoint(x, bottom + 19));
    EXPECT_NEAR(thumb().first, top + 20, 2);
    EXPECT_GT(list_.GetTopIndex(), index);
    EXPECT_TRUE(parent_.log.empty());
}

}  // namespace
