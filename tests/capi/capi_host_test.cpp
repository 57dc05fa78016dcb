#include "capi/capi_host.h"

#include "capi_test_support.h"
#include "platform/capi/scripted_capi_controller.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

namespace {

// A manager that only counts its runs and its deletion.
class CountingManager final : public CapiManagerBase {
public:
    CountingManager(std::int32_t type, int* deleted, bool walks = true)
        : CapiManagerBase(nullptr), deleted_(deleted), walks_(walks) {
        payload_type_ = type;
    }
    ~CountingManager() override { ++*deleted_; }
    KvResult Run() override {
        ++runs;
        if (walks_)
            last_sequence_ = seen_up_to;
        return KV_OK;
    }
    KvResult Step() override { return KV_OK; }
    bool WalksMessageStore() const override { return walks_; }
    const void* AsPayload() const override { return this; }

    int runs = 0;
    std::uint32_t seen_up_to = 0;

private:
    int* deleted_;
    bool walks_;
};

class CapiHostTest : public testing::Test {
protected:
    void SetUp() override {
        capi_.AddController(1, 2);
        capi_.AddController(2, 200);
        ASSERT_EQ(host_.Start(), KV_OK);
    }

    ManualClock clock_{1'000'000};
    ScopedClock clock_guard_{clock_};
    int deleted_ = 0;
    ScriptedCapiController capi_;
    CapiHost host_{&capi_};
};

TEST_F(CapiHostTest, IterationOverATypeWithoutManagersYieldsNone) {
    CapiHost::Position position;
    const CapiHost::ManagerMap* map = nullptr;
    EXPECT_EQ(host_.BeginIteration(28, &position, &map), 0);
    EXPECT_EQ(host_.NextManager(&position, &map), nullptr);
    auto* first = new CountingManager(28, &deleted_);
    auto* second = new CountingManager(54, &deleted_);
    host_.FileManager(first);
    host_.FileManager(second);
    EXPECT_EQ(host_.BeginIteration(28, nullptr, nullptr), 1);
    EXPECT_EQ(host_.NextManager(nullptr, nullptr), first);
    EXPECT_EQ(host_.NextManager(nullptr, nullptr), nullptr);
    ASSERT_EQ(host_.BeginIteration(0, &position, &map), 1);
    EXPECT_EQ(host_.NextManager(&position, &map), first);
    EXPECT_EQ(host_.NextManager(&position, &map), second);
}

TEST_F(CapiHostTest, ControllersAreAddedFromTheHighestNumberAndRefreshed) {
    ASSERT_EQ(host_.QueryControllers(), KV_OK);
    CapiControllerTable& table = host_.GetControllerList();
    ASSERT_EQ(table.GetCount(), 2u);
    EXPECT_EQ(table.GetAt(0)->GetController(), 2u);
    EXPECT_EQ(table.GetAt(1)->GetController(), 1u);
    EXPECT_EQ(CapiHost::BChannelCount(*table.GetAt(0)), CapiHost::kMaxBChannels);
    EXPECT_EQ(CapiHost::BChannelCount(*table.GetAt(1)), 2u);
    table.GetAt(1)->source_number = "kept";
    ASSERT_EQ(host_.QueryControllers(), KV_OK);
    EXPECT_EQ(table.GetCount(), 2u);
    EXPECT_EQ(table.GetAt(1)->source_number, "kept");
    capi_.SetInstalledResult(kCapiRegNotInstalled);
    EXPECT_EQ(host_.QueryControllers(), KV_E_CAPI_INFO);
    EXPECT_EQ(host_.GetCapiCode(), kCapiRegNotInstalled);
}

TEST_F(CapiHostTest, PassAnswersWhatNobodyAnsweredAndDropsWhatAllHaveSeen) {
    // Listening, then a call that rings unanswered and is dropped.
    CapiMessageCodec codec;
    codec.SetApplId(host_.GetApplId());
    codec.SetController(1);
    codec.SetInfoMask(0);
    codec.SetCipValue(0x11);
    ASSERT_EQ(codec.BuildListenReq(1), KV_OK);
    capi_.CAPI_PUT_MESSAGE(host_.GetApplId(), codec.GetMessage());
    ScriptedIncomingCall call;
    call.called_number = "5550";
    call.calling_number = "0301234";
    const std::uint32_t plci = capi_.IncomingCall(call);
    capi_.ScheduleSteps(plci, {ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnect, 0x34A9)});
    auto* lagging = new CountingManager(28, &deleted_);
    host_.FileManager(lagging);
    host_.Pass();
    // LISTEN_CONF, CONNECT_IND and DISCONNECT_IND kept for the lagging manager.
    EXPECT_EQ(host_.GetMessageStore()[host_.GetApplId()].size(), 3u);
    const auto puts = capi_.GetPutMessages();
    ASSERT_EQ(puts.back()[4], CAPI_DISCONNECT);
    EXPECT_EQ(puts.back()[5], CAPI_RESP);
    EXPECT_TRUE(capi_.GetViolations().empty());
    lagging->seen_up_to = 3;
    host_.Pass();
    EXPECT_TRUE(host_.GetMessageStore()[host_.GetApplId()].empty());
    // A manager that never reads the store does not hold it.
    host_.FileManager(new CountingManager(29, &deleted_, false));
    host_.StoreMessage(host_.GetApplId(), MessageImage().Dword(1).Word(0).Finish(CAPI_LISTEN,
                                                                                   CAPI_CONF));
    lagging->seen_up_to = 4;
    host_.Pass();
    EXPECT_TRUE(host_.GetMessageStore()[host_.GetApplId()].empty());
}

TEST_F(CapiHostTest, PassAnswersStrayIndicationsOnlyWithTheIdsTheyCarry) {
    const std::uint16_t appl_id = static_cast<std::uint16_t>(host_.GetApplId());
    const Bytes stored[] = {
        MessageImage().Dword(0x0201).Word(0x3490).Finish(CAPI_DISCONNECT, CAPI_IND, 0x11, appl_id),
        // Header only: the PLCI of the message before must not be answered.
        MessageImage().Finish(CAPI_DISCONNECT, CAPI_IND, 0x12, appl_id),
        MessageImage().Dword(0x10201).Word(0).Empty().Finish(CAPI_DISCONNECT_B3, CAPI_IND, 0x13,
                                                              appl_id),
        MessageImage().Word(0x0201).Finish(CAPI_DISCONNECT_B3, CAPI_IND, 0x14, appl_id),
        MessageImage().Dword(0x10201).Dword(0).Word(1).Word(0x55).Word(0).Raw({9}).Finish(
            CAPI_DATA_B3, CAPI_IND, 0x15, appl_id),
        // NCCI without its Data Handle.
        MessageImage().Dword(0x10301).Dword(0).Finish(CAPI_DATA_B3, CAPI_IND, 0x16, appl_id),
        // A PLCI without its reason is still answered for that PLCI.
        MessageImage().Dword(0x0301).Finish(CAPI_DISCONNECT, CAPI_IND, 0x17, appl_id),
    };
    for (const Bytes& message : stored)
        ASSERT_TRUE(host_.StoreMessage(appl_id, message));
    capi_.GetPutMessages();
    const std::size_t before = capi_.GetPutMessages().size();
    host_.Pass();
    const auto puts = capi_.GetPutMessages();
    const std::vector<Bytes> answered(puts.begin() + static_cast<std::ptrdiff_t>(before), puts.end());
    const std::vector<Bytes> expected = {
        MessageImage().Dword(0x0201).Finish(CAPI_DISCONNECT, CAPI_RESP, 0x11, appl_id),
        MessageImage().Dword(0x10201).Finish(CAPI_DISCONNECT_B3, CAPI_RESP, 0x13, appl_id),
        MessageImage().Dword(0x10201).Word(0x55).Finish(CAPI_DATA_B3, CAPI_RESP, 0x15, appl_id),
        MessageImage().Dword(0x0301).Finish(CAPI_DISCONNECT, CAPI_RESP, 0x17, appl_id),
    };
    EXPECT_EQ(answered, expected);
}

// A DATA_B3_IND cut between its NCCI and its Data Handle, its length word
// claiming the whole message, gets no answer with a handle it never carried.
TEST_F(CapiHostTest, PassLeavesADataB3IndWithoutItsDataHandleUnanswered) {
    const std::uint16_t appl_id = static_cast<std::uint16_t>(host_.GetApplId());
    auto* lagging = new CountingManager(28, &deleted_);
    host_.FileManager(lagging);
    const Bytes whole = MessageImage().Dword(0x10201).Dword(0).Word(0).Word(0x66).Word(0).Finish(
        CAPI_DATA_B3, CAPI_IND, 0x20, appl_id);
    for (std::size_t size = 12; size < 20; ++size)
        ASSERT_TRUE(host_.StoreMessage(
            appl_id, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size))));
    host_.Pass();
    EXPECT_TRUE(capi_.GetPutMessages().empty());
    for (const CapiStoredMessage& entry : host_.GetMessageStore()[appl_id])
        EXPECT_FALSE(entry.handled);
}

// A manager that holds the call answers its DISCONNECT_IND; the pass does
// not answer it a second time.
TEST_F(CapiHostTest, PassLeavesADisconnectIndToTheConnectionThatHoldsItsPlci) {
    const std::uint16_t appl_id = static_cast<std::uint16_t>(host_.GetApplId());
    auto* holder = new CountingManager(28, &deleted_);
    host_.FileManager(holder);
    holder->GetConnections().CreateRecords(1, host_.GetApplId(), nullptr);
    CapiConnection* connection = nullptr;
    ASSERT_EQ(holder->GetConnections().Take(connection), KV_OK);
    connection->GetCodec().SetPlci(0x0201);
    connection->SetState(CapiConnection::kActive);
    for (std::uint32_t plci : {0x0201u, 0x0301u})
        ASSERT_TRUE(host_.StoreMessage(appl_id, MessageImage().Dword(plci).Word(0x3490).Finish(
                                                    CAPI_DISCONNECT, CAPI_IND, 0x21, appl_id)));
    host_.Pass();
    const Bytes expected =
        MessageImage().Dword(0x0301).Finish(CAPI_DISCONNECT, CAPI_RESP, 0x21, appl_id);
    EXPECT_EQ(capi_.GetPutMessages(), std::vector<Bytes>{expected});
}

// Every indication but CONNECT_IND that no call holds gets one answer, for
// the ids it carries: a FACILITY_RESP repeats the selector, a link no record
// took is refused. Bodies behind the header; an empty answer is none.
TEST_F(CapiHostTest, PassAnswersEveryStrayIndicationButConnectIndOnce) {
    const std::uint16_t appl_id = static_cast<std::uint16_t>(host_.GetApplId());
    const std::tuple<std::uint8_t, Bytes, Bytes> cases[] = {
        {CAPI_CONNECT, {1, 2, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}},
        {CAPI_CONNECT_ACTIVE, {1, 2, 0, 0, 4, 1, 0x80, '5', '5', 0, 0}, {1, 2, 0, 0}},
        {CAPI_INFO, {1, 2, 0, 0, 1, 0x80, 0}, {1, 2, 0, 0}},
        {CAPI_FACILITY, {1, 2, 0, 0, 3, 0, 5, 2, 0, 2, 0, 0}, {1, 2, 0, 0, 3, 0, 3, 2, 0, 0}},
        {CAPI_FACILITY, {1, 2, 0, 0, 1, 0, 1, '7'}, {1, 2, 0, 0, 1, 0, 3, 0, 0, 0}},
        {CAPI_FACILITY, {1, 2, 0, 0}, {}},
        {CAPI_CONNECT_B3, {1, 2, 1, 0, 0}, {1, 2, 1, 0, 2, 0, 0}},
        {CAPI_CONNECT_B3_ACTIVE, {1, 2, 1, 0, 0}, {1, 2, 1, 0}},
    };
    std::uint16_t number = 0x30;
    for (const auto& [command, indication, answer] : cases) {
        SCOPED_TRACE(number);
        const std::size_t before = capi_.GetPutMessages().size();
        ASSERT_TRUE(host_.StoreMessage(
            appl_id, MessageImage().Append(indication).Finish(command, CAPI_IND, number, appl_id)));
        host_.Pass();
        host_.Pass();
        std::vector<Bytes> expected;
        if (!answer.empty())
            expected.push_back(
                MessageImage().Append(answer).Finish(command, CAPI_RESP, number, appl_id));
        const auto puts = capi_.GetPutMessages();
        EXPECT_EQ(
            std::vector<Bytes>(puts.begin() + static_cast<std::ptrdiff_t>(before), puts.end()),
            expected);
        ++number;
    }
}

TEST_F(CapiHostTest, EndedManagersAreDeletedAndLaterOnesStartAfterTheNewest) {
    host_.StoreMessage(host_.GetApplId(), MessageImage().Dword(1).Word(0).Finish(CAPI_LISTEN,
                                                                                   CAPI_CONF));
    auto* ending = new CountingManager(28, &deleted_);
    host_.FileManager(ending);
    EXPECT_EQ(ending->GetLastSequence(), 1u);
    auto* staying = new CountingManager(28, &deleted_);
    host_.FileManager(staying);
    ending->SetState(capi_state::kEnded);
    host_.Pass();
    EXPECT_EQ(deleted_, 1);
    EXPECT_EQ(host_.GetManagerCount(), 1u);
    EXPECT_EQ(staying->runs, 1);
    EXPECT_FALSE(host_.StoreMessage(host_.GetApplId(), Bytes{1, 2, 3}));
    EXPECT_EQ(host_.GetDroppedCount(), 1u);
}

TEST(CapiHostStart, WithoutCapiTheStartSaysSo) {
    ScriptedCapiController capi;
    capi.SetInstalledResult(kCapiRegNotInstalled);
    CapiHost host(&capi);
    EXPECT_EQ(host.Start(), KV_E_CAPI_INFO);
    EXPECT_FALSE(host.IsRegistered());
    EXPECT_EQ(host.GetCapiCode(), kCapiRegNotInstalled);
    EXPECT_EQ(host.DescribeStart(),
              "no CAPI: CAPI_INSTALLED gave 0x1009 (no ISDN controller)");
    host.Pass();
    std::string version;
    CapiHost registered(&capi);
    registered.FormatCapiVersion(version);
    EXPECT_EQ(version, "0.0");
}

} // namespace
