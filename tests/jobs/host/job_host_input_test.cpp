// What a host takes from the wire: texts for a job come from its partner's
// address only, and the logs keep the latest entries while the count goes on.
#include "jobs/host/job_host.h"

#include "jobs/host/host_test_support.h"
#include "jobs/host/logon_records.h"
#include "jobs/job_data_client2.h"
#include "jobs/job_data_dial2.h"
#include "jobs/job_data_root.h"
#include "platform/tcp_test_support.h"

namespace {

// Sends the text over a connection from the source address.
bool SendFrom(const char* source, std::uint16_t port, const std::string& text) {
    const int fd = ConnectTo(port, source);
    if (fd < 0)
        return false;
    const bool sent =
        ::send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return sent;
}

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
    LogOn();
    const std::string forged = ForgedLogoff();
    EXPECT_EQ(SendAndRead(server_, "127.0.0.2", forged), JobTextResult::kWrongPeer);
    ASSERT_FALSE(server_.GetHostLog().empty());
    EXPECT_NE(server_.GetHostLog().back().find("127.0.0.2"), std::string::npos);
    RunHosts(
        {&server_, &workstation_}, [] { return false; }, 200);
    EXPECT_EQ(Executor()->GetState(), KV_JOB_STATE_RUNNING);
    EXPECT_EQ(Executor()->GetIncomingQueue().GetCount(), 0);

    // The same text from the partner's address is taken.
    EXPECT_EQ(SendAndRead(server_, "127.0.0.1", forged), JobTextResult::kAccepted);
    EXPECT_TRUE(Run(
        [&] { return Executor() == nullptr || Executor()->GetState() != KV_JOB_STATE_RUNNING; }));
}

TEST_F(HostInputTest, ARequesterTakesItsPartnerFromTheFirstAnswer) {
    LogOn();
    // An ALIVE answer forged from elsewhere does not reach the client.
    CKvJobDataClient2 forged;
    forged.SetHeader(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ALIVE, client_id_,
                     Executor()->GetJobId());
    EXPECT_EQ(SendAndRead(workstation_, "127.0.0.2", Text(forged)), JobTextResult::kWrongPeer);
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

} // namespace
