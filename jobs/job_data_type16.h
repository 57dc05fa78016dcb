#pragma once
// The job class of type 16: six texts and the base fields, no XML form and no
// step. A driver never sees it finish.

#include "jobs/job_data.h"

#include <array>
#include <string>

class CKvJobDataType16 : public CKvJobData {
public:
    CKvJobDataType16();

    // Ids, counter value, loginname, router and endpoint, transport mode, the
    // six texts and both computers; not the states, timers, queue or types.
    CKvJobDataType16& CopyFrom(const CKvJobDataType16& other);

    KvResult ReadXml(const XmlNode*) override { return JobDataNoXml(); }
    KvResult WriteXml(XmlNode*) override { return JobDataNoXml(); }
    KvResult StepRequester() override { return JobDataNotSupported(); }
    KvResult StepExecutor() override { return JobDataNotSupported(); }
    KvResult CheckRootJob() override { return JobDataNotSupported(); }

    std::array<std::string, 6>& GetTexts() { return texts_; }

private:
    std::array<std::string, 6> texts_;
};
