#include "core/dialling_rules.h"

#include "platform/telephony_location.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

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
    // mode, direction, number, result, number after
    const std::tuple<std::int32_t, std::int32_t, std::string, KvResult, std::string> cases[] = {
        {0, 0, "912", KV_OK, "12"},      {0, 0, "0" + L, KV_OK, "0" + L},
        {0, 0, L, KV_OK, "0" + L},       {0, 1, L, KV_OK, "0" + L},
        {0, 0, "12", KV_OK, "12"},       {0, 0, "9", KV_E_FAIL, "9"},
        {1, 0, "912", KV_OK, "912"},     {1, 0, "0" + L, KV_OK, L},
        {1, 0, "12", KV_OK, "912"},      {1, 0, L, KV_OK, L},
        {1, 0, "0", KV_E_FAIL, "0"},     {1, 1, "912", KV_OK, "12"},
        {1, 1, "0" + L, KV_OK, "0" + L}, {1, 1, "12", KV_OK, "12"},
        {1, 1, L, KV_OK, "0" + L},       {2, 1, L, KV_OK, "0" + L},
    };
    DiallingRules rules = BerlinRules();
    for (const auto& [mode, direction, given, result, expected] : cases) {
        SCOPED_TRACE(testing::Message()
                     << "mode " << mode << " direction " << direction << " " << given);
        rules.ModeFlag() = mode, rules.DirectionFlag() = direction;
        std::string number = given;
        EXPECT_EQ(rules.ApplyAffixes(number), result);
        EXPECT_EQ(number, expected);
    }
    // Every number carries an empty internal pair: mode 0 strips it (and the
    // outer blanks with it), mode 1 with direction 0 leaves it alone.
    rules.SetInternalAffixes("", "", 2);
    rules.DirectionFlag() = 0;
    for (std::int32_t mode : {0, 1}) {
        rules.ModeFlag() = mode;
        std::string number = " " + L + " ";
        EXPECT_EQ(rules.ApplyAffixes(number), KV_OK);
        EXPECT_EQ(number, mode == 0 ? L : " " + L + " ");
    }
}

TEST(DiallingRules, HasAndStripAffixesLookAtBothEnds) {
    EXPECT_TRUE(DiallingRules::HasAffixes(" 125 ", "", "5"));
    EXPECT_FALSE(DiallingRules::HasAffixes("151", "", "5"));
    for (const auto& [given, stripped, after] :
         {std::tuple{"0" + L + "5", 1, L}, {"05", 0, "05"}, {" 0" + L + " ", 0, " 0" + L + " "}}) {
        std::string number = given;
        EXPECT_EQ((std::tuple{DiallingRules::StripAffixes(number, "0", "5"), number}),
                  std::tuple(stripped, after));
    }
}

TEST(DiallingRules, DialableAndReceivedNumbersAreTranslatedOnlyAtTheLocation) {
    // received?, located?, number given, result, what the given number becomes
    const std::tuple<bool, bool, std::string, std::string, std::string> cases[] = {
        {false, false, "030 " + L, L, "030 " + L},
        {false, false, "00 49 30 " + L, "004930" + L, "00 49 30 " + L},
        {false, false, "9 12", "12", "9 12"},
        {false, false, "+49 (30) " + L, "4930" + L, "+49 (30) " + L},
        {false, false, "(0)30-" + L, L, "(0)30-" + L},
        {false, true, " +49 (30) " + L + " ", L, "+49 (30) " + L},
        {false, true, "+49 (89) 1234", "0891234", "+49 (89) 1234"},
        {false, true, "+1 (206) 555-1212", "0012065551212", "+1 (206) 555-1212"},
        {false, true, "030 " + L, L, "030 " + L},
        {true, false, "030" + L, L, "030" + L},
        {true, false, "0030" + L, L, "0030" + L},
        {true, false, "0" + L, "0" + L, "0" + L},
        {true, false, "12", "12", "12"},
        {true, false, "9 12", "12", "912"},
        {true, false, "+49 (89) 1234", "49891234", "49891234"},
        {true, true, "+49 (89) 1234", "0891234", "0891234"},
        {true, true, "+49 (30) " + L, L, L},
    };
    const DiallingRules rules = BerlinRules();
    for (const auto& [received, located, given, translated, after] : cases) {
        SCOPED_TRACE(given);
        if (located)
            SetTelephonyLocation(kBerlin);
        std::string number = given, out;
        EXPECT_EQ(received ? rules.NormalizeReceivedNumber(out, number)
                           : rules.MakeDialableNumber(out, number),
                  KV_OK);
        ClearTelephonyLocation();
        EXPECT_EQ(out + "|" + number, translated + "|" + after);
    }
}

TEST(DiallingRules,
     CountryRulesAndLocationComeOnlyFromAConfiguredLocationAndTextOperationsReportEmptyResults) {
    DiallingRules rules;
    std::string country = "old", area = "old";
    EXPECT_EQ(rules.LoadCountryRules("49"), KV_E_FAIL);
    EXPECT_EQ((std::tuple{GetTapiLocationInfo(country, area), country}),
              std::tuple(KV_E_FAIL, "old"));
    EXPECT_FALSE(NeedsTapiTranslation("+49 (89) 1234"));

    ScopedTelephonyLocation location(kBerlin);
    EXPECT_EQ(rules.LoadCountryRules("1"), KV_E_FAIL);
    EXPECT_EQ((std::tuple{rules.LoadCountryRules(" 49"), rules.GetInternationalRule()}),
              std::tuple(KV_OK, "00EFG"));
    EXPECT_EQ((std::tuple{GetTapiLocationInfo(country, area), country + "/" + area}),
              std::tuple(KV_OK, "49/30"));
    EXPECT_TRUE(NeedsTapiTranslation("+49 (89) 1234") && !NeedsTapiTranslation("089 1234"));
    std::string out = "old";
    EXPECT_EQ((std::tuple{KeepDigits(out, "no digits"), out}), std::tuple(KV_E_FAIL, ""));
    EXPECT_EQ((std::tuple{KeepDigitsAnd(out, " +49 (89) *1# ", "*#"), out}),
              std::tuple(KV_OK, "4989*1#"));
    EXPECT_EQ((std::tuple{RemoveBlanks(out, "one two"), out}), std::tuple(KV_OK, "onetwo"));
    EXPECT_EQ((std::tuple{RemoveBlanks(out, "  word\t"), out}), std::tuple(KV_OK, "  word\t"));
    EXPECT_EQ(RemoveBlanks(out, ""), KV_E_FAIL);
}

} // namespace
