#pragma once
// The ten CAPI operations over Linux's libcapi20, through the local kernel
// interface only: a remote CAPI named in ~/.capi20rc or /etc/capi20.conf is
// never used. Without an ISDN controller every operation fails at once with a
// CAPI information value.

#include "platform/capi/capi_entry_points.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

class Capi20Library final : public CapiEntryPoints {
public:
    Capi20Library();

    // The message buffer size is not libcapi20's to know; it is dropped.
    DWORD CAPI_REGISTER(DWORD message_buffer_size, DWORD max_logical_connections,
                        DWORD max_b_data_blocks, DWORD max_b_data_length, DWORD* appl_id) override;
    DWORD CAPI_RELEASE(DWORD appl_id) override;
    DWORD CAPI_PUT_MESSAGE(DWORD appl_id, const void* message) override;
    DWORD CAPI_GET_MESSAGE(DWORD appl_id, void** message) override;
    DWORD CAPI_WAIT_FOR_SIGNAL(DWORD appl_id) override;
    DWORD CAPI_GET_MANUFACTURER(char* buffer) override;
    DWORD CAPI_GET_VERSION(DWORD* capi_major, DWORD* capi_minor, DWORD* manufacturer_major,
                           DWORD* manufacturer_minor) override;
    DWORD CAPI_GET_SERIAL_NUMBER(char* buffer) override;
    DWORD CAPI_GET_PROFILE(void* buffer, DWORD controller) override;
    DWORD CAPI_INSTALLED() override;

private:
    // The code for a query that gave no answer: not installed, or an OS error.
    DWORD NoAnswerCode();

    std::mutex mutex_;
    // Per ApplID, the repacked DATA_B3_IND handed out last.
    std::map<DWORD, std::vector<std::uint8_t>> received_;
};

// libcapi20's DATA_B3_IND (data reached through Data64, or behind the message
// when Data64 is zero) as the project's form: the message with its Data fields
// zero and its data right behind it. False for a message too short to be a
// DATA_B3_IND.
bool RepackReceivedDataB3(const std::uint8_t* message, std::vector<std::uint8_t>& out);
// The project's DATA_B3_REQ (data behind the message) as the 64-bit form whose
// Data64 points at that data. False for a message too short.
bool RepackDataB3Request(const std::uint8_t* message, std::vector<std::uint8_t>& out);
