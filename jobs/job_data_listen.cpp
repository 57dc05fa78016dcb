#include "jobs/job_data_listen.h"

#include "capi/capi_listen_manager.h"
#include "data/data_call.h"
#include "jobs/job_element_xml.h"
#include "platform/number_parse.h"
#include "platform/pointer.h"

namespace {

constexpr std::string_view kElementName = "JobDataListen";

} // namespace

CKvJobDataListen::CKvJobDataListen() {
    type_code_ = K_KVJBDT_TP_LISTEN;
    state_ = KV_JOB_STATE_START;
    timers_.Add(kAnswerTimerId, kAnswerSeconds, 0);
}

CKvJobDataListen& CKvJobDataListen::CopyFrom(const CKvJobDataListen& other) {
    if (&other == this)
        return *this;
    CKvJobData::CopyFrom(other);
    manager_numbers_[0] = other.manager_numbers_[0];
    manager_numbers_[1] = other.manager_numbers_[1];
    callingnumber_ = other.callingnumber_;
    return *this;
}

KvResult CKvJobDataListen::WriteXml(XmlNode* job_data) {
    XmlNode* element = nullptr;
    return WriteJobElement(element, Document(), job_data, kElementName, idsource_,
                           {{"loginname", loginname_},
                            {"hostname", peer_.GetName()},
                            {"hostip", peer_.GetAddressText()},
                            {"portnumber", peer_.GetPortText()},
                            {"callingnumber", callingnumber_}});
}

KvResult CKvJobDataListen::ReadXml(const XmlNode* job_data) {
    return ReadJobElement(job_data, kElementName, idsource_, [this](const XmlNode& child) {
        if (child.GetKind() != kXmlTextElement)
            return;
        const std::string_view name = child.GetName();
        const std::string text = child.GetText();
        if (ReadPeerKey(name, text))
            return;
        if (name == "callingnumber")
            callingnumber_ = text;
    });
}

// ---- Requester ----

KvResult CKvJobDataListen::StepRequester() {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        if (messagetype_ == KV_MSG_KIND_REQUEST) {
            SetMessageType(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED);
            Send();
        }
        GoTo(KV_JOB_STATE_RUNNING);
        break;
    case KV_JOB_STATE_RUNNING:
        HandCallToHost();
        GoTo(KV_JOB_STATE_CLEANUP);
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        GoTo(KV_JOB_STATE_CLEANUP);
        break;
    case KV_JOB_STATE_CLEANUP:
        Finish();
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

void CKvJobDataListen::HandCallToHost() {
    last_result_ = PostText(callingnumber_, KV_ENDPOINT_HOST_STATUS);
    if (last_result_ == KV_E_OUT_OF_MEMORY)
        return;
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!IsValidPtr(router_) ||
        !router_->CreateMessageWithPayload(message, payload, K_KVDT_TP_DTHDLR_DATACALL)) {
        last_result_ = KV_E_OUT_OF_MEMORY;
        return;
    }
    auto* call = static_cast<CKvDataCall*>(payload);
    call->GetPhoneNumber().GetNumber() = callingnumber_;
    call->GetFlagCallOut().Set(0);
    message->SetKindAndCommand(KV_MSG_KIND_INFO, KV_MSG_COMMAND_NOTIFICATION,
                               KV_SUBCOMMAND_ONE_RECORD);
    last_result_ = SendToHost(message, KV_ENDPOINT_CALL_WINDOW);
}

// ---- Executor ----

KvResult CKvJobDataListen::StepExecutor() {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        RequestManager();
        break;
    case KV_JOB_STATE_WAITING_FOR_ANSWER:
        WaitForManager();
        break;
    case KV_JOB_STATE_RUNNING:
        Serve();
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        GoTo(KV_JOB_STATE_CLEANUP);
        break;
    case KV_JOB_STATE_CLEANUP:
        Finish();
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

void CKvJobDataListen::RequestManager() {
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!IsValidPtr(router_) ||
        !router_->CreateMessageWithPayload(message, payload, KV_PAYLOAD_CAPI_LISTEN_MANAGER)) {
        last_result_ = KV_E_OUT_OF_MEMORY;
        GoTo(KV_JOB_STATE_CLEANUP);
        return;
    }
    auto* manager = static_cast<CapiListenManager*>(payload);
    manager->SetCalledNumber(manager_numbers_[0]);
    manager->SetCallingNumber(manager_numbers_[1]);
    message->SetKindAndCommand(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_NOTIFICATION,
                               KV_SUBCOMMAND_ONE_RECORD);
    message->SetJobIds(0, job_id_, originating_job_id_);
    if (SendToHost(message, KV_ENDPOINT_CAPI) != KV_OK) {
        GoTo(KV_JOB_STATE_CLEANUP);
        return;
    }
    waiting_flag_ = 1;
    timers_.Start(kAnswerTimerId);
    GoTo(KV_JOB_STATE_WAITING_FOR_ANSWER);
}

void CKvJobDataListen::WaitForManager() {
    CKvMessage* message = nullptr;
    if (!incoming_.FindByPayloadType(message, KV_PAYLOAD_CAPI_LISTEN_MANAGER) ||
        !IsValidPtr(message)) {
        waiting_flag_ = 1;
    } else if (message->GetAttribute() == KV_MSG_ATTR_ACCEPTED) {
        timers_.Stop(kAnswerTimerId);
        GoTo(KV_JOB_STATE_RUNNING);
    } else {
        GoTo(KV_JOB_STATE_CLEANUP);
    }
    incoming_.DeleteAll();
    if (state_ == KV_JOB_STATE_WAITING_FOR_ANSWER && timers_.CheckExpired(kAnswerTimerId))
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
}

void CKvJobDataListen::Serve() {
    if (incoming_.GetCount() == 0) {
        waiting_flag_ = 1;
        return;
    }
    while (CKvMessage* message = incoming_.FirstMessage()) {
        incoming_.Remove(message);
        const std::int32_t type = message->GetPayloadType();
        const std::int32_t attribute = message->GetAttribute();
        if (attribute == KV_MSG_ATTR_ENDED && type != K_KVJBDT_TP_LISTEN &&
            type != K_KVJBDT_TP_ROOT) {
            AnswerOrRelease(message);
            GoTo(KV_JOB_STATE_CLEANUP);
        } else if (attribute == KV_MSG_ATTR_NOTIFICATION &&
                   type == KV_PAYLOAD_CAPI_LISTEN_MANAGER && IsValidPtr(message->GetPayload())) {
            callingnumber_ = static_cast<CapiListenManager*>(message->GetPayload())->GetText2();
            AnswerOrRelease(message);
            NotifyClients();
        } else {
            message->Release();
        }
    }
}

void CKvJobDataListen::NotifyClients() {
    if (!IsValidPtr(handler_))
        return;
    const CKvJobMap* clients = handler_->FindJobsOfType(K_KVJBDT_TP_CLIENT);
    if (clients == nullptr)
        return;
    const COMPUTER_IDENT own_peer = peer_;
    for (const auto& entry : *clients) {
        const auto* client = static_cast<const CKvJobData*>(entry.second);
        if (!IsValidPtr(client) || client->GetState() != KV_JOB_STATE_RUNNING ||
            client->GetLoginName() != loginname_)
            continue;
        peer_ = client->GetPeerComputer();
        SetHeader(KV_MSG_KIND_INFO, KV_MSG_ATTR_NOTIFICATION, 0, job_id_);
        Send();
    }
    peer_ = own_peer;
}
