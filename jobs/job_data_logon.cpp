#include "jobs/job_data_logon.h"

#include "jobs/job_payloads.h"
#include "platform/pointer.h"

CKvJobData* CKvJobDataLogon::FirstRecord(CKvMessage*& message) {
    return FirstReceivedJob(message, type_code_);
}

// ---- Requester ----

void CKvJobDataLogon::KeepLogonAlive() {
    CKvMessage* message = nullptr;
    CKvJobData* record = FirstRecord(message);
    if (message != nullptr) {
        const std::uint32_t kind = record != nullptr ? record->GetMessageType() : 0;
        const std::uint32_t attribute = record != nullptr ? record->GetAttribute() : 0;
        if (record == nullptr) {
            GoTo(KV_JOB_STATE_CLEANUP);
        } else if (kind == KV_MSG_KIND_REQUEST || kind == KV_MSG_KIND_INFO) {
            if (attribute == KV_MSG_ATTR_ENDED && kind == KV_MSG_KIND_REQUEST) {
                // A confirmation goes out with its ids exchanged; the
                // requester's ids already name the peer's job as idtarget.
                SwapIds();
                Answer(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ENDED);
                SwapIds();
            }
            GoTo(KV_JOB_STATE_CLEANUP);
        } else if (kind == KV_MSG_KIND_CONFIRMATION) {
            if (attribute == KV_MSG_ATTR_ALIVE)
                timers_.Start(kKeepAliveTimerId);
            else
                GoTo(KV_JOB_STATE_CLEANUP);
            timers_.Stop(kAnswerTimerId);
        } else {
            GoTo(KV_JOB_STATE_CLEANUP);
        }
    }
    incoming_.DeleteAll();
    if (state_ == KV_JOB_STATE_CLEANUP)
        return;
    if (timers_.CheckExpired(kAnswerTimerId)) {
        GoTo(KV_JOB_STATE_CLEANUP);
    } else if (timers_.CheckExpired(kKeepAliveTimerId)) {
        timers_.Stop(kKeepAliveTimerId);
        Answer(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_ALIVE);
        timers_.Start(kAnswerTimerId);
    }
}

// ---- Executor ----

void CKvJobDataLogon::ServeLogon(std::uint32_t keep_alive_lost_state) {
    if (incoming_.IsEmpty()) {
        waiting_flag_ = 1;
    } else {
        for (CKvMessage* message : incoming_.TakeAll()) {
            if (state_ != KV_JOB_STATE_RUNNING) {
                message->Release();
                continue;
            }
            bool re_sent = false;
            ServeRecord(message, re_sent);
            if (!re_sent)
                message->Release();
        }
    }
    if (state_ == KV_JOB_STATE_RUNNING && timers_.CheckExpired(kWatchdogTimerId))
        GoTo(keep_alive_lost_state);
}

void CKvJobDataLogon::ServeRecord(CKvMessage* message, bool& re_sent) {
    if (message->GetPayloadType() != static_cast<std::int32_t>(type_code_)) {
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
        return;
    }
    void* payload = message->GetPayload();
    if (!IsValidPtr(payload))
        return;
    const CKvJobData* record = JobFromPayload(payload);
    if (record->GetSubType() != type_code_)
        return;
    // The executor reads the keep-alive and the end from the message.
    const std::int32_t attribute = message->GetAttribute();
    switch (record->GetMessageType()) {
    case KV_MSG_KIND_REQUEST:
        if (attribute == KV_MSG_ATTR_ENDED) {
            re_sent = true;
            ForwardLogoff(message);
            if (state_ != KV_JOB_STATE_CLEANUP) {
                SetIds(job_id_, requester_job_id_);
                Answer(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ENDED);
            }
        } else if (attribute == KV_MSG_ATTR_ALIVE) {
            SetIds(job_id_, record->GetIdSource());
            Answer(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ALIVE);
            timers_.Start(kWatchdogTimerId);
        } else {
            GoTo(KV_JOB_STATE_STOP_REQUESTED);
        }
        return;
    case KV_MSG_KIND_INFO:
        if (attribute == KV_MSG_ATTR_ENDED) {
            re_sent = true;
            ForwardLogoff(message);
            waiting_flag_ = 1;
        } else {
            GoTo(KV_JOB_STATE_STOP_REQUESTED);
        }
        return;
    default:
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
        return;
    }
}

void CKvJobDataLogon::ForwardLogoff(CKvMessage* message) {
    const std::int32_t type = UserPayloadType();
    void* user = nullptr;
    if (!message->CreatePayload(user, type)) {
        message->Release();
        GoTo(KV_JOB_STATE_CLEANUP);
        return;
    }
    FillUserRecord(user);
    message->SetHeader(KV_MSG_KIND_REQUEST, user, type, KV_MSG_COMMAND_DATA,
                       KV_SUBCOMMAND_ONE_RECORD, KV_MSG_ATTR_UNSPECIFIED);
    message->SetJobIds(0, job_id_, originating_job_id_);
    SendToHost(message, KV_ENDPOINT_HOST_MAIN);
    // The logoff's wait is bounded like every other wait for the host.
    timers_.Start(kAnswerTimerId);
    GoTo(kStateUserLogoff);
}

void CKvJobDataLogon::WaitForLogoffRecord() {
    WaitForUserRecord(kStateUserLogoff, [this](CKvMessage* message) {
        if (void* user = message->GetPayload(); IsValidPtr(user))
            OnLogoffRecord(user);
        ReturnUserRecord(message);
        GoTo(KV_JOB_STATE_CLEANUP);
    });
}

void CKvJobDataLogon::WaitForUserRecord(std::uint32_t waiting_state,
                                        const std::function<void(CKvMessage* message)>& on_found) {
    CKvMessage* message = nullptr;
    if (!incoming_.FindByPayloadType(message, UserPayloadType()) || !IsValidPtr(message)) {
        waiting_flag_ = 1;
    } else if (message->GetAttribute() == KV_MSG_ATTR_DATA_FOUND) {
        timers_.Stop(kAnswerTimerId);
        timers_.Stop(kLockRetryTimerId);
        on_found(message);
    } else if (message->GetAttribute() == KV_MSG_ATTR_DATA_FOUND_LOCKED) {
        timers_.Start(kLockRetryTimerId);
    } else {
        GoTo(KV_JOB_STATE_CLEANUP);
    }
    FinishUserWait(waiting_state);
}

void CKvJobDataLogon::ReturnUserRecord(CKvMessage* message) {
    incoming_.Remove(message);
    message->SetKindAndCommand(KV_MSG_KIND_INFO, KV_MSG_COMMAND_NOTIFICATION,
                               KV_SUBCOMMAND_ONE_RECORD);
    SendToHost(message, KV_ENDPOINT_HOST_MAIN);
}

void CKvJobDataLogon::LoseLogon() {
    if (previous_state_ != KV_JOB_STATE_RUNNING || RequestUser() != KV_OK) {
        GoTo(KV_JOB_STATE_CLEANUP);
        return;
    }
    waiting_flag_ = 1;
    timers_.Start(kAnswerTimerId);
    GoTo(kStateUserLogoff);
}

void CKvJobDataLogon::EndLogon() {
    const bool logged_on = previous_state_ == KV_JOB_STATE_RUNNING;
    LoseLogon();
    if (!logged_on)
        return;
    // The end goes to the requester whatever the ids held after the logon.
    SetIds(requester_job_id_, job_id_);
    Answer(KV_MSG_KIND_INFO, KV_MSG_ATTR_ENDED);
}

void CKvJobDataLogon::FinishUserWait(std::uint32_t waiting_state) {
    incoming_.DeleteAll();
    if (state_ != waiting_state)
        return;
    if (timers_.CheckExpired(kAnswerTimerId)) {
        GoTo(KV_JOB_STATE_CLEANUP);
    } else if (timers_.CheckExpired(kLockRetryTimerId)) {
        timers_.Stop(kLockRetryTimerId);
        RequestUser();
        waiting_flag_ = 1;
    }
}
