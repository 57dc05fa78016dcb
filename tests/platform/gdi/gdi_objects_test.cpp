#include "platform/gdi/gdi.h"
#include "support/gui_test_support.h"

#include <cstring>

using GdiObjects = GdiTest;

TEST_F(GdiObjects, SysColors_XpTableAndOutOfRange) {
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), 0xD8E9ECu);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), 0xFFFFFFu);
    EXPECT_EQ(GetSysColor(COLOR_BTNTEXT), 0u);
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), RGB(49, 106, 197));
    EXPECT_EQ(GetSysColor(-1), 0u);
    EXPECT_EQ(GetSysColor(31), 0u);
    EXPECT_EQ(GetSysColorBrush(31), nullptr);
}

TEST_F(GdiObjects, SysColorBrushes_FillWithTheirColourAndCannotBeDeleted) {
    Canvas canvas(4, 2);
    const RECT left{0, 0, 2, 2};
    const RECT right{2, 0, 4, 2};
    FillRect(canvas.dc(), &left, GetSysColorBrush(COLOR_BTNFACE));
    FillRect(canvas.dc(), &right, reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_HIGHLIGHT + 1)));
    EXPECT_EQ(canvas.At(1, 1), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(canvas.At(3, 1), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(DeleteObject(GetSysColorBrush(COLOR_BTNFACE)), TRUE);
    FillRect(canvas.dc(), &left, GetSysColorBrush(COLOR_WINDOWTEXT));
    EXPECT_EQ(canvas.At(0, 0), 0u);
}

TEST_F(GdiObjects, StockObjects_TheListedOnesExistAndStayAlive) {
    for (int index : {NULL_BRUSH, WHITE_BRUSH, BLACK_BRUSH, NULL_PEN, BLACK_PEN, SYSTEM_FONT, DEFAULT_GUI_FONT}) {
        SCOPED_TRACE(index);
        HGDIOBJ object = GetStockObject(index);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(GetStockObject(index), object);
        EXPECT_EQ(DeleteObject(object), TRUE);
        EXPECT_EQ(GetStockObject(index), object);
    }
    EXPECT_EQ(GetStockObject(1), nullptr);
    EXPECT_NE(GetStockObject(SYSTEM_FONT), GetStockObject(DEFAULT_GUI_FONT));
}

TEST_F(GdiObjects, GetObject_GivesBitmapAndFontRecords) {
    HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 7, 3);
    BITMAP record;
    EXPECT_EQ(GetObject(bitmap, 0, nullptr), static_cast<int>(sizeof(BITMAP)));
    ASSERT_EQ(GetObject(bitmap, sizeof(record), &record), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(record.bmWidth, 7);
    EXPECT_EQ(record.bmHeight, 3);
    EXPECT_EQ(record.bmWidthBytes, 28);
    EXPECT_EQ(record.bmBitsPixel, 32);
    EXPECT_EQ(record.bmPlanes, 1);
    EXPECT_EQ(record.bmBits, nullptr);
    EXPECT_EQ(GetObject(bitmap, sizeof(record) - 1, &record), 0);

    LOGFONT logfont;
    logfont.lfHeight = -15;
    logfont.lfWeight = FW_BOLD;
    logfont.lfItalic = 1;
    std::strcpy(logfont.lfFaceName, "Tahoma");
    HFONT font = CreateFontIndirect(&logfont);
    ASSERT_NE(font, nullptr);
    LOGFONT read;
    ASSERT_EQ(GetObject(font, sizeof(read), &read), static_cast<int>(sizeof(LOGFONT)));
    EXPECT_EQ(read.lfHeight, -15);
    EXPECT_EQ(read.lfWeight, FW_BOLD);
    EXPECT_EQ(read.lfItalic, 1);
    EXPECT_STREQ(read.lfFaceName, "Tahoma");

    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    EXPECT_EQ(GetObject(pen, sizeof(read), &read), 0);
    DeleteObject(pen);
    DeleteObject(font);
    DeleteObject(bitmap);
}

TEST_F(GdiObjects, Pens_OnlySolidThinOrNull) {
    EXPECT_EQ(CreatePen(1, 1, 0), nullptr);
    EXPECT_EQ(CreatePen(PS_SOLID, 2, 0), nullptr);
    for (int width : {0, 1}) {
        HPEN pen = CreatePen(PS_SOLID, width, RGB(1, 2, 3));
        ASSERT_NE(pen, nullptr);
        EXPECT_EQ(DeleteObject(pen), TRUE);
    }
    HPEN null_pen = CreatePen(PS_NULL, 0, 0);
    EXPECT_NE(null_pen, nullptr);
    DeleteObject(null_pen);
}

TEST_F(GdiObjects, Handles_StaleDeletedAndWrongTypeAreRefusedAndCounted) {
    const GdiStatistics before = GdiGetStatistics();
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    EXPECT_EQ(GdiGetStatistics().live_objects, before.live_objects + 1);
    EXPECT_EQ(DeleteObject(brush), TRUE);
    EXPECT_EQ(GdiGetStatistics().live_objects, before.live_objects);
    // The slot is reused by the next object; the old handle stays dead.
    HBRUSH next = CreateSolidBrush(RGB(4, 5, 6));
    EXPECT_NE(next, brush);
    EXPECT_EQ(DeleteObject(brush), FALSE);
    EXPECT_EQ(GetObject(brush, 0, nullptr), 0);
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(dc, brush), nullptr);
    EXPECT_EQ(DeleteObject(reinterpret_cast<HGDIOBJ>(dc)), FALSE);
    EXPECT_EQ(DeleteDC(reinterpret_cast<HDC>(next)), FALSE);
    EXPECT_EQ(SelectObject(dc, dc), nullptr);
    const RECT area{0, 0, 1, 1};
    EXPECT_EQ(FillRect(dc, &area, reinterpret_cast<HBRUSH>(dc)), 0);
    ExpectRefused(7);
    // Null handles fail without counting.
    EXPECT_EQ(DeleteObject(nullptr), FALSE);
    EXPECT_EQ(SelectObject(dc, nullptr), nullptr);
    EXPECT_EQ(DeleteObject(next), TRUE);
    EXPECT_EQ(DeleteDC(dc), TRUE);
    EXPECT_EQ(DeleteDC(dc), FALSE);
    ExpectRefused(1);
}
