#include "platform/mfc/mfc_comboex.h"
#include "platform/mfc/mfc_dialog.h"
#include "platform/mfc/mfc_edit.h"
#include "platform/mfc/mfc_tooltip.h"
#include "platform/resources.h"
#include "support/wnd_test_support.h"

#include <string>
#include <vector>

namespace {

void PutWord(std::string& bytes, unsigned value) {
    bytes.push_back(static_cast<char>(value & 0xFF));
    bytes.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void PutText(std::string& bytes, const std::string& text) {
    for (unsigned char c : text)
        PutWord(bytes, c);
    PutWord(bytes, 0);
}

std::string Template(DWORD style, short cx, short cy, const std::string& title = "Dialog", short x = 0, short y = 0,
                     WORD points = 0, const std::string& face = "") {
    std::string bytes;
    PutWord(bytes, style & 0xFFFF);
    PutWord(bytes, style >> 16);
    PutWord(bytes, 0);
    PutWord(bytes, 0);
    PutWord(bytes, 0);  // items
    PutWord(bytes, static_cast<WORD>(x));
    PutWord(bytes, static_cast<WORD>(y));
    PutWord(bytes, static_cast<WORD>(cx));
    PutWord(bytes, static_cast<WORD>(cy));
    PutWord(bytes, 0);  // menu
    PutWord(bytes, 0);  // class
    PutText(bytes, title);
    if ((style & DS_SETFONT) != 0) {
        PutWord(bytes, points);
        PutText(bytes, face);
    }
    return bytes;
}

class Counting : public CDialog {
public:
    int init_count = 0;
    int pretranslated_0812 = 0;
    BOOL OnInitDialog() override {
        ++init_count;
        return CDialog::OnInitDialog();
    }
    BOOL PreTranslateMessage(MSG* message) override {
        if (message->message == 0x0812)
            ++pretranslated_0812;
        return CDialog::PreTranslateMessage(message);
    }
};

class MfcDialogTest : public WndTest {};

// Notes the commands and the OK and Cancel it would act on, and stays open.
class Navigated : public CDialog {
public:
    std::vector<int> commands;
    int oks = 0;
    int cancels = 0;
    void OnOK() override { ++oks; }
    void OnCancel() override { ++cancels; }

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        if (HIWORD(wParam) == BN_CLICKED)
            commands.push_back(LOWORD(wParam));
        return CDialog::OnCommand(wParam, lParam);
    }
};

// Makes its controls late in WM_INITDIALOG, as the skinned dialogs do: a
// label, a hidden and a disabled stop, then two usable ones.
class MadeLate : public CDialog {
public:
    BOOL answer = TRUE;
    CEdit label, hidden, disabled, first, second;
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        label.Create(WS_VISIBLE, CRect(5, 5, 95, 25), this, 11);
        hidden.Create(WS_TABSTOP, CRect(5, 30, 95, 50), this, 12);
        disabled.Create(WS_VISIBLE | WS_TABSTOP | WS_DISABLED, CRect(5, 55, 95, 75), this, 13);
        first.Create(WS_VISIBLE | WS_TABSTOP, CRect(5, 80, 95, 100), this, 14);
        second.Create(WS_VISIBLE | WS_TABSTOP, CRect(5, 105, 95, 125), this, 15);
        first.SetWindowText("ready");
        return answer;
    }
};

class MfcDialogKeysTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        const std::string bytes = Template(WS_POPUP | WS_VISIBLE, 200, 150);
        ASSERT_TRUE(dialog_.CreateIndirect(bytes.data(), bytes.size()));
        const std::string inner_bytes = Template(WS_CHILD | WS_VISIBLE | DS_CONTROL, 100, 30);
        ASSERT_TRUE(first_.Create(WS_VISIBLE | WS_TABSTOP, CRect(5, 5, 95, 25), &dialog_, 11));
        ASSERT_TRUE(label_.Create(WS_VISIBLE, CRect(5, 30, 95, 50), &dialog_, 12));
        ASSERT_TRUE(disabled_.Create(WS_VISIBLE | WS_TABSTOP | WS_DISABLED, CRect(5, 55, 95, 75), &dialog_, 13));
        ASSERT_TRUE(second_.Create(WS_VISIBLE | WS_TABSTOP, CRect(5, 80, 95, 100), &dialog_, 14));
        ASSERT_TRUE(inner_.CreateIndirect(inner_bytes.data(), inner_bytes.size(), &dialog_));
        inner_.MoveWindow(100, 5, 150, 50);
        ASSERT_TRUE(third_.Create(WS_VISIBLE | WS_TABSTOP, CRect(5, 5, 95, 25), &inner_, 21));
        ASSERT_TRUE(combo_.Create(WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST, CRect(100, 80, 200, 100), &dialog_, 15));
        second_.SetWindowText("typed");
        Pump();
    }
    void TearDown() override {
        dialog_.DestroyWindow();
        WndTest::TearDown();
    }
    void AddLines() {
        for (const char* text : {"Alpha", "Beta"}) {
            COMBOBOXEXITEM item;
            item.mask = CBEIF_TEXT;
            item.iItem = -1;
            item.pszText = const_cast<char*>(text);
            combo_.InsertItem(&item);
        }
    }

    Navigated dialog_;
    CDialog inner_;
    CEdit first_, label_, disabled_, second_, third_;
    CComboBoxEx combo_;
    InputDriver input_{clock_};
};

TEST_F(MfcDialogKeysTest, TabAndShiftTabGoRoundTheTabStopsInOrderIntoChildDialogs) {
    first_.SetFocus();
    MessageSpy spy;
    spy.Watch(first_.m_hWnd);
    input_.Key(VK_TAB);
    EXPECT_EQ(::GetFocus(), second_.m_hWnd);
    EXPECT_EQ(spy.Count(first_.m_hWnd, WM_CHAR), 0) << "the Tab's character goes with the key";
    int start = 0, end = 0;
    second_.GetSel(start, end);
    EXPECT_EQ(std::make_pair(start, end), std::make_pair(0, 5));
    input_.Key(VK_TAB);
    EXPECT_EQ(::GetFocus(), third_.m_hWnd);
    input_.Key(VK_TAB);
    EXPECT_EQ(::GetFocus(), combo_.m_hWnd);
    input_.Key(VK_TAB);
    EXPECT_EQ(::GetFocus(), first_.m_hWnd);
    input_.KeyDown(VK_SHIFT);
    input_.Key(VK_TAB);
    EXPECT_EQ(::GetFocus(), combo_.m_hWnd);
    input_.Key(VK_TAB);
    input_.KeyUp(VK_SHIFT);
    EXPECT_EQ(::GetFocus(), third_.m_hWnd);
    // Hidden controls are no stops; typing still types.
    inner_.ShowWindow(SW_HIDE);
    second_.SetFocus();
    input_.Key(VK_TAB);
    EXPECT_EQ(::GetFocus(), combo_.m_hWnd);
    first_.SetFocus();
    input_.Type("a.b");
    std::string text;
    first_.GetWindowText(text);
    EXPECT_EQ(text, "a.b");
    EXPECT_TRUE(dialog_.commands.empty());
}

// A focused stop that the program takes away: the focus goes where Tab from
// it goes, into child dialogs and round the end, and Tab goes on from there.
TEST_F(MfcDialogKeysTest, AFocusedStopTakenAwayLeavesTheFocusWhereTabFromItGoes) {
    enum How { kHide, kDisable, kDestroy };
    const struct {
        const char* name;
        CWnd* focused;
        CWnd* taken;
        How how;
        CWnd* after;
        CWnd* after_tab;
    } cases[] = {{"hidden", &second_, &second_, kHide, &third_, &combo_},
                 {"disabled", &second_, &second_, kDisable, &third_, &combo_},
                 {"its child dialog hidden", &third_, &inner_, kHide, &combo_, &first_},
                 {"the last destroyed", &combo_, &combo_, kDestroy, &first_, &second_}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        row.focused->SetFocus();
        if (row.how == kHide)
            row.taken->ShowWindow(SW_HIDE);
        else if (row.how == kDisable)
            row.taken->EnableWindow(FALSE);
        else
            row.taken->DestroyWindow();
        EXPECT_EQ(::GetFocus(), row.after->m_hWnd);
        input_.Key(VK_TAB);
        EXPECT_EQ(::GetFocus(), row.after_tab->m_hWnd);
        if (row.how != kDestroy) {
            row.taken->ShowWindow(SW_SHOW);
            row.taken->EnableWindow(TRUE);
        }
    }
}

TEST_F(MfcDialogKeysTest, ReturnPressesTheDefaultButtonOrSendsOkAndEscapeSendsCancel) {
    CButton push, fallback;
    ASSERT_TRUE(fallback.Create("Other", WS_VISIBLE | BS_PUSHBUTTON, CRect(5, 110, 60, 130), &dialog_, 30));
    ASSERT_TRUE(push.Create("Go", WS_VISIBLE | BS_DEFPUSHBUTTON, CRect(65, 110, 120, 130), &dialog_, 31));
    first_.SetFocus();
    input_.Key(VK_RETURN);
    EXPECT_EQ(dialog_.commands, std::vector<int>{31});
    EXPECT_EQ(dialog_.oks, 0);
    push.DestroyWindow();
    input_.Key(VK_RETURN);
    EXPECT_EQ(dialog_.commands, (std::vector<int>{31, IDOK}));
    EXPECT_EQ(dialog_.oks, 1);
    input_.Key(VK_ESCAPE);
    EXPECT_EQ(dialog_.commands, (std::vector<int>{31, IDOK, IDCANCEL}));
    EXPECT_EQ(dialog_.cancels, 1);
    // With Ctrl held the keys are not the dialog's.
    input_.KeyDown(VK_CONTROL);
    input_.Key(VK_RETURN);
    input_.Key(VK_TAB);
    input_.KeyUp(VK_CONTROL);
    EXPECT_EQ(dialog_.commands.size(), 3u);
    EXPECT_EQ(::GetFocus(), first_.m_hWnd);
}

TEST_F(MfcDialogKeysTest, EscapeAndReturnWithTheComboPopupOpenStayWithThePopup) {
    AddLines();
    input_.Click(InputDriver::ScreenPoint(combo_.m_hWnd, POINT{10, 5}));
    ASSERT_TRUE(combo_.GetDroppedState());
    input_.Key(VK_ESCAPE);
    EXPECT_FALSE(combo_.GetDroppedState());
    EXPECT_EQ(dialog_.cancels, 0);
    input_.Key(VK_F4);
    input_.Key(VK_DOWN);
    input_.Key(VK_RETURN);
    EXPECT_EQ(combo_.GetCurSel(), 0);
    EXPECT_EQ(dialog_.oks, 0);
    input_.Key(VK_ESCAPE);
    EXPECT_EQ(dialog_.cancels, 1);
}

TEST_F(MfcDialogKeysTest, TabFromInsideAStopGoesToTheNextStop) {
    CComboBoxEx editable;
    ASSERT_TRUE(editable.Create(WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN, CRect(100, 110, 200, 130), &dialog_, 16));
    const HWND edit = editable.GetEditCtrl();
    input_.Click(InputDriver::ScreenPoint(edit, POINT{5, 5}));
    ASSERT_EQ(::GetFocus(), edit);
    input_.KeyDown(VK_SHIFT);
    input_.Key(VK_TAB);
    input_.KeyUp(VK_SHIFT);
    EXPECT_EQ(::GetFocus(), combo_.m_hWnd);
    input_.Key(VK_TAB);
    EXPECT_EQ(::GetFocus(), edit);
    input_.Key(VK_TAB);
    EXPECT_EQ(::GetFocus(), first_.m_hWnd);
}

TEST_F(MfcDialogKeysTest, WhileAltIsHeldTheDialogTakesNoneOfItsKeys) {
    first_.SetFocus();
    input_.KeyDown(VK_MENU);
    for (const int key : {VK_TAB, VK_RETURN, VK_ESCAPE})
        input_.Key(key);
    input_.KeyUp(VK_MENU);
    EXPECT_TRUE(dialog_.commands.empty());
    EXPECT_EQ(dialog_.oks + dialog_.cancels, 0);
    EXPECT_EQ(::GetFocus(), first_.m_hWnd);
}

TEST_F(MfcDialogKeysTest, TabClosesTheComboPopupUnchangedAndTheNextClickReachesItsWindow) {
    AddLines();
    combo_.SetCurSel(0);
    MessageSpy spy;
    spy.Watch(dialog_.m_hWnd);
    input_.Click(InputDriver::ScreenPoint(combo_.m_hWnd, POINT{10, 5}));
    ASSERT_TRUE(combo_.GetDroppedState());
    input_.Key(VK_DOWN);
    input_.Key(VK_TAB);
    EXPECT_EQ(::GetFocus(), first_.m_hWnd);
    EXPECT_FALSE(combo_.GetDroppedState());
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(combo_.GetCurSel(), 0);
    std::vector<UINT> codes;
    for (const MessageSpy::Entry& entry : spy.Log())
        if (entry.message == WM_COMMAND && reinterpret_cast<HWND>(entry.lParam) == combo_.m_hWnd)
            codes.push_back(HIWORD(entry.wParam));
    EXPECT_EQ(codes, (std::vector<UINT>{CBN_DROPDOWN, CBN_CLOSEUP}));
    input_.Click(InputDriver::ScreenPoint(second_.m_hWnd, POINT{5, 5}));
    EXPECT_EQ(::GetFocus(), second_.m_hWnd);
}

TEST_F(MfcDialogTest, ADialogOpensWithItsFirstUsableStopFocusedWhenInitDialogSaysSo) {
    const std::string bytes = Template(WS_POPUP | WS_VISIBLE, 200, 150);
    const std::string child_bytes = Template(WS_CHILD | WS_VISIBLE | DS_CONTROL, 100, 130);
    for (const BOOL answer : {TRUE, FALSE}) {
        SetFocus(nullptr);
        MadeLate dialog;
        dialog.answer = answer;
        ASSERT_TRUE(dialog.CreateIndirect(bytes.data(), bytes.size()));
        EXPECT_EQ(::GetFocus(), answer ? dialog.first.m_hWnd : nullptr) << answer;
        if (answer) {
            int start = 0, end = 0;
            dialog.first.GetSel(start, end);
            EXPECT_EQ(std::make_pair(start, end), std::make_pair(0, 5));
            // A child dialog leaves the focus where it is.
            MadeLate inner;
            ASSERT_TRUE(inner.CreateIndirect(child_bytes.data(), child_bytes.size(), &dialog));
            EXPECT_EQ(::GetFocus(), dialog.first.m_hWnd);
            InputDriver input(clock_);
            input.Key(VK_TAB);
            EXPECT_EQ(::GetFocus(), dialog.second.m_hWnd);
            input.Key(VK_TAB);
            EXPECT_EQ(::GetFocus(), inner.first.m_hWnd);
        }
        dialog.DestroyWindow();
    }
}

TEST_F(MfcDialogTest, TemplateUnitsGiveTheClientAreaAndTheFrameIsAdded) {
    struct Row {
        DWORD style;
        short cx, cy;
        int client_w, client_h;
    };
    const Row rows[] = {
        {WS_POPUP, 100, 50, 150, 81},
        {WS_POPUP | WS_BORDER, 100, 50, 150, 81},
        {WS_POPUP | WS_CAPTION, 201, 99, 302, 161},
        {WS_POPUP | WS_CAPTION | WS_THICKFRAME, 3, 3, 5, 5},
        {WS_POPUP | WS_CAPTION | DS_MODALFRAME, 40, 20, 60, 33},
    };
    for (const Row& row : rows) {
        const std::string bytes = Template(row.style, row.cx, row.cy);
        CDialog dialog;
        ASSERT_TRUE(dialog.CreateIndirect(bytes.data(), bytes.size()));
        CRect client, window, expected(0, 0, row.client_w, row.client_h);
        dialog.GetClientRect(&client);
        dialog.GetWindowRect(&window);
        EXPECT_EQ(client, expected) << std::hex << row.style;
        AdjustWindowRectEx(&expected, row.style, FALSE, (row.style & DS_MODALFRAME) ? WS_EX_DLGMODALFRAME : 0);
        EXPECT_EQ(window.Size(), expected.Size()) << std::hex << row.style;
        dialog.DestroyWindow();
    }
}

TEST_F(MfcDialogTest, InitDialogRunsOnceAndTheDialogHasAFont) {
    const std::string bytes = Template(WS_POPUP | WS_VISIBLE, 100, 50);
    Counting dialog;
    ASSERT_TRUE(dialog.CreateIndirect(bytes.data(), bytes.size()));
    EXPECT_EQ(dialog.init_count, 1);
    EXPECT_TRUE(dialog.IsWindowVisible());
    Pump();
    EXPECT_EQ(dialog.init_count, 1);
    LOGFONT font;
    ASSERT_NE(dialog.GetFont(), nullptr);
    dialog.GetFont()->GetLogFont(&font);
    EXPECT_STREQ(font.lfFaceName, "DejaVu Sans");
    EXPECT_EQ(font.lfHeight, -11);
    // The background is the dialog colour.
    Capture picture = Capture::OfWindow(dialog.m_hWnd);
    EXPECT_EQ(picture.At(10, 10), GetSysColor(COLOR_BTNFACE));
    dialog.DestroyWindow();

    const std::string with_font = Template(WS_POPUP | DS_SETFONT, 100, 50, "F", 0, 0, 12, "DejaVu Serif");
    CDialog serif;
    ASSERT_TRUE(serif.CreateIndirect(with_font.data(), with_font.size()));
    serif.GetFont()->GetLogFont(&font);
    EXPECT_STREQ(font.lfFaceName, "DejaVu Serif");
    EXPECT_EQ(font.lfHeight, -16);
    char title[8] = {};
    GetWindowText(serif.m_hWnd, title, sizeof title);
    EXPECT_STREQ(title, "F");
}

TEST_F(MfcDialogTest, ATemplateCutShortIsRefused) {
    std::string bytes = Template(WS_POPUP | DS_SETFONT, 100, 50, "T", 0, 0, 8, "DejaVu Sans");
    DialogTemplate parsed;
    EXPECT_TRUE(ParseDialogTemplate(bytes.data(), bytes.size(), parsed));
    for (std::size_t cut : {bytes.size() - 2, bytes.size() - 14, std::size_t{17}, std::size_t{3}}) {
        CDialog dialog;
        EXPECT_FALSE(dialog.CreateIndirect(bytes.data(), cut)) << cut;
        EXPECT_EQ(dialog.m_hWnd, nullptr);
    }
    // DS_SETFONT without a font block at all.
    std::string no_block = Template(WS_POPUP, 10, 10, "T");
    no_block[0] = static_cast<char>(no_block[0] | DS_SETFONT);
    EXPECT_FALSE(ParseDialogTemplate(no_block.data(), no_block.size(), parsed));
    std::string with_item = Template(WS_POPUP, 10, 10);
    with_item[8] = 1;
    EXPECT_FALSE(ParseDialogTemplate(with_item.data(), with_item.size(), parsed));
    EXPECT_EQ(WndCountWindows(), 0);
}

TEST_F(MfcDialogTest, DoModalReturnsTheEndDialogCodeAndDisablesTheOwnerMeanwhile) {
    Class("MfcOwner");
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, "MfcOwner", "", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
    const std::string bytes = Template(WS_POPUP | WS_CAPTION | DS_CENTER, 100, 60);
    Counting dialog;
    ASSERT_TRUE(dialog.InitModalIndirect(bytes.data(), bytes.size(), &owner));
    CButton ok;
    InputDriver input(clock_);
    bool owner_disabled = false;
    IdleScript script;
    script
        .Then([&] {
            owner_disabled = !owner.IsWindowEnabled();
            ASSERT_TRUE(ok.Create("OK", WS_VISIBLE, CRect(5, 5, 60, 25), &dialog, IDOK));
            dialog.PostMessage(0x0812);
        })
        .Then([&] { input.Click(InputDriver::ScreenPoint(ok.m_hWnd, POINT{3, 3})); });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(owner_disabled);
    EXPECT_TRUE(owner.IsWindowEnabled());
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(ok.m_hWnd, nullptr);
    EXPECT_EQ(dialog.init_count, 1);
    EXPECT_EQ(dialog.pretranslated_0812, 1);
}

// Two dialogs open, the upper one focused; when it ends, typing goes where
// the focus went.
TEST_F(MfcDialogTest, WhenADialogEndsTheFocusGoesBackToTheWindowLeftBelow) {
    enum Target { kLastFocus, kFirstStop, kNothing, kStays };
    const struct {
        const char* name;
        bool modal;
        bool hide_last_focus;  // the control that last had the focus below
        bool hide_below;       // the whole dialog below
        bool focus_elsewhere;  // on a window further below when it ends
        Target target;
    } cases[] = {{"modeless", false, false, false, false, kLastFocus},
                 {"modal", true, false, false, false, kLastFocus},
                 {"its last focus hidden", false, true, false, false, kFirstStop},
                 {"no window left", false, false, true, false, kNothing},
                 {"the focus was elsewhere", false, false, false, true, kStays}};
    const std::string bytes = Template(WS_POPUP | WS_VISIBLE, 100, 130);
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        CWnd elsewhere;
        if (row.focus_elsewhere) {
            ASSERT_TRUE(elsewhere.CreateEx(0, Class("MfcElsewhere"), "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                           nullptr, nullptr));
        }
        MadeLate below;
        ASSERT_TRUE(below.CreateIndirect(bytes.data(), bytes.size()));
        below.second.SetFocus();
        MadeLate above;
        InputDriver input(clock_);
        bool opened_focused = false;
        const auto end = [&] {
            opened_focused = ::GetFocus() == above.first.m_hWnd;
            if (row.hide_last_focus)
                below.second.ShowWindow(SW_HIDE);
            if (row.hide_below)
                below.ShowWindow(SW_HIDE);
            if (row.focus_elsewhere)
                elsewhere.SetFocus();
            above.EndDialog(IDOK);
        };
        if (row.modal) {
            ASSERT_TRUE(above.InitModalIndirect(bytes.data(), bytes.size(), &below));
            IdleScript script;
            script.Then(end);
            EXPECT_EQ(above.DoModal(), IDOK);
        } else {
            ASSERT_TRUE(above.CreateIndirect(bytes.data(), bytes.size()));
            end();
            EXPECT_FALSE(above.IsWindowVisible());
        }
        EXPECT_TRUE(opened_focused);
        input.Type("42");
        const HWND focus = ::GetFocus();
        std::string first, second;
        below.first.GetWindowText(first);
        below.second.GetWindowText(second);
        switch (row.target) {
        case kLastFocus:
            EXPECT_EQ(focus, below.second.m_hWnd);
            EXPECT_EQ(second, "42");
            break;
        case kFirstStop:
            EXPECT_EQ(focus, below.first.m_hWnd);
            EXPECT_EQ(first, "42");
            break;
        case kNothing:
        case kStays:
            EXPECT_EQ(focus, row.target == kStays ? elsewhere.m_hWnd : nullptr);
            EXPECT_EQ(first + second, "ready");
            break;
        }
        if (above.m_hWnd != nullptr)
            above.DestroyWindow();
        below.DestroyWindow();
        if (elsewhere.m_hWnd != nullptr)
            elsewhere.DestroyWindow();
    }
}

// A dialog hidden while it holds the focus: of the two windows left below, the
// upper takes it, and the windows above that may never take it are passed
// over.
TEST_F(MfcDialogTest, AHiddenDialogsFocusGoesToTheUpperWindowLeftPassingOverThoseThatTakeNone) {
    enum Above { kNothing, kOwned, kToolWindow, kToolTip };
    const struct {
        const char* name;
        Above above;
    } cases[] = {{"two windows left", kNothing},
                 {"a window it owns", kOwned},
                 {"a tool window", kToolWindow},
                 {"a tooltip", kToolTip}};
    const std::string bytes = Template(WS_POPUP | WS_VISIBLE, 100, 130);
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        CWnd lower, upper, above;
        CToolTipCtrl tip;
        ASSERT_TRUE(lower.CreateEx(0, Class("MfcLower"), "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr));
        ASSERT_TRUE(upper.CreateEx(0, Class("MfcUpper"), "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr));
        MadeLate dialog;
        ASSERT_TRUE(dialog.CreateIndirect(bytes.data(), bytes.size()));
        ASSERT_EQ(::GetFocus(), dialog.first.m_hWnd);
        if (row.above == kToolTip) {
            ASSERT_TRUE(tip.Create(nullptr, WS_VISIBLE));
        } else if (row.above != kNothing) {
            ASSERT_TRUE(above.CreateEx(row.above == kToolWindow ? WS_EX_TOOLWINDOW : 0, Class("MfcAbove"), "",
                                       WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                       row.above == kOwned ? dialog.m_hWnd : nullptr, nullptr));
        }
        dialog.ShowWindow(SW_HIDE);
        EXPECT_EQ(::GetFocus(), upper.m_hWnd);
    }
}

TEST_F(MfcDialogTest, AModelessDialogComesFromAnRtDialogResource) {
    const std::string bytes = Template(WS_POPUP | WS_VISIBLE, 50, 40, "Res");
    RegisterResource(KV_RT_DIALOG, 301, bytes);
    CDialog dialog;
    ASSERT_TRUE(dialog.Create(301));
    EXPECT_TRUE(dialog.IsWindowVisible());
    CDialog missing;
    EXPECT_FALSE(missing.Create(302));
    UnregisterAllResources();
}

TEST_F(MfcDialogTest, DestroyingADialogGivesItsFontBack) {
    const auto before = GdiGetStatistics().live_objects;
    const std::string bytes = Template(WS_POPUP, 50, 40);
    CDialog dialog;
    ASSERT_TRUE(dialog.CreateIndirect(bytes.data(), bytes.size()));
    EXPECT_GT(GdiGetStatistics().live_objects, before);
    dialog.DestroyWindow();
    EXPECT_EQ(GdiGetStatistics().live_objects, before);
}

TEST(MfcMulDivTest, RoundsHalfAwayFromZero) {
    EXPECT_EQ(MulDiv(5, 6, 4), 8);   // 7.5
    EXPECT_EQ(MulDiv(-5, 6, 4), -8);
    EXPECT_EQ(MulDiv(3, 13, 8), 5);  // 4.875
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
}

}  // namespace
