#include "jobs/job_data_dial2.h"

#include "capi/capi_payloads.h"
#include "capi/capi_transfer_manager.h"
#include "data/data_call.h"
#include "data/data_general.h"
#include "data/data_host.h"
#include "data/data_preferences.h"
#include "data/data_server_user.h"
#include "jobs/job_data_root.h"
#include "jobs_test_support.h"
#include "platform/clock.h"

namespace {

constexpr std::uint16_t kOriginator = 0x950;

// A message of the type with its job ids put into the job's queue.
template <typename Payload>
Payload* DeliverWithIds(CKvJobData& job, std::int32_t type, std::int32_t kind,
                        std::int32_t attribute, std::uint32_t second_id) {
    void* payload = nullptr;
    if (type != K_KVJBDT_TP_DIAL2 || kind != KV_MSG_KIND_INFO)
        CreatePayloadByType(payload, type);
    auto* message = new CKvMessage;
    message->SetHeader(kind, payload, type, KV_MSG_COMMAND_NOTIFICATION, 5, attribute);
    message->SetJobIds(job.GetJobId(), second_id, 0);
    job.GetIncomingQueue().Add(message, false);
    return static_cast<Payload*>(payload);
}

class Dial2Test : public ::testing::Test {
protected:
    Dial2Test()
        : scoped_clock_(clock_),
          router_({KV_ENDPOINT_HOST_MAIN, KV_ENDPOINT_NETWORK, KV_ENDPOINT_CAPI, kOriginator}),
          handler_(router_.Get(), 0x900, KV_TRANSPORT_REMOTE_PEER, nullptr, false) {
        RegisterCapiPayloads();
        root_ = new CKvJobDataRoot;
        handler_.AddJob(root_);
        root_->ChangeState(KV_JOB_STATE_RUNNING);
        root_->GetPreferencesRef() = std::make_unique<CKvDataPreferences>();
    }

    // A dial job posted by the originator, as the host files it.
    CKvJobDataDial2* NewJob(const char* target, bool linked) {
        auto* job = new CKvJobDataDial2;
        job->GetLastName() = "Berg";
        job->SetTargetNumber(target);
        job->SetCtiTargetNumber("21");
        if (linked)
            job->GetLinkedCall() = std::make_unique<CKvDataCall>();
        auto* carrying = new CKvMessage;
        carrying->SetHeader(KV_MSG_KIND_REQUEST, job, K_KVJBDT_TP_DIAL2, 1, 5, 0);
        carrying->SetJobIds(0, 44, 0);
        carrying->SetSourceEndpoint(kOriginator);
        handler_.AddJob(job);
        job->SetCarryingMessage(carrying);
        return job;
    }

    // The call states of the reports the originator received, in order.
    std::vector<std::string> Reports() {
        std::vector<std::string> states;
        std::uint16_t endpoint = 0;
        while (MessagePtr message = router_.Take(&endpoint)) {
            if (endpoint == KV_ENDPOINT_NETWORK)
                texts_.push_back(SentText(message));
            if (endpoint != kOriginator)
                continue;
            if (message->GetPayloadType() == K_KVDT_TP_DTHDLR_DATACALL &&
                message->GetPayload() != nullptr) {
                EXPECT_EQ(message->GetSourceJobId(), 44u);
                std::string state;
                static_cast<CKvDataCall*>(message->GetPayload())
                    ->GetPhoneNumber()
                    .State()
                    .GetText(state);
                states.push_back(state);
            } else {
                states.push_back(std::string("answer ") + message->GetAttributeName());
            }
        }
        return states;
    }

    ManualClock clock_{1700000000, 0, 1000};
    ScopedClock scoped_clock_;
    CapturingRouter router_;
    CKvIMSGJobDataHandler handler_;
    CKvJobDataRoot* root_ = nullptr;
    // The job texts sent while Reports collected.
    std::vector<std::string> texts_;
};

TEST_F(Dial2Test, IsWrittenWithAllItsKeysAndReadBack) {
    CKvJobDataDial2 job;
    job.SetHeader(KV_MSG_KIND_REQUEST, 0, 0, 12);
    job.SetLoginName("anna");
    job.GetPeerComputer().SetName("ws1");
    job.SetPeerAddressText("192.168.1.20");
    job.GetPeerComputer().SetPort(4100);
    job.SetTargetNumber("0301234");
    job.SetCtiTargetNumber("21");
    std::string text;
    ASSERT_EQ(job.Serialize(text), KV_OK);
    EXPECT_EQ(text, "<JobData type=\"K_KVJBDT_TP_DIAL2\"><messagetype>REQUEST</messagetype>"
                    "<attribute>UNSPECIFIED</attribute><idtarget>0</idtarget>"
                    "<idsource>12</idsource><JobDataDial idsource=\"12\">"
                    "<loginname>anna</loginname><hostname>ws1</hostname>"
                    "<hostip>192.168.1.20</hostip><portnumber>4100</portnumber>"
                    "<targetnumber>0301234</targetnumber><ctitargetnumber>21</ctitargetnumber>"
                    "</JobDataDial></JobData>");
    CKvJobDataDial2 read;
    ASSERT_EQ(ReadJobText(text, read), KV_OK);
    EXPECT_EQ(read.GetIdSource(), 12u);
    EXPECT_EQ(read.GetTargetNumber(), "0301234");
    EXPECT_EQ(read.GetCtiTargetNumber(), "21");
    EXPECT_EQ(read.GetPeerComputer().GetPort(), 4100u);
    std::string again;
    ASSERT_EQ(read.Serialize(again), KV_OK);
    EXPECT_EQ(again.substr(again.find("<JobDataDial")), text.substr(text.find("<JobDataDial")));

    // A copy carries idsource and state, not the login or the peer.
    job.ChangeState(KV_JOB_STATE_RUNNING);
    job.GetLinkedCall() = std::make_unique<CKvDataCall>();
    CKvJobDataDial2 copy;
    copy.CopyFrom(job);
    EXPECT_EQ(copy.GetIdSource(), 12u);
    EXPECT_EQ(copy.GetState(), KV_JOB_STATE_RUNNING);
    EXPECT_EQ(copy.GetLoginName(), "");
    EXPECT_EQ(copy.GetPeerComputer().GetPort(), 0u);
    ASSERT_NE(copy.GetLinkedCall(), nullptr);
    EXPECT_NE(copy.GetLinkedCall().get(), job.GetLinkedCall().get());
}

TEST_F(Dial2Test, ASecondJobForTheSameCallEndsAndAFourthJobIsTooMany) {
    CKvJobDataDial2* first = NewJob("0301234", false);
    first->StepWithoutServer();
    EXPECT_EQ(first->GetState(), CKvJobDataDial2::kStatePreferences);
    CKvJobDataDial2* same = NewJob("0301234", false);
    same->StepWithoutServer();
    EXPECT_EQ(same->GetState(), KV_JOB_STATE_CLEANUP);
    EXPECT_EQ(same->GetLastResult(), KV_E_FAIL);

    NewJob("0301235", false);
    CKvJobDataDial2* fourth = NewJob("0301236", false);
    fourth->StepWithoutServer();
    EXPECT_EQ(fourth->GetState(), KV_JOB_STATE_CLEANUP);
    EXPECT_EQ(fourth->GetLastResult(), KV_E_LIST_FULL);
}

TEST_F(Dial2Test, TheServerlessWalkReportsToTheOriginatorOnlyWithALinkedCall) {
    for (const bool linked : {true, false}) {
        SCOPED_TRACE(linked);
        CKvJobDataDial2* job = NewJob(linked ? "0301234" : "0301299", linked);
        job->CheckRootJob();
        ASSERT_EQ(job->GetRootMachine(), CKvJobData::RootMachine::kServerless);
        job->CheckRootJob(); // the preferences request
        auto* preferences = Deliver<CKvDataPreferences>(*job, K_KVDT_TP_DTHDLR_DATAPREFERENCES,
                                                        KV_MSG_KIND_CONFIRMATION,
                                                        KV_MSG_ATTR_DATA_FOUND);
        std::string source = "5550";
        preferences->SetPhoneNumberCtiSource(source);
        preferences->GetFlagSourceAutomaticLine().Set(1);
        job->CheckRootJob();
        ASSERT_EQ(job->GetState(), CKvJobDataDial2::kStateRequestManager);
        EXPECT_EQ(job->GetSourceNumber(), "5550");
        EXPECT_EQ(job->FlagSourceAutomaticLine(), 1u);
        job->CheckRootJob();
        ASSERT_EQ(job->GetState(), KV_JOB_STATE_WAITING_FOR_ANSWER);
        std::uint16_t endpoint = 0;
        MessagePtr request = Own(nullptr);
        while ((request = router_.Take(&endpoint)) && endpoint != KV_ENDPOINT_CAPI) {
        }
        ASSERT_NE(request, nullptr);
        auto* manager = static_cast<CapiTransferManager*>(request->GetPayload());
        EXPECT_EQ(manager->GetCallingNumber(), "21");
        EXPECT_EQ(manager->GetCalledNumber(), job->GetTargetNumber());
        EXPECT_EQ(manager->GetText1(), "5550");
        EXPECT_EQ(*manager->GetTargetNumbers(), 0u);

        DeliverWithIds<CapiTransferManager>(*job, KV_PAYLOAD_CAPI_TRANSFER_MANAGER,
                                            KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED, 61);
        job->CheckRootJob();
        ASSERT_EQ(job->GetState(), KV_JOB_STATE_RUNNING);
        EXPECT_EQ(job->GetPartnerJobId(), 61u);
        DeliverWithIds<CapiTransferManager>(*job, KV_PAYLOAD_CAPI_TRANSFER_MANAGER,
                                            KV_MSG_KIND_INFO, KV_MSG_ATTR_CALL_CONNECTED, 61);
        DeliverWithIds<CapiTransferManager>(*job, KV_PAYLOAD_CAPI_TRANSFER_MANAGER,
                                            KV_MSG_KIND_INFO, KV_MSG_ATTR_CALL_ECT_ESTABLISHED,
                                            61);
        DeliverWithIds<CapiTransferManager>(*job, KV_PAYLOAD_CAPI_TRANSFER_MANAGER,
                                            KV_MSG_KIND_INFO, KV_MSG_ATTR_ENDED, 61);
        job->CheckRootJob();
        EXPECT_EQ(job->GetState(), KV_JOB_STATE_CLEANUP);
        EXPECT_EQ(job->GetPartnerJobId(), 0u);
        job->CheckRootJob();
        EXPECT_EQ(job->GetState(), KV_JOB_STATE_FINISHED);
        const std::vector<std::string> expected =
            linked ? std::vector<std::string>{"answer ACCEPTED", "IDLE", "CONNECTED",
                                              "ALERTING_OUT", "DISCONNECTED"}
                   : std::vector<std::string>{"answer ACCEPTED"};
        EXPECT_EQ(Reports(), expected);
    }
}

TEST_F(Dial2Test, TheRequesterWaitsFortySecondsThenFollowsTheCallThirty) {
    root_->GetPreferencesRef()->GetFlagServerUse().Set(1);
    auto* client = new TestClientJob("10.0.0.7", 4000);
    client->SetLocalHost("server", "10.0.0.1", 4500);
    handler_.AddJob(client);
    for (const bool answered : {false, true}) {
        SCOPED_TRACE(answered);
        CKvJobDataDial2* job = NewJob(answered ? "1" : "2", true);
        job->CheckRootJob(); // 0 -> 7
        job->CheckRootJob(); // the REQUEST
        ASSERT_EQ(job->GetState(), KV_JOB_STATE_WAITING_FOR_ANSWER);
        std::uint16_t endpoint = 0;
        MessagePtr sent = router_.Take(&endpoint);
        EXPECT_EQ(endpoint, KV_ENDPOINT_NETWORK);
        EXPECT_NE(SentText(sent).find("<messagetype>REQUEST</messagetype>"), std::string::npos);
        if (!answered) {
            clock_.Advance(39000);
            job->CheckRootJob();
            EXPECT_EQ(job->GetState(), KV_JOB_STATE_WAITING_FOR_ANSWER);
            clock_.Advance(1100);
            job->CheckRootJob();
            EXPECT_EQ(job->GetState(), KV_JOB_STATE_CLEANUP);
            job->CheckRootJob();
            EXPECT_EQ(Reports(), std::vector<std::string>{"DISCONNECTED"});
            continue;
        }
        auto* answer = DeliverWithIds<CKvJobDataDial2>(*job, K_KVJBDT_TP_DIAL2,
                                                       KV_MSG_KIND_CONFIRMATION,
                                                       KV_MSG_ATTR_ACCEPTED, 91);
        answer->SetSubType(K_KVJBDT_TP_DIAL2);
        job->CheckRootJob();
        ASSERT_EQ(job->GetState(), KV_JOB_STATE_RUNNING);
        EXPECT_EQ(job->GetIdTarget(), 91u);
        EXPECT_EQ(job->GetPartnerJobId(), 91u);
        clock_.Advance(29000);
        job->CheckRootJob();
        EXPECT_EQ(job->GetState(), KV_JOB_STATE_RUNNING);
        clock_.Advance(1100);
        job->CheckRootJob();
        EXPECT_EQ(job->GetState(), KV_JOB_STATE_STOP_REQUESTED);
        job->CheckRootJob();
        job->CheckRootJob();
        EXPECT_EQ(job->GetState(), KV_JOB_STATE_FINISHED);
        texts_.clear();
        EXPECT_EQ(Reports(),
                  (std::vector<std::string>{"answer ACCEPTED", "IDLE", "DISCONNECTED"}));
        ASSERT_EQ(texts_.size(), 1u);
        EXPECT_NE(texts_[0].find("<messagetype>INFO</messagetype><attribute>SHUTDOWN"
                                 "</attribute><idtarget>91</idtarget>"),
                  std::string::npos);
    }
}

TEST_F(Dial2Test, WithoutARootTheJobFinishesSilentlyAndAStoppingRootShutsTheManager) {
    root_->ChangeState(KV_JOB_STATE_CLEANUP);
    CKvJobDataDial2* orphan = NewJob("0301234", true);
    orphan->CheckRootJob();
    EXPECT_EQ(orphan->GetState(), KV_JOB_STATE_CLEANUP);
    orphan->CheckRootJob();
    EXPECT_EQ(orphan->GetState(), KV_JOB_STATE_FINISHED);
    EXPECT_EQ(router_.Count(), 0u);

    root_->ChangeState(KV_JOB_STATE_RUNNING);
    CKvJobDataDial2* job = NewJob("0301235", false);
    job->CheckRootJob();
    job->ChangeState(KV_JOB_STATE_RUNNING);
    DeliverWithIds<CapiTransferManager>(*job, KV_PAYLOAD_CAPI_TRANSFER_MANAGER,
                                        KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED, 61);
    job->ChangeState(KV_JOB_STATE_WAITING_FOR_ANSWER);
    job->CheckRootJob();
    ASSERT_EQ(job->GetPartnerJobId(), 61u);
    while (router_.Take()) {
    }
    root_->ChangeState(KV_JOB_STATE_STOP_REQUESTED);
    job->CheckRootJob();
    std::uint16_t endpoint = 0;
    MessagePtr shutdown = router_.Take(&endpoint);
    ASSERT_NE(shutdown, nullptr);
    EXPECT_EQ(endpoint, KV_ENDPOINT_CAPI);
    EXPECT_EQ(shutdown->GetAttribute(), KV_MSG_ATTR_SHUTDOWN);
    EXPECT_EQ(shutdown->GetPayloadType(), KV_PAYLOAD_CAPI_TRANSFER_MANAGER);
    EXPECT_EQ(shutdown->GetSourceJobId(), 61u);
    job->CheckRootJob();
    EXPECT_EQ(job->GetState(), KV_JOB_STATE_FINISHED);
}

// The executor on a server with its general settings and the host's record.
class Dial2ExecutorTest : public Dial2Test {
protected:
    Dial2ExecutorTest() {
        auto general = std::make_unique<CKvDataGeneral>();
        general->GetIsdnCardNumber() = "5550";
        root_->SetGeneralSettings(std::move(general));
        job_ = new CKvJobDataDial2;
        job_->SetHeader(KV_MSG_KIND_REQUEST, 0, 0, 17);
        job_->SetLoginName("anna");
        job_->SetPeerAddress("10.0.0.7");
        job_->GetPeerComputer().SetPort(4000);
        job_->SetTargetNumber(" 0301234 ");
        handler_.AddJob(job_);
    }

    // Steps to the host check and answers it.
    void AnswerHost(bool accept_all, const char* devices) {
        job_->StepExecutor();
        ASSERT_EQ(job_->GetState(), CKvJobDataDial2::kStateHostRecord);
        auto* host = Deliver<CKvDataHost>(*job_, K_KVDT_TP_DTHDLR_DATACOMPUTER,
                                          KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_DATA_FOUND);
        host->GetCtiDeviceNumbers().SetFromText(devices);
        host->SetFlagAcceptAllUser(accept_all);
        job_->StepExecutor();
    }

    std::string NextText() {
        std::uint16_t endpoint = 0;
        while (MessagePtr message = router_.Take(&endpoint)) {
            if (endpoint == KV_ENDPOINT_NETWORK)
                return SentText(message);
        }
        return "<none>";
    }

    CKvJobDataDial2* job_ = nullptr;
};

TEST_F(Dial2ExecutorTest, TheCtiTargetIsTheFirstDeviceOrMustBeOneOfThem) {
    struct Row {
        const char* asked;
        const char* devices;
        bool accepted;
        const char* dialled_first;
    };
    for (const Row& row : {Row{"", "21,22", true, "21"}, Row{" 22", "21,22", true, "22"},
                           Row{"23", "21,22", false, ""}, Row{"", "", false, ""}}) {
        SCOPED_TRACE(row.asked);
        job_->ChangeState(KV_JOB_STATE_START);
        job_->SetHeader(KV_MSG_KIND_REQUEST, 0, 0, 17);
        job_->SetCtiTargetNumber(row.asked);
        ASSERT_NO_FATAL_FAILURE(AnswerHost(true, row.devices));
        if (!row.accepted) {
            EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
            EXPECT_NE(NextText().find("<attribute>REFUSED</attribute><idtarget>17</idtarget>"),
                      std::string::npos);
            continue;
        }
        ASSERT_EQ(job_->GetState(), CKvJobDataDial2::kStateRequestManager);
        EXPECT_EQ(job_->GetCtiTargetNumber(), row.dialled_first);
        job_->StepExecutor();
        ASSERT_EQ(job_->GetState(), KV_JOB_STATE_WAITING_FOR_ANSWER);
        std::uint16_t endpoint = 0;
        MessagePtr request = Own(nullptr);
        while ((request = router_.Take(&endpoint)) && endpoint != KV_ENDPOINT_CAPI) {
        }
        ASSERT_NE(request, nullptr);
        auto* manager = static_cast<CapiTransferManager*>(request->GetPayload());
        EXPECT_EQ(manager->GetCallingNumber(), row.dialled_first);
        EXPECT_EQ(manager->GetCalledNumber(), "0301234");
        EXPECT_EQ(manager->GetText1(), "5550");
    }
}

TEST_F(Dial2ExecutorTest, WithoutGeneralSettingsTheRequestIsRefused) {
    root_->SetGeneralSettings(nullptr);
    ASSERT_NO_FATAL_FAILURE(AnswerHost(true, "21"));
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
    EXPECT_EQ(job_->GetLastResult(), KV_E_FAIL);
    EXPECT_NE(NextText().find("<attribute>REFUSED</attribute>"), std::string::npos);
}

TEST_F(Dial2ExecutorTest, TheUserCheckWaitsUntilTimerOneThenRefuses) {
    ASSERT_NO_FATAL_FAILURE(AnswerHost(false, "21"));
    ASSERT_EQ(job_->GetState(), CKvJobDataDial2::kStateLoginRecord);
    Deliver<CKvDataServerUser>(*job_, K_KVDT_TP_DTHDLR_DATASERVERUSER, KV_MSG_KIND_CONFIRMATION,
                               KV_MSG_ATTR_DATA_NOT_FOUND);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), CKvJobDataDial2::kStateLoginRecord);
    clock_.Advance(40100);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
    EXPECT_NE(NextText().find("<attribute>REFUSED</attribute>"), std::string::npos);
}

TEST_F(Dial2ExecutorTest, AnsweredRequestsAreNeverRefusedAfterwards) {
    ASSERT_NO_FATAL_FAILURE(AnswerHost(true, "21"));
    job_->StepExecutor();
    DeliverWithIds<CapiTransferManager>(*job_, KV_PAYLOAD_CAPI_TRANSFER_MANAGER,
                                        KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED, 61);
    job_->StepExecutor();
    ASSERT_EQ(job_->GetState(), KV_JOB_STATE_RUNNING);
    const std::string id = std::to_string(job_->GetJobId());
    EXPECT_NE(NextText().find("<messagetype>CONFIRMATION</messagetype><attribute>ACCEPTED"
                              "</attribute><idtarget>17</idtarget><idsource>" +
                              id + "</idsource>"),
              std::string::npos);
    DeliverWithIds<CapiTransferManager>(*job_, KV_PAYLOAD_CAPI_TRANSFER_MANAGER,
                                        KV_MSG_KIND_INFO, KV_MSG_ATTR_CALL_CONNECTED, 61);
    job_->StepExecutor();
    EXPECT_NE(NextText().find("<attribute>CALL_CONNECTED</attribute>"), std::string::npos);
    // Timer 1 still bounds the call.
    clock_.Advance(40100);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
    EXPECT_NE(NextText().find("<attribute>ENDED</attribute>"), std::string::npos);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_FINISHED);
    EXPECT_EQ(NextText(), "<none>");
}

TEST_F(Dial2ExecutorTest, AnEmptyTargetIsRefused) {
    auto* empty = new CKvJobDataDial2;
    empty->SetHeader(KV_MSG_KIND_REQUEST, 0, 0, 18);
    empty->SetPeerAddress("10.0.0.7");
    empty->GetPeerComputer().SetPort(4000);
    empty->SetTargetNumber("  ");
    handler_.AddJob(empty);
    empty->StepExecutor();
    EXPECT_EQ(empty->GetState(), KV_JOB_STATE_CLEANUP);
    EXPECT_NE(NextText().find("<attribute>REFUSED</attribute><idtarget>18</idtarget>"),
              std::string::npos);
}

} // namespace
