#pragma once
// The post office of the process. Threads and windows register under 16-bit
// endpoint ids; a message is delivered by posting its address to the endpoint's
// queue with the endpoint id as message number and the kind as first
// parameter. The router also hands out job ids, sends SIGNAL copies to
// subscribers, and keeps messages for endpoints not registered yet for 20
// seconds.
//
// Locking: the endpoint lock guards the endpoint map, the subscriptions and
// the undelivered queue, and is held only for work on them; postings and the
// copies for subscribers happen outside it. Delivery reads the endpoints
// through an index that the writers keep beside the map and that is read
// without a lock, so that senders on many threads do not queue up behind one
// another before they reach the receiver's queue.

#include "core/handle_table.h"
#include "framework/message.h"
#include "framework/message_list.h"
#include "platform/result_codes.h"
#include "platform/types.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// One registered endpoint.
struct CKvRouterEndpoint {
    enum Kind : std::int32_t { kThread = 0, kWindow = 1 };

    std::int32_t kind = kThread;
    DWORD thread_id = 0;   // kind kThread
    HWND window = nullptr; // kind kWindow
    std::shared_ptr<const std::string> name;
    std::uint16_t id = 0;
};

class CKvMessageRouter {
public:
    // How long an undelivered message waits for its endpoint.
    static constexpr std::uint32_t kUndeliveredLifetimeMs = 20000;

    CKvMessageRouter() = default;
    // Drops the endpoints, releases the undelivered messages and the
    // subscription patterns, and gives the two lock ids back to the table.
    ~CKvMessageRouter();
    CKvMessageRouter(const CKvMessageRouter&) = delete;
    CKvMessageRouter& operator=(const CKvMessageRouter&) = delete;

    // Takes the two locks from the table; once, before any other use.
    KvResult Init(HandleTable* table);
    bool IsInitialized() const { return initialized_.load(std::memory_order_acquire); }

    // KV_E_FAIL when the id is taken (the existing entry stays) or the router
    // is not initialised. The name may be null.
    KvResult RegisterThread(std::uint16_t id, DWORD thread_id, const char* name);
    KvResult RegisterWindow(std::uint16_t id, HWND window, const char* name);
    // Drops the endpoint and releases the subscription patterns whose
    // subscriber it is. KV_E_FAIL for an id not registered.
    KvResult Unregister(std::uint16_t id);
    // 1 and a copy of the entry when registered, else 0.
    std::int32_t LookupEndpoint(CKvRouterEndpoint& entry, std::uint16_t id);

    // The next id of the process-wide job-id counter; 0 before Init.
    std::uint32_t NextJobId();
    // The id that follows current: 0 and 1 are skipped after a wrap.
    static std::uint32_t JobIdAfter(std::uint32_t current);

    // A new blank message; 1.
    std::int32_t CreateMessage(CKvMessage*& message);
    // A new message owning a new payload of the type; 0 with both null when
    // the payload cannot be made.
    std::int32_t CreateMessageWithPayload(CKvMessage*& message, void*& payload,
                                          std::int32_t payload_type);

    // Takes the pattern over on KV_OK: its subscriber endpoint receives SIGNAL
    // copies of the messages whose kind, command, sub-command, payload type,
    // source and target match its non-zero fields.
    KvResult AddSubscription(CKvMessage* pattern);
    // Unlinks and releases one pattern; KV_E_FAIL when it is not held.
    KvResult RemoveSubscription(CKvMessage* pattern);
    // Releases the patterns of a subscriber endpoint.
    void RemoveSubscriptions(std::uint16_t id);
    // Sends a SIGNAL copy to each matching subscriber. KV_E_FAIL for a SIGNAL,
    // which is never copied again.
    KvResult SignalSubscribers(CKvMessage* message);

    // Keeps the message for 20 seconds for an endpoint not registered yet.
    KvResult QueueUndelivered(CKvMessage* message);
    // Releases expired undelivered messages and posts the others whose
    // endpoint is registered now. The queue is walked only when that can have
    // changed: an endpoint was registered since the last walk, or the oldest
    // message has expired. One walk at a time: a walk that is under way (on
    // this thread or another) makes the call return at once. Always KV_OK.
    KvResult RetryUndelivered();
    // While closed, the undelivered queue takes nothing.
    void SetQueueClosed(bool closed) { queue_closed_.store(closed, std::memory_order_release); }

    void RemoveAllEndpoints();

    // Posts the message to its target endpoint: with subscribers matching it,
    // their copies are made first and sent only after the posting succeeded.
    // Without a registered target, queues it when asked, else KV_E_FAIL. On
    // KV_OK the receiver (or the undelivered queue) owns the message.
    KvResult Deliver(CKvMessage* message, bool queue_if_absent);

    std::int32_t GetEndpointCount();
    std::int32_t GetUndeliveredCount();
    std::int32_t GetSubscriptionCount();

private:
    // One endpoint id's entry of the read index. Writers (under the endpoint
    // lock) make the sequence odd while they change the fields; a reader
    // retries until it has read the fields between two equal even sequences.
    struct IndexSlot {
        std::atomic<std::uint32_t> sequence{0};
        std::atomic<bool> registered{false};
        std::atomic<std::int32_t> kind{CKvRouterEndpoint::kThread};
        std::atomic<DWORD> thread_id{0};
        std::atomic<HWND> window{nullptr};
        std::atomic<const std::string*> name{nullptr};
    };
    static constexpr std::size_t kIndexPageSize = 256;
    struct IndexPage {
        std::array<IndexSlot, kIndexPageSize> slots;
    };

    struct SignalCopy {
        CKvMessage* copy;
        std::uint16_t subscriber;
    };

    class EndpointGuard;

    KvResult Register(std::uint16_t id, const CKvRouterEndpoint& entry);
    // Under the endpoint lock; null clears the id.
    void PublishEndpoint(std::uint16_t id, const CKvRouterEndpoint* entry);
    // Without a lock: true and the entry (its name not owned) when registered.
    bool ReadEndpoint(std::uint16_t id, CKvRouterEndpoint& entry) const;
    bool IsRetryDue() const;
    // Under the endpoint lock, after the queue changed.
    void NoteUndelivered();
    std::vector<std::uint16_t> MatchingSubscribers(const CKvMessage& message);
    static std::vector<SignalCopy> MakeSignalCopies(const CKvMessage& message,
                                                    const std::vector<std::uint16_t>& subscribers);
    void SendSignalCopies(const std::vector<SignalCopy>& copies, std::uint32_t value);
    static void ReleaseAll(const std::vector<CKvMessage*>& messages);

    HandleTable* table_ = nullptr;
    std::uint32_t job_lock_id_ = 0;
    std::uint32_t endpoint_lock_id_ = 0;
    CriticalSection* job_lock_ = nullptr;
    CriticalSection* endpoint_lock_ = nullptr;
    std::atomic<bool> initialized_{false};

    std::unordered_map<std::uint16_t, std::unique_ptr<CKvRouterEndpoint>> endpoints_;
    // Pages of the read index, made on first use and kept until destruction.
    std::array<std::atomic<IndexPage*>, 0x10000 / kIndexPageSize> index_{};
    CKvMessageList subscriptions_;
    CKvMessageList undelivered_;
    // Counts kept beside the lists, so that the hot path can skip an empty
    // list without taking the lock.
    std::atomic<std::int32_t> subscription_count_{0};
    std::atomic<std::int32_t> undelivered_count_{0};
    std::atomic<bool> retrying_{false};
    // What makes a walk of the undelivered queue worth while: a registration
    // since the last walk, and the tick at which the oldest message was queued.
    std::atomic<bool> registered_since_walk_{false};
    std::atomic<std::uint32_t> oldest_queued_tick_{0};
    std::atomic<bool> queue_closed_{false};
};
