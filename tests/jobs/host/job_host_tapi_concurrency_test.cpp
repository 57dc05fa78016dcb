// The TAPI jobs over two hosts on loopback, the server's lines run by the
// line service on their own threads over the simulated TAPI service.
#include "jobs/host/job_host.h"

#include "data/data_call.h"
#include "data/data_device.h"
#include "data/data_general.h"
#include "data/data_host.h"
#include "data/data_preferences.h"
#include "jobs/job_data_root.h"
#include "jobs/job_data_tapi_dial.h"
#include "jobs/job_data_tapi_listen.h"
#include "jobs/jobs_test_support.h"
#include "platform/clock.h"
#include "platform/tapi/simulated_tapi.h"
#include "platform/tapi/tapi_line_service.h"
#include "tapi/tapi_line_host.h"
#include "tapi/tapi_payloads.h"

#include <atomic>
#include <thread>

namespace {

constexpr std::uint32_t kLimitMs = 20000;
constexpr DWORD kGenerousMs = 30000;
constexpr std::uint16_t kOriginator = 0x970;

class TapiLoopbackTest : public ::testing::Test {
protected:
    TapiLoopbackTest()
        : scoped_clock_(clock_), identity_("anna", "localhost", {kLoopbackAddress}),
          scoped_identity_(identity_), originator_(std::make_shared<MessageQueue>()) {
        RegisterAllPayloads();
        RegisterTapiPayloads();
        service_.AddDevice({.device_id = 1, .name = "Line A"});
    }

    void SetUp() override {
        ASSERT_EQ(server_.Start("127.0.0.1"), KV_OK);
        ASSERT_EQ(workstation_.Start("127.0.0.1"), KV_OK);
        originator_id_ = RegisterMessageQueue(originator_);
        ASSERT_EQ(workstation_.GetRouter().RegisterThread(kOriginator, originator_id_, "test"),
                  KV_OK);
        // The line service's timers run on the manual clock.
        ticker_ = std::thread([this] {
            while (!stop_ticking_.load()) {
                clock_.Advance(2);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        lines_ = std::make_unique<TapiLineHost>(&server_.GetRouter());
        ASSERT_TRUE(lines_->CreateThread());
        ASSERT_TRUE(lines_->WaitStarted(kGenerousMs));
        StoreServerRecords();
        ASSERT_NO_FATAL_FAILURE(LogOnByHand());
        // The server's line, opened as the root job opens its device lines.
        auto* line = new CKvTAPILine;
        line->SetName("Line A");
        auto* open = new CKvMessage;
        open->SetHeader(KV_MSG_KIND_INFO, line, KV_PAYLOAD_TAPI_LINE, 1, 5, 0);
        ASSERT_EQ(open->Send(KV_ENDPOINT_HOST_STATUS, 0, &server_.GetRouter(), 0, true, false),
                  KV_OK);
        ASSERT_TRUE(Run([&] {
            for (const TapiRequestRecord& request : service_.GetRequestLog())
                if (request.function == TapiFunction::kOpen && request.result == 0)
                    return true;
            return false;
        }));
    }

    void TearDown() override {
        lines_->Stop(kGenerousMs);
        EXPECT_TRUE(lines_->WaitEnded(1, kGenerousMs));
        stop_ticking_ = true;
        ticker_.join();
        UnregisterMessageQueue(originator_id_);
        for (const ThreadMessage& left : originator_->CloseAndDrain())
            reinterpret_cast<CKvMessage*>(left.lParam)->Release();
    }

    void StoreServerRecords() {
        auto general = std::make_unique<CKvDataGeneral>();
        std::string name = "Line A";
        KVSTRING* entry = nullptr;
        general->GetTapiLines().CreateEntry(entry, name);
        server_.GetRecordService().StoreRecord(std::move(general), K_KVDT_TP_DTHDLR_DATAGENERAL);
        auto host = std::make_unique<CKvDataHost>();
        host->GetHost().Set("", kLoopbackAddress, 0);
        host->GetCtiDeviceNumbers().Add("21");
        server_.GetRecordService().StoreRecord(std::move(host), K_KVDT_TP_DTHDLR_DATACOMPUTER);
        auto device = std::make_unique<CKvDataDevice>();
        std::string number = "21";
        device->SetNumber(number);
        device->GetTapiLine() = "Line A";
        device->GetAlias() = "desk";
        server_.GetRecordService().StoreRecord(std::move(device), K_KVDT_TP_DTHDLR_DATADEVICE);
    }

    // A test job of type 17 in state 10 on each side and the workstation's
    // root job with server-use preferences.
    void LogOnByHand() {
        auto preferences = std::make_unique<CKvDataPreferences>();
        preferences->GetFlagServerUse().Set(1);
        workstation_.GetRecordService().StoreRecord(std::move(preferences),
                                                    K_KVDT_TP_DTHDLR_DATAPREFERENCES);
        auto* root = new CKvJobDataRoot;
        ASSERT_EQ(workstation_.AddHostJob(root, JobRole::kNone), KV_OK);
        root->GetPreferencesRef() = std::make_unique<CKvDataPreferences>();
        root->GetPreferencesRef()->GetFlagServerUse().Set(1);
        root->ChangeState(KV_JOB_STATE_RUNNING);
        client_ = new TestClientJob("127.0.0.1", workstation_.GetPort());
        client_->SetLocalHost("server", "127.0.0.1", server_.GetPort());
        ASSERT_EQ(workstation_.AddHostJob(client_, JobRole::kNone), KV_OK);
        ASSERT_EQ(server_.AddHostJob(new TestClientJob("127.0.0.1", workstation_.GetPort()),
                                     JobRole::kNone),
                  KV_OK);
    }

    template <typename Job> Job* ServerJob(std::uint32_t type) {
        return static_cast<Job*>(server_.GetHandler().FirstJob(type));
    }
    bool Run(const std::function<bool()>& predicate) {
        return RunHosts({&server_, &workstation_}, predicate, kLimitMs);
    }
    // The phone states of the notices the originator received so far.
    std::vector<std::uint32_t> OriginatorStates() {
        while (originator_->HasMessage()) {
            ThreadMessage posted;
            if (!originator_->GetMessage(posted))
                break;
            MessagePtr message = Own(reinterpret_cast<CKvMessage*>(posted.lParam));
            auto* call = static_cast<CKvDataCall*>(message->GetPayload());
            if (message->GetKind() == KV_MSG_KIND_INFO && call != nullptr)
                states_.push_back(call->GetPhoneNumber().GetState());
        }
        return states_;
    }

    ManualClock clock_{1700000000};
    ScopedClock scoped_clock_;
    FixedLocalIdentitySource identity_;
    ScopedLocalIdentitySource scoped_identity_;
    SimulatedTapi service_;
    ScopedSimulatedTapi installed_{service_};
    JobHost server_{true};
    JobHost workstation_{false};
    std::unique_ptr<TapiLineHost> lines_;
    std::atomic<bool> stop_ticking_{false};
    std::thread ticker_;
    std::shared_ptr<MessageQueue> originator_;
    DWORD originator_id_ = 0;
    TestClientJob* client_ = nullptr;
    std::vector<std::uint32_t> states_;
};

TEST_F(TapiLoopbackTest, AListenRequesterHearsTheServersLineAndItsEndCancelsTheWatch) {
    auto* job = new CKvJobDataTAPIListen;
    ASSERT_EQ(workstation_.AddHostJob(job, JobRole::kCheckRootJob), KV_OK);
    const std::uint32_t job_id = job->GetJobId();
    ASSERT_TRUE(Run([&] {
        auto* executor = ServerJob<CKvJobDataTAPIListen>(K_KVJBDT_TP_TAPI_LISTEN);
        return workstation_.FindJob(job_id) == job && job->GetState() == KV_JOB_STATE_RUNNING && executor != nullptr &&
               executor->GetState() == KV_JOB_STATE_RUNNING;
    }));
    auto* executor = ServerJob<CKvJobDataTAPIListen>(K_KVJBDT_TP_TAPI_LISTEN);
    EXPECT_EQ(executor->GetWatchesPlaced(), 1u);
    ASSERT_EQ(job->GetLineList().GetCount(), 1u);
    EXPECT_EQ(job->GetPartnerJobId(), executor->GetJobId());

    service_.OfferCall(1, "0301234", "21");
    ASSERT_TRUE(Run([&] {
        for (const HostServiceEntry& entry : workstation_.GetServiceLog(KV_ENDPOINT_CALL_WINDOW))
            if (entry.kind == KV_MSG_KIND_REQUEST &&
                entry.payload_type == K_KVDT_TP_DTHDLR_DATACALL)
                return true;
        return false;
    }));
    // The call sink's ACCEPTED names the taker.
    ASSERT_TRUE(Run([&] {
        KVTAPICALLSMANAGER::Position position = 0;
        job->GetKnownCalls().GetStartPosition(position);
        KVTAPICALL* call = job->GetKnownCalls().GetNextCall(position);
        return call != nullptr && call->GetWmIdNotif() == KV_ENDPOINT_CALL_WINDOW;
    }));

    // The workstation's client job ends: ENDED to the server, whose executor
    // cancels its watch and ends.
    std::atomic<bool> ended{false};
    server_.SetWireObserver([&ended](const std::string& text) {
        if (text.find("<attribute>ENDED</attribute>") != std::string::npos)
            ended = true;
    });
    client_->ChangeState(KV_JOB_STATE_CLEANUP);
    ASSERT_TRUE(Run([&] {
        return workstation_.FindJob(job_id) == nullptr &&
               ServerJob<CKvJobDataTAPIListen>(K_KVJBDT_TP_TAPI_LISTEN) == nullptr;
    }));
    EXPECT_TRUE(ended.load());
}

TEST_F(TapiLoopbackTest, ADialRequesterAndExecutorCarryACallFromMakeCallToIdle) {
    auto* job = new CKvJobDataTAPIDial;
    job->SetTargetNumber("0301234");
    job->GetOriginatorRecord() = std::make_unique<CKvDataCall>();
    job->GetOriginatorRecord()->GetComment() = "Line A";
    ASSERT_EQ(workstation_.AddHostJob(job, JobRole::kCheckRootJob), KV_OK);
    auto* carrying = new CKvMessage;
    carrying->SetHeader(KV_MSG_KIND_REQUEST, nullptr, K_KVJBDT_TP_TAPI_DIAL, 1, 5, 0);
    carrying->SetSourceEndpoint(kOriginator);
    job->SetCarryingMessage(carrying);
    const std::uint32_t job_id = job->GetJobId();
    std::vector<std::string> updates;
    workstation_.SetWireObserver([&updates](const std::string& text) { updates.push_back(text); });

    CKvJobDataTAPIDial* executor = nullptr;
    ASSERT_TRUE(Run([&] {
        executor = ServerJob<CKvJobDataTAPIDial>(K_KVJBDT_TP_TAPI_DIAL);
        return workstation_.FindJob(job_id) == job && job->GetState() == KV_JOB_STATE_RUNNING &&
               executor != nullptr && executor->GetState() == KV_JOB_STATE_RUNNING;
    }));
    EXPECT_EQ(executor->GetLineText(), "Line A");
    const HCALL hcall = executor->GetCall().GetHcall();
    ASSERT_NE(hcall, 0u);
    // The far end answers, then hangs up once the originator heard of it.
    ASSERT_TRUE(Run([&] {
        const auto states = OriginatorStates();
        return std::find(states.begin(), states.end(), 2u) != states.end();
    }));
    EXPECT_EQ(service_.FarEndAnswer(hcall), 0);
    ASSERT_TRUE(Run([&] {
        const auto states = OriginatorStates();
        return std::find(states.begin(), states.end(), 6u) != states.end();
    }));
    EXPECT_EQ(service_.FarEndHangUp(hcall), 0);
    ASSERT_TRUE(Run([&] {
        return workstation_.FindJob(job_id) == nullptr &&
               server_.GetHandler().FirstJob(K_KVJBDT_TP_TAPI_DIAL) == nullptr;
    }));
    bool made = false;
    for (const TapiRequestRecord& request : service_.GetRequestLog())
        made |= request.function == TapiFunction::kMakeCall && request.address == "0301234";
    EXPECT_TRUE(made);
    ASSERT_FALSE(updates.empty());
    EXPECT_NE(updates[0].find("<attribute>ACCEPTED</attribute>"), std::string::npos);
    EXPECT_EQ(OriginatorStates(), (std::vector<std::uint32_t>{1, 2, 6, 7}));
}

} // namespace
