#include "jobs/job_data_tapi_dial.h"

#include "jobs_test_support.h"
#include "platform/clock.h"
#include "tapi/tapi_payloads.h"

namespace {

// The call on a stopped clock.
constexpr const char* kGolden =
    "<JobData type=\"K_KVJBDT_TP_TAPI_DIAL\"><messagetype>REQUEST</messagetype>"
    "<attribute>UNSPECIFIED</attribute><idtarget>0</idtarget><idsource>4</idsource>"
    "<JobDataTAPIDial idsource=\"4\"><loginname>anna</loginname><hostname>ws1</hostname>"
    "<hostip>10.0.0.7</hostip><portnumber>4000</portnumber>"
    "<targetnumber>0301234</targetnumber>"
    "<KVTAPICALL "
    "identifier=\"\"><hcall>0</hcall><linename>Desk</linename><hline>3</hline><reqid>0</reqid>"
    "<state>32768</state><stateprev>32768</stateprev><callednumber>0301234</callednumber>"
    "<wmidnotif>0</wmidnotif><idtargetnotif>0</idtargetnotif>"
    "<kvtapifunc>3</kvtapifunc><timedatestate>3913056000.000</timedatestate>"
    "<statesreached>0</statesreached><origin>1</origin><features>0</features>"
    "<foreignhandle>0</foreignhandle><timedatecreated>3913056000.000</timedatecreated>"
    "<timedateconnected>0.000</timedateconnected><timedatedisconnected>0.000"
    "</timedatedisconnected><phonenewlineindex>4294967295</phonenewlineindex>"
    "</KVTAPICALL></JobDataTAPIDial></JobData>";

void RegisterAll() {
    RegisterAllPayloads();
    RegisterTapiPayloads();
}

TEST(JobDataTAPIDial, IsWrittenWithItsCallAndReadBack) {
    RegisterAll();
    ManualClock clock{1704067200, 0, 1000};
    ScopedClock scoped_clock{clock};
    CKvJobDataTAPIDial job;
    job.SetHeader(KV_MSG_KIND_REQUEST, 0, 0, 4);
    job.SetLoginName("anna");
    job.GetPeerComputer().SetName("ws1");
    job.SetPeerAddressText("10.0.0.7");
    job.GetPeerComputer().SetPort(4000);
    job.SetTargetNumber(" 0301234 ");
    job.GetCall().GetHline() = 3;
    job.GetCall().GetCalledNumber() = "0301234";
    job.GetCall().GetLineName() = "Desk";
    job.GetCall().GetKvTapiFunc() = 3;
    job.GetCall().GetOrigin().FormatText(1);
    std::string text;
    ASSERT_EQ(job.Serialize(text), KV_OK);
    EXPECT_EQ(text, kGolden);

    CKvJobDataTAPIDial read;
    ASSERT_EQ(ReadJobText(text, read), KV_OK);
    EXPECT_EQ(read.GetIdSource(), 4u);
    EXPECT_EQ(read.GetTargetNumber(), "0301234");
    EXPECT_EQ(read.GetCall().GetLineName(), "Desk");
    read.SetHeader(KV_MSG_KIND_REQUEST, 0, 0, 4);
    std::string again;
    ASSERT_EQ(read.Serialize(again), KV_OK);
    EXPECT_EQ(again, text);
}

TEST(JobDataTAPIDial, EveryItemIsWrittenEvenEmpty) {
    RegisterAll();
    CKvJobDataTAPIDial job;
    std::string text;
    ASSERT_EQ(job.Serialize(text), KV_OK);
    EXPECT_NE(text.find("<JobDataTAPIDial idsource=\"0\"><loginname /><hostname /><hostip>0.0.0.0"
                        "</hostip><portnumber>0</portnumber><targetnumber /><KVTAPICALL "),
              std::string::npos)
        << text;
    CKvJobDataTAPIDial read;
    EXPECT_EQ(ReadJobText(text, read), KV_OK);
}

TEST(JobDataTAPIDial, ReadingWantsExactlyFiveTextElements) {
    RegisterAll();
    const std::string head = "<JobData><JobDataTAPIDial idsource=\"2\">";
    const std::string five = "<loginname>a</loginname><hostname>h</hostname><hostip>1.2.3.4"
                             "</hostip><portnumber>9</portnumber>";
    const struct {
        std::string body;
        KvResult expected;
    } cases[] = {
        {five + "<targetnumber>1</targetnumber>", KV_OK},
        {five, KV_E_FAIL},
        {five + "<targetnumber>1</targetnumber><targetnumber>2</targetnumber>", KV_E_FAIL},
        {five + "<hostname>h</hostname><targetnumber>1</targetnumber>", KV_E_FAIL},
        {five + "<targetnumber>1</targetnumber><other>x</other>", KV_OK},
    };
    for (const auto& c : cases) {
        CKvJobDataTAPIDial job;
        EXPECT_EQ(ReadJobText(head + c.body + "</JobDataTAPIDial></JobData>", job), c.expected)
            << c.body;
    }
    CKvJobDataTAPIDial job;
    EXPECT_NE(ReadJobText("<JobData><JobDataTAPIDial/></JobData>", job), KV_OK);
}

TEST(JobDataTAPIDial, CopyClonesTheOriginatorAndLeavesTheCallBehind) {
    RegisterAll();
    CKvJobDataTAPIDial job;
    job.SetHeader(KV_MSG_KIND_REQUEST, 0, 0, 6);
    job.SetTargetNumber("77");
    job.SetOwnNumber("21");
    job.GetLineText() = "Desk";
    job.GetCall().GetHcall() = 99;
    job.GetLineEndpoint() = 3000;
    job.GetOriginatorRecord() = std::make_unique<CKvDataCall>();
    job.GetOriginatorRecord()->GetLastName() = "Meier";

    CKvJobDataTAPIDial copy;
    copy.CopyFrom(job);
    EXPECT_EQ(copy.GetTargetNumber(), "77");
    EXPECT_EQ(copy.GetOwnNumber(), "21");
    EXPECT_EQ(copy.GetLineText(), "Desk");
    EXPECT_EQ(copy.GetIdSource(), 6u);
    EXPECT_EQ(copy.GetCall().GetHcall(), 0u);
    EXPECT_EQ(copy.GetLineEndpoint(), 0u);
    ASSERT_NE(copy.GetOriginatorRecord(), nullptr);
    EXPECT_NE(copy.GetOriginatorRecord().get(), job.GetOriginatorRecord().get());
    EXPECT_EQ(copy.GetOriginatorRecord()->GetLastName(), "Meier");

    CKvJobDataTAPIDial none;
    copy.CopyFrom(none);
    EXPECT_EQ(copy.GetOriginatorRecord(), nullptr);

    void* created = nullptr;
    ASSERT_TRUE(CreatePayloadByType(created, K_KVJBDT_TP_TAPI_DIAL));
    ASSERT_TRUE(CopyPayloadByType(created, static_cast<CKvJobData*>(&job), K_KVJBDT_TP_TAPI_DIAL));
    auto* made = static_cast<CKvJobDataTAPIDial*>(static_cast<CKvJobData*>(created));
    EXPECT_EQ(made->GetTargetNumber(), "77");
    EXPECT_EQ(DestroyPayloadByType(created, K_KVJBDT_TP_TAPI_DIAL), KV_OK);
}

} // namespace
