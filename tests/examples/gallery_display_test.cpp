// The action dialog on a real display: an Xvfb server of the test's own
// shows exactly the headless picture of it.

#include "examples/gallery/gallery.h"
#include "examples/focus_sequences.h"

#include "core/handle_table.h"
#include "framework/job_id.h"
#include "support/wnd_test_support.h"
#include "support/sdl_events.h"
#include "support/xvfb.h"

#ifdef KV_GALLERY_HAS_DISPLAY
#include "platform/display/display.h"

#include <SDL.h>
#endif

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#ifdef KV_GALLERY_HAS_DISPLAY
// The desktop libraries keep allocations until exit.
KV_LSAN_SUPPRESSIONS("../platform/display/lsan.supp")

namespace {

class GalleryDisplayTest : public WndTest {
protected:
    static void SetUpTestSuite() {
        server_ = new Xvfb;
        StartXvfbDisplay(*server_);
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        WndTest::SetUp();
        if (server_->display().empty())
            GTEST_SKIP() << "Xvfb is not available";
        folder_ = std::filesystem::temp_directory_path() / ("kv_gallery_x_" + std::to_string(TakeNextJobId()));
        ASSERT_EQ(router_.Init(&GetHandleTable()), KV_OK);
        ASSERT_EQ(gallery::LoadSample(catalog_, folder_.string(), KV_GALLERY_SAMPLE_FILE), KV_OK);
        action_ = std::make_unique<gallery::ActionDialog>(catalog_, router_);
        ASSERT_EQ(action_->Open(), KV_OK);
        Pump();
    }
    void TearDown() override {
        display_.reset();
        configuration_.reset();
        action_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
        WndTest::TearDown();
    }

    void OpenConfiguration() {
        configuration_ = std::make_unique<gallery::ConfigurationDialog>(catalog_, router_);
        ASSERT_EQ(configuration_->Open(), KV_OK);
        Pump();
    }
    void Push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1); }
    void PushKey(Uint32 type, SDL_Keycode key, Uint16 mod = KMOD_NONE) {
        ASSERT_TRUE(PushKeyEvent(display_->WindowId(), type, key, mod));
    }
    void PushText(const char* utf8) { ASSERT_TRUE(PushTextEvent(display_->WindowId(), utf8)); }

    static Xvfb* server_;
    std::filesystem::path folder_;
    CKvMessageRouter router_;
    CKvUIObjectCatalog catalog_;
    std::unique_ptr<gallery::ActionDialog> action_;
    std::unique_ptr<gallery::ConfigurationDialog> configuration_;
    std::unique_ptr<DisplayWindow> display_;
};

Xvfb* GalleryDisplayTest::server_ = nullptr;

TEST_F(GalleryDisplayTest, TheDesktopShowsTheActionDialogExactlyAsItsHeadlessCapture) {
    std::string error;
    display_ = DisplayWindow::Open(action_->m_hWnd, &error);
    ASSERT_NE(display_, nullptr) << error;
    CRect window;
    action_->GetWindowRect(&window);
    std::vector<std::uint32_t> expected;
    {
        Capture screen = Capture::OfScreen();
        for (int y = window.top; y < window.bottom; ++y)
            for (int x = window.left; x < window.right; ++x) {
                const COLORREF pixel = screen.At(x, y);
                expected.push_back(static_cast<std::uint32_t>(GetRValue(pixel)) << 16 |
                                   static_cast<std::uint32_t>(GetGValue(pixel)) << 8 | GetBValue(pixel));
            }
    }
    std::vector<std::uint32_t> desktop;
    for (int round = 0; round < 300 && desktop != expected; ++round) {
        ASSERT_TRUE(display_->Pump(KV_DISPLAY_IDLE_WAIT_MS));
        const POINT origin = display_->DesktopOrigin();
        ASSERT_TRUE(DisplayGrabDesktop(RECT{origin.x, origin.y, origin.x + window.Width(), origin.y + window.Height()},
                                       desktop));
    }
    EXPECT_EQ(display_->DesktopOrigin(), gallery::kActionOrigin);
    EXPECT_TRUE(desktop == expected);
}

TEST_F(GalleryDisplayTest, TheActionDialogTakesTypingFromTheDesktopBeforeAnyClick) {
    std::string error;
    display_ = DisplayWindow::Open(action_->m_hWnd, &error);
    ASSERT_NE(display_, nullptr) << error;
    // The digits field opens focused with its text selected: typing replaces it.
    for (const char* digit : {"4", "2"})
        PushText(digit);
    ASSERT_TRUE(display_->Pump(0));
    Pump();
    std::string text;
    action_->Edit().GetWindowText(text);
    EXPECT_EQ(text, "42");
}

TEST_F(GalleryDisplayTest, TheActionDialogTakesTypingFromTheDesktopOnceTheDialogAboveItEnds) {
    OpenConfiguration();
    std::string error;
    display_ = DisplayWindow::Open(action_->m_hWnd, &error);
    ASSERT_NE(display_, nullptr) << error;
    configuration_->EndDialog(IDOK);
    PushText("4");
    PushText("2");
    ASSERT_TRUE(display_->Pump(0));
    Pump();
    std::string text;
    action_->Edit().GetWindowText(text);
    EXPECT_EQ(text, "42");
}

TEST_F(GalleryDisplayTest, APageTheProgramTurnsStillTakesCtrlPageDownAndTabFromTheDesktop) {
    OpenConfiguration();
    std::string error;
    display_ = DisplayWindow::Open(configuration_->m_hWnd, &error);
    ASSERT_NE(display_, nullptr) << error;
    const int sources = gallery::ConfigurationDialog::kSourcesPage;
    configuration_->Sheet().SetActivePage(sources - 1);
    PushKey(SDL_KEYDOWN, SDLK_LCTRL, KMOD_LCTRL);
    PushKey(SDL_KEYDOWN, SDLK_PAGEDOWN, KMOD_LCTRL);
    PushKey(SDL_KEYUP, SDLK_PAGEDOWN, KMOD_LCTRL);
    PushKey(SDL_KEYUP, SDLK_LCTRL);
    PushKey(SDL_KEYDOWN, SDLK_TAB);
    PushKey(SDL_KEYUP, SDLK_TAB);
    ASSERT_TRUE(display_->Pump(0));
    Pump();
    EXPECT_EQ(configuration_->Sheet().GetActiveIndex(), sources);
    EXPECT_EQ(::GetFocus(), configuration_->Combo().m_hWnd);
}

// The desktop's events for one step, as a person's keys and clicks send them.
void PushStep(Uint32 window_id, focus_sequences::Step step, POINT row3) {
    using focus_sequences::Step;
    const auto press = [window_id](SDL_Keycode key, Uint16 mod = KMOD_NONE) {
        ASSERT_TRUE(PushKeyEvent(window_id, SDL_KEYDOWN, key, mod));
        ASSERT_TRUE(PushKeyEvent(window_id, SDL_KEYUP, key, mod));
    };
    const auto type = [window_id](SDL_Keycode key, const char* text) {
        ASSERT_TRUE(PushKeyEvent(window_id, SDL_KEYDOWN, key));
        ASSERT_TRUE(PushTextEvent(window_id, text));
        ASSERT_TRUE(PushKeyEvent(window_id, SDL_KEYUP, key));
    };
    switch (step) {
    case Step::kDigit1:
        return type(SDLK_1, "1");
    case Step::kDigit2:
        return type(SDLK_2, "2");
    case Step::kDigit3:
        return type(SDLK_3, "3");
    case Step::kCtrlPageDown:
        ASSERT_TRUE(PushKeyEvent(window_id, SDL_KEYDOWN, SDLK_LCTRL, KMOD_LCTRL));
        press(SDLK_PAGEDOWN, KMOD_LCTRL);
        ASSERT_TRUE(PushKeyEvent(window_id, SDL_KEYUP, SDLK_LCTRL));
        return;
    case Step::kTab:
        return press(SDLK_TAB);
    case Step::kDown:
        return press(SDLK_DOWN);
    case Step::kClickListRow3:
        for (const Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
            SDL_Event event{};
            event.type = type;
            event.button.windowID = window_id;
            event.button.button = SDL_BUTTON_LEFT;
            event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
            event.button.x = row3.x;
            event.button.y = row3.y;
            ASSERT_EQ(SDL_PushEvent(&event), 1);
        }
        return;
    }
}

// The desktop hands a whole burst over in one pump: keys typed ahead of a
// focus change still act where the focus went.
TEST_F(GalleryDisplayTest, KeysTypedAheadOfAFocusChangeFromTheDesktopActWhereTheFocusWent) {
    for (const focus_sequences::Sequence& sequence : focus_sequences::Sequences()) {
        for (const bool one_round : {false, true}) {
            SCOPED_TRACE(std::string(sequence.name) + (one_round ? ", in one round" : ", a round each"));
            display_.reset();
            focus_sequences::Open(sequence, configuration_, catalog_, router_, clock_);
            std::string error;
            display_ = DisplayWindow::Open(configuration_->m_hWnd, &error);
            ASSERT_NE(display_, nullptr) << error;
            CRect window;
            configuration_->GetWindowRect(&window);
            POINT row3 = focus_sequences::ListRow3(*configuration_);
            row3 = POINT{row3.x - window.left, row3.y - window.top};
            for (std::size_t i = 0; i < sequence.steps.size(); ++i) {
                PushStep(display_->WindowId(), sequence.steps[i], row3);
                if (one_round && i + 1 < sequence.steps.size())
                    continue;
                ASSERT_TRUE(display_->Pump(0));
                Pump();
            }
            EXPECT_EQ(focus_sequences::Outcome(*configuration_), sequence.outcome);
        }
    }
}

}  // namespace
#endif
