#include "capi/capi_manager_base.h"

#include "capi/capi_host.h"
#include "framework/holder_objects.h"
#include "platform/pointer.h"

#include <atomic>
#include <iterator>

namespace {

constexpr std::uint32_t kConnectionTimerSeconds = 60;
constexpr std::int32_t kStatusCommand = 1;

// Connection states the shutdown step looks at.
constexpr std::uint32_t kConnectionOutgoing = 2;
constexpr std::uint32_t kConnectionActive = 8;
constexpr std::uint32_t kConnectionHeld = 9;
constexpr std::uint32_t kConnectionTransferred = 11;
constexpr std::uint32_t kB3Connected = 3;
constexpr std::uint32_t kB3Refused = 5;

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
    id_words_ = {};
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
    words_ = {};
    message_number_ = 0;
    notification_flags_.SetValue(0);
    second_notification_flags_.SetValue(0);
    last_sequence_ = 0;
    value_word_ = 0;
    minus_one_word_ = 0xFFFFFFFFu;
    data_counter_ = 0;
    second_timers_.RemoveAll();
    last_word_ = 0;
    texts_[2].clear();
    texts_[3].clear();
    event_time_.Clear();
}

void CapiManagerBase::CopyFrom(const CapiManagerBase& other) {
    if (&other == this)
        return;
    payload_type_ = other.payload_type_;
    id_words_ = other.id_words_;
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
    words_ = other.words_;
    last_sequence_ = other.last_sequence_;
    message_number_ = other.message_number_;
    notification_flags_.SetValue(other.notification_flags_.GetValue());
    second_notification_flags_.SetValue(other.second_notification_flags_.GetValue());
    texts_ = other.texts_;
    value_word_ = other.value_word_;
    minus_one_word_ = other.minus_one_word_;
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
    result = Put(codec, codec.BuildConnectReq(NextMessageNumber()));
    if (result == KV_OK)
        connection->SetState(CapiConnection::kConnectRequested);
    return result;
}

KvResult CapiManagerBase::SendConnectResp(CapiConnection* connection) {
    if (connection == nullptr)
        return KV_E_INVALID_POINTER;
    CapiMessageCodec& codec = connection->GetCodec();
    if (codec.Reject() == 0) {
        const KvResult result = codec.ConnectedNumber().SetFromString(texts_[1]);
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
        b3->SetState(codec.Reject() == 0 ? kB3Connected : kB3Refused);
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
    const KvResult result = Put(codec, codec.BuildDisconnectReq(NextMessageNumber()));
    if (result == KV_OK)
        connection->SetState(CapiConnection::kDisconnectRequested);
    return result;
}

KvResult CapiManagerBase::SendDisconnectResp(CapiConnection* connection) {
    if (connection == nullptr)
        return KV_E_INVALID_POINTER;
    CapiMessageCodec& codec = connection->GetCodec();
    const KvResult result = Put(codec, codec.BuildDisconnectResp(codec.GetMessageNumber()));
    if (result == KV_OK)
        connection->SetState(CapiConnection::kIdle);
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
    return Put(codec, codec.BuildFacilityReq(NextMessageNumber()));
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
            connection->SetState(connection->GetState() == kConnectionTransferred
                                     ? kConnectionActive
                                     : CapiConnection::kIdle);
        switch (connection->GetState()) {
        case CapiConnection::kIdle:
            connections_.Release(connection);
            break;
        case kConnectionOutgoing:
        case kConnectionActive:
            if (connection->StateChanged(true) != 0) {
                SendDisconnectReq(connection);
                connection->GetTimers().Restart(kCapiConnectionTimer, kConnectionTimerSeconds, 0);
            }
            break;
        case kConnectionHeld:
        case kConnectionTransferred:
            if (connection->StateChanged(true) != 0) {
                SendFacilityReq(connection, kCapiFacilityRetrieve, 0);
                connection->GetTimers().Restart(kCapiConnectionTimer, kConnectionTimerSeconds, 0);
            }
            break;
        default:
            break;
        }
    }
    return connections_.InUse().empty() ? 1 : 0;
}

void CapiManagerBase::ReturnConnectionsToOwner() {
    if (owner_ == nullptr)
        return;
    connections_.ReleaseAll();
    owner_->GetConnectionTable().Transfer(connections_, connections_.GetFreeCount(), true);
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

// Offsets of the confirmations' fields behind the header.
constexpr std::size_t kConfOffsetPlci = 8;
constexpr std::size_t kConfOffsetInfo = 12;
constexpr std::size_t kFacilityConfOffsetFunction = 17;
constexpr std::size_t kFacilityConfOffsetServiceInfo = 20;
constexpr std::size_t kFacilityConfOffsetValue = 22;

bool ReadConfWord(const CapiStoredMessage& message, std::size_t offset, std::uint32_t& value) {
    if (message.bytes.size() < offset + 2 || CapiMessageLength(message.bytes.data()) < offset + 2)
        return false;
    value = CapiGetWord(&message.bytes[offset]);
    return true;
}

} // namespace

KvResult CapiManagerBase::HandleConfirmation(CapiStoredMessage* message) {
    result_ = KV_OK;
    if (message == nullptr)
        return result_ = KV_E_INVALID_POINTER;
    if (message->handled)
        return capi_info_;
    current_message_ = message;
    std::uint32_t info = 0;
    if (!ReadConfWord(*message, kConfOffsetInfo, info)) {
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
    CapiConnection* connection = nullptr;
    if (connections_.FindByMessageNumber(message->GetMessageNumber(), connection) != KV_OK &&
        (owner_ == nullptr || owner_->GetConnectionTable().FindByMessageNumber(
                                  message->GetMessageNumber(), connection) != KV_OK)) {
        result_ = KV_CAPI_NOT_AVAILABLE;
        return capi_info_;
    }
    message->handled = true;
    capi_info_ = info;
    CapiMessageCodec& codec = connection->GetCodec();
    if (command == CAPI_FACILITY) {
        std::uint32_t function = 0;
        std::uint32_t service_info = 0;
        if (ReadConfWord(*message, kFacilityConfOffsetFunction, function) &&
            function == codec.Facility().function &&
            ReadConfWord(*message, kFacilityConfOffsetServiceInfo, service_info)) {
            codec.Facility().supplementary_service_reason = service_info;
            std::uint32_t low = 0;
            std::uint32_t high = 0;
            if (ReadConfWord(*message, kFacilityConfOffsetValue, low) &&
                ReadConfWord(*message, kFacilityConfOffsetValue + 2, high))
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
    connection->SetState(kConnectionOutgoing);
    if (message->bytes.size() >= kConfOffsetPlci + 4)
        codec.SetPlci(CapiGetDword(&message->bytes[kConfOffsetPlci]));
    return capi_info_;
}
