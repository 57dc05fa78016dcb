#include "examples/gallery/gallery.h"
#include "examples/focus_sequences.h"

#include "core/handle_table.h"
#include "framework/job_id.h"
#include "support/wnd_test_support.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

class GalleryTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        folder_ = std::filesystem::temp_directory_path() / ("kv_gallery_" + std::to_string(TakeNextJobId()));
        ASSERT_EQ(router_.Init(&GetHandleTable()), KV_OK);
        ASSERT_EQ(gallery::LoadSample(catalog_, folder_.string(), KV_GALLERY_SAMPLE_FILE), KV_OK);
        action_ = std::make_unique<gallery::ActionDialog>(catalog_, router_);
        configuration_ = std::make_unique<gallery::ConfigurationDialog>(catalog_, router_);
        ASSERT_EQ(action_->Open(), KV_OK);
        ASSERT_EQ(configuration_->Open(), KV_OK);
        Pump();
    }
    void TearDown() override {
        configuration_.reset();
        action_.reset();
        Pump();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
        WndTest::TearDown();
    }

    std::filesystem::path folder_;
    CKvMessageRouter router_;
    CKvUIObjectCatalog catalog_;
    std::unique_ptr<gallery::ActionDialog> action_;
    std::unique_ptr<gallery::ConfigurationDialog> configuration_;
};

TEST_F(GalleryTest, TheScriptedInteractionGivesTheExpectedEvents) {
    const std::string combo = std::to_string(gallery::kConfigurationEndpoint + gallery::kComboOffset);
    const std::string list = std::to_string(gallery::kConfigurationEndpoint + gallery::kListOffset);
    EXPECT_EQ(gallery::PlayScript(*action_, *configuration_),
              (gallery::EventLog{
                  "ITEM_SELECTION_CHANGED = \"SUFFIX\" from " + combo + " value 1",
                  "ITEM_STATE_CHANGED = \"\" from " + list + " value 2",
                  "ITEM_STATE_CHANGED = \"\" from " + list + " value 3",
                  "ITEM_CLICKED_IDENTIFIER = \"folder05\" from " + list + " value 4",
                  "BN_CLICKED 1001",
              }));
    EXPECT_EQ(configuration_->Combo().GetCurSel(), 1);
}

TEST_F(GalleryTest, TheConfigurationDialogHoldsItsSheetControlsAndTwentyRows) {
    EXPECT_EQ(configuration_->List().GetItemCount(), gallery::kListRows);
    // Sheet, tabs, combo box, list, digits and six pages; the check boxes
    // come with their pages.
    EXPECT_EQ(configuration_->Children().size(), 11u);
    EXPECT_EQ(configuration_->Tabs().GetItemCount(), 6);
    EXPECT_EQ(configuration_->Sheet().GetActiveIndex(), gallery::ConfigurationDialog::kSourcesPage);
}

TEST_F(GalleryTest, TheDigitsFieldTakesDigitsOnlyAndShowsThemAtItsRight) {
    // The page before the sources page holds the field.
    configuration_->Sheet().SetActivePage(gallery::ConfigurationDialog::kSourcesPage - 1);
    Pump();
    CKvUIEdit& digits = configuration_->Digits();
    InputDriver input(clock_);
    CRect box;
    digits.GetWindowRect(&box);
    input.Click(CPoint(box.left + 3, box.top + box.Height() / 2));
    ASSERT_EQ(::GetFocus(), digits.m_hWnd);
    input.Key(VK_END);
    input.Type("12ab-,.");
    std::string text;
    digits.GetWindowText(text);
    EXPECT_EQ(text, "612");
    // The text ends where the view does, less the caret's pixel.
    CRect client;
    digits.GetClientRect(&client);
    const int last = digits.PosFromChar(2).x;
    const int width = digits.PosFromChar(2).x - digits.PosFromChar(1).x;
    EXPECT_EQ(last + width, client.Width() - 2);
}

TEST_F(GalleryTest, TheConfigurationDialogWorksFromTheKeyboard) {
    InputDriver input(clock_);
    CKvUIComboBoxEx& combo = configuration_->Combo();
    CKvUIListCtrl& list = configuration_->List();
    CRect box;
    combo.GetWindowRect(&box);
    input.Click(CPoint(box.left + 8, box.top + 6));
    ASSERT_TRUE(combo.GetDroppedState());
    // Escape closes the popup, not the dialog; the closed combo takes Up.
    input.Key(VK_ESCAPE);
    EXPECT_FALSE(combo.GetDroppedState());
    EXPECT_TRUE(configuration_->IsWindowVisible());
    configuration_->Events().clear();
    input.Key(VK_UP);
    Pump();
    const std::string combo_source = std::to_string(gallery::kConfigurationEndpoint + gallery::kComboOffset);
    EXPECT_EQ(configuration_->Events(),
              gallery::EventLog{"ITEM_SELECTION_CHANGED = \"SUFFIX\" from " + combo_source + " value 1"});
    // Tab reaches the list, whose End key shows and selects the last row.
    input.Key(VK_TAB);
    EXPECT_EQ(::GetFocus(), list.m_hWnd);
    input.Key(VK_END);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), gallery::kListRows - 1);
    EXPECT_EQ(list.GetTopIndex(), gallery::kListRows - list.GetCountPerPage());
    // Ctrl+Page Up turns to the page before.
    const int page = configuration_->Sheet().GetActiveIndex();
    input.KeyDown(VK_CONTROL);
    input.Key(VK_PRIOR);
    input.KeyUp(VK_CONTROL);
    EXPECT_EQ(configuration_->Sheet().GetActiveIndex(), page - 1);
}

TEST_F(GalleryTest, TheConfigurationDialogOpensFocusedAndTakesAChordTypedInOneRound) {
    CKvUIListCtrl& list = configuration_->List();
    EXPECT_EQ(::GetFocus(), configuration_->Combo().m_hWnd);
    InputDriver input(clock_);
    input.Key(VK_TAB);
    ASSERT_EQ(::GetFocus(), list.m_hWnd);
    input.Key(VK_END);
    const int page = configuration_->Sheet().GetActiveIndex();
    const int top = list.GetTopIndex();
    ASSERT_GT(top, 0);
    // Ctrl+Page Up, all queued before the first key is handled.
    INPUT keys[4];
    const int codes[4] = {VK_CONTROL, VK_PRIOR, VK_PRIOR, VK_CONTROL};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = static_cast<WORD>(codes[i]);
        keys[i].ki.dwFlags = i < 2 ? 0 : KEYEVENTF_KEYUP;
    }
    ASSERT_EQ(SendInput(4, keys, sizeof(INPUT)), 4u);
    Pump();
    EXPECT_EQ(configuration_->Sheet().GetActiveIndex(), page - 1);
    EXPECT_EQ(list.GetTopIndex(), top);
}

INPUT KeyInput(int virtual_key, bool up) {
    INPUT input;
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(virtual_key);
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

// What a person's hands give for one step.
std::vector<INPUT> Inputs(focus_sequences::Step step, POINT row3) {
    using focus_sequences::Step;
    const auto press = [](int key) { return std::vector<INPUT>{KeyInput(key, false), KeyInput(key, true)}; };
    switch (step) {
    case Step::kDigit1:
        return press('1');
    case Step::kDigit2:
        return press('2');
    case Step::kDigit3:
        return press('3');
    case Step::kCtrlPageDown:
        return {KeyInput(VK_CONTROL, false), KeyInput(VK_NEXT, false), KeyInput(VK_NEXT, true),
                KeyInput(VK_CONTROL, true)};
    case Step::kTab:
        return press(VK_TAB);
    case Step::kDown:
        return press(VK_DOWN);
    case Step::kClickListRow3:
        break;
    }
    std::vector<INPUT> click(3);
    for (INPUT& input : click)
        input.type = INPUT_MOUSE;
    click[0].mi.dx = row3.x;
    click[0].mi.dy = row3.y;
    click[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return click;
}

// Keys typed ahead of a key or click that moves the focus act where the
// focus went, as they do when each step is handled before the next.
TEST_F(GalleryTest, KeysTypedAheadOfAFocusChangeActWhereTheFocusWentInOneRoundAsInARoundEach) {
    for (const focus_sequences::Sequence& sequence : focus_sequences::Sequences()) {
        for (const bool one_round : {false, true}) {
            SCOPED_TRACE(std::string(sequence.name) + (one_round ? ", in one round" : ", a round each"));
            focus_sequences::Open(sequence, configuration_, catalog_, router_, clock_);
            const POINT row3 = focus_sequences::ListRow3(*configuration_);
            std::vector<INPUT> round;
            for (std::size_t i = 0; i < sequence.steps.size(); ++i) {
                const std::vector<INPUT> inputs = Inputs(sequence.steps[i], row3);
                round.insert(round.end(), inputs.begin(), inputs.end());
                if (one_round && i + 1 < sequence.steps.size())
                    continue;
                ASSERT_EQ(SendInput(static_cast<UINT>(round.size()), round.data(), sizeof(INPUT)), round.size());
                Pump();
                round.clear();
            }
            EXPECT_EQ(focus_sequences::Outcome(*configuration_), sequence.outcome);
        }
    }
}

TEST_F(GalleryTest, EndingTheUpperDialogGivesTheKeysToTheOtherWhereItsFocusWas) {
    ASSERT_EQ(::GetFocus(), configuration_->Combo().m_hWnd);
    configuration_->EndDialog(IDOK);
    EXPECT_FALSE(configuration_->IsWindowVisible());
    EXPECT_EQ(::GetFocus(), action_->Edit().m_hWnd);
    InputDriver input(clock_);
    input.Type("42");
    std::string text;
    action_->Edit().GetWindowText(text);
    EXPECT_EQ(text, "42");
}

// Button 0 clicked, then the program hides or disables it: the focus goes
// where Tab from it goes, and Tab goes on from there. A focus the program
// itself sets to none stays none.
TEST_F(GalleryTest, AClickedButtonTheProgramTakesAwayLeavesTheKeysWhereTabWouldGo) {
    configuration_.reset();
    // The check box made a stop too, so that Tab has two stops to go between.
    const HWND check = action_->CheckBox().m_hWnd;
    ::SetWindowLongPtr(check, GWL_STYLE, ::GetWindowLongPtr(check, GWL_STYLE) | WS_TABSTOP);
    InputDriver input(clock_);
    CKvUIXPButton& button = action_->Buttons()[0];
    const HWND edit = action_->Edit().m_hWnd;
    const struct {
        const char* name;
        std::function<void()> take;
        HWND after, after_tab;
    } cases[] = {{"tab", [&] { input.Key(VK_TAB); }, check, edit},
                 {"hidden", [&] { button.ShowWindow(SW_HIDE); }, check, edit},
                 {"disabled", [&] { button.EnableWindow(FALSE); }, check, edit},
                 {"focus set to none", [] { ::SetFocus(nullptr); }, nullptr, nullptr}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        input.Click(InputDriver::ScreenPoint(button.m_hWnd, POINT{6, 6}));
        ASSERT_EQ(::GetFocus(), button.m_hWnd);
        row.take();
        EXPECT_EQ(::GetFocus(), row.after);
        input.Key(VK_TAB);
        EXPECT_EQ(::GetFocus(), row.after_tab);
        button.ShowWindow(SW_SHOW);
        button.EnableWindow(TRUE);
    }
}

TEST_F(GalleryTest, ADialogTheProgramHidesWhileItHoldsTheFocusGivesTheTypingBackToTheDialogBelow) {
    configuration_.reset();
    InputDriver input(clock_);
    input.Click(InputDriver::ScreenPoint(action_->Edit().m_hWnd, POINT{4, 4}));
    ASSERT_EQ(::GetFocus(), action_->Edit().m_hWnd);
    configuration_ = std::make_unique<gallery::ConfigurationDialog>(catalog_, router_);
    ASSERT_EQ(configuration_->Open(), KV_OK);
    ASSERT_EQ(::GetFocus(), configuration_->Combo().m_hWnd);
    configuration_->ShowWindow(SW_HIDE);
    input.Type("42");
    std::string text;
    action_->Edit().GetWindowText(text);
    EXPECT_EQ(text, "42");
}

TEST_F(GalleryTest, APageTheProgramTurnsLeavesTheFocusOnTheTabsForTheKeys) {
    ASSERT_EQ(::GetFocus(), configuration_->Combo().m_hWnd);
    const int sources = gallery::ConfigurationDialog::kSourcesPage;
    configuration_->Sheet().SetActivePage(sources - 1);
    EXPECT_EQ(::GetFocus(), configuration_->Tabs().m_hWnd);
    InputDriver input(clock_);
    input.KeyDown(VK_CONTROL);
    input.Key(VK_NEXT);
    input.KeyUp(VK_CONTROL);
    EXPECT_EQ(configuration_->Sheet().GetActiveIndex(), sources);
    input.Key(VK_TAB);
    EXPECT_EQ(::GetFocus(), configuration_->Combo().m_hWnd);
}

// The search page's only stop, or the page itself, taken away while the
// digits field holds the focus: the focus goes to the tabs, where the keys
// still turn the page.
TEST_F(GalleryTest, ASearchPageWhoseOnlyStopIsTakenAwayLeavesTheFocusOnTheTabs) {
    const struct {
        const char* name;
        std::function<void(gallery::ConfigurationDialog&)> take;
    } cases[] = {
        {"digits hidden", [](gallery::ConfigurationDialog& dialog) { dialog.Digits().ShowWindow(SW_HIDE); }},
        {"digits disabled", [](gallery::ConfigurationDialog& dialog) { dialog.Digits().EnableWindow(FALSE); }},
        {"digits destroyed", [](gallery::ConfigurationDialog& dialog) { dialog.Digits().DestroyWindow(); }},
        {"shown page hidden",
         [](gallery::ConfigurationDialog& dialog) { dialog.Sheet().GetActivePage()->ShowWindow(SW_HIDE); }},
    };
    const focus_sequences::Sequence from_the_digits{"", true, {}, ""};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        focus_sequences::Open(from_the_digits, configuration_, catalog_, router_, clock_);
        row.take(*configuration_);
        EXPECT_EQ(::GetFocus(), configuration_->Tabs().m_hWnd);
        InputDriver input(clock_);
        input.KeyDown(VK_CONTROL);
        input.Key(VK_NEXT);
        input.KeyUp(VK_CONTROL);
        EXPECT_EQ(configuration_->Sheet().GetActiveIndex(), gallery::ConfigurationDialog::kSourcesPage);
    }
}

TEST_F(GalleryTest, PicturesMatchTheirGoldensAndShowWhatMatters) {
    const std::vector<std::string> files =
        gallery::WriteGallery(*action_, *configuration_, catalog_, (folder_ / "pictures").string());
    ASSERT_GE(files.size(), 15u);
    for (const std::string& file : files) {
        HBITMAP picture = GdiReadPng(file);
        ASSERT_NE(picture, nullptr) << file;
        const std::string name = std::filesystem::path(file).stem().string();
        EXPECT_TRUE(MatchesGolden(picture, "examples", name)) << name;
        DeleteObject(picture);
    }
    // Each button picture shows its own look: its second ring's top edge.
    for (const auto& [name, look] : {std::pair{"xp_button_normal", CKvUIXPButton::kNormalLook},
                                     std::pair{"xp_button_hover", CKvUIXPButton::kHoverLook},
                                     std::pair{"xp_button_focus", CKvUIXPButton::kFocusLook}}) {
        HBITMAP picture = GdiReadPng((folder_ / "pictures" / (std::string(name) + ".png")).string());
        ASSERT_NE(picture, nullptr) << name;
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ previous = SelectObject(dc, picture);
        EXPECT_EQ(GetPixel(dc, 40, 2), CKvUIXPButton::RingColor(look, CKvUIXPButton::kRing2, CKvUIXPButton::kTop))
            << name;
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(picture);
    }
    // The action dialog's corners lie outside its region.
    CRgn region;
    region.CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(action_->GetWindowRgn(region), ERROR);
    CRect window;
    action_->GetWindowRect(&window);
    EXPECT_FALSE(region.PtInRegion(0, 0));
    EXPECT_FALSE(region.PtInRegion(window.Width() - 1, window.Height() - 1));
    EXPECT_TRUE(region.PtInRegion(window.Width() / 2, window.Height() / 2));
    // The title lies on the dialog's own background, not on a black box.
    for (const auto& [identifier, control] : action_->GetChildControls().GetEntries())
        if (identifier == "UIObjStatic_APPLICATION_Veltrix_Dlg_ACTION_TITLE") {
            EXPECT_EQ(Capture::OfWindow(control->m_hWnd).Count(RGB(0, 0, 0)), 0);
        }
    // The selected tab's text has its colour; the list's selected row is lit.
    Capture tabs = Capture::OfWindow(configuration_->Tabs().m_hWnd);
    EXPECT_GT(tabs.Count(gallery::kSelectedTabText), 10);
    CRect row;
    configuration_->List().GetItemRect(1, &row);
    Capture list = Capture::OfWindow(configuration_->List().m_hWnd);
    EXPECT_EQ(list.At(row.left + 2 + 2, row.top + 2 + 1), GetSysColor(COLOR_HIGHLIGHT));
}

// The width and height of the text in the control's own font.
CSize Extent(CWnd& control, const LOGFONT& description, const std::string& text) {
    CClientDC dc(&control);
    CFont font;
    EXPECT_TRUE(font.CreateFontIndirect(&description));
    CFont* previous = dc.SelectObject(&font);
    const CSize extent = dc.GetTextExtent(text);
    dc.SelectObject(previous);
    return extent;
}

// Every caption of the sample fits the rectangle its control gives it: the
// XP buttons' caption area (centred in it) and the check boxes' caption
// rectangle right of the box.
TEST_F(GalleryTest, EveryCaptionOfTheSampleFitsItsRectangle) {
    for (int page = 0; page < 6; ++page)
        configuration_->Sheet().SetActivePage(page);
    configuration_->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    for (CKvUIXPButton& button : action_->Buttons()) {
        SCOPED_TRACE(button.GetCaption());
        EXPECT_EQ(button.GetShownText(), button.GetCaption());
        const CSize extent = Extent(button, button.GetLogFont(), button.GetCaption());
        const CRect& area = button.GetTextRectangle();
        EXPECT_LE(extent.cx, area.Width());
        EXPECT_LE(extent.cy, area.Height());
        EXPECT_EQ(button.GetShownFormat() & (DT_CENTER | DT_VCENTER | DT_SINGLELINE),
                  static_cast<UINT>(DT_CENTER | DT_VCENTER | DT_SINGLELINE));
    }
    std::vector<CKvUICheckBox*> boxes{&action_->CheckBox()};
    for (const auto& box : configuration_->CheckBoxes())
        boxes.push_back(box.get());
    ASSERT_EQ(boxes.size(), 7u);
    for (CKvUICheckBox* box : boxes) {
        SCOPED_TRACE(box->GetCaption());
        ASSERT_FALSE(box->GetCaptionRectangle().IsRectEmpty());
        EXPECT_LE(Extent(*box, box->GetLogFont(), box->GetCaption()).cx, box->GetCaptionRectangle().Width());
    }
}

TEST_F(GalleryTest, AFullRepaintAsTheBenchmarkAsksPaintsEveryShownWindow) {
    MessageSpy spy;
    std::vector<HWND> shown;
    for (HWND child : configuration_->Children())
        if (IsWindowVisible(child)) {
            shown.push_back(child);
            spy.Watch(child);
        }
    // The sheet, its tabs, the sources page with its combo box and list.
    ASSERT_GE(shown.size(), 5u);
    configuration_->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    for (HWND child : shown)
        EXPECT_GE(spy.Count(child, WM_PAINT), 1) << GetDlgCtrlID(child);
}

}  // namespace
