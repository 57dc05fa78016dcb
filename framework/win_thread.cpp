#include "framework/win_thread.h"

#include "platform/pointer.h"
#include "platform/thread_messaging.h"

namespace {

// After the ended event, the thread has only its last steps left to run.
constexpr DWORD kEndAfterEndedEventMs = 10;

} // namespace

bool CKvThreadEndState::IsEnded() const {
    return exit_->GetExitCode() != KV_STILL_ACTIVE;
}

bool CKvThreadEndState::WaitEnded(std::uint32_t rounds, DWORD timeout_ms) const {
    if (rounds == 0)
        rounds = 1;
    for (std::uint32_t round = 0; round < rounds; ++round) {
        if (!ended_event_.Wait(timeout_ms))
            continue;
        if (exit_->Wait(kEndAfterEndedEventMs) && IsEnded())
            return true;
    }
    return false;
}

CKvWinThread::CKvWinThread(bool auto_delete)
    : CKvEndpointThread(auto_delete, nullptr, 0, std::string()),
      end_state_(std::make_shared<CKvThreadEndState>(GetExitState())) {}

CKvWinThread::CKvWinThread(CKvMessageRouter* router, std::uint16_t endpoint_id, const char* name,
                           bool auto_delete)
    : CKvEndpointThread(auto_delete, router, endpoint_id, IsValidPtr(name) ? name : ""),
      end_state_(std::make_shared<CKvThreadEndState>(GetExitState())) {}

CKvWinThread::~CKvWinThread() {
    JoinThread();
    for (CKvMessage* message : pending_final_messages_)
        message->Release();
}

KvResult CKvWinThread::Stop(DWORD timeout_ms) {
    SetLastResult(KV_OK);
    const std::int32_t state = GetState();
    if (state == kQuitting || state == kEnded)
        return KV_E_ALREADY_STOPPING;
    if (end_state_->GetEndedEvent().IsSet())
        return KV_OK;
    if (!IsValidPtr(GetRouter()))
        return KV_E_INVALID_POINTER;
    // Once the quit is posted, an object that deletes itself may be gone.
    const std::shared_ptr<const CKvThreadEndState> end = end_state_;
    const bool stays = !IsAutoDelete();
    const KvResult result = SendQuitToSelf();
    if (result != KV_OK) {
        SetLastResult(result);
        return result;
    }
    if (timeout_ms == 0)
        return KV_OK;
    if (!end->GetEndedEvent().Wait(timeout_ms)) {
        if (stays)
            SetLastResult(KV_E_TIMEOUT);
        return KV_E_TIMEOUT;
    }
    return KV_OK;
}

KvResult CKvWinThread::Dispatch(WPARAM kind, CKvMessage* message) {
    if (IsValidPtr(message) && !message->IsHeaderValid()) {
        // The thread owns what was posted to it; a refused message is not left
        // to leak.
        return ReleaseUnhandled(message, KV_E_FAIL);
    }
    return CKvEndpointThread::Dispatch(kind, message);
}

KvResult CKvWinThread::OnQuitRequest(CKvMessage* message) {
    KeepQuitRequest(*message);
    return OnQuit(message);
}

KvResult CKvWinThread::OnQuit(CKvMessage* message) {
    if (IsValidPtr(message))
        message->Release();
    if (GetState() != kQuitting) {
        PostQuitMessage(0);
        SetState(kQuitting);
    }
    SetLastResult(KV_OK);
    return KV_OK;
}

KvResult CKvWinThread::OnSignal(CKvMessage* message) {
    return ReleaseUnhandled(message);
}

void CKvWinThread::SetRouter(CKvMessageRouter* router, std::uint16_t endpoint_id) {
    SetRouterAndEndpoint(router, endpoint_id);
}

bool CKvWinThread::WaitStarted(DWORD timeout_ms) const {
    return started_event_.Wait(timeout_ms);
}

KvResult CKvWinThread::RegisterWindowAtRouter(std::uint16_t endpoint_id, HWND window,
                                              const char* name) {
    if (!IsValidPtr(GetRouter()))
        return KV_E_INVALID_POINTER;
    return GetRouter()->RegisterWindow(endpoint_id, window, name);
}

KvResult CKvWinThread::UnregisterAtRouter(std::uint16_t endpoint_id) {
    if (!IsValidPtr(GetRouter()))
        return KV_E_INVALID_POINTER;
    return GetRouter()->Unregister(endpoint_id);
}

bool CKvWinThread::InitInstance() {
    return StartInstance();
}

int CKvWinThread::ExitInstance() {
    OnExitInstance();
    if (IsValidPtr(GetRouter())) {
        for (CKvMessage* message : pending_final_messages_)
            message->SendConfirmation(GetEndpointId(), GetRouter(), true);
        pending_final_messages_.clear();
    }
    EndInstance();
    end_state_->GetEndedEvent().Set();
    return UiThread::ExitInstance();
}

bool CKvWinThread::OnIdle(LONG count) {
    const bool base = UiThread::OnIdle(count);
    return OnIdleHook(count) || base;
}

void CKvWinThread::OnDroppedMessage(const ThreadMessage& message) {
    if (!IsEndpointMessage(message))
        return;
    auto* posted = reinterpret_cast<CKvMessage*>(message.lParam);
    // A quit request that arrived behind the quit is answered with the others
    // once the loop has ended.
    if (static_cast<std::int32_t>(message.wParam) == KV_MSG_KIND_REQUEST &&
        posted->GetCommand() == KV_MSG_COMMAND_QUIT)
        KeepQuitRequest(*posted);
    posted->Release();
}

void CKvWinThread::KeepQuitRequest(const CKvMessage& request) {
    CKvMessage* final_message = nullptr;
    request.CloneHeader(final_message);
    pending_final_messages_.push_back(final_message);
}
