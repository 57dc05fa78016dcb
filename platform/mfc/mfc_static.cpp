#include "platform/mfc/mfc_controls.h"
#include "platform/mfc/mfc_internal.h"

namespace {

void PaintStatic(HWND control, HDC dc, const RECT& client) {
    const DWORD style = static_cast<DWORD>(GetWindowLongPtr(control, GWL_STYLE));
    HWND parent = GetParent(control);
    HBRUSH brush = parent ? reinterpret_cast<HBRUSH>(SendMessage(parent, WM_CTLCOLORSTATIC,
                                                                 reinterpret_cast<WPARAM>(dc),
                                                                 reinterpret_cast<LPARAM>(control)))
                          : nullptr;
    FillRect(dc, &client, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
    const DWORD type = style & SS_TYPEMASK;
    if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE)
        return;
    char text[1024] = {};
    const int length = GetWindowText(control, text, sizeof text);
    HGDIOBJ old_font = nullptr;
    if (HFONT font = reinterpret_cast<HFONT>(SendMessage(control, WM_GETFONT, 0, 0)))
        old_font = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    if (!IsWindowEnabled(control))
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    UINT format = type == SS_CENTER ? DT_CENTER : type == SS_RIGHT ? DT_RIGHT : DT_LEFT;
    if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT)
        format |= DT_WORDBREAK;
    if ((style & SS_NOPREFIX) != 0)
        format |= DT_NOPREFIX;
    if ((style & SS_CENTERIMAGE) != 0)
        format = (format & ~DT_WORDBREAK) | DT_VCENTER | DT_SINGLELINE;
    RECT area = client;
    DrawText(dc, text, length, &area, format);
    if (old_font != nullptr)
        SelectObject(dc, old_font);
}

LRESULT StaticProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    const DWORD style = static_cast<DWORD>(GetWindowLongPtr(control, GWL_STYLE));
    switch (message) {
    case WM_NCHITTEST:
        // Clicks pass to the window below unless the static wants them.
        if ((style & SS_NOTIFY) == 0)
            return HTTRANSPARENT;
        return DefWindowProc(control, message, wParam, lParam);
    case WM_LBUTTONDOWN:
        if ((style & SS_NOTIFY) != 0)
            KvNotifyParent(control, STN_CLICKED);
        return 0;
    case WM_SETTEXT:
    case WM_ENABLE: {
        const LRESULT result = DefWindowProc(control, message, wParam, lParam);
        InvalidateRect(control, nullptr, TRUE);
        return message == WM_SETTEXT ? result : 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(control, &paint);
        if (dc == nullptr)
            return 0;
        RECT client;
        GetClientRect(control, &client);
        if ((style & SS_TYPEMASK) == SS_OWNERDRAW)
            KvSendDrawItem(control, dc, ODT_STATIC, 0, IsWindowEnabled(control) ? 0 : ODS_DISABLED, client);
        else
            PaintStatic(control, dc, client);
        EndPaint(control, &paint);
        return 0;
    }
    default:
        return DefWindowProc(control, message, wParam, lParam);
    }
}

}  // namespace

void KvRegisterStaticClass() {
    WNDCLASSEX window_class;
    window_class.lpfnWndProc = &StaticProcedure;
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.lpszClassName = KV_STATIC_CLASS;
    RegisterClassEx(&window_class);
}

void KvRegisterWindowClasses() {
    KvRegisterButtonClass();
    KvRegisterStaticClass();
    KvRegisterDialogClass();
    KvRegisterTabClass();
    KvRegisterEditClass();
}

BOOL CStatic::Create(const char* text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    KvRegisterWindowClasses();
    return CreateEx(0, KV_STATIC_CLASS, text, style | WS_CHILD, rect, parent, id);
}
