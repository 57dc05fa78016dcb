#include "platform/wnd/wnd_internal.h"

#include "platform/text.h"
#include "platform/thread_messaging.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <optional>
#include <unordered_set>
#include <utility>

using namespace wnd_internal;

namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_set<HWND> live;
    std::vector<std::shared_ptr<WindowClass>> classes;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

std::atomic<std::uint64_t>& RefusedCalls() {
    static std::atomic<std::uint64_t> count{0};
    return count;
}

std::atomic<std::uint64_t>& LiveWindows() {
    static std::atomic<std::uint64_t> count{0};
    return count;
}

bool SameName(const std::string& a, const char* b) {
    return a.size() == std::strlen(b) &&
           std::equal(a.begin(), a.end(), b, [](char x, char y) { return ToLowerAscii(x) == ToLowerAscii(y); });
}

std::shared_ptr<WindowClass> FindClass(const char* name) {
    if (name == nullptr)
        return nullptr;
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    for (const auto& window_class : registry.classes)
        if (SameName(window_class->name, name))
            return window_class;
    return nullptr;
}

void Unlink(Window& window) {
    GeometryChanged();
    std::vector<Window*>& siblings = window.parent ? window.parent->children : State().top_levels;
    std::erase(siblings, &window);
}

// Sends WM_DESTROY to the window, then to its children.
void SendDestroy(Window& window) {
    std::shared_ptr<Window> hold = window.shared_from_this();
    CallProcedure(window, WM_DESTROY, 0, 0);
    const std::vector<Window*> children = window.children;
    for (Window* child : children)
        if (!child->destroyed)
            SendDestroy(*child);
}

void Release(Window& window) {
    ThreadState& state = State();
    if (state.focus == window.hwnd)
        state.focus = nullptr;
    if (state.capture == window.hwnd)
        state.capture = nullptr;
    if (state.last_press_window == window.hwnd)
        state.last_press_window = nullptr;
    ForgetInput(window);
    if (state.queue)
        state.queue->KillWindowTimers(window.hwnd);
    if (window.region)
        GdiDeleteAdoptedRegion(window.region, &window);
    window.region = nullptr;
    if (window.update)
        DeleteObject(window.update);
    window.update = nullptr;
    if (window.surface)
        DeleteObject(window.surface);
    window.surface = nullptr;
    Unlink(window);
    {
        Registry& registry = TheRegistry();
        std::lock_guard lock(registry.mutex);
        registry.live.erase(window.hwnd);
    }
    LiveWindows().fetch_sub(1, std::memory_order_relaxed);
    window.destroyed = true;
    // Messages still queued go to OnDroppedMessage, and so to the hooks.
    window.Destroy();
}

// Children first, then WM_NCDESTROY and the release of the window.
void FinishDestroy(Window& window) {
    std::shared_ptr<Window> hold = window.shared_from_this();
    const std::vector<Window*> children = window.children;
    for (Window* child : children)
        if (!child->destroyed)
            FinishDestroy(*child);
    CallProcedure(window, WM_NCDESTROY, 0, 0);
    Release(window);
    ThreadState& state = State();
    auto found = state.windows.find(window.hwnd);
    if (found != state.windows.end()) {
        if (window.dispatch_depth > 0)
            state.dying.push_back(std::move(found->second));
        state.windows.erase(found);
    }
    if (state.cached_handle == window.hwnd) {
        state.cached_handle = nullptr;
        state.cached_window = nullptr;
    }
}

void MarkDestroying(Window& window) {
    window.destroying = true;
    for (Window* child : window.children)
        MarkDestroying(*child);
}

void Restack(Window& window, HWND insert_after) {
    GeometryChanged();
    std::vector<Window*>& siblings = window.parent ? window.parent->children : State().top_levels;
    std::erase(siblings, &window);
    if (insert_after == HWND_BOTTOM) {
        siblings.insert(siblings.begin(), &window);
        return;
    }
    if (insert_after != HWND_TOP && insert_after != HWND_TOPMOST && insert_after != HWND_NOTOPMOST) {
        auto found = std::find_if(siblings.begin(), siblings.end(),
                                  [insert_after](Window* other) { return other->hwnd == insert_after; });
        if (found != siblings.end()) {
            // Directly below the window it is placed after.
            siblings.insert(found, &window);
            return;
        }
    }
    siblings.push_back(&window);
}

std::atomic<FocusLostHook>& TheFocusLostHook() {
    static std::atomic<FocusLostHook> hook{nullptr};
    return hook;
}

// Where a window that took the focus with it stood among its siblings.
struct FocusLoss {
    HWND window = nullptr;
    HWND parent = nullptr;
    HWND next = nullptr;
};

FocusLoss LossOf(const Window& window) {
    const std::vector<Window*>& siblings = window.parent ? window.parent->children : State().top_levels;
    const auto at = std::find(siblings.begin(), siblings.end(), &window);
    const HWND next = at != siblings.end() && at + 1 != siblings.end() ? (*(at + 1))->hwnd : nullptr;
    return {window.hwnd, window.parent ? window.parent->hwnd : nullptr, next};
}

// The focus is on the window or on one below it.
bool HoldsFocus(const Window& window) {
    for (const Window* w = Find(State().focus); w != nullptr; w = w->parent)
        if (w == &window)
            return true;
    return false;
}

// Only while the focus is still nowhere: a handler along the way may have
// placed it already.
void OfferLostFocus(const std::optional<FocusLoss>& loss) {
    if (!loss || State().focus != nullptr)
        return;
    if (const FocusLostHook hook = TheFocusLostHook().load(std::memory_order_acquire))
        hook(loss->window, loss->parent, loss->next);
}

} // namespace

void SetFocusLostHook(FocusLostHook hook) { TheFocusLostHook().store(hook, std::memory_order_release); }

namespace wnd_internal {

Window::~Window() {
    if (surface)
        DeleteObject(surface);
    if (update)
        DeleteObject(update);
    if (region)
        GdiDeleteAdoptedRegion(region, this);
}

LRESULT Window::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (destroyed)
        return 0;
    Dispatching dispatching(*this);
    return CallProcedure(*this, message, wParam, lParam);
}

Dispatching::~Dispatching() {
    if (--window_.dispatch_depth != 0 || !window_.destroyed)
        return;
    // The outermost call has returned: the record may go.
    std::erase_if(State().dying, [this](const std::shared_ptr<Window>& dying) { return dying.get() == &window_; });
}

bool Window::PreTranslateMessage(ThreadMessage& message) {
    return hooks != nullptr && hooks->PreTranslateMessage(message);
}

void Window::OnDroppedMessage(const ThreadMessage& message) {
    if (hooks != nullptr)
        hooks->OnDroppedMessage(message);
}

ThreadState::~ThreadState() {
    current_state = nullptr;
    if (queue && queue->GetGeneratedSource() == this)
        queue->SetGeneratedSource(nullptr);
    // Windows left at the end of the thread go without messages.
    for (auto& [handle, window] : windows) {
        std::lock_guard lock(TheRegistry().mutex);
        TheRegistry().live.erase(handle);
        LiveWindows().fetch_sub(1, std::memory_order_relaxed);
        window->hooks = nullptr;
    }
}

ThreadState& MakeState() {
    thread_local ThreadState state;
    current_state = &state;
    return state;
}

void CountRefused() { RefusedCalls().fetch_add(1, std::memory_order_relaxed); }

Window* FindUncached(HWND handle) {
    if (handle == nullptr)
        return nullptr;
    ThreadState& state = State();
    auto found = state.windows.find(handle);
    if (found != state.windows.end()) {
        if (found->second->destroyed)
            return nullptr;
        state.cached_handle = handle;
        state.cached_window = found->second.get();
        return state.cached_window;
    }
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    if (registry.live.count(handle) != 0)
        CountRefused();
    return nullptr;
}

LRESULT SendTo(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
    // The procedure will most likely look the window up again.
    ThreadState& state = State();
    state.cached_handle = window.hwnd;
    state.cached_window = &window;
    Dispatching dispatching(window);
    return CallProcedure(window, message, wParam, lParam);
}

LRESULT CallProcedure(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window.procedure != nullptr)
        return window.procedure(window.hwnd, message, wParam, lParam);
    return DefWindowProc(window.hwnd, message, wParam, lParam);
}

RECT FrameInsets(DWORD style, DWORD ex_style) {
    LONG border = 0;
    // DS_MODALFRAME shares its bit with control styles: it counts for
    // top-level windows only.
    const bool modal_frame =
        (style & WS_CHILD) == 0 && ((style & DS_MODALFRAME) != 0 || (ex_style & WS_EX_DLGMODALFRAME) != 0);
    if (style & WS_THICKFRAME)
        border = 4;
    else if ((style & WS_DLGFRAME) != 0 || modal_frame)
        border = 3;
    else if (style & WS_BORDER)
        border = 1;
    const LONG caption = (style & WS_CAPTION) == WS_CAPTION ? 19 : 0;
    const LONG edge = (ex_style & WS_EX_CLIENTEDGE) ? 2 : 0;
    return RECT{border + edge, border + caption + edge, border + edge, border + edge};
}

POINT ScreenOrigin(const Window& window) {
    if (window.parent == nullptr)
        return POINT{window.rect.left, window.rect.top};
    const POINT client = ClientScreenOrigin(*window.parent);
    return Shifted(client, window.rect.left, window.rect.top);
}

POINT ClientScreenOrigin(const Window& window) {
    const POINT origin = ScreenOrigin(window);
    return Shifted(origin, window.frame.left, window.frame.top);
}

RECT ClientRect(const Window& window) {
    return RECT{0, 0, std::max<LONG>(0, KvSatSub(KvSatSub(Width(window.rect), window.frame.left), window.frame.right)),
                std::max<LONG>(0, KvSatSub(KvSatSub(Height(window.rect), window.frame.top), window.frame.bottom))};
}

Window& TopLevel(Window& window) {
    Window* top = &window;
    while (top->parent != nullptr)
        top = top->parent;
    return *top;
}

POINT OriginInTop(const Window& window) {
    const Window* top = &window;
    while (top->parent != nullptr)
        top = top->parent;
    const POINT origin = ScreenOrigin(window);
    return POINT{KvSatSub(origin.x, top->rect.left), KvSatSub(origin.y, top->rect.top)};
}

bool IsShown(const Window& window) {
    for (const Window* w = &window; w != nullptr; w = w->parent)
        if ((w->style & WS_VISIBLE) == 0)
            return false;
    return true;
}

} // namespace wnd_internal

ATOM RegisterClassEx(const WNDCLASSEX* window_class) {
    if (window_class == nullptr || window_class->cbSize != sizeof(WNDCLASSEX) ||
        window_class->lpszClassName == nullptr || window_class->lpszClassName[0] == '\0' ||
        window_class->cbWndExtra < 0 || window_class->cbWndExtra > 1024)
        return 0;
    if (FindClass(window_class->lpszClassName))
        return 0;
    auto entry = std::make_shared<WindowClass>();
    entry->name = window_class->lpszClassName;
    entry->info = *window_class;
    entry->info.lpszClassName = nullptr;
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.classes.push_back(std::move(entry));
    return static_cast<ATOM>(0xC000 + registry.classes.size());
}

BOOL UnregisterClass(const char* class_name, HINSTANCE) {
    std::shared_ptr<WindowClass> found = FindClass(class_name);
    if (!found)
        return FALSE;
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    std::erase(registry.classes, found);
    return TRUE;
}

BOOL GetClassInfoEx(HINSTANCE, const char* class_name, WNDCLASSEX* window_class) {
    std::shared_ptr<WindowClass> found = FindClass(class_name);
    if (!found || window_class == nullptr)
        return FALSE;
    *window_class = found->info;
    window_class->lpszClassName = class_name;
    return TRUE;
}

namespace {
struct PendingCreationHook {
    CreationHook hook = nullptr;
    void* context = nullptr;
};
thread_local PendingCreationHook pending_creation_hook;
}  // namespace

void WndHookNextCreation(CreationHook hook, void* context) { pending_creation_hook = {hook, context}; }

HWND CreateWindowEx(DWORD ex_style, const char* class_name, const char* window_name, DWORD style, int x,
                    int y, int width, int height, HWND parent_handle, HMENU menu, HINSTANCE instance,
                    void* param) {
    const PendingCreationHook creation_hook = std::exchange(pending_creation_hook, PendingCreationHook{});
    std::shared_ptr<WindowClass> window_class = FindClass(class_name);
    if (!window_class)
        return nullptr;
    Window* parent = nullptr;
    if (parent_handle != nullptr) {
        parent = Find(parent_handle);
        if (parent == nullptr || parent->destroying)
            return nullptr;
    }
    if ((style & WS_CHILD) != 0 && parent == nullptr)
        return nullptr;
    if (width < 0 || height < 0 || width > 16384 || height > 16384)
        return nullptr;
    ThreadState& state = State();
    std::shared_ptr<MessageQueue> queue = FindThreadQueue(GetCurrentThreadId());
    if (!queue)
        return nullptr;
    auto window = std::make_shared<Window>();
    const bool child = (style & WS_CHILD) != 0;
    if (!window->Create(child ? parent->hwnd : nullptr))
        return nullptr;
    if (state.queue != queue) {
        if (state.queue && state.queue->GetGeneratedSource() == &state)
            state.queue->SetGeneratedSource(nullptr);
        state.queue = queue;
        queue->SetGeneratedSource(&state);
    }
    Window& w = *window;
    w.hwnd = w.GetHandle();
    w.window_class = window_class;
    w.procedure = window_class->info.lpfnWndProc;
    w.style = style;
    w.ex_style = ex_style;
    w.id = child ? reinterpret_cast<LONG_PTR>(menu) : 0;
    w.extra.assign(static_cast<std::size_t>(window_class->info.cbWndExtra + 7) / 8, 0);
    w.text = window_name ? window_name : "";
    w.parent = child ? parent : nullptr;
    w.owner = child ? nullptr : parent_handle;
    w.rect = RECT{x, y, KvSatAdd(x, width), KvSatAdd(y, height)};
    w.frame = FrameInsets(style, ex_style);
    w.frame_style = style;
    w.frame_ex_style = ex_style;
    if (!child && !MakeSurface(w)) {
        w.Destroy();
        return nullptr;
    }
    state.windows.emplace(w.hwnd, window);
    (child ? parent->children : state.top_levels).push_back(&w);
    GeometryChanged();
    {
        Registry& registry = TheRegistry();
        std::lock_guard lock(registry.mutex);
        registry.live.insert(w.hwnd);
    }
    LiveWindows().fetch_add(1, std::memory_order_relaxed);

    const HWND hwnd = w.hwnd;
    CREATESTRUCT create;
    create.lpCreateParams = param;
    create.hInstance = instance;
    create.hMenu = menu;
    create.hwndParent = parent_handle;
    create.cx = width;
    create.cy = height;
    create.x = x;
    create.y = y;
    create.style = static_cast<LONG>(style);
    create.lpszName = window_name;
    create.lpszClass = class_name;
    create.dwExStyle = ex_style;
    if (creation_hook.hook != nullptr)
        creation_hook.hook(hwnd, creation_hook.context);
    if (Find(hwnd) == nullptr)
        return nullptr;
    if (!SendMessage(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create)) ||
        SendMessage(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (Find(hwnd) == nullptr)
        return nullptr;
    const RECT client = ClientRect(w);
    SendMessage(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    const POINT moved_to = Shifted(POINT{w.rect.left, w.rect.top}, w.frame.left, w.frame.top);
    SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(moved_to.x, moved_to.y));
    if (child && (ex_style & WS_EX_NOPARENTNOTIFY) == 0)
        SendMessage(parent_handle, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, static_cast<int>(w.id)),
                    reinterpret_cast<LPARAM>(hwnd));
    if (Find(hwnd) == nullptr)
        return nullptr;
    if (IsShown(w))
        InvalidateTree(w);
    return hwnd;
}

BOOL DestroyWindow(HWND handle) {
    Window* window = Find(handle);
    if (window == nullptr || window->destroying)
        return FALSE;
    std::shared_ptr<Window> hold = window->shared_from_this();
    Window* parent = window->parent;
    if (parent != nullptr && !parent->destroying && (window->ex_style & WS_EX_NOPARENTNOTIFY) == 0)
        SendMessage(parent->hwnd, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, static_cast<int>(window->id)),
                    reinterpret_cast<LPARAM>(handle));
    if (window->destroying)
        return FALSE;
    if (parent != nullptr && !parent->destroying && IsShown(*window))
        InvalidateParentArea(*window, window->rect);
    std::optional<FocusLoss> loss;
    if (HoldsFocus(*window))
        loss = LossOf(*window);
    MarkDestroying(*window);
    SendDestroy(*window);
    FinishDestroy(*window);
    UpdateTracking();
    OfferLostFocus(loss);
    return TRUE;
}

BOOL IsWindow(HWND handle) {
    if (handle == nullptr)
        return FALSE;
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    return registry.live.count(handle) != 0 ? TRUE : FALSE;
}

BOOL IsChild(HWND parent_handle, HWND handle) {
    Window* window = Find(handle);
    if (window == nullptr)
        return FALSE;
    for (Window* w = window->parent; w != nullptr; w = w->parent)
        if (w->hwnd == parent_handle)
            return TRUE;
    return FALSE;
}

HWND GetParent(HWND handle) {
    Window* window = Find(handle);
    if (window == nullptr)
        return nullptr;
    return window->parent ? window->parent->hwnd : window->owner;
}

HWND GetDlgItem(HWND parent_handle, int id) {
    Window* parent = Find(parent_handle);
    if (parent == nullptr)
        return nullptr;
    for (Window* child : parent->children)
        if (static_cast<int>(child->id) == id)
            return child->hwnd;
    return nullptr;
}

int GetDlgCtrlID(HWND handle) {
    Window* window = Find(handle);
    return window ? static_cast<int>(window->id) : 0;
}

LONG_PTR GetWindowLongPtr(HWND handle, int index) {
    Window* window = Find(handle);
    if (window == nullptr)
        return 0;
    switch (index) {
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(window->procedure);
    case GWLP_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>(window->parent ? window->parent->hwnd : window->owner);
    case GWLP_ID:
        return window->id;
    case GWL_STYLE:
        return static_cast<LONG_PTR>(window->style);
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(window->ex_style);
    case GWLP_USERDATA:
        return window->user_data;
    default:
        if (index >= 0 && index % 8 == 0 && static_cast<std::size_t>(index / 8) < window->extra.size())
            return window->extra[static_cast<std::size_t>(index / 8)];
        return 0;
    }
}

LONG_PTR SetWindowLongPtr(HWND handle, int index, LONG_PTR value) {
    Window* window = Find(handle);
    if (window == nullptr)
        return 0;
    LONG_PTR previous = 0;
    switch (index) {
    case GWLP_WNDPROC:
        previous = reinterpret_cast<LONG_PTR>(window->procedure);
        window->procedure = reinterpret_cast<WNDPROC>(value);
        return previous;
    case GWLP_ID:
        previous = window->id;
        window->id = value;
        return previous;
    case GWLP_USERDATA:
        previous = window->user_data;
        window->user_data = value;
        return previous;
    case GWL_STYLE:
    case GWL_EXSTYLE: {
        DWORD& field = index == GWL_STYLE ? window->style : window->ex_style;
        STYLESTRUCT change{field, static_cast<DWORD>(value)};
        SendMessage(handle, WM_STYLECHANGING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&change));
        if ((window = Find(handle)) == nullptr)
            return 0;
        DWORD& target = index == GWL_STYLE ? window->style : window->ex_style;
        previous = static_cast<LONG_PTR>(target);
        target = change.styleNew;
        GeometryChanged();
        SendMessage(handle, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&change));
        return previous;
    }
    default:
        if (index >= 0 && index % 8 == 0 && static_cast<std::size_t>(index / 8) < window->extra.size()) {
            previous = window->extra[static_cast<std::size_t>(index / 8)];
            window->extra[static_cast<std::size_t>(index / 8)] = value;
            return previous;
        }
        return 0;
    }
}

LRESULT CallWindowProc(WNDPROC procedure, HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    if (procedure == nullptr)
        return DefWindowProc(handle, message, wParam, lParam);
    return procedure(handle, message, wParam, lParam);
}

BOOL SetWindowText(HWND handle, const char* text) {
    return static_cast<BOOL>(SendMessage(handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

int GetWindowText(HWND handle, char* buffer, int size) {
    if (buffer == nullptr || size <= 0)
        return 0;
    buffer[0] = '\0';
    return static_cast<int>(
        SendMessage(handle, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLength(HWND handle) {
    return static_cast<int>(SendMessage(handle, WM_GETTEXTLENGTH, 0, 0));
}

BOOL EnableWindow(HWND handle, BOOL enable) {
    Window* window = Find(handle);
    if (window == nullptr)
        return FALSE;
    const bool was_disabled = (window->style & WS_DISABLED) != 0;
    if (was_disabled == !enable)
        return was_disabled ? TRUE : FALSE;
    if (enable)
        window->style &= ~WS_DISABLED;
    else
        window->style |= WS_DISABLED;
    GeometryChanged();
    std::optional<FocusLoss> loss;
    if (!enable && State().focus == handle) {
        loss = LossOf(*window);
        SetFocus(nullptr);
    }
    SendMessage(handle, WM_ENABLE, enable ? TRUE : FALSE, 0);
    UpdateTracking();
    OfferLostFocus(loss);
    return was_disabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND handle) {
    Window* window = Find(handle);
    return window != nullptr && (window->style & WS_DISABLED) == 0 ? TRUE : FALSE;
}

BOOL ShowWindow(HWND handle, int command) {
    Window* window = Find(handle);
    if (window == nullptr)
        return FALSE;
    const bool show = command != SW_HIDE;
    const bool was_visible = (window->style & WS_VISIBLE) != 0;
    if (show == was_visible)
        return was_visible ? TRUE : FALSE;
    SendMessage(handle, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    if ((window = Find(handle)) == nullptr)
        return was_visible ? TRUE : FALSE;
    if (!show && window->parent != nullptr && IsShown(*window))
        InvalidateParentArea(*window, window->rect);
    if (show)
        window->style |= WS_VISIBLE;
    else
        window->style &= ~WS_VISIBLE;
    GeometryChanged();
    if (show && IsShown(*window))
        InvalidateTree(*window);
    std::optional<FocusLoss> loss;
    if (!show && HoldsFocus(*window)) {
        loss = LossOf(*window);
        SetFocus(nullptr);
    }
    WINDOWPOS position{handle, nullptr, window->rect.left, window->rect.top, Width(window->rect),
                       Height(window->rect),
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW)};
    SendMessage(handle, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&position));
    UpdateTracking();
    OfferLostFocus(loss);
    return was_visible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND handle) {
    Window* window = Find(handle);
    return window != nullptr && IsShown(*window) ? TRUE : FALSE;
}

BOOL SetWindowPos(HWND handle, HWND insert_after, int x, int y, int width, int height, UINT flags) {
    Window* window = Find(handle);
    if (window == nullptr || window->destroying)
        return FALSE;
    WINDOWPOS position{handle, insert_after, x, y, width, height, flags};
    if (flags & SWP_NOMOVE) {
        position.x = window->rect.left;
        position.y = window->rect.top;
    }
    if (flags & SWP_NOSIZE) {
        position.cx = Width(window->rect);
        position.cy = Height(window->rect);
    }
    SendMessage(handle, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&position));
    if ((window = Find(handle)) == nullptr)
        return FALSE;
    position.cx = std::clamp(position.cx, 0, 16384);
    position.cy = std::clamp(position.cy, 0, 16384);
    const RECT old_rect = window->rect;
    const RECT new_rect{position.x, position.y, KvSatAdd(position.x, position.cx), KvSatAdd(position.y, position.cy)};
    const bool moved = old_rect.left != new_rect.left || old_rect.top != new_rect.top;
    const bool sized = Width(old_rect) != Width(new_rect) || Height(old_rect) != Height(new_rect);
    const bool was_shown = IsShown(*window);
    bool restacked = false;
    if ((flags & SWP_NOZORDER) == 0) {
        Restack(*window, insert_after);
        restacked = true;
    }
    if (flags & SWP_FRAMECHANGED) {
        window->frame = FrameInsets(window->style, window->ex_style);
        window->frame_style = window->style;
        window->frame_ex_style = window->ex_style;
    }
    if (flags & SWP_SHOWWINDOW)
        window->style |= WS_VISIBLE;
    if (flags & SWP_HIDEWINDOW)
        window->style &= ~WS_VISIBLE;
    window->rect = new_rect;
    GeometryChanged();
    if (sized && window->parent == nullptr)
        MakeSurface(*window);
    const bool shown = IsShown(*window);
    if ((flags & SWP_NOREDRAW) == 0) {
        const bool changed = moved || sized || restacked || (flags & SWP_FRAMECHANGED) || shown != was_shown;
        if (changed && window->parent != nullptr) {
            if (was_shown)
                InvalidateParentArea(*window, old_rect);
            if (shown)
                InvalidateParentArea(*window, new_rect);
        }
        if (shown && (sized || (flags & SWP_FRAMECHANGED) || (changed && window->parent != nullptr) ||
                      shown != was_shown))
            InvalidateTree(*window);
    } else if (sized && window->parent == nullptr && shown) {
        InvalidateTree(*window);
    }
    if (!moved)
        position.flags |= SWP_NOMOVE;
    if (!sized)
        position.flags |= SWP_NOSIZE;
    SendMessage(handle, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&position));
    UpdateTracking();
    return TRUE;
}

BOOL MoveWindow(HWND handle, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(handle, nullptr, x, y, width, height, SWP_NOZORDER | (repaint ? 0u : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND handle) {
    return SetWindowPos(handle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL GetWindowRect(HWND handle, RECT* rect) {
    Window* window = Find(handle);
    if (window == nullptr || rect == nullptr)
        return FALSE;
    const POINT origin = ScreenOrigin(*window);
    *rect = RECT{origin.x, origin.y, KvSatAdd(origin.x, Width(window->rect)), KvSatAdd(origin.y, Height(window->rect))};
    return TRUE;
}

BOOL GetClientRect(HWND handle, RECT* rect) {
    Window* window = Find(handle);
    if (window == nullptr || rect == nullptr)
        return FALSE;
    *rect = ClientRect(*window);
    return TRUE;
}

BOOL ClientToScreen(HWND handle, POINT* point) {
    Window* window = Find(handle);
    if (window == nullptr || point == nullptr)
        return FALSE;
    const POINT origin = ClientScreenOrigin(*window);
    *point = Shifted(*point, origin.x, origin.y);
    return TRUE;
}

BOOL ScreenToClient(HWND handle, POINT* point) {
    Window* window = Find(handle);
    if (window == nullptr || point == nullptr)
        return FALSE;
    const POINT origin = ClientScreenOrigin(*window);
    point->x = KvSatSub(point->x, origin.x);
    point->y = KvSatSub(point->y, origin.y);
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
    POINT from_origin;
    POINT to_origin;
    if (from != nullptr) {
        Window* window = Find(from);
        if (window == nullptr)
            return 0;
        from_origin = ClientScreenOrigin(*window);
    }
    if (to != nullptr) {
        Window* window = Find(to);
        if (window == nullptr)
            return 0;
        to_origin = ClientScreenOrigin(*window);
    }
    const LONG dx = KvSatSub(from_origin.x, to_origin.x);
    const LONG dy = KvSatSub(from_origin.y, to_origin.y);
    for (UINT i = 0; points != nullptr && i < count; ++i)
        points[i] = Shifted(points[i], dx, dy);
    return static_cast<int>(MAKELPARAM(dx, dy));
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL, DWORD ex_style) {
    if (rect == nullptr)
        return FALSE;
    const RECT insets = FrameInsets(style, ex_style);
    *rect = RECT{KvSatSub(rect->left, insets.left), KvSatSub(rect->top, insets.top), KvSatAdd(rect->right, insets.right),
                 KvSatAdd(rect->bottom, insets.bottom)};
    return TRUE;
}

int SetWindowRgn(HWND handle, HRGN region, BOOL redraw) {
    Window* window = Find(handle);
    if (window == nullptr)
        return 0;
    if (region != nullptr && !GdiAdoptRegion(region, window))
        return 0;
    HRGN previous = window->region;
    window->region = region;
    GeometryChanged();
    if (previous != nullptr && previous != region)
        GdiDeleteAdoptedRegion(previous, window);
    if (redraw && IsShown(*window)) {
        if (window->parent != nullptr)
            InvalidateParentArea(*window, window->rect);
        InvalidateTree(*window);
    }
    UpdateTracking();
    return 1;
}

int GetWindowRgn(HWND handle, HRGN region) {
    Window* window = Find(handle);
    if (window == nullptr || window->region == nullptr || region == nullptr)
        return ERROR;
    return CombineRgn(region, window->region, nullptr, RGN_COPY);
}

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN:
        return 1024;
    case SM_CYSCREEN:
        return 768;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
        return 17;
    case SM_CYCAPTION:
        return 19;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
        return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
        return 4;
    case SM_CXEDGE:
    case SM_CYEDGE:
        return 2;
    case SM_CXSIZE:
    case SM_CYSIZE:
        return 18;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
        return 4;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
        return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    default:
        return 0;
    }
}

BOOL AnimateWindow(HWND handle, DWORD, DWORD flags) {
    if (Find(handle) == nullptr)
        return FALSE;
    ShowWindow(handle, (flags & AW_HIDE) ? SW_HIDE : SW_SHOW);
    return TRUE;
}

BOOL SetLayeredWindowAttributes(HWND handle, COLORREF key, BYTE alpha, DWORD flags) {
    Window* window = Find(handle);
    if (window == nullptr || (window->ex_style & WS_EX_LAYERED) == 0)
        return FALSE;
    window->layered_key = key;
    window->layered_alpha = alpha;
    window->layered_flags = flags;
    return TRUE;
}

BOOL GetLayeredWindowAttributes(HWND handle, COLORREF* key, BYTE* alpha, DWORD* flags) {
    Window* window = Find(handle);
    if (window == nullptr || (window->ex_style & WS_EX_LAYERED) == 0)
        return FALSE;
    if (key)
        *key = window->layered_key;
    if (alpha)
        *alpha = window->layered_alpha;
    if (flags)
        *flags = window->layered_flags;
    return TRUE;
}

LRESULT SendMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* window = Find(handle);
    if (window == nullptr)
        return 0;
    Dispatching dispatching(*window);
    return CallProcedure(*window, message, wParam, lParam);
}

BOOL PostMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    if (handle == nullptr)
        return PostThreadMessage(GetCurrentThreadId(), message, wParam, lParam) ? TRUE : FALSE;
    return PostWindowMessage(handle, message, wParam, lParam) ? TRUE : FALSE;
}

BOOL SetWindowHooks(HWND handle, WindowHooks* hooks) {
    Window* window = Find(handle);
    if (window == nullptr)
        return FALSE;
    window->hooks = hooks;
    return TRUE;
}

WindowHooks* GetWindowHooks(HWND handle) {
    Window* window = Find(handle);
    return window ? window->hooks : nullptr;
}

LRESULT DefWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* window = Find(handle);
    if (window == nullptr)
        return 0;
    switch (message) {
    case WM_NCCREATE:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(handle);
        return 0;
    case WM_SETTEXT:
        window->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        if ((window->style & WS_CAPTION) == WS_CAPTION && IsShown(*window)) {
            window->frame_dirty = true;
            MarkDirty();
        }
        return TRUE;
    case WM_GETTEXT: {
        if (wParam == 0 || lParam == 0)
            return 0;
        char* buffer = reinterpret_cast<char*>(lParam);
        const std::size_t length = std::min<std::size_t>(window->text.size(), wParam - 1);
        std::memcpy(buffer, window->text.data(), length);
        buffer[length] = '\0';
        return static_cast<LRESULT>(length);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(window->text.size());
    case WM_SETFONT:
        window->font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(static_cast<std::uintptr_t>(lParam)) != 0)
            InvalidateRect(handle, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(window->font);
    case WM_SETICON:
        if (wParam > ICON_BIG)
            return 0;
        return reinterpret_cast<LRESULT>(std::exchange(window->icons[wParam], reinterpret_cast<HICON>(lParam)));
    case WM_GETICON:
        return wParam <= ICON_BIG ? reinterpret_cast<LRESULT>(window->icons[wParam]) : 0;
    case WM_WINDOWPOSCHANGED: {
        const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (position == nullptr)
            return 0;
        if ((position->flags & SWP_NOSIZE) == 0) {
            const RECT client = ClientRect(*window);
            SendMessage(handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
        }
        if ((position->flags & SWP_NOMOVE) == 0 && (window = Find(handle)) != nullptr) {
            const POINT moved_to =
                Shifted(POINT{window->rect.left, window->rect.top}, window->frame.left, window->frame.top);
            SendMessage(handle, WM_MOVE, 0, MAKELPARAM(moved_to.x, moved_to.y));
        }
        return 0;
    }
    case WM_NCHITTEST: {
        const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const POINT origin = ScreenOrigin(*window);
        const POINT local{KvSatSub(point.x, origin.x), KvSatSub(point.y, origin.y)};
        const RECT whole{0, 0, Width(window->rect), Height(window->rect)};
        if (!PointInRect(whole, local))
            return HTNOWHERE;
        RECT client = ClientRect(*window);
        client.left += window->frame.left;
        client.right += window->frame.left;
        client.top += window->frame.top;
        client.bottom += window->frame.top;
        if (PointInRect(client, local))
            return HTCLIENT;
        if ((window->style & WS_CAPTION) == WS_CAPTION && local.y < client.top && local.y >= client.top - 19 &&
            local.x >= client.left && local.x < client.right)
            return HTCAPTION;
        return HTBORDER;
    }
    case WM_SETCURSOR:
        // The parent decides first.
        if (window->parent != nullptr && SendTo(*window->parent, WM_SETCURSOR, wParam, lParam))
            return TRUE;
        if ((window = Find(handle)) != nullptr && LOWORD(static_cast<std::uintptr_t>(lParam)) == HTCLIENT &&
            window->window_class->info.hCursor != nullptr)
            SetCursor(window->window_class->info.hCursor);
        return FALSE;
    case WM_ERASEBKGND: {
        HBRUSH brush = window->window_class->info.hbrBackground;
        if (brush == nullptr || wParam == 0)
            return 0;
        const RECT client = ClientRect(*window);
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT paint;
        if (BeginPaint(handle, &paint))
            EndPaint(handle, &paint);
        return 0;
    }
    case WM_NCPAINT:
        PaintFrame(*window);
        return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        const int back = (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX) ? COLOR_WINDOW : COLOR_3DFACE;
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(back));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(back));
    }
    default:
        return 0;
    }
}

int WndCountWindows() { return static_cast<int>(State().windows.size()); }

int WndDestroyAllWindows() {
    ThreadState& state = State();
    const int count = static_cast<int>(state.top_levels.size());
    while (!state.top_levels.empty()) {
        Window* top = state.top_levels.back();
        if (!DestroyWindow(top->hwnd))
            break;
    }
    return count;
}

WndStatistics WndGetStatistics() {
    WndStatistics statistics;
    statistics.live_windows = LiveWindows().load(std::memory_order_relaxed);
    statistics.refused_calls = RefusedCalls().load(std::memory_order_relaxed);
    return statistics;
}
