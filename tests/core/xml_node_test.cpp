#include "core/xml_node.h"

#include "core/xml_document.h"
#include "core_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

TEST_F(Xml, NullTextsGiveEmptyTextsContentBelongsToTextKindsOnlyAndIsEncodedWhenSet) {
    XmlNode* attribute = Create(document, kXmlAttribute);
    attribute->SetNameAndContent("identifier", "7");
    EXPECT_EQ(std::string(attribute->GetName()) + "=" + std::string(attribute->GetContent()),
              "identifier=7");
    attribute->SetNameAndContent(nullptr, nullptr);
    EXPECT_EQ(std::string(attribute->GetName()) + "=" + std::string(attribute->GetContent()), "=");
    attribute->SetContentText("x");
    attribute->SetContentText(nullptr);
    EXPECT_EQ(attribute->GetContent(), "");

    XmlNode* element = Create(document, kXmlElement);
    XmlNode* instruction = Create(document, kXmlProcessingInstruction);
    element->SetContent("ignored");
    instruction->SetText("ignored");
    EXPECT_TRUE(element->GetContent().empty() && instruction->GetContent().empty() &&
                element->GetText().empty());
    // A text node's content is its markup.
    XmlNode* text = Create(document, kXmlText);
    text->SetMarkup("\r\n");
    EXPECT_EQ(text->GetContent(), "\r\n");
    text->SetContent("abc");
    EXPECT_EQ(text->GetMarkup(), "abc");
    // Texts are encoded when set and decoded when read.
    for (std::uint32_t kind : {kXmlTextElement, kXmlAttribute, kXmlComment}) {
        SCOPED_TRACE(kind);
        XmlNode* node = Create(document, kind);
        node->SetText("a<b & \xFC");
        EXPECT_EQ(node->GetContent(), "a&lt;b & &uuml;");
        std::string out = "old";
        EXPECT_TRUE(&node->GetText(out) == &out && out == "a<b & \xFC");
        node->SetContent("&lt;");
        EXPECT_EQ(node->GetText(), "<");
    }
}

TEST_F(Xml, TextsSurviveBeingSetAgainAndFromThemselvesAndFindByNameTakesTheFirstMatch) {
    XmlNode* node = Create(document, kXmlTextElement);
    for (int i = 0; i < 200; ++i) {
        const std::string text(static_cast<std::size_t>(i % 37), static_cast<char>('a' + i % 26));
        node->SetContent(text);
        ASSERT_EQ(node->GetContent(), text);
    }
    node->SetContent("prefix-rest");
    node->SetContent(node->GetContent().substr(7));
    node->SetName("name");
    node->SetName(node->GetName());
    EXPECT_EQ(std::string(node->GetName()) + "=" + std::string(node->GetContent()), "name=rest");
    // FindChild and FindAttribute are case-sensitive and take the first match.
    XmlNode* element = Create(document, kXmlElement);
    XmlNode *first = nullptr, *second = nullptr;
    ASSERT_EQ(document.AddTextElement(first, element, "name", "1", FALSE), KV_OK);
    ASSERT_EQ(document.AddTextElement(second, element, "name", "2", FALSE), KV_OK);
    XmlNode* attribute = Create(document, kXmlAttribute);
    attribute->SetNameAndContent("id", "9");
    ASSERT_EQ(document.AddChild(element, attribute), KV_OK);
    XmlNode* found = nullptr;
    EXPECT_EQ((std::tuple{element->FindChild(found, "name"), found}), std::tuple(KV_OK, first));
    EXPECT_EQ((std::tuple{element->FindChild(found, "Name"), found}),
              std::tuple(KV_E_NOT_FOUND, nullptr));
    EXPECT_EQ(element->FindChild(found, "id"), KV_E_NOT_FOUND);
    EXPECT_EQ((std::tuple{element->FindAttribute(found, "id"), found}),
              std::tuple(KV_OK, attribute));
}

} // namespace

namespace {

TEST_F(Xml, AStaticNameIsReferredToAndANameSetLaterIsCopiedAgain) {
    static constexpr std::string_view kName = "lastname";
    XmlNode* field = nullptr;
    ASSERT_EQ(document.AddTextElement(field, root_, XmlStaticName{kName}, "M<x", TRUE), KV_OK);
    EXPECT_EQ(field->GetName().data(), kName.data());
    XmlNode* copied = nullptr;
    document.AddTextElement(copied, root_, kName, "y", TRUE);
    EXPECT_NE(copied->GetName().data(), kName.data());
    std::string text;
    document.GetText(text);
    EXPECT_EQ(text, "<lastname>M&lt;x</lastname><lastname>y</lastname>");

    std::string name = "first";
    field->SetName(name);
    name = "other";
    EXPECT_EQ(field->GetName(), "first");
    // Into a text element a field cannot go: the node stays unlinked.
    XmlNode* refused = nullptr;
    EXPECT_EQ(document.AddTextElement(refused, field, XmlStaticName{kName}, "z", TRUE), KV_E_FAIL);
    EXPECT_NE(refused, nullptr);
}

} // namespace
