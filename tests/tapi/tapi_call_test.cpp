#include "tapi/tapi_call.h"

#include "platform/tapi/tapi_types.h"
#include "tapi_test_support.h"

#include <string>

namespace {

using KvTapiCallTest = TapiClockTest;

constexpr char kDefaultXml[] =
    "<KVTAPICALL identifier=\"\"><hcall>0</hcall><hline>0</hline><reqid>0</reqid>"
    "<state>32768</state><stateprev>32768</stateprev><wmidnotif>0</wmidnotif>"
    "<idtargetnotif>0</idtargetnotif><kvtapifunc>0</kvtapifunc>"
    "<timedatestate>3913056000.007</timedatestate><statesreached>0</statesreached>"
    "<origin>16</origin><features>0</features><foreignhandle>0</foreignhandle>"
    "<timedatecreated>3913056000.007</timedatecreated>"
    "<timedateconnected>0.000</timedateconnected>"
    "<timedatedisconnected>0.000</timedatedisconnected>"
    "<phonenewlineindex>4294967295</phonenewlineindex></KVTAPICALL>";

constexpr char kFullXml[] =
    "<KVTAPICALL identifier=\"id-7\"><hcall>65537</hcall><linename>L&lt;1&gt; &uuml;</linename>"
    "<hline>65536</hline><reqid>9</reqid><state>256</state><stateprev>2</stateprev>"
    "<callednumber>0711 &lt;22&gt;</callednumber><callingnumber>+49 89 1</callingnumber>"
    "<wmidnotif>1100</wmidnotif><idtargetnotif>77</idtargetnotif><kvtapifunc>10</kvtapifunc>"
    "<timedatestate>3913056002.007</timedatestate><statesreached>258</statesreached>"
    "<origin>18</origin><features>2180</features><foreignhandle>4000000000</foreignhandle>"
    "<timedatecreated>3913056000.007</timedatecreated>"
    "<timedateconnected>3913056002.007</timedateconnected>"
    "<timedatedisconnected>0.000</timedatedisconnected><cstahandle>C-1</cstahandle>"
    "<phonenewlineindex>3</phonenewlineindex></KVTAPICALL>";

// A call with every field of its XML form set; the clock moves 2 s.
void FillCall(KVTAPICALL& call, ManualClock& clock) {
    call.GetIdentifier() = "id-7";
    call.GetHcall() = 0x10001;
    call.GetLineName() = "L<1> \xFC";
    call.GetHline() = 0x10000;
    call.GetReqId() = 9;
    clock.Advance(1000);
    call.SetState(LINECALLSTATE_OFFERING);
    clock.Advance(1000);
    call.SetState(LINECALLSTATE_CONNECTED);
    call.GetCalledNumber() = "0711 <22>";
    call.GetCallingNumber() = "+49 89 1";
    call.GetWmIdNotif() = 1100;
    call.GetIdTargetNotif() = 77;
    call.GetKvTapiFunc() = KV_TAPIFUNC_ANSWER;
    call.GetOrigin().FormatText(LINECALLORIGIN_INTERNAL | LINECALLORIGIN_UNKNOWN);
    call.GetFeatures().FormatText(LINECALLFEATURE_ANSWER | LINECALLFEATURE_DROP |
                                  LINECALLFEATURE_HOLD);
    call.GetForeignHandle().Set(4000000000u);
    call.GetCstaHandle() = "C-1";
    call.GetPhoneNewLineIndex() = 3;
}

TEST_F(KvTapiCallTest, SetStateStampsChangesAndTheFirstConnection) {
    KVTAPICALL call;
    struct Step {
        std::uint32_t state;
        const char* stamp;        // timedatestate afterwards
        const char* connected;    // timedateconnected afterwards
        const char* disconnected; // timedatedisconnected afterwards
        std::uint32_t reached;
    };
    const Step steps[] = {
        {LINECALLSTATE_OFFERING, "3913056001.007", "0.000", "0.000", 0x2},
        {LINECALLSTATE_CONNECTED, "3913056002.007", "3913056002.007", "0.000", 0x102},
        {LINECALLSTATE_ONHOLD, "3913056003.007", "3913056002.007", "0.000", 0x502},
        {LINECALLSTATE_CONNECTED, "3913056004.007", "3913056002.007", "0.000", 0x502},
        {LINECALLSTATE_CONNECTED, "3913056004.007", "3913056002.007", "0.000", 0x502},
        {LINECALLSTATE_DISCONNECTED, "3913056006.007", "3913056002.007", "3913056006.007", 0x4502},
        {LINECALLSTATE_IDLE, "3913056007.007", "3913056002.007", "3913056006.007", 0x4503},
    };
    std::uint32_t previous = KVTAPICALL::kStateUnknown;
    std::string text;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.stamp);
        clock_.Advance(1000);
        call.SetState(step.state);
        EXPECT_EQ(call.GetState(), step.state);
        EXPECT_EQ(call.GetStatePrev(), previous);
        EXPECT_EQ(call.GetTimeDateState().GetText(text), step.stamp);
        EXPECT_EQ(call.GetTimeDateConnected().GetText(text), step.connected);
        EXPECT_EQ(call.GetTimeDateDisconnected().GetText(text), step.disconnected);
        EXPECT_EQ(call.GetStatesReached(), step.reached);
        previous = step.state;
    }
    EXPECT_EQ(call.GetTimeDateCreated().GetText(text), kTestStamp);
}

TEST_F(KvTapiCallTest, IdleStraightFromOfferingStampsNeitherConnectionNorDisconnection) {
    KVTAPICALL call;
    call.SetState(LINECALLSTATE_OFFERING);
    clock_.Advance(50);
    call.SetState(LINECALLSTATE_DISCONNECTED);
    call.SetState(LINECALLSTATE_IDLE);
    EXPECT_TRUE(call.GetTimeDateConnected().IsEmpty());
    EXPECT_TRUE(call.GetTimeDateDisconnected().IsEmpty());
    EXPECT_EQ(call.GetStatesReached(), 0x4003u);
}

TEST_F(KvTapiCallTest, WritesTheDefaultAndAFullRecordAsGolden) {
    KVTAPICALL call;
    EXPECT_EQ(XmlText(call), kDefaultXml);
    EXPECT_EQ(call.GetOrigin().Text(), "LINECALLORIGIN_UNKNOWN");
    FillCall(call, clock_);
    EXPECT_EQ(XmlText(call), kFullXml);

    XmlDocument document;
    XmlNode* out = nullptr;
    EXPECT_EQ(call.WriteXml(out, document, nullptr), KV_E_INVALID_POINTER);
    EXPECT_EQ(out, nullptr);
    ExpectNothingWrittenUnderUnlinkableParents(call);
}

TEST_F(KvTapiCallTest, ReadsItsOwnFormBackWithEncodedTexts) {
    KVTAPICALL call;
    FillCall(call, clock_);
    clock_.Advance(60000);
    KVTAPICALL read;
    ASSERT_EQ(ReadXmlText(read, kFullXml), KV_OK);
    EXPECT_EQ(read.GetLineName(), "L<1> \xFC");
    EXPECT_EQ(read.GetCalledNumber(), "0711 <22>");
    EXPECT_EQ(read.GetOrigin().Text(), "LINECALLORIGIN_INTERNAL,LINECALLORIGIN_UNKNOWN");
    EXPECT_EQ(read.GetFeatures().Text(),
              "LINECALLFEATURE_ANSWER,LINECALLFEATURE_DROP,LINECALLFEATURE_HOLD");
    EXPECT_EQ(read.GetForeignHandle().Get(), 4000000000u);
    EXPECT_EQ(XmlText(read), kFullXml);

    // The identifier is encoded too, so that "<" and ">" cannot end the tag.
    call.GetIdentifier() = "a<b>\xE4";
    KVTAPICALL identified;
    ASSERT_EQ(ReadXmlText(identified, XmlText(call)), KV_OK);
    EXPECT_EQ(identified.GetIdentifier(), "a<b>\xE4");

    // A default record read back keeps the defaults; absent tags change nothing.
    KVTAPICALL blank;
    ASSERT_EQ(ReadXmlText(blank, kDefaultXml), KV_OK);
    EXPECT_EQ(blank.GetState(), 0x8000u);
    EXPECT_EQ(blank.GetPhoneNewLineIndex(), 0xFFFFFFFFu);
    EXPECT_EQ(blank.GetOrigin().GetValue(), 16u);
    ASSERT_EQ(ReadXmlText(read, "<KVTAPICALL identifier=\"x\"><reqid>4</reqid></KVTAPICALL>"),
              KV_OK);
    EXPECT_EQ(read.GetIdentifier(), "x");
    EXPECT_EQ(read.GetReqId(), 4u);
    EXPECT_EQ(read.GetHcall(), 0x10001u);
}

TEST_F(KvTapiCallTest, ReaderLeavesForeignElementsAndNeedsTheIdentifier) {
    KVTAPICALL call;
    FillCall(call, clock_);
    const std::string before = XmlText(call);
    EXPECT_EQ(ReadXmlText(call, "<KVTAPICALLX identifier=\"a\"><hcall>5</hcall></KVTAPICALLX>"),
              KV_OK);
    EXPECT_EQ(ReadXmlText(call, "<KVTAPICALL><hcall>5</hcall></KVTAPICALL>"), KV_E_NOT_FOUND);
    EXPECT_EQ(XmlText(call), before);
    EXPECT_EQ(call.ReadXml(nullptr), KV_E_INVALID_POINTER);

    // wmidnotif keeps its low 16 bits; unknown tags, nested elements and a
    // number that is no number are taken as TAPI's reader takes them.
    ASSERT_EQ(ReadXmlText(call, "<KVTAPICALL identifier=\"\"><wmidnotif>74565</wmidnotif>"
                                "<unknown>1</unknown><hcall><x>1</x></hcall>"
                                "<reqid>abc</reqid><idtargetnotif>-1</idtargetnotif>"
                                "<origin>8</origin></KVTAPICALL>"),
              KV_OK);
    EXPECT_EQ(call.GetWmIdNotif(), 0x2345u);
    EXPECT_EQ(call.GetHcall(), 0x10001u);
    EXPECT_EQ(call.GetReqId(), 0u);
    EXPECT_EQ(call.GetIdTargetNotif(), 0xFFFFFFFFu);
    EXPECT_EQ(call.GetOrigin().GetValue(), 0u); // bit 8 has no row
}

TEST_F(KvTapiCallTest, AssignmentCopiesEveryFieldAndTheWordsOutsideTheXmlForm) {
    KVTAPICALL call;
    FillCall(call, clock_);
    call.GetNumberCategory() = 7;
    call.GetMadeByThisLine() = 1;
    KVTAPICALL copy;
    copy = call;
    EXPECT_EQ(XmlText(copy), kFullXml);
    EXPECT_EQ(copy.GetNumberCategory(), 7u);
    EXPECT_EQ(copy.GetMadeByThisLine(), 1u);
    EXPECT_EQ(copy.GetFeatures().Text(), call.GetFeatures().Text());
    KVTAPICALL& same = copy;
    copy = same;
    EXPECT_EQ(XmlText(copy), kFullXml);
}

} // namespace
