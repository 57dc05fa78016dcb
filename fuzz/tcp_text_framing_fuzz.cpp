// FUZZ_LIBRARIES: kv_platform
// The text listener's framing fed as a peer and the host would: connections
// opened, bytes given in chunks within the room the framing offers,
// connections ended or failed, time steps, handed-on texts released. The
// first four bytes choose the limits, one byte each: the text's cap, the read
// time-out, the connection cap and the bound on the bytes held. A model of
// every connection checks each limit: a delivered text is exactly the bytes
// its connection gave, no text passes its cap, no more connections are open
// than the cap, the bytes held never pass the bound and equal what the model
// holds, a connection is closed for time only when its time (not counting
// pauses) is up and its bytes stopped coming or it had its longest, and is
// closed then, only a started connection quiet for long enough makes way for
// a new text, nothing is closed to make room while texts wait, and each close
// names its cause.

#include "platform/tcp_text_framing.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

struct ModelConnection {
    std::uint32_t peer = 0;
    std::string given;
    // Time counted against the connection, pauses left out: since its
    // open, and since its bytes last came (its open before any).
    std::int64_t elapsed_ms = 0;
    std::int64_t quiet_for_ms = 0;
    // The elapsed time at which its time is up.
    std::int64_t due_ms = 0;
};

class Run {
public:
    Run(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {
        limits_.max_bytes = 1 + Next() % 96;
        limits_.read_timeout_ms = 50 + (Next() % 8) * 25;
        limits_.max_connections = 1 + Next() % 6;
        limits_.max_held_bytes = limits_.max_bytes + Next() % 320;
        limits_.quiet_ms = limits_.read_timeout_ms / 2;
        limits_.max_read_ms = 5 * limits_.read_timeout_ms;
        budget_ = std::make_shared<TcpTextBudget>();
        framing_ = std::make_unique<TcpTextFraming>(
            limits_, budget_, [this](ReceivedTcpText&& text) { Delivered(std::move(text)); },
            [this](int id, TcpTextDrop cause) { Closed(id, cause); });
    }

    void Go() {
        while (at_ < size_) {
            switch (Next() % 8) {
            case 0:
            case 1:
                Open();
                break;
            case 2:
            case 3:
                Give(Pick(), Next() % 64);
                break;
            case 4:
                WithOpen([this](int id) {
                    Expect(id, TcpTextDrop::kNone);
                    framing_->End(id);
                });
                break;
            case 5:
                WithOpen([this](int id) {
                    Expect(id, TcpTextDrop::kFailed);
                    framing_->Fail(id);
                });
                break;
            case 6:
                Step(Next() * 4);
                break;
            case 7:
                Release(Next());
                break;
            }
            Verify();
        }
        closing_all_ = true;
        framing_->CloseAll();
        Check(model_.empty());
        Check(framing_->GetReadingBytes() == 0);
        texts_.clear();
        Check(budget_->held.load() == 0);
    }

private:
    std::uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }

    int Pick() {
        if (model_.empty())
            return -1;
        auto it = model_.begin();
        std::advance(it, Next() % model_.size());
        return it->first;
    }
    template <typename Action> void WithOpen(Action action) {
        const int id = Pick();
        if (id >= 0)
            action(id);
    }
    void Expect(int id, TcpTextDrop cause) {
        expected_id_ = id;
        expected_cause_ = cause;
    }

    // The listener accepts nobody while paused, but the framing allows it.
    void Open() {
        const int id = next_id_++;
        const std::uint32_t peer = 0x7F000000u | Next();
        const bool full = model_.size() >= limits_.max_connections;
        const std::size_t open_before = model_.size();
        // At the cap the one whose time is up soonest makes way.
        opening_full_ = full;
        framing_->Open(id, peer, now_);
        opening_full_ = false;
        Check(model_.size() == (full ? open_before - 1 : open_before));
        model_[id] = ModelConnection{peer, {}, 0, 0, limits_.read_timeout_ms};
        opened_.push_back(id);
        Check(framing_->IsOpen(id));
    }

    void Give(int id, std::size_t count) {
        if (id < 0 || framing_->IsPaused())
            return;
        std::string bytes;
        for (std::size_t i = 0; i < count; ++i)
            bytes.push_back(static_cast<char>(Next()));
        std::size_t taken = 0;
        while (taken < bytes.size() && framing_->IsOpen(id)) {
            std::size_t room = framing_->Room(id);
            if (room == 0) {
                const bool texts_wait = LeasedBytes() > 0;
                const std::size_t open_before = model_.size();
                making_room_ = true;
                const bool may_read = framing_->MakeRoom(id, now_);
                making_room_ = false;
                // Nothing is lost for room while texts wait to be released.
                Check(!texts_wait || model_.size() == open_before);
                Check(may_read || framing_->IsPaused() || !framing_->IsOpen(id));
                if (!may_read)
                    break;
                room = framing_->Room(id);
                Check(room > 0);
            }
            const std::size_t chunk = std::min(room, bytes.size() - taken);
            const std::string& before = model_.at(id).given;
            const bool over = before.size() + chunk > limits_.max_bytes;
            if (over)
                Expect(id, TcpTextDrop::kSizeCap);
            framing_->Append(id, bytes.data() + taken, chunk, now_);
            if (over) {
                Check(!framing_->IsOpen(id));
                break;
            }
            model_.at(id).given.append(bytes, taken, chunk);
            if (chunk > 0)
                model_.at(id).quiet_for_ms = 0;
            taken += chunk;
        }
    }

    void Step(std::int64_t ms) {
        const bool paused = framing_->IsPaused();
        if (paused && framing_->HasRoom())
            framing_->Resume(now_);
        now_ += ms;
        if (!framing_->IsPaused()) {
            for (auto& [id, connection] : model_) {
                connection.elapsed_ms += ms;
                connection.quiet_for_ms += ms;
            }
        }
        expiring_ = true;
        framing_->Expire(now_);
        expiring_ = false;
        if (!framing_->IsPaused()) {
            for (auto& [id, connection] : model_) {
                if (connection.elapsed_ms < connection.due_ms)
                    continue;
                // Spared: its bytes still came, and it had not had its longest.
                Check(StillComing(connection));
                connection.due_ms = connection.elapsed_ms + limits_.read_timeout_ms;
            }
        }
        // A new text may start only when a quiet one makes way.
        if (framing_->Startable() == 0) {
            const bool may_evict = !framing_->IsPaused() && LongestQuiet() >= 0;
            evicting_ = true;
            const bool evicted = framing_->EvictQuiet(now_);
            evicting_ = false;
            Check(evicted == may_evict);
        }
    }

    std::int64_t SoonestDue(bool holding = false) const {
        std::int64_t soonest = INT64_MAX;
        for (const auto& [id, connection] : model_) {
            if (!holding || !connection.given.empty())
                soonest = std::min(soonest, connection.due_ms - connection.elapsed_ms);
        }
        return soonest;
    }

    bool StillComing(const ModelConnection& connection) const {
        return connection.quiet_for_ms < static_cast<std::int64_t>(limits_.quiet_ms) &&
               connection.elapsed_ms < static_cast<std::int64_t>(limits_.max_read_ms);
    }

    // How long the started connection quiet the longest has been so, if
    // long enough to make way; else -1.
    std::int64_t LongestQuiet() const {
        std::int64_t longest = -1;
        for (const auto& [id, connection] : model_) {
            if (!connection.given.empty() &&
                connection.quiet_for_ms >= static_cast<std::int64_t>(limits_.quiet_ms))
                longest = std::max(longest, connection.quiet_for_ms);
        }
        return longest;
    }

    void Release(std::uint8_t which) {
        if (texts_.empty())
            return;
        texts_.erase(texts_.begin() + static_cast<std::ptrdiff_t>(which % texts_.size()));
        if (framing_->IsPaused() && framing_->HasRoom())
            framing_->Resume(now_);
    }

    void Delivered(ReceivedTcpText&& text) {
        Check(delivering_.has_value());
        Check(text.peer_address == delivering_->peer);
        Check(text.text == delivering_->given);
        Check(text.text.size() <= limits_.max_bytes);
        delivering_.reset();
        texts_.push_back(std::move(text));
    }

    void Closed(int id, TcpTextDrop cause) {
        const auto found = model_.find(id);
        Check(found != model_.end());
        const bool dropped = cause != TcpTextDrop::kNone;
        if (closing_all_)
            Check(!dropped);
        else if (expiring_)
            Check(cause == TcpTextDrop::kReadTimeOut &&
                  found->second.elapsed_ms >= found->second.due_ms && !StillComing(found->second));
        else if (making_room_)
            Check(cause == TcpTextDrop::kByteBound && LeasedBytes() == 0);
        else if (opening_full_)
            Check(cause == TcpTextDrop::kConnectionCap &&
                  found->second.due_ms - found->second.elapsed_ms == SoonestDue());
        else if (evicting_)
            Check(cause == TcpTextDrop::kEviction && found->second.quiet_for_ms == LongestQuiet());
        else
            Check(id == expected_id_ && cause == expected_cause_);
        // For room, the one holding bytes whose time is up soonest goes
        // first (the oldest, unless one was spared).
        if (making_room_)
            Check(found->second.due_ms - found->second.elapsed_ms == SoonestDue(true));
        if (!dropped && !closing_all_)
            delivering_ = found->second;
        model_.erase(found);
        for (auto it = opened_.begin(); it != opened_.end(); ++it) {
            if (*it == id) {
                opened_.erase(it);
                break;
            }
        }
        expected_id_ = -1;
    }

    std::size_t LeasedBytes() const {
        std::size_t bytes = 0;
        for (const ReceivedTcpText& text : texts_)
            bytes += text.text.size();
        return bytes;
    }

    void Verify() const {
        Check(framing_->GetOpenCount() == model_.size());
        Check(model_.size() <= limits_.max_connections);
        std::size_t reading = 0;
        for (const auto& [id, connection] : model_) {
            Check(framing_->IsOpen(id));
            Check(connection.given.size() <= limits_.max_bytes);
            reading += connection.given.size();
        }
        Check(framing_->GetReadingBytes() == reading);
        Check(budget_->held.load() == reading + LeasedBytes());
        Check(budget_->held.load() <= limits_.max_held_bytes);
        Check(!delivering_.has_value());
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    TcpTextFraming::Limits limits_;
    std::shared_ptr<TcpTextBudget> budget_;
    std::unique_ptr<TcpTextFraming> framing_;
    std::map<int, ModelConnection> model_;
    std::deque<int> opened_;
    std::vector<ReceivedTcpText> texts_;
    // The connection whose text is being handed on.
    std::optional<ModelConnection> delivering_;
    std::int64_t now_ = 1000;
    int next_id_ = 0;
    int expected_id_ = -1;
    TcpTextDrop expected_cause_ = TcpTextDrop::kNone;
    bool expiring_ = false;
    bool evicting_ = false;
    bool opening_full_ = false;
    bool making_room_ = false;
    bool closing_all_ = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Run run(data, size);
    run.Go();
    return 0;
}
