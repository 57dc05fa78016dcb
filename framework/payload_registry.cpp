#include "framework/payload_registry.h"

#include "platform/pointer.h"

#include <array>
#include <atomic>

namespace {

// Row i describes code i + 1.
constexpr std::array<PayloadTypeInfo, KV_PAYLOAD_TYPE_MAX> kPayloadTypeTable = {{
    {1, "CKvDataUser", true},
    {2, "CKvDataGeneral", true},
    {3, "CKvDataHost", true},
    {4, "CKvDataDevice", true},
    {5, "CKvDataClientGeneral", true},
    {6, "CKvDataUserGroup", true},
    {7, "CKvDataPreferences", true},
    {8, "CKvDataContact", true},
    {9, "CKvDataCall", true},
    {10, "CKvDataApplication", true},
    {11, "CKvDataServerUser", true},
    {12, "CKvDataIsdnController", true},
    {13, "CKvJobDataDial", true},
    {14, "CKvJobDataListen", true},
    {15, "CKvJobDataRoot", true},
    {16, "CKvJobDataType16", true},
    {17, "CKvJobDataClient", true},
    {18, "CKvJobDataCAPIServer", true},
    {19, "CKvJobDataChat", true},
    {20, nullptr, false},
    {21, "CKvObjectPointerList", false},
    {22, "CKvDataHandlerStore", false},
    {23, "std::string", true},
    {24, "CapiRecord24", true},
    {25, "CKvStampedTextRecord", true},
    {26, "CKvNamedValue", true},
    {27, "CapiTransferManager", true},
    {28, "CapiListenManager", true},
    {29, "CapiFunctionManager", true},
    {30, "CAPIFuncData", true},
    {31, nullptr, false},
    {32, "CapiDialManager", true},
    {33, nullptr, false},
    {34, "CapiDataManager", false},
    {35, "PackedMessage", true},
    {36, "TimeDate", true},
    {37, "OwnedRecord36", true},
    {38, "CKvJobDataClient2", true},
    {39, "CKvJobDataDial2", true},
    {40, "CKvJobDataListen2", true},
    {41, "ValueCell", true},
    {42, "CKvTypedObject42", true},
    {43, "CKvJobDataTSPDial", true},
    {44, nullptr, false},
    {45, nullptr, false},
    {46, "CKvTypedObject46", true},
    {47, "CKvJobDataSynchronize", true},
    {48, "CKvTAPILine", true},
    {49, "KVTAPILINEMESSAGE", true},
    {50, "KVTAPICALLSMANAGER", true},
    {51, "CKvJobDataTAPIDial", true},
    {52, "KVTAPICALL", true},
    {53, "CKvJobDataTAPIListen", true},
    {54, "CapiTickManager", true},
    {55, "COMPUTER_IDENT", true},
    {56, "CKvDataContactGroup", true},
    {57, "KVSTRING_LIST", true},
    {58, "CKvTypedObject58", true},
    {59, "CKvTypedObject59", true},
    {60, "CKvTypedObject60", true},
    {61, "KVTAPILINEDATAMANAGER", true},
    {62, "KVTAPILINEDATA", true},
    {63, "CKvDataVoipProfile", true},
    {64, "AdapterAddresses", true},
    {65, "CKvDataAdvertizePreferences", true},
    {66, "CKvDataAdvertizeEntry", true},
    {67, "CKvTypedObject67", true},
    {68, "BinaryBlockPair", true},
    {69, "CKvNetworkSettings", true},
    {70, "KVSTRING", true},
    {71, "PHONE_NUMBER_LIST", true},
}};

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

} // namespace

const PayloadTypeInfo* FindPayloadTypeInfo(std::int32_t code) {
    if (code < 1 || code > KV_PAYLOAD_TYPE_MAX)
        return nullptr;
    return &kPayloadTypeTable[static_cast<std::size_t>(code - 1)];
}

KvResult RegisterPayloadType(std::int32_t code, const PayloadOperations* operations) {
    const PayloadTypeInfo* info = FindPayloadTypeInfo(code);
    if (info == nullptr || info->class_name == nullptr)
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
    // Lists of pointers and record stores are never copied by code, even by
    // a class that would know how.
    if (!FindPayloadTypeInfo(code)->copyable)
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
