#include "guidesc/ui_object_check_box.h"

#include "guidesc/ui_object_edit.h"
#include "guidesc_test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr std::string_view kPopulated = "check_box_populated.xml";

TEST(CKvUIObjectCheckBoxTest, NewDescriptionWritesEveryKeyWithItsDefault) {
    CKvUIObjectCheckBox description(nullptr, 5, nullptr);
    EXPECT_EQ(description.GetTypeCode(), 7u);
    EXPECT_EQ(description.GetId(), 0u);
    EXPECT_EQ(XmlText(description), GoldenText("check_box_new.xml"));
}

TEST(CKvUIObjectCheckBoxTest, PopulatedDescriptionSurvivesReadingAndWriting) {
    ExpectGoldenRoundTrip<CKvUIObjectCheckBox>(kPopulated);
}

TEST(CKvUIObjectCheckBoxTest, ResetKeepsItsSubset) {
    ExpectResetKeeps<CKvUIObjectCheckBox>(
        kPopulated, {"backgroundcolor", "childidentifierlist", "fontweight", "height", "positionx",
                     "positiony", "text", "textbackgroundcolor", "textcolor", "textmagnify", "uiid",
                     "width", "windowstyle"});
}

TEST(CKvUIObjectCheckBoxTest, AssignmentCopiesItsSubset) {
    ExpectAssignmentCopies<CKvUIObjectCheckBox>(kPopulated, {"anchoridentifier",
                                                             "backgroundcolorrangestart",
                                                             "backgroundimageridorfile",
                                                             "flagbackgroundimagehastransparent",
                                                             "flagbackgroundimageispacked",
                                                             "flagbackgroundwallpaper",
                                                             "flagborder",
                                                             "flagbuttonasstatic",
                                                             "flagimageborder",
                                                             "flagroundedgeleft",
                                                             "flagroundedgeright",
                                                             "flagsizefollowbackgroundimage",
                                                             "fontweight",
                                                             "imageheight",
                                                             "imagepositionx",
                                                             "imagepositiony",
                                                             "imageroundedgex",
                                                             "imageroundedgey",
                                                             "imagewidth",
                                                             "roundedgex",
                                                             "roundedgey",
                                                             "text",
                                                             "textmagnify",
                                                             "tooltiptext",
                                                             "tooltipwidth",
                                                             "transparentcolor",
                                                             "uiid",
                                                             "windowstyle"});
}

TEST(CKvUIObjectCheckBoxTest, CopyToRefusesAnotherClass) {
    CKvUIObjectCheckBox source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    CKvUIObjectEdit other(nullptr, 0, nullptr);
    const std::string before = XmlText(other);
    EXPECT_EQ(source.CopyTo(&other), FALSE);
    EXPECT_EQ(XmlText(other), before);
}

TEST(CKvUIObjectCheckBoxTest, DomFormReadsBackWhatItWrites) {
    CKvUIObjectCheckBox source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    const std::string dom = DomText(source);
    CKvUIObjectCheckBox copy(nullptr, 0, nullptr);
    copy.GetIdentifier() = "Kept";
    EXPECT_EQ(ReadDomText(copy, dom), KV_OK);
    EXPECT_EQ(copy.GetIdentifier(), "Kept");
    source.GetIdentifier() = "Kept";
    EXPECT_EQ(DomText(copy), DomText(source));
}

TEST(CKvUIObjectCheckBoxTest, DomFormCarriesItsKeysInDomOrder) {
    CKvUIObjectCheckBox box(nullptr, 0, "UIObjCheckBox_A");
    const std::string dom = DomText(box);
    EXPECT_EQ(dom, GoldenText("check_box_new_dom.xml"));
    std::size_t children = 0;
    for (std::size_t at = dom.find("><"); at != std::string::npos; at = dom.find("><", at + 1))
        children += dom.compare(at, 3, "></") != 0 ? 1 : 0;
    EXPECT_EQ(children, 36u);

    CKvUIObjectCheckBox copy(nullptr, 0, nullptr);
    copy.GetWidth() = 5;
    copy.GetTransparentColor() = 0x123456;
    EXPECT_EQ(ReadDomText(copy, dom), KV_OK);
    EXPECT_EQ(copy.GetWidth(), 0);
    EXPECT_EQ(copy.GetTransparentColor(), 0xFFFFFFu);
    EXPECT_EQ(copy.GetIdentifier(), "");
}

TEST(CKvUIObjectCheckBoxTest, ColourSettersClearOrKeep) {
    CKvUIObjectCheckBox box(nullptr, 0, nullptr);
    EXPECT_EQ(box.SetBackgroundColorRangeStartText("zz"), KV_E_FAIL);
    EXPECT_EQ(box.GetBackgroundColorRangeStart(), 0u);
    EXPECT_EQ(box.SetTransparentColorText("zz"), KV_E_FAIL);
    EXPECT_EQ(box.GetTransparentColor(), 0xFFFFFFu);
    EXPECT_EQ(box.SetTransparentColorText("FF0000"), KV_OK);
    std::string text;
    EXPECT_EQ(box.GetTransparentColorText(text), "ff0000");
    EXPECT_EQ(box.SetImagePositionXText("-5"), KV_OK);
    EXPECT_EQ(box.GetImagePositionX(), -5);
    EXPECT_EQ(box.SetImageRoundEdgeXText("-5"), KV_E_FAIL);
    EXPECT_EQ(box.GetImageRoundEdgeX(), 0u);
}

} // namespace
