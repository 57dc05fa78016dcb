// Demonstration: two job hosts on 127.0.0.1, a workstation and a server. The
// workstation's CLIENT2 job logs on, keeps the logon alive once the clock has
// moved 30 s, and logs off; every job text on the wire is printed as the
// receiving host reads it.

#include "data/data_host.h"
#include "data/data_payloads.h"
#include "data/data_user.h"
#include "framework/framework_payloads.h"
#include "jobs/host/job_host.h"
#include "jobs/job_payloads.h"
#include "platform/clock.h"
#include "platform/local_identity.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr std::uint32_t kLimitMs = 10000;

void Watch(JobHost& host, const char* name) {
    host.SetWireObserver(
        [name](const std::string& text) { std::printf("to %s:\n  %s\n", name, text.c_str()); });
}

std::uint32_t CountJobs(JobHost& host) {
    return host.GetHandler().CountJobs(0);
}

} // namespace

int main() {
    RegisterFrameworkPayloads();
    RegisterDataPayloads();
    RegisterJobPayloads();
    ManualClock clock(1700000000);
    ScopedClock scoped_clock(clock);
    FixedLocalIdentitySource identity("demo", "localhost", {kLoopbackAddress});
    ScopedLocalIdentitySource scoped_identity(identity);

    JobHost server(true);
    JobHost workstation(false);
    if (server.Start("127.0.0.1") != KV_OK || workstation.Start("127.0.0.1") != KV_OK) {
        std::printf("cannot listen on 127.0.0.1\n");
        return 1;
    }
    Watch(server, "server");
    Watch(workstation, "workstation");

    auto host = std::make_unique<CKvDataHost>();
    host->GetHost().Set("localhost", kLoopbackAddress, 0);
    host->SetFlagAcceptAllUser(true);
    server.GetRecordService().StoreRecord(std::move(host), K_KVDT_TP_DTHDLR_DATACOMPUTER);

    std::printf("== logon\n");
    std::uint32_t client_id = 0;
    workstation.StartLogon("127.0.0.1", server.GetPort(), "demo", client_id);
    CKvJobData* client = workstation.FindJob(client_id);
    if (!RunHosts(
            {&server, &workstation}, [&] { return client->GetState() == KV_JOB_STATE_RUNNING; },
            kLimitMs)) {
        std::printf("logon failed\n");
        return 1;
    }

    std::printf("== keep-alive after 30 s\n");
    const std::uint64_t texts = server.GetReceivedCount();
    clock.Advance(30000);
    RunHosts(
        {&server, &workstation},
        [&] {
            return workstation.GetReceivedCount() > 1 && server.GetReceivedCount() > texts;
        },
        kLimitMs);
    RunHosts(
        {&server, &workstation}, [&] { return workstation.GetReceivedCount() == 2; }, kLimitMs);

    std::printf("== logoff\n");
    workstation.Logoff(true);
    const bool ended = RunHosts(
        {&server, &workstation},
        [&] { return CountJobs(workstation) == 0 && CountJobs(server) == 0; }, kLimitMs);
    std::printf("== %s\n", ended ? "both jobs finished" : "jobs still running");
    return ended ? 0 : 1;
}
