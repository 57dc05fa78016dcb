#include "jobs/job_data_listen2.h"

#include "capi/capi_listen_manager.h"
#include "capi/capi_payloads.h"
#include "data/data_call.h"
#include "data/data_device.h"
#include "data/data_general.h"
#include "data/data_host.h"
#include "data/data_preferences.h"
#include "data/data_server_user.h"
#include "jobs/job_data_root.h"
#include "jobs_test_support.h"

namespace {

constexpr const char* kGoldenMinimal =
    "<JobData type=\"K_KVJBDT_TP_LISTEN2\"><messagetype>UNSPECIFIED</messagetype>"
    "<attribute>UNSPECIFIED</attribute><idtarget>0</idtarget><idsource>0</idsource>"
    "<JobDataListen idsource=\"0\"><datetime>0.000</datetime></JobDataListen></JobData>";

void RegisterAll() {
    RegisterAllPayloads();
    RegisterCapiPayloads();
}

CKvDataDevice* NewDevice(const char* number, const char* alias) {
    auto* device = new CKvDataDevice;
    std::string text = number;
    device->SetNumber(text);
    device->GetAlias() = alias;
    return device;
}

TEST(JobDataListen2, IsWrittenInItsMinimalAndFullFormsAndReadBack) {
    RegisterAll();
    CKvJobDataListen2 minimal;
    std::string text;
    ASSERT_EQ(minimal.Serialize(text), KV_OK);
    EXPECT_EQ(text, kGoldenMinimal);

    CKvJobDataListen2 job;
    job.SetHeader(KV_MSG_KIND_INFO, KV_MSG_ATTR_NOTIFICATION, 5, 9);
    job.SetLoginName("anna");
    job.GetPeerComputer().SetName("ws1");
    job.SetPeerAddressText("192.168.1.20");
    job.GetPeerComputer().SetPort(4100);
    job.GetCallingNumber() = "0301234";
    job.GetCalledNumber() = "21";
    job.GetDateTime().SetFromText("1700000000.250");
    ASSERT_EQ(job.GetDeviceStore().Add(NewDevice("21", "desk")), KV_OK);
    ASSERT_EQ(job.Serialize(text), KV_OK);
    const std::string expected =
        "<JobData type=\"K_KVJBDT_TP_LISTEN2\"><messagetype>INFO</messagetype>"
        "<attribute>NOTIFICATION</attribute><idtarget>5</idtarget><idsource>9</idsource>"
        "<JobDataListen idsource=\"9\"><loginname>anna</loginname><hostname>ws1</hostname>"
        "<hostip>192.168.1.20</hostip><portnumber>4100</portnumber>"
        "<callingnumber>0301234</callingnumber><callednumber>21</callednumber>"
        "<datetime>1700000000.250</datetime><DEVICES identifier=\"\" "
        "datatype=\"K_KVDT_TP_DTHDLR_DATADEVICE\"><DATADEVICE><number>21</number>"
        "<devicenumber /><flagvirtual>FALSE</flagvirtual><comment /><tapiline />"
        "<alias>desk</alias></DATADEVICE></DEVICES></JobDataListen></JobData>";
    EXPECT_EQ(text, expected);

    CKvJobDataListen2 read;
    ASSERT_EQ(ReadJobText(text, read), KV_OK);
    EXPECT_EQ(read.GetIdSource(), 9u);
    EXPECT_EQ(read.GetLoginName(), "anna");
    EXPECT_EQ(read.GetPeerComputer().GetPort(), 4100u);
    EXPECT_EQ(read.GetCallingNumber(), "0301234");
    EXPECT_EQ(read.GetCalledNumber(), "21");
    std::string datetime;
    EXPECT_EQ(read.GetDateTime().GetText(datetime), "1700000000.250");
    ASSERT_EQ(read.GetDeviceStore().GetCount(), 1);
    std::string again;
    ASSERT_EQ(read.Serialize(again), KV_OK);
    EXPECT_EQ(again.substr(again.find("<JobDataListen")), text.substr(text.find("<JobDataListen")));
}

// A requester, its client job and a root job on one handler.
class Listen2RequesterTest : public ::testing::Test {
protected:
    Listen2RequesterTest()
        : router_({KV_ENDPOINT_HOST_MAIN, KV_ENDPOINT_HOST_STATUS, KV_ENDPOINT_NETWORK,
                   KV_ENDPOINT_CALL_WINDOW, KV_ENDPOINT_CAPI}),
          handler_(router_.Get(), 0x900, KV_TRANSPORT_REMOTE_PEER, nullptr, false) {
        RegisterCapiPayloads();
        root_ = new CKvJobDataRoot;
        handler_.AddJob(root_);
        root_->ChangeState(KV_JOB_STATE_RUNNING);
        root_->GetPreferencesRef() = std::make_unique<CKvDataPreferences>();
        client_ = new TestClientJob("10.0.0.7", 4000);
        handler_.AddJob(client_);
        job_ = new CKvJobDataListen2;
        handler_.AddJob(job_);
    }

    // Answers the pending record request with a record of the type.
    template <typename Record> Record* AnswerRecord(std::int32_t type) {
        MessagePtr request = router_.Take();
        EXPECT_NE(request, nullptr);
        if (request) {
            EXPECT_EQ(request->GetPayloadType(), type);
        }
        return Deliver<Record>(*job_, type, KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_DATA_FOUND);
    }

    CapturingRouter router_;
    CKvIMSGJobDataHandler handler_;
    CKvJobDataRoot* root_ = nullptr;
    TestClientJob* client_ = nullptr;
    CKvJobDataListen2* job_ = nullptr;
};

TEST_F(Listen2RequesterTest, AsksItsServerForwardsCallsAndEndsWithItsClientJob) {
    root_->GetPreferencesRef()->GetFlagServerUse().Set(1);
    job_->CheckRootJob(); // 0 -> 6
    job_->CheckRootJob(); // the preferences request
    EXPECT_EQ(job_->GetRootMachine(), CKvJobData::RootMachine::kRequester);
    AnswerRecord<CKvDataPreferences>(K_KVDT_TP_DTHDLR_DATAPREFERENCES);
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetState(), CKvJobDataListen2::kStateRequestManager);
    job_->CheckRootJob();
    ASSERT_EQ(job_->GetState(), KV_JOB_STATE_WAITING_FOR_ANSWER);
    std::uint16_t endpoint = 0;
    MessagePtr request = router_.Take(&endpoint);
    EXPECT_EQ(endpoint, KV_ENDPOINT_NETWORK);
    const std::string id = std::to_string(job_->GetJobId());
    EXPECT_EQ(SentText(request),
              "<JobData type=\"K_KVJBDT_TP_LISTEN2\"><messagetype>REQUEST</messagetype>"
              "<attribute>UNSPECIFIED</attribute><idtarget>0</idtarget><idsource>" +
                  id + "</idsource><JobDataListen idsource=\"" + id +
                  "\"><loginname>anna</loginname><hostip>10.0.0.7</hostip>"
                  "<portnumber>4000</portnumber><datetime>0.000</datetime></JobDataListen>"
                  "</JobData>");

    auto* answer = Deliver<CKvJobDataListen2>(*job_, K_KVJBDT_TP_LISTEN2,
                                              KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED);
    answer->SetSubType(K_KVJBDT_TP_LISTEN2);
    answer->SetIds(job_->GetJobId(), 77);
    answer->GetDeviceStore().Add(NewDevice("21", "desk"));
    answer->GetDeviceStore().Add(NewDevice("22", "fax"));
    job_->CheckRootJob();
    ASSERT_EQ(job_->GetState(), KV_JOB_STATE_RUNNING);
    EXPECT_EQ(job_->GetPartnerJobId(), 77u);
    EXPECT_EQ(job_->GetIdTarget(), 77u);
    for (const char* number : {"21", "22"}) {
        MessagePtr device = router_.Take(&endpoint);
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(endpoint, KV_ENDPOINT_HOST_STATUS);
        EXPECT_EQ(device->GetCommand(), 1);
        EXPECT_EQ(static_cast<CKvDataDevice*>(device->GetPayload())->GetNumber(), number);
    }

    auto* call = Deliver<CKvJobDataListen2>(*job_, K_KVJBDT_TP_LISTEN2, KV_MSG_KIND_INFO,
                                            KV_MSG_ATTR_NOTIFICATION);
    call->GetCallingNumber() = "0301234";
    call->GetCalledNumber() = "21";
    job_->CheckRootJob();
    MessagePtr datacall = router_.Take(&endpoint);
    ASSERT_NE(datacall, nullptr);
    EXPECT_EQ(endpoint, KV_ENDPOINT_CALL_WINDOW);
    EXPECT_EQ(datacall->GetKind(), KV_MSG_KIND_REQUEST);
    const auto* record = static_cast<const CKvDataCall*>(datacall->GetPayload());
    EXPECT_EQ(record->GetPhoneNumber().GetNumber(), "0301234");
    EXPECT_EQ(record->GetNumberInt(), "21");
    EXPECT_FALSE(record->GetFlagCallOut().IsTrue());
    EXPECT_EQ(record->GetReportMarker(), 1u);

    client_->ChangeState(KV_JOB_STATE_FINISHED);
    job_->CheckRootJob(); // 10 -> 11
    job_->CheckRootJob(); // ENDED
    MessagePtr ended = router_.Take(&endpoint);
    EXPECT_EQ(endpoint, KV_ENDPOINT_NETWORK);
    EXPECT_NE(SentText(ended).find("<attribute>ENDED</attribute><idtarget>77</idtarget>"),
              std::string::npos);
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_FINISHED);
    MessagePtr off = router_.Take(&endpoint);
    ASSERT_NE(off, nullptr);
    EXPECT_EQ(endpoint, KV_ENDPOINT_HOST_STATUS);
    EXPECT_EQ(off->GetCommand(), 3);
}

TEST_F(Listen2RequesterTest, AFailedCallWindowSendGivesTheNumberToTheStatusService) {
    CapturingRouter narrow({KV_ENDPOINT_HOST_STATUS});
    job_->SetTarget(narrow.Get(), 0x901);
    job_->ChangeState(KV_JOB_STATE_RUNNING);
    auto* call = Deliver<CKvJobDataListen2>(*job_, K_KVJBDT_TP_LISTEN2, KV_MSG_KIND_INFO,
                                            KV_MSG_ATTR_NOTIFICATION);
    call->GetCallingNumber() = "0301234";
    job_->SetPeerAddress("10.0.0.7");
    job_->GetPeerComputer().SetPort(4000);
    job_->StepRequester();
    MessagePtr text = narrow.Take();
    ASSERT_NE(text, nullptr);
    ASSERT_EQ(text->GetPayloadType(), KV_PAYLOAD_TEXT);
    EXPECT_EQ(*static_cast<std::string*>(text->GetPayload()), "0301234");
}

TEST_F(Listen2RequesterTest, AnAnswerOtherThanAnAcceptedListen2EndsTheRequester) {
    for (const auto& [attribute, subtype] :
         {std::pair{KV_MSG_ATTR_REFUSED, K_KVJBDT_TP_LISTEN2},
          std::pair{KV_MSG_ATTR_ACCEPTED, K_KVJBDT_TP_LISTEN}}) {
        CKvJobDataListen2 job;
        job.SetTarget(router_.Get(), 0x902);
        job.ChangeState(KV_JOB_STATE_WAITING_FOR_ANSWER);
        Deliver<CKvJobDataListen2>(job, K_KVJBDT_TP_LISTEN2, KV_MSG_KIND_CONFIRMATION, attribute)
            ->SetSubType(static_cast<std::uint32_t>(subtype));
        job.StepRequester();
        EXPECT_EQ(job.GetState(), KV_JOB_STATE_CLEANUP);
    }
}

TEST_F(Listen2RequesterTest, WithoutARootTheJobEndsAndAStoppingRootStopsItsManager) {
    root_->ChangeState(KV_JOB_STATE_CLEANUP);
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_FINISHED);
    EXPECT_EQ(router_.Count(), 0u);

    // Serverless: the manager it holds is told SHUTDOWN once the root stops.
    root_->ChangeState(KV_JOB_STATE_RUNNING);
    auto* serverless = new CKvJobDataListen2;
    handler_.AddJob(serverless);
    serverless->CheckRootJob();
    EXPECT_EQ(serverless->GetRootMachine(), CKvJobData::RootMachine::kServerless);
    auto* preferences = Deliver<CKvDataPreferences>(
        *serverless, K_KVDT_TP_DTHDLR_DATAPREFERENCES, KV_MSG_KIND_CONFIRMATION,
        KV_MSG_ATTR_DATA_FOUND);
    std::string number = "21";
    KVSTRING* entry = nullptr;
    preferences->GetStringListA().CreateEntry(entry, number);
    router_.Take();
    serverless->CheckRootJob();
    ASSERT_EQ(serverless->GetState(), CKvJobDataListen2::kStateRequestManager);
    EXPECT_EQ(serverless->GetHostNumbers().GetCount(), 1u);
    serverless->CheckRootJob();
    std::uint16_t endpoint = 0;
    MessagePtr request = router_.Take(&endpoint);
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(endpoint, KV_ENDPOINT_CAPI);
    EXPECT_EQ(request->GetPayloadType(), KV_PAYLOAD_CAPI_LISTEN_MANAGER);
    auto* manager = Deliver<CapiListenManager>(*serverless, KV_PAYLOAD_CAPI_LISTEN_MANAGER,
                                               KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED);
    manager->SetJobId(55);
    serverless->CheckRootJob();
    ASSERT_EQ(serverless->GetState(), KV_JOB_STATE_RUNNING);

    manager = Deliver<CapiListenManager>(*serverless, KV_PAYLOAD_CAPI_LISTEN_MANAGER,
                                         KV_MSG_KIND_INFO, KV_MSG_ATTR_NOTIFICATION);
    manager->SetText2("0301234");
    manager->SetText3("21");
    serverless->CheckRootJob();
    MessagePtr call = router_.Take(&endpoint);
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(endpoint, KV_ENDPOINT_CALL_WINDOW);
    EXPECT_EQ(static_cast<CKvDataCall*>(call->GetPayload())->GetNumberInt(), "21");

    root_->ChangeState(KV_JOB_STATE_STOP_REQUESTED);
    serverless->CheckRootJob();
    MessagePtr shutdown = router_.Take(&endpoint);
    ASSERT_NE(shutdown, nullptr);
    EXPECT_EQ(endpoint, KV_ENDPOINT_CAPI);
    EXPECT_EQ(shutdown->GetAttribute(), KV_MSG_ATTR_SHUTDOWN);
    EXPECT_EQ(shutdown->GetSourceJobId(), 55u);
    EXPECT_EQ(shutdown->GetTargetJobId(), serverless->GetJobId());
    serverless->CheckRootJob();
    EXPECT_EQ(serverless->GetState(), KV_JOB_STATE_FINISHED);
    EXPECT_EQ(router_.Count(), 0u);
}

TEST_F(Listen2RequesterTest, TheManagerListsEachNormalisedNumberOnce) {
    job_->GetDiallingRules().SetInternalAffixes("0", "", 3);
    std::string user = "21";
    std::string host = "21";
    std::string other = "0301234";
    PHONE_NUMBER* entry = nullptr;
    job_->GetUserNumbers().CreateEntry(entry, user);
    entry->GetNumber() = "21";
    job_->GetHostNumbers().CreateEntry(entry, host);
    entry->GetNumber() = "21";
    job_->GetHostNumbers().CreateEntry(entry, other);
    entry->GetNumber() = "0301234";
    job_->SetAuxText("99");
    job_->ChangeState(CKvJobDataListen2::kStateRequestManager);
    job_->ExecutorRun();
    std::uint16_t endpoint = 0;
    MessagePtr request = router_.Take(&endpoint);
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(endpoint, KV_ENDPOINT_CAPI);
    EXPECT_EQ(request->GetKind(), KV_MSG_KIND_REQUEST);
    EXPECT_EQ(request->GetTargetJobId(), job_->GetJobId());
    auto* manager = static_cast<CapiListenManager*>(request->GetPayload());
    EXPECT_EQ(manager->GetOwnNumber(), "99");
    EXPECT_EQ(manager->GetNumberList().GetCount(), 2u);
}

} // namespace
