#include "guidesc/ui_object.h"

#include "guidesc/ui_object_button_group_line.h"
#include "guidesc/ui_object_button_line.h"
#include "guidesc/ui_object_check_box.h"
#include "guidesc/ui_object_combo_box_ex.h"
#include "guidesc/ui_object_dialog.h"
#include "guidesc/ui_object_edit.h"
#include "guidesc/ui_object_image_button.h"
#include "guidesc/ui_object_list_box.h"
#include "guidesc/ui_object_list_ctrl.h"
#include "guidesc/ui_object_property_sheet.h"
#include "guidesc/ui_object_static.h"
#include "guidesc/ui_object_static_group_box.h"
#include "guidesc/ui_object_string.h"
#include "guidesc/ui_object_tree_ctrl.h"
#include "guidesc/ui_object_xp_button.h"
#include "guidesc_test_support.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

namespace {

constexpr std::int32_t kUnsetInt = 77;
constexpr std::uint32_t kUnsetUInt = 77;
constexpr float kUnsetFloat = 7.5f;
constexpr COLORREF kUnsetColor = 0x777777;

struct ParseCase {
    const char* text;
    std::optional<std::int32_t> int_value; // nullopt: fails, value kept
    std::optional<std::uint32_t> uint_value;
    std::optional<float> float_value;
    KvResult color_result;
    COLORREF color_value;
};

const std::string kBeyondFloat = "1" + std::string(40, '0');

TEST(UIObjectValueKinds, ParsersReadTheirCharacterSetsOnly) {
    const ParseCase cases[] = {
        {" 12 ", 12, 12u, 12.0f, KV_OK, 0x120000},
        {"-5", -5, std::nullopt, -5.0f, KV_E_FAIL, kUnsetColor},
        {"5-3", 5, std::nullopt, 5.0f, KV_E_FAIL, kUnsetColor},
        {"+", 0, std::nullopt, 0.0f, KV_E_FAIL, kUnsetColor},
        {"", std::nullopt, std::nullopt, std::nullopt, KV_E_FAIL, kUnsetColor},
        {" \t ", std::nullopt, std::nullopt, std::nullopt, KV_E_FAIL, kUnsetColor},
        {"1 2", std::nullopt, std::nullopt, std::nullopt, KV_E_FAIL, kUnsetColor},
        {"3000000000", INT32_MAX, 3000000000u, 3.0e9f, KV_E_FAIL, 0xFFFFFFFF},
        {"99999999999", INT32_MAX, 0xFFFFFFFFu, 1.0e11f, KV_E_FAIL, 0xFFFFFFFF},
        {"-1", -1, std::nullopt, -1.0f, KV_E_FAIL, kUnsetColor},
        {"0x00ff00", std::nullopt, std::nullopt, std::nullopt, KV_OK, 0x00FF00},
        {"FF0000", std::nullopt, std::nullopt, std::nullopt, KV_OK, 0x0000FF},
        {"12G456", std::nullopt, std::nullopt, std::nullopt, KV_E_FAIL, kUnsetColor},
        {"1000000", 1000000, 1000000u, 1.0e6f, KV_E_FAIL, 0x1000000},
        // Around the longest digit runs that cannot overflow.
        {"999999999", 999999999, 999999999u, 1.0e9f, KV_E_FAIL, 0xFFFFFFFF},
        {"1234567890", 1234567890, 1234567890u, 1234567890.0f, KV_E_FAIL, 0xFFFFFFFF},
        {"7abcdef", std::nullopt, std::nullopt, std::nullopt, KV_E_FAIL, 0x7ABCDEF},
        {"0012", 12, 12u, 12.0f, KV_OK, 0x120000},
        {"1,5", std::nullopt, std::nullopt, std::nullopt, KV_E_FAIL, kUnsetColor},
        {"-3.25", std::nullopt, std::nullopt, -3.25f, KV_E_FAIL, kUnsetColor},
        {kBeyondFloat.c_str(), INT32_MAX, 0xFFFFFFFFu, FLT_MAX, KV_E_FAIL, 0xFFFFFFFF},
    };
    CKvUIObjectCheckBox object(nullptr, 0, nullptr);
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(std::string("text \"") + c.text + "\"");
        std::int32_t int_value = kUnsetInt;
        EXPECT_EQ(object.ParseInt(int_value, c.text, 10), c.int_value ? KV_OK : KV_E_FAIL);
        EXPECT_EQ(int_value, c.int_value.value_or(kUnsetInt));
        EXPECT_EQ(object.GetResult(), c.int_value ? KV_OK : KV_E_FAIL);

        std::uint32_t uint_value = kUnsetUInt;
        EXPECT_EQ(object.ParseUInt(uint_value, c.text, 10), c.uint_value ? KV_OK : KV_E_FAIL);
        EXPECT_EQ(uint_value, c.uint_value.value_or(kUnsetUInt));

        float float_value = kUnsetFloat;
        EXPECT_EQ(object.ParseFloat(float_value, c.text), c.float_value ? KV_OK : KV_E_FAIL);
        EXPECT_EQ(float_value, c.float_value.value_or(kUnsetFloat));

        COLORREF color = kUnsetColor;
        EXPECT_EQ(object.ParseColor(color, c.text), c.color_result);
        EXPECT_EQ(color, c.color_value);
    }
}

TEST(UIObjectValueKinds, IntegersTakeRadix16AndRefuseOtherRadixes) {
    CKvUIObjectCheckBox object(nullptr, 0, nullptr);
    std::int32_t value = 0;
    EXPECT_EQ(object.ParseInt(value, "0x1F", 16), KV_OK);
    EXPECT_EQ(value, 0x1F);
    std::uint32_t unsigned_value = 3;
    EXPECT_EQ(object.ParseUInt(unsigned_value, "17", 8), KV_E_FAIL);
    EXPECT_EQ(unsigned_value, 3u);
}

TEST(UIObjectValueKinds, ColoursAreWrittenRedFirstAndOversizedOnesAsRead) {
    std::string text;
    EXPECT_EQ(CKvUIObject::FormatColor(text, 0x0000FF), "ff0000");
    EXPECT_EQ(CKvUIObject::FormatColor(text, 0xFF0000), "ff");
    EXPECT_EQ(CKvUIObject::FormatColor(text, 0xC8D0D4), "d4d0c8");
    EXPECT_EQ(CKvUIObject::FormatColor(text, 0x80FEF8F8), "80fef8f8");

    CKvUIObjectCheckBox object(nullptr, 0, nullptr);
    EXPECT_EQ(object.SetBackgroundColorText("80fef8f8"), KV_E_FAIL);
    EXPECT_EQ(object.GetBackgroundColor(), 0x80FEF8F8u);
    EXPECT_EQ(object.GetBackgroundColorText(text), "80fef8f8");
}

TEST(UIObjectValueKinds, SettersResetTheFieldAndKeepTheLastResult) {
    CKvUIObjectCheckBox object(nullptr, 0, nullptr);
    object.GetWidth() = 9;
    EXPECT_EQ(object.SetWidthText("abc"), KV_E_FAIL);
    EXPECT_EQ(object.GetWidth(), 0);
    EXPECT_EQ(object.GetResult(), KV_E_FAIL);
    EXPECT_EQ(object.SetHeightText("4"), KV_OK);
    EXPECT_EQ(object.GetResult(), KV_OK);

    EXPECT_EQ(object.SetTextMagnifyText("2.5"), KV_OK);
    EXPECT_EQ(object.SetTextMagnifyText("abc"), KV_E_FAIL);
    EXPECT_EQ(object.GetTextMagnify(), 1.0f);

    EXPECT_EQ(object.SetTooltipWidthText(""), KV_E_FAIL);
    EXPECT_EQ(object.GetTooltipWidth(), 0);

    // The transparent colour keeps its value when the text fails.
    object.GetTransparentColor() = 0x123456;
    EXPECT_EQ(object.SetTransparentColorText("zz"), KV_E_FAIL);
    EXPECT_EQ(object.GetTransparentColor(), 0x123456u);
}

TEST(UIObjectValueKinds, PlainFlagsIgnoreCaseAndExactFlagsIgnoreBlanks) {
    struct Case {
        const char* text;
        std::uint32_t plain;
        std::int32_t exact;
    } const cases[] = {
        {"true", 1, 0},   {"True", 1, 0}, {"TRUE", 1, 1}, {" TRUE", 0, 1},
        {" TRUE ", 0, 1}, {"1", 0, 0},    {"yes", 0, 0},  {"", 0, 0},
    };
    CKvUIObjectXPButton button(nullptr, 0, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        button.SetFlagButtonAsStaticText(c.text);
        EXPECT_EQ(button.GetFlagButtonAsStatic(), c.plain);
        button.SetFlagRoundEdgeTopText(c.text);
        EXPECT_EQ(button.GetFlagRoundEdgeTop().Get(), c.exact);
    }
}

TEST(UIObjectValueKinds, ResourceOrFileKeepsTheTrimmedText) {
    struct Case {
        const char* text;
        const char* kept;
        std::uint32_t id;
    } const cases[] = {
        {" 12 ", "12", 12}, {"+12", "+12", 0}, {"a.bmp", "a.bmp", 0},
        {"  ", "", 0},      {"0", "0", 0},     {"12ab", "12ab", 0},
    };
    CKvUIObjectStatic object(nullptr, 0, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        object.GetBackgroundImageId() = 99;
        object.SetBackgroundImageText(c.text);
        EXPECT_EQ(object.GetBackgroundImageFile(), c.kept);
        EXPECT_EQ(object.GetBackgroundImageId(), c.id);
    }
}

TEST(UIObjectValueKinds, KeywordTextsAreRebuiltFromTheirValue) {
    CKvUIObjectStatic object(nullptr, 0, nullptr);
    EXPECT_EQ(object.SetTextStyleText("DT_CENTER"), KV_OK);
    std::string text;
    EXPECT_EQ(object.GetTextStyleText(text), "DT_TOP,DT_LEFT,DT_CENTER");
    EXPECT_EQ(object.SetWindowStyleText("WS_NOSUCH"), KV_E_FAIL);
    EXPECT_EQ(object.GetWindowStyle(), 0u);
    EXPECT_EQ(object.GetWindowStyleText(text), "");
    EXPECT_EQ(object.SetFontWeightText(" 550 "), KV_OK);
    EXPECT_EQ(object.GetFontWeightText(text), "550");
    // A keyword setter leaves the description's result alone.
    object.SetWidthText("x");
    object.SetStyleText("MDS_DOCKABLE,NOSUCH");
    EXPECT_EQ(object.GetStyle(), 0x10u);
    EXPECT_EQ(object.GetResult(), KV_E_FAIL);
}

TEST(UIObjectValueKinds, StringListAppendsUpToItsCapacity) {
    CKvUIObjectButtonGroupLine line(nullptr, 0, nullptr);
    std::string text;
    line.SetButtonIdentifierListText("x,");
    EXPECT_EQ(line.GetButtonIdentifierList().GetCount(), 2u);
    EXPECT_EQ(line.GetButtonIdentifierListText(text), "x,");

    line.Reset();
    line.SetButtonIdentifierListText(" x , y ,z");
    line.SetButtonIdentifierListText("w");
    EXPECT_EQ(line.GetButtonIdentifierListText(text), "x,y,z,w");

    line.Reset();
    std::string sixty;
    for (int i = 0; i < 60; ++i)
        sixty += (i ? "," : "") + std::to_string(i);
    line.SetButtonIdentifierListText(sixty);
    EXPECT_EQ(line.GetButtonIdentifierList().GetCount(), 50u);
}

TEST(UIObjectValueKinds, UiidIsWrittenUnsigned) {
    CKvUIObjectCheckBox object(nullptr, 0, nullptr);
    std::string text;
    EXPECT_EQ(object.SetUiidText("2147483648"), KV_OK);
    EXPECT_EQ(object.GetUiidText(text), "2147483648");
    EXPECT_EQ(object.SetUiidText("1001"), KV_OK);
    EXPECT_EQ(object.GetUiidText(text), "1001");
}

// ---- Identity ----

TEST(UIObjectIdentity, ResetNumbersZeroAndSetIdWritesHex) {
    CKvUIObjectCheckBox object(nullptr, 5, "ID");
    EXPECT_EQ(object.GetId(), 0u);
    EXPECT_EQ(object.GetIdText(), "0");
    object.SetId(0x2A);
    EXPECT_EQ(object.GetIdText(), "2a");
    EXPECT_EQ(object.GetIdentifier(), "ID");
    CKvUIObjectCheckBox unnamed(nullptr, 0, nullptr);
    EXPECT_EQ(unnamed.GetIdentifier(), "");
}

TEST(UIObjectIdentity, IdentifiersCompareExactly) {
    CKvUIObjectCheckBox a(nullptr, 0, "Name");
    CKvUIObjectCheckBox same(nullptr, 0, "Name");
    CKvUIObjectStatic other_class(nullptr, 0, "Name");
    CKvUIObjectCheckBox other_case(nullptr, 0, "name");
    CKvUIObjectCheckBox empty1(nullptr, 0, nullptr);
    CKvUIObjectCheckBox empty2(nullptr, 0, "");
    EXPECT_EQ(a.IsSameIdentifier(&same), TRUE);
    EXPECT_EQ(a.IsSameIdentifier(&other_class), TRUE);
    EXPECT_EQ(a.IsSameIdentifier(&other_case), FALSE);
    EXPECT_EQ(empty1.IsSameIdentifier(&empty2), TRUE);
    EXPECT_EQ(a.IsSameIdentifier(nullptr), FALSE);
}

TEST(UIObjectIdentity, TimerAndStateWordAreSharedState) {
    CKvUIObjectCheckBox source(nullptr, 0, nullptr);
    EXPECT_EQ(source.GetTimeoutTimer().GetInterval(), 1001);
    EXPECT_EQ(source.GetTimeoutTimer().GetState(), TimeoutTimer::kIdle);
    EXPECT_EQ(source.GetTimeoutTimer().GetId(), 0u);
    EXPECT_EQ(source.GetTimeoutTimer().GetClockKind(), 0u);
    EXPECT_EQ(source.GetState(), 0u);
    source.GetState() = 7;
    source.GetTimeoutTimer().SetInterval(2, 0);
    CKvUIObjectCheckBox target(nullptr, 0, nullptr);
    target = source;
    EXPECT_EQ(target.GetState(), 7u);
    EXPECT_EQ(target.GetTimeoutTimer().GetInterval(), 2000);
    target.Reset();
    EXPECT_EQ(target.GetState(), 0u);
}

// ---- Child identifiers ----

TEST(UIObjectChildIdentifiers, SplitKeepsFirstOccurrencesInOrder) {
    CKvUIObjectCheckBox object(nullptr, 0, nullptr);
    object.SetChildIdentifierListText(" a , b ,a,");
    EXPECT_EQ(object.GetChildIdentifierCount(), 3u);
    std::string text;
    EXPECT_EQ(object.GetChildIdentifierListText(text), "a,b,");

    std::string identifier;
    std::size_t position = 0;
    ASSERT_EQ(object.GetNextChildIdentifier(identifier, position), TRUE);
    EXPECT_EQ(identifier, "a");
    ASSERT_EQ(object.GetNextChildIdentifierAt(identifier, position), TRUE);
    EXPECT_EQ(identifier, "b");
    ASSERT_EQ(object.GetNextChildIdentifierAt(identifier, position), TRUE);
    EXPECT_EQ(identifier, "");
    EXPECT_EQ(object.GetNextChildIdentifierAt(identifier, position), FALSE);

    // The list text is kept apart.
    EXPECT_EQ(object.GetChildIdentifierList(), "");
    object.SetChildIdentifierListText("");
    EXPECT_EQ(object.GetChildIdentifierCount(), 0u);
    EXPECT_EQ(object.GetNextChildIdentifier(identifier, position), FALSE);
}

TEST(UIObjectChildIdentifiers, TheLimitBoundsTheSet) {
    std::string many;
    for (int i = 0; i < 300; ++i)
        many += (i ? "," : "") + ("id" + std::to_string(i));
    CKvUIObjectCheckBox object(nullptr, 0, nullptr);
    object.SetChildIdentifierListText(many);
    EXPECT_EQ(object.GetChildIdentifierCount(), 256u);
    std::string identifier;
    std::size_t position = 255;
    object.GetNextChildIdentifierAt(identifier, position);
    EXPECT_EQ(identifier, "id255");

    CKvUIObjectEdit edit(nullptr, 0, nullptr);
    EXPECT_EQ(edit.GetChildIdentifierLimit(), 0u);
    edit.SetChildIdentifierListText("a,b");
    EXPECT_EQ(edit.GetChildIdentifierCount(), 0u);
    object.AddChildIdentifier("x");
    object.AddChildIdentifier("x");
    EXPECT_EQ(object.GetChildIdentifierCount(), 257u);
    object.RemoveAllChildIdentifiers();
    EXPECT_EQ(object.GetChildIdentifierCount(), 0u);
}

// ---- The XML form ----

constexpr std::string_view kBoxElement = "<UIOBJECTCHECKBOX identifier=\"B\">"
                                         "<width>10</width><Width>99</Width><height>x</height>"
                                         "<!-- note --><width>12</width><imagewidth>3</imagewidth>"
                                         "<fontstyle>FS_ITALIC</fontstyle>"
                                         "</UIOBJECTCHECKBOX>";

TEST(UIObjectXmlForm, ReadingFailsOnlyOnStructure) {
    CKvUIObjectCheckBox object(nullptr, 0, nullptr);
    EXPECT_EQ(ReadXmlText(object, kBoxElement), KV_OK);
    EXPECT_EQ(object.GetIdentifier(), "B");
    EXPECT_EQ(object.GetWidth(), 12); // repeated: the later wins; "Width" is no key
    EXPECT_EQ(object.GetHeight(), 0); // the bad value as its setter leaves it
    EXPECT_EQ(object.GetImageWidth(), 3);
    EXPECT_EQ(object.GetFontStyle(), 0u); // not a key of the check box

    // A bad number last is no failure either.
    EXPECT_EQ(ReadXmlText(object, "<UIOBJECTCHECKBOX identifier=\"B\"><imageheight>7</imageheight>"
                                  "<imagewidth>x</imagewidth></UIOBJECTCHECKBOX>"),
              KV_OK);
    EXPECT_EQ(object.GetImageWidth(), 0);
    EXPECT_EQ(object.GetImageHeight(), 7);
    EXPECT_EQ(object.GetResult(), KV_OK);
}

TEST(UIObjectXmlForm, ElementWithoutIdentifierChangesNothing) {
    CKvUIObjectCheckBox object(nullptr, 0, "Keep");
    const std::string before = XmlText(object);
    EXPECT_EQ(ReadXmlText(object, "<UIOBJECTCHECKBOX><width>5</width></UIOBJECTCHECKBOX>"),
              KV_E_NOT_FOUND);
    EXPECT_EQ(object.GetResult(), KV_E_NOT_FOUND);
    EXPECT_EQ(XmlText(object), before);
    EXPECT_EQ(object.ReadXml(nullptr), KV_E_INVALID_POINTER);
}

TEST(UIObjectXmlForm, ReadingLeavesTheDocumentAsItWas) {
    XmlDocument document;
    document.Parse("<UIOBJECTSTATIC identifier=\"S\"><flagborder>true</flagborder>"
                   "<backgroundimageridorfile> 12 </backgroundimageridorfile></UIOBJECTSTATIC>");
    const XmlNode* element = document.GetRoot()->GetChildList()[0];
    CKvUIObjectStatic object(nullptr, 0, nullptr);
    EXPECT_EQ(object.ReadXml(element), KV_OK);
    EXPECT_EQ(object.GetFlagBorder(), 1u);
    std::string text;
    document.GetText(text);
    EXPECT_NE(text.find("<flagborder>true</flagborder>"), std::string::npos);
    EXPECT_NE(text.find("<backgroundimageridorfile> 12 </backgroundimageridorfile>"),
              std::string::npos);
}

TEST(UIObjectXmlForm, WritingNeedsAParentOfTheSameDocument) {
    CKvUIObjectCheckBox object(nullptr, 0, "B");
    XmlDocument document;
    XmlNode* out = document.GetRoot();
    EXPECT_EQ(object.WriteXml(out, document, nullptr), KV_E_INVALID_POINTER);
    EXPECT_EQ(out, nullptr);

    XmlDocument other;
    EXPECT_EQ(object.WriteXml(out, document, other.GetRoot()), KV_E_FAIL);
    EXPECT_EQ(object.GetResult(), KV_E_FAIL);
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(out->GetChildList().empty());
    EXPECT_TRUE(other.GetRoot()->GetChildList().empty());
}

// ---- The DOM form ----

TEST(UIObjectDomForm, EmptyPointersReportTheMissingInterface) {
    CKvUIObjectCheckBox object(nullptr, 0, "B");
    EXPECT_EQ(object.ReadDom(DomNodePtr()), KV_E_NULL_INTERFACE);
    DomDocumentPtr document;
    CreateDomDocument(document);
    document->loadXML("<ROOT/>");
    DomElementPtr root;
    document->get_documentElement(root);
    EXPECT_EQ(object.WriteDom(DomDocumentPtr(), root), KV_E_NULL_INTERFACE);
    EXPECT_EQ(object.WriteDom(document, DomNodePtr()), KV_E_NULL_INTERFACE);
    EXPECT_EQ(object.GetResult(), KV_E_NULL_INTERFACE);
    std::string xml;
    root->get_xml(xml);
    EXPECT_EQ(xml, "<ROOT/>");
}

TEST(UIObjectDomForm, WritingStopsAtTheFirstFailingCall) {
    CKvUIObjectCheckBox object(nullptr, 0, "B");
    auto refusing = std::make_shared<RefusingDomNode>();
    DomDocumentPtr document;
    CreateDomDocument(document);
    EXPECT_EQ(object.WriteDom(document, DomNodePtr(refusing)), KV_E_FAIL);
    EXPECT_EQ(refusing->calls, 1);

    // The third key element cannot be created: two keys are written.
    auto failing =
        std::make_shared<FailingDomDocument>(FailingDomDocument::Call::kCreateElement, 4);
    DomElementPtr root;
    failing->Real()->get_documentElement(root);
    EXPECT_EQ(object.WriteDom(DomDocumentPtr(failing), root), KV_E_FAIL);
    std::string xml;
    root->get_xml(xml);
    EXPECT_EQ(xml, "<ROOT><UIOBJECTCHECKBOX identifier=\"B\"><width>0</width><height>0</height>"
                   "</UIOBJECTCHECKBOX></ROOT>");
}

TEST(UIObjectDomForm, ReadingTakesNoIdentifierAndMatchesNamesExactly) {
    CKvUIObjectCheckBox object(nullptr, 0, "Mine");
    EXPECT_EQ(ReadDomText(object, "<UIOBJECTCHECKBOX identifier=\"Other\"><Width>4</Width>"
                                  "<height><b>1</b>2</height><tooltiptext/>"
                                  "<imagewidth>bad</imagewidth></UIOBJECTCHECKBOX>"),
              KV_OK);
    EXPECT_EQ(object.GetIdentifier(), "Mine");
    EXPECT_EQ(object.GetWidth(), 0);
    EXPECT_EQ(object.GetHeight(), 12);
    EXPECT_EQ(object.GetTooltipText(), "");
    EXPECT_EQ(ReadDomText(object, "<UIOBJECTCHECKBOX/>"), KV_OK);
}

// The names of the key elements a fresh description writes in its DOM form,
// with a blank after each.
std::string DomKeyNames(CKvUIObject& object) {
    DomDocumentPtr document;
    CreateDomDocument(document);
    document->loadXML("<ROOT/>");
    DomElementPtr root;
    document->get_documentElement(root);
    EXPECT_EQ(object.WriteDom(document, root), KV_OK);
    DomNodeListPtr elements;
    root->get_childNodes(elements);
    DomNodePtr element;
    elements->nextNode(element);
    std::string names;
    if (!element)
        return names;
    DomNodeListPtr keys;
    element->get_childNodes(keys);
    for (DomNodePtr key; keys->nextNode(key) == KV_OK && key;) {
        std::string name;
        key->get_nodeName(name);
        names += name + " ";
    }
    return names;
}

struct DomOrder {
    std::string name;
    std::function<std::unique_ptr<CKvUIObject>()> make;
    std::string keys;
};

// The keys as DomKeyNames gives them: one blank after each.
template <typename Description> DomOrder Row(const std::string& keys) {
    std::istringstream words(keys);
    std::string names;
    for (std::string word; words >> word;)
        names += word + " ";
    const std::unique_ptr<CKvUIObject> sample = std::make_unique<Description>(nullptr, 0, nullptr);
    return {std::string(UIObjectElementName(sample->GetTypeCode())),
            [] { return std::make_unique<Description>(nullptr, 0, nullptr); }, names};
}

TEST(UIObjectDomForm, EveryClassWritesItsKeysInItsDomOrder) {
    // Runs that several classes share.
    const std::string kHead = "width height positionx positiony backgroundcolor textcolor "
                              "transparentcolor roundedgex roundedgey ";
    const std::string kBackground =
        "backgroundimageridorfile flagbackgroundwallpaper flagbackgroundimagehastransparent "
        "flagbackgroundimageispacked flagsizefollowbackgroundimage childidentifierlist ";
    const std::string kImage =
        "flagroundedgeleft flagroundedgeright flagbuttonasstatic imagewidth imageheight "
        "imagepositionx imagepositiony flagborder flagimageborder imageroundedgex "
        "imageroundedgey ";
    const std::string kButtons =
        "backgroundcolorrangestart windowstyle fontweight textbackgroundcolor buttonwidth "
        "buttonheight buttonviewablecount buttonspace style scrollbarspace "
        "scrollbarthickness textwidth textheight textpositionx textpositiony fontstyle "
        "fontescapement textstyle";
    const DomOrder orders[] = {
        Row<CKvUIObjectDialog>(
            kHead + kBackground +
            "uiid backgroundcolorrangestart style borderimageridorfile text windowstyle "
            "dialogstyle windowstyleex"),
        Row<CKvUIObjectXPButton>(
            kHead + kBackground +
            "text textmagnify uiid flagroundedgeleft flagroundedgeright flagroundedgetop "
            "flagroundedgebottom fontweight fontstyle fontescapement textstyle "
            "flagbuttonasstatic text2 tooltiptext tooltipwidth"),
        Row<CKvUIObjectImageButton>(kHead + kBackground + "text textmagnify uiid " + kImage),
        Row<CKvUIObjectStaticGroupBox>(
            "width height positionx positiony backgroundcolor textcolor transparentcolor "
            "pencolor roundedgex roundedgey " +
            kBackground + "text textmagnify uiid " + kImage + "textstyle anchoridentifier"),
        Row<CKvUIObjectStatic>(
            kHead + kBackground + "text textmagnify uiid " + kImage +
            "backgroundcolorrangestart fontweight style fontstyle fontescapement textstyle "
            "anchoridentifier"),
        Row<CKvUIObjectEdit>(
            kHead + kBackground + "text textmagnify uiid " + kImage +
            "backgroundcolorrangestart flagonlyia5chars flagrestricted editstyle windowstyle "
            "fontweight windowstyleex tooltiptext tooltipwidth anchoridentifier"),
        Row<CKvUIObjectCheckBox>(
            kHead + kBackground + "text textmagnify uiid " + kImage +
            "backgroundcolorrangestart windowstyle fontweight textbackgroundcolor "
            "tooltiptext tooltipwidth anchoridentifier"),
        Row<CKvUIObjectButtonLine>(kHead + kBackground + "text textmagnify uiid " + kImage +
                                   kButtons),
        Row<CKvUIObjectPropertySheet>(
            kHead + kBackground + "text textmagnify uiid " + kImage +
            "backgroundcolorrangestart windowstyle fontweight textbackgroundcolor"),
        Row<CKvUIObjectListCtrl>(
            kHead + kBackground +
            "uiid backgroundcolorrangestart listctrlstyle borderimageridorfile "
            "headernamelist windowstyle listctrlexstyle"),
        Row<CKvUIObjectComboBoxEx>(
            kHead + kBackground +
            "uiid backgroundcolorrangestart style borderimageridorfile textentries "
            "comboboxstyle windowstyle"),
        Row<CKvUIObjectTreeCtrl>(
            kHead + kBackground + "text textmagnify uiid " + kImage +
            "backgroundcolorrangestart flagonlyia5chars flagrestricted treectrlstyle "
            "windowstyle fontweight windowstyleex"),
        Row<CKvUIObjectListBox>(
            kHead + kBackground +
            "uiid backgroundcolorrangestart style borderimageridorfile headernamelist "
            "textmagnify fontweight fontstyle fontescapement listboxstyle windowstyle"),
        Row<CKvUIObjectString>(
            kHead + kBackground +
            "uiid backgroundcolorrangestart style borderimageridorfile text windowstyle"),
        Row<CKvUIObjectButtonGroupLine>(kHead + kBackground + "text textmagnify uiid " + kImage +
                                        kButtons + " buttonidentifierlist scrollbarflipside"),
    };
    ASSERT_EQ(std::size(orders), 15u);
    for (std::size_t i = 0; i < std::size(orders); ++i) {
        const DomOrder& order = orders[i];
        EXPECT_EQ(order.name, UIObjectElementName(static_cast<std::uint32_t>(i) + 1));
        const std::unique_ptr<CKvUIObject> object = order.make();
        EXPECT_EQ(DomKeyNames(*object), order.keys) << order.name;
    }
}

} // namespace
