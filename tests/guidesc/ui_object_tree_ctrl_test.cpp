#include "guidesc/ui_object_tree_ctrl.h"

#include "guidesc/ui_object_list_box.h"
#include "guidesc_test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr std::string_view kPopulated = "tree_ctrl_populated.xml";

TEST(CKvUIObjectTreeCtrlTest, NewDescriptionWritesEveryKeyWithItsDefault) {
    CKvUIObjectTreeCtrl description(nullptr, 3, nullptr);
    EXPECT_EQ(description.GetTypeCode(), 12u);
    EXPECT_EQ(XmlText(description), GoldenText("tree_ctrl_new.xml"));
}

TEST(CKvUIObjectTreeCtrlTest, PopulatedDescriptionSurvivesReadingAndWriting) {
    ExpectGoldenRoundTrip<CKvUIObjectTreeCtrl>(kPopulated);
}

TEST(CKvUIObjectTreeCtrlTest, ResetKeepsOnlyTheTreeStyle) {
    ExpectResetKeeps<CKvUIObjectTreeCtrl>(kPopulated, {"treectrlstyle"});
}

TEST(CKvUIObjectTreeCtrlTest, ResetClearsOwnerAndIdentifier) {
    auto* owner = reinterpret_cast<CKvUIObjectCatalog*>(0x1000);
    CKvUIObjectTreeCtrl object(owner, 5, "UIObjTreeCtrl_T");
    // The constructor's Reset already forgot them.
    EXPECT_EQ(object.GetOwner(), nullptr);
    EXPECT_EQ(object.GetIdentifier(), "");
    object.SetOwner(owner);
    object.GetIdentifier() = "UIObjTreeCtrl_T";
    object.GetChildIdentifierLimit() = 7;
    object.SetTooltipText("tip");
    object.Reset();
    EXPECT_EQ(object.GetOwner(), nullptr);
    EXPECT_EQ(object.GetIdentifier(), "");
    EXPECT_EQ(object.GetChildIdentifierLimit(), 0u);
    EXPECT_EQ(object.GetTooltipText(), "tip");
}

TEST(CKvUIObjectTreeCtrlTest, AssignmentCopiesItsSubset) {
    ExpectAssignmentCopies<CKvUIObjectTreeCtrl>(
        kPopulated, {"backgroundcolor", "childidentifierlist", "fontweight", "height", "positionx",
                     "positiony", "text", "textcolor", "textmagnify", "treectrlstyle", "uiid",
                     "width", "windowstyle", "windowstyleex"});
}

TEST(CKvUIObjectTreeCtrlTest, CopyToRefusesAnotherClass) {
    CKvUIObjectTreeCtrl source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    CKvUIObjectListBox other(nullptr, 0, nullptr);
    const std::string before = XmlText(other);
    EXPECT_EQ(source.CopyTo(&other), FALSE);
    EXPECT_EQ(XmlText(other), before);
}

TEST(CKvUIObjectTreeCtrlTest, ValuesReadAsTheirKindsSay) {
    CKvUIObjectTreeCtrl object(nullptr, 0, nullptr);
    EXPECT_EQ(ReadXmlText(object,
                          "<UIOBJECTTREECTRL identifier=\"T\">"
                          "<treectrlstyle>TVS_HASLINES,TVS_LINESATROOT,NOSUCH</treectrlstyle>"
                          "<width> 12 </width><height>1 2</height>"
                          "<flagrestricted>true</flagrestricted>"
                          "<flagonlyia5chars>1</flagonlyia5chars>"
                          "<backgroundimageridorfile> 130 </backgroundimageridorfile>"
                          "<backgroundcolor>1000000</backgroundcolor>"
                          "<textcolor>FF0000</textcolor></UIOBJECTTREECTRL>"),
              KV_OK);
    EXPECT_EQ(object.GetTreeCtrlStyle(), 0x6u);
    EXPECT_EQ(object.GetWidth(), 12);
    EXPECT_EQ(object.GetHeight(), 0);
    EXPECT_EQ(object.GetFlagRestricted(), 1u);
    EXPECT_EQ(object.GetFlagOnlyIA5Chars(), 0u);
    EXPECT_EQ(object.GetBackgroundImageFile(), "130");
    EXPECT_EQ(object.GetBackgroundImageId(), 130u);
    // A colour with a top byte is kept and written as it was read.
    EXPECT_EQ(object.GetBackgroundColor(), 0x1000000u);
    EXPECT_EQ(object.GetTextColor(), 0x0000FFu);
    const std::string xml = XmlText(object);
    EXPECT_NE(xml.find("<backgroundcolor>1000000</backgroundcolor><textcolor>ff0000</textcolor>"),
              std::string::npos);
}

TEST(CKvUIObjectTreeCtrlTest, WritingReportsALinkThatFails) {
    CKvUIObjectTreeCtrl object(nullptr, 0, nullptr);
    XmlDocument document;
    XmlDocument other;
    XmlNode* out = nullptr;
    EXPECT_EQ(object.WriteXml(out, document, other.GetRoot()), KV_E_FAIL);
    EXPECT_TRUE(other.GetRoot()->GetChildList().empty());
}

TEST(CKvUIObjectTreeCtrlTest, DomFormNamesTheTreeStyleFirst) {
    CKvUIObjectTreeCtrl source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(kPopulated)), KV_OK);
    const std::string dom = DomText(source);
    EXPECT_NE(dom.find("<treectrlstyle>TVS_HASLINES,TVS_LINESATROOT</treectrlstyle>"
                       "<windowstyle>WS_CHILD,WS_VISIBLE</windowstyle>"),
              std::string::npos);
    CKvUIObjectTreeCtrl copy(nullptr, 0, nullptr);
    copy.GetIdentifier() = "Kept";
    EXPECT_EQ(ReadDomText(copy, dom), KV_OK);
    source.GetIdentifier() = "Kept";
    EXPECT_EQ(DomText(copy), DomText(source));
}

} // namespace
