// Demonstration: the host's CAPI service (endpoint 2061). First on
// libcapi20, which on a machine without ISDN says so clearly; then on the
// scripted controller with two controllers: the tick manager builds the
// controller table from CAPI and listens, a listen manager watches a number,
// and an incoming call to it is reported as a NOTIFICATION with the caller
// and the time.

#include "capi/capi_listen_manager.h"
#include "capi/capi_payloads.h"
#include "capi/capi_service.h"
#include "core/handle_table.h"
#include "data/data_payloads.h"
#include "data/data_preferences.h"
#include "framework/framework_payloads.h"
#include "framework/holder_objects.h"
#include "platform/capi/capi20_library.h"
#include "platform/capi/scripted_capi_controller.h"
#include "platform/message_queue.h"
#include "platform/thread_messaging.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr std::uint16_t kRecords = 2048;
constexpr std::uint16_t kStatus = 0x802;
constexpr std::uint16_t kJob = 0x900;
constexpr std::uint32_t kJobId = 4711;
constexpr DWORD kWaitMs = 10000;
constexpr UINT kTimeoutTimer = 0xFFFF;

// The demonstration's own thread as the host's endpoints and as a job.
class DemoEndpoints {
public:
    DemoEndpoints() : queue_(std::make_shared<MessageQueue>()) {
        AttachThreadQueue(queue_);
        router_.Init(&GetHandleTable());
        for (std::uint16_t endpoint : {kRecords, kStatus, kJob})
            router_.RegisterThread(endpoint, ::GetCurrentThreadId(), "demo");
    }
    ~DemoEndpoints() {
        router_.RemoveAllEndpoints();
        DetachThreadQueue();
        for (const ThreadMessage& message : queue_->CloseAndDrain())
            if (message.message <= 0xFFFF && message.lParam != 0)
                reinterpret_cast<CKvMessage*>(message.lParam)->Release();
    }
    CKvMessageRouter& Router() { return router_; }

    // The next message for the job, or null after the wait; meanwhile the
    // record service answers (preferences found, the controller list not)
    // and status texts are printed.
    CKvMessage* WaitForJobMessage(DWORD wait_ms = kWaitMs) {
        for (;;) {
            queue_->SetTimer(kTimeoutTimer, wait_ms);
            ThreadMessage posted;
            const bool got = queue_->GetMessage(posted);
            queue_->KillTimer(kTimeoutTimer);
            if (!got || posted.message == KV_WM_TIMER)
                return nullptr;
            auto* message = reinterpret_cast<CKvMessage*>(posted.lParam);
            if (posted.message == kJob)
                return message;
            if (posted.message == kRecords)
                AnswerRecordRequest(message);
            else
                PrintStatus(message);
        }
    }

private:
    void AnswerRecordRequest(CKvMessage* message) {
        if (message->GetPayloadType() == K_KVDT_TP_DTHDLR_DATAPREFERENCES) {
            std::string source = "5550";
            static_cast<CKvDataPreferences*>(message->GetPayload())->SetPhoneNumberCtiSource(source);
            message->SetAttribute(KV_MSG_ATTR_DATA_FOUND);
            std::printf("2048: preferences asked for, answered DATA_FOUND\n");
        } else {
            message->SetPayloadType(KV_PAYLOAD_DATA_HANDLER_STORE);
            message->SetAttribute(KV_MSG_ATTR_DATA_NOT_FOUND);
            std::printf("2048: controller list asked for, answered DATA_NOT_FOUND\n");
        }
        message->SendConfirmation(kRecords, &router_, true);
    }
    static void PrintStatus(CKvMessage* message) {
        if (message->GetPayloadType() == KV_PAYLOAD_STAMPED_TEXT_RECORD)
            std::printf("2050: status text %s\n",
                        static_cast<CKvStampedTextRecord*>(message->GetPayload())->text.c_str());
        message->Release();
    }

    std::shared_ptr<MessageQueue> queue_;
    CKvMessageRouter router_;
};

void RunOnLibcapi20() {
    std::printf("== the CAPI service on libcapi20\n");
    DemoEndpoints endpoints;
    Capi20Library library;
    CapiService service(&endpoints.Router(), &library);
    if (!service.CreateThread() || !service.WaitStarted(kWaitMs)) {
        std::printf("the service did not start\n");
        return;
    }
    std::printf("start result 0x%08X: %s\n", service.GetStartResult(),
                service.GetHost().DescribeStart().c_str());
    // The status text and the tick manager's record requests come within a
    // moment; the tick manager then finds no controller and ends.
    if (CKvMessage* message = endpoints.WaitForJobMessage(500))
        message->Release();
    service.Stop(kWaitMs);
    std::printf("service stopped\n");
}

std::size_t ListenRequests(const ScriptedCapiController& capi) {
    std::size_t count = 0;
    for (const auto& message : capi.GetPutMessages())
        if (message[kCapiOffsetCommand] == CAPI_LISTEN && message[kCapiOffsetSubcommand] == CAPI_REQ)
            ++count;
    return count;
}

bool RunOnScriptedController() {
    std::printf("== the CAPI service on the scripted controller\n");
    DemoEndpoints endpoints;
    ScriptedCapiController capi;
    capi.AddController(1, 2);
    capi.AddController(2, 2);
    CapiService service(&endpoints.Router(), &capi);
    if (!service.CreateThread() || !service.WaitStarted(kWaitMs))
        return false;
    std::printf("start result 0x%08X: %s\n", service.GetStartResult(),
                service.GetHost().DescribeStart().c_str());
    // The tick manager asks for its configuration and listens on both
    // controllers before the job asks for a listen manager.
    for (int i = 0; i < 200 && ListenRequests(capi) < 2; ++i)
        if (CKvMessage* message = endpoints.WaitForJobMessage(50))
            message->Release();
    std::printf("tick manager: LISTEN_REQ to %zu controllers\n", ListenRequests(capi));

    auto* manager = new CapiListenManager;
    auto watched = std::make_unique<PHONE_NUMBER>();
    watched->GetIdentifier() = watched->GetNumber() = "0891234";
    manager->GetNumberList().Add(watched);
    auto* request = new CKvMessage;
    request->SetHeader(KV_MSG_KIND_REQUEST, manager, KV_PAYLOAD_CAPI_LISTEN_MANAGER, 1, 5, 0);
    request->SetJobIds(0, kJobId, 0);
    request->Send(CapiService::kEndpoint, kJob, &endpoints.Router(), 0, true, false);
    std::printf("job: listen manager requested for 0891234\n");

    std::uint32_t manager_id = 0;
    bool notified = false;
    while (!notified) {
        CKvMessage* message = endpoints.WaitForJobMessage();
        if (message == nullptr)
            break;
        if (message->GetKind() == KV_MSG_KIND_CONFIRMATION) {
            manager_id = message->GetTargetJobId();
            std::printf("job: listen manager %u answered %s\n", manager_id,
                        message->GetAttributeName());
            if (message->GetAttribute() == KV_MSG_ATTR_ACCEPTED) {
                ScriptedIncomingCall call;
                call.called_number = "0891234";
                call.calling_number = "0301111";
                capi.IncomingCall(call);
                std::printf("network: call from 0301111 to 0891234\n");
            } else {
                message->Release();
                break;
            }
        } else if (message->GetAttribute() == KV_MSG_ATTR_NOTIFICATION) {
            auto& copy = *static_cast<CapiListenManager*>(message->GetPayload());
            std::string time;
            copy.GetEventTime().GetText(time);
            std::printf("job: NOTIFICATION caller %s, number %s, time %s\n",
                        copy.GetCallerText().c_str(), copy.GetText3().c_str(), time.c_str());
            notified = true;
        }
        message->Release();
    }

    auto* shutdown = new CKvMessage;
    shutdown->SetHeader(KV_MSG_KIND_INFO, nullptr, KV_PAYLOAD_CAPI_LISTEN_MANAGER, 1, 5,
                        KV_MSG_ATTR_SHUTDOWN);
    shutdown->SetJobIds(manager_id, kJobId, 0);
    shutdown->Send(CapiService::kEndpoint, kJob, &endpoints.Router(), 0, true, false);
    service.Stop(kWaitMs);
    std::printf("service stopped; protocol faults seen by the controller: %zu\n",
                capi.GetViolations().size());
    return notified;
}

} // namespace

int main() {
    RegisterFrameworkPayloads();
    RegisterDataPayloads();
    RegisterCapiPayloads();
    RunOnLibcapi20();
    if (!RunOnScriptedController()) {
        std::printf("no notification\n");
        return 1;
    }
    return 0;
}
