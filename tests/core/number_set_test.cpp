#include "core/number_set.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <vector>

namespace {

std::vector<std::uint32_t> Members(const NumberSet& set) {
    std::vector<std::uint32_t> members;
    NumberSet::Position position = NumberSet::kNoPosition;
    set.GetStartPosition(position);
    std::uint32_t number = 0;
    while (set.GetNext(position, number))
        members.push_back(number);
    return members;
}

TEST(NumberSet, ReadsNumbersAndRangesBetweenAnySeparators) {
    const std::pair<const char*, std::vector<std::uint32_t>> cases[] = {
        {"1-5, 7; 9#12", {1, 2, 3, 4, 5, 7, 9, 12}},
        {" x1-3 y, 3-4", {1, 2, 3, 4}},
        {"-5, 5-, 70000, 5-3", {}},
        {"0,65535,65536", {0, 65535}},
        {"65530-65536", {}},
        {"3-5-9", {3, 4, 5}},
        {"99999999999", {}},
        {"", {}},
    };
    for (const auto& [given, members] : cases) {
        SCOPED_TRACE(given);
        NumberSet set;
        EXPECT_EQ(set.SetFromText(given), members.size());
        EXPECT_EQ(Members(set), members);
        std::string text;
        EXPECT_EQ((std::tuple{set.GetText(text), text}), std::tuple(KV_OK, given));
    }
    // Texts add up and only the last text is kept.
    NumberSet set;
    set.SetFromText("1");
    EXPECT_EQ(set.SetFromText("2"), 2u);
    EXPECT_TRUE(Members(set) == std::vector<std::uint32_t>({1, 2}) && set.Text() == "2");
    EXPECT_EQ(set.SetFromText("24024-24124, 24000-24030, 24120-24200"), 2u + 201u);
    EXPECT_TRUE(set.Contains(24023) && !set.Contains(23999));
}

TEST(NumberSet, RepeatedFullRangesCostOnlyWhatTheyAdd) {
    std::string text;
    for (int i = 0; i < 200000; ++i)
        text += "0-65535,";
    NumberSet set;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(set.SetFromText(text), 65536u);
    // Adding each range member by member would take minutes.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

} // namespace
