#include "platform/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

namespace {

TEST(Text, TrimsOnlyTheSixWhiteSpaceBytes) {
    std::string text = " \t\n\v\f\r\xA0x\xA0 \r";
    TrimInPlace(text);
    EXPECT_EQ(text, "\xA0x\xA0");
    std::string blanks = " \t ";
    TrimInPlace(blanks);
    EXPECT_EQ(blanks, "");
}

TEST(Text, FindAndSubstringsClampLikeTheOriginalStrings) {
    EXPECT_EQ(FindText("abcabc", "bc", 2), 4);
    EXPECT_EQ(FindText("abc", "a", 3), -1);
    EXPECT_EQ(FindText("abc", "a", -1), -1);
    EXPECT_EQ(FindOneOf("a,b;c", ";,", 2), 3);
    EXPECT_EQ(Mid("abcdef", 4, 10), "ef");
    EXPECT_EQ(Mid("abcdef", -2, 2), "ab");
    EXPECT_EQ(Mid("abc", 5), "");
    EXPECT_EQ(Left("abc", -1), "");
    EXPECT_EQ(Right("abc", 7), "abc");
    EXPECT_EQ(SpanIncluding("1234x5", "0123456789"), "1234");
    EXPECT_EQ(SpanExcluding("ab,cd", ",;"), "ab");
    EXPECT_TRUE(EqualsNoCase("WS_Child", "ws_CHILD"));
    EXPECT_FALSE(EqualsNoCase("\xFC", "\xDC")); // ASCII-only case folding
}

TEST(Text, FormatsWith32BitArguments) {
    EXPECT_EQ(Format("%.d", 0), "");
    EXPECT_EQ(Format("%u.%03u", 5u, 7u), "5.007");
    const std::string long_text(1000, 'x');
    EXPECT_EQ(Format("<%s>", long_text.c_str()).size(), 1002u);
}

TEST(Text, AssignUnsignedGivesThePrintfText) {
    const std::tuple<std::uint32_t, int, const char*> cases[] = {
        {0, 10, "%u"}, {7, 10, "%u"},      {4294967295u, 10, "%u"},
        {0, 16, "%x"}, {0x1A2B, 16, "%x"}, {4294967295u, 16, "%x"},
    };
    for (const auto& [value, base, format] : cases) {
        SCOPED_TRACE(value);
        std::string out = "previous";
        EXPECT_EQ(AssignUnsigned(out, value, base), Format(format, value));
    }
}

// Texts of every size a name may have, differing in one byte at each position
// in turn; the bytes around them differ too, so that a comparison that reads
// before or past them answers wrongly.
TEST(Text, SameBytesAndSameTextSeeOneDifferingByteAtEveryPositionOfEverySize) {
    constexpr std::size_t kMargin = 8;
    for (std::size_t size = 0; size <= 24; ++size) {
        SCOPED_TRACE(size);
        std::vector<char> a(size + 2 * kMargin, 'x');
        std::vector<char> b(size + 2 * kMargin, 'y');
        for (std::size_t at = 0; at < size; ++at)
            a[kMargin + at] = b[kMargin + at] = static_cast<char>('a' + at);
        const std::string_view text_a(a.data() + kMargin, size);
        const std::string_view text_b(b.data() + kMargin, size);
        EXPECT_TRUE(SameBytes(text_a.data(), text_b.data(), size));
        EXPECT_TRUE(SameText(text_a, text_b));
        for (std::size_t at = 0; at < size; ++at) {
            SCOPED_TRACE(at);
            b[kMargin + at] = static_cast<char>(b[kMargin + at] ^ 0x80);
            EXPECT_FALSE(SameBytes(text_a.data(), text_b.data(), size));
            EXPECT_FALSE(SameText(text_a, text_b));
            b[kMargin + at] = a[kMargin + at];
        }
        if (size != 0) {
            EXPECT_FALSE(SameText(text_a, text_b.substr(1)));
        }
    }
}

} // namespace
