#include "jobs/host/job_host.h"

#include "core/handle_table.h"
#include "core/ipv4_address.h"
#include "jobs/host/chat_wire.h"
#include "jobs/job_data_capi_server.h"
#include "jobs/job_data_client2.h"
#include "jobs/job_data_listen2.h"
#include "jobs/job_data_root.h"
#include "jobs/job_data_tapi_listen.h"
#include "jobs/job_payloads.h"
#include "platform/pointer.h"
#include "platform/thread_messaging.h"

#include <arpa/inet.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>

namespace {

// A received text waiting in a host's queue; lParam holds a new ReceivedTcpText.
constexpr UINT kTextArrivedMessage = 0x00020001u;
// An application's CAPI call; lParam holds a new shared pointer to it.
constexpr UINT kCapiCallMessage = 0x00020002u;
// A send's result back on the host's thread; lParam holds a new SendDone.
constexpr UINT kSendDoneMessage = 0x00020003u;
// How long an idle RunHosts waits for input before it steps again.
constexpr std::uint32_t kIdleWaitMs = 20;
// The soft descriptor limit a host raises to, as far as the hard one allows.
constexpr std::uint64_t kWantedDescriptors = 4096;

constexpr std::uint16_t kServiceEndpoints[] = {
    KV_ENDPOINT_HOST_MAIN,  KV_ENDPOINT_HOST_STATUS, KV_ENDPOINT_NETWORK,
    KV_ENDPOINT_JOB_INTAKE, KV_ENDPOINT_CALL_WINDOW, KV_ENDPOINT_CHAT_LOG,
};

// Input from the listeners of every host: RunHosts sleeps on it while idle.
class HostInput {
public:
    void Signal() {
        {
            std::lock_guard lock(mutex_);
            ++count_;
        }
        changed_.notify_all();
    }
    std::uint64_t Count() {
        std::lock_guard lock(mutex_);
        return count_;
    }
    void WaitBeyond(std::uint64_t seen, std::uint32_t timeout_ms) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                          [this, seen] { return count_ != seen; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t count_ = 0;
};

// How a failed send reads in the host's log.
std::string SendFailureText(KvResult result) {
    if (result == KV_E_SOCKET_CONNECT)
        return "not connected";
    if (result == KV_E_SOCKET_SEND)
        return "not all written";
    if (result == KV_E_TIMEOUT)
        return "timed out";
    if (result == HostSenders::kTooManyLookUps)
        return "too many name look-ups under way";
    if (result == HostSenders::kSkipped)
        return "skipped: a send to its address timed out within " +
               std::to_string(HostSenders::kSkipMs / 1000) + " s";
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(result));
    return code;
}

// The address of a dotted IPv4 text, host byte order; 0 for anything else
// (a name).
std::uint32_t DottedAddress(const std::string& text) {
    in_addr address{};
    if (inet_pton(AF_INET, text.c_str(), &address) != 1)
        return 0;
    return ntohl(address.s_addr);
}

std::string DottedText(std::uint32_t address) {
    IPv4Address dotted;
    dotted.SetValue(address);
    return dotted.GetText();
}

HostInput& GetHostInput() {
    static HostInput input;
    return input;
}

using CapiCall = std::shared_ptr<CAPIFuncData>;

struct SendDone {
    std::function<void(KvResult, const std::string&)> on_result;
    KvResult result = KV_OK;
    std::string address;
};

void ReleasePosted(const ThreadMessage& posted) {
    if (posted.message == kTextArrivedMessage) {
        delete reinterpret_cast<ReceivedTcpText*>(posted.lParam);
    } else if (posted.message == kSendDoneMessage) {
        delete reinterpret_cast<SendDone*>(posted.lParam);
    } else if (posted.message == kCapiCallMessage) {
        std::unique_ptr<CapiCall> call(reinterpret_cast<CapiCall*>(posted.lParam));
        (*call)->SetNotAvailableResult();
        (*call)->SignalCompleted();
    } else if (posted.lParam != 0)
        reinterpret_cast<CKvMessage*>(posted.lParam)->Release();
}

} // namespace

// The host's registry: quitting ends only this host.
class JobHost::Handler final : public CKvIMSGJobDataHandler {
public:
    Handler(CKvMessageRouter* router, std::uint16_t endpoint, std::uint32_t mode)
        : CKvIMSGJobDataHandler(router, endpoint, mode, nullptr, false) {}
    void PostQuit() override { quit_requested_ = true; }
    bool quit_requested_ = false;
};

JobHost::JobHost(bool server, std::uint16_t handler_endpoint)
    : server_(server), handler_endpoint_(handler_endpoint),
      queue_(std::make_shared<MessageQueue>()) {
    router_.Init(&GetHandleTable());
    handler_ = std::make_unique<Handler>(&router_, handler_endpoint,
                                         server ? KV_TRANSPORT_REMOTE_PEER : KV_TRANSPORT_LOCAL);
}

JobHost::~JobHost() {
    Stop();
    // Jobs go before the router their messages name.
    handler_.reset();
}

KvResult JobHost::RegisterEndpoints() {
    if (queue_id_ != 0)
        return KV_E_FAIL;
    queue_id_ = RegisterMessageQueue(queue_);
    std::vector<std::uint16_t> endpoints(std::begin(kServiceEndpoints),
                                         std::end(kServiceEndpoints));
    endpoints.push_back(handler_endpoint_);
    if (scripted_capi_)
        endpoints.push_back(KV_ENDPOINT_CAPI);
    for (std::uint16_t endpoint : endpoints) {
        if (router_.RegisterThread(endpoint, queue_id_, "JobHost") != KV_OK) {
            Stop();
            return KV_E_FAIL;
        }
        registered_.push_back(endpoint);
    }
    return KV_OK;
}

KvResult JobHost::StartInProcess() {
    const KvResult registered = RegisterEndpoints();
    if (registered != KV_OK)
        return registered;
    if (server_)
        handler_->Signal();
    if (scripted_capi_)
        ChatWire::Get().Attach(this);
    return KV_OK;
}

KvResult JobHost::Start(const std::string& address, std::uint16_t port) {
    const KvResult registered = RegisterEndpoints();
    if (registered != KV_OK)
        return registered;
    // The listener's connection cap follows the soft limit.
    RaiseSoftDescriptorLimit(kWantedDescriptors);
    std::weak_ptr<MessageQueue> queue = queue_;
    // Stop ends the listener's thread before the count goes.
    std::atomic<std::size_t>* queued = &queued_texts_;
    const KvResult bound =
        listener_.StartHolding(address, port, [queue, queued](ReceivedTcpText&& text) {
            std::shared_ptr<MessageQueue> target = queue.lock();
            auto* held = new ReceivedTcpText(std::move(text));
            ThreadMessage posted{nullptr, kTextArrivedMessage, 0, reinterpret_cast<LPARAM>(held)};
            queued->fetch_add(1);
            if (!target || !target->Post(posted)) {
                queued->fetch_sub(1);
                delete held;
            }
            GetHostInput().Signal();
        });
    if (bound != KV_OK) {
        Stop();
        return bound;
    }
    address_ = address;
    if (server_)
        handler_->Signal();
    if (scripted_capi_)
        ChatWire::Get().Attach(this);
    return KV_OK;
}

void JobHost::Stop() {
    ChatWire::Get().Detach(this);
    listener_.Stop();
    senders_.Stop();
    for (std::uint16_t endpoint : registered_)
        router_.Unregister(endpoint);
    registered_.clear();
    if (queue_id_ != 0)
        UnregisterMessageQueue(queue_id_);
    queue_id_ = 0;
    for (const ThreadMessage& posted : queue_->CloseAndDrain())
        ReleasePosted(posted);
    queue_ = std::make_shared<MessageQueue>();
    queued_texts_.store(0);
    held_texts_.clear();
}

bool JobHost::IsQuitRequested() const {
    return handler_->quit_requested_;
}

CKvJobData* JobHost::FindJob(std::uint32_t id) const {
    return static_cast<CKvJobData*>(handler_->FindJob(id));
}

bool JobHost::PumpOnce() {
    if (IsQuitRequested())
        return false;
    bool worked = false;
    ThreadMessage posted;
    // A flood of texts waits for the next pump rather than keeping the jobs
    // from their steps.
    std::size_t texts = HandleHeldTexts(kMaxTextsPerPump);
    worked = texts > 0;
    while (texts < kMaxTextsPerPump && queue_->HasMessage() && queue_->GetMessage(posted)) {
        if (posted.message == kTextArrivedMessage)
            ++texts;
        Dispatch(posted);
        worked = true;
    }
    // Texts the listener dropped, by cause, so that the log tells which
    // limit closed them.
    if (const std::uint32_t dropped = listener_.GetDroppedCount(); dropped != listener_dropped_) {
        listener_dropped_ = dropped;
        host_log_.Add("the listener dropped texts: " + listener_.DescribeDropped());
    }
    // A step that only posted a message (a request to a service of this
    // host) has work waiting all the same.
    const bool stepped = StepJobs();
    return stepped || worked || queue_->HasMessage() ||
           (!held_texts_.empty() && !RootIsStarting());
}

void JobHost::Dispatch(const ThreadMessage& posted) {
    if (posted.message == kTextArrivedMessage) {
        // Its bytes count against the listener's bound until it is handled.
        std::unique_ptr<ReceivedTcpText> received(reinterpret_cast<ReceivedTcpText*>(posted.lParam));
        queued_texts_.fetch_sub(1);
        TakeReceivedText(std::move(received));
        return;
    }
    if (posted.message == kCapiCallMessage) {
        std::unique_ptr<CapiCall> call(reinterpret_cast<CapiCall*>(posted.lParam));
        StartCapiCall(std::move(*call));
        return;
    }
    if (posted.message == kSendDoneMessage) {
        std::unique_ptr<SendDone> done(reinterpret_cast<SendDone*>(posted.lParam));
        if (done->on_result)
            done->on_result(done->result, done->address);
        return;
    }
    auto* message = reinterpret_cast<CKvMessage*>(posted.lParam);
    if (!IsValidPtr(message))
        return;
    const auto endpoint = static_cast<std::uint16_t>(posted.message);
    switch (endpoint) {
    case KV_ENDPOINT_HOST_MAIN:
        records_.Serve(message);
        return;
    case KV_ENDPOINT_HOST_STATUS:
        status_.Serve(message);
        return;
    case KV_ENDPOINT_NETWORK:
        network_.Serve(message);
        return;
    case KV_ENDPOINT_CHAT_LOG:
        chat_log_.Serve(message);
        return;
    case KV_ENDPOINT_CALL_WINDOW:
        calls_.Serve(message);
        return;
    case KV_ENDPOINT_CAPI:
        capi_.Serve(message);
        return;
    default:
        DriveMessage(message, endpoint);
        return;
    }
}

JobTextResult JobHost::HandleText(const std::string& text, std::uint32_t peer_address) {
    ++received_count_;
    if (wire_observer_)
        wire_observer_(text);
    CKvMessage* message = nullptr;
    JobTextResult result = receiver_.Receive(text, message);
    if (result == JobTextResult::kAccepted)
        result = RouteText(message, peer_address);
    receive_log_.Add(result);
    return result;
}

JobTextResult JobHost::RouteText(CKvMessage* message, std::uint32_t peer_address) {
    CKvJobData* job = JobFromPayload(message->GetPayload());
    const std::uint32_t idtarget = message->GetSourceJobId();
    if (idtarget != 0) {
        if (!IsFromPartner(idtarget, peer_address)) {
            const std::uint32_t partner = GetPartnerAddress(idtarget);
            host_log_.Add("refused a text for job " + std::to_string(idtarget) + " from " +
                          DottedText(peer_address) + ": " +
                          (partner != 0 ? "its partner is " + DottedText(partner)
                                        : std::string("it has no partner")));
            message->Release();
            return JobTextResult::kWrongPeer;
        }
        DeliverToJob(message, idtarget);
    } else if (message->GetKind() == KV_MSG_KIND_REQUEST) {
        if (!HandToRoot(message, peer_address))
            FileJob(job, message, JobRole::kExecutor, peer_address);
    } else if (message->GetKind() == KV_MSG_KIND_INFO &&
               (job->GetType() == K_KVJBDT_TP_LISTEN || job->GetType() == K_KVJBDT_TP_LISTEN2)) {
        FileJob(job, message, JobRole::kRequester, peer_address);
    } else {
        message->Release();
    }
    return JobTextResult::kAccepted;
}

bool JobHost::IsFromPartner(std::uint32_t job_id, std::uint32_t peer_address) const {
    // Texts from within this process carry no address.
    if (peer_address == 0)
        return true;
    const CKvJobData* job = FindJob(job_id);
    // A text for no job is dropped on delivery.
    if (job == nullptr)
        return true;
    // The root has no partner: what peers hand it comes without its id
    // (HandToRoot), and any other text could end it.
    if (job->GetType() == K_KVJBDT_TP_ROOT)
        return false;
    const std::uint32_t partner = GetPartnerAddress(job_id);
    return partner != 0 && partner == peer_address;
}

std::uint32_t JobHost::GetPartnerAddress(std::uint32_t job_id) const {
    const auto found = job_records_.find(job_id);
    return found != job_records_.end() ? found->second.partner_address : 0;
}

JobRole JobHost::GetJobRole(std::uint32_t job_id) const {
    const CKvJobData* job = FindJob(job_id);
    return job != nullptr ? RoleOf(*job) : JobRole::kNone;
}

void JobHost::NotePartner(std::uint32_t job_id, std::uint32_t address) {
    const auto found = job_records_.find(job_id);
    if (address != 0 && found != job_records_.end() && found->second.partner_address == 0)
        found->second.partner_address = address;
}

void JobHost::SetLogLimit(std::size_t entries) {
    service_log_.SetLimit(entries);
    receive_log_.SetLimit(entries);
    host_log_.SetLimit(entries);
}

void JobHost::DriveMessage(CKvMessage* message, std::uint16_t endpoint) {
    const std::int32_t type = message->GetPayloadType();
    if (endpoint == KV_ENDPOINT_JOB_INTAKE && IsJobPayloadType(type) &&
        IsValidPtr(message->GetPayload())) {
        service_log_.Record(endpoint, *message);
        CKvJobData* job = JobFromPayload(message->GetPayload());
        // The root job's own listen jobs serve this machine: their executor.
        const bool local_listen =
            (type == K_KVJBDT_TP_LISTEN2 &&
             static_cast<CKvJobDataListen2*>(job)->GetVariant() == 1) ||
            (type == K_KVJBDT_TP_TAPI_LISTEN &&
             static_cast<CKvJobDataTAPIListen*>(job)->GetExecutorVariant() == 1);
        FileJob(job, message, local_listen ? JobRole::kExecutor : JobRole::kCheckRootJob);
        return;
    }
    DeliverToJob(message, message->GetSourceJobId());
}

bool JobHost::DeliverToJob(CKvMessage* message, std::uint32_t job_id) {
    CKvJobData* job = FindJob(job_id);
    if (job == nullptr) {
        message->Release();
        return false;
    }
    message->GetTimer().Restart(kDeliveredLifetimeSeconds, 0);
    if (job->GetIncomingQueue().Add(message, false) != KV_OK) {
        message->Release();
        return false;
    }
    return true;
}

bool JobHost::FileJob(CKvJobData* job, CKvMessage* carrying, JobRole role,
                      std::uint32_t partner_address) {
    if (handler_->AddJob(job) != KV_OK) {
        carrying->Release();
        return false;
    }
    job->SetCarryingMessage(carrying);
    job_records_[job->GetJobId()] = JobRecord{role, partner_address};
    return true;
}

KvResult JobHost::AddHostJob(CKvJobData* job, JobRole role) {
    const KvResult result = handler_->AddJob(job);
    if (result == KV_OK)
        job_records_[job->GetJobId()] = JobRecord{role, 0};
    return result;
}

void JobHost::RecordFiledJobs() {
    handler_->ResetIterator();
    if (handler_->BeginIteration(0)) {
        while (CKvJobHandlerEntry* entry = handler_->NextJob()) {
            if (job_records_.count(entry->GetJobId()) != 0)
                continue;
            const auto* job = static_cast<const CKvJobData*>(entry);
            JobRecord record;
            // The root's client job checks its root; what it adopted serves
            // the peer whose REQUEST brought it.
            record.role =
                job->GetType() == K_KVJBDT_TP_CLIENT ? JobRole::kCheckRootJob : JobRole::kExecutor;
            record.partner_address = job->GetRequestAddress();
            job_records_[entry->GetJobId()] = record;
        }
    }
}

JobRole JobHost::RoleOf(const CKvJobData& job) const {
    const std::uint32_t type = job.GetType();
    if (type == KV_PAYLOAD_JOB_TYPE16)
        return JobRole::kNone;
    if (type == K_KVJBDT_TP_ROOT) {
        if (process_kind_ == HostProcessKind::kServer)
            return JobRole::kExecutor;
        if (process_kind_ == HostProcessKind::kWorkstationWithServer)
            return JobRole::kRequester;
        if (process_kind_ == HostProcessKind::kWorkstationWithoutServer)
            return JobRole::kCheckRootJob;
        if (server_)
            return JobRole::kExecutor;
        auto& root = const_cast<CKvJobDataRoot&>(static_cast<const CKvJobDataRoot&>(job));
        return root.UsesServer() ? JobRole::kRequester : JobRole::kCheckRootJob;
    }
    auto found = job_records_.find(job.GetJobId());
    return found != job_records_.end() ? found->second.role : JobRole::kNone;
}

bool JobHost::PostSend(const std::string& requested_host, std::uint32_t port, std::string text,
                       std::uint32_t timeout_ms, std::function<void(KvResult)> on_result,
                       std::uint32_t job_id) {
    std::string host = requested_host;
    if (const auto record = job_records_.find(job_id); record != job_records_.end()) {
        // An answer goes back where the REQUEST came from, whatever address
        // its text names: a peer picks no one else's address for it.
        if (record->second.role == JobRole::kExecutor && record->second.partner_address != 0)
            host = DottedText(record->second.partner_address);
        else
            NotePartner(job_id, DottedAddress(host));
    }
    const std::string destination = host + ":" + std::to_string(port);
    std::weak_ptr<MessageQueue> queue = queue_;
    if (send_hook_) {
        const KvResult result = send_hook_(host, port, text);
        if (result != KV_OK)
            host_log_.Add("sending to " + destination + " failed: " + SendFailureText(result));
        auto* held = new SendDone{[on_result](KvResult sent, const std::string&) {
                                      if (on_result)
                                          on_result(sent);
                                  },
                                  result, host};
        if (!queue_->Post(
                ThreadMessage{nullptr, kSendDoneMessage, 0, reinterpret_cast<LPARAM>(held)}))
            delete held;
        return true;
    }
    auto done = [this, queue, destination, job_id,
                 on_result = std::move(on_result)](KvResult result, const std::string& address) {
        std::shared_ptr<MessageQueue> target = queue.lock();
        auto* held = new SendDone{[this, destination, job_id,
                                   on_result](KvResult sent, const std::string& sent_to) {
                                      // A name's partner is known once it is looked up.
                                      if (job_id != 0)
                                          NotePartner(job_id, DottedAddress(sent_to));
                                      if (sent != KV_OK)
                                          host_log_.Add("sending to " + destination +
                                                        " failed: " + SendFailureText(sent));
                                      if (on_result)
                                          on_result(sent);
                                  },
                                  result, address};
        ThreadMessage posted{nullptr, kSendDoneMessage, 0, reinterpret_cast<LPARAM>(held)};
        if (!target || !target->Post(posted))
            delete held;
        GetHostInput().Signal();
    };
    const HostSenders::Posted posted =
        senders_.Post(host, port, std::move(text), timeout_ms, std::move(done));
    if (posted == HostSenders::Posted::kQueued)
        return true;
    host_log_.Add("dropped a text to " + destination + ": " +
                  (posted == HostSenders::Posted::kTooManyWaitingForAddress
                       ? std::to_string(HostSenders::kMaxWaitingPerAddress) +
                             " texts wait for its address"
                       : std::to_string(HostSenders::kMaxWaiting) + " texts wait"));
    return false;
}

bool JobHost::JobSends::SendJobText(CKvJobData& job, const std::string& host, std::uint32_t port,
                                    const std::string& text) {
    const std::uint32_t id = job.GetJobId();
    JobHost& owner = host_;
    return owner.PostSend(
        host, port, text, CKvJobData::kSendTimeoutMs,
        [&owner, id](KvResult result) {
            if (result == KV_OK)
                return;
            if (CKvJobData* sender = owner.FindJob(id))
                sender->OnTextNotSent();
        },
        id);
}

std::uint32_t JobHost::JobSends::GetPartnerAddress(const CKvJobData& job) const {
    return host_.GetPartnerAddress(job.GetJobId());
}

bool JobHost::StepJobs() {
    RecordFiledJobs();
    std::vector<std::uint32_t> ids;
    handler_->ResetIterator();
    if (handler_->BeginIteration(0)) {
        while (CKvJobHandlerEntry* entry = handler_->NextJob())
            ids.push_back(entry->GetJobId());
    }
    bool changed = false;
    for (std::uint32_t id : ids) {
        CKvJobData* job = FindJob(id);
        if (job == nullptr || job->GetState() == KV_JOB_STATE_FINISHED)
            continue;
        job->GetIncomingQueue().DeleteExpired();
        job->SetHostLink(&job_sends_);
        const std::uint32_t state = job->GetState();
        const std::int32_t queued = job->GetIncomingQueue().GetCount();
        switch (RoleOf(*job)) {
        case JobRole::kRequester:
            job->StepRequester();
            break;
        case JobRole::kExecutor:
            job->StepExecutor();
            break;
        case JobRole::kCheckRootJob:
            job->CheckRootJob();
            break;
        case JobRole::kNone:
            break;
        }
        changed =
            changed || job->GetState() != state || job->GetIncomingQueue().GetCount() != queued;
    }
    // The root has adopted or dropped what it was handed.
    RecordFiledJobs();
    if (handler_->DeleteFinishedJobs() > 0) {
        changed = true;
        for (auto it = job_records_.begin(); it != job_records_.end();)
            it = handler_->FindJob(it->first) == nullptr ? job_records_.erase(it) : std::next(it);
    }
    return changed;
}

KvResult JobHost::StartLogon(const std::string& server_address, std::uint16_t server_port,
                             const std::string& login_name, std::uint32_t& job_id) {
    auto job = std::make_unique<CKvJobDataClient2>();
    job->SetPeerToLocalHost();
    job->SetLoginName(login_name.c_str());
    job->GetPeerComputer().SetPort(GetPort());
    job->SetLocalHost("", server_address, server_port);
    const KvResult result = AddHostJob(job.get(), JobRole::kRequester);
    if (result != KV_OK)
        return result;
    job_id = job.release()->GetJobId();
    handler_->GetEventMap().SetEvent(CKvIMSGJobDataHandler::kJobEventTwo);
    return KV_OK;
}

void JobHost::Logoff(bool announce) {
    EventMap& events = handler_->GetEventMap();
    if (announce)
        events.SetEvent(CKvIMSGJobDataHandler::kJobEventTwo);
    else
        events.ResetEvent(CKvIMSGJobDataHandler::kJobEventTwo);
    handler_->StopAllJobs();
}

// ---- Remote CAPI for applications ----

KvResult JobHost::PostCapiCall(std::shared_ptr<CAPIFuncData> record) {
    if (!record)
        return KV_E_INVALID_POINTER;
    auto* held = new CapiCall(std::move(record));
    const DWORD queue = queue_id_;
    if (queue != 0 &&
        PostThreadMessage(queue, kCapiCallMessage, 0, reinterpret_cast<LPARAM>(held))) {
        GetHostInput().Signal();
        return KV_OK;
    }
    ReleasePosted(ThreadMessage{nullptr, kCapiCallMessage, 0, reinterpret_cast<LPARAM>(held)});
    return KV_E_FAIL;
}

void JobHost::StartCapiCall(std::shared_ptr<CAPIFuncData> record) {
    if (record->GetType() == CAPIFuncData::kRegister) {
        auto job = std::make_unique<CKvJobDataCAPIServer>();
        job->SetCarriedRecord(record);
        job->SetApplIdRegistry(&appl_ids_);
        if (AddHostJob(job.get(), JobRole::kRequester) == KV_OK) {
            job.release();
            return;
        }
        // The job's destructor has completed the record.
        return;
    }
    CKvJobData* job = appl_ids_.Find(static_cast<std::uint32_t>(record->GetApplicationId()));
    if (job != nullptr && job->GetType() == K_KVJBDT_TP_CAPISERVER) {
        static_cast<CKvJobDataCAPIServer*>(job)->HandOverCall(std::move(record));
        return;
    }
    record->SetNotAvailableResult();
    record->SetFlagReturn(1);
    record->SignalCompleted();
}

bool RunHosts(const std::vector<JobHost*>& hosts, const std::function<bool()>& predicate,
              std::uint32_t limit_ms) {
    using Steady = std::chrono::steady_clock;
    const Steady::time_point deadline = Steady::now() + std::chrono::milliseconds(limit_ms);
    HostInput& input = GetHostInput();
    for (;;) {
        const std::uint64_t seen = input.Count();
        bool worked = false;
        for (JobHost* host : hosts)
            worked = host->PumpOnce() || worked;
        if (predicate())
            return true;
        if (Steady::now() >= deadline)
            return false;
        if (!worked)
            input.WaitBeyond(seen, kIdleWaitMs);
    }
}

CKvIMSGJobDataHandler& JobHost::GetHandler() {
    return *handler_;
}
