// The host's senders: a peer or a name look-up that does not answer holds up
// no job of the host; texts to one destination keep their order; the limits
// of senders and waiting texts hold.
#include "jobs/host/job_host.h"

#include "data/data_host.h"
#include "jobs/host/host_test_support.h"
#include "jobs/job_data_client2.h"
#include "platform/descriptor_budget.h"
#include "platform/name_resolver.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <map>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <netinet/in.h>
#include <future>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
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

// A peer on a loopback address that accepts only when asked and reads
// nothing unless asked, with a small receive window: a long text's write to
// it waits for its reads.
class HeldReader {
public:
    explicit HeldReader(const char* address) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int small = 4096;
        sockaddr_in local{};
        local.sin_family = AF_INET;
        socklen_t length = sizeof local;
        if (listener_ < 0 ||
            ::setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &small, sizeof small) != 0 ||
            ::inet_pton(AF_INET, address, &local.sin_addr) != 1 ||
            ::bind(listener_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
            ::listen(listener_, 8) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&local), &length) != 0)
            return;
        port_ = ntohs(local.sin_port);
    }
    ~HeldReader() {
        for (const int fd : accepted_)
            ::close(fd);
        if (listener_ >= 0)
            ::close(listener_);
    }
    HeldReader(const HeldReader&) = delete;
    HeldReader& operator=(const HeldReader&) = delete;
    std::uint16_t GetPort() const { return port_; }
    // The next connection, waiting up to wait_ms for it; -1 when none came.
    int Accept(int wait_ms) {
        pollfd incoming{listener_, POLLIN, 0};
        if (::poll(&incoming, 1, wait_ms) != 1)
            return -1;
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0)
            accepted_.push_back(fd);
        return fd;
    }
    // Reads the connection to its end.
    static std::string ReadAll(int fd) {
        std::string text;
        char block[65536];
        for (ssize_t got = 0; (got = ::read(fd, block, sizeof block)) > 0;)
            text.append(block, static_cast<std::size_t>(got));
        return text;
    }

private:
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::vector<int> accepted_;
};

// The project's listener on a loopback address, keeping the texts it hands
// on; the text kHold holds its thread until the gate is released.
class KeepingListener {
public:
    static constexpr const char* kHold = "<Hold/>";
    KvResult Start(const char* address, std::size_t max_bytes = TcpTextListener::kDefaultMaxBytes) {
        return listener_.Start(
            address, 0,
            [this](std::string&& text, std::uint32_t) {
                if (text == kHold)
                    gate_.Hold();
                std::lock_guard lock(mutex_);
                texts_.push_back(std::move(text));
                changed_.notify_all();
            },
            max_bytes);
    }
    std::uint16_t GetPort() const { return listener_.GetPort(); }
    const TcpTextListener& Get() const { return listener_; }
    Gate& GetGate() { return gate_; }
    bool WaitFor(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(kHoldMs),
                                 [&] { return texts_.size() >= count; });
    }
    std::vector<std::string> Texts() {
        std::lock_guard lock(mutex_);
        return texts_;
    }
    // What a failure prints of long texts.
    std::vector<std::size_t> Sizes() { return Sizes(Texts()); }
    static std::vector<std::size_t> Sizes(const std::vector<std::string>& texts) {
        std::vector<std::size_t> sizes;
        for (const std::string& text : texts)
            sizes.push_back(text.size());
        return sizes;
    }

private:
    Gate gate_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> texts_;
    // Stopped first: its thread uses the rest.
    TcpTextListener listener_;
};

// Larger than what the kernel buffers between a sender and a HeldReader.
// Unconnected sockets at descriptors of `above` or more, which a soft limit
// lowered below `above` leaves to the process; false when one cannot be had.
bool SocketsAbove(std::size_t count, int above, std::vector<int>& sockets) {
    for (std::size_t i = 0; i < count; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return false;
        const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, above);
        ::close(fd);
        if (moved < above)
            return false;
        sockets.push_back(moved);
    }
    return true;
}

// Connects each socket to the port on the loopback address.
bool ConnectEach(const std::vector<int>& sockets, std::uint16_t port) {
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    server.sin_port = htons(port);
    return std::all_of(sockets.begin(), sockets.end(), [&](int fd) {
        return ::connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0;
    });
}

const std::string& LongText() {
    static const std::string text(16 << 20, 'x');
    return text;
}

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
    ASSERT_TRUE(workstation_.PostSend("late.held", 4100, "<JobData/>", kHoldMs));
    ASSERT_TRUE(Run([&] { return gate_->Holding() == 2; }));
    const auto stopping = std::chrono::steady_clock::now();
    workstation_.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, std::chrono::milliseconds(2250));
    // Still held: the stop gave the sends up, at their time-out or at its
    // bound, instead of waiting for their look-ups.
    EXPECT_EQ(gate_->Holding(), 2);
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
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(
            workstation_.PostSend("peer" + std::to_string(i) + ".held", 4100, "x", kShortMs));
    // The senders give up; the look-ups still run.
    ASSERT_TRUE(
        Run([&] { return CountLogged(workstation_, ".held:4100 failed: timed out") == 4; }));
    // Far below a look-up's own wait (a hundred time-outs), however loaded
    // the machine.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(5000));
    ASSERT_TRUE(gate_->WaitHolding(static_cast<int>(HostSenders::kMaxLookUps)));
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

TEST_F(HostSendersTest, ADestinationWhoseSendTimedOutIsSkippedForThirtySeconds) {
    constexpr std::uint32_t kShortMs = 300;
    // On 127.0.0.3: a port whose accept queue is full, and one that reads.
    SilentDestination stuck("127.0.0.3");
    ASSERT_NE(stuck.GetPort(), 0);
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
    // The results per address and port, each in the order of its texts.
    using Destination = std::pair<std::string, std::uint16_t>;
    std::map<Destination, std::vector<KvResult>> results;
    std::size_t done = 0;
    const auto send = [&](const char* host, std::uint16_t port) {
        return workstation_.PostSend(host, port, "<Mark/>", kShortMs,
                                     [&, to = Destination(host, port)](KvResult result) {
                                         results[to].push_back(result);
                                         ++done;
                                     });
    };
    const Destination stuck_port("127.0.0.3", stuck.GetPort());

    // The first send times out and the texts behind it are not tried.
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(send("127.0.0.3", stuck.GetPort()));
    ASSERT_TRUE(Run([&] { return done == 6; }));
    EXPECT_EQ(results[stuck_port],
              (std::vector<KvResult>{KV_E_TIMEOUT, HostSenders::kSkipped, HostSenders::kSkipped,
                                     HostSenders::kSkipped, HostSenders::kSkipped,
                                     HostSenders::kSkipped}));
    EXPECT_TRUE(Logged(workstation_, "sending to 127.0.0.3:" + std::to_string(stuck.GetPort()) +
                                         " failed: timed out"));
    EXPECT_TRUE(Logged(workstation_, "sending to 127.0.0.3:" + std::to_string(stuck.GetPort()) +
                                         " failed: skipped: a send to its address timed out "
                                         "within 30 s"));

    // Another port of that address is not skipped, nor another address.
    ASSERT_TRUE(send("127.0.0.3", reading.GetPort()));
    ASSERT_TRUE(send("127.0.0.1", server_.GetPort()));
    ASSERT_TRUE(Run([&] { return done == 8; }));
    EXPECT_EQ((results[{"127.0.0.3", reading.GetPort()}]), std::vector<KvResult>{KV_OK});
    EXPECT_EQ((results[{"127.0.0.1", server_.GetPort()}]), std::vector<KvResult>{KV_OK});
    EXPECT_TRUE(Run([&] { return arrived_count() == 1; }));

    // Thirty seconds on the host's clock after the time-out it is tried again.
    clock_.Advance(HostSenders::kSkipMs - 1);
    ASSERT_TRUE(send("127.0.0.3", stuck.GetPort()));
    ASSERT_TRUE(Run([&] { return done == 9; }));
    EXPECT_EQ(results[stuck_port].back(), HostSenders::kSkipped);
    clock_.Advance(1);
    ASSERT_TRUE(send("127.0.0.3", stuck.GetPort()));
    ASSERT_TRUE(Run([&] { return done == 10; }));
    EXPECT_EQ(results[stuck_port].back(), KV_E_TIMEOUT);
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

TEST_F(HostSendersTest, TextsToOneDestinationGoOneAtATime) {
    HeldReader peer("127.0.0.6");
    ASSERT_NE(peer.GetPort(), 0);
    std::vector<std::pair<std::string, KvResult>> results;
    const auto send = [&](const std::string& text, std::uint32_t timeout_ms) {
        return workstation_.PostSend("127.0.0.6", peer.GetPort(), text, timeout_ms,
                                     [&, name = text.substr(0, 6)](KvResult result) {
                                         results.emplace_back(name, result);
                                     });
    };
    // The second text is posted once the first is under way: its write
    // waits for a peer that reads nothing until it times out.
    ASSERT_TRUE(send(LongText(), 1000));
    ASSERT_GE(peer.Accept(static_cast<int>(kHoldMs)), 0);
    ASSERT_TRUE(send("<Mark/>", kHoldMs));
    ASSERT_TRUE(Run([&] { return results.size() == 2; }));
    // The second waited for the first, and then its destination was skipped.
    EXPECT_EQ(results, (std::vector<std::pair<std::string, KvResult>>{
                           {LongText().substr(0, 6), KV_E_TIMEOUT},
                           {"<Mark/", HostSenders::kSkipped}}));
    // The peer never saw a second connection.
    EXPECT_LT(peer.Accept(0), 0);
}

TEST_F(HostSendersTest, StopLetsAWriteUnderWayFinishWithinItsDeadline) {
    HeldReader peer("127.0.0.7");
    ASSERT_NE(peer.GetPort(), 0);
    ASSERT_TRUE(workstation_.PostSend("127.0.0.7", peer.GetPort(), LongText(), kHoldMs));
    const int fd = peer.Accept(static_cast<int>(kHoldMs));
    ASSERT_GE(fd, 0);
    // The peer reads only once the host stops, while most of the text is
    // still the host's to write.
    std::promise<void> stopping;
    auto received = std::async(std::launch::async, [&, begun = stopping.get_future()] {
        begun.wait();
        return HeldReader::ReadAll(fd);
    });
    // Texts handed over just before the stop, which go one at a time, still
    // go out, each whole.
    KeepingListener last;
    ASSERT_EQ(last.Start("127.0.0.8"), KV_OK);
    std::vector<std::string> sent;
    for (int i = 0; i < 16; ++i) {
        sent.push_back("<Last n=\"" + std::to_string(i) + "\">" +
                       std::string(16384, static_cast<char>('a' + i)) + "</Last>");
        ASSERT_TRUE(workstation_.PostSend("127.0.0.8", last.GetPort(), sent.back(), kHoldMs));
    }
    stopping.set_value();
    workstation_.Stop();
    const std::string got = received.get();
    EXPECT_EQ(got.size(), LongText().size());
    EXPECT_TRUE(got == LongText());
    EXPECT_TRUE(last.WaitFor(sent.size()));
    EXPECT_EQ(last.Sizes(), KeepingListener::Sizes(sent));
    EXPECT_TRUE(last.Texts() == sent);
}

TEST_F(HostSendersTest, ASendThatFailsResetsItsConnectionAndThePeerKeepsNoPartOfItsText) {
    // The peer's thread is held on a first text while a long one times out
    // in mid-write; a short one is written whole behind it.
    KeepingListener peer;
    ASSERT_EQ(peer.Start("127.0.0.9", 16 << 20), KV_OK);
    ASSERT_EQ(SendText("127.0.0.9", peer.GetPort(), KeepingListener::kHold, kHoldMs), KV_OK);
    ASSERT_TRUE(peer.GetGate().WaitHolding(1));
    std::optional<KvResult> result;
    ASSERT_TRUE(workstation_.PostSend("127.0.0.9", peer.GetPort(), std::string(8 << 20, 'x'), 300,
                                      [&](KvResult sent) { result = sent; }));
    ASSERT_TRUE(Run([&] { return result.has_value(); }));
    EXPECT_EQ(*result, KV_E_TIMEOUT);
    ASSERT_EQ(SendText("127.0.0.9", peer.GetPort(), "<After/>", kHoldMs), KV_OK);
    peer.GetGate().Release();
    // What the peer got of the long text ends in a failed connection.
    ASSERT_TRUE(peer.WaitFor(2));
    EXPECT_TRUE(Run([&] { return peer.Get().GetDroppedCount(TcpTextDrop::kFailed) == 1; }));
    const std::vector<std::string> whole = {KeepingListener::kHold, "<After/>"};
    EXPECT_EQ(peer.Sizes(), KeepingListener::Sizes(whole));
    EXPECT_TRUE(peer.Texts() == whole);
    EXPECT_EQ(peer.Get().GetDroppedCount(), 1u);
}

TEST_F(HostSendersTest, ASendWaitingForADescriptorGoesWhenTheListenerGivesOneBack) {
    constexpr int kAbove = 1024;
    constexpr std::size_t kCapacity = 448;
    ScopedSoftLimit wide(4096);
    ASSERT_TRUE(wide.ok());
    // What the test holds lies above the lowered limit (see the flood above).
    std::vector<int> flood;
    ASSERT_TRUE(SocketsAbove(kCapacity - DescriptorBudget::Get().InUse(), kAbove, flood));
    std::vector<KvResult> results;
    {
        ScopedSoftLimit lowered(512);
        ASSERT_TRUE(lowered.ok());
        ASSERT_EQ(DescriptorBudget::Capacity(), kCapacity);
        // Connections the server's listener holds take every descriptor.
        ASSERT_TRUE(ConnectEach(flood, server_.GetPort()));
        ASSERT_TRUE(Run([] {
            return DescriptorBudget::Get().InUse() == DescriptorBudget::Capacity();
        }));
        ASSERT_TRUE(workstation_.PostSend("127.0.0.1", server_.GetPort(), "<Good/>", kHoldMs,
                                          [&](KvResult result) { results.push_back(result); }));
        ASSERT_TRUE(Run([] { return DescriptorBudget::Get().WantedBySends() == 1; }));
        // One connection ends: the listener gives its descriptor back.
        ::close(flood.back());
        flood.pop_back();
        EXPECT_TRUE(RunHosts(
            {&server_, &workstation_}, [&] { return results.size() == 1; }, 5000));
    }
    EXPECT_EQ(results, std::vector<KvResult>{KV_OK});
    for (int fd : flood)
        ::close(fd);
}

TEST_F(HostSendersTest, SendsUnderWayAreBoundedInAllAndPerAddressAndAThousandAndTwentyFourWait) {
    // Every send under way waits on a silent destination: four ports on each
    // of 64 addresses.
    constexpr std::size_t kPerAddress = HostSenders::kMaxPerAddress;
    constexpr std::size_t kAddresses = HostSenders::kMaxSends / kPerAddress;
    std::vector<std::unique_ptr<SilentDestination>> silent;
    std::vector<std::string> addresses;
    std::map<std::string, KvResult> results;
    const auto send = [&](const std::string& host, std::uint16_t port, std::uint32_t timeout_ms) {
        const std::string destination = host + ":" + std::to_string(port);
        return workstation_.PostSend(host, port, "<Mark/>", timeout_ms,
                                     [&, destination](KvResult result) {
                                         results.emplace(destination, result);
                                     });
    };
    for (std::size_t a = 0; a < kAddresses; ++a) {
        addresses.push_back("127.0.1." + std::to_string(a + 1));
        for (std::size_t p = 0; p < kPerAddress; ++p) {
            silent.push_back(std::make_unique<SilentDestination>(addresses.back().c_str()));
            ASSERT_NE(silent.back()->GetPort(), 0);
        }
    }
    // Past the bounds: a fifth port of the first address, and another address.
    std::mutex mutex;
    const auto reader = [&](const char* address, std::size_t& arrived, TcpTextListener& listener) {
        return listener.Start(address, 0, [&](std::string&&, std::uint32_t) {
            std::lock_guard lock(mutex);
            ++arrived;
        });
    };
    const auto count = [&](const std::size_t& arrived) {
        std::lock_guard lock(mutex);
        return arrived;
    };
    std::size_t arrived_first = 0;
    std::size_t arrived_other = 0;
    TcpTextListener fifth_port;
    TcpTextListener other_address;
    ASSERT_EQ(reader(addresses[0].c_str(), arrived_first, fifth_port), KV_OK);
    ASSERT_EQ(reader("127.0.2.1", arrived_other, other_address), KV_OK);
    const auto take_every_place = [&] {
        for (std::size_t i = 0; i < silent.size(); ++i)
            ASSERT_TRUE(send(addresses[i / kPerAddress], silent[i]->GetPort(), kHoldMs));
        ASSERT_TRUE(send(addresses[0], fifth_port.GetPort(), kHoldMs));
        ASSERT_TRUE(send("127.0.2.1", other_address.GetPort(), kHoldMs));
    };
    ASSERT_NO_FATAL_FAILURE(take_every_place());
    // The rest wait behind them, up to the bound, once the first are under
    // way, each with its descriptor.
    ASSERT_TRUE(Run([] { return DescriptorBudget::Get().InUse() >= HostSenders::kMaxSends; }));
    workstation_.SetLogLimit(2 * HostSenders::kMaxWaiting);
    // At most 64 for one address (the text to the other address is one of
    // them): 16 addresses fill the 1,024.
    const std::uint16_t port = other_address.GetPort();
    const auto wait_at = [&](std::size_t n) {
        return workstation_.PostSend("127.0.2." + std::to_string(n), port, "x", kHoldMs);
    };
    for (std::size_t posted = 2; posted < HostSenders::kMaxWaiting; ++posted) {
        ASSERT_TRUE(wait_at((posted - 1) / HostSenders::kMaxWaitingPerAddress + 1));
        if (posted == HostSenders::kMaxWaitingPerAddress) {
            EXPECT_FALSE(wait_at(1));
        }
    }
    EXPECT_FALSE(wait_at(17));
    const std::string dropped = "dropped a text to 127.0.2.";
    const std::string to_port = ":" + std::to_string(port) + ": ";
    EXPECT_EQ(CountLogged(workstation_, dropped + "1" + to_port + "64 texts wait for its address"),
              1);
    EXPECT_EQ(CountLogged(workstation_, dropped + "17" + to_port + "1024 texts wait"), 1);
    EXPECT_EQ(CountLogged(workstation_, dropped), 2);

    // Stop's bound ends the sends under way and drops the texts waiting,
    // telling none of them; Post then starts the senders again.
    const auto stopping = std::chrono::steady_clock::now();
    workstation_.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, std::chrono::milliseconds(2250));
    EXPECT_TRUE(results.empty());
    EXPECT_EQ(count(arrived_other), 0u);
    ASSERT_NO_FATAL_FAILURE(take_every_place());
    ASSERT_TRUE(Run([] { return DescriptorBudget::Get().InUse() >= HostSenders::kMaxSends; }));

    // A silent port of another address that stops listening frees a place in
    // all, not one of the first address.
    const auto refuse = [&](std::size_t index) {
        const std::string destination =
            addresses[index / kPerAddress] + ":" + std::to_string(silent[index]->GetPort());
        silent[index].reset();
        return destination;
    };
    const std::string refused_other = refuse(kPerAddress * 5);
    const std::string other = "127.0.2.1:" + std::to_string(other_address.GetPort());
    ASSERT_TRUE(Run([&] { return results.count(other) == 1; }));
    EXPECT_EQ(results.at(refused_other), KV_E_SOCKET_CONNECT);
    EXPECT_EQ(results.at(other), KV_OK);
    EXPECT_TRUE(Run([&] { return count(arrived_other) >= 1; }));
    EXPECT_EQ(count(arrived_first), 0u);
    const std::string refused_first = refuse(0);
    const std::string fifth = addresses[0] + ":" + std::to_string(fifth_port.GetPort());
    ASSERT_TRUE(Run([&] { return results.count(fifth) == 1; }));
    EXPECT_EQ(results.at(fifth), KV_OK);
    EXPECT_EQ(results.at(refused_first), KV_E_SOCKET_CONNECT);
    EXPECT_TRUE(Run([&] { return count(arrived_first) == 1; }));
    // Every other send under way is still on its silent port.
    EXPECT_EQ(results.size(), 4u);
    // The silent ports refuse: the rest end soon.
    silent.clear();
    EXPECT_TRUE(Run([&] { return results.size() == HostSenders::kMaxSends + 2; }));
}

TEST_F(HostSendersTest, AFloodAndSilentDestinationsShareTheDescriptorsWithoutAFailure) {
    constexpr std::size_t kFlood = 600;
    constexpr int kAbove = 1024;
    // What the test itself holds lies above the lowered limit, so that only
    // the hosts' connections come out of it.
    ScopedSoftLimit wide(4096);
    ASSERT_TRUE(wide.ok());
    std::vector<std::unique_ptr<SilentDestination>> silent;
    std::vector<std::string> addresses;
    for (std::size_t i = 0; i < HostSenders::kMaxSends; ++i) {
        addresses.push_back("127.0.5." + std::to_string(i / HostSenders::kMaxPerAddress + 1));
        silent.push_back(std::make_unique<SilentDestination>(addresses.back().c_str()));
        ASSERT_NE(silent.back()->GetPort(), 0);
        silent.back()->MoveAbove(kAbove);
    }
    std::vector<int> flood;
    ASSERT_TRUE(SocketsAbove(kFlood, kAbove, flood));
    std::vector<KvResult> results;
    {
        ScopedSoftLimit lowered(512);
        ASSERT_TRUE(lowered.ok());
        for (std::size_t i = 0; i < silent.size(); ++i)
            ASSERT_TRUE(workstation_.PostSend(addresses[i], silent[i]->GetPort(), "<Mark/>",
                                              CKvJobData::kSendTimeoutMs,
                                              [&](KvResult result) { results.push_back(result); }));
        ASSERT_TRUE(ConnectEach(flood, server_.GetPort()));
        // A text to the server gets its descriptor once one is given back.
        std::vector<std::string> received;
        server_.SetWireObserver([&](const std::string& text) { received.push_back(text); });
        ASSERT_TRUE(
            workstation_.PostSend("127.0.0.1", server_.GetPort(), "<Good/>", kHoldMs,
                                  [&](KvResult result) { results.push_back(result); }));
        EXPECT_TRUE(Run([&] {
            return results.size() == silent.size() + 1 &&
                   std::count(received.begin(), received.end(), "<Good/>") == 1;
        }));
        server_.SetWireObserver({});
    }
    EXPECT_EQ(std::count(results.begin(), results.end(), KV_E_TIMEOUT),
              static_cast<std::ptrdiff_t>(silent.size()));
    EXPECT_EQ(std::count(results.begin(), results.end(), KV_OK), 1);
    EXPECT_EQ(server_.GetListener().GetAcceptFailureCount(), 0u);
    for (int fd : flood)
        ::close(fd);
}

TEST_F(HostSendersTest, OneDeadlineCoversTheLookUpTheConnectAndTheWrite) {
    scoped_resolver_.reset();
    scoped_resolver_.emplace(std::make_shared<SlowResolver>(0x7F000004u));
    SilentDestination silent("127.0.0.4");
    ASSERT_NE(silent.GetPort(), 0);
    std::vector<KvResult> results;
    const auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration took{};
    ASSERT_TRUE(workstation_.PostSend("slow.peer", silent.GetPort(), "x",
                                      CKvJobData::kSendTimeoutMs, [&](KvResult result) {
                                          took = std::chrono::steady_clock::now() - start;
                                          results.push_back(result);
                                      }));
    ASSERT_TRUE(Run([&] { return results.size() == 1; }));
    EXPECT_EQ(results[0], KV_E_TIMEOUT);
    EXPECT_LT(took, std::chrono::milliseconds(CKvJobData::kSendTimeoutMs + 250));
    // A connect cut short by its look-up does not judge the destination.
    ASSERT_TRUE(workstation_.PostSend("127.0.0.4", silent.GetPort(), "x", 300,
                                      [&](KvResult result) { results.push_back(result); }));
    ASSERT_TRUE(Run([&] { return results.size() == 2; }));
    EXPECT_EQ(results[1], KV_E_TIMEOUT);
}

// Forged logons that name silent ports for their answers.
class ForgedLogonTest : public HostSendersTest {
protected:
    // A CLIENT2 logon from source, naming port of that address for the
    // answer; the server learns that the source accepts every user unless
    // told so before.
    void ForgeLogon(const std::string& source, std::uint16_t port, std::uint32_t id,
                    bool store_host = true) {
        in_addr parsed{};
        ASSERT_EQ(::inet_pton(AF_INET, source.c_str(), &parsed), 1);
        const std::uint32_t address = ntohl(parsed.s_addr);
        if (store_host) {
            auto host = std::make_unique<CKvDataHost>();
            host->GetHost().Set("localhost", address, 0);
            host->SetFlagAcceptAllUser(true);
            server_.GetRecordService().StoreRecord(std::move(host),
                                                   K_KVDT_TP_DTHDLR_DATACOMPUTER);
        }
        CKvJobDataClient2 forged;
        forged.SetLoginName("anna");
        forged.GetPeerComputer().Set("localhost", address, port);
        forged.SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 0, id);
        std::string text;
        ASSERT_EQ(forged.Serialize(text), KV_OK);
        ASSERT_TRUE(SendFrom(source.c_str(), server_.GetPort(), text));
    }
    // The workstation's logon, answered within kAnsweredMs.
    bool LogsOnInTime() {
        std::uint32_t id = 0;
        if (workstation_.StartLogon("127.0.0.1", server_.GetPort(), "anna", id) != KV_OK)
            return false;
        return RunHosts(
            {&server_, &workstation_},
            [&] {
                CKvJobData* client = workstation_.FindJob(id);
                return client != nullptr && client->GetState() == KV_JOB_STATE_RUNNING;
            },
            kAnsweredMs);
    }
    static constexpr std::uint32_t kAnsweredMs = 1000;
};

TEST_F(ForgedLogonTest, AnswersToSilentPortsHoldUpNoOtherLogon) {
    constexpr int kForged = 60;
    struct Case {
        const char* name;
        bool one_address;
    };
    for (const Case& c : {Case{"each from an address of its own", false},
                          Case{"all from one address", true}}) {
        SCOPED_TRACE(c.name);
        std::vector<std::unique_ptr<SilentDestination>> silent;
        const std::uint64_t received = server_.GetReceivedCount();
        for (int i = 0; i < kForged; ++i) {
            const std::string source =
                c.one_address ? "127.0.3.1" : "127.0.4." + std::to_string(i + 1);
            silent.push_back(std::make_unique<SilentDestination>(source.c_str()));
            ASSERT_NE(silent.back()->GetPort(), 0);
            ForgeLogon(source, silent.back()->GetPort(), 1000 + static_cast<std::uint32_t>(i));
        }
        ASSERT_TRUE(Run([&] { return server_.GetReceivedCount() == received + kForged; }));
        EXPECT_TRUE(LogsOnInTime());
    }
}

TEST_F(ForgedLogonTest, OneAddressNamingSilentPortsFillsOnlyItsOwnWaitingPlaces) {
    constexpr int kForged = 1030;
    // Every text that could be under way within the test names a port of
    // its own; the rest name them again.
    constexpr int kPorts = 2 * static_cast<int>(HostSenders::kMaxWaitingPerAddress);
    constexpr int kLogons = 10;
    std::vector<std::unique_ptr<SilentDestination>> silent;
    for (int i = 0; i < kPorts; ++i) {
        silent.push_back(std::make_unique<SilentDestination>("127.0.0.2"));
        ASSERT_NE(silent.back()->GetPort(), 0);
    }
    server_.SetLogLimit(2 * kForged);
    for (int i = 0; i < kForged; ++i)
        ForgeLogon("127.0.0.2", silent[i % kPorts]->GetPort(), 1000 + static_cast<std::uint32_t>(i),
                   i == 0);
    ASSERT_TRUE(Run([&] { return server_.GetReceivedCount() == kForged; }));
    EXPECT_TRUE(Logged(server_, "dropped a text to 127.0.0.2:"));
    // The forged sessions end at their watchdog, so that the server's own
    // work on a thousand sessions does not count against the answers' time;
    // their answers still wait for the address's places, each place held for
    // a send's whole time-out.
    ASSERT_TRUE(Run([&] {
        clock_.Advance(1000);
        return Executor() == nullptr;
    }));
    // A workstation at another address logs on each second of the host's
    // clock, while the forged answers still wait for their places.
    for (int i = 0; i < kLogons; ++i) {
        EXPECT_TRUE(LogsOnInTime()) << "logon " << i;
        clock_.Advance(1000);
    }
    EXPECT_FALSE(Logged(server_, "dropped a text to 127.0.0.1:"));
}

TEST_F(ForgedLogonTest, ASilentPortOfTheWorkstationsAddressDoesNotShutItOut) {
    SilentDestination silent("127.0.0.1");
    ASSERT_NE(silent.GetPort(), 0);
    ForgeLogon("127.0.0.1", silent.GetPort(), 1000);
    const std::string timed_out =
        "sending to 127.0.0.1:" + std::to_string(silent.GetPort()) + " failed: timed out";
    ASSERT_TRUE(Run([&] { return server_.GetReceivedCount() == 1; }));
    // While the answer's connect waits, and after it timed out.
    EXPECT_TRUE(LogsOnInTime());
    EXPECT_FALSE(Logged(server_, timed_out));
    ASSERT_TRUE(Run([&] { return Logged(server_, timed_out); }));
    EXPECT_TRUE(LogsOnInTime());
}

} // namespace
