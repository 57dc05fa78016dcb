#include "platform/ui_thread.h"

#include "platform/thread_messaging.h"

#include <gtest/gtest.h>

namespace {

using Events = std::vector<std::string>;

constexpr DWORD kWait = 10000;
// Thread messages the test thread understands.
constexpr UINT kQuitAndHold = 0x100; // posts the quit with exit code 7, then waits for the gate
constexpr UINT kQuitSeven = 0x101;   // posts the quit with exit code 7

class TestThread : public UiThread {
public:
    explicit TestThread(bool auto_delete = false) : UiThread(auto_delete) {}
    ~TestThread() override { JoinThread(); }

    // The events so far; taking them also lets the thread report sleep again.
    Events Take() {
        std::lock_guard lock(mutex_);
        asleep.Reset();
        return std::exchange(events_, {});
    }

    bool fail_init = false;
    bool record_idle = true;
    ManualResetEvent init_gate{true}, gate, in_gate, asleep;

protected:
    bool InitInstance() override {
        init_gate.Wait(kWait);
        Record("init");
        return !fail_init;
    }
    int ExitInstance() override {
        Record("exit");
        return UiThread::ExitInstance();
    }
    // Asks for two more idle passes, then reports that it went to sleep.
    bool OnIdle(LONG count) override {
        if (record_idle)
            Record("idle " + std::to_string(count));
        if (count >= 2)
            asleep.Set();
        return count < 2;
    }
    bool PreTranslateMessage(ThreadMessage& message) override {
        Record("message " + std::to_string(message.message));
        const bool quit = message.message == kQuitAndHold || message.message == kQuitSeven;
        if (quit)
            PostQuitMessage(7);
        if (message.message == kQuitAndHold) {
            in_gate.Set();
            gate.Wait(kWait);
        }
        return quit;
    }
    void OnDroppedMessage(const ThreadMessage& message) override {
        Record("dropped " + std::to_string(message.message));
    }

private:
    void Record(const std::string& event) {
        std::lock_guard lock(mutex_);
        events_.push_back(event);
    }

    std::mutex mutex_;
    Events events_;
};

} // namespace

TEST(UiThread, QuitEndsWithItsExitCodeAndDropsWhatFollowsUndispatched) {
    TestThread thread;
    thread.record_idle = false;
    DWORD exit_code = 0;
    EXPECT_FALSE(thread.GetExitCode(exit_code));
    EXPECT_FALSE(thread.PostMessage(1, 0, 0));
    ASSERT_TRUE(thread.CreateThread());
    EXPECT_FALSE(thread.CreateThread());
    EXPECT_FALSE(thread.GetThreadId() == 0u || thread.GetThreadId() == GetCurrentThreadId());
    EXPECT_TRUE(thread.GetExitCode(exit_code) && exit_code == KV_STILL_ACTIVE);
    ASSERT_TRUE(thread.PostMessage(1, 0, 0));
    ASSERT_TRUE(thread.PostMessage(kQuitAndHold, 0, 0));
    ASSERT_TRUE(thread.in_gate.Wait(kWait));
    ASSERT_TRUE(thread.PostMessage(2, 0, 0));
    ASSERT_TRUE(thread.PostMessage(3, 0, 0));
    thread.gate.Set();
    ASSERT_TRUE(thread.WaitForExit(kWait));
    EXPECT_TRUE(thread.GetExitCode(exit_code) && exit_code == 7u);
    EXPECT_EQ(thread.Take(), (Events{"init", "message 1", "dropped 1", "message 256", "dropped 2",
                                     "dropped 3", "exit"}));
    EXPECT_FALSE(thread.PostMessage(1, 0, 0)) << "the queue of an ended thread is gone";
}

TEST(UiThread, FailedInitInstanceStillRunsExitInstanceAndDropsWhatWasPosted) {
    TestThread thread;
    thread.fail_init = true;
    thread.init_gate.Reset();
    ASSERT_TRUE(thread.CreateThread());
    ASSERT_TRUE(thread.PostMessage(5, 0, 0));
    thread.init_gate.Set();
    ASSERT_TRUE(thread.WaitForExit(kWait));
    EXPECT_EQ(thread.Take(), (Events{"init", "dropped 5", "exit"}));
    DWORD exit_code = 1;
    EXPECT_TRUE(thread.GetExitCode(exit_code) && exit_code == 0u);
}

TEST(UiThread, EveryMessageRestartsTheRisingIdleCount) {
    TestThread thread;
    ASSERT_TRUE(thread.CreateThread());
    ASSERT_TRUE(thread.asleep.Wait(kWait));
    EXPECT_EQ(thread.Take(), (Events{"init", "idle 0", "idle 1", "idle 2"}));
    ASSERT_TRUE(thread.PostMessage(9, 0, 0));
    ASSERT_TRUE(thread.asleep.Wait(kWait));
    EXPECT_EQ(thread.Take(), (Events{"message 9", "dropped 9", "idle 0", "idle 1", "idle 2"}));
    ASSERT_TRUE(thread.PostMessage(kQuitSeven, 0, 0));
    ASSERT_TRUE(thread.WaitForExit(kWait));
}

TEST(UiThread, AutoDeleteThreadDeletesItselfWhenItEnds) {
    struct Deleting : TestThread {
        explicit Deleting(ManualResetEvent* deleted) : TestThread(true), deleted_(deleted) {}
        ~Deleting() override { deleted_->Set(); }
        ManualResetEvent* deleted_;
    };
    // Never destroyed: the detached thread may still be inside Set when the
    // wait returns. Reset, since a repeated run finds it set by the last one.
    static ManualResetEvent& deleted = *new ManualResetEvent;
    deleted.Reset();
    auto* thread = new Deleting(&deleted);
    ASSERT_TRUE(thread->CreateThread());
    ASSERT_TRUE(thread->PostMessage(kQuitSeven, 0, 0));
    EXPECT_TRUE(deleted.Wait(kWait));
}

TEST(UiThread, RunOnCurrentThreadRunsTheWholeLifeHereOnce) {
    TestThread thread;
    thread.fail_init = true;
    EXPECT_EQ(thread.RunOnCurrentThread(), 0);
    EXPECT_EQ(thread.GetThreadId(), GetCurrentThreadId());
    EXPECT_EQ(thread.Take(), (Events{"init", "exit"}));
    DWORD exit_code = 1;
    EXPECT_TRUE(thread.GetExitCode(exit_code) && exit_code == 0u);
    EXPECT_EQ(thread.RunOnCurrentThread(), -1);
}
