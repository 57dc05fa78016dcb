#include "platform/display/display.h"
#include "platform/mfc/mfc_edit.h"
#include "support/wnd_test_support.h"
#include "support/sdl_events.h"
#include "support/xvfb.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

// The desktop libraries keep allocations until exit.
KV_LSAN_SUPPRESSIONS("lsan.supp")

namespace {

Xvfb* g_server = nullptr;

// A window that paints bands, a frame and text, and notes what reaches it.
struct Seen {
    std::vector<std::pair<UINT, POINT>> mouse;
    std::vector<WPARAM> keys;
    std::string characters;
    int closes = 0;
};
Seen g_seen;

LRESULT PaintedProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        for (int band = 0; band < 8; ++band) {
            const RECT rect{0, band * client.bottom / 8, client.right, (band + 1) * client.bottom / 8};
            HBRUSH brush = CreateSolidBrush(RGB(band * 30, 255 - band * 25, 90 + band * 20));
            FillRect(dc, &rect, brush);
            DeleteObject(brush);
        }
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        RECT text{10, 10, client.right, 40};
        DrawText(dc, "Display", 7, &text, DT_LEFT | DT_SINGLELINE);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        g_seen.mouse.emplace_back(message, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_KEYDOWN:
        g_seen.keys.push_back(wParam);
        return 0;
    case WM_CHAR:
        g_seen.characters.push_back(static_cast<char>(wParam));
        return 0;
    case WM_CLOSE:
        ++g_seen.closes;
        break;
    default:
        break;
    }
    return DefWindowProc(window, message, wParam, lParam);
}

class DisplayTest : public WndTest {
protected:
    static void SetUpTestSuite() {
        g_server = new Xvfb;
        StartXvfbDisplay(*g_server);
    }
    static void TearDownTestSuite() {
        g_server->Stop();
        delete g_server;
        g_server = nullptr;
    }
    void SetUp() override {
        WndTest::SetUp();
        if (g_server->display().empty())
            GTEST_SKIP() << "Xvfb is not available";
        g_seen = Seen{};
        window_ = CreateWindowEx(0, Class("DisplayPainted", &PaintedProcedure), "Shown", WS_POPUP | WS_VISIBLE, 100,
                                 80, 240, 160, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
        Pump();
        std::string error;
        display_ = DisplayWindow::Open(window_, &error);
        ASSERT_NE(display_, nullptr) << error;
    }
    void TearDown() override {
        display_.reset();
        if (IsWindow(window_))
            DestroyWindow(window_);
        WndTest::TearDown();
    }
    void Push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1); }
    void PushKey(Uint32 type, SDL_Keycode key, Uint16 mod = KMOD_NONE) {
        ASSERT_TRUE(PushKeyEvent(display_->WindowId(), type, key, mod));
    }
    void PushText(const char* utf8) { ASSERT_TRUE(PushTextEvent(display_->WindowId(), utf8)); }
    // What the desktop sends for one typed key: press, text, release.
    void Type(SDL_Keycode key, const char* utf8) {
        PushKey(SDL_KEYDOWN, key);
        PushText(utf8);
        PushKey(SDL_KEYUP, key);
    }
    void Deliver() {
        ASSERT_TRUE(display_->Pump(0));
        Pump();
    }

    HWND window_ = nullptr;
    std::unique_ptr<DisplayWindow> display_;
};

TEST_F(DisplayTest, TheDesktopShowsTheWindowExactlyAsItsHeadlessCapture) {
    std::vector<std::uint32_t> expected;
    {
        Capture screen = Capture::OfScreen();
        for (int y = 80; y < 240; ++y)
            for (int x = 100; x < 340; ++x) {
                const COLORREF pixel = screen.At(x, y);
                expected.push_back(static_cast<std::uint32_t>(GetRValue(pixel)) << 16 |
                                   static_cast<std::uint32_t>(GetGValue(pixel)) << 8 | GetBValue(pixel));
            }
    }
    std::vector<std::uint32_t> desktop;
    // The server draws asynchronously: each round waits on its events.
    for (int round = 0; round < 300 && desktop != expected; ++round) {
        ASSERT_TRUE(display_->Pump(KV_DISPLAY_IDLE_WAIT_MS));
        const POINT origin = display_->DesktopOrigin();
        ASSERT_TRUE(DisplayGrabDesktop(RECT{origin.x, origin.y, origin.x + 240, origin.y + 160}, desktop));
    }
    EXPECT_EQ(display_->DesktopOrigin(), (POINT{100, 80}));
    EXPECT_GE(display_->PresentCount(), 1u);
    EXPECT_TRUE(desktop == expected);
}

TEST_F(DisplayTest, DesktopMouseAndKeysArriveAsInputAtTheMatchingPoints) {
    SetFocus(window_);
    SDL_Event event{};
    event.type = SDL_MOUSEBUTTONDOWN;
    event.button.windowID = display_->WindowId();
    event.button.button = SDL_BUTTON_LEFT;
    event.button.state = SDL_PRESSED;
    event.button.x = 30;
    event.button.y = 40;
    Push(event);
    event.type = SDL_MOUSEBUTTONUP;
    event.button.state = SDL_RELEASED;
    Push(event);
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.windowID = display_->WindowId();
    key.key.keysym.sym = SDLK_RETURN;
    Push(key);
    ASSERT_TRUE(display_->Pump(0));
    Pump();
    ASSERT_EQ(g_seen.mouse.size(), 2u);
    EXPECT_EQ(g_seen.mouse[0].first, WM_LBUTTONDOWN);
    EXPECT_EQ(g_seen.mouse[0].second, (POINT{30, 40}));
    EXPECT_EQ(g_seen.mouse[1].first, WM_LBUTTONUP);
    EXPECT_EQ(g_seen.keys, std::vector<WPARAM>{VK_RETURN});
    WndResetInput();
}

TEST_F(DisplayTest, EachTypedCharacterArrivesOnceInWindows1252) {
    SetFocus(window_);
    for (const char c : std::string("x.y-z,w A1;/"))
        Type(static_cast<SDL_Keycode>(c == 'A' ? 'a' : c), std::string(1, c).c_str());
    // The desktop's characters beyond ASCII; the ideograph has no byte.
    PushText("\xC3\xA4\xE2\x82\xAC\xE6\x97\xA5\xC3\x9F");
    Deliver();
    EXPECT_EQ(g_seen.characters, "x.y-z,w A1;/\xE4\x80\xDF");
    // The space's own key types it; the others come as packets.
    EXPECT_EQ(std::count(g_seen.keys.begin(), g_seen.keys.end(), static_cast<WPARAM>(VK_SPACE)), 1);
    EXPECT_EQ(std::count(g_seen.keys.begin(), g_seen.keys.end(), static_cast<WPARAM>(VK_PACKET)), 14);
    WndResetInput();
}

TEST_F(DisplayTest, CtrlCodesComeFromTheKeysAndNavigationKeysAsKeyCodes) {
    SetFocus(window_);
    // The whole chord in one round: each key keeps the modifiers it came with.
    PushKey(SDL_KEYDOWN, SDLK_LCTRL, KMOD_LCTRL);
    PushKey(SDL_KEYDOWN, SDLK_c, KMOD_LCTRL);
    PushKey(SDL_KEYUP, SDLK_c, KMOD_LCTRL);
    PushKey(SDL_KEYUP, SDLK_LCTRL);
    PushKey(SDL_KEYDOWN, SDLK_LCTRL, KMOD_LCTRL);
    PushKey(SDL_KEYDOWN, SDLK_a, KMOD_LCTRL);
    PushKey(SDL_KEYUP, SDLK_a, KMOD_LCTRL);
    PushKey(SDL_KEYUP, SDLK_LCTRL);
    Type(SDLK_7, "7");
    Deliver();
    EXPECT_EQ(g_seen.characters, "\x03\x01" "7");
    EXPECT_EQ(g_seen.keys, (std::vector<WPARAM>{VK_CONTROL, 'C', VK_CONTROL, 'A', VK_PACKET}));
    EXPECT_GE(GetKeyState('C'), 0) << "the release followed its press";
    EXPECT_GE(GetKeyState(VK_CONTROL), 0);

    g_seen = Seen{};
    for (const SDL_Keycode key : {SDLK_HOME, SDLK_END, SDLK_INSERT, SDLK_PAGEUP, SDLK_PAGEDOWN, SDLK_F4, SDLK_LALT,
                                  SDLK_DOWN, SDLK_TAB, SDLK_LSHIFT, SDLK_TAB}) {
        PushKey(SDL_KEYDOWN, key);
        if (key != SDLK_LALT && key != SDLK_LSHIFT)
            PushKey(SDL_KEYUP, key);
    }
    Deliver();
    EXPECT_EQ(g_seen.keys, (std::vector<WPARAM>{VK_HOME, VK_END, VK_INSERT, VK_PRIOR, VK_NEXT, VK_F4, VK_MENU,
                                                 VK_DOWN, VK_TAB, VK_SHIFT, VK_TAB}));
    EXPECT_LT(GetKeyState(VK_MENU), 0);
    EXPECT_EQ(g_seen.characters, "\t\t");

    // The keypad moves without Num Lock; with it, its digit comes as text.
    g_seen = Seen{};
    PushKey(SDL_KEYDOWN, SDLK_KP_7);
    PushKey(SDL_KEYDOWN, SDLK_KP_3);
    PushKey(SDL_KEYDOWN, SDLK_KP_7, KMOD_NUM);
    PushText("7");
    Deliver();
    EXPECT_EQ(g_seen.keys, (std::vector<WPARAM>{VK_HOME, VK_NEXT, VK_PACKET}));
    EXPECT_EQ(g_seen.characters, "7");
    WndResetInput();
}

// A burst from the desktop reaches the thread in one round: characters and
// navigation keys still act in the order they were typed.
TEST_F(DisplayTest, ABurstTypedIntoAnEditKeepsTheOrderOfItsKeys) {
    const struct {
        std::vector<SDL_Keycode> keys;
        const char* text;
    } cases[] = {{{SDLK_a, SDLK_b, SDLK_HOME, SDLK_c}, "cab"},
                 {{SDLK_a, SDLK_b, SDLK_HOME, SDLK_DELETE}, "b"},
                 {{SDLK_1, SDLK_2, SDLK_HOME, SDLK_3, SDLK_END, SDLK_4}, "3124"}};
    for (const auto& typed : cases) {
        SCOPED_TRACE(typed.text);
        CEdit edit;
        ASSERT_TRUE(edit.Create(WS_VISIBLE | ES_AUTOHSCROLL, CRect(10, 60, 200, 80),
                                CWnd::FromHandle(window_), 7));
        edit.SetFocus();
        Pump();
        for (const SDL_Keycode key : typed.keys) {
            if (key == SDLK_HOME || key == SDLK_END || key == SDLK_DELETE) {
                PushKey(SDL_KEYDOWN, key);
                PushKey(SDL_KEYUP, key);
            } else {
                Type(key, std::string(1, static_cast<char>(key)).c_str());
            }
        }
        Deliver();
        std::string text;
        edit.GetWindowText(text);
        EXPECT_EQ(text, typed.text);
        edit.DestroyWindow();
    }
    WndResetInput();
}

TEST_F(DisplayTest, ClosingTheDesktopWindowEndsTheNestedLoopAndClosesTheWindow) {
    display_->InstallIdleHook();
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = display_->WindowId();
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    Push(event);
    EXPECT_FALSE(RunNestedLoop([this] { return IsWindow(window_) != FALSE; }));
    EXPECT_FALSE(display_->IsOpen());
    Pump();
    EXPECT_EQ(g_seen.closes, 1);
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_FALSE(display_->Pump(0));
}

TEST(DisplayOpenTest, NoWindowNoDisplay) {
    std::string error;
    EXPECT_EQ(DisplayWindow::Open(nullptr, &error), nullptr);
    EXPECT_EQ(error, "no window to show");
}

}  // namespace
