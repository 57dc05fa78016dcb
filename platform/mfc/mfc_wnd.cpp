#include "platform/mfc/mfc_wnd.h"

#include "platform/thread_messaging.h"

#include <utility>

#include <cstdio>

namespace {

struct CurrentMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};
// The message being handled, for Default; lives on the dispatcher's stack.
thread_local const CurrentMessage* current_message = nullptr;

// Objects are found through the attached-object slot; only this layer puts
// CWnd objects there.
// The last window dispatched to and its object: most messages go to the
// same window as the one before. Attaching and detaching reset it.
struct ObjectCache {
    HWND window = nullptr;
    CWnd* object = nullptr;
};
thread_local ObjectCache object_cache;

// The cached object of the window, or null. An empty cache holds no window.
CWnd* CachedObjectOf(HWND window) {
    return window == object_cache.window ? object_cache.object : nullptr;
}

CWnd* ObjectOf(HWND window) {
    if (window == object_cache.window && window != nullptr)
        return object_cache.object;
    WindowHooks* hooks = GetWindowHooks(window);
    CWnd* object = hooks ? hooks->ClassObject() : nullptr;
    if (object != nullptr)
        object_cache = {window, object};
    return object;
}

void ForgetCachedObject(HWND window) {
    if (object_cache.window == window)
        object_cache = {};
}

class TemporaryDC : public CDC {
public:
    explicit TemporaryDC(HDC dc) { m_hDC = dc; }
    ~TemporaryDC() override { m_hDC = nullptr; }
};

}  // namespace

namespace {
// Restores the message being handled when a dispatch ends, however it ends.
class MessageScope {
public:
    explicit MessageScope(const CurrentMessage& here) : saved_(std::exchange(current_message, &here)) {}
    ~MessageScope() { current_message = saved_; }
    MessageScope(const MessageScope&) = delete;
    MessageScope& operator=(const MessageScope&) = delete;

private:
    const CurrentMessage* saved_;
};
}  // namespace

// Messages to a window other than the one dispatched to last, WM_NCDESTROY
// and windows whose object is only a stand-in. Kept apart and reached by a
// tail call, so that the common path keeps little in registers.
[[gnu::noinline]] LRESULT KvCWndDispatchFull(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

LRESULT KvCWndDispatchFull(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* object = ObjectOf(window);
    if (object == nullptr)
        return ::DefWindowProc(window, message, wParam, lParam);
    ++object->dispatch_depth_;
    LRESULT result = 0;
    {
        const CurrentMessage here{message, wParam, lParam};
        const MessageScope scope(here);
        if (object->owned_by_window_)
            result = ::CallWindowProc(object->m_pfnSuper, window, message, wParam, lParam);
        else
            result = object->WindowProc(message, wParam, lParam);
    }
    if (message == WM_NCDESTROY && object->m_hWnd == window)
        object->AfterNcDestroy(window);
    if (--object->dispatch_depth_ == 0 && object->post_nc_destroy_pending_)
        object->FinishNcDestroy();
    return result;
}

LRESULT KvCWndProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* object = CachedObjectOf(window);
    if (object == nullptr || message == WM_NCDESTROY || object->owned_by_window_) [[unlikely]]
        return KvCWndDispatchFull(window, message, wParam, lParam);
    ++object->dispatch_depth_;
    LRESULT result = 0;
    {
        const CurrentMessage here{message, wParam, lParam};
        const MessageScope scope(here);
        result = object->WindowProc(message, wParam, lParam);
    }
    // A handler may have destroyed the window: PostNcDestroy waits for the
    // outermost dispatch.
    if (--object->dispatch_depth_ == 0 && object->post_nc_destroy_pending_) [[unlikely]]
        object->FinishNcDestroy();
    return result;
}

void CWnd::AfterNcDestroy(HWND window) {
    // Messages still queued would reach the hooks only after the object is
    // gone: hand them over now.
    if (std::shared_ptr<MessageQueue> queue = FindThreadQueue(GetCurrentThreadId()))
        for (const MSG& dropped : queue->RemoveWindowMessages(window))
            OnDroppedMessage(dropped);
    // Detached now; PostNcDestroy waits for the outermost dispatch, as the
    // object may delete itself there.
    Detach();
    post_nc_destroy_pending_ = !in_destructor_;
}

void CWnd::FinishNcDestroy() {
    post_nc_destroy_pending_ = false;
    if (owned_by_window_) {
        delete this;
        return;
    }
    PostNcDestroy();  // may delete this: nothing after it
}

void KvCWndCreationHook(HWND window, void* context) {
    auto* object = static_cast<CWnd*>(context);
    if (GetWindowHooks(window) != nullptr)
        return;
    object->AttachObject(window);
    object->SubclassAttached();
    object->PreSubclassWindow();
}

CWnd::~CWnd() {
    if (m_hWnd == nullptr)
        return;
    in_destructor_ = true;
    HWND window = m_hWnd;
    if (::IsWindow(window) && !owned_by_window_)
        ::DestroyWindow(window);
    if (m_hWnd != nullptr)
        Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND window) { return window ? ObjectOf(window) : nullptr; }

CWnd* CWnd::FromHandle(HWND window) {
    if (window == nullptr || !::IsWindow(window))
        return nullptr;
    if (CWnd* object = ObjectOf(window))
        return object;
    if (GetWindowHooks(window) != nullptr)
        return nullptr;  // somebody else's hooks
    auto* object = new CWnd;
    object->owned_by_window_ = true;
    object->AttachObject(window);
    object->SubclassAttached();
    return object;
}

void CWnd::AttachObject(HWND window) {
    ForgetCachedObject(window);
    m_hWnd = window;
    SetWindowHooks(window, &hooks_);
}

void CWnd::SubclassAttached() {
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtr(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&KvCWndProcedure)));
}

BOOL CWnd::Attach(HWND window) {
    if (window == nullptr || m_hWnd != nullptr || !::IsWindow(window))
        return FALSE;
    if (CWnd* existing = ObjectOf(window)) {
        if (!existing->owned_by_window_)
            return FALSE;  // one object per window
        existing->UnsubclassWindow();
        // Attached from inside one of its own messages: it goes when that
        // message returns.
        if (existing->dispatch_depth_ > 0)
            existing->post_nc_destroy_pending_ = true;
        else
            delete existing;
    } else if (GetWindowHooks(window) != nullptr) {
        return FALSE;
    }
    AttachObject(window);
    return TRUE;
}

HWND CWnd::Detach() {
    HWND window = m_hWnd;
    if (window == nullptr)
        return nullptr;
    ForgetCachedObject(window);
    if (GetWindowHooks(window) == &hooks_) {
        // A window left without its object keeps working with its own procedure.
        if (m_pfnSuper != nullptr &&
            ::GetWindowLongPtr(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&KvCWndProcedure))
            ::SetWindowLongPtr(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        SetWindowHooks(window, nullptr);
    }
    m_hWnd = nullptr;
    return window;
}

HWND CWnd::UnsubclassWindow() { return Detach(); }

BOOL CWnd::SubclassWindow(HWND window) {
    if (!Attach(window))
        return FALSE;
    SubclassAttached();
    PreSubclassWindow();
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    return parent ? SubclassWindow(::GetDlgItem(parent->m_hWnd, static_cast<int>(id))) : FALSE;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) { return TRUE; }

BOOL CWnd::CreateEx(DWORD ex_style, const char* class_name, const char* window_name, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU id_or_menu, void* param) {
    if (m_hWnd != nullptr)
        return FALSE;
    CREATESTRUCT create;
    create.dwExStyle = ex_style;
    create.lpszClass = class_name;
    create.lpszName = window_name;
    create.style = static_cast<LONG>(style);
    create.x = x;
    create.y = y;
    create.cx = width;
    create.cy = height;
    create.hwndParent = parent;
    create.hMenu = id_or_menu;
    create.lpCreateParams = param;
    if (!PreCreateWindow(create))
        return FALSE;
    WndHookNextCreation(&KvCWndCreationHook, this);
    HWND window = ::CreateWindowEx(create.dwExStyle, create.lpszClass, create.lpszName,
                                   static_cast<DWORD>(create.style), create.x, create.y, create.cx, create.cy,
                                   create.hwndParent, create.hMenu, create.hInstance, create.lpCreateParams);
    WndHookNextCreation(nullptr, nullptr);
    // On failure the object may already be gone (PostNcDestroy).
    return window != nullptr;
}

BOOL CWnd::CreateEx(DWORD ex_style, const char* class_name, const char* window_name, DWORD style,
                    const RECT& rect, CWnd* parent, UINT id, void* param) {
    // A rectangle that wrapped gives a negative size, which creation refuses.
    return CreateEx(ex_style, class_name, window_name, style, rect.left, rect.top, CRect(rect).Width(),
                    CRect(rect).Height(), parent ? parent->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)), param);
}

BOOL CWnd::Create(const char* class_name, const char* window_name, DWORD style, const RECT& rect, CWnd* parent,
                  UINT id) {
    return CreateEx(0, class_name, window_name, style | WS_CHILD, rect, parent, id);
}

BOOL CWnd::DestroyWindow() { return m_hWnd != nullptr && ::DestroyWindow(m_hWnd); }

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

void CWnd::OnDroppedMessage(const MSG&) {}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper != nullptr && m_pfnSuper != &KvCWndProcedure)
        return m_pfnSuper(m_hWnd, message, wParam, lParam);
    return ::DefWindowProc(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    if (current_message == nullptr)
        return 0;
    const CurrentMessage& message = *current_message;
    return DefWindowProc(message.message, message.wParam, message.lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // Mouse moves arrive by the hundred per second: they skip the full table.
    if (message == WM_MOUSEMOVE) {
        OnMouseMove(static_cast<UINT>(wParam), CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
        return 0;
    }
    return DispatchToHandlers(message, wParam, lParam);
}

LRESULT CWnd::DispatchToHandlers(UINT message, WPARAM wParam, LPARAM lParam) {
    const CPoint point(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    const UINT keys = static_cast<UINT>(wParam);
    switch (message) {
    case WM_CREATE:
        return OnCreate(reinterpret_cast<CREATESTRUCT*>(lParam));
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_NCDESTROY:
        OnNcDestroy();
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_SIZE:
        OnSize(keys, LOWORD(static_cast<std::uintptr_t>(lParam)), HIWORD(static_cast<std::uintptr_t>(lParam)));
        return 0;
    case WM_MOVE:
        OnMove(point.x, point.y);
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_NCPAINT:
        OnNcPaint();
        return 0;
    case WM_ERASEBKGND: {
        TemporaryDC dc(reinterpret_cast<HDC>(wParam));
        return OnEraseBkgnd(&dc);
    }
    case WM_MOUSEMOVE:
        OnMouseMove(keys, point);
        return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown(keys, point);
        return 0;
    case WM_LBUTTONUP:
        OnLButtonUp(keys, point);
        return 0;
    case WM_LBUTTONDBLCLK:
        OnLButtonDblClk(keys, point);
        return 0;
    case WM_RBUTTONDOWN:
        OnRButtonDown(keys, point);
        return 0;
    case WM_RBUTTONUP:
        OnRButtonUp(keys, point);
        return 0;
    case WM_MOUSEHOVER:
        OnMouseHover(keys, point);
        return 0;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return 0;
    case WM_SETCURSOR:
        return OnSetCursor(FromHandle(reinterpret_cast<HWND>(wParam)), LOWORD(static_cast<std::uintptr_t>(lParam)),
                           HIWORD(static_cast<std::uintptr_t>(lParam)));
    case WM_NCHITTEST:
        return OnNcHitTest(point);
    case WM_SETFOCUS:
        OnSetFocus(FromHandle(reinterpret_cast<HWND>(wParam)));
        return 0;
    case WM_KILLFOCUS:
        OnKillFocus(FromHandle(reinterpret_cast<HWND>(wParam)));
        return 0;
    case WM_CAPTURECHANGED:
        OnCaptureChanged(FromHandle(reinterpret_cast<HWND>(lParam)));
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR: {
        const UINT repeat = LOWORD(static_cast<std::uintptr_t>(lParam));
        const UINT flags = HIWORD(static_cast<std::uintptr_t>(lParam));
        if (message == WM_KEYDOWN)
            OnKeyDown(keys, repeat, flags);
        else if (message == WM_KEYUP)
            OnKeyUp(keys, repeat, flags);
        else
            OnChar(keys, repeat, flags);
        return 0;
    }
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_ENABLE:
        OnEnable(static_cast<BOOL>(wParam));
        return 0;
    case WM_SHOWWINDOW:
        OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));
        return 0;
    case WM_WINDOWPOSCHANGING:
        OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam));
        return 0;
    case WM_WINDOWPOSCHANGED:
        OnWindowPosChanged(reinterpret_cast<WINDOWPOS*>(lParam));
        return 0;
    case WM_STYLECHANGED:
        OnStyleChanged(static_cast<int>(wParam), reinterpret_cast<STYLESTRUCT*>(lParam));
        return 0;
    case WM_COMMAND:
        return OnCommand(wParam, lParam) ? 0 : Default();
    case WM_NOTIFY: {
        LRESULT result = 0;
        return OnNotify(wParam, lParam, &result) ? result : Default();
    }
    case WM_DRAWITEM:
        OnDrawItem(static_cast<int>(wParam), reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
        TemporaryDC dc(reinterpret_cast<HDC>(wParam));
        return reinterpret_cast<LRESULT>(
            OnCtlColor(&dc, FromHandle(reinterpret_cast<HWND>(lParam)), message - WM_CTLCOLORMSGBOX));
    }
    default:
        return DefWindowProc(message, wParam, lParam);
    }
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    HWND control = reinterpret_cast<HWND>(lParam);
    if (control == nullptr)
        return FALSE;
    CWnd* child = FromHandlePermanent(control);
    LRESULT result = 0;
    return child != nullptr && child != this && child->OnChildNotify(WM_COMMAND, wParam, lParam, &result);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header == nullptr || header->hwndFrom == nullptr)
        return FALSE;
    CWnd* child = FromHandlePermanent(header->hwndFrom);
    return child != nullptr && child != this && child->OnChildNotify(WM_NOTIFY, wParam, lParam, result);
}

void CWnd::OnDrawItem(int, DRAWITEMSTRUCT* item) {
    if (item != nullptr && item->CtlType != ODT_MENU) {
        CWnd* child = FromHandlePermanent(item->hwndItem);
        LRESULT result = 0;
        if (child != nullptr && child != this &&
            child->OnChildNotify(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(item), &result))
            return;
    }
    Default();
}

HBRUSH CWnd::OnCtlColor(CDC* dc, CWnd* control, UINT type) {
    if (control != nullptr && control != this && type != CTLCOLOR_DLG) {
        LRESULT result = 0;
        if (control->OnChildNotify(WM_CTLCOLORMSGBOX + type, reinterpret_cast<WPARAM>(dc->m_hDC),
                                   reinterpret_cast<LPARAM>(control->m_hWnd), &result))
            return reinterpret_cast<HBRUSH>(result);
    }
    return reinterpret_cast<HBRUSH>(Default());
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (message) {
    case WM_COMMAND:
        return OnCommandReflect(HIWORD(wParam));
    case WM_NOTIFY:
        return OnNotifyReflect(reinterpret_cast<NMHDR*>(lParam), result);
    case WM_DRAWITEM:
        return OnDrawItemReflect(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    default:
        if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
            TemporaryDC dc(reinterpret_cast<HDC>(wParam));
            HBRUSH brush = CtlColor(&dc, message - WM_CTLCOLORMSGBOX);
            if (brush == nullptr)
                return FALSE;
            if (result != nullptr)
                *result = reinterpret_cast<LRESULT>(brush);
            return TRUE;
        }
        return FALSE;
    }
}

namespace {
BOOL ModifyLong(HWND window, int index, DWORD remove, DWORD add, UINT flags) {
    const auto style = static_cast<DWORD>(::GetWindowLongPtr(window, index));
    const DWORD updated = (style & ~remove) | add;
    if (style == updated)
        return FALSE;
    ::SetWindowLongPtr(window, index, static_cast<LONG_PTR>(updated));
    if (flags != 0)
        ::SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
    return TRUE;
}
}  // namespace

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT flags) { return ModifyLong(m_hWnd, GWL_STYLE, remove, add, flags); }

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT flags) {
    return ModifyLong(m_hWnd, GWL_EXSTYLE, remove, add, flags);
}

void CWnd::ClientToScreen(RECT* rect) const {
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(rect), 2);
}

void CWnd::ScreenToClient(RECT* rect) const {
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(rect), 2);
}

void CWnd::GetWindowText(std::string& text) const {
    const int length = ::GetWindowTextLength(m_hWnd);
    text.assign(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = ::GetWindowText(m_hWnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied < 0 ? 0 : copied));
}

int CWnd::ReleaseDC(CDC* dc) {
    if (dc == nullptr)
        return 0;
    HDC handle = dc->m_hDC;
    CDC::DeleteTempHandle(handle);
    return ::ReleaseDC(m_hWnd, handle);
}

void CWnd::CenterWindow(CWnd* alternate) {
    HWND around = alternate ? alternate->m_hWnd : ::GetParent(m_hWnd);
    CRect bounds(0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    if (around != nullptr)
        ::GetWindowRect(around, &bounds);
    CRect mine;
    GetWindowRect(&mine);
    CPoint origin(bounds.left + (bounds.Width() - mine.Width()) / 2, bounds.top + (bounds.Height() - mine.Height()) / 2);
    if ((GetStyle() & WS_CHILD) != 0) {
        HWND parent = ::GetParent(m_hWnd);
        ::ScreenToClient(parent, &origin);
        // Client origin of the parent, not its window rectangle.
    }
    SetWindowPos(nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
