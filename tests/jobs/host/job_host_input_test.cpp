// What a host takes from the wire: texts for a job come from its partner's
// address only, the logs keep the latest entries while the count goes on, and
// a text the listener drops is logged with its cause.
#include "jobs/host/job_host.h"

#include "data/data_host.h"
#include "jobs/host/host_test_support.h"
#include "jobs/host/logon_records.h"
#include "jobs/job_data_client.h"
#include "jobs/job_data_client2.h"
#include "jobs/job_data_dial2.h"
#include "jobs/job_data_root.h"
#include "platform/name_resolver.h"

namespace {

class HostInputTest : public LoopbackHostsTest {
protected:
    // The workstation's logoff, as a third party could write it.
    std::string ForgedLogoff() {
        CKvJobDataClient2 forged;
        forged.SetLoginName("anna");
        forged.SetHeader(KV_MSG_KIND_INFO, KV_MSG_ATTR_ENDED, Executor()->GetJobId(), client_id_);
        return Text(forged);
    }
    static std::string Text(CKvJobData& job) {
        std::string text;
        EXPECT_EQ(job.Serialize(text), KV_OK);
        return text;
    }
    // What the host made of the text sent to it from the source address.
    JobTextResult SendAndRead(JobHost& host, const char* source, const std::string& text) {
        const std::uint64_t received = host.GetReceivedCount();
        EXPECT_TRUE(SendFrom(source, host.GetPort(), text));
        EXPECT_TRUE(Run([&] { return host.GetReceivedCount() == received + 1; }));
        return host.GetReceiveLog().empty() ? JobTextResult::kNotXml : host.GetReceiveLog().back();
    }
    // Starts the host's root job; true once it is in the state.
    bool StartRoot(JobHost& host, HostProcessKind kind, std::uint32_t state,
                   std::uint32_t& root_id) {
        return host.StartRootJob(kind, root_id) == KV_OK && Run([&] {
                   CKvJobData* root = host.FindJob(root_id);
                   return root != nullptr && root->GetState() == state;
               });
    }
};

TEST_F(HostInputTest, ATextFromAnotherAddressThanThePartnersIsRefused) {
    ASSERT_NO_FATAL_FAILURE(LogOn());
    const std::string forged = ForgedLogoff();
    EXPECT_EQ(SendAndRead(server_, "127.0.0.2", forged), JobTextResult::kWrongPeer);
    ASSERT_FALSE(server_.GetHostLog().empty());
    EXPECT_NE(server_.GetHostLog().back().find("127.0.0.2"), std::string::npos);
    RunHosts(
        {&server_, &workstation_}, [] { return false; }, 200);
    ASSERT_NE(Executor(), nullptr);
    EXPECT_EQ(Executor()->GetState(), KV_JOB_STATE_RUNNING);
    EXPECT_EQ(Executor()->GetIncomingQueue().GetCount(), 0);

    // The same text from the partner's address is taken.
    EXPECT_EQ(SendAndRead(server_, "127.0.0.1", forged), JobTextResult::kAccepted);
    EXPECT_TRUE(Run(
        [&] { return Executor() == nullptr || Executor()->GetState() != KV_JOB_STATE_RUNNING; }));
}

TEST_F(HostInputTest, ALoggedOnRequesterTakesNoAnswerFromElsewhere) {
    ASSERT_NO_FATAL_FAILURE(LogOn());
    // An ALIVE answer forged from elsewhere does not reach the client.
    CKvJobDataClient2 forged;
    forged.SetHeader(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ALIVE, client_id_,
                     Executor()->GetJobId());
    EXPECT_EQ(SendAndRead(workstation_, "127.0.0.2", Text(forged)), JobTextResult::kWrongPeer);
}

TEST_F(HostInputTest, AWaitingLogonTakesItsAnswerOnlyFromTheAddressItAsked) {
    // The server takes the logon but does not answer yet.
    server_.GetRecordService().SetSilent(true);
    ASSERT_EQ(workstation_.StartLogon("127.0.0.1", server_.GetPort(), "anna", client_id_), KV_OK);
    ASSERT_TRUE(Run([&] { return Executor() != nullptr; }));
    CKvJobDataClient2 refusal;
    refusal.SetHeader(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_REFUSED, client_id_,
                      Executor()->GetJobId());
    EXPECT_EQ(SendAndRead(workstation_, "127.0.0.2", Text(refusal)), JobTextResult::kWrongPeer);
    ASSERT_FALSE(workstation_.GetHostLog().empty());
    EXPECT_NE(workstation_.GetHostLog().back().find("from 127.0.0.2: its partner is 127.0.0.1"),
              std::string::npos)
        << workstation_.GetHostLog().back();
    RunHosts(
        {&workstation_}, [] { return false; }, 200);
    ASSERT_NE(Client(), nullptr);
    EXPECT_EQ(Client()->GetState(), KV_JOB_STATE_WAITING_FOR_ANSWER);

    // The asked address's answer is taken.
    EXPECT_EQ(SendAndRead(workstation_, "127.0.0.1", Text(refusal)), JobTextResult::kAccepted);
    EXPECT_TRUE(Run([&] { return Client() == nullptr; }));
}

TEST_F(HostInputTest, ARequesterThatSendsToANameHasTheLookedUpAddressAsItsPartner) {
    ScopedNameResolver scoped(std::make_shared<LoopbackResolver>());
    // A server's jobs reach their peer by its name when its address is 0.
    auto* job = new CKvJobDataClient2;
    job->SetLoginName("anna");
    job->GetPeerComputer().Set("server.test", 0, workstation_.GetPort());
    ASSERT_EQ(server_.AddHostJob(job, JobRole::kRequester), KV_OK);
    const std::uint32_t id = job->GetJobId();
    EXPECT_EQ(server_.GetPartnerAddress(id), 0u);
    EXPECT_TRUE(Run([&] {
        return workstation_.GetReceivedCount() == 1 &&
               server_.GetPartnerAddress(id) == kLoopbackAddress;
    }));
}

TEST_F(HostInputTest, AnswersGoToTheAddressOfTheirRequestNotTheOneItsTextNames) {
    // Forged logons from 127.0.0.2 that name hosts which never answer: were
    // they answered there, each would hold a sender for its whole time-out.
    // Half are CLIENT2 logons, accepted and answered by the job itself; half
    // CLIENT logons of an old version, refused through the network service.
    constexpr int kForged = 60;
    std::vector<std::unique_ptr<SilentDestination>> silent;
    for (int i = 0; i < kForged; ++i) {
        const std::uint32_t address = 0x7F000003u + static_cast<std::uint32_t>(i);
        const std::string dotted = "127.0.0." + std::to_string(3 + i);
        silent.push_back(std::make_unique<SilentDestination>(dotted.c_str()));
        ASSERT_NE(silent.back()->GetPort(), 0);
        auto host = std::make_unique<CKvDataHost>();
        host->GetHost().Set("localhost", address, 0);
        host->SetFlagAcceptAllUser(true);
        server_.GetRecordService().StoreRecord(std::move(host), K_KVDT_TP_DTHDLR_DATACOMPUTER);
        CKvJobDataClient2 client2;
        CKvJobDataClient client;
        client.SetVersion("17499905");
        CKvJobData& forged = i % 2 == 0 ? static_cast<CKvJobData&>(client2) : client;
        forged.SetLoginName("anna");
        forged.GetPeerComputer().Set("localhost", address, silent.back()->GetPort());
        forged.SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 0,
                         1000 + static_cast<std::uint32_t>(i));
        ASSERT_TRUE(SendFrom("127.0.0.2", server_.GetPort(), Text(forged)));
    }
    // Every forged logon answered.
    ASSERT_TRUE(RunHosts(
        {&server_},
        [&] {
            std::size_t accepted = 0;
            if (const CKvJobMap* jobs = server_.GetHandler().FindJobsOfType(K_KVJBDT_TP_CLIENT2))
                for (const CKvJobMap::Entry& entry : *jobs)
                    accepted += entry.second->GetState() == KV_JOB_STATE_RUNNING;
            return server_.GetReceivedCount() == kForged && accepted == kForged / 2 &&
                   server_.GetHandler().CountJobs(K_KVJBDT_TP_CLIENT) == 0;
        },
        kLimitMs));

    ASSERT_EQ(workstation_.StartLogon("127.0.0.1", server_.GetPort(), "anna", client_id_), KV_OK);
    EXPECT_TRUE(RunHosts(
        {&server_, &workstation_},
        [&] { return Client() != nullptr && Client()->GetState() == KV_JOB_STATE_RUNNING; }, 2500));
}

TEST_F(HostInputTest, NoTextFromAPeerReachesTheRootByItsId) {
    // A workstation's root waiting for its settings ends on any other answer.
    workstation_.GetRecordService().SetSilent(true);
    std::uint32_t root_id = 0;
    ASSERT_TRUE(StartRoot(workstation_, HostProcessKind::kWorkstationWithServer,
                          CKvJobDataRoot::kStateClientSettings, root_id));
    CKvJobDataClient2 forged;
    forged.SetHeader(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED, root_id, 1);
    EXPECT_EQ(SendAndRead(workstation_, "127.0.0.1", Text(forged)), JobTextResult::kWrongPeer);
    RunHosts(
        {&workstation_}, [] { return false; }, 200);
    ASSERT_NE(workstation_.FindJob(root_id), nullptr);
    EXPECT_EQ(workstation_.FindJob(root_id)->GetState(), CKvJobDataRoot::kStateClientSettings);
}

TEST_F(HostInputTest, AJobTheRootAdoptsTakesItsPartnerFromItsRequest) {
    StoreServerLogonRecords(server_, "anna", {"21"});
    std::uint32_t root_id = 0;
    ASSERT_TRUE(StartRoot(server_, HostProcessKind::kServer, KV_JOB_STATE_RUNNING, root_id));
    CKvJobDataDial2 dial;
    dial.SetLoginName("anna");
    dial.GetPeerComputer().Set("ws1", kLoopbackAddress, workstation_.GetPort());
    dial.SetTargetNumber("0301234");
    dial.SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 0, 5);
    ASSERT_TRUE(SendFrom("127.0.0.1", server_.GetPort(), Text(dial)));
    ASSERT_TRUE(Run([&] { return server_.GetHandler().FirstJob(K_KVJBDT_TP_DIAL2) != nullptr; }));
    const std::uint32_t adopted = server_.GetHandler().FirstJob(K_KVJBDT_TP_DIAL2)->GetJobId();

    // The first text for the adopted job from elsewhere does not claim it.
    // Handed over at once, while the job surely exists: pumped, it may have
    // ended by the time the text is read.
    CKvJobDataDial2 forged;
    forged.SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_ENDED, adopted, 5);
    constexpr std::uint32_t kOtherPeer = 0x7F000002; // 127.0.0.2
    EXPECT_EQ(server_.HandleText(Text(forged), kOtherPeer), JobTextResult::kWrongPeer);
}

TEST_F(HostInputTest, TheLogsKeepTheLatestEntriesAndTheCountGoesOn) {
    server_.SetLogLimit(3);
    for (int i = 0; i < 5; ++i)
        server_.HandleText(i < 4 ? "<Other/>" : "<JobData");
    EXPECT_EQ(server_.GetReceivedCount(), 5u);
    ASSERT_EQ(server_.GetReceiveLog().size(), 3u);
    EXPECT_EQ(server_.GetReceiveLog().back(), JobTextResult::kNotXml);
    EXPECT_EQ(server_.GetReceiveLog().front(), JobTextResult::kNoJobData);

    // By default a thousand.
    for (int i = 0; i < 1001; ++i)
        workstation_.HandleText("<Other/>");
    EXPECT_EQ(workstation_.GetReceivedCount(), 1001u);
    EXPECT_EQ(workstation_.GetReceiveLog().size(), kDefaultHostLogLimit);
}

TEST_F(HostInputTest, TheServiceLogKeepsTheLatestEntries) {
    server_.SetLogLimit(2);
    for (const char* line : {"one", "two", "three"}) {
        CKvMessage* message = nullptr;
        void* payload = nullptr;
        ASSERT_TRUE(
            server_.GetRouter().CreateMessageWithPayload(message, payload, KV_PAYLOAD_TEXT));
        *static_cast<std::string*>(payload) = line;
        message->SetKindAndCommand(KV_MSG_KIND_INFO, KV_MSG_COMMAND_NOTIFICATION, 0);
        ASSERT_EQ(message->Send(KV_ENDPOINT_CHAT_LOG, JobHost::kDefaultHandlerEndpoint,
                                &server_.GetRouter(), 1, true, false),
                  KV_OK);
    }
    server_.PumpOnce();
    const std::deque<HostServiceEntry>& log = server_.GetServiceLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].text, "two");
    EXPECT_EQ(log[1].text, "three");
}

TEST_F(HostInputTest, ATextTheListenerDropsIsLoggedWithItsCause) {
    // Its sender may or may not see the reset before it has written all.
    const std::string too_long(TcpTextListener::kDefaultMaxBytes + 1, 'x');
    SendFrom("127.0.0.2", server_.GetPort(), too_long);
    ASSERT_TRUE(Run([&] { return !server_.GetHostLog().empty(); }));
    EXPECT_EQ(server_.GetHostLog().back(), "the listener dropped texts: size cap 1");
}

} // namespace
