#include "data/data_call.h"

#include "core/named_value_map.h"
#include "data_test_support.h"
#include "platform/clock.h"

namespace {

class DataCallTest : public ::testing::Test {
protected:
    ManualClock clock_{1704067200, 7}; // 3913056000 seconds since 1900
    ScopedClock scoped_clock_{clock_};
};

TEST_F(DataCallTest, WriterTrimsTheTextsAndLeavesBlankOnesOut) {
    CKvDataCall call;
    call.GetLastName() = " Doe ";
    call.GetCompanyName() = " ";
    EXPECT_TRUE(WritesKey(call, "lastname", "Doe"));
    EXPECT_EQ(XmlText(call).find("companyname"), std::string::npos);
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

TEST_F(DataCallTest, ANewCallsKeyIsItsStartTimeWithThreeDigitsOfMilliseconds) {
    for (const std::uint16_t milliseconds : {0, 7, 42, 999}) {
        clock_.SetWallTime(1704067200, milliseconds);
        CKvDataCall call;
        EXPECT_EQ(call.GetKey(), Format("3913056000.%03u", milliseconds));
    }
}

TEST_F(DataCallTest, CloneCarriesRuntimeMembersAndHasItsOwnNamedFieldCells) {
    CKvDataCall source;
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
}

} // namespace
