#include "core/handle_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

namespace {

std::uint32_t AllocateOk(HandleTable& table) {
    std::uint32_t id = 0;
    EXPECT_EQ(table.Allocate(id), KV_OK);
    return id;
}

TEST(HandleTable, HandsOutIdsInSequenceUpToItsCapacityAndNeverReusesAFreedOneEarly) {
    for (const auto& [given, capacity] :
         {std::pair{0u, 255u}, {1u, 1u}, {255u, 255u}, {256u, 255u}})
        EXPECT_EQ(HandleTable(given).GetCapacity(), capacity) << given;
    HandleTable table(255);
    for (std::uint32_t i = 1; i <= 255; ++i)
        ASSERT_EQ(AllocateOk(table), i);
    std::uint32_t id = 77;
    EXPECT_EQ((std::tuple{table.Allocate(id), id, table.Free(100), table.Free(100)}),
              std::tuple(KV_E_LIST_FULL, 0u, KV_OK, KV_E_NOT_FOUND));
    EXPECT_EQ(AllocateOk(table), 256u);
    table.RemoveAll();
    EXPECT_EQ(table.GetCount(), 0u);
    EXPECT_EQ(AllocateOk(table), 257u);
}

TEST(HandleTable, LookupGivesEachIdItsOwnRecursiveLock) {
    HandleTable table;
    const std::uint32_t first = AllocateOk(table);
    CriticalSection *first_lock = nullptr, *second_lock = nullptr;
    EXPECT_EQ(table.Lookup(first, first_lock), 1);
    EXPECT_EQ(table.Lookup(AllocateOk(table), second_lock), 1);
    ASSERT_NE(first_lock, nullptr);
    EXPECT_NE(first_lock, second_lock);
    first_lock->Lock(), first_lock->Lock(); // a lock that is not recursive hangs here
    first_lock->Unlock(), first_lock->Unlock();
    table.Free(first);
    EXPECT_TRUE(table.Lookup(first, second_lock) == 0 && second_lock == nullptr);
}

TEST(HandleTable, WrapSkipsZeroAndStallsOnAHeldIdUntilItIsFreed) {
    HandleTable table;
    const std::uint32_t held = AllocateOk(table);
    table.SetLastId(0xFFFFFFFEu);
    EXPECT_EQ(AllocateOk(table), 0xFFFFFFFFu);
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::uint32_t id = 5;
        EXPECT_EQ(table.Allocate(id), KV_E_FAIL);
        EXPECT_TRUE(id == 0 && table.GetLastId() == 0xFFFFFFFFu);
    }
    table.Free(held);
    EXPECT_EQ(AllocateOk(table), 1u);
}

} // namespace
