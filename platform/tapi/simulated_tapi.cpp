#include "platform/tapi/simulated_tapi.h"

#include "platform/clock.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace {

constexpr DWORD kHeldStates =
    LINECALLSTATE_ONHOLD | LINECALLSTATE_ONHOLDPENDCONF | LINECALLSTATE_ONHOLDPENDTRANSFER;
constexpr DWORD kPlacingStates =
    LINECALLSTATE_DIALING | LINECALLSTATE_PROCEEDING | LINECALLSTATE_RINGBACK;
constexpr DWORD kOfferedStates = LINECALLSTATE_OFFERING | LINECALLSTATE_ACCEPTED;
constexpr DWORD kAllStates = 0xFFFFFFFFu;

// A waiting owner looks at the replaceable clock this often, so that a
// manual clock moved by a test ends its wait.
constexpr std::chrono::milliseconds kWaitSlice{2};

constexpr std::string_view kFunctionNames[kTapiFunctionCount] = {
    "lineNegotiateAPIVersion",
    "lineGetDevCapsA",
    "lineGetAddressCapsA",
    "lineOpenA",
    "lineClose",
    "lineMakeCallA",
    "lineAnswer",
    "lineDrop",
    "lineHold",
    "lineUnhold",
    "lineSwapHold",
    "lineCompleteTransfer",
    "lineBlindTransferA",
    "lineRedirectA",
    "lineRemoveFromConference",
    "lineDeallocateCall",
};

// The states in which a call may be the (first) call of a request.
DWORD AllowedStates(TapiFunction function) {
    switch (function) {
    case TapiFunction::kAnswer:
    case TapiFunction::kRedirect:
        return kOfferedStates;
    case TapiFunction::kDrop:
        return kAllStates & ~LINECALLSTATE_IDLE;
    case TapiFunction::kHold:
    case TapiFunction::kBlindTransfer:
    case TapiFunction::kSwapHold:
        return LINECALLSTATE_CONNECTED;
    case TapiFunction::kUnhold:
        return kHeldStates;
    case TapiFunction::kRemoveFromConference:
        return LINECALLSTATE_CONFERENCED;
    case TapiFunction::kCompleteTransfer:
        return LINECALLSTATE_CONNECTED | kHeldStates;
    default:
        return kAllStates;
    }
}

// One of the two calls of a transfer or conference is active, the other held.
bool IsTransferPair(DWORD first_state, DWORD second_state) {
    return (first_state == LINECALLSTATE_CONNECTED && (second_state & kHeldStates) != 0) ||
           (second_state == LINECALLSTATE_CONNECTED && (first_state & kHeldStates) != 0);
}

bool IsTapiError(LONG result) {
    return result < 0;
}

} // namespace

std::string_view TapiFunctionName(TapiFunction function) {
    const auto index = static_cast<std::size_t>(function);
    return index < kTapiFunctionCount ? kFunctionNames[index] : std::string_view{};
}

SimulatedTapi::SimulatedTapi() = default;
SimulatedTapi::~SimulatedTapi() = default;

// ---- Script ----

void SimulatedTapi::AddDevice(const SimulatedLineDevice& device) {
    std::lock_guard lock(mutex_);
    Device& entry = devices_[device.device_id];
    entry.script = device;
    entry.address_caps_calls = 0;
    entry.open_calls = 0;
}

void SimulatedTapi::SetReplyPolicy(DWORD device_id, TapiFunction function,
                                   const ReplyPolicy& policy) {
    std::lock_guard lock(mutex_);
    if (Device* device = FindDevice(device_id))
        device->policies[static_cast<std::size_t>(function)] = policy;
}

void SimulatedTapi::SetStateCallFeatures(DWORD device_id, DWORD call_state, DWORD features) {
    std::lock_guard lock(mutex_);
    if (Device* device = FindDevice(device_id))
        device->state_features[call_state] = features;
}

void SimulatedTapi::SetRequestIds(std::vector<DWORD> ids) {
    std::lock_guard lock(mutex_);
    scripted_ids_.assign(ids.begin(), ids.end());
}

DWORD SimulatedTapi::DefaultCallFeatures(DWORD call_state) {
    switch (call_state) {
    case LINECALLSTATE_OFFERING:
        return LINECALLFEATURE_ACCEPT | LINECALLFEATURE_ANSWER | LINECALLFEATURE_DROP |
               LINECALLFEATURE_REDIRECT;
    case LINECALLSTATE_ACCEPTED:
        return LINECALLFEATURE_ANSWER | LINECALLFEATURE_DROP | LINECALLFEATURE_REDIRECT;
    case LINECALLSTATE_DIALTONE:
        return LINECALLFEATURE_DIAL | LINECALLFEATURE_DROP;
    case LINECALLSTATE_DIALING:
    case LINECALLSTATE_RINGBACK:
    case LINECALLSTATE_BUSY:
    case LINECALLSTATE_SPECIALINFO:
    case LINECALLSTATE_PROCEEDING:
    case LINECALLSTATE_DISCONNECTED:
        return LINECALLFEATURE_DROP;
    case LINECALLSTATE_CONNECTED:
        return LINECALLFEATURE_BLINDTRANSFER | LINECALLFEATURE_COMPLETETRANSF |
               LINECALLFEATURE_DROP | LINECALLFEATURE_HOLD | LINECALLFEATURE_SWAPHOLD;
    case LINECALLSTATE_ONHOLD:
    case LINECALLSTATE_ONHOLDPENDTRANSFER:
        return LINECALLFEATURE_COMPLETETRANSF | LINECALLFEATURE_DROP | LINECALLFEATURE_SWAPHOLD |
               LINECALLFEATURE_UNHOLD;
    case LINECALLSTATE_ONHOLDPENDCONF:
        return LINECALLFEATURE_DROP | LINECALLFEATURE_UNHOLD;
    case LINECALLSTATE_CONFERENCED:
        return LINECALLFEATURE_DROP | LINECALLFEATURE_REMOVEFROMCONF;
    default:
        return 0;
    }
}

HCALL SimulatedTapi::OfferCall(DWORD device_id, std::string_view caller_id,
                               std::string_view called_id, DWORD origin) {
    HookList hooks;
    HCALL handle = 0;
    {
        std::lock_guard lock(mutex_);
        const auto line = std::find_if(lines_.begin(), lines_.end(), [&](const auto& entry) {
            return entry.second.device_id == device_id && entry.second.takes_offers;
        });
        if (line == lines_.end())
            return 0;
        handle = NewHandle();
        Call& call = calls_[handle];
        call.line = line->first;
        call.valid = true;
        call.origin = origin;
        call.caller_id = caller_id;
        call.called_id = called_id;
        SetCallState(handle, call, LINECALLSTATE_OFFERING, LINEOFFERINGMODE_ACTIVE, hooks);
    }
    CallHooks(hooks);
    return handle;
}

LONG SimulatedTapi::FarEndAction(HCALL handle, DWORD allowed_states, DWORD state, DWORD mode) {
    HookList hooks;
    {
        std::lock_guard lock(mutex_);
        Call* call = FindValidCall(handle);
        if (call == nullptr)
            return LINEERR_INVALCALLHANDLE;
        if ((call->state & allowed_states) == 0)
            return LINEERR_INVALCALLSTATE;
        SetCallState(handle, *call, state, mode, hooks);
    }
    CallHooks(hooks);
    return 0;
}

LONG SimulatedTapi::FarEndAnswer(HCALL call) {
    return FarEndAction(call, kPlacingStates, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
}

LONG SimulatedTapi::FarEndBusy(HCALL call) {
    return FarEndAction(call, kPlacingStates, LINECALLSTATE_BUSY, LINEBUSYMODE_STATION);
}

LONG SimulatedTapi::FarEndHangUp(HCALL call) {
    return FarEndAction(call, kAllStates & ~(LINECALLSTATE_IDLE | LINECALLSTATE_DISCONNECTED),
                        LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL);
}

LONG SimulatedTapi::SetCallIds(HCALL handle, std::string_view caller_id,
                               std::string_view called_id) {
    HookList hooks;
    {
        std::lock_guard lock(mutex_);
        Call* call = FindValidCall(handle);
        if (call == nullptr)
            return LINEERR_INVALCALLHANDLE;
        DWORD changed = 0;
        if (call->caller_id != caller_id)
            changed |= LINECALLINFOSTATE_CALLERID;
        if (call->called_id != called_id)
            changed |= LINECALLINFOSTATE_CALLEDID;
        call->caller_id = caller_id;
        call->called_id = called_id;
        if (changed != 0)
            Queue(call->line,
                  LineMessage{.device = handle, .message_id = LINE_CALLINFO, .param1 = changed},
                  hooks);
    }
    CallHooks(hooks);
    return 0;
}

std::vector<TapiRequestRecord> SimulatedTapi::GetRequestLog() const {
    std::lock_guard lock(mutex_);
    return log_;
}

void SimulatedTapi::ClearRequestLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
}

std::size_t SimulatedTapi::ReleaseDueReplies() {
    HookList hooks;
    std::size_t released = 0;
    {
        std::lock_guard lock(mutex_);
        released = ReleaseDueLocked(hooks);
    }
    CallHooks(hooks);
    return released;
}

std::size_t SimulatedTapi::GetWaitingReplyCount() const {
    std::lock_guard lock(mutex_);
    return waiting_.size();
}

// ---- Application ----

LONG SimulatedTapi::InitializeEx(HLINEAPP* line_app, std::string_view, DWORD* num_devs,
                                 DWORD* api_version, LineInitializeExParams* params) {
    if (line_app == nullptr || num_devs == nullptr || api_version == nullptr || params == nullptr)
        return LINEERR_INVALPOINTER;
    if (params->options != LINEINITIALIZEEXOPTION_USEEVENT)
        return LINEERR_INVALPARAM;
    std::lock_guard lock(mutex_);
    const HLINEAPP handle = NewHandle();
    apps_[handle].hook = params->message_hook;
    *line_app = handle;
    *num_devs = static_cast<DWORD>(devices_.size());
    *api_version = kApiVersion;
    return 0;
}

LONG SimulatedTapi::Shutdown(HLINEAPP line_app) {
    HookList hooks;
    {
        std::lock_guard lock(mutex_);
        if (const LONG checked = CheckApp(line_app); checked != 0)
            return checked;
        std::vector<HLINE> own_lines;
        for (const auto& [handle, line] : lines_)
            if (line.app == line_app)
                own_lines.push_back(handle);
        for (const HLINE handle : own_lines)
            CloseLineLocked(handle, false, hooks);
        apps_.erase(line_app);
    }
    // Owners waiting in lineGetMessage learn that the application is gone.
    messages_queued_.notify_all();
    return 0;
}

LONG SimulatedTapi::GetMessage(HLINEAPP line_app, LineMessage* message, DWORD timeout_ms) {
    if (message == nullptr)
        return LINEERR_INVALPOINTER;
    const std::uint32_t start = GetClock().TickMs();
    std::unique_lock lock(mutex_);
    for (;;) {
        HookList hooks;
        ReleaseDueLocked(hooks);
        const auto app = apps_.find(line_app);
        if (app == apps_.end())
            return LINEERR_INVALAPPHANDLE;
        if (!app->second.queue.empty()) {
            *message = app->second.queue.front();
            app->second.queue.pop_front();
            hooks.erase(line_app);
            lock.unlock();
            CallHooks(hooks);
            return 0;
        }
        if (!hooks.empty()) {
            lock.unlock();
            CallHooks(hooks);
            lock.lock();
            continue;
        }
        const auto elapsed = static_cast<std::int32_t>(GetClock().TickMs() - start);
        if (timeout_ms != KV_INFINITE &&
            (timeout_ms == 0 || elapsed < 0 || static_cast<DWORD>(elapsed) >= timeout_ms))
            return LINEERR_OPERATIONFAILED;
        messages_queued_.wait_for(lock, kWaitSlice);
    }
}

// ---- Devices and lines ----

LONG SimulatedTapi::NegotiateApiVersion(HLINEAPP line_app, DWORD device_id, DWORD api_low,
                                        DWORD api_high, DWORD* api_version,
                                        LineExtensionId* extension_id) {
    std::lock_guard lock(mutex_);
    LONG result = CheckApp(line_app);
    const Device* device = FindDevice(device_id);
    if (result == 0 && (api_version == nullptr || extension_id == nullptr))
        result = LINEERR_INVALPOINTER;
    else if (result == 0 && device == nullptr)
        result = LINEERR_BADDEVICEID;
    if (result == 0) {
        const DWORD low = std::max(api_low, device->script.api_version_low);
        const DWORD high = std::min(api_high, device->script.api_version_high);
        if (api_low > api_high || low > high) {
            result = LINEERR_INCOMPATIBLEAPIVERSION;
        } else {
            *api_version = high;
            *extension_id = LineExtensionId{};
        }
    }
    Log({.function = TapiFunction::kNegotiateApiVersion, .result = result, .device_id = device_id});
    return result;
}

LONG SimulatedTapi::GetDevCaps(HLINEAPP line_app, DWORD device_id, DWORD api_version,
                               DWORD extension_version, LineDevCaps* caps) {
    std::lock_guard lock(mutex_);
    const Device* device = FindDevice(device_id);
    const LONG result = CheckDeviceCall(line_app, caps, device, api_version, extension_version);
    if (result == 0) {
        caps->line_name = device->script.name;
        caps->string_format = device->script.string_format;
        caps->line_features = device->script.line_features;
        caps->num_addresses = device->script.num_addresses;
    }
    Log({.function = TapiFunction::kGetDevCaps, .result = result, .device_id = device_id});
    return result;
}

LONG SimulatedTapi::GetAddressCaps(HLINEAPP line_app, DWORD device_id, DWORD address_id,
                                   DWORD api_version, DWORD extension_version,
                                   LineAddressCaps* caps) {
    std::lock_guard lock(mutex_);
    Device* device = FindDevice(device_id);
    LONG result = CheckDeviceCall(line_app, caps, device, api_version, extension_version);
    if (result == 0 && address_id >= device->script.num_addresses)
        result = LINEERR_INVALADDRESSID;
    else if (result == 0 && device->address_caps_calls++ < device->script.address_caps_failures)
        result = LINEERR_RESOURCEUNAVAIL;
    if (result == 0)
        caps->call_features = device->script.address_call_features;
    Log({.function = TapiFunction::kGetAddressCaps, .result = result, .device_id = device_id});
    return result;
}

LONG SimulatedTapi::Open(HLINEAPP line_app, DWORD device_id, HLINE* line, DWORD api_version,
                         DWORD extension_version, DWORD callback_instance, DWORD privileges, DWORD,
                         const LineCallParams* params) {
    HookList hooks;
    LONG result = 0;
    {
        std::lock_guard lock(mutex_);
        Device* device = FindDevice(device_id);
        result = CheckDeviceCall(line_app, line, device, api_version, extension_version);
        const DWORD known_privileges =
            LINECALLPRIVILEGE_NONE | LINECALLPRIVILEGE_MONITOR | LINECALLPRIVILEGE_OWNER;
        if (result == 0 &&
            (privileges == 0 || (privileges & ~known_privileges) != 0 ||
             ((privileges & LINECALLPRIVILEGE_NONE) != 0 && privileges != LINECALLPRIVILEGE_NONE)))
            result = LINEERR_INVALPRIVSELECT;
        else if (result == 0 && device->open_calls++ < device->script.open_failures)
            result = LINEERR_RESOURCEUNAVAIL;
        HLINE handle = 0;
        if (result == 0) {
            handle = NewHandle();
            Line& entry = lines_[handle];
            entry.app = line_app;
            entry.device_id = device_id;
            entry.callback_instance = callback_instance;
            entry.privilege = (privileges & LINECALLPRIVILEGE_OWNER) != 0
                                  ? LINECALLPRIVILEGE_OWNER
                                  : LINECALLPRIVILEGE_MONITOR;
            entry.takes_offers = privileges != LINECALLPRIVILEGE_NONE;
            *line = handle;
            Queue(handle,
                  LineMessage{.device = handle,
                              .message_id = LINE_LINEDEVSTATE,
                              .param1 = LINEDEVSTATE_OPEN},
                  hooks);
        }
        TapiRequestRecord record{.function = TapiFunction::kOpen,
                                 .result = result,
                                 .device_id = device_id,
                                 .hline = handle,
                                 .mode = privileges};
        if (params != nullptr)
            record.call_params = *params;
        Log(std::move(record));
    }
    CallHooks(hooks);
    return result;
}

LONG SimulatedTapi::Close(HLINE line) {
    HookList hooks;
    LONG result = 0;
    {
        std::lock_guard lock(mutex_);
        const auto entry = lines_.find(line);
        DWORD device_id = 0;
        if (entry == lines_.end()) {
            result = LINEERR_INVALLINEHANDLE;
        } else {
            device_id = entry->second.device_id;
            CloseLineLocked(line, true, hooks);
        }
        Log({.function = TapiFunction::kClose,
             .result = result,
             .device_id = device_id,
             .hline = line});
    }
    CallHooks(hooks);
    return result;
}

// ---- Calls ----

LONG SimulatedTapi::MakeCall(HLINE line, HCALL* call, std::string_view address, DWORD,
                             const LineCallParams* params) {
    HookList hooks;
    LONG result = 0;
    {
        std::lock_guard lock(mutex_);
        const auto entry = lines_.find(line);
        HCALL handle = 0;
        if (entry == lines_.end())
            result = LINEERR_INVALLINEHANDLE;
        else if (call == nullptr)
            result = LINEERR_INVALPOINTER;
        else if (address.empty())
            result = LINEERR_INVALADDRESS;
        if (result == 0) {
            handle = NewHandle();
            Call& created = calls_[handle];
            created.line = line;
            created.origin = LINECALLORIGIN_OUTBOUND;
            created.privilege = LINECALLPRIVILEGE_OWNER;
            created.called_id = address;
            result = StartRequest(
                {.function = TapiFunction::kMakeCall, .line = line, .new_call = handle}, hooks);
            if (IsTapiError(result))
                EraseCall(handle);
            else
                *call = handle;
        }
        TapiRequestRecord record{.function = TapiFunction::kMakeCall,
                                 .result = result,
                                 .hline = line,
                                 .hcall = handle,
                                 .address = std::string(address)};
        if (entry != lines_.end())
            record.device_id = entry->second.device_id;
        if (params != nullptr)
            record.call_params = *params;
        Log(std::move(record));
    }
    CallHooks(hooks);
    return result;
}

LONG SimulatedTapi::CallRequest(TapiFunction function, HCALL handle, std::string_view address) {
    HookList hooks;
    LONG result = 0;
    {
        std::lock_guard lock(mutex_);
        const Call* call = FindValidCall(handle);
        TapiRequestRecord record{
            .function = function, .hcall = handle, .address = std::string(address)};
        if (call == nullptr)
            result = LINEERR_INVALCALLHANDLE;
        else if ((call->state & AllowedStates(function)) == 0)
            result = LINEERR_INVALCALLSTATE;
        else if ((function == TapiFunction::kBlindTransfer ||
                  function == TapiFunction::kRedirect) &&
                 address.empty())
            result = LINEERR_INVALADDRESS;
        if (call != nullptr) {
            record.hline = call->line;
            record.device_id = lines_.at(call->line).device_id;
        }
        if (result == 0)
            result =
                StartRequest({.function = function, .line = call->line, .call = handle}, hooks);
        record.result = result;
        Log(std::move(record));
    }
    CallHooks(hooks);
    return result;
}

LONG SimulatedTapi::Answer(HCALL call) {
    return CallRequest(TapiFunction::kAnswer, call);
}

LONG SimulatedTapi::Drop(HCALL call) {
    return CallRequest(TapiFunction::kDrop, call);
}

LONG SimulatedTapi::Hold(HCALL call) {
    return CallRequest(TapiFunction::kHold, call);
}

LONG SimulatedTapi::Unhold(HCALL call) {
    return CallRequest(TapiFunction::kUnhold, call);
}

LONG SimulatedTapi::BlindTransfer(HCALL call, std::string_view address, DWORD) {
    return CallRequest(TapiFunction::kBlindTransfer, call, address);
}

LONG SimulatedTapi::Redirect(HCALL call, std::string_view address, DWORD) {
    return CallRequest(TapiFunction::kRedirect, call, address);
}

LONG SimulatedTapi::RemoveFromConference(HCALL call) {
    return CallRequest(TapiFunction::kRemoveFromConference, call);
}

LONG SimulatedTapi::SwapHold(HCALL active_call, HCALL held_call) {
    HookList hooks;
    LONG result = 0;
    {
        std::lock_guard lock(mutex_);
        const Call* active = FindValidCall(active_call);
        const Call* held = FindValidCall(held_call);
        if (active == nullptr || held == nullptr)
            result = LINEERR_INVALCALLHANDLE;
        else if (active->line != held->line || active_call == held_call)
            result = LINEERR_INVALCALLHANDLE;
        else if (active->state != LINECALLSTATE_CONNECTED || (held->state & kHeldStates) == 0)
            result = LINEERR_INVALCALLSTATE;
        if (result == 0)
            result = StartRequest({.function = TapiFunction::kSwapHold,
                                   .line = active->line,
                                   .call = active_call,
                                   .second_call = held_call},
                                  hooks);
        TapiRequestRecord record{.function = TapiFunction::kSwapHold,
                                 .result = result,
                                 .hcall = active_call,
                                 .second_call = held_call};
        if (active != nullptr) {
            record.hline = active->line;
            record.device_id = lines_.at(active->line).device_id;
        }
        Log(std::move(record));
    }
    CallHooks(hooks);
    return result;
}

LONG SimulatedTapi::CompleteTransfer(HCALL call, HCALL consult_call, HCALL* conference_call,
                                     DWORD transfer_mode) {
    HookList hooks;
    LONG result = 0;
    {
        std::lock_guard lock(mutex_);
        const Call* first = FindValidCall(call);
        const Call* consult = FindValidCall(consult_call);
        const bool conference = transfer_mode == LINETRANSFERMODE_CONFERENCE;
        if (transfer_mode != LINETRANSFERMODE_TRANSFER && !conference)
            result = LINEERR_INVALTRANSFERMODE;
        else if (first == nullptr)
            result = LINEERR_INVALCALLHANDLE;
        else if (consult == nullptr || consult->line != first->line || call == consult_call)
            result = LINEERR_INVALCONSULTCALLHANDLE;
        else if (conference && conference_call == nullptr)
            result = LINEERR_INVALPOINTER;
        else if (!IsTransferPair(first->state, consult->state))
            result = LINEERR_INVALCALLSTATE;
        HCALL created_handle = 0;
        if (result == 0) {
            const HLINE line = first->line;
            if (conference) {
                created_handle = NewHandle();
                Call& created = calls_[created_handle];
                created.line = line;
                created.origin = LINECALLORIGIN_CONFERENCE;
                created.privilege = LINECALLPRIVILEGE_OWNER;
            }
            result = StartRequest({.function = TapiFunction::kCompleteTransfer,
                                   .line = line,
                                   .call = call,
                                   .second_call = consult_call,
                                   .new_call = created_handle,
                                   .mode = transfer_mode},
                                  hooks);
            if (created_handle != 0 && IsTapiError(result))
                EraseCall(created_handle);
            else if (created_handle != 0)
                *conference_call = created_handle;
        }
        TapiRequestRecord record{.function = TapiFunction::kCompleteTransfer,
                                 .result = result,
                                 .hcall = call,
                                 .second_call = consult_call,
                                 .mode = transfer_mode};
        if (const Call* known = FindValidCall(call)) {
            record.hline = known->line;
            record.device_id = lines_.at(known->line).device_id;
        }
        Log(std::move(record));
    }
    CallHooks(hooks);
    return result;
}

LONG SimulatedTapi::DeallocateCall(HCALL handle) {
    std::lock_guard lock(mutex_);
    const Call* call = FindValidCall(handle);
    LONG result = 0;
    TapiRequestRecord record{.function = TapiFunction::kDeallocateCall, .hcall = handle};
    if (call == nullptr) {
        result = LINEERR_INVALCALLHANDLE;
    } else {
        record.hline = call->line;
        record.device_id = lines_.at(call->line).device_id;
        if (call->state != LINECALLSTATE_IDLE)
            result = LINEERR_INVALCALLSTATE;
    }
    if (result == 0) {
        // Replies not yet queued for the call are dropped, as TAPI drops them.
        std::erase_if(waiting_, [handle](const Request& request) {
            return request.call == handle || request.second_call == handle ||
                   request.new_call == handle;
        });
        EraseCall(handle);
    }
    record.result = result;
    Log(std::move(record));
    return result;
}

LONG SimulatedTapi::GetCallInfo(HCALL handle, LineCallInfo* info) {
    std::lock_guard lock(mutex_);
    const Call* call = FindValidCall(handle);
    if (call == nullptr)
        return LINEERR_INVALCALLHANDLE;
    if (info == nullptr)
        return LINEERR_INVALPOINTER;
    info->line_device_id = lines_.at(call->line).device_id;
    info->hline = call->line;
    info->origin = call->origin;
    info->caller_id = call->caller_id;
    info->called_id = call->called_id;
    return 0;
}

LONG SimulatedTapi::GetCallStatus(HCALL handle, LineCallStatus* status) {
    std::lock_guard lock(mutex_);
    const Call* call = FindValidCall(handle);
    if (call == nullptr)
        return LINEERR_INVALCALLHANDLE;
    if (status == nullptr)
        return LINEERR_INVALPOINTER;
    status->call_state = call->state;
    status->call_state_mode = call->mode;
    status->call_features = DefaultCallFeatures(call->state);
    if (const Device* device = FindDevice(lines_.at(call->line).device_id)) {
        const auto scripted = device->state_features.find(call->state);
        if (scripted != device->state_features.end())
            status->call_features = scripted->second;
    }
    return 0;
}

// ---- Inner steps (the lock is held) ----

SimulatedTapi::Device* SimulatedTapi::FindDevice(DWORD device_id) {
    const auto found = devices_.find(device_id);
    return found == devices_.end() ? nullptr : &found->second;
}

SimulatedTapi::Call* SimulatedTapi::FindValidCall(HCALL handle) {
    const auto found = calls_.find(handle);
    return found == calls_.end() || !found->second.valid ? nullptr : &found->second;
}

LONG SimulatedTapi::CheckApp(HLINEAPP line_app) const {
    return apps_.contains(line_app) ? 0 : LINEERR_INVALAPPHANDLE;
}

LONG SimulatedTapi::CheckDeviceCall(HLINEAPP line_app, const void* out, const Device* device,
                                    DWORD api_version, DWORD extension_version) const {
    if (const LONG checked = CheckApp(line_app); checked != 0)
        return checked;
    if (out == nullptr)
        return LINEERR_INVALPOINTER;
    if (device == nullptr)
        return LINEERR_BADDEVICEID;
    if (api_version < device->script.api_version_low ||
        api_version > device->script.api_version_high)
        return LINEERR_INCOMPATIBLEAPIVERSION;
    return extension_version != 0 ? LINEERR_INCOMPATIBLEEXTVERSION : 0;
}

HCALL SimulatedTapi::NewHandle() {
    return next_handle_++;
}

DWORD SimulatedTapi::NextRequestId() {
    DWORD id = 0;
    if (!scripted_ids_.empty()) {
        id = scripted_ids_.front();
        scripted_ids_.pop_front();
        next_request_id_ = std::max(next_request_id_, id + 1);
    } else {
        id = next_request_id_++;
    }
    // A request id is positive as a LONG.
    if (id == 0 || id > 0x7FFFFFFFu) {
        next_request_id_ = 2;
        id = 1;
    }
    return id;
}

void SimulatedTapi::Log(TapiRequestRecord record) {
    log_.push_back(std::move(record));
}

LONG SimulatedTapi::StartRequest(Request request, HookList& hooks) {
    const Device* device = FindDevice(lines_.at(request.line).device_id);
    const ReplyPolicy policy = device != nullptr
                                   ? device->policies[static_cast<std::size_t>(request.function)]
                                   : ReplyPolicy{};
    const LONG error = IsTapiError(policy.error) ? policy.error : LINEERR_OPERATIONFAILED;
    if (policy.mode == ReplyMode::kFailAtOnce)
        return error;
    request.id = NextRequestId();
    switch (policy.mode) {
    case ReplyMode::kDelayed:
        request.due_tick = GetClock().TickMs() + policy.delay_ms;
        waiting_.push_back(request);
        break;
    case ReplyMode::kNever:
        request.never = true;
        waiting_.push_back(request);
        break;
    case ReplyMode::kFailInReply:
        request.result = error;
        Deliver(request, hooks);
        break;
    default:
        Deliver(request, hooks);
        break;
    }
    return static_cast<LONG>(request.id);
}

bool SimulatedTapi::IsStillAllowed(const Request& request) const {
    const auto state_of = [this](HCALL handle) -> DWORD {
        const auto found = calls_.find(handle);
        return found == calls_.end() ? 0 : found->second.state;
    };
    switch (request.function) {
    case TapiFunction::kMakeCall:
        return true;
    case TapiFunction::kSwapHold:
        return state_of(request.call) == LINECALLSTATE_CONNECTED &&
               (state_of(request.second_call) & kHeldStates) != 0;
    case TapiFunction::kCompleteTransfer:
        return IsTransferPair(state_of(request.call), state_of(request.second_call));
    default:
        return (state_of(request.call) & AllowedStates(request.function)) != 0;
    }
}

void SimulatedTapi::Deliver(Request& request, HookList& hooks) {
    if (!lines_.contains(request.line))
        return;
    for (const HCALL handle : {request.call, request.second_call, request.new_call})
        if (handle != 0 && !calls_.contains(handle))
            return;
    if (request.result == 0 && !IsStillAllowed(request))
        request.result = LINEERR_INVALCALLSTATE;
    Queue(request.line,
          LineMessage{.message_id = LINE_REPLY,
                      .param1 = request.id,
                      .param2 = static_cast<DWORD>(request.result)},
          hooks);
    if (request.result == 0)
        ApplyEffects(request, hooks);
    else if (request.new_call != 0)
        EraseCall(request.new_call); // the new handle is dead
}

void SimulatedTapi::ApplyEffects(const Request& request, HookList& hooks) {
    const auto set = [&](HCALL handle, DWORD state, DWORD mode = 0) {
        Call& call = calls_.at(handle);
        SetCallState(handle, call, state, mode, hooks);
    };
    switch (request.function) {
    case TapiFunction::kMakeCall:
        calls_.at(request.new_call).valid = true;
        set(request.new_call, LINECALLSTATE_DIALING);
        set(request.new_call, LINECALLSTATE_PROCEEDING);
        set(request.new_call, LINECALLSTATE_RINGBACK);
        break;
    case TapiFunction::kAnswer:
    case TapiFunction::kUnhold:
        set(request.call, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
        break;
    case TapiFunction::kRemoveFromConference:
        set(request.call, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
        LeaveConference(request.call, hooks);
        break;
    case TapiFunction::kHold:
        set(request.call, LINECALLSTATE_ONHOLD);
        break;
    case TapiFunction::kSwapHold:
        set(request.call, LINECALLSTATE_ONHOLD);
        set(request.second_call, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
        break;
    case TapiFunction::kCompleteTransfer:
        if (request.mode == LINETRANSFERMODE_CONFERENCE) {
            Call& created = calls_.at(request.new_call);
            created.parties = {request.call, request.second_call};
            for (const HCALL party : created.parties)
                calls_.at(party).conference = request.new_call;
            set(request.call, LINECALLSTATE_CONFERENCED);
            set(request.second_call, LINECALLSTATE_CONFERENCED);
            created.valid = true;
            set(request.new_call, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
        } else {
            EndCall(request.call, hooks);
            EndCall(request.second_call, hooks);
        }
        break;
    case TapiFunction::kDrop:
    case TapiFunction::kBlindTransfer:
    case TapiFunction::kRedirect:
        EndCall(request.call, hooks);
        break;
    default:
        break;
    }
}

std::size_t SimulatedTapi::ReleaseDueLocked(HookList& hooks) {
    if (waiting_.empty())
        return 0;
    const std::uint32_t now = GetClock().TickMs();
    std::vector<Request> due;
    std::erase_if(waiting_, [&](const Request& request) {
        if (request.never || static_cast<std::int32_t>(now - request.due_tick) < 0)
            return false;
        due.push_back(request);
        return true;
    });
    for (Request& request : due)
        Deliver(request, hooks);
    return due.size();
}

void SimulatedTapi::Queue(HLINE handle, const LineMessage& message, HookList& hooks) {
    const auto line = lines_.find(handle);
    if (line == lines_.end())
        return;
    const auto app = apps_.find(line->second.app);
    if (app == apps_.end())
        return;
    LineMessage queued = message;
    queued.callback_instance = line->second.callback_instance;
    app->second.queue.push_back(queued);
    if (app->second.hook)
        hooks.emplace(app->first, app->second.hook);
    messages_queued_.notify_all();
}

void SimulatedTapi::SetCallState(HCALL handle, Call& call, DWORD state, DWORD mode,
                                 HookList& hooks) {
    call.state = state;
    call.mode = mode;
    DWORD privilege = 0;
    if (!call.privilege_sent) {
        call.privilege_sent = true;
        privilege = call.privilege != 0 ? call.privilege : lines_.at(call.line).privilege;
    }
    Queue(call.line,
          LineMessage{.device = handle,
                      .message_id = LINE_CALLSTATE,
                      .param1 = state,
                      .param2 = mode,
                      .param3 = privilege},
          hooks);
    UpdateCallCount(call.line, hooks);
    if (state == LINECALLSTATE_IDLE)
        LeaveConference(handle, hooks);
}

void SimulatedTapi::UpdateCallCount(HLINE handle, HookList& hooks) {
    Line& line = lines_.at(handle);
    DWORD count = 0;
    for (const auto& [call_handle, call] : calls_)
        if (call.line == handle && call.valid && call.state != LINECALLSTATE_IDLE)
            ++count;
    if (count == line.call_count)
        return;
    line.call_count = count;
    Queue(handle,
          LineMessage{.device = handle,
                      .message_id = LINE_ADDRESSSTATE,
                      .param1 = 0,
                      .param2 = LINEADDRESSSTATE_NUMCALLS},
          hooks);
}

void SimulatedTapi::EndCall(HCALL handle, HookList& hooks) {
    const auto call = calls_.find(handle);
    if (call == calls_.end())
        return;
    // The parties are let go first, so that none of them hangs up the
    // conference that is ending anyway.
    const std::vector<HCALL> parties = std::exchange(call->second.parties, {});
    for (const HCALL party : parties) {
        const auto found = calls_.find(party);
        if (found == calls_.end())
            continue;
        found->second.conference = 0;
        if (found->second.state != LINECALLSTATE_IDLE)
            EndCall(party, hooks);
    }
    SetCallState(handle, call->second, LINECALLSTATE_IDLE, 0, hooks);
}

void SimulatedTapi::LeaveConference(HCALL handle, HookList& hooks) {
    const auto call = calls_.find(handle);
    if (call == calls_.end() || call->second.conference == 0)
        return;
    const auto conference = calls_.find(std::exchange(call->second.conference, 0));
    if (conference == calls_.end())
        return;
    std::erase(conference->second.parties, handle);
    constexpr DWORD kEnded = LINECALLSTATE_IDLE | LINECALLSTATE_DISCONNECTED;
    if (conference->second.parties.empty() && (conference->second.state & kEnded) == 0)
        SetCallState(conference->first, conference->second, LINECALLSTATE_DISCONNECTED,
                     LINEDISCONNECTMODE_NORMAL, hooks);
}

void SimulatedTapi::EraseCall(HCALL handle) {
    calls_.erase(handle);
}

void SimulatedTapi::CloseLineLocked(HLINE handle, bool notify, HookList& hooks) {
    std::erase_if(waiting_, [handle](const Request& request) { return request.line == handle; });
    std::erase_if(calls_, [handle](const auto& entry) { return entry.second.line == handle; });
    if (notify)
        Queue(handle,
              LineMessage{
                  .device = handle, .message_id = LINE_LINEDEVSTATE, .param1 = LINEDEVSTATE_CLOSE},
              hooks);
    lines_.erase(handle);
}

void SimulatedTapi::CallHooks(const HookList& hooks) {
    for (const auto& [app, hook] : hooks)
        hook();
}
