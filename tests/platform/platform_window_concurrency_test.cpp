#include "platform/platform_window.h"

#include "platform/thread_messaging.h"
#include "platform/ui_thread.h"

#include <gtest/gtest.h>

namespace {

constexpr DWORD kWait = 10000;
constexpr UINT kHandledByParent = 0x500;
constexpr UINT kDestroyChild = 0x501; // thread message: destroy the child
constexpr UINT kQuit = 0x502;         // thread message: quit
constexpr UINT kHold = 0x503;         // thread message: wait for the gate

using Log = std::vector<std::string>;

class LoggingWindow : public PlatformWindow {
public:
    LoggingWindow(std::string name, std::mutex* mutex, Log* log)
        : name_(std::move(name)), mutex_(mutex), log_(log) {}
    ~LoggingWindow() override { Destroy(); }

    bool PreTranslateMessage(ThreadMessage& message) override {
        Record("pre " + std::to_string(message.message));
        return message.message == kHandledByParent && name_ == "parent";
    }
    LRESULT WindowProc(UINT message, WPARAM, LPARAM) override {
        Record("proc " + std::to_string(message));
        return 0;
    }
    void OnDroppedMessage(const ThreadMessage& message) override {
        Record("dropped " + std::to_string(message.message));
    }

private:
    void Record(const std::string& event) {
        std::lock_guard lock(*mutex_);
        log_->push_back(name_ + " " + event);
    }

    std::string name_;
    std::mutex* mutex_;
    Log* log_;
};

class WindowThread : public UiThread {
public:
    WindowThread() : UiThread(false) {}
    ~WindowThread() override { JoinThread(); }

    Log TakeLog() {
        std::lock_guard lock(mutex_);
        return std::exchange(log_, {});
    }

    std::atomic<HWND> parent_handle{nullptr};
    std::atomic<HWND> child_handle{nullptr};
    ManualResetEvent ready, in_gate, gate;

protected:
    bool InitInstance() override {
        parent_ = std::make_unique<LoggingWindow>("parent", &mutex_, &log_);
        child_ = std::make_unique<LoggingWindow>("child", &mutex_, &log_);
        if (!parent_->Create() || !child_->Create(parent_->GetHandle()))
            return false;
        parent_handle = parent_->GetHandle();
        child_handle = child_->GetHandle();
        ready.Set();
        return true;
    }
    int ExitInstance() override {
        child_.reset();
        parent_.reset();
        return UiThread::ExitInstance();
    }
    void OnDroppedMessage(const ThreadMessage& message) override {
        if (message.message == kDestroyChild)
            child_->Destroy();
        else if (message.message == kQuit)
            PostQuitMessage(0);
        else if (message.message == kHold) {
            in_gate.Set();
            gate.Wait(kWait);
        }
    }

private:
    std::mutex mutex_;
    Log log_;
    std::unique_ptr<LoggingWindow> parent_, child_;
};

} // namespace

TEST(PlatformWindow, MessagesPassThePreTranslateChainFromChildToParentOnAThreadWithAQueue) {
    PlatformWindow without_queue;
    EXPECT_FALSE(without_queue.Create());
    EXPECT_EQ(without_queue.GetHandle(), nullptr);
    EXPECT_FALSE(PostWindowMessage(nullptr, 1, 0, 0));
    WindowThread thread;
    ASSERT_TRUE(thread.CreateThread() && thread.ready.Wait(kWait));
    ASSERT_TRUE(PostWindowMessage(thread.child_handle, 7, 0, 0));
    ASSERT_TRUE(PostWindowMessage(thread.child_handle, kHandledByParent, 0, 0));
    ASSERT_TRUE(PostWindowMessage(thread.parent_handle, 8, 0, 0));
    ASSERT_TRUE(thread.PostMessage(kQuit, 0, 0));
    ASSERT_TRUE(thread.WaitForExit(kWait));
    EXPECT_EQ(thread.TakeLog(),
              (Log{"child pre 7", "parent pre 7", "child proc 7", "child pre 1280",
                   "parent pre 1280", "parent pre 8", "parent proc 8"}));
    EXPECT_FALSE(PostWindowMessage(thread.parent_handle, 8, 0, 0));
}

TEST(PlatformWindow, DestroyHandsQueuedMessagesToTheWindowAndLaterPostsFail) {
    WindowThread thread;
    ASSERT_TRUE(thread.CreateThread() && thread.ready.Wait(kWait));
    ASSERT_TRUE(thread.PostMessage(kHold, 0, 0));
    ASSERT_TRUE(thread.in_gate.Wait(kWait));
    ASSERT_TRUE(thread.PostMessage(kDestroyChild, 0, 0));
    ASSERT_TRUE(PostWindowMessage(thread.child_handle, 11, 0, 0));
    ASSERT_TRUE(PostWindowMessage(thread.child_handle, 12, 0, 0));
    thread.gate.Set();
    ASSERT_TRUE(thread.PostMessage(kQuit, 0, 0));
    ASSERT_TRUE(thread.WaitForExit(kWait));
    EXPECT_EQ(thread.TakeLog(), (Log{"child dropped 11", "child dropped 12"}));
    EXPECT_FALSE(PostWindowMessage(thread.child_handle, 13, 0, 0));
}
