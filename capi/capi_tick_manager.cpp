#include "capi/capi_tick_manager.h"

#include "capi/capi_host.h"
#include "data/data_general.h"
#include "data/data_isdn_controller.h"
#include "data/data_preferences.h"
#include "data/dialling_settings.h"
#include "platform/pointer.h"

namespace {

constexpr std::int32_t kRecordCommand = 2;
constexpr std::int32_t kOneRecord = 5;
constexpr std::int32_t kAllRecordsOfType = 10;
constexpr std::uint32_t kIsdnControllerHandlerType = 12;

// Connection and B3 states the handlers set.
constexpr std::uint32_t kIncoming = 3;
constexpr std::uint32_t kAccepted = 5;
constexpr std::uint32_t kDisconnecting = 7;
constexpr std::uint32_t kActive = 8;
constexpr std::uint32_t kHeld = 9;
constexpr std::uint32_t kTransferred = 11;
constexpr std::uint32_t kB3Incoming = 2;
constexpr std::uint32_t kB3Active = 7;
// The connection a transfer manager marks as the one to join.
constexpr std::uint32_t kTransferPartnerMark = 2;
// Info numbers of a message type carry these two top bits.
constexpr std::uint32_t kInfoNumberKindMask = 0xC000;
constexpr std::uint32_t kInfoNumberMessageType = 0x8000;
constexpr std::size_t kListenConfInfoOffset = 12;

bool IsEndRequest(const CKvMessage* message) {
    return message->GetAttribute() == KV_MSG_ATTR_ENDED ||
           message->GetAttribute() == KV_MSG_ATTR_SHUTDOWN;
}

} // namespace

CapiTickManager::CapiTickManager() : CapiManagerBase(nullptr) {
    Reset();
    timers_.Add(kCapiManagerTimer2, kWaitSeconds, 0);
}

CapiTickManager::~CapiTickManager() = default;

void CapiTickManager::Reset() {
    CapiManagerBase::Reset();
    payload_type_ = KV_PAYLOAD_CAPI_TICK_MANAGER;
    handler_store_.reset();
}

KvResult CapiTickManager::Run() {
    ProcessMessages();
    return Step();
}

KvResult CapiTickManager::Step() {
    result_ = KV_OK;
    switch (state_) {
    case capi_state::kStart:
        return DoStart();
    case kWaitingForConfiguration:
        return DoWaitForConfiguration();
    case kWaitingForControllers:
        return DoWaitForControllers();
    case kStartListening:
        return DoStartListening();
    case capi_state::kWaitingForListenConf:
        return DoWaitForListenConf();
    case kTickRunning:
        return DoRunning();
    case capi_state::kShutdown:
        SetState(capi_state::kRelease);
        return result_;
    case capi_state::kRelease:
        SetState(capi_state::kEnded);
        return result_;
    default:
        return result_;
    }
}

KvResult CapiTickManager::DoStart() {
    if (owner_ == nullptr) {
        result_ = KV_E_INVALID_POINTER;
        SetState(capi_state::kEnded);
        return result_;
    }
    CapiHost::Position position;
    const CapiHost::ManagerMap* map = nullptr;
    if (owner_->BeginIteration(KV_PAYLOAD_CAPI_TICK_MANAGER, &position, &map) != 0)
        while (CapiManagerBase* other = owner_->NextManager(&position, &map))
            if (other != this) {
                SetState(capi_state::kEnded);
                return result_;
            }
    result_ = IsValidPtr(router_) ? SendConfigurationRequest() : KV_E_INVALID_POINTER;
    if (result_ != KV_OK) {
        SetState(capi_state::kEnded);
        return result_;
    }
    timers_.Start(kCapiManagerTimer2);
    SetState(kWaitingForConfiguration);
    return result_;
}

KvResult CapiTickManager::DoWaitForConfiguration() {
    if (TakeShutdown())
        return result_;
    bool taken = false;
    std::vector<CKvMessage*> messages = queue_.TakeAll();
    for (std::size_t i = 0; i < messages.size(); ++i) {
        CKvMessage* message = messages[i];
        if (message->GetKind() == KV_MSG_KIND_CONFIRMATION &&
            message->GetAttribute() == KV_MSG_ATTR_DATA_FOUND && TakeConfiguration(*message))
            taken = true;
        if (taken) {
            const KvResult sent = SendControllerListRequest(message->GetValue());
            if (sent == KV_OK) {
                for (std::size_t j = i; j < messages.size(); ++j)
                    messages[j]->Release();
                timers_.Start(kCapiManagerTimer2);
                SetState(kWaitingForControllers);
                return result_;
            }
            result_ = sent;
        }
        message->Release();
    }
    if (TimerExpired(kCapiManagerTimer2))
        SetState(capi_state::kShutdown);
    return result_;
}

bool CapiTickManager::TakeConfiguration(CKvMessage& message) {
    void* payload = message.GetPayload();
    if (!IsValidPtr(payload) || owner_ == nullptr)
        return false;
    DiallingRules& rules = owner_->GetDiallingRules();
    if (message.GetPayloadType() == K_KVDT_TP_DTHDLR_DATAGENERAL) {
        TakeDiallingRules(rules, *static_cast<CKvDataGeneral*>(payload));
        return true;
    }
    if (message.GetPayloadType() == K_KVDT_TP_DTHDLR_DATAPREFERENCES) {
        auto& preferences = *static_cast<CKvDataPreferences*>(payload);
        TakeDiallingRules(rules, preferences);
        texts_[1] = preferences.GetPhoneNumberCtiSource();
        rules.ModeFlag() = preferences.GetFlagSourceAutomaticLine().Get();
        return true;
    }
    return false;
}

KvResult CapiTickManager::DoWaitForControllers() {
    if (TakeShutdown())
        return result_;
    while (CKvMessage* message = queue_.FirstMessage()) {
        queue_.Remove(message);
        if (message->GetPayloadType() != KV_PAYLOAD_DATA_HANDLER_STORE ||
            message->GetKind() != KV_MSG_KIND_CONFIRMATION) {
            message->Release();
            continue;
        }
        auto* store = static_cast<CKvDataHandlerStore*>(message->GetPayload());
        if (message->GetAttribute() == KV_MSG_ATTR_DATA_FOUND && IsValidPtr(store) &&
            store->GetHandlerType() == kIsdnControllerHandlerType) {
            handler_store_.reset(static_cast<CKvDataHandlerStore*>(message->DetachPayload()));
            BuildControllersFromRecords(handler_store_.get());
        } else {
            BuildControllersFromCapi();
        }
        message->Release();
        timers_.Stop(kCapiManagerTimer2);
        owner_->SetControllersReady(1);
        SetState(kStartListening);
        return result_;
    }
    if (TimerExpired(kCapiManagerTimer2))
        SetState(capi_state::kShutdown);
    return result_;
}

KvResult CapiTickManager::DoStartListening() {
    if (owner_->IsListenRequested() != 0) {
        timers_.Start(kCapiManagerTimer2);
        SetState(capi_state::kWaitingForListenConf);
        return result_;
    }
    if (owner_->GetControllerList().IsEmpty()) {
        SetState(capi_state::kShutdown);
        return result_;
    }
    SetState(ListenOnEveryController() != 0 ? capi_state::kWaitingForListenConf
                                             : capi_state::kShutdown);
    return result_;
}

KvResult CapiTickManager::DoWaitForListenConf() {
    if (TakeShutdown())
        return result_;
    if (owner_->IsListenConfirmed() != 0) {
        timers_.Stop(kCapiManagerTimer1);
        timers_.Stop(kCapiManagerTimer2);
        SetState(kTickRunning);
    } else if (TimerExpired(kCapiManagerTimer2)) {
        SetState(capi_state::kShutdown);
    }
    return result_;
}

KvResult CapiTickManager::DoRunning() {
    CKvMessage* first = queue_.FirstMessage();
    if (first == nullptr)
        return result_;
    if (IsEndRequest(first))
        SetState(capi_state::kShutdown);
    queue_.RemoveAndDelete(first);
    return result_;
}

bool CapiTickManager::TakeShutdown() {
    std::vector<CKvMessage*> kept;
    bool found = false;
    for (CKvMessage* message : queue_.TakeAll()) {
        if (!found && IsEndRequest(message)) {
            message->Release();
            found = true;
        } else {
            kept.push_back(message);
        }
    }
    queue_.PutBackInFront(kept);
    if (found)
        SetState(capi_state::kShutdown);
    return found;
}

KvResult CapiTickManager::SendToHost(CKvMessage* message, std::uint32_t value) {
    message->SetJobIds(0, job_id_, 0);
    return message->Send(kCapiHostMainEndpoint, endpoint_, router_, value, true, false);
}

KvResult CapiTickManager::SendConfigurationRequest() {
    const std::int32_t type = owner_->GetConfigSource() == 1 ? K_KVDT_TP_DTHDLR_DATAGENERAL
                                                            : K_KVDT_TP_DTHDLR_DATAPREFERENCES;
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!router_->CreateMessageWithPayload(message, payload, type))
        return KV_E_OUT_OF_MEMORY;
    appl_id_ = owner_->GetApplId();
    message->SetKindAndCommand(KV_MSG_KIND_REQUEST, kRecordCommand, kOneRecord);
    return SendToHost(message, message->GetValue());
}

KvResult CapiTickManager::SendControllerListRequest(std::uint32_t value) {
    CKvMessage* message = nullptr;
    router_->CreateMessage(message);
    if (message == nullptr)
        return KV_E_OUT_OF_MEMORY;
    message->SetHeader(KV_MSG_KIND_REQUEST, nullptr, K_KVDT_TP_DTHDLR_DATAISDNCONTROLLER,
                       kRecordCommand, kAllRecordsOfType, KV_MSG_ATTR_UNSPECIFIED);
    return SendToHost(message, value);
}

void CapiTickManager::CreateConnections(CapiControllerRecord& controller) {
    owner_->GetConnectionTable().CreateRecords(CapiHost::BChannelCount(controller),
                                               owner_->GetApplId(), &controller);
}

KvResult CapiTickManager::BuildControllersFromCapi() {
    result_ = KV_OK;
    capi_info_ = owner_->QueryControllers();
    if (capi_info_ != KV_OK)
        return result_ = KV_E_CAPI_INFO;
    CapiControllerTable& controllers = owner_->GetControllerList();
    for (std::size_t i = 0; i < controllers.GetCount(); ++i) {
        CapiControllerRecord& controller = *controllers.GetAt(i);
        controller.source_number = texts_[1];
        controller.automatic_line = owner_->GetDiallingRules().ModeFlag();
        CreateConnections(controller);
    }
    return result_;
}

KvResult CapiTickManager::BuildControllersFromRecords(CKvDataHandlerStore* store) {
    result_ = KV_OK;
    if (!IsValidPtr(store))
        return result_ = KV_E_INVALID_POINTER;
    capi_info_ = owner_->QueryControllers();
    if (capi_info_ != KV_OK)
        return result_ = KV_E_CAPI_INFO;
    CapiControllerTable& controllers = owner_->GetControllerList();
    CKvDataHandlerStore::Position position;
    store->GetStartPosition(&position);
    while (CKvDataHandler* handler = store->GetNext(&position)) {
        auto* record = dynamic_cast<CKvDataIsdnController*>(handler);
        if (record == nullptr)
            continue;
        CapiControllerRecord* controller = controllers.Find(record->GetControllerNumber());
        if (controller == nullptr) {
            result_ = KV_E_NOT_PRESENT;
            continue;
        }
        if (record->GetFlagUse().Get() == 0) {
            controllers.Remove(record->GetControllerNumber());
            continue;
        }
        controller->function_flags = record->GetFunctions().GetValue();
        controller->source_number = record->GetSourceNumber();
        controller->automatic_line = record->GetFlagSourceAutomaticLine();
        CreateConnections(*controller);
    }
    return result_;
}

KvResult CapiTickManager::ProcessMessages() {
    return WalkMessages(*this, &CapiTickManager::HandleIndication);
}

KvResult CapiTickManager::WalkMessages(CapiManagerBase& manager,
                                       IndicationHandler handle_indication,
                                       IndicationHandler handle_confirmation) {
    if (manager.owner_ == nullptr)
        return manager.result_ = KV_E_INVALID_POINTER;
    CapiMessageList* list = nullptr;
    if (manager.FindMessageList(manager.owner_->GetApplId(), list) != KV_OK)
        return manager.result_ = KV_E_FAIL;
    std::size_t index = 0;
    if (FindFirstAbove(*list, manager.last_sequence_, index) != KV_OK)
        return manager.result_;
    for (; index < list->size(); ++index) {
        CapiStoredMessage& entry = (*list)[index];
        switch (entry.GetSubcommand()) {
        case CAPI_CONF:
            manager.capi_info_ = handle_confirmation(manager, &entry);
            break;
        case CAPI_IND:
            manager.capi_info_ = handle_indication(manager, &entry);
            break;
        default:
            manager.result_ = KV_E_FAIL;
            break;
        }
        manager.last_sequence_ = entry.sequence;
    }
    return manager.result_;
}

KvResult CapiTickManager::HandleConfirmation(CapiManagerBase& manager,
                                             CapiStoredMessage* message) {
    if (message == nullptr)
        return manager.result_ = KV_E_INVALID_POINTER;
    if (message->handled)
        return manager.result_;
    manager.current_message_ = message;
    if (message->GetCommand() != CAPI_LISTEN ||
        message->GetMessageNumber() != manager.message_number_ || manager.owner_ == nullptr)
        return manager.result_;
    // A refused LISTEN does not count as listening.
    if (message->bytes.size() < kListenConfInfoOffset + 2 ||
        CapiGetWord(&message->bytes[kListenConfInfoOffset]) != 0)
        return manager.result_;
    manager.owner_->SetListenConfirmed(1);
    message->handled = true;
    return manager.result_;
}

namespace {

CapiConnection* FindConnection(CapiManagerBase& manager, std::uint32_t plci) {
    CapiConnection* connection = nullptr;
    if (manager.GetConnections().FindByPlci(plci, connection) == KV_OK)
        return connection;
    if (manager.GetOwner() != nullptr &&
        manager.GetOwner()->GetConnectionTable().FindByPlci(plci, connection) == KV_OK)
        return connection;
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

KvResult CapiTickManager::HandleIndication(CapiManagerBase& manager, CapiStoredMessage* message) {
    if (message == nullptr)
        return manager.result_ = KV_E_INVALID_POINTER;
    if (message->handled)
        return manager.result_;
    manager.current_message_ = message;
    CapiMessageCodec& codec = manager.codec_;
    codec.SetApplId(manager.appl_id_);
    const auto bytes = message->View();
    switch (message->GetCommand()) {
    case CAPI_CONNECT: {
        codec.DecodeConnectInd(bytes);
        const std::string called = DigitsOnly(codec.CalledPartyNumber().Digits());
        const std::string own = DigitsOnly(manager.texts_[1]);
        CapiConnection* connection = nullptr;
        manager.connections_.FindByPlci(codec.GetPlci(), connection);
        if (connection == nullptr) {
            if (manager.state_ != capi_state::kListening || own != called)
                return manager.result_;
            connection = TakeOwnersConnection(manager);
            if (connection == nullptr)
                return manager.result_;
            manager.texts_[2] = std::string(codec.CallingPartyNumber().Digits());
        }
        connection->GetCodec() = codec;
        connection->GetCodec().SetMessageNumber(codec.GetReceivedMessageNumber());
        connection->SetState(kIncoming);
        connection->GetCodec().Reject() = 0;
        message->handled = true;
        if (manager.SendConnectResp(connection) == KV_OK)
            connection->SetState(kAccepted);
        return manager.result_;
    }
    case CAPI_CONNECT_ACTIVE: {
        codec.DecodeConnectActiveInd(bytes);
        CapiConnection* connection = FindConnection(manager, codec.GetPlci());
        if (connection == nullptr)
            return manager.result_;
        message->handled = true;
        connection->GetCodec().SetMessageNumber(codec.GetReceivedMessageNumber());
        connection->GetCodec().ConnectedNumber() = codec.ConnectedNumber();
        manager.capi_info_ = manager.result_;
        connection->SetState(kActive);
        manager.SendConnectActiveResp(connection);
        return manager.result_;
    }
    case CAPI_DISCONNECT: {
        codec.DecodeDisconnectInd(bytes);
        CapiConnection* connection = FindConnection(manager, codec.GetPlci());
        if (connection == nullptr)
            return manager.result_;
        message->handled = true;
        manager.capi_info_ = codec.Reason();
        connection->GetCodec().Reason() = codec.Reason();
        connection->GetCodec().SetMessageNumber(codec.GetReceivedMessageNumber());
        connection->SetState(kDisconnecting);
        manager.SendDisconnectResp(connection);
        return manager.result_;
    }
    case CAPI_INFO: {
        codec.DecodeInfoInd(bytes);
        CapiConnection* connection = FindConnection(manager, codec.GetPlci());
        if (connection == nullptr)
            return manager.result_;
        message->handled = true;
        connection->GetCodec().SetMessageNumber(codec.GetReceivedMessageNumber());
        if ((codec.InfoNumber() & kInfoNumberKindMask) == kInfoNumberMessageType)
            connection->GetCodec().InfoNumber() = codec.InfoNumber();
        manager.SendInfoResp();
        return manager.result_;
    }
    case CAPI_FACILITY: {
        codec.DecodeFacilityInd(bytes);
        CapiConnection* connection = FindConnection(manager, codec.GetPlci());
        if (connection == nullptr)
            return manager.result_;
        message->handled = true;
        const CapiFacility facility = codec.Facility();
        manager.capi_info_ = facility.supplementary_service_reason;
        connection->GetCodec().Facility() = facility;
        connection->GetCodec().SetMessageNumber(codec.GetReceivedMessageNumber());
        if (manager.SendFacilityResp(connection) != KV_OK ||
            facility.supplementary_service_reason != 0)
            return manager.result_;
        if (facility.function == kCapiFacilityHold) {
            connection->SetState(kHeld);
        } else if (facility.function == kCapiFacilityRetrieve) {
            connection->SetState(kActive);
        } else if (facility.function == kCapiFacilityEct) {
            connection->SetState(kTransferred);
            CapiConnection* partner = nullptr;
            if (manager.connections_.FindById(kTransferPartnerMark, partner) == KV_OK)
                partner->SetState(kTransferred);
        }
        return manager.result_;
    }
    case CAPI_CONNECT_B3: {
        codec.DecodeConnectB3Ind(bytes);
        CapiConnection* connection = FindConnection(manager, codec.GetNcci() & 0xFFFF);
        CapiB3Connection* b3 = nullptr;
        if (connection == nullptr || connection->GetB3Pool().Take(b3) != KV_OK)
            return manager.result_;
        message->handled = true;
        manager.capi_info_ = manager.result_;
        b3->SetState(kB3Incoming);
        b3->GetCodec().SetNcci(codec.GetNcci());
        b3->GetCodec().Reject() = 0;
        b3->GetCodec().SetMessageNumber(codec.GetReceivedMessageNumber());
        if (manager.SendConnectB3Resp(b3) != KV_OK)
            manager.result_ = KV_CAPI_NOT_AVAILABLE;
        return manager.result_;
    }
    case CAPI_CONNECT_B3_ACTIVE: {
        codec.DecodeConnectB3ActiveInd(bytes);
        CapiB3Connection* b3 = FindB3(manager, codec.GetNcci());
        if (b3 == nullptr)
            return manager.result_;
        message->handled = true;
        b3->GetCodec().SetMessageNumber(codec.GetReceivedMessageNumber());
        manager.capi_info_ = manager.result_;
        if (manager.SendConnectB3ActiveResp(b3) == KV_OK)
            b3->SetState(kB3Active);
        else
            manager.result_ = KV_CAPI_NOT_AVAILABLE;
        return manager.result_;
    }
    case CAPI_DISCONNECT_B3: {
        codec.DecodeDisconnectB3Ind(bytes);
        CapiB3Connection* b3 = FindB3(manager, codec.GetNcci());
        if (b3 == nullptr)
            return manager.result_;
        message->handled = true;
        manager.capi_info_ = codec.Reason();
        b3->GetCodec().Reason() = codec.Reason();
        b3->GetCodec().SetMessageNumber(codec.GetReceivedMessageNumber());
        if (manager.SendDisconnectB3Resp(b3) == KV_OK)
            manager.capi_info_ = 0;
        return manager.result_;
    }
    case CAPI_DATA_B3: {
        auto block = std::make_unique<B3DataBlock>();
        codec.DecodeDataB3Ind(bytes, block.get());
        CapiB3Connection* b3 = FindB3(manager, codec.GetNcci());
        if (b3 == nullptr)
            return manager.result_;
        message->handled = true;
        block->SetIds(codec.GetNcci(), codec.DataHandle(), 0);
        // A full stream loses the block, but the indication is still
        // answered: an unanswered DATA_B3_IND stalls the B3 window.
        if (b3->GetReceiveStream().Append(block) != KV_OK)
            ++manager.dropped_blocks_;
        manager.capi_info_ = manager.result_;
        ++manager.data_counter_;
        manager.SendDataB3Resp();
        return manager.result_;
    }
    default:
        return manager.result_;
    }
}
