#include "core/bounded_string_list.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

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
    EXPECT_EQ(list.GetCount(), 50u);
    EXPECT_TRUE(list.Contains("49"));
    EXPECT_EQ(list.Add("50"), KV_E_LIST_FULL);
    EXPECT_EQ(list.GetResult(), KV_E_LIST_FULL);
    list.RemoveAll();
    for (int i = 0; i < 45; ++i)
        list.Add("old");
    EXPECT_EQ(list.SetFromText(sixty), KV_E_LIST_FULL);
    EXPECT_TRUE(list.Contains("4"));
    EXPECT_FALSE(list.Contains("5"));
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
    EXPECT_FALSE(list.GetFirst(text) || list.GetHeadPosition(position));
    EXPECT_EQ(text, "kept");
    list.SetFromText("x,y");
    EXPECT_TRUE(list.GetFirst(text));
    EXPECT_EQ(text, "x");
    ASSERT_TRUE(list.GetHeadPosition(position));
    EXPECT_TRUE(list.GetNext(text, position) && list.GetNext(text, position));
    EXPECT_EQ(text, "y");
    EXPECT_EQ(position, BoundedStringList::kNoPosition);
    ASSERT_TRUE(list.GetHeadPosition(position));
    list.RemoveAll();
    EXPECT_FALSE(list.GetNext(text, position));
    EXPECT_EQ(position, BoundedStringList::kNoPosition);
}

} // namespace
