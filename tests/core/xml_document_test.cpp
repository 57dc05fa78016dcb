#include "core/xml_document.h"

#include "core/xml_node.h"
#include "core_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

TEST_F(Xml, SerialsSkipRefusedKindsAndContinueAfterClearWhichKeepsTheSettings) {
    document.SetTimeLimit(5);
    XmlElement* root = document.GetRoot();
    EXPECT_TRUE(root->GetName().empty() && root->GetRootFlag() == TRUE && Text(document).empty());
    for (std::uint32_t kind : {0u, 7u, 0xFFFFFFFFu}) {
        XmlNode* refused = root;
        EXPECT_EQ((std::tuple{document.CreateNode(refused, kind), refused, document.GetResult()}),
                  std::tuple(KV_E_OUT_OF_MEMORY, nullptr, KV_E_OUT_OF_MEMORY));
    }
    EXPECT_EQ(
        (std::tuple{Create(document, kXmlComment)->GetSerial(), document.GetNodeList().size()}),
        std::tuple(2u, 2u));
    EXPECT_EQ(document.Clear(), KV_OK);
    EXPECT_EQ(std::tuple(document.GetNodeList().size(), document.GetNodeCounter(),
                         document.GetTimeLimit()),
              std::tuple(0u, 2u, 5));
    EXPECT_EQ(document.GetRoot()->GetSerial(), 3u);
}

TEST_F(Xml, SetRootTakesOnlyElementsOfThisDocument) {
    XmlDocument other;
    XmlElement* root = document.GetRoot();
    EXPECT_EQ(document.SetRoot(Create(document, kXmlTextElement)), KV_E_FAIL);
    EXPECT_EQ(document.SetRoot(Create(other, kXmlElement)), KV_E_FAIL);
    EXPECT_EQ(document.SetRoot(nullptr), KV_E_INVALID_POINTER);
    EXPECT_EQ(document.GetRoot(), root);
    auto* element = static_cast<XmlElement*>(Create(document, kXmlElement, "new"));
    EXPECT_TRUE(document.SetRoot(element) == KV_OK && document.GetRoot() == element);
    EXPECT_EQ(std::tuple(root->GetRootFlag(), element->GetRootFlag()), std::tuple(FALSE, TRUE));
}

TEST_F(Xml, AddChildFilesChildrenByKindAndRefusesWrongParentsAndForeignNodes) {
    XmlDocument other;
    XmlNode* element = Create(document, kXmlElement, "e");
    XmlNode* text_element = Create(document, kXmlTextElement, "t");
    XmlNode* attribute = Create(document, kXmlAttribute, "a");
    XmlNode* instruction = Create(document, kXmlProcessingInstruction, "pi");
    XmlNode* foreign = Create(other, kXmlAttribute, "f");
    for (const auto& [parent, child] : {std::pair{text_element, attribute},
                                        {attribute, element},
                                        {instruction, element},
                                        {element, foreign}})
        EXPECT_EQ(document.AddChild(parent, child), KV_E_FAIL);
    EXPECT_EQ(other.AddChild(foreign, element), KV_E_FAIL);
    EXPECT_EQ(document.AddChild(nullptr, attribute), KV_E_INVALID_POINTER);
    EXPECT_EQ(document.AddChild(element, nullptr), KV_E_INVALID_POINTER);
    EXPECT_TRUE(element->GetAttributeList().empty() && text_element->GetAttributeList().empty());

    std::vector<XmlNode*> children;
    for (std::uint32_t kind :
         {kXmlElement, kXmlTextElement, kXmlProcessingInstruction, kXmlText, kXmlComment}) {
        children.push_back(Create(document, kind));
        EXPECT_EQ(document.AddChild(element, children.back()), KV_OK);
    }
    // The same attribute twice is listed twice.
    for (XmlNode* parent : {element, element, instruction})
        EXPECT_EQ(document.AddChild(parent, attribute), KV_OK);
    const XmlNodeList& list = element->GetChildList();
    EXPECT_EQ(std::vector<XmlNode*>(list.begin(), list.end()), children);
    EXPECT_EQ(
        std::tuple(element->GetAttributeList().size(), instruction->GetAttributeList().size()),
        std::tuple(2u, 1u));
}

TEST_F(Xml, AddChildRefusesLinksThatWouldCloseALoop) {
    XmlNode *a = Create(document, kXmlElement, "a"), *d = Create(document, kXmlElement, "d");
    XmlNode* b = Add(a, kXmlElement, "b");
    XmlNode* c = Add(b, kXmlElement, "c");
    for (XmlNode* parent : {a, b, c})
        EXPECT_EQ(document.AddChild(parent, a), KV_E_FAIL);
    // One element below two parents is allowed; a loop through either is not.
    ASSERT_EQ(document.AddChild(d, c), KV_OK);
    for (XmlNode* child : {d, b})
        EXPECT_EQ(document.AddChild(c, child), KV_E_FAIL);
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

TEST_F(Xml, AddTextElementEncodesOnRequestAndKeepsANodeItCouldNotLink) {
    XmlNode* root = document.GetRoot();
    XmlNode *encoded = nullptr, *raw = nullptr;
    EXPECT_EQ(document.AddTextElement(encoded, root, "a", "<\xDF>", TRUE), KV_OK);
    EXPECT_EQ(document.AddTextElement(raw, root, "b", "<\xDF>", FALSE), KV_OK);
    EXPECT_EQ(Text(document), "<a>&lt;&szlig;&gt;</a><b><\xDF></b>");
    XmlNode* orphan = nullptr;
    EXPECT_EQ(document.AddTextElement(orphan, encoded, "c", "x", TRUE), KV_E_FAIL);
    EXPECT_EQ(orphan != nullptr ? orphan->GetName() : "null", "c");
    EXPECT_EQ(document.AddTextElement(orphan, nullptr, "c", "x", TRUE), KV_E_INVALID_POINTER);
}

TEST_F(Xml, FindNodeSearchesAllNodesOrOneKindInCreationOrder) {
    XmlNode* attribute = Create(document, kXmlAttribute, "x"); // detached nodes are found too
    XmlNode* element = Create(document, kXmlElement, "x");
    XmlNode* found = nullptr;
    EXPECT_EQ((std::tuple{document.FindNode(found, "x"), found}), std::tuple(KV_OK, attribute));
    EXPECT_EQ((std::tuple{document.FindNode(found, "x", kXmlElement), found}),
              std::tuple(KV_OK, element));
    EXPECT_EQ((std::tuple{document.FindNode(found, "x", kXmlComment), found}),
              std::tuple(KV_E_NOT_FOUND, nullptr));
    EXPECT_EQ(document.FindNode(found, "x", 9), KV_E_NOT_FOUND);
    EXPECT_EQ(document.FindNode(found, "X"), KV_E_NOT_FOUND);
}

} // namespace

namespace {

TEST_F(Xml, AddElementAndAddAttributeLinkLikeAddChildAndKeepTheNodeOnFailure) {
    XmlNode* element = nullptr;
    ASSERT_EQ(document.AddElement(element, root_, XmlStaticName{"E"}), KV_OK);
    XmlNode* attribute = nullptr;
    EXPECT_EQ(document.AddAttribute(attribute, element, XmlStaticName{"a"}, "x<y", TRUE), KV_OK);
    XmlNode* nested = nullptr;
    EXPECT_EQ(document.AddElement(nested, element, XmlStaticName{"F"}), KV_OK);
    XmlNode* instruction = Create(document, kXmlProcessingInstruction);
    instruction->SetName("xml");
    EXPECT_EQ(document.AddAttribute(attribute, instruction, XmlStaticName{"v"}, "1", FALSE), KV_OK);
    document.AddChild(root_, instruction);
    std::string text;
    document.GetText(text);
    EXPECT_EQ(text, "<E a=\"x&lt;y\"><F /></E><?xml v=\"1\"?>");
    // An element cannot enter an instruction, nor a node another document.
    EXPECT_EQ(document.AddElement(nested, instruction, XmlStaticName{"G"}), KV_E_FAIL);
    EXPECT_NE(nested, nullptr);
    XmlDocument other;
    EXPECT_EQ(document.AddAttribute(attribute, other.GetRoot(), XmlStaticName{"b"}, "", FALSE),
              KV_E_FAIL);
    EXPECT_EQ(document.AddElement(nested, nullptr, XmlStaticName{"H"}), KV_E_INVALID_POINTER);
    EXPECT_EQ(attribute->GetDocument(), &document);
}

} // namespace
