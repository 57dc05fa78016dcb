#include "data/raw_xml_block.h"

#include "data_test_support.h"

#include <tuple>

namespace {

TEST(RawXmlBlock, SplicesReadableMarkupAndEncodesAnythingElse) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "<raw />"},
        {"text <b>\xFC</b><c />", "<raw>text <b>\xFC</b><c /></raw>"},
        {"<a><b>", "<raw>&lt;a&gt;&lt;b&gt;</raw>"},
        {"</raw><x>", "<raw>&lt;/raw&gt;&lt;x&gt;</raw>"},
    };
    for (const auto& [block, written] : cases) {
        SCOPED_TRACE(block);
        XmlDocument document;
        XmlNode* element = nullptr;
        EXPECT_EQ(WriteRawXmlBlock(element, document, document.GetRoot(), "raw", block), KV_OK);
        std::string text;
        document.GetText(text);
        EXPECT_EQ(text, written);
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
    std::string again;
    document.GetText(again);
    EXPECT_EQ(again, text);
}

} // namespace
