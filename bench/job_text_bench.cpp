// Job texts: receiving (bytes to a job and its message) and writing a CLIENT2
// text against XmlDocument::Parse of the same bytes; and CLIENT2 logons per
// second between two hosts on 127.0.0.1 (logon, acceptance, logoff: three
// texts, three connections), without and with 500 silent connections held
// open to the hosts, against two peers doing the same exchange without the
// jobs: the same texts over the project's own transport (its listener and
// SendText, as the hosts use them), and plain POSIX sockets (one thread per
// side, each text on its own connection, read to its end before the reader
// sends the next).
//
// CLIENT and SYNCHRONIZE (with its DATACALL) texts received; and workstation
// logons per second of two processes with their root jobs (root to CLIENT
// ACCEPTED, then SYNCHRONIZE of 10 calls, then the stop) against an exchange
// of the texts that one such logon put on the wire over the project's own
// transport.
// BENCH_LIBRARIES: kv_job_host kv_jobs

#include "core/xml_document.h"
#include "data/data_device.h"
#include "data/data_host.h"
#include "data/data_payloads.h"
#include "framework/framework_payloads.h"
#include "jobs/host/job_host.h"
#include "jobs/host/job_text_receiver.h"
#include "jobs/host/logon_records.h"
#include "jobs/job_data_client.h"
#include "capi/capi_func_data.h"
#include "jobs/job_data_capi_server.h"
#include "jobs/job_data_client2.h"
#include "jobs/job_data_listen2.h"
#include "jobs/job_data_synchronize.h"
#include "jobs/job_data_tapi_dial.h"
#include "jobs/job_data_tapi_listen.h"
#include "jobs/job_payloads.h"
#include "platform/local_identity.h"
#include "platform/tcp_transport.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

void RegisterAll() {
    RegisterFrameworkPayloads();
    RegisterDataPayloads();
    RegisterJobPayloads();
}

std::string Client2Text(std::uint32_t kind, std::uint32_t attribute) {
    CKvJobDataClient2 job;
    job.SetLoginName("anna.mueller");
    job.GetPeerComputer().Set("workstation-17.example", 0xC0A80114, 40123);
    job.SetHeader(kind, attribute, 1234, 5678);
    std::string text;
    job.Serialize(text);
    return text;
}

void BM_ReceiveClient2(benchmark::State& state) {
    RegisterAll();
    const std::string text = Client2Text(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED);
    CKvJobTextReceiver receiver;
    for (auto _ : state) {
        CKvMessage* message = nullptr;
        if (receiver.Receive(text, message) != JobTextResult::kAccepted)
            state.SkipWithError("rejected");
        message->Release();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ReceiveClient2);

void BM_SerializeClient2(benchmark::State& state) {
    RegisterAll();
    CKvJobDataClient2 job;
    job.SetLoginName("anna.mueller");
    job.GetPeerComputer().Set("workstation-17.example", 0xC0A80114, 40123);
    job.SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 1234, 5678);
    std::string text;
    for (auto _ : state) {
        job.Serialize(text);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_SerializeClient2);

// The parse of the same bytes, the measure of the receives.
void ParseText(benchmark::State& state, const std::string& text) {
    XmlDocument document;
    for (auto _ : state) {
        document.Clear();
        document.Parse(text);
        benchmark::DoNotOptimize(document.GetRoot());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_ParseClient2Text(benchmark::State& state) {
    ParseText(state, Client2Text(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED));
}
BENCHMARK(BM_ParseClient2Text);

// An accepted LISTEN2 answer with 20 devices (about 6 KB).
std::string Listen2Text() {
    CKvJobDataListen2 job;
    job.SetLoginName("anna.mueller");
    job.GetPeerComputer().Set("workstation-17.example", 0xC0A80114, 40123);
    job.SetHeader(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED, 1234, 5678);
    for (int i = 0; i < 20; ++i) {
        auto* device = new CKvDataDevice;
        std::string number = "0301234" + std::to_string(100 + i);
        device->SetNumber(number);
        device->GetDeviceNumber() = std::to_string(i);
        device->GetTapiLine() = "ISDN line " + std::to_string(i);
        device->GetAlias() = "Desk telephone of room " + std::to_string(200 + i);
        device->GetComment() = "Second floor, east wing, next to the printer";
        job.GetDeviceStore().Add(device);
    }
    std::string text;
    job.Serialize(text);
    return text;
}

void BM_ReceiveListen2(benchmark::State& state) {
    RegisterAll();
    const std::string text = Listen2Text();
    CKvJobTextReceiver receiver;
    for (auto _ : state) {
        CKvMessage* message = nullptr;
        if (receiver.Receive(text, message) != JobTextResult::kAccepted)
            state.SkipWithError("rejected");
        message->Release();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ReceiveListen2);

void BM_ParseListen2Text(benchmark::State& state) {
    RegisterAll();
    ParseText(state, Listen2Text());
}
BENCHMARK(BM_ParseListen2Text);

// A server's report: 32 calls on one line and a list of 32 lines (~10 KB).
std::string TapiListenText() {
    CKvJobDataTAPIListen job;
    job.SetLoginName("anna.mueller");
    job.GetPeerComputer().Set("workstation-17.example", 0xC0A80114, 40123);
    job.SetHeader(KV_MSG_KIND_INFO, KV_MSG_ATTR_NOTIFICATION, 1234, 5678);
    job.GetLineCalls().GetIdentifier() = "Line 1";
    job.GetLineCalls().GetHline() = 7;
    for (std::uint32_t hcall = 1; hcall <= KVTAPICALLSMANAGER::kCapacity; ++hcall) {
        KVTAPICALL* call = nullptr;
        job.GetLineCalls().CreateCall(call, hcall);
        if (call != nullptr)
            call->GetCalledNumber() = "0301234" + std::to_string(hcall);
    }
    for (int line = 0; line < 32; ++line) {
        auto entry = std::make_unique<KVSTRING>();
        entry->Set("Line " + std::to_string(line), std::to_string(200 + line) + "|Desk");
        job.GetLineList().Add(entry);
    }
    std::string text;
    job.Serialize(text);
    return text;
}

std::string TapiDialText() {
    CKvJobDataTAPIDial job;
    job.SetLoginName("anna.mueller");
    job.GetPeerComputer().Set("workstation-17.example", 0xC0A80114, 40123);
    job.SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 0, 5678);
    job.SetTargetNumber("004930123456");
    job.GetCall().GetCalledNumber() = "004930123456";
    job.GetCall().GetLineName() = "Desk";
    std::string text;
    job.Serialize(text);
    return text;
}

void ReceiveText(benchmark::State& state, const std::string& text) {
    RegisterAll();
    CKvJobTextReceiver receiver;
    for (auto _ : state) {
        CKvMessage* message = nullptr;
        if (receiver.Receive(text, message) != JobTextResult::kAccepted) {
            state.SkipWithError("rejected");
            break;
        }
        message->Release();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_ReceiveTapiListen(benchmark::State& state) {
    RegisterAll();
    ReceiveText(state, TapiListenText());
}
BENCHMARK(BM_ReceiveTapiListen);

void BM_ReceiveTapiDial(benchmark::State& state) {
    RegisterAll();
    ReceiveText(state, TapiDialText());
}
BENCHMARK(BM_ReceiveTapiDial);

// A requester's call carrying a PUT_MESSAGE of the largest size, 1032 bytes
// (about 2.5 KB of text).
std::string CapiServerText() {
    CKvJobDataCAPIServer job;
    job.SetLoginName("anna.mueller");
    job.GetPeerComputer().Set("workstation-17.example", 0xC0A80114, 40123);
    job.SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 1234, 5678);
    auto record = std::make_shared<CAPIFuncData>();
    record->SetType(CAPIFuncData::kPutMessage);
    record->SetId(77);
    record->SetApplicationId(1);
    std::vector<std::uint8_t> message(CAPIFuncData::kMaxMessageLength);
    for (std::size_t i = 0; i < message.size(); ++i)
        message[i] = static_cast<std::uint8_t>(i * 7);
    message[0] = static_cast<std::uint8_t>(message.size() & 0xFF);
    message[1] = static_cast<std::uint8_t>(message.size() >> 8);
    record->SetMessage(message.data());
    job.SetCarriedRecord(record);
    std::string text;
    job.Serialize(text);
    return text;
}

void BM_ReceiveCapiServer(benchmark::State& state) {
    RegisterAll();
    ReceiveText(state, CapiServerText());
}
BENCHMARK(BM_ReceiveCapiServer);

// Writes a job received from the text, as a server writes its answers.
void SerializeReceived(benchmark::State& state, const std::string& sample) {
    RegisterAll();
    CKvJobTextReceiver receiver;
    CKvMessage* message = nullptr;
    if (receiver.Receive(sample, message) != JobTextResult::kAccepted) {
        state.SkipWithError("rejected");
        return;
    }
    CKvJobData* job = JobFromPayload(message->GetPayload());
    std::string text;
    for (auto _ : state) {
        job->Serialize(text);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    message->Release();
}

void BM_SerializeCapiServer(benchmark::State& state) {
    SerializeReceived(state, CapiServerText());
}
BENCHMARK(BM_SerializeCapiServer);

void BM_ParseCapiServerText(benchmark::State& state) {
    RegisterAll();
    ParseText(state, CapiServerText());
}
BENCHMARK(BM_ParseCapiServerText);

void BM_SerializeListen2(benchmark::State& state) {
    SerializeReceived(state, Listen2Text());
}
BENCHMARK(BM_SerializeListen2);

void BM_ParseTapiListenText(benchmark::State& state) {
    RegisterAll();
    ParseText(state, TapiListenText());
}
BENCHMARK(BM_ParseTapiListenText);

void BM_ParseTapiDialText(benchmark::State& state) {
    RegisterAll();
    ParseText(state, TapiDialText());
}
BENCHMARK(BM_ParseTapiDialText);

// A connection to the port on 127.0.0.1; -1 when none is made.
int ConnectToLoopback(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Connections that send nothing, held open to the listeners: one the
// listener closed after its time-out is opened again.
class SilentConnections {
public:
    SilentConnections(std::size_t count, const std::vector<std::uint16_t>& ports) {
        for (std::size_t i = 0; i < count; ++i)
            held_.push_back({ConnectToLoopback(ports[i % ports.size()]), ports[i % ports.size()]});
    }
    ~SilentConnections() {
        for (const auto& [fd, port] : held_)
            ::close(fd);
    }
    SilentConnections(const SilentConnections&) = delete;
    SilentConnections& operator=(const SilentConnections&) = delete;

    void Refresh() {
        for (auto& [fd, port] : held_) {
            pollfd entry{fd, POLLIN, 0};
            if (fd >= 0 && ::poll(&entry, 1, 0) == 0)
                continue;
            if (fd >= 0)
                ::close(fd);
            fd = ConnectToLoopback(port);
        }
    }

private:
    std::vector<std::pair<int, std::uint16_t>> held_;
};

using Wire = std::vector<std::pair<int, std::string>>;

// Records the texts each host reads (0 server, 1 workstation) into the wire,
// or stops recording when it is null.
void ObserveWire(JobHost& server, JobHost& workstation, Wire* wire) {
    if (wire == nullptr) {
        server.SetWireObserver({});
        workstation.SetWireObserver({});
        return;
    }
    server.SetWireObserver([wire](const std::string& text) { wire->emplace_back(0, text); });
    workstation.SetWireObserver([wire](const std::string& text) { wire->emplace_back(1, text); });
}

// A server host and a workstation host; each logon is a CLIENT2 job logged
// on and off.
class Client2Logons {
public:
    Client2Logons() : identity_("anna", "localhost", {kLoopbackAddress}), scoped_(identity_) {
        RegisterAll();
        server_.Start("127.0.0.1");
        workstation_.Start("127.0.0.1");
        auto host = std::make_unique<CKvDataHost>();
        host->GetHost().Set("localhost", kLoopbackAddress, 0);
        host->SetFlagAcceptAllUser(true);
        server_.GetRecordService().StoreRecord(std::move(host), K_KVDT_TP_DTHDLR_DATACOMPUTER);
    }

    std::vector<std::uint16_t> Ports() const { return {server_.GetPort(), workstation_.GetPort()}; }

    // One logon to its end; the texts on the wire when asked for.
    bool LogOn(Wire* wire) {
        ObserveWire(server_, workstation_, wire);
        const std::vector<JobHost*> hosts = {&server_, &workstation_};
        std::uint32_t id = 0;
        workstation_.StartLogon("127.0.0.1", server_.GetPort(), "anna", id);
        RunHosts(
            hosts,
            [&] {
                CKvJobData* job = workstation_.FindJob(id);
                return job != nullptr && job->GetState() == KV_JOB_STATE_RUNNING &&
                       server_.GetHandler().CountJobs(0) == 1;
            },
            10000);
        workstation_.Logoff(true);
        const bool ended = RunHosts(
            hosts,
            [&] {
                return workstation_.GetHandler().CountJobs(0) == 0 &&
                       server_.GetHandler().CountJobs(0) == 0;
            },
            10000);
        ObserveWire(server_, workstation_, nullptr);
        return ended;
    }

private:
    FixedLocalIdentitySource identity_;
    ScopedLocalIdentitySource scoped_;
    JobHost server_{true};
    JobHost workstation_{false};
};

// state.range(0): the silent connections held open.
void BM_LoopbackLogon(benchmark::State& state) {
    Client2Logons logons;
    SilentConnections silent(static_cast<std::size_t>(state.range(0)), logons.Ports());
    for (auto _ : state) {
        state.PauseTiming();
        silent.Refresh();
        state.ResumeTiming();
        if (!logons.LogOn(nullptr)) {
            state.SkipWithError("logon did not finish");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LoopbackLogon)->Arg(0)->Arg(500)->UseRealTime();

// Two listeners of the project's transport, and the texts of one logon sent
// back and forth, each waited for as a host would.
class OwnTransportExchange {
public:
    OwnTransportExchange() {
        for (int side = 0; side < 2; ++side)
            listeners_[side].Start("127.0.0.1", 0, [this](std::string&&, std::uint32_t) {
                std::lock_guard lock(mutex_);
                ++arrived_;
                changed_.notify_all();
            });
    }
    void SendAndWait(int side, const std::string& text) {
        std::unique_lock lock(mutex_);
        const std::uint64_t expected = arrived_ + 1;
        lock.unlock();
        SendText("127.0.0.1", listeners_[side].GetPort(), text, 2000);
        lock.lock();
        changed_.wait(lock, [&] { return arrived_ >= expected; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t arrived_ = 0;
    TcpTextListener listeners_[2];
};

// The texts one CLIENT2 logon put on the wire: the logon (read by the
// server), the acceptance (read by the workstation), the logoff (server).
std::vector<std::string> LogonTexts() {
    Wire wire;
    {
        Client2Logons logons;
        if (!logons.LogOn(&wire))
            return {};
    }
    if (wire.size() != 3 || wire[0].first != 0 || wire[1].first != 1 || wire[2].first != 0)
        return {};
    return {wire[0].second, wire[1].second, wire[2].second};
}

void SetLogonCounters(benchmark::State& state, const std::vector<std::string>& texts) {
    std::size_t bytes = 0;
    for (const std::string& text : texts)
        bytes += text.size();
    state.SetItemsProcessed(state.iterations());
    state.counters["bytes_per_logon"] = static_cast<double>(bytes);
}

void BM_OwnTransportExchange(benchmark::State& state) {
    const std::vector<std::string> texts = LogonTexts();
    if (texts.empty()) {
        state.SkipWithError("the logon did not put its three texts on the wire");
        return;
    }
    OwnTransportExchange exchange;
    for (auto _ : state) {
        exchange.SendAndWait(0, texts[0]);
        exchange.SendAndWait(1, texts[1]);
        exchange.SendAndWait(0, texts[2]);
    }
    SetLogonCounters(state, texts);
}
BENCHMARK(BM_OwnTransportExchange)->UseRealTime();

// Plain POSIX sockets: a listening socket per side on 127.0.0.1; a text is
// sent on a connection of its own, which the sender closes; the reader
// accepts it and reads to its end.
int ListenOnLoopback(std::uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 64) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        std::abort();
    port = ntohs(address.sin_port);
    return fd;
}

bool SendOnNewConnection(std::uint16_t port, const std::string& text) {
    const int fd = ConnectToLoopback(port);
    bool sent = fd >= 0;
    for (std::size_t done = 0; sent && done < text.size();) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        sent = written > 0;
        done += sent ? static_cast<std::size_t>(written) : 0;
    }
    if (fd >= 0)
        ::close(fd);
    return sent;
}

// The bytes of the next connection, read to its end.
std::size_t AcceptAndReadToEnd(int listener) {
    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return 0;
    char buffer[4096];
    std::size_t total = 0;
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        total += static_cast<std::size_t>(got);
    ::close(fd);
    return total;
}

// The server side on a thread of its own: it reads the logon, sends the
// acceptance and reads the logoff; an empty connection in their place ends
// it.
class PlainSocketLogons {
public:
    explicit PlainSocketLogons(const std::vector<std::string>& texts)
        : texts_(texts), server_listener_(ListenOnLoopback(server_port_)),
          workstation_listener_(ListenOnLoopback(workstation_port_)),
          server_([this] { Serve(); }) {}
    ~PlainSocketLogons() {
        SendOnNewConnection(server_port_, {});
        server_.join();
        ::close(server_listener_);
        ::close(workstation_listener_);
    }
    PlainSocketLogons(const PlainSocketLogons&) = delete;
    PlainSocketLogons& operator=(const PlainSocketLogons&) = delete;

    // One logon as the workstation side; false when a text arrived cut.
    bool LogOn() {
        const int ended = logoffs_read_.load();
        if (!SendOnNewConnection(server_port_, texts_[0]) ||
            AcceptAndReadToEnd(workstation_listener_) != texts_[1].size() ||
            !SendOnNewConnection(server_port_, texts_[2]))
            return false;
        logoffs_read_.wait(ended);
        return !failed_.load();
    }

private:
    void Serve() {
        for (;;) {
            const std::size_t logon = AcceptAndReadToEnd(server_listener_);
            if (logon == 0)
                return;
            const bool answered =
                logon == texts_[0].size() && SendOnNewConnection(workstation_port_, texts_[1]);
            const std::size_t logoff = AcceptAndReadToEnd(server_listener_);
            if (!answered || logoff != texts_[2].size())
                failed_.store(true);
            logoffs_read_.fetch_add(1);
            logoffs_read_.notify_one();
            if (logoff == 0)
                return;
        }
    }

    const std::vector<std::string>& texts_;
    std::uint16_t server_port_ = 0;
    std::uint16_t workstation_port_ = 0;
    int server_listener_;
    int workstation_listener_;
    std::atomic<int> logoffs_read_{0};
    std::atomic<bool> failed_{false};
    std::thread server_;
};

void BM_PlainSocketExchange(benchmark::State& state) {
    const std::vector<std::string> texts = LogonTexts();
    if (texts.empty()) {
        state.SkipWithError("the logon did not put its three texts on the wire");
        return;
    }
    PlainSocketLogons logons(texts);
    for (auto _ : state) {
        if (!logons.LogOn()) {
            state.SkipWithError("a text arrived cut");
            break;
        }
    }
    SetLogonCounters(state, texts);
}
BENCHMARK(BM_PlainSocketExchange)->UseRealTime();

std::string ClientText() {
    CKvJobDataClient job;
    job.SetLoginName("anna.mueller");
    job.GetPeerComputer().Set("workstation-17.example", 0xC0A80114, 40123);
    job.SetVersion("17499913");
    job.SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 0, 5678);
    std::string text;
    job.Serialize(text);
    return text;
}

std::string SynchronizeText() {
    CKvJobDataSynchronize job;
    job.SetLoginName("anna.mueller");
    job.GetPeerComputer().Set("workstation-17.example", 0xC0A80114, 40123);
    job.SetSetCount(10);
    job.SetSetIndex(3);
    job.GetDateTimeStart().SetSeconds(3900000000u);
    job.GetDateTimeEnd().SetSeconds(3900086400u);
    auto call = std::make_unique<CKvDataCall>();
    call->GetStartTime().SetSeconds(3900000123u);
    call->FormatStartTime();
    call->GetLastName() = "Mueller";
    call->GetFirstName() = "Anna";
    call->GetCompanyName() = "Example Trading";
    call->GetNumberInt() = "21";
    call->GetComment() = "Asked for the offer of last week";
    job.SetCall(std::move(call));
    job.SetHeader(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_DATA_FOUND, 1234, 5678);
    std::string text;
    job.Serialize(text);
    return text;
}

void BM_ReceiveClient(benchmark::State& state) {
    ReceiveText(state, ClientText());
}
BENCHMARK(BM_ReceiveClient);

void BM_ReceiveSynchronize(benchmark::State& state) {
    ReceiveText(state, SynchronizeText());
}
BENCHMARK(BM_ReceiveSynchronize);

constexpr std::uint32_t kLastCall = 3900000000u;
constexpr std::uint32_t kCalls = 10;

// A server process with its root job and the user's calls; each logon is a
// new workstation process, which quits at its end.
class RootLogons {
public:
    RootLogons() : identity_("anna", "localhost", {kLoopbackAddress}), scoped_(identity_) {
        RegisterAll();
        server_.Start("127.0.0.1");
        StoreServerLogonRecords(server_, "anna", {"21"});
        for (std::uint32_t i = 1; i <= kCalls; ++i)
            StoreCall(server_, kLastCall + i, 0, "21");
        std::uint32_t root = 0;
        server_.StartRootJob(HostProcessKind::kServer, root);
    }

    // One logon to its end; the texts on the wire when asked for.
    bool LogOn(Wire* wire) {
        JobHost workstation(false);
        workstation.Start("127.0.0.1");
        ObserveWire(server_, workstation, wire);
        StoreWorkstationPreferences(workstation, server_.GetPort(), kLastCall);
        std::uint32_t root = 0;
        workstation.StartRootJob(HostProcessKind::kWorkstationWithServer, root);
        const std::vector<JobHost*> hosts = {&server_, &workstation};
        const bool synchronised = RunHosts(
            hosts,
            [&] {
                auto* client =
                    static_cast<CKvJobData*>(workstation.GetHandler().FirstJob(K_KVJBDT_TP_CLIENT));
                return client != nullptr && client->GetState() == KV_JOB_STATE_RUNNING &&
                       workstation.GetServiceLog(KV_ENDPOINT_CALL_WINDOW).size() == kCalls &&
                       workstation.GetHandler().CountJobs(K_KVJBDT_TP_SYNCHRONIZE) == 0;
            },
            10000);
        workstation.Shutdown();
        const bool ended = RunHosts(
            hosts,
            [&] {
                return workstation.IsQuitRequested() &&
                       server_.GetHandler().CountJobs(K_KVJBDT_TP_CLIENT) == 0 &&
                       server_.GetHandler().CountJobs(K_KVJBDT_TP_LISTEN2) == 0 &&
                       server_.GetHandler().CountJobs(K_KVJBDT_TP_SYNCHRONIZE) == 0;
            },
            10000);
        ObserveWire(server_, workstation, nullptr);
        return synchronised && ended;
    }

private:
    FixedLocalIdentitySource identity_;
    ScopedLocalIdentitySource scoped_;
    JobHost server_{true};
};

void BM_LoopbackRootLogon(benchmark::State& state) {
    RootLogons logons;
    for (auto _ : state) {
        if (!logons.LogOn(nullptr)) {
            state.SkipWithError("logon did not finish");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LoopbackRootLogon)->UseRealTime();

void BM_OwnTransportRootLogonExchange(benchmark::State& state) {
    Wire wire;
    {
        RootLogons logons;
        if (!logons.LogOn(&wire)) {
            state.SkipWithError("logon did not finish");
            return;
        }
    }
    OwnTransportExchange exchange;
    for (auto _ : state) {
        for (const auto& [side, text] : wire)
            exchange.SendAndWait(side, text);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["texts"] = static_cast<double>(wire.size());
}
BENCHMARK(BM_OwnTransportRootLogonExchange)->UseRealTime();

} // namespace
