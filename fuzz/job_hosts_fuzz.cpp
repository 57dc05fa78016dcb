// Delivers fuzzed job texts to a server host and a workstation host joined
// within one process (no sockets: what one host sends, the other receives
// from 127.0.0.1), both running their root jobs, and steps their jobs on the
// manual clock after every chunk of input. Checks that
// - nothing crashes or leaks;
// - 130 s after both roots were asked to stop, neither host holds a logon
//   or dial job other than an executor: those end by themselves (listen jobs
//   wait without a time limit by design);
// - once every job is then stopped as well, 130 s later neither holds a job.
// The input is chunks separated by NUL bytes; a chunk's first byte says what
// the rest is: 'S' or 'W' a text to the server or workstation from 127.0.0.1,
// 's' or 'w' the same from 127.0.0.2, 'T' the clock moved on by the second
// byte's value in seconds. Other chunks are skipped.
// FUZZ_LIBRARIES: kv_jobs kv_job_host

#include "capi/capi_payloads.h"
#include "data/data_payloads.h"
#include "framework/framework_payloads.h"
#include "jobs/host/job_host.h"
#include "jobs/host/logon_records.h"
#include "jobs/job_payloads.h"
#include "platform/clock.h"
#include "platform/local_identity.h"
#include "platform/name_resolver.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace {

constexpr std::uint32_t kOtherPeer = 0x7F000002u; // 127.0.0.2
constexpr std::uint16_t kServerPort = 4000;
constexpr std::uint32_t kLastCall = 3900000000u;
constexpr std::size_t kMostChunks = 64;
constexpr int kRoundsPerChunk = 16;
constexpr std::uint32_t kStopSeconds = 130;
// The logon and dial jobs: as requesters they end once their root stops.
constexpr std::uint32_t kRequesterTypes[] = {
    K_KVJBDT_TP_CLIENT, K_KVJBDT_TP_CLIENT2, K_KVJBDT_TP_DIAL,
    K_KVJBDT_TP_DIAL2,  K_KVJBDT_TP_TSPDIAL, K_KVJBDT_TP_TAPI_DIAL,
};

// No name is looked up on the network.
class NoNames final : public NameResolver {
public:
    bool LookupName(std::uint32_t, std::string&) override { return false; }
    bool LookupAddress(const std::string&, std::uint32_t&) override { return false; }
};

// The two hosts and the texts on their way from one to the other.
class JoinedHosts {
public:
    JoinedHosts() {
        server_.UseScriptedCapi();
        server_.SetSendHook([this](const std::string&, std::uint32_t, const std::string& text) {
            return Carry(workstation_, text);
        });
        workstation_.SetSendHook([this](const std::string&, std::uint32_t,
                                        const std::string& text) { return Carry(server_, text); });
        if (server_.StartInProcess() != KV_OK || workstation_.StartInProcess() != KV_OK)
            Fail("a host does not start");
        StoreServerLogonRecords(server_, "anna", {"21", "22"});
        StoreCall(server_, kLastCall + 10, 0, "21");
        StoreWorkstationPreferences(workstation_, kServerPort, kLastCall);
        std::uint32_t root = 0;
        if (server_.StartRootJob(HostProcessKind::kServer, root) != KV_OK ||
            workstation_.StartRootJob(HostProcessKind::kWorkstationWithServer, root) != KV_OK)
            Fail("a root job does not start");
        Pump();
    }

    void Deliver(char what, std::string_view text) {
        const std::uint32_t from = what == 's' || what == 'w' ? kOtherPeer : kLoopbackAddress;
        JobHost& host = what == 'S' || what == 's' ? server_ : workstation_;
        host.HandleText(std::string(text), from);
    }

    // Both hosts pumped, and the texts between them delivered, until nothing
    // happens or the rounds are used up.
    void Pump() {
        for (int round = 0; round < kRoundsPerChunk; ++round) {
            bool worked = server_.PumpOnce();
            worked = workstation_.PumpOnce() || worked;
            while (!on_the_way_.empty()) {
                auto [to, text] = std::move(on_the_way_.front());
                on_the_way_.pop_front();
                to->HandleText(text, kLoopbackAddress);
                worked = true;
            }
            if (!worked)
                return;
        }
    }

    // Both processes end: their roots stop; the peers no longer reach each
    // other.
    void Stop() {
        stopped_ = true;
        on_the_way_.clear();
        server_.Shutdown();
        workstation_.Shutdown();
    }
    // Every job is stopped, whether it waits for its peer or not.
    void StopAllJobs() {
        server_.Logoff(false);
        workstation_.Logoff(false);
    }

    void CheckNoRequesters() {
        CheckNoRequesters(server_, "server");
        CheckNoRequesters(workstation_, "workstation");
    }
    void CheckEmpty() {
        CheckEmpty(server_, "server");
        CheckEmpty(workstation_, "workstation");
    }

    [[noreturn]] static void Fail(const char* what) {
        std::fprintf(stderr, "%s\n", what);
        std::abort();
    }

private:
    KvResult Carry(JobHost& to, const std::string& text) {
        if (stopped_)
            return KV_E_SOCKET_CONNECT;
        on_the_way_.emplace_back(&to, text);
        return KV_OK;
    }

    static void CheckNoRequesters(JobHost& host, const char* name) {
        for (const std::uint32_t type : kRequesterTypes) {
            const CKvJobMap* jobs = host.GetHandler().FindJobsOfType(type);
            if (jobs == nullptr)
                continue;
            for (const auto& [id, job] : *jobs) {
                if (host.GetJobRole(id) == JobRole::kExecutor)
                    continue;
                std::fprintf(stderr,
                             "the %s holds job %u of type %u in state %u 130 s after its root "
                             "was asked to stop\n",
                             name, id, type, job->GetState());
                std::abort();
            }
        }
    }

    static void CheckEmpty(JobHost& host, const char* name) {
        const CKvJobHandlerEntry* first = host.GetHandler().FirstJob(0);
        if (first != nullptr) {
            std::fprintf(stderr,
                         "the %s holds %u jobs, the first of type %u in state %u, 130 s after "
                         "every job was stopped\n",
                         name, host.GetHandler().CountJobs(0), first->GetType(),
                         first->GetState());
            std::abort();
        }
    }

    JobHost server_{true};
    JobHost workstation_{false};
    std::deque<std::pair<JobHost*, std::string>> on_the_way_;
    bool stopped_ = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = [] {
        RegisterFrameworkPayloads();
        RegisterDataPayloads();
        RegisterJobPayloads();
        RegisterCapiPayloads();
        return true;
    }();
    (void)registered;
    static ScopedNameResolver scoped_names(std::make_shared<NoNames>());
    static FixedLocalIdentitySource identity("anna", "localhost", {kLoopbackAddress});
    static ScopedLocalIdentitySource scoped_identity(identity);

    ManualClock clock(1700000000);
    ScopedClock scoped_clock(clock);
    JoinedHosts hosts;

    std::string_view input(reinterpret_cast<const char*>(data), size);
    for (std::size_t chunks = 0; !input.empty() && chunks < kMostChunks; ++chunks) {
        const std::size_t end = input.find('\0');
        const std::string_view chunk = input.substr(0, end);
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
        if (chunk.empty())
            continue;
        const char what = chunk[0];
        if (what == 'T') {
            const std::uint32_t seconds =
                chunk.size() > 1 ? static_cast<std::uint8_t>(chunk[1]) : 1;
            clock.Advance(seconds * 1000);
        } else if (what == 'S' || what == 'W' || what == 's' || what == 'w') {
            hosts.Deliver(what, chunk.substr(1));
        } else {
            continue;
        }
        hosts.Pump();
    }

    const auto run_out = [&] {
        for (std::uint32_t second = 0; second < kStopSeconds; ++second) {
            clock.Advance(1000);
            hosts.Pump();
        }
    };
    hosts.Stop();
    run_out();
    hosts.CheckNoRequesters();
    hosts.StopAllJobs();
    run_out();
    hosts.CheckEmpty();
    return 0;
}
