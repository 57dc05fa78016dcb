#include "data/image_id_text.h"

#include "data_test_support.h"

#include <tuple>

namespace {

TEST(ImageIdText, KeepsOnlyDigitTextsAsNumbersAndTrimsTheCallersText) {
    // given, number, text, the caller's text afterwards
    const std::tuple<const char*, std::uint32_t, const char*, const char*> cases[] = {
        {" 42 ", 42, "42", "42"},
        {"4 2", 0, "4 2", "4 2"},
        {" \t", 0, "0", ""},
        {"007", 7, "7", "007"},
        {"99999999999", 4294967295u, "4294967295", "99999999999"}};
    for (const auto& [given, value, expected, trimmed] : cases) {
        std::uint32_t number = 9;
        std::string number_text = "9";
        std::string text = given;
        ParseImageIdText(text, number, number_text);
        EXPECT_EQ(number, value) << given;
        EXPECT_EQ(number_text, expected) << given;
        EXPECT_EQ(text, trimmed) << given;
    }
}

} // namespace
