#include "data/data_record_factory.h"

#include <array>
#include <atomic>

namespace {

// Indexed by code; only the store types are ever filled.
constexpr std::size_t kTableSize = 67;
using FactoryTable = std::array<std::atomic<const DataRecordOperations*>, kTableSize>;

FactoryTable& Table() {
    static FactoryTable table{};
    return table;
}

const DataRecordOperations* Find(std::uint32_t code) {
    if (!CKvDataHandler::IsStoreType(code) || code >= kTableSize)
        return nullptr;
    return Table()[code].load(std::memory_order_acquire);
}

} // namespace

KvResult RegisterDataRecordType(std::uint32_t code, const DataRecordOperations* operations) {
    if (!CKvDataHandler::IsStoreType(code) || code >= kTableSize)
        return KV_E_NO_CLASS;
    Table()[code].store(operations, std::memory_order_release);
    return KV_OK;
}

bool IsDataRecordTypeRegistered(std::uint32_t code) {
    return Find(code) != nullptr;
}

const DataRecordOperations* FindDataRecordType(std::uint32_t code) {
    return Find(code);
}

KvResult CreateDataRecordByType(std::unique_ptr<CKvDataHandler>& out, std::uint32_t code) {
    out.reset();
    const DataRecordOperations* operations = Find(code);
    if (operations == nullptr || operations->create == nullptr)
        return KV_E_NO_CLASS;
    out = operations->create();
    return out ? KV_OK : KV_E_OUT_OF_MEMORY;
}

bool CopyDataRecordByType(CKvDataHandler& target, const CKvDataHandler& source) {
    const std::uint32_t code = source.GetTypeCode();
    if (target.GetTypeCode() != code)
        return false;
    const DataRecordOperations* operations = Find(code);
    if (operations == nullptr || operations->copy == nullptr)
        return false;
    return operations->copy(target, source);
}
