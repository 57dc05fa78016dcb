#include "jobs/job_data_type16.h"

CKvJobDataType16::CKvJobDataType16() {
    type_code_ = KV_PAYLOAD_JOB_TYPE16;
    state_ = KV_JOB_STATE_START;
}

CKvJobDataType16& CKvJobDataType16::CopyFrom(const CKvJobDataType16& other) {
    if (&other == this)
        return *this;
    idsource_ = other.idsource_;
    target_job_id_ = other.target_job_id_;
    sequence_counter_ = other.sequence_counter_;
    loginname_ = other.loginname_;
    router_ = other.router_;
    endpoint_id_ = other.endpoint_id_;
    transport_mode_ = other.transport_mode_;
    texts_ = other.texts_;
    local_ = other.local_;
    peer_ = other.peer_;
    return *this;
}
