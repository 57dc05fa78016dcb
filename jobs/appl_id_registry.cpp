#include "jobs/appl_id_registry.h"

KvResult ApplIdRegistry::Add(std::uint32_t id, CKvJobData* job) {
    result_ = jobs_.emplace(id, job).second ? KV_OK : KV_E_FAIL;
    return result_;
}

CKvJobData* ApplIdRegistry::Remove(std::uint32_t id) {
    auto found = jobs_.find(id);
    if (found == jobs_.end())
        return nullptr;
    CKvJobData* job = found->second;
    jobs_.erase(found);
    return job;
}

CKvJobData* ApplIdRegistry::Find(std::uint32_t id) const {
    auto found = jobs_.find(id);
    return found == jobs_.end() ? nullptr : found->second;
}
