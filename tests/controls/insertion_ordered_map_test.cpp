#include "controls/insertion_ordered_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using TextMap = InsertionOrderedMap<int>;

// Keys whose homes lie in one sixteenth of the index, whatever its size,
// crowd a few runs; the runs' later keys must stay reachable as earlier ones
// go.
std::vector<std::string> CrowdedKeys(std::size_t count) {
    struct NoKey {
        std::string_view operator()(int) const { return {}; }
    };
    std::vector<std::string> keys;
    for (int i = 0; keys.size() < count; ++i) {
        std::string key = "k" + std::to_string(i);
        const std::uint64_t hash = FlatTextIndex<int, NoKey>::Hash(key);
        if ((hash * 0x9E3779B97F4A7C15ull) >> 60 == 5)
            keys.push_back(std::move(key));
    }
    return keys;
}

TEST(InsertionOrderedMap, KeysOfOneRunStayFoundWhateverGoesFirst) {
    const std::vector<std::string> keys = CrowdedKeys(12);
    for (std::size_t gone = 0; gone < keys.size(); ++gone) {
        SCOPED_TRACE(keys[gone]);
        TextMap map;
        for (std::size_t i = 0; i < keys.size(); ++i)
            map.Set(keys[i], static_cast<int>(i));
        ASSERT_TRUE(map.Remove(keys[gone]));
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const int* found = map.Find(keys[i]);
            if (i == gone) {
                EXPECT_EQ(found, nullptr);
            } else {
                ASSERT_NE(found, nullptr) << keys[i];
                EXPECT_EQ(*found, static_cast<int>(i));
            }
        }
    }
}

TEST(InsertionOrderedMap, RemovingFromTheFrontStopsWhereTheVisitorSays) {
    for (const std::size_t stop : {std::size_t{0}, std::size_t{3}, std::size_t{40}}) {
        SCOPED_TRACE(stop);
        TextMap map;
        const std::vector<std::string> keys = CrowdedKeys(40);
        for (std::size_t i = 0; i < keys.size(); ++i)
            map.Set(keys[i], static_cast<int>(i));
        std::vector<std::string> visited;
        // Every stage of the look-ahead shows a removed entry once, in stage
        // order, before the visitor sees it.
        std::map<std::string, std::vector<std::size_t>> stages;
        const std::size_t removed = map.RemoveFrontWhile(
            [&](TextMap::Entry& entry) {
                if (visited.size() == stop)
                    return false;
                EXPECT_EQ(stages[entry.first], (std::vector<std::size_t>{0, 1, 2})) << entry.first;
                visited.push_back(entry.first);
                return true;
            },
            [&](const TextMap::Entry& entry, std::size_t stage) {
                stages[entry.first].push_back(stage);
            });
        for (const auto& [key, shown] : stages) {
            EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end())) << key;
            EXPECT_EQ(std::adjacent_find(shown.begin(), shown.end()), shown.end()) << key;
        }
        EXPECT_EQ(removed, stop);
        EXPECT_EQ(visited, std::vector<std::string>(keys.begin(), keys.begin() + stop));
        EXPECT_EQ(map.size(), keys.size() - stop);
        for (std::size_t i = 0; i < keys.size(); ++i)
            EXPECT_EQ(map.Find(keys[i]) != nullptr, i >= stop) << keys[i];
        map.Set(keys[0], 99);
        const bool whole = stop == 0 || stop == keys.size();
        EXPECT_EQ(map.begin()->first, whole ? keys[0] : keys[stop]);
        EXPECT_EQ(std::prev(map.end())->first, stop == 0 ? keys.back() : keys[0]);
    }
}

// Random insertions, replacements, removals, removals from the front and
// clears against a plain model: the same values under the same keys, in the
// same order, while the map's nodes are given back and taken again.
TEST(InsertionOrderedMap, AgreesWithAModelOverRandomChanges) {
    std::mt19937 random(43);
    TextMap map;
    std::vector<std::string> order;
    std::map<std::string, int> values;
    for (int step = 0; step < 20000; ++step) {
        const std::string key = "key" + std::to_string(random() % 700);
        const unsigned action = random() % 100;
        if (action < 55) {
            map.Set(key, step);
            if (values.count(key) == 0)
                order.push_back(key);
            values[key] = step;
        } else if (action < 97) {
            const auto held = values.find(key);
            int moved = -1;
            EXPECT_EQ(map.Remove(key, &moved), held != values.end());
            if (held != values.end()) {
                EXPECT_EQ(moved, held->second);
                values.erase(held);
            }
            order.erase(std::remove(order.begin(), order.end(), key), order.end());
        } else if (action < 99) {
            const std::size_t stop = random() % (order.size() + 1);
            std::size_t visited = 0;
            EXPECT_EQ(map.RemoveFrontWhile([&](TextMap::Entry& entry) {
                if (visited == stop)
                    return false;
                EXPECT_EQ(entry.first, order[visited++]);
                return true;
            }), stop);
            for (std::size_t i = 0; i < stop; ++i)
                values.erase(order[i]);
            order.erase(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(stop));
        } else {
            map.Clear();
            order.clear();
            values.clear();
        }
        if (step % 500 == 0 || step == 19999) {
            ASSERT_EQ(map.size(), order.size());
            std::size_t at = 0;
            for (const auto& [walked, value] : map) {
                ASSERT_EQ(walked, order[at++]);
                EXPECT_EQ(value, values[walked]);
            }
            for (const auto& [model_key, value] : values) {
                const int* found = map.Find(model_key);
                ASSERT_NE(found, nullptr) << model_key;
                EXPECT_EQ(*found, value);
            }
        }
    }
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

// A removed key's node goes back to the map's slabs, poisoned, and so do
// all of an emptied map's nodes: a value read through a pointer kept from
// before the removal is reported.
TEST(InsertionOrderedMap, AValueReadAfterItsRemovalIsSeenUnderTheAddressSanitizer) {
    if (!kAddressSanitizer)
        GTEST_SKIP() << "nodes are poisoned only for the address sanitizer";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct {
        const char* name;
        void (*remove)(TextMap& map);
    } removals[] = {
        {"one of two", [](TextMap& map) { map.Remove("removed"); }},
        {"emptied from the front",
         [](TextMap& map) { map.RemoveFrontWhile([](TextMap::Entry&) { return true; }); }},
        {"cleared", [](TextMap& map) { map.Clear(); }},
    };
    for (const auto& removal : removals) {
        SCOPED_TRACE(removal.name);
        EXPECT_DEATH(
            {
                TextMap map;
                map.Set("kept", 1);
                map.Set("removed", 2);
                const volatile int* value = map.Find("removed");
                removal.remove(map);
                std::printf("%d\n", *value);
            },
            "use-after-poison");
    }
}

} // namespace
