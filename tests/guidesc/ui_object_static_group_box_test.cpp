#include "guidesc/ui_object_static_group_box.h"

#include "guidesc/ui_object_check_box.h"
#include "guidesc_test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr std::string_view kPopulated = "static_group_box_populated.xml";

TEST(CKvUIObjectStaticGroupBoxTest, NewDescriptionWritesEveryKeyWithItsDefault) {
    CKvUIObjectStaticGroupBox description(nullptr, 5, nullptr);
    EXPECT_EQ(description.GetTypeCode(), 4u);
    EXPECT_EQ(description.GetId(), 0u);
    EXPECT_EQ(XmlText(description), GoldenText("static_group_box_new.xml"));
}

TEST(CKvUIObjectStaticGroupBoxTest, PopulatedDescriptionSurvivesReadingAndWriting) {
    ExpectGoldenRoundTrip<CKvUIObjectStaticGroupBox>(kPopulated);
}

TEST(CKvUIObjectStaticGroupBoxTest, ResetKeepsItsSubset) {
    ExpectResetKeeps<CKvUIObjectStaticGroupBox>(
        kPopulated, {"backgroundcolor", "childidentifierlist", "height", "positionx", "positiony",
                     "text", "textcolor", "textmagnify", "textstyle", "uiid", "width"});
}

TEST(CKvUIObjectStaticGroupBoxTest, AssignmentCopiesItsSubset) {
    ExpectAssignmentCopies<CKvUIObjectStaticGroupBox>(
        kPopulated,
        {"anchoridentifier", "height", "pencolor", "positionx", "positiony", "roundedgex",
         "roundedgey", "text", "textcolor", "textmagnify", "uiid", "width"});
}

TEST(CKvUIObjectStaticGroupBoxTest, CopyToRefusesAnotherClass) {
    CKvUIObjectStaticGroupBox source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    CKvUIObjectCheckBox other(nullptr, 0, nullptr);
    const std::string before = XmlText(other);
    EXPECT_EQ(source.CopyTo(&other), FALSE);
    EXPECT_EQ(XmlText(other), before);
}

TEST(CKvUIObjectStaticGroupBoxTest, DomFormReadsBackWhatItWrites) {
    CKvUIObjectStaticGroupBox source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    const std::string dom = DomText(source);
    CKvUIObjectStaticGroupBox copy(nullptr, 0, nullptr);
    copy.GetIdentifier() = "Kept";
    EXPECT_EQ(ReadDomText(copy, dom), KV_OK);
    EXPECT_EQ(copy.GetIdentifier(), "Kept");
    source.GetIdentifier() = "Kept";
    EXPECT_EQ(DomText(copy), DomText(source));
}

TEST(CKvUIObjectStaticGroupBoxTest, PenColourClearsOnFailure) {
    CKvUIObjectStaticGroupBox box(nullptr, 0, nullptr);
    EXPECT_EQ(box.GetPenColor(), 0xC8D0D4u);
    std::string text;
    EXPECT_EQ(box.GetPenColorText(text), "d4d0c8");
    EXPECT_EQ(box.SetPenColorText("zz"), KV_E_FAIL);
    EXPECT_EQ(box.GetPenColor(), 0u);
    EXPECT_EQ(box.SetPenColorText(""), KV_E_FAIL);
    EXPECT_EQ(box.SetPenColorText("1000000"), KV_E_FAIL);
    EXPECT_EQ(box.SetPenColorText("D4D0C8"), KV_OK);
    EXPECT_EQ(box.GetPenColor(), 0xC8D0D4u);
}

} // namespace
