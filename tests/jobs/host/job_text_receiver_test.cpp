#include "jobs/host/job_text_receiver.h"

#include "jobs/job_data_client2.h"
#include "jobs/jobs_test_support.h"

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

} // namespace
