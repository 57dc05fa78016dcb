#include "core/string_tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
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
    const std::tuple<const char*, const char*, bool, std::vector<std::string>> cases[] = {
        {"a||b", "|", false, {"a", "", "b"}},    {"a|", "|", false, {"a", ""}},
        {"  x  |y", "|", true, {"x", "y"}},      {"  x  |y", "|", false, {"  x  ", "y"}},
        {"a,b;c", ",;", false, {"a", "b", "c"}},
    };
    for (const auto& [text, separators, trim, tokens] : cases) {
        StringTokenizer tokenizer;
        ASSERT_EQ(tokenizer.Init(text, separators), KV_OK);
        EXPECT_EQ(AllTokens(tokenizer, trim), tokens) << text;
    }
    // After the last separator comes one more, empty token, then the end.
    StringTokenizer tokenizer;
    tokenizer.Init("ab|", "|");
    std::string token = "stale";
    std::int32_t position = 0;
    EXPECT_EQ(tokenizer.NextToken(token, position, false), KV_OK);
    EXPECT_EQ(token + "/" + std::to_string(position), "ab/3");
    EXPECT_EQ(tokenizer.NextToken(token, position, false), KV_OK);
    EXPECT_EQ(token + "/" + std::to_string(position), "/-1");
    token = "stale";
    EXPECT_EQ(tokenizer.NextToken(token, position, false), KV_E_FAIL);
    EXPECT_EQ(token, "");
    position = 99;
    EXPECT_EQ(tokenizer.NextToken(token, position, false), KV_OK);
    EXPECT_EQ(position, -1);
    EXPECT_EQ(std::tuple(tokenizer.FindSeparator(0), tokenizer.FindSeparator(3),
                         tokenizer.FindSeparator(-1)),
              std::tuple(2, -1, -1));
}

TEST(StringTokenizer, InitTakesOnlyNonEmptyTextsButSetTextSucceedsRegardless) {
    StringTokenizer tokenizer;
    EXPECT_EQ(tokenizer.GetSeparators(), "|");
    ASSERT_EQ(tokenizer.Init(std::string("a,b\0c", 5), ","), KV_OK);
    EXPECT_EQ(tokenizer.GetText(), "a,b"); // up to the first zero byte
    EXPECT_EQ(tokenizer.Init("", ";"), KV_E_FAIL);
    EXPECT_EQ(tokenizer.Init("x;y", ""), KV_E_FAIL);
    EXPECT_EQ(tokenizer.SetText("", ";"), KV_OK);
    EXPECT_EQ(tokenizer.GetText() + tokenizer.GetSeparators(), "a,b,");
    EXPECT_EQ(tokenizer.SetText("new", nullptr), KV_E_INVALID_POINTER);
    EXPECT_EQ((std::tuple{tokenizer.SetText("x;y", ";"), tokenizer.GetText()}),
              std::tuple(KV_OK, "x;y"));
}

TEST(StringTokenizer, KeepOnlyCharsKeepsTheRunsOfSetBytes) {
    // text, set, result, text kept, set trimmed
    const std::tuple<const char*, const char*, KvResult, const char*, const char*> cases[] = {
        {" 1-5, x7 ", " 1234567890,#;- ", KV_OK, "1-5,7", "1234567890,#;-"},
        {" abc ", " \t ", KV_E_FAIL, " abc ", ""}, // empty set: text unchanged
        {"abc", "0123456789", KV_E_FAIL, "", "0123456789"},
    };
    for (const auto& [text, given_set, result, kept, trimmed_set] : cases) {
        StringTokenizer tokenizer;
        tokenizer.Init(text, ",");
        std::string set = given_set;
        EXPECT_EQ(tokenizer.KeepOnlyChars(set), result) << text;
        EXPECT_EQ(tokenizer.GetText() + "|" + set, std::string(kept) + "|" + trimmed_set);
    }
}

} // namespace
