#include "data/data_contact_group.h"

#include "data_test_support.h"

namespace {

void Fill(CKvDataContactGroup& group) {
    group.GetName() = "  Sales <north> ";
    group.GetOwnerIdentifier() = " u17 ";
    group.GetComment() = "Kunden M\xFCller";
    group.GetBitfieldCategory().Set(0x80000001u);
    group.GetContact().GetLastName() = "Embedded";
    // After 1970, so that reading the contact back keeps it.
    group.GetContact().GetDateTimeLastCall().SetSeconds(3900000000u);
    KVSTRING* entry = nullptr;
    for (const char* member : {"c1", "c2"}) {
        std::string identifier = member;
        ASSERT_EQ(group.GetMemberList().CreateEntry(entry, identifier), KV_OK);
    }
}

TEST(DataContactGroup, RoundTripTrimsNameAndCommentAndNestsTheContact) {
    CKvDataContactGroup group;
    Fill(group);
    EXPECT_TRUE(WritesKey(group, "owneridentifier", " u17 "));
    EXPECT_EQ(group.GetName(), "Sales <north>"); // trimmed in place by writing
    CKvDataContactGroup copy;
    EXPECT_EQ(ReadXmlText(copy, XmlText(group)), KV_OK);
    EXPECT_EQ(copy.GetMemberList().GetCount(), 2u);

    group.GetName() = "   ";
    group.GetComment() = "\t";
    EXPECT_EQ(XmlText(group).find("<name"), std::string::npos);
    EXPECT_EQ(group.GetComment(), "");
}

TEST(DataContactGroup, KeyIsNameBarOwnerAndOnlyGroupsShareIt) {
    CKvDataContactGroup group;
    EXPECT_EQ(group.GetKey(), "|");
    group.GetName() = "a";
    group.GetOwnerIdentifier() = "b ";
    EXPECT_EQ(group.GetKey(), "a|b ");
    CKvDataContactGroup other;
    other.GetName() = "a";
    other.GetOwnerIdentifier() = "b ";
    EXPECT_TRUE(group.IsSameKey(other));
    other.GetOwnerIdentifier() = "b";
    EXPECT_FALSE(group.IsSameKey(other));
    TestRecord<K_KVDT_TP_DTHDLR_DATACONTACT> contact;
    contact.name_ = "a|b ";
    EXPECT_FALSE(group.IsSameKey(contact));
}

TEST(DataContactGroup, CopyAndResetLeaveTheBaseFieldsAndCloneHasIdentifierZero) {
    FakeDataHandlerCatalog catalog;
    CKvDataContactGroup group(&catalog, 8);
    Fill(group);
    group.SetFlagWord(4);
    CKvDataContactGroup target(nullptr, 3);
    target = group;
    EXPECT_EQ(target.GetIdentifier(), 3u);
    EXPECT_EQ(target.GetContext(), nullptr);
    EXPECT_EQ(target.GetFlagWord(), 0u);
    EXPECT_EQ(XmlText(target), XmlText(group));
    target.Reset();
    EXPECT_EQ(target.GetIdentifier(), 3u);
    CKvDataContactGroup blank;
    EXPECT_EQ(XmlText(target), XmlText(blank));

    std::unique_ptr<CKvDataHandler> clone;
    ASSERT_TRUE(group.Clone(clone));
    EXPECT_EQ(clone->GetIdentifier(), 0u);
}

} // namespace
