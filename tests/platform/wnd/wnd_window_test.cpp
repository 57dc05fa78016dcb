#include "platform/wnd/wnd.h"
#include "support/wnd_test_support.h"

#include <thread>
#include <utility>
#include <vector>

namespace {

std::vector<std::pair<HWND, UINT>> recorded;

LRESULT Recorder(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_WINDOWPOSCHANGING && message != WM_GETTEXT)
        recorded.emplace_back(window, message);
    return DefWindowProc(window, message, wParam, lParam);
}

class WndWindowTest : public WndTest {
protected:
    HWND Top(DWORD style = WS_POPUP | WS_VISIBLE, RECT rect = {0, 0, 200, 100}, DWORD ex_style = 0,
             const char* class_name = "WndPlain") {
        Class("WndPlain");
        return CreateWindowEx(ex_style, class_name, "top", style, rect.left, rect.top, rect.right - rect.left,
                              rect.bottom - rect.top, nullptr, nullptr, nullptr, nullptr);
    }
    HWND Child(HWND parent, RECT rect, DWORD style = WS_CHILD | WS_VISIBLE, int id = 0, DWORD ex_style = 0) {
        return CreateWindowEx(ex_style, "WndPlain", "", style, rect.left, rect.top, rect.right - rect.left,
                              rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)),
                              nullptr, nullptr);
    }
};

TEST_F(WndWindowTest, CreatingAndDestroyingATreeSendsItsMessagesInOrder) {
    Class("WndRecorded", Recorder);
    recorded.clear();
    HWND parent = CreateWindowEx(0, "WndRecorded", "p", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    HWND first = CreateWindowEx(0, "WndRecorded", "", WS_CHILD, 0, 0, 10, 10, parent, reinterpret_cast<HMENU>(1),
                                nullptr, nullptr);
    HWND second = CreateWindowEx(0, "WndRecorded", "", WS_CHILD, 0, 0, 10, 10, parent, reinterpret_cast<HMENU>(2),
                                 nullptr, nullptr);
    ASSERT_TRUE(parent && first && second);
    EXPECT_TRUE(DestroyWindow(parent));
    const std::vector<std::pair<HWND, UINT>> expected = {
        {parent, WM_NCCREATE}, {parent, WM_CREATE},       {parent, WM_SIZE},       {parent, WM_MOVE},
        {first, WM_NCCREATE},  {first, WM_CREATE},        {first, WM_SIZE},        {first, WM_MOVE},
        {parent, WM_PARENTNOTIFY},
        {second, WM_NCCREATE}, {second, WM_CREATE},       {second, WM_SIZE},       {second, WM_MOVE},
        {parent, WM_PARENTNOTIFY},
        {parent, WM_DESTROY},  {first, WM_DESTROY},       {second, WM_DESTROY},
        {first, WM_NCDESTROY}, {second, WM_NCDESTROY},    {parent, WM_NCDESTROY},
    };
    EXPECT_EQ(recorded, expected);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(WndCountWindows(), 0);
}

TEST_F(WndWindowTest, FrameWidthsFollowTheStyles) {
    struct Row {
        DWORD style;
        DWORD ex_style;
        RECT insets;
    };
    const Row rows[] = {
        {WS_POPUP, 0, {0, 0, 0, 0}},
        {WS_POPUP | WS_BORDER, 0, {1, 1, 1, 1}},
        {WS_POPUP | WS_DLGFRAME, 0, {3, 3, 3, 3}},
        {WS_POPUP | DS_MODALFRAME, 0, {3, 3, 3, 3}},
        {WS_POPUP | WS_THICKFRAME, 0, {4, 4, 4, 4}},
        {WS_OVERLAPPED | WS_CAPTION, 0, {3, 22, 3, 3}},
        {WS_POPUP, WS_EX_CLIENTEDGE, {2, 2, 2, 2}},
        {WS_CAPTION | WS_THICKFRAME, WS_EX_CLIENTEDGE, {6, 25, 6, 6}},
        // The bit of DS_MODALFRAME is a control style in a child.
        {WS_CHILD | DS_MODALFRAME, 0, {0, 0, 0, 0}},
    };
    HWND parent = Top();
    for (const Row& row : rows) {
        RECT adjusted{0, 0, 100, 50};
        ASSERT_TRUE(AdjustWindowRectEx(&adjusted, row.style, FALSE, row.ex_style));
        EXPECT_EQ(adjusted, (RECT{-row.insets.left, -row.insets.top, 100 + row.insets.right, 50 + row.insets.bottom}))
            << std::hex << row.style;
        HWND window = CreateWindowEx(row.ex_style, "WndPlain", "", row.style, 0, 0, 100, 50,
                                     (row.style & WS_CHILD) ? parent : nullptr, nullptr, nullptr, nullptr);
        RECT client;
        ASSERT_TRUE(GetClientRect(window, &client));
        EXPECT_EQ(client, (RECT{0, 0, 100 - row.insets.left - row.insets.right,
                                50 - row.insets.top - row.insets.bottom}))
            << std::hex << row.style;
        DestroyWindow(window);
    }
    DestroyWindow(parent);
}

TEST_F(WndWindowTest, PointsMapThroughThreeLevels) {
    HWND top = Top(WS_POPUP | WS_BORDER | WS_VISIBLE, {100, 50, 400, 350});
    HWND middle = Child(top, {10, 20, 210, 220}, WS_CHILD | WS_VISIBLE, 0, WS_EX_CLIENTEDGE);
    HWND inner = Child(middle, {5, 5, 55, 55});
    POINT point{1, 1};
    ASSERT_TRUE(ClientToScreen(inner, &point));
    EXPECT_EQ(point, (POINT{100 + 1 + 10 + 2 + 5 + 1, 50 + 1 + 20 + 2 + 5 + 1}));
    ASSERT_TRUE(ScreenToClient(inner, &point));
    EXPECT_EQ(point, (POINT{1, 1}));
    RECT rect;
    GetWindowRect(inner, &rect);
    EXPECT_EQ(rect, (RECT{118, 78, 168, 128}));
    POINT mapped[1] = {{0, 0}};
    MapWindowPoints(inner, top, mapped, 1);
    EXPECT_EQ(mapped[0], (POINT{17, 27}));
    EXPECT_EQ(GetParent(inner), middle);
    EXPECT_TRUE(IsChild(top, inner));
    DestroyWindow(top);
}

// A window at the far end of the coordinate range: its edge and the points
// mapped through it stop at the 32-bit limits.
TEST_F(WndWindowTest, EdgesAndPointsPastTheRangeStopAtItsLimits) {
    Class("WndPlain");
    HWND top = CreateWindowEx(0, "WndPlain", "", WS_POPUP, INT32_MAX - 100, 0, 300, 50, nullptr, nullptr, nullptr,
                              nullptr);
    ASSERT_NE(top, nullptr);
    RECT rect;
    ASSERT_TRUE(GetWindowRect(top, &rect));
    EXPECT_EQ(rect, (RECT{INT32_MAX - 100, 0, INT32_MAX, 50}));
    HWND child = Child(top, {150, 0, 250, 10});
    ASSERT_TRUE(GetWindowRect(child, &rect));
    EXPECT_EQ(rect, (RECT{INT32_MAX, 0, INT32_MAX, 10}));
    POINT point{20, 5};
    ASSERT_TRUE(ClientToScreen(child, &point));
    EXPECT_EQ(point, (POINT{INT32_MAX, 5}));
    point = POINT{INT32_MIN, 0};
    ASSERT_TRUE(ScreenToClient(child, &point));
    EXPECT_EQ(point, (POINT{INT32_MIN, 0}));
    POINT mapped[1] = {{INT32_MAX, 0}};
    MapWindowPoints(nullptr, child, mapped, 1);
    EXPECT_EQ(mapped[0], (POINT{0, 0}));
    // From a window at the other end the shift itself stops at the limit.
    HWND low = CreateWindowEx(0, "WndPlain", "", WS_POPUP, INT32_MIN, 0, 300, 50, nullptr, nullptr, nullptr, nullptr);
    mapped[0] = POINT{5, 5};
    MapWindowPoints(low, child, mapped, 1);
    EXPECT_EQ(mapped[0], (POINT{INT32_MIN + 5, 5}));
    DestroyWindow(low);
    DestroyWindow(top);
}

TEST_F(WndWindowTest, SetWindowPosSendsPositionMessagesAndRestacks) {
    HWND top = Top();
    HWND a = Child(top, {0, 0, 50, 50}, WS_CHILD | WS_VISIBLE, 1);
    HWND b = Child(top, {10, 10, 60, 60}, WS_CHILD | WS_VISIBLE, 2);
    HWND c = Child(top, {20, 20, 70, 70}, WS_CHILD | WS_VISIBLE, 3);
    MessageSpy spy;
    spy.Watch(a);
    ASSERT_TRUE(SetWindowPos(a, nullptr, 5, 6, 40, 30, SWP_NOZORDER));
    EXPECT_EQ(spy.Messages(), (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_SIZE, WM_MOVE}));
    spy.Clear();
    ASSERT_TRUE(SetWindowPos(a, nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOSIZE));
    EXPECT_EQ(spy.Messages(), (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE}));
    ASSERT_TRUE(SetWindowPos(a, nullptr, 0, 0, 50, 50, SWP_NOZORDER | SWP_NOMOVE));

    const POINT shared{25, 25};
    EXPECT_EQ(WindowFromPoint(shared), c);
    SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(WindowFromPoint(shared), a);
    SetWindowPos(a, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(WindowFromPoint(shared), c);
    // Placed after b: directly below it.
    SetWindowPos(c, b, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(WindowFromPoint(shared), b);
    BringWindowToTop(c);
    EXPECT_EQ(WindowFromPoint(shared), c);
    EXPECT_EQ(GetDlgItem(top, 2), b);
    EXPECT_EQ(GetDlgCtrlID(c), 3);
    DestroyWindow(top);
}

std::vector<char> chain;
WNDPROC base_procedure = nullptr;
WNDPROC middle_previous = nullptr;
WNDPROC outer_previous = nullptr;

LRESULT BaseProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER) {
        chain.push_back('A');
        return 1;
    }
    return DefWindowProc(window, message, wParam, lParam);
}
LRESULT MiddleProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER)
        chain.push_back('B');
    return CallWindowProc(middle_previous, window, message, wParam, lParam);
}
LRESULT OuterProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER)
        chain.push_back('C');
    return CallWindowProc(outer_previous, window, message, wParam, lParam) + 10;
}

TEST_F(WndWindowTest, SubclassesChainToTheirPredecessors) {
    Class("WndBase", BaseProcedure);
    HWND window = CreateWindowEx(0, "WndBase", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    base_procedure = reinterpret_cast<WNDPROC>(GetWindowLongPtr(window, GWLP_WNDPROC));
    EXPECT_EQ(base_procedure, &BaseProcedure);
    middle_previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtr(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MiddleProcedure)));
    outer_previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtr(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OuterProcedure)));
    chain.clear();
    EXPECT_EQ(SendMessage(window, WM_USER, 0, 0), 11);
    EXPECT_EQ(chain, (std::vector<char>{'C', 'B', 'A'}));
    SetWindowLongPtr(window, GWLP_ID, 77);
    EXPECT_EQ(GetWindowLongPtr(window, GWLP_ID), 77);
    EXPECT_EQ(SetWindowLongPtr(window, GWL_STYLE, WS_POPUP | WS_BORDER), static_cast<LONG_PTR>(WS_POPUP));
    // The frame follows the style only with SWP_FRAMECHANGED.
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 10);
    SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 8);
    DestroyWindow(window);
}

TEST_F(WndWindowTest, OtherThreadsMayOnlyPostAndAsk) {
    HWND window = Top();
    MessageSpy spy;
    spy.Watch(window);
    const std::uint64_t refused = WndGetStatistics().refused_calls;
    LRESULT sent = -1;
    BOOL posted = FALSE;
    BOOL exists = FALSE;
    BOOL destroyed = TRUE;
    std::thread other([&] {
        sent = SendMessage(window, WM_USER, 0, 0);
        posted = PostMessage(window, WM_USER + 1, 0, 0);
        exists = IsWindow(window);
        destroyed = DestroyWindow(window);
    });
    other.join();
    EXPECT_EQ(sent, 0);
    EXPECT_TRUE(posted);
    EXPECT_TRUE(exists);
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(WndGetStatistics().refused_calls - refused, 2u);
    EXPECT_EQ(spy.Count(window, WM_USER), 0);
    Pump();
    EXPECT_EQ(spy.Count(window, WM_USER + 1), 1);
    DestroyWindow(window);
}

class RecordingHooks : public WindowHooks {
public:
    bool PreTranslateMessage(MSG& message) override {
        translated.push_back(message.message);
        return message.message == 0x0812;
    }
    void OnDroppedMessage(const MSG& message) override { dropped.push_back(message); }
    std::vector<UINT> translated;
    std::vector<MSG> dropped;
};

TEST_F(WndWindowTest, MessagesQueuedForADestroyedWindowReachItsHook) {
    HWND window = Top();
    RecordingHooks hooks;
    ASSERT_TRUE(SetWindowHooks(window, &hooks));
    ASSERT_TRUE(PostMessage(window, WM_USER + 5, 7, 8));
    ASSERT_TRUE(PostMessage(window, 0x0812, 1, 2));
    DestroyWindow(window);
    ASSERT_EQ(hooks.dropped.size(), 2u);
    EXPECT_EQ(hooks.dropped[0].message, WM_USER + 5u);
    EXPECT_EQ(hooks.dropped[0].wParam, 7u);
    EXPECT_EQ(hooks.dropped[1].message, 0x0812u);
    EXPECT_FALSE(PostMessage(window, WM_USER, 0, 0));
    Pump();
}

bool destroyed_inside = false;
LRESULT SelfDestroying(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER) {
        destroyed_inside = DestroyWindow(window) != FALSE;
        // The handle is dead, the record still alive until the dispatch returns.
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(GetWindowLongPtr(window, GWL_STYLE), 0);
        EXPECT_EQ(SendMessage(window, WM_USER + 1, 0, 0), 0);
        return 5;
    }
    return DefWindowProc(window, message, wParam, lParam);
}

TEST_F(WndWindowTest, DestroyingAWindowInsideItsOwnHandlerIsSafe) {
    Class("WndSelfDestroying", SelfDestroying);
    for (bool posted : {false, true}) {
        HWND window =
            CreateWindowEx(0, "WndSelfDestroying", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        HWND child = CreateWindowEx(0, "WndSelfDestroying", "", WS_CHILD, 0, 0, 5, 5, window, nullptr, nullptr, nullptr);
        destroyed_inside = false;
        if (posted) {
            PostMessage(child, WM_USER, 0, 0);
            PostMessage(window, WM_USER, 0, 0);
            Pump();
        } else {
            EXPECT_EQ(SendMessage(window, WM_USER, 0, 0), 5);
        }
        EXPECT_TRUE(destroyed_inside);
        EXPECT_FALSE(IsWindow(window));
        EXPECT_FALSE(IsWindow(child));
    }
}

TEST_F(WndWindowTest, AWindowOwnsItsRegion) {
    HWND window = Top();
    HRGN first = CreateRoundRectRgn(0, 0, 200, 100, 20, 20);
    ASSERT_EQ(SetWindowRgn(window, first, TRUE), 1);
    // Nobody else may delete or change it now.
    ExpectRefused(2);
    EXPECT_FALSE(DeleteObject(first));
    EXPECT_EQ(OffsetRgn(first, 1, 1), ERROR);
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(window, copy), COMPLEXREGION);
    EXPECT_TRUE(EqualRgn(copy, first));
    DeleteObject(copy);
    // Replacing deletes the old one; the window deletes the last one.
    ASSERT_EQ(SetWindowRgn(window, CreateRectRgn(0, 0, 50, 50), FALSE), 1);
    DestroyWindow(window);
}

TEST_F(WndWindowTest, TextFontEnableAndStubs) {
    HWND window = Top(WS_POPUP, {0, 0, 50, 50}, WS_EX_LAYERED);
    ASSERT_TRUE(SetWindowText(window, "Caf\xE9"));
    char buffer[3];
    EXPECT_EQ(GetWindowText(window, buffer, sizeof buffer), 2);
    EXPECT_STREQ(buffer, "Ca");
    EXPECT_EQ(GetWindowTextLength(window), 4);
    HFONT font = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessage(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    EXPECT_EQ(SendMessage(window, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(font));
    EXPECT_FALSE(EnableWindow(window, FALSE));
    EXPECT_FALSE(IsWindowEnabled(window));
    EXPECT_TRUE(EnableWindow(window, TRUE));
    EXPECT_TRUE(AnimateWindow(window, 300, AW_BLEND));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(AnimateWindow(window, 300, AW_HIDE | AW_BLEND));
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(SetLayeredWindowAttributes(window, 0, 128, LWA_ALPHA));
    BYTE alpha = 0;
    EXPECT_TRUE(GetLayeredWindowAttributes(window, nullptr, &alpha, nullptr));
    EXPECT_EQ(alpha, 128);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYSIZE), 18);
    DestroyWindow(window);
}

TEST_F(WndWindowTest, BadCallsFailCleanly) {
    EXPECT_EQ(CreateWindowEx(0, "NoSuchClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    Class("WndPlain");
    EXPECT_EQ(CreateWindowEx(0, "WndPlain", "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(CreateWindowEx(0, "WndPlain", "", WS_POPUP, 0, 0, -1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_FALSE(DestroyWindow(nullptr));
    EXPECT_EQ(SendMessage(nullptr, WM_USER, 0, 0), 0);
    EXPECT_FALSE(GetClientRect(nullptr, nullptr));
    EXPECT_EQ(RegisterClassEx(nullptr), 0);
    WNDCLASSEX twice;
    twice.lpszClassName = "WndPlain";
    EXPECT_EQ(RegisterClassEx(&twice), 0);
}

} // namespace

namespace {

TEST_F(WndWindowTest, IconsAndCursorsAreKeptHandles) {
    HWND window = Top();
    HICON icon = LoadIcon(nullptr, "APP_ICON");
    EXPECT_NE(icon, nullptr);
    EXPECT_EQ(LoadIcon(nullptr, "APP_ICON"), icon);
    EXPECT_EQ(LoadCursor(nullptr, IDC_HAND), reinterpret_cast<HCURSOR>(32649));
    EXPECT_EQ(SendMessage(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon)), 0);
    EXPECT_EQ(SendMessage(window, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(icon));
    EXPECT_EQ(SendMessage(window, WM_GETICON, ICON_SMALL, 0), 0);
    DestroyWindow(window);
}

} // namespace
