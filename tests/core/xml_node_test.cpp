#include "core/xml_node.h"

#include "core/xml_document.h"

#include <gtest/gtest.h>

#include <string>

namespace {

XmlNode* Create(XmlDocument& document, std::uint32_t kind) {
    XmlNode* node = nullptr;
    EXPECT_EQ(document.CreateNode(node, kind), KV_OK);
    return node;
}

TEST(XmlNode, NullTextsGiveEmptyTextsAndContentBelongsToTextKindsOnly) {
    XmlDocument document;
    XmlNode* attribute = Create(document, kXmlAttribute);
    attribute->SetNameAndContent("identifier", "7");
    EXPECT_EQ(std::string(attribute->GetName()) + "=" + std::string(attribute->GetContent()),
              "identifier=7");
    attribute->SetNameAndContent(nullptr, nullptr);
    EXPECT_EQ(attribute->GetName(), "");
    EXPECT_EQ(attribute->GetContent(), "");
    attribute->SetContentText("x");
    attribute->SetContentText(nullptr);
    EXPECT_EQ(attribute->GetContent(), "");

    XmlNode* element = Create(document, kXmlElement);
    XmlNode* instruction = Create(document, kXmlProcessingInstruction);
    element->SetContent("ignored");
    instruction->SetText("ignored");
    EXPECT_EQ(element->GetContent(), "");
    EXPECT_EQ(instruction->GetContent(), "");
    EXPECT_EQ(element->GetText(), "");
    // A text node's content is its markup.
    XmlNode* text = Create(document, kXmlText);
    text->SetMarkup("\r\n");
    EXPECT_EQ(text->GetContent(), "\r\n");
    text->SetContent("abc");
    EXPECT_EQ(text->GetMarkup(), "abc");
}

TEST(XmlNode, TextIsEncodedWhenSetAndDecodedWhenRead) {
    XmlDocument document;
    for (std::uint32_t kind : {kXmlTextElement, kXmlAttribute, kXmlComment}) {
        SCOPED_TRACE(kind);
        XmlNode* node = Create(document, kind);
        node->SetText("a<b & \xFC");
        EXPECT_EQ(node->GetContent(), "a&lt;b & &uuml;");
        std::string out = "old";
        EXPECT_EQ(&node->GetText(out), &out);
        EXPECT_EQ(out, "a<b & \xFC");
        node->SetContent("&lt;");
        EXPECT_EQ(node->GetText(), "<");
    }
}

TEST(XmlNode, TextsSurviveBeingSetAgainAndFromThemselves) {
    XmlDocument document;
    XmlNode* node = Create(document, kXmlTextElement);
    for (int i = 0; i < 200; ++i) {
        const std::string text(static_cast<std::size_t>(i % 37), static_cast<char>('a' + i % 26));
        node->SetContent(text);
        ASSERT_EQ(node->GetContent(), text);
    }
    node->SetContent("prefix-rest");
    node->SetContent(node->GetContent().substr(7));
    EXPECT_EQ(node->GetContent(), "rest");
    node->SetName("name");
    node->SetName(node->GetName());
    EXPECT_EQ(node->GetName(), "name");
}

TEST(XmlNode, FindByNameIsCaseSensitiveAndTakesTheFirst) {
    XmlDocument document;
    XmlNode* element = Create(document, kXmlElement);
    XmlNode* first = nullptr;
    XmlNode* second = nullptr;
    ASSERT_EQ(document.AddTextElement(first, element, "name", "1", FALSE), KV_OK);
    ASSERT_EQ(document.AddTextElement(second, element, "name", "2", FALSE), KV_OK);
    XmlNode* attribute = Create(document, kXmlAttribute);
    attribute->SetNameAndContent("id", "9");
    ASSERT_EQ(document.AddChild(element, attribute), KV_OK);
    XmlNode* found = nullptr;
    EXPECT_EQ(element->FindChild(found, "name"), KV_OK);
    EXPECT_EQ(found, first);
    EXPECT_EQ(element->FindChild(found, "Name"), KV_E_NOT_FOUND);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(element->FindChild(found, "id"), KV_E_NOT_FOUND);
    EXPECT_EQ(element->FindAttribute(found, "id"), KV_OK);
    EXPECT_EQ(found, attribute);
}

} // namespace
