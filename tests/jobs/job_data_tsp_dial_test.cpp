#include "jobs/job_data_tsp_dial.h"

#include "data/data_call.h"
#include "framework/named_value.h"
#include "jobs_test_support.h"

namespace {

constexpr const char* kGolden =
    "<JobData type=\"K_KVJBDT_TP_TSPDIAL\"><messagetype>REQUEST</messagetype>"
    "<attribute>UNSPECIFIED</attribute><idtarget>0</idtarget><idsource>12</idsource>"
    "<JobDataTSPDial idsource=\"12\"><loginname>anna</loginname><hostname>ws1</hostname>"
    "<hostip>192.168.1.20</hostip><portnumber>4100</portnumber>"
    "<targetnumber>0301234</targetnumber></JobDataTSPDial></JobData>";

TEST(JobDataTSPDial, IsWrittenByteForByteAndReadBack) {
    RegisterAllPayloads();
    CKvJobDataTSPDial job;
    job.SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 0, 12);
    job.SetLoginName("anna");
    job.GetPeerComputer().SetName("ws1");
    job.SetPeerAddressText("192.168.1.20");
    job.GetPeerComputer().SetPort(4100);
    job.SetTargetNumber("  0301234\t");
    std::string text;
    ASSERT_EQ(job.Serialize(text), KV_OK);
    EXPECT_EQ(text, kGolden);

    CKvJobDataTSPDial read;
    ASSERT_EQ(ReadJobText(text, read), KV_OK);
    EXPECT_EQ(read.GetIdSource(), 12u);
    EXPECT_EQ(read.GetLoginName(), "anna");
    EXPECT_EQ(read.GetPeerComputer().GetAddressText(), "192.168.1.20");
    EXPECT_EQ(read.GetPeerComputer().GetPort(), 4100u);
    EXPECT_EQ(read.GetTargetNumber(), "0301234");

    CKvJobDataTSPDial blanks;
    ASSERT_EQ(ReadJobText("<JobData><JobDataTSPDial idsource=\"3\"><targetnumber> 77 "
                          "</targetnumber></JobDataTSPDial></JobData>",
                          blanks),
              KV_OK);
    EXPECT_EQ(blanks.GetTargetNumber(), "77");
    CKvJobDataTSPDial no_id;
    EXPECT_NE(ReadJobText("<JobData><JobDataTSPDial/></JobData>", no_id), KV_OK);
}

TEST(JobDataTSPDial, TheRequesterClicksTheNumberFromTheFixedSource) {
    CapturingRouter router({KV_ENDPOINT_HOST_STATUS});
    CKvJobDataTSPDial job;
    job.SetTarget(router.Get(), 3000);
    job.SetTargetNumber(" 123 ");
    EXPECT_EQ(job.CheckRootJob(), KV_OK);
    EXPECT_EQ(job.GetState(), KV_JOB_STATE_CLEANUP);
    std::uint16_t endpoint = 0;
    MessagePtr sent = router.Take(&endpoint);
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(endpoint, KV_ENDPOINT_HOST_STATUS);
    EXPECT_EQ(sent->GetSourceEndpoint(), CKvJobDataTSPDial::kRequesterSourceEndpoint);
    EXPECT_EQ(sent->GetKind(), KV_MSG_KIND_INFO);
    EXPECT_EQ(sent->GetCommand(), 1);
    EXPECT_EQ(sent->GetSubCommand(), 5);
    EXPECT_EQ(sent->GetAttribute(), KV_MSG_ATTR_CLICKED);
    ASSERT_EQ(sent->GetPayloadType(), KV_PAYLOAD_NAMED_VALUE);
    const auto* value = static_cast<const CKvNamedValue*>(sent->GetPayload());
    EXPECT_EQ(value->GetName(), "IDENTIFIER");
    EXPECT_EQ(value->GetValue(), " , , ,123,");
    EXPECT_EQ(job.StepRequester(), KV_OK);
    EXPECT_EQ(job.GetState(), KV_JOB_STATE_FINISHED);

    CKvJobDataTSPDial empty;
    empty.SetTarget(router.Get(), 3001);
    EXPECT_EQ(empty.StepRequester(), KV_OK);
    EXPECT_EQ(empty.GetState(), KV_JOB_STATE_CLEANUP);
    EXPECT_EQ(router.Count(), 0u);
}

TEST(JobDataTSPDial, TheExecutorHandsAnOutgoingCallToTheCallWindow) {
    CapturingRouter router({KV_ENDPOINT_CALL_WINDOW});
    CKvJobDataTSPDial job;
    job.SetTarget(router.Get(), 3000);
    job.SetTargetNumber("0301234");
    EXPECT_EQ(job.StepExecutor(), KV_OK);
    std::uint16_t endpoint = 0;
    MessagePtr sent = router.Take(&endpoint);
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(endpoint, KV_ENDPOINT_CALL_WINDOW);
    EXPECT_EQ(sent->GetSourceEndpoint(), 3000);
    EXPECT_EQ(sent->GetKind(), KV_MSG_KIND_INFO);
    EXPECT_EQ(sent->GetAttribute(), 0);
    ASSERT_EQ(sent->GetPayloadType(), K_KVDT_TP_DTHDLR_DATACALL);
    const auto* call = static_cast<const CKvDataCall*>(sent->GetPayload());
    EXPECT_EQ(call->GetPhoneNumber().GetNumber(), "0301234");
    EXPECT_EQ(call->GetPhoneNumber().GetCategory(), 0u);
    EXPECT_TRUE(call->GetFlagCallOut().IsTrue());
    job.ChangeState(KV_JOB_STATE_STOP_REQUESTED);
    EXPECT_EQ(job.StepExecutor(), KV_OK);
    EXPECT_EQ(job.GetState(), KV_JOB_STATE_CLEANUP);
    job.ChangeState(13);
    EXPECT_EQ(job.StepExecutor(), KV_E_BAD_STATE);
}

TEST(JobDataTSPDial, ThePayloadCopyTrimsAndShortensItsTimer) {
    RegisterAllPayloads();
    void* source = nullptr;
    void* copy = nullptr;
    ASSERT_TRUE(CreatePayloadByType(source, K_KVJBDT_TP_TSPDIAL));
    ASSERT_TRUE(CreatePayloadByType(copy, K_KVJBDT_TP_TSPDIAL));
    auto* from = static_cast<CKvJobDataTSPDial*>(JobFromPayload(source));
    from->SetTargetNumber("55");
    from->SetIds(1, 9);
    ASSERT_TRUE(CopyPayloadByType(copy, source, K_KVJBDT_TP_TSPDIAL));
    auto* to = static_cast<CKvJobDataTSPDial*>(JobFromPayload(copy));
    EXPECT_EQ(to->GetTargetNumber(), "55");
    EXPECT_EQ(to->GetIdSource(), 9u);
    EXPECT_EQ(to->GetType(), static_cast<std::uint32_t>(K_KVJBDT_TP_TSPDIAL));
    ASSERT_NE(to->GetTimers().Find(CKvJobData::kAnswerTimerId), nullptr);
    DestroyPayloadByType(source, K_KVJBDT_TP_TSPDIAL);
    DestroyPayloadByType(copy, K_KVJBDT_TP_TSPDIAL);
}

} // namespace
