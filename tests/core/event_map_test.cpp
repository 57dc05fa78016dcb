#include "core/event_map.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

TEST(EventMap, FilesEachIdOnceAndActsOnTheEventFiledUnderIt) {
    EventObject one, two;
    EventMap map;
    EXPECT_EQ((std::tuple{map.Add(1, &one), map.Add(1, &two), map.GetResult(), map.Lookup(1)}),
              std::tuple(KV_OK, KV_E_FAIL, KV_E_FAIL, &one));
    map.Add(2, &two);
    map.Add(3, nullptr);
    // Manual reset: the event stays set over two waits.
    EXPECT_EQ((std::tuple{map.SetEvent(2), map.WaitEvent(1, 0), map.WaitEvent(2, 0),
                          map.WaitEvent(2, 0), two.GetSignalled()}),
              std::tuple(1, 0, 1, 1, 1));
    EXPECT_EQ((std::tuple{map.ResetEvent(2), map.WaitEvent(2, 10), two.GetSignalled()}),
              std::tuple(1, 0, 0));
    for (std::uint32_t absent : {3u, 8u})
        EXPECT_EQ(map.SetEvent(absent) + map.ResetEvent(absent) + map.WaitEvent(absent, 0), 0)
            << absent;
    EXPECT_EQ((std::tuple{map.Remove(8), map.Remove(1), map.Lookup(1)}),
              std::tuple(nullptr, &one, nullptr));
}

} // namespace
