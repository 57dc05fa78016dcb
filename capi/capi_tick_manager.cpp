#include "capi/capi_tick_manager.h"

#include "capi/capi_host.h"
#include "data/data_general.h"
#include "data/data_isdn_controller.h"
#include "data/data_preferences.h"
#include "data/dialling_settings.h"
#include "platform/pointer.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::int32_t kRecordCommand = 2;
constexpr std::int32_t kOneRecord = 5;
constexpr std::int32_t kAllRecordsOfType = 10;
constexpr std::uint32_t kIsdnControllerHandlerType = 12;

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
        own_number_ = preferences.GetPhoneNumberCtiSource();
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
    // Once running, nothing but a stop request is meant for it: the rest is
    // dropped one message a step.
    if (IsStopRequest(first))
        SetState(capi_state::kShutdown);
    queue_.RemoveAndDelete(first);
    return result_;
}

// While it waits for the host, the stop request is picked out from the
// answers queued with it, which stay for their own state.
bool CapiTickManager::TakeShutdown() {
    CKvMessage* stop = TakeStopRequest();
    if (stop == nullptr)
        return false;
    stop->Release();
    SetState(capi_state::kShutdown);
    return true;
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
        controller.source_number = own_number_;
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
    std::vector<CKvDataIsdnController*> records;
    CKvDataHandlerStore::Position position;
    store->GetStartPosition(&position);
    while (CKvDataHandler* handler = store->GetNext(&position))
        if (auto* record = dynamic_cast<CKvDataIsdnController*>(handler))
            records.push_back(record);
    for (auto record = records.begin(); record != records.end(); ++record) {
        const std::uint32_t number = (*record)->GetControllerNumber();
        // A controller named again is built from its last record alone:
        // records made for an earlier one would point at the controller a
        // later "not in use" deletes.
        if (std::any_of(record + 1, records.end(), [number](const CKvDataIsdnController* later) {
                return later->GetControllerNumber() == number;
            }))
            continue;
        BuildController(**record);
    }
    return result_;
}

void CapiTickManager::BuildController(const CKvDataIsdnController& record) {
    CapiControllerTable& controllers = owner_->GetControllerList();
    CapiControllerRecord* controller = controllers.Find(record.GetControllerNumber());
    if (controller == nullptr) {
        result_ = KV_E_NOT_PRESENT;
        return;
    }
    if (record.GetFlagUse().Get() == 0) {
        controllers.Remove(record.GetControllerNumber());
        return;
    }
    controller->function_flags = record.GetFunctions().GetValue();
    controller->source_number = record.GetSourceNumber();
    controller->automatic_line = record.GetFlagSourceAutomaticLine();
    CreateConnections(*controller);
}

KvResult CapiTickManager::HandleConfirmation(CapiManagerBase& manager,
                                             CapiStoredMessage* message) {
    return manager.ConfirmListening(message);
}

KvResult CapiTickManager::HandleIndication(CapiManagerBase& manager, CapiStoredMessage* message) {
    return manager.AnswerIndication(message);
}
