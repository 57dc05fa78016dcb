#pragma once
// The window class layer: one CWnd object per window, in the window's
// attached-object slot, with messages dispatched to virtual handlers.
//
// Each handler's default passes the message on (Default): to the procedure
// the window had before the object subclassed it. The parent's default
// OnCommand, OnNotify, OnDrawItem and OnCtlColor first offer the message to
// the child's object (OnChildNotify); the child may decline.

#include "platform/common_controls.h"
#include "platform/mfc/mfc_gdi.h"
#include "platform/mfc/mfc_types.h"
#include "platform/wnd/wnd.h"

#include <string>

inline constexpr UINT WM_INITDIALOG = 0x0110;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr UINT CTLCOLOR_MSGBOX = 0;
inline constexpr UINT CTLCOLOR_EDIT = 1;
inline constexpr UINT CTLCOLOR_LISTBOX = 2;
inline constexpr UINT CTLCOLOR_BTN = 3;
inline constexpr UINT CTLCOLOR_DLG = 4;
inline constexpr UINT CTLCOLOR_SCROLLBAR = 5;
inline constexpr UINT CTLCOLOR_STATIC = 6;

class CWnd {
public:
    CWnd() = default;
    // A window still attached is destroyed first.
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    operator HWND() const { return m_hWnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The window's object; a window without one gets a plain CWnd that the
    // window owns, replaced (and deleted) by a later Attach or SubclassWindow.
    static CWnd* FromHandle(HWND window);
    static CWnd* FromHandlePermanent(HWND window);
    // Attaches without subclassing. Refused when the window has an object.
    BOOL Attach(HWND window);
    HWND Detach();

    virtual BOOL PreCreateWindow(CREATESTRUCT& create);
    // Attaches during creation, so the object sees WM_NCCREATE.
    BOOL CreateEx(DWORD ex_style, const char* class_name, const char* window_name, DWORD style, int x, int y,
                  int width, int height, HWND parent, HMENU id_or_menu, void* param = nullptr);
    BOOL CreateEx(DWORD ex_style, const char* class_name, const char* window_name, DWORD style,
                  const RECT& rect, CWnd* parent, UINT id, void* param = nullptr);
    BOOL Create(const char* class_name, const char* window_name, DWORD style, const RECT& rect, CWnd* parent,
                UINT id);
    virtual BOOL DestroyWindow();
    // Replaces the window's procedure, keeping the old one for Default.
    BOOL SubclassWindow(HWND window);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();
    virtual void PreSubclassWindow() {}
    virtual BOOL PreTranslateMessage(MSG* message);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Passes the message being handled on.
    LRESULT Default();
    // After WM_NCDESTROY, once the object is detached; may delete the object.
    virtual void PostNcDestroy() {}
    // A message of this child offered by its parent; TRUE when handled.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // A message queued for the window when it was destroyed.
    virtual void OnDroppedMessage(const MSG& message);

    // Reflected handlers: TRUE (or a brush) when handled.
    virtual BOOL OnCommandReflect(UINT) { return FALSE; }
    virtual BOOL OnNotifyReflect(NMHDR*, LRESULT*) { return FALSE; }
    virtual BOOL OnDrawItemReflect(DRAWITEMSTRUCT*) { return FALSE; }
    virtual HBRUSH CtlColor(CDC*, UINT) { return nullptr; }

    // Helpers.
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtr(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtr(m_hWnd, GWL_EXSTYLE)); }
    // With flags, SetWindowPos(SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags).
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
    BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0);
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    void ClientToScreen(POINT* point) const { ::ClientToScreen(m_hWnd, point); }
    void ClientToScreen(RECT* rect) const;
    void ScreenToClient(POINT* point) const { ::ScreenToClient(m_hWnd, point); }
    void ScreenToClient(RECT* rect) const;
    void MapWindowPoints(CWnd* to, POINT* points, UINT count) const {
        ::MapWindowPoints(m_hWnd, to ? to->m_hWnd : nullptr, points, count);
    }
    void MoveWindow(int x, int y, int w, int h, BOOL repaint = TRUE) { ::MoveWindow(m_hWnd, x, y, w, h, repaint); }
    void MoveWindow(const RECT* rect, BOOL repaint = TRUE) {
        MoveWindow(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, repaint);
    }
    BOOL SetWindowPos(const CWnd* after, int x, int y, int w, int h, UINT flags) {
        return ::SetWindowPos(m_hWnd, after ? after->m_hWnd : nullptr, x, y, w, h, flags);
    }
    void CenterWindow(CWnd* alternate = nullptr);
    BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    void SetWindowText(const std::string& text) { ::SetWindowText(m_hWnd, text.c_str()); }
    void GetWindowText(std::string& text) const;
    int GetWindowTextLength() const { return ::GetWindowTextLength(m_hWnd); }
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void InvalidateRect(const RECT* rect, BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, rect, erase); }
    void InvalidateRgn(CRgn* region, BOOL erase = TRUE) {
        ::InvalidateRgn(m_hWnd, region ? static_cast<HRGN>(*region) : nullptr, erase);
    }
    void ValidateRect(const RECT* rect) { ::ValidateRect(m_hWnd, rect); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    BOOL RedrawWindow(const RECT* rect = nullptr, CRgn* region = nullptr,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE) {
        return ::RedrawWindow(m_hWnd, rect, region ? static_cast<HRGN>(*region) : nullptr, flags);
    }
    // Without a window: the screen's.
    CDC* GetDC() { return CDC::FromHandle(::GetDC(m_hWnd)); }
    CDC* GetWindowDC() { return CDC::FromHandle(::GetWindowDC(m_hWnd)); }
    int ReleaseDC(CDC* dc);
    CWnd* SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }
    static CWnd* GetCapture() { return FromHandle(::GetCapture()); }
    CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
    static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
    std::uintptr_t SetTimer(std::uintptr_t id, UINT elapse_ms, TIMERPROC procedure = nullptr) {
        return ::SetTimer(m_hWnd, id, elapse_ms, procedure);
    }
    BOOL KillTimer(std::uintptr_t id) { return ::KillTimer(m_hWnd, id); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessage(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessage(m_hWnd, message, wParam, lParam);
    }
    void SetFont(CFont* font, BOOL redraw = TRUE) {
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font ? font->m_hObject : nullptr), redraw);
    }
    CFont* GetFont() const { return CFont::FromHandle(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT))); }
    // Takes the region over.
    int SetWindowRgn(HRGN region, BOOL redraw) { return ::SetWindowRgn(m_hWnd, region, redraw); }
    int GetWindowRgn(HRGN region) const { return ::GetWindowRgn(m_hWnd, region); }
    CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
    CWnd* GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    BOOL BringWindowToTop() { return ::BringWindowToTop(m_hWnd); }
    BOOL IsWindow() const { return m_hWnd != nullptr && ::IsWindow(m_hWnd); }

    HWND m_hWnd = nullptr;

protected:
    // Message handlers; each default passes the message on.
    virtual int OnCreate(CREATESTRUCT*) { return static_cast<int>(Default()); }
    virtual void OnDestroy() { Default(); }
    virtual void OnNcDestroy() { Default(); }
    virtual void OnClose() { Default(); }
    virtual void OnSize(UINT, int, int) { Default(); }
    virtual void OnMove(int, int) { Default(); }
    virtual void OnPaint() { Default(); }
    virtual void OnNcPaint() { Default(); }
    virtual BOOL OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
    virtual void OnMouseMove(UINT, CPoint) { Default(); }
    virtual void OnLButtonDown(UINT, CPoint) { Default(); }
    virtual void OnLButtonUp(UINT, CPoint) { Default(); }
    virtual void OnLButtonDblClk(UINT, CPoint) { Default(); }
    virtual void OnRButtonDown(UINT, CPoint) { Default(); }
    virtual void OnRButtonUp(UINT, CPoint) { Default(); }
    virtual void OnMouseHover(UINT, CPoint) { Default(); }
    virtual void OnMouseLeave() { Default(); }
    virtual BOOL OnSetCursor(CWnd*, UINT, UINT) { return static_cast<BOOL>(Default()); }
    virtual LRESULT OnNcHitTest(CPoint) { return Default(); }
    virtual void OnSetFocus(CWnd*) { Default(); }
    virtual void OnKillFocus(CWnd*) { Default(); }
    virtual void OnCaptureChanged(CWnd*) { Default(); }
    virtual void OnKeyDown(UINT, UINT, UINT) { Default(); }
    virtual void OnKeyUp(UINT, UINT, UINT) { Default(); }
    virtual void OnChar(UINT, UINT, UINT) { Default(); }
    virtual void OnTimer(std::uintptr_t) { Default(); }
    virtual void OnEnable(BOOL) { Default(); }
    virtual void OnShowWindow(BOOL, UINT) { Default(); }
    virtual void OnWindowPosChanging(WINDOWPOS*) { Default(); }
    virtual void OnWindowPosChanged(WINDOWPOS*) { Default(); }
    virtual void OnStyleChanged(int, STYLESTRUCT*) { Default(); }
    // Reflects to the control's object first; FALSE passes the message on.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual void OnDrawItem(int id, DRAWITEMSTRUCT* item);
    virtual HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT type);

    WNDPROC m_pfnSuper = nullptr;

private:
    friend LRESULT KvCWndProcedure(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT KvCWndDispatchFull(HWND, UINT, WPARAM, LPARAM);
    friend void KvCWndCreationHook(HWND, void*);
    // What the window system sees in the attached-object slot.
    class Hooks final : public WindowHooks {
    public:
        explicit Hooks(CWnd& owner) : owner_(owner) {}
        bool PreTranslateMessage(MSG& message) override { return owner_.PreTranslateMessage(&message) != FALSE; }
        void OnDroppedMessage(const MSG& message) override { owner_.OnDroppedMessage(message); }
        CWnd* ClassObject() override { return &owner_; }

    private:
        CWnd& owner_;
    };
    Hooks hooks_{*this};
    void AttachObject(HWND window);
    void SubclassAttached();
    void AfterNcDestroy(HWND window);
    void FinishNcDestroy();
    // WindowProc's table of handlers for all but the most frequent messages.
    [[gnu::noinline]] LRESULT DispatchToHandlers(UINT message, WPARAM wParam, LPARAM lParam);

    bool owned_by_window_ = false;
    bool in_destructor_ = false;
    bool post_nc_destroy_pending_ = false;
    int dispatch_depth_ = 0;
};

// The procedure of windows with an object.
LRESULT KvCWndProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
