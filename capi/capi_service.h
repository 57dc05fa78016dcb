#pragma once
// The host's CAPI side, endpoint 2061: a thread that owns a CapiHost, files
// the managers the jobs request, hands later messages to the manager their
// first job id names, and runs the host's pass on a 10 ms thread timer.
//
// Threads: Begin, HandleMessage, Pass and End run on the service's own thread
// once it is started (tests that do not start it call them directly on one
// thread). Everything else of CKvWinThread may be called from any thread.

#include "capi/capi_host.h"
#include "framework/win_thread.h"

#include <functional>
#include <memory>
#include <string>

class CapiService : public CKvWinThread {
public:
    static constexpr std::uint16_t kEndpoint = 2061;
    static constexpr UINT kPassTimer = 1;
    static constexpr UINT kPassIntervalMs = 10;
    // How long the end waits, on the clock, for the managers to end.
    static constexpr std::uint32_t kEndBoundMs = 5000;
    // The status text sent when CAPI cannot be used.
    static constexpr const char* kNoCapiText = "UIObjString_Status_ERROR_CAPIDLL_notinstalled";

    // The entry points stay the caller's and must outlive the service.
    CapiService(CKvMessageRouter* router, CapiEntryPoints* capi, std::uint16_t endpoint = kEndpoint);
    ~CapiService() override;

    // Starts the host, reports a failure to 2050 and files the service's
    // own tick manager. The host's start result.
    KvResult Begin();
    // Takes the message over.
    void HandleMessage(CKvMessage* message);
    void Pass() { host_.Pass(); }
    // SHUTDOWN to every manager, passes until all have ended or the bound has
    // passed, then the rest deleted and the application released.
    void End();

    CapiHost& GetHost() { return host_; }
    KvResult GetStartResult() const { return start_result_; }
    // Called between the passes of End instead of a 10 ms wait.
    void SetEndPassHook(std::function<void()> hook) { end_pass_hook_ = std::move(hook); }

protected:
    bool OnInitInstance() override;
    void OnExitInstance() override;
    KvResult OnRequest(CKvMessage* message) override;
    KvResult OnConfirmation(CKvMessage* message) override;
    KvResult OnInfo(CKvMessage* message) override;
    void OnTimer(UINT id) override;

private:
    static bool IsManagerType(std::int32_t payload_type);
    void FileRequestedManager(CKvMessage* request, CapiManagerBase* manager);
    void Prepare(CapiManagerBase& manager, std::uint32_t id);

    CapiHost host_;
    KvResult start_result_ = KV_OK;
    std::uint32_t value_counter_ = 0;
    bool begun_ = false;
    std::function<void()> end_pass_hook_;
};
