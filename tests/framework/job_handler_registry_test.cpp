#include "framework/job_handler_registry.h"

#include "framework/framework_payloads.h"
#include "framework/named_value.h"
#include "framework_test_support.h"

#include <gtest/gtest.h>

namespace {

using Texts = std::vector<std::string>;

constexpr std::uint16_t kOwnerEndpoint = 0x805;

class FakeJob : public CKvJobHandlerEntry {
public:
    FakeJob(std::uint32_t type, int* deletions) : type_(type), deletions_(deletions) {}
    ~FakeJob() override { ++*deletions_; }

    std::uint32_t GetType() const override { return type_; }
    void SetTarget(CKvMessageRouter* router, std::uint16_t endpoint_id) override {
        std::tie(router_, endpoint_id_) = std::tuple(router, endpoint_id);
    }
    void SetTransportMode(std::uint32_t mode) override { transport_mode_ = mode; }

    CKvMessageRouter* router_ = nullptr;
    std::uint16_t endpoint_id_ = 0;
    std::uint32_t transport_mode_ = 0, type_;
    int* deletions_;
};

// Hands out the ids a test gives it.
class ScriptedHandler : public CKvIMSGJobDataHandler {
public:
    ScriptedHandler(CKvMessageRouter* router, std::vector<std::uint32_t> ids)
        : CKvIMSGJobDataHandler(router, kOwnerEndpoint, 0, nullptr, false), ids_(std::move(ids)) {}

protected:
    std::uint32_t TakeNextJobId() override { return ids_.at(next_++); }

private:
    std::vector<std::uint32_t> ids_;
    std::size_t next_ = 0;
};

// The announcements go to endpoint 0x802, here the test's own thread.
class JobHandlerTest : public RouterFixture {
protected:
    void SetUp() override {
        RegisterFrameworkPayloads();
        RouterFixture::SetUp();
        ASSERT_EQ(router_.RegisterThread(0x802, queue_.GetThreadId(), "status"), KV_OK);
    }

    FakeJob* Add(std::uint32_t type, std::uint32_t state = 0) {
        auto* job = new FakeJob(type, &deletions_);
        job->ChangeState(state);
        EXPECT_EQ(handler_.AddJob(job), KV_OK);
        return job;
    }
    // The texts of the announcements queued so far, checking their numbers.
    Texts TakeAnnouncements(bool counted = true) {
        Texts texts;
        while (CKvMessage* message = queue_.Take()) {
            expected_counter_ += counted;
            EXPECT_EQ(
                std::tuple(message->GetKind(), message->GetSourceEndpoint(), message->GetValue()),
                std::tuple(KV_MSG_KIND_INFO, kOwnerEndpoint, expected_counter_));
            const auto* value = static_cast<const CKvNamedValue*>(message->GetPayload());
            EXPECT_EQ(value->GetName(), "CKvIMSGJobDataHandler");
            texts.push_back(value->GetValue());
            message->Release();
        }
        return texts;
    }

    std::uint32_t counter_ = 0;
    std::uint32_t expected_counter_ = 0;
    int deletions_ = 0;
    CKvIMSGJobDataHandler handler_{&router_, kOwnerEndpoint, 3, &counter_, true};
};

} // namespace

TEST_F(JobHandlerTest, AddJobGivesIdsRouterEndpointModeAndHandler) {
    FakeJob* job = Add(K_KVJBDT_TP_DIAL);
    const std::uint32_t id = job->GetJobId();
    EXPECT_GE(id, 2u);
    EXPECT_EQ(std::tuple(job->GetTargetJobId(), job->GetOriginatingJobId(), job->GetHandler(),
                         job->router_, job->endpoint_id_, job->transport_mode_),
              std::tuple(id, id, &handler_, &router_, kOwnerEndpoint, 3u));
    EXPECT_EQ(handler_.FindJob(id), job);

    auto* addressed = new FakeJob(K_KVJBDT_TP_LISTEN, &deletions_);
    addressed->SetTargetJobId(77);
    addressed->SetOriginatingJobId(88);
    ASSERT_EQ(handler_.AddJob(addressed), KV_OK);
    EXPECT_EQ(std::tuple(addressed->GetJobId(), addressed->GetTargetJobId(),
                         addressed->GetOriginatingJobId()),
              std::tuple(id + 1, 77u, 88u));
}

TEST_F(JobHandlerTest, AddJobRefusesWhatItCannotFileAndLeavesTheJobAlone) {
    EXPECT_EQ(handler_.AddJob(nullptr), KV_E_INVALID_POINTER);
    EXPECT_EQ(handler_.AddJob(Add(K_KVJBDT_TP_DIAL)), KV_E_ALREADY_PRESENT);

    CKvMessageRouter uninitialised;
    CKvIMSGJobDataHandler without_ids(&uninitialised, kOwnerEndpoint, 0, nullptr, true);
    FakeJob orphan(K_KVJBDT_TP_DIAL, &deletions_);
    EXPECT_EQ(without_ids.AddJob(&orphan), KV_E_FAIL);
    EXPECT_EQ(orphan.GetHandler(), nullptr);

    ScriptedHandler colliding(&router_, {40, 40});
    auto* first = new FakeJob(K_KVJBDT_TP_DIAL, &deletions_);
    ASSERT_EQ(colliding.AddJob(first), KV_OK);
    FakeJob second(K_KVJBDT_TP_CHAT, &deletions_);
    EXPECT_EQ(colliding.AddJob(&second), KV_E_FAIL);
    EXPECT_EQ(colliding.FindJob(40), first);
    EXPECT_EQ(std::tuple(second.GetJobId(), colliding.CountJobs(K_KVJBDT_TP_CHAT)),
              std::tuple(0u, 0u));
}

TEST_F(JobHandlerTest, EveryAddAnnouncesTheCountOfEveryTypeToTheStatusEndpoint) {
    Add(K_KVJBDT_TP_DIAL);
    EXPECT_EQ(TakeAnnouncements(), Texts{"CJobDataType|13#Count|1"});
    Add(K_KVJBDT_TP_CHAT);
    Add(K_KVJBDT_TP_DIAL);
    EXPECT_EQ(TakeAnnouncements(), (Texts{"CJobDataType|13#Count|1", "CJobDataType|19#Count|1",
                                          "CJobDataType|13#Count|2", "CJobDataType|19#Count|1"}));
    EXPECT_EQ(counter_, 5u);
    // Without the owner's counter the announcements go out numbered 0.
    CKvIMSGJobDataHandler uncounted(&router_, kOwnerEndpoint, 0, nullptr, true);
    ASSERT_EQ(uncounted.AddJob(new FakeJob(K_KVJBDT_TP_DIAL, &deletions_)), KV_OK);
    expected_counter_ = 0;
    EXPECT_EQ(TakeAnnouncements(false).size(), 1u);
}

TEST_F(JobHandlerTest, FindsCountsAndWalksJobsByTypeInFilingOrder) {
    EXPECT_FALSE(handler_.BeginIteration(0));
    FakeJob* a = Add(K_KVJBDT_TP_DIAL);
    FakeJob* b = Add(K_KVJBDT_TP_CHAT);
    FakeJob* c = Add(K_KVJBDT_TP_DIAL);
    EXPECT_EQ(std::tuple(handler_.CountJobs(0), handler_.CountJobs(K_KVJBDT_TP_DIAL)),
              std::tuple(3u, 2u));
    EXPECT_EQ(handler_.FindJobsOfType(K_KVJBDT_TP_ROOT), nullptr);
    EXPECT_EQ(handler_.FindJobsOfType(K_KVJBDT_TP_DIAL)->Lookup(b->GetJobId()), nullptr);
    ASSERT_TRUE(handler_.BeginIteration(K_KVJBDT_TP_DIAL));
    EXPECT_EQ(handler_.FirstJob(K_KVJBDT_TP_CHAT), b);
    EXPECT_EQ(handler_.NextJob(), a);
    EXPECT_EQ(handler_.NextJob(), c);
    EXPECT_EQ(handler_.NextJob(), nullptr);
    // Removing a job already walked keeps the walk's place.
    ASSERT_TRUE(handler_.BeginIteration(0));
    EXPECT_EQ(handler_.NextJob(), a);
    EXPECT_EQ(handler_.NextJob(), b);
    EXPECT_EQ(handler_.DeleteJob(a->GetJobId()), KV_OK);
    EXPECT_EQ(handler_.NextJob(), c);
}

TEST_F(JobHandlerTest, StopAllJobsSparesRootJobsAndJobsThatAreEndingOrStopped) {
    const struct {
        std::uint32_t type, state;
        bool stopped;
    } cases[] = {
        {K_KVJBDT_TP_DIAL, 0, true},   {K_KVJBDT_TP_CLIENT, 10, true},
        {K_KVJBDT_TP_ROOT, 10, false}, {K_KVJBDT_TP_DIAL, 8, false},
        {K_KVJBDT_TP_DIAL, 9, false},  {K_KVJBDT_TP_DIAL, 11, false},
        {K_KVJBDT_TP_DIAL, 15, false},
    };
    std::vector<FakeJob*> jobs;
    for (const auto& c : cases)
        jobs.push_back(Add(c.type, c.state));
    handler_.StopAllJobs();
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& c = cases[i];
        EXPECT_EQ(std::tuple(jobs[i]->GetState(), jobs[i]->GetPreviousState()),
                  c.stopped ? std::tuple(11u, c.state) : std::tuple(c.state, 0u));
    }
}

TEST_F(JobHandlerTest, RemovalKeepsTheMapsConsistentAndTheAnnouncedCountGrowing) {
    FakeJob* finished = Add(K_KVJBDT_TP_CHAT);
    FakeJob* running = Add(K_KVJBDT_TP_DIAL);
    Add(K_KVJBDT_TP_DIAL)->ChangeState(KV_JOB_STATE_FINISHED);
    finished->ChangeState(KV_JOB_STATE_FINISHED);
    ASSERT_TRUE(handler_.BeginIteration(K_KVJBDT_TP_CHAT));
    EXPECT_EQ(handler_.DeleteFinishedJobs(), 2);
    EXPECT_EQ(deletions_, 2);
    EXPECT_EQ(handler_.NextJob(), nullptr);
    EXPECT_EQ(std::tuple(handler_.CountJobs(0), handler_.CountJobs(K_KVJBDT_TP_DIAL)),
              std::tuple(1u, 1u));
    EXPECT_EQ(handler_.FindJobsOfType(K_KVJBDT_TP_CHAT), nullptr);
    EXPECT_EQ(handler_.RemoveJob(running->GetJobId()), running);
    EXPECT_EQ(handler_.DeleteJob(running->GetJobId()), KV_E_NOT_FOUND);
    EXPECT_EQ(handler_.CountJobs(0), 0u);
    delete running;
    std::string text;
    ASSERT_TRUE(handler_.FormatCount(text, K_KVJBDT_TP_DIAL));
    EXPECT_EQ(text, "CJobDataType|13#Count|2");
    EXPECT_FALSE(handler_.FormatCount(text, K_KVJBDT_TP_ROOT));
    // Jobs still filed go with the registry.
    {
        CKvIMSGJobDataHandler owner(&router_, kOwnerEndpoint, 0, nullptr, false);
        owner.AddJob(new FakeJob(K_KVJBDT_TP_ROOT, &deletions_));
    }
    EXPECT_EQ(deletions_, 4);
}

TEST(JobHandlerRegistryQuit, PostQuitEndsTheCallingThreadsLoop) {
    auto queue = std::make_shared<MessageQueue>();
    AttachThreadQueue(queue);
    CKvIMSGJobDataHandler handler(nullptr, 0x900, 1, nullptr, false);
    handler.PostQuit();
    ThreadMessage message;
    EXPECT_FALSE(queue->GetMessage(message)); // the quit message
    DetachThreadQueue();
}
