#pragma once
// The base of every thread that takes part in messaging. It registers its
// endpoint with a router when it starts, catches the posted message whose
// number is its endpoint id, dispatches the message object to one handler per
// kind, and ends through a quit message (command 6).
//
// Threads: Stop, WaitStarted, IsEnded and WaitEnded may be called from any
// thread at any time; everything else runs on the object's own thread. An
// object made with auto-delete may be gone as soon as Stop has sent its quit:
// its owner takes GetEndState before Stop and waits on that, never on the
// object. A derived class whose members the thread uses calls JoinThread
// first in its destructor.

#include "core/timer_list.h"
#include "framework/message.h"
#include "framework/message_router.h"
#include "platform/result_codes.h"
#include "platform/sync.h"
#include "platform/types.h"
#include "platform/ui_thread.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The ended event and the end of the thread, shared by the thread and the
// owners that wait for it.
class CKvThreadEndState {
public:
    explicit CKvThreadEndState(std::shared_ptr<const ThreadExitState> exit)
        : exit_(std::move(exit)) {}

    // Set by ExitInstance; the thread has only its last steps left then.
    ManualResetEvent& GetEndedEvent() { return ended_event_; }
    const ManualResetEvent& GetEndedEvent() const { return ended_event_; }
    // True when the thread has run to its end.
    bool IsEnded() const;
    // Rounds of 0 count as 1; each waits up to the time-out for the ended
    // event and then for the thread's end.
    bool WaitEnded(std::uint32_t rounds, DWORD timeout_ms) const;

private:
    ManualResetEvent ended_event_;
    const std::shared_ptr<const ThreadExitState> exit_;
};

class CKvWinThread : public UiThread {
public:
    enum State : std::int32_t {
        kConstructed = 0,
        kRunning = 2,
        kQuitting = 3,
        kEnded = 4,
    };

    explicit CKvWinThread(bool auto_delete);
    // An invalid name gives an empty name.
    CKvWinThread(CKvMessageRouter* router, std::uint16_t endpoint_id, const char* name,
                 bool auto_delete);
    // Waits for a running thread to end, then releases the pending quit
    // requests that were never answered.
    ~CKvWinThread() override;

    // Asks the thread to quit with an INFO of command 6 to its own endpoint
    // and, with a time-out, waits for it to end. KV_E_ALREADY_STOPPING when it
    // is quitting or ended; KV_OK when it has ended already; KV_E_TIMEOUT.
    // Once the quit is sent, an auto-delete object is not touched again (its
    // last result keeps the sending's outcome only when it stays).
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
    virtual KvResult OnSignal(CKvMessage* message);
    // Hooks for derived classes; the base class does not call them.
    virtual bool OnStartHook();
    virtual void OnEndHook();
    // True keeps the idle passes going.
    virtual bool OnIdleHook(LONG count);
    virtual void SetRouter(CKvMessageRouter* router, std::uint16_t endpoint_id);

    void SetName(const std::string& name) { name_ = name; }
    const std::string& GetName() const { return name_; }
    CKvMessageRouter* GetRouter() const { return router_; }
    std::uint16_t GetEndpointId() const { return endpoint_id_; }
    std::int32_t GetState() const { return state_.load(std::memory_order_acquire); }
    KvResult GetLastResult() const { return last_result_.load(std::memory_order_acquire); }

    // Set by a derived class when it is ready.
    ManualResetEvent& GetStartedEvent() { return started_event_; }
    ManualResetEvent& GetEndedEvent() { return end_state_->GetEndedEvent(); }
    bool WaitStarted(DWORD timeout_ms) const;
    bool IsEnded() const { return end_state_->IsEnded(); }
    bool WaitEnded(std::uint32_t rounds, DWORD timeout_ms) const {
        return end_state_->WaitEnded(rounds, timeout_ms);
    }
    // What an owner keeps to wait for the end without holding the object.
    std::shared_ptr<const CKvThreadEndState> GetEndState() const { return end_state_; }

    // Registration of a window endpoint on this thread's router.
    KvResult RegisterWindowAtRouter(std::uint16_t endpoint_id, HWND window, const char* name);
    KvResult UnregisterAtRouter(std::uint16_t endpoint_id);

protected:
    bool InitInstance() override;
    int ExitInstance() override;
    bool OnIdle(LONG count) override;
    bool PreTranslateMessage(ThreadMessage& message) override;
    // A message for this endpoint that will not be dispatched is released; a
    // quit request among them is still answered when the loop has ended.
    void OnDroppedMessage(const ThreadMessage& message) override;

    // Releases the message and records the result of an unhandled kind.
    KvResult ReleaseUnhandled(CKvMessage* message);
    void SetLastResult(KvResult result) { last_result_.store(result, std::memory_order_release); }
    void SetState(State state) { state_.store(state, std::memory_order_release); }

    // 0 until the derived class's constructor sets it; while 0 nothing is
    // routed.
    bool routing_enabled_ = false;
    std::string second_text_;
    ManualResetEvent third_event_;
    TimerList timers_;
    std::uint16_t spare_number_ = 2140;

private:
    CKvMessageRouter* router_ = nullptr;
    std::atomic<std::uint32_t> sequence_{0};
    std::atomic<KvResult> last_result_{KV_OK};
    ManualResetEvent started_event_;
    const std::shared_ptr<CKvThreadEndState> end_state_;
    std::uint16_t endpoint_id_ = 0;
    std::string name_;
    std::atomic<std::int32_t> state_{kConstructed};
    // Header-only copies of the REQUESTs that asked the thread to quit; each
    // is answered when the loop has ended.
    std::vector<CKvMessage*> pending_final_messages_;
};
