#pragma once
// The CAPI 2.0 parameter structures a CAPI message carries, held as fields.
// Each keeps fixed storage and a count, so that clearing one resets a length
// instead of its bytes. Octet layouts follow the ITU-T Q.931 information
// elements without their element identifier.

#include "platform/result_codes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

// Copies a struct's few bytes. Left to itself the compiler turns a copy of
// unknown size up to 255 bytes into a string move, which costs more than the
// whole message around it.
inline void CopyStructBytes(void* target, const void* source, std::size_t count) {
    auto* to = static_cast<std::uint8_t*>(target);
    const auto* from = static_cast<const std::uint8_t*>(source);
    if (count >= 16) {
        for (std::size_t done = 0; done + 16 < count; done += 16)
            std::memcpy(to + done, from + done, 16);
        std::memcpy(to + count - 16, from + count - 16, 16);
    } else if (count >= 8) {
        std::memcpy(to, from, 8);
        std::memcpy(to + count - 8, from + count - 8, 8);
    } else if (count >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + count - 4, from + count - 4, 4);
    } else {
        for (std::size_t i = 0; i < count; ++i)
            to[i] = from[i];
    }
}

// A struct copied as it stands: up to 254 bytes, as a one-byte length allows.
struct CapiRawStruct {
    static constexpr std::size_t kCapacity = 254;

    std::uint8_t length = 0;
    std::array<std::uint8_t, kCapacity> bytes{};

    // KV_E_FAIL, and nothing changes, above 254 bytes.
    KvResult Set(std::span<const std::uint8_t> data) {
        if (data.size() > kCapacity)
            return KV_E_FAIL;
        CopyStructBytes(bytes.data(), data.data(), data.size());
        length = static_cast<std::uint8_t>(data.size());
        return KV_OK;
    }
    void Clear() { length = 0; }
    std::span<const std::uint8_t> View() const { return {bytes.data(), length}; }
    bool operator==(const CapiRawStruct& other) const;
};

// A party number: type of number (3 bits), numbering plan (4 bits), with the
// presentation forms also presentation (2 bits) and screening (2 bits)
// indicators, and up to 32 digits.
struct CapiPartyNumber {
    static constexpr std::size_t kMaxDigits = 32;

    std::uint8_t type = 0;
    std::uint8_t plan = 0;
    std::uint8_t presentation = 0;
    std::uint8_t screening = 0;
    std::uint8_t count = 0;
    std::array<char, kMaxDigits + 1> digits{}; // zero-terminated
    static_assert(kMaxDigits % 16 == 0, "CopyDigitWords copies 16-byte words");

    void Clear() {
        // The five fields and the first digits in one store (Reset clears
        // four numbers); the digits past the count are never read.
        static_assert(offsetof(CapiPartyNumber, digits) == 5);
        std::memset(static_cast<void*>(this), 0, 8);
    }
    // At most 32 characters of a zero-terminated text; a longer text empties
    // the number and gives KV_CAPI_NOT_AVAILABLE; null gives KV_E_INVALID_POINTER.
    KvResult SetFromText(const char* text);
    // At most 32 bytes; more gives KV_CAPI_NOT_AVAILABLE and changes nothing.
    KvResult SetFromBuffer(const std::uint8_t* bytes, std::size_t length) {
        if (length > kMaxDigits)
            return KV_CAPI_NOT_AVAILABLE;
        if (length != 0 && bytes == nullptr)
            return KV_E_INVALID_POINTER;
        StoreDigits(bytes, length);
        return KV_OK;
    }
    // As SetFromText, up to the first zero byte.
    KvResult SetFromString(const std::string& text) { return SetFromText(text.c_str()); }
    std::string_view Digits() const { return {digits.data(), count}; }
    bool operator==(const CapiPartyNumber& other) const;

    // The digits into out as whole 16-byte words: up to 15 bytes past the
    // count are written too, zeros up to the next 8-byte word after
    // SetFromText and SetFromBuffer.
    void CopyDigitWords(std::uint8_t* out) const {
        const std::size_t length = count; // out may alias this as far as the compiler knows
        for (std::size_t done = 0; done < length; done += 16)
            std::memcpy(out + done, digits.data() + done, 16);
    }

private:
    // The digits go in as whole 8-byte words, the last one zero-padded, read
    // without going past the source's end.
    void StoreDigits(const void* source, std::size_t length);
    // Empties the number after a text too long: KV_CAPI_NOT_AVAILABLE.
    [[gnu::noinline]] KvResult Fail();
};

// A subaddress: type 0 (NSAP, at most 20 bytes) or 2 (user specified, at most
// 64 bytes), odd/even indicator and its bytes.
struct CapiSubaddress {
    static constexpr std::size_t kCapacity = 64;
    static constexpr std::uint8_t kNsap = 0;
    static constexpr std::uint8_t kUserSpecified = 2;

    std::uint8_t type = kUserSpecified;
    std::uint8_t odd_even = 0;
    std::uint8_t length = 0;
    std::array<std::uint8_t, kCapacity> bytes{};

    void Clear() {
        type = kUserSpecified;
        odd_even = 0;
        length = 0;
    }
    // Another type or too many bytes: KV_E_FAIL and length 0.
    KvResult Set(std::uint8_t type, std::span<const std::uint8_t> data, std::uint8_t odd_even = 0);
    bool operator==(const CapiSubaddress& other) const;
};

struct CapiBProtocol {
    std::uint16_t b1 = 1;
    std::uint16_t b2 = 1;
    std::uint16_t b3 = 0;
    CapiRawStruct b1_configuration;
    CapiRawStruct b2_configuration;
    CapiRawStruct b3_configuration;
    // Kept, never written.
    CapiRawStruct global_configuration;
    // Written as an empty struct, the controller's default protocols.
    bool use_default = false;

    void Reset() {
        b1 = 1;
        b2 = 1;
        b3 = 0;
        b1_configuration.Clear();
        b2_configuration.Clear();
        b3_configuration.Clear();
        global_configuration.Clear();
        use_default = false;
    }
};

// Bearer capability.
struct CapiBearerCapability {
    std::uint8_t coding = 0;
    std::uint8_t capability = 0;
    std::uint8_t mode = 0;
    std::uint8_t rate = 16;
    std::uint8_t layer1 = 3;
    bool empty = true;

    void Reset() { *this = CapiBearerCapability{}; }
    bool operator==(const CapiBearerCapability&) const = default;
};

// High layer compatibility.
struct CapiHighLayerCompatibility {
    std::uint8_t coding = 0;
    std::uint8_t identification = 1;
    std::uint8_t extended_identification = 0;
    // Written with octet 4a.
    bool extended = false;
    bool empty = true;

    void Reset() { *this = CapiHighLayerCompatibility{}; }
    bool operator==(const CapiHighLayerCompatibility&) const = default;
};

struct CapiAdditionalInfo {
    enum Part : std::size_t {
        kBChannelInformation,
        kKeypadFacility,
        kUserUserData,
        kFacilityDataArray,
        kSendingComplete,
        kPartCount,
    };
    std::array<CapiRawStruct, kPartCount> parts;

    void Clear() {
        for (CapiRawStruct& part : parts)
            part.Clear();
    }
    bool IsEmpty() const {
        for (const CapiRawStruct& part : parts)
            if (part.length != 0)
                return false;
        return true;
    }
    bool operator==(const CapiAdditionalInfo&) const = default;
};

struct CapiFacility {
    std::uint32_t function = 0;
    std::uint32_t selector = 3;
    std::uint32_t supplementary_service_reason = 0;
    std::uint32_t plci = 0;
    // The PLCI parameter of explicit call transfer.
    std::uint32_t ect_plci = 0;
    std::uint32_t response = 0;

    void Reset() { *this = CapiFacility{}; }
};
