#include "data/presentation_type_table.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PresentationTypeTable, ParsesTheCallersTextInPlaceFallingBackToUnspecified) {
    const struct {
        const char* text;
        const char* left; // the caller's text afterwards
        std::uint32_t value;
        const char* keyword;
    } cases[] = {{" block ", "BLOCK", 1, "BLOCK"},
                 {"2", "2", 2, "SHUFFLE"},
                 {"9", "9", 9, "9"},
                 {"", "", 0, "UNSPECIFIED"},
                 {"random", "RANDOM", 0, "UNSPECIFIED"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CKvPresentationTypeTable table;
        table.SetValue(CKvPresentationTypeTable::kShuffle);
        std::string text = c.text;
        table.Parse(text);
        EXPECT_EQ(text, c.left);
        EXPECT_EQ(table.GetValue(), c.value);
        EXPECT_EQ(table.Text(), c.keyword);
    }
}

} // namespace
