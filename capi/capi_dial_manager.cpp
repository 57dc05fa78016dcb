#include "capi/capi_dial_manager.h"

#include "capi/capi_host.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t kTimer1Seconds = 11;
constexpr std::uint32_t kTimer2Seconds = 4;
// Disconnect reasons of a network without a free channel: worth a retry.
constexpr std::uint32_t kNoChannelAvailable = 0x34A2;
constexpr std::uint32_t kRequestedChannelNotAvailable = 0x34AC;

} // namespace

CapiDialManager::CapiDialManager()
    : CapiManagerBase(nullptr), queues_(std::make_unique<DialQueueSet>(this)) {
    Reset();
    timers_.Add(kCapiManagerTimer1, kTimer1Seconds, 0);
    timers_.Add(kCapiManagerTimer2, kTimer2Seconds, 0);
    ring_time_ = kDefaultRingTime;
}

CapiDialManager::~CapiDialManager() = default;

void CapiDialManager::Reset() {
    CapiManagerBase::Reset();
    payload_type_ = KV_PAYLOAD_CAPI_DIAL_MANAGER;
    current_item_ = nullptr;
    attempts_ = 0;
    retry_timer_.Stop();
    retry_timer_.SetInterval(0, 0);
}

void CapiDialManager::CopyFrom(const CapiManagerBase& other) {
    if (&other == this)
        return;
    if (const auto* dial = dynamic_cast<const CapiDialManager*>(&other)) {
        called_number_ = dial->called_number_;
        calling_number_ = dial->calling_number_;
        ring_time_ = dial->ring_time_;
        subaddress_ = dial->subaddress_;
        subaddress_length_ = dial->subaddress_length_;
    }
    CapiManagerBase::CopyFrom(other);
}

void CapiDialManager::SetRetryInterval(std::uint32_t milliseconds) {
    ring_time_ = std::clamp(milliseconds, kMinRingTime, kMaxRingTime);
}

bool CapiDialManager::SetSubaddress(const std::uint8_t* bytes, std::uint32_t length) {
    if (length > kSubaddressCapacity || (length != 0 && bytes == nullptr))
        return false;
    std::copy_n(bytes, length, subaddress_.begin());
    subaddress_length_ = length;
    return true;
}

KvResult CapiDialManager::Run() {
    if (owner_ != nullptr && appl_id_ != 0)
        ProcessMessages();
    result_ = KV_OK;
    return Step();
}

KvResult CapiDialManager::Step() {
    switch (state_) {
    case capi_state::kStart:
        return DoStart();
    case capi_state::kRunning:
        return DoQueueing();
    case capi_state::kConnecting:
        return DoAttemptEnd();
    case capi_state::kError:
    case capi_state::kShutdown:
        StepClosingState();
        return result_;
    case capi_state::kRelease:
        return DoRelease();
    default:
        return result_ = KV_E_FAIL;
    }
}

KvResult CapiDialManager::DoStart() {
    if (owner_ != nullptr &&
        connections_.Transfer(owner_->GetConnectionTable(), 1, true) == KV_OK) {
        appl_id_ = owner_->GetApplId();
        ConfirmRequest(request_, KV_MSG_ATTR_ACCEPTED, true);
        SetState(capi_state::kRunning);
    } else {
        SetState(capi_state::kError);
    }
    return result_;
}

KvResult CapiDialManager::DoRelease() {
    ReturnConnectionsToOwner();
    SetState(capi_state::kEnded);
    return result_;
}

bool CapiDialManager::TakeQueuedMessages() {
    for (CKvMessage* message : queue_.TakeAll()) {
        if (state_ == capi_state::kShutdown) {
            message->Release();
            continue;
        }
        // Items and stop requests come in one walk: a stop request discards
        // the items behind it too.
        if (IsStopRequest(message)) {
            message->Release();
            SetState(capi_state::kShutdown);
            continue;
        }
        if (message->GetPayloadType() == KV_PAYLOAD_CAPI_DIAL_MANAGER &&
            message->GetPayload() != nullptr) {
            auto* item = static_cast<CapiDialManager*>(message->GetPayload());
            const std::uint32_t queue_time =
                kQueueTime + kQueueTimePerItem * static_cast<std::uint32_t>(queues_->TotalCount());
            item->GetTimers().SetInterval(kCapiManagerTimer1, 0, queue_time);
            // An item whose subaddress overran its array carries nothing sound.
            if (item->subaddress_length_ <= kSubaddressCapacity &&
                queues_->Enqueue(item, true) == KV_OK)
                message->DetachPayload();
        }
        message->Release();
    }
    return state_ == capi_state::kShutdown;
}

KvResult CapiDialManager::DoQueueing() {
    if (TakeQueuedMessages())
        return result_;
    if (retry_timer_.IsRunning()) {
        retry_timer_.CheckExpired();
        return result_;
    }
    // A request the controller never confirmed frees its record after timer
    // 2, so that the next item is dialled.
    if (CapiConnection* leftover = FindCallConnection();
        leftover != nullptr && (leftover->GetState() == CapiConnection::kIdle ||
                                ExpireUnconfirmedRequest(*leftover))) {
        if (current_item_ != nullptr)
            queues_->DequeueAndDelete(current_item_);
        current_item_ = nullptr;
        GiveBack(leftover);
    }
    if (current_item_ == nullptr)
        DoDialling();
    return result_;
}

KvResult CapiDialManager::DoDialling() {
    queues_->CheckTimeouts();
    if (queues_->ActiveCount() == 0)
        return result_;
    CapiDialManager* item = queues_->NextActive();
    if (item == nullptr)
        return result_ = KV_E_INVALID_POINTER;
    CapiConnection* connection = nullptr;
    if (connections_.Take(connection) != KV_OK)
        return result_ = KV_CAPI_NOT_AVAILABLE;
    CapiSubaddress& subaddress = connection->GetCodec().CallingPartySubaddress();
    subaddress.Clear();
    subaddress.type = CapiSubaddress::kUserSpecified;
    subaddress.length = static_cast<std::uint8_t>(item->subaddress_length_);
    std::copy_n(item->subaddress_.begin(), item->subaddress_length_, subaddress.bytes.begin());
    const KvResult sent =
        SendConnectReq(connection, kCipValue, item->called_number_, calling_number_);
    if (sent != KV_OK) {
        // The record goes back, or the single one would be lost for good.
        connections_.Release(connection);
        return result_ = sent;
    }
    connection->SetIdWord(kCallMark);
    current_item_ = item;
    ++attempts_;
    call_timer_.Restart(0, item->ring_time_);
    SetState(capi_state::kConnecting);
    return result_;
}

CapiConnection* CapiDialManager::FindCallConnection() {
    CapiConnection* connection = nullptr;
    connections_.FindById(kCallMark, connection);
    return connection;
}

void CapiDialManager::GiveBack(CapiConnection* connection) {
    connection->GetB3Pool().ReleaseAll();
    connections_.Release(connection);
}

KvResult CapiDialManager::DoAttemptEnd() {
    CapiConnection* connection = FindCallConnection();
    if (connection == nullptr) {
        SetState(capi_state::kRunning);
        return result_;
    }
    // A request still unconfirmed when the ring time ends goes back to 29
    // with the manager, which frees its connection when its timer runs out.
    if (connection->GetState() == CapiConnection::kIdle) {
        if (current_item_ != nullptr) {
            const std::uint32_t reason = connection->GetCodec().Reason();
            if (reason == kNoChannelAvailable || reason == kRequestedChannelNotAvailable)
                retry_timer_.Restart(0, kRetryPause);
            else
                queues_->DequeueAndDelete(current_item_);
        }
        current_item_ = nullptr;
        GiveBack(connection);
        SetState(capi_state::kRunning);
        return result_;
    }
    if (call_timer_.IsRunning())
        call_timer_.CheckExpired();
    if (!call_timer_.IsExpired())
        return result_;
    // No sleep after the request: it would only stall the service thread. A
    // call without a PLCI yet is cleared once its CONNECT_CONF comes.
    if (SendDisconnectReq(connection) == KV_OK) {
        call_timer_.Stop();
        SetState(capi_state::kRunning);
    }
    if (current_item_ != nullptr)
        queues_->DequeueAndDelete(current_item_);
    current_item_ = nullptr;
    return result_;
}

KvResult CapiDialManager::HandleIndication(CapiStoredMessage* message) {
    // Calls coming in belong to the listen and data managers.
    if (message == nullptr || message->GetCommand() == CAPI_CONNECT)
        return result_;
    return AnswerIndication(message);
}
