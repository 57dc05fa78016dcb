#include "jobs/job_data_tapi_listen.h"

#include "jobs_test_support.h"
#include "platform/clock.h"
#include "tapi/tapi_payloads.h"

#include <memory>

namespace {

constexpr const char* kGoldenMinimal =
    "<JobData type=\"K_KVJBDT_TP_TAPI_LISTEN\"><messagetype>UNSPECIFIED</messagetype>"
    "<attribute>UNSPECIFIED</attribute><idtarget>0</idtarget><idsource>0</idsource>"
    "<JobDataTAPIListen idsource=\"0\"><datetime>0.000</datetime>"
    "<KVTAPICALLSMANAGER identifier=\"\" hline=\"0\" /></JobDataTAPIListen></JobData>";

// Three calls and a line list, all on a stopped clock.
constexpr const char* kGoldenFull =
    "<JobData type=\"K_KVJBDT_TP_TAPI_LISTEN\"><messagetype>INFO</messagetype>"
    "<attribute>NOTIFICATION</attribute><idtarget>5</idtarget><idsource>9</idsource>"
    "<JobDataTAPIListen idsource=\"9\"><loginname>anna</loginname><hostname>ws1</hostname>"
    "<hostip>192.168.1.20</hostip><portnumber>4100</portnumber>"
    "<datetime>1700000000.250</datetime>"
    "<KVTAPICALLSMANAGER identifier=\"Line 1\" hline=\"7\">"
    "<KVTAPICALL identifier=\"\"><hcall>101</hcall><hline>7</hline><reqid>0</reqid>"
    "<state>32768</state><stateprev>32768</stateprev><callednumber>0301234</"
    "callednumber><wmidnotif>0</wmidnotif>"
    "<idtargetnotif>0</idtargetnotif><kvtapifunc>0</kvtapifunc>"
    "<timedatestate>3913056000.000</timedatestate><statesreached>0</statesreached>"
    "<origin>16</origin><features>0</features><foreignhandle>0</foreignhandle>"
    "<timedatecreated>3913056000.000</timedatecreated><timedateconnected>0.000"
    "</timedateconnected><timedatedisconnected>0.000</timedatedisconnected>"
    "<phonenewlineindex>4294967295</phonenewlineindex></KVTAPICALL>"
    "<KVTAPICALL identifier=\"\"><hcall>102</hcall><hline>7</hline><reqid>0</reqid>"
    "<state>32768</state><stateprev>32768</stateprev><callednumber>21</callednumber><wmidnotif>0</"
    "wmidnotif>"
    "<idtargetnotif>0</idtargetnotif><kvtapifunc>0</kvtapifunc>"
    "<timedatestate>3913056000.000</timedatestate><statesreached>0</statesreached>"
    "<origin>16</origin><features>0</features><foreignhandle>0</foreignhandle>"
    "<timedatecreated>3913056000.000</timedatecreated><timedateconnected>0.000"
    "</timedateconnected><timedatedisconnected>0.000</timedatedisconnected>"
    "<phonenewlineindex>4294967295</phonenewlineindex></KVTAPICALL>"
    "<KVTAPICALL identifier=\"\"><hcall>103</hcall><hline>7</hline><reqid>0</reqid>"
    "<state>32768</state><stateprev>32768</stateprev><wmidnotif>0</wmidnotif>"
    "<idtargetnotif>0</idtargetnotif><kvtapifunc>0</kvtapifunc>"
    "<timedatestate>3913056000.000</timedatestate><statesreached>0</statesreached>"
    "<origin>16</origin><features>0</features><foreignhandle>0</foreignhandle>"
    "<timedatecreated>3913056000.000</timedatecreated><timedateconnected>0.000"
    "</timedateconnected><timedatedisconnected>0.000</timedatedisconnected>"
    "<phonenewlineindex>4294967295</phonenewlineindex></KVTAPICALL>"
    "</KVTAPICALLSMANAGER><KVSTRING_LIST identifier=\"\"><KVSTRING identifier=\"Line 1\">"
    "<data>123</data></KVSTRING><KVSTRING identifier=\"Line 2\"><data>456|Desk</data>"
    "</KVSTRING></KVSTRING_LIST></JobDataTAPIListen></JobData>";

void RegisterAll() {
    RegisterAllPayloads();
    RegisterTapiPayloads();
}

void AddCall(KVTAPICALLSMANAGER& calls, std::uint32_t hcall, const char* number) {
    auto call = std::make_unique<KVTAPICALL>();
    call->GetHcall() = hcall;
    call->GetCalledNumber() = number;
    call->GetHline() = 7;
    ASSERT_EQ(calls.AddCall(call), KV_OK);
}

void AddLine(KVSTRING_LIST& lines, const char* name, const char* data) {
    auto entry = std::make_unique<KVSTRING>();
    entry->Set(name, data);
    ASSERT_EQ(lines.Add(entry), KV_OK);
}

std::string Handles(KVTAPICALLSMANAGER& calls) {
    std::string out;
    KVTAPICALLSMANAGER::Position position = 0;
    calls.GetStartPosition(position);
    while (KVTAPICALL* call = calls.GetNextCall(position))
        out += std::to_string(call->GetHcall()) + " ";
    return out;
}

void Fill(CKvJobDataTAPIListen& job) {
    job.SetHeader(KV_MSG_KIND_INFO, KV_MSG_ATTR_NOTIFICATION, 5, 9);
    job.SetLoginName("anna");
    job.GetPeerComputer().SetName("ws1");
    job.SetPeerAddressText("192.168.1.20");
    job.GetPeerComputer().SetPort(4100);
    job.GetDateTime().SetFromText("1700000000.250");
    job.GetLineCalls().GetIdentifier() = "Line 1";
    job.GetLineCalls().GetHline() = 7;
    ASSERT_NO_FATAL_FAILURE(AddCall(job.GetLineCalls(), 101, "0301234"));
    ASSERT_NO_FATAL_FAILURE(AddCall(job.GetLineCalls(), 102, "21"));
    ASSERT_NO_FATAL_FAILURE(AddCall(job.GetLineCalls(), 103, ""));
    ASSERT_NO_FATAL_FAILURE(AddLine(job.GetLineList(), "Line 1", "123"));
    ASSERT_NO_FATAL_FAILURE(AddLine(job.GetLineList(), "Line 2", "456|Desk"));
}

TEST(JobDataTAPIListen, MinimalFormHoldsOnlyIdSourceDateTimeAndTheCalls) {
    RegisterAll();
    CKvJobDataTAPIListen job;
    std::string text;
    ASSERT_EQ(job.Serialize(text), KV_OK);
    EXPECT_EQ(text, kGoldenMinimal);
    EXPECT_EQ(job.GetTapiLines().GetElementName(), "TAPI_LINES");
    EXPECT_EQ(job.GetExecutorVariant(), 0u);
}

TEST(JobDataTAPIListen, FullFormCarriesCallsAndLineListAndReadsBack) {
    RegisterAll();
    ManualClock clock{1704067200, 0, 1000};
    ScopedClock scoped_clock{clock};
    CKvJobDataTAPIListen job;
    Fill(job);
    // Neither travels.
    ASSERT_NO_FATAL_FAILURE(AddLine(job.GetTapiLines(), "Local", "9"));
    ASSERT_NO_FATAL_FAILURE(AddCall(job.GetKnownCalls(), 555, "known"));
    std::string text;
    ASSERT_EQ(job.Serialize(text), KV_OK);
    EXPECT_EQ(text, kGoldenFull);
    EXPECT_EQ(text.find("TAPI_LINES"), std::string::npos);
    EXPECT_EQ(text.find("known"), std::string::npos);

    CKvJobDataTAPIListen read;
    ASSERT_NO_FATAL_FAILURE(AddCall(read.GetLineCalls(), 999, "stale"));
    ASSERT_EQ(ReadJobText(text, read), KV_OK);
    EXPECT_EQ(read.GetIdSource(), 9u);
    EXPECT_EQ(read.GetLoginName(), "anna");
    EXPECT_EQ(read.GetPeerComputer().GetAddressText(), "192.168.1.20");
    EXPECT_EQ(Handles(read.GetLineCalls()), "101 102 103 ");
    EXPECT_EQ(read.GetLineCalls().GetHline(), 7u);
    EXPECT_EQ(read.GetLineList().GetCount(), 2u);
    EXPECT_EQ(read.GetTapiLines().GetCount(), 0u);
    std::string again;
    read.SetHeader(KV_MSG_KIND_INFO, KV_MSG_ATTR_NOTIFICATION, 5, 9);
    ASSERT_EQ(read.Serialize(again), KV_OK);
    EXPECT_EQ(again, text);
}

TEST(JobDataTAPIListen, ReadingNeedsTheElementAndItsIdSource) {
    RegisterAll();
    CKvJobDataTAPIListen job;
    EXPECT_NE(ReadJobText("<JobData><JobDataTAPIListen/></JobData>", job), KV_OK);
    EXPECT_NE(ReadJobText("<JobData><Other idsource=\"1\"/></JobData>", job), KV_OK);
    // The empty-element form of the calls manager reads.
    ASSERT_EQ(ReadJobText("<JobData><JobDataTAPIListen idsource=\"4\"><KVTAPICALLSMANAGER "
                          "identifier=\"L\" hline=\"3\"/></JobDataTAPIListen></JobData>",
                          job),
              KV_OK);
    EXPECT_EQ(job.GetIdSource(), 4u);
    EXPECT_EQ(job.GetLineCalls().GetHline(), 3u);
}

TEST(JobDataTAPIListen, CopyTakesEveryOwnFieldAndTheRegistryCopies) {
    RegisterAll();
    CKvJobDataTAPIListen job;
    Fill(job);
    job.SetAuxTexts("first", nullptr);
    job.GetExecutorVariant() = 1;
    ASSERT_NO_FATAL_FAILURE(AddCall(job.GetKnownCalls(), 555, "known"));
    ASSERT_NO_FATAL_FAILURE(AddLine(job.GetTapiLines(), "Local", "9"));
    job.GetReceivedNumber() = "0301234";

    CKvJobDataTAPIListen copy;
    copy.CopyFrom(job);
    EXPECT_EQ(copy.GetFirstAuxText(), "first");
    EXPECT_EQ(copy.GetSecondAuxText(), "");
    EXPECT_EQ(copy.GetExecutorVariant(), 1u);
    EXPECT_EQ(Handles(copy.GetLineCalls()), "101 102 103 ");
    EXPECT_EQ(Handles(copy.GetKnownCalls()), "555 ");
    EXPECT_EQ(copy.GetTapiLines().GetCount(), 1u);
    EXPECT_EQ(copy.GetLineList().GetCount(), 2u);
    EXPECT_EQ(copy.GetReceivedNumber(), "0301234");
    // Deep: the copy's calls are its own.
    job.GetLineCalls().RemoveAllCalls();
    EXPECT_EQ(Handles(copy.GetLineCalls()), "101 102 103 ");

    void* created = nullptr;
    ASSERT_TRUE(CreatePayloadByType(created, K_KVJBDT_TP_TAPI_LISTEN));
    ASSERT_TRUE(
        CopyPayloadByType(created, static_cast<CKvJobData*>(&copy), K_KVJBDT_TP_TAPI_LISTEN));
    auto* made = static_cast<CKvJobDataTAPIListen*>(static_cast<CKvJobData*>(created));
    EXPECT_EQ(made->GetType(), static_cast<std::uint32_t>(K_KVJBDT_TP_TAPI_LISTEN));
    EXPECT_EQ(Handles(made->GetLineCalls()), "101 102 103 ");
    EXPECT_EQ(DestroyPayloadByType(created, K_KVJBDT_TP_TAPI_LISTEN), KV_OK);
}

} // namespace
