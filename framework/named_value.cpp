#include "framework/named_value.h"

void CKvNamedValue::SetText(const std::string& name, const std::string& value) {
    name_ = name;
    word_ = 0;
    value_ = value;
    number_ = 0;
}

void CKvNamedValue::SetNumber(const std::string& name, std::uint32_t number) {
    name_ = name;
    word_ = 0;
    value_.clear();
    number_ = number;
}
