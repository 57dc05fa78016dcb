#include "guidesc/ui_object_list_ctrl.h"

#include "guidesc/ui_object_combo_box_ex.h"
#include "guidesc_test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr std::string_view kPopulated = "list_ctrl_populated.xml";

TEST(CKvUIObjectListCtrlTest, NewDescriptionWritesEveryKeyWithItsDefault) {
    CKvUIObjectListCtrl description(nullptr, 3, nullptr);
    EXPECT_EQ(description.GetTypeCode(), 10u);
    EXPECT_EQ(description.GetListCtrlStyle(), 0u);
    EXPECT_EQ(XmlText(description), GoldenText("list_ctrl_new.xml"));
}

TEST(CKvUIObjectListCtrlTest, PopulatedDescriptionSurvivesReadingAndWriting) {
    ExpectGoldenRoundTrip<CKvUIObjectListCtrl>(kPopulated);
}

TEST(CKvUIObjectListCtrlTest, ResetKeepsItsSubset) {
    ExpectResetKeeps<CKvUIObjectListCtrl>(kPopulated, {"backgroundcolor", "childidentifierlist",
                                                       "height", "listctrlexstyle", "listctrlstyle",
                                                       "positionx", "positiony", "textcolor",
                                                       "uiid", "width", "windowstyle"});
}

TEST(CKvUIObjectListCtrlTest, AssignmentCopiesItsSubset) {
    ExpectAssignmentCopies<CKvUIObjectListCtrl>(
        kPopulated,
        {"backgroundcolorrangestart", "backgroundimageridorfile", "borderimageridorfile",
         "flagbackgroundimagehastransparent", "flagbackgroundimageispacked",
         "flagbackgroundwallpaper", "flagsizefollowbackgroundimage", "headernamelist",
         "listctrlexstyle", "listctrlstyle", "roundedgex", "roundedgey", "transparentcolor",
         "windowstyle"});
}

TEST(CKvUIObjectListCtrlTest, CopyToRefusesAnotherClass) {
    CKvUIObjectListCtrl source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    CKvUIObjectComboBoxEx other(nullptr, 0, nullptr);
    const std::string before = XmlText(other);
    EXPECT_EQ(source.CopyTo(&other), FALSE);
    EXPECT_EQ(XmlText(other), before);
}

TEST(CKvUIObjectListCtrlTest, HeaderNamesOfTwoKeysAddUp) {
    CKvUIObjectListCtrl object(nullptr, 0, nullptr);
    EXPECT_EQ(ReadXmlText(object, "<UIOBJECTLISTCTRL identifier=\"L\">"
                                  "<headernamelist>Name:0.5, Nummer:0.3</headernamelist>"
                                  "<width>abc</width>"
                                  "<headernamelist>Datum:0.2</headernamelist>"
                                  "</UIOBJECTLISTCTRL>"),
              KV_OK); // a bad number last is no failure
    EXPECT_EQ(object.GetHeaderNameList().GetCount(), 3u);
    std::string text;
    EXPECT_EQ(object.GetHeaderNameListText(text), "Name:0.5,Nummer:0.3,Datum:0.2");
    EXPECT_EQ(object.GetWidth(), 0);
}

TEST(CKvUIObjectListCtrlTest, DomReaderAlsoTakesTheFontKeys) {
    CKvUIObjectListCtrl object(nullptr, 0, nullptr);
    EXPECT_EQ(ReadDomText(object, "<UIOBJECTLISTCTRL><textmagnify>2.5</textmagnify>"
                                  "<fontweight>FW_BOLD</fontweight><fontstyle>FS_ITALIC</fontstyle>"
                                  "<fontescapement>900</fontescapement>"
                                  "<listctrlstyle>LVS_REPORT</listctrlstyle></UIOBJECTLISTCTRL>"),
              KV_OK);
    EXPECT_EQ(object.GetTextMagnify(), 2.5f);
    EXPECT_EQ(object.GetFontWeight(), 700u);
    EXPECT_EQ(object.GetFontStyle(), 1u);
    EXPECT_EQ(object.GetFontEscapement(), 900u);
    EXPECT_EQ(object.GetListCtrlStyle(), 1u);
    // The writers write none of them.
    const std::string dom = DomText(object);
    EXPECT_EQ(dom.find("font"), std::string::npos);
    EXPECT_EQ(dom.find("textmagnify"), std::string::npos);
    EXPECT_EQ(XmlText(object).find("font"), std::string::npos);

    CKvUIObjectListCtrl source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    CKvUIObjectListCtrl copy(nullptr, 0, "Kept");
    EXPECT_EQ(ReadDomText(copy, DomText(source)), KV_OK);
    source.GetIdentifier() = "Kept";
    EXPECT_EQ(DomText(copy), DomText(source));
}

} // namespace
