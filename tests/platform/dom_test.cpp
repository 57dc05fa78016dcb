#include "platform/dom.h"

#include <gtest/gtest.h>

namespace {

DomDocumentPtr Loaded(std::string_view xml = {}) {
    DomDocumentPtr document;
    EXPECT_EQ(CreateDomDocument(document), KV_OK);
    EXPECT_EQ(xml.empty() ? KV_OK : document->loadXML(xml), KV_OK);
    return document;
}

std::string XmlOf(const DomNodePtr& node) {
    std::string xml;
    EXPECT_EQ(node->get_xml(xml), KV_OK);
    return xml;
}

std::string TextOf(const DomNodePtr& node) {
    std::string text;
    EXPECT_EQ(node->get_text(text), KV_OK);
    return text;
}

DomElementPtr TopElement(const DomDocumentPtr& document) {
    DomElementPtr element;
    EXPECT_EQ(document->get_documentElement(element), KV_OK);
    return element;
}

DomElementPtr AppendElement(const DomDocumentPtr& document, const DomNodePtr& parent,
                            std::string_view name, std::string_view text) {
    DomElementPtr element;
    EXPECT_EQ(document->createElement(name, element), KV_OK);
    EXPECT_EQ(element->put_text(text), KV_OK);
    EXPECT_EQ(parent->appendChild(element), KV_OK);
    return element;
}

// The walk a record's reader makes: the length, a reset, then that many nodes.
std::vector<DomNodePtr> Children(const DomNodePtr& node) {
    DomNodeListPtr list;
    EXPECT_EQ(node->get_childNodes(list), KV_OK);
    std::int32_t length = -1;
    EXPECT_EQ(list->get_length(length), KV_OK);
    EXPECT_EQ(list->reset(), KV_OK);
    std::vector<DomNodePtr> children(static_cast<std::size_t>(length));
    for (DomNodePtr& child : children)
        EXPECT_EQ(list->nextNode(child), KV_OK);
    DomNodePtr past_the_end;
    EXPECT_EQ(list->nextNode(past_the_end), KV_OK);
    EXPECT_FALSE(past_the_end);
    return children;
}

// "name=text" of each child, joined by "|".
std::string DescribeChildren(const DomNodePtr& node) {
    std::string description;
    for (const DomNodePtr& child : Children(node)) {
        std::string name;
        EXPECT_EQ(child->get_nodeName(name), KV_OK);
        description += (description.empty() ? "" : "|") + name + "=" + TextOf(child);
    }
    return description;
}

TEST(DomDocument, WritesARecordElementWithAttributesAndKeyElements) {
    DomDocumentPtr document = Loaded();
    DomElementPtr root = AppendElement(document, document, "DATA", "");
    DomElementPtr record;
    ASSERT_EQ(document->createElement("DATAPREFERENCES", record), KV_OK);
    EXPECT_EQ(record->setAttribute("id", DomVariant(std::uint32_t{7})), KV_OK);
    EXPECT_EQ(record->setAttribute("id", DomVariant(std::uint32_t{0xFFFFFFFFu})), KV_OK);
    EXPECT_EQ(record->setAttribute("identifier", DomVariant(std::string())), KV_OK);
    EXPECT_EQ(record->setAttribute("q", DomVariant(std::string("a\"<&>"))), KV_OK);
    EXPECT_EQ(XmlOf(document), "<DATA/>"); // not appended yet
    EXPECT_EQ(root->appendChild(record), KV_OK);
    AppendElement(document, record, "screenname", "Max");
    AppendElement(document, record, "empty", "");
    DomNodeListPtr before_flag;
    ASSERT_EQ(record->get_childNodes(before_flag), KV_OK);
    AppendElement(document, record, "flag", "TRUE");
    EXPECT_EQ(XmlOf(document), "<DATA><DATAPREFERENCES id=\"4294967295\" identifier=\"\" "
                               "q=\"a&quot;&lt;&amp;>\"><screenname>Max</screenname><empty/>"
                               "<flag>TRUE</flag></DATAPREFERENCES></DATA>");
    EXPECT_EQ(DescribeChildren(record), "screenname=Max|empty=|flag=TRUE");

    // A list keeps the children it was taken with.
    std::int32_t length = 0;
    EXPECT_TRUE(before_flag->get_length(length) == KV_OK && length == 2);
}

TEST(DomDocument, ChildWalkNamesEveryKindOfNodeAndConcatenatesNestedText) {
    DomDocumentPtr document = Loaded("<r a=\"1\">\n  <width>12</width>\n  <!--note-->\n"
                                     "  <t>a<b>b</b><![CDATA[<c>]]></t><?pi data?>tail<e/>"
                                     "<ws>  </ws>\n</r>");
    EXPECT_EQ(DescribeChildren(TopElement(document)),
              "width=12|#comment=note|t=ab<c>|pi=data|#text=tail|e=|ws=  ");
    EXPECT_EQ(DescribeChildren(document), "r=12ab<c>tail  ");
}

TEST(DomDocument, ConvertsWindows1252AtTheBoundary) {
    DomDocumentPtr document = Loaded();
    DomElementPtr element = AppendElement(document, document, "gr\xFC\xDF", "\xFC \x80 \x81");
    EXPECT_EQ(XmlOf(document),
              "<gr\xC3\xBC\xC3\x9F>\xC3\xBC \xE2\x82\xAC \xC2\x81</gr\xC3\xBC\xC3\x9F>");
    EXPECT_EQ(DescribeChildren(Loaded(XmlOf(document))), "gr\xFC\xDF=\xFC \x80 \x81");

    // Outside Windows-1252: U+4E2D and U+0080.
    EXPECT_EQ(TextOf(Loaded("<k>\xE4\xB8\xAD\xC2\x80</k>")), "??");

    EXPECT_EQ(element->put_text(std::string("ab\0cd", 5)), KV_OK);
    EXPECT_EQ(TextOf(element), "ab");
}

TEST(DomDocument, TextsSurviveSavingAndLoading) {
    // XML reads every line end as LF.
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"<a&b>\"'", "<a&b>\"'"},
        {"\x01\x1F\t\x7F", "\x01\x1F\t\x7F"},
        {"  both ends  ", "  both ends  "},
        {"   ", "   "},
        {"a\r\nb\rc", "a\nb\nc"}};
    for (const auto& [text, after_reload] : cases) {
        SCOPED_TRACE(std::string(text));
        DomDocumentPtr document = Loaded();
        EXPECT_EQ(TextOf(AppendElement(document, document, "k", text)), text);
        EXPECT_EQ(TextOf(Loaded(XmlOf(document))), after_reload);
    }
}

TEST(DomDocument, RefusesNamesThatAreNoXmlNames) {
    DomDocumentPtr document = Loaded("<valid/>");
    const DomElementPtr valid = TopElement(document);
    using namespace std::string_view_literals;
    // Refused first, then accepted from "_x.y-1" on.
    const std::string_view names[] = {""sv,       "1a"sv,    "a b"sv,      "-a"sv,
                                      "a<b"sv,    "a\x81"sv, "\x93"sv,     "a\0b"sv,
                                      "_x.y-1"sv, "a:b"sv,   "\xC4\xF6"sv, "\x80"sv};
    for (const std::string_view& name : names) {
        SCOPED_TRACE(std::string(name));
        const KvResult expected = &name < &names[8] ? KV_E_FAIL : KV_OK;
        DomElementPtr element;
        EXPECT_EQ(document->createElement(name, element), expected);
        EXPECT_EQ(bool(element), expected == KV_OK);
        EXPECT_EQ(valid->setAttribute(name, DomVariant(std::uint32_t{1})), expected);
    }
}

TEST(DomDocument, AppendAndPutTextMoveOrDetachNodesThatStayUsableAndRefuseWhatXmlCannotHold) {
    DomDocumentPtr document = Loaded("<r><a><b/></a>text<!--c--></r>");
    const DomElementPtr root = TopElement(document);
    const std::vector<DomNodePtr> below_root = Children(root);
    const DomNodePtr &a = below_root.at(0), &text = below_root.at(1), &comment = below_root.at(2);
    const DomNodePtr b = Children(a).at(0);
    EXPECT_EQ(b->appendChild(a), KV_E_FAIL);    // into its own child
    EXPECT_EQ(a->appendChild(a), KV_E_FAIL);    // into itself
    EXPECT_EQ(text->appendChild(b), KV_E_FAIL); // a text holds no children
    EXPECT_EQ(document->appendChild(text), KV_E_FAIL);
    EXPECT_EQ(document->appendChild(AppendElement(document, b, "c", "")), KV_E_FAIL);
    EXPECT_EQ(root->appendChild(document), KV_E_FAIL);
    EXPECT_EQ(root->appendChild(TopElement(Loaded("<other/>"))), KV_E_FAIL);
    EXPECT_EQ(root->appendChild(DomNodePtr()), KV_E_NULL_INTERFACE);
    EXPECT_EQ(comment->put_text("a--b"), KV_E_FAIL);
    EXPECT_EQ(comment->put_text("fine"), KV_OK);
    EXPECT_EQ(XmlOf(document), "<r><a><b><c/></b></a>text<!--fine--></r>");
    EXPECT_EQ(root->appendChild(b), KV_OK);
    EXPECT_EQ(XmlOf(document), "<r><a/>text<!--fine--><b><c/></b></r>");

    EXPECT_EQ(root->put_text("new"), KV_OK);
    EXPECT_EQ(std::tuple(XmlOf(document), XmlOf(b)), std::tuple("<r>new</r>", "<b><c/></b>"));
    EXPECT_EQ(root->appendChild(b), KV_OK);
    EXPECT_EQ(XmlOf(document), "<r>new<b><c/></b></r>");
    EXPECT_EQ(document->put_text("x"), KV_E_FAIL);

    // The nodes of a replaced tree stay usable but apart.
    ASSERT_EQ(document->loadXML("<new/>"), KV_OK);
    EXPECT_EQ(root->put_text("y"), KV_OK);
    EXPECT_EQ(XmlOf(root), "<r>y</r>");
    EXPECT_EQ(document->appendChild(root), KV_E_FAIL);
    EXPECT_EQ(TopElement(document)->appendChild(root), KV_E_FAIL);
    EXPECT_EQ(XmlOf(document), "<new/>");
}

TEST(DomDocument, LoadRefusesMalformedTextAndLeavesTheDocumentEmpty) {
    for (const std::string_view xml :
         {"", "   ", "<a>", "<a></b>", "<a/><b/>", "text<a/>", "<a/>tail", "<1a/>", "<a b=1/>",
          "\xFF<a/>", "<a>\xC3</a>"}) {
        SCOPED_TRACE(std::string(xml));
        DomDocumentPtr document = Loaded("<old/>");
        EXPECT_EQ(document->loadXML(xml), KV_E_FAIL);
        EXPECT_FALSE(TopElement(document));
        EXPECT_EQ(XmlOf(document), "");
    }
    EXPECT_EQ(XmlOf(Loaded("\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!--c-->\n<a/>\n")),
              "<!--c--><a/>");
}

TEST(DomDocument, ReadsDeeplyNestedText) {
    std::string open, close;
    for (int level = 0; level < 100000; ++level)
        open += "<a>", close += "</a>";
    DomDocumentPtr document = Loaded(open + "x" + close);
    EXPECT_EQ(std::tuple(TextOf(document), XmlOf(document)), std::tuple("x", open + "x" + close));
}

TEST(DomPtr, CallsThroughAnEmptyPointerReportTheNullInterfaceAndClearOutputs) {
    DomDocumentPtr document;
    DomElementPtr element;
    DomNodePtr node = element;
    DomNodeListPtr list;
    const DomNodePtr real = TopElement(Loaded("<a/>"));
    std::string name = "stale", xml = "stale";
    std::int32_t length = 5;
    DomNodePtr next = real;
    DomNodeListPtr children;
    ASSERT_EQ(real->get_childNodes(children), KV_OK);
    DomElementPtr created = TopElement(Loaded("<a/>")), top = created;
    const std::function<KvResult()> calls[] = {
        [&] { return node->get_nodeName(name); },
        [&] { return document->get_xml(xml); },
        [&] { return node->put_text("x"); },
        [&] { return node->appendChild(real); },
        [&] { return document->get_childNodes(children); },
        [&] { return element->setAttribute("id", DomVariant(std::uint32_t{0})); },
        [&] { return document->createElement("a", created); },
        [&] { return document->get_documentElement(top); },
        [&] { return document->loadXML("<a/>"); },
        [&] { return list->get_length(length); },
        [&] { return list->nextNode(next); },
    };
    for (std::size_t index = 0; index < std::size(calls); ++index) {
        SCOPED_TRACE(index);
        EXPECT_EQ(calls[index](), KV_E_NULL_INTERFACE);
    }
    EXPECT_EQ(std::tuple(name + xml, length), std::tuple("", 0));
    EXPECT_FALSE(next || children || created || top);
}

} // namespace
