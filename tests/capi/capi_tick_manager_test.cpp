#include "capi/capi_tick_manager.h"

#include "capi/capi_transfer_manager.h"

#include "capi_service_fixture.h"
#include "capi_test_support.h"
#include "data/data_isdn_controller.h"

#include <algorithm>
#include <array>
#include <set>

namespace {

class CapiTickManagerTest : public CapiServiceFixture {
protected:
    void ExpectNoViolations() { EXPECT_TRUE(capi_.GetViolations().empty()); }
};

TEST_F(CapiTickManagerTest, AsksForPreferencesOrGeneralByTheConfigurationSource) {
    for (std::uint32_t source : {0u, 1u}) {
        SCOPED_TRACE(source);
        CapiHost host(&capi_);
        host.SetConfigSource(source);
        CapiTickManager tick;
        tick.SetRouter(&router_, CapiService::kEndpoint);
        tick.SetJobId(5);
        tick.SetOwner(&host);
        records_silent_ = true;
        tick.Step();
        Pump();
        EXPECT_EQ(tick.GetState(), CapiTickManager::kWaitingForConfiguration);
        EXPECT_EQ(last_record_type_, source == 1 ? K_KVDT_TP_DTHDLR_DATAGENERAL
                                                 : K_KVDT_TP_DTHDLR_DATAPREFERENCES);
    }
}

TEST_F(CapiTickManagerTest, BuildsTheTableFromCapiAndListensOnEveryController) {
    StartListening();
    CapiHost& host = service_.GetHost();
    EXPECT_EQ(host.GetControllerList().GetCount(), 2u);
    EXPECT_EQ(host.GetControllerList().GetAt(0)->GetController(), 2u);
    EXPECT_EQ(host.GetControllerList().GetAt(0)->source_number, "5550");
    EXPECT_EQ(host.GetConnectionTable().GetTotalCount(), 4u);
    EXPECT_EQ(host.GetControllersReady(), 1u);
    const auto listens = PutMessagesOf(CAPI_LISTEN, CAPI_REQ);
    ASSERT_EQ(listens.size(), 2u);
    // LISTEN_REQ to controller 2, Info mask 0x30, CIP mask 0x11, empty
    // calling number and subaddress.
    const Bytes expected = MessageImage()
                               .Dword(2)
                               .Dword(0x30)
                               .Dword(0x11)
                               .Dword(0)
                               .Empty()
                               .Empty()
                               .Finish(CAPI_LISTEN, CAPI_REQ, 1, host.GetApplId());
    EXPECT_EQ(listens[0], expected);
    EXPECT_EQ(listens[1][8], 1u);
    EXPECT_EQ(host.IsListenConfirmed(), 1u);
    ExpectNoViolations();
}

TEST_F(CapiTickManagerTest, ControllerRecordWithoutUseIsDropped) {
    controller_store_ = new CKvDataHandlerStore(12, 1, 10, "DATA_TYPE_HANDLER", nullptr);
    for (std::uint32_t number : {1u, 2u}) {
        std::unique_ptr<CKvDataHandler> handler = std::make_unique<CKvDataIsdnController>();
        auto* record = static_cast<CKvDataIsdnController*>(handler.get());
        record->SetControllerNumber(number);
        record->GetFlagUse().Set(number == 1 ? 0 : 1);
        record->SetSourceNumber("4711");
        controller_store_->Add(handler);
    }
    ASSERT_EQ(controller_store_->GetCount(), 2);
    StartListening();
    CapiHost& host = service_.GetHost();
    ASSERT_EQ(host.GetControllerList().GetCount(), 1u);
    EXPECT_EQ(host.GetControllerList().GetAt(0)->GetController(), 2u);
    EXPECT_EQ(host.GetControllerList().GetAt(0)->source_number, "4711");
    EXPECT_EQ(host.GetConnectionTable().GetTotalCount(), 2u);
    const auto listens = PutMessagesOf(CAPI_LISTEN, CAPI_REQ);
    ASSERT_EQ(listens.size(), 1u);
    EXPECT_EQ(listens[0][8], 2u);
    ASSERT_NE(Tick()->GetHandlerStore(), nullptr);
}

// Controller 1 named twice by the host's records, in store order, then
// controller 2 in use. The first free connection record serves the transfer
// manager's first CONNECT_REQ: it calls from controller 1 with the number of
// its last record, or from controller 2 when that record left it unused.
struct RepeatedController {
    const char* name;
    std::array<std::int32_t, 2> uses;
    bool built;
};

class RepeatedControllerTest : public CapiTickManagerTest,
                               public testing::WithParamInterface<RepeatedController> {
protected:
    void AddRecord(std::uint32_t number, std::int32_t use, const std::string& source) {
        std::unique_ptr<CKvDataHandler> handler = std::make_unique<CKvDataIsdnController>();
        auto* record = static_cast<CKvDataIsdnController*>(handler.get());
        record->SetControllerNumber(number);
        record->GetFlagUse().Set(use);
        record->SetSourceNumber(source);
        record->SetIdentifier(++identifier_);
        ASSERT_EQ(controller_store_->Add(handler), KV_OK);
    }

    std::uint32_t identifier_ = 0;
};

TEST_P(RepeatedControllerTest, TheLastRecordOfAControllerDecides) {
    ASSERT_EQ(router_.RegisterThread(kCapiHostCallEndpoint, queue_.GetThreadId(), "test"), KV_OK);
    // Identifier mode: records are told apart by identifier, not number.
    controller_store_ = new CKvDataHandlerStore(12, 0, 10, "DATA_TYPE_HANDLER", nullptr);
    AddRecord(1, GetParam().uses[0], "4711");
    AddRecord(1, GetParam().uses[1], "4712");
    AddRecord(2, 1, "4799");
    ASSERT_EQ(controller_store_->GetCount(), 3);
    StartListening();
    CapiHost& host = service_.GetHost();
    const bool built = GetParam().built;
    ASSERT_EQ(host.GetControllerList().GetCount(), built ? 2u : 1u);
    EXPECT_EQ(host.GetControllerList().Find(1) != nullptr, built);
    // Two B channels each: one set of records per controller built.
    EXPECT_EQ(host.GetConnectionTable().GetTotalCount(), built ? 4u : 2u);
    std::set<std::uint8_t> listened;
    for (const auto& listen : PutMessagesOf(CAPI_LISTEN, CAPI_REQ))
        listened.insert(listen[8]);
    EXPECT_EQ(listened, (built ? std::set<std::uint8_t>{1, 2} : std::set<std::uint8_t>{2}));

    auto* manager = new CapiTransferManager;
    manager->SetCallingNumber("0301111");
    manager->SetCalledNumber("0302222");
    auto* request = new CKvMessage;
    request->SetHeader(KV_MSG_KIND_REQUEST, manager, KV_PAYLOAD_CAPI_TRANSFER_MANAGER,
                       KV_MSG_COMMAND_NOTIFICATION, 5, 0);
    request->SetJobIds(0, 78, 0);
    ASSERT_EQ(request->Send(CapiService::kEndpoint, kJob, &router_, 0, true, false), KV_OK);
    Drive(3);
    const auto connects = PutMessagesOf(CAPI_CONNECT, CAPI_REQ);
    ASSERT_EQ(connects.size(), 1u);
    EXPECT_EQ(CapiGetDword(&connects[0][8]), built ? 1u : 2u);
    const std::string source = built ? "4712" : "4799";
    EXPECT_NE(std::search(connects[0].begin(), connects[0].end(), source.begin(), source.end()),
              connects[0].end());
}

INSTANTIATE_TEST_SUITE_P(Orders, RepeatedControllerTest,
                         testing::Values(RepeatedController{"InUseThenUnused", {1, 0}, false},
                                         RepeatedController{"InUseTwice", {1, 1}, true},
                                         RepeatedController{"UnusedThenInUse", {0, 1}, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CapiTickManagerTest, ConfigurationNotFoundEndsAfterFourSeconds) {
    capi_.AddController(1, 2);
    preferences_attribute_ = KV_MSG_ATTR_DATA_NOT_FOUND;
    service_.Begin();
    Drive(3);
    ASSERT_NE(Tick(), nullptr);
    EXPECT_EQ(Tick()->GetState(), CapiTickManager::kWaitingForConfiguration);
    Drive(8, 1000);
    EXPECT_EQ(Tick(), nullptr);
    EXPECT_EQ(service_.GetHost().GetManagerCount(), 0u);
}

TEST_F(CapiTickManagerTest, ListenConfirmationsDecideTheWait) {
    capi_.AddController(1, 2);
    service_.Begin();
    Drive(4);
    CapiTickManager* tick = Tick();
    ASSERT_EQ(tick->GetState(), capi_state::kWaitingForListenConf);
    // A LISTEN_CONF with another message number does not end the wait.
    const Bytes wrong = MessageImage().Dword(1).Word(0).Finish(
        CAPI_LISTEN, CAPI_CONF, tick->GetMessageNumber() + 5, service_.GetHost().GetApplId());
    service_.GetHost().StoreMessage(service_.GetHost().GetApplId(), wrong);
    tick->Run();
    EXPECT_EQ(tick->GetState(), capi_state::kWaitingForListenConf);
    EXPECT_EQ(service_.GetHost().IsListenConfirmed(), 0u);
    Drive(2);
    EXPECT_EQ(tick->GetState(), CapiTickManager::kTickRunning);
}

TEST_F(CapiTickManagerTest, RefusedListenEndsThroughShutdownAndRelease) {
    capi_.AddController(1, 2);
    capi_.SetListenInfo(0x2002);
    service_.Begin();
    Drive(6);
    CapiTickManager* tick = Tick();
    ASSERT_NE(tick, nullptr);
    EXPECT_EQ(tick->GetState(), capi_state::kWaitingForListenConf);
    EXPECT_EQ(service_.GetHost().IsListenConfirmed(), 0u);
    clock_.Advance(4000);
    std::vector<std::uint32_t> states;
    for (int i = 0; i < 3 && Tick() != nullptr; ++i) {
        Tick()->Run();
        states.push_back(Tick()->GetState());
    }
    EXPECT_EQ(states, (std::vector<std::uint32_t>{32, 20, 33}));
}

TEST_F(CapiTickManagerTest, ShutdownEndsTheRunningTickManager) {
    StartListening();
    auto* shutdown = new CKvMessage;
    shutdown->SetHeader(KV_MSG_KIND_INFO, nullptr, KV_PAYLOAD_CAPI_TICK_MANAGER, 1, 5,
                        KV_MSG_ATTR_SHUTDOWN);
    shutdown->SetJobIds(Tick()->GetJobId(), 0, 0);
    service_.HandleMessage(shutdown);
    Drive(3);
    EXPECT_EQ(Tick(), nullptr);
}

TEST_F(CapiTickManagerTest, SecondTickManagerEndsAtOnce) {
    StartListening();
    auto* second = new CapiTickManager;
    second->SetRouter(&router_, CapiService::kEndpoint);
    service_.GetHost().FileManager(second);
    const auto before = capi_.GetPutMessages().size();
    service_.Pass();
    EXPECT_EQ(service_.GetHost().GetManagerCount(), 1u);
    EXPECT_EQ(capi_.GetPutMessages().size(), before);
}

TEST_F(CapiTickManagerTest, SilentControllerEndsTickAndListenManagerIsRefused) {
    capi_.AddController(1, 2);
    capi_.SetSilent(true);
    service_.Begin();
    Drive(6);
    RequestListenManager("123");
    Drive(2);
    ASSERT_NE(Tick(), nullptr);
    Drive(8, 1000);
    EXPECT_EQ(Tick(), nullptr);
    Drive(30, 1000);
    ASSERT_EQ(JobMessagesWith(KV_MSG_ATTR_REFUSED).size(), 1u);
    EXPECT_EQ(service_.GetHost().GetManagerCount(), 0u);
}

// --- The shared indication handler ---

class TickIndicationTest : public CapiTickManagerTest {
protected:
    void SetUp() override {
        CapiTickManagerTest::SetUp();
        StartListening();
        host_ = &service_.GetHost();
        tick_ = Tick();
        tick_->SetState(capi_state::kListening);
        tick_->SetText1("5550");
    }
    // Rings a call to the number and lets the tick manager take it.
    std::uint32_t Ring(std::vector<ScriptedCapiStep> after_accept = {}) {
        ScriptedIncomingCall call;
        call.called_number = "5550";
        call.calling_number = "0301234";
        call.after_accept = std::move(after_accept);
        const std::uint32_t plci = capi_.IncomingCall(call);
        Drive(3);
        return plci;
    }

    CapiHost* host_ = nullptr;
    CapiTickManager* tick_ = nullptr;
};

TEST_F(TickIndicationTest, AcceptedCallRunsThroughB3AndData) {
    const std::uint32_t plci = Ring({
        ScriptedCapiStep::Make(ScriptedCapiStep::kAlerting),
        ScriptedCapiStep::Make(ScriptedCapiStep::kConnectB3),
        ScriptedCapiStep::Data(std::vector<std::uint8_t>(200, 0x41)),
        ScriptedCapiStep::Data({1, 2, 3}),
        ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnectB3, 0x3301),
        ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnect, 0x3490),
    });
    Drive(6);
    EXPECT_EQ(tick_->GetText2(), "0301234");
    EXPECT_EQ(PutMessagesOf(CAPI_CONNECT, CAPI_RESP).size(), 1u);
    EXPECT_EQ(PutMessagesOf(CAPI_INFO, CAPI_RESP).size(), 1u);
    EXPECT_EQ(PutMessagesOf(CAPI_CONNECT_B3, CAPI_RESP).size(), 1u);
    EXPECT_EQ(PutMessagesOf(CAPI_CONNECT_B3_ACTIVE, CAPI_RESP).size(), 1u);
    EXPECT_EQ(PutMessagesOf(CAPI_DATA_B3, CAPI_RESP).size(), 2u);
    EXPECT_EQ(PutMessagesOf(CAPI_DISCONNECT_B3, CAPI_RESP).size(), 1u);
    EXPECT_EQ(PutMessagesOf(CAPI_DISCONNECT, CAPI_RESP).size(), 1u);
    EXPECT_EQ(tick_->DataCounter(), 2u);
    CapiConnection* connection = nullptr;
    ASSERT_EQ(tick_->GetConnections().FindByPlci(plci, connection), KV_OK);
    EXPECT_EQ(connection->GetCodec().Reason(), 0x3490u);
    EXPECT_EQ(connection->GetState(), CapiConnection::kIdle);
    ExpectNoViolations();
}

TEST_F(TickIndicationTest, LongDataKeeps128BytesAndAFullStreamIsStillAnswered) {
    const std::uint32_t plci = Ring({ScriptedCapiStep::Make(ScriptedCapiStep::kConnectB3)});
    Drive(3);
    CapiConnection* connection = nullptr;
    ASSERT_EQ(tick_->GetConnections().FindByPlci(plci, connection), KV_OK);
    CapiB3Connection* b3 = connection->GetB3Pool().InUse().front().get();
    for (std::uint32_t i = 0; i + 1 < B3DataStream::kMaxBlocks; ++i)
        ASSERT_NE(b3->GetReceiveStream().AppendNew(), nullptr);
    capi_.ScheduleSteps(plci, {ScriptedCapiStep::Data(std::vector<std::uint8_t>(200, 0x42)),
                               ScriptedCapiStep::Data({7})});
    Drive(3);
    B3DataStream& stream = b3->GetReceiveStream();
    ASSERT_EQ(static_cast<std::uint32_t>(stream.GetSize()), B3DataStream::kMaxBlocks * 128);
    EXPECT_EQ(stream.GetByte(B3DataStream::kMaxBlocks * 128 - 1), 0x42u);
    EXPECT_EQ(tick_->GetDroppedBlocks(), 1u);
    EXPECT_EQ(PutMessagesOf(CAPI_DATA_B3, CAPI_RESP).size(), 2u);
    ExpectNoViolations();
}

TEST_F(TickIndicationTest, InfoIndOfAConnectionInTheManagersOwnPoolIsAnswered) {
    Ring();
    CapiConnection* connection = tick_->GetConnections().InUse().front().get();
    const std::uint32_t plci = connection->GetCodec().GetPlci();
    EXPECT_EQ(host_->GetConnectionTable().FindByPlci(plci, connection), KV_CAPI_NOT_AVAILABLE);
    capi_.ScheduleSteps(plci, {ScriptedCapiStep::Make(ScriptedCapiStep::kAlerting)});
    Drive(2);
    const auto responses = PutMessagesOf(CAPI_INFO, CAPI_RESP);
    ASSERT_EQ(responses.size(), 1u);
    EXPECT_EQ(CapiGetDword(&responses[0][8]), plci);
    EXPECT_EQ(tick_->GetConnections().InUse().front()->GetCodec().InfoNumber(),
              kCapiInfoNumberAlerting);
    ExpectNoViolations();
}

TEST_F(TickIndicationTest, FacilityIndicationsMoveTheConnection) {
    Ring();
    CapiConnection* connection = tick_->GetConnections().InUse().front().get();
    ASSERT_EQ(tick_->SendFacilityReq(connection, kCapiFacilityHold, 0), KV_OK);
    Drive(2);
    EXPECT_EQ(connection->GetState(), 9u);
    EXPECT_EQ(PutMessagesOf(CAPI_FACILITY, CAPI_RESP).size(), 1u);
    capi_.SetFacilityReason(kCapiFacilityRetrieve, 0x3600);
    ASSERT_EQ(tick_->SendFacilityReq(connection, kCapiFacilityRetrieve, 0), KV_OK);
    Drive(2);
    EXPECT_EQ(connection->GetState(), 9u);
    EXPECT_EQ(PutMessagesOf(CAPI_FACILITY, CAPI_RESP).size(), 2u);
    ExpectNoViolations();
}

TEST_F(TickIndicationTest, HandledMarkKeepsASecondManagerOff) {
    Ring();
    CapiMessageList* list = nullptr;
    const Bytes disconnect = MessageImage().Dword(0x7F7F).Word(0x3490).Finish(
        CAPI_DISCONNECT, CAPI_IND, 9, host_->GetApplId());
    host_->StoreMessage(host_->GetApplId(), disconnect);
    ASSERT_EQ(tick_->FindMessageList(host_->GetApplId(), list), KV_OK);
    CapiStoredMessage& entry = list->back();
    // No connection with that PLCI: unanswered and unmarked.
    EXPECT_EQ(CapiTickManager::HandleIndication(*tick_, &entry), KV_OK);
    EXPECT_FALSE(entry.handled);
    entry.handled = true;
    const auto before = capi_.GetPutMessages().size();
    CapiTickManager::HandleIndication(*tick_, &entry);
    EXPECT_EQ(capi_.GetPutMessages().size(), before);
    EXPECT_EQ(CapiTickManager::HandleIndication(*tick_, nullptr), KV_E_INVALID_POINTER);
}

TEST_F(TickIndicationTest, DataB3IndWithItsIdsIsAnsweredWhateverItsData) {
    const std::uint32_t plci = Ring({ScriptedCapiStep::Make(ScriptedCapiStep::kConnectB3)});
    Drive(3);
    CapiConnection* connection = nullptr;
    ASSERT_EQ(tick_->GetConnections().FindByPlci(plci, connection), KV_OK);
    const std::uint32_t ncci = connection->GetB3Pool().InUse().front()->GetCodec().GetNcci();
    // No data, and a message cut behind its Data Handle.
    const std::uint16_t appl_id = static_cast<std::uint16_t>(host_->GetApplId());
    host_->StoreMessage(appl_id, MessageImage()
                                     .Dword(ncci)
                                     .Dword(0)
                                     .Word(0)
                                     .Word(0x77)
                                     .Word(0)
                                     .Finish(CAPI_DATA_B3, CAPI_IND, 0x501, appl_id));
    host_->StoreMessage(appl_id, MessageImage()
                                     .Dword(ncci)
                                     .Dword(0)
                                     .Word(4)
                                     .Word(0x78)
                                     .Finish(CAPI_DATA_B3, CAPI_IND, 0x502, appl_id));
    // Cut inside the NCCI: not answered by anyone.
    host_->StoreMessage(appl_id, MessageImage().Word(ncci).Finish(CAPI_DATA_B3, CAPI_IND, 0x503,
                                                                   appl_id));
    const std::uint32_t counted = tick_->DataCounter();
    Drive(1);
    EXPECT_EQ(tick_->DataCounter(), counted + 2);
    const auto responses = PutMessagesOf(CAPI_DATA_B3, CAPI_RESP);
    ASSERT_EQ(responses.size(), 2u);
    EXPECT_EQ(responses[0],
              MessageImage().Dword(ncci).Word(0x77).Finish(CAPI_DATA_B3, CAPI_RESP, 0x501, appl_id));
    EXPECT_EQ(responses[1],
              MessageImage().Dword(ncci).Word(0x78).Finish(CAPI_DATA_B3, CAPI_RESP, 0x502, appl_id));
}

TEST_F(TickIndicationTest, CallToAnotherNumberStaysUnanswered) {
    ScriptedIncomingCall call;
    call.called_number = "999";
    call.calling_number = "0301234";
    capi_.IncomingCall(call);
    Drive(3);
    EXPECT_TRUE(PutMessagesOf(CAPI_CONNECT, CAPI_RESP).empty());
    EXPECT_TRUE(tick_->GetConnections().InUse().empty());
}

} // namespace
