#include "framework/payload_registry.h"

#include "platform/pointer.h"

#include <array>
#include <atomic>

namespace {

// Codes that stay without a class whatever is registered.
constexpr std::array<std::int32_t, 6> kClasslessCodes = {20, 31, 33, 34, 44, 45};

using PayloadTable = std::array<std::atomic<const PayloadOperations*>, KV_PAYLOAD_TYPE_MAX + 1>;

PayloadTable& Table() {
    static PayloadTable table{};
    return table;
}

const PayloadOperations* Find(std::int32_t code) {
    if (code < 1 || code > KV_PAYLOAD_TYPE_MAX)
        return nullptr;
    return Table()[static_cast<std::size_t>(code)].load(std::memory_order_acquire);
}

bool IsClassless(std::int32_t code) {
    for (std::int32_t classless : kClasslessCodes) {
        if (code == classless)
            return true;
    }
    return false;
}

} // namespace

KvResult RegisterPayloadType(std::int32_t code, const PayloadOperations* operations) {
    if (code < 1 || code > KV_PAYLOAD_TYPE_MAX || IsClassless(code))
        return KV_E_NO_CLASS;
    Table()[static_cast<std::size_t>(code)].store(operations, std::memory_order_release);
    return KV_OK;
}

bool IsPayloadTypeKnown(std::int32_t code) {
    return Find(code) != nullptr;
}

bool CreatePayloadByType(void*& payload, std::int32_t code) {
    payload = nullptr;
    const PayloadOperations* operations = Find(code);
    if (operations == nullptr || operations->create == nullptr)
        return false;
    payload = operations->create();
    return IsValidPtr(payload);
}

bool CopyPayloadByType(void* target, const void* source, std::int32_t code) {
    const PayloadOperations* operations = Find(code);
    if (operations == nullptr || operations->copy == nullptr)
        return false;
    if (!IsValidPtr(target) || !IsValidPtr(source))
        return false;
    return operations->copy(target, source);
}

KvResult DestroyPayloadByType(void* payload, std::int32_t code) {
    if (!IsValidPtr(payload))
        return KV_E_INVALID_POINTER;
    const PayloadOperations* operations = Find(code);
    if (operations == nullptr || operations->destroy == nullptr)
        return KV_E_NO_CLASS;
    operations->destroy(payload);
    return KV_OK;
}
