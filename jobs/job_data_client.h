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
#include "jobs/job_data_logon.h"

#include <memory>
#include <string>

class CKvTypedObject42;

class CKvJobDataClient : public CKvJobDataLogon {
public:
    // Protocol version of this build and the lowest one accepted.
    static constexpr std::uint32_t kProtocolVersion = 0x010B0709;
    static constexpr std::uint32_t kLowestVersion = 0x010B0702;

    // The answer timer's period while the connection is asked for.
    static constexpr std::uint32_t kConnectionSeconds = 32;

    // Requester states besides the shared ones.
    static constexpr std::uint32_t kStateLogon = 7;
    static constexpr std::uint32_t kStateConnecting = 22;
    // Executor states besides the shared ones.
    static constexpr std::uint32_t kStateGeneral = 1;
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
    // Once the executor has served its logon (state 10): stops the first
    // LISTEN2 executor (variant 0) of this job's peer key and partner
    // address; never the server's own (variant 1), and none for a peer of
    // key 0.
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

protected:
    // Every text goes through the host's network service (Send).
    void Answer(std::uint32_t messagetype, std::uint32_t attribute) override;
    KvResult RequestUser() override { return RequestServerUser(); }
    std::int32_t UserPayloadType() const override;
    void FillUserRecord(void* record) override;
    // The caller leaves the user's runtime list.
    void OnLogoffRecord(void* record) override;

private:
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
    // The executor reached state 10.
    bool served_ = false;
};
