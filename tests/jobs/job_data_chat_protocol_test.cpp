// Single handlers of the chat participant protocol, on a running job with a
// capturing router; the whole walks between two jobs are in
// tests/jobs/host/chat_wire_test.cpp.
#include "jobs/job_data_chat.h"

#include "capi/capi_dial_manager.h"
#include "capi/capi_payloads.h"
#include "jobs/job_data_chat_fields.h"
#include "jobs/jobs_test_support.h"
#include "platform/clock.h"

namespace {

using namespace chat_fields;

constexpr std::uint16_t kJobEndpoint = 0x900;

class ChatProtocolTest : public ::testing::Test {
protected:
    ChatProtocolTest() : scoped_(clock_) {
        RegisterCapiPayloads();
        job_.SetTarget(router_.Get(), kJobEndpoint);
        job_.SetJobId(7);
        job_.SetScreenName("alice");
        job_.SetPresence(CKvJobDataChat::kOnline);
        job_.ChangeState(KV_JOB_STATE_RUNNING);
        bob_ = new CKvDataUser(nullptr, 0);
        std::string text = "bob";
        bob_->SetScreenName(text);
        text = "200";
        bob_->SetPhoneNumberOut(text);
        EXPECT_EQ(job_.AddParticipant(bob_), KV_OK);
    }

    // The host's answer to a look-up of Bob.
    void Answer(std::int32_t attribute, const char* first_name = "Bob") {
        auto* record = new CKvDataUser(nullptr, 0);
        std::string text = "bob";
        record->SetScreenName(text);
        text = "200";
        record->SetPhoneNumberOut(text);
        record->SetPhoneNumberIn(text);
        text = first_name;
        record->SetFirstName(text);
        auto* message = new CKvMessage;
        message->SetHeader(KV_MSG_KIND_CONFIRMATION, record, K_KVDT_TP_DTHDLR_DATAUSER, 2, 5,
                           attribute);
        job_.GetIncomingQueue().Add(message, false);
    }
    MessagePtr Sent(std::uint16_t* endpoint) { return router_.Take(endpoint); }

    ManualClock clock_{1000000, 0, 0x12345};
    ScopedClock scoped_;
    CapturingRouter router_{KV_ENDPOINT_HOST_MAIN, KV_ENDPOINT_CAPI, KV_ENDPOINT_CHAT_LOG,
                            KV_ENDPOINT_HOST_STATUS, kJobEndpoint};
    CKvJobDataChat job_;
    CKvDataUser* bob_ = nullptr;
};

TEST_F(ChatProtocolTest, StatesOutsideTheTablesAreRefused) {
    struct Case {
        std::uint32_t sub_state;
        std::uint32_t state;
    } cases[] = {{0, 2}, {0, 0}, {1, 9}, {2, 15}, {5, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sub_state * 100 + c.state);
        bob_->SetChatSubState(c.sub_state);
        bob_->SetChatState(c.state);
        EXPECT_EQ(job_.Step(), KV_E_BAD_STATE);
        EXPECT_EQ(bob_->GetChatState(), c.state);
    }
}

TEST_F(ChatProtocolTest, ReportedThenAdmittedAgainToAskTheHost) {
    bob_->SetChatState(16);
    job_.Step();
    std::uint16_t endpoint = 0;
    MessagePtr report = Sent(&endpoint);
    ASSERT_TRUE(report);
    EXPECT_EQ(endpoint, KV_ENDPOINT_HOST_MAIN);
    EXPECT_EQ(report->GetSourceEndpoint(), CKvJobDataChat::kReportSourceEndpoint);
    EXPECT_EQ(report->GetKind(), KV_MSG_KIND_REQUEST);
    EXPECT_EQ(report->GetCommand(), 1);
    // Nobody had work: admitted from the store in the same pass.
    CKvDataUser* again = job_.FindParticipantByKey("bob;200");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->GetChatState(), 15u);
    EXPECT_EQ(ReconnectFlag(*again), 1u);
    EXPECT_EQ(RetryCount(*again), 1u);
    EXPECT_EQ(job_.GetPendingStore().GetCount(), 0);
}

TEST_F(ChatProtocolTest, HostRecordGivesTheHighestFreeIdThenRegisters) {
    bob_->SetChatState(15);
    job_.Step();
    std::uint16_t endpoint = 0;
    MessagePtr ask = Sent(&endpoint);
    ASSERT_TRUE(ask);
    EXPECT_EQ(endpoint, KV_ENDPOINT_HOST_MAIN);
    EXPECT_EQ(ask->GetCommand(), 2);
    EXPECT_EQ(ask->GetSubCommand(), 5);
    EXPECT_EQ(static_cast<CKvDataUser*>(ask->GetPayload())->GetKey(), "bob;200");
    EXPECT_EQ(bob_->GetChatState(), 10u);
    EXPECT_EQ(BusyFlag(*bob_), 1u);

    Answer(KV_MSG_ATTR_DATA_FOUND);
    job_.Step();
    EXPECT_EQ(bob_->GetChatState(), 1u);
    EXPECT_EQ(bob_->GetFirstName(), "Bob");
    EXPECT_EQ(bob_->GetPhoneNumberIn(), "200");
    EXPECT_EQ(LocalId(*bob_), 15u);
    EXPECT_EQ(HeldAnswer(*bob_), nullptr);

    job_.Step();
    EXPECT_EQ(bob_->GetChatState(), 5u);
    EXPECT_EQ(PeerId(*bob_), 0x12345u & 0xF);
    MessagePtr sent = Sent(&endpoint);
    ASSERT_TRUE(sent);
    EXPECT_EQ(endpoint, KV_ENDPOINT_CAPI);
    auto* manager = static_cast<CapiDialManager*>(sent->GetPayload());
    EXPECT_EQ(manager->GetCalledNumber(), "200");
    PackedMessage packet;
    ASSERT_EQ(packet.FromBytes(std::span<const std::uint8_t>(manager->GetSubaddressData(),
                                                             *manager->GetConnectionSlot()),
                               nullptr),
              KV_OK);
    EXPECT_EQ(packet.GetCommand(), PackedMessage::kCommandRegister);
    EXPECT_EQ(packet.GetType(), PackedMessage::kTypeRequest);
    EXPECT_EQ(packet.GetText(), "alice");
    EXPECT_EQ(packet.GetIdt(), 5u);
    EXPECT_EQ(packet.GetIds(), 15u);
    EXPECT_EQ(packet.GetFlag(), 2u);
}

TEST_F(ChatProtocolTest, ReplacedPendingCopyKeepsItsId) {
    std::uint32_t id = 0;
    ASSERT_EQ(job_.AllocateLocalId(id, *bob_), KV_OK);
    std::unique_ptr<CKvDataUser> waiting;
    ASSERT_EQ(job_.RemoveParticipant("bob;200", waiting), KV_OK);
    ASSERT_EQ(job_.Admit(waiting.release()), KV_OK);
    // A CONNECT for the same user replaces the waiting copy.
    auto* record = new CKvDataUser(nullptr, 0);
    std::string text = "bob";
    record->SetScreenName(text);
    text = "200";
    record->SetPhoneNumberOut(text);
    auto* message = new CKvMessage;
    message->SetHeader(KV_MSG_KIND_INFO, record, K_KVDT_TP_DTHDLR_DATAUSER, 1, 5,
                       KV_MSG_ATTR_CONNECT);
    job_.GetIncomingQueue().Add(message, false);
    job_.Step();
    EXPECT_EQ(job_.GetPendingStore().GetCount(), 0);
    CKvDataUser* bob = job_.FindParticipantByKey("bob;200");
    ASSERT_NE(bob, nullptr);
    job_.Step();
    ASSERT_EQ(bob->GetChatState(), 10u);
    Answer(KV_MSG_ATTR_DATA_FOUND);
    job_.Step();
    EXPECT_EQ(bob->GetChatState(), 1u);
    EXPECT_EQ(LocalId(*bob), id);
}

TEST_F(ChatProtocolTest, HostAnswerWithoutDataFoundIsRefused) {
    bob_->SetChatState(10);
    ActionTimer(*bob_).Restart(10, 0);
    Answer(KV_MSG_ATTR_DATA_NOT_FOUND);
    EXPECT_EQ(job_.Step(), KV_E_FAIL);
    EXPECT_EQ(bob_->GetChatState(), 10u);
    EXPECT_EQ(HeldAnswer(*bob_), nullptr);
    // Its wait runs out: dropped.
    clock_.Advance(10000);
    job_.Step();
    EXPECT_EQ(job_.GetParticipantCount(), 0u);
}

TEST_F(ChatProtocolTest, LinkedHostUpdateReportsTheAnswerBack) {
    bob_->SetChatSubState(1);
    bob_->SetChatState(10);
    bob_->SetFlagChangeDataAutomaticaly(1);
    std::string name = "Robert";
    bob_->SetFirstName(name);
    LocalId(*bob_) = 4;
    ActionTimer(*bob_).Restart(10, 0);
    Answer(KV_MSG_ATTR_DATA_FOUND, "Bob");
    job_.Step();
    EXPECT_EQ(bob_->GetChatState(), 0u);
    std::uint16_t endpoint = 0;
    MessagePtr report = Sent(&endpoint);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->GetSourceEndpoint(), CKvJobDataChat::kReportSourceEndpoint);
    auto* record = static_cast<CKvDataUser*>(report->GetPayload());
    EXPECT_EQ(record->GetFirstName(), "Robert");
    EXPECT_EQ(record->GetChatSubState(), 1u);
    EXPECT_EQ(LocalId(*record), 4u);
    MessagePtr refresh = Sent(&endpoint);
    ASSERT_TRUE(refresh);
    EXPECT_EQ(refresh->GetSourceEndpoint(), KV_ENDPOINT_HOST_STATUS);
    EXPECT_EQ(refresh->GetSubCommand(), 8);
    EXPECT_EQ(refresh->GetPayloadType(), KV_PAYLOAD_OBJECT_POINTER_LIST);
    EXPECT_EQ(refresh->GetAttribute(), KV_MSG_ATTR_ONLINE_OR_PAUSED);
}

} // namespace
