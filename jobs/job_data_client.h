#pragma once
// CLIENT: a workstation's logon at its server. The requester asks the host
// for a connection, logs on with its protocol version, then posts the
// call-list synchronisation and a listen job, keeps the logon alive and
// reports the connection state as status texts. The executor (the server)
// checks the version, the caller's host and server user records, keeps the
// caller in the user's runtime list of logged-on computers while it is
// logged on, and answers the keep-alive. Element "JobDataClient", shared with
// CLIENT2 and SYNCHRONIZE; the header's type tells them apart.
//
// On a workstation the local computer is the server and the peer computer
// this machine, as the root job sets them.

#include "core/text_values.h"
#include "data/data_host.h"
#include "data/data_server_user.h"
#include "jobs/job_data.h"

#include <memory>
#include <string>

class CKvTypedObject42;

class CKvJobDataClient : public CKvJobData {
public:
    // Protocol version of this build and the lowest one accepted.
    static constexpr std::uint32_t kProtocolVersion = 0x010B0709;
    static constexpr std::uint32_t kLowestVersion = 0x010B0702;

    // Timers of the base's first list.
    static constexpr std::uint32_t kAnswerSeconds = 20;
    static constexpr std::uint32_t kConnectionSeconds = 32;
    static constexpr std::uint32_t kKeepAliveTimerId = 3; // requester, 30 s
    static constexpr std::uint32_t kKeepAliveSeconds = 30;
    static constexpr std::uint32_t kWatchdogTimerId = 4; // executor, 35 s
    static constexpr std::uint32_t kWatchdogSeconds = 35;
    static constexpr std::uint32_t kLockRetryTimerId = 7; // executor, 1 s
    static constexpr std::uint32_t kLockRetrySeconds = 1;

    // Requester states besides the shared ones.
    static constexpr std::uint32_t kStateLogon = 7;
    static constexpr std::uint32_t kStateConnecting = 22;
    // Executor states.
    static constexpr std::uint32_t kStateGeneral = 1;
    static constexpr std::uint32_t kStateUserLogon = 2;
    static constexpr std::uint32_t kStateUserLogoff = 3;
    static constexpr std::uint32_t kStateHost = 4;
    static constexpr std::uint32_t kStateKeepAliveLost = 21;

    // The state word a connection request carries.
    static constexpr std::uint32_t kConnectionRequestState = 3;

    CKvJobDataClient();
    ~CKvJobDataClient() override;

    // Base fields, notifycalls, the texts and the flag; copies of the two
    // records.
    CKvJobDataClient& CopyFrom(const CKvJobDataClient& other);

    KvResult ReadXml(const XmlNode* job_data) override;
    KvResult WriteXml(XmlNode* job_data) override;
    KvResult StepRequester() override;
    KvResult StepExecutor() override;
    // The requester's step.
    KvResult CheckRootJob() override { return StepRequester(); }

    // Asks the host (2048) for the caller's server user record, locking it.
    KvResult RequestServerUser();
    // Posts a LISTEN2, or a TAPI listen job when TAPI is used, to 2063.
    KvResult PostListenJob();
    void StopTapiListenJobs();
    // Stops the first LISTEN2 at this job's peer.
    void StopListenJob();

    std::uint32_t GetNotifyCalls() const { return notifycalls_; }
    void SetNotifyCalls(std::uint32_t notify) { notifycalls_ = notify; }
    const std::string& GetVersion() const { return version_; }
    void SetVersion(const std::string& version) { version_ = version; }
    const std::string& GetStamp() const { return stamp_; }
    BoolValue& GetFlagUseTapi() { return flagusetapi_; }
    CKvDataHost* GetHostRecord() const { return host_record_.get(); }
    CKvDataServerUser* GetServerUser() const { return server_user_.get(); }
    // The port the connection answer carried; 0 before.
    std::uint32_t GetConnectionPort() const { return connection_port_; }

    // Unsigned decimal; an empty text or one without leading digits gives 0.
    static std::uint32_t ReadVersion(const std::string& text);

private:
    // The record of the first message of type 17 in the queue; message is
    // that message, null when there is none. The record is null when the
    // message holds no valid CLIENT record.
    CKvJobDataClient* FirstRecord(CKvMessage*& message);
    void Answer(std::uint32_t messagetype, std::uint32_t attribute);
    // The requester gives up before or at the logon: the status says so.
    void NotConnected();
    void ResetLoggedOnEvent();
    // A message with a new DATASERVERUSER record filled for this caller.
    CKvMessage* NewServerUserMessage(std::int32_t attribute);
    KvResult PostSynchronizeJob();

    void RequesterStart();
    void RequesterConnecting();
    void RequesterLogon();
    void RequesterWaitForLogonAnswer();
    void RequesterLoggedOn();
    void RequesterStopRequested();
    void CleanUp();

    void ExecutorStart();
    void ExecutorGeneral();
    void ExecutorWaitForHost();
    void ExecutorUserLogon();
    // The end of a wait for the server user: the answer timer ends the job,
    // the lock retry timer asks again.
    void FinishUserWait(std::uint32_t waiting_state);
    void ExecutorLoggedOn();
    void ExecutorHandleMessage(CKvMessage* message, bool& re_sent);
    void ForwardLogoff(CKvMessage* message);
    void ExecutorUserLogoff();
    void ExecutorKeepAliveLost();
    void ExecutorStopRequested();
    void ExecutorCleanUp();
    // The caller as the runtime list names it: host name, address, port.
    COMPUTER_IDENT Caller() const;

    std::uint32_t notifycalls_ = 1;
    std::unique_ptr<CKvDataHost> host_record_;
    std::unique_ptr<CKvDataServerUser> server_user_;
    // Made in state 0 and handed to its request message when that is sent.
    std::unique_ptr<CKvTypedObject42> connection_request_;
    std::uint32_t connection_port_ = 0;
    std::string stamp_;
    BoolValue flagusetapi_;
    std::string version_;
    // The version the other side sent, read at the logon.
    std::uint32_t peer_version_ = 0;
    // The requester's job id as the executor learnt it at the logon.
    std::uint32_t requester_job_id_ = 0;
};
