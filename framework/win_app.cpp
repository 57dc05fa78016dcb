#include "framework/win_app.h"

#include "core/handle_table.h"
#include "platform/pointer.h"
#include "platform/thread_messaging.h"

CKvWinApp::CKvWinApp() : UiThread(false) {}

CKvWinApp::~CKvWinApp() {
    JoinThread();
}

KvResult CKvWinApp::Stop(DWORD timeout_ms) {
    SetLastResult(KV_OK);
    if (ended_event_.IsSet())
        return KV_OK;
    auto* message = new CKvMessage;
    message->SetHeader(KV_MSG_KIND_INFO, nullptr, 0, KV_MSG_COMMAND_QUIT, 0, 0);
    const std::uint32_t sequence = ++sequence_;
    const KvResult result =
        message->Send(endpoint_id_, endpoint_id_, &router_, sequence, true, false);
    SetLastResult(result);
    if (result != KV_OK)
        return result;
    // Thread priorities are left alone: an ordinary process cannot raise them.
    if (!ended_event_.Wait(timeout_ms)) {
        SetLastResult(KV_E_TIMEOUT);
        return KV_E_TIMEOUT;
    }
    return KV_OK;
}

bool CKvWinApp::OnInitInstance() {
    return true;
}

void CKvWinApp::OnExitInstance() {}

KvResult CKvWinApp::Dispatch(WPARAM kind, CKvMessage* message) {
    SetLastResult(KV_OK);
    if (!IsValidPtr(message)) {
        SetLastResult(KV_E_INVALID_POINTER);
        return KV_E_INVALID_POINTER;
    }
    switch (static_cast<std::int32_t>(kind)) {
    case KV_MSG_KIND_REQUEST:
        if (message->GetCommand() == KV_MSG_COMMAND_QUIT) {
            message->Release();
            PostQuitMessage(0);
            return KV_OK;
        }
        if (message->GetCommand() == KV_MSG_COMMAND_ANSWER_AT_ONCE &&
            message->GetSourceJobId() == 0) {
            const KvResult result = message->SendConfirmation(endpoint_id_, &router_, true);
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
    default:
        return ReleaseUnhandled(message, KV_E_UNKNOWN_KIND);
    }
}

KvResult CKvWinApp::OnMessage(WPARAM kind, CKvMessage* message) {
    return Dispatch(kind, message);
}

KvResult CKvWinApp::OnRequest(CKvMessage* message) {
    return ReleaseUnhandled(message, KV_E_NOT_HANDLED);
}

KvResult CKvWinApp::OnConfirmation(CKvMessage* message) {
    return ReleaseUnhandled(message, KV_E_NOT_HANDLED);
}

KvResult CKvWinApp::OnInfo(CKvMessage* message) {
    return ReleaseUnhandled(message, KV_E_NOT_HANDLED);
}

KvResult CKvWinApp::OnQuit(CKvMessage* message) {
    if (IsValidPtr(message))
        message->Release();
    PostQuitMessage(0);
    SetState(kQuitting);
    SetLastResult(KV_OK);
    return KV_OK;
}

KvResult CKvWinApp::OnLog(CKvMessage* message) {
    return ReleaseUnhandled(message, KV_E_NOT_HANDLED);
}

bool CKvWinApp::OnStartHook() {
    return true;
}

void CKvWinApp::OnEndHook() {}

bool CKvWinApp::OnIdleHook(LONG) {
    return false;
}

void CKvWinApp::SetEndpointId(std::uint16_t endpoint_id) {
    endpoint_id_ = endpoint_id;
}

bool CKvWinApp::PreTranslateMessage(ThreadMessage& message) {
    if (routing_enabled_ && endpoint_id_ != 0 && message.message == endpoint_id_) {
        Dispatch(message.wParam, reinterpret_cast<CKvMessage*>(message.lParam));
        return true;
    }
    return UiThread::PreTranslateMessage(message);
}

bool CKvWinApp::InitInstance() {
    router_.Init(&GetHandleTable());
    if (endpoint_id_ != 0)
        router_.RegisterThread(endpoint_id_, ::GetCurrentThreadId(), name_.c_str());
    if (!OnInitInstance())
        return false;
    SetState(kRunning);
    return true;
}

int CKvWinApp::ExitInstance() {
    OnExitInstance();
    if (endpoint_id_ != 0)
        router_.Unregister(endpoint_id_);
    SetState(kEnded);
    ended_event_.Set();
    return UiThread::ExitInstance();
}

bool CKvWinApp::OnIdle(LONG count) {
    // The application keeps one more idle pass than a plain thread, as the
    // original's application class does.
    const bool base = count < 1;
    return OnIdleHook(count) || base;
}

void CKvWinApp::OnDroppedMessage(const ThreadMessage& message) {
    auto* posted = reinterpret_cast<CKvMessage*>(message.lParam);
    if (message.window == nullptr && endpoint_id_ != 0 && message.message == endpoint_id_ &&
        IsValidPtr(posted))
        posted->Release();
}

KvResult CKvWinApp::ReleaseUnhandled(CKvMessage* message, KvResult result) {
    if (IsValidPtr(message))
        message->Release();
    SetLastResult(result);
    return result;
}
