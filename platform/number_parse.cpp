#include "platform/number_parse.h"

#include "platform/text.h"

#include <charconv>
#include <limits>
#include <string>

namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return 99;
}

struct ScannedNumber {
    bool negative = false;
    bool overflow = false; // magnitude beyond 32 bits
    std::uint64_t magnitude = 0;
    std::size_t end = 0; // 0 when no digits
};

// Up to nine decimal digits and nothing else: most numbers read from texts
// are such, and they can neither overflow nor carry a sign or a prefix.
bool ScanPlainDecimal(std::string_view text, ScannedNumber& result) {
    if (text.empty() || text.size() > 9)
        return false;
    std::uint32_t value = 0;
    for (const char c : text) {
        const auto digit = static_cast<std::uint32_t>(static_cast<unsigned char>(c) - '0');
        if (digit > 9)
            return false;
        value = value * 10 + digit;
    }
    result.magnitude = value;
    result.end = text.size();
    return true;
}

ScannedNumber Scan(std::string_view text, int base) {
    ScannedNumber result;
    if (base == 10 && ScanPlainDecimal(text, result))
        return result;
    if (base != 0 && (base < 2 || base > 36))
        return result;
    std::size_t i = 0;
    while (i < text.size() && IsWhiteSpace(text[i]))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        result.negative = text[i] == '-';
        ++i;
    }
    const bool has_hex_prefix = i + 1 < text.size() && text[i] == '0' &&
                                (text[i + 1] == 'x' || text[i + 1] == 'X');
    if ((base == 0 || base == 16) && has_hex_prefix && i + 2 < text.size() &&
        DigitValue(text[i + 2]) < 16) {
        base = 16;
        i += 2;
    } else if (base == 0) {
        base = (i < text.size() && text[i] == '0') ? 8 : 10;
    }
    const std::size_t first_digit = i;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i]);
        if (digit >= base)
            break;
        result.magnitude = result.magnitude * static_cast<std::uint64_t>(base) +
                           static_cast<std::uint64_t>(digit);
        if (result.magnitude > 0xFFFFFFFFull) {
            result.overflow = true;
            result.magnitude = 0xFFFFFFFFull + 1; // keep it bounded
        }
    }
    if (i != first_digit)
        result.end = i;
    else
        result = ScannedNumber{};
    return result;
}

} // namespace

std::uint32_t ParseUInt32Scanned(std::string_view text, int base, std::size_t* end) {
    const ScannedNumber scanned = Scan(text, base);
    if (end)
        *end = scanned.end;
    if (scanned.overflow)
        return 0xFFFFFFFFu;
    const auto value = static_cast<std::uint32_t>(scanned.magnitude);
    return scanned.negative ? 0u - value : value;
}

std::int32_t ParseInt32(std::string_view text, int base, std::size_t* end) {
    const ScannedNumber scanned = Scan(text, base);
    if (end)
        *end = scanned.end;
    constexpr std::uint64_t max_positive = std::numeric_limits<std::int32_t>::max();
    if (scanned.negative) {
        if (scanned.overflow || scanned.magnitude > max_positive + 1)
            return std::numeric_limits<std::int32_t>::min();
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(scanned.magnitude));
    }
    if (scanned.overflow || scanned.magnitude > max_positive)
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(scanned.magnitude);
}

bool IsDecimalDigits(std::string_view text) {
    if (text.empty())
        return false;
    for (char c : text) {
        if (!IsAsciiDigit(c))
            return false;
    }
    return true;
}

std::uint32_t DecimalDigitsToUInt32(std::string_view digits) {
    std::uint64_t value = 0;
    for (char c : digits) {
        if (!IsAsciiDigit(c))
            break;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > 0xFFFFFFFFull)
            return 0xFFFFFFFFu;
    }
    return static_cast<std::uint32_t>(value);
}

double ParseDouble(std::string_view text, std::size_t* end) {
    std::size_t i = 0;
    while (i < text.size() && IsWhiteSpace(text[i]))
        ++i;
    if (i + 1 < text.size() && text[i] == '+' && text[i + 1] != '-')
        ++i;
    double value = 0.0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    const auto parsed = std::from_chars(first, last, value, std::chars_format::general);
    if (parsed.ec == std::errc::invalid_argument) {
        if (end)
            *end = 0;
        return 0.0;
    }
    if (end)
        *end = static_cast<std::size_t>(parsed.ptr - text.data());
    return value;
}
