// The CAPI server jobs over two hosts on loopback: an application's calls
// posted to the workstation, executed by the server's scripted CAPI side.
#include "jobs/host/job_host.h"

#include "capi/capi_payloads.h"
#include "jobs/host/host_test_support.h"
#include "jobs/job_data_capi_server.h"
#include "jobs/jobs_test_support.h"
#include "platform/clock.h"

#include <vector>

namespace {

using Record = std::shared_ptr<CAPIFuncData>;

Record NewCall(std::uint32_t type, std::int32_t id, std::int32_t appl_id) {
    auto record = std::make_shared<CAPIFuncData>();
    record->SetType(type);
    record->SetId(id);
    record->SetApplicationId(appl_id);
    if (type == CAPIFuncData::kPutMessage) {
        std::vector<std::uint8_t> message(CAPIFuncData::kMaxMessageLength, 0x5A);
        message[0] = static_cast<std::uint8_t>(message.size() & 0xFF);
        message[1] = static_cast<std::uint8_t>(message.size() >> 8);
        record->SetMessage(message.data());
    }
    return record;
}

class CapiServerLoopbackTest : public TwoHostsTest {
protected:
    CapiServerLoopbackTest() : TwoHostsTest(true) {
        auto* client = new TestClientJob("127.0.0.1", workstation_.GetPort());
        client->SetLocalHost("server", "127.0.0.1", server_.GetPort());
        EXPECT_EQ(workstation_.AddHostJob(client, JobRole::kNone), KV_OK);
        server_client_ = new TestClientJob("127.0.0.1", workstation_.GetPort());
        EXPECT_EQ(server_.AddHostJob(server_client_, JobRole::kNone), KV_OK);
        workstation_.SetWireObserver([this](const std::string& text) { texts_.push_back(text); });
    }

    bool Completes(const Record& record) {
        return Run([&] { return record->IsCompleted(); });
    }
    CKvJobData* Executor() {
        return static_cast<CKvJobData*>(server_.GetHandler().FirstJob(K_KVJBDT_TP_CAPISERVER));
    }
    // Registers the application; its ApplID.
    std::int32_t Register() {
        Record call = NewCall(CAPIFuncData::kRegister, 1, 0);
        EXPECT_EQ(workstation_.PostCapiCall(call), KV_OK);
        EXPECT_TRUE(Completes(call));
        EXPECT_EQ(call->GetReturnValue(), 0);
        return call->GetApplicationId();
    }

    TestClientJob* server_client_ = nullptr;
    std::vector<std::string> texts_;
};

TEST_F(CapiServerLoopbackTest, AnApplicationRegistersPutsAMessageAndReleases) {
    const std::int32_t appl_id = Register();
    ASSERT_EQ(appl_id, 1);
    ASSERT_EQ(workstation_.GetApplIdRegistry().GetCount(), 1u);
    ASSERT_NE(Executor(), nullptr);

    Record put = NewCall(CAPIFuncData::kPutMessage, 2, appl_id);
    ASSERT_EQ(workstation_.PostCapiCall(put), KV_OK);
    ASSERT_TRUE(Completes(put));
    EXPECT_EQ(put->GetReturnValue(), 0);
    EXPECT_EQ(put->GetFlagReturn(), 1u);

    // A wait is held by the server; a second call of its Id is refused at
    // once, on the workstation.
    Record wait = NewCall(CAPIFuncData::kWaitForSignal, 3, appl_id);
    Record twin = NewCall(CAPIFuncData::kWaitForSignal, 3, appl_id);
    ASSERT_EQ(workstation_.PostCapiCall(wait), KV_OK);
    ASSERT_TRUE(Run([&] { return server_.GetCapiService().GetHeldCallCount() == 1; }));
    ASSERT_EQ(workstation_.PostCapiCall(twin), KV_OK);
    ASSERT_TRUE(Completes(twin));
    EXPECT_EQ(twin->GetReturnValue(), CAPIFuncData::kNotAvailable);
    EXPECT_FALSE(wait->IsCompleted());

    // The release ends both sides; the wait is completed on the way.
    Record release = NewCall(CAPIFuncData::kRelease, 4, appl_id);
    ASSERT_EQ(workstation_.PostCapiCall(release), KV_OK);
    ASSERT_TRUE(Completes(release));
    EXPECT_EQ(release->GetReturnValue(), 0);
    ASSERT_TRUE(Run([&] {
        return Executor() == nullptr &&
               workstation_.GetHandler().FirstJob(K_KVJBDT_TP_CAPISERVER) == nullptr;
    }));
    EXPECT_TRUE(wait->IsCompleted());
    EXPECT_EQ(wait->GetReturnValue(), CAPIFuncData::kNotAvailable);
    EXPECT_EQ(workstation_.GetApplIdRegistry().GetCount(), 0u);
    bool manager_ended = false;
    for (const HostServiceEntry& entry : server_.GetServiceLog(KV_ENDPOINT_CAPI))
        manager_ended = manager_ended || (entry.payload_type == CAPIFuncData::kTypeCode &&
                                          entry.attribute == KV_MSG_ATTR_ENDED);
    EXPECT_TRUE(manager_ended);

    // A call for an ApplID nobody serves is not executed.
    Record orphan = NewCall(CAPIFuncData::kPutMessage, 5, appl_id);
    ASSERT_EQ(workstation_.PostCapiCall(orphan), KV_OK);
    ASSERT_TRUE(Completes(orphan));
    EXPECT_EQ(orphan->GetReturnValue(), CAPIFuncData::kNotAvailable);
}

TEST_F(CapiServerLoopbackTest, AnUnansweredCallExpiresOnBothSides) {
    const std::int32_t appl_id = Register();
    server_.GetCapiService().ScriptCallsHeld(true);
    Record put = NewCall(CAPIFuncData::kPutMessage, 2, appl_id);
    ASSERT_EQ(workstation_.PostCapiCall(put), KV_OK);
    ASSERT_TRUE(Run([&] { return server_.GetCapiService().GetHeldCallCount() == 1; }));
    texts_.clear();
    clock_.Advance(CAPIFuncData::kTimeoutMilliseconds);
    ASSERT_TRUE(Completes(put));
    EXPECT_EQ(put->GetReturnValue(), CAPIFuncData::kNotAvailable);
    ASSERT_TRUE(Run([&] { return !texts_.empty(); }));
    EXPECT_NE(texts_[0].find("<attribute>TIMEOUT</attribute>"), std::string::npos);
    EXPECT_NE(texts_[0].find("<Id>2</Id>"), std::string::npos);
}

TEST_F(CapiServerLoopbackTest, AWaitIsCompletedWhenTheServerEnds) {
    const std::int32_t appl_id = Register();
    Record wait = NewCall(CAPIFuncData::kWaitForSignal, 2, appl_id);
    ASSERT_EQ(workstation_.PostCapiCall(wait), KV_OK);
    ASSERT_TRUE(Run([&] { return server_.GetCapiService().GetHeldCallCount() == 1; }));
    ASSERT_TRUE(
        server_.GetCapiService().ScriptManagerEnded(server_.GetCapiService().GetLastManagerId()));
    ASSERT_TRUE(Completes(wait));
    EXPECT_EQ(wait->GetReturnValue(), CAPIFuncData::kNotAvailable);
    ASSERT_TRUE(Run([&] { return workstation_.GetApplIdRegistry().GetCount() == 0; }));
}

TEST_F(CapiServerLoopbackTest, AHeldWaitIsAnsweredOnceReleased) {
    const std::int32_t appl_id = Register();
    Record wait = NewCall(CAPIFuncData::kWaitForSignal, 2, appl_id);
    ASSERT_EQ(workstation_.PostCapiCall(wait), KV_OK);
    ASSERT_TRUE(Run([&] { return server_.GetCapiService().GetHeldCallCount() == 1; }));
    // Waits never expire by their own time-out.
    clock_.Advance(5 * CAPIFuncData::kTimeoutMilliseconds);
    RunHosts({&server_, &workstation_}, [] { return false; }, 50);
    EXPECT_FALSE(wait->IsCompleted());
    EXPECT_EQ(server_.GetCapiService().ReleaseHeldCalls(), 1u);
    ASSERT_TRUE(Completes(wait));
    EXPECT_EQ(wait->GetReturnValue(), 0);
}

TEST_F(CapiServerLoopbackTest, TheServerEndsWhenItsClientJobGoes) {
    const std::int32_t appl_id = Register();
    Record wait = NewCall(CAPIFuncData::kWaitForSignal, 2, appl_id);
    ASSERT_EQ(workstation_.PostCapiCall(wait), KV_OK);
    ASSERT_TRUE(Run([&] { return server_.GetCapiService().GetHeldCallCount() == 1; }));
    server_client_->ChangeState(KV_JOB_STATE_FINISHED);
    ASSERT_TRUE(Completes(wait));
    ASSERT_TRUE(Run([&] {
        return Executor() == nullptr && workstation_.GetApplIdRegistry().GetCount() == 0;
    }));
    // The function manager was told to end, and dropped the held call.
    EXPECT_EQ(server_.GetCapiService().GetHeldCallCount(), 0u);
}

TEST_F(CapiServerLoopbackTest, APeerWithoutAClientJobIsRefused) {
    server_client_->ChangeState(KV_JOB_STATE_FINISHED);
    Record call = NewCall(CAPIFuncData::kRegister, 1, 0);
    ASSERT_EQ(workstation_.PostCapiCall(call), KV_OK);
    ASSERT_TRUE(Completes(call));
    EXPECT_EQ(call->GetReturnValue(), CAPIFuncData::kRegisterNotAvailable);
    EXPECT_EQ(call->GetApplicationId(), 0);
    ASSERT_TRUE(Run([&] {
        return workstation_.GetHandler().FirstJob(K_KVJBDT_TP_CAPISERVER) == nullptr;
    }));
    EXPECT_EQ(workstation_.GetApplIdRegistry().GetCount(), 0u);
    EXPECT_TRUE(server_.GetServiceLog(KV_ENDPOINT_CAPI).empty());
}

} // namespace
