// Device contexts: state, selection, save and restore, clipping, and the
// window and screen DCs of the window system.

#include "platform/gdi/gdi_internal.h"

#include <algorithm>
#include <utility>

using namespace gdi_internal;

namespace {

std::shared_ptr<Dc> FindDc(HDC handle) { return Find<Dc>(handle, ObjectKind::Dc); }

DcState DefaultState(DcType type) {
    DcState state;
    if (type == DcType::Memory)
        state.bitmap = DefaultBitmap();
    state.pen = StockPen(BLACK_PEN);
    state.brush = StockBrush(WHITE_BRUSH);
    state.font = StockFont(SYSTEM_FONT);
    return state;
}

bool StateHoldsBitmap(const DcState& state, const Bitmap* bitmap) {
    return state.bitmap.get() == bitmap;
}

// A bitmap is "in" a memory DC while the current or a saved state holds it.
void ReleaseBitmapIfUnusedLocked(const Dc& dc, const std::shared_ptr<Bitmap>& bitmap) {
    if (!bitmap || bitmap->selected_in != &dc)
        return;
    if (StateHoldsBitmap(dc.state, bitmap.get()))
        return;
    for (const auto& state : dc.saved)
        if (StateHoldsBitmap(state, bitmap.get()))
            return;
    bitmap->selected_in = nullptr;
}

HDC AddDc(std::shared_ptr<Dc> dc) {
    {
        std::lock_guard lock(TableLock());
        HoldStateLocked(dc->state, +1);
        if (dc->target)
            ++dc->target->holders;
    }
    return reinterpret_cast<HDC>(AddObject(std::move(dc)));
}

template <typename T>
HGDIOBJ Exchange(std::shared_ptr<T>& slot, const std::shared_ptr<Object>& object) {
    auto replacement = std::static_pointer_cast<T>(object);
    std::lock_guard lock(TableLock());
    ++replacement->holders;
    std::shared_ptr<T> previous = std::move(slot);
    slot = std::move(replacement);
    if (!previous)
        return nullptr;
    --previous->holders;
    return reinterpret_cast<HGDIOBJ>(previous->handle);
}

int ClipType(const cairo_region_t* region) {
    const int count = cairo_region_num_rectangles(region);
    return count == 0 ? NULLREGION : count == 1 ? SIMPLEREGION : COMPLEXREGION;
}

std::mutex& ScreenLock() {
    static std::mutex lock;
    return lock;
}

std::shared_ptr<Bitmap>& ScreenBitmap() {
    static std::shared_ptr<Bitmap> screen;
    return screen;
}

}  // namespace

namespace gdi_internal {

cairo_surface_t* TargetSurface(const Dc& dc) {
    if (dc.type == DcType::Memory)
        return dc.state.bitmap && !dc.state.bitmap->stock ? dc.state.bitmap->surface : nullptr;
    return dc.target ? dc.target->surface : nullptr;
}

const SharedRegion& EffectiveClip(const Dc& dc) { return dc.state.clip ? dc.state.clip : dc.system_clip; }

CairoContext BeginDrawing(const Dc& dc) {
    cairo_surface_t* surface = TargetSurface(dc);
    if (!surface)
        return CairoContext(nullptr, cairo_destroy);
    CairoContext cr(cairo_create(surface), cairo_destroy);
    cairo_set_antialias(cr.get(), CAIRO_ANTIALIAS_NONE);
    if (const SharedRegion& clip = EffectiveClip(dc)) {
        const int count = cairo_region_num_rectangles(clip.get());
        for (int i = 0; i < count; ++i) {
            cairo_rectangle_int_t r;
            cairo_region_get_rectangle(clip.get(), i, &r);
            cairo_rectangle(cr.get(), r.x, r.y, r.width, r.height);
        }
        cairo_clip(cr.get());
    }
    return cr;
}

void SetSourceColor(cairo_t* cr, COLORREF color) {
    cairo_set_source_rgb(cr, GetRValue(color) / 255.0, GetGValue(color) / 255.0,
                         GetBValue(color) / 255.0);
}

void FillRegionWithColor(const Dc& dc, const cairo_region_t* region, COLORREF color) {
    CairoContext cr = BeginDrawing(dc);
    if (!cr)
        return;
    const int count = cairo_region_num_rectangles(region);
    if (count == 0)
        return;
    for (int i = 0; i < count; ++i) {
        cairo_rectangle_int_t r;
        cairo_region_get_rectangle(region, i, &r);
        cairo_rectangle(cr.get(), r.x + dc.origin.x, r.y + dc.origin.y, r.width, r.height);
    }
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    SetSourceColor(cr.get(), color);
    cairo_fill(cr.get());
}

}  // namespace gdi_internal

HDC CreateCompatibleDC(HDC reference) {
    if (reference != nullptr && !FindDc(reference))
        return nullptr;
    auto dc = std::make_shared<Dc>();
    dc->type = DcType::Memory;
    dc->state = DefaultState(DcType::Memory);
    return AddDc(std::move(dc));
}

HDC GdiCreateWindowDC(HBITMAP target, POINT origin, HRGN system_clip) {
    auto bitmap = Find<Bitmap>(target, ObjectKind::Bitmap);
    if (!bitmap || !ValidCoordinates({origin.x, origin.y}))
        return nullptr;
    auto dc = std::make_shared<Dc>();
    dc->type = DcType::Window;
    dc->target = std::move(bitmap);
    dc->origin = origin;
    if (system_clip) {
        auto region = Find<Region>(system_clip, ObjectKind::Region);
        if (!region)
            return nullptr;
        dc->system_clip = MakeSharedRegion(cairo_region_copy(region->region));
    }
    dc->state = DefaultState(dc->type);
    return AddDc(std::move(dc));
}

void GdiSetScreenBitmap(HBITMAP screen) {
    std::shared_ptr<Bitmap> bitmap;
    if (screen) {
        bitmap = Find<Bitmap>(screen, ObjectKind::Bitmap);
        if (!bitmap)
            return;
    }
    std::lock_guard screen_lock(ScreenLock());
    std::lock_guard lock(TableLock());
    if (ScreenBitmap())
        --ScreenBitmap()->holders;
    ScreenBitmap() = std::move(bitmap);
    if (ScreenBitmap())
        ++ScreenBitmap()->holders;
}

HDC GdiCreateScreenDC() {
    auto dc = std::make_shared<Dc>();
    dc->type = DcType::Screen;
    {
        std::lock_guard screen_lock(ScreenLock());
        dc->target = ScreenBitmap();
    }
    dc->state = DefaultState(dc->type);
    return AddDc(std::move(dc));
}

BOOL DeleteDC(HDC handle) {
    auto dc = FindDc(handle);
    if (!dc)
        return FALSE;
    std::shared_ptr<Object> removed;
    {
        std::lock_guard lock(TableLock());
        removed = RemoveObjectLocked(dc->handle);
        if (!removed)
            return FALSE;
        HoldStateLocked(dc->state, -1);
        for (const auto& state : dc->saved)
            HoldStateLocked(state, -1);
        if (dc->target)
            --dc->target->holders;
        if (dc->state.bitmap && dc->state.bitmap->selected_in == dc.get())
            dc->state.bitmap->selected_in = nullptr;
        for (const auto& state : dc->saved)
            if (state.bitmap && state.bitmap->selected_in == dc.get())
                state.bitmap->selected_in = nullptr;
    }
    return TRUE;
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object_handle) {
    auto dc = FindDc(handle);
    if (!dc)
        return nullptr;
    auto object = FindAnyObject(object_handle);
    if (!object)
        return nullptr;
    switch (object->kind) {
    case ObjectKind::Pen:
        return Exchange(dc->state.pen, object);
    case ObjectKind::Brush:
        return Exchange(dc->state.brush, object);
    case ObjectKind::Font:
        return Exchange(dc->state.font, object);
    case ObjectKind::Region: {
        const int type = SelectClipRgn(handle, static_cast<HRGN>(object_handle));
        return type == ERROR ? nullptr : reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(type));
    }
    case ObjectKind::Bitmap: {
        if (dc->type != DcType::Memory)
            return nullptr;
        auto bitmap = std::static_pointer_cast<Bitmap>(object);
        std::lock_guard lock(TableLock());
        if (!bitmap->stock && bitmap->selected_in != nullptr && bitmap->selected_in != dc.get()) {
            CountRefused();
            return nullptr;
        }
        ++bitmap->holders;
        if (!bitmap->stock)
            bitmap->selected_in = dc.get();
        std::shared_ptr<Bitmap> previous = std::move(dc->state.bitmap);
        dc->state.bitmap = std::move(bitmap);
        if (!previous)
            return nullptr;
        --previous->holders;
        ReleaseBitmapIfUnusedLocked(*dc, previous);
        return reinterpret_cast<HGDIOBJ>(previous->handle);
    }
    case ObjectKind::Dc:
        break;
    }
    CountRefused();
    return nullptr;
}

int SaveDC(HDC handle) {
    auto dc = FindDc(handle);
    if (!dc)
        return 0;
    std::lock_guard lock(TableLock());
    dc->saved.push_back(dc->state);
    HoldStateLocked(dc->state, +1);
    return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC handle, int saved) {
    auto dc = FindDc(handle);
    if (!dc)
        return FALSE;
    const int depth = static_cast<int>(dc->saved.size());
    const int level = saved < 0 ? depth + 1 + saved : saved;
    if (level < 1 || level > depth)
        return FALSE;
    std::vector<std::shared_ptr<Bitmap>> released;
    std::lock_guard lock(TableLock());
    HoldStateLocked(dc->state, -1);
    released.push_back(dc->state.bitmap);
    for (int i = level; i < depth; ++i) {
        HoldStateLocked(dc->saved[static_cast<std::size_t>(i)], -1);
        released.push_back(dc->saved[static_cast<std::size_t>(i)].bitmap);
    }
    // The restored state's hold moves from the stack to the current state.
    dc->state = std::move(dc->saved[static_cast<std::size_t>(level - 1)]);
    dc->saved.resize(static_cast<std::size_t>(level - 1));
    for (const auto& bitmap : released)
        ReleaseBitmapIfUnusedLocked(*dc, bitmap);
    return TRUE;
}

namespace {

// Sets one colour of the DC's state and gives the previous one.
COLORREF ExchangeColor(HDC handle, COLORREF DcState::*member, COLORREF color) {
    auto dc = FindDc(handle);
    if (!dc)
        return CLR_INVALID;
    return std::exchange(dc->state.*member, color & 0xFFFFFFu);
}

COLORREF ReadColor(HDC handle, COLORREF DcState::*member) {
    auto dc = FindDc(handle);
    return dc ? dc->state.*member : CLR_INVALID;
}

}  // namespace

COLORREF SetTextColor(HDC handle, COLORREF color) { return ExchangeColor(handle, &DcState::text_color, color); }
COLORREF GetTextColor(HDC handle) { return ReadColor(handle, &DcState::text_color); }
COLORREF SetBkColor(HDC handle, COLORREF color) { return ExchangeColor(handle, &DcState::bk_color, color); }
COLORREF GetBkColor(HDC handle) { return ReadColor(handle, &DcState::bk_color); }

int SetBkMode(HDC handle, int mode) {
    auto dc = FindDc(handle);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE))
        return 0;
    return std::exchange(dc->state.bk_mode, mode);
}

int GetBkMode(HDC handle) {
    auto dc = FindDc(handle);
    return dc ? dc->state.bk_mode : 0;
}

BOOL MoveToEx(HDC handle, int x, int y, POINT* previous) {
    auto dc = FindDc(handle);
    if (!dc)
        return FALSE;
    if (previous)
        *previous = dc->state.position;
    dc->state.position = POINT{x, y};
    return TRUE;
}

int SelectClipRgn(HDC handle, HRGN region_handle) {
    auto dc = FindDc(handle);
    if (!dc)
        return ERROR;
    if (region_handle == nullptr) {
        dc->state.clip.reset();
        return dc->system_clip ? ClipType(dc->system_clip.get()) : SIMPLEREGION;
    }
    auto region = Find<Region>(region_handle, ObjectKind::Region);
    if (!region)
        return ERROR;
    {
        std::lock_guard lock(TableLock());
        if (region->owner != nullptr) {
            CountRefused();
            return ERROR;
        }
    }
    SharedRegion clip = MakeSharedRegion(cairo_region_copy(region->region));
    cairo_region_translate(clip.get(), dc->origin.x, dc->origin.y);
    if (dc->system_clip)
        cairo_region_intersect(clip.get(), dc->system_clip.get());
    if (cairo_region_status(clip.get()) != CAIRO_STATUS_SUCCESS)
        return ERROR;
    dc->state.clip = std::move(clip);
    return ClipType(dc->state.clip.get());
}

int GetClipBox(HDC handle, RECT* box) {
    auto dc = FindDc(handle);
    if (!dc || box == nullptr)
        return ERROR;
    *box = RECT{};
    cairo_surface_t* surface = TargetSurface(*dc);
    if (!surface)
        return NULLREGION;
    const cairo_rectangle_int_t bounds{0, 0, cairo_image_surface_get_width(surface),
                                       cairo_image_surface_get_height(surface)};
    SharedRegion visible = MakeSharedRegion(cairo_region_create_rectangle(&bounds));
    if (const SharedRegion& clip = EffectiveClip(*dc))
        cairo_region_intersect(visible.get(), clip.get());
    if (cairo_region_is_empty(visible.get()))
        return NULLREGION;
    cairo_rectangle_int_t extents;
    cairo_region_get_extents(visible.get(), &extents);
    *box = RECT{extents.x - dc->origin.x, extents.y - dc->origin.y,
                extents.x + extents.width - dc->origin.x, extents.y + extents.height - dc->origin.y};
    return ClipType(visible.get());
}
