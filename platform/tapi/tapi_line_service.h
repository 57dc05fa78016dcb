#pragma once
// The TAPI line functions, under their TAPI names. Each forwards to the
// SimulatedTapi installed for a scope (as ScopedClock installs a clock); with
// none installed every call fails with LINEERR_UNINITIALIZED, as TAPI's do
// before initialisation. Variable-size structures are the typed values of
// tapi_types.h. Translation, country and location information stay with the
// telephony-location stand-in (platform/telephony_location.h).

#include "platform/tapi/simulated_tapi.h"
#include "platform/tapi/tapi_types.h"
#include "platform/types.h"

// The service in use, or null. The service must outlive its installation
// and every call made while it is installed.
SimulatedTapi* GetSimulatedTapi();
void SetSimulatedTapi(SimulatedTapi* service);

class ScopedSimulatedTapi {
public:
    explicit ScopedSimulatedTapi(SimulatedTapi& service) { SetSimulatedTapi(&service); }
    ~ScopedSimulatedTapi() { SetSimulatedTapi(nullptr); }
    ScopedSimulatedTapi(const ScopedSimulatedTapi&) = delete;
    ScopedSimulatedTapi& operator=(const ScopedSimulatedTapi&) = delete;
};

// ---- What the owner of the line threads uses ----

// Event mode only (LINEINITIALIZEEXOPTION_USEEVENT): messages queue per
// application and params->message_hook says that some wait. api_version: in
// the highest version the application knows, out the service's highest.
LONG lineInitializeExA(HLINEAPP* line_app, const char* friendly_app_name, DWORD* num_devs,
                       DWORD* api_version, LineInitializeExParams* params);
LONG lineShutdown(HLINEAPP line_app);
// The next message; waits up to timeout_ms on the replaceable clock
// (KV_INFINITE: for ever), then LINEERR_OPERATIONFAILED.
LONG lineGetMessage(HLINEAPP line_app, LineMessage* message, DWORD timeout_ms);
LONG lineGetCallInfoA(HCALL call, LineCallInfo* info);
LONG lineGetCallStatus(HCALL call, LineCallStatus* status);

// ---- What a line thread uses ----

LONG lineNegotiateAPIVersion(HLINEAPP line_app, DWORD device_id, DWORD api_low_version,
                             DWORD api_high_version, DWORD* api_version,
                             LineExtensionId* extension_id);
LONG lineGetDevCapsA(HLINEAPP line_app, DWORD device_id, DWORD api_version, DWORD extension_version,
                     LineDevCaps* caps);
LONG lineGetAddressCapsA(HLINEAPP line_app, DWORD device_id, DWORD address_id, DWORD api_version,
                         DWORD extension_version, LineAddressCaps* caps);
LONG lineOpenA(HLINEAPP line_app, DWORD device_id, HLINE* line, DWORD api_version,
               DWORD extension_version, DWORD callback_instance, DWORD privileges,
               DWORD media_modes, const LineCallParams* call_params);
LONG lineClose(HLINE line);
// The new call's handle is written before the function returns; it is valid
// from the successful LINE_REPLY of the returned request id on.
LONG lineMakeCallA(HLINE line, HCALL* call, const char* dest_address, DWORD country_code,
                   const LineCallParams* call_params);
// User-user information is accepted and ignored.
LONG lineAnswer(HCALL call, const char* user_user_info, DWORD size);
LONG lineDrop(HCALL call, const char* user_user_info, DWORD size);
LONG lineHold(HCALL call);
LONG lineUnhold(HCALL call);
LONG lineSwapHold(HCALL active_call, HCALL held_call);
LONG lineCompleteTransfer(HCALL call, HCALL consult_call, HCALL* conf_call, DWORD transfer_mode);
LONG lineBlindTransferA(HCALL call, const char* dest_address, DWORD country_code);
LONG lineRedirectA(HCALL call, const char* dest_address, DWORD country_code);
LONG lineRemoveFromConference(HCALL call);
// Synchronous; refused (LINEERR_INVALCALLSTATE) for a call that is not IDLE.
LONG lineDeallocateCall(HCALL call);
