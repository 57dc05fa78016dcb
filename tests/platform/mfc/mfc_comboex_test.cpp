#include "platform/mfc/mfc_comboex.h"
#include "support/wnd_test_support.h"

#include <initializer_list>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

class Parent : public CWnd {
public:
    struct Seen {
        UINT code;
        std::string text;  // the combo's window text when the code came
    };
    std::vector<Seen> commands;
    std::vector<UINT> notifies;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        std::string text;
        CWnd::FromHandle(reinterpret_cast<HWND>(lParam))->GetWindowText(text);
        commands.push_back({HIWORD(wParam), text});
        return TRUE;
    }
    BOOL OnNotify(WPARAM, LPARAM lParam, LRESULT* result) override {
        notifies.push_back(reinterpret_cast<NMHDR*>(lParam)->code);
        *result = 0;
        return TRUE;
    }
};

void AddTexts(CComboBoxEx& combo, std::initializer_list<const char*> texts) {
    for (const char* text : texts) {
        COMBOBOXEXITEM item;
        item.mask = CBEIF_TEXT;
        item.iItem = -1;
        item.pszText = const_cast<char*>(text);
        combo.InsertItem(&item);
    }
}

class MfcComboExTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        Class("MfcComboHost");
        ASSERT_TRUE(parent_.CreateEx(0, "MfcComboHost", "", WS_POPUP | WS_VISIBLE, 10, 10, 300, 300, nullptr, nullptr));
        ASSERT_TRUE(combo_.Create(WS_VISIBLE | CBS_DROPDOWNLIST, CRect(20, 20, 140, 42), &parent_, 7));
    }
    void TearDown() override {
        parent_.DestroyWindow();
        WndTest::TearDown();
    }
    int Insert(int at, const char* text, LPARAM param = 0) {
        COMBOBOXEXITEM item;
        item.mask = CBEIF_TEXT | CBEIF_LPARAM | CBEIF_IMAGE;
        item.iItem = at;
        item.pszText = const_cast<char*>(text);
        item.lParam = param;
        item.iImage = 3;
        return combo_.InsertItem(&item);
    }
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        for (int i = 0; i < combo_.GetCount(); ++i) {
            std::string text;
            combo_.GetLBText(i, text);
            lines.push_back(text);
        }
        return lines;
    }
    // The popup list: the window just below the combo's left edge.
    HWND Popup() const {
        CRect window;
        combo_.GetWindowRect(&window);
        return WindowFromPoint(POINT{window.left + 2, window.bottom + 3});
    }

    std::vector<UINT> Codes() const {
        std::vector<UINT> codes;
        for (const auto& seen : parent_.commands)
            codes.push_back(seen.code);
        return codes;
    }
    void AddLines(int count) {
        for (int i = 0; i < count; ++i) {
            const std::string text = (i < 10 ? "Line0" : "Line") + std::to_string(i);
            Insert(-1, text.c_str());
        }
    }
    // The text height of the GUI font and the line's two pixels.
    int LineHeight() const {
        HDC dc = GetDC(combo_.m_hWnd);
        HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        TEXTMETRIC metrics;
        GetTextMetrics(dc, &metrics);
        SelectObject(dc, old);
        ReleaseDC(combo_.m_hWnd, dc);
        return metrics.tmHeight + 2;
    }
    // The popup's line shown at a row (from 0), pressed as the user would.
    void ClickShownLine(int row) {
        CRect popup;
        GetWindowRect(Popup(), &popup);
        input_.Click(POINT{popup.left + 5, popup.top + 1 + row * LineHeight() + LineHeight() / 2});
    }

    Parent parent_;
    CComboBoxEx combo_;
    InputDriver input_{clock_};
};

TEST_F(MfcComboExTest, InsertAtTopOrEndDeleteAndReadBack) {
    EXPECT_EQ(Insert(0, "Alpha", 11), 0);
    EXPECT_EQ(Insert(0, "Beta", 12), 0);
    EXPECT_EQ(Insert(-1, "Gamma"), 2);
    EXPECT_EQ(Insert(4, "Nowhere"), -1);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Beta", "Alpha", "Gamma"}));
    char buffer[8];
    COMBOBOXEXITEM item;
    item.mask = CBEIF_TEXT | CBEIF_LPARAM | CBEIF_IMAGE;
    item.iItem = 1;
    item.pszText = buffer;
    item.cchTextMax = 4;
    ASSERT_TRUE(combo_.GetItem(&item));
    EXPECT_STREQ(buffer, "Alp");
    EXPECT_EQ(item.lParam, 11);
    EXPECT_EQ(item.iImage, 3);
    EXPECT_EQ(combo_.SetCurSel(1), 1);
    EXPECT_EQ(combo_.DeleteItem(0), 2);  // the lines left
    EXPECT_EQ(combo_.GetCurSel(), 0);    // the selection moved with its line
    EXPECT_EQ(combo_.DeleteItem(5), CB_ERR);
    EXPECT_EQ(combo_.DeleteItem(0), 1);
    EXPECT_EQ(combo_.GetCurSel(), -1);
    std::string text;
    combo_.GetWindowText(text);
    EXPECT_EQ(text, "");
}

// Lines of every length, the short ones kept in the line and the long ones
// apart, inserted, changed and deleted anywhere while later lines move: each
// reads back whole through every message that gives a line's text.
TEST_F(MfcComboExTest, LinesOfAnyLengthReadBackWholeWhileOthersComeAndGo) {
    std::mt19937 random(7);
    std::vector<std::string> model;
    const auto some_text = [&] {
        const std::size_t lengths[] = {0, 1, 38, 39, 40, 41, 300};
        const std::size_t length = lengths[random() % std::size(lengths)];
        std::string text;
        for (std::size_t i = 0; i < length; ++i)
            text += static_cast<char>("ab\xE4Z "[random() % 5]);
        return text;
    };
    for (int step = 0; step < 400; ++step) {
        const int count = static_cast<int>(model.size());
        const unsigned action = random() % 10;
        if (action < 5 || count == 0) {
            const int at = static_cast<int>(random() % (model.size() + 1));
            const std::string text = some_text();
            ASSERT_EQ(Insert(at, text.c_str()), at);
            model.insert(model.begin() + at, text);
        } else if (action < 7) {
            COMBOBOXEXITEM item;
            item.mask = CBEIF_TEXT;
            item.iItem = static_cast<int>(random() % model.size());
            std::string text = some_text();
            item.pszText = text.data();
            ASSERT_TRUE(combo_.SetItem(&item));
            model[static_cast<std::size_t>(item.iItem)] = text;
        } else {
            const int at = static_cast<int>(random() % model.size());
            ASSERT_EQ(combo_.DeleteItem(at), count - 1);
            model.erase(model.begin() + at);
        }
        ASSERT_EQ(Lines(), model) << "step " << step;
        if (!model.empty()) {
            const int at = static_cast<int>(random() % model.size());
            ASSERT_EQ(combo_.SetCurSel(at), at);
            std::string shown;
            combo_.GetWindowText(shown);
            ASSERT_EQ(shown, model[static_cast<std::size_t>(at)]) << "step " << step;
        }
    }
    ASSERT_FALSE(model.empty());
    for (int at = 0; at < static_cast<int>(model.size()); ++at) {
        const std::string& expected = model[static_cast<std::size_t>(at)];
        EXPECT_EQ(combo_.SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(at)), static_cast<LRESULT>(expected.size()));
        std::vector<char> buffer(expected.size() + 1, '#');
        COMBOBOXEXITEM item;
        item.mask = CBEIF_TEXT;
        item.iItem = at;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        ASSERT_TRUE(combo_.GetItem(&item));
        EXPECT_EQ(std::string(buffer.data()), expected);
    }
}

TEST_F(MfcComboExTest, FindStringExactStartsAfterTheIndexWrapsAndIgnoresAsciiCase) {
    Insert(-1, "alpha");
    Insert(-1, "beta");
    Insert(-1, "ALPHA");
    Insert(-1, "\xE4pfel");
    EXPECT_EQ(combo_.FindStringExact(-1, "Alpha"), 0);
    EXPECT_EQ(combo_.FindStringExact(0, "Alpha"), 2);
    EXPECT_EQ(combo_.FindStringExact(2, "Alpha"), 0);  // wrapped round
    EXPECT_EQ(combo_.FindStringExact(1, "beta"), 1);   // the start itself is tested last
    EXPECT_EQ(combo_.FindStringExact(0, "alp"), CB_ERR);
    EXPECT_EQ(combo_.FindStringExact(0, "\xC4pfel"), CB_ERR);  // ASCII case only
    EXPECT_EQ(combo_.FindStringExact(0, "\xE4pfel"), 3);
}

TEST_F(MfcComboExTest, ProgramSelectionSetsTheTextWithoutNotifying) {
    Insert(-1, "One");
    Insert(-1, "Two");
    EXPECT_EQ(combo_.SetCurSel(1), 1);
    std::string text;
    combo_.GetWindowText(text);
    EXPECT_EQ(text, "Two");
    EXPECT_EQ(combo_.SetCurSel(9), CB_ERR);
    EXPECT_EQ(combo_.GetCurSel(), -1);
    combo_.GetWindowText(text);
    EXPECT_EQ(text, "");
    Pump();
    EXPECT_TRUE(parent_.commands.empty());
}

TEST_F(MfcComboExTest, AClickedLineIsChosenWithItsTextBeforeSelChange) {
    Insert(0, "Alpha");
    Insert(0, "Beta");
    EXPECT_EQ(combo_.SetDroppedWidth(200), 200);
    EXPECT_EQ(combo_.SetDroppedWidth(50), 120);  // never narrower than the control
    combo_.SetDroppedWidth(200);
    input_.Click(InputDriver::ScreenPoint(combo_.m_hWnd, POINT{60, 10}));
    ASSERT_TRUE(combo_.GetDroppedState());
    HWND popup = Popup();
    ASSERT_NE(popup, combo_.GetComboBoxCtrl());
    CRect combo_rect, popup_rect;
    combo_.GetWindowRect(&combo_rect);
    GetWindowRect(popup, &popup_rect);
    EXPECT_EQ(popup_rect.top, combo_rect.bottom);
    EXPECT_EQ(popup_rect.left, combo_rect.left);
    EXPECT_EQ(popup_rect.Width(), 200);
    EXPECT_NE(GetWindowLongPtr(popup, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    const int line = (popup_rect.Height() - 2) / 2;
    input_.Click(POINT{popup_rect.left + 5, popup_rect.top + 1 + line + line / 2});
    EXPECT_FALSE(combo_.GetDroppedState());
    EXPECT_EQ(combo_.GetCurSel(), 1);
    ASSERT_FALSE(parent_.commands.empty());
    const std::vector<UINT> expected{CBN_DROPDOWN, CBN_SELCHANGE, CBN_CLOSEUP};
    std::vector<UINT> codes;
    for (const auto& seen : parent_.commands)
        codes.push_back(seen.code);
    EXPECT_EQ(codes, expected);
    EXPECT_EQ(parent_.commands[1].text, "Alpha");
}

TEST_F(MfcComboExTest, ThePopupShowsAtMostEightLinesAndAPressOutsideClosesIt) {
    for (int i = 0; i < 12; ++i)
        Insert(-1, "Line");
    combo_.ShowDropDown(TRUE);
    HWND popup = Popup();
    CRect popup_rect;
    GetWindowRect(popup, &popup_rect);
    EXPECT_EQ(popup_rect.Height(), 8 * LineHeight() + 2);
    input_.Click(InputDriver::ScreenPoint(parent_.m_hWnd, POINT{280, 5}));
    EXPECT_FALSE(combo_.GetDroppedState());
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_EQ(combo_.GetCurSel(), -1);
}

TEST_F(MfcComboExTest, TheFontIsTheGuiFontUntilOneIsSet) {
    EXPECT_EQ(combo_.SendMessage(WM_GETFONT), reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)));
    CFont font;
    ASSERT_TRUE(font.CreatePointFont(100, "DejaVu Sans"));
    combo_.SetFont(&font, FALSE);
    EXPECT_EQ(combo_.SendMessage(WM_GETFONT), reinterpret_cast<LRESULT>(font.m_hObject));
    EXPECT_EQ(combo_.GetEditCtrl(), nullptr);  // a drop-down list has no edit
    parent_.DestroyWindow();
    font.DeleteObject();
}

}  // namespace

namespace {

TEST_F(MfcComboExTest, ADropDownHasAnEditWhoseClickBeginsEditingAndWhoseTextIsTheCombos) {
    CComboBoxEx editable;
    ASSERT_TRUE(editable.Create(WS_VISIBLE | CBS_DROPDOWN, CRect(20, 100, 160, 122), &parent_, 8));
    HWND edit = editable.GetEditCtrl();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(GetParent(edit), editable.GetComboBoxCtrl());
    COMBOBOXEXITEM item;
    item.mask = CBEIF_TEXT;
    item.pszText = const_cast<char*>("Chosen");
    editable.InsertItem(&item);
    editable.SetCurSel(0);
    char text[32] = {};
    GetWindowText(edit, text, sizeof text);
    EXPECT_STREQ(text, "Chosen");
    SetWindowText(edit, "typed");
    std::string combo_text;
    editable.GetWindowText(combo_text);
    EXPECT_EQ(combo_text, "typed");
    input_.Click(InputDriver::ScreenPoint(edit, POINT{5, 5}));
    EXPECT_EQ(parent_.notifies, std::vector<UINT>{CBEN_BEGINEDIT});
    EXPECT_FALSE(editable.GetDroppedState());
    // The button beside the edit opens the list.
    CRect combo_rect;
    editable.GetWindowRect(&combo_rect);
    input_.Click(POINT{combo_rect.right - 5, combo_rect.top + 8});
    EXPECT_TRUE(editable.GetDroppedState());
    editable.ShowDropDown(FALSE);
    EXPECT_FALSE(editable.GetDroppedState());
}

TEST_F(MfcComboExTest, AClickFocusesAndKeysMoveTheOpenPopupsHighlightOrTheClosedSelection) {
    AddLines(20);
    input_.Click(InputDriver::ScreenPoint(combo_.m_hWnd, POINT{60, 10}));
    EXPECT_EQ(::GetFocus(), combo_.m_hWnd);
    ASSERT_TRUE(combo_.GetDroppedState());
    const HWND popup = Popup();
    CRect client;
    ::GetClientRect(popup, &client);
    const int line = LineHeight();
    const int x = client.right - GetSystemMetrics(SM_CXVSCROLL) - 3;
    input_.Key(VK_DOWN);
    input_.Key(VK_DOWN);
    EXPECT_EQ(Capture::OfWindow(popup).At(x, line + line / 2), GetSysColor(COLOR_HIGHLIGHT));
    input_.Key(VK_END);
    EXPECT_EQ(Capture::OfWindow(popup).At(x, client.bottom - line / 2), GetSysColor(COLOR_HIGHLIGHT));
    input_.Key(VK_HOME);
    EXPECT_EQ(Capture::OfWindow(popup).At(x, line / 2), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(Codes(), std::vector<UINT>{CBN_DROPDOWN});  // the highlight tells nobody
    input_.Key(VK_DOWN);
    input_.Key(VK_DOWN);
    input_.Key(VK_RETURN);
    EXPECT_FALSE(combo_.GetDroppedState());
    EXPECT_EQ(combo_.GetCurSel(), 2);
    ASSERT_EQ(Codes(), (std::vector<UINT>{CBN_DROPDOWN, CBN_SELCHANGE, CBN_CLOSEUP}));
    EXPECT_EQ(parent_.commands[1].text, "Line02");
    // Closed: the arrows choose, with the popup's notification.
    parent_.commands.clear();
    input_.Key(VK_DOWN);
    input_.Key(VK_UP);
    input_.Key(VK_UP);
    EXPECT_EQ(combo_.GetCurSel(), 1);
    ASSERT_EQ(Codes(), (std::vector<UINT>{CBN_SELCHANGE, CBN_SELCHANGE, CBN_SELCHANGE}));
    EXPECT_EQ(parent_.commands[0].text, "Line03");
    EXPECT_EQ(parent_.commands[2].text, "Line01");
    parent_.commands.clear();
    // F4 opens, Escape closes without a change; Alt+Down opens too.
    input_.Key(VK_F4);
    ASSERT_TRUE(combo_.GetDroppedState());
    EXPECT_EQ(combo_.SendMessage(WM_GETDLGCODE, VK_ESCAPE), DLGC_WANTMESSAGE);
    input_.Key(VK_DOWN);
    input_.Key(VK_ESCAPE);
    EXPECT_FALSE(combo_.GetDroppedState());
    EXPECT_EQ(combo_.SendMessage(WM_GETDLGCODE, VK_ESCAPE), 0);
    EXPECT_EQ(combo_.GetCurSel(), 1);
    input_.KeyDown(VK_MENU);
    input_.Key(VK_DOWN);
    input_.KeyUp(VK_MENU);
    EXPECT_TRUE(combo_.GetDroppedState());
    input_.Key(VK_ESCAPE);
    EXPECT_EQ(Codes(), (std::vector<UINT>{CBN_DROPDOWN, CBN_CLOSEUP, CBN_DROPDOWN, CBN_CLOSEUP}));
    input_.Key(VK_UP);
    input_.Key(VK_UP);  // the first line stays
    EXPECT_EQ(combo_.GetCurSel(), 0);
}

TEST_F(MfcComboExTest, TheOpenPopupsHighlightStaysOnItsLineWhileLinesComeAndGo) {
    struct Case {
        const char* name;
        int insert_at;  // -1: none
        int delete_at;  // -1: none
        const char* taken;  // nullptr: Return closes without a choice
        int highlighted = 2;  // the line Down moves the highlight to
    };
    const Case cases[] = {
        {"insert above", 0, -1, "Line02"},
        {"insert below", 5, -1, "Line02"},
        {"insert at the highlighted line", 0, -1, "Line00", 0},
        {"delete above", -1, 0, "Line02"},
        {"delete below", -1, 4, "Line02"},
        {"delete the highlighted line", -1, 2, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        combo_.SendMessage(CB_RESETCONTENT);
        AddLines(12);
        combo_.SetCurSel(0);
        parent_.commands.clear();
        input_.Click(InputDriver::ScreenPoint(combo_.m_hWnd, POINT{60, 10}));
        ASSERT_TRUE(combo_.GetDroppedState());
        for (int down = 0; down < c.highlighted; ++down)
            input_.Key(VK_DOWN);
        if (c.insert_at >= 0)
            Insert(c.insert_at, "New");
        if (c.delete_at >= 0)
            combo_.DeleteItem(c.delete_at);
        input_.Key(VK_RETURN);
        EXPECT_FALSE(combo_.GetDroppedState());
        if (c.taken == nullptr) {
            EXPECT_EQ(Codes(), (std::vector<UINT>{CBN_DROPDOWN, CBN_CLOSEUP}));
            EXPECT_EQ(combo_.GetCurSel(), 0);
            continue;
        }
        ASSERT_EQ(Codes(), (std::vector<UINT>{CBN_DROPDOWN, CBN_SELCHANGE, CBN_CLOSEUP}));
        EXPECT_EQ(parent_.commands[1].text, c.taken);
    }
}

// Lines added at the end or at the top until they fill every slot of the
// ring (16, 32), or one short of it; then one line deleted. Every line left
// keeps all it was given.
TEST_F(MfcComboExTest, DeletingALineLeavesEveryOtherLineWhole) {
    struct Case {
        int lines;
        bool at_top;
        int deleted;
    };
    const Case cases[] = {{16, false, 13}, {16, false, 8}, {16, false, 15}, {16, false, 2}, {16, true, 13},
                          {32, false, 20}, {32, true, 31}, {15, false, 12}};
    const auto line_of = [](int number) {
        COMBOBOXEXITEM item;
        item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_OVERLAY | CBEIF_INDENT | CBEIF_LPARAM;
        item.iImage = number + 1;
        item.iSelectedImage = number + 2;
        item.iOverlay = number + 3;
        item.iIndent = number + 4;
        item.lParam = 1000 + number;
        return item;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lines << (c.at_top ? " at the top" : " at the end") << ", "
                                        << c.deleted);
        combo_.SendMessage(CB_RESETCONTENT);
        std::vector<int> model;  // the numbers of the lines, top down
        for (int number = 0; number < c.lines; ++number) {
            const std::string text = "Line " + std::to_string(number);
            COMBOBOXEXITEM item = line_of(number);
            item.iItem = c.at_top ? 0 : -1;
            item.pszText = const_cast<char*>(text.c_str());
            ASSERT_GE(combo_.InsertItem(&item), 0);
            model.insert(c.at_top ? model.begin() : model.end(), number);
        }
        EXPECT_EQ(combo_.DeleteItem(c.deleted), c.lines - 1);
        model.erase(model.begin() + c.deleted);
        ASSERT_EQ(combo_.GetCount(), c.lines - 1);
        for (int at = 0; at < c.lines - 1; ++at) {
            char text[32] = {};
            COMBOBOXEXITEM item;
            item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_OVERLAY | CBEIF_INDENT | CBEIF_LPARAM;
            item.iItem = at;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            ASSERT_TRUE(combo_.GetItem(&item)) << at;
            const COMBOBOXEXITEM want = line_of(model[static_cast<std::size_t>(at)]);
            EXPECT_EQ(text, "Line " + std::to_string(model[static_cast<std::size_t>(at)])) << at;
            EXPECT_EQ((std::vector<std::intptr_t>{item.iImage, item.iSelectedImage, item.iOverlay, item.iIndent,
                                                  item.lParam}),
                      (std::vector<std::intptr_t>{want.iImage, want.iSelectedImage, want.iOverlay, want.iIndent,
                                                  want.lParam}))
                << at;
        }
    }
}

TEST_F(MfcComboExTest, ThePopupScrollsOverAllLinesWithABarLikeTheLists) {
    AddLines(20);
    combo_.ShowDropDown(TRUE);
    Pump();
    const HWND popup = Popup();
    CRect client;
    ::GetClientRect(popup, &client);
    const int bar = GetSystemMetrics(SM_CXVSCROLL);
    EXPECT_EQ(client.Height(), 8 * LineHeight());
    {
        // Window coordinates: the client area lies inside a one-pixel border.
        Capture picture = Capture::OfWindow(popup);
        EXPECT_EQ(picture.At(1 + client.right - bar, 1), GetSysColor(COLOR_3DLIGHT));
        EXPECT_EQ(picture.At(1 + client.right - bar + 8, 1 + client.bottom - bar - 2), GetSysColor(COLOR_SCROLLBAR));
    }
    CRect window;
    GetWindowRect(popup, &window);
    const auto at = [&](int y) { return POINT{window.right - 1 - bar / 2, window.top + 1 + y}; };
    input_.Click(at(client.bottom - 3));  // the down arrow
    EXPECT_TRUE(combo_.GetDroppedState());
    ClickShownLine(0);
    EXPECT_EQ(combo_.GetCurSel(), 1);
    // Opened again it shows the selection; the track pages, the thumb drags.
    combo_.ShowDropDown(TRUE);
    input_.Click(at(client.bottom - bar - 2));
    ClickShownLine(0);
    EXPECT_EQ(combo_.GetCurSel(), 8);
    combo_.ShowDropDown(TRUE);  // the selection shows as the last line
    input_.Drag(at(bar + 8), at(client.bottom + 40));
    EXPECT_TRUE(combo_.GetDroppedState());
    ClickShownLine(7);
    EXPECT_EQ(combo_.GetCurSel(), 19);
}

TEST_F(MfcComboExTest, AnEditableCombosEditTakesItsKeysAndKeepsReturn) {
    CComboBoxEx editable;
    ASSERT_TRUE(editable.Create(WS_VISIBLE | CBS_DROPDOWN, CRect(20, 100, 160, 122), &parent_, 8));
    AddTexts(editable, {"One", "Two", "Three"});
    const HWND edit = editable.GetEditCtrl();
    editable.SetFocus();
    EXPECT_EQ(::GetFocus(), edit) << "the combo's focus is its edit's";
    EXPECT_EQ(SendMessage(edit, WM_GETDLGCODE, VK_RETURN, 0), DLGC_WANTMESSAGE);
    input_.Key(VK_DOWN);
    EXPECT_EQ(editable.GetCurSel(), 0);
    input_.Key(VK_F4);
    ASSERT_TRUE(editable.GetDroppedState());
    input_.Key(VK_END);
    input_.Key(VK_RETURN);
    EXPECT_FALSE(editable.GetDroppedState());
    EXPECT_EQ(editable.GetCurSel(), 2);
    char text[32] = {};
    GetWindowText(edit, text, sizeof text);
    EXPECT_STREQ(text, "Three");
    // Other keys stay the edit's.
    input_.Key(VK_HOME);
    input_.Type("x");
    GetWindowText(edit, text, sizeof text);
    EXPECT_STREQ(text, "xThree");
}

TEST_F(MfcComboExTest, AClickOpensThePopupScrolledToASelectionBeyondItsFirstPage) {
    AddLines(30);
    input_.Click(InputDriver::ScreenPoint(combo_.m_hWnd, POINT{10, 5}));
    for (int i = 0; i < 20; ++i)
        input_.Key(VK_DOWN);
    input_.Key(VK_RETURN);
    ASSERT_EQ(combo_.GetCurSel(), 19);
    input_.Click(InputDriver::ScreenPoint(combo_.m_hWnd, POINT{10, 5}));
    ASSERT_TRUE(combo_.GetDroppedState());
    ClickShownLine(7);  // the selection shows as the last line
    EXPECT_EQ(combo_.GetCurSel(), 19);
}

TEST_F(MfcComboExTest, ThePopupGoesUnchangedWhenItsComboIsHiddenButNotWhenItsEditTakesTheFocus) {
    AddLines(3);
    CComboBoxEx editable;
    ASSERT_TRUE(editable.Create(WS_VISIBLE | CBS_DROPDOWN, CRect(20, 100, 160, 122), &parent_, 8));
    AddTexts(editable, {"One", "Two"});
    // Opened while another window has the focus, then focused: the focus
    // passes through the combo to its edit and the popup stays.
    editable.ShowDropDown(TRUE);
    editable.SetFocus();
    EXPECT_EQ(::GetFocus(), editable.GetEditCtrl());
    EXPECT_TRUE(editable.GetDroppedState());
    input_.Key(VK_ESCAPE);
    EXPECT_FALSE(editable.GetDroppedState());

    // Hidden while another window has the focus.
    parent_.SetFocus();
    combo_.ShowDropDown(TRUE);
    ASSERT_TRUE(combo_.GetDroppedState());
    parent_.commands.clear();
    combo_.ShowWindow(SW_HIDE);
    EXPECT_FALSE(combo_.GetDroppedState());
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(combo_.GetCurSel(), -1);
    EXPECT_EQ(Codes(), std::vector<UINT>{CBN_CLOSEUP});

    // Hidden with a window around it while another window has the focus: the
    // popup goes at the next input it meets.
    combo_.ShowWindow(SW_SHOW);
    combo_.ShowDropDown(TRUE);
    parent_.commands.clear();
    parent_.ShowWindow(SW_HIDE);
    input_.MoveTo(POINT{500, 500});
    EXPECT_FALSE(combo_.GetDroppedState());
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(Codes(), std::vector<UINT>{CBN_CLOSEUP});
}

}  // namespace
