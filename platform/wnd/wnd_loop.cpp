#include "platform/wnd/wnd_internal.h"

#include "platform/thread_messaging.h"

using namespace wnd_internal;

namespace {

bool Unfiltered(HWND window, UINT first, UINT last) { return window == nullptr && first == 0 && last == 0; }

// Translation, the pre-translate chain and dispatch of one message.
void Handle(MSG& message) {
    TranslateMessage(&message);
    if (!PreTranslateWindowMessage(message))
        DispatchMessage(&message);
}

} // namespace

namespace wnd_internal {

bool ThreadState::NextGenerated(ThreadMessage& message, bool remove, DWORD& wait_ms) {
    if (maybe_dirty) {
        for (Window* top : top_levels) {
            if (Window* window = FirstToPaint(*top)) {
                message = ThreadMessage{window->hwnd, WM_PAINT, 0, 0};
                return true;
            }
        }
        maybe_dirty = false;
    }
    return NextHover(message, remove, wait_ms);
}

bool ThreadState::OnPostedTaken(ThreadMessage& message) {
    return TakeKeyMessage(message);
}

void ThreadState::OnPostedSeen(ThreadMessage& message) {
    if (message.window == kFocusWhenTaken)
        message.window = focus;
}

} // namespace wnd_internal

bool PreTranslateWindowMessage(MSG& message) {
    Window* window = Find(message.window);
    if (window == nullptr)
        return PreTranslateWindowChain(message);
    const HWND target = message.window;
    for (; window != nullptr; window = window->parent) {
        if (window->hooks != nullptr && window->hooks->PreTranslateMessage(message))
            return true;
        // A hook that destroyed windows ends the walk safely.
        if (Find(target) == nullptr)
            return false;
    }
    return false;
}

BOOL GetMessage(MSG* message, HWND window, UINT first, UINT last) {
    MessageQueue* queue = GetCurrentThreadQueue();
    if (message == nullptr || queue == nullptr || !Unfiltered(window, first, last))
        return -1;
    return queue->GetMessage(*message) ? TRUE : FALSE;
}

BOOL PeekMessage(MSG* message, HWND window, UINT first, UINT last, UINT remove) {
    MessageQueue* queue = GetCurrentThreadQueue();
    if (message == nullptr || queue == nullptr || !Unfiltered(window, first, last))
        return FALSE;
    return queue->PeekMessage(*message, (remove & PM_REMOVE) != 0) ? TRUE : FALSE;
}

LRESULT DispatchMessage(const MSG* message) {
    if (message == nullptr || message->window == nullptr)
        return 0;
    Window* window = Find(message->window);
    if (window == nullptr)
        return 0;
    Dispatching dispatching(*window);
    return CallProcedure(*window, message->message, message->wParam, message->lParam);
}

std::uintptr_t SetTimer(HWND handle, std::uintptr_t id, UINT elapse_ms, TIMERPROC procedure) {
    Window* window = Find(handle);
    ThreadState& state = State();
    if (window == nullptr || procedure != nullptr || id == 0 || id > 0xFFFFFFFFu || !state.queue)
        return 0;
    state.queue->SetWindowTimer(handle, static_cast<UINT>(id), elapse_ms);
    return id;
}

BOOL KillTimer(HWND handle, std::uintptr_t id) {
    Window* window = Find(handle);
    ThreadState& state = State();
    if (window == nullptr || !state.queue || id > 0xFFFFFFFFu)
        return FALSE;
    return state.queue->KillWindowTimer(handle, static_cast<UINT>(id)) ? TRUE : FALSE;
}

bool PumpUntilIdle(int limit) {
    MessageQueue* queue = GetCurrentThreadQueue();
    if (queue == nullptr)
        return false;
    for (int i = 0; i < limit; ++i) {
        MSG message;
        if (!queue->PeekMessage(message, true))
            return true;
        if (message.message == KV_WM_QUIT)
            return false;
        Handle(message);
    }
    return false;
}

void SetIdleHook(IdleHook hook) { State().idle_hook = std::move(hook); }

bool HasIdleHook() { return static_cast<bool>(State().idle_hook); }

bool RunNestedLoop(const std::function<bool()>& keep_running) {
    MessageQueue* queue = GetCurrentThreadQueue();
    if (queue == nullptr)
        return false;
    while (keep_running()) {
        MSG message;
        if (queue->PeekMessage(message, true)) {
            if (message.message == KV_WM_QUIT)
                return false;
            Handle(message);
            continue;
        }
        if (IdleHook hook = State().idle_hook) {
            if (!hook())
                return false;
            continue;
        }
        if (!queue->GetMessage(message))
            return false;
        Handle(message);
    }
    return true;
}
