#include "platform/text.h"

#include <algorithm>
#include <charconv>
#include <cstdarg>
#include <cstdio>

namespace {

std::int32_t ToIndex(std::size_t position) {
    return position == std::string_view::npos ? -1 : static_cast<std::int32_t>(position);
}

bool StartIsInside(std::string_view text, std::int32_t start) {
    return start >= 0 && static_cast<std::size_t>(start) < text.size();
}

void AppendFormatV(std::string& out, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    char stack_buffer[256];
    const int needed = std::vsnprintf(stack_buffer, sizeof stack_buffer, format, copy);
    va_end(copy);
    if (needed <= 0)
        return;
    if (static_cast<std::size_t>(needed) < sizeof stack_buffer) {
        out.append(stack_buffer, static_cast<std::size_t>(needed));
        return;
    }
    const std::size_t old_size = out.size();
    out.resize(old_size + static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(out.data() + old_size, static_cast<std::size_t>(needed) + 1, format, args);
    out.resize(old_size + static_cast<std::size_t>(needed));
}

// Direct scans: find_first_not_of with a set searches the set once per
// character, which shows in the loaders' profiles.
std::size_t FirstNonWhiteSpace(std::string_view text) {
    std::size_t first = 0;
    while (first < text.size() && IsWhiteSpace(text[first]))
        ++first;
    return first < text.size() ? first : std::string_view::npos;
}

std::size_t LastNonWhiteSpace(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && IsWhiteSpace(text[end - 1]))
        --end;
    return end > 0 ? end - 1 : std::string_view::npos;
}

} // namespace

void TrimLeftInPlace(std::string& text) {
    const std::size_t first = FirstNonWhiteSpace(text);
    if (first == std::string::npos)
        text.clear();
    else if (first > 0)
        text.erase(0, first);
}

void TrimRightInPlace(std::string& text) {
    const std::size_t last = LastNonWhiteSpace(text);
    if (last == std::string::npos)
        text.clear();
    else
        text.resize(last + 1);
}

void TrimInPlace(std::string& text) {
    // Most texts have nothing to trim: two looks settle it without a search.
    // " \t\n\v\f\r": the blank and the five control bytes from 9 to 13.
    const auto is_blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    if (text.empty() || (!is_blank(text.front()) && !is_blank(text.back())))
        return;
    TrimRightInPlace(text);
    TrimLeftInPlace(text);
}

std::string_view TrimmedView(std::string_view text) {
    const std::size_t first = FirstNonWhiteSpace(text);
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = LastNonWhiteSpace(text);
    return text.substr(first, last - first + 1);
}

void MakeUpperInPlace(std::string& text) {
    for (char& c : text)
        c = ToUpperAscii(c);
}

void MakeLowerInPlace(std::string& text) {
    for (char& c : text)
        c = ToLowerAscii(c);
}

std::string ToUpper(std::string_view text) {
    std::string result(text);
    MakeUpperInPlace(result);
    return result;
}

std::string ToLower(std::string_view text) {
    std::string result(text);
    MakeLowerInPlace(result);
    return result;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return ToUpperAscii(x) == ToUpperAscii(y);
           });
}

std::int32_t FindText(std::string_view text, std::string_view needle, std::int32_t start) {
    if (!StartIsInside(text, start))
        return -1;
    return ToIndex(text.find(needle, static_cast<std::size_t>(start)));
}

std::int32_t FindChar(std::string_view text, char c, std::int32_t start) {
    if (!StartIsInside(text, start))
        return -1;
    return ToIndex(text.find(c, static_cast<std::size_t>(start)));
}

std::int32_t FindOneOf(std::string_view text, std::string_view set, std::int32_t start) {
    if (!StartIsInside(text, start) || set.empty())
        return -1;
    return ToIndex(text.find_first_of(set, static_cast<std::size_t>(start)));
}

std::int32_t ReverseFindChar(std::string_view text, char c) {
    return ToIndex(text.rfind(c));
}

std::string Mid(std::string_view text, std::int32_t first) {
    return Mid(text, first, static_cast<std::int32_t>(text.size()));
}

std::string Mid(std::string_view text, std::int32_t first, std::int32_t count) {
    const auto size = static_cast<std::int64_t>(text.size());
    const std::int64_t begin = std::clamp<std::int64_t>(first, 0, size);
    const std::int64_t length = std::clamp<std::int64_t>(count, 0, size - begin);
    return std::string(
        text.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(length)));
}

std::string Left(std::string_view text, std::int32_t count) {
    return Mid(text, 0, count);
}

std::string Right(std::string_view text, std::int32_t count) {
    const auto size = static_cast<std::int64_t>(text.size());
    const std::int64_t length = std::clamp<std::int64_t>(count, 0, size);
    return std::string(text.substr(static_cast<std::size_t>(size - length)));
}

std::string SpanIncluding(std::string_view text, std::string_view set) {
    return std::string(text.substr(0, std::min(text.find_first_not_of(set), text.size())));
}

std::string SpanExcluding(std::string_view text, std::string_view set) {
    return std::string(text.substr(0, std::min(text.find_first_of(set), text.size())));
}

std::int32_t RemoveChar(std::string& text, char c) {
    const std::size_t old_size = text.size();
    std::erase(text, c);
    return static_cast<std::int32_t>(old_size - text.size());
}

std::string Format(const char* format, ...) {
    std::string out;
    va_list args;
    va_start(args, format);
    AppendFormatV(out, format, args);
    va_end(args);
    return out;
}

void AppendFormat(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    AppendFormatV(out, format, args);
    va_end(args);
}

std::string& AssignUnsigned(std::string& out, std::uint32_t value, int base) {
    char digits[16];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value, base);
    out.assign(digits, end.ptr);
    return out;
}
