#pragma once
// TSPDIAL: carries one number to dial. The requester hands it to the status
// service as a clicked "IDENTIFIER" value, the executor to the call window as
// an outgoing call; either ends after its single send. Element
// "JobDataTSPDial".

#include "jobs/job_data.h"

class CKvJobDataTSPDial : public CKvJobData {
public:
    static constexpr std::uint32_t kAnswerSeconds = 40;
    static constexpr std::uint32_t kCopyAnswerSeconds = 20;
    static constexpr std::uint32_t kSecondTimerId = 2;
    static constexpr std::uint32_t kSecondTimerMs = 3000;
    // The source endpoint the requester's value carries, not the job's own.
    static constexpr std::uint16_t kRequesterSourceEndpoint = 2090;

    CKvJobDataTSPDial();

    CKvJobDataTSPDial& CopyFrom(const CKvJobDataTSPDial& other);

    KvResult ReadXml(const XmlNode* job_data) override;
    KvResult WriteXml(XmlNode* job_data) override;
    KvResult StepRequester() override;
    KvResult StepExecutor() override;
    // One requester step; no root job is looked for.
    KvResult CheckRootJob() override;

    const std::string& GetTargetNumber() const { return targetnumber_; }
    // Stored without white space at either end.
    void SetTargetNumber(std::string_view number);

private:
    void InitTSPDial();
    // States 8 and 11, and the bad state, of both machines.
    void StepCommon();

    std::string targetnumber_;
};
