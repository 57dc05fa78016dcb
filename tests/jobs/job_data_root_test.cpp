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
