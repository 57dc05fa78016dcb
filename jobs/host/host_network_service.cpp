#include "jobs/host/host_network_service.h"

#include "framework/connection_objects.h"
#include "jobs/host/job_host.h"
#include "platform/pointer.h"

#include <memory>
#include <utility>

namespace {

// A request waiting for its send's result: released unless taken, so that a
// host that stops first leaks nothing.
class HeldMessage {
public:
    explicit HeldMessage(CKvMessage* message) : message_(message) {}
    ~HeldMessage() {
        if (message_ != nullptr)
            message_->Release();
    }
    HeldMessage(const HeldMessage&) = delete;
    HeldMessage& operator=(const HeldMessage&) = delete;
    CKvMessage* Take() { return std::exchange(message_, nullptr); }

private:
    CKvMessage* message_;
};

} // namespace

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
        // Unanswered: a failure is only logged.
        host_.PostSend(host, peer.GetPort(), request->name, request->numbers[1], {},
                       message->GetSpareWord());
        message->Release();
        return;
    }
    if (state == 3) {
        // The answer waits for the result.
        auto held = std::make_shared<HeldMessage>(message);
        JobHost& owner = host_;
        const auto answer = [&owner, held](KvResult result) {
            CKvMessage* taken = held->Take();
            const bool reached = result == KV_OK;
            taken->SetAttribute(reached ? KV_MSG_ATTR_SUCCEEDED : KV_MSG_ATTR_FAILED);
            if (reached)
                static_cast<CKvTypedObject42*>(taken->GetPayload())
                    ->peers[0]
                    .SetPort(owner.GetPort());
            taken->SendConfirmation(KV_ENDPOINT_NETWORK, &owner.GetRouter(), true);
        };
        if (!host_.PostSend(host, peer.GetPort(), {}, request->numbers[1], answer))
            answer(KV_E_FAIL);
        return;
    }
    message->Release();
}
