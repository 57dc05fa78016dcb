#include "platform/number_parse.h"

#include <gtest/gtest.h>

namespace {

struct UnsignedCase {
    std::string_view text;
    int base;
    std::uint32_t value;
    std::size_t end;
};

TEST(ParseUInt32, MatchesThe32BitCLibrary) {
    const UnsignedCase cases[] = {
        {"0", 10, 0, 1},
        {"4294967295", 10, 0xFFFFFFFFu, 10},
        {"4294967296", 10, 0xFFFFFFFFu, 10},
        {"99999999999999999999", 10, 0xFFFFFFFFu, 20},
        {"-1", 10, 0xFFFFFFFFu, 2},
        {"-4294967295", 10, 1u, 11},
        {"-4294967296", 10, 0xFFFFFFFFu, 11},
        {"12abc", 10, 12u, 2},
        {"", 10, 0u, 0},
        {"   ", 10, 0u, 0},
        {"-", 10, 0u, 0},
        {"abc", 10, 0u, 0},
        {" \t+42", 10, 42u, 5},
        {"0x1F", 16, 31u, 4},
        {"1F", 16, 31u, 2},
        {"0x", 16, 0u, 1},
        {"0x1F", 0, 31u, 4},
        {"017", 0, 15u, 3},
        {"09", 0, 0u, 1},
        {"17", 8, 15u, 2},
    };
    for (const UnsignedCase& c : cases) {
        SCOPED_TRACE(std::string(c.text));
        std::size_t end = 99;
        EXPECT_EQ(ParseUInt32(c.text, c.base, &end), c.value);
        EXPECT_EQ(end, c.end);
    }
}

struct SignedCase {
    std::string_view text;
    std::int32_t value;
};

TEST(ParseInt32, SaturatesAtTheSignedLimits) {
    const SignedCase cases[] = {
        {"2147483647", INT32_MAX},
        {"2147483648", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"-2147483649", INT32_MIN},
        {"99999999999", INT32_MAX},
        {"-12x", -12},
        {"", 0},
        {"  7 8", 7},
    };
    for (const SignedCase& c : cases) {
        SCOPED_TRACE(std::string(c.text));
        EXPECT_EQ(ParseInt32(c.text), c.value);
        EXPECT_EQ(AtoI32(c.text), c.value);
    }
}

TEST(DecimalDigits, RecognisesOnlyPlainDigitsAndSaturates) {
    EXPECT_TRUE(IsDecimalDigits("0123456789"));
    EXPECT_FALSE(IsDecimalDigits(""));
    EXPECT_FALSE(IsDecimalDigits("+1"));
    EXPECT_FALSE(IsDecimalDigits("1 2"));
    EXPECT_EQ(DecimalDigitsToUInt32("99999999999"), 0xFFFFFFFFu);
    EXPECT_EQ(DecimalDigitsToUInt32("4294967295"), 0xFFFFFFFFu);
    EXPECT_EQ(DecimalDigitsToUInt32("123"), 123u);
}

TEST(ParseDouble, UsesTheCLocale) {
    std::size_t end = 0;
    EXPECT_DOUBLE_EQ(ParseDouble(" 3.25x", &end), 3.25);
    EXPECT_EQ(end, 5u);
    EXPECT_DOUBLE_EQ(ParseDouble("-1e3"), -1000.0);
    EXPECT_DOUBLE_EQ(ParseDouble("+2.5"), 2.5);
    EXPECT_DOUBLE_EQ(ParseDouble("+-2.5", &end), 0.0);
    EXPECT_EQ(end, 0u);
}

} // namespace
