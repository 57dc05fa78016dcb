#include "data/dialling_settings.h"

#include <gtest/gtest.h>

namespace {

TEST(DiallingSettings, GeneralSettingsAndPreferencesFillTheSameRules) {
    CKvDataGeneral general;
    general.GetExternPrefixDigit() = "0";
    general.GetExternSuffixDigit() = "#";
    general.GetInternPrefixDigit() = "9";
    general.GetInternSuffixDigit() = "*";
    DiallingRules from_general;
    from_general.ModeFlag() = 0;
    TakeDiallingRules(from_general, general);
    EXPECT_EQ(from_general.GetExternalPrefix(), "0");
    EXPECT_EQ(from_general.GetExternalSuffix(), "#");
    EXPECT_EQ(from_general.GetInternalPrefix(), "9");
    EXPECT_EQ(from_general.GetInternalSuffix(), "*");
    EXPECT_EQ(from_general.GetInternalDigitLimit(),
              static_cast<std::int32_t>(general.GetInternDigitsCount()));
    EXPECT_EQ(from_general.AreaCode(), general.GetOwnAreaCode());
    // The mode stays with the caller.
    EXPECT_EQ(from_general.ModeFlag(), 0);

    CKvDataPreferences preferences;
    std::string text = "0";
    preferences.SetPhoneNumberExternPrefix(text);
    text = "#";
    preferences.SetPhoneNumberExternSuffix(text);
    text = "9";
    preferences.SetPhoneNumberInternPrefix(text);
    text = "*";
    preferences.SetPhoneNumberInternSuffix(text);
    preferences.GetNumberInternDigitsCount().Set(4);
    text = "089";
    preferences.SetCityAreaCode(text);
    DiallingRules from_preferences;
    TakeDiallingRules(from_preferences, preferences);
    EXPECT_EQ(from_preferences.GetExternalPrefix(), "0");
    EXPECT_EQ(from_preferences.GetExternalSuffix(), "#");
    EXPECT_EQ(from_preferences.GetInternalPrefix(), "9");
    EXPECT_EQ(from_preferences.GetInternalSuffix(), "*");
    EXPECT_EQ(from_preferences.GetInternalDigitLimit(), 4);
    EXPECT_EQ(from_preferences.AreaCode(), "089");
}

} // namespace
