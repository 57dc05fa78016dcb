#include "platform/tapi/simulated_tapi.h"

#include "platform/tapi/tapi_line_service.h"
#include "tapi_test_line.h"

#include <functional>
#include <string>

namespace {

using DevicesTest = SimulatedTapiTest;

TEST_F(DevicesTest, NegotiatesInsideTheDeviceRangeOnly) {
    service_.AddDevice({.device_id = 5,
                        .name = "Old",
                        .api_version_low = 0x00010004u,
                        .api_version_high = 0x00020000u});
    struct Row {
        DWORD device, low, high;
        LONG result;
        DWORD version;
    };
    const Row rows[] = {
        {5, 0x00010004u, 0x00020002u, 0, 0x00020000u},
        {5, 0x00010000u, 0x00010004u, 0, 0x00010004u},
        {5, 0x00020001u, 0x00020002u, LINEERR_INCOMPATIBLEAPIVERSION, 0},
        {5, 0x00010000u, 0x00010003u, LINEERR_INCOMPATIBLEAPIVERSION, 0},
        {5, 0x00020002u, 0x00010004u, LINEERR_INCOMPATIBLEAPIVERSION, 0},
        {3, 0x00010004u, 0x00020002u, 0, 0x00020002u},
        {4, 0x00010004u, 0x00020002u, LINEERR_BADDEVICEID, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.low);
        DWORD version = 0;
        LineExtensionId extension;
        EXPECT_EQ(
            lineNegotiateAPIVersion(app_, row.device, row.low, row.high, &version, &extension),
            row.result);
        EXPECT_EQ(version, row.version);
    }
    DWORD version = 0;
    LineExtensionId extension;
    EXPECT_EQ(lineNegotiateAPIVersion(app_ + 100, 3, 0x10004, 0x20002, &version, &extension),
              LINEERR_INVALAPPHANDLE);
    EXPECT_EQ(lineNegotiateAPIVersion(app_, 3, 0x10004, 0x20002, nullptr, &extension),
              LINEERR_INVALPOINTER);
}

TEST_F(DevicesTest, IdsNeedNotBeContiguousAndNamesKeepTheirBytes) {
    service_.AddDevice({.device_id = 30,
                        .name = std::string(" Line\0 C ", 9),
                        .string_format = STRINGFORMAT_UNICODE,
                        .line_features = 0,
                        .num_addresses = 2});
    LineDevCaps caps;
    ASSERT_EQ(lineGetDevCapsA(app_, 30, kVersion, 0, &caps), 0);
    EXPECT_EQ(caps.line_name, std::string(" Line\0 C ", 9));
    EXPECT_EQ(caps.string_format, STRINGFORMAT_UNICODE);
    EXPECT_EQ(caps.line_features, 0u);
    EXPECT_EQ(caps.num_addresses, 2u);
    ASSERT_EQ(lineGetDevCapsA(app_, 9, kVersion, 0, &caps), 0);
    EXPECT_EQ(caps.line_name, "Line B");
    EXPECT_EQ(caps.line_features, LINEFEATURE_MAKECALL);
    for (DWORD missing : {0u, 1u, 4u, 29u})
        EXPECT_EQ(lineGetDevCapsA(app_, missing, kVersion, 0, &caps), LINEERR_BADDEVICEID);
    EXPECT_EQ(lineGetDevCapsA(app_, 9, 0x00010003u, 0, &caps), LINEERR_INCOMPATIBLEAPIVERSION);
    EXPECT_EQ(lineGetDevCapsA(app_, 9, kVersion, 1, &caps), LINEERR_INCOMPATIBLEEXTVERSION);
}

TEST_F(DevicesTest, ScriptedFailuresOfAddressCapsAndOpenComeFirst) {
    service_.AddDevice({.device_id = 4,
                        .name = "Flaky",
                        .address_call_features = 0x4000020u,
                        .address_caps_failures = 2,
                        .open_failures = 3});
    LineAddressCaps caps;
    EXPECT_EQ(lineGetAddressCapsA(app_, 4, 1, kVersion, 0, &caps), LINEERR_INVALADDRESSID);
    EXPECT_EQ(lineGetAddressCapsA(app_, 4, 0, kVersion, 0, &caps), LINEERR_RESOURCEUNAVAIL);
    EXPECT_EQ(lineGetAddressCapsA(app_, 4, 0, kVersion, 0, &caps), LINEERR_RESOURCEUNAVAIL);
    EXPECT_EQ(lineGetAddressCapsA(app_, 4, 0, kVersion, 0, &caps), 0);
    EXPECT_EQ(caps.call_features, 0x4000020u);

    HLINE line = 0;
    for (int attempt = 0; attempt < 3; ++attempt)
        EXPECT_EQ(lineOpenA(app_, 4, &line, kVersion, 0, 0, LINECALLPRIVILEGE_OWNER,
                            LINEMEDIAMODE_INTERACTIVEVOICE, nullptr),
                  LINEERR_RESOURCEUNAVAIL);
    EXPECT_EQ(line, 0u);
    EXPECT_EQ(lineOpenA(app_, 4, &line, kVersion, 0, 77, LINECALLPRIVILEGE_OWNER,
                        LINEMEDIAMODE_INTERACTIVEVOICE, nullptr),
              0);
    EXPECT_NE(line, 0u);
    EXPECT_EQ(Drain(),
              (std::vector<LineMessage>{{line, LINE_LINEDEVSTATE, 77, LINEDEVSTATE_OPEN, 0, 0}}));
    EXPECT_EQ(lineClose(line), 0);
    EXPECT_EQ(Drain(),
              (std::vector<LineMessage>{{line, LINE_LINEDEVSTATE, 77, LINEDEVSTATE_CLOSE, 0, 0}}));
    EXPECT_EQ(lineClose(line), LINEERR_INVALLINEHANDLE);
    EXPECT_EQ(lineOpenA(app_, 4, &line, kVersion, 0, 0,
                        LINECALLPRIVILEGE_NONE | LINECALLPRIVILEGE_OWNER, 4, nullptr),
              LINEERR_INVALPRIVSELECT);
}

using CallsTest = SimulatedTapiTest;

TEST_F(CallsTest, MadeCallHandleIsWrittenAtOnceAndValidOnlyWithItsDelayedReply) {
    service_.SetReplyPolicy(3, TapiFunction::kMakeCall,
                            {.mode = ReplyMode::kDelayed, .delay_ms = 500});
    const HLINE line = OpenLine(3, 5);
    const LineCallParams params{.bearer_mode = LINEBEARERMODE_VOICE,
                                .media_mode = LINEMEDIAMODE_INTERACTIVEVOICE,
                                .call_param_flags = LINECALLPARAMFLAGS_IDLE,
                                .address_mode = LINEADDRESSMODE_ADDRESSID,
                                .displayable_address = "0711 1"};
    HCALL call = 0;
    const LONG id = lineMakeCallA(line, &call, "0711 1", 0, &params);
    ASSERT_GT(id, 0);
    EXPECT_NE(call, 0u);
    LineCallStatus status;
    EXPECT_EQ(lineGetCallStatus(call, &status), LINEERR_INVALCALLHANDLE);
    EXPECT_EQ(lineDrop(call, nullptr, 0), LINEERR_INVALCALLHANDLE);
    clock_.Advance(499);
    EXPECT_TRUE(Drain().empty());

    clock_.Advance(1);
    const DWORD id_word = static_cast<DWORD>(id);
    EXPECT_EQ(Drain(),
              (std::vector<LineMessage>{
                  {0, LINE_REPLY, 5, id_word, 0, 0},
                  {call, LINE_CALLSTATE, 5, LINECALLSTATE_DIALING, 0, LINECALLPRIVILEGE_OWNER},
                  {line, LINE_ADDRESSSTATE, 5, 0, LINEADDRESSSTATE_NUMCALLS, 0},
                  {call, LINE_CALLSTATE, 5, LINECALLSTATE_PROCEEDING, 0, 0},
                  {call, LINE_CALLSTATE, 5, LINECALLSTATE_RINGBACK, 0, 0},
              }));
    ASSERT_EQ(lineGetCallStatus(call, &status), 0);
    EXPECT_EQ(status, (LineCallStatus{LINECALLSTATE_RINGBACK, 0, LINECALLFEATURE_DROP}));
    LineCallInfo info;
    ASSERT_EQ(lineGetCallInfoA(call, &info), 0);
    EXPECT_EQ(info, (LineCallInfo{3, line, LINECALLORIGIN_OUTBOUND, "", "0711 1"}));

    const auto log = service_.GetRequestLog();
    ASSERT_GE(log.size(), 2u); // the make call and the refused drop
    const TapiRequestRecord& made = log[log.size() - 2];
    EXPECT_EQ(TapiFunctionName(made.function), "lineMakeCallA");
    EXPECT_EQ(made.result, id);
    EXPECT_EQ(made.hline, line);
    EXPECT_EQ(made.hcall, call);
    EXPECT_EQ(made.device_id, 3u);
    EXPECT_EQ(made.address, "0711 1");
    EXPECT_EQ(made.call_params, params);
    EXPECT_EQ(TapiFunctionName(log.back().function), "lineDrop");
    EXPECT_EQ(log.back().result, LINEERR_INVALCALLHANDLE);
}

TEST_F(CallsTest, FailedRequestsLeaveNoCall) {
    const HLINE line = OpenLine(3);
    service_.SetReplyPolicy(3, TapiFunction::kMakeCall,
                            {.mode = ReplyMode::kFailInReply, .error = LINEERR_CALLUNAVAIL});
    HCALL call = 0;
    const LONG id = lineMakeCallA(line, &call, "1", 0, nullptr);
    ASSERT_GT(id, 0);
    EXPECT_EQ(Drain(), (std::vector<LineMessage>{{0, LINE_REPLY, 0, static_cast<DWORD>(id),
                                                  static_cast<DWORD>(LINEERR_CALLUNAVAIL), 0}}));
    LineCallStatus status;
    EXPECT_EQ(lineGetCallStatus(call, &status), LINEERR_INVALCALLHANDLE);

    service_.SetReplyPolicy(3, TapiFunction::kMakeCall,
                            {.mode = ReplyMode::kFailAtOnce, .error = LINEERR_RESOURCEUNAVAIL});
    HCALL untouched = 0xABCDu;
    EXPECT_EQ(lineMakeCallA(line, &untouched, "1", 0, nullptr), LINEERR_RESOURCEUNAVAIL);
    EXPECT_EQ(untouched, 0xABCDu);
    EXPECT_TRUE(Drain().empty());
    EXPECT_EQ(lineMakeCallA(line, &call, "", 0, nullptr), LINEERR_INVALADDRESS);
    EXPECT_EQ(lineMakeCallA(line + 1000, &call, "1", 0, nullptr), LINEERR_INVALLINEHANDLE);
}

TEST_F(CallsTest, NeverAnsweringDeviceAndClosedLinesSendNoReply) {
    service_.SetReplyPolicy(3, TapiFunction::kMakeCall, {.mode = ReplyMode::kNever});
    const HLINE line = OpenLine(3);
    HCALL call = 0;
    ASSERT_GT(lineMakeCallA(line, &call, "1", 0, nullptr), 0);
    clock_.Advance(3600000);
    EXPECT_TRUE(Drain().empty());
    EXPECT_EQ(service_.GetWaitingReplyCount(), 1u);

    service_.SetReplyPolicy(3, TapiFunction::kMakeCall,
                            {.mode = ReplyMode::kDelayed, .delay_ms = 100});
    ASSERT_GT(lineMakeCallA(line, &call, "2", 0, nullptr), 0);
    EXPECT_EQ(lineClose(line), 0);
    EXPECT_EQ(service_.GetWaitingReplyCount(), 0u);
    clock_.Advance(100);
    const auto messages = Drain();
    ASSERT_EQ(messages.size(), 1u); // LINE_LINEDEVSTATE only
    EXPECT_EQ(messages[0].message_id, LINE_LINEDEVSTATE);
}

TEST_F(CallsTest, RequestIdsFollowTheScriptThenCountOn) {
    const HLINE line = OpenLine(3);
    service_.SetRequestIds({500, 42});
    HCALL call = 0;
    EXPECT_EQ(lineMakeCallA(line, &call, "1", 0, nullptr), 500);
    EXPECT_EQ(lineMakeCallA(line, &call, "2", 0, nullptr), 42);
    EXPECT_EQ(lineMakeCallA(line, &call, "3", 0, nullptr), 501);
}

// The calls of a scene: an offered call answered and held, a second one
// answered, a conference of the two.
class CallScene : public SimulatedTapiTest {
protected:
    void SetUp() override {
        SimulatedTapiTest::SetUp();
        line_ = OpenLine(3);
    }

public:
    HCALL Offered() { return service_.OfferCall(3, "089 1", "0711 1"); }
    HCALL Connected() {
        const HCALL call = Offered();
        EXPECT_GT(lineAnswer(call, nullptr, 0), 0);
        return call;
    }
    HCALL Held() {
        const HCALL call = Connected();
        EXPECT_GT(lineHold(call), 0);
        return call;
    }

protected:
    HLINE line_ = 0;
};

using StateEffectsTest = CallScene;

TEST_F(StateEffectsTest, SuccessfulRequestsMoveTheirCalls) {
    struct Row {
        const char* name;
        // Sets up the calls, makes the request and returns its result.
        std::function<LONG(StateEffectsTest&, HCALL&, HCALL&)> request;
        DWORD first_state;
        DWORD second_state; // 0: no second call
    };
    const Row rows[] = {
        {"answer",
         [](auto& t, HCALL& a, HCALL&) {
             a = t.Offered();
             return lineAnswer(a, nullptr, 0);
         },
         LINECALLSTATE_CONNECTED, 0},
        {"drop",
         [](auto& t, HCALL& a, HCALL&) {
             a = t.Connected();
             return lineDrop(a, nullptr, 0);
         },
         LINECALLSTATE_IDLE, 0},
        {"hold",
         [](auto& t, HCALL& a, HCALL&) {
             a = t.Connected();
             return lineHold(a);
         },
         LINECALLSTATE_ONHOLD, 0},
        {"unhold",
         [](auto& t, HCALL& a, HCALL&) {
             a = t.Held();
             return lineUnhold(a);
         },
         LINECALLSTATE_CONNECTED, 0},
        {"swap hold",
         [](auto& t, HCALL& a, HCALL& b) {
             b = t.Held();
             a = t.Connected();
             return lineSwapHold(a, b);
         },
         LINECALLSTATE_ONHOLD, LINECALLSTATE_CONNECTED},
        {"transfer",
         [](auto& t, HCALL& a, HCALL& b) {
             b = t.Held();
             a = t.Connected();
             return lineCompleteTransfer(a, b, nullptr, LINETRANSFERMODE_TRANSFER);
         },
         LINECALLSTATE_IDLE, LINECALLSTATE_IDLE},
        {"blind transfer",
         [](auto& t, HCALL& a, HCALL&) {
             a = t.Connected();
             return lineBlindTransferA(a, "22", 0);
         },
         LINECALLSTATE_IDLE, 0},
        {"redirect",
         [](auto& t, HCALL& a, HCALL&) {
             a = t.Offered();
             return lineRedirectA(a, "22", 0);
         },
         LINECALLSTATE_IDLE, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        HCALL first = 0;
        HCALL second = 0;
        const LONG id = row.request(*this, first, second);
        ASSERT_GT(id, 0);
        EXPECT_EQ(StateOf(first), row.first_state);
        if (row.second_state != 0) {
            EXPECT_EQ(StateOf(second), row.second_state);
        }
        const auto messages = Drain();
        // The request's reply comes before the state it causes.
        std::size_t reply = messages.size();
        std::size_t state = messages.size();
        for (std::size_t index = 0; index < messages.size(); ++index) {
            if (messages[index].message_id == LINE_REPLY &&
                messages[index].param1 == static_cast<DWORD>(id))
                reply = index;
            if (messages[index].message_id == LINE_CALLSTATE && messages[index].device == first &&
                messages[index].param1 == row.first_state)
                state = index;
        }
        EXPECT_LT(reply, state);
        EXPECT_EQ(messages[reply].param2, 0u);
    }
}

TEST_F(StateEffectsTest, ConferenceMakesANewCallAndRemovalReconnects) {
    const HCALL held = Held();
    const HCALL active = Connected();
    Drain();
    HCALL conference = 0;
    const LONG id = lineCompleteTransfer(active, held, &conference, LINETRANSFERMODE_CONFERENCE);
    ASSERT_GT(id, 0);
    EXPECT_NE(conference, 0u);
    EXPECT_EQ(StateOf(active), LINECALLSTATE_CONFERENCED);
    EXPECT_EQ(StateOf(held), LINECALLSTATE_CONFERENCED);
    EXPECT_EQ(StateOf(conference), LINECALLSTATE_CONNECTED);
    LineCallInfo info;
    ASSERT_EQ(lineGetCallInfoA(conference, &info), 0);
    EXPECT_EQ(info.origin, LINECALLORIGIN_CONFERENCE);
    const auto messages = Drain();
    EXPECT_EQ(States(messages, conference), (std::vector<DWORD>{LINECALLSTATE_CONNECTED}));
    EXPECT_EQ(messages.front(), (LineMessage{0, LINE_REPLY, 0, static_cast<DWORD>(id), 0, 0}));

    ASSERT_GT(lineRemoveFromConference(held), 0);
    EXPECT_EQ(StateOf(held), LINECALLSTATE_CONNECTED);
    EXPECT_EQ(States(Drain(), held), (std::vector<DWORD>{LINECALLSTATE_CONNECTED}));
}

// The first party removed, the second removed or hung up and dropped: the
// conference call, with no party left, is hung up and stays until dropped.
TEST_F(StateEffectsTest, AConferenceWithNoPartyLeftIsHungUp) {
    for (const bool removed : {true, false}) {
        SCOPED_TRACE(removed);
        const HCALL held = Held();
        const HCALL active = Connected();
        HCALL conference = 0;
        ASSERT_GT(lineCompleteTransfer(active, held, &conference, LINETRANSFERMODE_CONFERENCE), 0);
        ASSERT_GT(lineRemoveFromConference(held), 0);
        EXPECT_EQ(StateOf(conference), LINECALLSTATE_CONNECTED);
        Drain();
        if (removed) {
            ASSERT_GT(lineRemoveFromConference(active), 0);
        } else {
            ASSERT_EQ(service_.FarEndHangUp(active), 0);
            ASSERT_GT(lineDrop(active, nullptr, 0), 0);
        }
        EXPECT_EQ(States(Drain(), conference), (std::vector<DWORD>{LINECALLSTATE_DISCONNECTED}));
        ASSERT_GT(lineDrop(conference, nullptr, 0), 0);
        EXPECT_EQ(States(Drain(), conference), (std::vector<DWORD>{LINECALLSTATE_IDLE}));
        EXPECT_EQ(StateOf(removed ? active : held), LINECALLSTATE_CONNECTED);
    }
}

TEST_F(StateEffectsTest, FarEndAnswersRefusesOrHangsUp) {
    struct Row {
        LONG (SimulatedTapi::*action)(HCALL);
        DWORD state;
        DWORD mode;
    };
    for (const Row& row :
         {Row{&SimulatedTapi::FarEndAnswer, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE},
          Row{&SimulatedTapi::FarEndBusy, LINECALLSTATE_BUSY, LINEBUSYMODE_STATION},
          Row{&SimulatedTapi::FarEndHangUp, LINECALLSTATE_DISCONNECTED,
              LINEDISCONNECTMODE_NORMAL}}) {
        HCALL call = 0;
        ASSERT_GT(lineMakeCallA(line_, &call, "0711", 0, nullptr), 0);
        Drain();
        EXPECT_EQ((service_.*row.action)(call), 0);
        const auto messages = Drain();
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.front(), (LineMessage{call, LINE_CALLSTATE, 0, row.state, row.mode, 0}));
        LineCallStatus status;
        ASSERT_EQ(lineGetCallStatus(call, &status), 0);
        EXPECT_EQ(status.call_state_mode, row.mode);
    }
    const HCALL connected = Connected();
    EXPECT_EQ(service_.FarEndAnswer(connected), LINEERR_INVALCALLSTATE);
    EXPECT_EQ(service_.FarEndHangUp(connected), 0);
    EXPECT_EQ(service_.FarEndHangUp(connected), LINEERR_INVALCALLSTATE);
    EXPECT_EQ(service_.FarEndBusy(0x7FFF), LINEERR_INVALCALLHANDLE);
}

TEST_F(StateEffectsTest, RequestsTheStateDoesNotAllowAreRefused) {
    const HCALL offered = Offered();
    const HCALL connected = Connected();
    const HCALL other = Connected();
    const HCALL held = Held();
    Drain();
    EXPECT_EQ(lineHold(offered), LINEERR_INVALCALLSTATE);
    EXPECT_EQ(lineAnswer(connected, nullptr, 0), LINEERR_INVALCALLSTATE);
    EXPECT_EQ(lineUnhold(connected), LINEERR_INVALCALLSTATE);
    EXPECT_EQ(lineRemoveFromConference(connected), LINEERR_INVALCALLSTATE);
    EXPECT_EQ(lineRedirectA(connected, "22", 0), LINEERR_INVALCALLSTATE);
    EXPECT_EQ(lineBlindTransferA(offered, "22", 0), LINEERR_INVALCALLSTATE);
    EXPECT_EQ(lineBlindTransferA(connected, "", 0), LINEERR_INVALADDRESS);
    EXPECT_EQ(lineSwapHold(held, connected), LINEERR_INVALCALLSTATE);
    HCALL conference = 0;
    EXPECT_EQ(lineCompleteTransfer(connected, other, &conference, LINETRANSFERMODE_CONFERENCE),
              LINEERR_INVALCALLSTATE);
    EXPECT_EQ(lineCompleteTransfer(connected, held, &conference, 3), LINEERR_INVALTRANSFERMODE);
    EXPECT_EQ(lineCompleteTransfer(connected, 0x7FFF, &conference, LINETRANSFERMODE_TRANSFER),
              LINEERR_INVALCONSULTCALLHANDLE);
    EXPECT_EQ(conference, 0u);
    EXPECT_TRUE(Drain().empty());
    ASSERT_GT(lineDrop(connected, nullptr, 0), 0);
    EXPECT_EQ(lineDrop(connected, nullptr, 0), LINEERR_INVALCALLSTATE);
}

TEST_F(StateEffectsTest, DeallocationOnlyOfIdleCallsDropsTheirWaitingReplies) {
    const HCALL call = Connected();
    EXPECT_EQ(lineDeallocateCall(call), LINEERR_INVALCALLSTATE);
    service_.SetReplyPolicy(3, TapiFunction::kHold,
                            {.mode = ReplyMode::kDelayed, .delay_ms = 1000});
    const LONG hold = lineHold(call);
    ASSERT_GT(hold, 0);
    EXPECT_EQ(service_.FarEndHangUp(call), 0);
    ASSERT_GT(lineDrop(call, nullptr, 0), 0);
    EXPECT_EQ(StateOf(call), LINECALLSTATE_IDLE);
    Drain();
    EXPECT_EQ(lineDeallocateCall(call), 0);
    LineCallStatus status;
    EXPECT_EQ(lineGetCallStatus(call, &status), LINEERR_INVALCALLHANDLE);
    EXPECT_EQ(lineDeallocateCall(call), LINEERR_INVALCALLHANDLE);
    clock_.Advance(1000);
    EXPECT_TRUE(Drain().empty()); // no LINE_REPLY for the hold
    EXPECT_EQ(service_.GetWaitingReplyCount(), 0u);
}

TEST_F(StateEffectsTest, LateReplyForAStateThatChangedReportsInvalidState) {
    service_.SetReplyPolicy(3, TapiFunction::kHold, {.mode = ReplyMode::kDelayed, .delay_ms = 10});
    const HCALL call = Connected();
    const LONG hold = lineHold(call);
    ASSERT_GT(hold, 0);
    service_.FarEndHangUp(call);
    Drain();
    clock_.Advance(10);
    EXPECT_EQ(Drain(), (std::vector<LineMessage>{{0, LINE_REPLY, 0, static_cast<DWORD>(hold),
                                                  static_cast<DWORD>(LINEERR_INVALCALLSTATE), 0}}));
    EXPECT_EQ(StateOf(call), LINECALLSTATE_DISCONNECTED);
}

TEST_F(StateEffectsTest, OfferedCallsCarryPrivilegeCallerIdsAndScriptedFeatures) {
    hook_calls_ = 0;
    const HCALL call = service_.OfferCall(3, "089 1", "0711 1", LINECALLORIGIN_INTERNAL);
    EXPECT_EQ(hook_calls_, 1);
    EXPECT_EQ(Drain(), (std::vector<LineMessage>{
                           {call, LINE_CALLSTATE, 0, LINECALLSTATE_OFFERING,
                            LINEOFFERINGMODE_ACTIVE, LINECALLPRIVILEGE_OWNER},
                           {line_, LINE_ADDRESSSTATE, 0, 0, LINEADDRESSSTATE_NUMCALLS, 0},
                       }));
    EXPECT_EQ(service_.SetCallIds(call, "089 2", "0711 1"), 0);
    EXPECT_EQ(service_.SetCallIds(call, "089 2", "0711 1"), 0);
    EXPECT_EQ(Drain(), (std::vector<LineMessage>{
                           {call, LINE_CALLINFO, 0, LINECALLINFOSTATE_CALLERID, 0, 0}}));
    LineCallStatus status;
    ASSERT_EQ(lineGetCallStatus(call, &status), 0);
    EXPECT_EQ(status.call_features, LINECALLFEATURE_ACCEPT | LINECALLFEATURE_ANSWER |
                                        LINECALLFEATURE_DROP | LINECALLFEATURE_REDIRECT);
    service_.SetStateCallFeatures(3, LINECALLSTATE_OFFERING, LINECALLFEATURE_DROP);
    ASSERT_EQ(lineGetCallStatus(call, &status), 0);
    EXPECT_EQ(status.call_features, LINECALLFEATURE_DROP);
    EXPECT_EQ(service_.OfferCall(9, "1", "2"), 0u); // no open line

    // A line opened to make calls only is offered none; a monitoring line's
    // calls carry the monitor privilege, while calls it makes are its own.
    HLINE line = 0;
    ASSERT_EQ(lineOpenA(app_, 9, &line, kVersion, 0, 0, LINECALLPRIVILEGE_NONE, 4, nullptr), 0);
    EXPECT_EQ(service_.OfferCall(9, "1", "2"), 0u);
    ASSERT_EQ(lineClose(line), 0);
    ASSERT_EQ(lineOpenA(app_, 9, &line, kVersion, 0, 0, LINECALLPRIVILEGE_MONITOR, 4, nullptr), 0);
    Drain();
    const HCALL monitored = service_.OfferCall(9, "1", "2");
    HCALL made = 0;
    ASSERT_GT(lineMakeCallA(line, &made, "3", 0, nullptr), 0);
    std::vector<DWORD> privileges;
    for (const LineMessage& message : Drain())
        if (message.message_id == LINE_CALLSTATE && message.param3 != 0)
            privileges.push_back(message.device == monitored ? message.param3 : ~message.param3);
    EXPECT_EQ(privileges,
              (std::vector<DWORD>{LINECALLPRIVILEGE_MONITOR, ~LINECALLPRIVILEGE_OWNER}));
}

TEST_F(SimulatedTapiTest, ShutdownEndsTheApplicationAndItsLines) {
    const HLINE line = OpenLine(3);
    LineInitializeExParams hidden_window;
    hidden_window.options = LINEINITIALIZEEXOPTION_USEHIDDENWINDOW;
    HLINEAPP other = 0;
    DWORD count = 0;
    DWORD version = kVersion;
    EXPECT_EQ(lineInitializeExA(&other, "x", &count, &version, &hidden_window), LINEERR_INVALPARAM);
    EXPECT_EQ(lineShutdown(app_), 0);
    EXPECT_EQ(lineClose(line), LINEERR_INVALLINEHANDLE);
    LineMessage message;
    EXPECT_EQ(lineGetMessage(app_, &message, 0), LINEERR_INVALAPPHANDLE);
    EXPECT_EQ(lineShutdown(app_), LINEERR_INVALAPPHANDLE);
}

} // namespace
