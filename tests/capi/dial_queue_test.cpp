#include "capi/dial_queue.h"

#include "capi/capi_dial_manager.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

namespace {

CapiDialManager* Item(const std::string& number) {
    auto* item = new CapiDialManager;
    item->SetCalledNumber(number);
    return item;
}

TEST(DialQueueSet, OnlyTheHeadOfEachNumberIsActive) {
    DialQueueSet set;
    CapiDialManager* a1 = Item("A");
    CapiDialManager* a2 = Item("A");
    CapiDialManager* a3 = Item("A");
    CapiDialManager* b1 = Item("B");
    for (CapiDialManager* item : {a1, a2, a3, b1})
        ASSERT_EQ(set.Enqueue(item, false), KV_OK);
    EXPECT_EQ(set.ActiveCount(), 2u);
    EXPECT_EQ(set.TotalCount(), 4u);
    EXPECT_EQ(set.NextActive(), a1);
    EXPECT_EQ(set.NextActive(), b1);
    EXPECT_EQ(set.NextActive(), a1);
    // An item behind its head leaves the active items alone.
    EXPECT_EQ(set.DequeueAndDelete(a3), KV_OK);
    EXPECT_EQ(set.ActiveCount(), 2u);
    EXPECT_EQ(set.DequeueAndDelete(a1), KV_OK);
    EXPECT_EQ(set.ActiveCount(), 2u);
    set.ResetActive();
    EXPECT_EQ(set.NextActive(), b1);
    EXPECT_EQ(set.NextActive(), a2);
}

TEST(DialQueueSet, TheLastItemOfANumberDeletesItsQueue) {
    DialQueueSet set;
    CapiDialManager* a = Item("A");
    set.Enqueue(a, false);
    ASSERT_NE(set.FindQueue("A"), nullptr);
    EXPECT_EQ(set.DequeueAndDelete(a), KV_OK);
    EXPECT_EQ(set.FindQueue("A"), nullptr);
    EXPECT_EQ(set.ActiveCount(), 0u);
    EXPECT_EQ(set.NextActive(), nullptr);
    set.Enqueue(Item("A"), false);
    EXPECT_NE(set.FindQueue("A"), nullptr);
    EXPECT_EQ(set.ActiveCount(), 1u);

    CapiDialManager stranger;
    stranger.SetCalledNumber("Z");
    EXPECT_EQ(set.Dequeue(&stranger), KV_E_FAIL);
    stranger.SetCalledNumber("A");
    EXPECT_EQ(set.Dequeue(&stranger), KV_E_NOT_FOUND);
    EXPECT_EQ(set.Dequeue(nullptr), KV_E_INVALID_POINTER);
}

TEST(DialQueueSet, RefusesThe52ndItemAndThe52ndNumber) {
    DialQueueSet set;
    for (int i = 0; i < 51; ++i)
        ASSERT_EQ(set.Enqueue(Item("A"), false), KV_OK);
    CapiDialManager* refused = Item("A");
    EXPECT_EQ(set.Enqueue(refused, false), KV_E_FAIL);
    delete refused;
    for (int i = 1; i < 51; ++i)
        ASSERT_EQ(set.Enqueue(Item(std::to_string(i)), false), KV_OK);
    refused = Item("extra");
    EXPECT_EQ(set.Enqueue(refused, false), KV_E_FAIL);
    delete refused;
    DialQueue* queue = nullptr;
    EXPECT_EQ(set.CreateQueue("A", queue), KV_E_FAIL);
    EXPECT_EQ(queue, nullptr);
}

TEST(DialQueueSet, DropsExpiredItemsOnly) {
    ManualClock clock;
    ScopedClock scoped(clock);
    DialQueueSet set;
    CapiDialManager* early = Item("A");
    CapiDialManager* late = Item("A");
    CapiDialManager* other = Item("B");
    early->GetTimers().SetInterval(kCapiManagerTimer1, 0, 1000);
    late->GetTimers().SetInterval(kCapiManagerTimer1, 0, 5000);
    other->GetTimers().SetInterval(kCapiManagerTimer1, 0, 1000);
    set.Enqueue(early, true);
    set.Enqueue(late, true);
    set.Enqueue(other, true);
    clock.Advance(1000);
    set.CheckTimeouts();
    EXPECT_EQ(set.TotalCount(), 1u);
    EXPECT_EQ(set.ActiveCount(), 1u);
    EXPECT_EQ(set.NextActive(), late);
    clock.Advance(4000);
    set.CheckTimeouts();
    EXPECT_EQ(set.TotalCount(), 0u);
    EXPECT_EQ(set.ActiveCount(), 0u);
}

TEST(DialQueue, RemovesByNumberAndCyclesWithWrapAround) {
    DialQueue queue("A");
    CapiDialManager* first = Item("A");
    CapiDialManager* second = Item("X");
    EXPECT_EQ(queue.Add(nullptr, false), KV_E_INVALID_POINTER);
    queue.Add(first, false);
    queue.Add(second, false);
    EXPECT_EQ(queue.Head(), first);
    EXPECT_EQ(queue.NextWrapped(), first);
    EXPECT_EQ(queue.NextWrapped(), second);
    EXPECT_EQ(queue.NextWrapped(), first);
    EXPECT_EQ(queue.RemoveByNumber("X"), KV_OK);
    EXPECT_EQ(queue.RemoveByNumber("X"), KV_E_FAIL);
    EXPECT_EQ(queue.Count(), 1u);
    EXPECT_EQ(queue.Remove(first), KV_OK);
    delete first;
    EXPECT_EQ(queue.Head(), nullptr);
}

} // namespace
