#include "controls/item_collection.h"

#include <gtest/gtest.h>

#include <string>

namespace {

BoundedStringList Texts(const std::string& text) {
    BoundedStringList list;
    list.SetFromText(text);
    return list;
}

TEST(ItemCollection, FillsOneItemPerTextWithItsPosition) {
    ItemCollection entry;
    EXPECT_EQ(entry.GetRowNumber(), -1);
    EXPECT_EQ(entry.SetFromTextList(4, "ID", Texts("Office#3,Mobile,Home#1"), kListItemKind),
              KV_OK);
    EXPECT_EQ(entry.GetIdentifier(), "ID");
    EXPECT_EQ(entry.GetRowNumber(), 4);
    ASSERT_EQ(entry.GetCount(), 3u);
    for (std::size_t column = 0; column < 3; ++column) {
        UIItem* item = nullptr;
        ASSERT_EQ(entry.GetItemAt(item, column), KV_OK);
        LVITEM* record = static_cast<ListItem*>(item)->GetRecord();
        EXPECT_EQ(record->iItem, 4);
        EXPECT_EQ(record->iSubItem, static_cast<std::int32_t>(column));
        // Only the first item carries the entry.
        EXPECT_EQ(record->lParam, column == 0 ? reinterpret_cast<LPARAM>(&entry) : 0);
        EXPECT_EQ(record->pszText, item->GetTextPointer());
    }
    UIItem* item = reinterpret_cast<UIItem*>(&entry);
    EXPECT_EQ(entry.GetItemAt(item, 3), KV_E_FAIL);
    EXPECT_EQ(item, reinterpret_cast<UIItem*>(&entry));
    EXPECT_EQ(entry.FindItemByText(item, "Mobile"), KV_OK);
    EXPECT_EQ(item->GetText(), "Mobile");
    EXPECT_EQ(entry.FindItemByText(item, "mobile"), KV_E_FAIL);
    EXPECT_EQ(item, nullptr);
}

TEST(ItemCollection, ComboEntriesHoldOneItemWithTheRow) {
    ItemCollection entry;
    EXPECT_EQ(entry.SetFromText(2, "EXACT", "Genau#1", kComboItemKind), KV_OK);
    UIItem* item = nullptr;
    ASSERT_EQ(entry.GetItemAt(item, 0), KV_OK);
    ASSERT_EQ(item->GetItemKind(), kComboItemKind);
    COMBOBOXEXITEM* record = static_cast<ComboItem*>(item)->GetRecord();
    EXPECT_EQ(record->iItem, 2);
    EXPECT_EQ(record->iImage, 1);
    EXPECT_EQ(record->lParam, reinterpret_cast<LPARAM>(&entry));
    EXPECT_STREQ(record->pszText, "Genau");

    // An unknown kind makes no items.
    EXPECT_EQ(entry.SetFromText(2, "X", "x", 5), KV_E_INVALID_POINTER);
    EXPECT_EQ(entry.GetCount(), 0u);
    EXPECT_EQ(entry.DeleteItem(nullptr), KV_E_INVALID_POINTER);
}

TEST(ItemCollection, NewTextsReachAsFarAsBothLists) {
    ItemCollection entry;
    entry.SetFromTextList(0, "ID", Texts("a,b,c"), kListItemKind);
    EXPECT_EQ(entry.SetItemTexts(Texts("x#2")), KV_OK);
    std::string texts;
    UIItem* item = nullptr;
    ItemCollection::Position position = 0;
    ASSERT_TRUE(entry.GetFirst(item, position));
    texts += item->GetText();
    while (entry.GetNext(item, position))
        texts += item->GetText();
    EXPECT_EQ(texts, "xbc");
    EXPECT_EQ(position, 0u);
    entry.GetItemAt(item, 0);
    EXPECT_EQ(static_cast<ListItem*>(item)->GetRecord()->iImage, 2);
    EXPECT_EQ(entry.SetItemTexts(Texts("1,2,3,4")), KV_OK);
    entry.GetItemAt(item, 2);
    EXPECT_EQ(item->GetText(), "3");
    EXPECT_EQ(entry.GetCount(), 3u);
}

} // namespace
