// The listener threads of two hosts hand texts to the pumping thread while it
// steps the jobs: a logon, a keep-alive and a logoff, repeated.

#include "jobs/host/job_host.h"

#include "data/data_host.h"
#include "jobs/jobs_test_support.h"
#include "platform/clock.h"

namespace {

TEST(JobHostConcurrency, RepeatedLogonsBetweenTwoHosts) {
    RegisterAllPayloads();
    ManualClock clock(1700000000);
    ScopedClock scoped_clock(clock);
    FixedLocalIdentitySource identity("anna", "localhost", {kLoopbackAddress});
    ScopedLocalIdentitySource scoped_identity(identity);
    JobHost server(true);
    JobHost workstation(false);
    ASSERT_EQ(server.Start("127.0.0.1"), KV_OK);
    ASSERT_EQ(workstation.Start("127.0.0.1"), KV_OK);
    auto host = std::make_unique<CKvDataHost>();
    host->GetHost().Set("localhost", kLoopbackAddress, 0);
    host->SetFlagAcceptAllUser(true);
    server.GetRecordService().StoreRecord(std::move(host), K_KVDT_TP_DTHDLR_DATACOMPUTER);
    const std::vector<JobHost*> hosts = {&server, &workstation};
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        std::uint32_t id = 0;
        ASSERT_EQ(workstation.StartLogon("127.0.0.1", server.GetPort(), "anna", id), KV_OK);
        const std::uint64_t received = workstation.GetReceivedCount();
        ASSERT_TRUE(RunHosts(
            hosts, [&] { return workstation.GetReceivedCount() == received + 1; }, 60000));
        clock.Advance(30000);
        ASSERT_TRUE(RunHosts(
            hosts, [&] { return workstation.GetReceivedCount() == received + 2; }, 60000));
        workstation.Logoff(true);
        ASSERT_TRUE(RunHosts(
            hosts,
            [&] {
                return workstation.GetHandler().CountJobs(0) == 0 &&
                       server.GetHandler().CountJobs(0) == 0;
            },
            60000));
    }
}

} // namespace
