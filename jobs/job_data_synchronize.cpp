#include "jobs/job_data_synchronize.h"

#include "core/record_xml.h"
#include "data/data_preferences.h"
#include "jobs/job_payloads.h"
#include "platform/number_parse.h"
#include "platform/pointer.h"
#include "platform/text.h"

#include <array>
#include <vector>

namespace {

constexpr std::string_view kElementName = "JobDataClient";
constexpr std::string_view kCallElementName = "DATACALL";

} // namespace

CKvJobDataSynchronize::CKvJobDataSynchronize() {
    type_code_ = K_KVJBDT_TP_SYNCHRONIZE;
    state_ = KV_JOB_STATE_START;
    datetimestart_.Clear();
    datetimeend_.Clear();
    timers_.Add(kAnswerTimerId, kAnswerSeconds, 0);
}

CKvJobDataSynchronize::~CKvJobDataSynchronize() = default;

CKvJobDataSynchronize& CKvJobDataSynchronize::CopyFrom(const CKvJobDataSynchronize& other) {
    if (&other == this)
        return *this;
    CKvJobData::CopyFrom(other);
    call_.reset();
    if (other.call_) {
        call_ = std::make_unique<CKvDataCall>();
        *call_ = *other.call_;
    }
    datetimestart_ = other.datetimestart_;
    datetimeend_ = other.datetimeend_;
    server_user_.reset();
    if (other.server_user_)
        other.server_user_->CreateCopy(server_user_);
    return *this;
}

// ---- XML ----

KvResult CKvJobDataSynchronize::WriteXml(XmlNode* job_data) {
    if (!IsValidPtr(job_data))
        return KV_E_INVALID_POINTER;
    XmlDocument& document = Document();
    XmlNode* element = nullptr;
    KvResult result = AddRecordElement(element, document, job_data, kElementName);
    if (result != KV_OK)
        return result;
    std::string port;
    std::string count;
    std::string index;
    std::string start;
    std::string end;
    AssignUnsigned(port, peer_.GetPort());
    AssignUnsigned(count, setcount_);
    AssignUnsigned(index, setindex_);
    datetimestart_.GetText(start);
    datetimeend_.GetText(end);
    const std::array<std::pair<const char*, std::string_view>, 8> children = {{
        {"loginname", loginname_},
        {"hostname", peer_.GetName()},
        {"hostip", peer_.GetAddressText()},
        {"portnumber", port},
        {"setcount", count},
        {"setindex", index},
        {"datetimestart", start},
        {"datetimeend", end},
    }};
    for (const auto& [name, text] : children) {
        XmlNode* child = nullptr;
        result = document.AddTextElement(child, element, name, text, TRUE);
        if (result != KV_OK)
            return result;
    }
    if (!call_)
        return KV_OK;
    XmlNode* call = nullptr;
    return call_->WriteXml(call, document, element);
}

KvResult CKvJobDataSynchronize::ReadXml(const XmlNode* job_data) {
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
        const std::string_view name = child->GetName();
        if (child->GetKind() == kXmlElement && name == kCallElementName) {
            // A second call overwrites the first.
            if (!call_)
                call_ = std::make_unique<CKvDataCall>();
            call_->ReadXml(child);
            continue;
        }
        if (child->GetKind() != kXmlElement && child->GetKind() != kXmlTextElement)
            continue;
        child->GetText(text);
        if (ReadPeerKey(name, text))
            continue;
        if (name == "datetimestart")
            datetimestart_.SetFromText(text);
        else if (name == "datetimeend")
            datetimeend_.SetFromText(text);
        else if (name == "setcount")
            setcount_ = ParseUInt32(text);
        else if (name == "setindex")
            setindex_ = ParseUInt32(text);
    }
    return result;
}

// ---- Helpers ----

CKvJobDataSynchronize* CKvJobDataSynchronize::FirstRecord(CKvMessage*& message) {
    return static_cast<CKvJobDataSynchronize*>(FirstReceivedJob(message, K_KVJBDT_TP_SYNCHRONIZE));
}

void CKvJobDataSynchronize::Answer(std::uint32_t messagetype, std::uint32_t attribute) {
    SetMessageType(messagetype, attribute);
    Send();
}

KvResult CKvJobDataSynchronize::RequestServerUser() {
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

KvResult CKvJobDataSynchronize::SetCallQuery() {
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!IsValidPtr(router_) ||
        !router_->CreateMessageWithPayload(message, payload, K_KVDT_TP_DTHDLR_DATACALL))
        return KV_E_OUT_OF_MEMORY;
    auto* query = static_cast<CKvDataCall*>(payload);
    query->GetNamedFields().SetNameList(kQueryFields);
    TimeDate& start = query->GetStartTime();
    start.SetNow();
    start.SetFurtherWords(datetimestart_.GetSeconds(), datetimestart_.GetMilliseconds());
    query->GetFlagCallOut().Set(0);
    message->SetKindAndCommand(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_DATA, kSubCommandCallQuery);
    message->SetJobIds(0, job_id_, originating_job_id_);
    return SendToHost(message, KV_ENDPOINT_HOST_MAIN);
}

KvResult CKvJobDataSynchronize::FilterCallsByDevice() {
    if (!IsValidPtr(server_user_.get()) || !IsValidPtr(call_store_.get()))
        return KV_E_INVALID_POINTER;
    BoundedStringList& devices = server_user_->GetDeviceNumberList();
    std::vector<CKvDataHandler*> unmatched;
    CKvDataHandlerStore::Position position;
    call_store_->GetStartPosition(&position);
    while (CKvDataHandler* record = call_store_->GetNext(&position)) {
        auto* call = static_cast<CKvDataCall*>(record);
        if (!devices.Contains(call->GetNumberInt()))
            unmatched.push_back(record);
    }
    for (CKvDataHandler* record : unmatched)
        call_store_->RemoveAndDelete(record);
    return KV_OK;
}

// ---- Client side ----

KvResult CKvJobDataSynchronize::CheckRootJob() {
    last_result_ = KV_OK;
    waiting_flag_ = 0;
    switch (state_) {
    case KV_JOB_STATE_START:
        ClientPreferences();
        break;
    case KV_JOB_STATE_WAITING_FOR_ANSWER:
        ClientWaitForRange();
        break;
    case kStateNextCall:
        ClientNextCall();
        break;
    case kStateWaitingForCall:
        ClientWaitForCall();
        break;
    case kStateCallKnown:
        ClientCallKnown();
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

void CKvJobDataSynchronize::ClientPreferences() {
    CKvMessage* answer = nullptr;
    if (RequestRecord(answer, KV_MSG_COMMAND_DATA, KV_ENDPOINT_HOST_MAIN, 0, nullptr,
                      K_KVDT_TP_DTHDLR_DATAPREFERENCES) != KV_OK) {
        GoTo(KV_JOB_STATE_CLEANUP);
        return;
    }
    if (answer == nullptr)
        return;
    auto* preferences = static_cast<CKvDataPreferences*>(answer->GetPayload());
    if (answer->GetAttribute() != KV_MSG_ATTR_DATA_FOUND || !IsValidPtr(preferences)) {
        answer->Release();
        GoTo(KV_JOB_STATE_CLEANUP);
        return;
    }
    DetachFromCarryingMessage();
    datetimestart_ = preferences->GetDateTimeLastCallIn();
    datetimestart_.AddMillisecond();
    answer->Release();
    SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 0, job_id_);
    if (Send() != KV_OK) {
        GoTo(KV_JOB_STATE_CLEANUP);
        return;
    }
    waiting_flag_ = 1;
    timers_.Start(kAnswerTimerId);
    GoTo(KV_JOB_STATE_WAITING_FOR_ANSWER);
}

void CKvJobDataSynchronize::ClientWaitForRange() {
    CKvMessage* message = nullptr;
    CKvJobDataSynchronize* record = FirstRecord(message);
    if (message != nullptr) {
        if (record != nullptr && record->GetMessageType() == KV_MSG_KIND_CONFIRMATION &&
            record->GetAttribute() == KV_MSG_ATTR_ACCEPTED) {
            target_job_id_ = record->GetIdSource();
            datetimestart_ = record->datetimestart_;
            datetimeend_ = record->datetimeend_;
            setcount_ = record->setcount_;
            GoTo(kStateNextCall);
        } else {
            GoTo(KV_JOB_STATE_CLEANUP);
        }
    }
    FinishWait(KV_JOB_STATE_WAITING_FOR_ANSWER, KV_JOB_STATE_CLEANUP);
}

void CKvJobDataSynchronize::ClientNextCall() {
    ++setindex_;
    if (setindex_ > setcount_) {
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
        return;
    }
    SetMessageType(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_DATA_REQUEST);
    if (Send() != KV_OK) {
        GoTo(KV_JOB_STATE_CLEANUP);
        return;
    }
    waiting_flag_ = 1;
    timers_.Start(kAnswerTimerId);
    GoTo(kStateWaitingForCall);
}

void CKvJobDataSynchronize::ClientWaitForCall() {
    CKvMessage* message = nullptr;
    CKvJobDataSynchronize* record = FirstRecord(message);
    if (message != nullptr) {
        if (record != nullptr && record->GetMessageType() == KV_MSG_KIND_CONFIRMATION &&
            record->GetAttribute() == KV_MSG_ATTR_DATA_FOUND && record->call_) {
            call_ = std::move(record->call_);
            // Does the journal know the call? It is asked by start time.
            CKvMessage* query = nullptr;
            void* payload = nullptr;
            if (!IsValidPtr(router_) ||
                !router_->CreateMessageWithPayload(query, payload, K_KVDT_TP_DTHDLR_DATACALL)) {
                GoTo(KV_JOB_STATE_CLEANUP);
            } else {
                auto* asked = static_cast<CKvDataCall*>(payload);
                asked->GetStartTime() = call_->GetStartTime();
                asked->FormatStartTime();
                query->SetKindAndCommand(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_DATA,
                                         KV_SUBCOMMAND_ONE_RECORD);
                query->SetJobIds(0, job_id_, originating_job_id_);
                if (SendToHost(query, KV_ENDPOINT_HOST_MAIN) == KV_OK) {
                    timers_.Start(kAnswerTimerId);
                    GoTo(kStateCallKnown);
                } else {
                    GoTo(KV_JOB_STATE_CLEANUP);
                }
            }
        } else {
            GoTo(KV_JOB_STATE_CLEANUP);
        }
    }
    FinishWait(kStateWaitingForCall, KV_JOB_STATE_STOP_REQUESTED);
}

void CKvJobDataSynchronize::ClientCallKnown() {
    CKvMessage* message = nullptr;
    if (incoming_.FindByPayloadType(message, K_KVDT_TP_DTHDLR_DATACALL) && message != nullptr) {
        if (!IsValidPtr(message) || !IsValidPtr(message->GetPayload()) ||
            message->GetKind() != KV_MSG_KIND_CONFIRMATION) {
            GoTo(KV_JOB_STATE_CLEANUP);
        } else {
            timers_.Stop(kAnswerTimerId);
            if (message->GetAttribute() == KV_MSG_ATTR_DATA_FOUND) {
                call_.reset();
            } else if (call_) {
                incoming_.Remove(message);
                call_->GetReportMarker() = 1;
                message->SetKindAndCommand(KV_MSG_KIND_INFO, KV_MSG_COMMAND_NOTIFICATION,
                                           KV_SUBCOMMAND_ONE_RECORD);
                message->SetAttribute(KV_MSG_ATTR_UNSPECIFIED);
                message->SetPayload(call_.release());
                SendToHost(message, KV_ENDPOINT_CALL_WINDOW);
            }
            GoTo(kStateNextCall);
        }
    }
    FinishWait(kStateCallKnown, KV_JOB_STATE_CLEANUP);
}

KvResult CKvJobDataSynchronize::StepRequester() {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        SetSubState(0);
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

// ---- Server side ----

KvResult CKvJobDataSynchronize::StepExecutor() {
    last_result_ = KV_OK;
    waiting_flag_ = 0;
    switch (state_) {
    case KV_JOB_STATE_START:
        ServerStart();
        break;
    case kStateServerUser:
        ServerWaitForUser();
        break;
    case kStateSelectedCalls:
        ServerWaitForCalls();
        break;
    case KV_JOB_STATE_RUNNING:
        ServerServing();
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

void CKvJobDataSynchronize::ServerStart() {
    if (messagetype_ != KV_MSG_KIND_REQUEST) {
        GoTo(KV_JOB_STATE_CLEANUP);
        return;
    }
    const std::string login = loginname_;
    CollectLocalIdentity();
    loginname_ = login;
    if (RequestServerUser() != KV_OK) {
        GoTo(KV_JOB_STATE_CLEANUP);
        return;
    }
    timers_.Start(kAnswerTimerId);
    GoTo(kStateServerUser);
}

void CKvJobDataSynchronize::ServerWaitForUser() {
    for (CKvMessage* message : incoming_.TakeAll()) {
        if (state_ == kStateServerUser &&
            message->GetPayloadType() == K_KVDT_TP_DTHDLR_DATASERVERUSER) {
            const std::int32_t attribute = message->GetAttribute();
            if (attribute == KV_MSG_ATTR_DATA_FOUND) {
                timers_.Stop(kAnswerTimerId);
                if (!IsValidPtr(message->GetPayload())) {
                    GoTo(KV_JOB_STATE_CLEANUP);
                } else {
                    server_user_.reset(static_cast<CKvDataServerUser*>(message->DetachPayload()));
                    if (SetCallQuery() == KV_OK) {
                        waiting_flag_ = 1;
                        timers_.Start(kAnswerTimerId);
                        GoTo(kStateSelectedCalls);
                    } else {
                        GoTo(KV_JOB_STATE_CLEANUP);
                    }
                }
            } else if (attribute == KV_MSG_ATTR_DATA_FOUND_LOCKED) {
                GoTo(KV_JOB_STATE_START);
            } else {
                GoTo(KV_JOB_STATE_CLEANUP);
            }
        }
        message->Release();
    }
    if (state_ == kStateServerUser) {
        if (timers_.CheckExpired(kAnswerTimerId))
            GoTo(KV_JOB_STATE_STOP_REQUESTED);
        else
            waiting_flag_ = 1;
    }
}

void CKvJobDataSynchronize::ServerWaitForCalls() {
    for (CKvMessage* message : incoming_.TakeAll()) {
        auto* store = static_cast<CKvDataHandlerStore*>(message->GetPayload());
        if (state_ == kStateSelectedCalls &&
            message->GetPayloadType() == KV_PAYLOAD_DATA_HANDLER_STORE && IsValidPtr(store) &&
            store->GetHandlerType() == K_KVDT_TP_DTHDLR_DATACALL) {
            call_store_.reset(static_cast<CKvDataHandlerStore*>(message->DetachPayload()));
            FilterCallsByDevice();
            setcount_ = static_cast<std::uint32_t>(call_store_->GetCount());
            datetimeend_.SetNow();
            Answer(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED);
            if (setcount_ == 0) {
                GoTo(KV_JOB_STATE_CLEANUP);
            } else {
                timers_.Restart(kAnswerTimerId, kServeSeconds, 0);
                GoTo(KV_JOB_STATE_RUNNING);
            }
        }
        message->Release();
    }
    if (state_ == kStateSelectedCalls) {
        if (timers_.CheckExpired(kAnswerTimerId))
            GoTo(KV_JOB_STATE_STOP_REQUESTED);
        else
            waiting_flag_ = 1;
    }
}

std::unique_ptr<CKvDataCall> CKvJobDataSynchronize::TakeEarliestCall() {
    CKvDataCall* earliest = nullptr;
    CKvDataHandlerStore::Position position;
    call_store_->GetStartPosition(&position);
    while (CKvDataHandler* record = call_store_->GetNext(&position)) {
        if (!IsValidPtr(record)) {
            last_result_ = KV_E_INVALID_POINTER;
            continue;
        }
        auto* call = static_cast<CKvDataCall*>(record);
        // Strictly earlier: the first of equal times wins.
        if (earliest == nullptr || call->GetStartTime() < earliest->GetStartTime())
            earliest = call;
    }
    if (earliest == nullptr)
        return nullptr;
    std::unique_ptr<CKvDataHandler> taken;
    if (!call_store_->Remove(taken, earliest, false))
        return nullptr;
    return std::unique_ptr<CKvDataCall>(static_cast<CKvDataCall*>(taken.release()));
}

void CKvJobDataSynchronize::ServerServing() {
    CKvMessage* message = nullptr;
    CKvJobDataSynchronize* record = FirstRecord(message);
    if (message == nullptr) {
        waiting_flag_ = 1;
        // A client that stops asking must not keep the job and its calls.
        if (timers_.CheckExpired(kAnswerTimerId))
            GoTo(KV_JOB_STATE_STOP_REQUESTED);
        return;
    }
    if (record != nullptr && record->GetMessageType() == KV_MSG_KIND_REQUEST &&
        record->GetAttribute() == KV_MSG_ATTR_DATA_REQUEST) {
        timers_.Restart(kAnswerTimerId, kServeSeconds, 0);
        call_ = call_store_ ? TakeEarliestCall() : nullptr;
        if (!call_) {
            Answer(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_DATA_NOT_FOUND);
            GoTo(KV_JOB_STATE_CLEANUP);
        } else {
            Answer(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_DATA_FOUND);
            call_.reset();
            if (call_store_->GetCount() == 0)
                GoTo(KV_JOB_STATE_CLEANUP);
        }
    } else {
        GoTo(KV_JOB_STATE_CLEANUP);
    }
    incoming_.RemoveAndDelete(message);
}
