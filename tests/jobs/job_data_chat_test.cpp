// The chat job's data, participant table, ids, presence, copy and step
// machine, driven through a capturing router.
#include "jobs/job_data_chat.h"

#include "capi/capi_payloads.h"
#include "data/data_user_group.h"
#include "jobs/job_data_chat_fields.h"
#include "jobs/jobs_test_support.h"
#include "platform/clock.h"

namespace {

constexpr std::uint16_t kJobEndpoint = 0x900;

CKvDataUser* User(const char* name, const char* number) {
    auto* user = new CKvDataUser(nullptr, 0);
    std::string text = name;
    user->SetScreenName(text);
    text = number;
    user->SetPhoneNumberOut(text);
    return user;
}

TEST(ChatJobParticipants, SeventeenthIsRefusedEvenWithNewKey) {
    CKvJobDataChat job;
    for (int i = 0; i < 16; ++i)
        ASSERT_EQ(job.AddParticipant(User("u", std::to_string(i).c_str())), KV_OK);
    std::unique_ptr<CKvDataUser> seventeenth(User("new", "99"));
    EXPECT_EQ(job.AddParticipant(seventeenth.get()), KV_E_LIST_FULL);
    EXPECT_EQ(job.GetParticipantCount(), 16u);
}

TEST(ChatJobParticipants, DuplicateKeyIsRefusedAndMapUnchanged) {
    CKvJobDataChat job;
    CKvDataUser* first = User("bob", "200");
    ASSERT_EQ(job.AddParticipant(first), KV_OK);
    std::unique_ptr<CKvDataUser> second(User("bob", "200"));
    EXPECT_EQ(job.AddParticipant(second.get()), KV_E_ALREADY_PRESENT);
    EXPECT_EQ(job.GetParticipantCount(), 1u);
    EXPECT_EQ(job.FindParticipantByKey("bob;200"), first);
    EXPECT_EQ(job.AddParticipant(nullptr), KV_E_INVALID_POINTER);
    CKvDataUser* found = nullptr;
    std::unique_ptr<CKvDataUser> absent(User("eve", "1"));
    EXPECT_EQ(job.FindParticipant(absent.get(), found), KV_E_NOT_PRESENT);
    std::unique_ptr<CKvDataUser> removed;
    EXPECT_EQ(job.RemoveParticipant("nobody", removed), KV_E_FAIL);
}

TEST(ChatJobIds, HighestFreeIdIsTakenAndOwnKeyIsRefused) {
    CKvJobDataChat job;
    std::vector<std::unique_ptr<CKvDataUser>> holders;
    for (std::uint32_t id = 0; id < 16; ++id) {
        holders.emplace_back(User("h", std::to_string(id).c_str()));
        std::uint32_t got = 99;
        ASSERT_EQ(job.AllocateLocalId(got, *holders.back()), KV_OK);
        EXPECT_EQ(got, 15 - id);
    }
    std::unique_ptr<CKvDataUser> late(User("late", "1"));
    std::uint32_t id = 0;
    EXPECT_EQ(job.AllocateLocalId(id, *late), KV_E_NO_FREE_LOCAL_ID);
    job.FreeLocalId(3);
    job.FreeLocalId(9);
    EXPECT_EQ(job.AllocateLocalId(id, *late), KV_OK);
    EXPECT_EQ(id, 9u);
    EXPECT_EQ(job.AllocateLocalId(id, *late), KV_E_ALREADY_PRESENT);
    ASSERT_NE(job.GetSlotKey(9), nullptr);
    EXPECT_EQ(*job.GetSlotKey(9), "late;1");
}

TEST(ChatJobPresence, TextsAndCodes) {
    struct Case {
        const char* text;
        std::uint32_t code;
        const char* stored;
    } cases[] = {{"ONLINE", 2, "ONLINE"},   {"PAUSED", 1, "PAUSED"}, {"OFFLINE", 0, "OFFLINE"},
                 {"online", 0, "OFFLINE"},  {"", 0, "OFFLINE"},      {" ONLINE", 0, "OFFLINE"}};
    CKvJobDataChat job;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        job.SetPresenceText(c.text);
        EXPECT_EQ(job.GetPresence(), c.code);
        EXPECT_EQ(job.GetPresenceText(), c.stored);
    }
    job.SetPresence(5);
    EXPECT_EQ(job.GetPresence(), 0u);
    EXPECT_EQ(job.GetPresenceText(), "OFFLINE");
    job.SetPresence(1);
    EXPECT_EQ(job.GetPresenceText(), "PAUSED");
}

TEST(ChatJobCopy, CopyHasNoParticipantsAndItsOwnPreferences) {
    RegisterAllPayloads();
    auto source = std::make_unique<CKvJobDataChat>();
    source->SetNumber("100");
    source->SetPresence(2);
    source->SetDisconnectTimeout(1500);
    *source->GetAnonymousFlag() = 1;
    auto preferences = std::make_unique<CKvDataPreferences>();
    std::string name = "alice";
    preferences->SetScreenName(name);
    source->SetPreferences(std::move(preferences));
    ASSERT_EQ(source->AddParticipant(User("bob", "200")), KV_OK);
    CKvJobDataChat copy;
    copy.CopyFrom(*source);
    EXPECT_EQ(copy.GetParticipantCount(), 0u);
    EXPECT_EQ(copy.GetNumber(), "100");
    EXPECT_EQ(copy.GetPresence(), 2u);
    EXPECT_EQ(copy.GetPresenceText(), "OFFLINE");
    EXPECT_EQ(copy.GetDisconnectTimeout(), 1500u);
    EXPECT_EQ(*copy.GetAnonymousFlag(), 1u);
    ASSERT_NE(copy.GetPreferences(), nullptr);
    EXPECT_NE(copy.GetPreferences(), source->GetPreferences());
    source.reset();
    EXPECT_EQ(copy.GetPreferences()->GetScreenName(), "alice");
}

TEST(ChatJobCopy, AdmissionIntervalSaturates) {
    CKvJobDataChat job;
    EXPECT_EQ(job.AdmissionIntervalSeconds(), 20u);
    ASSERT_EQ(job.Admit(User("bob", "200")), KV_OK);
    // (1 * ((1000 + 100) * 5 + 10000) + 500) / 1000 + 20
    EXPECT_EQ(job.AdmissionIntervalSeconds(), 36u);
    job.SetDisconnectTimeout(0xFFFFFFFFu);
    EXPECT_EQ(job.AdmissionIntervalSeconds(), 2147483u);
}

// ---- Step machine ----

class ChatStepTest : public ::testing::Test {
protected:
    ChatStepTest() : scoped_(clock_) {
        RegisterCapiPayloads();
        job_.SetTarget(router_.Get(), kJobEndpoint);
        job_.SetJobId(7);
    }

    // The next message sent, with its endpoint.
    MessagePtr Sent(std::uint16_t expected) {
        std::uint16_t endpoint = 0;
        MessagePtr message = router_.Take(&endpoint);
        EXPECT_TRUE(message);
        EXPECT_EQ(endpoint, expected);
        return message;
    }
    // The request comes back as the answer, with a new payload when given.
    void Answer(MessagePtr request, std::int32_t attribute, void* payload = nullptr) {
        CKvMessage* answer = request.release();
        if (payload != nullptr) {
            answer->DestroyPayload();
            answer->SetPayload(payload);
        }
        answer->SetKind(KV_MSG_KIND_CONFIRMATION);
        answer->SetAttribute(attribute);
        answer->SwapJobIds();
        job_.GetIncomingQueue().Add(answer, false);
    }
    void AnswerPreferences(const char* start_state, const char* group) {
        job_.Step();
        auto request = Sent(KV_ENDPOINT_HOST_MAIN);
        auto* preferences = new CKvDataPreferences;
        std::string text = start_state;
        preferences->SetStartStateText(text);
        text = group;
        preferences->SetStartGroup(text);
        text = "100";
        preferences->SetPhoneNumberIn(text);
        Answer(std::move(request), KV_MSG_ATTR_DATA_FOUND, preferences);
        job_.Step();
    }
    void GrantManager(std::uint32_t id) {
        job_.Step();
        auto request = Sent(KV_ENDPOINT_CAPI);
        request->SetSourceJobId(id);
        Answer(std::move(request), KV_MSG_ATTR_ACCEPTED);
        job_.Step();
    }

    ManualClock clock_{1000000};
    ScopedClock scoped_;
    CapturingRouter router_{KV_ENDPOINT_HOST_MAIN, KV_ENDPOINT_CAPI, KV_ENDPOINT_CHAT_LOG,
                            KV_ENDPOINT_HOST_STATUS, kJobEndpoint};
    CKvJobDataChat job_;
};

TEST_F(ChatStepTest, PreferencesNotFoundEndWithoutShutdown) {
    job_.Step();
    auto request = Sent(KV_ENDPOINT_HOST_MAIN);
    EXPECT_EQ(request->GetPayloadType(), K_KVDT_TP_DTHDLR_DATAPREFERENCES);
    EXPECT_EQ(request->GetCommand(), 2);
    Answer(std::move(request), KV_MSG_ATTR_DATA_NOT_FOUND);
    EXPECT_EQ(job_.Step(), KV_E_NO_DATA_FOUND);
    EXPECT_EQ(job_.GetState(), KV_JOB_STATE_CLEANUP);
    EXPECT_EQ(job_.Step(), KV_OK);
    EXPECT_EQ(job_.GetState(), KV_JOB_STATE_FINISHED);
    EXPECT_EQ(router_.Count(), 0u);
    EXPECT_EQ(job_.Step(), KV_E_BAD_STATE);
    EXPECT_EQ(job_.GetState(), KV_JOB_STATE_FINISHED);
}

TEST_F(ChatStepTest, NoAnswerWithinTwentySecondsFails) {
    job_.Step();
    Sent(KV_ENDPOINT_HOST_MAIN);
    EXPECT_EQ(job_.Step(), KV_OK);
    clock_.Advance(20000);
    EXPECT_EQ(job_.Step(), KV_E_TIMEOUT);
    EXPECT_EQ(job_.GetState(), KV_JOB_STATE_CLEANUP);
}

TEST_F(ChatStepTest, OfflineSkipsTheGroupPausedAsksForIt) {
    AnswerPreferences("OFFLINE", "friends");
    EXPECT_EQ(job_.GetState(), CKvJobDataChat::kStateDialManager);
    EXPECT_EQ(job_.GetNumber(), "100");
    ASSERT_NE(job_.GetPreferences(), nullptr);

    job_.Init();
    AnswerPreferences("PAUSED", "friends");
    EXPECT_EQ(job_.GetState(), CKvJobDataChat::kStateGroup);
    job_.Step();
    auto request = Sent(KV_ENDPOINT_HOST_MAIN);
    ASSERT_EQ(request->GetPayloadType(), K_KVDT_TP_DTHDLR_DATAUSERGROUP);
    auto* group = static_cast<CKvDataUserGroup*>(request->GetPayload());
    EXPECT_EQ(group->GetName(), "friends");
    EXPECT_EQ(group->GetRuntimeWordA(), 1u);
}

TEST_F(ChatStepTest, DataManagerRefusedShutsDownTheDialManagerOnly) {
    AnswerPreferences("ONLINE", "");
    ASSERT_EQ(job_.GetState(), CKvJobDataChat::kStateDialManager);
    GrantManager(41);
    EXPECT_EQ(job_.GetDialManagerId(), 41u);
    ASSERT_EQ(job_.GetState(), CKvJobDataChat::kStateDataManager);
    job_.Step();
    auto request = Sent(KV_ENDPOINT_CAPI);
    EXPECT_EQ(request->GetPayloadType(), 34);
    Answer(std::move(request), KV_MSG_ATTR_REFUSED);
    EXPECT_EQ(job_.Step(), KV_E_NO_DATA_FOUND);
    ASSERT_EQ(job_.GetState(), KV_JOB_STATE_CLEANUP);
    job_.Step();
    auto shutdown = Sent(KV_ENDPOINT_CAPI);
    EXPECT_EQ(shutdown->GetAttribute(), KV_MSG_ATTR_SHUTDOWN);
    EXPECT_EQ(shutdown->GetKind(), KV_MSG_KIND_INFO);
    EXPECT_EQ(shutdown->GetPayloadType(), KV_PAYLOAD_TEXT);
    EXPECT_EQ(shutdown->GetSourceJobId(), 41u);
    EXPECT_EQ(router_.Count(), 0u);
    EXPECT_EQ(job_.GetState(), KV_JOB_STATE_FINISHED);
}

TEST_F(ChatStepTest, StoppingWithoutParticipantsGoesTo8Then9) {
    AnswerPreferences("ONLINE", "");
    GrantManager(41);
    GrantManager(42);
    ASSERT_EQ(job_.GetState(), KV_JOB_STATE_RUNNING);
    EXPECT_EQ(job_.GetSecondManagerId(), 42u);
    job_.ChangeState(KV_JOB_STATE_STOP_REQUESTED);
    job_.Step();
    EXPECT_EQ(job_.GetState(), KV_JOB_STATE_CLEANUP);
    job_.Step();
    EXPECT_EQ(job_.GetState(), KV_JOB_STATE_FINISHED);
    std::vector<std::uint32_t> shut;
    while (auto message = router_.Take())
        shut.push_back(message->GetSourceJobId());
    EXPECT_EQ(shut, (std::vector<std::uint32_t>{42, 41}));
}

} // namespace
