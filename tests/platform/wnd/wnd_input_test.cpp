#include "platform/wnd/wnd.h"
#include "support/wnd_test_support.h"

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

INPUT KeyInput(int virtual_key, bool up = false) {
    INPUT input;
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(virtual_key);
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

// Each key press with the Ctrl state seen while handling it, and the
// characters.
struct KeysSeen {
    std::vector<std::pair<WPARAM, bool>> presses;
    std::string characters;
};
KeysSeen g_keys_seen;

LRESULT NotesKeys(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN)
        g_keys_seen.presses.emplace_back(wParam, GetKeyState(VK_CONTROL) < 0);
    else if (message == WM_CHAR)
        g_keys_seen.characters.push_back(static_cast<char>(wParam));
    return DefWindowProc(window, message, wParam, lParam);
}

// The key messages each window handled, in order; a click takes the focus.
std::vector<std::tuple<HWND, UINT, WPARAM>> g_key_messages;

LRESULT NotesKeyMessages(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR)
        g_key_messages.emplace_back(window, message, wParam);
    else if (message == WM_LBUTTONDOWN)
        SetFocus(window);
    return DefWindowProc(window, message, wParam, lParam);
}

LRESULT Transparent(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCHITTEST)
        return HTTRANSPARENT;
    return DefWindowProc(window, message, wParam, lParam);
}

LRESULT TakesCursor(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETCURSOR)
        return TRUE;
    return DefWindowProc(window, message, wParam, lParam);
}

class WndInputTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        Class("WndInput");
        Class("WndDouble", nullptr, CS_DBLCLKS);
    }
    static HWND Make(RECT rect, HWND parent = nullptr, DWORD style = 0, const char* class_name = "WndInput") {
        return CreateWindowEx(0, class_name, "", style | WS_VISIBLE | (parent ? WS_CHILD : WS_POPUP), rect.left,
                              rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, nullptr,
                              nullptr);
    }
    static TRACKMOUSEEVENT Track(HWND window, DWORD flags, DWORD hover_ms = HOVER_DEFAULT) {
        TRACKMOUSEEVENT track;
        track.hwndTrack = window;
        track.dwFlags = flags;
        track.dwHoverTime = hover_ms;
        return track;
    }

    InputDriver input_{clock_};
};

TEST_F(WndInputTest, ClicksPassCutOutCornersAndDisabledChildrenToTheParent) {
    HWND parent = Make({0, 0, 200, 200});
    HWND round = Make({10, 10, 110, 110}, parent);
    SetWindowRgn(round, CreateRoundRectRgn(0, 0, 101, 101, 60, 60), FALSE);
    HWND disabled = Make({120, 10, 180, 60}, parent, WS_DISABLED);
    HWND hidden = CreateWindowEx(0, "WndInput", "", WS_CHILD, 120, 100, 50, 50, parent, nullptr, nullptr, nullptr);
    Pump();
    MessageSpy spy;
    spy.Watch(parent);
    spy.Watch(round);
    input_.Click({11, 11});
    input_.Click({60, 60});
    input_.Click({130, 20});
    input_.Click({130, 110});
    const std::vector<std::pair<HWND, UINT>> expected = {
        {parent, WM_LBUTTONDOWN}, {round, WM_LBUTTONDOWN}, {parent, WM_LBUTTONDOWN}, {parent, WM_LBUTTONDOWN}};
    EXPECT_EQ(spy.Only({WM_LBUTTONDOWN}), expected);
    EXPECT_EQ(WindowFromPoint({130, 20}), parent);
    EXPECT_EQ(WindowFromPoint({130, 110}), parent);
    (void)disabled;
    (void)hidden;
    DestroyWindow(parent);
}

TEST_F(WndInputTest, TransparentWindowsLetThePointThrough) {
    Class("WndTransparent", Transparent);
    HWND parent = Make({0, 0, 100, 100});
    HWND below = Make({10, 10, 60, 60}, parent);
    HWND glass = Make({0, 0, 100, 100}, parent, 0, "WndTransparent");
    EXPECT_EQ(WindowFromPoint({20, 20}), below);
    EXPECT_EQ(WindowFromPoint({80, 80}), parent);
    (void)glass;
    DestroyWindow(parent);
}

TEST_F(WndInputTest, TheCaptureWindowGetsClientCoordinatesEvenNegativeOnes) {
    HWND parent = Make({100, 100, 300, 300});
    HWND child = Make({50, 50, 100, 100}, parent);
    Pump();
    MessageSpy spy;
    spy.Watch(parent);
    spy.Watch(child);
    SetCapture(child);
    input_.MoveTo({110, 120});
    ASSERT_EQ(spy.Log().size(), 1u);
    EXPECT_EQ(spy.Log()[0].window, child);
    EXPECT_EQ(spy.Log()[0].message, WM_MOUSEMOVE);
    EXPECT_EQ(GET_X_LPARAM(spy.Log()[0].lParam), -40);
    EXPECT_EQ(GET_Y_LPARAM(spy.Log()[0].lParam), -30);
    spy.Clear();
    ReleaseCapture();
    EXPECT_EQ(spy.Count(child, WM_CAPTURECHANGED), 1);
    input_.MoveTo({111, 121});
    EXPECT_EQ(spy.Count(parent, WM_MOUSEMOVE), 1);
    EXPECT_EQ(spy.Count(parent, WM_SETCURSOR), 1);
    DestroyWindow(parent);
}

TEST_F(WndInputTest, DoubleClicksNeedTheClassStyleAndTheLimits) {
    HWND plain = Make({0, 0, 100, 100});
    HWND doubled = Make({200, 0, 300, 100}, nullptr, 0, "WndDouble");
    MessageSpy spy;
    spy.Watch(plain);
    spy.Watch(doubled);
    input_.DoubleClick({50, 50});
    EXPECT_EQ(spy.Count(plain, WM_LBUTTONDOWN), 2);
    EXPECT_EQ(spy.Count(plain, WM_LBUTTONDBLCLK), 0);
    spy.Clear();
    input_.DoubleClick({250, 50});
    const std::vector<std::pair<HWND, UINT>> expected = {
        {doubled, WM_SETCURSOR}, {doubled, WM_MOUSEMOVE},    {doubled, WM_SETCURSOR}, {doubled, WM_LBUTTONDOWN},
        {doubled, WM_SETCURSOR}, {doubled, WM_LBUTTONUP},    {doubled, WM_SETCURSOR}, {doubled, WM_LBUTTONDBLCLK},
        {doubled, WM_SETCURSOR}, {doubled, WM_LBUTTONUP}};
    EXPECT_EQ(spy.Only({WM_SETCURSOR, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK}), expected);
    spy.Clear();
    // Too late.
    input_.Click({250, 50});
    clock_.Advance(KV_DOUBLE_CLICK_MS);
    input_.Press();
    input_.Release();
    // Too far: three pixels.
    input_.Advance(1000);
    input_.Click({250, 50});
    input_.MoveTo({253, 50});
    input_.Press();
    input_.Release();
    EXPECT_EQ(spy.Count(doubled, WM_LBUTTONDOWN), 4);
    EXPECT_EQ(spy.Count(doubled, WM_LBUTTONDBLCLK), 0);
    DestroyWindow(plain);
    DestroyWindow(doubled);
}

TEST_F(WndInputTest, LeaveIsPostedOnceWhenTheCursorLeavesOrMovesOntoAChild) {
    HWND parent = Make({0, 0, 200, 200});
    HWND child = Make({100, 100, 150, 150}, parent);
    MessageSpy spy;
    spy.Watch(parent);
    spy.Watch(child);
    input_.MoveTo({10, 10});
    TRACKMOUSEEVENT track = Track(parent, TME_LEAVE);
    ASSERT_TRUE(TrackMouseEvent(&track));
    input_.MoveTo({20, 20});
    EXPECT_EQ(spy.Count(parent, WM_MOUSELEAVE), 0);
    input_.MoveTo({120, 120});
    input_.MoveTo({300, 300});
    EXPECT_EQ(spy.Count(parent, WM_MOUSELEAVE), 1);
    // Already outside: at once.
    track = Track(child, TME_LEAVE);
    ASSERT_TRUE(TrackMouseEvent(&track));
    Pump();
    EXPECT_EQ(spy.Count(child, WM_MOUSELEAVE), 1);
    // Hiding the window under the cursor.
    input_.MoveTo({120, 120});
    track = Track(child, TME_LEAVE);
    TrackMouseEvent(&track);
    ShowWindow(child, SW_HIDE);
    Pump();
    EXPECT_EQ(spy.Count(child, WM_MOUSELEAVE), 2);
    // Cancelled.
    track = Track(parent, TME_LEAVE);
    TrackMouseEvent(&track);
    track.dwFlags = TME_CANCEL | TME_LEAVE;
    TrackMouseEvent(&track);
    input_.MoveTo({300, 300});
    EXPECT_EQ(spy.Count(parent, WM_MOUSELEAVE), 1);
    DestroyWindow(parent);
}

TEST_F(WndInputTest, HoverComesAfterTheCursorRestedTheHoverTime) {
    HWND window = Make({0, 0, 100, 100});
    MessageSpy spy;
    spy.Watch(window);
    input_.MoveTo({50, 50});
    TRACKMOUSEEVENT track = Track(window, TME_HOVER | TME_LEAVE, 100);
    ASSERT_TRUE(TrackMouseEvent(&track));
    input_.Advance(99);
    EXPECT_EQ(spy.Count(window, WM_MOUSEHOVER), 0);
    // Moving within the hover box keeps the time running.
    input_.MoveTo({51, 51});
    input_.Advance(1);
    EXPECT_EQ(spy.Count(window, WM_MOUSEHOVER), 1);
    EXPECT_EQ(spy.Log().back().lParam, MAKELPARAM(51, 51));
    input_.Advance(1000);
    EXPECT_EQ(spy.Count(window, WM_MOUSEHOVER), 1);
    // Moving further starts it again.
    track = Track(window, TME_HOVER, 100);
    TrackMouseEvent(&track);
    input_.Advance(50);
    input_.MoveTo({60, 60});
    input_.Advance(50);
    EXPECT_EQ(spy.Count(window, WM_MOUSEHOVER), 1);
    input_.Advance(50);
    EXPECT_EQ(spy.Count(window, WM_MOUSEHOVER), 2);
    // Cancelled.
    track = Track(window, TME_HOVER, 100);
    TrackMouseEvent(&track);
    track.dwFlags = TME_CANCEL | TME_HOVER;
    TrackMouseEvent(&track);
    input_.Advance(200);
    EXPECT_EQ(spy.Count(window, WM_MOUSEHOVER), 2);
    DestroyWindow(window);
}

TEST_F(WndInputTest, FocusAndKeys) {
    HWND first = Make({0, 0, 50, 50});
    HWND second = Make({100, 0, 150, 50});
    MessageSpy spy;
    spy.Watch(first);
    spy.Watch(second);
    EXPECT_EQ(SetFocus(first), nullptr);
    EXPECT_EQ(SetFocus(second), first);
    EXPECT_EQ(GetFocus(), second);
    const std::vector<std::pair<HWND, UINT>> focus = {
        {first, WM_SETFOCUS}, {first, WM_KILLFOCUS}, {second, WM_SETFOCUS}};
    EXPECT_EQ(spy.Only({WM_SETFOCUS, WM_KILLFOCUS}), focus);
    EXPECT_EQ(spy.Log()[1].wParam, reinterpret_cast<WPARAM>(second));
    EXPECT_EQ(spy.Log()[2].wParam, reinterpret_cast<WPARAM>(first));
    spy.Clear();

    input_.Key('A');
    input_.KeyDown(VK_SHIFT);
    EXPECT_LT(GetKeyState(VK_SHIFT), 0);
    input_.Key('A');
    input_.Key('1');
    input_.KeyUp(VK_SHIFT);
    EXPECT_EQ(GetKeyState(VK_SHIFT), 0);
    input_.KeyDown(VK_CONTROL);
    input_.Key('C');
    input_.KeyUp(VK_CONTROL);
    input_.Key(VK_RETURN);
    input_.Type("\xE9x");
    std::vector<WPARAM> characters;
    for (const auto& entry : spy.Log())
        if (entry.message == WM_CHAR && entry.window == second)
            characters.push_back(entry.wParam);
    EXPECT_EQ(characters, (std::vector<WPARAM>{'a', 'A', '!', 3, '\r', 0xE9, 'x'}));
    EXPECT_EQ(spy.Count(first, WM_KEYDOWN), 0);
    // Destroying the focus window leaves no focus.
    DestroyWindow(second);
    EXPECT_EQ(GetFocus(), nullptr);
    DestroyWindow(first);
}

TEST_F(WndInputTest, TheParentDecidesTheCursorFirst) {
    Class("WndTakesCursor", TakesCursor);
    WNDCLASSEX with_cursor;
    with_cursor.lpszClassName = "WndWithCursor";
    with_cursor.hCursor = reinterpret_cast<HCURSOR>(0x1234);
    UnregisterClass("WndWithCursor", nullptr);
    ASSERT_NE(RegisterClassEx(&with_cursor), 0);
    HWND plain_parent = Make({0, 0, 100, 100});
    Make({10, 10, 50, 50}, plain_parent, 0, "WndWithCursor");
    HWND taking_parent = Make({200, 0, 300, 100}, nullptr, 0, "WndTakesCursor");
    Make({210, 10, 250, 50}, taking_parent, 0, "WndWithCursor");
    SetCursor(nullptr);
    input_.MoveTo({220, 20});
    EXPECT_EQ(GetCursor(), nullptr);
    input_.MoveTo({20, 20});
    EXPECT_EQ(GetCursor(), reinterpret_cast<HCURSOR>(0x1234));
    DestroyWindow(plain_parent);
    DestroyWindow(taking_parent);
    UnregisterClass("WndWithCursor", nullptr);
}

} // namespace

namespace {

TEST_F(WndInputTest, DestroyingAWindowReleasesCaptureFocusAndTracking) {
    HWND parent = Make({0, 0, 200, 200});
    HWND child = Make({10, 10, 100, 100}, parent);
    MessageSpy spy;
    spy.Watch(parent);
    input_.MoveTo({50, 50});
    SetCapture(child);
    SetFocus(child);
    TRACKMOUSEEVENT track = Track(child, TME_LEAVE | TME_HOVER, 10);
    ASSERT_TRUE(TrackMouseEvent(&track));
    DestroyWindow(child);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);
    track = Track(nullptr, TME_QUERY);
    ASSERT_TRUE(TrackMouseEvent(&track));
    EXPECT_EQ(track.hwndTrack, nullptr);
    // The mouse now reaches the parent, and nothing comes for the dead child.
    input_.Advance(100);
    input_.MoveTo({60, 60});
    EXPECT_EQ(spy.Count(parent, WM_MOUSEMOVE), 1);
    DestroyWindow(parent);
}

TEST_F(WndInputTest, HiddenAndDisabledTopLevelWindowsAreNeverHit) {
    HWND below = Make({0, 0, 100, 100});
    HWND above = Make({0, 0, 100, 100});
    EXPECT_EQ(WindowFromPoint({50, 50}), above);
    EnableWindow(above, FALSE);
    EXPECT_EQ(WindowFromPoint({50, 50}), below);
    ShowWindow(below, SW_HIDE);
    EXPECT_EQ(WindowFromPoint({50, 50}), nullptr);
    DestroyWindow(below);
    DestroyWindow(above);
}

TEST_F(WndInputTest, KeysQueuedInOneRoundAreHandledWithTheModifiersTheyCameWith) {
    Class("WndKeys", &NotesKeys);
    HWND window = Make({0, 0, 50, 50}, nullptr, 0, "WndKeys");
    SetFocus(window);
    g_keys_seen = KeysSeen{};
    const std::vector<INPUT> keys = {
        KeyInput(VK_CONTROL), KeyInput('A'), KeyInput('A', true), KeyInput(VK_CONTROL, true),
        KeyInput(VK_SHIFT),   KeyInput('B'), KeyInput('B', true), KeyInput(VK_SHIFT, true),
        KeyInput('7'),        KeyInput('7', true)};
    ASSERT_EQ(SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT)), keys.size());
    // Nothing was handled yet: the injected state is ahead of the messages'.
    EXPECT_GE(GetKeyState(VK_SHIFT), 0);
    EXPECT_GE(GetAsyncKeyState(VK_SHIFT), 0);
    const INPUT held = KeyInput(VK_SHIFT);
    SendInput(1, &held, sizeof(INPUT));
    EXPECT_LT(GetAsyncKeyState(VK_SHIFT), 0);
    EXPECT_GE(GetKeyState(VK_SHIFT), 0);
    Pump();
    EXPECT_EQ(g_keys_seen.characters, "\x01" "B7");
    const std::vector<std::pair<WPARAM, bool>> presses = {
        {VK_CONTROL, true}, {'A', true}, {VK_SHIFT, false}, {'B', false}, {'7', false}, {VK_SHIFT, false}};
    EXPECT_EQ(g_keys_seen.presses, presses);
    EXPECT_LT(GetKeyState(VK_SHIFT), 0);

    // A key message a program posts changes no key state; a key that finds
    // no focus when it is taken counts then, and reaches no window.
    PostMessage(window, WM_KEYDOWN, VK_CONTROL, 1);
    Pump();
    EXPECT_GE(GetKeyState(VK_CONTROL), 0);
    SetFocus(nullptr);
    g_keys_seen = KeysSeen{};
    const INPUT released[] = {KeyInput(VK_SHIFT, true), KeyInput('C'), KeyInput('C', true)};
    SendInput(3, released, sizeof(INPUT));
    EXPECT_LT(GetKeyState(VK_SHIFT), 0);
    Pump();
    EXPECT_GE(GetKeyState(VK_SHIFT), 0);
    EXPECT_TRUE(g_keys_seen.presses.empty());
    EXPECT_EQ(g_keys_seen.characters, "");
    DestroyWindow(window);
    WndResetInput();
}

// A key is addressed to the window that has the focus when it is taken, so a
// key typed behind a click goes where the click put the focus; a message a
// program posts with a key's number keeps the window it was posted to.
TEST_F(WndInputTest, InjectedKeysGoToTheFocusOfTheirTakingAndPostedKeyNumbersKeepTheirWindow) {
    Class("WndKeyMessages", &NotesKeyMessages);
    HWND first = Make({0, 0, 50, 50}, nullptr, 0, "WndKeyMessages");
    HWND second = Make({100, 0, 150, 50}, nullptr, 0, "WndKeyMessages");
    Pump();
    SetFocus(first);
    g_key_messages.clear();
    INPUT click[3];
    for (INPUT& input : click)
        input.type = INPUT_MOUSE;
    click[0].mi.dx = 120;
    click[0].mi.dy = 20;
    click[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(SendInput(3, click, sizeof(INPUT)), 3u);
    ASSERT_TRUE(PostMessage(first, WM_KEYDOWN, VK_F4, 1));
    ASSERT_TRUE(PostMessage(first, WM_CHAR, 'z', 1));
    ASSERT_TRUE(PostMessage(first, WM_KEYUP, VK_F4, 1));
    const INPUT keys[] = {KeyInput('A'), KeyInput('A', true)};
    ASSERT_EQ(SendInput(2, keys, sizeof(INPUT)), 2u);
    Pump();
    using Seen = std::vector<std::tuple<HWND, UINT, WPARAM>>;
    EXPECT_EQ(g_key_messages, (Seen{{first, WM_KEYDOWN, VK_F4},
                                    {first, WM_CHAR, 'z'},
                                    {first, WM_KEYUP, VK_F4},
                                    {second, WM_KEYDOWN, 'A'},
                                    {second, WM_CHAR, 'a'},
                                    {second, WM_KEYUP, 'A'}}));

    // Looked at without being taken, a key shows the focus of that moment.
    g_key_messages.clear();
    ASSERT_EQ(SendInput(1, keys, sizeof(INPUT)), 1u);
    MSG seen;
    ASSERT_TRUE(PeekMessage(&seen, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(std::tuple(seen.window, seen.message, seen.wParam), std::tuple(second, WM_KEYDOWN, WPARAM{'A'}));
    SetFocus(first);
    ASSERT_TRUE(PeekMessage(&seen, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(seen.window, first);
    Pump();
    EXPECT_EQ(g_key_messages, (Seen{{first, WM_KEYDOWN, 'A'}, {first, WM_CHAR, 'a'}}));
    DestroyWindow(first);
    DestroyWindow(second);
    WndResetInput();
}

} // namespace
