#include "framework/message_router.h"

#include "framework_test_support.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <map>

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
    CKvMessageRouter first;
    first.Init(&GetHandleTable());
    const std::uint32_t a = first.NextJobId();
    const std::uint32_t b = first.NextJobId();
    EXPECT_GE(a, 2u);
    EXPECT_EQ(b, a + 1);
    CKvMessageRouter second;
    second.Init(&GetHandleTable());
    EXPECT_EQ(second.NextJobId(), b + 1) << "a new router does not reset the job ids";
}

class RouterTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(router_.Init(&GetHandleTable()), KV_OK); }

    CKvMessage* MakeRequest(std::uint32_t value) {
        CKvMessage* message = NewMessageWithCountingPayload(value);
        message->SetKindAndCommand(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_DATA, 0);
        return message;
    }
    KvResult SendRequest(std::uint32_t value, std::uint16_t target, bool queue_if_absent = false) {
        return MakeRequest(value)->Send(target, 0x42, &router_, 0, true, queue_if_absent);
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
    // Releases what is queued; the count of messages per endpoint.
    std::map<UINT, int> Drain() {
        std::map<UINT, int> counts;
        UINT number = 0;
        while (CKvMessage* message = queue_.TakeQueued(&number)) {
            ++counts[number];
            message->Release();
        }
        return counts;
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
    ASSERT_EQ(SendRequest(1, kReceiver), KV_OK);
    CKvMessage* arrived = queue_.TakeQueued();
    ASSERT_NE(arrived, nullptr);
    EXPECT_EQ(arrived->GetTargetName(), "first");
    arrived->Release();
}

TEST_F(RouterTest, UnregisterDropsTheEndpointAndItsSubscriptions) {
    RegisterAndSubscribe();
    EXPECT_EQ(router_.Unregister(kSubscriber), KV_OK);
    EXPECT_EQ(router_.GetSubscriptionCount(), 0);
    EXPECT_EQ(router_.Unregister(kSubscriber), KV_E_FAIL);
    CKvRouterEndpoint entry;
    EXPECT_EQ(router_.LookupEndpoint(entry, kSubscriber), 0);
}

TEST_F(RouterTest, AQueuedMessageIsPostedAtTheFirstSendAfterItsEndpointRegistered) {
    ManualClock clock;
    ScopedClock installed(clock);
    ASSERT_EQ(SendRequest(1, kLate, true), KV_OK);
    EXPECT_EQ(router_.GetUndeliveredCount(), 1);
    clock.Advance(19999);
    router_.RegisterThread(kLate, queue_.GetThreadId(), "late");
    EXPECT_EQ(queue_.GetCount(), 0u);
    ASSERT_EQ(SendRequest(2, kLate), KV_OK);
    EXPECT_EQ(router_.GetUndeliveredCount(), 0);
    for (std::uint32_t expected : {1u, 2u}) {
        CKvMessage* arrived = queue_.TakeQueued();
        ASSERT_NE(arrived, nullptr);
        EXPECT_EQ(PayloadValue(*arrived), expected);
        arrived->Release();
    }
}

TEST_F(RouterTest, AnUndeliveredMessageIsReleasedAtTheFirstSendAfterTwentySeconds) {
    ManualClock clock;
    ScopedClock installed(clock);
    router_.RegisterThread(kReceiver, queue_.GetThreadId(), nullptr);
    ASSERT_EQ(SendRequest(1, kLate, true), KV_OK);
    clock.Advance(19999);
    ASSERT_EQ(SendRequest(2, kReceiver), KV_OK);
    EXPECT_EQ(router_.GetUndeliveredCount(), 1);
    EXPECT_EQ(counting_.Live(), 2);
    clock.Advance(1);
    ASSERT_EQ(SendRequest(3, kReceiver), KV_OK);
    EXPECT_EQ(router_.GetUndeliveredCount(), 0);
    EXPECT_EQ(counting_.Live(), 2);
}

TEST_F(RouterTest, AClosedUndeliveredQueueTakesNothingAndTheCallerKeepsTheMessage) {
    router_.SetQueueClosed(true);
    CKvMessage* message = MakeRequest(1);
    EXPECT_EQ(message->Post(kLate, &router_, true), KV_E_FAIL);
    EXPECT_EQ(router_.GetUndeliveredCount(), 0);
    message->Release();
}

TEST_F(RouterTest, DestructionReleasesUndeliveredMessagesAndPatterns) {
    {
        CKvMessageRouter router;
        router.Init(&GetHandleTable());
        MakeRequest(1)->Send(kLate, 1, &router, 0, true, true);
        router.AddSubscription(NewMessageWithCountingPayload(2));
        EXPECT_EQ(counting_.Live(), 2);
    }
    EXPECT_EQ(counting_.Live(), 0);
}

TEST_F(RouterTest, AnAllZeroPatternCopiesEveryMessageAsSignalExceptToTheSubscriberItself) {
    RegisterAndSubscribe();
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
    ASSERT_EQ(SendRequest(8, kSubscriber), KV_OK);
    EXPECT_EQ(Drain(), (std::map<UINT, int>{{kSubscriber, 1}}));
}

TEST_F(RouterTest, ASignalIsNeverSignalledAgain) {
    RegisterAndSubscribe();
    CKvMessage* signal = MakeRequest(1);
    signal->SetKind(KV_MSG_KIND_SIGNAL);
    EXPECT_EQ(router_.SignalSubscribers(signal), KV_E_FAIL);
    ASSERT_EQ(signal->Send(kReceiver, 1, &router_, 0, true, false), KV_OK);
    EXPECT_EQ(Drain(), (std::map<UINT, int>{{kReceiver, 1}}));
}

TEST_F(RouterTest, SubscribersAreSignalledOnlyAfterASuccessfulPost) {
    RegisterAndSubscribe();
    router_.Unregister(kReceiver);
    router_.RegisterThread(kReceiver, 0x7FFFFFF0, nullptr); // a thread without a queue
    EXPECT_EQ(SendRequest(1, kReceiver), KV_E_FAIL);
    EXPECT_EQ(queue_.GetCount(), 0u);
    EXPECT_EQ(counting_.Live(), 0);
}

TEST_F(RouterTest, AMessageRetriedFromTheQueueIsPostedAndSignalledOnce) {
    RegisterAndSubscribe(kLate);
    ASSERT_EQ(SendRequest(1, kLate, true), KV_OK);
    EXPECT_EQ(queue_.GetCount(), 0u);
    router_.RegisterThread(kLate, queue_.GetThreadId(), nullptr);
    // The signal copy is sent from inside the retry walk, and sending retries.
    ASSERT_EQ(SendRequest(2, kReceiver), KV_OK);
    ASSERT_EQ(router_.RetryUndelivered(), KV_OK);
    EXPECT_EQ(Drain(), (std::map<UINT, int>{{kReceiver, 1}, {kSubscriber, 1}, {kLate, 1}}));
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
