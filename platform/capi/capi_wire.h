#pragma once
// CAPI 2.0 wire constants and little-endian field access, shared by
// everything that reads or writes CAPI messages. Fields are read and written
// byte by byte; a message buffer is never cast to a structure.

#include <cstddef>
#include <cstdint>

// Message header: total length, ApplID, command, subcommand, message number.
inline constexpr std::size_t kCapiHeaderLength = 8;
inline constexpr std::size_t kCapiOffsetLength = 0;
inline constexpr std::size_t kCapiOffsetApplId = 2;
inline constexpr std::size_t kCapiOffsetCommand = 4;
inline constexpr std::size_t kCapiOffsetSubcommand = 5;
inline constexpr std::size_t kCapiOffsetMessageNumber = 6;
// The largest message the codec builds or the adapters hand out.
inline constexpr std::size_t kCapiMaxMessageLength = 1288;
// A struct's length byte 0xFF announces a 16-bit length that follows.
inline constexpr std::uint8_t kCapiEscapeLength = 0xFF;
// The largest struct written with a one-byte length.
inline constexpr std::size_t kCapiMaxStructLength = 254;

// Commands.
inline constexpr std::uint8_t CAPI_ALERT = 0x01;
inline constexpr std::uint8_t CAPI_CONNECT = 0x02;
inline constexpr std::uint8_t CAPI_CONNECT_ACTIVE = 0x03;
inline constexpr std::uint8_t CAPI_DISCONNECT = 0x04;
inline constexpr std::uint8_t CAPI_LISTEN = 0x05;
inline constexpr std::uint8_t CAPI_INFO = 0x08;
inline constexpr std::uint8_t CAPI_FACILITY = 0x80;
inline constexpr std::uint8_t CAPI_CONNECT_B3 = 0x82;
inline constexpr std::uint8_t CAPI_CONNECT_B3_ACTIVE = 0x83;
inline constexpr std::uint8_t CAPI_DISCONNECT_B3 = 0x84;
inline constexpr std::uint8_t CAPI_DATA_B3 = 0x86;

// Subcommands.
inline constexpr std::uint8_t CAPI_REQ = 0x80;
inline constexpr std::uint8_t CAPI_CONF = 0x81;
inline constexpr std::uint8_t CAPI_IND = 0x82;
inline constexpr std::uint8_t CAPI_RESP = 0x83;

// DATA_B3_REQ and DATA_B3_IND: NCCI, Data (32-bit), Data Length, Data Handle,
// Flags; the 64-bit form adds Data64 behind Flags.
inline constexpr std::size_t kCapiDataB3OffsetData = 12;
inline constexpr std::size_t kCapiDataB3OffsetLength = 16;
inline constexpr std::size_t kCapiDataB3OffsetHandle = 18;
inline constexpr std::size_t kCapiDataB3OffsetFlags = 20;
inline constexpr std::size_t kCapiDataB3OffsetData64 = 22;
inline constexpr std::size_t kCapiDataB3Length = 22;
inline constexpr std::size_t kCapiDataB3Length64 = 30;

// Supplementary services.
inline constexpr std::uint16_t kCapiFacilitySupplementaryServices = 3;
inline constexpr std::uint16_t kCapiFacilityHold = 2;
inline constexpr std::uint16_t kCapiFacilityRetrieve = 3;
inline constexpr std::uint16_t kCapiFacilityEct = 6;

// INFO_IND Info Number of the ALERTING message.
inline constexpr std::uint16_t kCapiInfoNumberAlerting = 0x8001;

// CAPI information values the adapters return.
inline constexpr std::uint32_t kCapiNoError = 0;
inline constexpr std::uint32_t kCapiRegOsResourceError = 0x1008;
inline constexpr std::uint32_t kCapiRegNotInstalled = 0x1009;
inline constexpr std::uint32_t kCapiIllegalApplId = 0x1101;
inline constexpr std::uint32_t kCapiIllegalCommand = 0x1102;
inline constexpr std::uint32_t kCapiReceiveQueueEmpty = 0x1104;
inline constexpr std::uint32_t kCapiOsResourceError = 0x1108;
inline constexpr std::uint32_t kCapiNotInstalled = 0x1109;
inline constexpr std::uint32_t kCapiIllegalController = 0x2002;
inline constexpr std::uint32_t kCapiNoPlciAvailable = 0x2003;

inline std::uint16_t CapiGetWord(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}
inline std::uint32_t CapiGetDword(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
           (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}
inline std::uint64_t CapiGetQword(const std::uint8_t* at) {
    return CapiGetDword(at) | (static_cast<std::uint64_t>(CapiGetDword(at + 4)) << 32);
}
inline void CapiPutWord(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}
inline void CapiPutDword(std::uint8_t* at, std::uint32_t value) {
    CapiPutWord(at, value);
    CapiPutWord(at + 2, value >> 16);
}
inline void CapiPutQword(std::uint8_t* at, std::uint64_t value) {
    CapiPutDword(at, static_cast<std::uint32_t>(value));
    CapiPutDword(at + 4, static_cast<std::uint32_t>(value >> 32));
}

// The header's total length of a message of at least a header's size.
inline std::uint16_t CapiMessageLength(const std::uint8_t* message) {
    return CapiGetWord(message + kCapiOffsetLength);
}
