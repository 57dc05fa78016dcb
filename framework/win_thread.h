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
#include "framework/endpoint_thread.h"
#include "framework/message.h"
#include "framework/message_router.h"
#include "platform/result_codes.h"
#include "platform/sync.h"
#include "platform/types.h"

#include <cstdint>
#include <memory>
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

class CKvWinThread : public CKvEndpointThread {
public:
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
    // A message whose header is out of range is refused with KV_E_FAIL.
    KvResult Dispatch(WPARAM kind, CKvMessage* message) override;
    KvResult OnQuit(CKvMessage* message) override;
    virtual KvResult OnSignal(CKvMessage* message);
    virtual void SetRouter(CKvMessageRouter* router, std::uint16_t endpoint_id);

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
    KvResult OnQuitRequest(CKvMessage* message) override;
    KvResult OnSignalKind(CKvMessage* message) override { return OnSignal(message); }
    // A message for this endpoint that will not be dispatched is released; a
    // quit request among them is still answered when the loop has ended.
    void OnDroppedMessage(const ThreadMessage& message) override;

    ManualResetEvent third_event_;
    TimerList timers_;
    std::uint16_t spare_number_ = 2140;

private:
    // Keeps a header-only copy of a REQUEST that asked the thread to quit.
    void KeepQuitRequest(const CKvMessage& request);

    ManualResetEvent started_event_;
    const std::shared_ptr<CKvThreadEndState> end_state_;
    // Header-only copies of the REQUESTs that asked the thread to quit; each
    // is answered when the loop has ended.
    std::vector<CKvMessage*> pending_final_messages_;
};
