#include "platform/mfc/mfc_tooltip.h"

#include "platform/mfc/mfc_controls.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Tool {
    UINT flags = 0;
    HWND window = nullptr;
    std::uintptr_t id = 0;
    RECT rect{};
    std::string text;
};

struct TipState {
    std::vector<Tool> tools;
    bool active = true;
    int max_width = -1;
    UINT delay_ms = 0;
    int relayed = 0;
};

constexpr int kStateSlot = 0;

TipState* StateOf(HWND tip) { return reinterpret_cast<TipState*>(GetWindowLongPtr(tip, kStateSlot)); }

std::vector<Tool>::iterator FindTool(TipState& state, const TOOLINFO& info) {
    return std::find_if(state.tools.begin(), state.tools.end(),
                        [&](const Tool& tool) { return tool.window == info.hwnd && tool.id == info.uId; });
}

bool IsRelayed(UINT message) {
    return message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN || message == WM_LBUTTONUP ||
           message == WM_RBUTTONDOWN || message == WM_RBUTTONUP || message == WM_LBUTTONDBLCLK ||
           message == WM_RBUTTONDBLCLK;
}

LRESULT ToolTipProcedure(HWND tip, UINT message, WPARAM wParam, LPARAM lParam) {
    TipState* state = StateOf(tip);
    if (message == WM_NCCREATE) {
        SetWindowLongPtr(tip, kStateSlot, reinterpret_cast<LONG_PTR>(new TipState));
        return DefWindowProc(tip, message, wParam, lParam);
    }
    if (state == nullptr)
        return DefWindowProc(tip, message, wParam, lParam);
    const auto* info = reinterpret_cast<const TOOLINFO*>(lParam);
    switch (message) {
    case WM_NCDESTROY:
        SetWindowLongPtr(tip, kStateSlot, 0);
        delete state;
        return DefWindowProc(tip, message, wParam, lParam);
    case TTM_ACTIVATE:
        state->active = wParam != 0;
        return 0;
    case KV_TTM_ISACTIVE:
        return state->active ? TRUE : FALSE;
    case TTM_SETDELAYTIME:
        state->delay_ms = static_cast<UINT>(lParam);
        return 0;
    case TTM_ADDTOOL: {
        if (info == nullptr || FindTool(*state, *info) != state->tools.end())
            return FALSE;
        Tool tool;
        tool.flags = info->uFlags;
        tool.window = info->hwnd;
        tool.id = info->uId;
        tool.rect = info->rect;
        tool.text = info->lpszText ? info->lpszText : "";
        state->tools.push_back(std::move(tool));
        return TRUE;
    }
    case TTM_DELTOOL:
        if (info != nullptr)
            if (auto found = FindTool(*state, *info); found != state->tools.end())
                state->tools.erase(found);
        return 0;
    case TTM_UPDATETIPTEXT:
        if (info != nullptr)
            if (auto found = FindTool(*state, *info); found != state->tools.end())
                found->text = info->lpszText ? info->lpszText : "";
        return 0;
    case TTM_GETTOOLINFO: {
        auto* out = reinterpret_cast<TOOLINFO*>(lParam);
        if (out == nullptr)
            return FALSE;
        auto found = FindTool(*state, *out);
        if (found == state->tools.end())
            return FALSE;
        out->uFlags = found->flags;
        out->rect = found->rect;
        return TRUE;
    }
    case TTM_GETTOOLCOUNT:
        return static_cast<LRESULT>(state->tools.size());
    case TTM_SETMAXTIPWIDTH: {
        const int previous = state->max_width;
        state->max_width = static_cast<int>(lParam);
        return previous;
    }
    case TTM_GETMAXTIPWIDTH:
        return state->max_width;
    case TTM_RELAYEVENT: {
        const auto* relayed = reinterpret_cast<const MSG*>(lParam);
        if (relayed != nullptr && IsRelayed(relayed->message))
            ++state->relayed;
        return 0;
    }
    case KV_TTM_GETRELAYCOUNT:
        return state->relayed;
    case TTM_POP:
        return 0;
    default:
        return DefWindowProc(tip, message, wParam, lParam);
    }
}

void RegisterToolTipClass() {
    WNDCLASSEX window_class;
    window_class.lpfnWndProc = &ToolTipProcedure;
    window_class.cbWndExtra = 8;
    window_class.lpszClassName = KV_TOOLTIP_CLASS;
    RegisterClassEx(&window_class);
}

TOOLINFO Info(CWnd* window, std::uintptr_t id) {
    TOOLINFO info;
    if (id == 0 && window != nullptr) {
        info.uFlags = TTF_IDISHWND;
        info.hwnd = window->m_hWnd;
        info.uId = reinterpret_cast<std::uintptr_t>(window->m_hWnd);
    } else {
        info.hwnd = window ? window->m_hWnd : nullptr;
        info.uId = id;
    }
    return info;
}

}  // namespace

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD style) {
    RegisterToolTipClass();
    return CreateEx(WS_EX_TOPMOST, KV_TOOLTIP_CLASS, "", WS_POPUP | style, 0, 0, 0, 0,
                    parent ? parent->m_hWnd : nullptr, nullptr);
}

BOOL CToolTipCtrl::AddTool(CWnd* window, const char* text, const RECT* rect, std::uintptr_t id) {
    if (window == nullptr)
        return FALSE;
    TOOLINFO info = Info(window, id);
    if (rect != nullptr)
        info.rect = *rect;
    std::string copy = text ? text : "";
    info.lpszText = copy.data();
    return static_cast<BOOL>(SendMessage(TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&info)));
}

void CToolTipCtrl::DelTool(CWnd* window, std::uintptr_t id) {
    TOOLINFO info = Info(window, id);
    SendMessage(TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::UpdateTipText(const char* text, CWnd* window, std::uintptr_t id) {
    TOOLINFO info = Info(window, id);
    std::string copy = text ? text : "";
    info.lpszText = copy.data();
    SendMessage(TTM_UPDATETIPTEXT, 0, reinterpret_cast<LPARAM>(&info));
}
