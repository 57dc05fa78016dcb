// A workstation's root job on a host, with a server host on 127.0.0.1 that
// goes away and comes back on the same port: the workstation tries again
// every 30 s and logs on once the server is back.
#include "jobs/host/job_host.h"

#include "capi/capi_payloads.h"
#include "jobs/host/logon_records.h"
#include "jobs/job_data_client.h"
#include "jobs/job_data_root.h"
#include "jobs/jobs_test_support.h"
#include "platform/clock.h"

#include <algorithm>
#include <set>

namespace {

constexpr std::uint32_t kLimitMs = 10000;
constexpr std::uint32_t kLastCall = 3900000000u;
constexpr const char* kNotConnected = "UIObjString_Status_INFO_SERVER_notconnected";
constexpr const char* kRefused = "UIObjString_Status_INFO_SERVER_refused0";

class RootProcessTest : public ::testing::Test {
protected:
    RootProcessTest()
        : scoped_clock_(clock_), identity_("anna", "localhost", {kLoopbackAddress}),
          scoped_identity_(identity_) {
        RegisterAllPayloads();
        RegisterCapiPayloads();
        EXPECT_EQ(workstation_.Start("127.0.0.1"), KV_OK);
    }

    // A server host on the port (0: any), with the logon records of the
    // user and its root job running.
    void StartServer(std::uint16_t port, const char* login = "anna") {
        server_ = std::make_unique<JobHost>(true);
        server_->UseScriptedCapi();
        ASSERT_EQ(server_->Start("127.0.0.1", port), KV_OK);
        StoreServerLogonRecords(*server_, login, {"21"});
        std::uint32_t root = 0;
        ASSERT_EQ(server_->StartRootJob(HostProcessKind::kServer, root), KV_OK);
        ASSERT_TRUE(Run([&] { return StateOf(server_->FindJob(root)) == KV_JOB_STATE_RUNNING; }));
    }

    bool Run(const std::function<bool()>& predicate) {
        std::vector<JobHost*> hosts = {&workstation_};
        if (server_)
            hosts.push_back(server_.get());
        return RunHosts(
            hosts,
            [&] {
                Watch();
                return predicate();
            },
            kLimitMs);
    }
    // A few rounds of the workstation alone: the root's step spawns a client
    // job within one, and the job lives for more than one.
    void PumpWorkstation() {
        for (int round = 0; round < 5; ++round) {
            workstation_.PumpOnce();
            Watch();
        }
    }
    // Notes the client jobs seen between rounds.
    void Watch() {
        most_clients_ = std::max(most_clients_, Clients());
        if (const CKvJobHandlerEntry* client =
                workstation_.GetHandler().FirstJob(K_KVJBDT_TP_CLIENT))
            client_ids_.insert(client->GetJobId());
    }
    static std::uint32_t StateOf(const CKvJobData* job) { return job ? job->GetState() : 99; }
    std::uint32_t Clients() { return workstation_.GetHandler().CountJobs(K_KVJBDT_TP_CLIENT); }
    std::uint32_t ClientState() {
        return StateOf(
            static_cast<CKvJobData*>(workstation_.GetHandler().FirstJob(K_KVJBDT_TP_CLIENT)));
    }
    std::size_t Statuses(const char* text) {
        const std::vector<HostServiceEntry> statuses =
            workstation_.GetServiceLog(KV_ENDPOINT_HOST_STATUS);
        return static_cast<std::size_t>(
            std::count_if(statuses.begin(), statuses.end(),
                          [text](const HostServiceEntry& entry) { return entry.text == text; }));
    }
    std::size_t NotConnected() { return Statuses(kNotConnected); }
    std::size_t CallsAtTheSink() {
        std::size_t count = 0;
        for (const HostServiceEntry& entry : workstation_.GetServiceLog(KV_ENDPOINT_CALL_WINDOW))
            count += entry.kind == KV_MSG_KIND_INFO && entry.payload_type == K_KVDT_TP_DTHDLR_DATACALL;
        return count;
    }
    bool LoggedOnAndSynchronised(std::size_t calls) {
        return ClientState() == KV_JOB_STATE_RUNNING &&
               workstation_.GetHandler().CountJobs(K_KVJBDT_TP_SYNCHRONIZE) == 0 &&
               CallsAtTheSink() == calls;
    }

    ManualClock clock_{1700000000};
    ScopedClock scoped_clock_;
    FixedLocalIdentitySource identity_;
    ScopedLocalIdentitySource scoped_identity_;
    JobHost workstation_{false};
    std::unique_ptr<JobHost> server_;
    std::uint32_t most_clients_ = 0;
    std::set<std::uint32_t> client_ids_;
};

TEST_F(RootProcessTest, AWorkstationTriesEvery30SecondsUntilItsServerIsBack) {
    ASSERT_NO_FATAL_FAILURE(StartServer(0));
    const std::uint16_t port = server_->GetPort();
    StoreCall(*server_, kLastCall + 10, 0, "21");
    StoreWorkstationPreferences(workstation_, port, kLastCall);
    std::uint32_t root = 0;
    ASSERT_EQ(workstation_.StartRootJob(HostProcessKind::kWorkstationWithServer, root), KV_OK);
    ASSERT_TRUE(Run([&] { return LoggedOnAndSynchronised(1); }));

    // The server goes away: the keep-alive at 30 s finds no one, and the
    // logon ends 20 s later for want of an answer.
    server_.reset();
    clock_.Advance(30000);
    PumpWorkstation();
    clock_.Advance(20000);
    ASSERT_TRUE(Run([&] { return Clients() == 0; }));
    ASSERT_EQ(NotConnected(), 1u);
    ASSERT_EQ(client_ids_.size(), 1u);

    // One attempt every 30 s, each ending not connected; the period runs
    // from the keep-alive's expiry at 30 s.
    clock_.Advance(10000);
    for (std::size_t attempt = 1; attempt <= 3; ++attempt) {
        SCOPED_TRACE(attempt);
        ASSERT_TRUE(Run([&] { return NotConnected() == 1 + attempt && Clients() == 0; }));
        EXPECT_EQ(client_ids_.size(), 1 + attempt);
        if (attempt == 3)
            break;
        clock_.Advance(29000);
        PumpWorkstation();
        EXPECT_EQ(client_ids_.size(), 1 + attempt);
        clock_.Advance(1000);
    }

    // The server comes back on its port, with a call the workstation lacks,
    // just after an attempt: within 30 s the workstation is logged on and
    // has the call.
    ASSERT_NO_FATAL_FAILURE(StartServer(port));
    StoreCall(*server_, kLastCall + 30, 0, "21");
    clock_.Advance(29000);
    PumpWorkstation();
    EXPECT_EQ(client_ids_.size(), 4u);
    clock_.Advance(1000);
    ASSERT_TRUE(Run([&] { return LoggedOnAndSynchronised(2); }));
    EXPECT_EQ(client_ids_.size(), 5u);
    EXPECT_EQ(NotConnected(), 4u);
    EXPECT_EQ(workstation_.GetHandler().GetRootJobId(), root);
    EXPECT_EQ(most_clients_, 1u);

    workstation_.Shutdown();
    ASSERT_TRUE(Run([&] {
        return workstation_.IsQuitRequested() &&
               server_->GetHandler().CountJobs(K_KVJBDT_TP_CLIENT) == 0;
    }));
}

// An outage of the server of so many seconds, starting just after a
// keep-alive.
class OutageTest : public RootProcessTest, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(OutageTest, TheWorkstationLogsOnAgainOnceItsLogonHasEnded) {
    // The client notices the outage at the next keep-alive plus its answer
    // time (50 s); its successor logs on at once, or at the next attempt of
    // every 30 s once the server is back.
    const std::uint32_t outage = GetParam();
    ASSERT_NO_FATAL_FAILURE(StartServer(0));
    const std::uint16_t port = server_->GetPort();
    StoreWorkstationPreferences(workstation_, port, kLastCall);
    std::uint32_t root = 0;
    ASSERT_EQ(workstation_.StartRootJob(HostProcessKind::kWorkstationWithServer, root), KV_OK);
    ASSERT_TRUE(Run([&] { return LoggedOnAndSynchronised(0); }));
    const std::uint32_t first = workstation_.GetHandler().FirstJob(K_KVJBDT_TP_CLIENT)->GetJobId();
    clock_.Advance(30000);
    ASSERT_TRUE(Run([&] {
        auto* client =
            static_cast<CKvJobData*>(workstation_.GetHandler().FirstJob(K_KVJBDT_TP_CLIENT));
        return client != nullptr && !client->GetTimers().IsRunning(CKvJobData::kAnswerTimerId) &&
               server_->GetReceivedCount() >= 2;
    }));

    server_.reset();
    const auto logged_on_again = [&] {
        const CKvJobHandlerEntry* client = workstation_.GetHandler().FirstJob(K_KVJBDT_TP_CLIENT);
        return client != nullptr && client->GetJobId() != first &&
               ClientState() == KV_JOB_STATE_RUNNING;
    };
    // Each second is pumped until a client job that is under way has logged
    // on or ended.
    const auto settled = [&] {
        const std::uint32_t state = ClientState();
        return logged_on_again() || state == 99 || state == KV_JOB_STATE_RUNNING;
    };
    std::uint32_t seconds = 0;
    while (!logged_on_again() && seconds < 150) {
        clock_.Advance(1000);
        ++seconds;
        if (seconds == outage) {
            ASSERT_NO_FATAL_FAILURE(StartServer(port));
        }
        std::vector<JobHost*> hosts = {&workstation_};
        if (server_)
            hosts.push_back(server_.get());
        ASSERT_TRUE(RunHosts(hosts, settled, kLimitMs));
    }
    EXPECT_LE(seconds, std::max(51u, outage + 30));
}

INSTANTIATE_TEST_SUITE_P(Seconds, OutageTest, ::testing::Values(1u, 5u, 25u, 45u, 70u));

TEST_F(RootProcessTest, ARefusedLogonIsTriedAgain30SecondsLater) {
    ASSERT_NO_FATAL_FAILURE(StartServer(0, "berta"));
    StoreWorkstationPreferences(workstation_, server_->GetPort(), kLastCall);
    std::uint32_t root = 0;
    ASSERT_EQ(workstation_.StartRootJob(HostProcessKind::kWorkstationWithServer, root), KV_OK);
    ASSERT_TRUE(Run([&] { return Statuses(kRefused) == 1 && Clients() == 0; }));

    // The user is known from now on: the next attempt, and only it, logs on.
    StoreServerLogonRecords(*server_, "anna", {"21"});
    clock_.Advance(29000);
    PumpWorkstation();
    EXPECT_EQ(client_ids_.size(), 1u);
    clock_.Advance(1000);
    ASSERT_TRUE(Run([&] { return LoggedOnAndSynchronised(0); }));
    EXPECT_EQ(client_ids_.size(), 2u);
    EXPECT_EQ(Statuses(kRefused), 1u);
    EXPECT_EQ(most_clients_, 1u);
}

} // namespace
