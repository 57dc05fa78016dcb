#pragma once
// DIAL2: places an outgoing call by call transfer. Three machines: the
// serverless one (the local ISDN line; settings from the preferences), the
// requester (asks the server named by the client job) and the executor (the
// server: checks host and user, makes the target dialable, asks for the
// transfer manager and reports back).

#include "jobs/job_data_dial_base.h"

class CKvJobDataDial2 : public CKvJobDataDialBase {
public:
    static constexpr std::uint32_t kManagerTimerId = 2;
    static constexpr std::uint32_t kManagerWaitMs = 36000;
    static constexpr std::uint32_t kShutdownWaitMs = 3000;
    static constexpr std::uint32_t kLoginRetryTimerId = 7;

    CKvJobDataDial2();
    ~CKvJobDataDial2() override = default;

    // Every own field emptied (a linked call record is reset, not dropped),
    // type 39, state 0.
    void InitDial2();
    // idsource, state, counter value, numbers, flags, affix texts, rules and
    // a clone of the linked call record; not the base's other fields.
    CKvJobDataDial2& CopyFrom(const CKvJobDataDial2& other);

    KvResult ReadXml(const XmlNode* job_data) override;
    KvResult WriteXml(XmlNode* job_data) override;
    KvResult StepRequester() override { return RunRequester(true); }
    KvResult StepExecutor() override;
    // The serverless machine or the requester, as the root job's
    // preferences say.
    KvResult CheckRootJob() override;
    KvResult StepWithoutServer();

    std::string& GetCtiTargetNumber() { return cti_number_; }
    void SetCtiTargetNumber(const std::string& number) { cti_number_ = number; }
    std::uint32_t& FlagSecondCallSwap() { return flag_second_call_swap_; }
    TimerList& GetSecondTimers() { return second_timers_; }

protected:
    // The target made dialable by the server's rules.
    KvResult PrepareNumbers() override;

private:
    void ServerlessPreferences();
    void ServerlessWaitForManager();
    void ExecutorStart();
    void ExecutorHost();
    void ExecutorLogin();

    std::uint32_t flag_second_call_swap_ = 0;
};
