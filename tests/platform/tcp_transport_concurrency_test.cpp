// SendText's name look-ups on their own threads: a resolver that does not
// answer holds its caller only until the deadline and ties up a bounded
// number of threads, which outlive neither their resolver nor the process
// unsafely.
#include "platform/tcp_transport.h"

#include "platform/name_resolver.h"
#include "platform/tcp_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace {

constexpr std::uint32_t kLoopback = 0x7F000001u;

TEST(TcpTransportLookUps, ALookUpPastTheDeadlineIsLeftBehindAndAFifthFailsAtOnce) {
    TcpTextListener listener;
    ASSERT_EQ(listener.Start("127.0.0.1", 0, [](std::string&&, std::uint32_t) {}), KV_OK);
    // The resolver tells when the look-up threads have let it go.
    auto let_go = std::make_shared<std::promise<void>>();
    std::future<void> resolver_gone = let_go->get_future();
    auto* slow = new SlowResolver(kLoopback, 6000);
    std::shared_ptr<SlowResolver> resolver(slow, [let_go](SlowResolver* gone) {
        delete gone;
        let_go->set_value();
    });
    std::optional<ScopedNameResolver> installed(std::in_place, resolver);

    using Clock = std::chrono::steady_clock;
    bool timed_out = true;
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(SendText("slow.test", listener.GetPort(), "x", 2000, &timed_out),
              KV_E_SOCKET_CONNECT);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2250));
    EXPECT_FALSE(timed_out);

    // Three more callers give up theirs; with four look-ups under way a fifth
    // never reaches the resolver.
    std::vector<std::thread> callers;
    std::vector<KvResult> results(kMaxSendTextLookUps - 1, KV_OK);
    for (KvResult& result : results)
        callers.emplace_back(
            [&result, port = listener.GetPort()] { result = SendText("slow.test", port, "x", 50); });
    for (std::thread& caller : callers)
        caller.join();
    for (const KvResult result : results)
        EXPECT_EQ(result, KV_E_SOCKET_CONNECT);
    ASSERT_TRUE(slow->WaitAsked(static_cast<int>(kMaxSendTextLookUps)));
    const Clock::time_point fifth = Clock::now();
    EXPECT_EQ(SendText("slow.test", listener.GetPort(), "x", 2000), KV_E_SOCKET_CONNECT);
    EXPECT_LT(Clock::now() - fifth, std::chrono::milliseconds(1000));
    EXPECT_EQ(slow->Asked(), static_cast<int>(kMaxSendTextLookUps));

    // The look-ups end, let the resolver go and give their places back.
    slow->Release();
    installed.reset();
    resolver.reset();
    ASSERT_EQ(resolver_gone.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    auto answering = std::make_shared<SlowResolver>(kLoopback);
    answering->Release();
    ScopedNameResolver scoped(answering);
    EXPECT_EQ(SendText("slow.test", listener.GetPort(), "hello", 2000), KV_OK);
}

} // namespace
