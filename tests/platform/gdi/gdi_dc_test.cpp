#include "platform/gdi/gdi.h"
#include "support/gui_test_support.h"

using GdiDc = GdiTest;

TEST_F(GdiDc, NewDc_HasTheDocumentedDefaults) {
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetTextColor(dc), 0u);
    EXPECT_EQ(GetBkColor(dc), 0xFFFFFFu);
    EXPECT_EQ(GetBkMode(dc), OPAQUE);
    POINT previous{-1, -1};
    MoveToEx(dc, 3, 4, &previous);
    EXPECT_EQ(previous, (POINT{0, 0}));
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    HBRUSH brush = CreateSolidBrush(0);
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(SelectObject(dc, font), GetStockObject(SYSTEM_FONT));
    EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), pen);
    EXPECT_EQ(SelectObject(dc, GetStockObject(WHITE_BRUSH)), brush);
    DeleteObject(pen);
    DeleteObject(brush);
    DeleteDC(dc);
}

TEST_F(GdiDc, SaveDc_NestsAndRestoresEverything) {
    Canvas canvas(4, 4);
    HDC dc = canvas.dc();
    HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HPEN blue = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
    HGDIOBJ original_pen = SelectObject(dc, red);
    SetTextColor(dc, RGB(1, 1, 1));
    MoveToEx(dc, 1, 1, nullptr);
    EXPECT_EQ(SaveDC(dc), 1);
    SelectObject(dc, blue);
    SetTextColor(dc, RGB(2, 2, 2));
    SetBkMode(dc, TRANSPARENT);
    MoveToEx(dc, 2, 2, nullptr);
    EXPECT_EQ(SaveDC(dc), 2);
    SetTextColor(dc, RGB(3, 3, 3));
    SetBkColor(dc, RGB(9, 9, 9));

    EXPECT_EQ(RestoreDC(dc, -1), TRUE);
    EXPECT_EQ(GetTextColor(dc), RGB(2, 2, 2));
    EXPECT_EQ(GetBkColor(dc), 0xFFFFFFu);
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    EXPECT_EQ(RestoreDC(dc, 1), TRUE);
    EXPECT_EQ(GetTextColor(dc), RGB(1, 1, 1));
    EXPECT_EQ(GetBkMode(dc), OPAQUE);
    POINT position;
    MoveToEx(dc, 0, 0, &position);
    EXPECT_EQ(position, (POINT{1, 1}));
    EXPECT_EQ(RestoreDC(dc, 1), FALSE);
    EXPECT_EQ(RestoreDC(dc, -1), FALSE);
    EXPECT_EQ(SelectObject(dc, original_pen), red);
    EXPECT_EQ(DeleteObject(red), TRUE);
    EXPECT_EQ(DeleteObject(blue), TRUE);
}

TEST_F(GdiDc, DeletingAnObjectThatADcHolds_IsRefusedEvenInASavedState) {
    Canvas canvas(4, 4);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HGDIOBJ original = SelectObject(canvas.dc(), brush);
    EXPECT_EQ(DeleteObject(brush), FALSE);
    SaveDC(canvas.dc());
    SelectObject(canvas.dc(), original);
    EXPECT_EQ(DeleteObject(brush), FALSE);
    RestoreDC(canvas.dc(), -1);
    SelectObject(canvas.dc(), original);
    EXPECT_EQ(DeleteObject(brush), TRUE);
    // A bitmap selected into one memory DC cannot go into a second, nor be
    // deleted.
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(other, canvas.bitmap()), nullptr);
    EXPECT_EQ(DeleteObject(canvas.bitmap()), FALSE);
    DeleteDC(other);
    ExpectRefused(4);
}

TEST_F(GdiDc, SelectClipRgn_CopiesTheRegionAndNullRestores) {
    Canvas canvas(10, 4);
    HRGN region = CreateRectRgn(2, 0, 4, 4);
    EXPECT_EQ(SelectClipRgn(canvas.dc(), region), SIMPLEREGION);
    OffsetRgn(region, 4, 0);
    EXPECT_EQ(DeleteObject(region), TRUE);
    RECT box;
    EXPECT_EQ(GetClipBox(canvas.dc(), &box), SIMPLEREGION);
    EXPECT_EQ(box, (RECT{2, 0, 4, 4}));
    const RECT all{0, 0, 10, 4};
    FillRect(canvas.dc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(DumpPixels(canvas.bitmap(), RECT{0, 0, 10, 1}, {{0, '#'}, {0xFFFFFF, '.'}}), "..##......\n");
    EXPECT_EQ(GetPixel(canvas.dc(), 0, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(canvas.dc(), 2, 0), 0u);
    EXPECT_EQ(SelectClipRgn(canvas.dc(), nullptr), SIMPLEREGION);
    FillRect(canvas.dc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(canvas.Count(0), 40);
}

TEST_F(GdiDc, WindowDc_DrawsAtItsOriginWithinItsSystemClip) {
    HBITMAP target = CreateCompatibleBitmap(nullptr, 12, 6);
    HRGN system_clip = CreateRectRgn(3, 1, 9, 5);
    HDC dc = GdiCreateWindowDC(target, POINT{3, 1}, system_clip);
    DeleteObject(system_clip);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(DeleteObject(target), FALSE);
    ExpectRefused(1);
    const RECT all{-100, -100, 100, 100};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HRGN clip = CreateRectRgn(1, 1, 20, 20);
    EXPECT_EQ(SelectClipRgn(dc, clip), SIMPLEREGION);
    DeleteObject(clip);
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RECT box;
    GetClipBox(dc, &box);
    EXPECT_EQ(box, (RECT{1, 1, 6, 4}));
    EXPECT_EQ(GetPixel(dc, 1, 1), 0u);
    EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
    EXPECT_EQ(DumpPixels(target, RECT{0, 0, 12, 6}, {{0, '#'}, {0xFFFFFF, '.'}}),
              "############\n"
              "###......###\n"
              "###.########\n"
              "###.########\n"
              "###.########\n"
              "############\n");
    DeleteDC(dc);
    EXPECT_EQ(DeleteObject(target), TRUE);
}

TEST_F(GdiDc, ScreenDc_DrawsToTheScreenBitmap) {
    HDC nowhere = GdiCreateScreenDC();
    const RECT all{0, 0, 4, 4};
    EXPECT_EQ(FillRect(nowhere, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))), 1);
    DeleteDC(nowhere);
    HBITMAP screen = CreateCompatibleBitmap(nullptr, 4, 4);
    GdiSetScreenBitmap(screen);
    HDC dc = GdiCreateScreenDC();
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(GetPixel(dc, 3, 3), 0xFFFFFFu);
    DeleteDC(dc);
    EXPECT_EQ(DeleteObject(screen), FALSE);
    ExpectRefused(1);
    GdiSetScreenBitmap(nullptr);
    EXPECT_EQ(DeleteObject(screen), TRUE);
}
