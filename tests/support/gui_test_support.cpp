#include "support/gui_test_support.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

void GdiTest::SetUp() { start_ = GdiGetStatistics(); }

void GdiTest::TearDown() {
    const GdiStatistics now = GdiGetStatistics();
    EXPECT_EQ(now.live_objects, start_.live_objects) << "GDI objects left alive";
    EXPECT_EQ(now.live_dcs, start_.live_dcs) << "device contexts left alive";
    EXPECT_EQ(now.refused_calls - start_.refused_calls, expected_refusals_) << "refused GDI calls";
}

std::uint64_t GdiTest::RefusedSoFar() const { return GdiGetStatistics().refused_calls - start_.refused_calls; }

Canvas::Canvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateCompatibleBitmap(dc_, width, height);
    previous_ = SelectObject(dc_, bitmap_);
    HBRUSH brush = CreateSolidBrush(fill);
    const RECT all{0, 0, width, height};
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
}

Canvas::~Canvas() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

namespace {

std::vector<std::uint32_t> BitmapPixels(HBITMAP bitmap, int& width, int& height) {
    BITMAP record;
    if (GetObject(bitmap, sizeof(record), &record) != sizeof(record))
        return {};
    width = record.bmWidth;
    height = record.bmHeight;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    GetBitmapBits(bitmap, static_cast<LONG>(pixels.size() * 4), pixels.data());
    return pixels;
}

COLORREF ToColorref(std::uint32_t pixel) {
    return RGB(static_cast<BYTE>(pixel >> 16), static_cast<BYTE>(pixel >> 8), static_cast<BYTE>(pixel));
}

std::uint32_t ToPixel(COLORREF color) {
    return (std::uint32_t{GetRValue(color)} << 16) | (std::uint32_t{GetGValue(color)} << 8) | GetBValue(color);
}

HBITMAP BitmapFromPixels(const std::vector<std::uint32_t>& pixels, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap)
        std::memcpy(bits, pixels.data(), pixels.size() * 4);
    return bitmap;
}

int ChannelDifference(std::uint32_t a, std::uint32_t b) {
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8)
        worst = std::max(worst, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
    return worst;
}

}  // namespace

std::vector<std::uint32_t> Canvas::Pixels() const {
    int width = 0;
    int height = 0;
    return BitmapPixels(bitmap_, width, height);
}

COLORREF Canvas::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return CLR_INVALID;
    return ToColorref(Pixels()[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)]);
}

int Canvas::Count(COLORREF color) const {
    int count = 0;
    for (std::uint32_t pixel : Pixels())
        count += pixel == ToPixel(color) ? 1 : 0;
    return count;
}

std::string DumpPixels(HBITMAP bitmap, const RECT& area, const std::map<COLORREF, char>& legend) {
    int width = 0;
    int height = 0;
    const std::vector<std::uint32_t> pixels = BitmapPixels(bitmap, width, height);
    std::string dump;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            char symbol = ' ';
            if (x >= 0 && y >= 0 && x < width && y < height) {
                const auto it = legend.find(ToColorref(pixels[static_cast<std::size_t>(y * width + x)]));
                symbol = it == legend.end() ? '?' : it->second;
            }
            dump.push_back(symbol);
        }
        dump.push_back('\n');
    }
    return dump;
}

std::string DumpRegion(HRGN region, const RECT& area) {
    std::string dump;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x)
            dump.push_back(PtInRegion(region, x, y) ? '#' : '.');
        dump.push_back('\n');
    }
    return dump;
}

std::vector<RECT> RegionRectangles(HRGN region) {
    const DWORD size = GetRegionData(region, 0, nullptr);
    if (size < sizeof(RGNDATAHEADER))
        return {};
    std::vector<unsigned char> buffer(size);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    if (GetRegionData(region, size, data) != size)
        return {};
    RGNDATAHEADER header;
    std::memcpy(&header, buffer.data(), sizeof(header));
    std::vector<RECT> rectangles(header.nCount);
    if (header.nCount > 0)
        std::memcpy(rectangles.data(), buffer.data() + sizeof(RGNDATAHEADER), header.nCount * sizeof(RECT));
    return rectangles;
}

HRGN RegionOfColor(const Canvas& canvas, COLORREF color) {
    HRGN result = CreateRectRgn(0, 0, 0, 0);
    const std::vector<std::uint32_t> pixels = canvas.Pixels();
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            if (pixels[static_cast<std::size_t>(y * canvas.width() + x)] != ToPixel(color))
                continue;
            int end = x;
            while (end < canvas.width() && pixels[static_cast<std::size_t>(y * canvas.width() + end)] == ToPixel(color))
                ++end;
            HRGN run = CreateRectRgn(x, y, end, y + 1);
            CombineRgn(result, result, run, RGN_OR);
            DeleteObject(run);
            x = end;
        }
    return result;
}

::testing::AssertionResult MatchesGolden(HBITMAP bitmap, const std::string& folder, const std::string& name) {
    namespace fs = std::filesystem;
    const fs::path golden = fs::path(KV_TESTS_SOURCE_DIR) / folder / "golden" / (name + ".png");
    const char* update = std::getenv("KV_UPDATE_GOLDENS");
    if (update && std::strcmp(update, "0") != 0) {
        fs::create_directories(golden.parent_path());
        if (!GdiWritePng(bitmap, golden.string()))
            return ::testing::AssertionFailure() << "could not write " << golden;
        return ::testing::AssertionSuccess();
    }
    int width = 0;
    int height = 0;
    const std::vector<std::uint32_t> actual = BitmapPixels(bitmap, width, height);
    HBITMAP expected_bitmap = GdiReadPng(golden.string());
    if (!expected_bitmap)
        return ::testing::AssertionFailure() << "no golden image " << golden << " (KV_UPDATE_GOLDENS=1 writes it)";
    int expected_width = 0;
    int expected_height = 0;
    const std::vector<std::uint32_t> expected = BitmapPixels(expected_bitmap, expected_width, expected_height);
    DeleteObject(expected_bitmap);
    std::size_t failing = 0;
    std::vector<std::uint32_t> difference(actual.size());
    const bool same_size = width == expected_width && height == expected_height;
    for (std::size_t i = 0; same_size && i < actual.size(); ++i) {
        const bool bad = ChannelDifference(actual[i], expected[i]) > 2;
        failing += bad ? 1 : 0;
        // Failing pixels red, the rest a faded copy of the actual picture.
        difference[i] = bad ? 0xFF0000u : (((actual[i] >> 2) & 0x3F3F3Fu) + 0xBFBFBFu);
    }
    if (same_size && failing * 1000 <= actual.size())
        return ::testing::AssertionSuccess();
    const fs::path out = fs::current_path() / "golden-failures";
    fs::create_directories(out);
    GdiWritePng(bitmap, (out / (name + ".actual.png")).string());
    if (same_size) {
        HBITMAP diff = BitmapFromPixels(difference, width, height);
        GdiWritePng(diff, (out / (name + ".diff.png")).string());
        DeleteObject(diff);
    }
    auto failure = ::testing::AssertionFailure() << name << ": ";
    if (!same_size)
        return failure << "size " << width << "x" << height << ", golden " << expected_width << "x" << expected_height;
    return failure << failing << " of " << actual.size() << " pixels differ; see " << out;
}
