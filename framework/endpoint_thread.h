#pragma once
// What the thread base class and the application base class share: an
// endpoint registered with a router while the loop lives, the posted message
// whose number is the endpoint id caught before dispatch, one handler per
// message kind, and the quit message (command 6) that ends the loop.

#include "framework/message.h"
#include "framework/message_router.h"
#include "platform/result_codes.h"
#include "platform/types.h"
#include "platform/ui_thread.h"

#include <atomic>
#include <cstdint>
#include <string>

class CKvEndpointThread : public UiThread {
public:
    enum State : std::int32_t {
        kConstructed = 0,
        kRunning = 2,
        kQuitting = 3,
        kEnded = 4,
    };

    virtual bool OnInitInstance();
    virtual void OnExitInstance();
    // Calls one handler per kind; a REQUEST of command 7 without a source job
    // id is answered at once.
    virtual KvResult Dispatch(WPARAM kind, CKvMessage* message);
    virtual KvResult OnMessage(WPARAM kind, CKvMessage* message);
    // The handlers own the message; those not overridden release it.
    virtual KvResult OnRequest(CKvMessage* message);
    virtual KvResult OnConfirmation(CKvMessage* message);
    virtual KvResult OnInfo(CKvMessage* message);
    virtual KvResult OnQuit(CKvMessage* message) = 0;
    virtual KvResult OnLog(CKvMessage* message);
    // Hooks for derived classes; the base classes do not call them.
    virtual bool OnStartHook();
    virtual void OnEndHook();
    // True keeps the idle passes going.
    virtual bool OnIdleHook(LONG count);

    void SetName(const std::string& name) { name_ = name; }
    const std::string& GetName() const { return name_; }
    CKvMessageRouter* GetRouter() const { return router_; }
    std::uint16_t GetEndpointId() const { return endpoint_id_; }
    std::int32_t GetState() const { return state_.load(std::memory_order_acquire); }
    KvResult GetLastResult() const { return last_result_.load(std::memory_order_acquire); }

    // The endpoint's message goes to Dispatch and counts as handled.
    bool PreTranslateMessage(ThreadMessage& message) override;

protected:
    CKvEndpointThread(bool auto_delete, CKvMessageRouter* router, std::uint16_t endpoint_id,
                      std::string name)
        : UiThread(auto_delete), router_(router), endpoint_id_(endpoint_id),
          name_(std::move(name)) {}

    // A REQUEST of command 6.
    virtual KvResult OnQuitRequest(CKvMessage* message) = 0;
    // A SIGNAL; by default refused as a kind outside the table.
    virtual KvResult OnSignalKind(CKvMessage* message);

    // Registers the endpoint, then OnInitInstance; running on success.
    bool StartInstance();
    // Unregisters the endpoint; ended.
    void EndInstance();
    // An INFO of command 6 to the endpoint itself, the sequence counter as
    // its value; the message is released when it cannot be sent.
    KvResult SendQuitToSelf();
    // True for a message posted to the thread under the endpoint's number.
    bool IsEndpointMessage(const ThreadMessage& message) const;
    // A message for this endpoint that will not be dispatched is released.
    void OnDroppedMessage(const ThreadMessage& message) override;

    // Releases the message and records the result.
    KvResult ReleaseUnhandled(CKvMessage* message, KvResult result = KV_E_NOT_HANDLED);
    void SetLastResult(KvResult result) { last_result_.store(result, std::memory_order_release); }
    void SetState(State state) { state_.store(state, std::memory_order_release); }
    void SetRouterAndEndpoint(CKvMessageRouter* router, std::uint16_t endpoint_id) {
        router_ = router;
        endpoint_id_ = endpoint_id;
    }

    // 0 until the derived class's constructor sets it; while 0 nothing is
    // routed.
    bool routing_enabled_ = false;
    std::string second_text_;

private:
    CKvMessageRouter* router_;
    std::atomic<std::uint32_t> sequence_{0};
    std::atomic<KvResult> last_result_{KV_OK};
    std::uint16_t endpoint_id_;
    std::string name_;
    std::atomic<std::int32_t> state_{kConstructed};
};
