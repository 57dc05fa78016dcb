#pragma once
// The receiving side of the one-text-per-connection transport (see
// tcp_transport.h): one readiness loop (epoll) on its own thread gathers each
// connection's bytes as they come and hands them on, with the peer's address,
// when the peer ends the stream. A connection beyond a limit of
// TcpTextFraming is closed and its text dropped (a text above the size cap or
// not ended within the read time-out). At the connection cap no connection is
// closed: the listener accepts none until connections end, and the waiting
// ones stay in the kernel's backlog, already connected for their senders.
// Each accepted connection holds a descriptor of the DescriptorBudget it
// shares with the host's sends; when the budget has none, accepting pauses
// for kAcceptPauseMs. The bytes held, texts being read and texts handed on
// with a lease, stay within kMaxBufferedBytes: a connection starts its text
// only while every text under way could still reach the size cap within it
// (others wait unread, their time standing still), and while the leased
// texts fill it, reading and accepting pause. An accept that fails for want of
// descriptors or memory pauses accepting for kAcceptPauseMs. Socket time-outs
// are real time.
//
// A connection is judged idle only over time: its peer is quiet once none of
// its bytes has arrived for kQuietMs (or half the read time-out, if less).
// The read time-out spares a connection that is not quiet, for at most
// kMaxSparedTimeOuts time-outs in all, or whose bytes wait unread; when no new
// text may start, the started connection quiet the longest makes way for it.
// Bytes on their way (in the sender's queue, or a round trip away) are not
// seen by one look at the socket, so nothing is closed on one look alone.

#include "platform/descriptor_budget.h"
#include "platform/result_codes.h"
#include "platform/tcp_text_framing.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class TcpTextListener {
public:
    // peer_address: IPv4, host byte order. The text's bytes stop counting
    // when the handler returns.
    using TextHandler = std::function<void(std::string&& text, std::uint32_t peer_address)>;
    // The text's bytes count until its lease is released or destroyed.
    using HeldTextHandler = std::function<void(ReceivedTcpText&& text)>;

    static constexpr std::size_t kDefaultMaxBytes = 256 * 1024;
    static constexpr std::uint32_t kDefaultReadTimeoutMs = 2000;
    static constexpr std::size_t kMaxConnections = 1024;
    // Descriptors kept free beside the connections, out of the soft limit.
    static constexpr std::size_t kSpareDescriptors = DescriptorBudget::kSpareDescriptors;
    static constexpr std::size_t kMaxBufferedBytes = 32 * 1024 * 1024;
    static constexpr std::uint32_t kAcceptPauseMs = 100;
    static constexpr std::uint32_t kQuietMs = 1000;
    static constexpr std::uint32_t kMaxSparedTimeOuts = 5;

    TcpTextListener() = default;
    ~TcpTextListener() { Stop(); }
    TcpTextListener(const TcpTextListener&) = delete;
    TcpTextListener& operator=(const TcpTextListener&) = delete;

    // Binds address:port (a dotted address; 0: any free port) and starts the
    // thread, which calls handler for every text read; max_bytes is held to
    // kMaxBufferedBytes at most. KV_E_SOCKET_CREATE
    // when the socket cannot be made, bound or listened on; KV_E_FAIL when
    // already started or the address is not dotted.
    KvResult Start(const std::string& address, std::uint16_t port, TextHandler handler,
                   std::size_t max_bytes = kDefaultMaxBytes,
                   std::uint32_t read_timeout_ms = kDefaultReadTimeoutMs);
    KvResult StartHolding(const std::string& address, std::uint16_t port, HeldTextHandler handler,
                          std::size_t max_bytes = kDefaultMaxBytes,
                          std::uint32_t read_timeout_ms = kDefaultReadTimeoutMs);
    // Ends the thread and closes every socket; the handler is not called
    // again. Leased texts keep their leases.
    void Stop();
    bool IsRunning() const { return listen_fd_ >= 0; }
    // The bound port; 0 when not started.
    std::uint16_t GetPort() const { return port_; }
    // Texts dropped for size, time or a limit, in all and by cause.
    std::uint32_t GetDroppedCount() const { return dropped_.load(); }
    std::uint32_t GetDroppedCount(TcpTextDrop cause) const {
        return dropped_by_cause_[static_cast<std::size_t>(cause)].load();
    }
    // The causes with texts dropped, for a log: "read time-out 2, size cap 1";
    // empty when none was.
    std::string DescribeDropped() const;
    // Connections accepted so far, and those open now.
    std::uint64_t GetAcceptedCount() const { return accepted_.load(); }
    std::size_t GetOpenCount() const { return open_.load(); }
    // Accepts that failed other than for want of a waiting connection.
    std::uint32_t GetAcceptFailureCount() const { return accept_failures_.load(); }
    // The connection cap of this start: kMaxConnections, or fewer when the
    // descriptor budget (the soft limit less kSpareDescriptors) is lower.
    std::size_t GetMaxConnections() const { return max_connections_; }
    // The bytes held now and the most held at once since the start.
    std::size_t GetHeldBytes() const { return budget_ ? budget_->held.load() : 0; }
    std::size_t GetPeakHeldBytes() const { return peak_held_.load(); }
    // Times reading paused for leased texts.
    std::uint32_t GetPauseCount() const { return pauses_.load(); }

private:
    KvResult Bind(const std::string& address, std::uint16_t port);
    void Run();

    int listen_fd_ = -1;
    int epoll_fd_ = -1;
    int wake_pipe_[2] = {-1, -1};
    std::uint16_t port_ = 0;
    std::size_t max_bytes_ = kDefaultMaxBytes;
    std::uint32_t read_timeout_ms_ = kDefaultReadTimeoutMs;
    std::size_t max_connections_ = kMaxConnections;
    HeldTextHandler handler_;
    std::shared_ptr<TcpTextBudget> budget_;
    std::thread thread_;
    std::atomic<std::uint32_t> dropped_{0};
    std::atomic<std::uint32_t> dropped_by_cause_[kTcpTextDropCauses] = {};
    std::atomic<std::uint64_t> accepted_{0};
    std::atomic<std::size_t> open_{0};
    std::atomic<std::uint32_t> accept_failures_{0};
    std::atomic<std::size_t> peak_held_{0};
    std::atomic<std::uint32_t> pauses_{0};
};

// Raises the process's soft descriptor limit to its hard limit, but not above
// most (a higher soft limit stays). The soft limit afterwards.
std::uint64_t RaiseSoftDescriptorLimit(std::uint64_t most);
