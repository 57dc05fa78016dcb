// The listener's readiness loop: silent connections hold back no text, its
// byte bound closes the oldest connection, its connection cap makes new
// connections wait without losing a text, and the cap leaves room in the
// descriptor limit.
#include "platform/tcp_transport.h"

#include "platform/tcp_test_support.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint32_t kNoTimeOutMs = 600000;
constexpr int kWaitMs = 20000;

struct Arrival {
    std::string text;
    std::uint32_t peer_address = 0;
    std::uint32_t dropped_before = 0;
};

class Arrivals {
public:
    void Put(Arrival arrival) {
        std::lock_guard lock(mutex_);
        arrivals_.push_back(std::move(arrival));
        changed_.notify_all();
    }
    bool WaitFor(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(kWaitMs),
                                 [&] { return arrivals_.size() >= count; });
    }
    std::vector<Arrival> Get() {
        std::lock_guard lock(mutex_);
        return arrivals_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Arrival> arrivals_;
};

// Whether the listener closed the client's connection (end of stream or
// reset) within kWaitMs.
bool ClosedByListener(int fd, int wait_ms = kWaitMs) {
    pollfd entry{fd, POLLIN, 0};
    if (::poll(&entry, 1, wait_ms) != 1)
        return false;
    char byte = 0;
    return ::recv(fd, &byte, 1, MSG_DONTWAIT) <= 0;
}

void CloseAll(std::vector<int>& fds) {
    for (int fd : fds)
        ::close(fd);
    fds.clear();
}

class ListenerTest : public ::testing::Test {
protected:
    void Start(std::uint32_t read_timeout_ms) {
        ASSERT_EQ(listener_.Start("127.0.0.1", 0, Handler(), TcpTextListener::kDefaultMaxBytes,
                                  read_timeout_ms),
                  KV_OK);
    }
    TcpTextListener::TextHandler Handler() {
        return [this](std::string&& text, std::uint32_t peer) {
            arrivals_.Put({std::move(text), peer, listener_.GetDroppedCount()});
        };
    }
    // Waits until the listener has accepted count connections in all.
    bool WaitAccepted(std::uint64_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
        while (listener_.GetAcceptedCount() < count) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::yield();
        }
        return true;
    }
    ~ListenerTest() override {
        listener_.Stop();
        CloseAll(clients_);
    }

    Arrivals arrivals_;
    TcpTextListener listener_;
    std::vector<int> clients_;
};

TEST_F(ListenerTest, SilentConnectionsHoldBackNoText) {
    Start(TcpTextListener::kDefaultReadTimeoutMs);
    for (int i = 0; i < 5; ++i)
        clients_.push_back(ConnectTo(listener_.GetPort()));
    ASSERT_EQ(SendText("127.0.0.1", listener_.GetPort(), "<JobData/>", 2000), KV_OK);
    ASSERT_TRUE(arrivals_.WaitFor(1));
    const Arrival arrival = arrivals_.Get()[0];
    EXPECT_EQ(arrival.text, "<JobData/>");
    EXPECT_EQ(arrival.peer_address, 0x7F000001u);
    // It came while the silent ones were still open, not after their time-out.
    EXPECT_EQ(arrival.dropped_before, 0u);
}

TEST_F(ListenerTest, AConnectionNotEndedWithinItsTimeOutIsClosedAndItsTextDropped) {
    Start(100);
    clients_.push_back(ConnectTo(listener_.GetPort()));
    ASSERT_EQ(::send(clients_.back(), "part", 4, MSG_NOSIGNAL), 4);
    EXPECT_TRUE(ClosedByListener(clients_.back()));
    EXPECT_EQ(listener_.GetDroppedCount(), 1u);
    EXPECT_EQ(listener_.GetOpenCount(), 0u);
    EXPECT_TRUE(arrivals_.Get().empty());
}

TEST_F(ListenerTest, ByDefaultAConnectionHasTwoSeconds) {
    ASSERT_EQ(listener_.Start("127.0.0.1", 0, Handler()), KV_OK);
    const auto start = std::chrono::steady_clock::now();
    clients_.push_back(ConnectTo(listener_.GetPort()));
    ASSERT_EQ(::send(clients_.back(), "part", 4, MSG_NOSIGNAL), 4);
    EXPECT_TRUE(ClosedByListener(clients_.back()));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(2000));
    // Half a second for a loaded machine to notice.
    EXPECT_LT(waited, std::chrono::milliseconds(2500));
    EXPECT_EQ(listener_.GetDroppedCount(), 1u);
}

TEST_F(ListenerTest, AtTheConnectionCapNewConnectionsWaitInTheBacklog) {
    Start(kNoTimeOutMs);
    for (std::size_t i = 0; i < TcpTextListener::kMaxConnections; ++i) {
        clients_.push_back(ConnectTo(listener_.GetPort()));
        ASSERT_GE(clients_.back(), 0);
    }
    ASSERT_TRUE(WaitAccepted(TcpTextListener::kMaxConnections));
    EXPECT_EQ(listener_.GetOpenCount(), TcpTextListener::kMaxConnections);
    // Connected for its sender, written and closed, but not yet accepted.
    clients_.push_back(ConnectTo(listener_.GetPort()));
    ASSERT_GE(clients_.back(), 0);
    ASSERT_EQ(::send(clients_.back(), "late", 4, MSG_NOSIGNAL), 4);
    ::close(clients_.back());
    clients_.pop_back();
    EXPECT_FALSE(ClosedByListener(clients_[0], 200));
    EXPECT_EQ(listener_.GetAcceptedCount(), TcpTextListener::kMaxConnections);
    EXPECT_EQ(listener_.GetDroppedCount(), 0u);
    // A connection that ends makes room: the waiting one is read whole.
    ASSERT_EQ(::send(clients_[0], "first", 5, MSG_NOSIGNAL), 5);
    ::shutdown(clients_[0], SHUT_WR);
    ASSERT_TRUE(arrivals_.WaitFor(2));
    EXPECT_EQ(arrivals_.Get()[0].text, "first");
    EXPECT_EQ(arrivals_.Get()[1].text, "late");
    EXPECT_EQ(listener_.GetDroppedCount(), 0u);
}

TEST_F(ListenerTest, EveryTextOfABurstBeyondTheCapArrives) {
    constexpr int kTexts = 4000;
    // The listener's thread waits in the first text's handler while the
    // burst fills the backlog, so that it finds every connection waiting.
    std::mutex mutex;
    std::condition_variable changed;
    bool burst_sent = false;
    std::size_t arrived = 0;
    std::vector<int> count(kTexts, 0);
    ASSERT_EQ(listener_.Start("127.0.0.1", 0,
                              [&](std::string&& text, std::uint32_t) {
                                  std::unique_lock lock(mutex);
                                  changed.wait(lock, [&] { return burst_sent; });
                                  if (text != "first")
                                      ++count.at(static_cast<std::size_t>(std::stoi(text)));
                                  ++arrived;
                                  changed.notify_all();
                              }),
              KV_OK);
    ASSERT_EQ(SendText("127.0.0.1", listener_.GetPort(), "first", kWaitMs), KV_OK);
    for (int i = 0; i < kTexts; ++i) {
        char text[9];
        std::snprintf(text, sizeof text, "%08d", i);
        ASSERT_EQ(SendText("127.0.0.1", listener_.GetPort(), text, kWaitMs), KV_OK);
    }
    std::unique_lock lock(mutex);
    burst_sent = true;
    changed.notify_all();
    EXPECT_TRUE(changed.wait_for(lock, std::chrono::milliseconds(kWaitMs),
                                 [&] { return arrived == kTexts + 1; }));
    EXPECT_EQ(std::count(count.begin(), count.end(), 1), kTexts);
    EXPECT_EQ(listener_.GetDroppedCount(), 0u);
}

TEST_F(ListenerTest, FloodsOfFullTextsAgainstASlowTakerLoseNoTextWrittenAndClosed) {
    constexpr int kSenders = 2;
    constexpr auto kFlood = std::chrono::seconds(3);
    constexpr auto kTakeTime = std::chrono::milliseconds(20);
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
            if (flooding) {
                // The host's work on a text, done while the lease is held.
                changed.wait_for(lock, kTakeTime, [&] { return stop_taker.load(); });
            }
        }
    });
    std::vector<std::vector<std::string>> sent(kSenders);
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
        EXPECT_TRUE(changed.wait_for(lock, std::chrono::milliseconds(kWaitMs),
                                     [&] { return arrived.size() >= total; }));
        stop_taker.store(true);
        changed.notify_all();
    }
    taker.join();
    std::size_t lost = 0;
    for (const auto& marks : sent)
        for (const std::string& mark : marks)
            lost += arrived.count(mark) == 0;
    EXPECT_EQ(lost, 0u) << "of " << total << ", dropped " << listener_.GetDroppedCount();
}

TEST_F(ListenerTest, BeyondTheBufferedBytesTheOldestIsClosed) {
    Start(kNoTimeOutMs);
    const std::string full(TcpTextListener::kDefaultMaxBytes, 'x');
    constexpr std::size_t kFullTexts =
        TcpTextListener::kMaxBufferedBytes / TcpTextListener::kDefaultMaxBytes;
    for (std::size_t i = 0; i < kFullTexts; ++i) {
        clients_.push_back(ConnectTo(listener_.GetPort()));
        ASSERT_EQ(::send(clients_.back(), full.data(), full.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(full.size()));
    }
    // Held to the last byte, none closed yet.
    EXPECT_FALSE(ClosedByListener(clients_[0], 0));
    clients_.push_back(ConnectTo(listener_.GetPort()));
    ASSERT_EQ(::send(clients_.back(), "y", 1, MSG_NOSIGNAL), 1);
    EXPECT_TRUE(ClosedByListener(clients_[0]));
    EXPECT_FALSE(ClosedByListener(clients_[1], 0));
    ::shutdown(clients_.back(), SHUT_WR);
    ASSERT_TRUE(arrivals_.WaitFor(1));
    EXPECT_EQ(arrivals_.Get()[0].text, "y");
    EXPECT_EQ(listener_.GetDroppedCount(), 1u);
}

TEST_F(ListenerTest, AFailedAcceptPausesAndTheLoopGoesOn) {
    Start(TcpTextListener::kDefaultReadTimeoutMs);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(client, 0);
    // No descriptor left for the listener's accept.
    rlimit lowered = saved;
    lowered.rlim_cur = static_cast<rlim_t>(client) + 64;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    std::vector<int> fillers;
    for (int fd = ::dup(client); fd >= 0; fd = ::dup(client))
        fillers.push_back(fd);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(listener_.GetPort());
    const bool connected =
        ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::send(client, "text", 4, MSG_NOSIGNAL) == 4;
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::milliseconds(kWaitMs);
    while (listener_.GetAcceptFailureCount() < 3 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    const auto waited = std::chrono::steady_clock::now() - start;
    CloseAll(fillers);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    ASSERT_TRUE(connected);
    ASSERT_GE(listener_.GetAcceptFailureCount(), 3u);
    // Three failures are two pauses apart at least: the loop did not spin.
    EXPECT_GE(waited, std::chrono::milliseconds(2 * TcpTextListener::kAcceptPauseMs));
    ::close(client);
    ASSERT_TRUE(arrivals_.WaitFor(1));
    EXPECT_EQ(arrivals_.Get()[0].text, "text");
}

TEST_F(ListenerTest, TheConnectionCapLeavesDescriptorsBelowTheSoftLimit) {
    constexpr std::size_t kClients = 500;
    constexpr rlim_t kSoft = 512;
    // The clients' sockets are made first, above the lowered limit, so that
    // only the listener's accepted descriptors come out of it.
    ScopedSoftLimit wide(2048);
    ASSERT_TRUE(wide.ok());
    for (std::size_t i = 0; i < kClients; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ASSERT_GE(fd, 0);
        clients_.push_back(::fcntl(fd, F_DUPFD_CLOEXEC, 1024));
        ::close(fd);
        ASSERT_GE(clients_.back(), 1024);
    }
    {
        ScopedSoftLimit lowered(kSoft);
        ASSERT_TRUE(lowered.ok());
        Start(kNoTimeOutMs);
        EXPECT_EQ(listener_.GetMaxConnections(), 448u);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(listener_.GetPort());
        for (int fd : clients_)
            ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_TRUE(WaitAccepted(listener_.GetMaxConnections()));
        // The rest wait in the backlog; no accept ran out of descriptors.
        EXPECT_FALSE(ClosedByListener(clients_[0], 200));
        EXPECT_EQ(listener_.GetAcceptedCount(), listener_.GetMaxConnections());
        EXPECT_EQ(listener_.GetOpenCount(), listener_.GetMaxConnections());
        ASSERT_EQ(::send(clients_.back(), "last", 4, MSG_NOSIGNAL), 4);
        ::shutdown(clients_.back(), SHUT_WR);
        // The first ones end and make room for the rest.
        for (std::size_t i = 0; i + listener_.GetMaxConnections() < kClients; ++i)
            ::shutdown(clients_[i], SHUT_WR);
        ASSERT_TRUE(WaitAccepted(kClients));
        EXPECT_EQ(listener_.GetAcceptFailureCount(), 0u);
        ASSERT_TRUE(arrivals_.WaitFor(kClients - listener_.GetMaxConnections() + 1));
        const std::vector<Arrival> arrived = arrivals_.Get();
        EXPECT_EQ(std::count_if(arrived.begin(), arrived.end(),
                                [](const Arrival& arrival) { return arrival.text == "last"; }),
                  1);
        listener_.Stop();
    }
    // At the usual limits the cap is the listener's own.
    ASSERT_EQ(listener_.Start("127.0.0.1", 0, Handler()), KV_OK);
    EXPECT_EQ(listener_.GetMaxConnections(), TcpTextListener::kMaxConnections);
}

TEST(DescriptorLimit, TheSoftLimitIsRaisedToTheHardOneUpToTheMostAsked) {
    ScopedSoftLimit lowered(512);
    ASSERT_TRUE(lowered.ok());
    ASSERT_GE(lowered.hard(), 4096u);
    EXPECT_EQ(RaiseSoftDescriptorLimit(4096), 4096u);
    // A higher soft limit stays.
    EXPECT_EQ(RaiseSoftDescriptorLimit(1024), 4096u);
    rlimit now{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &now), 0);
    EXPECT_EQ(now.rlim_cur, 4096u);
}

} // namespace
