// The host as a process of the protocol: its root job, its end, and the jobs
// handed to the root.
#include "jobs/host/job_host.h"

#include "jobs/job_data_root.h"
#include "jobs/job_payloads.h"
#include "platform/pointer.h"

namespace {

JobRole RootRole(HostProcessKind kind) {
    switch (kind) {
    case HostProcessKind::kServer:
        return JobRole::kExecutor;
    case HostProcessKind::kWorkstationWithServer:
        return JobRole::kRequester;
    case HostProcessKind::kWorkstationWithoutServer:
        return JobRole::kCheckRootJob;
    case HostProcessKind::kNone:
        break;
    }
    return JobRole::kNone;
}

} // namespace

KvResult JobHost::StartRootJob(HostProcessKind kind, std::uint32_t& root_id) {
    root_id = 0;
    if (kind == HostProcessKind::kNone)
        return KV_E_FAIL;
    process_kind_ = kind;
    // Logons wait for the root's signal, not for the listener's.
    if (kind == HostProcessKind::kServer)
        GetHandler().GetEventMap().ResetEvent(CKvIMSGJobDataHandler::kOwnEventId);
    auto root = std::make_unique<CKvJobDataRoot>();
    const KvResult result = AddHostJob(root.get(), RootRole(kind));
    if (result != KV_OK)
        return result;
    root_id = root.release()->GetJobId();
    root_id_ = root_id;
    return KV_OK;
}

bool JobHost::RootIsStarting() const {
    if (process_kind_ != HostProcessKind::kServer)
        return false;
    const CKvJobData* root = FindJob(root_id_);
    if (root == nullptr)
        return false;
    switch (root->GetState()) {
    case KV_JOB_STATE_RUNNING:
    case KV_JOB_STATE_STOP_REQUESTED:
    case KV_JOB_STATE_ENDING:
    case KV_JOB_STATE_CLEANUP:
    case KV_JOB_STATE_FINISHED:
        return false;
    default:
        return true;
    }
}

void JobHost::TakeReceivedText(std::unique_ptr<ReceivedTcpText> received) {
    // Later texts queue behind held ones, so that texts keep their order.
    if (RootIsStarting() || !held_texts_.empty()) {
        held_texts_.push_back(std::move(received));
        return;
    }
    HandleText(received->text, received->peer_address);
}

std::size_t JobHost::HandleHeldTexts(std::size_t limit) {
    std::size_t handled = 0;
    while (handled < limit && !held_texts_.empty() && !RootIsStarting()) {
        // The lease goes with the text once it is handled.
        const std::unique_ptr<ReceivedTcpText> received = std::move(held_texts_.front());
        held_texts_.pop_front();
        HandleText(received->text, received->peer_address);
        ++handled;
    }
    return handled;
}

void JobHost::Shutdown() {
    auto* root = static_cast<CKvJobData*>(GetHandler().FirstJob(K_KVJBDT_TP_ROOT));
    if (root == nullptr)
        return;
    if (process_kind_ != HostProcessKind::kServer) {
        if (root->GetState() != KV_JOB_STATE_CLEANUP && root->GetState() != KV_JOB_STATE_FINISHED)
            root->ChangeState(KV_JOB_STATE_STOP_REQUESTED);
        return;
    }
    auto* quit = new CKvMessage;
    quit->SetHeader(KV_MSG_KIND_INFO, nullptr, 0, KV_MSG_COMMAND_QUIT, 0, KV_MSG_ATTR_UNSPECIFIED);
    DeliverToJob(quit, root->GetJobId());
}

bool JobHost::HandToRoot(CKvMessage* message, std::uint32_t peer_address) {
    const std::int32_t type = message->GetPayloadType();
    if (!server_ || (type != K_KVJBDT_TP_DIAL2 && type != K_KVJBDT_TP_TAPI_LISTEN))
        return false;
    CKvJobData* root = FindJob(GetHandler().GetRootJobId());
    if (root == nullptr || root->GetType() != K_KVJBDT_TP_ROOT ||
        root->GetState() != KV_JOB_STATE_RUNNING)
        return false;
    // The job is filed, and gets its id, only if the root adopts it: until
    // then the address its REQUEST came from travels with it.
    if (CKvJobData* job = JobFromPayload(message->GetPayload()); IsValidPtr(job))
        job->SetRequestAddress(peer_address);
    DeliverToJob(message, root->GetJobId());
    return true;
}
