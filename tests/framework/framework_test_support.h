#pragma once
// Helpers shared by the framework tests: a payload class that counts its
// objects, and a message queue on the test's own thread that can be
// registered as a router endpoint.

#include "framework/message.h"
#include "framework/payload_registry.h"
#include "platform/message_queue.h"
#include "platform/thread_messaging.h"

#include <atomic>
#include <cstdint>
#include <memory>

// A code that the framework itself never fills: the call record's, which only
// the data layer registers.
inline constexpr std::int32_t kCountingPayloadType = 9;

struct CountingPayload {
    static std::atomic<int> created;
    static std::atomic<int> destroyed;

    CountingPayload() { ++created; }
    CountingPayload(const CountingPayload& other) : value(other.value) { ++created; }
    CountingPayload& operator=(const CountingPayload&) = default;
    ~CountingPayload() { ++destroyed; }

    std::uint32_t value = 0;
};

inline std::atomic<int> CountingPayload::created{0};
inline std::atomic<int> CountingPayload::destroyed{0};

inline constexpr PayloadOperations kCountingPayloadOperations =
    MakePayloadOperations<CountingPayload>();

// Registers the counting payload for the lifetime of the guard, with the
// counters at 0.
class ScopedCountingPayload {
public:
    ScopedCountingPayload() {
        CountingPayload::created = 0;
        CountingPayload::destroyed = 0;
        RegisterPayloadType(kCountingPayloadType, &kCountingPayloadOperations);
    }
    ~ScopedCountingPayload() { RegisterPayloadType(kCountingPayloadType, nullptr); }
    ScopedCountingPayload(const ScopedCountingPayload&) = delete;
    ScopedCountingPayload& operator=(const ScopedCountingPayload&) = delete;

    int Live() const { return CountingPayload::created - CountingPayload::destroyed; }
};

inline CKvMessage* NewMessageWithCountingPayload(std::uint32_t value) {
    auto* message = new CKvMessage;
    void* payload = nullptr;
    message->CreatePayload(payload, kCountingPayloadType);
    static_cast<CountingPayload*>(payload)->value = value;
    return message;
}

inline std::uint32_t PayloadValue(const CKvMessage& message) {
    return static_cast<const CountingPayload*>(message.GetPayload())->value;
}

// A queue attached to the calling thread, so that the test's own thread can be
// a thread endpoint. Message objects still queued at the end are released.
class TestThreadQueue {
public:
    static constexpr UINT kTimeoutTimer = 0xFFFF;

    TestThreadQueue() : queue_(std::make_shared<MessageQueue>()) { AttachThreadQueue(queue_); }
    ~TestThreadQueue() {
        DetachThreadQueue();
        for (const ThreadMessage& message : queue_->CloseAndDrain()) {
            if (message.message <= 0xFFFF && message.lParam != 0)
                reinterpret_cast<CKvMessage*>(message.lParam)->Release();
        }
    }
    TestThreadQueue(const TestThreadQueue&) = delete;
    TestThreadQueue& operator=(const TestThreadQueue&) = delete;

    DWORD GetThreadId() const { return ::GetCurrentThreadId(); }
    bool HasMessage() { return queue_->HasMessage(); }
    std::size_t GetCount() const { return queue_->GetCount(); }

    // The next message already queued, or null.
    CKvMessage* TakeQueued(UINT* number = nullptr, WPARAM* kind = nullptr) {
        if (queue_->GetCount() == 0)
            return nullptr;
        return Take(number, kind);
    }
    // Waits up to 10 s (on the system clock) for the next message.
    CKvMessage* WaitMessage(UINT* number = nullptr, WPARAM* kind = nullptr) {
        queue_->SetTimer(kTimeoutTimer, 10000);
        CKvMessage* message = Take(number, kind);
        queue_->KillTimer(kTimeoutTimer);
        return message;
    }

private:
    CKvMessage* Take(UINT* number, WPARAM* kind) {
        ThreadMessage message;
        if (!queue_->GetMessage(message) || message.message == KV_WM_TIMER)
            return nullptr;
        if (number != nullptr)
            *number = message.message;
        if (kind != nullptr)
            *kind = message.wParam;
        return reinterpret_cast<CKvMessage*>(message.lParam);
    }

    std::shared_ptr<MessageQueue> queue_;
};
