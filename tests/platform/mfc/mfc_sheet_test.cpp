#include "platform/mfc/mfc_comboex.h"
#include "platform/mfc/mfc_edit.h"
#include "platform/mfc/mfc_sheet.h"
#include "platform/resources.h"
#include "support/wnd_test_support.h"

#include <string>

namespace {

std::string PageTemplate(short cx, short cy, const std::string& title) {
    return BuildDialogTemplate(WS_CHILD | WS_CAPTION, 0, 0, 0, cx, cy, title);
}

class CountingPage : public CPropertyPage {
public:
    using CPropertyPage::CPropertyPage;
    int init_count = 0;
    BOOL OnInitDialog() override {
        ++init_count;
        return CPropertyPage::OnInitDialog();
    }
};

// A page that makes a plain label, then a tab stop, in WM_INITDIALOG: an
// edit, or with lines an editable combo box ex.
class StopPage : public CPropertyPage {
public:
    using CPropertyPage::CPropertyPage;
    bool combo = false;
    CEdit label, edit;
    CComboBoxEx box;
    BOOL OnInitDialog() override {
        CPropertyPage::OnInitDialog();
        label.Create(WS_VISIBLE, CRect(5, 5, 60, 25), this, 11);
        if (!combo) {
            edit.Create(WS_VISIBLE | WS_TABSTOP, CRect(5, 30, 60, 50), this, 12);
            return TRUE;
        }
        box.Create(WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN, CRect(5, 30, 120, 50), this, 13);
        for (const char* text : {"One", "Two", "Three"}) {
            COMBOBOXEXITEM item;
            item.mask = CBEIF_TEXT;
            item.iItem = -1;
            item.pszText = const_cast<char*>(text);
            box.InsertItem(&item);
        }
        return TRUE;
    }
};

class Sheet : public CPropertySheet {
public:
    using CPropertySheet::CPropertySheet;
    bool page_made_by_base = false;
    BOOL OnInitDialog() override {
        const BOOL result = CPropertySheet::OnInitDialog();
        page_made_by_base = GetPage(0) && GetPage(0)->m_hWnd != nullptr &&
                            SendMessage(PSM_GETTABCONTROL) != 0;
        return result;
    }
};

class OwnerTab : public CTabCtrl {
public:
    std::vector<std::pair<UINT, UINT>> drawn;  // item, state
    HGDIOBJ font = nullptr;
    int colour_asked = 0;
    void DrawItem(DRAWITEMSTRUCT* item) override {
        EXPECT_EQ(item->CtlType, ODT_TAB);
        drawn.emplace_back(item->itemID, item->itemState);
        font = CDC::FromHandle(item->hDC)->GetCurrentFont()->m_hObject;
        CDC::DeleteTempHandle(item->hDC);
    }
    HBRUSH CtlColor(CDC*, UINT) override {
        ++colour_asked;
        return GetSysColorBrush(COLOR_HIGHLIGHT);
    }
};

class MfcSheetTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        RegisterResource(KV_RT_DIALOG, 401, PageTemplate(100, 60, "First"));
        RegisterResource(KV_RT_DIALOG, 402, PageTemplate(160, 40, "Second"));
        RegisterResource(KV_RT_DIALOG, 403, PageTemplate(80, 90, "Third"));
        RegisterResource(KV_RT_STRING, 501, "General");
        RegisterResource(KV_RT_STRING, 500, "Settings");
        Class("MfcSheetHost");
        ASSERT_TRUE(host_.CreateEx(0, "MfcSheetHost", "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr));
    }
    void TearDown() override {
        host_.DestroyWindow();
        UnregisterAllResources();
        WndTest::TearDown();
    }
    std::string TabText(HWND tab, int index) {
        char buffer[32] = {};
        TCITEM item;
        item.mask = TCIF_TEXT;
        item.pszText = buffer;
        item.cchTextMax = sizeof buffer;
        SendMessage(tab, TCM_GETITEM, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        return buffer;
    }

    CWnd host_;
};

TEST_F(MfcSheetTest, AChildSheetMakesOnlyTheFirstPageAndTheOthersAtTheirFirstSelection) {
    const auto objects_before = GdiGetStatistics().live_objects;
    CountingPage first(401, 501), second(402), third(403);
    Sheet sheet(500, &host_);
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    sheet.AddPage(&third);
    EXPECT_EQ(sheet.GetPageCount(), 3);
    EXPECT_EQ(sheet.GetPageIndex(&third), 2);
    EXPECT_EQ(first.m_psp.dwFlags & PSP_USETITLE, PSP_USETITLE);
    EXPECT_EQ(second.m_psp.dwFlags & PSP_USETITLE, 0u);
    ASSERT_TRUE(sheet.Create(&host_, WS_CHILD | WS_VISIBLE | DS_CONTROL));
    EXPECT_TRUE(sheet.page_made_by_base);
    EXPECT_EQ(first.init_count, 1);
    EXPECT_EQ(second.m_hWnd, nullptr);
    EXPECT_EQ(third.m_hWnd, nullptr);
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    HWND tab = reinterpret_cast<HWND>(sheet.SendMessage(PSM_GETTABCONTROL));
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(tab), nullptr);  // the sheet's own window has no object
    EXPECT_EQ(TabText(tab, 0), "General");
    EXPECT_EQ(TabText(tab, 1), "Second");
    EXPECT_EQ(TabText(tab, 2), "Third");

    // The pages fill the display area, sized from the largest template.
    CRect page_rect;
    first.GetClientRect(&page_rect);
    EXPECT_EQ(page_rect.Width(), 240);  // 160 dialog units
    EXPECT_EQ(page_rect.Height(), 146);  // 90 dialog units

    InputDriver input(clock_);
    RECT third_tab;
    SendMessage(tab, TCM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&third_tab));
    input.Click(InputDriver::ScreenPoint(tab, CRect(third_tab).CenterPoint()));
    EXPECT_EQ(sheet.GetActiveIndex(), 2);
    EXPECT_EQ(third.init_count, 1);
    EXPECT_TRUE(third.IsWindowVisible());
    EXPECT_FALSE(first.IsWindowVisible());
    EXPECT_EQ(second.m_hWnd, nullptr);
    sheet.SetActivePage(0);
    EXPECT_TRUE(first.IsWindowVisible());
    EXPECT_FALSE(third.IsWindowVisible());
    input.Click(InputDriver::ScreenPoint(tab, CRect(third_tab).CenterPoint()));
    EXPECT_EQ(third.init_count, 1);
    EXPECT_EQ(first.init_count, 1);

    // Later sizing of the sheet moves nothing inside.
    CRect before, after;
    ::GetWindowRect(tab, &before);
    sheet.MoveWindow(0, 0, 390, 290);
    ::GetWindowRect(tab, &after);
    EXPECT_EQ(before, after);

    sheet.DestroyWindow();
    EXPECT_EQ(first.m_hWnd, nullptr);
    EXPECT_EQ(third.m_hWnd, nullptr);
    EXPECT_EQ(GdiGetStatistics().live_objects, objects_before);
}

TEST_F(MfcSheetTest, AnOwnerDrawnTabReachesItsSubclassingObjectWithTheTabFont) {
    CountingPage first(401), second(402);
    CPropertySheet sheet(0, &host_);
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    ASSERT_TRUE(sheet.Create(&host_, WS_CHILD | WS_VISIBLE | DS_CONTROL));
    OwnerTab tab;
    ASSERT_TRUE(tab.SubclassWindow(reinterpret_cast<HWND>(sheet.SendMessage(PSM_GETTABCONTROL))));
    EXPECT_EQ(sheet.GetTabControl(), &tab);
    tab.ModifyStyle(0, TCS_OWNERDRAWFIXED);
    tab.Invalidate();
    Pump();
    EXPECT_EQ(tab.drawn, (std::vector<std::pair<UINT, UINT>>{{0, ODS_SELECTED}, {1, 0}}));
    EXPECT_EQ(tab.font, sheet.GetFont()->m_hObject);

    // The sheet answers colours itself: the tab's CtlColor is never asked.
    CClientDC dc(&tab);
    sheet.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.m_hDC), reinterpret_cast<LPARAM>(tab.m_hWnd));
    EXPECT_EQ(tab.colour_asked, 0);
}

TEST_F(MfcSheetTest, CtrlKeysTurnThePagesAndAClickedTabTakesLeftAndRight) {
    CountingPage first(401, 501), second(402), third(403);
    Sheet sheet(500, &host_);
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    sheet.AddPage(&third);
    ASSERT_TRUE(sheet.Create(&host_, WS_CHILD | WS_VISIBLE | DS_CONTROL));
    HWND tab = reinterpret_cast<HWND>(sheet.SendMessage(PSM_GETTABCONTROL));
    InputDriver input(clock_);
    first.SetFocus();
    input.KeyDown(VK_CONTROL);
    input.Key(VK_TAB);
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
    EXPECT_TRUE(second.IsWindowVisible());
    EXPECT_EQ(::GetFocus(), tab) << "the focus left the hidden page";
    input.Key(VK_NEXT);
    EXPECT_EQ(sheet.GetActiveIndex(), 2);
    input.Key(VK_NEXT);
    EXPECT_EQ(sheet.GetActiveIndex(), 0);  // round the end
    input.Key(VK_PRIOR);
    EXPECT_EQ(sheet.GetActiveIndex(), 2);
    input.KeyDown(VK_SHIFT);
    input.Key(VK_TAB);
    input.KeyUp(VK_SHIFT);
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
    EXPECT_EQ(SendMessage(tab, TCM_GETCURSEL, 0, 0), 1);
    input.KeyUp(VK_CONTROL);
    // Without Ctrl the arrows are the focused tab control's.
    host_.SetFocus();
    RECT first_tab;
    SendMessage(tab, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first_tab));
    input.Click(InputDriver::ScreenPoint(tab, CRect(first_tab).CenterPoint()));
    EXPECT_EQ(::GetFocus(), tab);
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    input.Key(VK_LEFT);
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    input.Key(VK_RIGHT);
    input.Key(VK_RIGHT);
    EXPECT_EQ(sheet.GetActiveIndex(), 2);
    EXPECT_TRUE(third.IsWindowVisible());
    input.Key(VK_RIGHT);
    EXPECT_EQ(sheet.GetActiveIndex(), 2);
    input.Key(VK_LEFT);
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
    sheet.DestroyWindow();
}

TEST_F(MfcSheetTest, ASheetOpensOnItsShownPagesFirstStopElseOnItsTabs) {
    for (const bool stop_first : {true, false}) {
        StopPage with_stop(401), also_with_stop(402);
        CountingPage without(403);
        SetFocus(nullptr);
        Sheet sheet(500, &host_);
        sheet.AddPage(stop_first ? static_cast<CPropertyPage*>(&with_stop) : &without);
        sheet.AddPage(&also_with_stop);
        ASSERT_TRUE(sheet.Create(&host_));
        const HWND tab = reinterpret_cast<HWND>(sheet.SendMessage(PSM_GETTABCONTROL));
        EXPECT_EQ(::GetFocus(), stop_first ? with_stop.edit.m_hWnd : tab) << stop_first;
        // The page made later, a child dialog too, takes no focus; the
        // hidden page's focus goes to the tabs.
        sheet.SetActivePage(1);
        EXPECT_EQ(::GetFocus(), tab);
        sheet.DestroyWindow();
    }
}

TEST_F(MfcSheetTest, APageTheProgramTurnsAwayFromTheFocusLeavesItOnTheTabsForTheKeys) {
    // Where the focus stands when the program turns from page 0 to page 1.
    enum Focus { kOnOldPage, kOnTabs, kOutside };
    for (const Focus before : {kOnOldPage, kOnTabs, kOutside}) {
        SCOPED_TRACE(before == kOnOldPage ? "on the old page" : before == kOnTabs ? "on the tabs" : "outside");
        StopPage first(401), second(402);
        Sheet sheet(500, &host_);
        sheet.AddPage(&first);
        sheet.AddPage(&second);
        ASSERT_TRUE(sheet.Create(&host_));
        const HWND tab = reinterpret_cast<HWND>(sheet.SendMessage(PSM_GETTABCONTROL));
        ASSERT_EQ(::GetFocus(), first.edit.m_hWnd);
        if (before == kOnTabs)
            ::SetFocus(tab);
        if (before == kOutside)
            host_.SetFocus();
        sheet.SetActivePage(1);
        EXPECT_EQ(::GetFocus(), before == kOutside ? host_.m_hWnd : tab);
        if (before == kOutside) {
            sheet.DestroyWindow();
            continue;
        }
        InputDriver input(clock_);
        input.Key(VK_TAB);
        EXPECT_EQ(::GetFocus(), second.edit.m_hWnd);
        input.KeyDown(VK_CONTROL);
        input.Key(VK_NEXT);
        input.KeyUp(VK_CONTROL);
        EXPECT_EQ(sheet.GetActiveIndex(), 0);
        EXPECT_EQ(::GetFocus(), tab);
        sheet.DestroyWindow();
    }
}

TEST_F(MfcSheetTest, TurningThePageClosesTheComboPopupOnItUnchanged) {
    StopPage first(401), second(402);
    first.combo = true;
    Sheet sheet(500, &host_);
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    ASSERT_TRUE(sheet.Create(&host_));
    InputDriver input(clock_);
    CRect field;
    first.box.GetWindowRect(&field);
    input.Click(POINT{field.right - 4, field.top + 4});  // the drop button
    ASSERT_TRUE(first.box.GetDroppedState());
    ASSERT_EQ(::GetFocus(), first.box.GetEditCtrl()) << "an editable combo keeps its popup in its edit";
    input.Key(VK_DOWN);
    input.KeyDown(VK_CONTROL);
    input.Key(VK_TAB);
    input.KeyUp(VK_CONTROL);
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
    EXPECT_FALSE(first.box.GetDroppedState());
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(first.box.GetCurSel(), -1);
    // The next click reaches the page shown.
    input.Click(InputDriver::ScreenPoint(second.edit.m_hWnd, POINT{5, 5}));
    EXPECT_EQ(::GetFocus(), second.edit.m_hWnd);
    sheet.DestroyWindow();
}

}  // namespace
