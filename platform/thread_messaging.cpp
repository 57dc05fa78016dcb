#include "platform/thread_messaging.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

namespace {

struct QueueTable {
    std::shared_mutex mutex;
    std::unordered_map<DWORD, std::shared_ptr<MessageQueue>> queues;
    // Changes with every attach and detach, so that a poster's cached
    // queues are known to be still the threads' own.
    std::atomic<std::uint64_t> generation{0};
};

QueueTable& Queues() {
    static QueueTable table;
    return table;
}

thread_local std::shared_ptr<MessageQueue> current_queue;

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

std::shared_ptr<MessageQueue> FindQueueLocked(QueueTable& table, DWORD thread_id) {
    std::shared_lock lock(table.mutex);
    auto found = table.queues.find(thread_id);
    return found == table.queues.end() ? nullptr : found->second;
}

MessageQueue* FindQueueForPosting(DWORD thread_id) {
    QueueTable& table = Queues();
    const std::uint64_t generation = table.generation.load(std::memory_order_acquire);
    PostCache& cache = post_cache;
    if (cache.generation != generation) {
        cache.entries.fill({});
        cache.generation = generation;
    }
    PostCache::Entry& entry = cache.entries[thread_id % PostCache::kSize];
    if (entry.thread_id != thread_id || !entry.queue) {
        entry.queue = FindQueueLocked(table, thread_id);
        entry.thread_id = thread_id;
    }
    return entry.queue.get();
}

} // namespace

DWORD GetCurrentThreadId() {
    static std::atomic<DWORD> next_id{1};
    thread_local const DWORD id = next_id.fetch_add(1, std::memory_order_relaxed);
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
    QueueTable& table = Queues();
    std::unique_lock lock(table.mutex);
    table.queues[GetCurrentThreadId()] = queue;
    table.generation.fetch_add(1, std::memory_order_acq_rel);
    current_queue = std::move(queue);
}

void DetachThreadQueue() {
    QueueTable& table = Queues();
    std::unique_lock lock(table.mutex);
    table.queues.erase(GetCurrentThreadId());
    table.generation.fetch_add(1, std::memory_order_acq_rel);
    current_queue.reset();
}

MessageQueue* GetCurrentThreadQueue() {
    return current_queue.get();
}

std::shared_ptr<MessageQueue> FindThreadQueue(DWORD thread_id) {
    return FindQueueLocked(Queues(), thread_id);
}
