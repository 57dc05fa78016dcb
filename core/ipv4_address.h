#pragma once
// An IPv4 address with its dotted text, always kept in step.

#include <cstdint>
#include <string>
#include <string_view>

class IPv4Address {
public:
    IPv4Address() = default;

    // The text becomes "%d.%d.%d.%d" of the four bytes, the most significant
    // first.
    void SetValue(std::uint32_t value);
    // Reads the "."-separated parts left to right without validation, as the
    // platform's old address parser did: each part's number (atol) is added to
    // a running value that is shifted left by 8 before the next part, modulo
    // 2^32. "1.2" gives 0.0.1.2; parts above 255 carry into the next octet.
    void SetFromText(std::string_view text);
    // True when the first four "."-separated parts (trimmed) exist and each
    // holds at most three hexadecimal digits (an empty part passes); anything
    // after the fourth is not examined.
    static bool IsAddressText(const std::string& text);

    std::uint32_t GetValue() const { return value_; }
    const std::string& GetText() const { return text_; }

    bool operator==(const IPv4Address& other) const { return value_ == other.value_; }

private:
    std::uint32_t value_ = 0;
    std::string text_ = "0.0.0.0";
};
