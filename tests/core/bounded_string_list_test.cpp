#include "core/bounded_string_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

Strings Contents(const BoundedStringList& list) {
    Strings strings;
    BoundedStringList::Position position = BoundedStringList::kNoPosition;
    if (!list.GetHeadPosition(position))
        return strings;
    std::string text;
    while (strings.size() <= BoundedStringList::kCapacity && list.GetNext(text, position))
        strings.push_back(text);
    return strings;
}

std::string Numbered(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += (i ? "," : "") + std::to_string(i);
    return text;
}

TEST(BoundedStringList, AddStopsAtFiftyStrings) {
    BoundedStringList list;
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(list.Add(std::to_string(i)), KV_OK);
    EXPECT_EQ(list.Add("50"), KV_E_LIST_FULL);
    EXPECT_EQ(list.GetResult(), KV_E_LIST_FULL);
    EXPECT_EQ(list.GetCount(), 50u);
}

TEST(BoundedStringList, SetFromTextAppendsTrimmedItemsIncludingEmptyOnes) {
    const struct {
        const char* text;
        Strings strings;
    } cases[] = {
        {"a,,b", {"old", "a", "", "b"}},
        {"a,", {"old", "a", ""}},
        {" x , y ", {"old", "x", "y"}},
        {"", {"old"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        BoundedStringList list;
        list.Add("old");
        EXPECT_EQ(list.SetFromText(c.text), KV_OK);
        EXPECT_EQ(Contents(list), c.strings);
    }
}

TEST(BoundedStringList, SetFromTextTakesAtMostFiftyItems) {
    BoundedStringList list;
    EXPECT_EQ(list.SetFromText(Numbered(60)), KV_OK);
    EXPECT_EQ(list.GetCount(), 50u);
    EXPECT_TRUE(list.Contains("49"));
    EXPECT_FALSE(list.Contains("50"));

    BoundedStringList nearly_full;
    for (int i = 0; i < 45; ++i)
        nearly_full.Add("old");
    EXPECT_EQ(nearly_full.SetFromText(Numbered(10)), KV_E_LIST_FULL);
    EXPECT_TRUE(nearly_full.Contains("4"));
    EXPECT_FALSE(nearly_full.Contains("5"));
}

TEST(BoundedStringList, GetTextJoinsWithCommasSoACommaInAStringSplitsOnReading) {
    BoundedStringList list;
    std::string out = "stale";
    EXPECT_EQ(list.GetText(out), "");
    list.Add("a");
    list.Add("b,c");
    EXPECT_EQ(&list.GetText(out), &out);
    EXPECT_EQ(out, "a,b,c");
    BoundedStringList read;
    read.SetFromText(out);
    EXPECT_EQ(Contents(read), (Strings{"a", "b", "c"}));
    EXPECT_TRUE(read.Contains("b"));
    EXPECT_FALSE(read.Contains("B"));
}

TEST(BoundedStringList, IteratesInOrderAndEndsWithTheNullPosition) {
    BoundedStringList list;
    BoundedStringList::Position position = 7;
    std::string text = "kept";
    EXPECT_FALSE(list.GetHeadPosition(position));
    EXPECT_FALSE(list.GetFirst(text));
    EXPECT_EQ(text, "kept");
    list.Add("x");
    list.Add("y");
    EXPECT_TRUE(list.GetFirst(text));
    EXPECT_EQ(text, "x");
    ASSERT_TRUE(list.GetHeadPosition(position));
    EXPECT_TRUE(list.GetNext(text, position));
    list.RemoveAll(); // a position left over from removed strings ends the walk
    EXPECT_FALSE(list.GetNext(text, position));
    EXPECT_EQ(position, BoundedStringList::kNoPosition);
}

TEST(BoundedStringList, AssignmentReplacesTheStringsAndSelfAssignmentKeepsThem) {
    BoundedStringList source;
    source.Add("a");
    source.Add("b");
    BoundedStringList target;
    target.Add("old");
    target = source;
    EXPECT_EQ(Contents(target), (Strings{"a", "b"}));
    BoundedStringList& alias = target;
    target = alias;
    EXPECT_EQ(Contents(target), (Strings{"a", "b"}));
    EXPECT_EQ(Contents(BoundedStringList(source)), (Strings{"a", "b"}));
}

TEST(BoundedStringList, IsDeletedThroughItsBase) {
    std::unique_ptr<KvObject> object = std::make_unique<BoundedStringList>();
    static_cast<BoundedStringList&>(*object).Add("a text too long for the small-string buffer");
    // A non-virtual destructor would leak or mismatch the delete, which the
    // sanitizers report.
    object.reset();
}

} // namespace
