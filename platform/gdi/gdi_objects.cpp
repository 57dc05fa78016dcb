// The handle table, stock objects, pens, brushes and system colours.

#include "platform/gdi/gdi_internal.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace gdi_internal {
namespace {

struct Slot {
    std::shared_ptr<Object> object;
    std::uint32_t generation = 1;
};

struct Table {
    std::mutex lock;
    std::vector<Slot> slots;
    std::vector<std::uint32_t> free_slots;
    std::uint64_t live_objects = 0;
    std::uint64_t live_dcs = 0;
    std::atomic<std::uint64_t> refused{0};
};

Table& GetTable() {
    static Table table;
    return table;
}

// Generations start at 1, so no handle is a small integer: those are left for
// the system colour brushes that FillRect accepts.
std::uintptr_t MakeHandle(std::uint32_t index, std::uint32_t generation) {
    return (static_cast<std::uintptr_t>(generation) << 32) | (static_cast<std::uintptr_t>(index) + 1);
}

Slot* SlotOfLocked(Table& table, std::uintptr_t handle) {
    const auto generation = static_cast<std::uint32_t>(handle >> 32);
    const auto low = static_cast<std::uint32_t>(handle & 0xFFFFFFFFu);
    if (generation == 0 || low == 0 || low > table.slots.size())
        return nullptr;
    Slot& slot = table.slots[low - 1];
    if (slot.generation != generation || !slot.object)
        return nullptr;
    return &slot;
}

// XP-era colours (Luna), as COLORREFs.
constexpr DWORD kSysColors[] = {
    0xC8D0D4, 0x984E00, 0xE35400, 0xDF967A, 0xFFFFFF, 0xFFFFFF, 0x000000, 0x000000,
    0x000000, 0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0xC56A31, 0xFFFFFF, 0xD8E9EC,
    0x99A8AC, 0x99A8AC, 0x000000, 0xF8E4D8, 0xFFFFFF, 0x646F71, 0xE2EFF1, 0x000000,
    0xE1FFFF, 0xB5B5B5, 0x800000, 0xFF953D, 0xEBB99D, 0xC56A31, 0xD8E9EC,
};
constexpr int kSysColorCount = static_cast<int>(sizeof(kSysColors) / sizeof(kSysColors[0]));

template <typename T> std::shared_ptr<T> AddStock(std::shared_ptr<T> object) {
    object->stock = true;
    AddObject(object);
    return object;
}

std::shared_ptr<Pen> MakePen(bool null, COLORREF color) {
    auto pen = std::make_shared<Pen>();
    pen->null = null;
    pen->color = color & 0xFFFFFFu;
    return pen;
}

std::shared_ptr<Brush> MakeBrush(bool hollow, COLORREF color) {
    auto brush = std::make_shared<Brush>();
    brush->hollow = hollow;
    brush->color = color & 0xFFFFFFu;
    return brush;
}

struct StockPensAndBrushes {
    std::shared_ptr<Pen> black_pen = AddStock(MakePen(false, 0));
    std::shared_ptr<Pen> null_pen = AddStock(MakePen(true, 0));
    std::shared_ptr<Brush> white_brush = AddStock(MakeBrush(false, 0xFFFFFF));
    std::shared_ptr<Brush> black_brush = AddStock(MakeBrush(false, 0));
    std::shared_ptr<Brush> null_brush = AddStock(MakeBrush(true, 0));
    std::vector<std::shared_ptr<Brush>> sys_color_brushes;
    StockPensAndBrushes() {
        for (DWORD color : kSysColors)
            sys_color_brushes.push_back(AddStock(MakeBrush(false, color)));
    }
};

const StockPensAndBrushes& Stock() {
    static const StockPensAndBrushes stock;
    return stock;
}

std::shared_ptr<Font> MakeStockFont() {
    LOGFONT logfont;
    logfont.lfHeight = -11;
    logfont.lfWeight = FW_NORMAL;
    std::strcpy(logfont.lfFaceName, "DejaVu Sans");
    auto font = MakeFont(logfont);
    if (font)
        AddStock(font);
    return font;
}

}  // namespace

std::uintptr_t AddObject(std::shared_ptr<Object> object) {
    Table& table = GetTable();
    std::lock_guard lock(table.lock);
    std::uint32_t index = 0;
    if (!table.free_slots.empty()) {
        index = table.free_slots.back();
        table.free_slots.pop_back();
    } else {
        index = static_cast<std::uint32_t>(table.slots.size());
        table.slots.emplace_back();
    }
    Slot& slot = table.slots[index];
    object->handle = MakeHandle(index, slot.generation);
    if (object->kind == ObjectKind::Dc)
        ++table.live_dcs;
    else if (!object->stock)
        ++table.live_objects;
    slot.object = std::move(object);
    return slot.object->handle;
}

std::shared_ptr<Object> FindObject(const void* handle, ObjectKind kind) {
    if (handle == nullptr)
        return nullptr;
    Table& table = GetTable();
    {
        std::lock_guard lock(table.lock);
        Slot* slot = SlotOfLocked(table, reinterpret_cast<std::uintptr_t>(handle));
        if (slot && slot->object->kind == kind)
            return slot->object;
    }
    CountRefused();
    return nullptr;
}

std::shared_ptr<Object> FindAnyObject(const void* handle) {
    if (handle == nullptr)
        return nullptr;
    Table& table = GetTable();
    {
        std::lock_guard lock(table.lock);
        if (Slot* slot = SlotOfLocked(table, reinterpret_cast<std::uintptr_t>(handle)))
            return slot->object;
    }
    CountRefused();
    return nullptr;
}

std::shared_ptr<Object> RemoveObjectLocked(std::uintptr_t handle) {
    Table& table = GetTable();
    Slot* slot = SlotOfLocked(table, handle);
    if (!slot)
        return nullptr;
    std::shared_ptr<Object> object = std::move(slot->object);
    slot->object.reset();
    if (++slot->generation == 0)
        slot->generation = 1;
    table.free_slots.push_back(static_cast<std::uint32_t>(slot - table.slots.data()));
    if (object->kind == ObjectKind::Dc)
        --table.live_dcs;
    else if (!object->stock)
        --table.live_objects;
    return object;
}

std::mutex& TableLock() { return GetTable().lock; }

void CountRefused() { GetTable().refused.fetch_add(1, std::memory_order_relaxed); }

void HoldStateLocked(const DcState& state, int delta) {
    if (state.pen)
        state.pen->holders += delta;
    if (state.brush)
        state.brush->holders += delta;
    if (state.font)
        state.font->holders += delta;
    if (state.bitmap)
        state.bitmap->holders += delta;
}

std::shared_ptr<Pen> StockPen(int index) {
    if (index == BLACK_PEN)
        return Stock().black_pen;
    if (index == NULL_PEN)
        return Stock().null_pen;
    return nullptr;
}

std::shared_ptr<Brush> StockBrush(int index) {
    switch (index) {
    case WHITE_BRUSH:
        return Stock().white_brush;
    case BLACK_BRUSH:
        return Stock().black_brush;
    case NULL_BRUSH:
        return Stock().null_brush;
    default:
        return nullptr;
    }
}

std::shared_ptr<Font> StockFont(int index) {
    if (index == SYSTEM_FONT) {
        static const std::shared_ptr<Font> font = MakeStockFont();
        return font;
    }
    if (index == DEFAULT_GUI_FONT) {
        static const std::shared_ptr<Font> font = MakeStockFont();
        return font;
    }
    return nullptr;
}

std::shared_ptr<Bitmap> DefaultBitmap() {
    static const std::shared_ptr<Bitmap> bitmap = [] {
        auto stock = MakeBitmap(1, 1);
        AddStock(stock);
        return stock;
    }();
    return bitmap;
}

std::shared_ptr<Object> StockObject(int index) {
    if (auto pen = StockPen(index))
        return pen;
    if (auto brush = StockBrush(index))
        return brush;
    return StockFont(index);
}

SharedRegion MakeSharedRegion(cairo_region_t* region) {
    return SharedRegion(region, cairo_region_destroy);
}

bool ValidCoordinate(long long value) { return value >= -kMaxCoordinate && value <= kMaxCoordinate; }

bool ValidCoordinates(std::initializer_list<long long> values) {
    for (long long value : values)
        if (!ValidCoordinate(value)) {
            CountRefused();
            return false;
        }
    return true;
}

bool SmallShape(long long left, long long top, long long right, long long bottom) {
    if (std::llabs(right - left) <= kMaxShapeSide && std::llabs(bottom - top) <= kMaxShapeSide)
        return true;
    CountRefused();
    return false;
}

bool NormaliseBox(int& left, int& top, int& right, int& bottom) {
    if (!ValidCoordinates({left, top, right, bottom}))
        return false;
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    return true;
}

}  // namespace gdi_internal

using namespace gdi_internal;

HPEN CreatePen(int style, int width, COLORREF color) {
    if (style == PS_NULL)
        return reinterpret_cast<HPEN>(AddObject(MakePen(true, color)));
    // Only solid one-pixel pens are drawn.
    if (style != PS_SOLID || width < 0 || width > 1)
        return nullptr;
    return reinterpret_cast<HPEN>(AddObject(MakePen(false, color)));
}

HBRUSH CreateSolidBrush(COLORREF color) {
    return reinterpret_cast<HBRUSH>(AddObject(MakeBrush(false, color)));
}

BOOL DeleteObject(HGDIOBJ handle) {
    if (handle == nullptr)
        return FALSE;
    std::shared_ptr<Object> removed;  // released outside the lock
    {
        std::lock_guard lock(TableLock());
        Table& table = GetTable();
        Slot* slot = SlotOfLocked(table, reinterpret_cast<std::uintptr_t>(handle));
        if (slot && slot->object->kind != ObjectKind::Dc) {
            Object& object = *slot->object;
            // Deleting a stock object is harmless and does nothing.
            if (object.stock)
                return TRUE;
            const bool in_use = object.holders > 0 || object.owner != nullptr ||
                                (object.kind == ObjectKind::Bitmap &&
                                 static_cast<Bitmap&>(object).selected_in != nullptr);
            if (!in_use)
                removed = RemoveObjectLocked(object.handle);
        }
    }
    if (removed)
        return TRUE;
    CountRefused();
    return FALSE;
}

int GetObject(HGDIOBJ handle, int size, void* buffer) {
    if (handle == nullptr)
        return 0;
    std::shared_ptr<Object> object;
    {
        std::lock_guard lock(TableLock());
        Slot* slot = SlotOfLocked(GetTable(), reinterpret_cast<std::uintptr_t>(handle));
        if (slot)
            object = slot->object;
    }
    if (!object) {
        CountRefused();
        return 0;
    }
    if (object->kind == ObjectKind::Bitmap) {
        const auto& bitmap = static_cast<const Bitmap&>(*object);
        if (buffer == nullptr)
            return sizeof(BITMAP);
        if (size < static_cast<int>(sizeof(BITMAP)))
            return 0;
        BITMAP record;
        record.bmWidth = bitmap.width;
        record.bmHeight = bitmap.height;
        record.bmWidthBytes = bitmap.width * 4;
        record.bmPlanes = 1;
        record.bmBitsPixel = 32;
        record.bmBits = bitmap.dib_section ? cairo_image_surface_get_data(bitmap.surface) : nullptr;
        std::memcpy(buffer, &record, sizeof(record));
        return sizeof(BITMAP);
    }
    if (object->kind == ObjectKind::Font) {
        if (buffer == nullptr)
            return sizeof(LOGFONT);
        if (size < static_cast<int>(sizeof(LOGFONT)))
            return 0;
        std::memcpy(buffer, &static_cast<const Font&>(*object).logfont, sizeof(LOGFONT));
        return sizeof(LOGFONT);
    }
    return 0;
}

HGDIOBJ GetStockObject(int index) {
    auto object = StockObject(index);
    return object ? reinterpret_cast<HGDIOBJ>(object->handle) : nullptr;
}

DWORD GetSysColor(int index) {
    if (index < 0 || index >= kSysColorCount)
        return 0;
    return kSysColors[index];
}

HBRUSH GetSysColorBrush(int index) {
    if (index < 0 || index >= kSysColorCount)
        return nullptr;
    return reinterpret_cast<HBRUSH>(Stock().sys_color_brushes[static_cast<std::size_t>(index)]->handle);
}

GdiStatistics GdiGetStatistics() {
    Table& table = GetTable();
    std::lock_guard lock(table.lock);
    GdiStatistics statistics;
    statistics.live_objects = table.live_objects;
    statistics.live_dcs = table.live_dcs;
    statistics.refused_calls = table.refused.load(std::memory_order_relaxed);
    return statistics;
}
