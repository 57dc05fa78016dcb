#include "platform/wnd/wnd.h"
#include "support/wnd_test_support.h"

#include <vector>

namespace {

constexpr COLORREF kRed = RGB(200, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 200);
constexpr COLORREF kYellow = RGB(250, 250, 0);

// Paints nothing of its own: only the class brush shows.
LRESULT Plain(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProc(window, message, wParam, lParam);
}

// Copies its parent's pixels under it, as a transparent control does.
LRESULT CopiesParent(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND)
        return 1;
    if (message != WM_PAINT)
        return DefWindowProc(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HWND parent = GetParent(window);
    RECT rect;
    GetWindowRect(window, &rect);
    POINT corner{rect.left, rect.top};
    ScreenToClient(parent, &corner);
    HDC parent_dc = GetDC(parent);
    BitBlt(dc, 0, 0, rect.right - rect.left, rect.bottom - rect.top, parent_dc, corner.x, corner.y, SRCCOPY);
    ReleaseDC(parent, parent_dc);
    EndPaint(window, &paint);
    return 0;
}

RECT last_paint_rect;
// Fills everything it may with yellow.
LRESULT FillsYellow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT)
        return DefWindowProc(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    last_paint_rect = paint.rcPaint;
    HBRUSH brush = CreateSolidBrush(kYellow);
    RECT all{0, 0, 1000, 1000};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    EndPaint(window, &paint);
    return 0;
}

class WndPaintTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        red_ = CreateSolidBrush(kRed);
        blue_ = CreateSolidBrush(kBlue);
        Class("WndRed", Plain, 0, red_);
        Class("WndBlue", Plain, 0, blue_);
    }
    void TearDown() override {
        UnregisterClass("WndRed", nullptr);
        UnregisterClass("WndBlue", nullptr);
        DeleteObject(red_);
        DeleteObject(blue_);
        WndTest::TearDown();
    }
    static HWND Make(const char* class_name, DWORD style, RECT rect, HWND parent = nullptr, DWORD ex_style = 0) {
        return CreateWindowEx(ex_style, class_name, "", style | WS_VISIBLE, rect.left, rect.top, rect.right - rect.left,
                              rect.bottom - rect.top, parent, nullptr, nullptr, nullptr);
    }
    // Fills the whole client area through GetDC.
    static void FillThroughGetDC(HWND window) {
        HDC dc = GetDC(window);
        HBRUSH brush = CreateSolidBrush(kYellow);
        RECT all{0, 0, 1000, 1000};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        ReleaseDC(window, dc);
    }

    HBRUSH red_ = nullptr;
    HBRUSH blue_ = nullptr;
};

TEST_F(WndPaintTest, AParentErasesAndPaintsBeforeItsChildren) {
    HWND parent = Make("WndRed", WS_POPUP, {0, 0, 100, 100});
    HWND child = Make("WndBlue", WS_CHILD, {10, 10, 40, 40}, parent);
    MessageSpy spy;
    spy.Watch(parent);
    spy.Watch(child);
    Pump();
    const std::vector<std::pair<HWND, UINT>> expected = {
        {parent, WM_PAINT}, {parent, WM_ERASEBKGND}, {child, WM_PAINT}, {child, WM_ERASEBKGND}};
    EXPECT_EQ(spy.Only({WM_PAINT, WM_ERASEBKGND}), expected);
    const Capture picture = Capture::OfWindow(parent);
    EXPECT_EQ(picture.At(5, 5), kRed);
    EXPECT_EQ(picture.At(10, 10), kBlue);
    EXPECT_EQ(picture.At(39, 39), kBlue);
    EXPECT_EQ(picture.At(40, 40), kRed);
    DestroyWindow(parent);
}

TEST_F(WndPaintTest, AChildCopiesItsParentsPixels) {
    Class("WndCopier", CopiesParent);
    HWND parent = Make("WndRed", WS_POPUP | WS_BORDER, {50, 50, 150, 150});
    HWND child = Make("WndCopier", WS_CHILD, {20, 20, 60, 60}, parent);
    Pump();
    const Capture picture = Capture::OfWindow(child);
    EXPECT_EQ(picture.Count(kRed), 40 * 40);
    DestroyWindow(parent);
}

TEST_F(WndPaintTest, ClipChildrenAndClipSiblingsKeepOthersPixels) {
    for (DWORD clip : {0u, WS_CLIPCHILDREN}) {
        HWND parent = Make("WndRed", WS_POPUP | clip, {0, 0, 100, 100});
        HWND child = Make("WndBlue", WS_CHILD, {10, 10, 30, 30}, parent);
        Pump();
        FillThroughGetDC(parent);
        const Capture picture = Capture::OfWindow(child);
        EXPECT_EQ(picture.Count(kBlue), clip ? 400 : 0);
        DestroyWindow(parent);
    }
    for (DWORD clip : {0u, WS_CLIPSIBLINGS}) {
        HWND parent = Make("WndRed", WS_POPUP, {0, 0, 100, 100});
        HWND below = Make("WndBlue", WS_CHILD | clip, {0, 0, 50, 50}, parent);
        HWND above = Make("WndBlue", WS_CHILD, {25, 25, 75, 75}, parent);
        Pump();
        FillThroughGetDC(below);
        const Capture picture = Capture::OfWindow(above);
        EXPECT_EQ(picture.Count(kBlue), clip ? 50 * 50 : 50 * 50 - 25 * 25);
        DestroyWindow(parent);
    }
}

TEST_F(WndPaintTest, InvalidatingAParentReachesTheChildrenItOverlaps) {
    for (DWORD clip : {0u, WS_CLIPCHILDREN}) {
        HWND parent = Make("WndRed", WS_POPUP | clip, {0, 0, 100, 100});
        HWND inside = Make("WndBlue", WS_CHILD, {10, 10, 30, 30}, parent);
        HWND elsewhere = Make("WndBlue", WS_CHILD, {60, 60, 90, 90}, parent);
        Pump();
        MessageSpy spy;
        spy.Watch(parent);
        spy.Watch(inside);
        spy.Watch(elsewhere);
        const RECT rect{0, 0, 20, 20};
        InvalidateRect(parent, &rect, TRUE);
        Pump();
        EXPECT_EQ(spy.Count(parent, WM_PAINT), 1);
        EXPECT_EQ(spy.Count(inside, WM_PAINT), clip ? 0 : 1);
        EXPECT_EQ(spy.Count(elsewhere, WM_PAINT), 0);
        DestroyWindow(parent);
    }
}

TEST_F(WndPaintTest, PaintingStaysInsideTheUpdateRegionAndTheWindowRegion) {
    Class("WndYellow", FillsYellow);
    HWND window = Make("WndYellow", WS_POPUP, {0, 0, 60, 60});
    Pump();
    HDC dc = GetDC(window);
    const RECT all{0, 0, 60, 60};
    FillRect(dc, &all, red_);
    ReleaseDC(window, dc);
    const RECT part{10, 10, 20, 25};
    InvalidateRect(window, &part, FALSE);
    Pump();
    EXPECT_EQ(last_paint_rect, part);
    EXPECT_EQ(Capture::OfWindow(window).Count(kYellow), 10 * 15);

    HWND parent = Make("WndRed", WS_POPUP, {100, 0, 200, 100});
    HWND round = Make("WndBlue", WS_CHILD, {10, 10, 60, 60}, parent);
    SetWindowRgn(round, CreateRoundRectRgn(0, 0, 51, 51, 30, 30), TRUE);
    Pump();
    const Capture picture = Capture::OfWindow(round);
    EXPECT_EQ(picture.At(0, 0), kRed);
    EXPECT_EQ(picture.At(25, 25), kBlue);
    EXPECT_EQ(picture.At(25, 0), kBlue);
    DestroyWindow(window);
    DestroyWindow(parent);
}

TEST_F(WndPaintTest, FramesArePaintedFlatInSystemColours) {
    struct Row {
        DWORD style;
        DWORD ex_style;
        POINT probe;
        int color;
    };
    const Row rows[] = {
        {WS_POPUP | WS_BORDER, 0, {0, 0}, COLOR_WINDOWFRAME},
        {WS_POPUP | WS_DLGFRAME, 0, {2, 2}, COLOR_3DFACE},
        {WS_POPUP | WS_THICKFRAME, 0, {3, 30}, COLOR_ACTIVEBORDER},
        {WS_OVERLAPPED | WS_CAPTION, 0, {75, 10}, COLOR_ACTIVECAPTION},
        {WS_POPUP, WS_EX_CLIENTEDGE, {1, 1}, COLOR_3DSHADOW},
    };
    for (const Row& row : rows) {
        HWND window = Make("WndRed", row.style, {0, 0, 80, 60}, nullptr, row.ex_style);
        Pump();
        const Capture picture = Capture::OfWindow(window);
        EXPECT_EQ(picture.At(row.probe.x, row.probe.y), GetSysColor(row.color)) << std::hex << row.style;
        RECT client;
        GetClientRect(window, &client);
        POINT inside{client.right / 2, client.bottom / 2};
        MapWindowPoints(window, nullptr, &inside, 1);
        EXPECT_EQ(picture.At(inside.x, inside.y), kRed);
        DestroyWindow(window);
    }
}

TEST_F(WndPaintTest, ShowingAndHidingRepaint) {
    HWND parent = Make("WndRed", WS_POPUP, {0, 0, 100, 100});
    HWND child = CreateWindowEx(0, "WndBlue", "", WS_CHILD, 10, 10, 20, 20, parent, nullptr, nullptr, nullptr);
    Pump();
    EXPECT_EQ(Capture::OfWindow(parent).Count(kBlue), 0);
    ShowWindow(child, SW_SHOW);
    Pump();
    EXPECT_EQ(Capture::OfWindow(parent).Count(kBlue), 400);
    ShowWindow(child, SW_HIDE);
    Pump();
    EXPECT_EQ(Capture::OfWindow(parent).Count(kBlue), 0);
    MoveWindow(child, 50, 50, 10, 10, TRUE);
    ShowWindow(child, SW_SHOW);
    Pump();
    EXPECT_EQ(Capture::OfWindow(parent).At(55, 55), kBlue);
    // Painting now, without the queue.
    InvalidateRect(child, nullptr, TRUE);
    UpdateWindow(child);
    RECT update;
    EXPECT_FALSE(GetUpdateRect(child, &update, FALSE));
    DestroyWindow(parent);
}

TEST_F(WndPaintTest, TheScreenComposesTheTopLevelWindows) {
    HWND back = Make("WndRed", WS_OVERLAPPED | WS_CAPTION, {40, 40, 240, 180});
    SetWindowText(back, "Back");
    HWND front = Make("WndBlue", WS_POPUP | WS_THICKFRAME, {160, 120, 330, 260});
    HWND edged = Make("WndRed", WS_CHILD, {20, 20, 120, 80}, front, WS_EX_CLIENTEDGE);
    HWND round = Make("WndBlue", WS_POPUP | WS_BORDER, {400, 60, 560, 200});
    SetWindowRgn(round, CreateRoundRectRgn(0, 0, 161, 141, 60, 60), TRUE);
    Pump();
    const Capture screen = Capture::OfScreen();
    EXPECT_EQ(screen.At(170, 130), kBlue);
    EXPECT_EQ(screen.At(200, 150), kRed);
    EXPECT_EQ(screen.At(400, 60), GetSysColor(COLOR_BACKGROUND));
    EXPECT_TRUE(MatchesGolden(screen.bitmap(), "platform/wnd", "screen_composition"));
    (void)edged;
    DestroyWindow(back);
    DestroyWindow(front);
    DestroyWindow(round);
}

} // namespace

namespace {

TEST_F(WndPaintTest, TheScreenDcCoversTheScreen) {
    HDC screen = GetDC(nullptr);
    RECT box;
    EXPECT_EQ(GetClipBox(screen, &box), SIMPLEREGION);
    EXPECT_EQ(box, (RECT{0, 0, 1024, 768}));
    HDC memory = CreateCompatibleDC(screen);
    EXPECT_NE(memory, nullptr);
    DeleteDC(memory);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
}

} // namespace
