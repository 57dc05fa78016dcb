#include "data/data_general.h"

#include "data_test_support.h"
#include "platform/telephony_location.h"

namespace {

using General = CKvDataGeneral;

void ReadEveryKey(General& record) {
    ASSERT_EQ(ReadXmlText(record, GoldenText("general_every_key.xml")), KV_OK);
}

TEST(DataGeneral, WriterKeepsTheTapiLinesSoTheRoundTripIsWhole) {
    General record;
    ReadEveryKey(record);
    EXPECT_EQ(record.GetTapiLines().GetCount(), 2u);
    EXPECT_EQ(XmlText(record), GoldenText("general_every_key.xml"));
    EXPECT_EQ(record.GetTapiLines().GetCount(), 2u); // writing leaves them in place
    EXPECT_EQ(record.GetCapiProvider(), " capi <2.0> ");
    EXPECT_EQ(record.GetFilePathName(), "C:\\Programme\\Gr\xFC\xDF"
                                        "e");
}

TEST(DataGeneral, ReaderAppliesEachKeysRule) {
    // The key, the text read and the text written.
    const char* const cases[][3] = {
        {"flagautomaticline", "TRUE", "0"},
        {"flagautomaticline", "-1", "0"},
        {"flagautomaticline", "7", "1"},
        {"flagautomaticline", "0", "0"},
        {"portnumber", "abc", "0"},
        {"portnumber", "4000000000", "2147483647"},
        {"interndigitscount", " 3x", "3"},
        {"flagusetapi", " TRUE ", "TRUE"},
        {"restartweekdays", "MO, TU", "MO,TU"},
        {"isdncardnumber", " 2 ", " 2 "},
    };
    for (const auto& [key, read, written] : cases) {
        SCOPED_TRACE(std::string(key) + " " + read);
        General record;
        record.SetFlagAutomaticLine(std::string(written) == "0");
        ASSERT_EQ(
            ReadXmlText(record, "<G><" + std::string(key) + ">" + read + "</" + key + "></G>"),
            KV_OK);
        EXPECT_TRUE(WritesKey(record, key, written)) << XmlText(record);
    }
    General record;
    record.GetRestartWeekdays().Add("SU");
    ASSERT_EQ(ReadXmlText(record, "<G><restartweekdays>MO</restartweekdays></G>"), KV_OK);
    EXPECT_TRUE(WritesKey(record, "restartweekdays", "SU,MO")); // added to those held
}

TEST(DataGeneral, EveryReadTakesTheLocationCodesTrimmed) {
    General record;
    ASSERT_EQ(ReadXmlText(record, "<G />"), KV_OK);
    EXPECT_EQ(record.GetOwnCountryCode(), "");

    ScopedTelephonyLocation location({" 43 ", "1\t", "", "", ""});
    ASSERT_EQ(ReadXmlText(record, "<G />"), KV_OK);
    EXPECT_EQ(record.GetOwnCountryCode(), "43");
    EXPECT_EQ(record.GetOwnAreaCode(), "1");
    General bad;
    EXPECT_EQ(bad.ReadXml(nullptr), KV_E_INVALID_POINTER);
    EXPECT_EQ(bad.GetOwnCountryCode(), "43");
    General dom;
    ASSERT_EQ(ReadDomText(dom, "<G/>"), KV_OK);
    EXPECT_EQ(dom.GetOwnAreaCode(), "1");
}

TEST(DataGeneral, DomRoundTripCarriesTheKeysButNotTheTapiLines) {
    General source;
    ReadEveryKey(source);
    source.SetIdentifier(3);
    const std::string written = DomText(source);
    EXPECT_EQ(written.find("STRINGHANDLER_TAPILINES"), std::string::npos);

    General target;
    ASSERT_EQ(ReadDomText(target, written), KV_OK);
    EXPECT_EQ(target.GetIdentifier(), 0u);
    target.SetIdentifier(3);
    EXPECT_EQ(DomText(target), written);
    EXPECT_EQ(target.GetTapiLines().GetCount(), 0u);
    EXPECT_EQ(target.ReadDom(DomElementPtr()), KV_E_NULL_INTERFACE);
}

TEST(DataGeneral, KeyIsTheIdentifierTextAndAnyTwoRecordsMatch) {
    General a;
    a.SetIdentifier(0x1A2B);
    EXPECT_EQ(a.GetKey(), "1a2b");
    TestRecord<K_KVDT_TP_DTHDLR_DATAGENERAL> other;
    other.name_ = "x";
    EXPECT_TRUE(a.IsSameKey(other));
}

TEST(DataGeneral, CloneTakesTheLocationCodesButNotTheSpareTextAndOnlyItsOwnClass) {
    General record;
    {
        ScopedTelephonyLocation location({"49", "30", "", "", ""});
        ReadEveryKey(record);
    }
    record.GetSpareText() = "tag";
    std::unique_ptr<CKvDataHandler> clone;
    ASSERT_TRUE(record.Clone(clone));
    auto& copy = dynamic_cast<General&>(*clone);
    EXPECT_EQ(copy.GetSpareText(), ""); // the store's tag is not carried
    EXPECT_EQ(copy.GetOwnAreaCode(), "30");
    TestRecord<K_KVDT_TP_DTHDLR_DATAGENERAL> impostor; // same code, other class
    EXPECT_FALSE(copy.CopyToSameType(&impostor));
}

} // namespace
