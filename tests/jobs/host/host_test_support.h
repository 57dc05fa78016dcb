#pragma once
// Two hosts on 127.0.0.1 for tests of what goes between them.

#include "capi/capi_payloads.h"
#include "data/data_host.h"
#include "jobs/host/job_host.h"
#include "jobs/jobs_test_support.h"
#include "platform/clock.h"

// The server's DATAHOST for this machine, accepting every user.
inline void StoreAcceptingHost(JobHost& server) {
    auto host = std::make_unique<CKvDataHost>();
    host->GetHost().Set("localhost", kLoopbackAddress, 0);
    host->SetFlagAcceptAllUser(true);
    server.GetRecordService().StoreRecord(std::move(host), K_KVDT_TP_DTHDLR_DATACOMPUTER);
}

// A server host and a workstation host on 127.0.0.1, started, with a manual
// clock and the loopback identity. With scripted_capi the server serves CAPI
// with its scripted side.
class TwoHostsTest : public ::testing::Test {
protected:
    static constexpr std::uint32_t kLimitMs = 20000;

    explicit TwoHostsTest(bool scripted_capi = false)
        : scoped_clock_(clock_), identity_("anna", "localhost", {kLoopbackAddress}),
          scoped_identity_(identity_) {
        RegisterAllPayloads();
        if (scripted_capi) {
            RegisterCapiPayloads();
            server_.UseScriptedCapi();
        }
        EXPECT_EQ(server_.Start("127.0.0.1"), KV_OK);
        EXPECT_EQ(workstation_.Start("127.0.0.1"), KV_OK);
    }

    bool Run(const std::function<bool()>& predicate) {
        return RunHosts({&server_, &workstation_}, predicate, kLimitMs);
    }

    ManualClock clock_{1700000000};
    ScopedClock scoped_clock_;
    FixedLocalIdentitySource identity_;
    ScopedLocalIdentitySource scoped_identity_;
    JobHost server_{true};
    JobHost workstation_{false};
};

// The two hosts with a server that accepts every user of this machine.
class LoopbackHostsTest : public TwoHostsTest {
protected:
    LoopbackHostsTest() { StoreAcceptingHost(server_); }

    // The server's CLIENT2 job, or null.
    CKvJobData* Executor() {
        return static_cast<CKvJobData*>(server_.GetHandler().FirstJob(K_KVJBDT_TP_CLIENT2));
    }
    CKvJobData* Client() { return workstation_.FindJob(client_id_); }
    // A CLIENT2 logon of the workstation at the server, to RUNNING on both
    // sides.
    void LogOn() {
        ASSERT_EQ(workstation_.StartLogon("127.0.0.1", server_.GetPort(), "anna", client_id_),
                  KV_OK);
        ASSERT_TRUE(Run([&] {
            return Client() && Client()->GetState() == KV_JOB_STATE_RUNNING && Executor() &&
                   Executor()->GetState() == KV_JOB_STATE_RUNNING;
        }));
    }

    std::uint32_t client_id_ = 0;
};
