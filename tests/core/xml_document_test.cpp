#include "core/xml_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

XmlNode* Create(XmlDocument& document, std::uint32_t kind, std::string_view name = {}) {
    XmlNode* node = nullptr;
    EXPECT_EQ(document.CreateNode(node, kind), KV_OK);
    node->SetName(name);
    return node;
}

std::string Text(XmlDocument& document) {
    std::string text;
    EXPECT_EQ(document.GetText(text), KV_OK);
    return text;
}

std::string Repeat(const std::string& part, int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += part;
    return text;
}

TEST(XmlDocument, SerialsSkipRefusedKindsAndContinueAfterClearWhichKeepsTheSettings) {
    XmlDocument document;
    document.SetTimeLimit(5);
    XmlElement* root = document.GetRoot();
    EXPECT_EQ(root->GetName(), "");
    EXPECT_EQ(root->GetRootFlag(), TRUE);
    EXPECT_EQ(document.GetRoot(), root);
    EXPECT_EQ(Text(document), "");
    for (std::uint32_t kind : {0u, 7u, 0xFFFFFFFFu}) {
        XmlNode* refused = root;
        EXPECT_EQ(document.CreateNode(refused, kind), KV_E_OUT_OF_MEMORY);
        EXPECT_EQ(refused, nullptr);
        EXPECT_EQ(document.GetResult(), KV_E_OUT_OF_MEMORY);
    }
    EXPECT_EQ(Create(document, kXmlComment)->GetSerial(), 2u);
    EXPECT_EQ(document.GetNodeList().size(), 2u);
    EXPECT_EQ(document.Clear(), KV_OK);
    EXPECT_TRUE(document.GetNodeList().empty());
    EXPECT_EQ(document.GetNodeCounter(), 2u);
    EXPECT_EQ(document.GetTimeLimit(), 5);
    EXPECT_EQ(document.GetRoot()->GetSerial(), 3u);
}

TEST(XmlDocument, SetRootTakesOnlyElementsOfThisDocument) {
    XmlDocument document;
    XmlDocument other;
    XmlElement* root = document.GetRoot();
    EXPECT_EQ(document.SetRoot(Create(document, kXmlTextElement)), KV_E_FAIL);
    EXPECT_EQ(document.SetRoot(Create(other, kXmlElement)), KV_E_FAIL);
    EXPECT_EQ(document.SetRoot(nullptr), KV_E_INVALID_POINTER);
    EXPECT_EQ(document.GetRoot(), root);
    auto* element = static_cast<XmlElement*>(Create(document, kXmlElement, "new"));
    EXPECT_EQ(document.SetRoot(element), KV_OK);
    EXPECT_EQ(document.GetRoot(), element);
    EXPECT_EQ(root->GetRootFlag(), FALSE);
    EXPECT_EQ(element->GetRootFlag(), TRUE);
}

TEST(XmlDocument, AddChildFilesChildrenByKindAndRefusesWrongParentsAndForeignNodes) {
    XmlDocument document;
    XmlDocument other;
    XmlNode* element = Create(document, kXmlElement, "e");
    XmlNode* text_element = Create(document, kXmlTextElement, "t");
    XmlNode* attribute = Create(document, kXmlAttribute, "a");
    XmlNode* instruction = Create(document, kXmlProcessingInstruction, "pi");
    XmlNode* foreign = Create(other, kXmlAttribute, "f");
    EXPECT_EQ(document.AddChild(text_element, attribute), KV_E_FAIL);
    EXPECT_EQ(document.AddChild(attribute, element), KV_E_FAIL);
    EXPECT_EQ(document.AddChild(instruction, element), KV_E_FAIL);
    EXPECT_EQ(document.AddChild(element, foreign), KV_E_FAIL);
    EXPECT_EQ(other.AddChild(foreign, element), KV_E_FAIL);
    EXPECT_EQ(document.AddChild(nullptr, attribute), KV_E_INVALID_POINTER);
    EXPECT_EQ(document.AddChild(element, nullptr), KV_E_INVALID_POINTER);
    EXPECT_TRUE(element->GetAttributeList().empty());
    EXPECT_TRUE(text_element->GetAttributeList().empty());

    std::vector<XmlNode*> children;
    for (std::uint32_t kind :
         {kXmlElement, kXmlTextElement, kXmlProcessingInstruction, kXmlText, kXmlComment}) {
        children.push_back(Create(document, kind));
        EXPECT_EQ(document.AddChild(element, children.back()), KV_OK);
    }
    // The same attribute twice is listed twice.
    EXPECT_EQ(document.AddChild(element, attribute), KV_OK);
    EXPECT_EQ(document.AddChild(element, attribute), KV_OK);
    EXPECT_EQ(document.AddChild(instruction, attribute), KV_OK);
    const XmlNodeList& list = element->GetChildList();
    EXPECT_EQ(std::vector<XmlNode*>(list.begin(), list.end()), children);
    EXPECT_EQ(element->GetAttributeList().size(), 2u);
    EXPECT_EQ(instruction->GetAttributeList().size(), 1u);
}

TEST(XmlDocument, AddChildRefusesLinksThatWouldCloseALoop) {
    XmlDocument document;
    XmlNode* a = Create(document, kXmlElement, "a");
    XmlNode* b = Create(document, kXmlElement, "b");
    XmlNode* c = Create(document, kXmlElement, "c");
    XmlNode* d = Create(document, kXmlElement, "d");
    ASSERT_EQ(document.AddChild(a, b), KV_OK);
    ASSERT_EQ(document.AddChild(b, c), KV_OK);
    EXPECT_EQ(document.AddChild(a, a), KV_E_FAIL);
    EXPECT_EQ(document.AddChild(c, a), KV_E_FAIL);
    EXPECT_EQ(document.AddChild(b, a), KV_E_FAIL);
    // One element below two parents is allowed; a loop through either is not.
    ASSERT_EQ(document.AddChild(d, c), KV_OK);
    EXPECT_EQ(document.AddChild(c, d), KV_E_FAIL);
    EXPECT_EQ(document.AddChild(c, b), KV_E_FAIL);
    EXPECT_EQ(document.AddChild(d, a), KV_OK);
    EXPECT_EQ(document.AddChild(c, d), KV_E_FAIL);
    EXPECT_EQ(c->GetChildList().size(), 0u);
    EXPECT_EQ(document.AddChild(document.GetRoot(), d), KV_OK);
    EXPECT_EQ(Text(document), "<d><c /><a><b><c /></b></a></d>");
}

TEST(XmlDocument, DeepChainsBuildAndWriteInBothDirections) {
    constexpr int kDepth = 100000;
    XmlDocument document;
    // Top-down: each new element goes below the last one.
    XmlNode* parent = document.GetRoot();
    for (int i = 0; i < kDepth; ++i) {
        XmlNode* child = Create(document, kXmlElement, "n");
        ASSERT_EQ(document.AddChild(parent, child), KV_OK);
        parent = child;
    }
    // Bottom-up: each new element takes the last one below it.
    XmlNode* below = Create(document, kXmlElement, "m");
    for (int i = 1; i < kDepth; ++i) {
        XmlNode* above = Create(document, kXmlElement, "m");
        ASSERT_EQ(document.AddChild(above, below), KV_OK);
        below = above;
    }
    ASSERT_EQ(document.AddChild(parent, below), KV_OK);
    EXPECT_EQ(document.AddChild(below, document.GetRoot()->GetChildList()[0]), KV_E_FAIL);
    EXPECT_EQ(Text(document), Repeat("<n>", kDepth) + Repeat("<m>", kDepth - 1) + "<m />" +
                                  Repeat("</m>", kDepth - 1) + Repeat("</n>", kDepth));
}

TEST(XmlDocument, AddTextElementEncodesOnRequestAndKeepsANodeItCouldNotLink) {
    XmlDocument document;
    XmlNode* root = document.GetRoot();
    XmlNode* encoded = nullptr;
    XmlNode* raw = nullptr;
    EXPECT_EQ(document.AddTextElement(encoded, root, "a", "<\xDF>", TRUE), KV_OK);
    EXPECT_EQ(document.AddTextElement(raw, root, "b", "<\xDF>", FALSE), KV_OK);
    EXPECT_EQ(Text(document), "<a>&lt;&szlig;&gt;</a><b><\xDF></b>");
    XmlNode* orphan = nullptr;
    EXPECT_EQ(document.AddTextElement(orphan, encoded, "c", "x", TRUE), KV_E_FAIL);
    ASSERT_NE(orphan, nullptr);
    EXPECT_EQ(orphan->GetName(), "c");
    EXPECT_EQ(document.AddTextElement(orphan, nullptr, "c", "x", TRUE), KV_E_INVALID_POINTER);
}

TEST(XmlDocument, FindNodeSearchesAllNodesOrOneKindInCreationOrder) {
    XmlDocument document;
    XmlNode* attribute = Create(document, kXmlAttribute, "x"); // detached nodes are found too
    XmlNode* element = Create(document, kXmlElement, "x");
    XmlNode* found = nullptr;
    EXPECT_EQ(document.FindNode(found, "x"), KV_OK);
    EXPECT_EQ(found, attribute);
    EXPECT_EQ(document.FindNode(found, "x", kXmlElement), KV_OK);
    EXPECT_EQ(found, element);
    EXPECT_EQ(document.FindNode(found, "x", kXmlComment), KV_E_NOT_FOUND);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(document.FindNode(found, "x", 9), KV_E_NOT_FOUND);
    EXPECT_EQ(document.FindNode(found, "X"), KV_E_NOT_FOUND);
}

} // namespace
