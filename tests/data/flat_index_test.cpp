#include "data/flat_index.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <unordered_map>
#include <vector>

namespace {

// Inserts and removals in a fixed pseudo-random order, checked after every
// step against a node-based map: removals in the middle of probe runs must
// leave every other key reachable.
TEST(FlatIndex, AgreesWithANodeMapOverMixedInsertsAndRemovals) {
    FlatIndex<std::uint32_t, int> index;
    std::unordered_map<std::uint32_t, int> expected;
    std::mt19937 random(7);
    for (int step = 0; step < 20000; ++step) {
        const std::uint32_t key = random() % 512;
        if (random() % 3 == 0) {
            EXPECT_EQ(index.erase(key), expected.erase(key) == 1) << step;
        } else {
            EXPECT_EQ(index.emplace(key, step), expected.emplace(key, step).second) << step;
        }
        ASSERT_EQ(index.size(), expected.size());
        if (step % 97 == 0) {
            for (std::uint32_t probe = 0; probe < 512; ++probe) {
                const int* found = index.find(probe);
                const auto held = expected.find(probe);
                ASSERT_EQ(found != nullptr, held != expected.end()) << step << " " << probe;
                if (found != nullptr) {
                    ASSERT_EQ(*found, held->second);
                }
            }
        }
    }
}

TEST(FlatIndex, AddressesAndZeroAreKeysAndTheTableGrowsWithWhatItHolds) {
    std::vector<int> objects(1000);
    FlatIndex<const int*, std::size_t> by_address;
    EXPECT_FALSE(by_address.contains(&objects[0]));
    EXPECT_EQ(by_address.bucket_count(), 0u);
    for (std::size_t i = 0; i < objects.size(); ++i)
        ASSERT_TRUE(by_address.emplace(&objects[i], i));
    EXPECT_FALSE(by_address.emplace(&objects[5], 99));
    EXPECT_EQ(*by_address.find(&objects[5]), 5u);
    EXPECT_GE(by_address.bucket_count(), 2000u);
    EXPECT_LE(by_address.bucket_count(), 4096u);
    by_address.clear();
    EXPECT_EQ(by_address.find(&objects[5]), nullptr);

    FlatIndex<std::uint32_t, int> by_number;
    by_number.reserve(3);
    EXPECT_EQ(by_number.bucket_count(), 8u);
    EXPECT_TRUE(by_number.emplace(0, 10));
    EXPECT_TRUE(by_number.contains(0));
    EXPECT_TRUE(by_number.erase(0));
    EXPECT_FALSE(by_number.erase(0));
}

} // namespace
