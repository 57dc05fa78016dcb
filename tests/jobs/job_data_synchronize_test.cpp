#include "jobs/job_data_synchronize.h"

#include "data/data_preferences.h"
#include "jobs_test_support.h"
#include "platform/clock.h"

namespace {

std::unique_ptr<CKvDataCall> Call(std::uint32_t seconds, std::uint32_t milliseconds,
                                  const char* numberint, const char* comment = "") {
    auto call = std::make_unique<CKvDataCall>();
    call->GetStartTime().SetSeconds(seconds);
    call->GetStartTime().SetMilliseconds(milliseconds);
    call->FormatStartTime();
    call->GetNumberInt() = numberint;
    call->GetComment() = comment;
    return call;
}

TEST(JobDataSynchronize, TheRangeAndItsCallAreWrittenByteForByte) {
    RegisterAllPayloads();
    CKvJobDataSynchronize job;
    job.SetLoginName("anna");
    job.GetPeerComputer().Set("ws1", kLoopbackAddress, 4100);
    job.SetSetCount(3);
    job.SetSetIndex(1);
    job.GetDateTimeStart().SetSeconds(3900000000u);
    job.GetDateTimeStart().SetMilliseconds(7);
    job.GetDateTimeEnd().SetSeconds(3900000100u);
    job.SetCall(Call(3900000050u, 250, "21"));
    job.SetHeader(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_DATA_FOUND, 9, 4);
    std::string text;
    ASSERT_EQ(job.Serialize(text), KV_OK);
    EXPECT_EQ(text.substr(0, text.find("<DATACALL")),
              "<JobData type=\"K_KVJBDT_TP_SYNCHRONIZE\"><messagetype>CONFIRMATION</messagetype>"
              "<attribute>DATA_FOUND</attribute><idtarget>9</idtarget><idsource>4</idsource>"
              "<JobDataClient><loginname>anna</loginname><hostname>ws1</hostname>"
              "<hostip>127.0.0.1</hostip><portnumber>4100</portnumber><setcount>3</setcount>"
              "<setindex>1</setindex><datetimestart>3900000000.007</datetimestart>"
              "<datetimeend>3900000100.000</datetimeend>");
    EXPECT_NE(text.find("<DATACALL identifier=\"3900000050.250\""), std::string::npos);
    const std::string tail = "</DATACALL></JobDataClient></JobData>";
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);

    CKvJobDataSynchronize read;
    ASSERT_EQ(ReadJobText(text, read), KV_OK);
    EXPECT_EQ(read.GetSetCount(), 3u);
    EXPECT_EQ(read.GetSetIndex(), 1u);
    EXPECT_EQ(read.GetDateTimeStart().GetMilliseconds(), 7u);
    ASSERT_NE(read.GetCall(), nullptr);
    EXPECT_EQ(read.GetCall()->GetNumberInt(), "21");
    EXPECT_EQ(read.GetCall()->GetStartTime().GetMilliseconds(), 250u);
}

TEST(JobDataSynchronize, ASecondCallOverwritesTheFirst) {
    RegisterAllPayloads();
    CKvJobDataSynchronize first;
    first.SetCall(Call(3900000050u, 0, "21", "first"));
    std::string text;
    ASSERT_EQ(first.Serialize(text), KV_OK);
    CKvJobDataSynchronize second;
    second.SetCall(Call(3900000060u, 0, "22", "second"));
    std::string other;
    ASSERT_EQ(second.Serialize(other), KV_OK);
    const std::size_t call_at = other.find("<DATACALL");
    const std::string second_call = other.substr(call_at, other.find("</DATACALL>") + 11 - call_at);
    text.insert(text.find("</JobDataClient>"), second_call);
    CKvJobDataSynchronize read;
    ASSERT_EQ(ReadJobText(text, read), KV_OK);
    ASSERT_NE(read.GetCall(), nullptr);
    EXPECT_EQ(read.GetCall()->GetComment(), "second");
    EXPECT_EQ(read.GetCall()->GetNumberInt(), "22");
}

class SynchronizeTest : public ::testing::Test {
protected:
    SynchronizeTest()
        : router_({KV_ENDPOINT_HOST_MAIN, KV_ENDPOINT_NETWORK, KV_ENDPOINT_CALL_WINDOW}),
          scoped_clock_(clock_), identity_("srvuser", "server", {kLoopbackAddress}),
          scoped_identity_(identity_),
          handler_(router_.Get(), 0x900, KV_TRANSPORT_LOCAL, nullptr, false) {
        job_ = new CKvJobDataSynchronize;
        job_->SetLoginName("anna");
        job_->GetPeerComputer().Set("ws1", kLoopbackAddress, 4100);
        job_->SetLocalHost("server", "127.0.0.1", 4000);
    }

    std::vector<std::pair<std::uint16_t, MessagePtr>> Posted() { return router_.TakeAll(); }
    CKvJobDataSynchronize* Receive(std::uint32_t messagetype, std::uint32_t attribute) {
        auto* record = Deliver<CKvJobDataSynchronize>(*job_, K_KVJBDT_TP_SYNCHRONIZE,
                                                      static_cast<std::int32_t>(messagetype),
                                                      static_cast<std::int32_t>(attribute));
        record->SetSubType(K_KVJBDT_TP_SYNCHRONIZE);
        record->SetHeader(messagetype, attribute, job_->GetJobId(), 33);
        return record;
    }

    CapturingRouter router_;
    ManualClock clock_{1700000000};
    ScopedClock scoped_clock_;
    FixedLocalIdentitySource identity_;
    ScopedLocalIdentitySource scoped_identity_;
    CKvIMSGJobDataHandler handler_;
    CKvJobDataSynchronize* job_ = nullptr;
};

TEST_F(SynchronizeTest, ALastCallAt999MillisecondsAsksFromTheNextSecond) {
    ASSERT_EQ(handler_.AddJob(job_), KV_OK);
    job_->CheckRootJob();
    Posted();
    auto* preferences = Deliver<CKvDataPreferences>(
        *job_, K_KVDT_TP_DTHDLR_DATAPREFERENCES, KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_DATA_FOUND);
    preferences->GetDateTimeLastCallIn().SetSeconds(3900000000u);
    preferences->GetDateTimeLastCallIn().SetMilliseconds(999);
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_WAITING_FOR_ANSWER);
    auto posted = Posted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_NE(SentText(posted[0].second).find("<datetimestart>3900000001.000</datetimestart>"),
              std::string::npos);
}

TEST_F(SynchronizeTest, ASetCountOfZeroEndsAtOnce) {
    ASSERT_EQ(handler_.AddJob(job_), KV_OK);
    job_->ChangeState(KV_JOB_STATE_WAITING_FOR_ANSWER);
    ASSERT_NO_FATAL_FAILURE(
        Receive(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED)->SetSetCount(0));
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetIdTarget(), 33u);
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_STOP_REQUESTED);
    job_->CheckRootJob();
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_FINISHED);
    EXPECT_TRUE(Posted().empty());
}

TEST_F(SynchronizeTest, OnlyCallsTheJournalLacksGoToTheCallWindow) {
    ASSERT_EQ(handler_.AddJob(job_), KV_OK);
    job_->ChangeState(KV_JOB_STATE_WAITING_FOR_ANSWER);
    ASSERT_NO_FATAL_FAILURE(
        Receive(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED)->SetSetCount(2));
    job_->CheckRootJob();
    for (const bool known : {true, false}) {
        SCOPED_TRACE(known);
        job_->CheckRootJob(); // DATA_REQUEST
        EXPECT_EQ(job_->GetState(), CKvJobDataSynchronize::kStateWaitingForCall);
        Posted();
        Receive(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_DATA_FOUND)
            ->SetCall(Call(3900000050u + known, 0, "21"));
        job_->CheckRootJob();
        auto posted = Posted();
        ASSERT_EQ(posted.size(), 1u);
        EXPECT_EQ(posted[0].first, KV_ENDPOINT_HOST_MAIN);
        EXPECT_EQ(
            static_cast<CKvDataCall*>(posted[0].second->GetPayload())->GetStartTime().GetSeconds(),
            3900000050u + known);
        Deliver<CKvDataCall>(*job_, K_KVDT_TP_DTHDLR_DATACALL, KV_MSG_KIND_CONFIRMATION,
                             known ? KV_MSG_ATTR_DATA_FOUND : KV_MSG_ATTR_DATA_NOT_FOUND);
        job_->CheckRootJob();
        EXPECT_EQ(job_->GetState(), CKvJobDataSynchronize::kStateNextCall);
        posted = Posted();
        ASSERT_EQ(posted.size(), known ? 0u : 1u);
        if (!known) {
            EXPECT_EQ(posted[0].first, KV_ENDPOINT_CALL_WINDOW);
            EXPECT_EQ(posted[0].second->GetKind(), KV_MSG_KIND_INFO);
            auto* call = static_cast<CKvDataCall*>(posted[0].second->GetPayload());
            EXPECT_EQ(call->GetStartTime().GetSeconds(), 3900000050u);
            EXPECT_EQ(call->GetReportMarker(), 1u);
        }
    }
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_STOP_REQUESTED);
}

// ---- Server side ----

class SynchronizeServerTest : public SynchronizeTest {
protected:
    void Receive() {
        job_->SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 0, 33);
        job_->SetSubType(K_KVJBDT_TP_SYNCHRONIZE);
        job_->SetTransportMode(KV_TRANSPORT_REMOTE_PEER);
        ASSERT_EQ(handler_.AddJob(job_), KV_OK);
        job_->SetTransportMode(KV_TRANSPORT_REMOTE_PEER);
    }
    // Up to the answer with the range, with these calls selected.
    void Select(std::vector<std::unique_ptr<CKvDataCall>> calls) {
        ASSERT_NO_FATAL_FAILURE(Receive());
        job_->StepExecutor();
        auto* user = Deliver<CKvDataServerUser>(*job_, K_KVDT_TP_DTHDLR_DATASERVERUSER,
                                                KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_DATA_FOUND);
        user->GetDeviceNumberList().Add("21");
        user->GetDeviceNumberList().Add("22");
        job_->StepExecutor();
        ASSERT_EQ(job_->GetState(), CKvJobDataSynchronize::kStateSelectedCalls);
        auto* store = Deliver<CKvDataHandlerStore>(
            *job_, KV_PAYLOAD_DATA_HANDLER_STORE, KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_DATA_FOUND);
        store->Init(K_KVDT_TP_DTHDLR_DATACALL, 0, 100, nullptr, nullptr);
        std::uint32_t identifier = 0;
        for (auto& call : calls) {
            call->SetIdentifier(++identifier);
            std::unique_ptr<CKvDataHandler> record = std::move(call);
            store->Add(record);
        }
        Posted();
        job_->StepExecutor();
        auto answered = Posted();
        ASSERT_EQ(answered.size(), 1u);
        EXPECT_NE(SentText(answered[0].second).find("<attribute>ACCEPTED</attribute>"),
                  std::string::npos);
    }
    // The serial answers the job sends, by the start seconds of their call.
    std::vector<std::string> Serve(std::size_t requests) {
        std::vector<std::string> served;
        for (std::size_t i = 0; i < requests; ++i) {
            SynchronizeTest::Receive(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_DATA_REQUEST);
            job_->StepExecutor();
            for (auto& [endpoint, message] : Posted()) {
                const std::string text = SentText(message);
                const std::size_t at = text.find("<comment>");
                served.push_back(at == std::string::npos
                                     ? "-"
                                     : text.substr(at + 9, text.find('<', at + 9) - at - 9));
            }
        }
        return served;
    }
};

TEST_F(SynchronizeServerTest, ServesTheUsersCallsEarliestFirstAndTiesInStoreOrder) {
    std::vector<std::unique_ptr<CKvDataCall>> calls;
    calls.push_back(Call(3900000090u, 0, "21", "late"));
    calls.push_back(Call(3900000010u, 5, "99", "foreign"));
    calls.push_back(Call(3900000010u, 5, "22", "tie-first"));
    calls.push_back(Call(3900000010u, 5, "21", "tie-second"));
    calls.push_back(Call(3900000010u, 4, "21", "early"));
    ASSERT_NO_FATAL_FAILURE(Select(std::move(calls)));
    ASSERT_EQ(job_->GetState(), KV_JOB_STATE_RUNNING);
    EXPECT_EQ(job_->GetSetCount(), 4u);
    EXPECT_EQ(Serve(4), (std::vector<std::string>{"early", "tie-first", "tie-second", "late"}));
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
}

TEST_F(SynchronizeServerTest, NoCallOfTheUsersDevicesAcceptsWithSetCountZeroAndEnds) {
    std::vector<std::unique_ptr<CKvDataCall>> calls;
    calls.push_back(Call(3900000010u, 0, "99"));
    ASSERT_NO_FATAL_FAILURE(Select(std::move(calls)));
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
    EXPECT_EQ(job_->GetSetCount(), 0u);
}

TEST_F(SynchronizeServerTest, ALockedServerUserStartsOver) {
    ASSERT_NO_FATAL_FAILURE(Receive());
    job_->StepExecutor();
    Posted();
    Deliver<CKvDataServerUser>(*job_, K_KVDT_TP_DTHDLR_DATASERVERUSER, KV_MSG_KIND_CONFIRMATION,
                               KV_MSG_ATTR_DATA_FOUND_LOCKED);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_START);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), CKvJobDataSynchronize::kStateServerUser);
    auto posted = Posted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].second->GetPayloadType(), K_KVDT_TP_DTHDLR_DATASERVERUSER);
}

TEST_F(SynchronizeServerTest, AClientThatStopsAskingEndsTheServerSideAfter60Seconds) {
    std::vector<std::unique_ptr<CKvDataCall>> calls;
    calls.push_back(Call(3900000010u, 0, "21"));
    calls.push_back(Call(3900000020u, 0, "21"));
    ASSERT_NO_FATAL_FAILURE(Select(std::move(calls)));
    ASSERT_EQ(job_->GetState(), KV_JOB_STATE_RUNNING);
    Serve(1);
    clock_.Advance(59000);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_RUNNING);
    clock_.Advance(1000);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_STOP_REQUESTED);
}

TEST(JobDataSynchronize, TheCallQueryCarriesNowAndTheStartTime) {
    CapturingRouter router({KV_ENDPOINT_HOST_MAIN});
    ManualClock clock{1700000000, 120};
    ScopedClock scoped(clock);
    CKvIMSGJobDataHandler handler(router.Get(), 0x900, KV_TRANSPORT_LOCAL, nullptr, false);
    auto* job = new CKvJobDataSynchronize;
    ASSERT_EQ(handler.AddJob(job), KV_OK);
    job->GetDateTimeStart().SetSeconds(3900000001u);
    job->GetDateTimeStart().SetMilliseconds(3);
    ASSERT_EQ(job->SetCallQuery(), KV_OK);
    MessagePtr query = router.Take();
    ASSERT_NE(query, nullptr);
    EXPECT_EQ(query->GetSubCommand(), CKvJobDataSynchronize::kSubCommandCallQuery);
    auto* call = static_cast<CKvDataCall*>(query->GetPayload());
    EXPECT_EQ(call->GetStartTime().GetSeconds(),
              1700000000u + static_cast<std::uint32_t>(TimeDate::kSecondsFrom1900To1970));
    EXPECT_EQ(call->GetStartTime().GetMilliseconds(), 120u);
    EXPECT_EQ(call->GetStartTime().GetFurtherSeconds(), 3900000001u);
    EXPECT_EQ(call->GetStartTime().GetFurtherMilliseconds(), 3u);
    std::string names;
    EXPECT_EQ(call->GetNamedFields().GetNameList().GetText(names),
              "KVFLAG_CALLOUT,TIME_DATE_START,*");
}

} // namespace
