#include "controls/control_description.h"

#include "skin_test_support.h"
#include "support/gui_test_support.h"

#include <cmath>
#include <limits>

namespace {

TEST(ControlDescription, RectanglesAreOnePixelSmallerAndWrap) {
    CRect window, client;
    KvDescriptionRects(10, 10, 100, 20, window, client);
    EXPECT_EQ(window, CRect(10, 10, 109, 29));
    EXPECT_EQ(client, CRect(0, 0, 99, 19));
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    KvDescriptionRects(kMax, 0, 2, 0, window, client);
    EXPECT_EQ(window.right, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(window.bottom, -1);
    EXPECT_EQ(client.bottom, -1);
}

TEST(ControlDescription, FontHeightScalesTowardZeroAndSaturates) {
    EXPECT_EQ(KvScaleFontHeight(-11, 1.5f), -16);
    EXPECT_EQ(KvScaleFontHeight(11, 1.5f), 16);
    EXPECT_EQ(KvScaleFontHeight(-11, 1e30f), std::numeric_limits<LONG>::min());
    EXPECT_EQ(KvScaleFontHeight(11, 1e30f), std::numeric_limits<LONG>::max());
    EXPECT_EQ(KvScaleFontHeight(11, -std::numeric_limits<float>::infinity()),
              std::numeric_limits<LONG>::min());
    EXPECT_EQ(KvScaleFontHeight(11, std::nanf("")), 11);
}

TEST(ControlDescription, ImageFilesNeedACatalogAndLieBelowItsFolder) {
    const std::string file = "a.bmp";
    CKvBitmap bitmap;
    EXPECT_EQ(KvLoadDescriptionImage(bitmap, KvImageSource{file, 0, false}, nullptr,
                                     KvImageFolder(), nullptr),
              KV_E_FAIL);
    EXPECT_EQ(KvImagePath("C:\\gui", file, KvThemeImageFolder()), "C:\\gui\\Themes\\a.bmp");
    EXPECT_EQ(KvImagePath("C:\\gui", file, KvImageFolder()), "C:\\gui\\Images\\a.bmp");
}

TEST(NoBrushColour, OnlyATopByteOfFFMeansNoBrush) {
    const struct {
        std::uint32_t colour;
        bool none;
    } rows[] = {{0xFF000000u, true}, {0xFFFFFFFFu, true}, {0xFE000000u, false}, {0x7F000000u, false},
                {0x40F0E8E0u, false}, {0x00FFFFFFu, false}};
    for (const auto& row : rows)
        EXPECT_EQ(KvIsNoBrush(row.colour), row.none) << std::hex << row.colour;
}

} // namespace
