#include "capi/capi_listen_manager.h"

#include "capi_service_fixture.h"

namespace {

class CapiListenManagerTest : public CapiServiceFixture {
protected:
    void SetUp() override {
        CapiServiceFixture::SetUp();
        StartListening();
        RequestListenManager("0891234");
        Drive(4);
    }
    void Ring(const std::string& called, const std::string& calling,
              std::vector<std::uint8_t> subaddress = {}) {
        ScriptedIncomingCall call;
        call.called_number = called;
        call.calling_number = calling;
        call.calling_subaddress = std::move(subaddress);
        capi_.IncomingCall(call);
        Drive(2);
    }
    CapiListenManager* Listen() {
        const CapiHost::ManagerMap* map =
            service_.GetHost().FindTypeMap(KV_PAYLOAD_CAPI_LISTEN_MANAGER);
        return map != nullptr ? static_cast<CapiListenManager*>(map->front()) : nullptr;
    }
    std::vector<CKvMessage*> Notifications() const {
        return JobMessagesWith(KV_MSG_ATTR_NOTIFICATION);
    }
};

TEST_F(CapiListenManagerTest, AcceptedWithACopyThatCarriesTheManagerId) {
    const auto accepted = JobMessagesWith(KV_MSG_ATTR_ACCEPTED);
    ASSERT_EQ(accepted.size(), 1u);
    ASSERT_NE(Listen(), nullptr);
    EXPECT_EQ(Listen()->GetState(), capi_state::kListening);
    EXPECT_EQ(accepted[0]->GetKind(), KV_MSG_KIND_CONFIRMATION);
    EXPECT_EQ(accepted[0]->GetTargetJobId(), Listen()->GetJobId());
    EXPECT_EQ(accepted[0]->GetSourceJobId(), 77u);
    ASSERT_NE(accepted[0]->GetPayload(), nullptr);
    EXPECT_NE(accepted[0]->GetPayload(), static_cast<const void*>(Listen()));
}

TEST_F(CapiListenManagerTest, WatchedNumberGivesOneNotificationWithCallerAndTime) {
    clock_.SetWallTime(1'700'000'000, 250);
    Ring("0891234", "0301111", {0x50, 0x01, 0x02});
    const auto notifications = Notifications();
    ASSERT_EQ(notifications.size(), 1u);
    CKvMessage& notice = *notifications[0];
    EXPECT_EQ(notice.GetKind(), KV_MSG_KIND_INFO);
    EXPECT_EQ(notice.GetPayloadType(), KV_PAYLOAD_CAPI_LISTEN_MANAGER);
    auto& copy = *static_cast<CapiListenManager*>(notice.GetPayload());
    EXPECT_EQ(copy.GetText2(), "0301111");
    EXPECT_EQ(copy.GetText3(), "0891234");
    EXPECT_EQ(copy.GetCallerText(), "0301111");
    EXPECT_EQ(copy.GetEventTime().GetSeconds(), 1'700'000'000u + 2'208'988'800u);
    ASSERT_EQ(copy.GetReceivedCount(), 3u);
    EXPECT_EQ(copy.GetReceivedBytes()[0], 0x50);
    EXPECT_EQ(copy.GetReceivedBytes()[2], 0x02);
    EXPECT_TRUE(PutMessagesOf(CAPI_CONNECT, CAPI_RESP).empty());
}

TEST_F(CapiListenManagerTest, OwnControllerUnwatchedNumberOrOtherStateGiveNone) {
    Ring("0891234", "5550");
    Ring("0899999", "0301111");
    Listen()->SetState(capi_state::kWaitingForListenConf);
    Ring("0891234", "0301111");
    EXPECT_TRUE(Notifications().empty());
    EXPECT_TRUE(capi_.GetViolations().empty());
}

TEST_F(CapiListenManagerTest, TwoCallsGiveTwoNotificationsAndNeverAnAnswer) {
    Ring("0891234", "0301111");
    Ring("0891234", "0302222");
    const auto notifications = Notifications();
    ASSERT_EQ(notifications.size(), 2u);
    EXPECT_LT(notifications[0]->GetValue(), notifications[1]->GetValue());
    EXPECT_EQ(static_cast<CapiListenManager*>(notifications[1]->GetPayload())->GetText2(),
              "0302222");
    EXPECT_TRUE(PutMessagesOf(CAPI_CONNECT, CAPI_RESP).empty());
}

TEST_F(CapiListenManagerTest, ShutdownRequestEndsWithTheManagerAttached) {
    auto* shutdown = new CKvMessage;
    shutdown->SetHeader(KV_MSG_KIND_REQUEST, nullptr, KV_PAYLOAD_CAPI_LISTEN_MANAGER,
                        KV_MSG_COMMAND_NOTIFICATION, 5, KV_MSG_ATTR_SHUTDOWN);
    shutdown->SetJobIds(Listen()->GetJobId(), 77, 0);
    ASSERT_EQ(shutdown->Send(CapiService::kEndpoint, kJob, &router_, 0, true, false), KV_OK);
    Drive(4);
    EXPECT_EQ(Listen(), nullptr);
    const auto ended = JobMessagesWith(KV_MSG_ATTR_ENDED);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_NE(ended[0]->GetPayload(), nullptr);
}

class CapiListenManagerStart : public CapiServiceFixture {};

TEST_F(CapiListenManagerStart, RequestedBeforeTheControllerTableItWaitsForIt) {
    capi_.AddController(1, 2);
    service_.Begin();
    RequestListenManager("0891234");
    Drive(8);
    EXPECT_EQ(JobMessagesWith(KV_MSG_ATTR_ACCEPTED).size(), 1u);
    EXPECT_TRUE(JobMessagesWith(KV_MSG_ATTR_REFUSED).empty());
}

TEST_F(CapiListenManagerStart, WithoutATableItIsRefusedOnceTheTickManagerEnds) {
    capi_.AddController(1, 2);
    records_silent_ = true;
    service_.Begin();
    RequestListenManager("0891234");
    Drive(10, 1000);
    EXPECT_EQ(JobMessagesWith(KV_MSG_ATTR_REFUSED).size(), 1u);
    EXPECT_EQ(service_.GetHost().GetManagerCount(), 0u);
}

TEST_F(CapiListenManagerTest, WaitsThirtySecondsWhenAnotherManagerAskedFirst) {
    service_.GetHost().SetListenConfirmed(0);
    RequestListenManager("0891234", 78);
    Drive(3);
    const CapiHost::ManagerMap* map =
        service_.GetHost().FindTypeMap(KV_PAYLOAD_CAPI_LISTEN_MANAGER);
    ASSERT_EQ(map->size(), 2u);
    EXPECT_EQ(map->back()->GetState(), capi_state::kWaitingForListenConf);
    Drive(29, 1000);
    EXPECT_EQ(map->back()->GetState(), capi_state::kWaitingForListenConf);
    Drive(4, 1000);
    EXPECT_EQ(service_.GetHost().FindTypeMap(KV_PAYLOAD_CAPI_LISTEN_MANAGER)->size(), 1u);
    EXPECT_EQ(JobMessagesWith(KV_MSG_ATTR_REFUSED).size(), 1u);
}

} // namespace
