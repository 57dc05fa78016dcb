#include "capi/capi_parameters.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

bool CapiRawStruct::operator==(const CapiRawStruct& other) const {
    return length == other.length && std::equal(View().begin(), View().end(), other.bytes.begin());
}

KvResult CapiPartyNumber::SetFromText(const char* text) {
    if (text == nullptr)
        return KV_E_INVALID_POINTER;
    // One pass finds the length and copies, zero-padding the rest of the
    // digits; stpncpy never reads past the terminator.
    const char* const end = ::stpncpy(digits.data(), text, kMaxDigits + 1);
    const std::size_t length = static_cast<std::size_t>(end - digits.data());
    if (length > kMaxDigits)
        return Fail();
    count = static_cast<std::uint8_t>(length);
    return KV_OK;
}

KvResult CapiPartyNumber::Fail() {
    count = 0;
    digits[0] = '\0';
    return KV_CAPI_NOT_AVAILABLE;
}

void CapiPartyNumber::StoreDigits(const void* source, std::size_t length) {
    static_assert(std::endian::native == std::endian::little);
    const auto* from = static_cast<const std::uint8_t*>(source);
    length = std::min(length, kMaxDigits); // the callers' check, visible to the compiler
    std::size_t done = 0;
    for (; done + 8 <= length; done += 8)
        std::memcpy(digits.data() + done, from + done, 8);
    const std::size_t rest = length - done;
    if (rest == 0) {
        digits[length] = '\0';
    } else {
        // The last rest bytes as the low bytes of a word, read without going
        // past the source's end.
        std::uint64_t word = 0;
        if (length >= 8) {
            std::memcpy(&word, from + length - 8, 8);
            word >>= (8 - rest) * 8;
        } else if (rest >= 4) {
            std::uint32_t low = 0;
            std::uint32_t high = 0;
            std::memcpy(&low, from, 4);
            std::memcpy(&high, from + rest - 4, 4);
            word = low | (std::uint64_t{high} << ((rest - 4) * 8));
        } else {
            for (std::size_t i = 0; i < rest; ++i)
                word |= std::uint64_t{from[i]} << (i * 8);
        }
        std::memcpy(digits.data() + done, &word, 8);
    }
    count = static_cast<std::uint8_t>(length);
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
