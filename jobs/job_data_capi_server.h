#pragma once
// CAPISERVER: carries the CAPI 2.0 calls of one registered application
// (CAPIFuncData records) to the computer with the ISDN controller, where a
// function manager executes them, and brings the answers back to the
// waiting records. The requester serves the application, the executor the
// controller.
//
// Threads: the application waits on its records' completion events on its
// own thread and reaches the job only through the host; the job shares the
// records with it (the pending map) and completes each on every path.

#include "capi/capi_func_data.h"
#include "capi/capi_func_data_map.h"
#include "jobs/appl_id_registry.h"
#include "jobs/job_data.h"

#include <map>
#include <memory>

class CKvJobDataCAPIServer : public CKvJobData {
public:
    using Record = CAPIFuncDataMap::Record;

    static constexpr std::uint32_t kAnswerSeconds = 20;
    // The executor answers more pending calls at once as not executed.
    static constexpr std::size_t kMaxPendingCalls = 64;
    static constexpr std::uint32_t kStateRelease = 11;
    static constexpr std::uint32_t kStateWaitForManagerEnd = 12;
    static constexpr std::uint32_t kStateRefuse = 15;

    CKvJobDataCAPIServer();
    // Pending calls and calls handed over and not yet taken are completed
    // as not executed.
    ~CKvJobDataCAPIServer() override;

    // Ids, counter value, login, transport, endpoint, function manager id,
    // both identities and a deep copy of the carried record.
    CKvJobDataCAPIServer& CopyFrom(const CKvJobDataCAPIServer& other);

    KvResult ReadXml(const XmlNode* job_data) override;
    KvResult WriteXml(XmlNode* job_data) override;
    KvResult StepRequester() override;
    KvResult StepExecutor() override;
    KvResult CheckRootJob() override { return JobDataNotSupported(); }

    // The client job's peer identity (port, name, address) and login equal
    // this job's.
    bool MatchesClientJob(const CKvJobData& client) const;

    KvResult RequestFunctionManager();
    // The record as a new payload-30 REQUEST to the function manager.
    KvResult ForwardCall(const CAPIFuncData& record, std::uint32_t attribute);
    KvResult EndFunctionManager();

    const Record& GetCarriedRecord() const { return carried_; }
    void SetCarriedRecord(Record record) { carried_ = std::move(record); }
    std::uint32_t GetFunctionManagerId() const { return function_manager_id_; }
    void SetFunctionManagerId(std::uint32_t id) { function_manager_id_ = id; }
    std::uint32_t GetApplId() const { return appl_id_; }
    void SetApplId(std::uint32_t id) { appl_id_ = id; }
    ApplIdRegistry* GetApplIdRegistry() const { return registry_; }
    void SetApplIdRegistry(ApplIdRegistry* registry) { registry_ = registry; }
    CAPIFuncDataMap& GetPendingCalls() { return pending_; }

    // A further call of the application, queued for the job as a payload-30
    // message without payload; the job keeps its share of the record.
    KvResult HandOverCall(Record record);

private:
    void End() { GoTo(KV_JOB_STATE_CLEANUP); }
    // The record completed as not executed.
    static void Fail(const Record& record);
    void FailEverything();
    // The first pending call whose time-out expired, out of the map, with
    // the not-executed result; null when none.
    Record TakeExpired();
    void LeaveRegistry();

    void RequesterStart();
    void RequesterWaitForAnswer();
    void RequesterServe();
    void RequesterAnswer(CKvMessage& message);
    void RequesterCall(CKvMessage& message);
    bool HasClientJob() const;

    void ExecutorStart();
    void ExecutorWaitForManager();
    void ExecutorServe();
    // A call of the requester: pending and forwarded, or answered at once.
    void ExecutorCall(Record record);
    void ExecutorAnswer(CKvMessage& message);
    bool HasMatchingClient() const;
    // The job text to the requester as CONFIRMATION with the attribute,
    // carrying the record (none: no record).
    void AnswerRequester(std::uint32_t attribute, Record record);
    // INFO/ENDED to the requester.
    void TellRequesterEnded();

    CAPIFuncDataMap pending_;
    Record carried_;
    ApplIdRegistry* registry_ = nullptr;
    std::uint32_t function_manager_id_ = 0;
    std::uint32_t appl_id_ = 0;
    // Executor: the requester's job id.
    std::uint32_t requester_id_ = 0;
    bool filed_ = false;
    // Calls handed over by the host, by ticket, until their message is taken.
    std::map<std::uint32_t, Record> handed_over_;
    std::uint32_t next_ticket_ = 0;
};
