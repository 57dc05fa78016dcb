// The line service on its thread with line threads of its own, on a manual
// clock that a ticker moves on: opening, routing and closing, and a script
// that offers, answers and drops calls while requests wait for a device that
// never replies.

#include "tapi/tapi_line_host.h"

#include "core/handle_table.h"
#include "framework/framework_payloads.h"
#include "framework/framework_test_support.h"
#include "platform/clock.h"
#include "platform/tapi/simulated_tapi.h"
#include "platform/tapi/tapi_line_service.h"
#include "tapi/tapi_calls_manager.h"
#include "tapi/tapi_payloads.h"

#include <atomic>
#include <string>
#include <thread>

namespace {

constexpr std::uint16_t kSelf = 0x900;
constexpr DWORD kGenerousMs = 30000;

class TapiLineHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterFrameworkPayloads();
        RegisterTapiPayloads();
        service_.AddDevice({.device_id = 1, .name = "Line A"});
        service_.AddDevice({.device_id = 2, .name = " Line B "});
        ASSERT_EQ(router_.Init(&GetHandleTable()), KV_OK);
        ASSERT_EQ(router_.RegisterThread(kSelf, queue_.GetThreadId(), "self"), KV_OK);
        ticker_ = std::thread([this] {
            while (!stop_ticking_.load()) {
                clock_.Advance(20);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        ASSERT_TRUE(host_.CreateThread());
        ASSERT_TRUE(host_.WaitStarted(kGenerousMs));
    }
    void TearDown() override {
        if (!host_.IsEnded()) {
            host_.Stop(kGenerousMs);
            EXPECT_TRUE(host_.WaitEnded(1, kGenerousMs));
        }
        stop_ticking_ = true;
        ticker_.join();
    }

    void Send(std::int32_t kind, void* payload, std::int32_t type, std::int32_t command = 1,
              std::int32_t sub_command = 5) {
        auto* message = new CKvMessage;
        message->SetHeader(kind, payload, type, command, sub_command, 0);
        if (kind == KV_MSG_KIND_SIGNAL)
            message->SetSubscriberEndpoint(kSelf);
        ASSERT_EQ(message->Send(TapiLineHost::kEndpoint, kSelf, &router_, 0, true, false), KV_OK);
    }
    void OpenLine(const std::string& name) {
        auto* line = new CKvTAPILine;
        line->SetName(name);
        Send(KV_MSG_KIND_REQUEST, line, KV_PAYLOAD_TAPI_LINE);
    }
    void CallRequest(std::int32_t kind, const std::string& line, std::uint32_t function,
                     const std::string& number = {}, HCALL hcall = 0) {
        auto* call = new KVTAPICALL;
        call->GetLineName() = line;
        call->GetKvTapiFunc() = function;
        call->GetCalledNumber() = number;
        call->GetHcall() = hcall;
        Send(kind, call, KV_PAYLOAD_TAPI_CALL);
    }
    // The next confirmation, the messages before it released.
    CKvMessage* WaitConfirmation() {
        while (CKvMessage* message = queue_.Wait()) {
            if (message->GetKind() == KV_MSG_KIND_CONFIRMATION)
                return message;
            message->Release();
        }
        return nullptr;
    }
    std::int32_t WaitAttribute() {
        CKvMessage* message = WaitConfirmation();
        if (message == nullptr)
            return -1;
        const std::int32_t attribute = message->GetAttribute();
        message->Release();
        return attribute;
    }
    bool WaitLineCount(std::size_t count) {
        for (int round = 0; round < 3000; ++round) {
            if (host_.GetLineCount() == count)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    ScopedCountingPayload counting_;
    ManualClock clock_{1704067200, 0, 1000};
    ScopedClock scoped_clock_{clock_};
    SimulatedTapi service_;
    ScopedSimulatedTapi installed_{service_};
    TestThreadQueue queue_;
    CKvMessageRouter router_;
    std::atomic<bool> stop_ticking_{false};
    std::thread ticker_;
    TapiLineHost host_{&router_};
};

TEST_F(TapiLineHostTest, OpensRoutesAndClosesLines) {
    OpenLine("Line A");
    CKvMessage* answer = WaitConfirmation();
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer->GetAttribute(), KV_MSG_ATTR_ACCEPTED);
    ASSERT_EQ(answer->GetPayloadType(), KV_PAYLOAD_TAPI_LINE);
    EXPECT_EQ(static_cast<CKvTAPILine*>(answer->GetPayload())->GetName(), "Line A");
    answer->Release();
    OpenLine("Line B");
    EXPECT_EQ(WaitAttribute(), KV_MSG_ATTR_ACCEPTED);
    OpenLine("Line A");
    EXPECT_EQ(WaitAttribute(), KV_MSG_ATTR_REFUSED);
    OpenLine("Line C");
    EXPECT_EQ(WaitAttribute(), KV_MSG_ATTR_REFUSED);
    EXPECT_TRUE(WaitLineCount(2));

    CallRequest(KV_MSG_KIND_REQUEST, "Line C", KV_TAPIFUNC_MAKE_CALL, "123");
    EXPECT_EQ(WaitAttribute(), KV_MSG_ATTR_REFUSED);
    Send(KV_MSG_KIND_REQUEST, new CountingPayload, kCountingPayloadType);
    EXPECT_EQ(WaitAttribute(), KV_MSG_ATTR_REFUSED);

    // A watch of every line, then a call on one of them.
    Send(KV_MSG_KIND_SIGNAL, nullptr, KV_PAYLOAD_TAPI_CALLS_MANAGER);
    CallRequest(KV_MSG_KIND_REQUEST, "Line B", KV_TAPIFUNC_MAKE_CALL, "0301");
    CKvMessage* placed = nullptr;
    bool manager_seen = false;
    while (CKvMessage* message = queue_.Wait()) {
        if (message->GetPayloadType() == KV_PAYLOAD_TAPI_CALLS_MANAGER) {
            manager_seen |=
                static_cast<KVTAPICALLSMANAGER*>(message->GetPayload())->GetIdentifier() ==
                "Line B";
        } else if (message->GetKind() == KV_MSG_KIND_CONFIRMATION) {
            placed = message;
            break;
        }
        message->Release();
    }
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(placed->GetAttribute(), KV_MSG_ATTR_ACCEPTED);
    const HCALL hcall = static_cast<KVTAPICALL*>(placed->GetPayload())->GetHcall();
    placed->Release();
    EXPECT_NE(hcall, 0u);
    while (!manager_seen) {
        CKvMessage* message = queue_.Wait();
        ASSERT_NE(message, nullptr);
        manager_seen = message->GetPayloadType() == KV_PAYLOAD_TAPI_CALLS_MANAGER;
        message->Release();
    }

    // Closing one line by name, then the others.
    auto* named = new CKvTAPILine;
    named->SetName("Line A");
    Send(KV_MSG_KIND_INFO, named, KV_PAYLOAD_TAPI_LINE, 3, 8);
    EXPECT_TRUE(WaitLineCount(1));
    Send(KV_MSG_KIND_INFO, nullptr, KV_PAYLOAD_TAPI_LINE, 3, 8);
    EXPECT_TRUE(WaitLineCount(0));
    EXPECT_EQ(host_.Stop(kGenerousMs), KV_OK);
    EXPECT_TRUE(host_.WaitEnded(1, kGenerousMs));
    EXPECT_EQ(counting_.Live(), 0);
}

TEST_F(TapiLineHostTest, EveryRequestIsAnsweredOnceWhileCallsComeAndGo) {
    constexpr int kCalls = 100;
    service_.SetReplyPolicy(2, TapiFunction::kMakeCall, {.mode = ReplyMode::kNever});
    service_.SetReplyPolicy(2, TapiFunction::kAnswer, {.mode = ReplyMode::kNever});
    OpenLine("Line A");
    OpenLine("Line B");
    EXPECT_EQ(WaitAttribute(), KV_MSG_ATTR_ACCEPTED);
    EXPECT_EQ(WaitAttribute(), KV_MSG_ATTR_ACCEPTED);
    Send(KV_MSG_KIND_SIGNAL, nullptr, KV_PAYLOAD_TAPI_CALLS_MANAGER);

    int requests = 0;
    std::thread script([&] {
        for (int i = 0; i < kCalls; ++i) {
            const DWORD device = i % 2 == 0 ? 1 : 2;
            const std::string line = device == 1 ? "Line A" : "Line B";
            const HCALL hcall = service_.OfferCall(device, std::to_string(1000 + i), "100");
            CallRequest(KV_MSG_KIND_INFO, line, KV_TAPIFUNC_ANSWER, {}, hcall);
            service_.FarEndHangUp(hcall);
        }
    });
    // Requests that wait for a device that never replies, and one for nobody.
    for (int i = 0; i < 10; ++i) {
        CallRequest(KV_MSG_KIND_REQUEST, i % 2 == 0 ? "Line A" : "Line B", KV_TAPIFUNC_MAKE_CALL,
                    std::to_string(500 + i));
        ++requests;
    }
    Send(KV_MSG_KIND_REQUEST, new CountingPayload, kCountingPayloadType);
    ++requests;
    script.join();

    int answered = 0;
    while (answered < requests) {
        CKvMessage* message = WaitConfirmation();
        ASSERT_NE(message, nullptr) << answered << " of " << requests;
        ++answered;
        message->Release();
    }
    EXPECT_EQ(host_.Stop(kGenerousMs), KV_OK);
    EXPECT_TRUE(host_.WaitEnded(1, kGenerousMs));
    EXPECT_EQ(host_.GetLineCount(), 0u);
    while (CKvMessage* message = queue_.Take()) {
        EXPECT_NE(message->GetKind(), KV_MSG_KIND_CONFIRMATION);
        message->Release();
    }
    EXPECT_EQ(counting_.Live(), 0);
}

} // namespace
