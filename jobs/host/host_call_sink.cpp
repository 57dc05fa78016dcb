#include "jobs/host/host_call_sink.h"

#include "jobs/host/job_host.h"

void HostCallSink::Serve(CKvMessage* message) {
    host_.GetServiceLogWriter().Record(KV_ENDPOINT_CALL_WINDOW, *message);
    if (message->GetKind() != KV_MSG_KIND_REQUEST) {
        message->Release();
        return;
    }
    message->SetAttribute(KV_MSG_ATTR_ACCEPTED);
    message->SendConfirmation(KV_ENDPOINT_CALL_WINDOW, &host_.GetRouter(), true);
}
