#include "capi/capi_data_manager.h"

#include "capi_service_fixture.h"
#include "capi_test_support.h"
#include "framework/holder_objects.h"
#include "framework/named_value.h"
#include "platform/text.h"

#include <cstring>

namespace {

Bytes Frame(const std::string& text, std::uint16_t length_field) {
    Bytes frame = {0x50, 0xA0, 0x50, 0xA0, 0x50, 0xA0, 0x50, 0xA0,
                   static_cast<std::uint8_t>(length_field),
                   static_cast<std::uint8_t>(length_field >> 8)};
    const std::size_t header = frame.size();
    frame.resize(header + text.size());
    std::copy(text.begin(), text.end(), frame.begin() + static_cast<std::ptrdiff_t>(header));
    frame.resize(32, 0);
    return frame;
}

class CapiDataManagerTest : public CapiServiceFixture {
protected:
    void SetUp() override {
        CapiServiceFixture::SetUp();
        StartListening();
        auto* manager = new CapiDataManager;
        manager->SetText1("0891234");
        auto* request = new CKvMessage;
        request->SetHeader(KV_MSG_KIND_REQUEST, manager, CapiDataManager::kTypeCode,
                           KV_MSG_COMMAND_NOTIFICATION, 5, 0);
        request->SetJobIds(0, 91, 0);
        ASSERT_EQ(request->Send(CapiService::kEndpoint, kJob, &router_, 0, true, false), KV_OK);
        Drive(3);
        const auto accepted = JobMessagesWith(KV_MSG_ATTR_ACCEPTED);
        ASSERT_EQ(accepted.size(), 1u);
        id_ = accepted[0]->GetTargetJobId();
        data_ = static_cast<CapiDataManager*>(service_.GetHost().FindManagerByJobId(id_));
        ASSERT_NE(data_, nullptr);
        ASSERT_EQ(data_->GetState(), capi_state::kListening);
    }
    std::uint32_t Call(std::vector<ScriptedCapiStep> steps, const std::string& connected = "") {
        ScriptedIncomingCall call;
        call.called_number = "0891234";
        call.calling_number = "0301111";
        call.connected_number = connected;
        call.after_accept = std::move(steps);
        return capi_.IncomingCall(call);
    }
    // A call whose B3 link is up, the manager reading it; its PLCI. The
    // network names it connected to the own number.
    std::uint32_t CallBeingRead() {
        const std::uint32_t plci =
            Call({ScriptedCapiStep::Make(ScriptedCapiStep::kConnectB3, 0, 100)}, "0891234");
        Drive(6, 100);
        EXPECT_EQ(data_->GetSubState(), CapiDataManager::kReading);
        return plci;
    }
    // A call whose one frame is read.
    void ReadNextCall(const std::string& text) {
        Call({ScriptedCapiStep::Make(ScriptedCapiStep::kConnectB3, 0, 100),
              ScriptedCapiStep::Data(Frame(text, static_cast<std::uint16_t>(text.size())), 100)});
        Drive(8, 100);
        EXPECT_EQ(Frames(), std::vector<std::string>{text});
    }
    std::uint16_t ApplId() { return static_cast<std::uint16_t>(service_.GetHost().GetApplId()); }
    std::vector<std::string> Frames() const {
        std::vector<std::string> frames;
        for (CKvMessage* message : JobMessagesWith(KV_MSG_ATTR_NOTIFICATION)) {
            auto* value = static_cast<CKvNamedValue*>(message->GetPayload());
            EXPECT_EQ(value->GetName(), "CAPI_DATA_FRAME");
            EXPECT_EQ(value->GetNumber(), value->GetValue().size());
            frames.push_back(value->GetValue());
        }
        return frames;
    }
    void Stop() {
        auto* stop = new CKvMessage;
        stop->SetHeader(KV_MSG_KIND_REQUEST, nullptr, 0, 0, 0, 0);
        stop->SetAttribute(KV_MSG_ATTR_SHUTDOWN);
        stop->SetJobIds(id_, 91, 0);
        ASSERT_EQ(stop->Send(CapiService::kEndpoint, kJob, &router_, 0, true, false), KV_OK);
    }

    std::uint32_t id_ = 0;
    CapiDataManager* data_ = nullptr;
};

TEST_F(CapiDataManagerTest, TwoFramesInOneBlockGiveTwoNotificationsOnTwoSteps) {
    Bytes block = Frame("hello", 5);
    const Bytes second = Frame("", 0);
    block.insert(block.end(), second.begin(), second.end());
    Call({ScriptedCapiStep::Make(ScriptedCapiStep::kConnectB3, 0, 100),
          ScriptedCapiStep::Data(block, 100)});
    Drive(6, 100);
    EXPECT_EQ(data_->GetSubState(), CapiDataManager::kReading);
    Drive(1);
    const auto frames = Frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], "hello");
    EXPECT_EQ(frames[1], "");
    EXPECT_EQ(data_->GetFrameLength(), 0u);
    Drive(4);
    EXPECT_EQ(Frames().size(), 2u);
    EXPECT_TRUE(capi_.GetViolations().empty());
}

TEST_F(CapiDataManagerTest, ALongFrameIsCutToTwentyBytes) {
    Call({ScriptedCapiStep::Make(ScriptedCapiStep::kConnectB3, 0, 100),
          ScriptedCapiStep::Data(Frame("0123456789ABCDEFGHIJKLMNOPQRSTUV", 40), 100),
          ScriptedCapiStep::Data(Frame("x", 1), 100)});
    Drive(10, 100);
    const auto frames = Frames();
    ASSERT_GE(frames.size(), 1u);
    EXPECT_EQ(frames[0], "0123456789ABCDEFGHIJ");
}

TEST_F(CapiDataManagerTest, PaddedShortBlocksReportEachFrameOnce) {
    std::vector<ScriptedCapiStep> steps = {
        ScriptedCapiStep::Make(ScriptedCapiStep::kConnectB3, 0, 100)};
    for (int i = 0; i < 12; ++i)
        steps.push_back(ScriptedCapiStep::Data(Frame(std::string(1, static_cast<char>('a' + i)), 1), 100));
    Call(steps);
    Drive(40, 100);
    const auto frames = Frames();
    ASSERT_GE(frames.size(), 8u);
    for (std::size_t i = 0; i < frames.size(); ++i)
        EXPECT_EQ(frames[i], std::string(1, static_cast<char>('a' + i)));
    EXPECT_LT(data_->GetReadPosition(), CapiDataManager::kKeepBelow);
}

// The network answers the clearing, or says nothing: then the call's
// records go back a second later, and the call is not cleared twice.
class NoB3Test : public CapiDataManagerTest, public testing::WithParamInterface<bool> {};

TEST_P(NoB3Test, NoB3WithinTheDataWaitClearsTheCall) {
    Call({});
    Drive(4, 100);
    EXPECT_EQ(data_->GetSubState(), CapiDataManager::kWaitingForB3);
    capi_.SetSilent(GetParam());
    Drive(30, 100);
    EXPECT_EQ(PutMessagesOf(CAPI_DISCONNECT, CAPI_REQ).size(), 1u);
    Drive(12, 100);
    EXPECT_EQ(PutMessagesOf(CAPI_DISCONNECT, CAPI_REQ).size(), 1u);
    EXPECT_EQ(data_->GetSubState(), CapiDataManager::kIdle);
    EXPECT_EQ(service_.GetHost().GetConnectionTable().GetFreeCount(), 4u);
    EXPECT_TRUE(capi_.GetViolations().empty());
}

INSTANTIATE_TEST_SUITE_P(Silent, NoB3Test, testing::Bool());

TEST_F(CapiDataManagerTest, AShutdownDuringACallActsAfterIt) {
    const std::uint32_t plci = Call({ScriptedCapiStep::Make(ScriptedCapiStep::kConnectB3, 0, 100)});
    Drive(6, 100);
    ASSERT_EQ(data_->GetSubState(), CapiDataManager::kReading);
    Stop();
    Drive(3);
    EXPECT_EQ(service_.GetHost().FindManagerByJobId(id_), data_);
    EXPECT_TRUE(JobMessagesWith(KV_MSG_ATTR_ENDED).empty());
    capi_.ScheduleSteps(plci, {ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnectB3),
                               ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnect, 0x3490)});
    Drive(12, 100);
    EXPECT_EQ(JobMessagesWith(KV_MSG_ATTR_ENDED).size(), 1u);
    EXPECT_EQ(service_.GetHost().FindManagerByJobId(id_), nullptr);
}

// Another device on the bus answered first (0x349A), or the caller hung up
// while it rang: the call ends before it is active, and its record goes back
// to the owner, so the next call still finds one.
TEST_F(CapiDataManagerTest, CallsClearedBeforeTheyAreActiveGiveTheirRecordsBack) {
    CapiConnectionTable& table = service_.GetHost().GetConnectionTable();
    const std::uint32_t records = table.GetFreeCount();
    ASSERT_GE(records, 2u);
    for (std::uint32_t i = 0; i < records; ++i) {
        const std::uint16_t reason = i % 2 == 0 ? 0x349A : 0x3490;
        capi_.ScheduleSteps(Call({}),
                            {ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnect, reason)});
        Drive(2);
    }
    EXPECT_EQ(PutMessagesOf(CAPI_CONNECT, CAPI_RESP).size(), records);
    EXPECT_EQ(PutMessagesOf(CAPI_DISCONNECT, CAPI_RESP).size(), records);
    EXPECT_EQ(table.GetFreeCount(), records);
    Call({ScriptedCapiStep::Make(ScriptedCapiStep::kConnectB3, 0, 100),
          ScriptedCapiStep::Data(Frame("read", 4), 100)});
    Drive(8, 100);
    EXPECT_EQ(Frames(), std::vector<std::string>{"read"});
    EXPECT_TRUE(capi_.GetViolations().empty());
}

// More calls than a controller has PLCIs, each cleared by the network as
// it is answered, its CONNECT_ACTIVE_IND still coming in that pass: records
// back in state 0 take no indication, the owner answers each once, the PLCIs
// go out again and the call after them is read once.
TEST_F(CapiDataManagerTest, CallsClearedAsTheyAreAnsweredLeaveNothingBehind) {
    for (int i = 0; i < 300; ++i) {
        capi_.ScheduleSteps(Call({}),
                            {ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnect, 0x3490),
                             ScriptedCapiStep::Make(ScriptedCapiStep::kConnectActive)});
        Drive(2);
    }
    EXPECT_EQ(PutMessagesOf(CAPI_CONNECT_ACTIVE, CAPI_RESP).size(), 300u);
    EXPECT_EQ(service_.GetHost().GetConnectionTable().GetFreeCount(), 4u);
    ReadNextCall("read");
    Drive(30, 100);
    EXPECT_TRUE(PutMessagesOf(CAPI_DISCONNECT, CAPI_REQ).empty());
    EXPECT_TRUE(capi_.GetViolations().empty());
}

TEST_F(CapiDataManagerTest, ASecondCallerWhileACallIsReadIsIgnored) {
    CallBeingRead();
    CapiConnectionTable& table = service_.GetHost().GetConnectionTable();
    const std::uint32_t free = table.GetFreeCount();
    const std::uint16_t appl_id = ApplId();
    capi_.SetNextIndicationNumber(appl_id, 0x4000);
    const std::uint32_t second = Call({});
    Drive(3);
    const auto answers = PutMessagesOf(CAPI_CONNECT, CAPI_RESP);
    ASSERT_EQ(answers.size(), 2u);
    // Reject 1 (ignore), the B protocol of every answer, no connected number,
    // subaddress or LLC, empty additional info.
    EXPECT_EQ(answers[1], MessageImage()
                              .Dword(second)
                              .Word(1)
                              .Struct({1, 0, 1, 0, 0, 0, 0, 0, 0})
                              .Struct({0, 0x80})
                              .Empty()
                              .Empty()
                              .Struct({0, 0, 0, 0, 0})
                              .Finish(CAPI_CONNECT, CAPI_RESP, 0x4000, appl_id));
    EXPECT_EQ(table.GetFreeCount(), free);
    EXPECT_EQ(data_->GetConnections().InUse().size(), 1u);
    EXPECT_EQ(data_->GetSubState(), CapiDataManager::kReading);
    // The network's DISCONNECT_IND for the ignored call is answered too.
    EXPECT_TRUE(capi_.GetViolations().empty());
}

// Two calls taken in one pass: the first is read, the second is cleared
// when the first ends, before the records go back. The second sends 1,030
// full blocks meanwhile, which nobody reads: its stream drops 6 of them, and
// the text on dropped blocks, which names the call read, is not posted.
TEST_F(CapiDataManagerTest, ASecondCallTakenInTheSamePassIsClearedWithTheFirst) {
    const std::uint32_t first = Call({ScriptedCapiStep::Make(ScriptedCapiStep::kConnectB3, 0, 100),
                                      ScriptedCapiStep::Data(Frame("one", 3), 100)});
    std::vector<ScriptedCapiStep> blocks(1030, ScriptedCapiStep::Data(Bytes(128, 0x11), 16));
    blocks.insert(blocks.begin(), ScriptedCapiStep::Make(ScriptedCapiStep::kConnectB3, 0, 100));
    const std::uint32_t second = Call(blocks);
    Drive(8, 100);
    EXPECT_EQ(PutMessagesOf(CAPI_CONNECT, CAPI_RESP).size(), 2u);
    EXPECT_EQ(Frames(), std::vector<std::string>{"one"});
    Drive(170, 100);
    EXPECT_EQ(PutMessagesOf(CAPI_DATA_B3, CAPI_RESP).size(), 1031u);
    EXPECT_EQ(data_->GetDroppedBlocks(), 6u);
    EXPECT_TRUE(PutMessagesOf(CAPI_DISCONNECT, CAPI_REQ).empty());
    capi_.ScheduleSteps(first, {ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnectB3),
                                ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnect, 0x3490)});
    Drive(8, 100);
    const auto requests = PutMessagesOf(CAPI_DISCONNECT, CAPI_REQ);
    ASSERT_EQ(requests.size(), 1u);
    const std::uint16_t appl_id = ApplId();
    EXPECT_EQ(requests[0],
              MessageImage()
                  .Dword(second)
                  .Struct({0, 0, 0, 0, 0})
                  .Finish(CAPI_DISCONNECT, CAPI_REQ, CapiGetWord(&requests[0][6]), appl_id));
    EXPECT_EQ(data_->GetSubState(), CapiDataManager::kIdle);
    EXPECT_TRUE(data_->GetConnections().InUse().empty());
    EXPECT_EQ(service_.GetHost().GetConnectionTable().GetFreeCount(), 4u);
    // The second call's DISCONNECT_IND is answered by the owner.
    EXPECT_EQ(PutMessagesOf(CAPI_DISCONNECT, CAPI_RESP).size(), 2u);
    EXPECT_TRUE(status_messages_.empty());
    EXPECT_TRUE(capi_.GetViolations().empty());
}

// Cut behind its PLCI, the DISCONNECT_IND still ends the call here: the
// manager answers it once and a stop request is then honoured.
TEST_F(CapiDataManagerTest, ADisconnectIndCutBeforeItsReasonEndsTheCall) {
    const std::uint32_t plci = CallBeingRead();
    Stop();
    Drive(2);
    CapiHost& host = service_.GetHost();
    const std::uint16_t appl_id = ApplId();
    ASSERT_TRUE(host.StoreMessage(
        appl_id, MessageImage().Dword(plci).Finish(CAPI_DISCONNECT, CAPI_IND, 0x4321, appl_id)));
    Drive(6, 100);
    const auto answers = PutMessagesOf(CAPI_DISCONNECT, CAPI_RESP);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0],
              MessageImage().Dword(plci).Finish(CAPI_DISCONNECT, CAPI_RESP, 0x4321, appl_id));
    EXPECT_EQ(JobMessagesWith(KV_MSG_ATTR_ENDED).size(), 1u);
    EXPECT_EQ(host.FindManagerByJobId(id_), nullptr);
    EXPECT_EQ(host.GetConnectionTable().GetFreeCount(), 4u);
}

// A block of three frames; the B3 link and the call go in the pass the link
// comes up in, in the pass of the block, or in the pass after it: ms after
// CONNECT_B3_IND and after the block, passes every 10 ms.
class HangUpWithFramesHeldTest
    : public CapiDataManagerTest,
      public testing::WithParamInterface<std::pair<std::uint32_t, std::uint32_t>> {};

TEST_P(HangUpWithFramesHeldTest, EveryFrameIsReportedBeforeTheCallIsCleared) {
    Bytes block = Frame("one", 3);
    for (const Bytes& frame : {Frame("two", 3), Frame("three", 5)})
        block.insert(block.end(), frame.begin(), frame.end());
    Call({ScriptedCapiStep::Make(ScriptedCapiStep::kConnectB3, 0, 50),
          ScriptedCapiStep::Data(block, GetParam().first),
          ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnectB3, 0, GetParam().second),
          ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnect, 0x3490)});
    Drive(40, 10);
    EXPECT_EQ(Frames(), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_TRUE(data_->GetConnections().InUse().empty());
    EXPECT_EQ(service_.GetHost().GetConnectionTable().GetFreeCount(), 4u);
    EXPECT_TRUE(PutMessagesOf(CAPI_DISCONNECT, CAPI_REQ).empty());
    EXPECT_TRUE(capi_.GetViolations().empty());
}

INSTANTIATE_TEST_SUITE_P(Passes, HangUpWithFramesHeldTest,
                         testing::Values(std::pair{10u, 0u}, std::pair{50u, 0u},
                                         std::pair{50u, 10u}));

// A peer sending back to back at 64 kbit/s, a frame every 32 bytes: one
// 128-byte DATA_B3_IND every 16 ms for 40 s, the owner passed every 10 ms.
TEST_F(CapiDataManagerTest, FramesAtTheChannelsRateAreAllReported) {
    std::vector<ScriptedCapiStep> steps = {
        ScriptedCapiStep::Make(ScriptedCapiStep::kConnectB3, 0, 100)};
    std::vector<std::string> sent;
    for (int block = 0; block < 2500; ++block) {
        Bytes bytes;
        for (int i = 0; i < 4; ++i) {
            sent.push_back(Format("%05zu", sent.size()));
            const Bytes frame = Frame(sent.back(), 5);
            bytes.insert(bytes.end(), frame.begin(), frame.end());
        }
        steps.push_back(ScriptedCapiStep::Data(bytes, 16));
    }
    Call(steps);
    Drive(4040, 10);
    EXPECT_TRUE(Frames() == sent);
    EXPECT_EQ(data_->GetDroppedBlocks(), 0u);
}

// The network never makes the answered calls active nor clears them, and
// answers their clearing or not: each of as many calls as the owner has
// records, one a second, gets one DISCONNECT_REQ 11 s after its answer; the
// records come back and the next call is read.
class NeverActivatedCallsTest : public CapiDataManagerTest,
                                public testing::WithParamInterface<bool> {};

TEST_P(NeverActivatedCallsTest, EachIsClearedAfterElevenSecondsAndItsRecordComesBack) {
    CapiConnectionTable& table = service_.GetHost().GetConnectionTable();
    const std::uint32_t records = table.GetFreeCount();
    std::vector<std::uint32_t> plcis;
    for (std::uint32_t i = 0; i < records; ++i) {
        ScriptedIncomingCall call;
        call.called_number = "0891234";
        call.activates = false;
        plcis.push_back(capi_.IncomingCall(call));
        Drive(10, 100);
    }
    capi_.SetSilent(!GetParam());
    Drive(70, 100);
    // Call i was answered at i s; by i + 10.9 s it is not cleared, by
    // i + 11.9 s it is.
    for (std::uint32_t i = 0; i < records; ++i) {
        EXPECT_EQ(PutMessagesOf(CAPI_DISCONNECT, CAPI_REQ).size(), i);
        Drive(10, 100);
    }
    std::vector<std::uint32_t> cleared;
    for (const Bytes& request : PutMessagesOf(CAPI_DISCONNECT, CAPI_REQ))
        cleared.push_back(CapiGetDword(&request[8]));
    EXPECT_EQ(cleared, plcis);
    Drive(5, 100);
    EXPECT_EQ(table.GetFreeCount(), records);
    capi_.SetSilent(false);
    ReadNextCall("next");
    EXPECT_TRUE(capi_.GetViolations().empty());
}

INSTANTIATE_TEST_SUITE_P(Clearing, NeverActivatedCallsTest, testing::Bool());

// A call cleared for want of activation or at a stop request, the clearing
// refused or unanswered for 1 s, its record back: made active after all, it
// is cleared by the owner, once.
struct Clearing {
    bool refused;
    bool at_stop;
};

void PrintTo(const Clearing& clearing, std::ostream* out) {
    *out << (clearing.at_stop ? "at a stop, " : "unactivated, ")
         << (clearing.refused ? "refused" : "unanswered");
}

class ActivatedAfterItsClearingTest : public CapiDataManagerTest,
                                      public testing::WithParamInterface<Clearing> {};

TEST_P(ActivatedAfterItsClearingTest, TheOwnerClearsTheCallOnce) {
    ScriptedIncomingCall call;
    call.called_number = "0891234";
    call.activates = false;
    const std::uint32_t plci = capi_.IncomingCall(call);
    Drive(2);
    capi_.SetDisconnectInfo(GetParam().refused ? 0x2002 : 0);
    capi_.SetSilent(!GetParam().refused);
    if (GetParam().at_stop) {
        Stop();
        Drive(6, 100);
        EXPECT_EQ(service_.GetHost().FindManagerByJobId(id_), nullptr);
    } else {
        Drive(125, 100);
    }
    ASSERT_EQ(PutMessagesOf(CAPI_DISCONNECT, CAPI_REQ).size(), 1u);
    capi_.SetDisconnectInfo(0);
    capi_.SetSilent(false);
    const std::size_t before = capi_.GetPutMessages().size();
    capi_.SetNextIndicationNumber(ApplId(), 0x4000);
    const auto active = ScriptedCapiStep::Make(ScriptedCapiStep::kConnectActive);
    capi_.ScheduleSteps(plci, {active, active});
    Drive(3, 100);
    const auto puts = capi_.GetPutMessages();
    EXPECT_EQ(std::vector<Bytes>(puts.begin() + static_cast<std::ptrdiff_t>(before), puts.end()),
              (std::vector<Bytes>{
                  MessageImage().Dword(plci).Finish(CAPI_CONNECT_ACTIVE, CAPI_RESP, 0x4000, ApplId()),
                  MessageImage().Dword(plci).Struct({0, 0, 0, 0, 0}).Finish(
                      CAPI_DISCONNECT, CAPI_REQ, service_.GetHost().GetMessageNumber(), ApplId()),
                  MessageImage().Dword(plci).Finish(CAPI_CONNECT_ACTIVE, CAPI_RESP, 0x4001, ApplId()),
                  MessageImage().Dword(plci).Finish(CAPI_DISCONNECT, CAPI_RESP, 0x4002, ApplId())}));
    if (!GetParam().at_stop) {
        EXPECT_EQ(data_->GetSubState(), CapiDataManager::kIdle);
    }
    EXPECT_EQ(service_.GetHost().GetConnectionTable().GetFreeCount(), 4u);
    EXPECT_TRUE(capi_.GetViolations().empty());
}

INSTANTIATE_TEST_SUITE_P(RefusedOrUnanswered, ActivatedAfterItsClearingTest,
                         testing::Values(Clearing{false, false}, Clearing{true, false}));
INSTANTIATE_TEST_SUITE_P(AtAStop, ActivatedAfterItsClearingTest,
                         testing::Values(Clearing{true, true}));

// 120 s at the channel's rate (250 frames a second), then a hang-up. Passes
// 40 ms apart read 200 a second: the receive stream fills, later blocks are
// dropped, and one status text names them once the records go back. Passes
// 10 ms apart drop none and post nothing.
class DroppedBlocksTest : public CapiDataManagerTest,
                          public testing::WithParamInterface<std::uint32_t> {};

TEST_P(DroppedBlocksTest, AreNamedInOneStatusTextOnceTheCallIsOver) {
    Bytes block;
    for (const Bytes frame = Frame("data", 4); block.size() < 128;)
        block.insert(block.end(), frame.begin(), frame.end());
    std::vector<ScriptedCapiStep> steps(7500, ScriptedCapiStep::Data(block, 16));
    steps.insert(steps.begin(), ScriptedCapiStep::Make(ScriptedCapiStep::kConnectB3, 0, 100));
    steps.push_back(ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnect, 0x3490, 16));
    Call(steps);
    Drive(static_cast<int>(150'000 / GetParam()), GetParam());
    std::vector<std::string> texts;
    for (CKvMessage* message : status_messages_)
        texts.push_back(static_cast<CKvStampedTextRecord*>(message->GetPayload())->text);
    const std::uint32_t dropped = data_->GetDroppedBlocks();
    EXPECT_EQ(dropped > 0, GetParam() == 40);
    EXPECT_EQ(texts, dropped == 0 ? std::vector<std::string>{}
                                  : std::vector{Format("CAPI data: %u blocks received during the "
                                                       "call were dropped, the receive stream "
                                                       "being full",
                                                       dropped)});
    EXPECT_EQ(Frames().size() + 4 * dropped, 30'000u);
    EXPECT_EQ(service_.GetHost().GetConnectionTable().GetFreeCount(), 4u);
}

// The same 120 s with the frames split across blocks of 1 to 128 bytes and
// noise before every tenth frame, each block due when its last byte is at
// 64 kbit/s. Every frame reported was sent, byte for byte, and after the one
// reported before it; at 10 ms passes every frame is.
TEST_P(DroppedBlocksTest, AFrameCutByADroppedBlockIsDroppedWithIt) {
    std::uint32_t seed = 4711;
    const auto random = [&seed](std::uint32_t bound) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % bound;
    };
    Bytes bytes;
    std::vector<std::string> sent;
    constexpr std::size_t kBytesIn120Seconds = 120 * 8000;
    while (bytes.size() < kBytesIn120Seconds) {
        // Noise without 0x50 cannot begin a sync pattern.
        for (std::uint32_t noise = sent.size() % 10 == 9 ? 1 + random(40) : 0; noise > 0; --noise)
            bytes.push_back(static_cast<std::uint8_t>(0x51 + random(200)));
        sent.push_back(Format("%05zu", sent.size()));
        const Bytes frame = Frame(sent.back(), 5);
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    std::vector<ScriptedCapiStep> steps = {
        ScriptedCapiStep::Make(ScriptedCapiStep::kConnectB3, 0, 100)};
    for (std::size_t at = 0, due_ms = 0; at < bytes.size();) {
        const std::size_t length = std::min<std::size_t>(1 + random(128), bytes.size() - at);
        const std::size_t end_ms = (at + length) / 8;
        steps.push_back(
            ScriptedCapiStep::Data(Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                         bytes.begin() + static_cast<std::ptrdiff_t>(at + length)),
                                   static_cast<std::uint32_t>(end_ms - due_ms)));
        at += length;
        due_ms = end_ms;
    }
    steps.push_back(ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnect, 0x3490, 16));
    Call(steps);
    Drive(static_cast<int>(150'000 / GetParam()), GetParam());
    const std::vector<std::string> frames = Frames();
    std::size_t never_sent = 0;
    std::size_t out_of_order = 0;
    std::size_t after = 0;
    for (const std::string& frame : frames) {
        const std::size_t number = std::strtoul(frame.c_str(), nullptr, 10);
        if (number >= sent.size() || sent[number] != frame) {
            ++never_sent;
            continue;
        }
        if (number < after)
            ++out_of_order;
        after = number + 1;
    }
    EXPECT_EQ(never_sent, 0u);
    EXPECT_EQ(out_of_order, 0u);
    if (GetParam() == 10) {
        EXPECT_TRUE(frames == sent);
        EXPECT_EQ(data_->GetDroppedBlocks(), 0u);
    } else {
        EXPECT_GT(data_->GetDroppedBlocks(), 0u);
    }
    EXPECT_EQ(service_.GetHost().GetConnectionTable().GetFreeCount(), 4u);
}

INSTANTIATE_TEST_SUITE_P(PassIntervals, DroppedBlocksTest, testing::Values(40u, 10u));

// A stop request while an answered call waits to be made active: the call
// is cleared and the manager ends.
TEST_F(CapiDataManagerTest, AStopWhileACallWaitsToBeMadeActiveEndsTheManager) {
    ScriptedIncomingCall call;
    call.called_number = "0891234";
    call.activates = false;
    capi_.IncomingCall(call);
    Drive(2);
    Stop();
    Drive(4);
    EXPECT_EQ(PutMessagesOf(CAPI_DISCONNECT, CAPI_REQ).size(), 1u);
    EXPECT_EQ(service_.GetHost().FindManagerByJobId(id_), nullptr);
    EXPECT_EQ(service_.GetHost().GetConnectionTable().GetFreeCount(), 4u);
}

// Three 32-byte frames in two blocks, the second frame split between them.
class SplitFrameTest : public CapiDataManagerTest,
                       public testing::WithParamInterface<std::size_t> {};

TEST_P(SplitFrameTest, AFrameSplitAcrossTwoBlocksIsReadWhole) {
    Bytes stream = Frame("first", 5);
    for (const Bytes& frame : {Frame("second", 6), Frame("third", 5)})
        stream.insert(stream.end(), frame.begin(), frame.end());
    const auto split = static_cast<std::ptrdiff_t>(GetParam());
    Call({ScriptedCapiStep::Make(ScriptedCapiStep::kConnectB3, 0, 100),
          ScriptedCapiStep::Data(Bytes(stream.begin(), stream.begin() + split), 100),
          ScriptedCapiStep::Data(Bytes(stream.begin() + split, stream.end()), 100)});
    Drive(12, 100);
    EXPECT_EQ(Frames(), (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_TRUE(capi_.GetViolations().empty());
}

// 40 + 56 splits the second frame behind its sync pattern, 36 + 60 inside it.
INSTANTIATE_TEST_SUITE_P(Splits, SplitFrameTest, testing::Values(40u, 36u));

// The frame reader on a receive stream of its own, one block at a time.
class B3FrameReaderTest : public testing::Test {
protected:
    void Receive(const Bytes& bytes) {
        auto block = std::make_unique<B3DataBlock>();
        ASSERT_EQ(block->SetData(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0), KV_OK);
        ASSERT_EQ(stream_.Append(block), KV_OK);
    }
    void ReceiveFullBlocks(const Bytes& bytes) {
        for (std::size_t at = 0; at < bytes.size(); at += B3DataBlock::kCapacity)
            Receive(Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                          bytes.begin() + static_cast<std::ptrdiff_t>(std::min(
                                              at + B3DataBlock::kCapacity, bytes.size()))));
    }
    // The data of the next frame, or "-" when none is read.
    std::string Next() {
        std::array<std::uint8_t, CapiDataManager::kFrameDataSize> data{};
        std::uint32_t length = 0;
        if (!ReadB3Frame(stream_, position_, data, length))
            return "-";
        return std::string(data.begin(), data.begin() + length);
    }

    B3DataStream stream_;
    std::int32_t position_ = 0;
};

TEST_F(B3FrameReaderTest, FramesInOneBlockMoveTheReadPositionByTheirSpacing) {
    Bytes block = Frame("one", 3);
    const Bytes second = Frame("two", 3);
    block.insert(block.end(), second.begin(), second.end());
    Receive(block);
    EXPECT_EQ(Next(), "one");
    EXPECT_EQ(position_, 32);
    EXPECT_EQ(Next(), "two");
    EXPECT_EQ(position_, 64);
    EXPECT_EQ(Next(), "-");
    EXPECT_EQ(position_, 64);
}

TEST_F(B3FrameReaderTest, AFrameWaitsForItsLastDataByte) {
    const Bytes frame = Frame("abcdef", 6);
    // Everything but the last data byte.
    Receive(Bytes(frame.begin(), frame.begin() + 15));
    EXPECT_EQ(Next(), "-");
    EXPECT_EQ(position_, 0);
    Receive(Bytes(frame.begin() + 15, frame.end()));
    EXPECT_EQ(Next(), "abcdef");
    EXPECT_EQ(position_, 128 + 17);
}

TEST_F(B3FrameReaderTest, TheFirstBlockIsDroppedOnceTheReadPositionReaches257) {
    // Full blocks; frames end at 256 and at 257.
    Bytes bytes(384, 0);
    const Bytes at_224 = Frame("a", 1);
    const Bytes at_257 = Frame("b", 1);
    std::copy(at_224.begin(), at_224.end(), bytes.begin() + 224);
    ReceiveFullBlocks(bytes);
    EXPECT_EQ(Next(), "a");
    EXPECT_EQ(position_, 256);
    EXPECT_EQ(stream_.Count(), 3u);

    stream_.DeleteAll();
    position_ = 0;
    std::fill(bytes.begin(), bytes.end(), 0);
    std::copy(at_257.begin(), at_257.end(), bytes.begin() + 225);
    ReceiveFullBlocks(bytes);
    EXPECT_EQ(Next(), "b");
    EXPECT_EQ(position_, 257 - 128);
    EXPECT_EQ(stream_.Count(), 2u);
}

// Bytes without a sync pattern: the read position moves to the 7th-last byte
// received, the one a pattern could still begin at, and the blocks before
// the one holding it go.
TEST_F(B3FrameReaderTest, NoiseMovesTheReadPositionToItsSeventhLastByte) {
    const Bytes noise(B3DataBlock::kCapacity, 0x50);
    Receive(Bytes(noise.begin(), noise.begin() + 40));
    EXPECT_EQ(Next(), "-");
    EXPECT_EQ(position_, 33);
    // Counted by the blocks' own lengths: 3 bytes, then 4 of the 40.
    Receive(Bytes(noise.begin(), noise.begin() + 3));
    EXPECT_EQ(Next(), "-");
    EXPECT_EQ(position_, 36);
    Receive(noise);
    Receive(noise);
    EXPECT_EQ(Next(), "-");
    EXPECT_EQ(position_, 3 * 128 + 121 - 2 * 128);
    EXPECT_EQ(stream_.Count(), 2u);
    // Fewer than seven bytes from the read position: it stays.
    stream_.DeleteAll();
    position_ = 0;
    Receive(Bytes(noise.begin(), noise.begin() + 6));
    EXPECT_EQ(Next(), "-");
    EXPECT_EQ(position_, 0);
}

// Five frames with the bytes from cut to resume lost in blocks the full
// stream dropped. A frame the gap cuts goes with it, and the read goes on to
// the next whole frame in the same read; a frame whose sync pattern, length
// and data came before the gap is read, and the bytes after the gap are not
// its padding. Read once everything has come, and as each block comes.
struct FrameGap {
    const char* where;
    std::size_t cut;
    std::size_t resume;
    std::vector<std::string> frames;
};

void PrintTo(const FrameGap& gap, std::ostream* out) {
    *out << "a gap in the " << gap.where;
}

class B3FrameGapTest : public B3FrameReaderTest, public testing::WithParamInterface<FrameGap> {
protected:
    std::vector<std::string> ReadAll() {
        std::vector<std::string> frames;
        for (std::string frame = Next(); frame != "-"; frame = Next())
            frames.push_back(frame);
        return frames;
    }
};

TEST_P(B3FrameGapTest, AFrameCutByTheGapIsDroppedAndTheNextWholeOneRead) {
    Bytes bytes;
    for (const char* text : {"first", "second", "3rd", "fourth", "5th"}) {
        const Bytes frame = Frame(text, static_cast<std::uint16_t>(std::strlen(text)));
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    const auto cut = bytes.begin() + static_cast<std::ptrdiff_t>(GetParam().cut);
    const auto resume = bytes.begin() + static_cast<std::ptrdiff_t>(GetParam().resume);
    for (const bool read_as_they_come : {false, true}) {
        SCOPED_TRACE(read_as_they_come ? "read as they come" : "read at the end");
        stream_.DeleteAll();
        position_ = 0;
        ReceiveFullBlocks(Bytes(bytes.begin(), cut));
        std::vector<std::string> frames =
            read_as_they_come ? ReadAll() : std::vector<std::string>{};
        stream_.NoteDropped();
        ReceiveFullBlocks(Bytes(resume, bytes.end()));
        for (const std::string& frame : ReadAll())
            frames.push_back(frame);
        EXPECT_EQ(frames, GetParam().frames);
        EXPECT_EQ(stream_.GetDroppedCount(), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Gaps, B3FrameGapTest,
    testing::Values(FrameGap{"sync", 32 + 4, 64 + 4, {"first", "fourth", "5th"}},
                    FrameGap{"length", 32 + 9, 64 + 9, {"first", "fourth", "5th"}},
                    FrameGap{"data", 32 + 12, 64 + 12, {"first", "fourth", "5th"}},
                    FrameGap{"padding", 32 + 20, 96, {"first", "second", "fourth", "5th"}},
                    FrameGap{"between", 64, 96, {"first", "second", "fourth", "5th"}}),
    [](const testing::TestParamInfo<FrameGap>& info) { return std::string(info.param.where); });

// Noise over more blocks than a stream holds, its last block ending with the
// first bytes of a frame: the frame is read.
class NoiseThenFrameTest : public CapiDataManagerTest,
                           public testing::WithParamInterface<std::size_t> {};

TEST_P(NoiseThenFrameTest, TheFrameAfterTheNoiseIsRead) {
    std::vector<ScriptedCapiStep> steps = {
        ScriptedCapiStep::Make(ScriptedCapiStep::kConnectB3, 0, 100)};
    std::uint32_t seed = 12345;
    Bytes noise(B3DataBlock::kCapacity);
    // 128 bytes take 16 ms at 64 kbit/s.
    constexpr int kNoiseBlocks = 1030;
    for (int block = 0; block < kNoiseBlocks; ++block) {
        for (std::uint8_t& byte : noise) {
            seed = seed * 1103515245u + 12345u;
            byte = static_cast<std::uint8_t>(seed >> 16);
        }
        steps.push_back(ScriptedCapiStep::Data(noise, 16));
    }
    const Bytes frame = Frame("after", 5);
    const auto split = static_cast<std::ptrdiff_t>(GetParam());
    std::copy(frame.begin(), frame.begin() + split, noise.end() - split);
    steps.push_back(ScriptedCapiStep::Data(noise, 16));
    steps.push_back(ScriptedCapiStep::Data(Bytes(frame.begin() + split, frame.end()), 16));
    Call(steps);
    Drive(kNoiseBlocks + 20, 16);
    EXPECT_EQ(Frames(), std::vector<std::string>{"after"});
    EXPECT_LT(data_->GetReadPosition(), CapiDataManager::kKeepBelow);
    EXPECT_TRUE(capi_.GetViolations().empty());
}

// Split after the sync pattern's seventh byte, and after its length.
INSTANTIATE_TEST_SUITE_P(Splits, NoiseThenFrameTest, testing::Values(7u, 12u));

TEST_F(CapiDataManagerTest, IndicationsCutToTheirHeaderLeaveTheCallAlone) {
    Call({ScriptedCapiStep::Make(ScriptedCapiStep::kConnectB3, 0, 100)});
    Drive(6, 100);
    ASSERT_EQ(data_->GetSubState(), CapiDataManager::kReading);
    const std::size_t puts = capi_.GetPutMessages().size();
    CapiHost& host = service_.GetHost();
    for (std::uint8_t command : {CAPI_DISCONNECT, CAPI_CONNECT, CAPI_CONNECT_ACTIVE, CAPI_INFO,
                                 CAPI_FACILITY, CAPI_CONNECT_B3, CAPI_CONNECT_B3_ACTIVE,
                                 CAPI_DISCONNECT_B3, CAPI_DATA_B3})
        ASSERT_TRUE(host.StoreMessage(host.GetApplId(),
                                      MessageImage().Finish(command, CAPI_IND, 0x300,
                                                            host.GetApplId())));
    Drive(4, 100);
    // Nothing answered for them, no request sent, the call still read.
    EXPECT_EQ(capi_.GetPutMessages().size(), puts);
    EXPECT_EQ(data_->GetSubState(), CapiDataManager::kReading);
    ASSERT_FALSE(data_->GetConnections().InUse().empty());
    EXPECT_EQ(data_->GetConnections().InUse().front()->GetState(), CapiConnection::kActive);
}

TEST(CapiDataManagerPayload, IsCreatedAndDestroyedButNotCopied) {
    RegisterCapiPayloads();
    void* payload = nullptr;
    ASSERT_TRUE(CreatePayloadByType(payload, CapiDataManager::kTypeCode));
    void* other = nullptr;
    ASSERT_TRUE(CreatePayloadByType(other, CapiDataManager::kTypeCode));
    EXPECT_FALSE(CopyPayloadByType(other, payload, CapiDataManager::kTypeCode));
    EXPECT_EQ(static_cast<CapiDataManager*>(payload)->GetDataWait(), 2500u);
    EXPECT_EQ(DestroyPayloadByType(payload, CapiDataManager::kTypeCode), KV_OK);
    EXPECT_EQ(DestroyPayloadByType(other, CapiDataManager::kTypeCode), KV_OK);
}

} // namespace
