#include "jobs/host/job_text_receiver.h"

#include "capi/capi_func_data.h"
#include "data/data_device.h"
#include "jobs/job_data_capi_server.h"
#include "jobs/job_data_client2.h"
#include "jobs/job_data_listen2.h"
#include "jobs/job_data_tapi_dial.h"
#include "jobs/job_data_tapi_listen.h"
#include "jobs/jobs_test_support.h"

#include <memory>
#include <vector>

namespace {

std::string Text(const std::string& type, const std::string& kind, const std::string& attribute,
                 const std::string& idtarget, const std::string& idsource,
                 const std::string& element =
                     "<JobDataClient><notifycalls>yes</notifycalls><loginname>anna</loginname>"
                     "<hostname>ws1</hostname><hostip>10.0.0.5</hostip>"
                     "<portnumber>4100</portnumber></JobDataClient>") {
    return "<JobData type=\"" + type + "\"><messagetype>" + kind + "</messagetype><attribute>" +
           attribute + "</attribute><idtarget>" + idtarget + "</idtarget><idsource>" + idsource +
           "</idsource>" + element + "</JobData>";
}

const std::string kClient2 = "K_KVJBDT_TP_CLIENT2";

TEST(JobTextReceiver, AnAcceptedTextGivesTheJobAndItsMessage) {
    RegisterAllPayloads();
    CKvJobTextReceiver receiver;
    CKvMessage* message = nullptr;
    ASSERT_EQ(
        receiver.Receive(Text(kClient2, "CONFIRMATION", "ACCEPTED", "7", "4294967295"), message),
        JobTextResult::kAccepted);
    MessagePtr owned = Own(message);
    EXPECT_EQ(message->GetKind(), KV_MSG_KIND_CONFIRMATION);
    EXPECT_EQ(message->GetAttribute(), KV_MSG_ATTR_ACCEPTED);
    EXPECT_EQ(message->GetPayloadType(), K_KVJBDT_TP_CLIENT2);
    EXPECT_EQ(message->GetSourceJobId(), 7u);
    EXPECT_EQ(message->GetTargetJobId(), 4294967295u);
    EXPECT_EQ(message->GetOriginatingJobId(), 0u);
    auto* job = static_cast<CKvJobDataClient2*>(JobFromPayload(message->GetPayload()));
    EXPECT_EQ(job->GetSubType(), static_cast<std::uint32_t>(K_KVJBDT_TP_CLIENT2));
    EXPECT_EQ(job->GetMessageType(), static_cast<std::uint32_t>(KV_MSG_KIND_CONFIRMATION));
    EXPECT_EQ(job->GetAttribute(), static_cast<std::uint32_t>(KV_MSG_ATTR_ACCEPTED));
    EXPECT_EQ(job->GetIdTarget(), 7u);
    EXPECT_EQ(job->GetIdSource(), 4294967295u);
    EXPECT_EQ(job->GetLoginName(), "anna");
    EXPECT_EQ(job->GetPeerComputer().GetPort(), 4100u);
}

TEST(JobTextReceiver, EachRuleRejectsWithItsOwnResult) {
    RegisterAllPayloads();
    const struct {
        const char* rule;
        std::string text;
        JobTextResult result;
    } cases[] = {
        {"too large", std::string(CKvJobTextReceiver::kMaxTextBytes + 1, ' '),
         JobTextResult::kTooLarge},
        {"not XML", "<JobData type=\"K_KVJBDT_TP_CLIENT2\"><messagetype>", JobTextResult::kNotXml},
        {"no JobData", "<Other/>", JobTextResult::kNoJobData},
        {"JobData without children", "<JobData type=\"K_KVJBDT_TP_CLIENT2\"/>",
         JobTextResult::kNoJobData},
        {"unknown type", Text("K_KVJBDT_TP_NONE", "REQUEST", "UNSPECIFIED", "0", "1"),
         JobTextResult::kUnknownType},
        {"unspecified type", Text("K_KVJBDT_TP_UNSPECIFIED", "REQUEST", "UNSPECIFIED", "0", "1"),
         JobTextResult::kUnknownType},
        {"no type", "<JobData><messagetype>REQUEST</messagetype></JobData>",
         JobTextResult::kUnknownType},
        {"error kind", Text(kClient2, "ERROR_MSSTPE_UNKNOWN", "UNSPECIFIED", "0", "1"),
         JobTextResult::kUnknownKind},
        {"lower-case kind", Text(kClient2, "request", "UNSPECIFIED", "0", "1"),
         JobTextResult::kUnknownKind},
        {"error attribute", Text(kClient2, "REQUEST", "ERROR_ATTRIBUTE_UNKNOWN", "0", "1"),
         JobTextResult::kUnknownAttribute},
        {"signed id", Text(kClient2, "REQUEST", "UNSPECIFIED", "-1", "1"), JobTextResult::kBadId},
        {"id above 32 bits", Text(kClient2, "REQUEST", "UNSPECIFIED", "0", "4294967296"),
         JobTextResult::kBadId},
        {"empty id", Text(kClient2, "REQUEST", "UNSPECIFIED", "", "1"), JobTextResult::kBadId},
        {"spaced id", Text(kClient2, "REQUEST", "UNSPECIFIED", "0", " 1"), JobTextResult::kBadId},
        {"name without class", Text("K_KVJBDT_TP_CHAT2", "REQUEST", "UNSPECIFIED", "0", "1"),
         JobTextResult::kNoJobClass},
        {"type with another element",
         Text(kClient2, "REQUEST", "UNSPECIFIED", "0", "1", "<JobDataListen/>"),
         JobTextResult::kReadFailed},
        {"root without XML form", Text("K_KVJBDT_TP_ROOT", "REQUEST", "UNSPECIFIED", "0", "1"),
         JobTextResult::kReadFailed},
    };
    CKvJobTextReceiver receiver;
    for (const auto& row : cases) {
        SCOPED_TRACE(row.rule);
        CKvMessage* message = reinterpret_cast<CKvMessage*>(1);
        EXPECT_EQ(receiver.Receive(row.text, message), row.result);
        EXPECT_EQ(message, nullptr);
    }
}

TEST(JobTextReceiver, ATextHoldsOneJobDataAndNothingElseButSpaceCommentsAndTheDeclaration) {
    RegisterAllPayloads();
    const std::string job = Text(kClient2, "REQUEST", "UNSPECIFIED", "0", "1");
    const struct {
        const char* rule;
        std::string text;
        JobTextResult result;
    } cases[] = {
        {"alone", job, JobTextResult::kAccepted},
        {"declaration, space and comments", "<?xml version=\"1.0\"?>\r\n<!-- a -->\n" + job +
                                                 "\n<!-- b -->\t\n",
         JobTextResult::kAccepted},
        {"a second text", job + job, JobTextResult::kNotOneJobData},
        {"an element before it", "<Other/>" + job, JobTextResult::kNotOneJobData},
        {"an element after it", job + "<Other/>", JobTextResult::kNotOneJobData},
        {"text before it", "x" + job, JobTextResult::kNotOneJobData},
        {"text after it", job + "x", JobTextResult::kNotOneJobData},
        {"another processing instruction", "<?style a?>" + job, JobTextResult::kNotOneJobData},
    };
    CKvJobTextReceiver receiver;
    for (const auto& row : cases) {
        SCOPED_TRACE(row.rule);
        CKvMessage* message = reinterpret_cast<CKvMessage*>(1);
        EXPECT_EQ(receiver.Receive(row.text, message), row.result);
        MessagePtr owned = Own(message);
        EXPECT_EQ(message != nullptr, row.result == JobTextResult::kAccepted);
    }
}

TEST(JobTextReceiver, ALoginNameWithMarkupAndUmlautsTravelsUnchanged) {
    RegisterAllPayloads();
    CKvJobDataClient2 job;
    job.SetLoginName("<\xFC");
    job.SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 0, 7);
    std::string text;
    ASSERT_EQ(job.Serialize(text), KV_OK);
    EXPECT_EQ(text.find('<' + std::string("\xFC")), std::string::npos);
    CKvJobTextReceiver receiver;
    CKvMessage* message = nullptr;
    ASSERT_EQ(receiver.Receive(text, message), JobTextResult::kAccepted);
    MessagePtr owned = Own(message);
    CKvJobData* received = JobFromPayload(message->GetPayload());
    EXPECT_EQ(received->GetLoginName(), "<\xFC");
    std::string again;
    ASSERT_EQ(received->Serialize(again), KV_OK);
    EXPECT_EQ(again, text);
}

TEST(JobTextReceiver, JobIdsArePlainDigitsUpTo32Bits) {
    const struct {
        const char* text;
        bool valid;
        std::uint32_t value;
    } cases[] = {{"0", true, 0},   {"4294967295", true, 4294967295u},
                 {"007", true, 7}, {"4294967296", false, 0},
                 {"+1", false, 0}, {"1a", false, 0},
                 {"", false, 0}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.text);
        std::uint32_t id = 99;
        EXPECT_EQ(ParseJobId(row.text, id), row.valid);
        if (row.valid) {
            EXPECT_EQ(id, row.value);
        }
    }
}

// Fills the peer part every job text carries; the host name holds an entity.
template <typename Job> void SetPeer(Job& job, std::uint32_t kind, std::uint32_t attribute) {
    job.SetLoginName("anna.mueller");
    job.GetPeerComputer().Set("work&station-17.example", 0xC0A80114, 40123);
    job.SetHeader(kind, attribute, 1234, 5678);
}

template <typename Job> std::string TextOf(Job& job) {
    std::string text;
    job.Serialize(text);
    return text;
}

std::string Client2Text() {
    CKvJobDataClient2 job;
    SetPeer(job, KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED);
    job.SetNotifyCalls(1);
    return TextOf(job);
}

std::string Listen2Text() {
    CKvJobDataListen2 job;
    SetPeer(job, KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED);
    for (int i = 0; i < 3; ++i) {
        auto* device = new CKvDataDevice;
        std::string number = "0301234" + std::to_string(100 + i);
        device->SetNumber(number);
        device->GetDeviceNumber() = std::to_string(i);
        device->GetTapiLine() = "ISDN line " + std::to_string(i);
        device->GetAlias() = "Desk <" + std::to_string(200 + i) + ">";
        job.GetDeviceStore().Add(device);
    }
    return TextOf(job);
}

std::string CapiServerText() {
    CKvJobDataCAPIServer job;
    SetPeer(job, KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED);
    auto record = std::make_shared<CAPIFuncData>();
    record->SetType(CAPIFuncData::kPutMessage);
    record->SetId(77);
    record->SetApplicationId(1);
    std::vector<std::uint8_t> message(CAPIFuncData::kMaxMessageLength);
    for (std::size_t i = 0; i < message.size(); ++i)
        message[i] = static_cast<std::uint8_t>(i * 7);
    message[0] = static_cast<std::uint8_t>(message.size() & 0xFF);
    message[1] = static_cast<std::uint8_t>(message.size() >> 8);
    record->SetMessage(message.data());
    job.SetCarriedRecord(record);
    return TextOf(job);
}

std::string TapiListenText() {
    CKvJobDataTAPIListen job;
    SetPeer(job, KV_MSG_KIND_INFO, KV_MSG_ATTR_NOTIFICATION);
    job.GetLineCalls().GetIdentifier() = "Line 1";
    job.GetLineCalls().GetHline() = 7;
    for (std::uint32_t hcall = 1; hcall <= 3; ++hcall) {
        KVTAPICALL* call = nullptr;
        job.GetLineCalls().CreateCall(call, hcall);
        if (call != nullptr)
            call->GetCalledNumber() = "0301234" + std::to_string(hcall);
    }
    for (int line = 0; line < 3; ++line) {
        auto entry = std::make_unique<KVSTRING>();
        entry->Set("Line " + std::to_string(line), std::to_string(200 + line) + "|Desk");
        job.GetLineList().Add(entry);
    }
    return TextOf(job);
}

std::string TapiDialText() {
    CKvJobDataTAPIDial job;
    SetPeer(job, KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED);
    job.SetTargetNumber("004930123456");
    job.GetCall().GetCalledNumber() = "004930123456";
    job.GetCall().GetLineName() = "Desk & hall";
    return TextOf(job);
}

TEST(JobTextReceiver, EachKindOfJobIsReadWhollyAndWrittenBackByteForByte) {
    RegisterAllPayloads();
    const struct {
        const char* kind;
        std::string text;
        std::uint32_t type;
    } cases[] = {
        {"CLIENT2", Client2Text(), K_KVJBDT_TP_CLIENT2},
        {"LISTEN2", Listen2Text(), K_KVJBDT_TP_LISTEN2},
        {"CAPISERVER", CapiServerText(), K_KVJBDT_TP_CAPISERVER},
        {"TAPI listen", TapiListenText(), K_KVJBDT_TP_TAPI_LISTEN},
        {"TAPI dial", TapiDialText(), K_KVJBDT_TP_TAPI_DIAL},
    };
    CKvJobTextReceiver receiver;
    for (const auto& row : cases) {
        SCOPED_TRACE(row.kind);
        CKvMessage* message = nullptr;
        ASSERT_EQ(receiver.Receive(row.text, message), JobTextResult::kAccepted);
        MessagePtr owned = Own(message);
        EXPECT_EQ(message->GetPayloadType(), static_cast<std::int32_t>(row.type));
        EXPECT_EQ(message->GetSourceJobId(), 1234u);
        EXPECT_EQ(message->GetTargetJobId(), 5678u);
        CKvJobData* job = JobFromPayload(message->GetPayload());
        EXPECT_EQ(job->GetSubType(), row.type);
        EXPECT_EQ(job->GetLoginName(), "anna.mueller");
        EXPECT_EQ(job->GetPeerComputer().GetName(), "work&station-17.example");
        EXPECT_EQ(job->GetPeerComputer().GetAddress(), 0xC0A80114u);
        EXPECT_EQ(job->GetPeerComputer().GetAddressText(), "192.168.1.20");
        EXPECT_EQ(job->GetPeerComputer().GetPort(), 40123u);
        std::string again;
        ASSERT_EQ(job->Serialize(again), KV_OK);
        EXPECT_EQ(again, row.text);
    }
}

// The header's child values are compared as decoded text, an entity spelling
// a letter or a digit reading as that letter or digit; the type attribute is
// compared as written.
TEST(JobTextReceiver, HeaderChildValuesAreReadAfterTheirEntitiesAreDecoded) {
    RegisterAllPayloads();
    CKvJobTextReceiver receiver;
    CKvMessage* message = nullptr;
    ASSERT_EQ(receiver.Receive(Text(kClient2, "REQ&#85;EST", "&#65;CCEPTED", "&#49;2", "3&#52;"),
                               message),
              JobTextResult::kAccepted);
    MessagePtr owned = Own(message);
    EXPECT_EQ(message->GetPayloadType(), K_KVJBDT_TP_CLIENT2);
    EXPECT_EQ(message->GetKind(), KV_MSG_KIND_REQUEST);
    EXPECT_EQ(message->GetAttribute(), KV_MSG_ATTR_ACCEPTED);
    EXPECT_EQ(message->GetSourceJobId(), 12u);
    EXPECT_EQ(message->GetTargetJobId(), 34u);
    CKvMessage* rejected = nullptr;
    EXPECT_EQ(receiver.Receive(Text("K_KVJBDT_TP_CLIENT&#50;", "REQUEST", "UNSPECIFIED", "0", "1"),
                               rejected),
              JobTextResult::kUnknownType);
    EXPECT_EQ(rejected, nullptr);
}

} // namespace

