#include "platform/capi/scripted_capi_controller.h"

#include "capi/capi_test_support.h"
#include "platform/capi/capi_wire.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace {

TEST(ScriptedCapiConcurrency, WaitForSignalWakesOnAMessageAndOnRelease) {
    ScriptedCapiController capi;
    capi.AddController(1, 2);
    DWORD appl = 0;
    ASSERT_EQ(capi.CAPI_REGISTER(0, 1, 1, 128, &appl), 0u);
    std::future<DWORD> waiting =
        std::async(std::launch::async, [&] { return capi.CAPI_WAIT_FOR_SIGNAL(appl); });
    const Bytes listen = MessageImage().Dword(1).Dword(0).Dword(1).Dword(0).Empty().Empty().Finish(
        CAPI_LISTEN, CAPI_REQ);
    ASSERT_EQ(capi.CAPI_PUT_MESSAGE(appl, listen.data()), 0u);
    ASSERT_EQ(waiting.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(waiting.get(), 0u);
    void* message = nullptr;
    ASSERT_EQ(capi.CAPI_GET_MESSAGE(appl, &message), 0u);

    waiting = std::async(std::launch::async, [&] { return capi.CAPI_WAIT_FOR_SIGNAL(appl); });
    std::thread releaser([&] { capi.CAPI_RELEASE(appl); });
    ASSERT_EQ(waiting.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(waiting.get(), kCapiIllegalApplId);
    releaser.join();
}

TEST(ScriptedCapiConcurrency, ApplicationsOnSeveralThreadsKeepTheirOwnQueues) {
    ScriptedCapiController capi;
    capi.AddController(1, 30);
    constexpr int kThreads = 4;
    constexpr int kRequests = 200;
    std::vector<std::future<int>> answered;
    for (int t = 0; t < kThreads; ++t)
        answered.push_back(std::async(std::launch::async, [&capi] {
            DWORD appl = 0;
            capi.CAPI_REGISTER(0, 1, 1, 128, &appl);
            int confirmed = 0;
            for (int i = 1; i <= kRequests; ++i) {
                const Bytes request =
                    MessageImage().Dword(0x0101).Empty().Finish(CAPI_DISCONNECT, CAPI_REQ, i, appl);
                capi.CAPI_PUT_MESSAGE(appl, request.data());
                void* message = nullptr;
                while (capi.CAPI_GET_MESSAGE(appl, &message) == 0) {
                    const auto* bytes = static_cast<const std::uint8_t*>(message);
                    if (bytes[kCapiOffsetSubcommand] == CAPI_CONF &&
                        CapiGetWord(bytes + kCapiOffsetMessageNumber) == i)
                        ++confirmed;
                }
            }
            return confirmed;
        }));
    for (auto& result : answered)
        EXPECT_EQ(result.get(), kRequests);
}

} // namespace
