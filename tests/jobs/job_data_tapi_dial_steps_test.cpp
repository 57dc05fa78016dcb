#include "data/data_call.h"
#include "data/data_device.h"
#include "data/data_general.h"
#include "data/data_host.h"
#include "jobs/job_data_tapi_dial.h"
#include "tapi_line_script.h"

namespace {

constexpr std::uint16_t kOriginator = 0x960;
constexpr std::uint16_t kLineEndpoint = 0xA01;
constexpr std::uint32_t kRingback = 0x20, kConnected = 0x100, kIdle = 0x1;

class TapiDialTest : public TapiJobTest {
protected:
    TapiDialTest()
        : TapiJobTest({KV_ENDPOINT_HOST_MAIN, KV_ENDPOINT_HOST_STATUS, KV_ENDPOINT_NETWORK,
                       KV_ENDPOINT_TAPI_LINES, kOriginator, kLineEndpoint}) {
        lines_.line_endpoints["Line A"] = kLineEndpoint;
    }

    // A dial job carried by a message from the originator, with its record.
    CKvJobDataTAPIDial* NewJob(const char* target, const char* lastname = "") {
        auto* job = new CKvJobDataTAPIDial;
        job->SetTargetNumber(target);
        job->GetCallRecord().GetLastName() = lastname;
        handler_.AddJob(job);
        auto* carrying = new CKvMessage;
        carrying->SetHeader(KV_MSG_KIND_REQUEST, job, K_KVJBDT_TP_TAPI_DIAL, 1, 5, 0);
        carrying->SetSourceEndpoint(kOriginator);
        carrying->SetJobIds(0, 88, 0);
        carrying->SetValue(41);
        job->SetCarryingMessage(carrying);
        job->GetOriginatorRecord() = std::make_unique<CKvDataCall>();
        job->GetOriginatorRecord()->GetComment() = "Line A";
        job->GetOriginatorRecord()->GetTapiCallHandle() = 6;
        return job;
    }

    // What reached the originator: (kind, attribute, phone state).
    std::vector<std::tuple<std::int32_t, std::int32_t, std::uint32_t>> Originator() {
        std::vector<std::tuple<std::int32_t, std::int32_t, std::uint32_t>> seen;
        for (auto it = lines_.others.begin(); it != lines_.others.end();) {
            if ((*it)->GetTargetEndpoint() != kOriginator) {
                ++it;
                continue;
            }
            auto* call = static_cast<CKvDataCall*>((*it)->GetPayload());
            seen.emplace_back((*it)->GetKind(), (*it)->GetAttribute(),
                              call != nullptr ? call->GetPhoneNumber().GetState() : 99u);
            it = lines_.others.erase(it);
        }
        return seen;
    }

    KVTAPICALL* Update(CKvJobDataTAPIDial& job, std::uint32_t state, std::int64_t at) {
        KVTAPICALL* call = lines_.SendCallUpdate(job, "Line A");
        call->GetHcall() = 0x500;
        call->SetState(state);
        call->GetTimeDateState().SetSeconds(static_cast<std::uint32_t>(at));
        return call;
    }

};

TEST_F(TapiDialTest, AtMostThreeJobsDialAndTheSameCallIsDialledOnce) {
    std::vector<CKvJobDataTAPIDial*> jobs;
    for (const char* number : {"0301", "0302", "0303", "0304"}) {
        jobs.push_back(NewJob(number));
        jobs.back()->StepRequester();
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(jobs[static_cast<std::size_t>(i)]->GetState(), CKvJobDataTAPIDial::kStateDial);
    EXPECT_EQ(jobs[3]->GetLastResult(), KV_E_LIST_FULL);
    EXPECT_EQ(jobs[3]->GetState(), KV_JOB_STATE_CLEANUP);
    jobs[3]->StepRequester();
    handler_.DeleteFinishedJobs();

    // Bare numbers tell calls apart; the same name and number do not.
    jobs[2]->ChangeState(KV_JOB_STATE_FINISHED);
    handler_.DeleteFinishedJobs();
    CKvJobDataTAPIDial* same = NewJob("0301");
    same->ExecutorRun();
    EXPECT_EQ(same->GetLastResult(), KV_E_FAIL);
    EXPECT_EQ(same->GetState(), KV_JOB_STATE_CLEANUP);
    same->ChangeState(KV_JOB_STATE_FINISHED);
    handler_.DeleteFinishedJobs();
    CKvJobDataTAPIDial* named = NewJob("0301", "Lenz");
    named->ExecutorRun();
    EXPECT_EQ(named->GetState(), CKvJobDataTAPIDial::kStatePreferences);
}

TEST_F(TapiDialTest, TheTargetNumberIsPreparedByItsTable) {
    // Internal pair "9", external pair "0", L = 2; columns A0B0, A0B1, A1B0, A1B1.
    const std::vector<std::pair<const char*, std::array<const char*, 4>>> rows = {
        {"123", {"0123", "123", "123", "0123"}},
        {"12", {"12", "912", "912", "12"}},
        {"9123", {"0123", "123", "123", "123"}},
        {"912", {"12", "912", "12", "912"}},
    };
    for (const auto& [given, expected] : rows) {
        for (int column = 0; column < 4; ++column) {
            SCOPED_TRACE(std::string(given) + " column " + std::to_string(column));
            CKvJobDataTAPIDial job;
            job.GetDiallingRules().SetExternalAffixes("0", "");
            job.GetDiallingRules().SetInternalAffixes("9", "", 2);
            job.GetSecondCallSwapFlag() = column >= 2 ? 1 : 0;
            job.GetCtiTargetFlag() = column % 2;
            job.SetTargetNumber(given);
            job.PrepareTargetNumber();
            EXPECT_EQ(job.GetTargetNumber(), expected[static_cast<std::size_t>(column)]);
        }
    }
}

TEST_F(TapiDialTest, TheServerlessRunDialsReportsThePhasesAndEndsAtIdle) {
    root_->GetPreferencesRef()->GetFlagServerUse().Set(0);
    CKvJobDataTAPIDial* job = NewJob("12");
    job->GetLineText() = "Line A";
    job->CheckRootJob();
    ASSERT_EQ(job->GetState(), CKvJobDataTAPIDial::kStatePreferences);
    job->CheckRootJob();
    router_.Take();
    auto* preferences = Deliver<CKvDataPreferences>(*job, K_KVDT_TP_DTHDLR_DATAPREFERENCES,
                                                    KV_MSG_KIND_CONFIRMATION,
                                                    KV_MSG_ATTR_DATA_FOUND);
    std::string out = "0301111", prefix = "0";
    preferences->SetPhoneNumberOut(out);
    preferences->SetPhoneNumberExternPrefix(prefix);
    preferences->GetNumberInternDigitsCount().Set(1);
    job->CheckRootJob();
    EXPECT_EQ(job->GetOwnNumber(), "0301111");
    ASSERT_EQ(job->GetState(), CKvJobDataTAPIDial::kStateDial);
    job->CheckRootJob();
    ASSERT_EQ(job->GetState(), KV_JOB_STATE_WAITING_FOR_ANSWER);
    // An update that overtakes the line's answer waits for the running state.
    Update(*job, kRingback, 1000);
    job->CheckRootJob();
    ASSERT_EQ(job->GetState(), KV_JOB_STATE_WAITING_FOR_ANSWER);
    lines_.Serve(router_, *job);
    job->CheckRootJob();
    ASSERT_EQ(job->GetState(), KV_JOB_STATE_RUNNING);
    EXPECT_EQ(job->GetLineEndpoint(), kLineEndpoint);
    EXPECT_EQ(job->GetCall().GetHcall(), 0x500u);
    EXPECT_EQ(job->GetCall().GetCalledNumber(), "012");
    EXPECT_EQ(job->GetCall().GetHline(), 6u);

    job->CheckRootJob();
    Update(*job, kConnected, 1010);
    job->CheckRootJob();
    Update(*job, kIdle, 1090);
    job->CheckRootJob();
    EXPECT_EQ(job->GetState(), KV_JOB_STATE_CLEANUP);
    job->CheckRootJob();
    EXPECT_EQ(job->GetState(), KV_JOB_STATE_FINISHED);
    lines_.Serve(router_, *job);
    const auto seen = Originator();
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0], std::make_tuple(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED, 0u));
    EXPECT_EQ(std::get<2>(seen[1]), 1u);
    EXPECT_EQ(std::get<2>(seen[2]), 2u);
    EXPECT_EQ(std::get<2>(seen[3]), 6u);
    EXPECT_EQ(std::get<2>(seen[4]), 7u);
    // The serverless run takes the start at CONNECTED, not at RINGBACK.
    EXPECT_EQ(job->GetCallRecord().GetStartTime().GetSeconds(), 1010u);
    EXPECT_EQ(job->GetCallRecord().GetStopTime().GetSeconds(), 1090u);
}

TEST_F(TapiDialTest, AnAtOrADeviceMarkedTrueDialsTheNumberUnchanged) {
    for (const char* target : {"user@example", "12"}) {
        SCOPED_TRACE(target);
        auto job = std::make_unique<CKvJobDataTAPIDial>();
        job->SetTarget(router_.Get(), 0x901);
        job->SetTargetNumber(target);
        job->GetLineText() = "Line A";
        job->GetDiallingRules().SetExternalAffixes("0", "");
        std::string identifier = "d1";
        KVSTRING* entry = nullptr;
        job->GetPreferences().GetStringListA().CreateEntry(entry, identifier);
        entry->GetData() = "Line A,21,desk,TRUE";
        job->ChangeState(CKvJobDataTAPIDial::kStateDial);
        job->ExecutorRun();
        lines_.make_call_answer = ScriptedTapiLines::Answer::kNone;
        lines_.Serve(router_, *job);
        ASSERT_EQ(lines_.others.size(), 0u);
        EXPECT_EQ(job->GetTargetNumber(), target);
    }
}

TEST_F(TapiDialTest, ADropNeedsALineEndpointAndACallHandle) {
    root_->GetPreferencesRef()->GetFlagServerUse().Set(0);
    CKvJobDataTAPIDial* job = NewJob("12");
    job->ChangeState(KV_JOB_STATE_RUNNING);
    job->GetLineEndpoint() = kLineEndpoint;
    Deliver<CKvDataCall>(*job, K_KVDT_TP_DTHDLR_DATACALL, KV_MSG_KIND_INFO,
                         KV_MSG_ATTR_SHUTDOWN);
    job->ExecutorRun();
    EXPECT_EQ(job->GetLastResult(), KV_E_FAIL);
    EXPECT_EQ(job->GetState(), KV_JOB_STATE_STOP_REQUESTED);
    job->GetCall().GetHcall() = 0x500;
    job->ExecutorRun();
    EXPECT_EQ(job->GetLastResult(), KV_OK);
    lines_.Serve(router_, *job);
    ASSERT_EQ(lines_.drops.size(), 1u);
    EXPECT_EQ(lines_.drops[0].GetHcall(), 0x500u);
}

TEST_F(TapiDialTest, TheRequesterFollowsTheCallAndTellsItsOriginator) {
    CKvJobDataTAPIDial* job = NewJob("0301234");
    job->CheckRootJob();
    job->CheckRootJob();
    ASSERT_EQ(job->GetState(), KV_JOB_STATE_WAITING_FOR_ANSWER);
    MessagePtr request = router_.Take();
    EXPECT_NE(SentText(request).find("<linename>Line A</linename>"), std::string::npos);
    Answer<CKvJobDataTAPIDial>(*job, K_KVJBDT_TP_TAPI_DIAL, KV_MSG_ATTR_ACCEPTED, 66);
    job->CheckRootJob();
    ASSERT_EQ(job->GetState(), KV_JOB_STATE_RUNNING);
    EXPECT_EQ(job->GetPartnerJobId(), 66u);

    for (const auto& [state, at] : {std::pair{kRingback, 1000}, std::pair{kConnected, 1010},
                                    std::pair{kIdle, 1090}}) {
        auto* report = Deliver<CKvJobDataTAPIDial>(*job, K_KVJBDT_TP_TAPI_DIAL,
                                                   KV_MSG_KIND_INFO, KV_MSG_ATTR_NOTIFICATION);
        report->GetCall().GetHcall() = 0x500;
        report->GetCall().SetState(state);
        report->GetCall().GetTimeDateState().SetSeconds(static_cast<std::uint32_t>(at));
        job->CheckRootJob();
    }
    EXPECT_EQ(job->GetState(), KV_JOB_STATE_STOP_REQUESTED);
    job->CheckRootJob();
    job->CheckRootJob();
    EXPECT_EQ(job->GetState(), KV_JOB_STATE_FINISHED);
    lines_.Serve(router_, *job);
    const auto seen = Originator();
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0], std::make_tuple(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED, 99u));
    EXPECT_EQ(std::get<2>(seen[1]), 1u);
    EXPECT_EQ(std::get<2>(seen[2]), 2u);
    EXPECT_EQ(std::get<2>(seen[3]), 6u);
    EXPECT_EQ(std::get<2>(seen[4]), 7u);
    EXPECT_EQ(job->GetCallRecord().GetStartTime().GetSeconds(), 1000u);
    EXPECT_EQ(job->GetCallRecord().GetStopTime().GetSeconds(), 1090u);
    EXPECT_EQ(job->GetOriginatorRecord()->GetTapiCallHandle(), 0x500u);
    ASSERT_EQ(lines_.others.size(), 1u);
    EXPECT_NE(SentText(lines_.others[0]).find("<attribute>SHUTDOWN</attribute>"),
              std::string::npos);
}

TEST_F(TapiDialTest, WithoutARootTheJobEndsAndAStoppingRootStopsTheRequester) {
    root_->ChangeState(KV_JOB_STATE_CLEANUP);
    CKvJobDataTAPIDial* orphan = NewJob("1");
    orphan->CheckRootJob();
    EXPECT_EQ(orphan->GetState(), KV_JOB_STATE_CLEANUP);
    orphan->CheckRootJob();
    EXPECT_EQ(orphan->GetState(), KV_JOB_STATE_FINISHED);
    EXPECT_EQ(router_.Count(), 0u);

    root_->ChangeState(KV_JOB_STATE_RUNNING);
    CKvJobDataTAPIDial* job = NewJob("2");
    job->CheckRootJob();
    job->CheckRootJob();
    router_.Take();
    Answer<CKvJobDataTAPIDial>(*job, K_KVJBDT_TP_TAPI_DIAL, KV_MSG_ATTR_ACCEPTED, 66);
    job->CheckRootJob();
    ASSERT_EQ(job->GetState(), KV_JOB_STATE_RUNNING);
    lines_.Serve(router_, *job);
    Originator();
    lines_.others.clear();
    root_->ChangeState(KV_JOB_STATE_STOP_REQUESTED);
    job->CheckRootJob();
    job->CheckRootJob();
    EXPECT_EQ(job->GetState(), KV_JOB_STATE_FINISHED);
    lines_.Serve(router_, *job);
    const auto seen = Originator();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(std::get<2>(seen[0]), 7u);
    ASSERT_EQ(lines_.others.size(), 1u);
    EXPECT_NE(SentText(lines_.others[0]).find("<attribute>SHUTDOWN</attribute>"),
              std::string::npos);
}

// ---- Executor ----

class TapiDialExecutorTest : public TapiDialTest {
protected:
    TapiDialExecutorTest() {
        job_ = NewJob("0301234");
        job_->SetPeerAddress("10.0.0.7");
        job_->GetPeerComputer().SetPort(4000);
        job_->SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, job_->GetJobId(), 55);
    }

    void ReachHost(std::initializer_list<const char*> numbers) {
        job_->StepExecutor();
        ASSERT_EQ(job_->GetState(), CKvJobDataTAPIDial::kStateGeneral);
        job_->StepExecutor();
        router_.Take();
        Deliver<CKvDataGeneral>(*job_, K_KVDT_TP_DTHDLR_DATAGENERAL, KV_MSG_KIND_CONFIRMATION,
                                KV_MSG_ATTR_DATA_FOUND);
        job_->StepExecutor();
        ASSERT_EQ(job_->GetState(), CKvJobDataTAPIDial::kStateHost);
        router_.Take();
        auto* host = Deliver<CKvDataHost>(*job_, K_KVDT_TP_DTHDLR_DATACOMPUTER,
                                          KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_DATA_FOUND);
        for (const char* number : numbers)
            host->GetCtiDeviceNumbers().Add(number);
        job_->StepExecutor();
    }

    CKvJobDataTAPIDial* job_ = nullptr;
};

TEST_F(TapiDialExecutorTest, TheExecutorDialsOnTheDevicesLineAndServesTheCall) {
    ASSERT_NO_FATAL_FAILURE(ReachHost({"21"}));
    ASSERT_EQ(job_->GetState(), CKvJobDataTAPIDial::kStateDevice);
    MessagePtr device_request = router_.Take();
    ASSERT_NE(device_request, nullptr);
    EXPECT_EQ(static_cast<CKvDataDevice*>(device_request->GetPayload())->GetNumber(), "21");
    auto* device = Deliver<CKvDataDevice>(*job_, K_KVDT_TP_DTHDLR_DATADEVICE,
                                          KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_DATA_FOUND);
    device->GetTapiLine() = "Line A";
    job_->StepExecutor();
    ASSERT_EQ(job_->GetState(), CKvJobDataTAPIDial::kStateDial);
    job_->StepExecutor();
    lines_.Serve(router_, *job_);
    job_->StepExecutor();
    ASSERT_EQ(job_->GetState(), KV_JOB_STATE_RUNNING);
    lines_.Serve(router_, *job_);
    ASSERT_EQ(lines_.others.size(), 2u);
    EXPECT_NE(SentText(lines_.others[1]).find("<attribute>ACCEPTED</attribute>"),
              std::string::npos);
    lines_.others.clear();

    Update(*job_, kConnected, 1010);
    job_->StepExecutor();
    lines_.Serve(router_, *job_);
    ASSERT_EQ(lines_.others.size(), 1u);
    EXPECT_NE(SentText(lines_.others[0]).find("<attribute>NOTIFICATION</attribute>"),
              std::string::npos);

    Deliver<CKvJobDataTAPIDial>(*job_, K_KVJBDT_TP_TAPI_DIAL, KV_MSG_KIND_INFO,
                                KV_MSG_ATTR_SHUTDOWN);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_FINISHED);
    lines_.Serve(router_, *job_);
    ASSERT_EQ(lines_.drops.size(), 1u);
    EXPECT_EQ(lines_.drops[0].GetHcall(), 0x500u);
}

TEST_F(TapiDialExecutorTest, ALineThatRefusesTheCallRefusesTheRequester) {
    job_->GetCall().GetLineName() = "Line A";
    ASSERT_NO_FATAL_FAILURE(ReachHost({"21"}));
    ASSERT_EQ(job_->GetState(), CKvJobDataTAPIDial::kStateDial);
    job_->StepExecutor();
    lines_.make_call_answer = ScriptedTapiLines::Answer::kRefuse;
    lines_.Serve(router_, *job_);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
    lines_.Serve(router_, *job_);
    ASSERT_EQ(lines_.others.size(), 1u);
    EXPECT_NE(SentText(lines_.others[0]).find("<attribute>REFUSED</attribute>"),
              std::string::npos);
}

TEST_F(TapiDialExecutorTest, AHostWithoutDevicesIsRefusedWhenTimerOneExpires) {
    ASSERT_NO_FATAL_FAILURE(ReachHost({}));
    EXPECT_EQ(job_->GetState(), CKvJobDataTAPIDial::kStateHost);
    EXPECT_EQ(job_->GetLastResult(), KV_E_FAIL);
    clock_.Advance(41000);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
    lines_.Serve(router_, *job_);
    ASSERT_EQ(lines_.others.size(), 1u);
    EXPECT_NE(SentText(lines_.others[0]).find("<attribute>REFUSED</attribute>"),
              std::string::npos);
}

} // namespace
