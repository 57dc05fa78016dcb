#include "jobs/host/host_senders.h"

#include "platform/clock.h"
#include "platform/descriptor_budget.h"
#include "platform/name_resolver.h"
#include "platform/steady_ms.h"
#include "platform/tcp_transport.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <deque>
#include <map>
#include <netinet/in.h>
#include <set>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

struct Item {
    std::string host;
    std::uint32_t port = 0;
    std::string text;
    std::uint32_t timeout_ms = 0;
    HostSenders::Completion completion;
};

struct LookedUp {
    std::uint64_t send_id = 0;
    bool found = false;
    std::uint32_t address = 0;
};

bool ParseDotted(const std::string& text, std::uint32_t& address) {
    in_addr parsed{};
    if (::inet_pton(AF_INET, text.c_str(), &parsed) != 1)
        return false;
    address = ntohl(parsed.s_addr);
    return true;
}

std::string DottedText(std::uint32_t address) {
    in_addr value{};
    value.s_addr = htonl(address);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &value, text, sizeof text);
    return text;
}

// A destination whose send timed out at since is skipped until kSkipMs later.
bool StillSkipped(std::uint32_t now, std::uint32_t since) {
    return now - since < HostSenders::kSkipMs;
}

} // namespace

// What Post, Stop and the look-up threads hand the loop.
struct HostSenders::Shared {
    // Made with the senders, so that running them later opens no
    // descriptor but its connections'.
    Shared()
        : wake_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), epoll_fd(::epoll_create1(EPOLL_CLOEXEC)) {
        epoll_event wake{EPOLLIN, {}};
        wake.data.u64 = 0;
        if (wake_fd >= 0 && epoll_fd >= 0)
            ::epoll_ctl(epoll_fd, EPOLL_CTL_ADD, wake_fd, &wake);
    }
    ~Shared() {
        if (epoll_fd >= 0)
            ::close(epoll_fd);
        if (wake_fd >= 0)
            ::close(wake_fd);
    }
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    void Wake() const {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(wake_fd, &one, sizeof one);
    }

    std::mutex mutex;
    std::deque<Item> posted;
    std::vector<LookedUp> looked_up;
    // Texts posted and not yet under way, in all and per address (or per
    // name, whose address is not known before its look-up).
    std::size_t waiting = 0;
    std::map<std::string, std::size_t> waiting_for;
    bool stopping = false;
    // When Stop's bound is up (steady milliseconds).
    std::int64_t stop_deadline_ms = 0;
    std::uint64_t next_send_id = 1;
    // Look-up threads running, given up or not.
    std::atomic<std::size_t> look_up_slots{0};
    const int wake_fd;
    // Used by the loop's thread only.
    const int epoll_fd;
};

// The event loop: everything here belongs to its thread.
class HostSenders::Loop {
public:
    explicit Loop(std::shared_ptr<Shared> shared)
        : shared_(std::move(shared)), epoll_fd_(shared_->epoll_fd) {}
    void Run();

private:
    enum class Stage { kLookingUp, kWaitingForAddress, kConnecting, kWriting };
    using Destination = std::pair<std::string, std::uint32_t>;
    struct Send {
        Item item;
        Destination destination;
        Stage stage = Stage::kLookingUp;
        std::int64_t deadline_ms = 0;
        std::int64_t connect_started_ms = 0;
        std::uint32_t address = 0;
        bool address_known = false;
        bool address_counted = false;
        int fd = -1;
        std::size_t written = 0;
    };

    // Takes what was posted and looked up; notes whether Stop was called.
    void TakeShared();
    // A text leaves the waiting ones as its send starts.
    void LeftWaiting(const std::string& host);
    // A descriptor for the next send; while none is left, the loop is woken
    // by the next one given back.
    bool TakeDescriptor();
    // Stop's bound is up: the texts still waiting are dropped and the sends
    // under way aborted, none of them told.
    void Abandon();
    void StartSends(std::int64_t now);
    void Begin(std::uint64_t id, Item item, const Destination& destination, std::int64_t now);
    void AfterAddress(std::uint64_t id, std::int64_t now);
    void Connect(std::uint64_t id, std::int64_t now);
    void OnReady(std::uint64_t id);
    void Write(std::uint64_t id);
    void Expire(std::int64_t now);
    int WaitMs(std::int64_t now) const;
    // Ends the send: its descriptor, its address's place and its
    // destination's turn go to the next.
    void Finish(std::uint64_t id, KvResult result, bool tell = true);
    bool IsSkipped(std::uint32_t address, std::uint32_t port);
    bool AddressIsFull(std::uint32_t address) const {
        const auto found = per_address_.find(address);
        return found != per_address_.end() && found->second >= kMaxPerAddress;
    }

    std::shared_ptr<Shared> shared_;
    const int epoll_fd_;
    DescriptorBudget& descriptors_ = DescriptorBudget::Get();
    // Texts waiting per destination; a destination is in ready_ while it has
    // texts and none of its sends is under way.
    std::map<Destination, std::deque<Item>> queues_;
    std::deque<Destination> ready_;
    std::set<Destination> busy_;
    std::map<std::uint64_t, Send> sends_;
    std::map<std::uint32_t, std::size_t> per_address_;
    std::map<std::uint32_t, std::deque<std::uint64_t>> waiting_for_address_;
    // The tick at which a send to the destination timed out.
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> timed_out_;
    bool wanting_descriptor_ = false;
    bool stopping_ = false;
    std::int64_t stop_deadline_ms_ = 0;
};

void HostSenders::Loop::Run() {
    descriptors_.Watch(shared_->wake_fd);
    constexpr int kEventBatch = 64;
    epoll_event events[kEventBatch];
    for (;;) {
        TakeShared();
        const std::int64_t now = SteadyNowMs();
        // Stop sends what was posted before it, within its bound.
        if (stopping_ && (now >= stop_deadline_ms_ || (sends_.empty() && ready_.empty())))
            break;
        StartSends(now);
        const int ready = ::epoll_wait(epoll_fd_, events, kEventBatch, WaitMs(now));
        if (ready < 0 && errno != EINTR)
            break;
        for (int i = 0; i < ready; ++i) {
            if (events[i].data.u64 == 0) {
                std::uint64_t count = 0;
                [[maybe_unused]] const ssize_t ignored =
                    ::read(shared_->wake_fd, &count, sizeof count);
                continue;
            }
            OnReady(events[i].data.u64);
        }
        Expire(SteadyNowMs());
    }
    Abandon();
    descriptors_.Unwatch(shared_->wake_fd);
    if (wanting_descriptor_)
        descriptors_.RemoveWantedBySends(1);
}

void HostSenders::Loop::LeftWaiting(const std::string& host) {
    std::lock_guard lock(shared_->mutex);
    --shared_->waiting;
    const auto found = shared_->waiting_for.find(host);
    if (found != shared_->waiting_for.end() && --found->second == 0)
        shared_->waiting_for.erase(found);
}

void HostSenders::Loop::TakeShared() {
    std::deque<Item> posted;
    std::vector<LookedUp> looked_up;
    {
        std::lock_guard lock(shared_->mutex);
        posted.swap(shared_->posted);
        looked_up.swap(shared_->looked_up);
        stopping_ = shared_->stopping;
        stop_deadline_ms_ = shared_->stop_deadline_ms;
    }
    for (Item& item : posted) {
        Destination destination{item.host, item.port};
        std::deque<Item>& queue = queues_[destination];
        queue.push_back(std::move(item));
        if (queue.size() == 1 && busy_.count(destination) == 0)
            ready_.push_back(std::move(destination));
    }
    const std::int64_t now = SteadyNowMs();
    for (const LookedUp& result : looked_up) {
        const auto found = sends_.find(result.send_id);
        // A send that ran out of time before its look-up ended is gone.
        if (found == sends_.end() || found->second.stage != Stage::kLookingUp)
            continue;
        if (!result.found) {
            Finish(result.send_id, KV_E_SOCKET_CONNECT);
            continue;
        }
        found->second.address = result.address;
        found->second.address_known = true;
        AfterAddress(result.send_id, now);
    }
}

void HostSenders::Loop::Abandon() {
    // Nothing left may take a place or a turn that a send gives up.
    queues_.clear();
    ready_.clear();
    waiting_for_address_.clear();
    while (!sends_.empty())
        Finish(sends_.begin()->first, KV_E_ALREADY_STOPPING, false);
}

void HostSenders::Loop::StartSends(std::int64_t now) {
    bool short_of_descriptors = false;
    for (auto at = ready_.begin(); at != ready_.end() && sends_.size() < kMaxSends;) {
        std::uint32_t address = 0;
        if (ParseDotted(at->first, address) && AddressIsFull(address)) {
            ++at;
            continue;
        }
        if (!TakeDescriptor()) {
            short_of_descriptors = true;
            break;
        }
        const Destination destination = *at;
        at = ready_.erase(at);
        std::deque<Item>& queue = queues_[destination];
        Item item = std::move(queue.front());
        queue.pop_front();
        LeftWaiting(destination.first);
        busy_.insert(destination);
        std::uint64_t id = 0;
        {
            std::lock_guard lock(shared_->mutex);
            id = shared_->next_send_id++;
        }
        Begin(id, std::move(item), destination, now);
        // A send that ended at once put its destination back, which moves
        // the deque's elements: look again from the front.
        at = ready_.begin();
    }
    if (!short_of_descriptors && wanting_descriptor_) {
        descriptors_.RemoveWantedBySends(1);
        wanting_descriptor_ = false;
    }
}

bool HostSenders::Loop::TakeDescriptor() {
    if (descriptors_.TryTakeForSend())
        return true;
    if (wanting_descriptor_)
        return false;
    // Descriptors given back wake the loop while a send waits for one, and
    // the listener leaves them to the sends meanwhile. One given back before
    // the want was told woke no one: look again once it is told.
    descriptors_.AddWantedBySends(1);
    wanting_descriptor_ = true;
    return descriptors_.TryTakeForSend();
}

void HostSenders::Loop::Begin(std::uint64_t id, Item item, const Destination& destination,
                              std::int64_t now) {
    Send& send = sends_[id];
    send.destination = destination;
    send.deadline_ms = now + item.timeout_ms;
    send.item = std::move(item);
    if (send.item.host.empty() || send.item.port > 0xFFFF) {
        Finish(id, KV_E_FAIL);
        return;
    }
    if (ParseDotted(send.item.host, send.address)) {
        send.address_known = true;
        AfterAddress(id, now);
        return;
    }
    // The thread holds what it uses: the senders may be gone when it ends.
    const bool started = StartBoundedLookUp(
        shared_->look_up_slots, kMaxLookUps, send.item.host,
        [shared = shared_, id](bool resolved, std::uint32_t found) {
            {
                std::lock_guard lock(shared->mutex);
                shared->looked_up.push_back(LookedUp{id, resolved, found});
            }
            shared->Wake();
        });
    if (!started) {
        Finish(id, kTooManyLookUps);
        return;
    }
    send.stage = Stage::kLookingUp;
}

void HostSenders::Loop::AfterAddress(std::uint64_t id, std::int64_t now) {
    Send& send = sends_.at(id);
    if (IsSkipped(send.address, send.item.port)) {
        Finish(id, kSkipped);
        return;
    }
    if (AddressIsFull(send.address)) {
        send.stage = Stage::kWaitingForAddress;
        waiting_for_address_[send.address].push_back(id);
        return;
    }
    Connect(id, now);
}

void HostSenders::Loop::Connect(std::uint64_t id, std::int64_t now) {
    Send& send = sends_.at(id);
    ++per_address_[send.address];
    send.address_counted = true;
    send.connect_started_ms = now;
    send.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (send.fd < 0) {
        Finish(id, KV_E_SOCKET_CREATE);
        return;
    }
    epoll_event watch{EPOLLOUT, {}};
    watch.data.u64 = id;
    if (::epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, send.fd, &watch) != 0) {
        Finish(id, KV_E_SOCKET_CREATE);
        return;
    }
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(send.address);
    target.sin_port = htons(static_cast<std::uint16_t>(send.item.port));
    if (::connect(send.fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
        send.stage = Stage::kWriting;
        Write(id);
        return;
    }
    if (errno != EINPROGRESS) {
        Finish(id, KV_E_SOCKET_CONNECT);
        return;
    }
    send.stage = Stage::kConnecting;
}

void HostSenders::Loop::OnReady(std::uint64_t id) {
    const auto found = sends_.find(id);
    if (found == sends_.end())
        return;
    Send& send = found->second;
    if (send.stage == Stage::kConnecting) {
        int error = 0;
        socklen_t size = sizeof error;
        if (::getsockopt(send.fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
            Finish(id, KV_E_SOCKET_CONNECT);
            return;
        }
        send.stage = Stage::kWriting;
    }
    if (send.stage == Stage::kWriting)
        Write(id);
}

void HostSenders::Loop::Write(std::uint64_t id) {
    Send& send = sends_.at(id);
    const std::string& text = send.item.text;
    while (send.written < text.size()) {
        const ssize_t sent = ::send(send.fd, text.data() + send.written,
                                    text.size() - send.written, MSG_NOSIGNAL);
        if (sent > 0) {
            send.written += static_cast<std::size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        Finish(id, KV_E_SOCKET_SEND);
        return;
    }
    Finish(id, KV_OK);
}

void HostSenders::Loop::Expire(std::int64_t now) {
    std::vector<std::uint64_t> expired;
    for (const auto& [id, send] : sends_) {
        if (send.deadline_ms <= now)
            expired.push_back(id);
    }
    for (std::uint64_t id : expired) {
        // A send that an earlier one's end let connect may have ended too.
        const auto found = sends_.find(id);
        if (found == sends_.end())
            continue;
        const Send& send = found->second;
        const bool judged = send.stage == Stage::kConnecting || send.stage == Stage::kWriting;
        // Only a peer given at least half the time-out is judged silent.
        if (judged && 2 * (send.deadline_ms - send.connect_started_ms) >=
                          static_cast<std::int64_t>(send.item.timeout_ms)) {
            const std::uint32_t tick = GetClock().TickMs();
            // Only the destinations still skipped are kept.
            std::erase_if(timed_out_,
                          [tick](const auto& entry) { return !StillSkipped(tick, entry.second); });
            timed_out_[{send.address, send.item.port}] = tick;
        }
        Finish(id, KV_E_TIMEOUT);
    }
}

int HostSenders::Loop::WaitMs(std::int64_t now) const {
    std::int64_t earliest = stopping_ ? stop_deadline_ms_ : INT64_MAX;
    for (const auto& [id, send] : sends_)
        earliest = std::min(earliest, send.deadline_ms);
    return earliest == INT64_MAX ? -1 : MillisecondsUntil(earliest, now);
}

bool HostSenders::Loop::IsSkipped(std::uint32_t address, std::uint32_t port) {
    const auto late = timed_out_.find({address, port});
    if (late == timed_out_.end())
        return false;
    if (StillSkipped(GetClock().TickMs(), late->second))
        return true;
    timed_out_.erase(late);
    return false;
}

void HostSenders::Loop::Finish(std::uint64_t id, KvResult result, bool tell) {
    const auto found = sends_.find(id);
    if (found == sends_.end())
        return;
    Send send = std::move(found->second);
    sends_.erase(found);
    if (send.fd >= 0) {
        ::epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, send.fd, nullptr);
        CloseSendingSocket(send.fd, result == KV_OK);
    }
    descriptors_.Give();
    if (send.stage == Stage::kWaitingForAddress) {
        auto& queue = waiting_for_address_[send.address];
        queue.erase(std::remove(queue.begin(), queue.end(), id), queue.end());
        if (queue.empty())
            waiting_for_address_.erase(send.address);
    }
    busy_.erase(send.destination);
    if (const auto left = queues_.find(send.destination); left != queues_.end()) {
        if (left->second.empty())
            queues_.erase(left);
        else
            ready_.push_back(send.destination);
    }
    if (tell && send.item.completion)
        send.item.completion(result,
                             send.address_known ? DottedText(send.address) : std::string());
    if (!send.address_counted)
        return;
    if (--per_address_[send.address] == 0)
        per_address_.erase(send.address);
    // The address's place goes to a send that waits for it.
    const auto waiting = waiting_for_address_.find(send.address);
    if (waiting == waiting_for_address_.end())
        return;
    const std::uint64_t next = waiting->second.front();
    waiting->second.pop_front();
    if (waiting->second.empty())
        waiting_for_address_.erase(waiting);
    Connect(next, SteadyNowMs());
}

HostSenders::Posted HostSenders::Post(const std::string& host, std::uint32_t port,
                                      std::string text, std::uint32_t timeout_ms,
                                      Completion completion) {
    std::lock_guard start(start_mutex_);
    {
        std::lock_guard lock(shared_->mutex);
        if (shared_->stopping)
            return Posted::kStopping;
        if (shared_->waiting >= kMaxWaiting)
            return Posted::kTooManyWaiting;
        // A dotted address is written one way only, so its text keys it.
        std::size_t& for_address = shared_->waiting_for[host];
        if (for_address >= kMaxWaitingPerAddress)
            return Posted::kTooManyWaitingForAddress;
        ++for_address;
        ++shared_->waiting;
        shared_->posted.push_back(Item{host, port, std::move(text), timeout_ms, std::move(completion)});
    }
    if (!thread_.joinable())
        thread_ = std::thread([loop = std::make_shared<Loop>(shared_)] { loop->Run(); });
    shared_->Wake();
    return Posted::kQueued;
}

HostSenders::HostSenders() : shared_(std::make_shared<Shared>()) {}

void HostSenders::Stop() {
    const std::int64_t deadline = SteadyNowMs() + kStopMs;
    std::lock_guard start(start_mutex_);
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stopping = true;
        shared_->stop_deadline_ms = deadline;
    }
    shared_->Wake();
    if (thread_.joinable())
        thread_.join();
    std::lock_guard lock(shared_->mutex);
    shared_->posted.clear();
    shared_->looked_up.clear();
    shared_->waiting = 0;
    shared_->waiting_for.clear();
    shared_->stopping = false;
}

std::size_t HostSenders::GetWaitingCount() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->waiting;
}
