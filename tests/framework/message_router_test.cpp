#include "framework/message_router.h"

#include "framework_test_support.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr std::uint16_t kReceiver = 0x801;
constexpr std::uint16_t kSubscriber = 0x802;
constexpr std::uint16_t kLate = 0x803;

} // namespace

TEST(MessageRouter, GivesItsTwoLockIdsBackWhenDestroyed) {
    HandleTable table(10);
    {
        CKvMessageRouter router;
        EXPECT_EQ(router.NextJobId(), 0u);
        ASSERT_EQ(router.Init(&table), KV_OK);
        EXPECT_EQ(router.Init(&table), KV_OK);
        EXPECT_EQ(table.GetCount(), 2u);
    }
    EXPECT_EQ(table.GetCount(), 0u);
}

TEST(MessageRouter, InitRefusesAnInvalidTableAndFreesTheFirstLockWhenTheSecondFails) {
    CKvMessageRouter router;
    EXPECT_EQ(router.Init(nullptr), KV_E_INVALID_POINTER);
    HandleTable table(1);
    EXPECT_EQ(router.Init(&table), KV_E_LIST_FULL);
    EXPECT_EQ(table.GetCount(), 0u);
    EXPECT_FALSE(router.IsInitialized());
}

TEST(MessageRouter, JobIdsSkipZeroAndOneWhenTheCounterWraps) {
    EXPECT_EQ(CKvMessageRouter::JobIdAfter(1), 2u);
    EXPECT_EQ(CKvMessageRouter::JobIdAfter(2), 3u);
    EXPECT_EQ(CKvMessageRouter::JobIdAfter(0xFFFFFFFEu), 0xFFFFFFFFu);
    EXPECT_EQ(CKvMessageRouter::JobIdAfter(0xFFFFFFFFu), 2u);
}

TEST(MessageRouter, ANewRouterDoesNotResetTheJobIdsOfTheProcess) {
    CKvMessageRouter first;
    first.Init(&GetHandleTable());
    const std::uint32_t a = first.NextJobId();
    const std::uint32_t b = first.NextJobId();
    EXPECT_GE(a, 2u);
    EXPECT_EQ(b, a + 1);
    CKvMessageRouter second;
    second.Init(&GetHandleTable());
    EXPECT_EQ(second.NextJobId(), b + 1);
}

class RouterTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(router_.Init(&GetHandleTable()), KV_OK); }

    CKvMessage* MakeRequest(std::uint32_t value) {
        CKvMessage* message = NewMessageWithCountingPayload(value);
        message->SetKindAndCommand(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_DATA, 0);
        return message;
    }

    ScopedCountingPayload counting_;
    TestThreadQueue queue_;
    CKvMessageRouter router_;
};

TEST_F(RouterTest, RegistrationOfATakenIdFailsAndTheFirstStillDelivers) {
    ASSERT_EQ(router_.RegisterThread(kReceiver, queue_.GetThreadId(), "first"), KV_OK);
    EXPECT_EQ(router_.RegisterThread(kReceiver, 12345, "second"), KV_E_FAIL);
    EXPECT_EQ(router_.RegisterWindow(kReceiver, nullptr, "third"), KV_E_FAIL);

    CKvRouterEndpoint entry;
    ASSERT_EQ(router_.LookupEndpoint(entry, kReceiver), 1);
    EXPECT_EQ(entry.kind, CKvRouterEndpoint::kThread);
    EXPECT_EQ(entry.thread_id, queue_.GetThreadId());
    EXPECT_EQ(*entry.name, "first");

    ASSERT_EQ(MakeRequest(1)->Send(kReceiver, 1, &router_, 0, true, false), KV_OK);
    CKvMessage* arrived = queue_.TakeQueued();
    ASSERT_NE(arrived, nullptr);
    EXPECT_EQ(arrived->GetTargetName(), "first");
    arrived->Release();
}

TEST_F(RouterTest, UnregisterDropsTheEndpointAndItsSubscriptions) {
    router_.RegisterThread(kSubscriber, queue_.GetThreadId(), nullptr);
    auto* pattern = new CKvMessage;
    pattern->SetKind(0);
    pattern->SetSubscriberEndpoint(kSubscriber);
    ASSERT_EQ(router_.AddSubscription(pattern), KV_OK);
    EXPECT_EQ(router_.Unregister(kSubscriber), KV_OK);
    EXPECT_EQ(router_.GetSubscriptionCount(), 0);
    EXPECT_EQ(router_.Unregister(kSubscriber), KV_E_FAIL);
    CKvRouterEndpoint entry;
    EXPECT_EQ(router_.LookupEndpoint(entry, kSubscriber), 0);
}

TEST_F(RouterTest, PostToAnUnregisteredEndpointWithoutQueueingFailsAndCallerKeepsIt) {
    CKvMessage* message = MakeRequest(1);
    EXPECT_EQ(message->Post(kLate, &router_, false), KV_E_FAIL);
    EXPECT_EQ(router_.GetUndeliveredCount(), 0);
    EXPECT_EQ(counting_.Live(), 1);
    message->Release();
}

TEST_F(RouterTest, AQueuedMessageIsPostedAtTheFirstSendAfterItsEndpointRegistered) {
    ManualClock clock;
    ScopedClock installed(clock);
    ASSERT_EQ(MakeRequest(1)->Send(kLate, kReceiver, &router_, 0, true, true), KV_OK);
    EXPECT_EQ(router_.GetUndeliveredCount(), 1);

    clock.Advance(5000);
    router_.RegisterThread(kLate, queue_.GetThreadId(), "late");
    EXPECT_EQ(queue_.GetCount(), 0u);
    ASSERT_EQ(MakeRequest(2)->Send(kLate, kReceiver, &router_, 0, true, false), KV_OK);

    EXPECT_EQ(router_.GetUndeliveredCount(), 0);
    CKvMessage* first = queue_.TakeQueued();
    CKvMessage* second = queue_.TakeQueued();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(PayloadValue(*first), 1u);
    EXPECT_EQ(PayloadValue(*second), 2u);
    first->Release();
    second->Release();
}

TEST_F(RouterTest, AnUndeliveredMessageIsReleasedAtTheFirstSendAfterTwentySeconds) {
    ManualClock clock;
    ScopedClock installed(clock);
    router_.RegisterThread(kReceiver, queue_.GetThreadId(), nullptr);
    ASSERT_EQ(MakeRequest(1)->Send(kLate, kReceiver, &router_, 0, true, true), KV_OK);

    clock.Advance(19999);
    ASSERT_EQ(MakeRequest(2)->Send(kReceiver, kReceiver, &router_, 0, true, false), KV_OK);
    EXPECT_EQ(router_.GetUndeliveredCount(), 1);
    EXPECT_EQ(counting_.Live(), 2);

    clock.Advance(1);
    ASSERT_EQ(MakeRequest(3)->Send(kReceiver, kReceiver, &router_, 0, true, false), KV_OK);
    EXPECT_EQ(router_.GetUndeliveredCount(), 0);
    EXPECT_EQ(counting_.Live(), 2);
}

TEST_F(RouterTest, AClosedUndeliveredQueueTakesNothing) {
    router_.SetQueueClosed(true);
    CKvMessage* message = MakeRequest(1);
    EXPECT_EQ(message->Post(kLate, &router_, true), KV_E_FAIL);
    message->Release();
}

TEST_F(RouterTest, DestructionReleasesUndeliveredMessagesAndPatterns) {
    {
        CKvMessageRouter router;
        router.Init(&GetHandleTable());
        MakeRequest(1)->Send(kLate, 1, &router, 0, true, true);
        CKvMessage* pattern = NewMessageWithCountingPayload(2);
        router.AddSubscription(pattern);
        EXPECT_EQ(counting_.Live(), 2);
    }
    EXPECT_EQ(counting_.Live(), 0);
}

TEST_F(RouterTest, AnAllZeroPatternCopiesEveryMessageAsSignalExceptToTheSubscriberItself) {
    router_.RegisterThread(kReceiver, queue_.GetThreadId(), nullptr);
    router_.RegisterThread(kSubscriber, queue_.GetThreadId(), nullptr);
    auto* pattern = new CKvMessage;
    pattern->SetKind(0);
    pattern->SetSubscriberEndpoint(kSubscriber);
    ASSERT_EQ(router_.AddSubscription(pattern), KV_OK);

    ASSERT_EQ(MakeRequest(7)->Send(kReceiver, 0x42, &router_, 99, true, false), KV_OK);
    UINT number = 0;
    WPARAM kind = 0;
    CKvMessage* original = queue_.TakeQueued(&number, &kind);
    ASSERT_NE(original, nullptr);
    EXPECT_EQ(number, kReceiver);
    CKvMessage* copy = queue_.TakeQueued(&number, &kind);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(number, kSubscriber);
    EXPECT_EQ(kind, static_cast<WPARAM>(KV_MSG_KIND_SIGNAL));
    EXPECT_EQ(copy->GetKind(), KV_MSG_KIND_SIGNAL);
    EXPECT_EQ(copy->GetSourceEndpoint(), 0x42);
    EXPECT_EQ(copy->GetValue(), 99u);
    EXPECT_NE(copy->GetPayload(), original->GetPayload());
    EXPECT_EQ(PayloadValue(*copy), 7u);
    original->Release();
    copy->Release();

    ASSERT_EQ(MakeRequest(8)->Send(kSubscriber, 0x42, &router_, 0, true, false), KV_OK);
    EXPECT_EQ(queue_.GetCount(), 1u);
}

TEST_F(RouterTest, ASignalIsNeverSignalledAgain) {
    router_.RegisterThread(kReceiver, queue_.GetThreadId(), nullptr);
    router_.RegisterThread(kSubscriber, queue_.GetThreadId(), nullptr);
    auto* pattern = new CKvMessage;
    pattern->SetKind(0);
    pattern->SetSubscriberEndpoint(kSubscriber);
    router_.AddSubscription(pattern);

    CKvMessage* signal = MakeRequest(1);
    signal->SetKind(KV_MSG_KIND_SIGNAL);
    EXPECT_EQ(router_.SignalSubscribers(signal), KV_E_FAIL);
    ASSERT_EQ(signal->Send(kReceiver, 1, &router_, 0, true, false), KV_OK);
    EXPECT_EQ(queue_.GetCount(), 1u);
}

TEST_F(RouterTest, SubscribersAreSignalledOnlyAfterASuccessfulPost) {
    router_.RegisterThread(kSubscriber, queue_.GetThreadId(), nullptr);
    // An endpoint whose thread has no queue: the posting fails.
    router_.RegisterThread(kReceiver, 0x7FFFFFF0, nullptr);
    auto* pattern = new CKvMessage;
    pattern->SetKind(0);
    pattern->SetSubscriberEndpoint(kSubscriber);
    router_.AddSubscription(pattern);

    EXPECT_EQ(MakeRequest(1)->Send(kReceiver, 1, &router_, 0, true, false), KV_E_FAIL);
    EXPECT_EQ(queue_.GetCount(), 0u);
    EXPECT_EQ(counting_.Live(), 0);
}

TEST_F(RouterTest, AMessageRetriedFromTheQueueIsPostedAndSignalledOnce) {
    router_.RegisterThread(kReceiver, queue_.GetThreadId(), nullptr);
    router_.RegisterThread(kSubscriber, queue_.GetThreadId(), nullptr);
    auto* pattern = new CKvMessage;
    pattern->SetKind(0);
    pattern->SetTargetEndpoint(kLate);
    pattern->SetSubscriberEndpoint(kSubscriber);
    router_.AddSubscription(pattern);

    ASSERT_EQ(MakeRequest(1)->Send(kLate, kReceiver, &router_, 0, true, true), KV_OK);
    EXPECT_EQ(queue_.GetCount(), 0u);
    router_.RegisterThread(kLate, queue_.GetThreadId(), nullptr);
    // The signal copy is sent from inside the retry walk, and sending retries.
    ASSERT_EQ(MakeRequest(2)->Send(kReceiver, kReceiver, &router_, 0, true, false), KV_OK);
    ASSERT_EQ(router_.RetryUndelivered(), KV_OK);

    int to_late = 0, to_subscriber = 0, to_receiver = 0;
    UINT number = 0;
    while (CKvMessage* message = queue_.TakeQueued(&number)) {
        to_late += number == kLate;
        to_subscriber += number == kSubscriber;
        to_receiver += number == kReceiver;
        message->Release();
    }
    EXPECT_EQ(to_late, 1);
    EXPECT_EQ(to_subscriber, 1);
    EXPECT_EQ(to_receiver, 1);
    EXPECT_EQ(router_.GetUndeliveredCount(), 0);
    EXPECT_EQ(counting_.Live(), 0);
}

TEST_F(RouterTest, RemoveSubscriptionReleasesThePattern) {
    CKvMessage* pattern = NewMessageWithCountingPayload(1);
    router_.AddSubscription(pattern);
    EXPECT_EQ(router_.AddSubscription(pattern), KV_E_ALREADY_PRESENT);
    EXPECT_EQ(router_.RemoveSubscription(pattern), KV_OK);
    EXPECT_EQ(counting_.Live(), 0);
}

TEST_F(RouterTest, CreateMessageWithPayloadHandsOutBothOrNeither) {
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    ASSERT_EQ(router_.CreateMessageWithPayload(message, payload, kCountingPayloadType), 1);
    EXPECT_EQ(message->GetPayload(), payload);
    EXPECT_EQ(message->GetPayloadType(), kCountingPayloadType);
    message->Release();
    EXPECT_EQ(router_.CreateMessageWithPayload(message, payload, 20), 0);
    EXPECT_EQ(message, nullptr);
    EXPECT_EQ(payload, nullptr);
    ASSERT_EQ(router_.CreateMessage(message), 1);
    EXPECT_TRUE(message->IsBlank());
    message->Release();
}
