#include "platform/capi/scripted_capi_controller.h"

#include "capi/capi_test_support.h"
#include "platform/capi/capi_wire.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace {

using Step = ScriptedCapiStep;

class ScriptedCapi : public testing::Test {
protected:
    void SetUp() override {
        capi_.AddController(1, 2);
        ASSERT_EQ(capi_.CAPI_REGISTER(3072, 2, 7, 2048, &appl_), 0u);
    }

    // The next message for the ApplID, copied; empty when none is due.
    Bytes Next(DWORD appl) {
        void* message = nullptr;
        if (capi_.CAPI_GET_MESSAGE(appl, &message) != 0)
            return {};
        const auto* bytes = static_cast<const std::uint8_t*>(message);
        std::size_t length = CapiMessageLength(bytes);
        if (bytes[kCapiOffsetCommand] == CAPI_DATA_B3 && bytes[kCapiOffsetSubcommand] == CAPI_IND)
            length += CapiGetWord(bytes + kCapiDataB3OffsetLength);
        return {bytes, bytes + length};
    }
    Bytes Next() { return Next(appl_); }

    void Put(const Bytes& message, DWORD appl = 0) {
        ASSERT_EQ(capi_.CAPI_PUT_MESSAGE(appl != 0 ? appl : appl_, message.data()), 0u);
    }

    void Listen(DWORD appl, std::uint32_t controller, std::uint32_t cip_mask) {
        Put(MessageImage()
                .Dword(controller)
                .Dword(0)
                .Dword(cip_mask)
                .Dword(0)
                .Empty()
                .Empty()
                .Finish(CAPI_LISTEN, CAPI_REQ, 1, appl),
            appl);
        Next(appl);
    }

    static Bytes ConnectReq(std::uint16_t number) {
        return MessageImage()
            .Dword(1)
            .Word(1)
            .Empty()
            .Struct({0x00, 0x80})
            .Empty()
            .Empty()
            .Empty()
            .Empty()
            .Empty()
            .Empty()
            .Struct({0, 0, 0, 0, 0})
            .Finish(CAPI_CONNECT, CAPI_REQ, number);
    }

    static std::uint8_t Command(const Bytes& m) { return m.size() > 5 ? m[4] : 0; }
    static std::uint8_t Sub(const Bytes& m) { return m.size() > 5 ? m[5] : 0; }
    static std::uint16_t Number(const Bytes& m) { return CapiGetWord(m.data() + 6); }
    static std::uint32_t Id(const Bytes& m) { return CapiGetDword(m.data() + 8); }
    static std::uint16_t WordAt(const Bytes& m, std::size_t at) {
        return CapiGetWord(m.data() + at);
    }

    ScriptedCapiController capi_;
    DWORD appl_ = 0;
};

TEST_F(ScriptedCapi, AnswersTheQueriesAsScripted) {
    DWORD second = 0;
    ASSERT_EQ(capi_.CAPI_REGISTER(0, 1, 1, 128, &second), 0u);
    EXPECT_EQ(second, appl_ + 1);
    EXPECT_EQ(capi_.CAPI_INSTALLED(), 0u);
    capi_.SetVersion(2, 0, 3, 4);
    DWORD version[4] = {};
    EXPECT_EQ(capi_.CAPI_GET_VERSION(&version[0], &version[1], &version[2], &version[3]), 0u);
    EXPECT_EQ(version[2], 3u);
    char manufacturer[64];
    capi_.SetManufacturer("maker");
    EXPECT_EQ(capi_.CAPI_GET_MANUFACTURER(manufacturer), 0u);
    EXPECT_STREQ(manufacturer, "maker");
    char serial[8];
    capi_.SetSerialNumber("123456789");
    EXPECT_EQ(capi_.CAPI_GET_SERIAL_NUMBER(serial), 0u);
    EXPECT_STREQ(serial, "1234567");
    std::uint8_t profile[64];
    EXPECT_EQ(capi_.CAPI_GET_PROFILE(profile, 1), 0u);
    EXPECT_EQ(CapiGetWord(profile), 1u);
    EXPECT_EQ(CapiGetWord(profile + 2), 2u);
    EXPECT_EQ(capi_.CAPI_GET_PROFILE(profile, 2), kCapiIllegalController);
    EXPECT_FALSE(capi_.AddController(1, 2));

    capi_.SetInstalledResult(kCapiRegNotInstalled);
    EXPECT_EQ(capi_.CAPI_INSTALLED(), kCapiRegNotInstalled);
    EXPECT_EQ(capi_.CAPI_REGISTER(0, 1, 1, 128, &second), kCapiRegNotInstalled);
    EXPECT_EQ(capi_.CAPI_PUT_MESSAGE(appl_, ConnectReq(1).data()), kCapiRegNotInstalled);
}

TEST_F(ScriptedCapi, ListenReqIsAnsweredWithItsNumberAndTheScriptedInfo) {
    capi_.SetListenInfo(0x300A);
    Put(MessageImage().Dword(1).Dword(0).Dword(2).Dword(0).Empty().Empty().Finish(
        CAPI_LISTEN, CAPI_REQ, 0x1234));
    const Bytes conf = Next();
    EXPECT_EQ(conf, MessageImage().Dword(1).Word(0x300A).Finish(CAPI_LISTEN, CAPI_CONF, 0x1234,
                                                                static_cast<std::uint16_t>(appl_)));
    EXPECT_EQ(capi_.GetPutMessages().size(), 1u);
    EXPECT_EQ(capi_.GetPutMessages()[0].size(), 26u);
    void* message = nullptr;
    EXPECT_EQ(capi_.CAPI_GET_MESSAGE(appl_, &message), kCapiReceiveQueueEmpty);
    EXPECT_EQ(capi_.CAPI_GET_MESSAGE(99, &message), kCapiIllegalApplId);
}

TEST_F(ScriptedCapi, OutgoingCallFollowsItsScriptOnTheClock) {
    ManualClock clock(0);
    ScopedClock scoped(clock);
    capi_.ScriptOutgoingCall(
        {Step::Make(Step::kAlerting, 0, 100), Step::Make(Step::kConnectActive, 0, 2000)});
    Put(ConnectReq(5));
    const Bytes conf = Next();
    ASSERT_EQ(Command(conf), CAPI_CONNECT);
    EXPECT_EQ(Sub(conf), CAPI_CONF);
    EXPECT_EQ(Number(conf), 5);
    EXPECT_EQ(WordAt(conf, 12), 0u);
    const std::uint32_t plci = Id(conf);
    EXPECT_EQ(plci & 0x7F, 1u);
    EXPECT_TRUE(Next().empty());
    clock.Advance(100);
    const Bytes info = Next();
    EXPECT_EQ(info, MessageImage().Dword(plci).Word(0x8001).Empty().Finish(
                        CAPI_INFO, CAPI_IND, Number(info), static_cast<std::uint16_t>(appl_)));
    clock.Advance(1999);
    EXPECT_EQ(capi_.PendingCount(appl_), 1u);
    EXPECT_TRUE(Next().empty());
    clock.Advance(1);
    const Bytes active = Next();
    EXPECT_EQ(Command(active), CAPI_CONNECT_ACTIVE);
    EXPECT_EQ(Id(active), plci);
    EXPECT_NE(Number(active), Number(info));
}

TEST_F(ScriptedCapi, RefusedCallEndsWithTheChosenReason) {
    capi_.ScriptOutgoingCall({Step::Make(Step::kDisconnect, 0x34A2)});
    Put(ConnectReq(1));
    const std::uint32_t plci = Id(Next());
    const Bytes disconnect = Next();
    EXPECT_EQ(Command(disconnect), CAPI_DISCONNECT);
    EXPECT_EQ(Id(disconnect), plci);
    EXPECT_EQ(WordAt(disconnect, 12), 0x34A2);
    // Not answered yet.
    ASSERT_EQ(capi_.GetViolations().size(), 1u);
    EXPECT_EQ(capi_.GetViolations()[0].kind, CapiProtocolViolation::kNeverAnswered);
    Put(MessageImage().Dword(plci).Finish(CAPI_DISCONNECT, CAPI_RESP, Number(disconnect)));
    EXPECT_TRUE(capi_.GetViolations().empty());
    Put(MessageImage().Dword(plci).Finish(CAPI_DISCONNECT, CAPI_RESP, Number(disconnect)));
    ASSERT_EQ(capi_.GetViolations().size(), 1u);
    EXPECT_EQ(capi_.GetViolations()[0].kind, CapiProtocolViolation::kAnsweredTwice);

    capi_.SetConnectInfo(0x2003);
    Put(ConnectReq(2));
    EXPECT_EQ(WordAt(Next(), 12), 0x2003);
}

TEST_F(ScriptedCapi, ResponseWithAnotherNumberIsFlagged) {
    capi_.ScriptOutgoingCall({Step::Make(Step::kAlerting)});
    Put(ConnectReq(1));
    const std::uint32_t plci = Id(Next());
    const Bytes info = Next();
    Put(MessageImage().Dword(plci).Finish(CAPI_INFO, CAPI_RESP, Number(info) + 1));
    const auto violations = capi_.GetViolations();
    ASSERT_EQ(violations.size(), 1u);
    EXPECT_EQ(violations[0].kind, CapiProtocolViolation::kWrongMessageNumber);
    EXPECT_EQ(violations[0].command, CAPI_INFO);
    Put(MessageImage().Dword(7).Finish(CAPI_CONNECT_B3, CAPI_RESP, 9));
    EXPECT_EQ(capi_.GetViolations().back().kind, CapiProtocolViolation::kUnexpectedResponse);
}

TEST_F(ScriptedCapi, IncomingCallReachesEveryMatchingListener) {
    capi_.AddController(2, 2);
    DWORD second = 0, other_service = 0, other_controller = 0;
    capi_.CAPI_REGISTER(0, 1, 1, 128, &second);
    capi_.CAPI_REGISTER(0, 1, 1, 128, &other_service);
    capi_.CAPI_REGISTER(0, 1, 1, 128, &other_controller);
    Listen(appl_, 1, 1);         // every service
    Listen(second, 1, 1u << 16); // telephony
    Listen(other_service, 1, 1u << 4);
    Listen(other_controller, 2, 1);
    ScriptedIncomingCall call;
    call.cip = 16;
    call.calling_number = "4711";
    call.calling_subaddress = {7};
    const std::uint32_t plci = capi_.IncomingCall(call);
    const Bytes first = Next(appl_);
    EXPECT_EQ(Command(first), CAPI_CONNECT);
    EXPECT_EQ(Sub(first), CAPI_IND);
    EXPECT_EQ(Id(first), plci);
    EXPECT_EQ(WordAt(first, 12), 16);
    const Bytes expected_tail = {0,                                      // called number
                                 6, 0x01, 0x80, '4',  '7', '1', '1',     // calling number
                                 0,                                      // called subaddress
                                 2, 0xA0, 7,                             // calling subaddress
                                 3, 0x80, 0x90, 0xA3, 0,   0,   0,   0}; // BC, LLC, HLC, AI, 2nd
    EXPECT_EQ(Bytes(first.begin() + 14, first.end()), expected_tail);
    EXPECT_EQ(Command(Next(second)), CAPI_CONNECT);
    EXPECT_TRUE(Next(other_service).empty());
    EXPECT_TRUE(Next(other_controller).empty());
}

TEST_F(ScriptedCapi, AcceptedCallBringsActiveB3AndData) {
    Listen(appl_, 1, 1);
    ScriptedIncomingCall call;
    call.after_accept = {Step::Make(Step::kConnectB3), Step::Data({1, 2, 3})};
    const std::uint32_t plci = capi_.IncomingCall(call);
    const Bytes indication = Next();
    Put(MessageImage()
            .Dword(plci)
            .Word(0)
            .Empty()
            .Struct({0, 0x80})
            .Empty()
            .Empty()
            .Struct({0, 0, 0, 0, 0})
            .Finish(CAPI_CONNECT, CAPI_RESP, Number(indication)));
    EXPECT_EQ(Command(Next()), CAPI_CONNECT_ACTIVE);
    const Bytes b3 = Next();
    EXPECT_EQ(Command(b3), CAPI_CONNECT_B3);
    const std::uint32_t ncci = Id(b3);
    EXPECT_EQ(ncci & 0xFFFF, plci);
    const Bytes data = Next();
    ASSERT_EQ(Command(data), CAPI_DATA_B3);
    EXPECT_EQ(CapiMessageLength(data.data()), 22u);
    EXPECT_EQ(CapiGetDword(data.data() + kCapiDataB3OffsetData), 0u);
    EXPECT_EQ(Bytes(data.begin() + 22, data.end()), (Bytes{1, 2, 3}));
    Put(MessageImage().Dword(ncci).Word(0).Empty().Finish(CAPI_CONNECT_B3, CAPI_RESP, Number(b3)));
    EXPECT_EQ(Command(Next()), CAPI_CONNECT_B3_ACTIVE);
    // The DATA_B3_IND is still unanswered.
    ASSERT_EQ(capi_.GetViolations().size(), 1u);
    EXPECT_EQ(capi_.GetViolations()[0].command, CAPI_DATA_B3);
}

// Another device answered first, or the caller hung up while it rang: the
// late answer connects nothing, accepting or not.
TEST_F(ScriptedCapi, ACallClearedBeforeItsAnswerStaysCleared) {
    Listen(appl_, 1, 1);
    for (std::uint16_t reject : {0, 1}) {
        SCOPED_TRACE(reject);
        const std::uint32_t plci = capi_.IncomingCall(ScriptedIncomingCall{});
        capi_.ScheduleSteps(plci, {Step::Make(Step::kDisconnect, 0x349A)});
        const Bytes indication = Next();
        const Bytes disconnect = Next();
        ASSERT_EQ(Command(disconnect), CAPI_DISCONNECT);
        Put(MessageImage()
                .Dword(plci)
                .Word(reject)
                .Empty()
                .Empty()
                .Empty()
                .Empty()
                .Struct({0, 0, 0, 0, 0})
                .Finish(CAPI_CONNECT, CAPI_RESP, Number(indication)));
        Put(MessageImage().Dword(plci).Finish(CAPI_DISCONNECT, CAPI_RESP, Number(disconnect)));
        EXPECT_TRUE(Next().empty());
    }
    EXPECT_TRUE(capi_.GetViolations().empty());
}

// A PLCI goes out again only once the DISCONNECT_IND of its call has been
// answered; with all 255 held no call is offered, and an answer after the
// call is gone connects nothing.
TEST_F(ScriptedCapi, APlciGoesOutAgainOnlyOnceItsCallIsGone) {
    Listen(appl_, 1, 1);
    std::set<std::uint32_t> plcis;
    for (int i = 0; i < 255; ++i) {
        plcis.insert(capi_.IncomingCall(ScriptedIncomingCall{}));
        Next();
    }
    EXPECT_EQ(plcis.size(), 255u);
    EXPECT_EQ(capi_.IncomingCall(ScriptedIncomingCall{}), 0u);
    EXPECT_EQ(capi_.PendingCount(appl_), 0u);
    capi_.ScheduleSteps(0x0701, {Step::Make(Step::kDisconnect, 0x3490)});
    Put(MessageImage().Dword(0x0701).Finish(CAPI_DISCONNECT, CAPI_RESP, Number(Next())));
    // The CONNECT_IND of PLCI 0x0701 was the seventh indication.
    Put(MessageImage()
            .Dword(0x0701)
            .Word(0)
            .Empty()
            .Empty()
            .Empty()
            .Empty()
            .Struct({0, 0, 0, 0, 0})
            .Finish(CAPI_CONNECT, CAPI_RESP, 7));
    EXPECT_TRUE(Next().empty());
    EXPECT_EQ(capi_.IncomingCall(ScriptedIncomingCall{}), 0x0701u);
    EXPECT_TRUE(capi_.GetViolations().empty());
}

TEST_F(ScriptedCapi, FacilityRequestsAreConfirmedAndIndicated) {
    capi_.SetFacilityReason(3, 0x3303);
    for (std::uint8_t function : {2, 3, 6}) {
        SCOPED_TRACE(function);
        Put(MessageImage()
                .Dword(0x0101)
                .Word(3)
                .Struct({function, 0, 0})
                .Finish(CAPI_FACILITY, CAPI_REQ, 40));
        const Bytes conf = Next();
        EXPECT_EQ(Sub(conf), CAPI_CONF);
        EXPECT_EQ(Number(conf), 40);
        const Bytes indication = Next();
        EXPECT_EQ(Sub(indication), CAPI_IND);
        EXPECT_EQ(indication[15], function);
        EXPECT_EQ(WordAt(indication, 18), function == 3 ? 0x3303 : 0);
    }
}

TEST_F(ScriptedCapi, SilentModeCopiesButAnswersNothing) {
    capi_.SetSilent(true);
    Put(ConnectReq(1));
    EXPECT_TRUE(Next().empty());
    EXPECT_EQ(capi_.GetPutMessages().back(), ConnectReq(1));
    capi_.SetSilent(false);
    Put(MessageImage().Dword(0x0101).Empty().Finish(CAPI_DISCONNECT, CAPI_REQ, 3));
    EXPECT_EQ(Sub(Next()), CAPI_CONF);
    EXPECT_EQ(Sub(Next()), CAPI_IND);
}

TEST_F(ScriptedCapi, DataB3RequestIsCopiedWithItsData) {
    Bytes request = MessageImage().Dword(0x10101).Dword(0).Word(2).Word(9).Word(0).Finish(
        CAPI_DATA_B3, CAPI_REQ);
    request.insert(request.end(), {0x55, 0x66});
    Put(request);
    EXPECT_EQ(capi_.GetPutMessages().back(), request);
    const Bytes conf = Next();
    EXPECT_EQ(WordAt(conf, 12), 9);
    EXPECT_EQ(capi_.CAPI_RELEASE(appl_), 0u);
    EXPECT_EQ(capi_.CAPI_RELEASE(appl_), kCapiIllegalApplId);
}

} // namespace
