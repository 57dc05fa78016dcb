#pragma once
// Owning wrappers of drawing objects and device contexts.
//
// A wrapper deletes what it holds when it dies, unless it was detached.
// FromHandle gives the wrapper attached to a handle, or a temporary one of
// the calling thread that never deletes the handle; temporaries live until
// their handle is deleted or released through a wrapper.

#include "platform/gdi/gdi.h"
#include "platform/mfc/mfc_types.h"
#include "platform/wnd/wnd_types.h"

#include <string>

class CGdiObject {
public:
    CGdiObject() = default;
    virtual ~CGdiObject();
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    operator HGDIOBJ() const { return m_hObject; }
    // Refuses a second handle and a handle another wrapper holds.
    BOOL Attach(HGDIOBJ object);
    HGDIOBJ Detach();
    BOOL DeleteObject();
    int GetObject(int size, void* buffer) const { return ::GetObject(m_hObject, size, buffer); }
    static CGdiObject* FromHandle(HGDIOBJ object);

    HGDIOBJ m_hObject = nullptr;

protected:
    template <class T>
    static T* FromHandleAs(HGDIOBJ object);
    // Attaches an object a Create call just made; one the wrapper cannot take
    // (it holds a handle already) is deleted rather than leaked.
    BOOL AttachCreated(HGDIOBJ created);
};

class CPen : public CGdiObject {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
    BOOL CreatePen(int style, int width, COLORREF color) { return AttachCreated(::CreatePen(style, width, color)); }
    operator HPEN() const { return static_cast<HPEN>(m_hObject); }
    static CPen* FromHandle(HPEN pen);
};

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
    BOOL CreateSolidBrush(COLORREF color) { return AttachCreated(::CreateSolidBrush(color)); }
    BOOL CreateSysColorBrush(int index) { return AttachCreated(::CreateSolidBrush(::GetSysColor(index))); }
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
    static CBrush* FromHandle(HBRUSH brush);
};

class CFont : public CGdiObject {
public:
    BOOL CreateFontIndirect(const LOGFONT* font) { return AttachCreated(::CreateFontIndirect(font)); }
    // Tenths of a point at 96 dpi.
    BOOL CreatePointFont(int tenths, const char* face);
    int GetLogFont(LOGFONT* font) const { return GetObject(sizeof(LOGFONT), font); }
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
    static CFont* FromHandle(HFONT font);
};

class CBitmap : public CGdiObject {
public:
    BOOL CreateCompatibleBitmap(class CDC* dc, int width, int height);
    int GetBitmap(BITMAP* bitmap) const { return GetObject(sizeof(BITMAP), bitmap); }
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
    static CBitmap* FromHandle(HBITMAP bitmap);
};

class CRgn : public CGdiObject {
public:
    BOOL CreateRectRgn(int l, int t, int r, int b) { return AttachCreated(::CreateRectRgn(l, t, r, b)); }
    BOOL CreateRectRgnIndirect(const RECT* rect) {
        return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : FALSE;
    }
    BOOL CreateRoundRectRgn(int l, int t, int r, int b, int w, int h) {
        return AttachCreated(::CreateRoundRectRgn(l, t, r, b, w, h));
    }
    BOOL CreateFromData(const XFORM* transform, DWORD size, const RGNDATA* data) {
        return AttachCreated(::ExtCreateRegion(transform, size, data));
    }
    int CombineRgn(const CRgn* a, const CRgn* b, int mode);
    int CopyRgn(const CRgn* source) { return CombineRgn(source, nullptr, RGN_COPY); }
    int OffsetRgn(int x, int y) { return ::OffsetRgn(*this, x, y); }
    BOOL PtInRegion(int x, int y) const { return ::PtInRegion(*this, x, y); }
    BOOL PtInRegion(POINT point) const { return PtInRegion(point.x, point.y); }
    int GetRgnBox(RECT* box) const { return ::GetRgnBox(*this, box); }
    BOOL EqualRgn(const CRgn* other) const { return other ? ::EqualRgn(*this, *other) : FALSE; }
    operator HRGN() const { return static_cast<HRGN>(m_hObject); }
    static CRgn* FromHandle(HRGN region);
};

class CDC {
public:
    CDC() = default;
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    BOOL Attach(HDC dc);
    HDC Detach();
    BOOL DeleteDC();
    BOOL CreateCompatibleDC(CDC* dc);
    static CDC* FromHandle(HDC dc);
    // Drops the calling thread's temporary wrapper of a released DC.
    static void DeleteTempHandle(HDC dc);

    // Each returns the object selected before, as a wrapper.
    CPen* SelectObject(CPen* pen);
    CBrush* SelectObject(CBrush* brush);
    CFont* SelectObject(CFont* font);
    CBitmap* SelectObject(CBitmap* bitmap);
    CGdiObject* SelectObject(CGdiObject* object);
    int SelectObject(CRgn* region) { return ::SelectClipRgn(m_hDC, region ? static_cast<HRGN>(*region) : nullptr); }
    CGdiObject* SelectStockObject(int index);
    CFont* GetCurrentFont() const;

    int SaveDC() { return ::SaveDC(m_hDC); }
    BOOL RestoreDC(int saved) { return ::RestoreDC(m_hDC, saved); }
    COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
    COLORREF GetTextColor() const { return ::GetTextColor(m_hDC); }
    COLORREF SetBkColor(COLORREF color) { return ::SetBkColor(m_hDC, color); }
    COLORREF GetBkColor() const { return ::GetBkColor(m_hDC); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    int GetBkMode() const { return ::GetBkMode(m_hDC); }
    int SelectClipRgn(CRgn* region) { return SelectObject(region); }
    int GetClipBox(RECT* box) const { return ::GetClipBox(m_hDC, box); }

    CPoint MoveTo(int x, int y);
    CPoint MoveTo(POINT point) { return MoveTo(point.x, point.y); }
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
    BOOL LineTo(POINT point) { return LineTo(point.x, point.y); }
    BOOL Rectangle(int l, int t, int r, int b) { return ::Rectangle(m_hDC, l, t, r, b); }
    BOOL Rectangle(const RECT* rect) { return Rectangle(rect->left, rect->top, rect->right, rect->bottom); }
    BOOL RoundRect(int l, int t, int r, int b, int w, int h) { return ::RoundRect(m_hDC, l, t, r, b, w, h); }
    void FillRect(const RECT* rect, CBrush* brush) { ::FillRect(m_hDC, rect, brush ? static_cast<HBRUSH>(*brush) : nullptr); }
    // Leaves the background colour set to color.
    void FillSolidRect(const RECT* rect, COLORREF color);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
    void FrameRect(const RECT* rect, CBrush* brush);
    void Draw3dRect(const RECT* rect, COLORREF top_left, COLORREF bottom_right);
    BOOL FillRgn(CRgn* region, CBrush* brush) { return ::FillRgn(m_hDC, *region, *brush); }
    BOOL FrameRgn(CRgn* region, CBrush* brush, int w, int h) { return ::FrameRgn(m_hDC, *region, *brush, w, h); }
    BOOL BitBlt(int x, int y, int w, int h, CDC* source, int xs, int ys, DWORD rop) {
        return ::BitBlt(m_hDC, x, y, w, h, source ? source->m_hDC : nullptr, xs, ys, rop);
    }
    BOOL AlphaBlend(int x, int y, int w, int h, CDC* source, int xs, int ys, int ws, int hs, BLENDFUNCTION blend) {
        return ::AlphaBlend(m_hDC, x, y, w, h, source ? source->m_hDC : nullptr, xs, ys, ws, hs, blend);
    }
    COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
    BOOL TextOut(int x, int y, const std::string& text) {
        return ::TextOut(m_hDC, x, y, text.data(), static_cast<int>(text.size()));
    }
    int DrawText(const std::string& text, RECT* rect, UINT format) {
        return ::DrawText(m_hDC, text.data(), static_cast<int>(text.size()), rect, format);
    }
    CSize GetTextExtent(const std::string& text) const;
    BOOL GetTextMetrics(TEXTMETRIC* metrics) const { return ::GetTextMetrics(m_hDC, metrics); }

    HDC m_hDC = nullptr;
};

class CWnd;

// BeginPaint and EndPaint.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* window);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps;

protected:
    HWND m_hWnd = nullptr;
};

// GetDC and ReleaseDC; a null window gives the screen.
class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* window);
    ~CClientDC() override;

protected:
    HWND m_hWnd = nullptr;
};

class CWindowDC : public CDC {
public:
    explicit CWindowDC(CWnd* window);
    ~CWindowDC() override;

protected:
    HWND m_hWnd = nullptr;
};
