#include "core/text_values.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>

namespace {

TEST(TextValues, UIntParsesAsStrtoulFormatsInDecimalIncrementsModulo2To32AndBoolReadsTRUE) {
    const std::tuple<const char*, int, std::uint32_t> cases[] = {
        {"12abc", 10, 12u}, {"abc", 10, 0u}, {"-2", 10, 0xFFFFFFFEu}, {"0x10", 16, 16u}};
    for (const auto& [text, base, expected] : cases) {
        UIntValue value(7);
        EXPECT_EQ((std::tuple{value.Parse(text, base), value.Get()}), std::tuple(KV_OK, expected))
            << text;
    }
    UIntValue value(0xFFFFFFFFu);
    std::string out = "old";
    EXPECT_TRUE(&value.Format(out) == &out && out == "4294967295");
    value.Increment();
    EXPECT_EQ(value.Format(out), "0");
    // A flag parses only an exact upper-case TRUE, trims the text and formats any
    // non-zero value as TRUE.
    const std::tuple<const char*, std::int32_t, const char*> flags[] = {
        {" TRUE ", 1, "TRUE"},       {"\t\r\nTRUE\v\f", 1, "TRUE"},
        {"true", 0, "true"},         {"1", 0, "1"},
        {"TRUEX", 0, "TRUEX"},       {"  ", 0, ""},
        {"\xA0TRUE", 0, "\xA0TRUE"},
    };
    for (const auto& [given, parsed, trimmed] : flags) {
        BoolValue flag;
        flag.Set(5);
        std::string text = given;
        flag.Parse(text);
        EXPECT_EQ(std::tuple(flag.Get(), text), std::tuple(parsed, trimmed)) << given;
    }
    BoolValue flag;
    EXPECT_EQ(flag.Format(out), "FALSE");
    flag.Set(-1);
    flag.SetText("note");
    EXPECT_EQ(flag.Format(out), "TRUE");
    BoolValue copy;
    copy = flag;
    EXPECT_EQ(std::tuple(copy.Get(), copy.GetText()), std::tuple(-1, "note"));
}

} // namespace
