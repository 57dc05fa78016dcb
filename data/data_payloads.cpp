#include "data/data_payloads.h"

#include "data/data_advertize_entry.h"
#include "data/data_advertize_preferences.h"
#include "data/data_application.h"
#include "data/data_call.h"
#include "data/data_client_general.h"
#include "data/data_contact.h"
#include "data/data_contact_group.h"
#include "data/data_device.h"
#include "data/data_general.h"
#include "data/data_handler_store.h"
#include "data/data_host.h"
#include "data/data_isdn_controller.h"
#include "data/data_preferences.h"
#include "data/data_record_factory.h"
#include "data/data_server_user.h"
#include "data/data_user.h"
#include "data/data_user_group.h"
#include "data/data_voip_profile.h"
#include "data/network_settings.h"
#include "framework/payload_registry.h"

#include <array>
#include <cstdint>

namespace {

// The payload operations of a class, with static storage for registration.
template <typename T>
inline constexpr PayloadOperations kPayloadOperations = MakePayloadOperations<T>();
template <typename T>
inline constexpr PayloadOperations
    kUncopiedPayloadOperations = MakePayloadOperationsWithoutCopy<T>();

struct Registration {
    std::int32_t code;
    const PayloadOperations* payload;
    // Null for payloads the data-record factory does not create.
    const DataRecordOperations* record;
};

// One row per data record class: the payload registry and the factory.
template <typename Record> constexpr Registration RecordRow() {
    return Registration{static_cast<std::int32_t>(Record::kTypeCode), &kPayloadOperations<Record>,
                        &kDataRecordOperations<Record>};
}

// By type code.
constexpr std::array kDataPayloads = {
    RecordRow<CKvDataUser>(),
    RecordRow<CKvDataGeneral>(),
    RecordRow<CKvDataHost>(),
    RecordRow<CKvDataDevice>(),
    RecordRow<CKvDataClientGeneral>(),
    RecordRow<CKvDataUserGroup>(),
    RecordRow<CKvDataPreferences>(),
    RecordRow<CKvDataContact>(),
    RecordRow<CKvDataCall>(),
    RecordRow<CKvDataApplication>(),
    RecordRow<CKvDataServerUser>(),
    RecordRow<CKvDataIsdnController>(),
    Registration{KV_PAYLOAD_DATA_HANDLER_STORE, &kUncopiedPayloadOperations<CKvDataHandlerStore>,
                 nullptr},
    // A payload but no store type: the factory has no entry for it.
    Registration{K_KVDT_TP_DTHDLR_DATACONTACTGROUP, &kPayloadOperations<CKvDataContactGroup>,
                 nullptr},
    RecordRow<CKvDataVoipProfile>(),
    RecordRow<CKvDataAdvertizePreferences>(),
    RecordRow<CKvDataAdvertizeEntry>(),
    Registration{KV_PAYLOAD_NETWORK_SETTINGS, &kPayloadOperations<CKvNetworkSettings>, nullptr},
};

} // namespace

void RegisterDataPayloads() {
    for (const Registration& registration : kDataPayloads) {
        RegisterPayloadType(registration.code, registration.payload);
        if (registration.record != nullptr)
            RegisterDataRecordType(static_cast<std::uint32_t>(registration.code),
                                   registration.record);
    }
}
