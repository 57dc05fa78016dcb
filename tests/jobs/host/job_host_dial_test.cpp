// A DIAL2 job over two hosts on loopback: the workstation's requester, the
// server's executor and the scripted transfer manager's reports.
#include "jobs/host/job_host.h"

#include "capi/capi_payloads.h"
#include "data/data_call.h"
#include "data/data_general.h"
#include "data/data_host.h"
#include "data/data_preferences.h"
#include "jobs/host/host_test_support.h"
#include "jobs/job_data_dial2.h"
#include "jobs/job_data_root.h"
#include "jobs/jobs_test_support.h"
#include "platform/clock.h"

namespace {

class Dial2LoopbackTest : public TwoHostsTest {
protected:
    Dial2LoopbackTest() : TwoHostsTest(true) {
        auto* root = new CKvJobDataRoot;
        EXPECT_EQ(workstation_.AddHostJob(root, JobRole::kNone), KV_OK);
        root->GetPreferencesRef() = std::make_unique<CKvDataPreferences>();
        root->GetPreferencesRef()->GetFlagServerUse().Set(1);
        root->ChangeState(KV_JOB_STATE_RUNNING);
        auto* client = new TestClientJob("127.0.0.1", workstation_.GetPort());
        client->SetLocalHost("server", "127.0.0.1", server_.GetPort());
        EXPECT_EQ(workstation_.AddHostJob(client, JobRole::kNone), KV_OK);

        auto* server_root = new CKvJobDataRoot;
        EXPECT_EQ(server_.AddHostJob(server_root, JobRole::kNone), KV_OK);
        auto general = std::make_unique<CKvDataGeneral>();
        general->GetIsdnCardNumber() = "5550";
        server_root->SetGeneralSettings(std::move(general));
        auto host = std::make_unique<CKvDataHost>();
        host->GetHost().Set("", kLoopbackAddress, 0);
        host->GetCtiDeviceNumbers().Add("21");
        host->SetFlagAcceptAllUser(true);
        server_.GetRecordService().StoreRecord(std::move(host), K_KVDT_TP_DTHDLR_DATACOMPUTER);
    }

    CKvJobData* Executor() {
        return static_cast<CKvJobData*>(server_.GetHandler().FirstJob(K_KVJBDT_TP_DIAL2));
    }
};

TEST_F(Dial2LoopbackTest, TheCallIsPlacedByTheServerAndFollowedToItsEnd) {
    auto* job = new CKvJobDataDial2;
    job->SetTargetNumber("0301234");
    job->GetLinkedCall() = std::make_unique<CKvDataCall>();
    auto* carrying = new CKvMessage;
    carrying->SetHeader(KV_MSG_KIND_REQUEST, static_cast<CKvJobData*>(job), K_KVJBDT_TP_DIAL2,
                        KV_MSG_COMMAND_NOTIFICATION, 5, 0);
    carrying->SetJobIds(0, 44, 0);
    ASSERT_EQ(carrying->Send(KV_ENDPOINT_JOB_INTAKE, KV_ENDPOINT_CALL_WINDOW,
                             &workstation_.GetRouter(), 1, true, false),
              KV_OK);
    ASSERT_TRUE(Run([&] {
        auto* requester =
            static_cast<CKvJobData*>(workstation_.GetHandler().FirstJob(K_KVJBDT_TP_DIAL2));
        return requester != nullptr && requester->GetState() == KV_JOB_STATE_RUNNING &&
               Executor() != nullptr && Executor()->GetState() == KV_JOB_STATE_RUNNING;
    }));
    const std::uint32_t id = job->GetJobId();
    const std::vector<HostServiceEntry> capi = server_.GetServiceLog(KV_ENDPOINT_CAPI);
    ASSERT_EQ(capi.size(), 1u);
    EXPECT_EQ(capi[0].payload_type, KV_PAYLOAD_CAPI_TRANSFER_MANAGER);
    EXPECT_EQ(Executor()->GetPartnerJobId(), server_.GetCapiService().GetLastManagerId());

    for (const std::int32_t report : {KV_MSG_ATTR_CALL_CONNECTED,
                                      KV_MSG_ATTR_CALL_ECT_ESTABLISHED, KV_MSG_ATTR_ENDED})
        ASSERT_TRUE(server_.GetCapiService().ScriptTransferReport(
            server_.GetCapiService().GetLastManagerId(), report));
    ASSERT_TRUE(Run([&] {
        return workstation_.FindJob(id) == nullptr && Executor() == nullptr &&
               workstation_.GetServiceLog(KV_ENDPOINT_CALL_WINDOW).size() == 5;
    }));
    // IDLE, CONNECTED, ALERTING_OUT, DISCONNECTED, after the acceptance.
    const std::vector<HostServiceEntry> told = workstation_.GetServiceLog(KV_ENDPOINT_CALL_WINDOW);
    ASSERT_EQ(told.size(), 5u);
    EXPECT_EQ(told[0].kind, KV_MSG_KIND_CONFIRMATION);
    EXPECT_EQ(told[0].attribute, KV_MSG_ATTR_ACCEPTED);
    EXPECT_EQ(told[0].job_ids[0], 44u);
    for (std::size_t i = 1; i < told.size(); ++i) {
        EXPECT_EQ(told[i].kind, KV_MSG_KIND_INFO);
        EXPECT_EQ(told[i].payload_type, K_KVDT_TP_DTHDLR_DATACALL);
        EXPECT_EQ(told[i].job_ids[0], 44u);
        EXPECT_EQ(told[i].job_ids[1], id);
    }
    // The manager ended the call itself: no shutdown was needed.
    EXPECT_TRUE(server_.GetCapiService().GetShutdowns().empty());
}

TEST_F(Dial2LoopbackTest, AStoppingRootShutsTheServersManagerDown) {
    auto* job = new CKvJobDataDial2;
    job->SetTargetNumber("0301234");
    ASSERT_EQ(workstation_.AddHostJob(job, JobRole::kCheckRootJob), KV_OK);
    const std::uint32_t id = job->GetJobId();
    ASSERT_TRUE(Run([&] {
        return job->GetState() == KV_JOB_STATE_RUNNING && Executor() != nullptr &&
               Executor()->GetState() == KV_JOB_STATE_RUNNING;
    }));
    static_cast<CKvJobData*>(workstation_.GetHandler().FirstJob(K_KVJBDT_TP_ROOT))
        ->ChangeState(KV_JOB_STATE_STOP_REQUESTED);
    ASSERT_TRUE(Run([&] {
        return workstation_.FindJob(id) == nullptr && Executor() == nullptr &&
               !server_.GetCapiService().GetShutdowns().empty();
    }));
    EXPECT_EQ(server_.GetCapiService().GetShutdowns()[0],
              server_.GetCapiService().GetLastManagerId());
}

} // namespace
