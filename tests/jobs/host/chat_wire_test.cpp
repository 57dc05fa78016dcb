// Two chat jobs on two hosts over the chat wire, on a manual clock: the
// participant protocol from registration to goodbye, the record service's
// participant look-ups and reports, and the chat log sink.
#include "jobs/host/chat_wire.h"

#include "capi/capi_payloads.h"
#include "data/data_preferences.h"
#include "data/data_user.h"
#include "data/data_user_group.h"
#include "jobs/host/job_host.h"
#include "jobs/job_data_chat.h"
#include "jobs/job_data_chat_fields.h"
#include "jobs/jobs_test_support.h"
#include "platform/clock.h"

namespace {

using namespace chat_fields;

struct Person {
    const char* name;
    const char* number;
    const char* first;
    const char* last;
};
constexpr Person kAlice{"alice", "100", "Alice", "Ames"};
constexpr Person kBob{"bob", "200", "Bob", "Bell"};

std::unique_ptr<CKvDataUser> UserRecord(const Person& person) {
    auto user = std::make_unique<CKvDataUser>(nullptr, 0);
    std::string text = person.name;
    user->SetScreenName(text);
    text = person.number;
    user->SetPhoneNumberOut(text);
    text = person.number;
    user->SetPhoneNumberIn(text);
    text = person.first;
    user->SetFirstName(text);
    text = person.last;
    user->SetLastName(text);
    return user;
}

std::unique_ptr<CKvDataPreferences> Preferences(const Person& person, bool anonymous) {
    auto preferences = std::make_unique<CKvDataPreferences>();
    std::string text = person.name;
    preferences->SetScreenName(text);
    text = person.number;
    preferences->SetPhoneNumberIn(text);
    text = person.number;
    preferences->SetPhoneNumberOut(text);
    text = person.first;
    preferences->SetFirstName(text);
    text = person.last;
    preferences->SetLastName(text);
    text = "ONLINE";
    preferences->SetStartStateText(text);
    preferences->SetTimeoutDisconnectedValue(1000, 10);
    preferences->SetFlagAnonymous(anonymous ? "TRUE" : "FALSE");
    return preferences;
}

class ChatWireTest : public ::testing::Test {
protected:
    ChatWireTest() : scoped_(clock_) {
        RegisterAllPayloads();
        RegisterCapiPayloads();
        ChatWire::Get().Reset();
        for (JobHost* host : {&a_, &b_}) {
            host->UseScriptedCapi();
            EXPECT_EQ(host->Start("127.0.0.1"), KV_OK);
        }
    }
    ~ChatWireTest() override { ChatWire::Get().Reset(); }

    // Each host its user's preferences and a chat job; each host knows the
    // other user unless told otherwise.
    void StartJobs(bool a_knows_b = true, bool b_knows_a = true, bool anonymous = false) {
        if (a_.GetRecordService().FindStoredRecord(K_KVDT_TP_DTHDLR_DATAPREFERENCES) == nullptr)
            a_.GetRecordService().StoreRecord(Preferences(kAlice, anonymous),
                                              K_KVDT_TP_DTHDLR_DATAPREFERENCES);
        b_.GetRecordService().StoreRecord(Preferences(kBob, false),
                                          K_KVDT_TP_DTHDLR_DATAPREFERENCES);
        if (a_knows_b)
            a_.GetRecordService().StoreRecord(UserRecord(kBob), K_KVDT_TP_DTHDLR_DATAUSER);
        if (b_knows_a)
            b_.GetRecordService().StoreRecord(UserRecord(kAlice), K_KVDT_TP_DTHDLR_DATAUSER);
        alice_ = new CKvJobDataChat;
        bob_ = new CKvJobDataChat;
        ASSERT_EQ(a_.AddHostJob(alice_, JobRole::kExecutor), KV_OK);
        ASSERT_EQ(b_.AddHostJob(bob_, JobRole::kExecutor), KV_OK);
        Run(1000);
        ASSERT_EQ(alice_->GetState(), KV_JOB_STATE_RUNNING);
        ASSERT_EQ(bob_->GetState(), KV_JOB_STATE_RUNNING);
    }

    // The host announces a user to its chat job (INFO with a DATAUSER).
    void Announce(JobHost& host, CKvJobDataChat& job, std::int32_t attribute,
                  const Person& person) {
        auto* message = new CKvMessage;
        message->SetHeader(KV_MSG_KIND_INFO, UserRecord(person).release(),
                           K_KVDT_TP_DTHDLR_DATAUSER, 1, KV_SUBCOMMAND_ONE_RECORD, attribute);
        message->SetJobIds(job.GetJobId(), 0, 0);
        ASSERT_EQ(message->Send(JobHost::kDefaultHandlerEndpoint, KV_ENDPOINT_HOST_MAIN,
                                &host.GetRouter(), 1, true, false),
                  KV_OK);
    }

    // Moves the clock on in steps of 100 ms, pumping both hosts at each.
    void Run(std::uint32_t milliseconds) {
        for (std::uint32_t done = 0; done < milliseconds; done += 100) {
            clock_.Advance(100);
            for (int i = 0; i < 3; ++i) {
                a_.PumpOnce();
                b_.PumpOnce();
            }
        }
    }

    CKvDataUser* Participant(CKvJobDataChat* job, const Person& person) {
        return job->FindParticipantByKey(std::string(person.name) + ";" + person.number);
    }
    void ExpectLinked(CKvJobDataChat* job, const Person& person) {
        CKvDataUser* user = Participant(job, person);
        ASSERT_NE(user, nullptr) << person.name;
        EXPECT_EQ(user->GetChatSubState(), 2u);
        EXPECT_EQ(user->GetChatState(), 0u);
    }
    void Link() {
        Announce(a_, *alice_, KV_MSG_ATTR_CONNECT, kBob);
        Run(5000);
        ASSERT_NO_FATAL_FAILURE(ExpectLinked(alice_, kBob));
        ASSERT_NO_FATAL_FAILURE(ExpectLinked(bob_, kAlice));
    }
    // The decoded packets the wire carried from the number, in order.
    std::vector<PackedMessage> PacketsFrom(const char* caller) {
        std::vector<PackedMessage> packets;
        for (const ChatWireEntry& entry : ChatWire::Get().GetLog()) {
            if (entry.caller != caller)
                continue;
            PackedMessage packet;
            packet.FromBytes(entry.bytes, nullptr);
            packets.push_back(packet);
        }
        return packets;
    }
    static bool Has(const std::vector<PackedMessage>& packets, std::uint32_t command,
                    std::uint32_t type, std::uint32_t sub_command) {
        for (const PackedMessage& packet : packets) {
            if (packet.GetCommand() != command || packet.GetType() != type)
                continue;
            const std::uint32_t sub = command == PackedMessage::kCommandRegister
                                          ? packet.GetRegisterSubCommand()
                                          : packet.GetStatusSubCommand();
            if (sub == sub_command)
                return true;
        }
        return false;
    }

    ManualClock clock_{1000000};
    ScopedClock scoped_;
    JobHost a_{false};
    JobHost b_{false};
    CKvJobDataChat* alice_ = nullptr;
    CKvJobDataChat* bob_ = nullptr;
};

TEST_F(ChatWireTest, RegistrationLinksBothSides) {
    ASSERT_NO_FATAL_FAILURE(StartJobs());
    Link();
    const std::vector<PackedMessage> from_alice = PacketsFrom("100");
    EXPECT_TRUE(Has(from_alice, PackedMessage::kCommandRegister, PackedMessage::kTypeRequest,
                    PackedMessage::kRegisterScreenName));
    EXPECT_TRUE(Has(from_alice, PackedMessage::kCommandRegister, PackedMessage::kTypeInfo,
                    PackedMessage::kRegisterLastName));
    EXPECT_TRUE(Has(from_alice, PackedMessage::kCommandRegister, PackedMessage::kTypeInfo,
                    PackedMessage::kRegisterPhoneNumber));
    const std::vector<PackedMessage> from_bob = PacketsFrom("200");
    EXPECT_TRUE(Has(from_bob, PackedMessage::kCommandRegister, PackedMessage::kTypeConfirmation,
                    PackedMessage::kRegisterScreenName));
    EXPECT_TRUE(Has(from_bob, PackedMessage::kCommandNotificationStatus,
                    PackedMessage::kTypeRequest, PackedMessage::kStatusIdPicture));
    // Bob's side took the names from the packets, the number from the caller.
    CKvDataUser* alice = Participant(bob_, kAlice);
    EXPECT_EQ(alice->GetLastName(), "Ames");
    EXPECT_EQ(alice->GetPhoneNumberIn(), "100");
    // The ids cross: each side's peer id is the other's local id.
    CKvDataUser* bob = Participant(alice_, kBob);
    EXPECT_EQ(PeerId(*bob), LocalId(*alice));
    EXPECT_EQ(PeerId(*alice), LocalId(*bob));
    // Reports reached both record services and the refresh was recorded.
    bool refreshed = false;
    for (const HostServiceEntry& entry : b_.GetServiceLog(KV_ENDPOINT_HOST_MAIN))
        refreshed = refreshed || (entry.sub_command == 8 && entry.payload_type == 21 &&
                                  entry.attribute == KV_MSG_ATTR_ONLINE_OR_PAUSED);
    EXPECT_TRUE(refreshed);
}

TEST_F(ChatWireTest, AnonymousRegistersWithScreenNameAndNumberOnly) {
    ASSERT_NO_FATAL_FAILURE(StartJobs(true, true, true));
    Link();
    const std::vector<PackedMessage> from_alice = PacketsFrom("100");
    EXPECT_FALSE(Has(from_alice, PackedMessage::kCommandRegister, PackedMessage::kTypeInfo,
                     PackedMessage::kRegisterLastName));
    EXPECT_FALSE(Has(from_alice, PackedMessage::kCommandRegister, PackedMessage::kTypeInfo,
                     PackedMessage::kRegisterFirstName));
    EXPECT_TRUE(Has(from_alice, PackedMessage::kCommandRegister, PackedMessage::kTypeInfo,
                    PackedMessage::kRegisterPhoneNumber));
    EXPECT_EQ(Participant(bob_, kAlice)->GetLastName(), "");
}

TEST_F(ChatWireTest, StrangerGetsRegisterInfoAndIsDropped) {
    ASSERT_NO_FATAL_FAILURE(StartJobs(true, false));
    Announce(a_, *alice_, KV_MSG_ATTR_CONNECT, kBob);
    Run(3000);
    EXPECT_EQ(bob_->GetParticipantCount(), 0u);
    // Bob told his host first, with the deny-unknown flag 0.
    bool told = false;
    for (const HostServiceEntry& entry : b_.GetServiceLog(KV_ENDPOINT_HOST_STATUS))
        told = told || (entry.kind == KV_MSG_KIND_INFO &&
                        entry.payload_type == K_KVDT_TP_DTHDLR_DATAUSER);
    EXPECT_TRUE(told);
    EXPECT_TRUE(Has(PacketsFrom("200"), PackedMessage::kCommandRegister, PackedMessage::kTypeInfo,
                    PackedMessage::kRegisterScreenName));
    // Alice's side took the REGISTER INFO as a refusal: dropped, id freed.
    EXPECT_EQ(alice_->GetParticipantCount(), 0u);
    for (std::uint32_t id = 0; id < 16; ++id)
        EXPECT_EQ(alice_->GetSlotKey(id), nullptr);
}

TEST_F(ChatWireTest, UnregisterWithOneLostConfirmationRetriesThenAsksTheHost) {
    ASSERT_NO_FATAL_FAILURE(StartJobs());
    Link();
    // Alice goes offline: goodbye to Bob. The first UNREGISTER is lost, the
    // repeated one reaches Bob, who confirms.
    ChatWire::Get().Script({ChatWireFate::kLose});
    Announce(a_, *alice_, KV_MSG_ATTR_DISCONNECT, kBob);
    Run(60000);
    EXPECT_EQ(alice_->GetParticipantCount(), 0u);
    EXPECT_EQ(bob_->GetParticipantCount(), 0u);
    std::size_t unregisters = 0;
    for (const PackedMessage& packet : PacketsFrom("100"))
        unregisters += packet.GetCommand() == PackedMessage::kCommandUnregister &&
                       packet.GetType() == PackedMessage::kTypeRequest;
    EXPECT_EQ(unregisters, 2u);
    EXPECT_TRUE(Has(PacketsFrom("200"), PackedMessage::kCommandUnregister,
                    PackedMessage::kTypeConfirmation, 2));
}

TEST_F(ChatWireTest, LostUnregisterConfirmationIsRetriedThenTheHostAsked) {
    ASSERT_NO_FATAL_FAILURE(StartJobs());
    Link();
    ChatWire::Get().Script({ChatWireFate::kDeliver, ChatWireFate::kLose});
    Announce(a_, *alice_, KV_MSG_ATTR_DISCONNECT, kBob);
    Run(60000);
    // Bob confirmed (lost) and let Alice go; she repeated once, then asked
    // her host and let Bob go.
    EXPECT_EQ(bob_->GetParticipantCount(), 0u);
    EXPECT_EQ(alice_->GetParticipantCount(), 0u);
    std::size_t unregisters = 0;
    for (const PackedMessage& packet : PacketsFrom("100"))
        unregisters += packet.GetCommand() == PackedMessage::kCommandUnregister &&
                       packet.GetType() == PackedMessage::kTypeRequest;
    EXPECT_EQ(unregisters, 2u);
    const std::vector<ChatWireEntry> carried = ChatWire::Get().GetLog();
    ASSERT_GE(carried.size(), 2u);
    const ChatWireEntry& lost = carried[carried.size() - 2];
    EXPECT_EQ(lost.fate, ChatWireFate::kLose);
    EXPECT_EQ(lost.caller, "200");
    // Her last report to the host unlinks Bob.
    const CKvDataUser* stored = static_cast<CKvDataUser*>(
        a_.GetRecordService().FindStoredRecord(K_KVDT_TP_DTHDLR_DATAUSER));
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(const_cast<CKvDataUser*>(stored)->GetChatSubState(), 0u);
}

TEST_F(ChatWireTest, ChatTextReachesTheLogAndRepeatsAreDropped) {
    ASSERT_NO_FATAL_FAILURE(StartJobs());
    Link();
    CKvDataUser* alice = Participant(bob_, kAlice);
    CKvDataUser* bob = Participant(alice_, kBob);
    ASSERT_NE(bob, nullptr);
    // Alice's host hands her job text packets for Bob; the first is
    // delivered twice.
    auto send = [&](const char* text, std::uint32_t sub_command) {
        auto* packet = new PackedMessage;
        packet->SetKeyText("bob;200");
        packet->SetCommand(PackedMessage::kCommandNotificationData);
        packet->SetType(PackedMessage::kTypeInfo);
        packet->SetDataSubCommand(sub_command);
        packet->SetText(text);
        auto* message = new CKvMessage;
        message->SetHeader(KV_MSG_KIND_INFO, packet, KV_PAYLOAD_PACKED_MESSAGE, 1, 5, 0);
        message->SetJobIds(alice_->GetJobId(), 0, 0);
        message->Send(JobHost::kDefaultHandlerEndpoint, KV_ENDPOINT_HOST_MAIN, &a_.GetRouter(), 1,
                      true, false);
        Run(300);
    };
    ChatWire::Get().Script({ChatWireFate::kRepeat});
    send("hello ", PackedMessage::kDataContinue);
    send("world", PackedMessage::kDataEnd);
    const std::vector<HostServiceEntry> log = b_.GetServiceLog(KV_ENDPOINT_CHAT_LOG);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].text, ">>> alice [100] (13:46) >>>\r\nhello world\r\n");
    EXPECT_EQ(PendingText(*alice), "");
}

TEST_F(ChatWireTest, ReconnectAfterConnectAnnouncementLinksAgain) {
    ASSERT_NO_FATAL_FAILURE(StartJobs());
    // The first REGISTER is lost: Alice's registration runs out, she says
    // goodbye and, announced by CONNECT, registers anew.
    ChatWire::Get().Script({ChatWireFate::kLose});
    Announce(a_, *alice_, KV_MSG_ATTR_CONNECT, kBob);
    Run(3000);
    CKvDataUser* bob = Participant(alice_, kBob);
    ASSERT_NE(bob, nullptr);
    EXPECT_EQ(bob->GetChatState(), 6u);
    EXPECT_EQ(ReconnectFlag(*bob), 1u);
    EXPECT_EQ(bob_->GetParticipantCount(), 0u);
    Run(60000);
    ASSERT_NO_FATAL_FAILURE(ExpectLinked(alice_, kBob));
    ASSERT_NO_FATAL_FAILURE(ExpectLinked(bob_, kAlice));
    std::size_t requests = 0;
    std::size_t goodbyes = 0;
    for (const PackedMessage& packet : PacketsFrom("100")) {
        requests += packet.GetCommand() == PackedMessage::kCommandRegister &&
                    packet.GetType() == PackedMessage::kTypeRequest;
        goodbyes += packet.GetCommand() == PackedMessage::kCommandUnregister;
    }
    EXPECT_EQ(requests, 2u);
    EXPECT_EQ(goodbyes, 1u);
}

TEST_F(ChatWireTest, IdPictureOfOneCharacterChangesTheSubStateOnly) {
    ASSERT_NO_FATAL_FAILURE(StartJobs());
    Link();
    CKvDataUser* alice = Participant(bob_, kAlice);
    alice->SetFlagChangeDataAutomaticaly(1);
    std::string image = "4";
    alice->SetIdImageText(image);
    // Alice pauses: her presence broadcast carries " " and her picture id
    // "0", which Bob takes; a lone " " with the flag PAUSED does not.
    auto* carried = new CKvJobDataChat;
    carried->SetPresence(CKvJobDataChat::kPaused);
    *alice_->GetPictureId() = "";
    auto* message = new CKvMessage;
    message->SetHeader(KV_MSG_KIND_INFO, static_cast<CKvJobData*>(carried), K_KVJBDT_TP_CHAT, 1,
                       5, KV_MSG_ATTR_NOTIFICATION);
    message->SetJobIds(alice_->GetJobId(), 0, 0);
    message->Send(JobHost::kDefaultHandlerEndpoint, KV_ENDPOINT_HOST_MAIN, &a_.GetRouter(), 1,
                  true, false);
    Run(3000);
    EXPECT_EQ(alice_->GetPresence(), CKvJobDataChat::kPaused);
    EXPECT_EQ(alice->GetChatSubState(), 1u);
    EXPECT_EQ(alice->GetIdImageText(), "4");
    EXPECT_EQ(alice->GetChatState(), 0u);
}

TEST_F(ChatWireTest, ReadmittedParticipantExpiredFromPendingFreesItsId) {
    ASSERT_NO_FATAL_FAILURE(StartJobs());
    Link();
    CKvDataUser* bob = Participant(alice_, kBob);
    const std::uint32_t id = LocalId(*bob);
    ASSERT_NE(alice_->GetSlotKey(id), nullptr);
    // Another participant with work keeps the pending store from admitting.
    auto* waiting = UserRecord(Person{"zed", "900", "", ""}).release();
    waiting->SetChatState(10);
    LinkTimer(*waiting).Restart(1000, 0);
    ASSERT_EQ(alice_->AddParticipant(waiting), KV_OK);
    // Bob's goodbye ran out with the reconnect flag: he is admitted again,
    // keeping his id while he waits.
    ReconnectFlag(*bob) = 1;
    RetryCount(*bob) = 0;
    bob->SetChatState(14);
    ActionTimer(*bob).Restart(0, 0);
    Run(300);
    EXPECT_EQ(alice_->GetParticipantCount(), 1u);
    EXPECT_EQ(alice_->GetPendingStore().GetCount(), 1);
    EXPECT_NE(alice_->GetSlotKey(id), nullptr);
    // His admission time runs out in the store: destroyed, and his id free.
    Run(40000);
    EXPECT_EQ(alice_->GetPendingStore().GetCount(), 0);
    EXPECT_EQ(alice_->GetSlotKey(id), nullptr);
    // A new registration links him again.
    std::unique_ptr<CKvDataUser> gone;
    ASSERT_EQ(alice_->RemoveParticipant("zed;900", gone), KV_OK);
    Announce(a_, *alice_, KV_MSG_ATTR_CONNECT, kBob);
    Run(5000);
    ASSERT_NO_FATAL_FAILURE(ExpectLinked(alice_, kBob));
    ASSERT_NO_FATAL_FAILURE(ExpectLinked(bob_, kAlice));
}

TEST_F(ChatWireTest, StartGroupAdmitsItsResolvedMembers) {
    auto group = std::make_unique<CKvDataUserGroup>(nullptr, 0);
    std::string name = "friends";
    group->SetName(name);
    group->AddIdentifier("bob;200");
    a_.GetRecordService().StoreRecord(std::move(group), K_KVDT_TP_DTHDLR_DATAUSERGROUP);
    auto preferences = Preferences(kAlice, false);
    preferences->SetStartGroup(name);
    a_.GetRecordService().StoreRecord(std::move(preferences), K_KVDT_TP_DTHDLR_DATAPREFERENCES);
    ASSERT_NO_FATAL_FAILURE(StartJobs());
    Run(5000);
    ASSERT_NO_FATAL_FAILURE(ExpectLinked(alice_, kBob));
    ASSERT_NO_FATAL_FAILURE(ExpectLinked(bob_, kAlice));
    bool asked = false;
    for (const HostServiceEntry& entry : a_.GetServiceLog(KV_ENDPOINT_HOST_MAIN))
        asked = asked || entry.payload_type == K_KVDT_TP_DTHDLR_DATAUSERGROUP;
    EXPECT_TRUE(asked);
}

TEST_F(ChatWireTest, RecordServiceFindsUsersByKeyAndTakesReportsSilently) {
    constexpr std::uint16_t kAsker = 0x950;
    auto queue = std::make_shared<MessageQueue>();
    const DWORD queue_id = RegisterMessageQueue(queue);
    ASSERT_EQ(a_.GetRouter().RegisterThread(kAsker, queue_id, "test"), KV_OK);
    a_.GetRecordService().StoreRecord(UserRecord(kBob), K_KVDT_TP_DTHDLR_DATAUSER);
    auto send = [&](const Person& person, std::int32_t command, std::uint16_t source,
                    const char* first_name) {
        auto user = UserRecord(person);
        std::string text = first_name;
        user->SetFirstName(text);
        auto* message = new CKvMessage;
        message->SetHeader(KV_MSG_KIND_REQUEST, user.release(), K_KVDT_TP_DTHDLR_DATAUSER, command,
                           5, 0);
        message->SetSubCommand(5);
        ASSERT_EQ(message->Send(KV_ENDPOINT_HOST_MAIN, source, &a_.GetRouter(), 1, true, false),
                  KV_OK);
        a_.PumpOnce();
    };
    auto answer = [&]() -> MessagePtr {
        ThreadMessage posted;
        if (!queue->HasMessage() || !queue->GetMessage(posted))
            return Own(nullptr);
        return Own(reinterpret_cast<CKvMessage*>(posted.lParam));
    };
    send(kBob, 2, kAsker, "");
    MessagePtr found = answer();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->GetAttribute(), KV_MSG_ATTR_DATA_FOUND);
    EXPECT_EQ(static_cast<CKvDataUser*>(found->GetPayload())->GetFirstName(), "Bob");
    send(kAlice, 2, kAsker, "");
    MessagePtr missing = answer();
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->GetAttribute(), KV_MSG_ATTR_DATA_NOT_FOUND);
    // A report from 2055 replaces the record and is not answered.
    send(kBob, 1, CKvJobDataChat::kReportSourceEndpoint, "Robert");
    EXPECT_FALSE(answer());
    EXPECT_EQ(
        static_cast<CKvDataUser*>(a_.GetRecordService().FindStoredRecord(K_KVDT_TP_DTHDLR_DATAUSER))
            ->GetFirstName(),
        "Robert");
    EXPECT_EQ(a_.GetRecordService().FindStoredRecord(K_KVDT_TP_DTHDLR_DATAUSER, 1), nullptr);
    a_.GetRouter().Unregister(kAsker);
    UnregisterMessageQueue(queue_id);
    for (const ThreadMessage& left : queue->CloseAndDrain())
        reinterpret_cast<CKvMessage*>(left.lParam)->Release();
}

TEST(ChatWireLog, KeepsTheLatestThousandPackets) {
    ChatWire& wire = ChatWire::Get();
    wire.Reset();
    constexpr std::uint32_t kCarried = ChatWire::kLogLimit + 2;
    for (std::uint32_t i = 0; i < kCarried; ++i) {
        const std::uint8_t byte = static_cast<std::uint8_t>(i);
        wire.Carry(std::to_string(i), "nobody", &byte, 1);
    }
    const std::vector<ChatWireEntry> log = wire.GetLog();
    ASSERT_EQ(log.size(), ChatWire::kLogLimit);
    EXPECT_EQ(log.front().caller, "2");
    EXPECT_EQ(log.back().caller, std::to_string(kCarried - 1));
    EXPECT_EQ(log.back().deliveries, 0u);
    wire.Reset();
}

} // namespace
