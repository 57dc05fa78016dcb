// The chat job's incoming dispatch, admission, presence, sending and chat
// log, with a running job on a capturing router.
#include "jobs/job_data_chat.h"

#include "capi/capi_dial_manager.h"
#include "capi/capi_listen_manager.h"
#include "capi/capi_payloads.h"
#include "jobs/job_data_chat_fields.h"
#include "jobs/jobs_test_support.h"
#include "platform/clock.h"

namespace {

using namespace chat_fields;

constexpr std::uint16_t kJobEndpoint = 0x900;
constexpr std::uint32_t kLocalId = 5;
constexpr std::uint32_t kPeerId = 9;

class ChatDispatchTest : public ::testing::Test {
protected:
    ChatDispatchTest() : scoped_(clock_) {
        RegisterCapiPayloads();
        job_.SetTarget(router_.Get(), kJobEndpoint);
        job_.SetJobId(7);
        job_.SetNumber("100");
        job_.SetPresence(CKvJobDataChat::kOnline);
        job_.ChangeState(KV_JOB_STATE_RUNNING);
    }

    CKvDataUser* AddLinked(const char* name, const char* number) {
        auto* user = new CKvDataUser(nullptr, 0);
        std::string text = name;
        user->SetScreenName(text);
        text = number;
        user->SetPhoneNumberOut(text);
        text = number;
        user->SetPhoneNumberIn(text);
        user->SetChatSubState(2);
        LocalId(*user) = kLocalId;
        PeerId(*user) = kPeerId;
        EXPECT_EQ(job_.AddParticipant(user), KV_OK);
        return user;
    }

    // A message into the job's queue; its answers go back to 2061.
    CKvMessage* Queue(void* payload, std::int32_t type, std::int32_t kind,
                      std::int32_t attribute) {
        auto* message = new CKvMessage;
        message->SetHeader(kind, payload, type, 1, 5, attribute);
        message->SetSourceEndpoint(KV_ENDPOINT_CAPI);
        job_.GetIncomingQueue().Add(message, false);
        return message;
    }
    // A packet from the peer at the number, as the listen manager reports it.
    void Receive(const char* caller, std::uint32_t command, std::uint32_t type,
                 const std::string& text, std::uint32_t sub_command,
                 std::uint32_t number = 1) {
        PackedMessage packet;
        packet.SetCommand(command);
        packet.SetType(type);
        packet.SetIdt(kLocalId);
        packet.SetIds(kPeerId);
        packet.SetMessageNumber(number);
        packet.SetDataSubCommand(sub_command);
        packet.SetStatusSubCommand(sub_command);
        packet.SetRegisterSubCommand(sub_command);
        packet.SetText(text);
        ASSERT_EQ(packet.Encode(), KV_OK);
        std::uint32_t length = 0;
        PackedMessage::EncodedBytes bytes{};
        ASSERT_EQ(packet.GetRawBytes(length, bytes), KV_OK);
        auto* manager = new CapiListenManager;
        manager->SetReceivedCall(caller, bytes.data(), length);
        Queue(manager, KV_PAYLOAD_CAPI_LISTEN_MANAGER, KV_MSG_KIND_INFO,
              KV_MSG_ATTR_NOTIFICATION);
    }
    // The packets sent to 2061, decoded; other messages are counted.
    std::vector<PackedMessage> SentPackets(std::vector<std::string>* log = nullptr) {
        std::vector<PackedMessage> packets;
        std::uint16_t endpoint = 0;
        while (MessagePtr message = router_.Take(&endpoint)) {
            if (endpoint == KV_ENDPOINT_CHAT_LOG && log != nullptr)
                log->push_back(*static_cast<std::string*>(message->GetPayload()));
            if (endpoint != KV_ENDPOINT_CAPI ||
                message->GetPayloadType() != KV_PAYLOAD_CAPI_DIAL_MANAGER)
                continue;
            auto* manager = static_cast<CapiDialManager*>(message->GetPayload());
            PackedMessage packet;
            packet.FromBytes(std::span<const std::uint8_t>(manager->GetSubaddressData(),
                                                           *manager->GetConnectionSlot()),
                             &manager->GetCalledNumber());
            packets.push_back(packet);
        }
        return packets;
    }

    ManualClock clock_{3600 * 10 + 60 * 5};
    ScopedClock scoped_;
    CapturingRouter router_{KV_ENDPOINT_HOST_MAIN, KV_ENDPOINT_CAPI, KV_ENDPOINT_CHAT_LOG,
                            KV_ENDPOINT_HOST_STATUS, kJobEndpoint};
    CKvJobDataChat job_;
};

TEST_F(ChatDispatchTest, EndedFromTheListenManagerStopsTheJobOnce) {
    job_.SetSecondManagerId(5);
    Queue(new CapiListenManager, KV_PAYLOAD_CAPI_LISTEN_MANAGER, KV_MSG_KIND_REQUEST,
          KV_MSG_ATTR_ENDED);
    job_.Step();
    EXPECT_EQ(job_.GetSecondManagerId(), 0u);
    EXPECT_EQ(job_.GetState(), KV_JOB_STATE_STOP_REQUESTED);
    std::uint16_t endpoint = 0;
    MessagePtr answer = router_.Take(&endpoint);
    ASSERT_TRUE(answer);
    EXPECT_EQ(endpoint, KV_ENDPOINT_CAPI);
    EXPECT_EQ(answer->GetKind(), KV_MSG_KIND_CONFIRMATION);
    EXPECT_EQ(answer->GetAttribute(), KV_MSG_ATTR_ENDED);
    EXPECT_EQ(answer->GetPayload(), nullptr);

    Queue(new CapiListenManager, KV_PAYLOAD_CAPI_LISTEN_MANAGER, KV_MSG_KIND_REQUEST,
          KV_MSG_ATTR_ENDED);
    job_.DispatchIncoming();
    EXPECT_EQ(job_.GetIncomingQueue().GetCount(), 0);
    EXPECT_EQ(router_.Count(), 0u);
}

TEST_F(ChatDispatchTest, ShutdownOfAnotherTypeStaysQueued) {
    Queue(nullptr, KV_PAYLOAD_NONE, KV_MSG_KIND_INFO, KV_MSG_ATTR_SHUTDOWN);
    job_.DispatchIncoming();
    EXPECT_EQ(job_.GetIncomingQueue().GetCount(), 1);
    EXPECT_EQ(job_.GetState(), KV_JOB_STATE_RUNNING);
}

TEST_F(ChatDispatchTest, GoingOfflineSaysGoodbyeToLinkedIdleParticipants) {
    CKvDataUser* bob = AddLinked("bob", "200");
    CKvDataUser* carl = AddLinked("carl", "300");
    CKvDataUser* busy = AddLinked("dora", "400");
    busy->SetChatState(10);
    auto* carried = new CKvJobDataChat;
    carried->SetPresence(CKvJobDataChat::kOffline);
    Queue(static_cast<CKvJobData*>(carried), K_KVJBDT_TP_CHAT, KV_MSG_KIND_INFO,
          KV_MSG_ATTR_NOTIFICATION);
    job_.DispatchIncoming();
    EXPECT_EQ(job_.GetPresence(), CKvJobDataChat::kOffline);
    // Bob's turn came at once: his UNREGISTER went out and he waits for
    // the confirmation; Carl's comes one disconnect time-out later.
    EXPECT_EQ(bob->GetChatState(), 14u);
    EXPECT_EQ(carl->GetChatState(), 13u);
    EXPECT_TRUE(LinkTimer(*carl).IsRunning());
    EXPECT_EQ(busy->GetChatState(), 10u);
    const std::vector<PackedMessage> sent = SentPackets();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].GetCommand(), PackedMessage::kCommandUnregister);
    EXPECT_EQ(sent[0].GetType(), PackedMessage::kTypeRequest);
    EXPECT_EQ(sent[0].GetIdt(), kPeerId);
    EXPECT_EQ(sent[0].GetIds(), kLocalId);
}

TEST_F(ChatDispatchTest, FromPausedToOnlineEachLinkedGetsAnIdPicture) {
    job_.SetPresence(CKvJobDataChat::kPaused);
    *job_.GetPictureId() = "12";
    AddLinked("bob", "200");
    AddLinked("carl", "300");
    auto* carried = new CKvJobDataChat;
    carried->SetPresence(CKvJobDataChat::kOnline);
    Queue(static_cast<CKvJobData*>(carried), K_KVJBDT_TP_CHAT, KV_MSG_KIND_INFO,
          KV_MSG_ATTR_NOTIFICATION);
    job_.DispatchIncoming();
    const std::vector<PackedMessage> sent = SentPackets();
    ASSERT_EQ(sent.size(), 2u);
    for (const PackedMessage& packet : sent) {
        EXPECT_EQ(packet.GetCommand(), PackedMessage::kCommandNotificationStatus);
        EXPECT_EQ(packet.GetType(), PackedMessage::kTypeInfo);
        EXPECT_EQ(packet.GetStatusSubCommand(), PackedMessage::kStatusIdPicture);
        EXPECT_EQ(packet.GetText(), " 12");
        EXPECT_EQ(packet.GetFlag(), 2u);
    }
}

TEST_F(ChatDispatchTest, RegisterWithTakenNameAppendsTildes) {
    for (int i = 0; i < 3; ++i)
        Receive("555", PackedMessage::kCommandRegister, PackedMessage::kTypeRequest, "eve",
                PackedMessage::kRegisterScreenName);
    job_.DispatchIncoming();
    ASSERT_EQ(job_.GetParticipantCount(), 3u);
    for (const char* key : {"eve", "eve~", "eve~~"}) {
        SCOPED_TRACE(key);
        CKvDataUser* user = job_.FindParticipantByKey(key);
        ASSERT_NE(user, nullptr);
        EXPECT_EQ(user->GetChatState(), 3u);
        EXPECT_EQ(user->GetPhoneNumberIn(), "555");
        EXPECT_EQ(LocalId(*user), kLocalId);
        EXPECT_EQ(PeerId(*user), kPeerId);
    }
}

TEST_F(ChatDispatchTest, RegisterWhileOfflineCreatesNobody) {
    job_.SetPresence(CKvJobDataChat::kOffline);
    Receive("555", PackedMessage::kCommandRegister, PackedMessage::kTypeRequest, "eve",
            PackedMessage::kRegisterScreenName);
    job_.DispatchIncoming();
    EXPECT_EQ(job_.GetParticipantCount(), 0u);
    EXPECT_EQ(job_.GetReceivedMessages().GetCount(), 0u);
}

TEST_F(ChatDispatchTest, PacketToSendGoesOnlyToLinkedIdleParticipants) {
    CKvDataUser* bob = AddLinked("bob", "200");
    bob->SetChatSubState(0);
    bob->SetChatState(3);
    LinkTimer(*bob).Restart(100, 0);
    auto send = [this](const char* key) {
        auto* packet = new PackedMessage;
        packet->SetKeyText(key);
        packet->SetCommand(PackedMessage::kCommandNotificationData);
        packet->SetType(PackedMessage::kTypeInfo);
        packet->SetText("hi");
        Queue(packet, KV_PAYLOAD_PACKED_MESSAGE, KV_MSG_KIND_INFO, 0);
        return job_.DispatchIncoming();
    };
    send("bob;200");
    EXPECT_TRUE(SentPackets().empty());
    EXPECT_EQ(job_.GetIncomingQueue().GetCount(), 0);
    EXPECT_EQ(send("nobody"), KV_E_NOT_PRESENT);
    bob->SetChatSubState(2);
    bob->SetChatState(0);
    send("bob;200");
    const std::vector<PackedMessage> sent = SentPackets();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].GetText(), "hi");
    EXPECT_EQ(sent[0].GetIdt(), kPeerId);
    EXPECT_EQ(sent[0].GetPeerName(), "200");
}

TEST_F(ChatDispatchTest, DisconnectForBusyParticipantStaysQueuedUntilItExpires) {
    CKvDataUser* bob = AddLinked("bob", "200");
    bob->SetChatState(10);
    LinkTimer(*bob).Restart(1000, 0);
    auto* record = new CKvDataUser(nullptr, 0);
    std::string text = "bob";
    record->SetScreenName(text);
    text = "200";
    record->SetPhoneNumberOut(text);
    CKvMessage* message = Queue(record, K_KVDT_TP_DTHDLR_DATAUSER, KV_MSG_KIND_INFO,
                                KV_MSG_ATTR_DISCONNECT);
    message->GetTimer().Restart(60, 0);
    job_.DispatchIncoming();
    EXPECT_EQ(job_.GetIncomingQueue().GetCount(), 1);
    clock_.Advance(60000);
    job_.DispatchIncoming();
    EXPECT_EQ(job_.GetIncomingQueue().GetCount(), 0);
    EXPECT_EQ(bob->GetChatState(), 10u);
}

TEST_F(ChatDispatchTest, AcceptedAnnouncementIsAdmittedThroughThePendingStore) {
    auto* record = new CKvDataUser(nullptr, 0);
    std::string text = "bob";
    record->SetScreenName(text);
    text = "200";
    record->SetPhoneNumberOut(text);
    record->SetFlagChangeDataAutomaticaly(1);
    Queue(record, K_KVDT_TP_DTHDLR_DATAUSER, KV_MSG_KIND_INFO, KV_MSG_ATTR_ACCEPTED);
    job_.DispatchIncoming();
    EXPECT_EQ(*job_.GetDenyUnknownFlag(), 1u);
    // Admitted in the same pass (nobody had work), then served next pass:
    // reported to the host and sent back to the pending store.
    CKvDataUser* bob = job_.FindParticipantByKey("bob;200");
    ASSERT_NE(bob, nullptr);
    EXPECT_EQ(bob->GetFlagChangeDataAutomaticaly(), 0u);
    EXPECT_EQ(bob->GetChatState(), 16u);
    job_.DispatchIncoming();
    std::uint16_t endpoint = 0;
    MessagePtr report = router_.Take(&endpoint);
    ASSERT_TRUE(report);
    EXPECT_EQ(endpoint, KV_ENDPOINT_HOST_MAIN);
    EXPECT_EQ(report->GetSourceEndpoint(), CKvJobDataChat::kReportSourceEndpoint);
    EXPECT_EQ(report->GetCommand(), 1);
}

// ---- Chat log ----

class ChatLogTest : public ChatDispatchTest {
protected:
    ChatLogTest() { bob_ = AddLinked("bob", "200"); }
    std::vector<std::string> Logged() {
        std::vector<std::string> log;
        SentPackets(&log);
        return log;
    }
    CKvDataUser* bob_;
};

TEST_F(ChatLogTest, ContinueBeyond340CharactersLogsThePendingText) {
    PendingText(*bob_) = std::string(327, 'x');
    Receive("200", PackedMessage::kCommandNotificationData, PackedMessage::kTypeInfo,
            "abcdefghijklmn", PackedMessage::kDataContinue);
    job_.DispatchIncoming();
    const std::vector<std::string> log = Logged();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], ">>> bob [200] (10:05) >>>\r\n" + std::string(327, 'x') + "\r\n");
    EXPECT_EQ(PendingText(*bob_), "abcdefghijklmn");
}

TEST_F(ChatLogTest, ContinueUpTo340CharactersIsAppended) {
    PendingText(*bob_) = std::string(326, 'x');
    Receive("200", PackedMessage::kCommandNotificationData, PackedMessage::kTypeInfo,
            "abcdefghijklmn", PackedMessage::kDataContinue);
    job_.DispatchIncoming();
    EXPECT_TRUE(Logged().empty());
    EXPECT_EQ(PendingText(*bob_).size(), 340u);
    // Five minutes without more text flush it.
    clock_.Advance(300000);
    job_.DispatchIncoming();
    const std::vector<std::string> log = Logged();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], ">>> bob;200>>>\r\n" + std::string(326, 'x') + "abcdefghijklmn" +
                          "\r\n...\r\n");
    EXPECT_EQ(PendingText(*bob_), "");
    clock_.Advance(300000);
    job_.DispatchIncoming();
    EXPECT_TRUE(Logged().empty());
}

TEST_F(ChatLogTest, EndAppliesBackspaces) {
    PendingText(*bob_) = "abc";
    Receive("200", PackedMessage::kCommandNotificationData, PackedMessage::kTypeInfo,
            "d\x08\x08", PackedMessage::kDataEnd);
    job_.DispatchIncoming();
    const std::vector<std::string> log = Logged();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], ">>> bob [200] (10:05) >>>\r\nab\r\n");
    EXPECT_EQ(PendingText(*bob_), "");
}

TEST_F(ChatLogTest, CancelDropsThePendingText) {
    PendingText(*bob_) = "abc";
    Receive("200", PackedMessage::kCommandNotificationData, PackedMessage::kTypeInfo, "",
            PackedMessage::kDataCancel);
    job_.DispatchIncoming();
    EXPECT_TRUE(Logged().empty());
    EXPECT_EQ(PendingText(*bob_), "");
}

TEST_F(ChatLogTest, RepeatedPacketWithinTheAdmissionTimeIsDropped) {
    Receive("200", PackedMessage::kCommandNotificationData, PackedMessage::kTypeInfo, "a",
            PackedMessage::kDataContinue, 2);
    Receive("200", PackedMessage::kCommandNotificationData, PackedMessage::kTypeInfo, "a",
            PackedMessage::kDataContinue, 2);
    Receive("200", PackedMessage::kCommandNotificationData, PackedMessage::kTypeInfo, "b",
            PackedMessage::kDataContinue, 3);
    for (int i = 0; i < 4; ++i)
        job_.DispatchIncoming();
    EXPECT_EQ(PendingText(*bob_), "ab");
}

} // namespace
