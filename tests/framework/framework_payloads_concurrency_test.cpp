#include "framework/framework_payloads.h"

#include "framework/win_thread.h"
#include "framework_test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint16_t kWorker = 0x805;

// Sends a copy of every REQUEST back to its source as an INFO.
class CloningThread : public CKvWinThread {
public:
    explicit CloningThread(CKvMessageRouter* router)
        : CKvWinThread(router, kWorker, "cloner", false) {
        routing_enabled_ = true;
    }
    ~CloningThread() override { JoinThread(); }

protected:
    bool OnInitInstance() override {
        GetStartedEvent().Set();
        return true;
    }
    KvResult OnRequest(CKvMessage* message) override {
        CKvMessage* copy = nullptr;
        message->Clone(copy);
        if (copy != nullptr) {
            copy->SetKind(KV_MSG_KIND_INFO);
            copy->Send(message->GetSourceEndpoint(), kWorker, GetRouter(), 0, true, false);
        }
        return CKvWinThread::OnRequest(message);
    }
};

using FrameworkPayloadsConcurrency = RouterFixture;

} // namespace

TEST_F(FrameworkPayloadsConcurrency, EveryPayloadCrossesThreadsAndIsDestroyedOnce) {
    RegisterFrameworkPayloads();
    CloningThread worker(&router_);
    ASSERT_TRUE(worker.CreateThread());
    ASSERT_TRUE(worker.WaitStarted(kWait));
    std::vector<std::int32_t> codes;
    for (std::int32_t code = 1; code <= KV_PAYLOAD_TYPE_MAX; ++code) {
        auto* message = new CKvMessage;
        void* payload = nullptr;
        if (!message->CreatePayload(payload, code)) {
            message->Release();
            continue;
        }
        codes.push_back(code);
        ASSERT_EQ(SendFromSelf(kWorker, KV_MSG_KIND_REQUEST, 2, message), KV_OK);
    }
    ASSERT_EQ(codes.size(), 21u);
    for (std::int32_t code : codes) {
        SCOPED_TRACE(code);
        CKvMessage* copy = queue_.Wait();
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->GetPayloadType(), code);
        EXPECT_NE(copy->GetPayload(), nullptr);
        copy->Release();
    }
    ASSERT_EQ(SendFromSelf(kWorker, KV_MSG_KIND_INFO, KV_MSG_COMMAND_QUIT), KV_OK);
    ASSERT_TRUE(worker.WaitEnded(1, kWait));
    EXPECT_EQ(counting_.Live(), 0);
    EXPECT_EQ(CountingPayload::created, 2);
}
