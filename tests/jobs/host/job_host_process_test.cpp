// A server host and a workstation host on 127.0.0.1, each with its root job:
// the logon, the synchronisation of the calls, the listen job across the two
// and the end of both processes.
#include "jobs/host/job_host.h"

#include "capi/capi_payloads.h"
#include "data/data_host.h"
#include "data/data_server_user.h"
#include "jobs/host/host_test_support.h"
#include "jobs/host/logon_records.h"
#include "jobs/job_data_client.h"
#include "jobs/job_data_dial2.h"
#include "jobs/job_data_listen2.h"
#include "jobs/job_data_root.h"
#include "jobs/job_data_tapi_listen.h"
#include "jobs/jobs_test_support.h"
#include "platform/clock.h"

namespace {

constexpr std::uint32_t kLimitMs = 10000;
constexpr std::uint32_t kLastCall = 3900000000u;

class ProcessTest : public TwoHostsTest {
protected:
    ProcessTest() : TwoHostsTest(true) {
        server_.SetWireObserver([this](const std::string& text) { wire_.push_back(text); });
        workstation_.SetWireObserver([this](const std::string& text) { wire_.push_back(text); });
    }

    template <typename Job> Job* First(JobHost& host, std::uint32_t type) {
        return static_cast<Job*>(host.GetHandler().FirstJob(type));
    }
    static std::uint32_t StateOf(const CKvJobData* job) { return job ? job->GetState() : 99; }
    // The server's first listen job of the variant.
    CKvJobDataListen2* ServerListenJob(std::uint32_t variant) {
        const CKvJobMap* jobs = server_.GetHandler().FindJobsOfType(K_KVJBDT_TP_LISTEN2);
        if (jobs == nullptr)
            return nullptr;
        for (const auto& entry : *jobs) {
            auto* job = static_cast<CKvJobDataListen2*>(entry.second);
            if (job->GetVariant() == variant)
                return job;
        }
        return nullptr;
    }
    // The listen executor that serves the workstation.
    CKvJobDataListen2* ServerListenExecutor() { return ServerListenJob(0); }
    // The server's own listen job, the root's.
    CKvJobDataListen2* ServerOwnListenJob() { return ServerListenJob(1); }
    // Sends the job's text to the server from 127.0.0.2; what the server
    // made of it.
    JobTextResult ForgeToServer(CKvJobData& job) {
        std::string text;
        EXPECT_EQ(job.Serialize(text), KV_OK);
        const std::uint64_t received = server_.GetReceivedCount();
        EXPECT_TRUE(SendFrom("127.0.0.2", server_.GetPort(), text));
        EXPECT_TRUE(Run([&] { return server_.GetReceivedCount() == received + 1; }));
        return server_.GetReceiveLog().empty() ? JobTextResult::kNotXml
                                               : server_.GetReceiveLog().back();
    }
    // Both roots running, the workstation logged on and its listen job
    // served.
    void LogOn() {
        StoreServerLogonRecords(server_, "anna", {"21", "22"});
        StoreWorkstationPreferences(workstation_, server_.GetPort(), kLastCall);
        std::uint32_t root = 0;
        ASSERT_EQ(server_.StartRootJob(HostProcessKind::kServer, root), KV_OK);
        ASSERT_EQ(workstation_.StartRootJob(HostProcessKind::kWorkstationWithServer, root), KV_OK);
        ASSERT_TRUE(Run([&] {
            return StateOf(First<CKvJobData>(workstation_, K_KVJBDT_TP_CLIENT)) ==
                       KV_JOB_STATE_RUNNING &&
                   StateOf(ServerListenExecutor()) == KV_JOB_STATE_RUNNING &&
                   StateOf(ServerOwnListenJob()) == KV_JOB_STATE_RUNNING;
        }));
    }
    std::size_t CallsAtTheSink(std::int32_t kind) {
        std::size_t count = 0;
        for (const HostServiceEntry& entry : workstation_.GetServiceLog(KV_ENDPOINT_CALL_WINDOW))
            count += entry.kind == kind && entry.payload_type == K_KVDT_TP_DTHDLR_DATACALL;
        return count;
    }
    std::size_t OnWire(const std::string& part) {
        std::size_t count = 0;
        for (const std::string& text : wire_)
            count += text.find(part) != std::string::npos;
        return count;
    }

    std::vector<std::string> wire_;
};

TEST_F(ProcessTest, AWorkstationLogsOnSynchronisesListensAndBothProcessesEnd) {
    StoreServerLogonRecords(server_, "anna", {"21", "22"});
    for (std::uint32_t offset : {10u, 20u, 30u})
        StoreCall(server_, kLastCall + offset, 0, "21");
    StoreWorkstationPreferences(workstation_, server_.GetPort(), kLastCall);
    StoreCall(workstation_, kLastCall + 20, 0, "21"); // the journal knows this one
    std::uint32_t server_root = 0;
    std::uint32_t workstation_root = 0;
    ASSERT_EQ(server_.StartRootJob(HostProcessKind::kServer, server_root), KV_OK);
    ASSERT_EQ(workstation_.StartRootJob(HostProcessKind::kWorkstationWithServer, workstation_root),
              KV_OK);

    // The logon, the calls the journal lacks and the listen job.
    ASSERT_TRUE(Run([&] {
        return StateOf(First<CKvJobData>(workstation_, K_KVJBDT_TP_CLIENT)) ==
                   KV_JOB_STATE_RUNNING &&
               StateOf(First<CKvJobData>(workstation_, K_KVJBDT_TP_LISTEN2)) ==
                   KV_JOB_STATE_RUNNING &&
               StateOf(ServerListenExecutor()) == KV_JOB_STATE_RUNNING &&
               server_.GetHandler().CountJobs(K_KVJBDT_TP_SYNCHRONIZE) == 0 &&
               workstation_.GetHandler().CountJobs(K_KVJBDT_TP_SYNCHRONIZE) == 0;
    }));
    EXPECT_EQ(server_.GetHandler().GetRootJobId(), server_root);
    EXPECT_EQ(workstation_.GetHandler().GetRootJobId(), workstation_root);
    EXPECT_EQ(CallsAtTheSink(KV_MSG_KIND_INFO), 2u);
    EXPECT_EQ(OnWire("K_KVJBDT_TP_SYNCHRONIZE\"><messagetype>CONFIRMATION</messagetype>"
                     "<attribute>DATA_FOUND</attribute>"),
              3u);
    auto* server_user = static_cast<CKvDataServerUser*>(
        server_.GetRecordService().FindStoredRecord(K_KVDT_TP_DTHDLR_DATASERVERUSER));
    ASSERT_NE(server_user, nullptr);
    EXPECT_EQ(server_user->GetRuntimeComputerIdentList().GetCount(), 1u);
    const std::vector<HostServiceEntry> statuses =
        workstation_.GetServiceLog(KV_ENDPOINT_HOST_STATUS);
    EXPECT_NE(std::find_if(statuses.begin(), statuses.end(),
                           [](const HostServiceEntry& entry) {
                               return entry.text == "UIObjString_Status_EMPTY";
                           }),
              statuses.end());

    // A call at the server's line reaches the workstation's call sink.
    const std::uint32_t manager = ServerListenExecutor()->GetPartnerJobId();
    ASSERT_TRUE(server_.GetCapiService().ScriptListenNotification(manager, "0301234", "21"));
    ASSERT_TRUE(Run([&] { return CallsAtTheSink(KV_MSG_KIND_REQUEST) == 1; }));

    // The keep-alive.
    clock_.Advance(30000);
    ASSERT_TRUE(Run([&] { return OnWire("<attribute>ALIVE</attribute>") == 2; }));
    EXPECT_EQ(OnWire("<messagetype>CONFIRMATION</messagetype><attribute>ALIVE"), 1u);

    // The workstation stops: both logons end on the server.
    workstation_.Shutdown();
    ASSERT_TRUE(Run([&] {
        return workstation_.IsQuitRequested() &&
               server_.GetHandler().CountJobs(K_KVJBDT_TP_CLIENT) == 0 &&
               ServerListenExecutor() == nullptr &&
               !server_.GetCapiService().GetShutdowns().empty() &&
               OnWire("<messagetype>INFO</messagetype><attribute>ENDED</attribute>") >= 2;
    }));
    EXPECT_EQ(OnWire("K_KVJBDT_TP_CLIENT\"><messagetype>INFO</messagetype><attribute>ENDED"), 1u);
    const std::vector<std::uint32_t>& shutdowns = server_.GetCapiService().GetShutdowns();
    EXPECT_NE(std::find(shutdowns.begin(), shutdowns.end(), manager), shutdowns.end());

    server_user = static_cast<CKvDataServerUser*>(
        server_.GetRecordService().FindStoredRecord(K_KVDT_TP_DTHDLR_DATASERVERUSER));
    EXPECT_EQ(server_user->GetRuntimeComputerIdentList().GetCount(), 0u);
    EXPECT_EQ(workstation_.GetHandler().GetRootJobId(), 0u);

    // Then the server.
    server_.Shutdown();
    ASSERT_TRUE(Run([&] { return server_.IsQuitRequested(); }));
    EXPECT_EQ(server_.GetHandler().GetRootJobId(), 0u);
}

TEST_F(ProcessTest, WorkstationsEndedOneAfterAnotherOnOnePortEachLogOffAtTheServer) {
    constexpr int kWorkstations = 20;
    constexpr const char* kRefused = "UIObjString_Status_INFO_SERVER_refused0";
    StoreServerLogonRecords(server_, "anna", {"21"});
    std::uint32_t root = 0;
    ASSERT_EQ(server_.StartRootJob(HostProcessKind::kServer, root), KV_OK);
    // Each workstation in turn listens on the port of the fixture's, which
    // steps aside: the server would refuse a logon from an address and port
    // whose session it still holds.
    const std::uint16_t port = workstation_.GetPort();
    workstation_.Stop();
    for (int i = 0; i < kWorkstations; ++i) {
        SCOPED_TRACE(i);
        JobHost workstation(false);
        ASSERT_EQ(workstation.Start("127.0.0.1", port), KV_OK);
        StoreWorkstationPreferences(workstation, server_.GetPort(), kLastCall);
        ASSERT_EQ(workstation.StartRootJob(HostProcessKind::kWorkstationWithServer, root), KV_OK);
        const auto refused = [&] {
            for (const HostServiceEntry& entry : workstation.GetServiceLog(KV_ENDPOINT_HOST_STATUS))
                if (entry.text == kRefused)
                    return true;
            return false;
        };
        // Logged on, with its listen job served, and the server holding this
        // session only.
        ASSERT_TRUE(RunHosts(
            {&server_, &workstation},
            [&] {
                return refused() ||
                       (StateOf(First<CKvJobData>(workstation, K_KVJBDT_TP_CLIENT)) ==
                            KV_JOB_STATE_RUNNING &&
                        StateOf(First<CKvJobData>(workstation, K_KVJBDT_TP_LISTEN2)) ==
                            KV_JOB_STATE_RUNNING &&
                        server_.GetHandler().CountJobs(K_KVJBDT_TP_CLIENT) == 1 &&
                        server_.GetHandler().CountJobs(K_KVJBDT_TP_LISTEN2) == 2 &&
                        StateOf(ServerListenExecutor()) == KV_JOB_STATE_RUNNING);
            },
            kLimitMs));
        ASSERT_FALSE(refused());
        // Ended as a program ends it: its last texts are then only handed to
        // its senders.
        workstation.Shutdown();
        for (int pump = 0; pump < 1000 && !workstation.IsQuitRequested(); ++pump)
            workstation.PumpOnce();
        ASSERT_TRUE(workstation.IsQuitRequested());
        workstation.Stop();
    }
    // The clock has not moved: no watchdog ended a session.
    EXPECT_TRUE(Run([&] {
        return server_.GetHandler().CountJobs(K_KVJBDT_TP_CLIENT) == 0 &&
               server_.GetHandler().CountJobs(K_KVJBDT_TP_LISTEN2) == 1;
    }));
    EXPECT_NE(ServerOwnListenJob(), nullptr);
}

TEST_F(ProcessTest, ALogonThatReachesTheServerBeforeItsRootRunsIsAnsweredOnceItRuns) {
    StoreServerLogonRecords(server_, "anna", {"21", "22"});
    StoreWorkstationPreferences(workstation_, server_.GetPort(), kLastCall);
    std::uint32_t server_root = 0;
    std::uint32_t workstation_root = 0;
    ASSERT_EQ(server_.StartRootJob(HostProcessKind::kServer, server_root), KV_OK);
    ASSERT_EQ(workstation_.StartRootJob(HostProcessKind::kWorkstationWithServer, workstation_root),
              KV_OK);
    // The connection's probe and the logon wait at the server, whose root
    // has not been stepped.
    ASSERT_TRUE(RunHosts(
        {&workstation_}, [&] { return server_.GetWaitingTextCount() == 2; }, kLimitMs));
    EXPECT_EQ(StateOf(server_.FindJob(server_root)), KV_JOB_STATE_START);

    // The clock stands still: the workstation's first logon is the one
    // answered, with no second attempt.
    ASSERT_TRUE(Run([&] {
        return StateOf(First<CKvJobData>(workstation_, K_KVJBDT_TP_CLIENT)) ==
                   KV_JOB_STATE_RUNNING &&
               StateOf(First<CKvJobData>(server_, K_KVJBDT_TP_CLIENT)) == KV_JOB_STATE_RUNNING;
    }));
    EXPECT_EQ(OnWire("K_KVJBDT_TP_CLIENT\"><messagetype>REQUEST</messagetype>"), 1u);
    EXPECT_EQ(OnWire("<messagetype>CONFIRMATION</messagetype><attribute>ACCEPTED"), 1u);
    EXPECT_EQ(server_.GetWaitingTextCount(), 0u);
}

TEST_F(ProcessTest, TheServerRootsOwnListenJobTakesNoTextFromAPeer) {
    ASSERT_NO_FATAL_FAILURE(LogOn());
    CKvJobDataClient end;
    end.SetLoginName("anna");
    end.SetHeader(KV_MSG_KIND_INFO, KV_MSG_ATTR_ENDED, ServerOwnListenJob()->GetJobId(), 5);
    EXPECT_EQ(ForgeToServer(end), JobTextResult::kWrongPeer);
    RunHosts(
        {&server_, &workstation_}, [] { return false; }, 200);
    EXPECT_EQ(StateOf(ServerOwnListenJob()), KV_JOB_STATE_RUNNING);
}

TEST_F(ProcessTest, ForgedLogonsInTheWorkstationsNameLeaveItsListenJobRunning) {
    ASSERT_NO_FATAL_FAILURE(LogOn());
    const std::uint32_t real = First<CKvJobData>(server_, K_KVJBDT_TP_CLIENT)->GetJobId();
    const COMPUTER_IDENT workstation =
        First<CKvJobData>(workstation_, K_KVJBDT_TP_CLIENT)->GetPeerComputer();
    const auto forge = [&](const char* version, std::uint32_t idsource) {
        CKvJobDataClient logon;
        logon.SetLoginName("anna");
        logon.GetPeerComputer() = workstation;
        logon.SetVersion(version);
        logon.SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 0, idsource);
        return ForgeToServer(logon);
    };
    // Refused for its version.
    EXPECT_EQ(forge("17499905", 77), JobTextResult::kAccepted);
    ASSERT_TRUE(Run([&] { return server_.GetHandler().CountJobs(K_KVJBDT_TP_CLIENT) == 1; }));
    EXPECT_EQ(StateOf(ServerListenExecutor()), KV_JOB_STATE_RUNNING);

    // Accepted by a host that accepts every user, then ended by its sender.
    static_cast<CKvDataHost*>(
        server_.GetRecordService().FindStoredRecord(K_KVDT_TP_DTHDLR_DATACOMPUTER))
        ->SetFlagAcceptAllUser(true);
    EXPECT_EQ(forge("17499913", 78), JobTextResult::kAccepted);
    CKvJobData* forged = nullptr;
    ASSERT_TRUE(Run([&] {
        forged = nullptr;
        if (const CKvJobMap* jobs = server_.GetHandler().FindJobsOfType(K_KVJBDT_TP_CLIENT))
            for (const auto& entry : *jobs)
                if (entry.first != real && entry.second->GetState() == KV_JOB_STATE_RUNNING)
                    forged = static_cast<CKvJobData*>(entry.second);
        return forged != nullptr;
    }));
    CKvJobDataClient end;
    end.SetLoginName("anna");
    end.SetHeader(KV_MSG_KIND_INFO, KV_MSG_ATTR_ENDED, forged->GetJobId(), 78);
    EXPECT_EQ(ForgeToServer(end), JobTextResult::kAccepted);
    ASSERT_TRUE(Run([&] { return server_.GetHandler().CountJobs(K_KVJBDT_TP_CLIENT) == 1; }));
    RunHosts(
        {&server_, &workstation_}, [] { return false; }, 200);
    EXPECT_EQ(StateOf(ServerListenExecutor()), KV_JOB_STATE_RUNNING);
    EXPECT_NE(server_.FindJob(real), nullptr);
}

TEST_F(ProcessTest, ARunningServerRootAdoptsReceivedDialJobsAndDropsTapiListenJobs) {
    StoreServerLogonRecords(server_, "anna", {"21"});
    std::uint32_t root = 0;
    ASSERT_EQ(server_.StartRootJob(HostProcessKind::kServer, root), KV_OK);
    ASSERT_TRUE(Run([&] { return StateOf(server_.FindJob(root)) == KV_JOB_STATE_RUNNING; }));

    CKvJobDataTAPIListen tapi;
    tapi.SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 0, 5);
    std::string tapi_text;
    ASSERT_EQ(tapi.Serialize(tapi_text), KV_OK);
    CKvJobDataDial2 dial;
    dial.SetLoginName("anna");
    dial.GetPeerComputer().Set("ws1", kLoopbackAddress, 4100);
    dial.SetTargetNumber("0301234");
    dial.SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 0, 5);
    std::string dial_text;
    ASSERT_EQ(dial.Serialize(dial_text), KV_OK);
    EXPECT_EQ(server_.HandleText(tapi_text), JobTextResult::kAccepted);
    EXPECT_EQ(server_.HandleText(dial_text), JobTextResult::kAccepted);
    EXPECT_EQ(server_.FindJob(root)->GetIncomingQueue().GetCount(), 2);
    EXPECT_EQ(server_.GetHandler().CountJobs(K_KVJBDT_TP_TAPI_LISTEN), 0u);
    server_.PumpOnce();
    EXPECT_EQ(server_.GetHandler().CountJobs(K_KVJBDT_TP_TAPI_LISTEN), 0u);
    ASSERT_EQ(server_.GetHandler().CountJobs(K_KVJBDT_TP_DIAL2), 1u);
    // The adopted job runs as the executor of its requester's dial.
    const CKvJobHandlerEntry* adopted = server_.GetHandler().FirstJob(K_KVJBDT_TP_DIAL2);
    const std::uint32_t adopted_id = adopted->GetJobId();
    EXPECT_EQ(static_cast<const CKvJobData*>(adopted)->GetIdSource(), 5u);
    ASSERT_TRUE(Run([&] { return StateOf(server_.FindJob(adopted_id)) != KV_JOB_STATE_START; }));

    server_.Shutdown();
    ASSERT_TRUE(Run([&] { return server_.IsQuitRequested(); }));
}

TEST_F(ProcessTest, AnAdoptedDialExecutorAnswersTheAddressItsRequestCameFrom) {
    StoreServerLogonRecords(server_, "anna", {"21"});
    std::uint32_t root = 0;
    ASSERT_EQ(server_.StartRootJob(HostProcessKind::kServer, root), KV_OK);
    ASSERT_TRUE(Run([&] { return StateOf(server_.FindJob(root)) == KV_JOB_STATE_RUNNING; }));
    // The requester's machine and the one its text names listen on one port.
    JobHost requester(false);
    JobHost named(false);
    ASSERT_EQ(requester.Start("127.0.0.2"), KV_OK);
    ASSERT_EQ(named.Start("127.0.0.3", requester.GetPort()), KV_OK);

    CKvJobDataDial2 dial;
    dial.SetLoginName("anna");
    dial.GetPeerComputer().Set("ws1", 0x7F000003u, requester.GetPort());
    dial.SetTargetNumber("0301234");
    dial.SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 0, 5);
    std::string text;
    ASSERT_EQ(dial.Serialize(text), KV_OK);
    ASSERT_TRUE(SendFrom("127.0.0.2", server_.GetPort(), text));
    ASSERT_TRUE(RunHosts(
        {&server_, &workstation_, &requester, &named},
        [&] { return requester.GetReceivedCount() + named.GetReceivedCount() > 0; }, kLimitMs));
    EXPECT_EQ(named.GetReceivedCount(), 0u);
    EXPECT_GE(requester.GetReceivedCount(), 1u);
    const CKvJobHandlerEntry* adopted = server_.GetHandler().FirstJob(K_KVJBDT_TP_DIAL2);
    if (adopted != nullptr) {
        EXPECT_EQ(server_.GetPartnerAddress(adopted->GetJobId()), 0x7F000002u);
    }
}

} // namespace
