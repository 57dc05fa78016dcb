#include "data/presentation_type_table.h"

#include "data_test_support.h"

#include <tuple>

namespace {

TEST(PresentationTypeTable, ParsesTheCallersTextInPlaceFallingBackToUnspecified) {
    // text, the caller's text afterwards, value, keyword
    const std::tuple<const char*, const char*, std::uint32_t, const char*> cases[] = {
        {" block ", "BLOCK", 1, "BLOCK"},
        {"2", "2", 2, "SHUFFLE"},
        {"9", "9", 9, "9"},
        {"", "", 0, "UNSPECIFIED"},
        {"random", "RANDOM", 0, "UNSPECIFIED"}};
    for (const auto& [given, left, value, keyword] : cases) {
        SCOPED_TRACE(given);
        CKvPresentationTypeTable table;
        table.SetValue(CKvPresentationTypeTable::kShuffle);
        std::string text = given;
        table.Parse(text);
        EXPECT_EQ(text, left);
        EXPECT_EQ(table.GetValue(), value);
        EXPECT_EQ(table.Text(), keyword);
    }
}

} // namespace
