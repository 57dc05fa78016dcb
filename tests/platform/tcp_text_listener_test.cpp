// The listener's readiness loop: silent connections hold back no text, texts
// that stall make way for new ones only once quiet, texts waiting unread
// outlive their time-out and their sparing, texts waiting to start pause the
// listener once none may start and none is under way, its byte bound closes
// the oldest connection, its connection cap makes new connections wait
// without losing a text, and the cap leaves room in the descriptor limit.
#include "platform/tcp_transport.h"

#include "platform/tcp_test_support.h"
#include "platform/tcp_text_listener_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <linux/sockios.h>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using listener_test::Arrival;
using listener_test::CloseAll;
using listener_test::ClosedByListener;
using listener_test::kNoTimeOutMs;
using listener_test::kWaitMs;
using listener_test::ListenerTest;

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

TEST_F(ListenerTest, ATextCapAboveTheBoundStillLetsTextsStart) {
    ASSERT_EQ(listener_.Start("127.0.0.1", 0, Handler(), 2 * TcpTextListener::kMaxBufferedBytes),
              KV_OK);
    ASSERT_EQ(SendText("127.0.0.1", listener_.GetPort(), "<JobData/>", kWaitMs), KV_OK);
    ASSERT_TRUE(arrivals_.WaitFor(1));
    EXPECT_EQ(arrivals_.Get()[0].text, "<JobData/>");
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

TEST_F(ListenerTest, StalledTextsMakeWayForANewOneOnlyOnceQuiet) {
    Start(TcpTextListener::kDefaultReadTimeoutMs);
    // Enough started texts that no new one may start beside them.
    constexpr std::size_t kStalled =
        TcpTextListener::kMaxBufferedBytes / TcpTextListener::kDefaultMaxBytes;
    const auto first_byte = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < kStalled; ++i) {
        clients_.push_back(ConnectTo(listener_.GetPort()));
        ASSERT_EQ(::send(clients_.back(), "s", 1, MSG_NOSIGNAL), 1);
    }
    const auto deadline = first_byte + std::chrono::milliseconds(kWaitMs);
    while (listener_.GetHeldBytes() < kStalled && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    ASSERT_EQ(listener_.GetHeldBytes(), kStalled);
    const auto connect = std::chrono::steady_clock::now();
    ASSERT_EQ(SendText("127.0.0.1", listener_.GetPort(), "<JobData/>", kWaitMs), KV_OK);
    ASSERT_TRUE(arrivals_.WaitFor(1));
    const Arrival good = arrivals_.Get()[0];
    EXPECT_EQ(good.text, "<JobData/>");
    // In time for its sender, as a stalled text made way before its time-out;
    // but not before that text had been quiet for a while, as bytes on
    // their way are not seen at once.
    EXPECT_LT(good.at - connect, std::chrono::milliseconds(2250));
    EXPECT_GE(good.at - first_byte, std::chrono::milliseconds(TcpTextListener::kQuietMs));
    EXPECT_EQ(good.timed_out_before, 0u);
    EXPECT_EQ(listener_.GetDroppedCount(TcpTextDrop::kEviction), 1u);
}

// Whether every byte written to fd has reached the peer's socket.
bool AllDelivered(int fd) {
    return WaitUntil([fd] {
        int unacknowledged = -1;
        return ::ioctl(fd, SIOCOUTQ, &unacknowledged) == 0 && unacknowledged == 0;
    });
}

TEST_F(ListenerTest, TextsWaitingToStartWhenTheLastStartedOneEndsPauseTheListener) {
    // Held so that one text more may start beside them.
    constexpr std::size_t kHeld =
        TcpTextListener::kMaxBufferedBytes / TcpTextListener::kDefaultMaxBytes - 1;
    std::mutex mutex;
    std::vector<ReceivedTcpText> held;
    // The handler may run no more once these locals are gone.
    const std::unique_ptr<TcpTextListener, void (*)(TcpTextListener*)> stop_first(
        &listener_, [](TcpTextListener* listener) { listener->Stop(); });
    ASSERT_EQ(listener_.StartHolding(
                  "127.0.0.1", 0,
                  [&](ReceivedTcpText&& text) {
                      arrivals_.Put({text.text, text.peer_address, 0, 0, {}});
                      std::lock_guard lock(mutex);
                      held.push_back(std::move(text));
                  },
                  TcpTextListener::kDefaultMaxBytes, kNoTimeOutMs),
              KV_OK);
    const std::string full(TcpTextListener::kDefaultMaxBytes, 'x');
    for (std::size_t i = 0; i < kHeld; ++i)
        ASSERT_EQ(SendText("127.0.0.1", listener_.GetPort(), full, kWaitMs), KV_OK);
    ASSERT_TRUE(arrivals_.WaitFor(kHeld));
    const std::size_t handed = listener_.GetHeldBytes();
    // Text A starts.
    clients_.push_back(ConnectTo(listener_.GetPort()));
    const int a = clients_.back();
    ASSERT_EQ(::send(a, "a", 1, MSG_NOSIGNAL), 1);
    ASSERT_TRUE(WaitUntil([&] { return listener_.GetHeldBytes() == handed + 1; }));
    // B and C write while A is read, and may not start beside it.
    const std::string part(1000, 'b');
    for (int i = 0; i < 2; ++i) {
        clients_.push_back(ConnectTo(listener_.GetPort()));
        ASSERT_EQ(::send(clients_.back(), part.data(), part.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(part.size()));
        ASSERT_TRUE(AllDelivered(clients_.back()));
    }
    ASSERT_TRUE(WaitAccepted(kHeld + 3));
    // A read once more: the listener has seen B and C by then.
    ASSERT_EQ(::send(a, "a", 1, MSG_NOSIGNAL), 1);
    ASSERT_TRUE(WaitUntil([&] { return listener_.GetHeldBytes() == handed + 2; }));
    EXPECT_EQ(listener_.GetPauseCount(), 0u);
    // A ends with the bound full: nothing may start, so reading pauses.
    ::shutdown(a, SHUT_WR);
    EXPECT_TRUE(WaitUntil([&] { return listener_.GetPauseCount() > 0; }, 1000));
    EXPECT_EQ(listener_.GetPauseCount(), 1u);
    EXPECT_EQ(listener_.GetDroppedCount(), 0u) << listener_.DescribeDropped();
    // Released texts end the pause, and B and C are read whole.
    {
        std::lock_guard lock(mutex);
        held.clear();
    }
    ::shutdown(clients_[1], SHUT_WR);
    ::shutdown(clients_[2], SHUT_WR);
    ASSERT_TRUE(arrivals_.WaitFor(kHeld + 3));
    const std::vector<Arrival> arrived = arrivals_.Get();
    EXPECT_EQ(arrived[kHeld].text, "aa");
    EXPECT_EQ(arrived[kHeld + 1].text, part);
    EXPECT_EQ(arrived[kHeld + 2].text, part);
    EXPECT_EQ(listener_.GetDroppedCount(), 0u) << listener_.DescribeDropped();
}

TEST_F(ListenerTest, TextsWaitingUnreadOutliveTheirReadTimeOut) {
    constexpr std::uint32_t kTimeOutMs = 600;
    // More than one readiness wait of the listener returns, so that some
    // wait unread past their time-out while it reads the others.
    constexpr std::size_t kWaiting = 80;
    // One more peer whose text still comes after the wait; the wait is no
    // time of its own.
    constexpr int kTrickles = 24;
    const std::string trickle(100, 't');
    std::mutex mutex;
    std::condition_variable changed;
    bool holding = false;
    bool written = false;
    ASSERT_EQ(listener_.Start(
                  "127.0.0.1", 0,
                  [&](std::string&& text, std::uint32_t peer) {
                      if (text == "first") {
                          // The host is slow: the listener's thread is held
                          // until every waiting connection's time is up, and
                          // its sparing for bytes still arriving too.
                          const auto until =
                              std::chrono::steady_clock::now() +
                              std::chrono::milliseconds(
                                  TcpTextListener::kMaxSparedTimeOuts * kTimeOutMs + 200);
                          std::unique_lock lock(mutex);
                          holding = true;
                          changed.notify_all();
                          changed.wait_for(lock, std::chrono::milliseconds(kWaitMs),
                                           [&] { return written; });
                          changed.wait_until(lock, until, [] { return false; });
                      }
                      arrivals_.Put({std::move(text), peer, listener_.GetDroppedCount(), 0, {}});
                  },
                  TcpTextListener::kDefaultMaxBytes, kTimeOutMs),
              KV_OK);
    for (std::size_t i = 0; i <= kWaiting; ++i)
        clients_.push_back(ConnectTo(listener_.GetPort()));
    ASSERT_TRUE(WaitAccepted(kWaiting + 1));
    ASSERT_EQ(SendText("127.0.0.1", listener_.GetPort(), "first", kWaitMs), KV_OK);
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(
            changed.wait_for(lock, std::chrono::milliseconds(kWaitMs), [&] { return holding; }));
    }
    for (std::size_t i = 0; i < kWaiting; ++i) {
        const std::string text = std::to_string(i);
        ASSERT_EQ(::send(clients_[i], text.data(), text.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(text.size()));
        ::shutdown(clients_[i], SHUT_WR);
    }
    const int trickler = clients_[kWaiting];
    ASSERT_EQ(::send(trickler, trickle.data(), trickle.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(trickle.size()));
    {
        std::lock_guard lock(mutex);
        written = true;
        changed.notify_all();
    }
    ASSERT_TRUE(arrivals_.WaitFor(kWaiting + 1));
    // Read now, its peer goes on for two time-outs, never quiet.
    for (int i = 0; i < kTrickles; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kTimeOutMs / 12));
        ::send(trickler, trickle.data(), trickle.size(), MSG_NOSIGNAL);
    }
    ::shutdown(trickler, SHUT_WR);
    ASSERT_TRUE(WaitUntil([&] {
        return arrivals_.Get().size() == kWaiting + 2 || listener_.GetDroppedCount() > 0;
    }));
    std::set<std::string> texts;
    for (const Arrival& arrival : arrivals_.Get())
        texts.insert(arrival.text);
    EXPECT_EQ(texts.size(), kWaiting + 2);
    std::string trickled;
    for (int i = 0; i <= kTrickles; ++i)
        trickled += trickle;
    EXPECT_EQ(texts.count(trickled), 1u);
    EXPECT_EQ(listener_.GetDroppedCount(), 0u) << listener_.DescribeDropped();
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
