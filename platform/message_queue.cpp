#include "platform/message_queue.h"

#include "platform/clock.h"
#include "platform/object_pool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <new>
#include <thread>
#include <utility>
#include <vector>

// A node is linked by the poster, taken by the loop or, when the poster finds
// the queue closed after linking it, withdrawn by the poster; whichever of the
// two changes its state first decides whether the post succeeded. Nodes come
// from a pool: a loop gives them back to the homes of the threads that posted
// them, so that posting allocates nothing once each poster has its working
// set.
struct PostedNode {
    enum State : std::uint32_t { kLinked, kTaken, kWithdrawn };

    std::atomic<PostedNode*> next{nullptr};
    std::atomic<std::uint32_t> state{kLinked};
    // Set when the poster no longer looks at the node: until then it stays
    // out of the pool, even once the loop has moved past it.
    std::atomic<bool> poster_done{false};
    ThreadMessage message;
};

namespace {

constexpr std::size_t kInitialCapacity = 64;

PostedNode* NewNode() {
    return new (ObjectPool<PostedNode>::Allocate()) PostedNode;
}

// Decides for the loop that it takes the message; false when its poster
// withdrew it. Posters withdraw only from a closed queue; before it closes,
// the closing side's flag carries this store to them.
bool TakeNode(PostedNode* node, bool closed) {
    if (!closed) {
        node->state.store(PostedNode::kTaken, std::memory_order_relaxed);
        return true;
    }
    std::uint32_t linked = PostedNode::kLinked;
    return node->state.compare_exchange_strong(linked, PostedNode::kTaken,
                                               std::memory_order_acq_rel);
}

// Gives a node the loop has moved past back to its pool, or keeps it among
// the unfinished ones while its poster still looks at it.
void Retire(PostedNode* node, object_pool::Recycler& recycled,
            std::vector<PostedNode*>& unfinished) {
    if (node->poster_done.load(std::memory_order_acquire))
        recycled.Add(node);
    else
        unfinished.push_back(node);
}

bool WithdrawNode(PostedNode* node) {
    std::uint32_t linked = PostedNode::kLinked;
    return node->state.compare_exchange_strong(linked, PostedNode::kWithdrawn,
                                               std::memory_order_acq_rel);
}

std::atomic<std::uint64_t>& CursorPos() {
    static std::atomic<std::uint64_t> position{0};
    return position;
}

// Stamps a message with the tick and cursor of the moment it was queued.
void Stamp(ThreadMessage& message) {
    message.time = GetClock().TickMs();
    message.pt = GetMessageCursorPos();
}

} // namespace

void ConsumerLock::WaitAndLock() {
    do {
        while (taken_.load(std::memory_order_relaxed))
            std::this_thread::yield();
    } while (taken_.exchange(true, std::memory_order_acquire));
}

void SetMessageCursorPos(POINT position) {
    CursorPos().store((std::uint64_t{static_cast<std::uint32_t>(position.x)} << 32) |
                          static_cast<std::uint32_t>(position.y),
                      std::memory_order_relaxed);
}

POINT GetMessageCursorPos() {
    const std::uint64_t packed = CursorPos().load(std::memory_order_relaxed);
    return POINT{static_cast<LONG>(static_cast<std::uint32_t>(packed >> 32)),
                 static_cast<LONG>(static_cast<std::uint32_t>(packed))};
}

MessageQueue::MessageQueue() : head_(NewNode()), batch_(kInitialCapacity), tail_(head_) {
    head_->poster_done.store(true, std::memory_order_relaxed);
}

MessageQueue::~MessageQueue() {
    object_pool::Recycler recycled;
    for (PostedNode* node : unfinished_)
        recycled.Add(node);
    for (PostedNode* node = head_; node != nullptr;) {
        PostedNode* next = node->next.load(std::memory_order_acquire);
        recycled.Add(node);
        node = next;
    }
}

bool MessageQueue::Post(const ThreadMessage& message) {
    if (closed_.load(std::memory_order_acquire))
        return false;
    PostedNode* node = NewNode();
    node->message = message;
    Stamp(node->message);
    // The exchange and the loads are sequentially consistent, like the
    // closing side's flag and tail and the sleeping loop's flag and tail:
    // either they see this node at the tail, or this post sees their flag.
    tail_.exchange(node)->next.store(node, std::memory_order_release);
    const bool withdrawn = closed_.load() && WithdrawNode(node);
    node->poster_done.store(true, std::memory_order_release);
    if (withdrawn)
        return false;
    if (consumer_waiting_.load() &&
        consumer_waiting_.exchange(false, std::memory_order_acq_rel)) {
        {
            std::lock_guard lock(mutex_);
            ++wake_count_;
        }
        changed_.notify_one();
    }
    return true;
}

bool MessageQueue::PostQuit(int exit_code) {
    ThreadMessage quit;
    quit.message = KV_WM_QUIT;
    quit.wParam = static_cast<WPARAM>(static_cast<std::uint32_t>(exit_code));
    return Post(quit);
}

bool MessageQueue::PostNext(const ThreadMessage& message) {
    std::lock_guard consumer(consumer_mutex_);
    if (drained_ || closed_.load(std::memory_order_acquire))
        return false;
    ThreadMessage stamped = message;
    Stamp(stamped);
    // Everything in the batch is older than anything still linked: its front
    // is the front of the whole queue.
    PushBatchFront(stamped);
    return true;
}

bool MessageQueue::HasMessage() {
    // Messages taken out before stay until this thread takes them, or another
    // removes them: true at the moment of the look.
    if (BatchCount() != 0)
        return true;
    {
        std::lock_guard consumer(consumer_mutex_);
        // Taken out now, so that the next GetMessage finds them in the batch.
        if (BatchCount() != 0 || RefillBatch())
            return true;
        if (closed_.load(std::memory_order_acquire))
            return false;
    }
    ThreadMessage generated;
    DWORD generated_wait = KV_INFINITE;
    if (TakeGenerated(generated, false, generated_wait))
        return true;
    {
        std::lock_guard consumer(consumer_mutex_);
        if (RefillBatch())
            return true;
    }
    std::lock_guard lock(mutex_);
    if (closed_.load(std::memory_order_acquire) || timers_.empty())
        return false;
    const std::uint32_t now = GetClock().TickMs();
    return std::any_of(timers_.begin(), timers_.end(), [now](const Timer& timer) {
        return static_cast<std::int32_t>(now - timer.start_tick) >=
               static_cast<std::int32_t>(timer.interval_ms);
    });
}

bool MessageQueue::GetMessage(ThreadMessage& message) {
    std::unique_lock consumer(consumer_mutex_);
    for (;;) {
        if (BatchCount() != 0) {
            message = PopBatch();
            // The parameter of the next message is most often the address of
            // an object that its poster has just written on another core:
            // fetching it now overlaps that transfer with this message's
            // handling. A prefetch of an address that is none is harmless.
            if (BatchCount() != 0)
                __builtin_prefetch(reinterpret_cast<const void*>(batch_[batch_head_].lParam));
            if (message.message != KV_WM_QUIT) {
                consumer.unlock();
                if (source_ == nullptr || source_->OnPostedTaken(message))
                    return true;
                consumer.lock();
                continue;
            }
            closed_.store(true, std::memory_order_release);
            return false;
        }
        if (RefillBatch())
            continue;
        DWORD generated_wait = KV_INFINITE;
        if (!closed_.load(std::memory_order_acquire) && source_ != nullptr) {
            // The source takes the window system's own lock: never under ours.
            consumer.unlock();
            if (TakeGenerated(message, true, generated_wait))
                return true;
            consumer.lock();
            if (BatchCount() != 0 || RefillBatch())
                continue;
        }
        std::unique_lock lock(mutex_);
        DWORD wait_ms = KV_INFINITE;
        if (!closed_.load(std::memory_order_acquire) && TakeDueTimer(message, wait_ms))
            return true;
        wait_ms = std::min(wait_ms, generated_wait);
        const std::uint64_t seen = wake_count_;
        consumer_waiting_.store(true);
        if (!drained_ && tail_.load() != head_) {
            consumer_waiting_.store(false, std::memory_order_relaxed);
            // A poster between its exchange and its link: a few instructions.
            if (!HasLinked())
                std::this_thread::yield();
            continue;
        }
        // Other threads may look into the batch while this one waits.
        consumer.unlock();
        auto woken = [this, seen] { return wake_count_ != seen; };
        if (wait_ms == KV_INFINITE)
            changed_.wait(lock, woken);
        else
            changed_.wait_for(lock, std::chrono::milliseconds(wait_ms), woken);
        consumer_waiting_.store(false, std::memory_order_relaxed);
        lock.unlock();
        consumer.lock();
    }
}

bool MessageQueue::PeekMessage(ThreadMessage& message, bool remove) {
    for (;;) {
        {
            std::lock_guard consumer(consumer_mutex_);
            if (BatchCount() == 0)
                RefillBatch();
            if (BatchCount() == 0) {
                if (closed_.load(std::memory_order_acquire))
                    return false;
                break;
            }
            message = remove ? PopBatch() : batch_[batch_head_];
            if (message.message == KV_WM_QUIT) {
                if (remove)
                    closed_.store(true, std::memory_order_release);
                return true;
            }
        }
        if (source_ == nullptr)
            return true;
        if (!remove) {
            source_->OnPostedSeen(message);
            return true;
        }
        if (source_->OnPostedTaken(message))
            return true;
        // Dropped by the source: the next one.
    }
    DWORD wait_ms = KV_INFINITE;
    if (source_ != nullptr) {
        if (TakeGenerated(message, remove, wait_ms))
            return true;
        // Posted while the source was asked: posts come first.
        bool linked = false;
        {
            std::lock_guard consumer(consumer_mutex_);
            linked = HasLinked();
        }
        if (linked)
            return PeekMessage(message, remove);
    }
    std::lock_guard lock(mutex_);
    return !closed_.load(std::memory_order_acquire) && TakeDueTimer(message, wait_ms, remove);
}

bool MessageQueue::RefillBatch(const PostedNode* stop) {
    if (drained_)
        return false;
    object_pool::Recycler recycled;
    std::erase_if(unfinished_, [&recycled](PostedNode* node) {
        if (!node->poster_done.load(std::memory_order_acquire))
            return false;
        recycled.Add(node);
        return true;
    });
    // The queue is closed only under the consumer lock, which this thread
    // holds: until then no poster withdraws.
    const bool closed = closed_.load(std::memory_order_relaxed);
    bool took = false;
    while (head_ != stop) {
        PostedNode* next = head_->next.load(std::memory_order_acquire);
        if (next == nullptr) {
            if (stop == nullptr)
                break;
            // A poster between its exchange and its link: a few instructions.
            std::this_thread::yield();
            continue;
        }
        // The head's message was taken before; the next node's becomes the
        // head once its message is out.
        Retire(head_, recycled, unfinished_);
        head_ = next;
        if (TakeNode(next, closed)) {
            PushBatch(next->message);
            took = true;
        }
    }
    return took;
}

bool MessageQueue::HasLinked() const {
    return head_->next.load(std::memory_order_acquire) != nullptr;
}

void MessageQueue::ReserveBatchSlot() {
    if (BatchCount() != batch_.size())
        return;
    std::vector<ThreadMessage> grown(batch_.size() * 2);
    for (std::size_t i = 0; i < BatchCount(); ++i)
        grown[i] = batch_[(batch_head_ + i) & (batch_.size() - 1)];
    batch_.swap(grown);
    batch_head_ = 0;
}

void MessageQueue::PushBatch(const ThreadMessage& message) {
    ReserveBatchSlot();
    const std::size_t count = BatchCount();
    batch_[(batch_head_ + count) & (batch_.size() - 1)] = message;
    batch_count_.store(count + 1, std::memory_order_relaxed);
}

void MessageQueue::PushBatchFront(const ThreadMessage& message) {
    ReserveBatchSlot();
    batch_head_ = (batch_head_ + batch_.size() - 1) & (batch_.size() - 1);
    batch_[batch_head_] = message;
    batch_count_.store(BatchCount() + 1, std::memory_order_relaxed);
}

ThreadMessage MessageQueue::PopBatch() {
    ThreadMessage message = batch_[batch_head_];
    batch_head_ = (batch_head_ + 1) & (batch_.size() - 1);
    batch_count_.store(BatchCount() - 1, std::memory_order_relaxed);
    return message;
}

std::vector<ThreadMessage> MessageQueue::CloseAndDrain() {
    std::lock_guard consumer(consumer_mutex_);
    {
        std::lock_guard lock(mutex_);
        timers_.clear();
    }
    // Every poster whose exchange came before this load links its node and
    // is taken below; every later one sees the queue closed and withdraws.
    closed_.store(true);
    RefillBatch(tail_.load());
    drained_ = true;
    std::vector<ThreadMessage> left;
    left.reserve(BatchCount());
    while (BatchCount() != 0)
        left.push_back(PopBatch());
    return left;
}

std::vector<ThreadMessage> MessageQueue::RemoveWindowMessages(HWND window) {
    return RemoveWhere([window](const ThreadMessage& message) { return message.window == window; });
}

std::vector<ThreadMessage> MessageQueue::RemoveWindowMessages(HWND window, UINT number) {
    return RemoveWhere([window, number](const ThreadMessage& message) {
        return message.window == window && message.message == number;
    });
}

template <typename Taken> std::vector<ThreadMessage> MessageQueue::RemoveWhere(Taken taken) {
    std::lock_guard consumer(consumer_mutex_);
    RefillBatch();
    std::vector<ThreadMessage> removed;
    std::vector<ThreadMessage> kept;
    kept.reserve(BatchCount());
    while (BatchCount() != 0) {
        ThreadMessage message = PopBatch();
        (taken(message) ? removed : kept).push_back(message);
    }
    batch_head_ = 0;
    for (const ThreadMessage& message : kept)
        PushBatch(message);
    return removed;
}

bool MessageQueue::IsClosed() const {
    return closed_.load(std::memory_order_acquire);
}

void MessageQueue::SetTimer(UINT id, UINT interval_ms) {
    SetAnyTimer(nullptr, id, interval_ms);
}

bool MessageQueue::KillTimer(UINT id) {
    return KillAnyTimer(nullptr, id);
}

void MessageQueue::SetWindowTimer(HWND window, UINT id, UINT interval_ms) {
    if (window != nullptr)
        SetAnyTimer(window, id, interval_ms);
}

bool MessageQueue::KillWindowTimer(HWND window, UINT id) {
    return window != nullptr && KillAnyTimer(window, id);
}

void MessageQueue::KillWindowTimers(HWND window) {
    if (window == nullptr)
        return;
    std::lock_guard lock(mutex_);
    std::erase_if(timers_, [window](const Timer& timer) { return timer.window == window; });
}

void MessageQueue::SetAnyTimer(HWND window, UINT id, UINT interval_ms) {
    {
        std::lock_guard lock(mutex_);
        const std::uint32_t now = GetClock().TickMs();
        auto found = std::find_if(timers_.begin(), timers_.end(), [window, id](const Timer& timer) {
            return timer.window == window && timer.id == id;
        });
        if (found != timers_.end())
            *found = Timer{window, id, interval_ms, now};
        else
            timers_.push_back(Timer{window, id, interval_ms, now});
        ++wake_count_;
    }
    changed_.notify_all();
}

bool MessageQueue::KillAnyTimer(HWND window, UINT id) {
    std::lock_guard lock(mutex_);
    auto found = std::find_if(timers_.begin(), timers_.end(), [window, id](const Timer& timer) {
        return timer.window == window && timer.id == id;
    });
    if (found == timers_.end())
        return false;
    timers_.erase(found);
    return true;
}

void MessageQueue::Wake() {
    {
        std::lock_guard lock(mutex_);
        ++wake_count_;
    }
    changed_.notify_all();
}

std::size_t MessageQueue::GetCount() const {
    std::lock_guard consumer(consumer_mutex_);
    std::size_t count = BatchCount();
    for (const PostedNode* node = head_->next.load(std::memory_order_acquire); node != nullptr;
         node = node->next.load(std::memory_order_acquire)) {
        if (node->state.load(std::memory_order_acquire) == PostedNode::kLinked)
            ++count;
    }
    return count;
}

bool MessageQueue::TakeDueTimer(ThreadMessage& message, DWORD& wait_ms, bool remove) {
    wait_ms = KV_INFINITE;
    if (timers_.empty())
        return false;
    const std::uint32_t now = GetClock().TickMs();
    for (Timer& timer : timers_) {
        const auto elapsed = static_cast<std::int32_t>(now - timer.start_tick);
        const auto interval = static_cast<std::int32_t>(timer.interval_ms);
        if (elapsed >= interval) {
            if (remove)
                timer.start_tick = now;
            message = ThreadMessage{timer.window,
                                    timer.window != nullptr ? KV_WM_WINDOW_TIMER : KV_WM_TIMER,
                                    timer.id, 0};
            Stamp(message);
            return true;
        }
        wait_ms = std::min<DWORD>(wait_ms, static_cast<DWORD>(interval - elapsed));
    }
    return false;
}

bool MessageQueue::TakeGenerated(ThreadMessage& message, bool remove, DWORD& wait_ms) {
    wait_ms = KV_INFINITE;
    if (source_ == nullptr || !source_->NextGenerated(message, remove, wait_ms))
        return false;
    Stamp(message);
    return true;
}
