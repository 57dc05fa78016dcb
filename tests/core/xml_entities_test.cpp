#include "core/xml_entities.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

using PlainAndEncoded = std::pair<std::string, std::string>;

std::string Encoded(std::string text) {
    XmlEncodeEntities(text);
    return text;
}

std::string Decoded(std::string text) {
    XmlDecodeEntities(text);
    return text;
}

TEST(XmlEntities,
     EncodingReplacesTheEightLettersAndTheBracketsOnlyAndDecodingMatchesTheStoredTextsByteForByte) {
    // Each alone: texts of every length are decoded, also those under 6 bytes.
    const PlainAndEncoded entities[] = {
        {"\xFC", "&uuml;"},  {"\xDC", "&Uuml;"}, {"\xE4", "&auml;"},
        {"\xC4", "&Auml;"},  {"\xF6", "&ouml;"}, {"\xD6", "&Ouml;"},
        {"\xDF", "&szlig;"}, {"\xA7", "&sect;"}, {">", "&gt;"},
        {"<", "&lt;"},       {"", ""},
    };
    for (const auto& [plain, encoded] : entities)
        EXPECT_EQ(Encoded(plain) + "|" + Decoded(encoded), encoded + "|" + plain);
    EXPECT_EQ(Encoded("a<b & c>\xFC"), "a&lt;b & c&gt;&uuml;");
    EXPECT_EQ(Encoded("\"x\" 'y' \xE9\xA0\x7F\x01"), "\"x\" 'y' \xE9\xA0\x7F\x01");
    // An entity already in the text is not protected: it reads back decoded.
    EXPECT_EQ(Decoded(Encoded("&lt;")), "<");
    const PlainAndEncoded cases[] = {
        {"a<b & c>\xFC", "a&lt;b & c&gt;&uuml;"},
        {"x&amp;y", "x&amp;y"},
        {"<>", "&lt;&gt;"},
        {">x", "&gt;x"},
        {"ABC", "A&#66;C"},
        {"\n", "&#10;"},
        {"&#1234;", "&#1234;"}, // four digits are no reference
        {"A", "&#321;"},        // 321 keeps its low 8 bits
        {std::string(1, '\0'), "&#;"},
        {"&#", "&#"},
        {"&#>", "&#&gt;"}, // only digits make a reference
        {"&#a;", "&#a;"},
        {"&", "&"},
        {"&lt", "&lt"},
        {"&szlig", "&szlig"},
        {"&UUML;", "&UUML;"}, // names are case-sensitive
        {"&<", "&&lt;"},      // an unknown "&" does not swallow the next entity
        {"\xDF\xA7", "&szlig;&sect;"},
    };
    for (const auto& [plain, encoded] : cases)
        EXPECT_EQ(Decoded(encoded), plain) << encoded;
    // Each "&#" without a near ";" stays as it is, in linear time.
    std::string text;
    for (int i = 0; i < 200000; ++i)
        text += "&#";
    EXPECT_EQ(Decoded(text), text);
}

TEST(XmlEntities, AttributeValuesReadBackByteForByteAndChangeOnlyWhereNeeded) {
    // value, written
    constexpr std::pair<std::string_view, std::string_view> kCases[] = {
        {"plain & <tag> \xFC &lt; &gt; &amp; &#66; &",
         "plain & <tag> \xFC &lt; &gt; &amp; &#66; &"},
        {"say \"hi\"", "say &quot;hi&quot;"},
        {"&quot;", "&amp;quot;"},
        {"&amp;quot; &amp;amp;quot;", "&amp;amp;quot; &amp;amp;amp;quot;"},
        {"&\"&amp\"&amp;\"quot;", "&&quot;&amp&quot;&amp;&quot;quot;"},
        {"", ""},
    };
    for (const auto& [value, written] : kCases) {
        SCOPED_TRACE(value);
        std::string out = "|";
        AppendXmlAttributeValue(out, value);
        EXPECT_EQ(out, "|" + std::string(written));
        EXPECT_EQ(XmlAttributeValueNeedsDecoding(written), written != value);
        std::string read = "|";
        AppendXmlAttributeValueDecoded(read, written);
        EXPECT_EQ(read, "|" + std::string(value));
    }
}

} // namespace

namespace {

// The word-wise test must find a protected byte wherever it lies, also in
// the overlapping last word, and pass every other byte.
TEST(XmlEntities, NeedsEncodingFindsAProtectedByteAtAnyPlace) {
    for (const char special : {'<', '>', '\xFC', '\xA7', '\xDF'}) {
        for (std::size_t size = 1; size <= 24; ++size) {
            for (std::size_t at = 0; at < size; ++at) {
                std::string text(size, 'a');
                text[at] = special;
                SCOPED_TRACE(text);
                EXPECT_TRUE(XmlTextNeedsEncoding(text));
                EXPECT_NE(Encoded(text), text);
            }
            // High bytes that are no entity, and "&", stay as they are.
            const std::string plain = std::string(size, '&') + "\x80\xE9";
            EXPECT_FALSE(XmlTextNeedsEncoding(plain));
            EXPECT_FALSE(XmlTextNeedsEncoding(std::string(size, 'z')));
        }
    }
    EXPECT_FALSE(XmlTextNeedsEncoding(""));
}

} // namespace
