#pragma once
// String operations with the semantics of the original's 8-bit strings. Texts
// are Windows-1252 bytes; nothing here depends on the process locale. Indexes
// are 32-bit and -1 means "not found".

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// White space as the original trims it: blank, tab, LF, VT, FF, CR. 0xA0 is not
// white space.
inline constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";

constexpr bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
constexpr bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}
constexpr char ToUpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}
constexpr char ToLowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Equal bytes, compared in words: key and element names are short, and a
// call of memcmp for each would cost more than the comparison.
inline bool SameBytes(const char* a, const char* b, std::size_t size) {
    if (size >= 8) {
        std::uint64_t x = 0;
        std::uint64_t y = 0;
        for (std::size_t at = 0; at + 8 < size; at += 8) {
            std::memcpy(&x, a + at, 8);
            std::memcpy(&y, b + at, 8);
            if (x != y)
                return false;
        }
        std::memcpy(&x, a + size - 8, 8);
        std::memcpy(&y, b + size - 8, 8);
        return x == y;
    }
    if (size >= 4) {
        std::uint32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        std::memcpy(&x1, a, 4);
        std::memcpy(&y1, b, 4);
        std::memcpy(&x2, a + size - 4, 4);
        std::memcpy(&y2, b + size - 4, 4);
        return x1 == y1 && x2 == y2;
    }
    for (std::size_t at = 0; at < size; ++at)
        if (a[at] != b[at])
            return false;
    return true;
}

// a == b for short texts such as names.
inline bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && SameBytes(a.data(), b.data(), a.size());
}

void TrimInPlace(std::string& text);
void TrimLeftInPlace(std::string& text);
void TrimRightInPlace(std::string& text);
std::string_view TrimmedView(std::string_view text);

void MakeUpperInPlace(std::string& text);
void MakeLowerInPlace(std::string& text);
std::string ToUpper(std::string_view text);
std::string ToLower(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);

// Index of the first occurrence at or after start; -1 when there is none or
// when start is negative or at or past the end.
std::int32_t FindText(std::string_view text, std::string_view needle, std::int32_t start = 0);
std::int32_t FindChar(std::string_view text, char c, std::int32_t start = 0);
std::int32_t FindOneOf(std::string_view text, std::string_view set, std::int32_t start = 0);
std::int32_t ReverseFindChar(std::string_view text, char c);

// Clamping substrings: out-of-range arguments shrink to what the text has.
std::string Mid(std::string_view text, std::int32_t first);
std::string Mid(std::string_view text, std::int32_t first, std::int32_t count);
std::string Left(std::string_view text, std::int32_t count);
std::string Right(std::string_view text, std::int32_t count);

// The leading run of bytes that are in (SpanIncluding) or not in
// (SpanExcluding) the set.
std::string SpanIncluding(std::string_view text, std::string_view set);
std::string SpanExcluding(std::string_view text, std::string_view set);

// Removes every occurrence of c; returns how many were removed.
std::int32_t RemoveChar(std::string& text, char c);

// printf-style formatting; arguments keep their 32-bit widths ("%u" of a
// uint32_t), and "%.d" of 0 gives an empty text as the C library does.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
void AppendFormat(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
// out = the number as Format's "%u" (base 10) or "%x" (base 16) gives it,
// without the formatting machinery that per-record writes cannot afford.
std::string& AssignUnsigned(std::string& out, std::uint32_t value, int base = 10);
