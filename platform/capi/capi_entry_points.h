#pragma once
// The ten CAPI 2.0 operations, in the order of the standard's function table,
// with its arguments and 32-bit results. An owner of the CAPI managers holds
// one; the libcapi20 adapter and the scripted controller implement it.

#include "platform/types.h"

class CapiEntryPoints {
public:
    virtual ~CapiEntryPoints() = default;

    // ApplID out; CAPI information value (0 = success).
    virtual DWORD CAPI_REGISTER(DWORD message_buffer_size, DWORD max_logical_connections,
                                DWORD max_b_data_blocks, DWORD max_b_data_length,
                                DWORD* appl_id) = 0;
    virtual DWORD CAPI_RELEASE(DWORD appl_id) = 0;
    // The message stays the caller's. A DATA_B3_REQ carries its data right
    // behind the message, its Data fields zero.
    virtual DWORD CAPI_PUT_MESSAGE(DWORD appl_id, const void* message) = 0;
    // The message stays valid until the next CAPI_GET_MESSAGE for that ApplID.
    // A DATA_B3_IND carries its data right behind the message, its Data fields
    // zero.
    virtual DWORD CAPI_GET_MESSAGE(DWORD appl_id, void** message) = 0;
    virtual DWORD CAPI_WAIT_FOR_SIGNAL(DWORD appl_id) = 0;
    // 64 bytes, zero-terminated.
    virtual DWORD CAPI_GET_MANUFACTURER(char* buffer) = 0;
    virtual DWORD CAPI_GET_VERSION(DWORD* capi_major, DWORD* capi_minor, DWORD* manufacturer_major,
                                   DWORD* manufacturer_minor) = 0;
    // 8 bytes, zero-terminated.
    virtual DWORD CAPI_GET_SERIAL_NUMBER(char* buffer) = 0;
    // 64 bytes; controller 0 gives the number of installed controllers in the
    // first word.
    virtual DWORD CAPI_GET_PROFILE(void* buffer, DWORD controller) = 0;
    // 0 when CAPI is ready.
    virtual DWORD CAPI_INSTALLED() = 0;
};

inline constexpr DWORD kCapiManufacturerLength = 64;
inline constexpr DWORD kCapiSerialNumberLength = 8;
inline constexpr DWORD kCapiProfileLength = 64;
