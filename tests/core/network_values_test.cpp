#include "core/network_values.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>

namespace {

TEST(NetworkValues, MacWritesLowSixBytesBlockPairClampsLengthsAndRecordCopiesAreDeep) {
    MacAddress mac;
    EXPECT_EQ(mac.GetText(), "00:00:00:00:00:00");
    mac.SetValue(0xFFFF123456789ABCull);
    EXPECT_TRUE(mac.GetText() == "12:34:56:78:9A:BC" && mac.GetValue() == 0xFFFF123456789ABCull);
    // A block pair keeps blocks of length zero.
    BinaryBlockPair pair;
    pair.first_block.fill(0x11), pair.second_block[0] = 0x22;
    pair.first_length = 100, pair.second_length = 0;
    BinaryBlockPair target;
    target.second_block[0] = 0x33;
    target.Set(pair);
    EXPECT_EQ(std::tuple(target.first_length, target.first_block[63], target.second_length,
                         target.second_block[0]),
              std::tuple(64u, 0x11, 0u, 0x33));
    // An empty source frees the target.
    OwnedRecord36::Bytes bytes{};
    bytes[35] = 7;
    OwnedRecord36 source;
    source.Set(bytes);
    OwnedRecord36 copy(source);
    ASSERT_NE(copy.Get(), nullptr);
    EXPECT_NE(copy.Get(), source.Get());
    EXPECT_EQ((*copy.Get())[35], 7);
    copy = OwnedRecord36();
    EXPECT_EQ(copy.Get(), nullptr);
}

} // namespace
