#include "platform/mfc/mfc_dialog.h"

#include "platform/mfc/mfc_edit.h"
#include "platform/mfc/mfc_internal.h"
#include "platform/mfc/mfc_sheet.h"
#include "platform/mfc/mfc_tab.h"
#include "platform/mfc/mfc_tooltip.h"
#include "platform/resources.h"
#include "platform/windows1252.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

class TemplateReader {
public:
    TemplateReader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
    bool Word(WORD& value) {
        if (size_ - offset_ < 2)
            return false;
        value = static_cast<WORD>(data_[offset_] | (data_[offset_ + 1] << 8));
        offset_ += 2;
        return true;
    }
    bool Dword(DWORD& value) {
        WORD low = 0, high = 0;
        if (!Word(low) || !Word(high))
            return false;
        value = static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16);
        return true;
    }
    bool Short(std::int16_t& value) {
        WORD word = 0;
        if (!Word(word))
            return false;
        value = static_cast<std::int16_t>(word);
        return true;
    }
    // A zero-terminated UTF-16 string, starting with first.
    bool String(WORD first, std::string& text) {
        text.clear();
        for (WORD unit = first; unit != 0;) {
            char byte = '?';
            if (!CodePointToWindows1252(unit, byte))
                byte = '?';
            text.push_back(byte);
            if (!Word(unit))
                return false;
        }
        return true;
    }
    // A name or an ordinal (0xFFFF, id); nothing (0).
    bool NameOrOrdinal(std::string& name, WORD& id) {
        WORD first = 0;
        if (!Word(first))
            return false;
        if (first == 0xFFFF)
            return Word(id);
        return String(first, name);
    }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
};

bool HasClass(HWND window, const char* name) {
    char buffer[64];
    return GetClassName(window, buffer, sizeof buffer) > 0 && std::strcmp(buffer, name) == 0;
}

DWORD StyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongPtr(window, GWL_STYLE)); }

bool Usable(HWND window) { return (StyleOf(window) & (WS_VISIBLE | WS_DISABLED)) == WS_VISIBLE; }

// The usable controls under a window in the order they were made; pages and
// child sheets (dialog-class children) are walked into, not stopped at.
template <typename Keep>
void Collect(HWND parent, std::vector<HWND>& found, const Keep& keep) {
    for (HWND child : WndChildWindows(parent)) {
        if (!Usable(child))
            continue;
        if (HasClass(child, KV_DIALOG_CLASS))
            Collect(child, found, keep);
        else if (keep(child))
            found.push_back(child);
    }
}

bool IsSheetTabs(HWND control) {
    return GetDlgCtrlID(control) == KV_SHEET_TAB_ID && HasClass(control, KV_TAB_CLASS);
}

// The control a dialog opens with: the first usable WS_TABSTOP control in the
// order they were made, walking into pages and child dialogs; a sheet's tabs
// only when its shown page has no such control.
HWND FirstStop(HWND parent) {
    HWND sheet_tabs = nullptr;
    for (HWND child : WndChildWindows(parent)) {
        if (!Usable(child))
            continue;
        if (HasClass(child, KV_DIALOG_CLASS)) {
            if (HWND found = FirstStop(child))
                return found;
        } else if (IsSheetTabs(child)) {
            sheet_tabs = child;
        } else if ((StyleOf(child) & WS_TABSTOP) != 0) {
            return child;
        }
    }
    return sheet_tabs;
}

void FocusStop(HWND stop) {
    SetFocus(stop);
    // An edit reached by Tab has its text selected, ready to be typed over.
    if (IsWindow(stop) && HasClass(stop, KV_EDIT_CLASS))
        SendMessage(stop, EM_SETSEL, 0, -1);
}

void MoveFocus(HWND dialog, bool backwards) {
    std::vector<HWND> stops;
    Collect(dialog, stops, [](HWND control) { return (StyleOf(control) & WS_TABSTOP) != 0; });
    if (stops.empty())
        return;
    const HWND focus = GetFocus();
    const auto count = static_cast<std::ptrdiff_t>(stops.size());
    const auto current = std::find_if(stops.begin(), stops.end(),
                                      [focus](HWND stop) { return stop == focus || IsChild(stop, focus); });
    std::ptrdiff_t next = backwards ? count - 1 : 0;
    if (current != stops.end())
        next = ((current - stops.begin()) + (backwards ? count - 1 : 1)) % count;
    FocusStop(stops[static_cast<std::size_t>(next)]);
}

// Visible to the top and enabled all the way up: a window keys can reach.
bool Reachable(HWND window) {
    if (!::IsWindowVisible(window))
        return false;
    for (HWND up = window; up != nullptr; up = (StyleOf(up) & WS_CHILD) != 0 ? GetParent(up) : nullptr)
        if (!::IsWindowEnabled(up))
            return false;
    return true;
}

bool OwnedBy(HWND window, HWND owner) {
    for (HWND up = GetParent(window); up != nullptr; up = GetParent(up))
        if (up == owner)
            return true;
    return false;
}

// A top-level window that may take the focus: popup lists and tooltips never
// do.
bool TakesFocus(HWND top, HWND ended) {
    if (top == ended || !Usable(top) || OwnedBy(top, ended) || HasClass(top, KV_TOOLTIP_CLASS))
        return false;
    return (GetWindowLongPtr(top, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) == 0;
}

// A dialog that ended took the focus with it: it goes to the topmost window
// left, at the control that last had it there while that is still usable,
// else at the window's first stop as when it opened, else at the window.
void FocusAfterEnd(HWND ended) {
    if (::GetFocus() != nullptr)
        return;
    const std::vector<HWND> tops = WndTopLevelWindows();
    for (auto top = tops.rbegin(); top != tops.rend(); ++top) {
        if (!TakesFocus(*top, ended))
            continue;
        const HWND last = WndLastFocus(*top);
        if (last != nullptr && last != *top && Reachable(last))
            FocusStop(last);
        else if (const HWND first = FirstStop(*top))
            FocusStop(first);
        else
            ::SetFocus(*top);
        return;
    }
}

// The parent of a child window; null for a top-level one, whose GetParent is
// its owner.
HWND ParentOf(HWND window) { return (StyleOf(window) & WS_CHILD) != 0 ? GetParent(window) : nullptr; }

HWND NextSibling(HWND window) {
    const HWND parent = ParentOf(window);
    const std::vector<HWND> siblings = parent != nullptr ? WndChildWindows(parent) : WndTopLevelWindows();
    const auto at = std::find(siblings.begin(), siblings.end(), window);
    return at != siblings.end() && at + 1 != siblings.end() ? *(at + 1) : nullptr;
}

// The stop Tab reaches from a place in a dialog's Tab order, given as the
// slot before `next` among `parent`'s children (after them all for null
// `next`, or when `next` is gone): the first usable stop after the slot,
// else the first before it, round as Tab goes; null for none.
HWND StopAfter(HWND dialog, HWND parent, HWND next) {
    HWND before = nullptr;
    HWND after = nullptr;
    bool past = false;
    const auto walk = [&](const auto& self, HWND window, bool usable) -> void {
        for (HWND child : WndChildWindows(window)) {
            if (window == parent && child == next)
                past = true;
            const bool reachable = usable && Usable(child);
            if (HasClass(child, KV_DIALOG_CLASS))
                self(self, child, reachable);
            else if (reachable && (StyleOf(child) & WS_TABSTOP) != 0 && (past ? after : before) == nullptr)
                (past ? after : before) = child;
            if (after != nullptr)
                return;
        }
        if (window == parent)
            past = true;
    };
    walk(walk, dialog, true);
    return after != nullptr ? after : before;
}

// Hiding, disabling or destroying took the focus. While the top-level
// window it was in can still take keys, the focus goes where Tab from the
// lost control would have gone, so that a person can go on typing, else
// where its dialog opens, else to that window; otherwise it goes where it
// goes when a dialog ends.
void PlaceLostFocus(HWND window, HWND parent, HWND next) {
    HWND top = window;
    HWND dialog = nullptr;
    for (HWND up = parent; up != nullptr; up = ParentOf(up)) {
        top = up;
        if (HasClass(up, KV_DIALOG_CLASS))
            dialog = up;
    }
    if (!::IsWindow(top) || !Usable(top)) {
        FocusAfterEnd(top);
        return;
    }
    if (dialog != nullptr) {
        // Tab walks dialogs and their pages: a window inside a control
        // stands where its control stands.
        while (parent != nullptr && parent != dialog && !HasClass(parent, KV_DIALOG_CLASS)) {
            next = NextSibling(parent);
            parent = ParentOf(parent);
        }
        HWND stop = StopAfter(dialog, parent, next);
        // No stop left, as when a sheet's shown page loses its only one or is
        // hidden itself: where the dialog opens, at a sheet's tabs.
        if (stop == nullptr)
            stop = FirstStop(dialog);
        if (stop != nullptr) {
            FocusStop(stop);
            return;
        }
    }
    ::SetFocus(top);
}

// Return: the default push button's click, or IDOK from the dialog.
void PressDefault(HWND dialog) {
    std::vector<HWND> buttons;
    Collect(dialog, buttons, [](HWND control) {
        return HasClass(control, KV_BUTTON_CLASS) && (StyleOf(control) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    });
    if (!buttons.empty()) {
        const HWND button = buttons.front();
        SendMessage(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                    reinterpret_cast<LPARAM>(button));
        return;
    }
    SendMessage(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

LRESULT DialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        if (dc == nullptr)
            return 0;
        auto brush = reinterpret_cast<HBRUSH>(
            SendMessage(dialog, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(dialog)));
        RECT client;
        GetClientRect(dialog, &client);
        FillRect(dc, &client, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    return DefWindowProc(dialog, message, wParam, lParam);
}

}  // namespace

void KvRegisterDialogClass() {
    WNDCLASSEX window_class;
    window_class.lpfnWndProc = &DialogProcedure;
    window_class.cbWndExtra = 24;
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.lpszClassName = KV_DIALOG_CLASS;
    RegisterClassEx(&window_class);
    SetFocusLostHook(&PlaceLostFocus);
}

int MulDiv(int a, int b, int c) {
    if (c == 0)
        return -1;
    const long long product = static_cast<long long>(a) * b;
    const long long half = (c < 0 ? -c : c) / 2;
    const bool negative = (product < 0) != (c < 0);
    const long long magnitude = ((product < 0 ? -product : product) + half) / (c < 0 ? -c : c);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

SIZE DialogUnitsToPixels(int cx, int cy) {
    return SIZE{MulDiv(cx, KV_DIALOG_BASE_X, 4), MulDiv(cy, KV_DIALOG_BASE_Y, 8)};
}

bool ParseDialogTemplate(const void* data, std::size_t size, DialogTemplate& parsed) {
    if (data == nullptr)
        return false;
    TemplateReader reader(static_cast<const unsigned char*>(data), size);
    DialogTemplate result;
    if (!reader.Dword(result.style) || !reader.Dword(result.ex_style))
        return false;
    if (result.style == 0xFFFF0001u)
        return false;  // extended templates are not supported
    if (!reader.Word(result.item_count) || !reader.Short(result.x) || !reader.Short(result.y) ||
        !reader.Short(result.cx) || !reader.Short(result.cy))
        return false;
    if (result.item_count != 0)
        return false;
    if (!reader.NameOrOrdinal(result.menu, result.menu_id) ||
        !reader.NameOrOrdinal(result.class_name, result.class_id))
        return false;
    WORD first = 0;
    if (!reader.Word(first) || !reader.String(first, result.title))
        return false;
    if ((result.style & DS_SETFONT) != 0) {
        result.has_font = true;
        if (!reader.Word(result.point_size) || !reader.Word(first) || !reader.String(first, result.face))
            return false;
    }
    parsed = std::move(result);
    return true;
}

std::string BuildDialogTemplate(DWORD style, DWORD ex_style, short x, short y, short cx, short cy,
                                const std::string& title) {
    std::string bytes;
    const auto word = [&bytes](unsigned value) {
        bytes.push_back(static_cast<char>(value & 0xFF));
        bytes.push_back(static_cast<char>((value >> 8) & 0xFF));
    };
    for (const unsigned value : {style & 0xFFFF, style >> 16, ex_style & 0xFFFF, ex_style >> 16, 0u})
        word(value);
    for (const short value : {x, y, cx, cy})
        word(static_cast<WORD>(value));
    word(0);  // menu
    word(0);  // class
    for (unsigned char c : title)
        word(static_cast<unsigned>(Windows1252ToCodePoint(c)));
    word(0);
    return bytes;
}

std::string KvLoadString(UINT id) {
    std::string text;
    if (LoadResource(KV_RT_STRING, id, text) != KV_OK)
        text.clear();
    return text;
}

bool CDialog::LoadTemplate() {
    if (!m_template.empty())
        return true;
    if (m_nIDTemplate == 0)
        return false;
    return LoadResource(KV_RT_DIALOG, m_nIDTemplate, m_template) == KV_OK;
}

BOOL CDialog::Create(UINT template_id, CWnd* parent) {
    m_nIDTemplate = template_id;
    m_template.clear();
    if (parent != nullptr)
        m_pParentWnd = parent;
    if (!LoadTemplate())
        return FALSE;
    return CreateFromTemplate(m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr);
}

BOOL CDialog::CreateIndirect(const void* data, std::size_t size, CWnd* parent) {
    if (data == nullptr || size == 0)
        return FALSE;
    m_template.assign(static_cast<const char*>(data), size);
    if (parent != nullptr)
        m_pParentWnd = parent;
    return CreateFromTemplate(m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr);
}

BOOL CDialog::InitModalIndirect(const void* data, std::size_t size, CWnd* parent) {
    if (data == nullptr || size == 0)
        return FALSE;
    m_template.assign(static_cast<const char*>(data), size);
    if (parent != nullptr)
        m_pParentWnd = parent;
    return TRUE;
}

BOOL CDialog::CreateFromTemplate(HWND parent) {
    DialogTemplate parsed;
    if (m_hWnd != nullptr || !ParseDialogTemplate(m_template.data(), m_template.size(), parsed))
        return FALSE;
    KvRegisterWindowClasses();
    const DWORD style = parsed.style;
    const bool child = (style & WS_CHILD) != 0;
    if (child && parent == nullptr)
        return FALSE;
    const SIZE client = DialogUnitsToPixels(parsed.cx, parsed.cy);
    const SIZE origin = DialogUnitsToPixels(parsed.x, parsed.y);
    RECT rect{origin.cx, origin.cy, origin.cx + client.cx, origin.cy + client.cy};
    DWORD ex_style = parsed.ex_style;
    if ((style & DS_MODALFRAME) != 0)
        ex_style |= WS_EX_DLGMODALFRAME;
    AdjustWindowRectEx(&rect, style, FALSE, ex_style);
    if (!child && parent != nullptr) {
        POINT owner_origin{0, 0};
        ::ClientToScreen(parent, &owner_origin);
        rect.left += owner_origin.x;
        rect.right += owner_origin.x;
        rect.top += owner_origin.y;
        rect.bottom += owner_origin.y;
    }

    LOGFONT font;
    font.lfWeight = FW_NORMAL;
    if (parsed.has_font) {
        font.lfHeight = -MulDiv(parsed.point_size, 96, 72);
        std::snprintf(font.lfFaceName, sizeof font.lfFaceName, "%s", parsed.face.c_str());
    } else {
        font.lfHeight = KV_DIALOG_FONT_HEIGHT;
        std::snprintf(font.lfFaceName, sizeof font.lfFaceName, "%s", KV_DIALOG_FONT_FACE);
    }
    m_font.DeleteObject();
    if (!m_font.CreateFontIndirect(&font))
        return FALSE;

    const char* class_name = parsed.class_name.empty() ? KV_DIALOG_CLASS : parsed.class_name.c_str();
    if (!CreateEx(ex_style, class_name, parsed.title.c_str(), style & ~WS_VISIBLE, rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top, parent, nullptr)) {
        m_font.DeleteObject();
        return FALSE;
    }
    HWND window = m_hWnd;
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_font.m_hObject), FALSE);
    if ((style & DS_CENTER) != 0)
        CenterWindow();
    const LRESULT default_focus = SendMessage(WM_INITDIALOG, 0, 0);
    if (!::IsWindow(window))
        return FALSE;
    // Only after the whole of WM_INITDIALOG, which may make the controls; a
    // page or other child dialog leaves the focus to the dialog around it.
    if (default_focus != 0 && !child) {
        if (HWND first = FirstStop(window))
            FocusStop(first);
        if (!::IsWindow(window))
            return FALSE;
    }
    if ((style & WS_VISIBLE) != 0)
        ::ShowWindow(window, SW_SHOW);
    return TRUE;
}

std::intptr_t CDialog::DoModal() {
    if (m_hWnd != nullptr || !LoadTemplate())
        return -1;
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    const bool disable_owner = owner != nullptr && ::IsWindowEnabled(owner);
    if (disable_owner)
        ::EnableWindow(owner, FALSE);
    m_nModalResult = -1;
    m_bInModalLoop = true;
    if (!CreateFromTemplate(owner)) {
        m_bInModalLoop = false;
        if (disable_owner)
            ::EnableWindow(owner, TRUE);
        return -1;
    }
    HWND window = m_hWnd;
    ::ShowWindow(window, SW_SHOW);
    if (m_bInModalLoop)
        RunNestedLoop([this, window] { return m_bInModalLoop && ::IsWindow(window); });
    m_bInModalLoop = false;
    if (disable_owner)
        ::EnableWindow(owner, TRUE);
    if (::IsWindow(window))
        ::DestroyWindow(window);
    FocusAfterEnd(window);
    return m_nModalResult;
}

void CDialog::EndDialog(int result) {
    m_nModalResult = result;
    if (m_bInModalLoop) {
        m_bInModalLoop = false;
        return;
    }
    if (m_hWnd == nullptr)
        return;
    const HWND window = m_hWnd;
    ::ShowWindow(window, SW_HIDE);
    FocusAfterEnd(window);
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        return OnInitDialog();
    return CWnd::WindowProc(message, wParam, lParam);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (CWnd::OnCommand(wParam, lParam))
        return TRUE;
    if (HIWORD(wParam) != BN_CLICKED)
        return FALSE;
    if (LOWORD(wParam) == IDOK) {
        OnOK();
        return TRUE;
    }
    if (LOWORD(wParam) == IDCANCEL) {
        OnCancel();
        return TRUE;
    }
    return FALSE;
}

BOOL CDialog::PreTranslateMessage(MSG* message) {
    if (message == nullptr || m_hWnd == nullptr || (GetStyle() & WS_CHILD) != 0)
        return FALSE;
    if (message->message == WM_CHAR && m_nTakenChar != 0) {
        // The key was taken; its character, translated before, goes too.
        const bool taken = message->wParam == m_nTakenChar;
        m_nTakenChar = 0;
        return taken ? TRUE : FALSE;
    }
    if (message->message != WM_KEYDOWN)
        return FALSE;
    const WPARAM key = message->wParam;
    if (key != static_cast<WPARAM>(VK_TAB) && key != static_cast<WPARAM>(VK_RETURN) &&
        key != static_cast<WPARAM>(VK_ESCAPE))
        return FALSE;
    if (::GetKeyState(VK_CONTROL) < 0 || ::GetKeyState(VK_MENU) < 0)
        return FALSE;
    const LRESULT wanted = message->window != nullptr
                               ? ::SendMessage(message->window, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(message))
                               : 0;
    if ((wanted & DLGC_WANTMESSAGE) != 0 || (key == static_cast<WPARAM>(VK_TAB) && (wanted & DLGC_WANTTAB) != 0))
        return FALSE;
    const HWND dialog = m_hWnd;
    // Set before acting: the command may end the dialog and its object.
    m_nTakenChar = key == static_cast<WPARAM>(VK_TAB) ? '\t' : key == static_cast<WPARAM>(VK_RETURN) ? '\r' : 0x1B;
    if (key == static_cast<WPARAM>(VK_TAB))
        MoveFocus(dialog, ::GetKeyState(VK_SHIFT) < 0);
    else if (key == static_cast<WPARAM>(VK_RETURN))
        PressDefault(dialog);
    else
        ::SendMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                      reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDCANCEL)));
    return TRUE;
}

void CDialog::OnNcDestroy() {
    Default();
    // Nothing refers to the font once the window is gone.
    m_font.DeleteObject();
}
