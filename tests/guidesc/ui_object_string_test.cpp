#include "guidesc/ui_object_string.h"

#include "guidesc/ui_object_list_box.h"
#include "guidesc_test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr std::string_view kPopulated = "string_populated.xml";

TEST(CKvUIObjectStringTest, NewDescriptionWritesEveryKeyWithItsDefault) {
    CKvUIObjectString description(nullptr, 7, "UIObjString_X");
    EXPECT_EQ(description.GetTypeCode(), 14u);
    EXPECT_EQ(description.GetId(), 0u);
    EXPECT_EQ(description.GetIdentifier(), "UIObjString_X");
    description.GetIdentifier().clear();
    EXPECT_EQ(XmlText(description), GoldenText("string_new.xml"));
}

TEST(CKvUIObjectStringTest, PopulatedDescriptionSurvivesReadingAndWriting) {
    ExpectGoldenRoundTrip<CKvUIObjectString>(kPopulated);
}

TEST(CKvUIObjectStringTest, ResetKeepsItsSubset) {
    ExpectResetKeeps<CKvUIObjectString>(
        kPopulated, {"backgroundcolor", "childidentifierlist", "height", "positionx", "positiony",
                     "style", "text", "textcolor", "uiid", "width", "windowstyle"});
}

TEST(CKvUIObjectStringTest, AssignmentCopiesItsSubset) {
    ExpectAssignmentCopies<CKvUIObjectString>(
        kPopulated,
        {"backgroundcolor", "backgroundcolorrangestart", "backgroundimageridorfile",
         "borderimageridorfile", "flagbackgroundimagehastransparent", "flagbackgroundimageispacked",
         "flagbackgroundwallpaper", "flagsizefollowbackgroundimage", "roundedgex", "roundedgey",
         "style", "text", "transparentcolor", "windowstyle"});
}

TEST(CKvUIObjectStringTest, CopyToRefusesAnotherClass) {
    CKvUIObjectString source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    CKvUIObjectListBox other(nullptr, 0, nullptr);
    const std::string before = XmlText(other);
    EXPECT_EQ(source.CopyTo(&other), FALSE);
    EXPECT_EQ(XmlText(other), before);
}

TEST(CKvUIObjectStringTest, TextIsDecodedAndKeysMatchExactly) {
    CKvUIObjectString object(nullptr, 0, nullptr);
    EXPECT_EQ(ReadXmlText(object, "<UIOBJECTSTRING identifier=\"UIObjString_A\">"
                                  "<text>Schlie&szlig;en &lt; &#252;ben</text>"
                                  "<Text>ignored</Text>"
                                  "<flagbackgroundwallpaper>true</flagbackgroundwallpaper>"
                                  "<flagbackgroundimageispacked>1</flagbackgroundimageispacked>"
                                  "<transparentcolor>FF0000</transparentcolor>"
                                  "<transparentcolor>nothex</transparentcolor>"
                                  "<backgroundcolorrangestart>nothex</backgroundcolorrangestart>"
                                  "<borderimageridorfile> 305 </borderimageridorfile>"
                                  "</UIOBJECTSTRING>"),
              KV_OK);
    EXPECT_EQ(object.GetText(), "Schlie\xDF"
                                "en < \xFC"
                                "ben");
    EXPECT_EQ(object.GetFlagBackgroundWallpaper(), 1u);
    EXPECT_EQ(object.GetFlagBackgroundImageIsPacked(), 0u);
    EXPECT_EQ(object.GetTransparentColor(), 0x0000FFu); // the bad text keeps red
    EXPECT_EQ(object.GetBackgroundColorRangeStart(), 0u);
    EXPECT_EQ(object.GetBorderImageId(), 305u);
    EXPECT_EQ(object.GetBorderImageFile(), "305");
    EXPECT_EQ(object.GetWidth(), 0);
}

TEST(CKvUIObjectStringTest, DomFormReadsBackWhatItWrites) {
    CKvUIObjectString source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    const std::string dom = DomText(source);
    EXPECT_EQ(dom.find("<positiony>20</positiony><backgroundcolor>"), dom.find("<positiony>"));
    CKvUIObjectString copy(nullptr, 0, "Kept");
    EXPECT_EQ(ReadDomText(copy, dom), KV_OK);
    source.GetIdentifier() = "Kept";
    EXPECT_EQ(DomText(copy), DomText(source));
}

} // namespace
