#pragma once
// A scripted line service (2110) for the tests of single jobs: it takes what
// a job posted to 2110 and the status service (2050) from a capturing router,
// records watches, cancels, drops and line objects, and answers make-calls
// and line-object REQUESTs as the test scripted, straight into the job's
// queue. Calls of a watched line go to the job on the test's command.

#include "data/data_preferences.h"
#include "jobs/job_data_root.h"
#include "jobs_test_support.h"
#include "platform/clock.h"
#include "tapi/tapi_calls_manager.h"
#include "tapi/tapi_line.h"
#include "tapi/tapi_payloads.h"

#include <map>
#include <string>
#include <vector>

// The message queued last for the job.
inline CKvMessage* LastQueued(CKvJobData& job) {
    CKvMessageList::Position position;
    job.GetIncomingQueue().GetHeadPosition(position);
    CKvMessage* last = nullptr;
    while (CKvMessage* message = job.GetIncomingQueue().GetNext(position))
        last = message;
    return last;
}

class ScriptedTapiLines {
public:
    enum class Answer { kAccept, kRefuse, kNone };
    struct Watch {
        std::int32_t command = 0; // 1 watch, 3 cancel
        std::string line;
        std::string alias;
        std::uint16_t subscriber = 0;
    };
    struct LineObject {
        std::int32_t command = 0; // 1 start, 3 stop
        std::string name;
        std::string number;
        std::string display;
    };

    // Endpoint of the line thread that answers for a line.
    std::map<std::string, std::uint16_t> line_endpoints;
    Answer make_call_answer = Answer::kAccept;
    Answer line_request_answer = Answer::kAccept;
    std::uint32_t next_hcall = 0x500;

    std::vector<Watch> watches;
    std::vector<KVTAPICALL> drops;
    std::vector<KVTAPICALL> forwarded; // calls handed to the line side
    std::vector<LineObject> line_objects;
    std::vector<KVTAPICALLSMANAGER> host_calls; // calls managers sent to 2050
    std::vector<MessagePtr> others;

    // Takes every message waiting at the router; answers go to the job.
    void Serve(CapturingRouter& router, CKvJobData& job) {
        std::uint16_t endpoint = 0;
        while (MessagePtr message = router.Take(&endpoint)) {
            if (!Handle(endpoint, message, job))
                others.push_back(std::move(message));
        }
    }

    // A watched line's calls to the job (INFO, payload 50).
    KVTAPICALLSMANAGER* SendCalls(CKvJobData& job, const std::string& line, std::uint32_t hline) {
        auto* calls = Deliver<KVTAPICALLSMANAGER>(job, KV_PAYLOAD_TAPI_CALLS_MANAGER,
                                                  KV_MSG_KIND_INFO, KV_MSG_ATTR_UNSPECIFIED);
        calls->GetIdentifier() = line;
        calls->GetHline() = hline;
        return calls;
    }
    // One call update (INFO, payload 52) from the line's endpoint.
    KVTAPICALL* SendCallUpdate(CKvJobData& job, const std::string& line) {
        auto* call = Deliver<KVTAPICALL>(job, KV_PAYLOAD_TAPI_CALL, KV_MSG_KIND_INFO,
                                         KV_MSG_ATTR_UNSPECIFIED);
        call->GetLineName() = line;
        LastQueued(job)->SetSourceEndpoint(EndpointOf(line));
        return call;
    }

    std::uint16_t EndpointOf(const std::string& line) const {
        auto found = line_endpoints.find(line);
        return found == line_endpoints.end() ? 0 : found->second;
    }

private:
    bool Handle(std::uint16_t endpoint, MessagePtr& message, CKvJobData& job) {
        const std::int32_t type = message->GetPayloadType();
        if (endpoint == KV_ENDPOINT_TAPI_LINES && message->GetKind() == KV_MSG_KIND_SIGNAL &&
            type == KV_PAYLOAD_TAPI_CALLS_MANAGER) {
            Watch watch;
            watch.command = message->GetCommand();
            watch.subscriber = message->GetSubscriberEndpoint();
            if (auto* calls = static_cast<KVTAPICALLSMANAGER*>(message->GetPayload())) {
                watch.line = calls->GetIdentifier();
                watch.alias = calls->GetSpareText();
            }
            watches.push_back(watch);
            return true;
        }
        if (type == KV_PAYLOAD_TAPI_CALL && message->GetPayload() != nullptr) {
            auto* call = static_cast<KVTAPICALL*>(message->GetPayload());
            if (message->GetKind() == KV_MSG_KIND_REQUEST &&
                call->GetKvTapiFunc() == KV_TAPIFUNC_MAKE_CALL) {
                AnswerMakeCall(*call, job);
                return true;
            }
            if (call->GetKvTapiFunc() == KV_TAPIFUNC_DROP)
                drops.push_back(*call);
            else
                forwarded.push_back(*call);
            return true;
        }
        if (endpoint == KV_ENDPOINT_HOST_STATUS && type == KV_PAYLOAD_TAPI_LINE) {
            auto* line = static_cast<CKvTAPILine*>(message->GetPayload());
            line_objects.push_back({message->GetCommand(), line->GetName(),
                                    line->GetNumberToDial(), line->GetDisplayName()});
            return true;
        }
        if (endpoint == KV_ENDPOINT_HOST_STATUS && type == KV_PAYLOAD_TAPI_CALLS_MANAGER) {
            host_calls.push_back(*static_cast<KVTAPICALLSMANAGER*>(message->GetPayload()));
            return true;
        }
        if (endpoint == KV_ENDPOINT_TAPI_LINES && type == KV_PAYLOAD_TAPI_LINE &&
            message->GetKind() == KV_MSG_KIND_REQUEST) {
            if (line_request_answer == Answer::kNone)
                return true;
            auto* copy = new CKvTAPILine;
            *copy = *static_cast<CKvTAPILine*>(message->GetPayload());
            auto* answer = new CKvMessage;
            answer->SetHeader(KV_MSG_KIND_CONFIRMATION, copy, KV_PAYLOAD_TAPI_LINE,
                              message->GetCommand(), message->GetSubCommand(),
                              line_request_answer == Answer::kAccept ? KV_MSG_ATTR_ACCEPTED
                                                                     : KV_MSG_ATTR_REFUSED);
            answer->SetSourceEndpoint(KV_ENDPOINT_TAPI_LINES);
            job.GetIncomingQueue().Add(answer, false);
            return true;
        }
        return false;
    }

    void AnswerMakeCall(KVTAPICALL& request, CKvJobData& job) {
        if (make_call_answer == Answer::kNone)
            return;
        auto* call = new KVTAPICALL(request);
        if (make_call_answer == Answer::kAccept)
            call->GetHcall() = next_hcall++;
        auto* answer = new CKvMessage;
        answer->SetHeader(KV_MSG_KIND_CONFIRMATION, call, KV_PAYLOAD_TAPI_CALL, 1,
                          KV_SUBCOMMAND_ONE_RECORD,
                          make_call_answer == Answer::kAccept ? KV_MSG_ATTR_ACCEPTED
                                                              : KV_MSG_ATTR_REFUSED);
        answer->SetSourceEndpoint(EndpointOf(request.GetLineName()));
        answer->SetJobIds(job.GetJobId(), 0, 0);
        job.GetIncomingQueue().Add(answer, false);
    }
};

// A handler on a capturing router with a running root job whose preferences
// ask for a server, a client job at 10.0.0.7:4000 and the line script.
class TapiJobTest : public ::testing::Test {
protected:
    explicit TapiJobTest(std::initializer_list<std::uint16_t> endpoints)
        : scoped_clock_(clock_), router_(endpoints),
          handler_(router_.Get(), 0x900, KV_TRANSPORT_REMOTE_PEER, nullptr, false) {
        RegisterTapiPayloads();
        root_ = new CKvJobDataRoot;
        handler_.AddJob(root_);
        root_->ChangeState(KV_JOB_STATE_RUNNING);
        root_->GetPreferencesRef() = std::make_unique<CKvDataPreferences>();
        root_->GetPreferencesRef()->GetFlagServerUse().Set(1);
        client_ = new TestClientJob("10.0.0.7", 4000);
        handler_.AddJob(client_);
    }

    // The server's answer of the type to the job's request, ids set.
    template <typename Job>
    Job* Answer(CKvJobData& job, std::int32_t type, std::int32_t attribute, std::uint32_t server) {
        auto* answer = Deliver<Job>(job, type, KV_MSG_KIND_CONFIRMATION, attribute);
        answer->SetSubType(static_cast<std::uint32_t>(type));
        answer->SetIds(job.GetJobId(), server);
        LastQueued(job)->SetJobIds(job.GetJobId(), server, 0);
        return answer;
    }

    ManualClock clock_{1700000000};
    ScopedClock scoped_clock_;
    CapturingRouter router_;
    CKvIMSGJobDataHandler handler_;
    CKvJobDataRoot* root_ = nullptr;
    TestClientJob* client_ = nullptr;
    ScriptedTapiLines lines_;
};
