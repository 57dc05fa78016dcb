// The host's senders: a peer or a name look-up that does not answer holds up
// no job of the host; texts to one destination keep their order; the limits
// of senders and waiting texts hold.
#include "jobs/host/job_host.h"

#include "jobs/host/host_test_support.h"
#include "platform/name_resolver.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

constexpr std::uint32_t kHoldMs = 20000;

// Holds every look-up of a name ending in ".held" until released; then those
// names do not resolve. Other names do not resolve either. A look-up given up
// by a stopped host may end after its test, so there is one for all tests.
class HoldingResolver final : public NameResolver {
public:
    static HoldingResolver& Get() {
        static HoldingResolver& resolver = *new HoldingResolver;
        return resolver;
    }
    // Holds again once the look-ups of an earlier test have ended.
    void Reset() {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(kHoldMs),
                          [this] { return holding_ == 0; });
        released_ = false;
    }
    bool LookupName(std::uint32_t, std::string&) override { return false; }
    bool LookupAddress(const std::string& name, std::uint32_t&) override {
        if (name.size() < 5 || name.compare(name.size() - 5, 5, ".held") != 0)
            return false;
        std::unique_lock lock(mutex_);
        ++holding_;
        changed_.notify_all();
        changed_.wait_for(lock, std::chrono::milliseconds(kHoldMs), [this] { return released_; });
        --holding_;
        changed_.notify_all();
        return false;
    }
    bool WaitHolding(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(kHoldMs),
                                 [&] { return holding_ == count; });
    }
    int Holding() {
        std::lock_guard lock(mutex_);
        return holding_;
    }
    void Release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int holding_ = 0;
    bool released_ = false;
};

class HostSendersTest : public LoopbackHostsTest {
protected:
    HostSendersTest() : scoped_resolver_(resolver_) { resolver_.Reset(); }
    ~HostSendersTest() override {
        // The held look-ups end, whether or not their hosts wait for them.
        resolver_.Release();
    }

    // A job's request to the network service: send the text to name:port.
    void RequestSend(JobHost& host, const std::string& name, std::uint32_t port,
                     const std::string& text) {
        CKvMessage* message = nullptr;
        void* payload = nullptr;
        ASSERT_TRUE(
            host.GetRouter().CreateMessageWithPayload(message, payload, KV_PAYLOAD_TYPED_OBJECT42));
        auto* request = static_cast<CKvTypedObject42*>(payload);
        request->SetState(1);
        request->SetData(std::string(), port, text, CKvJobData::kSendTimeoutMs);
        request->peers[0].SetName(name.c_str());
        message->SetKindAndCommand(KV_MSG_KIND_INFO, KV_MSG_COMMAND_NOTIFICATION,
                                   KV_SUBCOMMAND_ONE_RECORD);
        ASSERT_EQ(message->Send(KV_ENDPOINT_NETWORK, JobHost::kDefaultHandlerEndpoint,
                                &host.GetRouter(), 1, true, false),
                  KV_OK);
    }
    static bool Logged(const JobHost& host, const std::string& part) {
        const std::deque<std::string>& log = host.GetHostLog();
        return std::any_of(log.begin(), log.end(), [&](const std::string& line) {
            return line.find(part) != std::string::npos;
        });
    }

    HoldingResolver& resolver_ = HoldingResolver::Get();
    ScopedNameResolver scoped_resolver_;
};

TEST_F(HostSendersTest, ANameLookUpThatDoesNotAnswerHoldsUpNoOtherJob) {
    RequestSend(server_, "peer.held", 4100, "<JobData/>");
    RequestSend(workstation_, "peer.held", 4100, "<JobData/>");
    ASSERT_TRUE(Run([&] { return resolver_.Holding() == 2; }));

    // A logon between the two hosts goes through while both look-ups hang.
    std::uint32_t id = 0;
    ASSERT_EQ(workstation_.StartLogon("127.0.0.1", server_.GetPort(), "anna", id), KV_OK);
    EXPECT_TRUE(Run([&] {
        CKvJobData* client = workstation_.FindJob(id);
        return client != nullptr && client->GetState() == KV_JOB_STATE_RUNNING &&
               resolver_.Holding() == 2;
    }));

    // The sends whose result nobody asked for are logged when they fail.
    resolver_.Release();
    EXPECT_TRUE(Run([&] {
        return Logged(server_, "sending to peer.held:4100 failed") &&
               Logged(workstation_, "sending to peer.held:4100 failed");
    }));
}

TEST_F(HostSendersTest, StoppingAHostDoesNotWaitForANameLookUp) {
    RequestSend(workstation_, "peer.held", 4100, "<JobData/>");
    ASSERT_TRUE(Run([&] { return resolver_.Holding() == 1; }));
    workstation_.Stop();
    // Still held: the stop gave the send up instead of waiting for it.
    EXPECT_EQ(resolver_.Holding(), 1);
    EXPECT_EQ(workstation_.GetHostLog().size(), 0u);
}

TEST_F(HostSendersTest, ALogonTextThatCannotBeSentEndsTheLogon) {
    // A port nobody listens on.
    JobHost gone(true);
    ASSERT_EQ(gone.Start("127.0.0.1"), KV_OK);
    const std::uint16_t closed = gone.GetPort();
    gone.Stop();
    std::uint32_t id = 0;
    ASSERT_EQ(workstation_.StartLogon("127.0.0.1", closed, "anna", id), KV_OK);
    // No clock moves: only the failed send ends it.
    EXPECT_TRUE(Run([&] { return workstation_.FindJob(id) == nullptr; }));
    EXPECT_TRUE(Logged(workstation_, "sending to 127.0.0.1:" + std::to_string(closed) +
                                         " failed: not connected"));
}

TEST_F(HostSendersTest, TextsToOneDestinationKeepTheirOrder) {
    std::vector<std::string> sent;
    for (int i = 0; i < 40; ++i) {
        sent.push_back("<Other n=\"" + std::to_string(i) + "\"/>");
        ASSERT_TRUE(workstation_.PostSend("127.0.0.1", server_.GetPort(), sent.back(), 2000));
    }
    std::vector<std::string> received;
    server_.SetWireObserver([&](const std::string& text) { received.push_back(text); });
    ASSERT_TRUE(Run([&] { return received.size() == sent.size(); }));
    EXPECT_EQ(received, sent);
    server_.SetWireObserver({});
}

TEST_F(HostSendersTest, FourSendersAtOnceAndAThousandAndTwentyFourWaitingTexts) {
    workstation_.SetLogLimit(2 * HostSenders::kMaxWaiting);
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(workstation_.PostSend("peer" + std::to_string(i) + ".held", 4100, "x", 2000));
    ASSERT_TRUE(resolver_.WaitHolding(static_cast<int>(HostSenders::kMaxSenders)));
    // The fifth destination waits for a sender; so do the texts behind it.
    std::size_t posted = 1;
    while (posted < HostSenders::kMaxWaiting) {
        ASSERT_TRUE(workstation_.PostSend("peer4.held", 4100, "x", 2000));
        ++posted;
    }
    EXPECT_EQ(resolver_.Holding(), static_cast<int>(HostSenders::kMaxSenders));
    EXPECT_FALSE(workstation_.PostSend("peer4.held", 4100, "one more", 2000));
    EXPECT_TRUE(Logged(workstation_, "dropped a text to peer4.held:4100"));
    resolver_.Release();
    EXPECT_TRUE(Run([&] {
        return std::count_if(workstation_.GetHostLog().begin(), workstation_.GetHostLog().end(),
                             [](const std::string& line) {
                                 return line.find("failed") != std::string::npos;
                             }) == static_cast<std::ptrdiff_t>(HostSenders::kMaxWaiting + 4);
    }));
}

} // namespace
