#include "core/xml_entities.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct EntityCase {
    std::string plain;
    std::string encoded;
};

// The eight Latin-1 letters and the two brackets, each on its own.
const EntityCase kEntities[] = {
    {"\xFC", "&uuml;"}, {"\xDC", "&Uuml;"}, {"\xE4", "&auml;"},  {"\xC4", "&Auml;"},
    {"\xF6", "&ouml;"}, {"\xD6", "&Ouml;"}, {"\xDF", "&szlig;"}, {"\xA7", "&sect;"},
    {">", "&gt;"},      {"<", "&lt;"},
};

std::string Encoded(std::string text) {
    XmlEncodeEntities(text);
    return text;
}

std::string Decoded(std::string text) {
    XmlDecodeEntities(text);
    return text;
}

TEST(XmlEntities, EachEntityEncodesAndDecodesAlone) {
    for (const EntityCase& entity : kEntities) {
        SCOPED_TRACE(entity.encoded);
        EXPECT_EQ(Encoded(entity.plain), entity.encoded);
        // Texts of every length are decoded, also those shorter than 6 bytes.
        EXPECT_EQ(Decoded(entity.encoded), entity.plain);
    }
}

TEST(XmlEntities, EncodingLeavesAmpersandQuotesAndOtherBytes) {
    EXPECT_EQ(Encoded("a<b & c>\xFC"), "a&lt;b & c&gt;&uuml;");
    EXPECT_EQ(Encoded("\"x\" 'y' \xE9\xA0\x7F\x01"), "\"x\" 'y' \xE9\xA0\x7F\x01");
    EXPECT_EQ(Encoded(""), "");
    // An entity already in the text is not protected: it reads back decoded.
    EXPECT_EQ(Decoded(Encoded("&lt;")), "<");
}

TEST(XmlEntities, DecodingMatchesTheStoredTextsByteForByte) {
    const EntityCase cases[] = {
        {"a<b & c>\xFC", "a&lt;b & c&gt;&uuml;"},
        {"x&amp;y", "x&amp;y"},
        {"<>", "&lt;&gt;"},
        {">x", "&gt;x"},
        {"<", "&lt;"},
        {"ABC", "A&#66;C"},
        {"\n", "&#10;"},
        {"&#1234;", "&#1234;"}, // four digits are no reference
        {"A", "&#321;"},        // 321 keeps its low 8 bits
        {std::string(1, '\0'), "&#;"},
        {"&#", "&#"},
        {"&", "&"},
        {"&lt", "&lt"},
        {"&szlig", "&szlig"},
        {"&UUML;", "&UUML;"}, // names are case-sensitive
        {"&<", "&&lt;"},      // an unknown "&" does not swallow the next entity
        {"\xDF\xA7", "&szlig;&sect;"},
    };
    for (const EntityCase& test : cases) {
        SCOPED_TRACE(test.encoded);
        EXPECT_EQ(Decoded(test.encoded), test.plain);
    }
}

TEST(XmlEntities, DecodingRunsInLinearTimeOverUnfinishedReferences) {
    std::string text;
    for (int i = 0; i < 200000; ++i)
        text += "&#";
    // Each "&#" without a near ";" stays as it is.
    EXPECT_EQ(Decoded(text), text);
}

TEST(XmlEntities, AttributeValuesProtectOnlyTheDoubleQuote) {
    std::string written;
    AppendXmlAttributeValue(written, "say \"hi\" & <go>");
    EXPECT_EQ(written, "say &quot;hi&quot; & <go>");
    std::string read;
    AppendXmlAttributeValueDecoded(read, written);
    EXPECT_EQ(read, "say \"hi\" & <go>");
    read.clear();
    AppendXmlAttributeValueDecoded(read, "&quot&lt;&amp;quot;");
    EXPECT_EQ(read, "&quot&lt;&amp;quot;");
}

} // namespace
