#include "platform/gdi/gdi_raster.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <utility>

using gdi_raster::LinePixels;
using gdi_raster::RoundRectSpans;
using gdi_raster::Span;

namespace {

std::vector<POINT> Expand(const std::vector<Span>& spans) {
    std::vector<POINT> pixels;
    for (const Span& span : spans)
        for (int x = span.x0; x < span.x1; ++x)
            pixels.push_back(POINT{x, span.y});
    return pixels;
}

}  // namespace

TEST(GdiRaster, LinePixels_AllOctantsStartAtTheStartLeaveOutTheEndAndStep8Connected) {
    const POINT ends[] = {{15, 6}, {6, 15}, {-6, 15}, {-15, 6}, {-15, -6}, {-6, -15}, {6, -15}, {15, -6},
                          {9, 0},  {0, 9},  {-9, 0},  {0, -9},  {7, 7},   {-7, -7}};
    for (const POINT& end : ends) {
        SCOPED_TRACE(testing::Message() << end.x << "," << end.y);
        const std::vector<POINT> pixels = Expand(LinePixels(POINT{0, 0}, end));
        std::set<std::pair<int, int>> seen;
        for (const POINT& p : pixels)
            seen.insert({p.x, p.y});
        EXPECT_EQ(seen.size(), static_cast<std::size_t>(std::max(std::abs(end.x), std::abs(end.y))));
        EXPECT_TRUE(seen.count({0, 0}));
        EXPECT_FALSE(seen.count({end.x, end.y}));
        // Every pixel but the start has a neighbour one step nearer the start.
        for (const auto& [x, y] : seen) {
            if (x == 0 && y == 0)
                continue;
            bool linked = false;
            for (int dx = -1; dx <= 1; ++dx)
                for (int dy = -1; dy <= 1; ++dy)
                    linked = linked || ((dx || dy) && seen.count({x + dx, y + dy}) &&
                                        std::max(std::abs(x + dx), std::abs(y + dy)) < std::max(std::abs(x), std::abs(y)));
            EXPECT_TRUE(linked) << x << "," << y;
        }
    }
}

TEST(GdiRaster, LinePixels_ZeroLengthDrawsNothing) { EXPECT_TRUE(LinePixels(POINT{4, 4}, POINT{4, 4}).empty()); }

TEST(GdiRaster, RoundRectSpans_AreSymmetricAndInsideTheBox) {
    const int sizes[][4] = {{10, 10, 4, 4}, {11, 7, 5, 3}, {12, 12, 12, 12}, {9, 9, 20, 20}, {17, 6, 6, 17}, {1, 1, 1, 1}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(testing::Message() << size[0] << "x" << size[1] << " " << size[2] << "x" << size[3]);
        const auto spans = RoundRectSpans(3, 5, 3 + size[0], 5 + size[1], size[2], size[3]);
        ASSERT_EQ(spans.size(), static_cast<std::size_t>(size[1]));
        for (std::size_t i = 0; i < spans.size(); ++i) {
            const Span& span = spans[i];
            const Span& mirror = spans[spans.size() - 1 - i];
            EXPECT_EQ(span.x0 - 3, 3 + size[0] - span.x1);
            EXPECT_EQ(span.x0, mirror.x0);
            EXPECT_EQ(span.x1, mirror.x1);
            EXPECT_GE(span.x0, 3);
            EXPECT_LE(span.x1, 3 + size[0]);
        }
        // The middle row is always full.
        EXPECT_EQ(spans[spans.size() / 2], (Span{5 + size[1] / 2, 3, 3 + size[0]}));
    }
}

TEST(GdiRaster, RoundRectSpans_SquareCornersAndEmptyBoxes) {
    EXPECT_EQ(RoundRectSpans(0, 0, 4, 2, 0, 0), (std::vector<Span>{{0, 0, 4}, {1, 0, 4}}));
    EXPECT_TRUE(RoundRectSpans(0, 0, 0, 5, 2, 2).empty());
    EXPECT_TRUE(RoundRectSpans(0, 5, 4, 5, 2, 2).empty());
    // A circle of 10 pixels: 4 pixels wide at the top, full at the middle.
    const auto circle = RoundRectSpans(0, 0, 10, 10, 10, 10);
    EXPECT_EQ(circle.front(), (Span{0, 3, 7}));
    EXPECT_EQ(circle[4], (Span{4, 0, 10}));
}
