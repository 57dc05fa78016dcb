#include "platform/gdi/gdi.h"
#include "support/gui_test_support.h"

#include <cstdlib>
#include <vector>

namespace {

// A 3 x 2 picture whose channels survive 5-bit storage: c == (c5 << 3) | (c5 >> 2).
constexpr std::uint32_t kPicture[2][3] = {{0xFF0000, 0x00FF00, 0x0000FF}, {0x844221, 0xC6C6C6, 0x000000}};

BITMAPINFO Info(int width, int height, int bit_count) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bit_count);
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// The picture as DIB rows of the bit count, bottom-up unless top_down.
std::vector<unsigned char> Encode(int bit_count, bool top_down) {
    const int stride = (3 * bit_count + 31) / 32 * 4;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(stride * 2), 0xEE);
    for (int row = 0; row < 2; ++row) {
        const int y = top_down ? row : 1 - row;
        unsigned char* out = bytes.data() + row * stride;
        for (int x = 0; x < 3; ++x) {
            const std::uint32_t p = kPicture[y][x];
            const unsigned r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            if (bit_count == 16) {
                const unsigned value = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
                out[2 * x] = static_cast<unsigned char>(value);
                out[2 * x + 1] = static_cast<unsigned char>(value >> 8);
            } else {
                unsigned char* q = out + x * (bit_count / 8);
                q[0] = static_cast<unsigned char>(b);
                q[1] = static_cast<unsigned char>(g);
                q[2] = static_cast<unsigned char>(r);
            }
        }
    }
    return bytes;
}

}  // namespace

using GdiBitmap = GdiTest;

TEST_F(GdiBitmap, SetDiBits_EveryFormatAndDirectionGivesTheSamePixels) {
    const std::vector<std::uint32_t> expected{0xFF0000, 0x00FF00, 0x0000FF, 0x844221, 0xC6C6C6, 0x000000};
    for (int bit_count : {16, 24, 32}) {
        for (bool top_down : {false, true}) {
            SCOPED_TRACE(testing::Message() << bit_count << (top_down ? " top-down" : " bottom-up"));
            const auto bytes = Encode(bit_count, top_down);
            if (bit_count == 24) {
                EXPECT_EQ(bytes.size(), 24u);  // 9 bytes a row padded to 12
            }
            const BITMAPINFO info = Info(3, top_down ? -2 : 2, bit_count);
            HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 3, 2);
            EXPECT_EQ(SetDIBits(nullptr, bitmap, 0, 2, bytes.data(), bytes.size(), &info, DIB_RGB_COLORS), 2);
            std::vector<std::uint32_t> pixels(6, 0xDEADBEEF);
            EXPECT_EQ(GetBitmapBits(bitmap, 24, pixels.data()), 24);
            EXPECT_EQ(pixels, expected);
            DeleteObject(bitmap);
        }
    }
}

TEST_F(GdiBitmap, SetDiBits_RefusesShortDataAndFailsOtherFormats) {
    HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 3, 2);
    const auto bytes = Encode(24, false);
    const BITMAPINFO info = Info(3, 2, 24);
    EXPECT_EQ(SetDIBits(nullptr, bitmap, 0, 2, bytes.data(), bytes.size() - 1, &info, DIB_RGB_COLORS), 0);
    std::vector<std::uint32_t> pixels(6, 1);
    GetBitmapBits(bitmap, 24, pixels.data());
    EXPECT_EQ(pixels, std::vector<std::uint32_t>(6, 0));
    const BITMAPINFO wide = Info(16385, 2, 24);
    EXPECT_EQ(SetDIBits(nullptr, bitmap, 0, 2, bytes.data(), bytes.size(), &wide, DIB_RGB_COLORS), 0);
    ExpectRefused(2);
    for (int bit_count : {1, 4, 8}) {
        const BITMAPINFO palette = Info(3, 2, bit_count);
        EXPECT_EQ(SetDIBits(nullptr, bitmap, 0, 2, bytes.data(), bytes.size(), &palette, DIB_RGB_COLORS), 0);
    }
    BITMAPINFO fields = Info(3, 2, 32);
    fields.bmiHeader.biCompression = 3;
    EXPECT_EQ(SetDIBits(nullptr, bitmap, 0, 2, bytes.data(), bytes.size(), &fields, DIB_RGB_COLORS), 0);
    // A start line and line count copy only those lines (the top one here).
    EXPECT_EQ(SetDIBits(nullptr, bitmap, 1, 5, bytes.data() + 12, 12, &info, DIB_RGB_COLORS), 1);
    GetBitmapBits(bitmap, 24, pixels.data());
    EXPECT_EQ(pixels, (std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0, 0, 0}));
    DeleteObject(bitmap);
}

TEST_F(GdiBitmap, Sizes_BeyondTheLimitsAreRefused) {
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 0, 5), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 16385, 1), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 16384, 4097), nullptr);
    ExpectRefused(3);
    HBITMAP line = CreateCompatibleBitmap(nullptr, 16384, 1);
    EXPECT_NE(line, nullptr);
    DeleteObject(line);
}

TEST_F(GdiBitmap, DibSection_Is32BitTopDownWithWritableBits) {
    BITMAPINFO info = Info(4, -2, 32);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_NE(bits, nullptr);
    static_cast<std::uint32_t*>(bits)[5] = 0x00123456;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0x12, 0x34, 0x56));
    BITMAP record;
    GetObject(bitmap, sizeof(record), &record);
    EXPECT_EQ(record.bmBits, bits);
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(bitmap);
    info = Info(4, 2, 32);
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    info = Info(4, -2, 24);
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
}

TEST_F(GdiBitmap, GetBitmapBits_IsTopDown0x00RRGGBB) {
    Canvas canvas(2, 2, RGB(1, 2, 3));
    const RECT bottom_right{1, 1, 2, 2};
    HBRUSH brush = CreateSolidBrush(RGB(0xAA, 0xBB, 0xCC));
    FillRect(canvas.dc(), &bottom_right, brush);
    DeleteObject(brush);
    std::uint32_t pixels[4] = {};
    EXPECT_EQ(GetBitmapBits(canvas.bitmap(), 16, pixels), 16);
    EXPECT_EQ(pixels[0], 0x00010203u);
    EXPECT_EQ(pixels[3], 0x00AABBCCu);
    std::uint32_t partial[4] = {};
    EXPECT_EQ(GetBitmapBits(canvas.bitmap(), 6, partial), 6);
    EXPECT_EQ(partial[0], 0x00010203u);
    EXPECT_EQ(partial[1], 0x00000203u);
}

TEST_F(GdiBitmap, BitBlt_CopiesThroughClipAndOriginAndOnlyFromInsideTheSource) {
    Canvas source(4, 4, RGB(255, 0, 0));
    const RECT corner{0, 0, 2, 2};
    FillRect(source.dc(), &corner, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    HBITMAP target = CreateCompatibleBitmap(nullptr, 10, 6);
    HDC window = GdiCreateWindowDC(target, POINT{2, 1}, nullptr);
    const RECT all{-5, -5, 20, 20};
    FillRect(window, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HRGN clip = CreateRectRgn(0, 0, 3, 5);
    SelectClipRgn(window, clip);
    DeleteObject(clip);
    // The source area runs one pixel past the source's left and top.
    EXPECT_EQ(BitBlt(window, 0, 0, 5, 5, source.dc(), -1, -1, SRCCOPY), TRUE);
    EXPECT_EQ(DumpPixels(target, RECT{0, 0, 10, 6}, {{0, '#'}, {0x0000FF, 'r'}, {0xFFFFFF, '.'}}),
              "..........\n"
              "..........\n"
              "...##.....\n"
              "...##.....\n"
              "...rr.....\n"
              "...rr.....\n");
    EXPECT_EQ(BitBlt(window, 0, 0, 5, 5, source.dc(), 0, 0, 0x00EE0086), FALSE);
    // A window DC can be a source.
    Canvas copy(3, 3);
    SelectClipRgn(window, nullptr);
    EXPECT_EQ(BitBlt(copy.dc(), 0, 0, 3, 3, window, 1, 1, SRCCOPY), TRUE);
    EXPECT_EQ(copy.At(0, 0), 0u);
    EXPECT_EQ(copy.At(2, 2), RGB(255, 255, 255));
    // Copying within one bitmap moves the picture even when the areas overlap.
    EXPECT_EQ(BitBlt(source.dc(), 1, 1, 3, 3, source.dc(), 0, 0, SRCCOPY), TRUE);
    EXPECT_EQ(DumpPixels(source.bitmap(), RECT{0, 0, 4, 4}, {{0, '#'}, {0xFF, 'r'}}),
              "##rr\n"
              "###r\n"
              "r##r\n"
              "rrrr\n");
    DeleteDC(window);
    DeleteObject(target);
}

TEST_F(GdiBitmap, AlphaBlend_At0At128At255) {
    const COLORREF below = RGB(200, 100, 10);
    const COLORREF above = RGB(20, 240, 130);
    Canvas source(2, 2, above);
    for (int alpha : {0, 128, 255}) {
        SCOPED_TRACE(alpha);
        Canvas dest(2, 2, below);
        BLENDFUNCTION blend;
        blend.SourceConstantAlpha = static_cast<BYTE>(alpha);
        EXPECT_EQ(AlphaBlend(dest.dc(), 0, 0, 2, 2, source.dc(), 0, 0, 2, 2, blend), TRUE);
        const COLORREF result = dest.At(1, 1);
        const auto mix = [alpha](int d, int s) { return (d * (255 - alpha) + s * alpha) / 255.0; };
        EXPECT_NEAR(GetRValue(result), mix(GetRValue(below), GetRValue(above)), 1.0);
        EXPECT_NEAR(GetGValue(result), mix(GetGValue(below), GetGValue(above)), 1.0);
        EXPECT_NEAR(GetBValue(result), mix(GetBValue(below), GetBValue(above)), 1.0);
        if (alpha == 0) {
            EXPECT_EQ(result, below);
        }
        if (alpha == 255) {
            EXPECT_EQ(result, above);
        }
    }
    Canvas dest(2, 2);
    BLENDFUNCTION blend;
    EXPECT_EQ(AlphaBlend(dest.dc(), 0, 0, 2, 2, source.dc(), 0, 0, 1, 2, blend), FALSE);
    blend.AlphaFormat = AC_SRC_ALPHA;
    EXPECT_EQ(AlphaBlend(dest.dc(), 0, 0, 2, 2, source.dc(), 0, 0, 2, 2, blend), FALSE);
}
