#include "platform/object_pool.h"

#include "platform/message_queue.h"
#include "platform/sync.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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

namespace {

// A block's bytes as its maker fills them: every byte up to the size asked
// for, nothing beyond.
std::byte PatternByte(std::size_t block, std::size_t at) {
    return static_cast<std::byte>((block * 131 + at * 7 + 1) & 0xFF);
}

struct SizedBlock {
    std::byte* bytes;
    std::size_t size;
    std::size_t number;
};

} // namespace

// Blocks of sizes in every range (below a cache line, at and past a slot's
// end, the largest pooled size, beyond it) made by two threads at once and
// given back by others: each arrives whole, and a pooled size's memory is
// reused round after round. The pooled sizes checked for reuse have slot
// sizes no other test uses.
TEST(ObjectPool, SizedBlocksFreedOnOtherThreadsArriveWholeAndAreReused) {
    constexpr std::array<std::size_t, 8> kSizes = {17, 64, 65, 2049, 3000, 4096, 4097, 9000};
    constexpr std::array<std::size_t, 3> kCountedSizes = {2049, 3000, 4096};
    constexpr std::size_t kMakers = 2;
    constexpr std::size_t kBlocksPerSize = 60;
    constexpr std::size_t kSizedRounds = 20;
    std::vector<std::set<void*>> seen(kMakers * kSizes.size());
    std::vector<std::thread> makers;
    ManualResetEvent go;
    for (std::size_t m = 0; m < kMakers; ++m) {
        makers.emplace_back([&, m] {
            go.Wait(kWait);
            for (std::size_t round = 0; round < kSizedRounds; ++round) {
                std::vector<SizedBlock> blocks;
                for (std::size_t s = 0; s < kSizes.size(); ++s) {
                    for (std::size_t i = 0; i < kBlocksPerSize; ++i) {
                        const std::size_t number =
                            ((m * kSizedRounds + round) * kSizes.size() + s) * kBlocksPerSize + i;
                        auto* bytes =
                            static_cast<std::byte*>(object_pool::AllocateSized(kSizes[s]));
                        for (std::size_t at = 0; at < kSizes[s]; ++at)
                            bytes[at] = PatternByte(number, at);
                        blocks.push_back(SizedBlock{bytes, kSizes[s], number});
                        seen[m * kSizes.size() + s].insert(bytes);
                    }
                }
                std::thread([&blocks] {
                    for (const SizedBlock& block : blocks) {
                        bool whole = true;
                        for (std::size_t at = 0; at < block.size; ++at)
                            whole = whole && block.bytes[at] == PatternByte(block.number, at);
                        ASSERT_TRUE(whole) << block.size << " " << block.number;
                        std::memset(block.bytes, 0x5A, block.size);
                        object_pool::FreeSized(block.bytes, block.size);
                    }
                }).join();
            }
        });
    }
    go.Set();
    for (std::thread& maker : makers)
        maker.join();
    for (std::size_t m = 0; m < kMakers; ++m) {
        for (std::size_t s = 0; s < kSizes.size(); ++s) {
            SCOPED_TRACE(kSizes[s]);
            for (void* block : seen[m * kSizes.size() + s])
                EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % object_pool::kAlignment, 0u);
            const bool counted = std::find(kCountedSizes.begin(), kCountedSizes.end(), kSizes[s]) !=
                                 kCountedSizes.end();
            // Without reuse, 1,200 addresses; with it, a round's and a few blocks' slack.
            if (counted && !KV_OBJECT_POOL_USES_HEAP) {
                EXPECT_LE(seen[m * kSizes.size() + s].size(), 2 * kBlocksPerSize);
            }
        }
    }
}

// Under the address sanitizer a block is exactly the size asked for: a write
// into what would be its slot's slack is reported.
TEST(ObjectPool, AWritePastTheSizeAskedForIsSeenUnderTheAddressSanitizer) {
    if (!KV_OBJECT_POOL_USES_HEAP)
        GTEST_SKIP() << "pooled blocks lie in slots of whole cache lines";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            auto* block = static_cast<volatile char*>(object_pool::AllocateSized(65));
            block[65] = 1;
            object_pool::FreeSized(const_cast<char*>(block), 65);
        },
        "heap-buffer-overflow");
}
