#include "platform/thread_messaging.h"
#include "platform/wnd/wnd.h"
#include "support/wnd_test_support.h"

#include <gtest/gtest-spi.h>

#include <vector>

namespace {

class ChainHooks : public WindowHooks {
public:
    ChainHooks(std::vector<HWND>& seen, HWND self, bool handles) : seen_(seen), self_(self), handles_(handles) {}
    bool PreTranslateMessage(MSG& message) override {
        if (message.message == 0x0812)
            seen_.push_back(self_);
        return message.message == 0x0812 && handles_;
    }
    void OnDroppedMessage(const MSG&) override {}

private:
    std::vector<HWND>& seen_;
    HWND self_;
    bool handles_;
};

LRESULT NeverValidates(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT)
        return 0;
    return DefWindowProc(window, message, wParam, lParam);
}

class WndLoopTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        Class("WndLoop");
    }
    static HWND Make(HWND parent = nullptr) {
        return CreateWindowEx(0, "WndLoop", "", WS_VISIBLE | (parent ? WS_CHILD : WS_POPUP), 0, 0, 50, 50, parent,
                              nullptr, nullptr, nullptr);
    }
};

TEST_F(WndLoopTest, RouterMessagesPassThePreTranslateChainFirst) {
    HWND top = Make();
    HWND child = Make(top);
    std::vector<HWND> seen;
    ChainHooks top_hooks(seen, top, true);
    ChainHooks child_hooks(seen, child, false);
    SetWindowHooks(top, &top_hooks);
    SetWindowHooks(child, &child_hooks);
    Pump();
    MessageSpy spy;
    spy.Watch(child);
    ASSERT_TRUE(PostMessage(child, 0x0812, 4, 0));
    Pump();
    EXPECT_EQ(seen, (std::vector<HWND>{child, top}));
    EXPECT_EQ(spy.Count(child, 0x0812), 0);
    DestroyWindow(top);
}

TEST_F(WndLoopTest, PostedMessagesComeBeforePaintsAndPaintsBeforeTimers) {
    HWND window = Make();
    Pump();
    MessageSpy spy;
    spy.Watch(window);
    ASSERT_EQ(SetTimer(window, 7, 100, nullptr), 7u);
    clock_.Advance(1000);
    InvalidateRect(window, nullptr, FALSE);
    PostMessage(window, WM_USER, 0, 0);
    MSG peeked;
    ASSERT_TRUE(PeekMessage(&peeked, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(peeked.message, WM_USER);
    EXPECT_EQ(peeked.time, 2000u);
    Pump();
    EXPECT_EQ(spy.Only({WM_USER, WM_PAINT, WM_TIMER}),
              (std::vector<std::pair<HWND, UINT>>{{window, WM_USER}, {window, WM_PAINT}, {window, WM_TIMER}}));
    DestroyWindow(window);
}

TEST_F(WndLoopTest, TimersRunOnTheClockAndDieWithTheirWindow) {
    HWND window = Make();
    Pump();
    MessageSpy spy;
    spy.Watch(window);
    SetTimer(window, 1, 100, nullptr);
    clock_.Advance(99);
    Pump();
    EXPECT_EQ(spy.Count(window, WM_TIMER), 0);
    clock_.Advance(1);
    Pump();
    EXPECT_EQ(spy.Count(window, WM_TIMER), 1);
    EXPECT_EQ(spy.Log().back().wParam, 1u);
    // However long it waited, one message.
    clock_.Advance(1000);
    Pump();
    EXPECT_EQ(spy.Count(window, WM_TIMER), 2);
    // Setting it again restarts it.
    clock_.Advance(50);
    SetTimer(window, 1, 100, nullptr);
    clock_.Advance(60);
    Pump();
    EXPECT_EQ(spy.Count(window, WM_TIMER), 2);
    clock_.Advance(40);
    Pump();
    EXPECT_EQ(spy.Count(window, WM_TIMER), 3);
    EXPECT_TRUE(KillTimer(window, 1));
    EXPECT_FALSE(KillTimer(window, 1));
    SetTimer(window, 2, 10, nullptr);
    DestroyWindow(window);
    clock_.Advance(100);
    MSG message;
    EXPECT_FALSE(PeekMessage(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(SetTimer(window, 3, 10, nullptr), 0u);
}

TEST_F(WndLoopTest, PumpingGivesUpOnAWindowThatNeverValidates) {
    Class("WndNeverValidates", NeverValidates);
    HWND window = CreateWindowEx(0, "WndNeverValidates", "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    EXPECT_FALSE(PumpUntilIdle(50));
    DestroyWindow(window);
    Pump();
}

bool finished = false;

TEST_F(WndLoopTest, NestedLoopsRunTheIdleScript) {
    HWND window = Make();
    MessageSpy spy;
    spy.Watch(window);
    finished = false;
    {
        IdleScript script;
        script.Then([window] { PostMessage(window, WM_USER, 0, 0); }).Then([] { finished = true; });
        EXPECT_TRUE(RunNestedLoop([] { return !finished; }));
        EXPECT_TRUE(script.Finished());
    }
    EXPECT_EQ(spy.Count(window, WM_USER), 1);
    EXPECT_FALSE(HasIdleHook());
    finished = false;
    EXPECT_NONFATAL_FAILURE(
        {
            IdleScript empty;
            EXPECT_FALSE(RunNestedLoop([] { return !finished; }));
        },
        "ran out");
    DestroyWindow(window);
}

TEST_F(WndLoopTest, GetMessageEndsWithTheQuitMessage) {
    HWND window = Make();
    Pump();
    PostMessage(window, WM_USER, 0, 0);
    ASSERT_TRUE(PostQuitMessage(3));
    MSG message;
    EXPECT_EQ(GetMessage(&message, nullptr, 0, 0), TRUE);
    EXPECT_EQ(message.message, WM_USER);
    EXPECT_EQ(GetMessage(&message, nullptr, 0, 0), FALSE);
    EXPECT_EQ(message.wParam, 3u);
    EXPECT_EQ(GetMessage(&message, window, 0, 0), -1);
    EXPECT_FALSE(PostMessage(window, WM_USER, 0, 0));
    DestroyWindow(window);
}

} // namespace
