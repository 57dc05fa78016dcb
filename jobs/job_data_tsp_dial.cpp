#include "jobs/job_data_tsp_dial.h"

#include "data/data_call.h"
#include "framework/named_value.h"
#include "jobs/job_element_xml.h"
#include "platform/number_parse.h"
#include "platform/pointer.h"
#include "platform/text.h"

namespace {

constexpr std::string_view kElementName = "JobDataTSPDial";

} // namespace

CKvJobDataTSPDial::CKvJobDataTSPDial() {
    InitTSPDial();
    timers_.Add(kAnswerTimerId, kAnswerSeconds, 0);
    second_timers_.Add(kSecondTimerId, 0, kSecondTimerMs);
}

void CKvJobDataTSPDial::InitTSPDial() {
    type_code_ = K_KVJBDT_TP_TSPDIAL;
    state_ = KV_JOB_STATE_START;
    idsource_ = 0;
    targetnumber_.clear();
}

CKvJobDataTSPDial& CKvJobDataTSPDial::CopyFrom(const CKvJobDataTSPDial& other) {
    if (&other == this)
        return *this;
    CKvJobData::CopyFrom(other);
    type_code_ = K_KVJBDT_TP_TSPDIAL;
    idsource_ = other.idsource_;
    state_ = other.state_;
    SetTargetNumber(other.targetnumber_);
    sequence_counter_ = other.sequence_counter_;
    timers_.SetInterval(kAnswerTimerId, kCopyAnswerSeconds, 0);
    return *this;
}

void CKvJobDataTSPDial::SetTargetNumber(std::string_view number) {
    targetnumber_ = std::string(TrimmedView(number));
}

KvResult CKvJobDataTSPDial::WriteXml(XmlNode* job_data) {
    std::string port;
    AssignUnsigned(port, peer_.GetPort());
    XmlNode* element = nullptr;
    return WriteJobElement(element, Document(), job_data, kElementName, idsource_,
                           {{"loginname", loginname_},
                            {"hostname", peer_.GetName()},
                            {"hostip", peer_.GetAddressText()},
                            {"portnumber", port},
                            {"targetnumber", targetnumber_}});
}

KvResult CKvJobDataTSPDial::ReadXml(const XmlNode* job_data) {
    return ReadJobElement(job_data, kElementName, idsource_, [this](const XmlNode& child) {
        if (child.GetKind() != kXmlTextElement)
            return;
        const std::string_view name = child.GetName();
        const std::string text = child.GetText();
        if (ReadPeerKey(name, text))
            return;
        if (name == "targetnumber")
            SetTargetNumber(text);
    });
}

KvResult CKvJobDataTSPDial::CheckRootJob() {
    StepRequester();
    return last_result_;
}

void CKvJobDataTSPDial::StepCommon() {
    switch (state_) {
    case KV_JOB_STATE_CLEANUP:
        incoming_.DeleteAll();
        GoTo(KV_JOB_STATE_FINISHED);
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        GoTo(KV_JOB_STATE_CLEANUP);
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
}

KvResult CKvJobDataTSPDial::StepRequester() {
    last_result_ = KV_OK;
    if (state_ != KV_JOB_STATE_START) {
        StepCommon();
        return last_result_;
    }
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!targetnumber_.empty() && IsValidPtr(router_) &&
        router_->CreateMessageWithPayload(message, payload, KV_PAYLOAD_NAMED_VALUE)) {
        static_cast<CKvNamedValue*>(payload)->SetText("IDENTIFIER",
                                                      " , , ," + targetnumber_ + ",");
        message->SetKindAndCommand(KV_MSG_KIND_INFO, KV_MSG_COMMAND_NOTIFICATION,
                                   KV_SUBCOMMAND_ONE_RECORD);
        message->SetAttribute(KV_MSG_ATTR_CLICKED);
        ++sequence_counter_;
        message->Send(KV_ENDPOINT_HOST_STATUS, kRequesterSourceEndpoint, router_,
                      sequence_counter_, true, false);
    }
    GoTo(KV_JOB_STATE_CLEANUP);
    return last_result_;
}

KvResult CKvJobDataTSPDial::StepExecutor() {
    last_result_ = KV_OK;
    if (state_ != KV_JOB_STATE_START) {
        StepCommon();
        return last_result_;
    }
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (IsValidPtr(router_) &&
        router_->CreateMessageWithPayload(message, payload, K_KVDT_TP_DTHDLR_DATACALL)) {
        auto* call = static_cast<CKvDataCall*>(payload);
        call->GetPhoneNumber().GetNumber() = targetnumber_;
        call->GetPhoneNumber().SetCategory(0);
        call->GetFlagCallOut().Set(1);
        message->SetKindAndCommand(KV_MSG_KIND_INFO, KV_MSG_COMMAND_NOTIFICATION,
                                   KV_SUBCOMMAND_ONE_RECORD);
        SendToHost(message, KV_ENDPOINT_CALL_WINDOW);
    }
    GoTo(KV_JOB_STATE_CLEANUP);
    return last_result_;
}
