#include "capi/capi_payloads.h"

#include "capi/capi_data_manager.h"
#include "capi/capi_dial_manager.h"
#include "capi/capi_func_data.h"
#include "capi/capi_function_manager.h"
#include "capi/capi_listen_manager.h"
#include "capi/capi_record24.h"
#include "capi/capi_tick_manager.h"
#include "capi/capi_transfer_manager.h"
#include "framework/payload_registry.h"

namespace {

constexpr PayloadOperations kRecord24Operations = MakePayloadOperations<CapiRecord24>();
constexpr PayloadOperations kTickManagerOperations = MakeCapiManagerOperations<CapiTickManager>();
constexpr PayloadOperations kDialManagerOperations = MakeCapiManagerOperations<CapiDialManager>();
constexpr PayloadOperations kTransferManagerOperations =
    MakeCapiManagerOperations<CapiTransferManager>();
constexpr PayloadOperations kFunctionManagerOperations =
    MakeCapiManagerOperations<CapiFunctionManager>();
// Created and destroyed by type, never copied.
constexpr PayloadOperations kDataManagerOperations =
    MakePayloadOperationsWithoutCopy<CapiDataManager>();
constexpr PayloadOperations kListenManagerOperations =
    MakeCapiManagerOperations<CapiListenManager>();

void CopyFuncData(CAPIFuncData& target, const CAPIFuncData& source) {
    target.CopyFrom(source);
}

constexpr PayloadOperations kFuncDataOperations =
    MakePayloadOperationsWithCopy<CAPIFuncData, &CopyFuncData>();

} // namespace

void RegisterCapiPayloads() {
    RegisterPayloadType(CapiRecord24::kTypeCode, &kRecord24Operations);
    RegisterPayloadType(CAPIFuncData::kTypeCode, &kFuncDataOperations);
    RegisterPayloadType(KV_PAYLOAD_CAPI_TICK_MANAGER, &kTickManagerOperations);
    RegisterCapiManagerType(KV_PAYLOAD_CAPI_TICK_MANAGER, &CapiManagerOf<CapiTickManager>);
    RegisterPayloadType(KV_PAYLOAD_CAPI_DIAL_MANAGER, &kDialManagerOperations);
    RegisterCapiManagerType(KV_PAYLOAD_CAPI_DIAL_MANAGER, &CapiManagerOf<CapiDialManager>);
    RegisterPayloadType(KV_PAYLOAD_CAPI_TRANSFER_MANAGER, &kTransferManagerOperations);
    RegisterCapiManagerType(KV_PAYLOAD_CAPI_TRANSFER_MANAGER, &CapiManagerOf<CapiTransferManager>);
    RegisterPayloadType(KV_PAYLOAD_CAPI_FUNCTION_MANAGER, &kFunctionManagerOperations);
    RegisterCapiManagerType(KV_PAYLOAD_CAPI_FUNCTION_MANAGER, &CapiManagerOf<CapiFunctionManager>);
    RegisterPayloadType(CapiDataManager::kTypeCode, &kDataManagerOperations);
    RegisterCapiManagerType(CapiDataManager::kTypeCode, &CapiManagerOf<CapiDataManager>);
    RegisterPayloadType(KV_PAYLOAD_CAPI_LISTEN_MANAGER, &kListenManagerOperations);
    RegisterCapiManagerType(KV_PAYLOAD_CAPI_LISTEN_MANAGER, &CapiManagerOf<CapiListenManager>);
}
