#include "framework/endpoint_thread.h"

#include "platform/pointer.h"
#include "platform/thread_messaging.h"

bool CKvEndpointThread::OnInitInstance() {
    return true;
}

void CKvEndpointThread::OnExitInstance() {}

KvResult CKvEndpointThread::Dispatch(WPARAM kind, CKvMessage* message) {
    SetLastResult(KV_OK);
    if (!IsValidPtr(message)) {
        SetLastResult(KV_E_INVALID_POINTER);
        return KV_E_INVALID_POINTER;
    }
    switch (static_cast<std::int32_t>(kind)) {
    case KV_MSG_KIND_REQUEST:
        if (message->GetCommand() == KV_MSG_COMMAND_QUIT)
            return OnQuitRequest(message);
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
        return OnSignalKind(message);
    default:
        return ReleaseUnhandled(message, KV_E_UNKNOWN_KIND);
    }
}

KvResult CKvEndpointThread::OnMessage(WPARAM kind, CKvMessage* message) {
    return Dispatch(kind, message);
}

KvResult CKvEndpointThread::OnRequest(CKvMessage* message) {
    return ReleaseUnhandled(message);
}

KvResult CKvEndpointThread::OnConfirmation(CKvMessage* message) {
    return ReleaseUnhandled(message);
}

KvResult CKvEndpointThread::OnInfo(CKvMessage* message) {
    return ReleaseUnhandled(message);
}

KvResult CKvEndpointThread::OnLog(CKvMessage* message) {
    return ReleaseUnhandled(message);
}

KvResult CKvEndpointThread::OnSignalKind(CKvMessage* message) {
    return ReleaseUnhandled(message, KV_E_UNKNOWN_KIND);
}

bool CKvEndpointThread::OnStartHook() {
    return true;
}

void CKvEndpointThread::OnEndHook() {}

bool CKvEndpointThread::OnIdleHook(LONG) {
    return false;
}

bool CKvEndpointThread::PreTranslateMessage(ThreadMessage& message) {
    if (routing_enabled_ && endpoint_id_ != 0 && message.message == endpoint_id_) {
        Dispatch(message.wParam, reinterpret_cast<CKvMessage*>(message.lParam));
        return true;
    }
    return UiThread::PreTranslateMessage(message);
}

bool CKvEndpointThread::StartInstance() {
    if (IsValidPtr(router_) && endpoint_id_ != 0)
        router_->RegisterThread(endpoint_id_, ::GetCurrentThreadId(), name_.c_str());
    if (!OnInitInstance())
        return false;
    SetState(kRunning);
    return true;
}

void CKvEndpointThread::EndInstance() {
    if (IsValidPtr(router_) && endpoint_id_ != 0)
        router_->Unregister(endpoint_id_);
    SetState(kEnded);
}

KvResult CKvEndpointThread::SendQuitToSelf() {
    auto* message = new CKvMessage;
    message->SetHeader(KV_MSG_KIND_INFO, nullptr, 0, KV_MSG_COMMAND_QUIT, 0, 0);
    const std::uint32_t sequence = ++sequence_;
    return message->Send(endpoint_id_, endpoint_id_, router_, sequence, true, false);
}

bool CKvEndpointThread::IsEndpointMessage(const ThreadMessage& message) const {
    return message.window == nullptr && endpoint_id_ != 0 && message.message == endpoint_id_ &&
           IsValidPtr(reinterpret_cast<CKvMessage*>(message.lParam));
}

void CKvEndpointThread::OnDroppedMessage(const ThreadMessage& message) {
    if (IsEndpointMessage(message))
        reinterpret_cast<CKvMessage*>(message.lParam)->Release();
}

KvResult CKvEndpointThread::ReleaseUnhandled(CKvMessage* message, KvResult result) {
    if (IsValidPtr(message))
        message->Release();
    SetLastResult(result);
    return result;
}
