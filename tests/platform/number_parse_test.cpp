#include "platform/number_parse.h"

#include <gtest/gtest.h>

namespace {

TEST(ParseUInt32, MatchesThe32BitCLibrary) {
    // clang-format off
    const std::tuple<std::string_view, int, std::uint32_t, std::size_t> cases[] = {
        {"0", 10, 0, 1}, {"4294967295", 10, 0xFFFFFFFFu, 10}, {"4294967296", 10, 0xFFFFFFFFu, 10},
        {"99999999999999999999", 10, 0xFFFFFFFFu, 20}, {"-1", 10, 0xFFFFFFFFu, 2},
        {"-4294967295", 10, 1u, 11}, {"-4294967296", 10, 0xFFFFFFFFu, 11}, {"12abc", 10, 12u, 2},
        {"", 10, 0u, 0}, {"   ", 10, 0u, 0}, {"-", 10, 0u, 0}, {"abc", 10, 0u, 0},
        {" \t+42", 10, 42u, 5}, {"0x1F", 16, 31u, 4}, {"1F", 16, 31u, 2}, {"0x", 16, 0u, 1},
        {"0x1F", 0, 31u, 4}, {"017", 0, 15u, 3}, {"09", 0, 0u, 1}, {"17", 8, 15u, 2},
        {"999999999", 10, 999999999u, 9}, {"000000007", 10, 7u, 9}, {"0000000007", 10, 7u, 10},
        {"12345678 ", 10, 12345678u, 8}, {"1234567/", 10, 1234567u, 7}, {"123:", 10, 123u, 3},
        {"0x10", 10, 0u, 1}, {"017", 10, 17u, 3}, {"7", 16, 7u, 1}, {"99", 8, 0u, 0}};
    // clang-format on
    for (const auto& [text, base, value, expected_end] : cases) {
        std::size_t end = 99;
        EXPECT_EQ(std::pair(ParseUInt32(text, base, &end), end), std::pair(value, expected_end))
            << text;
    }
}

TEST(ParseInt32, SaturatesAtTheSignedLimits) {
    // clang-format off
    const std::pair<std::string_view, std::int32_t> cases[] = {
        {"2147483647", INT32_MAX}, {"2147483648", INT32_MAX}, {"-2147483648", INT32_MIN},
        {"-2147483649", INT32_MIN}, {"99999999999", INT32_MAX}, {"-12x", -12}, {"", 0}, {"  7 8", 7}};
    // clang-format on
    for (const auto& [text, value] : cases)
        EXPECT_EQ(std::pair(ParseInt32(text), AtoI32(text)), std::pair(value, value)) << text;
}

TEST(DecimalDigits, RecognisesOnlyPlainDigitsAndSaturates) {
    EXPECT_EQ(std::tuple(IsDecimalDigits("0123456789"), IsDecimalDigits(""), IsDecimalDigits("+1"),
                         IsDecimalDigits("1 2")),
              std::tuple(true, false, false, false));
    EXPECT_EQ(std::tuple(DecimalDigitsToUInt32("99999999999"), DecimalDigitsToUInt32("4294967295"),
                         DecimalDigitsToUInt32("123")),
              std::tuple(0xFFFFFFFFu, 0xFFFFFFFFu, 123u));
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
