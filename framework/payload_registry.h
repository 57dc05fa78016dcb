#pragma once
// The payload type registry: the one place that creates, copies and destroys
// a message payload by its type code. Each subsystem fills its codes with one
// explicit registration function, called by whoever links the subsystem; a
// code without registered operations behaves as a code without a class.

#include "platform/result_codes.h"

#include <cstdint>

// Payload type codes run from 1 to this; 0 means no payload.
inline constexpr std::int32_t KV_PAYLOAD_TYPE_MAX = 71;

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
// without a copy.
bool CopyPayloadByType(void* target, const void* source, std::int32_t code);
// KV_E_INVALID_POINTER for a null payload; KV_E_NO_CLASS for a code without a
// class, the payload staying where it is.
KvResult DestroyPayloadByType(void* payload, std::int32_t code);
