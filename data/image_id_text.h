#pragma once
// The image id that the user and the preferences records share: a number
// and its text.

#include <cstdint>
#include <string>

// The number and its "%u" text.
void SetImageId(std::uint32_t value, std::uint32_t& number, std::string& number_text);
// Trims the caller's text; decimal digits set the number and its text, a
// blank text sets 0, and any other text is kept with the number 0.
void ParseImageIdText(std::string& text, std::uint32_t& number, std::string& number_text);
