#include "platform/tapi/simulated_tapi.h"

#include "platform/clock.h"
#include "platform/sync.h"
#include "platform/tapi/tapi_line_service.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr DWORD kVersion = 0x00020002u;
constexpr DWORD kGenerousMs = 30000;

HLINEAPP Initialize(LineInitializeExParams& params) {
    HLINEAPP app = 0;
    DWORD devices = 0;
    DWORD version = kVersion;
    EXPECT_EQ(lineInitializeExA(&app, "owner", &devices, &version, &params), 0);
    return app;
}

HLINE Open(HLINEAPP app, DWORD device_id) {
    HLINE line = 0;
    EXPECT_EQ(lineOpenA(app, device_id, &line, kVersion, 0, device_id, LINECALLPRIVILEGE_OWNER,
                        LINEMEDIAMODE_INTERACTIVEVOICE, nullptr),
              0);
    return line;
}

// Four threads make, answer and drop calls on two lines while the owner
// drains the messages: every request id is answered once, and every call's
// states arrive complete and in order.
TEST(SimulatedTapiConcurrency, EveryRequestIsAnsweredOnceWhileTheOwnerDrains) {
    constexpr int kRounds = 40;
    SimulatedTapi service;
    service.AddDevice({.device_id = 1, .name = "Line 1"});
    service.AddDevice({.device_id = 6, .name = "Line 2"});
    ScopedSimulatedTapi scoped(service);
    ManualResetEvent messages_wait;
    LineInitializeExParams params;
    params.message_hook = [&messages_wait] { messages_wait.Set(); };
    const HLINEAPP app = Initialize(params);
    const HLINE lines[] = {Open(app, 1), Open(app, 6)};

    std::mutex ids_mutex;
    std::vector<DWORD> request_ids;
    std::map<HCALL, std::vector<DWORD>> expected_states;
    const auto record = [&](HCALL call, std::vector<DWORD> states, std::vector<LONG> ids) {
        std::lock_guard lock(ids_mutex);
        expected_states[call] = std::move(states);
        for (const LONG id : ids) {
            EXPECT_GT(id, 0);
            request_ids.push_back(static_cast<DWORD>(id));
        }
    };

    std::atomic<bool> workers_done{false};
    std::vector<LineMessage> received;
    std::thread owner([&] {
        for (;;) {
            const bool last_round = workers_done.load();
            messages_wait.Reset();
            LineMessage message;
            while (lineGetMessage(app, &message, 0) == 0)
                received.push_back(message);
            if (last_round)
                return;
            messages_wait.Wait(50);
        }
    });

    std::vector<std::thread> workers;
    for (const HLINE line : lines) {
        const DWORD device_id = line == lines[0] ? 1 : 6;
        workers.emplace_back([&, line] {
            for (int round = 0; round < kRounds; ++round) {
                HCALL call = 0;
                const LONG made = lineMakeCallA(line, &call, "0711 1", 0, nullptr);
                EXPECT_EQ(service.FarEndAnswer(call), 0);
                const LONG dropped = lineDrop(call, nullptr, 0);
                EXPECT_EQ(lineDeallocateCall(call), 0);
                record(call,
                       {LINECALLSTATE_DIALING, LINECALLSTATE_PROCEEDING, LINECALLSTATE_RINGBACK,
                        LINECALLSTATE_CONNECTED, LINECALLSTATE_IDLE},
                       {made, dropped});
            }
        });
        workers.emplace_back([&, device_id] {
            for (int round = 0; round < kRounds; ++round) {
                const HCALL call = service.OfferCall(device_id, "089 1", "0711 2");
                ASSERT_NE(call, 0u);
                const LONG answered = lineAnswer(call, nullptr, 0);
                const LONG dropped = lineDrop(call, nullptr, 0);
                EXPECT_EQ(lineDeallocateCall(call), 0);
                record(call, {LINECALLSTATE_OFFERING, LINECALLSTATE_CONNECTED, LINECALLSTATE_IDLE},
                       {answered, dropped});
            }
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    workers_done = true;
    messages_wait.Set();
    owner.join();

    std::map<DWORD, int> replies;
    std::map<HCALL, std::vector<DWORD>> states;
    for (const LineMessage& message : received) {
        if (message.message_id == LINE_REPLY) {
            EXPECT_EQ(message.param2, 0u);
            ++replies[message.param1];
        } else if (message.message_id == LINE_CALLSTATE) {
            states[message.device].push_back(message.param1);
        }
    }
    ASSERT_EQ(request_ids.size(), 4u * kRounds * 2u);
    EXPECT_EQ(replies.size(), request_ids.size());
    for (const DWORD id : request_ids)
        EXPECT_EQ(replies[id], 1) << id;
    EXPECT_EQ(states, expected_states);
}

// An owner waiting for messages wakes when one is queued from another
// thread, and its time-out runs on the replaceable clock.
TEST(SimulatedTapiConcurrency, WaitingOwnerWakesForMessagesAndAtItsTimeOut) {
    ManualClock clock(1704067200, 0, 100);
    ScopedClock scoped_clock(clock);
    SimulatedTapi service;
    service.AddDevice({.device_id = 2, .name = "Line"});
    ScopedSimulatedTapi scoped(service);
    LineInitializeExParams params;
    const HLINEAPP app = Initialize(params);
    Open(app, 2);
    LineMessage message;
    ASSERT_EQ(lineGetMessage(app, &message, 0), 0); // LINE_LINEDEVSTATE

    ManualResetEvent waiting;
    LONG result = 1;
    std::thread owner([&] {
        waiting.Set();
        result = lineGetMessage(app, &message, KV_INFINITE);
    });
    ASSERT_TRUE(waiting.Wait(kGenerousMs));
    const HCALL call = service.OfferCall(2, "1", "2");
    owner.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(message.device, call);
    EXPECT_EQ(lineGetMessage(app, &message, 0), 0); // LINE_ADDRESSSTATE

    // The time-out counts from the call; the clock moves until it has passed.
    ManualResetEvent finished;
    std::thread timed([&] {
        result = lineGetMessage(app, &message, 1000);
        finished.Set();
    });
    DWORD advances = 0;
    while (!finished.Wait(1) && advances < kGenerousMs) {
        clock.Advance(1000);
        ++advances;
    }
    timed.join();
    EXPECT_EQ(result, LINEERR_OPERATIONFAILED);
}

} // namespace
