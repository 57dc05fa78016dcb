#pragma once
// SimulatedTapi: a stand-in for the TAPI 2 line service, scripted by tests and
// the demonstration. It keeps TAPI's documented behaviour: an asynchronous
// function returns a positive request id (or a negative LINEERR) and its
// LINE_REPLY comes later through the application's message queue; the state
// effects of a successful request follow its reply as LINE_CALLSTATE
// messages. A new call handle is written through the caller's pointer before
// the function returns, on the caller's thread, and is valid only from its
// successful LINE_REPLY on: a late reply never writes into anybody's memory.
//
// Every request id gets exactly one LINE_REPLY, except replies still waiting
// (delayed or never answered) when their call is deallocated or their line is
// closed or shut down: those are dropped. Delayed replies become due on the
// replaceable clock and are queued by lineGetMessage or ReleaseDueReplies.
//
// A conference call's parties are the calls it joined (a conference call
// joined into a later conference among them). Once each has left it or gone
// IDLE, the conference call is hung up (DISCONNECTED) as by the far end;
// dropping a conference call takes the parties still in it to IDLE first.
//
// Thread-safe: line threads, the owner that drains the messages and a test's
// script call it at once. The application's message hook is called without
// the service's lock held.

#include "platform/tapi/tapi_types.h"
#include "platform/types.h"

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The line functions of the service, for reply policies and the request log.
enum class TapiFunction : std::uint8_t {
    kNegotiateApiVersion,
    kGetDevCaps,
    kGetAddressCaps,
    kOpen,
    kClose,
    kMakeCall,
    kAnswer,
    kDrop,
    kHold,
    kUnhold,
    kSwapHold,
    kCompleteTransfer,
    kBlindTransfer,
    kRedirect,
    kRemoveFromConference,
    kDeallocateCall,
};
inline constexpr std::size_t kTapiFunctionCount = 16;

// The TAPI name of the function ("lineMakeCallA").
std::string_view TapiFunctionName(TapiFunction function);

// How an asynchronous function of a device answers.
enum class ReplyMode : std::uint8_t {
    kAtOnce,      // the LINE_REPLY is queued before the function returns
    kDelayed,     // queued once delay_ms have passed on the replaceable clock
    kFailInReply, // a request id now, the LINE_REPLY carries error
    kFailAtOnce,  // the function returns error, no request id
    kNever,       // a request id and no LINE_REPLY
};

struct ReplyPolicy {
    ReplyMode mode = ReplyMode::kAtOnce;
    DWORD delay_ms = 0;
    LONG error = LINEERR_OPERATIONFAILED;
};

// One scripted line device.
struct SimulatedLineDevice {
    DWORD device_id = 0;
    std::string name; // raw bytes: blanks and zero bytes allowed
    DWORD string_format = STRINGFORMAT_ASCII;
    DWORD line_features = LINEFEATURE_MAKECALL;
    DWORD num_addresses = 1;
    DWORD api_version_low = 0x00010004u;
    DWORD api_version_high = 0x00020002u;
    // The call features of address 0 (LINEADDRESSCAPS).
    DWORD address_call_features = 0xFFFFFFFFu;
    // lineGetAddressCapsA and lineOpenA fail this many times
    // (LINEERR_RESOURCEUNAVAIL) before they succeed.
    DWORD address_caps_failures = 0;
    DWORD open_failures = 0;
};

// One logged call of a line function, with its arguments and what it returned.
struct TapiRequestRecord {
    TapiFunction function = TapiFunction::kOpen;
    LONG result = 0;
    DWORD device_id = 0;
    HLINE hline = 0;
    HCALL hcall = 0;
    HCALL second_call = 0; // swap hold, complete transfer: the other call
    std::string address{}; // make call, blind transfer, redirect
    DWORD mode = 0;        // transfer mode, privileges of an open
    std::optional<LineCallParams> call_params{};
};

struct LineInitializeExParams {
    // Only LINEINITIALIZEEXOPTION_USEEVENT is offered.
    DWORD options = LINEINITIALIZEEXOPTION_USEEVENT;
    // Called, without the service's lock, whenever messages were queued for
    // the application: the owner should call lineGetMessage.
    std::function<void()> message_hook;
};

class SimulatedTapi {
public:
    // The highest API version the service offers.
    static constexpr DWORD kApiVersion = 0x00020002u;

    SimulatedTapi();
    ~SimulatedTapi();
    SimulatedTapi(const SimulatedTapi&) = delete;
    SimulatedTapi& operator=(const SimulatedTapi&) = delete;

    // ---- Script ----

    // Adds the device, or replaces the one with the same id.
    void AddDevice(const SimulatedLineDevice& device);
    void SetReplyPolicy(DWORD device_id, TapiFunction function, const ReplyPolicy& policy);
    // Replaces the default call features of a state on one device.
    void SetStateCallFeatures(DWORD device_id, DWORD call_state, DWORD features);
    // The next request ids, in order; after them ids count on from the largest.
    void SetRequestIds(std::vector<DWORD> ids);
    // The default call features of a state (lineGetCallStatus).
    static DWORD DefaultCallFeatures(DWORD call_state);

    // An incoming call OFFERING on the device's open line; 0 when the device
    // has no line open for incoming calls (monitor or owner privilege).
    HCALL OfferCall(DWORD device_id, std::string_view caller_id, std::string_view called_id,
                    DWORD origin = LINECALLORIGIN_EXTERNAL);
    // What the far end does with a call: answer (CONNECTED) and busy (BUSY)
    // a call that is being placed, hang up (DISCONNECTED) any live call.
    // LINEERR_INVALCALLHANDLE or LINEERR_INVALCALLSTATE otherwise.
    LONG FarEndAnswer(HCALL call);
    LONG FarEndBusy(HCALL call);
    LONG FarEndHangUp(HCALL call);
    // Changes caller and called id; a LINE_CALLINFO tells what changed.
    LONG SetCallIds(HCALL call, std::string_view caller_id, std::string_view called_id);

    std::vector<TapiRequestRecord> GetRequestLog() const;
    void ClearRequestLog();
    // Queues the replies that have become due; their number.
    std::size_t ReleaseDueReplies();
    // Replies waiting to be queued (delayed or never answered).
    std::size_t GetWaitingReplyCount() const;

    // ---- The TAPI functions ----

    LONG InitializeEx(HLINEAPP* line_app, std::string_view app_name, DWORD* num_devs,
                      DWORD* api_version, LineInitializeExParams* params);
    LONG Shutdown(HLINEAPP line_app);
    LONG GetMessage(HLINEAPP line_app, LineMessage* message, DWORD timeout_ms);
    LONG NegotiateApiVersion(HLINEAPP line_app, DWORD device_id, DWORD api_low, DWORD api_high,
                             DWORD* api_version, LineExtensionId* extension_id);
    LONG GetDevCaps(HLINEAPP line_app, DWORD device_id, DWORD api_version, DWORD extension_version,
                    LineDevCaps* caps);
    LONG GetAddressCaps(HLINEAPP line_app, DWORD device_id, DWORD address_id, DWORD api_version,
                        DWORD extension_version, LineAddressCaps* caps);
    LONG Open(HLINEAPP line_app, DWORD device_id, HLINE* line, DWORD api_version,
              DWORD extension_version, DWORD callback_instance, DWORD privileges, DWORD media_modes,
              const LineCallParams* params);
    LONG Close(HLINE line);
    LONG MakeCall(HLINE line, HCALL* call, std::string_view address, DWORD country_code,
                  const LineCallParams* params);
    LONG Answer(HCALL call);
    LONG Drop(HCALL call);
    LONG Hold(HCALL call);
    LONG Unhold(HCALL call);
    LONG SwapHold(HCALL active_call, HCALL held_call);
    LONG CompleteTransfer(HCALL call, HCALL consult_call, HCALL* conference_call,
                          DWORD transfer_mode);
    LONG BlindTransfer(HCALL call, std::string_view address, DWORD country_code);
    LONG Redirect(HCALL call, std::string_view address, DWORD country_code);
    LONG RemoveFromConference(HCALL call);
    LONG DeallocateCall(HCALL call);
    LONG GetCallInfo(HCALL call, LineCallInfo* info);
    LONG GetCallStatus(HCALL call, LineCallStatus* status);

private:
    struct Device {
        SimulatedLineDevice script;
        std::array<ReplyPolicy, kTapiFunctionCount> policies{};
        std::map<DWORD, DWORD> state_features;
        DWORD address_caps_calls = 0;
        DWORD open_calls = 0;
    };
    struct App {
        std::deque<LineMessage> queue;
        std::function<void()> hook;
    };
    struct Line {
        HLINEAPP app = 0;
        DWORD device_id = 0;
        DWORD callback_instance = 0;
        DWORD privilege = LINECALLPRIVILEGE_OWNER;
        // A line opened with LINECALLPRIVILEGE_NONE is offered no calls.
        bool takes_offers = true;
        DWORD call_count = 0; // valid calls that are not IDLE
    };
    struct Call {
        HLINE line = 0;
        bool valid = false; // from the successful reply of the request that made it
        bool privilege_sent = false;
        // The application owns the calls it makes; offered calls get the
        // line's privilege (0 here).
        DWORD privilege = 0;
        DWORD state = 0;
        DWORD mode = 0;
        DWORD origin = LINECALLORIGIN_UNKNOWN;
        std::string caller_id;
        std::string called_id;
        // The conference call this call is a party of, and the parties of a
        // conference call: the calls it joined that have neither left it nor
        // gone IDLE. A conference call joined into a later one is a party.
        HCALL conference = 0;
        std::vector<HCALL> parties;
    };
    // A request whose LINE_REPLY is not yet queued.
    struct Request {
        DWORD id = 0;
        TapiFunction function = TapiFunction::kMakeCall;
        HLINE line = 0;
        HCALL call = 0;
        HCALL second_call = 0;
        HCALL new_call = 0; // the call a make call or a conference creates
        DWORD mode = 0;
        LONG result = 0;
        bool never = false;
        std::uint32_t due_tick = 0;
    };
    // The hooks of the applications that got messages, to be called once the
    // lock is released.
    using HookList = std::map<HLINEAPP, std::function<void()>>;

    Device* FindDevice(DWORD device_id);
    Call* FindValidCall(HCALL call);
    LONG CheckApp(HLINEAPP line_app) const;
    // The checks of a device function: application, out pointer, device,
    // API and extension version; 0 or the LINEERR.
    LONG CheckDeviceCall(HLINEAPP line_app, const void* out, const Device* device,
                         DWORD api_version, DWORD extension_version) const;
    HCALL NewHandle();
    DWORD NextRequestId();
    void Log(TapiRequestRecord record);

    // Starts an asynchronous request on a line as the device's policy says.
    LONG StartRequest(Request request, HookList& hooks);
    // Queues the request's reply and applies its effects.
    void Deliver(Request& request, HookList& hooks);
    void ApplyEffects(const Request& request, HookList& hooks);
    bool IsStillAllowed(const Request& request) const;
    std::size_t ReleaseDueLocked(HookList& hooks);
    // A call operation that needs the call to be valid and in one of the states.
    LONG CallRequest(TapiFunction function, HCALL call, std::string_view address = {});
    LONG FarEndAction(HCALL call, DWORD allowed_states, DWORD state, DWORD mode);

    void Queue(HLINE line, const LineMessage& message, HookList& hooks);
    void SetCallState(HCALL handle, Call& call, DWORD state, DWORD mode, HookList& hooks);
    void UpdateCallCount(HLINE handle, HookList& hooks);
    // Takes the call to IDLE, and first the parties still in it when it is a
    // conference call (theirs too, when they are conference calls).
    void EndCall(HCALL handle, HookList& hooks);
    // The call leaves its conference; a conference left without a party is
    // hung up (DISCONNECTED), as the far end would.
    void LeaveConference(HCALL handle, HookList& hooks);
    void EraseCall(HCALL handle);
    void CloseLineLocked(HLINE handle, bool notify, HookList& hooks);
    static void CallHooks(const HookList& hooks);

    mutable std::mutex mutex_;
    std::condition_variable messages_queued_;
    std::map<DWORD, Device> devices_;
    std::map<HLINEAPP, App> apps_;
    std::map<HLINE, Line> lines_;
    std::map<HCALL, Call> calls_;
    std::vector<Request> waiting_;
    std::deque<DWORD> scripted_ids_;
    DWORD next_request_id_ = 1;
    std::uint32_t next_handle_ = 0x00010001u;
    std::vector<TapiRequestRecord> log_;
};
