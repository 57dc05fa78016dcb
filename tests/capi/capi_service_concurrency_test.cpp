#include "capi/capi_service.h"

#include "capi/capi_listen_manager.h"
#include "capi/capi_payloads.h"
#include "core/handle_table.h"
#include "framework/framework_payloads.h"
#include "data/data_payloads.h"
#include "framework/framework_test_support.h"
#include "platform/capi/scripted_capi_controller.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

constexpr std::uint16_t kRecords = 2048;
constexpr std::uint16_t kStatus = 0x802;
constexpr int kRounds = 4;

// A job on its own thread: requests a listen manager, waits for the answer,
// then sends it a SHUTDOWN carrying a counting payload; every message it
// receives is released.
void RunJob(CKvMessageRouter& router, std::uint16_t endpoint, std::uint32_t job_id,
            std::atomic<int>& answered) {
    TestThreadQueue queue;
    ASSERT_EQ(router.RegisterThread(endpoint, queue.GetThreadId(), "job"), KV_OK);
    for (int round = 0; round < kRounds; ++round) {
        auto* manager = new CapiListenManager;
        auto entry = std::make_unique<PHONE_NUMBER>();
        entry->GetIdentifier() = entry->GetNumber() = "0891234";
        manager->GetNumberList().Add(entry);
        auto* request = new CKvMessage;
        request->SetHeader(KV_MSG_KIND_REQUEST, manager, KV_PAYLOAD_CAPI_LISTEN_MANAGER, 1, 5, 0);
        request->SetJobIds(0, job_id, 0);
        ASSERT_EQ(request->Send(CapiService::kEndpoint, endpoint, &router, 0, true, false), KV_OK);
        std::uint32_t manager_id = 0;
        while (manager_id == 0) {
            CKvMessage* message = queue.Wait();
            ASSERT_NE(message, nullptr) << "no answer from the CAPI service";
            if (message->GetKind() == KV_MSG_KIND_CONFIRMATION) {
                manager_id = message->GetTargetJobId();
                ++answered;
            }
            message->Release();
        }
        CKvMessage* shutdown = NewMessageWithCountingPayload(static_cast<std::uint32_t>(round));
        shutdown->SetKindAndCommand(KV_MSG_KIND_INFO, 1, 5);
        shutdown->SetAttribute(KV_MSG_ATTR_SHUTDOWN);
        shutdown->SetJobIds(manager_id, job_id, 0);
        ASSERT_EQ(shutdown->Send(CapiService::kEndpoint, endpoint, &router, 0, true, false), KV_OK);
    }
    while (CKvMessage* message = queue.Take())
        message->Release();
    router.Unregister(endpoint);
}

TEST(CapiServiceConcurrency, JobsRequestAndStopManagersWhileCallsRing) {
    RegisterDataPayloads();
    RegisterFrameworkPayloads();
    RegisterCapiPayloads();
    CountingPayload::created = CountingPayload::destroyed = 0;
    RegisterPayloadType(kCountingPayloadType, &kCountingPayloadOperations);
    TestThreadQueue host_queue;
    CKvMessageRouter router;
    ASSERT_EQ(router.Init(&GetHandleTable()), KV_OK);
    ASSERT_EQ(router.RegisterThread(kRecords, host_queue.GetThreadId(), "records"), KV_OK);
    ASSERT_EQ(router.RegisterThread(kStatus, host_queue.GetThreadId(), "status"), KV_OK);
    ScriptedCapiController capi;
    capi.AddController(1, 2);
    {
        CapiService service(&router, &capi);
        ASSERT_TRUE(service.CreateThread());
        ASSERT_TRUE(service.WaitStarted(kWait));
        // The record service: preferences found, the controller list not.
        for (int answers = 0; answers < 2;) {
            UINT number = 0;
            CKvMessage* message = host_queue.Take(&number, nullptr, true);
            ASSERT_NE(message, nullptr);
            if (number != kRecords) {
                message->Release();
                continue;
            }
            if (message->GetPayloadType() == K_KVDT_TP_DTHDLR_DATAISDNCONTROLLER) {
                message->SetPayloadType(KV_PAYLOAD_DATA_HANDLER_STORE);
                message->SetAttribute(KV_MSG_ATTR_DATA_NOT_FOUND);
            } else {
                message->SetAttribute(KV_MSG_ATTR_DATA_FOUND);
            }
            message->SendConfirmation(kRecords, &router, true);
            ++answers;
        }
        std::atomic<int> answered{0};
        std::thread first(RunJob, std::ref(router), 0x901, 901u, std::ref(answered));
        std::thread second(RunJob, std::ref(router), 0x902, 902u, std::ref(answered));
        ScriptedIncomingCall call;
        call.called_number = "0891234";
        call.calling_number = "0301111";
        for (int i = 0; i < 20; ++i)
            capi.IncomingCall(call);
        first.join();
        second.join();
        EXPECT_EQ(answered.load(), 2 * kRounds);
        EXPECT_EQ(service.Stop(kWait), KV_OK);
        EXPECT_EQ(service.GetHost().GetManagerCount(), 0u);
    }
    while (CKvMessage* message = host_queue.Take())
        message->Release();
    EXPECT_EQ(CountingPayload::created.load(), 2 * kRounds);
    EXPECT_EQ(CountingPayload::destroyed.load(), CountingPayload::created.load());
    RegisterPayloadType(kCountingPayloadType, nullptr);
}

} // namespace
