#include "data/data_advertize_entry.h"

#include "data_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

TEST(DataAdvertizeEntry, NewEntryWritesAllEightKeysInWriterOrder) {
    CKvDataAdvertizeEntry entry;
    EXPECT_EQ(XmlText(entry),
              "<ADVERTIZENTRY identifier=\"\"><advertizetimepercentage>0</advertizetimepercentage>"
              "<urlsource /><timetoshowminimal /><flagshowonce>FALSE</flagshowonce>"
              "<flagallowunhide>FALSE</flagallowunhide><timetoshowmaximal />"
              "<flagrandomizetime>FALSE</flagrandomizetime><groupid>0</groupid></ADVERTIZENTRY>");
}

TEST(DataAdvertizeEntry, RoundTripCarriesEveryPersistedFieldButNotTheRuntimeWord) {
    CKvDataAdvertizeEntry entry;
    entry.GetKey() = "spring";
    entry.GetAdvertizeTimePercentage().Set(20);
    entry.GetUrlSource() = "http://ads.example/<1>.png";
    entry.GetTimeToShowMinimal() = "5s";
    entry.GetFlagShowOnce().Set(1);
    entry.GetFlagRandomizeTime().Set(1);
    entry.GetGroupId().Set(4000000000u);
    entry.SetRuntimeWord(77);
    const std::string text = XmlText(entry);
    EXPECT_EQ(text, "<ADVERTIZENTRY identifier=\"spring\"><advertizetimepercentage>20"
                    "</advertizetimepercentage><urlsource>http://ads.example/&lt;1&gt;.png"
                    "</urlsource><timetoshowminimal>5s</timetoshowminimal><flagshowonce>TRUE"
                    "</flagshowonce><flagallowunhide>FALSE</flagallowunhide><timetoshowmaximal />"
                    "<flagrandomizetime>TRUE</flagrandomizetime><groupid>4000000000</groupid>"
                    "</ADVERTIZENTRY>");
    CKvDataAdvertizeEntry copy;
    EXPECT_EQ(ReadXmlText(copy, text), KV_OK);
    EXPECT_EQ(copy.GetRuntimeWord(), 0u);
    EXPECT_EQ(XmlText(copy), text);
    ReadXmlText(copy, "<E><flagshowonce>true</flagshowonce></E>");
    EXPECT_FALSE(copy.GetFlagShowOnce().IsTrue());
    EXPECT_EQ(copy.GetKey(), "spring"); // kept without the attribute

    copy = entry; // the runtime word travels inside the process
    EXPECT_EQ(copy.GetRuntimeWord(), 77u);
    copy.Reset();
    EXPECT_EQ(copy.GetRuntimeWord(), 0u);
}

} // namespace
