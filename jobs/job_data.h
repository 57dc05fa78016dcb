#pragma once
// The base of every protocol job. A job is a record that travels (as a
// "JobData" text between hosts, as a message payload between threads) and a
// step machine that its driver steps until it reaches the finished state.
//
// Ownership: a filed job belongs to its job handler registry. Its carrying
// message (the message it arrived in) keeps the job as its payload until the
// job's own step detaches it; only the job's destructor frees that message.
// Jobs take no lock: one thread at a time uses a job.

#include "core/computer_ident.h"
#include "core/time_date.h"
#include "core/timer_list.h"
#include "core/xml_document.h"
#include "framework/job_handler_registry.h"
#include "framework/message.h"
#include "framework/message_list.h"
#include "framework/message_router.h"
#include "framework/payload_registry.h"
#include "platform/result_codes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The job states every step machine shares (the registry's own are in
// framework/job_handler_registry.h).
inline constexpr std::uint32_t KV_JOB_STATE_START = 0;
inline constexpr std::uint32_t KV_JOB_STATE_WAITING_FOR_ANSWER = 13;

// Fixed endpoints of the host services the jobs send to.
inline constexpr std::uint16_t KV_ENDPOINT_HOST_MAIN = 2048;
inline constexpr std::uint16_t KV_ENDPOINT_HOST_STATUS = 2050;
inline constexpr std::uint16_t KV_ENDPOINT_CHAT_LOG = 2054;
inline constexpr std::uint16_t KV_ENDPOINT_CAPI = 2061;
inline constexpr std::uint16_t KV_ENDPOINT_NETWORK = 2062;
inline constexpr std::uint16_t KV_ENDPOINT_JOB_INTAKE = 2063;
inline constexpr std::uint16_t KV_ENDPOINT_CALL_WINDOW = 2089;
inline constexpr std::uint16_t KV_ENDPOINT_TAPI_LINES = 2110;

// Transport modes: how a job reaches its peer.
inline constexpr std::uint32_t KV_TRANSPORT_NONE = 0;
inline constexpr std::uint32_t KV_TRANSPORT_REMOTE_PEER = 1;
inline constexpr std::uint32_t KV_TRANSPORT_LOCAL = 3;
inline constexpr std::uint32_t KV_TRANSPORT_LOCAL_ALT = 4;

// The sub-command of a request for one record.
inline constexpr std::int32_t KV_SUBCOMMAND_ONE_RECORD = 5;

class CKvJobData;

// What a host offers the jobs it steps: it takes the texts they send over
// TCP, so that a peer that does not answer holds up no job
// (jobs/host/host_senders.h), and it knows each job's partner.
class JobHostLink {
public:
    virtual ~JobHostLink() = default;
    // Takes the job's text for host:port; false when it was dropped. A
    // failed send is reported later through the job's OnTextNotSent.
    virtual bool SendJobText(CKvJobData& job, const std::string& host, std::uint32_t port,
                             const std::string& text) = 0;
    // The IPv4 address (host byte order) of the job's partner; 0 while the
    // host knows none.
    virtual std::uint32_t GetPartnerAddress(const CKvJobData& job) const = 0;
};

class CKvJobData : public CKvJobHandlerEntry {
public:
    static constexpr std::uint32_t kAnswerTimerId = 1;
    // Connect and write time-out of a job text sent over TCP, and the
    // time-out a network-send request carries.
    static constexpr std::uint32_t kSendTimeoutMs = 2000;

    CKvJobData();
    // Frees the carrying message: only its header when its payload is this
    // very job, else with its payload.
    ~CKvJobData() override;
    CKvJobData(const CKvJobData&) = delete;
    CKvJobData& operator=(const CKvJobData&) = delete;

    // Jobs are made by the thread that receives them and ended by the one
    // that runs them, one per text: like messages they come from a pool, by
    // their size, rather than from the heap's bins for large blocks.
    static void* operator new(std::size_t size);
    static void operator delete(void* job, std::size_t size) noexcept;

    // ---- The virtual operations ----

    // Reads the job's own element among the children of the "JobData"
    // element.
    virtual KvResult ReadXml(const XmlNode* job_data) = 0;
    // Appends the job's own element to the "JobData" element of the job's
    // document.
    virtual KvResult WriteXml(XmlNode* job_data) = 0;
    virtual KvResult StepRequester() = 0;
    virtual KvResult StepExecutor() = 0;
    virtual KvResult CheckRootJob() = 0;

    // The filler of the step operations a job class does not support.
    KvResult JobDataNotSupported() { return KV_E_FAIL; }
    // The filler of the XML operations of a job class without an XML form.
    KvResult JobDataNoXml() { return KV_E_FAIL; }

    // ---- Registry interface ----

    std::uint32_t GetType() const override { return type_code_; }
    void SetTarget(CKvMessageRouter* router, std::uint16_t endpoint_id) override;
    void SetTransportMode(std::uint32_t mode) override { transport_mode_ = mode; }

    // ---- Copy ----

    // Header, ids, counter value, identities, states and datetime; the
    // carrying message as a header-only clone. Not the partner id, type
    // code, handler, sub-states, timers, queue or XML text.
    CKvJobData& CopyFrom(const CKvJobData& other);

    // ---- Fields ----

    void SetHeader(std::uint32_t messagetype, std::uint32_t attribute, std::uint32_t idtarget,
                   std::uint32_t idsource);
    void SetIds(std::uint32_t idtarget, std::uint32_t idsource);
    void SetMessageType(std::uint32_t messagetype, std::uint32_t attribute);
    void SetLoginName(const char* name) { loginname_ = name != nullptr ? name : ""; }
    const std::string& GetLoginName() const { return loginname_; }
    std::uint32_t GetSubType() const { return received_type_code_; }
    void SetSubType(std::uint32_t code) { received_type_code_ = code; }
    TimeDate& GetDateTime() { return datetime_; }
    void SetPeerAddress(const char* dotted) {
        peer_.SetAddressText(dotted != nullptr ? dotted : "");
    }
    void SetPeerAddressText(const std::string& dotted) { peer_.SetAddressText(dotted); }
    void SetLocalHost(const char* name, const std::string& dotted, std::uint32_t port);
    std::string GetLocalAddressText() const { return local_.GetAddressText(); }
    std::string GetIdSourceText() const;
    std::string GetIdTargetText() const;

    std::uint32_t GetIdSource() const { return idsource_; }
    std::uint32_t GetIdTarget() const { return target_job_id_; }
    std::uint32_t GetMessageType() const { return messagetype_; }
    std::uint32_t GetAttribute() const { return attribute_; }
    std::uint32_t GetPartnerJobId() const { return partner_job_id_; }
    std::uint32_t GetSequenceCounter() const { return sequence_counter_; }
    std::uint32_t GetTransportMode() const { return transport_mode_; }
    std::uint32_t GetSubState() const { return sub_state_; }
    std::uint32_t GetWaitingFlag() const { return waiting_flag_; }
    KvResult GetLastResult() const { return last_result_; }
    CKvMessageRouter* GetRouter() const { return router_; }
    std::uint16_t GetEndpointId() const { return endpoint_id_; }
    COMPUTER_IDENT& GetLocalComputer() { return local_; }
    COMPUTER_IDENT& GetPeerComputer() { return peer_; }
    const COMPUTER_IDENT& GetPeerComputer() const { return peer_; }
    CKvMessageList& GetIncomingQueue() { return incoming_; }
    TimerList& GetTimers() { return timers_; }
    const std::string& GetXmlText() const { return xml_text_; }
    // The message the job arrived in; the job's destructor frees it.
    CKvMessage* GetCarryingMessage() const { return carrying_message_; }
    // Takes the message over (a message held before is freed as the
    // destructor frees it).
    void SetCarryingMessage(CKvMessage* message);
    // Clears the carrying message's payload pointer when it is this job, so
    // that the message no longer owns the job.
    void DetachFromCarryingMessage();

    // ---- Type names ----

    static const char* TypeName(std::uint32_t code);
    // The code of a type name of the table; false for an unknown name and for
    // "K_KVJBDT_TP_UNSPECIFIED".
    static bool TypeCodeFromName(std::string_view name, std::uint32_t& code);

    // ---- Requests, header and sending ----

    // Two-phase request of a record (sub-state 0: send; 2: wait for the
    // answer). The answer, when taken, belongs to the caller.
    KvResult RequestRecord(CKvMessage*& answer, std::uint32_t command, std::uint16_t target,
                           std::uint32_t addressed_job_id, void* record, std::int32_t payload_type);

    // The "JobData" header in the job's document; out receives it.
    KvResult WriteHeader(XmlNode*& out);
    // The whole job text.
    KvResult Serialize(std::string& out);
    // Serialises the job and asks the network service (2062) to send the text
    // (the given one, when not null) to address:port.
    KvResult PostToHost(const std::string& address, std::uint32_t port,
                        const std::string* text = nullptr);
    // PostToHost towards the destination the transport mode selects.
    KvResult Send(const std::string* text = nullptr);
    // Sends the text (the given one, else the job's XML text) over a new TCP
    // connection and closes it; within a host, hands it to the host's
    // senders (KV_OK once taken).
    KvResult SendBySocket(const std::string& host, std::uint32_t port,
                          const std::string* text = nullptr);
    // The host that steps the job; null (the default) sends at once and
    // knows no partner.
    void SetHostLink(JobHostLink* link) { host_link_ = link; }
    // A text the host's senders took could not be sent.
    virtual void OnTextNotSent() {}
    // The IPv4 address (host byte order) of the peer whose REQUEST made the
    // job: set by a host that hands the job to its root for adoption, read
    // once the root has filed it under its id (a dropped job takes it along).
    // 0 for any other job.
    void SetRequestAddress(std::uint32_t address) { request_address_ = address; }
    std::uint32_t GetRequestAddress() const { return request_address_; }
    // The address of the job's partner as the host knows it; 0 outside a
    // host or while none is known.
    std::uint32_t GetPartnerAddress(const CKvJobData& job) const {
        return host_link_ != nullptr ? host_link_->GetPartnerAddress(job) : 0;
    }
    // Serialises the job and sends its text straight to the peer the
    // transport mode selects, over TCP.
    KvResult SendDirect();
    // Asks the host (2048) for the DATAHOST record of the peer.
    KvResult PostHostList();
    // Posts a status text by its identifier to the host (2050).
    void PostStatusText(const char* text);
    // A plain text (payload 23) to the endpoint as INFO, command 1,
    // sub-command 5; KV_E_OUT_OF_MEMORY when no message could be made.
    KvResult PostText(const std::string& text, std::uint16_t target);

    // loginname and the peer computer := this machine's identity.
    void SetPeerToLocalHost();
    // loginname and the local computer := this machine's identity, port 0.
    void CollectLocalIdentity();

    // The machine a root-job check picked for a job of the local machine.
    enum class RootMachine : std::uint8_t { kNone, kServerless, kRequester };
    RootMachine GetRootMachine() const { return root_machine_; }

protected:
    // Every transition of the job: the waiting flag and the result are the
    // step's own business.
    void GoTo(std::uint32_t state) { ChangeState(state); }
    void SetSubState(std::uint32_t sub_state);
    XmlDocument& Document();
    // Sends a message the job made (its job ids set) to target from the
    // job's endpoint, the incremented counter as its value; the send owns it
    // (a failed send releases it). SendToHost never queues.
    KvResult SendToHost(CKvMessage* message, std::uint16_t target);
    KvResult SendMessage(CKvMessage* message, std::uint16_t target, bool queue_if_absent);
    // idsource and idtarget exchanged.
    void SwapIds();
    // Reads the keys every job element shares: "loginname", and "hostname",
    // "hostip" and "portnumber" into the peer computer. False for another
    // name.
    bool ReadPeerKey(std::string_view name, std::string_view text);
    // A REQUEST is answered (as CONFIRMATION, back to its source), any other
    // message released.
    void AnswerOrRelease(CKvMessage* message);
    // The root-job check of the jobs that run serverless or as requesters:
    // the first root job in state 10 holding preferences picks the machine
    // (no server used: serverless), and the job remembers the pick. Without
    // such a root a job that picked before is stopped (state 11 unless it is
    // in 8, 9 or 11) and still gets its machine's step, so that it can give
    // up what it holds; one that never picked goes to 8, then 9, and kNone
    // is returned.
    RootMachine PickRootMachine();
    // The job of the type carried by the first message of that payload type
    // in the queue; message is that message, null when there is none. The
    // job is null when the message holds no valid job received as that type.
    CKvJobData* FirstReceivedJob(CKvMessage*& message, std::uint32_t type);
    // The end of a step that waits in waiting_state: the queue is emptied;
    // still waiting, an expired answer timer leads to expired_state, else the
    // job waits on.
    void FinishWait(std::uint32_t waiting_state, std::uint32_t expired_state);
    // One step of the machine PickRootMachine picks.
    template <typename Serverless, typename Requester>
    KvResult StepPickedMachine(Serverless serverless, Requester requester) {
        switch (PickRootMachine()) {
        case RootMachine::kServerless:
            return serverless();
        case RootMachine::kRequester:
            return requester();
        case RootMachine::kNone:
            break;
        }
        return last_result_;
    }
    // Peer, local computer and login from the handler's first client job
    // (17), then the job sent to the server as REQUEST with idsource := own
    // id. KV_E_FAIL without a client job, else the send's result.
    KvResult SendRequestViaClientJob();
    // The last state's work: the queue emptied, the carrying message no
    // longer holding the job, finished.
    void Finish();

    std::uint32_t idsource_ = 0;
    std::uint32_t partner_job_id_ = 0;
    std::uint32_t messagetype_ = 0;
    std::uint32_t attribute_ = 0;
    CKvMessageList incoming_;
    CKvMessage* carrying_message_ = nullptr;
    std::uint32_t sequence_counter_ = 0;
    std::string loginname_;
    KvResult last_result_ = KV_OK;
    CKvMessageRouter* router_ = nullptr;
    std::uint16_t endpoint_id_ = 0;
    TimerList timers_;
    TimerList second_timers_;
    std::uint32_t type_code_ = 0;
    std::uint32_t received_type_code_ = 0;
    std::uint32_t sub_state_ = 0;
    std::uint32_t previous_sub_state_ = 0;
    std::uint32_t transport_mode_ = KV_TRANSPORT_NONE;
    std::uint32_t waiting_flag_ = 0;
    std::string xml_text_;
    COMPUTER_IDENT local_;
    COMPUTER_IDENT peer_;
    TimeDate datetime_;
    RootMachine root_machine_ = RootMachine::kNone;

private:
    // Made on first use: most jobs that travel between threads never write.
    std::unique_ptr<XmlDocument> document_;
    JobHostLink* host_link_ = nullptr;
    std::uint32_t request_address_ = 0;
};
