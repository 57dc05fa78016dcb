#include "platform/message_queue.h"

#include "platform/clock.h"
#include "platform/sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <ctime>
#include <thread>
#include <vector>

namespace {

constexpr DWORD kWait = 10000;
constexpr int kPosters = 4;
constexpr int kPerPoster = 5000;

// A message from poster p with sequence number n.
ThreadMessage Numbered(int poster, int number) {
    return ThreadMessage{nullptr, static_cast<UINT>(poster + 1), 0, static_cast<LPARAM>(number)};
}

// Starts the posters together; each posts its numbers in order and counts
// the posts that succeeded.
class Posters {
public:
    template <typename Post> Posters(int count, Post post) : accepted_(count) {
        for (int p = 0; p < count; ++p) {
            threads_.emplace_back([this, p, post] {
                go_.Wait(kWait);
                for (int n = 0; n < kPerPoster; ++n) {
                    if (post(p, n))
                        accepted_[p].fetch_add(1);
                }
            });
        }
        go_.Set();
    }
    ~Posters() { Join(); }

    void Join() {
        for (std::thread& thread : threads_) {
            if (thread.joinable())
                thread.join();
        }
    }
    int Accepted() const {
        int total = 0;
        for (const auto& count : accepted_)
            total += count.load();
        return total;
    }

private:
    ManualResetEvent go_;
    std::vector<std::atomic<int>> accepted_;
    std::vector<std::thread> threads_;
};

// Checks that each poster's messages come in its order, without gaps.
class OrderCheck {
public:
    explicit OrderCheck(int posters = kPosters) : next_(static_cast<std::size_t>(posters), 0) {}
    void See(const ThreadMessage& message) {
        const auto poster = static_cast<std::size_t>(message.message - 1);
        ASSERT_LT(poster, next_.size());
        EXPECT_EQ(message.lParam, next_[poster]) << "poster " << poster;
        next_[poster] = message.lParam + 1;
        ++seen_;
    }
    int Seen() const { return seen_; }

private:
    std::vector<LPARAM> next_;
    int seen_ = 0;
};

// A clock whose tick each thread sets for itself, so that a message's tick
// shows which thread stamped it and at which of its posts.
class ThreadTickClock final : public Clock {
public:
    static void Set(std::uint32_t tick) { tick_ = tick; }
    std::uint32_t TickMs() override { return tick_; }
    std::int64_t Seconds() override { return 0; }
    WallTime Now() override { return WallTime{}; }
    bool ToLocalTime(std::int64_t, std::tm&) override { return false; }

private:
    static inline thread_local std::uint32_t tick_ = 0;
};

} // namespace

// Eight posters at once: each one's messages arrive in its order, each
// stamped with the tick its poster read when posting it.
TEST(MessageQueueConcurrency, EightPostersKeepTheirOrderAndTheirPostingTicks) {
    constexpr int kEight = 8;
    ThreadTickClock clock;
    ScopedClock installed(clock);
    MessageQueue queue;
    OrderCheck order(kEight);
    {
        Posters posters(kEight, [&queue](int p, int n) {
            ThreadTickClock::Set(static_cast<std::uint32_t>(p * 1000000 + n * 3));
            return queue.Post(Numbered(p, n));
        });
        ThreadMessage message;
        while (order.Seen() < kEight * kPerPoster && queue.GetMessage(message)) {
            order.See(message);
            const auto poster = static_cast<std::uint32_t>(message.message - 1);
            ASSERT_EQ(message.time,
                      poster * 1000000 + static_cast<std::uint32_t>(message.lParam) * 3);
        }
        posters.Join();
        EXPECT_EQ(posters.Accepted(), kEight * kPerPoster);
    }
    EXPECT_EQ(order.Seen(), kEight * kPerPoster);
    EXPECT_TRUE(queue.CloseAndDrain().empty());
}

TEST(MessageQueueConcurrency, EveryPostArrivesOnceInItsPostersOrder) {
    MessageQueue queue;
    OrderCheck order;
    {
        Posters posters(kPosters, [&queue](int p, int n) { return queue.Post(Numbered(p, n)); });
        ThreadMessage message;
        while (order.Seen() < kPosters * kPerPoster && queue.GetMessage(message))
            order.See(message);
        posters.Join();
        EXPECT_EQ(posters.Accepted(), kPosters * kPerPoster);
    }
    EXPECT_EQ(queue.GetCount(), 0u);
    EXPECT_TRUE(queue.CloseAndDrain().empty());
}

// Posts race with the owner closing the queue: every accepted post is either
// taken by the loop or handed back by the drain, and none after it.
TEST(MessageQueueConcurrency, ClosingWhilePostingLosesAndInventsNothing) {
    for (int round = 0; round < 20; ++round) {
        MessageQueue queue;
        OrderCheck order;
        Posters posters(kPosters, [&queue](int p, int n) { return queue.Post(Numbered(p, n)); });
        ThreadMessage message;
        for (int taken = 0; taken < 100 * round && queue.GetMessage(message); ++taken)
            order.See(message);
        for (const ThreadMessage& left : queue.CloseAndDrain())
            order.See(left);
        posters.Join();
        EXPECT_EQ(order.Seen(), posters.Accepted()) << "round " << round;
        EXPECT_FALSE(queue.Post(Numbered(0, 0)));
        EXPECT_TRUE(queue.CloseAndDrain().empty());
    }
}

// A window's messages are taken out while others keep arriving.
TEST(MessageQueueConcurrency, RemovingAWindowsMessagesWhilePostingKeepsTheRestInOrder) {
    MessageQueue queue;
    const auto window = reinterpret_cast<HWND>(std::uintptr_t{0x40});
    OrderCheck order;
    int removed = 0;
    {
        Posters posters(kPosters, [&queue, window](int p, int n) {
            ThreadMessage message = Numbered(p, n);
            // Poster 0 also posts to the window, which is taken out below.
            if (p == 0 && !queue.Post(ThreadMessage{window, 0x7FFF, 0, n}))
                return false;
            return queue.Post(message);
        });
        ThreadMessage message;
        while (order.Seen() < kPosters * kPerPoster && queue.GetMessage(message)) {
            if (message.window == window)
                continue;
            order.See(message);
            if (order.Seen() % 1000 == 0)
                removed += static_cast<int>(queue.RemoveWindowMessages(window).size());
        }
        posters.Join();
    }
    for (const ThreadMessage& left : queue.CloseAndDrain())
        EXPECT_EQ(left.window, window);
    EXPECT_GT(removed, 0);
}

// Threads that post and end leave their nodes to the next ones: a queue that
// outlives many short-lived posters keeps working and hands back all.
TEST(MessageQueueConcurrency, ShortLivedPostersOneAfterAnother) {
    MessageQueue queue;
    int posted = 0;
    for (int round = 0; round < 50; ++round) {
        std::thread poster([&queue] {
            for (int n = 0; n < 200; ++n)
                EXPECT_TRUE(queue.Post(Numbered(0, n)));
        });
        poster.join();
        posted += 200;
        ThreadMessage message;
        for (int n = 0; n < 100; ++n) {
            ASSERT_TRUE(queue.GetMessage(message));
            --posted;
        }
    }
    EXPECT_EQ(queue.GetCount(), static_cast<std::size_t>(posted));
    EXPECT_EQ(queue.CloseAndDrain().size(), static_cast<std::size_t>(posted));
}
