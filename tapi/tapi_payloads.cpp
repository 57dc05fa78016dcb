#include "tapi/tapi_payloads.h"

#include "framework/payload_registry.h"
#include "tapi/tapi_call.h"
#include "tapi/tapi_calls_manager.h"
#include "tapi/tapi_line.h"
#include "tapi/tapi_line_data.h"
#include "tapi/tapi_line_message.h"

#include <array>
#include <cstdint>

namespace {

template <typename T>
inline constexpr PayloadOperations kPayloadOperations = MakePayloadOperations<T>();

struct Registration {
    std::int32_t code;
    const PayloadOperations* payload;
};

template <typename Record> constexpr Registration Row() {
    return Registration{static_cast<std::int32_t>(Record::kTypeCode), &kPayloadOperations<Record>};
}

// By type code.
constexpr std::array kTapiPayloads = {
    Row<CKvTAPILine>(), Row<KVTAPILINEMESSAGE>(),     Row<KVTAPICALLSMANAGER>(),
    Row<KVTAPICALL>(),  Row<KVTAPILINEDATAMANAGER>(), Row<KVTAPILINEDATA>(),
};

} // namespace

void RegisterTapiPayloads() {
    for (const Registration& registration : kTapiPayloads)
        RegisterPayloadType(registration.code, registration.payload);
}
