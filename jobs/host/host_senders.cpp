#include "jobs/host/host_senders.h"

#include "platform/clock.h"
#include "platform/name_resolver.h"
#include "platform/tcp_transport.h"

#include <arpa/inet.h>

// A name look-up shared by the sender waiting for it and the thread doing it,
// which may outlive the senders.
struct HostSenders::LookUp {
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    bool found = false;
    bool given_up = false;
    std::uint32_t address = 0;
};

namespace {

// An address whose send timed out at since is skipped until kSkipMs later.
bool StillSkipped(std::uint32_t now, std::uint32_t since) { return now - since < HostSenders::kSkipMs; }

} // namespace

bool HostSenders::Post(const std::string& host, std::uint32_t port, std::string text,
                       std::uint32_t timeout_ms, Completion completion) {
    std::lock_guard lock(mutex_);
    if (stopping_ || waiting_count_ >= kMaxWaiting)
        return false;
    const Destination destination{host, port};
    std::deque<Item>& queue = waiting_[destination];
    queue.push_back(Item{host, port, std::move(text), timeout_ms, std::move(completion)});
    ++waiting_count_;
    if (queue.size() == 1 && busy_.count(destination) == 0)
        ready_.push_back(destination);
    if (idle_ == 0 && threads_.size() < kMaxSenders)
        threads_.emplace_back([this] { Work(); });
    changed_.notify_one();
    return true;
}

void HostSenders::Stop() {
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        threads.swap(threads_);
        for (const std::shared_ptr<LookUp>& look_up : look_ups_) {
            std::lock_guard held(look_up->mutex);
            look_up->given_up = true;
            look_up->changed.notify_all();
        }
    }
    changed_.notify_all();
    for (std::thread& thread : threads)
        thread.join();
    std::lock_guard lock(mutex_);
    waiting_.clear();
    ready_.clear();
    busy_.clear();
    timed_out_.clear();
    waiting_count_ = 0;
    idle_ = 0;
    stopping_ = false;
}

std::size_t HostSenders::GetWaitingCount() const {
    std::lock_guard lock(mutex_);
    return waiting_count_;
}

void HostSenders::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        ++idle_;
        changed_.wait(lock, [this] { return stopping_ || !ready_.empty(); });
        --idle_;
        if (stopping_)
            return;
        const Destination destination = ready_.front();
        ready_.pop_front();
        std::deque<Item>& queue = waiting_[destination];
        Item item = std::move(queue.front());
        queue.pop_front();
        --waiting_count_;
        busy_.insert(destination);
        lock.unlock();
        Send(item);
        item = Item{};
        lock.lock();
        busy_.erase(destination);
        if (auto left = waiting_.find(destination); left != waiting_.end()) {
            if (left->second.empty())
                waiting_.erase(left);
            else
                ready_.push_back(destination);
        }
    }
}

void HostSenders::Send(Item& item) {
    std::string address;
    const KvResult found = ToAddress(item.host, item.timeout_ms, address);
    if (found == KV_E_ALREADY_STOPPING)
        return;
    if (found != KV_OK) {
        if (item.completion)
            item.completion(found, std::string());
        return;
    }
    bool skip = false;
    {
        std::lock_guard lock(mutex_);
        if (auto late = timed_out_.find(address); late != timed_out_.end()) {
            skip = StillSkipped(GetClock().TickMs(), late->second);
            if (!skip)
                timed_out_.erase(late);
        }
    }
    KvResult result = kSkipped;
    if (!skip) {
        bool timed_out = false;
        result = SendText(address, item.port, item.text, item.timeout_ms, &timed_out);
        if (timed_out) {
            result = KV_E_TIMEOUT;
            const std::uint32_t now = GetClock().TickMs();
            std::lock_guard lock(mutex_);
            // Only the addresses still skipped are kept: a time-out costs
            // its sender the whole wait, so they stay few.
            std::erase_if(timed_out_, [now](const auto& entry) { return !StillSkipped(now, entry.second); });
            timed_out_[address] = now;
        }
    }
    if (item.completion)
        item.completion(result, address);
}

KvResult HostSenders::ToAddress(const std::string& host, std::uint32_t timeout_ms,
                                std::string& address) {
    in_addr dotted{};
    if (host.empty() || ::inet_pton(AF_INET, host.c_str(), &dotted) == 1) {
        address = host;
        return KV_OK;
    }
    auto look_up = std::make_shared<LookUp>();
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return KV_E_ALREADY_STOPPING;
        // Slots are taken only here, under the lock; the look-ups give them back.
        if (look_up_slots_->load() >= kMaxLookUps)
            return kTooManyLookUps;
        look_up_slots_->fetch_add(1);
        look_ups_.insert(look_up);
    }
    // The thread holds what it uses: the senders may be gone when it ends.
    std::thread([look_up, host, slots = look_up_slots_, resolver = ShareNameResolver()] {
        std::uint32_t found = 0;
        const bool resolved = resolver->LookupAddress(host, found);
        // The slot is free before the sender hears, so that its next
        // look-up finds it free.
        slots->fetch_sub(1);
        std::lock_guard lock(look_up->mutex);
        look_up->done = true;
        look_up->found = resolved;
        look_up->address = found;
        look_up->changed.notify_all();
    }).detach();
    KvResult outcome = KV_OK;
    std::uint32_t found = 0;
    {
        std::unique_lock lock(look_up->mutex);
        look_up->changed.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                  [&] { return look_up->done || look_up->given_up; });
        if (look_up->given_up)
            outcome = KV_E_ALREADY_STOPPING;
        else if (!look_up->done)
            outcome = KV_E_TIMEOUT;
        else if (!look_up->found)
            outcome = KV_E_SOCKET_CONNECT;
        found = look_up->address;
    }
    {
        std::lock_guard lock(mutex_);
        look_ups_.erase(look_up);
        // A failure while stopping is nobody's news.
        if (outcome != KV_OK && stopping_)
            outcome = KV_E_ALREADY_STOPPING;
    }
    if (outcome != KV_OK)
        return outcome;
    dotted.s_addr = htonl(found);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &dotted, text, sizeof text);
    address = text;
    return KV_OK;
}
