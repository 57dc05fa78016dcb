#include "platform/ui_thread.h"

#include "platform/platform_window.h"
#include "platform/thread_messaging.h"

void ThreadExitState::Finish(DWORD exit_code) {
    exit_code_.store(exit_code, std::memory_order_release);
    finished_.Set();
}

UiThread::UiThread(bool auto_delete)
    : queue_(std::make_shared<MessageQueue>()),
      exit_state_(std::make_shared<ThreadExitState>()), auto_delete_(auto_delete) {}

UiThread::~UiThread() {
    JoinThread();
    if (thread_.joinable())
        thread_.detach();
}

bool UiThread::CreateThread() {
    if (started_.exchange(true))
        return false;
    thread_ = std::thread(&UiThread::ThreadMain, this);
    // The new thread waits until thread_ is assigned: it may detach it.
    launched_.Set();
    attached_.Wait(KV_INFINITE);
    return true;
}

int UiThread::RunOnCurrentThread() {
    if (started_.exchange(true))
        return -1;
    const int exit_code = Live();
    exit_state_->Finish(static_cast<DWORD>(exit_code));
    return exit_code;
}

bool UiThread::GetExitCode(DWORD& exit_code) const {
    if (!started_.load(std::memory_order_acquire))
        return false;
    exit_code = exit_state_->GetExitCode();
    return true;
}

bool UiThread::WaitForExit(DWORD timeout_ms) const {
    return exit_state_->Wait(timeout_ms);
}

bool UiThread::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const DWORD thread_id = GetThreadId();
    return thread_id != 0 && PostThreadMessage(thread_id, message, wParam, lParam);
}

bool UiThread::InitInstance() {
    return true;
}

int UiThread::ExitInstance() {
    return quit_code_;
}

int UiThread::Run() {
    bool idle = true;
    LONG idle_count = 0;
    for (;;) {
        while (idle && !queue_->HasMessage()) {
            if (!OnIdle(idle_count++))
                idle = false;
        }
        do {
            ThreadMessage message;
            if (!queue_->GetMessage(message)) {
                quit_code_ = static_cast<int>(static_cast<std::uint32_t>(message.wParam));
                DropQueuedMessages();
                return ExitInstance();
            }
            idle = true;
            idle_count = 0;
            if (!PreTranslateMessage(message))
                DispatchMessage(message);
        } while (queue_->HasMessage());
    }
}

bool UiThread::OnIdle(LONG) {
    return false;
}

bool UiThread::PreTranslateMessage(ThreadMessage& message) {
    return PreTranslateWindowChain(message);
}

void UiThread::OnTimer(UINT) {}

void UiThread::OnDroppedMessage(const ThreadMessage&) {}

void UiThread::JoinThread() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void UiThread::ThreadMain() {
    launched_.Wait(KV_INFINITE);
    const int exit_code = Live();
    // Nothing below may touch the object once an owner can see the end; an
    // object that deletes itself is gone before its end is announced.
    const std::shared_ptr<ThreadExitState> exit_state = exit_state_;
    if (auto_delete_) {
        thread_.detach();
        delete this;
    }
    exit_state->Finish(static_cast<DWORD>(exit_code));
}

int UiThread::Live() {
    thread_id_.store(::GetCurrentThreadId(), std::memory_order_release);
    AttachThreadQueue(queue_);
    attached_.Set();
    int exit_code;
    if (InitInstance()) {
        exit_code = Run();
    } else {
        DropQueuedMessages();
        exit_code = ExitInstance();
    }
    DetachThreadQueue();
    return exit_code;
}

void UiThread::DispatchMessage(const ThreadMessage& message) {
    if (message.window != nullptr) {
        PlatformWindow* window = PlatformWindow::FromHandle(message.window);
        if (window == nullptr)
            OnDroppedMessage(message);
        else
            window->WindowProc(message.message, message.wParam, message.lParam);
        return;
    }
    if (message.message == KV_WM_TIMER) {
        OnTimer(static_cast<UINT>(message.wParam));
        return;
    }
    OnDroppedMessage(message);
}

void UiThread::DropQueuedMessages() {
    for (const ThreadMessage& message : queue_->CloseAndDrain()) {
        PlatformWindow* window =
            message.window != nullptr ? PlatformWindow::FromHandle(message.window) : nullptr;
        if (window != nullptr)
            DropWindowMessage(*window, message);
        else
            OnDroppedMessage(message);
    }
}
