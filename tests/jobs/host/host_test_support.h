#pragma once
// Two hosts on 127.0.0.1 for tests of what goes between them.

#include "capi/capi_payloads.h"
#include "data/data_host.h"
#include "jobs/host/job_host.h"
#include "jobs/jobs_test_support.h"
#include "platform/clock.h"
#include "platform/tcp_test_support.h"

#include <fcntl.h>
#include <memory>
#include <vector>

// Sends the text over a connection to 127.0.0.1:port from the source address.
inline bool SendFrom(const char* source, std::uint16_t port, const std::string& text) {
    const int fd = ConnectTo(port, source);
    if (fd < 0)
        return false;
    const bool sent =
        ::send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return sent;
}

// A port on a loopback address whose accept queue is full: a connection to
// it is neither refused nor accepted, as to a host that does not answer.
class SilentDestination {
public:
    explicit SilentDestination(const char* address) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        socklen_t length = sizeof local;
        if (listener_ < 0 || ::inet_pton(AF_INET, address, &local.sin_addr) != 1 ||
            ::bind(listener_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
            ::listen(listener_, 0) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&local), &length) != 0)
            return;
        port_ = ntohs(local.sin_port);
        // The queue holds one more than its backlog; later handshakes wait.
        for (int i = 0; i < 3; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            if (fd < 0)
                continue;
            ::connect(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
            fillers_.push_back(fd);
        }
    }
    ~SilentDestination() {
        for (const int fd : fillers_)
            ::close(fd);
        if (listener_ >= 0)
            ::close(listener_);
    }
    SilentDestination(const SilentDestination&) = delete;
    SilentDestination& operator=(const SilentDestination&) = delete;
    // 0 when the port could not be made.
    std::uint16_t GetPort() const { return port_; }
    // Moves its descriptors to numbers from floor on, out of a soft limit
    // lowered later.
    void MoveAbove(int floor) {
        const auto move = [floor](int& fd) {
            const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, floor);
            if (moved < 0)
                return;
            ::close(fd);
            fd = moved;
        };
        if (listener_ >= 0)
            move(listener_);
        for (int& fd : fillers_)
            move(fd);
    }

private:
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::vector<int> fillers_;
};

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
        server_started_ = server_.Start("127.0.0.1");
        workstation_started_ = workstation_.Start("127.0.0.1");
    }
    void SetUp() override {
        ASSERT_EQ(server_started_, KV_OK);
        ASSERT_EQ(workstation_started_, KV_OK);
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
    KvResult server_started_ = KV_E_FAIL;
    KvResult workstation_started_ = KV_E_FAIL;
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
