#include "platform/mfc/mfc_edit.h"
#include "support/wnd_test_support.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr COLORREF kEditBack = RGB(10, 200, 30);
constexpr COLORREF kStaticBack = RGB(200, 10, 30);

class Parent : public CWnd {
public:
    std::vector<UINT> codes;
    int edit_colour_calls = 0;
    int static_colour_calls = 0;
    CBrush edit_brush;
    CBrush static_brush;

    int Count(UINT code) const {
        int count = 0;
        for (UINT seen : codes)
            count += seen == code ? 1 : 0;
        return count;
    }

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        codes.push_back(HIWORD(wParam));
        return CWnd::OnCommand(wParam, lParam);
    }
    HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT type) override {
        if (type == CTLCOLOR_EDIT) {
            ++edit_colour_calls;
            dc->SetBkColor(kEditBack);
            return static_cast<HBRUSH>(edit_brush.m_hObject);
        }
        if (type == CTLCOLOR_STATIC) {
            ++static_colour_calls;
            dc->SetBkColor(kStaticBack);
            return static_cast<HBRUSH>(static_brush.m_hObject);
        }
        return CWnd::OnCtlColor(dc, control, type);
    }
};

class MfcEditTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        Class("MfcEditHost");
        ASSERT_TRUE(parent_.edit_brush.CreateSolidBrush(kEditBack));
        ASSERT_TRUE(parent_.static_brush.CreateSolidBrush(kStaticBack));
        ASSERT_TRUE(parent_.CreateEx(0, "MfcEditHost", "", WS_POPUP | WS_VISIBLE, 0, 0, 300, 100, nullptr, nullptr));
        KvSetClipboardText("");
    }
    void TearDown() override {
        parent_.DestroyWindow();
        parent_.edit_brush.DeleteObject();
        parent_.static_brush.DeleteObject();
        WndTest::TearDown();
    }
    void Make(CEdit& edit, DWORD style = ES_AUTOHSCROLL, int width = 200, int top = 10) {
        ASSERT_TRUE(edit.Create(WS_VISIBLE | style, CRect(10, top, 10 + width, top + 20), &parent_, 7));
        edit.SetFocus();
        Pump();
        parent_.codes.clear();
    }
    static std::string Text(const CEdit& edit) {
        std::string text;
        edit.GetWindowText(text);
        return text;
    }
    static std::pair<int, int> Selection(const CEdit& edit) {
        int start = 0;
        int end = 0;
        edit.GetSel(start, end);
        return {start, end};
    }
    void Chord(int modifier, int key) {
        input_.KeyDown(modifier);
        input_.Key(key);
        input_.KeyUp(modifier);
    }
    POINT At(CWnd& control, int x, int y) { return InputDriver::ScreenPoint(control.m_hWnd, POINT{x, y}); }

    Parent parent_;
    InputDriver input_{clock_};
};

TEST_F(MfcEditTest, TypingInsertsAtTheCaretAndBackspaceDeletesEachChangeNotified) {
    CEdit edit;
    Make(edit);
    input_.Type("helo");
    input_.Key(VK_LEFT);
    input_.Type("l");
    EXPECT_EQ(Text(edit), "hello");
    EXPECT_EQ(Selection(edit), std::make_pair(4, 4));
    input_.Key(VK_BACK);
    input_.Key(VK_BACK);
    EXPECT_EQ(Text(edit), "heo");
    EXPECT_EQ(parent_.Count(EN_CHANGE), 7);
    // Enter, Tab and Escape are no text; the caret at 0 makes Backspace idle.
    input_.Key(VK_RETURN);
    input_.Key(VK_HOME);
    input_.Key(VK_BACK);
    EXPECT_EQ(Text(edit), "heo");
    EXPECT_EQ(parent_.Count(EN_CHANGE), 7);
    input_.Key(VK_DELETE);
    EXPECT_EQ(Text(edit), "eo");
    EXPECT_TRUE(edit.GetModify());
}

TEST_F(MfcEditTest, ShiftArrowsExtendAndTypingReplacesTheSelection) {
    CEdit edit;
    Make(edit);
    input_.Type("abcdef");
    input_.KeyDown(VK_SHIFT);
    input_.Key(VK_LEFT);
    input_.Key(VK_LEFT);
    input_.Key(VK_HOME);
    input_.KeyUp(VK_SHIFT);
    EXPECT_EQ(Selection(edit), std::make_pair(0, 6));
    input_.Key(VK_RIGHT);  // collapses to the selection's right edge
    EXPECT_EQ(Selection(edit), std::make_pair(6, 6));
    Chord(VK_SHIFT, VK_LEFT);
    Chord(VK_SHIFT, VK_LEFT);
    input_.Type("X");
    EXPECT_EQ(Text(edit), "abcdX");
    input_.KeyDown(VK_SHIFT);
    input_.Key(VK_HOME);
    input_.KeyUp(VK_SHIFT);
    input_.Key(VK_LEFT);
    EXPECT_EQ(Selection(edit), std::make_pair(0, 0));
}

TEST_F(MfcEditTest, SetSelTakesMinusOneForTheEndAndForDeselecting) {
    CEdit edit;
    Make(edit);
    edit.SetWindowText("0123456789");
    EXPECT_EQ(Selection(edit), std::make_pair(0, 0));
    edit.SetSel(2, 5);
    input_.Type("ab");
    EXPECT_EQ(Text(edit), "01ab56789");
    edit.SetSel(7, 3);  // backwards: the caret ends at 3
    EXPECT_EQ(Selection(edit), std::make_pair(3, 7));
    Chord(VK_SHIFT, VK_LEFT);
    EXPECT_EQ(Selection(edit), std::make_pair(2, 7));
    edit.SetSel(0, -1);
    EXPECT_EQ(Selection(edit), std::make_pair(0, 9));
    edit.SetSel(-1, 0);
    EXPECT_EQ(Selection(edit), std::make_pair(9, 9));
    edit.SetSel(50, 60);
    EXPECT_EQ(Selection(edit), std::make_pair(9, 9));
    DWORD start = 1;
    DWORD end = 1;
    edit.SetSel(4, 6);
    EXPECT_EQ(edit.SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end)),
              MAKELPARAM(4, 6));
    EXPECT_EQ(start, 4u);
    EXPECT_EQ(end, 6u);
    edit.ReplaceSel("xyz");
    EXPECT_EQ(Text(edit), "01abxyz789");
    EXPECT_EQ(Selection(edit), std::make_pair(7, 7));
}

TEST_F(MfcEditTest, UndoIsOneLevelAndUndoesItself) {
    CEdit edit;
    Make(edit);
    MessageSpy spy;
    spy.Watch(edit.m_hWnd);
    input_.Type("abc");
    input_.Key(VK_LEFT);
    input_.Type("d");
    EXPECT_EQ(Text(edit), "abdc");
    Chord(VK_CONTROL, 'Z');  // reaches the window as WM_UNDO
    EXPECT_EQ(spy.Count(edit.m_hWnd, WM_UNDO), 1);
    EXPECT_EQ(Text(edit), "abc");
    EXPECT_EQ(Selection(edit), std::make_pair(2, 2));
    EXPECT_TRUE(edit.Undo());
    EXPECT_EQ(Text(edit), "abdc");
    EXPECT_TRUE(edit.SendMessage(WM_UNDO));
    EXPECT_EQ(Text(edit), "abc");
    edit.SetWindowText("new");  // a new text forgets the undo step
    EXPECT_FALSE(edit.CanUndo());
    EXPECT_FALSE(edit.Undo());
    EXPECT_EQ(Text(edit), "new");
}

TEST_F(MfcEditTest, ClipboardKeysSendTheClipboardMessagesToTheWindow) {
    CEdit edit;
    Make(edit);
    MessageSpy spy;
    spy.Watch(edit.m_hWnd);
    input_.Type("one two");
    edit.SetSel(0, 3);
    Chord(VK_CONTROL, 'C');
    EXPECT_EQ(KvGetClipboardText(), "one");
    input_.Key(VK_END);
    Chord(VK_CONTROL, 'V');
    EXPECT_EQ(Text(edit), "one twoone");
    edit.SetSel(3, 7);
    Chord(VK_CONTROL, 'X');
    EXPECT_EQ(Text(edit), "oneone");
    EXPECT_EQ(KvGetClipboardText(), " two");
    input_.Key(VK_HOME);
    Chord(VK_SHIFT, VK_INSERT);
    EXPECT_EQ(Text(edit), " twooneone");
    edit.SetSel(0, 4);
    edit.Clear();
    EXPECT_EQ(Text(edit), "oneone");
    EXPECT_EQ(spy.Count(edit.m_hWnd, WM_COPY), 1);
    EXPECT_EQ(spy.Count(edit.m_hWnd, WM_PASTE), 2);
    EXPECT_EQ(spy.Count(edit.m_hWnd, WM_CUT), 1);

    KvSetClipboardText("first\r\nsecond");
    edit.SetSel(0, -1);
    edit.Paste();
    EXPECT_EQ(Text(edit), "first");
}

TEST_F(MfcEditTest, ReadOnlyRefusesEditsButCopiesAndMovesTheCaret) {
    CEdit edit;
    Make(edit, ES_AUTOHSCROLL | ES_READONLY);
    edit.SetWindowText("fixed");
    KvSetClipboardText("paste");
    input_.Type("x");
    input_.Key(VK_BACK);
    input_.Key(VK_DELETE);
    Chord(VK_CONTROL, 'V');
    edit.SetSel(0, 2);
    edit.Cut();
    edit.Clear();
    EXPECT_EQ(Text(edit), "fixed");
    edit.Copy();
    EXPECT_EQ(KvGetClipboardText(), "fi");
    input_.Key(VK_END);
    EXPECT_EQ(Selection(edit), std::make_pair(5, 5));
    EXPECT_TRUE(edit.SetReadOnly(FALSE));
    EXPECT_EQ(edit.GetStyle() & ES_READONLY, 0u);
    input_.Type("!");
    EXPECT_EQ(Text(edit), "fixed!");
    EXPECT_TRUE(edit.SetReadOnly(TRUE));
    EXPECT_NE(edit.GetStyle() & ES_READONLY, 0u);
}

TEST_F(MfcEditTest, TheLimitCutsTypingAndPastingButNotSetText) {
    CEdit edit;
    Make(edit);
    EXPECT_EQ(edit.GetLimitText(), KV_EDIT_DEFAULT_LIMIT);
    edit.SetLimitText(3);
    input_.Type("abcde");
    EXPECT_EQ(Text(edit), "abc");
    EXPECT_EQ(parent_.Count(EN_MAXTEXT), 2);
    edit.SetSel(1, 2);
    KvSetClipboardText("XYZ");
    edit.Paste();
    EXPECT_EQ(Text(edit), "aXc");
    edit.SetWindowText("longer than three");
    EXPECT_EQ(Text(edit), "longer than three");
    edit.LimitText(0);
    EXPECT_EQ(edit.GetLimitText(), KV_EDIT_MAXIMUM_LIMIT);
}

TEST_F(MfcEditTest, AutoScrollFollowsTheCaretAndScrollCaretBringsItBack) {
    CEdit edit;
    Make(edit, ES_AUTOHSCROLL, 40);
    const std::string long_text(30, 'w');
    input_.Type(long_text);
    EXPECT_EQ(Text(edit), long_text);
    const int scrolled = edit.GetFirstVisibleLine();
    EXPECT_GT(scrolled, 0);
    input_.Key(VK_HOME);
    EXPECT_EQ(edit.GetFirstVisibleLine(), 0);
    edit.SetSel(30, 30, TRUE);  // no scrolling asked
    EXPECT_EQ(edit.GetFirstVisibleLine(), 0);
    EXPECT_TRUE(edit.SendMessage(EM_SCROLLCARET));
    EXPECT_EQ(edit.GetFirstVisibleLine(), scrolled);

    // Without ES_AUTOHSCROLL the text stops at the edit's width.
    CEdit fixed;
    ASSERT_TRUE(fixed.Create(WS_VISIBLE, CRect(10, 40, 50, 60), &parent_, 8));
    fixed.SetFocus();
    input_.Type(long_text);
    const int kept = fixed.GetWindowTextLength();
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, 30);
    EXPECT_EQ(fixed.GetFirstVisibleLine(), 0);
}

// The edit as it first scrolled and cut pastes: a character at a time,
// measuring again after each. Follows the keys of the test below.
class EditByEachCharacter {
public:
    EditByEachCharacter(HWND edit, bool password) : edit_(edit), dc_(GetDC(edit)), password_(password) {
        if (HFONT font = reinterpret_cast<HFONT>(SendMessage(edit, WM_GETFONT, 0, 0)))
            SelectObject(dc_, font);
        RECT client;
        GetClientRect(edit, &client);
        width_ = std::max(0, static_cast<int>(client.right) - 2);
    }
    ~EditByEachCharacter() { ReleaseDC(edit_, dc_); }
    EditByEachCharacter(const EditByEachCharacter&) = delete;
    EditByEachCharacter& operator=(const EditByEachCharacter&) = delete;

    void SetText(const std::string& text) {
        text_ = text;
        first_ = anchor_ = caret_ = 0;
    }
    void MoveTo(int caret, bool select_all = false) {
        caret_ = std::clamp(caret, 0, Length());
        anchor_ = select_all ? 0 : caret_;
        Scroll();
    }
    void Paste(std::string insert, bool fixed_width) {
        if (insert.empty())
            return;
        const int start = std::min(anchor_, caret_);
        const int end = std::max(anchor_, caret_);
        std::string updated = text_.substr(0, static_cast<std::size_t>(start)) + insert +
                              text_.substr(static_cast<std::size_t>(end));
        while (fixed_width && !insert.empty() && Width(updated, 0, static_cast<int>(updated.size())) > width_ - 1) {
            insert.pop_back();
            updated.erase(static_cast<std::size_t>(start) + insert.size(), 1);
        }
        if (updated == text_)
            return;
        text_ = updated;
        anchor_ = caret_ = start + static_cast<int>(insert.size());
        Scroll();
    }
    const std::string& Text() const { return text_; }
    int First() const { return first_; }
    int Length() const { return static_cast<int>(text_.size()); }

private:
    int Width(const std::string& text, int from, int to) const {
        if (to <= from)
            return 0;
        const std::string shown = password_ ? std::string(static_cast<std::size_t>(to - from), '*')
                                            : text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
        SIZE extent{};
        GetTextExtentPoint32(dc_, shown.data(), to - from, &extent);
        return extent.cx;
    }
    void Scroll() {
        first_ = std::clamp(first_, 0, Length());
        if (caret_ < first_)
            first_ = caret_;
        while (first_ < caret_ && Width(text_, first_, caret_) > width_ - 1)
            ++first_;
        while (first_ > 0 && Width(text_, first_ - 1, Length()) <= width_ - 1)
            --first_;
    }

    HWND edit_;
    HDC dc_;
    bool password_;
    int width_ = 0;
    std::string text_;
    int first_ = 0;
    int anchor_ = 0;
    int caret_ = 0;
};

TEST_F(MfcEditTest, EndSelectAllAndPasteShowWhatMeasuringEachCharacterShowed) {
    // Wide, narrow and empty glyphs, tabs, blanks and bytes above 0x7F.
    const std::string alphabet = "WMil.  \t\x01\x81\xFC" "ab";
    std::mt19937 random(43);
    auto generate = [&](std::size_t most) {
        std::string text(random() % (most + 1), ' ');
        for (char& c : text)
            c = alphabet[random() % alphabet.size()];
        return text;
    };
    const DWORD styles[] = {ES_AUTOHSCROLL, ES_AUTOHSCROLL | ES_PASSWORD, 0};
    // Narrow edits with short texts, and wide ones where hundreds of
    // characters fit, more than the edit measures in one piece.
    struct Size {
        int width;
        std::size_t most_text;
        std::size_t most_paste;
        int rounds;
    };
    const Size sizes[] = {{0, 70, 40, 25}, {2400, 800, 300, 4}};
    int top = 10;
    for (const Size& size : sizes)
    for (DWORD style : styles) {
        SCOPED_TRACE(style);
        SCOPED_TRACE(size.width);
        CEdit edit;
        Make(edit, style, size.width != 0 ? size.width : 60 + top, top);
        top += 25;
        EditByEachCharacter old(edit.m_hWnd, (style & ES_PASSWORD) != 0);
        auto expect_same = [&](const char* step) {
            EXPECT_EQ(Text(edit), old.Text()) << step;
            EXPECT_EQ(edit.GetFirstVisibleLine(), old.First()) << step << " in \"" << old.Text() << "\"";
        };
        for (int round = 0; round < size.rounds; ++round) {
            const std::string text = generate(size.most_text);
            edit.SetWindowText(text);
            old.SetText(text);
            input_.Key(VK_END);
            old.MoveTo(old.Length());
            expect_same("End");
            input_.Key(VK_HOME);
            old.MoveTo(0);
            const int right = static_cast<int>(random() % 4);
            for (int i = 0; i < right; ++i)
                input_.Key(VK_RIGHT);
            old.MoveTo(right);
            const std::string pasted = generate(size.most_paste);
            KvSetClipboardText(pasted);
            Chord(VK_CONTROL, 'V');
            old.Paste(pasted, style == 0);
            expect_same("paste inside");
            Chord(VK_CONTROL, 'A');
            old.MoveTo(old.Length(), true);
            expect_same("Ctrl+A");
            Chord(VK_CONTROL, 'V');
            old.Paste(pasted, style == 0);
            expect_same("paste over all");
            input_.Key(VK_END);
            old.MoveTo(old.Length());
            expect_same("End again");
        }
    }
}

TEST_F(MfcEditTest, AClickPlacesTheCaretAndADragSelects) {
    CEdit edit;
    Make(edit);
    edit.SetWindowText("abcdefgh");
    const CPoint third = edit.PosFromChar(3);
    const CPoint sixth = edit.PosFromChar(6);
    EXPECT_EQ(edit.CharFromPos(third), 3);
    EXPECT_EQ(edit.SendMessage(EM_POSFROMCHAR, 8), -1);
    input_.Click(At(edit, third.x + 1, 5));
    EXPECT_EQ(Selection(edit), std::make_pair(3, 3));
    input_.Drag(At(edit, sixth.x + 1, 5), At(edit, third.x + 1, 5));
    EXPECT_EQ(Selection(edit), std::make_pair(3, 6));
    EXPECT_EQ(::GetCapture(), nullptr);
    input_.Type("-");
    EXPECT_EQ(Text(edit), "abc-gh");
}

TEST_F(MfcEditTest, PaintAsksTheParentEachTimeAndShowsSelectionAndCaret) {
    CEdit edit;
    Make(edit);
    edit.SetWindowText("mmmm");
    Pump();
    const int asked = parent_.edit_colour_calls;
    EXPECT_GT(asked, 0);
    edit.Invalidate();
    Pump();
    EXPECT_EQ(parent_.edit_colour_calls, asked + 1);
    {
        Capture picture = Capture::OfWindow(edit.m_hWnd);
        EXPECT_EQ(picture.At(150, 10), kEditBack);
        EXPECT_EQ(picture.At(1, 2), RGB(0, 0, 0));  // the caret at 0, one pixel wide
        EXPECT_EQ(picture.At(2, 2), kEditBack);
        EXPECT_EQ(picture.Count(GetSysColor(COLOR_HIGHLIGHT)), 0);
    }
    edit.SetSel(0, -1);
    Pump();
    {
        Capture picture = Capture::OfWindow(edit.m_hWnd);
        EXPECT_GT(picture.Count(GetSysColor(COLOR_HIGHLIGHT)), 10);
    }
    // Without the focus the selection is not shown.
    parent_.SetFocus();
    Pump();
    {
        Capture picture = Capture::OfWindow(edit.m_hWnd);
        EXPECT_EQ(picture.Count(GetSysColor(COLOR_HIGHLIGHT)), 0);
    }
    edit.SetReadOnly(TRUE);
    Pump();
    EXPECT_GT(parent_.static_colour_calls, 0);
    EXPECT_EQ(Capture::OfWindow(edit.m_hWnd).At(150, 10), kStaticBack);
    edit.SetReadOnly(FALSE);
    edit.EnableWindow(FALSE);
    Pump();
    EXPECT_EQ(Capture::OfWindow(edit.m_hWnd).At(150, 10), kStaticBack);
}

TEST_F(MfcEditTest, APasswordShowsOneStarPerCharacterAndStaysOffTheClipboard) {
    CEdit password;
    Make(password, ES_AUTOHSCROLL | ES_PASSWORD);
    password.SetWindowText("secret");
    CEdit stars;
    ASSERT_TRUE(stars.Create(WS_VISIBLE | ES_AUTOHSCROLL, CRect(10, 40, 210, 60), &parent_, 8));
    stars.SetWindowText("******");
    parent_.SetFocus();
    Pump();
    {
        Capture shown = Capture::OfWindow(password.m_hWnd);
        Capture expected = Capture::OfWindow(stars.m_hWnd);
        int different = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 200; ++x)
                different += shown.At(x, y) != expected.At(x, y) ? 1 : 0;
        EXPECT_EQ(different, 0);
        EXPECT_GT(shown.Count(RGB(0, 0, 0)), 10);
    }
    // The caret and clicks go by the stars' widths.
    EXPECT_EQ(password.PosFromChar(4), stars.PosFromChar(4));
    EXPECT_EQ(password.CharFromPos(stars.PosFromChar(4)), 4);

    password.SetFocus();
    KvSetClipboardText("kept");
    password.SetSel(0, -1);
    input_.KeyDown(VK_CONTROL);
    input_.Key('C');
    input_.Key('X');
    input_.Key(VK_INSERT);
    input_.KeyUp(VK_CONTROL);
    password.Copy();
    password.Cut();
    EXPECT_EQ(KvGetClipboardText(), "kept");
    EXPECT_EQ(Text(password), "secret");
    // Pasting and typing still work.
    password.Paste();
    EXPECT_EQ(Text(password), "kept");
}

TEST_F(MfcEditTest, NumberTakesTypedDigitsOnlyAndKeepsBackspaceAndCtrlCodes) {
    CEdit edit;
    Make(edit, ES_AUTOHSCROLL | ES_NUMBER);
    // The characters on either side of the digits, and a superscript two.
    input_.Type("12ab-,./: 3\xB2");
    EXPECT_EQ(Text(edit), "123");
    input_.Key(VK_BACK);
    EXPECT_EQ(Text(edit), "12");
    Chord(VK_CONTROL, 'A');
    Chord(VK_CONTROL, 'C');
    EXPECT_EQ(KvGetClipboardText(), "12");
    input_.Type("7");
    EXPECT_EQ(Text(edit), "7");
    Chord(VK_CONTROL, 'Z');
    EXPECT_EQ(Text(edit), "12");
}

// The caret's column: the one pixel of the caret colour in row 2.
int CaretColumn(HWND edit) {
    Capture picture = Capture::OfWindow(edit);
    RECT client;
    GetClientRect(edit, &client);
    for (int x = 0; x < client.right; ++x)
        if (picture.At(x, 2) == RGB(0, 0, 0) && picture.At(x, 8) == RGB(0, 0, 0) && picture.At(x, 5) == RGB(0, 0, 0))
            return x;
    return -1;
}

TEST_F(MfcEditTest, RightAndCentreMoveTheTextThatFitsAndClicksFollowIt) {
    CEdit left, right, centre;
    Make(left, ES_AUTOHSCROLL, 100);
    Make(right, ES_AUTOHSCROLL | ES_RIGHT, 100, 35);
    Make(centre, ES_AUTOHSCROLL | ES_CENTER, 100, 60);
    for (CEdit* edit : {&left, &right, &centre})
        edit->SetWindowText("42");
    const int width = left.PosFromChar(1).x - left.PosFromChar(0).x;
    ASSERT_GT(width, 0);
    EXPECT_EQ(left.PosFromChar(0).x, 1);
    // The view is 98 pixels wide; the caret keeps the last one.
    const int text = 2 * width;
    EXPECT_EQ(right.PosFromChar(0).x, 1 + 97 - text);
    EXPECT_EQ(centre.PosFromChar(0).x, 1 + (97 - text) / 2);
    EXPECT_EQ(right.CharFromPos(right.PosFromChar(1)), 1);
    // The caret after the text sits on the view's last pixel.
    right.SetFocus();
    right.SetSel(2, 2);
    Pump();
    EXPECT_EQ(CaretColumn(right.m_hWnd), 98);
    input_.Click(At(right, right.PosFromChar(1).x + 1, 5));
    EXPECT_EQ(Selection(right), std::make_pair(1, 1));
    // Text wider than the view starts at the left as before.
    right.SetWindowText(std::string(40, 'm'));
    EXPECT_EQ(right.PosFromChar(0).x, 1);
}

TEST_F(MfcEditTest, CtrlAThenCtrlCInjectedBeforeAnyIsHandledCopyTheWholeText) {
    CEdit edit;
    Make(edit);
    edit.SetWindowText("keep this text");
    const auto key = [](int virtual_key, DWORD flags) {
        INPUT input;
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = static_cast<WORD>(virtual_key);
        input.ki.dwFlags = flags;
        return input;
    };
    const INPUT chords[] = {key(VK_CONTROL, 0), key('A', 0), key('A', KEYEVENTF_KEYUP),
                            key('C', 0),        key('C', KEYEVENTF_KEYUP), key(VK_CONTROL, KEYEVENTF_KEYUP)};
    ASSERT_EQ(SendInput(6, chords, sizeof(INPUT)), 6u);
    Pump();
    EXPECT_EQ(Text(edit), "keep this text");
    EXPECT_EQ(KvGetClipboardText(), "keep this text");
}

// Keys typed faster than the thread takes them: every character lands where
// the caret stood when its key was pressed, not after the later moves.
TEST_F(MfcEditTest, KeysTypedInOneRoundEditInTheOrderTyped) {
    const struct {
        std::vector<int> keys;
        const char* text;
    } cases[] = {{{'A', 'B', VK_HOME, 'C'}, "cab"},
                 {{'A', 'B', VK_HOME, VK_DELETE}, "b"},
                 {{'1', '2', VK_HOME, '3', VK_END, '4'}, "3124"}};
    for (const auto& typed : cases) {
        SCOPED_TRACE(typed.text);
        CEdit edit;
        Make(edit);
        std::vector<INPUT> inputs;
        for (const int key : typed.keys)
            for (const DWORD flags : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
                INPUT input;
                input.type = INPUT_KEYBOARD;
                input.ki.wVk = static_cast<WORD>(key);
                input.ki.dwFlags = flags;
                inputs.push_back(input);
            }
        ASSERT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)),
                  inputs.size());
        Pump();
        EXPECT_EQ(Text(edit), typed.text);
        edit.DestroyWindow();
    }
}

}  // namespace
