#include "capi/capi_transfer_manager.h"

#include "capi/capi_host.h"

namespace {

constexpr std::uint32_t kTimer1Seconds = 11;
constexpr std::uint32_t kTimer2Seconds = 4;
// INFO_IND Info number of the message type ALERTING.
constexpr std::uint32_t kAlertingMessageType = 1;
constexpr char kNoCableText[] = "UIObjString_Status_ERROR_CAPIDLL_nocable";

} // namespace

CapiTransferManager::CapiTransferManager() : CapiManagerBase(nullptr) {
    Reset();
    timers_.Add(kCapiManagerTimer1, kTimer1Seconds, 0);
    timers_.Add(kCapiManagerTimer2, kTimer2Seconds, 0);
    timers_.Add(kTimerDuplicate, kDuplicateSeconds, 0);
}

void CapiTransferManager::Reset() {
    CapiManagerBase::Reset();
    payload_type_ = KV_PAYLOAD_CAPI_TRANSFER_MANAGER;
    word_ = 0;
    connected_reported_ = false;
}

void CapiTransferManager::CopyFrom(const CapiManagerBase& other) {
    if (&other == this)
        return;
    if (const auto* transfer = dynamic_cast<const CapiTransferManager*>(&other)) {
        second_number_ = transfer->second_number_;
        first_number_ = transfer->first_number_;
        word_ = transfer->word_;
    }
    CapiManagerBase::CopyFrom(other);
}

KvResult CapiTransferManager::Run() {
    if (owner_ != nullptr && appl_id_ != 0)
        ProcessMessages();
    result_ = KV_OK;
    return Step();
}

// It takes no messages but stop requests: each pass empties the queue, and a
// stop request counts only before the shutdown has begun.
bool CapiTransferManager::TakeQueuedMessages() {
    const bool stoppable = state_ != capi_state::kShutdown && state_ != capi_state::kRelease &&
                           state_ != capi_state::kError && state_ != capi_state::kEnded;
    bool stop = false;
    for (CKvMessage* message : queue_.TakeAll()) {
        if (stoppable && IsStopRequest(message))
            stop = true;
        message->Release();
    }
    if (stop)
        SetState(capi_state::kShutdown);
    return stop;
}

KvResult CapiTransferManager::Step() {
    TakeQueuedMessages();
    switch (state_) {
    case capi_state::kStart:
        return DoStart();
    case capi_state::kRunning:
        return DoDialFirst();
    case kFirstCallRinging:
        return DoFirstCall();
    case kHolding:
        return DoHolding();
    case kSecondCallRinging:
        return DoSecondCall();
    case kRetrieving:
        return DoRetrieving();
    case kTransferRequested:
    case kClearing:
        return DoClearing();
    case capi_state::kError:
        return DoRefused();
    case capi_state::kShutdown:
        return DoShutdown();
    case capi_state::kRelease:
        return DoRelease();
    default:
        return result_ = KV_CAPI_NOT_AVAILABLE;
    }
}

CapiConnection* CapiTransferManager::FindMarked(std::uint32_t mark) {
    CapiConnection* connection = nullptr;
    connections_.FindById(mark, connection);
    return connection;
}

CKvMessage* CapiTransferManager::Request() const {
    return request_ != nullptr && request_->GetKind() == KV_MSG_KIND_REQUEST ? request_ : nullptr;
}

void CapiTransferManager::Notify(std::uint16_t target, std::int32_t attribute) {
    if (CKvMessage* request = Request())
        NotifyRequester(request, target, attribute, value_counter_, false);
}

void CapiTransferManager::DropRequest(bool release) {
    if (request_ == nullptr)
        return;
    // The payload is this manager: it stays out of the release.
    request_->DetachPayload();
    if (release)
        request_->Release();
    else
        request_->DeleteHeaderOnly();
    request_ = nullptr;
}

void CapiTransferManager::NextPhase(bool sent, std::uint32_t next) {
    if (!sent) {
        SetState(capi_state::kShutdown);
        return;
    }
    timers_.Start(kCapiManagerTimer2);
    SetState(next);
}

KvResult CapiTransferManager::DoStart() {
    if (owner_ == nullptr) {
        SetState(capi_state::kError);
        return result_ = KV_E_INVALID_POINTER;
    }
    bool duplicate = false;
    CapiHost::Position position;
    const CapiHost::ManagerMap* map = nullptr;
    if (owner_->BeginIteration(KV_PAYLOAD_CAPI_TRANSFER_MANAGER, &position, &map) != 0) {
        while (CapiManagerBase* other = owner_->NextManager(&position, &map)) {
            const auto* transfer = dynamic_cast<const CapiTransferManager*>(other);
            if (transfer != nullptr && transfer != this &&
                transfer->GetState() != capi_state::kStart &&
                transfer->first_number_ == first_number_)
                duplicate = true;
        }
    }
    if (!duplicate) {
        if (connections_.Transfer(owner_->GetConnectionTable(), 2, true) != KV_OK) {
            SetState(capi_state::kError);
            return result_;
        }
        dialling_rules_ = owner_->GetDiallingRules();
        appl_id_ = owner_->GetApplId();
        timers_.Restart(kCapiManagerTimer1, kOverallSeconds, 0);
        timers_.Start(kCapiManagerTimer2);
        timers_.Stop(kTimerDuplicate);
        SetState(capi_state::kRunning);
        return result_;
    }
    if (!timers_.IsRunning(kTimerDuplicate))
        timers_.Start(kTimerDuplicate);
    else if (timers_.CheckExpired(kTimerDuplicate) != 0)
        SetState(capi_state::kError);
    return result_;
}

KvResult CapiTransferManager::DoDialFirst() {
    if (TimerExpired()) {
        SetState(capi_state::kError);
        return result_;
    }
    CapiConnection* connection = nullptr;
    if (connections_.Take(connection) != KV_OK) {
        SetState(capi_state::kError);
        return result_;
    }
    std::string called = first_number_;
    std::string calling = GetText1();
    if (const CapiControllerRecord* controller = connection->GetControllerRecord()) {
        dialling_rules_.ModeFlag() = controller->automatic_line;
        calling = controller->source_number;
        dialling_rules_.RewriteAffixes(called, first_number_, controller->automatic_line);
    }
    if (SendConnectReq(connection, kCipValue, called, calling) != KV_OK) {
        connections_.Release(connection);
        SetState(capi_state::kError);
        return result_;
    }
    connection->SetIdWord(kFirstMark);
    ConfirmRequest(Request(), KV_MSG_ATTR_ACCEPTED, false);
    PostStatusText("");
    timers_.Restart(kCapiManagerTimer2, kAnswerSeconds, 0);
    SetState(kFirstCallRinging);
    return result_;
}

KvResult CapiTransferManager::DoFirstCall() {
    CapiConnection* first = FindMarked(kFirstMark);
    if (first == nullptr) {
        SetState(capi_state::kShutdown);
        return result_;
    }
    if (first->GetState() == CapiConnection::kIdle) {
        if (first->GetCodec().Reason() == kNoCableReason)
            PostStatusText(kNoCableText);
        SetState(capi_state::kRelease);
        return result_;
    }
    if (first->GetState() == CapiConnection::kActive) {
        // Reported once, though a refused hold is tried again.
        if (!connected_reported_) {
            Notify(kCapiHostCallEndpoint, KV_MSG_ATTR_CALL_CONNECTED);
            connected_reported_ = true;
        }
        if (SendFacilityReq(first, kCapiFacilityHold, 0) == KV_OK) {
            timers_.Restart(kCapiManagerTimer2, kHoldSeconds, 0);
            SetState(kHolding);
        } else {
            result_ = KV_CAPI_NOT_AVAILABLE;
        }
        return result_;
    }
    if (TimerExpired())
        SetState(capi_state::kShutdown);
    return result_;
}

KvResult CapiTransferManager::DoHolding() {
    CapiConnection* first = FindMarked(kFirstMark);
    if (first == nullptr) {
        SetState(capi_state::kShutdown);
        return result_;
    }
    if (first->GetState() == CapiConnection::kIdle) {
        SetState(capi_state::kRelease);
        return result_;
    }
    if (first->GetState() == CapiConnection::kHeld) {
        CapiConnection* second = nullptr;
        if (connections_.Take(second) != KV_OK)
            return result_;
        std::string called = second_number_;
        std::string calling = GetText1();
        if (const CapiControllerRecord* controller = second->GetControllerRecord()) {
            dialling_rules_.ModeFlag() = 0;
            calling = controller->source_number;
            dialling_rules_.ApplyAffixes(called);
        }
        if (SendConnectReq(second, kCipValue, called, calling) == KV_OK) {
            second->SetIdWord(kSecondMark);
            timers_.Start(kCapiManagerTimer2);
            SetState(kSecondCallRinging);
        } else {
            connections_.Release(second);
            result_ = KV_CAPI_NOT_AVAILABLE;
        }
        return result_;
    }
    if (TimerExpired())
        SetState(capi_state::kShutdown);
    return result_;
}

KvResult CapiTransferManager::DoSecondCall() {
    CapiConnection* first = FindMarked(kFirstMark);
    CapiConnection* second = FindMarked(kSecondMark);
    if (first == nullptr || second == nullptr) {
        SetState(capi_state::kShutdown);
        return result_;
    }
    if (first->GetState() == CapiConnection::kHeld) {
        if (second->GetState() == CapiConnection::kIdle) {
            NextPhase(SendFacilityReq(first, kCapiFacilityRetrieve, 0) == KV_OK, kRetrieving);
            return result_;
        }
        if ((second->GetCodec().InfoNumber() & 0xFF) == kAlertingMessageType) {
            const bool sent =
                SendFacilityReq(first, kCapiFacilityEct, second->GetCodec().GetPlci()) == KV_OK;
            if (sent)
                Notify(kCapiHostCallEndpoint, KV_MSG_ATTR_CALL_ECT_ESTABLISHED);
            NextPhase(sent, kTransferRequested);
            return result_;
        }
    } else {
        NextPhase(SendDisconnectReq(second) == KV_OK, kClearing);
        return result_;
    }
    if (TimerExpired())
        SetState(capi_state::kShutdown);
    return result_;
}

KvResult CapiTransferManager::DoRetrieving() {
    CapiConnection* first = FindMarked(kFirstMark);
    if (first == nullptr) {
        SetState(capi_state::kShutdown);
        return result_;
    }
    if (first->GetState() == CapiConnection::kActive) {
        NextPhase(SendDisconnectReq(first) == KV_OK, kClearing);
        return result_;
    }
    if (TimerExpired())
        SetState(capi_state::kShutdown);
    return result_;
}

KvResult CapiTransferManager::DoClearing() {
    if (connections_.AllInState(CapiConnection::kIdle) != 0) {
        if (CKvMessage* request = Request())
            Notify(request->GetSourceEndpoint(), KV_MSG_ATTR_ENDED);
        SetState(capi_state::kRelease);
        return result_;
    }
    if (TimerExpired())
        SetState(capi_state::kShutdown);
    return result_;
}

KvResult CapiTransferManager::DoRefused() {
    if (Request() != nullptr) {
        ConfirmRequest(Request(), KV_MSG_ATTR_REFUSED, false);
        DropRequest(true);
    }
    SetState(capi_state::kRelease);
    return result_;
}

KvResult CapiTransferManager::DoShutdown() {
    if (Shutdown() == 0)
        return result_;
    if (Request() != nullptr) {
        Notify(kCapiHostCallEndpoint, KV_MSG_ATTR_SHUTDOWN);
        DropRequest(false);
    }
    SetState(capi_state::kRelease);
    return result_;
}

KvResult CapiTransferManager::DoRelease() {
    ReturnConnectionsToOwner();
    Notify(kCapiHostCallEndpoint, KV_MSG_ATTR_ENDED);
    SetState(capi_state::kEnded);
    return result_;
}
