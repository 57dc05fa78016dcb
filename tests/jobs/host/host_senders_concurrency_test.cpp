// The host's senders: a peer or a name look-up that does not answer holds up
// no job of the host; texts to one destination keep their order; the limits
// of senders and waiting texts hold.
#include "jobs/host/job_host.h"

#include "jobs/host/host_test_support.h"
#include "platform/name_resolver.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t kHoldMs = 20000;

// Where held look-ups wait; it outlives the resolver, so that a test can
// free its resolver while a look-up is held.
class Gate {
public:
    void Hold() {
        std::unique_lock lock(mutex_);
        ++holding_;
        changed_.notify_all();
        changed_.wait_for(lock, std::chrono::milliseconds(kHoldMs), [this] { return released_; });
        --holding_;
        changed_.notify_all();
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

// Holds every look-up of a name ending in ".held" until released; then those
// names do not resolve. Other names do not resolve either.
class HoldingResolver final : public NameResolver {
public:
    explicit HoldingResolver(std::shared_ptr<Gate> gate) : gate_(std::move(gate)) {}
    bool LookupName(std::uint32_t, std::string&) override { return false; }
    bool LookupAddress(const std::string& name, std::uint32_t&) override {
        if (name.size() < 5 || name.compare(name.size() - 5, 5, ".held") != 0)
            return false;
        gate_->Hold();
        // The resolver itself is still there to answer.
        ++answered_;
        return false;
    }

private:
    std::shared_ptr<Gate> gate_;
    std::atomic<int> answered_{0};
};

class HostSendersTest : public LoopbackHostsTest {
protected:
    HostSendersTest() { scoped_resolver_.emplace(resolver_); }
    ~HostSendersTest() override {
        // The held look-ups end, whether or not their hosts wait for them.
        gate_->Release();
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
    static std::ptrdiff_t CountLogged(const JobHost& host, const std::string& part) {
        const std::deque<std::string>& log = host.GetHostLog();
        return std::count_if(log.begin(), log.end(), [&](const std::string& line) {
            return line.find(part) != std::string::npos;
        });
    }

    static bool Logged(const JobHost& host, const std::string& part) {
        return CountLogged(host, part) > 0;
    }

    std::shared_ptr<Gate> gate_ = std::make_shared<Gate>();
    std::shared_ptr<HoldingResolver> resolver_ = std::make_shared<HoldingResolver>(gate_);
    std::optional<ScopedNameResolver> scoped_resolver_;
};

TEST_F(HostSendersTest, ANameLookUpThatDoesNotAnswerHoldsUpNoOtherJob) {
    RequestSend(server_, "peer.held", 4100, "<JobData/>");
    RequestSend(workstation_, "peer.held", 4100, "<JobData/>");
    ASSERT_TRUE(Run([&] { return gate_->Holding() == 2; }));

    // A logon between the two hosts goes through while both look-ups hang.
    std::uint32_t id = 0;
    ASSERT_EQ(workstation_.StartLogon("127.0.0.1", server_.GetPort(), "anna", id), KV_OK);
    EXPECT_TRUE(Run([&] {
        CKvJobData* client = workstation_.FindJob(id);
        return client != nullptr && client->GetState() == KV_JOB_STATE_RUNNING &&
               gate_->Holding() == 2;
    }));

    // The sends whose result nobody asked for are logged when they fail.
    gate_->Release();
    EXPECT_TRUE(Run([&] {
        return Logged(server_, "sending to peer.held:4100 failed") &&
               Logged(workstation_, "sending to peer.held:4100 failed");
    }));
}

TEST_F(HostSendersTest, StoppingAHostDoesNotWaitForANameLookUp) {
    RequestSend(workstation_, "peer.held", 4100, "<JobData/>");
    ASSERT_TRUE(Run([&] { return gate_->Holding() == 1; }));
    workstation_.Stop();
    // Still held: the stop gave the send up instead of waiting for it.
    EXPECT_EQ(gate_->Holding(), 1);
    EXPECT_EQ(workstation_.GetHostLog().size(), 0u);
    // The look-up keeps the resolver that the test gives up, until it ends.
    std::weak_ptr<HoldingResolver> held = resolver_;
    scoped_resolver_.reset();
    resolver_.reset();
    EXPECT_FALSE(held.expired());
    gate_->Release();
    EXPECT_TRUE(Run([&] { return held.expired(); }));
}

TEST_F(HostSendersTest, ALookUpEndsWithItsSendsTimeOutAndAFifthFailsAtOnce) {
    constexpr std::uint32_t kShortMs = 100;
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(
            workstation_.PostSend("peer" + std::to_string(i) + ".held", 4100, "x", kShortMs));
    // The senders give up; the look-ups still run.
    ASSERT_TRUE(
        Run([&] { return CountLogged(workstation_, ".held:4100 failed: timed out") == 4; }));
    EXPECT_EQ(gate_->Holding(), static_cast<int>(HostSenders::kMaxLookUps));
    ASSERT_TRUE(workstation_.PostSend("peer4.held", 4100, "x", kHoldMs));
    EXPECT_TRUE(Run([&] {
        return Logged(workstation_,
                      "sending to peer4.held:4100 failed: too many name look-ups under way");
    }));
    EXPECT_EQ(gate_->Holding(), static_cast<int>(HostSenders::kMaxLookUps));
    // Ended look-ups make room for new ones (a slot frees as its resolver
    // returns, just after the gate opens).
    gate_->Release();
    ASSERT_TRUE(gate_->WaitHolding(0));
    KvResult last = HostSenders::kTooManyLookUps;
    for (int attempt = 0; attempt < 1000 && last == HostSenders::kTooManyLookUps; ++attempt) {
        std::optional<KvResult> result;
        ASSERT_TRUE(workstation_.PostSend("peer5.held", 4100, "x", kHoldMs,
                                          [&](KvResult sent) { result = sent; }));
        ASSERT_TRUE(Run([&] { return result.has_value(); }));
        last = *result;
    }
    EXPECT_EQ(last, KV_E_SOCKET_CONNECT);
}

TEST_F(HostSendersTest, AnAddressWhoseSendTimedOutIsSkippedForThirtySecondsOnAnyPort) {
    constexpr std::uint32_t kShortMs = 300;
    // On 127.0.0.3: a listener whose accept queue fills and stays full, and
    // one that reads.
    const int stuck = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(stuck, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    ASSERT_EQ(::inet_pton(AF_INET, "127.0.0.3", &address.sin_addr), 1);
    socklen_t size = sizeof address;
    ASSERT_EQ(::bind(stuck, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(stuck, 0), 0);
    ASSERT_EQ(::getsockname(stuck, reinterpret_cast<sockaddr*>(&address), &size), 0);
    const std::uint16_t stuck_port = ntohs(address.sin_port);
    std::mutex mutex;
    std::vector<std::string> arrived;
    TcpTextListener reading;
    ASSERT_EQ(reading.Start("127.0.0.3", 0,
                            [&](std::string&& text, std::uint32_t) {
                                std::lock_guard lock(mutex);
                                arrived.push_back(std::move(text));
                            }),
              KV_OK);
    const auto arrived_count = [&] {
        std::lock_guard lock(mutex);
        return arrived.size();
    };
    std::vector<KvResult> results;
    const auto send = [&](const char* host, std::uint16_t port) {
        return workstation_.PostSend(host, port, "<Mark/>", kShortMs,
                                     [&](KvResult result) { results.push_back(result); });
    };

    // The queue takes a text or two; then one send times out and the texts
    // behind it are not tried.
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(send("127.0.0.3", stuck_port));
    ASSERT_TRUE(Run([&] { return results.size() == 8; }));
    EXPECT_EQ(std::count(results.begin(), results.end(), KV_E_TIMEOUT), 1);
    EXPECT_GE(std::count(results.begin(), results.end(), HostSenders::kSkipped), 5);
    EXPECT_TRUE(Logged(workstation_, "sending to 127.0.0.3:" + std::to_string(stuck_port) +
                                         " failed: timed out"));

    // Another port of that address is skipped too, another address is not.
    results.clear();
    ASSERT_TRUE(send("127.0.0.3", reading.GetPort()));
    ASSERT_TRUE(send("127.0.0.1", server_.GetPort()));
    ASSERT_TRUE(Run([&] { return results.size() == 2; }));
    EXPECT_EQ(results, (std::vector<KvResult>{HostSenders::kSkipped, KV_OK}));
    EXPECT_TRUE(Logged(workstation_, "sending to 127.0.0.3:" + std::to_string(reading.GetPort()) +
                                         " failed: skipped: a send to its address timed out "
                                         "within 30 s"));
    EXPECT_EQ(arrived_count(), 0u);

    // Thirty seconds on the host's clock after the time-out it is tried again.
    results.clear();
    clock_.Advance(HostSenders::kSkipMs - 1);
    ASSERT_TRUE(send("127.0.0.3", reading.GetPort()));
    ASSERT_TRUE(Run([&] { return results.size() == 1; }));
    EXPECT_EQ(results[0], HostSenders::kSkipped);
    clock_.Advance(1);
    ASSERT_TRUE(send("127.0.0.3", reading.GetPort()));
    ASSERT_TRUE(Run([&] { return results.size() == 2; }));
    EXPECT_EQ(results[1], KV_OK);
    EXPECT_TRUE(Run([&] { return arrived_count() == 1; }));
    ::close(stuck);
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
        ASSERT_TRUE(
            workstation_.PostSend("peer" + std::to_string(i) + ".held", 4100, "x", kHoldMs));
    ASSERT_TRUE(gate_->WaitHolding(static_cast<int>(HostSenders::kMaxSenders)));
    // The fifth destination waits for a sender; so do the texts behind it.
    std::size_t posted = 1;
    while (posted < HostSenders::kMaxWaiting) {
        ASSERT_TRUE(workstation_.PostSend("peer4.held", 4100, "x", kHoldMs));
        ++posted;
    }
    EXPECT_EQ(gate_->Holding(), static_cast<int>(HostSenders::kMaxSenders));
    EXPECT_FALSE(workstation_.PostSend("peer4.held", 4100, "one more", kHoldMs));
    EXPECT_TRUE(Logged(workstation_, "dropped a text to peer4.held:4100"));
    gate_->Release();
    EXPECT_TRUE(Run([&] {
        return std::count_if(workstation_.GetHostLog().begin(), workstation_.GetHostLog().end(),
                             [](const std::string& line) {
                                 return line.find("failed") != std::string::npos;
                             }) == static_cast<std::ptrdiff_t>(HostSenders::kMaxWaiting + 4);
    }));
}

} // namespace
