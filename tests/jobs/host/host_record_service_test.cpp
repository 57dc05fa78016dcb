// The records service's answers with a store: every matching record, or
// DATA_NOT_FOUND when the store refuses one.
#include "jobs/host/job_host.h"

#include "data/data_call.h"
#include "data/data_device.h"
#include "data/data_handler_store.h"
#include "jobs/host/logon_records.h"
#include "jobs/jobs_test_support.h"

#include <algorithm>
#include <numeric>

namespace {

constexpr std::uint16_t kAsker = 0x950;
constexpr std::uint32_t kFirstCall = 3900000000u;

class RecordServiceTest : public ::testing::Test {
protected:
    RecordServiceTest() : queue_(std::make_shared<MessageQueue>()) {
        RegisterAllPayloads();
        EXPECT_EQ(host_.Start("127.0.0.1"), KV_OK);
        queue_id_ = RegisterMessageQueue(queue_);
        host_.GetRouter().RegisterThread(kAsker, queue_id_, "test");
    }
    ~RecordServiceTest() override {
        host_.GetRouter().Unregister(kAsker);
        UnregisterMessageQueue(queue_id_);
        for (const ThreadMessage& left : queue_->CloseAndDrain())
            reinterpret_cast<CKvMessage*>(left.lParam)->Release();
    }

    // Asks 2048 with a request of the sub-command carrying a new record of
    // the type; the answer.
    template <typename Record>
    MessagePtr Ask(std::int32_t sub_command, std::int32_t type,
                   const std::function<void(Record&)>& fill = {}) {
        CKvMessage* message = nullptr;
        void* payload = nullptr;
        if (!host_.GetRouter().CreateMessageWithPayload(message, payload, type))
            return Own(nullptr);
        if (fill)
            fill(*static_cast<Record*>(payload));
        message->SetKindAndCommand(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_DATA, sub_command);
        message->SetJobIds(0, 7, 7);
        if (message->Send(KV_ENDPOINT_HOST_MAIN, kAsker, &host_.GetRouter(), 1, true, false) !=
            KV_OK)
            return Own(nullptr);
        host_.PumpOnce();
        ThreadMessage posted;
        if (!queue_->HasMessage() || !queue_->GetMessage(posted))
            return Own(nullptr);
        return Own(reinterpret_cast<CKvMessage*>(posted.lParam));
    }
    static std::vector<std::uint32_t> StartSeconds(const CKvMessage& answer) {
        std::vector<std::uint32_t> seconds;
        auto* store = static_cast<CKvDataHandlerStore*>(answer.GetPayload());
        CKvDataHandlerStore::Position position;
        store->GetStartPosition(&position);
        while (CKvDataHandler* record = store->GetNext(&position))
            seconds.push_back(static_cast<CKvDataCall*>(record)->GetStartTime().GetSeconds());
        std::sort(seconds.begin(), seconds.end());
        return seconds;
    }

    JobHost host_{true};
    std::shared_ptr<MessageQueue> queue_;
    DWORD queue_id_ = 0;
};

TEST_F(RecordServiceTest, TheCallQueryAndTheRequestForAllOfATypeHoldEveryMatchingCall) {
    for (std::uint32_t i = 0; i < 250; ++i)
        StoreCall(host_, kFirstCall + i, 0, "21");
    std::vector<std::uint32_t> all(250);
    std::iota(all.begin(), all.end(), kFirstCall);

    MessagePtr every =
        Ask<CKvDataCall>(HostRecordService::kSubCommandAllOfType, K_KVDT_TP_DTHDLR_DATACALL);
    ASSERT_TRUE(every);
    EXPECT_EQ(every->GetAttribute(), KV_MSG_ATTR_DATA_FOUND);
    ASSERT_EQ(every->GetPayloadType(), KV_PAYLOAD_DATA_HANDLER_STORE);
    EXPECT_EQ(StartSeconds(*every), all);

    // From the 11th call on: the 240 latest.
    MessagePtr latest = Ask<CKvDataCall>(
        HostRecordService::kSubCommandCallQuery, K_KVDT_TP_DTHDLR_DATACALL,
        [](CKvDataCall& query) { query.GetStartTime().SetFurtherWords(kFirstCall + 10, 0); });
    ASSERT_TRUE(latest);
    EXPECT_EQ(latest->GetAttribute(), KV_MSG_ATTR_DATA_FOUND);
    ASSERT_EQ(latest->GetPayloadType(), KV_PAYLOAD_DATA_HANDLER_STORE);
    EXPECT_EQ(StartSeconds(*latest), std::vector<std::uint32_t>(all.begin() + 10, all.end()));
}

TEST_F(RecordServiceTest, AStoreThatRefusesARecordMakesTheAnswerDataNotFound) {
    // A call filed among the devices: the device store refuses it.
    host_.GetRecordService().StoreRecord(std::make_unique<CKvDataDevice>(),
                                         K_KVDT_TP_DTHDLR_DATADEVICE);
    auto call = std::make_unique<CKvDataCall>();
    call->GetStartTime().SetSeconds(kFirstCall);
    host_.GetRecordService().StoreRecord(std::move(call), K_KVDT_TP_DTHDLR_DATADEVICE);

    MessagePtr answer =
        Ask<CKvDataDevice>(HostRecordService::kSubCommandAllOfType, K_KVDT_TP_DTHDLR_DATADEVICE);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->GetAttribute(), KV_MSG_ATTR_DATA_NOT_FOUND);
    EXPECT_NE(answer->GetPayloadType(), KV_PAYLOAD_DATA_HANDLER_STORE);
    EXPECT_EQ(answer->GetPayload(), nullptr);
}

} // namespace
