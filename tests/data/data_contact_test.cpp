#include "data/data_contact.h"

#include "core/named_value_map.h"
#include "data_test_support.h"
#include "platform/clock.h"
#include "platform/text.h"

namespace {

constexpr std::uint32_t kNow = 3913056000u; // 2024-01-01 00:00 UTC, since 1900
constexpr std::uint32_t kDay = 86400;

PHONE_NUMBER* AddNumber(CKvDataContact& contact, std::string id, std::uint32_t dial_count) {
    PHONE_NUMBER* entry = nullptr;
    contact.GetPhoneNumberList().CreateEntry(entry, id);
    entry->GetNumber() = id;
    entry->GetDialCount().Set(dial_count);
    return entry;
}

class DataContactTest : public ::testing::Test {
protected:
    ManualClock clock_{1704067200};
    ScopedClock scoped_clock_{clock_};
};

TEST_F(DataContactTest, NewContactReadsBackAtTheNineteenSeventyFloor) {
    CKvDataContact contact;
    EXPECT_EQ(ReadXmlText(contact, XmlText(contact)), KV_OK);
    EXPECT_EQ(contact.GetDateTimeLastCall().GetSeconds(), CKvDataContact::kLastCallFloor);
}

TEST_F(DataContactTest, RoundTripTrimsEncodesAndKeepsOnlyTheLastCallSeconds) {
    CKvDataContact contact;
    contact.GetLastName() = "  M\xFCller ";
    contact.GetComment() = " a <b> ";
    contact.GetSalutation() = "   ";
    contact.GetDateTimeLastCall().SetSeconds(kNow);
    contact.GetDateTimeLastCall().SetMilliseconds(321);
    KVSTRING* mail = nullptr;
    std::string mail_id = "mail";
    contact.GetEmailList().CreateEntry(mail, mail_id);
    const std::string text = XmlText(contact);
    EXPECT_EQ(text.find("salutation"), std::string::npos);
    EXPECT_NE(text.find("<datetimelastcall>3913056000</datetimelastcall>"), std::string::npos);
    EXPECT_NE(text.find("<KVSTRING identifier=\"mail\">"), std::string::npos);
    EXPECT_EQ(contact.GetLastName(), "M\xFCller"); // writing trims the members

    CKvDataContact read;
    read.GetDateTimeLastCall().SetMilliseconds(9);
    ASSERT_EQ(ReadXmlText(read, text), KV_OK);
    EXPECT_EQ(XmlText(read), text);
    ASSERT_EQ(ReadXmlText(read, "<C><datetimelastcall>3900000000.5</datetimelastcall></C>"), KV_OK);
    EXPECT_EQ(read.GetDateTimeLastCall().GetSeconds(), 3900000000u);
    EXPECT_EQ(read.GetDateTimeLastCall().GetMilliseconds(), 9u);
}

TEST_F(DataContactTest, KeyJoinsTheTrimmedNamesAndTrimsTheMembers) {
    const char* const cases[][4] = {{"  x ", "", "", "x,,"},
                                    {"", "", "Acme", ",,Acme"},
                                    {" \t", "\n", " ", ""},
                                    {"Doe", " John ", "Acme ", "Doe,John,Acme"}};
    for (const auto& c : cases) {
        CKvDataContact contact;
        contact.GetLastName() = c[0];
        contact.GetFirstName() = c[1];
        contact.GetCompanyName() = c[2];
        EXPECT_EQ(contact.GetKey(), c[3]);
        EXPECT_EQ(contact.GetLastName(), TrimmedView(c[0]));
    }
    CKvDataContact padded, plain;
    padded.GetLastName() = " Doe ";
    plain.GetLastName() = "Doe";
    EXPECT_TRUE(padded.IsSameKey(plain));
}

TEST_F(DataContactTest, EveryWriteAgesTheDialCountsAndAHugeDecrementSaturates) {
    const std::uint32_t decrements[][2] = {
        {0, 10},  {1, 11},   {2, 13},           {5, 21},
        {10, 46}, {30, 999}, {130, UINT32_MAX}, {UINT32_MAX, UINT32_MAX}};
    for (const auto& d : decrements)
        EXPECT_EQ(CKvDataContact::DialCountDecrement(d[0]), d[1]) << "day " << d[0];

    CKvDataContact contact;
    contact.GetDateTimeLastCall().SetSeconds(kNow - 3600); // day 1
    PHONE_NUMBER* busy = AddNumber(contact, "100", 25);
    PHONE_NUMBER* rare = AddNumber(contact, "200", 5);
    XmlText(contact);
    EXPECT_EQ(rare->GetDialCount().Get(), 0u);
    XmlText(contact);
    EXPECT_EQ(busy->GetDialCount().Get(), 3u);

    contact.GetDateTimeLastCall().SetSeconds(kNow + kDay); // in the future: day 0
    busy->GetDialCount().Set(25);
    XmlText(contact);
    EXPECT_EQ(busy->GetDialCount().Get(), 15u);

    // Day 130: a wrapped decrement would leave most of this count.
    contact.GetDateTimeLastCall().SetSeconds(kNow - 130 * kDay + 1);
    busy->GetDialCount().Set(4'000'000'000u);
    XmlText(contact);
    EXPECT_EQ(busy->GetDialCount().Get(), 0u);

    // The DOM form ages too, and holds nothing but the element and its id.
    contact.GetDateTimeLastCall().SetSeconds(kNow);
    busy->GetDialCount().Set(25);
    contact.SetIdentifier(42);
    EXPECT_EQ(DomText(contact), "<DATACONTACT id=\"42\"/>");
    EXPECT_EQ(busy->GetDialCount().Get(), 15u);
}

TEST_F(DataContactTest, ReadEmptiesALastNumberNotReadUnlessAListReadFailed) {
    CKvDataContact contact;
    contact.GetLastNumberIn() = "999";
    contact.GetLastNumberOut() = "100";
    ASSERT_EQ(ReadXmlText(contact, "<C><PHONE_NUMBER_LIST identifier=\"\"><PHONE_NUMBER "
                                   "identifier=\"1\"><number>100</number></PHONE_NUMBER>"
                                   "</PHONE_NUMBER_LIST></C>"),
              KV_OK);
    EXPECT_EQ(contact.GetLastNumberIn(), "");
    EXPECT_EQ(contact.GetLastNumberOut(), "100");

    contact.GetLastNumberIn() = "999";
    EXPECT_EQ(ReadXmlText(contact, "<C><ADDRESS_LIST><x /></ADDRESS_LIST></C>"), KV_E_NOT_FOUND);
    EXPECT_EQ(contact.GetLastNumberIn(), "999");
}

TEST_F(DataContactTest, CloneIsIndependentWithItsOwnNamedFieldCells) {
    CKvDataContact source;
    source.GetSpareText() = "tag";
    AddNumber(source, "100", 3);
    source.GetLastNumberIn() = "100";
    std::unique_ptr<CKvDataHandler> clone;
    ASSERT_TRUE(source.Clone(clone));
    auto& copy = dynamic_cast<CKvDataContact&>(*clone);
    EXPECT_EQ(copy.GetSpareText(), "tag");
    EXPECT_EQ(copy.GetLastNumberIn(), "100");
    const NamedValueMap& fields = copy.GetNamedFields();
    ASSERT_EQ(fields.GetCount(), 9u);
    EXPECT_EQ(fields.Find("CTI_PHONENUMBER_HANDLER")->GetObject(), &copy.GetPhoneNumberList());
    EXPECT_EQ(fields.Find("CSTRING_NUMBER_LAST_IN")->GetString(), &copy.GetLastNumberIn());
}

} // namespace
