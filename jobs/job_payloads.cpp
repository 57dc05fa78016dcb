#include "jobs/job_payloads.h"

#include "framework/payload_registry.h"
#include "jobs/job_data_client.h"
#include "jobs/job_data_capi_server.h"
#include "jobs/job_data_chat.h"
#include "jobs/job_data_client2.h"
#include "jobs/job_data_dial.h"
#include "jobs/job_data_dial2.h"
#include "jobs/job_data_listen.h"
#include "jobs/job_data_listen2.h"
#include "jobs/job_data_root.h"
#include "jobs/job_data_synchronize.h"
#include "jobs/job_data_tapi_dial.h"
#include "jobs/job_data_tapi_listen.h"
#include "jobs/job_data_tsp_dial.h"
#include "jobs/job_data_type16.h"


namespace {

template <typename Job> constexpr PayloadOperations MakeJobPayloadOperations() {
    return PayloadOperations{
        []() -> void* { return static_cast<CKvJobData*>(new Job()); },
        [](void* target, const void* source) {
            auto* to = static_cast<Job*>(static_cast<CKvJobData*>(target));
            to->CopyFrom(*static_cast<const Job*>(static_cast<const CKvJobData*>(source)));
            return true;
        },
        [](void* payload) { delete static_cast<CKvJobData*>(payload); },
    };
}

template <typename Job>
inline constexpr PayloadOperations kJobOperations = MakeJobPayloadOperations<Job>();

} // namespace

void RegisterJobPayloads() {
    RegisterPayloadType(K_KVJBDT_TP_ROOT, &kJobOperations<CKvJobDataRoot>);
    RegisterPayloadType(KV_PAYLOAD_JOB_TYPE16, &kJobOperations<CKvJobDataType16>);
    RegisterPayloadType(K_KVJBDT_TP_CLIENT2, &kJobOperations<CKvJobDataClient2>);
    RegisterPayloadType(K_KVJBDT_TP_LISTEN, &kJobOperations<CKvJobDataListen>);
    RegisterPayloadType(K_KVJBDT_TP_LISTEN2, &kJobOperations<CKvJobDataListen2>);
    RegisterPayloadType(K_KVJBDT_TP_TSPDIAL, &kJobOperations<CKvJobDataTSPDial>);
    RegisterPayloadType(K_KVJBDT_TP_TAPI_DIAL, &kJobOperations<CKvJobDataTAPIDial>);
    RegisterPayloadType(K_KVJBDT_TP_TAPI_LISTEN, &kJobOperations<CKvJobDataTAPIListen>);
    RegisterPayloadType(K_KVJBDT_TP_CLIENT, &kJobOperations<CKvJobDataClient>);
    RegisterPayloadType(K_KVJBDT_TP_SYNCHRONIZE, &kJobOperations<CKvJobDataSynchronize>);
    RegisterPayloadType(K_KVJBDT_TP_DIAL, &kJobOperations<CKvJobDataDial>);
    RegisterPayloadType(K_KVJBDT_TP_DIAL2, &kJobOperations<CKvJobDataDial2>);
    RegisterPayloadType(K_KVJBDT_TP_CAPISERVER, &kJobOperations<CKvJobDataCAPIServer>);
    RegisterPayloadType(K_KVJBDT_TP_CHAT, &kJobOperations<CKvJobDataChat>);
}

bool IsJobPayloadType(std::int32_t code) {
    // A code without a name of its own gets the one text of the unnamed
    // codes, so the pointers tell the two apart.
    return code == KV_PAYLOAD_JOB_TYPE16 ||
           CKvJobData::TypeName(static_cast<std::uint32_t>(code)) != CKvJobData::TypeName(0);
}
