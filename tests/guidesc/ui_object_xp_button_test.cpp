#include "guidesc/ui_object_xp_button.h"

#include "guidesc/ui_object_check_box.h"
#include "guidesc_test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr std::string_view kPopulated = "xp_button_populated.xml";

TEST(CKvUIObjectXPButtonTest, NewDescriptionWritesEveryKeyWithItsDefault) {
    CKvUIObjectXPButton description(nullptr, 5, nullptr);
    EXPECT_EQ(description.GetTypeCode(), 2u);
    EXPECT_EQ(description.GetId(), 0u);
    EXPECT_EQ(XmlText(description), GoldenText("xp_button_new.xml"));
}

TEST(CKvUIObjectXPButtonTest, PopulatedDescriptionSurvivesReadingAndWriting) {
    ExpectGoldenRoundTrip<CKvUIObjectXPButton>(kPopulated);
}

TEST(CKvUIObjectXPButtonTest, ResetKeepsItsSubset) {
    ExpectResetKeeps<CKvUIObjectXPButton>(
        kPopulated, {"backgroundcolor", "childidentifierlist", "fontescapement", "fontstyle",
                     "fontweight", "height", "positionx", "positiony", "textcolor", "textmagnify",
                     "textstyle", "uiid", "width"});
}

TEST(CKvUIObjectXPButtonTest, AssignmentCopiesItsSubset) {
    ExpectAssignmentCopies<CKvUIObjectXPButton>(kPopulated, {"anchoridentifier",
                                                             "backgroundimageridorfile",
                                                             "flagbackgroundimagehastransparent",
                                                             "flagbackgroundimageispacked",
                                                             "flagbackgroundwallpaper",
                                                             "flagbuttonasstatic",
                                                             "flagroundedgebottom",
                                                             "flagroundedgeleft",
                                                             "flagroundedgeright",
                                                             "flagroundedgetop",
                                                             "flagsizefollowbackgroundimage",
                                                             "fontescapement",
                                                             "fontstyle",
                                                             "fontweight",
                                                             "height",
                                                             "positionx",
                                                             "positiony",
                                                             "roundedgex",
                                                             "roundedgey",
                                                             "text",
                                                             "text2",
                                                             "textcolor",
                                                             "textheight",
                                                             "textmagnify",
                                                             "textpositionx",
                                                             "textpositiony",
                                                             "textstyle",
                                                             "textwidth",
                                                             "tooltiptext",
                                                             "tooltipwidth",
                                                             "transparentcolor",
                                                             "uiid",
                                                             "width"});
}

TEST(CKvUIObjectXPButtonTest, CopyToRefusesAnotherClass) {
    CKvUIObjectXPButton source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    CKvUIObjectCheckBox other(nullptr, 0, nullptr);
    const std::string before = XmlText(other);
    EXPECT_EQ(source.CopyTo(&other), FALSE);
    EXPECT_EQ(XmlText(other), before);
}

TEST(CKvUIObjectXPButtonTest, DomFormReadsBackWhatItWrites) {
    CKvUIObjectXPButton source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    const std::string dom = DomText(source);
    CKvUIObjectXPButton copy(nullptr, 0, nullptr);
    copy.GetIdentifier() = "Kept";
    EXPECT_EQ(ReadDomText(copy, dom), KV_OK);
    EXPECT_EQ(copy.GetIdentifier(), "Kept");
    source.GetIdentifier() = "Kept";
    EXPECT_EQ(DomText(copy), DomText(source));
}

TEST(CKvUIObjectXPButtonTest, DomFormLeavesTheCaptionRectangleOut) {
    CKvUIObjectXPButton source(nullptr, 0, "B");
    source.SetTextWidthText("40");
    source.GetAnchorIdentifier() = "A";
    const std::string dom = DomText(source);
    EXPECT_EQ(dom.find("textwidth"), std::string::npos);
    EXPECT_EQ(dom.find("anchoridentifier"), std::string::npos);
    EXPECT_EQ(dom.rfind("<UIOBJECTXPBUTTON identifier=\"B\"><width>0</width><height>0</height>"
                        "<positionx>0</positionx><positiony>0</positiony><backgroundcolor>",
                        0),
              0u);
    CKvUIObjectXPButton copy(nullptr, 0, nullptr);
    EXPECT_EQ(ReadDomText(copy, dom), KV_OK);
    EXPECT_EQ(copy.GetTextWidth(), 0);
    EXPECT_EQ(copy.GetAnchorIdentifier(), "");
}

TEST(CKvUIObjectXPButtonTest, AnchorIdentifierIsTakenAsStored) {
    CKvUIObjectXPButton button(nullptr, 0, nullptr);
    EXPECT_EQ(ReadXmlText(button, "<UIOBJECTXPBUTTON identifier=\"B\"><text>a&lt;b</text>"
                                  "<anchoridentifier>a&lt;b</anchoridentifier>"
                                  "<windowstyle>WS_CHILD</windowstyle></UIOBJECTXPBUTTON>"),
              KV_OK);
    EXPECT_EQ(button.GetText(), "a<b");
    EXPECT_EQ(button.GetAnchorIdentifier(), "a&lt;b");
    EXPECT_EQ(button.GetWindowStyle(), 0u);
}

TEST(CKvUIObjectXPButtonTest, CopyConstructionIsAClone) {
    CKvUIObjectXPButton source(nullptr, 0, "A");
    source.SetTextWidthText("40");
    source.GetBackgroundColor() = 0x123456;
    CKvUIObjectXPButton copy(source);
    EXPECT_EQ(copy.GetTextWidth(), 40);
    EXPECT_EQ(copy.GetIdentifier(), "");
    EXPECT_EQ(copy.GetBackgroundColor(), 0xFFFFFFu);
}

} // namespace
