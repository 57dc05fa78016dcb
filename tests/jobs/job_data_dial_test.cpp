#include "jobs/job_data_dial.h"

#include "capi/capi_payloads.h"
#include "capi/capi_transfer_manager.h"
#include "data/data_general.h"
#include "data/data_host.h"
#include "data/data_server_user.h"
#include "jobs/job_data_root.h"
#include "jobs_test_support.h"

namespace {

TEST(JobDataDial, IsWrittenWithFiveKeysAndReadOnlyWhenAllFiveAreThere) {
    RegisterAllPayloads();
    CKvJobDataDial job;
    job.SetHeader(KV_MSG_KIND_REQUEST, 0, 0, 12);
    job.SetLoginName("anna");
    job.GetPeerComputer().SetName("ws1");
    job.SetPeerAddressText("192.168.1.20");
    job.GetPeerComputer().SetPort(4100);
    job.SetTargetNumber(" 0301234 ");
    std::string text;
    ASSERT_EQ(job.Serialize(text), KV_OK);
    EXPECT_EQ(text, "<JobData type=\"K_KVJBDT_TP_DIAL\"><messagetype>REQUEST</messagetype>"
                    "<attribute>UNSPECIFIED</attribute><idtarget>0</idtarget>"
                    "<idsource>12</idsource><JobDataDial idsource=\"12\">"
                    "<loginname>anna</loginname><hostname>ws1</hostname>"
                    "<hostip>192.168.1.20</hostip><portnumber>4100</portnumber>"
                    "<targetnumber>0301234</targetnumber></JobDataDial></JobData>");
    CKvJobDataDial read;
    ASSERT_EQ(ReadJobText(text, read), KV_OK);
    EXPECT_EQ(read.GetTargetNumber(), "0301234");
    EXPECT_EQ(read.GetPeerComputer().GetPort(), 4100u);

    const std::string without_port =
        "<JobData type=\"K_KVJBDT_TP_DIAL\"><JobDataDial idsource=\"3\"><loginname>anna"
        "</loginname><hostname>ws1</hostname><hostip>1.2.3.4</hostip>"
        "<targetnumber> 77 </targetnumber><targetnumber>77</targetnumber></JobDataDial>"
        "</JobData>";
    CKvJobDataDial partial;
    EXPECT_EQ(ReadJobText(without_port, partial), KV_E_FAIL);
    EXPECT_EQ(partial.GetIdSource(), 3u);
    EXPECT_EQ(partial.GetTargetNumber(), "77");
}

// A job whose affix pairs are internal "9"/"" and external "0"/"#".
class DialAffixTest : public ::testing::Test {
protected:
    void SetPairs(const char* internal_prefix, const char* external_prefix,
                  const char* external_suffix) {
        job_.InternalPrefix() = internal_prefix;
        job_.InternalSuffix() = "";
        job_.ExternalPrefix() = external_prefix;
        job_.ExternalSuffix() = external_suffix;
    }
    CKvJobDataDial job_;
};

TEST_F(DialAffixTest, TheTargetTableRowByRow) {
    struct Row {
        std::uint32_t automatic;
        const char* internal_prefix;
        const char* target;
        const char* prepared;
        KvResult result;
    };
    // External pair "0" ... "#".
    const Row rows[] = {
        {0, "9", "921", "21", KV_OK},             // internal present: stripped
        {0, "9", "123", "0123#", KV_OK},          // neither: external added
        {0, "9", "0123#", "0123#", KV_OK},        // external present: kept
        {0, "", " 55 ", "55", KV_OK},             // empty internal pair: only trimmed
        {0, "", "", "", KV_OK},                   // an empty pair strips nothing
        {0, "9", "9", "9", KV_E_FAIL},            // a strip as long as the number
        {1, "9", "921", "921", KV_OK},            // internal present: kept
        {1, "9", "0123#", "123", KV_OK},          // external present: stripped
        {1, "9", "123", "123", KV_OK},            // neither: kept
        {1, "9", "0#", "0#", KV_E_FAIL},          // the whole number is the pair
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.target);
        SetPairs(row.internal_prefix, "0", "#");
        job_.FlagAutomaticLine() = row.automatic;
        job_.SetTargetNumber(row.target);
        EXPECT_EQ(job_.PrepareTargetNumber(), row.result);
        EXPECT_EQ(job_.GetTargetNumber(), row.prepared);
    }
}

TEST_F(DialAffixTest, TheCtiTableRowByRow) {
    struct Row {
        std::uint32_t automatic;
        const char* cti;
        const char* prepared;
        KvResult result;
    };
    const Row rows[] = {
        {0, "921", "21", KV_OK},     // internal present: stripped
        {0, "21", "21", KV_OK},      // otherwise kept
        {0, "9", "9", KV_E_FAIL},    // strip as long as the number
        {1, "921", "921", KV_OK},    // internal present: kept
        {1, "021#", "21", KV_OK},    // external present: stripped
        {1, "21", "921", KV_OK},     // neither: internal pair added
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.cti);
        SetPairs(" 9 ", "0", "#");
        job_.FlagAutomaticLine() = row.automatic;
        job_.SetCtiNumber(row.cti);
        EXPECT_EQ(job_.PrepareCtiNumber(), row.result);
        EXPECT_EQ(job_.GetCtiNumber(), row.prepared);
        // The presence test trimmed the job's own affix text.
        EXPECT_EQ(job_.InternalPrefix(), "9");
    }
    // A failed target preparation leaves the CTI number alone.
    SetPairs("9", "0", "#");
    job_.FlagAutomaticLine() = 0;
    job_.SetTargetNumber("9");
    job_.SetCtiNumber("921");
    EXPECT_EQ(job_.PrepareNumbers(), KV_E_FAIL);
    EXPECT_EQ(job_.GetCtiNumber(), "921");
}

// The executor on a server: root with general settings, the host's record.
class DialExecutorTest : public ::testing::Test {
protected:
    DialExecutorTest()
        : router_({KV_ENDPOINT_HOST_MAIN, KV_ENDPOINT_NETWORK, KV_ENDPOINT_CAPI}),
          handler_(router_.Get(), 0x900, KV_TRANSPORT_REMOTE_PEER, nullptr, false) {
        RegisterCapiPayloads();
        auto* root = new CKvJobDataRoot;
        handler_.AddJob(root);
        auto general = std::make_unique<CKvDataGeneral>();
        general->GetIsdnCardNumber() = "5550";
        general->GetExternPrefixDigit() = "0";
        general->GetInternPrefixDigit() = "9";
        general->SetFlagAutomaticLine(false);
        root->SetGeneralSettings(std::move(general));
        job_ = new CKvJobDataDial;
        job_->SetHeader(KV_MSG_KIND_REQUEST, 0, 0, 17);
        job_->SetPeerAddress("10.0.0.7");
        job_->GetPeerComputer().SetPort(4000);
        job_->SetTargetNumber("123");
        handler_.AddJob(job_);
    }
    CapturingRouter router_;
    CKvIMSGJobDataHandler handler_;
    CKvJobDataDial* job_ = nullptr;
};

TEST_F(DialExecutorTest, AHostThatAcceptsAllGoesStraightToTheTransferRequest) {
    job_->StepExecutor();
    ASSERT_EQ(job_->GetState(), CKvJobDataDial::kStateHostRecord);
    std::uint16_t endpoint = 0;
    MessagePtr asked = router_.Take(&endpoint);
    ASSERT_NE(asked, nullptr);
    EXPECT_EQ(endpoint, KV_ENDPOINT_HOST_MAIN);
    EXPECT_EQ(static_cast<CKvDataHost*>(asked->GetPayload())->GetHost().GetAddressText(),
              "10.0.0.7");
    auto* host = Deliver<CKvDataHost>(*job_, K_KVDT_TP_DTHDLR_DATACOMPUTER,
                                      KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_DATA_FOUND);
    host->GetDeviceNumber() = "21";
    host->SetFlagAcceptAllUser(true);
    job_->StepExecutor();
    ASSERT_EQ(job_->GetState(), CKvJobDataDial::kStateRequestManager);
    EXPECT_EQ(router_.Count(), 0u);
    job_->StepExecutor();
    ASSERT_EQ(job_->GetState(), KV_JOB_STATE_WAITING_FOR_ANSWER);
    MessagePtr request = router_.Take(&endpoint);
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(endpoint, KV_ENDPOINT_CAPI);
    auto* manager = static_cast<CapiTransferManager*>(request->GetPayload());
    EXPECT_EQ(manager->GetCallingNumber(), "21");
    EXPECT_EQ(manager->GetCalledNumber(), "0123");
    EXPECT_EQ(manager->GetText1(), "5550");

    // A refusal of the manager refuses the still unanswered request.
    Deliver<CapiTransferManager>(*job_, KV_PAYLOAD_CAPI_TRANSFER_MANAGER,
                                 KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_REFUSED);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
    MessagePtr refusal = router_.Take(&endpoint);
    EXPECT_EQ(endpoint, KV_ENDPOINT_NETWORK);
    EXPECT_NE(SentText(refusal).find("<attribute>REFUSED</attribute><idtarget>17</idtarget>"),
              std::string::npos);
}

TEST_F(DialExecutorTest, AnUnknownUserEndsTheExecutorWithARefusal) {
    job_->StepExecutor();
    router_.Take();
    auto* host = Deliver<CKvDataHost>(*job_, K_KVDT_TP_DTHDLR_DATACOMPUTER,
                                      KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_DATA_FOUND);
    host->GetDeviceNumber() = "21";
    job_->StepExecutor();
    ASSERT_EQ(job_->GetState(), CKvJobDataDial::kStateLoginRecord);
    router_.Take();
    Deliver<CKvDataServerUser>(*job_, K_KVDT_TP_DTHDLR_DATASERVERUSER, KV_MSG_KIND_CONFIRMATION,
                         KV_MSG_ATTR_DATA_NOT_FOUND);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
    EXPECT_NE(SentText(router_.Take()).find("<attribute>REFUSED</attribute>"),
              std::string::npos);
}

TEST(JobDataDial, TheLinkedCallRecordGoesWithTheJob) {
    RegisterAllPayloads();
    // Under the address sanitizer a kept record would be reported as a leak.
    auto job = std::make_unique<CKvJobDataDial>();
    job->GetDialValue() = std::make_unique<CKvDataCall>();
    job->GetDialValue()->GetLastName() = "Berg";
    job->InitDial();
    EXPECT_EQ(job->GetDialValue(), nullptr);
    job->GetDialValue() = std::make_unique<CKvDataCall>();
    job.reset();
}

} // namespace
