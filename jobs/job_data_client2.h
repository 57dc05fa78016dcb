#pragma once
// CLIENT2: the second-generation client job. The requester (client side) logs
// on to a server and keeps the logon alive; the executor (server side) checks
// the caller against the host and user records, answers the keep-alive and
// reports the logoff. It sends every job text itself over a new TCP
// connection (SendDirect). Its element is "JobDataClient".

#include "jobs/job_data.h"

class CKvJobDataClient2 : public CKvJobData {
public:
    // Timers of the base's first list.
    static constexpr std::uint32_t kKeepAliveTimerId = 3; // requester, 30 s
    static constexpr std::uint32_t kKeepAliveSeconds = 30;
    static constexpr std::uint32_t kWatchdogTimerId = 4; // executor, 35 s
    static constexpr std::uint32_t kWatchdogSeconds = 35;
    static constexpr std::uint32_t kLockRetryTimerId = 7; // executor, 1 s
    static constexpr std::uint32_t kLockRetrySeconds = 1;
    static constexpr std::uint32_t kAnswerSeconds = 20;

    CKvJobDataClient2();

    CKvJobDataClient2& CopyFrom(const CKvJobDataClient2& other);

    KvResult ReadXml(const XmlNode* job_data) override;
    KvResult WriteXml(XmlNode* job_data) override;
    KvResult StepRequester() override;
    KvResult StepExecutor() override;
    KvResult CheckRootJob() override { return JobDataNotSupported(); }
    // A logon text that could not be sent ends the logon, as a refused one.
    void OnTextNotSent() override;

    // Asks the host (2048) for the user record, locking it.
    KvResult RequestUserRecord();

    std::uint32_t GetNotifyCalls() const { return notifycalls_; }
    void SetNotifyCalls(std::uint32_t notify) { notifycalls_ = notify; }

private:
    // The record of the first message of type 38 in the queue; message is
    // that message, null when there is none. The record is null when the
    // message holds no valid CLIENT2 record.
    CKvJobDataClient2* FirstRecord(CKvMessage*& message);
    void Answer(std::uint32_t messagetype, std::uint32_t attribute);
    // Every entry to the logged-on state starts the executor's watchdog.
    void EnterLoggedOn();
    // A message with a new blank user record and its header; null when none
    // could be made.
    CKvMessage* NewUserRecordMessage(std::int32_t kind, std::int32_t command,
                                     std::int32_t attribute);

    void RequesterStart();
    void RequesterWaitForLogonAnswer();
    void RequesterLoggedOn();
    void RequesterStopRequested();
    void CleanUp(bool reset_logged_on_event);

    void ExecutorStart();
    void ExecutorWaitForHost();
    void ExecutorWaitForUserLogon();
    void ExecutorLoggedOn();
    // A message of the logged-on walk. re_sent: the message went on to the
    // host and no longer belongs to the queue's walk.
    void ExecutorHandleMessage(CKvMessage* message, bool& re_sent);
    // The logoff: the message, its payload replaced by a blank user record,
    // re-sent to the host; then the state waiting for that record.
    void ForwardLogoff(CKvMessage* message);
    void ExecutorWaitForUserLogoff();
    void ExecutorStopRequested();
    // The user-record answer of states 2 (logon) and 3 (logoff): LOCKED
    // restarts the retry timer, DATA_FOUND completes the logon or forwards
    // the logoff, anything else ends the job.
    void HandleUserAnswer(bool logoff);

    std::uint32_t notifycalls_ = 1;
};
