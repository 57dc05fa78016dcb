#include "data/data_server_user.h"

#include "data_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

void FillBob(CKvDataServerUser& user) {
    user.GetLoginName() = " bob ";
    user.GetFirstName() = "B\xF6<b";
    user.GetLastName() = "Smith_";
    user.GetHostNameIp() = "10.0.0.2";
    user.GetDeviceNumber() = "21";
    user.GetDeviceNumberList().SetFromText("21,22");
    COMPUTER_IDENT* entry = nullptr;
    ASSERT_EQ(user.GetComputerIdentList().Add(entry, "pc1", 0x0A000002, 21021), KV_OK);
    ASSERT_EQ(user.GetRuntimeComputerIdentList().Add(entry, "pc2", 0x0A000003, 21022), KV_OK);
    user.SetRuntimeWord(9);
}

TEST(DataServerUser, NewOrResetRecordWritesEmptyKeysAndAnEmptyIdentityList) {
    const std::string kNew =
        "<DATASERVERUSER><loginname /><firstname /><lastname /><hostnameip /><devicenmb />"
        "<devicenmbs /><COMPUTER_IDENT_LIST identifier=\"\" /></DATASERVERUSER>";
    CKvDataServerUser user(nullptr, 5);
    EXPECT_EQ(user.GetIdentifierText(), "0");
    EXPECT_EQ(user.GetRuntimeWord(), 1u);
    EXPECT_EQ(XmlText(user), kNew);
    FillBob(user);
    user.Reset();
    EXPECT_EQ(user.GetRuntimeWord(), 1u);
    EXPECT_EQ(user.GetRuntimeComputerIdentList().GetCount(), 0u);
    EXPECT_EQ(XmlText(user), kNew);
}

TEST(DataServerUser, RoundTripKeepsTextsAsTheyAreButNotTheRuntimeMembers) {
    CKvDataServerUser user;
    FillBob(user);
    const std::string text = XmlText(user);
    EXPECT_NE(text.find("<firstname>B&ouml;&lt;b</firstname>"), std::string::npos);
    EXPECT_NE(text.find("<devicenmbs>21,22</devicenmbs>"), std::string::npos);

    CKvDataServerUser copy;
    ASSERT_EQ(ReadXmlText(copy, text), KV_OK);
    EXPECT_EQ(copy.GetLoginName(), " bob "); // neither trimmed nor filtered
    EXPECT_EQ(copy.GetFirstName(), "B\xF6<b");
    EXPECT_EQ(copy.GetComputerIdentList().GetCount(), 1u);
    EXPECT_EQ(copy.GetRuntimeComputerIdentList().GetCount(), 0u);
    EXPECT_EQ(copy.GetRuntimeWord(), 1u);
    EXPECT_EQ(XmlText(copy), text);
}

TEST(DataServerUser, DeviceNumbersAreAddedToThoseHeldUpToTheListCapacity) {
    CKvDataServerUser user;
    user.GetDeviceNumberList().SetFromText("1,2");
    ASSERT_EQ(
        ReadXmlText(user, "<DATASERVERUSER><devicenmbs>3, 4 ,5</devicenmbs></DATASERVERUSER>"),
        KV_OK);
    std::string numbers;
    EXPECT_EQ(user.GetDeviceNumberList().GetText(numbers), "1,2,3,4,5");

    std::string many;
    for (int i = 0; i < 60; ++i)
        many += std::to_string(i) + ",";
    EXPECT_EQ(
        ReadXmlText(user, "<DATASERVERUSER><devicenmbs>" + many + "</devicenmbs></DATASERVERUSER>"),
        KV_OK); // refusals do not reach the record's result
    EXPECT_EQ(user.GetDeviceNumberList().GetCount(), BoundedStringList::kCapacity);
}

TEST(DataServerUser, KeyIsTheExactLoginName) {
    CKvDataServerUser a;
    CKvDataServerUser b;
    FillBob(a);
    b.GetLoginName() = " bob ";
    EXPECT_TRUE(a.IsSameKey(b));
    b.GetLoginName() = " Bob ";
    EXPECT_FALSE(a.IsSameKey(b));
}

TEST(DataServerUser, CopyKeepsTheTargetContextAndClonesTheIdentities) {
    FakeDataHandlerCatalog source_catalog;
    FakeDataHandlerCatalog target_catalog;
    CKvDataServerUser source(&source_catalog);
    FillBob(source);
    source.SetIdentifier(0x11);
    CKvDataServerUser target(&target_catalog);
    target = source;
    EXPECT_EQ(target.GetContext(), &target_catalog);
    EXPECT_EQ(target.GetIdentifierText(), "11");
    EXPECT_EQ(target.GetRuntimeWord(), 9u);
    EXPECT_EQ(target.GetRuntimeComputerIdentList().GetCount(), 1u);
    const std::string text = XmlText(source);
    EXPECT_EQ(XmlText(target), text);

    COMPUTER_IDENT* entry = nullptr;
    COMPUTER_IDENT_LIST::Position position = 0;
    ASSERT_EQ(source.GetComputerIdentList().GetNext(entry, position), 1);
    entry->SetName("renamed");
    EXPECT_EQ(XmlText(target), text); // the target holds clones
}

TEST(DataServerUser, SelfCopyKeepsTheRuntimeListAndCreateCopyOutlivesTheSource) {
    auto user = std::make_unique<CKvDataServerUser>();
    FillBob(*user);
    const std::string text = XmlText(*user);
    const CKvDataServerUser& same = *user;
    *user = same;
    EXPECT_EQ(user->GetRuntimeComputerIdentList().GetCount(), 1u);
    std::unique_ptr<CKvDataServerUser> copy;
    ASSERT_TRUE(user->CreateCopy(copy));
    user.reset();
    EXPECT_EQ(XmlText(*copy), text);
}

TEST(DataServerUser, DomFormHoldsNeitherListNorDeviceNumbers) {
    CKvDataServerUser user;
    FillBob(user);
    const std::string xml = DomText(user);
    EXPECT_EQ(xml, "<DATASERVERUSER id=\"0\"><loginname> bob </loginname>"
                   "<firstname>B\xC3\xB6&lt;b</firstname><lastname>Smith_</lastname>"
                   "<hostnameip>10.0.0.2</hostnameip><devicenmb>21</devicenmb>"
                   "</DATASERVERUSER>");
    CKvDataServerUser copy;
    EXPECT_EQ(ReadDomText(copy, xml), KV_OK);
    EXPECT_EQ(copy.GetLoginName(), " bob ");
    EXPECT_EQ(copy.GetFirstName(), "B\xF6<b");
    EXPECT_EQ(copy.GetLastName(), "Smith_"); // not filtered
}

} // namespace
