#include "platform/sync.h"
#include "platform/thread_messaging.h"
#include "platform/ui_thread.h"
#include "platform/wnd/wnd.h"

#include <gtest/gtest.h>

#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr int kSenders = 4;
constexpr int kPerSender = 500;
constexpr UINT kNumbered = WM_USER + 1;
constexpr UINT kAllSent = WM_USER + 2;
constexpr UINT kBlockThenDestroy = WM_USER + 3;
constexpr UINT kShowAndTime = WM_USER + 4;

// A window on a thread of its own; its records are read by the test only
// after an event it sets.
class WindowThread : public UiThread, public WindowHooks {
public:
    WindowThread() : UiThread(false) {}
    ~WindowThread() override { JoinThread(); }

    bool PreTranslateMessage(MSG&) override { return false; }
    void OnDroppedMessage(const MSG& message) override {
        if (message.message == kNumbered)
            dropped.emplace_back(message.wParam, message.lParam);
    }

    HWND window = nullptr;
    std::vector<std::pair<WPARAM, LPARAM>> handled;
    std::vector<std::pair<WPARAM, LPARAM>> dropped;
    ManualResetEvent ready;
    ManualResetEvent all_handled;
    ManualResetEvent blocked;
    ManualResetEvent release;
    ManualResetEvent destroyed;
    ManualResetEvent painted;
    ManualResetEvent timed;

protected:
    bool InitInstance() override {
        WNDCLASSEX window_class;
        window_class.lpszClassName = "WndThreadWindow";
        window_class.lpfnWndProc = &WindowThread::Procedure;
        RegisterClassEx(&window_class);
        window = CreateWindowEx(0, "WndThreadWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, this);
        SetWindowLongPtr(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowHooks(window, this);
        ready.Set();
        return window != nullptr;
    }
    int ExitInstance() override {
        WndDestroyAllWindows();
        return UiThread::ExitInstance();
    }

private:
    static LRESULT Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<WindowThread*>(GetWindowLongPtr(window, GWLP_USERDATA));
        if (self == nullptr)
            return DefWindowProc(window, message, wParam, lParam);
        switch (message) {
        case kNumbered:
            self->handled.emplace_back(wParam, lParam);
            return 0;
        case kAllSent:
            self->all_handled.Set();
            return 0;
        case kShowAndTime:
            ShowWindow(window, SW_SHOW);
            SetTimer(window, 1, 1, nullptr);
            return 0;
        case WM_PAINT:
            DefWindowProc(window, message, wParam, lParam);
            self->painted.Set();
            return 0;
        case WM_TIMER:
            KillTimer(window, wParam);
            self->timed.Set();
            return 0;
        case kBlockThenDestroy:
            self->blocked.Set();
            self->release.Wait(KV_INFINITE);
            DestroyWindow(window);
            self->destroyed.Set();
            return 0;
        default:
            return DefWindowProc(window, message, wParam, lParam);
        }
    }
};

void SendNumbered(HWND window) {
    std::vector<std::thread> senders;
    for (int sender = 0; sender < kSenders; ++sender)
        senders.emplace_back([window, sender] {
            for (int i = 0; i < kPerSender; ++i)
                EXPECT_TRUE(PostMessage(window, kNumbered, static_cast<WPARAM>(sender), i));
        });
    for (std::thread& sender : senders)
        sender.join();
}

// Each sender's messages arrive complete and in the order of posting.
void ExpectInOrderPerSender(const std::vector<std::pair<WPARAM, LPARAM>>& received) {
    std::vector<LPARAM> next(kSenders, 0);
    for (const auto& [sender, number] : received) {
        ASSERT_LT(sender, static_cast<WPARAM>(kSenders));
        EXPECT_EQ(number, next[sender]);
        next[sender] = number + 1;
    }
    for (LPARAM count : next)
        EXPECT_EQ(count, kPerSender);
}

TEST(WndLoopConcurrencyTest, AWindowGetsThePostsOfFourThreadsInOrderPerSender) {
    WindowThread thread;
    ASSERT_TRUE(thread.CreateThread());
    ASSERT_TRUE(thread.ready.Wait(10000));
    SendNumbered(thread.window);
    ASSERT_TRUE(PostMessage(thread.window, kAllSent, 0, 0));
    ASSERT_TRUE(thread.all_handled.Wait(10000));
    ExpectInOrderPerSender(thread.handled);
    EXPECT_TRUE(thread.dropped.empty());
    ASSERT_TRUE(thread.PostMessage(KV_WM_QUIT, 0, 0));
    ASSERT_TRUE(thread.WaitForExit(10000));
}

TEST(WndLoopConcurrencyTest, TheThreadLoopDeliversPaintsAndWindowTimers) {
    WindowThread thread;
    ASSERT_TRUE(thread.CreateThread());
    ASSERT_TRUE(thread.ready.Wait(10000));
    ASSERT_TRUE(PostMessage(thread.window, kShowAndTime, 0, 0));
    EXPECT_TRUE(thread.painted.Wait(10000));
    EXPECT_TRUE(thread.timed.Wait(10000));
    ASSERT_TRUE(thread.PostMessage(KV_WM_QUIT, 0, 0));
    ASSERT_TRUE(thread.WaitForExit(10000));
}

TEST(WndLoopConcurrencyTest, DestroyedWithPostsPendingItHandsEachToItsHook) {
    WindowThread thread;
    ASSERT_TRUE(thread.CreateThread());
    ASSERT_TRUE(thread.ready.Wait(10000));
    ASSERT_TRUE(PostMessage(thread.window, kBlockThenDestroy, 0, 0));
    ASSERT_TRUE(thread.blocked.Wait(10000));
    SendNumbered(thread.window);
    thread.release.Set();
    ASSERT_TRUE(thread.destroyed.Wait(10000));
    EXPECT_TRUE(thread.handled.empty());
    ExpectInOrderPerSender(thread.dropped);
    EXPECT_FALSE(PostMessage(thread.window, kNumbered, 0, 0));
    EXPECT_FALSE(IsWindow(thread.window));
    ASSERT_TRUE(thread.PostMessage(KV_WM_QUIT, 0, 0));
    ASSERT_TRUE(thread.WaitForExit(10000));
}

// A child in a parent on a thread of its own, with A and then Shift+A
// injected before the loop runs: the child notes the Shift state it reads at
// each A. The loop is the thread's own, or the window system's pump.
class KeyStateThread : public UiThread {
public:
    explicit KeyStateThread(bool window_pump) : UiThread(false), window_pump_(window_pump) {}
    ~KeyStateThread() override { JoinThread(); }

    std::vector<bool> shift_down_at_a;

protected:
    bool InitInstance() override {
        WNDCLASSEX window_class;
        window_class.lpszClassName = "WndKeyStateWindow";
        window_class.lpfnWndProc = &KeyStateThread::Procedure;
        RegisterClassEx(&window_class);
        const HWND parent = CreateWindowEx(0, "WndKeyStateWindow", "", WS_POPUP | WS_VISIBLE, 0, 0,
                                           100, 100, nullptr, nullptr, nullptr, nullptr);
        const HWND child = CreateWindowEx(0, "WndKeyStateWindow", "", WS_CHILD | WS_VISIBLE, 10, 10,
                                          50, 50, parent, nullptr, nullptr, nullptr);
        if (parent == nullptr || child == nullptr)
            return false;
        // Every window of the chain has hooks, as the class layer gives them.
        SetWindowHooks(parent, &hooks_);
        SetWindowHooks(child, &hooks_);
        SetWindowLongPtr(child, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetFocus(child);
        const struct {
            int key;
            DWORD flags;
        } keys[] = {{'A', 0}, {'A', KEYEVENTF_KEYUP}, {VK_SHIFT, 0},
                    {'A', 0}, {'A', KEYEVENTF_KEYUP}, {VK_SHIFT, KEYEVENTF_KEYUP}};
        for (const auto& key : keys) {
            INPUT input;
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = static_cast<WORD>(key.key);
            input.ki.dwFlags = key.flags;
            SendInput(1, &input, sizeof(INPUT));
        }
        return true;
    }
    int Run() override {
        if (!window_pump_)
            return UiThread::Run();
        RunNestedLoop([] { return true; });
        return ExitInstance();
    }
    int ExitInstance() override {
        WndDestroyAllWindows();
        return UiThread::ExitInstance();
    }

private:
    static LRESULT Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<KeyStateThread*>(GetWindowLongPtr(window, GWLP_USERDATA));
        if (self != nullptr && message == WM_KEYDOWN && wParam == 'A') {
            self->shift_down_at_a.push_back(GetKeyState(VK_SHIFT) < 0);
            // The second A's release and the Shift's are queued already.
            if (self->shift_down_at_a.size() == 2)
                PostQuitMessage(0);
            return 0;
        }
        return DefWindowProc(window, message, wParam, lParam);
    }

    struct PassingHooks : WindowHooks {
        bool PreTranslateMessage(MSG&) override { return false; }
        void OnDroppedMessage(const MSG&) override {}
    };

    bool window_pump_;
    PassingHooks hooks_;
};

TEST(WndLoopConcurrencyTest, AKeyMovesTheKeyStateOnceHoweverManyWindowsSeeIt) {
    for (const bool window_pump : {false, true}) {
        SCOPED_TRACE(window_pump ? "the window system's pump" : "the thread's loop");
        KeyStateThread thread(window_pump);
        ASSERT_TRUE(thread.CreateThread());
        ASSERT_TRUE(thread.WaitForExit(10000));
        EXPECT_EQ(thread.shift_down_at_a, (std::vector<bool>{false, true}));
    }
}

} // namespace
