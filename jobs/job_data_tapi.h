#pragma once
// What the TAPI jobs share: posting a new record to a host service, finding
// the client job of the peer, refusing a waiting requester, and the number
// rules and call records they take from the host's records.

#include "core/dialling_rules.h"
#include "jobs/job_data.h"

#include <string>

class CKvDataCall;
class CKvDataGeneral;
class CKvDataPreferences;
class KVTAPICALL;

class CKvJobDataTapiBase : public CKvJobData {
protected:
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
