#include "jobs/job_data_client.h"

#include "data/data_general.h"
#include "framework/holder_objects.h"
#include "jobs/job_data_listen2.h"
#include "jobs_test_support.h"
#include "platform/clock.h"

namespace {

constexpr const char* kGoldenLogon =
    "<JobData type=\"K_KVJBDT_TP_CLIENT\"><messagetype>REQUEST</messagetype>"
    "<attribute>UNSPECIFIED</attribute><idtarget>0</idtarget><idsource>7</idsource>"
    "<JobDataClient><notifycalls>yes</notifycalls><loginname>anna</loginname>"
    "<hostname>ws1</hostname><hostip>192.168.1.20</hostip><portnumber>4100</portnumber>"
    "<version>17499913</version><stamp /><flagusetapi>TRUE</flagusetapi>"
    "</JobDataClient></JobData>";

TEST(JobDataClient, TheLogonIsWrittenByteForByteWithAnEmptyStamp) {
    RegisterAllPayloads();
    CKvJobDataClient job;
    job.SetLoginName("anna");
    job.GetPeerComputer().Set("ws1", 0, 4100);
    job.SetPeerAddressText("192.168.1.20");
    job.SetVersion("17499913");
    job.GetFlagUseTapi().Set(1);
    job.SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 0, 7);
    std::string text;
    ASSERT_EQ(job.Serialize(text), KV_OK);
    EXPECT_EQ(text, kGoldenLogon);

    std::string stamped = text;
    stamped.replace(stamped.find("<stamp />"), 9, "<stamp>x1</stamp>");
    CKvJobDataClient read;
    ASSERT_EQ(ReadJobText(stamped, read), KV_OK);
    EXPECT_EQ(read.GetStamp(), "x1");
    EXPECT_EQ(read.GetVersion(), "17499913");
    EXPECT_TRUE(read.GetFlagUseTapi().IsTrue());
    EXPECT_EQ(read.GetPeerComputer().GetPort(), 4100u);
    read.SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 0, 7);
    std::string again;
    ASSERT_EQ(read.Serialize(again), KV_OK);
    EXPECT_EQ(again, kGoldenLogon); // the stamp never travels
}

TEST(JobDataClient, FlagUseTapiIsTrueOnlyForTheExactText) {
    RegisterAllPayloads();
    for (const auto& [text, expected] : {std::pair{"TRUE", true}, std::pair{"true", false},
                                         std::pair{"1", false}, std::pair{"TRUE ", false}}) {
        SCOPED_TRACE(text);
        CKvJobDataClient read;
        const std::string job = std::string("<JobData><JobDataClient><flagusetapi>") + text +
                                "</flagusetapi></JobDataClient></JobData>";
        ASSERT_EQ(ReadJobText(job, read), KV_OK);
        EXPECT_EQ(read.GetFlagUseTapi().IsTrue(), expected);
    }
}

TEST(JobDataClient, VersionTextsReadAsUnsignedDecimal) {
    EXPECT_EQ(CKvJobDataClient::ReadVersion(""), 0u);
    EXPECT_EQ(CKvJobDataClient::ReadVersion("abc"), 0u);
    EXPECT_EQ(CKvJobDataClient::ReadVersion("17499906"), CKvJobDataClient::kLowestVersion);
}

// One client job on a handler whose host endpoints post into the router.
class ClientJobTest : public ::testing::Test {
protected:
    ClientJobTest()
        : router_({KV_ENDPOINT_HOST_MAIN, KV_ENDPOINT_HOST_STATUS, KV_ENDPOINT_NETWORK,
                   KV_ENDPOINT_JOB_INTAKE}),
          scoped_clock_(clock_), identity_("srvuser", "server", {kLoopbackAddress}),
          scoped_identity_(identity_) {
        job_ = new CKvJobDataClient;
        job_->SetLoginName("anna");
    }

    // A new job for the next row of a table; the handler that owns the old
    // one goes with the next File.
    void Fresh() {
        Posted();
        if (handler_)
            job_ = new CKvJobDataClient;
        job_->SetLoginName("anna");
    }

    void File(std::uint32_t mode) {
        handler_ =
            std::make_unique<CKvIMSGJobDataHandler>(router_.Get(), 0x900, mode, nullptr, false);
        ASSERT_EQ(handler_->AddJob(job_), KV_OK);
    }

    // Every message posted so far, with its endpoint.
    std::vector<std::pair<std::uint16_t, MessagePtr>> Posted() { return router_.TakeAll(); }
    std::vector<std::string> Statuses() {
        std::vector<std::string> texts;
        for (auto& [endpoint, message] : Posted()) {
            if (endpoint == KV_ENDPOINT_HOST_STATUS)
                texts.push_back(static_cast<CKvStampedTextRecord*>(message->GetPayload())->text);
        }
        return texts;
    }

    // A CLIENT record from the peer in the job's queue.
    CKvJobDataClient* Receive(std::uint32_t messagetype, std::uint32_t attribute,
                              const char* version = "17499913") {
        auto* record = Deliver<CKvJobDataClient>(*job_, K_KVJBDT_TP_CLIENT,
                                                 static_cast<std::int32_t>(messagetype),
                                                 static_cast<std::int32_t>(attribute));
        record->SetSubType(K_KVJBDT_TP_CLIENT);
        record->SetHeader(messagetype, attribute, job_->GetJobId(), 55);
        record->SetVersion(version);
        return record;
    }

    // The requester up to its logon text.
    void LogOnAsRequester() {
        ASSERT_NO_FATAL_FAILURE(File(KV_TRANSPORT_LOCAL));
        job_->SetLocalHost("server", "127.0.0.1", 4000);
        job_->GetPeerComputer().Set("ws1", kLoopbackAddress, 0);
        job_->CheckRootJob(); // 0 -> 22
        job_->CheckRootJob(); // the connection request
        auto* answer = Deliver<CKvTypedObject42>(*job_, KV_PAYLOAD_TYPED_OBJECT42,
                                                 KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_SUCCEEDED);
        answer->peers[0].SetPort(4100);
        job_->CheckRootJob(); // -> 7
        job_->CheckRootJob(); // the logon
        ASSERT_EQ(job_->GetState(), KV_JOB_STATE_WAITING_FOR_ANSWER);
    }

    CapturingRouter router_;
    ManualClock clock_{1700000000};
    ScopedClock scoped_clock_;
    FixedLocalIdentitySource identity_;
    ScopedLocalIdentitySource scoped_identity_;
    std::unique_ptr<CKvIMSGJobDataHandler> handler_;
    CKvJobDataClient* job_ = nullptr;
};

TEST_F(ClientJobTest, TheConnectionRequestWaits32SecondsThenTheServerIsNotConnected) {
    ASSERT_NO_FATAL_FAILURE(File(KV_TRANSPORT_LOCAL));
    job_->SetLocalHost("server", "127.0.0.1", 4000);
    job_->GetPeerComputer().Set("ws1", kLoopbackAddress, 0);
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetState(), CKvJobDataClient::kStateConnecting);
    EXPECT_EQ(job_->GetVersion(), "17499913");
    EXPECT_TRUE(handler_->GetEventMap().WaitEvent(CKvIMSGJobDataHandler::kJobEventTwo, 0));
    job_->CheckRootJob();
    std::uint16_t endpoint = 0;
    MessagePtr request = router_.Take(&endpoint);
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(endpoint, KV_ENDPOINT_NETWORK);
    EXPECT_EQ(request->GetCommand(), KV_MSG_COMMAND_NOTIFICATION);
    auto* connection = static_cast<CKvTypedObject42*>(request->GetPayload());
    EXPECT_EQ(connection->numbers[2], CKvJobDataClient::kConnectionRequestState);
    EXPECT_EQ(connection->peers[0].GetAddressText(), "127.0.0.1");
    EXPECT_EQ(connection->peers[0].GetPort(), 4000u);
    clock_.Advance(31000);
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetState(), CKvJobDataClient::kStateConnecting);
    clock_.Advance(1000);
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
    EXPECT_EQ(Statuses(), std::vector<std::string>{"UIObjString_Status_INFO_SERVER_notconnected"});
}

TEST_F(ClientJobTest, AFailedConnectionIsNotConnected) {
    ASSERT_NO_FATAL_FAILURE(File(KV_TRANSPORT_LOCAL));
    job_->CheckRootJob();
    job_->CheckRootJob();
    Deliver<CKvTypedObject42>(*job_, KV_PAYLOAD_TYPED_OBJECT42, KV_MSG_KIND_CONFIRMATION,
                              KV_MSG_ATTR_FAILED);
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
    EXPECT_EQ(Statuses(), std::vector<std::string>{"UIObjString_Status_INFO_SERVER_notconnected"});
}

TEST_F(ClientJobTest, TheLogonAnswerDecidesByAttributeAndServerVersion) {
    const struct {
        std::uint32_t attribute;
        const char* version;
        std::uint32_t state;
        const char* status;
    } cases[] = {
        {KV_MSG_ATTR_ACCEPTED, "17499905", KV_JOB_STATE_STOP_REQUESTED,
         "UIObjString_Status_ERROR_SERVER_refused0"},
        {KV_MSG_ATTR_ACCEPTED, "", KV_JOB_STATE_STOP_REQUESTED,
         "UIObjString_Status_ERROR_SERVER_refused0"},
        {KV_MSG_ATTR_ACCEPTED, "17499906", KV_JOB_STATE_RUNNING, "UIObjString_Status_EMPTY"},
        {KV_MSG_ATTR_REFUSED, "17499913", KV_JOB_STATE_CLEANUP,
         "UIObjString_Status_INFO_SERVER_refused0"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.version);
        Fresh();
        ASSERT_NO_FATAL_FAILURE(LogOnAsRequester());
        MessagePtr logon = Own(nullptr);
        for (auto& [endpoint, message] : Posted()) {
            if (endpoint == KV_ENDPOINT_NETWORK)
                logon = std::move(message);
        }
        EXPECT_NE(SentText(logon).find("<messagetype>REQUEST</messagetype>"), std::string::npos);
        ASSERT_NO_FATAL_FAILURE(Receive(KV_MSG_KIND_CONFIRMATION, row.attribute, row.version));
        job_->CheckRootJob();
        EXPECT_EQ(job_->GetState(), row.state);
        EXPECT_EQ(Statuses(), std::vector<std::string>{row.status});
        EXPECT_EQ(handler_->GetEventMap().WaitEvent(CKvIMSGJobDataHandler::kJobEventOne, 0) != 0,
                  row.state == KV_JOB_STATE_RUNNING);
    }
}

TEST_F(ClientJobTest, AnAcceptedLogonPostsTheSynchronisationAndTheListenJob) {
    for (const bool tapi : {false, true}) {
        SCOPED_TRACE(tapi);
        Fresh();
        ASSERT_NO_FATAL_FAILURE(LogOnAsRequester());
        Posted();
        ASSERT_NO_FATAL_FAILURE(
            Receive(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED)->GetFlagUseTapi().Set(tapi));
        job_->CheckRootJob();
        ASSERT_EQ(job_->GetState(), KV_JOB_STATE_RUNNING);
        EXPECT_EQ(job_->GetIdTarget(), 55u);
        std::vector<std::pair<std::int32_t, std::int32_t>> intake;
        for (auto& [endpoint, message] : Posted()) {
            if (endpoint != KV_ENDPOINT_JOB_INTAKE)
                continue;
            intake.emplace_back(message->GetPayloadType(), message->GetKind());
            EXPECT_EQ(message->GetSourceJobId(), 0u);
            auto* job = JobFromPayload(message->GetPayload());
            EXPECT_EQ(job->GetPeerComputer().GetPort(), 4100u);
            EXPECT_EQ(job->GetLocalComputer().GetPort(), 4000u);
        }
        const std::int32_t listen = tapi ? K_KVJBDT_TP_TAPI_LISTEN : K_KVJBDT_TP_LISTEN2;
        EXPECT_EQ(intake,
                  (std::vector<std::pair<std::int32_t, std::int32_t>>{
                      {K_KVJBDT_TP_SYNCHRONIZE, KV_MSG_KIND_INFO}, {listen, KV_MSG_KIND_REQUEST}}));
    }
}

TEST_F(ClientJobTest, ALoggedOnRequesterKeepsAliveAndAnnouncesItsStop) {
    ASSERT_NO_FATAL_FAILURE(LogOnAsRequester());
    ASSERT_NO_FATAL_FAILURE(Receive(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED));
    job_->CheckRootJob();
    Posted();
    clock_.Advance(30000);
    job_->CheckRootJob();
    std::vector<std::pair<std::uint16_t, MessagePtr>> posted = Posted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_NE(SentText(posted[0].second).find("<attribute>ALIVE</attribute>"), std::string::npos);
    ASSERT_NO_FATAL_FAILURE(Receive(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ALIVE));
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_RUNNING);

    job_->ChangeState(KV_JOB_STATE_STOP_REQUESTED);
    job_->CheckRootJob();
    posted = Posted();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_NE(SentText(posted[0].second)
                  .find("<messagetype>INFO</messagetype>"
                        "<attribute>ENDED</attribute><idtarget>55"),
              std::string::npos);
    EXPECT_EQ(static_cast<CKvStampedTextRecord*>(posted[1].second->GetPayload())->text,
              "UIObjString_Status_INFO_SERVER_notconnected");
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_FINISHED);
    EXPECT_FALSE(handler_->GetEventMap().WaitEvent(CKvIMSGJobDataHandler::kJobEventOne, 0));
}

TEST_F(ClientJobTest, TheRequesterConfirmsAServersEndToTheServersJob) {
    ASSERT_NO_FATAL_FAILURE(LogOnAsRequester());
    ASSERT_NO_FATAL_FAILURE(Receive(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED));
    job_->CheckRootJob();
    ASSERT_EQ(job_->GetState(), KV_JOB_STATE_RUNNING);
    Posted();
    ASSERT_NO_FATAL_FAILURE(Receive(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_ENDED));
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
    const std::string own = std::to_string(job_->GetJobId());
    std::vector<std::string> texts;
    for (auto& [endpoint, message] : Posted()) {
        if (endpoint == KV_ENDPOINT_NETWORK)
            texts.push_back(SentText(message));
    }
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("<messagetype>CONFIRMATION</messagetype><attribute>ENDED</attribute>"
                            "<idtarget>55</idtarget><idsource>" +
                            own + "</idsource>"),
              std::string::npos);
    EXPECT_EQ(job_->GetIdTarget(), 55u);
}

// ---- Executor ----

class ClientExecutorTest : public ClientJobTest {
protected:
    // A received logon from ws1 at 127.0.0.1:4100.
    void Receive(const char* version = "17499913") {
        job_->SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 0, 55);
        job_->SetSubType(K_KVJBDT_TP_CLIENT);
        job_->SetVersion(version);
        job_->GetPeerComputer().Set("ws1", kLoopbackAddress, 4100);
        ASSERT_NO_FATAL_FAILURE(File(KV_TRANSPORT_REMOTE_PEER));
    }
    // The texts sent to the peer, by attribute name.
    std::vector<std::string> Answers(std::vector<std::pair<std::uint16_t, MessagePtr>>& posted) {
        std::vector<std::string> answers;
        for (auto& [endpoint, message] : posted) {
            if (endpoint != KV_ENDPOINT_NETWORK)
                continue;
            const std::string text = SentText(message);
            const std::size_t at = text.find("<attribute>") + 11;
            answers.push_back(text.substr(at, text.find('<', at) - at));
        }
        return answers;
    }
    // The received logon through the settings to its host record, which
    // accepts every user or not.
    void AnswerWithHost(bool accept_all) {
        handler_->Signal();
        job_->StepExecutor();
        job_->StepExecutor();
        Deliver<CKvDataGeneral>(*job_, K_KVDT_TP_DTHDLR_DATAGENERAL, KV_MSG_KIND_CONFIRMATION,
                                KV_MSG_ATTR_DATA_FOUND);
        job_->StepExecutor();
        ASSERT_EQ(job_->GetState(), CKvJobDataClient::kStateHost);
        Deliver<CKvDataHost>(*job_, K_KVDT_TP_DTHDLR_DATACOMPUTER, KV_MSG_KIND_CONFIRMATION,
                             KV_MSG_ATTR_DATA_FOUND)
            ->SetFlagAcceptAllUser(accept_all);
        job_->StepExecutor();
    }
    // Up to the server user's request.
    void ReachServerUser() {
        ASSERT_NO_FATAL_FAILURE(Receive());
        ASSERT_NO_FATAL_FAILURE(AnswerWithHost(false));
        ASSERT_EQ(job_->GetState(), CKvJobDataClient::kStateUserLogon);
        Posted();
    }
    // The received logon served (state 10) by a host that accepts all users.
    void Serve() {
        ASSERT_NO_FATAL_FAILURE(AnswerWithHost(true));
        ASSERT_EQ(job_->GetState(), KV_JOB_STATE_RUNNING);
        Posted();
    }
    CKvDataServerUser* AnswerUser(std::int32_t attribute, bool listed = true) {
        auto* user = Deliver<CKvDataServerUser>(*job_, K_KVDT_TP_DTHDLR_DATASERVERUSER,
                                                KV_MSG_KIND_CONFIRMATION, attribute);
        COMPUTER_IDENT* entry = nullptr;
        if (listed)
            user->GetComputerIdentList().Add(entry, "", kLoopbackAddress, 0);
        return user;
    }
};

TEST_F(ClientExecutorTest, WithoutTheServerReadySignalTheLogonEndsSilently) {
    ASSERT_NO_FATAL_FAILURE(Receive());
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
    EXPECT_TRUE(Posted().empty());
}

TEST_F(ClientExecutorTest, AClientAtTheLowestVersionGoesOnToTheSettings) {
    for (const char* version : {"17499906", "17499913"}) {
        SCOPED_TRACE(version);
        Fresh();
        ASSERT_NO_FATAL_FAILURE(Receive(version));
        handler_->Signal();
        job_->StepExecutor();
        EXPECT_EQ(job_->GetState(), CKvJobDataClient::kStateGeneral);
        EXPECT_TRUE(Posted().empty());
    }
}

TEST_F(ClientExecutorTest, AnOldClientIsRefused) {
    ASSERT_NO_FATAL_FAILURE(Receive("17499905"));
    handler_->Signal();
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
    auto posted = Posted();
    EXPECT_EQ(Answers(posted), std::vector<std::string>{"REFUSED"});
    EXPECT_NE(SentText(posted[0].second).find("<idtarget>55</idtarget>"), std::string::npos);
}

TEST_F(ClientExecutorTest, AHostThatAcceptsAllUsersLogsOnWithoutTheUserRecord) {
    ASSERT_NO_FATAL_FAILURE(Receive());
    handler_->Signal();
    job_->StepExecutor();
    ASSERT_EQ(job_->GetState(), CKvJobDataClient::kStateGeneral);
    job_->StepExecutor();
    Deliver<CKvDataGeneral>(*job_, K_KVDT_TP_DTHDLR_DATAGENERAL, KV_MSG_KIND_CONFIRMATION,
                            KV_MSG_ATTR_DATA_FOUND)
        ->GetFlagUseTapi()
        .Set(1);
    job_->StepExecutor();
    EXPECT_TRUE(job_->GetFlagUseTapi().IsTrue());
    Deliver<CKvDataHost>(*job_, K_KVDT_TP_DTHDLR_DATACOMPUTER, KV_MSG_KIND_CONFIRMATION,
                         KV_MSG_ATTR_DATA_FOUND)
        ->SetFlagAcceptAllUser(true);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_RUNNING);
    auto posted = Posted();
    EXPECT_EQ(Answers(posted), std::vector<std::string>{"ACCEPTED"});
    EXPECT_NE(SentText(posted.back().second).find("<flagusetapi>TRUE</flagusetapi>"),
              std::string::npos);
}

TEST_F(ClientExecutorTest, AComputerOutsideTheUsersListOrLoggedOnAlreadyIsRefused) {
    for (const bool listed : {false, true}) {
        SCOPED_TRACE(listed);
        Fresh();
        ASSERT_NO_FATAL_FAILURE(ReachServerUser());
        CKvDataServerUser* user = AnswerUser(KV_MSG_ATTR_DATA_FOUND, listed);
        COMPUTER_IDENT* entry = nullptr;
        if (listed)
            user->GetRuntimeComputerIdentList().Add(entry, "ws1", kLoopbackAddress, 4100);
        job_->StepExecutor();
        EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
        auto posted = Posted();
        EXPECT_EQ(Answers(posted), std::vector<std::string>{"REFUSED"});
    }
}

TEST_F(ClientExecutorTest, ALockedUserIsAskedAgainAndTheRuntimeListFollowsTheLogon) {
    ASSERT_NO_FATAL_FAILURE(ReachServerUser());
    AnswerUser(KV_MSG_ATTR_DATA_FOUND_LOCKED);
    job_->StepExecutor();
    EXPECT_TRUE(Posted().empty());
    clock_.Advance(1000);
    job_->StepExecutor();
    auto posted = Posted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].second->GetAttribute(), KV_MSG_ATTR_LOCK);
    EXPECT_EQ(static_cast<CKvDataServerUser*>(posted[0].second->GetPayload())->GetLoginName(),
              "anna");

    AnswerUser(KV_MSG_ATTR_DATA_FOUND)->SetRuntimeWord(0);
    job_->StepExecutor();
    ASSERT_EQ(job_->GetState(), KV_JOB_STATE_RUNNING);
    EXPECT_EQ(job_->GetNotifyCalls(), 0u);
    posted = Posted();
    EXPECT_EQ(Answers(posted), std::vector<std::string>{"ACCEPTED"});
    ASSERT_EQ(posted.back().first, KV_ENDPOINT_HOST_MAIN);
    EXPECT_EQ(posted.back().second->GetKind(), KV_MSG_KIND_INFO);
    auto* stored = static_cast<CKvDataServerUser*>(posted.back().second->GetPayload());
    ASSERT_EQ(stored->GetRuntimeComputerIdentList().GetCount(), 1u);

    // The logoff: the record again, the caller taken out of its list.
    CKvJobDataClient* logoff =
        Deliver<CKvJobDataClient>(*job_, K_KVJBDT_TP_CLIENT, KV_MSG_KIND_INFO, KV_MSG_ATTR_ENDED);
    logoff->SetSubType(K_KVJBDT_TP_CLIENT);
    logoff->SetHeader(KV_MSG_KIND_INFO, KV_MSG_ATTR_ENDED, job_->GetJobId(), 55);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), CKvJobDataClient::kStateUserLogoff);
    Posted();
    CKvDataServerUser* found = AnswerUser(KV_MSG_ATTR_DATA_FOUND);
    COMPUTER_IDENT* entry = nullptr;
    found->GetRuntimeComputerIdentList().Add(entry, "ws1", kLoopbackAddress, 4100);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
    posted = Posted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].second->GetKind(), KV_MSG_KIND_INFO);
    EXPECT_EQ(static_cast<CKvDataServerUser*>(posted[0].second->GetPayload())
                  ->GetRuntimeComputerIdentList()
                  .GetCount(),
              0u);
}

TEST_F(ClientExecutorTest, ASilentClientIsLoggedOffAfter35Seconds) {
    ASSERT_NO_FATAL_FAILURE(ReachServerUser());
    AnswerUser(KV_MSG_ATTR_DATA_FOUND);
    job_->StepExecutor();
    ASSERT_EQ(job_->GetState(), KV_JOB_STATE_RUNNING);
    clock_.Advance(34000);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_RUNNING);
    clock_.Advance(1000);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), CKvJobDataClient::kStateKeepAliveLost);
    Posted();
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), CKvJobDataClient::kStateUserLogoff);
    COMPUTER_IDENT* entry = nullptr;
    AnswerUser(KV_MSG_ATTR_DATA_FOUND)
        ->GetRuntimeComputerIdentList()
        .Add(entry, "ws1", kLoopbackAddress, 4100);
    job_->StepExecutor();
    auto posted = Posted();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(static_cast<CKvDataServerUser*>(posted[1].second->GetPayload())
                  ->GetRuntimeComputerIdentList()
                  .GetCount(),
              0u);
}

TEST_F(ClientExecutorTest, TheEndOfAServedLogonStopsTheListenJobOfItsPeerOnly) {
    // A logon refused before it was served names its peer as any text may:
    // its end stops no listen job.
    for (const bool served : {false, true}) {
        SCOPED_TRACE(served);
        Fresh();
        ASSERT_NO_FATAL_FAILURE(Receive());
        auto* own = new CKvJobDataListen2;
        own->GetPeerComputer().Set("ws1", kLoopbackAddress, 4100);
        auto* other = new CKvJobDataListen2;
        other->GetPeerComputer().Set("ws2", kLoopbackAddress, 4200);
        ASSERT_EQ(handler_->AddJob(other), KV_OK);
        ASSERT_EQ(handler_->AddJob(own), KV_OK);
        if (served) {
            ASSERT_NO_FATAL_FAILURE(Serve());
        }
        job_->ChangeState(KV_JOB_STATE_CLEANUP);
        job_->StepExecutor();
        EXPECT_EQ(job_->GetState(), KV_JOB_STATE_FINISHED);
        EXPECT_EQ(own->GetState(), served ? KV_JOB_STATE_STOP_REQUESTED : KV_JOB_STATE_START);
        EXPECT_EQ(other->GetState(), KV_JOB_STATE_START);
    }
}

TEST_F(ClientExecutorTest, TheRequestersEndIsConfirmedToTheRequestersJob) {
    ASSERT_NO_FATAL_FAILURE(Receive());
    ASSERT_NO_FATAL_FAILURE(Serve());
    const std::string own = std::to_string(job_->GetJobId());
    auto* end = Deliver<CKvJobDataClient>(*job_, K_KVJBDT_TP_CLIENT, KV_MSG_KIND_REQUEST,
                                          KV_MSG_ATTR_ENDED);
    end->SetSubType(K_KVJBDT_TP_CLIENT);
    end->SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_ENDED, job_->GetJobId(), 55);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), CKvJobDataClient::kStateUserLogoff);
    auto posted = Posted();
    ASSERT_EQ(Answers(posted), std::vector<std::string>{"ENDED"});
    for (auto& [endpoint, message] : posted) {
        if (endpoint == KV_ENDPOINT_NETWORK) {
            EXPECT_NE(SentText(message).find("<messagetype>CONFIRMATION</messagetype>"
                                             "<attribute>ENDED</attribute><idtarget>55</idtarget>"
                                             "<idsource>" +
                                             own + "</idsource>"),
                      std::string::npos)
                << SentText(message);
        }
    }
}

TEST_F(ClientExecutorTest, AnEndNeverStopsTheServersOwnListenJob) {
    // The server's own listen job has no peer (key 0), as has a caller whose
    // logon named no computer.
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named);
        Fresh();
        ASSERT_NO_FATAL_FAILURE(Receive());
        if (!named)
            job_->GetPeerComputer() = COMPUTER_IDENT();
        auto* server_own = new CKvJobDataListen2;
        server_own->SetVariant(1);
        if (named)
            server_own->GetPeerComputer() = job_->GetPeerComputer();
        auto* unnamed = new CKvJobDataListen2;
        ASSERT_EQ(handler_->AddJob(server_own), KV_OK);
        ASSERT_EQ(handler_->AddJob(unnamed), KV_OK);
        ASSERT_NO_FATAL_FAILURE(Serve());
        job_->ChangeState(KV_JOB_STATE_CLEANUP);
        job_->StepExecutor();
        EXPECT_EQ(job_->GetState(), KV_JOB_STATE_FINISHED);
        EXPECT_EQ(server_own->GetState(), KV_JOB_STATE_START);
        EXPECT_EQ(unnamed->GetState(), KV_JOB_STATE_START);
    }
}

} // namespace
