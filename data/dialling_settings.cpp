#include "data/dialling_settings.h"

void TakeDiallingRules(DiallingRules& rules, CKvDataGeneral& general) {
    rules.SetExternalAffixes(general.GetExternPrefixDigit(), general.GetExternSuffixDigit());
    rules.SetInternalAffixes(general.GetInternPrefixDigit(), general.GetInternSuffixDigit(),
                             static_cast<std::int32_t>(general.GetInternDigitsCount()));
    rules.AreaCode() = general.GetOwnAreaCode();
}

void TakeDiallingRules(DiallingRules& rules, CKvDataPreferences& preferences) {
    rules.SetExternalAffixes(preferences.GetPhoneNumberExternPrefix(),
                             preferences.GetPhoneNumberExternSuffix());
    rules.SetInternalAffixes(
        preferences.GetPhoneNumberInternPrefix(), preferences.GetPhoneNumberInternSuffix(),
        static_cast<std::int32_t>(preferences.GetNumberInternDigitsCount().Get()));
    rules.AreaCode() = preferences.GetCityAreaCode();
}
