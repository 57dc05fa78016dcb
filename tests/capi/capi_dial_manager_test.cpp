#include "capi/capi_dial_manager.h"

#include "capi/capi_host.h"
#include "capi/capi_payloads.h"
#include "framework/message.h"
#include "platform/capi/scripted_capi_controller.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

class CapiDialManagerTest : public testing::Test {
protected:
    void SetUp() override {
        RegisterCapiPayloads();
        capi_.AddController(1, 2);
        ASSERT_EQ(host_.Start(), KV_OK);
        ASSERT_EQ(host_.QueryControllers(), KV_OK);
        CapiControllerRecord* controller = host_.GetControllerList().GetAt(0);
        host_.GetConnectionTable().CreateRecords(2, host_.GetApplId(), controller);
        dial_ = new CapiDialManager;
        dial_->SetCallingNumber("5550");
        ASSERT_EQ(host_.FileManager(dial_), KV_OK);
        Drive(1);
        ASSERT_EQ(dial_->GetState(), capi_state::kRunning);
    }
    void TearDown() override {
        EXPECT_TRUE(capi_.GetViolations().empty());
    }
    // Passes; the clock advances by step_ms after each.
    void Drive(int passes, std::uint32_t step_ms = 0) {
        for (int i = 0; i < passes; ++i) {
            host_.Pass();
            clock_.Advance(step_ms);
        }
    }
    CapiDialManager* Queue(const std::string& number, Bytes subaddress = {},
                           std::uint32_t ring_time = 1500) {
        auto* item = new CapiDialManager;
        item->SetCalledNumber(number);
        item->SetRetryInterval(ring_time);
        item->SetSubaddress(subaddress.data(), static_cast<std::uint32_t>(subaddress.size()));
        auto* message = new CKvMessage;
        message->SetHeader(KV_MSG_KIND_REQUEST, item, KV_PAYLOAD_CAPI_DIAL_MANAGER, 0, 0, 0);
        EXPECT_EQ(dial_->GetQueue().Add(message, false), KV_OK);
        return item;
    }
    std::vector<Bytes> Puts(std::uint8_t command, std::uint8_t subcommand) const {
        std::vector<Bytes> found;
        for (auto& message : capi_.GetPutMessages())
            if (message[4] == command && message[5] == subcommand)
                found.push_back(message);
        return found;
    }

    ManualClock clock_{3'900'000'000LL};
    ScopedClock guard_{clock_};
    ScriptedCapiController capi_;
    CapiHost host_{&capi_};
    CapiDialManager* dial_ = nullptr;
};

TEST_F(CapiDialManagerTest, DialsWithTheItemsBytesInTheCallingSubaddress) {
    const Bytes packed = {0x50, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B};
    Queue("0891234", packed);
    Drive(1);
    const auto requests = Puts(CAPI_CONNECT, CAPI_REQ);
    ASSERT_EQ(requests.size(), 1u);
    Bytes expected = {0, 0, 0, 0, CAPI_CONNECT, CAPI_REQ, 0, 0, 1, 0, 0, 0, 16, 0};
    expected.insert(expected.end(), {8, 0x80, '0', '8', '9', '1', '2', '3', '4'});
    expected.insert(expected.end(), {6, 0x00, 0x80, '5', '5', '5', '0'});
    expected.push_back(0);
    expected.insert(expected.end(), {13, 0xA0});
    expected.insert(expected.end(), packed.begin(), packed.end());
    const Bytes& sent = requests[0];
    ASSERT_GE(sent.size(), expected.size());
    expected[0] = sent[0];
    expected[1] = sent[1];
    expected[2] = sent[2];
    expected[3] = sent[3];
    expected[6] = sent[6];
    expected[7] = sent[7];
    EXPECT_EQ(Bytes(sent.begin(), sent.begin() + expected.size()), expected);
    EXPECT_EQ(dial_->GetState(), capi_state::kConnecting);
    EXPECT_EQ(dial_->GetAttemptCount(), 1u);
    Drive(1);
    CapiConnection* connection = nullptr;
    ASSERT_EQ(dial_->GetConnections().FindById(CapiDialManager::kCallMark, connection), KV_OK);
    EXPECT_EQ(connection->GetState(), 2u);
    EXPECT_NE(connection->GetCodec().GetPlci(), 0u);
}

TEST_F(CapiDialManagerTest, TheRingTimeEndsTheAttemptWithDisconnectReq) {
    Queue("0891234", {1, 2}, 400);
    Drive(2, 100);
    EXPECT_TRUE(Puts(CAPI_DISCONNECT, CAPI_REQ).empty());
    Drive(4, 100);
    const auto disconnects = Puts(CAPI_DISCONNECT, CAPI_REQ);
    ASSERT_EQ(disconnects.size(), 1u);
    const auto confs = Puts(CAPI_CONNECT, CAPI_REQ);
    EXPECT_NE(CapiGetDword(&disconnects[0][8]), 0u);
    Drive(3);
    EXPECT_EQ(dial_->GetQueueSet().TotalCount(), 0u);
    EXPECT_EQ(dial_->GetConnections().InUse().size(), 0u);
    // The record came back: a later item is dialled.
    Queue("0897777");
    Drive(1);
    EXPECT_EQ(Puts(CAPI_CONNECT, CAPI_REQ).size(), 2u);
}

struct ReasonCase {
    std::uint16_t reason;
    std::size_t requests;
};

TEST_F(CapiDialManagerTest, NoFreeChannelRedialsAfter300Milliseconds) {
    const ReasonCase cases[] = {{0x34A2, 2}, {0x34AC, 2}, {0x3490, 1}};
    std::size_t before = 0;
    for (const ReasonCase& c : cases) {
        capi_.ScriptOutgoingCall({ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnect, c.reason)});
        capi_.ScriptOutgoingCall({ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnect, 0x3490)});
        Queue("0891234");
        Drive(4);
        EXPECT_EQ(Puts(CAPI_CONNECT, CAPI_REQ).size(), before + 1) << c.reason;
        Drive(1, 299);
        Drive(2);
        EXPECT_EQ(Puts(CAPI_CONNECT, CAPI_REQ).size(), before + 1) << c.reason;
        Drive(4, 1);
        EXPECT_EQ(Puts(CAPI_CONNECT, CAPI_REQ).size(), before + c.requests) << c.reason;
        Drive(4, 500);
        EXPECT_EQ(dial_->GetQueueSet().TotalCount(), 0u);
        before = Puts(CAPI_CONNECT, CAPI_REQ).size();
        capi_.ScriptOutgoingCall({});
        Queue("flush");
        Drive(4);
        before = Puts(CAPI_CONNECT, CAPI_REQ).size();
        Drive(30, 500);
    }
}

TEST_F(CapiDialManagerTest, QueueTimeGrowsWithTheItemsAhead) {
    capi_.SetSilent(true);
    Queue("1");
    Queue("2");
    CapiDialManager* third = Queue("3");
    Drive(1);
    EXPECT_EQ(third->GetTimers().Find(kCapiManagerTimer1)->GetInterval(), 16000);
    capi_.SetSilent(false);
}

TEST(CapiDialManagerItem, RingTimeIsKeptWithin400And10000) {
    const std::pair<std::uint32_t, std::uint32_t> cases[] = {
        {399, 400}, {400, 400}, {10000, 10000}, {10001, 10000}, {0, 400}, {1500, 1500}};
    for (const auto& [given, kept] : cases) {
        CapiDialManager item;
        item.SetRetryInterval(given);
        EXPECT_EQ(item.GetRingTime(), kept) << given;
    }
    CapiDialManager item;
    EXPECT_EQ(item.GetRingTime(), 1500u);
    const std::uint8_t bytes[21] = {};
    EXPECT_FALSE(item.SetSubaddress(bytes, 21));
    EXPECT_TRUE(item.SetSubaddress(bytes, 20));
}

TEST_F(CapiDialManagerTest, ShutdownDiscardsTheQueueAndEnds) {
    capi_.SetSilent(true);
    Queue("1");
    Drive(1);
    Queue("2");
    auto* stop = new CKvMessage;
    stop->SetAttribute(KV_MSG_ATTR_SHUTDOWN);
    dial_->GetQueue().Add(stop, false);
    Queue("3");
    capi_.SetSilent(false);
    Drive(1, 1600);
    Drive(8);
    EXPECT_EQ(Puts(CAPI_CONNECT, CAPI_REQ).size(), 1u);
    // The unconfirmed CONNECT_REQ has no PLCI to clear: the manager waits for
    // its confirmation under the connection's timer 2, then ends.
    EXPECT_TRUE(Puts(CAPI_DISCONNECT, CAPI_REQ).empty());
    EXPECT_EQ(host_.GetManagerCount(), 1u);
    Drive(1, 60'000);
    Drive(4);
    EXPECT_EQ(host_.GetManagerCount(), 0u);
    EXPECT_EQ(host_.GetConnectionTable().GetFreeCount(), 2u);
}

TEST_F(CapiDialManagerTest, ASilentControllerCostsTheAttemptNotTheManager) {
    // CONNECT_REQ unanswered: no DISCONNECT_REQ naming PLCI 0 at the end of
    // the ring time; the record is free again after 60 s.
    capi_.SetSilent(true);
    Queue("0891111", {}, 400);
    Drive(10, 100);
    ASSERT_EQ(Puts(CAPI_CONNECT, CAPI_REQ).size(), 1u);
    EXPECT_TRUE(Puts(CAPI_DISCONNECT, CAPI_REQ).empty());
    capi_.SetSilent(false);
    Drive(4, 100);
    EXPECT_EQ(dial_->GetConnections().GetFreeCount(), 0u);
    Drive(1, 60'000);
    Queue("0892222", {}, 400);
    Drive(2);
    ASSERT_EQ(Puts(CAPI_CONNECT, CAPI_REQ).size(), 2u);
    // DISCONNECT_REQ unanswered: the same once the second ring time is over.
    Drive(2);
    capi_.SetSilent(true);
    Drive(6, 100);
    const auto disconnects = Puts(CAPI_DISCONNECT, CAPI_REQ);
    ASSERT_EQ(disconnects.size(), 1u);
    EXPECT_NE(CapiGetDword(&disconnects[0][8]), 0u);
    capi_.SetSilent(false);
    Drive(4, 100);
    EXPECT_EQ(dial_->GetConnections().GetFreeCount(), 0u);
    Drive(1, 60'000);
    Queue("0893333");
    Drive(2);
    const auto connects = Puts(CAPI_CONNECT, CAPI_REQ);
    ASSERT_EQ(connects.size(), 3u);
    EXPECT_EQ(connects[2][14], 8u);
    EXPECT_EQ(connects[2][16], '0');
    EXPECT_EQ(connects[2][22], '3');
}

TEST_F(CapiDialManagerTest, TenItemsAreDialledInTurn) {
    for (int i = 0; i < 10; ++i) {
        capi_.ScriptOutgoingCall(
            {ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnect, 0x3490, 100)});
        Queue("08900" + std::to_string(i));
    }
    Drive(80, 50);
    EXPECT_EQ(Puts(CAPI_CONNECT, CAPI_REQ).size(), 10u);
    EXPECT_EQ(dial_->GetQueueSet().TotalCount(), 0u);
}

TEST_F(CapiDialManagerTest, IncomingCallsAreLeftToOthers) {
    Bytes connect_ind = {0, 0, 0, 0, CAPI_CONNECT, CAPI_IND, 9, 0, 1, 1, 0, 0, 16, 0, 0};
    connect_ind.resize(40, 0);
    connect_ind[0] = static_cast<std::uint8_t>(connect_ind.size());
    connect_ind[2] = static_cast<std::uint8_t>(host_.GetApplId());
    ASSERT_TRUE(host_.StoreMessage(host_.GetApplId(), connect_ind));
    dial_->Run();
    EXPECT_FALSE(host_.GetMessageStore()[host_.GetApplId()].back().handled);
    EXPECT_TRUE(Puts(CAPI_CONNECT, CAPI_RESP).empty());
}

} // namespace
