// Feeds arbitrary numbers, as a line reports them for a call, with arbitrary
// dialling rules and telephony location, to DiallingRules::NormalizeReceivedNumber,
// DiallingRules::MakeDialableNumber and the location's translation of
// canonical numbers, and checks what each promises of its result.
//
// Input: one byte of flags (bit 0: a location is configured), then the
// location's country code, area code, long-distance and international rules,
// the external and internal affix pairs and the internal digit limit, one line
// each; the rest is the number. Missing lines are empty.

#include "core/dialling_rules.h"
#include "platform/telephony_location.h"
#include "platform/text.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr int kFieldCount = 9;

std::string_view NextLine(std::string_view& rest) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    return line;
}

void Fail(const char* what, std::string_view number, const std::string& result) {
    std::fprintf(stderr, "%s: [%.*s] -> [%s]\n", what, static_cast<int>(number.size()),
                 number.data(), result.c_str());
    std::abort();
}

bool OnlyDigits(std::string_view text) {
    for (char c : text) {
        if (!IsAsciiDigit(c))
            return false;
    }
    return true;
}

bool OnlyOf(std::string_view text, std::string_view allowed_besides_digits) {
    for (char c : text) {
        if (!IsAsciiDigit(c) && allowed_besides_digits.find(c) == std::string_view::npos)
            return false;
    }
    return true;
}

// The canonical-number translation: digits, "*" and "#" only, with the
// canonical bit and exactly one kind bit; other numbers come back unchanged.
void CheckTranslation(std::string_view number) {
    AddressTranslation translation;
    if (!TranslateAddress(number, 0, translation))
        return;
    const std::string_view trimmed = TrimmedView(number);
    if (trimmed.empty() || trimmed.front() != '+') {
        if (translation.dialable != number || translation.translate_results != 0)
            Fail("plain number changed", number, translation.dialable);
        return;
    }
    if (!OnlyOf(translation.dialable, "*#") || translation.displayable != translation.dialable)
        Fail("translated number", number, translation.dialable);
    const std::uint32_t kinds = translation.translate_results &
                                (kTranslateResultInternational | kTranslateResultLongDistance |
                                 kTranslateResultLocal);
    if ((translation.translate_results & kTranslateResultCanonical) == 0 || kinds == 0 ||
        (kinds & (kinds - 1)) != 0)
        Fail("translation bits", number, translation.dialable);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const bool located = (data[0] & 1) != 0;
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string_view fields[kFieldCount];
    for (std::string_view& field : fields)
        field = NextLine(rest);
    const std::string_view number = rest;

    if (located) {
        SetTelephonyLocation({.country_code = std::string(fields[0]),
                              .area_code = std::string(fields[1]),
                              .same_area_rule = "G",
                              .long_distance_rule = std::string(fields[2]),
                              .international_rule = std::string(fields[3])});
    }
    DiallingRules rules;
    rules.AreaCode() = std::string(fields[1]);
    rules.LongDistanceRule() = std::string(fields[2]);
    rules.LoadCountryRules(std::string(fields[0]));
    rules.SetExternalAffixes(std::string(fields[4]), std::string(fields[5]));
    const std::string limit(fields[8].substr(0, 3));
    rules.SetInternalAffixes(std::string(fields[6]), std::string(fields[7]),
                             limit.empty() || !OnlyDigits(limit) ? 2 : std::stoi(limit));

    CheckTranslation(number);

    std::string given(number);
    std::string normalized;
    if (rules.NormalizeReceivedNumber(normalized, given) != KV_OK || !OnlyDigits(normalized))
        Fail("received number", number, normalized);
    // The caller's number keeps only digits and affix characters.
    const std::string affixes = rules.GetExternalPrefix() + rules.GetExternalSuffix() +
                                rules.GetInternalPrefix() + rules.GetInternalSuffix();
    if (!OnlyOf(given, affixes))
        Fail("received number's reduced form", number, given);
    std::string again(number);
    std::string normalized_again;
    rules.NormalizeReceivedNumber(normalized_again, again);
    if (normalized_again != normalized)
        Fail("received number twice", number, normalized_again);

    std::string dialled(number);
    std::string dialable;
    if (rules.MakeDialableNumber(dialable, dialled) != KV_OK || !OnlyDigits(dialable))
        Fail("dialable number", number, dialable);

    ClearTelephonyLocation();
    return 0;
}
