#pragma once
// LISTEN: the first-generation listen job. Its executor (the machine with the
// ISDN controller) asks the host for a CAPI listen manager and sends every
// call the manager reports to each running client job of the same login;
// its requester receives such a notification and hands the call to the
// host. Element "JobDataListen", shared with LISTEN2; every key is written.

#include "jobs/job_data.h"

class CKvJobDataListen : public CKvJobData {
public:
    static constexpr std::uint32_t kAnswerSeconds = 20;

    CKvJobDataListen();

    CKvJobDataListen& CopyFrom(const CKvJobDataListen& other);

    KvResult ReadXml(const XmlNode* job_data) override;
    KvResult WriteXml(XmlNode* job_data) override;
    KvResult StepRequester() override;
    KvResult StepExecutor() override;
    KvResult CheckRootJob() override { return JobDataNotSupported(); }

    std::string& GetCallingNumber() { return callingnumber_; }
    // Handed to the listen manager as its called and calling number.
    std::string& GetFirstManagerNumber() { return manager_numbers_[0]; }
    std::string& GetSecondManagerNumber() { return manager_numbers_[1]; }

private:
    void HandCallToHost();
    void RequestManager();
    void WaitForManager();
    void Serve();
    // The job text to every running client job of this login, each at its
    // own peer.
    void NotifyClients();

    std::string manager_numbers_[2];
    std::string callingnumber_;
};
