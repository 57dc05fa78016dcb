// Bitmaps (32-bit cairo image surfaces), DIB conversion, blits and blends.

#include "platform/gdi/gdi_internal.h"

#include <algorithm>
#include <cstring>

namespace gdi_internal {

Bitmap::~Bitmap() {
    if (surface)
        cairo_surface_destroy(surface);
}

std::shared_ptr<Bitmap> MakeBitmap(int width, int height) {
    if (width < 1 || height < 1 || width > kMaxBitmapSide || height > kMaxBitmapSide ||
        std::uint64_t(width) * std::uint64_t(height) * 4 > kMaxBitmapBytes)
        return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    auto bitmap = std::make_shared<Bitmap>();
    bitmap->surface = surface;
    bitmap->width = width;
    bitmap->height = height;
    return bitmap;
}

}  // namespace gdi_internal

using namespace gdi_internal;

namespace {

HBITMAP AddBitmap(int width, int height, bool dib_section) {
    auto bitmap = MakeBitmap(width, height);
    if (!bitmap) {
        CountRefused();
        return nullptr;
    }
    bitmap->dib_section = dib_section;
    return reinterpret_cast<HBITMAP>(AddObject(bitmap));
}

std::uint32_t* Row(cairo_surface_t* surface, int y) {
    return reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(surface) +
                                            std::ptrdiff_t(y) * cairo_image_surface_get_stride(surface));
}

std::uint32_t Expand5(std::uint32_t c) { return (c << 3) | (c >> 2); }

void ConvertRow(const unsigned char* source, int bit_count, int count, std::uint32_t* target) {
    for (int x = 0; x < count; ++x) {
        std::uint32_t pixel = 0;
        if (bit_count == 16) {
            const std::uint32_t value = source[2 * x] | (std::uint32_t(source[2 * x + 1]) << 8);
            pixel = (Expand5((value >> 10) & 0x1F) << 16) | (Expand5((value >> 5) & 0x1F) << 8) |
                    Expand5(value & 0x1F);
        } else {
            const int step = bit_count / 8;
            const unsigned char* p = source + std::ptrdiff_t(x) * step;
            pixel = p[0] | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
        }
        target[x] = pixel;
    }
}

bool ValidBlend(const BLENDFUNCTION& blend) {
    return blend.BlendOp == AC_SRC_OVER && blend.BlendFlags == 0 && blend.AlphaFormat == 0;
}

// The part of a width x height area at (x, y) of the source DC that lies on
// its target, and the matching destination position; false when none does.
struct BlitArea {
    int source_x = 0;
    int source_y = 0;
    int dest_x = 0;
    int dest_y = 0;
    int width = 0;
    int height = 0;
};

bool ClipToSource(const Dc& source, cairo_surface_t* surface, const Dc& dest, int x, int y,
                  int width, int height, int x_source, int y_source, BlitArea& area) {
    const long long sx = static_cast<long long>(x_source) + source.origin.x;
    const long long sy = static_cast<long long>(y_source) + source.origin.y;
    const long long x0 = std::max(sx, 0LL);
    const long long y0 = std::max(sy, 0LL);
    const long long x1 = std::min(sx + width, static_cast<long long>(cairo_image_surface_get_width(surface)));
    const long long y1 = std::min(sy + height, static_cast<long long>(cairo_image_surface_get_height(surface)));
    if (x0 >= x1 || y0 >= y1)
        return false;
    const long long dx = static_cast<long long>(x) + dest.origin.x + (x0 - sx);
    const long long dy = static_cast<long long>(y) + dest.origin.y + (y0 - sy);
    if (!ValidCoordinate(dx) || !ValidCoordinate(dy))
        return false;
    area = BlitArea{static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(dx),
                    static_cast<int>(dy), static_cast<int>(x1 - x0), static_cast<int>(y1 - y0)};
    return true;
}

// Copying within one surface goes through a copy of the source part, since
// the areas may overlap.
cairo_surface_t* SourceFor(cairo_surface_t* source, cairo_surface_t* dest, BlitArea& area) {
    if (source != dest)
        return cairo_surface_reference(source);
    cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_RGB24, area.width, area.height);
    cairo_t* cr = cairo_create(copy);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, source, -area.source_x, -area.source_y);
    cairo_paint(cr);
    cairo_destroy(cr);
    area.source_x = 0;
    area.source_y = 0;
    return copy;
}

bool Blit(HDC dest_handle, int x, int y, int width, int height, HDC source_handle, int x_source,
          int y_source, const BLENDFUNCTION* blend) {
    auto dest = Find<Dc>(dest_handle, ObjectKind::Dc);
    auto source = Find<Dc>(source_handle, ObjectKind::Dc);
    if (!dest || !source || width < 0 || height < 0)
        return false;
    cairo_surface_t* source_surface = TargetSurface(*source);
    if (!source_surface)
        return false;
    BlitArea area;
    if (!ClipToSource(*source, source_surface, *dest, x, y, width, height, x_source, y_source, area))
        return true;
    CairoContext cr = BeginDrawing(*dest);
    if (!cr)
        return false;
    cairo_surface_t* from = SourceFor(source_surface, TargetSurface(*dest), area);
    cairo_set_source_surface(cr.get(), from, area.dest_x - area.source_x, area.dest_y - area.source_y);
    cairo_rectangle(cr.get(), area.dest_x, area.dest_y, area.width, area.height);
    if (blend == nullptr || blend->SourceConstantAlpha == 255) {
        cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
        cairo_fill(cr.get());
    } else {
        cairo_clip(cr.get());
        cairo_paint_with_alpha(cr.get(), blend->SourceConstantAlpha / 255.0);
    }
    cairo_surface_destroy(from);
    return true;
}

}  // namespace

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
    if (dc != nullptr && !Find<Dc>(dc, ObjectKind::Dc))
        return nullptr;
    return AddBitmap(width, height, false);
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset) {
    if (bits)
        *bits = nullptr;
    if (info == nullptr || usage != DIB_RGB_COLORS || section != nullptr || offset != 0)
        return nullptr;
    if (dc != nullptr && !Find<Dc>(dc, ObjectKind::Dc))
        return nullptr;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biBitCount != 32 ||
        header.biCompression != BI_RGB || header.biHeight >= 0)
        return nullptr;
    HBITMAP handle = AddBitmap(header.biWidth, header.biHeight == INT32_MIN ? 0 : -header.biHeight, true);
    if (handle && bits) {
        auto bitmap = Find<Bitmap>(handle, ObjectKind::Bitmap);
        *bits = cairo_image_surface_get_data(bitmap->surface);
    }
    return handle;
}

int SetDIBits(HDC dc, HBITMAP handle, UINT start, UINT lines, const void* bits, std::size_t bits_size,
              const BITMAPINFO* info, UINT usage) {
    if (dc != nullptr && !Find<Dc>(dc, ObjectKind::Dc))
        return 0;
    auto bitmap = Find<Bitmap>(handle, ObjectKind::Bitmap);
    if (!bitmap || bits == nullptr || info == nullptr || usage != DIB_RGB_COLORS)
        return 0;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    const int bit_count = header.biBitCount;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biCompression != BI_RGB ||
        (bit_count != 16 && bit_count != 24 && bit_count != 32))
        return 0;
    const long long width = header.biWidth;
    const long long height = header.biHeight < 0 ? -static_cast<long long>(header.biHeight) : header.biHeight;
    if (width < 1 || height < 1 || width > kMaxBitmapSide || height > kMaxBitmapSide) {
        CountRefused();
        return 0;
    }
    if (start >= height)
        return 0;
    const long long count = std::min<long long>(lines, height - start);
    const long long stride = (width * bit_count + 31) / 32 * 4;
    if (static_cast<unsigned long long>(count * stride) > bits_size) {
        CountRefused();
        return 0;
    }
    const bool top_down = header.biHeight < 0;
    const int copy_width = static_cast<int>(std::min<long long>(width, bitmap->width));
    cairo_surface_flush(bitmap->surface);
    const auto* source = static_cast<const unsigned char*>(bits);
    for (long long i = 0; i < count; ++i) {
        const long long line = start + i;
        const long long y = top_down ? line : height - 1 - line;
        if (y >= bitmap->height)
            continue;
        ConvertRow(source + i * stride, bit_count, copy_width, Row(bitmap->surface, static_cast<int>(y)));
    }
    cairo_surface_mark_dirty(bitmap->surface);
    return static_cast<int>(count);
}

LONG GetBitmapBits(HBITMAP handle, LONG size, void* bits) {
    auto bitmap = Find<Bitmap>(handle, ObjectKind::Bitmap);
    if (!bitmap || bits == nullptr || size <= 0)
        return 0;
    cairo_surface_flush(bitmap->surface);
    const long long total = std::min<long long>(size, 4LL * bitmap->width * bitmap->height);
    auto* target = static_cast<unsigned char*>(bits);
    long long copied = 0;
    for (int y = 0; y < bitmap->height && copied < total; ++y) {
        const std::uint32_t* row = Row(bitmap->surface, y);
        for (int x = 0; x < bitmap->width && copied < total; ++x) {
            const std::uint32_t pixel = row[x] & 0xFFFFFFu;
            const long long n = std::min<long long>(4, total - copied);
            std::memcpy(target + copied, &pixel, static_cast<std::size_t>(n));
            copied += n;
        }
    }
    return static_cast<LONG>(copied);
}

BOOL BitBlt(HDC dc, int x, int y, int width, int height, HDC source, int x_source, int y_source,
            DWORD rop) {
    if (rop != SRCCOPY)
        return FALSE;
    return Blit(dc, x, y, width, height, source, x_source, y_source, nullptr) ? TRUE : FALSE;
}

BOOL AlphaBlend(HDC dc, int x, int y, int width, int height, HDC source, int x_source, int y_source,
                int width_source, int height_source, BLENDFUNCTION blend) {
    if (!ValidBlend(blend) || width != width_source || height != height_source)
        return FALSE;
    if (blend.SourceConstantAlpha == 0) {
        const bool valid = Find<Dc>(dc, ObjectKind::Dc) && Find<Dc>(source, ObjectKind::Dc);
        return valid ? TRUE : FALSE;
    }
    return Blit(dc, x, y, width, height, source, x_source, y_source, &blend) ? TRUE : FALSE;
}

COLORREF GetPixel(HDC handle, int x, int y) {
    auto dc = Find<Dc>(handle, ObjectKind::Dc);
    if (!dc)
        return CLR_INVALID;
    cairo_surface_t* surface = TargetSurface(*dc);
    if (!surface)
        return CLR_INVALID;
    const long long tx = static_cast<long long>(x) + dc->origin.x;
    const long long ty = static_cast<long long>(y) + dc->origin.y;
    if (tx < 0 || ty < 0 || tx >= cairo_image_surface_get_width(surface) ||
        ty >= cairo_image_surface_get_height(surface))
        return CLR_INVALID;
    if (const SharedRegion& clip = EffectiveClip(*dc))
        if (!cairo_region_contains_point(clip.get(), static_cast<int>(tx), static_cast<int>(ty)))
            return CLR_INVALID;
    cairo_surface_flush(surface);
    const std::uint32_t pixel = Row(surface, static_cast<int>(ty))[tx];
    return RGB(static_cast<BYTE>(pixel >> 16), static_cast<BYTE>(pixel >> 8), static_cast<BYTE>(pixel));
}
