#include "tapi/tapi_line.h"

#include "framework/named_value.h"
#include "platform/clock.h"
#include "platform/tapi/tapi_line_service.h"
#include "platform/text.h"
#include "tapi/tapi_line_data.h"
#include "tapi/tapi_line_message.h"

#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr DWORD kApiLowVersion = 0x00010004u;
constexpr DWORD kApiHighVersion = 0x00020002u;
constexpr std::uint32_t kAddressCapsWaitMs = 500;
constexpr std::uint32_t kAddressCapsRetryMs = 50;
constexpr std::uint32_t kOpenTries = 4;
constexpr std::uint32_t kOpenRetryMs = 100;
constexpr UINT kThreadTimerId = 1;
constexpr std::int32_t kSubCommandRecord = 5;
// Number categories whose numbers are dialled as they are.
constexpr std::uint32_t kCategoryOfficeVoip = 7;
constexpr std::uint32_t kCategoryPrivateVoip = 8;

std::string Trimmed(const std::string& text) {
    return std::string(TrimmedView(text));
}

bool IsHeld(std::uint32_t state) {
    return state == LINECALLSTATE_ONHOLD || state == LINECALLSTATE_ONHOLDPENDTRANSFER;
}

template <typename T> T* PayloadOf(const CKvMessage* message, std::int32_t type) {
    if (message == nullptr || message->GetPayloadType() != type)
        return nullptr;
    return static_cast<T*>(message->GetPayload());
}

KVTAPILINEMESSAGE* LineMessageOf(const CKvMessage* message) {
    return PayloadOf<KVTAPILINEMESSAGE>(message, KV_PAYLOAD_TAPI_LINE_MESSAGE);
}

// Answers a REQUEST with the attribute, releases anything else.
void AnswerOrRelease(CKvMessage* message, std::int32_t attribute, std::uint16_t source,
                     CKvMessageRouter* router) {
    if (message->GetKind() == KV_MSG_KIND_REQUEST) {
        message->SetAttribute(attribute);
        message->SendConfirmation(source, router, true);
    } else {
        message->Release();
    }
}

} // namespace

CKvTAPILine::CKvTAPILine() : CKvWinThread(false) {
    timers_.Add(kReplyTimer, 0, kReplyWaitMs);
}

CKvTAPILine::~CKvTAPILine() {
    JoinThread();
    calls_.RemoveAllCalls();
    requests_.RemoveAll();
    if (pending_ != nullptr) {
        // A creation request that never ran carries this object.
        if (pending_->GetPayload() == this)
            pending_->DetachPayload();
        pending_->Release();
    }
}

CKvTAPILine& CKvTAPILine::operator=(const CKvTAPILine& other) {
    if (this == &other)
        return *this;
    SetName(other.GetName());
    host_record_ = other.host_record_;
    preferences_ = other.preferences_;
    dialling_rules_ = other.dialling_rules_;
    time_stamp_ = other.time_stamp_;
    calls_ = other.calls_;
    line_app_ = other.line_app_;
    device_count_ = other.device_count_;
    hline_ = other.hline_;
    api_version_ = other.api_version_;
    device_id_ = other.device_id_;
    request_state_ = other.request_state_;
    request_step_ = other.request_step_;
    number_to_dial_ = other.number_to_dial_;
    line_features_ = other.line_features_;
    watch_list_.Assign(other.watch_list_);
    display_name_ = other.display_name_;
    return *this;
}

void CKvTAPILine::SetPendingRequest(CKvMessage* message) {
    if (pending_ != nullptr && pending_ != message)
        AnswerPending(KV_MSG_ATTR_REFUSED);
    pending_ = message;
}

// ---- Opening and closing ----

bool CKvTAPILine::FindLineDevice(const std::string& wanted_name) {
    api_version_ = kApiHighVersion;
    device_id_ = 0;
    const std::uint32_t last = 10 * device_count_;
    for (std::uint32_t id = 0; id <= last && !wanted_name.empty(); ++id) {
        DWORD version = 0;
        LineExtensionId extension;
        if (lineNegotiateAPIVersion(line_app_, id, kApiLowVersion, kApiHighVersion, &version,
                                    &extension) != 0 ||
            version == 0)
            continue;
        LineDevCaps caps;
        if (lineGetDevCapsA(line_app_, id, version, 0, &caps) != 0)
            continue;
        if ((caps.line_features & LINEFEATURE_MAKECALL) == 0 || caps.line_name.empty() ||
            caps.string_format != STRINGFORMAT_ASCII)
            continue;
        std::string name = caps.line_name.substr(0, caps.line_name.find('\0'));
        TrimInPlace(name);
        if (name == wanted_name) {
            device_id_ = id;
            api_version_ = version;
            device_caps_ = std::move(caps);
            return true;
        }
    }
    device_caps_.reset();
    device_id_ = 0;
    return false;
}

KvResult CKvTAPILine::GetAddressCaps() {
    const std::uint32_t start = GetClock().TickMs();
    for (;;) {
        LineAddressCaps caps;
        if (lineGetAddressCapsA(line_app_, device_id_, 0, api_version_, 0, &caps) == 0) {
            address_caps_ = caps;
            line_features_.FormatText(caps.call_features);
            return KV_OK;
        }
        if (static_cast<std::int32_t>(GetClock().TickMs() - start) >=
            static_cast<std::int32_t>(kAddressCapsWaitMs))
            break;
        ClockSleep(kAddressCapsRetryMs);
    }
    address_caps_.reset();
    return KV_E_FAIL;
}

bool CKvTAPILine::OpenLine() {
    for (std::uint32_t attempt = 0; attempt < kOpenTries; ++attempt) {
        HLINE line = 0;
        if (lineOpenA(line_app_, device_id_, &line, api_version_, 0, 0,
                      LINECALLPRIVILEGE_OWNER | LINECALLPRIVILEGE_MONITOR,
                      LINEMEDIAMODE_INTERACTIVEVOICE, nullptr) == 0) {
            hline_ = line;
            return true;
        }
        ClockSleep(kOpenRetryMs);
    }
    return false;
}

bool CKvTAPILine::OnInitInstance() {
    routing_enabled_ = true;
    if (host_record_ != nullptr) {
        line_app_ = host_record_->GetTapiLineApp();
        if (line_app_ != 0) {
            api_version_ = host_record_->GetTapiApiVersion();
            device_count_ = host_record_->GetTapiDeviceCount();
            host_value_ = host_record_->GetTapiHostValue();
        }
    }
    bool opened =
        line_app_ != 0 && FindLineDevice(GetName()) && GetAddressCaps() == KV_OK && OpenLine();
    if (opened) {
        calls_.GetHline() = hline_;
        calls_.GetIdentifier() = GetName();
        thread_timer_id_ = kThreadTimerId;
        SetThreadTimer(kThreadTimerId, kThreadTimerMs);
    } else {
        hline_ = 0;
    }
    SetLastResult(opened ? KV_OK : KV_E_FAIL);
    ReportCreation(opened);
    return opened;
}

void CKvTAPILine::ReportCreation(bool opened) {
    if (pending_ == nullptr)
        return;
    CKvMessage* copy = nullptr;
    pending_->Clone(copy);
    if (copy != nullptr) {
        copy->SetAttribute(opened ? KV_MSG_ATTR_ACCEPTED : KV_MSG_ATTR_REFUSED);
        copy->SetValue(1);
        copy->SendConfirmation(GetEndpointId(), GetRouter(), true);
    }
    // The creation request is answered: it must not be answered again by the
    // first request that ends.
    pending_->DetachPayload();
    pending_->Release();
    pending_ = nullptr;
}

void CKvTAPILine::OnExitInstance() {
    AnswerPending(KV_MSG_ATTR_REFUSED);
    for (CKvMessage* message : input_.TakeAll()) {
        if (message->GetPayloadType() == KV_PAYLOAD_TAPI_LINE_MESSAGE)
            message->Release();
        else
            AnswerOrRelease(message, KV_MSG_ATTR_REFUSED, GetEndpointId(), GetRouter());
    }
    calls_.RemoveAllCalls();
    requests_.RemoveAll();
    made_calls_.clear();
    made_call_requesters_.clear();
    held_by_make_call_ = 0;
    state_ticks_.clear();
    if (thread_timer_id_ != 0) {
        KillThreadTimer(thread_timer_id_);
        thread_timer_id_ = 0;
    }
    if (hline_ != 0) {
        lineClose(hline_);
        hline_ = 0;
    }
    device_caps_.reset();
    address_caps_.reset();
}

void CKvTAPILine::OnDroppedMessage(const ThreadMessage& message) {
    auto* posted = reinterpret_cast<CKvMessage*>(message.lParam);
    if (message.window == nullptr && GetEndpointId() != 0 && message.message == GetEndpointId() &&
        posted != nullptr && static_cast<std::int32_t>(message.wParam) == KV_MSG_KIND_REQUEST &&
        posted->GetCommand() != KV_MSG_COMMAND_QUIT &&
        posted->GetPayloadType() != KV_PAYLOAD_TAPI_LINE_MESSAGE) {
        posted->SetAttribute(KV_MSG_ATTR_REFUSED);
        posted->SendConfirmation(GetEndpointId(), GetRouter(), true);
        return;
    }
    CKvWinThread::OnDroppedMessage(message);
}

// ---- Entry points ----

KvResult CKvTAPILine::OnRequest(CKvMessage* message) {
    if (message == nullptr)
        return KV_E_INVALID_POINTER;
    if (input_.Add(message, false) != KV_OK)
        message->Release();
    SetLastResult(KV_E_NOT_HANDLED);
    return KV_E_NOT_HANDLED;
}

KvResult CKvTAPILine::OnConfirmation(CKvMessage* message) {
    if (message == nullptr)
        return KV_E_INVALID_POINTER;
    if (input_.Add(message, false) != KV_OK)
        message->Release();
    return KV_OK;
}

KvResult CKvTAPILine::OnInfo(CKvMessage* message) {
    // Jobs send their drop requests as INFO.
    if (PayloadOf<KVTAPICALL>(message, KV_PAYLOAD_TAPI_CALL) != nullptr)
        return OnRequest(message);
    return CKvWinThread::OnInfo(message);
}

KvResult CKvTAPILine::OnSignal(CKvMessage* message) {
    if (message == nullptr)
        return KV_E_INVALID_POINTER;
    switch (message->GetCommand()) {
    case 1:
        QueueRequest(message);
        return KV_OK;
    case 3:
        RemovePendingRequest(message);
        return KV_OK;
    default:
        message->Release();
        return KV_OK;
    }
}

KvResult CKvTAPILine::OnQuit(CKvMessage* message) {
    if (timers_.Find(kQuitTimer) == nullptr && calls_.GetCount() > 0) {
        timers_.Add(kQuitTimer, 0, kQuitWaitMs);
        timers_.Restart(kQuitTimer, 0, kQuitWaitMs);
        if (timers_.IsRunning(kQuitTimer)) {
            DropAllCalls();
            if (message != nullptr)
                message->Release();
            return KV_OK;
        }
    }
    SendLineData(KVTAPILINEDATA::kCodeLineQuits);
    return CKvWinThread::OnQuit(message);
}

void CKvTAPILine::DropAllCalls() {
    KVTAPICALLSMANAGER::Position position = 0;
    if (!calls_.GetStartPosition(position))
        return;
    while (KVTAPICALL* call = calls_.GetNextCall(position)) {
        if (call->GetHcall() != 0)
            lineDrop(call->GetHcall(), nullptr, 0);
    }
}

// ---- Watches and reports ----

bool CKvTAPILine::IsEqualWatch(CKvMessage* entry, CKvMessage* signal) const {
    return entry->GetTargetEndpoint() == signal->GetSubscriberEndpoint() &&
           entry->GetPayloadType() == signal->GetPayloadType() &&
           entry->GetSourceJobId() == signal->GetTargetJobId();
}

void CKvTAPILine::QueueRequest(CKvMessage* signal) {
    CKvMessageList::Position position;
    watch_list_.GetHeadPosition(position);
    while (CKvMessage* entry = watch_list_.GetNext(position)) {
        if (IsEqualWatch(entry, signal)) {
            signal->Release();
            return;
        }
    }
    signal->SetSourceJobId(signal->GetTargetJobId());
    signal->SetTargetEndpoint(signal->GetSubscriberEndpoint());
    signal->SetKind(KV_MSG_KIND_INFO);
    if (auto* call = PayloadOf<KVTAPICALL>(signal, KV_PAYLOAD_TAPI_CALL);
        call != nullptr && call->GetHcall() != 0 && !calls_.HasCall(call->GetHcall())) {
        SetLastResult(KV_E_FAIL);
        signal->Release();
        return;
    }
    if (watch_list_.Add(signal, false) != KV_OK)
        signal->Release();
}

void CKvTAPILine::RemovePendingRequest(CKvMessage* signal) {
    std::vector<CKvMessage*> equal;
    CKvMessageList::Position position;
    watch_list_.GetHeadPosition(position);
    while (CKvMessage* entry = watch_list_.GetNext(position)) {
        if (IsEqualWatch(entry, signal))
            equal.push_back(entry);
    }
    for (CKvMessage* entry : equal)
        watch_list_.RemoveAndDelete(entry);
    signal->Release();
}

bool CKvTAPILine::SendToWatcher(CKvMessage* watch, CKvMessage* message) {
    if (message->Send(watch->GetTargetEndpoint(), GetEndpointId(), GetRouter(), NextSequence(),
                      true, false) == KV_OK)
        return true;
    watch_list_.RemoveAndDelete(watch);
    return false;
}

void CKvTAPILine::SendCallUpdate(KVTAPICALL& call) {
    if (call.GetWmIdNotif() == 0)
        return;
    auto* message = new CKvMessage;
    message->SetHeader(KV_MSG_KIND_INFO, new KVTAPICALL(call), KV_PAYLOAD_TAPI_CALL, 1,
                       kSubCommandRecord, 0);
    message->SetJobIds(call.GetIdTargetNotif(), 0, 0);
    message->Send(call.GetWmIdNotif(), GetEndpointId(), GetRouter(), NextSequence(), true, false);
}

void CKvTAPILine::NotifyCallRequesters(KVTAPICALL& call) {
    std::vector<CKvMessage*> watches;
    CKvMessageList::Position position;
    watch_list_.GetHeadPosition(position);
    while (CKvMessage* entry = watch_list_.GetNext(position)) {
        auto* watched = PayloadOf<KVTAPICALL>(entry, KV_PAYLOAD_TAPI_CALL);
        if (watched == nullptr) {
            if (entry->GetPayloadType() == KV_PAYLOAD_TAPI_CALL)
                SetLastResult(KV_E_INVALID_POINTER);
            continue;
        }
        if (watched->GetHcall() == 0 || watched->GetHcall() == call.GetHcall())
            watches.push_back(entry);
    }
    for (CKvMessage* entry : watches) {
        CKvMessage* copy = nullptr;
        entry->Clone(copy);
        auto* payload = PayloadOf<KVTAPICALL>(copy, KV_PAYLOAD_TAPI_CALL);
        if (payload == nullptr) {
            if (copy != nullptr)
                copy->Release();
            SetLastResult(KV_E_FAIL);
            continue;
        }
        *payload = call;
        SendToWatcher(entry, copy);
    }
}

void CKvTAPILine::SendToWatchersOfType(std::int32_t payload_type,
                                       const std::function<void*()>& make_payload) {
    std::vector<CKvMessage*> watches;
    CKvMessageList::Position position;
    watch_list_.GetHeadPosition(position);
    while (CKvMessage* entry = watch_list_.GetNext(position)) {
        if (entry->GetPayloadType() == payload_type)
            watches.push_back(entry);
    }
    for (CKvMessage* entry : watches) {
        CKvMessage* copy = nullptr;
        entry->CloneHeader(copy);
        copy->SetPayload(make_payload());
        copy->SetKind(KV_MSG_KIND_INFO);
        SendToWatcher(entry, copy);
    }
}

void CKvTAPILine::SendCallsManager() {
    SendToWatchersOfType(KV_PAYLOAD_TAPI_CALLS_MANAGER, [this]() -> void* {
        KVTAPICALLSMANAGER* manager = nullptr;
        calls_.Clone(manager);
        return manager;
    });
}

void CKvTAPILine::SendLineData(std::uint32_t code) {
    SendToWatchersOfType(KV_PAYLOAD_TAPI_LINE_DATA, [this, code]() -> void* {
        auto* data = new KVTAPILINEDATA;
        data->Set(GetName(), display_name_, hline_, device_id_, code, "", 0, 0, "", 0);
        return data;
    });
}

// ---- TAPI events ----

void CKvTAPILine::ProcessLineReplies() {
    CKvMessageList::Position position;
    input_.GetHeadPosition(position);
    while (CKvMessage* message = input_.GetNext(position)) {
        KVTAPILINEMESSAGE* line_message = LineMessageOf(message);
        if (line_message == nullptr || line_message->GetMessage() != LINE_REPLY)
            continue;
        if (TapiPendingRequest* request = requests_.Lookup(line_message->GetRequestId())) {
            request->replied = 1;
            request->reply_result = static_cast<std::uint32_t>(line_message->GetReplyResult());
            request->reply_second_value =
                static_cast<std::uint32_t>(line_message->GetReplySecondValue());
        }
        input_.RemoveAndDelete(message);
    }
}

void CKvTAPILine::ProcessCallStates() {
    CKvMessage* message = nullptr;
    KVTAPILINEMESSAGE* line_message = nullptr;
    CKvMessageList::Position position;
    input_.GetHeadPosition(position);
    while (CKvMessage* candidate = input_.GetNext(position)) {
        line_message = LineMessageOf(candidate);
        if (line_message != nullptr && line_message->GetMessage() == LINE_CALLSTATE) {
            message = candidate;
            break;
        }
    }
    if (message == nullptr)
        return;
    const HCALL hcall = line_message->GetCallHandle();
    if (hcall == 0) {
        SendCallsManager();
        input_.RemoveAndDelete(message);
        return;
    }
    KVTAPICALL* call = nullptr;
    if (!calls_.HasCall(hcall)) {
        if (calls_.CreateCall(call, hcall) != KV_OK || call == nullptr) {
            // Left queued it would block every later call state.
            SetLastResult(KV_E_FAIL);
            made_call_requesters_.erase(hcall);
            input_.RemoveAndDelete(message);
            return;
        }
        call->GetOrigin().FormatText(line_message->GetOrigin());
        call->GetFeatures().FormatText(line_message->GetFeatures());
        if (const auto requester = made_call_requesters_.find(hcall);
            requester != made_call_requesters_.end()) {
            call->GetWmIdNotif() = requester->second.endpoint;
            call->GetIdTargetNotif() = requester->second.job_id;
            made_call_requesters_.erase(requester);
            // The line's pair goes too, though the entry above served: the
            // accessors show it, and MakeCall called without a request of
            // its own would file it for a call of another requester.
            if (hcall == made_call_handle_) {
                requester_endpoint_ = 0;
                requester_job_id_ = 0;
            }
        }
        call->GetHline() = hline_;
        call->GetCalledNumber() = Trimmed(line_message->GetFirstNumber());
        if (call->GetCalledNumber().empty())
            call->GetCalledNumber() = line_message->GetSecondNumber();
        call->GetCallingNumber() = line_message->GetSecondNumber();
        call->GetLineName() = GetName();
    } else {
        calls_.FindCall(call, hcall);
    }
    if (call == nullptr) {
        SendCallsManager();
        input_.RemoveAndDelete(message);
        return;
    }
    if (made_calls_.count(hcall) != 0)
        call->GetMadeByThisLine() = 1;
    const std::uint32_t now = GetClock().TickMs();
    if (auto last = state_ticks_.find(hcall);
        last != state_ticks_.end() &&
        static_cast<std::int32_t>(now - last->second) < static_cast<std::int32_t>(kDebounceMs))
        return;
    const std::uint32_t state = line_message->GetCallState();
    call->SetState(state);
    call->GetFeatures().FormatText(line_message->GetFeatures());
    state_ticks_[hcall] = now;
    SendCallUpdate(*call);
    NotifyCallRequesters(*call);
    SendCallsManager();
    if (state == LINECALLSTATE_IDLE) {
        RemoveCall(hcall);
        if (request_state_ != KV_TAPILINE_IDLE &&
            (request_state_ != KV_TAPILINE_MAKE_CALL ||
             (request_step_ == 1 && hcall == made_call_handle_))) {
            AnswerPending(KV_MSG_ATTR_REFUSED);
            EndRequest();
        }
        SendCallsManager();
    } else if (state == LINECALLSTATE_DISCONNECTED) {
        lineDrop(hcall, nullptr, 0);
    }
    input_.RemoveAndDelete(message);
}

void CKvTAPILine::RemoveCall(std::uint32_t hcall) {
    lineDeallocateCall(hcall);
    requests_.RemoveByCall(hcall);
    made_calls_.erase(hcall);
    made_call_requesters_.erase(hcall);
    if (held_by_make_call_ == hcall)
        held_by_make_call_ = 0;
    state_ticks_.erase(hcall);
    calls_.RemoveCall(hcall);
    if (calls_.GetCount() == 0)
        requests_.RemoveAll();
}

// ---- The request state machine ----

bool CKvTAPILine::OnIdleHook(LONG) {
    ProcessCallStates();
    ProcessLineReplies();
    switch (request_state_) {
    case KV_TAPILINE_IDLE:
        TakeNextRequest();
        break;
    case KV_TAPILINE_MAKE_CALL:
        DoMakeCall();
        break;
    case KV_TAPILINE_OFFERED_CALL:
        DoOfferedCall();
        break;
    case KV_TAPILINE_CONFERENCE:
        DoConference(LINETRANSFERMODE_CONFERENCE, KV_TAPIREQ_CONFERENCE);
        break;
    case KV_TAPILINE_HOLD_TOGGLE:
        DoHoldToggle();
        break;
    case KV_TAPILINE_TRANSFER:
        DoConference(LINETRANSFERMODE_TRANSFER, KV_TAPIREQ_TRANSFER);
        break;
    case KV_TAPILINE_ANSWER:
        DoAnswer();
        break;
    case KV_TAPILINE_SWAP_HOLD:
        DoSwapHold();
        break;
    case KV_TAPILINE_REMOVE_FROM_CONFERENCE:
        DoRemoveFromConference();
        break;
    default:
        SetLastResult(KV_E_FAIL);
        EndRequest();
        break;
    }
    if (timers_.IsRunning(kQuitTimer) &&
        (timers_.CheckExpired(kQuitTimer) != 0 || calls_.GetCount() == 0)) {
        timers_.Stop(kQuitTimer);
        SendLineData(KVTAPILINEDATA::kCodeLineQuits);
        CKvWinThread::OnQuit(nullptr);
        return true;
    }
    return false;
}

void CKvTAPILine::StartRequest(std::uint32_t state) {
    if (state == KV_TAPILINE_MAKE_CALL)
        held_by_make_call_ = 0;
    request_state_ = state;
    request_step_ = 0;
    timers_.Stop(kReplyTimer);
}

void CKvTAPILine::EndRequest() {
    request_state_ = KV_TAPILINE_IDLE;
    request_step_ = 0;
    timers_.Stop(kReplyTimer);
}

void CKvTAPILine::AnswerPending(std::int32_t attribute) {
    if (pending_ == nullptr)
        return;
    CKvMessage* message = pending_;
    pending_ = nullptr;
    AnswerOrRelease(message, attribute, GetEndpointId(), GetRouter());
}

void CKvTAPILine::RestartReplyTimer(std::uint32_t milliseconds) {
    timers_.Restart(kReplyTimer, 0, milliseconds);
}

bool CKvTAPILine::RepliesInOrEnd(std::int32_t refuse_attribute) {
    if (requests_.CheckReplies() != 0) {
        requests_.RemoveAll();
        return true;
    }
    if (timers_.CheckExpired(kReplyTimer) != 0) {
        requests_.RemoveAll();
        AnswerPending(refuse_attribute);
        EndRequest();
        return false;
    }
    if (!timers_.IsRunning(kReplyTimer))
        RestartReplyTimer(kReplyWaitMs);
    return false;
}

void CKvTAPILine::WaitForReplies() {
    if (RepliesInOrEnd(KV_MSG_ATTR_REFUSED))
        EndRequest();
}

bool CKvTAPILine::AddPending(LONG request_id, std::uint32_t hcall, std::uint32_t kind) {
    if (request_id <= 0)
        return false;
    TapiPendingRequest* entry = nullptr;
    if (requests_.Create(entry, static_cast<std::uint32_t>(request_id)) != KV_OK ||
        entry == nullptr)
        return false;
    entry->hline = hline_;
    entry->hcall = hcall;
    entry->kind = kind;
    return true;
}

KVTAPICALL* CKvTAPILine::LiveCurrentCall() {
    KVTAPICALL* call = nullptr;
    if (current_call_.GetHcall() == 0 || calls_.FindCall(call, current_call_.GetHcall()) != KV_OK)
        return nullptr;
    return call;
}

KVTAPICALL* CKvTAPILine::FindConnectedCall(bool without_pending) {
    KVTAPICALLSMANAGER::Position position = 0;
    if (!calls_.GetStartPosition(position))
        return nullptr;
    while (KVTAPICALL* call = calls_.GetNextCall(position)) {
        if (call->GetState() == LINECALLSTATE_CONNECTED &&
            (!without_pending || !requests_.HasCall(call->GetHcall())))
            return call;
    }
    return nullptr;
}

HCALL CKvTAPILine::HoldOtherCalls() {
    HCALL first_held = 0;
    KVTAPICALLSMANAGER::Position position = 0;
    if (!calls_.GetStartPosition(position))
        return first_held;
    while (KVTAPICALL* call = calls_.GetNextCall(position)) {
        if (call->GetState() != LINECALLSTATE_CONNECTED ||
            call->GetCalledNumber() == number_to_dial_ || requests_.HasCall(call->GetHcall()))
            continue;
        if (AddPending(lineHold(call->GetHcall()), call->GetHcall(), KV_TAPIREQ_HOLD) &&
            first_held == 0)
            first_held = call->GetHcall();
    }
    return first_held;
}

KVTAPICALL* CKvTAPILine::HeldCallToConference() {
    KVTAPICALL* call = nullptr;
    if (held_by_make_call_ != 0 && calls_.FindCall(call, held_by_make_call_) == KV_OK &&
        IsHeld(call->GetState()))
        return call;
    KVTAPICALLSMANAGER::Position position = 0;
    if (!calls_.GetStartPosition(position))
        return nullptr;
    while ((call = calls_.GetNextCall(position)) != nullptr) {
        if (IsHeld(call->GetState()))
            return call;
    }
    return nullptr;
}

void CKvTAPILine::TakeNextRequest() {
    CKvMessageList::Position position;
    input_.GetHeadPosition(position);
    while (CKvMessage* message = input_.GetNext(position)) {
        switch (message->GetPayloadType()) {
        case KV_PAYLOAD_NAMED_VALUE:
            input_.Remove(message);
            if (TakeNamedCommand(message))
                return;
            break;
        case KV_PAYLOAD_TAPI_LINE_MESSAGE: {
            KVTAPILINEMESSAGE* line_message = LineMessageOf(message);
            if (line_message == nullptr || line_message->GetMessage() != LINE_CALLSTATE) {
                input_.RemoveAndDelete(message);
                break;
            }
            if (line_message->GetCallState() == LINECALLSTATE_OFFERING) {
                StartRequest(KV_TAPILINE_OFFERED_CALL);
                return;
            }
            break;
        }
        case KV_PAYLOAD_TAPI_CALL:
            input_.Remove(message);
            if (TakeCallRequest(message))
                return;
            break;
        default:
            input_.RemoveAndDelete(message);
            break;
        }
    }
}

bool CKvTAPILine::TakeNamedCommand(CKvMessage* message) {
    auto* command = static_cast<CKvNamedValue*>(message->GetPayload());
    if (command != nullptr && command->GetName() == kTapiMakeCallCommand) {
        std::string number = Trimmed(command->GetValue());
        if (!number.empty()) {
            current_call_ = KVTAPICALL();
            number_to_dial_ = std::move(number);
            requester_endpoint_ = message->GetSourceEndpoint();
            requester_job_id_ = message->GetTargetJobId();
            SetPendingRequest(message);
            StartRequest(KV_TAPILINE_MAKE_CALL);
            return true;
        }
    } else if (command != nullptr && command->GetName() == kTapiMakeConferenceCommand) {
        // A make-call leaves no current call: the conference joins the held
        // call of the consultation.
        KVTAPICALL* held = HeldCallToConference();
        current_call_ = held != nullptr ? *held : KVTAPICALL();
        number_to_dial_.clear();
        message->Release();
        StartRequest(KV_TAPILINE_CONFERENCE);
        return true;
    }
    message->Release();
    return false;
}

bool CKvTAPILine::TakeCallRequest(CKvMessage* message) {
    auto* request = static_cast<KVTAPICALL*>(message->GetPayload());
    if (request == nullptr) {
        message->Release();
        return false;
    }
    KVTAPICALL* known = nullptr;
    if (request->GetHcall() != 0 && calls_.FindCall(known, request->GetHcall()) == KV_OK &&
        known != nullptr) {
        const bool started = StartKnownCallRequest(*known, *request);
        message->Release();
        return started;
    }
    if (request->GetKvTapiFunc() == KV_TAPIFUNC_MAKE_CALL) {
        std::string number = Trimmed(request->GetCalledNumber());
        if (!number.empty()) {
            current_call_ = *request;
            number_to_dial_ = std::move(number);
            requester_endpoint_ = message->GetSourceEndpoint();
            requester_job_id_ = message->GetTargetJobId();
            SetPendingRequest(message);
            StartRequest(KV_TAPILINE_MAKE_CALL);
            return true;
        }
    }
    message->Release();
    return false;
}

bool CKvTAPILine::StartKnownCallRequest(KVTAPICALL& known, KVTAPICALL& request) {
    current_call_ = known;
    current_call_.GetKvTapiFunc() = request.GetKvTapiFunc();
    number_to_dial_.clear();
    // Starts the request when it is allowed; true when started.
    const auto start_if = [this](bool allowed, std::uint32_t state) {
        if (allowed)
            StartRequest(state);
        return allowed;
    };
    switch (request.GetKvTapiFunc()) {
    case KV_TAPIFUNC_HOLD_TOGGLE:
        return start_if(true, KV_TAPILINE_HOLD_TOGGLE);
    case KV_TAPIFUNC_MAKE_CALL:
        number_to_dial_ =
            known.GetCalledNumber().empty() ? known.GetCallingNumber() : known.GetCalledNumber();
        return start_if(true, KV_TAPILINE_MAKE_CALL);
    case KV_TAPIFUNC_CONFERENCE:
        return start_if(line_features_.HasFlags(LINECALLFEATURE_COMPLETETRANSF),
                        KV_TAPILINE_CONFERENCE);
    case KV_TAPIFUNC_DROP:
        lineDrop(known.GetHcall(), nullptr, 0);
        return false;
    case KV_TAPIFUNC_TRANSFER:
        return start_if(line_features_.HasFlags(LINECALLFEATURE_COMPLETETRANSF),
                        KV_TAPILINE_TRANSFER);
    case KV_TAPIFUNC_REDIRECT:
        Redirect(request);
        return false;
    case KV_TAPIFUNC_BLIND_TRANSFER:
        BlindTransfer(request);
        return false;
    case KV_TAPIFUNC_ANSWER:
        return start_if(known.GetFeatures().HasFlags(LINECALLFEATURE_ANSWER), KV_TAPILINE_ANSWER);
    case KV_TAPIFUNC_SWAP_HOLD:
        if (FindConnectedCall(false) != nullptr)
            return start_if(line_features_.HasFlags(LINECALLFEATURE_SWAPHOLD),
                            KV_TAPILINE_SWAP_HOLD);
        return start_if(line_features_.HasFlags(LINECALLFEATURE_UNHOLD), KV_TAPILINE_HOLD_TOGGLE);
    case KV_TAPIFUNC_REMOVE_FROM_CONFERENCE:
        return start_if(line_features_.HasFlags(LINECALLFEATURE_REMOVEFROMCONF),
                        KV_TAPILINE_REMOVE_FROM_CONFERENCE);
    default:
        return false;
    }
}

void CKvTAPILine::DoMakeCall() {
    switch (request_step_) {
    case 0: {
        if (calls_.GetCount() != 0) {
            if (const HCALL held = HoldOtherCalls(); held != 0)
                held_by_make_call_ = held;
            if (!RepliesInOrEnd(KV_MSG_ATTR_REFUSED))
                return;
            if (KVTAPICALL* current = LiveCurrentCall();
                current != nullptr && IsHeld(current->GetState()))
                AddPending(lineUnhold(current->GetHcall()), current->GetHcall(), KV_TAPIREQ_UNHOLD);
        }
        request_step_ = 2;
        RestartReplyTimer(kReplyWaitMs);
        return;
    }
    case 2: {
        if (!RepliesInOrEnd(KV_MSG_ATTR_REFUSED))
            return;
        KVTAPICALL* existing = nullptr;
        if (calls_.FindCallByCalledNumber(existing, number_to_dial_) == KV_OK ||
            MakeCall(number_to_dial_) != KV_OK) {
            AnswerPending(KV_MSG_ATTR_REFUSED);
            EndRequest();
            return;
        }
        request_step_ = 1;
        RestartReplyTimer(kMakeCallReplyWaitMs);
        return;
    }
    case 1: {
        if (requests_.CheckReplies() == 0) {
            if (timers_.CheckExpired(kReplyTimer) != 0) {
                requests_.RemoveAll();
                made_call_requesters_.erase(made_call_handle_);
                AnswerPending(KV_MSG_ATTR_REFUSED);
                EndRequest();
            } else if (!timers_.IsRunning(kReplyTimer)) {
                RestartReplyTimer(kMakeCallReplyWaitMs);
            }
            return;
        }
        std::uint32_t result = 0;
        TapiPendingRequest* request = nullptr;
        if (requests_.FindByKind(request, KV_TAPIREQ_MAKE_CALL) == KV_OK && request != nullptr)
            result = request->reply_result;
        if (result == 0) {
            // The handle is dead: no state of it will come.
            made_call_requesters_.erase(made_call_handle_);
        } else {
            made_calls_.insert(made_call_handle_);
            if (KVTAPICALL* known = nullptr; calls_.FindCall(known, made_call_handle_) == KV_OK)
                known->GetMadeByThisLine() = 1;
            if (auto* call = PayloadOf<KVTAPICALL>(pending_, KV_PAYLOAD_TAPI_CALL))
                call->GetHcall() = made_call_handle_;
        }
        AnswerPending(result != 0 ? KV_MSG_ATTR_ACCEPTED : KV_MSG_ATTR_REFUSED);
        requests_.RemoveAll();
        EndRequest();
        return;
    }
    default:
        SetLastResult(KV_E_FAIL);
        AnswerPending(KV_MSG_ATTR_REFUSED);
        EndRequest();
        return;
    }
}

KvResult CKvTAPILine::MakeCall(const std::string& number) {
    const std::string dialled = Trimmed(number);
    if (hline_ == 0 || calls_.IsFull() || dialled.empty() || dialled.size() > kMaxNumberLength)
        return KV_E_FAIL;
    LineCallParams params;
    params.bearer_mode = LINEBEARERMODE_VOICE;
    params.media_mode = LINEMEDIAMODE_INTERACTIVEVOICE;
    params.call_param_flags = LINECALLPARAMFLAGS_IDLE;
    params.address_mode = LINEADDRESSMODE_ADDRESSID;
    params.address_id = 0;
    params.displayable_address = dialled;
    made_call_handle_ = 0;
    const LONG request_id = lineMakeCallA(hline_, &made_call_handle_, dialled.c_str(), 0, &params);
    if (request_id < 0 || !AddPending(request_id, made_call_handle_, KV_TAPIREQ_MAKE_CALL))
        return KV_E_FAIL;
    make_call_request_id_ = static_cast<std::uint32_t>(request_id);
    made_call_requesters_[made_call_handle_] = {requester_endpoint_, requester_job_id_};
    return KV_OK;
}

void CKvTAPILine::DoOfferedCall() {
    if (request_step_ != 0) {
        SetLastResult(KV_E_FAIL);
        EndRequest();
        return;
    }
    // The offered call's states are applied by ProcessCallStates; the state
    // ends once none is left to apply.
    CKvMessageList::Position position;
    input_.GetHeadPosition(position);
    while (CKvMessage* message = input_.GetNext(position)) {
        KVTAPILINEMESSAGE* line_message = LineMessageOf(message);
        if (line_message != nullptr && line_message->GetMessage() == LINE_CALLSTATE &&
            line_message->GetCallState() == LINECALLSTATE_OFFERING)
            return;
    }
    EndRequest();
}

void CKvTAPILine::RunIssueAndWait(const std::function<StepZero()>& issue) {
    if (request_step_ == 1) {
        WaitForReplies();
        return;
    }
    if (request_step_ != 0) {
        SetLastResult(KV_E_FAIL);
        EndRequest();
        return;
    }
    switch (issue()) {
    case StepZero::kIssued:
        RestartReplyTimer(kReplyWaitMs);
        request_step_ = 1;
        return;
    case StepZero::kWait:
        // Within bounds, for the call to reach a state the request can act on.
        if (timers_.CheckExpired(kReplyTimer) != 0)
            EndRequest();
        else if (!timers_.IsRunning(kReplyTimer))
            RestartReplyTimer(kReplyWaitMs);
        return;
    case StepZero::kEnd:
        EndRequest();
        return;
    }
}

void CKvTAPILine::DoConference(std::uint32_t mode, std::uint32_t kind) {
    RunIssueAndWait([this, mode, kind] {
        KVTAPICALL* current = LiveCurrentCall();
        KVTAPICALL* connected = FindConnectedCall(false);
        if (calls_.GetCount() <= 1 || current == nullptr || !IsHeld(current->GetState()) ||
            connected == nullptr || connected->GetHcall() == 0 ||
            requests_.HasCall(current->GetHcall()))
            return StepZero::kEnd;
        HCALL conference = 0;
        const LONG request_id =
            lineCompleteTransfer(connected->GetHcall(), current->GetHcall(), &conference, mode);
        return AddPending(request_id, current->GetHcall(), kind) ? StepZero::kIssued
                                                                 : StepZero::kEnd;
    });
}

void CKvTAPILine::DoHoldToggle() {
    RunIssueAndWait([this] {
        // The live call, not the copy taken with the request.
        KVTAPICALL* current = LiveCurrentCall();
        if (current == nullptr)
            return StepZero::kEnd;
        const HCALL hcall = current->GetHcall();
        switch (current->GetState()) {
        case LINECALLSTATE_CONNECTED:
            return AddPending(lineHold(hcall), hcall, KV_TAPIREQ_HOLD) ? StepZero::kIssued
                                                                       : StepZero::kEnd;
        case LINECALLSTATE_ONHOLD:
            return AddPending(lineUnhold(hcall), hcall, KV_TAPIREQ_UNHOLD) ? StepZero::kIssued
                                                                           : StepZero::kEnd;
        case LINECALLSTATE_CONFERENCED:
        case LINECALLSTATE_ONHOLDPENDCONF:
        case LINECALLSTATE_ONHOLDPENDTRANSFER:
            return StepZero::kEnd;
        default:
            return StepZero::kWait;
        }
    });
}

void CKvTAPILine::DoAnswer() {
    switch (request_step_) {
    case 0:
        if (calls_.GetCount() == 0) {
            EndRequest();
            return;
        }
        HoldOtherCalls();
        request_step_ = 2;
        RestartReplyTimer(kReplyWaitMs);
        return;
    case 2: {
        if (!RepliesInOrEnd(KV_MSG_ATTR_REFUSED))
            return;
        KVTAPICALL* current = LiveCurrentCall();
        if (current == nullptr) {
            EndRequest();
            return;
        }
        const LONG request_id = lineAnswer(current->GetHcall(), nullptr, 0);
        if (!AddPending(request_id, current->GetHcall(), KV_TAPIREQ_ANSWER)) {
            EndRequest();
            return;
        }
        RestartReplyTimer(kReplyWaitMs);
        request_step_ = 1;
        AnswerPending(KV_MSG_ATTR_ACCEPTED);
        requests_.RemoveAll();
        return;
    }
    case 1:
        WaitForReplies();
        return;
    default:
        SetLastResult(KV_E_FAIL);
        EndRequest();
        return;
    }
}

void CKvTAPILine::DoSwapHold() {
    RunIssueAndWait([this] {
        KVTAPICALL* current = LiveCurrentCall();
        if (calls_.GetCount() < 1 || current == nullptr || !IsHeld(current->GetState()))
            return StepZero::kEnd;
        const HCALL held = current->GetHcall();
        KVTAPICALL* connected = FindConnectedCall(true);
        const bool added =
            connected != nullptr
                ? AddPending(lineSwapHold(connected->GetHcall(), held), held, KV_TAPIREQ_SWAP_HOLD)
                : AddPending(lineUnhold(held), held, KV_TAPIREQ_UNHOLD);
        return added ? StepZero::kIssued : StepZero::kEnd;
    });
}

void CKvTAPILine::DoRemoveFromConference() {
    RunIssueAndWait([this] {
        return RemoveFromConference(current_call_) == KV_OK ? StepZero::kIssued : StepZero::kEnd;
    });
}

KvResult CKvTAPILine::TransferOrRedirect(KVTAPICALL& call, bool redirect) {
    if (hline_ == 0)
        return KV_E_FAIL;
    KVTAPICALL* known = nullptr;
    if (call.GetHcall() == 0 || calls_.FindCall(known, call.GetHcall()) != KV_OK)
        return KV_E_FAIL;
    if (TrimmedView(call.GetCalledNumber()).empty())
        return KV_E_FAIL;
    std::string target;
    if (call.GetNumberCategory() == kCategoryOfficeVoip ||
        call.GetNumberCategory() == kCategoryPrivateVoip) {
        target = call.GetCalledNumber();
    } else {
        std::string number = call.GetCalledNumber();
        dialling_rules_.MakeDialableNumber(target, number);
    }
    if (requests_.HasCall(call.GetHcall()))
        return KV_E_FAIL;
    const LONG request_id = redirect ? lineRedirectA(call.GetHcall(), target.c_str(), 0)
                                     : lineBlindTransferA(call.GetHcall(), target.c_str(), 0);
    if (request_id < 0)
        return KV_E_FAIL;
    AddPending(request_id, call.GetHcall(),
               redirect ? KV_TAPIREQ_REDIRECT : KV_TAPIREQ_BLIND_TRANSFER);
    return KV_OK;
}

KvResult CKvTAPILine::BlindTransfer(KVTAPICALL& call) {
    return TransferOrRedirect(call, false);
}

KvResult CKvTAPILine::Redirect(KVTAPICALL& call) {
    return TransferOrRedirect(call, true);
}

KvResult CKvTAPILine::RemoveFromConference(KVTAPICALL& call) {
    if (hline_ == 0)
        return KV_E_FAIL;
    KVTAPICALL* known = nullptr;
    if (call.GetHcall() == 0 || calls_.FindCall(known, call.GetHcall()) != KV_OK ||
        known->GetState() != LINECALLSTATE_CONFERENCED || requests_.HasCall(call.GetHcall()))
        return KV_E_FAIL;
    const LONG request_id = lineRemoveFromConference(call.GetHcall());
    if (request_id < 0)
        return KV_E_FAIL;
    AddPending(request_id, call.GetHcall(), KV_TAPIREQ_REMOVE_FROM_CONFERENCE);
    return KV_OK;
}
