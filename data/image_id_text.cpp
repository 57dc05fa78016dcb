#include "data/image_id_text.h"

#include "platform/number_parse.h"
#include "platform/text.h"

void SetImageId(std::uint32_t value, std::uint32_t& number, std::string& number_text) {
    number = value;
    AssignUnsigned(number_text, value);
}

void ParseImageIdText(std::string& text, std::uint32_t& number, std::string& number_text) {
    TrimInPlace(text);
    if (text.empty()) {
        SetImageId(0, number, number_text);
        return;
    }
    if (IsDecimalDigits(text)) {
        SetImageId(DecimalDigitsToUInt32(text), number, number_text);
        return;
    }
    number = 0;
    number_text = text;
}
