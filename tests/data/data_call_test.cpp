#include "data/data_call.h"

#include "core/named_value_map.h"
#include "data_test_support.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

namespace {

const std::string kBlankNumber =
    "<PHONE_NUMBER identifier=\"\"><number /><category>UNSPECIFIED</category>"
    "<flagdata>FALSE</flagdata><flagactive>TRUE</flagactive><dialcount>0</dialcount>"
    "</PHONE_NUMBER></DATACALL>";

class DataCallTest : public ::testing::Test {
protected:
    ManualClock clock_{1704067200, 7}; // 3913056000 seconds since 1900
    ScopedClock scoped_clock_{clock_};
};

TEST_F(DataCallTest, NewCallIsKeyedByItsStartTimeAndResetClearsBoth) {
    CKvDataCall call;
    EXPECT_EQ(call.GetKey(), "3913056000.007");
    EXPECT_EQ(XmlText(call), "<DATACALL identifier=\"3913056000.007\"><datetimestart>"
                             "3913056000.007</datetimestart><datetimestop>0.000"
                             "</datetimestop><flagcallout>FALSE</flagcallout>" +
                                 kBlankNumber);
    call.GetTapiCallHandle() = 5;
    call.Reset();
    EXPECT_EQ(call.GetTapiCallHandle(), 5u);
    EXPECT_EQ(XmlText(call), "<DATACALL identifier=\"\"><datetimestart>0.000"
                             "</datetimestart><datetimestop>0.000</datetimestop>"
                             "<flagcallout>FALSE</flagcallout>" +
                                 kBlankNumber);
}

TEST_F(DataCallTest, RoundTripTrimsTheTextsAndKeepsKeyAndTimes) {
    CKvDataCall call;
    call.GetLastName() = " Doe ";
    call.GetFirstName() = "J\xFCrgen";
    call.GetCompanyName() = " ";
    call.GetComment() = " <urgent> ";
    call.GetFlagCallOut().Set(1);
    call.GetStopTime().SetSeconds(3913056060u);
    call.GetTapiCallHandle() = 77;
    const std::string text = XmlText(call);
    EXPECT_EQ(text, "<DATACALL identifier=\"3913056000.007\"><lastname>Doe</lastname><firstname>"
                    "J&uuml;rgen</firstname><datetimestart>3913056000.007</datetimestart>"
                    "<datetimestop>3913056060.000</datetimestop><flagcallout>TRUE</flagcallout>"
                    "<comment>&lt;urgent&gt;</comment>" +
                        kBlankNumber);
    clock_.Advance(5000);
    CKvDataCall read;
    ASSERT_EQ(ReadXmlText(read, text), KV_OK);
    EXPECT_EQ(read.GetKey(), "3913056000.007");
    EXPECT_EQ(read.GetTapiCallHandle(), 0u);
    EXPECT_EQ(XmlText(read), text);
}

TEST_F(DataCallTest, IdentifierAttributeDecidesTheKeyAndFlagNeedsCapitalTrue) {
    CKvDataCall call;
    ASSERT_EQ(ReadXmlText(call, "<C identifier=\"\"><datetimestart>3900000000.123"
                                "</datetimestart><flagcallout> TRUE </flagcallout></C>"),
              KV_OK);
    EXPECT_EQ(call.GetKey(), "3900000000");
    EXPECT_TRUE(call.IsOutgoing());
    ASSERT_EQ(ReadXmlText(call, "<C identifier=\"k\"><flagcallout>true</flagcallout></C>"), KV_OK);
    EXPECT_FALSE(call.IsOutgoing());

    CKvDataCall missing;
    EXPECT_EQ(ReadXmlText(missing, "<C><lastname>Doe</lastname></C>"), KV_E_NOT_FOUND);
    EXPECT_EQ(missing.GetLastName(), "");
    CKvDataCall same_start;
    same_start.GetLastName() = "Roe";
    EXPECT_TRUE(same_start.IsSameKey(missing));
    EXPECT_FALSE(same_start.IsSameKey(call));
}

TEST_F(DataCallTest, CloneCarriesRuntimeMembersAndHasItsOwnNamedFieldCells) {
    CKvDataCall source;
    source.GetLastName() = "Doe";
    source.GetTapiCallHandle() = 77;
    std::unique_ptr<CKvDataHandler> clone;
    ASSERT_TRUE(source.Clone(clone));
    auto& copy = dynamic_cast<CKvDataCall&>(*clone);
    EXPECT_EQ(copy.GetTapiCallHandle(), 77u);
    const NamedValueMap& fields = copy.GetNamedFields();
    ASSERT_EQ(fields.GetCount(), 6u);
    EXPECT_EQ(fields.Find("TIME_DATE_START")->GetTimeDate(), &copy.GetStartTime());
    EXPECT_EQ(fields.Find("CSTRING_LASTNAME")->GetString(), &copy.GetLastName());
    EXPECT_EQ(fields.Find("KVFLAG_CALLOUT")->GetBoolValue(), &copy.GetFlagCallOut());
    copy.GetLastName() = "Roe";
    EXPECT_EQ(source.GetLastName(), "Doe");

    CKvDataCall& same = source;
    source = same;
    EXPECT_EQ(source.GetLastName(), "Doe");
    EXPECT_EQ(source.GetTapiCallHandle(), 77u);
}

} // namespace
