#include "framework/message_router.h"

#include "framework_test_support.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint16_t kReceiver = 0x801;
constexpr std::uint16_t kSubscriber = 0x802;
constexpr std::uint16_t kLate = 0x803;

} // namespace

TEST(MessageRouter, InitTakesTwoLocksOnceAndGivesThemBackEvenWhenTheSecondIsRefused) {
    CKvMessageRouter refused;
    EXPECT_EQ(refused.Init(nullptr), KV_E_INVALID_POINTER);
    HandleTable one_lock(1);
    EXPECT_EQ(refused.Init(&one_lock), KV_E_LIST_FULL);
    EXPECT_EQ(one_lock.GetCount(), 0u);
    EXPECT_FALSE(refused.IsInitialized());
    EXPECT_EQ(refused.NextJobId(), 0u);
    HandleTable table(10);
    {
        CKvMessageRouter router;
        ASSERT_EQ(router.Init(&table), KV_OK);
        EXPECT_EQ(router.Init(&table), KV_OK);
        EXPECT_EQ(table.GetCount(), 2u);
    }
    EXPECT_EQ(table.GetCount(), 0u);
}

TEST(MessageRouter, JobIdsComeFromOneProcessCounterThatSkipsZeroAndOneWhenItWraps) {
    EXPECT_EQ(CKvMessageRouter::JobIdAfter(2), 3u);
    EXPECT_EQ(CKvMessageRouter::JobIdAfter(0xFFFFFFFEu), 0xFFFFFFFFu);
    EXPECT_EQ(CKvMessageRouter::JobIdAfter(0xFFFFFFFFu), 2u);
    CKvMessageRouter first, second;
    first.Init(&GetHandleTable());
    second.Init(&GetHandleTable());
    const std::uint32_t a = first.NextJobId();
    EXPECT_GE(a, 2u);
    EXPECT_EQ(first.NextJobId(), a + 1);
    EXPECT_EQ(second.NextJobId(), a + 2) << "a new router does not reset the job ids";
}

class RouterTest : public RouterFixture {
protected:
    KvResult SendRequest(std::uint32_t value, std::uint16_t target, bool queue_if_absent = false) {
        return NewMessageWithCountingPayload(value, KV_MSG_KIND_REQUEST)
            ->Send(target, 0x42, &router_, 0, true, queue_if_absent);
    }
    // Registers both endpoints on this thread and subscribes kSubscriber to
    // every message (to the target's only, when one is given).
    void RegisterAndSubscribe(std::uint16_t target = 0) {
        router_.RegisterThread(kReceiver, queue_.GetThreadId(), nullptr);
        router_.RegisterThread(kSubscriber, queue_.GetThreadId(), nullptr);
        auto* pattern = new CKvMessage;
        pattern->SetKind(0);
        pattern->SetTargetEndpoint(target);
        pattern->SetSubscriberEndpoint(kSubscriber);
        ASSERT_EQ(router_.AddSubscription(pattern), KV_OK);
    }
    using Values = std::map<UINT, std::vector<std::uint32_t>>;
    // Releases what is queued; the payload values per endpoint.
    Values Drain() {
        Values values;
        UINT number = 0;
        while (CKvMessage* message = queue_.Take(&number)) {
            values[number].push_back(PayloadValue(*message));
            message->Release();
        }
        return values;
    }
};

TEST_F(RouterTest, ATakenIdIsRefusedAndUnregisterDropsTheEndpointAndItsSubscriptions) {
    RegisterAndSubscribe();
    EXPECT_EQ(router_.RegisterThread(kReceiver, 12345, "second"), KV_E_FAIL);
    EXPECT_EQ(router_.RegisterWindow(kReceiver, nullptr, "third"), KV_E_FAIL);
    CKvRouterEndpoint entry;
    ASSERT_EQ(router_.LookupEndpoint(entry, kReceiver), 1);
    EXPECT_EQ(std::tuple(entry.kind, entry.thread_id),
              std::tuple(CKvRouterEndpoint::kThread, queue_.GetThreadId()));
    EXPECT_EQ(router_.Unregister(kSubscriber), KV_OK);
    EXPECT_EQ(router_.GetSubscriptionCount(), 0);
    EXPECT_EQ(router_.Unregister(kSubscriber), KV_E_FAIL);
    EXPECT_EQ(router_.LookupEndpoint(entry, kSubscriber), 0);
    ASSERT_EQ(SendRequest(1, kReceiver), KV_OK);
    EXPECT_EQ(Drain(), (Values{{kReceiver, {1}}}));
}

TEST_F(RouterTest,
       QueuedMessagesArePostedInOrderAfterLateRegistrationOrReleasedAfterTwentySeconds) {
    constexpr std::uint16_t kNever = 0x804;
    ManualClock clock;
    ScopedClock installed(clock);
    ASSERT_EQ(SendRequest(1, kLate, true), KV_OK);
    ASSERT_EQ(SendRequest(9, kNever, true), KV_OK);
    ASSERT_EQ(SendRequest(2, kLate, true), KV_OK);
    EXPECT_EQ(router_.GetUndeliveredCount(), 3);
    clock.Advance(19999);
    router_.RegisterThread(kLate, queue_.GetThreadId(), "late");
    EXPECT_EQ(queue_.GetCount(), 0u);
    ASSERT_EQ(SendRequest(3, kLate), KV_OK);
    EXPECT_EQ(std::tuple(router_.GetUndeliveredCount(), Drain()),
              std::tuple(1, Values{{kLate, {1, 2, 3}}}));
    EXPECT_EQ(counting_.Live(), 1);
    clock.Advance(1);
    ASSERT_EQ(SendRequest(4, kSelf), KV_OK);
    EXPECT_EQ(std::tuple(router_.GetUndeliveredCount(), counting_.Live()), std::tuple(0, 1));
    // A closed queue takes nothing and the caller keeps the message.
    router_.SetQueueClosed(true);
    CKvMessage* message = NewMessageWithCountingPayload(1, KV_MSG_KIND_REQUEST);
    EXPECT_EQ(message->Post(kLate + 9, &router_, true), KV_E_FAIL);
    EXPECT_EQ(router_.GetUndeliveredCount(), 0);
    message->Release();
}

TEST_F(RouterTest, EachQueuedMessageExpiresTwentySecondsAfterItsOwnQueueing) {
    constexpr std::uint16_t kNever = 0x804;
    ManualClock clock;
    ScopedClock installed(clock);
    ASSERT_EQ(SendRequest(1, kNever, true), KV_OK);
    clock.Advance(10000);
    ASSERT_EQ(SendRequest(2, kNever, true), KV_OK);
    ASSERT_EQ(SendRequest(3, kLate, true), KV_OK);
    clock.Advance(9999);
    ASSERT_EQ(SendRequest(4, kSelf), KV_OK);
    EXPECT_EQ(std::tuple(router_.GetUndeliveredCount(), counting_.Live()), std::tuple(3, 4));
    clock.Advance(1);
    ASSERT_EQ(SendRequest(5, kSelf), KV_OK);
    EXPECT_EQ(std::tuple(router_.GetUndeliveredCount(), counting_.Live()), std::tuple(2, 4));
    // A registration between expiries is seen at the next send, in order.
    router_.RegisterThread(kLate, queue_.GetThreadId(), "late");
    ASSERT_EQ(SendRequest(6, kLate), KV_OK);
    EXPECT_EQ(Drain(), (Values{{kSelf, {4, 5}}, {kLate, {3, 6}}}));
    clock.Advance(9999);
    ASSERT_EQ(SendRequest(7, kNever, true), KV_OK);
    EXPECT_EQ(std::tuple(router_.GetUndeliveredCount(), counting_.Live()), std::tuple(2, 2));
    clock.Advance(1);
    ASSERT_EQ(SendRequest(8, kSelf), KV_OK);
    EXPECT_EQ(std::tuple(router_.GetUndeliveredCount(), Drain()),
              std::tuple(1, Values{{kSelf, {8}}}));
}

TEST_F(RouterTest, AMessageQueuedAfterItsEndpointRegisteredGoesOutWithTheNextSend) {
    // The sender looked before the registration and queued after it.
    constexpr std::uint16_t kNever = 0x804;
    router_.RegisterThread(kLate, queue_.GetThreadId(), "late");
    ASSERT_EQ(SendRequest(9, kNever, true), KV_OK);
    ASSERT_EQ(SendRequest(0, kSelf), KV_OK) << "a walk after the registrations";
    CKvMessage* late = NewMessageWithCountingPayload(1, KV_MSG_KIND_REQUEST);
    late->SetTargetEndpoint(kLate);
    ASSERT_EQ(router_.QueueUndelivered(late), KV_OK);
    ASSERT_EQ(SendRequest(2, kSelf), KV_OK);
    EXPECT_EQ(std::tuple(router_.GetUndeliveredCount(), Drain()),
              std::tuple(1, Values{{kSelf, {0, 2}}, {kLate, {1}}}));
}

TEST_F(RouterTest, RemovingOrDestroyingReleasesUndeliveredMessagesAndPatterns) {
    CKvMessage* pattern = NewMessageWithCountingPayload(1);
    router_.AddSubscription(pattern);
    EXPECT_EQ(router_.AddSubscription(pattern), KV_E_ALREADY_PRESENT);
    EXPECT_EQ(router_.RemoveSubscription(pattern), KV_OK);
    EXPECT_EQ(counting_.Live(), 0);
    {
        CKvMessageRouter router;
        router.Init(&GetHandleTable());
        NewMessageWithCountingPayload(1, KV_MSG_KIND_REQUEST)
            ->Send(kLate, 1, &router, 0, true, true);
        router.AddSubscription(NewMessageWithCountingPayload(2));
        EXPECT_EQ(counting_.Live(), 2);
    }
    EXPECT_EQ(counting_.Live(), 0);
}

TEST_F(RouterTest, AnAllZeroPatternCopiesEveryMessageAsSignalExceptToTheSubscriberItself) {
    RegisterAndSubscribe();
    ASSERT_EQ(NewMessageWithCountingPayload(7, KV_MSG_KIND_REQUEST)
                  ->Send(kReceiver, 0x42, &router_, 99, true, false),
              KV_OK);
    UINT number = 0;
    WPARAM kind = 0;
    CKvMessage* original = queue_.Take(&number);
    ASSERT_NE(original, nullptr);
    EXPECT_EQ(number, kReceiver);
    CKvMessage* copy = queue_.Take(&number, &kind);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::tuple(number, kind, copy->GetKind(), copy->GetSourceEndpoint(), copy->GetValue(),
                         PayloadValue(*copy)),
              std::tuple(UINT{kSubscriber}, WPARAM{KV_MSG_KIND_SIGNAL}, KV_MSG_KIND_SIGNAL,
                         std::uint16_t{0x42}, 99u, 7u));
    EXPECT_NE(copy->GetPayload(), original->GetPayload());
    original->Release();
    copy->Release();
    ASSERT_EQ(SendRequest(8, kSubscriber), KV_OK);
    EXPECT_EQ(Drain(), (Values{{kSubscriber, {8}}}));
}

TEST_F(RouterTest, ASignalIsNeverSignalledAgainAndCopiesFollowOnlyASuccessfulPost) {
    RegisterAndSubscribe();
    CKvMessage* signal = NewMessageWithCountingPayload(1, KV_MSG_KIND_SIGNAL);
    EXPECT_EQ(router_.SignalSubscribers(signal), KV_E_FAIL);
    ASSERT_EQ(signal->Send(kReceiver, 1, &router_, 0, true, false), KV_OK);
    EXPECT_EQ(Drain(), (Values{{kReceiver, {1}}}));
    router_.Unregister(kReceiver);
    router_.RegisterThread(kReceiver, 0x7FFFFFF0, nullptr); // a thread without a queue
    EXPECT_EQ(SendRequest(2, kReceiver), KV_E_FAIL);
    EXPECT_EQ(std::tuple(queue_.GetCount(), counting_.Live()), std::tuple(0u, 0));
}

TEST_F(RouterTest, AMessageRetriedFromTheQueueIsPostedAndSignalledOnce) {
    RegisterAndSubscribe(kLate);
    ASSERT_EQ(SendRequest(1, kLate, true), KV_OK);
    EXPECT_EQ(queue_.GetCount(), 0u);
    router_.RegisterThread(kLate, queue_.GetThreadId(), nullptr);
    // The signal copy is sent from inside the retry walk, and sending retries.
    ASSERT_EQ(SendRequest(2, kReceiver), KV_OK);
    ASSERT_EQ(router_.RetryUndelivered(), KV_OK);
    EXPECT_EQ(Drain(), (Values{{kReceiver, {2}}, {kSubscriber, {1}}, {kLate, {1}}}));
    EXPECT_EQ(std::tuple(router_.GetUndeliveredCount(), counting_.Live()), std::tuple(0, 0));
}

TEST_F(RouterTest, CreateMessageWithPayloadHandsOutBothOrNeither) {
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    ASSERT_EQ(router_.CreateMessageWithPayload(message, payload, kCountingPayloadType), 1);
    EXPECT_EQ(std::tuple(message->GetPayload(), message->GetPayloadType()),
              std::tuple(payload, kCountingPayloadType));
    message->Release();
    EXPECT_EQ(router_.CreateMessageWithPayload(message, payload, 20), 0);
    EXPECT_EQ(std::tuple(message, payload), std::tuple(nullptr, nullptr));
    ASSERT_EQ(router_.CreateMessage(message), 1);
    EXPECT_TRUE(message->IsBlank());
    message->Release();
}
