#include "capi/capi_service.h"

#include "capi/capi_tick_manager.h"
#include "platform/clock.h"
#include "platform/pointer.h"
#include "platform/sync.h"

CapiService::CapiService(CKvMessageRouter* router, CapiEntryPoints* capi, std::uint16_t endpoint)
    : CKvWinThread(router, endpoint, "CAPI", false), host_(capi) {
    routing_enabled_ = true;
}

CapiService::~CapiService() {
    JoinThread();
}

KvResult CapiService::Begin() {
    if (begun_)
        return start_result_;
    begun_ = true;
    start_result_ = host_.Start();
    if (start_result_ != KV_OK)
        PostCapiStatusText(GetRouter(), GetEndpointId(), ++value_counter_, kNoCapiText);
    // Nothing in the system asks for the tick manager; the service keeps one.
    auto* tick = new CapiTickManager;
    CKvMessageRouter* router = GetRouter();
    Prepare(*tick, IsValidPtr(router) ? router->NextJobId() : 0);
    host_.FileManager(tick);
    return start_result_;
}

void CapiService::Prepare(CapiManagerBase& manager, std::uint32_t id) {
    manager.SetRouter(GetRouter(), GetEndpointId());
    manager.SetValueCounter(&value_counter_);
    manager.SetJobId(id);
}

bool CapiService::IsManagerType(std::int32_t payload_type) {
    switch (payload_type) {
    case KV_PAYLOAD_CAPI_TRANSFER_MANAGER:
    case KV_PAYLOAD_CAPI_LISTEN_MANAGER:
    case KV_PAYLOAD_CAPI_FUNCTION_MANAGER:
    case KV_PAYLOAD_CAPI_DIAL_MANAGER:
    case kCapiDataManagerType:
    case KV_PAYLOAD_CAPI_TICK_MANAGER:
        return true;
    default:
        return false;
    }
}

void CapiService::HandleMessage(CKvMessage* message) {
    if (!IsValidPtr(message))
        return;
    if (CapiManagerBase* running = host_.FindManagerByJobId(message->GetSourceJobId())) {
        if (running->GetQueue().Add(message, false) != KV_OK)
            message->Release();
        return;
    }
    if (message->GetKind() == KV_MSG_KIND_REQUEST && IsManagerType(message->GetPayloadType())) {
        if (CapiManagerBase* manager =
                CapiManagerFromPayload(message->GetPayload(), message->GetPayloadType())) {
            FileRequestedManager(message, manager);
            return;
        }
    }
    if (message->GetKind() != KV_MSG_KIND_REQUEST) {
        message->Release();
        return;
    }
    message->SetAttribute(KV_MSG_ATTR_REFUSED);
    message->SendConfirmation(GetEndpointId(), GetRouter(), true);
}

// The request stays with the manager as its request message; its payload is
// the manager, so the manager frees only the header. The manager id goes into
// the request's first job id, so that the confirmation carries it to the job
// as its target job id.
void CapiService::FileRequestedManager(CKvMessage* request, CapiManagerBase* manager) {
    CKvMessageRouter* router = GetRouter();
    const std::uint32_t id = IsValidPtr(router) ? router->NextJobId() : 0;
    Prepare(*manager, id);
    manager->SetRequestMessage(request);
    request->SetSourceJobId(id);
    host_.FileManager(manager);
}

void CapiService::End() {
    std::vector<CapiManagerBase*> managers;
    CapiHost::Position position;
    const CapiHost::ManagerMap* map = nullptr;
    if (host_.BeginIteration(0, &position, &map) != 0)
        while (CapiManagerBase* manager = host_.NextManager(&position, &map))
            managers.push_back(manager);
    for (CapiManagerBase* manager : managers) {
        auto* shutdown = new CKvMessage;
        shutdown->SetHeader(KV_MSG_KIND_INFO, nullptr, manager->GetPayloadType(),
                            KV_MSG_COMMAND_NOTIFICATION, 5, KV_MSG_ATTR_SHUTDOWN);
        if (manager->GetQueue().Add(shutdown, false) != KV_OK)
            shutdown->Release();
    }
    const std::uint32_t start = GetClock().TickMs();
    ManualResetEvent never;
    while (host_.GetManagerCount() != 0) {
        host_.Pass();
        if (host_.GetManagerCount() == 0 ||
            static_cast<std::int32_t>(GetClock().TickMs() - start) >=
                static_cast<std::int32_t>(kEndBoundMs))
            break;
        if (end_pass_hook_)
            end_pass_hook_();
        else
            never.Wait(kPassIntervalMs);
    }
    host_.DeleteAllManagers();
    host_.Stop();
}

bool CapiService::OnInitInstance() {
    Begin();
    SetThreadTimer(kPassTimer, kPassIntervalMs);
    GetStartedEvent().Set();
    return true;
}

void CapiService::OnExitInstance() {
    KillThreadTimer(kPassTimer);
    End();
}

KvResult CapiService::OnRequest(CKvMessage* message) {
    HandleMessage(message);
    return KV_OK;
}

KvResult CapiService::OnConfirmation(CKvMessage* message) {
    HandleMessage(message);
    return KV_OK;
}

KvResult CapiService::OnInfo(CKvMessage* message) {
    HandleMessage(message);
    return KV_OK;
}

void CapiService::OnTimer(UINT id) {
    if (id == kPassTimer)
        host_.Pass();
}
