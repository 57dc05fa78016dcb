#include "jobs/job_data_client.h"

#include "core/record_xml.h"
#include "data/data_general.h"
#include "framework/connection_objects.h"
#include "jobs/job_data_listen2.h"
#include "jobs/job_data_synchronize.h"
#include "jobs/job_data_tapi_listen.h"
#include "jobs/job_payloads.h"
#include "platform/number_parse.h"
#include "platform/pointer.h"
#include "platform/text.h"

#include <array>

namespace {

constexpr std::string_view kElementName = "JobDataClient";
constexpr std::string_view kLoopbackText = "127.0.0.1";

constexpr const char* kStatusNotConnected = "UIObjString_Status_INFO_SERVER_notconnected";
constexpr const char* kStatusRefused = "UIObjString_Status_INFO_SERVER_refused0";
constexpr const char* kStatusVersionRefused = "UIObjString_Status_ERROR_SERVER_refused0";
constexpr const char* kStatusEmpty = "UIObjString_Status_EMPTY";

constexpr std::uint32_t kConnectionTimeoutMs = 2000;

std::string VersionText(std::uint32_t version) {
    std::string text;
    return AssignUnsigned(text, version);
}

} // namespace

CKvJobDataClient::CKvJobDataClient() {
    type_code_ = K_KVJBDT_TP_CLIENT;
    state_ = KV_JOB_STATE_START;
    timers_.Add(kAnswerTimerId, kAnswerSeconds, 0);
}

CKvJobDataClient::~CKvJobDataClient() = default;

CKvJobDataClient& CKvJobDataClient::CopyFrom(const CKvJobDataClient& other) {
    if (&other == this)
        return *this;
    CKvJobData::CopyFrom(other);
    notifycalls_ = other.notifycalls_;
    host_record_.reset();
    if (other.host_record_) {
        host_record_ = std::make_unique<CKvDataHost>();
        *host_record_ = *other.host_record_;
    }
    server_user_.reset();
    if (other.server_user_)
        other.server_user_->CreateCopy(server_user_);
    stamp_ = other.stamp_;
    flagusetapi_ = other.flagusetapi_;
    version_ = other.version_;
    return *this;
}

std::uint32_t CKvJobDataClient::ReadVersion(const std::string& text) {
    return ParseUInt32(text);
}

// ---- XML ----

KvResult CKvJobDataClient::WriteXml(XmlNode* job_data) {
    if (!IsValidPtr(job_data))
        return KV_E_INVALID_POINTER;
    XmlDocument& document = Document();
    XmlNode* element = nullptr;
    KvResult result = AddRecordElement(element, document, job_data, kElementName);
    if (result != KV_OK)
        return result;
    std::string port;
    AssignUnsigned(port, peer_.GetPort());
    std::string flag;
    flagusetapi_.Format(flag);
    // The stamp is never sent, whatever was read.
    const std::array<std::pair<const char*, std::string_view>, 8> children = {{
        {"notifycalls", notifycalls_ != 0 ? "yes" : "no"},
        {"loginname", loginname_},
        {"hostname", peer_.GetName()},
        {"hostip", peer_.GetAddressText()},
        {"portnumber", port},
        {"version", version_},
        {"stamp", std::string_view()},
        {"flagusetapi", flag},
    }};
    for (const auto& [name, text] : children) {
        XmlNode* child = nullptr;
        result = document.AddTextElement(child, element, name, text, TRUE);
        if (result != KV_OK)
            return result;
    }
    return KV_OK;
}

KvResult CKvJobDataClient::ReadXml(const XmlNode* job_data) {
    if (!IsValidPtr(job_data))
        return KV_E_INVALID_POINTER;
    XmlNode* element = nullptr;
    KvResult result = job_data->FindChild(element, kElementName);
    if (result != KV_OK)
        return result;
    std::string text;
    for (const XmlNode* child : element->GetChildList()) {
        if (!IsValidPtr(child)) {
            result = KV_E_INVALID_POINTER;
            continue;
        }
        if (child->GetKind() != kXmlElement && child->GetKind() != kXmlTextElement)
            continue;
        const std::string_view name = child->GetName();
        child->GetText(text);
        if (ReadPeerKey(name, text))
            continue;
        if (name == "notifycalls")
            notifycalls_ = text == "yes" ? 1 : 0;
        else if (name == "stamp")
            stamp_ = text;
        else if (name == "flagusetapi")
            flagusetapi_.Set(text == "TRUE" ? 1 : 0);
        else if (name == "version")
            version_ = text;
    }
    return result;
}

// ---- Helpers ----

std::int32_t CKvJobDataClient::UserPayloadType() const {
    return K_KVDT_TP_DTHDLR_DATASERVERUSER;
}

void CKvJobDataClient::FillUserRecord(void* record) {
    auto* user = static_cast<CKvDataServerUser*>(record);
    user->SetRuntimeWord(notifycalls_);
    user->GetLoginName() = loginname_;
}

void CKvJobDataClient::OnLogoffRecord(void* record) {
    static_cast<CKvDataServerUser*>(record)->GetRuntimeComputerIdentList().Remove(Caller(), TRUE);
}

void CKvJobDataClient::Answer(std::uint32_t messagetype, std::uint32_t attribute) {
    SetMessageType(messagetype, attribute);
    Send();
}

void CKvJobDataClient::NotConnected() {
    PostStatusText(kStatusNotConnected);
    GoTo(KV_JOB_STATE_CLEANUP);
}

void CKvJobDataClient::ResetLoggedOnEvent() {
    if (IsValidPtr(handler_))
        handler_->GetEventMap().ResetEvent(CKvIMSGJobDataHandler::kJobEventOne);
}

CKvMessage* CKvJobDataClient::NewServerUserMessage(std::int32_t attribute) {
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!IsValidPtr(router_) ||
        !router_->CreateMessageWithPayload(message, payload, K_KVDT_TP_DTHDLR_DATASERVERUSER))
        return nullptr;
    FillUserRecord(payload);
    message->SetKindAndCommand(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_DATA, KV_SUBCOMMAND_ONE_RECORD);
    message->SetAttribute(attribute);
    message->SetJobIds(0, job_id_, originating_job_id_);
    return message;
}

KvResult CKvJobDataClient::RequestServerUser() {
    CKvMessage* message = NewServerUserMessage(KV_MSG_ATTR_LOCK);
    if (message == nullptr)
        return KV_E_OUT_OF_MEMORY;
    return SendToHost(message, KV_ENDPOINT_HOST_MAIN);
}

namespace {

// A message carrying the job as a REQUEST or INFO, command 1, sub-command 5;
// the message owns the job.
CKvMessage* NewJobMessage(CKvJobData* job, std::int32_t kind) {
    auto* message = new CKvMessage;
    message->SetHeader(kind, job, static_cast<std::int32_t>(job->GetType()),
                       KV_MSG_COMMAND_NOTIFICATION, KV_SUBCOMMAND_ONE_RECORD,
                       KV_MSG_ATTR_UNSPECIFIED);
    message->SetSubCommand(KV_SUBCOMMAND_ONE_RECORD);
    message->SetJobIds(0, 0, 0);
    return message;
}

} // namespace

KvResult CKvJobDataClient::PostListenJob() {
    CKvJobData* job = nullptr;
    if (flagusetapi_.IsTrue())
        job = new CKvJobDataTAPIListen;
    else
        job = new CKvJobDataListen2;
    job->GetLocalComputer() = local_;
    job->GetPeerComputer() = peer_;
    job->SetTransportMode(transport_mode_);
    job->SetTarget(router_, endpoint_id_);
    return SendToHost(NewJobMessage(job, KV_MSG_KIND_REQUEST), KV_ENDPOINT_JOB_INTAKE);
}

KvResult CKvJobDataClient::PostSynchronizeJob() {
    auto* job = new CKvJobDataSynchronize;
    job->GetLocalComputer() = local_;
    job->GetPeerComputer() = peer_;
    job->SetLoginName(loginname_.c_str());
    return SendToHost(NewJobMessage(job, KV_MSG_KIND_INFO), KV_ENDPOINT_JOB_INTAKE);
}

void CKvJobDataClient::StopTapiListenJobs() {
    if (!flagusetapi_.IsTrue() || !IsValidPtr(handler_))
        return;
    const CKvJobMap* jobs = handler_->FindJobsOfType(K_KVJBDT_TP_TAPI_LISTEN);
    if (jobs == nullptr)
        return;
    for (const CKvJobMap::Entry& entry : *jobs)
        entry.second->ChangeState(KV_JOB_STATE_STOP_REQUESTED);
}

void CKvJobDataClient::StopListenJob() {
    // A caller that named no computer has no listen job of its own: key 0 is
    // also the key of the server's own listen job. A logon that was never
    // served may name any computer: it ends nobody's listen job.
    if (!served_ || flagusetapi_.IsTrue() || !IsValidPtr(handler_) || peer_.GetKey() == 0)
        return;
    const std::uint32_t partner = GetPartnerAddress(*this);
    const CKvJobMap* jobs = handler_->FindJobsOfType(K_KVJBDT_TP_LISTEN2);
    if (jobs == nullptr)
        return;
    for (const CKvJobMap::Entry& entry : *jobs) {
        auto* job = static_cast<CKvJobDataListen2*>(entry.second);
        // The server's own listen job (the root's, variant 1) outlives every
        // client; a listen job ends only with the logon of its own peer.
        if (job->GetVariant() == 0 && job->GetPeerComputer().GetKey() == peer_.GetKey() &&
            GetPartnerAddress(*job) == partner) {
            job->ChangeState(KV_JOB_STATE_STOP_REQUESTED);
            return;
        }
    }
}

COMPUTER_IDENT CKvJobDataClient::Caller() const {
    COMPUTER_IDENT caller;
    caller.Set(peer_.GetName(), peer_.GetAddress(), peer_.GetPort());
    return caller;
}

// ---- Requester ----

KvResult CKvJobDataClient::StepRequester() {
    last_result_ = KV_OK;
    waiting_flag_ = 0;
    switch (state_) {
    case KV_JOB_STATE_START:
        RequesterStart();
        break;
    case kStateConnecting:
        RequesterConnecting();
        break;
    case kStateLogon:
        RequesterLogon();
        break;
    case KV_JOB_STATE_WAITING_FOR_ANSWER:
        RequesterWaitForLogonAnswer();
        break;
    case KV_JOB_STATE_RUNNING:
        RequesterLoggedOn();
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        RequesterStopRequested();
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

void CKvJobDataClient::RequesterStart() {
    version_ = VersionText(kProtocolVersion);
    DetachFromCarryingMessage();
    connection_request_ = std::make_unique<CKvTypedObject42>();
    const bool same_computer = peer_.GetAddress() == local_.GetAddress();
    connection_request_->SetData(same_computer ? std::string(kLoopbackText)
                                               : local_.GetAddressText(),
                                 local_.GetPort(), std::string(), kConnectionTimeoutMs);
    connection_request_->SetState(kConnectionRequestState);
    if (IsValidPtr(handler_))
        handler_->GetEventMap().SetEvent(CKvIMSGJobDataHandler::kJobEventTwo);
    timers_.SetInterval(kAnswerTimerId, kConnectionSeconds, 0);
    GoTo(kStateConnecting);
}

void CKvJobDataClient::RequesterConnecting() {
    // The request message owns the connection request once it is sent.
    void* request = sub_state_ == 0 ? static_cast<void*>(connection_request_.release()) : nullptr;
    CKvMessage* answer = nullptr;
    if (RequestRecord(answer, KV_MSG_COMMAND_NOTIFICATION, KV_ENDPOINT_NETWORK, 0, request,
                      KV_PAYLOAD_TYPED_OBJECT42) != KV_OK) {
        NotConnected();
        return;
    }
    if (answer == nullptr)
        return;
    auto* connection = static_cast<CKvTypedObject42*>(answer->GetPayload());
    if (answer->GetAttribute() != KV_MSG_ATTR_SUCCEEDED || !IsValidPtr(connection)) {
        answer->Release();
        NotConnected();
        return;
    }
    // Only the port is kept; the answer goes with its message.
    connection_port_ = connection->GetValue();
    peer_.SetPort(connection_port_);
    answer->Release();
    GoTo(kStateLogon);
}

void CKvJobDataClient::RequesterLogon() {
    timers_.Add(kKeepAliveTimerId, kKeepAliveSeconds, 0);
    timers_.SetInterval(kAnswerTimerId, kAnswerSeconds, 0);
    SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 0, job_id_);
    if (Send() != KV_OK) {
        NotConnected();
        return;
    }
    waiting_flag_ = 1;
    GoTo(KV_JOB_STATE_WAITING_FOR_ANSWER);
    timers_.Start(kAnswerTimerId);
}

void CKvJobDataClient::RequesterWaitForLogonAnswer() {
    CKvMessage* message = nullptr;
    auto* answer = static_cast<CKvJobDataClient*>(FirstRecord(message));
    if (message != nullptr) {
        if (answer == nullptr || answer->GetMessageType() != KV_MSG_KIND_CONFIRMATION) {
            NotConnected();
        } else if (answer->GetAttribute() != KV_MSG_ATTR_ACCEPTED) {
            PostStatusText(kStatusRefused);
            GoTo(KV_JOB_STATE_CLEANUP);
        } else {
            timers_.Stop(kAnswerTimerId);
            target_job_id_ = answer->GetIdSource();
            flagusetapi_ = answer->flagusetapi_;
            if (ReadVersion(answer->version_) < kLowestVersion) {
                PostStatusText(kStatusVersionRefused);
                GoTo(KV_JOB_STATE_STOP_REQUESTED);
            } else {
                PostSynchronizeJob();
                PostListenJob();
                PostStatusText(kStatusEmpty);
                timers_.Start(kKeepAliveTimerId);
                if (IsValidPtr(handler_))
                    handler_->GetEventMap().SetEvent(CKvIMSGJobDataHandler::kJobEventOne);
                waiting_flag_ = 1;
                GoTo(KV_JOB_STATE_RUNNING);
            }
        }
    }
    incoming_.DeleteAll();
    if (state_ != KV_JOB_STATE_WAITING_FOR_ANSWER)
        return;
    if (timers_.CheckExpired(kAnswerTimerId))
        NotConnected();
    else
        waiting_flag_ = 1;
}

void CKvJobDataClient::RequesterLoggedOn() {
    KeepLogonAlive();
    if (state_ == KV_JOB_STATE_CLEANUP)
        PostStatusText(kStatusNotConnected);
    else
        waiting_flag_ = 1;
}

void CKvJobDataClient::RequesterStopRequested() {
    ResetLoggedOnEvent();
    const std::uint32_t before = previous_state_;
    if (before == KV_JOB_STATE_RUNNING || before == KV_JOB_STATE_WAITING_FOR_ANSWER) {
        StopTapiListenJobs();
        if (IsValidPtr(handler_) &&
            handler_->GetEventMap().WaitEvent(CKvIMSGJobDataHandler::kJobEventTwo, 0))
            Answer(KV_MSG_KIND_INFO, KV_MSG_ATTR_ENDED);
    }
    if (before != KV_JOB_STATE_WAITING_FOR_ANSWER)
        PostStatusText(kStatusNotConnected);
    GoTo(KV_JOB_STATE_CLEANUP);
}

void CKvJobDataClient::CleanUp() {
    ResetLoggedOnEvent();
    Finish();
}

// ---- Executor ----

KvResult CKvJobDataClient::StepExecutor() {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        ExecutorStart();
        break;
    case kStateGeneral:
        ExecutorGeneral();
        break;
    case kStateHost:
        ExecutorWaitForHost();
        break;
    case kStateUserLogon:
        ExecutorUserLogon();
        break;
    case KV_JOB_STATE_RUNNING:
        ServeLogon(kStateKeepAliveLost);
        break;
    case kStateUserLogoff:
        WaitForLogoffRecord();
        break;
    case kStateKeepAliveLost:
        LoseLogon();
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        EndLogon();
        break;
    case KV_JOB_STATE_CLEANUP:
        ExecutorCleanUp();
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    if (state_ == KV_JOB_STATE_RUNNING)
        served_ = true;
    return last_result_;
}

void CKvJobDataClient::ExecutorStart() {
    waiting_flag_ = 0;
    peer_version_ = ReadVersion(version_);
    requester_job_id_ = idsource_;
    DetachFromCarryingMessage();
    // The server's root signals the handler once it is ready for logons.
    if (!IsValidPtr(handler_) || !handler_->Wait(0)) {
        GoTo(KV_JOB_STATE_CLEANUP);
        return;
    }
    timers_.Add(kWatchdogTimerId, kWatchdogSeconds, 0);
    timers_.Add(kLockRetryTimerId, kLockRetrySeconds, 0);
    const std::string login = loginname_;
    CollectLocalIdentity();
    loginname_ = login;
    version_ = VersionText(kProtocolVersion);
    if (peer_version_ < kLowestVersion) {
        Answer(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_REFUSED);
        GoTo(KV_JOB_STATE_CLEANUP);
        return;
    }
    GoTo(kStateGeneral);
}

void CKvJobDataClient::ExecutorGeneral() {
    CKvMessage* answer = nullptr;
    if (RequestRecord(answer, KV_MSG_COMMAND_DATA, KV_ENDPOINT_HOST_MAIN, 0, nullptr,
                      K_KVDT_TP_DTHDLR_DATAGENERAL) == KV_OK) {
        if (answer == nullptr) {
            waiting_flag_ = 1;
            return;
        }
        auto* general = static_cast<CKvDataGeneral*>(answer->GetPayload());
        if (answer->GetAttribute() != KV_MSG_ATTR_DATA_FOUND) {
            last_result_ = KV_E_NO_DATA_FOUND;
        } else if (!IsValidPtr(general)) {
            last_result_ = KV_E_INVALID_POINTER;
        } else {
            flagusetapi_.Set(general->GetFlagUseTapi().Get());
            if (PostHostList() == KV_OK) {
                waiting_flag_ = 1;
                timers_.Start(kAnswerTimerId);
                GoTo(kStateHost);
            } else {
                last_result_ = KV_E_FAIL;
            }
        }
        answer->Release();
    }
    if (last_result_ != KV_OK) {
        if (messagetype_ == KV_MSG_KIND_REQUEST)
            Answer(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_REFUSED);
        GoTo(KV_JOB_STATE_CLEANUP);
        return;
    }
    // The host answers on a later pass at the earliest; looking now costs
    // nothing and keeps the two steps of the logon in one call.
    if (state_ == kStateHost)
        ExecutorWaitForHost();
}

void CKvJobDataClient::ExecutorWaitForHost() {
    if (incoming_.IsEmpty()) {
        waiting_flag_ = 1;
    } else {
        CKvMessage* message = nullptr;
        if (incoming_.FindByPayloadType(message, K_KVDT_TP_DTHDLR_DATACOMPUTER) &&
            IsValidPtr(message)) {
            if (message->GetAttribute() != KV_MSG_ATTR_DATA_FOUND) {
                last_result_ = KV_E_FAIL;
            } else if (!IsValidPtr(message->GetPayload())) {
                last_result_ = KV_E_INVALID_POINTER;
            } else {
                host_record_.reset(static_cast<CKvDataHost*>(message->DetachPayload()));
                timers_.Stop(kAnswerTimerId);
                if (host_record_->GetFlagAcceptAllUser()) {
                    if (messagetype_ == KV_MSG_KIND_REQUEST)
                        Answer(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED);
                    SwapIds();
                    timers_.Start(kWatchdogTimerId);
                    GoTo(KV_JOB_STATE_RUNNING);
                } else if (RequestServerUser() == KV_OK) {
                    waiting_flag_ = 1;
                    timers_.Start(kAnswerTimerId);
                    GoTo(kStateUserLogon);
                } else {
                    last_result_ = KV_E_OUT_OF_MEMORY;
                }
            }
        }
        incoming_.DeleteAll();
    }
    if (state_ == kStateHost && (last_result_ != KV_OK || timers_.CheckExpired(kAnswerTimerId))) {
        if (messagetype_ == KV_MSG_KIND_REQUEST)
            Answer(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_REFUSED);
        GoTo(KV_JOB_STATE_CLEANUP);
    }
}

void CKvJobDataClient::ExecutorUserLogon() {
    WaitForUserRecord(kStateUserLogon, [this](CKvMessage* message) {
        auto* user = static_cast<CKvDataServerUser*>(message->GetPayload());
        const COMPUTER_IDENT caller = Caller();
        if (IsValidPtr(user))
            notifycalls_ = user->GetRuntimeWord();
        if (!IsValidPtr(user) || user->GetRuntimeComputerIdentList().Contains(caller, TRUE) ||
            !user->GetComputerIdentList().Contains(caller, FALSE)) {
            GoTo(KV_JOB_STATE_CLEANUP);
            return;
        }
        std::unique_ptr<COMPUTER_IDENT> entry;
        if (COMPUTER_IDENT::Create(entry, caller.GetName(), caller.GetAddress(),
                                   caller.GetPort()) == KV_OK)
            user->GetRuntimeComputerIdentList().AddTail(std::move(entry));
        user->CreateCopy(server_user_);
        if (messagetype_ == KV_MSG_KIND_REQUEST)
            Answer(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED);
        ReturnUserRecord(message);
        timers_.Start(kWatchdogTimerId);
        GoTo(KV_JOB_STATE_RUNNING);
    });
    if (state_ == KV_JOB_STATE_CLEANUP && messagetype_ == KV_MSG_KIND_REQUEST)
        Answer(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_REFUSED);
}

void CKvJobDataClient::ExecutorCleanUp() {
    StopListenJob();
    incoming_.DeleteAll();
    host_record_.reset();
    server_user_.reset();
    DetachFromCarryingMessage();
    GoTo(KV_JOB_STATE_FINISHED);
}
