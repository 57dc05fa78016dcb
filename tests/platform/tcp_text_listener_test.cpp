// The listener's readiness loop: silent connections hold back no text, its
// limits close the oldest connection, and its connection cap leaves room in
// the descriptor limit.
#include "platform/tcp_transport.h"

#include "platform/tcp_test_support.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
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

TEST_F(ListenerTest, BeyondTheConnectionLimitTheOldestIsClosed) {
    Start(kNoTimeOutMs);
    for (std::size_t i = 0; i < TcpTextListener::kMaxConnections; ++i) {
        clients_.push_back(ConnectTo(listener_.GetPort()));
        ASSERT_GE(clients_.back(), 0);
    }
    ASSERT_TRUE(WaitAccepted(TcpTextListener::kMaxConnections));
    EXPECT_EQ(listener_.GetOpenCount(), TcpTextListener::kMaxConnections);
    clients_.push_back(ConnectTo(listener_.GetPort()));
    EXPECT_TRUE(ClosedByListener(clients_[0]));
    EXPECT_FALSE(ClosedByListener(clients_[1], 0));
    ASSERT_TRUE(WaitAccepted(TcpTextListener::kMaxConnections + 1));
    EXPECT_EQ(listener_.GetOpenCount(), TcpTextListener::kMaxConnections);
    EXPECT_EQ(listener_.GetDroppedCount(), 1u);
    // The newest still brings its text.
    ASSERT_EQ(::send(clients_.back(), "late", 4, MSG_NOSIGNAL), 4);
    ::close(clients_.back());
    clients_.pop_back();
    ASSERT_TRUE(arrivals_.WaitFor(1));
    EXPECT_EQ(arrivals_.Get()[0].text, "late");
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
    constexpr int kClients = 500;
    constexpr rlim_t kSoft = 512;
    // The clients' sockets are made first, above the lowered limit, so that
    // only the listener's accepted descriptors come out of it.
    ScopedSoftLimit wide(2048);
    ASSERT_TRUE(wide.ok());
    for (int i = 0; i < kClients; ++i) {
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
        EXPECT_EQ(listener_.GetMaxConnections(), kSoft - TcpTextListener::kSpareDescriptors);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(listener_.GetPort());
        for (int fd : clients_)
            ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_TRUE(WaitAccepted(kClients));
        // The oldest made way; no accept ran out of descriptors.
        EXPECT_EQ(listener_.GetAcceptFailureCount(), 0u);
        EXPECT_EQ(listener_.GetOpenCount(), listener_.GetMaxConnections());
        EXPECT_TRUE(ClosedByListener(clients_[0]));
        ASSERT_EQ(::send(clients_.back(), "last", 4, MSG_NOSIGNAL), 4);
        ::shutdown(clients_.back(), SHUT_WR);
        ASSERT_TRUE(arrivals_.WaitFor(1));
        EXPECT_EQ(arrivals_.Get()[0].text, "last");
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
