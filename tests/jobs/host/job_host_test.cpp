#include "jobs/host/job_host.h"

#include "data/data_host.h"
#include "data/data_user.h"
#include "framework/connection_objects.h"
#include "jobs/host/host_test_support.h"
#include "jobs/job_data_client2.h"
#include "jobs/jobs_test_support.h"
#include "platform/clock.h"

namespace {

constexpr std::uint32_t kLimitMs = 10000;
constexpr std::uint32_t kSettleMs = 200;

// The two hosts, with the server's DATAHOST left to each test.
class Client2LoopbackTest : public TwoHostsTest {
protected:
    void StoreHost(bool accept_all) {
        auto host = std::make_unique<CKvDataHost>();
        host->GetHost().Set("localhost", kLoopbackAddress, 0);
        host->SetFlagAcceptAllUser(accept_all);
        server_.GetRecordService().StoreRecord(std::move(host), K_KVDT_TP_DTHDLR_DATACOMPUTER);
    }
    void StoreUser(const char* screen_name) {
        auto user = std::make_unique<CKvDataUser>();
        std::string name = screen_name;
        user->SetScreenName(name);
        server_.GetRecordService().StoreRecord(std::move(user), K_KVDT_TP_DTHDLR_DATAUSER);
    }

    CKvJobDataClient2* Client() {
        return static_cast<CKvJobDataClient2*>(workstation_.FindJob(client_id_));
    }
    // The server's CLIENT2 job, or null.
    CKvJobData* Executor() {
        return static_cast<CKvJobData*>(server_.GetHandler().FirstJob(K_KVJBDT_TP_CLIENT2));
    }
    std::uint32_t ExecutorState() { return Executor() ? Executor()->GetState() : 99; }

    bool RunOnly(JobHost& host, const std::function<bool()>& predicate) {
        return RunHosts({&host}, predicate, kLimitMs);
    }
    // Pumps a host a while to show that nothing happens.
    void Settle(JobHost& host) {
        RunHosts(
            {&host}, [] { return false; }, kSettleMs);
    }
    void StartLogon() {
        ASSERT_EQ(workstation_.StartLogon("127.0.0.1", server_.GetPort(), "anna", client_id_),
                  KV_OK);
    }
    void LogOn() {
        ASSERT_NO_FATAL_FAILURE(StartLogon());
        ASSERT_TRUE(Run([&] {
            return Client() && Client()->GetState() == KV_JOB_STATE_RUNNING &&
                   ExecutorState() == KV_JOB_STATE_RUNNING;
        }));
    }
    bool EventOneSet() {
        return workstation_.GetHandler().GetEventMap().WaitEvent(
                   CKvIMSGJobDataHandler::kJobEventOne, 0) != 0;
    }
    std::size_t Count(const JobHost& host, std::uint16_t endpoint, std::int32_t kind,
                      std::int32_t payload_type) {
        std::size_t count = 0;
        for (const HostServiceEntry& entry : host.GetServiceLog())
            count += entry.endpoint == endpoint && entry.kind == kind &&
                     entry.payload_type == payload_type;
        return count;
    }

    std::uint32_t client_id_ = 0;
};

TEST_F(Client2LoopbackTest, AnAcceptingHostLogsTheClientOn) {
    StoreHost(true);
    ASSERT_NO_FATAL_FAILURE(LogOn());
    EXPECT_TRUE(EventOneSet());
    CKvJobData* executor = Executor();
    EXPECT_EQ(Client()->GetIdTarget(), executor->GetJobId());
    EXPECT_EQ(executor->GetIdSource(), client_id_);
    EXPECT_EQ(executor->GetLoginName(), "anna");
    EXPECT_EQ(executor->GetPeerComputer().GetPort(), workstation_.GetPort());
    // The host record was asked for; the workstation reported the logon.
    const std::vector<HostServiceEntry> asked = server_.GetServiceLog(KV_ENDPOINT_HOST_MAIN);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].payload_type, K_KVDT_TP_DTHDLR_DATACOMPUTER);
    EXPECT_EQ(asked[0].job_ids[1], executor->GetJobId());
    EXPECT_TRUE(Run([&] {
        return Count(workstation_, KV_ENDPOINT_HOST_MAIN, KV_MSG_KIND_INFO,
                     K_KVDT_TP_DTHDLR_DATAUSER) == 1;
    }));
    EXPECT_EQ(server_.GetReceiveLog().size(), 1u);
    EXPECT_EQ(workstation_.GetReceiveLog().size(), 1u);
}

TEST_F(Client2LoopbackTest, AnUnknownHostEndsBothSides) {
    ASSERT_NO_FATAL_FAILURE(StartLogon());
    ASSERT_TRUE(Run([&] { return Executor() == nullptr && server_.GetReceivedCount() == 1; }));
    clock_.Advance(20000);
    ASSERT_TRUE(Run([&] { return Client() == nullptr; }));
    EXPECT_FALSE(EventOneSet());
}

TEST_F(Client2LoopbackTest, AUserCheckedLogonCompletesWhenTheUserIsFound) {
    StoreHost(false);
    StoreUser("anna");
    ASSERT_NO_FATAL_FAILURE(LogOn());
    const std::vector<HostServiceEntry> asked = server_.GetServiceLog(KV_ENDPOINT_HOST_MAIN);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].payload_type, K_KVDT_TP_DTHDLR_DATAUSER);
    EXPECT_EQ(asked[1].attribute, KV_MSG_ATTR_LOCK);
}

TEST_F(Client2LoopbackTest, ALockedUserIsAskedForAgainAfterASecond) {
    StoreHost(false);
    StoreUser("anna");
    server_.GetRecordService().ScriptLockedAnswers(K_KVDT_TP_DTHDLR_DATAUSER, 1);
    ASSERT_NO_FATAL_FAILURE(StartLogon());
    ASSERT_TRUE(Run([&] { return server_.GetServiceLog(KV_ENDPOINT_HOST_MAIN).size() == 2; }));
    ASSERT_TRUE(Run([&] { return Executor() && Executor()->GetIncomingQueue().IsEmpty(); }));
    EXPECT_EQ(ExecutorState(), 2u);
    clock_.Advance(1000);
    ASSERT_TRUE(Run([&] { return Client() && Client()->GetState() == KV_JOB_STATE_RUNNING; }));
    EXPECT_EQ(server_.GetServiceLog(KV_ENDPOINT_HOST_MAIN).size(), 3u);
    EXPECT_EQ(ExecutorState(), KV_JOB_STATE_RUNNING);
}

TEST_F(Client2LoopbackTest, AnUnknownUserIsRefused) {
    StoreHost(false);
    StoreUser("bert");
    ASSERT_NO_FATAL_FAILURE(StartLogon());
    ASSERT_TRUE(Run([&] { return Client() == nullptr && Executor() == nullptr; }));
    EXPECT_EQ(workstation_.GetReceiveLog().size(), 1u);
    EXPECT_FALSE(EventOneSet());
}

TEST_F(Client2LoopbackTest, TheClientKeepsTheLogonAliveEvery30Seconds) {
    StoreHost(true);
    ASSERT_NO_FATAL_FAILURE(LogOn());
    for (int round = 1; round <= 2; ++round) {
        clock_.Advance(30000);
        ASSERT_TRUE(Run([&] { return workstation_.GetReceivedCount() == 1u + round; }));
        EXPECT_EQ(server_.GetReceiveLog().size(), 1u + round);
    }
    // Each ALIVE restarts the executor's watchdog: 60 s after logon it runs.
    EXPECT_EQ(ExecutorState(), KV_JOB_STATE_RUNNING);
    ASSERT_NE(Client(), nullptr);
    EXPECT_EQ(Client()->GetState(), KV_JOB_STATE_RUNNING);
}

TEST_F(Client2LoopbackTest, ASilentServerEndsTheClient20SecondsAfterItsAlive) {
    StoreHost(true);
    ASSERT_NO_FATAL_FAILURE(LogOn());
    server_.Stop();
    clock_.Advance(30000);
    ASSERT_TRUE(RunOnly(workstation_, [&] {
        return Client() && Client()->GetTimers().IsRunning(CKvJobData::kAnswerTimerId);
    }));
    clock_.Advance(19999);
    Settle(workstation_);
    EXPECT_NE(Client(), nullptr);
    clock_.Advance(1);
    ASSERT_TRUE(RunOnly(workstation_, [&] { return Client() == nullptr; }));
    EXPECT_FALSE(EventOneSet());
}

TEST_F(Client2LoopbackTest, ASilentClientEndsTheExecutor35SecondsAfterLogon) {
    StoreHost(true);
    ASSERT_NO_FATAL_FAILURE(LogOn());
    workstation_.Stop();
    clock_.Advance(34999);
    Settle(server_);
    EXPECT_EQ(ExecutorState(), KV_JOB_STATE_RUNNING);
    clock_.Advance(1);
    ASSERT_TRUE(RunOnly(server_, [&] { return Executor() == nullptr; }));
}

TEST_F(Client2LoopbackTest, AnAnnouncedLogoffReportsTheUserToTheServersHost) {
    StoreHost(true);
    StoreUser("anna");
    ASSERT_NO_FATAL_FAILURE(LogOn());
    workstation_.Logoff(true);
    ASSERT_TRUE(Run([&] { return Client() == nullptr && Executor() == nullptr; }));
    EXPECT_EQ(server_.GetReceiveLog().size(), 2u);
    EXPECT_EQ(Count(server_, KV_ENDPOINT_HOST_MAIN, KV_MSG_KIND_INFO, K_KVDT_TP_DTHDLR_DATAUSER),
              1u);
    EXPECT_FALSE(EventOneSet());
}

TEST_F(Client2LoopbackTest, TheExecutorWaitsForTheLogoffRecordAtMost20Seconds) {
    StoreHost(true);
    ASSERT_NO_FATAL_FAILURE(LogOn());
    server_.GetRecordService().SetSilent(true);
    workstation_.Logoff(true);
    ASSERT_TRUE(Run([&] { return Client() == nullptr && ExecutorState() == 3; }));
    clock_.Advance(19999);
    Settle(server_);
    EXPECT_EQ(ExecutorState(), 3u);
    clock_.Advance(1);
    ASSERT_TRUE(RunOnly(server_, [&] { return Executor() == nullptr; }));
}

TEST_F(Client2LoopbackTest, AnUnannouncedLogoffLeavesTheServerToItsWatchdog) {
    StoreHost(true);
    ASSERT_NO_FATAL_FAILURE(LogOn());
    workstation_.Logoff(false);
    ASSERT_TRUE(Run([&] { return Client() == nullptr; }));
    EXPECT_EQ(server_.GetReceiveLog().size(), 1u);
    EXPECT_EQ(ExecutorState(), KV_JOB_STATE_RUNNING);
    clock_.Advance(35000);
    ASSERT_TRUE(Run([&] { return Executor() == nullptr; }));
}

// ---- The host's own services ----

class JobHostServiceTest : public ::testing::Test {
protected:
    JobHostServiceTest() {
        RegisterAllPayloads();
        EXPECT_EQ(host_.Start("127.0.0.1"), KV_OK);
    }
    // A message posted through the host's router to one of its endpoints.
    CKvMessage* NewMessage(std::int32_t kind, std::int32_t payload_type) {
        CKvMessage* message = nullptr;
        void* payload = nullptr;
        host_.GetRouter().CreateMessageWithPayload(message, payload, payload_type);
        message->SetKindAndCommand(kind, 1, 5);
        return message;
    }
    bool Pump(const std::function<bool()>& predicate) {
        return RunHosts({&host_, &peer_}, predicate, kLimitMs);
    }

    JobHost host_{true};
    JobHost peer_{true};
};

TEST_F(JobHostServiceTest, TheNetworkServiceSendsTextsAndProbesAddresses) {
    ASSERT_EQ(peer_.Start("127.0.0.1"), KV_OK);
    CKvMessage* send = NewMessage(KV_MSG_KIND_INFO, KV_PAYLOAD_TYPED_OBJECT42);
    auto* request = static_cast<CKvTypedObject42*>(send->GetPayload());
    request->SetData("127.0.0.1", peer_.GetPort(), "<Other/>", 2000);
    request->SetState(1);
    ASSERT_EQ(send->Send(KV_ENDPOINT_NETWORK, 0x901, &host_.GetRouter(), 1, true, false), KV_OK);
    ASSERT_TRUE(Pump([&] { return peer_.GetReceivedCount() == 1; }));
    EXPECT_EQ(peer_.GetReceiveLog()[0], JobTextResult::kNoJobData);

    // A probe is answered to its source endpoint: reached, with the port of
    // this host's listener, or not.
    auto queue = std::make_shared<MessageQueue>();
    const DWORD queue_id = RegisterMessageQueue(queue);
    ASSERT_EQ(host_.GetRouter().RegisterThread(0x901, queue_id, "probe"), KV_OK);
    for (const bool reachable : {true, false}) {
        SCOPED_TRACE(reachable);
        CKvMessage* probe = NewMessage(KV_MSG_KIND_REQUEST, KV_PAYLOAD_TYPED_OBJECT42);
        auto* data = static_cast<CKvTypedObject42*>(probe->GetPayload());
        data->SetData("127.0.0.1", reachable ? peer_.GetPort() : 1, "", 500);
        data->SetState(3);
        ASSERT_EQ(probe->Send(KV_ENDPOINT_NETWORK, 0x901, &host_.GetRouter(), 2, true, false),
                  KV_OK);
        ASSERT_TRUE(Pump([&] { return queue->HasMessage(); }));
        ThreadMessage posted;
        queue->GetMessage(posted);
        MessagePtr answer = Own(reinterpret_cast<CKvMessage*>(posted.lParam));
        EXPECT_EQ(answer->GetKind(), KV_MSG_KIND_CONFIRMATION);
        EXPECT_EQ(answer->GetAttribute(), reachable ? KV_MSG_ATTR_SUCCEEDED : KV_MSG_ATTR_FAILED);
        if (reachable) {
            EXPECT_EQ(static_cast<CKvTypedObject42*>(answer->GetPayload())->GetValue(),
                      host_.GetPort());
        }
    }
    host_.GetRouter().Unregister(0x901);
    UnregisterMessageQueue(queue_id);
}

TEST_F(JobHostServiceTest, JobsPostedToTheIntakeAreFiledAndCallRequestsAccepted) {
    CKvMessage* posted = NewMessage(KV_MSG_KIND_REQUEST, K_KVJBDT_TP_CLIENT2);
    ASSERT_EQ(posted->Send(KV_ENDPOINT_JOB_INTAKE, 0x901, &host_.GetRouter(), 1, true, false),
              KV_OK);
    ASSERT_TRUE(Pump([&] { return host_.GetHandler().CountJobs(K_KVJBDT_TP_CLIENT2) == 1; }));
    auto* job = static_cast<CKvJobData*>(host_.GetHandler().FirstJob(K_KVJBDT_TP_CLIENT2));
    EXPECT_EQ(job->GetCarryingMessage(), posted);

    CKvMessage* call = NewMessage(KV_MSG_KIND_REQUEST, K_KVDT_TP_DTHDLR_DATACALL);
    ASSERT_EQ(call->Send(KV_ENDPOINT_CALL_WINDOW, KV_ENDPOINT_HOST_STATUS, &host_.GetRouter(), 1,
                         true, false),
              KV_OK);
    ASSERT_TRUE(Pump([&] { return host_.GetServiceLog(KV_ENDPOINT_HOST_STATUS).size() == 1; }));
    EXPECT_EQ(host_.GetServiceLog(KV_ENDPOINT_HOST_STATUS)[0].attribute, KV_MSG_ATTR_ACCEPTED);
}

TEST_F(JobHostServiceTest, TextsForNoJobAreReleased) {
    CKvJobDataClient2 job;
    job.SetHeader(KV_MSG_KIND_INFO, KV_MSG_ATTR_ENDED, 0, 5);
    std::string text;
    ASSERT_EQ(job.Serialize(text), KV_OK);
    EXPECT_EQ(host_.HandleText(text), JobTextResult::kAccepted);
    job.SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_ALIVE, 12345, 5);
    ASSERT_EQ(job.Serialize(text), KV_OK);
    EXPECT_EQ(host_.HandleText(text), JobTextResult::kAccepted);
    EXPECT_EQ(host_.GetHandler().CountJobs(0), 0u);
}

} // namespace

TEST(JobHost, HostsJoinedWithinOneProcessLogOnThroughTheirSendHooks) {
    RegisterAllPayloads();
    ManualClock clock(1700000000);
    ScopedClock scoped_clock(clock);
    FixedLocalIdentitySource identity("anna", "localhost", {kLoopbackAddress});
    ScopedLocalIdentitySource scoped_identity(identity);
    JobHost server(true);
    JobHost workstation(false);
    StoreAcceptingHost(server);
    std::vector<std::pair<JobHost*, std::string>> sent;
    server.SetSendHook([&](const std::string& host, std::uint32_t port, const std::string& text) {
        sent.emplace_back(&workstation, text);
        return host == "127.0.0.1" && port == 4100 ? KV_OK : KV_E_SOCKET_CONNECT;
    });
    workstation.SetSendHook([&](const std::string&, std::uint32_t port, const std::string& text) {
        sent.emplace_back(&server, text);
        return port == 4000 ? KV_OK : KV_E_SOCKET_CONNECT;
    });
    ASSERT_EQ(server.StartInProcess(), KV_OK);
    ASSERT_EQ(workstation.StartInProcess(), KV_OK);
    EXPECT_EQ(server.GetPort(), 0);
    EXPECT_EQ(server.StartInProcess(), KV_E_FAIL);

    std::uint32_t client = 0;
    ASSERT_EQ(workstation.StartLogon("127.0.0.1", 4000, "anna", client), KV_OK);
    workstation.FindJob(client)->GetPeerComputer().SetPort(4100);
    for (int round = 0; round < 20; ++round) {
        server.PumpOnce();
        workstation.PumpOnce();
        for (auto& [to, text] : std::exchange(sent, {}))
            to->HandleText(text, kLoopbackAddress);
    }
    ASSERT_NE(workstation.FindJob(client), nullptr);
    EXPECT_EQ(workstation.FindJob(client)->GetState(), KV_JOB_STATE_RUNNING);
    EXPECT_EQ(server.GetReceivedCount(), 1u);
    EXPECT_EQ(workstation.GetReceivedCount(), 1u);
    EXPECT_TRUE(server.GetHostLog().empty());
}

TEST(JobHost, AQuittingRootEndsOnlyItsOwnHost) {
    RegisterAllPayloads();
    JobHost host(false);
    JobHost other(false);
    EXPECT_FALSE(host.IsQuitRequested());
    host.GetHandler().PostQuit();
    EXPECT_TRUE(host.IsQuitRequested());
    EXPECT_FALSE(other.IsQuitRequested());
}
