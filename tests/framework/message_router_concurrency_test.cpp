#include "framework/message_router.h"

#include "framework/win_thread.h"
#include "framework_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr DWORD kWait = 10000;
constexpr int kPosters = 8;
constexpr int kMessagesPerPoster = 20000;
constexpr int kTotal = kPosters * kMessagesPerPoster;
constexpr std::array<std::uint16_t, 4> kFixedEndpoints = {0x811, 0x812, 0x813, 0x814};
constexpr std::uint16_t kChurningEndpoint = 0x815;

struct Deliveries {
    std::vector<std::atomic<int>> seen = std::vector<std::atomic<int>>(kTotal);
    std::atomic<int> signals{0};
};

class CountingReceiver : public CKvWinThread {
public:
    CountingReceiver(CKvMessageRouter* router, std::uint16_t id, Deliveries* deliveries)
        : CKvWinThread(router, id, "receiver", false), deliveries_(deliveries) {
        routing_enabled_ = true;
    }
    ~CountingReceiver() override { JoinThread(); }

protected:
    bool OnInitInstance() override {
        GetStartedEvent().Set();
        return true;
    }
    KvResult OnRequest(CKvMessage* message) override {
        ++deliveries_->seen[PayloadValue(*message)];
        return CKvWinThread::OnRequest(message);
    }
    KvResult OnSignal(CKvMessage* message) override {
        ++deliveries_->signals;
        return CKvWinThread::OnSignal(message);
    }

private:
    Deliveries* deliveries_;
};

std::uint16_t TargetOf(int index) {
    return index % 5 == 4 ? kChurningEndpoint : kFixedEndpoints[index % 5];
}

} // namespace

TEST(MessageRouterStress, EveryPayloadIsDestroyedOnceAndNothingIsDeliveredTwice) {
    ScopedCountingPayload counting;
    Deliveries deliveries;
    auto owned_router = std::make_unique<CKvMessageRouter>();
    CKvMessageRouter& router = *owned_router;
    ASSERT_EQ(router.Init(&GetHandleTable()), KV_OK);

    std::vector<std::unique_ptr<CountingReceiver>> receivers;
    for (std::uint16_t id : kFixedEndpoints)
        receivers.push_back(std::make_unique<CountingReceiver>(&router, id, &deliveries));
    receivers.push_back(
        std::make_unique<CountingReceiver>(&router, kChurningEndpoint, &deliveries));
    for (auto& receiver : receivers) {
        ASSERT_TRUE(receiver->CreateThread());
        ASSERT_TRUE(receiver->WaitStarted(kWait));
    }
    const DWORD churning_thread = receivers.back()->GetThreadId();

    std::atomic<bool> posting{true};
    std::thread churn([&] {
        while (posting.load()) {
            router.Unregister(kChurningEndpoint);
            auto* pattern = new CKvMessage;
            pattern->SetKind(0);
            pattern->SetTargetEndpoint(kFixedEndpoints[1]);
            pattern->SetSubscriberEndpoint(kFixedEndpoints[0]);
            router.AddSubscription(pattern);
            router.RegisterThread(kChurningEndpoint, churning_thread, "churning");
            auto* other = new CKvMessage;
            other->SetKind(0);
            other->SetSubscriberEndpoint(kChurningEndpoint);
            router.AddSubscription(other);
            router.RemoveSubscription(pattern);
            router.RemoveSubscriptions(kChurningEndpoint);
        }
    });

    std::vector<std::thread> posters;
    for (int poster = 0; poster < kPosters; ++poster) {
        posters.emplace_back([&router, poster] {
            for (int i = 0; i < kMessagesPerPoster; ++i) {
                const int id = poster * kMessagesPerPoster + i;
                CKvMessage* message = NewMessageWithCountingPayload(static_cast<std::uint32_t>(id));
                message->SetKindAndCommand(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_DATA, 0);
                message->Send(TargetOf(id), 0x8FF, &router, 0, true, (id & 8) != 0);
            }
        });
    }
    for (std::thread& poster : posters)
        poster.join();
    posting = false;
    churn.join();

    router.RegisterThread(kChurningEndpoint, churning_thread, "churning");
    for (auto& receiver : receivers)
        ASSERT_EQ(receiver->Stop(kWait), KV_OK);
    for (auto& receiver : receivers)
        ASSERT_TRUE(receiver->WaitEnded(1, kWait));
    receivers.clear();

    int twice = 0;
    int fixed_missing = 0;
    for (int id = 0; id < kTotal; ++id) {
        const int seen = deliveries.seen[id].load();
        twice += seen > 1;
        fixed_missing += TargetOf(id) != kChurningEndpoint && seen != 1;
    }
    EXPECT_EQ(twice, 0);
    EXPECT_EQ(fixed_missing, 0);
    EXPECT_EQ(router.GetSubscriptionCount(), 0);
    // The router releases what its undelivered queue still holds.
    owned_router.reset();
    EXPECT_EQ(CountingPayload::destroyed.load(), CountingPayload::created.load());
}
