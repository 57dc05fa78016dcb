#include "framework/job_handler_registry.h"

#include "framework/message.h"
#include "framework/named_value.h"
#include "framework/payload_registry.h"
#include "platform/pointer.h"
#include "platform/text.h"
#include "platform/thread_messaging.h"

#include <algorithm>

namespace {

constexpr const char* kAnnouncementName = "CKvIMSGJobDataHandler";

bool IsStopExempt(const CKvJobHandlerEntry& job) {
    if (job.GetType() == K_KVJBDT_TP_ROOT)
        return true;
    switch (job.GetState()) {
    case KV_JOB_STATE_CLEANUP:
    case KV_JOB_STATE_FINISHED:
    case KV_JOB_STATE_STOP_REQUESTED:
    case KV_JOB_STATE_ENDING:
        return true;
    default:
        return false;
    }
}

} // namespace

CKvJobHandlerEntry* CKvJobMap::Lookup(std::uint32_t id) const {
    for (const Entry& entry : entries_) {
        if (entry.first == id)
            return entry.second;
    }
    return nullptr;
}

std::int64_t CKvJobMap::Remove(std::uint32_t id) {
    auto found = std::find_if(entries_.begin(), entries_.end(),
                              [id](const Entry& entry) { return entry.first == id; });
    if (found == entries_.end())
        return -1;
    const std::int64_t index = found - entries_.begin();
    entries_.erase(found);
    return index;
}

CKvIMSGJobDataHandler::CKvIMSGJobDataHandler(CKvMessageRouter* router, std::uint16_t endpoint_id,
                                             std::uint32_t transport_mode,
                                             std::uint32_t* announcement_counter, bool announce)
    : announcement_counter_(announcement_counter), announce_(announce),
      transport_mode_(transport_mode), router_(router), endpoint_id_(endpoint_id) {
    event_map_.Add(kOwnEventId, &own_event_);
    event_map_.Add(kJobEventOne, &job_event_one_);
    event_map_.Add(kJobEventTwo, &job_event_two_);
}

CKvIMSGJobDataHandler::~CKvIMSGJobDataHandler() {
    for (const CKvJobMap::Entry& entry : jobs_by_id_)
        delete entry.second;
}

void CKvIMSGJobDataHandler::Signal() {
    own_event_.Set();
}

bool CKvIMSGJobDataHandler::Wait(DWORD timeout_ms) {
    return own_event_.Wait(timeout_ms) != 0;
}

std::uint32_t CKvIMSGJobDataHandler::TakeNextJobId() {
    return IsValidPtr(router_) ? router_->NextJobId() : 0;
}

KvResult CKvIMSGJobDataHandler::AddJob(CKvJobHandlerEntry* job) {
    if (!IsValidPtr(job))
        return KV_E_INVALID_POINTER;
    if (IsFiled(job))
        return KV_E_ALREADY_PRESENT;
    const std::uint32_t id = TakeNextJobId();
    if (id == 0 || jobs_by_id_.Lookup(id) != nullptr)
        return KV_E_FAIL;

    job->SetJobId(id);
    if (job->GetTargetJobId() == 0)
        job->SetTargetJobId(id);
    if (job->GetOriginatingJobId() == 0)
        job->SetOriginatingJobId(id);
    job->SetHandler(this);
    job->SetTarget(router_, endpoint_id_);
    job->SetTransportMode(transport_mode_);

    const std::uint32_t type = job->GetType();
    jobs_by_id_.Add(id, job);
    CKvJobMap* of_type = JobsOfType(type);
    if (of_type == nullptr) {
        jobs_by_type_.push_back(TypeJobs{type, std::make_unique<CKvJobMap>()});
        of_type = jobs_by_type_.back().jobs.get();
    }
    of_type->Add(id, job);
    CountJobOfType(type);
    AnnounceAllCounts();
    return KV_OK;
}

CKvJobHandlerEntry* CKvIMSGJobDataHandler::FindJob(std::uint32_t id) const {
    return jobs_by_id_.Lookup(id);
}

const CKvJobMap* CKvIMSGJobDataHandler::FindJobsOfType(std::uint32_t type) const {
    return JobsOfType(type);
}

CKvJobHandlerEntry* CKvIMSGJobDataHandler::FirstJob(std::uint32_t type) const {
    if (type == 0)
        return jobs_by_id_.First();
    const CKvJobMap* of_type = JobsOfType(type);
    return of_type != nullptr ? of_type->First() : nullptr;
}

CKvJobHandlerEntry* CKvIMSGJobDataHandler::RemoveJob(std::uint32_t id) {
    CKvJobHandlerEntry* job = jobs_by_id_.Lookup(id);
    if (job == nullptr)
        return nullptr;
    // A walk keeps its place: entries before it move one index down.
    auto unlink = [this, id](CKvJobMap& map) {
        const std::int64_t index = map.Remove(id);
        if (walked_ == &map && index >= 0 && static_cast<std::size_t>(index) < walk_index_)
            --walk_index_;
    };
    unlink(jobs_by_id_);
    auto of_type =
        std::find_if(jobs_by_type_.begin(), jobs_by_type_.end(),
                     [id](const TypeJobs& entry) { return entry.jobs->Lookup(id) != nullptr; });
    if (of_type != jobs_by_type_.end()) {
        unlink(*of_type->jobs);
        // A type without jobs has no map, as before its first job.
        if (of_type->jobs->IsEmpty()) {
            if (walked_ == of_type->jobs.get())
                ResetIterator();
            jobs_by_type_.erase(of_type);
        }
    }
    return job;
}

KvResult CKvIMSGJobDataHandler::DeleteJob(std::uint32_t id) {
    CKvJobHandlerEntry* job = RemoveJob(id);
    if (job == nullptr)
        return KV_E_NOT_FOUND;
    delete job;
    return KV_OK;
}

std::int32_t CKvIMSGJobDataHandler::DeleteFinishedJobs() {
    std::vector<std::uint32_t> finished;
    for (const CKvJobMap::Entry& entry : jobs_by_id_) {
        if (entry.second->GetState() == KV_JOB_STATE_FINISHED)
            finished.push_back(entry.first);
    }
    for (std::uint32_t id : finished)
        DeleteJob(id);
    return static_cast<std::int32_t>(finished.size());
}

void CKvIMSGJobDataHandler::AnnounceAllCounts() {
    for (const TypeCount& entry : count_by_type_)
        AnnounceCount(entry.type);
}

bool CKvIMSGJobDataHandler::AnnounceCount(std::uint32_t type) {
    if (!announce_)
        return false;
    std::string text;
    if (!FormatCount(text, type))
        return false;
    auto* message = new CKvMessage;
    void* payload = nullptr;
    // Made by the registry, so that whoever releases the message can destroy
    // it; without the class registered nothing is sent.
    if (!message->CreatePayload(payload, KV_PAYLOAD_NAMED_VALUE)) {
        message->Release();
        return false;
    }
    static_cast<CKvNamedValue*>(payload)->SetText(kAnnouncementName, text);
    message->SetHeader(KV_MSG_KIND_INFO, payload, KV_PAYLOAD_NAMED_VALUE,
                       KV_MSG_COMMAND_NOTIFICATION, 0, KV_MSG_ATTR_UNSPECIFIED);
    // Without the owner's counter the announcements go out numbered 0.
    std::uint32_t value = 0;
    if (IsValidPtr(announcement_counter_))
        value = ++*announcement_counter_;
    return message->Send(kStatusEndpoint, endpoint_id_, router_, value, true, false) == KV_OK;
}

bool CKvIMSGJobDataHandler::FormatCount(std::string& out, std::uint32_t type) const {
    const TypeCount* count = CountOfType(type);
    if (count == nullptr)
        return false;
    out = Format("CJobDataType|%d#Count|%d", static_cast<std::int32_t>(type),
                 static_cast<std::int32_t>(count->count));
    return true;
}

void CKvIMSGJobDataHandler::ResetIterator() {
    walked_ = nullptr;
    walk_index_ = 0;
}

bool CKvIMSGJobDataHandler::BeginIteration(std::uint32_t type) {
    ResetIterator();
    const CKvJobMap* map = type == 0 ? &jobs_by_id_ : JobsOfType(type);
    if (map == nullptr || map->IsEmpty())
        return false;
    walked_ = map;
    return true;
}

CKvJobHandlerEntry* CKvIMSGJobDataHandler::NextJob() {
    if (walked_ == nullptr || walk_index_ >= walked_->GetCount())
        return nullptr;
    return walked_->entries_[walk_index_++].second;
}

void CKvIMSGJobDataHandler::StopAllJobs() {
    for (const CKvJobMap::Entry& entry : jobs_by_id_) {
        if (!IsStopExempt(*entry.second))
            entry.second->ChangeState(KV_JOB_STATE_STOP_REQUESTED);
    }
}

std::uint32_t CKvIMSGJobDataHandler::CountJobs(std::uint32_t type) const {
    if (type == 0)
        return static_cast<std::uint32_t>(jobs_by_id_.GetCount());
    const CKvJobMap* of_type = JobsOfType(type);
    return of_type != nullptr ? static_cast<std::uint32_t>(of_type->GetCount()) : 0;
}

CKvJobMap* CKvIMSGJobDataHandler::JobsOfType(std::uint32_t type) const {
    for (const TypeJobs& entry : jobs_by_type_) {
        if (entry.type == type)
            return entry.jobs.get();
    }
    return nullptr;
}

const CKvIMSGJobDataHandler::TypeCount*
CKvIMSGJobDataHandler::CountOfType(std::uint32_t type) const {
    for (const TypeCount& entry : count_by_type_) {
        if (entry.type == type)
            return &entry;
    }
    return nullptr;
}

void CKvIMSGJobDataHandler::CountJobOfType(std::uint32_t type) {
    for (TypeCount& entry : count_by_type_) {
        if (entry.type == type) {
            ++entry.count;
            return;
        }
    }
    count_by_type_.push_back(TypeCount{type, 1});
}

bool CKvIMSGJobDataHandler::IsFiled(const CKvJobHandlerEntry* job) const {
    return std::any_of(jobs_by_id_.begin(), jobs_by_id_.end(),
                       [job](const CKvJobMap::Entry& entry) { return entry.second == job; });
}

void CKvIMSGJobDataHandler::PostQuit() {
    PostQuitMessage(0);
}
