#include "jobs/job_data_root.h"

#include "jobs_test_support.h"

namespace {

TEST(JobDataRoot, OtherJobsFindTheRunningRootWithPreferences) {
    CapturingRouter router{};
    CKvIMSGJobDataHandler handler(router.Get(), 0x900, KV_TRANSPORT_LOCAL, nullptr, false);
    EXPECT_EQ(CKvJobDataRoot::FindRunning(handler), nullptr);
    EXPECT_EQ(CKvJobDataRoot::FindFirst(handler), nullptr);

    auto* idle = new CKvJobDataRoot;
    auto* running = new CKvJobDataRoot;
    ASSERT_EQ(handler.AddJob(idle), KV_OK);
    ASSERT_EQ(handler.AddJob(running), KV_OK);
    running->ChangeState(KV_JOB_STATE_RUNNING);
    EXPECT_EQ(CKvJobDataRoot::FindRunning(handler), nullptr); // no preferences yet
    EXPECT_EQ(running->GetGeneralSettings(), nullptr);

    running->GetPreferencesRef() = std::make_unique<CKvDataPreferences>();
    EXPECT_EQ(CKvJobDataRoot::FindRunning(handler), running);
    EXPECT_EQ(CKvJobDataRoot::FindFirst(handler), idle);
    EXPECT_FALSE(running->UsesServer());
    running->GetPreferencesRef()->GetFlagServerUse().Set(1);
    EXPECT_TRUE(running->UsesServer());
}

TEST(JobDataRoot, HasNoXmlFormAndCopiesItsRecords) {
    RegisterAllPayloads();
    CKvJobDataRoot root;
    EXPECT_EQ(root.GetType(), 15u);
    std::string text;
    EXPECT_EQ(root.Serialize(text), KV_E_FAIL);
    root.GetPreferencesRef() = std::make_unique<CKvDataPreferences>();
    root.GetPreferencesRef()->GetFlagServerUse().Set(1);
    root.SetGeneralSettings(std::make_unique<CKvDataGeneral>());
    CKvJobDataRoot copy;
    copy.CopyFrom(root);
    ASSERT_NE(copy.GetPreferencesRef(), nullptr);
    EXPECT_NE(copy.GetPreferencesRef().get(), root.GetPreferencesRef().get());
    EXPECT_TRUE(copy.UsesServer());
    EXPECT_NE(copy.GetGeneralSettings(), nullptr);
}

} // namespace

#include "data/data_device.h"
#include "framework/holder_objects.h"
#include "jobs/job_data_client.h"
#include "jobs/job_data_listen2.h"
#include "platform/clock.h"
#include "tapi/tapi_line.h"
#include "tapi/tapi_payloads.h"

namespace {

// A job of the dial type (39) as a server receives it.
class TestDialJob : public CKvJobData {
public:
    TestDialJob() { type_code_ = K_KVJBDT_TP_DIAL2; }
    KvResult ReadXml(const XmlNode*) override { return JobDataNoXml(); }
    KvResult WriteXml(XmlNode*) override { return JobDataNoXml(); }
    KvResult StepRequester() override { return JobDataNotSupported(); }
    KvResult StepExecutor() override { return JobDataNotSupported(); }
    KvResult CheckRootJob() override { return JobDataNotSupported(); }
};

enum class Machine { kRequester, kOnEvent, kExecutor };

class RootJobTest : public ::testing::Test {
protected:
    RootJobTest()
        : router_({KV_ENDPOINT_HOST_MAIN, KV_ENDPOINT_HOST_STATUS, KV_ENDPOINT_JOB_INTAKE,
                   KV_ENDPOINT_TAPI_LINES}),
          scoped_clock_(clock_), identity_("anna", "ws1", {kLoopbackAddress}),
          scoped_identity_(identity_),
          handler_(router_.Get(), 0x900, KV_TRANSPORT_LOCAL, nullptr, false) {
        RegisterTapiPayloads();
        root_ = new CKvJobDataRoot;
        EXPECT_EQ(handler_.AddJob(root_), KV_OK);
    }

    static KvResult Step(CKvJobDataRoot& root, Machine machine) {
        switch (machine) {
        case Machine::kRequester:
            return root.StepRequester();
        case Machine::kOnEvent:
            return root.OnEvent();
        case Machine::kExecutor:
            break;
        }
        return root.StepExecutor();
    }
    void Step(Machine machine) { Step(*root_, machine); }

    std::vector<std::pair<std::uint16_t, MessagePtr>> Posted() { return router_.TakeAll(); }
    template <typename Record> Record* Answer(std::int32_t type, std::int32_t attribute) {
        return Deliver<Record>(*root_, type, KV_MSG_KIND_CONFIRMATION, attribute);
    }
    CKvDataPreferences* AnswerPreferences() {
        auto* preferences =
            Answer<CKvDataPreferences>(K_KVDT_TP_DTHDLR_DATAPREFERENCES, KV_MSG_ATTR_DATA_FOUND);
        preferences->GetComputerIdent().Set("server", kLoopbackAddress, 4000);
        preferences->GetClientPortsSet().SetFromText("4100-4110");
        preferences->GetFlagTapiUse().Set(0);
        return preferences;
    }
    CKvJobDataClient* Client() {
        return static_cast<CKvJobDataClient*>(handler_.FirstJob(K_KVJBDT_TP_CLIENT));
    }

    CapturingRouter router_;
    ManualClock clock_{1700000000};
    ScopedClock scoped_clock_;
    FixedLocalIdentitySource identity_;
    ScopedLocalIdentitySource scoped_identity_;
    CKvIMSGJobDataHandler handler_;
    CKvJobDataRoot* root_ = nullptr;
};

TEST_F(RootJobTest, AWorkstationWithClientSettingsSpawnsItsClientJob) {
    Step(Machine::kRequester);
    EXPECT_EQ(handler_.GetRootJobId(), root_->GetJobId());
    auto posted = Posted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].second->GetPayloadType(), K_KVDT_TP_DTHDLR_DATACLIENTGENERAL);
    auto* settings =
        Answer<CKvDataClientGeneral>(K_KVDT_TP_DTHDLR_DATACLIENTGENERAL, KV_MSG_ATTR_DATA_FOUND);
    settings->GetFirstText() = "127.0.0.1";
    settings->GetFirstNumber() = 4000;
    settings->GetSecondNumber() = 4100;
    Step(Machine::kRequester);
    EXPECT_EQ(root_->GetState(), CKvJobDataRoot::kStateSpawn);
    Step(Machine::kRequester);
    EXPECT_EQ(root_->GetState(), KV_JOB_STATE_RUNNING);
    ASSERT_NE(Client(), nullptr);
    EXPECT_EQ(Client()->GetLocalComputer().GetAddressText(), "127.0.0.1");
    EXPECT_EQ(Client()->GetLocalComputer().GetPort(), 4000u);
    EXPECT_EQ(Client()->GetPeerComputer().GetPort(), 4100u);
    EXPECT_EQ(Client()->GetPeerComputer().GetName(), "ws1");
    EXPECT_EQ(Client()->GetLoginName(), "anna");
    EXPECT_TRUE(handler_.Wait(0));
}

TEST_F(RootJobTest, ARunningWorkstationSpawnsAClientJobEvery30SecondsWhileNoneIsHeld) {
    Step(Machine::kRequester);
    auto* settings =
        Answer<CKvDataClientGeneral>(K_KVDT_TP_DTHDLR_DATACLIENTGENERAL, KV_MSG_ATTR_DATA_FOUND);
    settings->GetFirstText() = "127.0.0.1";
    Step(Machine::kRequester);
    Step(Machine::kRequester);
    ASSERT_EQ(root_->GetState(), KV_JOB_STATE_RUNNING);
    ASSERT_EQ(handler_.CountJobs(K_KVJBDT_TP_CLIENT), 1u);

    // A client job that runs is kept: never a second one.
    CKvJobDataClient* first = Client();
    clock_.Advance(30000);
    Step(Machine::kRequester);
    EXPECT_EQ(Client(), first);
    EXPECT_EQ(handler_.CountJobs(K_KVJBDT_TP_CLIENT), 1u);

    // Once it has gone (the server went away or refused the logon), the
    // next expiry of the 30 s period spawns one, and only one.
    first->ChangeState(KV_JOB_STATE_FINISHED);
    handler_.DeleteFinishedJobs();
    for (int attempt = 0; attempt < 3; ++attempt) {
        SCOPED_TRACE(attempt);
        clock_.Advance(29000);
        Step(Machine::kRequester);
        EXPECT_EQ(handler_.CountJobs(K_KVJBDT_TP_CLIENT), 0u);
        clock_.Advance(1000);
        Step(Machine::kRequester);
        Step(Machine::kRequester);
        ASSERT_EQ(handler_.CountJobs(K_KVJBDT_TP_CLIENT), 1u);
        EXPECT_EQ(Client()->GetLocalComputer().GetAddressText(), "127.0.0.1");
        EXPECT_EQ(root_->GetState(), KV_JOB_STATE_RUNNING);
        Client()->ChangeState(KV_JOB_STATE_FINISHED);
        handler_.DeleteFinishedJobs();
    }
}

TEST_F(RootJobTest, AWorkstationWithoutAPersonalContactEntryStillLogsOn) {
    Step(Machine::kRequester);
    Answer<CKvDataClientGeneral>(K_KVDT_TP_DTHDLR_DATACLIENTGENERAL, KV_MSG_ATTR_DATA_NOT_FOUND);
    Step(Machine::kRequester);
    ASSERT_EQ(root_->GetState(), CKvJobDataRoot::kStatePreferences);
    Step(Machine::kRequester);
    std::string name = "Berg";
    AnswerPreferences()->SetLastName(name);
    Step(Machine::kRequester);
    ASSERT_EQ(root_->GetState(), CKvJobDataRoot::kStateContact);
    Posted();
    Step(Machine::kRequester);
    auto posted = Posted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(static_cast<CKvDataContact*>(posted[0].second->GetPayload())->GetLastName(), "Berg");
    Answer<CKvDataContact>(K_KVDT_TP_DTHDLR_DATACONTACT, KV_MSG_ATTR_DATA_NOT_FOUND);
    Step(Machine::kRequester);
    EXPECT_EQ(root_->GetState(), CKvJobDataRoot::kStateSpawn);
    EXPECT_EQ(root_->GetPersonalContactRef(), nullptr);
    Step(Machine::kRequester);
    ASSERT_NE(Client(), nullptr);
    EXPECT_EQ(Client()->GetLocalComputer().GetName(), "server");
    EXPECT_EQ(Client()->GetLocalComputer().GetPort(), 4000u);
    EXPECT_EQ(Client()->GetPeerComputer().GetPort(), 4100u);
    EXPECT_EQ(CKvJobDataRoot::FindRunning(handler_), root_);
}

TEST_F(RootJobTest, AWorkstationWithoutServerListensWithItsPersonalContactsNumbers) {
    Step(Machine::kOnEvent);
    ASSERT_EQ(root_->GetState(), CKvJobDataRoot::kStatePreferences);
    Step(Machine::kOnEvent);
    CKvDataPreferences* preferences = AnswerPreferences();
    std::string name = "Berg";
    preferences->SetLastName(name);
    preferences->GetNumberInternDigitsCount().Set(3);
    std::string source = "0301";
    preferences->SetPhoneNumberCtiSource(source);
    Step(Machine::kOnEvent);
    ASSERT_EQ(root_->GetState(), CKvJobDataRoot::kStateLocalContact);
    Step(Machine::kOnEvent);
    auto* contact = Answer<CKvDataContact>(K_KVDT_TP_DTHDLR_DATACONTACT, KV_MSG_ATTR_DATA_FOUND);
    for (const char* number : {"21", "12345"}) {
        PHONE_NUMBER* entry = nullptr;
        std::string key = number;
        contact->GetPhoneNumberList().CreateEntry(entry, key);
        entry->GetNumber() = number;
        entry->ParseFlagActive("TRUE");
    }
    Posted();
    Step(Machine::kOnEvent);
    EXPECT_EQ(root_->GetState(), KV_JOB_STATE_RUNNING);
    auto posted = Posted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].first, KV_ENDPOINT_JOB_INTAKE);
    auto* listen = static_cast<CKvJobDataListen2*>(JobFromPayload(posted[0].second->GetPayload()));
    EXPECT_EQ(listen->GetOwnNumber(), "0301");
    EXPECT_EQ(listen->GetVariant(), 0u);
    EXPECT_EQ(listen->GetUserNumbers().GetCount(), 1u); // five digits are not internal
}

TEST_F(RootJobTest, AWorkstationWithoutServerAndContactPostsItsStatus) {
    Step(Machine::kOnEvent);
    Step(Machine::kOnEvent);
    AnswerPreferences();
    Step(Machine::kOnEvent);
    EXPECT_EQ(root_->GetState(), KV_JOB_STATE_RUNNING);
    auto posted = Posted();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(static_cast<CKvStampedTextRecord*>(posted[1].second->GetPayload())->text,
              "UIObjString_Status_INFO_No_Personal_Contact_Entry");
}

TEST_F(RootJobTest, AServerPostsItsListenJobAfterTheCollection) {
    Step(Machine::kExecutor);
    ASSERT_EQ(root_->GetState(), CKvJobDataRoot::kStateGeneral);
    EXPECT_EQ(handler_.GetRootJobId(), 0u);
    Answer<CKvDataGeneral>(K_KVDT_TP_DTHDLR_DATAGENERAL, KV_MSG_ATTR_DATA_FOUND);
    Posted();
    Step(Machine::kExecutor);
    ASSERT_EQ(root_->GetState(), CKvJobDataRoot::kStateCollection);
    auto posted = Posted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].second->GetPayloadType(), KV_PAYLOAD_OBJECT_POINTER_LIST);
    EXPECT_EQ(posted[0].second->GetSubCommand(), CKvJobDataRoot::kSubCommandCollection);
    EXPECT_FALSE(handler_.Wait(0));
    Answer<void>(KV_PAYLOAD_OBJECT_POINTER_LIST, KV_MSG_ATTR_DATA_FOUND);
    Step(Machine::kExecutor);
    EXPECT_EQ(root_->GetState(), KV_JOB_STATE_RUNNING);
    EXPECT_EQ(handler_.GetRootJobId(), root_->GetJobId());
    EXPECT_TRUE(handler_.Wait(0));
    posted = Posted();
    ASSERT_EQ(posted.size(), 1u);
    auto* listen = static_cast<CKvJobDataListen2*>(JobFromPayload(posted[0].second->GetPayload()));
    EXPECT_EQ(posted[0].second->GetPayloadType(), K_KVJBDT_TP_LISTEN2);
    EXPECT_EQ(listen->GetVariant(), 1u);
}

TEST_F(RootJobTest, ATapiServerOpensTheLinesOfItsDevicesAndListensAfter180SecondsAtTheLatest) {
    Step(Machine::kExecutor);
    Answer<CKvDataGeneral>(K_KVDT_TP_DTHDLR_DATAGENERAL, KV_MSG_ATTR_DATA_FOUND)
        ->GetFlagUseTapi()
        .Set(1);
    Step(Machine::kExecutor);
    Answer<void>(KV_PAYLOAD_OBJECT_POINTER_LIST, KV_MSG_ATTR_DATA_FOUND);
    Posted();
    Step(Machine::kExecutor);
    ASSERT_EQ(root_->GetState(), CKvJobDataRoot::kStateDevices);
    auto posted = Posted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].second->GetSubCommand(), CKvJobDataRoot::kSubCommandAllOfType);
    auto* store =
        Answer<CKvDataHandlerStore>(KV_PAYLOAD_DATA_HANDLER_STORE, KV_MSG_ATTR_DATA_FOUND);
    store->Init(K_KVDT_TP_DTHDLR_DATADEVICE, 0, 10, nullptr, nullptr);
    for (const char* line : {"Line A", "", "Line B"}) {
        auto device = std::make_unique<CKvDataDevice>();
        std::string number = std::string("2") + std::to_string(store->GetCount());
        device->SetNumber(number);
        device->GetTapiLine() = line;
        device->SetFlagVirtual(1);
        device->SetIdentifier(static_cast<std::uint32_t>(store->GetCount()) + 1);
        std::unique_ptr<CKvDataHandler> record = std::move(device);
        store->Add(record);
    }
    Step(Machine::kExecutor);
    ASSERT_EQ(root_->GetState(), CKvJobDataRoot::kStateLines);
    ASSERT_EQ(root_->GetDeviceStoreRef()->GetCount(), 2);
    std::vector<std::string> opened;
    for (auto& [endpoint, message] : Posted()) {
        EXPECT_EQ(endpoint, KV_ENDPOINT_TAPI_LINES);
        opened.push_back(static_cast<CKvTAPILine*>(message->GetPayload())->GetName());
    }
    EXPECT_EQ(opened, (std::vector<std::string>{"Line A", "Line B"}));

    auto* line = Answer<CKvTAPILine>(KV_PAYLOAD_TAPI_LINE, KV_MSG_ATTR_ACCEPTED);
    line->SetName("Line A");
    Step(Machine::kExecutor);
    EXPECT_EQ(root_->GetDeviceStoreRef()->GetCount(), 1);
    EXPECT_EQ(root_->GetState(), CKvJobDataRoot::kStateLines);
    clock_.Advance(180000);
    Step(Machine::kExecutor);
    EXPECT_EQ(root_->GetState(), KV_JOB_STATE_RUNNING);
    posted = Posted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].second->GetPayloadType(), K_KVJBDT_TP_TAPI_LISTEN);
}

TEST_F(RootJobTest, ASecondRootLeavesTheFirstAndItsJobsAlone) {
    for (const Machine machine : {Machine::kRequester, Machine::kOnEvent, Machine::kExecutor}) {
        root_->ChangeState(KV_JOB_STATE_RUNNING);
        handler_.SetRootJobId(root_->GetJobId());
        auto* client = new TestClientJob("127.0.0.1", 4100);
        ASSERT_EQ(handler_.AddJob(client), KV_OK);
        auto* second = new CKvJobDataRoot;
        ASSERT_EQ(handler_.AddJob(second), KV_OK);
        Step(*second, machine);
        EXPECT_EQ(second->GetState(), KV_JOB_STATE_FINISHED);
        EXPECT_EQ(second->GetLastResult(), KV_E_FAIL);
        EXPECT_EQ(handler_.GetRootJobId(), root_->GetJobId());
        EXPECT_EQ(client->GetState(), KV_JOB_STATE_RUNNING);
        client->ChangeState(KV_JOB_STATE_FINISHED);
        handler_.DeleteFinishedJobs();
    }
}

TEST_F(RootJobTest, TheEndQuitsAtOnceAloneAndAfter120SecondsBesideAnotherJob) {
    struct QuitCounter : CKvIMSGJobDataHandler {
        using CKvIMSGJobDataHandler::CKvIMSGJobDataHandler;
        void PostQuit() override { ++quits; }
        int quits = 0;
    };
    for (const std::uint32_t entered :
         {KV_JOB_STATE_STOP_REQUESTED, CKvJobDataRoot::kStatePreferences}) {
        SCOPED_TRACE(entered);
        QuitCounter handler(router_.Get(), 0x901, KV_TRANSPORT_LOCAL, nullptr, false);
        auto* root = new CKvJobDataRoot;
        ASSERT_EQ(handler.AddJob(root), KV_OK);
        root->ChangeState(KV_JOB_STATE_RUNNING);
        handler.SetRootJobId(root->GetJobId());
        auto* other = new TestClientJob("127.0.0.1", 4100);
        ASSERT_EQ(handler.AddJob(other), KV_OK);
        if (entered == KV_JOB_STATE_STOP_REQUESTED) {
            root->ChangeState(KV_JOB_STATE_STOP_REQUESTED);
            root->StepRequester();
            EXPECT_EQ(other->GetState(), KV_JOB_STATE_STOP_REQUESTED);
        } else {
            // The preferences request fails: the end comes without the stop.
            root->ChangeState(entered);
            root->GetTimers().SetInterval(CKvJobData::kAnswerTimerId, 0, 1);
            root->StepRequester();
            clock_.Advance(5);
            root->StepRequester();
        }
        ASSERT_EQ(root->GetState(), KV_JOB_STATE_CLEANUP);
        root->StepRequester();
        EXPECT_EQ(handler.GetRootJobId(), 0u);
        clock_.Advance(119000);
        root->StepRequester();
        EXPECT_EQ(root->GetState(), KV_JOB_STATE_CLEANUP);
        clock_.Advance(1000);
        root->StepRequester();
        EXPECT_EQ(root->GetState(), KV_JOB_STATE_FINISHED);
        EXPECT_EQ(handler.quits, 1);
        Posted();
    }
    root_->ChangeState(KV_JOB_STATE_STOP_REQUESTED);
    root_->OnEvent();
    root_->OnEvent();
    EXPECT_EQ(root_->GetState(), KV_JOB_STATE_FINISHED);
}

TEST_F(RootJobTest, TheRunningServerAdoptsDialJobsDropsTapiJobsWithoutTapiAndQuits) {
    root_->SetGeneralSettings(std::make_unique<CKvDataGeneral>());
    root_->ChangeState(KV_JOB_STATE_RUNNING);
    auto* dial = new TestDialJob;
    auto* message = new CKvMessage;
    message->SetHeader(KV_MSG_KIND_REQUEST, static_cast<CKvJobData*>(dial), K_KVJBDT_TP_DIAL2, 1, 5,
                       0);
    root_->GetIncomingQueue().Add(message, false);
    Deliver<CKvJobData>(*root_, K_KVJBDT_TP_TAPI_LISTEN, KV_MSG_KIND_REQUEST,
                        KV_MSG_ATTR_UNSPECIFIED);
    root_->StepExecutor();
    EXPECT_EQ(root_->GetState(), KV_JOB_STATE_RUNNING);
    EXPECT_EQ(handler_.FindJob(dial->GetJobId()), dial);
    EXPECT_EQ(handler_.CountJobs(K_KVJBDT_TP_TAPI_LISTEN), 0u);
    EXPECT_TRUE(root_->GetIncomingQueue().IsEmpty());

    auto* quit = new CKvMessage;
    quit->SetHeader(KV_MSG_KIND_INFO, nullptr, 0, KV_MSG_COMMAND_QUIT, 0, 0);
    root_->GetIncomingQueue().Add(quit, false);
    root_->StepExecutor();
    EXPECT_EQ(root_->GetState(), KV_JOB_STATE_STOP_REQUESTED);
    root_->StepExecutor();
    auto posted = Posted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].first, KV_ENDPOINT_TAPI_LINES);
    EXPECT_EQ(posted[0].second->GetCommand(), CKvJobDataRoot::kCloseLinesCommand);
    EXPECT_EQ(dial->GetState(), KV_JOB_STATE_STOP_REQUESTED);
}

} // namespace
