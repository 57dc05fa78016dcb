#include "tapi/tapi_line_host.h"

#include "platform/clock.h"
#include "platform/tapi/tapi_line_service.h"
#include "platform/text.h"
#include "tapi/tapi_call.h"
#include "tapi/tapi_calls_manager.h"
#include "tapi/tapi_line_message.h"

#include <algorithm>

namespace {

// Posted by TAPI's message hook, which may run on any thread; above the
// endpoint ids.
constexpr UINT kDrainMessage = 0x00020001u;
constexpr UINT kDrainTimerId = 1;
constexpr DWORD kEndPollMs = 10;
// Real-time limit of the end, whatever the clock does.
constexpr std::uint32_t kEndPollRounds = 1500;
constexpr DWORD kQuitWaitMs = 5000;

} // namespace

KVTAPILINEMESSAGE* NewLineReplyMessage(const LineMessage& message) {
    auto* payload = new KVTAPILINEMESSAGE;
    payload->GetMessage() = LINE_REPLY;
    payload->GetRequestId() = message.param1;
    payload->GetReplyResult() = message.param2 == 0 ? 1 : 0;
    payload->GetReplySecondValue() = static_cast<std::int32_t>(message.param2);
    return payload;
}

KVTAPILINEMESSAGE* NewLineCallStateMessage(const LineMessage& message) {
    const HCALL hcall = message.device;
    LineCallInfo info;
    LineCallStatus status;
    if (lineGetCallInfoA(hcall, &info) != 0 || lineGetCallStatus(hcall, &status) != 0)
        return nullptr;
    auto* payload = new KVTAPILINEMESSAGE;
    payload->GetMessage() = LINE_CALLSTATE;
    payload->GetCallHandle() = hcall;
    payload->GetCallState() = message.param1;
    payload->GetOrigin() = info.origin;
    payload->GetFeatures() = status.call_features;
    // An offered call's callednumber is its caller id.
    if ((info.origin & LINECALLORIGIN_OUTBOUND) != 0)
        payload->GetFirstNumber() = info.called_id;
    payload->GetSecondNumber() = info.caller_id;
    payload->GetCallInfo() = info;
    payload->GetCallStatus() = status;
    return payload;
}

TapiLineHost::TapiLineHost(CKvMessageRouter* router)
    : CKvWinThread(router, kEndpoint, "TapiLineHost", false) {}

TapiLineHost::~TapiLineHost() {
    JoinThread();
}

bool TapiLineHost::OnInitInstance() {
    routing_enabled_ = true;
    HLINEAPP line_app = 0;
    DWORD device_count = 0;
    DWORD api_version = kApiVersion;
    LineInitializeExParams params;
    params.message_hook = [this] { PostMessage(kDrainMessage, 0, 0); };
    if (lineInitializeExA(&line_app, "TapiLineHost", &device_count, &api_version, &params) != 0)
        line_app = 0;
    // Lines opened without TAPI are refused by the lines themselves.
    record_ = TapiHostRecord(line_app, kApiVersion, device_count, 0);
    SetThreadTimer(kDrainTimerId, kDrainTimerMs);
    GetStartedEvent().Set();
    return true;
}

void TapiLineHost::OnExitInstance() {
    for (Line& line : lines_) {
        line.thread->Stop(0);
        line.stopping = true;
    }
    // Lines drop their calls first; their call states must still reach them.
    const std::uint32_t start = GetClock().TickMs();
    for (std::uint32_t round = 0; !lines_.empty() && round < kEndPollRounds; ++round) {
        if (static_cast<std::int32_t>(GetClock().TickMs() - start) >=
            static_cast<std::int32_t>(kLineStopWaitMs))
            break;
        DrainLineMessages();
        DeleteEndedLines();
        if (!lines_.empty())
            lines_.front().thread->WaitEnded(1, kEndPollMs);
    }
    // A second quit ends a line that still waits for its calls at once.
    for (Line& line : lines_)
        line.thread->Stop(0);
    for (Line& line : lines_)
        line.thread->WaitEnded(1, kQuitWaitMs);
    DeleteEndedLines();
    KillThreadTimer(kDrainTimerId);
    if (record_.GetTapiLineApp() != 0)
        lineShutdown(record_.GetTapiLineApp());
    // Lines that did not end in time are joined by their destructors.
    lines_.clear();
    UpdateLineCount();
}

bool TapiLineHost::PreTranslateMessage(ThreadMessage& message) {
    if (message.window == nullptr && message.message == kDrainMessage) {
        DrainLineMessages();
        return true;
    }
    return CKvWinThread::PreTranslateMessage(message);
}

void TapiLineHost::OnTimer(UINT id) {
    if (id == kDrainTimerId) {
        DrainLineMessages();
        DeleteEndedLines();
    }
}

bool TapiLineHost::OnIdleHook(LONG) {
    DrainLineMessages();
    DeleteEndedLines();
    return false;
}

// ---- Messages of the jobs ----

KvResult TapiLineHost::OnRequest(CKvMessage* message) {
    if (message == nullptr)
        return KV_E_INVALID_POINTER;
    switch (message->GetPayloadType()) {
    case KV_PAYLOAD_TAPI_LINE:
        OpenLine(message);
        break;
    case KV_PAYLOAD_TAPI_CALL:
        if (auto* call = static_cast<KVTAPICALL*>(message->GetPayload()))
            ForwardToLine(message, call->GetLineName());
        else
            Refuse(message);
        break;
    default:
        Refuse(message);
        break;
    }
    return KV_OK;
}

KvResult TapiLineHost::OnInfo(CKvMessage* message) {
    if (message == nullptr)
        return KV_E_INVALID_POINTER;
    if (message->GetPayloadType() == KV_PAYLOAD_TAPI_LINE &&
        message->GetCommand() == kCloseCommand) {
        CloseLines(message);
        return KV_OK;
    }
    if (message->GetPayloadType() == KV_PAYLOAD_TAPI_CALL && message->GetPayload() != nullptr) {
        ForwardToLine(message, static_cast<KVTAPICALL*>(message->GetPayload())->GetLineName());
        return KV_OK;
    }
    return CKvWinThread::OnInfo(message);
}

KvResult TapiLineHost::OnSignal(CKvMessage* message) {
    if (message == nullptr)
        return KV_E_INVALID_POINTER;
    if (message->GetCommand() != 1 && message->GetCommand() != 3)
        return CKvWinThread::OnSignal(message);
    std::string name;
    if (message->GetPayload() != nullptr) {
        if (message->GetPayloadType() == KV_PAYLOAD_TAPI_CALLS_MANAGER)
            name = static_cast<KVTAPICALLSMANAGER*>(message->GetPayload())->GetIdentifier();
        else if (message->GetPayloadType() == KV_PAYLOAD_TAPI_CALL)
            name = static_cast<KVTAPICALL*>(message->GetPayload())->GetLineName();
    }
    // A watch without a line watches every line.
    if (name.empty())
        ForwardToEveryLine(message);
    else
        ForwardToLine(message, name);
    return KV_OK;
}

void TapiLineHost::Refuse(CKvMessage* message) {
    if (message->GetKind() == KV_MSG_KIND_REQUEST) {
        message->SetAttribute(KV_MSG_ATTR_REFUSED);
        message->SendConfirmation(GetEndpointId(), GetRouter(), true);
    } else {
        message->Release();
    }
}

void TapiLineHost::OpenLine(CKvMessage* message) {
    auto* line = static_cast<CKvTAPILine*>(message->GetPayload());
    DeleteEndedLines();
    const std::uint16_t endpoint = FreeEndpoint();
    // Refused before it runs, the line object goes back with the answer.
    if (line == nullptr || line->GetName().empty() || FindLine(line->GetName()) != nullptr ||
        endpoint == 0) {
        Refuse(message);
        return;
    }
    CKvMessage* refusal = nullptr;
    message->CloneHeader(refusal);
    line->SetHostRecord(&record_);
    line->SetRouter(GetRouter(), endpoint);
    // The line confirms its creation itself; the object stays the message's
    // payload without being owned by it.
    line->SetPendingRequest(message);
    lines_.push_back(Line{std::unique_ptr<CKvTAPILine>(line), false});
    UpdateLineCount();
    if (!line->CreateThread()) {
        lines_.pop_back(); // deleting the line releases the request without it
        UpdateLineCount();
        Refuse(refusal);
        return;
    }
    refusal->Release();
}

void TapiLineHost::CloseLines(CKvMessage* message) {
    const auto* named = static_cast<CKvTAPILine*>(message->GetPayload());
    for (Line& line : lines_) {
        if (named != nullptr && line.thread->GetName() != named->GetName())
            continue;
        line.thread->Stop(0);
        line.stopping = true;
    }
    message->Release();
}

CKvTAPILine* TapiLineHost::FindLine(const std::string& name) {
    for (Line& line : lines_) {
        if (!line.stopping && !line.thread->IsEnded() && line.thread->GetName() == name)
            return line.thread.get();
    }
    return nullptr;
}

std::uint16_t TapiLineHost::FreeEndpoint() {
    for (std::uint32_t id = kFirstLineEndpoint; id <= kLastLineEndpoint; ++id) {
        const auto endpoint = static_cast<std::uint16_t>(id);
        const bool used = std::any_of(lines_.begin(), lines_.end(), [endpoint](const Line& line) {
            return line.thread->GetEndpointId() == endpoint;
        });
        CKvRouterEndpoint entry;
        if (!used && GetRouter()->LookupEndpoint(entry, endpoint) == 0)
            return endpoint;
    }
    return 0;
}

void TapiLineHost::DeleteEndedLines() {
    const auto ended = [](const Line& line) {
        return line.thread->IsEnded() && line.thread->WaitEnded(1, kEndPollMs);
    };
    const std::size_t before = lines_.size();
    lines_.erase(std::remove_if(lines_.begin(), lines_.end(), ended), lines_.end());
    if (lines_.size() != before)
        UpdateLineCount();
}

void TapiLineHost::ForwardToLine(CKvMessage* message, const std::string& name) {
    CKvTAPILine* line = FindLine(name);
    // Post keeps the requester as source, so that the line answers it.
    if (line == nullptr || message->Post(line->GetEndpointId(), GetRouter(), false) != KV_OK)
        Refuse(message);
}

void TapiLineHost::ForwardToEveryLine(CKvMessage* message) {
    for (Line& line : lines_) {
        if (line.stopping || line.thread->IsEnded())
            continue;
        CKvMessage* copy = nullptr;
        message->Clone(copy);
        if (copy != nullptr &&
            copy->Post(line.thread->GetEndpointId(), GetRouter(), false) != KV_OK)
            copy->Release();
    }
    message->Release();
}

// ---- TAPI's messages ----

void TapiLineHost::DrainLineMessages() {
    const HLINEAPP line_app = record_.GetTapiLineApp();
    if (line_app == 0)
        return;
    LineMessage message;
    while (lineGetMessage(line_app, &message, 0) == 0) {
        if (message.message_id == LINE_REPLY)
            ForwardReply(message);
        else if (message.message_id == LINE_CALLSTATE)
            ForwardCallState(message);
    }
}

void TapiLineHost::PostLineMessage(CKvTAPILine& line, KVTAPILINEMESSAGE* payload) {
    auto* message = new CKvMessage;
    message->SetHeader(KV_MSG_KIND_REQUEST, payload, KV_PAYLOAD_TAPI_LINE_MESSAGE, 1, 5, 0);
    message->Send(line.GetEndpointId(), GetEndpointId(), GetRouter(), NextSequence(), true, false);
}

void TapiLineHost::ForwardReply(const LineMessage& message) {
    // A line ignores the request ids it does not know.
    for (Line& line : lines_) {
        if (!line.thread->IsEnded())
            PostLineMessage(*line.thread, NewLineReplyMessage(message));
    }
}

void TapiLineHost::ForwardCallState(const LineMessage& message) {
    KVTAPILINEMESSAGE* payload = NewLineCallStateMessage(message);
    if (payload == nullptr)
        return;
    const std::string name = DeviceName(payload->GetCallInfo()->line_device_id);
    CKvTAPILine* line = FindLine(name);
    // A stopping line still waits for the states of the calls it drops.
    for (Line& candidate : lines_) {
        if (line == nullptr && !candidate.thread->IsEnded() && candidate.thread->GetName() == name)
            line = candidate.thread.get();
    }
    if (line == nullptr) {
        delete payload;
        return;
    }
    PostLineMessage(*line, payload);
}

std::string TapiLineHost::DeviceName(DWORD device_id) {
    if (auto known = device_names_.find(device_id); known != device_names_.end())
        return known->second;
    DWORD version = 0;
    LineExtensionId extension;
    LineDevCaps caps;
    if (lineNegotiateAPIVersion(record_.GetTapiLineApp(), device_id, 0x00010004u, kApiVersion,
                                &version, &extension) != 0 ||
        lineGetDevCapsA(record_.GetTapiLineApp(), device_id, version, 0, &caps) != 0)
        return {};
    std::string name = caps.line_name.substr(0, caps.line_name.find('\0'));
    TrimInPlace(name);
    device_names_[device_id] = name;
    return name;
}
