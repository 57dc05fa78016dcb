#include "platform/thread_messaging.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

namespace {

// The queues reachable by id. Every change goes through Put and Erase, which
// move the generation on, so that a poster's cached queues are known to be
// still the ones the table holds.
class QueueTable {
public:
    void Put(DWORD id, std::shared_ptr<MessageQueue> queue) {
        std::unique_lock lock(mutex_);
        queues_[id] = std::move(queue);
        generation_.fetch_add(1, std::memory_order_acq_rel);
    }
    void Erase(DWORD id) {
        std::unique_lock lock(mutex_);
        queues_.erase(id);
        generation_.fetch_add(1, std::memory_order_acq_rel);
    }
    std::shared_ptr<MessageQueue> Find(DWORD id) {
        std::shared_lock lock(mutex_);
        auto found = queues_.find(id);
        return found == queues_.end() ? nullptr : found->second;
    }
    std::uint64_t GetGeneration() const { return generation_.load(std::memory_order_acquire); }

private:
    std::shared_mutex mutex_;
    std::unordered_map<DWORD, std::shared_ptr<MessageQueue>> queues_;
    std::atomic<std::uint64_t> generation_{0};
};

QueueTable& Queues() {
    static QueueTable table;
    return table;
}

thread_local std::shared_ptr<MessageQueue> current_queue;

// Thread ids and the ids of registered queues share one counter, so that
// neither ever names the other.
std::atomic<DWORD>& NextQueueId() {
    static std::atomic<DWORD> next_id{1};
    return next_id;
}

// The queues this thread posted to last, valid while the table's generation
// is unchanged: posting then passes no lock but the queue's own, which many
// threads posting to one thread would otherwise meet on every message.
struct PostCache {
    static constexpr std::size_t kSize = 8;
    struct Entry {
        DWORD thread_id = 0;
        std::shared_ptr<MessageQueue> queue;
    };
    std::uint64_t generation = ~std::uint64_t{0};
    std::array<Entry, kSize> entries;
};

thread_local PostCache post_cache;

MessageQueue* FindQueueForPosting(DWORD thread_id) {
    QueueTable& table = Queues();
    const std::uint64_t generation = table.GetGeneration();
    PostCache& cache = post_cache;
    if (cache.generation != generation) {
        cache.entries.fill({});
        cache.generation = generation;
    }
    PostCache::Entry& entry = cache.entries[thread_id % PostCache::kSize];
    if (entry.thread_id != thread_id || !entry.queue) {
        entry.queue = table.Find(thread_id);
        entry.thread_id = thread_id;
    }
    return entry.queue.get();
}

} // namespace

DWORD GetCurrentThreadId() {
    thread_local const DWORD id = NextQueueId().fetch_add(1, std::memory_order_relaxed);
    return id;
}

bool PostThreadMessage(DWORD thread_id, UINT message, WPARAM wParam, LPARAM lParam) {
    MessageQueue* queue = FindQueueForPosting(thread_id);
    return queue != nullptr && queue->Post(ThreadMessage{nullptr, message, wParam, lParam});
}

bool PostQuitMessage(int exit_code) {
    MessageQueue* queue = current_queue.get();
    return queue != nullptr && queue->PostQuit(exit_code);
}

void AttachThreadQueue(std::shared_ptr<MessageQueue> queue) {
    Queues().Put(GetCurrentThreadId(), queue);
    current_queue = std::move(queue);
}

void DetachThreadQueue() {
    Queues().Erase(GetCurrentThreadId());
    current_queue.reset();
}

MessageQueue* GetCurrentThreadQueue() {
    return current_queue.get();
}

std::shared_ptr<MessageQueue> FindThreadQueue(DWORD thread_id) {
    return Queues().Find(thread_id);
}

DWORD RegisterMessageQueue(std::shared_ptr<MessageQueue> queue) {
    const DWORD id = NextQueueId().fetch_add(1, std::memory_order_relaxed);
    Queues().Put(id, std::move(queue));
    return id;
}

void UnregisterMessageQueue(DWORD queue_id) {
    Queues().Erase(queue_id);
}
