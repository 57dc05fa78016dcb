#pragma once
// The base of the application object. It embeds the router that its threads
// are handed, registers its own endpoint there when it starts, dispatches the
// message objects posted to that endpoint, and ends through a quit message.
// Stop may be called from any thread; everything else runs on the
// application's thread.

#include "framework/message.h"
#include "framework/message_router.h"
#include "platform/result_codes.h"
#include "platform/sync.h"
#include "platform/types.h"
#include "platform/ui_thread.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

class CKvWinApp : public UiThread {
public:
    enum State : std::int32_t {
        kConstructed = 0,
        kRunning = 2,
        kQuitting = 3,
        kEnded = 4,
    };

    // The application object is never deleted by its thread.
    CKvWinApp();
    ~CKvWinApp() override;

    // Asks the application to quit with an INFO of command 6 to its own
    // endpoint and waits up to the time-out (also for 0) for it to end.
    // KV_OK when it has ended already; KV_E_TIMEOUT.
    virtual KvResult Stop(DWORD timeout_ms);
    virtual bool OnInitInstance();
    virtual void OnExitInstance();
    virtual KvResult Dispatch(WPARAM kind, CKvMessage* message);
    virtual KvResult OnMessage(WPARAM kind, CKvMessage* message);
    // The handlers own the message; those not overridden release it.
    virtual KvResult OnRequest(CKvMessage* message);
    virtual KvResult OnConfirmation(CKvMessage* message);
    virtual KvResult OnInfo(CKvMessage* message);
    virtual KvResult OnQuit(CKvMessage* message);
    virtual KvResult OnLog(CKvMessage* message);
    // Hooks for derived classes; the base class does not call them.
    virtual bool OnStartHook();
    virtual void OnEndHook();
    // True keeps the idle passes going.
    virtual bool OnIdleHook(LONG count);
    virtual void SetEndpointId(std::uint16_t endpoint_id);

    void SetName(const std::string& name) { name_ = name; }
    const std::string& GetName() const { return name_; }
    CKvMessageRouter* GetRouter() { return &router_; }
    std::uint16_t GetEndpointId() const { return endpoint_id_; }
    std::int32_t GetState() const { return state_.load(std::memory_order_acquire); }
    KvResult GetLastResult() const { return last_result_.load(std::memory_order_acquire); }
    ManualResetEvent& GetEndedEvent() { return ended_event_; }

    // The application's PreTranslateMessage, for a host whose loop hands it
    // every message; true when the message was handled.
    bool PreTranslateMessage(ThreadMessage& message) override;

protected:
    bool InitInstance() override;
    int ExitInstance() override;
    bool OnIdle(LONG count) override;
    // A message for this endpoint that will not be dispatched is released.
    void OnDroppedMessage(const ThreadMessage& message) override;

    KvResult ReleaseUnhandled(CKvMessage* message, KvResult result);
    void SetLastResult(KvResult result) { last_result_.store(result, std::memory_order_release); }
    void SetState(State state) { state_.store(state, std::memory_order_release); }

    // The base class never sets it; while false nothing is routed.
    bool routing_enabled_ = false;
    std::string second_text_;
    ManualResetEvent second_event_;
    std::array<std::uint32_t, 3> words_{};
    std::array<std::string, 8> texts_;

private:
    CKvMessageRouter router_;
    std::atomic<std::uint32_t> sequence_{0};
    std::atomic<KvResult> last_result_{KV_OK};
    ManualResetEvent ended_event_;
    std::uint16_t endpoint_id_ = 0;
    std::string name_;
    std::atomic<std::int32_t> state_{kConstructed};
};
