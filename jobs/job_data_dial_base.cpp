#include "jobs/job_data_dial_base.h"

#include "capi/capi_transfer_manager.h"
#include "data/data_general.h"
#include "data/data_host.h"
#include "data/data_server_user.h"
#include "data/dialling_settings.h"
#include "jobs/job_data_root.h"
#include "jobs/job_element_xml.h"
#include "jobs/job_payloads.h"
#include "platform/pointer.h"

namespace {

constexpr std::string_view kElementName = "JobDataDial";

bool IsEndOfCall(std::int32_t attribute) {
    return attribute == KV_MSG_ATTR_REFUSED || attribute == KV_MSG_ATTR_ENDED ||
           attribute == KV_MSG_ATTR_SHUTDOWN;
}

} // namespace

CKvJobDataDialBase::CKvJobDataDialBase(std::uint32_t type_code) {
    type_code_ = type_code;
    state_ = KV_JOB_STATE_START;
    timers_.Add(kAnswerTimerId, kAnswerSeconds, 0);
}

CKvJobDataDialBase::~CKvJobDataDialBase() = default;

std::string CKvJobDataDialBase::GetKey() const {
    return call_.GetLastName() + "," + call_.GetFirstName() + "," + call_.GetCompanyName() + "," +
           call_.GetPhoneNumber().GetNumber();
}

void CKvJobDataDialBase::CopyDialFields(const CKvJobDataDialBase& other) {
    idsource_ = other.idsource_;
    state_ = other.state_;
    sequence_counter_ = other.sequence_counter_;
    cti_number_ = other.cti_number_;
    call_.GetPhoneNumber().GetNumber() = other.call_.GetPhoneNumber().GetNumber();
    source_number_ = other.source_number_;
    flag_automatic_line_ = other.flag_automatic_line_;
    flag_cti_target_automatic_line_ = other.flag_cti_target_automatic_line_;
    flag_source_automatic_line_ = other.flag_source_automatic_line_;
    internal_prefix_ = other.internal_prefix_;
    internal_suffix_ = other.internal_suffix_;
    external_prefix_ = other.external_prefix_;
    external_suffix_ = other.external_suffix_;
    rules_ = other.rules_;
    linked_call_.reset();
    if (other.linked_call_) {
        linked_call_ = std::make_unique<CKvDataCall>();
        *linked_call_ = *other.linked_call_;
    }
}

void CKvJobDataDialBase::ResetDialFields() {
    state_ = KV_JOB_STATE_START;
    idsource_ = 0;
    cti_number_.clear();
    source_number_.clear();
    flag_automatic_line_ = 0;
    flag_cti_target_automatic_line_ = 0;
    flag_source_automatic_line_ = 0;
    internal_prefix_.clear();
    internal_suffix_.clear();
    external_prefix_.clear();
    external_suffix_.clear();
    rules_.Reset();
    call_.Reset();
}

// ---- Messages ----

void CKvJobDataDialBase::Answer(std::uint32_t attribute) {
    // The requester learns this job's id from the confirmation's swap.
    SetIds(job_id_, idsource_);
    SetMessageType(KV_MSG_KIND_CONFIRMATION, attribute);
    Send();
}

void CKvJobDataDialBase::Refuse() {
    if (messagetype_ != KV_MSG_KIND_REQUEST)
        return;
    // The step still reports why the job ended.
    const KvResult reason = last_result_;
    Answer(KV_MSG_ATTR_REFUSED);
    last_result_ = reason;
}

KvResult CKvJobDataDialBase::ReportCallState(std::uint32_t state) {
    last_result_ = KV_OK;
    if (!linked_call_)
        return last_result_;
    linked_call_->GetPhoneNumber().SetState(state);
    if (!IsValidPtr(carrying_message_) || !IsValidPtr(router_))
        return last_result_;
    CKvMessage* report = nullptr;
    if (carrying_message_->CloneHeader(report) != KV_OK || report == nullptr)
        return last_result_;
    auto* copy = new CKvDataCall;
    *copy = *linked_call_;
    report->SetHeader(KV_MSG_KIND_INFO, copy, K_KVDT_TP_DTHDLR_DATACALL,
                      KV_MSG_COMMAND_NOTIFICATION, KV_SUBCOMMAND_ONE_RECORD,
                      KV_MSG_ATTR_UNSPECIFIED);
    report->SwapJobIds();
    report->SetTargetJobId(job_id_);
    last_result_ = SendToHost(report, carrying_message_->GetSourceEndpoint());
    return last_result_;
}

void CKvJobDataDialBase::SendAcceptanceToOriginator() {
    if (!IsValidPtr(carrying_message_) || !IsValidPtr(router_))
        return;
    CKvMessage* acceptance = nullptr;
    if (carrying_message_->CloneHeader(acceptance) != KV_OK || acceptance == nullptr)
        return;
    acceptance->SetPayloadType(K_KVDT_TP_DTHDLR_DATACALL);
    acceptance->SetAttribute(KV_MSG_ATTR_ACCEPTED);
    acceptance->SendConfirmation(endpoint_id_, router_, true);
}

KvResult CKvJobDataDialBase::PostHostRecord() {
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!IsValidPtr(router_) ||
        !router_->CreateMessageWithPayload(message, payload, K_KVDT_TP_DTHDLR_DATACOMPUTER))
        return KV_E_OUT_OF_MEMORY;
    auto* host = static_cast<CKvDataHost*>(payload);
    host->GetHost().SetName(peer_.GetName().c_str());
    host->GetHost().SetAddress(peer_.GetAddress());
    message->SetKindAndCommand(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_DATA, KV_SUBCOMMAND_ONE_RECORD);
    message->SetJobIds(0, job_id_, originating_job_id_);
    return SendToHost(message, KV_ENDPOINT_HOST_MAIN);
}

KvResult CKvJobDataDialBase::PostLoginRecord() {
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!IsValidPtr(router_) ||
        !router_->CreateMessageWithPayload(message, payload, K_KVDT_TP_DTHDLR_DATASERVERUSER))
        return KV_E_OUT_OF_MEMORY;
    static_cast<CKvDataServerUser*>(payload)->GetLoginName() = loginname_;
    message->SetKindAndCommand(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_DATA, KV_SUBCOMMAND_ONE_RECORD);
    message->SetJobIds(0, job_id_, job_id_);
    return SendToHost(message, KV_ENDPOINT_HOST_MAIN);
}

void CKvJobDataDialBase::TakeGeneralSettings(CKvDataGeneral& general) {
    flag_automatic_line_ = general.GetFlagAutomaticLine() ? 1 : 0;
    internal_prefix_ = general.GetInternPrefixDigit();
    internal_suffix_ = general.GetInternSuffixDigit();
    external_prefix_ = general.GetExternPrefixDigit();
    external_suffix_ = general.GetExternSuffixDigit();
    source_number_ = general.GetIsdnCardNumber();
    TakeDiallingRules(rules_, general);
    flag_cti_target_automatic_line_ = 0;
    flag_source_automatic_line_ = flag_automatic_line_;
    rules_.ModeFlag() = static_cast<std::int32_t>(flag_automatic_line_);
}

KvResult CKvJobDataDialBase::SendTransferRequest() {
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!IsValidPtr(router_))
        return KV_E_INVALID_POINTER;
    if (!router_->CreateMessageWithPayload(message, payload, KV_PAYLOAD_CAPI_TRANSFER_MANAGER))
        return KV_E_OUT_OF_MEMORY;
    auto* manager = static_cast<CapiTransferManager*>(payload);
    const std::string& target = GetTargetNumber();
    manager->SetCallingNumber(cti_number_);
    manager->SetText1(source_number_);
    manager->SetCalledNumber(target);
    *manager->GetTargetNumbers() = rules_.IsInternalNumber(target) ? 1 : 0;
    message->SetKindAndCommand(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_NOTIFICATION,
                               KV_SUBCOMMAND_ONE_RECORD);
    message->SetJobIds(0, job_id_, job_id_);
    return SendToHost(message, KV_ENDPOINT_CAPI);
}

KvResult CKvJobDataDialBase::SendManagerShutdown() {
    if (partner_job_id_ == 0)
        return KV_OK;
    if (!IsValidPtr(router_))
        return KV_E_INVALID_POINTER;
    auto* message = new CKvMessage;
    message->SetHeader(KV_MSG_KIND_INFO, nullptr, KV_PAYLOAD_CAPI_TRANSFER_MANAGER,
                       KV_MSG_COMMAND_NOTIFICATION, KV_SUBCOMMAND_ONE_RECORD,
                       KV_MSG_ATTR_SHUTDOWN);
    message->SetJobIds(partner_job_id_, job_id_, job_id_);
    const KvResult sent = SendToHost(message, KV_ENDPOINT_CAPI);
    if (sent == KV_OK)
        partner_job_id_ = 0;
    return sent;
}

KvResult CKvJobDataDialBase::RequestTransferManager() {
    CKvJobDataRoot* root = IsValidPtr(handler_) ? CKvJobDataRoot::FindFirst(*handler_) : nullptr;
    if (root == nullptr || root->GetGeneralSettings() == nullptr)
        return KV_E_FAIL;
    TakeGeneralSettings(*root->GetGeneralSettings());
    // A failed preparation leaves the numbers as they were; the call goes on.
    PrepareNumbers();
    return SendTransferRequest();
}

// ---- Machines ----

void CKvJobDataDialBase::StartCheck(std::uint32_t next) {
    DetachFromCarryingMessage();
    const CKvJobMap* jobs = IsValidPtr(handler_) ? handler_->FindJobsOfType(type_code_) : nullptr;
    if (jobs == nullptr) {
        last_result_ = KV_E_INVALID_POINTER;
        End();
        return;
    }
    const std::size_t count = jobs->GetCount();
    if (count > kMaxJobs) {
        last_result_ = KV_E_LIST_FULL;
        End();
        return;
    }
    const std::string key = GetKey();
    for (const auto& entry : *jobs) {
        auto* other = static_cast<CKvJobDataDialBase*>(entry.second);
        if (other != this && IsValidPtr(other) && other->GetKey() == key) {
            last_result_ = KV_E_FAIL;
            End();
            return;
        }
    }
    GoTo(next);
}

KvResult CKvJobDataDialBase::RunRequester(bool acceptance_to_originator) {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        StartCheck(kStateRequestManager);
        break;
    case kStateRequestManager:
        if (SendRequestViaClientJob() != KV_OK) {
            End();
            break;
        }
        waiting_flag_ = 1;
        timers_.Start(kAnswerTimerId);
        GoTo(KV_JOB_STATE_WAITING_FOR_ANSWER);
        break;
    case KV_JOB_STATE_WAITING_FOR_ANSWER:
        if (CKvMessage* message = FindAnswer(static_cast<std::int32_t>(type_code_))) {
            CKvJobData* answer = JobFromPayload(message->GetPayload());
            if (!IsValidPtr(answer) || answer->GetSubType() != type_code_ ||
                message->GetAttribute() != KV_MSG_ATTR_ACCEPTED) {
                End();
            } else {
                const std::uint32_t executor = message->GetTargetJobId();
                SetIds(executor, job_id_);
                if (acceptance_to_originator)
                    SendAcceptanceToOriginator();
                partner_job_id_ = executor;
                ReportCallState(kPhoneIdle);
                timers_.Restart(kAnswerTimerId, kFollowSeconds, 0);
                GoTo(KV_JOB_STATE_RUNNING);
            }
        }
        FinishWait(KV_JOB_STATE_WAITING_FOR_ANSWER, false, false);
        break;
    case KV_JOB_STATE_RUNNING:
        ScanReports(static_cast<std::int32_t>(type_code_), false);
        if (timers_.CheckExpired(kAnswerTimerId))
            GoTo(KV_JOB_STATE_STOP_REQUESTED);
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        if (partner_job_id_ != 0) {
            SetMessageType(KV_MSG_KIND_INFO, KV_MSG_ATTR_SHUTDOWN);
            Send();
            partner_job_id_ = 0;
        }
        End();
        break;
    case KV_JOB_STATE_CLEANUP:
        incoming_.DeleteAll();
        ReportCallState(kPhoneDisconnected);
        GoTo(KV_JOB_STATE_FINISHED);
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

void CKvJobDataDialBase::ScanReports(std::int32_t reporter_type, bool own_type_shutdown) {
    while (CKvMessage* message = incoming_.FirstMessage()) {
        incoming_.Remove(message);
        const std::int32_t type = message->GetPayloadType();
        const std::int32_t attribute = message->GetAttribute();
        if (attribute == KV_MSG_ATTR_SHUTDOWN &&
            (type == K_KVDT_TP_DTHDLR_DATACALL ||
             (own_type_shutdown && type == static_cast<std::int32_t>(type_code_)))) {
            GoTo(KV_JOB_STATE_STOP_REQUESTED);
        } else if (type == reporter_type && IsEndOfCall(attribute)) {
            partner_job_id_ = 0;
            End();
            message->Release();
            break;
        } else if (type == reporter_type && attribute == KV_MSG_ATTR_CALL_CONNECTED) {
            ReportCallState(kPhoneConnected);
        } else if (type == reporter_type && attribute == KV_MSG_ATTR_CALL_ECT_ESTABLISHED) {
            ReportCallState(kPhoneAlertingOut);
        }
        message->Release();
    }
    incoming_.DeleteAll();
    waiting_flag_ = 1;
}

void CKvJobDataDialBase::ScanManagerAnswers() {
    while (CKvMessage* message = incoming_.FirstMessage()) {
        incoming_.Remove(message);
        const std::int32_t type = message->GetPayloadType();
        const std::int32_t attribute = message->GetAttribute();
        if (type == KV_PAYLOAD_CAPI_TRANSFER_MANAGER && IsEndOfCall(attribute)) {
            Answer(static_cast<std::uint32_t>(attribute));
            partner_job_id_ = 0;
            End();
            message->Release();
            break;
        }
        if (type == KV_PAYLOAD_CAPI_TRANSFER_MANAGER &&
            (attribute == KV_MSG_ATTR_CALL_CONNECTED ||
             attribute == KV_MSG_ATTR_CALL_ECT_ESTABLISHED))
            Answer(static_cast<std::uint32_t>(attribute));
        else if (type == static_cast<std::int32_t>(type_code_) &&
                 attribute == KV_MSG_ATTR_SHUTDOWN)
            GoTo(KV_JOB_STATE_STOP_REQUESTED);
        message->Release();
    }
    incoming_.DeleteAll();
    waiting_flag_ = 1;
}

CKvMessage* CKvJobDataDialBase::FindAnswer(std::int32_t type) {
    CKvMessage* message = nullptr;
    if (incoming_.FindByPayloadType(message, type) && IsValidPtr(message))
        return message;
    waiting_flag_ = 1;
    return nullptr;
}

void CKvJobDataDialBase::FinishWait(std::uint32_t state, bool any_timer, bool refuse) {
    incoming_.DeleteAll();
    if (state_ == state && (any_timer ? AnyTimerExpired() : timers_.CheckExpired(kAnswerTimerId)))
        End();
    if (refuse && state_ == KV_JOB_STATE_CLEANUP)
        Refuse();
}

void CKvJobDataDialBase::ExecutorWaitForManager(bool any_timer, bool refuse_when_bounded) {
    if (CKvMessage* message = FindAnswer(KV_PAYLOAD_CAPI_TRANSFER_MANAGER)) {
        if (message->GetAttribute() == KV_MSG_ATTR_ACCEPTED) {
            partner_job_id_ = message->GetTargetJobId();
            if (messagetype_ == KV_MSG_KIND_REQUEST)
                Answer(KV_MSG_ATTR_ACCEPTED);
            GoTo(KV_JOB_STATE_RUNNING);
        } else {
            Refuse();
            End();
        }
    }
    FinishWait(KV_JOB_STATE_WAITING_FOR_ANSWER, any_timer, refuse_when_bounded);
}

// ---- XML ----

KvResult CKvJobDataDialBase::WriteDialElement(XmlNode* job_data, bool with_cti_target) {
    std::vector<JobElementChild> children = {
        {"loginname", loginname_},
        {"hostname", peer_.GetName()},
        {"hostip", peer_.GetAddressText()},
        {"portnumber", peer_.GetPortText()},
        {"targetnumber", GetTargetNumber()},
    };
    if (with_cti_target)
        children.emplace_back("ctitargetnumber", cti_number_);
    XmlNode* element = nullptr;
    return WriteJobElement(element, Document(), job_data, kElementName, idsource_, children);
}
