#include "core/xml_document.h"

#include "core/xml_node.h"
#include "core_test_support.h"
#include "platform/clock.h"
#include "platform/resources.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

namespace {

using Strategy = XmlDocument::Strategy;
constexpr Strategy kStrategies[] = {Strategy::kSinglePass, Strategy::kCloseTagTable,
                                    Strategy::kLevelScans};

// One line per tree: E(name) element, T(name)='text' text element, P(name)
// processing instruction, X'text' text node, C'text' comment; attributes as
// " @name=value", children in braces.
std::string Dump(const XmlNode* node) {
    const std::uint32_t kind = node->GetKind();
    std::string out(1, "?ETAPXC"[kind]);
    if (kind != kXmlText && kind != kXmlComment)
        out += "(" + std::string(node->GetName()) + ")";
    for (const XmlNode* attribute : node->GetAttributeList())
        out +=
            " @" + std::string(attribute->GetName()) + "=" + std::string(attribute->GetContent());
    if (kind == kXmlElement) {
        out += "{";
        for (const XmlNode* child : node->GetChildList())
            out += Dump(child) + ";";
        return out + "}";
    }
    if (kind != kXmlProcessingInstruction)
        out += (kind == kXmlTextElement ? "='" : "'") + std::string(node->GetContent()) + "'";
    return out;
}

// Parses under every strategy; all must build the same nodes in the same
// order. Returns the tree; *order gets the nodes as "serial:name ".
std::string ParsedTree(const std::string& text, bool* complete = nullptr,
                       std::string* order = nullptr) {
    std::string tree, nodes;
    for (Strategy strategy : kStrategies) {
        SCOPED_TRACE(static_cast<int>(strategy));
        XmlDocument document;
        document.SetParseStrategy(strategy);
        EXPECT_EQ(document.Parse(text), KV_OK);
        EXPECT_EQ(document.GetNodeList().size(), document.GetNodeCounter());
        std::string created;
        for (const XmlNode* node : document.GetNodeList())
            created += std::to_string(node->GetSerial()) + ":" + std::string(node->GetName()) + " ";
        if (strategy != kStrategies[0]) {
            EXPECT_EQ(Dump(document.GetRoot()), tree);
            EXPECT_EQ(created, nodes);
            continue;
        }
        tree = Dump(document.GetRoot());
        nodes = created;
        if (complete != nullptr)
            *complete = document.IsParseComplete();
    }
    if (order != nullptr)
        *order = nodes;
    return tree;
}

TEST(XmlParser, ReadsTheDescribedFormsAndThoseThatUsedToFail) {
    // text, tree, parse complete
    const std::tuple<std::string, std::string, bool> cases[] = {
        {"<?xml version=\"1.0\"?><A x=\"1\"><B>t</B></A>",
         "E(){P(xml) @version=1.0;E(A) @x=1{T(B)='t';};}", true},
        {"<a>1</a>\r\n<c>2</c>", "E(){T(a)='1';X'\r\n';T(c)='2';}", true},
        {"<b />", "E(){T(b)='';}", true},
        {"<-- note -->", "E(){C' note ';}", true},
        {"<--x-->", "E(){C'';}", true},
        {"", "E(){X'';}", true},
        {"pre<a>1</a>mid<b></b>post", "E(){X'pre';T(a)='1';X'mid';T(b)='';X'post';}", true},
        {"<a> </a><b>&lt;</b>", "E(){T(a)=' ';T(b)='&lt;';}", true},
        {"<a>1</a\r\n><b>2</b x>", "E(){T(a)='1';T(b)='2';}", true},
        {"<a>1</ab></a>", "E(){}", false},
        {"<a\nb>x</a\nb>", "E(){T(a\nb)='x';}", true},
        // Attributes: blanks around "=", only double quotes, errors not reported.
        {"<e x = \"1\"  y=\"2\" />", "E(){T(e) @x=1 @y=2='';}", true},
        {"<a x=\"1\" y='2' z=\"3\"/>", "E(){T(a) @x=1='';}", true},
        {"<a lone x=\"1\"></a>", "E(){T(a)='';}", true},
        {"<e\tx=\"<a \"/>", "E(){T(e) @x=<a ='';}", true},
        // A text read in part: what came before the first error stays.
        {"<a>x</a", "E(){X'<a>x</a';}", false},
        {"< a>x</a>", "E(){X'< a>x</a>';}", false},
        {"<>", "E(){X'<>';}", false},
        {"<a>1</a><?pi x=\"1\">", "E(){T(a)='1';}", false},
        {"<a>1</a><-- c ->", "E(){T(a)='1';}", false},
        {"<a><b></a></b>", "E(){}", false},
        {"<a>1</a>x<", "E(){T(a)='1';}", false},
        // Mended: '<name/>' is the empty form and '<!-- -->' a comment.
        {"<a>1</a><b/>", "E(){T(a)='1';T(b)='';}", true},
        {"<!-- note -->", "E(){C' note ';}", true},
        // Mended: same-name nesting, as a contact group holds its contacts.
        {"<a><a>x</a></a>", "E(){E(a){T(a)='x';};}", true},
        {"<G><G><G>1</G><G/></G><G>2</G></G>", "E(){E(G){E(G){T(G)='1';T(G)='';};T(G)='2';};}",
         true},
        {"<a><a>x</a>", "E(){X'<a><a>x</a>';}", false},
        // Mended: a processing instruction's name ends before its closing "?".
        {"<?pi?><?\?>", "E(){P(pi);P();}", true},
        // Mended: a quote in an attribute value travels as "&quot;" and a
        // literal "&quot;" as "&amp;quot;".
        {"<a x=\"&quot;q&quot;&amp;quot;&gt;&amp;\"/>", "E(){T(a) @x=\"q\"&quot;&gt;&amp;='';}",
         true},
        // Mended: a ">" inside a quoted value does not end the tag.
        {"<a x=\"1>2\" y=\"/>\">t</a><b z=\">\"/>", "E(){T(a) @x=1>2 @y=/>='t';T(b) @z=>='';}",
         true},
        {"<?pi x=\"?>\"?>", "E(){P(pi) @x=?>;}", true},
        // A quote opens a value only after "=": one in a name is a byte of it.
        {"<e x=\"q\" q\"y=\"2>3\">t</e>", "E(){T(e) @x=q @q\"y=2>3='t';}", true},
        {"<e x=\"1>t</e>", "E(){T(e)='t';}", true},
        {"<e x =\t \"a>b\" y=\"\"\">t</e>", "E(){T(e) @x=a>b @y=='t';}", true},
        {"<e a=\"1\" b=\"x>y\" c = \"z\">t</e>", "E(){T(e) @a=1 @b=x>y @c=z='t';}", true},
        // Mended: a stray close tag is an error, not an element named "/b".
        {"<a>1</a></b>", "E(){T(a)='1';}", false},
        {"</b><//b>", "E(){X'</b><//b>';}", false},
        // A name inside a comment or an attribute value is no tag.
        {"<a><-- </a --></a>", "E(){E(a){C' </a ';};}", true},
        {"<a><b x=\"<a \"></b></a>", "E(){E(a){T(b) @x=<a ='';};}", true},
    };
    for (const auto& [text, tree, complete] : cases) {
        SCOPED_TRACE(text);
        bool parsed_complete = !complete;
        EXPECT_EQ(ParsedTree(text, &parsed_complete), tree);
        EXPECT_EQ(parsed_complete, complete);
    }
    // A level's container comes with its first tag; an element's attributes
    // come after its content.
    std::string order;
    ParsedTree("<a x=\"1\"><b y=\"2\">t</b><c/></a>", nullptr, &order);
    EXPECT_EQ(order, "1: 2:a 3:b 4:y 5:c 6:x ");
}

std::string Nested(int depth, const std::string& inner) {
    return Repeat("<e>", depth) + inner + Repeat("</e>", depth);
}

TEST(XmlParser, ReadsContentUpToNestingLevelFiftyAndHostileInputsInLinearTime) {
    bool complete = false;
    const std::string deepest = ParsedTree(Nested(50, "x"), &complete);
    EXPECT_TRUE(complete);
    EXPECT_NE(deepest.find("{T(e)='x';}"), std::string::npos);
    EXPECT_EQ(std::count(deepest.begin(), deepest.end(), '{'), 50);
    // Level 51 has content: the whole element fails and the root stays empty.
    EXPECT_EQ(ParsedTree(Nested(51, "x"), &complete), "E(){}");
    EXPECT_FALSE(complete);
    // An empty element at level 51 has no content to read.
    ParsedTree(Nested(51, ""), &complete);
    EXPECT_TRUE(complete);

    EXPECT_EQ(ParsedTree(Nested(100000, "x"), &complete), "E(){}");
    EXPECT_FALSE(complete);
    // 10 MB without any ">", and without any matching close tag.
    const std::string no_end = "<a " + std::string(10 * 1024 * 1024, 'a');
    EXPECT_EQ(ParsedTree(no_end, &complete), "E(){X'" + no_end + "';}");
    EXPECT_FALSE(complete);
    std::string no_close = "<a>";
    while (no_close.size() < 10 * 1024 * 1024)
        no_close += "</a </a <a ";
    EXPECT_EQ(ParsedTree(no_close), "E(){X'" + no_close + "';}");
    // 100,000 unmatched close tags, alone and inside an element.
    const std::string closes = Repeat("</x>", 100000);
    EXPECT_EQ(ParsedTree(closes), "E(){X'" + closes + "';}");
    EXPECT_EQ(ParsedTree("<r>" + closes + "</r>", &complete), "E(){}");
    EXPECT_FALSE(complete);
}

// Each reading of the calendar clock is one second after the last.
struct SteppingClock final : Clock {
    std::uint32_t TickMs() override { return 0; }
    std::int64_t Seconds() override { return ++seconds; }
    WallTime Now() override { return WallTime{seconds}; }
    bool ToLocalTime(std::int64_t, std::tm&) override { return false; }
    std::int64_t seconds = 1000;
};

TEST_F(Xml, TimeLimitFailsTheFirstLevelThatFindsItExceeded) {
    SteppingClock clock;
    ScopedClock installed(clock);
    document.SetTimeLimit(2);
    // Level 0 reads the clock one second after the start, level 1 two.
    EXPECT_EQ(document.Parse("<z/><a><b>1</b></a>"), KV_OK);
    EXPECT_EQ(Dump(document.GetRoot()), "E(){T(z)='';}");
    EXPECT_TRUE(!document.IsParseComplete() && document.IsTimedOut() == TRUE);
    document.Clear(), document.SetTimeLimit(0);
    EXPECT_TRUE(document.Parse("<a><b>1</b></a>") == KV_OK && document.IsParseComplete());
}

TEST_F(Xml, FindCloseTagCountsNestedElementsOfTheSameName) {
    const std::tuple<std::string, KvResult, std::int32_t, std::int32_t> cases[] = {
        {"<a>x</a>", KV_OK, 4, 7},
        {"<a><a>x</a></a >", KV_OK, 11, 15},
        {"<a><a/><a x=\"1\" />x</a>", KV_OK, 19, 22},
        {"<a>x</ab></a\ty>", KV_OK, 9, 14},
        {"<a>x</a", KV_E_FAIL, 3, 0},
        {"<a><a>x</a>", KV_E_FAIL, 3, 0},
    };
    for (const auto& [text, result, expected_position, expected_end] : cases) {
        std::int32_t position = 3, close_end = 0;
        EXPECT_EQ((std::tuple{document.FindCloseTag("a", position, close_end, text), position,
                              close_end}),
                  std::tuple(result, expected_position, expected_end))
            << text;
    }
    EXPECT_EQ(std::tuple(XmlDocument::FindFirstOf("ab> c", "> \t", 0),
                         XmlDocument::FindFirstOf("ab> c", " \t", 3),
                         XmlDocument::FindFirstOf("ab\r\nc", "> \t", 0),
                         XmlDocument::FindFirstOf("abc", "c", 3),
                         XmlDocument::FindFirstOf("abc", "", 0)),
              std::tuple(2, 3, -1, -1, -1));
}

TEST_F(Xml, ParseAttributesIntoKeepsWhatWasReadBeforeAnError) {
    XmlNode* element = nullptr;
    document.CreateNode(element, kXmlElement);
    {
        // The values are copied: the text may go away.
        std::string text = " x = \"1\"  y=\"2\" ";
        EXPECT_EQ(document.ParseAttributesInto(element, text), KV_OK);
        text.assign(text.size(), '#');
    }
    EXPECT_EQ(Dump(element), "E() @x=1 @y=2{}");
    EXPECT_EQ(document.ParseAttributesInto(element, "a=\"1\" b='2'"), KV_E_FAIL);
    EXPECT_EQ(Dump(element), "E() @a=1{}");
    EXPECT_EQ(document.ParseAttributesInto(element, "a=\"1\" b \"2\""), KV_E_FAIL);
    EXPECT_EQ(document.ParseAttributesInto(element, "a=\"1"), KV_E_FAIL);
    EXPECT_TRUE(document.ParseAttributesInto(element, "=\"1\"") == KV_OK &&
                element->GetAttributeList().empty());
    XmlNode* comment = nullptr;
    document.CreateNode(comment, kXmlComment);
    EXPECT_EQ(document.ParseAttributesInto(comment, "a=\"1\""), KV_E_FAIL);
    EXPECT_EQ(document.ParseAttributesInto(nullptr, "a=\"1\""), KV_E_INVALID_POINTER);
    XmlDocument other;
    EXPECT_EQ(other.ParseAttributesInto(element, "a=\"1\""), KV_E_FAIL);
}

TEST_F(Xml, ParseAddsToADocumentThatWasNotCleared) {
    ASSERT_EQ(document.Parse("first"), KV_OK);
    XmlElement* root = document.GetRoot();
    ASSERT_EQ(document.Parse("second"), KV_OK);
    EXPECT_TRUE(document.GetRoot() == root && Dump(root) == "E(){X'first';X'second';}");
    ASSERT_EQ(document.Parse("<a/>"), KV_OK);
    EXPECT_TRUE(document.GetRoot() != root && root->GetRootFlag() == FALSE);
    EXPECT_EQ(Dump(document.GetRoot()), "E(){T(a)='';}");
}

TEST_F(Xml, LoadsFilesUpToTheFirstZeroByteAndRegisteredResourcesAndRefusesMissingEmptyOrBigOnes) {
    const std::filesystem::path data = std::filesystem::path(__FILE__).parent_path() / "..";
    ASSERT_EQ(document.LoadFromFile((data / "data" / "xml" / "contact_store.xml").string()), KV_OK);
    EXPECT_TRUE(document.IsParseComplete());
    XmlNode* node = nullptr;
    ASSERT_EQ(document.FindNode(node, "lastname", kXmlTextElement), KV_OK);
    EXPECT_EQ(node->GetText(), "M\xFCller & S\xF6hne");
    ASSERT_EQ(document.FindNode(node, "DATACONTACTGROUP"), KV_OK);
    EXPECT_EQ(node->GetChildList()[0]->GetName(), "DATACONTACT");

    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() /
        ("xml_load_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(directory);
    const auto write = [&directory](const std::string& name, const std::string& bytes) {
        std::ofstream(directory / name, std::ios::binary) << bytes;
        return (directory / name).string();
    };
    document.Clear();
    EXPECT_EQ(document.LoadFromFile(write("zero.xml", std::string("<a>1</a>\0<b>2</b>", 17))),
              KV_OK);
    EXPECT_EQ(Dump(document.GetRoot()), "E(){T(a)='1';}");
    document.Clear();
    EXPECT_EQ(document.LoadFromFile((directory / "missing.xml").string()), KV_E_RESOURCE_NOT_FOUND);
    EXPECT_EQ(document.LoadFromFile(write("empty.xml", "")), KV_E_RESOURCE_NOT_LOADABLE);
    const std::string big = write("big.xml", "<");
    std::filesystem::resize_file(big, kMaxLoadBytes + 1);
    EXPECT_EQ(document.LoadFromFile(big), KV_E_RESOURCE_NOT_LOADABLE);
    EXPECT_TRUE(document.GetResult() == KV_E_RESOURCE_NOT_LOADABLE &&
                document.GetNodeList().empty());
    std::filesystem::remove_all(directory);

    RegisterResource("XML", "xml_parser_test_gui", "<UIOBJECTDIALOG id=\"1\"/>");
    RegisterResource("XML", "xml_parser_test_empty", "");
    RegisterResource("XML", "xml_parser_test_big", std::string(kMaxLoadBytes + 1, ' '));
    EXPECT_EQ(document.LoadFromResource("xml", "XML_PARSER_TEST_GUI"), KV_OK);
    EXPECT_EQ(Dump(document.GetRoot()), "E(){T(UIOBJECTDIALOG) @id=1='';}");
    document.Clear();
    EXPECT_EQ(document.LoadFromResource("XML", "xml_parser_test_none"), KV_E_RESOURCE_NOT_FOUND);
    for (const char* name : {"xml_parser_test_empty", "xml_parser_test_big"})
        EXPECT_EQ(document.LoadFromResource("XML", name), KV_E_RESOURCE_NOT_LOADABLE) << name;
    EXPECT_TRUE(document.GetNodeList().empty());
    RegisterResource("XML", "xml_parser_test_big", "");
}

} // namespace

namespace {

TEST(XmlParser, OwnedTextGivesTheSameNodesAndOutlivesTheCallersCopy) {
    const std::string text = "<S a=\"1\"><b>x</b><c><d>y</d></c>tail</S>";
    XmlDocument copied;
    copied.Parse(text);
    XmlDocument owned;
    {
        std::string handed = text;
        EXPECT_EQ(owned.ParseOwned(std::move(handed)), KV_OK);
    }
    EXPECT_TRUE(owned.IsParseComplete());
    EXPECT_EQ(Dump(owned.GetRoot()), Dump(copied.GetRoot()));
    // A second text without Clear: the nodes of the first still read theirs.
    const XmlNode* first = owned.GetRoot()->GetChildList()[0];
    EXPECT_EQ(owned.ParseOwned("<z>2</z>"), KV_OK);
    EXPECT_EQ(Dump(first), "E(S) @a=1{T(b)='x';E(c){T(d)='y';};X'tail';}");
    owned.Clear();
    EXPECT_EQ(owned.ParseOwned("<z>3</z>"), KV_OK);
    EXPECT_EQ(Dump(owned.GetRoot()), "E(){T(z)='3';}");
}

} // namespace
