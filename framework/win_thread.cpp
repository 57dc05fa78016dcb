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
    : UiThread(auto_delete), end_state_(std::make_shared<CKvThreadEndState>(GetExitState())) {}

CKvWinThread::CKvWinThread(CKvMessageRouter* router, std::uint16_t endpoint_id, const char* name,
                           bool auto_delete)
    : UiThread(auto_delete), router_(router),
      end_state_(std::make_shared<CKvThreadEndState>(GetExitState())), endpoint_id_(endpoint_id),
      name_(IsValidPtr(name) ? name : "") {}

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
    if (!IsValidPtr(router_))
        return KV_E_INVALID_POINTER;
    // Once the quit is posted, an object that deletes itself may be gone.
    const std::shared_ptr<const CKvThreadEndState> end = end_state_;
    const bool stays = !IsAutoDelete();
    auto* message = new CKvMessage;
    message->SetHeader(KV_MSG_KIND_INFO, nullptr, 0, KV_MSG_COMMAND_QUIT, 0, 0);
    const std::uint32_t sequence = ++sequence_;
    const KvResult result =
        message->Send(endpoint_id_, endpoint_id_, router_, sequence, true, false);
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

bool CKvWinThread::OnInitInstance() {
    return true;
}

void CKvWinThread::OnExitInstance() {}

KvResult CKvWinThread::Dispatch(WPARAM kind, CKvMessage* message) {
    SetLastResult(KV_OK);
    if (!IsValidPtr(message)) {
        SetLastResult(KV_E_INVALID_POINTER);
        return KV_E_INVALID_POINTER;
    }
    if (!message->IsHeaderValid()) {
        // The thread owns what was posted to it; a refused message is not left
        // to leak.
        message->Release();
        SetLastResult(KV_E_FAIL);
        return KV_E_FAIL;
    }
    switch (static_cast<std::int32_t>(kind)) {
    case KV_MSG_KIND_REQUEST:
        if (message->GetCommand() == KV_MSG_COMMAND_QUIT) {
            CKvMessage* final_message = nullptr;
            message->CloneHeader(final_message);
            pending_final_messages_.push_back(final_message);
            return OnQuit(message);
        }
        if (message->GetCommand() == KV_MSG_COMMAND_ANSWER_AT_ONCE &&
            message->GetSourceJobId() == 0) {
            const KvResult result = message->SendConfirmation(endpoint_id_, router_, true);
            SetLastResult(result);
            return result;
        }
        return OnRequest(message);
    case KV_MSG_KIND_CONFIRMATION:
        return OnConfirmation(message);
    case KV_MSG_KIND_LOG:
        return OnLog(message);
    case KV_MSG_KIND_INFO:
        if (message->GetCommand() == KV_MSG_COMMAND_QUIT)
            return OnQuit(message);
        return OnInfo(message);
    case KV_MSG_KIND_SIGNAL:
        return OnSignal(message);
    default:
        message->Release();
        SetLastResult(KV_E_UNKNOWN_KIND);
        return KV_E_UNKNOWN_KIND;
    }
}

KvResult CKvWinThread::OnMessage(WPARAM kind, CKvMessage* message) {
    return Dispatch(kind, message);
}

KvResult CKvWinThread::OnRequest(CKvMessage* message) {
    return ReleaseUnhandled(message);
}

KvResult CKvWinThread::OnConfirmation(CKvMessage* message) {
    return ReleaseUnhandled(message);
}

KvResult CKvWinThread::OnInfo(CKvMessage* message) {
    return ReleaseUnhandled(message);
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

KvResult CKvWinThread::OnLog(CKvMessage* message) {
    return ReleaseUnhandled(message);
}

KvResult CKvWinThread::OnSignal(CKvMessage* message) {
    return ReleaseUnhandled(message);
}

bool CKvWinThread::OnStartHook() {
    return true;
}

void CKvWinThread::OnEndHook() {}

bool CKvWinThread::OnIdleHook(LONG) {
    return false;
}

void CKvWinThread::SetRouter(CKvMessageRouter* router, std::uint16_t endpoint_id) {
    router_ = router;
    endpoint_id_ = endpoint_id;
}

bool CKvWinThread::WaitStarted(DWORD timeout_ms) const {
    return started_event_.Wait(timeout_ms);
}

KvResult CKvWinThread::RegisterWindowAtRouter(std::uint16_t endpoint_id, HWND window,
                                              const char* name) {
    if (!IsValidPtr(router_))
        return KV_E_INVALID_POINTER;
    return router_->RegisterWindow(endpoint_id, window, name);
}

KvResult CKvWinThread::UnregisterAtRouter(std::uint16_t endpoint_id) {
    if (!IsValidPtr(router_))
        return KV_E_INVALID_POINTER;
    return router_->Unregister(endpoint_id);
}

bool CKvWinThread::InitInstance() {
    if (IsValidPtr(router_) && endpoint_id_ != 0)
        router_->RegisterThread(endpoint_id_, ::GetCurrentThreadId(), name_.c_str());
    if (!OnInitInstance())
        return false;
    SetState(kRunning);
    return true;
}

int CKvWinThread::ExitInstance() {
    OnExitInstance();
    if (IsValidPtr(router_)) {
        for (CKvMessage* message : pending_final_messages_)
            message->SendConfirmation(endpoint_id_, router_, true);
        pending_final_messages_.clear();
        if (endpoint_id_ != 0)
            router_->Unregister(endpoint_id_);
    }
    SetState(kEnded);
    end_state_->GetEndedEvent().Set();
    return UiThread::ExitInstance();
}

bool CKvWinThread::OnIdle(LONG count) {
    const bool base = UiThread::OnIdle(count);
    return OnIdleHook(count) || base;
}

bool CKvWinThread::PreTranslateMessage(ThreadMessage& message) {
    if (routing_enabled_ && endpoint_id_ != 0 && message.message == endpoint_id_) {
        Dispatch(message.wParam, reinterpret_cast<CKvMessage*>(message.lParam));
        return true;
    }
    return UiThread::PreTranslateMessage(message);
}

void CKvWinThread::OnDroppedMessage(const ThreadMessage& message) {
    auto* posted = reinterpret_cast<CKvMessage*>(message.lParam);
    if (message.window != nullptr || endpoint_id_ == 0 || message.message != endpoint_id_ ||
        !IsValidPtr(posted))
        return;
    // A quit request that arrived behind the quit is answered with the others
    // once the loop has ended.
    if (static_cast<std::int32_t>(message.wParam) == KV_MSG_KIND_REQUEST &&
        posted->GetCommand() == KV_MSG_COMMAND_QUIT) {
        CKvMessage* final_message = nullptr;
        posted->CloneHeader(final_message);
        pending_final_messages_.push_back(final_message);
    }
    posted->Release();
}

KvResult CKvWinThread::ReleaseUnhandled(CKvMessage* message) {
    if (IsValidPtr(message))
        message->Release();
    SetLastResult(KV_E_NOT_HANDLED);
    return KV_E_NOT_HANDLED;
}
