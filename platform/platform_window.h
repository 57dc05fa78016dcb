#pragma once
// The minimal window of the message loop: a handle, the thread that owns it,
// a parent, and the hooks through which the loop hands it messages. Windows
// are created and destroyed on their owning thread, which runs a message loop.

#include "platform/message_queue.h"
#include "platform/types.h"

#include <vector>

class PlatformWindow {
public:
    PlatformWindow() = default;
    // A derived class that overrides OnDroppedMessage destroys the window in
    // its own destructor, so that messages still queued reach its override.
    virtual ~PlatformWindow();
    PlatformWindow(const PlatformWindow&) = delete;
    PlatformWindow& operator=(const PlatformWindow&) = delete;

    // Registers the window as owned by the calling thread; false when that
    // thread has no message queue or the window exists already.
    bool Create(HWND parent = nullptr);
    // Unregisters the window; messages still queued for it go to
    // OnDroppedMessage, and later posts to its handle fail.
    void Destroy();

    HWND GetHandle() const { return handle_; }
    HWND GetParentHandle() const { return parent_; }
    DWORD GetThreadId() const { return thread_id_; }

    // Sees a message for this window or one of its children before it is
    // dispatched; true when it was handled.
    virtual bool PreTranslateMessage(ThreadMessage& message);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // A message for this window that will not be dispatched; the window frees
    // whatever the parameters own.
    virtual void OnDroppedMessage(const ThreadMessage& message);

    // The live window of a handle, or null.
    static PlatformWindow* FromHandle(HWND window);

private:
    HWND handle_ = nullptr;
    HWND parent_ = nullptr;
    DWORD thread_id_ = 0;
};

// Posts to the queue of the window's thread; false when the window does not
// exist or its thread's queue is closed, and the caller keeps the message.
bool PostWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Frees what a posted message owns when its window will never take it.
using WindowMessageDisposer = void (*)(const ThreadMessage& message);
// Messages of this number for the window that are still queued when the
// window is destroyed or its thread ends go to the disposer instead of the
// window's OnDroppedMessage, so that whoever posts them decides how they are
// freed. A null disposer removes it. False when the window does not exist.
bool SetWindowMessageDisposer(HWND window, UINT message, WindowMessageDisposer dispose);
// Takes out every message of the number still queued for the window, in
// order, for the caller to free. The disposer stays for any that a poster
// still has under way.
std::vector<ThreadMessage> TakeWindowMessages(HWND window, UINT message);
// A queued message that its window will never take: to the disposer of its
// number, else to the window's OnDroppedMessage.
void DropWindowMessage(PlatformWindow& window, const ThreadMessage& message);

// Offers a message to the PreTranslateMessage of its target window and of the
// target's ancestors on the calling thread, innermost first; true when one
// handled it.
bool PreTranslateWindowChain(ThreadMessage& message);
