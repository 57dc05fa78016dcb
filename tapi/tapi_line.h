#pragma once
// CKvTAPILine: the worker thread of one TAPI line (payload type 48). It finds
// the line device by the thread's name, opens it, keeps the line's calls,
// carries out one telephony request of the jobs at a time and tells its
// watchers of every change. TAPI events reach it as KVTAPILINEMESSAGE
// payloads from its owner; everything runs on the line's own thread, which
// other threads reach only through messages.

#include "core/dialling_rules.h"
#include "core/time_date.h"
#include "data/data_preferences.h"
#include "framework/message_list.h"
#include "framework/win_thread.h"
#include "platform/tapi/tapi_types.h"
#include "tapi/tapi_call.h"
#include "tapi/tapi_calls_manager.h"
#include "tapi/tapi_request_registry.h"
#include "tapi/tapi_value_tables.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

// What the owner hands to its lines: the outcome of its lineInitializeExA.
// The line reads the four values once, when it opens.
class TapiHostRecord {
public:
    TapiHostRecord() = default;
    TapiHostRecord(std::uint32_t line_app, std::uint32_t api_version, std::uint32_t device_count,
                   std::uint32_t host_value)
        : line_app_(line_app), api_version_(api_version), device_count_(device_count),
          host_value_(host_value) {}

    // 0 when TAPI is not available.
    std::uint32_t GetTapiLineApp() const { return line_app_; }
    std::uint32_t GetTapiApiVersion() const { return api_version_; }
    std::uint32_t GetTapiDeviceCount() const { return device_count_; }
    std::uint32_t GetTapiHostValue() const { return host_value_; }

private:
    std::uint32_t line_app_ = 0;
    std::uint32_t api_version_ = 0;
    std::uint32_t device_count_ = 0;
    std::uint32_t host_value_ = 0;
};

// The TAPI function a pending request waits for.
enum TapiRequestKind : std::uint32_t {
    KV_TAPIREQ_HOLD = 1,
    KV_TAPIREQ_UNHOLD = 2,
    KV_TAPIREQ_MAKE_CALL = 3,
    KV_TAPIREQ_CONFERENCE = 4,
    KV_TAPIREQ_TRANSFER = 6,
    KV_TAPIREQ_REDIRECT = 7,
    KV_TAPIREQ_BLIND_TRANSFER = 8,
    KV_TAPIREQ_ANSWER = 10,
    KV_TAPIREQ_SWAP_HOLD = 11,
    KV_TAPIREQ_REMOVE_FROM_CONFERENCE = 12,
};

// The running request (request state).
enum TapiLineRequestState : std::uint32_t {
    KV_TAPILINE_IDLE = 0,
    KV_TAPILINE_MAKE_CALL = 1,
    KV_TAPILINE_OFFERED_CALL = 2,
    KV_TAPILINE_CONFERENCE = 3,
    KV_TAPILINE_HOLD_TOGGLE = 4,
    KV_TAPILINE_TRANSFER = 5,
    KV_TAPILINE_ANSWER = 7,
    KV_TAPILINE_SWAP_HOLD = 8,
    KV_TAPILINE_REMOVE_FROM_CONFERENCE = 9,
};

inline constexpr char kTapiMakeCallCommand[] = "TAPI_MAKE_CALL";
inline constexpr char kTapiMakeConferenceCommand[] = "TAPI_MAKE_CONFERENCE";

class CKvTAPILine : public CKvWinThread {
public:
    static constexpr KvPayloadType kTypeCode = KV_PAYLOAD_TAPI_LINE;
    static constexpr std::uint32_t kReplyTimer = 2;
    static constexpr std::uint32_t kReplyWaitMs = 3000;
    // How long a placed call may wait for the reply of its lineMakeCallA.
    static constexpr std::uint32_t kMakeCallReplyWaitMs = 36000;
    static constexpr std::uint32_t kQuitTimer = 6;
    static constexpr std::uint32_t kQuitWaitMs = 10000;
    static constexpr std::uint32_t kThreadTimerMs = 50;
    static constexpr std::uint32_t kDebounceMs = 200;
    static constexpr std::uint32_t kMaxNumberLength = 60;

    // Without auto-delete: the owner deletes the line once it has ended.
    CKvTAPILine();
    ~CKvTAPILine() override;
    // Copies the line's description, not its thread, buffers, timers or
    // pending request.
    CKvTAPILine& operator=(const CKvTAPILine& other);

    static CKvTAPILine* CreateObject() { return new CKvTAPILine; }

    bool OnInitInstance() override;
    void OnExitInstance() override;
    // Queue the message for the idle hook; last result KV_E_NOT_HANDLED.
    KvResult OnRequest(CKvMessage* message) override;
    KvResult OnConfirmation(CKvMessage* message) override;
    // Call requests sent as INFO are queued too; other INFOs are released.
    KvResult OnInfo(CKvMessage* message) override;
    // Command 1 registers a watch, command 3 cancels one.
    KvResult OnSignal(CKvMessage* message) override;
    // Drops the calls and waits for them (at most 10 s) before it quits.
    KvResult OnQuit(CKvMessage* message) override;
    // Call states, replies, the running request and the quit check.
    bool OnIdleHook(LONG count) override;

    // The owner's settings, before the thread starts.
    void SetHostRecord(const TapiHostRecord* record) { host_record_ = record; }
    const TapiHostRecord* GetHostRecord() const { return host_record_; }
    // Takes the message over; its payload is not the line's.
    void SetPendingRequest(CKvMessage* message);
    CKvMessage* GetPendingRequest() const { return pending_; }

    DiallingRules& GetDiallingRules() { return dialling_rules_; }
    CKvDataPreferences& GetPreferences() { return preferences_; }
    KVTAPICALLSMANAGER& GetCallsManager() { return calls_; }
    TapiRequestRegistry& GetRequestRegistry() { return requests_; }
    std::uint32_t& GetRequestState() { return request_state_; }
    std::uint32_t& GetRequestStep() { return request_step_; }
    std::string& GetNumberToDial() { return number_to_dial_; }
    std::string& GetDisplayName() { return display_name_; }
    std::uint32_t& GetLineHandle() { return hline_; }
    std::uint16_t& GetRequesterEndpoint() { return requester_endpoint_; }
    std::uint32_t& GetRequesterJobId() { return requester_job_id_; }
    KVTAPICALL& GetCurrentCall() { return current_call_; }
    LineCallFeatureTable& GetLineFeatures() { return line_features_; }
    CKvMessageList& GetWatchList() { return watch_list_; }
    CKvMessageList& GetInputQueue() { return input_; }
    std::uint32_t GetDeviceId() const { return device_id_; }
    std::uint32_t GetApiVersion() const { return api_version_; }
    TimeDate& GetTimeStamp() { return time_stamp_; }

    // The operations of the requests; each returns its result code.
    KvResult MakeCall(const std::string& number);
    KvResult BlindTransfer(KVTAPICALL& call);
    KvResult Redirect(KVTAPICALL& call);
    KvResult RemoveFromConference(KVTAPICALL& call);
    void QueueRequest(CKvMessage* signal);
    void RemovePendingRequest(CKvMessage* signal);
    void SendLineData(std::uint32_t code);
    void ProcessCallStates();
    void ProcessLineReplies();

protected:
    // A request still queued when the loop ends is refused, not dropped.
    void OnDroppedMessage(const ThreadMessage& message) override;

private:
    bool FindLineDevice(const std::string& wanted_name);
    KvResult GetAddressCaps();
    bool OpenLine();
    void ReportCreation(bool opened);

    // State 0: one walk of the input queue, up to the first message that
    // starts a request.
    void TakeNextRequest();
    // True when the message started a request.
    bool TakeNamedCommand(CKvMessage* message);
    bool TakeCallRequest(CKvMessage* message);
    bool StartKnownCallRequest(KVTAPICALL& known, KVTAPICALL& request);
    void StartRequest(std::uint32_t state);
    void EndRequest();
    // Answers the pending request message (a REQUEST) or releases it; the slot
    // is cleared.
    void AnswerPending(std::int32_t attribute);

    enum class StepZero { kIssued, kWait, kEnd };
    // Step 0 issues one TAPI request (or waits, bounded by the reply timer,
    // or ends); step 1 waits for the replies.
    void RunIssueAndWait(const std::function<StepZero()>& issue);
    void DoMakeCall();
    void DoOfferedCall();
    void DoConference(std::uint32_t mode, std::uint32_t kind);
    void DoHoldToggle();
    void DoAnswer();
    void DoSwapHold();
    void DoRemoveFromConference();
    // Step 1 of most requests: the request ends once every reply is in, or
    // when the reply timer expires.
    void WaitForReplies();
    // True when every reply is in (the registry is then emptied); false
    // while waiting. On expiry of the reply timer the request ends.
    bool RepliesInOrEnd(std::int32_t refuse_attribute);
    void RestartReplyTimer(std::uint32_t milliseconds);
    // Holds every other connected call; the first call put on hold, or 0.
    HCALL HoldOtherCalls();
    // The held call a conference command joins: the one the last make-call
    // held, else the first call on hold; null when none is held.
    KVTAPICALL* HeldCallToConference();
    bool AddPending(LONG request_id, std::uint32_t hcall, std::uint32_t kind);
    KVTAPICALL* LiveCurrentCall();
    KVTAPICALL* FindConnectedCall(bool without_pending);
    KvResult TransferOrRedirect(KVTAPICALL& call, bool redirect);

    void SendCallUpdate(KVTAPICALL& call);
    void NotifyCallRequesters(KVTAPICALL& call);
    void SendCallsManager();
    // A header copy of every watch of the payload type, with a new payload.
    void SendToWatchersOfType(std::int32_t payload_type,
                              const std::function<void*()>& make_payload);
    // Sends a message to a watcher; a watcher that cannot be reached is
    // removed. True when sent.
    bool SendToWatcher(CKvMessage* watch, CKvMessage* message);
    bool IsEqualWatch(CKvMessage* entry, CKvMessage* signal) const;
    std::uint32_t NextSequence() { return ++sequence_; }
    void RemoveCall(std::uint32_t hcall);
    void DropAllCalls();

    const TapiHostRecord* host_record_ = nullptr;
    CKvMessageList input_;
    CKvMessage* pending_ = nullptr;
    CKvDataPreferences preferences_;
    DiallingRules dialling_rules_;
    std::uint32_t thread_timer_id_ = 0;
    TimeDate time_stamp_;
    KVTAPICALLSMANAGER calls_;
    TapiRequestRegistry requests_;
    std::uint32_t line_app_ = 0;
    std::uint32_t host_value_ = 0;
    std::uint32_t device_count_ = 0;
    HCALL made_call_handle_ = 0;
    HLINE hline_ = 0;
    std::uint32_t api_version_ = 0;
    std::optional<LineDevCaps> device_caps_;
    std::optional<LineAddressCaps> address_caps_;
    std::uint32_t device_id_ = 0;
    std::uint32_t make_call_request_id_ = 0;
    std::uint16_t requester_endpoint_ = 0;
    std::uint32_t requester_job_id_ = 0;
    // Who placed each made call, kept until the call's record exists: the
    // states of an earlier call may still be queued when the next make-call
    // starts.
    struct Requester {
        std::uint16_t endpoint = 0;
        std::uint32_t job_id = 0;
    };
    std::map<HCALL, Requester> made_call_requesters_;
    // The call the last make-call put on hold (0 = none).
    HCALL held_by_make_call_ = 0;
    KVTAPICALL current_call_;
    std::uint32_t request_state_ = KV_TAPILINE_IDLE;
    std::uint32_t request_step_ = 0;
    std::string number_to_dial_;
    LineCallFeatureTable line_features_;
    CKvMessageList watch_list_;
    std::string display_name_;
    std::set<HCALL> made_calls_;
    // The tick of each call's last applied state, for the debounce.
    std::map<HCALL, std::uint32_t> state_ticks_;
    std::uint32_t sequence_ = 0;
};
