#include "jobs/job_data_client2.h"

#include "core/node_text.h"
#include "core/record_xml.h"
#include "data/data_host.h"
#include "jobs/job_element_xml.h"
#include "platform/number_parse.h"
#include "platform/pointer.h"
#include "platform/text.h"

#include <array>

namespace {

constexpr std::string_view kElementName = "JobDataClient";
constexpr std::array<std::string_view, RequiredKeys::kCount> kReadKeys = {
    "notifycalls", "loginname", "hostname", "hostip", "portnumber"};

} // namespace

CKvJobDataClient2::CKvJobDataClient2() {
    type_code_ = K_KVJBDT_TP_CLIENT2;
    state_ = KV_JOB_STATE_START;
    timers_.Add(kAnswerTimerId, kAnswerSeconds, 0);
}

CKvJobDataClient2& CKvJobDataClient2::CopyFrom(const CKvJobDataClient2& other) {
    CKvJobData::CopyFrom(other);
    notifycalls_ = other.notifycalls_;
    return *this;
}

KvResult CKvJobDataClient2::WriteXml(XmlNode* job_data) {
    if (!IsValidPtr(job_data))
        return KV_E_INVALID_POINTER;
    XmlDocument& document = Document();
    XmlNode* element = nullptr;
    KvResult result = AddRecordElement(element, document, job_data, kElementName);
    if (result != KV_OK)
        return result;
    std::string port;
    AssignUnsigned(port, peer_.GetPort());
    const std::array<std::pair<const char*, std::string_view>, 5> children = {{
        {"notifycalls", notifycalls_ != 0 ? "yes" : "no"},
        {"loginname", loginname_},
        {"hostname", peer_.GetName()},
        {"hostip", peer_.GetAddressText()},
        {"portnumber", port},
    }};
    for (const auto& [name, text] : children) {
        XmlNode* child = nullptr;
        result = document.AddTextElement(child, element, name, text, TRUE);
        if (result != KV_OK)
            return result;
    }
    return KV_OK;
}

KvResult CKvJobDataClient2::ReadXml(const XmlNode* job_data) {
    if (!IsValidPtr(job_data))
        return KV_E_INVALID_POINTER;
    XmlNode* element = nullptr;
    KvResult result = job_data->FindChild(element, kElementName);
    if (result != KV_OK)
        return result;
    RequiredKeys keys(kReadKeys);
    std::string scratch;
    for (const XmlNode* child : element->GetChildList()) {
        if (!IsValidPtr(child)) {
            result = KV_E_INVALID_POINTER;
            continue;
        }
        if (!keys.Count(*child))
            continue;
        const std::string_view name = child->GetName();
        const std::string_view text = DecodedNodeText(*child, scratch);
        if (SameText(name, "notifycalls"))
            notifycalls_ = SameText(text, "yes") ? 1 : 0;
        else
            ReadPeerKey(name, text);
    }
    return keys.Check(result);
}

KvResult CKvJobDataClient2::RequestUserRecord() {
    CKvMessage* message =
        NewUserRecordMessage(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_DATA, KV_MSG_ATTR_LOCK);
    if (message == nullptr)
        return KV_E_OUT_OF_MEMORY;
    message->SetJobIds(0, job_id_, originating_job_id_);
    SendToHost(message, KV_ENDPOINT_HOST_MAIN);
    return KV_OK;
}

CKvMessage* CKvJobDataClient2::NewUserRecordMessage(std::int32_t kind, std::int32_t command,
                                                    std::int32_t attribute) {
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!IsValidPtr(router_) ||
        !router_->CreateMessageWithPayload(message, payload, K_KVDT_TP_DTHDLR_DATAUSER))
        return nullptr;
    message->SetKindAndCommand(kind, command, KV_SUBCOMMAND_ONE_RECORD);
    message->SetAttribute(attribute);
    return message;
}

std::int32_t CKvJobDataClient2::UserPayloadType() const {
    return K_KVDT_TP_DTHDLR_DATAUSER;
}

void CKvJobDataClient2::Answer(std::uint32_t messagetype, std::uint32_t attribute) {
    SetMessageType(messagetype, attribute);
    SendDirect();
}

void CKvJobDataClient2::EnterLoggedOn() {
    GoTo(KV_JOB_STATE_RUNNING);
    timers_.Start(kWatchdogTimerId);
}

// ---- Requester ----

KvResult CKvJobDataClient2::StepRequester() {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        RequesterStart();
        break;
    case KV_JOB_STATE_WAITING_FOR_ANSWER:
        RequesterWaitForLogonAnswer();
        break;
    case KV_JOB_STATE_RUNNING:
        KeepLogonAlive();
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        RequesterStopRequested();
        break;
    case KV_JOB_STATE_CLEANUP:
        CleanUp(true);
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

void CKvJobDataClient2::RequesterStart() {
    timers_.Add(kKeepAliveTimerId, kKeepAliveSeconds, 0);
    SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 0, job_id_);
    if (SendDirect() != KV_OK) {
        GoTo(KV_JOB_STATE_CLEANUP);
        return;
    }
    GoTo(KV_JOB_STATE_WAITING_FOR_ANSWER);
    timers_.Start(kAnswerTimerId);
}

void CKvJobDataClient2::OnTextNotSent() {
    if (state_ == KV_JOB_STATE_WAITING_FOR_ANSWER)
        GoTo(KV_JOB_STATE_CLEANUP);
}

void CKvJobDataClient2::RequesterWaitForLogonAnswer() {
    CKvMessage* message = nullptr;
    const CKvJobData* answer = FirstRecord(message);
    if (message != nullptr) {
        if (answer == nullptr || answer->GetMessageType() != KV_MSG_KIND_CONFIRMATION ||
            answer->GetAttribute() != KV_MSG_ATTR_ACCEPTED) {
            GoTo(KV_JOB_STATE_CLEANUP);
        } else if (CKvMessage* logged_on = NewUserRecordMessage(
                       KV_MSG_KIND_INFO, KV_MSG_COMMAND_NOTIFICATION, KV_MSG_ATTR_UNSPECIFIED);
                   logged_on == nullptr) {
            last_result_ = KV_E_OUT_OF_MEMORY;
            GoTo(KV_JOB_STATE_CLEANUP);
        } else {
            timers_.Stop(kAnswerTimerId);
            target_job_id_ = answer->GetIdSource();
            logged_on->SetJobIds(0, job_id_, originating_job_id_);
            SendToHost(logged_on, KV_ENDPOINT_HOST_MAIN);
            timers_.Start(kKeepAliveTimerId);
            if (IsValidPtr(handler_))
                handler_->GetEventMap().SetEvent(CKvIMSGJobDataHandler::kJobEventOne);
            GoTo(KV_JOB_STATE_RUNNING);
        }
    } else {
        waiting_flag_ = 1;
    }
    incoming_.DeleteAll();
    if (timers_.CheckExpired(kAnswerTimerId))
        GoTo(KV_JOB_STATE_CLEANUP);
}

void CKvJobDataClient2::RequesterStopRequested() {
    if (IsValidPtr(handler_)) {
        EventMap& events = handler_->GetEventMap();
        events.ResetEvent(CKvIMSGJobDataHandler::kJobEventOne);
        if (previous_state_ == KV_JOB_STATE_RUNNING &&
            events.WaitEvent(CKvIMSGJobDataHandler::kJobEventTwo, 0))
            Answer(KV_MSG_KIND_INFO, KV_MSG_ATTR_ENDED);
    }
    GoTo(KV_JOB_STATE_CLEANUP);
}

void CKvJobDataClient2::CleanUp(bool reset_logged_on_event) {
    if (reset_logged_on_event && IsValidPtr(handler_))
        handler_->GetEventMap().ResetEvent(CKvIMSGJobDataHandler::kJobEventOne);
    Finish();
}

// ---- Executor ----

KvResult CKvJobDataClient2::StepExecutor() {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        ExecutorStart();
        break;
    case kStateHost:
        ExecutorWaitForHost();
        break;
    case kStateUserLogon:
        ExecutorWaitForUserLogon();
        break;
    case KV_JOB_STATE_RUNNING:
        ServeLogon(KV_JOB_STATE_STOP_REQUESTED);
        break;
    case kStateUserLogoff:
        WaitForLogoffRecord();
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        EndLogon();
        break;
    case KV_JOB_STATE_CLEANUP:
        CleanUp(false);
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

void CKvJobDataClient2::ExecutorStart() {
    requester_job_id_ = idsource_;
    timers_.Add(kWatchdogTimerId, kWatchdogSeconds, 0);
    timers_.Add(kLockRetryTimerId, kLockRetrySeconds, 0);
    if (PostHostList() != KV_OK) {
        GoTo(KV_JOB_STATE_CLEANUP);
        return;
    }
    waiting_flag_ = 1;
    timers_.Start(kAnswerTimerId);
    GoTo(kStateHost);
}

void CKvJobDataClient2::ExecutorWaitForHost() {
    if (incoming_.IsEmpty()) {
        waiting_flag_ = 1;
    } else {
        CKvMessage* message = nullptr;
        if (!incoming_.FindByPayloadType(message, K_KVDT_TP_DTHDLR_DATACOMPUTER) ||
            !IsValidPtr(message) || message->GetAttribute() != KV_MSG_ATTR_DATA_FOUND ||
            !IsValidPtr(message->GetPayload())) {
            GoTo(KV_JOB_STATE_CLEANUP);
        } else if (static_cast<CKvDataHost*>(message->GetPayload())->GetFlagAcceptAllUser()) {
            if (messagetype_ == KV_MSG_KIND_REQUEST)
                Answer(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED);
            timers_.Stop(kAnswerTimerId);
            EnterLoggedOn();
        } else if (RequestUserRecord() == KV_OK) {
            waiting_flag_ = 1;
            timers_.Start(kAnswerTimerId);
            GoTo(kStateUserLogon);
        } else {
            GoTo(KV_JOB_STATE_CLEANUP);
        }
        incoming_.DeleteAll();
    }
    if (timers_.CheckExpired(kAnswerTimerId))
        GoTo(KV_JOB_STATE_CLEANUP);
}

void CKvJobDataClient2::ExecutorWaitForUserLogon() {
    WaitForUserRecord(kStateUserLogon, [this](CKvMessage*) {
        // A found user completes the logon as an accepting host does;
        // otherwise a user-checked logon would never complete.
        if (messagetype_ == KV_MSG_KIND_REQUEST)
            Answer(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED);
        EnterLoggedOn();
    });
    if (state_ == KV_JOB_STATE_CLEANUP)
        Answer(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_REFUSED);
}
