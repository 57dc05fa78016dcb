#include "controls/kv_ui_edit.h"

#include "core/xml_document.h"
#include "guidesc/ui_object_catalog.h"
#include "platform/mfc/mfc_dialog.h"
#include "support/wnd_test_support.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

class UIEditTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        Class("UIEditHost");
        ASSERT_TRUE(parent_.CreateEx(0, "UIEditHost", "", WS_POPUP | WS_VISIBLE, 0, 0, 300, 100, nullptr, nullptr));
        KvSetClipboardText("");
    }
    void TearDown() override {
        edit_owner_.reset();  // its brush goes with it
        parent_.DestroyWindow();
        WndTest::TearDown();
    }
    void Make(DWORD style = ES_AUTOHSCROLL, int width = 200) {
        ASSERT_TRUE(edit_.Create(WS_VISIBLE | style, CRect(10, 10, 10 + width, 30), &parent_, 7));
        edit_.SetFocus();
        Pump();
    }
    std::string Text() const {
        std::string text;
        edit_.GetWindowText(text);
        return text;
    }
    std::pair<int, int> Selection() const {
        int start = 0;
        int end = 0;
        edit_.GetSel(start, end);
        return {start, end};
    }
    void Chord(int modifier, int key) {
        input_.KeyDown(modifier);
        input_.Key(key);
        input_.KeyUp(modifier);
    }

    static int InsertKeys(const MessageSpy& spy) {
        int count = 0;
        for (const MessageSpy::Entry& entry : spy.Log())
            count += (entry.message == WM_KEYDOWN || entry.message == WM_KEYUP) && entry.wParam == VK_INSERT;
        return count;
    }

    CWnd parent_;
    std::unique_ptr<CKvUIEdit> edit_owner_ = std::make_unique<CKvUIEdit>();
    CKvUIEdit& edit_ = *edit_owner_;
    InputDriver input_{clock_};
};

TEST(UIEditCharacters, IA5SetAdmitsItsTableAndNothingElse) {
    struct Case {
        UINT code;
        bool accepted;
    };
    const Case cases[] = {
        {0x20, true},  {0x40, true},  {0x5A, true},  {0x60, true},  {0x61, true},  {0x7A, true},  {0x08, true},
        {0xBB, true},  {0xC4, true},  {0xD6, true},  {0xDC, true},  {0xDF, true},  {0xE4, true},  {0xF6, true},
        {0xFC, true},  {0x10020, true}, {0x09, false}, {0x0D, false}, {0x1B, false}, {0x16, false}, {0x5B, false},
        {0x5C, false}, {0x5F, false}, {0x7B, false}, {0x7E, false}, {0x7F, false}, {0x80, false}, {0xE9, false},
        {0xFF, false},
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.code);
        EXPECT_EQ(CKvUIEdit::IsIA5Character(entry.code), entry.accepted);
    }
}

TEST_F(UIEditTest, IA5OnlyInsertsItsSetDropsTheRestAndKeepsBackspace) {
    Make();
    edit_.GetIA5OnlyFlag() = 1;
    edit_.SetExcludedCharacters("a");  // not consulted in IA5 mode
    input_.Type("\x61\x5A\x40\xE4");
    input_.Type("\x5B\x5F\x7B\x7E\xE9\r");
    EXPECT_EQ(Text(), "aZ@\xE4");
    input_.Key(VK_BACK);
    EXPECT_EQ(Text(), "aZ@");
    Chord(VK_CONTROL, 'A');  // a control character: dropped
    input_.Type("b");
    EXPECT_EQ(Text(), "aZ@b");
}

TEST_F(UIEditTest, ReadOnlyFallsBackToTheExcludedCharacters) {
    Make(ES_AUTOHSCROLL | ES_READONLY);
    edit_.SetWindowText("keep");
    edit_.GetIA5OnlyFlag() = 1;
    edit_.SetSel(0, -1);
    Chord(VK_CONTROL, 'C');  // refused by the IA5 set, passed by the empty exclusion
    EXPECT_EQ(KvGetClipboardText(), "keep");
    KvSetClipboardText("");
    edit_.SetExcludedCharacters("\x03");
    Chord(VK_CONTROL, 'C');
    EXPECT_EQ(KvGetClipboardText(), "");
}

TEST_F(UIEditTest, ExcludedCharactersAreDroppedAndControlCharactersPass) {
    Make();
    input_.Type("a;b,c");
    EXPECT_EQ(Text(), "a;b,c");
    edit_.SetWindowText("");
    edit_.SetExcludedCharacters(";,");
    EXPECT_TRUE(edit_.IsCharacterAccepted('x'));
    EXPECT_FALSE(edit_.IsCharacterAccepted(0x13B));  // the low byte decides
    input_.Type("a;b,c");
    EXPECT_EQ(Text(), "abc");
    input_.Key(VK_BACK);
    Chord(VK_CONTROL, 'Z');
    EXPECT_EQ(Text(), "abc");  // Backspace deleted, Ctrl+Z brought it back
}

TEST_F(UIEditTest, RestrictedIA5AppendsAtTheEndAndScrollsThere) {
    Make(ES_AUTOHSCROLL, 40);
    edit_.SetWindowText("wwwwwwwwwwwwwwwwwwww");
    edit_.GetIA5OnlyFlag() = 1;
    edit_.GetRestrictedFlag() = 1;
    input_.Click(InputDriver::ScreenPoint(edit_.m_hWnd, POINT{10, 5}));
    ASSERT_LT(Selection().first, 20);
    ASSERT_EQ(edit_.GetFirstVisibleLine(), 0);
    input_.Type("x");
    EXPECT_EQ(Text(), "wwwwwwwwwwwwwwwwwwwwx");
    EXPECT_EQ(Selection(), std::make_pair(21, 21));
    EXPECT_GT(edit_.GetFirstVisibleLine(), 0);
}

TEST_F(UIEditTest, RestrictedWithoutIA5InsertsAtTheCaretButBlocksArrowsAndDelete) {
    Make();
    edit_.SetWindowText("hello");
    edit_.GetRestrictedFlag() = 1;
    edit_.SetSel(2, 2);
    input_.Type("x");
    EXPECT_EQ(Text(), "hexllo");
    input_.Key(VK_LEFT);
    input_.Key(VK_RIGHT);
    input_.Key(VK_UP);
    input_.Key(VK_DOWN);
    input_.Key(VK_DELETE);
    EXPECT_EQ(Selection(), std::make_pair(3, 3));
    EXPECT_EQ(Text(), "hexllo");
    input_.Key(VK_HOME);  // Home and Backspace are not blocked
    EXPECT_EQ(Selection(), std::make_pair(0, 0));
    input_.Key(VK_END);
    input_.Key(VK_BACK);
    EXPECT_EQ(Text(), "hexll");
}

TEST_F(UIEditTest, RestrictedBlocksClipboardAndUndoButCopyAndInsertAlonePass) {
    Make();
    edit_.SetWindowText("text");
    input_.Key(VK_END);
    input_.Type("s");
    edit_.GetRestrictedFlag() = 1;
    KvSetClipboardText("PASTE");
    edit_.SetSel(0, 2);
    MessageSpy spy;
    spy.Watch(edit_.m_hWnd);
    const UINT blocked[] = {WM_PASTE, WM_CUT, WM_CLEAR, WM_UNDO, EM_UNDO};
    for (UINT message : blocked) {
        SCOPED_TRACE(message);
        EXPECT_EQ(edit_.SendMessage(message), 0);
        EXPECT_EQ(Text(), "texts");
    }
    Chord(VK_CONTROL, 'V');
    Chord(VK_CONTROL, 'X');
    Chord(VK_CONTROL, 'Z');
    Chord(VK_SHIFT, VK_INSERT);
    EXPECT_EQ(Text(), "texts");
    EXPECT_EQ(InsertKeys(spy), 0);
    edit_.SendMessage(WM_COPY);
    EXPECT_EQ(KvGetClipboardText(), "te");

    input_.KeyDown(VK_SHIFT);
    EXPECT_EQ(edit_.GetShiftHeldFlag(), 1u);
    input_.KeyUp(VK_SHIFT);
    EXPECT_EQ(edit_.GetShiftHeldFlag(), 0u);
    input_.Key(VK_INSERT);
    EXPECT_EQ(InsertKeys(spy), 2);

    edit_.GetRestrictedFlag() = 0;
    EXPECT_TRUE(edit_.SendMessage(EM_UNDO));
    EXPECT_EQ(Text(), "text");
}

TEST_F(UIEditTest, DisabledColourPaintsWhileDisabledAndOneBrushStaysAlive) {
    Make();
    edit_.GetEditBackgroundColor() = RGB(1, 2, 3);
    edit_.GetDisabledBackgroundColor() = RGB(200, 100, 50);
    edit_.GetEditTextColor() = RGB(250, 0, 0);
    edit_.Invalidate();
    Pump();
    const std::uint64_t objects = GdiGetStatistics().live_objects;
    EXPECT_EQ(Capture::OfWindow(edit_.m_hWnd).At(150, 10), RGB(1, 2, 3));
    edit_.EnableWindow(FALSE);
    Pump();
    EXPECT_EQ(Capture::OfWindow(edit_.m_hWnd).At(150, 10), RGB(200, 100, 50));
    edit_.EnableWindow(TRUE);
    for (int paint = 0; paint < 5; ++paint) {
        edit_.Invalidate();
        Pump();
    }
    EXPECT_EQ(Capture::OfWindow(edit_.m_hWnd).At(150, 10), RGB(1, 2, 3));
    EXPECT_EQ(GdiGetStatistics().live_objects, objects);
    edit_.SetWindowText("M");
    Pump();
    EXPECT_GT(Capture::OfWindow(edit_.m_hWnd).Count(RGB(250, 0, 0)), 3);
}

TEST_F(UIEditTest, MouseMovesReachTheTooltipOnlyWhenActiveAndCreated) {
    Make();
    const POINT inside = InputDriver::ScreenPoint(edit_.m_hWnd, POINT{20, 5});
    edit_.GetTooltipActiveFlag() = 1;
    input_.MoveTo(inside);  // no tooltip window yet: nothing to do
    ASSERT_TRUE(edit_.GetToolTip().Create(&edit_));
    edit_.GetTooltipActiveFlag() = 0;
    input_.MoveTo(POINT{inside.x + 1, inside.y});
    EXPECT_EQ(edit_.GetToolTip().GetRelayedEventCount(), 0);
    edit_.GetTooltipActiveFlag() = 1;
    input_.MoveTo(POINT{inside.x + 2, inside.y});
    EXPECT_EQ(edit_.GetToolTip().GetRelayedEventCount(), 1);
}

constexpr const char* kCatalogText =
    "<GUI><catalog_UIOBJECTSTRING>"
    "<UIOBJECTSTRING identifier=\"UIObjString_Name\"><text>Name</text></UIOBJECTSTRING>"
    "<UIOBJECTSTRING identifier=\"UIObjString_Tip\"><text>Your name</text></UIOBJECTSTRING>"
    "</catalog_UIOBJECTSTRING><catalog_UIOBJECTEDIT>"
    "<UIOBJECTEDIT identifier=\"Anchor\"><positionx>5</positionx><positiony>7</positiony></UIOBJECTEDIT>"
    "<UIOBJECTEDIT identifier=\"Full\"><width>100</width><height>20</height><positionx>10</positionx>"
    "<positiony>20</positiony><textcolor>FF0000</textcolor><backgroundcolor>0000FF</backgroundcolor>"
    "<text>UIObjString_Name</text><textmagnify>1.5</textmagnify><uiid>31</uiid>"
    "<flagonlyia5chars>true</flagonlyia5chars><flagrestricted>TRUE</flagrestricted>"
    "<editstyle>ES_READONLY</editstyle><windowstyle>0</windowstyle><fontweight>700</fontweight>"
    "<windowstyleex>WS_EX_CLIENTEDGE</windowstyleex><tooltiptext>UIObjString_Tip</tooltiptext>"
    "<tooltipwidth>150</tooltipwidth><anchoridentifier>Anchor</anchoridentifier></UIOBJECTEDIT>"
    "<UIOBJECTEDIT identifier=\"Styled\"><width>50</width><height>20</height>"
    "<windowstyle>WS_CHILD,WS_VISIBLE</windowstyle><editstyle>ES_AUTOHSCROLL</editstyle>"
    "<textmagnify>100000000000</textmagnify><tooltipwidth>0</tooltipwidth>"
    "<tooltiptext>tip</tooltiptext></UIOBJECTEDIT>"
    "</catalog_UIOBJECTEDIT></GUI>";

class UIEditCreationTest : public UIEditTest {
protected:
    void SetUp() override {
        UIEditTest::SetUp();
        XmlDocument document;
        document.Parse(kCatalogText);
        catalog_.RegisterTypes();
        ASSERT_EQ(catalog_.ReadType(document, kUIObjectString), KV_OK);
        ASSERT_EQ(catalog_.ReadType(document, kUIObjectEdit), KV_OK);
        LOGFONT description{};
        description.lfHeight = -11;
        std::snprintf(description.lfFaceName, sizeof description.lfFaceName, "%s", "DejaVu Sans");
        ASSERT_TRUE(parent_font_.CreateFontIndirect(&description));
    }
    void TearDown() override {
        edit_owner_.reset();
        parent_.DestroyWindow();
        parent_font_.DeleteObject();
        UIEditTest::TearDown();
    }
    KvResult Create(const char* identifier, bool with_font = true) {
        if (with_font)
            parent_.SetFont(&parent_font_, FALSE);
        edit_.SetOwner(&catalog_);
        edit_.GetIdentifier() = identifier;
        return edit_.CreateFromDescription(&parent_, TRUE);
    }
    LOGFONT EditFont() {
        LOGFONT description{};
        ::GetObject(edit_.GetEditFont().m_hObject, sizeof description, &description);
        return description;
    }

    CKvUIObjectCatalog catalog_;
    CFont parent_font_;
};

TEST_F(UIEditCreationTest, DescriptionGivesStylesFlagsColoursFontTextAndTooltip) {
    EXPECT_EQ(Create("Full"), KV_OK);
    ASSERT_TRUE(edit_.IsWindow());
    CRect window;
    edit_.GetWindowRect(&window);
    parent_.ScreenToClient(&window);
    EXPECT_EQ(window, CRect(15, 27, 114, 46));  // anchored, one pixel short each way
    EXPECT_EQ(edit_.GetStyle(), 0x50810000u | ES_READONLY);
    EXPECT_EQ(edit_.GetExStyle(), 0x200u);
    EXPECT_EQ(edit_.GetDlgCtrlID(), 31);
    EXPECT_EQ(Text(), "Name");
    EXPECT_EQ(edit_.GetIA5OnlyFlag(), 1u);
    EXPECT_EQ(edit_.GetRestrictedFlag(), 1u);
    EXPECT_EQ(edit_.GetEditTextColor(), RGB(255, 0, 0));
    EXPECT_EQ(edit_.GetEditBackgroundColor(), RGB(0, 0, 255));
    EXPECT_EQ(edit_.GetDisabledBackgroundColor(), RGB(255, 255, 255));
    EXPECT_EQ(EditFont().lfHeight, -16);
    EXPECT_EQ(EditFont().lfWeight, 700);
    EXPECT_EQ(edit_.SendMessage(WM_GETFONT), reinterpret_cast<LRESULT>(edit_.GetEditFont().m_hObject));
    EXPECT_EQ(edit_.GetTooltipText(), "Your name");
    EXPECT_EQ(edit_.GetTooltipActiveFlag(), 1u);
    EXPECT_TRUE(edit_.GetToolTip().IsWindow());
    EXPECT_EQ(edit_.GetToolTip().GetMaxTipWidth(), 150);
}

TEST_F(UIEditCreationTest, WindowStyleJoinsEditStyleAndAHugeMagnifySaturates) {
    EXPECT_EQ(Create("Styled"), KV_OK);
    EXPECT_EQ(edit_.GetStyle(), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL);
    // The saturated height is one the drawing layer refuses, without harm.
    ExpectRefused(1);
    EXPECT_EQ(edit_.GetEditFont().m_hObject, nullptr);
    EXPECT_EQ(edit_.GetTooltipActiveFlag(), 0u);  // width 0
    EXPECT_TRUE(edit_.GetToolTip().IsWindow());
}

TEST_F(UIEditCreationTest, FailuresLeaveClearCodes) {
    CKvUIEdit lonely;
    EXPECT_EQ(lonely.ApplyDescription(), KV_E_INVALID_POINTER);
    EXPECT_EQ(lonely.CreateFromDescription(nullptr, TRUE), KV_E_INVALID_POINTER);
    lonely.SetOwner(&catalog_);
    EXPECT_EQ(lonely.ApplyDescription(), KV_E_FAIL);  // no identifier
    lonely.GetIdentifier() = "Missing";
    EXPECT_EQ(lonely.ApplyDescription(), KV_E_FAIL);
    // A parent without a font: the edit keeps the system font.
    EXPECT_EQ(Create("Full", false), KV_OK);
    EXPECT_EQ(edit_.GetEditFont().m_hObject, nullptr);
    EXPECT_EQ(edit_.SendMessage(WM_GETFONT), 0);
}

// A dialog that counts the OK it would act on and stays open.
class CountingOk : public CDialog {
public:
    int oks = 0;
    void OnOK() override { ++oks; }
};

TEST_F(UIEditTest, ReturnInRestrictedModeStaysTheEditsInADialog) {
    const std::string bytes = BuildDialogTemplate(WS_POPUP | WS_VISIBLE, 0, 0, 0, 150, 60, "Keys");
    CountingOk dialog;
    ASSERT_TRUE(dialog.CreateIndirect(bytes.data(), bytes.size()));
    CKvUIEdit edit;
    ASSERT_TRUE(edit.Create(WS_VISIBLE | WS_TABSTOP, CRect(5, 5, 100, 25), &dialog, 9));
    edit.SetFocus();
    input_.Key(VK_RETURN);
    EXPECT_EQ(dialog.oks, 1);
    edit.GetRestrictedFlag() = 1;
    input_.Key(VK_RETURN);
    EXPECT_EQ(dialog.oks, 1);
    dialog.DestroyWindow();
}

}  // namespace
