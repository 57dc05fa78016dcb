#pragma once
// The listener tests' fixture: a listener on a free loopback port, the texts
// it hands on, and the clients' sockets, shared by the plain and the
// concurrency tests.
#include "platform/tcp_text_listener.h"
#include "platform/tcp_transport.h"
#include "platform/tcp_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace listener_test {

constexpr std::uint32_t kNoTimeOutMs = 600000;
constexpr int kWaitMs = 20000;

struct Arrival {
    std::string text;
    std::uint32_t peer_address = 0;
    std::uint32_t dropped_before = 0;
    std::uint32_t timed_out_before = 0;
    std::chrono::steady_clock::time_point at;
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
inline bool ClosedByListener(int fd, int wait_ms = kWaitMs) {
    pollfd entry{fd, POLLIN, 0};
    if (::poll(&entry, 1, wait_ms) != 1)
        return false;
    char byte = 0;
    return ::recv(fd, &byte, 1, MSG_DONTWAIT) <= 0;
}

inline void CloseAll(std::vector<int>& fds) {
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
            arrivals_.Put({std::move(text), peer, listener_.GetDroppedCount(),
                           listener_.GetDroppedCount(TcpTextDrop::kReadTimeOut),
                           std::chrono::steady_clock::now()});
        };
    }
    // Waits until the listener has accepted count connections in all.
    bool WaitAccepted(std::uint64_t count) {
        return WaitUntil([&] { return listener_.GetAcceptedCount() >= count; });
    }
    ~ListenerTest() override {
        listener_.Stop();
        CloseAll(clients_);
    }

    Arrivals arrivals_;
    TcpTextListener listener_;
    std::vector<int> clients_;
};

} // namespace listener_test
