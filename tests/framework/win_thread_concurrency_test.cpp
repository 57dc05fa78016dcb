#include "framework/win_thread.h"

#include "framework_test_support.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using Events = std::vector<std::string>;

constexpr std::uint16_t kWorker = 0x805;
// A REQUEST with one of these commands holds the worker until the gate opens;
// the second makes it ask for its quit first.
constexpr std::int32_t kGateCommand = 3;
constexpr std::int32_t kQuitThenGateCommand = 4;

class RecordingThread : public CKvWinThread {
public:
    explicit RecordingThread(CKvMessageRouter* router, TestThreadQueue* requester = nullptr)
        : CKvWinThread(router, kWorker, "worker", false), requester_(requester) {
        routing_enabled_ = true;
    }
    ~RecordingThread() override { JoinThread(); }

    // The events so far; taking them also lets the thread report sleep again.
    Events TakeEvents() {
        std::lock_guard lock(mutex_);
        asleep.Reset();
        return std::exchange(events_, {});
    }
    // The result of each dispatch; read once the thread has ended.
    std::vector<KvResult> Results() {
        std::lock_guard lock(mutex_);
        return results_;
    }

    ManualResetEvent in_gate, gate, asleep;
    bool fail_init = false;
    bool watch_idle = false; // records idle passes and runs a 30 ms thread timer
    std::size_t requester_count_at_exit = 99;

protected:
    bool OnInitInstance() override {
        Record("init");
        if (watch_idle)
            SetThreadTimer(1, 30);
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
        Record("", result);
        return result;
    }
    KvResult OnRequest(CKvMessage* message) override {
        const std::int32_t command = message->GetCommand();
        if (command == kQuitThenGateCommand)
            OnQuit(nullptr);
        if (command == kGateCommand || command == kQuitThenGateCommand) {
            in_gate.Set();
            gate.Wait(kWait);
        }
        Record("request");
        return CKvWinThread::OnRequest(message);
    }
    KvResult OnInfo(CKvMessage* message) override {
        return Record("info"), CKvWinThread::OnInfo(message);
    }
    // Idles twice more after each message, then reports that it went to sleep.
    bool OnIdleHook(LONG count) override {
        if (!watch_idle)
            return false;
        Record("idle " + std::to_string(count));
        if (count >= 2)
            asleep.Set();
        return count < 2;
    }
    void OnTimer(UINT id) override { Record("timer " + std::to_string(id)); }
    void OnDroppedMessage(const ThreadMessage& message) override {
        Record("dropped " + std::to_string(message.message)),
            CKvWinThread::OnDroppedMessage(message);
    }

private:
    // Records an event, or with a result a dispatch's result.
    void Record(const std::string& event, std::optional<KvResult> result = std::nullopt) {
        std::lock_guard lock(mutex_);
        if (result)
            results_.push_back(*result);
        else
            events_.push_back(event);
    }

    TestThreadQueue* requester_;
    std::mutex mutex_;
    Events events_;
    std::vector<KvResult> results_;
};

class WinThreadTest : public RouterFixture {
protected:
    void Start(RecordingThread& thread) {
        ASSERT_TRUE(thread.CreateThread());
        ASSERT_TRUE(thread.WaitStarted(kWait));
    }
    KvResult SendQuitRequest(std::uint32_t source_job, std::uint32_t target_job) {
        auto* request = new CKvMessage;
        request->SetJobIds(source_job, target_job, 0);
        return SendFromSelf(kWorker, KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_QUIT, request);
    }
    void HoldWorkerInGate(RecordingThread& thread, std::int32_t command = kGateCommand) {
        ASSERT_EQ(SendFromSelf(kWorker, KV_MSG_KIND_REQUEST, command), KV_OK);
        ASSERT_TRUE(thread.in_gate.Wait(kWait));
    }
    void ExpectEndedAndUnregistered(RecordingThread& thread) {
        CKvRouterEndpoint entry;
        EXPECT_EQ(std::tuple(thread.GetState(), router_.LookupEndpoint(entry, kWorker)),
                  std::tuple(CKvWinThread::kEnded, 0));
    }
};

} // namespace

TEST_F(WinThreadTest, QuitRequestIsAnsweredAfterExitInstance) {
    RecordingThread thread(&router_, &queue_);
    Start(thread);
    ASSERT_EQ(SendQuitRequest(11, 22), KV_OK);
    ASSERT_TRUE(thread.WaitEnded(1, kWait));
    EXPECT_EQ(thread.requester_count_at_exit, 0u);
    WPARAM kind = 0;
    CKvMessage* a = queue_.Wait(&kind);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(std::tuple(kind, a->GetCommand(), a->GetSourceEndpoint(), a->GetSourceJobId(),
                         a->GetTargetJobId()),
              std::tuple(WPARAM{KV_MSG_KIND_CONFIRMATION}, KV_MSG_COMMAND_QUIT, kWorker, 22u, 11u));
    a->Release();
    ExpectEndedAndUnregistered(thread);
}

TEST_F(WinThreadTest, QuitInfoOrAFailedInitInstanceEndsTheThreadWithoutAnswer) {
    for (bool fail_init : {false, true}) {
        SCOPED_TRACE(fail_init ? "failed init" : "quit info");
        RecordingThread thread(&router_);
        thread.fail_init = fail_init;
        Start(thread);
        if (!fail_init) {
            ASSERT_EQ(SendFromSelf(kWorker, KV_MSG_KIND_INFO, KV_MSG_COMMAND_QUIT), KV_OK);
        }
        ASSERT_TRUE(thread.WaitEnded(1, kWait));
        EXPECT_EQ(thread.TakeEvents(), (Events{"init", "exit"}));
        ExpectEndedAndUnregistered(thread);
        EXPECT_EQ(queue_.GetCount(), 0u);
    }
}

TEST_F(WinThreadTest, BehindTheQuitRequestsAreAnsweredInOrderAndOtherMessagesReleased) {
    RecordingThread thread(&router_);
    Start(thread);
    HoldWorkerInGate(thread, kQuitThenGateCommand);
    ASSERT_EQ(SendQuitRequest(1, 0), KV_OK);
    for (std::uint32_t value = 0; value < 3; ++value) {
        ASSERT_EQ(
            SendFromSelf(kWorker, KV_MSG_KIND_REQUEST, 2, NewMessageWithCountingPayload(value)),
            KV_OK);
    }
    ASSERT_EQ(SendQuitRequest(2, 0), KV_OK);
    EXPECT_EQ(counting_.Live(), 3);
    thread.gate.Set();
    ASSERT_TRUE(thread.WaitEnded(1, kWait));
    EXPECT_EQ(std::tuple(counting_.Live(), CountingPayload::destroyed.load()), std::tuple(0, 3));
    const Events events = thread.TakeEvents();
    EXPECT_EQ(std::count(events.begin(), events.end(), "request"), 1) << "only the gate";
    std::vector<std::uint32_t> answered;
    while (CKvMessage* answer = queue_.Take()) {
        answered.push_back(answer->GetTargetJobId());
        answer->Release();
    }
    EXPECT_EQ(answered, (std::vector<std::uint32_t>{1, 2}));
    CKvMessage* late = NewMessageWithCountingPayload(9, KV_MSG_KIND_INFO);
    EXPECT_EQ(late->Send(kWorker, kSelf, &router_, 0, false, false), KV_E_FAIL);
    EXPECT_EQ(counting_.Live(), 1) << "a failed send leaves the message with the sender";
    late->Release();
}

TEST_F(WinThreadTest, DispatchesByKindAndReleasesWhatNoHandlerTakes) {
    RecordingThread thread(&router_);
    Start(thread);
    ASSERT_EQ(SendFromSelf(kWorker, KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_ANSWER_AT_ONCE), KV_OK);
    auto* with_job = new CKvMessage;
    with_job->SetSourceJobId(5);
    ASSERT_EQ(SendFromSelf(kWorker, KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_ANSWER_AT_ONCE, with_job),
              KV_OK);
    ASSERT_EQ(SendFromSelf(kWorker, KV_MSG_KIND_INFO, 1), KV_OK);
    ASSERT_EQ(SendFromSelf(kWorker, 6, 0, NewMessageWithCountingPayload(1)), KV_OK);
    ASSERT_EQ(SendFromSelf(kWorker, KV_MSG_KIND_SIGNAL, 1), KV_OK);
    EXPECT_EQ(thread.Stop(kWait), KV_OK);
    EXPECT_EQ(thread.Results(), (std::vector<KvResult>{KV_OK, KV_E_NOT_HANDLED, KV_E_NOT_HANDLED,
                                                       KV_E_FAIL, KV_E_NOT_HANDLED, KV_OK}));
    EXPECT_EQ(thread.TakeEvents(), (Events{"init", "request", "info", "exit"}));
    WPARAM kind = 0;
    CKvMessage* answer = queue_.Wait(&kind);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(kind, static_cast<WPARAM>(KV_MSG_KIND_CONFIRMATION));
    answer->Release();
    EXPECT_EQ(counting_.Live(), 0) << "a refused kind is released by its owner";
}

TEST_F(WinThreadTest, StopTimesOutWhileTheThreadIsBusyReturnsAtOnceWithoutTimeOutThenRefuses) {
    EXPECT_EQ(RecordingThread(nullptr).Stop(0), KV_E_INVALID_POINTER);
    RecordingThread thread(&router_);
    EXPECT_EQ(thread.Stop(kWait), KV_E_FAIL) << "not started";
    EXPECT_FALSE(thread.WaitEnded(2, 0));
    Start(thread);
    HoldWorkerInGate(thread);
    EXPECT_EQ(thread.Stop(50), KV_E_TIMEOUT);
    EXPECT_EQ(thread.GetLastResult(), KV_E_TIMEOUT);
    EXPECT_FALSE(thread.IsEnded());
    EXPECT_EQ(thread.Stop(0), KV_OK);
    thread.gate.Set();
    ASSERT_TRUE(thread.WaitEnded(0, kWait));
    EXPECT_TRUE(thread.IsEnded());
    EXPECT_EQ(thread.Stop(kWait), KV_E_ALREADY_STOPPING);
    EXPECT_TRUE(thread.WaitEnded(1, 0));
}

TEST_F(WinThreadTest, IdlePassesCountUpAndTheThirtyMillisecondTimerWakesTheLoop) {
    ManualClock clock;
    ScopedClock installed(clock);
    RecordingThread thread(&router_);
    thread.watch_idle = true;
    Start(thread);
    ASSERT_TRUE(thread.asleep.Wait(kWait));
    EXPECT_EQ(thread.TakeEvents(), (Events{"init", "idle 0", "idle 1", "idle 2"}));
    clock.Advance(29);
    ASSERT_TRUE(thread.PostMessage(0x7000, 0, 0));
    ASSERT_TRUE(thread.asleep.Wait(kWait));
    EXPECT_EQ(thread.TakeEvents(), (Events{"dropped 28672", "idle 0", "idle 1", "idle 2"}))
        << "no timer before 30 ms";
    clock.Advance(1);
    thread.WakeUp();
    ASSERT_TRUE(thread.asleep.Wait(kWait));
    EXPECT_EQ(thread.TakeEvents(), (Events{"timer 1", "idle 0", "idle 1", "idle 2"}));
    EXPECT_EQ(thread.Stop(kWait), KV_OK);
}

namespace {

// A thread that deletes itself when it ends and reports its destruction.
class SelfDeletingThread : public CKvWinThread {
public:
    SelfDeletingThread(CKvMessageRouter* router, ManualResetEvent& destroyed)
        : CKvWinThread(router, kWorker, "worker", true), destroyed_(destroyed) {
        routing_enabled_ = true;
    }
    ~SelfDeletingThread() override { destroyed_.Set(); }

    ManualResetEvent in_gate, gate;

protected:
    bool OnInitInstance() override {
        GetStartedEvent().Set();
        return true;
    }
    KvResult OnRequest(CKvMessage* message) override {
        in_gate.Set();
        gate.Wait(kWait);
        return CKvWinThread::OnRequest(message);
    }

private:
    ManualResetEvent& destroyed_;
};

} // namespace

TEST_F(WinThreadTest, StopThenWaitEndedIsSafeForAThreadThatDeletesItself) {
    for (const DWORD timeout : {kWait, DWORD{0}}) {
        SCOPED_TRACE(timeout);
        ManualResetEvent destroyed;
        auto* thread = new SelfDeletingThread(&router_, destroyed);
        ASSERT_TRUE(thread->CreateThread());
        ASSERT_TRUE(thread->WaitStarted(kWait));
        const std::shared_ptr<const CKvThreadEndState> end = thread->GetEndState();
        EXPECT_EQ(thread->Stop(timeout), KV_OK);
        // The object may be gone from here on.
        ASSERT_TRUE(end->WaitEnded(1, kWait));
        EXPECT_TRUE(end->IsEnded());
        EXPECT_TRUE(destroyed.IsSet()) << "the end is announced after the deletion";
    }
}

TEST_F(WinThreadTest, StopThatTimesOutLeavesASelfDeletingThreadToEndOnItsOwn) {
    ManualResetEvent destroyed;
    auto* thread = new SelfDeletingThread(&router_, destroyed);
    ASSERT_TRUE(thread->CreateThread());
    ASSERT_TRUE(thread->WaitStarted(kWait));
    ASSERT_EQ(SendFromSelf(kWorker, KV_MSG_KIND_REQUEST, 1), KV_OK);
    ASSERT_TRUE(thread->in_gate.Wait(kWait));
    const std::shared_ptr<const CKvThreadEndState> end = thread->GetEndState();
    ManualResetEvent& gate = thread->gate;
    EXPECT_EQ(thread->Stop(20), KV_E_TIMEOUT);
    EXPECT_FALSE(end->IsEnded());
    gate.Set();
    ASSERT_TRUE(end->WaitEnded(2, kWait));
    EXPECT_TRUE(destroyed.IsSet());
}
