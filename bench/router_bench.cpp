// BENCH_PEER: BM_RouterThroughput BM_BaselineThroughput speed
// BENCH_PEER: BM_RouterThroughputSystemCallTick BM_BaselineThroughput speed
// BENCH_PEER: BM_RouterRoundTrip BM_BaselineRoundTrip time
// BENCH_PEER: BM_RouterContended BM_BaselineContended speed
// BENCH_PEER: BM_SystemClockTickMs BM_ClockGettimeMonotonic time
// BENCH_ALL_CORES: ^BM_(Router|Baseline)(Throughput|Contended)
// Messages per second from one thread to another through the router (post,
// dispatch, release) and the round trip of a REQUEST answered by a
// CONFIRMATION, each beside a plain mutex-and-condition-variable queue between
// the same two threads; several senders posting to one receiver, beside the
// same senders on the plain queue; the undelivered queue filled for an
// endpoint that registers late; the system clock's tick, which every posted
// message reads, beside one clock_gettime(CLOCK_MONOTONIC), and the messages
// from one thread to another with that tick read through the system call.

#include "framework/message.h"
#include "framework/message_router.h"
#include "framework/win_thread.h"
#include "platform/clock.h"
#include "platform/message_queue.h"
#include "platform/thread_messaging.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

// The replacement delete below frees what the replacement new took from
// malloc; the compiler cannot see that pairing when it inlines them.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {

std::atomic<std::uint64_t> allocations{0};

} // namespace

// Counts every allocation of the process, so that the benchmark can report
// how many a message costs.
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size == 0 ? 1 : size))
        return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace {

constexpr DWORD kWait = 10000;
constexpr std::uint16_t kSender = 0x900;
constexpr std::uint16_t kReceiver = 0x901;
constexpr int kBatch = 10000;
constexpr std::int32_t kAnswerCommand = 2;

class BenchReceiver : public CKvWinThread {
public:
    explicit BenchReceiver(CKvMessageRouter* router)
        : CKvWinThread(router, kReceiver, "receiver", false) {
        routing_enabled_ = true;
    }
    ~BenchReceiver() override { JoinThread(); }

    void Expect(int count) {
        received_.store(0);
        expected_ = count;
        done_.Reset();
    }
    bool WaitDone() { return done_.Wait(kWait); }

protected:
    bool OnInitInstance() override {
        GetStartedEvent().Set();
        return true;
    }
    KvResult OnRequest(CKvMessage* message) override {
        if (message->GetCommand() == kAnswerCommand)
            return message->SendConfirmation(GetEndpointId(), GetRouter(), true);
        message->Release();
        if (received_.fetch_add(1) + 1 == expected_)
            done_.Set();
        return KV_OK;
    }

private:
    std::atomic<int> received_{0};
    int expected_ = 0;
    ManualResetEvent done_;
};

// The router, a receiver thread and a queue on the benchmark's own thread.
class RouterFixture {
public:
    RouterFixture() : queue_(std::make_shared<MessageQueue>()) {
        router_.Init(&GetHandleTable());
        AttachThreadQueue(queue_);
        router_.RegisterThread(kSender, GetCurrentThreadId(), "sender");
        receiver_ = std::make_unique<BenchReceiver>(&router_);
        receiver_->CreateThread();
        receiver_->WaitStarted(kWait);
    }
    ~RouterFixture() {
        receiver_->Stop(kWait);
        receiver_->WaitEnded(1, kWait);
        receiver_.reset();
        router_.Unregister(kSender);
        DetachThreadQueue();
    }

    CKvMessageRouter router_;
    std::shared_ptr<MessageQueue> queue_;
    std::unique_ptr<BenchReceiver> receiver_;
};

void SendRequest(CKvMessageRouter& router, std::int32_t command) {
    auto* message = new CKvMessage;
    message->SetKindAndCommand(KV_MSG_KIND_REQUEST, command, 0);
    message->Send(kReceiver, kSender, &router, 0, true, false);
}

void BM_RouterThroughput(benchmark::State& state) {
    RouterFixture fixture;
    std::uint64_t allocated = 0;
    for (auto _ : state) {
        fixture.receiver_->Expect(kBatch);
        const std::uint64_t before = allocations.load();
        for (int i = 0; i < kBatch; ++i)
            SendRequest(fixture.router_, 1);
        allocated += allocations.load() - before;
        fixture.receiver_->WaitDone();
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    state.counters["allocs_per_msg"] =
        static_cast<double>(allocated) / static_cast<double>(state.iterations() * kBatch);
}
BENCHMARK(BM_RouterThroughput)->UseRealTime()->Unit(benchmark::kMillisecond);

// The system clock with its tick read through the system call, as it is read
// where the kernel's clock source has no fast path in the vDSO.
class SystemCallTickClock final : public Clock {
public:
    std::uint32_t TickMs() override {
        timespec now{};
        syscall(SYS_clock_gettime, CLOCK_MONOTONIC, &now);
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                          static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
    }
    std::int64_t Seconds() override { return system_.Seconds(); }
    WallTime Now() override { return system_.Now(); }
    bool ToLocalTime(std::int64_t seconds, std::tm& out) override {
        return system_.ToLocalTime(seconds, out);
    }

private:
    SystemClock system_;
};

// The same messages, each posting tick read through the system call.
void BM_RouterThroughputSystemCallTick(benchmark::State& state) {
    SystemCallTickClock clock;
    ScopedClock scoped(clock);
    RouterFixture fixture;
    for (auto _ : state) {
        fixture.receiver_->Expect(kBatch);
        for (int i = 0; i < kBatch; ++i)
            SendRequest(fixture.router_, 1);
        fixture.receiver_->WaitDone();
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_RouterThroughputSystemCallTick)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_RouterRoundTrip(benchmark::State& state) {
    RouterFixture fixture;
    for (auto _ : state) {
        SendRequest(fixture.router_, kAnswerCommand);
        ThreadMessage answer;
        fixture.queue_->GetMessage(answer);
        reinterpret_cast<CKvMessage*>(answer.lParam)->Release();
    }
}
BENCHMARK(BM_RouterRoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The baseline: a mutex, a condition variable and a deque of heap items.
// Items come from malloc, not through the counting operator new: the router's
// messages come from its pool and pass no counter either, and a shared atomic
// add per item would slow the peer alone (most where eight threads post).
struct Item {
    int command = 0;

    static void* operator new(std::size_t size) {
        if (void* memory = std::malloc(size))
            return memory;
        throw std::bad_alloc();
    }
    static void operator delete(void* memory) noexcept { std::free(memory); }
};

class PlainQueue {
public:
    void Push(Item* item) {
        {
            std::lock_guard lock(mutex_);
            items_.push_back(item);
        }
        ready_.notify_one();
    }
    Item* Pop() {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return !items_.empty(); });
        Item* item = items_.front();
        items_.pop_front();
        return item;
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Item*> items_;
};

// A receiver thread on a plain queue; command 2 is answered on the reply
// queue, command -1 ends it.
class PlainFixture {
public:
    PlainFixture()
        : thread_([this] {
              for (;;) {
                  Item* item = requests_.Pop();
                  const int command = item->command;
                  if (command == kAnswerCommand) {
                      replies_.Push(item);
                      continue;
                  }
                  delete item;
                  if (command < 0)
                      return;
                  if (received_.fetch_add(1) + 1 == expected_)
                      done_.Set();
              }
          }) {}
    ~PlainFixture() {
        requests_.Push(new Item{-1});
        thread_.join();
    }

    PlainQueue requests_;
    PlainQueue replies_;
    std::atomic<int> received_{0};
    int expected_ = 0;
    ManualResetEvent done_;
    std::thread thread_;
};

void BM_BaselineThroughput(benchmark::State& state) {
    PlainFixture fixture;
    for (auto _ : state) {
        fixture.received_.store(0);
        fixture.expected_ = kBatch;
        fixture.done_.Reset();
        for (int i = 0; i < kBatch; ++i)
            fixture.requests_.Push(new Item{1});
        fixture.done_.Wait(kWait);
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_BaselineThroughput)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_BaselineRoundTrip(benchmark::State& state) {
    PlainFixture fixture;
    for (auto _ : state) {
        fixture.requests_.Push(new Item{kAnswerCommand});
        delete fixture.replies_.Pop();
    }
}
BENCHMARK(BM_BaselineRoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Messages from several sender threads to one receiving thread per round.
constexpr int kContendedBatch = 40000;

// Starts the senders together and waits for them to finish.
template <typename Send> void RunSenders(int senders, Send send) {
    ManualResetEvent go;
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(senders));
    for (int s = 0; s < senders; ++s) {
        threads.emplace_back([&go, &send, senders] {
            go.Wait(kWait);
            for (int i = 0; i < kContendedBatch / senders; ++i)
                send();
        });
    }
    go.Set();
    for (std::thread& thread : threads)
        thread.join();
}

void BM_RouterContended(benchmark::State& state) {
    RouterFixture fixture;
    const auto senders = static_cast<int>(state.range(0));
    const int total = kContendedBatch / senders * senders;
    for (auto _ : state) {
        fixture.receiver_->Expect(total);
        RunSenders(senders, [&fixture] { SendRequest(fixture.router_, 1); });
        fixture.receiver_->WaitDone();
    }
    state.SetItemsProcessed(state.iterations() * total);
}
BENCHMARK(BM_RouterContended)->Arg(2)->Arg(4)->Arg(8)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_BaselineContended(benchmark::State& state) {
    PlainFixture fixture;
    const auto senders = static_cast<int>(state.range(0));
    const int total = kContendedBatch / senders * senders;
    for (auto _ : state) {
        fixture.received_.store(0);
        fixture.expected_ = total;
        fixture.done_.Reset();
        RunSenders(senders, [&fixture] { fixture.requests_.Push(new Item{1}); });
        fixture.done_.Wait(kWait);
    }
    state.SetItemsProcessed(state.iterations() * total);
}
BENCHMARK(BM_BaselineContended)
    ->Arg(2)
    ->Arg(4)
    ->Arg(8)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Sends to an endpoint that is not registered yet, then its registration and
// the send that delivers them all: linear in the number of messages waiting.
void BM_RouterUndeliveredQueue(benchmark::State& state) {
    constexpr std::uint16_t kLate = 0x902;
    const auto count = static_cast<int>(state.range(0));
    auto queue = std::make_shared<MessageQueue>();
    AttachThreadQueue(queue);
    for (auto _ : state) {
        CKvMessageRouter router;
        router.Init(&GetHandleTable());
        for (int i = 0; i < count; ++i) {
            auto* message = new CKvMessage;
            message->SetKindAndCommand(KV_MSG_KIND_REQUEST, 1, 0);
            message->Send(kLate, kSender, &router, 0, true, true);
        }
        router.RegisterThread(kLate, GetCurrentThreadId(), "late");
        auto* last = new CKvMessage;
        last->SetKindAndCommand(KV_MSG_KIND_REQUEST, 1, 0);
        last->Send(kLate, kSender, &router, 0, true, false);
        if (router.GetUndeliveredCount() != 0 || queue->GetCount() != std::size_t(count) + 1)
            state.SkipWithError("not every message was delivered");
        ThreadMessage posted;
        while (queue->GetCount() != 0 && queue->GetMessage(posted))
            reinterpret_cast<CKvMessage*>(posted.lParam)->Release();
    }
    DetachThreadQueue();
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_RouterUndeliveredQueue)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_SystemClockTickMs(benchmark::State& state) {
    SystemClock clock;
    for (auto _ : state)
        benchmark::DoNotOptimize(clock.TickMs());
}
BENCHMARK(BM_SystemClockTickMs);

void BM_ClockGettimeMonotonic(benchmark::State& state) {
    for (auto _ : state) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        benchmark::DoNotOptimize(now);
    }
}
BENCHMARK(BM_ClockGettimeMonotonic);

} // namespace
