#include "core/dialling_rules.h"

#include "platform/number_parse.h"
#include "platform/telephony_location.h"
#include "platform/text.h"

#include <array>

namespace {

constexpr std::string_view kDigits = "0123456789";

bool BeginsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// The bytes of the trimmed text that are in the set, in order. The set comes
// from the user's affix texts, so it is looked up through a table.
std::string KeepCharacters(std::string_view text, std::string_view set) {
    std::array<bool, 256> in_set{};
    for (char c : set)
        in_set[static_cast<unsigned char>(c)] = true;
    std::string kept;
    for (char c : TrimmedView(text)) {
        if (in_set[static_cast<unsigned char>(c)])
            kept += c;
    }
    return kept;
}

std::string DigitsOf(std::string_view text) {
    return KeepCharacters(text, kDigits);
}

std::int32_t SignedLength(std::size_t length) {
    return length > static_cast<std::size_t>(INT32_MAX) ? INT32_MAX
                                                        : static_cast<std::int32_t>(length);
}

} // namespace

DiallingRules& DiallingRules::operator=(const DiallingRules& other) {
    mode_ = other.mode_;
    direction_ = other.direction_;
    external_prefix_ = other.external_prefix_;
    internal_prefix_ = other.internal_prefix_;
    internal_suffix_ = other.internal_suffix_;
    external_suffix_ = other.external_suffix_;
    area_code_ = other.area_code_;
    internal_digit_limit_ = other.internal_digit_limit_;
    international_rule_ = other.international_rule_;
    long_distance_rule_ = other.long_distance_rule_;
    same_area_rule_ = other.same_area_rule_;
    return *this;
}

void DiallingRules::Reset() {
    mode_ = 1;
    direction_ = 0;
    internal_digit_limit_ = 2;
    external_prefix_.clear();
    internal_prefix_.clear();
    internal_suffix_.clear();
    external_suffix_.clear();
    area_code_.clear();
    international_rule_.clear();
    long_distance_rule_.clear();
    same_area_rule_.clear();
}

void DiallingRules::SetExternalAffixes(const std::string& prefix, const std::string& suffix) {
    external_prefix_ = prefix;
    external_suffix_ = suffix;
}

void DiallingRules::SetInternalAffixes(const std::string& prefix, const std::string& suffix,
                                       std::int32_t digit_limit) {
    internal_prefix_ = prefix;
    internal_suffix_ = suffix;
    internal_digit_limit_ = digit_limit;
}

bool DiallingRules::HasAffixes(std::string_view number, std::string_view prefix,
                               std::string_view suffix) {
    const std::string_view trimmed = TrimmedView(number);
    if (!prefix.empty() && !BeginsWith(trimmed, prefix))
        return false;
    return suffix.empty() || EndsWith(trimmed, suffix);
}

std::int32_t DiallingRules::StripAffixes(std::string& number, std::string_view prefix_text,
                                         std::string_view suffix_text) {
    std::string_view work = TrimmedView(number);
    const std::string_view prefix = TrimmedView(prefix_text);
    const std::string_view suffix = TrimmedView(suffix_text);
    bool changed = false;
    if (!prefix.empty() && !suffix.empty()) {
        if (prefix.size() + suffix.size() < work.size() && BeginsWith(work, prefix)) {
            work.remove_prefix(prefix.size());
            // A prefix without its suffix is no pair: nothing is written back.
            if (EndsWith(work, suffix)) {
                work.remove_suffix(suffix.size());
                changed = true;
            }
        }
    } else if (!prefix.empty()) {
        if (prefix.size() < work.size() && BeginsWith(work, prefix)) {
            work.remove_prefix(prefix.size());
            changed = true;
        }
    } else if (suffix.size() < work.size() && EndsWith(work, suffix)) {
        work.remove_suffix(suffix.size());
        changed = true;
    }
    if (!changed)
        return 0;
    number = std::string(work);
    return 1;
}

bool DiallingRules::HasInternalAffixes(std::string_view number) const {
    return HasAffixes(number, internal_prefix_, internal_suffix_);
}

bool DiallingRules::HasExternalAffixes(std::string_view number) const {
    return HasAffixes(number, external_prefix_, external_suffix_);
}

std::int32_t DiallingRules::StripInternalAffixes(std::string& number) const {
    return StripAffixes(number, internal_prefix_, internal_suffix_);
}

std::int32_t DiallingRules::StripExternalAffixes(std::string& number) const {
    return StripAffixes(number, external_prefix_, external_suffix_);
}

void DiallingRules::AddInternalAffixes(std::string& number) const {
    number = internal_prefix_ + number + internal_suffix_;
}

void DiallingRules::AddExternalAffixes(std::string& number) const {
    number = external_prefix_ + number + external_suffix_;
}

bool DiallingRules::IsInternalNumber(std::string_view number) const {
    std::size_t digits = 0;
    for (char c : number) {
        if (IsAsciiDigit(c))
            ++digits;
    }
    return SignedLength(digits) <= internal_digit_limit_;
}

KvResult DiallingRules::ApplyAffixes(std::string& number) const {
    const bool internal_pair = HasInternalAffixes(number);
    const bool external_pair = HasExternalAffixes(number);
    const bool outward = mode_ == 0 || direction_ != 0;

    if (internal_pair) {
        if (!outward)
            return KV_OK;
        return StripInternalAffixes(number) != 0 ? KV_OK : KV_E_FAIL;
    }
    if (external_pair) {
        if (outward)
            return KV_OK;
        return StripExternalAffixes(number) != 0 ? KV_OK : KV_E_FAIL;
    }
    const bool internal_number = IsInternalNumber(number);
    if (outward && !internal_number)
        AddExternalAffixes(number);
    else if (!outward && internal_number)
        AddInternalAffixes(number);
    return KV_OK;
}

KvResult DiallingRules::RewriteAffixes(std::string& out, const std::string& number,
                                       BOOL to_internal) const {
    std::string copy = number;
    if (to_internal != 0) {
        if (!HasInternalAffixes(copy)) {
            if (HasExternalAffixes(copy))
                StripExternalAffixes(copy);
            AddInternalAffixes(copy);
        }
    } else {
        if (HasInternalAffixes(copy))
            StripInternalAffixes(copy);
        if (HasExternalAffixes(copy))
            StripExternalAffixes(copy);
    }
    out = std::move(copy);
    return KV_OK;
}

KvResult DiallingRules::LoadCountryRules(const std::string& country_code) {
    CountryDiallingRules rules;
    if (!GetCountryDiallingRules(ParseUInt32(country_code, 10), rules))
        return KV_E_FAIL;
    // A rule the country list does not give keeps its old text.
    if (!rules.same_area_rule.empty())
        same_area_rule_ = rules.same_area_rule;
    if (!rules.long_distance_rule.empty())
        long_distance_rule_ = rules.long_distance_rule;
    if (!rules.international_rule.empty())
        international_rule_ = rules.international_rule;
    return KV_OK;
}

std::string DiallingRules::AffixCharacters() const {
    return external_prefix_ + external_suffix_ + internal_prefix_ + internal_suffix_;
}

KvResult DiallingRules::MakeDialableNumber(std::string& out, std::string& number) const {
    std::string work = number;
    if (NeedsTapiTranslation(work)) {
        std::uint32_t translate_results = 0;
        std::string destination_country;
        TranslateAddressWithCountry(work, translate_results, destination_country, number, 0);
        KeepDigits(out, work);
        return KV_OK;
    }
    KeepDigitsAnd(work, work, AffixCharacters());
    if (HasInternalAffixes(work)) {
        StripInternalAffixes(work);
    } else if (!IsInternalNumber(work)) {
        BOOL international = FALSE;
        IsInternationalNumber(international, work, "", international_rule_);
        BOOL long_distance = FALSE;
        if (international) {
            // Only drop the outside-line digit when an international prefix
            // is left behind it.
            std::string stripped = work;
            BOOL still_international = FALSE;
            if (StripExternalAffixes(stripped) != 0) {
                IsInternationalNumber(still_international, stripped, "", international_rule_);
                if (still_international)
                    work = std::move(stripped);
            }
        } else if (IsLongDistanceNumber(long_distance, work, long_distance_rule_,
                                        international_rule_) == KV_OK &&
                   long_distance && work.size() > area_code_.size() &&
                   BeginsWith(work, area_code_)) {
            work.erase(0, area_code_.size());
        }
    }
    KeepDigits(out, work);
    return KV_OK;
}

KvResult DiallingRules::NormalizeReceivedNumber(std::string& out, std::string& number) const {
    out = number;
    if (NeedsTapiTranslation(number))
        TranslateAddressDisplayable(number, out);
    KeepDigitsAnd(out, number, AffixCharacters());
    number = out;

    if (HasInternalAffixes(number)) {
        StripInternalAffixes(out);
    } else if (SignedLength(number.size()) > internal_digit_limit_ && HasExternalAffixes(number)) {
        std::string work = number;
        const std::size_t area_length = area_code_.size();
        if (area_length >= work.size()) {
            StripExternalAffixes(work);
            out = work;
        } else if (BeginsWith(work, area_code_)) {
            out = work.substr(area_length);
        } else {
            StripExternalAffixes(work);
            if (external_prefix_ != "0") {
                out = work;
            } else if (BeginsWith(work, "0")) {
                // The outside-line digit was a 0 and a trunk prefix follows:
                // drop the own area code too when it is there.
                if (area_length < work.size() && BeginsWith(work, area_code_))
                    out = work.substr(area_length);
                else
                    out = work;
            }
        }
    }
    KeepDigits(out, out);
    return KV_OK;
}

KvResult KeepDigits(std::string& out, std::string_view text) {
    out = DigitsOf(text);
    return out.empty() ? KV_E_FAIL : KV_OK;
}

KvResult KeepDigitsAnd(std::string& out, std::string_view text, std::string_view extra) {
    std::string set(kDigits);
    set += extra;
    out = KeepCharacters(text, set);
    return out.empty() ? KV_E_FAIL : KV_OK;
}

KvResult RemoveBlanks(std::string& out, std::string_view text) {
    const std::string_view trimmed = TrimmedView(text);
    std::string result;
    if (trimmed.find_first_of(" \t") == std::string_view::npos) {
        result = text;
    } else {
        for (char c : trimmed) {
            if (c != ' ' && c != '\t')
                result += c;
        }
    }
    out = std::move(result);
    return out.empty() ? KV_E_FAIL : KV_OK;
}

bool NeedsTapiTranslation(std::string_view number) {
    std::string blank_free;
    RemoveBlanks(blank_free, number);
    std::string displayable;
    TranslateAddressDisplayable(displayable, blank_free);
    return displayable != blank_free;
}

KvResult TranslateAddressDisplayable(std::string& out, std::string& number) {
    std::uint32_t translate_results = 0;
    std::string destination_country;
    return TranslateAddressWithCountry(out, translate_results, destination_country, number, 0);
}

KvResult TranslateAddressWithCountry(std::string& out, std::uint32_t& translate_results,
                                     std::string& destination_country, std::string& number,
                                     std::uint32_t options) {
    out.clear();
    TrimInPlace(number);
    if (number.empty())
        return KV_E_FAIL;
    AddressTranslation translation;
    const bool translated = TranslateAddress(number, options, translation);
    out = translated ? translation.displayable : number;
    translate_results = translated ? translation.translate_results : 0;
    destination_country = Format("%u", translated ? translation.destination_country : 0u);
    return KV_OK;
}

KvResult GetTapiLocationInfo(std::string& country_code, std::string& area_code) {
    std::string country;
    std::string area;
    if (!GetTelephonyLocationInfo(country, area))
        return KV_E_FAIL;
    country_code = std::move(country);
    area_code = std::move(area);
    return KV_OK;
}

KvResult IsInternationalNumber(BOOL& flag, std::string_view number, std::string_view /*ignored*/,
                               std::string_view international_rule) {
    const std::string digits = DigitsOf(number);
    const std::string rule_digits = DigitsOf(international_rule);
    flag = !digits.empty() && !rule_digits.empty() && BeginsWith(digits, rule_digits);
    return KV_OK;
}

KvResult IsLongDistanceNumber(BOOL& flag, std::string_view number,
                              std::string_view long_distance_rule,
                              std::string_view international_rule) {
    const std::string digits = DigitsOf(number);
    const std::string long_distance_digits = DigitsOf(long_distance_rule);
    const std::string international_digits = DigitsOf(international_rule);
    flag = !digits.empty() && !long_distance_digits.empty() &&
           BeginsWith(digits, long_distance_digits) && !BeginsWith(digits, international_digits);
    return KV_OK;
}
