#include "capi/capi_payloads.h"

#include "capi/capi_record24.h"
#include "framework/payload_registry.h"

namespace {

constexpr PayloadOperations kRecord24Operations = MakePayloadOperations<CapiRecord24>();

} // namespace

void RegisterCapiPayloads() {
    RegisterPayloadType(CapiRecord24::kTypeCode, &kRecord24Operations);
}
