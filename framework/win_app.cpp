#include "framework/win_app.h"

#include "core/handle_table.h"
#include "platform/pointer.h"
#include "platform/thread_messaging.h"

// The router is a member: the base is handed its address, which is fixed
// before the router is constructed.
CKvWinApp::CKvWinApp() : CKvEndpointThread(false, &router_, 0, std::string()) {}

CKvWinApp::~CKvWinApp() {
    JoinThread();
}

KvResult CKvWinApp::Stop(DWORD timeout_ms) {
    SetLastResult(KV_OK);
    if (ended_event_.IsSet())
        return KV_OK;
    const KvResult result = SendQuitToSelf();
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

KvResult CKvWinApp::OnQuitRequest(CKvMessage* message) {
    message->Release();
    PostQuitMessage(0);
    return KV_OK;
}

KvResult CKvWinApp::OnQuit(CKvMessage* message) {
    if (IsValidPtr(message))
        message->Release();
    PostQuitMessage(0);
    SetState(kQuitting);
    SetLastResult(KV_OK);
    return KV_OK;
}

void CKvWinApp::SetEndpointId(std::uint16_t endpoint_id) {
    SetRouterAndEndpoint(&router_, endpoint_id);
}

bool CKvWinApp::InitInstance() {
    router_.Init(&GetHandleTable());
    return StartInstance();
}

int CKvWinApp::ExitInstance() {
    OnExitInstance();
    EndInstance();
    ended_event_.Set();
    return UiThread::ExitInstance();
}

bool CKvWinApp::OnIdle(LONG count) {
    // The application keeps one more idle pass than a plain thread, as the
    // original's application class does.
    const bool base = count < 1;
    return OnIdleHook(count) || base;
}
