#pragma once
// The machine's telephony location: its country and area code, the dialling
// rules of its country, and the translation of canonical numbers
// ("+49 (89) 1234") into the form that is dialled from here. Stands in for the
// location, country-list and address-translation services of the telephony
// API. Nothing is configured by default, as on a machine whose dialling
// location was never set up: every query then fails. The host (or a test)
// configures the location with one call. Thread-safe.

#include <cstdint>
#include <string>
#include <string_view>

// A location as the host configures it. Rules are written as the telephony
// API writes them: digits and the letters E (country code), F (area code)
// and G (local number), e.g. "00EFG", "0FG", "G". Only their digits are
// dialled.
struct TelephonyLocation {
    std::string country_code; // "49"
    std::string area_code;    // "89": as canonical numbers write it, without the trunk prefix
    std::string same_area_rule;
    std::string long_distance_rule;
    std::string international_rule;
};

// One country's entry of the country list. An empty rule is one the list
// does not give.
struct CountryDiallingRules {
    std::uint32_t country_id = 0;
    std::string same_area_rule;
    std::string long_distance_rule;
    std::string international_rule;
};

// What a canonical number was taken for (the telephony API's bit values).
inline constexpr std::uint32_t kTranslateResultCanonical = 0x00000001u;
inline constexpr std::uint32_t kTranslateResultInternational = 0x00000002u;
inline constexpr std::uint32_t kTranslateResultLongDistance = 0x00000004u;
inline constexpr std::uint32_t kTranslateResultLocal = 0x00000008u;

struct AddressTranslation {
    std::string dialable;
    // What may be shown to the user; the same as the dialable form here, as
    // there are no calling cards whose digits would be hidden.
    std::string displayable;
    std::uint32_t translate_results = 0;
    std::uint32_t destination_country = 0; // 0 for a number that is not canonical
};

void SetTelephonyLocation(const TelephonyLocation& location);
// Back to "no location configured".
void ClearTelephonyLocation();

// The location's country code and area code; false when none is configured.
bool GetTelephonyLocationInfo(std::string& country_code, std::string& area_code);

// The rules of the country with that id (its country code as a number);
// false when no location is configured or the id is not its country's: the
// stand-in knows only the configured country.
bool GetCountryDiallingRules(std::uint32_t country_id, CountryDiallingRules& out);

// Translates a number for dialling from the configured location. A number
// that does not begin with "+" comes back unchanged. A canonical number is
// "+" country code, optionally "(" area code ")", then the local number;
// blanks may stand between the parts and the local number keeps only its
// digits, "*" and "#". Same country and area: the local number; same country,
// other area: the long-distance rule's digits, the area code and the local
// number; another country: the international rule's digits, the country code,
// the area code and the local number. False when no location is configured
// or the canonical number is malformed. The options are accepted and ignored.
bool TranslateAddress(std::string_view number, std::uint32_t options, AddressTranslation& out);

// Configures a location for the lifetime of the guard, then clears it.
class ScopedTelephonyLocation {
public:
    explicit ScopedTelephonyLocation(const TelephonyLocation& location) {
        SetTelephonyLocation(location);
    }
    ~ScopedTelephonyLocation() { ClearTelephonyLocation(); }
    ScopedTelephonyLocation(const ScopedTelephonyLocation&) = delete;
    ScopedTelephonyLocation& operator=(const ScopedTelephonyLocation&) = delete;
};
