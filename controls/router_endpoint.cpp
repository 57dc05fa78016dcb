#include "controls/router_endpoint.h"

#include "framework/message.h"
#include "platform/pointer.h"

void KvReleasePostedMessage(LPARAM lParam) {
    auto* message = reinterpret_cast<CKvMessage*>(lParam);
    if (IsValidPtr(message))
        message->Release();
}
