#include "core/ipv4_address.h"

#include "core/string_tokenizer.h"
#include "platform/number_parse.h"
#include "platform/text.h"

void IPv4Address::SetValue(std::uint32_t value) {
    // The text is always in step with the value: an unchanged value (a
    // fresh identity reset to 0) keeps it.
    if (value == value_)
        return;
    value_ = value;
    // Written by hand: every job and record identity sets an address, and a
    // formatted print costs more than the rest of the job's reading.
    char dotted[16];
    std::size_t size = 0;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const std::uint32_t octet = (value >> shift) & 0xFFu;
        if (octet >= 100)
            dotted[size++] = static_cast<char>('0' + octet / 100);
        if (octet >= 10)
            dotted[size++] = static_cast<char>('0' + octet / 10 % 10);
        dotted[size++] = static_cast<char>('0' + octet % 10);
        if (shift != 0)
            dotted[size++] = '.';
    }
    text_.assign(dotted, size);
}

void IPv4Address::SetFromText(std::string_view text) {
    std::uint32_t value = 0;
    std::size_t start = 0;
    for (std::size_t dot = text.find('.'); dot != std::string_view::npos;
         dot = text.find('.', start)) {
        value += static_cast<std::uint32_t>(AtoI32(text.substr(start, dot - start)));
        value <<= 8;
        start = dot + 1;
    }
    value += static_cast<std::uint32_t>(AtoI32(text.substr(start)));
    SetValue(value);
}

bool IPv4Address::IsAddressText(const std::string& text) {
    StringTokenizer tokenizer;
    tokenizer.Init(text, ".");
    std::int32_t position = 0;
    std::string token;
    for (int part = 0; part < 4; ++part) {
        if (tokenizer.NextToken(token, position, true) != KV_OK)
            return false;
        if (token.size() > 3 ||
            token.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            return false;
    }
    return true;
}
