#pragma once
// Stateless drawing helpers of the skinned controls: frame outlines with
// square, chamfered or rounded ends, two-colour gradients, and window regions
// made from a bitmap without its transparent colour range.

#include "platform/mfc/mfc_gdi.h"
#include "platform/result_codes.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Low and high end of a colour range; either may be the larger.
struct KvColorRange {
    COLORREF low = 0;
    COLORREF high = 0;
};

inline constexpr std::size_t kKvRegionBufferSize = 0x6500;
inline constexpr std::size_t kKvRegionBufferGrowth = 512;

class CKvPainter {
public:
    void DrawFrame3D(CDC* pDC, const RECT* rect, COLORREF top, COLORREF bottom, COLORREF left,
                     COLORREF right, int cornerSize, BOOL roundedTop, BOOL roundedBottom,
                     int radius) const;
    void DrawFrame3DHorizontal(CDC* pDC, const RECT* rect, COLORREF top, COLORREF bottom,
                               COLORREF left, COLORREF right, int cornerSize, BOOL roundedLeft,
                               BOOL roundedRight, int radius) const;
    // In the pen selected into the DC.
    void DrawFrameOutline(CDC* pDC, int cornerSize, const RECT* rect, BOOL roundedTop,
                          BOOL roundedBottom, int radius) const;
    void DrawFrameOutlineHorizontal(CDC* pDC, int cornerSize, const RECT* rect, BOOL roundedLeft,
                                    BOOL roundedRight, int radius) const;
    void DrawGradient(CDC* pDC, RECT rect, COLORREF start, COLORREF end, BOOL vertical) const;

    // Attaches to region the bitmap's pixels outside the range. The DC is not
    // used.
    KvResult RegionFromBitmap(CRgn* region, CDC* pDC, HBITMAP bitmap, const KvColorRange* range,
                              float scaleX, float scaleY, std::size_t bufferSize) const;

    // Colour i of 255 between start and end.
    static COLORREF GradientColor(COLORREF start, COLORREF end, int i);
    // Whether a 0x00RRGGBB pixel lies in the range, comparing byte by byte
    // position (so the range's red byte meets the pixel's blue).
    static bool IsTransparent(std::uint32_t pixel, const KvColorRange& range);
    // 24- and 16-bit (5-6-5) pixels, consecutive, widened in place to 32-bit
    // 0x00RRGGBB; the buffer holds count * 4 bytes.
    static void WidenPixels24(std::span<std::uint8_t> buffer, std::size_t count);
    static void WidenPixels16(std::span<std::uint8_t> buffer, std::size_t count);
    // The RDH_RECTANGLES block of the kept pixels, rows merged; false when a
    // rectangle buffer could not grow.
    static bool BuildRegionData(std::span<const std::uint32_t> pixels, int width, int height,
                                const KvColorRange& range, std::size_t bufferSize,
                                std::vector<std::uint8_t>& out);
};
