#pragma once
// A CAPI 2.0 stand-in that tests drive: it keeps scripted controllers, hands
// out ApplIDs, copies every PUT_MESSAGE byte for byte and answers it as a
// network would, and delivers scripted indications, some of them after a
// delay measured on the replaceable clock. It builds its messages from the
// CAPI 2.0 layouts itself, so that its images check a codec independently.
// It also records the application's protocol faults: an indication answered
// twice, a response that does not repeat its indication's message number, and
// a DISCONNECT_IND, DISCONNECT_B3_IND or DATA_B3_IND never answered.
// Thread-safe.

#include "platform/capi/capi_entry_points.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// One event of a call, in the order a network sends them.
struct ScriptedCapiStep {
    enum Kind : std::uint32_t {
        kAlerting,      // INFO_IND with Info Number 0x8001
        kConnectActive, // CONNECT_ACTIVE_IND
        kDisconnect,    // DISCONNECT_IND with the reason
        kConnectB3,     // CONNECT_B3_IND; an accepting response brings CONNECT_B3_ACTIVE_IND
        kData,          // DATA_B3_IND carrying the data
        kDisconnectB3,  // DISCONNECT_B3_IND with the reason
        kFacility,      // FACILITY_IND (selector 3) for the function, with the reason
    };
    Kind kind = kAlerting;
    // Milliseconds on the replaceable clock after the step before.
    std::uint32_t delay_ms = 0;
    std::uint16_t reason = 0;
    std::uint16_t function = 0;
    std::vector<std::uint8_t> data;

    static ScriptedCapiStep Make(Kind kind, std::uint16_t reason = 0, std::uint32_t delay_ms = 0) {
        ScriptedCapiStep step;
        step.kind = kind;
        step.reason = reason;
        step.delay_ms = delay_ms;
        return step;
    }
    static ScriptedCapiStep Data(std::vector<std::uint8_t> bytes, std::uint32_t delay_ms = 0) {
        ScriptedCapiStep step = Make(kData, 0, delay_ms);
        step.data = std::move(bytes);
        return step;
    }
    static ScriptedCapiStep Facility(std::uint16_t function, std::uint16_t reason) {
        ScriptedCapiStep step = Make(kFacility, reason);
        step.function = function;
        return step;
    }
};

// A call coming in from the network.
struct ScriptedIncomingCall {
    std::uint32_t controller = 1;
    std::uint16_t cip = 1;
    std::string called_number;
    std::string calling_number;
    // With octet 3a (presentation and screening) in the calling number.
    bool calling_octet_3a = true;
    std::uint8_t calling_presentation = 0;
    // Subaddress type 0 (NSAP) or 2 (user specified); no bytes sends an empty struct.
    std::uint8_t calling_subaddress_type = 2;
    std::vector<std::uint8_t> calling_subaddress;
    // Struct contents (without their length byte); empty sends an empty struct.
    std::vector<std::uint8_t> bc = {0x80, 0x90, 0xA3};
    std::vector<std::uint8_t> hlc;
    std::vector<std::uint8_t> additional_info;
    // Drivers of the earlier CAPI edition end the message before it.
    bool second_calling_number = true;
    std::uint32_t delay_ms = 0;
    // The digits CONNECT_ACTIVE_IND carries as the connected number.
    std::string connected_number;
    // False: the network never activates the call, and an accepting
    // CONNECT_RESP brings nothing.
    bool activates = true;
    // Delivered after an accepting CONNECT_RESP has been answered with
    // CONNECT_ACTIVE_IND.
    std::vector<ScriptedCapiStep> after_accept;
};

struct CapiProtocolViolation {
    enum Kind : std::uint32_t {
        kAnsweredTwice,
        kWrongMessageNumber,
        kNeverAnswered,
        kUnexpectedResponse,
    };
    Kind kind = kAnsweredTwice;
    std::uint32_t appl_id = 0;
    std::uint8_t command = 0;
    std::uint16_t message_number = 0;
};

class ScriptedCapiController final : public CapiEntryPoints {
public:
    ScriptedCapiController();

    // --- The script ---
    // A controller with its B channels; false for number 0, above 127, or
    // a number present already.
    bool AddController(std::uint32_t number, std::uint16_t b_channels);
    void SetInstalledResult(DWORD result);
    void SetVersion(DWORD capi_major, DWORD capi_minor, DWORD manufacturer_major,
                    DWORD manufacturer_minor);
    void SetManufacturer(const std::string& text);
    void SetSerialNumber(const std::string& text);
    // Info of every LISTEN_CONF.
    void SetListenInfo(std::uint16_t info);
    // Info of the next CONNECT_CONF; non-zero refuses the call (no PLCI).
    void SetConnectInfo(std::uint16_t info);
    // What the network does after the CONNECT_CONF of each CONNECT_REQ, taken
    // in order; a CONNECT_REQ beyond the scripts gets its CONF only.
    void ScriptOutgoingCall(std::vector<ScriptedCapiStep> steps);
    // Supplementary-service reason of the FACILITY_IND that answers a
    // FACILITY_REQ of the function (0 = success).
    void SetFacilityReason(std::uint16_t function, std::uint16_t reason);
    // Reason of the DISCONNECT_IND that follows a DISCONNECT_REQ.
    void SetLocalDisconnectReason(std::uint16_t reason);
    // Info of every DISCONNECT_CONF; non-zero refuses the clearing: the call
    // stays as it was and no DISCONNECT_IND follows.
    void SetDisconnectInfo(std::uint16_t info);
    // Silent: requests are still copied, but nothing is answered or delivered.
    void SetSilent(bool silent);
    // Offers a call to every ApplID listening on its controller with a
    // matching CIP mask; the PLCI of the call. A PLCI goes out again only
    // once no call holds it: with all 255 of the controller held, 0, and
    // nothing is offered.
    std::uint32_t IncomingCall(const ScriptedIncomingCall& call);
    // Appends steps to a call known by its PLCI, for every ApplID that has it.
    // A kDisconnect that goes out before the call is answered clears it: the
    // answer then brings nothing. A call is gone once the ApplID has answered
    // its DISCONNECT_IND; steps still to come for it are dropped.
    void ScheduleSteps(std::uint32_t plci, std::vector<ScriptedCapiStep> steps);
    // The message number of the next indication to the ApplID; the ones after
    // it count on from there.
    void SetNextIndicationNumber(DWORD appl_id, std::uint16_t number);

    // --- What the application did ---
    // Every PUT_MESSAGE, byte for byte (a DATA_B3_REQ with its data).
    std::vector<std::vector<std::uint8_t>> GetPutMessages() const;
    // Faults so far, with the DISCONNECT_IND, DISCONNECT_B3_IND and
    // DATA_B3_IND delivered but still unanswered.
    std::vector<CapiProtocolViolation> GetViolations() const;
    // Indications and confirmations queued or falling due, for one ApplID.
    std::size_t PendingCount(DWORD appl_id);
    // CAPI_GET_MESSAGE calls so far for the ApplID.
    std::size_t GetMessageCalls(DWORD appl_id);

    // --- The ten operations ---
    DWORD CAPI_REGISTER(DWORD message_buffer_size, DWORD max_logical_connections,
                        DWORD max_b_data_blocks, DWORD max_b_data_length, DWORD* appl_id) override;
    // Also wakes a CAPI_WAIT_FOR_SIGNAL on that ApplID.
    DWORD CAPI_RELEASE(DWORD appl_id) override;
    DWORD CAPI_PUT_MESSAGE(DWORD appl_id, const void* message) override;
    // 0x1104 when nothing is due.
    DWORD CAPI_GET_MESSAGE(DWORD appl_id, void** message) override;
    // Returns when a message is queued for the ApplID, or with 0x1101 when it
    // is released; events that fall due later on the clock do not wake it.
    DWORD CAPI_WAIT_FOR_SIGNAL(DWORD appl_id) override;
    DWORD CAPI_GET_MANUFACTURER(char* buffer) override;
    DWORD CAPI_GET_VERSION(DWORD* capi_major, DWORD* capi_minor, DWORD* manufacturer_major,
                           DWORD* manufacturer_minor) override;
    DWORD CAPI_GET_SERIAL_NUMBER(char* buffer) override;
    DWORD CAPI_GET_PROFILE(void* buffer, DWORD controller) override;
    DWORD CAPI_INSTALLED() override;

private:
    struct Listen {
        std::uint32_t info_mask = 0;
        std::uint32_t cip_mask = 0;
    };
    // An indication handed to the application and its answer.
    struct Indication {
        std::uint8_t command = 0;
        std::uint16_t message_number = 0;
        std::uint32_t id = 0;
        bool answered = false;
    };
    struct Application {
        std::map<std::uint32_t, Listen> listens; // by controller
        std::deque<std::vector<std::uint8_t>> queue;
        std::vector<std::uint8_t> current; // handed out by GET_MESSAGE
        std::vector<Indication> indications;
        std::uint16_t next_message_number = 1;
        std::uint16_t next_data_handle = 1;
        std::size_t get_message_calls = 0;
    };
    struct Call {
        std::uint32_t appl_id = 0;
        std::uint32_t plci = 0;
        std::vector<ScriptedCapiStep> after_accept;
        std::string connected_number;
        bool activates = true;
        // Its DISCONNECT_IND went out: a later answer connects nothing.
        bool cleared = false;
    };
    struct Event {
        std::uint32_t due_tick = 0;
        std::uint32_t appl_id = 0;
        std::uint32_t plci = 0;
        std::vector<std::uint8_t> message; // number filled in on delivery
    };

    Application* FindApplication(DWORD appl_id);
    void DeliverDue();
    void Enqueue(std::uint32_t appl_id, std::vector<std::uint8_t> message);
    void Schedule(std::uint32_t appl_id, std::uint32_t plci, std::uint32_t delay_ms,
                  std::vector<std::uint8_t> message);
    void ScheduleStepsLocked(std::uint32_t appl_id, std::uint32_t plci,
                             const std::vector<ScriptedCapiStep>& steps, std::uint32_t start_ms);
    std::vector<std::uint8_t> StepMessage(std::uint32_t appl_id, std::uint32_t plci,
                                          const ScriptedCapiStep& step);
    // 0 when every PLCI of the controller is held by a call.
    std::uint32_t NewPlci(std::uint32_t controller);
    bool HoldsPlci(std::uint32_t plci) const;
    // The ApplID's call with the PLCI, or null.
    Call* FindCall(std::uint32_t appl_id, std::uint32_t plci);
    void CancelEvents(std::uint32_t appl_id, std::uint32_t plci);

    void HandleRequest(std::uint32_t appl_id, const std::vector<std::uint8_t>& message);
    void HandleResponse(std::uint32_t appl_id, const std::vector<std::uint8_t>& message);
    void OnListenReq(std::uint32_t appl_id, const std::vector<std::uint8_t>& message);
    void OnConnectReq(std::uint32_t appl_id, const std::vector<std::uint8_t>& message);
    void OnConnectResp(std::uint32_t appl_id, const std::vector<std::uint8_t>& message);

    mutable std::mutex mutex_;
    std::condition_variable queued_;
    DWORD installed_result_ = 0;
    DWORD version_[4] = {2, 0, 1, 0};
    std::string manufacturer_ = "scripted CAPI controller";
    std::string serial_number_ = "0000001";
    std::map<std::uint32_t, std::uint16_t> controllers_; // number -> B channels
    std::uint16_t listen_info_ = 0;
    std::uint16_t connect_info_ = 0;
    std::deque<std::vector<ScriptedCapiStep>> outgoing_scripts_;
    std::map<std::uint16_t, std::uint16_t> facility_reasons_;
    std::uint16_t local_disconnect_reason_ = 0;
    std::uint16_t disconnect_info_ = 0;
    bool silent_ = false;
    std::map<std::uint32_t, Application> applications_;
    std::uint32_t next_appl_id_ = 1;
    std::uint32_t next_plci_ = 1;
    std::vector<Call> calls_;
    std::deque<Event> events_; // earliest first
    std::vector<std::vector<std::uint8_t>> put_messages_;
    std::vector<CapiProtocolViolation> violations_;
};
