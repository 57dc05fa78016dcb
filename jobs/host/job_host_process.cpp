// The host as a process of the protocol: its root job, its end, the jobs
// handed to the root, and the record requests beyond the look-up of one
// record.
#include "jobs/host/job_host.h"

#include "data/data_call.h"
#include "data/data_handler_store.h"
#include "framework/payload_registry.h"
#include "jobs/job_data_root.h"
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
    return KV_OK;
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

bool JobHost::HandToRoot(CKvMessage* message) {
    const std::int32_t type = message->GetPayloadType();
    if (!server_ || (type != K_KVJBDT_TP_DIAL2 && type != K_KVJBDT_TP_TAPI_LISTEN))
        return false;
    CKvJobData* root = FindJob(GetHandler().GetRootJobId());
    if (root == nullptr || root->GetType() != K_KVJBDT_TP_ROOT ||
        root->GetState() != KV_JOB_STATE_RUNNING)
        return false;
    DeliverToJob(message, root->GetJobId());
    return true;
}

// ---- Record requests ----

bool JobHost::IsAskedRecord(CKvDataHandler& held, CKvDataHandler& asked, std::int32_t type) {
    // A call is asked for by its start time, whatever its key text says.
    if (type == K_KVDT_TP_DTHDLR_DATACALL)
        return static_cast<CKvDataCall&>(held).GetStartTime() ==
               static_cast<CKvDataCall&>(asked).GetStartTime();
    return held.IsSameKey(asked);
}

bool JobHost::ServeRecordQuery(CKvMessage* message) {
    if (message->GetKind() != KV_MSG_KIND_REQUEST)
        return false;
    if (message->GetSubCommand() == CKvJobDataRoot::kSubCommandCollection &&
        message->GetPayloadType() == KV_PAYLOAD_OBJECT_POINTER_LIST) {
        ServeCollection(message);
        return true;
    }
    if (message->GetSubCommand() == kSubCommandCallQuery &&
        message->GetPayloadType() == K_KVDT_TP_DTHDLR_DATACALL) {
        ServeCallQuery(message);
        return true;
    }
    return false;
}

void JobHost::ServeCollection(CKvMessage* message) {
    void* collection = nullptr;
    if (!message->CreatePayload(collection, KV_PAYLOAD_OBJECT_POINTER_LIST)) {
        message->SetAttribute(KV_MSG_ATTR_DATA_NOT_FOUND);
    } else {
        message->SetAttribute(KV_MSG_ATTR_DATA_FOUND);
    }
    message->SendConfirmation(KV_ENDPOINT_HOST_MAIN, &router_, true);
}

void JobHost::AnswerWithStore(CKvMessage* message, std::int32_t type,
                              const std::function<bool(CKvDataHandler&)>& wanted) {
    auto store = std::make_unique<CKvDataHandlerStore>(static_cast<std::uint32_t>(type), 0,
                                                       kAllOfTypeCapacity, nullptr, nullptr);
    std::uint32_t identifier = 0;
    if (auto found = records_.find(type); found != records_.end()) {
        for (const std::unique_ptr<CKvDataHandler>& held : found->second) {
            std::unique_ptr<CKvDataHandler> copy;
            if (!wanted(*held) || !held->Clone(copy))
                continue;
            // The store keeps its records by identifier.
            copy->SetIdentifier(++identifier);
            store->Add(copy);
        }
    }
    if (message->GetPayload() != nullptr)
        DestroyPayloadByType(message->DetachPayload(), message->GetPayloadType());
    message->SetHeader(KV_MSG_KIND_REQUEST, store.release(), KV_PAYLOAD_DATA_HANDLER_STORE, 0, 0,
                       KV_MSG_ATTR_DATA_FOUND);
    message->SendConfirmation(KV_ENDPOINT_HOST_MAIN, &router_, true);
}

void JobHost::ServeCallQuery(CKvMessage* message) {
    auto* query = static_cast<CKvDataCall*>(message->GetPayload());
    TimeDate from;
    if (IsValidPtr(query)) {
        from.SetSeconds(query->GetStartTime().GetFurtherSeconds());
        from.SetMilliseconds(query->GetStartTime().GetFurtherMilliseconds());
    }
    AnswerWithStore(message, K_KVDT_TP_DTHDLR_DATACALL, [&from](CKvDataHandler& record) {
        return !(static_cast<CKvDataCall&>(record).GetStartTime() < from);
    });
}
