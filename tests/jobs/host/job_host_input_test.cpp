// What a host takes from the wire: texts for a job come from its partner's
// address only, and the logs keep the latest entries while the count goes on.
#include "jobs/host/job_host.h"

#include "data/data_host.h"
#include "jobs/job_data_client2.h"
#include "jobs/jobs_test_support.h"
#include "platform/clock.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t kLimitMs = 10000;

// Sends the text over a connection bound to the source address.
bool SendFrom(const char* source, std::uint16_t port, const std::string& text) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, source, &local.sin_addr);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    target.sin_port = htons(port);
    const bool sent =
        ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
        ::connect(fd, reinterpret_cast<sockaddr*>(&target), sizeof target) == 0 &&
        ::send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return sent;
}

class HostInputTest : public ::testing::Test {
protected:
    HostInputTest()
        : scoped_clock_(clock_), identity_("anna", "localhost", {kLoopbackAddress}),
          scoped_identity_(identity_) {
        RegisterAllPayloads();
        EXPECT_EQ(server_.Start("127.0.0.1"), KV_OK);
        EXPECT_EQ(workstation_.Start("127.0.0.1"), KV_OK);
        auto host = std::make_unique<CKvDataHost>();
        host->GetHost().Set("localhost", kLoopbackAddress, 0);
        host->SetFlagAcceptAllUser(true);
        server_.StoreRecord(std::move(host), K_KVDT_TP_DTHDLR_DATACOMPUTER);
    }

    bool Run(const std::function<bool()>& predicate) {
        return RunHosts({&server_, &workstation_}, predicate, kLimitMs);
    }
    CKvJobData* Executor() {
        return static_cast<CKvJobData*>(server_.GetHandler().FirstJob(K_KVJBDT_TP_CLIENT2));
    }
    CKvJobData* Client() { return workstation_.FindJob(client_id_); }
    void LogOn() {
        ASSERT_EQ(workstation_.StartLogon("127.0.0.1", server_.GetPort(), "anna", client_id_),
                  KV_OK);
        ASSERT_TRUE(Run([&] {
            return Client() && Client()->GetState() == KV_JOB_STATE_RUNNING && Executor() &&
                   Executor()->GetState() == KV_JOB_STATE_RUNNING;
        }));
    }
    // The workstation's logoff, as a third party could write it.
    std::string ForgedLogoff() {
        CKvJobDataClient2 forged;
        forged.SetLoginName("anna");
        forged.SetHeader(KV_MSG_KIND_INFO, KV_MSG_ATTR_ENDED, Executor()->GetJobId(), client_id_);
        std::string text;
        EXPECT_EQ(forged.Serialize(text), KV_OK);
        return text;
    }

    ManualClock clock_{1700000000};
    ScopedClock scoped_clock_;
    FixedLocalIdentitySource identity_;
    ScopedLocalIdentitySource scoped_identity_;
    JobHost server_{true};
    JobHost workstation_{false};
    std::uint32_t client_id_ = 0;
};

TEST_F(HostInputTest, ATextFromAnotherAddressThanThePartnersIsRefused) {
    LogOn();
    const std::string forged = ForgedLogoff();
    const std::uint64_t received = server_.GetReceivedCount();
    ASSERT_TRUE(SendFrom("127.0.0.2", server_.GetPort(), forged));
    ASSERT_TRUE(Run([&] { return server_.GetReceivedCount() == received + 1; }));
    EXPECT_EQ(server_.GetReceiveLog().back(), JobTextResult::kWrongPeer);
    ASSERT_FALSE(server_.GetHostLog().empty());
    EXPECT_NE(server_.GetHostLog().back().find("127.0.0.2"), std::string::npos);
    RunHosts(
        {&server_, &workstation_}, [] { return false; }, 200);
    EXPECT_EQ(Executor()->GetState(), KV_JOB_STATE_RUNNING);
    EXPECT_EQ(Executor()->GetIncomingQueue().GetCount(), 0);

    // The same text from the partner's address is taken.
    ASSERT_TRUE(SendFrom("127.0.0.1", server_.GetPort(), forged));
    ASSERT_TRUE(Run([&] { return server_.GetReceivedCount() == received + 2; }));
    EXPECT_EQ(server_.GetReceiveLog().back(), JobTextResult::kAccepted);
    EXPECT_TRUE(Run(
        [&] { return Executor() == nullptr || Executor()->GetState() != KV_JOB_STATE_RUNNING; }));
}

TEST_F(HostInputTest, ARequesterTakesItsPartnerFromTheFirstAnswer) {
    LogOn();
    // An ALIVE answer forged from elsewhere does not reach the client.
    CKvJobDataClient2 forged;
    forged.SetHeader(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ALIVE, client_id_,
                     Executor()->GetJobId());
    std::string text;
    ASSERT_EQ(forged.Serialize(text), KV_OK);
    const std::uint64_t received = workstation_.GetReceivedCount();
    ASSERT_TRUE(SendFrom("127.0.0.2", workstation_.GetPort(), text));
    ASSERT_TRUE(Run([&] { return workstation_.GetReceivedCount() == received + 1; }));
    EXPECT_EQ(workstation_.GetReceiveLog().back(), JobTextResult::kWrongPeer);
}

TEST_F(HostInputTest, TheLogsKeepTheLatestEntriesAndTheCountGoesOn) {
    server_.SetLogLimit(3);
    for (int i = 0; i < 5; ++i)
        server_.HandleText(i < 4 ? "<Other/>" : "<JobData");
    EXPECT_EQ(server_.GetReceivedCount(), 5u);
    ASSERT_EQ(server_.GetReceiveLog().size(), 3u);
    EXPECT_EQ(server_.GetReceiveLog().back(), JobTextResult::kNotXml);
    EXPECT_EQ(server_.GetReceiveLog().front(), JobTextResult::kNoJobData);

    // By default a thousand.
    for (int i = 0; i < 1001; ++i)
        workstation_.HandleText("<Other/>");
    EXPECT_EQ(workstation_.GetReceivedCount(), 1001u);
    EXPECT_EQ(workstation_.GetReceiveLog().size(), kDefaultHostLogLimit);
}

TEST_F(HostInputTest, TheServiceLogKeepsTheLatestEntries) {
    server_.SetLogLimit(2);
    for (const char* line : {"one", "two", "three"}) {
        CKvMessage* message = nullptr;
        void* payload = nullptr;
        ASSERT_TRUE(
            server_.GetRouter().CreateMessageWithPayload(message, payload, KV_PAYLOAD_TEXT));
        *static_cast<std::string*>(payload) = line;
        message->SetKindAndCommand(KV_MSG_KIND_INFO, KV_MSG_COMMAND_NOTIFICATION, 0);
        ASSERT_EQ(message->Send(KV_ENDPOINT_CHAT_LOG, JobHost::kDefaultHandlerEndpoint,
                                &server_.GetRouter(), 1, true, false),
                  KV_OK);
    }
    server_.PumpOnce();
    const std::deque<HostServiceEntry>& log = server_.GetServiceLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].text, "two");
    EXPECT_EQ(log[1].text, "three");
}

} // namespace
