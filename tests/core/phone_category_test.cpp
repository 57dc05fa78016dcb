#include "core/phone_category.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>

namespace {

template <typename Set> std::string Names() {
    std::string names;
    for (std::uint32_t value : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 12u}) {
        Set set;
        EXPECT_EQ(set.SetValue(value), KV_OK);
        names += set.Text() + ",";
    }
    return names;
}

TEST(PhoneCategoryAndState, EachNumberHasItsName) {
    EXPECT_EQ(Names<PhoneCategory>(), "UNSPECIFIED,OFFICE,PRIVAT,OFFICE_MOBILE,PRIVAT_MOBILE,"
                                      "OFFICE_FAX,PRIVAT_FAX,OFFICE_VOIP,PRIVAT_VOIP,VIRTUAL,12,");
    EXPECT_EQ(Names<PhoneState>(), "UNSPECIFIED,IDLE,ALERTING_OUT,ALERTING_IN,BUSY,WAITING,"
                                   "CONNECTED,DISCONNECTED,HOLD,CONFERENCE,12,");
}

TEST(PhoneCategory, ParsesACopyOfTheTextAndAStateNameIsNoCategory) {
    PhoneCategory category;
    const std::string text = " office_fax ";
    EXPECT_EQ((std::tuple{category.ParseText(text), category.GetValue(), category.Text(), text}),
              std::tuple(KV_OK, 5u, "OFFICE_FAX", " office_fax "));
    EXPECT_EQ((std::tuple{category.ParseText("alerting_in"), category.GetValue(), category.Text()}),
              std::tuple(KV_E_FAIL, 0u, "UNSPECIFIED"));
    // Texts as stored (trimmed, upper-case) read the same as any other form.
    const std::tuple<std::string_view, KvResult, std::uint32_t, std::string> cases[] = {
        {"PRIVAT_VOIP", KV_OK, 8u, "PRIVAT_VOIP"},   {"Privat_voip", KV_OK, 8u, "PRIVAT_VOIP"},
        {"7", KV_OK, 7u, "OFFICE_VOIP"},             {"12", KV_OK, 12u, "12"},
        {"OFFICE\t", KV_OK, 1u, "OFFICE"},           {"BUSY", KV_E_FAIL, 0u, "UNSPECIFIED"},
        {"", KV_E_FAIL, 0u, "UNSPECIFIED"},
    };
    for (const auto& [input, result, value, name] : cases) {
        SCOPED_TRACE(input);
        EXPECT_EQ((std::tuple{category.ParseText(input), category.GetValue(), category.Text()}),
                  std::tuple(result, value, name));
    }
}

} // namespace
