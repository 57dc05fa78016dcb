#include "framework/named_value.h"

#include <gtest/gtest.h>

TEST(NamedValue, EachSetterClearsTheOtherKindOfValue) {
    CKvNamedValue value("INITIATE_EXPORT", "all");
    value.SetNumber("PROGRESS_DATA", 40);
    EXPECT_EQ(value.GetValue(), "");
    EXPECT_EQ(value.GetNumber(), 40u);
    value.SetText("EVENT", "x");
    EXPECT_EQ(value.GetNumber(), 0u);
    EXPECT_EQ(value.GetName(), "EVENT");
}
