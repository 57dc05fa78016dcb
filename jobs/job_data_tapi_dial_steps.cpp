// TAPI dial: the requesting roles, the serverless run and the executor.

#include "jobs/job_data_tapi_dial.h"

#include "data/data_device.h"
#include "data/data_general.h"
#include "data/data_host.h"
#include "jobs/job_payloads.h"
#include "platform/pointer.h"
#include "platform/text.h"

#include <memory>
#include <tuple>

namespace {

constexpr std::uint32_t kCallStateIdle = 0x1;
constexpr std::uint32_t kCallStateRingback = 0x20;
constexpr std::uint32_t kCallStateConnected = 0x100;
constexpr std::uint32_t kCallStateOnHold = 0x400;
constexpr std::uint32_t kCallStateDisconnected = 0x4000;
constexpr std::uint32_t kOriginOutbound = 0x1;
constexpr std::uint32_t kPhoneStateDialing = 1;
constexpr std::uint32_t kPhoneStateAlertingOut = 2;
constexpr std::uint32_t kPhoneStateConnected = 6;
constexpr std::uint32_t kPhoneStateDisconnected = 7;

// The ","-separated token of the text at the index, empty when there is none.
std::string CommaToken(const std::string& text, int index) {
    std::int32_t start = 0;
    for (int i = 0; i < index; ++i) {
        const std::int32_t at = FindChar(text, ',', start);
        if (at < 0)
            return std::string();
        start = at + 1;
    }
    const std::int32_t end = FindChar(text, ',', start);
    return end < 0 ? Mid(text, start) : Mid(text, start, end - start);
}

bool IsEnding(const CKvMessage& message) {
    return message.GetAttribute() == KV_MSG_ATTR_SHUTDOWN ||
           message.GetAttribute() == KV_MSG_ATTR_ENDED;
}

} // namespace

// ---- Root-job check and admission ----

KvResult CKvJobDataTAPIDial::CheckRootJob() {
    switch (PickRootMachine()) {
    case RootMachine::kServerless:
        return ExecutorRun();
    case RootMachine::kRequester:
        return StepRequesterFromRoot();
    case RootMachine::kNone:
        break;
    }
    return last_result_;
}

bool CKvJobDataTAPIDial::DialsSameCallAs(const CKvJobDataTAPIDial& other) const {
    const CKvDataCall& a = call_record_;
    const CKvDataCall& b = other.call_record_;
    return std::tie(a.GetLastName(), a.GetFirstName(), a.GetCompanyName(),
                    a.GetPhoneNumber().GetNumber()) ==
           std::tie(b.GetLastName(), b.GetFirstName(), b.GetCompanyName(),
                    b.GetPhoneNumber().GetNumber());
}

void CKvJobDataTAPIDial::Admit(std::uint32_t admitted_state) {
    DetachFromCarryingMessage();
    const CKvJobMap* jobs = IsValidPtr(handler_) ? handler_->FindJobsOfType(K_KVJBDT_TP_TAPI_DIAL)
                                                 : nullptr;
    if (jobs == nullptr) {
        last_result_ = KV_E_INVALID_POINTER;
        End();
        return;
    }
    std::size_t count = 0;
    bool duplicate = false;
    for (const auto& entry : *jobs) {
        ++count;
        const auto* other = static_cast<const CKvJobDataTAPIDial*>(entry.second);
        if (other != this && IsValidPtr(other) && DialsSameCallAs(*other))
            duplicate = true;
    }
    if (count > kMaxJobs) {
        last_result_ = KV_E_LIST_FULL;
        End();
    } else if (duplicate) {
        last_result_ = KV_E_FAIL;
        End();
    } else {
        GoTo(admitted_state);
    }
}

// ---- Messages ----

KvResult CKvJobDataTAPIDial::SendMakeCall(const std::string& number) {
    auto* call = new KVTAPICALL(call_);
    call->GetKvTapiFunc() = KV_TAPIFUNC_MAKE_CALL;
    call->GetCalledNumber() = number;
    call->GetLineName() = line_text_;
    call->GetOrigin().FormatText(kOriginOutbound);
    call->GetMadeByThisLine() = 1;
    return PostRecord(call, KV_PAYLOAD_TAPI_CALL, 1, KV_ENDPOINT_TAPI_LINES, KV_MSG_KIND_REQUEST);
}

KvResult CKvJobDataTAPIDial::SendDrop() {
    if (line_endpoint_ == 0 || call_.GetHcall() == 0)
        return KV_E_FAIL;
    auto* drop = new KVTAPICALL(call_);
    drop->GetKvTapiFunc() = KV_TAPIFUNC_DROP;
    const KvResult result = PostRecord(drop, KV_PAYLOAD_TAPI_CALL, 1, line_endpoint_);
    return result == KV_E_INVALID_POINTER ? KV_E_OUT_OF_MEMORY : result;
}

KvResult CKvJobDataTAPIDial::NotifyOriginator(std::uint32_t phone_state) {
    if (!originator_)
        return last_result_;
    originator_->GetPhoneNumber().SetState(phone_state);
    originator_->GetStartTime() = call_record_.GetStartTime();
    originator_->GetStopTime() = call_record_.GetStopTime();
    CKvMessage* notice = nullptr;
    if (!IsValidPtr(carrying_message_) || carrying_message_->CloneHeader(notice) != KV_OK)
        return last_result_;
    auto clone = std::make_unique<CKvDataCall>();
    *clone = *originator_;
    notice->SetPayloadType(K_KVDT_TP_DTHDLR_DATACALL);
    notice->SetPayload(clone.release());
    notice->SetKindAndCommand(KV_MSG_KIND_INFO, 1, KV_SUBCOMMAND_ONE_RECORD);
    notice->SwapJobIds();
    notice->SetTargetJobId(job_id_);
    const KvResult result = SendToHost(notice, carrying_message_->GetSourceEndpoint());
    if (result != KV_OK)
        last_result_ = result;
    return last_result_;
}

void CKvJobDataTAPIDial::ConfirmToOriginator(const CKvMessage& answer) {
    (void)answer;
    CKvMessage* confirmation = nullptr;
    if (!IsValidPtr(carrying_message_) ||
        carrying_message_->CloneHeader(confirmation) != KV_OK)
        return;
    confirmation->SetPayloadType(K_KVDT_TP_DTHDLR_DATACALL);
    confirmation->SetAttribute(KV_MSG_ATTR_ACCEPTED);
    confirmation->SendConfirmation(endpoint_id_, router_, true);
}

bool CKvJobDataTAPIDial::TakeCallUpdate(KVTAPICALL& call, bool set_start_on_ringback) {
    call_ = call;
    if (originator_)
        originator_->GetTapiCallHandle() = call_.GetHcall();
    TimeDate& start = call_record_.GetStartTime();
    TimeDate& stop = call_record_.GetStopTime();
    switch (call_.GetState()) {
    case kCallStateConnected:
        if (start.IsEmpty())
            start = call_.GetTimeDateState();
        NotifyOriginator(kPhoneStateConnected);
        break;
    case kCallStateRingback:
        if (set_start_on_ringback && start.IsEmpty())
            start = call_.GetTimeDateState();
        NotifyOriginator(kPhoneStateAlertingOut);
        break;
    case kCallStateOnHold:
        if (start.IsEmpty())
            start = call_.GetTimeDateState();
        break;
    case kCallStateDisconnected:
    case kCallStateIdle:
        if (!start.IsEmpty() && stop.IsEmpty())
            stop = call_.GetTimeDateState();
        return call_.GetState() == kCallStateIdle;
    default:
        break;
    }
    return false;
}

CKvMessage* CKvJobDataTAPIDial::TakeLineAnswer() {
    // The line's updates of the new call may overtake its answer: they stay
    // queued for the running state instead of counting as a refusal.
    CKvMessageList::Position position;
    incoming_.GetHeadPosition(position);
    while (CKvMessage* message = incoming_.GetNext(position)) {
        if (IsValidPtr(message) && message->GetPayloadType() == KV_PAYLOAD_TAPI_CALL &&
            message->GetKind() == KV_MSG_KIND_CONFIRMATION) {
            incoming_.Remove(message);
            return message;
        }
    }
    return nullptr;
}

// ---- Requesting roles ----

KvResult CKvJobDataTAPIDial::StepRequester() {
    return StepRequesting(false);
}

KvResult CKvJobDataTAPIDial::StepRequesterFromRoot() {
    return StepRequesting(true);
}

KvResult CKvJobDataTAPIDial::StepRequesting(bool from_root) {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        Admit(kStateDial);
        break;
    case kStateDial:
        RequesterSendRequest(from_root);
        break;
    case KV_JOB_STATE_WAITING_FOR_ANSWER:
        RequesterWaitForAnswer(from_root);
        break;
    case KV_JOB_STATE_RUNNING:
        if (FollowCall() != KV_OK && state_ == KV_JOB_STATE_RUNNING)
            GoTo(KV_JOB_STATE_STOP_REQUESTED);
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        if (partner_job_id_ != 0) {
            SetMessageType(KV_MSG_KIND_INFO, KV_MSG_ATTR_SHUTDOWN);
            Send();
        }
        End();
        break;
    case KV_JOB_STATE_CLEANUP:
        incoming_.DeleteAll();
        NotifyOriginator(kPhoneStateDisconnected);
        GoTo(KV_JOB_STATE_FINISHED);
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

void CKvJobDataTAPIDial::RequesterSendRequest(bool from_root) {
    // The root's originator names the line to dial on.
    if (from_root && originator_) {
        call_.GetHline() = originator_->GetTapiCallHandle();
        call_.GetLineName() = originator_->GetComment();
    }
    if (!AskServer())
        End();
}

void CKvJobDataTAPIDial::RequesterWaitForAnswer(bool from_root) {
    CKvMessage* message = nullptr;
    if (!incoming_.FindByPayloadType(message, K_KVJBDT_TP_TAPI_DIAL) || !IsValidPtr(message)) {
        waiting_flag_ = 1;
    } else {
        CKvJobData* answer = JobFromPayload(message->GetPayload());
        if (!IsValidPtr(answer) || answer->GetSubType() != K_KVJBDT_TP_TAPI_DIAL ||
            message->GetAttribute() != KV_MSG_ATTR_ACCEPTED) {
            End();
        } else {
            SetIds(message->GetTargetJobId(), job_id_);
            partner_job_id_ = message->GetTargetJobId();
            timers_.Stop(kAnswerTimerId);
            if (from_root)
                ConfirmToOriginator(*message);
            NotifyOriginator(kPhoneStateDialing);
            GoTo(KV_JOB_STATE_RUNNING);
        }
    }
    incoming_.DeleteAll();
    if (state_ == KV_JOB_STATE_WAITING_FOR_ANSWER && timers_.CheckExpired(kAnswerTimerId))
        End();
}

KvResult CKvJobDataTAPIDial::FollowCall() {
    waiting_flag_ = 1;
    while (CKvMessage* message = incoming_.FirstMessage()) {
        incoming_.Remove(message);
        const std::int32_t type = IsValidPtr(message) ? message->GetPayloadType() : 0;
        if (type == K_KVDT_TP_DTHDLR_DATACALL &&
            message->GetAttribute() == KV_MSG_ATTR_SHUTDOWN) {
            if (state_ == KV_JOB_STATE_RUNNING)
                GoTo(KV_JOB_STATE_STOP_REQUESTED);
        } else if (type == K_KVJBDT_TP_TAPI_DIAL) {
            auto* record = static_cast<CKvJobDataTAPIDial*>(JobFromPayload(message->GetPayload()));
            bool idle = false;
            if (IsValidPtr(record))
                idle = TakeCallUpdate(record->call_, true);
            if (idle) {
                message->Release();
                GoTo(KV_JOB_STATE_STOP_REQUESTED);
                break;
            }
            if (IsEnding(*message) && state_ == KV_JOB_STATE_RUNNING)
                End();
        }
        if (message != nullptr)
            message->Release();
    }
    incoming_.DeleteAll();
    return last_result_;
}

// ---- Serverless ----

KvResult CKvJobDataTAPIDial::ExecutorRun() {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        Admit(kStatePreferences);
        break;
    case kStatePreferences:
        ServerlessPreferences();
        break;
    case kStateDial:
        ServerlessDial();
        break;
    case KV_JOB_STATE_WAITING_FOR_ANSWER:
        ServerlessWaitForLine();
        break;
    case KV_JOB_STATE_RUNNING:
        if (ProcessLineMessages() != KV_OK && state_ == KV_JOB_STATE_RUNNING)
            GoTo(KV_JOB_STATE_STOP_REQUESTED);
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        last_result_ = SendDrop();
        End();
        break;
    case KV_JOB_STATE_CLEANUP:
        incoming_.DeleteAll();
        NotifyOriginator(kPhoneStateDisconnected);
        GoTo(KV_JOB_STATE_FINISHED);
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

void CKvJobDataTAPIDial::ServerlessPreferences() {
    if (!TakeRecord<CKvDataPreferences>(
            K_KVDT_TP_DTHDLR_DATAPREFERENCES, KV_E_FAIL, KV_E_FAIL,
            [this](CKvDataPreferences& preferences) {
                CKvDataPreferences& own = GetPreferences();
                own = preferences;
                own_number_ = own.GetPhoneNumberOut();
                cti_source_ = own.GetPhoneNumberCtiSource();
                TakePreferenceRules(rules_, own);
                cti_target_flag_ =
                    static_cast<std::uint32_t>(own.GetFlagCtiTargetAutomaticLine().Get());
                source_flag_ = static_cast<std::uint32_t>(own.GetFlagSourceAutomaticLine().Get());
                second_call_swap_flag_ =
                    static_cast<std::uint32_t>(own.GetFlagSecondCallSwapInternExtern().Get());
            }))
        return;
    if (last_result_ != KV_OK)
        End();
    else
        GoTo(kStateDial);
}

void CKvJobDataTAPIDial::ServerlessDial() {
    if (!IsValidPtr(router_)) {
        last_result_ = KV_E_INVALID_POINTER;
        return;
    }
    std::string number = GetTargetNumber();
    if (number.find('@') == std::string::npos) {
        bool unchanged = false;
        KVSTRING_LIST& devices = GetPreferences().GetStringListA();
        KVSTRING_LIST::Position position = 0;
        devices.GetStartPosition(position);
        KVSTRING* entry = nullptr;
        while (devices.GetNext(entry, position)) {
            if (CommaToken(entry->GetData(), 0) == line_text_) {
                unchanged = CommaToken(entry->GetData(), 3) == "TRUE";
                break;
            }
        }
        if (!unchanged) {
            PrepareTargetNumber();
            number = GetTargetNumber();
        }
    }
    if (originator_)
        call_.GetHline() = originator_->GetTapiCallHandle();
    if (SendMakeCall(number) != KV_OK) {
        End();
        return;
    }
    second_timers_.Restart(kSecondTimerId, 0, kMakeCallReplyMs);
    GoTo(KV_JOB_STATE_WAITING_FOR_ANSWER);
}

void CKvJobDataTAPIDial::ServerlessWaitForLine() {
    CKvMessage* message = TakeLineAnswer();
    if (message == nullptr) {
        waiting_flag_ = 1;
    } else if (message->GetAttribute() != KV_MSG_ATTR_ACCEPTED) {
        End();
    } else {
        second_timers_.Stop(kSecondTimerId);
        auto* answered = static_cast<KVTAPICALL*>(message->GetPayload());
        // The call's handle is what a later drop names.
        if (IsValidPtr(answered))
            call_ = *answered;
        CKvMessage* confirmation = nullptr;
        void* payload = nullptr;
        if (IsValidPtr(carrying_message_) &&
            router_->CreateMessageWithPayload(confirmation, payload, K_KVDT_TP_DTHDLR_DATACALL)) {
            static_cast<CKvDataCall*>(payload)->GetTapiCallHandle() = call_.GetHcall();
            confirmation->SetSourceEndpoint(carrying_message_->GetSourceEndpoint());
            confirmation->SetJobIds(carrying_message_->GetSourceJobId(),
                                    carrying_message_->GetTargetJobId(),
                                    carrying_message_->GetOriginatingJobId());
            confirmation->SetValue(carrying_message_->GetValue());
            confirmation->SetKindAndCommand(KV_MSG_KIND_CONFIRMATION,
                                            carrying_message_->GetCommand(),
                                            carrying_message_->GetSubCommand());
            confirmation->SetAttribute(KV_MSG_ATTR_ACCEPTED);
            confirmation->SendConfirmation(endpoint_id_, router_, true);
        }
        line_endpoint_ = message->GetSourceEndpoint();
        partner_job_id_ = message->GetTargetJobId();
        NotifyOriginator(kPhoneStateDialing);
        GoTo(KV_JOB_STATE_RUNNING);
    }
    if (message != nullptr)
        message->Release();
    if (state_ == KV_JOB_STATE_WAITING_FOR_ANSWER && second_timers_.CheckExpired(kSecondTimerId))
        End();
}

KvResult CKvJobDataTAPIDial::ProcessLineMessages() {
    if (incoming_.FirstMessage() == nullptr)
        waiting_flag_ = 1;
    while (CKvMessage* message = incoming_.FirstMessage()) {
        incoming_.Remove(message);
        const std::int32_t type = IsValidPtr(message) ? message->GetPayloadType() : 0;
        if ((type == K_KVDT_TP_DTHDLR_DATACALL || type == K_KVJBDT_TP_DIAL2 ||
             type == K_KVJBDT_TP_TAPI_DIAL) &&
            message->GetAttribute() == KV_MSG_ATTR_SHUTDOWN) {
            last_result_ = SendDrop();
        } else if (type == KV_PAYLOAD_TAPI_CALL) {
            auto* call = static_cast<KVTAPICALL*>(message->GetPayload());
            if (IsValidPtr(call) && TakeCallUpdate(*call, false)) {
                message->Release();
                End();
                break;
            }
        }
        if (message != nullptr)
            message->Release();
    }
    incoming_.DeleteAll();
    return last_result_;
}

// ---- Executor ----

KvResult CKvJobDataTAPIDial::StepExecutor() {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        ExecutorFirst();
        break;
    case kStateGeneral:
        ExecutorGeneral();
        break;
    case kStateHost:
        ExecutorHost();
        break;
    case kStateDevice:
        ExecutorDevice();
        break;
    case kStateDial:
        ExecutorDial();
        break;
    case KV_JOB_STATE_WAITING_FOR_ANSWER:
        ExecutorWaitForLine();
        break;
    case KV_JOB_STATE_RUNNING:
        if (ServeCall() != KV_OK && state_ == KV_JOB_STATE_RUNNING)
            End();
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        if (previous_state_ == KV_JOB_STATE_RUNNING) {
            SetMessageType(KV_MSG_KIND_INFO, KV_MSG_ATTR_ENDED);
            Send();
        }
        last_result_ = SendDrop();
        End();
        break;
    case KV_JOB_STATE_CLEANUP:
        incoming_.DeleteAll();
        SetMessageType(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ENDED);
        GoTo(KV_JOB_STATE_FINISHED);
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

void CKvJobDataTAPIDial::ExecutorFirst() {
    CollectLocalComputer();
    if (HasClientAtPeer(true)) {
        GoTo(kStateGeneral);
    } else {
        Refuse();
        End();
    }
}

void CKvJobDataTAPIDial::ExecutorGeneral() {
    if (!TakeRecord<CKvDataGeneral>(K_KVDT_TP_DTHDLR_DATAGENERAL, KV_E_NO_DATA_FOUND, KV_OK,
                                    [this](CKvDataGeneral& general) {
                                        TakeGeneralRules(rules_, general);
                                        last_result_ = PostHostList();
                                    }))
        return;
    AwaitHostRecord(kStateHost);
}

void CKvJobDataTAPIDial::ExecutorHost() {
    TakeQueuedRecord<CKvDataHost>(K_KVDT_TP_DTHDLR_DATACOMPUTER, [this](CKvDataHost& host) {
        if (!call_.GetLineName().empty()) {
            timers_.Stop(kAnswerTimerId);
            line_text_ = call_.GetLineName();
            GoTo(kStateDial);
            return;
        }
        std::string number;
        // Without a device to ask for, timer 1 keeps running so that the
        // requester is refused and the job ends at its expiry.
        if (host.GetCtiDeviceNumbers().GetFirst(number) &&
            RequestKeyed(K_KVDT_TP_DTHDLR_DATADEVICE, number) == KV_OK) {
            timers_.Start(kAnswerTimerId);
            GoTo(kStateDevice);
        } else {
            last_result_ = KV_E_FAIL;
        }
    });
}

void CKvJobDataTAPIDial::ExecutorDevice() {
    TakeQueuedRecord<CKvDataDevice>(K_KVDT_TP_DTHDLR_DATADEVICE, [this](CKvDataDevice& device) {
        if (device.GetTapiLine().empty()) {
            last_result_ = KV_E_FAIL;
            return;
        }
        line_text_ = device.GetTapiLine();
        timers_.Stop(kAnswerTimerId);
        GoTo(kStateDial);
    });
}

void CKvJobDataTAPIDial::ExecutorDial() {
    if (!IsValidPtr(router_)) {
        last_result_ = KV_E_INVALID_POINTER;
        return;
    }
    PrepareTargetNumber();
    if (SendMakeCall(GetTargetNumber()) != KV_OK) {
        End();
        return;
    }
    second_timers_.Restart(kSecondTimerId, 0, kMakeCallReplyMs);
    GoTo(KV_JOB_STATE_WAITING_FOR_ANSWER);
}

void CKvJobDataTAPIDial::ExecutorWaitForLine() {
    CKvMessage* message = TakeLineAnswer();
    if (message == nullptr) {
        waiting_flag_ = 1;
    } else if (message->GetAttribute() != KV_MSG_ATTR_ACCEPTED) {
        // The requester would otherwise wait for its own time-out.
        Refuse();
        End();
    } else {
        second_timers_.Stop(kSecondTimerId);
        ConfirmToOriginator(*message);
        auto* answered = static_cast<KVTAPICALL*>(message->GetPayload());
        if (IsValidPtr(answered))
            call_ = *answered;
        if (messagetype_ == KV_MSG_KIND_REQUEST) {
            SetMessageType(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED);
            Send();
        }
        SwapIds();
        line_endpoint_ = message->GetSourceEndpoint();
        partner_job_id_ = message->GetTargetJobId();
        GoTo(KV_JOB_STATE_RUNNING);
    }
    if (message != nullptr)
        message->Release();
    if (state_ == KV_JOB_STATE_WAITING_FOR_ANSWER &&
        second_timers_.CheckExpired(kSecondTimerId)) {
        Refuse();
        End();
    }
}

KvResult CKvJobDataTAPIDial::ServeCall() {
    if (!HasClientAtPeer(false)) {
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
        return last_result_;
    }
    waiting_flag_ = 1;
    while (CKvMessage* message = incoming_.FirstMessage()) {
        incoming_.Remove(message);
        const std::int32_t type = IsValidPtr(message) ? message->GetPayloadType() : 0;
        if (type == K_KVJBDT_TP_TAPI_DIAL && IsEnding(*message)) {
            last_result_ = SendDrop();
            GoTo(KV_JOB_STATE_CLEANUP);
        } else if (type == KV_PAYLOAD_TAPI_CALL && IsValidPtr(message->GetPayload())) {
            call_ = *static_cast<KVTAPICALL*>(message->GetPayload());
            SetMessageType(KV_MSG_KIND_INFO, KV_MSG_ATTR_NOTIFICATION);
            Send();
        }
        if (message != nullptr)
            message->Release();
    }
    return last_result_;
}

// ---- Numbers ----

void CKvJobDataTAPIDial::PrepareTargetNumber() {
    std::string own;
    rules_.RewriteAffixes(own, own_number_, source_flag_ != 0 ? TRUE : FALSE);
    own_number_ = own;

    const std::string before = GetTargetNumber();
    std::string n = before;
    const bool stripped = rules_.HasInternalAffixes(n);
    if (stripped)
        rules_.StripInternalAffixes(n);
    const bool is_long =
        static_cast<std::int64_t>(n.size()) > static_cast<std::int64_t>(rules_.GetInternalDigitLimit());
    // Column by the swap flag A and the CTI-target flag B.
    const int column = (second_call_swap_flag_ != 0 ? 2 : 0) + (cti_target_flag_ != 0 ? 1 : 0);
    enum Action { kKeep, kExternal, kInternal, kBefore };
    static constexpr Action kTable[4][4] = {
        // A0B0, A0B1, A1B0, A1B1
        {kExternal, kKeep, kKeep, kExternal},  // plain, long
        {kKeep, kInternal, kInternal, kKeep},  // plain, short
        {kExternal, kKeep, kKeep, kKeep},      // stripped, long
        {kKeep, kBefore, kKeep, kInternal},    // stripped, short
    };
    const int row = (stripped ? 2 : 0) + (is_long ? 0 : 1);
    switch (kTable[row][column]) {
    case kExternal:
        rules_.AddExternalAffixes(n);
        break;
    case kInternal:
        rules_.AddInternalAffixes(n);
        break;
    case kBefore:
        n = before;
        break;
    case kKeep:
        break;
    }
    SetTargetNumber(n);
}
