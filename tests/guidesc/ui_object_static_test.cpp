#include "guidesc/ui_object_static.h"

#include "guidesc/ui_object_static_group_box.h"
#include "guidesc_test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr std::string_view kPopulated = "static_populated.xml";

TEST(CKvUIObjectStaticTest, NewDescriptionWritesEveryKeyWithItsDefault) {
    CKvUIObjectStatic description(nullptr, 5, nullptr);
    EXPECT_EQ(description.GetTypeCode(), 5u);
    EXPECT_EQ(description.GetId(), 0u);
    EXPECT_EQ(XmlText(description), GoldenText("static_new.xml"));
}

TEST(CKvUIObjectStaticTest, PopulatedDescriptionSurvivesReadingAndWriting) {
    ExpectGoldenRoundTrip<CKvUIObjectStatic>(kPopulated);
}

TEST(CKvUIObjectStaticTest, ResetKeepsItsSubset) {
    ExpectResetKeeps<CKvUIObjectStatic>(
        kPopulated, {"backgroundcolor", "childidentifierlist", "fontescapement", "fontstyle",
                     "fontweight", "height", "positionx", "positiony", "style", "text", "textcolor",
                     "textmagnify", "uiid", "width"});
}

TEST(CKvUIObjectStaticTest, AssignmentCopiesItsSubset) {
    ExpectAssignmentCopies<CKvUIObjectStatic>(kPopulated, {"anchoridentifier",
                                                           "backgroundcolor",
                                                           "backgroundcolorrangestart",
                                                           "backgroundimageridorfile",
                                                           "flagbackgroundimagehastransparent",
                                                           "flagbackgroundimageispacked",
                                                           "flagbackgroundwallpaper",
                                                           "flagsizefollowbackgroundimage",
                                                           "fontescapement",
                                                           "fontstyle",
                                                           "fontweight",
                                                           "height",
                                                           "positionx",
                                                           "positiony",
                                                           "roundedgex",
                                                           "roundedgey",
                                                           "style",
                                                           "text",
                                                           "textcolor",
                                                           "textmagnify",
                                                           "textstyle",
                                                           "transparentcolor",
                                                           "uiid",
                                                           "width"});
}

TEST(CKvUIObjectStaticTest, CopyToRefusesAnotherClass) {
    CKvUIObjectStatic source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    CKvUIObjectStaticGroupBox other(nullptr, 0, nullptr);
    const std::string before = XmlText(other);
    EXPECT_EQ(source.CopyTo(&other), FALSE);
    EXPECT_EQ(XmlText(other), before);
}

TEST(CKvUIObjectStaticTest, DomFormReadsBackWhatItWrites) {
    CKvUIObjectStatic source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    const std::string dom = DomText(source);
    CKvUIObjectStatic copy(nullptr, 0, nullptr);
    copy.GetIdentifier() = "Kept";
    EXPECT_EQ(ReadDomText(copy, dom), KV_OK);
    EXPECT_EQ(copy.GetIdentifier(), "Kept");
    source.GetIdentifier() = "Kept";
    EXPECT_EQ(DomText(copy), DomText(source));
}

} // namespace
