#include "framework/win_app.h"

#include "framework_test_support.h"

#include <gtest/gtest.h>

namespace {

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
    // Starts the application and registers the requester in its router.
    void Start(TestThreadQueue& requester) {
        ASSERT_TRUE(CreateThread());
        ASSERT_TRUE(ready.Wait(kWait));
        ASSERT_EQ(GetRouter()->RegisterThread(kRequester, requester.GetThreadId(), nullptr), KV_OK);
    }
    KvResult Send(std::int32_t kind, std::int32_t command, CKvMessage* message = nullptr) {
        if (message == nullptr)
            message = new CKvMessage;
        message->SetKindAndCommand(kind, command, 0);
        return message->Send(kApp, kRequester, GetRouter(), 0, true, false);
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

} // namespace

TEST(WinApp, RegistersInItsOwnRouterDispatchesByKindAndGivesTheLocksBack) {
    ScopedCountingPayload counting;
    TestThreadQueue requester;
    const std::uint32_t locks_before = GetHandleTable().GetCount();
    {
        TestApp app;
        EXPECT_EQ(app.Stop(kWait), KV_E_FAIL) << "not started";
        app.Start(requester);
        EXPECT_EQ(GetHandleTable().GetCount(), locks_before + 2);
        ASSERT_EQ(app.Send(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_ANSWER_AT_ONCE), KV_OK);
        ASSERT_EQ(app.Send(KV_MSG_KIND_INFO, 1), KV_OK);
        ASSERT_EQ(app.Send(6, 0, NewMessageWithCountingPayload(1)), KV_OK);
        ASSERT_EQ(app.Send(KV_MSG_KIND_SIGNAL, 0, NewMessageWithCountingPayload(2)), KV_OK);
        EXPECT_EQ(app.Stop(kWait), KV_OK);
        EXPECT_EQ(app.Results(), (std::vector<KvResult>{KV_OK, KV_E_NOT_HANDLED, KV_E_UNKNOWN_KIND,
                                                        KV_E_UNKNOWN_KIND, KV_OK}));
        EXPECT_EQ(counting.Live(), 0);
        CKvMessage* answer = requester.Wait();
        ASSERT_NE(answer, nullptr);
        EXPECT_EQ(std::tuple(answer->GetKind(), answer->GetSourceEndpoint()),
                  std::tuple(KV_MSG_KIND_CONFIRMATION, kApp));
        answer->Release();
    }
    EXPECT_EQ(GetHandleTable().GetCount(), locks_before);
}

TEST(WinApp, AQuitRequestEndsTheLoopWithoutAnswerAndStopZeroReportsTheTimeOut) {
    TestThreadQueue requester;
    TestApp app;
    app.Start(requester);
    ASSERT_EQ(app.Send(KV_MSG_KIND_REQUEST, kGateCommand), KV_OK);
    ASSERT_TRUE(app.in_gate.Wait(kWait));
    ASSERT_EQ(app.Send(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_QUIT), KV_OK);
    EXPECT_EQ(app.Stop(0), KV_E_TIMEOUT);
    app.gate.Set();
    ASSERT_TRUE(app.WaitForExit(kWait));
    EXPECT_EQ(app.Stop(0), KV_OK);
    EXPECT_TRUE(app.GetEndedEvent().IsSet());
    EXPECT_EQ(std::tuple(app.GetState(), requester.GetCount()), std::tuple(CKvWinApp::kEnded, 0u));
    CKvRouterEndpoint entry;
    EXPECT_EQ(app.GetRouter()->LookupEndpoint(entry, kApp), 0);
}
