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

UINT Take(MessageQueue& queue) {
    ThreadMessage taken;
    EXPECT_TRUE(queue.GetMessage(taken));
    return taken.message;
}

} // namespace

TEST(MessageQueue, DeliversInPostingOrderPastTheInitialCapacity) {
    MessageQueue queue;
    for (UINT number = 1; number <= 200; ++number) {
        ASSERT_TRUE(queue.Post(Numbered(number)));
        if (number % 3 == 0) {
            EXPECT_EQ(Take(queue), number / 3);
        }
    }
    UINT expected = 200 / 3 + 1;
    while (queue.GetCount() != 0 && expected <= 200)
        EXPECT_EQ(Take(queue), expected++);
    EXPECT_EQ(expected, 201u);
}

TEST(MessageQueue, QuitComesAfterEverythingPostedBeforeItAndClosesTheQueue) {
    MessageQueue queue;
    queue.Post(Numbered(1));
    ASSERT_TRUE(queue.PostQuit(7));
    queue.Post(Numbered(2));
    EXPECT_EQ(Take(queue), 1u);
    ThreadMessage taken;
    EXPECT_FALSE(queue.GetMessage(taken));
    EXPECT_EQ(std::tuple(taken.message, taken.wParam), std::tuple(KV_WM_QUIT, WPARAM{7}));
    EXPECT_TRUE(queue.IsClosed());
    EXPECT_FALSE(queue.Post(Numbered(3)));
    EXPECT_FALSE(queue.PostQuit(0));
    EXPECT_EQ(Numbers(queue.CloseAndDrain()), (std::vector<UINT>{2}));
}

TEST(MessageQueue, RemoveWindowMessagesKeepsTheOthersInOrderForCloseAndDrain) {
    MessageQueue queue;
    int a = 0, b = 0;
    HWND first = reinterpret_cast<HWND>(&a);
    queue.Post(Numbered(1, first));
    queue.Post(Numbered(2, reinterpret_cast<HWND>(&b)));
    queue.Post(Numbered(3, first));
    queue.Post(Numbered(4));
    EXPECT_EQ(Numbers(queue.RemoveWindowMessages(first)), (std::vector<UINT>{1, 3}));
    EXPECT_EQ(Numbers(queue.CloseAndDrain()), (std::vector<UINT>{2, 4}));
    EXPECT_FALSE(queue.Post(Numbered(5)));
    EXPECT_FALSE(queue.HasMessage());
}

TEST(MessageQueue, MessagesAlreadyTakenOutForTheLoopStayInOrderForEveryOtherOperation) {
    MessageQueue queue;
    int a = 0;
    HWND window = reinterpret_cast<HWND>(&a);
    queue.Post(Numbered(1));
    queue.Post(Numbered(2, window));
    queue.Post(Numbered(3));
    ASSERT_TRUE(queue.HasMessage());
    queue.Post(Numbered(4, window));
    queue.Post(Numbered(5));
    EXPECT_EQ(queue.GetCount(), 5u);
    EXPECT_EQ(Numbers(queue.RemoveWindowMessages(window)), (std::vector<UINT>{2, 4}));
    EXPECT_EQ(Take(queue), 1u);
    ASSERT_TRUE(queue.PostQuit(0));
    queue.Post(Numbered(6));
    EXPECT_EQ(Take(queue), 3u);
    EXPECT_EQ(Take(queue), 5u);
    ThreadMessage quit;
    EXPECT_FALSE(queue.GetMessage(quit));
    EXPECT_EQ(Numbers(queue.CloseAndDrain()), (std::vector<UINT>{6}));
}

class MessageQueueTimer : public testing::Test {
protected:
    ManualClock clock_;
    ScopedClock installed_{clock_};
    MessageQueue queue_;
};

TEST_F(MessageQueueTimer, IsDueAfterItsIntervalOnceAtATimeAndSettingItAgainRestartsIt) {
    queue_.SetTimer(5, 30);
    clock_.Advance(29);
    EXPECT_FALSE(queue_.HasMessage());
    clock_.Advance(1);
    ThreadMessage taken;
    ASSERT_TRUE(queue_.GetMessage(taken));
    EXPECT_EQ(std::tuple(taken.message, taken.wParam, taken.window),
              std::tuple(KV_WM_TIMER, WPARAM{5}, nullptr));
    EXPECT_FALSE(queue_.HasMessage()) << "one timer message at a time";
    clock_.Advance(20);
    queue_.SetTimer(5, 30);
    clock_.Advance(29);
    EXPECT_FALSE(queue_.HasMessage());
    clock_.Advance(1);
    EXPECT_TRUE(queue_.HasMessage());
    EXPECT_TRUE(queue_.KillTimer(5));
    EXPECT_FALSE(queue_.HasMessage());
    EXPECT_FALSE(queue_.KillTimer(5));
}

TEST_F(MessageQueueTimer, WaitsBehindPostedMessages) {
    queue_.SetTimer(1, 30);
    clock_.Advance(100);
    queue_.Post(Numbered(1));
    queue_.Post(Numbered(2));
    for (UINT expected : {1u, 2u, KV_WM_TIMER})
        EXPECT_EQ(Take(queue_), expected);
}

namespace {

// Paints that exist until taken, as a window system makes them.
class CountedSource : public GeneratedMessageSource {
public:
    bool NextGenerated(ThreadMessage& message, bool remove, DWORD& wait_ms) override {
        wait_ms = KV_INFINITE;
        if (pending == 0)
            return false;
        message = ThreadMessage{nullptr, 0x000F, 0, 0};
        if (remove)
            --pending;
        return true;
    }
    int pending = 0;
};

} // namespace

TEST(MessageQueue, PostsComeFirstThenGeneratedMessagesThenOneMessagePerDueTimer) {
    ManualClock clock(0, 0, 500);
    ScopedClock installed(clock);
    SetMessageCursorPos(POINT{12, 34});
    MessageQueue queue;
    CountedSource source;
    queue.SetGeneratedSource(&source);
    int a = 0;
    HWND window = reinterpret_cast<HWND>(&a);
    queue.SetWindowTimer(window, 9, 100);
    queue.SetTimer(3, 100);
    clock.Advance(1000);
    source.pending = 1;
    queue.Post(Numbered(1));
    ThreadMessage taken;
    ASSERT_TRUE(queue.PeekMessage(taken, false));
    EXPECT_EQ(taken.message, 1u);
    EXPECT_EQ(taken.time, 1500u);
    EXPECT_EQ(taken.pt, (POINT{12, 34}));
    EXPECT_EQ(Take(queue), 1u);
    ASSERT_TRUE(queue.HasMessage());
    EXPECT_EQ(Take(queue), 0x000Fu);
    ASSERT_TRUE(queue.GetMessage(taken));
    EXPECT_EQ(std::tuple(taken.window, taken.message, taken.wParam), std::tuple(window, KV_WM_WINDOW_TIMER, WPARAM{9}));
    EXPECT_EQ(Take(queue), KV_WM_TIMER);
    // Each timer gave one message however long it waited.
    EXPECT_FALSE(queue.PeekMessage(taken, true));
    queue.KillWindowTimers(window);
    clock.Advance(100);
    ASSERT_TRUE(queue.PeekMessage(taken, true));
    EXPECT_EQ(taken.message, KV_WM_TIMER);
    EXPECT_FALSE(queue.KillWindowTimer(window, 9));
    EXPECT_TRUE(queue.KillTimer(3));
    queue.SetGeneratedSource(nullptr);
}

TEST(MessageQueue, PostNextGoesAheadOfEverythingQueuedWhereverTheRingStands) {
    // Queued counts around the ring's first capacity, with its head moved on
    // by earlier takes.
    for (const UINT queued : {0u, 1u, 63u, 64u, 65u, 200u}) {
        SCOPED_TRACE(queued);
        MessageQueue queue;
        ASSERT_TRUE(queue.Post(Numbered(1000)));
        ASSERT_TRUE(queue.HasMessage());
        EXPECT_EQ(Take(queue), 1000u);
        for (UINT number = 1; number <= queued; ++number)
            ASSERT_TRUE(queue.Post(Numbered(number)));
        // Taken out for the loop, but not yet handed over.
        EXPECT_EQ(queue.HasMessage(), queued != 0);
        ASSERT_TRUE(queue.Post(Numbered(queued + 1)));
        ASSERT_TRUE(queue.PostNext(Numbered(500)));
        ASSERT_TRUE(queue.PostNext(Numbered(501)));
        std::vector<UINT> expected = {501, 500};
        for (UINT number = 1; number <= queued + 1; ++number)
            expected.push_back(number);
        EXPECT_EQ(Numbers(queue.CloseAndDrain()), expected);
        EXPECT_FALSE(queue.PostNext(Numbered(502)));
    }
}
