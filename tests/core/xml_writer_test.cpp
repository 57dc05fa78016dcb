#include "core/xml_writer.h"

#include "core/xml_document.h"
#include "core/xml_node.h"
#include "core_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

TEST_F(Xml, EachKindWritesItsMarkupAndChildlessElementsTakeTheEmptyForm) {
    Add(Add(root_, kXmlProcessingInstruction, "xml"), kXmlAttribute, "version", "1.0");
    XmlNode* element = Add(root_, kXmlElement, "A");
    Add(element, kXmlAttribute, "x", "1");
    Add(element, kXmlAttribute, "y", "");
    Add(element, kXmlTextElement, "B", "t");
    Add(element, kXmlText, "", "\r\n");
    Add(element, kXmlComment, "", " note ");
    Add(element, kXmlTextElement, "C");
    Add(root_, kXmlElement, "none");
    // Nameless elements and empty texts write nothing.
    XmlNode* hollow = Add(root_, kXmlElement, "hollow");
    Add(hollow, kXmlAttribute, "id", "2");
    Add(hollow, kXmlElement, "");
    Add(hollow, kXmlText, "", "");
    Add(root_, kXmlElement, "");
    EXPECT_EQ(Text(document),
              "<?xml version=\"1.0\"?><A x=\"1\" y=\"\"><B>t</B>\r\n<-- note --><C />"
              "</A><none /><hollow id=\"2\" />");
}

TEST_F(Xml, WritingKeepsOnlyTheBuiltNodesMarkup) {
    XmlNode* element = Add(root_, kXmlElement, "e");
    XmlNode* field = Add(element, kXmlTextElement, "f", "v");
    XmlNode* attribute = Add(element, kXmlAttribute, "a", "1");
    XmlNode* text = Add(element, kXmlText, "", "keep");
    field->SetMarkup("stale");
    EXPECT_EQ(element->BuildMarkup(), KV_OK);
    EXPECT_EQ(element->GetMarkup(), "<e a=\"1\"><f>v</f>keep</e>");
    EXPECT_EQ(std::tuple(field->GetMarkup(), attribute->GetMarkup(), text->GetMarkup()),
              std::tuple("", "", "keep"));
    EXPECT_EQ(attribute->BuildMarkup(), KV_OK);
    EXPECT_EQ(attribute->GetMarkup(), "a=\"1\"");
    EXPECT_EQ(Text(document), Text(document));
    EXPECT_EQ(element->GetMarkup(), "");
}

TEST_F(Xml, TreesWithEveryKindReadBackAsWritten) {
    Add(Add(root_, kXmlProcessingInstruction, "xml"), kXmlAttribute, "version", "1.0");
    Add(root_, kXmlComment, "", " header ");
    XmlNode* store = Add(root_, kXmlElement, "DATA_TYPE_HANDLER");
    Add(store, kXmlAttribute, "say", "\"hi\" & <bye");
    for (int i = 0; i < 3; ++i) {
        XmlNode* contact = Add(store, kXmlElement, "DATACONTACT");
        Add(contact, kXmlAttribute, "identifier", std::to_string(i));
        XmlNode* name = nullptr;
        document.AddTextElement(name, contact, "lastname", "M\xFCller <&> \247" + std::to_string(i),
                                TRUE);
        // A contact group's member is a contact inside a contact.
        XmlNode* member = Add(contact, kXmlElement, "DATACONTACT");
        Add(member, kXmlTextElement, "firstname", "Ann");
        Add(member, kXmlTextElement, "empty");
        Add(contact, kXmlText, "", "\r\n\t");
        Add(contact, kXmlComment, "", " c ");
    }
    // Names ending in "/" keep their bodies.
    Add(root_, kXmlTextElement, "a/", "x");
    Add(root_, kXmlElement, "b/");
    Add(root_, kXmlText, "", "trailing");
    const std::string first = Text(document);
    EXPECT_NE(first.find("<DATA_TYPE_HANDLER say=\"&quot;hi&quot; & <bye\">"), std::string::npos);
    EXPECT_NE(first.find("<a/ >x</a/><b/ />trailing"), std::string::npos);

    XmlDocument read;
    ASSERT_EQ(read.Parse(first), KV_OK);
    EXPECT_TRUE(read.IsParseComplete());
    std::string second;
    read.GetText(second);
    EXPECT_EQ(second, first);
    XmlNode* node = nullptr;
    ASSERT_EQ(read.FindNode(node, "lastname", kXmlTextElement), KV_OK);
    EXPECT_EQ(node->GetText(), "M\xFCller <&> \2470");
    ASSERT_EQ(read.FindNode(node, "say", kXmlAttribute), KV_OK);
    EXPECT_EQ(node->GetContent(), "\"hi\" & <bye");
}

} // namespace
