#include "core/dialling_rules.h"

#include "platform/telephony_location.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A local number of seven digits that begins with none of 0, 3 and 9.
const std::string L = "2345678";

const TelephonyLocation kBerlin = {"49", "30", "G", "0FG", "00EFG"};

// Outside line 0, internal prefix 9, two-digit extensions, own area 030.
DiallingRules BerlinRules() {
    ScopedTelephonyLocation location(kBerlin);
    DiallingRules rules;
    rules.SetExternalAffixes("0", "");
    rules.SetInternalAffixes("9", "", 2);
    rules.AreaCode() = "030";
    EXPECT_EQ(rules.LoadCountryRules("49"), KV_OK);
    return rules;
}

TEST(DiallingRules, ApplyAffixesFollowsModeAndDirection) {
    const struct {
        std::int32_t mode;
        std::int32_t direction;
        std::string number;
        std::string expected;
        KvResult result;
    } cases[] = {
        {0, 0, "912", "12", KV_OK},      {0, 0, "0" + L, "0" + L, KV_OK},
        {0, 0, L, "0" + L, KV_OK},       {0, 1, L, "0" + L, KV_OK},
        {0, 0, "12", "12", KV_OK},       {0, 0, "9", "9", KV_E_FAIL},
        {1, 0, "912", "912", KV_OK},     {1, 0, "0" + L, L, KV_OK},
        {1, 0, "12", "912", KV_OK},      {1, 0, L, L, KV_OK},
        {1, 0, "0", "0", KV_E_FAIL},     {1, 1, "912", "12", KV_OK},
        {1, 1, "0" + L, "0" + L, KV_OK}, {1, 1, "12", "12", KV_OK},
        {1, 1, L, "0" + L, KV_OK},       {2, 1, L, "0" + L, KV_OK},
    };
    DiallingRules rules = BerlinRules();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " direction " << c.direction
                                        << " number " << c.number);
        rules.ModeFlag() = c.mode;
        rules.DirectionFlag() = c.direction;
        std::string number = c.number;
        EXPECT_EQ(rules.ApplyAffixes(number), c.result);
        EXPECT_EQ(number, c.expected);
    }
}

TEST(DiallingRules, AnEmptyInternalPairLeavesNumbersAsTheyAreApartFromOuterBlanks) {
    DiallingRules rules = BerlinRules();
    rules.SetInternalAffixes("", "", 2);
    // Every number carries the empty pair: mode 0 strips it (and the outer
    // blanks with it), mode 1 with direction 0 leaves it alone.
    const struct {
        std::int32_t mode;
        std::string expected;
    } cases[] = {{0, L}, {1, " " + L + " "}};
    for (const auto& c : cases) {
        rules.ModeFlag() = c.mode;
        std::string number = " " + L + " ";
        EXPECT_EQ(rules.ApplyAffixes(number), KV_OK);
        EXPECT_EQ(number, c.expected);
    }
}

TEST(DiallingRules, HasAndStripAffixesLookAtBothEnds) {
    EXPECT_TRUE(DiallingRules::HasAffixes(" 125 ", "", "5"));
    EXPECT_FALSE(DiallingRules::HasAffixes("151", "", "5"));

    std::string number = "0" + L + "5";
    EXPECT_EQ(DiallingRules::StripAffixes(number, "0", "5"), 1);
    EXPECT_EQ(number, L);
    number = "05";
    EXPECT_EQ(DiallingRules::StripAffixes(number, "0", "5"), 0);
    number = " 0" + L + " ";
    EXPECT_EQ(DiallingRules::StripAffixes(number, "0", "5"), 0);
    EXPECT_EQ(number, " 0" + L + " ");
}

TEST(DiallingRules, MakeDialableNumberWithoutLocation) {
    const struct {
        std::string number;
        std::string dialable;
    } cases[] = {
        {"030 " + L, L}, {"00 49 30 " + L, "004930" + L}, {"9 12", "12"},
        {"12", "12"},    {"+49 (30) " + L, "4930" + L},   {"(0)30-" + L, L},
    };
    const DiallingRules rules = BerlinRules();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        std::string number = c.number;
        std::string out;
        EXPECT_EQ(rules.MakeDialableNumber(out, number), KV_OK);
        EXPECT_EQ(out, c.dialable);
    }
}

TEST(DiallingRules, MakeDialableNumberTranslatesCanonicalNumbersAtTheLocation) {
    const struct {
        std::string number;
        std::string dialable;
    } cases[] = {
        {" +49 (30) " + L + " ", L},
        {"+49 (89) 1234", "0891234"},
        {"+1 (206) 555-1212", "0012065551212"},
        {"030 " + L, L},
    };
    const DiallingRules rules = BerlinRules();
    ScopedTelephonyLocation location(kBerlin);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        std::string number = c.number;
        std::string out;
        rules.MakeDialableNumber(out, number);
        EXPECT_EQ(out, c.dialable);
        const std::size_t first = c.number.find_first_not_of(' ');
        EXPECT_EQ(number, c.number.substr(first, c.number.find_last_not_of(' ') + 1 - first));
    }
}

TEST(DiallingRules, NormalizeReceivedNumberDropsOutsideLineAndOwnArea) {
    const struct {
        bool located;
        std::string number;
        std::string normalized;
        std::string number_after;
    } cases[] = {
        {false, "030" + L, L, "030" + L},
        {false, "0030" + L, L, "0030" + L},
        {false, "0" + L, "0" + L, "0" + L},
        {false, "12", "12", "12"},
        {false, "9 12", "12", "912"},
        {false, "+49 (89) 1234", "49891234", "49891234"},
        {true, "+49 (89) 1234", "0891234", "0891234"},
        {true, "+49 (30) " + L, L, L},
    };
    const DiallingRules rules = BerlinRules();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        if (c.located)
            SetTelephonyLocation(kBerlin);
        std::string number = c.number;
        std::string out;
        EXPECT_EQ(rules.NormalizeReceivedNumber(out, number), KV_OK);
        ClearTelephonyLocation();
        EXPECT_EQ(out, c.normalized);
        EXPECT_EQ(number, c.number_after);
    }
}

TEST(DiallingRules, CountryRulesAndLocationComeOnlyFromAConfiguredLocation) {
    DiallingRules rules;
    std::string country = "old";
    std::string area = "old";
    EXPECT_EQ(rules.LoadCountryRules("49"), KV_E_FAIL);
    EXPECT_EQ(GetTapiLocationInfo(country, area), KV_E_FAIL);
    EXPECT_EQ(country, "old");
    EXPECT_FALSE(NeedsTapiTranslation("+49 (89) 1234"));

    ScopedTelephonyLocation location(kBerlin);
    EXPECT_EQ(rules.LoadCountryRules("1"), KV_E_FAIL);
    EXPECT_EQ(rules.LoadCountryRules(" 49"), KV_OK);
    EXPECT_EQ(rules.GetInternationalRule(), "00EFG");
    EXPECT_EQ(GetTapiLocationInfo(country, area), KV_OK);
    EXPECT_EQ(country + "/" + area, "49/30");
    EXPECT_TRUE(NeedsTapiTranslation("+49 (89) 1234"));
    EXPECT_FALSE(NeedsTapiTranslation("089 1234"));
}

TEST(DiallingRules, TextOperationsReportEmptyResults) {
    std::string out = "old";
    EXPECT_EQ(KeepDigits(out, "no digits"), KV_E_FAIL);
    EXPECT_EQ(out, "");
    EXPECT_EQ(KeepDigitsAnd(out, " +49 (89) *1# ", "*#"), KV_OK);
    EXPECT_EQ(out, "4989*1#");
    EXPECT_EQ(RemoveBlanks(out, "one two"), KV_OK);
    EXPECT_EQ(out, "onetwo");
    EXPECT_EQ(RemoveBlanks(out, "  word\t"), KV_OK);
    EXPECT_EQ(out, "  word\t");
    EXPECT_EQ(RemoveBlanks(out, ""), KV_E_FAIL);
}

} // namespace
