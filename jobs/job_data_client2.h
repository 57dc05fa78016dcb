#pragma once
// CLIENT2: the second-generation client job. The requester (client side) logs
// on to a server and keeps the logon alive; the executor (server side) checks
// the caller against the host and user records, answers the keep-alive and
// reports the logoff. It sends every job text itself over a new TCP
// connection (SendDirect). Its element is "JobDataClient".

#include "jobs/job_data_logon.h"

class CKvJobDataClient2 : public CKvJobDataLogon {
public:
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

protected:
    // Every text goes over a connection of the job's own (SendDirect).
    void Answer(std::uint32_t messagetype, std::uint32_t attribute) override;
    KvResult RequestUser() override { return RequestUserRecord(); }
    std::int32_t UserPayloadType() const override;

private:
    // Every entry to the logged-on state starts the executor's watchdog.
    void EnterLoggedOn();
    // A message with a new blank user record and its header; null when none
    // could be made.
    CKvMessage* NewUserRecordMessage(std::int32_t kind, std::int32_t command,
                                     std::int32_t attribute);

    void RequesterStart();
    void RequesterWaitForLogonAnswer();
    void RequesterStopRequested();
    void CleanUp(bool reset_logged_on_event);

    void ExecutorStart();
    void ExecutorWaitForHost();
    // The user record at the logon: LOCKED restarts the retry timer,
    // DATA_FOUND completes the logon, anything else refuses it.
    void ExecutorWaitForUserLogon();

    std::uint32_t notifycalls_ = 1;
};
