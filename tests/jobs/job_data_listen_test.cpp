#include "jobs/job_data_listen.h"

#include "capi/capi_listen_manager.h"
#include "capi/capi_payloads.h"
#include "data/data_call.h"
#include "jobs_test_support.h"

namespace {

TEST(JobDataListen, WritesEveryKeyAndReadsThemBack) {
    RegisterAllPayloads();
    CKvJobDataListen job;
    job.SetHeader(KV_MSG_KIND_INFO, KV_MSG_ATTR_NOTIFICATION, 0, 4);
    job.SetLoginName("anna");
    job.SetPeerAddressText("10.0.0.7");
    job.GetPeerComputer().SetPort(4000);
    job.GetCallingNumber() = "0301234";
    std::string text;
    ASSERT_EQ(job.Serialize(text), KV_OK);
    EXPECT_EQ(text, "<JobData type=\"K_KVJBDT_TP_LISTEN\"><messagetype>INFO</messagetype>"
                    "<attribute>NOTIFICATION</attribute><idtarget>0</idtarget>"
                    "<idsource>4</idsource><JobDataListen idsource=\"4\">"
                    "<loginname>anna</loginname><hostname /><hostip>10.0.0.7</hostip>"
                    "<portnumber>4000</portnumber><callingnumber>0301234</callingnumber>"
                    "</JobDataListen></JobData>");
    CKvJobDataListen read;
    ASSERT_EQ(ReadJobText(text, read), KV_OK);
    EXPECT_EQ(read.GetIdSource(), 4u);
    EXPECT_EQ(read.GetLoginName(), "anna");
    EXPECT_EQ(read.GetPeerComputer().GetAddressText(), "10.0.0.7");
    EXPECT_EQ(read.GetPeerComputer().GetPort(), 4000u);
    EXPECT_EQ(read.GetCallingNumber(), "0301234");
}

TEST(JobDataListen, TheRequesterAnswersARequestAndHandsTheCallToTheHost) {
    CapturingRouter router({KV_ENDPOINT_HOST_STATUS, KV_ENDPOINT_CALL_WINDOW,
                            KV_ENDPOINT_NETWORK});
    for (const std::uint32_t kind : {KV_MSG_KIND_REQUEST, KV_MSG_KIND_INFO}) {
        CKvJobDataListen job;
        job.SetTarget(router.Get(), 0x900);
        job.SetTransportMode(KV_TRANSPORT_REMOTE_PEER);
        job.SetPeerAddress("10.0.0.7");
        job.GetPeerComputer().SetPort(4000);
        job.SetHeader(kind, KV_MSG_ATTR_NOTIFICATION, 0, 4);
        job.GetCallingNumber() = "0301234";
        job.StepRequester();
        std::uint16_t endpoint = 0;
        if (kind == KV_MSG_KIND_REQUEST) {
            MessagePtr answer = router.Take(&endpoint);
            EXPECT_EQ(endpoint, KV_ENDPOINT_NETWORK);
            EXPECT_NE(SentText(answer).find("<messagetype>CONFIRMATION</messagetype>"
                                            "<attribute>ACCEPTED</attribute>"),
                      std::string::npos);
        }
        EXPECT_EQ(router.Count(), 0u);
        job.StepRequester();
        MessagePtr text = router.Take(&endpoint);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(endpoint, KV_ENDPOINT_HOST_STATUS);
        EXPECT_EQ(*static_cast<std::string*>(text->GetPayload()), "0301234");
        MessagePtr call = router.Take(&endpoint);
        ASSERT_NE(call, nullptr);
        EXPECT_EQ(endpoint, KV_ENDPOINT_CALL_WINDOW);
        EXPECT_EQ(call->GetKind(), KV_MSG_KIND_INFO);
        EXPECT_EQ(static_cast<CKvDataCall*>(call->GetPayload())->GetPhoneNumber().GetNumber(),
                  "0301234");
        job.StepRequester();
        EXPECT_EQ(job.GetState(), KV_JOB_STATE_FINISHED);
    }
}

TEST(JobDataListen, TheExecutorNotifiesEveryClientOfItsLoginAtThatClientsPeer) {
    CapturingRouter router({KV_ENDPOINT_CAPI, KV_ENDPOINT_NETWORK});
    RegisterCapiPayloads();
    CKvIMSGJobDataHandler handler(router.Get(), 0x900, KV_TRANSPORT_REMOTE_PEER, nullptr,
                                  false);
    handler.AddJob(new TestClientJob("10.0.0.7", 4000));
    handler.AddJob(new TestClientJob("10.0.0.8", 4001));
    handler.AddJob(new TestClientJob("10.0.0.9", 4002, "bert"));
    auto* job = new CKvJobDataListen;
    handler.AddJob(job);
    job->SetLoginName("anna");
    job->GetFirstManagerNumber() = "21";

    job->StepExecutor();
    ASSERT_EQ(job->GetState(), KV_JOB_STATE_WAITING_FOR_ANSWER);
    std::uint16_t endpoint = 0;
    MessagePtr request = router.Take(&endpoint);
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(endpoint, KV_ENDPOINT_CAPI);
    EXPECT_EQ(static_cast<CapiListenManager*>(request->GetPayload())->GetCalledNumber(), "21");
    Deliver<CapiListenManager>(*job, KV_PAYLOAD_CAPI_LISTEN_MANAGER, KV_MSG_KIND_CONFIRMATION,
                               KV_MSG_ATTR_ACCEPTED);
    job->StepExecutor();
    ASSERT_EQ(job->GetState(), KV_JOB_STATE_RUNNING);

    Deliver<CapiListenManager>(*job, KV_PAYLOAD_CAPI_LISTEN_MANAGER, KV_MSG_KIND_INFO,
                               KV_MSG_ATTR_NOTIFICATION)
        ->SetText2("0301234");
    // ENDED of a LISTEN or ROOT payload does not end the executor.
    Deliver<CKvJobDataListen>(*job, K_KVJBDT_TP_LISTEN, KV_MSG_KIND_INFO, KV_MSG_ATTR_ENDED);
    Deliver<CKvJobDataListen>(*job, K_KVJBDT_TP_ROOT, KV_MSG_KIND_INFO, KV_MSG_ATTR_ENDED);
    job->StepExecutor();
    EXPECT_EQ(job->GetState(), KV_JOB_STATE_RUNNING);
    ASSERT_EQ(router.Count(), 2u);
    for (const char* address : {"10.0.0.7", "10.0.0.8"}) {
        MessagePtr sent = router.Take(&endpoint);
        EXPECT_EQ(endpoint, KV_ENDPOINT_NETWORK);
        auto* request42 = static_cast<CKvTypedObject42*>(sent->GetPayload());
        EXPECT_EQ(request42->peers[0].GetAddressText(), address);
        EXPECT_NE(request42->name.find("<callingnumber>0301234</callingnumber>"),
                  std::string::npos);
    }

    Deliver<CapiListenManager>(*job, KV_PAYLOAD_CAPI_LISTEN_MANAGER, KV_MSG_KIND_INFO,
                               KV_MSG_ATTR_ENDED);
    job->StepExecutor();
    EXPECT_EQ(job->GetState(), KV_JOB_STATE_CLEANUP);
}

} // namespace
