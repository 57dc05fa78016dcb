#include "platform/windows1252.h"

#include <gtest/gtest.h>

namespace {

// The undefined bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D keep the C1 control of the
// same value, so that every byte comes back.
TEST(Windows1252, EveryByteSurvivesTheTripThroughUtf8) {
    EXPECT_EQ(Windows1252ToCodePoint(0x80), U'\x20AC');
    EXPECT_EQ(Windows1252ToCodePoint(0x9D), U'\x009D');
    EXPECT_EQ(Windows1252ToUtf8("A\x80\x8A\x99\x9F\xA0\xFC\xFF\x81\x8D\x8F\x90\x9D"),
              "A\xE2\x82\xAC\xC5\xA0\xE2\x84\xA2\xC5\xB8\xC2\xA0\xC3\xBC\xC3\xBF"
              "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    std::string all_bytes;
    for (int byte = 0; byte < 256; ++byte)
        all_bytes.push_back(static_cast<char>(byte));
    const std::string utf8 = Windows1252ToUtf8(all_bytes);
    EXPECT_TRUE(IsValidUtf8(utf8));
    EXPECT_EQ(Utf8ToWindows1252(utf8), all_bytes);
}

TEST(Windows1252, UnmappableAndMalformedUtf8BecomeQuestionMarks) {
    const std::tuple<std::string_view, std::string_view, bool> cases[] = {
        {"x\xE2\x82\xACy", "x\x80y", true},
        {"\xC2\x8D", "\x8D", true},  // an undefined byte comes back
        {"\xC4\x80", "?", true},     // U+0100
        {"\xE4\xB8\xAD", "?", true}, // U+4E2D
        {"\xF4\x8F\xBF\xBF", "?", true},
        {"\xC2\x80", "?", true}, // U+0080: the byte 0x80 is the euro sign
        {"\xC2\x9F", "?", true}, // U+009F: the byte 0x9F is Y with diaeresis
        // One '?' per maximal ill-formed part.
        {"\x80", "?", false},
        {"a\xBFz", "a?z", false},
        {"\xC3Z", "?Z", false},
        {"\xE2\x82Z", "?Z", false},
        {"\xF0\x9F\x98", "?", false},
        {"\xC0\xAF", "??", false},           // overlong "/"
        {"\xE0\x80\xAF", "???", false},      // overlong "/"
        {"\xED\xA0\x80", "???", false},      // surrogate
        {"\xF4\x90\x80\x80", "????", false}, // above U+10FFFF
        {"\xF5\x80\xFF", "???", false},
    };
    for (const auto& [utf8, windows1252, valid] : cases)
        EXPECT_EQ(std::pair(Utf8ToWindows1252(utf8), IsValidUtf8(utf8)),
                  std::pair(std::string(windows1252), valid))
            << utf8;
}

} // namespace
