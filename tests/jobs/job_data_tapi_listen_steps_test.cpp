#include "data/data_call.h"
#include "jobs/job_data_tapi_listen.h"
#include "tapi_line_script.h"

namespace {

constexpr std::uint16_t kTaker = 0x950;
constexpr std::uint32_t kIdle = 0x1, kOffering = 0x2, kConnected = 0x100, kOnHold = 0x400;

KVTAPICALL* AddCall(KVTAPICALLSMANAGER& calls, std::uint32_t hcall,
                    std::initializer_list<std::uint32_t> states, const char* number = "0301234") {
    KVTAPICALL* call = nullptr;
    calls.CreateCall(call, hcall);
    call->GetHline() = calls.GetHline();
    call->GetLineName() = calls.GetIdentifier();
    call->GetCalledNumber() = number;
    for (std::uint32_t state : states)
        call->SetState(state);
    return call;
}

// A job on one handler with a root job, a client job and the line script.
class TapiListenTest : public TapiJobTest {
protected:
    TapiListenTest()
        : TapiJobTest({KV_ENDPOINT_HOST_MAIN, KV_ENDPOINT_HOST_STATUS, KV_ENDPOINT_NETWORK,
                       KV_ENDPOINT_CALL_WINDOW, KV_ENDPOINT_TAPI_LINES, kTaker}) {
        job_ = new CKvJobDataTAPIListen;
        handler_.AddJob(job_);
    }

    // The messages posted since the last look, by endpoint.
    std::vector<std::pair<std::uint16_t, MessagePtr>> TakeAll() {
        std::vector<std::pair<std::uint16_t, MessagePtr>> taken;
        std::uint16_t endpoint = 0;
        while (MessagePtr message = router_.Take(&endpoint))
            taken.emplace_back(endpoint, std::move(message));
        return taken;
    }

    // Runs the requester up to state 10 with the line list of the answer.
    void RunRequester(std::initializer_list<std::pair<const char*, const char*>> lines) {
        job_->CheckRootJob();
        job_->CheckRootJob();
        router_.Take();
        Deliver<CKvDataPreferences>(*job_, K_KVDT_TP_DTHDLR_DATAPREFERENCES,
                                    KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_DATA_FOUND);
        job_->CheckRootJob();
        job_->CheckRootJob();
        ASSERT_EQ(job_->GetState(), KV_JOB_STATE_WAITING_FOR_ANSWER);
        router_.Take();
        auto* answer = Answer<CKvJobDataTAPIListen>(*job_, K_KVJBDT_TP_TAPI_LISTEN,
                                                    KV_MSG_ATTR_ACCEPTED, 77);
        for (const auto& [name, data] : lines) {
            std::string identifier = name;
            KVSTRING* entry = nullptr;
            answer->GetLineList().CreateEntry(entry, identifier);
            entry->GetData() = data;
        }
        job_->CheckRootJob();
        ASSERT_EQ(job_->GetState(), KV_JOB_STATE_RUNNING);
    }

    CKvJobDataTAPIListen* job_ = nullptr;
};

// ---- Relay ----

struct Sent {
    std::uint16_t endpoint;
    std::int32_t kind;
    std::uint32_t phone_state;
    bool stopped;
};

TEST_F(TapiListenTest, TheRelayTurnsStateChangesIntoRequestsAndNoticesByColumn) {
    for (bool local : {false, true}) {
        SCOPED_TRACE(local ? "local" : "forwarding");
        const auto& column =
            local ? CKvJobDataTAPIListen::kLocal : CKvJobDataTAPIListen::kForwarding;
        const std::uint32_t idle_state = local ? 1 : 0;
        KVTAPICALLSMANAGER kept;
        // Each step: the calls reported (hcall and states) and what goes out.
        struct Step {
            const char* what;
            std::vector<std::pair<std::uint32_t, std::vector<std::uint32_t>>> calls;
            std::vector<Sent> sent;
        };
        const std::vector<Step> steps = {
            {"a new offered call",
             {{1, {kOffering}}, {2, {kOffering}}, {3, {kOffering}}},
             {{KV_ENDPOINT_CALL_WINDOW, KV_MSG_KIND_REQUEST, 0, false},
              {KV_ENDPOINT_CALL_WINDOW, KV_MSG_KIND_REQUEST, 0, false},
              {KV_ENDPOINT_CALL_WINDOW, KV_MSG_KIND_REQUEST, 0, false}}},
            {"the same state again", {{1, {kOffering}}, {2, {kOffering}}, {3, {kOffering}}}, {}},
            {"offering to connected, held",
             {{1, {kOffering, kConnected}}, {2, {kOffering, kOnHold}}, {3, {kOffering}}},
             {{kTaker, KV_MSG_KIND_INFO, 6, false}}},
            {"held to connected", {{1, {kOffering, kConnected}}, {2, {kOnHold, kConnected}}, {3, {kOffering}}}, {}},
            {"idle of a taken call",
             {{1, {kConnected, kIdle}}, {2, {kOnHold, kConnected}}, {3, {kOffering}}},
             {{kTaker, KV_MSG_KIND_INFO, idle_state, false}}},
            {"vanished: taken and not taken", {{1, {kConnected, kIdle}}}, {{kTaker, KV_MSG_KIND_INFO, 7, true}}},
        };
        bool taken = false;
        for (const Step& step : steps) {
            SCOPED_TRACE(step.what);
            KVTAPICALLSMANAGER reported;
            reported.GetHline() = 9;
            reported.GetIdentifier() = "Line A";
            for (const auto& [hcall, states] : step.calls) {
                KVTAPICALL* call = nullptr;
                reported.CreateCall(call, hcall);
                call->GetHline() = 9;
                call->GetCalledNumber() = "0301234";
                for (std::uint32_t state : states)
                    call->SetState(state);
            }
            job_->RelayCallStates(reported, kept, column);
            auto sent = TakeAll();
            ASSERT_EQ(sent.size(), step.sent.size());
            for (std::size_t i = 0; i < sent.size(); ++i) {
                EXPECT_EQ(sent[i].first, step.sent[i].endpoint);
                EXPECT_EQ(sent[i].second->GetKind(), step.sent[i].kind);
                auto* record = static_cast<CKvDataCall*>(sent[i].second->GetPayload());
                EXPECT_EQ(record->GetPhoneNumber().GetState(), step.sent[i].phone_state);
                EXPECT_EQ(record->GetStopTime().IsEmpty(), !step.sent[i].stopped);
                EXPECT_EQ(record->GetNumberInt(), "0301234");
            }
            if (!taken) {
                // Calls 1 and 2 are taken; 3 stays untaken and vanishes silently.
                KVTAPICALL* call = nullptr;
                ASSERT_EQ(kept.FindCall(call, 1), KV_OK);
                call->GetWmIdNotif() = kTaker;
                kept.FindCall(call, 2);
                call->GetWmIdNotif() = kTaker;
                taken = true;
            }
        }
        EXPECT_EQ(kept.GetCount(), 1u);
    }
}

TEST_F(TapiListenTest, TheLocalColumnSkipsOwnCallsAndFillsTheRequestFromTheCall) {
    KVTAPICALLSMANAGER reported;
    reported.GetHline() = 12;
    reported.GetIdentifier() = "Line B";
    AddCall(reported, 1, {kOffering})->GetMadeByThisLine() = 1;
    ASSERT_NO_FATAL_FAILURE(AddCall(reported, 2, {kOffering})->GetOrigin().FormatText(1));
    KVTAPICALLSMANAGER kept;
    job_->RelayCallStates(reported, kept, CKvJobDataTAPIListen::kLocal);
    auto sent = TakeAll();
    ASSERT_EQ(sent.size(), 1u);
    auto* request = static_cast<CKvDataCall*>(sent[0].second->GetPayload());
    EXPECT_EQ(request->GetTapiCallHandle(), 2u);
    EXPECT_TRUE(request->GetFlagCallOut().IsTrue());
    EXPECT_EQ(request->GetPreselection(), "12");
    EXPECT_EQ(request->GetComment(), "Line B");
    EXPECT_EQ(kept.GetCount(), 1u);

    // The forwarding column leaves them out and keeps every call.
    KVTAPICALLSMANAGER known;
    job_->RelayCallStates(reported, known, CKvJobDataTAPIListen::kForwarding);
    sent = TakeAll();
    ASSERT_EQ(sent.size(), 2u);
    request = static_cast<CKvDataCall*>(sent[1].second->GetPayload());
    EXPECT_FALSE(request->GetFlagCallOut().IsTrue());
    EXPECT_EQ(request->GetPreselection(), "");
    EXPECT_EQ(request->GetComment(), "");
}

TEST_F(TapiListenTest, ACallBeyondThirtyTwoIsNotKeptAndNothingGoesOutForIt) {
    KVTAPICALLSMANAGER reported;
    for (std::uint32_t hcall = 1; hcall <= 32; ++hcall)
        ASSERT_NO_FATAL_FAILURE(AddCall(reported, hcall, {kOffering}));
    KVTAPICALLSMANAGER kept;
    job_->RelayCallStates(reported, kept, CKvJobDataTAPIListen::kForwarding);
    EXPECT_EQ(TakeAll().size(), 32u);
    KVTAPICALLSMANAGER more;
    ASSERT_NO_FATAL_FAILURE(AddCall(more, 33, {kOffering}));
    job_->RelayCallStates(more, kept, CKvJobDataTAPIListen::kForwarding);
    EXPECT_EQ(TakeAll().size(), 0u);
    EXPECT_FALSE(kept.HasCall(33));
}

// ---- Requester ----

TEST_F(TapiListenTest, TheRequesterStartsItsLinesRelaysAndStopsExactlyThem) {
    ASSERT_NO_FATAL_FAILURE(RunRequester({{"Line A", " 123 "}, {"Line B", "456 | Desk |x"}}));
    lines_.Serve(router_, *job_);
    ASSERT_EQ(lines_.line_objects.size(), 2u);
    EXPECT_EQ(lines_.line_objects[0].command, 1);
    EXPECT_EQ(lines_.line_objects[0].name, "Line A");
    EXPECT_EQ(lines_.line_objects[0].number, "123");
    EXPECT_EQ(lines_.line_objects[0].display, "");
    EXPECT_EQ(lines_.line_objects[1].number, "456");
    EXPECT_EQ(lines_.line_objects[1].display, "Desk");
    EXPECT_EQ(job_->GetPartnerJobId(), 77u);

    // The server's report: a new-call request; the taker's ACCEPTED names it.
    auto* report = Deliver<CKvJobDataTAPIListen>(*job_, K_KVJBDT_TP_TAPI_LISTEN,
                                                 KV_MSG_KIND_INFO, KV_MSG_ATTR_NOTIFICATION);
    report->GetLineCalls().GetHline() = 4;
    ASSERT_NO_FATAL_FAILURE(AddCall(report->GetLineCalls(), 0x31, {kOffering}));
    job_->CheckRootJob();
    std::uint16_t endpoint = 0;
    MessagePtr request = router_.Take(&endpoint);
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(endpoint, KV_ENDPOINT_CALL_WINDOW);
    lines_.Serve(router_, *job_);
    ASSERT_EQ(lines_.host_calls.size(), 1u);
    EXPECT_EQ(lines_.host_calls[0].GetCount(), 1u);
    auto* taken = Deliver<CKvDataCall>(*job_, K_KVDT_TP_DTHDLR_DATACALL,
                                       KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED);
    taken->GetTapiCallHandle() = 0x31;
    LastQueued(*job_)->SetSourceEndpoint(kTaker);
    job_->CheckRootJob();
    KVTAPICALL* known = nullptr;
    ASSERT_EQ(job_->GetKnownCalls().FindCall(known, 0x31), KV_OK);
    EXPECT_EQ(known->GetWmIdNotif(), kTaker);

    // A call of a local line goes to the server as a NOTIFICATION.
    auto* local = Deliver<KVTAPICALL>(*job_, KV_PAYLOAD_TAPI_CALL, KV_MSG_KIND_INFO, 0);
    local->GetHcall() = 0x44;
    local->GetHline() = 3;
    local->GetLineName() = "Line A";
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetLineCalls().GetIdentifier(), "Line A");
    EXPECT_NE(SentText(router_.Take()).find("<attribute>NOTIFICATION</attribute>"),
              std::string::npos);

    // The client job gone: ENDED to the partner, an empty calls manager and
    // the line stops.
    client_->ChangeState(KV_JOB_STATE_FINISHED);
    for (int i = 0; i < 3; ++i)
        job_->CheckRootJob();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_FINISHED);
    MessagePtr ended = router_.Take(&endpoint);
    EXPECT_EQ(endpoint, KV_ENDPOINT_NETWORK);
    EXPECT_NE(SentText(ended).find("<attribute>ENDED</attribute><idtarget>77</idtarget>"),
              std::string::npos);
    lines_.Serve(router_, *job_);
    ASSERT_EQ(lines_.host_calls.size(), 2u);
    EXPECT_EQ(lines_.host_calls[1].GetCount(), 0u);
    ASSERT_EQ(lines_.line_objects.size(), 4u);
    EXPECT_EQ(lines_.line_objects[2].command, 3);
    EXPECT_EQ(lines_.line_objects[2].number, " 123 ");
    EXPECT_EQ(lines_.line_objects[3].name, "Line B");
    EXPECT_EQ(lines_.line_objects[3].number, "456 | Desk |x");
}

TEST_F(TapiListenTest, AnEmptyLineListStillRunsAndStopsNothing) {
    ASSERT_NO_FATAL_FAILURE(RunRequester({}));
    lines_.Serve(router_, *job_);
    EXPECT_TRUE(lines_.line_objects.empty());
    job_->ChangeState(KV_JOB_STATE_CLEANUP);
    job_->CheckRootJob();
    lines_.Serve(router_, *job_);
    EXPECT_TRUE(lines_.line_objects.empty());
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_FINISHED);
}

TEST_F(TapiListenTest, TheRootJobCheckEndsOrphansAndStopsRequestersWithTheirRoot) {
    root_->ChangeState(KV_JOB_STATE_CLEANUP);
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_FINISHED);
    EXPECT_EQ(router_.Count(), 0u);

    root_->ChangeState(KV_JOB_STATE_RUNNING);
    job_ = new CKvJobDataTAPIListen;
    handler_.AddJob(job_);
    ASSERT_NO_FATAL_FAILURE(RunRequester({{"Line A", "123"}}));
    lines_.Serve(router_, *job_);
    root_->ChangeState(KV_JOB_STATE_STOP_REQUESTED);
    for (int i = 0; i < 3; ++i)
        job_->CheckRootJob();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_FINISHED);
    lines_.Serve(router_, *job_);
    ASSERT_EQ(lines_.others.size(), 1u);
    EXPECT_NE(SentText(lines_.others[0]).find("<attribute>ENDED</attribute>"),
              std::string::npos);
    ASSERT_EQ(lines_.host_calls.size(), 1u);
    EXPECT_EQ(lines_.host_calls[0].GetCount(), 0u);
    ASSERT_EQ(lines_.line_objects.size(), 2u);
    EXPECT_EQ(lines_.line_objects[1].command, 3);
}

// ---- Serverless ----

TEST_F(TapiListenTest, TheServerlessRunWatchesAllLinesAndAnswersAnEndingRequest) {
    root_->GetPreferencesRef()->GetFlagServerUse().Set(0);
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetRootMachine(), CKvJobData::RootMachine::kServerless);
    router_.Take();
    auto* preferences = Deliver<CKvDataPreferences>(*job_, K_KVDT_TP_DTHDLR_DATAPREFERENCES,
                                                    KV_MSG_KIND_CONFIRMATION,
                                                    KV_MSG_ATTR_DATA_FOUND);
    std::string prefix = "0";
    preferences->SetPhoneNumberInternPrefix(prefix);
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetDiallingRules().GetInternalPrefix(), "0");
    job_->CheckRootJob();
    ASSERT_EQ(job_->GetState(), KV_JOB_STATE_RUNNING);
    lines_.Serve(router_, *job_);
    ASSERT_EQ(lines_.watches.size(), 1u);
    EXPECT_EQ(lines_.watches[0].line, "");
    EXPECT_EQ(lines_.watches[0].subscriber, job_->GetEndpointId());

    auto* calls = lines_.SendCalls(*job_, "Line A", 5);
    ASSERT_NO_FATAL_FAILURE(AddCall(*calls, 0x61, {kOffering}));
    job_->CheckRootJob();
    std::uint16_t endpoint = 0;
    MessagePtr request = router_.Take(&endpoint);
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(endpoint, KV_ENDPOINT_CALL_WINDOW);
    EXPECT_EQ(job_->GetLineCalls().GetCount(), 1u);

    Deliver<CKvJobDataTAPIListen>(*job_, K_KVJBDT_TP_TAPI_LISTEN, KV_MSG_KIND_REQUEST,
                                  KV_MSG_ATTR_ENDED);
    LastQueued(*job_)->SetSourceEndpoint(KV_ENDPOINT_HOST_MAIN);
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
    MessagePtr confirmation = router_.Take(&endpoint);
    ASSERT_NE(confirmation, nullptr);
    EXPECT_EQ(confirmation->GetKind(), KV_MSG_KIND_CONFIRMATION);
    EXPECT_EQ(endpoint, KV_ENDPOINT_HOST_MAIN);
    job_->CheckRootJob();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_FINISHED);
    // Its watch of every line ends with it.
    lines_.Serve(router_, *job_);
    ASSERT_EQ(lines_.watches.size(), 2u);
    EXPECT_EQ(lines_.watches[1].command, 3);
}

} // namespace
