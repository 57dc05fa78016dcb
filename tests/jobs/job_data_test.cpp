#include "jobs/job_data.h"

#include "data/data_user.h"
#include "framework/connection_objects.h"
#include "framework/holder_objects.h"
#include "jobs/job_data_client2.h"
#include "jobs_test_support.h"
#include "platform/clock.h"

namespace {

constexpr std::uint16_t kJobEndpoint = 0x900;

class JobDataTest : public ::testing::Test {
protected:
    JobDataTest() : scoped_clock_(clock_) {
        job_.SetTarget(router_.Get(), kJobEndpoint);
        job_.SetJobId(40);
        job_.SetOriginatingJobId(41);
    }

    ManualClock clock_{1700000000};
    ScopedClock scoped_clock_;
    CapturingRouter router_{KV_ENDPOINT_HOST_MAIN, KV_ENDPOINT_HOST_STATUS, KV_ENDPOINT_NETWORK,
                            kJobEndpoint};
    CKvJobDataClient2 job_;
};

TEST_F(JobDataTest, RequestRecordSendsThenWaitsThenHandsOverTheAnswer) {
    CKvMessage* answer = reinterpret_cast<CKvMessage*>(1);
    EXPECT_EQ(job_.RequestRecord(answer, 2, KV_ENDPOINT_HOST_MAIN, 17, nullptr,
                                 K_KVDT_TP_DTHDLR_DATAUSER),
              KV_OK);
    EXPECT_EQ(answer, nullptr);
    EXPECT_EQ(job_.GetSubState(), 2u);
    EXPECT_EQ(job_.GetWaitingFlag(), 1u);
    std::uint16_t endpoint = 0;
    MessagePtr request = router_.Take(&endpoint);
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(endpoint, KV_ENDPOINT_HOST_MAIN);
    EXPECT_EQ(request->GetKind(), KV_MSG_KIND_REQUEST);
    EXPECT_EQ(request->GetCommand(), 2);
    EXPECT_EQ(request->GetSubCommand(), 5);
    EXPECT_EQ(request->GetPayloadType(), K_KVDT_TP_DTHDLR_DATAUSER);
    EXPECT_NE(request->GetPayload(), nullptr);
    EXPECT_EQ(request->GetSourceJobId(), 17u);
    EXPECT_EQ(request->GetTargetJobId(), 40u);
    EXPECT_EQ(request->GetOriginatingJobId(), 41u);
    EXPECT_EQ(request->GetValue(), 1u);
    EXPECT_EQ(request->GetSourceEndpoint(), kJobEndpoint);

    // Nothing yet: 0, still waiting.
    EXPECT_EQ(job_.RequestRecord(answer, 2, KV_ENDPOINT_HOST_MAIN, 17, nullptr,
                                 K_KVDT_TP_DTHDLR_DATAUSER),
              KV_OK);
    EXPECT_EQ(answer, nullptr);
    EXPECT_EQ(job_.GetSubState(), 2u);

    // A foreign payload type is left in the queue; the answer is taken out,
    // not released.
    CKvMessage* foreign = new CKvMessage;
    foreign->SetPayloadType(K_KVDT_TP_DTHDLR_DATACOMPUTER);
    CKvMessage* reply = new CKvMessage;
    reply->SetPayloadType(K_KVDT_TP_DTHDLR_DATAUSER);
    job_.GetIncomingQueue().Add(foreign, false);
    job_.GetIncomingQueue().Add(reply, false);
    EXPECT_EQ(job_.RequestRecord(answer, 2, KV_ENDPOINT_HOST_MAIN, 17, nullptr,
                                 K_KVDT_TP_DTHDLR_DATAUSER),
              KV_OK);
    EXPECT_EQ(answer, reply);
    MessagePtr owned = Own(answer);
    EXPECT_EQ(job_.GetSubState(), 0u);
    EXPECT_EQ(job_.GetIncomingQueue().GetCount(), 1);
    EXPECT_EQ(job_.GetIncomingQueue().FirstMessage(), foreign);
    EXPECT_FALSE(job_.GetTimers().IsRunning(CKvJobData::kAnswerTimerId));
}

TEST_F(JobDataTest, RequestRecordReportsTheTimeOutWhenTimerOneIsFoundExpired) {
    CKvMessage* answer = nullptr;
    auto* record = new CKvDataUser;
    ASSERT_EQ(
        job_.RequestRecord(answer, 0, KV_ENDPOINT_HOST_MAIN, 0, record, K_KVDT_TP_DTHDLR_DATAUSER),
        KV_OK);
    MessagePtr request = router_.Take();
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(request->GetPayload(), record);
    EXPECT_EQ(request->GetAttribute(), KV_MSG_ATTR_UNSPECIFIED);
    EXPECT_EQ(request->GetSubCommand(), 5);
    clock_.Advance(20000);
    EXPECT_EQ(
        job_.RequestRecord(answer, 2, KV_ENDPOINT_HOST_MAIN, 0, nullptr, K_KVDT_TP_DTHDLR_DATAUSER),
        KV_E_TIMEOUT);
    EXPECT_EQ(job_.GetSubState(), 2u);
    EXPECT_EQ(answer, nullptr);
}

TEST_F(JobDataTest, RequestRecordWithoutARouterReportsNoMemoryAndStaysIdle) {
    CKvJobDataClient2 lone;
    CKvMessage* answer = nullptr;
    EXPECT_EQ(lone.RequestRecord(answer, 2, KV_ENDPOINT_HOST_MAIN, 0, nullptr, 1),
              KV_E_OUT_OF_MEMORY);
    EXPECT_EQ(lone.GetSubState(), 0u);
}

TEST(JobData, DestroyingAJobItsCarryingMessageHoldsFreesOnlyTheMessage) {
    RegisterAllPayloads();
    void* payload = nullptr;
    auto* message = new CKvMessage;
    ASSERT_TRUE(message->CreatePayload(payload, K_KVJBDT_TP_CLIENT2));
    CKvJobData* job = JobFromPayload(payload);
    job->SetCarryingMessage(message);
    delete job; // AddressSanitizer reports a double free or a leak otherwise
}

TEST(JobData, DestroyingAJobReleasesAForeignCarryingMessageWithItsPayload) {
    RegisterAllPayloads();
    auto* message = new CKvMessage;
    void* payload = nullptr;
    ASSERT_TRUE(message->CreatePayload(payload, K_KVDT_TP_DTHDLR_DATAUSER));
    auto job = std::make_unique<CKvJobDataClient2>();
    job->SetCarryingMessage(message);
    job.reset();
}

TEST(JobData, CopyFromCopiesTheHeaderFieldsAndLeavesTheRest) {
    RegisterAllPayloads();
    CKvJobDataClient2 source;
    source.SetHeader(KV_MSG_KIND_INFO, KV_MSG_ATTR_ENDED, 5, 6);
    source.SetJobId(7);
    source.SetOriginatingJobId(8);
    source.SetLoginName("anna");
    source.SetTransportMode(KV_TRANSPORT_LOCAL);
    source.SetSubType(K_KVJBDT_TP_CLIENT2);
    source.ChangeState(10);
    source.GetPeerComputer().Set("ws", 0x0A000001, 4100);
    source.SetLocalHost("srv", "10.0.0.2", 4200);
    source.GetDateTime().SetNow();
    auto* carrying = new CKvMessage;
    carrying->SetKind(KV_MSG_KIND_REQUEST);
    source.SetCarryingMessage(carrying);
    source.GetIncomingQueue().Add(new CKvMessage, false);

    CKvJobDataClient2 copy;
    copy.SetNotifyCalls(0);
    copy.CopyFrom(source);
    EXPECT_EQ(copy.GetMessageType(), static_cast<std::uint32_t>(KV_MSG_KIND_INFO));
    EXPECT_EQ(copy.GetAttribute(), static_cast<std::uint32_t>(KV_MSG_ATTR_ENDED));
    EXPECT_EQ(copy.GetIdTarget(), 5u);
    EXPECT_EQ(copy.GetIdSource(), 6u);
    EXPECT_EQ(copy.GetJobId(), 7u);
    EXPECT_EQ(copy.GetOriginatingJobId(), 8u);
    EXPECT_EQ(copy.GetLoginName(), "anna");
    EXPECT_EQ(copy.GetTransportMode(), KV_TRANSPORT_LOCAL);
    EXPECT_EQ(copy.GetSubType(), static_cast<std::uint32_t>(K_KVJBDT_TP_CLIENT2));
    EXPECT_EQ(copy.GetState(), 10u);
    EXPECT_EQ(copy.GetPeerComputer().GetPort(), 4100u);
    EXPECT_EQ(copy.GetLocalAddressText(), "10.0.0.2");
    EXPECT_TRUE(copy.GetDateTime() == source.GetDateTime());
    EXPECT_EQ(copy.GetNotifyCalls(), 1u);
    // A header-only clone of the carrying message; not the queue.
    ASSERT_NE(copy.GetCarryingMessage(), nullptr);
    EXPECT_NE(copy.GetCarryingMessage(), carrying);
    EXPECT_EQ(copy.GetCarryingMessage()->GetKind(), KV_MSG_KIND_REQUEST);
    EXPECT_EQ(copy.GetIncomingQueue().GetCount(), 0);
    EXPECT_EQ(copy.GetSubState(), 0u);
}

TEST(JobData, TypeNamesFollowTheTableAndEverythingElseIsUnspecified) {
    const struct {
        std::uint32_t code;
        const char* name;
    } cases[] = {
        {13, "K_KVJBDT_TP_DIAL"},        {14, "K_KVJBDT_TP_LISTEN"},
        {15, "K_KVJBDT_TP_ROOT"},        {16, "K_KVJBDT_TP_UNSPECIFIED"},
        {17, "K_KVJBDT_TP_CLIENT"},      {18, "K_KVJBDT_TP_CAPISERVER"},
        {19, "K_KVJBDT_TP_CHAT"},        {20, "K_KVJBDT_TP_CHAT2"},
        {38, "K_KVJBDT_TP_CLIENT2"},     {39, "K_KVJBDT_TP_DIAL2"},
        {40, "K_KVJBDT_TP_LISTEN2"},     {43, "K_KVJBDT_TP_TSPDIAL"},
        {47, "K_KVJBDT_TP_SYNCHRONIZE"}, {51, "K_KVJBDT_TP_TAPI_DIAL"},
        {53, "K_KVJBDT_TP_TAPI_LISTEN"}, {0, "K_KVJBDT_TP_UNSPECIFIED"},
        {52, "K_KVJBDT_TP_UNSPECIFIED"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.code);
        EXPECT_STREQ(CKvJobData::TypeName(row.code), row.name);
    }
    std::uint32_t code = 0;
    EXPECT_FALSE(CKvJobData::TypeCodeFromName("K_KVJBDT_TP_UNSPECIFIED", code));
    EXPECT_TRUE(CKvJobData::TypeCodeFromName("K_KVJBDT_TP_CHAT2", code));
    EXPECT_EQ(code, 20u);
}

TEST_F(JobDataTest, UnknownKindAndAttributeAreWrittenAsErrorNames) {
    job_.SetHeader(9, 40, 1, 2);
    std::string text;
    ASSERT_EQ(job_.Serialize(text), KV_OK);
    EXPECT_NE(text.find("<messagetype>ERROR_MSSTPE_UNKNOWN</messagetype>"), std::string::npos);
    EXPECT_NE(text.find("<attribute>ERROR_ATTRIBUTE_UNKNOWN</attribute>"), std::string::npos);
}

TEST_F(JobDataTest, SendChoosesTheDestinationByTransportMode) {
    const struct {
        std::uint32_t mode;
        std::uint32_t peer_address;
        KvResult result;
        const char* address;
        const char* name;
        std::uint32_t port;
    } cases[] = {
        {0, 0x0A000005, KV_E_ALREADY_STOPPING, nullptr, nullptr, 0},
        {1, 0, KV_OK, "0.0.0.0", "peer.example", 4100},
        {1, 0x0A000005, KV_OK, "10.0.0.5", "", 4100},
        {1, 0x0A000009, KV_OK, "127.0.0.1", "", 4100},
        {2, 0x0A000005, KV_E_BAD_STATE, nullptr, nullptr, 0},
        {3, 0x0A000005, KV_OK, "10.0.0.9", "", 4200},
        {3, 0x0A000009, KV_OK, "127.0.0.1", "", 4200},
        {4, 0x0A000005, KV_OK, "10.0.0.9", "", 4200},
        {9, 0x0A000005, KV_E_BAD_STATE, nullptr, nullptr, 0},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << row.mode << " peer " << row.peer_address);
        job_.SetTransportMode(row.mode);
        job_.GetPeerComputer().Set("peer.example", row.peer_address, 4100);
        job_.SetLocalHost("local", "10.0.0.9", 4200);
        job_.SetHeader(KV_MSG_KIND_REQUEST, 0, 0, 40);
        EXPECT_EQ(job_.Send(), row.result);
        std::uint16_t endpoint = 0;
        MessagePtr sent = router_.Take(&endpoint);
        if (row.address == nullptr) {
            EXPECT_EQ(sent, nullptr);
            continue;
        }
        ASSERT_NE(sent, nullptr);
        EXPECT_EQ(endpoint, KV_ENDPOINT_NETWORK);
        EXPECT_EQ(sent->GetKind(), KV_MSG_KIND_INFO);
        EXPECT_EQ(sent->GetCommand(), 1);
        EXPECT_EQ(sent->GetSubCommand(), 5);
        EXPECT_EQ(sent->GetSourceJobId(), 0u);
        EXPECT_EQ(sent->GetTargetJobId(), 40u);
        auto* request = static_cast<CKvTypedObject42*>(sent->GetPayload());
        EXPECT_EQ(request->peers[0].GetAddressText(), row.address);
        EXPECT_EQ(request->peers[0].GetName(), row.name);
        EXPECT_EQ(request->peers[0].GetPort(), row.port);
        EXPECT_EQ(request->numbers[1], 2000u);
        EXPECT_EQ(request->numbers[2], 1u);
        EXPECT_EQ(request->name, job_.GetXmlText());
    }
}

TEST_F(JobDataTest, PostToHostSwapsTheIdsOfAConfirmationOnlyInTheText) {
    job_.SetHeader(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED, 3, 7);
    ASSERT_EQ(job_.PostToHost("10.0.0.1", 4000), KV_OK);
    EXPECT_NE(job_.GetXmlText().find("<idtarget>7</idtarget><idsource>3</idsource>"),
              std::string::npos);
    EXPECT_EQ(job_.GetIdTarget(), 3u);
    EXPECT_EQ(job_.GetIdSource(), 7u);
    MessagePtr sent = router_.Take();
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(sent->GetTargetJobId(), 3u); // idsource as it stood in the text
}

TEST(JobData, PostToHostWithoutRouterReportsTheInvalidPointer) {
    RegisterAllPayloads();
    CKvJobDataClient2 job;
    EXPECT_EQ(job.PostToHost("10.0.0.1", 4000), KV_E_INVALID_POINTER);
    EXPECT_FALSE(job.GetXmlText().empty());
}

TEST(JobData, SendBySocketChecksItsArgumentsAndReportsAFailedConnect) {
    RegisterAllPayloads();
    CKvJobDataClient2 job;
    EXPECT_EQ(job.SendBySocket("", 4000), KV_E_FAIL);
    EXPECT_EQ(job.SendBySocket("127.0.0.1", 65536), KV_E_FAIL);
    // Port 1 on the loopback is closed on any test machine.
    const std::string text = "<JobData/>";
    EXPECT_EQ(job.SendBySocket("127.0.0.1", 1, &text), KV_E_SOCKET_CONNECT);
    EXPECT_EQ(job.GetLastResult(), KV_E_SOCKET_CONNECT);
}

TEST_F(JobDataTest, StatusTextsGoToTheStatusEndpoint) {
    job_.PostStatusText("UIObjString_Status_INFO_SERVER_notconnected");
    job_.PostStatusText(nullptr);
    std::uint16_t endpoint = 0;
    MessagePtr sent = router_.Take(&endpoint);
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(endpoint, KV_ENDPOINT_HOST_STATUS);
    EXPECT_EQ(sent->GetKind(), KV_MSG_KIND_INFO);
    EXPECT_EQ(static_cast<CKvStampedTextRecord*>(sent->GetPayload())->text,
              "UIObjString_Status_INFO_SERVER_notconnected");
    EXPECT_EQ(router_.Take(), nullptr);
}

TEST(JobData, IdentityTakesTheFirstAddressThatIsNeitherZeroNorLoopback) {
    const struct {
        std::vector<std::uint32_t> addresses;
        bool readable;
        const char* expected;
    } cases[] = {
        {{0x7F000001, 0xC0A80114, 0x0A000001}, true, "192.168.1.20"},
        {{0, 0x0A000001}, true, "10.0.0.1"},
        {{0x7F000001}, true, "127.0.0.1"},
        {{0}, true, "127.0.0.1"},
        {{}, true, "127.0.0.1"},
        {{0x0A000001}, false, "127.0.0.1"},
    };
    for (const auto& row : cases) {
        FixedLocalIdentitySource source("anna", "ws1", row.addresses, row.readable);
        ScopedLocalIdentitySource scoped(source);
        CKvJobDataClient2 job;
        job.SetPeerToLocalHost();
        EXPECT_EQ(job.GetPeerComputer().GetAddressText(), row.expected);
        EXPECT_EQ(job.GetPeerComputer().GetName(), "ws1");
        EXPECT_EQ(job.GetLoginName(), "anna");
        job.CollectLocalIdentity();
        EXPECT_EQ(job.GetLocalAddressText(), row.expected);
        EXPECT_EQ(job.GetLocalComputer().GetPort(), 0u);
    }
}

} // namespace
