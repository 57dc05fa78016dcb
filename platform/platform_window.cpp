#include "platform/platform_window.h"

#include "platform/thread_messaging.h"

#include <memory>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>
#include <vector>

namespace {

struct Disposer {
    UINT message;
    WindowMessageDisposer dispose;
};

struct WindowEntry {
    PlatformWindow* window;
    std::shared_ptr<MessageQueue> queue;
    std::vector<Disposer> disposers;
};

struct WindowTable {
    std::shared_mutex mutex;
    std::unordered_map<HWND, WindowEntry> windows;
    std::uintptr_t last_handle = 0;
};

WindowTable& Windows() {
    static WindowTable table;
    return table;
}

WindowMessageDisposer FindDisposer(const WindowEntry& entry, UINT message) {
    for (const Disposer& disposer : entry.disposers) {
        if (disposer.message == message)
            return disposer.dispose;
    }
    return nullptr;
}

void EraseDisposer(WindowEntry& entry, UINT message) {
    std::erase_if(entry.disposers,
                  [message](const Disposer& disposer) { return disposer.message == message; });
}

} // namespace

PlatformWindow::~PlatformWindow() {
    Destroy();
}

bool PlatformWindow::Create(HWND parent) {
    if (handle_ != nullptr)
        return false;
    std::shared_ptr<MessageQueue> queue = FindThreadQueue(GetCurrentThreadId());
    if (!queue)
        return false;
    WindowTable& table = Windows();
    std::unique_lock lock(table.mutex);
    handle_ = reinterpret_cast<HWND>(++table.last_handle);
    parent_ = parent;
    thread_id_ = GetCurrentThreadId();
    table.windows.emplace(handle_, WindowEntry{this, std::move(queue), {}});
    return true;
}

void PlatformWindow::Destroy() {
    if (handle_ == nullptr)
        return;
    std::vector<ThreadMessage> dropped;
    std::vector<Disposer> disposers;
    {
        WindowTable& table = Windows();
        std::unique_lock lock(table.mutex);
        auto found = table.windows.find(handle_);
        // Taken out under the table lock, so that no post can slip in behind.
        dropped = found->second.queue->RemoveWindowMessages(handle_);
        disposers = std::move(found->second.disposers);
        table.windows.erase(found);
    }
    handle_ = nullptr;
    WindowEntry gone{this, nullptr, std::move(disposers)};
    for (const ThreadMessage& message : dropped) {
        if (WindowMessageDisposer dispose = FindDisposer(gone, message.message))
            dispose(message);
        else
            OnDroppedMessage(message);
    }
}

bool PlatformWindow::PreTranslateMessage(ThreadMessage&) {
    return false;
}

LRESULT PlatformWindow::WindowProc(UINT, WPARAM, LPARAM) {
    return 0;
}

void PlatformWindow::OnDroppedMessage(const ThreadMessage&) {}

PlatformWindow* PlatformWindow::FromHandle(HWND window) {
    WindowTable& table = Windows();
    std::shared_lock lock(table.mutex);
    auto found = table.windows.find(window);
    return found == table.windows.end() ? nullptr : found->second.window;
}

bool PostWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowTable& table = Windows();
    std::shared_lock lock(table.mutex);
    auto found = table.windows.find(window);
    if (found == table.windows.end())
        return false;
    return found->second.queue->Post(ThreadMessage{window, message, wParam, lParam});
}

bool SetWindowMessageDisposer(HWND window, UINT message, WindowMessageDisposer dispose) {
    WindowTable& table = Windows();
    std::unique_lock lock(table.mutex);
    auto found = table.windows.find(window);
    if (found == table.windows.end())
        return false;
    EraseDisposer(found->second, message);
    if (dispose != nullptr)
        found->second.disposers.push_back(Disposer{message, dispose});
    return true;
}

std::vector<ThreadMessage> TakeWindowMessages(HWND window, UINT message) {
    WindowTable& table = Windows();
    std::unique_lock lock(table.mutex);
    auto found = table.windows.find(window);
    if (found == table.windows.end())
        return {};
    return found->second.queue->RemoveWindowMessages(window, message);
}

void DropWindowMessage(PlatformWindow& window, const ThreadMessage& message) {
    WindowMessageDisposer dispose = nullptr;
    {
        WindowTable& table = Windows();
        std::shared_lock lock(table.mutex);
        auto found = table.windows.find(message.window);
        if (found != table.windows.end())
            dispose = FindDisposer(found->second, message.message);
    }
    if (dispose != nullptr)
        dispose(message);
    else
        window.OnDroppedMessage(message);
}

bool PreTranslateWindowChain(ThreadMessage& message) {
    const DWORD self = GetCurrentThreadId();
    for (HWND handle = message.window; handle != nullptr;) {
        PlatformWindow* window = PlatformWindow::FromHandle(handle);
        if (window == nullptr || window->GetThreadId() != self)
            return false;
        if (window->PreTranslateMessage(message))
            return true;
        handle = window->GetParentHandle();
    }
    return false;
}
