#include "jobs/job_data_root.h"

#include "data/data_device.h"
#include "jobs/job_data_client.h"
#include "jobs/job_data_listen2.h"
#include "jobs/job_data_tapi_listen.h"
#include "jobs/job_payloads.h"
#include "platform/pointer.h"
#include "tapi/tapi_line.h"

#include <vector>

namespace {

constexpr const char* kStatusNoPersonalContact =
    "UIObjString_Status_INFO_No_Personal_Contact_Entry";

bool IsDataFound(const CKvMessage& message) {
    return message.GetAttribute() == KV_MSG_ATTR_DATA_FOUND;
}

// A message carrying a new job as a REQUEST, command 1, sub-command 5; the
// message owns the job.
CKvMessage* NewJobRequest(CKvJobData* job) {
    auto* message = new CKvMessage;
    message->SetHeader(KV_MSG_KIND_REQUEST, job, static_cast<std::int32_t>(job->GetType()),
                       KV_MSG_COMMAND_NOTIFICATION, KV_SUBCOMMAND_ONE_RECORD,
                       KV_MSG_ATTR_UNSPECIFIED);
    message->SetSubCommand(KV_SUBCOMMAND_ONE_RECORD);
    return message;
}

} // namespace

CKvJobDataRoot::CKvJobDataRoot() {
    type_code_ = K_KVJBDT_TP_ROOT;
    state_ = KV_JOB_STATE_START;
    timers_.Add(kAnswerTimerId, kAnswerSeconds, 0);
    timers_.Add(kEndTimerId, kEndSeconds, 0);
}

CKvJobDataRoot::~CKvJobDataRoot() = default;

CKvJobDataRoot& CKvJobDataRoot::CopyFrom(const CKvJobDataRoot& other) {
    if (&other == this)
        return *this;
    CKvJobData::CopyFrom(other);
    preferences_.reset();
    general_.reset();
    client_settings_.reset();
    if (other.preferences_) {
        preferences_ = std::make_unique<CKvDataPreferences>();
        *preferences_ = *other.preferences_;
    }
    if (other.general_) {
        general_ = std::make_unique<CKvDataGeneral>();
        *general_ = *other.general_;
    }
    if (other.client_settings_) {
        client_settings_ = std::make_unique<CKvDataClientGeneral>();
        *client_settings_ = *other.client_settings_;
    }
    users_.clear();
    for (const auto& [name, user] : other.users_) {
        std::unique_ptr<CKvDataServerUser> copy;
        if (user && user->CreateCopy(copy))
            users_[name] = std::move(copy);
    }
    return *this;
}

CKvJobDataRoot* CKvJobDataRoot::FindRunning(const CKvIMSGJobDataHandler& handler) {
    const CKvJobMap* roots = handler.FindJobsOfType(K_KVJBDT_TP_ROOT);
    if (roots == nullptr)
        return nullptr;
    for (const CKvJobMap::Entry& entry : *roots) {
        auto* root = static_cast<CKvJobDataRoot*>(entry.second);
        if (root->GetState() == KV_JOB_STATE_RUNNING && IsValidPtr(root->preferences_.get()))
            return root;
    }
    return nullptr;
}

CKvJobDataRoot* CKvJobDataRoot::FindFirst(const CKvIMSGJobDataHandler& handler) {
    return static_cast<CKvJobDataRoot*>(handler.FirstJob(K_KVJBDT_TP_ROOT));
}

bool CKvJobDataRoot::UsesServer() {
    return preferences_ && preferences_->GetFlagServerUse().Get() != 0;
}

// ---- Helpers ----

std::uint32_t CKvJobDataRoot::CountRootJobs() const {
    return IsValidPtr(handler_) ? handler_->CountJobs(K_KVJBDT_TP_ROOT) : 0;
}

void CKvJobDataRoot::SetRootJobId(std::uint32_t id) {
    if (IsValidPtr(handler_))
        handler_->SetRootJobId(id);
}

bool CKvJobDataRoot::StartAsOnlyRoot() {
    const std::uint32_t roots = CountRootJobs();
    if (roots > 1) {
        // A second root leaves at once and touches nothing of the first.
        last_result_ = KV_E_FAIL;
        DetachFromCarryingMessage();
        GoTo(KV_JOB_STATE_FINISHED);
        return false;
    }
    DetachFromCarryingMessage();
    if (roots == 0) {
        last_result_ = KV_E_FAIL;
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
        return false;
    }
    return true;
}

CKvMessage* CKvJobDataRoot::NewRecordRequest(std::int32_t payload_type, std::int32_t sub_command) {
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!IsValidPtr(router_) || !router_->CreateMessageWithPayload(message, payload, payload_type))
        return nullptr;
    message->SetKindAndCommand(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_DATA, sub_command);
    message->SetJobIds(0, job_id_, originating_job_id_);
    return message;
}

CKvMessage* CKvJobDataRoot::NewBlankMessage(std::int32_t kind, std::int32_t payload_type,
                                            std::int32_t command, std::int32_t sub_command) {
    auto* message = new CKvMessage;
    message->SetHeader(kind, nullptr, payload_type, command, sub_command, KV_MSG_ATTR_UNSPECIFIED);
    message->SetJobIds(0, job_id_, job_id_);
    return message;
}

bool CKvJobDataRoot::TakePreferences(CKvMessage& answer) {
    if (!IsDataFound(answer)) {
        last_result_ = KV_E_NO_DATA_FOUND;
        return false;
    }
    if (!IsValidPtr(answer.GetPayload())) {
        last_result_ = KV_E_INVALID_POINTER;
        return false;
    }
    preferences_.reset(static_cast<CKvDataPreferences*>(answer.DetachPayload()));
    local_ = preferences_->GetComputerIdent();
    SetPeerToLocalHost();
    return true;
}

void CKvJobDataRoot::BuildContactTemplate() {
    personal_contact_.reset();
    if (preferences_->GetFirstName().empty() && preferences_->GetLastName().empty() &&
        preferences_->GetCompany().empty())
        return;
    personal_contact_ = std::make_unique<CKvDataContact>();
    personal_contact_->GetLastName() = preferences_->GetLastName();
    personal_contact_->GetFirstName() = preferences_->GetFirstName();
    personal_contact_->GetCompanyName() = preferences_->GetCompany();
}

bool CKvJobDataRoot::RequestPersonalContact(CKvMessage*& answer) {
    // The request message owns the template once it is sent.
    void* template_record =
        sub_state_ == 0 ? static_cast<void*>(personal_contact_.release()) : nullptr;
    return RequestRecord(answer, KV_MSG_COMMAND_DATA, KV_ENDPOINT_HOST_MAIN, 0, template_record,
                         K_KVDT_TP_DTHDLR_DATACONTACT) == KV_OK;
}

void CKvJobDataRoot::TakePersonalContact(CKvMessage& answer) {
    personal_contact_.reset(static_cast<CKvDataContact*>(answer.DetachPayload()));
    personal_contact_->GetPhoneNumberList().RemoveInvalidNumbers(
        preferences_->GetNumberInternDigitsCount().Get(), TRUE);
}

void CKvJobDataRoot::PostNoPersonalContact() {
    PostStatusText(kStatusNoPersonalContact);
}

void CKvJobDataRoot::PostLocalListenWithoutContact() {
    personal_contact_.reset();
    PostLocalListenJob();
}

// ---- Operations ----

KvResult CKvJobDataRoot::SpawnClientJob() {
    if (!IsValidPtr(handler_))
        return KV_E_FAIL;
    auto job = std::make_unique<CKvJobDataClient>();
    job->GetLocalComputer() = local_;
    job->GetPeerComputer() = peer_;
    job->SetLoginName(loginname_.c_str());
    if (handler_->AddJob(job.get()) != KV_OK)
        return KV_E_FAIL;
    job.release();
    timers_.Start(kClientTimerId);
    handler_->Signal();
    return KV_OK;
}

KvResult CKvJobDataRoot::PostLocalListenJob() {
    if (!preferences_)
        return KV_E_FAIL;
    CKvJobData* job = nullptr;
    if (preferences_->GetFlagTapiUse().IsTrue()) {
        auto* tapi = new CKvJobDataTAPIListen;
        tapi->SetAuxTexts(preferences_->GetPhoneNumberIn().c_str(),
                          preferences_->GetPhoneNumberIn().c_str());
        job = tapi;
    } else {
        if (!personal_contact_)
            return KV_E_FAIL;
        auto* listen = new CKvJobDataListen2;
        listen->SetAuxText(preferences_->GetPhoneNumberCtiSource());
        listen->GetUserNumbers() = personal_contact_->GetPhoneNumberList();
        job = listen;
    }
    job->SetTransportMode(transport_mode_);
    job->SetTarget(router_, endpoint_id_);
    return SendToHost(NewJobRequest(job), KV_ENDPOINT_JOB_INTAKE);
}

KvResult CKvJobDataRoot::PostServerListenJob() {
    if (!general_)
        return KV_E_FAIL;
    CKvJobData* job = nullptr;
    if (general_->GetFlagUseTapi().IsTrue()) {
        auto* tapi = new CKvJobDataTAPIListen;
        tapi->GetExecutorVariant() = 1;
        job = tapi;
    } else {
        auto* listen = new CKvJobDataListen2;
        listen->SetVariant(1);
        job = listen;
    }
    job->SetTransportMode(transport_mode_);
    job->SetTarget(router_, endpoint_id_);
    return SendToHost(NewJobRequest(job), KV_ENDPOINT_JOB_INTAKE);
}

KvResult CKvJobDataRoot::RequestCollection() {
    return SendToHost(NewBlankMessage(KV_MSG_KIND_REQUEST, KV_PAYLOAD_OBJECT_POINTER_LIST,
                                      KV_MSG_COMMAND_DATA, kSubCommandCollection),
                      KV_ENDPOINT_HOST_MAIN);
}

KvResult CKvJobDataRoot::OpenDeviceLines(CKvDataHandlerStore* store) {
    if (!IsValidPtr(store))
        return KV_E_INVALID_POINTER;
    if (store->GetHandlerType() != K_KVDT_TP_DTHDLR_DATADEVICE)
        return KV_E_FAIL;
    std::vector<CKvDataHandler*> dropped;
    CKvDataHandlerStore::Position position;
    store->GetStartPosition(&position);
    while (CKvDataHandler* record = store->GetNext(&position)) {
        auto* device = static_cast<CKvDataDevice*>(record);
        device->SetFlagVirtual(0);
        if (device->GetTapiLine().empty()) {
            dropped.push_back(record);
            continue;
        }
        CKvMessage* message = nullptr;
        void* payload = nullptr;
        if (!IsValidPtr(router_) ||
            !router_->CreateMessageWithPayload(message, payload, KV_PAYLOAD_TAPI_LINE)) {
            dropped.push_back(record);
            continue;
        }
        static_cast<CKvTAPILine*>(payload)->SetName(device->GetTapiLine());
        message->SetKindAndCommand(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_NOTIFICATION,
                                   KV_SUBCOMMAND_ONE_RECORD);
        message->SetJobIds(0, job_id_, job_id_);
        if (SendToHost(message, KV_ENDPOINT_TAPI_LINES) != KV_OK)
            dropped.push_back(record);
    }
    for (CKvDataHandler* record : dropped)
        store->RemoveAndDelete(record);
    return KV_OK;
}

KvResult CKvJobDataRoot::CloseDeviceLines() {
    return SendToHost(NewBlankMessage(KV_MSG_KIND_INFO, KV_PAYLOAD_TAPI_LINE, kCloseLinesCommand,
                                      kCloseLinesSubCommand),
                      KV_ENDPOINT_TAPI_LINES);
}

void CKvJobDataRoot::TakeOverJobs() {
    for (CKvMessage* message : incoming_.TakeAll()) {
        if (state_ != KV_JOB_STATE_RUNNING) {
            message->Release();
            continue;
        }
        const std::int32_t type = message->GetPayloadType();
        if (type == K_KVJBDT_TP_TAPI_LISTEN && !(general_ && general_->GetFlagUseTapi().IsTrue())) {
            message->Release();
            continue;
        }
        if (type == K_KVJBDT_TP_DIAL2 || type == K_KVJBDT_TP_TAPI_LISTEN) {
            CKvJobData* job =
                IsValidPtr(message->GetPayload()) ? JobFromPayload(message->GetPayload()) : nullptr;
            if (job != nullptr && job->GetType() == static_cast<std::uint32_t>(type) &&
                IsValidPtr(handler_) && handler_->AddJob(job) == KV_OK) {
                message->DetachPayload();
                message->DeleteHeaderOnly();
            } else {
                message->Release();
            }
            continue;
        }
        const std::int32_t kind = message->GetKind();
        if ((kind == KV_MSG_KIND_REQUEST || kind == KV_MSG_KIND_INFO) &&
            message->GetCommand() == KV_MSG_COMMAND_QUIT)
            GoTo(KV_JOB_STATE_STOP_REQUESTED);
        message->Release();
    }
    waiting_flag_ = 1;
}

// ---- The states every machine shares ----

void CKvJobDataRoot::StopAll(bool server) {
    if (server)
        CloseDeviceLines();
    SetRootJobId(0);
    if (IsValidPtr(handler_))
        handler_->StopAllJobs();
    timers_.Start(kEndTimerId);
    GoTo(KV_JOB_STATE_CLEANUP);
}

void CKvJobDataRoot::End() {
    // Some ways reach the end without the stop: the id goes, and the wait is
    // bounded, all the same.
    SetRootJobId(0);
    if (!timers_.IsRunning(kEndTimerId))
        timers_.Start(kEndTimerId);
    const bool alone = !IsValidPtr(handler_) || handler_->CountJobs(0) < 2;
    if (!alone && !timers_.CheckExpired(kEndTimerId)) {
        waiting_flag_ = 1;
        return;
    }
    incoming_.DeleteAll();
    DetachFromCarryingMessage();
    if (IsValidPtr(handler_))
        handler_->PostQuit();
    GoTo(KV_JOB_STATE_FINISHED);
}

bool CKvJobDataRoot::StepCommon(bool server) {
    switch (state_) {
    case KV_JOB_STATE_STOP_REQUESTED:
        StopAll(server);
        return true;
    case KV_JOB_STATE_ENDING:
        SetRootJobId(0);
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
        return true;
    case KV_JOB_STATE_CLEANUP:
        End();
        return true;
    case KV_JOB_STATE_RUNNING:
        if (server)
            TakeOverJobs();
        else
            waiting_flag_ = 1;
        return true;
    default:
        return false;
    }
}

// ---- Workstation with server ----

KvResult CKvJobDataRoot::StepRequester() {
    last_result_ = KV_OK;
    waiting_flag_ = 0;
    if (state_ == KV_JOB_STATE_RUNNING) {
        KeepClientJob();
        return last_result_;
    }
    if (StepCommon(false))
        return last_result_;
    switch (state_) {
    case KV_JOB_STATE_START:
        RequesterStart();
        break;
    case kStateClientSettings:
        RequesterClientSettings();
        break;
    case kStatePreferences:
        RequesterPreferences();
        break;
    case kStateContact:
        RequesterContact();
        break;
    case kStateSpawn:
        Spawn();
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

void CKvJobDataRoot::RequesterStart() {
    if (!StartAsOnlyRoot())
        return;
    SetRootJobId(job_id_);
    CKvMessage* message =
        NewRecordRequest(K_KVDT_TP_DTHDLR_DATACLIENTGENERAL, KV_SUBCOMMAND_ONE_RECORD);
    if (message == nullptr) {
        last_result_ = KV_E_NO_MESSAGE;
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
        return;
    }
    if (SendToHost(message, KV_ENDPOINT_HOST_MAIN) != KV_OK) {
        last_result_ = KV_E_OUT_OF_MEMORY;
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
        return;
    }
    timers_.Add(kClientTimerId, kClientSeconds, 0);
    timers_.Start(kAnswerTimerId);
    waiting_flag_ = 1;
    GoTo(kStateClientSettings);
}

void CKvJobDataRoot::RequesterClientSettings() {
    if (!incoming_.IsEmpty()) {
        CKvMessage* message = nullptr;
        if (!incoming_.FindByPayloadType(message, K_KVDT_TP_DTHDLR_DATACLIENTGENERAL) ||
            message == nullptr) {
            GoTo(KV_JOB_STATE_ENDING);
        } else if (!IsDataFound(*message)) {
            GoTo(kStatePreferences);
        } else if (!IsValidPtr(message->GetPayload())) {
            last_result_ = KV_E_INVALID_POINTER;
            GoTo(KV_JOB_STATE_STOP_REQUESTED);
        } else {
            client_settings_.reset(static_cast<CKvDataClientGeneral*>(message->DetachPayload()));
            SetRootJobId(job_id_);
            SetPeerToLocalHost();
            local_.Resolve(client_settings_->GetFirstText(), TRUE);
            local_.SetPort(client_settings_->GetFirstNumber());
            peer_.SetPort(client_settings_->GetSecondNumber());
            timers_.Stop(kAnswerTimerId);
            GoTo(kStateSpawn);
        }
        incoming_.DeleteAll();
        return;
    }
    if (timers_.CheckExpired(kAnswerTimerId))
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
    else
        waiting_flag_ = 1;
}

void CKvJobDataRoot::RequesterPreferences() {
    CKvMessage* answer = nullptr;
    if (RequestRecord(answer, KV_MSG_COMMAND_DATA, KV_ENDPOINT_HOST_MAIN, 0, nullptr,
                      K_KVDT_TP_DTHDLR_DATAPREFERENCES) != KV_OK) {
        GoTo(KV_JOB_STATE_CLEANUP);
        return;
    }
    if (answer == nullptr)
        return;
    if (TakePreferences(*answer)) {
        NumberSet::Position position = NumberSet::kNoPosition;
        preferences_->GetClientPortsSet().GetStartPosition(position);
        std::uint32_t port = 0;
        if (preferences_->GetClientPortsSet().GetNext(position, port))
            peer_.SetPort(port);
        BuildContactTemplate();
        GoTo(kStateContact);
    }
    answer->Release();
    if (last_result_ != KV_OK)
        GoTo(KV_JOB_STATE_CLEANUP);
}

void CKvJobDataRoot::RequesterContact() {
    CKvMessage* answer = nullptr;
    if (!RequestPersonalContact(answer)) {
        personal_contact_.reset();
        GoTo(KV_JOB_STATE_CLEANUP);
        return;
    }
    if (answer == nullptr)
        return;
    if (IsDataFound(*answer) && IsValidPtr(answer->GetPayload()))
        TakePersonalContact(*answer);
    // Found or not, the workstation logs on: only a local listen job needs
    // the personal contact.
    GoTo(kStateSpawn);
    answer->Release();
    personal_contact_.reset();
}

void CKvJobDataRoot::Spawn() {
    if (SpawnClientJob() == KV_OK)
        GoTo(KV_JOB_STATE_RUNNING);
    else
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
}

void CKvJobDataRoot::KeepClientJob() {
    waiting_flag_ = 1;
    if (!IsValidPtr(handler_))
        return;
    const auto* client = static_cast<const CKvJobData*>(handler_->FirstJob(K_KVJBDT_TP_CLIENT));
    if (client != nullptr && client->GetState() == KV_JOB_STATE_RUNNING)
        client_logged_on_ = true;
    const bool lost = client_logged_on_ && client == nullptr;
    if (!lost && !timers_.CheckExpired(kClientTimerId))
        return;
    timers_.Start(kClientTimerId);
    if (client == nullptr) {
        client_logged_on_ = false;
        last_result_ = SpawnClientJob();
    }
}

// ---- Workstation without server ----

KvResult CKvJobDataRoot::OnEvent() {
    last_result_ = KV_OK;
    waiting_flag_ = 0;
    if (StepCommon(false))
        return last_result_;
    switch (state_) {
    case KV_JOB_STATE_START:
        OnEventStart();
        break;
    case kStatePreferences:
        OnEventPreferences();
        break;
    case kStateLocalContact:
        OnEventContact();
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

void CKvJobDataRoot::OnEventStart() {
    if (!StartAsOnlyRoot())
        return;
    GoTo(kStatePreferences);
    SetRootJobId(job_id_);
}

void CKvJobDataRoot::OnEventPreferences() {
    CKvMessage* answer = nullptr;
    if (RequestRecord(answer, KV_MSG_COMMAND_DATA, KV_ENDPOINT_HOST_MAIN, 0, nullptr,
                      K_KVDT_TP_DTHDLR_DATAPREFERENCES) != KV_OK) {
        GoTo(KV_JOB_STATE_CLEANUP);
        return;
    }
    if (answer == nullptr)
        return;
    if (TakePreferences(*answer)) {
        if (preferences_->GetFlagServerUse().IsTrue()) {
            timers_.Add(kClientTimerId, kClientSeconds, 0);
            GoTo(KV_JOB_STATE_RUNNING);
        } else {
            BuildContactTemplate();
            if (personal_contact_) {
                GoTo(kStateLocalContact);
            } else {
                if (preferences_->GetFlagTapiUse().IsTrue())
                    PostLocalListenWithoutContact();
                else
                    PostNoPersonalContact();
                GoTo(KV_JOB_STATE_RUNNING);
            }
        }
    }
    answer->Release();
    if (last_result_ != KV_OK)
        GoTo(KV_JOB_STATE_CLEANUP);
}

void CKvJobDataRoot::OnEventContact() {
    CKvMessage* answer = nullptr;
    if (!RequestPersonalContact(answer)) {
        personal_contact_.reset();
        GoTo(KV_JOB_STATE_CLEANUP);
        return;
    }
    if (answer == nullptr)
        return;
    if (IsDataFound(*answer)) {
        if (IsValidPtr(answer->GetPayload())) {
            TakePersonalContact(*answer);
            PostLocalListenJob();
            GoTo(KV_JOB_STATE_RUNNING);
        } else {
            last_result_ = KV_E_INVALID_POINTER;
            GoTo(KV_JOB_STATE_CLEANUP);
        }
    } else {
        if (preferences_->GetFlagTapiUse().IsTrue())
            PostLocalListenWithoutContact();
        else
            PostNoPersonalContact();
        GoTo(KV_JOB_STATE_RUNNING);
    }
    answer->Release();
    personal_contact_.reset();
}

// ---- Server ----

KvResult CKvJobDataRoot::StepExecutor() {
    last_result_ = KV_OK;
    waiting_flag_ = 0;
    if (StepCommon(true))
        return last_result_;
    switch (state_) {
    case KV_JOB_STATE_START:
        ExecutorStart();
        break;
    case kStateGeneral:
        ExecutorGeneral();
        break;
    case kStateCollection:
        ExecutorCollection();
        break;
    case kStateDevices:
        ExecutorDevices();
        break;
    case kStateLines:
        ExecutorLines();
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

void CKvJobDataRoot::ExecutorStart() {
    if (!StartAsOnlyRoot())
        return;
    CollectLocalIdentity();
    CKvMessage* message = NewRecordRequest(K_KVDT_TP_DTHDLR_DATAGENERAL, KV_SUBCOMMAND_ONE_RECORD);
    if (message == nullptr)
        last_result_ = KV_E_NO_MESSAGE;
    else if (SendToHost(message, KV_ENDPOINT_HOST_MAIN) != KV_OK)
        last_result_ = KV_E_OUT_OF_MEMORY;
    if (last_result_ != KV_OK) {
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
        return;
    }
    timers_.Start(kAnswerTimerId);
    waiting_flag_ = 1;
    GoTo(kStateGeneral);
}

void CKvJobDataRoot::ExecutorGeneral() {
    CKvMessage* message = nullptr;
    if (incoming_.FindByPayloadType(message, K_KVDT_TP_DTHDLR_DATAGENERAL) && message != nullptr) {
        if (!IsValidPtr(message->GetPayload())) {
            last_result_ = KV_E_INVALID_POINTER;
        } else if (RequestCollection() == KV_OK) {
            general_.reset(static_cast<CKvDataGeneral*>(message->DetachPayload()));
            timers_.Start(kAnswerTimerId);
            waiting_flag_ = 1;
            GoTo(kStateCollection);
        } else {
            last_result_ = KV_E_OUT_OF_MEMORY;
        }
    }
    if (state_ == kStateGeneral && last_result_ != KV_OK)
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
    FinishWait(kStateGeneral, KV_JOB_STATE_STOP_REQUESTED);
}

void CKvJobDataRoot::ExecutorCollection() {
    CKvMessage* message = nullptr;
    if (incoming_.FindByPayloadType(message, KV_PAYLOAD_OBJECT_POINTER_LIST) &&
        message != nullptr) {
        SetRootJobId(job_id_);
        timers_.Stop(kAnswerTimerId);
        if (!general_->GetFlagUseTapi().IsTrue()) {
            if (IsValidPtr(handler_))
                handler_->Signal();
            PostServerListenJob();
            GoTo(KV_JOB_STATE_RUNNING);
        } else {
            CKvMessage* request = NewBlankMessage(KV_MSG_KIND_REQUEST, K_KVDT_TP_DTHDLR_DATADEVICE,
                                                  KV_MSG_COMMAND_DATA, kSubCommandAllOfType);
            request->SetJobIds(0, job_id_, originating_job_id_);
            if (SendToHost(request, KV_ENDPOINT_HOST_MAIN) == KV_OK) {
                timers_.Start(kAnswerTimerId);
                GoTo(kStateDevices);
            } else {
                last_result_ = KV_E_OUT_OF_MEMORY;
            }
        }
    }
    if (state_ == kStateCollection && last_result_ != KV_OK)
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
    FinishWait(kStateCollection, KV_JOB_STATE_STOP_REQUESTED);
}

void CKvJobDataRoot::ExecutorDevices() {
    CKvMessage* message = nullptr;
    if (incoming_.FindByPayloadType(message, KV_PAYLOAD_DATA_HANDLER_STORE) && message != nullptr) {
        auto* store = static_cast<CKvDataHandlerStore*>(message->GetPayload());
        if (!IsValidPtr(store)) {
            last_result_ = KV_E_INVALID_POINTER;
        } else if (store->GetHandlerType() != K_KVDT_TP_DTHDLR_DATADEVICE) {
            last_result_ = KV_E_FAIL;
        } else {
            OpenDeviceLines(store);
            device_store_.reset(static_cast<CKvDataHandlerStore*>(message->DetachPayload()));
            timers_.Restart(kAnswerTimerId, kLinesSeconds, 0);
            GoTo(kStateLines);
        }
    }
    if (state_ == kStateDevices && last_result_ != KV_OK)
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
    FinishWait(kStateDevices, KV_JOB_STATE_STOP_REQUESTED);
}

void CKvJobDataRoot::ExecutorLines() {
    for (CKvMessage* message : incoming_.TakeAll()) {
        auto* line = static_cast<CKvTAPILine*>(message->GetPayload());
        if (message->GetPayloadType() == KV_PAYLOAD_TAPI_LINE && IsValidPtr(line) &&
            device_store_) {
            std::vector<CKvDataHandler*> opened;
            CKvDataHandlerStore::Position position;
            device_store_->GetStartPosition(&position);
            while (CKvDataHandler* record = device_store_->GetNext(&position)) {
                if (static_cast<CKvDataDevice*>(record)->GetTapiLine() == line->GetName())
                    opened.push_back(record);
            }
            for (CKvDataHandler* record : opened)
                device_store_->RemoveAndDelete(record);
        }
        message->Release();
    }
    const bool all_open = !device_store_ || device_store_->GetCount() == 0;
    if (!all_open && !timers_.CheckExpired(kAnswerTimerId)) {
        waiting_flag_ = 1;
        return;
    }
    PostServerListenJob();
    if (IsValidPtr(handler_))
        handler_->Signal();
    timers_.Stop(kAnswerTimerId);
    GoTo(KV_JOB_STATE_RUNNING);
}
