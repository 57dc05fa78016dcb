#include "jobs/host/host_status_service.h"

#include "framework/holder_objects.h"
#include "jobs/host/job_host.h"
#include "platform/pointer.h"

void HostStatusService::Serve(CKvMessage* message) {
    if (message->GetPayloadType() == KV_PAYLOAD_TAPI_LINE &&
        message->GetKind() == KV_MSG_KIND_INFO) {
        host_.GetServiceLogWriter().Record(KV_ENDPOINT_HOST_STATUS, *message);
        HandLineToService(message);
        return;
    }
    std::string text;
    if (message->GetPayloadType() == KV_PAYLOAD_STAMPED_TEXT_RECORD &&
        IsValidPtr(message->GetPayload()))
        text = static_cast<CKvStampedTextRecord*>(message->GetPayload())->text;
    host_.GetServiceLogWriter().Record(KV_ENDPOINT_HOST_STATUS, *message, std::move(text));
    message->Release();
}

void HostStatusService::HandLineToService(CKvMessage* message) {
    // The line service starts lines only from REQUESTs; stops go as they are.
    if (message->GetCommand() == 1)
        message->SetKind(KV_MSG_KIND_REQUEST);
    message->Send(KV_ENDPOINT_TAPI_LINES, KV_ENDPOINT_HOST_STATUS, &host_.GetRouter(), 0, true,
                  false);
}
