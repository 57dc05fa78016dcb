#pragma once
// What a skinned window that is a router endpoint does with the messages
// the router posts to it: their number is the endpoint id, wParam the kind
// and lParam the CKvMessage, which the receiver owns.

#include "platform/mfc/mfc_wnd.h"

#include <cstdint>

// A message the router posted to a routed, non-zero endpoint.
inline bool KvIsEndpointMessage(const MSG& message, bool routed, std::uint16_t endpoint) {
    return routed && endpoint != 0 && message.message == endpoint;
}

// Releases the posted CKvMessage that lParam carries, when it is one.
void KvReleasePostedMessage(LPARAM lParam);
