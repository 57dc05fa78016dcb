#include "controls/ui_item.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(UIItem, LabelsCarryAnImageAfterTheFirstHash) {
    const struct {
        const char* text;
        const char* label;
        std::int32_t image;
    } cases[] = {
        {"Office#3", "Office", 3},
        {"Office", "Office", -1},
        {"Office#", "Office#", -1},
        {"#2", "", 2},
        {"A#x", "A", 0},
        {"A#-4", "A", -4},
        {"A#1#2", "A", 1},
        {"A# 7", "A", 7},
        {"", "", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string label = "old";
        std::int32_t image = 99;
        UIItem::SplitLabel(c.text, label, image);
        EXPECT_EQ(label, c.label);
        EXPECT_EQ(image, c.image);
    }
}

TEST(UIItem, ComboItemFillsItsRecord) {
    ComboItem item;
    EXPECT_EQ(item.GetItemKind(), kComboItemKind);
    COMBOBOXEXITEM* record = item.GetRecord();
    EXPECT_EQ(record->mask, 0u);
    EXPECT_EQ(item.SetParam(0x1234), KV_OK);
    EXPECT_EQ(item.SetPosition(4, 9), KV_OK);
    EXPECT_EQ(item.SetTextAndImage("Office", 3), KV_OK);
    EXPECT_EQ(record->mask, CBEIF_LPARAM | CBEIF_TEXT | CBEIF_IMAGE);
    EXPECT_EQ(record->lParam, 0x1234);
    EXPECT_EQ(record->iItem, 4);
    EXPECT_EQ(record->iImage, 3);
    EXPECT_EQ(record->pszText, item.GetTextPointer());
    EXPECT_STREQ(record->pszText, "Office");

    // A longer text moves the buffer: the record follows it.
    EXPECT_EQ(item.SetTextAndImage(std::string(200, 'x'), -1), KV_OK);
    EXPECT_EQ(record->pszText, item.GetTextPointer());
    EXPECT_EQ(std::string(record->pszText), std::string(200, 'x'));
    EXPECT_EQ(record->mask, CBEIF_LPARAM | CBEIF_TEXT);
    EXPECT_EQ(record->iImage, 0);
    item.SetIndex(7);
    EXPECT_EQ(item.GetIndex(), 7);
    EXPECT_EQ(record->cchTextMax, 0);

    // A window may write 20 characters into a short text's buffer.
    ComboItem short_text;
    short_text.SetTextAndImage("Fax", -1);
    std::memcpy(short_text.GetRecord()->pszText, "01234567890123456789", 21);
    EXPECT_STREQ(short_text.GetRecord()->pszText, "01234567890123456789");
    EXPECT_EQ(short_text.GetItemKind(), kComboItemKind);
}

TEST(UIItem, ListItemFillsItsRecord) {
    ListItem item;
    EXPECT_EQ(item.GetItemKind(), kListItemKind);
    LVITEM* record = item.GetRecord();
    EXPECT_EQ(record->stateMask, 0xFFFFFFFFu);
    EXPECT_EQ(record->pszText, nullptr);
    item.SetParam(-1);
    item.SetPosition(2, 3);
    item.SetTextAndImage("Name", 0);
    EXPECT_EQ(record->mask, LVIF_PARAM | LVIF_TEXT | LVIF_IMAGE);
    EXPECT_EQ(record->lParam, -1);
    EXPECT_EQ(record->iItem, 2);
    EXPECT_EQ(record->iSubItem, 3);
    EXPECT_EQ(record->iImage, 0);
    EXPECT_STREQ(record->pszText, "Name");
    EXPECT_EQ(item.GetText(), "Name");
}

} // namespace
