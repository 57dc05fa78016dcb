#include "platform/mfc/mfc_gdi.h"

#include "platform/mfc/mfc_wnd.h"

#include <cstdio>
#include <memory>
#include <unordered_map>

namespace {

// Wrappers are per thread, like the device contexts they draw with.
struct GdiMaps {
    std::unordered_map<HGDIOBJ, CGdiObject*> permanent;
    std::unordered_map<HGDIOBJ, std::unique_ptr<CGdiObject>> temporary;
    std::unordered_map<HDC, CDC*> permanent_dcs;
    std::unordered_map<HDC, std::unique_ptr<CDC>> temporary_dcs;
};

GdiMaps& Maps() {
    thread_local GdiMaps maps;
    return maps;
}

void DropTemporary(HGDIOBJ object) {
    auto& temporary = Maps().temporary;
    auto found = temporary.find(object);
    if (found == temporary.end())
        return;
    auto wrapper = std::move(found->second);
    temporary.erase(found);
    wrapper->m_hObject = nullptr;  // temporaries never delete the handle
}

}  // namespace

CGdiObject::~CGdiObject() { DeleteObject(); }

BOOL CGdiObject::Attach(HGDIOBJ object) {
    if (object == nullptr || m_hObject != nullptr)
        return FALSE;
    auto& permanent = Maps().permanent;
    if (permanent.contains(object))
        return FALSE;
    DropTemporary(object);
    permanent.emplace(object, this);
    m_hObject = object;
    return TRUE;
}

BOOL CGdiObject::AttachCreated(HGDIOBJ created) {
    if (Attach(created))
        return TRUE;
    if (created != nullptr)
        ::DeleteObject(created);
    return FALSE;
}

HGDIOBJ CGdiObject::Detach() {
    HGDIOBJ object = m_hObject;
    if (object != nullptr) {
        auto& permanent = Maps().permanent;
        auto found = permanent.find(object);
        if (found != permanent.end() && found->second == this)
            permanent.erase(found);
    }
    m_hObject = nullptr;
    return object;
}

BOOL CGdiObject::DeleteObject() {
    if (m_hObject == nullptr)
        return FALSE;
    if (Maps().permanent.count(m_hObject) == 0) {
        // A temporary: the handle belongs to somebody else.
        m_hObject = nullptr;
        return FALSE;
    }
    HGDIOBJ object = Detach();
    return ::DeleteObject(object);
}

template <class T>
T* CGdiObject::FromHandleAs(HGDIOBJ object) {
    if (object == nullptr)
        return nullptr;
    GdiMaps& maps = Maps();
    if (auto found = maps.permanent.find(object); found != maps.permanent.end())
        if (T* typed = dynamic_cast<T*>(found->second))
            return typed;
    auto& slot = maps.temporary[object];
    if (T* typed = dynamic_cast<T*>(slot.get()))
        return typed;
    if (slot)
        slot->m_hObject = nullptr;
    auto wrapper = std::make_unique<T>();
    wrapper->m_hObject = object;
    T* result = wrapper.get();
    slot = std::move(wrapper);
    return result;
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ object) { return FromHandleAs<CGdiObject>(object); }
CPen* CPen::FromHandle(HPEN pen) { return FromHandleAs<CPen>(pen); }
CBrush* CBrush::FromHandle(HBRUSH brush) { return FromHandleAs<CBrush>(brush); }
CFont* CFont::FromHandle(HFONT font) { return FromHandleAs<CFont>(font); }
CBitmap* CBitmap::FromHandle(HBITMAP bitmap) { return FromHandleAs<CBitmap>(bitmap); }
CRgn* CRgn::FromHandle(HRGN region) { return FromHandleAs<CRgn>(region); }

BOOL CFont::CreatePointFont(int tenths, const char* face) {
    LOGFONT font;
    font.lfHeight = -((tenths * 96 + 360) / 720);
    font.lfWeight = FW_NORMAL;
    if (face != nullptr)
        std::snprintf(font.lfFaceName, sizeof font.lfFaceName, "%s", face);
    return CreateFontIndirect(&font);
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
    return AttachCreated(::CreateCompatibleBitmap(dc ? dc->m_hDC : nullptr, width, height));
}

int CRgn::CombineRgn(const CRgn* a, const CRgn* b, int mode) {
    return ::CombineRgn(*this, a ? static_cast<HRGN>(*a) : nullptr, b ? static_cast<HRGN>(*b) : nullptr, mode);
}

// ---- Device contexts ----

CDC::~CDC() {
    if (m_hDC != nullptr && Maps().permanent_dcs.count(m_hDC) != 0)
        DeleteDC();
}

BOOL CDC::CreateCompatibleDC(CDC* dc) {
    HDC created = ::CreateCompatibleDC(dc ? dc->m_hDC : nullptr);
    if (Attach(created))
        return TRUE;
    if (created != nullptr)
        ::DeleteDC(created);
    return FALSE;
}

BOOL CDC::Attach(HDC dc) {
    if (dc == nullptr || m_hDC != nullptr)
        return FALSE;
    GdiMaps& maps = Maps();
    if (maps.permanent_dcs.contains(dc))
        return FALSE;
    if (auto found = maps.temporary_dcs.find(dc); found != maps.temporary_dcs.end()) {
        found->second->m_hDC = nullptr;
        maps.temporary_dcs.erase(found);
    }
    maps.permanent_dcs.emplace(dc, this);
    m_hDC = dc;
    return TRUE;
}

HDC CDC::Detach() {
    HDC dc = m_hDC;
    if (dc != nullptr) {
        auto& permanent = Maps().permanent_dcs;
        auto found = permanent.find(dc);
        if (found != permanent.end() && found->second == this)
            permanent.erase(found);
    }
    m_hDC = nullptr;
    return dc;
}

BOOL CDC::DeleteDC() {
    if (m_hDC == nullptr)
        return FALSE;
    return ::DeleteDC(Detach());
}

CDC* CDC::FromHandle(HDC dc) {
    if (dc == nullptr)
        return nullptr;
    GdiMaps& maps = Maps();
    if (auto found = maps.permanent_dcs.find(dc); found != maps.permanent_dcs.end())
        return found->second;
    auto& slot = maps.temporary_dcs[dc];
    if (!slot) {
        slot = std::make_unique<CDC>();
        slot->m_hDC = dc;
    }
    return slot.get();
}

void CDC::DeleteTempHandle(HDC dc) {
    auto& temporary = Maps().temporary_dcs;
    auto found = temporary.find(dc);
    if (found == temporary.end())
        return;
    found->second->m_hDC = nullptr;
    temporary.erase(found);
}

CPen* CDC::SelectObject(CPen* pen) {
    return pen ? CPen::FromHandle(static_cast<HPEN>(::SelectObject(m_hDC, *pen))) : nullptr;
}
CBrush* CDC::SelectObject(CBrush* brush) {
    return brush ? CBrush::FromHandle(static_cast<HBRUSH>(::SelectObject(m_hDC, *brush))) : nullptr;
}
CFont* CDC::SelectObject(CFont* font) {
    return font ? CFont::FromHandle(static_cast<HFONT>(::SelectObject(m_hDC, *font))) : nullptr;
}
CBitmap* CDC::SelectObject(CBitmap* bitmap) {
    return bitmap ? CBitmap::FromHandle(static_cast<HBITMAP>(::SelectObject(m_hDC, *bitmap))) : nullptr;
}
CGdiObject* CDC::SelectObject(CGdiObject* object) {
    return object ? CGdiObject::FromHandle(::SelectObject(m_hDC, object->m_hObject)) : nullptr;
}
CGdiObject* CDC::SelectStockObject(int index) {
    return CGdiObject::FromHandle(::SelectObject(m_hDC, ::GetStockObject(index)));
}

CFont* CDC::GetCurrentFont() const {
    // Selecting a font gives the one selected before; put it back at once.
    HGDIOBJ current = ::SelectObject(m_hDC, ::GetStockObject(SYSTEM_FONT));
    if (current == nullptr)
        return nullptr;
    ::SelectObject(m_hDC, current);
    return CFont::FromHandle(static_cast<HFONT>(current));
}

CPoint CDC::MoveTo(int x, int y) {
    POINT previous{};
    ::MoveToEx(m_hDC, x, y, &previous);
    return CPoint(previous);
}

void CDC::FillSolidRect(const RECT* rect, COLORREF color) {
    if (rect == nullptr)
        return;
    ::SetBkColor(m_hDC, color);
    HBRUSH brush = ::CreateSolidBrush(color);
    ::FillRect(m_hDC, rect, brush);
    ::DeleteObject(brush);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color) {
    const RECT rect{x, y, x + cx, y + cy};
    FillSolidRect(&rect, color);
}

void CDC::FrameRect(const RECT* rect, CBrush* brush) {
    if (rect == nullptr || brush == nullptr)
        return;
    HRGN outer = ::CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
    ::FrameRgn(m_hDC, outer, *brush, 1, 1);
    ::DeleteObject(outer);
}

void CDC::Draw3dRect(const RECT* rect, COLORREF top_left, COLORREF bottom_right) {
    if (rect == nullptr)
        return;
    const COLORREF background = GetBkColor();
    const int w = rect->right - rect->left, h = rect->bottom - rect->top;
    FillSolidRect(rect->left, rect->top, w - 1, 1, top_left);
    FillSolidRect(rect->left, rect->top, 1, h - 1, top_left);
    FillSolidRect(rect->right - 1, rect->top, 1, h, bottom_right);
    FillSolidRect(rect->left, rect->bottom - 1, w, 1, bottom_right);
    SetBkColor(background);
}

CSize CDC::GetTextExtent(const std::string& text) const {
    SIZE size{};
    ::GetTextExtentPoint32(m_hDC, text.data(), static_cast<int>(text.size()), &size);
    return CSize(size);
}

CPaintDC::CPaintDC(CWnd* window) : m_hWnd(window ? window->m_hWnd : nullptr) {
    Attach(::BeginPaint(m_hWnd, &m_ps));
}

CPaintDC::~CPaintDC() {
    if (m_hDC != nullptr) {
        Detach();
        ::EndPaint(m_hWnd, &m_ps);
    }
}

CClientDC::CClientDC(CWnd* window) : m_hWnd(window ? window->m_hWnd : nullptr) { Attach(::GetDC(m_hWnd)); }

CClientDC::~CClientDC() {
    if (m_hDC != nullptr)
        ::ReleaseDC(m_hWnd, Detach());
}

CWindowDC::CWindowDC(CWnd* window) : m_hWnd(window ? window->m_hWnd : nullptr) { Attach(::GetWindowDC(m_hWnd)); }

CWindowDC::~CWindowDC() {
    if (m_hDC != nullptr)
        ::ReleaseDC(m_hWnd, Detach());
}
