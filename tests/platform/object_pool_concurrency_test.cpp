#include "platform/object_pool.h"

#include "platform/message_queue.h"
#include "platform/sync.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <thread>
#include <vector>

namespace {

constexpr DWORD kWait = 10000;

struct Payload {
    std::uint64_t words[12];
};
using Pool = ObjectPool<Payload>;

// Homes serve every type of one slot size: each test that counts addresses
// has a size of its own, so that what other tests left in a home (a burst of
// thousands in flight) does not count.
template <std::size_t kSize> struct Sized {
    std::byte bytes[kSize];
};

template <typename T> std::vector<void*> AllocateMany(std::size_t count) {
    std::vector<void*> objects(count);
    for (void*& object : objects)
        object = ObjectPool<T>::Allocate();
    return objects;
}

// Without reuse, these rounds would touch 10,000 different addresses; with
// it, about one round's worth and a block (a few dozen objects of these sizes).
constexpr std::size_t kRounds = 50;
constexpr std::size_t kPerRound = 200;
constexpr std::size_t kReused = 1000;

} // namespace

TEST(ObjectPool, ObjectsFreedOnAnotherThreadComeBackToTheirMaker) {
    if (KV_OBJECT_POOL_USES_HEAP)
        GTEST_SKIP() << "objects come from the heap under the address sanitizer";
    using Object = Sized<1000>;
    std::set<void*> seen;
    std::thread maker([&seen] {
        for (std::size_t round = 0; round < kRounds; ++round) {
            std::vector<void*> objects = AllocateMany<Object>(kPerRound);
            seen.insert(objects.begin(), objects.end());
            std::thread([&objects] {
                object_pool::Recycler recycler;
                for (void* object : objects)
                    recycler.Add(object);
            }).join();
        }
    });
    maker.join();
    EXPECT_LE(seen.size(), kReused);
    for (void* object : seen)
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(object) % 64, 0u);
}

TEST(ObjectPool, HomesLeftByEndedThreadsServeTheNextOnes) {
    if (KV_OBJECT_POOL_USES_HEAP)
        GTEST_SKIP() << "objects come from the heap under the address sanitizer";
    using Object = Sized<1500>;
    std::set<void*> seen;
    for (std::size_t round = 0; round < kRounds; ++round) {
        std::thread([&seen] {
            std::vector<void*> objects = AllocateMany<Object>(kPerRound);
            seen.insert(objects.begin(), objects.end());
            for (void* object : objects)
                ObjectPool<Object>::Free(object);
        }).join();
    }
    EXPECT_LE(seen.size(), kReused);
}

// Objects cross from several makers to one consumer through a queue; every
// one arrives with what its maker wrote and goes back while the makers go on.
TEST(ObjectPool, ObjectsCrossingThreadsKeepTheirContents) {
    constexpr int kMakers = 4;
    constexpr int kPerMaker = 3000;
    MessageQueue queue;
    ManualResetEvent go;
    std::vector<std::thread> makers;
    for (int m = 0; m < kMakers; ++m) {
        makers.emplace_back([&queue, &go, m] {
            go.Wait(kWait);
            for (int n = 0; n < kPerMaker; ++n) {
                auto* payload = new (Pool::Allocate()) Payload;
                std::fill(std::begin(payload->words), std::end(payload->words),
                          std::uint64_t(m) << 32 | std::uint64_t(n));
                ASSERT_TRUE(queue.Post(ThreadMessage{nullptr, 1, static_cast<WPARAM>(m),
                                                     reinterpret_cast<LPARAM>(payload)}));
            }
        });
    }
    go.Set();
    std::vector<int> next(kMakers, 0);
    ThreadMessage message;
    for (int taken = 0; taken < kMakers * kPerMaker && queue.GetMessage(message); ++taken) {
        const auto m = static_cast<int>(message.wParam);
        auto* payload = reinterpret_cast<Payload*>(message.lParam);
        const std::uint64_t expected = std::uint64_t(m) << 32 | std::uint64_t(next[m]++);
        for (std::uint64_t word : payload->words)
            ASSERT_EQ(word, expected);
        // Scribble over it, as a reused object would be.
        std::memset(payload, 0xA5, sizeof(Payload));
        Pool::Free(payload);
    }
    for (std::thread& maker : makers)
        maker.join();
    for (int m = 0; m < kMakers; ++m)
        EXPECT_EQ(next[m], kPerMaker);
}
