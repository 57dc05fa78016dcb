// An application thread blocked on its CAPI calls while the test thread pumps
// the two hosts that carry them: the completion event is the only hand-over.

#include "jobs/host/job_host.h"

#include "capi/capi_payloads.h"
#include "jobs/jobs_test_support.h"
#include "platform/clock.h"

#include <atomic>
#include <thread>

namespace {

constexpr DWORD kWaitMs = 30000;

std::shared_ptr<CAPIFuncData> NewCall(std::uint32_t type, std::int32_t id,
                                      std::int32_t appl_id) {
    auto record = std::make_shared<CAPIFuncData>();
    record->SetType(type);
    record->SetId(id);
    record->SetApplicationId(appl_id);
    if (type == CAPIFuncData::kPutMessage) {
        std::uint8_t message[12] = {12, 0, 1, 0, 0x80, 0x86, 0, 0, 1, 0, 0, 0};
        record->SetMessage(message);
    }
    return record;
}

TEST(JobHostCapiConcurrency, AnApplicationThreadWaitsOnItsCallsWhileTheHostsRun) {
    RegisterAllPayloads();
    RegisterCapiPayloads();
    // The hosts run on a clock that stands still, so that no call expires
    // however slowly a loaded machine carries it: the waits below are limits
    // only.
    ManualClock clock(1700000000);
    ScopedClock scoped_clock(clock);
    FixedLocalIdentitySource identity("anna", "localhost", {kLoopbackAddress});
    ScopedLocalIdentitySource scoped_identity(identity);
    JobHost server(true);
    JobHost workstation(false);
    server.UseScriptedCapi();
    ASSERT_EQ(server.Start("127.0.0.1"), KV_OK);
    ASSERT_EQ(workstation.Start("127.0.0.1"), KV_OK);
    auto* client = new TestClientJob("127.0.0.1", workstation.GetPort());
    client->SetLocalHost("server", "127.0.0.1", server.GetPort());
    ASSERT_EQ(workstation.AddHostJob(client, JobRole::kNone), KV_OK);
    ASSERT_EQ(server.AddHostJob(new TestClientJob("127.0.0.1", workstation.GetPort()),
                                JobRole::kNone),
              KV_OK);

    std::atomic<bool> done{false};
    std::atomic<int> completed{0};
    std::atomic<std::int32_t> appl_id{0};
    std::thread application([&] {
        auto registered = NewCall(CAPIFuncData::kRegister, 1, 0);
        if (workstation.PostCapiCall(registered) == KV_OK && registered->WaitCompleted(kWaitMs)) {
            ++completed;
            appl_id = registered->GetApplicationId();
            for (std::int32_t id = 2; id < 12; ++id) {
                auto put = NewCall(CAPIFuncData::kPutMessage, id, appl_id);
                if (workstation.PostCapiCall(put) == KV_OK && put->WaitCompleted(kWaitMs) &&
                    put->GetReturnValue() == 0)
                    ++completed;
            }
            auto release = NewCall(CAPIFuncData::kRelease, 12, appl_id);
            if (workstation.PostCapiCall(release) == KV_OK && release->WaitCompleted(kWaitMs))
                ++completed;
        }
        done = true;
    });
    const bool finished = RunHosts({&server, &workstation}, [&] { return done.load(); }, 60000);
    application.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(completed.load(), 12);
    EXPECT_EQ(appl_id.load(), 1);
    EXPECT_TRUE(RunHosts(
        {&server, &workstation},
        [&] { return server.GetHandler().FirstJob(K_KVJBDT_TP_CAPISERVER) == nullptr; },
        10000));
}

} // namespace
