#include "platform/windows1252.h"

#include <array>
#include <cstddef>

namespace {

// Code points of the bytes 0x80 to 0x9F; the undefined bytes keep their
// C1 value.
constexpr std::array<char32_t, 32> kHighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t code_point) {
    if (code_point < 0x80) {
        out.push_back(static_cast<char>(code_point));
    } else if (code_point < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code_point >> 6)));
        out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    } else {
        // Every Windows-1252 character lies in the Basic Multilingual Plane.
        out.push_back(static_cast<char>(0xE0 | (code_point >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    }
}

struct Utf8Lead {
    int length = 0; // 0: the byte cannot start a sequence
    unsigned char second_low = 0x80;
    unsigned char second_high = 0xBF;
};

// The narrowed ranges of the second byte exclude overlong forms, surrogates
// and code points above U+10FFFF.
Utf8Lead ClassifyLead(unsigned char byte) {
    if (byte >= 0xC2 && byte <= 0xDF)
        return {2, 0x80, 0xBF};
    if (byte == 0xE0)
        return {3, 0xA0, 0xBF};
    if (byte == 0xED)
        return {3, 0x80, 0x9F};
    if (byte >= 0xE1 && byte <= 0xEF)
        return {3, 0x80, 0xBF};
    if (byte == 0xF0)
        return {4, 0x90, 0xBF};
    if (byte == 0xF4)
        return {4, 0x80, 0x8F};
    if (byte >= 0xF1 && byte <= 0xF3)
        return {4, 0x80, 0xBF};
    return {};
}

// Decodes the sequence at position and moves position past it; on a
// malformed sequence it moves past its maximal ill-formed part and returns
// false.
bool DecodeUtf8(std::string_view text, std::size_t& position, char32_t& code_point) {
    const auto lead = static_cast<unsigned char>(text[position++]);
    if (lead < 0x80) {
        code_point = lead;
        return true;
    }
    const Utf8Lead shape = ClassifyLead(lead);
    if (shape.length == 0)
        return false;
    code_point = lead & (0x7F >> shape.length);
    for (int index = 1; index < shape.length; ++index) {
        if (position >= text.size())
            return false;
        const auto next = static_cast<unsigned char>(text[position]);
        const unsigned char low = index == 1 ? shape.second_low : 0x80;
        const unsigned char high = index == 1 ? shape.second_high : 0xBF;
        if (next < low || next > high)
            return false;
        code_point = (code_point << 6) | (next & 0x3F);
        ++position;
    }
    return true;
}

} // namespace

char32_t Windows1252ToCodePoint(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControlRange[byte - 0x80];
    return byte;
}

bool CodePointToWindows1252(char32_t code_point, char& byte) {
    if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF)) {
        byte = static_cast<char>(code_point);
        return true;
    }
    for (std::size_t index = 0; index < kHighControlRange.size(); ++index) {
        if (kHighControlRange[index] == code_point) {
            byte = static_cast<char>(0x80 + index);
            return true;
        }
    }
    return false;
}

std::string Windows1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    for (const char byte : text)
        AppendUtf8(out, Windows1252ToCodePoint(static_cast<unsigned char>(byte)));
    return out;
}

std::string Utf8ToWindows1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t position = 0;
    while (position < text.size()) {
        char32_t code_point = 0;
        char byte = kUnmappableCharacter;
        if (DecodeUtf8(text, position, code_point))
            CodePointToWindows1252(code_point, byte);
        out.push_back(byte);
    }
    return out;
}

bool IsValidUtf8(std::string_view text) {
    std::size_t position = 0;
    char32_t code_point = 0;
    while (position < text.size()) {
        if (!DecodeUtf8(text, position, code_point))
            return false;
    }
    return true;
}
