#include "core/enum_keyword.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <tuple>

namespace {

constexpr EnumKeywordName kCategoryNames[] = {
    {"UNSPECIFIED", 0}, {"OFFICE", 1}, {"PRIVAT", 2}, {"DIVERSE", 3}};

// An address-category-like set whose parse works on the caller's text.
class TestCategory : public EnumKeywordSet {
public:
    TestCategory() : EnumKeywordSet(kCategoryNames, 0) {}
    KvResult Parse(std::string& text) { return ParseInPlace(text); }
};

TEST(EnumKeyword, ParsesKeywordsAndDecimalNumbersElseFallsBackToTheDefault) {
    const std::tuple<const char*, KvResult, std::uint32_t, const char*> cases[] = {
        {" office ", KV_OK, 1, "OFFICE"},
        {"003", KV_OK, 3, "DIVERSE"},
        {"7", KV_OK, 7, "7"},
        {"4294967296", KV_OK, 4294967295u, "4294967295"},
        {"   ", KV_E_FAIL, 2, "PRIVAT"},
        {"+1", KV_E_FAIL, 2, "PRIVAT"},
        {"12abc", KV_E_FAIL, 2, "PRIVAT"},
        {"OFFICE_FAX", KV_E_FAIL, 2, "PRIVAT"},
    };
    for (const auto& [given, result, value, keyword_text] : cases) {
        EnumKeyword keyword(kCategoryNames);
        ASSERT_EQ(keyword.SetDefault(2), KV_OK);
        keyword.SetValue(3);
        std::string text = given;
        EXPECT_EQ((std::tuple{keyword.Parse(text), keyword.GetValue(), keyword.Text()}),
                  std::tuple(result, value, keyword_text))
            << given;
    }
    // Only a named number can become the default.
    EnumKeyword keyword(kCategoryNames);
    keyword.SetValue(77);
    EXPECT_EQ((std::tuple{keyword.SetDefault(9), keyword.GetDefault(), keyword.SetDefault(3),
                          keyword.GetDefault()}),
              std::tuple(KV_E_FAIL, 0u, KV_OK, 3u));
    std::string out;
    EXPECT_EQ(keyword.GetText(out), "77");
}

TEST(EnumKeyword, APartOfATableWithoutTheRepeatedNameKeepsItsEarlierNumber) {
    static constexpr EnumKeywordName names[] = {{"A", 1}, {"B", 2}, {"A", 3}};
    // The whole table first, then its first two rows at the same address.
    EnumKeyword whole(names);
    whole.SetValue(1);
    EXPECT_EQ(whole.Text(), "1");
    EnumKeyword part(std::span<const EnumKeywordName>(names, 2));
    part.SetValue(1);
    EXPECT_EQ(part.Text(), "A");
    whole.SetValue(1);
    EXPECT_EQ(whole.Text(), "1");
}

TEST(EnumKeyword, ANameEnteredAgainReplacesItsNumberWithoutNamesAllIsDecimalAndSetsCopy) {
    constexpr EnumKeywordName names[] = {{"A", 1}, {"B", 2}, {"A", 3}};
    EnumKeyword keyword(names);
    std::string text = "a";
    EXPECT_EQ((std::tuple{keyword.Parse(text), keyword.GetValue()}), std::tuple(KV_OK, 3u));
    keyword.SetValue(1);
    EXPECT_EQ(keyword.Text(), "1");
    keyword.SetValue(3);
    EXPECT_EQ(keyword.Text(), "A");
    EXPECT_EQ(keyword.SetDefault(1), KV_E_FAIL);
    EnumKeyword nameless;
    EXPECT_EQ((std::tuple{nameless.Parse(text), nameless.Text()}), std::tuple(KV_E_FAIL, "0"));
    // A keyword set starts with an empty text, copies its value and parses in place.
    TestCategory set;
    EXPECT_EQ(set.Text(), "");
    set.SetValue(3);
    TestCategory copy(set);
    TestCategory& alias = copy;
    copy = alias;
    EXPECT_EQ(copy.Text(), "DIVERSE");
    text = " office ";
    EXPECT_EQ((std::tuple{copy.Parse(text), text, set.GetValue()}),
              std::tuple(KV_OK, "OFFICE", 3u));
}

} // namespace
