#include "core/string_tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every token up to the reported end; bounded so that a fault cannot hang.
std::vector<std::string> AllTokens(StringTokenizer& tokenizer, bool trim) {
    std::vector<std::string> tokens;
    std::string token;
    std::int32_t position = 0;
    while (tokens.size() < 100 && tokenizer.NextToken(token, position, trim) == KV_OK)
        tokens.push_back(token);
    return tokens;
}

TEST(StringTokenizer, SplitsIntoTokensIncludingEmptyAndTrailingFields) {
    const struct {
        const char* text;
        const char* separators;
        bool trim;
        std::vector<std::string> tokens;
    } cases[] = {
        {"a||b", "|", false, {"a", "", "b"}},    {"a|", "|", false, {"a", ""}},
        {"  x  |y", "|", true, {"x", "y"}},      {"  x  |y", "|", false, {"  x  ", "y"}},
        {"a,b;c", ",;", false, {"a", "b", "c"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        StringTokenizer tokenizer;
        ASSERT_EQ(tokenizer.Init(c.text, c.separators), KV_OK);
        EXPECT_EQ(AllTokens(tokenizer, c.trim), c.tokens);
    }
}

TEST(StringTokenizer, NextTokenMovesPastTheSeparatorAndThenReportsTheEnd) {
    StringTokenizer tokenizer;
    tokenizer.Init("ab|", "|");
    std::string token = "stale";
    std::int32_t position = 0;
    EXPECT_EQ(tokenizer.NextToken(token, position, false), KV_OK);
    EXPECT_EQ(token, "ab");
    EXPECT_EQ(position, 3); // at the end: one more, empty token
    EXPECT_EQ(tokenizer.NextToken(token, position, false), KV_OK);
    EXPECT_EQ(token, "");
    EXPECT_EQ(position, -1);
    token = "stale";
    EXPECT_EQ(tokenizer.NextToken(token, position, false), KV_E_FAIL);
    EXPECT_EQ(token, "");
    position = 99;
    EXPECT_EQ(tokenizer.NextToken(token, position, false), KV_OK);
    EXPECT_EQ(position, -1);
    EXPECT_EQ(tokenizer.FindSeparator(0), 2);
    EXPECT_EQ(tokenizer.FindSeparator(3), -1);
    EXPECT_EQ(tokenizer.FindSeparator(-1), -1);
}

TEST(StringTokenizer, InitTakesOnlyNonEmptyTextsButSetTextSucceedsRegardless) {
    StringTokenizer tokenizer;
    EXPECT_EQ(tokenizer.GetSeparators(), "|");
    ASSERT_EQ(tokenizer.Init(std::string("a,b\0c", 5), ","), KV_OK);
    EXPECT_EQ(tokenizer.GetText(), "a,b"); // up to the first zero byte
    EXPECT_EQ(tokenizer.Init("", ";"), KV_E_FAIL);
    EXPECT_EQ(tokenizer.Init("x;y", ""), KV_E_FAIL);
    EXPECT_EQ(tokenizer.SetText("", ";"), KV_OK);
    EXPECT_EQ(tokenizer.GetText(), "a,b");
    EXPECT_EQ(tokenizer.GetSeparators(), ",");
    EXPECT_EQ(tokenizer.SetText("new", nullptr), KV_E_INVALID_POINTER);
    EXPECT_EQ(tokenizer.SetText("x;y", ";"), KV_OK);
    EXPECT_EQ(tokenizer.GetText(), "x;y");
}

TEST(StringTokenizer, KeepOnlyCharsKeepsTheRunsOfSetBytes) {
    const struct {
        const char* text;
        const char* set;
        KvResult result;
        const char* kept;
        const char* trimmed_set;
    } cases[] = {
        {" 1-5, x7 ", " 1234567890,#;- ", KV_OK, "1-5,7", "1234567890,#;-"},
        {" abc ", " \t ", KV_E_FAIL, " abc ", ""}, // empty set: text unchanged
        {"abc", "0123456789", KV_E_FAIL, "", "0123456789"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        StringTokenizer tokenizer;
        tokenizer.Init(c.text, ",");
        std::string set = c.set;
        EXPECT_EQ(tokenizer.KeepOnlyChars(set), c.result);
        EXPECT_EQ(tokenizer.GetText(), c.kept);
        EXPECT_EQ(set, c.trimmed_set);
    }
}

} // namespace
