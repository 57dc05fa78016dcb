#include "platform/tcp_transport.h"

#include "platform/name_resolver.h"
#include "platform/tcp_test_support.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

class Inbox {
public:
    void Put(std::string&& text) {
        std::lock_guard lock(mutex_);
        texts_.push_back(std::move(text));
        changed_.notify_all();
    }
    bool WaitFor(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10),
                                 [&] { return texts_.size() >= count; });
    }
    std::vector<std::string> Texts() {
        std::lock_guard lock(mutex_);
        return texts_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> texts_;
};

// A bound socket that is listening or not, never accepting.
int OpenSocket(bool listening, int backlog, std::uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    port = ntohs(address.sin_port);
    if (listening)
        ::listen(fd, backlog);
    return fd;
}

TEST(TcpTransport, TheListenerGetsTheExactBytesOfEachConnection) {
    Inbox inbox;
    TcpTextListener listener;
    ASSERT_EQ(
        listener.Start("127.0.0.1", 0,
                       [&](std::string&& text, std::uint32_t) { inbox.Put(std::move(text)); }),
        KV_OK);
    ASSERT_NE(listener.GetPort(), 0);
    const std::string binary("a\0<b>\xFC\r\n", 9);
    const std::string large(200000, 'x');
    EXPECT_EQ(SendText("127.0.0.1", listener.GetPort(), binary, 2000), KV_OK);
    EXPECT_EQ(SendText("127.0.0.1", listener.GetPort(), large, 2000), KV_OK);
    ASSERT_TRUE(inbox.WaitFor(2));
    EXPECT_EQ(inbox.Texts()[0], binary);
    EXPECT_EQ(inbox.Texts()[1], large);
    EXPECT_EQ(listener.Start("127.0.0.1", 0, nullptr), KV_E_FAIL);
    listener.Stop();
    EXPECT_FALSE(listener.IsRunning());
}

TEST(TcpTransport, TheListenerDropsTextsAboveItsCap) {
    Inbox inbox;
    TcpTextListener listener;
    ASSERT_EQ(listener.Start(
                  "127.0.0.1", 0,
                  [&](std::string&& text, std::uint32_t) { inbox.Put(std::move(text)); }, 16),
              KV_OK);
    EXPECT_EQ(SendText("127.0.0.1", listener.GetPort(), std::string(17, 'x'), 2000), KV_OK);
    EXPECT_EQ(SendText("127.0.0.1", listener.GetPort(), std::string(16, 'y'), 2000), KV_OK);
    ASSERT_TRUE(inbox.WaitFor(1));
    EXPECT_EQ(inbox.Texts()[0], std::string(16, 'y'));
    EXPECT_EQ(listener.GetDroppedCount(), 1u);
}

TEST(TcpTransport, ASendThatFailsResetsItsConnectionAndTheListenerKeepsNoPartOfItsText) {
    // The listener's thread is held on a first text while a long one times
    // out in mid-write; a short one is written whole behind it.
    std::mutex mutex;
    std::condition_variable changed;
    bool holding = false;
    bool released = false;
    Inbox inbox;
    TcpTextListener listener;
    ASSERT_EQ(listener.Start(
                  "127.0.0.1", 0,
                  [&](std::string&& text, std::uint32_t) {
                      if (text == "<Hold/>") {
                          std::unique_lock lock(mutex);
                          holding = true;
                          changed.notify_all();
                          changed.wait_for(lock, std::chrono::seconds(10), [&] { return released; });
                      }
                      inbox.Put(std::move(text));
                  },
                  16 << 20),
              KV_OK);
    ASSERT_EQ(SendText("127.0.0.1", listener.GetPort(), "<Hold/>", 2000), KV_OK);
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return holding; }));
    }
    bool timed_out = false;
    EXPECT_EQ(SendText("127.0.0.1", listener.GetPort(), std::string(8 << 20, 'x'), 300, &timed_out),
              KV_E_SOCKET_SEND);
    EXPECT_TRUE(timed_out);
    ASSERT_EQ(SendText("127.0.0.1", listener.GetPort(), "<After/>", 2000), KV_OK);
    {
        std::lock_guard lock(mutex);
        released = true;
        changed.notify_all();
    }
    // What the listener got of the long text ends in a failed connection.
    ASSERT_TRUE(inbox.WaitFor(2));
    EXPECT_TRUE(WaitUntil([&] { return listener.GetDroppedCount(TcpTextDrop::kFailed) != 0; }));
    EXPECT_EQ(listener.GetDroppedCount(TcpTextDrop::kFailed), 1u);
    EXPECT_EQ(listener.GetDroppedCount(), 1u);
    const std::vector<std::string> texts = inbox.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "<Hold/>");
    EXPECT_EQ(texts[1].size(), 8u);
    EXPECT_TRUE(texts[1] == "<After/>");
    listener.Stop();
}

TEST(TcpTransport, BadArgumentsFailBeforeAnySocket) {
    EXPECT_EQ(SendText("", 4000, "x", 100), KV_E_FAIL);
    EXPECT_EQ(SendText("127.0.0.1", 65536, "x", 100), KV_E_FAIL);
    TcpTextListener listener;
    EXPECT_EQ(listener.Start("localhost", 0, nullptr), KV_E_FAIL);
}

TEST(TcpTransport, AClosedPortFailsToConnect) {
    std::uint16_t port = 0;
    const int fd = OpenSocket(false, 0, port);
    bool timed_out = true;
    EXPECT_EQ(SendText("127.0.0.1", port, "x", 2000, &timed_out), KV_E_SOCKET_CONNECT);
    EXPECT_FALSE(timed_out);
    ::close(fd);
}

TEST(TcpTransport, AFullAcceptQueueTimesOutAsAFailedConnect) {
    std::uint16_t port = 0;
    const int fd = OpenSocket(true, 0, port);
    // The queue takes a connection or two; a later one is never answered.
    KvResult result = KV_OK;
    bool timed_out = false;
    for (int attempt = 0; attempt < 8 && result == KV_OK; ++attempt)
        result = SendText("127.0.0.1", port, "x", 300, &timed_out);
    EXPECT_EQ(result, KV_E_SOCKET_CONNECT);
    EXPECT_TRUE(timed_out);
    ::close(fd);
}

class OneNameResolver final : public NameResolver {
public:
    bool LookupName(std::uint32_t, std::string&) override { return false; }
    bool LookupAddress(const std::string& name, std::uint32_t& address) override {
        address = 0x7F000001;
        return name == "server.test";
    }
};

TEST(TcpTransport, NamesGoThroughTheResolver) {
    ScopedNameResolver scoped(std::make_shared<OneNameResolver>());
    Inbox inbox;
    TcpTextListener listener;
    ASSERT_EQ(
        listener.Start("127.0.0.1", 0,
                       [&](std::string&& text, std::uint32_t) { inbox.Put(std::move(text)); }),
        KV_OK);
    EXPECT_EQ(SendText("server.test", listener.GetPort(), "hello", 2000), KV_OK);
    EXPECT_EQ(SendText("unknown.test", listener.GetPort(), "hello", 2000), KV_E_SOCKET_CONNECT);
    ASSERT_TRUE(inbox.WaitFor(1));
    EXPECT_EQ(inbox.Texts()[0], "hello");
}

TEST(TcpTransport, OneDeadlineBoundsTheLookUpAndTheConnect) {
    ScopedNameResolver scoped(std::make_shared<SlowResolver>(0x7F000001u));
    std::uint16_t port = 0;
    const int fd = OpenSocket(true, 0, port);
    // Fill the queue, then a slow look-up before a connect never answered.
    KvResult result = KV_OK;
    for (int attempt = 0; attempt < 8 && result == KV_OK; ++attempt)
        result = SendText("127.0.0.1", port, "x", 300);
    ASSERT_EQ(result, KV_E_SOCKET_CONNECT);
    bool timed_out = false;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SendText("slow.test", port, "x", 2000, &timed_out), KV_E_SOCKET_CONNECT);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2250));
    EXPECT_TRUE(timed_out);
    ::close(fd);
}

} // namespace
