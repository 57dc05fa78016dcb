#include "platform/mfc/mfc_edit.h"

#include "platform/mfc/mfc_internal.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kStateSlot = 0;
// Pixels between the client edge and the text.
constexpr int kMargin = 1;

// Characters that WM_CHAR brings for the control keys the edit acts on.
constexpr WPARAM kCtrlA = 0x01;
constexpr WPARAM kCtrlC = 0x03;
constexpr WPARAM kCtrlV = 0x16;
constexpr WPARAM kCtrlX = 0x18;
constexpr WPARAM kCtrlZ = 0x1A;
constexpr WPARAM kBackspace = 0x08;
constexpr WPARAM kDelete = 0x7F;

struct Snapshot {
    std::string text;
    int anchor = 0;
    int caret = 0;
};

struct EditState {
    // The selection runs between the anchor and the caret, either way round.
    int anchor = 0;
    int caret = 0;
    int first_visible = 0;
    UINT limit = KV_EDIT_DEFAULT_LIMIT;
    bool modified = false;
    bool has_undo = false;
    // Characters typed one after another make one undo step.
    bool typing = false;
    bool dragging = false;
    Snapshot undo;
};

struct Clipboard {
    std::mutex mutex;
    std::string text;
};

Clipboard& TheClipboard() {
    static Clipboard clipboard;
    return clipboard;
}

EditState* StateOf(HWND edit) { return reinterpret_cast<EditState*>(GetWindowLongPtr(edit, kStateSlot)); }

DWORD StyleOf(HWND edit) { return static_cast<DWORD>(GetWindowLongPtr(edit, GWL_STYLE)); }

bool IsReadOnly(HWND edit) { return (StyleOf(edit) & ES_READONLY) != 0; }

bool IsPassword(HWND edit) { return (StyleOf(edit) & ES_PASSWORD) != 0; }

// What the user sees of the text: a password shows one '*' per character.
std::string Shown(HWND edit, const std::string& text) {
    return IsPassword(edit) ? std::string(text.size(), '*') : text;
}

// The text lives in the window record; read and written past any subclass.
std::string TextOf(HWND edit) {
    const auto length = static_cast<std::size_t>(DefWindowProc(edit, WM_GETTEXTLENGTH, 0, 0));
    std::string text(length + 1, '\0');
    DefWindowProc(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return text;
}

void StoreText(HWND edit, const std::string& text) {
    DefWindowProc(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

int SelectionStart(const EditState& state) { return std::min(state.anchor, state.caret); }
int SelectionEnd(const EditState& state) { return std::max(state.anchor, state.caret); }

// A DC of the edit with its font, for measuring the text as it is shown.
class Measure {
public:
    explicit Measure(HWND edit) : edit_(edit), dc_(GetDC(edit)), password_(IsPassword(edit)) {
        if (dc_ == nullptr)
            return;
        if (HFONT font = reinterpret_cast<HFONT>(SendMessage(edit, WM_GETFONT, 0, 0)))
            SelectObject(dc_, font);
    }
    ~Measure() {
        if (dc_ != nullptr)
            ReleaseDC(edit_, dc_);
    }
    Measure(const Measure&) = delete;
    Measure& operator=(const Measure&) = delete;

    int Width(const std::string& text, int from, int to) const {
        if (dc_ == nullptr || to <= from)
            return 0;
        SIZE extent{};
        if (password_) {
            const std::string stars(static_cast<std::size_t>(to - from), '*');
            GetTextExtentPoint32(dc_, stars.data(), to - from, &extent);
        } else {
            GetTextExtentPoint32(dc_, text.data() + from, to - from, &extent);
        }
        return extent.cx;
    }

    // How many characters of text[from, to) fit in max_extent, counted from
    // from, or back from to. Widths add up character by character, so the
    // characters before to are measured in reverse order, a growing piece
    // at a time: the cost follows what fits, not the text's length.
    int Fit(const std::string& text, int from, int to, int max_extent, bool backwards) const {
        const int count = to - from;
        if (count <= 0)
            return 0;
        // Unmeasured text takes no room, as in Width.
        if (dc_ == nullptr)
            return max_extent >= 0 ? count : 0;
        int fitted = 0;
        int room = max_extent;
        std::string piece;
        for (int piece_length = 256; fitted < count; piece_length = std::min(piece_length, 1 << 29) * 2) {
            const int length = std::min(piece_length, count - fitted);
            if (password_) {
                piece.assign(static_cast<std::size_t>(length), '*');
            } else if (backwards) {
                const auto end = text.begin() + to - fitted;
                piece.assign(std::make_reverse_iterator(end), std::make_reverse_iterator(end - length));
            } else {
                piece.assign(text, static_cast<std::size_t>(from + fitted), static_cast<std::size_t>(length));
            }
            int fit = 0;
            SIZE extent{};
            if (!GetTextExtentExPoint(dc_, piece.data(), length, room, &fit, nullptr, &extent))
                return max_extent >= 0 ? count : 0;
            fitted += fit;
            if (fit < length)
                break;
            room -= extent.cx;
        }
        return fitted;
    }

    // The width of text[from, from + i + 1) for every i, in one pass.
    std::vector<int> Extents(const std::string& text, int from, int to) const {
        std::vector<int> extents(static_cast<std::size_t>(std::max(to - from, 0)), 0);
        if (dc_ == nullptr || extents.empty())
            return extents;
        const std::string stars = password_ ? std::string(extents.size(), '*') : std::string();
        const char* shown = password_ ? stars.data() : text.data() + from;
        GetTextExtentExPoint(dc_, shown, to - from, 0, nullptr, extents.data(), nullptr);
        return extents;
    }

private:
    HWND edit_;
    HDC dc_;
    bool password_;
};

int VisibleWidth(HWND edit) {
    RECT client;
    GetClientRect(edit, &client);
    return std::max(0, static_cast<int>(client.right - client.left) - 2 * kMargin);
}

// The client x of the first visible character: ES_RIGHT and ES_CENTER move
// text that fits the view (with the caret's pixel) to the right or middle.
int TextLeft(HWND edit, const EditState& state, const std::string& text, const Measure& measure) {
    const DWORD align = StyleOf(edit) & (ES_CENTER | ES_RIGHT);
    if (align == ES_LEFT)
        return kMargin;
    const int length = static_cast<int>(text.size());
    const int spare = VisibleWidth(edit) - 1 - measure.Width(text, std::min(state.first_visible, length), length);
    if (spare <= 0)
        return kMargin;
    return kMargin + ((align & ES_RIGHT) != 0 ? spare : spare / 2);
}

// The character boundary nearest to a client x, among the visible ones.
int CharacterAt(HWND edit, const EditState& state, const std::string& text, int x) {
    const Measure measure(edit);
    const int length = static_cast<int>(text.size());
    const int origin = TextLeft(edit, state, text, measure);
    const std::vector<int> extents = measure.Extents(text, state.first_visible, length);
    int left = origin;
    for (int index = state.first_visible; index < length; ++index) {
        const int right = origin + extents[static_cast<std::size_t>(index - state.first_visible)];
        if (x < (left + right + 1) / 2)
            return index;
        left = right;
    }
    return length;
}

// Scrolls so the caret lies inside the view; returns whether the view moved.
bool ScrollToCaret(HWND edit, EditState& state, const std::string& text) {
    const int before = state.first_visible;
    const int length = static_cast<int>(text.size());
    const int width = VisibleWidth(edit);
    const Measure measure(edit);
    state.first_visible = std::clamp(state.first_visible, 0, length);
    if (state.caret < state.first_visible)
        state.first_visible = state.caret;
    // How many characters at the end of the whole text fit; measured once.
    int end_fit = -1;
    // The caret needs one pixel of its own: the view starts at the first
    // character from which the text up to the caret fits.
    if (state.first_visible < state.caret) {
        const int fit = measure.Fit(text, state.first_visible, state.caret, width - 1, true);
        if (state.first_visible == 0 && state.caret == length)
            end_fit = fit;
        state.first_visible = state.caret - fit;
    }
    // Text removed at the end pulls hidden text back into view, as far as
    // the rest of the text then fits.
    if (state.first_visible > 0) {
        if (end_fit < 0)
            end_fit = measure.Fit(text, 0, length, width - 1, true);
        state.first_visible = std::min(state.first_visible, length - end_fit);
    }
    return state.first_visible != before;
}

void Notify(HWND edit, UINT code) { KvNotifyParent(edit, code); }

void Redraw(HWND edit) { InvalidateRect(edit, nullptr, TRUE); }

void MoveCaret(HWND edit, EditState& state, int position, bool extend) {
    const std::string text = TextOf(edit);
    state.caret = std::clamp(position, 0, static_cast<int>(text.size()));
    if (!extend)
        state.anchor = state.caret;
    state.typing = false;
    ScrollToCaret(edit, state, text);
    Redraw(edit);
}

// Replaces the selection with the insert, as much of it as the limit and,
// without ES_AUTOHSCROLL, the width allow. Returns whether the text changed.
bool ReplaceSelection(HWND edit, EditState& state, std::string insert, bool can_undo, bool typing) {
    const std::string text = TextOf(edit);
    const int start = SelectionStart(state);
    const int end = SelectionEnd(state);
    const std::size_t kept = text.size() - static_cast<std::size_t>(end - start);
    const std::size_t room = kept >= state.limit ? 0 : state.limit - kept;
    bool truncated = false;
    if (insert.size() > room) {
        insert.resize(room);
        truncated = true;
    }
    const std::string before = text.substr(0, static_cast<std::size_t>(start));
    const std::string after = text.substr(static_cast<std::size_t>(end));
    if ((StyleOf(edit) & ES_AUTOHSCROLL) == 0 && !insert.empty()) {
        // The longest start of the insert with which the text fits the view:
        // with the insert measured after the kept text, one pass measures
        // every such start.
        const std::string reordered = before + after + insert;
        const int kept_length = static_cast<int>(before.size() + after.size());
        const int fit = Measure(edit).Fit(reordered, 0, static_cast<int>(reordered.size()), VisibleWidth(edit) - 1, false);
        const auto fitting = static_cast<std::size_t>(std::max(fit - kept_length, 0));
        if (fitting < insert.size()) {
            insert.resize(fitting);
            truncated = true;
        }
    }
    const std::string updated = before + insert + after;
    if (truncated)
        Notify(edit, EN_MAXTEXT);
    if (!IsWindow(edit) || updated == text)
        return false;
    if (can_undo && !(typing && state.typing)) {
        state.undo = Snapshot{text, state.anchor, state.caret};
        state.has_undo = true;
    }
    state.typing = typing;
    StoreText(edit, updated);
    state.anchor = state.caret = start + static_cast<int>(insert.size());
    state.modified = true;
    ScrollToCaret(edit, state, updated);
    Redraw(edit);
    Notify(edit, EN_UPDATE);
    if (IsWindow(edit))
        Notify(edit, EN_CHANGE);
    return true;
}

BOOL Undo(HWND edit, EditState& state) {
    if (!state.has_undo || IsReadOnly(edit))
        return FALSE;
    // Undoing twice brings the change back.
    Snapshot current{TextOf(edit), state.anchor, state.caret};
    std::swap(current, state.undo);
    StoreText(edit, current.text);
    state.anchor = std::min(current.anchor, static_cast<int>(current.text.size()));
    state.caret = std::min(current.caret, static_cast<int>(current.text.size()));
    state.typing = false;
    state.modified = true;
    ScrollToCaret(edit, state, current.text);
    Redraw(edit);
    Notify(edit, EN_UPDATE);
    if (IsWindow(edit))
        Notify(edit, EN_CHANGE);
    return TRUE;
}

void Copy(HWND edit, const EditState& state) {
    const int start = SelectionStart(state);
    const int end = SelectionEnd(state);
    if (start == end)
        return;
    KvSetClipboardText(TextOf(edit).substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
}

void Paste(HWND edit, EditState& state) {
    if (IsReadOnly(edit))
        return;
    std::string text = KvGetClipboardText();
    // One line only: a single-line edit takes the text up to the first break.
    const std::size_t line_end = text.find_first_of("\r\n");
    if (line_end != std::string::npos)
        text.resize(line_end);
    if (!text.empty())
        ReplaceSelection(edit, state, std::move(text), true, false);
}

void Erase(HWND edit, EditState& state) {
    if (!IsReadOnly(edit) && state.anchor != state.caret)
        ReplaceSelection(edit, state, std::string(), true, false);
}

void OnChar(HWND edit, EditState& state, WPARAM character) {
    switch (character) {
    case kCtrlC:
        SendMessage(edit, WM_COPY, 0, 0);
        return;
    case kCtrlX:
        SendMessage(edit, WM_CUT, 0, 0);
        return;
    case kCtrlV:
        SendMessage(edit, WM_PASTE, 0, 0);
        return;
    case kCtrlZ:
        SendMessage(edit, WM_UNDO, 0, 0);
        return;
    case kCtrlA:
        state.anchor = 0;
        MoveCaret(edit, state, static_cast<int>(TextOf(edit).size()), true);
        return;
    case kBackspace:
        if (IsReadOnly(edit))
            return;
        if (state.anchor == state.caret) {
            if (state.caret == 0)
                return;
            state.anchor = state.caret - 1;
        }
        ReplaceSelection(edit, state, std::string(), true, false);
        return;
    default:
        break;
    }
    // Other control characters (Tab, Enter, Escape) and codes beyond a byte
    // are not text; ES_NUMBER takes digits only.
    if (character < 0x20 || character == kDelete || character > 0xFF || IsReadOnly(edit))
        return;
    if ((StyleOf(edit) & ES_NUMBER) != 0 && (character < '0' || character > '9'))
        return;
    ReplaceSelection(edit, state, std::string(1, static_cast<char>(character)), true, true);
}

void OnKeyDown(HWND edit, EditState& state, WPARAM key) {
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    const int length = static_cast<int>(TextOf(edit).size());
    const bool selected = state.anchor != state.caret;
    switch (static_cast<int>(key)) {
    case VK_LEFT:
    case VK_UP:
        MoveCaret(edit, state, shift || !selected ? state.caret - 1 : SelectionStart(state), shift);
        return;
    case VK_RIGHT:
    case VK_DOWN:
        MoveCaret(edit, state, shift || !selected ? state.caret + 1 : SelectionEnd(state), shift);
        return;
    case VK_HOME:
        MoveCaret(edit, state, 0, shift);
        return;
    case VK_END:
        MoveCaret(edit, state, length, shift);
        return;
    case VK_DELETE:
        if (shift) {
            SendMessage(edit, WM_CUT, 0, 0);
            return;
        }
        if (IsReadOnly(edit))
            return;
        if (!selected) {
            if (state.caret >= length)
                return;
            state.anchor = state.caret + 1;
        }
        ReplaceSelection(edit, state, std::string(), true, false);
        return;
    case VK_INSERT:
        if (shift)
            SendMessage(edit, WM_PASTE, 0, 0);
        else if (control)
            SendMessage(edit, WM_COPY, 0, 0);
        return;
    default:
        return;
    }
}

void OnLButtonDown(HWND edit, EditState& state, WPARAM flags, LPARAM point) {
    if (GetFocus() != edit)
        SetFocus(edit);
    if (!IsWindow(edit))
        return;
    SetCapture(edit);
    state.dragging = true;
    MoveCaret(edit, state, CharacterAt(edit, state, TextOf(edit), GET_X_LPARAM(point)), (flags & MK_SHIFT) != 0);
}

void OnMouseMove(HWND edit, EditState& state, LPARAM point) {
    if (!state.dragging || GetCapture() != edit)
        return;
    MoveCaret(edit, state, CharacterAt(edit, state, TextOf(edit), GET_X_LPARAM(point)), true);
}

// Draws the run of the shown text; measure measures it as shown.
void DrawRun(HDC dc, const std::string& text, int from, int to, int& x, int y, const Measure& measure) {
    if (to <= from)
        return;
    TextOut(dc, x, y, text.data() + from, to - from);
    x += measure.Width(text, from, to);
}

// Colours come from the parent at each paint: WM_CTLCOLOREDIT, or
// WM_CTLCOLORSTATIC while the edit is disabled or read-only.
void Paint(HWND edit, const EditState& state, HDC dc) {
    RECT client;
    GetClientRect(edit, &client);
    const bool enabled = IsWindowEnabled(edit) != FALSE;
    const bool as_static = !enabled || IsReadOnly(edit);
    if (HFONT font = reinterpret_cast<HFONT>(SendMessage(edit, WM_GETFONT, 0, 0)))
        SelectObject(dc, font);
    SetTextColor(dc, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    SetBkColor(dc, GetSysColor(as_static ? COLOR_3DFACE : COLOR_WINDOW));
    HWND parent = GetParent(edit);
    HBRUSH brush = parent ? reinterpret_cast<HBRUSH>(SendMessage(parent, as_static ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT,
                                                                 reinterpret_cast<WPARAM>(dc),
                                                                 reinterpret_cast<LPARAM>(edit)))
                          : nullptr;
    if (!IsWindow(edit))
        return;
    FillRect(dc, &client, brush ? brush : GetSysColorBrush(as_static ? COLOR_3DFACE : COLOR_WINDOW));
    SetBkMode(dc, OPAQUE);

    const std::string text = Shown(edit, TextOf(edit));
    const int length = static_cast<int>(text.size());
    const Measure measure(edit);
    const bool focused = GetFocus() == edit;
    const int first = std::min(state.first_visible, length);
    const int start = std::clamp(SelectionStart(state), first, length);
    const int end = std::clamp(SelectionEnd(state), first, length);
    const int left = TextLeft(edit, state, text, measure);
    int x = left;
    const int y = kMargin;
    if (focused && start < end) {
        DrawRun(dc, text, first, start, x, y, measure);
        const COLORREF text_colour = SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        const COLORREF back_colour = SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
        DrawRun(dc, text, start, end, x, y, measure);
        SetTextColor(dc, text_colour);
        SetBkColor(dc, back_colour);
        DrawRun(dc, text, end, length, x, y, measure);
    } else {
        DrawRun(dc, text, first, length, x, y, measure);
    }
    if (!focused || state.caret < first)
        return;
    TEXTMETRIC metrics;
    GetTextMetrics(dc, &metrics);
    const int caret_x = left + measure.Width(text, first, state.caret);
    const RECT caret{caret_x, y, caret_x + 1, y + static_cast<int>(metrics.tmHeight)};
    HBRUSH caret_brush = CreateSolidBrush(GetTextColor(dc));
    FillRect(dc, &caret, caret_brush);
    DeleteObject(caret_brush);
}

LRESULT GetSelection(const EditState& state, WPARAM start_out, LPARAM end_out) {
    const auto start = static_cast<DWORD>(SelectionStart(state));
    const auto end = static_cast<DWORD>(SelectionEnd(state));
    if (auto* out = reinterpret_cast<DWORD*>(start_out))
        *out = start;
    if (auto* out = reinterpret_cast<DWORD*>(end_out))
        *out = end;
    if (start > 0xFFFF || end > 0xFFFF)
        return -1;
    return static_cast<LRESULT>(start | (end << 16));
}

void SetSelection(HWND edit, EditState& state, WPARAM start_in, LPARAM end_in) {
    const int length = static_cast<int>(TextOf(edit).size());
    const auto start = static_cast<std::int32_t>(start_in);
    const auto end = static_cast<std::int32_t>(end_in);
    state.typing = false;
    if (start == -1) {
        state.anchor = state.caret;
    } else {
        state.anchor = std::min(start < 0 ? length : start, length);
        state.caret = end < 0 ? length : std::min(end, length);
    }
    Redraw(edit);
}

LRESULT PositionOf(HWND edit, const EditState& state, WPARAM index) {
    const std::string text = TextOf(edit);
    if (index >= text.size())
        return -1;
    const Measure measure(edit);
    const int at = static_cast<int>(index);
    const int left = TextLeft(edit, state, text, measure);
    const int x = at >= state.first_visible ? left + measure.Width(text, state.first_visible, at)
                                           : left - measure.Width(text, at, state.first_visible);
    return MAKELPARAM(x, kMargin);
}

LRESULT EditProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    EditState* state = StateOf(edit);
    if (state == nullptr && message != WM_NCCREATE)
        return DefWindowProc(edit, message, wParam, lParam);
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtr(edit, kStateSlot, reinterpret_cast<LONG_PTR>(new EditState));
        return DefWindowProc(edit, message, wParam, lParam);
    case WM_NCDESTROY:
        SetWindowLongPtr(edit, kStateSlot, 0);
        delete state;
        return 0;
    case WM_SETTEXT: {
        const LRESULT result = DefWindowProc(edit, message, wParam, lParam);
        const UINT limit = state->limit;
        *state = EditState();
        state->limit = limit;
        Redraw(edit);
        Notify(edit, EN_UPDATE);
        if (IsWindow(edit))
            Notify(edit, EN_CHANGE);
        return result;
    }
    case WM_SETFONT: {
        const LRESULT result = DefWindowProc(edit, message, wParam, lParam);
        ScrollToCaret(edit, *state, TextOf(edit));
        return result;
    }
    case WM_SIZE:
        ScrollToCaret(edit, *state, TextOf(edit));
        Redraw(edit);
        return 0;
    case WM_CHAR:
        OnChar(edit, *state, wParam);
        return 0;
    case WM_KEYDOWN:
        OnKeyDown(edit, *state, wParam);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        OnLButtonDown(edit, *state, wParam, lParam);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(edit, *state, lParam);
        return 0;
    case WM_LBUTTONUP:
        state->dragging = false;
        if (GetCapture() == edit)
            ReleaseCapture();
        return 0;
    case WM_CAPTURECHANGED:
        state->dragging = false;
        return 0;
    case WM_SETFOCUS:
        Redraw(edit);
        Notify(edit, EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        state->typing = false;
        Redraw(edit);
        Notify(edit, EN_KILLFOCUS);
        return 0;
    case WM_ENABLE:
    case WM_STYLECHANGED:
        Redraw(edit);
        return 0;
    case WM_CUT:
        // A password never leaves the edit by the clipboard.
        if (!IsReadOnly(edit) && !IsPassword(edit)) {
            Copy(edit, *state);
            Erase(edit, *state);
        }
        return 0;
    case WM_COPY:
        if (!IsPassword(edit))
            Copy(edit, *state);
        return 0;
    case WM_PASTE:
        Paste(edit, *state);
        return 0;
    case WM_CLEAR:
        Erase(edit, *state);
        return 0;
    case WM_UNDO:
    case EM_UNDO:
        return Undo(edit, *state);
    case EM_CANUNDO:
        return state->has_undo ? TRUE : FALSE;
    case EM_EMPTYUNDOBUFFER:
        state->has_undo = false;
        state->typing = false;
        return 0;
    case EM_GETMODIFY:
        return state->modified ? TRUE : FALSE;
    case EM_SETMODIFY:
        state->modified = wParam != 0;
        return 0;
    case EM_GETSEL:
        return GetSelection(*state, wParam, lParam);
    case EM_SETSEL:
        SetSelection(edit, *state, wParam, lParam);
        return 0;
    case EM_REPLACESEL:
        ReplaceSelection(edit, *state, lParam ? reinterpret_cast<const char*>(lParam) : "", wParam != 0, false);
        return 0;
    case EM_SCROLLCARET:
        if (ScrollToCaret(edit, *state, TextOf(edit)))
            Redraw(edit);
        return TRUE;
    case EM_LIMITTEXT:
        state->limit = wParam == 0 ? KV_EDIT_MAXIMUM_LIMIT : static_cast<UINT>(std::min<WPARAM>(wParam, KV_EDIT_MAXIMUM_LIMIT));
        return 0;
    case EM_GETLIMITTEXT:
        return static_cast<LRESULT>(state->limit);
    case EM_SETREADONLY: {
        const DWORD style = StyleOf(edit);
        SetWindowLongPtr(edit, GWL_STYLE, static_cast<LONG_PTR>(wParam ? (style | ES_READONLY) : (style & ~ES_READONLY)));
        Redraw(edit);
        return TRUE;
    }
    case EM_GETFIRSTVISIBLELINE:
        return state->first_visible;
    case EM_POSFROMCHAR:
        return PositionOf(edit, *state, wParam);
    case EM_CHARFROMPOS:
        return CharacterAt(edit, *state, TextOf(edit), GET_X_LPARAM(lParam));
    case WM_ERASEBKGND:
        return 1;  // painted whole in WM_PAINT
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(edit, &paint);
        if (dc == nullptr)
            return 0;
        Paint(edit, *state, dc);
        EndPaint(edit, &paint);
        return 0;
    }
    default:
        return DefWindowProc(edit, message, wParam, lParam);
    }
}

}  // namespace

void KvRegisterEditClass() {
    WNDCLASSEX window_class;
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = &EditProcedure;
    window_class.cbWndExtra = 8;
    window_class.hCursor = LoadCursor(nullptr, IDC_IBEAM);
    window_class.lpszClassName = KV_EDIT_CLASS;
    RegisterClassEx(&window_class);
}

void KvSetClipboardText(const std::string& text) {
    Clipboard& clipboard = TheClipboard();
    const std::lock_guard<std::mutex> lock(clipboard.mutex);
    clipboard.text = text;
}

std::string KvGetClipboardText() {
    Clipboard& clipboard = TheClipboard();
    const std::lock_guard<std::mutex> lock(clipboard.mutex);
    return clipboard.text;
}

BOOL CEdit::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    KvRegisterWindowClasses();
    return CreateEx(0, KV_EDIT_CLASS, "", style | WS_CHILD, rect, parent, id);
}

void CEdit::SetSel(int start, int end, BOOL no_scroll) {
    SendMessage(EM_SETSEL, static_cast<WPARAM>(static_cast<std::uint32_t>(start)), end);
    if (!no_scroll)
        SendMessage(EM_SCROLLCARET);
}

void CEdit::GetSel(int& start, int& end) const {
    DWORD first = 0;
    DWORD last = 0;
    SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&first), reinterpret_cast<LPARAM>(&last));
    start = static_cast<int>(first);
    end = static_cast<int>(last);
}

CPoint CEdit::PosFromChar(UINT index) const {
    const LRESULT result = SendMessage(EM_POSFROMCHAR, index);
    return CPoint(GET_X_LPARAM(result), GET_Y_LPARAM(result));
}

int CEdit::CharFromPos(CPoint point) const {
    return static_cast<int>(LOWORD(static_cast<std::uintptr_t>(SendMessage(EM_CHARFROMPOS, 0, MAKELPARAM(point.x, point.y)))));
}
