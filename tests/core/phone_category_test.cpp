#include "core/phone_category.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>

namespace {

struct NameCase {
    std::uint32_t value;
    const char* name;
};

template <typename Set> void ExpectNames(std::span<const NameCase> cases) {
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        Set set;
        EXPECT_EQ(set.SetValue(c.value), KV_OK);
        EXPECT_EQ(set.Text(), c.name);
    }
}

TEST(PhoneCategoryAndState, EachNumberHasItsName) {
    const NameCase categories[] = {
        {0, "UNSPECIFIED"},   {1, "OFFICE"},     {2, "PRIVAT"},     {3, "OFFICE_MOBILE"},
        {4, "PRIVAT_MOBILE"}, {5, "OFFICE_FAX"}, {6, "PRIVAT_FAX"}, {7, "OFFICE_VOIP"},
        {8, "PRIVAT_VOIP"},   {9, "VIRTUAL"},    {12, "12"},
    };
    ExpectNames<PhoneCategory>(categories);
    const NameCase states[] = {
        {0, "UNSPECIFIED"}, {1, "IDLE"},       {2, "ALERTING_OUT"}, {3, "ALERTING_IN"},
        {4, "BUSY"},        {5, "WAITING"},    {6, "CONNECTED"},    {7, "DISCONNECTED"},
        {8, "HOLD"},        {9, "CONFERENCE"}, {12, "12"},
    };
    ExpectNames<PhoneState>(states);
}

TEST(PhoneCategory, ParsesACopyOfTheTextAndAStateNameIsNoCategory) {
    PhoneCategory category;
    const std::string text = " office_fax ";
    EXPECT_EQ(category.ParseText(text), KV_OK);
    EXPECT_EQ(category.GetValue(), 5u);
    EXPECT_EQ(category.Text(), "OFFICE_FAX");
    EXPECT_EQ(text, " office_fax ");
    EXPECT_EQ(category.ParseText("alerting_in"), KV_E_FAIL);
    EXPECT_EQ(category.GetValue(), 0u);
    EXPECT_EQ(category.Text(), "UNSPECIFIED");
}

} // namespace
