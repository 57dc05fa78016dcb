#include "jobs/host/host_chat_log_service.h"

#include "jobs/host/job_host.h"
#include "platform/pointer.h"

#include <string>

void HostChatLogService::Serve(CKvMessage* message) {
    std::string text;
    if (message->GetPayloadType() == KV_PAYLOAD_TEXT && IsValidPtr(message->GetPayload()))
        text = *static_cast<std::string*>(message->GetPayload());
    host_.GetServiceLogWriter().Record(KV_ENDPOINT_CHAT_LOG, *message, std::move(text));
    message->Release();
}
