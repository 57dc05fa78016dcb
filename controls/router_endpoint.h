#pragma once
// What a skinned window that is a router endpoint does with the messages
// the router posts to it: their number is the endpoint id, wParam the kind
// and lParam the CKvMessage, which the receiver owns.

#include "platform/mfc/mfc_wnd.h"

#include <cstdint>
#include <optional>
#include <string>

class CKvMessageRouter;

// A message the router posted to a routed, non-zero endpoint.
inline bool KvIsEndpointMessage(const MSG& message, bool routed, std::uint16_t endpoint) {
    return routed && endpoint != 0 && message.message == endpoint;
}

// Releases the posted CKvMessage that lParam carries, when it is one.
void KvReleasePostedMessage(LPARAM lParam);

// Sends a control's "INFO" event (kind 4, command 1, sub-command 5) from its
// endpoint to its owner's: a named value holding the text, or the number
// when one is given. The counter goes up by one and numbers the event.
// Nothing happens without a valid router or when no message can be made;
// when to send is the caller's rule.
void KvSendControlEvent(CKvMessageRouter* router, std::uint16_t owner, std::uint16_t endpoint,
                        std::uint32_t& counter, const std::string& name, const std::string& text,
                        std::optional<std::uint32_t> number = std::nullopt);
