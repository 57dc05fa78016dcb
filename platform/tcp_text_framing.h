#pragma once
// The framing of the text listener, apart from its sockets: one text per
// connection, ended by the end of the stream, under the listener's limits.
// The caller reports what each connection does and the time it happened
// (milliseconds on any monotonic scale); the framing says how much may be
// read, hands on finished texts and names the connections to close.
//
// The bytes held (texts being read plus texts handed on and not yet
// released) stay within max_held_bytes. When a connection has bytes to give
// and the bound is reached, the connections whose time is up soonest are
// closed if nothing waits to be released; otherwise reading pauses until
// texts are released, and the read time-outs stand still meanwhile.
//
// A connection is judged over time, never by one look: its peer is quiet
// once none of its bytes has arrived for quiet_ms. The read time-out spares
// a connection that is not quiet (up to max_read_ms in all) or whose bytes
// wait unread, and only a quiet started connection makes way for a new text.
//
// Threads: one thread drives a framing; a handed-on text may be released on
// any thread.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>

// The bytes the framing holds, shared with the texts it handed on.
struct TcpTextBudget {
    TcpTextBudget() = default;
    ~TcpTextBudget();
    TcpTextBudget(const TcpTextBudget&) = delete;
    TcpTextBudget& operator=(const TcpTextBudget&) = delete;

    std::atomic<std::size_t> held{0};
    // Set while reading waits for room: a release then signals wake_fd.
    std::atomic<bool> starved{false};
    // An eventfd owned by the budget, or -1.
    int wake_fd = -1;
};

// A handed-on text's claim on the bound; the bytes count until it is
// released or destroyed.
class TcpTextLease {
public:
    TcpTextLease() = default;
    TcpTextLease(std::shared_ptr<TcpTextBudget> budget, std::size_t bytes)
        : budget_(std::move(budget)), bytes_(bytes) {}
    ~TcpTextLease() { Release(); }
    TcpTextLease(TcpTextLease&& other) noexcept
        : budget_(std::move(other.budget_)), bytes_(other.bytes_) {
        other.bytes_ = 0;
    }
    TcpTextLease& operator=(TcpTextLease&& other) noexcept;
    TcpTextLease(const TcpTextLease&) = delete;
    TcpTextLease& operator=(const TcpTextLease&) = delete;

    void Release();

private:
    std::shared_ptr<TcpTextBudget> budget_;
    std::size_t bytes_ = 0;
};

// Why a connection's text was lost; kNone when it was not.
enum class TcpTextDrop : std::uint8_t {
    kNone,
    kReadTimeOut,
    kSizeCap,
    kByteBound,
    kEviction,
    // The connection failed (a reset or a read error).
    kFailed,
    // The framing's own connection cap; the listener stops accepting first.
    kConnectionCap,
};
inline constexpr std::size_t kTcpTextDropCauses =
    static_cast<std::size_t>(TcpTextDrop::kConnectionCap) + 1;
// "read time-out", "size cap", ...; the words a log uses.
const char* TcpTextDropName(TcpTextDrop cause);

struct ReceivedTcpText {
    std::string text;
    // IPv4, host byte order.
    std::uint32_t peer_address = 0;
    TcpTextLease lease;
};

class TcpTextFraming {
public:
    struct Limits {
        std::size_t max_bytes = 0;
        std::uint32_t read_timeout_ms = 0;
        std::size_t max_connections = 0;
        std::size_t max_held_bytes = 0;
        // 0: only unread bytes spare a connection, and none is ever quiet
        // enough to make way.
        std::uint32_t quiet_ms = 0;
        // The longest a connection is spared for bytes still arriving.
        std::uint32_t max_read_ms = 0;
    };
    using Deliver = std::function<void(ReceivedTcpText&& text)>;
    // Called as a connection leaves the framing, before its text (if any) is
    // delivered; the cause is kNone unless its text is lost.
    using Close = std::function<void(int id, TcpTextDrop cause)>;

    TcpTextFraming(const Limits& limits, std::shared_ptr<TcpTextBudget> budget, Deliver deliver,
                   Close close);
    ~TcpTextFraming();
    TcpTextFraming(const TcpTextFraming&) = delete;
    TcpTextFraming& operator=(const TcpTextFraming&) = delete;

    // A new connection (id unique among the open ones); the one whose time
    // is up soonest (the oldest, unless one was spared) is closed first when
    // max_connections are open.
    void Open(int id, std::uint32_t peer_address, std::int64_t now_ms);
    bool IsOpen(int id) const { return by_id_.count(id) != 0; }
    // How many bytes the connection may give now: up to one past its text's
    // cap, 0 when the bound is reached (see MakeRoom).
    std::size_t Room(int id) const;
    // The bytes read at now_ms; a text that passes max_bytes is dropped with
    // its connection. Reading beyond Room passes the bound and is refused
    // alike.
    void Append(int id, const char* bytes, std::size_t count, std::int64_t now_ms);
    // The peer ended the stream: its text is handed on.
    void End(int id);
    // The connection failed: its text is dropped.
    void Fail(int id);
    // The connection has bytes to give and no room: closes the connections
    // holding bytes, the oldest (the soonest due) first, while nothing waits
    // for release. False when
    // reading must pause (texts wait) or the connection itself was closed.
    bool MakeRoom(int id, std::int64_t now_ms);
    // A connection has started once it gave bytes. A new text starts only
    // while every started one, and it, could still grow to max_bytes within
    // the bound beside the texts handed on, so that texts under way are
    // finished rather than closed for room. Startable: how many more may
    // start now.
    bool IsStarted(int id) const;
    std::size_t Startable() const;
    // Counts the connection as started before its first bytes, so that
    // several read in one pass do not pass the bound together. Its sparing
    // for bytes still arriving (max_read_ms) counts from now_ms: till then
    // its bytes may have waited unread, which was no time of its peer's.
    void Start(int id, std::int64_t now_ms);
    // Pauses when nothing can be read until texts are released: none has
    // started and handed-on texts leave no room for one. True when it paused.
    bool PauseUntilStartable(std::int64_t now_ms);
    // Closes the started connection quiet the longest at now_ms whose bytes
    // do not wait unread, so that a new text may start. False when none is
    // quiet.
    using Behind = std::function<bool(int id)>;
    bool EvictQuiet(std::int64_t now_ms, const Behind& behind = {});
    // When the first started connection turns quiet; false when none has
    // started or quiet_ms is 0.
    bool NextQuiet(std::int64_t& when_ms) const;
    // Whether a pause may end: the bound is no longer reached. Resume moves
    // every deadline on by the time paused.
    bool IsPaused() const { return paused_; }
    bool HasRoom() const;
    void Resume(std::int64_t now_ms);
    // Closes every connection, none counted as dropped.
    void CloseAll();
    // Drops the connections whose time is up; nothing while paused. A
    // connection not quiet (within max_read_ms of its open), or for which
    // behind(id) says its peer's bytes wait unread (the reader, not the
    // peer, was slow), gets the whole time-out again.
    void Expire(std::int64_t now_ms, const Behind& behind = {});
    // The earliest deadline; false when no connection is open or paused.
    bool NextDeadline(std::int64_t& when_ms) const;

    std::size_t GetOpenCount() const { return connections_.size(); }
    std::size_t GetReadingBytes() const { return reading_; }
    std::size_t GetHeldBytes() const { return budget_->held.load(); }
    const Limits& GetLimits() const { return limits_; }

private:
    struct Connection {
        int id = -1;
        std::uint32_t peer_address = 0;
        std::int64_t deadline_ms = 0;
        // When its bytes last arrived (its open before any), and the end of
        // its sparing for bytes still arriving.
        std::int64_t heard_ms = 0;
        std::int64_t last_chance_ms = 0;
        std::string text;
        bool started = false;
    };
    using Iterator = std::list<Connection>::iterator;

    void Remove(Iterator at, TcpTextDrop cause);
    bool IsQuiet(const Connection& connection, std::int64_t now_ms) const;

    Limits limits_;
    std::shared_ptr<TcpTextBudget> budget_;
    Deliver deliver_;
    Close close_;
    // In deadline order: every connection has the same time-out, and one
    // spared goes to the back with its new deadline.
    std::list<Connection> connections_;
    std::unordered_map<int, Iterator> by_id_;
    std::size_t reading_ = 0;
    std::size_t started_ = 0;
    bool paused_ = false;
    std::int64_t paused_since_ms_ = 0;
};
