#pragma once
// Small values that travel as record fields or as message payloads: a MAC
// address, the addresses of a network adapter, a pair of binary blocks and an
// owned 36-byte record whose meaning its users give it.

#include "core/ipv4_address.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class MacAddress {
public:
    MacAddress() = default;

    // Keeps the value and writes its low six bytes as "12:34:56:78:9A:BC",
    // bits 47-40 first.
    void SetValue(std::uint64_t value);
    std::uint64_t GetValue() const { return value_; }
    const std::string& GetText() const { return text_; }

private:
    std::uint64_t value_ = 0;
    std::string text_ = "00:00:00:00:00:00";
};

// Three address and word pairs in a fixed order.
class AdapterAddresses {
public:
    static constexpr std::size_t kPairCount = 3;

    AdapterAddresses() = default;

    void Set(AdapterAddresses other) { *this = std::move(other); }

    IPv4Address& GetAddress(std::size_t index) { return addresses_.at(index); }
    const IPv4Address& GetAddress(std::size_t index) const { return addresses_.at(index); }
    std::uint32_t GetWord(std::size_t index) const { return words_.at(index); }
    void SetWord(std::size_t index, std::uint32_t word) { words_.at(index) = word; }

private:
    std::array<IPv4Address, kPairCount> addresses_{};
    std::array<std::uint32_t, kPairCount> words_{};
};

// Two fixed blocks with the number of bytes each holds. A plain record: its
// users fill the blocks and lengths directly.
struct BinaryBlockPair {
    static constexpr std::uint32_t kFirstSize = 64;
    static constexpr std::uint32_t kSecondSize = 1024;

    // Lengths are clamped to the block sizes; a block whose length is 0 keeps
    // its bytes.
    void Set(const BinaryBlockPair& other);

    std::array<std::uint8_t, kFirstSize> first_block{};
    std::uint32_t first_length = 0;
    std::array<std::uint8_t, kSecondSize> second_block{};
    std::uint32_t second_length = 0;
};

// An optional 36-byte record, always copied as a whole.
class OwnedRecord36 {
public:
    static constexpr std::size_t kSize = 36;
    using Bytes = std::array<std::uint8_t, kSize>;

    OwnedRecord36() = default;
    OwnedRecord36(const OwnedRecord36& other) { *this = other; }
    // An empty other empties this record; otherwise this record gets (and
    // allocates when needed) a copy of the other's 36 bytes.
    OwnedRecord36& operator=(const OwnedRecord36& other);

    void Free() { record_.reset(); }
    void Set(const Bytes& bytes);
    // The record, or null when there is none.
    const Bytes* Get() const { return record_.get(); }

private:
    std::unique_ptr<Bytes> record_;
};
