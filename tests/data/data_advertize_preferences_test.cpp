#include "data/data_advertize_preferences.h"

#include "data_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DataAdvertizePreferences, NewRecordWritesEmptyPresentationTypeReadBackAsUnspecified) {
    CKvDataAdvertizePreferences preferences;
    const std::string text = XmlText(preferences);
    EXPECT_EQ(text, "<ADVERTIZEPREFERENCES identifier=\"\">"
                    "<advertizetimepercentage>0</advertizetimepercentage><urlsource />"
                    "<presentationtype /><timetoshowminimal />"
                    "<flagrandomizesequence>FALSE</flagrandomizesequence></ADVERTIZEPREFERENCES>");
    ReadXmlText(preferences, text);
    EXPECT_EQ(preferences.GetPresentationType().Text(), "UNSPECIFIED");
    EXPECT_EQ(DomText(preferences), "<ADVERTIZEPREFERENCES id=\"0\"/>");
    // Reset brings back the presentation type of a new record.
    auto filled = SampleRecord(K_KVDT_TP_DTHDLR_DATAADVERTIZEPREFERENCES, 0);
    filled->Reset();
    EXPECT_EQ(XmlText(*filled), text);
}

TEST(DataAdvertizePreferences, RoundTripCarriesKeyAsIdentifierAndTextsAsWritten) {
    CKvDataAdvertizePreferences preferences;
    preferences.GetKey() = "main";
    preferences.GetAdvertizeTimePercentage().Set(35);
    preferences.GetUrlSource() = "http://ads.example/list?a=1&b=<2>";
    preferences.GetPresentationType().SetValue(CKvPresentationTypeTable::kShuffle);
    preferences.GetTimeToShowMinimal() = " 00:10 ";
    preferences.GetFlagRandomizeSequence().Set(1);
    const std::string text = XmlText(preferences);
    EXPECT_EQ(text, "<ADVERTIZEPREFERENCES identifier=\"main\">"
                    "<advertizetimepercentage>35</advertizetimepercentage>"
                    "<urlsource>http://ads.example/list?a=1&b=&lt;2&gt;</urlsource>"
                    "<presentationtype>SHUFFLE</presentationtype>"
                    "<timetoshowminimal> 00:10 </timetoshowminimal>"
                    "<flagrandomizesequence>TRUE</flagrandomizesequence></ADVERTIZEPREFERENCES>");
    CKvDataAdvertizePreferences copy;
    EXPECT_EQ(ReadXmlText(copy, text), KV_OK);
    EXPECT_EQ(XmlText(copy), text);
    // Without the attribute the key text stays and the keys are still read.
    EXPECT_EQ(ReadXmlText(copy, "<P><presentationtype>block</presentationtype>"
                                "<flagrandomizesequence>true</flagrandomizesequence></P>"),
              KV_OK);
    EXPECT_EQ(copy.GetKey(), "main");
    EXPECT_EQ(copy.GetPresentationType().GetValue(), CKvPresentationTypeTable::kBlock);
    EXPECT_FALSE(copy.GetFlagRandomizeSequence().IsTrue());
}

} // namespace
