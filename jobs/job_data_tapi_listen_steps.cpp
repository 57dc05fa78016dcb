// TAPI listen: the requester, the serverless run and the call-state relay
// they share.

#include "jobs/job_data_tapi_listen.h"

#include "data/data_call.h"
#include "data/data_preferences.h"
#include "jobs/job_payloads.h"
#include "platform/pointer.h"
#include "platform/text.h"
#include "tapi/tapi_line.h"

namespace {

constexpr std::uint32_t kCallStateIdle = 0x1;
constexpr std::uint32_t kCallStateOffering = 0x2;
constexpr std::uint32_t kCallStateConnected = 0x100;
constexpr std::uint32_t kCallStateUnknown = 0x8000;
constexpr std::uint32_t kOriginOutbound = 0x1;
constexpr std::uint32_t kPhoneStateConnected = 6;
constexpr std::uint32_t kPhoneStateDisconnected = 7;
constexpr std::int32_t kCommandLineStart = 1;
constexpr std::int32_t kCommandLineStop = 3;

// The token of text before the first separator, and the rest after it.
std::string FirstToken(const std::string& text, char separator, std::string* rest = nullptr) {
    const std::int32_t at = FindChar(text, separator);
    if (at < 0) {
        if (rest != nullptr)
            rest->clear();
        return text;
    }
    if (rest != nullptr)
        *rest = Mid(text, at + 1);
    return Left(text, at);
}

} // namespace

const CKvJobDataTAPIListen::RelayColumn CKvJobDataTAPIListen::kForwarding{true, false, 0, false};
const CKvJobDataTAPIListen::RelayColumn CKvJobDataTAPIListen::kLocal{false, true, 1, true};

// ---- Root-job check ----

KvResult CKvJobDataTAPIListen::CheckRootJob() {
    switch (PickRootMachine()) {
    case RootMachine::kServerless:
        return ExecutorRun();
    case RootMachine::kRequester:
        return StepRequester();
    case RootMachine::kNone:
        break;
    }
    return last_result_;
}

// ---- Messages ----

void CKvJobDataTAPIListen::PostLineStarts() {
    KVSTRING_LIST::Position position = 0;
    line_list_.GetStartPosition(position);
    KVSTRING* entry = nullptr;
    while (line_list_.GetNext(entry, position)) {
        auto* line = new CKvTAPILine;
        line->SetName(entry->GetIdentifier());
        std::string name;
        line->GetNumberToDial() = FirstToken(entry->GetData(), '|', &name);
        name = FirstToken(name, '|');
        TrimInPlace(line->GetNumberToDial());
        TrimInPlace(name);
        line->GetDisplayName() = name;
        last_result_ = PostRecord(line, KV_PAYLOAD_TAPI_LINE, kCommandLineStart,
                                  KV_ENDPOINT_HOST_STATUS);
    }
}

void CKvJobDataTAPIListen::PostLineStops() {
    KVSTRING_LIST::Position position = 0;
    line_list_.GetStartPosition(position);
    KVSTRING* entry = nullptr;
    while (line_list_.GetNext(entry, position)) {
        auto* line = new CKvTAPILine;
        line->SetName(entry->GetIdentifier());
        line->GetNumberToDial() = FirstToken(entry->GetData(), ',');
        last_result_ = PostRecord(line, KV_PAYLOAD_TAPI_LINE, kCommandLineStop,
                                  KV_ENDPOINT_HOST_STATUS);
    }
}

KvResult CKvJobDataTAPIListen::PostLineCalls(const KVTAPICALLSMANAGER* calls) {
    auto* copy = calls != nullptr ? new KVTAPICALLSMANAGER(*calls) : new KVTAPICALLSMANAGER;
    return PostRecord(copy, KV_PAYLOAD_TAPI_CALLS_MANAGER, kCommandLineStart,
                      KV_ENDPOINT_HOST_STATUS);
}

KvResult CKvJobDataTAPIListen::PostWatch(std::int32_t command, const std::string& line,
                                         const std::string& alias) {
    if (!IsValidPtr(router_))
        return KV_E_OUT_OF_MEMORY;
    auto* calls = new KVTAPICALLSMANAGER;
    calls->GetIdentifier() = line;
    calls->GetSpareText() = alias;
    auto* message = new CKvMessage;
    message->SetHeader(KV_MSG_KIND_SIGNAL, calls, KV_PAYLOAD_TAPI_CALLS_MANAGER, command,
                       KV_SUBCOMMAND_ONE_RECORD, KV_MSG_ATTR_UNSPECIFIED);
    message->SetJobIds(0, job_id_, job_id_);
    message->SetSubscriberEndpoint(endpoint_id_);
    return SendToHost(message, KV_ENDPOINT_TAPI_LINES);
}

KvResult CKvJobDataTAPIListen::WatchAllLines(std::int32_t command) {
    if (!IsValidPtr(router_))
        return KV_E_OUT_OF_MEMORY;
    auto* message = new CKvMessage;
    message->SetHeader(KV_MSG_KIND_SIGNAL, nullptr, KV_PAYLOAD_TAPI_CALLS_MANAGER, command,
                       KV_SUBCOMMAND_ONE_RECORD, KV_MSG_ATTR_UNSPECIFIED);
    message->SetJobIds(0, job_id_, 0);
    message->SetSubscriberEndpoint(endpoint_id_);
    return SendToHost(message, KV_ENDPOINT_TAPI_LINES);
}

void CKvJobDataTAPIListen::SendCallNotice(KVTAPICALL& call, std::uint16_t taker,
                                          std::uint32_t phone_state, bool stopped) {
    auto* notice = new CKvDataCall;
    FillCallRecord(*notice, call);
    notice->GetPhoneNumber().SetState(phone_state);
    if (stopped) {
        notice->GetStartTime() = TimeDate();
        notice->GetStopTime() = call.GetTimeDateState();
    }
    const KvResult result = PostRecord(notice, K_KVDT_TP_DTHDLR_DATACALL, 1, taker);
    if (result != KV_OK)
        last_result_ = result;
}

KvResult CKvJobDataTAPIListen::SendNewCallRequest(KVTAPICALL& call, const RelayColumn& column) {
    auto* request = new CKvDataCall;
    FillCallRecord(*request, call);
    if (column.local_details) {
        request->GetFlagCallOut().Set((call.GetOrigin().GetValue() & kOriginOutbound) != 0 ? 1
                                                                                             : 0);
        request->GetPreselection() = std::to_string(call.GetHline());
        request->GetComment() = call.GetLineName();
    }
    call_record_.GetStartTime() = call.GetTimeDateState();
    call_record_.GetStopTime() = call.GetTimeDateState();
    request->GetStartTime() = call_record_.GetStartTime();
    return PostRecord(request, K_KVDT_TP_DTHDLR_DATACALL, 1, KV_ENDPOINT_CALL_WINDOW,
                      KV_MSG_KIND_REQUEST);
}

void CKvJobDataTAPIListen::LearnTaker(const CKvMessage& message, KVTAPICALLSMANAGER& kept) {
    auto* taken = static_cast<CKvDataCall*>(message.GetPayload());
    if (message.GetAttribute() != KV_MSG_ATTR_ACCEPTED || !IsValidPtr(taken) ||
        taken->GetTapiCallHandle() == 0)
        return;
    KVTAPICALL* call = nullptr;
    if (kept.FindCall(call, taken->GetTapiCallHandle()) == KV_OK && call != nullptr)
        call->GetWmIdNotif() = message.GetSourceEndpoint();
}

// ---- Call-state relay ----

void CKvJobDataTAPIListen::RelayCallStates(KVTAPICALLSMANAGER& reported,
                                           KVTAPICALLSMANAGER& kept, const RelayColumn& column) {
    KVTAPICALLSMANAGER::Position position = 0;
    reported.GetStartPosition(position);
    while (KVTAPICALL* call = reported.GetNextCall(position)) {
        if (!column.all_calls && call->GetMadeByThisLine() != 0)
            continue;
        KVTAPICALL* known = nullptr;
        if (kept.FindCall(known, call->GetHcall()) == KV_OK && known != nullptr) {
            if (call->GetState() == known->GetState())
                continue;
            const std::uint16_t taker = known->GetWmIdNotif();
            if (taker != 0 && call->GetState() == kCallStateIdle) {
                SendCallNotice(*call, taker, column.idle_state, false);
            } else if (taker != 0 && call->GetState() == kCallStateConnected &&
                       (call->GetStatePrev() == kCallStateIdle ||
                        call->GetStatePrev() == kCallStateOffering ||
                        call->GetStatePrev() == kCallStateUnknown)) {
                SendCallNotice(*call, taker, kPhoneStateConnected, false);
            }
            *known = *call;
            known->GetWmIdNotif() = taker;
            continue;
        }
        // A full manager keeps no more calls, and nothing goes out for them.
        if (kept.CreateCall(known, call->GetHcall()) != KV_OK || known == nullptr)
            continue;
        *known = *call;
        known->GetWmIdNotif() = 0;
        if (column.request_always) {
            if (SendNewCallRequest(*call, column) != KV_OK)
                kept.RemoveCall(call->GetHcall());
        } else if (call->GetState() == kCallStateOffering) {
            const KvResult result = SendNewCallRequest(*call, column);
            if (result != KV_OK)
                last_result_ = result;
        }
    }
    std::vector<std::uint32_t> vanished;
    kept.GetStartPosition(position);
    while (KVTAPICALL* known = kept.GetNextCall(position)) {
        if (known->GetHline() == reported.GetHline() && !reported.HasCall(known->GetHcall()))
            vanished.push_back(known->GetHcall());
    }
    for (std::uint32_t hcall : vanished) {
        KVTAPICALL* known = nullptr;
        if (kept.FindCall(known, hcall) == KV_OK && known != nullptr && known->GetWmIdNotif() != 0)
            SendCallNotice(*known, known->GetWmIdNotif(), kPhoneStateDisconnected, true);
        kept.RemoveCall(hcall);
    }
}

// ---- Requester ----

KvResult CKvJobDataTAPIListen::StepRequester() {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        DetachFromCarryingMessage();
        GoTo(kStatePreferences);
        break;
    case kStatePreferences:
        RequesterPreferences();
        break;
    case kStateRequest:
        if (!AskServer())
            End();
        break;
    case KV_JOB_STATE_WAITING_FOR_ANSWER:
        RequesterWaitForAnswer();
        break;
    case KV_JOB_STATE_RUNNING:
        if (ForwardNotifications() != KV_OK && state_ == KV_JOB_STATE_RUNNING)
            GoTo(KV_JOB_STATE_STOP_REQUESTED);
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        if (partner_job_id_ != 0) {
            SetMessageType(KV_MSG_KIND_INFO, KV_MSG_ATTR_ENDED);
            Send();
        }
        PostLineCalls(nullptr);
        End();
        break;
    case KV_JOB_STATE_CLEANUP:
        RequesterCleanUp();
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

void CKvJobDataTAPIListen::RequesterPreferences() {
    // The preferences themselves are not used: their presence is the check.
    if (!TakeRecord<CKvDataPreferences>(K_KVDT_TP_DTHDLR_DATAPREFERENCES, KV_E_FAIL, KV_E_FAIL,
                                        [](CKvDataPreferences&) {}))
        return;
    if (last_result_ != KV_OK)
        End();
    else
        GoTo(kStateRequest);
}

void CKvJobDataTAPIListen::RequesterWaitForAnswer() {
    CKvMessage* message = nullptr;
    if (!incoming_.FindByPayloadType(message, K_KVJBDT_TP_TAPI_LISTEN) || !IsValidPtr(message)) {
        waiting_flag_ = 1;
    } else {
        auto* answer = static_cast<CKvJobDataTAPIListen*>(JobFromPayload(message->GetPayload()));
        if (!IsValidPtr(answer) || answer->GetSubType() != K_KVJBDT_TP_TAPI_LISTEN ||
            message->GetAttribute() != KV_MSG_ATTR_ACCEPTED) {
            End();
        } else {
            if (answer->line_list_.GetCount() != 0) {
                line_list_ = answer->line_list_;
                PostLineStarts();
            }
            SetIds(answer->GetIdSource(), job_id_);
            partner_job_id_ = answer->GetIdSource();
            timers_.Stop(kAnswerTimerId);
            GoTo(KV_JOB_STATE_RUNNING);
        }
    }
    incoming_.DeleteAll();
    if (state_ == KV_JOB_STATE_WAITING_FOR_ANSWER && timers_.CheckExpired(kAnswerTimerId))
        End();
}

KvResult CKvJobDataTAPIListen::ForwardNotifications() {
    last_result_ = KV_OK;
    waiting_flag_ = 1;
    if (!HasClientAtPeer(true)) {
        last_result_ = KV_E_FAIL;
        return last_result_;
    }
    while (CKvMessage* message = incoming_.FirstMessage()) {
        incoming_.Remove(message);
        if (!IsValidPtr(message))
            continue;
        switch (message->GetPayloadType()) {
        case K_KVDT_TP_DTHDLR_DATACALL:
            LearnTaker(*message, known_calls_);
            break;
        case KV_PAYLOAD_TAPI_CALL: {
            auto* call = static_cast<KVTAPICALL*>(message->GetPayload());
            if (!IsValidPtr(call))
                break;
            line_calls_.RemoveAllCalls();
            line_calls_.GetHline() = call->GetHline();
            line_calls_.GetIdentifier() = call->GetLineName();
            if (line_calls_.AddCall(call) == KV_OK) {
                message->DetachPayload();
                SetMessageType(KV_MSG_KIND_INFO, KV_MSG_ATTR_NOTIFICATION);
                Send();
            }
            break;
        }
        case K_KVJBDT_TP_TAPI_LISTEN: {
            auto* record =
                static_cast<CKvJobDataTAPIListen*>(JobFromPayload(message->GetPayload()));
            if (!IsValidPtr(record))
                break;
            RelayCallStates(record->line_calls_, known_calls_, kForwarding);
            PostLineCalls(&record->line_calls_);
            break;
        }
        default:
            break;
        }
        message->Release();
    }
    return last_result_;
}

void CKvJobDataTAPIListen::RequesterCleanUp() {
    PostLineStops();
    incoming_.DeleteAll();
    GoTo(KV_JOB_STATE_FINISHED);
}

// ---- Serverless ----

KvResult CKvJobDataTAPIListen::ExecutorRun() {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        ServerlessPreferences();
        break;
    case kStateRequest:
        last_result_ = WatchAllLines();
        if (last_result_ != KV_OK) {
            End();
            break;
        }
        watching_all_ = true;
        waiting_flag_ = 1;
        timers_.Start(kAnswerTimerId);
        GoTo(KV_JOB_STATE_RUNNING);
        break;
    case KV_JOB_STATE_RUNNING:
        ServerlessServe();
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        End();
        break;
    case KV_JOB_STATE_CLEANUP:
        incoming_.DeleteAll();
        // Else the lines go on reporting to a job that is gone, one more
        // watch with every serverless run.
        if (watching_all_) {
            watching_all_ = false;
            last_result_ = WatchAllLines(3);
        }
        DetachFromCarryingMessage();
        GoTo(KV_JOB_STATE_FINISHED);
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

void CKvJobDataTAPIListen::ServerlessPreferences() {
    if (!TakeRecord<CKvDataPreferences>(
            K_KVDT_TP_DTHDLR_DATAPREFERENCES, KV_E_NO_DATA_FOUND, KV_OK,
            [this](CKvDataPreferences& preferences) { TakePreferenceRules(rules_, preferences); })) {
        waiting_flag_ = 1;
        return;
    }
    if (last_result_ != KV_OK)
        End();
    else
        GoTo(kStateRequest);
}

void CKvJobDataTAPIListen::ServerlessServe() {
    if (incoming_.FirstMessage() == nullptr) {
        waiting_flag_ = 1;
        return;
    }
    while (CKvMessage* message = incoming_.FirstMessage()) {
        incoming_.Remove(message);
        if (!IsValidPtr(message))
            continue;
        if (message->GetAttribute() == KV_MSG_ATTR_ENDED) {
            AnswerOrRelease(message);
            End();
            continue;
        }
        ProcessLocalMessage(message);
    }
}

void CKvJobDataTAPIListen::ProcessLocalMessage(CKvMessage* message) {
    waiting_flag_ = 1;
    if (message->GetPayloadType() == K_KVDT_TP_DTHDLR_DATACALL) {
        LearnTaker(*message, line_calls_);
    } else if (message->GetPayloadType() == KV_PAYLOAD_TAPI_CALLS_MANAGER) {
        auto* reported = static_cast<KVTAPICALLSMANAGER*>(message->GetPayload());
        if (IsValidPtr(reported))
            RelayCallStates(*reported, line_calls_, kLocal);
    }
    incoming_.Remove(message);
    message->Release();
}
