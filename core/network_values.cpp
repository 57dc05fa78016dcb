#include "core/network_values.h"

#include "platform/text.h"

#include <algorithm>
#include <cstring>

void MacAddress::SetValue(std::uint64_t value) {
    value_ = value;
    const auto byte = [value](int shift) {
        return static_cast<unsigned>((value >> shift) & 0xFFu);
    };
    text_ = Format("%02X:%02X:%02X:%02X:%02X:%02X", byte(40), byte(32), byte(24), byte(16), byte(8),
                   byte(0));
}

void BinaryBlockPair::Set(const BinaryBlockPair& other) {
    first_length = std::min(other.first_length, kFirstSize);
    if (first_length != 0)
        std::memmove(first_block.data(), other.first_block.data(), first_length);
    second_length = std::min(other.second_length, kSecondSize);
    if (second_length != 0)
        std::memmove(second_block.data(), other.second_block.data(), second_length);
}

OwnedRecord36& OwnedRecord36::operator=(const OwnedRecord36& other) {
    if (this == &other)
        return *this;
    if (!other.record_) {
        record_.reset();
        return *this;
    }
    Set(*other.record_);
    return *this;
}

void OwnedRecord36::Set(const Bytes& bytes) {
    if (!record_)
        record_ = std::make_unique<Bytes>();
    *record_ = bytes;
}
