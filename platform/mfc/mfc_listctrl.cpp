#include "platform/mfc/mfc_listctrl.h"

#include "platform/mfc/mfc_measure.h"
#include "platform/mfc/mfc_scrollbar.h"
#include "platform/text.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kStateSlot = 0;
constexpr int kCellIndent = 4;
constexpr UINT kKnownStates = LVIS_FOCUSED | LVIS_SELECTED;

struct Column {
    std::string title;
    std::int32_t width = 0;
    std::int32_t format = LVCFMT_LEFT;
    std::int32_t sub_item = 0;
};

struct Row {
    std::vector<std::string> texts;  // by sub-item
    LPARAM param = 0;
    UINT state = 0;
    std::int32_t image = 0;
};

struct ListState {
    std::vector<Column> columns;
    std::vector<Row> rows;
    DWORD extended = 0;
    HFONT font = nullptr;
    HWND header = nullptr;
    int top = 0;    // the first row shown
    int grab = -1;  // while the thumb is dragged: the press's offset into it
};

// The header's column under a press, for the click on release.
struct HeaderState {
    int pressed = -1;
};

ListState* StateOf(HWND list) {
    return list ? reinterpret_cast<ListState*>(GetWindowLongPtr(list, kStateSlot)) : nullptr;
}

HFONT FontOf(const ListState& state) {
    return state.font ? state.font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

int TextHeight(HWND window, HFONT font) { return KvTextHeight(window, font, 14); }

int RowHeight(HWND list, const ListState& state) { return TextHeight(list, FontOf(state)) + 4; }

int HeaderHeight(HWND list, const ListState& state) {
    if ((GetWindowLongPtr(list, GWL_STYLE) & LVS_NOCOLUMNHEADER) != 0)
        return 0;
    return TextHeight(list, FontOf(state)) + 6;
}

void LayoutHeader(HWND list, const ListState& state) {
    if (state.header == nullptr)
        return;
    RECT client;
    GetClientRect(list, &client);
    MoveWindow(state.header, 0, 0, client.right, HeaderHeight(list, state), TRUE);
}

// Column edges from the left of the client area.
std::vector<int> ColumnEdges(const ListState& state) {
    std::vector<int> edges{0};
    for (const Column& column : state.columns)
        edges.push_back(edges.back() + std::max(0, column.width));
    return edges;
}

// The rows' scroll bar below the header; its top is the first row shown.
KvScrollBar BarOf(HWND list, const ListState& state) {
    RECT client;
    GetClientRect(list, &client);
    const RECT area{0, HeaderHeight(list, state), client.right, client.bottom};
    KvScrollBar bar;
    bar.count = static_cast<int>(state.rows.size());
    bar.page = KvScrollPage(area.bottom - area.top, RowHeight(list, state));
    bar.rect = KvScrollBarRect(area, bar.count, bar.page);
    bar.top = std::clamp(state.top, 0, KvScrollMaxTop(bar.count, bar.page));
    return bar;
}

void ScrollTo(HWND list, ListState& state, int top) {
    if (top == state.top)
        return;
    state.top = top;
    InvalidateRect(list, nullptr, TRUE);
}

CRect RowRect(HWND list, const ListState& state, int index) {
    RECT client;
    GetClientRect(list, &client);
    const int height = RowHeight(list, state);
    const int top = HeaderHeight(list, state) + (index - BarOf(list, state).top) * height;
    const std::vector<int> edges = ColumnEdges(state);
    return CRect(0, top, std::max(edges.back(), 0), top + height);
}

const std::string& TextOf(const Row& row, int sub_item) {
    static const std::string empty;
    return sub_item >= 0 && sub_item < static_cast<int>(row.texts.size()) ? row.texts[static_cast<std::size_t>(sub_item)]
                                                                           : empty;
}

void SetText(Row& row, int sub_item, const char* text) {
    if (row.texts.size() <= static_cast<std::size_t>(sub_item))
        row.texts.resize(static_cast<std::size_t>(sub_item) + 1);
    row.texts[static_cast<std::size_t>(sub_item)] = text ? text : "";
}

void InvalidateRow(HWND list, const ListState& state, int index) {
    RECT client;
    GetClientRect(list, &client);
    CRect rect = RowRect(list, state, index);
    rect.left = 0;
    rect.right = client.right;
    InvalidateRect(list, &rect, TRUE);
}

LRESULT Notify(HWND list, NMHDR& header, UINT code) {
    header.hwndFrom = list;
    header.idFrom = static_cast<std::uintptr_t>(GetDlgCtrlID(list));
    header.code = code;
    HWND parent = GetParent(list);
    return parent ? SendMessage(parent, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header)) : 0;
}

// Changes one row's state bits; the parent hears of a real change. False when
// the list went away meanwhile.
bool ChangeState(HWND list, int index, UINT state_bits, UINT mask) {
    ListState* state = StateOf(list);
    Row& row = state->rows[static_cast<std::size_t>(index)];
    const UINT old_state = row.state;
    row.state = (row.state & ~mask) | (state_bits & mask & kKnownStates);
    if (row.state == old_state)
        return true;
    InvalidateRow(list, *state, index);
    NMLISTVIEW change;
    change.iItem = index;
    change.uNewState = row.state;
    change.uOldState = old_state;
    change.uChanged = LVIF_STATE;
    change.lParam = row.param;
    Notify(list, change.hdr, LVN_ITEMCHANGED);
    return StateOf(list) != nullptr;
}

// Sets each row's state to the wanted bits under the mask, row by row.
bool ApplyStates(HWND list, const std::vector<UINT>& wanted, UINT mask) {
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        ListState* state = StateOf(list);
        if (state == nullptr || i >= state->rows.size())
            return state != nullptr;
        if (!ChangeState(list, static_cast<int>(i), wanted[i], mask))
            return false;
    }
    return true;
}

struct Hit {
    int item = -1;
    int sub_item = -1;
};

Hit HitTest(HWND list, const ListState& state, POINT point) {
    Hit hit;
    const int top = HeaderHeight(list, state);
    if (point.y < top)
        return hit;
    const int index = BarOf(list, state).top + (point.y - top) / std::max(1, RowHeight(list, state));
    if (index >= static_cast<int>(state.rows.size()))
        return hit;
    const std::vector<int> edges = ColumnEdges(state);
    for (std::size_t c = 0; c + 1 < edges.size(); ++c)
        if (point.x >= edges[c] && point.x < edges[c + 1])
            hit.sub_item = static_cast<int>(c);
    if (hit.sub_item < 0 && (state.extended & LVS_EX_FULLROWSELECT) != 0)
        hit.sub_item = 0;
    if (hit.sub_item >= 0)
        hit.item = index;
    return hit;
}

void OnClick(HWND list, UINT message, WPARAM keys, POINT point) {
    ListState* state = StateOf(list);
    const Hit hit = HitTest(list, *state, point);
    const bool single = (GetWindowLongPtr(list, GWL_STYLE) & LVS_SINGLESEL) != 0;
    const bool toggle = (keys & MK_CONTROL) != 0;
    std::vector<UINT> wanted(state->rows.size());
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        const bool here = static_cast<int>(i) == hit.item;
        bool selected = (state->rows[i].state & LVIS_SELECTED) != 0;
        if (toggle && !single)
            selected = here ? !selected : selected;
        else if (toggle && here)
            selected = !selected;
        else
            selected = here;
        wanted[i] = (selected ? LVIS_SELECTED : 0) | (here ? LVIS_FOCUSED : 0);
    }
    UINT mask = LVIS_SELECTED | (hit.item >= 0 ? LVIS_FOCUSED : 0);
    if (GetFocus() != list)
        SetFocus(list);
    if (!IsWindow(list) || !ApplyStates(list, wanted, mask))
        return;
    NMITEMACTIVATE activate;
    activate.iItem = hit.item;
    activate.iSubItem = hit.item >= 0 ? hit.sub_item : -1;
    activate.ptAction = point;
    activate.uKeyFlags = static_cast<UINT>(keys & MK_CONTROL ? 0x0001 : 0);
    Notify(list, activate.hdr, message == WM_LBUTTONDBLCLK ? NM_DBLCLK : NM_CLICK);
}

// Up, Down, Page Up, Page Down, Home and End move the focus, and the
// selection with it, as a click on the row would, without NM_CLICK.
void OnKey(HWND list, WPARAM key) {
    ListState* state = StateOf(list);
    const int count = static_cast<int>(state->rows.size());
    if (count == 0)
        return;
    const KvScrollBar bar = BarOf(list, *state);
    int focused = -1;
    for (int i = 0; i < count && focused < 0; ++i)
        if ((state->rows[static_cast<std::size_t>(i)].state & LVIS_FOCUSED) != 0)
            focused = i;
    int target = 0;
    switch (static_cast<int>(key)) {
    case VK_UP:
        target = focused - 1;
        break;
    case VK_DOWN:
        target = focused + 1;
        break;
    case VK_PRIOR:
        target = focused - bar.page;
        break;
    case VK_NEXT:
        target = focused < 0 ? 0 : focused + bar.page;
        break;
    case VK_HOME:
        target = 0;
        break;
    case VK_END:
        target = count - 1;
        break;
    default:
        return;
    }
    target = std::clamp(target, 0, count - 1);
    ScrollTo(list, *state, KvScrollToShow(bar, target));
    std::vector<UINT> wanted(static_cast<std::size_t>(count), 0);
    wanted[static_cast<std::size_t>(target)] = LVIS_SELECTED | LVIS_FOCUSED;
    ApplyStates(list, wanted, LVIS_SELECTED | LVIS_FOCUSED);
}

// A press on the scroll bar; false when it lies elsewhere.
bool OnBarPress(HWND list, ListState& state, POINT point) {
    const KvScrollBar bar = BarOf(list, state);
    const KvScrollPart part = KvScrollHit(bar, point);
    if (part == KvScrollPart::kNone)
        return false;
    if (part == KvScrollPart::kThumb) {
        state.grab = point.y - KvScrollThumb(bar).top;
        SetCapture(list);
    } else {
        ScrollTo(list, state, KvScrollStep(bar, part));
    }
    return true;
}

void PaintList(HWND list, HDC dc) {
    ListState* state = StateOf(list);
    CDC* wrapper = CDC::FromHandle(dc);
    RECT client;
    GetClientRect(list, &client);
    const bool enabled = IsWindowEnabled(list) != FALSE;
    wrapper->FillSolidRect(&client, GetSysColor(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
    const int top = HeaderHeight(list, *state);
    const int height = RowHeight(list, *state);
    const std::vector<int> edges = ColumnEdges(*state);
    const bool full_row = (state->extended & LVS_EX_FULLROWSELECT) != 0;
    const KvScrollBar bar = BarOf(list, *state);
    HGDIOBJ old_font = SelectObject(dc, FontOf(*state));
    SetBkMode(dc, TRANSPARENT);
    for (std::size_t i = static_cast<std::size_t>(bar.top); i < state->rows.size(); ++i) {
        const int y = top + static_cast<int>(i - static_cast<std::size_t>(bar.top)) * height;
        if (y >= client.bottom)
            break;
        const Row& row = state->rows[i];
        const bool selected = (row.state & LVIS_SELECTED) != 0;
        if (selected && edges.size() > 1) {
            const int right = full_row ? edges.back() : edges[1];
            wrapper->FillSolidRect(0, y, right, height, GetSysColor(COLOR_HIGHLIGHT));
        }
        for (std::size_t c = 0; c + 1 < edges.size(); ++c) {
            const bool lit = selected && (full_row || c == 0);
            SetTextColor(dc, GetSysColor(!enabled ? COLOR_GRAYTEXT : lit ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
            CRect cell(edges[c] + kCellIndent, y, edges[c + 1] - kCellIndent, y + height);
            const std::string& text = TextOf(row, static_cast<int>(c));
            DrawText(dc, text.data(), static_cast<int>(text.size()), &cell,
                     DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
    }
    SelectObject(dc, old_font);
    if ((state->extended & LVS_EX_GRIDLINES) != 0) {
        const COLORREF grid = GetSysColor(COLOR_3DFACE);
        for (int y = top + height - 1; y < client.bottom; y += height)
            wrapper->FillSolidRect(0, y, client.right, 1, grid);
        for (std::size_t c = 1; c < edges.size(); ++c)
            wrapper->FillSolidRect(edges[c] - 1, top, 1, std::max(0, client.bottom - top), grid);
    }
    KvPaintScrollBar(dc, bar);
}

bool CopyRowOut(const Row& row, LVITEM* item) {
    if ((item->mask & LVIF_TEXT) != 0) {
        if (item->pszText == nullptr || item->cchTextMax <= 0)
            return false;
        const std::string& text = TextOf(row, item->iSubItem);
        const std::size_t length = std::min<std::size_t>(text.size(), static_cast<std::size_t>(item->cchTextMax) - 1);
        std::memcpy(item->pszText, text.data(), length);
        item->pszText[length] = '\0';
    }
    if ((item->mask & LVIF_PARAM) != 0)
        item->lParam = row.param;
    if ((item->mask & LVIF_STATE) != 0)
        item->state = row.state & item->stateMask;
    if ((item->mask & LVIF_IMAGE) != 0)
        item->iImage = row.image;
    return true;
}

int Find(const ListState& state, int start, const LVFINDINFO& info) {
    const int count = static_cast<int>(state.rows.size());
    const int first = start < -1 || start >= count ? -1 : start;
    const int span = (info.flags & LVFI_WRAP) != 0 ? count : count - first - 1;
    for (int step = 1; step <= span; ++step) {
        const int index = (first + step) % count;
        const Row& row = state.rows[static_cast<std::size_t>(index)];
        if ((info.flags & LVFI_PARAM) != 0) {
            if (row.param == info.lParam)
                return index;
        } else if ((info.flags & (LVFI_STRING | LVFI_PARTIAL)) != 0 && info.psz != nullptr) {
            const std::string& text = TextOf(row, 0);
            const std::size_t length = std::strlen(info.psz);
            const bool partial = (info.flags & LVFI_PARTIAL) != 0;
            if (partial ? text.size() >= length && EqualsNoCase(std::string_view(text).substr(0, length), info.psz)
                        : EqualsNoCase(text, info.psz))
                return index;
        }
    }
    return -1;
}

LRESULT SetItem(HWND list, ListState* state, const LVITEM* item) {
    const int count = static_cast<int>(state->rows.size());
    if (item == nullptr || item->iItem < 0 || item->iItem >= count || item->iSubItem < 0 ||
        item->iSubItem >= std::max<int>(1, static_cast<int>(state->columns.size())))
        return FALSE;
    Row& row = state->rows[static_cast<std::size_t>(item->iItem)];
    if ((item->mask & LVIF_TEXT) != 0)
        SetText(row, item->iSubItem, item->pszText);
    if (item->iSubItem == 0) {
        if ((item->mask & LVIF_PARAM) != 0)
            row.param = item->lParam;
        if ((item->mask & LVIF_IMAGE) != 0)
            row.image = item->iImage;
    }
    InvalidateRow(list, *state, item->iItem);
    if (item->iSubItem == 0 && (item->mask & LVIF_STATE) != 0)
        ChangeState(list, item->iItem, item->state, item->stateMask);
    return TRUE;
}

LRESULT HeaderProcedure(HWND header, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND list = GetParent(header);
    ListState* state = StateOf(list);
    auto* own = reinterpret_cast<HeaderState*>(GetWindowLongPtr(header, kStateSlot));
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtr(header, kStateSlot, reinterpret_cast<LONG_PTR>(new HeaderState));
        return DefWindowProc(header, message, wParam, lParam);
    case WM_NCDESTROY:
        SetWindowLongPtr(header, kStateSlot, 0);
        delete own;
        return DefWindowProc(header, message, wParam, lParam);
    case HDM_GETITEMCOUNT:
        return state ? static_cast<LRESULT>(state->columns.size()) : 0;
    case HDM_GETITEMRECT: {
        auto* rect = reinterpret_cast<RECT*>(lParam);
        const int index = static_cast<int>(static_cast<std::intptr_t>(wParam));
        if (state == nullptr || rect == nullptr || index < 0 || index >= static_cast<int>(state->columns.size()))
            return FALSE;
        const std::vector<int> edges = ColumnEdges(*state);
        RECT client;
        GetClientRect(header, &client);
        *rect = RECT{edges[static_cast<std::size_t>(index)], 0, edges[static_cast<std::size_t>(index) + 1], client.bottom};
        return TRUE;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: {
        if (state == nullptr || own == nullptr)
            return 0;
        const int x = GET_X_LPARAM(lParam);
        const std::vector<int> edges = ColumnEdges(*state);
        int column = -1;
        for (std::size_t c = 0; c + 1 < edges.size(); ++c)
            if (x >= edges[c] && x < edges[c + 1])
                column = static_cast<int>(c);
        if (message == WM_LBUTTONDOWN) {
            own->pressed = column;
            return 0;
        }
        if (column < 0 || std::exchange(own->pressed, -1) != column)
            return 0;
        NMHEADER click;
        click.hdr.hwndFrom = header;
        click.hdr.idFrom = 0;
        click.hdr.code = HDN_ITEMCLICKW;
        click.iItem = column;
        SendMessage(list, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(header, &paint);
        if (dc == nullptr)
            return 0;
        if (state != nullptr) {
            CDC* wrapper = CDC::FromHandle(dc);
            RECT client;
            GetClientRect(header, &client);
            wrapper->FillSolidRect(&client, GetSysColor(COLOR_BTNFACE));
            const std::vector<int> edges = ColumnEdges(*state);
            HGDIOBJ old_font = SelectObject(dc, FontOf(*state));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
            for (std::size_t c = 0; c + 1 < edges.size(); ++c) {
                CRect item(edges[c], 0, edges[c + 1], client.bottom);
                wrapper->Draw3dRect(&item, GetSysColor(COLOR_3DHILIGHT), GetSysColor(COLOR_3DSHADOW));
                item.DeflateRect(kCellIndent, 0);
                const std::string& title = state->columns[c].title;
                DrawText(dc, title.data(), static_cast<int>(title.size()), &item,
                         DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            }
            SelectObject(dc, old_font);
        }
        EndPaint(header, &paint);
        return 0;
    }
    default:
        return DefWindowProc(header, message, wParam, lParam);
    }
}

LRESULT ListProcedure(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    ListState* state = StateOf(list);
    if (state == nullptr && message != WM_NCCREATE)
        return DefWindowProc(list, message, wParam, lParam);
    const int count = state ? static_cast<int>(state->rows.size()) : 0;
    const int index = static_cast<int>(static_cast<std::intptr_t>(wParam));
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtr(list, kStateSlot, reinterpret_cast<LONG_PTR>(new ListState));
        return DefWindowProc(list, message, wParam, lParam);
    case WM_CREATE:
        state->header = CreateWindowEx(0, KV_HEADER_CLASS, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, list, nullptr,
                                       nullptr, nullptr);
        LayoutHeader(list, *state);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtr(list, kStateSlot, 0);
        delete state;
        return DefWindowProc(list, message, wParam, lParam);
    case WM_SIZE:
    case WM_STYLECHANGED:
        LayoutHeader(list, *state);
        return 0;
    case WM_SETFONT:
        state->font = reinterpret_cast<HFONT>(wParam);
        LayoutHeader(list, *state);
        if (LOWORD(static_cast<std::uintptr_t>(lParam)) != 0)
            InvalidateRect(list, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(FontOf(*state));
    case WM_NOTIFY:
        return 0;  // the header's clicks are for the list's own object
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (!OnBarPress(list, *state, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}))
            OnClick(list, message, wParam, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_MOUSEMOVE:
        if (state->grab >= 0 && GetCapture() == list)
            ScrollTo(list, *state, KvScrollTopForThumb(BarOf(list, *state), GET_Y_LPARAM(lParam) - state->grab));
        return 0;
    case WM_LBUTTONUP:
        if (state->grab >= 0 && GetCapture() == list)
            ReleaseCapture();
        state->grab = -1;
        return 0;
    case WM_CAPTURECHANGED:
        state->grab = -1;
        return 0;
    case WM_KEYDOWN:
        OnKey(list, wParam);
        return 0;
    case LVM_GETTOPINDEX:
        return BarOf(list, *state).top;
    case LVM_GETCOUNTPERPAGE:
        return BarOf(list, *state).page;
    case LVM_ENSUREVISIBLE:
        if (index < 0 || index >= count)
            return FALSE;
        ScrollTo(list, *state, KvScrollToShow(BarOf(list, *state), index));
        return TRUE;
    case LVM_GETITEMCOUNT:
        return count;
    case LVM_GETSELECTEDCOUNT:
        return std::count_if(state->rows.begin(), state->rows.end(),
                             [](const Row& row) { return (row.state & LVIS_SELECTED) != 0; });
    case LVM_INSERTCOLUMN: {
        const auto* info = reinterpret_cast<const LVCOLUMN*>(lParam);
        if (info == nullptr || index < 0)
            return -1;
        const int at = std::min(index, static_cast<int>(state->columns.size()));
        Column column;
        if ((info->mask & LVCF_TEXT) != 0)
            column.title = info->pszText ? info->pszText : "";
        if ((info->mask & LVCF_WIDTH) != 0)
            column.width = std::max(0, info->cx);
        if ((info->mask & LVCF_FMT) != 0)
            column.format = info->fmt;
        column.sub_item = (info->mask & LVCF_SUBITEM) != 0 ? info->iSubItem : at;
        state->columns.insert(state->columns.begin() + at, std::move(column));
        InvalidateRect(list, nullptr, TRUE);
        if (state->header != nullptr)
            InvalidateRect(state->header, nullptr, TRUE);
        return at;
    }
    case LVM_GETCOLUMN: {
        auto* info = reinterpret_cast<LVCOLUMN*>(lParam);
        if (info == nullptr || index < 0 || index >= static_cast<int>(state->columns.size()))
            return FALSE;
        const Column& column = state->columns[static_cast<std::size_t>(index)];
        if ((info->mask & LVCF_TEXT) != 0) {
            if (info->pszText == nullptr || info->cchTextMax <= 0)
                return FALSE;
            const std::size_t length = std::min<std::size_t>(column.title.size(), static_cast<std::size_t>(info->cchTextMax) - 1);
            std::memcpy(info->pszText, column.title.data(), length);
            info->pszText[length] = '\0';
        }
        if ((info->mask & LVCF_WIDTH) != 0)
            info->cx = column.width;
        if ((info->mask & LVCF_FMT) != 0)
            info->fmt = column.format;
        if ((info->mask & LVCF_SUBITEM) != 0)
            info->iSubItem = column.sub_item;
        return TRUE;
    }
    case LVM_DELETECOLUMN:
        if (index < 0 || index >= static_cast<int>(state->columns.size()))
            return FALSE;
        state->columns.erase(state->columns.begin() + index);
        InvalidateRect(list, nullptr, TRUE);
        return TRUE;
    case LVM_GETCOLUMNWIDTH:
        if (index < 0 || index >= static_cast<int>(state->columns.size()))
            return 0;
        return state->columns[static_cast<std::size_t>(index)].width;
    case LVM_SETCOLUMNWIDTH:
        if (index < 0 || index >= static_cast<int>(state->columns.size()))
            return FALSE;
        state->columns[static_cast<std::size_t>(index)].width = std::max(0, static_cast<int>(static_cast<short>(LOWORD(static_cast<std::uintptr_t>(lParam)))));
        InvalidateRect(list, nullptr, TRUE);
        return TRUE;
    case LVM_GETHEADER:
        return reinterpret_cast<LRESULT>(state->header);
    case LVM_INSERTITEM: {
        const auto* item = reinterpret_cast<const LVITEM*>(lParam);
        if (item == nullptr || item->iItem < 0 || item->iSubItem != 0)
            return -1;
        const int at = std::min(item->iItem, count);
        Row row;
        if ((item->mask & LVIF_TEXT) != 0)
            SetText(row, 0, item->pszText);
        if ((item->mask & LVIF_PARAM) != 0)
            row.param = item->lParam;
        if ((item->mask & LVIF_IMAGE) != 0)
            row.image = item->iImage;
        if ((item->mask & LVIF_STATE) != 0)
            row.state = item->state & item->stateMask & kKnownStates;
        state->rows.insert(state->rows.begin() + at, std::move(row));
        InvalidateRect(list, nullptr, TRUE);
        return at;
    }
    case LVM_GETITEM: {
        auto* item = reinterpret_cast<LVITEM*>(lParam);
        if (item == nullptr || item->iItem < 0 || item->iItem >= count)
            return FALSE;
        return CopyRowOut(state->rows[static_cast<std::size_t>(item->iItem)], item) ? TRUE : FALSE;
    }
    case LVM_SETITEM:
        return SetItem(list, state, reinterpret_cast<const LVITEM*>(lParam));
    case LVM_SETITEMTEXT: {
        const auto* item = reinterpret_cast<const LVITEM*>(lParam);
        if (item == nullptr)
            return FALSE;
        LVITEM text;
        text.mask = LVIF_TEXT;
        text.iItem = index;
        text.iSubItem = item->iSubItem;
        text.pszText = item->pszText;
        return SetItem(list, state, &text);
    }
    case LVM_GETITEMTEXT: {
        auto* item = reinterpret_cast<LVITEM*>(lParam);
        if (item == nullptr || index < 0 || index >= count || item->pszText == nullptr || item->cchTextMax <= 0)
            return 0;
        LVITEM text = *item;
        text.mask = LVIF_TEXT;
        CopyRowOut(state->rows[static_cast<std::size_t>(index)], &text);
        return static_cast<LRESULT>(std::strlen(item->pszText));
    }
    case LVM_DELETEITEM:
        if (index < 0 || index >= count)
            return FALSE;
        state->rows.erase(state->rows.begin() + index);
        state->top = BarOf(list, *state).top;
        InvalidateRect(list, nullptr, TRUE);
        return TRUE;
    case LVM_DELETEALLITEMS:
        state->rows.clear();
        state->top = 0;
        InvalidateRect(list, nullptr, TRUE);
        return TRUE;
    case LVM_FINDITEM: {
        const auto* info = reinterpret_cast<const LVFINDINFO*>(lParam);
        return info && count > 0 ? Find(*state, index, *info) : -1;
    }
    case LVM_GETNEXTITEM: {
        const UINT flags = LOWORD(static_cast<std::uintptr_t>(lParam)) & (LVNI_SELECTED | LVNI_FOCUSED);
        for (int i = std::max(-1, index) + 1; i < count; ++i)
            if ((state->rows[static_cast<std::size_t>(i)].state & flags) == flags)
                return i;
        return -1;
    }
    case LVM_SETITEMSTATE: {
        const auto* item = reinterpret_cast<const LVITEM*>(lParam);
        if (item == nullptr || index < -1 || index >= count)
            return FALSE;
        if (index >= 0)
            return ChangeState(list, index, item->state, item->stateMask) ? TRUE : FALSE;
        return ApplyStates(list, std::vector<UINT>(static_cast<std::size_t>(count), item->state), item->stateMask)
                   ? TRUE
                   : FALSE;
    }
    case LVM_GETITEMSTATE:
        if (index < 0 || index >= count)
            return 0;
        return state->rows[static_cast<std::size_t>(index)].state & static_cast<UINT>(lParam);
    case LVM_REDRAWITEMS: {
        const int last = static_cast<int>(lParam);
        if (index < 0 || last < index)
            return FALSE;
        for (int i = index; i <= std::min(last, count - 1); ++i)
            InvalidateRow(list, *state, i);
        return TRUE;
    }
    case LVM_GETITEMRECT: {
        auto* rect = reinterpret_cast<RECT*>(lParam);
        if (rect == nullptr || index < 0 || index >= count)
            return FALSE;
        *rect = RowRect(list, *state, index);
        return TRUE;
    }
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
        const DWORD mask = wParam == 0 ? 0xFFFFFFFFu : static_cast<DWORD>(wParam);
        const DWORD previous = state->extended;
        state->extended = (previous & ~mask) | (static_cast<DWORD>(lParam) & mask);
        if (state->extended != previous)
            InvalidateRect(list, nullptr, TRUE);
        return previous;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
        return state->extended;
    case WM_ENABLE:
        InvalidateRect(list, nullptr, TRUE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        if (HDC dc = BeginPaint(list, &paint)) {
            PaintList(list, dc);
            EndPaint(list, &paint);
        }
        return 0;
    }
    default:
        return DefWindowProc(list, message, wParam, lParam);
    }
}

}  // namespace

void KvRegisterListViewClass() {
    KvRegisterWindowClasses();
    WNDCLASSEX window_class;
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = &ListProcedure;
    window_class.cbWndExtra = 8;
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.lpszClassName = KV_LISTVIEW_CLASS;
    RegisterClassEx(&window_class);
    window_class.style = 0;
    window_class.lpfnWndProc = &HeaderProcedure;
    window_class.lpszClassName = KV_HEADER_CLASS;
    RegisterClassEx(&window_class);
}

BOOL CListCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) { return CreateEx(0, style, rect, parent, id); }

BOOL CListCtrl::CreateEx(DWORD ex_style, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    KvRegisterListViewClass();
    return CWnd::CreateEx(ex_style, KV_LISTVIEW_CLASS, "", style | WS_CHILD, rect, parent, id);
}

int CListCtrl::InsertColumn(int column, const char* heading, int format, int width, int sub_item) {
    LVCOLUMN info;
    info.mask = LVCF_TEXT | LVCF_FMT;
    info.pszText = const_cast<char*>(heading ? heading : "");
    info.fmt = format;
    if (width != -1) {
        info.mask |= LVCF_WIDTH;
        info.cx = width;
    }
    if (sub_item != -1) {
        info.mask |= LVCF_SUBITEM;
        info.iSubItem = sub_item;
    }
    return InsertColumn(column, &info);
}

int CListCtrl::InsertItem(int index, const char* text) {
    LVITEM item;
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<char*>(text ? text : "");
    return InsertItem(&item);
}

BOOL CListCtrl::SetItemText(int index, int sub_item, const char* text) {
    LVITEM item;
    item.iSubItem = sub_item;
    item.pszText = const_cast<char*>(text ? text : "");
    return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
}

std::string CListCtrl::GetItemText(int index, int sub_item) const {
    char buffer[1024] = {};
    LVITEM item;
    item.iSubItem = sub_item;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessage(LVM_GETITEMTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    return buffer;
}

LPARAM CListCtrl::GetItemData(int index) const {
    LVITEM item;
    item.mask = LVIF_PARAM;
    item.iItem = index;
    return GetItem(&item) ? item.lParam : 0;
}

BOOL CListCtrl::SetItemState(int index, UINT state, UINT mask) {
    LVITEM item;
    item.state = state;
    item.stateMask = mask;
    return static_cast<BOOL>(SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::GetItemRect(int index, RECT* rect, int code) const {
    if (rect == nullptr)
        return FALSE;
    rect->left = code;
    return static_cast<BOOL>(SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect)));
}
