#pragma once
// Windows-1252 to Unicode and back, for the places where a text leaves the
// system's 8-bit strings for a library that wants Unicode (the DOM, fonts).
//
// The five bytes that Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) map to the C1 control characters of the same value, as Windows' own
// conversion does; so every byte string survives the trip to UTF-8 and back.
// Going the other way, a character that Windows-1252 cannot hold, and every
// malformed UTF-8 sequence, becomes '?', the default character of the
// Windows conversion. A malformed sequence is replaced by one '?' per maximal
// ill-formed part, as Unicode recommends.

#include <string>
#include <string_view>

inline constexpr char kUnmappableCharacter = '?';

char32_t Windows1252ToCodePoint(unsigned char byte);

// False when the character has no Windows-1252 byte; byte is then left alone.
bool CodePointToWindows1252(char32_t code_point, char& byte);

std::string Windows1252ToUtf8(std::string_view text);
std::string Utf8ToWindows1252(std::string_view text);

// True when the text is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view text);
