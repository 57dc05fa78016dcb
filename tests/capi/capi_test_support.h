#pragma once
// Hand-written CAPI message images: the header is filled by Finish, fields are
// appended little-endian.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

class MessageImage {
public:
    MessageImage() : bytes_(8, 0) {}

    MessageImage& Byte(std::uint32_t value) {
        bytes_.push_back(static_cast<std::uint8_t>(value));
        return *this;
    }
    MessageImage& Word(std::uint32_t value) { return Byte(value).Byte(value >> 8); }
    MessageImage& Dword(std::uint32_t value) { return Word(value).Word(value >> 16); }
    MessageImage& Raw(std::initializer_list<std::uint8_t> bytes) {
        bytes_.insert(bytes_.end(), bytes);
        return *this;
    }
    MessageImage& Append(const std::vector<std::uint8_t>& bytes) {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    MessageImage& Struct(std::initializer_list<std::uint8_t> content) {
        Byte(content.size());
        return Raw(content);
    }
    MessageImage& Empty() { return Byte(0); }

    Bytes Finish(std::uint8_t command, std::uint8_t subcommand, std::uint16_t number = 1,
                 std::uint16_t appl_id = 1) {
        Bytes out = bytes_;
        out[0] = static_cast<std::uint8_t>(out.size());
        out[1] = static_cast<std::uint8_t>(out.size() >> 8);
        out[2] = static_cast<std::uint8_t>(appl_id);
        out[3] = static_cast<std::uint8_t>(appl_id >> 8);
        out[4] = command;
        out[5] = subcommand;
        out[6] = static_cast<std::uint8_t>(number);
        out[7] = static_cast<std::uint8_t>(number >> 8);
        return out;
    }

private:
    Bytes bytes_;
};

inline Bytes ToBytes(std::span<const std::uint8_t> bytes) {
    return {bytes.begin(), bytes.end()};
}
