#include "platform/mfc/mfc_controls.h"
#include "platform/mfc/mfc_internal.h"

namespace {

// The button's state bits (BST_) live in its first extra slot.
constexpr int kStateSlot = 0;

UINT State(HWND button) { return static_cast<UINT>(GetWindowLongPtr(button, kStateSlot)); }

void SetStateBits(HWND button, UINT bits, bool on) {
    const UINT state = State(button);
    const UINT updated = on ? (state | bits) : (state & ~bits);
    if (updated == state)
        return;
    SetWindowLongPtr(button, kStateSlot, static_cast<LONG_PTR>(updated));
    InvalidateRect(button, nullptr, TRUE);
}

DWORD Type(HWND button) { return static_cast<DWORD>(GetWindowLongPtr(button, GWL_STYLE)) & BS_TYPEMASK; }

bool IsCheckType(DWORD type) {
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_3STATE ||
           type == BS_AUTO3STATE || type == BS_AUTORADIOBUTTON;
}

void Click(HWND button) {
    const DWORD type = Type(button);
    UINT check = State(button) & 3;
    if (type == BS_AUTOCHECKBOX)
        check = check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    else if (type == BS_AUTO3STATE)
        check = (check + 1) % 3;
    else if (type == BS_AUTORADIOBUTTON)
        check = BST_CHECKED;
    if (check != (State(button) & 3))
        SendMessage(button, BM_SETCHECK, check, 0);
    KvNotifyParent(button, BN_CLICKED);
}

// The release that ends a press: unpushes and clicks when pushed.
void Release(HWND button) {
    const bool pushed = (State(button) & BST_PUSHED) != 0;
    if (!pushed)
        return;
    SendMessage(button, BM_SETSTATE, FALSE, 0);
    if (IsWindow(button))
        Click(button);
}

HBRUSH ColourBrush(HWND button, HDC dc) {
    HWND parent = GetParent(button);
    HBRUSH brush = parent ? reinterpret_cast<HBRUSH>(
                                SendMessage(parent, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                                            reinterpret_cast<LPARAM>(button)))
                          : nullptr;
    return brush ? brush : GetSysColorBrush(COLOR_BTNFACE);
}

void PaintButton(HWND button, HDC dc, const RECT& client) {
    const DWORD type = Type(button);
    const UINT state = State(button);
    const bool enabled = IsWindowEnabled(button) != FALSE;
    char text[512] = {};
    const int length = GetWindowText(button, text, sizeof text);
    HGDIOBJ old_font = nullptr;
    if (HFONT font = reinterpret_cast<HFONT>(SendMessage(button, WM_GETFONT, 0, 0)))
        old_font = SelectObject(dc, font);
    FillRect(dc, &client, ColourBrush(button, dc));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    CDC* wrapper = CDC::FromHandle(dc);
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_PUSHBOX || type == BS_USERBUTTON) {
        const bool pushed = (state & BST_PUSHED) != 0;
        CRect edge(client);
        if (type == BS_DEFPUSHBUTTON) {
            wrapper->Draw3dRect(&edge, GetSysColor(COLOR_WINDOWFRAME), GetSysColor(COLOR_WINDOWFRAME));
            edge.DeflateRect(1, 1);
        }
        wrapper->Draw3dRect(&edge, GetSysColor(pushed ? COLOR_3DSHADOW : COLOR_3DHILIGHT),
                            GetSysColor(pushed ? COLOR_3DHILIGHT : COLOR_3DDKSHADOW));
        CRect label(client);
        if (pushed)
            label.OffsetRect(1, 1);
        DrawText(dc, text, length, &label, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    } else if (IsCheckType(type)) {
        const int box = 13;
        const int top = (client.bottom - client.top - box) / 2;
        const CRect mark(client.left, top, client.left + box, top + box);
        const bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
        SelectObject(dc, GetStockObject(WHITE_BRUSH));
        if (radio)
            RoundRect(dc, mark.left, mark.top, mark.right, mark.bottom, box, box);
        else
            Rectangle(dc, mark.left, mark.top, mark.right, mark.bottom);
        const UINT check = state & 3;
        if (check != BST_UNCHECKED) {
            CRect inner(mark);
            inner.DeflateRect(3, 3);
            wrapper->FillSolidRect(&inner, GetSysColor(check == BST_CHECKED ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
        }
        CRect label(client);
        label.left += box + 4;
        DrawText(dc, text, length, &label, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    } else if (type == BS_GROUPBOX) {
        SIZE extent{};
        GetTextExtentPoint32(dc, text, length, &extent);
        CRect frame(client);
        frame.top += extent.cy / 2;
        wrapper->Draw3dRect(&frame, GetSysColor(COLOR_3DSHADOW), GetSysColor(COLOR_3DHILIGHT));
        CRect label(client.left + 8, client.top, client.left + 8 + extent.cx, client.top + extent.cy);
        wrapper->FillSolidRect(&label, GetSysColor(COLOR_BTNFACE));
        DrawText(dc, text, length, &label, DT_LEFT | DT_TOP | DT_SINGLELINE);
    }
    if (old_font != nullptr)
        SelectObject(dc, old_font);
}

LRESULT ButtonProcedure(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetFocus(button);
        SetCapture(button);
        SendMessage(button, BM_SETSTATE, TRUE, 0);
        return 0;
    case WM_MOUSEMOVE:
        if (GetCapture() == button) {
            RECT client;
            GetClientRect(button, &client);
            const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            const bool inside = CRect(client).PtInRect(point);
            if (inside != ((State(button) & BST_PUSHED) != 0))
                SendMessage(button, BM_SETSTATE, inside ? TRUE : FALSE, 0);
        }
        return 0;
    case WM_LBUTTONUP:
        if (GetCapture() != button)
            return 0;
        {
            // Released from capture first: the click may destroy the button.
            const bool pushed = (State(button) & BST_PUSHED) != 0;
            if (pushed)
                SetWindowLongPtr(button, kStateSlot, static_cast<LONG_PTR>(State(button) & ~BST_PUSHED));
            ReleaseCapture();
            if (pushed && IsWindow(button)) {
                SetWindowLongPtr(button, kStateSlot, static_cast<LONG_PTR>(State(button) | BST_PUSHED));
                Release(button);
            }
        }
        return 0;
    case WM_CAPTURECHANGED:
        SetStateBits(button, BST_PUSHED, false);
        return 0;
    case WM_KEYDOWN:
        if (wParam == static_cast<WPARAM>(VK_SPACE))
            SendMessage(button, BM_SETSTATE, TRUE, 0);
        return 0;
    case WM_KEYUP:
        if (wParam == static_cast<WPARAM>(VK_SPACE))
            Release(button);
        return 0;
    case WM_SETFOCUS:
        SetStateBits(button, BST_FOCUS, true);
        return 0;
    case WM_KILLFOCUS:
        SetStateBits(button, BST_FOCUS, false);
        return 0;
    case WM_ENABLE:
        InvalidateRect(button, nullptr, TRUE);
        return 0;
    case WM_SETTEXT: {
        const LRESULT result = DefWindowProc(button, message, wParam, lParam);
        InvalidateRect(button, nullptr, TRUE);
        return result;
    }
    case BM_GETSTATE:
        return static_cast<LRESULT>(State(button));
    case BM_SETSTATE:
        SetStateBits(button, BST_PUSHED, wParam != 0);
        return 0;
    case BM_GETCHECK:
        return IsCheckType(Type(button)) ? static_cast<LRESULT>(State(button) & 3) : 0;
    case BM_SETCHECK:
        if (IsCheckType(Type(button)) && wParam <= BST_INDETERMINATE) {
            SetWindowLongPtr(button, kStateSlot, static_cast<LONG_PTR>((State(button) & ~3u) | wParam));
            InvalidateRect(button, nullptr, TRUE);
        }
        return 0;
    case BM_SETSTYLE: {
        const DWORD style = static_cast<DWORD>(GetWindowLongPtr(button, GWL_STYLE));
        SetWindowLongPtr(button, GWL_STYLE, static_cast<LONG_PTR>((style & ~0xFFFFu) | (wParam & 0xFFFF)));
        if (LOWORD(static_cast<std::uintptr_t>(lParam)) != 0)
            InvalidateRect(button, nullptr, TRUE);
        return 0;
    }
    case BM_CLICK:
        Click(button);
        return 0;
    case BM_GETIMAGE:
    case BM_SETIMAGE:
        return 0;
    case WM_ERASEBKGND:
        return 1;  // painted whole in WM_PAINT
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(button, &paint);
        if (dc == nullptr)
            return 0;
        RECT client;
        GetClientRect(button, &client);
        if (Type(button) == BS_OWNERDRAW) {
            const UINT state = State(button);
            UINT item_state = 0;
            if ((state & BST_PUSHED) != 0)
                item_state |= ODS_SELECTED;
            if ((state & BST_FOCUS) != 0)
                item_state |= ODS_FOCUS;
            if (!IsWindowEnabled(button))
                item_state |= ODS_DISABLED;
            KvSendDrawItem(button, dc, ODT_BUTTON, 0, item_state, client);
        } else {
            PaintButton(button, dc, client);
        }
        EndPaint(button, &paint);
        return 0;
    }
    default:
        return DefWindowProc(button, message, wParam, lParam);
    }
}

}  // namespace

void KvRegisterButtonClass() {
    WNDCLASSEX window_class;
    window_class.lpfnWndProc = &ButtonProcedure;
    window_class.cbWndExtra = 8;
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.lpszClassName = KV_BUTTON_CLASS;
    RegisterClassEx(&window_class);
}

void KvNotifyParent(HWND control, UINT code) {
    HWND parent = GetParent(control);
    if (parent == nullptr || (GetWindowLongPtr(control, GWL_STYLE) & WS_CHILD) == 0)
        return;
    SendMessage(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), static_cast<int>(code)),
                reinterpret_cast<LPARAM>(control));
}

void KvSendDrawItem(HWND control, HDC dc, UINT type, UINT item, UINT state, const RECT& rect) {
    HWND parent = GetParent(control);
    if (parent == nullptr)
        return;
    const int saved = SaveDC(dc);
    if (HFONT font = reinterpret_cast<HFONT>(SendMessage(control, WM_GETFONT, 0, 0)))
        SelectObject(dc, font);
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    SelectObject(dc, GetStockObject(BLACK_PEN));
    DRAWITEMSTRUCT draw;
    draw.CtlType = type;
    draw.CtlID = static_cast<UINT>(GetDlgCtrlID(control));
    draw.itemID = item;
    draw.itemAction = ODA_DRAWENTIRE;
    draw.itemState = state;
    draw.hwndItem = control;
    draw.hDC = dc;
    draw.rcItem = rect;
    SendMessage(parent, WM_DRAWITEM, draw.CtlID, reinterpret_cast<LPARAM>(&draw));
    RestoreDC(dc, saved);
}

BOOL CButton::Create(const char* caption, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    KvRegisterWindowClasses();
    return CreateEx(0, KV_BUTTON_CLASS, caption, style | WS_CHILD, rect, parent, id);
}
