#include "capi/capi_function_manager.h"

#include "capi_service_fixture.h"
#include "capi_test_support.h"

namespace {

class CapiFunctionManagerTest : public CapiServiceFixture {
protected:
    void SetUp() override {
        CapiServiceFixture::SetUp();
        StartListening();
        auto* manager = new CapiFunctionManager;
        auto* request = new CKvMessage;
        request->SetHeader(KV_MSG_KIND_REQUEST, manager, KV_PAYLOAD_CAPI_FUNCTION_MANAGER,
                           KV_MSG_COMMAND_NOTIFICATION, 5, 0);
        request->SetJobIds(0, 81, 0);
        ASSERT_EQ(request->Send(CapiService::kEndpoint, kJob, &router_, 0, true, false), KV_OK);
        Drive(2);
        const auto accepted = JobMessagesWith(KV_MSG_ATTR_ACCEPTED);
        ASSERT_EQ(accepted.size(), 1u);
        manager_id_ = accepted[0]->GetTargetJobId();
        manager_ = static_cast<CapiFunctionManager*>(
            service_.GetHost().FindManagerByJobId(manager_id_));
        ASSERT_NE(manager_, nullptr);
    }
    // Posts a record to the manager and drives; the answer, or null.
    CAPIFuncData* Call(std::uint32_t type, std::int32_t appl_id = -1,
                       const Bytes& message = {}) {
        auto* record = new CAPIFuncData;
        record->SetType(type);
        record->SetId(++next_id_);
        record->SetApplicationId(appl_id < 0 ? static_cast<std::int32_t>(manager_->GetApplId())
                                             : appl_id);
        record->SetRegisterParameter(0, 3072);
        record->SetRegisterParameter(1, 2);
        record->SetRegisterParameter(2, 7);
        record->SetRegisterParameter(3, 2048);
        if (!message.empty())
            record->SetMessage(message.data());
        auto* request = new CKvMessage;
        request->SetHeader(KV_MSG_KIND_REQUEST, record, KV_PAYLOAD_CAPI_FUNC_DATA, 0, 0, 0);
        request->SetJobIds(manager_id_, 81, 0);
        EXPECT_EQ(request->Send(CapiService::kEndpoint, kJob, &router_, 0, true, false), KV_OK);
        Drive(2);
        return Answer(next_id_);
    }
    CAPIFuncData* Answer(std::int32_t id) const {
        for (CKvMessage* message : job_messages_)
            if (message->GetPayloadType() == KV_PAYLOAD_CAPI_FUNC_DATA &&
                static_cast<CAPIFuncData*>(message->GetPayload())->GetId() == id)
                return static_cast<CAPIFuncData*>(message->GetPayload());
        return nullptr;
    }
    std::size_t PutCount() const { return capi_.GetPutMessages().size(); }

    std::uint32_t manager_id_ = 0;
    CapiFunctionManager* manager_ = nullptr;
    std::int32_t next_id_ = 0;
};

TEST_F(CapiFunctionManagerTest, RegistersOnceOnly) {
    CAPIFuncData* first = Call(CAPIFuncData::kRegister, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetReturnValue(), 0);
    EXPECT_EQ(first->GetFlagReturnText(), "true");
    EXPECT_NE(first->GetApplicationId(), 0);
    EXPECT_NE(manager_->GetApplId(), service_.GetHost().GetApplId());
    CAPIFuncData* second = Call(CAPIFuncData::kRegister, 0);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->GetReturnValue(), 0x1008);
}

TEST_F(CapiFunctionManagerTest, RefusesAForeignApplicationWithoutCallingCapi) {
    Call(CAPIFuncData::kRegister, 0);
    const std::size_t puts = PutCount();
    const Bytes listen = MessageImage().Dword(1).Dword(0).Dword(0x11).Dword(0).Empty().Empty().Finish(
        CAPI_LISTEN, CAPI_REQ, 1, static_cast<std::uint16_t>(manager_->GetApplId()));
    CAPIFuncData* foreign = Call(CAPIFuncData::kPutMessage, 99, listen);
    ASSERT_NE(foreign, nullptr);
    EXPECT_EQ(foreign->GetReturnValue(), 0x1108);
    // A message naming another application in its header is refused too.
    const Bytes owners = MessageImage().Dword(1).Dword(0).Dword(0x11).Dword(0).Empty().Empty().Finish(
        CAPI_LISTEN, CAPI_REQ, 1, static_cast<std::uint16_t>(service_.GetHost().GetApplId()));
    EXPECT_EQ(Call(CAPIFuncData::kPutMessage, -1, owners)->GetReturnValue(), 0x1108);
    const Bytes data_b3 = MessageImage().Dword(0x10101).Dword(0).Word(0).Word(1).Word(0).Finish(
        CAPI_DATA_B3, CAPI_REQ, 1, static_cast<std::uint16_t>(manager_->GetApplId()));
    EXPECT_EQ(Call(CAPIFuncData::kPutMessage, -1, data_b3)->GetReturnValue(), 0x1108);
    EXPECT_EQ(PutCount(), puts);
    EXPECT_EQ(Call(CAPIFuncData::kPutMessage, -1, listen)->GetReturnValue(), 0);
    EXPECT_EQ(PutCount(), puts + 1);
}

TEST_F(CapiFunctionManagerTest, GetMessageOnAnEmptyQueueGivesTheCapiCode) {
    Call(CAPIFuncData::kRegister, 0);
    CAPIFuncData* answer = Call(CAPIFuncData::kGetMessage);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer->GetReturnValue(), 0x1104);
    EXPECT_EQ(answer->GetMessageLength(), 0u);
}

// A fetched message stays held until a GET_MESSAGE takes it: a second wait
// before that is answered at once, without fetching over it.
TEST_F(CapiFunctionManagerTest, WaitForSignalIsAnsweredOnlyAfterAMessage) {
    Call(CAPIFuncData::kRegister, 0);
    EXPECT_EQ(Call(CAPIFuncData::kWaitForSignal), nullptr);
    const std::int32_t wait_id = next_id_;
    const Bytes listen = MessageImage().Dword(1).Dword(0).Dword(0x11).Dword(0).Empty().Empty().Finish(
        CAPI_LISTEN, CAPI_REQ, 1, static_cast<std::uint16_t>(manager_->GetApplId()));
    Call(CAPIFuncData::kPutMessage, -1, listen);
    Drive(1);
    ASSERT_NE(Answer(wait_id), nullptr);
    EXPECT_EQ(Answer(wait_id)->GetReturnValue(), 0);
    EXPECT_TRUE(manager_->HasCurrentMessage());
    const std::size_t fetches = capi_.GetMessageCalls(manager_->GetApplId());
    CAPIFuncData* second_wait = Call(CAPIFuncData::kWaitForSignal);
    ASSERT_NE(second_wait, nullptr);
    EXPECT_EQ(second_wait->GetReturnValue(), 0);
    EXPECT_EQ(capi_.GetMessageCalls(manager_->GetApplId()), fetches);
    CAPIFuncData* got = Call(CAPIFuncData::kGetMessage);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->GetReturnValue(), 0);
    EXPECT_EQ(got->GetMessage()[kCapiOffsetCommand], CAPI_LISTEN);
    EXPECT_EQ(got->GetMessage()[kCapiOffsetSubcommand], CAPI_CONF);
    EXPECT_FALSE(manager_->HasCurrentMessage());
}

TEST_F(CapiFunctionManagerTest, ASecondWaitAnswersTheFirstNotAvailable) {
    Call(CAPIFuncData::kRegister, 0);
    Call(CAPIFuncData::kWaitForSignal);
    const std::int32_t first = next_id_;
    Call(CAPIFuncData::kWaitForSignal);
    ASSERT_NE(Answer(first), nullptr);
    EXPECT_EQ(Answer(first)->GetReturnValue(), 0x1108);
    EXPECT_EQ(Answer(next_id_), nullptr);
}

TEST_F(CapiFunctionManagerTest, EndedReleasesTheApplicationAndEnds) {
    Call(CAPIFuncData::kRegister, 0);
    const std::uint32_t free_before = service_.GetHost().GetConnectionTable().GetFreeCount();
    auto* stop = new CKvMessage;
    stop->SetHeader(KV_MSG_KIND_INFO, nullptr, 0, 0, 0, 0);
    stop->SetAttribute(KV_MSG_ATTR_ENDED);
    stop->SetJobIds(manager_id_, 81, 0);
    ASSERT_EQ(stop->Send(CapiService::kEndpoint, kJob, &router_, 0, true, false), KV_OK);
    Drive(3);
    EXPECT_EQ(service_.GetHost().FindManagerByJobId(manager_id_), nullptr);
    EXPECT_EQ(service_.GetHost().GetConnectionTable().GetFreeCount(), free_before + 1);
}

} // namespace
