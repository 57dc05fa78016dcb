#include "framework/job_handler_registry.h"

#include "framework/message_router.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

namespace {

constexpr DWORD kWait = 30000;
constexpr std::uint32_t kJobsPerOwner = 500;
constexpr std::uint32_t kDialJob = 13;

class PlainJob : public CKvJobHandlerEntry {
public:
    std::uint32_t GetType() const override { return kDialJob; }
    void SetTarget(CKvMessageRouter*, std::uint16_t) override {}
    void SetTransportMode(std::uint32_t) override {}
};

// Files jobs in a registry of its own thread, checks them there, then tells
// the waiting thread through the registry's event.
struct Owner {
    explicit Owner(CKvMessageRouter& router) : router_(router) {}

    void Run() {
        CKvIMSGJobDataHandler handler(&router_, 0x805, 0, nullptr, false);
        registry = &handler;
        created.Set();
        for (std::uint32_t i = 0; i < kJobsPerOwner; ++i) {
            auto* job = new PlainJob;
            if (handler.AddJob(job) != KV_OK) {
                delete job;
                continue;
            }
            ids.push_back(job->GetJobId());
            found += handler.FindJob(job->GetJobId()) == job ? 1 : 0;
        }
        count = handler.CountJobs(0);
        handler.Signal();
        release.Wait(kWait);
        registry = nullptr;
    }

    CKvMessageRouter& router_;
    CKvIMSGJobDataHandler* registry = nullptr;
    ManualResetEvent created, release;
    std::vector<std::uint32_t> ids;
    std::uint32_t found = 0;
    std::uint32_t count = 0;
};

} // namespace

TEST(JobHandlerConcurrency, OwnersOnTwoThreadsGetDistinctIdsAndAWaiterIsWokenByTheirSignals) {
    CKvMessageRouter router;
    ASSERT_EQ(router.Init(&GetHandleTable()), KV_OK);
    Owner first(router), second(router);
    std::thread first_thread(&Owner::Run, &first);
    std::thread second_thread(&Owner::Run, &second);
    ASSERT_TRUE(first.created.Wait(kWait) && second.created.Wait(kWait));
    // This thread is the one waiter of each registry; a lost signal would
    // leave it waiting out the time-out.
    const bool first_signalled = first.registry->Wait(kWait);
    const bool second_signalled = second.registry->Wait(kWait);
    first.release.Set();
    second.release.Set();
    first_thread.join();
    second_thread.join();
    EXPECT_TRUE(first_signalled && second_signalled);

    std::set<std::uint32_t> distinct;
    for (const Owner* owner : {&first, &second}) {
        EXPECT_EQ(std::tuple(owner->ids.size(), owner->found, owner->count),
                  std::tuple(std::size_t{kJobsPerOwner}, kJobsPerOwner, kJobsPerOwner));
        distinct.insert(owner->ids.begin(), owner->ids.end());
    }
    EXPECT_EQ(distinct.size(), 2u * kJobsPerOwner) << "no job id is handed out twice";
    EXPECT_EQ(distinct.count(0) + distinct.count(1), 0u);
}
