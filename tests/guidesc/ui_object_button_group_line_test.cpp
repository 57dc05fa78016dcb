#include "guidesc/ui_object_button_group_line.h"

#include "guidesc/ui_object_button_line.h"
#include "guidesc_test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr std::string_view kPopulated = "button_group_line_populated.xml";

TEST(CKvUIObjectButtonGroupLineTest, NewDescriptionWritesEveryKeyWithItsDefault) {
    CKvUIObjectButtonGroupLine description(nullptr, 5, nullptr);
    EXPECT_EQ(description.GetTypeCode(), 15u);
    EXPECT_EQ(description.GetId(), 0u);
    EXPECT_EQ(XmlText(description), GoldenText("button_group_line_new.xml"));
}

TEST(CKvUIObjectButtonGroupLineTest, PopulatedDescriptionSurvivesReadingAndWriting) {
    ExpectGoldenRoundTrip<CKvUIObjectButtonGroupLine>(kPopulated);
}

TEST(CKvUIObjectButtonGroupLineTest, ResetKeepsItsSubset) {
    ExpectResetKeeps<CKvUIObjectButtonGroupLine>(
        kPopulated,
        {"backgroundcolor", "childidentifierlist", "fontescapement", "fontstyle", "fontweight",
         "height", "positionx", "positiony", "style", "text", "textbackgroundcolor", "textcolor",
         "textmagnify", "textstyle", "uiid", "width", "windowstyle"});
}

TEST(CKvUIObjectButtonGroupLineTest, AssignmentCopiesItsSubset) {
    ExpectAssignmentCopies<CKvUIObjectButtonGroupLine>(kPopulated,
                                                       {"backgroundcolorrangestart",
                                                        "backgroundimageridorfile",
                                                        "buttonheight",
                                                        "buttonidentifierlist",
                                                        "buttonspace",
                                                        "buttonviewablecount",
                                                        "buttonwidth",
                                                        "flagbackgroundimagehastransparent",
                                                        "flagbackgroundimageispacked",
                                                        "flagbackgroundwallpaper",
                                                        "flagborder",
                                                        "flagbuttonasstatic",
                                                        "flagimageborder",
                                                        "flagroundedgeleft",
                                                        "flagroundedgeright",
                                                        "flagsizefollowbackgroundimage",
                                                        "fontescapement",
                                                        "fontstyle",
                                                        "imageheight",
                                                        "imagepositionx",
                                                        "imagepositiony",
                                                        "imageroundedgex",
                                                        "imageroundedgey",
                                                        "imagewidth",
                                                        "roundedgex",
                                                        "roundedgey",
                                                        "scrollbarflipside",
                                                        "scrollbarspace",
                                                        "scrollbarthickness",
                                                        "textheight",
                                                        "textpositionx",
                                                        "textpositiony",
                                                        "textstyle",
                                                        "textwidth",
                                                        "transparentcolor"});
}

TEST(CKvUIObjectButtonGroupLineTest, CopyToRefusesAnotherClass) {
    CKvUIObjectButtonGroupLine source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    CKvUIObjectButtonLine other(nullptr, 0, nullptr);
    const std::string before = XmlText(other);
    EXPECT_EQ(source.CopyTo(&other), FALSE);
    EXPECT_EQ(XmlText(other), before);
}

TEST(CKvUIObjectButtonGroupLineTest, DomFormReadsBackWhatItWrites) {
    CKvUIObjectButtonGroupLine source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    const std::string dom = DomText(source);
    CKvUIObjectButtonGroupLine copy(nullptr, 0, nullptr);
    copy.GetIdentifier() = "Kept";
    EXPECT_EQ(ReadDomText(copy, dom), KV_OK);
    EXPECT_EQ(copy.GetIdentifier(), "Kept");
    source.GetIdentifier() = "Kept";
    EXPECT_EQ(DomText(copy), DomText(source));
}

TEST(CKvUIObjectButtonGroupLineTest, AssignmentReplacesTheButtonList) {
    CKvUIObjectButtonGroupLine source(nullptr, 0, nullptr);
    source.SetButtonIdentifierListText("a,b,c");
    CKvUIObjectButtonGroupLine target(nullptr, 0, nullptr);
    target.SetButtonIdentifierListText("1,2,3,4,5");
    target = source;
    std::string text;
    EXPECT_EQ(target.GetButtonIdentifierListText(text), "a,b,c");

    target.SetScrollbarFlipSideText(" TRUE ");
    EXPECT_EQ(target.GetScrollbarFlipSide().Get(), 1);
    target.SetScrollbarFlipSideText("true");
    EXPECT_EQ(target.GetScrollbarFlipSide().Get(), 0);

    EXPECT_EQ(ReadXmlText(target, "<UIOBJECTBUTTONGROUPLINE identifier=\"L\">"
                                  "<buttonidentifierlist> x , y </buttonidentifierlist>"
                                  "<buttonidentifierlist>w</buttonidentifierlist>"
                                  "</UIOBJECTBUTTONGROUPLINE>"),
              KV_OK);
    EXPECT_EQ(target.GetButtonIdentifierListText(text), "a,b,c,x,y,w");
    target.Reset();
    EXPECT_EQ(target.GetButtonIdentifierList().GetCount(), 0u);
}

} // namespace
