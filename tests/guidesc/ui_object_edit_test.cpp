#include "guidesc/ui_object_edit.h"

#include "guidesc/ui_object_static.h"
#include "guidesc_test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr std::string_view kPopulated = "edit_populated.xml";

TEST(CKvUIObjectEditTest, NewDescriptionWritesEveryKeyWithItsDefault) {
    CKvUIObjectEdit description(nullptr, 5, nullptr);
    EXPECT_EQ(description.GetTypeCode(), 6u);
    EXPECT_EQ(description.GetId(), 0u);
    EXPECT_EQ(XmlText(description), GoldenText("edit_new.xml"));
}

TEST(CKvUIObjectEditTest, PopulatedDescriptionSurvivesReadingAndWriting) {
    ExpectGoldenRoundTrip<CKvUIObjectEdit>(kPopulated);
}

TEST(CKvUIObjectEditTest, ResetKeepsItsSubset) {
    ExpectResetKeeps<CKvUIObjectEdit>(kPopulated, {"backgroundcolorrangestart",
                                                   "backgroundimageridorfile",
                                                   "editstyle",
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
                                                   "transparentcolor"});
}

TEST(CKvUIObjectEditTest, AssignmentCopiesItsSubset) {
    ExpectAssignmentCopies<CKvUIObjectEdit>(
        kPopulated, {"anchoridentifier", "backgroundcolor", "childidentifierlist",
                     "flagonlyia5chars", "flagrestricted", "fontweight", "height", "positionx",
                     "positiony", "text", "textcolor", "textmagnify", "tooltiptext", "tooltipwidth",
                     "uiid", "width", "windowstyle", "windowstyleex"});
}

TEST(CKvUIObjectEditTest, CopyToRefusesAnotherClass) {
    CKvUIObjectEdit source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    CKvUIObjectStatic other(nullptr, 0, nullptr);
    const std::string before = XmlText(other);
    EXPECT_EQ(source.CopyTo(&other), FALSE);
    EXPECT_EQ(XmlText(other), before);
}

TEST(CKvUIObjectEditTest, DomFormReadsBackWhatItWrites) {
    CKvUIObjectEdit source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    const std::string dom = DomText(source);
    CKvUIObjectEdit copy(nullptr, 0, nullptr);
    copy.GetIdentifier() = "Kept";
    EXPECT_EQ(ReadDomText(copy, dom), KV_OK);
    EXPECT_EQ(copy.GetIdentifier(), "Kept");
    source.GetIdentifier() = "Kept";
    EXPECT_EQ(DomText(copy), DomText(source));
}

TEST(CKvUIObjectEditTest, EditStyleKeepsKnownKeywords) {
    CKvUIObjectEdit edit(nullptr, 0, nullptr);
    EXPECT_EQ(edit.SetEditStyleText("ES_READONLY,NOSUCH"), KV_E_FAIL);
    EXPECT_EQ(edit.GetEditStyle(), 0x800u);
    std::string text;
    EXPECT_EQ(edit.GetEditStyleText(text), "ES_LEFT,ES_READONLY");
    EXPECT_EQ(ReadXmlText(edit, "<UIOBJECTEDIT identifier=\"E\"><editstyle> es_password "
                                "</editstyle><fontstyle>FS_ITALIC</fontstyle></UIOBJECTEDIT>"),
              KV_OK);
    EXPECT_EQ(edit.GetEditStyle(), 0x20u);
    EXPECT_EQ(edit.GetFontStyle(), 0u);
    edit.Reset();
    EXPECT_EQ(edit.GetEditStyle(), 0x20u);
}

TEST(CKvUIObjectEditTest, ResetClearsOwnerAndIdentifier) {
    int anchor = 0;
    auto* owner = reinterpret_cast<CKvUIObjectCatalog*>(&anchor);
    CKvUIObjectEdit edit(owner, 7, "Name");
    EXPECT_EQ(edit.GetOwner(), nullptr);
    EXPECT_EQ(edit.GetIdentifier(), "");
    EXPECT_EQ(edit.GetChildIdentifierLimit(), 0u);
    EXPECT_EQ(edit.GetWindowStyle(), 0x40000000u);
    std::string text;
    EXPECT_EQ(edit.GetWindowStyleText(text), "WS_CHILD");
    EXPECT_EQ(edit.GetTooltipWidth(), 200);
    EXPECT_EQ(edit.GetTextBackgroundColor(), 0xFFFFFFu);
    EXPECT_EQ(edit.SetTransparentColorText("FF0000"), KV_OK);
    EXPECT_EQ(edit.GetTransparentColorText(text), "ff0000");
}

} // namespace
