// A host with 500 silent connections open still logs a user on and keeps the
// logon alive; afterwards its descriptors and threads are what they were.
#include "jobs/host/job_host.h"

#include "jobs/host/host_test_support.h"
#include "platform/tcp_test_support.h"

#include <dirent.h>
#include <sys/resource.h>
#include <thread>

namespace {

constexpr std::uint32_t kLimitMs = 60000;
constexpr int kSilentConnections = 500;

std::size_t CountEntries(const char* directory) {
    std::size_t count = 0;
    if (DIR* dir = ::opendir(directory)) {
        while (const dirent* entry = ::readdir(dir))
            count += entry->d_name[0] != '.';
        ::closedir(dir);
    }
    return count;
}

std::size_t OpenDescriptors() {
    return CountEntries("/proc/self/fd");
}
std::size_t Threads() {
    return CountEntries("/proc/self/task");
}

void RaiseDescriptorLimit(rlim_t wanted) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= wanted)
        return;
    limit.rlim_cur = std::min(wanted, limit.rlim_max);
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

TEST(JobHostListenerConcurrency, SilentConnectionsDelayNeitherALogonNorItsKeepAlive) {
    RaiseDescriptorLimit(2048);
    RegisterAllPayloads();
    ManualClock clock(1700000000);
    ScopedClock scoped_clock(clock);
    FixedLocalIdentitySource identity("anna", "localhost", {kLoopbackAddress});
    ScopedLocalIdentitySource scoped_identity(identity);
    // A sanitizer's runtime may start a thread of its own with the process's
    // first one: that is counted before.
    std::thread([] {}).join();
    const std::size_t threads = Threads();
    {
        JobHost server(true);
        JobHost workstation(false);
        ASSERT_EQ(server.Start("127.0.0.1"), KV_OK);
        ASSERT_EQ(workstation.Start("127.0.0.1"), KV_OK);
        StoreAcceptingHost(server);
        const std::vector<JobHost*> hosts = {&server, &workstation};
        const std::size_t descriptors = OpenDescriptors();

        std::vector<int> silent;
        for (int i = 0; i < kSilentConnections; ++i) {
            silent.push_back(ConnectTo(i % 2 == 0 ? server.GetPort() : workstation.GetPort()));
            ASSERT_GE(silent.back(), 0);
        }
        std::uint32_t id = 0;
        ASSERT_EQ(workstation.StartLogon("127.0.0.1", server.GetPort(), "anna", id), KV_OK);
        const auto client = [&] { return static_cast<CKvJobData*>(workstation.FindJob(id)); };
        const auto executor = [&] {
            return static_cast<CKvJobData*>(server.GetHandler().FirstJob(K_KVJBDT_TP_CLIENT2));
        };
        ASSERT_TRUE(RunHosts(
            hosts,
            [&] {
                return client() && client()->GetState() == KV_JOB_STATE_RUNNING && executor() &&
                       executor()->GetState() == KV_JOB_STATE_RUNNING;
            },
            kLimitMs));
        const std::uint64_t alive_before = server.GetReceivedCount();
        clock.Advance(30000);
        ASSERT_TRUE(RunHosts(
            hosts,
            [&] {
                return server.GetReceivedCount() > alive_before &&
                       workstation.GetReceivedCount() >= 2;
            },
            kLimitMs));
        EXPECT_EQ(client()->GetState(), KV_JOB_STATE_RUNNING);
        EXPECT_EQ(executor()->GetState(), KV_JOB_STATE_RUNNING);

        for (int fd : silent)
            ::close(fd);
        EXPECT_TRUE(RunHosts(
            hosts, [&] { return OpenDescriptors() == descriptors; }, kLimitMs));
        EXPECT_EQ(OpenDescriptors(), descriptors);
    }
    EXPECT_EQ(Threads(), threads);
}

} // namespace
