#pragma once
// The base of the application object. It embeds the router that its threads
// are handed, registers its own endpoint there when it starts, dispatches the
// message objects posted to that endpoint, and ends through a quit message.
// Stop may be called from any thread; everything else runs on the
// application's thread.

#include "framework/endpoint_thread.h"
#include "framework/message.h"
#include "framework/message_router.h"
#include "platform/result_codes.h"
#include "platform/sync.h"
#include "platform/types.h"

#include <array>
#include <cstdint>
#include <string>

class CKvWinApp : public CKvEndpointThread {
public:
    // The application object is never deleted by its thread.
    CKvWinApp();
    ~CKvWinApp() override;

    // Asks the application to quit with an INFO of command 6 to its own
    // endpoint and waits up to the time-out (also for 0) for it to end.
    // KV_OK when it has ended already; KV_E_TIMEOUT.
    virtual KvResult Stop(DWORD timeout_ms);
    KvResult OnQuit(CKvMessage* message) override;
    virtual void SetEndpointId(std::uint16_t endpoint_id);

    ManualResetEvent& GetEndedEvent() { return ended_event_; }

protected:
    bool InitInstance() override;
    int ExitInstance() override;
    bool OnIdle(LONG count) override;
    // Released, and the loop ends without OnQuit.
    KvResult OnQuitRequest(CKvMessage* message) override;

    ManualResetEvent second_event_;
    std::array<std::uint32_t, 3> words_{};
    std::array<std::string, 8> texts_;

private:
    CKvMessageRouter router_;
    ManualResetEvent ended_event_;
};
