#pragma once
// Number parsing with the results of the 32-bit C library of the original:
// leading white space and a sign are accepted, parsing stops at the first byte
// that is no digit of the base, a negative unsigned value is negated modulo
// 2^32, and overflow saturates. *end receives the index of the first byte not
// read (0 when no digits were found), like the C functions' end pointer.

#include <cstddef>
#include <cstdint>
#include <string_view>

// strtoul: base 0 detects "0x" and "0" prefixes; base 16 accepts "0x".
std::uint32_t ParseUInt32Scanned(std::string_view text, int base, std::size_t* end);
inline std::uint32_t ParseUInt32(std::string_view text, int base = 10,
                                 std::size_t* end = nullptr) {
    // Most numbers of a text are up to nine decimal digits and nothing else:
    // read here, they need no call (they can neither overflow nor carry a
    // sign or a prefix).
    if (base == 10 && !text.empty() && text.size() <= 9) {
        std::uint32_t value = 0;
        bool plain = true;
        for (const char c : text) {
            const auto digit = static_cast<std::uint32_t>(static_cast<unsigned char>(c) - '0');
            plain = plain && digit <= 9;
            value = value * 10 + digit;
        }
        if (plain) {
            if (end != nullptr)
                *end = text.size();
            return value;
        }
    }
    return ParseUInt32Scanned(text, base, end);
}
// strtol: saturates at INT32_MAX and INT32_MIN.
std::int32_t ParseInt32(std::string_view text, int base = 10, std::size_t* end = nullptr);
// atol and atoi: ParseInt32 in base 10.
inline std::int32_t AtoI32(std::string_view text) { return ParseInt32(text, 10); }

// True when the text is not empty and every byte is one of "0123456789".
bool IsDecimalDigits(std::string_view text);
// A text of decimal digits as a number, saturating at 0xFFFFFFFF.
std::uint32_t DecimalDigitsToUInt32(std::string_view digits);

// Parses a decimal fraction in the C locale ("3.25", "-1e3"); 0 when nothing
// can be read.
double ParseDouble(std::string_view text, std::size_t* end = nullptr);
