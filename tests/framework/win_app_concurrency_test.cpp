#include "framework/win_app.h"

#include "framework_test_support.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

namespace {

constexpr DWORD kWait = 10000;
constexpr std::uint16_t kApp = 0x801;
constexpr std::uint16_t kRequester = 0x800;
constexpr std::int32_t kGateCommand = 3; // a REQUEST that holds the application at the gate

class TestApp : public CKvWinApp {
public:
    TestApp() {
        SetEndpointId(kApp);
        SetName("app");
        routing_enabled_ = true;
    }
    ~TestApp() override { JoinThread(); }

    // The result of each dispatch; read once the application has ended.
    std::vector<KvResult> Results() {
        std::lock_guard lock(mutex_);
        return results_;
    }

    ManualResetEvent ready, in_gate, gate;

protected:
    bool OnInitInstance() override {
        ready.Set();
        return true;
    }
    KvResult OnRequest(CKvMessage* message) override {
        if (message->GetCommand() == kGateCommand) {
            in_gate.Set();
            gate.Wait(kWait);
        }
        return CKvWinApp::OnRequest(message);
    }
    KvResult Dispatch(WPARAM kind, CKvMessage* message) override {
        const KvResult result = CKvWinApp::Dispatch(kind, message);
        std::lock_guard lock(mutex_);
        results_.push_back(result);
        return result;
    }

private:
    std::mutex mutex_;
    std::vector<KvResult> results_;
};

class WinAppTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app_.CreateThread());
        ASSERT_TRUE(app_.ready.Wait(kWait));
        ASSERT_EQ(app_.GetRouter()->RegisterThread(kRequester, requester_.GetThreadId(), nullptr),
                  KV_OK);
    }
    KvResult SendToApp(std::int32_t kind, std::int32_t command, CKvMessage* message = nullptr) {
        if (message == nullptr)
            message = new CKvMessage;
        message->SetKindAndCommand(kind, command, 0);
        return message->Send(kApp, kRequester, app_.GetRouter(), 0, true, false);
    }

    ScopedCountingPayload counting_;
    TestThreadQueue requester_;
    TestApp app_;
};

} // namespace

TEST_F(WinAppTest, RegistersInItsOwnRouterAndDispatchesByKind) {
    ASSERT_EQ(SendToApp(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_ANSWER_AT_ONCE), KV_OK);
    ASSERT_EQ(SendToApp(KV_MSG_KIND_INFO, 1), KV_OK);
    ASSERT_EQ(SendToApp(6, 0, NewMessageWithCountingPayload(1)), KV_OK);
    ASSERT_EQ(SendToApp(KV_MSG_KIND_SIGNAL, 0, NewMessageWithCountingPayload(2)), KV_OK);
    EXPECT_EQ(app_.Stop(kWait), KV_OK);
    EXPECT_EQ(app_.Results(), (std::vector<KvResult>{KV_OK, KV_E_NOT_HANDLED, KV_E_UNKNOWN_KIND,
                                                     KV_E_UNKNOWN_KIND, KV_OK}));
    EXPECT_EQ(counting_.Live(), 0);
    CKvMessage* answer = requester_.WaitMessage();
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer->GetKind(), KV_MSG_KIND_CONFIRMATION);
    EXPECT_EQ(answer->GetSourceEndpoint(), kApp);
    answer->Release();
}

TEST_F(WinAppTest, QuitRequestEndsTheLoopWithoutAnswer) {
    ASSERT_EQ(SendToApp(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_QUIT), KV_OK);
    ASSERT_TRUE(app_.WaitForExit(kWait));
    EXPECT_TRUE(app_.GetEndedEvent().IsSet());
    EXPECT_EQ(app_.GetState(), CKvWinApp::kEnded);
    EXPECT_EQ(requester_.GetCount(), 0u);
    CKvRouterEndpoint entry;
    EXPECT_EQ(app_.GetRouter()->LookupEndpoint(entry, kApp), 0);
}

TEST_F(WinAppTest, StopWithTimeOutZeroReportsTheTimeOutButTheApplicationEnds) {
    ASSERT_EQ(SendToApp(KV_MSG_KIND_REQUEST, kGateCommand), KV_OK);
    ASSERT_TRUE(app_.in_gate.Wait(kWait));
    EXPECT_EQ(app_.Stop(0), KV_E_TIMEOUT);
    app_.gate.Set();
    ASSERT_TRUE(app_.WaitForExit(kWait));
    EXPECT_EQ(app_.Stop(0), KV_OK);
}

TEST(WinApp, StopBeforeStartFailsAndTheRouterLocksGoBackWhenTheAppIsDestroyed) {
    const std::uint32_t before = GetHandleTable().GetCount();
    {
        TestApp app;
        EXPECT_EQ(app.Stop(kWait), KV_E_FAIL);
        ASSERT_TRUE(app.CreateThread());
        ASSERT_TRUE(app.ready.Wait(kWait));
        EXPECT_EQ(GetHandleTable().GetCount(), before + 2);
        EXPECT_EQ(app.Stop(kWait), KV_OK);
    }
    EXPECT_EQ(GetHandleTable().GetCount(), before);
}
