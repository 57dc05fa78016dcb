#include "capi/capi_manager_base.h"

#include "capi/capi_host.h"
#include "framework/holder_objects.h"
#include "platform/pointer.h"

#include <atomic>
#include <iterator>
#include <memory>

namespace {

constexpr std::int32_t kStatusCommand = 1;

std::array<std::atomic<CapiManagerFromPayloadFn>, KV_PAYLOAD_TYPE_MAX + 1>& ManagerTypes() {
    static std::array<std::atomic<CapiManagerFromPayloadFn>, KV_PAYLOAD_TYPE_MAX + 1> types{};
    return types;
}

void ClearNumberFlags(CapiPartyNumber& number) {
    number.type = number.plan = number.presentation = number.screening = 0;
}

} // namespace

void RegisterCapiManagerType(std::int32_t payload_type, CapiManagerFromPayloadFn convert) {
    if (payload_type <= 0 || payload_type > KV_PAYLOAD_TYPE_MAX)
        return;
    ManagerTypes()[static_cast<std::size_t>(payload_type)].store(convert,
                                                                 std::memory_order_release);
}

CapiManagerBase* CapiManagerFromPayload(void* payload, std::int32_t payload_type) {
    if (payload == nullptr || payload_type <= 0 || payload_type > KV_PAYLOAD_TYPE_MAX)
        return nullptr;
    const CapiManagerFromPayloadFn convert =
        ManagerTypes()[static_cast<std::size_t>(payload_type)].load(std::memory_order_acquire);
    return convert != nullptr ? convert(payload) : nullptr;
}

CapiManagerBase::CapiManagerBase(CapiHost* owner) {
    Reset();
    owner_ = owner;
}

CapiManagerBase::~CapiManagerBase() {
    queue_.DeleteAll();
    if (request_ != nullptr)
        request_->DeleteHeaderOnly();
}

void CapiManagerBase::Reset() {
    payload_type_ = 0;
    job_id_ = 0;
    result_ = KV_OK;
    router_ = nullptr;
    endpoint_ = 0;
    value_counter_ = nullptr;
    state_ = previous_state_ = capi_state::kStart;
    sub_states_ = {};
    connections_ = CapiConnectionTable{};
    timers_.RemoveAll();
    if (request_ != nullptr)
        request_->DeleteHeaderOnly();
    request_ = nullptr;
    owner_ = nullptr;
    capi_info_ = 0;
    appl_id_ = 0;
    current_message_ = nullptr;
    message_number_ = 0;
    last_sequence_ = 0;
    data_counter_ = 0;
    second_timers_.RemoveAll();
    caller_number_.clear();
    matched_number_.clear();
    event_time_.Clear();
}

void CapiManagerBase::CopyFrom(const CapiManagerBase& other) {
    if (&other == this)
        return;
    payload_type_ = other.payload_type_;
    job_id_ = other.job_id_;
    result_ = other.result_;
    router_ = other.router_;
    endpoint_ = other.endpoint_;
    value_counter_ = other.value_counter_;
    state_ = other.state_;
    previous_state_ = other.previous_state_;
    owner_ = other.owner_;
    capi_info_ = other.capi_info_;
    appl_id_ = other.appl_id_;
    last_sequence_ = other.last_sequence_;
    message_number_ = other.message_number_;
    call_note_ = other.call_note_;
    own_number_ = other.own_number_;
    caller_number_ = other.caller_number_;
    matched_number_ = other.matched_number_;
    data_counter_ = other.data_counter_;
    event_time_ = other.event_time_;
    if (request_ != nullptr)
        request_->DeleteHeaderOnly();
    request_ = nullptr;
    if (other.request_ == nullptr)
        return;
    other.request_->CloneHeader(request_);
    request_->SetPayloadType(other.request_->GetPayloadType());
    request_->SetPayload(const_cast<void*>(AsPayload()));
}

void CapiManagerBase::SetRequestMessage(CKvMessage* request) {
    if (request_ != nullptr && request_ != request)
        request_->DeleteHeaderOnly();
    request_ = request;
}

std::uint16_t CapiManagerBase::NextMessageNumber(bool own) {
    if (owner_ != nullptr && !own) {
        message_number_ = owner_->NextMessageNumber();
        return message_number_;
    }
    return ++message_number_;
}

std::uint32_t CapiManagerBase::NextValue(std::uint32_t* counter) {
    std::uint32_t& word = counter != nullptr ? *counter : own_value_counter_;
    return ++word;
}

KvResult CapiManagerBase::Put(const CapiMessageCodec& codec, KvResult built) {
    if (built != KV_OK)
        return built;
    if (owner_ == nullptr || owner_->GetEntryPoints() == nullptr)
        return KV_E_INVALID_POINTER;
    capi_info_ = owner_->GetEntryPoints()->CAPI_PUT_MESSAGE(appl_id_, codec.GetMessage());
    return capi_info_ == 0 ? KV_OK : KV_E_CAPI_INFO;
}

KvResult CapiManagerBase::SendListenReq(std::uint32_t controller, std::uint32_t info_mask,
                                        std::uint32_t cip_mask) {
    codec_.SetApplId(appl_id_);
    codec_.SetController(controller);
    codec_.SetInfoMask(info_mask);
    codec_.SetCipValue(cip_mask);
    return Put(codec_, codec_.BuildListenReq(NextMessageNumber()));
}

KvResult CapiManagerBase::SendConnectReq(CapiConnection* connection, std::uint32_t cip_value,
                                         const std::string& called_number,
                                         const std::string& calling_number) {
    if (connection == nullptr)
        return KV_E_INVALID_POINTER;
    CapiMessageCodec& codec = connection->GetCodec();
    KvResult result = codec.CallingPartyNumber().SetFromString(calling_number);
    if (result == KV_OK)
        result = codec.CalledPartyNumber().SetFromString(called_number);
    if (result != KV_OK)
        return result;
    ClearNumberFlags(codec.CallingPartyNumber());
    ClearNumberFlags(codec.CalledPartyNumber());
    codec.SetCipValue(cip_value);
    codec.SetController(connection->GetController());
    const std::uint16_t number = NextMessageNumber();
    result = Put(codec, codec.BuildConnectReq(number));
    if (result == KV_OK) {
        connection->SetState(CapiConnection::kConnectRequested);
        connection->AwaitConfirmation(number);
        connection->GetTimers().Restart(kCapiConnectionTimer, kCapiConnectionTimerSeconds, 0);
    }
    return result;
}

KvResult CapiManagerBase::SendConnectResp(CapiConnection* connection) {
    if (connection == nullptr)
        return KV_E_INVALID_POINTER;
    CapiMessageCodec& codec = connection->GetCodec();
    if (codec.Reject() == 0) {
        const KvResult result = codec.ConnectedNumber().SetFromString(own_number_);
        if (result != KV_OK)
            return result;
        ClearNumberFlags(codec.ConnectedNumber());
    } else {
        codec.ConnectedNumber().Clear();
    }
    return Put(codec, codec.BuildConnectResp(codec.GetMessageNumber()));
}

KvResult CapiManagerBase::SendConnectActiveResp(CapiConnection* connection) {
    if (connection == nullptr)
        return KV_E_INVALID_POINTER;
    CapiMessageCodec& codec = connection->GetCodec();
    return Put(codec, codec.BuildConnectActiveResp(codec.GetMessageNumber()));
}

KvResult CapiManagerBase::SendConnectB3Resp(CapiB3Connection* b3) {
    if (b3 == nullptr)
        return KV_E_INVALID_POINTER;
    CapiMessageCodec& codec = b3->GetCodec();
    const KvResult result = Put(codec, codec.BuildConnectB3Resp(codec.GetMessageNumber()));
    if (result == KV_OK)
        b3->SetState(codec.Reject() == 0 ? CapiB3Connection::kConnected
                                         : CapiB3Connection::kRefused);
    return result;
}

KvResult CapiManagerBase::SendDataB3Resp() {
    codec_.SetApplId(appl_id_);
    // The indication was decoded into this codec; its header number is the
    // one to repeat, whatever the codec built before.
    return Put(codec_, codec_.BuildDataB3Resp(codec_.GetReceivedMessageNumber()));
}

KvResult CapiManagerBase::SendConnectB3ActiveResp(CapiB3Connection* b3) {
    if (b3 == nullptr)
        return KV_E_INVALID_POINTER;
    CapiMessageCodec& codec = b3->GetCodec();
    return Put(codec, codec.BuildConnectB3ActiveResp(codec.GetMessageNumber()));
}

KvResult CapiManagerBase::SendDisconnectB3Resp(CapiB3Connection* b3) {
    if (b3 == nullptr)
        return KV_E_INVALID_POINTER;
    CapiMessageCodec& codec = b3->GetCodec();
    const KvResult result = Put(codec, codec.BuildDisconnectB3Resp(codec.GetMessageNumber()));
    if (result == KV_OK)
        b3->SetState(CapiB3Connection::kIdle);
    return result;
}

KvResult CapiManagerBase::SendDisconnectReq(CapiConnection* connection) {
    if (connection == nullptr)
        return KV_E_INVALID_POINTER;
    CapiMessageCodec& codec = connection->GetCodec();
    if (codec.GetPlci() == 0) {
        // A DISCONNECT_REQ naming PLCI 0 clears nothing; the call is cleared
        // once its CONNECT_CONF names it.
        if (connection->GetState() == CapiConnection::kConnectRequested)
            connection->SetClearWhenConfirmed(true);
        return KV_OK;
    }
    const std::uint16_t number = NextMessageNumber();
    const KvResult result = Put(codec, codec.BuildDisconnectReq(number));
    if (result == KV_OK) {
        connection->SetState(CapiConnection::kDisconnectRequested);
        connection->AwaitConfirmation(number);
        connection->GetTimers().Restart(kCapiConnectionTimer, kCapiConnectionTimerSeconds, 0);
    }
    return result;
}

KvResult CapiManagerBase::SendDisconnectResp(CapiConnection* connection) {
    if (connection == nullptr)
        return KV_E_INVALID_POINTER;
    CapiMessageCodec& codec = connection->GetCodec();
    const KvResult result = Put(codec, codec.BuildDisconnectResp(codec.GetMessageNumber()));
    if (result == KV_OK) {
        connection->SetState(CapiConnection::kIdle);
        connection->SetClearedBeforeActive(false);
    }
    return result;
}

KvResult CapiManagerBase::SendFacilityReq(CapiConnection* connection, std::uint32_t function,
                                          std::uint32_t plci_parameter) {
    if (connection == nullptr)
        return KV_E_INVALID_POINTER;
    CapiMessageCodec& codec = connection->GetCodec();
    codec.Facility().function = function;
    codec.Facility().plci = codec.GetPlci();
    codec.Facility().ect_plci = plci_parameter;
    const std::uint16_t number = NextMessageNumber();
    const KvResult result = Put(codec, codec.BuildFacilityReq(number));
    if (result == KV_OK)
        connection->AwaitConfirmation(number);
    return result;
}

KvResult CapiManagerBase::SendFacilityResp(CapiConnection* connection) {
    if (connection == nullptr)
        return KV_E_INVALID_POINTER;
    CapiMessageCodec& codec = connection->GetCodec();
    return Put(codec, codec.BuildFacilityResp(codec.GetMessageNumber()));
}

KvResult CapiManagerBase::SendInfoResp() {
    codec_.SetApplId(appl_id_);
    return Put(codec_, codec_.BuildInfoResp(codec_.GetReceivedMessageNumber()));
}

std::uint32_t CapiManagerBase::ListenOnEveryController() {
    if (owner_ == nullptr)
        return 0;
    CapiControllerTable& controllers = owner_->GetControllerList();
    std::uint32_t sent = 0;
    for (std::size_t i = 0; i < controllers.GetCount(); ++i)
        if (SendListenReq(controllers.GetAt(i)->GetController(), kCapiListenInfoMask,
                          kCapiListenCipMask) == KV_OK)
            ++sent;
    if (sent != 0) {
        owner_->SetListenRequested(1);
        timers_.Start(kCapiManagerTimer2);
    }
    return sent;
}

KvResult CapiManagerBase::ConfirmRequest(CKvMessage* request, std::int32_t attribute,
                                         bool with_payload) {
    if (!IsValidPtr(request) || request->GetKind() != KV_MSG_KIND_REQUEST)
        return KV_OK;
    CKvMessage* answer = nullptr;
    if (with_payload) {
        // A type without a copy answers without payload rather than not at all.
        if (request->Clone(answer) != KV_OK && answer != nullptr)
            answer->DestroyPayload();
    } else {
        request->CloneHeader(answer);
    }
    answer->SetKind(KV_MSG_KIND_CONFIRMATION);
    answer->SetAttribute(attribute);
    return answer->Send(0, endpoint_, router_, request->GetValue(), true, false);
}

KvResult CapiManagerBase::SendSelfToRequester(CKvMessage* message, std::int32_t attribute,
                                              bool keep_payload) {
    if (!IsValidPtr(message))
        return KV_E_INVALID_POINTER;
    if (message->GetKind() != KV_MSG_KIND_REQUEST) {
        message->Release();
        return KV_OK;
    }
    if (!keep_payload && message->GetPayload() != nullptr)
        message->DestroyPayload();
    message->SetKind(KV_MSG_KIND_CONFIRMATION);
    message->SetAttribute(attribute);
    return message->Send(0, endpoint_, router_, message->GetValue(), true, false);
}

KvResult CapiManagerBase::NotifyRequester(CKvMessage* request, std::uint16_t target,
                                          std::int32_t attribute, std::uint32_t* value_counter,
                                          bool with_payload) {
    if (!IsValidPtr(request) || request->GetKind() != KV_MSG_KIND_REQUEST)
        return KV_OK;
    CKvMessage* notice = nullptr;
    if (with_payload) {
        if (request->Clone(notice) != KV_OK && notice != nullptr)
            notice->DestroyPayload();
    } else {
        request->CloneHeader(notice);
    }
    notice->SwapJobIds();
    notice->SetKind(KV_MSG_KIND_INFO);
    notice->SetAttribute(attribute);
    const std::uint32_t value = NextValue(value_counter);
    return notice->Send(target, endpoint_, router_, value, true, false);
}

KvResult PostCapiStatusText(CKvMessageRouter* router, std::uint16_t source, std::uint32_t value,
                            const std::string& text) {
    if (!IsValidPtr(router) || text.empty())
        return KV_OK;
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!router->CreateMessageWithPayload(message, payload, KV_PAYLOAD_STAMPED_TEXT_RECORD))
        return KV_E_OUT_OF_MEMORY;
    static_cast<CKvStampedTextRecord*>(payload)->text = text;
    message->SetKindAndCommand(KV_MSG_KIND_INFO, kStatusCommand, 0);
    return message->Send(kCapiHostStatusEndpoint, source, router, value, true, true);
}

KvResult CapiManagerBase::PostStatusText(const std::string& text) {
    if (!IsValidPtr(router_) || text.empty())
        return KV_OK;
    return PostCapiStatusText(router_, endpoint_, NextValue(value_counter_), text);
}

std::int32_t CapiManagerBase::Shutdown() {
    std::vector<CapiConnection*> in_use;
    for (const auto& connection : connections_.InUse())
        in_use.push_back(connection.get());
    for (CapiConnection* connection : in_use) {
        connection->GetB3Pool().ReleaseAll();
        if (connection->GetTimers().CheckExpired(kCapiConnectionTimer) != 0)
            connection->SetState(connection->GetState() == CapiConnection::kTransferred
                                     ? CapiConnection::kActive
                                     : CapiConnection::kIdle);
        switch (connection->GetState()) {
        case CapiConnection::kIdle:
            GiveUpCall(*connection);
            connections_.Release(connection);
            break;
        case CapiConnection::kConnectConfirmed:
        case CapiConnection::kActive:
            // The request starts timer 2 itself.
            if (connection->StateChanged(true) != 0)
                SendDisconnectReq(connection);
            break;
        case CapiConnection::kHeld:
        case CapiConnection::kTransferred:
            if (connection->StateChanged(true) != 0) {
                SendFacilityReq(connection, kCapiFacilityRetrieve, 0);
                connection->GetTimers().Restart(kCapiConnectionTimer, kCapiConnectionTimerSeconds,
                                                0);
            }
            break;
        default:
            // 1 and 6 wait for their confirmation under timer 2.
            break;
        }
    }
    return connections_.InUse().empty() ? 1 : 0;
}

bool CapiManagerBase::ExpireUnconfirmedRequest(CapiConnection& connection) {
    const std::uint32_t state = connection.GetState();
    if ((state != CapiConnection::kConnectRequested &&
         state != CapiConnection::kDisconnectRequested) ||
        connection.GetTimers().CheckExpired(kCapiConnectionTimer) == 0)
        return false;
    connection.SetState(CapiConnection::kIdle);
    return true;
}

void CapiManagerBase::ReturnConnectionsToOwner() {
    if (owner_ == nullptr)
        return;
    for (const auto& connection : connections_.InUse())
        GiveUpCall(*connection);
    connections_.ReleaseAll();
    owner_->GetConnectionTable().Transfer(connections_, connections_.GetFreeCount(), true);
}

void CapiManagerBase::GiveUpCall(const CapiConnection& connection) {
    if (owner_ != nullptr && connection.ClearedBeforeActive())
        owner_->KeepClearedPlci(connection.GetCodec().GetPlci());
}

bool CapiManagerBase::StepClosingState() {
    if (state_ == capi_state::kError) {
        ConfirmRequest(request_, KV_MSG_ATTR_REFUSED, false);
        SetState(capi_state::kRelease);
        return true;
    }
    if (state_ == capi_state::kShutdown) {
        if (Shutdown() != 0)
            SetState(capi_state::kRelease);
        return true;
    }
    return false;
}

KvResult CapiManagerBase::FindMessageList(std::uint32_t appl_id, CapiMessageList*& list) const {
    list = nullptr;
    if (owner_ == nullptr)
        return KV_E_INVALID_POINTER;
    auto& store = owner_->GetMessageStore();
    const auto found = store.find(appl_id);
    if (found == store.end())
        return KV_E_FAIL;
    list = &found->second;
    return KV_OK;
}

KvResult CapiManagerBase::FindFirstAbove(const CapiMessageList& list, std::uint32_t sequence,
                                         std::size_t& index) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].sequence > sequence) {
            index = i;
            return KV_OK;
        }
    return KV_E_FAIL;
}

std::string CapiManagerBase::DigitsOnly(std::string_view text) {
    std::string digits;
    KeepDigits(digits, text);
    return digits;
}

void* CapiManagerBase::NewCopyOfSelf() const {
    void* copy = nullptr;
    if (!CreatePayloadByType(copy, payload_type_))
        return nullptr;
    if (!CopyPayloadByType(copy, AsPayload(), payload_type_)) {
        DestroyPayloadByType(copy, payload_type_);
        return nullptr;
    }
    return copy;
}

namespace {

// Offsets of FACILITY_CONF's fields.
constexpr std::size_t kFacilityConfOffsetFunction = 17;
constexpr std::size_t kFacilityConfOffsetServiceInfo = 20;
constexpr std::size_t kFacilityConfOffsetValue = 22;

} // namespace

KvResult CapiManagerBase::ConfirmListening(CapiStoredMessage* message) {
    if (message == nullptr)
        return result_ = KV_E_INVALID_POINTER;
    if (message->handled)
        return result_;
    current_message_ = message;
    if (message->GetCommand() != CAPI_LISTEN || message->GetMessageNumber() != message_number_ ||
        owner_ == nullptr)
        return result_;
    // A refused LISTEN does not count as listening.
    std::uint32_t info = 0;
    if (!CapiReadConfWord(*message, kCapiConfOffsetInfo, info) || info != 0)
        return result_;
    owner_->SetListenConfirmed(1);
    message->handled = true;
    return result_;
}

KvResult CapiManagerBase::HandleConfirmation(CapiStoredMessage* message) {
    result_ = KV_OK;
    if (message == nullptr)
        return result_ = KV_E_INVALID_POINTER;
    if (message->handled)
        return capi_info_;
    current_message_ = message;
    std::uint32_t info = 0;
    if (!CapiReadConfWord(*message, kCapiConfOffsetInfo, info)) {
        result_ = KV_CAPI_NOT_AVAILABLE;
        return capi_info_;
    }
    const std::uint8_t command = message->GetCommand();
    if (command == CAPI_LISTEN) {
        if (message->GetMessageNumber() != message_number_ || owner_ == nullptr)
            return capi_info_;
        message->handled = true;
        capi_info_ = info;
        if (info == 0)
            owner_->SetListenConfirmed(1);
        else
            result_ = KV_E_CAPI_INFO;
        return capi_info_;
    }
    if (command != CAPI_CONNECT && command != CAPI_DISCONNECT && command != CAPI_FACILITY) {
        result_ = KV_CAPI_NOT_AVAILABLE;
        return capi_info_;
    }
    const std::uint16_t number = message->GetMessageNumber();
    const auto awaits = [number](const CapiConnection& entry) {
        return entry.AwaitsConfirmation(number);
    };
    CapiConnection* connection = connections_.FindInUse(awaits);
    if (connection == nullptr && owner_ != nullptr)
        connection = owner_->GetConnectionTable().FindInUse(awaits);
    if (connection == nullptr) {
        result_ = KV_CAPI_NOT_AVAILABLE;
        return capi_info_;
    }
    connection->ConfirmationArrived();
    message->handled = true;
    capi_info_ = info;
    CapiMessageCodec& codec = connection->GetCodec();
    if (command == CAPI_FACILITY) {
        std::uint32_t function = 0;
        std::uint32_t service_info = 0;
        if (CapiReadConfWord(*message, kFacilityConfOffsetFunction, function) &&
            function == codec.Facility().function &&
            CapiReadConfWord(*message, kFacilityConfOffsetServiceInfo, service_info)) {
            codec.Facility().supplementary_service_reason = service_info;
            std::uint32_t low = 0;
            std::uint32_t high = 0;
            if (CapiReadConfWord(*message, kFacilityConfOffsetValue, low) &&
                CapiReadConfWord(*message, kFacilityConfOffsetValue + 2, high))
                codec.Facility().response = low | (high << 16);
        } else {
            result_ = KV_CAPI_NOT_AVAILABLE;
        }
        return capi_info_;
    }
    result_ = info;
    // A refused request keeps its reason where a disconnect reason goes.
    if (info != 0) {
        codec.Reason() = info;
        connection->SetState(CapiConnection::kIdle);
        connection->SetClearWhenConfirmed(false);
        return capi_info_;
    }
    if (command == CAPI_DISCONNECT) {
        connection->SetState(CapiConnection::kDisconnectRequested);
        return capi_info_;
    }
    if (connection->GetState() != CapiConnection::kConnectRequested) {
        result_ = KV_CAPI_NOT_AVAILABLE;
        return capi_info_;
    }
    connection->SetState(CapiConnection::kConnectConfirmed);
    connection->GetTimers().Stop(kCapiConnectionTimer);
    if (message->bytes.size() >= kCapiConfOffsetPlci + 4)
        codec.SetPlci(CapiGetDword(&message->bytes[kCapiConfOffsetPlci]));
    if (connection->ClearWhenConfirmed()) {
        connection->SetClearWhenConfirmed(false);
        SendDisconnectReq(connection);
    }
    return capi_info_;
}

bool CapiManagerBase::IsStopRequest(const CKvMessage* message) {
    return message != nullptr && (message->GetAttribute() == KV_MSG_ATTR_ENDED ||
                                  message->GetAttribute() == KV_MSG_ATTR_SHUTDOWN);
}

CKvMessage* CapiManagerBase::TakeStopRequest() {
    std::vector<CKvMessage*> kept;
    CKvMessage* stop = nullptr;
    for (CKvMessage* message : queue_.TakeAll()) {
        if (stop == nullptr && IsStopRequest(message))
            stop = message;
        else
            kept.push_back(message);
    }
    queue_.PutBackInFront(kept);
    return stop;
}

KvResult CapiManagerBase::ProcessMessages() {
    if (owner_ == nullptr)
        return result_ = KV_E_INVALID_POINTER;
    CapiMessageList* list = nullptr;
    if (FindMessageList(owner_->GetApplId(), list) != KV_OK)
        return result_ = KV_E_FAIL;
    std::size_t index = 0;
    if (FindFirstAbove(*list, last_sequence_, index) != KV_OK)
        return result_;
    for (; index < list->size(); ++index) {
        CapiStoredMessage& entry = (*list)[index];
        switch (entry.GetSubcommand()) {
        case CAPI_CONF:
            capi_info_ = OnConfirmation(&entry);
            break;
        case CAPI_IND:
            capi_info_ = OnIndication(&entry);
            break;
        default:
            result_ = KV_E_FAIL;
            break;
        }
        last_sequence_ = entry.sequence;
    }
    return result_;
}

namespace {

// Info numbers of a message type carry these two top bits.
constexpr std::uint32_t kInfoNumberKindMask = 0xC000;
constexpr std::uint32_t kInfoNumberMessageType = 0x8000;
// The connection a transfer manager marks as the one to join.
constexpr std::uint32_t kTransferPartnerMark = 2;
// CONNECT_RESP's Reject value that leaves the call to other devices.
constexpr std::uint32_t kRejectIgnore = 1;

// The manager's own call first, then the owner's.
CapiConnection* FindConnection(CapiManagerBase& manager, std::uint32_t plci) {
    if (CapiConnection* connection = FindCallByPlci(manager.GetConnections(), plci))
        return connection;
    if (manager.GetOwner() != nullptr)
        return FindCallByPlci(manager.GetOwner()->GetConnectionTable(), plci);
    return nullptr;
}

CapiB3Connection* FindB3(CapiManagerBase& manager, std::uint32_t ncci) {
    CapiConnection* connection = nullptr;
    CapiB3Connection* b3 = nullptr;
    if (FindB3ByNcci(manager.GetConnections(), ncci, connection, b3) == KV_OK)
        return b3;
    if (manager.GetOwner() != nullptr &&
        FindB3ByNcci(manager.GetOwner()->GetConnectionTable(), ncci, connection, b3) == KV_OK)
        return b3;
    return nullptr;
}

// A free record of the owner's table moves into the manager's pool and is
// taken there.
CapiConnection* TakeOwnersConnection(CapiManagerBase& manager) {
    CapiHost* owner = manager.GetOwner();
    if (owner == nullptr ||
        manager.GetConnections().Transfer(owner->GetConnectionTable(), 1, true) != KV_OK)
        return nullptr;
    CapiConnection* connection = nullptr;
    if (manager.GetConnections().Take(connection) == KV_OK)
        return connection;
    owner->GetConnectionTable().Transfer(manager.GetConnections(), 1, true);
    return nullptr;
}

} // namespace

KvResult CapiManagerBase::AnswerIndication(CapiStoredMessage* message) {
    if (message == nullptr)
        return result_ = KV_E_INVALID_POINTER;
    if (message->handled)
        return result_;
    current_message_ = message;
    codec_.SetApplId(appl_id_);
    switch (message->GetCommand()) {
    case CAPI_CONNECT:
        AnswerConnectInd(*message);
        break;
    case CAPI_CONNECT_ACTIVE:
        AnswerConnectActiveInd(*message);
        break;
    case CAPI_DISCONNECT:
        AnswerDisconnectInd(*message);
        break;
    case CAPI_INFO:
        AnswerInfoInd(*message);
        break;
    case CAPI_FACILITY:
        AnswerFacilityInd(*message);
        break;
    case CAPI_CONNECT_B3:
        AnswerConnectB3Ind(*message);
        break;
    case CAPI_CONNECT_B3_ACTIVE:
        AnswerConnectB3ActiveInd(*message);
        break;
    case CAPI_DISCONNECT_B3:
        AnswerDisconnectB3Ind(*message);
        break;
    case CAPI_DATA_B3:
        AnswerDataB3Ind(*message);
        break;
    default:
        break;
    }
    return result_;
}

void CapiManagerBase::Take(CapiStoredMessage& message, CapiMessageCodec& record) {
    message.handled = true;
    record.SetMessageNumber(codec_.GetReceivedMessageNumber());
}

CapiConnection* CapiManagerBase::TakeConnection(CapiStoredMessage& message, bool decoded) {
    CapiConnection* connection = decoded ? FindConnection(*this, codec_.GetPlci()) : nullptr;
    if (connection != nullptr)
        Take(message, connection->GetCodec());
    return connection;
}

CapiB3Connection* CapiManagerBase::TakeB3(CapiStoredMessage& message, bool decoded) {
    CapiB3Connection* b3 = decoded ? FindB3(*this, codec_.GetNcci()) : nullptr;
    if (b3 != nullptr)
        Take(message, b3->GetCodec());
    return b3;
}

void CapiManagerBase::AnswerConnectInd(CapiStoredMessage& message) {
    if (codec_.DecodeConnectInd(message.View()) != KV_OK || codec_.GetPlci() == 0)
        return;
    CapiConnection* connection = FindCallByPlci(connections_, codec_.GetPlci());
    if (connection == nullptr) {
        if (state_ != capi_state::kListening ||
            DigitsOnly(own_number_) != DigitsOnly(codec_.CalledPartyNumber().Digits()))
            return;
        if (!TakesNewCalls()) {
            IgnoreCall(message);
            return;
        }
        connection = TakeOwnersConnection(*this);
        if (connection == nullptr)
            return;
        caller_number_ = std::string(codec_.CallingPartyNumber().Digits());
    }
    connection->GetCodec() = codec_;
    Take(message, connection->GetCodec());
    connection->SetState(CapiConnection::kIncoming);
    connection->GetCodec().Reject() = 0;
    if (SendConnectResp(connection) == KV_OK)
        connection->SetState(CapiConnection::kAccepted);
}

void CapiManagerBase::IgnoreCall(CapiStoredMessage& message) {
    Take(message, codec_);
    codec_.Reject() = kRejectIgnore;
    codec_.ConnectedNumber().Clear();
    codec_.ConnectedSubaddress().Clear();
    Put(codec_, codec_.BuildConnectResp(codec_.GetMessageNumber()));
}

void CapiManagerBase::AnswerConnectActiveInd(CapiStoredMessage& message) {
    CapiConnection* connection =
        TakeConnection(message, codec_.DecodeConnectActiveInd(message.View()) == KV_OK);
    if (connection == nullptr)
        return;
    connection->GetCodec().ConnectedNumber() = codec_.ConnectedNumber();
    capi_info_ = result_;
    connection->SetState(CapiConnection::kActive);
    SendConnectActiveResp(connection);
}

void CapiManagerBase::AnswerDisconnectInd(CapiStoredMessage& message) {
    // Cut behind its PLCI it still ends that call: the call is gone in the
    // controller whoever answers, and only this answer tells the manager.
    const bool decoded = codec_.DecodeDisconnectInd(message.View()) == KV_OK ||
                         CapiMessageHolds(message.View(), kCapiIdEnd);
    CapiConnection* connection = TakeConnection(message, decoded);
    if (connection == nullptr)
        return;
    capi_info_ = codec_.Reason();
    connection->GetCodec().Reason() = codec_.Reason();
    connection->SetState(CapiConnection::kDisconnecting);
    SendDisconnectResp(connection);
}

void CapiManagerBase::AnswerInfoInd(CapiStoredMessage& message) {
    CapiConnection* connection =
        TakeConnection(message, codec_.DecodeInfoInd(message.View()) == KV_OK);
    if (connection == nullptr)
        return;
    if ((codec_.InfoNumber() & kInfoNumberKindMask) == kInfoNumberMessageType)
        connection->GetCodec().InfoNumber() = codec_.InfoNumber();
    SendInfoResp();
}

void CapiManagerBase::AnswerFacilityInd(CapiStoredMessage& message) {
    CapiConnection* connection =
        TakeConnection(message, codec_.DecodeFacilityInd(message.View()) == KV_OK);
    if (connection == nullptr)
        return;
    const CapiFacility facility = codec_.Facility();
    capi_info_ = facility.supplementary_service_reason;
    connection->GetCodec().Facility() = facility;
    if (SendFacilityResp(connection) != KV_OK || facility.supplementary_service_reason != 0)
        return;
    if (facility.function == kCapiFacilityHold) {
        connection->SetState(CapiConnection::kHeld);
    } else if (facility.function == kCapiFacilityRetrieve) {
        connection->SetState(CapiConnection::kActive);
    } else if (facility.function == kCapiFacilityEct) {
        connection->SetState(CapiConnection::kTransferred);
        // A partner still waiting for its CONNECT_CONF has no call to join;
        // marked transferred, its shutdown would retrieve PLCI 0.
        CapiConnection* partner = nullptr;
        if (connections_.FindById(kTransferPartnerMark, partner) == KV_OK &&
            partner->GetCodec().GetPlci() != 0)
            partner->SetState(CapiConnection::kTransferred);
    }
}

void CapiManagerBase::AnswerConnectB3Ind(CapiStoredMessage& message) {
    if (codec_.DecodeConnectB3Ind(message.View()) != KV_OK)
        return;
    CapiConnection* connection = FindConnection(*this, codec_.GetNcci() & 0xFFFF);
    CapiB3Connection* b3 = nullptr;
    if (connection == nullptr || connection->GetB3Pool().Take(b3) != KV_OK)
        return;
    Take(message, b3->GetCodec());
    capi_info_ = result_;
    b3->SetState(CapiB3Connection::kIncoming);
    b3->GetCodec().SetNcci(codec_.GetNcci());
    b3->GetCodec().Reject() = 0;
    if (SendConnectB3Resp(b3) != KV_OK)
        result_ = KV_CAPI_NOT_AVAILABLE;
}

void CapiManagerBase::AnswerConnectB3ActiveInd(CapiStoredMessage& message) {
    CapiB3Connection* b3 =
        TakeB3(message, codec_.DecodeConnectB3ActiveInd(message.View()) == KV_OK);
    if (b3 == nullptr)
        return;
    capi_info_ = result_;
    if (SendConnectB3ActiveResp(b3) == KV_OK)
        b3->SetState(CapiB3Connection::kActive);
    else
        result_ = KV_CAPI_NOT_AVAILABLE;
}

void CapiManagerBase::AnswerDisconnectB3Ind(CapiStoredMessage& message) {
    CapiB3Connection* b3 = TakeB3(message, codec_.DecodeDisconnectB3Ind(message.View()) == KV_OK);
    if (b3 == nullptr)
        return;
    capi_info_ = codec_.Reason();
    b3->GetCodec().Reason() = codec_.Reason();
    if (SendDisconnectB3Resp(b3) == KV_OK)
        capi_info_ = 0;
}

void CapiManagerBase::AnswerDataB3Ind(CapiStoredMessage& message) {
    auto block = std::make_unique<B3DataBlock>();
    // Empty or overlong data fails the decoder, yet the indication is still
    // kept and answered: an unanswered DATA_B3_IND stalls the B3 window.
    codec_.DecodeDataB3Ind(message.View(), block.get());
    CapiB3Connection* b3 = TakeB3(message, DataB3IdsRead(message.View()));
    if (b3 == nullptr)
        return;
    block->SetIds(codec_.GetNcci(), codec_.DataHandle(), 0);
    // A full stream loses the block, but the indication is still answered.
    if (b3->GetReceiveStream().Append(block) != KV_OK) {
        ++dropped_blocks_;
        b3->GetReceiveStream().NoteDropped();
    }
    capi_info_ = result_;
    ++data_counter_;
    SendDataB3Resp();
}
