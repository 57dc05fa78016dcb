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
// Success with a warning: a record was read and kept, but one of its values
// could not be read.
inline constexpr KvResult KV_S_VALUE_NOT_READ = 0x00000001u;

constexpr bool KvFailed(KvResult result) { return (result & 0x80000000u) != 0; }
constexpr bool KvSucceeded(KvResult result) { return !KvFailed(result); }

// Sockets of the job transport: creation, connection, sending.
inline constexpr KvResult KV_E_SOCKET_CREATE = 0x80000013u;
inline constexpr KvResult KV_E_SOCKET_CONNECT = 0x80000014u;
inline constexpr KvResult KV_E_SOCKET_SEND = 0x80000015u;
// A state or transport mode outside the defined set.
inline constexpr KvResult KV_E_BAD_STATE = 0x80000016u;
// A record answer without DATA_FOUND.
inline constexpr KvResult KV_E_NO_DATA_FOUND = 0x8000001Au;
// CAPI: no free record in a connection pool, no record found, or a party
// number refused. Its top bit is clear, so it is no failure by KvFailed:
// compare it with != 0.
inline constexpr KvResult KV_CAPI_NOT_AVAILABLE = 0x40000000u;
// An empty file name where a file is needed.
inline constexpr KvResult KV_E_EMPTY_FILE_NAME = 0x8000000Cu;
// CAPI: an operation returned a non-zero information value; the value itself
// is kept as the manager's CAPI info.
inline constexpr KvResult KV_E_CAPI_INFO = 0x80000023u;
// A bitmap file that could not be opened.
inline constexpr KvResult KV_E_BITMAP_FILE_NOT_OPENED = 0x8000002Du;
// No message could be made for a request the job must send.
inline constexpr KvResult KV_E_NO_MESSAGE = 0x80000021u;
// No free local id is left for a chat participant.
inline constexpr KvResult KV_E_NO_FREE_LOCAL_ID = 0x80000029u;
