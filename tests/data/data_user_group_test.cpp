#include "data/data_user_group.h"

#include "data_test_support.h"

namespace {

std::string Identifiers(const CKvDataUserGroup& group) {
    std::string list;
    group.FormatIdentifierList(list);
    return list;
}

CKvDataUser* FirstMember(const CKvDataUserGroup& group) {
    CKvDataUser* member = nullptr;
    CKvDataUserGroup::Position position = 0;
    group.GetFirstIdentifierPosition(position);
    group.GetNextMember(member, position);
    return member;
}

// Identifiers "u0" to "u<count - 1>".
std::string NumberedList(int count) {
    std::string list;
    for (int i = 0; i < count; ++i)
        list += (i > 0 ? ",u" : "u") + std::to_string(i);
    return list;
}

TEST(DataUserGroup, MaxIdentifiersOutsideZeroTo1024GiveTheLimit) {
    CKvDataUserGroup group;
    for (const auto& [given, expected] :
         {std::pair{-1, 1024}, {1024, 1024}, {1025, 1024}, {0, 0}}) {
        group.SetMaxIdentifiers(given);
        EXPECT_EQ(group.GetMaxIdentifiers(), expected) << given;
    }
    EXPECT_EQ(group.AddIdentifier("a"), KV_E_LIST_FULL);
}

TEST(DataUserGroup, OnlyTheGroupAllIsReadWithMoreThanSixteen) {
    for (const auto& [name, kept] :
         {std::pair{"ALL", 20}, {" ALL ", 20}, {"all", 16}, {"Team", 16}}) {
        CKvDataUserGroup group;
        ASSERT_EQ(ReadXmlText(group, std::string("<DATAUSERGROUP><name>") + name +
                                         "</name><identifierlist>" + NumberedList(20) +
                                         "</identifierlist></DATAUSERGROUP>"),
                  KV_OK);
        EXPECT_TRUE(Identifiers(group) == NumberedList(kept) &&
                    group.GetCount() == static_cast<std::uint32_t>(kept))
            << name;
    }
}

TEST(DataUserGroup, ReaderFiltersTheListAndTakesTheCountReadLast) {
    CKvDataUserGroup group;
    ASSERT_EQ(ReadXmlText(group, "<DATAUSERGROUP><name> Team_1 </name>"
                                 "<identifierlist>anna;1, [bob] ,anna;1</identifierlist>"
                                 "<count>7</count></DATAUSERGROUP>"),
              KV_OK);
    EXPECT_EQ(group.GetKey() + "|" + Identifiers(group) + "|" + std::to_string(group.GetCount()),
              "Team_1|anna;1,bob|7"); // name unfiltered, count read last
    group.ParseIdentifierList("x, x");
    EXPECT_EQ(group.GetCount(), 1u); // a duplicate counts once
}

TEST(DataUserGroup, CountTextFollowsTheRadixAndRemovalEndsAtZero) {
    CKvDataUserGroup group;
    group.SetCount(0, 16);
    EXPECT_EQ(group.GetCountText(), "00000000");
    group.SetCountText("1a", 16);
    ASSERT_EQ(group.AddIdentifier("a"), KV_OK);
    EXPECT_EQ(group.GetCountText(), "27");
    group.SetCount(1, 10);
    EXPECT_EQ(group.RemoveIdentifier("a"), KV_OK);
    EXPECT_EQ(group.GetCountText(), ""); // 0 in decimal is the empty text
    EXPECT_TRUE(group.RemoveIdentifier("a") == KV_E_NOT_PRESENT && group.GetCount() == 0);
}

TEST(DataUserGroup, CountReadFromTextSaturatesInsteadOfWrapping) {
    CKvDataUserGroup group;
    ASSERT_EQ(ReadXmlText(group, "<DATAUSERGROUP><count>2147483647</count></DATAUSERGROUP>"),
              KV_OK);
    ASSERT_EQ(group.AddIdentifier("a"), KV_OK);
    EXPECT_EQ(group.GetCountText(), "2147483648");
    group.SetCount(UINT32_MAX, 10);
    ASSERT_EQ(group.AddIdentifier("b"), KV_OK);
    EXPECT_EQ(group.GetCount(), UINT32_MAX);
    group.SetCountText("-3", 10);
    EXPECT_EQ(std::pair(group.GetCount(), group.GetCountText()), std::pair(0u, std::string("-3")));
}

// A store of users in key mode filed in a fake catalog.
class DataUserGroupResolve : public ::testing::Test {
protected:
    void SetUp() override {
        catalog_.File(K_KVDT_TP_DTHDLR_DATAUSER, &users_);
        AddUser("anna", "1");
        AddUser("bob", "");
    }

    void AddUser(std::string screen_name, std::string number) {
        auto user = std::make_unique<CKvDataUser>();
        user->SetScreenName(screen_name);
        user->SetPhoneNumberOut(number);
        ASSERT_EQ(users_.Add(user.get()), KV_OK);
        user.release();
    }

    FakeDataHandlerCatalog catalog_;
    CKvDataHandlerStore users_{K_KVDT_TP_DTHDLR_DATAUSER, 1, 10, "USERS", nullptr};
};

TEST_F(DataUserGroupResolve, CopiesTheUsersFoundAndCountsThem) {
    CKvDataUserGroup group(&catalog_);
    group.ParseIdentifierList("anna;1,ghost,bob");
    ASSERT_EQ(group.AddIdentifier(" bob "), KV_OK);          // looked up trimmed
    EXPECT_EQ(group.ResolveMembers(), KV_E_INVALID_POINTER); // "ghost"
    EXPECT_TRUE(group.GetCount() == 3 && group.GetRuntimeWordB() == 1u);

    std::string walked;
    CKvDataUserGroup::Position position = 0;
    ASSERT_TRUE(group.GetFirstIdentifierPosition(position));
    CKvDataUser* member = nullptr;
    while (group.GetNextMember(member, position))
        walked += member == nullptr ? std::string("-") : member->GetKey() + "|";
    EXPECT_EQ(walked, "anna;1|-bob|bob|");
    CKvDataHandler* stored = nullptr;
    ASSERT_TRUE(users_.LookupByKey(stored, "anna;1"));
    EXPECT_NE(FirstMember(group), stored); // a copy, not the stored record
}

TEST_F(DataUserGroupResolve, WithoutAStoreOfUsersNothingIsResolved) {
    CKvDataUserGroup orphan;
    orphan.ParseIdentifierList("anna;1");
    EXPECT_EQ(orphan.ResolveMembers(), KV_E_FAIL);
    FakeDataHandlerCatalog empty_catalog;
    CKvDataUserGroup group(&empty_catalog);
    group.ParseIdentifierList("anna;1");
    EXPECT_EQ(group.ResolveMembers(), KV_E_FAIL);
    EXPECT_EQ(group.GetRuntimeWordB() + group.GetCount(), 0u);
}

TEST_F(DataUserGroupResolve, CopyOfAResolvedGroupResolvesItsOwnMembers) {
    auto source = std::make_unique<CKvDataUserGroup>(&catalog_);
    SetText(*source, &CKvDataUserGroup::SetName, "ALL");
    source->SetMaxIdentifiers(1024);
    source->ParseIdentifierList("anna;1,bob");
    ASSERT_EQ(source->ResolveMembers(), KV_OK);

    CKvDataUserGroup target;
    target.SetRuntimeWordA(1);
    target = *source;
    source.reset();
    EXPECT_EQ(target.GetContext(), &catalog_);
    EXPECT_TRUE(target.GetMaxIdentifiers() == 1024 && target.GetRuntimeWordA() == 1u &&
                target.GetRuntimeWordB() == 1u);
    ASSERT_NE(FirstMember(target), nullptr); // its own copy: the source is gone
    EXPECT_EQ(FirstMember(target)->GetKey(), "anna;1");
}

TEST_F(DataUserGroupResolve, SelfCopyAndAddingAPresentIdentifierKeepTheResolvedMembers) {
    CKvDataUserGroup group(&catalog_);
    group.ParseIdentifierList("anna;1,bob");
    ASSERT_EQ(group.ResolveMembers(), KV_OK);
    CKvDataUser* first = FirstMember(group);
    ASSERT_NE(first, nullptr);
    const CKvDataUserGroup& same = group;
    group = same;
    EXPECT_TRUE(FirstMember(group) == first && group.GetRuntimeWordB() == 1u);
    EXPECT_EQ(group.AddIdentifier("anna;1"), KV_OK);
    EXPECT_TRUE(group.GetCount() == 2 && FirstMember(group) == first);
}

TEST(DataUserGroup, DomReaderTakesTheListAfterTheCount) {
    CKvDataUserGroup copy;
    EXPECT_EQ(ReadDomText(copy, "<DATAUSERGROUP><name>ALL</name><count>3</count>"
                                "<identifierlist>" +
                                    NumberedList(20) + ",[x]</identifierlist></DATAUSERGROUP>"),
              KV_OK);
    EXPECT_EQ(Identifiers(copy), NumberedList(20) + ",x");
    EXPECT_EQ(copy.GetCount(), 21u); // the list, read after the count, counts again
}

} // namespace
