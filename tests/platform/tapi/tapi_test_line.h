#pragma once
// A simulated TAPI service installed for a test, on a manual clock, with an
// application initialised in event mode and its messages drained on demand.

#include "platform/clock.h"
#include "platform/tapi/simulated_tapi.h"
#include "platform/tapi/tapi_line_service.h"

#include <gtest/gtest.h>

#include <vector>

class SimulatedTapiTest : public ::testing::Test {
protected:
    static constexpr DWORD kVersion = 0x00020002u;

    void SetUp() override {
        service_.AddDevice({.device_id = 3, .name = "Line A"});
        service_.AddDevice({.device_id = 9, .name = "Line B"});
        LineInitializeExParams params;
        params.message_hook = [this] { ++hook_calls_; };
        DWORD devices = 0;
        DWORD version = kVersion;
        ASSERT_EQ(lineInitializeExA(&app_, "test", &devices, &version, &params), 0);
        ASSERT_EQ(devices, 2u);
    }

    // Opens the device's line; its LINE_LINEDEVSTATE is drained.
    HLINE OpenLine(DWORD device_id, DWORD instance = 0) {
        HLINE line = 0;
        EXPECT_EQ(lineOpenA(app_, device_id, &line, kVersion, 0, instance,
                            LINECALLPRIVILEGE_OWNER | LINECALLPRIVILEGE_MONITOR,
                            LINEMEDIAMODE_INTERACTIVEVOICE, nullptr),
                  0);
        Drain();
        return line;
    }

    // Every message waiting now.
    std::vector<LineMessage> Drain() {
        std::vector<LineMessage> messages;
        LineMessage message;
        while (lineGetMessage(app_, &message, 0) == 0)
            messages.push_back(message);
        return messages;
    }

    // The states of the LINE_CALLSTATE messages of one call, in order.
    static std::vector<DWORD> States(const std::vector<LineMessage>& messages, HCALL call) {
        std::vector<DWORD> states;
        for (const LineMessage& message : messages)
            if (message.message_id == LINE_CALLSTATE && message.device == call)
                states.push_back(message.param1);
        return states;
    }

    DWORD StateOf(HCALL call) {
        LineCallStatus status;
        EXPECT_EQ(lineGetCallStatus(call, &status), 0);
        return status.call_state;
    }

    ManualClock clock_{1704067200, 0, 5000};
    ScopedClock scoped_clock_{clock_};
    SimulatedTapi service_;
    ScopedSimulatedTapi scoped_service_{service_};
    HLINEAPP app_ = 0;
    int hook_calls_ = 0;
};
