#pragma once
// A thread that runs a message loop, in the manner of the original's UI
// threads: InitInstance, the loop with idle processing, ExitInstance, an exit
// code, and optional deletion of the object when the thread ends.

#include "platform/message_queue.h"
#include "platform/sync.h"
#include "platform/types.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

// The exit code of a thread that has not ended.
inline constexpr DWORD KV_STILL_ACTIVE = 259;

// The end of a thread as its owner sees it. The thread and its owners share
// it, so that waiting stays safe for an object that deletes itself when its
// thread ends: the state is finished only after that deletion.
class ThreadExitState {
public:
    void Finish(DWORD exit_code);
    // KV_STILL_ACTIVE until the thread has ended.
    DWORD GetExitCode() const { return exit_code_.load(std::memory_order_acquire); }
    bool IsFinished() const { return finished_.IsSet(); }
    bool Wait(DWORD timeout_ms) const { return finished_.Wait(timeout_ms); }

private:
    std::atomic<DWORD> exit_code_{KV_STILL_ACTIVE};
    ManualResetEvent finished_;
};

class UiThread {
public:
    // With auto_delete the object deletes itself when its thread ends. An
    // owner that will wait for the thread or call it after it ended passes
    // false and deletes the object itself.
    explicit UiThread(bool auto_delete = true);
    // Waits for a thread that is still running to end.
    virtual ~UiThread();
    UiThread(const UiThread&) = delete;
    UiThread& operator=(const UiThread&) = delete;

    // Starts the thread; returns once its queue takes posts. False when the
    // object was started before.
    bool CreateThread();
    // Runs the whole life of the thread on the calling thread, as the
    // application object does on the main thread; returns the exit code. The
    // object is not deleted.
    int RunOnCurrentThread();

    DWORD GetThreadId() const { return thread_id_.load(std::memory_order_acquire); }
    // False for a thread that was never started; KV_STILL_ACTIVE until it ends.
    bool GetExitCode(DWORD& exit_code) const;
    // True when the thread has ended within the time-out (real time).
    bool WaitForExit(DWORD timeout_ms) const;
    // What an owner keeps to wait for the end without holding the object.
    std::shared_ptr<const ThreadExitState> GetExitState() const { return exit_state_; }

    bool PostMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Makes the loop look at its timers again, for instance after a test moved
    // a manual clock on.
    void WakeUp() { queue_->Wake(); }

    // Timers that wake the loop for idle processing; a due timer gives one
    // KV_WM_TIMER message when nothing else waits.
    void SetThreadTimer(UINT id, UINT interval_ms) { queue_->SetTimer(id, interval_ms); }
    bool KillThreadTimer(UINT id) { return queue_->KillTimer(id); }

    bool IsAutoDelete() const { return auto_delete_; }
    void SetAutoDelete(bool auto_delete) { auto_delete_ = auto_delete; }

protected:
    // False ends the thread at once; ExitInstance still runs.
    virtual bool InitInstance();
    // The thread's exit code; by default that of the quit message.
    virtual int ExitInstance();
    // The message loop: idle passes with a rising count while nothing waits,
    // then each message through PreTranslateMessage and, when that did not
    // handle it, to its window or the thread. Ends with ExitInstance when the
    // quit message is taken.
    virtual int Run();
    // True asks for another idle pass.
    virtual bool OnIdle(LONG count);
    // The target window and its ancestors on this thread, innermost first.
    virtual bool PreTranslateMessage(ThreadMessage& message);
    virtual void OnTimer(UINT id);
    // A thread message that nothing handled, or one still queued when the loop
    // ended; the thread frees whatever the parameters own.
    virtual void OnDroppedMessage(const ThreadMessage& message);

    // Waits for the thread to end unless called on it. Derived destructors
    // call it first, so that their members outlive the thread.
    void JoinThread();

private:
    void ThreadMain();
    int Live();
    void DispatchMessage(const ThreadMessage& message);
    void DropQueuedMessages();

    const std::shared_ptr<MessageQueue> queue_;
    std::thread thread_;
    std::atomic<DWORD> thread_id_{0};
    std::atomic<bool> started_{false};
    const std::shared_ptr<ThreadExitState> exit_state_;
    ManualResetEvent launched_;
    ManualResetEvent attached_;
    int quit_code_ = 0;
    bool auto_delete_;
};
