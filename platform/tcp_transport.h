#pragma once
// One text per TCP connection: the sender connects, writes every byte and
// closes; the listener reads each accepted connection to its end and hands
// the bytes on. There is no prefix and no terminator: the end of the stream
// ends the text. Socket time-outs are real time.

#include "platform/result_codes.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

// Connects to host:port (a dotted address, or a name looked up through the
// replaceable resolver), writes the bytes and closes. Connecting and each wait
// to write are bounded by timeout_ms. KV_E_FAIL for an empty host or a port
// above 65535 (no socket is made), KV_E_SOCKET_CREATE, KV_E_SOCKET_CONNECT
// (also for a name that does not resolve or a connect that times out),
// KV_E_SOCKET_SEND when not every byte could be written.
KvResult SendText(const std::string& host, std::uint32_t port, std::string_view bytes,
                  std::uint32_t timeout_ms);

// Serves every connection from one readiness loop (epoll) on its own thread: each
// connection's bytes are gathered as they come and handed on, with the
// peer's address, when the peer ends the stream. A connection beyond a limit
// is closed and its text dropped: a text above the size cap or not ended
// within the read time-out; the oldest connection when a new one would open
// more than kMaxConnections or the bytes held would pass kMaxBufferedBytes.
// An accept that fails for want of descriptors or memory pauses accepting
// for kAcceptPauseMs.
class TcpTextListener {
public:
    // peer_address: IPv4, host byte order.
    using TextHandler = std::function<void(std::string&& text, std::uint32_t peer_address)>;

    static constexpr std::size_t kDefaultMaxBytes = 256 * 1024;
    static constexpr std::uint32_t kDefaultReadTimeoutMs = 2000;
    static constexpr std::size_t kMaxConnections = 1024;
    static constexpr std::size_t kMaxBufferedBytes = 32 * 1024 * 1024;
    static constexpr std::uint32_t kAcceptPauseMs = 100;

    TcpTextListener() = default;
    ~TcpTextListener() { Stop(); }
    TcpTextListener(const TcpTextListener&) = delete;
    TcpTextListener& operator=(const TcpTextListener&) = delete;

    // Binds address:port (a dotted address; 0: any free port) and starts the
    // thread, which calls handler for every text read. KV_E_SOCKET_CREATE
    // when the socket cannot be made, bound or listened on; KV_E_FAIL when
    // already started or the address is not dotted.
    KvResult Start(const std::string& address, std::uint16_t port, TextHandler handler,
                   std::size_t max_bytes = kDefaultMaxBytes,
                   std::uint32_t read_timeout_ms = kDefaultReadTimeoutMs);
    // Ends the thread and closes every socket; the handler is not called
    // again.
    void Stop();
    bool IsRunning() const { return listen_fd_ >= 0; }
    // The bound port; 0 when not started.
    std::uint16_t GetPort() const { return port_; }
    // Texts dropped for size, time or a limit.
    std::uint32_t GetDroppedCount() const { return dropped_.load(); }
    // Connections accepted so far, and those open now.
    std::uint64_t GetAcceptedCount() const { return accepted_.load(); }
    std::size_t GetOpenCount() const { return open_.load(); }
    // Accepts that failed other than for want of a waiting connection.
    std::uint32_t GetAcceptFailureCount() const { return accept_failures_.load(); }

private:
    void Run();

    int listen_fd_ = -1;
    int epoll_fd_ = -1;
    int wake_pipe_[2] = {-1, -1};
    std::uint16_t port_ = 0;
    std::size_t max_bytes_ = kDefaultMaxBytes;
    std::uint32_t read_timeout_ms_ = kDefaultReadTimeoutMs;
    TextHandler handler_;
    std::thread thread_;
    std::atomic<std::uint32_t> dropped_{0};
    std::atomic<std::uint64_t> accepted_{0};
    std::atomic<std::size_t> open_{0};
    std::atomic<std::uint32_t> accept_failures_{0};
};
