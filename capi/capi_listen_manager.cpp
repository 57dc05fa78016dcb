#include "capi/capi_listen_manager.h"

#include "capi/capi_host.h"
#include "capi/capi_tick_manager.h"
#include "platform/pointer.h"

#include <algorithm>

CapiListenManager::CapiListenManager() : CapiManagerBase(nullptr) {
    Reset();
    timers_.Add(kCapiManagerTimer1, kTimer1Seconds, 0);
    timers_.Add(kCapiManagerTimer2, kOwnWaitSeconds, 0);
}

void CapiListenManager::Reset() {
    CapiManagerBase::Reset();
    payload_type_ = KV_PAYLOAD_CAPI_LISTEN_MANAGER;
    for (std::string& text : texts_own_)
        text.clear();
    caller_text_.clear();
    word_ = 0;
    received_count_ = 0;
}

void CapiListenManager::CopyFrom(const CapiManagerBase& other) {
    if (&other == this)
        return;
    if (const auto* listen = dynamic_cast<const CapiListenManager*>(&other)) {
        texts_own_ = listen->texts_own_;
        caller_text_ = listen->caller_text_;
        numbers_ = listen->numbers_;
        second_numbers_ = listen->second_numbers_;
        received_bytes_ = listen->received_bytes_;
        received_count_ = listen->received_count_;
    }
    CapiManagerBase::CopyFrom(other);
}

KvResult CapiListenManager::Run() {
    ProcessMessages();
    return Step();
}

KvResult CapiListenManager::Step() {
    switch (state_) {
    case capi_state::kStart:
        return DoStart();
    case capi_state::kRunning:
        return DoStartListening();
    case capi_state::kWaitingForListenConf:
        return DoWaitForListenConf();
    case capi_state::kListening:
        return DoListening();
    case capi_state::kError:
        ConfirmRequest(request_, KV_MSG_ATTR_REFUSED, true);
        SetState(capi_state::kRelease);
        return result_;
    case capi_state::kShutdown:
        SetState(capi_state::kRelease);
        return result_;
    case capi_state::kRelease:
        SetState(capi_state::kEnded);
        return result_;
    default:
        return result_ = KV_CAPI_NOT_AVAILABLE;
    }
}

KvResult CapiListenManager::DoStart() {
    if (owner_ == nullptr) {
        SetState(capi_state::kError);
        return result_ = KV_E_INVALID_POINTER;
    }
    appl_id_ = owner_->GetApplId();
    SetState(capi_state::kRunning);
    return result_;
}

KvResult CapiListenManager::DoStartListening() {
    if (WaitForControllerTable())
        return result_;
    if (owner_->IsListenRequested() != 0) {
        timers_.Restart(kCapiManagerTimer2, kForeignWaitSeconds, 0);
        SetState(capi_state::kWaitingForListenConf);
        return result_;
    }
    SetState(ListenOnEveryController() != 0 ? capi_state::kWaitingForListenConf
                                             : capi_state::kError);
    return result_;
}

// A manager requested while the tick manager is still building the
// controller table would find no controller and be refused; it waits for the
// table, at most timer 1.
bool CapiListenManager::WaitForControllerTable() {
    if (word_ == kTableWaitOver || owner_->GetControllersReady() != 0 ||
        owner_->FindTypeMap(KV_PAYLOAD_CAPI_TICK_MANAGER) == nullptr)
        return false;
    if (word_ == 0) {
        word_ = kTableWaitRunning;
        timers_.Start(kCapiManagerTimer1);
    }
    if (timers_.CheckExpired(kCapiManagerTimer1) == 0)
        return true;
    word_ = kTableWaitOver;
    return false;
}

KvResult CapiListenManager::DoWaitForListenConf() {
    if (owner_->IsListenConfirmed() != 0) {
        ConfirmRequest(request_, KV_MSG_ATTR_ACCEPTED, true);
        timers_.Stop(kCapiManagerTimer2);
        timers_.Stop(kCapiManagerTimer1);
        SetState(capi_state::kListening);
    } else if (timers_.CheckExpired(kCapiManagerTimer2) != 0) {
        SetState(capi_state::kError);
    }
    return result_;
}

KvResult CapiListenManager::DoListening() {
    CKvMessage* first = queue_.FirstMessage();
    if (first == nullptr)
        return result_;
    queue_.Remove(first);
    if (!IsStopRequest(first)) {
        first->Release();
        return result_;
    }
    // The answer carries a copy: the running manager stays the host's.
    if (first->GetKind() == KV_MSG_KIND_REQUEST) {
        if (void* copy = NewCopyOfSelf()) {
            first->SetPayloadType(payload_type_);
            first->SetPayload(copy);
            // A message that keeps a payload it cannot let go answers without
            // the copy.
            if (first->GetPayload() != copy)
                DestroyPayloadByType(copy, payload_type_);
        }
    }
    SendSelfToRequester(first, KV_MSG_ATTR_ENDED, true);
    SetState(capi_state::kRelease);
    return result_;
}

KvResult CapiListenManager::HandleIndication(CapiManagerBase& manager,
                                             CapiStoredMessage* message) {
    auto* listen = dynamic_cast<CapiListenManager*>(&manager);
    if (listen == nullptr || message == nullptr)
        return KV_E_INVALID_POINTER;
    listen->result_ = KV_OK;
    listen->current_message_ = message;
    CapiMessageCodec& codec = listen->codec_;
    // A message its decoder refuses is not looked at.
    switch (message->GetCommand()) {
    case CAPI_CONNECT:
        if (codec.DecodeConnectInd(message->View()) != KV_OK)
            return listen->result_;
        return listen->HandleConnectInd(*message);
    case CAPI_CONNECT_ACTIVE:
        if (codec.DecodeConnectActiveInd(message->View()) == KV_OK)
            listen->capi_info_ = listen->result_;
        return listen->result_;
    case CAPI_DISCONNECT:
        if (codec.DecodeDisconnectInd(message->View()) == KV_OK)
            listen->capi_info_ = codec.Reason();
        return listen->result_;
    default:
        return listen->result_;
    }
}

KvResult CapiListenManager::HandleConnectInd(CapiStoredMessage& message) {
    std::string called = DigitsOnly(codec_.CalledPartyNumber().Digits());
    const std::string calling = DigitsOnly(codec_.CallingPartyNumber().Digits());
    if (state_ != capi_state::kListening || called.empty())
        return result_;
    PHONE_NUMBER* watched = nullptr;
    if (numbers_.Lookup(watched, called) != KV_OK || watched == nullptr)
        return result_;
    const std::string received(codec_.CallingPartyNumber().Digits());
    caller_number_ = received;
    matched_number_ = watched->GetNumber();
    caller_text_ = received;
    const CapiSubaddress& subaddress = codec_.CallingPartySubaddress();
    received_count_ = subaddress.length;
    std::copy_n(subaddress.bytes.begin(), subaddress.length, received_bytes_.begin());
    if (IsOwnControllerNumber(calling))
        return result_;
    event_time_ = message.received;
    if (request_ != nullptr)
        NotifyRequester(request_, request_->GetSourceEndpoint(), KV_MSG_ATTR_NOTIFICATION,
                        value_counter_, true);
    return result_;
}

bool CapiListenManager::IsOwnControllerNumber(const std::string& calling_digits) const {
    if (calling_digits.empty())
        return false;
    CapiControllerTable& controllers = owner_->GetControllerList();
    for (std::size_t i = 0; i < controllers.GetCount(); ++i)
        if (DigitsOnly(controllers.GetAt(i)->source_number) == calling_digits)
            return true;
    return false;
}

void CapiListenManager::SetReceivedCall(const std::string& caller, const std::uint8_t* bytes,
                                        std::uint32_t count) {
    caller_text_ = caller;
    caller_number_ = caller;
    received_count_ = bytes != nullptr ? std::min<std::uint32_t>(
                                             count, static_cast<std::uint32_t>(received_bytes_.size()))
                                       : 0;
    received_bytes_.fill(0);
    std::copy_n(bytes, received_count_, received_bytes_.begin());
}
