#pragma once
// The root job as other jobs see it: a job record of type 15 that owns, once
// the host has sent them, the client preferences and the general settings.
// Its step machines come with the root job itself; until then it has no
// step and no XML form.

#include "data/data_general.h"
#include "data/data_preferences.h"
#include "jobs/job_data.h"

#include <memory>

class CKvJobDataRoot : public CKvJobData {
public:
    CKvJobDataRoot();

    // Base fields and copies of the two records.
    CKvJobDataRoot& CopyFrom(const CKvJobDataRoot& other);

    KvResult ReadXml(const XmlNode*) override { return JobDataNoXml(); }
    KvResult WriteXml(XmlNode*) override { return JobDataNoXml(); }
    KvResult StepRequester() override { return JobDataNotSupported(); }
    KvResult StepExecutor() override { return JobDataNotSupported(); }
    KvResult CheckRootJob() override { return JobDataNotSupported(); }

    // Null while the host has not sent the record.
    std::unique_ptr<CKvDataPreferences>& GetPreferencesRef() { return preferences_; }
    CKvDataGeneral* GetGeneralSettings() const { return general_.get(); }
    void SetGeneralSettings(std::unique_ptr<CKvDataGeneral> general) {
        general_ = std::move(general);
    }

    // The first root job of the handler in the running state that holds
    // preferences; null when there is none.
    static CKvJobDataRoot* FindRunning(const CKvIMSGJobDataHandler& handler);
    // The first root job of the handler, whatever its state; null when none.
    static CKvJobDataRoot* FindFirst(const CKvIMSGJobDataHandler& handler);
    // Whether the preferences of the root job ask for a server.
    bool UsesServer();

private:
    std::unique_ptr<CKvDataPreferences> preferences_;
    std::unique_ptr<CKvDataGeneral> general_;
};
