#pragma once
// The message queue of one thread that runs a message loop: a FIFO of posted
// messages, the thread's timers, and the quit request. Posting is thread-safe
// and takes no lock: a post links a node at the tail with one atomic exchange,
// so that many posting threads do not queue up behind one another. Taking
// messages is done by the owning thread's loop, which moves everything posted
// so far out in one go.

#include "platform/types.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

// One posted message. window is null for a message posted to the thread.
// time and pt are the tick and cursor position of its posting; it serves as
// the window system's MSG.
struct ThreadMessage {
    ThreadMessage() = default;
    ThreadMessage(HWND window_, UINT message_, WPARAM wParam_, LPARAM lParam_)
        : window(window_), message(message_), wParam(wParam_), lParam(lParam_) {}

    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD time = 0;
    POINT pt;
};

// The loop's own message numbers lie above 0xFFFF, because 16-bit endpoint ids
// are used as message numbers.
inline constexpr UINT KV_WM_QUIT = 0x00010012u;  // wParam: exit code
inline constexpr UINT KV_WM_TIMER = 0x00010113u; // wParam: timer id
// A window timer gives the window system's WM_TIMER (wParam: timer id).
inline constexpr UINT KV_WM_WINDOW_TIMER = 0x0113u;

// The cursor position that posted messages carry (screen coordinates).
void SetMessageCursorPos(POINT position);
POINT GetMessageCursorPos();

// Messages a thread's window system makes when asked instead of posting them
// (paints, hover notices). Asked by the owning thread only, after the posted
// messages and before the timers, never under the queue's locks.
class GeneratedMessageSource {
public:
    virtual ~GeneratedMessageSource() = default;
    // The next generated message, taken out when remove is set. On false,
    // wait_ms tells how long until one may be due (KV_INFINITE: none).
    virtual bool NextGenerated(ThreadMessage& message, bool remove, DWORD& wait_ms) = 0;
    // A posted message the owning thread took out, once, whichever loop took
    // it; told outside the queue's locks before the message is handled. The
    // source may address it anew; on false it is dropped, and the loop goes
    // on to the next message.
    virtual bool OnPostedTaken(ThreadMessage&) { return true; }
    // A posted message the owning thread looks at without taking it out:
    // shown as it would be addressed if it were taken now.
    virtual void OnPostedSeen(ThreadMessage&) {}
};

// One posted message on its way to the loop.
struct PostedNode;

// The loop's lock: the owning thread takes it for every message, other
// threads seldom (counts, removals, the drain). A thread that finds it taken
// yields until it is free. GetMessage holds it while it takes the queue's
// mutex to look at the timers (always this lock first, then the mutex, whose
// other holders never take this lock) and gives it back before it waits for
// a post or asks the generated source; GetMessage and the drain hold it
// while they yield to a poster between its exchange and its link. It is
// taken with one exchange and given back with a plain store: unlike a
// mutex's release, that never looks for sleepers.
class ConsumerLock {
public:
    void lock() {
        if (taken_.exchange(true, std::memory_order_acquire))
            WaitAndLock();
    }
    void unlock() { taken_.store(false, std::memory_order_release); }

private:
    void WaitAndLock();

    std::atomic<bool> taken_{false};
};

class MessageQueue {
public:
    MessageQueue();
    // What is still linked is dropped: the owner drains before that.
    ~MessageQueue();
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    // Appends a message; false when the queue is closed, and the caller keeps
    // whatever the message refers to.
    bool Post(const ThreadMessage& message);
    // Appends a quit message behind everything posted so far.
    bool PostQuit(int exit_code);
    // Puts a message ahead of everything queued, so that the next take gives
    // it; for the owning thread only. False when the queue is closed.
    bool PostNext(const ThreadMessage& message);

    // True when a message, a generated message or a due timer is waiting.
    // Never blocks.
    bool HasMessage();
    // Takes the next message, waiting for one. A due timer gives a timer
    // message only when no posted message waits. Returns false when the quit
    // message was taken; the queue is closed from then on.
    bool GetMessage(ThreadMessage& message);
    // Like GetMessage without waiting; false when nothing waits. A quit
    // message taken out closes the queue.
    bool PeekMessage(ThreadMessage& message, bool remove);
    // Closes the queue (later posts fail) and hands back the messages still
    // queued, in order, for the owner to release.
    std::vector<ThreadMessage> CloseAndDrain();
    // Takes out every message aimed at the window, in order.
    std::vector<ThreadMessage> RemoveWindowMessages(HWND window);
    // Takes out the messages of one number aimed at the window, in order.
    std::vector<ThreadMessage> RemoveWindowMessages(HWND window, UINT number);
    bool IsClosed() const;

    // Thread timers run on the replaceable clock. Setting an existing id
    // restarts it with the new interval.
    void SetTimer(UINT id, UINT interval_ms);
    bool KillTimer(UINT id);

    // Window timers give KV_WM_WINDOW_TIMER for their window, at most one at
    // a time, when nothing posted or generated waits.
    void SetWindowTimer(HWND window, UINT id, UINT interval_ms);
    bool KillWindowTimer(HWND window, UINT id);
    void KillWindowTimers(HWND window);

    // Set and read by the owning thread only; null removes it.
    void SetGeneratedSource(GeneratedMessageSource* source) { source_ = source; }
    GeneratedMessageSource* GetGeneratedSource() const { return source_; }

    // Makes a waiting GetMessage look again at its timers, for instance after a
    // test moved a manual clock on.
    void Wake();

    std::size_t GetCount() const;

private:
    struct Timer {
        HWND window;
        UINT id;
        UINT interval_ms;
        std::uint32_t start_tick;
    };

    template <typename Taken> std::vector<ThreadMessage> RemoveWhere(Taken taken);
    // The first due timer, restarted from now; false when none is due. On
    // false, wait_ms tells how long until the next one is due (KV_INFINITE
    // without timers).
    bool TakeDueTimer(ThreadMessage& message, DWORD& wait_ms, bool remove = true);
    // A generated message from the source, asked outside the locks.
    bool TakeGenerated(ThreadMessage& message, bool remove, DWORD& wait_ms);
    void SetAnyTimer(HWND window, UINT id, UINT interval_ms);
    bool KillAnyTimer(HWND window, UINT id);

    // With the consumer lock: moves the linked messages into the batch, in
    // order; false when none was taken. Without a stop node it ends at a
    // poster that has exchanged the tail but not linked its node yet (that
    // poster wakes the loop itself); with one it waits for the links up to it.
    bool RefillBatch(const PostedNode* stop = nullptr);
    // With the consumer lock: true when a message is linked behind the head.
    bool HasLinked() const;
    void PushBatch(const ThreadMessage& message);
    void PushBatchFront(const ThreadMessage& message);
    // Grows the batch when it is full, keeping its order.
    void ReserveBatchSlot();
    std::size_t BatchCount() const { return batch_count_.load(std::memory_order_relaxed); }
    ThreadMessage PopBatch();

    // The loop's side and the posters' side each have cache lines of their
    // own, so that taking a message does not disturb the posters.
    static constexpr std::size_t kCacheLine = 64;

    // Lock order: consumer_mutex_, then mutex_.
    // Guards the head of the linked messages and the batch: messages taken
    // out of the list, older than any still linked.
    alignas(kCacheLine) mutable ConsumerLock consumer_mutex_;
    PostedNode* head_;
    std::vector<ThreadMessage> batch_;
    std::size_t batch_head_ = 0;
    // Changed under the consumer lock only; HasMessage reads it without.
    std::atomic<std::size_t> batch_count_{0};
    // Set once the owner drained the queue: nothing is taken out after that.
    bool drained_ = false;
    // Nodes the loop has moved past whose posters still look at them.
    std::vector<PostedNode*> unfinished_;
    // The last linked node; posters exchange it.
    alignas(kCacheLine) std::atomic<PostedNode*> tail_;
    // Read by every post; set only under the consumer lock.
    alignas(kCacheLine) std::atomic<bool> closed_{false};
    // The loop is about to wait or waits; the first post that sees it clears
    // it and wakes the loop, so that many posters do not each pay a wake-up.
    std::atomic<bool> consumer_waiting_{false};
    // Guards the timers and the wake count.
    alignas(kCacheLine) mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Timer> timers_;
    std::uint64_t wake_count_ = 0;
    GeneratedMessageSource* source_ = nullptr;
};
