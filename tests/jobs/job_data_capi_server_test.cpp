#include "jobs/job_data_capi_server.h"

#include "capi/capi_manager_base.h"
#include "capi/capi_payloads.h"
#include "jobs_test_support.h"
#include "platform/clock.h"

namespace {

using Record = CKvJobDataCAPIServer::Record;

Record NewCall(std::uint32_t type, std::int32_t id, std::int32_t appl_id = 1) {
    auto record = std::make_shared<CAPIFuncData>();
    record->SetType(type);
    record->SetId(id);
    record->SetApplicationId(appl_id);
    return record;
}

// The job text of the next network request, or "<none>".
std::string NextText(CapturingRouter& router) {
    std::uint16_t endpoint = 0;
    while (MessagePtr message = router.Take(&endpoint)) {
        if (endpoint == KV_ENDPOINT_NETWORK)
            return SentText(message);
    }
    return "<none>";
}

TEST(JobDataCAPIServer, IsWrittenWithItsRecordAndNeedsAllFourPeerKeys) {
    RegisterAllPayloads();
    RegisterCapiPayloads();
    CKvJobDataCAPIServer job;
    job.SetHeader(KV_MSG_KIND_REQUEST, 0, 0, 5);
    job.SetLoginName("anna");
    job.GetPeerComputer().SetName("ws1");
    job.SetPeerAddressText("10.0.0.7");
    job.GetPeerComputer().SetPort(4000);
    job.SetCarriedRecord(NewCall(CAPIFuncData::kRegister, 3));
    std::string text;
    ASSERT_EQ(job.Serialize(text), KV_OK);
    EXPECT_EQ(text, "<JobData type=\"K_KVJBDT_TP_CAPISERVER\"><messagetype>REQUEST"
                    "</messagetype><attribute>UNSPECIFIED</attribute><idtarget>0</idtarget>"
                    "<idsource>5</idsource><JobDataCAPIServer><loginname>anna</loginname>"
                    "<hostname>ws1</hostname><hostip>10.0.0.7</hostip>"
                    "<portnumber>4000</portnumber><CAPIFuncData><Type>REGISTER</Type>"
                    "<ApplicationId>1</ApplicationId><FlagReturn>false</FlagReturn>"
                    "<ReturnValue>0</ReturnValue><Id>3</Id>"
                    "<DataPool>002000000000000000000000000000000000</DataPool>"
                    "</CAPIFuncData></JobDataCAPIServer></JobData>");
    CKvJobDataCAPIServer read;
    ASSERT_EQ(ReadJobText(text, read), KV_OK);
    ASSERT_NE(read.GetCarriedRecord(), nullptr);
    EXPECT_EQ(read.GetCarriedRecord()->GetId(), 3);
    EXPECT_EQ(read.GetCarriedRecord()->GetType(), CAPIFuncData::kRegister);
    TestClientJob client("10.0.0.7", 4000);
    EXPECT_FALSE(read.MatchesClientJob(client));
    client.GetPeerComputer().SetName("ws1");
    EXPECT_TRUE(read.MatchesClientJob(client));
    client.SetLoginName("bob");
    EXPECT_FALSE(read.MatchesClientJob(client));
    std::string again;
    ASSERT_EQ(read.Serialize(again), KV_OK);
    EXPECT_EQ(again.substr(again.find("<JobDataCAPIServer")),
              text.substr(text.find("<JobDataCAPIServer")));

    CKvJobDataCAPIServer partial;
    EXPECT_EQ(ReadJobText("<JobData><JobDataCAPIServer><loginname>anna</loginname><hostname />"
                          "<hostip>1.2.3.4</hostip></JobDataCAPIServer></JobData>",
                          partial),
              KV_E_FAIL);
    EXPECT_EQ(partial.GetCarriedRecord(), nullptr);
}

class CapiServerTest : public ::testing::Test {
protected:
    CapiServerTest()
        : scoped_clock_(clock_), router_({KV_ENDPOINT_NETWORK, KV_ENDPOINT_CAPI}),
          handler_(router_.Get(), 0x900, KV_TRANSPORT_REMOTE_PEER, nullptr, false) {
        RegisterCapiPayloads();
    }

    // A requester serving ApplID 9 for its executor 70.
    CKvJobDataCAPIServer* ServingRequester() {
        handler_.AddJob(new TestClientJob("10.0.0.7", 4000));
        auto* job = new CKvJobDataCAPIServer;
        handler_.AddJob(job);
        job->SetApplIdRegistry(&registry_);
        job->SetCarriedRecord(NewCall(CAPIFuncData::kRegister, 1, 0));
        job->StepRequester();
        auto* answer = Deliver<CKvJobDataCAPIServer>(*job, K_KVJBDT_TP_CAPISERVER,
                                                     KV_MSG_KIND_CONFIRMATION,
                                                     KV_MSG_ATTR_ACCEPTED);
        answer->SetSubType(K_KVJBDT_TP_CAPISERVER);
        answer->SetCarriedRecord(NewCall(CAPIFuncData::kRegister, 1, 9));
        job->GetIncomingQueue().FirstMessage()->SetJobIds(job->GetJobId(), 70, 0);
        job->StepRequester();
        NextText(router_);
        NextText(router_);
        return job;
    }

    ManualClock clock_{1700000000, 0, 1000};
    ScopedClock scoped_clock_;
    CapturingRouter router_;
    // Before the handler: the jobs it deletes leave the registry.
    ApplIdRegistry registry_;
    CKvIMSGJobDataHandler handler_;
};

TEST_F(CapiServerTest, ARequesterWithoutAClientJobCompletesItsRegisterAtOnce) {
    auto* job = new CKvJobDataCAPIServer;
    handler_.AddJob(job);
    job->SetApplIdRegistry(&registry_);
    Record call = NewCall(CAPIFuncData::kRegister, 1, 0);
    job->SetCarriedRecord(call);
    job->StepRequester();
    EXPECT_EQ(job->GetState(), KV_JOB_STATE_CLEANUP);
    EXPECT_TRUE(call->IsCompleted());
    EXPECT_EQ(call->GetReturnValue(), 0x1008);
    EXPECT_EQ(job->GetCarriedRecord(), nullptr);
}

TEST_F(CapiServerTest, TheRequesterCompletesDuplicatesAndExpiredCallsButNeverAWait) {
    CKvJobDataCAPIServer* job = ServingRequester();
    ASSERT_EQ(job->GetState(), KV_JOB_STATE_RUNNING);
    EXPECT_EQ(job->GetIdTarget(), 70u);
    EXPECT_EQ(registry_.Find(9), job);
    Record put = NewCall(CAPIFuncData::kPutMessage, 2, 9);
    Record again = NewCall(CAPIFuncData::kPutMessage, 2, 9);
    Record wait = NewCall(CAPIFuncData::kWaitForSignal, 3, 9);
    for (const Record& record : {put, again, wait})
        ASSERT_EQ(job->HandOverCall(record), KV_OK);
    job->StepRequester();
    EXPECT_FALSE(put->IsCompleted());
    EXPECT_TRUE(again->IsCompleted());
    EXPECT_EQ(again->GetReturnValue(), 0x1108);
    EXPECT_NE(NextText(router_).find("<idtarget>70</idtarget>"), std::string::npos);

    // An answer of another Type is not applied.
    auto* answer = Deliver<CKvJobDataCAPIServer>(*job, K_KVJBDT_TP_CAPISERVER,
                                                 KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED);
    answer->SetCarriedRecord(NewCall(CAPIFuncData::kGetMessage, 2, 9));
    job->StepRequester();
    EXPECT_FALSE(put->IsCompleted());

    clock_.Advance(CAPIFuncData::kTimeoutMilliseconds + 1);
    job->StepRequester();
    EXPECT_TRUE(put->IsCompleted());
    EXPECT_EQ(put->GetReturnValue(), 0x1108);
    EXPECT_EQ(put->GetFlagReturn(), 1u);
    job->StepRequester();
    EXPECT_FALSE(wait->IsCompleted());
    EXPECT_EQ(job->GetPendingCalls().Count(), 1u);
}

TEST_F(CapiServerTest, AnEndedInfoFromTheServerFailsEveryPendingCall) {
    CKvJobDataCAPIServer* job = ServingRequester();
    Record wait = NewCall(CAPIFuncData::kWaitForSignal, 3, 9);
    job->HandOverCall(wait);
    job->StepRequester();
    Deliver<CKvJobDataCAPIServer>(*job, K_KVJBDT_TP_CAPISERVER, KV_MSG_KIND_INFO,
                                  KV_MSG_ATTR_ENDED);
    job->StepRequester();
    EXPECT_EQ(job->GetState(), KV_JOB_STATE_CLEANUP);
    EXPECT_TRUE(wait->IsCompleted());
    EXPECT_EQ(wait->GetReturnValue(), 0x1108);
    EXPECT_EQ(registry_.Find(9), nullptr);
}

TEST_F(CapiServerTest, ARemovedClientJobEndsTheRequester) {
    CKvJobDataCAPIServer* job = ServingRequester();
    Record wait = NewCall(CAPIFuncData::kWaitForSignal, 3, 9);
    job->HandOverCall(wait);
    job->StepRequester();
    for (const auto& entry : *handler_.FindJobsOfType(K_KVJBDT_TP_CLIENT))
        static_cast<CKvJobData*>(entry.second)->ChangeState(KV_JOB_STATE_FINISHED);
    job->StepRequester();
    EXPECT_EQ(job->GetState(), KV_JOB_STATE_CLEANUP);
    EXPECT_TRUE(wait->IsCompleted());
}

// An executor serving the requester 33 at 10.0.0.7:4000.
class CapiExecutorTest : public CapiServerTest {
protected:
    CKvJobDataCAPIServer* NewExecutor(bool with_client, bool with_record) {
        if (with_client)
            handler_.AddJob(new TestClientJob("10.0.0.7", 4000));
        auto* job = new CKvJobDataCAPIServer;
        job->SetHeader(KV_MSG_KIND_REQUEST, 0, 0, 33);
        job->SetLoginName("anna");
        job->SetPeerAddress("10.0.0.7");
        job->GetPeerComputer().SetPort(4000);
        if (with_record)
            job->SetCarriedRecord(NewCall(CAPIFuncData::kRegister, 1, 0));
        handler_.AddJob(job);
        return job;
    }

    // A call of the requester in the executor's queue.
    void DeliverCall(CKvJobDataCAPIServer& job, const Record& record) {
        auto* text = Deliver<CKvJobDataCAPIServer>(job, K_KVJBDT_TP_CAPISERVER,
                                                   KV_MSG_KIND_REQUEST, 0);
        text->SetCarriedRecord(record);
    }

    // Steps a new executor until it serves, its manager 80.
    CKvJobDataCAPIServer* ServingExecutor() {
        CKvJobDataCAPIServer* job = NewExecutor(true, true);
        job->StepExecutor();
        Deliver<void>(*job, KV_PAYLOAD_CAPI_FUNCTION_MANAGER, KV_MSG_KIND_CONFIRMATION,
                            KV_MSG_ATTR_ACCEPTED);
        job->GetIncomingQueue().FirstMessage()->SetJobIds(job->GetJobId(), 80, 0);
        CapiManagerFromPayload(job->GetIncomingQueue().FirstMessage()->GetPayload(),
                               KV_PAYLOAD_CAPI_FUNCTION_MANAGER)
            ->SetJobId(80);
        job->StepExecutor();
        return job;
    }

    // Counts the forwarded calls and the texts sent.
    void Drain(std::size_t& forwarded, std::vector<std::string>& texts) {
        std::uint16_t endpoint = 0;
        while (MessagePtr message = router_.Take(&endpoint)) {
            if (endpoint == KV_ENDPOINT_NETWORK)
                texts.push_back(SentText(message));
            else if (message->GetPayloadType() == CAPIFuncData::kTypeCode)
                ++forwarded;
        }
    }
};

TEST_F(CapiExecutorTest, APeerWithoutAClientJobIsRefusedAndAMissingRecordStaysMissing) {
    CKvJobDataCAPIServer* job = NewExecutor(false, true);
    job->StepExecutor();
    EXPECT_EQ(job->GetState(), CKvJobDataCAPIServer::kStateRefuse);
    job->StepExecutor();
    EXPECT_EQ(job->GetState(), KV_JOB_STATE_CLEANUP);
    std::string text = NextText(router_);
    EXPECT_NE(text.find("<attribute>REFUSED</attribute><idtarget>33</idtarget>"),
              std::string::npos);
    EXPECT_NE(text.find("<ReturnValue>4104</ReturnValue>"), std::string::npos);

    CKvJobDataCAPIServer* bare = NewExecutor(false, false);
    bare->StepExecutor();
    bare->StepExecutor();
    text = NextText(router_);
    EXPECT_NE(text.find("<attribute>REFUSED</attribute>"), std::string::npos);
    EXPECT_EQ(text.find("CAPIFuncData"), std::string::npos);
    EXPECT_EQ(bare->GetCarriedRecord(), nullptr);
}

TEST_F(CapiExecutorTest, DuplicatesAndThe65thPendingCallAreAnsweredNotExecuted) {
    CKvJobDataCAPIServer* job = ServingExecutor();
    ASSERT_EQ(job->GetState(), KV_JOB_STATE_RUNNING);
    EXPECT_EQ(job->GetFunctionManagerId(), 80u);
    std::size_t forwarded = 0;
    std::vector<std::string> texts;
    Drain(forwarded, texts);
    EXPECT_EQ(forwarded, 1u); // the REGISTER that came with the job
    EXPECT_TRUE(texts.empty());

    DeliverCall(*job, NewCall(CAPIFuncData::kRegister, 1, 0));
    for (std::int32_t id = 2; id <= 64; ++id)
        DeliverCall(*job, NewCall(CAPIFuncData::kWaitForSignal, id));
    DeliverCall(*job, NewCall(CAPIFuncData::kWaitForSignal, 65));
    job->StepExecutor();
    Drain(forwarded, texts);
    EXPECT_EQ(forwarded, 64u);
    EXPECT_EQ(job->GetPendingCalls().Count(), 64u);
    ASSERT_EQ(texts.size(), 2u);
    for (const std::string& text : texts) {
        EXPECT_NE(text.find("<messagetype>CONFIRMATION</messagetype><attribute>TIMEOUT"
                            "</attribute><idtarget>33</idtarget>"),
                  std::string::npos);
        EXPECT_NE(text.find("<FlagReturn>true</FlagReturn>"), std::string::npos);
    }
    EXPECT_NE(texts[0].find("<Id>1</Id>"), std::string::npos);
    EXPECT_NE(texts[1].find("<Id>65</Id>"), std::string::npos);
}

TEST_F(CapiExecutorTest, AnswersGoBackAcceptedAndExpiredCallsAsTimeout) {
    CKvJobDataCAPIServer* job = ServingExecutor();
    std::size_t forwarded = 0;
    std::vector<std::string> texts;
    Drain(forwarded, texts);
    auto* executed = Deliver<CAPIFuncData>(*job, CAPIFuncData::kTypeCode,
                                           KV_MSG_KIND_CONFIRMATION, 0);
    executed->SetType(CAPIFuncData::kRegister);
    executed->SetId(1);
    executed->SetApplicationId(9);
    DeliverCall(*job, NewCall(CAPIFuncData::kPutMessage, 2, 9));
    job->StepExecutor();
    EXPECT_EQ(job->GetApplId(), 9u);
    clock_.Advance(CAPIFuncData::kTimeoutMilliseconds + 1);
    job->StepExecutor();
    Drain(forwarded, texts);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[0].find("<attribute>ACCEPTED</attribute>"), std::string::npos);
    EXPECT_NE(texts[0].find("<ApplicationId>9</ApplicationId><FlagReturn>true</FlagReturn>"),
              std::string::npos);
    EXPECT_NE(texts[1].find("<attribute>TIMEOUT</attribute>"), std::string::npos);
    EXPECT_NE(texts[1].find("<ReturnValue>4360</ReturnValue><Id>2</Id>"), std::string::npos);

    // The requester's ENDED ends the function manager and tells the requester.
    Deliver<CKvJobDataCAPIServer>(*job, K_KVJBDT_TP_CAPISERVER, KV_MSG_KIND_INFO,
                                  KV_MSG_ATTR_ENDED);
    job->StepExecutor();
    ASSERT_EQ(job->GetState(), CKvJobDataCAPIServer::kStateRelease);
    job->StepExecutor();
    std::uint16_t endpoint = 0;
    MessagePtr end = router_.Take(&endpoint);
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(endpoint, KV_ENDPOINT_CAPI);
    EXPECT_EQ(end->GetAttribute(), KV_MSG_ATTR_ENDED);
    EXPECT_EQ(end->GetSourceJobId(), 80u);
    EXPECT_NE(NextText(router_).find("<messagetype>INFO</messagetype><attribute>ENDED"
                                     "</attribute><idtarget>33</idtarget>"),
              std::string::npos);
}

} // namespace
