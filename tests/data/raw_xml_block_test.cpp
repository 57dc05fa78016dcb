#include "data/raw_xml_block.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(RawXmlBlock, SplicesReadableMarkupAndEncodesAnythingElse) {
    const struct {
        const char* block;
        const char* written;
    } cases[] = {
        {"", "<raw />"},
        {"text <b>\xFC</b><c />", "<raw>text <b>\xFC</b><c /></raw>"},
        {"<a><b>", "<raw>&lt;a&gt;&lt;b&gt;</raw>"},
        {"</raw><x>", "<raw>&lt;/raw&gt;&lt;x&gt;</raw>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.block);
        XmlDocument document;
        XmlNode* element = nullptr;
        EXPECT_EQ(WriteRawXmlBlock(element, document, document.GetRoot(), "raw", c.block), KV_OK);
        std::string text;
        document.GetText(text);
        EXPECT_EQ(text, c.written);
    }
}

TEST(RawXmlBlock, ReadsTheChildrensMarkupAndLeavesTheTreeAsItWas) {
    const std::string text = "<r><raw><a x=\"1\"><b>2</b></a>tail<c /></raw></r>";
    XmlDocument document;
    document.Parse(text);
    XmlNode* raw = nullptr;
    ASSERT_EQ(document.GetRoot()->GetChildList()[0]->FindChild(raw, "raw"), KV_OK);
    std::string block = "stale";
    ReadRawXmlBlock(*raw, block);
    EXPECT_EQ(block, "<a x=\"1\"><b>2</b></a>tail<c />");
    EXPECT_EQ(raw->GetName(), "raw");
    std::string again;
    document.GetText(again);
    EXPECT_EQ(again, text);
}

} // namespace
