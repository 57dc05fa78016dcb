#include "core/ipv4_address.h"

#include "core/string_tokenizer.h"
#include "platform/number_parse.h"
#include "platform/text.h"

void IPv4Address::SetValue(std::uint32_t value) {
    value_ = value;
    text_ = Format("%u.%u.%u.%u", (value >> 24) & 0xFFu, (value >> 16) & 0xFFu,
                   (value >> 8) & 0xFFu, value & 0xFFu);
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
