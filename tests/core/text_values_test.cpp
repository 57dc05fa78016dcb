#include "core/text_values.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>

namespace {

TEST(UIntValue, ParsesAsThe32BitStrtoulFormatsInDecimalAndIncrementsModulo2To32) {
    const std::tuple<const char*, int, std::uint32_t> cases[] = {
        {"12abc", 10, 12u}, {"abc", 10, 0u}, {"-2", 10, 0xFFFFFFFEu}, {"0x10", 16, 16u}};
    for (const auto& [text, base, expected] : cases) {
        UIntValue value(7);
        EXPECT_EQ(value.Parse(text, base), KV_OK);
        EXPECT_EQ(value.Get(), expected) << text;
    }
    UIntValue value(0xFFFFFFFFu);
    std::string out = "old";
    EXPECT_EQ(&value.Format(out), &out);
    EXPECT_EQ(out, "4294967295");
    value.Increment();
    EXPECT_EQ(value.Format(out), "0");
}

TEST(BoolValue, ParsesOnlyExactUpperCaseTrueTrimsTheTextAndFormatsAnyNonZeroAsTrue) {
    const std::tuple<const char*, std::int32_t, const char*> cases[] = {
        {" TRUE ", 1, "TRUE"},       {"\t\r\nTRUE\v\f", 1, "TRUE"},
        {"true", 0, "true"},         {"1", 0, "1"},
        {"TRUEX", 0, "TRUEX"},       {"  ", 0, ""},
        {"\xA0TRUE", 0, "\xA0TRUE"},
    };
    for (const auto& [given, value, trimmed] : cases) {
        BoolValue flag;
        flag.Set(5);
        std::string text = given;
        flag.Parse(text);
        EXPECT_EQ(flag.Get(), value) << given;
        EXPECT_EQ(text, trimmed);
    }
    BoolValue flag;
    std::string out;
    EXPECT_EQ(flag.Format(out), "FALSE");
    flag.Set(-1);
    flag.SetText("note");
    EXPECT_EQ(flag.Format(out), "TRUE");
    BoolValue copy;
    copy = flag;
    EXPECT_EQ(copy.Get(), -1);
    EXPECT_EQ(copy.GetText(), "note");
}

} // namespace
