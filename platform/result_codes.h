#pragma once
// Result codes: 0 is success, a set top bit is an error.

#include <cstdint>

using KvResult = std::uint32_t;

inline constexpr KvResult KV_OK = 0x00000000u;
inline constexpr KvResult KV_E_FAIL = 0x80000000u;
inline constexpr KvResult KV_E_UNKNOWN_KIND = 0x80000004u;
inline constexpr KvResult KV_E_UNEXPECTED_REQUEST = 0x80000005u;
inline constexpr KvResult KV_E_OUT_OF_MEMORY = 0x80000006u;
inline constexpr KvResult KV_E_INVALID_POINTER = 0x8000000Du;
inline constexpr KvResult KV_E_WRONG_RECORD_TYPE = 0x8000000Eu;
inline constexpr KvResult KV_E_NO_CLASS = 0x80000017u;
inline constexpr KvResult KV_E_NOT_HANDLED = 0x80000019u;
inline constexpr KvResult KV_E_ALREADY_STOPPING = 0x8000001Bu;
inline constexpr KvResult KV_E_TIMEOUT = 0x8000001Cu;
inline constexpr KvResult KV_E_NOT_FOUND = 0x80000024u;
inline constexpr KvResult KV_E_LIST_FULL = 0x80000026u;
inline constexpr KvResult KV_E_ALREADY_PRESENT = 0x80000027u;
inline constexpr KvResult KV_E_NOT_PRESENT = 0x80000028u;
inline constexpr KvResult KV_E_RESOURCE_NOT_FOUND = 0x8000002Au;
inline constexpr KvResult KV_E_RESOURCE_NOT_LOADABLE = 0x8000002Bu;
inline constexpr KvResult KV_E_HEADER_OUT_OF_RANGE = 0x8000002Cu;
// A call through an empty DOM interface pointer (COM's E_POINTER).
inline constexpr KvResult KV_E_NULL_INTERFACE = 0x80004003u;

constexpr bool KvFailed(KvResult result) { return (result & 0x80000000u) != 0; }
constexpr bool KvSucceeded(KvResult result) { return !KvFailed(result); }

// An empty file name where a file is needed.
inline constexpr KvResult KV_E_EMPTY_FILE_NAME = 0x8000000Cu;
