#include "jobs/job_data_listen2.h"

#include "capi/capi_listen_manager.h"
#include "data/data_call.h"
#include "data/data_device.h"
#include "data/data_general.h"
#include "data/data_host.h"
#include "data/data_preferences.h"
#include "data/data_server_user.h"
#include "data/dialling_settings.h"
#include "core/node_text.h"
#include "jobs/job_element_xml.h"
#include "jobs/job_payloads.h"
#include "platform/number_parse.h"
#include "platform/pointer.h"
#include "platform/text.h"

#include <memory>

namespace {

constexpr std::string_view kElementName = "JobDataListen";
constexpr std::int32_t kCommandDeviceOn = 1;
constexpr std::int32_t kCommandDeviceOff = 3;
constexpr std::int32_t kSubCommandAllOfType = 10;

bool IsDataFound(const CKvMessage& message) {
    return message.GetAttribute() == KV_MSG_ATTR_DATA_FOUND;
}

} // namespace

CKvJobDataListen2::CKvJobDataListen2() {
    devices_.Init(K_KVDT_TP_DTHDLR_DATADEVICE, 1, kDeviceCapacity, "DEVICES", nullptr,
                  "DATADEVICE");
    type_code_ = K_KVJBDT_TP_LISTEN2;
    state_ = KV_JOB_STATE_START;
    timers_.Add(kAnswerTimerId, kAnswerSeconds, 0);
}

CKvJobDataListen2::~CKvJobDataListen2() {
    user_numbers_.Reset();
    host_numbers_.Reset();
    devices_.DeleteAll();
}

CKvJobDataListen2& CKvJobDataListen2::CopyFrom(const CKvJobDataListen2& other) {
    if (&other == this)
        return *this;
    CKvJobData::CopyFrom(other);
    manager_numbers_[0] = other.manager_numbers_[0];
    manager_numbers_[1] = other.manager_numbers_[1];
    callingnumber_ = other.callingnumber_;
    callednumber_ = other.callednumber_;
    own_number_ = other.own_number_;
    user_numbers_ = other.user_numbers_;
    host_numbers_ = other.host_numbers_;
    rules_ = other.rules_;
    devices_.CopyFrom(other.devices_);
    return *this;
}

// ---- XML ----

KvResult CKvJobDataListen2::WriteXml(XmlNode* job_data) {
    std::vector<JobElementChild> children;
    const auto add = [&children](const char* name, const std::string& text) {
        if (!text.empty())
            children.emplace_back(name, text);
    };
    add("loginname", loginname_);
    add("hostname", peer_.GetName());
    // An address of 0 counts as none.
    if (peer_.GetAddress() != 0)
        add("hostip", peer_.GetAddressText());
    if (peer_.GetPort() != 0)
        add("portnumber", peer_.GetPortText());
    add("callingnumber", callingnumber_);
    add("callednumber", callednumber_);
    std::string datetime;
    children.emplace_back("datetime", datetime_.GetText(datetime));
    XmlDocument& document = Document();
    XmlNode* element = nullptr;
    KvResult result =
        WriteJobElement(element, document, job_data, kElementName, idsource_, children);
    if (result != KV_OK || devices_.GetCount() == 0)
        return result;
    XmlNode* store = nullptr;
    return devices_.WriteXml(store, document, element);
}

KvResult CKvJobDataListen2::ReadXml(const XmlNode* job_data) {
    std::string scratch;
    return ReadJobElement(job_data, kElementName, idsource_, [this, &scratch](const XmlNode& child) {
        const std::string_view name = child.GetName();
        if (name == devices_.GetElementName()) {
            devices_.ReadXml(&child);
            return;
        }
        if (child.GetKind() != kXmlTextElement)
            return;
        const std::string_view text = DecodedNodeText(child, scratch);
        if (ReadPeerKey(name, text))
            return;
        if (name == "callingnumber")
            callingnumber_ = text;
        else if (name == "callednumber")
            callednumber_ = text;
        else if (name == "datetime")
            datetime_.SetFromText(text);
    });
}

// ---- Shared steps ----

void CKvJobDataListen2::CleanUp() {
    ShutDownManager();
    Finish();
}

void CKvJobDataListen2::ShutDownManager() {
    if (!manager_held_ || partner_job_id_ == 0 || !IsValidPtr(router_)) {
        manager_held_ = false;
        return;
    }
    manager_held_ = false;
    auto* message = new CKvMessage;
    message->SetHeader(KV_MSG_KIND_INFO, nullptr, KV_PAYLOAD_CAPI_LISTEN_MANAGER,
                       KV_MSG_COMMAND_NOTIFICATION, KV_SUBCOMMAND_ONE_RECORD,
                       KV_MSG_ATTR_SHUTDOWN);
    message->SetJobIds(partner_job_id_, job_id_, 0);
    SendToHost(message, KV_ENDPOINT_CAPI);
}

void CKvJobDataListen2::Refuse() {
    if (messagetype_ != KV_MSG_KIND_REQUEST)
        return;
    const std::string login = loginname_;
    CollectLocalIdentity();
    loginname_ = login;
    SetMessageType(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_REFUSED);
    Send();
}

bool CKvJobDataListen2::HasClientAtPeer() const {
    if (!IsValidPtr(handler_))
        return false;
    const CKvJobMap* clients = handler_->FindJobsOfType(K_KVJBDT_TP_CLIENT);
    if (clients == nullptr)
        return false;
    for (const auto& entry : *clients) {
        const auto* client = static_cast<const CKvJobData*>(entry.second);
        if (IsValidPtr(client) && client->GetState() == KV_JOB_STATE_RUNNING &&
            client->GetPeerComputer().GetKey() == peer_.GetKey())
            return true;
    }
    return false;
}

void CKvJobDataListen2::AddDeviceEntry(PHONE_NUMBER_LIST& list, CKvDataDevice& device) {
    std::string key = device.GetNumber();
    PHONE_NUMBER* entry = nullptr;
    if (list.CreateEntry(entry, key) != KV_OK || entry == nullptr)
        return;
    entry->GetNumber() = key;
    entry->GetAlias() = device.GetAlias();
    entry->GetLineId() = device.GetTapiLine();
    entry->GetFlagData() = TRUE;
}

void CKvJobDataListen2::TakeCall(CapiListenManager& manager, bool normalise) {
    callingnumber_ = manager.GetText2();
    callednumber_ = manager.GetText3();
    if (normalise) {
        std::string normalised;
        rules_.NormalizeReceivedNumber(normalised, callingnumber_);
        callingnumber_ = normalised;
        rules_.NormalizeReceivedNumber(normalised, callednumber_);
        callednumber_ = normalised;
    }
    datetime_ = manager.GetEventTime();
}

CKvMessage* CKvJobDataListen2::NewCallMessage(std::int32_t kind, bool mark) {
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!IsValidPtr(router_) ||
        !router_->CreateMessageWithPayload(message, payload, K_KVDT_TP_DTHDLR_DATACALL))
        return nullptr;
    auto* call = static_cast<CKvDataCall*>(payload);
    call->GetPhoneNumber().GetNumber() = callingnumber_;
    call->GetNumberInt() = callednumber_;
    call->GetFlagCallOut().Set(0);
    call->GetStartTime() = datetime_;
    if (mark)
        call->GetReportMarker() = 1;
    message->SetKindAndCommand(kind, KV_MSG_COMMAND_NOTIFICATION, KV_SUBCOMMAND_ONE_RECORD);
    return message;
}

KvResult CKvJobDataListen2::RequestListenManager(bool with_numbers) {
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!IsValidPtr(router_) ||
        !router_->CreateMessageWithPayload(message, payload, KV_PAYLOAD_CAPI_LISTEN_MANAGER))
        return KV_E_OUT_OF_MEMORY;
    auto* manager = static_cast<CapiListenManager*>(payload);
    if (with_numbers) {
        manager->SetCalledNumber(manager_numbers_[0]);
        manager->SetCallingNumber(manager_numbers_[1]);
        manager->SetOwnNumber(own_number_);
    }
    PHONE_NUMBER_LIST& watched = manager->GetNumberList();
    for (PHONE_NUMBER_LIST* list : {&user_numbers_, &host_numbers_}) {
        PHONE_NUMBER_LIST::Position position = 0;
        list->GetStartPosition(position);
        PHONE_NUMBER* entry = nullptr;
        while (list->GetNext(entry, position)) {
            std::string number = entry->GetNumber();
            std::string key;
            rules_.NormalizeReceivedNumber(key, number);
            auto copy = std::make_unique<PHONE_NUMBER>(*entry);
            copy->GetIdentifier() = key;
            // An entry listed already is skipped.
            watched.Add(copy);
        }
    }
    message->SetKindAndCommand(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_NOTIFICATION,
                               KV_SUBCOMMAND_ONE_RECORD);
    message->SetJobIds(0, job_id_, originating_job_id_);
    return SendToHost(message, KV_ENDPOINT_CAPI);
}

template <typename Record, typename Fill>
bool CKvJobDataListen2::RequestOne(std::int32_t payload_type, Fill fill,
                                   std::uint32_t originating) {
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!IsValidPtr(router_) ||
        !router_->CreateMessageWithPayload(message, payload, payload_type))
        return false;
    fill(*static_cast<Record*>(payload));
    message->SetKindAndCommand(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_DATA,
                               KV_SUBCOMMAND_ONE_RECORD);
    message->SetJobIds(0, job_id_, originating);
    return SendToHost(message, KV_ENDPOINT_HOST_MAIN) == KV_OK;
}

bool CKvJobDataListen2::RequestAllOfType(std::int32_t payload_type) {
    if (!IsValidPtr(router_))
        return false;
    auto* message = new CKvMessage;
    message->SetHeader(KV_MSG_KIND_REQUEST, nullptr, payload_type, KV_MSG_COMMAND_DATA,
                       kSubCommandAllOfType, KV_MSG_ATTR_UNSPECIFIED);
    message->SetJobIds(0, job_id_, originating_job_id_);
    return SendToHost(message, KV_ENDPOINT_HOST_MAIN) == KV_OK;
}

template <typename List>
void CKvJobDataListen2::RequestDevices(const List& numbers, std::uint32_t originating) {
    typename List::Position position{};
    numbers.GetHeadPosition(position);
    std::string number;
    while (numbers.GetNext(number, position)) {
        if (number.empty())
            continue;
        if (RequestOne<CKvDataDevice>(
                K_KVDT_TP_DTHDLR_DATADEVICE,
                [&number](CKvDataDevice& device) { device.SetNumber(number); }, originating))
            ++pending_;
    }
}

void CKvJobDataListen2::PostDevices(std::int32_t command) {
    CKvDataHandlerStore::Position position;
    devices_.GetStartPosition(&position);
    while (CKvDataHandler* device = devices_.GetNext(&position)) {
        CKvMessage* message = nullptr;
        void* payload = nullptr;
        if (!IsValidPtr(router_) ||
            !router_->CreateMessageWithPayload(message, payload, K_KVDT_TP_DTHDLR_DATADEVICE))
            return;
        CopyPayloadByType(payload, device, K_KVDT_TP_DTHDLR_DATADEVICE);
        message->SetKindAndCommand(KV_MSG_KIND_INFO, command, KV_SUBCOMMAND_ONE_RECORD);
        message->SetJobIds(0, job_id_, 0);
        SendToHost(message, KV_ENDPOINT_HOST_STATUS);
    }
}

// ---- Root-job check ----

KvResult CKvJobDataListen2::CheckRootJob() {
    return StepPickedMachine([this] { return ExecutorRun(); }, [this] { return StepRequester(); });
}

// ---- Requester ----

KvResult CKvJobDataListen2::StepRequester() {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        DetachFromCarryingMessage();
        GoTo(kStatePreferences);
        break;
    case kStatePreferences:
        RequesterPreferences();
        break;
    case kStateRequestManager:
        RequesterSendRequest();
        break;
    case KV_JOB_STATE_WAITING_FOR_ANSWER:
        RequesterWaitForAnswer();
        break;
    case KV_JOB_STATE_RUNNING:
        if (ForwardNotifications() != KV_OK)
            GoTo(KV_JOB_STATE_STOP_REQUESTED);
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        RequesterStop();
        break;
    case KV_JOB_STATE_CLEANUP:
        RequesterCleanUp();
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

void CKvJobDataListen2::RequesterPreferences() {
    CKvMessage* answer = nullptr;
    if (RequestRecord(answer, KV_MSG_COMMAND_DATA, KV_ENDPOINT_HOST_MAIN, 0, nullptr,
                      K_KVDT_TP_DTHDLR_DATAPREFERENCES) != KV_OK) {
        last_result_ = KV_E_FAIL;
        End();
        return;
    }
    if (answer == nullptr)
        return;
    if (!IsDataFound(*answer))
        last_result_ = KV_E_FAIL;
    else if (!IsValidPtr(answer->GetPayload()))
        last_result_ = KV_E_INVALID_POINTER;
    answer->Release();
    if (last_result_ != KV_OK)
        End();
    else
        GoTo(kStateRequestManager);
}

void CKvJobDataListen2::RequesterSendRequest() {
    if (SendRequestViaClientJob() != KV_OK) {
        End();
        return;
    }
    waiting_flag_ = 1;
    timers_.Start(kAnswerTimerId);
    GoTo(KV_JOB_STATE_WAITING_FOR_ANSWER);
}

void CKvJobDataListen2::RequesterWaitForAnswer() {
    CKvMessage* message = nullptr;
    if (!incoming_.FindByPayloadType(message, K_KVJBDT_TP_LISTEN2) || !IsValidPtr(message)) {
        waiting_flag_ = 1;
    } else {
        auto* answer = static_cast<CKvJobDataListen2*>(JobFromPayload(message->GetPayload()));
        if (!IsValidPtr(answer) || answer->GetSubType() != K_KVJBDT_TP_LISTEN2 ||
            message->GetAttribute() != KV_MSG_ATTR_ACCEPTED) {
            End();
        } else {
            devices_.CopyFrom(answer->devices_);
            PostDevices(kCommandDeviceOn);
            SetIds(answer->GetIdSource(), job_id_);
            partner_job_id_ = answer->GetIdSource();
            timers_.Stop(kAnswerTimerId);
            GoTo(KV_JOB_STATE_RUNNING);
        }
    }
    incoming_.DeleteAll();
    if (state_ == KV_JOB_STATE_WAITING_FOR_ANSWER && timers_.CheckExpired(kAnswerTimerId))
        End();
}

KvResult CKvJobDataListen2::ForwardNotifications() {
    last_result_ = KV_OK;
    waiting_flag_ = 1;
    if (!HasClientAtPeer()) {
        last_result_ = KV_E_FAIL;
        return last_result_;
    }
    while (CKvMessage* message = incoming_.FirstMessage()) {
        incoming_.Remove(message);
        auto* record = message->GetPayloadType() == K_KVJBDT_TP_LISTEN2
                           ? static_cast<CKvJobDataListen2*>(JobFromPayload(message->GetPayload()))
                           : nullptr;
        if (record != nullptr && message->GetAttribute() == KV_MSG_ATTR_ENDED) {
            End();
        } else if (IsValidPtr(record) && message->GetAttribute() == KV_MSG_ATTR_NOTIFICATION) {
            callingnumber_ = record->callingnumber_;
            callednumber_ = record->callednumber_;
            datetime_ = record->datetime_;
            CKvMessage* call = NewCallMessage(KV_MSG_KIND_REQUEST, true);
            if (call == nullptr || SendToHost(call, KV_ENDPOINT_CALL_WINDOW) != KV_OK) {
                const KvResult posted = PostText(callingnumber_, KV_ENDPOINT_HOST_STATUS);
                if (posted == KV_E_OUT_OF_MEMORY)
                    last_result_ = posted;
            }
        }
        message->Release();
    }
    return last_result_;
}

void CKvJobDataListen2::RequesterStop() {
    if (partner_job_id_ != 0) {
        SetMessageType(KV_MSG_KIND_INFO, KV_MSG_ATTR_ENDED);
        Send();
    }
    End();
}

void CKvJobDataListen2::RequesterCleanUp() {
    PostDevices(kCommandDeviceOff);
    incoming_.DeleteAll();
    GoTo(KV_JOB_STATE_FINISHED);
}

// ---- Serverless ----

KvResult CKvJobDataListen2::ExecutorRun() {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        ServerlessPreferences();
        break;
    case kStateRequestManager:
        if (RequestListenManager(true) != KV_OK) {
            End();
            break;
        }
        waiting_flag_ = 1;
        timers_.Start(kAnswerTimerId);
        GoTo(KV_JOB_STATE_WAITING_FOR_ANSWER);
        break;
    case KV_JOB_STATE_WAITING_FOR_ANSWER:
        WaitForManager(false);
        break;
    case KV_JOB_STATE_RUNNING:
        if (ServeCalls() != KV_OK)
            End();
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        ShutDownManager();
        End();
        break;
    case KV_JOB_STATE_CLEANUP:
        CleanUp();
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

void CKvJobDataListen2::ServerlessPreferences() {
    CKvMessage* answer = nullptr;
    if (RequestRecord(answer, KV_MSG_COMMAND_DATA, KV_ENDPOINT_HOST_MAIN, 0, nullptr,
                      K_KVDT_TP_DTHDLR_DATAPREFERENCES) != KV_OK) {
        End();
        return;
    }
    if (answer == nullptr)
        return;
    auto* preferences = static_cast<CKvDataPreferences*>(answer->GetPayload());
    if (!IsDataFound(*answer)) {
        last_result_ = KV_E_NO_DATA_FOUND;
    } else if (!IsValidPtr(preferences)) {
        last_result_ = KV_E_INVALID_POINTER;
    } else {
        TakeDiallingRules(rules_, *preferences);
        KVSTRING_LIST& devices = preferences->GetStringListA();
        KVSTRING_LIST::Position position = 0;
        devices.GetStartPosition(position);
        KVSTRING* device = nullptr;
        while (devices.GetNext(device, position)) {
            std::string key = device->GetIdentifier();
            PHONE_NUMBER* entry = nullptr;
            if (host_numbers_.CreateEntry(entry, key) == KV_OK && entry != nullptr) {
                entry->GetNumber() = key;
                entry->GetAlias() = device->GetData();
            }
        }
        SetSubState(0);
        GoTo(kStateRequestManager);
    }
    answer->Release();
    if (last_result_ != KV_OK)
        End();
}

void CKvJobDataListen2::WaitForManager(bool answer_requester) {
    CKvMessage* message = nullptr;
    if (!incoming_.FindByPayloadType(message, KV_PAYLOAD_CAPI_LISTEN_MANAGER) ||
        !IsValidPtr(message)) {
        waiting_flag_ = 1;
    } else if (message->GetAttribute() != KV_MSG_ATTR_ACCEPTED ||
               !IsValidPtr(message->GetPayload())) {
        End();
    } else {
        auto* manager = static_cast<CapiListenManager*>(message->GetPayload());
        if (answer_requester && messagetype_ == KV_MSG_KIND_REQUEST) {
            // The requester learns this job's id from the confirmation.
            SetIds(job_id_, idsource_);
            SetMessageType(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED);
            Send();
            SwapIds();
        }
        if (answer_requester)
            devices_.DeleteAll();
        partner_job_id_ = manager->GetJobId();
        manager_held_ = true;
        timers_.Stop(kAnswerTimerId);
        GoTo(KV_JOB_STATE_RUNNING);
    }
    incoming_.DeleteAll();
    if (state_ == KV_JOB_STATE_WAITING_FOR_ANSWER && timers_.CheckExpired(kAnswerTimerId))
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
}

KvResult CKvJobDataListen2::ServeCalls() {
    last_result_ = KV_OK;
    if (incoming_.GetCount() == 0) {
        waiting_flag_ = 1;
        return last_result_;
    }
    while (CKvMessage* message = incoming_.FirstMessage()) {
        incoming_.Remove(message);
        const std::int32_t type = message->GetPayloadType();
        const std::int32_t attribute = message->GetAttribute();
        if (type == K_KVDT_TP_DTHDLR_DATACALL) {
            message->Release();
        } else if (attribute == KV_MSG_ATTR_ENDED &&
                   (type == K_KVJBDT_TP_ROOT || type == K_KVJBDT_TP_LISTEN2 ||
                    type == KV_PAYLOAD_CAPI_LISTEN_MANAGER)) {
            AnswerOrRelease(message);
            last_result_ = KV_E_FAIL;
        } else if (type == KV_PAYLOAD_CAPI_LISTEN_MANAGER &&
                   attribute == KV_MSG_ATTR_NOTIFICATION && IsValidPtr(message->GetPayload())) {
            TakeCall(*static_cast<CapiListenManager*>(message->GetPayload()), false);
            AnswerOrRelease(message);
            if (CKvMessage* call = NewCallMessage(KV_MSG_KIND_REQUEST, true)) {
                call->SetJobIds(0, job_id_, 0);
                SendToHost(call, KV_ENDPOINT_CALL_WINDOW);
            }
        } else {
            message->Release();
        }
    }
    return last_result_;
}

// ---- Executors ----

KvResult CKvJobDataListen2::StepExecutor() {
    return variant_ == 0 ? StepExecutorA() : StepExecutorB();
}

KvResult CKvJobDataListen2::StepExecutorA() {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        ExecutorGeneral(false);
        break;
    case kStateHost:
        ExecutorAHost();
        break;
    case kStateHostDevices:
        ExecutorADevices(false);
        break;
    case kStateServerUser:
        ExecutorAServerUser();
        break;
    case kStateUserDevices:
        ExecutorADevices(true);
        break;
    case kStateRequestManager:
        if (RequestListenManager(true) != KV_OK) {
            End();
            break;
        }
        waiting_flag_ = 1;
        timers_.Start(kAnswerTimerId);
        GoTo(KV_JOB_STATE_WAITING_FOR_ANSWER);
        break;
    case KV_JOB_STATE_WAITING_FOR_ANSWER:
        WaitForManager(true);
        break;
    case KV_JOB_STATE_RUNNING:
        ExecutorServing(false);
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        ExecutorAStop();
        break;
    case KV_JOB_STATE_CLEANUP:
        CleanUp();
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

void CKvJobDataListen2::ExecutorGeneral(bool local) {
    CKvMessage* answer = nullptr;
    if (RequestRecord(answer, KV_MSG_COMMAND_DATA, KV_ENDPOINT_HOST_MAIN, 0, nullptr,
                      K_KVDT_TP_DTHDLR_DATAGENERAL) != KV_OK) {
        if (!local)
            Refuse();
        End();
        return;
    }
    if (answer == nullptr)
        return;
    auto* general = static_cast<CKvDataGeneral*>(answer->GetPayload());
    if (!IsDataFound(*answer)) {
        last_result_ = KV_E_NO_DATA_FOUND;
    } else if (!IsValidPtr(general)) {
        last_result_ = KV_E_INVALID_POINTER;
    } else if (local) {
        TakeDiallingRules(rules_, *general);
        own_number_ = general->GetIsdnCardNumber();
        // A failed send leaves the state: the request is made again.
        if (RequestAllOfType(K_KVDT_TP_DTHDLR_DATACOMPUTER)) {
            timers_.Start(kAnswerTimerId);
            GoTo(kStateHost);
        }
    } else {
        TakeDiallingRules(rules_, *general);
        const COMPUTER_IDENT peer = peer_;
        if (RequestOne<CKvDataHost>(
                K_KVDT_TP_DTHDLR_DATACOMPUTER,
                [&peer](CKvDataHost& host) {
                    host.GetHost().SetName(peer.GetName().c_str());
                    host.GetHost().SetAddress(peer.GetAddress());
                },
                job_id_)) {
            const std::string login = loginname_;
            CollectLocalIdentity();
            loginname_ = login;
            timers_.Start(kAnswerTimerId);
            if (timers_.Find(kLockRetryTimerId) == nullptr)
                timers_.Add(kLockRetryTimerId, kLockRetrySeconds, 0);
            GoTo(kStateHost);
        } else {
            last_result_ = KV_E_FAIL;
        }
    }
    answer->Release();
    if (last_result_ == KV_OK)
        return;
    if (!local)
        Refuse();
    End();
}

void CKvJobDataListen2::ExecutorAHost() {
    if (incoming_.GetCount() == 0)
        waiting_flag_ = 1;
    CKvMessage* message = nullptr;
    if (incoming_.FindByPayloadType(message, K_KVDT_TP_DTHDLR_DATACOMPUTER) &&
        IsValidPtr(message)) {
        auto* host = static_cast<CKvDataHost*>(message->GetPayload());
        if (IsDataFound(*message) && IsValidPtr(host)) {
            pending_ = 0;
            RequestDevices(host->GetCtiDeviceNumbers(), job_id_);
            if (pending_ == 0) {
                // Timer 1 keeps running: its expiry refuses the requester.
                last_result_ = KV_E_FAIL;
            } else {
                timers_.Start(kAnswerTimerId);
                GoTo(kStateHostDevices);
            }
        } else {
            last_result_ = KV_E_NO_DATA_FOUND;
        }
    }
    incoming_.DeleteAll();
    if (state_ == kStateHost && timers_.CheckExpired(kAnswerTimerId)) {
        Refuse();
        End();
    }
}

void CKvJobDataListen2::ExecutorADevices(bool into_user_numbers) {
    const std::uint32_t state = state_;
    if (incoming_.GetCount() == 0)
        waiting_flag_ = 1;
    CKvMessage* message = nullptr;
    while (incoming_.FindByPayloadType(message, K_KVDT_TP_DTHDLR_DATADEVICE)) {
        incoming_.Remove(message);
        if (pending_ > 0)
            --pending_;
        auto* device = static_cast<CKvDataDevice*>(message->GetPayload());
        if (IsDataFound(*message) && IsValidPtr(device)) {
            AddDeviceEntry(into_user_numbers ? user_numbers_ : host_numbers_, *device);
            if (!into_user_numbers) {
                std::unique_ptr<CKvDataHandler> record(
                    static_cast<CKvDataDevice*>(message->DetachPayload()));
                devices_.Add(record);
            }
        } else {
            last_result_ = KV_E_NO_DATA_FOUND;
        }
        message->Release();
        if (pending_ != 0)
            continue;
        incoming_.DeleteAll();
        if (into_user_numbers) {
            GoTo(kStateRequestManager);
        } else if (RequestOne<CKvDataServerUser>(
                       K_KVDT_TP_DTHDLR_DATASERVERUSER,
                       [this](CKvDataServerUser& user) { user.GetLoginName() = loginname_; },
                       job_id_)) {
            timers_.Start(kAnswerTimerId);
            GoTo(kStateServerUser);
        }
        break;
    }
    if (state_ == state && timers_.CheckExpired(kAnswerTimerId)) {
        Refuse();
        End();
    }
}

void CKvJobDataListen2::ExecutorAServerUser() {
    if (incoming_.GetCount() == 0)
        waiting_flag_ = 1;
    CKvMessage* message = nullptr;
    if (incoming_.FindByPayloadType(message, K_KVDT_TP_DTHDLR_DATASERVERUSER) &&
        IsValidPtr(message)) {
        incoming_.Remove(message);
        auto* user = static_cast<CKvDataServerUser*>(message->GetPayload());
        if (IsDataFound(*message) && IsValidPtr(user)) {
            pending_ = 0;
            RequestDevices(user->GetDeviceNumberList(), job_id_);
            if (pending_ == 0) {
                last_result_ = KV_E_FAIL;
            } else {
                incoming_.DeleteAll();
                timers_.Start(kAnswerTimerId);
                GoTo(kStateUserDevices);
            }
        } else if (message->GetAttribute() == KV_MSG_ATTR_DATA_FOUND_LOCKED) {
            timers_.Start(kLockRetryTimerId);
        }
        message->Release();
    }
    if (state_ != kStateServerUser)
        return;
    if (timers_.CheckExpired(kAnswerTimerId)) {
        Refuse();
        End();
        return;
    }
    if (timers_.CheckExpired(kLockRetryTimerId)) {
        timers_.Stop(kLockRetryTimerId);
        incoming_.DeleteAll();
        if (!RequestOne<CKvDataServerUser>(
                K_KVDT_TP_DTHDLR_DATASERVERUSER,
                [this](CKvDataServerUser& user) { user.GetLoginName() = loginname_; }, job_id_))
            End();
        waiting_flag_ = 1;
    }
}

void CKvJobDataListen2::ExecutorServing(bool direct) {
    // A remote requester is served only while its client job runs.
    if (!direct && !HasClientAtPeer()) {
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
        return;
    }
    if (incoming_.GetCount() == 0) {
        waiting_flag_ = 1;
        return;
    }
    while (CKvMessage* message = incoming_.FirstMessage()) {
        incoming_.Remove(message);
        const std::int32_t type = message->GetPayloadType();
        const std::int32_t attribute = message->GetAttribute();
        const bool requester_ended = !direct && type == K_KVJBDT_TP_LISTEN2;
        if (attribute == KV_MSG_ATTR_ENDED &&
            ((type != K_KVJBDT_TP_ROOT && type != K_KVJBDT_TP_LISTEN2) || requester_ended)) {
            AnswerOrRelease(message);
            End();
            continue;
        }
        if (attribute == KV_MSG_ATTR_NOTIFICATION && type == KV_PAYLOAD_CAPI_LISTEN_MANAGER &&
            IsValidPtr(message->GetPayload())) {
            TakeCall(*static_cast<CapiListenManager*>(message->GetPayload()), true);
            AnswerOrRelease(message);
            if (!direct) {
                NotifyRequester();
            } else if (CKvMessage* call = NewCallMessage(KV_MSG_KIND_INFO, false)) {
                call->SetJobIds(0, job_id_, 0);
                SendToHost(call, KV_ENDPOINT_HOST_MAIN);
            }
            continue;
        }
        message->Release();
    }
}

void CKvJobDataListen2::NotifyRequester() {
    if (!HasClientAtPeer())
        return;
    SetMessageType(KV_MSG_KIND_INFO, KV_MSG_ATTR_NOTIFICATION);
    Send();
}

void CKvJobDataListen2::ExecutorAStop() {
    incoming_.DeleteAll();
    if (previous_state_ == KV_JOB_STATE_RUNNING) {
        SetMessageType(KV_MSG_KIND_INFO, KV_MSG_ATTR_ENDED);
        Send();
    }
    End();
}

KvResult CKvJobDataListen2::StepExecutorB() {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        ExecutorGeneral(true);
        break;
    case kStateHost:
        ExecutorBHosts();
        break;
    case kStateServerUser:
        ExecutorBServerUsers();
        break;
    case kStateHostDevices:
        ExecutorBDevices();
        break;
    case kStateRequestManager:
        incoming_.DeleteAll();
        if (RequestListenManager(false) != KV_OK) {
            End();
            break;
        }
        timers_.Start(kAnswerTimerId);
        GoTo(KV_JOB_STATE_WAITING_FOR_ANSWER);
        break;
    case KV_JOB_STATE_WAITING_FOR_ANSWER:
        WaitForManager(false);
        break;
    case KV_JOB_STATE_RUNNING:
        ExecutorServing(true);
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        ShutDownManager();
        End();
        break;
    case KV_JOB_STATE_CLEANUP:
        CleanUp();
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

void CKvJobDataListen2::ExecutorBHosts() {
    bool answered = false;
    while (CKvMessage* message = incoming_.FirstMessage()) {
        incoming_.Remove(message);
        if (message->GetPayloadType() == KV_PAYLOAD_DATA_HANDLER_STORE) {
            answered = true;
            auto* store = static_cast<CKvDataHandlerStore*>(message->GetPayload());
            if (IsValidPtr(store) && store->GetHandlerType() == K_KVDT_TP_DTHDLR_DATACOMPUTER) {
                host_numbers_.Reset();
                CKvDataHandlerStore::Position position;
                store->GetStartPosition(&position);
                while (CKvDataHandler* record = store->GetNext(&position)) {
                    const BoundedStringList& numbers =
                        static_cast<CKvDataHost*>(record)->GetCtiDeviceNumbers();
                    BoundedStringList::Position at{};
                    numbers.GetHeadPosition(at);
                    std::string number;
                    while (numbers.GetNext(number, at)) {
                        PHONE_NUMBER* entry = nullptr;
                        std::string key = number;
                        if (host_numbers_.CreateEntry(entry, key) == KV_OK && entry != nullptr) {
                            entry->GetNumber() = key;
                            entry->GetFlagData() = TRUE;
                        }
                    }
                }
            }
        }
        message->Release();
    }
    if (answered && RequestAllOfType(K_KVDT_TP_DTHDLR_DATASERVERUSER)) {
        timers_.Start(kAnswerTimerId);
        GoTo(kStateServerUser);
        return;
    }
    if (timers_.CheckExpired(kAnswerTimerId))
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
}

void CKvJobDataListen2::ExecutorBServerUsers() {
    bool answered = false;
    while (CKvMessage* message = incoming_.FirstMessage()) {
        incoming_.Remove(message);
        if (message->GetPayloadType() == KV_PAYLOAD_DATA_HANDLER_STORE) {
            answered = true;
            auto* store = static_cast<CKvDataHandlerStore*>(message->GetPayload());
            if (IsValidPtr(store) &&
                store->GetHandlerType() == K_KVDT_TP_DTHDLR_DATASERVERUSER) {
                user_numbers_.Reset();
                CKvDataHandlerStore::Position position;
                store->GetStartPosition(&position);
                while (CKvDataHandler* record = store->GetNext(&position))
                    RequestDevices(static_cast<CKvDataServerUser*>(record)->GetDeviceNumberList(),
                                   originating_job_id_);
            }
        }
        message->Release();
    }
    if (answered) {
        timers_.Start(kAnswerTimerId);
        if (pending_ > 0)
            GoTo(kStateHostDevices);
        else if (host_numbers_.GetCount() > 0)
            GoTo(kStateRequestManager);
        else
            End();
        return;
    }
    if (timers_.CheckExpired(kAnswerTimerId))
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
}

void CKvJobDataListen2::ExecutorBDevices() {
    if (incoming_.GetCount() == 0)
        waiting_flag_ = 1;
    CKvMessage* message = nullptr;
    while (incoming_.FindByPayloadType(message, K_KVDT_TP_DTHDLR_DATADEVICE)) {
        incoming_.Remove(message);
        if (pending_ > 0)
            --pending_;
        auto* device = static_cast<CKvDataDevice*>(message->GetPayload());
        if (IsDataFound(*message) && IsValidPtr(device))
            AddDeviceEntry(user_numbers_, *device);
        message->Release();
        if (pending_ != 0)
            continue;
        incoming_.DeleteAll();
        if (user_numbers_.GetCount() > 0 || host_numbers_.GetCount() > 0) {
            timers_.Start(kAnswerTimerId);
            GoTo(kStateRequestManager);
        } else {
            End();
        }
        return;
    }
    if (timers_.CheckExpired(kAnswerTimerId))
        End();
}
