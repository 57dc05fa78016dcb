#include "framework/message_router.h"

#include "platform/clock.h"
#include "framework/job_id.h"
#include "platform/platform_window.h"
#include "platform/pointer.h"
#include "platform/thread_messaging.h"

#include <mutex>
#include <unordered_set>

namespace {

// Endpoint names are kept for the life of the process: a message carries its
// target's name, may outlive both the endpoint and the router, and copying it
// then costs no shared counter.
const std::string* InternName(const char* name) {
    struct Names {
        std::mutex mutex;
        std::unordered_set<std::string> texts;
    };
    static Names names;
    std::lock_guard lock(names.mutex);
    return &*names.texts.emplace(IsValidPtr(name) ? name : "").first;
}

// A name that shares nothing: the text lives as long as the process.
std::shared_ptr<const std::string> NameHandle(const std::string* name) {
    return std::shared_ptr<const std::string>(std::shared_ptr<const std::string>(), name);
}

std::shared_ptr<const std::string> MakeName(const char* name) {
    return NameHandle(InternName(name));
}

// A message posted to a window endpoint that the window will never take.
void ReleasePostedMessage(const ThreadMessage& posted) {
    auto* message = reinterpret_cast<CKvMessage*>(posted.lParam);
    if (IsValidPtr(message))
        message->Release();
}

} // namespace

class CKvMessageRouter::EndpointGuard {
public:
    explicit EndpointGuard(CKvMessageRouter& router) : lock_(router.endpoint_lock_) {
        if (lock_ != nullptr)
            lock_->Lock();
    }
    ~EndpointGuard() {
        if (lock_ != nullptr)
            lock_->Unlock();
    }
    EndpointGuard(const EndpointGuard&) = delete;
    EndpointGuard& operator=(const EndpointGuard&) = delete;

private:
    CriticalSection* lock_;
};

CKvMessageRouter::~CKvMessageRouter() {
    RemoveAllEndpoints();
    for (std::atomic<IndexPage*>& page : index_)
        delete page.load(std::memory_order_relaxed);
    undelivered_.DeleteAll();
    subscriptions_.DeleteAll();
    if (table_ == nullptr)
        return;
    table_->Free(job_lock_id_);
    table_->Free(endpoint_lock_id_);
}

KvResult CKvMessageRouter::Init(HandleTable* table) {
    if (!IsValidPtr(table))
        return KV_E_INVALID_POINTER;
    if (IsInitialized())
        return KV_OK;
    std::uint32_t job_lock_id = 0;
    KvResult result = table->Allocate(job_lock_id);
    if (result != KV_OK)
        return result;
    std::uint32_t endpoint_lock_id = 0;
    result = table->Allocate(endpoint_lock_id);
    if (result != KV_OK) {
        table->Free(job_lock_id);
        return result;
    }
    table_ = table;
    job_lock_id_ = job_lock_id;
    endpoint_lock_id_ = endpoint_lock_id;
    table->Lookup(job_lock_id, job_lock_);
    table->Lookup(endpoint_lock_id, endpoint_lock_);
    initialized_.store(true, std::memory_order_release);
    return KV_OK;
}

KvResult CKvMessageRouter::RegisterThread(std::uint16_t id, DWORD thread_id, const char* name) {
    CKvRouterEndpoint entry;
    entry.kind = CKvRouterEndpoint::kThread;
    entry.thread_id = thread_id;
    entry.name = MakeName(name);
    return Register(id, entry);
}

KvResult CKvMessageRouter::RegisterWindow(std::uint16_t id, HWND window, const char* name) {
    CKvRouterEndpoint entry;
    entry.kind = CKvRouterEndpoint::kWindow;
    entry.window = window;
    entry.name = MakeName(name);
    const KvResult result = Register(id, entry);
    // What the window never takes is released when it is destroyed.
    if (result == KV_OK)
        SetWindowMessageDisposer(window, id, &ReleasePostedMessage);
    return result;
}

KvResult CKvMessageRouter::Register(std::uint16_t id, const CKvRouterEndpoint& entry) {
    if (!IsInitialized())
        return KV_E_FAIL;
    auto owned = std::make_unique<CKvRouterEndpoint>(entry);
    owned->id = id;
    EndpointGuard guard(*this);
    auto [place, added] = endpoints_.try_emplace(id, std::move(owned));
    if (!added)
        return KV_E_FAIL;
    PublishEndpoint(id, place->second.get());
    registered_since_walk_.store(true, std::memory_order_release);
    return KV_OK;
}

void CKvMessageRouter::PublishEndpoint(std::uint16_t id, const CKvRouterEndpoint* entry) {
    std::atomic<IndexPage*>& page_slot = index_[id / kIndexPageSize];
    IndexPage* page = page_slot.load(std::memory_order_relaxed);
    if (page == nullptr) {
        page = new IndexPage;
        page_slot.store(page, std::memory_order_release);
    }
    IndexSlot& slot = page->slots[id % kIndexPageSize];
    const std::uint32_t sequence = slot.sequence.load(std::memory_order_relaxed);
    slot.sequence.store(sequence + 1, std::memory_order_relaxed);
    // Release stores: a reader that sees a new field also sees the odd
    // sequence before it.
    slot.registered.store(entry != nullptr, std::memory_order_release);
    if (entry != nullptr) {
        slot.kind.store(entry->kind, std::memory_order_release);
        slot.thread_id.store(entry->thread_id, std::memory_order_release);
        slot.window.store(entry->window, std::memory_order_release);
        slot.name.store(entry->name.get(), std::memory_order_release);
    }
    slot.sequence.store(sequence + 2, std::memory_order_release);
}

bool CKvMessageRouter::ReadEndpoint(std::uint16_t id, CKvRouterEndpoint& entry) const {
    const IndexPage* page = index_[id / kIndexPageSize].load(std::memory_order_acquire);
    if (page == nullptr)
        return false;
    const IndexSlot& slot = page->slots[id % kIndexPageSize];
    for (;;) {
        const std::uint32_t sequence = slot.sequence.load(std::memory_order_acquire);
        if (sequence % 2 != 0)
            continue;
        const bool registered = slot.registered.load(std::memory_order_acquire);
        entry.kind = slot.kind.load(std::memory_order_acquire);
        entry.thread_id = slot.thread_id.load(std::memory_order_acquire);
        entry.window = slot.window.load(std::memory_order_acquire);
        const std::string* name = slot.name.load(std::memory_order_acquire);
        if (slot.sequence.load(std::memory_order_relaxed) != sequence)
            continue;
        if (!registered)
            return false;
        entry.name = NameHandle(name);
        entry.id = id;
        return true;
    }
}

KvResult CKvMessageRouter::Unregister(std::uint16_t id) {
    if (!IsInitialized())
        return KV_E_FAIL;
    std::unique_ptr<CKvRouterEndpoint> removed;
    {
        EndpointGuard guard(*this);
        auto found = endpoints_.find(id);
        if (found == endpoints_.end())
            return KV_E_FAIL;
        removed = std::move(found->second);
        endpoints_.erase(found);
        PublishEndpoint(id, nullptr);
    }
    // Messages still queued for a window endpoint would otherwise wait for a
    // window that no longer expects them.
    if (removed->kind == CKvRouterEndpoint::kWindow) {
        for (const ThreadMessage& posted : TakeWindowMessages(removed->window, id))
            ReleasePostedMessage(posted);
    }
    RemoveSubscriptions(id);
    return KV_OK;
}

std::int32_t CKvMessageRouter::LookupEndpoint(CKvRouterEndpoint& entry, std::uint16_t id) {
    if (!IsInitialized())
        return 0;
    EndpointGuard guard(*this);
    auto found = endpoints_.find(id);
    if (found == endpoints_.end())
        return 0;
    entry = *found->second;
    return 1;
}

std::uint32_t CKvMessageRouter::NextJobId() {
    if (!IsInitialized())
        return 0;
    return TakeNextJobId();
}

std::uint32_t CKvMessageRouter::JobIdAfter(std::uint32_t current) {
    return JobIdFollowing(current);
}

std::int32_t CKvMessageRouter::CreateMessage(CKvMessage*& message) {
    message = new CKvMessage;
    return 1;
}

std::int32_t CKvMessageRouter::CreateMessageWithPayload(CKvMessage*& message, void*& payload,
                                                        std::int32_t payload_type) {
    message = new CKvMessage;
    if (message->CreatePayload(payload, payload_type))
        return 1;
    delete message;
    message = nullptr;
    payload = nullptr;
    return 0;
}

KvResult CKvMessageRouter::AddSubscription(CKvMessage* pattern) {
    EndpointGuard guard(*this);
    const KvResult result = subscriptions_.Add(pattern, false);
    if (result == KV_OK)
        subscription_count_.store(subscriptions_.GetCount(), std::memory_order_release);
    return result;
}

KvResult CKvMessageRouter::RemoveSubscription(CKvMessage* pattern) {
    {
        EndpointGuard guard(*this);
        if (!subscriptions_.Remove(pattern))
            return KV_E_FAIL;
        subscription_count_.store(subscriptions_.GetCount(), std::memory_order_release);
    }
    pattern->Release();
    return KV_OK;
}

void CKvMessageRouter::RemoveSubscriptions(std::uint16_t id) {
    std::vector<CKvMessage*> removed;
    {
        EndpointGuard guard(*this);
        CKvMessageList::Position position;
        subscriptions_.GetHeadPosition(position);
        while (CKvMessage* pattern = subscriptions_.GetNext(position)) {
            if (pattern->GetSubscriberEndpoint() == id)
                removed.push_back(pattern);
        }
        for (CKvMessage* pattern : removed)
            subscriptions_.Remove(pattern);
        subscription_count_.store(subscriptions_.GetCount(), std::memory_order_release);
    }
    ReleaseAll(removed);
}

KvResult CKvMessageRouter::SignalSubscribers(CKvMessage* message) {
    if (!IsValidPtr(message))
        return KV_E_INVALID_POINTER;
    if (message->GetKind() == KV_MSG_KIND_SIGNAL)
        return KV_E_FAIL;
    if (subscription_count_.load(std::memory_order_acquire) == 0)
        return KV_OK;
    SendSignalCopies(MakeSignalCopies(*message, MatchingSubscribers(*message)),
                     message->GetValue());
    return KV_OK;
}

KvResult CKvMessageRouter::QueueUndelivered(CKvMessage* message) {
    if (queue_closed_.load(std::memory_order_acquire))
        return KV_E_FAIL;
    EndpointGuard guard(*this);
    if (!IsValidPtr(message))
        return KV_E_INVALID_POINTER;
    const KvResult result = undelivered_.Add(message, false);
    if (result != KV_OK)
        return result;
    message->GetTimer().Restart(0, kUndeliveredLifetimeMs);
    NoteUndelivered();
    // The endpoint may have registered after the sender looked for it, and a
    // walk may have passed since: the next send walks again.
    if (endpoints_.count(message->GetTargetEndpoint()) != 0)
        registered_since_walk_.store(true, std::memory_order_release);
    return KV_OK;
}

void CKvMessageRouter::NoteUndelivered() {
    undelivered_count_.store(undelivered_.GetCount(), std::memory_order_release);
    // Messages are queued in time order and all live equally long, so the
    // first one is the first to expire.
    if (const CKvMessage* oldest = undelivered_.Front())
        oldest_queued_tick_.store(oldest->GetTimer().GetStart(), std::memory_order_release);
}

bool CKvMessageRouter::IsRetryDue() const {
    if (registered_since_walk_.load(std::memory_order_acquire))
        return true;
    const std::uint32_t oldest = oldest_queued_tick_.load(std::memory_order_acquire);
    return static_cast<std::int32_t>(GetClock().TickMs() - oldest) >=
           static_cast<std::int32_t>(kUndeliveredLifetimeMs);
}

KvResult CKvMessageRouter::RetryUndelivered() {
    if (undelivered_count_.load(std::memory_order_acquire) == 0 || !IsRetryDue())
        return KV_OK;
    // Posting a message sends subscriber copies, and sending retries: the flag
    // keeps a walk from starting inside another.
    if (retrying_.exchange(true, std::memory_order_acq_rel))
        return KV_OK;
    std::vector<CKvMessage*> waiting;
    {
        EndpointGuard guard(*this);
        // A registration from here on asks for another walk.
        registered_since_walk_.store(false, std::memory_order_release);
        waiting = undelivered_.TakeAll();
        undelivered_count_.store(0, std::memory_order_release);
    }
    std::vector<CKvMessage*> still_waiting;
    for (CKvMessage* message : waiting) {
        if (message->GetTimer().CheckExpired()) {
            message->Release();
            continue;
        }
        if (Deliver(message, false) != KV_OK)
            still_waiting.push_back(message);
    }
    {
        EndpointGuard guard(*this);
        undelivered_.PutBackInFront(still_waiting);
        NoteUndelivered();
    }
    retrying_.store(false, std::memory_order_release);
    return KV_OK;
}

void CKvMessageRouter::RemoveAllEndpoints() {
    EndpointGuard guard(*this);
    for (const auto& [id, entry] : endpoints_)
        PublishEndpoint(id, nullptr);
    endpoints_.clear();
}

KvResult CKvMessageRouter::Deliver(CKvMessage* message, bool queue_if_absent) {
    if (!IsValidPtr(message))
        return KV_E_INVALID_POINTER;
    if (!IsInitialized())
        return KV_E_FAIL;
    const std::uint16_t target = message->GetTargetEndpoint();
    CKvRouterEndpoint endpoint;
    if (!ReadEndpoint(target, endpoint))
        return queue_if_absent ? QueueUndelivered(message) : KV_E_FAIL;
    message->SetTargetName(std::move(endpoint.name));
    if (endpoint.kind != CKvRouterEndpoint::kThread && endpoint.kind != CKvRouterEndpoint::kWindow)
        return KV_E_FAIL;

    // The copies are made before the posting: from then on the receiver may
    // release the message at any moment.
    std::vector<SignalCopy> copies;
    if (message->GetKind() != KV_MSG_KIND_SIGNAL &&
        subscription_count_.load(std::memory_order_acquire) != 0)
        copies = MakeSignalCopies(*message, MatchingSubscribers(*message));
    const std::uint32_t value = message->GetValue();

    const auto kind = static_cast<WPARAM>(message->GetKind());
    const auto address = reinterpret_cast<LPARAM>(message);
    const bool posted = endpoint.kind == CKvRouterEndpoint::kThread
                            ? PostThreadMessage(endpoint.thread_id, target, kind, address)
                            : PostWindowMessage(endpoint.window, target, kind, address);
    if (!posted) {
        for (const SignalCopy& copy : copies)
            copy.copy->Release();
        return KV_E_FAIL;
    }
    SendSignalCopies(copies, value);
    return KV_OK;
}

std::int32_t CKvMessageRouter::GetEndpointCount() {
    EndpointGuard guard(*this);
    return static_cast<std::int32_t>(endpoints_.size());
}

std::int32_t CKvMessageRouter::GetUndeliveredCount() {
    EndpointGuard guard(*this);
    return undelivered_.GetCount();
}

std::int32_t CKvMessageRouter::GetSubscriptionCount() {
    EndpointGuard guard(*this);
    return subscriptions_.GetCount();
}

std::vector<std::uint16_t> CKvMessageRouter::MatchingSubscribers(const CKvMessage& message) {
    std::vector<std::uint16_t> subscribers;
    EndpointGuard guard(*this);
    CKvMessageList::Position position;
    subscriptions_.GetHeadPosition(position);
    while (const CKvMessage* pattern = subscriptions_.GetNext(position)) {
        if (message.MatchSubscription(pattern) == KV_OK)
            subscribers.push_back(pattern->GetSubscriberEndpoint());
    }
    return subscribers;
}

std::vector<CKvMessageRouter::SignalCopy>
CKvMessageRouter::MakeSignalCopies(const CKvMessage& message,
                                   const std::vector<std::uint16_t>& subscribers) {
    std::vector<SignalCopy> copies;
    copies.reserve(subscribers.size());
    for (std::uint16_t subscriber : subscribers) {
        CKvMessage* copy = nullptr;
        if (message.Clone(copy) != KV_OK) {
            if (copy != nullptr)
                copy->Release();
            continue;
        }
        copy->SetKind(KV_MSG_KIND_SIGNAL);
        copies.push_back(SignalCopy{copy, subscriber});
    }
    return copies;
}

void CKvMessageRouter::SendSignalCopies(const std::vector<SignalCopy>& copies,
                                        std::uint32_t value) {
    for (const SignalCopy& copy : copies)
        copy.copy->Send(copy.subscriber, copy.copy->GetSourceEndpoint(), this, value, true, false);
}

void CKvMessageRouter::ReleaseAll(const std::vector<CKvMessage*>& messages) {
    for (CKvMessage* message : messages)
        message->Release();
}
