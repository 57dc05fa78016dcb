#include "core/xml_writer.h"

#include "core/xml_document.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class XmlWriterTest : public ::testing::Test {
protected:
    XmlNode* Add(XmlNode* parent, std::uint32_t kind, std::string_view name,
                 std::string_view content = {}) {
        XmlNode* node = nullptr;
        EXPECT_EQ(document_.CreateNode(node, kind), KV_OK);
        node->SetName(name);
        node->SetContent(content);
        if (parent != nullptr) {
            EXPECT_EQ(document_.AddChild(parent, node), KV_OK);
        }
        return node;
    }

    std::string Written() {
        std::string text;
        EXPECT_EQ(document_.GetText(text), KV_OK);
        return text;
    }

    // Writes, parses the text into a fresh document and writes that again.
    std::string Rewritten(const std::string& text) {
        XmlDocument again;
        EXPECT_EQ(again.Parse(text), KV_OK);
        EXPECT_TRUE(again.IsParseComplete());
        std::string second;
        again.GetText(second);
        return second;
    }

    XmlDocument document_;
};

TEST_F(XmlWriterTest, EachKindWritesItsMarkup) {
    XmlNode* root = document_.GetRoot();
    XmlNode* instruction = Add(root, kXmlProcessingInstruction, "xml");
    Add(instruction, kXmlAttribute, "version", "1.0");
    XmlNode* element = Add(root, kXmlElement, "A");
    Add(element, kXmlAttribute, "x", "1");
    Add(element, kXmlAttribute, "y", "");
    Add(element, kXmlTextElement, "B", "t");
    Add(element, kXmlText, "", "\r\n");
    Add(element, kXmlComment, "", " note ");
    Add(element, kXmlTextElement, "C");
    EXPECT_EQ(Written(),
              "<?xml version=\"1.0\"?><A x=\"1\" y=\"\"><B>t</B>\r\n<-- note --><C /></A>");
}

TEST_F(XmlWriterTest, ElementsWithoutWrittenChildrenTakeTheEmptyForm) {
    XmlNode* root = document_.GetRoot();
    Add(root, kXmlElement, "none");
    XmlNode* hollow = Add(root, kXmlElement, "hollow");
    Add(hollow, kXmlAttribute, "id", "2");
    Add(hollow, kXmlElement, "");
    Add(hollow, kXmlText, "", "");
    Add(root, kXmlElement, "");
    EXPECT_EQ(Written(), "<none /><hollow id=\"2\" />");
}

TEST_F(XmlWriterTest, WritingKeepsOnlyTheBuiltNodesMarkup) {
    XmlNode* root = document_.GetRoot();
    XmlNode* element = Add(root, kXmlElement, "e");
    XmlNode* field = Add(element, kXmlTextElement, "f", "v");
    XmlNode* attribute = Add(element, kXmlAttribute, "a", "1");
    XmlNode* text = Add(element, kXmlText, "", "keep");
    field->SetMarkup("stale");
    EXPECT_EQ(element->BuildMarkup(), KV_OK);
    EXPECT_EQ(element->GetMarkup(), "<e a=\"1\"><f>v</f>keep</e>");
    EXPECT_EQ(field->GetMarkup(), "");
    EXPECT_EQ(attribute->GetMarkup(), "");
    EXPECT_EQ(text->GetMarkup(), "keep");
    EXPECT_EQ(attribute->BuildMarkup(), KV_OK);
    EXPECT_EQ(attribute->GetMarkup(), "a=\"1\"");

    const std::string first = Written();
    EXPECT_EQ(Written(), first);
    EXPECT_EQ(element->GetMarkup(), "");
}

TEST_F(XmlWriterTest, AttributeQuotesAreWrittenAsEntitiesAndReadBack) {
    XmlNode* element = Add(document_.GetRoot(), kXmlElement, "e");
    Add(element, kXmlAttribute, "say", "\"hi\" & <bye");
    const std::string text = Written();
    EXPECT_EQ(text, "<e say=\"&quot;hi&quot; & <bye\" />");

    XmlDocument read;
    ASSERT_EQ(read.Parse(text), KV_OK);
    XmlNode* attribute = nullptr;
    ASSERT_EQ(read.GetRoot()->GetChildList()[0]->FindAttribute(attribute, "say"), KV_OK);
    EXPECT_EQ(attribute->GetContent(), "\"hi\" & <bye");
}

TEST_F(XmlWriterTest, ANameEndingInSlashKeepsItsBodyWhenReadBack) {
    Add(document_.GetRoot(), kXmlTextElement, "a/", "x");
    Add(document_.GetRoot(), kXmlElement, "b/");
    const std::string text = Written();
    EXPECT_EQ(text, "<a/ >x</a/><b/ />");
    EXPECT_EQ(Rewritten(text), text);
}

TEST_F(XmlWriterTest, TreesWithEveryKindReadBackAsWritten) {
    XmlNode* root = document_.GetRoot();
    XmlNode* instruction = Add(root, kXmlProcessingInstruction, "xml");
    Add(instruction, kXmlAttribute, "version", "1.0");
    Add(root, kXmlComment, "", " header ");
    XmlNode* store = Add(root, kXmlElement, "DATA_TYPE_HANDLER");
    Add(store, kXmlAttribute, "identifier", "8");
    for (int i = 0; i < 3; ++i) {
        XmlNode* contact = Add(store, kXmlElement, "DATACONTACT");
        Add(contact, kXmlAttribute, "identifier", std::to_string(i));
        Add(contact, kXmlAttribute, "note", "q\"uote");
        XmlNode* name = nullptr;
        document_.AddTextElement(name, contact, "lastname",
                                 "M\xFCller <&> \xA7" + std::to_string(i), TRUE);
        // A contact group's member is a contact inside a contact.
        XmlNode* member = Add(contact, kXmlElement, "DATACONTACT");
        Add(member, kXmlTextElement, "firstname", "Ann");
        Add(member, kXmlTextElement, "empty");
        Add(contact, kXmlText, "", "\r\n\t");
        Add(contact, kXmlComment, "", " c ");
    }
    Add(root, kXmlText, "", "trailing");
    const std::string first = Written();
    EXPECT_EQ(Rewritten(first), first);

    XmlDocument read;
    ASSERT_EQ(read.Parse(first), KV_OK);
    XmlNode* name = nullptr;
    ASSERT_EQ(read.FindNode(name, "lastname", kXmlTextElement), KV_OK);
    EXPECT_EQ(name->GetText(), "M\xFCller <&> \xA7"
                               "0");
}

} // namespace
