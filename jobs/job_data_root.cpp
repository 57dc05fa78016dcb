#include "jobs/job_data_root.h"

#include "platform/pointer.h"

CKvJobDataRoot::CKvJobDataRoot() {
    type_code_ = K_KVJBDT_TP_ROOT;
    state_ = KV_JOB_STATE_START;
    timers_.Add(kAnswerTimerId, 20, 0);
}

CKvJobDataRoot& CKvJobDataRoot::CopyFrom(const CKvJobDataRoot& other) {
    CKvJobData::CopyFrom(other);
    preferences_.reset();
    general_.reset();
    if (other.preferences_) {
        preferences_ = std::make_unique<CKvDataPreferences>();
        *preferences_ = *other.preferences_;
    }
    if (other.general_) {
        general_ = std::make_unique<CKvDataGeneral>();
        *general_ = *other.general_;
    }
    return *this;
}

CKvJobDataRoot* CKvJobDataRoot::FindRunning(const CKvIMSGJobDataHandler& handler) {
    const CKvJobMap* roots = handler.FindJobsOfType(K_KVJBDT_TP_ROOT);
    if (roots == nullptr)
        return nullptr;
    for (const CKvJobMap::Entry& entry : *roots) {
        auto* root = static_cast<CKvJobDataRoot*>(entry.second);
        if (root->GetState() == KV_JOB_STATE_RUNNING && IsValidPtr(root->preferences_.get()))
            return root;
    }
    return nullptr;
}

CKvJobDataRoot* CKvJobDataRoot::FindFirst(const CKvIMSGJobDataHandler& handler) {
    return static_cast<CKvJobDataRoot*>(handler.FirstJob(K_KVJBDT_TP_ROOT));
}

bool CKvJobDataRoot::UsesServer() {
    return preferences_ && preferences_->GetFlagServerUse().Get() != 0;
}
