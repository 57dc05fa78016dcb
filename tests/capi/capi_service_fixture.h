#pragma once
// A CAPI service driven by the test's own thread: the service's endpoint, the
// host's record service (2048), the status endpoint (2050) and a job endpoint
// are all registered on the test thread, and Pump hands each posted message
// to its stand-in. The clock is manual.

#include "capi/capi_listen_manager.h"
#include "capi/capi_payloads.h"
#include "capi/capi_service.h"
#include "capi/capi_tick_manager.h"
#include "core/handle_table.h"
#include "framework/framework_payloads.h"
#include "data/data_handler_store.h"
#include "data/data_payloads.h"
#include "data/data_preferences.h"
#include "framework/framework_test_support.h"
#include "platform/capi/scripted_capi_controller.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <vector>

class CapiServiceFixture : public testing::Test {
protected:
    static constexpr std::uint16_t kJob = 0x900;
    static constexpr std::uint16_t kRecords = 2048;
    static constexpr std::uint16_t kStatus = 0x802;

    void SetUp() override {
        RegisterDataPayloads();
        RegisterFrameworkPayloads();
        RegisterCapiPayloads();
        ASSERT_EQ(router_.Init(&GetHandleTable()), KV_OK);
        for (std::uint16_t endpoint : {kJob, kRecords, kStatus, CapiService::kEndpoint})
            ASSERT_EQ(router_.RegisterThread(endpoint, queue_.GetThreadId(), "test"), KV_OK);
    }
    void TearDown() override {
        delete controller_store_;
        for (CKvMessage* message : job_messages_)
            message->Release();
        for (CKvMessage* message : status_messages_)
            message->Release();
    }

    // Hands every posted message to its stand-in; the record service answers
    // the preferences with the CTI source number and the controller list as
    // not found, unless silent.
    void Pump() {
        UINT number = 0;
        while (CKvMessage* message = queue_.Take(&number)) {
            if (number == CapiService::kEndpoint)
                service_.HandleMessage(message);
            else if (number == kRecords)
                AnswerRecordRequest(message);
            else if (number == kStatus)
                status_messages_.push_back(message);
            else
                job_messages_.push_back(message);
        }
    }
    void AnswerRecordRequest(CKvMessage* message) {
        ++record_requests_;
        last_record_type_ = message->GetPayloadType();
        if (records_silent_) {
            message->Release();
            return;
        }
        if (message->GetPayloadType() == K_KVDT_TP_DTHDLR_DATAPREFERENCES) {
            std::string source = cti_source_;
            static_cast<CKvDataPreferences*>(message->GetPayload())->SetPhoneNumberCtiSource(source);
            message->SetAttribute(preferences_attribute_);
        } else if (message->GetPayloadType() == K_KVDT_TP_DTHDLR_DATAISDNCONTROLLER) {
            message->SetPayloadType(KV_PAYLOAD_DATA_HANDLER_STORE);
            if (controller_store_ != nullptr) {
                message->SetPayload(controller_store_);
                controller_store_ = nullptr;
                message->SetAttribute(KV_MSG_ATTR_DATA_FOUND);
            } else {
                message->SetAttribute(KV_MSG_ATTR_DATA_NOT_FOUND);
            }
        } else {
            message->SetAttribute(KV_MSG_ATTR_DATA_FOUND);
        }
        message->SendConfirmation(kRecords, &router_, true);
    }
    // Pumps and passes; the clock advances by step_ms after each pass.
    void Drive(int passes, std::uint32_t step_ms = 0) {
        for (int i = 0; i < passes; ++i) {
            Pump();
            service_.Pass();
            clock_.Advance(step_ms);
        }
        Pump();
    }
    CapiTickManager* Tick() {
        CapiHost::Position position;
        const CapiHost::ManagerMap* map = nullptr;
        if (service_.GetHost().BeginIteration(KV_PAYLOAD_CAPI_TICK_MANAGER, &position, &map) == 0)
            return nullptr;
        return static_cast<CapiTickManager*>(service_.GetHost().NextManager(&position, &map));
    }
    // Two controllers of two B channels each, the tick manager listening.
    void StartListening() {
        capi_.AddController(1, 2);
        capi_.AddController(2, 2);
        ASSERT_EQ(service_.Begin(), KV_OK);
        Drive(8);
        ASSERT_NE(Tick(), nullptr);
        ASSERT_EQ(Tick()->GetState(), CapiTickManager::kTickRunning);
    }
    // A listen manager requested from the job endpoint, watching the number.
    void RequestListenManager(const std::string& watched, std::uint32_t job_id = 77) {
        auto* manager = new CapiListenManager;
        auto entry = std::make_unique<PHONE_NUMBER>();
        entry->GetIdentifier() = watched;
        entry->GetNumber() = watched;
        manager->GetNumberList().Add(entry);
        auto* request = new CKvMessage;
        request->SetHeader(KV_MSG_KIND_REQUEST, manager, KV_PAYLOAD_CAPI_LISTEN_MANAGER,
                           KV_MSG_COMMAND_NOTIFICATION, 5, 0);
        request->SetJobIds(0, job_id, 0);
        ASSERT_EQ(request->Send(CapiService::kEndpoint, kJob, &router_, 0, true, false), KV_OK);
    }
    std::vector<CKvMessage*> JobMessagesWith(std::int32_t attribute) const {
        std::vector<CKvMessage*> found;
        for (CKvMessage* message : job_messages_)
            if (message->GetAttribute() == attribute)
                found.push_back(message);
        return found;
    }
    std::vector<std::vector<std::uint8_t>> PutMessagesOf(std::uint8_t command,
                                                         std::uint8_t subcommand) const {
        std::vector<std::vector<std::uint8_t>> found;
        for (auto& message : capi_.GetPutMessages())
            if (message[4] == command && message[5] == subcommand)
                found.push_back(message);
        return found;
    }

    ManualClock clock_{3'900'000'000LL};
    ScopedClock clock_guard_{clock_};
    TestThreadQueue queue_;
    CKvMessageRouter router_;
    ScriptedCapiController capi_;
    CapiService service_{&router_, &capi_};
    std::vector<CKvMessage*> job_messages_;
    std::vector<CKvMessage*> status_messages_;
    std::string cti_source_ = "5550";
    std::int32_t preferences_attribute_ = KV_MSG_ATTR_DATA_FOUND;
    CKvDataHandlerStore* controller_store_ = nullptr;
    bool records_silent_ = false;
    int record_requests_ = 0;
    std::int32_t last_record_type_ = 0;
};
