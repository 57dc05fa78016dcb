// A host with 500 silent connections open still logs a user on and keeps the
// logon alive; afterwards its descriptors and threads are what they were. A
// flood of texts the host does not take yet fills no more than the listener's
// bound, and every text comes once when the host takes them.
#include "jobs/host/job_host.h"

#include "jobs/host/host_test_support.h"
#include "platform/tcp_test_support.h"

#include <dirent.h>
#include <set>
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

// A text of exactly size bytes that names its number.
std::string NumberedText(int number, std::size_t size) {
    std::string text = "<Flood n=\"" + std::to_string(number) + "\"/>";
    text.resize(size, ' ');
    return text;
}

TEST(JobHostListenerConcurrency, AFloodTheHostDoesNotTakeYetStaysWithinTheListenersBound) {
    RegisterAllPayloads();
    constexpr int kTexts = 200;
    constexpr int kSenders = 8;
    constexpr std::size_t kSize = TcpTextListener::kDefaultMaxBytes;
    JobHost server(true);
    ASSERT_EQ(server.Start("127.0.0.1"), KV_OK);
    const TcpTextListener& listener = server.GetListener();
    std::vector<std::string> arrived;
    server.SetWireObserver([&](const std::string& text) { arrived.push_back(text); });

    std::vector<KvResult> results(kTexts, KV_E_FAIL);
    std::vector<std::thread> senders;
    for (int sender = 0; sender < kSenders; ++sender) {
        senders.emplace_back([&, sender] {
            for (int i = sender; i < kTexts; i += kSenders)
                results[i] =
                    SendText("127.0.0.1", server.GetPort(), NumberedText(i, kSize), kLimitMs);
        });
    }
    // Not pumped: the listener stops reading once the texts it handed on
    // fill its bound.
    const bool all_read = WaitUntil([&] {
        return listener.GetPauseCount() > 0 ||
               (listener.GetAcceptedCount() == kTexts && listener.GetOpenCount() == 0);
    }, kLimitMs);
    EXPECT_TRUE(all_read);
    EXPECT_EQ(listener.GetPauseCount(), 1u);
    EXPECT_LE(listener.GetHeldBytes(), TcpTextListener::kMaxBufferedBytes);
    EXPECT_EQ(server.GetReceivedCount(), 0u);

    EXPECT_TRUE(RunHosts(
        {&server}, [&] { return server.GetReceivedCount() >= kTexts; }, kLimitMs));
    for (std::thread& thread : senders)
        thread.join();
    EXPECT_EQ(server.GetReceivedCount(), static_cast<std::uint64_t>(kTexts));
    EXPECT_EQ(listener.GetDroppedCount(), 0u) << listener.DescribeDropped();
    EXPECT_LE(listener.GetPeakHeldBytes(), TcpTextListener::kMaxBufferedBytes);
    EXPECT_EQ(listener.GetHeldBytes(), 0u);
    std::set<int> numbers;
    for (const std::string& text : arrived) {
        const int number = std::atoi(text.c_str() + std::strlen("<Flood n=\""));
        EXPECT_EQ(text, NumberedText(number, kSize));
        numbers.insert(number);
    }
    EXPECT_EQ(numbers.size(), static_cast<std::size_t>(kTexts));
    EXPECT_EQ(std::count(results.begin(), results.end(), KV_OK), kTexts);
    server.SetWireObserver({});
}

TEST(JobHostListenerConcurrency, AStartingHostRaisesTheSoftDescriptorLimit) {
    ScopedSoftLimit lowered(512);
    ASSERT_TRUE(lowered.ok());
    ASSERT_GE(lowered.hard(), 4096u);
    JobHost server(true);
    ASSERT_EQ(server.Start("127.0.0.1"), KV_OK);
    rlimit raised{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &raised), 0);
    EXPECT_EQ(raised.rlim_cur, 4096u);
    EXPECT_EQ(server.GetListener().GetMaxConnections(), TcpTextListener::kMaxConnections);
}

TEST(JobHostListenerConcurrency, OnePumpTakesAtMostItsShareOfWaitingTexts) {
    RegisterAllPayloads();
    constexpr std::size_t kTexts = JobHost::kMaxTextsPerPump + 44;
    JobHost server(true);
    ASSERT_EQ(server.Start("127.0.0.1"), KV_OK);
    for (std::size_t i = 0; i < kTexts; ++i)
        ASSERT_EQ(SendText("127.0.0.1", server.GetPort(), "<JobData/>", kLimitMs), KV_OK);
    const TcpTextListener& listener = server.GetListener();
    ASSERT_TRUE(WaitUntil(
        [&] { return listener.GetAcceptedCount() == kTexts && listener.GetOpenCount() == 0; },
        kLimitMs));
    EXPECT_TRUE(server.PumpOnce());
    EXPECT_EQ(server.GetReceivedCount(), JobHost::kMaxTextsPerPump);
    server.PumpOnce();
    EXPECT_EQ(server.GetReceivedCount(), kTexts);
}

} // namespace
