#pragma once
// What the two dial job generations share: a call placed through the ISDN
// line by call transfer (the line calls the user's own telephone first, then
// the party, and joins the two). The jobs never talk CAPI: they gather the
// numbers and dialling settings, ask the host for a transfer manager and
// follow its reports. Element "JobDataDial"; the header's type tells DIAL
// (13) and DIAL2 (39) apart.

#include "core/dialling_rules.h"
#include "data/data_call.h"
#include "jobs/job_data.h"

#include <memory>
#include <string>

class CKvDataGeneral;

class CKvJobDataDialBase : public CKvJobData {
public:
    static constexpr std::uint32_t kAnswerSeconds = 40;
    // The requester's bound once the server accepted.
    static constexpr std::uint32_t kFollowSeconds = 30;
    // At most this many dial jobs of a kind at a time, this one included.
    static constexpr std::uint32_t kMaxJobs = 3;

    static constexpr std::uint32_t kStateLoginRecord = 2;
    static constexpr std::uint32_t kStateHostRecord = 4;
    static constexpr std::uint32_t kStatePreferences = 6;
    static constexpr std::uint32_t kStateRequestManager = 7;

    // Call-state values reported in the linked call record.
    static constexpr std::uint32_t kPhoneIdle = 1;
    static constexpr std::uint32_t kPhoneAlertingOut = 2;
    static constexpr std::uint32_t kPhoneConnected = 6;
    static constexpr std::uint32_t kPhoneDisconnected = 7;

    ~CKvJobDataDialBase() override;

    // lastname "," firstname "," companyname "," targetnumber.
    std::string GetKey() const;

    std::string& GetCtiNumber() { return cti_number_; }
    void SetCtiNumber(const std::string& number) { cti_number_ = number; }
    const std::string& GetTargetNumber() const { return call_.GetPhoneNumber().GetNumber(); }
    void SetTargetNumber(const std::string& number) { call_.GetPhoneNumber().GetNumber() = number; }
    std::string& GetSourceNumber() { return source_number_; }
    void SetSourceNumber(const std::string& number) { source_number_ = number; }
    std::string& GetLastName() { return call_.GetLastName(); }
    std::string& GetFirstName() { return call_.GetFirstName(); }
    std::string& GetCompanyName() { return call_.GetCompanyName(); }
    CKvDataCall& GetCallData() { return call_; }
    // The call record the job marks and reports; owned by the job.
    std::unique_ptr<CKvDataCall>& GetLinkedCall() { return linked_call_; }
    DiallingRules& GetDiallingRules() { return rules_; }
    std::uint32_t& FlagAutomaticLine() { return flag_automatic_line_; }
    std::uint32_t& FlagCtiTargetAutomaticLine() { return flag_cti_target_automatic_line_; }
    std::uint32_t& FlagSourceAutomaticLine() { return flag_source_automatic_line_; }
    std::string& InternalPrefix() { return internal_prefix_; }
    std::string& InternalSuffix() { return internal_suffix_; }
    std::string& ExternalPrefix() { return external_prefix_; }
    std::string& ExternalSuffix() { return external_suffix_; }

    // Marks the linked call record with the state and reports a copy of it
    // to the originator; nothing without a linked record.
    KvResult ReportCallState(std::uint32_t state);

    // The requests of the executor to the record service (2048).
    KvResult PostHostRecord();
    KvResult PostLoginRecord();

protected:
    explicit CKvJobDataDialBase(std::uint32_t type_code);

    // The fields both generations copy; the linked record is cloned.
    void CopyDialFields(const CKvJobDataDialBase& other);
    // Every own field but the linked record emptied.
    void ResetDialFields();

    void End() { GoTo(KV_JOB_STATE_CLEANUP); }
    // As the requester's REQUEST was answered: CONFIRMATION with the
    // attribute, back to the requester.
    void Answer(std::uint32_t attribute);
    // Refuses while the request is unanswered.
    void Refuse();

    // State 0 of the requesting machines: at most three dial jobs of this
    // type, none of them for the same call; next is the state to go to.
    void StartCheck(std::uint32_t next);
    // The carrying message's source hears that its call is being placed.
    void SendAcceptanceToOriginator();
    // Flags, affix texts, source number and rules from the server's general
    // settings (executor).
    void TakeGeneralSettings(CKvDataGeneral& general);
    // Asks 2061 for a transfer manager with the CTI number, the source
    // number, the target number and whether the target is internal.
    KvResult SendTransferRequest();
    // Tells the held manager SHUTDOWN; partner id 0 once sent.
    KvResult SendManagerShutdown();
    // Executor state 7: the root's general settings, the numbers prepared
    // by the generation's rules, the transfer request.
    KvResult RequestTransferManager();
    virtual KvResult PrepareNumbers() = 0;

    // The requester machine of both generations.
    KvResult RunRequester(bool acceptance_to_originator);
    // Reports of the peer (requester) or the manager (serverless) in state
    // 10: SHUTDOWN of a call record (or of the own type, when
    // own_type_shutdown) stops; the reporter's end ends; connected and
    // transfer established are reported.
    void ScanReports(std::int32_t reporter_type, bool own_type_shutdown);
    // Executor state 10: the manager's reports answered to the requester.
    void ScanManagerAnswers();
    bool AnyTimerExpired() { return timers_.CheckAllExpired() != 0; }
    // The first queued answer of the type, or null (the job then waits).
    CKvMessage* FindAnswer(std::int32_t type);
    // The end of a waiting state: the queue emptied; still in the state, the
    // bound (any timer of the list, or timer 1) ends the job; an ended job
    // refuses its unanswered request when refuse is set.
    void FinishWait(std::uint32_t state, bool any_timer, bool refuse);
    // Executor state 13: the transfer manager's acceptance answers the
    // requester; another answer refuses and ends. refuse_when_bounded: a
    // job the bound ends refuses too.
    void ExecutorWaitForManager(bool any_timer, bool refuse_when_bounded);

    // The job element with the peer keys, the target number and, for DIAL2,
    // the CTI target number; the first failure is returned.
    KvResult WriteDialElement(XmlNode* job_data, bool with_cti_target);

    std::string cti_number_;
    std::string source_number_;
    std::uint32_t flag_automatic_line_ = 0;
    std::uint32_t flag_cti_target_automatic_line_ = 0;
    std::uint32_t flag_source_automatic_line_ = 0;
    std::string internal_prefix_;
    std::string internal_suffix_;
    std::string external_prefix_;
    std::string external_suffix_;
    std::unique_ptr<CKvDataCall> linked_call_;
    CKvDataCall call_;
    DiallingRules rules_;
};
