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

TEST(CKvUIObjectStaticTest, TransparentColourIsWrittenAsAColour) {
    CKvUIObjectStatic object(nullptr, 0, nullptr);
    EXPECT_EQ(ReadXmlText(object, "<UIOBJECTSTATIC identifier=\"S\">"
                                  "<transparentcolor>FF0000</transparentcolor>"
                                  "<style>MDS_DOCKABLE,NOSUCH</style></UIOBJECTSTATIC>"),
              KV_OK);
    EXPECT_EQ(object.GetTransparentColor(), 0x0000FFu);
    std::string text;
    EXPECT_EQ(object.GetTransparentColorText(text), "ff0000");
    EXPECT_EQ(object.GetStyle(), 0x10u);
    EXPECT_EQ(object.GetStyleText(text), "MDS_DOCKABLE");

    CKvUIObjectStatic copy(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(copy, XmlText(object)), KV_OK);
    EXPECT_EQ(copy.GetTransparentColor(), 0x0000FFu);
}

TEST(CKvUIObjectStaticTest, MostKeysAreTakenAsStored) {
    CKvUIObjectStatic object(nullptr, 0, nullptr);
    EXPECT_EQ(ReadXmlText(object, "<UIOBJECTSTATIC identifier=\"S\"><text>a&lt;b</text>"
                                  "<childidentifierlist>a&lt;b</childidentifierlist>"
                                  "<backgroundimageridorfile>a&lt;b</backgroundimageridorfile>"
                                  "</UIOBJECTSTATIC>"),
              KV_OK);
    EXPECT_EQ(object.GetText(), "a<b");
    EXPECT_EQ(object.GetChildIdentifierList(), "a&lt;b");
    EXPECT_EQ(object.GetBackgroundImageFile(), "a<b");
}

} // namespace
