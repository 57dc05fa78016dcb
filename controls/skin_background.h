#pragma once
// The composition steps of skinned surfaces: statics, dialogs and property
// pages compose their background once into a memory DC and copy it on every
// paint or erase. The differences between them are parameters here:
//
//   surface  KvMemorySurface: the cache (its CDC's address is stable, so
//            children keep a pointer to it as their parent background)
//   fill     KvFillSurface: colour, or a gradient with MDS_GRADIENT
//   image    KvBlendImage: once or tiled, blended over the image's own area
//            (dialog, static) or the whole area (page)
//   border   KvDrawBorder: rings from a one-pixel strip around the client
//            rectangle
//   region   KvMakeWindowRegion: cut from the image's transparent colour, or
//            a rounded or plain rectangle; a page joins both
//
// The DCs given must be valid.

#include "controls/kv_bitmap.h"
#include "controls/kv_painter.h"
#include "platform/mfc/mfc_gdi.h"
#include "platform/mfc/mfc_types.h"
#include "platform/result_codes.h"

#include <cstdint>

// A memory DC with a bitmap of its own selected for its whole life.
class KvMemorySurface {
public:
    KvMemorySurface() = default;
    ~KvMemorySurface() { Release(); }
    KvMemorySurface(const KvMemorySurface&) = delete;
    KvMemorySurface& operator=(const KvMemorySurface&) = delete;

    // A DC compatible with the given one and a bitmap of the size (at least
    // 1 x 1). False, and nothing held, when either cannot be made.
    bool Create(CDC* compatible, int width, int height);
    void Release();
    bool Exists() const { return m_dc.GetSafeHdc() != nullptr; }
    // Empty (no DC) until Create.
    CDC& GetDC() { return m_dc; }
    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }

private:
    CDC m_dc;
    CBitmap m_bitmap;
    HGDIOBJ m_previous = nullptr;
    int m_nWidth = 0;
    int m_nHeight = 0;
};

// The colours and "style" bits a surface is filled from.
struct KvSurfaceLook {
    COLORREF background = 0xFFFFFF;
    COLORREF gradientStart = 0xFFFFFF;
    std::uint32_t style = 0;
};

// The background colour, or, with MDS_GRADIENT and two different colours,
// the gradient from the start colour to the background colour (vertical with
// MDS_GRADIENT_ISVERTICAL).
void KvFillSurface(CDC& dc, const CRect& area, const KvSurfaceLook& look);

// The opacity of an image over a background colour: 255 minus its top byte.
inline BYTE KvImageOpacity(COLORREF background) {
    return static_cast<BYTE>(255u - (background >> 24));
}

enum class KvBlendArea {
    kImage, // without wallpaper: only the image's own area
    kWhole, // always the whole area
};

// Draws the loaded image into a layer of the area's size, once at the
// top-left corner or tiled, and blends the layer onto dc at the area with
// the opacity of the background colour; nothing at opacity 0. The layer
// starts as a copy of dc, so what the image leaves uncovered blends into
// itself.
void KvBlendImage(CDC& dc, const CRect& area, CKvBitmap& image, bool wallpaper, COLORREF background,
                  KvBlendArea blendArea);

// At most ten rings framed from the outside in, ring i in pixel i of a
// one-pixel high or wide strip: the outline of the rounded rectangle region
// of rect and the corner sizes, which shrink by 1 each ring (corner sizes
// that are not 0). KV_OK without a loaded border; KV_E_FAIL for a strip that
// is neither one pixel high nor wide.
KvResult KvDrawBorder(CDC& dc, CKvBitmap& border, CRect rect, int cornerWidth, int cornerHeight);
inline constexpr int kKvBorderRingLimit = 10;

// The window region of a skinned window, made only when region holds none:
// with useImage and a loaded image, the image without its transparent
// colour (KvPainter's RegionFromBitmap); else, unless joinRounded, a rounded
// rectangle of rect with the corner sizes when either is not 0, or rect
// itself. With joinRounded the rounded rectangle is always made and joined
// with the image region (an empty one when there is none). Returns
// RegionFromBitmap's code, or KV_OK.
struct KvRegionShape {
    CRect rect;
    int cornerWidth = 0;
    int cornerHeight = 0;
    bool useImage = false;
    COLORREF transparent = 0xFFFFFF;
    bool joinRounded = false;
};
KvResult KvMakeWindowRegion(CRgn& region, CKvBitmap& image, const KvRegionShape& shape);
