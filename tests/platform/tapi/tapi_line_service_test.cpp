#include "platform/tapi/tapi_line_service.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

TEST(TapiLineService, WithoutServiceEveryFunctionFailsAsBeforeInitialisation) {
    HLINEAPP app = 0;
    DWORD count = 0;
    DWORD version = 0x20002;
    LineInitializeExParams params;
    LineMessage message;
    HCALL call = 0;
    HLINE line = 0;
    LineDevCaps caps;
    LineExtensionId extension;
    const std::function<LONG()> functions[] = {
        [&] { return lineInitializeExA(&app, "x", &count, &version, &params); },
        [&] { return lineShutdown(1); },
        [&] { return lineGetMessage(1, &message, 0); },
        [&] { return lineNegotiateAPIVersion(1, 0, 0x10004, 0x20002, &version, &extension); },
        [&] { return lineGetDevCapsA(1, 0, version, 0, &caps); },
        [&] { return lineOpenA(1, 0, &line, version, 0, 0, 4, 4, nullptr); },
        [&] { return lineMakeCallA(1, &call, "1", 0, nullptr); },
        [&] { return lineDrop(1, nullptr, 0); },
        [&] { return lineDeallocateCall(1); },
    };
    ASSERT_EQ(GetSimulatedTapi(), nullptr);
    for (const auto& function : functions)
        EXPECT_EQ(function(), LINEERR_UNINITIALIZED);
}

TEST(TapiLineService, ScopeInstallsAndRemovesTheService) {
    SimulatedTapi service;
    {
        ScopedSimulatedTapi scoped(service);
        EXPECT_EQ(GetSimulatedTapi(), &service);
        EXPECT_EQ(lineShutdown(1), LINEERR_INVALAPPHANDLE);
        EXPECT_EQ(lineDeallocateCall(1), LINEERR_INVALCALLHANDLE);
    }
    EXPECT_EQ(GetSimulatedTapi(), nullptr);
    EXPECT_EQ(lineShutdown(1), LINEERR_UNINITIALIZED);
}

} // namespace
