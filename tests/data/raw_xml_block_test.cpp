#include "data/raw_xml_block.h"

#include "data/image_id_text.h"
#include "data/presentation_type_table.h"
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

TEST(PresentationTypeTable, ParsesTheCallersTextInPlaceFallingBackToUnspecified) {
    // text, the caller's text afterwards, value, keyword
    const std::tuple<const char*, const char*, std::uint32_t, const char*> cases[] = {
        {" block ", "BLOCK", 1, "BLOCK"},
        {"2", "2", 2, "SHUFFLE"},
        {"9", "9", 9, "9"},
        {"", "", 0, "UNSPECIFIED"},
        {"random", "RANDOM", 0, "UNSPECIFIED"}};
    for (const auto& [given, left, value, keyword] : cases) {
        SCOPED_TRACE(given);
        CKvPresentationTypeTable table;
        table.SetValue(CKvPresentationTypeTable::kShuffle);
        std::string text = given;
        table.Parse(text);
        EXPECT_EQ(text, left);
        EXPECT_EQ(table.GetValue(), value);
        EXPECT_EQ(table.Text(), keyword);
    }
}

} // namespace
