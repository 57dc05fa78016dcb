#include "guidesc/ui_object_image_button.h"

#include "guidesc/ui_object_xp_button.h"
#include "guidesc_test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr std::string_view kPopulated = "image_button_populated.xml";

TEST(CKvUIObjectImageButtonTest, NewDescriptionWritesEveryKeyWithItsDefault) {
    CKvUIObjectImageButton description(nullptr, 5, nullptr);
    EXPECT_EQ(description.GetTypeCode(), 3u);
    EXPECT_EQ(description.GetId(), 0u);
    EXPECT_EQ(XmlText(description), GoldenText("image_button_new.xml"));
}

TEST(CKvUIObjectImageButtonTest, PopulatedDescriptionSurvivesReadingAndWriting) {
    ExpectGoldenRoundTrip<CKvUIObjectImageButton>(kPopulated);
}

TEST(CKvUIObjectImageButtonTest, ResetKeepsItsSubset) {
    ExpectResetKeeps<CKvUIObjectImageButton>(
        kPopulated, {"backgroundcolor", "childidentifierlist", "fontescapement", "fontstyle",
                     "fontweight", "height", "positionx", "positiony", "text", "textcolor",
                     "textmagnify", "textstyle", "uiid", "width"});
}

TEST(CKvUIObjectImageButtonTest, AssignmentCopiesItsSubset) {
    ExpectAssignmentCopies<CKvUIObjectImageButton>(kPopulated, {"backgroundimageridorfile",
                                                                "flagbackgroundimagehastransparent",
                                                                "flagbackgroundimageispacked",
                                                                "flagbackgroundwallpaper",
                                                                "flagborder",
                                                                "flagbuttonasstatic",
                                                                "flagimageborder",
                                                                "flagroundedgeleft",
                                                                "flagroundedgeright",
                                                                "flagsizefollowbackgroundimage",
                                                                "imageheight",
                                                                "imagepositionx",
                                                                "imagepositiony",
                                                                "imageroundedgex",
                                                                "imageroundedgey",
                                                                "imagewidth",
                                                                "roundedgex",
                                                                "roundedgey",
                                                                "textheight",
                                                                "textpositionx",
                                                                "textpositiony",
                                                                "textwidth",
                                                                "transparentcolor"});
}

TEST(CKvUIObjectImageButtonTest, CopyToRefusesAnotherClass) {
    CKvUIObjectImageButton source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    CKvUIObjectXPButton other(nullptr, 0, nullptr);
    const std::string before = XmlText(other);
    EXPECT_EQ(source.CopyTo(&other), FALSE);
    EXPECT_EQ(XmlText(other), before);
}

TEST(CKvUIObjectImageButtonTest, DomFormReadsBackWhatItWrites) {
    CKvUIObjectImageButton source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    const std::string dom = DomText(source);
    CKvUIObjectImageButton copy(nullptr, 0, nullptr);
    copy.GetIdentifier() = "Kept";
    EXPECT_EQ(ReadDomText(copy, dom), KV_OK);
    EXPECT_EQ(copy.GetIdentifier(), "Kept");
    source.GetIdentifier() = "Kept";
    EXPECT_EQ(DomText(copy), DomText(source));
}

TEST(CKvUIObjectImageButtonTest, DomFormLeavesTextAreaAndFontOut) {
    CKvUIObjectImageButton source(nullptr, 0, "I");
    source.SetTextWidthText("40");
    source.SetFontWeightText("FW_BOLD");
    CKvUIObjectImageButton copy(nullptr, 0, nullptr);
    EXPECT_EQ(ReadDomText(copy, DomText(source)), KV_OK);
    EXPECT_EQ(copy.GetTextWidth(), 0);
    EXPECT_EQ(copy.GetFontWeight(), 400u);
}

} // namespace
