#include "controls/item_collection_map.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::int32_t FirstIndex(ItemCollection* entry) {
    UIItem* item = nullptr;
    EXPECT_EQ(entry->GetItemAt(item, 0), KV_OK);
    return item != nullptr ? item->GetIndex() : -100;
}

TEST(ItemCollectionMap, DuplicateIdentifierUsesNoRow) {
    ItemCollectionMap map;
    ItemCollection* entry = nullptr;
    EXPECT_EQ(map.AddEntryFromText(entry, "A", "Alpha"), KV_OK);
    ItemCollection* first = entry;
    EXPECT_EQ(map.AddEntryFromText(entry, "A", "Other"), KV_E_ALREADY_PRESENT);
    EXPECT_EQ(entry, nullptr);
    EXPECT_EQ(map.GetRowCounter(), 1u);
    EXPECT_EQ(map.Lookup(entry, "A"), KV_OK);
    EXPECT_EQ(entry, first);
}

TEST(ItemCollectionMap, RemovingTheMiddleRenumbersTheRest) {
    ItemCollectionMap map;
    ItemCollection* entries[3] = {};
    const char* names[] = {"A", "B", "C"};
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(map.AddEntryFromText(entries[i], names[i], names[i]), KV_OK);
    ItemCollection* removed = entries[1];
    EXPECT_EQ(map.RemoveEntry(removed), KV_OK);
    EXPECT_EQ(removed, nullptr);
    EXPECT_EQ(FirstIndex(entries[0]), 0);
    EXPECT_EQ(FirstIndex(entries[2]), 1);
    ItemCollection* next = nullptr;
    EXPECT_EQ(map.AddEntryFromText(next, "D", "D"), KV_OK);
    EXPECT_EQ(next->GetRowNumber(), 3);
    EXPECT_EQ(map.GetCount(), 3u);
}

TEST(ItemCollectionMap, RemovingWhileTheVisitorAgreesRenumbersNothing) {
    for (const std::size_t stop : {std::size_t{0}, std::size_t{2}, std::size_t{4}}) {
        SCOPED_TRACE(stop);
        ItemCollectionMap map;
        ItemCollection* entries[4] = {};
        const char* names[] = {"A", "B", "C", "D"};
        for (int i = 0; i < 4; ++i)
            ASSERT_EQ(map.AddEntryFromText(entries[i], names[i], names[i]), KV_OK);
        std::string visited;
        const std::size_t removed = map.RemoveEntriesWhile([&](ItemCollection& entry) {
            if (visited.size() == stop)
                return false;
            visited += entry.GetIdentifier();
            return true;
        });
        EXPECT_EQ(removed, stop);
        EXPECT_EQ(visited, std::string("ABCD").substr(0, stop));
        EXPECT_EQ(map.GetCount(), 4 - stop);
        std::string left;
        ItemCollectionMap::Position position;
        ItemCollection* entry = nullptr;
        for (bool more = map.GetStartPosition(position); more && map.GetNextEntry(entry, position);)
            left += entry->GetIdentifier() + std::to_string(FirstIndex(entry));
        const std::string all = "A0B1C2D3";
        EXPECT_EQ(left, all.substr(2 * stop));
        EXPECT_EQ(map.Lookup(entry, "A"), stop > 0 ? KV_E_NOT_PRESENT : KV_OK);
        EXPECT_EQ(map.AddEntryFromText(entry, "A", "Again"),
                  stop > 0 ? KV_OK : KV_E_ALREADY_PRESENT);
        EXPECT_EQ(map.GetRowCounter(), stop > 0 ? 5u : 4u);
    }
}

TEST(ItemCollectionMap, RemovingAnEntryTheMapDoesNotHoldChangesNothing) {
    ItemCollectionMap map;
    ItemCollection* held = nullptr;
    ASSERT_EQ(map.AddEntryFromText(held, "A", "Alpha"), KV_OK);
    // An entry of the caller's that bears the held entry's identifier.
    ItemCollection* stranger = nullptr;
    ASSERT_EQ(map.CreateEntryFromText(stranger, "B", "Beta"), KV_OK);
    stranger->GetIdentifier() = "A";
    ItemCollection* pointer = stranger;
    EXPECT_EQ(map.RemoveEntry(pointer), KV_E_NOT_PRESENT);
    EXPECT_EQ(pointer, stranger);
    ItemCollection* found = nullptr;
    EXPECT_EQ(map.Lookup(found, "A"), KV_OK);
    EXPECT_EQ(found, held);
    delete stranger;
    ItemCollection* none = nullptr;
    EXPECT_EQ(map.RemoveEntry(none), KV_E_INVALID_POINTER);
}

TEST(ItemCollectionMap, MissesGiveNullEntries) {
    ItemCollectionMap map(kComboItemKind);
    ItemCollection* entry = reinterpret_cast<ItemCollection*>(&map);
    EXPECT_EQ(map.Lookup(entry, "X"), KV_E_NOT_PRESENT);
    EXPECT_EQ(entry, nullptr);
    ItemCollectionMap::Position position;
    EXPECT_FALSE(map.GetStartPosition(position));
    EXPECT_EQ(position.map, nullptr);

    BoundedStringList texts;
    texts.SetFromText("Name,Office#2");
    ASSERT_EQ(map.AddEntryFromTextList(entry, "P1", texts), KV_OK);
    ASSERT_EQ(map.AddEntryFromText(entry, "P2", "Office"), KV_OK);
    EXPECT_EQ(map.FindEntryByItemText(entry, "Nobody"), KV_E_FAIL);
    EXPECT_EQ(entry, nullptr);
    // The first in the order of adding wins.
    EXPECT_EQ(map.FindEntryByItemText(entry, "Office"), KV_OK);
    EXPECT_EQ(entry->GetIdentifier(), "P1");
    EXPECT_EQ(entry->GetItemKind(), kComboItemKind);

    std::string walked;
    ASSERT_TRUE(map.GetStartPosition(position));
    while (map.GetNextEntry(entry, position))
        walked += entry->GetIdentifier();
    EXPECT_EQ(walked, "P1P2");
    EXPECT_EQ(map.RemoveAll(), KV_OK);
    EXPECT_EQ(map.GetCount(), 0u);
    EXPECT_EQ(map.GetRowCounter(), 2u);
}

} // namespace
