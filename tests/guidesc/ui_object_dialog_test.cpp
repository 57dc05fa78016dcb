#include "guidesc/ui_object_dialog.h"

#include "guidesc/ui_object_static.h"
#include "guidesc_test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr std::string_view kPopulated = "dialog_populated.xml";

TEST(CKvUIObjectDialogTest, NewDescriptionWritesEveryKeyWithItsDefault) {
    CKvUIObjectDialog description(nullptr, 5, nullptr);
    EXPECT_EQ(description.GetTypeCode(), 1u);
    EXPECT_EQ(description.GetId(), 0u);
    EXPECT_EQ(XmlText(description), GoldenText("dialog_new.xml"));
}

TEST(CKvUIObjectDialogTest, PopulatedDescriptionSurvivesReadingAndWriting) {
    ExpectGoldenRoundTrip<CKvUIObjectDialog>(kPopulated);
}

TEST(CKvUIObjectDialogTest, ResetKeepsItsSubset) {
    ExpectResetKeeps<CKvUIObjectDialog>(kPopulated, {"childidentifierlist", "height", "positionx",
                                                     "positiony", "style", "text", "textcolor",
                                                     "uiid", "width", "windowstyleex"});
}

TEST(CKvUIObjectDialogTest, AssignmentCopiesItsSubset) {
    ExpectAssignmentCopies<CKvUIObjectDialog>(
        kPopulated,
        {"backgroundcolor", "backgroundcolorrangestart", "backgroundimageridorfile",
         "borderimageridorfile", "dialogstyle", "diverseflags", "flagbackgroundimagehastransparent",
         "flagbackgroundimageispacked", "flagbackgroundwallpaper", "flagsizefollowbackgroundimage",
         "roundedgex", "roundedgey", "style", "text", "transparentcolor", "windowstyle",
         "windowstyleex"});
}

TEST(CKvUIObjectDialogTest, CopyToRefusesAnotherClass) {
    CKvUIObjectDialog source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    CKvUIObjectStatic other(nullptr, 0, nullptr);
    const std::string before = XmlText(other);
    EXPECT_EQ(source.CopyTo(&other), FALSE);
    EXPECT_EQ(XmlText(other), before);
}

TEST(CKvUIObjectDialogTest, DomFormReadsBackWhatItWrites) {
    CKvUIObjectDialog source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    const std::string dom = DomText(source);
    CKvUIObjectDialog copy(nullptr, 0, nullptr);
    copy.GetIdentifier() = "Kept";
    EXPECT_EQ(ReadDomText(copy, dom), KV_OK);
    EXPECT_EQ(copy.GetIdentifier(), "Kept");
    source.GetIdentifier() = "Kept";
    EXPECT_EQ(DomText(copy), DomText(source));
}

TEST(CKvUIObjectDialogTest, ElementWithOnlyTheIdentifierGivesTheDefaults) {
    CKvUIObjectDialog dialog(nullptr, 0, nullptr);
    EXPECT_EQ(ReadXmlText(dialog, "<UIOBJECTDIALOG identifier=\"D\"/>"), KV_OK);
    EXPECT_EQ(dialog.GetIdentifier(), "D");
    CKvUIObjectDialog fresh(nullptr, 0, "D");
    EXPECT_EQ(XmlText(dialog), XmlText(fresh));
    EXPECT_EQ(dialog.GetBackgroundColor(), 0xFFFFFFu);

    dialog.SetBorderImageText("0");
    EXPECT_EQ(dialog.GetBorderImageId(), 0u);
    EXPECT_EQ(dialog.GetBorderImageFile(), "0");
    dialog.SetBorderImageText(" 42 ");
    EXPECT_EQ(dialog.GetBorderImageId(), 42u);
    EXPECT_EQ(dialog.SetStyleText("MDS_DOCKABLE,NOSUCH"), KV_E_FAIL);
    EXPECT_EQ(dialog.GetStyle(), 0x10u);
}

} // namespace
