#include "data/data_preferences.h"

#include "data_test_support.h"
#include "platform/telephony_location.h"

namespace {

using Preferences = CKvDataPreferences;

// The codes the golden record carries.
const TelephonyLocation kMunich{"49", "89", "G", "0FG", "00EFG"};

// A record read from the golden text that sets every key.
void ReadEveryKey(Preferences& record) {
    ScopedTelephonyLocation location(kMunich);
    ASSERT_EQ(ReadXmlText(record, GoldenText("preferences_every_key.xml")), KV_OK);
}

TEST(DataPreferences, ResetRecordWritesTheNewGoldenForm) {
    Preferences record;
    ReadEveryKey(record);
    record.SetIdentifier(5);
    record.GetSpareText() = "tag";
    EXPECT_EQ(record.Reset(), KV_OK);
    EXPECT_EQ(XmlText(record) + record.GetSpareText(), GoldenText("preferences_new.xml"));
}

TEST(DataPreferences, XmlRoundTripKeepsEveryKeyButTakesTheLocationCodes) {
    Preferences record;
    ReadEveryKey(record);
    EXPECT_EQ(XmlText(record), GoldenText("preferences_every_key.xml"));
    EXPECT_EQ(record.GetLastName(), "Stra\xDF"
                                    "e & Co");
    EXPECT_EQ(record.GetFlagAnonymousValue(), 1u);
    EXPECT_EQ(record.GetFlagUnknownDenyAllValue(), 0u); // " TRUE" is kept but not set

    Preferences elsewhere;
    ScopedTelephonyLocation location({"43", "1", "", "", ""});
    ASSERT_EQ(ReadXmlText(elsewhere, XmlText(record)), KV_OK);
    EXPECT_EQ(elsewhere.GetCountryCode() + "|" + elsewhere.GetCityAreaCode(), "43|1");
}

TEST(DataPreferences, LocationCodesAreEmptiedWithoutALocationEvenAfterABadElement) {
    Preferences record;
    ReadEveryKey(record);
    ASSERT_EQ(ReadXmlText(record, "<P><countrycode>33</countrycode></P>"), KV_OK);
    EXPECT_EQ(record.GetCountryCode() + record.GetCityAreaCode(), "");

    ScopedTelephonyLocation location({" 49 ", "89\t", "", "", ""});
    Preferences bad;
    std::string number = "123";
    bad.SetPhoneNumberOut(number);
    EXPECT_EQ(bad.ReadXml(nullptr), KV_E_INVALID_POINTER);
    EXPECT_EQ(bad.GetPhoneNumberIn() + "|" + bad.GetCountryCode() + "|" + bad.GetCityAreaCode(),
              "123|49|89");
}

TEST(DataPreferences, EmptyPortSetReadsBackAsTheDefaultRange) {
    Preferences source;
    Preferences copy;
    ASSERT_EQ(ReadXmlText(copy, XmlText(source)), KV_OK);
    EXPECT_TRUE(copy.GetClientPortsSet().GetCount() == 101u &&
                copy.GetClientPortsSet().Contains(24124));
}

TEST(DataPreferences, ReaderAppliesEachKeysRule) {
    // The key, the text read and the text written.
    const char* const cases[][3] = {{"startstate", " ONLINE ", "ONLINE"},
                                    {"startstate", "online", "OFFLINE"},
                                    {"startstate", "", "OFFLINE"},
                                    {"idimage", "007", "7"},
                                    {"idimage", "12a", "12a"},
                                    {"timeoutdisconnected_ms", "100", "500"},
                                    {"timeoutdisconnected_ms", "20000", "10000"},
                                    {"timeoutdisconnected_ms", "-5", "10000"},
                                    {"timeoutdisconnected_ms", "abc", "500"},
                                    {"timeoutdisconnected_ms", " 2000 ", "2000"},
                                    {"flaganonymous", " TRUE", " TRUE"},
                                    {"flagstartminimized", "true", "true"},
                                    {"flagserveruse", " TRUE ", "TRUE"},
                                    {"flagtapiuse", "true", "FALSE"},
                                    {"screenname", "  a&lt;b\t", "a&lt;b"},
                                    {"countrycode", "33", ""},
                                    {"preselectioncity", " 010 ", " 010 "},
                                    {"tapiprovider", " Modem ", " Modem "},
                                    {"numberinterndigitscount", "12x", "12"},
                                    {"datetimelastcallin", "5.7", "5.007"}};
    for (const auto& [key, read, written] : cases) {
        SCOPED_TRACE(std::string(key) + " " + read);
        Preferences record;
        ReadXmlText(record, "<P><" + std::string(key) + ">" + read + "</" + key + "></P>");
        EXPECT_TRUE(WritesKey(record, key, written)) << XmlText(record);
    }
}

TEST(DataPreferences, ReadResultIsTheLastCodeRecorded) {
    Preferences record;
    EXPECT_EQ(ReadXmlText(record, "<P><startstate>x</startstate></P>"), KV_E_FAIL);
    // A later list's read, or a later start state, replaces the failure.
    EXPECT_EQ(ReadXmlText(record, "<P><startstate>x</startstate><DEVICES identifier=\"d\">"
                                  "<KVSTRING identifier=\"a\"><data /></KVSTRING></DEVICES></P>"),
              KV_OK);
    EXPECT_EQ(ReadDomText(record, "<P><startstate>x</startstate><tspport>1</tspport></P>"),
              KV_E_FAIL);
    EXPECT_EQ(ReadDomText(record, "<P><startstate>x</startstate><startstate>PAUSED</startstate>"
                                  "</P>"),
              KV_OK);
}

TEST(DataPreferences, ListsAreReadByTheirElementNamesWhereverTheyStand) {
    Preferences record;
    ASSERT_EQ(ReadXmlText(record, "<P><DIALHISTORY identifier=\"h\"><KVSTRING identifier=\"1\">"
                                  "<data>089</data></KVSTRING></DIALHISTORY>"
                                  "<screenname>x</screenname></P>"),
              KV_OK);
    EXPECT_EQ(record.GetStringListA().GetCount() + 10 * record.GetStringListB().GetCount(), 10u);
    EXPECT_EQ(record.GetScreenName(), "x");
}

TEST(DataPreferences, OnlyTheXmlReaderTakesPhoneNumberInFromOut) {
    const char* element = "<P><phonenumberout> 4711 </phonenumberout></P>";
    Preferences xml;
    ASSERT_EQ(ReadXmlText(xml, element), KV_OK);
    EXPECT_EQ(xml.GetPhoneNumberIn(), "4711");
    Preferences dom;
    ASSERT_EQ(ReadDomText(dom, element), KV_OK);
    EXPECT_EQ(dom.GetPhoneNumberOut() + "|" + dom.GetPhoneNumberIn(), "4711|");
}

TEST(DataPreferences, DomRoundTripRestoresItsKeysAndLeavesTheRestAlone) {
    Preferences source;
    ReadEveryKey(source);
    source.SetIdentifier(9);
    const std::string written = DomText(source);
    EXPECT_NE(written.find("<clientports>24100-24102,24200</clientports>"), std::string::npos);

    ScopedTelephonyLocation location(kMunich);
    Preferences target;
    target.GetMainDlgPosX().Set(11);
    ASSERT_EQ(ReadDomText(target, written), KV_OK);
    EXPECT_EQ(target.GetIdentifier(), 0u); // "id" is not read
    target.SetIdentifier(9);
    EXPECT_EQ(DomText(target), written);
    EXPECT_EQ(target.GetMainDlgPosX().Get(), 11u);
    EXPECT_EQ(target.ReadDom(DomElementPtr()), KV_E_NULL_INTERFACE);
}

TEST(DataPreferences, CloneKeepsTheSpareTextButNotTheComputerIdentifier) {
    Preferences record;
    ReadEveryKey(record);
    record.GetSpareText() = "tag";
    std::unique_ptr<CKvDataHandler> clone;
    ASSERT_TRUE(record.Clone(clone));
    auto& copy = dynamic_cast<Preferences&>(*clone);
    // The computer identifier is its owner's, not copied.
    EXPECT_EQ(copy.GetSpareText() + "|" + copy.GetComputerIdent().GetIdentifier(), "tag|");
}

} // namespace
