#include "platform/mfc/mfc_tab.h"

#include "platform/mfc/mfc_internal.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct TabItem {
    std::string text;
    LPARAM param = 0;
    DWORD state = 0;
};

struct TabState {
    std::vector<TabItem> items;
    int selected = -1;
    // The first tab shown when the row is scrolled.
    int first = 0;
};

constexpr int kStateSlot = 0;
constexpr int kRowLeft = 2;
constexpr int kRowTop = 2;

TabState* StateOf(HWND tab) { return reinterpret_cast<TabState*>(GetWindowLongPtr(tab, kStateSlot)); }

HFONT FontOf(HWND tab) { return reinterpret_cast<HFONT>(SendMessage(tab, WM_GETFONT, 0, 0)); }

// The row as shown: tab rectangles (unselected) moved by the scroll
// position, the row height measured with the tab's font and, when the tabs
// do not fit, the two arrow buttons at the row's right end.
struct Row {
    std::vector<RECT> rects;
    int row_height = 0;
    bool arrows = false;
    RECT left_arrow{};
    RECT right_arrow{};
    int last_first = 0;  // the highest scroll position: the last tab shows whole
    bool Shown(std::size_t index, int first) const {
        return static_cast<int>(index) >= first && (!arrows || rects[index].left < left_arrow.left);
    }
};

// The row with the tabs from first on at the left end; first is held to
// the positions the row can take.
Row Layout(HWND tab, int& first) {
    Row row;
    HDC dc = GetDC(tab);
    if (dc == nullptr)
        return row;
    if (HFONT font = FontOf(tab))
        SelectObject(dc, font);
    TEXTMETRIC metrics;
    GetTextMetrics(dc, &metrics);
    row.row_height = metrics.tmHeight + 8;
    int x = kRowLeft;
    for (const TabItem& item : StateOf(tab)->items) {
        SIZE extent{};
        GetTextExtentPoint32(dc, item.text.data(), static_cast<int>(item.text.size()), &extent);
        const int width = extent.cx + 12;
        row.rects.push_back(RECT{x, kRowTop, KvSatAdd(x, width), kRowTop + row.row_height});
        x = KvSatAdd(x, width);
    }
    ReleaseDC(tab, dc);
    RECT client;
    GetClientRect(tab, &client);
    const int count = static_cast<int>(row.rects.size());
    row.arrows = count > 0 && row.rects.back().right > client.right;
    if (!row.arrows) {
        first = 0;
        return row;
    }
    const int arrow = GetSystemMetrics(SM_CXVSCROLL);
    const int arrows_left = client.right - 2 * arrow;
    row.left_arrow = RECT{arrows_left, kRowTop, arrows_left + arrow, kRowTop + row.row_height};
    row.right_arrow = RECT{arrows_left + arrow, kRowTop, client.right, kRowTop + row.row_height};
    row.last_first = count - 1;
    while (row.last_first > 0 &&
           KvSatSub(row.rects.back().right, row.rects[static_cast<std::size_t>(row.last_first - 1)].left) <=
               arrows_left - kRowLeft)
        --row.last_first;
    first = std::clamp(first, 0, row.last_first);
    const int shift = KvSatSub(row.rects[static_cast<std::size_t>(first)].left, kRowLeft);
    for (RECT& rect : row.rects) {
        rect.left = KvSatSub(rect.left, shift);
        rect.right = KvSatSub(rect.right, shift);
    }
    return row;
}

Row Layout(HWND tab) { return Layout(tab, StateOf(tab)->first); }

// Scrolls the row so that the selected tab shows whole, as far as it can.
void ScrollToSelected(HWND tab) {
    TabState* state = StateOf(tab);
    if (state->selected < 0)
        return;
    if (state->selected < state->first)
        state->first = state->selected;
    for (Row row = Layout(tab); row.arrows && state->first < state->selected &&
                                row.rects[static_cast<std::size_t>(state->selected)].right > row.left_arrow.left;
         row = Layout(tab))
        ++state->first;
}

void PaintArrow(CDC* dc, const RECT& button, bool left, bool enabled) {
    CRect face(button);
    dc->FillSolidRect(&face, GetSysColor(COLOR_BTNFACE));
    dc->Draw3dRect(&face, GetSysColor(COLOR_3DHILIGHT), GetSysColor(COLOR_3DDKSHADOW));
    const CPoint centre = face.CenterPoint();
    const COLORREF glyph = GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
    // A triangle four columns wide, its tip towards the side it scrolls to.
    for (int column = 0; column < 4; ++column) {
        const int x = left ? centre.x - 2 + column : centre.x + 1 - column;
        dc->FillSolidRect(x, centre.y - column, 1, 2 * column + 1, glyph);
    }
}

void AdjustRect(HWND tab, bool larger, RECT* rect) {
    const int row_height = Layout(tab).row_height;
    const int top = kRowTop + row_height + 2;
    const int sign = larger ? -1 : 1;
    rect->left += sign * 2;
    rect->right -= sign * 2;
    rect->bottom -= sign * 2;
    rect->top += sign * top;
}

LRESULT Notify(HWND tab, UINT code) {
    HWND parent = GetParent(tab);
    if (parent == nullptr)
        return 0;
    NMHDR header;
    header.hwndFrom = tab;
    header.idFrom = static_cast<std::uintptr_t>(GetDlgCtrlID(tab));
    header.code = code;
    return SendMessage(parent, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

void Paint(HWND tab, HDC dc) {
    TabState* state = StateOf(tab);
    const Row row = Layout(tab);
    const std::vector<RECT>& rects = row.rects;
    const int row_height = row.row_height;
    RECT client;
    GetClientRect(tab, &client);
    CDC* wrapper = CDC::FromHandle(dc);
    CRect area(client);
    area.top = kRowTop + row_height;
    wrapper->Draw3dRect(&area, GetSysColor(COLOR_3DHILIGHT), GetSysColor(COLOR_3DDKSHADOW));
    const bool owner_draw = (GetWindowLongPtr(tab, GWL_STYLE) & TCS_OWNERDRAWFIXED) != 0;
    HGDIOBJ old_font = nullptr;
    if (HFONT font = FontOf(tab))
        old_font = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    for (std::size_t i = 0; i < rects.size(); ++i) {
        if (!row.Shown(i, state->first))
            continue;
        CRect rect(rects[i]);
        const bool selected = static_cast<int>(i) == state->selected;
        if (selected)
            rect.top -= 2;
        if (owner_draw) {
            KvSendDrawItem(tab, dc, ODT_TAB, static_cast<UINT>(i), selected ? ODS_SELECTED : 0, rect);
            if (!IsWindow(tab))
                return;
            continue;
        }
        CRect face(rect);
        if (selected)
            face.bottom += 1;  // joins the display area
        wrapper->FillSolidRect(&face, GetSysColor(COLOR_BTNFACE));
        wrapper->FillSolidRect(rect.left, rect.top, 1, rect.Height(), GetSysColor(COLOR_3DHILIGHT));
        wrapper->FillSolidRect(rect.left, rect.top, rect.Width(), 1, GetSysColor(COLOR_3DHILIGHT));
        wrapper->FillSolidRect(rect.right - 1, rect.top, 1, rect.Height(), GetSysColor(COLOR_3DDKSHADOW));
        const std::string& text = state->items[i].text;
        DrawText(dc, text.data(), static_cast<int>(text.size()), &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    // The arrows cover the tabs that reach under them.
    if (row.arrows) {
        PaintArrow(wrapper, row.left_arrow, true, state->first > 0);
        PaintArrow(wrapper, row.right_arrow, false, state->first < row.last_first);
    }
    if (old_font != nullptr)
        SelectObject(dc, old_font);
    CDC::DeleteTempHandle(dc);
}

int HitTest(HWND tab, POINT point) {
    const Row row = Layout(tab);
    if (row.arrows && (CRect(row.left_arrow).PtInRect(point) || CRect(row.right_arrow).PtInRect(point)))
        return -1;
    for (std::size_t i = 0; i < row.rects.size(); ++i)
        if (row.Shown(i, StateOf(tab)->first) && CRect(row.rects[i]).PtInRect(point))
            return static_cast<int>(i);
    return -1;
}

// A click on an arrow scrolls the row by one tab; true when it was on one.
bool ClickArrow(HWND tab, POINT point) {
    TabState* state = StateOf(tab);
    const Row row = Layout(tab);
    if (!row.arrows)
        return false;
    int first = state->first;
    if (CRect(row.left_arrow).PtInRect(point))
        first = std::max(0, first - 1);
    else if (CRect(row.right_arrow).PtInRect(point))
        first = std::min(row.last_first, first + 1);
    else
        return false;
    if (first != state->first) {
        state->first = first;
        InvalidateRect(tab, nullptr, TRUE);
    }
    return true;
}

bool CopyItemOut(const TabItem& from, TCITEM* to) {
    if ((to->mask & TCIF_TEXT) != 0) {
        if (to->pszText == nullptr || to->cchTextMax <= 0)
            return false;
        const std::size_t length = std::min<std::size_t>(from.text.size(), static_cast<std::size_t>(to->cchTextMax) - 1);
        std::memcpy(to->pszText, from.text.data(), length);
        to->pszText[length] = '\0';
    }
    if ((to->mask & TCIF_PARAM) != 0)
        to->lParam = from.param;
    if ((to->mask & TCIF_STATE) != 0)
        to->dwState = from.state & to->dwStateMask;
    return true;
}

void CopyItemIn(const TCITEM* from, TabItem& to) {
    if ((from->mask & TCIF_TEXT) != 0)
        to.text = from->pszText ? from->pszText : "";
    if ((from->mask & TCIF_PARAM) != 0)
        to.param = from->lParam;
    if ((from->mask & TCIF_STATE) != 0)
        to.state = (to.state & ~from->dwStateMask) | (from->dwState & from->dwStateMask);
}

// The user's choice of a tab, which the parent may veto.
void Choose(HWND tab, int index) {
    TabState* state = StateOf(tab);
    if (index < 0 || index >= static_cast<int>(state->items.size()) || index == state->selected)
        return;
    if (Notify(tab, TCN_SELCHANGING) != 0)
        return;  // vetoed
    if ((state = StateOf(tab)) == nullptr || index >= static_cast<int>(state->items.size()))
        return;
    state->selected = index;
    ScrollToSelected(tab);
    InvalidateRect(tab, nullptr, TRUE);
    Notify(tab, TCN_SELCHANGE);
}

LRESULT TabProcedure(HWND tab, UINT message, WPARAM wParam, LPARAM lParam) {
    TabState* state = StateOf(tab);
    if (state == nullptr && message != WM_NCCREATE)
        return DefWindowProc(tab, message, wParam, lParam);
    const int count = state ? static_cast<int>(state->items.size()) : 0;
    const int index = static_cast<int>(static_cast<std::intptr_t>(wParam));
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtr(tab, kStateSlot, reinterpret_cast<LONG_PTR>(new TabState));
        return DefWindowProc(tab, message, wParam, lParam);
    case WM_NCDESTROY:
        SetWindowLongPtr(tab, kStateSlot, 0);
        delete state;
        return DefWindowProc(tab, message, wParam, lParam);
    case TCM_GETITEMCOUNT:
        return count;
    case TCM_INSERTITEM: {
        const auto* item = reinterpret_cast<const TCITEM*>(lParam);
        if (item == nullptr || index < 0)
            return -1;
        const int at = std::min(index, count);
        TabItem added;
        CopyItemIn(item, added);
        state->items.insert(state->items.begin() + at, std::move(added));
        if (state->selected < 0)
            state->selected = 0;
        else if (at <= state->selected && count > 0)
            ++state->selected;
        ScrollToSelected(tab);
        InvalidateRect(tab, nullptr, TRUE);
        return at;
    }
    case TCM_GETITEM: {
        auto* item = reinterpret_cast<TCITEM*>(lParam);
        if (item == nullptr || index < 0 || index >= count)
            return FALSE;
        return CopyItemOut(state->items[static_cast<std::size_t>(index)], item) ? TRUE : FALSE;
    }
    case TCM_SETITEM: {
        const auto* item = reinterpret_cast<const TCITEM*>(lParam);
        if (item == nullptr || index < 0 || index >= count)
            return FALSE;
        CopyItemIn(item, state->items[static_cast<std::size_t>(index)]);
        ScrollToSelected(tab);
        InvalidateRect(tab, nullptr, TRUE);
        return TRUE;
    }
    case TCM_DELETEITEM:
        if (index < 0 || index >= count)
            return FALSE;
        state->items.erase(state->items.begin() + index);
        if (state->selected == index)
            state->selected = -1;
        else if (state->selected > index)
            --state->selected;
        InvalidateRect(tab, nullptr, TRUE);
        return TRUE;
    case TCM_DELETEALLITEMS:
        state->items.clear();
        state->selected = -1;
        InvalidateRect(tab, nullptr, TRUE);
        return TRUE;
    case TCM_GETITEMRECT: {
        auto* rect = reinterpret_cast<RECT*>(lParam);
        const std::vector<RECT> rects = Layout(tab).rects;
        if (rect == nullptr || index < 0 || index >= static_cast<int>(rects.size()))
            return FALSE;
        *rect = rects[static_cast<std::size_t>(index)];
        return TRUE;
    }
    case TCM_GETCURSEL:
        return state->selected;
    case TCM_SETCURSEL: {
        if (index < 0 || index >= count)
            return -1;
        const int previous = state->selected;
        state->selected = index;
        ScrollToSelected(tab);
        InvalidateRect(tab, nullptr, TRUE);
        return previous;
    }
    case TCM_HITTEST: {
        auto* info = reinterpret_cast<TCHITTESTINFO*>(lParam);
        return info ? HitTest(tab, info->pt) : -1;
    }
    case TCM_ADJUSTRECT:
        if (lParam != 0)
            AdjustRect(tab, wParam != 0, reinterpret_cast<RECT*>(lParam));
        return 0;
    case TCM_GETROWCOUNT:
        return 1;
    case WM_LBUTTONDOWN: {
        if (ClickArrow(tab, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}))
            return 0;
        const int hit = HitTest(tab, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (hit >= 0 && GetFocus() != tab) {
            SetFocus(tab);
            if (StateOf(tab) == nullptr)
                return 0;
        }
        Choose(tab, hit);
        return 0;
    }
    case WM_KEYDOWN:
        // The focused tabs: Left and Right choose the neighbour as a click would.
        if (wParam == static_cast<WPARAM>(VK_LEFT) && state->selected > 0)
            Choose(tab, state->selected - 1);
        else if (wParam == static_cast<WPARAM>(VK_RIGHT))
            Choose(tab, state->selected + 1);
        return 0;
    case WM_SETFONT:
    case WM_SETTEXT: {
        const LRESULT result = DefWindowProc(tab, message, wParam, lParam);
        ScrollToSelected(tab);
        InvalidateRect(tab, nullptr, TRUE);
        return result;
    }
    case WM_SIZE:
        // Other widths: the selected tab stays in view.
        ScrollToSelected(tab);
        return DefWindowProc(tab, message, wParam, lParam);
    case WM_PAINT: {
        PAINTSTRUCT paint;
        if (HDC dc = BeginPaint(tab, &paint)) {
            Paint(tab, dc);
            EndPaint(tab, &paint);
        }
        return 0;
    }
    default:
        return DefWindowProc(tab, message, wParam, lParam);
    }
}

}  // namespace

void KvRegisterTabClass() {
    WNDCLASSEX window_class;
    window_class.lpfnWndProc = &TabProcedure;
    window_class.cbWndExtra = 8;
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = KV_TAB_CLASS;
    RegisterClassEx(&window_class);
}

BOOL CTabCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    KvRegisterWindowClasses();
    return CreateEx(0, KV_TAB_CLASS, "", style | WS_CHILD, rect, parent, id);
}

int CTabCtrl::InsertItem(int index, const char* text) {
    TCITEM item;
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(text ? text : "");
    return InsertItem(index, &item);
}
