// Dials a number on a simulated TAPI line through the line service: opens
// the line, places the call, lets the far end answer and hang up, and prints
// the call's states and its final KVTAPICALL record.

#include "core/handle_table.h"
#include "core/xml_document.h"
#include "data/data_payloads.h"
#include "framework/framework_payloads.h"
#include "framework/message_router.h"
#include "platform/message_queue.h"
#include "platform/tapi/simulated_tapi.h"
#include "platform/tapi/tapi_line_service.h"
#include "platform/thread_messaging.h"
#include "tapi/tapi_call.h"
#include "tapi/tapi_line.h"
#include "tapi/tapi_line_host.h"
#include "tapi/tapi_payloads.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr std::uint16_t kDemoEndpoint = 0x900;
constexpr char kLineName[] = "Demo Line";
constexpr DWORD kWaitMs = 10000;

const char* StateName(std::uint32_t state) {
    switch (state) {
    case LINECALLSTATE_IDLE:
        return "IDLE";
    case LINECALLSTATE_DIALTONE:
        return "DIALTONE";
    case LINECALLSTATE_DIALING:
        return "DIALING";
    case LINECALLSTATE_PROCEEDING:
        return "PROCEEDING";
    case LINECALLSTATE_RINGBACK:
        return "RINGBACK";
    case LINECALLSTATE_CONNECTED:
        return "CONNECTED";
    case LINECALLSTATE_DISCONNECTED:
        return "DISCONNECTED";
    default:
        return "OTHER";
    }
}

// The next message of the demo's own queue, or null after the wait.
CKvMessage* Receive(MessageQueue& queue) {
    constexpr UINT kTimeoutTimer = 0xFFFF;
    queue.SetTimer(kTimeoutTimer, kWaitMs);
    ThreadMessage message;
    const bool got = queue.GetMessage(message);
    queue.KillTimer(kTimeoutTimer);
    if (!got || message.message != kDemoEndpoint)
        return nullptr;
    return reinterpret_cast<CKvMessage*>(message.lParam);
}

std::string XmlOf(KVTAPICALL& call) {
    XmlDocument document;
    XmlNode* element = nullptr;
    call.WriteXml(element, document, document.GetRoot());
    std::string text;
    document.GetText(text);
    return text;
}

int Run(CKvMessageRouter& router, MessageQueue& queue, SimulatedTapi& service) {
    auto* open = new CKvMessage;
    auto* line = new CKvTAPILine;
    line->SetName(kLineName);
    open->SetHeader(KV_MSG_KIND_REQUEST, line, KV_PAYLOAD_TAPI_LINE, 1, 5, 0);
    open->Send(TapiLineHost::kEndpoint, kDemoEndpoint, &router, 1, true, false);
    CKvMessage* answer = Receive(queue);
    if (answer == nullptr || answer->GetAttribute() != KV_MSG_ATTR_ACCEPTED) {
        std::printf("the line did not open\n");
        if (answer != nullptr)
            answer->Release();
        return 1;
    }
    std::printf("line \"%s\" opened\n",
                static_cast<CKvTAPILine*>(answer->GetPayload())->GetName().c_str());
    answer->Release();

    auto* dial = new CKvMessage;
    auto* request = new KVTAPICALL;
    request->GetKvTapiFunc() = KV_TAPIFUNC_MAKE_CALL;
    request->GetCalledNumber() = "0301234567";
    request->GetLineName() = kLineName;
    request->GetOrigin().FormatText(LINECALLORIGIN_OUTBOUND);
    request->GetMadeByThisLine() = 1;
    dial->SetHeader(KV_MSG_KIND_REQUEST, request, KV_PAYLOAD_TAPI_CALL, 1, 5, 0);
    dial->SetJobIds(0, 7, 0);
    std::printf("dialling %s\n", request->GetCalledNumber().c_str());
    dial->Send(TapiLineHost::kEndpoint, kDemoEndpoint, &router, 2, true, false);

    int result = 1;
    while (CKvMessage* message = Receive(queue)) {
        auto* call = message->GetPayloadType() == KV_PAYLOAD_TAPI_CALL
                         ? static_cast<KVTAPICALL*>(message->GetPayload())
                         : nullptr;
        if (call != nullptr && message->GetKind() == KV_MSG_KIND_CONFIRMATION) {
            std::printf("make call %s, call handle 0x%X\n", message->GetAttributeName(),
                        call->GetHcall());
            if (message->GetAttribute() != KV_MSG_ATTR_ACCEPTED) {
                message->Release();
                break;
            }
        } else if (call != nullptr) {
            std::printf("call state %s\n", StateName(call->GetState()));
            if (call->GetState() == LINECALLSTATE_RINGBACK)
                service.FarEndAnswer(call->GetHcall());
            else if (call->GetState() == LINECALLSTATE_CONNECTED)
                service.FarEndHangUp(call->GetHcall());
            else if (call->GetState() == LINECALLSTATE_IDLE) {
                std::printf("%s\n", XmlOf(*call).c_str());
                result = 0;
                message->Release();
                break;
            }
        }
        message->Release();
    }
    return result;
}

} // namespace

int main() {
    RegisterFrameworkPayloads();
    RegisterDataPayloads();
    RegisterTapiPayloads();

    SimulatedTapi service;
    service.AddDevice({.device_id = 0, .name = kLineName});
    ScopedSimulatedTapi installed(service);

    CKvMessageRouter router;
    router.Init(&GetHandleTable());
    auto queue = std::make_shared<MessageQueue>();
    AttachThreadQueue(queue);
    router.RegisterThread(kDemoEndpoint, ::GetCurrentThreadId(), "tapi demo");

    TapiLineHost host(&router);
    host.CreateThread();
    host.WaitStarted(kWaitMs);
    const int result = Run(router, *queue, service);

    auto* close = new CKvMessage;
    close->SetHeader(KV_MSG_KIND_INFO, nullptr, KV_PAYLOAD_TAPI_LINE, 3, 8, 0);
    close->Send(TapiLineHost::kEndpoint, kDemoEndpoint, &router, 3, true, false);
    host.Stop(kWaitMs);
    host.WaitEnded(1, kWaitMs);
    router.Unregister(kDemoEndpoint);
    DetachThreadQueue();
    for (const ThreadMessage& message : queue->CloseAndDrain()) {
        if (message.message <= 0xFFFF && message.lParam != 0)
            reinterpret_cast<CKvMessage*>(message.lParam)->Release();
    }
    std::printf(result == 0 ? "done\n" : "failed\n");
    return result;
}
