// FUZZ_LIBRARIES: kv_gdi
// Feeds arbitrary bytes to the two readers of outside data of the drawing
// layer and checks that
// - ExtCreateRegion either refuses the block or builds a region that
//   GetRegionData gives back unchanged;
// - SetDIBits copies only what the data holds;
// - no object is left alive.

#include "platform/gdi/gdi.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Check(bool condition, const char* what) {
    if (condition)
        return;
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

void FuzzRegion(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return;
    // The first byte picks the transform: none, or a scale of 1 to 4 in x and y.
    const std::uint8_t choice = data[0];
    XFORM scale;
    scale.eM11 = static_cast<float>(1 + (choice & 3));
    scale.eM22 = static_cast<float>(1 + ((choice >> 2) & 3));
    std::vector<std::uint8_t> block(data + 1, data + size);
    const auto* region_data = reinterpret_cast<const RGNDATA*>(block.data());
    HRGN region = ExtCreateRegion((choice & 0x80) ? &scale : nullptr, static_cast<DWORD>(block.size()),
                                  block.empty() ? nullptr : region_data);
    if (!region)
        return;
    const DWORD needed = GetRegionData(region, 0, nullptr);
    std::vector<std::uint8_t> copy(needed);
    Check(GetRegionData(region, needed, reinterpret_cast<RGNDATA*>(copy.data())) == needed, "region data size");
    HRGN again = ExtCreateRegion(nullptr, needed, reinterpret_cast<const RGNDATA*>(copy.data()));
    Check(again != nullptr, "region data not read back");
    Check(EqualRgn(region, again) == TRUE, "region changed on the way back");
    DeleteObject(again);
    DeleteObject(region);
}

void FuzzDibits(const std::uint8_t* data, std::size_t size) {
    if (size < sizeof(BITMAPINFOHEADER))
        return;
    BITMAPINFO info{};
    std::memcpy(&info.bmiHeader, data, sizeof(BITMAPINFOHEADER));
    // Keep the image small so each run is quick.
    info.bmiHeader.biWidth %= 64;
    info.bmiHeader.biHeight %= 64;
    const std::uint8_t* bits = data + sizeof(BITMAPINFOHEADER);
    const std::size_t bits_size = size - sizeof(BITMAPINFOHEADER);
    HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 8, 8);
    const int lines = SetDIBits(nullptr, bitmap, info.bmiHeader.biSizeImage % 4, info.bmiHeader.biClrUsed % 70,
                                bits, bits_size, &info, DIB_RGB_COLORS);
    Check(lines >= 0 && lines <= 64, "line count");
    std::uint32_t pixels[64];
    Check(GetBitmapBits(bitmap, sizeof(pixels), pixels) == sizeof(pixels), "bitmap bits");
    for (std::uint32_t pixel : pixels)
        Check((pixel >> 24) == 0, "unused byte set");
    DeleteObject(bitmap);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const GdiStatistics before = GdiGetStatistics();
    if (size > 0 && (data[0] & 0x40)) {
        FuzzDibits(data + 1, size - 1);
    } else {
        FuzzRegion(data, size);
    }
    const GdiStatistics after = GdiGetStatistics();
    Check(after.live_objects == before.live_objects, "objects left alive");
    return 0;
}
