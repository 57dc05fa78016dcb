#pragma once
// The job handler registry: files the running jobs of a process by id and by
// job type, gives each new job its id, router, endpoint and transport mode,
// and tells the status endpoint how many jobs of each type were filed.
//
// Threads: the owner's thread uses the registry and its jobs; other threads
// may only call Signal and Wait.

#include "core/event_map.h"
#include "framework/message_router.h"
#include "platform/result_codes.h"
#include "platform/types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class CKvIMSGJobDataHandler;

// States of a job's step machine that the registry looks at.
inline constexpr std::uint32_t KV_JOB_STATE_CLEANUP = 8;
inline constexpr std::uint32_t KV_JOB_STATE_FINISHED = 9;
inline constexpr std::uint32_t KV_JOB_STATE_RUNNING = 10;
inline constexpr std::uint32_t KV_JOB_STATE_STOP_REQUESTED = 11;
inline constexpr std::uint32_t KV_JOB_STATE_ENDING = 15;

// A job as the registry files it: the fields the registry reads and writes,
// and the three operations it calls. The job base derives from it; it is
// deleted through its virtual destructor.
class CKvJobHandlerEntry {
public:
    CKvJobHandlerEntry() = default;
    virtual ~CKvJobHandlerEntry() = default;

    // The job type code (a K_KVJBDT_TP_ value).
    virtual std::uint32_t GetType() const = 0;
    virtual void SetTarget(CKvMessageRouter* router, std::uint16_t endpoint_id) = 0;
    virtual void SetTransportMode(std::uint32_t mode) = 0;

    std::uint32_t GetJobId() const { return job_id_; }
    void SetJobId(std::uint32_t id) { job_id_ = id; }
    std::uint32_t GetTargetJobId() const { return target_job_id_; }
    void SetTargetJobId(std::uint32_t id) { target_job_id_ = id; }
    std::uint32_t GetOriginatingJobId() const { return originating_job_id_; }
    void SetOriginatingJobId(std::uint32_t id) { originating_job_id_ = id; }
    CKvIMSGJobDataHandler* GetHandler() const { return handler_; }
    void SetHandler(CKvIMSGJobDataHandler* handler) { handler_ = handler; }

    std::uint32_t GetState() const { return state_; }
    std::uint32_t GetPreviousState() const { return previous_state_; }
    // Every transition keeps the state it leaves as the previous state.
    void ChangeState(std::uint32_t state) {
        previous_state_ = state_;
        state_ = state;
    }

protected:
    // For the jobs' own copies, which choose the fields they carry.
    CKvJobHandlerEntry(const CKvJobHandlerEntry&) = default;
    CKvJobHandlerEntry& operator=(const CKvJobHandlerEntry&) = default;

    std::uint32_t target_job_id_ = 0;      // idtarget
    std::uint32_t originating_job_id_ = 0; // 0 = none
    std::uint32_t job_id_ = 0;             // the job's own id
    CKvIMSGJobDataHandler* handler_ = nullptr;
    std::uint32_t state_ = 0;
    std::uint32_t previous_state_ = 0;
};

// Jobs filed under their ids, in the order they were filed.
class CKvJobMap {
public:
    using Entry = std::pair<std::uint32_t, CKvJobHandlerEntry*>;

    CKvJobHandlerEntry* Lookup(std::uint32_t id) const;
    std::size_t GetCount() const { return entries_.size(); }
    bool IsEmpty() const { return entries_.empty(); }
    CKvJobHandlerEntry* First() const { return entries_.empty() ? nullptr : entries_[0].second; }

    std::vector<Entry>::const_iterator begin() const { return entries_.begin(); }
    std::vector<Entry>::const_iterator end() const { return entries_.end(); }

private:
    friend class CKvIMSGJobDataHandler;
    void Add(std::uint32_t id, CKvJobHandlerEntry* job) { entries_.emplace_back(id, job); }
    // The index the entry had, or -1 when the id is absent.
    std::int64_t Remove(std::uint32_t id);

    std::vector<Entry> entries_;
};

class CKvIMSGJobDataHandler {
public:
    // The endpoint that receives the count announcements.
    static constexpr std::uint16_t kStatusEndpoint = 0x802;
    // Events of the event map, filed there from construction: the registry's
    // own (Signal, Wait) and two whose meaning the jobs give them.
    static constexpr std::uint32_t kOwnEventId = 0;
    static constexpr std::uint32_t kJobEventOne = 1;
    static constexpr std::uint32_t kJobEventTwo = 2;

    // The announcement counter belongs to the owner and may be null; with
    // announce false nothing is announced.
    CKvIMSGJobDataHandler(CKvMessageRouter* router, std::uint16_t endpoint_id,
                          std::uint32_t transport_mode, std::uint32_t* announcement_counter,
                          bool announce);
    // Deletes the jobs still filed.
    virtual ~CKvIMSGJobDataHandler();
    CKvIMSGJobDataHandler(const CKvIMSGJobDataHandler&) = delete;
    CKvIMSGJobDataHandler& operator=(const CKvIMSGJobDataHandler&) = delete;

    // Any thread may signal; one thread at a time may wait.
    void Signal();
    // True when the registry's event is signalled within the time-out.
    bool Wait(DWORD timeout_ms);

    // Gives the job its id (and the same id as target and originating id
    // where those are 0), the registry, router, endpoint and transport mode,
    // files it and announces the counts. On KV_OK the registry owns the job.
    // KV_E_INVALID_POINTER for an invalid job, KV_E_ALREADY_PRESENT for a job
    // already filed, KV_E_FAIL when no id can be had (no initialised router)
    // or the id is filed already; the job is then unchanged and stays with
    // the caller.
    KvResult AddJob(CKvJobHandlerEntry* job);
    // The job filed under the id, or null.
    CKvJobHandlerEntry* FindJob(std::uint32_t id) const;
    // The jobs of a type, or null when none is filed.
    const CKvJobMap* FindJobsOfType(std::uint32_t type) const;
    // The first job of a type filed (type 0: of all), or null; leaves the
    // walk alone.
    CKvJobHandlerEntry* FirstJob(std::uint32_t type) const;

    // Unlinks the job from every map and hands it to the caller; null when
    // the id is not filed. A walk under way continues with the next job.
    CKvJobHandlerEntry* RemoveJob(std::uint32_t id);
    // RemoveJob, then deletes the job. KV_E_NOT_FOUND when not filed.
    KvResult DeleteJob(std::uint32_t id);
    // Deletes every job in state KV_JOB_STATE_FINISHED; the number deleted.
    std::int32_t DeleteFinishedJobs();

    void AnnounceAllCounts();
    // Sends the count of the type to kStatusEndpoint; true when it was sent.
    // False when announcing is off or the type was never filed.
    bool AnnounceCount(std::uint32_t type);
    // "CJobDataType|<type>#Count|<jobs ever filed of the type>"; false (text
    // unchanged) when the type was never filed.
    bool FormatCount(std::string& out, std::uint32_t type) const;

    // A walk over the jobs of a type (type 0: all jobs), in filing order.
    void ResetIterator();
    // False when the type has no jobs.
    bool BeginIteration(std::uint32_t type);
    // The next job of the walk; null at its end.
    CKvJobHandlerEntry* NextJob();

    // Every job that is not a root job and not in state 8, 9, 11 or 15 goes
    // to state 11, its previous state saved.
    void StopAllJobs();
    // Type 0: all jobs filed; else the jobs of the type filed now.
    std::uint32_t CountJobs(std::uint32_t type) const;

    // Ends the owner's message loop when the root job quits; a host that
    // pumps several registries on one thread ends only its own.
    virtual void PostQuit();

    EventMap& GetEventMap() { return event_map_; }
    std::uint32_t GetRootJobId() const { return root_job_id_; }
    void SetRootJobId(std::uint32_t id) { root_job_id_ = id; }
    CKvMessageRouter* GetRouter() const { return router_; }
    std::uint16_t GetEndpointId() const { return endpoint_id_; }
    std::uint32_t GetTransportMode() const { return transport_mode_; }

protected:
    // The id for a new job; the router's next job id.
    virtual std::uint32_t TakeNextJobId();

private:
    struct TypeCount {
        std::uint32_t type;
        std::uint32_t count;
    };
    struct TypeJobs {
        std::uint32_t type;
        std::unique_ptr<CKvJobMap> jobs;
    };

    CKvJobMap* JobsOfType(std::uint32_t type) const;
    const TypeCount* CountOfType(std::uint32_t type) const;
    void CountJobOfType(std::uint32_t type);
    bool IsFiled(const CKvJobHandlerEntry* job) const;

    std::uint32_t* announcement_counter_;
    bool announce_;
    EventObject own_event_;
    EventObject job_event_one_;
    EventObject job_event_two_;
    EventMap event_map_;
    CKvJobMap jobs_by_id_;
    // Both in the order the types were first filed.
    std::vector<TypeJobs> jobs_by_type_;
    std::vector<TypeCount> count_by_type_;
    std::uint32_t transport_mode_;
    CKvMessageRouter* router_;
    std::uint16_t endpoint_id_;
    std::uint32_t root_job_id_ = 0;
    // The walk: the map walked (null: none) and the next index in it.
    const CKvJobMap* walked_ = nullptr;
    std::size_t walk_index_ = 0;
};
