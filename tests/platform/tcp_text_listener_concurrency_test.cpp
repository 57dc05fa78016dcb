// The listener under floods from several threads at once: every text written
// and closed arrives, however slowly the host takes them.
#include "platform/tcp_text_listener_fixture.h"

#include <atomic>
#include <cstdio>
#include <deque>
#include <set>

namespace {

using listener_test::kWaitMs;
using listener_test::ListenerTest;

TEST_F(ListenerTest, FloodsOfFullTextsAgainstASlowTakerLoseNoTextWrittenAndClosed) {
    constexpr int kSenders = 2;
    constexpr auto kFlood = std::chrono::seconds(3);
    constexpr auto kTakeTime = std::chrono::milliseconds(20);
    constexpr auto kStillComing = std::chrono::milliseconds(10000);
    // The taker holds each text's lease for kTakeTime while the flood runs.
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<ReceivedTcpText> taken;
    std::set<std::string> arrived;
    bool flooding = true;
    ASSERT_EQ(listener_.StartHolding("127.0.0.1", 0,
                                     [&](ReceivedTcpText&& text) {
                                         std::lock_guard lock(mutex);
                                         taken.push_back(std::move(text));
                                         changed.notify_all();
                                     }),
              KV_OK);
    std::atomic<bool> stop_taker{false};
    std::thread taker([&] {
        std::unique_lock lock(mutex);
        while (!stop_taker.load()) {
            changed.wait(lock, [&] { return stop_taker.load() || !taken.empty(); });
            if (taken.empty())
                continue;
            ReceivedTcpText text = std::move(taken.front());
            taken.pop_front();
            arrived.insert(text.text.substr(0, 16));
            changed.notify_all();
            if (flooding) {
                // The host's work on a text, done while the lease is held.
                changed.wait_for(lock, kTakeTime, [&] { return stop_taker.load(); });
            }
        }
    });
    std::vector<std::vector<std::string>> sent(kSenders);
    std::atomic<int> failed{0};
    std::vector<std::thread> senders;
    const auto until = std::chrono::steady_clock::now() + kFlood;
    for (int sender = 0; sender < kSenders; ++sender) {
        senders.emplace_back([&, sender] {
            std::string text(TcpTextListener::kDefaultMaxBytes, 'x');
            for (int i = 0; std::chrono::steady_clock::now() < until; ++i) {
                char mark[17];
                std::snprintf(mark, sizeof mark, "%02d:%013d", sender, i);
                text.replace(0, 16, mark);
                if (SendText("127.0.0.1", listener_.GetPort(), text, kWaitMs) == KV_OK)
                    sent[static_cast<std::size_t>(sender)].push_back(mark);
                else
                    ++failed;
            }
        });
    }
    for (std::thread& thread : senders)
        thread.join();
    std::size_t total = 0;
    for (const auto& marks : sent)
        total += marks.size();
    {
        std::unique_lock lock(mutex);
        flooding = false;
        changed.notify_all();
        // No time is promised for draining the flood, only that texts keep
        // coming until all have.
        bool coming = true;
        for (std::size_t seen = arrived.size(); coming && arrived.size() < total;
             seen = arrived.size()) {
            coming = changed.wait_for(lock, kStillComing, [&] {
                return arrived.size() != seen || arrived.size() >= total;
            });
        }
        EXPECT_TRUE(coming) << arrived.size() << " of " << total << " arrived, then none for "
                            << kStillComing.count() << " ms";
    }
    // A text whose send failed may still come: no handler may run once this
    // test's locals are gone.
    listener_.Stop();
    {
        std::lock_guard lock(mutex);
        stop_taker.store(true);
        changed.notify_all();
    }
    taker.join();
    std::size_t lost = 0;
    for (const auto& marks : sent)
        for (const std::string& mark : marks)
            lost += arrived.count(mark) == 0;
    EXPECT_EQ(lost, 0u) << "of " << total << " (" << failed.load()
                        << " sends failed), dropped: " << listener_.DescribeDropped();
}

} // namespace
