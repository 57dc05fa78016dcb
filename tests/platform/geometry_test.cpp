#include "platform/geometry.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(Geometry, SumsAndDifferencesSaturateOrWrap) {
    EXPECT_EQ(KvSatAdd(INT32_MAX, 5), INT32_MAX);
    EXPECT_EQ(KvSatAdd(INT32_MIN, -1), INT32_MIN);
    EXPECT_EQ(KvSatAdd(-3, 5), 2);
    EXPECT_EQ(KvSatSub(INT32_MIN, 1), INT32_MIN);
    EXPECT_EQ(KvSatSub(INT32_MAX, -1), INT32_MAX);
    EXPECT_EQ(KvSatSub(-2, INT32_MAX), INT32_MIN);
    EXPECT_EQ(KvWrapAdd(INT32_MAX, 1), INT32_MIN);
    EXPECT_EQ(KvWrapAdd(3, 2147483646), INT32_MIN + 1);
    EXPECT_EQ(KvWrapSub(INT32_MIN, 1), INT32_MAX);
    EXPECT_EQ(KvWrapSub(0, INT32_MIN), INT32_MIN);
    EXPECT_EQ(KvSatAbs(INT32_MIN), INT32_MAX);
    EXPECT_EQ(KvSatAbs(-7), 7);
    EXPECT_EQ(KvSatAbs(7), 7);
}

} // namespace
