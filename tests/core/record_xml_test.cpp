#include "core/record_xml.h"

#include "core_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(RecordXml, AttributesAreWrittenRawOrEncodedAndReadBackEitherWay) {
    XmlDocument document;
    XmlNode* element = nullptr;
    ASSERT_EQ(AddRecordElement(element, document, document.GetRoot(), "R"), KV_OK);
    EXPECT_EQ(AddRecordAttribute(document, element, "raw", "a<b"), KV_OK);
    EXPECT_EQ(AddRecordAttribute(document, element, "coded", "a<b", true), KV_OK);
    std::string value;
    document.GetText(value);
    EXPECT_EQ(value, "<R raw=\"a<b\" coded=\"a&lt;b\" />");
    EXPECT_EQ(ReadRecordAttribute(*element, "coded", value, true), KV_OK);
    EXPECT_EQ(ReadRecordAttribute(*element, "missing", value), KV_E_NOT_FOUND);
    EXPECT_EQ(value, "a<b");
}

} // namespace
