#include "controls/router_endpoint.h"

#include "framework/message.h"
#include "framework/message_router.h"
#include "framework/named_value.h"
#include "framework/payload_registry.h"
#include "platform/pointer.h"

namespace {

constexpr std::int32_t kEventKind = 4;  // "INFO"
constexpr std::int32_t kEventCommand = 1;
constexpr std::int32_t kEventSubCommand = 5;

}  // namespace

void KvReleasePostedMessage(LPARAM lParam) {
    auto* message = reinterpret_cast<CKvMessage*>(lParam);
    if (IsValidPtr(message))
        message->Release();
}

void KvSendControlEvent(CKvMessageRouter* router, std::uint16_t owner, std::uint16_t endpoint,
                        std::uint32_t& counter, const std::string& name, const std::string& text,
                        std::optional<std::uint32_t> number) {
    if (!IsValidPtr(router))
        return;
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!router->CreateMessageWithPayload(message, payload, KV_PAYLOAD_NAMED_VALUE))
        return;
    auto* value = static_cast<CKvNamedValue*>(payload);
    if (number)
        value->SetNumber(name, *number);
    else
        value->SetText(name, text);
    message->SetKindAndCommand(kEventKind, kEventCommand, kEventSubCommand);
    ++counter;
    message->Send(owner, endpoint, router, counter, true, false);
}
