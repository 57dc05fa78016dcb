#include "controls/skin_background.h"

#include "controls/control_description.h"
#include "platform/geometry.h"

#include <algorithm>
#include <vector>

bool KvMemorySurface::Create(CDC* compatible, int width, int height) {
    Release();
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (!m_dc.CreateCompatibleDC(compatible))
        return false;
    if (!m_bitmap.CreateCompatibleBitmap(compatible, width, height)) {
        m_dc.DeleteDC();
        return false;
    }
    m_previous = ::SelectObject(m_dc.GetSafeHdc(), m_bitmap.GetSafeHandle());
    m_nWidth = width;
    m_nHeight = height;
    return true;
}

void KvMemorySurface::Release() {
    if (m_dc.GetSafeHdc() != nullptr) {
        if (m_previous != nullptr)
            ::SelectObject(m_dc.GetSafeHdc(), m_previous);
        m_dc.DeleteDC();
    }
    m_previous = nullptr;
    m_bitmap.DeleteObject();
    m_nWidth = m_nHeight = 0;
}

void KvFillSurface(CDC& dc, const CRect& area, const KvSurfaceLook& look) {
    if (look.background == look.gradientStart || (look.style & MDS_GRADIENT) == 0) {
        CBrush brush(look.background);
        dc.FillRect(&area, &brush);
        return;
    }
    CKvPainter().DrawGradient(&dc, area, look.gradientStart, look.background,
                              (look.style & MDS_GRADIENT_ISVERTICAL) != 0 ? TRUE : FALSE);
}

void KvBlendImage(CDC& dc, const CRect& area, CKvBitmap& image, bool wallpaper, COLORREF background,
                  KvBlendArea blendArea) {
    const int imageWidth = image.GetWidth();
    const int imageHeight = image.GetHeight();
    if (image.GetSafeHandle() == nullptr || imageWidth < 1 || imageHeight < 1 || area.IsRectEmpty())
        return;
    const BYTE opacity = KvImageOpacity(background);
    if (opacity == 0)
        return;
    KvMemorySurface layer;
    if (!layer.Create(&dc, area.Width(), area.Height()))
        return;
    CDC& layerDC = layer.GetDC();
    layerDC.BitBlt(0, 0, area.Width(), area.Height(), &dc, area.left, area.top, SRCCOPY);
    CDC imageDC;
    if (!imageDC.CreateCompatibleDC(&dc))
        return;
    HGDIOBJ previous = ::SelectObject(imageDC.GetSafeHdc(), image.GetSafeHandle());
    const CRect layerArea(0, 0, area.Width(), area.Height());
    CRect tile(0, 0, imageWidth, imageHeight);
    if (!wallpaper) {
        layerDC.BitBlt(0, 0, imageWidth, imageHeight, &imageDC, 0, 0, SRCCOPY);
    } else {
        // Width and height are at least 1, so both loops end.
        while (layerArea.PtInRect(tile.TopLeft())) {
            while (layerArea.PtInRect(tile.TopLeft())) {
                layerDC.BitBlt(tile.left, tile.top, imageWidth, imageHeight, &imageDC, 0, 0,
                               SRCCOPY);
                tile.OffsetRect(imageWidth, 0);
            }
            tile.OffsetRect(-tile.left, imageHeight);
        }
    }
    ::SelectObject(imageDC.GetSafeHdc(), previous);
    imageDC.DeleteDC();
    BLENDFUNCTION blend;
    blend.BlendOp = AC_SRC_OVER;
    blend.SourceConstantAlpha = opacity;
    blend.AlphaFormat = 0;
    if (wallpaper || blendArea == KvBlendArea::kWhole) {
        dc.AlphaBlend(area.left, area.top, area.Width(), area.Height(), &layerDC, 0, 0,
                      area.Width(), area.Height(), blend);
        return;
    }
    const int width = std::min(imageWidth, area.Width());
    const int height = std::min(imageHeight, area.Height());
    dc.AlphaBlend(area.left, area.top, width, height, &layerDC, 0, 0, width, height, blend);
}

KvResult KvDrawBorder(CDC& dc, CKvBitmap& border, CRect rect, int cornerWidth, int cornerHeight) {
    if (border.GetSafeHandle() == nullptr)
        return KV_OK;
    const int width = border.GetWidth();
    const int height = border.GetHeight();
    if (width != 1 && height != 1)
        return KV_E_FAIL;
    const int length = height == 1 ? width : height;
    if (length < 1)
        return KV_E_FAIL;
    // A strip holds at most 1000 pixels (the loader's limit).
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(length));
    const LONG bytes = static_cast<LONG>(pixels.size() * sizeof(std::uint32_t));
    if (::GetBitmapBits(static_cast<HBITMAP>(border.GetSafeHandle()), bytes, pixels.data()) !=
        bytes)
        return KV_E_FAIL;
    const int rings = std::min(length, kKvBorderRingLimit);
    for (int i = 0; i < rings; ++i) {
        const std::uint32_t pixel = pixels[static_cast<std::size_t>(i)];
        CBrush brush(RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF));
        CRgn ring;
        if (ring.CreateRoundRectRgn(rect.left, rect.top, rect.right, rect.bottom, cornerWidth,
                                    cornerHeight))
            dc.FrameRgn(&ring, &brush, 1, 1);
        if (cornerWidth != 0)
            cornerWidth = KvSatSub(cornerWidth, 1);
        if (cornerHeight != 0)
            cornerHeight = KvSatSub(cornerHeight, 1);
        rect.DeflateRect(1, 1);
    }
    return KV_OK;
}

KvResult KvMakeWindowRegion(CRgn& region, CKvBitmap& image, const KvRegionShape& shape) {
    if (region.GetSafeHandle() != nullptr)
        return KV_OK;
    KvResult result = KV_OK;
    if (shape.useImage && image.GetSafeHandle() != nullptr) {
        const KvColorRange range{shape.transparent, shape.transparent};
        result = CKvPainter().RegionFromBitmap(&region, nullptr,
                                               static_cast<HBITMAP>(image.GetSafeHandle()), &range,
                                               1.0f, 1.0f, kKvRegionBufferSize);
    }
    const CRect& r = shape.rect;
    if (!shape.joinRounded) {
        if (region.GetSafeHandle() != nullptr)
            return result;
        if (shape.cornerWidth != 0 || shape.cornerHeight != 0)
            region.CreateRoundRectRgn(r.left, r.top, r.right, r.bottom, shape.cornerWidth,
                                      shape.cornerHeight);
        else
            region.CreateRectRgn(r.left, r.top, r.right, r.bottom);
        return result;
    }
    CRgn rounded;
    rounded.CreateRoundRectRgn(r.left, r.top, r.right, r.bottom, shape.cornerWidth,
                               shape.cornerHeight);
    if (region.GetSafeHandle() == nullptr)
        region.CreateRectRgn(0, 0, 0, 0);
    if (rounded.GetSafeHandle() != nullptr)
        region.CombineRgn(&region, &rounded, RGN_OR);
    return result;
}
