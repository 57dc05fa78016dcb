#include "core/record_xml.h"

#include <gtest/gtest.h>

namespace {

TEST(RecordXml, AttributesAreWrittenRawOrEncodedAndReadBackEitherWay) {
    XmlDocument document;
    XmlNode* element = nullptr;
    ASSERT_EQ(AddRecordElement(element, document, document.GetRoot(), "R"), KV_OK);
    EXPECT_EQ(AddRecordAttribute(document, element, "raw", "a<b"), KV_OK);
    EXPECT_EQ(AddRecordAttribute(document, element, "coded", "a<b", true), KV_OK);
    std::string text;
    document.GetText(text);
    EXPECT_EQ(text, "<R raw=\"a<b\" coded=\"a&lt;b\" />");

    std::string value;
    EXPECT_EQ(ReadRecordAttribute(*element, "coded", value, true), KV_OK);
    EXPECT_EQ(value, "a<b");
    EXPECT_EQ(ReadRecordAttribute(*element, "missing", value), KV_E_NOT_FOUND);
    EXPECT_EQ(value, "a<b");
}

} // namespace
