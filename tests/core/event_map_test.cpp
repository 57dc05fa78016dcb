#include "core/event_map.h"

#include <gtest/gtest.h>

namespace {

TEST(EventMap, FilesEachIdOnceAndActsOnTheEventFiledUnderIt) {
    EventObject one, two;
    EventMap map;
    EXPECT_EQ(map.Add(1, &one), KV_OK);
    EXPECT_EQ(map.Add(1, &two), KV_E_FAIL);
    EXPECT_EQ(map.GetResult(), KV_E_FAIL);
    EXPECT_EQ(map.Lookup(1), &one);
    map.Add(2, &two);
    map.Add(3, nullptr);
    EXPECT_EQ(map.SetEvent(2), 1);
    EXPECT_EQ(map.WaitEvent(1, 0), 0);
    EXPECT_EQ(map.WaitEvent(2, 0), 1);
    EXPECT_EQ(map.WaitEvent(2, 0), 1); // manual reset: stays set
    EXPECT_EQ(two.GetSignalled(), 1);
    EXPECT_EQ(map.ResetEvent(2), 1);
    EXPECT_EQ(map.WaitEvent(2, 10), 0);
    EXPECT_EQ(two.GetSignalled(), 0);
    for (std::uint32_t absent : {3u, 8u})
        EXPECT_EQ(map.SetEvent(absent) + map.ResetEvent(absent) + map.WaitEvent(absent, 0), 0)
            << absent;
    EXPECT_EQ(map.Remove(8), nullptr);
    EXPECT_EQ(map.Remove(1), &one);
    EXPECT_EQ(map.Lookup(1), nullptr);
}

} // namespace
