#include "jobs/job_data_client2.h"

#include "core/record_xml.h"
#include "data/data_host.h"
#include "platform/number_parse.h"
#include "platform/pointer.h"
#include "platform/text.h"

#include <array>

namespace {

constexpr std::string_view kElementName = "JobDataClient";

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
    // Each key counts once: a repeated key must not make up for a missing one.
    std::uint32_t keys_seen = 0;
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
        std::uint32_t key = 0;
        if (name == "notifycalls") {
            notifycalls_ = text == "yes" ? 1 : 0;
            key = 1;
        } else if (name == "loginname") {
            loginname_ = text;
            key = 2;
        } else if (name == "hostname") {
            peer_.SetName(text.c_str());
            key = 4;
        } else if (name == "hostip") {
            peer_.SetAddressText(text);
            key = 8;
        } else if (name == "portnumber") {
            peer_.SetPort(ParseUInt32(text));
            key = 16;
        }
        keys_seen |= key;
    }
    if (keys_seen != 31)
        return KV_E_FAIL;
    return result;
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

CKvJobDataClient2* CKvJobDataClient2::FirstRecord(CKvMessage*& message) {
    message = nullptr;
    if (!incoming_.FindByPayloadType(message, K_KVJBDT_TP_CLIENT2) || !IsValidPtr(message))
        return nullptr;
    void* payload = message->GetPayload();
    if (!IsValidPtr(payload))
        return nullptr;
    auto* record = static_cast<CKvJobDataClient2*>(static_cast<CKvJobData*>(payload));
    return record->GetSubType() == K_KVJBDT_TP_CLIENT2 ? record : nullptr;
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
        RequesterLoggedOn();
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
    CKvJobDataClient2* answer = FirstRecord(message);
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

void CKvJobDataClient2::RequesterLoggedOn() {
    CKvMessage* message = nullptr;
    CKvJobDataClient2* record = FirstRecord(message);
    if (message != nullptr) {
        const std::uint32_t kind = record != nullptr ? record->GetMessageType() : 0;
        const std::uint32_t attribute = record != nullptr ? record->GetAttribute() : 0;
        if (record == nullptr) {
            GoTo(KV_JOB_STATE_CLEANUP);
        } else if (kind == KV_MSG_KIND_REQUEST || kind == KV_MSG_KIND_INFO) {
            if (attribute == KV_MSG_ATTR_ENDED && kind == KV_MSG_KIND_REQUEST)
                Answer(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ENDED);
            GoTo(KV_JOB_STATE_CLEANUP);
        } else if (kind == KV_MSG_KIND_CONFIRMATION) {
            if (attribute == KV_MSG_ATTR_ALIVE)
                timers_.Start(kKeepAliveTimerId);
            else
                GoTo(KV_JOB_STATE_CLEANUP);
            timers_.Stop(kAnswerTimerId);
        } else {
            GoTo(KV_JOB_STATE_CLEANUP);
        }
    }
    incoming_.DeleteAll();
    if (state_ == KV_JOB_STATE_CLEANUP)
        return;
    if (timers_.CheckExpired(kAnswerTimerId)) {
        GoTo(KV_JOB_STATE_CLEANUP);
    } else if (timers_.CheckExpired(kKeepAliveTimerId)) {
        timers_.Stop(kKeepAliveTimerId);
        Answer(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_ALIVE);
        timers_.Start(kAnswerTimerId);
    }
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
    case 4:
        ExecutorWaitForHost();
        break;
    case 2:
        ExecutorWaitForUserLogon();
        break;
    case KV_JOB_STATE_RUNNING:
        ExecutorLoggedOn();
        break;
    case 3:
        ExecutorWaitForUserLogoff();
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        ExecutorStopRequested();
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
    timers_.Add(kWatchdogTimerId, kWatchdogSeconds, 0);
    timers_.Add(kLockRetryTimerId, kLockRetrySeconds, 0);
    if (PostHostList() != KV_OK) {
        GoTo(KV_JOB_STATE_CLEANUP);
        return;
    }
    waiting_flag_ = 1;
    timers_.Start(kAnswerTimerId);
    GoTo(4);
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
            GoTo(2);
        } else {
            GoTo(KV_JOB_STATE_CLEANUP);
        }
        incoming_.DeleteAll();
    }
    if (timers_.CheckExpired(kAnswerTimerId))
        GoTo(KV_JOB_STATE_CLEANUP);
}

void CKvJobDataClient2::HandleUserAnswer(bool logoff) {
    CKvMessage* message = nullptr;
    if (!incoming_.FindByPayloadType(message, K_KVDT_TP_DTHDLR_DATAUSER) || !IsValidPtr(message)) {
        waiting_flag_ = 1;
    } else if (message->GetAttribute() == KV_MSG_ATTR_DATA_FOUND) {
        timers_.Stop(kAnswerTimerId);
        timers_.Stop(kLockRetryTimerId);
        if (logoff) {
            incoming_.Remove(message);
            message->SetKindAndCommand(KV_MSG_KIND_INFO, KV_MSG_COMMAND_NOTIFICATION,
                                       KV_SUBCOMMAND_ONE_RECORD);
            SendToHost(message, KV_ENDPOINT_HOST_MAIN);
            GoTo(KV_JOB_STATE_CLEANUP);
        } else {
            // A found user completes the logon as an accepting host does;
            // otherwise a user-checked logon would never complete.
            if (messagetype_ == KV_MSG_KIND_REQUEST)
                Answer(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED);
            EnterLoggedOn();
        }
    } else if (message->GetAttribute() == KV_MSG_ATTR_DATA_FOUND_LOCKED) {
        timers_.Start(kLockRetryTimerId);
    } else {
        GoTo(KV_JOB_STATE_CLEANUP);
    }
    incoming_.DeleteAll();
    if (timers_.CheckExpired(kAnswerTimerId)) {
        GoTo(KV_JOB_STATE_CLEANUP);
    } else if (timers_.CheckExpired(kLockRetryTimerId)) {
        RequestUserRecord();
        waiting_flag_ = 1;
    }
}

void CKvJobDataClient2::ExecutorWaitForUserLogon() {
    const std::uint32_t entered = state_;
    HandleUserAnswer(false);
    if (state_ == KV_JOB_STATE_CLEANUP && entered != KV_JOB_STATE_CLEANUP)
        Answer(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_REFUSED);
}

void CKvJobDataClient2::ExecutorWaitForUserLogoff() {
    HandleUserAnswer(true);
}

void CKvJobDataClient2::ExecutorLoggedOn() {
    if (incoming_.IsEmpty()) {
        waiting_flag_ = 1;
    } else {
        for (CKvMessage* message : incoming_.TakeAll()) {
            if (state_ != KV_JOB_STATE_RUNNING) {
                message->Release();
                continue;
            }
            bool re_sent = false;
            ExecutorHandleMessage(message, re_sent);
            if (!re_sent)
                message->Release();
        }
    }
    if (state_ == KV_JOB_STATE_RUNNING && timers_.CheckExpired(kWatchdogTimerId))
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
}

void CKvJobDataClient2::ExecutorHandleMessage(CKvMessage* message, bool& re_sent) {
    if (message->GetPayloadType() != K_KVJBDT_TP_CLIENT2) {
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
        return;
    }
    void* payload = message->GetPayload();
    if (!IsValidPtr(payload))
        return;
    auto* record = static_cast<CKvJobDataClient2*>(static_cast<CKvJobData*>(payload));
    if (record->GetSubType() != K_KVJBDT_TP_CLIENT2)
        return;
    const std::int32_t attribute = message->GetAttribute();
    switch (record->GetMessageType()) {
    case KV_MSG_KIND_REQUEST:
        if (attribute == KV_MSG_ATTR_ENDED) {
            re_sent = true;
            ForwardLogoff(message);
            if (state_ != KV_JOB_STATE_CLEANUP)
                Answer(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ENDED);
        } else if (attribute == KV_MSG_ATTR_ALIVE) {
            SetIds(job_id_, record->GetIdSource());
            Answer(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ALIVE);
            timers_.Start(kWatchdogTimerId);
        } else {
            GoTo(KV_JOB_STATE_STOP_REQUESTED);
        }
        return;
    case KV_MSG_KIND_INFO:
        if (attribute == KV_MSG_ATTR_ENDED) {
            re_sent = true;
            ForwardLogoff(message);
            waiting_flag_ = 1;
        } else {
            GoTo(KV_JOB_STATE_STOP_REQUESTED);
        }
        return;
    default:
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
        return;
    }
}

void CKvJobDataClient2::ForwardLogoff(CKvMessage* message) {
    void* user = nullptr;
    if (!message->CreatePayload(user, K_KVDT_TP_DTHDLR_DATAUSER)) {
        message->Release();
        GoTo(KV_JOB_STATE_CLEANUP);
        return;
    }
    message->SetHeader(KV_MSG_KIND_REQUEST, user, K_KVDT_TP_DTHDLR_DATAUSER, KV_MSG_COMMAND_DATA,
                       KV_SUBCOMMAND_ONE_RECORD, KV_MSG_ATTR_UNSPECIFIED);
    message->SetJobIds(0, job_id_, originating_job_id_);
    SendToHost(message, KV_ENDPOINT_HOST_MAIN);
    GoTo(3);
    // The logoff wait is bounded like every other wait for the host.
    timers_.Start(kAnswerTimerId);
}

void CKvJobDataClient2::ExecutorStopRequested() {
    if (previous_state_ != KV_JOB_STATE_RUNNING) {
        GoTo(KV_JOB_STATE_CLEANUP);
        return;
    }
    if (RequestUserRecord() == KV_OK) {
        waiting_flag_ = 1;
        timers_.Start(kAnswerTimerId);
        GoTo(3);
    } else {
        GoTo(KV_JOB_STATE_CLEANUP);
    }
    SwapIds();
    Answer(KV_MSG_KIND_INFO, KV_MSG_ATTR_ENDED);
}
