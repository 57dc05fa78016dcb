#include "capi/capi_parameters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(CapiPartyNumber, TextOfUpToThirtyTwoCharactersIsTaken) {
    CapiPartyNumber number;
    const std::string thirty_two(32, '1');
    EXPECT_EQ(number.SetFromText(thirty_two.c_str()), KV_OK);
    EXPECT_EQ(number.Digits(), thirty_two);
    EXPECT_EQ(number.digits[32], '\0');
    // 33 is refused like any longer text: the number is left empty.
    const std::string thirty_three(33, '2');
    EXPECT_EQ(number.SetFromString(thirty_three), KV_CAPI_NOT_AVAILABLE);
    EXPECT_NE(KV_CAPI_NOT_AVAILABLE, 0u);
    EXPECT_TRUE(number.Digits().empty());
    EXPECT_EQ(number.SetFromText(nullptr), KV_E_INVALID_POINTER);
}

TEST(CapiPartyNumber, CountedBufferAboveThirtyTwoChangesNothing) {
    CapiPartyNumber number;
    number.SetFromText("123");
    const std::vector<std::uint8_t> bytes(33, '9');
    EXPECT_EQ(number.SetFromBuffer(bytes.data(), bytes.size()), KV_CAPI_NOT_AVAILABLE);
    EXPECT_EQ(number.Digits(), "123");
    EXPECT_EQ(number.SetFromBuffer(bytes.data(), 2), KV_OK);
    EXPECT_EQ(number.Digits(), "99");
}

TEST(CapiSubaddress, LimitsFollowTheType) {
    CapiSubaddress subaddress;
    const std::vector<std::uint8_t> bytes(64, 0x11);
    EXPECT_EQ(subaddress.Set(CapiSubaddress::kNsap, {bytes.data(), 21}), KV_E_FAIL);
    EXPECT_EQ(subaddress.length, 0);
    EXPECT_EQ(subaddress.Set(CapiSubaddress::kNsap, {bytes.data(), 20}), KV_OK);
    EXPECT_EQ(subaddress.Set(CapiSubaddress::kUserSpecified, bytes), KV_OK);
    EXPECT_EQ(subaddress.length, 64);
    EXPECT_EQ(subaddress.Set(1, {bytes.data(), 1}), KV_E_FAIL);
    EXPECT_EQ(subaddress.length, 0);
}

} // namespace
