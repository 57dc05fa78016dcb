#include "guidesc/ui_object_list_box.h"

#include "guidesc/ui_object_tree_ctrl.h"
#include "guidesc_test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr std::string_view kPopulated = "list_box_populated.xml";

TEST(CKvUIObjectListBoxTest, NewDescriptionWritesEveryKeyWithItsDefault) {
    CKvUIObjectListBox description(nullptr, 3, nullptr);
    EXPECT_EQ(description.GetTypeCode(), 13u);
    EXPECT_EQ(XmlText(description), GoldenText("list_box_new.xml"));
}

TEST(CKvUIObjectListBoxTest, PopulatedDescriptionSurvivesReadingAndWriting) {
    ExpectGoldenRoundTrip<CKvUIObjectListBox>(kPopulated);
}

TEST(CKvUIObjectListBoxTest, ResetKeepsItsSubset) {
    ExpectResetKeeps<CKvUIObjectListBox>(kPopulated, {"backgroundcolor", "childidentifierlist",
                                                      "fontescapement", "fontstyle", "fontweight",
                                                      "height", "positionx", "positiony", "style",
                                                      "textcolor", "textmagnify", "uiid", "width"});
}

TEST(CKvUIObjectListBoxTest, AssignmentCopiesItsSubset) {
    ExpectAssignmentCopies<CKvUIObjectListBox>(
        kPopulated,
        {"backgroundcolorrangestart", "backgroundimageridorfile", "borderimageridorfile",
         "flagbackgroundimagehastransparent", "flagbackgroundimageispacked",
         "flagbackgroundwallpaper", "flagsizefollowbackgroundimage", "fontescapement", "fontstyle",
         "fontweight", "headernamelist", "listboxstyle", "roundedgex", "roundedgey", "style",
         "textmagnify", "transparentcolor", "uiid", "windowstyle"});
}

TEST(CKvUIObjectListBoxTest, CopyToRefusesAnotherClass) {
    CKvUIObjectListBox source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    CKvUIObjectTreeCtrl other(nullptr, 0, nullptr);
    const std::string before = XmlText(other);
    EXPECT_EQ(source.CopyTo(&other), FALSE);
    EXPECT_EQ(XmlText(other), before);
}

TEST(CKvUIObjectListBoxTest, StylesAndMagnifyReadTheirTexts) {
    CKvUIObjectListBox object(nullptr, 0, nullptr);
    EXPECT_EQ(ReadXmlText(object, "<UIOBJECTLISTBOX identifier=\"B\">"
                                  "<listboxstyle>LBS_NOTIFY,LBS_SORT</listboxstyle>"
                                  "<style>MDS_DOCKABLE</style><windowstyle>WS_CHILD</windowstyle>"
                                  "<headernamelist>a,b</headernamelist>"
                                  "<headernamelist>c</headernamelist>"
                                  "<textmagnify>1,5</textmagnify></UIOBJECTLISTBOX>"),
              KV_OK);
    EXPECT_EQ(object.GetListBoxStyle(), 0x3u);
    EXPECT_EQ(object.GetTextMagnify(), 1.0f);
    std::string text;
    EXPECT_EQ(object.GetHeaderNameListText(text), "a,b,c");
    object.Reset();
    EXPECT_EQ(object.GetListBoxStyle(), 0u);
    EXPECT_EQ(object.GetWindowStyle(), 0u);
    EXPECT_EQ(object.GetStyle(), 0x10u);
}

TEST(CKvUIObjectListBoxTest, DomWriterWritesTheFontKeysTheReaderSkips) {
    CKvUIObjectListBox source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    const std::string dom = DomText(source);
    EXPECT_NE(dom.find("<positiony>20</positiony><backgroundcolor>102030</backgroundcolor>"
                       "<textcolor>a0b0c0</textcolor><transparentcolor>ff0000</transparentcolor>"
                       "<roundedgex>5</roundedgex>"),
              std::string::npos);
    EXPECT_NE(dom.find("<textmagnify>1.500000</textmagnify><fontweight>550</fontweight>"
                       "<fontstyle>FS_ITALIC,FS_UNDERLINE</fontstyle>"
                       "<fontescapement>900</fontescapement>"),
              std::string::npos);

    CKvUIObjectListBox copy(nullptr, 0, "Kept");
    EXPECT_EQ(ReadDomText(copy, dom), KV_OK);
    EXPECT_EQ(copy.GetTextMagnify(), 1.0f);
    EXPECT_EQ(copy.GetFontWeight(), 400u);
    EXPECT_EQ(copy.GetFontStyle(), 0u);
    EXPECT_EQ(copy.GetFontEscapement(), 0u);
    EXPECT_EQ(copy.GetListBoxStyle(), 0x3u);
    std::string text;
    EXPECT_EQ(copy.GetHeaderNameListText(text), "Name:0.6,Ordner:0.4");
    EXPECT_EQ(copy.GetIdentifier(), "Kept");
}

} // namespace
