#include "data/data_handler.h"

#include "data_test_support.h"

namespace {

using ContactLike = TestRecord<K_KVDT_TP_DTHDLR_DATACONTACT>;
using CallLike = TestRecord<K_KVDT_TP_DTHDLR_DATACALL>;
using GroupLike = TestRecord<K_KVDT_TP_DTHDLR_DATACONTACTGROUP>;

TEST(DataHandlerTypeNames, OtherCodesAreUnspecifiedAndNamesMatchOnlyExactly) {
    for (std::uint32_t code : {0u, 13u, 22u, 55u, 57u, 64u, 67u, 69u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(CKvDataHandler::GetTypeName(code), "K_KVDT_TP_UNSPECIFIED");
        EXPECT_FALSE(CKvDataHandler::IsStoreType(code));
    }
    for (const char* text : {"k_kvdt_tp_dthdlr_datacontact", " K_KVDT_TP_DTHDLR_DATACONTACT",
                             "K_KVDT_TP_UNSPECIFIED", ""})
        EXPECT_EQ(CKvDataHandler::GetTypeFromName(text), 0u) << text;
}

TEST(DataHandler, SetIdentifierWritesLowerCaseHexWithoutLeadingZeros) {
    FakeDataHandlerCatalog catalog;
    ContactLike record(&catalog, 5);
    EXPECT_EQ(record.GetContext(), &catalog);
    EXPECT_EQ(record.GetTimer().GetInterval(), 1001);
    const struct {
        std::uint32_t identifier;
        const char* text;
    } cases[] = {{0, "0"}, {0x1A2B, "1a2b"}, {0xFFFFFFFF, "ffffffff"}, {0x00F0, "f0"}};
    for (const auto& entry : cases) {
        record.SetIdentifier(entry.identifier);
        EXPECT_EQ(record.GetIdentifier(), entry.identifier);
        EXPECT_EQ(record.GetIdentifierText(), entry.text);
    }
}

TEST(DataHandler, FilterTextKeepsOnlyTheAcceptedBytes) {
    const struct {
        std::string text;
        std::string filtered;
    } cases[] = {
        {"Abc xyZ 019 @`", "Abc xyZ 019 @`"},
        {"a[b]c{d}e_f~g|h\\i^j", "abcdefghij"},
        {"\xE4\xC4\xF6\xD6\xFC\xDC\xDF", "\xE4\xC4\xF6\xD6\xFC\xDC\xDF"},
        {"Ren\xE9 \xA7 \x7F", "Ren  "},
        {"\t\t\ta\nb\r", "ab"},
    };
    ContactLike record;
    for (const auto& entry : cases) {
        std::string text = entry.text;
        EXPECT_EQ(record.FilterText(text), KV_OK);
        EXPECT_EQ(text, entry.filtered);
    }
}

TEST(DataHandler, CopyToSameTypeOverwritesTheArgumentOfTheSameTypeOnly) {
    ContactLike source;
    source.name_ = "source";
    ContactLike target;
    EXPECT_FALSE(source.IsSameKey(target));
    EXPECT_TRUE(source.CopyToSameType(&target));
    EXPECT_TRUE(source.IsSameKey(target));
    EXPECT_TRUE(source.CopyToSameType(&source));
    EXPECT_EQ(source.name_, "source");

    CallLike call;
    call.name_ = "call";
    EXPECT_FALSE(source.CopyToSameType(&call));
    EXPECT_FALSE(source.CopyToSameType(nullptr));
    EXPECT_EQ(call.name_, "call");
}

TEST(DataHandler, AssignByTypeCopiesOnlyBetweenRecordsOfTheSameStoreType) {
    ScopedRecordType<ContactLike> contacts;
    ScopedRecordType<CallLike> calls;
    ContactLike source;
    source.name_ = "source";
    source.SetIdentifier(9);
    ContactLike target;
    EXPECT_EQ(&target.AssignByType(source), &target);
    EXPECT_EQ(target.name_, "source");
    EXPECT_EQ(target.GetIdentifier(), 9u);

    CallLike call;
    call.AssignByType(source);
    EXPECT_EQ(call.name_, "");
    GroupLike group_source;
    group_source.name_ = "source";
    GroupLike group_target;
    group_target.AssignByType(group_source);
    EXPECT_EQ(group_target.name_, "");
}

} // namespace
