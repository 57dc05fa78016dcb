#include "framework/win_thread.h"

#include "framework_test_support.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr DWORD kWait = 10000;
constexpr std::uint16_t kWorker = 0x805;
constexpr std::uint16_t kRequester = 0x800;
// A REQUEST with one of these commands holds the worker until the gate opens;
// the second makes it ask for its quit first.
constexpr std::int32_t kGateCommand = 3;
constexpr std::int32_t kQuitThenGateCommand = 4;

class RecordingThread : public CKvWinThread {
public:
    RecordingThread(CKvMessageRouter* router, TestThreadQueue* requester = nullptr)
        : CKvWinThread(router, kWorker, "worker", false), requester_(requester) {
        routing_enabled_ = true;
    }
    ~RecordingThread() override { JoinThread(); }

    std::vector<std::string> Events() {
        std::lock_guard lock(mutex_);
        return events_;
    }
    std::vector<KvResult> Results() {
        std::lock_guard lock(mutex_);
        return results_;
    }
    // Waits until the worker has dispatched the given number of messages.
    bool WaitDispatched(std::size_t count) {
        for (;;) {
            {
                std::lock_guard lock(mutex_);
                if (results_.size() >= count)
                    return true;
                dispatched_.Reset();
            }
            if (!dispatched_.Wait(kWait))
                return false;
        }
    }

    ManualResetEvent in_gate;
    ManualResetEvent gate;
    bool fail_init = false;
    std::size_t requester_count_at_exit = 99;

protected:
    bool OnInitInstance() override {
        Record("init");
        GetStartedEvent().Set();
        return !fail_init;
    }
    void OnExitInstance() override {
        if (requester_ != nullptr)
            requester_count_at_exit = requester_->GetCount();
        Record("exit");
    }
    KvResult Dispatch(WPARAM kind, CKvMessage* message) override {
        const KvResult result = CKvWinThread::Dispatch(kind, message);
        {
            std::lock_guard lock(mutex_);
            results_.push_back(result);
        }
        dispatched_.Set();
        return result;
    }
    KvResult OnRequest(CKvMessage* message) override {
        if (message->GetCommand() == kQuitThenGateCommand)
            OnQuit(nullptr);
        if (message->GetCommand() == kGateCommand ||
            message->GetCommand() == kQuitThenGateCommand) {
            in_gate.Set();
            gate.Wait(kWait);
        }
        Record("request");
        return CKvWinThread::OnRequest(message);
    }
    KvResult OnInfo(CKvMessage* message) override {
        Record("info");
        return CKvWinThread::OnInfo(message);
    }

    void Record(const std::string& event) {
        std::lock_guard lock(mutex_);
        events_.push_back(event);
    }

private:
    TestThreadQueue* requester_;
    std::mutex mutex_;
    std::vector<std::string> events_;
    std::vector<KvResult> results_;
    ManualResetEvent dispatched_;
};

class WinThreadTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(router_.Init(&GetHandleTable()), KV_OK);
        ASSERT_EQ(router_.RegisterThread(kRequester, requester_.GetThreadId(), "requester"), KV_OK);
    }

    void Start(RecordingThread& thread) {
        ASSERT_TRUE(thread.CreateThread());
        ASSERT_TRUE(thread.WaitStarted(kWait));
    }

    KvResult SendToWorker(std::int32_t kind, std::int32_t command, CKvMessage* message = nullptr) {
        if (message == nullptr)
            message = new CKvMessage;
        message->SetKindAndCommand(kind, command, 0);
        return message->Send(kWorker, kRequester, &router_, 0, true, false);
    }

    void HoldWorkerInGate(RecordingThread& thread, std::int32_t command = kGateCommand) {
        ASSERT_EQ(SendToWorker(KV_MSG_KIND_REQUEST, command), KV_OK);
        ASSERT_TRUE(thread.in_gate.Wait(kWait));
    }

    ScopedCountingPayload counting_;
    TestThreadQueue requester_;
    CKvMessageRouter router_;
};

} // namespace

TEST_F(WinThreadTest, QuitRequestIsAnsweredAfterExitInstance) {
    RecordingThread thread(&router_, &requester_);
    Start(thread);
    auto* request = new CKvMessage;
    request->SetJobIds(11, 22, 0);
    ASSERT_EQ(SendToWorker(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_QUIT, request), KV_OK);
    ASSERT_TRUE(thread.WaitEnded(1, kWait));

    EXPECT_EQ(thread.requester_count_at_exit, 0u);
    WPARAM kind = 0;
    CKvMessage* answer = requester_.WaitMessage(nullptr, &kind);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(kind, static_cast<WPARAM>(KV_MSG_KIND_CONFIRMATION));
    EXPECT_EQ(answer->GetCommand(), KV_MSG_COMMAND_QUIT);
    EXPECT_EQ(answer->GetSourceEndpoint(), kWorker);
    EXPECT_EQ(answer->GetSourceJobId(), 22u);
    EXPECT_EQ(answer->GetTargetJobId(), 11u);
    answer->Release();
    EXPECT_EQ(thread.GetState(), CKvWinThread::kEnded);
    CKvRouterEndpoint entry;
    EXPECT_EQ(router_.LookupEndpoint(entry, kWorker), 0);
}

TEST_F(WinThreadTest, QuitInfoEndsTheLoopWithoutAnswer) {
    RecordingThread thread(&router_);
    Start(thread);
    ASSERT_EQ(SendToWorker(KV_MSG_KIND_INFO, KV_MSG_COMMAND_QUIT), KV_OK);
    ASSERT_TRUE(thread.WaitEnded(1, kWait));
    EXPECT_EQ(requester_.GetCount(), 0u);
    EXPECT_EQ(thread.Events(), (std::vector<std::string>{"init", "exit"}));
}

TEST_F(WinThreadTest, ASecondQuitRequestWhileOneIsPendingIsAnsweredToo) {
    RecordingThread thread(&router_);
    Start(thread);
    HoldWorkerInGate(thread);
    auto* first = new CKvMessage;
    first->SetJobIds(1, 0, 0);
    auto* second = new CKvMessage;
    second->SetJobIds(2, 0, 0);
    ASSERT_EQ(SendToWorker(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_QUIT, first), KV_OK);
    ASSERT_EQ(SendToWorker(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_QUIT, second), KV_OK);
    thread.gate.Set();
    ASSERT_TRUE(thread.WaitEnded(1, kWait));

    std::vector<std::uint32_t> answered;
    while (CKvMessage* answer = requester_.TakeQueued()) {
        answered.push_back(answer->GetTargetJobId());
        answer->Release();
    }
    EXPECT_EQ(answered, (std::vector<std::uint32_t>{1, 2}));
}

TEST_F(WinThreadTest, MessagesQueuedBehindTheQuitAreReleasedWithTheirPayloads) {
    RecordingThread thread(&router_);
    Start(thread);
    HoldWorkerInGate(thread, kQuitThenGateCommand);
    for (std::uint32_t value = 0; value < 3; ++value)
        ASSERT_EQ(SendToWorker(KV_MSG_KIND_REQUEST, 2, NewMessageWithCountingPayload(value)),
                  KV_OK);
    EXPECT_EQ(counting_.Live(), 3);
    thread.gate.Set();
    ASSERT_TRUE(thread.WaitEnded(1, kWait));

    EXPECT_EQ(counting_.Live(), 0);
    EXPECT_EQ(CountingPayload::destroyed, 3);
    const std::vector<std::string> events = thread.Events();
    EXPECT_EQ(std::count(events.begin(), events.end(), "request"), 1) << "only the gate";
    CKvMessage* late = NewMessageWithCountingPayload(9);
    late->SetKind(KV_MSG_KIND_INFO);
    EXPECT_EQ(late->Send(kWorker, kRequester, &router_, 0, false, false), KV_E_FAIL);
    EXPECT_EQ(counting_.Live(), 1) << "a failed send leaves the message with the sender";
    late->Release();
}

TEST_F(WinThreadTest, DispatchByKind) {
    RecordingThread thread(&router_);
    Start(thread);
    auto* at_once = new CKvMessage;
    ASSERT_EQ(SendToWorker(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_ANSWER_AT_ONCE, at_once), KV_OK);
    auto* with_job = new CKvMessage;
    with_job->SetSourceJobId(5);
    ASSERT_EQ(SendToWorker(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_ANSWER_AT_ONCE, with_job), KV_OK);
    ASSERT_EQ(SendToWorker(KV_MSG_KIND_INFO, 1), KV_OK);
    ASSERT_EQ(SendToWorker(6, 0, NewMessageWithCountingPayload(1)), KV_OK);
    ASSERT_EQ(SendToWorker(KV_MSG_KIND_SIGNAL, 1), KV_OK);
    ASSERT_TRUE(thread.WaitDispatched(5));

    EXPECT_EQ(thread.Results(), (std::vector<KvResult>{KV_OK, KV_E_NOT_HANDLED, KV_E_NOT_HANDLED,
                                                       KV_E_FAIL, KV_E_NOT_HANDLED}));
    EXPECT_EQ(thread.Events(), (std::vector<std::string>{"init", "request", "info"}));
    WPARAM kind = 0;
    CKvMessage* answer = requester_.WaitMessage(nullptr, &kind);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(kind, static_cast<WPARAM>(KV_MSG_KIND_CONFIRMATION));
    answer->Release();
    EXPECT_EQ(counting_.Live(), 0) << "a refused kind is released by its owner";
    EXPECT_EQ(thread.Stop(kWait), KV_OK);
}

TEST_F(WinThreadTest, StopWithoutTimeOutReturnsAtOnceAndLaterStopsAreRefused) {
    RecordingThread thread(&router_);
    Start(thread);
    EXPECT_FALSE(thread.IsEnded());
    EXPECT_EQ(thread.Stop(0), KV_OK);
    ASSERT_TRUE(thread.WaitEnded(0, kWait));
    EXPECT_TRUE(thread.IsEnded());
    EXPECT_EQ(thread.Stop(kWait), KV_E_ALREADY_STOPPING);
    EXPECT_TRUE(thread.WaitEnded(1, 0));
}

TEST_F(WinThreadTest, StopTimesOutWhileTheThreadIsBusyAndTheThreadEndsLater) {
    RecordingThread thread(&router_);
    Start(thread);
    HoldWorkerInGate(thread);
    EXPECT_EQ(thread.Stop(50), KV_E_TIMEOUT);
    EXPECT_EQ(thread.GetLastResult(), KV_E_TIMEOUT);
    thread.gate.Set();
    EXPECT_TRUE(thread.WaitEnded(1, kWait));
}

TEST_F(WinThreadTest, StopOfAThreadThatNeverStarted) {
    RecordingThread thread(&router_);
    EXPECT_EQ(thread.Stop(kWait), KV_E_FAIL);
    EXPECT_FALSE(thread.IsEnded());
    EXPECT_FALSE(thread.WaitEnded(2, 0));
    RecordingThread without_router(nullptr);
    EXPECT_EQ(without_router.Stop(0), KV_E_INVALID_POINTER);
}

TEST_F(WinThreadTest, FailedInitInstanceStillRunsExitInstance) {
    RecordingThread thread(&router_);
    thread.fail_init = true;
    Start(thread);
    ASSERT_TRUE(thread.WaitEnded(1, kWait));
    EXPECT_EQ(thread.Events(), (std::vector<std::string>{"init", "exit"}));
    EXPECT_EQ(thread.GetState(), CKvWinThread::kEnded);
    CKvRouterEndpoint entry;
    EXPECT_EQ(router_.LookupEndpoint(entry, kWorker), 0);
}

TEST_F(WinThreadTest, WindowEndpointHelpersUseTheThreadsRouter) {
    RecordingThread thread(&router_);
    int anchor = 0;
    HWND window = reinterpret_cast<HWND>(&anchor);
    EXPECT_EQ(thread.RegisterWindowAtRouter(0x900, window, "dialog"), KV_OK);
    CKvRouterEndpoint entry;
    ASSERT_EQ(router_.LookupEndpoint(entry, 0x900), 1);
    EXPECT_EQ(entry.kind, CKvRouterEndpoint::kWindow);
    EXPECT_EQ(entry.window, window);
    EXPECT_EQ(thread.UnregisterAtRouter(0x900), KV_OK);
    EXPECT_EQ(thread.UnregisterAtRouter(0x900), KV_E_FAIL);
    RecordingThread without_router(nullptr);
    EXPECT_EQ(without_router.RegisterWindowAtRouter(0x900, window, "dialog"), KV_E_INVALID_POINTER);
}

namespace {

// Idles twice more after each message, then reports that it went to sleep.
class IdleThread : public CKvWinThread {
public:
    explicit IdleThread(CKvMessageRouter* router) : CKvWinThread(router, kWorker, "idle", false) {
        routing_enabled_ = true;
    }
    ~IdleThread() override { JoinThread(); }

    std::vector<std::string> Take() {
        std::lock_guard lock(mutex_);
        std::vector<std::string> taken;
        taken.swap(events_);
        asleep.Reset();
        return taken;
    }

    ManualResetEvent asleep;

protected:
    bool OnInitInstance() override {
        SetThreadTimer(1, 30);
        GetStartedEvent().Set();
        return true;
    }
    bool OnIdleHook(LONG count) override {
        Record("idle " + std::to_string(count));
        if (count < 2)
            return true;
        asleep.Set();
        return false;
    }
    void OnTimer(UINT id) override { Record("timer " + std::to_string(id)); }
    void OnDroppedMessage(const ThreadMessage& message) override {
        Record("message " + std::to_string(message.message));
        CKvWinThread::OnDroppedMessage(message);
    }

private:
    void Record(const std::string& event) {
        std::lock_guard lock(mutex_);
        events_.push_back(event);
    }

    std::mutex mutex_;
    std::vector<std::string> events_;
};

} // namespace

TEST_F(WinThreadTest, IdlePassesCountUpAndTheThirtyMillisecondTimerWakesTheLoop) {
    ManualClock clock;
    ScopedClock installed(clock);
    IdleThread thread(&router_);
    ASSERT_TRUE(thread.CreateThread());
    ASSERT_TRUE(thread.asleep.Wait(kWait));
    const std::vector<std::string> idle = {"idle 0", "idle 1", "idle 2"};
    EXPECT_EQ(thread.Take(), idle);

    clock.Advance(29);
    ASSERT_TRUE(thread.PostMessage(0x7000, 0, 0));
    ASSERT_TRUE(thread.asleep.Wait(kWait));
    std::vector<std::string> expected = {"message 28672"};
    expected.insert(expected.end(), idle.begin(), idle.end());
    EXPECT_EQ(thread.Take(), expected) << "no timer before 30 ms";

    clock.Advance(1);
    thread.WakeUp();
    ASSERT_TRUE(thread.asleep.Wait(kWait));
    expected = {"timer 1"};
    expected.insert(expected.end(), idle.begin(), idle.end());
    EXPECT_EQ(thread.Take(), expected);

    EXPECT_EQ(thread.Stop(kWait), KV_OK);
}
