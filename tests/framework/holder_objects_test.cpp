#include "framework/holder_objects.h"

#include "core/handle_table.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

TEST(TypedObject59, EachHolderTakesAndFreesOnlyItsOwnLockId) {
    HandleTable table(10);
    {
        CKvTypedObject59 first(&table);
        CKvTypedObject59 second(&table);
        EXPECT_NE(first.GetLockId(), 0u);
        EXPECT_NE(first.GetLockId(), second.GetLockId());
        // A copy takes a lock of its own; an assignment keeps each one's.
        auto copy = std::make_unique<CKvTypedObject59>(first);
        EXPECT_NE(copy->GetLockId(), first.GetLockId());
        second.words[11] = 5;
        *copy = second;
        EXPECT_EQ(copy->words[11], 5u);
        copy.reset();
        CriticalSection* lock = nullptr;
        EXPECT_EQ(std::tuple(table.Lookup(first.GetLockId(), lock),
                             table.Lookup(second.GetLockId(), lock), table.GetCount()),
                  std::tuple(1, 1, 2u));
    }
    EXPECT_EQ(table.GetCount(), 0u);
    EXPECT_EQ(CKvTypedObject59().GetLock(), nullptr);
}
