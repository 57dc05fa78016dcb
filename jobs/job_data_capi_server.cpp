#include "jobs/job_data_capi_server.h"

#include "capi/capi_function_manager.h"
#include "core/node_text.h"
#include "jobs/job_element_xml.h"
#include "jobs/job_payloads.h"
#include "platform/number_parse.h"
#include "platform/pointer.h"

#include <array>
#include <bitset>

namespace {

constexpr std::string_view kElementName = "JobDataCAPIServer";
constexpr std::array<std::string_view, 4> kPeerKeys = {"loginname", "hostname", "hostip",
                                                       "portnumber"};

bool TimesOut(const CAPIFuncData& record) {
    return record.GetType() != CAPIFuncData::kWaitForSignal;
}

} // namespace

CKvJobDataCAPIServer::CKvJobDataCAPIServer() {
    type_code_ = K_KVJBDT_TP_CAPISERVER;
    state_ = KV_JOB_STATE_START;
    timers_.Add(kAnswerTimerId, kAnswerSeconds, 0);
}

CKvJobDataCAPIServer::~CKvJobDataCAPIServer() {
    FailEverything();
    LeaveRegistry();
}

CKvJobDataCAPIServer& CKvJobDataCAPIServer::CopyFrom(const CKvJobDataCAPIServer& other) {
    if (&other == this)
        return *this;
    idsource_ = other.idsource_;
    target_job_id_ = other.target_job_id_;
    originating_job_id_ = other.originating_job_id_;
    job_id_ = other.job_id_;
    sequence_counter_ = other.sequence_counter_;
    loginname_ = other.loginname_;
    transport_mode_ = other.transport_mode_;
    router_ = other.router_;
    endpoint_id_ = other.endpoint_id_;
    function_manager_id_ = other.function_manager_id_;
    local_ = other.local_;
    peer_ = other.peer_;
    if (other.carried_) {
        if (!carried_)
            carried_ = std::make_shared<CAPIFuncData>();
        carried_->CopyFrom(*other.carried_);
    }
    return *this;
}

// ---- XML ----

KvResult CKvJobDataCAPIServer::WriteXml(XmlNode* job_data) {
    XmlDocument& document = Document();
    XmlNode* element = nullptr;
    KvResult result = WriteJobElement(element, document, job_data, kElementName,
                                      {{"loginname", loginname_},
                                       {"hostname", peer_.GetName()},
                                       {"hostip", peer_.GetAddressText()},
                                       {"portnumber", peer_.GetPortText()}});
    if (result == KV_OK && carried_)
        result = carried_->WriteXml(&document, element);
    return result;
}

KvResult CKvJobDataCAPIServer::ReadXml(const XmlNode* job_data) {
    if (!IsValidPtr(job_data))
        return KV_E_INVALID_POINTER;
    XmlNode* element = nullptr;
    KvResult result = job_data->FindChild(element, kElementName);
    if (result != KV_OK)
        return result;
    std::bitset<kPeerKeys.size()> seen;
    bool has_record = false;
    std::string scratch;
    for (const XmlNode* child : element->GetChildList()) {
        if (!IsValidPtr(child)) {
            result = KV_E_INVALID_POINTER;
            continue;
        }
        const std::string_view name = child->GetName();
        if (name == "CAPIFuncData") {
            has_record = true;
            continue;
        }
        if (child->GetKind() != kXmlTextElement)
            continue;
        for (std::size_t i = 0; i < kPeerKeys.size(); ++i) {
            if (name == kPeerKeys[i] && ReadPeerKey(name, DecodedNodeText(*child, scratch)))
                seen.set(i);
        }
    }
    if (has_record) {
        if (!carried_)
            carried_ = std::make_shared<CAPIFuncData>();
        const KvResult read = carried_->ReadXml(element);
        if (read != KV_OK && result == KV_OK)
            result = read;
    }
    if (result == KV_OK && !seen.all())
        result = KV_E_FAIL;
    return result;
}

// ---- Shared ----

bool CKvJobDataCAPIServer::MatchesClientJob(const CKvJobData& client) const {
    const COMPUTER_IDENT& other = client.GetPeerComputer();
    return other.GetPort() == peer_.GetPort() && other.GetName() == peer_.GetName() &&
           other.GetAddress() == peer_.GetAddress() && client.GetLoginName() == loginname_;
}

void CKvJobDataCAPIServer::Fail(const Record& record) {
    if (!record)
        return;
    record->SetNotAvailableResult();
    record->SetFlagReturn(1);
    record->SignalCompleted();
}

CKvJobDataCAPIServer::Record CKvJobDataCAPIServer::TakeExpired() {
    Record expired = pending_.FindExpired();
    if (expired) {
        pending_.Remove(expired.get());
        expired->SetNotAvailableResult();
        expired->SetFlagReturn(1);
    }
    return expired;
}

void CKvJobDataCAPIServer::FailEverything() {
    pending_.FailAll();
    pending_.RemoveAll();
    for (auto& [ticket, record] : handed_over_)
        Fail(record);
    handed_over_.clear();
    if (carried_ && !carried_->IsCompleted())
        Fail(carried_);
    carried_.reset();
}

void CKvJobDataCAPIServer::LeaveRegistry() {
    if (filed_ && IsValidPtr(registry_) && registry_->Find(appl_id_) == this)
        registry_->Remove(appl_id_);
    filed_ = false;
}

KvResult CKvJobDataCAPIServer::HandOverCall(Record record) {
    if (!record)
        return KV_E_INVALID_POINTER;
    auto* message = new CKvMessage;
    message->SetHeader(KV_MSG_KIND_REQUEST, nullptr, CAPIFuncData::kTypeCode,
                       KV_MSG_COMMAND_NOTIFICATION, KV_SUBCOMMAND_ONE_RECORD,
                       KV_MSG_ATTR_UNSPECIFIED);
    message->SetJobIds(job_id_, 0, 0);
    const std::uint32_t ticket = ++next_ticket_;
    message->SetSpareWord(ticket);
    handed_over_.emplace(ticket, std::move(record));
    if (incoming_.Add(message, false) != KV_OK) {
        message->Release();
        auto found = handed_over_.find(ticket);
        Fail(found->second);
        handed_over_.erase(found);
        return KV_E_FAIL;
    }
    return KV_OK;
}

KvResult CKvJobDataCAPIServer::RequestFunctionManager() {
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!IsValidPtr(router_) ||
        !router_->CreateMessageWithPayload(message, payload, KV_PAYLOAD_CAPI_FUNCTION_MANAGER))
        return KV_E_OUT_OF_MEMORY;
    message->SetKindAndCommand(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_NOTIFICATION,
                               KV_SUBCOMMAND_ONE_RECORD);
    message->SetJobIds(0, job_id_, originating_job_id_);
    return SendToHost(message, KV_ENDPOINT_CAPI);
}

KvResult CKvJobDataCAPIServer::ForwardCall(const CAPIFuncData& record, std::uint32_t attribute) {
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!IsValidPtr(router_) ||
        !router_->CreateMessageWithPayload(message, payload, CAPIFuncData::kTypeCode))
        return KV_E_OUT_OF_MEMORY;
    static_cast<CAPIFuncData*>(payload)->CopyFrom(record);
    message->SetHeader(KV_MSG_KIND_REQUEST, payload, CAPIFuncData::kTypeCode,
                       KV_MSG_COMMAND_NOTIFICATION, KV_SUBCOMMAND_ONE_RECORD,
                       static_cast<std::int32_t>(attribute));
    message->SetJobIds(function_manager_id_, job_id_, originating_job_id_);
    return SendToHost(message, KV_ENDPOINT_CAPI);
}

KvResult CKvJobDataCAPIServer::EndFunctionManager() {
    // Without a manager there is nothing to end.
    if (function_manager_id_ == 0)
        return KV_OK;
    if (!IsValidPtr(router_))
        return KV_E_INVALID_POINTER;
    auto* message = new CKvMessage;
    message->SetHeader(KV_MSG_KIND_REQUEST, nullptr, CAPIFuncData::kTypeCode,
                       KV_MSG_COMMAND_NOTIFICATION, KV_SUBCOMMAND_ONE_RECORD, KV_MSG_ATTR_ENDED);
    message->SetJobIds(function_manager_id_, job_id_, originating_job_id_);
    return SendToHost(message, KV_ENDPOINT_CAPI);
}

// ---- Requester ----

KvResult CKvJobDataCAPIServer::StepRequester() {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        RequesterStart();
        break;
    case KV_JOB_STATE_WAITING_FOR_ANSWER:
        RequesterWaitForAnswer();
        break;
    case KV_JOB_STATE_RUNNING:
        RequesterServe();
        break;
    case kStateRelease:
        // The application released its ApplID: its other calls end here, and
        // the server hears it.
        FailEverything();
        LeaveRegistry();
        SetMessageType(KV_MSG_KIND_INFO, KV_MSG_ATTR_ENDED);
        Send();
        End();
        break;
    case KV_JOB_STATE_CLEANUP:
        FailEverything();
        LeaveRegistry();
        Finish();
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

bool CKvJobDataCAPIServer::HasClientJob() const {
    auto* client = IsValidPtr(handler_)
                       ? static_cast<CKvJobData*>(handler_->FirstJob(K_KVJBDT_TP_CLIENT))
                       : nullptr;
    return IsValidPtr(client) && client->GetState() == KV_JOB_STATE_RUNNING;
}

void CKvJobDataCAPIServer::RequesterStart() {
    DetachFromCarryingMessage();
    if (carried_ && IsValidPtr(registry_) && SendRequestViaClientJob() == KV_OK) {
        waiting_flag_ = 1;
        if (TimesOut(*carried_))
            carried_->StartTimeout();
        timers_.Start(kAnswerTimerId);
        GoTo(KV_JOB_STATE_WAITING_FOR_ANSWER);
        return;
    }
    End();
    Fail(carried_);
    carried_.reset();
}

void CKvJobDataCAPIServer::RequesterWaitForAnswer() {
    CKvMessage* message = nullptr;
    if (!incoming_.FindByPayloadType(message, K_KVJBDT_TP_CAPISERVER) || !IsValidPtr(message)) {
        waiting_flag_ = 1;
        if (timers_.CheckExpired(kAnswerTimerId)) {
            Fail(carried_);
            carried_.reset();
            End();
        }
        return;
    }
    auto* answer = static_cast<CKvJobDataCAPIServer*>(JobFromPayload(message->GetPayload()));
    if (!IsValidPtr(answer) || answer->GetSubType() != K_KVJBDT_TP_CAPISERVER ||
        message->GetKind() != KV_MSG_KIND_CONFIRMATION) {
        End();
    } else {
        timers_.Stop(kAnswerTimerId);
        SetIds(message->GetTargetJobId(), job_id_);
        if (carried_) {
            if (!answer->carried_ || answer->carried_->CopyResultTo(*carried_) == 0)
                carried_->SetNotAvailableResult();
            appl_id_ = static_cast<std::uint32_t>(carried_->GetApplicationId());
            carried_->SignalCompleted();
            carried_.reset();
        }
        if (message->GetAttribute() == KV_MSG_ATTR_ACCEPTED && appl_id_ != 0 &&
            registry_->Add(appl_id_, this) == KV_OK) {
            filed_ = true;
            GoTo(KV_JOB_STATE_RUNNING);
        } else {
            End();
        }
    }
    incoming_.DeleteAll();
}

void CKvJobDataCAPIServer::RequesterServe() {
    // Without the client job the server no longer serves this machine.
    if (!HasClientJob()) {
        FailEverything();
        LeaveRegistry();
        End();
        return;
    }
    if (incoming_.GetCount() == 0)
        waiting_flag_ = 1;
    while (CKvMessage* message = incoming_.FirstMessage()) {
        incoming_.Remove(message);
        if (state_ == KV_JOB_STATE_RUNNING) {
            if (message->GetPayloadType() == K_KVJBDT_TP_CAPISERVER)
                RequesterAnswer(*message);
            else if (message->GetPayloadType() == CAPIFuncData::kTypeCode)
                RequesterCall(*message);
        }
        message->Release();
    }
    if (state_ != KV_JOB_STATE_RUNNING)
        return;
    if (Record expired = TakeExpired())
        expired->SignalCompleted();
}

void CKvJobDataCAPIServer::RequesterAnswer(CKvMessage& message) {
    auto* answer = static_cast<CKvJobDataCAPIServer*>(JobFromPayload(message.GetPayload()));
    if (message.GetKind() == KV_MSG_KIND_CONFIRMATION && IsValidPtr(answer) && answer->carried_) {
        const Record& result = answer->carried_;
        Record waiting = pending_.Find(result->GetId());
        // An answer of another Type is not applied: the call stays pending.
        if (waiting && result->CopyResultTo(*waiting) != 0) {
            pending_.Remove(waiting.get());
            if (result->GetApplicationId() == 0)
                GoTo(kStateRelease);
            waiting->SignalCompleted();
        }
    }
    if (message.GetAttribute() == KV_MSG_ATTR_ENDED && state_ == KV_JOB_STATE_RUNNING) {
        FailEverything();
        LeaveRegistry();
        End();
    }
}

void CKvJobDataCAPIServer::RequesterCall(CKvMessage& message) {
    Record record;
    if (message.GetPayload() != nullptr) {
        // A record posted as a plain payload becomes the job's to share.
        record.reset(static_cast<CAPIFuncData*>(message.DetachPayload()));
    } else if (auto found = handed_over_.find(message.GetSpareWord());
               found != handed_over_.end()) {
        record = std::move(found->second);
        handed_over_.erase(found);
    }
    if (!record)
        return;
    last_result_ = pending_.Add(record);
    if (last_result_ != KV_OK) {
        Fail(record);
        return;
    }
    carried_ = record;
    SetMessageType(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED);
    if (Send() == KV_OK) {
        if (TimesOut(*record))
            record->StartTimeout();
    } else {
        pending_.Remove(record.get());
        Fail(record);
    }
    carried_.reset();
}

// ---- Executor ----

KvResult CKvJobDataCAPIServer::StepExecutor() {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        ExecutorStart();
        break;
    case kStateRefuse:
        if (carried_) {
            carried_->SetFlagReturn(1);
            carried_->SetNotAvailableResult();
        }
        AnswerRequester(KV_MSG_ATTR_REFUSED, carried_);
        carried_.reset();
        End();
        break;
    case KV_JOB_STATE_WAITING_FOR_ANSWER:
        ExecutorWaitForManager();
        break;
    case KV_JOB_STATE_RUNNING:
        ExecutorServe();
        break;
    case kStateRelease:
        EndFunctionManager();
        TellRequesterEnded();
        End();
        break;
    case kStateWaitForManagerEnd:
        while (CKvMessage* message = incoming_.FirstMessage()) {
            incoming_.Remove(message);
            if (message->GetPayloadType() == KV_PAYLOAD_CAPI_FUNCTION_MANAGER &&
                message->GetAttribute() == KV_MSG_ATTR_ENDED)
                End();
            message->Release();
        }
        if (state_ == kStateWaitForManagerEnd && timers_.CheckExpired(kAnswerTimerId))
            End();
        break;
    case KV_JOB_STATE_CLEANUP:
        // What the function manager still holds is no one's any more.
        pending_.RemoveAll();
        carried_.reset();
        Finish();
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

bool CKvJobDataCAPIServer::HasMatchingClient() const {
    const CKvJobMap* clients =
        IsValidPtr(handler_) ? handler_->FindJobsOfType(K_KVJBDT_TP_CLIENT) : nullptr;
    if (clients == nullptr)
        return false;
    for (const auto& entry : *clients) {
        auto* client = static_cast<const CKvJobData*>(entry.second);
        if (IsValidPtr(client) && client->GetState() != KV_JOB_STATE_FINISHED &&
            MatchesClientJob(*client))
            return true;
    }
    return false;
}

void CKvJobDataCAPIServer::ExecutorStart() {
    requester_id_ = idsource_;
    if (!carried_ || !HasMatchingClient()) {
        GoTo(kStateRefuse);
        return;
    }
    if (RequestFunctionManager() != KV_OK) {
        GoTo(kStateRefuse);
        return;
    }
    waiting_flag_ = 1;
    timers_.Start(kAnswerTimerId);
    GoTo(KV_JOB_STATE_WAITING_FOR_ANSWER);
}

void CKvJobDataCAPIServer::ExecutorWaitForManager() {
    CKvMessage* message = nullptr;
    if (incoming_.FindByPayloadType(message, KV_PAYLOAD_CAPI_FUNCTION_MANAGER) &&
        IsValidPtr(message) && message->GetAttribute() == KV_MSG_ATTR_ACCEPTED) {
        auto* manager = static_cast<CapiFunctionManager*>(message->GetPayload());
        function_manager_id_ =
            IsValidPtr(manager) ? manager->GetJobId() : message->GetTargetJobId();
        incoming_.DeleteAll();
        DetachFromCarryingMessage();
        timers_.Stop(kAnswerTimerId);
        GoTo(KV_JOB_STATE_RUNNING);
        // The first call travelled with the job itself.
        Record first = std::move(carried_);
        ExecutorCall(std::move(first));
        return;
    }
    incoming_.DeleteAll();
    waiting_flag_ = 1;
    if (timers_.CheckExpired(kAnswerTimerId))
        GoTo(kStateRelease);
}

void CKvJobDataCAPIServer::ExecutorServe() {
    if (!HasMatchingClient()) {
        GoTo(kStateRelease);
        return;
    }
    if (incoming_.GetCount() == 0)
        waiting_flag_ = 1;
    while (CKvMessage* message = incoming_.FirstMessage()) {
        incoming_.Remove(message);
        const std::int32_t type = message->GetPayloadType();
        const std::int32_t attribute = message->GetAttribute();
        if (state_ != KV_JOB_STATE_RUNNING) {
            // Left for the release and clean-up states.
        } else if (type == K_KVJBDT_TP_CAPISERVER) {
            auto* call = static_cast<CKvJobDataCAPIServer*>(JobFromPayload(message->GetPayload()));
            if (attribute == KV_MSG_ATTR_ENDED)
                GoTo(kStateRelease);
            else if (IsValidPtr(call) && call->carried_)
                ExecutorCall(std::move(call->carried_));
        } else if ((type == KV_PAYLOAD_CAPI_FUNCTION_MANAGER ||
                    type == CAPIFuncData::kTypeCode) &&
                   attribute == KV_MSG_ATTR_ENDED) {
            TellRequesterEnded();
            End();
        } else if (type == CAPIFuncData::kTypeCode) {
            ExecutorAnswer(*message);
        }
        message->Release();
    }
    if (state_ != KV_JOB_STATE_RUNNING)
        return;
    if (Record expired = TakeExpired())
        AnswerRequester(KV_MSG_ATTR_TIMEOUT, std::move(expired));
}

void CKvJobDataCAPIServer::ExecutorCall(Record record) {
    if (!record)
        return;
    // A repeated Id or one call too many is answered at once: the requester
    // completes such answers, and nothing is left without an owner.
    if (pending_.Count() >= kMaxPendingCalls || pending_.Find(record->GetId())) {
        record->SetNotAvailableResult();
        record->SetFlagReturn(1);
        AnswerRequester(KV_MSG_ATTR_TIMEOUT, std::move(record));
        return;
    }
    pending_.Add(record);
    last_result_ = ForwardCall(*record, KV_MSG_ATTR_UNSPECIFIED);
    if (TimesOut(*record))
        record->StartTimeout();
}

void CKvJobDataCAPIServer::ExecutorAnswer(CKvMessage& message) {
    auto* executed = static_cast<CAPIFuncData*>(message.GetPayload());
    if (!IsValidPtr(executed))
        return;
    Record waiting = pending_.Take(executed->GetId());
    if (!waiting)
        return;
    Record answer(static_cast<CAPIFuncData*>(message.DetachPayload()));
    answer->SetFlagReturn(1);
    appl_id_ = static_cast<std::uint32_t>(answer->GetApplicationId());
    AnswerRequester(KV_MSG_ATTR_ACCEPTED, std::move(answer));
}

void CKvJobDataCAPIServer::AnswerRequester(std::uint32_t attribute, Record record) {
    carried_ = std::move(record);
    // The confirmation's swap makes the requester the text's idtarget.
    SetIds(job_id_, requester_id_);
    SetMessageType(KV_MSG_KIND_CONFIRMATION, attribute);
    Send();
    carried_.reset();
}

void CKvJobDataCAPIServer::TellRequesterEnded() {
    SetIds(requester_id_, job_id_);
    SetMessageType(KV_MSG_KIND_INFO, KV_MSG_ATTR_ENDED);
    Send();
}
