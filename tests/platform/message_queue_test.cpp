#include "platform/message_queue.h"

#include "platform/clock.h"

#include <gtest/gtest.h>

namespace {

ThreadMessage Numbered(UINT number, HWND window = nullptr) {
    return ThreadMessage{window, number, number, 0};
}

std::vector<UINT> Numbers(const std::vector<ThreadMessage>& messages) {
    std::vector<UINT> numbers;
    for (const ThreadMessage& message : messages)
        numbers.push_back(message.message);
    return numbers;
}

} // namespace

TEST(MessageQueue, DeliversInPostingOrderPastTheInitialCapacity) {
    MessageQueue queue;
    for (UINT number = 1; number <= 200; ++number) {
        ASSERT_TRUE(queue.Post(Numbered(number)));
        if (number % 3 == 0) {
            ThreadMessage taken;
            ASSERT_TRUE(queue.GetMessage(taken));
            EXPECT_EQ(taken.message, number / 3);
        }
    }
    UINT expected = 200 / 3 + 1;
    while (queue.GetCount() != 0) {
        ThreadMessage taken;
        ASSERT_TRUE(queue.GetMessage(taken));
        EXPECT_EQ(taken.message, expected++);
    }
    EXPECT_EQ(expected, 201u);
}

TEST(MessageQueue, QuitComesAfterEverythingPostedBeforeItAndClosesTheQueue) {
    MessageQueue queue;
    queue.Post(Numbered(1));
    ASSERT_TRUE(queue.PostQuit(7));
    queue.Post(Numbered(2));

    ThreadMessage taken;
    ASSERT_TRUE(queue.GetMessage(taken));
    EXPECT_EQ(taken.message, 1u);
    EXPECT_FALSE(queue.GetMessage(taken));
    EXPECT_EQ(taken.message, KV_WM_QUIT);
    EXPECT_EQ(taken.wParam, 7u);
    EXPECT_TRUE(queue.IsClosed());
    EXPECT_FALSE(queue.Post(Numbered(3)));
    EXPECT_FALSE(queue.PostQuit(0));
    EXPECT_EQ(Numbers(queue.CloseAndDrain()), (std::vector<UINT>{2}));
}

TEST(MessageQueue, CloseAndDrainHandsBackWhatIsQueued) {
    MessageQueue queue;
    queue.Post(Numbered(1));
    queue.Post(Numbered(2));
    EXPECT_EQ(Numbers(queue.CloseAndDrain()), (std::vector<UINT>{1, 2}));
    EXPECT_FALSE(queue.Post(Numbered(3)));
    EXPECT_FALSE(queue.HasMessage());
}

TEST(MessageQueue, RemoveWindowMessagesKeepsTheOthersInOrder) {
    MessageQueue queue;
    int a = 0, b = 0;
    HWND first = reinterpret_cast<HWND>(&a);
    HWND second = reinterpret_cast<HWND>(&b);
    queue.Post(Numbered(1, first));
    queue.Post(Numbered(2, second));
    queue.Post(Numbered(3, first));
    queue.Post(Numbered(4));
    EXPECT_EQ(Numbers(queue.RemoveWindowMessages(first)), (std::vector<UINT>{1, 3}));
    EXPECT_EQ(Numbers(queue.CloseAndDrain()), (std::vector<UINT>{2, 4}));
}

TEST(MessageQueue, TimerIsDueAfterItsIntervalOnTheReplaceableClock) {
    ManualClock clock;
    ScopedClock installed(clock);
    MessageQueue queue;
    queue.SetTimer(5, 30);
    EXPECT_FALSE(queue.HasMessage());
    clock.Advance(29);
    EXPECT_FALSE(queue.HasMessage());
    clock.Advance(1);
    ASSERT_TRUE(queue.HasMessage());

    ThreadMessage taken;
    ASSERT_TRUE(queue.GetMessage(taken));
    EXPECT_EQ(taken.message, KV_WM_TIMER);
    EXPECT_EQ(taken.wParam, 5u);
    EXPECT_EQ(taken.window, nullptr);
    EXPECT_FALSE(queue.HasMessage()) << "one timer message at a time";
    clock.Advance(30);
    EXPECT_TRUE(queue.HasMessage());
    EXPECT_TRUE(queue.KillTimer(5));
    EXPECT_FALSE(queue.HasMessage());
    EXPECT_FALSE(queue.KillTimer(5));
}

TEST(MessageQueue, TimerMessageWaitsBehindPostedMessages) {
    ManualClock clock;
    ScopedClock installed(clock);
    MessageQueue queue;
    queue.SetTimer(1, 30);
    clock.Advance(100);
    queue.Post(Numbered(1));
    queue.Post(Numbered(2));
    ThreadMessage taken;
    for (UINT expected : {1u, 2u, KV_WM_TIMER}) {
        ASSERT_TRUE(queue.GetMessage(taken));
        EXPECT_EQ(taken.message, expected);
    }
}

TEST(MessageQueue, SettingATimerAgainRestartsItsInterval) {
    ManualClock clock;
    ScopedClock installed(clock);
    MessageQueue queue;
    queue.SetTimer(1, 30);
    clock.Advance(20);
    queue.SetTimer(1, 30);
    clock.Advance(20);
    EXPECT_FALSE(queue.HasMessage());
    clock.Advance(10);
    EXPECT_TRUE(queue.HasMessage());
}
