#include "guidesc/ui_object_property_sheet.h"

#include "guidesc/ui_object_string.h"
#include "guidesc_test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr std::string_view kPopulated = "property_sheet_populated.xml";

TEST(CKvUIObjectPropertySheetTest, NewDescriptionWritesEveryKeyWithItsDefault) {
    CKvUIObjectPropertySheet description(nullptr, 3, nullptr);
    EXPECT_EQ(description.GetTypeCode(), 9u);
    EXPECT_EQ(XmlText(description), GoldenText("property_sheet_new.xml"));
}

TEST(CKvUIObjectPropertySheetTest, PopulatedDescriptionSurvivesReadingAndWriting) {
    // Its uiid lies above 2^31: written unsigned, it reads back.
    ExpectGoldenRoundTrip<CKvUIObjectPropertySheet>(kPopulated);
}

TEST(CKvUIObjectPropertySheetTest, ResetKeepsItsSubset) {
    ExpectResetKeeps<CKvUIObjectPropertySheet>(
        kPopulated, {"backgroundcolor", "childidentifierlist", "fontweight", "height", "positionx",
                     "positiony", "text", "textbackgroundcolor", "textcolor", "textmagnify", "uiid",
                     "width", "windowstyle"});
}

TEST(CKvUIObjectPropertySheetTest, AssignmentCopiesItsSubset) {
    ExpectAssignmentCopies<CKvUIObjectPropertySheet>(kPopulated,
                                                     {"anchoridentifier",
                                                      "backgroundcolor",
                                                      "backgroundcolorrangestart",
                                                      "backgroundimageridorfile",
                                                      "flagbackgroundimagehastransparent",
                                                      "flagbackgroundimageispacked",
                                                      "flagbackgroundwallpaper",
                                                      "flagsizefollowbackgroundimage",
                                                      "fontweight",
                                                      "height",
                                                      "positionx",
                                                      "positiony",
                                                      "roundedgex",
                                                      "roundedgey",
                                                      "text",
                                                      "textbackgroundcolor",
                                                      "textcolor",
                                                      "textmagnify",
                                                      "transparentcolor",
                                                      "uiid",
                                                      "width",
                                                      "windowstyle"});
}

TEST(CKvUIObjectPropertySheetTest, CopyToRefusesAnotherClass) {
    CKvUIObjectPropertySheet source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    CKvUIObjectString other(nullptr, 0, nullptr);
    const std::string before = XmlText(other);
    EXPECT_EQ(source.CopyTo(&other), FALSE);
    EXPECT_EQ(XmlText(other), before);
}

TEST(CKvUIObjectPropertySheetTest, GeometryAloneLeavesTheDefaults) {
    CKvUIObjectPropertySheet object(nullptr, 0, nullptr);
    EXPECT_EQ(ReadXmlText(object,
                          "<UIOBJECTPROPERTYSHEET identifier=\"S\">"
                          "<positionx>10</positionx><positiony>20</positiony>"
                          "<width>300</width><height>200</height>"
                          "<flagborder>true</flagborder><flagimageborder>1</flagimageborder>"
                          "<backgroundimageridorfile>images\\sheet.bmp"
                          "</backgroundimageridorfile></UIOBJECTPROPERTYSHEET>"),
              KV_OK);
    EXPECT_EQ(object.GetPositionX(), 10);
    EXPECT_EQ(object.GetHeight(), 200);
    EXPECT_EQ(object.GetFlagBorder(), 1u);
    EXPECT_EQ(object.GetFlagImageBorder(), 0u);
    EXPECT_EQ(object.GetBackgroundImageFile(), "images\\sheet.bmp");
    EXPECT_EQ(object.GetBackgroundImageId(), 0u);
    EXPECT_EQ(object.GetTransparentColor(), 0xFFFFFFu);
    EXPECT_EQ(ReadXmlText(object, "<UIOBJECTPROPERTYSHEET><width>1</width>"
                                  "</UIOBJECTPROPERTYSHEET>"),
              KV_E_NOT_FOUND);
    EXPECT_EQ(object.GetWidth(), 300);
}

TEST(CKvUIObjectPropertySheetTest, DomFormLeavesOutTheAnchor) {
    CKvUIObjectPropertySheet source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    const std::string dom = DomText(source);
    EXPECT_EQ(dom.find("anchoridentifier"), std::string::npos);
    EXPECT_NE(dom.find("<textbackgroundcolor>e0e8f0</textbackgroundcolor></UIOBJECTPROPERTYSHEET>"),
              std::string::npos);
    CKvUIObjectPropertySheet copy(nullptr, 0, "Kept");
    EXPECT_EQ(ReadDomText(copy, "<UIOBJECTPROPERTYSHEET><anchoridentifier>A</anchoridentifier>"
                                "<textbackgroundcolor>ff</textbackgroundcolor>"
                                "</UIOBJECTPROPERTYSHEET>"),
              KV_OK);
    EXPECT_EQ(copy.GetAnchorIdentifier(), "");
    EXPECT_EQ(copy.GetTextBackgroundColor(), 0xFF0000u);
    EXPECT_EQ(ReadDomText(copy, dom), KV_OK);
    source.GetIdentifier() = "Kept";
    EXPECT_EQ(DomText(copy), DomText(source));
}

} // namespace
