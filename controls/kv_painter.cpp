#include "controls/kv_painter.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// One pen per side for the 3D painters; the outline painters keep the DC's.
class SidePen {
public:
    SidePen(CDC* dc, bool own) : m_pDC(dc), m_bOwn(own) {}
    ~SidePen() { Drop(); }
    SidePen(const SidePen&) = delete;
    SidePen& operator=(const SidePen&) = delete;
    void Use(COLORREF color) {
        if (!m_bOwn)
            return;
        Drop();
        m_pen.CreatePen(PS_SOLID, 1, color);
        m_pPrevious = m_pDC->SelectObject(&m_pen);
    }

private:
    void Drop() {
        if (!m_pPrevious)
            return;
        m_pDC->SelectObject(m_pPrevious);
        m_pPrevious = nullptr;
        m_pen.DeleteObject();
    }
    CDC* m_pDC;
    bool m_bOwn;
    CPen m_pen;
    CPen* m_pPrevious = nullptr;
};

struct Colors {
    COLORREF top, bottom, left, right;
};

// Radius of the rounded ends, clamped corner size, and how far the first
// (a) and second (b) end reach in along the sides.
struct Ends {
    Ends(int extent, int radius, int cornerSize, bool roundFirst, bool roundSecond)
        : r(radius >= 1 ? std::min(radius, extent / 2) : extent / 2),
          corner(std::clamp(cornerSize, 0, std::max(extent - 1, 0))), a(roundFirst ? r : corner),
          b(roundSecond ? r : corner), roundFirst(roundFirst), roundSecond(roundSecond) {}
    int r;
    int corner;
    int a;
    int b;
    bool roundFirst;
    bool roundSecond;
};

void PathVertical(CDC* dc, const RECT& rc, const Colors& colors, SidePen& pen, const Ends& ends) {
    const auto [r, corner, a, b, roundTop, roundBottom] = ends;
    const HDC h = dc->GetSafeHdc();
    pen.Use(colors.left);
    dc->MoveTo(rc.left, rc.top + a);
    dc->LineTo(rc.left, rc.bottom - b);
    pen.Use(colors.bottom);
    if (roundBottom) {
        ::ArcTo(h, rc.left, rc.bottom - 2 * r, rc.right + 1, rc.bottom, rc.left, rc.bottom - r,
                rc.right, rc.bottom - r);
    } else if (corner == 0) {
        dc->LineTo(rc.right, rc.bottom);
    } else {
        dc->LineTo(rc.left + corner, rc.bottom);
        dc->LineTo(rc.right - corner, rc.bottom);
        dc->LineTo(rc.right, rc.bottom - corner);
    }
    pen.Use(colors.right);
    dc->LineTo(rc.right, rc.top + a);
    pen.Use(colors.top);
    if (roundTop) {
        ::ArcTo(h, rc.left, rc.top, rc.right + 1, rc.top + 2 * r, rc.right, rc.top + r, rc.left,
                rc.top + r);
    } else if (corner == 0) {
        dc->LineTo(rc.right, rc.top);
        dc->LineTo(rc.left, rc.top);
    } else {
        dc->LineTo(rc.right - corner, rc.top);
        dc->LineTo(rc.left + corner, rc.top);
        dc->LineTo(rc.left, rc.top + corner);
    }
    dc->LineTo(rc.left, rc.top + a);
}

void PathHorizontal(CDC* dc, const RECT& rc, const Colors& colors, SidePen& pen, const Ends& ends) {
    const auto [r, corner, a, b, roundLeft, roundRight] = ends;
    const HDC h = dc->GetSafeHdc();
    pen.Use(colors.top);
    dc->MoveTo(rc.right - b, rc.top);
    dc->LineTo(rc.left + a, rc.top);
    pen.Use(colors.left);
    if (roundLeft) {
        ::ArcTo(h, rc.left, rc.top, rc.left + 2 * r, rc.bottom + 1, rc.left + r, rc.top,
                rc.left + r, rc.bottom);
    } else if (corner == 0) {
        dc->LineTo(rc.left, rc.bottom);
    } else {
        dc->LineTo(rc.left, rc.top + corner);
        dc->LineTo(rc.left, rc.bottom - corner);
        dc->LineTo(rc.left + corner, rc.bottom);
    }
    pen.Use(colors.bottom);
    dc->LineTo(rc.right - b, rc.bottom);
    pen.Use(colors.right);
    if (roundRight) {
        ::ArcTo(h, rc.right - 2 * r, rc.top, rc.right, rc.bottom + 1, rc.right - r, rc.bottom,
                rc.right - r, rc.top);
    } else if (corner == 0) {
        dc->LineTo(rc.right, rc.top);
    } else {
        dc->LineTo(rc.right, rc.bottom - corner);
        dc->LineTo(rc.right, rc.top + corner);
        dc->LineTo(rc.right - corner, rc.top);
    }
}

void Frame(CDC* dc, const RECT* rect, const Colors& colors, bool own, int cornerSize,
           bool roundFirst, bool roundSecond, int radius, bool horizontal) {
    if (!dc || !rect)
        return;
    const RECT& rc = *rect;
    const Ends ends(horizontal ? rc.bottom - rc.top : rc.right - rc.left, radius, cornerSize,
                    roundFirst, roundSecond);
    SidePen pen(dc, own);
    if (horizontal)
        PathHorizontal(dc, rc, colors, pen, ends);
    else
        PathVertical(dc, rc, colors, pen, ends);
}

std::uint32_t Byte(std::uint32_t value, int k) {
    return (value >> (8 * k)) & 0xFFu;
}

} // namespace

void CKvPainter::DrawFrame3D(CDC* pDC, const RECT* rect, COLORREF top, COLORREF bottom,
                             COLORREF left, COLORREF right, int cornerSize, BOOL roundedTop,
                             BOOL roundedBottom, int radius) const {
    Frame(pDC, rect, {top, bottom, left, right}, true, cornerSize, roundedTop, roundedBottom,
          radius, false);
}

void CKvPainter::DrawFrame3DHorizontal(CDC* pDC, const RECT* rect, COLORREF top, COLORREF bottom,
                                       COLORREF left, COLORREF right, int cornerSize,
                                       BOOL roundedLeft, BOOL roundedRight, int radius) const {
    Frame(pDC, rect, {top, bottom, left, right}, true, cornerSize, roundedLeft, roundedRight,
          radius, true);
}

void CKvPainter::DrawFrameOutline(CDC* pDC, int cornerSize, const RECT* rect, BOOL roundedTop,
                                  BOOL roundedBottom, int radius) const {
    Frame(pDC, rect, {}, false, cornerSize, roundedTop, roundedBottom, radius, false);
}

void CKvPainter::DrawFrameOutlineHorizontal(CDC* pDC, int cornerSize, const RECT* rect,
                                            BOOL roundedLeft, BOOL roundedRight, int radius) const {
    Frame(pDC, rect, {}, false, cornerSize, roundedLeft, roundedRight, radius, true);
}

COLORREF CKvPainter::GradientColor(COLORREF start, COLORREF end, int i) {
    COLORREF out = 0;
    for (int k = 0; k < 3; ++k) {
        const double s = Byte(start, k);
        const double e = Byte(end, k);
        const auto c = static_cast<std::int64_t>(s + (e - s) * i / 255.0);
        out |= (static_cast<std::uint32_t>(c) & 0xFFu) << (8 * k);
    }
    return out;
}

void CKvPainter::DrawGradient(CDC* pDC, RECT rect, COLORREF start, COLORREF end,
                              BOOL vertical) const {
    if (!pDC)
        return;
    const int from = vertical ? rect.top : rect.left;
    const int to = vertical ? rect.bottom : rect.right;
    const float step = static_cast<float>(to - from) / 255.0f;
    const auto band = [&](int a, int b, COLORREF color) {
        if (b <= a)
            return;
        RECT r = rect;
        (vertical ? r.top : r.left) = a;
        (vertical ? r.bottom : r.right) = b;
        pDC->FillSolidRect(&r, color);
    };
    int last = from;
    for (int i = 0; i < 255; ++i) {
        const int a = from + static_cast<int>(static_cast<float>(i) * step);
        last = from + static_cast<int>(static_cast<float>(i + 1) * step);
        band(a, last, GradientColor(start, end, i));
    }
    if (last < to)
        band(last, to, GradientColor(start, end, 254));
}

bool CKvPainter::IsTransparent(std::uint32_t pixel, const KvColorRange& range) {
    for (int k = 0; k < 3; ++k) {
        const std::uint32_t l = std::min(Byte(range.low, k), Byte(range.high, k));
        const std::uint32_t u = std::max(Byte(range.low, k), Byte(range.high, k));
        const std::uint32_t p = Byte(pixel, k);
        if (p < l || p > u)
            return false;
    }
    return true;
}

void CKvPainter::WidenPixels24(std::span<std::uint8_t> buffer, std::size_t count) {
    count = std::min(count, buffer.size() / 4);
    for (std::size_t i = count; i-- > 0;) {
        const std::uint8_t* p = buffer.data() + i * 3;
        const std::uint32_t value =
            static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[0];
        std::memcpy(buffer.data() + i * 4, &value, 4);
    }
}

void CKvPainter::WidenPixels16(std::span<std::uint8_t> buffer, std::size_t count) {
    count = std::min(count, buffer.size() / 4);
    for (std::size_t i = count; i-- > 0;) {
        const std::uint32_t v = static_cast<std::uint32_t>(buffer[i * 2]) |
                                static_cast<std::uint32_t>(buffer[i * 2 + 1]) << 8;
        const std::uint32_t red = ((v >> 11) & 0x1F) * 1053 >> 7;
        const std::uint32_t green = ((v >> 5) & 0x3F) * 2073 >> 9;
        const std::uint32_t blue = (v & 0x1F) * 1053 >> 7;
        const std::uint32_t value = red << 16 | green << 8 | blue;
        std::memcpy(buffer.data() + i * 4, &value, 4);
    }
}

bool CKvPainter::BuildRegionData(std::span<const std::uint32_t> pixels, int width, int height,
                                 const KvColorRange& range, std::size_t bufferSize,
                                 std::vector<std::uint8_t>& out) {
    constexpr std::size_t kHeader = sizeof(RGNDATAHEADER);
    constexpr std::size_t kRect = sizeof(RECT);
    std::vector<RECT> rects;
    std::size_t capacity = std::max(bufferSize, kHeader);
    try {
        rects.reserve((capacity - kHeader) / kRect);
        for (int y = 0; y < height; ++y) {
            const std::uint32_t* row =
                pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
            for (int x = 0; x < width;) {
                if (IsTransparent(row[x], range)) {
                    ++x;
                    continue;
                }
                const int x0 = x;
                while (x < width && !IsTransparent(row[x], range))
                    ++x;
                rects.push_back(RECT{x0, y, x, y + 1});
                if (capacity - kHeader - rects.size() * kRect < kRect) {
                    capacity += kKvRegionBufferGrowth;
                    rects.reserve((capacity - kHeader) / kRect);
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    const std::size_t unmerged = rects.size();
    // Each band of equal rows is compared with the row below its current bottom.
    std::vector<RECT> merged;
    merged.reserve(rects.size());
    for (std::size_t g = 0; g < rects.size();) {
        std::size_t n = 1;
        while (g + n < rects.size() && rects[g + n].top == rects[g].top)
            ++n;
        const std::size_t first = merged.size();
        merged.insert(merged.end(), rects.begin() + static_cast<std::ptrdiff_t>(g),
                      rects.begin() + static_cast<std::ptrdiff_t>(g + n));
        std::size_t next = g + n;
        for (;;) {
            std::size_t m = 0;
            while (next + m < rects.size() && rects[next + m].top == rects[next].top)
                ++m;
            const bool same = m == n && next < rects.size() &&
                              rects[next].top == merged[first].bottom &&
                              std::equal(rects.begin() + static_cast<std::ptrdiff_t>(next),
                                         rects.begin() + static_cast<std::ptrdiff_t>(next + m),
                                         merged.begin() + static_cast<std::ptrdiff_t>(first),
                                         [](const RECT& a, const RECT& b) {
                                             return a.left == b.left && a.right == b.right;
                                         });
            if (!same)
                break;
            for (std::size_t i = first; i < merged.size(); ++i)
                ++merged[i].bottom;
            next += m;
        }
        g = next;
    }
    RGNDATAHEADER header;
    header.dwSize = kHeader;
    header.iType = RDH_RECTANGLES;
    header.nCount = static_cast<DWORD>(merged.size());
    header.nRgnSize = static_cast<DWORD>(kHeader + unmerged * kRect);
    header.rcBound = RECT{0, 0, width, height};
    out.assign(kHeader + merged.size() * kRect, 0);
    std::memcpy(out.data(), &header, kHeader);
    if (!merged.empty())
        std::memcpy(out.data() + kHeader, merged.data(), merged.size() * kRect);
    return true;
}

KvResult CKvPainter::RegionFromBitmap(CRgn* region, CDC* /*pDC*/, HBITMAP bitmap,
                                      const KvColorRange* range, float scaleX, float scaleY,
                                      std::size_t bufferSize) const {
    BITMAP info;
    if (!region || !bitmap || !range || ::GetObject(bitmap, sizeof(info), &info) == 0)
        return KV_E_FAIL;
    const int depth = info.bmBitsPixel;
    if ((depth != 16 && depth != 24 && depth != 32) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return KV_E_FAIL;
    const std::size_t count =
        static_cast<std::size_t>(info.bmWidth) * static_cast<std::size_t>(info.bmHeight);
    std::vector<std::uint32_t> pixels;
    std::vector<std::uint8_t> data;
    try {
        pixels.resize(count);
    } catch (const std::bad_alloc&) {
        return KV_E_OUT_OF_MEMORY;
    }
    ::GetBitmapBits(bitmap, static_cast<LONG>(count * 4), pixels.data());
    const std::span<std::uint8_t> bytes(reinterpret_cast<std::uint8_t*>(pixels.data()), count * 4);
    if (depth == 24)
        WidenPixels24(bytes, count);
    else if (depth == 16)
        WidenPixels16(bytes, count);
    if (!BuildRegionData(pixels, info.bmWidth, info.bmHeight, *range, bufferSize, data))
        return KV_E_OUT_OF_MEMORY;
    XFORM transform;
    transform.eM11 = scaleX;
    transform.eM22 = scaleY;
    const HRGN made = ::ExtCreateRegion(&transform, static_cast<DWORD>(data.size()),
                                        reinterpret_cast<const RGNDATA*>(data.data()));
    if (!made)
        return KV_E_FAIL;
    if (!region->Attach(made)) {
        ::DeleteObject(made);
        return KV_E_FAIL;
    }
    return KV_OK;
}
