#include "platform/tapi/tapi_line_service.h"

#include <atomic>
#include <string_view>

namespace {

std::atomic<SimulatedTapi*>& InstalledService() {
    static std::atomic<SimulatedTapi*> service{nullptr};
    return service;
}

std::string_view TextOrEmpty(const char* text) {
    return text == nullptr ? std::string_view{} : std::string_view{text};
}

// Calls the installed service, or fails as TAPI does before initialisation.
template <typename Call> LONG Forward(Call&& call) {
    SimulatedTapi* service = GetSimulatedTapi();
    return service == nullptr ? LINEERR_UNINITIALIZED : call(*service);
}

} // namespace

SimulatedTapi* GetSimulatedTapi() {
    return InstalledService().load(std::memory_order_acquire);
}

void SetSimulatedTapi(SimulatedTapi* service) {
    InstalledService().store(service, std::memory_order_release);
}

LONG lineInitializeExA(HLINEAPP* line_app, const char* friendly_app_name, DWORD* num_devs,
                       DWORD* api_version, LineInitializeExParams* params) {
    return Forward([&](SimulatedTapi& service) {
        return service.InitializeEx(line_app, TextOrEmpty(friendly_app_name), num_devs, api_version,
                                    params);
    });
}

LONG lineShutdown(HLINEAPP line_app) {
    return Forward([&](SimulatedTapi& service) { return service.Shutdown(line_app); });
}

LONG lineGetMessage(HLINEAPP line_app, LineMessage* message, DWORD timeout_ms) {
    return Forward(
        [&](SimulatedTapi& service) { return service.GetMessage(line_app, message, timeout_ms); });
}

LONG lineGetCallInfoA(HCALL call, LineCallInfo* info) {
    return Forward([&](SimulatedTapi& service) { return service.GetCallInfo(call, info); });
}

LONG lineGetCallStatus(HCALL call, LineCallStatus* status) {
    return Forward([&](SimulatedTapi& service) { return service.GetCallStatus(call, status); });
}

LONG lineNegotiateAPIVersion(HLINEAPP line_app, DWORD device_id, DWORD api_low_version,
                             DWORD api_high_version, DWORD* api_version,
                             LineExtensionId* extension_id) {
    return Forward([&](SimulatedTapi& service) {
        return service.NegotiateApiVersion(line_app, device_id, api_low_version, api_high_version,
                                           api_version, extension_id);
    });
}

LONG lineGetDevCapsA(HLINEAPP line_app, DWORD device_id, DWORD api_version, DWORD extension_version,
                     LineDevCaps* caps) {
    return Forward([&](SimulatedTapi& service) {
        return service.GetDevCaps(line_app, device_id, api_version, extension_version, caps);
    });
}

LONG lineGetAddressCapsA(HLINEAPP line_app, DWORD device_id, DWORD address_id, DWORD api_version,
                         DWORD extension_version, LineAddressCaps* caps) {
    return Forward([&](SimulatedTapi& service) {
        return service.GetAddressCaps(line_app, device_id, address_id, api_version,
                                      extension_version, caps);
    });
}

LONG lineOpenA(HLINEAPP line_app, DWORD device_id, HLINE* line, DWORD api_version,
               DWORD extension_version, DWORD callback_instance, DWORD privileges,
               DWORD media_modes, const LineCallParams* call_params) {
    return Forward([&](SimulatedTapi& service) {
        return service.Open(line_app, device_id, line, api_version, extension_version,
                            callback_instance, privileges, media_modes, call_params);
    });
}

LONG lineClose(HLINE line) {
    return Forward([&](SimulatedTapi& service) { return service.Close(line); });
}

LONG lineMakeCallA(HLINE line, HCALL* call, const char* dest_address, DWORD country_code,
                   const LineCallParams* call_params) {
    return Forward([&](SimulatedTapi& service) {
        return service.MakeCall(line, call, TextOrEmpty(dest_address), country_code, call_params);
    });
}

LONG lineAnswer(HCALL call, const char*, DWORD) {
    return Forward([&](SimulatedTapi& service) { return service.Answer(call); });
}

LONG lineDrop(HCALL call, const char*, DWORD) {
    return Forward([&](SimulatedTapi& service) { return service.Drop(call); });
}

LONG lineHold(HCALL call) {
    return Forward([&](SimulatedTapi& service) { return service.Hold(call); });
}

LONG lineUnhold(HCALL call) {
    return Forward([&](SimulatedTapi& service) { return service.Unhold(call); });
}

LONG lineSwapHold(HCALL active_call, HCALL held_call) {
    return Forward(
        [&](SimulatedTapi& service) { return service.SwapHold(active_call, held_call); });
}

LONG lineCompleteTransfer(HCALL call, HCALL consult_call, HCALL* conf_call, DWORD transfer_mode) {
    return Forward([&](SimulatedTapi& service) {
        return service.CompleteTransfer(call, consult_call, conf_call, transfer_mode);
    });
}

LONG lineBlindTransferA(HCALL call, const char* dest_address, DWORD country_code) {
    return Forward([&](SimulatedTapi& service) {
        return service.BlindTransfer(call, TextOrEmpty(dest_address), country_code);
    });
}

LONG lineRedirectA(HCALL call, const char* dest_address, DWORD country_code) {
    return Forward([&](SimulatedTapi& service) {
        return service.Redirect(call, TextOrEmpty(dest_address), country_code);
    });
}

LONG lineRemoveFromConference(HCALL call) {
    return Forward([&](SimulatedTapi& service) { return service.RemoveFromConference(call); });
}

LONG lineDeallocateCall(HCALL call) {
    return Forward([&](SimulatedTapi& service) { return service.DeallocateCall(call); });
}
