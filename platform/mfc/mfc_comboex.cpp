#include "platform/mfc/mfc_comboex.h"

#include "platform/mfc/mfc_edit.h"
#include "platform/mfc/mfc_measure.h"
#include "platform/mfc/mfc_scrollbar.h"

#include "platform/text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr int kStateSlot = 0;
constexpr int kTextIndent = 3;

// A line's text. Most lines are short and are kept in the line itself, so a
// long list filled and emptied line by line allocates and frees no text, and
// its lines lie side by side.
class LineText {
public:
    LineText() = default;
    LineText(const LineText& other) { Assign(other); }
    LineText(LineText&& other) noexcept { Take(other); }
    LineText& operator=(const LineText& other) {
        Assign(other);
        return *this;
    }
    LineText& operator=(LineText&& other) noexcept {
        if (this != &other) {
            long_.reset();
            Take(other);
        }
        return *this;
    }
    LineText& operator=(std::string_view text) {
        Assign(text);
        return *this;
    }

    const char* c_str() const { return long_ ? long_.get() : short_; }
    const char* data() const { return c_str(); }
    std::size_t size() const { return size_; }
    operator std::string_view() const { return {c_str(), size_}; }

private:
    static constexpr std::size_t kShort = 39;

    void Assign(std::string_view text) {
        // The text may be this one's own: it is copied before the old
        // storage goes.
        std::unique_ptr<char[]> storage;
        char* to = short_;
        if (text.size() > kShort) {
            storage = std::make_unique<char[]>(text.size() + 1);
            to = storage.get();
        }
        std::memmove(to, text.data(), text.size());
        to[text.size()] = '\0';
        long_ = std::move(storage);
        size_ = text.size();
    }
    void Take(LineText& other) {
        long_ = std::move(other.long_);
        std::memcpy(short_, other.short_, sizeof short_);
        size_ = std::exchange(other.size_, 0);
        other.short_[0] = '\0';
    }

    std::unique_ptr<char[]> long_;
    std::size_t size_ = 0;
    char short_[kShort + 1] = {};
};

struct ComboLine {
    LineText text;
    std::int32_t image = 0;
    std::int32_t selected_image = 0;
    std::int32_t overlay = 0;
    std::int32_t indent = 0;
    LPARAM param = 0;
};

// The lines in one ring of slots. The skinned combo puts every new line at
// the top and its owner empties it from the top, so both ends take a line in
// constant time; the top moves down the ring as lines come and up as they
// go, so emptying walks memory forwards, line after line.
class LineRing {
public:
    std::size_t size() const { return size_; }
    ComboLine& operator[](std::size_t index) { return slots_[Slot(index)]; }
    const ComboLine& operator[](std::size_t index) const { return slots_[Slot(index)]; }

    // Lines between the top and the index move towards the nearer end.
    void Insert(std::size_t at, ComboLine line) {
        if (size_ == slots_.size())
            Grow();
        if (at < size_ - at) {
            head_ = (head_ + slots_.size() - 1) & Mask();
            for (std::size_t i = 0; i < at; ++i)
                (*this)[i] = std::move((*this)[i + 1]);
        } else {
            for (std::size_t i = size_; i > at; --i)
                (*this)[i] = std::move((*this)[i - 1]);
        }
        ++size_;
        (*this)[at] = std::move(line);
    }

    void Erase(std::size_t at) {
        if (at < size_ - 1 - at) {
            for (std::size_t i = at; i > 0; --i)
                (*this)[i] = std::move((*this)[i - 1]);
            (*this)[0] = ComboLine{};
            head_ = (head_ + 1) & Mask();
        } else {
            for (std::size_t i = at; i + 1 < size_; ++i)
                (*this)[i] = std::move((*this)[i + 1]);
            (*this)[size_ - 1] = ComboLine{};
        }
        --size_;
    }

    // Emptied line by line, the ring keeps its slots for the next fill; a
    // reset gives them back.
    void Clear() {
        slots_ = {};
        head_ = 0;
        size_ = 0;
    }

private:
    std::size_t Mask() const { return slots_.size() - 1; }
    std::size_t Slot(std::size_t index) const { return (head_ + index) & Mask(); }

    void Grow() {
        std::vector<ComboLine> grown(std::max<std::size_t>(16, 2 * slots_.size()));
        for (std::size_t i = 0; i < size_; ++i)
            grown[i] = std::move((*this)[i]);
        slots_.swap(grown);
        head_ = 0;
    }

    std::vector<ComboLine> slots_;  // a power of two of them, or none
    std::size_t head_ = 0;
    std::size_t size_ = 0;
};

struct ComboExState {
    LineRing lines;
    int selected = -1;
    int dropped_width = 0;
    HFONT font = nullptr;
    HWND combo = nullptr;
    HWND edit = nullptr;
    WNDPROC edit_super = nullptr;
    HWND popup = nullptr;
};

// The popup list keeps its combo box ex, the highlighted line (under the
// mouse or moved to by a key) and the first line it shows.
struct PopupState {
    HWND combo_ex = nullptr;
    int hot = -1;
    bool pressed = false;
    int top = 0;
    int grab = -1;  // while the thumb is dragged: the press's offset into it
    bool combo_shown = false;  // the combo showed when the popup opened
};

ComboExState* StateOf(HWND combo_ex) {
    return combo_ex ? reinterpret_cast<ComboExState*>(GetWindowLongPtr(combo_ex, kStateSlot)) : nullptr;
}

PopupState* PopupOf(HWND popup) { return reinterpret_cast<PopupState*>(GetWindowLongPtr(popup, kStateSlot)); }

DWORD ComboType(HWND combo_ex) { return static_cast<DWORD>(GetWindowLongPtr(combo_ex, GWL_STYLE)) & CBS_TYPEMASK; }

HFONT FontOf(const ComboExState& state) {
    return state.font ? state.font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

int LineHeight(HWND window, HFONT font) { return KvTextHeight(window, font, 14) + 2; }

int ButtonWidth() { return GetSystemMetrics(SM_CXVSCROLL); }

RECT EditRect(HWND combo) {
    RECT client;
    GetClientRect(combo, &client);
    return RECT{2, 2, std::max(2, client.right - ButtonWidth() - 2), std::max(2, client.bottom - 2)};
}

void SetLineText(HWND combo_ex, ComboExState& state, const char* text) {
    DefWindowProc(combo_ex, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    if (state.edit != nullptr)
        SetWindowText(state.edit, text);
    if (state.combo != nullptr)
        InvalidateRect(state.combo, nullptr, TRUE);
}

void ClosePopup(ComboExState& state) {
    HWND popup = std::exchange(state.popup, nullptr);
    if (popup == nullptr)
        return;
    if (GetCapture() == popup)
        ReleaseCapture();
    DestroyWindow(popup);
}

// The popup's scroll bar over all lines; its top is the first line shown.
KvScrollBar PopupBar(HWND popup) {
    const PopupState* popup_state = PopupOf(popup);
    const ComboExState* state = StateOf(popup_state->combo_ex);
    RECT client;
    GetClientRect(popup, &client);
    KvScrollBar bar;
    bar.count = state ? static_cast<int>(state->lines.size()) : 0;
    bar.page = state ? KvScrollPage(client.bottom, LineHeight(popup, FontOf(*state))) : 1;
    bar.rect = KvScrollBarRect(client, bar.count, bar.page);
    bar.top = std::clamp(popup_state->top, 0, KvScrollMaxTop(bar.count, bar.page));
    return bar;
}

void ScrollPopup(HWND popup, int top) {
    PopupState* popup_state = PopupOf(popup);
    if (popup_state->top == top)
        return;
    popup_state->top = top;
    InvalidateRect(popup, nullptr, TRUE);
}

// Moves the highlight to a line and brings it into view; no notification.
void HighlightLine(HWND popup, int line) {
    PopupState* popup_state = PopupOf(popup);
    const KvScrollBar bar = PopupBar(popup);
    if (bar.count == 0)
        return;
    line = std::clamp(line, 0, bar.count - 1);
    ScrollPopup(popup, KvScrollToShow(bar, line));
    if (line != popup_state->hot) {
        popup_state->hot = line;
        InvalidateRect(popup, nullptr, TRUE);
    }
}

void OpenPopup(HWND combo_ex) {
    if (StateOf(combo_ex) == nullptr || StateOf(combo_ex)->popup != nullptr)
        return;
    KvNotifyParent(combo_ex, CBN_DROPDOWN);
    ComboExState* live = StateOf(combo_ex);
    if (live == nullptr)
        return;
    ComboExState& state = *live;
    RECT window;
    GetWindowRect(combo_ex, &window);
    const int line = LineHeight(combo_ex, FontOf(state));
    const int shown = std::clamp(static_cast<int>(state.lines.size()), 1, KV_COMBO_POPUP_LINES);
    const int width = std::max(static_cast<int>(window.right - window.left), state.dropped_width);
    HWND popup = CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, KV_COMBOLIST_CLASS, "", WS_POPUP | WS_BORDER,
                                window.left, window.bottom, width, shown * line + 2, combo_ex, nullptr, nullptr,
                                nullptr);
    if (popup == nullptr)
        return;
    PopupOf(popup)->combo_ex = combo_ex;
    PopupOf(popup)->hot = state.selected;
    PopupOf(popup)->top = KvScrollToShow(PopupBar(popup), state.selected);
    PopupOf(popup)->combo_shown = IsWindowVisible(combo_ex) != FALSE;
    state.popup = popup;
    ShowWindow(popup, SW_SHOWNOACTIVATE);
    SetCapture(popup);
}

void PaintCombo(HWND combo, HDC dc) {
    HWND combo_ex = GetParent(combo);
    ComboExState* state = StateOf(combo_ex);
    if (state == nullptr)
        return;
    CDC* wrapper = CDC::FromHandle(dc);
    RECT client;
    GetClientRect(combo, &client);
    const bool enabled = IsWindowEnabled(combo_ex) != FALSE;
    CRect face(client);
    wrapper->Draw3dRect(&face, GetSysColor(COLOR_3DSHADOW), GetSysColor(COLOR_3DHILIGHT));
    face.DeflateRect(1, 1);
    wrapper->Draw3dRect(&face, GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_3DLIGHT));
    face.DeflateRect(1, 1);
    wrapper->FillSolidRect(&face, GetSysColor(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
    CRect button(face);
    button.left = std::max(face.left, face.right - ButtonWidth());
    wrapper->FillSolidRect(&button, GetSysColor(COLOR_BTNFACE));
    wrapper->Draw3dRect(&button, GetSysColor(COLOR_3DHILIGHT), GetSysColor(COLOR_3DDKSHADOW));
    // The arrow: rows of 7, 5, 3 and 1 pixels.
    const CPoint centre = button.CenterPoint();
    const COLORREF arrow = GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
    for (int row = 0; row < 4; ++row)
        wrapper->FillSolidRect(centre.x - 3 + row, centre.y - 1 + row, 7 - 2 * row, 1, arrow);
    if (state->edit != nullptr || state->selected < 0)
        return;
    CRect text(face.left + kTextIndent, face.top, button.left, face.bottom);
    // The focused, closed list shows its selection lit.
    const bool lit = GetFocus() == combo_ex && state->popup == nullptr;
    if (lit)
        wrapper->FillSolidRect(face.left + 1, face.top + 1, button.left - face.left - 2, face.Height() - 2,
                               GetSysColor(COLOR_HIGHLIGHT));
    HGDIOBJ old_font = SelectObject(dc, FontOf(*state));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(!enabled ? COLOR_GRAYTEXT : lit ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const LineText& line = state->lines[static_cast<std::size_t>(state->selected)].text;
    DrawText(dc, line.data(), static_cast<int>(line.size()), &text,
             DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old_font);
}

void PaintPopup(HWND popup, HDC dc) {
    PopupState* popup_state = PopupOf(popup);
    ComboExState* state = StateOf(popup_state->combo_ex);
    if (state == nullptr)
        return;
    CDC* wrapper = CDC::FromHandle(dc);
    RECT client;
    GetClientRect(popup, &client);
    wrapper->FillSolidRect(&client, GetSysColor(COLOR_WINDOW));
    const HFONT font = FontOf(*state);
    const int line = LineHeight(popup, font);
    const KvScrollBar bar = PopupBar(popup);
    const int right = bar.rect.right > bar.rect.left ? static_cast<int>(bar.rect.left) : static_cast<int>(client.right);
    HGDIOBJ old_font = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    for (std::size_t i = static_cast<std::size_t>(bar.top); i < state->lines.size(); ++i) {
        const int y = (static_cast<int>(i) - bar.top) * line;
        CRect rect(0, y, right, y + line);
        if (rect.top >= client.bottom)
            break;
        const bool hot = static_cast<int>(i) == popup_state->hot;
        if (hot)
            wrapper->FillSolidRect(&rect, GetSysColor(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(hot ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        rect.left += kTextIndent;
        const LineText& text = state->lines[i].text;
        DrawText(dc, text.data(), static_cast<int>(text.size()), &rect,
                 DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    SelectObject(dc, old_font);
    KvPaintScrollBar(dc, bar);
}

int PopupLineAt(HWND popup, POINT point) {
    RECT client;
    GetClientRect(popup, &client);
    if (!CRect(client).PtInRect(point))
        return -1;
    const KvScrollBar bar = PopupBar(popup);
    if (KvScrollHit(bar, point) != KvScrollPart::kNone)
        return -1;
    ComboExState* state = StateOf(PopupOf(popup)->combo_ex);
    const int line = LineHeight(popup, FontOf(*state));
    const int index = bar.top + point.y / std::max(1, line);
    return index < static_cast<int>(state->lines.size()) ? index : -1;
}

// The user's choice of a line, in the popup or on the closed combo: the text
// is set before the parent hears of it.
void SelectLine(HWND combo_ex, ComboExState& state, int index) {
    state.selected = index;
    SetLineText(combo_ex, state, state.lines[static_cast<std::size_t>(index)].text.c_str());
    KvNotifyParent(combo_ex, CBN_SELCHANGE);
}

void ChooseLine(HWND combo_ex, int index) {
    ComboExState* state = StateOf(combo_ex);
    ClosePopup(*state);
    SelectLine(combo_ex, *state, index);
    if ((state = StateOf(combo_ex)) != nullptr)
        KvNotifyParent(combo_ex, CBN_CLOSEUP);
}

void CancelPopup(HWND combo_ex) {
    if (ComboExState* state = StateOf(combo_ex); state != nullptr && state->popup != nullptr) {
        ClosePopup(*state);
        KvNotifyParent(combo_ex, CBN_CLOSEUP);
    }
}

// The popup goes, unchanged, when the focus moves to a window that is
// neither the combo nor its edit (an editable combo hands its focus on to its
// edit) or when the combo no longer shows.
void ClosePopupForFocus(HWND combo_ex, HWND focus) {
    const ComboExState* state = StateOf(combo_ex);
    if (state != nullptr && state->popup != nullptr && (focus == nullptr || (focus != combo_ex && focus != state->edit)))
        CancelPopup(combo_ex);
}

bool ClosePopupIfHidden(HWND popup) {
    const PopupState* popup_state = PopupOf(popup);
    const HWND combo_ex = popup_state->combo_ex;
    if (!popup_state->combo_shown || IsWindowVisible(combo_ex))
        return false;
    CancelPopup(combo_ex);
    return true;
}

// The keys of the combo, wherever its focus lies; false for a key it leaves.
// While the popup is open Up, Down, Home and End move the highlight, Return
// (or F4, or Alt with an arrow) takes it and Escape closes; on the closed
// combo Up and Down choose the line before or after, F4 and Alt+Down open.
bool OnComboKey(HWND combo_ex, WPARAM key) {
    ComboExState* state = StateOf(combo_ex);
    if (state == nullptr || !IsWindowEnabled(combo_ex))
        return false;
    const bool alt = GetKeyState(VK_MENU) < 0;
    const int count = static_cast<int>(state->lines.size());
    if (HWND popup = state->popup) {
        const int hot = PopupOf(popup)->hot;
        switch (static_cast<int>(key)) {
        case VK_UP:
        case VK_DOWN:
            if (!alt) {
                HighlightLine(popup, key == VK_UP ? std::max(0, hot - 1) : hot + 1);
                return true;
            }
            [[fallthrough]];
        case VK_RETURN:
        case VK_F4:
            if (hot >= 0 && hot < count)
                ChooseLine(combo_ex, hot);
            else
                CancelPopup(combo_ex);
            return true;
        case VK_HOME:
            HighlightLine(popup, 0);
            return true;
        case VK_END:
            HighlightLine(popup, count - 1);
            return true;
        case VK_ESCAPE:
            CancelPopup(combo_ex);
            return true;
        default:
            return false;
        }
    }
    if (key == static_cast<WPARAM>(VK_F4) || (key == static_cast<WPARAM>(VK_DOWN) && alt)) {
        OpenPopup(combo_ex);
        return true;
    }
    if (key != static_cast<WPARAM>(VK_UP) && key != static_cast<WPARAM>(VK_DOWN))
        return false;
    const int target = key == static_cast<WPARAM>(VK_UP) ? state->selected - 1 : state->selected + 1;
    if (target >= 0 && target < count)
        SelectLine(combo_ex, *state, target);
    return true;
}

// Escape and Return stay with the open popup rather than the dialog.
LRESULT ComboDialogCode(HWND combo_ex, WPARAM key) {
    const ComboExState* state = StateOf(combo_ex);
    const bool open = state != nullptr && state->popup != nullptr;
    return open && (key == static_cast<WPARAM>(VK_ESCAPE) || key == static_cast<WPARAM>(VK_RETURN)) ? DLGC_WANTMESSAGE
                                                                                                    : 0;
}

LRESULT PopupProcedure(HWND popup, UINT message, WPARAM wParam, LPARAM lParam) {
    PopupState* state = PopupOf(popup);
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtr(popup, kStateSlot, reinterpret_cast<LONG_PTR>(new PopupState));
        return DefWindowProc(popup, message, wParam, lParam);
    case WM_NCDESTROY:
        SetWindowLongPtr(popup, kStateSlot, 0);
        if (state != nullptr) {
            if (ComboExState* combo = StateOf(state->combo_ex); combo != nullptr && combo->popup == popup)
                combo->popup = nullptr;
            delete state;
        }
        return DefWindowProc(popup, message, wParam, lParam);
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_KEYDOWN:
    case WM_PAINT:
        // Its combo was hidden with a page while another window had the focus.
        if (state != nullptr && ClosePopupIfHidden(popup))
            return 0;
        break;
    default:
        break;
    }
    switch (message) {
    case WM_MOUSEMOVE: {
        if (state->grab >= 0) {
            ScrollPopup(popup, KvScrollTopForThumb(PopupBar(popup), GET_Y_LPARAM(lParam) - state->grab));
            return 0;
        }
        const int hot = PopupLineAt(popup, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (hot >= 0 && hot != state->hot) {
            state->hot = hot;
            InvalidateRect(popup, nullptr, TRUE);
        }
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const KvScrollBar bar = PopupBar(popup);
        const KvScrollPart part = KvScrollHit(bar, point);
        if (part == KvScrollPart::kThumb) {
            state->grab = point.y - KvScrollThumb(bar).top;
        } else if (part != KvScrollPart::kNone) {
            ScrollPopup(popup, KvScrollStep(bar, part));
        } else if (PopupLineAt(popup, point) >= 0) {
            state->pressed = true;
        } else if (ComboExState* combo = StateOf(state->combo_ex)) {
            // A press anywhere else closes the list without a choice.
            const HWND combo_ex = state->combo_ex;
            ClosePopup(*combo);
            KvNotifyParent(combo_ex, CBN_CLOSEUP);
        }
        return 0;
    }
    case WM_LBUTTONUP: {
        state->grab = -1;
        if (!std::exchange(state->pressed, false))
            return 0;
        const int line = PopupLineAt(popup, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (line >= 0)
            ChooseLine(state->combo_ex, line);
        return 0;
    }
    case WM_KEYDOWN:
        OnComboKey(state->combo_ex, wParam);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        if (HDC dc = BeginPaint(popup, &paint)) {
            PaintPopup(popup, dc);
            EndPaint(popup, &paint);
        }
        return 0;
    }
    default:
        return DefWindowProc(popup, message, wParam, lParam);
    }
}

LRESULT EditHookProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND combo_ex = GetParent(GetParent(edit));
    ComboExState* state = StateOf(combo_ex);
    const WNDPROC super = state ? state->edit_super : nullptr;
    if (super == nullptr)
        return DefWindowProc(edit, message, wParam, lParam);
    if (message == WM_KEYDOWN && OnComboKey(combo_ex, wParam))
        return 0;
    if (message == WM_KILLFOCUS) {
        const LRESULT result = CallWindowProc(super, edit, message, wParam, lParam);
        ClosePopupForFocus(combo_ex, reinterpret_cast<HWND>(wParam));
        return result;
    }
    // Return is the edit's own (its owner reports it).
    if (message == WM_GETDLGCODE)
        return wParam == static_cast<WPARAM>(VK_RETURN) ? DLGC_WANTMESSAGE : ComboDialogCode(combo_ex, wParam);
    if (message == WM_LBUTTONDOWN) {
        HWND parent = GetParent(combo_ex);
        if (parent != nullptr) {
            NMHDR header;
            header.hwndFrom = combo_ex;
            header.idFrom = static_cast<std::uintptr_t>(GetDlgCtrlID(combo_ex));
            header.code = CBEN_BEGINEDIT;
            SendMessage(parent, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
        }
        if (!IsWindow(edit))
            return 0;
    }
    return CallWindowProc(super, edit, message, wParam, lParam);
}

LRESULT ComboProcedure(HWND combo, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND combo_ex = GetParent(combo);
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (ComboExState* state = StateOf(combo_ex); state != nullptr && IsWindowEnabled(combo_ex)) {
            if (GetFocus() != combo_ex && (state->edit == nullptr || GetFocus() != state->edit)) {
                SetFocus(combo_ex);
                if ((state = StateOf(combo_ex)) == nullptr)
                    return 0;
            }
            if (state->popup != nullptr)
                ClosePopup(*state);
            else
                OpenPopup(combo_ex);
        }
        return 0;
    case WM_SIZE:
        if (ComboExState* state = StateOf(combo_ex); state != nullptr && state->edit != nullptr) {
            const CRect rect(EditRect(combo));
            MoveWindow(state->edit, rect.left, rect.top, rect.Width(), rect.Height(), TRUE);
        }
        return 0;
    case WM_GETFONT:
        if (ComboExState* state = StateOf(combo_ex))
            return reinterpret_cast<LRESULT>(FontOf(*state));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        if (HDC dc = BeginPaint(combo, &paint)) {
            PaintCombo(combo, dc);
            EndPaint(combo, &paint);
        }
        return 0;
    }
    default:
        return DefWindowProc(combo, message, wParam, lParam);
    }
}

bool CopyLineOut(const ComboLine& line, COMBOBOXEXITEM* item) {
    if ((item->mask & CBEIF_TEXT) != 0) {
        if (item->pszText == nullptr || item->cchTextMax <= 0)
            return false;
        const std::size_t length = std::min<std::size_t>(line.text.size(), static_cast<std::size_t>(item->cchTextMax) - 1);
        std::memcpy(item->pszText, line.text.data(), length);
        item->pszText[length] = '\0';
    }
    if ((item->mask & CBEIF_IMAGE) != 0)
        item->iImage = line.image;
    if ((item->mask & CBEIF_SELECTEDIMAGE) != 0)
        item->iSelectedImage = line.selected_image;
    if ((item->mask & CBEIF_OVERLAY) != 0)
        item->iOverlay = line.overlay;
    if ((item->mask & CBEIF_INDENT) != 0)
        item->iIndent = line.indent;
    if ((item->mask & CBEIF_LPARAM) != 0)
        item->lParam = line.param;
    return true;
}

void CopyLineIn(const COMBOBOXEXITEM* item, ComboLine& line) {
    if ((item->mask & CBEIF_TEXT) != 0)
        line.text = item->pszText ? item->pszText : "";
    if ((item->mask & CBEIF_IMAGE) != 0)
        line.image = item->iImage;
    if ((item->mask & CBEIF_SELECTEDIMAGE) != 0)
        line.selected_image = item->iSelectedImage;
    if ((item->mask & CBEIF_OVERLAY) != 0)
        line.overlay = item->iOverlay;
    if ((item->mask & CBEIF_INDENT) != 0)
        line.indent = item->iIndent;
    if ((item->mask & CBEIF_LPARAM) != 0)
        line.param = item->lParam;
}

// Starts after start and wraps round, so start itself is tested last.
LRESULT FindExact(const ComboExState& state, WPARAM start, const char* text) {
    const int count = static_cast<int>(state.lines.size());
    if (text == nullptr || count == 0)
        return CB_ERR;
    int first = static_cast<int>(static_cast<std::intptr_t>(start));
    if (first < -1 || first >= count)
        first = -1;
    for (int step = 1; step <= count; ++step) {
        const int index = (first + step) % count;
        if (EqualsNoCase(state.lines[static_cast<std::size_t>(index)].text, text))
            return index;
    }
    return CB_ERR;
}

// A line inserted (+1) or removed (-1) at the index: the open popup's
// highlight stays on its line, and a removed line takes it away.
void ShiftHighlight(const ComboExState& state, int index, int change) {
    if (state.popup == nullptr)
        return;
    PopupState* popup_state = PopupOf(state.popup);
    if (popup_state->hot == index && change < 0)
        popup_state->hot = -1;
    else if (popup_state->hot >= index && popup_state->hot >= 0)
        popup_state->hot += change;
    InvalidateRect(state.popup, nullptr, TRUE);
}

// The selection field is as high as a line and its edges, whatever height
// the window was made with.
void FitHeight(HWND combo_ex, const ComboExState& state) {
    RECT window;
    GetWindowRect(combo_ex, &window);
    const int field = LineHeight(combo_ex, FontOf(state)) + 6;
    if (window.bottom - window.top != field)
        SetWindowPos(combo_ex, nullptr, 0, 0, window.right - window.left, field,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CreateChildren(HWND combo_ex, ComboExState& state) {
    RECT client;
    GetClientRect(combo_ex, &client);
    state.combo = CreateWindowEx(0, KV_COMBOBOX_CLASS, "", WS_CHILD | WS_VISIBLE, 0, 0, client.right, client.bottom,
                                 combo_ex, nullptr, nullptr, nullptr);
    if (state.combo == nullptr || ComboType(combo_ex) != CBS_DROPDOWN)
        return;
    const CRect rect(EditRect(state.combo));
    state.edit = CreateWindowEx(0, KV_EDIT_CLASS, "", WS_CHILD | WS_VISIBLE, rect.left, rect.top, rect.Width(),
                                rect.Height(), state.combo, reinterpret_cast<HMENU>(1001), nullptr, nullptr);
    if (state.edit == nullptr)
        return;
    state.edit_super = reinterpret_cast<WNDPROC>(GetWindowLongPtr(state.edit, GWLP_WNDPROC));
    SetWindowLongPtr(state.edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditHookProcedure));
    SendMessage(state.edit, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(state)), FALSE);
}

LRESULT ComboExProcedure(HWND combo_ex, UINT message, WPARAM wParam, LPARAM lParam) {
    ComboExState* state = StateOf(combo_ex);
    if (state == nullptr && message != WM_NCCREATE)
        return DefWindowProc(combo_ex, message, wParam, lParam);
    const int count = state ? static_cast<int>(state->lines.size()) : 0;
    const int index = static_cast<int>(static_cast<std::intptr_t>(wParam));
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtr(combo_ex, kStateSlot, reinterpret_cast<LONG_PTR>(new ComboExState));
        return DefWindowProc(combo_ex, message, wParam, lParam);
    case WM_CREATE:
        CreateChildren(combo_ex, *state);
        FitHeight(combo_ex, *state);
        return 0;
    case WM_DESTROY:
        ClosePopup(*state);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtr(combo_ex, kStateSlot, 0);
        delete state;
        return DefWindowProc(combo_ex, message, wParam, lParam);
    case WM_SIZE:
        if (HIWORD(static_cast<std::uintptr_t>(lParam)) != LineHeight(combo_ex, FontOf(*state)) + 6) {
            FitHeight(combo_ex, *state);
            return 0;
        }
        if (state->combo != nullptr)
            MoveWindow(state->combo, 0, 0, LOWORD(static_cast<std::uintptr_t>(lParam)),
                       HIWORD(static_cast<std::uintptr_t>(lParam)), TRUE);
        return 0;
    case WM_SETFONT:
        state->font = reinterpret_cast<HFONT>(wParam);
        FitHeight(combo_ex, *state);
        if (state->edit != nullptr)
            SendMessage(state->edit, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(*state)), lParam);
        if (LOWORD(static_cast<std::uintptr_t>(lParam)) != 0 && state->combo != nullptr)
            InvalidateRect(state->combo, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(FontOf(*state));
    case WM_KEYDOWN:
        if (!OnComboKey(combo_ex, wParam))
            return DefWindowProc(combo_ex, message, wParam, lParam);
        return 0;
    case WM_GETDLGCODE:
        return ComboDialogCode(combo_ex, wParam);
    case WM_SETFOCUS:
        // An editable combo types into its edit.
        if (state->edit != nullptr)
            SetFocus(state->edit);
        else if (state->combo != nullptr)
            InvalidateRect(state->combo, nullptr, TRUE);
        return 0;
    case WM_KILLFOCUS:
        if (state->combo != nullptr)
            InvalidateRect(state->combo, nullptr, TRUE);
        ClosePopupForFocus(combo_ex, reinterpret_cast<HWND>(wParam));
        return 0;
    case WM_SHOWWINDOW:
        if (wParam == FALSE)
            CancelPopup(combo_ex);
        return DefWindowProc(combo_ex, message, wParam, lParam);
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
        if (state->edit != nullptr)
            return SendMessage(state->edit, message, wParam, lParam);
        return DefWindowProc(combo_ex, message, wParam, lParam);
    case WM_SETTEXT:
        if (state->edit != nullptr)
            SendMessage(state->edit, message, wParam, lParam);
        return DefWindowProc(combo_ex, message, wParam, lParam);
    case WM_ENABLE:
        if (state->combo != nullptr)
            InvalidateRect(state->combo, nullptr, TRUE);
        return 0;
    case CBEM_INSERTITEM: {
        const auto* item = reinterpret_cast<const COMBOBOXEXITEM*>(lParam);
        if (item == nullptr || item->iItem < -1 || item->iItem > count)
            return -1;
        const int at = item->iItem == -1 ? count : static_cast<int>(item->iItem);
        ComboLine line;
        CopyLineIn(item, line);
        state->lines.Insert(static_cast<std::size_t>(at), std::move(line));
        if (state->selected >= at)
            ++state->selected;
        ShiftHighlight(*state, at, +1);
        return at;
    }
    case CBEM_DELETEITEM:
        if (index < 0 || index >= count)
            return CB_ERR;
        state->lines.Erase(static_cast<std::size_t>(index));
        if (state->selected == index) {
            state->selected = -1;
            if (state->edit == nullptr)
                SetLineText(combo_ex, *state, "");
        } else if (state->selected > index) {
            --state->selected;
        }
        ShiftHighlight(*state, index, -1);
        return count - 1;
    case CB_RESETCONTENT:
        state->lines.Clear();
        state->selected = -1;
        SetLineText(combo_ex, *state, "");
        return 0;
    case CBEM_GETITEM: {
        auto* item = reinterpret_cast<COMBOBOXEXITEM*>(lParam);
        if (item == nullptr)
            return FALSE;
        const std::intptr_t at = item->iItem == -1 ? state->selected : item->iItem;
        if (at < 0 || at >= count)
            return FALSE;
        return CopyLineOut(state->lines[static_cast<std::size_t>(at)], item) ? TRUE : FALSE;
    }
    case CBEM_SETITEM: {
        const auto* item = reinterpret_cast<const COMBOBOXEXITEM*>(lParam);
        if (item == nullptr || item->iItem < 0 || item->iItem >= count)
            return FALSE;
        CopyLineIn(item, state->lines[static_cast<std::size_t>(item->iItem)]);
        if (state->combo != nullptr)
            InvalidateRect(state->combo, nullptr, TRUE);
        return TRUE;
    }
    case CBEM_GETCOMBOCONTROL:
        return reinterpret_cast<LRESULT>(state->combo);
    case CBEM_GETEDITCONTROL:
        return reinterpret_cast<LRESULT>(state->edit);
    case CB_GETCOUNT:
        return count;
    case CB_GETCURSEL:
        return state->selected;
    case CB_SETCURSEL:
        if (index < 0 || index >= count) {
            state->selected = -1;
            SetLineText(combo_ex, *state, "");
            return CB_ERR;
        }
        state->selected = index;
        SetLineText(combo_ex, *state, state->lines[static_cast<std::size_t>(index)].text.c_str());
        return index;
    case CB_GETLBTEXT: {
        if (index < 0 || index >= count || lParam == 0)
            return CB_ERR;
        const LineText& text = state->lines[static_cast<std::size_t>(index)].text;
        std::memcpy(reinterpret_cast<char*>(lParam), text.c_str(), text.size() + 1);
        return static_cast<LRESULT>(text.size());
    }
    case CB_GETLBTEXTLEN:
        if (index < 0 || index >= count)
            return CB_ERR;
        return static_cast<LRESULT>(state->lines[static_cast<std::size_t>(index)].text.size());
    case CB_GETITEMDATA:
        if (index < 0 || index >= count)
            return CB_ERR;
        return state->lines[static_cast<std::size_t>(index)].param;
    case CB_FINDSTRINGEXACT:
        return FindExact(*state, wParam, reinterpret_cast<const char*>(lParam));
    case CB_SETDROPPEDWIDTH:
        state->dropped_width = std::max(0, index);
        [[fallthrough]];
    case CB_GETDROPPEDWIDTH: {
        RECT window;
        GetWindowRect(combo_ex, &window);
        return std::max(static_cast<int>(window.right - window.left), state->dropped_width);
    }
    case CB_SHOWDROPDOWN:
        if (wParam != 0)
            OpenPopup(combo_ex);
        else
            ClosePopup(*state);
        return TRUE;
    case CB_GETDROPPEDSTATE:
        return state->popup != nullptr ? TRUE : FALSE;
    default:
        return DefWindowProc(combo_ex, message, wParam, lParam);
    }
}

}  // namespace

void KvRegisterComboBoxExClass() {
    KvRegisterWindowClasses();
    WNDCLASSEX window_class;
    window_class.lpfnWndProc = &ComboExProcedure;
    window_class.cbWndExtra = 8;
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.lpszClassName = KV_COMBOBOXEX_CLASS;
    RegisterClassEx(&window_class);
    window_class.lpfnWndProc = &ComboProcedure;
    window_class.cbWndExtra = 0;
    window_class.lpszClassName = KV_COMBOBOX_CLASS;
    RegisterClassEx(&window_class);
    window_class.lpfnWndProc = &PopupProcedure;
    window_class.cbWndExtra = 8;
    window_class.style = CS_DBLCLKS;
    window_class.lpszClassName = KV_COMBOLIST_CLASS;
    RegisterClassEx(&window_class);
}

BOOL CComboBoxEx::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    KvRegisterComboBoxExClass();
    return CreateEx(0, KV_COMBOBOXEX_CLASS, "", style | WS_CHILD, rect, parent, id);
}

void CComboBoxEx::GetLBText(int index, std::string& text) const {
    text.clear();
    const LRESULT length = SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (length < 0)
        return;
    text.resize(static_cast<std::size_t>(length) + 1);
    const LRESULT copied = SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied < 0 ? 0 : static_cast<std::size_t>(copied));
}
