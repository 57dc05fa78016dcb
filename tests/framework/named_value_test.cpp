#include "framework/named_value.h"

#include <gtest/gtest.h>

#include <tuple>

TEST(NamedValue, EachSetterClearsTheOtherKindOfValue) {
    CKvNamedValue value("INITIATE_EXPORT", "all");
    value.SetNumber("PROGRESS_DATA", 40);
    EXPECT_EQ(std::tuple(value.GetValue(), value.GetNumber()), std::tuple("", 40u));
    value.SetText("EVENT", "x");
    EXPECT_EQ(std::tuple(value.GetName(), value.GetNumber()), std::tuple("EVENT", 0u));
}
