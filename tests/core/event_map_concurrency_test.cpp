#include "core/event_map.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

constexpr DWORD kGenerousMs = 30000;

TEST(EventMapConcurrency, WaitEventReturnsWhenAnotherThreadSetsTheEvent) {
    EventObject ready, reply;
    EventMap map;
    map.Add(1, &ready);
    map.Add(2, &reply);
    // The map stays with this thread; only the events cross.
    std::thread peer([&ready, &reply] {
        if (ready.Wait(kGenerousMs))
            reply.Set();
    });
    ready.Set();
    EXPECT_EQ(map.WaitEvent(2, kGenerousMs), 1);
    peer.join();
    EXPECT_EQ(reply.GetSignalled(), 1);
}

} // namespace
