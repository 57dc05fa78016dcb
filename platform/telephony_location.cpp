#include "platform/telephony_location.h"

#include "platform/number_parse.h"
#include "platform/text.h"

#include <mutex>
#include <optional>

namespace {

struct LocationState {
    std::mutex mutex;
    std::optional<TelephonyLocation> location;
};

LocationState& State() {
    static LocationState state;
    return state;
}

std::optional<TelephonyLocation> CurrentLocation() {
    LocationState& state = State();
    std::lock_guard lock(state.mutex);
    return state.location;
}

std::string DigitsOf(std::string_view text) {
    std::string digits;
    for (char c : text) {
        if (IsAsciiDigit(c))
            digits += c;
    }
    return digits;
}

bool IsDialableLocalChar(char c) {
    return IsAsciiDigit(c) || c == '*' || c == '#';
}

struct CanonicalNumber {
    std::string country;
    std::string area;
    std::string local;
};

void SkipBlanks(std::string_view text, std::size_t& i) {
    while (i < text.size() && IsWhiteSpace(text[i]))
        ++i;
}

// "+" country "(" area ")" local; the area part is optional.
bool ParseCanonical(std::string_view text, CanonicalNumber& out) {
    std::size_t i = 1; // past the "+"
    SkipBlanks(text, i);
    while (i < text.size() && IsAsciiDigit(text[i]))
        out.country += text[i++];
    if (out.country.empty())
        return false;
    SkipBlanks(text, i);
    if (i < text.size() && text[i] == '(') {
        for (++i; i < text.size() && text[i] != ')'; ++i) {
            if (IsAsciiDigit(text[i]))
                out.area += text[i];
            else if (!IsWhiteSpace(text[i]))
                return false;
        }
        if (i == text.size())
            return false;
        ++i;
    }
    // Formatting characters of the local number ("-", "/", blanks) are not
    // dialled.
    for (; i < text.size(); ++i) {
        if (IsDialableLocalChar(text[i]))
            out.local += text[i];
    }
    return !out.local.empty();
}

bool IsSameCountry(std::string_view configured, std::string_view number_country) {
    return IsDecimalDigits(configured) &&
           DecimalDigitsToUInt32(configured) == DecimalDigitsToUInt32(number_country);
}

} // namespace

void SetTelephonyLocation(const TelephonyLocation& location) {
    LocationState& state = State();
    std::lock_guard lock(state.mutex);
    state.location = location;
}

void ClearTelephonyLocation() {
    LocationState& state = State();
    std::lock_guard lock(state.mutex);
    state.location.reset();
}

bool GetTelephonyLocationInfo(std::string& country_code, std::string& area_code) {
    const std::optional<TelephonyLocation> location = CurrentLocation();
    if (!location)
        return false;
    country_code = location->country_code;
    area_code = location->area_code;
    return true;
}

bool GetCountryDiallingRules(std::uint32_t country_id, CountryDiallingRules& out) {
    const std::optional<TelephonyLocation> location = CurrentLocation();
    if (!location || country_id == 0 || !IsDecimalDigits(location->country_code) ||
        DecimalDigitsToUInt32(location->country_code) != country_id)
        return false;
    out.country_id = country_id;
    out.same_area_rule = location->same_area_rule;
    out.long_distance_rule = location->long_distance_rule;
    out.international_rule = location->international_rule;
    return true;
}

bool TranslateAddress(std::string_view number, std::uint32_t /*options*/, AddressTranslation& out) {
    const std::optional<TelephonyLocation> location = CurrentLocation();
    if (!location)
        return false;
    const std::string_view text = TrimmedView(number);
    if (text.empty() || text.front() != '+') {
        out.dialable = std::string(number);
        out.displayable = out.dialable;
        out.translate_results = 0;
        out.destination_country = 0;
        return true;
    }
    CanonicalNumber canonical;
    if (!ParseCanonical(text, canonical))
        return false;

    std::string dialable;
    std::uint32_t kind = 0;
    if (!IsSameCountry(location->country_code, canonical.country)) {
        dialable = DigitsOf(location->international_rule) + canonical.country + canonical.area;
        kind = kTranslateResultInternational;
    } else if (canonical.area != DigitsOf(location->area_code)) {
        dialable = DigitsOf(location->long_distance_rule) + canonical.area;
        kind = kTranslateResultLongDistance;
    } else {
        kind = kTranslateResultLocal;
    }
    dialable += canonical.local;

    out.dialable = dialable;
    out.displayable = std::move(dialable);
    out.translate_results = kTranslateResultCanonical | kind;
    out.destination_country = DecimalDigitsToUInt32(canonical.country);
    return true;
}
