// Demonstration: a server process and a workstation process on 127.0.0.1,
// each a job host with its root job. The workstation logs on, brings the two
// calls its journal lacks from the server, listens through the server's ISDN
// line (a call is scripted there), keeps the logon alive once the clock has
// moved 30 s, and stops; then the server stops. Every job text on the wire is
// printed as the receiving host reads it, and every call that reaches the
// workstation's call sink.

#include "capi/capi_payloads.h"
#include "data/data_payloads.h"
#include "framework/framework_payloads.h"
#include "jobs/host/job_host.h"
#include "jobs/host/logon_records.h"
#include "jobs/job_data_listen2.h"
#include "jobs/job_payloads.h"
#include "platform/clock.h"
#include "platform/local_identity.h"

#include <cstdio>
#include <string>

namespace {

constexpr std::uint32_t kLimitMs = 10000;
constexpr std::uint32_t kLastCall = 3900000000u;

void Watch(JobHost& host, const char* name) {
    host.SetWireObserver([name](const std::string& text) {
        if (!text.empty())
            std::printf("to %s:\n  %s\n", name, text.c_str());
    });
}

// Prints the calls that reached the sink since the last call.
void PrintCalls(JobHost& workstation, std::size_t& printed) {
    const std::vector<HostServiceEntry> calls = workstation.GetServiceLog(KV_ENDPOINT_CALL_WINDOW);
    for (; printed < calls.size(); ++printed) {
        const HostServiceEntry& call = calls[printed];
        std::printf("call sink: %s DATACALL (%s)\n", CKvMessage::KindName(call.kind),
                    call.kind == KV_MSG_KIND_INFO ? "brought by the synchronisation"
                                                  : "a new call at the line");
    }
}

CKvJobData* ServingListenJob(JobHost& server) {
    const CKvJobMap* jobs = server.GetHandler().FindJobsOfType(K_KVJBDT_TP_LISTEN2);
    if (jobs == nullptr)
        return nullptr;
    for (const auto& entry : *jobs) {
        auto* job = static_cast<CKvJobDataListen2*>(entry.second);
        if (job->GetVariant() == 0 && job->GetState() == KV_JOB_STATE_RUNNING)
            return job;
    }
    return nullptr;
}

std::uint32_t StateOf(JobHost& host, std::uint32_t type) {
    auto* job = static_cast<CKvJobData*>(host.GetHandler().FirstJob(type));
    return job != nullptr ? job->GetState() : 0;
}

} // namespace

int main() {
    RegisterFrameworkPayloads();
    RegisterDataPayloads();
    RegisterJobPayloads();
    RegisterCapiPayloads();
    ManualClock clock(1700000000);
    ScopedClock scoped_clock(clock);
    FixedLocalIdentitySource identity("demo", "localhost", {kLoopbackAddress});
    ScopedLocalIdentitySource scoped_identity(identity);

    JobHost server(true);
    JobHost workstation(false);
    server.UseScriptedCapi();
    if (server.Start("127.0.0.1") != KV_OK || workstation.Start("127.0.0.1") != KV_OK) {
        std::printf("cannot listen on 127.0.0.1\n");
        return 1;
    }
    Watch(server, "server");
    Watch(workstation, "workstation");
    StoreServerLogonRecords(server, "demo", {"21"});
    for (std::uint32_t offset : {10u, 20u, 30u})
        StoreCall(server, kLastCall + offset, 0, "21");
    StoreWorkstationPreferences(workstation, server.GetPort(), kLastCall);
    StoreCall(workstation, kLastCall + 20, 0, "21");

    std::printf("== logon and synchronisation\n");
    std::uint32_t server_root = 0;
    std::uint32_t workstation_root = 0;
    server.StartRootJob(HostProcessKind::kServer, server_root);
    workstation.StartRootJob(HostProcessKind::kWorkstationWithServer, workstation_root);
    const std::vector<JobHost*> hosts = {&server, &workstation};
    if (!RunHosts(
            hosts,
            [&] {
                return StateOf(workstation, K_KVJBDT_TP_CLIENT) == KV_JOB_STATE_RUNNING &&
                       StateOf(workstation, K_KVJBDT_TP_LISTEN2) == KV_JOB_STATE_RUNNING &&
                       ServingListenJob(server) != nullptr &&
                       workstation.GetHandler().CountJobs(K_KVJBDT_TP_SYNCHRONIZE) == 0;
            },
            kLimitMs)) {
        std::printf("logon failed\n");
        return 1;
    }
    std::size_t printed = 0;
    PrintCalls(workstation, printed);

    std::printf("== a call at the server's line\n");
    server.GetCapiService().ScriptListenNotification(ServingListenJob(server)->GetPartnerJobId(),
                                                     "0301234", "21");
    RunHosts(
        hosts, [&] { return workstation.GetServiceLog(KV_ENDPOINT_CALL_WINDOW).size() > printed; },
        kLimitMs);
    PrintCalls(workstation, printed);

    std::printf("== keep-alive after 30 s\n");
    const std::uint64_t received = workstation.GetReceivedCount();
    clock.Advance(30000);
    RunHosts(
        hosts, [&] { return workstation.GetReceivedCount() > received; }, kLimitMs);

    std::printf("== the workstation stops\n");
    workstation.Shutdown();
    RunHosts(
        hosts,
        [&] {
            return workstation.IsQuitRequested() &&
                   server.GetHandler().CountJobs(K_KVJBDT_TP_CLIENT) == 0 &&
                   ServingListenJob(server) == nullptr;
        },
        kLimitMs);
    std::printf("== the server stops\n");
    server.Shutdown();
    const bool ended = RunHosts(
        hosts, [&] { return server.IsQuitRequested(); }, kLimitMs);
    std::printf("== %s\n", ended && workstation.IsQuitRequested() ? "both processes ended"
                                                                  : "a process still runs");
    return ended ? 0 : 1;
}
