#include "capi/capi_service.h"

#include "capi_service_fixture.h"
#include "framework/holder_objects.h"

namespace {

class CapiServiceTest : public CapiServiceFixture {};

TEST_F(CapiServiceTest, LaterMessagesReachTheManagerTheirFirstJobIdNames) {
    StartListening();
    RequestListenManager("0891234");
    Drive(1);
    const CapiHost::ManagerMap* map =
        service_.GetHost().FindTypeMap(KV_PAYLOAD_CAPI_LISTEN_MANAGER);
    ASSERT_NE(map, nullptr);
    CapiManagerBase* listen = map->front();
    EXPECT_NE(listen->GetJobId(), Tick()->GetJobId());
    EXPECT_EQ(listen->GetRequestMessage()->GetSourceJobId(), listen->GetJobId());
    auto* item = new CKvMessage;
    item->SetHeader(KV_MSG_KIND_INFO, nullptr, KV_PAYLOAD_TEXT, 1, 5, 0);
    item->SetJobIds(listen->GetJobId(), 77, 0);
    service_.HandleMessage(item);
    EXPECT_EQ(listen->GetQueue().GetCount(), 1);
}

TEST_F(CapiServiceTest, RequestForNoManagerIsRefusedAndOtherKindsReleased) {
    service_.Begin();
    auto* request = new CKvMessage;
    request->SetHeader(KV_MSG_KIND_REQUEST, nullptr, KV_PAYLOAD_CAPI_FUNC_DATA, 1, 5, 0);
    request->SetJobIds(123456, 77, 0);
    ASSERT_EQ(request->Send(CapiService::kEndpoint, kJob, &router_, 0, true, false), KV_OK);
    auto* info = new CKvMessage;
    info->SetHeader(KV_MSG_KIND_INFO, nullptr, KV_PAYLOAD_TEXT, 1, 5, KV_MSG_ATTR_SHUTDOWN);
    info->SetJobIds(123456, 77, 0);
    ASSERT_EQ(info->Send(CapiService::kEndpoint, kJob, &router_, 0, true, false), KV_OK);
    Pump();
    ASSERT_EQ(job_messages_.size(), 1u);
    EXPECT_EQ(job_messages_[0]->GetKind(), KV_MSG_KIND_CONFIRMATION);
    EXPECT_EQ(job_messages_[0]->GetAttribute(), KV_MSG_ATTR_REFUSED);
    EXPECT_EQ(job_messages_[0]->GetTargetJobId(), 123456u);
}

TEST_F(CapiServiceTest, EndWaitsAtMostFiveSecondsOfClock) {
    StartListening();
    service_.GetHost().SetListenConfirmed(0);
    RequestListenManager("0891234");
    Drive(3);
    ASSERT_EQ(service_.GetHost().GetManagerCount(), 2u);
    int waits = 0;
    service_.SetEndPassHook([&] {
        ++waits;
        clock_.Advance(100);
    });
    service_.End();
    EXPECT_EQ(service_.GetHost().GetManagerCount(), 0u);
    EXPECT_GE(waits, 49);
    EXPECT_LE(waits, 51);
    EXPECT_FALSE(service_.GetHost().IsRegistered());
}

TEST_F(CapiServiceTest, WithoutCapiItStartsAndSaysSo) {
    capi_.SetInstalledResult(kCapiRegNotInstalled);
    EXPECT_EQ(service_.Begin(), KV_E_CAPI_INFO);
    Drive(1);
    ASSERT_EQ(status_messages_.size(), 1u);
    EXPECT_EQ(static_cast<CKvStampedTextRecord*>(status_messages_[0]->GetPayload())->text,
              CapiService::kNoCapiText);
    // The tick manager finds no controller and ends; a listen manager is refused.
    RequestListenManager("0891234");
    Drive(10);
    EXPECT_EQ(service_.GetHost().GetManagerCount(), 0u);
    EXPECT_EQ(JobMessagesWith(KV_MSG_ATTR_REFUSED).size(), 1u);
}

} // namespace
