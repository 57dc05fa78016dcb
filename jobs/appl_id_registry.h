#pragma once
// ApplID -> CAPI server job: the host's registry through which further
// calls of a registered application reach the job that serves it. Used on
// the host thread only.

#include "platform/result_codes.h"

#include <cstdint>
#include <map>

class CKvJobData;

class ApplIdRegistry {
public:
    // Files the job under a free id and returns KV_OK; an id present already
    // gives KV_E_FAIL and changes nothing. The result is kept.
    KvResult Add(std::uint32_t id, CKvJobData* job);
    // The job filed under the id, removed; null (and no change) when absent.
    CKvJobData* Remove(std::uint32_t id);
    CKvJobData* Find(std::uint32_t id) const;
    std::size_t GetCount() const { return jobs_.size(); }
    KvResult GetResult() const { return result_; }

private:
    std::map<std::uint32_t, CKvJobData*> jobs_;
    KvResult result_ = KV_OK;
};
