#include "platform/thread_messaging.h"

#include <gtest/gtest.h>

TEST(ThreadMessaging, PostingNeedsAnAttachedOpenQueueOfAThreadWithAStableNonZeroId) {
    const DWORD self = GetCurrentThreadId();
    EXPECT_NE(self, 0u);
    EXPECT_EQ(GetCurrentThreadId(), self);
    EXPECT_FALSE(PostThreadMessage(self, 1, 0, 0));
    EXPECT_FALSE(PostQuitMessage(0));
    EXPECT_EQ(GetCurrentThreadQueue(), nullptr);
    auto queue = std::make_shared<MessageQueue>();
    AttachThreadQueue(queue);
    EXPECT_EQ(std::tuple(GetCurrentThreadQueue(), FindThreadQueue(self)),
              std::tuple(queue.get(), queue));
    EXPECT_TRUE(PostThreadMessage(self, 1, 2, 3));
    EXPECT_TRUE(PostQuitMessage(4));
    queue->CloseAndDrain();
    EXPECT_FALSE(PostThreadMessage(self, 1, 2, 3)) << "a closed queue takes nothing";
    DetachThreadQueue();
    EXPECT_EQ(FindThreadQueue(self), nullptr);
    EXPECT_FALSE(PostThreadMessage(self, 1, 0, 0));
}

TEST(ThreadMessaging, ARegisteredQueueIsReachableByItsIdWithoutAThread) {
    auto queue = std::make_shared<MessageQueue>();
    const DWORD id = RegisterMessageQueue(queue);
    EXPECT_NE(id, 0u);
    EXPECT_NE(id, GetCurrentThreadId());
    EXPECT_TRUE(PostThreadMessage(id, 0x900, 1, 2));
    ThreadMessage posted;
    ASSERT_TRUE(queue->HasMessage());
    ASSERT_TRUE(queue->GetMessage(posted));
    EXPECT_EQ(posted.message, 0x900u);
    EXPECT_EQ(posted.lParam, 2);
    UnregisterMessageQueue(id);
    EXPECT_FALSE(PostThreadMessage(id, 0x900, 1, 2));
}

TEST(ThreadMessaging, APosterFollowsItsTargetFromQueueToQueue) {
    const DWORD self = GetCurrentThreadId();
    auto first = std::make_shared<MessageQueue>();
    AttachThreadQueue(first);
    EXPECT_TRUE(PostThreadMessage(self, 1, 0, 0));
    DetachThreadQueue();
    EXPECT_FALSE(PostThreadMessage(self, 2, 0, 0)) << "a detached queue is not posted to";
    auto second = std::make_shared<MessageQueue>();
    AttachThreadQueue(second);
    EXPECT_TRUE(PostThreadMessage(self, 3, 0, 0));
    DetachThreadQueue();
    EXPECT_EQ(std::tuple(first->GetCount(), second->GetCount()),
              std::tuple(std::size_t{1}, std::size_t{1}));
    first.reset();
    EXPECT_FALSE(PostThreadMessage(self, 4, 0, 0));
}
