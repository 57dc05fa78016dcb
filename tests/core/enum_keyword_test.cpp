#include "core/enum_keyword.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

constexpr EnumKeywordName kCategoryNames[] = {
    {"UNSPECIFIED", 0}, {"OFFICE", 1}, {"PRIVAT", 2}, {"DIVERSE", 3}};

// An address-category-like set whose parse works on the caller's text.
class TestCategory : public EnumKeywordSet {
public:
    TestCategory() : EnumKeywordSet(kCategoryNames, 0) {}
    KvResult Parse(std::string& text) { return ParseInPlace(text); }
};

struct ParseCase {
    const char* text;
    KvResult result;
    std::uint32_t value;
    const char* keywordText;
};

TEST(EnumKeyword, ParsesKeywordsAndDecimalNumbersElseFallsBackToTheDefault) {
    const ParseCase cases[] = {
        {" office ", KV_OK, 1, "OFFICE"},
        {"3", KV_OK, 3, "DIVERSE"},
        {"003", KV_OK, 3, "DIVERSE"},
        {"7", KV_OK, 7, "7"},
        {"99999999999", KV_OK, 4294967295u, "4294967295"},
        {"4294967296", KV_OK, 4294967295u, "4294967295"},
        {"", KV_E_FAIL, 0, "UNSPECIFIED"},
        {"   ", KV_E_FAIL, 0, "UNSPECIFIED"},
        {"-1", KV_E_FAIL, 0, "UNSPECIFIED"},
        {"+1", KV_E_FAIL, 0, "UNSPECIFIED"},
        {"1 2", KV_E_FAIL, 0, "UNSPECIFIED"},
        {"12abc", KV_E_FAIL, 0, "UNSPECIFIED"},
        {"OFFICE_FAX", KV_E_FAIL, 0, "UNSPECIFIED"},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.text);
        EnumKeyword keyword(kCategoryNames);
        keyword.SetValue(2);
        std::string text = c.text;
        EXPECT_EQ(keyword.Parse(text), c.result);
        EXPECT_EQ(keyword.GetResult(), c.result);
        EXPECT_EQ(keyword.GetValue(), c.value);
        EXPECT_EQ(keyword.Text(), c.keywordText);
    }
}

TEST(EnumKeyword, ParseTrimsAndUpperCasesTheCallersText) {
    EnumKeyword keyword(kCategoryNames);
    std::string text = " office ";
    keyword.Parse(text);
    EXPECT_EQ(text, "OFFICE");
}

TEST(EnumKeyword, FailedParseFallsBackToAChangedDefault) {
    EnumKeyword keyword(kCategoryNames);
    ASSERT_EQ(keyword.SetDefault(2), KV_OK);
    std::string text = "nonsense";
    EXPECT_EQ(keyword.Parse(text), KV_E_FAIL);
    EXPECT_EQ(keyword.GetValue(), 2u);
    EXPECT_EQ(keyword.Text(), "PRIVAT");
}

TEST(EnumKeyword, SetValueGivesTheKeywordOrTheDecimalNumber) {
    EnumKeyword keyword(kCategoryNames);
    EXPECT_EQ(keyword.SetValue(2), KV_OK);
    EXPECT_EQ(keyword.Text(), "PRIVAT");
    EXPECT_EQ(keyword.SetValue(77), KV_OK);
    EXPECT_EQ(keyword.Text(), "77");
    EXPECT_EQ(keyword.GetValue(), 77u);
    std::string out = "old";
    EXPECT_EQ(&keyword.GetText(out), &out);
    EXPECT_EQ(out, "77");
}

TEST(EnumKeyword, SetDefaultRefusesANumberWithoutAName) {
    EnumKeyword keyword(kCategoryNames);
    keyword.SetValue(1);
    EXPECT_EQ(keyword.SetDefault(9), KV_E_FAIL);
    EXPECT_EQ(keyword.GetDefault(), 0u);
    EXPECT_EQ(keyword.SetDefault(3), KV_OK);
    EXPECT_EQ(keyword.GetDefault(), 3u);
    EXPECT_EQ(keyword.GetValue(), 1u);
}

TEST(EnumKeyword, WithoutNamesEveryValueIsWrittenInDecimal) {
    EnumKeyword keyword;
    EXPECT_EQ(keyword.GetValue(), 0u);
    EXPECT_EQ(keyword.Text(), "");
    std::string text = "OFFICE";
    EXPECT_EQ(keyword.Parse(text), KV_E_FAIL);
    EXPECT_EQ(keyword.Text(), "0");
}

TEST(EnumKeyword, ANameEnteredAgainReplacesItsNumber) {
    constexpr EnumKeywordName names[] = {{"A", 1}, {"B", 2}, {"A", 3}};
    EnumKeyword keyword(names);
    std::string text = "a";
    EXPECT_EQ(keyword.Parse(text), KV_OK);
    EXPECT_EQ(keyword.GetValue(), 3u);
    keyword.SetValue(1);
    EXPECT_EQ(keyword.Text(), "1");
    keyword.SetValue(3);
    EXPECT_EQ(keyword.Text(), "A");
    EXPECT_EQ(keyword.SetDefault(1), KV_E_FAIL);
}

TEST(EnumKeywordSet, NewSetHasValueZeroAndAnEmptyText) {
    TestCategory set;
    EXPECT_EQ(set.GetValue(), 0u);
    EXPECT_EQ(set.Text(), "");
    EXPECT_EQ(set.Keyword().GetDefault(), 0u);
}

TEST(EnumKeywordSet, CopyKeepsValueAndTextAndSelfAssignmentChangesNothing) {
    TestCategory set;
    set.SetValue(3);
    TestCategory copy(set);
    EXPECT_EQ(copy.GetValue(), 3u);
    EXPECT_EQ(copy.Text(), "DIVERSE");
    TestCategory& alias = copy;
    copy = alias;
    EXPECT_EQ(copy.Text(), "DIVERSE");
    std::string text = "private";
    EXPECT_EQ(copy.Parse(text), KV_E_FAIL);
    EXPECT_EQ(set.GetValue(), 3u);
}

} // namespace
