#include "jobs/host/host_senders.h"

#include "platform/tcp_transport.h"

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
    }
    changed_.notify_all();
    for (std::thread& thread : threads)
        thread.join();
    std::lock_guard lock(mutex_);
    waiting_.clear();
    ready_.clear();
    busy_.clear();
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
        const KvResult result = SendText(item.host, item.port, item.text, item.timeout_ms);
        if (item.completion)
            item.completion(result);
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
