#include "data/flat_index.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <string>
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

// Tables of 8 and 16 slots, where probe runs wrap from the last slot to the
// first: each round fills a fresh index up to 4 or 8 keys and mixes inserts
// and removals, checking every key after each step.
TEST(FlatIndex, SmallTablesAgreeWithAMapOverMixedInsertsAndRemovals) {
    constexpr std::uint32_t kKeys = 64;
    std::mt19937 random(44);
    for (int round = 0; round < 40; ++round) {
        const std::size_t most = round % 2 == 0 ? 4 : 8;
        FlatIndex<std::uint32_t, int> index;
        std::map<std::uint32_t, int> expected;
        for (int step = 0; step < 300; ++step) {
            SCOPED_TRACE(testing::Message() << round << " " << step);
            if (expected.size() == most || (!expected.empty() && random() % 2 == 0)) {
                // Mostly a key that is filed.
                std::uint32_t key = random() % kKeys;
                if (random() % 4 != 0)
                    key = std::next(expected.begin(), random() % expected.size())->first;
                ASSERT_EQ(index.erase(key), expected.erase(key) == 1);
            } else {
                const std::uint32_t key = random() % kKeys;
                ASSERT_EQ(index.emplace(key, step), expected.emplace(key, step).second);
            }
            ASSERT_EQ(index.size(), expected.size());
            ASSERT_LE(index.bucket_count(), 2 * most);
            for (std::uint32_t key = 0; key < kKeys; ++key) {
                const int* found = index.find(key);
                const auto held = expected.find(key);
                ASSERT_EQ(found != nullptr, held != expected.end()) << key;
                if (found != nullptr) {
                    ASSERT_EQ(*found, held->second) << key;
                }
            }
        }
    }
}

// In 8 slots, 8 and 16 have the last slot as their home and 5 the first: a
// removal must leave what follows it, past the table's end, findable.
TEST(FlatIndex, RemovalsAtTheEndOfATableLeaveTheEntriesPastItFindable) {
    struct Case {
        std::vector<std::uint32_t> keys;
        std::uint32_t removed;
    };
    const Case cases[] = {{{8, 5}, 8}, {{8, 16, 5}, 8}, {{8, 16, 5}, 16}, {{8, 16, 5}, 5}};
    for (const Case& test : cases) {
        SCOPED_TRACE(test.removed);
        FlatIndex<std::uint32_t, std::uint32_t> index;
        for (std::uint32_t key : test.keys)
            ASSERT_TRUE(index.emplace(key, key * 10));
        ASSERT_EQ(index.bucket_count(), 8u);
        EXPECT_TRUE(index.erase(test.removed));
        for (std::uint32_t key : test.keys) {
            const std::uint32_t* found = index.find(key);
            if (key == test.removed) {
                EXPECT_EQ(found, nullptr);
            } else {
                ASSERT_NE(found, nullptr) << key;
                EXPECT_EQ(*found, key * 10);
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

// Values are indexes into a table of texts, as a store's entries hold their keys.
std::vector<std::string> texts;
struct TextOf {
    const std::string& operator()(std::size_t index) const { return texts[index]; }
};
using TextIndex = FlatTextIndex<std::size_t, TextOf>;

// The same mixed steps against a node-based map, with the texts' own hashes
// and, in a second run, with one hash for every text, so that every look-up
// tells texts apart by their bytes.
TEST(FlatTextIndex, AgreesWithANodeMapOverMixedInsertsAndRemovals) {
    texts.clear();
    for (int i = 0; i < 300; ++i)
        texts.push_back(i % 2 == 0 ? "0301234" + std::to_string(i) : std::string(i % 23, 'x') + "#");
    texts.push_back("");
    for (const bool one_hash : {false, true}) {
        SCOPED_TRACE(one_hash);
        const auto hash = [one_hash](std::size_t index) {
            return one_hash ? std::uint64_t{42} : TextIndex::Hash(texts[index]);
        };
        TextIndex index;
        std::unordered_map<std::string, std::size_t> expected;
        std::mt19937 random(11);
        for (int step = 0; step < 6000; ++step) {
            const std::size_t pick = random() % texts.size();
            std::size_t* found = index.find(texts[pick], hash(pick));
            const auto held = expected.find(texts[pick]);
            ASSERT_EQ(found != nullptr, held != expected.end()) << step;
            if (found != nullptr) {
                ASSERT_EQ(*found, held->second);
            }
            if (random() % 3 == 0) {
                if (found != nullptr) {
                    EXPECT_TRUE(index.erase(held->second, hash(held->second)));
                    expected.erase(held);
                } else {
                    EXPECT_FALSE(index.erase(pick, hash(pick)));
                }
            } else if (found == nullptr) {
                index.insert(hash(pick), pick);
                expected.emplace(texts[pick], pick);
            }
            ASSERT_EQ(index.size(), expected.size());
        }
        for (std::size_t i = 0; i < texts.size(); ++i)
            EXPECT_EQ(index.find(texts[i], hash(i)) != nullptr, expected.contains(texts[i])) << i;
        index.clear();
        EXPECT_EQ(index.find(texts[0]), nullptr);
    }
    EXPECT_EQ(TextIndex::Hash("0301234100"), TextIndex::Hash(std::string("0301234100")));
    EXPECT_NE(TextIndex::Hash("0301234100"), TextIndex::Hash("0301234101"));
    EXPECT_NE(TextIndex::Hash("abc"), TextIndex::Hash(std::string_view("abc\0", 4)));
}

} // namespace
