#pragma once
// A stand-in for the host process that shares the message layer with the
// jobs: its own router, a job handler registry, a driver that delivers
// messages to the jobs and steps them, a TCP listener for job texts, and the
// dispatch to the services behind the fixed endpoints (one class each, in
// jobs/host/host_*_service.h and host_call_sink.h), which record what they
// receive and answer as tests script them.
//
// Threads: one thread pumps a host (PumpOnce, RunHosts); the listener's
// thread only posts received texts to the host's queue, and the senders'
// threads only the results of their sends, and signal input.

#include "capi/capi_func_data.h"
#include "data/data_handler.h"
#include "framework/job_handler_registry.h"
#include "framework/message_router.h"
#include "jobs/appl_id_registry.h"
#include "jobs/host/host_call_sink.h"
#include "jobs/host/host_capi_service.h"
#include "jobs/host/host_chat_log_service.h"
#include "jobs/host/host_network_service.h"
#include "jobs/host/host_record_service.h"
#include "jobs/host/host_senders.h"
#include "jobs/host/host_service_log.h"
#include "jobs/host/host_status_service.h"
#include "jobs/host/job_text_receiver.h"
#include "jobs/job_data.h"
#include "platform/message_queue.h"
#include "platform/tcp_transport.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

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
    // Received texts one PumpOnce handles at most before it steps the jobs.
    static constexpr std::size_t kMaxTextsPerPump = 256;

    // A server's jobs reach their peers directly (transport mode 1); a
    // workstation's hold the server as their local computer (mode 3).
    explicit JobHost(bool server, std::uint16_t handler_endpoint = kDefaultHandlerEndpoint);
    ~JobHost();
    JobHost(const JobHost&) = delete;
    JobHost& operator=(const JobHost&) = delete;

    // Raises the soft descriptor limit towards 4,096, registers the endpoints
    // and binds the listener on address:port (port 0: any free port).
    // KV_E_FAIL when started already or an endpoint cannot be registered; the
    // listener's code when it cannot bind.
    KvResult Start(const std::string& address, std::uint16_t port = 0);
    // Starts the host without a listener: texts reach it through HandleText
    // only (hosts joined within one process). KV_E_FAIL as Start.
    KvResult StartInProcess();
    // Unbinds the listener, lets the senders send the texts handed to them
    // (within HostSenders::kStopMs, so that a job's last texts, such as a
    // logoff, still go out) and unregisters the endpoints; queued messages
    // are released, results of sends among them.
    void Stop();
    std::uint16_t GetPort() const { return listener_.GetPort(); }
    const TcpTextListener& GetListener() const { return listener_; }
    std::uint16_t GetHandlerEndpoint() const { return handler_endpoint_; }
    const std::string& GetAddress() const { return address_; }
    bool IsServer() const { return server_; }

    // Handles the queued messages and up to kMaxTextsPerPump received texts,
    // steps every job once and deletes finished jobs. True when anything
    // happened or more waits.
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
    // The IPv4 address (host byte order) of the job's partner; 0 while none
    // is known.
    std::uint32_t GetPartnerAddress(std::uint32_t job_id) const;
    // How the driver steps the job; kNone when it is not filed.
    JobRole GetJobRole(std::uint32_t job_id) const;

    // ---- The services ----

    // The records (2048) and the scripted CAPI side with its chat wire
    // (2061), for tests to fill and script.
    HostRecordService& GetRecordService() { return records_; }
    const HostRecordService& GetRecordService() const { return records_; }
    HostCapiService& GetCapiService() { return capi_; }
    const HostCapiService& GetCapiService() const { return capi_; }
    // What the services received, for them to add to.
    HostServiceLog& GetServiceLogWriter() { return service_log_; }
    // Hands the text to the host's senders; on_result then runs on the
    // host's thread (during PumpOnce) with the send's result, unless the
    // host stops first. False, and the drop logged, when too many texts
    // wait. A failed send is logged. With the id of the job whose text it
    // is: a job without partner takes the address the text goes to (after
    // any name look-up) as its partner, and an executor's text goes to its
    // partner's address (the one its REQUEST came from) with the port given.
    bool PostSend(const std::string& host, std::uint32_t port, std::string text,
                  std::uint32_t timeout_ms, std::function<void(KvResult)> on_result = {},
                  std::uint32_t job_id = 0);

    // Hands every text the host sends to the function instead of the
    // senders, on the host's thread while a job steps; its result is the
    // send's (reported as a sender's is). For hosts joined within one
    // process.
    using SendHook = std::function<KvResult(const std::string& host, std::uint32_t port,
                                            const std::string& text)>;
    void SetSendHook(SendHook hook) { send_hook_ = std::move(hook); }

    // ---- What the host received ----

    const std::deque<HostServiceEntry>& GetServiceLog() const { return service_log_.GetEntries(); }
    std::vector<HostServiceEntry> GetServiceLog(std::uint16_t endpoint) const {
        return service_log_.GetEntries(endpoint);
    }
    // Results of the latest received texts, in order.
    const std::deque<JobTextResult>& GetReceiveLog() const { return receive_log_.GetEntries(); }
    // Every text received since the start (the logs keep only the latest).
    std::uint64_t GetReceivedCount() const { return received_count_; }
    // Texts the listener handed on that the host has not handled yet: in its
    // queue, or held until a server's root runs. On the host's thread.
    std::size_t GetWaitingTextCount() const { return queued_texts_.load() + held_texts_.size(); }
    // Texts refused for their sender and sends that failed, latest last.
    const std::deque<std::string>& GetHostLog() const { return host_log_.GetEntries(); }
    // How many entries each log keeps (kDefaultHostLogLimit unless set).
    void SetLogLimit(std::size_t entries);
    // Called with every text received, before it is read.
    void SetWireObserver(std::function<void(const std::string&)> observer) {
        wire_observer_ = std::move(observer);
    }

    // Serve 2061 with the scripted CAPI side; call before Start. Tests that
    // run the real CAPI service leave it off.
    void UseScriptedCapi() { scripted_capi_ = true; }

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
    // texts go through). peer_address: the sender's IPv4 address, host byte
    // order; 0 for a text from within this process.
    JobTextResult HandleText(const std::string& text, std::uint32_t peer_address = 0);

    // ---- The process and its root job ----

    // Files a new root job that the driver steps with the machine of the
    // kind; a server's root then gives the "ready" signal that logons wait
    // for (the one Start gave is taken back), and texts from peers wait,
    // holding their room in the listener's bound, until that root runs. The
    // root's id.
    KvResult StartRootJob(HostProcessKind kind, std::uint32_t& root_id);
    HostProcessKind GetProcessKind() const { return process_kind_; }
    // Ends the process: a server's root gets the quit command, a
    // workstation's root is stopped (state 11). Its PostQuit ends the run:
    // PumpOnce then does nothing.
    void Shutdown();

private:
    class Handler;
    // Hands the jobs' socket sends to the senders and tells them their
    // partners.
    class JobSends final : public JobHostLink {
    public:
        explicit JobSends(JobHost& host) : host_(host) {}
        bool SendJobText(CKvJobData& job, const std::string& host, std::uint32_t port,
                         const std::string& text) override;
        std::uint32_t GetPartnerAddress(const CKvJobData& job) const override;

    private:
        JobHost& host_;
    };
    // What the host keeps of each job it steps: how, and the address of its
    // partner (0 while unknown: the job then takes no text from the wire).
    // An executor's partner is the sender of its REQUEST, any other job's
    // the address of its first text.
    struct JobRecord {
        JobRole role = JobRole::kNone;
        std::uint32_t partner_address = 0;
    };

    void Dispatch(const ThreadMessage& posted);
    void DriveMessage(CKvMessage* message, std::uint16_t endpoint);
    // False when the job is gone or its queue refused the message (then
    // released).
    bool DeliverToJob(CKvMessage* message, std::uint32_t job_id);
    bool FileJob(CKvJobData* job, CKvMessage* carrying, JobRole role,
                 std::uint32_t partner_address = 0);
    // Routes an accepted text's message; kWrongPeer when the addressed job's
    // partner is elsewhere or unknown, or it is the root.
    JobTextResult RouteText(CKvMessage* message, std::uint32_t peer_address);
    // Whether a text from the address may reach the job: from its partner
    // only, never the root's, and none while the partner is unknown.
    bool IsFromPartner(std::uint32_t job_id, std::uint32_t peer_address) const;
    JobRole RoleOf(const CKvJobData& job) const;
    // The job's first text went to the address: its partner, unless it has
    // one.
    void NotePartner(std::uint32_t job_id, std::uint32_t address);
    // Records, under their ids, for the jobs filed past the host (the root's
    // client job, the jobs it adopted with the address each one's REQUEST
    // came from).
    void RecordFiledJobs();
    bool StepJobs();

    void StartCapiCall(std::shared_ptr<CAPIFuncData> record);
    // The endpoints on the host's queue.
    KvResult RegisterEndpoints();
    // Handles a text from the listener, or holds it while a server's root
    // has yet to run (an executor filed before then would end unanswered).
    void TakeReceivedText(std::unique_ptr<ReceivedTcpText> received);
    // Handles held texts, oldest first, once the root runs or is gone; how
    // many.
    std::size_t HandleHeldTexts(std::size_t limit);
    // A server's root that has been started but does not run yet.
    bool RootIsStarting() const;
    // A received dial or TAPI listen request goes to the running root job,
    // which adopts it or drops it; false when no root runs.
    bool HandToRoot(CKvMessage* message, std::uint32_t peer_address);

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
    std::unordered_map<std::uint32_t, JobRecord> job_records_;

    HostServiceLog service_log_;
    HostSenders senders_;
    JobSends job_sends_{*this};
    HostRecordService records_{*this};
    HostStatusService status_{*this};
    HostChatLogService chat_log_{*this};
    HostCapiService capi_{*this};
    HostNetworkService network_{*this};
    HostCallSink calls_{*this};
    bool scripted_capi_ = false;
    ApplIdRegistry appl_ids_;
    BoundedLog<JobTextResult> receive_log_;
    BoundedLog<std::string> host_log_;
    std::uint64_t received_count_ = 0;
    // Texts posted by the listener and not yet taken from the queue.
    std::atomic<std::size_t> queued_texts_{0};
    std::deque<std::unique_ptr<ReceivedTcpText>> held_texts_;
    std::uint32_t root_id_ = 0;
    // The listener's dropped texts already logged.
    std::uint32_t listener_dropped_ = 0;
    std::function<void(const std::string&)> wire_observer_;
    SendHook send_hook_;
    HostProcessKind process_kind_ = HostProcessKind::kNone;
};

// Pumps the hosts on the calling thread until the predicate holds (true) or
// limit_ms of real time have passed (false). While nothing happens it waits
// for input from a listener, briefly, so that a clock moved by a test is
// noticed.
bool RunHosts(const std::vector<JobHost*>& hosts, const std::function<bool()>& predicate,
              std::uint32_t limit_ms);
