#include "guidesc/ui_object_combo_box_ex.h"

#include "guidesc/ui_object_list_ctrl.h"
#include "guidesc_test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr std::string_view kPopulated = "combo_box_ex_populated.xml";

TEST(CKvUIObjectComboBoxExTest, NewDescriptionWritesEveryKeyWithItsDefault) {
    CKvUIObjectComboBoxEx description(nullptr, 3, nullptr);
    EXPECT_EQ(description.GetTypeCode(), 11u);
    EXPECT_EQ(XmlText(description), GoldenText("combo_box_ex_new.xml"));
}

TEST(CKvUIObjectComboBoxExTest, PopulatedDescriptionSurvivesReadingAndWriting) {
    ExpectGoldenRoundTrip<CKvUIObjectComboBoxEx>(kPopulated);
}

TEST(CKvUIObjectComboBoxExTest, ResetKeepsItsSubset) {
    ExpectResetKeeps<CKvUIObjectComboBoxEx>(
        kPopulated, {"backgroundcolor", "childidentifierlist", "height", "positionx", "positiony",
                     "style", "textcolor", "uiid", "width", "windowstyle"});
}

TEST(CKvUIObjectComboBoxExTest, AssignmentCopiesItsSubset) {
    ExpectAssignmentCopies<CKvUIObjectComboBoxEx>(
        kPopulated,
        {"anchoridentifier", "backgroundcolorrangestart", "backgroundimageridorfile",
         "borderimageridorfile", "comboboxstyle", "flagbackgroundimagehastransparent",
         "flagbackgroundimageispacked", "flagbackgroundwallpaper", "flagsizefollowbackgroundimage",
         "height", "positionx", "positiony", "roundedgex", "roundedgey", "style", "textentries",
         "transparentcolor", "width", "windowstyle"});
}

TEST(CKvUIObjectComboBoxExTest, CopyToRefusesAnotherClass) {
    CKvUIObjectComboBoxEx source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    CKvUIObjectListCtrl other(nullptr, 0, nullptr);
    const std::string before = XmlText(other);
    EXPECT_EQ(source.CopyTo(&other), FALSE);
    EXPECT_EQ(XmlText(other), before);
}

TEST(CKvUIObjectComboBoxExTest, TextEntriesSplitAtCommas) {
    CKvUIObjectComboBoxEx object(nullptr, 0, nullptr);
    EXPECT_EQ(ReadXmlText(object, "<UIOBJECTCOMBOBOXEX identifier=\"C\">"
                                  "<textentries>a;Alpha,b;Beta</textentries>"
                                  "</UIOBJECTCOMBOBOXEX>"),
              KV_OK);
    std::string text;
    EXPECT_EQ(object.GetTextEntries().GetCount(), 2u);
    EXPECT_EQ(object.GetTextEntriesText(text), "a;Alpha,b;Beta");

    CKvUIObjectComboBoxEx trailing(nullptr, 0, nullptr);
    EXPECT_EQ(ReadXmlText(trailing, "<UIOBJECTCOMBOBOXEX identifier=\"C\">"
                                    "<textentries>a;Alpha,</textentries></UIOBJECTCOMBOBOXEX>"),
              KV_OK);
    EXPECT_EQ(trailing.GetTextEntries().GetCount(), 2u);
    EXPECT_EQ(trailing.GetTextEntriesText(text), "a;Alpha,");
}

TEST(CKvUIObjectComboBoxExTest, TheAnchorIsTakenAsStored) {
    CKvUIObjectComboBoxEx object(nullptr, 0, nullptr);
    EXPECT_EQ(ReadXmlText(object, "<UIOBJECTCOMBOBOXEX identifier=\"C\">"
                                  "<anchoridentifier>a&amp;b</anchoridentifier>"
                                  "<textentries>x;&Uuml;ber</textentries>"
                                  "<height>40</height><width>x</width>"
                                  "</UIOBJECTCOMBOBOXEX>"),
              KV_OK);
    EXPECT_EQ(object.GetAnchorIdentifier(), "a&amp;b");
    std::string text;
    EXPECT_EQ(object.GetTextEntriesText(text), "x;\xDC"
                                               "ber");
    EXPECT_EQ(object.GetHeight(), 40);
}

TEST(CKvUIObjectComboBoxExTest, DomFormLeavesOutTheAnchor) {
    CKvUIObjectComboBoxEx source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    const std::string dom = DomText(source);
    EXPECT_EQ(dom.find("anchoridentifier"), std::string::npos);
    CKvUIObjectComboBoxEx copy(nullptr, 0, "Kept");
    EXPECT_EQ(ReadDomText(copy, dom), KV_OK);
    source.GetIdentifier() = "Kept";
    EXPECT_EQ(DomText(copy), DomText(source));
}

} // namespace
