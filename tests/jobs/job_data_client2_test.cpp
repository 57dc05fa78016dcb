#include "jobs/job_data_client2.h"

#include "jobs_test_support.h"
#include "platform/clock.h"
#include "platform/name_resolver.h"
#include "platform/tcp_transport.h"

#include <condition_variable>
#include <memory>
#include <mutex>

namespace {

constexpr const char* kGoldenRequest =
    "<JobData type=\"K_KVJBDT_TP_CLIENT2\"><messagetype>REQUEST</messagetype>"
    "<attribute>UNSPECIFIED</attribute><idtarget>0</idtarget><idsource>7</idsource>"
    "<JobDataClient><notifycalls>yes</notifycalls><loginname>anna</loginname>"
    "<hostname>ws1</hostname><hostip>192.168.1.20</hostip><portnumber>4100</portnumber>"
    "</JobDataClient></JobData>";

constexpr const char* kGoldenConfirmation =
    "<JobData type=\"K_KVJBDT_TP_CLIENT2\"><messagetype>CONFIRMATION</messagetype>"
    "<attribute>ACCEPTED</attribute><idtarget>7</idtarget><idsource>3</idsource>"
    "<JobDataClient><notifycalls>no</notifycalls><loginname>anna</loginname>"
    "<hostname>ws1</hostname><hostip>192.168.1.20</hostip><portnumber>4100</portnumber>"
    "</JobDataClient></JobData>";

void FillClient(CKvJobDataClient2& job) {
    job.SetLoginName("anna");
    job.GetPeerComputer().SetName("ws1");
    job.SetPeerAddressText("192.168.1.20");
    job.GetPeerComputer().SetPort(4100);
}

// One text received by a listener on 127.0.0.1.
class TextCatcher {
public:
    TextCatcher() {
        listener_.Start("127.0.0.1", 0, [this](std::string&& text, std::uint32_t) {
            std::lock_guard lock(mutex_);
            texts_.push_back(std::move(text));
            arrived_.notify_all();
        });
    }
    std::uint16_t Port() const { return listener_.GetPort(); }
    std::string Next() {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, std::chrono::seconds(10), [this] { return !texts_.empty(); });
        if (texts_.empty())
            return "<none>";
        std::string text = texts_.front();
        texts_.erase(texts_.begin());
        return text;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::string> texts_;
    TcpTextListener listener_;
};

TEST(JobDataClient2, ARequestIsWrittenByteForByte) {
    RegisterAllPayloads();
    CKvJobDataClient2 job;
    FillClient(job);
    job.SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 0, 7);
    std::string text;
    ASSERT_EQ(job.Serialize(text), KV_OK);
    EXPECT_EQ(text, kGoldenRequest);
}

TEST(JobDataClient2, AConfirmationSwapsItsIdsInTheTextOnlyWhileSending) {
    RegisterAllPayloads();
    TextCatcher catcher;
    CKvJobDataClient2 job;
    FillClient(job);
    job.SetNotifyCalls(0);
    job.SetHeader(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED, 3, 7);
    job.SetTransportMode(KV_TRANSPORT_LOCAL);
    job.SetLocalHost("srv", "127.0.0.1", catcher.Port());
    ASSERT_EQ(job.SendDirect(), KV_OK);
    EXPECT_EQ(catcher.Next(), kGoldenConfirmation);
    EXPECT_EQ(job.GetIdTarget(), 3u);
    EXPECT_EQ(job.GetIdSource(), 7u);
}

TEST(JobDataClient2, SendDirectRefusesModesWithoutADirectPeer) {
    RegisterAllPayloads();
    const struct {
        std::uint32_t mode;
        KvResult result;
    } cases[] = {{0, KV_E_ALREADY_STOPPING},
                 {2, KV_E_BAD_STATE},
                 {4, KV_E_ALREADY_STOPPING},
                 {7, KV_E_BAD_STATE}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.mode);
        CKvJobDataClient2 job;
        job.SetTransportMode(row.mode);
        EXPECT_EQ(job.SendDirect(), row.result);
    }
}

TEST(JobDataClient2, ModeOneWithoutPeerAddressConnectsToThePeerName) {
    RegisterAllPayloads();
    ScopedNameResolver scoped(std::make_shared<LoopbackResolver>());
    TextCatcher catcher;
    CKvJobDataClient2 job;
    job.SetTransportMode(KV_TRANSPORT_REMOTE_PEER);
    job.GetPeerComputer().Set("server.test", 0, catcher.Port());
    ASSERT_EQ(job.SendDirect(), KV_OK);
    EXPECT_EQ(catcher.Next(), job.GetXmlText());
}

// A record of the server's job (id 3) in the requester's queue.
void ReceiveFromServer(CKvJobDataClient2& job, std::uint32_t messagetype, std::uint32_t attribute) {
    auto* record = Deliver<CKvJobDataClient2>(job, K_KVJBDT_TP_CLIENT2,
                                              static_cast<std::int32_t>(messagetype),
                                              static_cast<std::int32_t>(attribute));
    record->SetSubType(K_KVJBDT_TP_CLIENT2);
    record->SetHeader(messagetype, attribute, job.GetJobId(), 3);
}

// The header of a job text from its messagetype to its idsource.
std::string Header(const char* messagetype, const char* attribute, std::uint32_t idtarget,
                   std::uint32_t idsource) {
    return std::string("<messagetype>") + messagetype + "</messagetype><attribute>" + attribute +
           "</attribute><idtarget>" + std::to_string(idtarget) + "</idtarget><idsource>" +
           std::to_string(idsource) + "</idsource>";
}

TEST(JobDataClient2, EveryRequesterTextNamesTheServersJobAsItsTarget) {
    RegisterAllPayloads();
    ManualClock clock(1700000000);
    ScopedClock scoped_clock(clock);
    TextCatcher catcher;
    CapturingRouter router({KV_ENDPOINT_HOST_MAIN});
    CKvIMSGJobDataHandler handler(router.Get(), 0x900, KV_TRANSPORT_LOCAL, nullptr, false);
    auto* job = new CKvJobDataClient2;
    FillClient(*job);
    ASSERT_EQ(handler.AddJob(job), KV_OK);
    const std::uint32_t own = job->GetJobId();
    job->SetLocalHost("srv", "127.0.0.1", catcher.Port());

    job->StepRequester();
    EXPECT_NE(catcher.Next().find(Header("REQUEST", "UNSPECIFIED", 0, own)), std::string::npos);
    ReceiveFromServer(*job, KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED);
    job->StepRequester();
    ASSERT_EQ(job->GetState(), KV_JOB_STATE_RUNNING);

    clock.Advance(30000);
    job->StepRequester();
    EXPECT_NE(catcher.Next().find(Header("REQUEST", "ALIVE", 3, own)), std::string::npos);
    ReceiveFromServer(*job, KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ALIVE);
    job->StepRequester();
    ASSERT_EQ(job->GetState(), KV_JOB_STATE_RUNNING);

    // The server ends the logon: the confirmation goes to the server's job.
    ReceiveFromServer(*job, KV_MSG_KIND_REQUEST, KV_MSG_ATTR_ENDED);
    job->StepRequester();
    EXPECT_EQ(job->GetState(), KV_JOB_STATE_CLEANUP);
    EXPECT_NE(catcher.Next().find(Header("CONFIRMATION", "ENDED", 3, own)), std::string::npos);
    EXPECT_EQ(job->GetIdTarget(), 3u);
    EXPECT_EQ(job->GetIdSource(), own);
}

// Reads the element of the text into a fresh job.
KvResult ReadClient(const std::string& children, CKvJobDataClient2& job) {
    XmlDocument document;
    const std::string text = "<JobData><JobDataClient>" + children + "</JobDataClient></JobData>";
    document.Parse(text);
    XmlNode* header = nullptr;
    document.FindNode(header, "JobData");
    return job.ReadXml(header);
}

TEST(JobDataClient2, TheReaderWantsEachOfTheFiveKeysOnce) {
    RegisterAllPayloads();
    const std::string all = "<notifycalls>yes</notifycalls><loginname>anna</loginname>"
                            "<hostname>ws1</hostname><hostip>10.0.0.5</hostip>"
                            "<portnumber>4100</portnumber>";
    CKvJobDataClient2 job;
    job.SetNotifyCalls(0);
    ASSERT_EQ(ReadClient(all + "<other>x</other>", job), KV_OK);
    EXPECT_EQ(job.GetNotifyCalls(), 1u);
    EXPECT_EQ(job.GetLoginName(), "anna");
    EXPECT_EQ(job.GetPeerComputer().GetName(), "ws1");
    EXPECT_EQ(job.GetPeerComputer().GetAddress(), 0x0A000005u);
    EXPECT_EQ(job.GetPeerComputer().GetPort(), 4100u);

    CKvJobDataClient2 four;
    EXPECT_EQ(ReadClient("<notifycalls>yes</notifycalls><loginname>a</loginname>"
                         "<hostname>h</hostname><hostip>1.2.3.4</hostip>",
                         four),
              KV_E_FAIL);
    CKvJobDataClient2 repeated;
    EXPECT_EQ(ReadClient("<notifycalls>yes</notifycalls><loginname>a</loginname>"
                         "<loginname>b</loginname><hostname>h</hostname><hostip>1.2.3.4</hostip>",
                         repeated),
              KV_E_FAIL);
    CKvJobDataClient2 missing;
    EXPECT_NE(ReadClient("", missing), KV_OK);
}

TEST(JobDataClient2, NotifyCallsIsOnlyTheExactYes) {
    RegisterAllPayloads();
    const struct {
        const char* text;
        std::uint32_t value;
    } cases[] = {{"yes", 1}, {"Yes", 0}, {"1", 0}, {"no", 0}, {"", 0}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.text);
        CKvJobDataClient2 job;
        ASSERT_EQ(ReadClient(std::string("<notifycalls>") + row.text +
                                 "</notifycalls><loginname>a</loginname><hostname>h</hostname>"
                                 "<hostip>1.2.3.4</hostip><portnumber>1</portnumber>",
                             job),
                  KV_OK);
        EXPECT_EQ(job.GetNotifyCalls(), row.value);
    }
}

TEST(JobDataClient2, PortsAreReadAsUnsigned32BitNumbers) {
    RegisterAllPayloads();
    CKvJobDataClient2 job;
    ASSERT_EQ(ReadClient("<notifycalls>no</notifycalls><loginname>a</loginname>"
                         "<hostname>h</hostname><hostip>1.2.3.4</hostip>"
                         "<portnumber>3000000000</portnumber>",
                         job),
              KV_OK);
    EXPECT_EQ(job.GetPeerComputer().GetPort(), 3000000000u);
}

} // namespace
