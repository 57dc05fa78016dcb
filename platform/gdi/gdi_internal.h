#pragma once
// Private to kv_gdi: the objects behind the handles and the handle table.
// Nothing outside platform/gdi/*.cpp includes this header.

#include "platform/gdi/gdi.h"

#include <cairo.h>

#include <array>
#include <initializer_list>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace gdi_internal {

enum class ObjectKind : std::uint8_t { Pen, Brush, Font, Bitmap, Region, Dc };

struct Object {
    explicit Object(ObjectKind object_kind) : kind(object_kind) {}
    virtual ~Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    const ObjectKind kind;
    bool stock = false;
    std::uintptr_t handle = 0;
    // Guarded by the table lock: device-context states that hold the object,
    // and the window that adopted a region.
    int holders = 0;
    const void* owner = nullptr;
};

struct Pen : Object {
    Pen() : Object(ObjectKind::Pen) {}
    bool null = false;
    COLORREF color = 0;
};

struct Brush : Object {
    Brush() : Object(ObjectKind::Brush) {}
    bool hollow = false;
    COLORREF color = 0;
};

struct Glyph {
    unsigned long index = 0;
    int advance = 0;
};

struct Font : Object {
    Font() : Object(ObjectKind::Font) {}
    ~Font() override;
    LOGFONT logfont;
    cairo_scaled_font_t* scaled = nullptr;
    TEXTMETRIC metrics;
    // Unit vector of the baseline (escapement), y downwards.
    double direction_x = 1.0;
    double direction_y = 0.0;
    // Below the baseline, in pixels, and thickness.
    int underline_offset = 1;
    int underline_thickness = 1;
    int strikeout_offset = -3;
    int strikeout_thickness = 1;
    std::array<Glyph, 256> glyphs{};
};

struct Dc;

struct Bitmap : Object {
    Bitmap() : Object(ObjectKind::Bitmap) {}
    ~Bitmap() override;
    cairo_surface_t* surface = nullptr;
    int width = 0;
    int height = 0;
    bool dib_section = false;
    // Guarded by the table lock: the memory DC that holds it (a bitmap is in
    // one memory DC at a time).
    const Dc* selected_in = nullptr;
};

struct Region : Object {
    Region() : Object(ObjectKind::Region) {}
    ~Region() override;
    cairo_region_t* region = nullptr;
};

using SharedRegion = std::shared_ptr<cairo_region_t>;
SharedRegion MakeSharedRegion(cairo_region_t* region);

struct DcState {
    std::shared_ptr<Pen> pen;
    std::shared_ptr<Brush> brush;
    std::shared_ptr<Font> font;
    std::shared_ptr<Bitmap> bitmap;
    COLORREF text_color = 0;
    COLORREF bk_color = 0xFFFFFF;
    int bk_mode = OPAQUE;
    POINT position;
    // In target coordinates, already within the system clip; null means the
    // system clip alone.
    SharedRegion clip;
};

enum class DcType { Memory, Window, Screen };

struct Dc : Object {
    Dc() : Object(ObjectKind::Dc) {}
    DcType type = DcType::Memory;
    std::shared_ptr<Bitmap> target;  // window and screen DCs
    POINT origin;
    SharedRegion system_clip;  // null: the whole target
    DcState state;
    std::vector<DcState> saved;
};

// The handle table. Handles carry a slot index and the slot's generation, so
// a handle outlives its object only as a refused value.
std::uintptr_t AddObject(std::shared_ptr<Object> object);
// The object of a handle of the given kind; null (and a refused call
// counted, unless the handle is null) otherwise.
std::shared_ptr<Object> FindObject(const void* handle, ObjectKind kind);
// Any object; null (and a refused call counted unless null) otherwise.
std::shared_ptr<Object> FindAnyObject(const void* handle);
template <typename T> std::shared_ptr<T> Find(const void* handle, ObjectKind kind) {
    return std::static_pointer_cast<T>(FindObject(handle, kind));
}
// Removes the object; the caller holds the table lock.
std::shared_ptr<Object> RemoveObjectLocked(std::uintptr_t handle);
std::mutex& TableLock();
void CountRefused();

// Adds delta to the holders of every object of the state (table lock held).
void HoldStateLocked(const DcState& state, int delta);

// Stock objects.
std::shared_ptr<Object> StockObject(int index);
std::shared_ptr<Pen> StockPen(int index);
std::shared_ptr<Brush> StockBrush(int index);
std::shared_ptr<Font> StockFont(int index);
// The 1 x 1 bitmap that a new memory DC holds; drawing to it does nothing.
std::shared_ptr<Bitmap> DefaultBitmap();

// The lock that guards FreeType and cairo's font faces.
std::recursive_mutex& FontLock();
std::shared_ptr<Font> MakeFont(const LOGFONT& logfont);

// Limits.
inline constexpr int kMaxBitmapSide = 16384;
inline constexpr std::uint64_t kMaxBitmapBytes = 256ull << 20;
inline constexpr int kMaxCoordinate = (1 << 27) - 1;
// Lines, arcs and rounded shapes are rasterised pixel by pixel; larger ones
// are refused rather than exhaust memory.
inline constexpr long long kMaxShapeSide = 1 << 16;
std::shared_ptr<Bitmap> MakeBitmap(int width, int height);

// Drawing helpers.
// The surface a DC draws to, or null.
cairo_surface_t* TargetSurface(const Dc& dc);
// The clip of the DC in target coordinates; null means none beyond the
// target's bounds.
const SharedRegion& EffectiveClip(const Dc& dc);
// A cairo context on the DC's target, aliased and clipped; null when the DC
// draws nowhere.
using CairoContext = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;
CairoContext BeginDrawing(const Dc& dc);
void SetSourceColor(cairo_t* cr, COLORREF color);
// Fills the region (logical coordinates of the DC) with a colour.
void FillRegionWithColor(const Dc& dc, const cairo_region_t* region, COLORREF color);
bool ValidCoordinate(long long value);
// True when every value is a valid coordinate; otherwise counts a refused call.
bool ValidCoordinates(std::initializer_list<long long> values);
// Orders a box's edges; false (a refused call counted) when a coordinate is
// out of range.
bool NormaliseBox(int& left, int& top, int& right, int& bottom);
// False (a refused call counted) when the box is too large to rasterise.
bool SmallShape(long long left, long long top, long long right, long long bottom);
// The rows of RoundRectSpans as a region covering [left, right) x [top, bottom).
cairo_region_t* RoundRectRegion(int left, int top, int right, int bottom, int width, int height);
// R less R shifted by +-width in x and +-height in y: the inner boundary.
cairo_region_t* FrameOfRegion(const cairo_region_t* region, int width, int height);

}  // namespace gdi_internal
