#include "platform/telephony_location.h"

#include <gtest/gtest.h>

namespace {

const TelephonyLocation kMunich = {"49", "89", "G", "0FG", "00EFG"};

TEST(TelephonyLocation, NothingIsAnsweredWithoutAConfiguredLocationOrOnceTheGuardEnded) {
    { ScopedTelephonyLocation location(kMunich); }
    std::string country = "old", area = "old";
    EXPECT_FALSE(GetTelephonyLocationInfo(country, area));
    EXPECT_EQ(country, "old");
    CountryDiallingRules rules;
    EXPECT_FALSE(GetCountryDiallingRules(49, rules));
    AddressTranslation translation;
    EXPECT_FALSE(TranslateAddress("123", 0, translation));
}

TEST(TelephonyLocation, GivesTheRulesOfItsOwnCountryOnly) {
    ScopedTelephonyLocation location(kMunich);
    CountryDiallingRules rules;
    EXPECT_FALSE(GetCountryDiallingRules(1, rules));
    EXPECT_FALSE(GetCountryDiallingRules(0, rules));
    ASSERT_TRUE(GetCountryDiallingRules(49, rules));
    EXPECT_EQ(std::tuple(rules.international_rule, rules.long_distance_rule, rules.same_area_rule),
              std::tuple("00EFG", "0FG", "G"));
    std::string country, area;
    ASSERT_TRUE(GetTelephonyLocationInfo(country, area));
    EXPECT_EQ(country + "/" + area, "49/89");
}

TEST(TelephonyLocation, TranslatesCanonicalNumbersFromTheLocation) {
    const struct {
        const char* number;
        bool translated;
        const char* dialable;
        std::uint32_t results;
        std::uint32_t country;
    } cases[] = {
        {"+49 (89) 1234-5", true, "12345", kTranslateResultCanonical | kTranslateResultLocal, 49},
        {"+49(30)1234", true, "0301234", kTranslateResultCanonical | kTranslateResultLongDistance,
         49},
        {"+049 30 1234", true, "0301234", kTranslateResultCanonical | kTranslateResultLongDistance,
         49},
        {"+1 (206) 555 1212", true, "0012065551212",
         kTranslateResultCanonical | kTranslateResultInternational, 1},
        {" 089 1234", true, " 089 1234", 0, 0},
        {"+ (89) 1234", false, "", 0, 0},
        {"+49 (89 1234", false, "", 0, 0},
        {"+49 (8a) 1234", false, "", 0, 0},
        {"+49 (89)", false, "", 0, 0},
    };
    ScopedTelephonyLocation location(kMunich);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        AddressTranslation translation;
        ASSERT_EQ(TranslateAddress(c.number, 0, translation), c.translated);
        if (!c.translated)
            continue;
        EXPECT_EQ(std::tuple(translation.dialable, translation.displayable,
                             translation.translate_results, translation.destination_country),
                  std::tuple(c.dialable, c.dialable, c.results, c.country));
    }
}

} // namespace
