#pragma once
// The payload type registry: the one place that creates, copies and destroys
// a message payload by its type code. Each subsystem fills its codes with one
// explicit registration function, called by whoever links the subsystem; a
// code without registered operations behaves as a code without a class.

#include "platform/result_codes.h"

#include <cstdint>

// One code space shared by data records, jobs, TAPI and CAPI records and the
// small payloads. The data-record and job codes carry the names their type
// name tables give them.
enum KvPayloadType : std::int32_t {
    KV_PAYLOAD_NONE = 0,
    K_KVDT_TP_DTHDLR_DATAUSER = 1,
    K_KVDT_TP_DTHDLR_DATAGENERAL = 2,
    K_KVDT_TP_DTHDLR_DATACOMPUTER = 3,
    K_KVDT_TP_DTHDLR_DATADEVICE = 4,
    K_KVDT_TP_DTHDLR_DATACLIENTGENERAL = 5,
    K_KVDT_TP_DTHDLR_DATAUSERGROUP = 6,
    K_KVDT_TP_DTHDLR_DATAPREFERENCES = 7,
    K_KVDT_TP_DTHDLR_DATACONTACT = 8,
    K_KVDT_TP_DTHDLR_DATACALL = 9,
    K_KVDT_TP_DTHDLR_DATAAPPLICATION = 10,
    K_KVDT_TP_DTHDLR_DATASERVERUSER = 11,
    K_KVDT_TP_DTHDLR_DATAISDNCONTROLLER = 12,
    K_KVJBDT_TP_DIAL = 13,
    K_KVJBDT_TP_LISTEN = 14,
    K_KVJBDT_TP_ROOT = 15,
    KV_PAYLOAD_JOB_TYPE16 = 16,
    K_KVJBDT_TP_CLIENT = 17,
    K_KVJBDT_TP_CAPISERVER = 18,
    K_KVJBDT_TP_CHAT = 19,
    K_KVJBDT_TP_CHAT2 = 20,
    KV_PAYLOAD_OBJECT_POINTER_LIST = 21,
    KV_PAYLOAD_DATA_HANDLER_STORE = 22,
    KV_PAYLOAD_TEXT = 23,
    KV_PAYLOAD_CAPI_RECORD24 = 24,
    KV_PAYLOAD_STAMPED_TEXT_RECORD = 25,
    KV_PAYLOAD_NAMED_VALUE = 26,
    KV_PAYLOAD_CAPI_TRANSFER_MANAGER = 27,
    KV_PAYLOAD_CAPI_LISTEN_MANAGER = 28,
    KV_PAYLOAD_CAPI_FUNCTION_MANAGER = 29,
    KV_PAYLOAD_CAPI_FUNC_DATA = 30,
    KV_PAYLOAD_CAPI_DIAL_MANAGER = 32,
    KV_PAYLOAD_PACKED_MESSAGE = 35,
    KV_PAYLOAD_TIME_DATE = 36,
    KV_PAYLOAD_OWNED_RECORD36 = 37,
    K_KVJBDT_TP_CLIENT2 = 38,
    K_KVJBDT_TP_DIAL2 = 39,
    K_KVJBDT_TP_LISTEN2 = 40,
    KV_PAYLOAD_VALUE_CELL = 41,
    KV_PAYLOAD_TYPED_OBJECT42 = 42,
    K_KVJBDT_TP_TSPDIAL = 43,
    KV_PAYLOAD_TYPED_OBJECT46 = 46,
    K_KVJBDT_TP_SYNCHRONIZE = 47,
    KV_PAYLOAD_TAPI_LINE = 48,
    KV_PAYLOAD_TAPI_LINE_MESSAGE = 49,
    KV_PAYLOAD_TAPI_CALLS_MANAGER = 50,
    K_KVJBDT_TP_TAPI_DIAL = 51,
    KV_PAYLOAD_TAPI_CALL = 52,
    K_KVJBDT_TP_TAPI_LISTEN = 53,
    KV_PAYLOAD_CAPI_TICK_MANAGER = 54,
    KV_PAYLOAD_COMPUTER_IDENT = 55,
    K_KVDT_TP_DTHDLR_DATACONTACTGROUP = 56,
    KV_PAYLOAD_KVSTRING_LIST = 57,
    KV_PAYLOAD_TYPED_OBJECT58 = 58,
    KV_PAYLOAD_TYPED_OBJECT59 = 59,
    KV_PAYLOAD_TYPED_OBJECT60 = 60,
    KV_PAYLOAD_TAPI_LINE_DATA_MANAGER = 61,
    KV_PAYLOAD_TAPI_LINE_DATA = 62,
    K_KVDT_TP_DTHDLR_DATAVOIPPROFILE = 63,
    KV_PAYLOAD_ADAPTER_ADDRESSES = 64,
    K_KVDT_TP_DTHDLR_DATAADVERTIZEPREFERENCES = 65,
    K_KVDT_TP_DTHDLR_DATAADVERTIZEENTRY = 66,
    KV_PAYLOAD_TYPED_OBJECT67 = 67,
    KV_PAYLOAD_BINARY_BLOCK_PAIR = 68,
    KV_PAYLOAD_NETWORK_SETTINGS = 69,
    KV_PAYLOAD_KVSTRING = 70,
    KV_PAYLOAD_PHONE_NUMBER_LIST = 71,
};

// Payload type codes run from 1 to this; 0 means no payload.
inline constexpr std::int32_t KV_PAYLOAD_TYPE_MAX = 71;

// One row of the code table: the class a code stands for (null for the codes
// that have none) and whether the registry copies it.
struct PayloadTypeInfo {
    std::int32_t code;
    const char* class_name;
    bool copyable;
};

// The row of a code from 1 to KV_PAYLOAD_TYPE_MAX, else null.
const PayloadTypeInfo* FindPayloadTypeInfo(std::int32_t code);

struct PayloadOperations {
    // A new object of the class, or null.
    void* (*create)();
    // Copies source into the existing target of the same class; null for a
    // class that cannot be copied.
    bool (*copy)(void* target, const void* source);
    void (*destroy)(void* payload);
};

// The operations of a class with a default constructor, an assignment and a
// destructor, for registration.
template <typename T> constexpr PayloadOperations MakePayloadOperations() {
    return PayloadOperations{
        []() -> void* { return new T(); },
        [](void* target, const void* source) {
            *static_cast<T*>(target) = *static_cast<const T*>(source);
            return true;
        },
        [](void* payload) { delete static_cast<T*>(payload); },
    };
}

// As MakePayloadOperations, with the class's own copy operation in place of
// the assignment: Copy(target, source).
template <typename T, auto Copy> constexpr PayloadOperations MakePayloadOperationsWithCopy() {
    return PayloadOperations{
        []() -> void* { return new T(); },
        [](void* target, const void* source) {
            Copy(*static_cast<T*>(target), *static_cast<const T*>(source));
            return true;
        },
        [](void* payload) { delete static_cast<T*>(payload); },
    };
}

// For a class that the registry creates and destroys but never copies.
template <typename T> constexpr PayloadOperations MakePayloadOperationsWithoutCopy() {
    return PayloadOperations{
        []() -> void* { return new T(); },
        nullptr,
        [](void* payload) { delete static_cast<T*>(payload); },
    };
}

// Files the operations under the code; they must outlive their registration
// (a static object). Null operations clear the code. KV_E_NO_CLASS for a code
// outside 1 to KV_PAYLOAD_TYPE_MAX or one of the codes that have no class.
KvResult RegisterPayloadType(std::int32_t code, const PayloadOperations* operations);
// True when the code has a class.
bool IsPayloadTypeKnown(std::int32_t code);

// A new payload of the code's class; true when one was made. The payload is
// null for a code without a class or above KV_PAYLOAD_TYPE_MAX.
bool CreatePayloadByType(void*& payload, std::int32_t code);
// Copies the source payload into the existing target payload; false for a code
// without a copy (the code table's, whatever was registered) or without a
// class.
bool CopyPayloadByType(void* target, const void* source, std::int32_t code);
// KV_E_INVALID_POINTER for a null payload; KV_E_NO_CLASS for a code without a
// class, the payload staying where it is.
KvResult DestroyPayloadByType(void* payload, std::int32_t code);
