#include "data/data_server_user.h"

#include "data_test_support.h"

namespace {

void FillBob(CKvDataServerUser& user) {
    user.GetLoginName() = " bob ";
    user.GetLastName() = "Smith_";
    user.GetDeviceNumberList().SetFromText("21,22");
    COMPUTER_IDENT* entry = nullptr;
    ASSERT_EQ(user.GetComputerIdentList().Add(entry, "pc1", 0x0A000002, 21021), KV_OK);
    ASSERT_EQ(user.GetRuntimeComputerIdentList().Add(entry, "pc2", 0x0A000003, 21022), KV_OK);
    user.SetRuntimeWord(9);
}

TEST(DataServerUser, ResetAndReadingLeaveTheRuntimeMembersNew) {
    CKvDataServerUser user;
    FillBob(user);
    CKvDataServerUser copy;
    ASSERT_EQ(ReadXmlText(copy, XmlText(user)), KV_OK);
    EXPECT_EQ(copy.GetRuntimeComputerIdentList().GetCount(), 0u);
    EXPECT_EQ(copy.GetRuntimeWord(), 1u);
    user.Reset();
    EXPECT_EQ(user.GetRuntimeWord(), 1u);
    EXPECT_EQ(user.GetRuntimeComputerIdentList().GetCount(), 0u);
    ASSERT_EQ(ReadDomText(copy, "<S><loginname> bob </loginname><lastname>Smith_</lastname></S>"),
              KV_OK);
    EXPECT_EQ(copy.GetLoginName(), " bob "); // neither trimmed nor filtered
    EXPECT_EQ(copy.GetLastName(), "Smith_");
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

TEST(DataServerUser, CopyKeepsTheTargetContextAndClonesTheIdentitiesAndTheKeyIsExact) {
    FakeDataHandlerCatalog source_catalog;
    FakeDataHandlerCatalog target_catalog;
    CKvDataServerUser source(&source_catalog);
    FillBob(source);
    CKvDataServerUser target(&target_catalog);
    target = source;
    EXPECT_EQ(target.GetContext(), &target_catalog);
    EXPECT_EQ(target.GetRuntimeWord(), 9u);
    EXPECT_EQ(target.GetRuntimeComputerIdentList().GetCount(), 1u);
    const std::string text = XmlText(source);
    EXPECT_EQ(XmlText(target), text);
    COMPUTER_IDENT* entry = nullptr;
    COMPUTER_IDENT_LIST::Position position = 0;
    ASSERT_EQ(source.GetComputerIdentList().GetNext(entry, position), 1);
    entry->SetName("renamed");
    EXPECT_EQ(XmlText(target), text); // the target holds clones
    EXPECT_TRUE(target.IsSameKey(source));
    target.GetLoginName() = " Bob ";
    EXPECT_FALSE(target.IsSameKey(source));

    const CKvDataServerUser& same = source;
    source = same;
    EXPECT_EQ(source.GetRuntimeComputerIdentList().GetCount(), 1u);
}

} // namespace
