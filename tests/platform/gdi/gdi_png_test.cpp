#include "platform/gdi/gdi.h"
#include "support/gui_test_support.h"

#include <filesystem>
#include <fstream>

using GdiPng = GdiTest;

TEST_F(GdiPng, WrittenAndReadBack_Identical) {
    Canvas canvas(37, 23);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) {
            HBRUSH brush = CreateSolidBrush(RGB(x * 7, y * 11, (x * y) & 0xFF));
            const RECT pixel{x, y, x + 1, y + 1};
            FillRect(canvas.dc(), &pixel, brush);
            DeleteObject(brush);
        }
    const auto path = std::filesystem::temp_directory_path() / "kv_gdi_png_test.png";
    ASSERT_EQ(GdiWritePng(canvas.bitmap(), path.string()), TRUE);
    HBITMAP read = GdiReadPng(path.string());
    ASSERT_NE(read, nullptr);
    std::vector<std::uint32_t> pixels(37 * 23);
    EXPECT_EQ(GetBitmapBits(read, static_cast<LONG>(pixels.size() * 4), pixels.data()), 37 * 23 * 4);
    EXPECT_EQ(pixels, canvas.Pixels());
    DeleteObject(read);
    std::filesystem::remove(path);
}

TEST_F(GdiPng, MissingOrBrokenFiles_GiveNoBitmap) {
    EXPECT_EQ(GdiReadPng("/nonexistent/kv.png"), nullptr);
    const auto path = std::filesystem::temp_directory_path() / "kv_gdi_broken.png";
    std::ofstream(path) << "\x89PNG\r\n\x1a\nnot really";
    EXPECT_EQ(GdiReadPng(path.string()), nullptr);
    std::filesystem::remove(path);
}
