// Lines, arcs, rectangles and region fills, from the integer rasteriser.

#include "platform/gdi/gdi_internal.h"
#include "platform/gdi/gdi_raster.h"
#include "platform/geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace gdi_internal;

namespace {

using RegionPointer = std::unique_ptr<cairo_region_t, decltype(&cairo_region_destroy)>;

RegionPointer Own(cairo_region_t* region) { return RegionPointer(region, cairo_region_destroy); }

void FillSpans(const Dc& dc, const std::vector<gdi_raster::Span>& spans, COLORREF color) {
    if (spans.empty())
        return;
    CairoContext cr = BeginDrawing(dc);
    if (!cr)
        return;
    for (const auto& span : spans)
        cairo_rectangle(cr.get(), span.x0 + dc.origin.x, span.y + dc.origin.y, span.x1 - span.x0, 1);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    SetSourceColor(cr.get(), color);
    cairo_fill(cr.get());
}

bool PenDraws(const Dc& dc) { return dc.state.pen && !dc.state.pen->null; }

void DrawLine(const Dc& dc, POINT from, POINT to) {
    if (PenDraws(dc))
        FillSpans(dc, gdi_raster::LinePixels(from, to), dc.state.pen->color);
}

// The pixels of the region, one per entry.
std::vector<POINT> PixelsOf(const cairo_region_t* region) {
    std::vector<POINT> pixels;
    const int count = cairo_region_num_rectangles(region);
    for (int i = 0; i < count; ++i) {
        cairo_rectangle_int_t r;
        cairo_region_get_rectangle(region, i, &r);
        for (int y = r.y; y < r.y + r.height; ++y)
            for (int x = r.x; x < r.x + r.width; ++x)
                pixels.push_back(POINT{x, y});
    }
    return pixels;
}

double Normalised(double angle) {
    constexpr double kFullTurn = 2 * std::numbers::pi;
    angle = std::fmod(angle, kFullTurn);
    return angle < 0 ? angle + kFullTurn : angle;
}

// Outline with the pen, inside with the brush; without a pen the brush
// covers the whole shape.
void PaintShape(const Dc& dc, cairo_region_t* shape) {
    const bool brush = dc.state.brush && !dc.state.brush->hollow;
    if (!PenDraws(dc)) {
        if (brush)
            FillRegionWithColor(dc, shape, dc.state.brush->color);
        return;
    }
    RegionPointer outline = Own(FrameOfRegion(shape, 1, 1));
    if (brush) {
        RegionPointer inside = Own(cairo_region_copy(shape));
        cairo_region_subtract(inside.get(), outline.get());
        FillRegionWithColor(dc, inside.get(), dc.state.brush->color);
    }
    FillRegionWithColor(dc, outline.get(), dc.state.pen->color);
}

}  // namespace

namespace gdi_internal {

cairo_region_t* FrameOfRegion(const cairo_region_t* region, int width, int height) {
    width = KvSatAbs(width);
    height = KvSatAbs(height);
    RegionPointer inner = Own(cairo_region_copy(region));
    const int shifts[4][2] = {{width, 0}, {-width, 0}, {0, height}, {0, -height}};
    for (const auto& shift : shifts) {
        RegionPointer moved = Own(cairo_region_copy(region));
        cairo_region_translate(moved.get(), shift[0], shift[1]);
        cairo_region_intersect(inner.get(), moved.get());
    }
    cairo_region_t* frame = cairo_region_copy(region);
    cairo_region_subtract(frame, inner.get());
    return frame;
}

}  // namespace gdi_internal

BOOL LineTo(HDC handle, int x, int y) {
    auto dc = Find<Dc>(handle, ObjectKind::Dc);
    if (!dc)
        return FALSE;
    if (!ValidCoordinates({x, y}) || !SmallShape(dc->state.position.x, dc->state.position.y, x, y))
        return FALSE;
    DrawLine(*dc, dc->state.position, POINT{x, y});
    dc->state.position = POINT{x, y};
    return TRUE;
}

BOOL ArcTo(HDC handle, int left, int top, int right, int bottom, int x_start, int y_start, int x_end,
           int y_end) {
    auto dc = Find<Dc>(handle, ObjectKind::Dc);
    if (!dc)
        return FALSE;
    if (!ValidCoordinates({x_start, y_start, x_end, y_end}) || !NormaliseBox(left, top, right, bottom) ||
        !SmallShape(left, top, right, bottom) ||
        !SmallShape(dc->state.position.x, dc->state.position.y, x_start, y_start))
        return FALSE;
    if (left == right || top == bottom) {
        // No arc to draw: its line still runs to the start, which like the
        // end lies on the flat ellipse.
        const POINT start{std::clamp(x_start, left, right), std::clamp(y_start, top, bottom)};
        DrawLine(*dc, dc->state.position, start);
        dc->state.position = POINT{std::clamp(x_end, left, right), std::clamp(y_end, top, bottom)};
        return TRUE;
    }
    RegionPointer ellipse = Own(RoundRectRegion(left, top, right, bottom, right - left, bottom - top));
    RegionPointer outline = Own(FrameOfRegion(ellipse.get(), 1, 1));
    const double centre_x = (left + right) / 2.0;
    const double centre_y = (top + bottom) / 2.0;
    const double start = gdi_raster::PixelAngle(centre_x, centre_y, x_start, y_start);
    double sweep = Normalised(gdi_raster::PixelAngle(centre_x, centre_y, x_end, y_end) - start);
    if (sweep < 1e-9)
        sweep = 2 * std::numbers::pi;
    // The arc's pixels in counter-clockwise order from the start ray.
    std::vector<std::pair<double, POINT>> arc;
    for (const POINT& pixel : PixelsOf(outline.get())) {
        const double offset = Normalised(gdi_raster::PixelAngle(centre_x, centre_y, pixel.x, pixel.y) - start);
        if (offset <= sweep + 1e-9)
            arc.emplace_back(offset, pixel);
    }
    if (arc.empty())
        return FALSE;
    std::stable_sort(arc.begin(), arc.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    DrawLine(*dc, dc->state.position, arc.front().second);
    if (PenDraws(*dc)) {
        std::vector<gdi_raster::Span> spans;
        spans.reserve(arc.size());
        for (const auto& entry : arc)
            spans.push_back({entry.second.y, entry.second.x, entry.second.x + 1});
        FillSpans(*dc, spans, dc->state.pen->color);
    }
    dc->state.position = arc.back().second;
    return TRUE;
}

BOOL RoundRect(HDC handle, int left, int top, int right, int bottom, int width, int height) {
    auto dc = Find<Dc>(handle, ObjectKind::Dc);
    if (!dc)
        return FALSE;
    if (!ValidCoordinates({left, top, right, bottom}) ||
        ((width != 0 && height != 0) && !SmallShape(left, top, right, bottom)))
        return FALSE;
    if (right <= left || bottom <= top)
        return TRUE;
    RegionPointer shape = Own(RoundRectRegion(left, top, right, bottom, width, height));
    PaintShape(*dc, shape.get());
    return TRUE;
}

BOOL Rectangle(HDC handle, int left, int top, int right, int bottom) {
    return RoundRect(handle, left, top, right, bottom, 0, 0);
}

int FillRect(HDC handle, const RECT* rect, HBRUSH brush_handle) {
    auto dc = Find<Dc>(handle, ObjectKind::Dc);
    if (!dc || rect == nullptr || brush_handle == nullptr)
        return 0;
    COLORREF color = 0;
    // A system colour index plus 1 stands for that colour's brush.
    const auto value = reinterpret_cast<std::uintptr_t>(brush_handle);
    if (value <= COLOR_MENUBAR + 1) {
        color = GetSysColor(static_cast<int>(value) - 1);
    } else {
        auto brush = Find<Brush>(brush_handle, ObjectKind::Brush);
        if (!brush)
            return 0;
        if (brush->hollow)
            return 1;
        color = brush->color;
    }
    if (rect->right <= rect->left || rect->bottom <= rect->top)
        return 1;
    CairoContext cr = BeginDrawing(*dc);
    if (!cr)
        return 1;
    cairo_rectangle(cr.get(), static_cast<double>(rect->left) + dc->origin.x,
                    static_cast<double>(rect->top) + dc->origin.y,
                    static_cast<double>(rect->right) - rect->left,
                    static_cast<double>(rect->bottom) - rect->top);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    SetSourceColor(cr.get(), color);
    cairo_fill(cr.get());
    return 1;
}

BOOL FillRgn(HDC handle, HRGN region_handle, HBRUSH brush_handle) {
    auto dc = Find<Dc>(handle, ObjectKind::Dc);
    auto region = Find<Region>(region_handle, ObjectKind::Region);
    auto brush = Find<Brush>(brush_handle, ObjectKind::Brush);
    if (!dc || !region || !brush)
        return FALSE;
    if (!brush->hollow)
        FillRegionWithColor(*dc, region->region, brush->color);
    return TRUE;
}

BOOL FrameRgn(HDC handle, HRGN region_handle, HBRUSH brush_handle, int width, int height) {
    auto dc = Find<Dc>(handle, ObjectKind::Dc);
    auto region = Find<Region>(region_handle, ObjectKind::Region);
    auto brush = Find<Brush>(brush_handle, ObjectKind::Brush);
    if (!dc || !region || !brush)
        return FALSE;
    if (!ValidCoordinates({width, height}))
        return FALSE;
    if (!brush->hollow) {
        RegionPointer frame = Own(FrameOfRegion(region->region, width, height));
        FillRegionWithColor(*dc, frame.get(), brush->color);
    }
    return TRUE;
}
