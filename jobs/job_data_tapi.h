#pragma once
// What the TAPI jobs share: posting a new record to a host service, finding
// the client job of the peer, refusing a waiting requester, and the number
// rules and call records they take from the host's records.

#include "core/dialling_rules.h"
#include "jobs/job_data.h"
#include "platform/pointer.h"

#include <string>

class CKvDataCall;
class CKvDataGeneral;
class CKvDataPreferences;
class KVTAPICALL;

class CKvJobDataTapiBase : public CKvJobData {
protected:
    // One step of the record request of the type (command 2 to 2048). False
    // while the answer is still out. Otherwise true, with last_result_: 0
    // after use took the record of a DATA_FOUND answer, not_found for
    // another attribute, KV_E_INVALID_POINTER for an answer without record,
    // and for a failed request its code, or failed_request when that is not
    // 0. The sub-state is back at 0 and the answer released.
    template <typename Record, typename Use>
    bool TakeRecord(std::int32_t type, KvResult not_found, KvResult failed_request, Use use) {
        CKvMessage* answer = nullptr;
        if (RequestRecord(answer, KV_MSG_COMMAND_DATA, KV_ENDPOINT_HOST_MAIN, 0, nullptr, type) !=
            KV_OK) {
            if (failed_request != KV_OK)
                last_result_ = failed_request;
            SetSubState(0);
            return true;
        }
        if (answer == nullptr)
            return false;
        auto* record = static_cast<Record*>(answer->GetPayload());
        if (answer->GetAttribute() != KV_MSG_ATTR_DATA_FOUND)
            last_result_ = not_found;
        else if (!IsValidPtr(record))
            last_result_ = KV_E_INVALID_POINTER;
        else
            use(*record);
        answer->Release();
        SetSubState(0);
        return true;
    }
    // The first queued answer of the type: use takes its record when it is
    // DATA_FOUND (else last_result_ KV_E_NO_DATA_FOUND, or
    // KV_E_INVALID_POINTER without record). An empty queue sets the waiting
    // flag; the queue is emptied. Then, still in the state with timer 1
    // expired, the requester is refused and the job ends (state 8).
    template <typename Record, typename Use>
    void TakeQueuedRecord(std::int32_t type, Use use) {
        const std::uint32_t state = state_;
        CKvMessage* message = nullptr;
        if (incoming_.FirstMessage() == nullptr) {
            waiting_flag_ = 1;
        } else if (incoming_.FindByPayloadType(message, type) && IsValidPtr(message)) {
            auto* record = static_cast<Record*>(message->GetPayload());
            if (message->GetAttribute() != KV_MSG_ATTR_DATA_FOUND)
                last_result_ = KV_E_NO_DATA_FOUND;
            else if (!IsValidPtr(record))
                last_result_ = KV_E_INVALID_POINTER;
            else
                use(*record);
        }
        incoming_.DeleteAll();
        if (state_ == state && timers_.CheckExpired(kAnswerTimerId)) {
            Refuse();
            GoTo(KV_JOB_STATE_CLEANUP);
        }
    }
    // After the general settings and the host request: waiting for the host
    // record in the state, or, when either failed, the requester refused and
    // the end (state 8).
    void AwaitHostRecord(std::uint32_t state) {
        if (last_result_ == KV_OK) {
            timers_.Start(kAnswerTimerId);
            GoTo(state);
        } else {
            Refuse();
            GoTo(KV_JOB_STATE_CLEANUP);
        }
    }
    // The requester's question to its server: identity of the first client
    // job, the job text as REQUEST; then waiting for the answer (state 13,
    // timer 1). False when it could not be sent.
    bool AskServer();
    // A message carrying the record (owned from here on) of the type to the
    // endpoint, job ids (0, own id, originating); KV_E_OUT_OF_MEMORY without
    // router, else the send's result.
    KvResult PostRecord(void* record, std::int32_t payload_type, std::int32_t command,
                        std::uint16_t target, std::int32_t kind = KV_MSG_KIND_INFO,
                        std::uint32_t originating = 0);
    // A record request (REQUEST, command 2, sub-command 5) for a new record
    // of the type whose key text is given, job ids (0, own, own).
    KvResult RequestKeyed(std::int32_t payload_type, const std::string& key);
    // A client job (17) at this job's peer, in state 10 when running_only.
    bool HasClientAtPeer(bool running_only) const;
    // A requester still waiting for its answer gets REFUSED.
    void Refuse();
    // CollectLocalIdentity keeping the login name.
    void CollectLocalComputer();
};

// The affix rules and the own area code of the client preferences.
void TakePreferenceRules(DiallingRules& rules, CKvDataPreferences& preferences);
// The affix rules and the own area code of the server's general settings.
void TakeGeneralRules(DiallingRules& rules, CKvDataGeneral& general);
// A call's number, handle and time of its state as a call record; the
// record goes out as a call notice or a new-call request.
void FillCallRecord(CKvDataCall& record, KVTAPICALL& call);
