#pragma once
// The owner window of a control under test: a router endpoint that notes
// each event message it receives and releases it.

#include "core/handle_table.h"
#include "framework/framework_payloads.h"
#include "framework/message.h"
#include "framework/message_router.h"
#include "framework/named_value.h"
#include "framework/payload_registry.h"
#include "platform/mfc/mfc_controls.h"
#include "platform/mfc/mfc_wnd.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace skin {

struct ReceivedEvent {
    WPARAM kind = 0;
    std::int32_t command = 0;
    std::int32_t sub_command = 0;
    std::uint16_t source = 0;
    std::uint32_t value = 0;
    std::string name;
    std::string text;
    std::uint32_t number = 0;
    bool operator==(const ReceivedEvent&) const = default;
};

// name = text (or #number) from source, value.
inline std::string Describe(const ReceivedEvent& event) {
    return event.name + "=" + (event.text.empty() && event.number != 0 ? "#" + std::to_string(event.number)
                                                                        : event.text) +
           " from " + std::to_string(event.source) + " value " + std::to_string(event.value);
}

class EventOwner : public CWnd {
public:
    static constexpr std::uint16_t kEndpoint = 0x0500;

    // Creates the window inside the parent and registers it with the router.
    void Start(CKvMessageRouter& router, CWnd& parent) {
        RegisterFrameworkPayloads();
        if (!router.IsInitialized()) {
            ASSERT_EQ(router.Init(&GetHandleTable()), KV_OK);
        }
        KvRegisterWindowClasses();
        ASSERT_TRUE(CreateEx(0, "Static", "", WS_CHILD, 0, 0, 1, 1, parent.m_hWnd, nullptr));
        ASSERT_EQ(router.RegisterWindow(kEndpoint, m_hWnd, "owner"), KV_OK);
        router_ = &router;
    }
    void Stop() {
        if (router_ != nullptr)
            router_->Unregister(kEndpoint);
        router_ = nullptr;
        DestroyWindow();
    }
    std::vector<std::string> Described() const {
        std::vector<std::string> lines;
        for (const ReceivedEvent& event : events)
            lines.push_back(Describe(event));
        return lines;
    }

    std::vector<ReceivedEvent> events;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != kEndpoint)
            return CWnd::WindowProc(message, wParam, lParam);
        auto* received = reinterpret_cast<CKvMessage*>(lParam);
        ReceivedEvent event;
        event.kind = wParam;
        event.command = received->GetCommand();
        event.sub_command = received->GetSubCommand();
        event.source = received->GetSourceEndpoint();
        event.value = received->GetValue();
        if (received->GetPayloadType() == KV_PAYLOAD_NAMED_VALUE) {
            const auto* payload = static_cast<const CKvNamedValue*>(received->GetPayload());
            event.name = payload->GetName();
            event.text = payload->GetValue();
            event.number = payload->GetNumber();
        }
        events.push_back(event);
        received->Release();
        return 0;
    }

private:
    CKvMessageRouter* router_ = nullptr;
};

} // namespace skin
