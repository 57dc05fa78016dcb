#pragma once
// The records behind window handles, shared by the window system's files.
// Everything here is touched by the owning thread only, except the registry
// of live handles and the statistics.

#include "platform/gdi/gdi.h"
#include "platform/geometry.h"
#include "platform/platform_window.h"
#include "platform/wnd/wnd.h"

#include <array>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace wnd_internal {

struct WindowClass {
    std::string name;
    WNDCLASSEX info;
};

struct Window final : PlatformWindow, std::enable_shared_from_this<Window> {
    ~Window() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool PreTranslateMessage(ThreadMessage& message) override;
    void OnDroppedMessage(const ThreadMessage& message) override;

    // What hit testing reads first.
    DWORD style = 0;
    RECT rect;                         // parent's client coordinates, or screen
    RECT frame;                        // frame widths: left, top, right, bottom
    HRGN region = nullptr;             // window region, window coordinates
    HWND hwnd = nullptr;
    std::shared_ptr<WindowClass> window_class;
    WNDPROC procedure = nullptr;
    DWORD ex_style = 0;
    LONG_PTR id = 0;
    LONG_PTR user_data = 0;
    std::vector<LONG_PTR> extra;
    std::string text;
    HFONT font = nullptr;
    HICON icons[2] = {nullptr, nullptr};  // small, big
    HWND owner = nullptr;
    // Top-level windows: the window below it (or itself) that last took the
    // focus, for giving it back when another top-level window goes.
    HWND last_focus = nullptr;
    Window* parent = nullptr;          // null for a top-level window
    std::vector<Window*> children;     // bottom to top
    // The visible, enabled children's rectangles, top to bottom, for hit
    // testing; valid while hit_generation equals the thread's geometry
    // generation.
    struct HitEntry {
        RECT rect;
        Window* window;
    };
    std::vector<HitEntry> hit_entries;
    std::uint64_t hit_generation = 0;
    DWORD frame_style = 0;             // the styles the frame was made from
    DWORD frame_ex_style = 0;
    HRGN update = nullptr;             // client coordinates; null when empty
    bool erase = false;
    bool frame_dirty = false;
    HBITMAP surface = nullptr;         // top-level windows only
    WindowHooks* hooks = nullptr;
    bool destroying = false;
    bool destroyed = false;
    int dispatch_depth = 0;            // procedure calls under way
    bool track_leave = false;
    bool track_hover = false;
    DWORD hover_ms = 0;
    std::uint32_t hover_start = 0;
    POINT hover_point;
    COLORREF layered_key = 0;
    BYTE layered_alpha = 255;
    DWORD layered_flags = 0;
};

struct ThreadState final : GeneratedMessageSource {
    ~ThreadState() override;
    bool NextGenerated(ThreadMessage& message, bool remove, DWORD& wait_ms) override;
    // The one place where a key message taken from the queue moves the
    // message key state and is addressed, whichever loop took it and however
    // many windows' hooks look at it afterwards.
    bool OnPostedTaken(ThreadMessage& message) override;
    void OnPostedSeen(ThreadMessage& message) override;

    std::unordered_map<HWND, std::shared_ptr<Window>> windows;
    std::vector<Window*> top_levels; // bottom to top
    std::vector<Window*> tracked;    // windows with a mouse-tracking request
    std::shared_ptr<MessageQueue> queue;
    HWND focus = nullptr;
    HWND capture = nullptr;
    // The keys as injected, and as of the last key message taken from the
    // queue: a message is handled with the modifiers it was typed with, even
    // when later keys are already queued behind it.
    std::array<bool, 256> keys{};
    std::array<bool, 256> message_keys{};
    // Key messages posted and not yet taken, each with the keys as they
    // were after it; and the keys after the last key that reached no window.
    struct PostedKey {
        MSG message;
        std::array<bool, 256> keys;
    };
    std::deque<PostedKey> posted_keys;
    std::optional<std::array<bool, 256>> unposted_keys;
    HCURSOR cursor = nullptr;
    // The last button press, for double clicks.
    HWND last_press_window = nullptr;
    UINT last_press_message = 0;
    std::uint32_t last_press_tick = 0;
    POINT last_press_point;
    IdleHook idle_hook;
    // Destroyed windows whose procedure is still running.
    std::vector<std::shared_ptr<Window>> dying;
    // The last window found, to spare the map in message storms.
    HWND cached_handle = nullptr;
    Window* cached_window = nullptr;
    // Something may need painting; cleared by a walk that found nothing.
    bool maybe_dirty = false;
    // Moves on with every change of a window's rectangle, style, region or
    // stacking.
    std::uint64_t geometry_generation = 1;
};

// Keeps a window's record alive while its procedure runs, so that it may be
// destroyed inside; cheaper than a shared pointer on every message.
class Dispatching {
public:
    explicit Dispatching(Window& window) : window_(window) { ++window_.dispatch_depth; }
    ~Dispatching();
    Dispatching(const Dispatching&) = delete;
    Dispatching& operator=(const Dispatching&) = delete;

private:
    Window& window_;
};

// The calling thread's state, reached through a plain pointer so that the
// hot paths pay no guard of a thread-local object.
ThreadState& MakeState();
inline thread_local ThreadState* current_state = nullptr;
inline ThreadState& State() {
    ThreadState* state = current_state;
    return state != nullptr ? *state : MakeState();
}
Window* FindUncached(HWND window);
// The calling thread's live window of a handle; null otherwise, and a window
// of another thread is counted as a refused call.
inline Window* Find(HWND window) {
    const ThreadState& state = State();
    if (window != nullptr && window == state.cached_handle)
        return state.cached_window->destroyed ? nullptr : state.cached_window;
    return FindUncached(window);
}
void CountRefused();
LRESULT CallProcedure(Window& window, UINT message, WPARAM wParam, LPARAM lParam);
// SendMessage to a window already found.
LRESULT SendTo(Window& window, UINT message, WPARAM wParam, LPARAM lParam);

// Geometry.
// Window positions may stand anywhere in the 32-bit range: coordinates are
// summed with saturation.
inline LONG Width(const RECT& rect) { return KvSatSub(rect.right, rect.left); }
inline LONG Height(const RECT& rect) { return KvSatSub(rect.bottom, rect.top); }
inline POINT Shifted(POINT point, LONG dx, LONG dy) { return POINT{KvSatAdd(point.x, dx), KvSatAdd(point.y, dy)}; }
inline bool PointInRect(const RECT& rect, POINT point) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}
RECT FrameInsets(DWORD style, DWORD ex_style);
POINT ScreenOrigin(const Window& window);
POINT ClientScreenOrigin(const Window& window);
RECT ClientRect(const Window& window);
Window& TopLevel(Window& window);
// The window's top-left corner in its top-level window's coordinates.
POINT OriginInTop(const Window& window);
bool IsShown(const Window& window);
// Something was invalidated: the next look for paints walks the windows.
inline void MarkDirty();

// Painting (wnd_paint.cpp).
// children: 1 every child, 0 the children unless WS_CLIPCHILDREN, -1 none.
void Invalidate(Window& window, const RECT* client_rect, HRGN client_region, bool erase, int children);
// Window and frame of the window and of every window below it.
void InvalidateTree(Window& window);
// The parent's client area under a rectangle given in its client coordinates.
void InvalidateParentArea(Window& window, const RECT& rect);
void PaintFrame(Window& window);
Window* FirstToPaint(Window& window);
bool MakeSurface(Window& window);

// Input (wnd_input.cpp).
Window* HitTest(POINT screen, LRESULT* code);
void UpdateTracking();
void ForgetInput(Window& window);
bool NextHover(ThreadMessage& message, bool remove, DWORD& wait_ms);
WPARAM KeyStateFlags();
// Where the injected keys are queued: no window has this handle, so no
// program or router posts there, and the message is addressed to the focus
// when it is taken, as keys typed ahead of a focus change must be.
inline const HWND kFocusWhenTaken = reinterpret_cast<HWND>(~std::uintptr_t{0} - 0xF);
// An injected key taken from the queue: brings the message key state up to
// it and addresses it to the focus. False when nothing has the focus: the
// key is dropped. Any other message is left as it was posted.
bool TakeKeyMessage(MSG& message);

inline void MarkDirty() { State().maybe_dirty = true; }
inline void GeometryChanged() { ++State().geometry_generation; }

} // namespace wnd_internal
