#include "core/bounded_string_list.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

std::string Text(BoundedStringList& list) {
    std::string out = "stale";
    return list.GetText(out);
}

TEST(BoundedStringList, AddAndSetFromTextStopAtFiftyStrings) {
    std::string sixty;
    for (int i = 0; i < 60; ++i)
        sixty += std::to_string(i) + ",";
    BoundedStringList list;
    EXPECT_EQ(list.SetFromText(sixty), KV_OK) << "items past fifty are not read";
    EXPECT_TRUE(list.GetCount() == 50 && list.Contains("49"));
    EXPECT_EQ((std::tuple{list.Add("50"), list.GetResult()}),
              std::tuple(KV_E_LIST_FULL, KV_E_LIST_FULL));
    list.RemoveAll();
    for (int i = 0; i < 45; ++i)
        list.Add("old");
    EXPECT_EQ(list.SetFromText(sixty), KV_E_LIST_FULL);
    EXPECT_TRUE(list.Contains("4") && !list.Contains("5"));
}

TEST(BoundedStringList, SetFromTextAppendsTrimmedItemsAndCopiesTakeThem) {
    const std::pair<const char*, const char*> cases[] = {
        {"a,,b", "old,a,,b"}, {"a,", "old,a,"}, {" x , y ", "old,x,y"}, {"", "old"}};
    for (const auto& [text, joined] : cases) {
        BoundedStringList list;
        list.Add("old");
        EXPECT_EQ(list.SetFromText(text), KV_OK);
        EXPECT_EQ(Text(list), joined) << text;
        BoundedStringList target;
        target.Add("other");
        target = list;
        BoundedStringList& alias = target;
        target = alias;
        BoundedStringList copy(target);
        EXPECT_EQ(Text(copy), joined);
    }
}

TEST(BoundedStringList, WalksInOrderToTheNullPositionAndAStalePositionEndsTheWalk) {
    BoundedStringList list;
    std::string text = "kept";
    BoundedStringList::Position position = 7;
    EXPECT_FALSE(list.GetFirst(text) || list.GetHeadPosition(position) || text != "kept");
    list.SetFromText("x,y");
    EXPECT_TRUE(list.GetFirst(text) && text == "x");
    ASSERT_TRUE(list.GetHeadPosition(position));
    EXPECT_TRUE(list.GetNext(text, position) && list.GetNext(text, position));
    EXPECT_TRUE(text == "y" && position == BoundedStringList::kNoPosition);
    ASSERT_TRUE(list.GetHeadPosition(position));
    list.RemoveAll();
    EXPECT_FALSE(list.GetNext(text, position) || position != BoundedStringList::kNoPosition);
}

} // namespace
