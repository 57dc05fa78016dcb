#include "core/text_values.h"

#include "platform/number_parse.h"
#include "platform/text.h"

std::string& UIntValue::Format(std::string& out) const {
    AssignUnsigned(out, value_);
    return out;
}

KvResult UIntValue::Parse(const std::string& text, int base) {
    value_ = ParseUInt32(text, base);
    return KV_OK;
}

void BoolValue::Parse(std::string& text) {
    TrimInPlace(text);
    value_ = text == "TRUE" ? 1 : 0;
}

std::string& BoolValue::Format(std::string& out) const {
    out = value_ != 0 ? "TRUE" : "FALSE";
    return out;
}
