#pragma once
// The message queue of one thread that runs a message loop: a FIFO of posted
// messages, the thread's timers, and the quit request. Posting is thread-safe;
// taking messages is done by the owning thread's loop, which moves everything
// posted so far out in one go, so that it meets the posting threads' lock
// once per batch rather than once per message.

#include "platform/types.h"

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
};

class MessageQueue {
public:
    MessageQueue();
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    // Appends a message; false when the queue is closed, and the caller keeps
    // whatever the message refers to.
    bool Post(const ThreadMessage& message);
    // Appends a quit message behind everything posted so far.
    bool PostQuit(int exit_code);

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
    void Push(const ThreadMessage& message);
    ThreadMessage Pop();
    // The first due timer, restarted from now; false when none is due. On
    // false, wait_ms tells how long until the next one is due (KV_INFINITE
    // without timers).
    bool TakeDueTimer(ThreadMessage& message, DWORD& wait_ms, bool remove = true);
    // A generated message from the source, asked outside the locks.
    bool TakeGenerated(ThreadMessage& message, bool remove, DWORD& wait_ms);
    void SetAnyTimer(HWND window, UINT id, UINT interval_ms);
    bool KillAnyTimer(HWND window, UINT id);

    // Makes every posted message the batch, which must be empty, by swapping
    // the two rings, so that the posters' lock is held only for that; both
    // locks held.
    void RefillBatch();
    std::size_t BatchCount() const { return batch_count_; }
    ThreadMessage PopBatch();

    // The loop's side and the posters' side each have cache lines of their
    // own, so that taking a message does not disturb the posters' lock.
    static constexpr std::size_t kCacheLine = 64;

    // Lock order: consumer_mutex_, then mutex_.
    // Guards the batch: messages taken out of the ring, older than any in it.
    alignas(kCacheLine) mutable std::mutex consumer_mutex_;
    std::vector<ThreadMessage> batch_;
    std::size_t batch_head_ = 0;
    std::size_t batch_count_ = 0;
    // Guards the ring, the timers and the flags. What a post writes shares
    // the lock's cache line.
    alignas(kCacheLine) mutable std::mutex mutex_;
    std::size_t head_ = 0;
    std::size_t count_ = 0;
    bool closed_ = false;
    // The loop waits for a post; the first post clears it and wakes the loop.
    bool consumer_waiting_ = false;
    // A ring buffer that only grows, so that posting allocates nothing once
    // the queue has seen its working size.
    std::vector<ThreadMessage> ring_;
    std::condition_variable changed_;
    std::vector<Timer> timers_;
    std::uint64_t wake_count_ = 0;
    GeneratedMessageSource* source_ = nullptr;
};
