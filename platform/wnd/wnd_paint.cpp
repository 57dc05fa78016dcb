#include "platform/wnd/wnd_internal.h"

#include <algorithm>
#include <mutex>

using namespace wnd_internal;

namespace {

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
constexpr LONG kCaptionHeight = 19;

HRGN RectRegion(const RECT& rect) { return CreateRectRgn(rect.left, rect.top, rect.right, rect.bottom); }

HRGN CopyRegion(HRGN source) {
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(copy, source, nullptr, RGN_COPY);
    return copy;
}

void Intersect(HRGN target, HRGN other) { CombineRgn(target, target, other, RGN_AND); }

bool IsEmpty(HRGN region) {
    RECT box;
    return region == nullptr || GetRgnBox(region, &box) == NULLREGION;
}

// The window's shape (rectangle and window region) in its top-level
// window's coordinates.
HRGN Shape(const Window& window) {
    const POINT origin = OriginInTop(window);
    HRGN shape = RectRegion(
        RECT{origin.x, origin.y, KvSatAdd(origin.x, Width(window.rect)), KvSatAdd(origin.y, Height(window.rect))});
    if (window.region != nullptr) {
        HRGN region = CopyRegion(window.region);
        OffsetRgn(region, origin.x, origin.y);
        Intersect(shape, region);
        DeleteObject(region);
    }
    return shape;
}

RECT ClientInTop(const Window& window) {
    const POINT origin = OriginInTop(window);
    const RECT client = ClientRect(window);
    const POINT corner = Shifted(origin, window.frame.left, window.frame.top);
    return RECT{corner.x, corner.y, KvSatAdd(corner.x, client.right), KvSatAdd(corner.y, client.bottom)};
}

// Where the window may draw, in its top-level window's coordinates: its
// rectangle and window region, its ancestors' client areas and regions, less
// its visible children (WS_CLIPCHILDREN) and the visible siblings above it
// (WS_CLIPSIBLINGS).
HRGN VisibleRegion(const Window& window, bool client) {
    HRGN visible = Shape(window);
    if (client) {
        HRGN area = RectRegion(ClientInTop(window));
        Intersect(visible, area);
        DeleteObject(area);
    }
    for (const Window* ancestor = window.parent; ancestor != nullptr; ancestor = ancestor->parent) {
        HRGN area = RectRegion(ClientInTop(*ancestor));
        Intersect(visible, area);
        DeleteObject(area);
        if (ancestor->region != nullptr) {
            HRGN shape = Shape(*ancestor);
            Intersect(visible, shape);
            DeleteObject(shape);
        }
    }
    auto exclude = [visible](const Window& other) {
        if ((other.style & WS_VISIBLE) == 0)
            return;
        HRGN shape = Shape(other);
        CombineRgn(visible, visible, shape, RGN_DIFF);
        DeleteObject(shape);
    };
    if (window.style & WS_CLIPCHILDREN)
        for (const Window* child : window.children)
            exclude(*child);
    if ((window.style & WS_CLIPSIBLINGS) && window.parent != nullptr) {
        const auto& siblings = window.parent->children;
        auto self = std::find(siblings.begin(), siblings.end(), &window);
        for (auto above = self == siblings.end() ? self : self + 1; above != siblings.end(); ++above)
            exclude(**above);
    }
    return visible;
}

HDC CreateDc(const Window& window, bool client, HRGN limit_in_top) {
    const Window& top = TopLevel(const_cast<Window&>(window));
    if (top.surface == nullptr)
        return nullptr;
    POINT origin = OriginInTop(window);
    if (client) {
        origin = Shifted(origin, window.frame.left, window.frame.top);
    }
    HRGN clip = VisibleRegion(window, client);
    if (limit_in_top != nullptr)
        Intersect(clip, limit_in_top);
    HDC dc = GdiCreateWindowDC(top.surface, origin, clip);
    DeleteObject(clip);
    return dc;
}

HBITMAP NewBitmap(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = std::max(1, width);
    info.bmiHeader.biHeight = -std::max(1, height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

// A band of the given thickness inside the rectangle.
void FillBand(HDC dc, const RECT& outer, LONG thickness, int color) {
    HBRUSH brush = GetSysColorBrush(color);
    const RECT bands[] = {
        {outer.left, outer.top, outer.right, outer.top + thickness},
        {outer.left, outer.bottom - thickness, outer.right, outer.bottom},
        {outer.left, outer.top + thickness, outer.left + thickness, outer.bottom - thickness},
        {outer.right - thickness, outer.top + thickness, outer.right, outer.bottom - thickness},
    };
    for (const RECT& band : bands)
        FillRect(dc, &band, brush);
}

void PaintNow(Window& window, bool children) {
    if (!IsShown(window))
        return;
    const HWND handle = window.hwnd;
    std::shared_ptr<Window> hold = window.shared_from_this();
    if (window.update != nullptr || window.frame_dirty)
        SendMessage(handle, WM_PAINT, 0, 0);
    if (!children || window.destroyed)
        return;
    const std::vector<Window*> list = window.children;
    for (Window* child : list)
        if (Find(child->hwnd) == child)
            PaintNow(*child, true);
}

} // namespace

namespace wnd_internal {

bool MakeSurface(Window& window) {
    HBITMAP surface = NewBitmap(Width(window.rect), Height(window.rect));
    if (surface == nullptr)
        return false;
    if (window.surface != nullptr)
        DeleteObject(window.surface);
    window.surface = surface;
    return true;
}

void Invalidate(Window& window, const RECT* client_rect, HRGN client_region, bool erase, int children) {
    if (!IsShown(window))
        return;
    HRGN area = RectRegion(ClientRect(window));
    if (client_rect != nullptr) {
        HRGN part = RectRegion(*client_rect);
        Intersect(area, part);
        DeleteObject(part);
    } else if (client_region != nullptr) {
        Intersect(area, client_region);
    }
    if (IsEmpty(area)) {
        DeleteObject(area);
        return;
    }
    if (window.update == nullptr)
        window.update = CopyRegion(area);
    else
        CombineRgn(window.update, window.update, area, RGN_OR);
    if (erase)
        window.erase = true;
    MarkDirty();
    if (children > 0 || (children == 0 && (window.style & WS_CLIPCHILDREN) == 0)) {
        for (Window* child : window.children) {
            if ((child->style & WS_VISIBLE) == 0)
                continue;
            HRGN part = CopyRegion(area);
            HRGN outline = RectRegion(child->rect);
            Intersect(part, outline);
            DeleteObject(outline);
            if (!IsEmpty(part)) {
                if (child->frame.left || child->frame.top || child->frame.right || child->frame.bottom)
                    child->frame_dirty = true;
                const POINT corner = Shifted(POINT{child->rect.left, child->rect.top}, child->frame.left, child->frame.top);
                OffsetRgn(part, KvSatSub(0, corner.x), KvSatSub(0, corner.y));
                Invalidate(*child, nullptr, part, erase, children);
            }
            DeleteObject(part);
        }
    }
    DeleteObject(area);
}

void InvalidateTree(Window& window) {
    if ((window.style & WS_VISIBLE) == 0)
        return;
    window.frame_dirty = true;
    MarkDirty();
    Invalidate(window, nullptr, nullptr, true, -1);
    for (Window* child : window.children)
        InvalidateTree(*child);
}

void InvalidateParentArea(Window& window, const RECT& rect) {
    if (window.parent != nullptr)
        Invalidate(*window.parent, &rect, nullptr, true, 0);
}

Window* FirstToPaint(Window& window) {
    if ((window.style & WS_VISIBLE) == 0)
        return nullptr;
    if (window.update != nullptr || window.frame_dirty)
        return &window;
    for (Window* child : window.children)
        if (Window* found = FirstToPaint(*child))
            return found;
    return nullptr;
}

void PaintFrame(Window& window) {
    const DWORD style = window.frame_style;
    const DWORD ex_style = window.frame_ex_style;
    const LONG edge = (ex_style & WS_EX_CLIENTEDGE) ? 2 : 0;
    const LONG caption = (style & WS_CAPTION) == WS_CAPTION ? kCaptionHeight : 0;
    const LONG border = window.frame.left - edge;
    if (border <= 0 && edge == 0)
        return;
    HDC dc = GetWindowDC(window.hwnd);
    if (dc == nullptr)
        return;
    const RECT whole{0, 0, Width(window.rect), Height(window.rect)};
    if (border > 0) {
        const int color = (style & WS_THICKFRAME) ? COLOR_ACTIVEBORDER
                          : border >= 3          ? COLOR_3DFACE
                                                 : COLOR_WINDOWFRAME;
        FillBand(dc, whole, border, color);
    }
    if (caption > 0) {
        RECT bar{border, border, whole.right - border, border + caption};
        FillRect(dc, &bar, GetSysColorBrush(COLOR_ACTIVECAPTION));
        if (!window.text.empty()) {
            HGDIOBJ previous = SelectObject(dc, window.font ? window.font : GetStockObject(DEFAULT_GUI_FONT));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(COLOR_CAPTIONTEXT));
            bar.left += 4;
            DrawText(dc, window.text.c_str(), static_cast<int>(window.text.size()), &bar,
                     DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
            SelectObject(dc, previous);
        }
    }
    if (edge > 0) {
        const RECT inner{border, border + caption, whole.right - border, whole.bottom - border};
        FillBand(dc, inner, edge, COLOR_3DSHADOW);
    }
    ReleaseDC(window.hwnd, dc);
}

} // namespace wnd_internal

BOOL InvalidateRect(HWND handle, const RECT* rect, BOOL erase) {
    Window* window = Find(handle);
    if (window == nullptr)
        return FALSE;
    Invalidate(*window, rect, nullptr, erase != FALSE, 0);
    return TRUE;
}

BOOL InvalidateRgn(HWND handle, HRGN region, BOOL erase) {
    Window* window = Find(handle);
    if (window == nullptr)
        return FALSE;
    Invalidate(*window, nullptr, region, erase != FALSE, 0);
    return TRUE;
}

BOOL ValidateRect(HWND handle, const RECT* rect) {
    Window* window = Find(handle);
    if (window == nullptr)
        return FALSE;
    if (window->update == nullptr)
        return TRUE;
    if (rect == nullptr) {
        DeleteObject(window->update);
        window->update = nullptr;
        return TRUE;
    }
    HRGN part = RectRegion(*rect);
    CombineRgn(window->update, window->update, part, RGN_DIFF);
    DeleteObject(part);
    if (IsEmpty(window->update)) {
        DeleteObject(window->update);
        window->update = nullptr;
    }
    return TRUE;
}

BOOL GetUpdateRect(HWND handle, RECT* rect, BOOL) {
    Window* window = Find(handle);
    if (window == nullptr)
        return FALSE;
    RECT box{};
    if (window->update != nullptr)
        GetRgnBox(window->update, &box);
    if (rect != nullptr)
        *rect = box;
    return window->update != nullptr ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND handle) {
    Window* window = Find(handle);
    if (window == nullptr)
        return FALSE;
    PaintNow(*window, false);
    return TRUE;
}

BOOL RedrawWindow(HWND handle, const RECT* rect, HRGN region, UINT flags) {
    Window* window = Find(handle);
    if (window == nullptr)
        return FALSE;
    const int children = (flags & RDW_ALLCHILDREN) ? 1 : (flags & RDW_NOCHILDREN) ? -1 : 0;
    if (flags & RDW_INVALIDATE) {
        if (flags & RDW_FRAME) {
            window->frame_dirty = true;
            MarkDirty();
        }
        Invalidate(*window, rect, region, (flags & RDW_ERASE) != 0, children);
    }
    if (flags & RDW_VALIDATE) {
        if (flags & RDW_NOFRAME)
            window->frame_dirty = false;
        if (rect != nullptr || region == nullptr) {
            ValidateRect(handle, rect);
        } else if (window->update != nullptr) {
            CombineRgn(window->update, window->update, region, RGN_DIFF);
            if (IsEmpty(window->update)) {
                DeleteObject(window->update);
                window->update = nullptr;
            }
        }
        if (flags & RDW_NOERASE)
            window->erase = false;
    }
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW))
        PaintNow(*window, children > 0 || (children == 0 && (window->style & WS_CLIPCHILDREN) == 0));
    return TRUE;
}

HDC BeginPaint(HWND handle, PAINTSTRUCT* paint) {
    Window* window = Find(handle);
    if (window == nullptr || paint == nullptr)
        return nullptr;
    *paint = PAINTSTRUCT{};
    std::shared_ptr<Window> hold = window->shared_from_this();
    if (window->frame_dirty) {
        window->frame_dirty = false;
        SendMessage(handle, WM_NCPAINT, 1, 0);
        if ((window = Find(handle)) == nullptr)
            return nullptr;
    }
    HRGN limit = CreateRectRgn(0, 0, 0, 0);
    if (window->update != nullptr) {
        RECT box;
        GetRgnBox(window->update, &box);
        const RECT client = ClientRect(*window);
        paint->rcPaint = RECT{std::max(box.left, client.left), std::max(box.top, client.top),
                              std::min(box.right, client.right), std::min(box.bottom, client.bottom)};
        CombineRgn(limit, window->update, nullptr, RGN_COPY);
        const POINT origin = OriginInTop(*window);
        const POINT corner = Shifted(origin, window->frame.left, window->frame.top);
        OffsetRgn(limit, corner.x, corner.y);
        DeleteObject(window->update);
        window->update = nullptr;
    }
    const bool erase = window->erase;
    window->erase = false;
    HDC dc = CreateDc(*window, true, limit);
    DeleteObject(limit);
    if (dc == nullptr)
        return nullptr;
    paint->hdc = dc;
    if (erase)
        paint->fErase = SendMessage(handle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
    return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* paint) {
    if (paint == nullptr || paint->hdc == nullptr)
        return FALSE;
    DeleteDC(paint->hdc);
    return TRUE;
}

namespace {

// The screen bitmap of GetDC(NULL), made once for the process.
void MakeScreen() {
    static std::once_flag made;
    std::call_once(made, [] {
        HBITMAP screen = NewBitmap(kScreenWidth, kScreenHeight);
        HDC dc = GdiCreateWindowDC(screen, POINT{}, nullptr);
        const RECT all{0, 0, kScreenWidth, kScreenHeight};
        FillRect(dc, &all, GetSysColorBrush(COLOR_BACKGROUND));
        DeleteDC(dc);
        GdiSetScreenBitmap(screen);
    });
}

} // namespace

HDC GetDC(HWND handle) {
    if (handle == nullptr) {
        MakeScreen();
        return GdiCreateScreenDC();
    }
    Window* window = Find(handle);
    return window ? CreateDc(*window, true, nullptr) : nullptr;
}

HDC GetWindowDC(HWND handle) {
    if (handle == nullptr)
        return GetDC(nullptr);
    Window* window = Find(handle);
    return window ? CreateDc(*window, false, nullptr) : nullptr;
}

int ReleaseDC(HWND, HDC dc) { return dc != nullptr && DeleteDC(dc) ? 1 : 0; }

HBITMAP WndCaptureWindow(HWND handle) {
    Window* window = Find(handle);
    if (window == nullptr)
        return nullptr;
    const Window& top = TopLevel(*window);
    const int width = Width(window->rect);
    const int height = Height(window->rect);
    HBITMAP capture = NewBitmap(width, height);
    HDC target = GdiCreateWindowDC(capture, POINT{}, nullptr);
    HDC source = GdiCreateWindowDC(top.surface, POINT{}, nullptr);
    const POINT origin = OriginInTop(*window);
    BitBlt(target, 0, 0, width, height, source, origin.x, origin.y, SRCCOPY);
    DeleteDC(source);
    DeleteDC(target);
    return capture;
}

HBITMAP WndCaptureScreen() {
    HBITMAP screen = NewBitmap(kScreenWidth, kScreenHeight);
    HDC target = GdiCreateWindowDC(screen, POINT{}, nullptr);
    const RECT all{0, 0, kScreenWidth, kScreenHeight};
    FillRect(target, &all, GetSysColorBrush(COLOR_BACKGROUND));
    DeleteDC(target);
    for (const Window* top : State().top_levels) {
        if ((top->style & WS_VISIBLE) == 0 || top->surface == nullptr)
            continue;
        HRGN clip = Shape(*top);
        OffsetRgn(clip, top->rect.left, top->rect.top);
        target = GdiCreateWindowDC(screen, POINT{}, clip);
        DeleteObject(clip);
        HDC source = GdiCreateWindowDC(top->surface, POINT{}, nullptr);
        BitBlt(target, top->rect.left, top->rect.top, Width(top->rect), Height(top->rect), source, 0, 0, SRCCOPY);
        DeleteDC(source);
        DeleteDC(target);
    }
    return screen;
}
