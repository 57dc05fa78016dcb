#pragma once
// Registration of the job classes in the payload registry. A job payload is
// always the address of its CKvJobData part, so that code that knows only the
// type code can reach the job (JobFromPayload). Whoever links the jobs calls
// RegisterJobPayloads once, beside the framework's and the data records'
// registrations; calling it again changes nothing.

#include "jobs/job_data.h"

#include <cstdint>

void RegisterJobPayloads();

// True for the type codes of job classes (registered or not).
bool IsJobPayloadType(std::int32_t code);

inline CKvJobData* JobFromPayload(void* payload) {
    return static_cast<CKvJobData*>(payload);
}
