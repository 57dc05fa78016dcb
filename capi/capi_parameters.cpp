#include "capi/capi_parameters.h"

#include <algorithm>
#include <cstring>

bool CapiRawStruct::operator==(const CapiRawStruct& other) const {
    return length == other.length && std::equal(View().begin(), View().end(), other.bytes.begin());
}

KvResult CapiPartyNumber::SetFromText(const char* text) {
    if (text == nullptr)
        return KV_E_INVALID_POINTER;
    const std::size_t length = ::strnlen(text, kMaxDigits + 1);
    if (length > kMaxDigits) {
        count = 0;
        digits[0] = '\0';
        return KV_CAPI_NOT_AVAILABLE;
    }
    CopyStructBytes(digits.data(), text, length);
    digits[length] = '\0';
    count = static_cast<std::uint8_t>(length);
    return KV_OK;
}

bool CapiPartyNumber::operator==(const CapiPartyNumber& other) const {
    return type == other.type && plan == other.plan && presentation == other.presentation &&
           screening == other.screening && Digits() == other.Digits();
}

KvResult CapiSubaddress::Set(std::uint8_t new_type, std::span<const std::uint8_t> data,
                             std::uint8_t new_odd_even) {
    const std::size_t limit = new_type == kNsap ? 20 : new_type == kUserSpecified ? kCapacity : 0;
    if (data.size() > limit || (limit == 0)) {
        length = 0;
        return KV_E_FAIL;
    }
    type = new_type;
    odd_even = new_odd_even & 1;
    CopyStructBytes(bytes.data(), data.data(), data.size());
    length = static_cast<std::uint8_t>(data.size());
    return KV_OK;
}

bool CapiSubaddress::operator==(const CapiSubaddress& other) const {
    return type == other.type && odd_even == other.odd_even && length == other.length &&
           std::equal(bytes.begin(), bytes.begin() + length, other.bytes.begin());
}
