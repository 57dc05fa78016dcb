#include "platform/tcp_text_framing.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <unistd.h>

TcpTextBudget::~TcpTextBudget() {
    if (wake_fd >= 0)
        ::close(wake_fd);
}

TcpTextLease& TcpTextLease::operator=(TcpTextLease&& other) noexcept {
    if (this != &other) {
        Release();
        budget_ = std::move(other.budget_);
        bytes_ = other.bytes_;
        other.bytes_ = 0;
    }
    return *this;
}

void TcpTextLease::Release() {
    if (!budget_)
        return;
    budget_->held.fetch_sub(bytes_);
    // After the bytes are given back: a reader that saw no room either sees
    // them now or has set the flag before looking.
    if (budget_->starved.load() && budget_->wake_fd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(budget_->wake_fd, &one, sizeof one);
    }
    budget_.reset();
    bytes_ = 0;
}

namespace {

// In the order of TcpTextDrop.
constexpr const char* kTcpTextDropNames[] = {
    "not dropped",
    "read time-out",
    "size cap",
    "byte bound",
    "made way for a new text",
    "connection failed",
    "connection cap",
};
static_assert(std::size(kTcpTextDropNames) == kTcpTextDropCauses);

} // namespace

const char* TcpTextDropName(TcpTextDrop cause) {
    const auto index = static_cast<std::size_t>(cause);
    return index < kTcpTextDropCauses ? kTcpTextDropNames[index] : "unknown";
}

TcpTextFraming::TcpTextFraming(const Limits& limits, std::shared_ptr<TcpTextBudget> budget,
                               Deliver deliver, Close close)
    : limits_(limits), budget_(std::move(budget)), deliver_(std::move(deliver)),
      close_(std::move(close)) {}

TcpTextFraming::~TcpTextFraming() {
    budget_->held.fetch_sub(reading_);
}

void TcpTextFraming::Open(int id, std::uint32_t peer_address, std::int64_t now_ms) {
    while (!connections_.empty() && connections_.size() >= limits_.max_connections)
        Remove(connections_.begin(), TcpTextDrop::kConnectionCap);
    Connection connection;
    connection.id = id;
    connection.peer_address = peer_address;
    // A connection opened during a pause starts its time when reading resumes.
    const std::int64_t start_ms = paused_ ? paused_since_ms_ : now_ms;
    connection.deadline_ms = start_ms + limits_.read_timeout_ms;
    connection.heard_ms = start_ms;
    connection.last_chance_ms = start_ms + limits_.max_read_ms;
    connections_.push_back(std::move(connection));
    by_id_[id] = std::prev(connections_.end());
}

std::size_t TcpTextFraming::Room(int id) const {
    const auto found = by_id_.find(id);
    if (found == by_id_.end())
        return 0;
    const std::size_t text = found->second->text.size();
    // A text at its cap can only end or pass it: neither byte is held, so
    // the bound does not keep its end from being read.
    if (text >= limits_.max_bytes)
        return 1;
    const std::size_t held = budget_->held.load();
    if (held >= limits_.max_held_bytes)
        return 0;
    const std::size_t cap = text <= limits_.max_bytes ? limits_.max_bytes - text + 1 : 1;
    return std::min(cap, limits_.max_held_bytes - held);
}

void TcpTextFraming::Append(int id, const char* bytes, std::size_t count, std::int64_t now_ms) {
    const auto found = by_id_.find(id);
    if (found == by_id_.end())
        return;
    Connection& connection = *found->second;
    if (connection.text.size() + count > limits_.max_bytes) {
        Remove(found->second, TcpTextDrop::kSizeCap);
        return;
    }
    if (budget_->held.load() + count > limits_.max_held_bytes) {
        Remove(found->second, TcpTextDrop::kByteBound);
        return;
    }
    if (count > 0)
        connection.heard_ms = std::max(connection.heard_ms, now_ms);
    if (!connection.started && count > 0) {
        connection.started = true;
        ++started_;
    }
    connection.text.append(bytes, count);
    reading_ += count;
    budget_->held.fetch_add(count);
}

void TcpTextFraming::End(int id) {
    const auto found = by_id_.find(id);
    if (found == by_id_.end())
        return;
    ReceivedTcpText received;
    received.text = std::move(found->second->text);
    received.peer_address = found->second->peer_address;
    // The bytes stay held, now by the text's lease.
    reading_ -= received.text.size();
    if (found->second->started)
        --started_;
    found->second->started = false;
    received.lease = TcpTextLease(budget_, received.text.size());
    found->second->text.clear();
    Remove(found->second, TcpTextDrop::kNone);
    deliver_(std::move(received));
}

void TcpTextFraming::Fail(int id) {
    if (const auto found = by_id_.find(id); found != by_id_.end())
        Remove(found->second, TcpTextDrop::kFailed);
}

bool TcpTextFraming::MakeRoom(int id, std::int64_t now_ms) {
    while (IsOpen(id) && budget_->held.load() >= limits_.max_held_bytes) {
        // Texts handed on will be released: wait for them rather than lose a
        // text being read.
        if (budget_->held.load() > reading_) {
            if (!paused_) {
                paused_ = true;
                paused_since_ms_ = now_ms;
            }
            return false;
        }
        // Closing a connection that holds nothing would make no room.
        const auto holding = std::find_if(connections_.begin(), connections_.end(),
                                          [](const Connection& c) { return !c.text.empty(); });
        if (holding == connections_.end())
            return IsOpen(id);
        Remove(holding, TcpTextDrop::kByteBound);
    }
    return IsOpen(id);
}

bool TcpTextFraming::IsStarted(int id) const {
    const auto found = by_id_.find(id);
    return found != by_id_.end() && found->second->started;
}

void TcpTextFraming::Start(int id, std::int64_t now_ms) {
    const auto found = by_id_.find(id);
    if (found == by_id_.end() || found->second->started)
        return;
    found->second->started = true;
    ++started_;
    // Until now its bytes may have waited for room or for the reader: the
    // host's delay, not the peer's, so its sparing counts from here.
    found->second->last_chance_ms =
        std::max(found->second->last_chance_ms, now_ms + limits_.max_read_ms);
}

std::size_t TcpTextFraming::Startable() const {
    const std::size_t handed = budget_->held.load() - reading_;
    if (handed >= limits_.max_held_bytes || limits_.max_bytes == 0)
        return 0;
    const std::size_t fit = (limits_.max_held_bytes - handed) / limits_.max_bytes;
    return fit > started_ ? fit - started_ : 0;
}

bool TcpTextFraming::IsQuiet(const Connection& connection, std::int64_t now_ms) const {
    return limits_.quiet_ms > 0 && now_ms - connection.heard_ms >= limits_.quiet_ms;
}

bool TcpTextFraming::EvictQuiet(std::int64_t now_ms, const Behind& behind) {
    if (paused_)
        return false;
    // The list is in deadline order, which sparing changes: the oldest is
    // the one that has waited longest for its peer.
    Iterator oldest = connections_.end();
    for (auto it = connections_.begin(); it != connections_.end(); ++it) {
        if (!it->started || !IsQuiet(*it, now_ms) || (behind && behind(it->id)))
            continue;
        if (oldest == connections_.end() || it->heard_ms < oldest->heard_ms)
            oldest = it;
    }
    if (oldest == connections_.end())
        return false;
    Remove(oldest, TcpTextDrop::kEviction);
    return true;
}

bool TcpTextFraming::NextQuiet(std::int64_t& when_ms) const {
    if (paused_ || limits_.quiet_ms == 0)
        return false;
    bool any = false;
    for (const Connection& connection : connections_) {
        if (!connection.started)
            continue;
        const std::int64_t quiet_at = connection.heard_ms + limits_.quiet_ms;
        when_ms = any ? std::min(when_ms, quiet_at) : quiet_at;
        any = true;
    }
    return any;
}

bool TcpTextFraming::HasRoom() const {
    return budget_->held.load() < limits_.max_held_bytes && (started_ > 0 || Startable() > 0);
}

bool TcpTextFraming::PauseUntilStartable(std::int64_t now_ms) {
    if (paused_ || started_ > 0 || Startable() > 0 || budget_->held.load() == reading_)
        return false;
    paused_ = true;
    paused_since_ms_ = now_ms;
    return true;
}

void TcpTextFraming::Resume(std::int64_t now_ms) {
    if (!paused_)
        return;
    paused_ = false;
    const std::int64_t paused_for = std::max<std::int64_t>(now_ms - paused_since_ms_, 0);
    for (Connection& connection : connections_) {
        connection.deadline_ms += paused_for;
        connection.heard_ms += paused_for;
        connection.last_chance_ms += paused_for;
    }
}

void TcpTextFraming::Expire(std::int64_t now_ms, const Behind& behind) {
    if (paused_)
        return;
    while (!connections_.empty() && connections_.front().deadline_ms <= now_ms) {
        const Connection& connection = connections_.front();
        const bool arriving = !IsQuiet(connection, now_ms) && now_ms < connection.last_chance_ms &&
                              limits_.quiet_ms > 0;
        if (arriving || (behind && behind(connection.id))) {
            // Every other deadline is at most now plus the time-out: the list
            // stays in deadline order.
            connections_.front().deadline_ms = now_ms + limits_.read_timeout_ms;
            connections_.splice(connections_.end(), connections_, connections_.begin());
            continue;
        }
        Remove(connections_.begin(), TcpTextDrop::kReadTimeOut);
    }
}

void TcpTextFraming::CloseAll() {
    while (!connections_.empty())
        Remove(connections_.begin(), TcpTextDrop::kNone);
}

bool TcpTextFraming::NextDeadline(std::int64_t& when_ms) const {
    if (paused_ || connections_.empty())
        return false;
    when_ms = connections_.front().deadline_ms;
    return true;
}

void TcpTextFraming::Remove(Iterator at, TcpTextDrop cause) {
    const int id = at->id;
    reading_ -= at->text.size();
    if (at->started)
        --started_;
    budget_->held.fetch_sub(at->text.size());
    by_id_.erase(id);
    connections_.erase(at);
    close_(id, cause);
}
