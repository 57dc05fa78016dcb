#include "core/network_values.h"

#include <gtest/gtest.h>

namespace {

TEST(MacAddress, WritesTheLowSixBytesHighFirst) {
    MacAddress mac;
    EXPECT_EQ(mac.GetText(), "00:00:00:00:00:00");
    mac.SetValue(0xFFFF123456789ABCull);
    EXPECT_EQ(mac.GetText(), "12:34:56:78:9A:BC");
    EXPECT_EQ(mac.GetValue(), 0xFFFF123456789ABCull);
}

TEST(BinaryBlockPair, SetClampsLengthsAndKeepsBlocksOfLengthZero) {
    BinaryBlockPair source;
    source.first_block.fill(0x11);
    source.first_length = 100;
    source.second_block[0] = 0x22;
    source.second_length = 0;
    BinaryBlockPair target;
    target.second_block[0] = 0x33;
    target.Set(source);
    EXPECT_EQ(target.first_length, 64u);
    EXPECT_EQ(target.first_block[63], 0x11);
    EXPECT_EQ(target.second_length, 0u);
    EXPECT_EQ(target.second_block[0], 0x33);
}

TEST(OwnedRecord36, CopiesAreDeepAndAnEmptySourceFreesTheTarget) {
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
