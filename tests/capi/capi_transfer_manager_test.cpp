#include "capi/capi_transfer_manager.h"

#include "capi_service_fixture.h"
#include "capi_test_support.h"
#include "framework/holder_objects.h"

#include <algorithm>

namespace {

class CapiTransferManagerTest : public CapiServiceFixture {
protected:
    void SetUp() override {
        CapiServiceFixture::SetUp();
        ASSERT_EQ(router_.RegisterThread(kCapiHostCallEndpoint, queue_.GetThreadId(), "test"),
                  KV_OK);
        StartListening();
    }
    void RequestTransfer(const std::string& first, const std::string& second,
                         std::uint32_t job_id = 78) {
        auto* manager = new CapiTransferManager;
        manager->SetCallingNumber(first);
        manager->SetCalledNumber(second);
        auto* request = new CKvMessage;
        request->SetHeader(KV_MSG_KIND_REQUEST, manager, KV_PAYLOAD_CAPI_TRANSFER_MANAGER,
                           KV_MSG_COMMAND_NOTIFICATION, 5, 0);
        request->SetJobIds(0, job_id, 0);
        ASSERT_EQ(request->Send(CapiService::kEndpoint, kJob, &router_, 0, true, false), KV_OK);
    }
    // The attributes of the messages to the job and to 2063, in order.
    std::vector<std::int32_t> Attributes() const {
        std::vector<std::int32_t> attributes;
        for (CKvMessage* message : job_messages_)
            attributes.push_back(message->GetAttribute());
        return attributes;
    }
    std::size_t TransferCount() {
        const CapiHost::ManagerMap* map =
            service_.GetHost().FindTypeMap(KV_PAYLOAD_CAPI_TRANSFER_MANAGER);
        return map == nullptr ? 0 : map->size();
    }
    std::uint32_t PlciOfPut(std::size_t index) const {
        return CapiGetDword(&capi_.GetPutMessages()[index][8]);
    }
    std::uint16_t ApplId() { return static_cast<std::uint16_t>(service_.GetHost().GetApplId()); }
    // FACILITY_REQ, supplementary services, for the PLCI; ECT names the other.
    Bytes FacilityReq(std::uint32_t plci, std::uint16_t function, std::uint16_t number,
                      std::uint32_t ect_plci = 0) {
        MessageImage image;
        image.Dword(plci).Word(3);
        if (function == kCapiFacilityEct)
            image.Byte(7).Word(function).Byte(4).Dword(ect_plci);
        else
            image.Byte(3).Word(function).Empty();
        return image.Finish(CAPI_FACILITY, CAPI_REQ, number, ApplId());
    }
    // The first call answered and held, the second alerting and the calls
    // joined; the first call's PLCI. The hold's FACILITY_IND carries the
    // number the second CONNECT_REQ will have: a confirmation matched by the
    // numbers that responses repeat would go to the first call.
    std::uint32_t WalkToTheTransfer() {
        capi_.ScriptOutgoingCall({ScriptedCapiStep::Make(ScriptedCapiStep::kConnectActive, 0, 100)});
        capi_.ScriptOutgoingCall({ScriptedCapiStep::Make(ScriptedCapiStep::kAlerting)});
        RequestTransfer("0301111", "0302222");
        Drive(3);
        const auto first_connect = PutMessagesOf(CAPI_CONNECT, CAPI_REQ);
        EXPECT_EQ(first_connect.size(), 1u);
        if (first_connect.empty())
            return 0;
        const std::uint16_t number = CapiGetWord(&first_connect[0][6]);
        capi_.SetNextIndicationNumber(ApplId(), static_cast<std::uint16_t>(number + 1));
        Drive(12, 100);
        const auto connects = PutMessagesOf(CAPI_CONNECT, CAPI_REQ);
        EXPECT_EQ(connects.size(), 2u);
        const auto facilities = PutMessagesOf(CAPI_FACILITY, CAPI_REQ);
        const auto alerted = PutMessagesOf(CAPI_INFO, CAPI_RESP);
        EXPECT_EQ(facilities.size(), 2u);
        EXPECT_EQ(alerted.size(), 1u);
        if (connects.size() != 2 || facilities.size() != 2 || alerted.size() != 1)
            return 0;
        const std::uint32_t first_plci = CapiGetDword(&facilities[0][8]);
        second_plci_ = CapiGetDword(&alerted[0][8]);
        EXPECT_NE(second_plci_, first_plci);
        EXPECT_EQ(CapiGetWord(&connects[1][6]), number + 2);
        // The held call carries the transfer, naming the alerting call.
        EXPECT_EQ(facilities[0],
                  FacilityReq(first_plci, kCapiFacilityHold, static_cast<std::uint16_t>(number + 1)));
        EXPECT_EQ(facilities[1], FacilityReq(first_plci, kCapiFacilityEct,
                                             static_cast<std::uint16_t>(number + 3), second_plci_));
        return first_plci;
    }

    std::uint32_t second_plci_ = 0;
};

TEST_F(CapiTransferManagerTest, JoinsTheTwoCallsByExplicitCallTransfer) {
    const std::uint32_t first_plci = WalkToTheTransfer();
    ASSERT_NE(first_plci, 0u);
    const std::uint32_t second_plci = second_plci_;
    capi_.ScheduleSteps(first_plci, {ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnect, 0x3490)});
    capi_.ScheduleSteps(second_plci, {ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnect, 0x3490)});
    Drive(6);
    const std::vector<std::int32_t> expected = {KV_MSG_ATTR_ACCEPTED, KV_MSG_ATTR_CALL_CONNECTED,
                                                KV_MSG_ATTR_CALL_ECT_ESTABLISHED,
                                                KV_MSG_ATTR_ENDED, KV_MSG_ATTR_ENDED};
    EXPECT_EQ(Attributes(), expected);
    EXPECT_EQ(TransferCount(), 0u);
    EXPECT_EQ(service_.GetHost().GetConnectionTable().GetFreeCount(), 4u);
    EXPECT_TRUE(capi_.GetViolations().empty());
}

TEST_F(CapiTransferManagerTest, AStopAfterTheTransferRetrievesBothCalls) {
    const std::uint32_t first_plci = WalkToTheTransfer();
    ASSERT_NE(first_plci, 0u);
    auto* stop = new CKvMessage;
    stop->SetHeader(KV_MSG_KIND_INFO, nullptr, 0, 0, 0, 0);
    stop->SetAttribute(KV_MSG_ATTR_SHUTDOWN);
    stop->SetJobIds(job_messages_.front()->GetTargetJobId(), 78, 0);
    ASSERT_EQ(stop->Send(CapiService::kEndpoint, kJob, &router_, 0, true, false), KV_OK);
    const std::size_t before = capi_.GetPutMessages().size();
    capi_.SetSilent(true);
    Drive(3);
    // Both calls were transferred: each is retrieved, neither disconnected.
    const auto puts = capi_.GetPutMessages();
    ASSERT_EQ(puts.size(), before + 2);
    const std::uint16_t number = CapiGetWord(&puts[before][6]);
    EXPECT_EQ(puts[before], FacilityReq(first_plci, kCapiFacilityRetrieve, number));
    EXPECT_EQ(puts[before + 1], FacilityReq(second_plci_, kCapiFacilityRetrieve,
                                            static_cast<std::uint16_t>(number + 1)));
    capi_.SetSilent(false);
}

TEST_F(CapiTransferManagerTest, ASecondCallThatFailsRetrievesAndClearsTheFirst) {
    capi_.ScriptOutgoingCall({ScriptedCapiStep::Make(ScriptedCapiStep::kConnectActive)});
    capi_.ScriptOutgoingCall({ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnect, 0x34A2)});
    RequestTransfer("0301111", "0302222");
    Drive(14);
    const auto facilities = PutMessagesOf(CAPI_FACILITY, CAPI_REQ);
    ASSERT_EQ(facilities.size(), 2u);
    EXPECT_EQ(facilities[1][15], kCapiFacilityRetrieve);
    EXPECT_EQ(PutMessagesOf(CAPI_DISCONNECT, CAPI_REQ).size(), 1u);
    EXPECT_EQ(TransferCount(), 0u);
    EXPECT_TRUE(capi_.GetViolations().empty());
}

TEST_F(CapiTransferManagerTest, NoAnswerIn15SecondsShutsDown) {
    RequestTransfer("0301111", "0302222");
    Drive(4);
    Drive(16, 1000);
    Drive(6);
    const auto attributes = Attributes();
    EXPECT_NE(std::find(attributes.begin(), attributes.end(), KV_MSG_ATTR_SHUTDOWN),
              attributes.end());
    EXPECT_EQ(PutMessagesOf(CAPI_DISCONNECT, CAPI_REQ).size(), 1u);
    EXPECT_EQ(TransferCount(), 0u);
}

TEST_F(CapiTransferManagerTest, ASilentControllerEndsTheManagerAfterTheConnectionTimer) {
    capi_.SetSilent(true);
    RequestTransfer("0301111", "0302222");
    Drive(4);
    Drive(16, 1000);
    Drive(4);
    // The unconfirmed CONNECT_REQ has no PLCI to clear.
    EXPECT_TRUE(PutMessagesOf(CAPI_DISCONNECT, CAPI_REQ).empty());
    EXPECT_EQ(TransferCount(), 1u);
    Drive(1, 60'000);
    Drive(4);
    const auto attributes = Attributes();
    EXPECT_NE(std::find(attributes.begin(), attributes.end(), KV_MSG_ATTR_SHUTDOWN),
              attributes.end());
    EXPECT_EQ(TransferCount(), 0u);
    EXPECT_EQ(service_.GetHost().GetConnectionTable().GetFreeCount(), 4u);
    EXPECT_TRUE(PutMessagesOf(CAPI_DISCONNECT, CAPI_REQ).empty());
    capi_.SetSilent(false);
}

// The first CONNECT_REQ's confirmation comes late: before the connection's
// timer 2 runs out the manager clears the call, after it the owner does and
// answers the call's DISCONNECT_IND.
TEST_F(CapiTransferManagerTest, AConfirmationAfterTheConnectionGaveUpIsCleared) {
    constexpr std::uint32_t kPlci = 0x0A01;
    for (int seconds : {59, 61}) {
        SCOPED_TRACE(seconds);
        capi_.SetSilent(true);
        const std::size_t puts = capi_.GetPutMessages().size();
        RequestTransfer("0301111", "0302222");
        Drive(4);
        const std::uint16_t number = CapiGetWord(&PutMessagesOf(CAPI_CONNECT, CAPI_REQ).back()[6]);
        Drive(seconds, 1000);
        Drive(2);
        EXPECT_EQ(TransferCount(), seconds < 60 ? 1u : 0u);
        capi_.SetSilent(false);
        ASSERT_TRUE(service_.GetHost().StoreMessage(
            ApplId(),
            MessageImage().Dword(kPlci).Word(0).Finish(CAPI_CONNECT, CAPI_CONF, number, ApplId())));
        Drive(6);
        const auto all = capi_.GetPutMessages();
        std::vector<Bytes> clearing;
        for (std::size_t i = puts; i < all.size(); ++i)
            if (all[i][4] == CAPI_DISCONNECT)
                clearing.push_back(all[i]);
        ASSERT_EQ(clearing.size(), 2u);
        EXPECT_EQ(clearing[0],
                  MessageImage()
                      .Dword(kPlci)
                      .Struct({0, 0, 0, 0, 0})
                      .Finish(CAPI_DISCONNECT, CAPI_REQ, CapiGetWord(&clearing[0][6]), ApplId()));
        EXPECT_EQ(clearing[1][5], CAPI_RESP);
        EXPECT_EQ(CapiGetDword(&clearing[1][8]), kPlci);
        EXPECT_EQ(TransferCount(), 0u);
        EXPECT_TRUE(capi_.GetViolations().empty());
    }
}

// Neither PLCI 0 nor a refusal names a call: a DISCONNECT_IND naming PLCI 0
// while the CONNECT_REQ waits is answered once and the call still waits; a
// CONNECT_CONF refusing the call after the connection gave up clears nothing.
TEST_F(CapiTransferManagerTest, PlciZeroAndALateRefusalNameNoCall) {
    capi_.SetSilent(true);
    RequestTransfer("0301111", "0302222");
    Drive(4);
    const std::uint16_t number = CapiGetWord(&PutMessagesOf(CAPI_CONNECT, CAPI_REQ).back()[6]);
    const auto waits = [this] {
        const auto* map = service_.GetHost().FindTypeMap(KV_PAYLOAD_CAPI_TRANSFER_MANAGER);
        return map != nullptr && map->front()->GetConnections().InUse().front()->GetState() ==
                                     CapiConnection::kConnectRequested;
    };
    ASSERT_TRUE(waits());
    const auto store = [this](const Bytes& message) {
        ASSERT_TRUE(service_.GetHost().StoreMessage(ApplId(), message));
        Drive(2);
    };
    store(MessageImage().Dword(0).Word(0x3490).Finish(CAPI_DISCONNECT, CAPI_IND, 0x4444, ApplId()));
    EXPECT_EQ(PutMessagesOf(CAPI_DISCONNECT, CAPI_RESP),
              std::vector<Bytes>{
                  MessageImage().Dword(0).Finish(CAPI_DISCONNECT, CAPI_RESP, 0x4444, ApplId())});
    EXPECT_TRUE(waits());
    Drive(62, 1000);
    ASSERT_EQ(TransferCount(), 0u);
    store(MessageImage()
              .Dword(0x0A01)
              .Word(kCapiNoPlciAvailable)
              .Finish(CAPI_CONNECT, CAPI_CONF, number, ApplId()));
    EXPECT_TRUE(PutMessagesOf(CAPI_DISCONNECT, CAPI_REQ).empty());
}

TEST_F(CapiTransferManagerTest, AConfirmationRepeatedForALiveCallClearsNothing) {
    RequestTransfer("0301111", "0302222");
    Drive(4);
    const std::uint16_t number = CapiGetWord(&PutMessagesOf(CAPI_CONNECT, CAPI_REQ)[0][6]);
    const auto& in_use = service_.GetHost()
                             .FindTypeMap(KV_PAYLOAD_CAPI_TRANSFER_MANAGER)
                             ->front()
                             ->GetConnections()
                             .InUse();
    ASSERT_EQ(in_use.size(), 1u);
    const std::uint32_t plci = in_use.front()->GetCodec().GetPlci();
    ASSERT_NE(plci, 0u);
    ASSERT_TRUE(service_.GetHost().StoreMessage(
        ApplId(),
        MessageImage().Dword(plci).Word(0).Finish(CAPI_CONNECT, CAPI_CONF, number, ApplId())));
    Drive(2);
    EXPECT_TRUE(PutMessagesOf(CAPI_DISCONNECT, CAPI_REQ).empty());
    EXPECT_EQ(in_use.front()->GetState(), CapiConnection::kConnectConfirmed);
}

TEST_F(CapiTransferManagerTest, ClearedWithoutCablePostsItsStatusText) {
    capi_.ScriptOutgoingCall({ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnect, 0x3301)});
    RequestTransfer("0301111", "0302222");
    Drive(8);
    bool posted = false;
    for (CKvMessage* message : status_messages_)
        posted |= static_cast<CKvStampedTextRecord*>(message->GetPayload())->text ==
                  "UIObjString_Status_ERROR_CAPIDLL_nocable";
    EXPECT_TRUE(posted);
    EXPECT_EQ(TransferCount(), 0u);
}

TEST_F(CapiTransferManagerTest, ADuplicateFirstNumberIsRefusedAfter20Seconds) {
    capi_.SetSilent(true);
    RequestTransfer("0301111", "0302222", 78);
    Drive(2);
    RequestTransfer("0301111", "0303333", 79);
    Drive(2);
    EXPECT_EQ(TransferCount(), 2u);
    Drive(19, 1000);
    EXPECT_TRUE(JobMessagesWith(KV_MSG_ATTR_REFUSED).empty());
    Drive(3, 1000);
    EXPECT_EQ(JobMessagesWith(KV_MSG_ATTR_REFUSED).size(), 1u);
    EXPECT_EQ(PutMessagesOf(CAPI_CONNECT, CAPI_REQ).size(), 1u);
}

TEST_F(CapiTransferManagerTest, ADuplicateOfAManagerStillInStateZeroRuns) {
    auto* first = new CapiTransferManager;
    auto* second = new CapiTransferManager;
    for (CapiTransferManager* manager : {first, second}) {
        manager->SetCallingNumber("0301111");
        ASSERT_EQ(service_.GetHost().FileManager(manager), KV_OK);
    }
    second->Run();
    EXPECT_EQ(second->GetState(), capi_state::kRunning);
    first->Run();
    EXPECT_EQ(first->GetState(), capi_state::kStart);
}

} // namespace
