#include "guidesc/ui_object_button_line.h"

#include "guidesc/ui_object_button_group_line.h"
#include "guidesc_test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr std::string_view kPopulated = "button_line_populated.xml";

TEST(CKvUIObjectButtonLineTest, NewDescriptionWritesEveryKeyWithItsDefault) {
    CKvUIObjectButtonLine description(nullptr, 5, nullptr);
    EXPECT_EQ(description.GetTypeCode(), 8u);
    EXPECT_EQ(description.GetId(), 0u);
    EXPECT_EQ(XmlText(description), GoldenText("button_line_new.xml"));
}

TEST(CKvUIObjectButtonLineTest, PopulatedDescriptionSurvivesReadingAndWriting) {
    ExpectGoldenRoundTrip<CKvUIObjectButtonLine>(kPopulated);
}

TEST(CKvUIObjectButtonLineTest, ResetKeepsItsSubset) {
    ExpectResetKeeps<CKvUIObjectButtonLine>(
        kPopulated,
        {"backgroundcolor", "childidentifierlist", "fontescapement", "fontstyle", "fontweight",
         "height", "positionx", "positiony", "style", "text", "textbackgroundcolor", "textcolor",
         "textmagnify", "textstyle", "uiid", "width", "windowstyle"});
}

TEST(CKvUIObjectButtonLineTest, AssignmentCopiesItsSubset) {
    ExpectAssignmentCopies<CKvUIObjectButtonLine>(kPopulated, {"backgroundcolorrangestart",
                                                               "backgroundimageridorfile",
                                                               "buttonheight",
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
                                                               "scrollbarspace",
                                                               "scrollbarthickness",
                                                               "textheight",
                                                               "textpositionx",
                                                               "textpositiony",
                                                               "textstyle",
                                                               "textwidth",
                                                               "transparentcolor"});
}

TEST(CKvUIObjectButtonLineTest, CopyToRefusesAnotherClass) {
    CKvUIObjectButtonLine source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    CKvUIObjectButtonGroupLine other(nullptr, 0, nullptr);
    const std::string before = XmlText(other);
    EXPECT_EQ(source.CopyTo(&other), FALSE);
    EXPECT_EQ(XmlText(other), before);
}

TEST(CKvUIObjectButtonLineTest, DomFormReadsBackWhatItWrites) {
    CKvUIObjectButtonLine source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    const std::string dom = DomText(source);
    CKvUIObjectButtonLine copy(nullptr, 0, nullptr);
    copy.GetIdentifier() = "Kept";
    EXPECT_EQ(ReadDomText(copy, dom), KV_OK);
    EXPECT_EQ(copy.GetIdentifier(), "Kept");
    source.GetIdentifier() = "Kept";
    EXPECT_EQ(DomText(copy), DomText(source));
}

TEST(CKvUIObjectButtonLineTest, StyleResultStaysWithTheTable) {
    CKvUIObjectButtonLine line(nullptr, 0, nullptr);
    line.SetButtonWidthText("4");
    EXPECT_EQ(line.SetStyleText("BLS_VERTICAL,NOSUCH"), KV_E_FAIL);
    EXPECT_EQ(line.GetStyle(), 1u);
    EXPECT_EQ(line.GetResult(), KV_OK);
    EXPECT_EQ(line.SetButtonViewableCountText("4 "), KV_OK);
    EXPECT_EQ(line.GetButtonViewableCount(), 4u);
    EXPECT_EQ(line.SetButtonSpaceText("-5"), KV_E_FAIL);
    EXPECT_EQ(line.GetButtonSpace(), 0u);
    EXPECT_EQ(line.SetButtonWidthText("-5"), KV_OK);
    EXPECT_EQ(line.GetButtonWidth(), -5);
}

} // namespace
