#include "platform/capi/capi20_library.h"

#include "platform/capi/capi_wire.h"

#define __NO_CAPIUTILS__
#include <capi20.h>

#include <cstring>

namespace {

bool IsDataB3(const std::uint8_t* message, std::uint8_t subcommand) {
    return message[kCapiOffsetCommand] == CAPI_DATA_B3 &&
           message[kCapiOffsetSubcommand] == subcommand;
}

// "std" is libcapi20's module for the kernel's /dev/capi20. Its trace goes
// to standard error unless turned off.
void UseLocalDriverOnly() {
    static std::once_flag once;
    std::call_once(once, [] {
        char driver[] = "std";
        capi20ext_set_driver(driver);
        capi20ext_set_tracelevel(0);
    });
}

} // namespace

bool RepackReceivedDataB3(const std::uint8_t* message, std::vector<std::uint8_t>& out) {
    const std::size_t length = CapiMessageLength(message);
    if (length < kCapiDataB3Length)
        return false;
    const std::size_t data_length = CapiGetWord(message + kCapiDataB3OffsetLength);
    const std::uint8_t* data = message + length;
    if (length >= kCapiDataB3Length64) {
        const std::uint64_t data64 = CapiGetQword(message + kCapiDataB3OffsetData64);
        if (data64 != 0)
            data = reinterpret_cast<const std::uint8_t*>(static_cast<std::uintptr_t>(data64));
    }
    out.resize(length + data_length);
    std::memcpy(out.data(), message, length);
    CapiPutDword(out.data() + kCapiDataB3OffsetData, 0);
    if (length >= kCapiDataB3Length64)
        CapiPutQword(out.data() + kCapiDataB3OffsetData64, 0);
    if (data_length != 0)
        std::memcpy(out.data() + length, data, data_length);
    return true;
}

bool RepackDataB3Request(const std::uint8_t* message, std::vector<std::uint8_t>& out) {
    const std::size_t length = CapiMessageLength(message);
    if (length < kCapiDataB3Length)
        return false;
    out.assign(kCapiDataB3Length64, 0);
    std::memcpy(out.data(), message, kCapiDataB3Length);
    CapiPutWord(out.data() + kCapiOffsetLength, kCapiDataB3Length64);
    CapiPutDword(out.data() + kCapiDataB3OffsetData, 0);
    CapiPutQword(out.data() + kCapiDataB3OffsetData64,
                 reinterpret_cast<std::uintptr_t>(message + length));
    return true;
}

Capi20Library::Capi20Library() {
    UseLocalDriverOnly();
}

DWORD Capi20Library::CAPI_REGISTER(DWORD, DWORD max_logical_connections, DWORD max_b_data_blocks,
                                   DWORD max_b_data_length, DWORD* appl_id) {
    if (appl_id == nullptr)
        return kCapiRegOsResourceError;
    unsigned id = 0;
    const unsigned result =
        capi20_register(max_logical_connections, max_b_data_blocks, max_b_data_length, &id);
    *appl_id = result == 0 ? id : 0;
    return result;
}

DWORD Capi20Library::CAPI_RELEASE(DWORD appl_id) {
    const DWORD result = capi20_release(appl_id);
    std::lock_guard lock(mutex_);
    received_.erase(appl_id);
    return result;
}

DWORD Capi20Library::CAPI_PUT_MESSAGE(DWORD appl_id, const void* message) {
    if (message == nullptr)
        return kCapiIllegalCommand;
    const auto* bytes = static_cast<const std::uint8_t*>(message);
    if (CapiMessageLength(bytes) < kCapiHeaderLength)
        return kCapiIllegalCommand;
    if (IsDataB3(bytes, CAPI_REQ)) {
        std::vector<std::uint8_t> request;
        if (!RepackDataB3Request(bytes, request))
            return kCapiIllegalCommand;
        return capi20_put_message(appl_id, request.data());
    }
    // libcapi20 takes a non-const buffer but does not write to a request.
    return capi20_put_message(appl_id, const_cast<std::uint8_t*>(bytes));
}

DWORD Capi20Library::CAPI_GET_MESSAGE(DWORD appl_id, void** message) {
    if (message == nullptr)
        return kCapiIllegalCommand;
    *message = nullptr;
    unsigned char* received = nullptr;
    const unsigned result = capi20_get_message(appl_id, &received);
    if (result != 0 || received == nullptr)
        return result != 0 ? result : kCapiReceiveQueueEmpty;
    if (CapiMessageLength(received) >= kCapiDataB3Length && IsDataB3(received, CAPI_IND)) {
        std::lock_guard lock(mutex_);
        std::vector<std::uint8_t>& buffer = received_[appl_id];
        RepackReceivedDataB3(received, buffer);
        *message = buffer.data();
        return 0;
    }
    *message = received;
    return 0;
}

DWORD Capi20Library::CAPI_WAIT_FOR_SIGNAL(DWORD appl_id) {
    return capi20_waitformessage(appl_id, nullptr);
}

DWORD Capi20Library::NoAnswerCode() {
    const DWORD installed = capi20_isinstalled();
    return installed != 0 ? installed : kCapiOsResourceError;
}

DWORD Capi20Library::CAPI_GET_MANUFACTURER(char* buffer) {
    if (buffer == nullptr)
        return kCapiOsResourceError;
    unsigned char answer[kCapiManufacturerLength] = {};
    if (capi20_get_manufacturer(0, answer) == nullptr)
        return NoAnswerCode();
    std::memcpy(buffer, answer, sizeof answer);
    buffer[kCapiManufacturerLength - 1] = '\0';
    return 0;
}

DWORD Capi20Library::CAPI_GET_VERSION(DWORD* capi_major, DWORD* capi_minor,
                                      DWORD* manufacturer_major, DWORD* manufacturer_minor) {
    // libcapi20 writes four native 32-bit words.
    std::uint32_t words[kCapiProfileLength / 4] = {};
    if (capi20_get_version(0, reinterpret_cast<unsigned char*>(words)) == nullptr)
        return NoAnswerCode();
    DWORD* targets[] = {capi_major, capi_minor, manufacturer_major, manufacturer_minor};
    for (int i = 0; i < 4; ++i)
        if (targets[i] != nullptr)
            *targets[i] = words[i];
    return 0;
}

DWORD Capi20Library::CAPI_GET_SERIAL_NUMBER(char* buffer) {
    if (buffer == nullptr)
        return kCapiOsResourceError;
    unsigned char answer[kCapiManufacturerLength] = {};
    if (capi20_get_serial_number(0, answer) == nullptr)
        return NoAnswerCode();
    std::memcpy(buffer, answer, kCapiSerialNumberLength);
    buffer[kCapiSerialNumberLength - 1] = '\0';
    return 0;
}

DWORD Capi20Library::CAPI_GET_PROFILE(void* buffer, DWORD controller) {
    if (buffer == nullptr)
        return kCapiOsResourceError;
    return capi20_get_profile(controller, static_cast<unsigned char*>(buffer));
}

DWORD Capi20Library::CAPI_INSTALLED() {
    return capi20_isinstalled();
}
