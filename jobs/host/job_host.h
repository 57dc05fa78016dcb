#pragma once
// A stand-in for the host process that shares the message layer with the
// jobs: its own router, a job handler registry, a driver that delivers
// messages to the jobs and steps them, a TCP listener for job texts, and the
// services behind the fixed endpoints, which record what they receive and
// answer as tests script them.
//
// Threads: one thread pumps a host (PumpOnce, RunHosts); the listener's
// thread only posts received texts to the host's queue and signals input.

#include "capi/capi_func_data.h"
#include "data/data_handler.h"
#include "framework/job_handler_registry.h"
#include "framework/message_router.h"
#include "jobs/appl_id_registry.h"
#include "jobs/host/job_text_receiver.h"
#include "jobs/job_data.h"
#include "platform/message_queue.h"
#include "platform/tcp_transport.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// What a service endpoint received.
struct HostServiceEntry {
    std::uint16_t endpoint = 0;
    std::int32_t kind = 0;
    std::int32_t command = 0;
    std::int32_t sub_command = 0;
    std::int32_t attribute = 0;
    std::int32_t payload_type = 0;
    std::uint32_t job_ids[3] = {0, 0, 0};
    // The text of a status record or of a network-send request; the name of
    // a record where it has one.
    std::string text;
};

// How the driver steps a job.
enum class JobRole : std::int32_t { kNone, kRequester, kExecutor, kCheckRootJob };

// The kind of process a host stands for: which machine steps its root job.
enum class HostProcessKind : std::int32_t {
    kNone,                     // no root job of the host's own
    kServer,                   // StepExecutor
    kWorkstationWithServer,    // StepRequester
    kWorkstationWithoutServer, // OnEvent
};

class JobHost {
public:
    static constexpr std::uint16_t kDefaultHandlerEndpoint = 0x900;
    // Messages left in a job's queue expire after this.
    static constexpr std::uint32_t kDeliveredLifetimeSeconds = 60;
    // Record requests of this sub-command ask for every record of a type, as
    // a record store.
    static constexpr std::int32_t kSubCommandAllOfType = 10;
    static constexpr std::int32_t kAllOfTypeCapacity = 200;
    // The call query: the DATACALLs from the query's start time on, as a
    // record store.
    static constexpr std::int32_t kSubCommandCallQuery = 11;

    // A server's jobs reach their peers directly (transport mode 1); a
    // workstation's hold the server as their local computer (mode 3).
    explicit JobHost(bool server, std::uint16_t handler_endpoint = kDefaultHandlerEndpoint);
    ~JobHost();
    JobHost(const JobHost&) = delete;
    JobHost& operator=(const JobHost&) = delete;

    // Registers the endpoints and binds the listener on address:port (port 0:
    // any free port). KV_E_FAIL when started already or an endpoint cannot be
    // registered; the listener's code when it cannot bind.
    KvResult Start(const std::string& address, std::uint16_t port = 0);
    // Unbinds the listener and unregisters the endpoints; queued messages are
    // released.
    void Stop();
    std::uint16_t GetPort() const { return listener_.GetPort(); }
    const std::string& GetAddress() const { return address_; }
    bool IsServer() const { return server_; }

    // Handles every queued message and received text, steps every job once
    // and deletes finished jobs. True when anything happened.
    bool PumpOnce();

    // A CLIENT2 logon towards the server at address:port; the job's id. Sets
    // event 2, so that a logoff is announced.
    KvResult StartLogon(const std::string& server_address, std::uint16_t server_port,
                        const std::string& login_name, std::uint32_t& job_id);
    // Stops every job; with announce the logged-on client tells the server.
    void Logoff(bool announce);

    // Files a job the host starts, with the role it names.
    KvResult AddHostJob(CKvJobData* job, JobRole role);

    CKvIMSGJobDataHandler& GetHandler();
    CKvMessageRouter& GetRouter() { return router_; }
    CKvJobData* FindJob(std::uint32_t id) const;
    bool IsQuitRequested() const;

    // ---- The services ----

    // A record for 2048's look-ups, kept per type; one of the same key is
    // replaced.
    void StoreRecord(std::unique_ptr<CKvDataHandler> record, std::int32_t type);
    CKvDataHandler* FindStoredRecord(std::int32_t type, std::size_t index = 0) const;
    // The next count look-ups that find a record of the type answer
    // DATA_FOUND_LOCKED.
    void ScriptLockedAnswers(std::int32_t type, std::uint32_t count) {
        locked_type_ = type;
        locked_answers_ = count;
    }
    // A silent record service records requests and answers none.
    void SetRecordServiceSilent(bool silent) { records_silent_ = silent; }
    const std::vector<HostServiceEntry>& GetServiceLog() const { return service_log_; }
    std::vector<HostServiceEntry> GetServiceLog(std::uint16_t endpoint) const;
    // Results of the received texts, in order.
    const std::vector<JobTextResult>& GetReceiveLog() const { return receive_log_; }
    // Called with every text received, before it is read.
    void SetWireObserver(std::function<void(const std::string&)> observer) {
        wire_observer_ = std::move(observer);
    }

    // ---- The scripted CAPI side (2061) ----

    // Serve 2061 with the scripted CAPI side; call before Start. Tests that
    // run the real CAPI service leave it off.
    void UseScriptedCapi() { scripted_capi_ = true; }
    // Requests for managers are refused while set.
    void ScriptCapiRefusal(bool refuse) { capi_refuses_ = refuse; }
    // The id of the last manager granted (0: none).
    std::uint32_t GetLastManagerId() const { return next_manager_id_ - 1; }
    // A call the granted listen manager reports: a copy of the manager with
    // texts 2 and 3 and the event time, as INFO/NOTIFICATION to its
    // requester. False when no such manager is held.
    bool ScriptListenNotification(std::uint32_t manager_id, const std::string& calling,
                                  const std::string& called);
    // The manager ends: INFO/ENDED to its requester, the manager given up.
    bool ScriptManagerEnded(std::uint32_t manager_id);
    // The manager ids that SHUTDOWNs named, in order.
    const std::vector<std::uint32_t>& GetCapiShutdowns() const { return capi_shutdowns_; }

    // A transfer manager's report (CALL_CONNECTED, CALL_ECT_ESTABLISHED,
    // SHUTDOWN, ENDED) to its requester through the job intake (2063); an
    // end gives the manager up. False when no such manager is held.
    bool ScriptTransferReport(std::uint32_t manager_id, std::int32_t attribute);
    // CAPIFuncData calls to a granted function manager are executed: REGISTER
    // gives the next ApplID, RELEASE ApplID 0, the rest 0; WAIT_FOR_SIGNAL
    // (and, while set, every call) is held until released.
    void ScriptCapiCallsHeld(bool hold) { capi_calls_held_ = hold; }
    // Answers the held calls, ReturnValue 0; their count.
    std::size_t ReleaseHeldCapiCalls();
    std::size_t GetHeldCapiCallCount() const { return capi_held_.size(); }

    // ---- Remote CAPI for applications ----

    // The ApplIDs of the CAPI server jobs serving this host's applications.
    ApplIdRegistry& GetApplIdRegistry() { return appl_ids_; }
    // Hands an application's call to the host thread (any thread may call
    // it while the host runs): a REGISTER starts a CAPI server requester,
    // any other call goes to the job of its ApplID. A call that reaches no
    // job is completed as not executed. KV_E_FAIL when the host does not
    // run (the record is then completed so).
    KvResult PostCapiCall(std::shared_ptr<CAPIFuncData> record);

    // Handles one received text as the driver does (what the listener's
    // texts go through).
    JobTextResult HandleText(const std::string& text);

    // ---- The process and its root job ----

    // Files a new root job that the driver steps with the machine of the
    // kind; a server's root then gives the "ready" signal that logons wait
    // for (the one Start gave is taken back). The root's id.
    KvResult StartRootJob(HostProcessKind kind, std::uint32_t& root_id);
    HostProcessKind GetProcessKind() const { return process_kind_; }
    // Ends the process: a server's root gets the quit command, a
    // workstation's root is stopped (state 11). Its PostQuit ends the run:
    // PumpOnce then does nothing.
    void Shutdown();
    // ---- The chat wire (jobs/host/chat_wire.h) ----

    // The packet bytes, as its listen manager's NOTIFICATION, to the chat
    // job here whose own number is the called number. False when none has it.
    bool DeliverChatPacket(const std::string& called, const std::string& caller,
                           const std::uint8_t* bytes, std::uint32_t count);

private:
    class Handler;

    void Dispatch(const ThreadMessage& posted);
    void DriveMessage(CKvMessage* message, std::uint16_t endpoint);
    void DeliverToJob(CKvMessage* message, std::uint32_t job_id);
    bool FileJob(CKvJobData* job, CKvMessage* carrying, JobRole role);
    JobRole RoleOf(const CKvJobData& job) const;
    bool StepJobs();

    void ServeRecords(CKvMessage* message);
    void ServeAllOfType(CKvMessage* message);
    void ServeCapi(CKvMessage* message);
    // The granted manager's request, as a notice to its requester.
    // target 0: the requester's endpoint.
    bool NotifyFromManager(std::uint32_t manager_id, std::int32_t attribute,
                           const std::function<void(CKvMessage&)>& fill,
                           std::uint16_t target = 0);
    // A CAPIFuncData call at the scripted CAPI side.
    void ServeCapiCall(CKvMessage* message);
    void AnswerCapiCall(CKvMessage* message);
    void StartCapiCall(std::shared_ptr<CAPIFuncData> record);
    void ServeNetwork(CKvMessage* message);
    void ServeCalls(CKvMessage* message);
    // The chat job's services: call set-ups carrying packets, participant
    // look-ups and reports, the start group. True when the message was taken.
    bool ServeChatWire(CKvMessage* message);
    bool ServeChatRecords(CKvMessage* message);
    void AnswerUserGroup(CKvMessage* message);
    // A line start or stop the status service received, to the line service
    // (2110) when one runs here.
    void HandLineToService(CKvMessage* message);
    void Record(std::uint16_t endpoint, const CKvMessage& message, std::string text = {});
    CKvDataHandler* LookUp(const CKvMessage& message) const;
    // The record requests besides the look-up of one record (collection,
    // call query); false when the message is not one of them.
    bool ServeRecordQuery(CKvMessage* message);
    void ServeCollection(CKvMessage* message);
    // Answers the request with a store of copies of the wanted records of
    // the type, numbered from 1.
    void AnswerWithStore(CKvMessage* message, std::int32_t type,
                         const std::function<bool(CKvDataHandler&)>& wanted);
    void ServeCallQuery(CKvMessage* message);
    // Whether the stored record is the one the request asks for.
    static bool IsAskedRecord(CKvDataHandler& held, CKvDataHandler& asked, std::int32_t type);
    // A received dial or TAPI listen request goes to the running root job,
    // which adopts it or drops it; false when no root runs.
    bool HandToRoot(CKvMessage* message);

    bool server_;
    std::uint16_t handler_endpoint_;
    std::string address_;
    CKvMessageRouter router_;
    std::unique_ptr<Handler> handler_;
    std::shared_ptr<MessageQueue> queue_;
    DWORD queue_id_ = 0;
    std::vector<std::uint16_t> registered_;
    TcpTextListener listener_;
    CKvJobTextReceiver receiver_;
    std::unordered_map<std::uint32_t, JobRole> roles_;

    std::map<std::int32_t, std::vector<std::unique_ptr<CKvDataHandler>>> records_;
    bool records_silent_ = false;
    std::int32_t locked_type_ = 0;
    std::uint32_t locked_answers_ = 0;
    std::vector<HostServiceEntry> service_log_;
    bool scripted_capi_ = false;
    bool capi_refuses_ = false;
    std::uint32_t next_manager_id_ = 1;
    std::uint32_t capi_value_ = 0;
    // The granted requests by manager id (messages owned).
    std::map<std::uint32_t, CKvMessage*> capi_grants_;
    std::vector<std::uint32_t> capi_shutdowns_;
    bool capi_calls_held_ = false;
    std::int32_t next_appl_id_ = 1;
    std::vector<CKvMessage*> capi_held_;
    ApplIdRegistry appl_ids_;
    std::vector<JobTextResult> receive_log_;
    std::function<void(const std::string&)> wire_observer_;
    HostProcessKind process_kind_ = HostProcessKind::kNone;
};

// Pumps the hosts on the calling thread until the predicate holds (true) or
// limit_ms of real time have passed (false). While nothing happens it waits
// for input from a listener, briefly, so that a clock moved by a test is
// noticed.
bool RunHosts(const std::vector<JobHost*>& hosts, const std::function<bool()>& predicate,
              std::uint32_t limit_ms);
