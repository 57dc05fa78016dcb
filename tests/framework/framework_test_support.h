#pragma once
// Helpers shared by the framework tests: a payload class that counts its
// objects, a message queue on the test's own thread, and a router fixture.

#include "framework/message.h"
#include "framework/message_router.h"
#include "framework/payload_registry.h"
#include "platform/message_queue.h"
#include "platform/thread_messaging.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>

inline constexpr DWORD kWait = 10000; // generous time-out for other threads
// A code that the framework itself never fills: the call record's, which only
// the data layer registers.
inline constexpr std::int32_t kCountingPayloadType = 9;

struct CountingPayload {
    static inline std::atomic<int> created{0};
    static inline std::atomic<int> destroyed{0};
    CountingPayload() { ++created; }
    CountingPayload(const CountingPayload& other) : value(other.value) { ++created; }
    CountingPayload& operator=(const CountingPayload&) = default;
    ~CountingPayload() { ++destroyed; }
    std::uint32_t value = 0;
};

inline constexpr PayloadOperations kCountingPayloadOperations =
    MakePayloadOperations<CountingPayload>();
// The counting class without a copy operation.
inline constexpr PayloadOperations kCountingPayloadWithoutCopy = {
    []() -> void* { return new CountingPayload; },
    nullptr,
    [](void* payload) { delete static_cast<CountingPayload*>(payload); },
};

// Registers the counting payload for the lifetime of the guard, counters at 0.
class ScopedCountingPayload {
public:
    ScopedCountingPayload() {
        CountingPayload::created = CountingPayload::destroyed = 0;
        RegisterPayloadType(kCountingPayloadType, &kCountingPayloadOperations);
    }
    ~ScopedCountingPayload() { RegisterPayloadType(kCountingPayloadType, nullptr); }
    int Live() const { return CountingPayload::created - CountingPayload::destroyed; }
};

// A message carrying a counting payload; kind and command are set when kind != 0.
inline CKvMessage* NewMessageWithCountingPayload(std::uint32_t value, std::int32_t kind = 0,
                                                 std::int32_t command = KV_MSG_COMMAND_DATA) {
    auto* message = new CKvMessage;
    void* payload = nullptr;
    message->CreatePayload(payload, kCountingPayloadType);
    static_cast<CountingPayload*>(payload)->value = value;
    if (kind != 0)
        message->SetKindAndCommand(kind, command, 0);
    return message;
}

inline std::uint32_t PayloadValue(const CKvMessage& message) {
    return static_cast<const CountingPayload*>(message.GetPayload())->value;
}

// A queue attached to the calling thread, so that the test's own thread can be
// a thread endpoint. Message objects still queued at the end are released.
class TestThreadQueue {
public:
    TestThreadQueue() : queue_(std::make_shared<MessageQueue>()) { AttachThreadQueue(queue_); }
    ~TestThreadQueue() {
        DetachThreadQueue();
        for (const ThreadMessage& message : queue_->CloseAndDrain()) {
            if (message.message <= 0xFFFF && message.lParam != 0)
                reinterpret_cast<CKvMessage*>(message.lParam)->Release();
        }
    }
    DWORD GetThreadId() const { return ::GetCurrentThreadId(); }
    std::size_t GetCount() const { return queue_->GetCount(); }

    // The next message; without waiting (or waiting up to kWait on the system
    // clock) for one. Null when there is none.
    CKvMessage* Take(UINT* number = nullptr, WPARAM* kind = nullptr, bool wait = false) {
        if (!wait && queue_->GetCount() == 0)
            return nullptr;
        constexpr UINT kTimeoutTimer = 0xFFFF;
        queue_->SetTimer(kTimeoutTimer, kWait);
        ThreadMessage message;
        const bool got = queue_->GetMessage(message);
        queue_->KillTimer(kTimeoutTimer);
        if (!got || message.message == KV_WM_TIMER)
            return nullptr;
        if (number != nullptr)
            *number = message.message;
        if (kind != nullptr)
            *kind = message.wParam;
        return reinterpret_cast<CKvMessage*>(message.lParam);
    }
    CKvMessage* Wait(WPARAM* kind = nullptr) { return Take(nullptr, kind, true); }

private:
    std::shared_ptr<MessageQueue> queue_;
};

// A router with the test's own thread registered as kSelf.
class RouterFixture : public testing::Test {
protected:
    static constexpr std::uint16_t kSelf = 0x800;
    void SetUp() override {
        ASSERT_EQ(router_.Init(&GetHandleTable()), KV_OK);
        ASSERT_EQ(router_.RegisterThread(kSelf, queue_.GetThreadId(), "self"), KV_OK);
    }
    // Sends the message (a new blank one when null) as kind/command from kSelf.
    KvResult SendFromSelf(std::uint16_t target, std::int32_t kind, std::int32_t command,
                          CKvMessage* message = nullptr) {
        if (message == nullptr)
            message = new CKvMessage;
        message->SetKindAndCommand(kind, command, 0);
        return message->Send(target, kSelf, &router_, 0, true, false);
    }

    ScopedCountingPayload counting_;
    TestThreadQueue queue_;
    CKvMessageRouter router_;
};
