#include "core/phone_category.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

struct NameCase {
    std::uint32_t value;
    const char* name;
};

TEST(PhoneCategory, EachNumberHasItsName) {
    const NameCase cases[] = {
        {0, "UNSPECIFIED"},   {1, "OFFICE"},     {2, "PRIVAT"},     {3, "OFFICE_MOBILE"},
        {4, "PRIVAT_MOBILE"}, {5, "OFFICE_FAX"}, {6, "PRIVAT_FAX"}, {7, "OFFICE_VOIP"},
        {8, "PRIVAT_VOIP"},   {9, "VIRTUAL"},    {12, "12"},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        PhoneCategory category;
        EXPECT_EQ(category.SetValue(c.value), KV_OK);
        EXPECT_EQ(category.Text(), c.name);
        PhoneCategory parsed;
        EXPECT_EQ(parsed.ParseText(c.name), KV_OK);
        EXPECT_EQ(parsed.GetValue(), c.value);
    }
}

TEST(PhoneState, EachNumberHasItsName) {
    const NameCase cases[] = {
        {0, "UNSPECIFIED"}, {1, "IDLE"},       {2, "ALERTING_OUT"}, {3, "ALERTING_IN"},
        {4, "BUSY"},        {5, "WAITING"},    {6, "CONNECTED"},    {7, "DISCONNECTED"},
        {8, "HOLD"},        {9, "CONFERENCE"}, {12, "12"},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        PhoneState state;
        EXPECT_EQ(state.SetValue(c.value), KV_OK);
        EXPECT_EQ(state.Text(), c.name);
        EXPECT_EQ(state.GetValue(), c.value);
    }
}

TEST(PhoneCategory, AStateNameIsNoCategory) {
    PhoneCategory category;
    category.SetValue(4);
    EXPECT_EQ(category.ParseText("alerting_in"), KV_E_FAIL);
    EXPECT_EQ(category.GetValue(), 0u);
    EXPECT_EQ(category.Text(), "UNSPECIFIED");
}

TEST(PhoneCategory, ParseLeavesTheCallersTextUnchanged) {
    PhoneCategory category;
    const std::string text = " office_fax ";
    EXPECT_EQ(category.ParseText(text), KV_OK);
    EXPECT_EQ(category.GetValue(), 5u);
    EXPECT_EQ(category.Text(), "OFFICE_FAX");
    EXPECT_EQ(text, " office_fax ");
}

TEST(PhoneCategory, ANumberIsGivenItsKeyword) {
    PhoneCategory category;
    EXPECT_EQ(category.ParseText("9"), KV_OK);
    EXPECT_EQ(category.GetValue(), 9u);
    std::string out;
    EXPECT_EQ(category.GetText(out), "VIRTUAL");
}

TEST(PhoneCategoryAndState, NewSetsHaveAnEmptyText) {
    EXPECT_EQ(PhoneCategory().Text(), "");
    EXPECT_EQ(PhoneState().Text(), "");
    EXPECT_EQ(PhoneCategory().Keyword().GetDefault(), 0u);
}

} // namespace
