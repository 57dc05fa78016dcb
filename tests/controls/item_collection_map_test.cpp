#include "controls/item_collection_map.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

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

// Rows A, B and C at 0, 1 and 2; an owner changes one, then one is removed.
TEST(ItemCollectionMap, RemovalsAfterAnOwnersChangeRenumberEveryEntryAbove) {
    struct Case {
        const char* name;
        std::function<void(ItemCollection* rows[3])> change;
        int removed;
        std::string left;  // identifier and first index of each row left
    };
    const auto set_index = [](ItemCollection* row, std::int32_t index) {
        UIItem* first = nullptr;
        ASSERT_EQ(row->GetItemAt(first, 0), KV_OK);
        first->SetIndex(index);
    };
    const Case cases[] = {
        {"a row moved below one before it", [&](ItemCollection* rows[3]) { set_index(rows[2], -1); }, 2, "A-1B0"},
        {"beside an emptied row", [&](ItemCollection* rows[3]) {
             rows[1]->RemoveAll();
             set_index(rows[2], -1);
         }, 2, "A-1B"},
        {"a row moved above one after it", [&](ItemCollection* rows[3]) { set_index(rows[0], 5); }, 1, "A4C1"},
        {"a row refilled", [&](ItemCollection* rows[3]) { rows[2]->SetFromText(0, "C", "C", kListItemKind); },
         2, "A0B0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ItemCollectionMap map;
        ItemCollection* rows[3] = {};
        for (int i = 0; i < 3; ++i) {
            const std::string identifier(1, static_cast<char>('A' + i));
            ASSERT_EQ(map.AddEntryFromText(rows[i], identifier, identifier), KV_OK);
        }
        c.change(rows);
        ItemCollection* removed = rows[c.removed];
        ASSERT_EQ(map.RemoveEntry(removed), KV_OK);
        std::string left;
        ItemCollectionMap::Position position;
        ItemCollection* row = nullptr;
        for (bool more = map.GetStartPosition(position); more && map.GetNextEntry(row, position);) {
            left += row->GetIdentifier();
            std::int32_t index = 0;
            if (row->GetFirstIndex(index))
                left += std::to_string(index);
        }
        EXPECT_EQ(left, c.left);
    }
}

// Random fills, index changes, removals and refills against the renumbering
// done by hand over every entry: whatever order the first indices are in, a
// removal moves exactly those above the removed one's up by one.
TEST(ItemCollectionMap, RemovalsRenumberAsAWalkOverEveryEntryWouldWhateverTheOrder) {
    struct Model {
        std::string identifier;
        bool has_items;
        std::int32_t index;
    };
    for (const unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        ItemCollectionMap map;
        std::vector<Model> model;
        int made = 0;
        // Mostly rows in order, as a list control adds them; seed 3 moves
        // indices and empties entries more often than it removes.
        const unsigned moves = seed == 3 ? 40 : 8;
        for (int step = 0; step < 3000; ++step) {
            const unsigned action = random() % 100;
            ItemCollection* entry = nullptr;
            if (action < 40 || model.empty()) {
                const std::string identifier = "r" + std::to_string(made);
                ASSERT_EQ(map.AddEntryFromText(entry, identifier, identifier), KV_OK);
                // At the end of the list, or left at its row number.
                std::int32_t index = made++;
                if (seed == 1 || random() % 2 == 0) {
                    UIItem* first = nullptr;
                    ASSERT_EQ(entry->GetItemAt(first, 0), KV_OK);
                    index = static_cast<std::int32_t>(model.size());
                    first->SetIndex(index);
                }
                model.push_back({identifier, true, index});
                continue;
            }
            Model& picked = model[random() % model.size()];
            ASSERT_EQ(map.Lookup(entry, picked.identifier), KV_OK);
            if (action < 40 + moves) {
                // An owner moves an index, or empties or refills an entry.
                const unsigned how = random() % (seed == 3 ? 3 : 4);
                if (how == 0) {
                    entry->RemoveAll();
                    picked.has_items = false;
                } else if (how == 1) {
                    const std::int32_t row = static_cast<std::int32_t>(random() % 50);
                    entry->SetFromText(row, picked.identifier, "again", kListItemKind);
                    picked = {picked.identifier, true, row};
                } else if (picked.has_items) {
                    UIItem* first = nullptr;
                    ASSERT_EQ(entry->GetItemAt(first, 0), KV_OK);
                    picked.index = static_cast<std::int32_t>(random() % 60) - 5;
                    first->SetIndex(picked.index);
                }
                continue;
            }
            const Model removed = picked;
            ASSERT_EQ(map.RemoveEntry(entry), KV_OK);
            std::erase_if(model, [&](const Model& m) { return m.identifier == removed.identifier; });
            for (Model& m : model)
                m.index -= removed.has_items && m.has_items && m.index > removed.index ? 1 : 0;
            ASSERT_EQ(map.GetCount(), model.size());
            for (const Model& m : model) {
                if (!m.has_items)
                    continue;
                ASSERT_EQ(map.Lookup(entry, m.identifier), KV_OK);
                ASSERT_EQ(FirstIndex(entry), m.index) << step << " " << m.identifier;
            }
        }
    }
}

} // namespace
