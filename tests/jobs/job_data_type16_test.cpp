#include "jobs/job_data_type16.h"

#include "jobs_test_support.h"

namespace {

TEST(JobDataType16, HasNoStepAndNoXmlForm) {
    RegisterAllPayloads();
    CKvJobDataType16 job;
    EXPECT_EQ(job.GetType(), 16u);
    EXPECT_STREQ(CKvJobData::TypeName(job.GetType()), "K_KVJBDT_TP_UNSPECIFIED");
    EXPECT_EQ(job.StepRequester(), KV_E_FAIL);
    EXPECT_EQ(job.StepExecutor(), KV_E_FAIL);
    EXPECT_EQ(job.CheckRootJob(), KV_E_FAIL);
    EXPECT_EQ(job.GetState(), 0u);
    std::string text;
    EXPECT_EQ(job.Serialize(text), KV_E_FAIL);
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(job.ReadXml(nullptr), KV_E_FAIL);
}

TEST(JobDataType16, ThePayloadCopyTakesTextsIdsAndComputersButNotTheState) {
    RegisterAllPayloads();
    void* source_payload = nullptr;
    void* copy_payload = nullptr;
    ASSERT_TRUE(CreatePayloadByType(source_payload, KV_PAYLOAD_JOB_TYPE16));
    ASSERT_TRUE(CreatePayloadByType(copy_payload, KV_PAYLOAD_JOB_TYPE16));
    auto* source = static_cast<CKvJobDataType16*>(JobFromPayload(source_payload));
    auto* copy = static_cast<CKvJobDataType16*>(JobFromPayload(copy_payload));
    source->SetIds(4, 5);
    source->SetLoginName("anna");
    source->SetTransportMode(KV_TRANSPORT_LOCAL);
    source->GetTexts() = {"a", "b", "c", "d", "e", "f"};
    source->GetPeerComputer().Set("ws", 0x0A000001, 10);
    source->ChangeState(10);
    ASSERT_TRUE(CopyPayloadByType(copy_payload, source_payload, KV_PAYLOAD_JOB_TYPE16));
    EXPECT_EQ(copy->GetIdTarget(), 4u);
    EXPECT_EQ(copy->GetIdSource(), 5u);
    EXPECT_EQ(copy->GetLoginName(), "anna");
    EXPECT_EQ(copy->GetTransportMode(), KV_TRANSPORT_LOCAL);
    EXPECT_EQ(copy->GetTexts()[5], "f");
    EXPECT_EQ(copy->GetPeerComputer().GetPort(), 10u);
    EXPECT_EQ(copy->GetState(), 0u);
    DestroyPayloadByType(source_payload, KV_PAYLOAD_JOB_TYPE16);
    DestroyPayloadByType(copy_payload, KV_PAYLOAD_JOB_TYPE16);
}

} // namespace
