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

namespace {

// A dotted quad as this class writes it: four parts of one to three digits,
// each at most 255 and without a leading zero. Its value is that of the
// general reading, and its text is already the one SetValue would write.
bool ReadCanonicalQuad(std::string_view text, std::uint32_t& value) {
    value = 0;
    std::size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        if (part != 0) {
            if (at >= text.size() || text[at] != '.')
                return false;
            ++at;
        }
        const std::size_t first = at;
        std::uint32_t octet = 0;
        while (at < text.size() && at - first < 4 && IsAsciiDigit(text[at]))
            octet = octet * 10 + static_cast<std::uint32_t>(text[at++] - '0');
        const std::size_t digits = at - first;
        if (digits == 0 || digits > 3 || octet > 255 || (digits > 1 && text[first] == '0'))
            return false;
        value = (value << 8) | octet;
    }
    return at == text.size();
}

} // namespace

void IPv4Address::SetFromText(std::string_view text) {
    std::uint32_t quad = 0;
    if (ReadCanonicalQuad(text, quad)) {
        value_ = quad;
        text_.assign(text);
        return;
    }
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
