#pragma once
// TAPI dial: places one outgoing call on a TAPI line and tells the
// originator every phase of it. Element "JobDataTAPIDial"; the layout of
// its first fields and its number rules are those of the dial job.

#include "core/dialling_rules.h"
#include "data/data_call.h"
#include "data/data_preferences.h"
#include "jobs/job_data_tapi.h"
#include "tapi/tapi_call.h"

#include <memory>
#include <string>
#include <string_view>

class CKvJobDataTAPIDial : public CKvJobDataTapiBase {
public:
    static constexpr std::uint32_t kAnswerSeconds = 40;
    static constexpr std::uint32_t kCopyAnswerSeconds = 20;
    static constexpr std::uint32_t kSecondTimerId = 2;
    static constexpr std::uint32_t kSecondTimerMs = 3000;
    // At most this many TAPI dial jobs at a time, this one included.
    static constexpr std::uint32_t kMaxJobs = 3;
    static constexpr std::uint32_t kMakeCallReplyMs = 36000;
    static constexpr std::uint32_t kStateGeneral = 1;
    static constexpr std::uint32_t kStateHost = 4;
    static constexpr std::uint32_t kStatePreferences = 6;
    static constexpr std::uint32_t kStateDial = 7;
    static constexpr std::uint32_t kStateDevice = 23;

    CKvJobDataTAPIDial();
    ~CKvJobDataTAPIDial() override;
    CKvJobDataTAPIDial(const CKvJobDataTAPIDial&) = delete;
    CKvJobDataTAPIDial& operator=(const CKvJobDataTAPIDial&) = delete;

    CKvJobDataTAPIDial& CopyFrom(const CKvJobDataTAPIDial& other);

    KvResult ReadXml(const XmlNode* job_data) override;
    KvResult WriteXml(XmlNode* job_data) override;
    KvResult StepRequester() override;
    KvResult StepExecutor() override;
    KvResult CheckRootJob() override;

    void SetOwnNumber(std::string_view number) { own_number_ = std::string(number); }
    const std::string& GetOwnNumber() const { return own_number_; }
    std::string GetTargetNumber() const { return call_record_.GetPhoneNumber().GetNumber(); }
    // Stored without white space at either end.
    void SetTargetNumber(std::string_view number);
    void SetCtiSource(std::string_view source) { cti_source_ = std::string(source); }
    const std::string& GetCtiSource() const { return cti_source_; }
    std::string& GetCompanyName() { return call_record_.GetCompanyName(); }
    std::uint32_t& GetCtiTargetFlag() { return cti_target_flag_; }
    std::uint32_t& GetSourceFlag() { return source_flag_; }
    std::uint32_t& GetSecondCallSwapFlag() { return second_call_swap_flag_; }
    // Owned; null when there is none.
    std::unique_ptr<CKvDataCall>& GetOriginatorRecord() { return originator_; }
    CKvDataCall& GetCallRecord() { return call_record_; }
    DiallingRules& GetDiallingRules() { return rules_; }
    KVTAPICALL& GetCall() { return call_; }
    std::uint16_t& GetLineEndpoint() { return line_endpoint_; }
    std::string& GetLineText() { return line_text_; }
    // Made on first use: most jobs are received, answered and ended without
    // needing one.
    CKvDataPreferences& GetPreferences() {
        if (!preferences_)
            preferences_ = std::make_unique<CKvDataPreferences>();
        return *preferences_;
    }

    KvResult StepRequesterFromRoot();
    // The serverless machine, reached through CheckRootJob.
    KvResult ExecutorRun();
    // The requester's work while the call runs; non-zero to stop.
    KvResult FollowCall();
    // The serverless run's work while the call runs.
    KvResult ProcessLineMessages();
    // The executor's work while the call runs.
    KvResult ServeCall();
    // The originator's record, with the phone state and the call's times,
    // back to the sender of the carrying message.
    KvResult NotifyOriginator(std::uint32_t phone_state);
    // Own number and target number by the dialling rules and the flags.
    void PrepareTargetNumber();
    // Same lastname, firstname, companyname and target number: the two jobs
    // dial the same call.
    bool DialsSameCallAs(const CKvJobDataTAPIDial& other) const;

private:
    void InitTAPIDial();
    void End() { GoTo(KV_JOB_STATE_CLEANUP); }
    // The requesting roles; from_root adds the line hints and the
    // originator's confirmation.
    KvResult StepRequesting(bool from_root);
    void Admit(std::uint32_t admitted_state);
    void RequesterSendRequest(bool from_root);
    void RequesterWaitForAnswer(bool from_root);
    void ServerlessPreferences();
    void ServerlessDial();
    void ServerlessWaitForLine();
    void ExecutorFirst();
    void ExecutorGeneral();
    void ExecutorHost();
    void ExecutorDevice();
    void ExecutorDial();
    void ExecutorWaitForLine();
    // The make-call request of the number to the line service.
    KvResult SendMakeCall(const std::string& number);
    // The drop of the call to its line; KV_E_FAIL without line or call.
    KvResult SendDrop();
    // A call update: the times, notices and the end of the call; true when
    // the call went IDLE.
    bool TakeCallUpdate(KVTAPICALL& call, bool set_start_on_ringback);
    // The line's answer to the make-call, out of the queue; null while none.
    CKvMessage* TakeLineAnswer();
    // The accepting line's call: the originator gets its confirmation.
    void ConfirmToOriginator(const CKvMessage& answer);

    // The fields the dial job has in the same order.
    std::string own_number_;
    std::string cti_source_;
    std::string texts_a_[3];
    std::uint32_t words_a_[2] = {0, 0};
    std::uint32_t cti_target_flag_ = 0;
    std::uint32_t source_flag_ = 0;
    std::string texts_b_[4];
    std::uint32_t word_c_ = 0;
    std::uint32_t word_d_ = 0;
    std::string text_e_;
    std::uint32_t second_call_swap_flag_ = 0;
    std::unique_ptr<CKvDataCall> originator_;
    // InitTAPIDial resets it at once.
    CKvDataCall call_record_{CKvDataCall::AsReset{}};
    DiallingRules rules_;
    KVTAPICALL call_;
    std::uint16_t line_endpoint_ = 0;
    std::string line_text_;
    std::unique_ptr<CKvDataPreferences> preferences_;
};
