#include "controls/kv_painter.h"

#include "tests/support/gui_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class PainterTest : public GdiTest {
protected:
    // A DC wrapper over a canvas.
    struct Wrap {
        explicit Wrap(const Canvas& canvas) { dc.Attach(canvas.dc()); }
        ~Wrap() { dc.Detach(); }
        CDC dc;
    };
    static void Fill(const Canvas& canvas, RECT rect, COLORREF color) {
        Wrap w(canvas);
        w.dc.FillSolidRect(&rect, color);
    }
    static std::vector<RECT> Rects(const std::vector<std::uint8_t>& data, RGNDATAHEADER& header) {
        std::memcpy(&header, data.data(), sizeof(header));
        std::vector<RECT> rects(header.nCount);
        if (!rects.empty())
            std::memcpy(rects.data(), data.data() + sizeof(header), rects.size() * sizeof(RECT));
        return rects;
    }
    CKvPainter painter_;
};

TEST_F(PainterTest, VerticalGradientBands) {
    const COLORREF start = RGB(0, 100, 255);
    const COLORREF end = RGB(255, 0, 0);
    Canvas canvas(4, 510, RGB(1, 2, 3));
    Wrap w(canvas);
    painter_.DrawGradient(&w.dc, RECT{0, 0, 4, 510}, start, end, TRUE);
    EXPECT_EQ(canvas.At(0, 0), start);
    for (int i = 0; i < 255; ++i) {
        EXPECT_EQ(canvas.At(3, 2 * i), CKvPainter::GradientColor(start, end, i)) << i;
        EXPECT_EQ(canvas.At(0, 2 * i + 1), CKvPainter::GradientColor(start, end, i)) << i;
    }
    // Band 254 stops short of the end colour: 254/255 of the way.
    EXPECT_EQ(CKvPainter::GradientColor(start, end, 254), RGB(254, 0, 1));
}

TEST_F(PainterTest, GradientFillsTheFarStripAndRunsHorizontally) {
    Canvas tall(2, 300, RGB(1, 2, 3));
    Canvas wide(300, 2, RGB(1, 2, 3));
    Wrap t(tall);
    Wrap w(wide);
    painter_.DrawGradient(&t.dc, RECT{0, 0, 2, 300}, RGB(0, 0, 0), RGB(255, 255, 255), TRUE);
    painter_.DrawGradient(&w.dc, RECT{0, 0, 300, 2}, RGB(0, 0, 0), RGB(255, 255, 255), FALSE);
    EXPECT_EQ(tall.Count(RGB(1, 2, 3)), 0);
    EXPECT_EQ(wide.Count(RGB(1, 2, 3)), 0);
    EXPECT_EQ(tall.At(0, 299), RGB(254, 254, 254));
    EXPECT_EQ(wide.At(299, 1), RGB(254, 254, 254));
    EXPECT_EQ(wide.At(0, 0), RGB(0, 0, 0));
    for (int x = 0; x < 300; ++x)
        EXPECT_EQ(wide.At(x, 0), wide.At(x, 1));
}

TEST_F(PainterTest, FramesWithRoundedEndsAreSymmetric) {
    Canvas canvas(41, 81, RGB(255, 255, 255));
    Wrap w(canvas);
    const RECT rect{0, 0, 40, 80};
    painter_.DrawFrame3D(&w.dc, &rect, RGB(0, 0, 0), RGB(0, 0, 0), RGB(0, 0, 0), RGB(0, 0, 0), 0,
                         TRUE, TRUE, 0);
    // r = 20: half circles, so the frame is its own mirror image both ways
    // (an arc's bounding box excludes its bottom edge).
    const auto pixels = canvas.Pixels();
    const auto at = [&](int x, int y) { return pixels[static_cast<std::size_t>(y * 41 + x)]; };
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x <= 40; ++x) {
            EXPECT_EQ(at(x, y), at(40 - x, y)) << x << "," << y;
            EXPECT_EQ(at(x, y), at(x, 79 - y)) << x << "," << y;
        }
    EXPECT_EQ(canvas.At(20, 0), RGB(0, 0, 0));
    EXPECT_EQ(canvas.At(0, 40), RGB(0, 0, 0));
    EXPECT_NE(canvas.At(0, 0), RGB(0, 0, 0));
}

TEST_F(PainterTest, ChamfersSidesColoursAndClampedCorners) {
    const RECT rect{2, 2, 22, 12};
    Canvas chamfer(30, 20);
    Wrap c(chamfer);
    painter_.DrawFrame3D(&c.dc, &rect, RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255),
                         RGB(255, 255, 0), 3, FALSE, FALSE, 0);
    EXPECT_EQ(chamfer.At(2, 2), RGB(255, 255, 255));
    EXPECT_EQ(chamfer.At(10, 2), RGB(255, 0, 0));
    EXPECT_EQ(chamfer.At(10, 12), RGB(0, 255, 0));
    EXPECT_EQ(chamfer.At(2, 7), RGB(0, 0, 255));
    EXPECT_EQ(chamfer.At(22, 7), RGB(255, 255, 0));

    Canvas huge(30, 20);
    Canvas clamped(30, 20);
    Wrap h(huge);
    Wrap k(clamped);
    painter_.DrawFrame3D(&h.dc, &rect, 0, 0, 0, 0, 500, FALSE, FALSE, 0);
    painter_.DrawFrame3D(&k.dc, &rect, 0, 0, 0, 0, 19, FALSE, FALSE, 0);
    EXPECT_EQ(huge.Pixels(), clamped.Pixels());
}

TEST_F(PainterTest, HorizontalPaintersAndOutlinesInTheDcPen) {
    const RECT rect{1, 1, 41, 21};
    Canvas rounded(45, 25);
    Wrap r(rounded);
    painter_.DrawFrame3DHorizontal(&r.dc, &rect, 0, 0, 0, 0, 0, TRUE, TRUE, 0);
    for (int y = 1; y <= 21; ++y)
        for (int x = 1; x <= 40; ++x)
            EXPECT_EQ(rounded.At(x, y), rounded.At(41 - x, y)) << x << "," << y;
    EXPECT_EQ(rounded.At(21, 1), RGB(0, 0, 0));
    EXPECT_NE(rounded.At(1, 1), RGB(0, 0, 0));

    for (const bool horizontal : {false, true}) {
        Canvas canvas(45, 25);
        Wrap w(canvas);
        CPen red(PS_SOLID, 1, RGB(255, 0, 0));
        CPen* old = w.dc.SelectObject(&red);
        if (horizontal)
            painter_.DrawFrameOutlineHorizontal(&w.dc, 4, &rect, FALSE, TRUE, 5);
        else
            painter_.DrawFrameOutline(&w.dc, 4, &rect, TRUE, FALSE, 5);
        w.dc.SelectObject(old);
        EXPECT_GT(canvas.Count(RGB(255, 0, 0)), 80);
        EXPECT_EQ(canvas.Count(RGB(255, 0, 0)) + canvas.Count(RGB(255, 255, 255)), 45 * 25);
    }
}

TEST_F(PainterTest, RegionOfOpaqueAndTransparentBitmaps) {
    std::vector<std::uint32_t> opaque(6 * 4, 0x123456u);
    std::vector<std::uint8_t> data;
    RGNDATAHEADER header;
    ASSERT_TRUE(CKvPainter::BuildRegionData(opaque, 6, 4, {RGB(255, 0, 255), RGB(255, 0, 255)},
                                            kKvRegionBufferSize, data));
    auto rects = Rects(data, header);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].right, 6);
    EXPECT_EQ(rects[0].bottom, 4);
    EXPECT_EQ(header.nRgnSize, 32u + 4 * 16);
    EXPECT_EQ(header.dwSize, 32u);
    EXPECT_EQ(header.iType, RDH_RECTANGLES);

    std::vector<std::uint32_t> clear(6 * 4, 0xFF00FFu);
    ASSERT_TRUE(CKvPainter::BuildRegionData(clear, 6, 4, {RGB(255, 0, 255), RGB(255, 0, 255)},
                                            kKvRegionBufferSize, data));
    EXPECT_EQ(Rects(data, header).size(), 0u);

    // A lone pixel in the last column; a band that changes shape.
    clear[2 * 6 + 5] = 0;
    ASSERT_TRUE(
        CKvPainter::BuildRegionData(clear, 6, 4, {RGB(255, 0, 255), RGB(255, 0, 255)}, 48, data));
    rects = Rects(data, header);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].left, 5);
    EXPECT_EQ(rects[0].top, 2);
    EXPECT_EQ(rects[0].right, 6);
    EXPECT_EQ(rects[0].bottom, 3);
}

TEST_F(PainterTest, TransparencyComparesBytesByPosition) {
    const KvColorRange magenta{RGB(255, 0, 255), RGB(255, 0, 255)};
    EXPECT_TRUE(CKvPainter::IsTransparent(0xFF00FFu, magenta));
    EXPECT_FALSE(CKvPainter::IsTransparent(0xFE00FFu, magenta));
    // Key red 200, blue 10: the pixel with red 10 and blue 200 is cut out.
    const KvColorRange skewed{RGB(200, 0, 10), RGB(200, 0, 10)};
    EXPECT_TRUE(CKvPainter::IsTransparent(0x0A00C8u, skewed));
    EXPECT_FALSE(CKvPainter::IsTransparent(0xC8000Au, skewed));
    // Ends in either order.
    EXPECT_TRUE(CKvPainter::IsTransparent(0x808080u, {RGB(200, 200, 200), RGB(100, 100, 100)}));
}

TEST_F(PainterTest, RegionFromBitmapCutsTheKeyColour) {
    Canvas canvas(10, 8, RGB(255, 0, 255));
    Fill(canvas, RECT{2, 1, 8, 7}, RGB(10, 20, 30));
    Fill(canvas, RECT{4, 3, 6, 5}, RGB(255, 0, 255));
    const KvColorRange key{RGB(255, 0, 255), RGB(255, 0, 255)};
    CRgn region;
    EXPECT_EQ(painter_.RegionFromBitmap(&region, nullptr, canvas.bitmap(), &key, 1.0f, 1.0f,
                                        kKvRegionBufferSize),
              KV_OK);
    EXPECT_TRUE(region.PtInRegion(2, 1));
    EXPECT_TRUE(region.PtInRegion(7, 6));
    EXPECT_FALSE(region.PtInRegion(4, 3));
    EXPECT_FALSE(region.PtInRegion(1, 1));
    RECT box{};
    region.GetRgnBox(&box);
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.bottom, 7);

    CRgn none;
    EXPECT_EQ(
        painter_.RegionFromBitmap(&none, nullptr, nullptr, &key, 1.0f, 1.0f, kKvRegionBufferSize),
        KV_E_FAIL);
    EXPECT_EQ(none.m_hObject, nullptr);
}

TEST_F(PainterTest, SixteenAndTwentyFourBitPixelsWiden) {
    // Blue, green, red bytes; then 5-6-5 words (white, red), little-endian.
    std::vector<std::uint8_t> wide{0x10, 0x20, 0x30, 0xAA, 0xBB, 0xCC, 0, 0};
    std::vector<std::uint8_t> narrow{0xFF, 0xFF, 0x00, 0xF8, 0, 0, 0, 0};
    CKvPainter::WidenPixels24(wide, 2);
    CKvPainter::WidenPixels16(narrow, 2);
    std::uint32_t out[4];
    std::memcpy(out, wide.data(), 8);
    std::memcpy(out + 2, narrow.data(), 8);
    EXPECT_EQ(out[0], 0x302010u);
    EXPECT_EQ(out[1], 0xCCBBAAu);
    EXPECT_EQ(out[2], 0xFFFFFFu);
    EXPECT_EQ(out[3], 0xFF0000u);
}

} // namespace
