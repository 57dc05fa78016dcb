// Regions over cairo_region_t.

#include "platform/gdi/gdi_internal.h"
#include "platform/gdi/gdi_raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace gdi_internal {

Region::~Region() {
    if (region)
        cairo_region_destroy(region);
}

}  // namespace gdi_internal

using namespace gdi_internal;

namespace {

int RegionType(const cairo_region_t* region) {
    if (cairo_region_status(region) != CAIRO_STATUS_SUCCESS)
        return ERROR;
    const int count = cairo_region_num_rectangles(region);
    return count == 0 ? NULLREGION : count == 1 ? SIMPLEREGION : COMPLEXREGION;
}

HRGN AddRegion(cairo_region_t* cairo_region) {
    if (cairo_region_status(cairo_region) != CAIRO_STATUS_SUCCESS) {
        cairo_region_destroy(cairo_region);
        return nullptr;
    }
    auto region = std::make_shared<Region>();
    region->region = cairo_region;
    return reinterpret_cast<HRGN>(AddObject(region));
}

// The region of a handle that others may change: one a window adopted is
// refused.
std::shared_ptr<Region> FindChangeableRegion(HRGN handle) {
    auto region = Find<Region>(handle, ObjectKind::Region);
    if (!region)
        return nullptr;
    {
        std::lock_guard lock(TableLock());
        if (region->owner == nullptr)
            return region;
    }
    CountRefused();
    return nullptr;
}

cairo_region_t* RegionFromSpans(const std::vector<gdi_raster::Span>& spans) {
    std::vector<cairo_rectangle_int_t> rectangles;
    rectangles.reserve(spans.size());
    for (const auto& span : spans) {
        // Rows of equal extent merge into one rectangle before cairo sees them.
        if (!rectangles.empty() && rectangles.back().x == span.x0 &&
            rectangles.back().width == span.x1 - span.x0 &&
            rectangles.back().y + rectangles.back().height == span.y) {
            ++rectangles.back().height;
            continue;
        }
        rectangles.push_back({span.x0, span.y, span.x1 - span.x0, 1});
    }
    return cairo_region_create_rectangles(rectangles.data(), static_cast<int>(rectangles.size()));
}

}  // namespace

namespace gdi_internal {

cairo_region_t* RoundRectRegion(int left, int top, int right, int bottom, int width, int height) {
    if (width == 0 || height == 0 || right <= left || bottom <= top) {
        const cairo_rectangle_int_t box{left, top, std::max(0, right - left), std::max(0, bottom - top)};
        return cairo_region_create_rectangle(&box);
    }
    return RegionFromSpans(gdi_raster::RoundRectSpans(left, top, right, bottom, width, height));
}

}  // namespace gdi_internal

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    if (!NormaliseBox(left, top, right, bottom))
        return nullptr;
    const cairo_rectangle_int_t rectangle{left, top, right - left, bottom - top};
    return AddRegion(cairo_region_create_rectangle(&rectangle));
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height) {
    if (!NormaliseBox(left, top, right, bottom))
        return nullptr;
    if (width != 0 && height != 0 && !SmallShape(left, top, right, bottom))
        return nullptr;
    // GDI leaves out the right and bottom edge.
    return AddRegion(RoundRectRegion(left, top, right - 1, bottom - 1, width, height));
}

int CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode) {
    if (mode < RGN_AND || mode > RGN_COPY)
        return ERROR;
    auto target = FindChangeableRegion(destination);
    auto first = Find<Region>(source1, ObjectKind::Region);
    auto second = mode == RGN_COPY ? nullptr : Find<Region>(source2, ObjectKind::Region);
    if (!target || !first || (mode != RGN_COPY && !second))
        return ERROR;
    cairo_region_t* result = cairo_region_copy(first->region);
    cairo_status_t status = CAIRO_STATUS_SUCCESS;
    switch (mode) {
    case RGN_AND:
        status = cairo_region_intersect(result, second->region);
        break;
    case RGN_OR:
        status = cairo_region_union(result, second->region);
        break;
    case RGN_XOR:
        status = cairo_region_xor(result, second->region);
        break;
    case RGN_DIFF:
        status = cairo_region_subtract(result, second->region);
        break;
    default:
        break;
    }
    if (status != CAIRO_STATUS_SUCCESS || cairo_region_status(result) != CAIRO_STATUS_SUCCESS) {
        cairo_region_destroy(result);
        return ERROR;
    }
    std::swap(target->region, result);
    cairo_region_destroy(result);
    return RegionType(target->region);
}

int OffsetRgn(HRGN handle, int x, int y) {
    auto region = FindChangeableRegion(handle);
    if (!region)
        return ERROR;
    cairo_rectangle_int_t box;
    cairo_region_get_extents(region->region, &box);
    if (!cairo_region_is_empty(region->region) &&
        (!ValidCoordinate(static_cast<long long>(box.x) + x) ||
         !ValidCoordinate(static_cast<long long>(box.y) + y) ||
         !ValidCoordinate(static_cast<long long>(box.x) + box.width + x) ||
         !ValidCoordinate(static_cast<long long>(box.y) + box.height + y))) {
        CountRefused();
        return ERROR;
    }
    cairo_region_translate(region->region, x, y);
    return RegionType(region->region);
}

BOOL PtInRegion(HRGN handle, int x, int y) {
    auto region = Find<Region>(handle, ObjectKind::Region);
    return region && cairo_region_contains_point(region->region, x, y) ? TRUE : FALSE;
}

HRGN ExtCreateRegion(const XFORM* transform, DWORD size, const RGNDATA* data) {
    if (data == nullptr)
        return nullptr;
    const auto refuse = [] {
        CountRefused();
        return nullptr;
    };
    if (size < sizeof(RGNDATAHEADER))
        return refuse();
    RGNDATAHEADER header;
    std::memcpy(&header, static_cast<const void*>(data), sizeof(header));
    if (header.dwSize != sizeof(RGNDATAHEADER) || header.iType != RDH_RECTANGLES)
        return refuse();
    const std::uint64_t needed = sizeof(RGNDATAHEADER) + std::uint64_t{header.nCount} * sizeof(RECT);
    if (needed > size)
        return refuse();
    float scale_x = 1.0f;
    float scale_y = 1.0f;
    if (transform) {
        if (transform->eM12 != 0.0f || transform->eM21 != 0.0f || transform->eDx != 0.0f ||
            transform->eDy != 0.0f || !std::isfinite(transform->eM11) ||
            !std::isfinite(transform->eM22) || transform->eM11 == 0.0f || transform->eM22 == 0.0f)
            return refuse();
        scale_x = transform->eM11;
        scale_y = transform->eM22;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(data) + sizeof(RGNDATAHEADER);
    std::vector<cairo_rectangle_int_t> rectangles;
    rectangles.reserve(header.nCount);
    for (DWORD i = 0; i < header.nCount; ++i) {
        RECT rect;
        std::memcpy(&rect, bytes + std::size_t{i} * sizeof(RECT), sizeof(RECT));
        const double left = std::nearbyint(rect.left * static_cast<double>(scale_x));
        const double right = std::nearbyint(rect.right * static_cast<double>(scale_x));
        const double top = std::nearbyint(rect.top * static_cast<double>(scale_y));
        const double bottom = std::nearbyint(rect.bottom * static_cast<double>(scale_y));
        const double x0 = std::min(left, right);
        const double x1 = std::max(left, right);
        const double y0 = std::min(top, bottom);
        const double y1 = std::max(top, bottom);
        if (!(std::fabs(x0) <= kMaxCoordinate && std::fabs(x1) <= kMaxCoordinate &&
              std::fabs(y0) <= kMaxCoordinate && std::fabs(y1) <= kMaxCoordinate))
            return refuse();
        // Empty and inverted rectangles add nothing.
        if (rect.left >= rect.right || rect.top >= rect.bottom || x0 == x1 || y0 == y1)
            continue;
        rectangles.push_back({static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0),
                              static_cast<int>(y1 - y0)});
    }
    return AddRegion(
        cairo_region_create_rectangles(rectangles.data(), static_cast<int>(rectangles.size())));
}

int GetRgnBox(HRGN handle, RECT* box) {
    auto region = Find<Region>(handle, ObjectKind::Region);
    if (!region || box == nullptr)
        return ERROR;
    *box = RECT{};
    if (!cairo_region_is_empty(region->region)) {
        cairo_rectangle_int_t extents;
        cairo_region_get_extents(region->region, &extents);
        *box = RECT{extents.x, extents.y, extents.x + extents.width, extents.y + extents.height};
    }
    return RegionType(region->region);
}

BOOL EqualRgn(HRGN handle1, HRGN handle2) {
    auto first = Find<Region>(handle1, ObjectKind::Region);
    auto second = Find<Region>(handle2, ObjectKind::Region);
    if (!first || !second)
        return ERROR;
    return cairo_region_equal(first->region, second->region) ? TRUE : FALSE;
}

DWORD GetRegionData(HRGN handle, DWORD size, RGNDATA* data) {
    auto region = Find<Region>(handle, ObjectKind::Region);
    if (!region)
        return 0;
    const int count = cairo_region_num_rectangles(region->region);
    const DWORD needed = static_cast<DWORD>(sizeof(RGNDATAHEADER) + std::size_t(count) * sizeof(RECT));
    if (data == nullptr)
        return needed;
    if (size < needed)
        return 0;
    RGNDATAHEADER header;
    header.dwSize = sizeof(RGNDATAHEADER);
    header.iType = RDH_RECTANGLES;
    header.nCount = static_cast<DWORD>(count);
    header.nRgnSize = static_cast<DWORD>(count * sizeof(RECT));
    if (count > 0) {
        cairo_rectangle_int_t extents;
        cairo_region_get_extents(region->region, &extents);
        header.rcBound = RECT{extents.x, extents.y, extents.x + extents.width, extents.y + extents.height};
    }
    std::memcpy(static_cast<void*>(data), &header, sizeof(header));
    auto* bytes = reinterpret_cast<unsigned char*>(data) + sizeof(RGNDATAHEADER);
    for (int i = 0; i < count; ++i) {
        cairo_rectangle_int_t r;
        cairo_region_get_rectangle(region->region, i, &r);
        const RECT rect{r.x, r.y, r.x + r.width, r.y + r.height};
        std::memcpy(bytes + std::size_t(i) * sizeof(RECT), &rect, sizeof(RECT));
    }
    return size;
}

BOOL GdiAdoptRegion(HRGN handle, const void* owner) {
    if (owner == nullptr)
        return FALSE;
    auto region = Find<Region>(handle, ObjectKind::Region);
    if (!region)
        return FALSE;
    {
        std::lock_guard lock(TableLock());
        if (region->owner == nullptr || region->owner == owner) {
            region->owner = owner;
            return TRUE;
        }
    }
    CountRefused();
    return FALSE;
}

BOOL GdiDeleteAdoptedRegion(HRGN handle, const void* owner) {
    auto region = Find<Region>(handle, ObjectKind::Region);
    if (!region)
        return FALSE;
    std::shared_ptr<Object> removed;
    {
        std::lock_guard lock(TableLock());
        if (owner != nullptr && region->owner == owner)
            removed = RemoveObjectLocked(region->handle);
    }
    if (removed)
        return TRUE;
    CountRefused();
    return FALSE;
}
