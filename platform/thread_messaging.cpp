#include "platform/thread_messaging.h"

#include <atomic>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

namespace {

struct QueueTable {
    std::shared_mutex mutex;
    std::unordered_map<DWORD, std::shared_ptr<MessageQueue>> queues;
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

} // namespace

DWORD GetCurrentThreadId() {
    thread_local const DWORD id = NextQueueId().fetch_add(1, std::memory_order_relaxed);
    return id;
}

bool PostThreadMessage(DWORD thread_id, UINT message, WPARAM wParam, LPARAM lParam) {
    QueueTable& table = Queues();
    std::shared_lock lock(table.mutex);
    auto found = table.queues.find(thread_id);
    if (found == table.queues.end())
        return false;
    return found->second->Post(ThreadMessage{nullptr, message, wParam, lParam});
}

bool PostQuitMessage(int exit_code) {
    MessageQueue* queue = current_queue.get();
    return queue != nullptr && queue->PostQuit(exit_code);
}

void AttachThreadQueue(std::shared_ptr<MessageQueue> queue) {
    QueueTable& table = Queues();
    std::unique_lock lock(table.mutex);
    table.queues[GetCurrentThreadId()] = queue;
    current_queue = std::move(queue);
}

void DetachThreadQueue() {
    QueueTable& table = Queues();
    std::unique_lock lock(table.mutex);
    table.queues.erase(GetCurrentThreadId());
    current_queue.reset();
}

MessageQueue* GetCurrentThreadQueue() {
    return current_queue.get();
}

std::shared_ptr<MessageQueue> FindThreadQueue(DWORD thread_id) {
    QueueTable& table = Queues();
    std::shared_lock lock(table.mutex);
    auto found = table.queues.find(thread_id);
    return found == table.queues.end() ? nullptr : found->second;
}

DWORD RegisterMessageQueue(std::shared_ptr<MessageQueue> queue) {
    const DWORD id = NextQueueId().fetch_add(1, std::memory_order_relaxed);
    QueueTable& table = Queues();
    std::unique_lock lock(table.mutex);
    table.queues[id] = std::move(queue);
    return id;
}

void UnregisterMessageQueue(DWORD queue_id) {
    QueueTable& table = Queues();
    std::unique_lock lock(table.mutex);
    table.queues.erase(queue_id);
}
