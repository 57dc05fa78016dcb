// The listen jobs over two hosts on loopback: the record service's look-ups
// and stores and the scripted CAPI side behind them.
#include "jobs/host/job_host.h"

#include "capi/capi_payloads.h"
#include "data/data_call.h"
#include "data/data_device.h"
#include "data/data_general.h"
#include "data/data_host.h"
#include "data/data_preferences.h"
#include "data/data_server_user.h"
#include "jobs/host/host_test_support.h"
#include "jobs/job_data_listen2.h"
#include "jobs/job_data_root.h"
#include "jobs/jobs_test_support.h"
#include "platform/clock.h"

namespace {

std::unique_ptr<CKvDataDevice> Device(const char* number) {
    auto device = std::make_unique<CKvDataDevice>();
    std::string text = number;
    device->SetNumber(text);
    return device;
}

class Listen2LoopbackTest : public TwoHostsTest {
protected:
    Listen2LoopbackTest() : TwoHostsTest(true) {}

    void StoreServerRecords() {
        server_.GetRecordService().StoreRecord(std::make_unique<CKvDataGeneral>(),
                                               K_KVDT_TP_DTHDLR_DATAGENERAL);
        auto host = std::make_unique<CKvDataHost>();
        host->GetHost().Set("", kLoopbackAddress, 0);
        host->GetCtiDeviceNumbers().Add("21");
        server_.GetRecordService().StoreRecord(std::move(host), K_KVDT_TP_DTHDLR_DATACOMPUTER);
        auto user = std::make_unique<CKvDataServerUser>();
        user->GetLoginName() = "anna";
        user->GetDeviceNumberList().Add("22");
        server_.GetRecordService().StoreRecord(std::move(user), K_KVDT_TP_DTHDLR_DATASERVERUSER);
        server_.GetRecordService().StoreRecord(Device("21"), K_KVDT_TP_DTHDLR_DATADEVICE);
        server_.GetRecordService().StoreRecord(Device("22"), K_KVDT_TP_DTHDLR_DATADEVICE);
    }

    // The workstation's root and client job and the server's client job of
    // the same logon.
    void LogOnByHand() {
        auto preferences = std::make_unique<CKvDataPreferences>();
        preferences->GetFlagServerUse().Set(1);
        workstation_.GetRecordService().StoreRecord(std::move(preferences),
                                                    K_KVDT_TP_DTHDLR_DATAPREFERENCES);
        auto* root = new CKvJobDataRoot;
        ASSERT_EQ(workstation_.AddHostJob(root, JobRole::kNone), KV_OK);
        root->GetPreferencesRef() = std::make_unique<CKvDataPreferences>();
        root->GetPreferencesRef()->GetFlagServerUse().Set(1);
        root->ChangeState(KV_JOB_STATE_RUNNING);
        auto* client = new TestClientJob("127.0.0.1", workstation_.GetPort());
        client->SetLocalHost("server", "127.0.0.1", server_.GetPort());
        ASSERT_EQ(workstation_.AddHostJob(client, JobRole::kNone), KV_OK);
        server_client_ = new TestClientJob("127.0.0.1", workstation_.GetPort());
        ASSERT_EQ(server_.AddHostJob(server_client_, JobRole::kNone), KV_OK);
    }

    CKvJobDataListen2* Executor() {
        return static_cast<CKvJobDataListen2*>(
            server_.GetHandler().FirstJob(K_KVJBDT_TP_LISTEN2));
    }
    std::uint32_t ExecutorState() { return Executor() ? Executor()->GetState() : 99; }

    TestClientJob* server_client_ = nullptr;
};

TEST_F(Listen2LoopbackTest, AnIncomingCallAtTheServerReachesTheWorkstationsCallWindow) {
    StoreServerRecords();
    ASSERT_NO_FATAL_FAILURE(LogOnByHand());
    auto* job = new CKvJobDataListen2;
    ASSERT_EQ(workstation_.AddHostJob(job, JobRole::kCheckRootJob), KV_OK);
    ASSERT_TRUE(Run([&] {
        return job->GetState() == KV_JOB_STATE_RUNNING &&
               ExecutorState() == KV_JOB_STATE_RUNNING;
    }));
    // The manager watches the host's and the user's device.
    const std::vector<HostServiceEntry> capi = server_.GetServiceLog(KV_ENDPOINT_CAPI);
    ASSERT_EQ(capi.size(), 1u);
    EXPECT_EQ(capi[0].payload_type, KV_PAYLOAD_CAPI_LISTEN_MANAGER);
    EXPECT_EQ(Executor()->GetUserNumbers().GetCount(), 1u);
    EXPECT_EQ(Executor()->GetHostNumbers().GetCount(), 1u);
    EXPECT_EQ(job->GetPartnerJobId(), Executor()->GetJobId());
    // The devices of the answer go to the status service.
    EXPECT_TRUE(Run([&] {
        const auto posted = workstation_.GetServiceLog(KV_ENDPOINT_HOST_STATUS);
        return posted.size() == 1 && posted[0].payload_type == K_KVDT_TP_DTHDLR_DATADEVICE &&
               posted[0].command == 1;
    }));

    ASSERT_TRUE(server_.GetCapiService().ScriptListenNotification(
        server_.GetCapiService().GetLastManagerId(), "0301234", "21"));
    ASSERT_TRUE(Run([&] { return !workstation_.GetServiceLog(KV_ENDPOINT_CALL_WINDOW).empty(); }));
    const HostServiceEntry call = workstation_.GetServiceLog(KV_ENDPOINT_CALL_WINDOW)[0];
    EXPECT_EQ(call.kind, KV_MSG_KIND_REQUEST);
    EXPECT_EQ(call.payload_type, K_KVDT_TP_DTHDLR_DATACALL);

    // The workstation's client job is gone: ENDED to the executor, which
    // gives its manager up.
    static_cast<CKvJobData*>(workstation_.GetHandler().FirstJob(K_KVJBDT_TP_CLIENT))
        ->ChangeState(KV_JOB_STATE_FINISHED);
    ASSERT_TRUE(Run(
        [&] { return Executor() == nullptr && !server_.GetCapiService().GetShutdowns().empty(); }));
    EXPECT_EQ(server_.GetCapiService().GetShutdowns()[0],
              server_.GetCapiService().GetLastManagerId());
}

TEST_F(Listen2LoopbackTest, ALocalListenJobPostedToTheIntakeCollectsAllRecordsOfAType) {
    StoreServerRecords();
    auto* job = new CKvJobDataListen2;
    job->SetVariant(1);
    auto* message = new CKvMessage;
    message->SetHeader(KV_MSG_KIND_REQUEST, static_cast<CKvJobData*>(job), K_KVJBDT_TP_LISTEN2,
                       KV_MSG_COMMAND_NOTIFICATION, 5, 0);
    ASSERT_EQ(message->Send(KV_ENDPOINT_JOB_INTAKE, 0, &server_.GetRouter(), 1, true, false),
              KV_OK);
    ASSERT_TRUE(Run([&] { return ExecutorState() == KV_JOB_STATE_RUNNING; }));
    std::size_t stores = 0;
    for (const HostServiceEntry& entry : server_.GetServiceLog(KV_ENDPOINT_HOST_MAIN))
        stores += entry.sub_command == HostRecordService::kSubCommandAllOfType;
    EXPECT_EQ(stores, 2u);
    EXPECT_EQ(Executor()->GetHostNumbers().GetCount(), 1u);
    EXPECT_EQ(Executor()->GetUserNumbers().GetCount(), 1u);

    ASSERT_TRUE(server_.GetCapiService().ScriptListenNotification(
        server_.GetCapiService().GetLastManagerId(), "0301234", "22"));
    ASSERT_TRUE(Run([&] {
        for (const HostServiceEntry& entry : server_.GetServiceLog(KV_ENDPOINT_HOST_MAIN)) {
            if (entry.kind == KV_MSG_KIND_INFO && entry.payload_type == K_KVDT_TP_DTHDLR_DATACALL)
                return true;
        }
        return false;
    }));
    // The manager ends: so does the job.
    ASSERT_TRUE(
        server_.GetCapiService().ScriptManagerEnded(server_.GetCapiService().GetLastManagerId()));
    ASSERT_TRUE(Run([&] { return Executor() == nullptr; }));
}

TEST_F(Listen2LoopbackTest, ALockedServerUserIsAskedForAgainAfterASecond) {
    StoreServerRecords();
    ASSERT_NO_FATAL_FAILURE(LogOnByHand());
    server_.GetRecordService().ScriptLockedAnswers(K_KVDT_TP_DTHDLR_DATASERVERUSER, 1);
    auto* job = new CKvJobDataListen2;
    ASSERT_EQ(workstation_.AddHostJob(job, JobRole::kCheckRootJob), KV_OK);
    ASSERT_TRUE(Run([&] { return server_.GetServiceLog(KV_ENDPOINT_HOST_MAIN).size() >= 4; }));
    RunHosts(
        {&server_, &workstation_}, [] { return false; }, 100);
    EXPECT_EQ(ExecutorState(), CKvJobDataListen2::kStateServerUser);
    clock_.Advance(1000);
    ASSERT_TRUE(Run([&] { return ExecutorState() == KV_JOB_STATE_RUNNING; }));
    std::size_t asked = 0;
    for (const HostServiceEntry& entry : server_.GetServiceLog(KV_ENDPOINT_HOST_MAIN))
        asked += entry.payload_type == K_KVDT_TP_DTHDLR_DATASERVERUSER;
    EXPECT_EQ(asked, 2u);
}

TEST_F(Listen2LoopbackTest, AHostWithoutDevicesIsRefusedWhenTheAnswerTimerRunsOut) {
    server_.GetRecordService().StoreRecord(std::make_unique<CKvDataGeneral>(),
                                           K_KVDT_TP_DTHDLR_DATAGENERAL);
    auto host = std::make_unique<CKvDataHost>();
    host->GetHost().Set("", kLoopbackAddress, 0);
    server_.GetRecordService().StoreRecord(std::move(host), K_KVDT_TP_DTHDLR_DATACOMPUTER);
    ASSERT_NO_FATAL_FAILURE(LogOnByHand());
    auto* job = new CKvJobDataListen2;
    const std::uint32_t id = job->GetJobId();
    ASSERT_EQ(workstation_.AddHostJob(job, JobRole::kCheckRootJob), KV_OK);
    ASSERT_TRUE(Run([&] { return ExecutorState() == CKvJobDataListen2::kStateHost; }));
    RunHosts(
        {&server_, &workstation_}, [] { return false; }, 100);
    EXPECT_EQ(ExecutorState(), CKvJobDataListen2::kStateHost);
    clock_.Advance(20000);
    ASSERT_TRUE(Run([&] { return Executor() == nullptr && workstation_.FindJob(id) == nullptr; }));
    EXPECT_TRUE(server_.GetCapiService().GetShutdowns().empty());
}

TEST_F(Listen2LoopbackTest, AStoppingRootEndsTheRequesterAndTheExecutorGivesUpItsManager) {
    StoreServerRecords();
    ASSERT_NO_FATAL_FAILURE(LogOnByHand());
    auto* job = new CKvJobDataListen2;
    ASSERT_EQ(workstation_.AddHostJob(job, JobRole::kCheckRootJob), KV_OK);
    ASSERT_TRUE(Run([&] {
        return job->GetState() == KV_JOB_STATE_RUNNING &&
               ExecutorState() == KV_JOB_STATE_RUNNING;
    }));
    const std::uint32_t id = job->GetJobId();
    static_cast<CKvJobData*>(workstation_.GetHandler().FirstJob(K_KVJBDT_TP_ROOT))
        ->ChangeState(KV_JOB_STATE_STOP_REQUESTED);
    ASSERT_TRUE(Run([&] {
        return Executor() == nullptr && workstation_.FindJob(id) == nullptr &&
               !server_.GetCapiService().GetShutdowns().empty();
    }));
    ASSERT_EQ(server_.GetCapiService().GetShutdowns().size(), 1u);
    EXPECT_EQ(server_.GetCapiService().GetShutdowns()[0],
              server_.GetCapiService().GetLastManagerId());
}

TEST_F(Listen2LoopbackTest, ARefusedManagerEndsALocalListenJobWithoutAShutdown) {
    StoreServerRecords();
    server_.GetCapiService().ScriptRefusal(true);
    auto* job = new CKvJobDataListen2;
    job->SetVariant(1);
    ASSERT_EQ(server_.AddHostJob(job, JobRole::kExecutor), KV_OK);
    ASSERT_TRUE(Run([&] { return Executor() == nullptr; }));
    const std::vector<HostServiceEntry> capi = server_.GetServiceLog(KV_ENDPOINT_CAPI);
    ASSERT_EQ(capi.size(), 1u);
    EXPECT_EQ(capi[0].kind, KV_MSG_KIND_REQUEST);
    EXPECT_TRUE(server_.GetCapiService().GetShutdowns().empty());
    EXPECT_EQ(server_.GetCapiService().GetLastManagerId(), 0u);
}

} // namespace
