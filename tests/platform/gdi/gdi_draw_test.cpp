#include "platform/gdi/gdi.h"
#include "support/gui_test_support.h"

#include <set>
#include <utility>
#include <vector>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

const std::map<COLORREF, char> kLegend{{kWhite, '.'}, {kBlack, '#'}, {kRed, 'r'}};

std::set<std::pair<int, int>> BlackPixels(const Canvas& canvas) {
    std::set<std::pair<int, int>> pixels;
    const std::vector<std::uint32_t> all = canvas.Pixels();
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (all[static_cast<std::size_t>(y * canvas.width() + x)] == 0)
                pixels.insert({x, y});
    return pixels;
}

bool EightConnected(const std::set<std::pair<int, int>>& pixels) {
    if (pixels.empty())
        return true;
    std::set<std::pair<int, int>> reached{*pixels.begin()};
    std::vector<std::pair<int, int>> queue{*pixels.begin()};
    while (!queue.empty()) {
        const auto [x, y] = queue.back();
        queue.pop_back();
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                if (pixels.count({x + dx, y + dy}) && reached.insert({x + dx, y + dy}).second)
                    queue.push_back({x + dx, y + dy});
    }
    return reached.size() == pixels.size();
}

}  // namespace

using GdiDraw = GdiTest;

TEST_F(GdiDraw, LineTo_AllOctantsLeaveOutTheEndPointAndMoveThePosition) {
    const POINT ends[] = {{15, 6}, {6, 15}, {-6, 15}, {-15, 6}, {-15, -6}, {-6, -15}, {6, -15}, {15, -6}};
    for (const POINT& end : ends) {
        SCOPED_TRACE(testing::Message() << end.x << "," << end.y);
        Canvas canvas(41, 41);
        MoveToEx(canvas.dc(), 20, 20, nullptr);
        EXPECT_EQ(LineTo(canvas.dc(), 20 + end.x, 20 + end.y), TRUE);
        const auto pixels = BlackPixels(canvas);
        EXPECT_EQ(pixels.size(), 15u);
        EXPECT_TRUE(pixels.count({20, 20}));
        EXPECT_FALSE(pixels.count({20 + end.x, 20 + end.y}));
        EXPECT_TRUE(EightConnected(pixels));
        POINT position;
        MoveToEx(canvas.dc(), 0, 0, &position);
        EXPECT_EQ(position, (POINT{20 + end.x, 20 + end.y}));
    }
    Canvas canvas(5, 5);
    MoveToEx(canvas.dc(), 2, 2, nullptr);
    LineTo(canvas.dc(), 2, 2);
    EXPECT_EQ(canvas.Count(kBlack), 0);
}

TEST_F(GdiDraw, ArcTo_DrawsTheLineTheArcAndEndsAtTheArcsEnd) {
    Canvas canvas(21, 21);
    MoveToEx(canvas.dc(), 0, 10, nullptr);
    // The upper right quarter of a circle of 11 pixels centred on (10, 10).
    EXPECT_EQ(ArcTo(canvas.dc(), 5, 5, 16, 16, 15, 10, 10, 5), TRUE);
    POINT position;
    MoveToEx(canvas.dc(), 0, 0, &position);
    EXPECT_EQ(position, (POINT{10, 5}));
    EXPECT_EQ(DumpPixels(canvas.bitmap(), RECT{0, 4, 21, 12}, kLegend),
              ".....................\n"
              "..........###........\n"
              ".............#.......\n"
              "..............#......\n"
              "...............#.....\n"
              "...............#.....\n"
              "################.....\n"
              ".....................\n");
}

TEST_F(GdiDraw, ArcTo_WithAnEmptyRectangleDrawsItsLineToTheStartAndEndsAtTheEnd) {
    // Square corners: four arcs of size 0 still make the whole frame.
    Canvas canvas(12, 12);
    HDC dc = canvas.dc();
    MoveToEx(dc, 9, 2, nullptr);
    EXPECT_EQ(ArcTo(dc, 2, 2, 2, 2, 2, 2, 2, 2), TRUE);
    EXPECT_EQ(ArcTo(dc, 2, 9, 2, 9, 2, 9, 2, 9), TRUE);
    EXPECT_EQ(ArcTo(dc, 9, 9, 9, 9, 9, 9, 9, 9), TRUE);
    EXPECT_EQ(ArcTo(dc, 9, 2, 9, 2, 9, 2, 9, 2), TRUE);
    EXPECT_EQ(DumpPixels(canvas.bitmap(), RECT{0, 1, 12, 11}, kLegend),
              "............\n"
              "..########..\n"
              "..#......#..\n"
              "..#......#..\n"
              "..#......#..\n"
              "..#......#..\n"
              "..#......#..\n"
              "..#......#..\n"
              "..########..\n"
              "............\n");
    // A flat rectangle: start and end are held inside it.
    Canvas flat(12, 6);
    MoveToEx(flat.dc(), 0, 0, nullptr);
    EXPECT_EQ(ArcTo(flat.dc(), 4, 3, 8, 3, 11, 0, 0, 5), TRUE);
    POINT position;
    MoveToEx(flat.dc(), 0, 0, &position);
    EXPECT_EQ(position, (POINT{4, 3}));
    EXPECT_EQ(flat.Count(kBlack), 8) << "the line to (8, 3), without its end";
    EXPECT_EQ(DumpPixels(flat.bitmap(), RECT{7, 3, 10, 4}, kLegend), "#..\n");
}

TEST_F(GdiDraw, ArcTo_FourQuarterArcsMakeASymmetricConnectedCircleEqualToTheRegionOutline) {
    Canvas canvas(41, 41);
    HDC dc = canvas.dc();
    MoveToEx(dc, 35, 20, nullptr);
    ArcTo(dc, 5, 5, 36, 36, 35, 20, 20, 5);
    ArcTo(dc, 5, 5, 36, 36, 20, 5, 5, 20);
    ArcTo(dc, 5, 5, 36, 36, 5, 20, 20, 35);
    ArcTo(dc, 5, 5, 36, 36, 20, 35, 35, 20);
    const auto pixels = BlackPixels(canvas);
    for (const auto& [x, y] : pixels) {
        EXPECT_TRUE(pixels.count({40 - x, y})) << x << "," << y;
        EXPECT_TRUE(pixels.count({x, 40 - y})) << x << "," << y;
    }
    EXPECT_TRUE(EightConnected(pixels));

    Canvas framed(41, 41);
    HRGN circle = CreateRoundRectRgn(5, 5, 37, 37, 31, 31);
    FrameRgn(framed.dc(), circle, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 1, 1);
    EXPECT_EQ(BlackPixels(framed), pixels);
    DeleteObject(circle);
}

TEST_F(GdiDraw, RoundRect_PaintsExactlyTheRoundRectRegionOnePixelLarger) {
    struct Case {
        int left, top, right, bottom, width, height;
    };
    const Case cases[] = {
        {0, 0, 10, 10, 4, 4},   {1, 2, 12, 9, 5, 3},    {2, 3, 30, 20, 8, 6},   {0, 0, 9, 9, 20, 20},
        {0, 0, 12, 12, 12, 12}, {3, 1, 20, 8, 7, 7},    {0, 0, 13, 13, 13, 13}, {4, 4, 5, 5, 2, 2},
        {0, 0, 31, 17, 0, 0},   {5, 0, 16, 30, 11, 40},
    };
    HBRUSH red = CreateSolidBrush(kRed);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.left << "," << c.top << "," << c.right << "," << c.bottom << " "
                                        << c.width << "x" << c.height);
        Canvas canvas(40, 40);
        HGDIOBJ previous = SelectObject(canvas.dc(), red);
        EXPECT_EQ(RoundRect(canvas.dc(), c.left, c.top, c.right, c.bottom, c.width, c.height), TRUE);
        SelectObject(canvas.dc(), previous);
        HRGN painted = RegionOfColor(canvas, kBlack);
        HRGN inside = RegionOfColor(canvas, kRed);
        CombineRgn(painted, painted, inside, RGN_OR);
        HRGN expected = CreateRoundRectRgn(c.left, c.top, c.right + 1, c.bottom + 1, c.width, c.height);
        EXPECT_TRUE(EqualRgn(painted, expected)) << DumpRegion(painted, RECT{0, 0, 32, 32}) << "\n"
                                                 << DumpRegion(expected, RECT{0, 0, 32, 32});
        // The outline is the region's inner boundary.
        Canvas framed(40, 40);
        FrameRgn(framed.dc(), expected, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 1, 1);
        EXPECT_EQ(BlackPixels(framed), BlackPixels(canvas));
        DeleteObject(painted);
        DeleteObject(inside);
        DeleteObject(expected);
    }
    DeleteObject(red);
}

TEST_F(GdiDraw, Rectangle_LeavesOutRightAndBottomAndEmptyOnesPaintNothing) {
    Canvas canvas(10, 7);
    HBRUSH red = CreateSolidBrush(kRed);
    HGDIOBJ previous = SelectObject(canvas.dc(), red);
    Rectangle(canvas.dc(), 2, 1, 8, 6);
    Rectangle(canvas.dc(), 9, 1, 9, 6);
    Rectangle(canvas.dc(), 9, 6, 8, 1);
    EXPECT_EQ(DumpPixels(canvas.bitmap(), RECT{0, 0, 10, 7}, kLegend),
              "..........\n"
              "..######..\n"
              "..#rrrr#..\n"
              "..#rrrr#..\n"
              "..#rrrr#..\n"
              "..######..\n"
              "..........\n");
    SelectObject(canvas.dc(), previous);
    DeleteObject(red);
}

TEST_F(GdiDraw, NullPenAndNullBrush_PaintNothing) {
    Canvas canvas(20, 20);
    HDC dc = canvas.dc();
    SelectObject(dc, GetStockObject(NULL_PEN));
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, 1, 1, 15, 15);
    RoundRect(dc, 1, 1, 15, 15, 5, 5);
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, 19, 19);
    ArcTo(dc, 0, 0, 20, 20, 20, 10, 10, 0);
    const RECT all{0, 0, 20, 20};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
    EXPECT_EQ(canvas.Count(kWhite), 400);
    // A null pen with a brush fills the whole shape.
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    Rectangle(dc, 1, 1, 5, 5);
    EXPECT_EQ(canvas.Count(kBlack), 16);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
}

TEST_F(GdiDraw, FillRect_CoversLeftTopInclusiveRightBottomExclusive) {
    Canvas canvas(6, 4);
    const RECT rect{1, 1, 4, 3};
    EXPECT_EQ(FillRect(canvas.dc(), &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 1);
    const RECT inverted{4, 3, 1, 1};
    FillRect(canvas.dc(), &inverted, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(DumpPixels(canvas.bitmap(), RECT{0, 0, 6, 4}, kLegend),
              "......\n"
              ".###..\n"
              ".###..\n"
              "......\n");
}

TEST_F(GdiDraw, HugeShapesAndCoordinates_AreRefusedNotRasterised) {
    Canvas canvas(8, 8);
    HDC dc = canvas.dc();
    MoveToEx(dc, 0, 0, nullptr);
    EXPECT_EQ(LineTo(dc, 100000, 100000), FALSE);
    EXPECT_EQ(LineTo(dc, 1 << 28, 0), FALSE);
    EXPECT_EQ(RoundRect(dc, 0, 0, 100000, 100000, 8, 8), FALSE);
    EXPECT_EQ(ArcTo(dc, -100000, 0, 100000, 8, 0, 0, 8, 8), FALSE);
    EXPECT_EQ(CreateRoundRectRgn(0, 0, 200000, 5, 3, 3), nullptr);
    RECT far{0, 0, 1 << 30, 10};
    EXPECT_EQ(DrawText(dc, "x", 1, &far, 0), 0);
    ExpectRefused(6);
    // Square corners need no rasterising: a huge rectangle is fine.
    EXPECT_EQ(Rectangle(dc, -100000, -100000, 100000, 100000), TRUE);
    EXPECT_EQ(canvas.Count(RGB(255, 255, 255)), 64);
    HRGN big = CreateRoundRectRgn(-100000, -100000, 100000, 100000, 0, 0);
    EXPECT_NE(big, nullptr);
    DeleteObject(big);
}

TEST_F(GdiDraw, Shapes_MatchTheirGoldenPicture) {
    Canvas canvas(96, 64, GetSysColor(COLOR_BTNFACE));
    HDC dc = canvas.dc();
    HPEN blue = CreatePen(PS_SOLID, 1, RGB(0, 60, 116));
    HBRUSH light = CreateSolidBrush(RGB(255, 255, 255));
    SelectObject(dc, blue);
    SelectObject(dc, light);
    RoundRect(dc, 4, 4, 44, 26, 6, 6);
    Rectangle(dc, 50, 4, 90, 26);
    // A button face outline: two half circles joined by lines.
    MoveToEx(dc, 14, 55, nullptr);
    LineTo(dc, 80, 55);
    ArcTo(dc, 70, 34, 91, 56, 80, 55, 80, 34);
    LineTo(dc, 14, 34);
    ArcTo(dc, 4, 34, 25, 56, 14, 34, 14, 55);
    HRGN round = CreateRoundRectRgn(30, 40, 66, 51, 10, 10);
    FillRgn(dc, round, GetSysColorBrush(COLOR_HIGHLIGHT));
    FrameRgn(dc, round, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 1, 1);
    DeleteObject(round);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(blue);
    DeleteObject(light);
    EXPECT_TRUE(MatchesGolden(canvas.bitmap(), "platform/gdi", "shapes"));
}
