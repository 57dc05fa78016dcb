#include "framework/message_router.h"

#include "framework/win_thread.h"
#include "framework_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>

namespace {

constexpr int kPosters = 8;
constexpr int kMessagesPerPoster = 20000;
constexpr int kTotal = kPosters * kMessagesPerPoster;
// Message i goes to kEndpoints[i % 5]; the last endpoint keeps unregistering.
constexpr std::array<std::uint16_t, 5> kEndpoints = {0x811, 0x812, 0x813, 0x814, 0x815};
constexpr std::uint16_t kChurningEndpoint = kEndpoints[4];
// Draining 160,000 messages under ThreadSanitizer on a small, busy machine.
constexpr DWORD kDrainWait = 120000;

// Counts how often each payload value arrived at any receiver.
class CountingReceiver : public CKvWinThread {
public:
    CountingReceiver(CKvMessageRouter* router, std::uint16_t id, std::atomic<int>* seen)
        : CKvWinThread(router, id, "receiver", false), seen_(seen) {
        routing_enabled_ = true;
    }
    ~CountingReceiver() override { JoinThread(); }

protected:
    bool OnInitInstance() override {
        GetStartedEvent().Set();
        return true;
    }
    KvResult OnRequest(CKvMessage* message) override {
        ++seen_[PayloadValue(*message)];
        return CKvWinThread::OnRequest(message);
    }

private:
    std::atomic<int>* seen_;
};

CKvMessage* NewPattern(std::uint16_t target, std::uint16_t subscriber) {
    auto* pattern = new CKvMessage;
    pattern->SetKind(0);
    pattern->SetTargetEndpoint(target);
    pattern->SetSubscriberEndpoint(subscriber);
    return pattern;
}

} // namespace

TEST(MessageRouterStress, EveryPayloadIsDestroyedOnceAndNothingIsDeliveredTwice) {
    ScopedCountingPayload counting;
    std::vector<std::atomic<int>> seen(kTotal);
    auto router = std::make_unique<CKvMessageRouter>();
    ASSERT_EQ(router->Init(&GetHandleTable()), KV_OK);
    std::vector<std::unique_ptr<CountingReceiver>> receivers;
    for (std::uint16_t id : kEndpoints) {
        receivers.push_back(std::make_unique<CountingReceiver>(router.get(), id, seen.data()));
        ASSERT_TRUE(receivers.back()->CreateThread());
        ASSERT_TRUE(receivers.back()->WaitStarted(kWait));
    }
    const DWORD churning_thread = receivers.back()->GetThreadId();

    // Endpoints and subscriptions change while the posters send.
    std::atomic<bool> posting{true};
    std::thread churn([&] {
        while (posting.load()) {
            router->Unregister(kChurningEndpoint);
            CKvMessage* pattern = NewPattern(kEndpoints[1], kEndpoints[0]);
            router->AddSubscription(pattern);
            router->RegisterThread(kChurningEndpoint, churning_thread, "churning");
            router->AddSubscription(NewPattern(0, kChurningEndpoint));
            router->RemoveSubscription(pattern);
            router->RemoveSubscriptions(kChurningEndpoint);
        }
    });
    std::vector<std::thread> posters;
    for (int poster = 0; poster < kPosters; ++poster) {
        posters.emplace_back([&router, poster] {
            for (int i = 0; i < kMessagesPerPoster; ++i) {
                const int id = poster * kMessagesPerPoster + i;
                NewMessageWithCountingPayload(static_cast<std::uint32_t>(id), KV_MSG_KIND_REQUEST)
                    ->Send(kEndpoints[id % 5], 0x8FF, router.get(), 0, true, (id & 8) != 0);
            }
        });
    }
    for (std::thread& poster : posters)
        poster.join();
    posting = false;
    churn.join();

    router->RegisterThread(kChurningEndpoint, churning_thread, "churning");
    for (auto& receiver : receivers)
        ASSERT_EQ(receiver->Stop(kDrainWait), KV_OK);
    for (auto& receiver : receivers)
        ASSERT_TRUE(receiver->WaitEnded(1, kDrainWait));
    receivers.clear();

    int twice = 0, fixed_missing = 0;
    for (int id = 0; id < kTotal; ++id) {
        twice += seen[id] > 1;
        fixed_missing += kEndpoints[id % 5] != kChurningEndpoint && seen[id] != 1;
    }
    EXPECT_EQ(std::tuple(twice, fixed_missing, router->GetSubscriptionCount()),
              std::tuple(0, 0, 0));
    router.reset(); // releases what the undelivered queue still holds
    EXPECT_EQ(CountingPayload::destroyed.load(), CountingPayload::created.load());
}
