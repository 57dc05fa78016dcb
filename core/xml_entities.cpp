#include "core/xml_entities.h"

#include "platform/number_parse.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace {

struct Entity {
    char character;
    std::string_view name; // between "&" and ";" included
};

// Decoding tries the five-byte names first, then "gt;" and "lt;", then
// "szlig;", the order in which stored texts have always been read.
constexpr std::array<Entity, 10> kDecodeOrder = {{
    {'\xFC', "uuml;"},
    {'\xE4', "auml;"},
    {'\xF6', "ouml;"},
    {'\xDC', "Uuml;"},
    {'\xC4', "Auml;"},
    {'\xD6', "Ouml;"},
    {'\xA7', "sect;"},
    {'>', "gt;"},
    {'<', "lt;"},
    {'\xDF', "szlig;"},
}};

// The entity that encoding writes for a byte, or an empty view.
constexpr std::array<std::string_view, 256> MakeEncodeTable() {
    std::array<std::string_view, 256> table{};
    table[0x3C] = "&lt;";
    table[0x3E] = "&gt;";
    table[0xA7] = "&sect;";
    table[0xC4] = "&Auml;";
    table[0xD6] = "&Ouml;";
    table[0xDC] = "&Uuml;";
    table[0xDF] = "&szlig;";
    table[0xE4] = "&auml;";
    table[0xF6] = "&ouml;";
    table[0xFC] = "&uuml;";
    return table;
}
constexpr std::array<std::string_view, 256> kEncodeTable = MakeEncodeTable();

// A numeric reference may hold at most three bytes between "#" and ";".
constexpr std::size_t kMaxNumericReferenceBytes = 3;
constexpr std::string_view kQuoteEntity = "&quot;";
constexpr std::string_view kAmpersandName = "amp;";
constexpr std::string_view kQuoteName = "quot;";

// How many "amp;" follow the "&" at pos before a "quot;" closes the run, or
// npos when no "quot;" does. A literal "&quot;" is written with one "amp;"
// more, so that it is not read back as a double quote.
std::size_t AmpersandsBeforeQuote(std::string_view value, std::size_t pos) {
    std::size_t count = 0;
    std::string_view rest = value.substr(pos + 1);
    while (rest.starts_with(kAmpersandName)) {
        rest.remove_prefix(kAmpersandName.size());
        ++count;
    }
    return rest.starts_with(kQuoteName) ? count : std::string_view::npos;
}

// Decodes the reference whose "&" lies just before pos; appends its
// character, or "&" when it is no known reference, and returns where copying
// goes on.
std::size_t DecodeReference(std::string& out, std::string_view text, std::size_t pos) {
    const std::string_view rest = text.substr(pos);
    if (!rest.empty() && rest[0] == '#') {
        // Looking no further than the longest reference keeps decoding linear.
        const std::size_t semicolon = rest.substr(0, kMaxNumericReferenceBytes + 2).find(';');
        // Only digits make a reference: the writer leaves "&" as it is, so
        // "&#" followed by an encoded ">" ("&#&gt;") is text, not a zero byte.
        const std::string_view digits =
            semicolon == std::string_view::npos ? std::string_view{} : rest.substr(1, semicolon - 1);
        if (semicolon == std::string_view::npos ||
            digits.find_first_not_of("0123456789") != std::string_view::npos) {
            out.append("&#");
            return pos + 1;
        }
        const std::uint32_t number = ParseUInt32(digits, 10);
        out.push_back(static_cast<char>(number & 0xFFu));
        return pos + semicolon + 1;
    }
    for (const Entity& entity : kDecodeOrder) {
        if (rest.starts_with(entity.name)) {
            out.push_back(entity.character);
            return pos + entity.name.size();
        }
    }
    out.push_back('&');
    return pos;
}

} // namespace

bool XmlTextNeedsEncoding(std::string_view text) {
    // Every byte that is encoded is "<", ">" or has its high bit set: eight
    // bytes at a time are passed when none of them is one of those. Most
    // field texts are short, so a text of eight bytes or more ends with a
    // word that overlaps the one before.
    constexpr std::uint64_t kLowBytes = 0x0101010101010101u;
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    constexpr std::size_t kWord = sizeof(std::uint64_t);
    const auto has_byte = [](std::uint64_t word, char c) {
        const std::uint64_t x = word ^ (kLowBytes * static_cast<unsigned char>(c));
        return ((x - kLowBytes) & ~x & kHighBits) != 0;
    };
    const auto suspect = [&has_byte](const char* at) {
        std::uint64_t word = 0;
        std::memcpy(&word, at, sizeof word);
        return (word & kHighBits) != 0 || has_byte(word, '<') || has_byte(word, '>');
    };
    std::size_t from = 0;
    if (text.size() >= kWord) {
        std::size_t i = 0;
        for (; i + kWord < text.size() && !suspect(text.data() + i); i += kWord) {
        }
        if (i + kWord >= text.size() && !suspect(text.data() + text.size() - kWord))
            return false;
        from = i;
    }
    for (std::size_t i = from; i < text.size(); ++i) {
        if (!kEncodeTable[static_cast<unsigned char>(text[i])].empty())
            return true;
    }
    return false;
}

void AppendXmlEncodedEntities(std::string& out, std::string_view text) {
    std::size_t copied = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::string_view entity = kEncodeTable[static_cast<unsigned char>(text[i])];
        if (entity.empty())
            continue;
        out.append(text.data() + copied, i - copied);
        out.append(entity);
        copied = i + 1;
    }
    out.append(text.data() + copied, text.size() - copied);
}

void AppendXmlDecodedEntities(std::string& out, std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const void* found = std::memchr(text.data() + pos, '&', text.size() - pos);
        if (found == nullptr)
            break;
        const std::size_t ampersand = static_cast<const char*>(found) - text.data();
        out.append(text.data() + pos, ampersand - pos);
        pos = DecodeReference(out, text, ampersand + 1);
    }
    if (pos < text.size())
        out.append(text.data() + pos, text.size() - pos);
}

void XmlEncodeEntities(std::string& text) {
    if (text.empty())
        return;
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    AppendXmlEncodedEntities(out, text);
    text.swap(out);
}

void XmlDecodeEntities(std::string& text) {
    if (text.find('&') == std::string::npos)
        return;
    std::string out;
    out.reserve(text.size());
    AppendXmlDecodedEntities(out, text);
    text.swap(out);
}

void AppendXmlAttributeValue(std::string& out, std::string_view value) {
    std::size_t copied = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '"') {
            out.append(value.data() + copied, i - copied);
            out.append(kQuoteEntity);
            copied = i + 1;
        } else if (value[i] == '&' && AmpersandsBeforeQuote(value, i) != std::string_view::npos) {
            out.append(value.data() + copied, i + 1 - copied);
            out.append(kAmpersandName);
            copied = i + 1;
        }
    }
    out.append(value.data() + copied, value.size() - copied);
}

void AppendXmlAttributeValueDecoded(std::string& out, std::string_view value) {
    std::size_t copied = 0;
    for (std::size_t i = value.find('&'); i != std::string_view::npos; i = value.find('&', i + 1)) {
        const std::size_t ampersands = AmpersandsBeforeQuote(value, i);
        if (ampersands == std::string_view::npos)
            continue;
        out.append(value.data() + copied, i - copied);
        if (ampersands == 0) {
            out.push_back('"');
            copied = i + kQuoteEntity.size();
        } else {
            out.push_back('&');
            copied = i + 1 + kAmpersandName.size();
        }
    }
    out.append(value.data() + copied, value.size() - copied);
}

bool XmlAttributeValueNeedsDecoding(std::string_view value) {
    for (std::size_t i = value.find('&'); i != std::string_view::npos; i = value.find('&', i + 1)) {
        if (AmpersandsBeforeQuote(value, i) != std::string_view::npos)
            return true;
    }
    return false;
}
