#include "platform/wnd/wnd_internal.h"

#include "platform/clock.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string>

using namespace wnd_internal;

namespace {

constexpr LONG kScreenWidth = 1024;
constexpr LONG kScreenHeight = 768;
// Half the double-click box and of the hover box.
constexpr LONG kHalfBox = 2;
// Key messages remembered for their key state; older ones are forgotten
// (their messages were dropped or never taken).
constexpr std::size_t kMostPostedKeys = 1024;

bool Skipped(const std::vector<const Window*>& skip, const Window* window) {
    return std::find(skip.begin(), skip.end(), window) != skip.end();
}

// The innermost visible, enabled window whose shape holds the point, given
// in the coordinates the window's rectangle is in. A disabled child lets the
// point through to its parent.
Window* HitTree(Window& window, POINT point, const std::vector<const Window*>& skip) {
    if ((window.style & (WS_VISIBLE | WS_DISABLED)) != WS_VISIBLE || !PointInRect(window.rect, point))
        return nullptr;
    if (window.region != nullptr &&
        !PtInRegion(window.region, KvSatSub(point.x, window.rect.left), KvSatSub(point.y, window.rect.top)))
        return nullptr;
    if (!skip.empty() && Skipped(skip, &window))
        return nullptr;
    if (!window.children.empty()) {
        const POINT corner = Shifted(POINT{window.rect.left, window.rect.top}, window.frame.left, window.frame.top);
        const POINT local{KvSatSub(point.x, corner.x), KvSatSub(point.y, corner.y)};
        const RECT client{0, 0, Width(window.rect) - window.frame.left - window.frame.right,
                          Height(window.rect) - window.frame.top - window.frame.bottom};
        if (PointInRect(client, local)) {
            const std::uint64_t generation = State().geometry_generation;
            if (window.hit_generation != generation) {
                window.hit_entries.clear();
                for (auto child = window.children.rbegin(); child != window.children.rend(); ++child)
                    if (((*child)->style & (WS_VISIBLE | WS_DISABLED)) == WS_VISIBLE)
                        window.hit_entries.push_back(Window::HitEntry{(*child)->rect, *child});
                window.hit_generation = generation;
            }
            // The cheap tests first, over a compact copy.
            for (const Window::HitEntry& entry : window.hit_entries) {
                if (!PointInRect(entry.rect, local))
                    continue;
                if (Window* hit = HitTree(*entry.window, local, skip))
                    return hit;
            }
        }
    }
    return &window;
}

Window* UnderCursor() { return HitTest(GetMessageCursorPos(), nullptr); }

// Input goes to the calling thread's own windows: straight into its queue.
bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ThreadState& state = State();
    if (state.queue && Find(window) != nullptr)
        return state.queue->Post(ThreadMessage{window, message, wParam, lParam});
    return PostWindowMessage(window, message, wParam, lParam);
}

UINT NonClient(UINT message) {
    switch (message) {
    case WM_MOUSEMOVE:
        return WM_NCMOUSEMOVE;
    case WM_LBUTTONDOWN:
        return WM_NCLBUTTONDOWN;
    case WM_LBUTTONUP:
        return WM_NCLBUTTONUP;
    case WM_LBUTTONDBLCLK:
        return WM_NCLBUTTONDBLCLK;
    case WM_RBUTTONDOWN:
        return WM_NCRBUTTONDOWN;
    default:
        return WM_NCRBUTTONUP;
    }
}

// One mouse event at the cursor: the capture window or the window under the
// cursor gets WM_SETCURSOR (without capture) and the posted message.
void MouseEvent(UINT message) {
    ThreadState& state = State();
    const POINT point = GetMessageCursorPos();
    LRESULT code = HTCLIENT;
    Window* target = Find(state.capture);
    if (target == nullptr) {
        target = HitTest(point, &code);
        if (target == nullptr)
            return;
        const HWND handle = target->hwnd;
        SendTo(*target, WM_SETCURSOR, reinterpret_cast<WPARAM>(handle),
               MAKELPARAM(static_cast<int>(code), static_cast<int>(message)));
        if ((target = Find(handle)) == nullptr)
            return;
    }
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) {
        const std::uint32_t now = GetClock().TickMs();
        const bool again = state.last_press_window == target->hwnd && state.last_press_message == message &&
                           static_cast<std::int32_t>(now - state.last_press_tick) <
                               static_cast<std::int32_t>(KV_DOUBLE_CLICK_MS) &&
                           std::abs(point.x - state.last_press_point.x) <= kHalfBox &&
                           std::abs(point.y - state.last_press_point.y) <= kHalfBox;
        if (again && (target->window_class->info.style & CS_DBLCLKS) != 0) {
            message = message == WM_LBUTTONDOWN ? WM_LBUTTONDBLCLK : WM_RBUTTONDBLCLK;
            state.last_press_window = nullptr;
        } else {
            state.last_press_window = target->hwnd;
            state.last_press_message = message;
            state.last_press_tick = now;
            state.last_press_point = point;
        }
    }
    if (code == HTCLIENT) {
        const POINT client = ClientScreenOrigin(*target);
        Post(target->hwnd, message, KeyStateFlags(), MAKELPARAM(point.x - client.x, point.y - client.y));
    } else {
        Post(target->hwnd, NonClient(message), static_cast<WPARAM>(code), MAKELPARAM(point.x, point.y));
    }
}

// Queues an injected key for whichever window has the focus when it is
// taken; false when the thread has no open queue.
bool PostKey(const MSG& message) {
    const ThreadState& state = State();
    return state.queue && state.queue->Post(message);
}

void KeyEvent(const KEYBDINPUT& key) {
    ThreadState& state = State();
    if (key.dwFlags & KEYEVENTF_UNICODE) {
        // A packet key that translation turns into the character, so that
        // characters keep the order of the keys around them.
        if ((key.dwFlags & KEYEVENTF_KEYUP) == 0)
            PostKey(MSG{kFocusWhenTaken, WM_KEYDOWN, static_cast<WPARAM>(VK_PACKET),
                        1 | (static_cast<LPARAM>(key.wScan & 0xFF) << 16)});
        return;
    }
    const int vk = key.wVk & 0xFF;
    const bool up = (key.dwFlags & KEYEVENTF_KEYUP) != 0;
    const bool was_down = state.keys[static_cast<std::size_t>(vk)];
    state.keys[static_cast<std::size_t>(vk)] = !up;
    LPARAM lParam = 1 | (static_cast<LPARAM>(key.wScan & 0xFF) << 16);
    if (up)
        lParam |= (LPARAM{1} << 30) | (LPARAM{1} << 31);
    else if (was_down)
        lParam |= LPARAM{1} << 30;
    const MSG message{kFocusWhenTaken, up ? WM_KEYUP : WM_KEYDOWN, static_cast<WPARAM>(vk),
                      static_cast<LPARAM>(static_cast<std::int32_t>(lParam))};
    if (!PostKey(message)) {
        // No message carries this key: it counts once the queued keys are taken.
        if (state.posted_keys.empty())
            state.message_keys = state.keys;
        else
            state.unposted_keys = state.keys;
        return;
    }
    if (state.posted_keys.size() >= kMostPostedKeys)
        state.posted_keys.pop_front();
    state.posted_keys.push_back(ThreadState::PostedKey{message, state.keys});
    state.unposted_keys.reset();
}

// The character a key gives, 0 for none.
int CharacterOf(int vk, bool shift, bool control) {
    if (vk >= 'A' && vk <= 'Z') {
        if (control)
            return vk - 'A' + 1;
        return shift ? vk : vk - 'A' + 'a';
    }
    if (control)
        return 0;
    if (vk >= '0' && vk <= '9')
        return shift ? ")!@#$%^&*("[vk - '0'] : vk;
    switch (vk) {
    case VK_SPACE:
        return ' ';
    case VK_RETURN:
        return '\r';
    case VK_BACK:
        return '\b';
    case VK_TAB:
        return '\t';
    case VK_ESCAPE:
        return 0x1B;
    default:
        return 0;
    }
}

} // namespace

namespace wnd_internal {

Window* HitTest(POINT point, LRESULT* code) {
    ThreadState& state = State();
    std::vector<const Window*> skip;
    for (;;) {
        Window* hit = nullptr;
        for (auto top = state.top_levels.rbegin(); top != state.top_levels.rend() && hit == nullptr; ++top)
            hit = HitTree(**top, point, skip);
        if (hit == nullptr)
            return nullptr;
        const HWND handle = hit->hwnd;
        const LRESULT answer = SendTo(*hit, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y));
        if (answer != HTTRANSPARENT) {
            if (code != nullptr)
                *code = answer;
            return Find(handle);
        }
        if (Find(handle) == nullptr)
            continue;
        // The windows beneath get their turn.
        skip.push_back(hit);
    }
}

WPARAM KeyStateFlags() {
    const ThreadState& state = State();
    WPARAM flags = 0;
    if (state.keys[VK_LBUTTON])
        flags |= MK_LBUTTON;
    if (state.keys[VK_RBUTTON])
        flags |= MK_RBUTTON;
    if (state.keys[VK_SHIFT])
        flags |= MK_SHIFT;
    if (state.keys[VK_CONTROL])
        flags |= MK_CONTROL;
    return flags;
}

bool TakeKeyMessage(MSG& message) {
    // A message a program or the router posted keeps its window and moves no
    // key state, even when its number is a key's.
    if (message.window != kFocusWhenTaken)
        return true;
    ThreadState& state = State();
    const auto same = [&message](const ThreadState::PostedKey& posted) {
        return posted.message.message == message.message && posted.message.wParam == message.wParam &&
               posted.message.lParam == message.lParam;
    };
    // Packet keys leave the key state as it is: they have no entry.
    const auto taken = std::find_if(state.posted_keys.begin(), state.posted_keys.end(), same);
    if (taken != state.posted_keys.end()) {
        state.message_keys = taken->keys;
        state.posted_keys.erase(state.posted_keys.begin(), taken + 1);
        if (state.posted_keys.empty() && state.unposted_keys) {
            state.message_keys = *state.unposted_keys;
            state.unposted_keys.reset();
        }
    }
    message.window = state.focus;
    return message.window != nullptr;
}

void UpdateTracking() {
    ThreadState& state = State();
    if (state.tracked.empty())
        return;
    Window* under = UnderCursor();
    const POINT point = GetMessageCursorPos();
    const std::vector<Window*> tracked = state.tracked;
    for (Window* window : tracked) {
        if (window == under) {
            if (window->track_hover && (std::abs(point.x - window->hover_point.x) > kHalfBox ||
                                        std::abs(point.y - window->hover_point.y) > kHalfBox)) {
                window->hover_start = GetClock().TickMs();
                window->hover_point = point;
            }
            continue;
        }
        window->track_hover = false;
        if (window->track_leave) {
            window->track_leave = false;
            Post(window->hwnd, WM_MOUSELEAVE, 0, 0);
        }
        std::erase(state.tracked, window);
    }
}

void ForgetInput(Window& window) {
    window.track_leave = false;
    window.track_hover = false;
    std::erase(State().tracked, &window);
}

bool NextHover(ThreadMessage& message, bool remove, DWORD& wait_ms) {
    ThreadState& state = State();
    if (state.tracked.empty())
        return false;
    const std::uint32_t now = GetClock().TickMs();
    for (Window* window : state.tracked) {
        if (!window->track_hover)
            continue;
        const auto elapsed = static_cast<std::int32_t>(now - window->hover_start);
        const auto needed = static_cast<std::int32_t>(window->hover_ms);
        if (elapsed < needed) {
            wait_ms = std::min<DWORD>(wait_ms, static_cast<DWORD>(needed - elapsed));
            continue;
        }
        const POINT client = ClientScreenOrigin(*window);
        const POINT point = GetMessageCursorPos();
        message = ThreadMessage{window->hwnd, WM_MOUSEHOVER, KeyStateFlags(),
                                MAKELPARAM(point.x - client.x, point.y - client.y)};
        if (remove) {
            window->track_hover = false;
            if (!window->track_leave)
                std::erase(state.tracked, window);
        }
        return true;
    }
    return false;
}

} // namespace wnd_internal

HWND WindowFromPoint(POINT point) {
    Window* hit = HitTest(point, nullptr);
    return hit ? hit->hwnd : nullptr;
}

UINT SendInput(UINT count, const INPUT* inputs, int size) {
    if (inputs == nullptr || size != static_cast<int>(sizeof(INPUT)))
        return 0;
    ThreadState& state = State();
    for (UINT i = 0; i < count; ++i) {
        const INPUT& input = inputs[i];
        if (input.type == INPUT_KEYBOARD) {
            KeyEvent(input.ki);
            continue;
        }
        if (input.type != INPUT_MOUSE)
            return i;
        const MOUSEINPUT& mouse = input.mi;
        if (mouse.dwFlags & MOUSEEVENTF_MOVE) {
            POINT point = GetMessageCursorPos();
            if (mouse.dwFlags & MOUSEEVENTF_ABSOLUTE)
                point = POINT{mouse.dx, mouse.dy};
            else
                point = POINT{point.x + mouse.dx, point.y + mouse.dy};
            point.x = std::clamp<LONG>(point.x, 0, kScreenWidth - 1);
            point.y = std::clamp<LONG>(point.y, 0, kScreenHeight - 1);
            SetMessageCursorPos(point);
            MouseEvent(WM_MOUSEMOVE);
            UpdateTracking();
        }
        const struct {
            DWORD flag;
            int key;
            bool down;
            UINT message;
        } buttons[] = {{MOUSEEVENTF_LEFTDOWN, VK_LBUTTON, true, WM_LBUTTONDOWN},
                       {MOUSEEVENTF_LEFTUP, VK_LBUTTON, false, WM_LBUTTONUP},
                       {MOUSEEVENTF_RIGHTDOWN, VK_RBUTTON, true, WM_RBUTTONDOWN},
                       {MOUSEEVENTF_RIGHTUP, VK_RBUTTON, false, WM_RBUTTONUP}};
        for (const auto& button : buttons) {
            if ((mouse.dwFlags & button.flag) == 0)
                continue;
            state.keys[static_cast<std::size_t>(button.key)] = button.down;
            state.message_keys[static_cast<std::size_t>(button.key)] = button.down;
            MouseEvent(button.message);
        }
    }
    return count;
}

HWND SetFocus(HWND handle) {
    ThreadState& state = State();
    Window* window = nullptr;
    if (handle != nullptr && (window = Find(handle)) == nullptr)
        return nullptr;
    const HWND previous = state.focus;
    if (previous == handle)
        return previous;
    state.focus = handle;
    if (window != nullptr)
        TopLevel(*window).last_focus = handle;
    if (previous != nullptr && Find(previous) != nullptr)
        SendMessage(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(handle), 0);
    if (handle != nullptr && state.focus == handle)
        SendMessage(handle, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    return previous;
}

HWND GetFocus() { return State().focus; }

HWND SetCapture(HWND handle) {
    ThreadState& state = State();
    if (Find(handle) == nullptr)
        return nullptr;
    const HWND previous = state.capture;
    state.capture = handle;
    if (previous != nullptr && previous != handle)
        SendMessage(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(handle));
    return previous;
}

BOOL ReleaseCapture() {
    ThreadState& state = State();
    const HWND previous = state.capture;
    state.capture = nullptr;
    if (previous != nullptr)
        SendMessage(previous, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture() { return State().capture; }

BOOL TrackMouseEvent(TRACKMOUSEEVENT* track) {
    if (track == nullptr || track->cbSize != sizeof(TRACKMOUSEEVENT))
        return FALSE;
    ThreadState& state = State();
    if (track->dwFlags & TME_QUERY) {
        for (Window* window : state.tracked) {
            track->hwndTrack = window->hwnd;
            track->dwFlags = (window->track_leave ? TME_LEAVE : 0) | (window->track_hover ? TME_HOVER : 0);
            track->dwHoverTime = window->hover_ms;
            return TRUE;
        }
        track->dwFlags = 0;
        track->hwndTrack = nullptr;
        return TRUE;
    }
    Window* window = Find(track->hwndTrack);
    if (window == nullptr)
        return FALSE;
    if (track->dwFlags & TME_CANCEL) {
        if (track->dwFlags & TME_LEAVE)
            window->track_leave = false;
        if (track->dwFlags & TME_HOVER)
            window->track_hover = false;
        if (!window->track_leave && !window->track_hover)
            std::erase(state.tracked, window);
        return TRUE;
    }
    if (UnderCursor() != window) {
        // Already outside: the leave notice comes at once, hovering never.
        if (track->dwFlags & TME_LEAVE)
            Post(window->hwnd, WM_MOUSELEAVE, 0, 0);
        return TRUE;
    }
    if (track->dwFlags & TME_LEAVE)
        window->track_leave = true;
    if (track->dwFlags & TME_HOVER) {
        window->track_hover = true;
        window->hover_ms = track->dwHoverTime == HOVER_DEFAULT ? KV_HOVER_TIME_MS : track->dwHoverTime;
        window->hover_start = GetClock().TickMs();
        window->hover_point = GetMessageCursorPos();
    }
    if ((window->track_leave || window->track_hover) &&
        std::find(state.tracked.begin(), state.tracked.end(), window) == state.tracked.end())
        state.tracked.push_back(window);
    return TRUE;
}

BOOL GetCursorPos(POINT* point) {
    if (point == nullptr)
        return FALSE;
    *point = GetMessageCursorPos();
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    SetMessageCursorPos(POINT{std::clamp<LONG>(x, 0, kScreenWidth - 1), std::clamp<LONG>(y, 0, kScreenHeight - 1)});
    UpdateTracking();
    return TRUE;
}

SHORT GetKeyState(int virtual_key) {
    if (virtual_key < 0 || virtual_key > 255)
        return 0;
    return State().message_keys[static_cast<std::size_t>(virtual_key)] ? static_cast<SHORT>(-32768) : SHORT{0};
}

SHORT GetAsyncKeyState(int virtual_key) {
    if (virtual_key < 0 || virtual_key > 255)
        return 0;
    return State().keys[static_cast<std::size_t>(virtual_key)] ? static_cast<SHORT>(-32768) : SHORT{0};
}

HCURSOR SetCursor(HCURSOR cursor) {
    ThreadState& state = State();
    const HCURSOR previous = state.cursor;
    state.cursor = cursor;
    return previous;
}

HCURSOR GetCursor() { return State().cursor; }

namespace {

// Resource numbers stand for themselves; names get a number of their own.
std::uintptr_t StandIn(const char* name) {
    if (name == nullptr)
        return 0;
    const auto number = reinterpret_cast<std::uintptr_t>(name);
    if (number <= 0xFFFF)
        return number;
    static std::mutex mutex;
    static std::vector<std::string> names;
    std::lock_guard lock(mutex);
    auto found = std::find(names.begin(), names.end(), name);
    if (found == names.end())
        found = names.insert(names.end(), name);
    return 0x10000 + static_cast<std::uintptr_t>(found - names.begin());
}

} // namespace

HCURSOR LoadCursor(HINSTANCE, const char* name) { return reinterpret_cast<HCURSOR>(StandIn(name)); }

HICON LoadIcon(HINSTANCE, const char* name) { return reinterpret_cast<HICON>(StandIn(name)); }

BOOL TranslateMessage(const MSG* message) {
    if (message == nullptr || message->message != WM_KEYDOWN || message->window == nullptr)
        return FALSE;
    const ThreadState& state = State();
    const int character = message->wParam == static_cast<WPARAM>(VK_PACKET)
                              ? static_cast<int>((static_cast<std::uintptr_t>(message->lParam) >> 16) & 0xFF)
                              : CharacterOf(static_cast<int>(message->wParam & 0xFF), state.message_keys[VK_SHIFT],
                                            state.message_keys[VK_CONTROL]);
    if (character == 0)
        return FALSE;
    // The character goes ahead of the keys and clicks queued behind its key,
    // which were typed after it; they reach the window in the order typed.
    const ThreadMessage typed{message->window, WM_CHAR, static_cast<WPARAM>(character),
                              message->lParam};
    const bool posted =
        state.queue && Find(typed.window) != nullptr
            ? state.queue->PostNext(typed)
            : PostWindowMessage(typed.window, typed.message, typed.wParam, typed.lParam);
    return posted ? TRUE : FALSE;
}

void WndResetInput() {
    ThreadState& state = State();
    state.keys.fill(false);
    state.message_keys.fill(false);
    state.posted_keys.clear();
    state.unposted_keys.reset();
    state.capture = nullptr;
    state.focus = nullptr;
    state.last_press_window = nullptr;
    for (Window* window : state.tracked) {
        window->track_leave = false;
        window->track_hover = false;
    }
    state.tracked.clear();
}
