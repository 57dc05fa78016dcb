#pragma once
// Turns telephone numbers into the form that is dialled and into the form in
// which a received number is compared and shown. Knows the two affix pairs of
// the user's telephone system (internal numbers; the outside line), the digit
// limit of internal numbers, the user's own area code and country, and the
// country's dialling rules as the telephony location reports them. Numbers in
// canonical form ("+49 (89) 1234") are translated by the telephony location.
//
// All text comparisons are exact and case-sensitive; to trim is to remove
// white space at both ends.

#include "platform/result_codes.h"
#include "platform/types.h"

#include <cstdint>
#include <string>
#include <string_view>

class DiallingRules {
public:
    DiallingRules() { Reset(); }
    DiallingRules(const DiallingRules& other) { *this = other; }
    // Copies everything but the own country code.
    DiallingRules& operator=(const DiallingRules& other);

    // Mode 1, direction 0, digit limit 2; affixes, area code and rules
    // emptied. The own country code stays.
    void Reset();

    // The texts are stored untrimmed.
    void SetExternalAffixes(const std::string& prefix, const std::string& suffix);
    void SetInternalAffixes(const std::string& prefix, const std::string& suffix,
                            std::int32_t digit_limit);

    const std::string& GetExternalPrefix() const { return external_prefix_; }
    const std::string& GetExternalSuffix() const { return external_suffix_; }
    const std::string& GetInternalPrefix() const { return internal_prefix_; }
    const std::string& GetInternalSuffix() const { return internal_suffix_; }
    std::int32_t GetInternalDigitLimit() const { return internal_digit_limit_; }
    const std::string& GetInternationalRule() const { return international_rule_; }
    const std::string& GetSameAreaRule() const { return same_area_rule_; }
    // Owners set these directly.
    std::string& AreaCode() { return area_code_; }
    std::string& CountryCode() { return country_code_; }
    std::string& LongDistanceRule() { return long_distance_rule_; }
    std::int32_t& ModeFlag() { return mode_; }
    std::int32_t& DirectionFlag() { return direction_; }

    // A number (trimmed) carries a pair when it begins with the non-empty
    // prefix and ends with the non-empty suffix; every number carries an
    // empty pair.
    static bool HasAffixes(std::string_view number, std::string_view prefix,
                           std::string_view suffix);
    // Removes the pair from the trimmed number; only a changed number is
    // written back. A number no longer than its affixes is not stripped.
    // Returns 1 when the number changed, else 0.
    static std::int32_t StripAffixes(std::string& number, std::string_view prefix,
                                     std::string_view suffix);

    bool HasInternalAffixes(std::string_view number) const;
    bool HasExternalAffixes(std::string_view number) const;
    std::int32_t StripInternalAffixes(std::string& number) const;
    std::int32_t StripExternalAffixes(std::string& number) const;
    void AddInternalAffixes(std::string& number) const;
    void AddExternalAffixes(std::string& number) const;
    // At most the digit limit of digits (signed comparison); a number without
    // digits counts as internal.
    bool IsInternalNumber(std::string_view number) const;

    // Adds or removes affixes by the mode and direction flags: mode 0 (and
    // mode 1 with a direction other than 0) strips the internal pair and adds
    // the external pair to external numbers; mode 1 with direction 0 strips
    // the external pair and adds the internal pair to internal numbers.
    // KV_E_FAIL, with the number unchanged, when a strip does not apply.
    KvResult ApplyAffixes(std::string& number) const;
    // out = the number moved to the internal pair (to_internal set) or with
    // both pairs stripped. Returns KV_OK.
    KvResult RewriteAffixes(std::string& out, const std::string& number, BOOL to_internal) const;

    // Takes the rules of the country whose code the text gives (decimal).
    // KV_E_FAIL, with the rules unchanged, when the country is unknown.
    KvResult LoadCountryRules(const std::string& country_code);

    // out = the digits to dial for the number: translated when canonical,
    // else without the internal pair, the outside-line digit in front of an
    // international prefix, or the own area code. No external pair is added.
    // The caller's number is trimmed when it was translated. Returns KV_OK.
    KvResult MakeDialableNumber(std::string& out, std::string& number) const;
    // out = the comparable form of a number received from the line: the
    // digits without the internal pair, the outside-line digit and the own
    // area code. The caller's number receives the translated form reduced to
    // digits and affix characters. Returns KV_OK.
    KvResult NormalizeReceivedNumber(std::string& out, std::string& number) const;

private:
    // The characters of the four affix texts, which a number keeps besides
    // its digits.
    std::string AffixCharacters() const;

    std::string external_prefix_;
    std::string internal_prefix_;
    std::string internal_suffix_;
    std::string external_suffix_;
    std::int32_t mode_ = 1;
    std::int32_t direction_ = 0;
    std::string area_code_;
    std::int32_t internal_digit_limit_ = 2;
    std::string country_code_;
    std::string international_rule_;
    std::string long_distance_rule_;
    std::string same_area_rule_;
};

// Text operations of dialling that use no rules. Each empties its out text
// first; an empty out text gives KV_E_FAIL, else KV_OK.

// out = the digits of the trimmed text, in order.
KvResult KeepDigits(std::string& out, std::string_view text);
// out = the digits and the extra characters of the trimmed text, in order.
KvResult KeepDigitsAnd(std::string& out, std::string_view text, std::string_view extra);
// out = the text unchanged when its trimmed form holds no blank or tab;
// otherwise the trimmed text without blanks and tabs.
KvResult RemoveBlanks(std::string& out, std::string_view text);

// True when the telephony location translates the blank-free number into
// another form (a canonical number with a location configured).
bool NeedsTapiTranslation(std::string_view number);
// Trims the caller's number in place (empty: KV_E_FAIL); out = its
// displayable translation, or the number itself when translation fails.
KvResult TranslateAddressDisplayable(std::string& out, std::string& number);
// The same with the caller's options; also gives the translation's result
// bits and its destination country as "%u" (0 when translation fails).
KvResult TranslateAddressWithCountry(std::string& out, std::uint32_t& translate_results,
                                     std::string& destination_country, std::string& number,
                                     std::uint32_t options);
// The location's country and area code; KV_E_FAIL, with the texts unchanged,
// when no location is configured.
KvResult GetTapiLocationInfo(std::string& country_code, std::string& area_code);

// flag = the number's digits begin with the rule's digits (both non-empty).
KvResult IsInternationalNumber(BOOL& flag, std::string_view number, std::string_view ignored,
                               std::string_view international_rule);
// flag = the number's digits begin with the long-distance rule's digits (not
// empty) and not with the international rule's digits.
KvResult IsLongDistanceNumber(BOOL& flag, std::string_view number,
                              std::string_view long_distance_rule,
                              std::string_view international_rule);
