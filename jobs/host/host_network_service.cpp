#include "jobs/host/host_network_service.h"

#include "framework/connection_objects.h"
#include "jobs/host/job_host.h"
#include "platform/pointer.h"
#include "platform/tcp_transport.h"

void HostNetworkService::Serve(CKvMessage* message) {
    HostServiceLog& log = host_.GetServiceLogWriter();
    if (message->GetPayloadType() != KV_PAYLOAD_TYPED_OBJECT42 ||
        !IsValidPtr(message->GetPayload())) {
        log.Record(KV_ENDPOINT_NETWORK, *message);
        message->Release();
        return;
    }
    auto* request = static_cast<CKvTypedObject42*>(message->GetPayload());
    const COMPUTER_IDENT& peer = request->peers[0];
    const std::string host = peer.GetAddress() != 0 ? peer.GetAddressText() : peer.GetName();
    log.Record(KV_ENDPOINT_NETWORK, *message, host);
    const std::uint32_t state = request->numbers[2];
    if (state == 1) {
        SendText(host, peer.GetPort(), request->name, request->numbers[1]);
        message->Release();
        return;
    }
    if (state == 3) {
        const bool reached = SendText(host, peer.GetPort(), {}, request->numbers[1]) == KV_OK;
        message->SetAttribute(reached ? KV_MSG_ATTR_SUCCEEDED : KV_MSG_ATTR_FAILED);
        if (reached)
            request->peers[0].SetPort(host_.GetPort());
        message->SendConfirmation(KV_ENDPOINT_NETWORK, &host_.GetRouter(), true);
        return;
    }
    message->Release();
}
