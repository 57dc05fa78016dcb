#pragma once
// The common base of the CAPI managers: small state machines that each carry
// out one ISDN task. A job creates a manager, attaches it to a REQUEST and
// sends it to the host's CAPI service, which files it with its owner
// (CapiHost) and calls Run until the state is 33. The base holds the senders
// of every CAPI request and response, the answers to the requester, the
// message numbering and the shutdown step.
//
// Threads: a manager is used by one thread at a time; once filed, only the
// service's thread touches it.

#include "capi/b3_data_stream.h"
#include "capi/capi_connection.h"
#include "capi/capi_message_codec.h"
#include "core/dialling_rules.h"
#include "core/time_date.h"
#include "core/timer_list.h"
#include "framework/message_list.h"
#include "framework/message_router.h"
#include "framework/payload_registry.h"
#include "platform/result_codes.h"

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

class CapiHost;

// The states every manager numbers alike.
namespace capi_state {
inline constexpr std::uint32_t kStart = 0;
inline constexpr std::uint32_t kRelease = 20;
inline constexpr std::uint32_t kWaitingForListenConf = 25;
inline constexpr std::uint32_t kListening = 27;
inline constexpr std::uint32_t kNotify = 28;
inline constexpr std::uint32_t kRunning = 29;
inline constexpr std::uint32_t kConnecting = 30;
inline constexpr std::uint32_t kError = 31;
inline constexpr std::uint32_t kShutdown = 32;
inline constexpr std::uint32_t kEnded = 33;
} // namespace capi_state

// The data manager's payload type, which has no class of the registry.
inline constexpr std::int32_t kCapiDataManagerType = 34;

// Host endpoints the managers send to.
inline constexpr std::uint16_t kCapiHostMainEndpoint = 2048;
inline constexpr std::uint16_t kCapiHostStatusEndpoint = 0x802;
inline constexpr std::uint16_t kCapiHostCallEndpoint = 2063;

// LISTEN_REQ of every manager: Info mask and CIP mask.
inline constexpr std::uint32_t kCapiListenInfoMask = 0x30;
inline constexpr std::uint32_t kCapiListenCipMask = 0x11;

// Timer ids of the managers' timer lists.
inline constexpr std::uint32_t kCapiManagerTimer1 = 1;
inline constexpr std::uint32_t kCapiManagerTimer2 = 2;

// One CAPI message the owner received: its bytes (a DATA_B3_IND with its data
// right behind the message), its sequence number, the time it came and
// whether a manager has answered it.
struct CapiStoredMessage {
    std::vector<std::uint8_t> bytes;
    std::uint32_t sequence = 0;
    bool handled = false;
    TimeDate received;

    std::span<const std::uint8_t> View() const { return {bytes.data(), bytes.size()}; }
    std::uint8_t GetCommand() const { return bytes[kCapiOffsetCommand]; }
    std::uint8_t GetSubcommand() const { return bytes[kCapiOffsetSubcommand]; }
    std::uint16_t GetMessageNumber() const { return CapiGetWord(&bytes[kCapiOffsetMessageNumber]); }
};
// Oldest first; entries are only appended at the end and dropped at the front.
using CapiMessageList = std::deque<CapiStoredMessage>;

class CapiManagerBase {
public:
    explicit CapiManagerBase(CapiHost* owner);
    CapiManagerBase(const CapiManagerBase&) = delete;
    CapiManagerBase& operator=(const CapiManagerBase&) = delete;
    // Releases the queued messages and frees the request message's header;
    // its payload is this manager.
    virtual ~CapiManagerBase();

    // Copies the header fields, texts and words; the request message becomes
    // a header copy that carries this manager.
    virtual void CopyFrom(const CapiManagerBase& other);
    virtual KvResult Run() = 0;
    virtual KvResult Step() = 0;
    // False for a manager that never walks the received-message store, so
    // that the owner does not keep messages for it.
    virtual bool WalksMessageStore() const { return true; }
    // The manager as the payload of its type, for the payload registry.
    virtual const void* AsPayload() const = 0;
    // True when the manager has work it could do at once: the owner runs it
    // again within the pass, a bounded number of times.
    virtual bool RunsAgain() { return false; }

    void Reset();

    // --- Set up by whoever files the manager ---
    void SetOwner(CapiHost* owner) { owner_ = owner; }
    CapiHost* GetOwner() const { return owner_; }
    void SetRouter(CKvMessageRouter* router, std::uint16_t endpoint) {
        router_ = router;
        endpoint_ = endpoint;
    }
    CKvMessageRouter* GetRouter() const { return router_; }
    std::uint16_t GetEndpoint() const { return endpoint_; }
    void SetValueCounter(std::uint32_t* counter) { value_counter_ = counter; }
    // The message stays the manager's from now on; its payload is the manager.
    void SetRequestMessage(CKvMessage* request);
    CKvMessage* GetRequestMessage() const { return request_; }
    void SetJobId(std::uint32_t id) { job_id_ = id; }
    std::uint32_t GetJobId() const { return job_id_; }
    std::int32_t GetPayloadType() const { return payload_type_; }
    CKvMessageList& GetQueue() { return queue_; }

    std::uint32_t GetState() const { return state_; }
    std::uint32_t GetPreviousState() const { return previous_state_; }
    void SetState(std::uint32_t state) {
        previous_state_ = state_;
        state_ = state;
    }
    KvResult GetResult() const { return result_; }
    std::uint32_t GetCapiInfo() const { return capi_info_; }
    std::uint32_t GetApplId() const { return appl_id_; }
    void SetApplId(std::uint32_t appl_id) { appl_id_ = appl_id; }
    std::uint32_t GetLastSequence() const { return last_sequence_; }
    void SetLastSequence(std::uint32_t sequence) { last_sequence_ = sequence; }

    CapiMessageCodec& GetCodec() { return codec_; }
    CapiConnectionTable& GetConnections() { return connections_; }
    TimerList& GetTimers() { return timers_; }

    // Texts 0 to 3, by their numbers: a note on the call in progress, the
    // own number, the caller's number and the matched number.
    std::string& GetText0() { return call_note_; }
    const std::string& GetText1() const { return own_number_; }
    void SetText1(const std::string& text) { own_number_ = text; }
    std::string& GetText2() { return caller_number_; }
    void SetText2(const std::string& text) { caller_number_ = text; }
    std::string& GetText3() { return matched_number_; }
    void SetText3(const std::string& text) { matched_number_ = text; }
    // DATA_B3_IND answered by the shared indication handling.
    std::uint32_t& DataCounter() { return data_counter_; }
    TimeDate& GetEventTime() { return event_time_; }
    DiallingRules& GetDiallingRules() { return dialling_rules_; }
    // DATA_B3_IND blocks that a full receive stream could not keep.
    std::uint32_t GetDroppedBlocks() const { return dropped_blocks_; }
    const CapiStoredMessage* GetCurrentMessage() const { return current_message_; }
    std::uint16_t GetMessageNumber() const { return message_number_; }
    void SetMessageNumber(std::uint16_t number) { message_number_ = number; }

    // The owner's counter advanced (its new value kept here too), or, without
    // an owner or with own set, this manager's counter; 16-bit, wrapping.
    std::uint16_t NextMessageNumber(bool own = false);

    // --- CAPI requests and responses. Each builds in the codec named, puts
    // the message through the owner with the manager's ApplID and keeps the
    // CAPI result as the CAPI info: non-zero gives KV_E_CAPI_INFO. No owner
    // or no connection: KV_E_INVALID_POINTER. A builder's failure puts
    // nothing and is the result. Responses repeat the number the codec's
    // header holds, which the handler sets to the indication's. CONNECT_REQ
    // and DISCONNECT_REQ start the connection's timer 2; every request
    // records its number with the connection for its confirmation.
    KvResult SendListenReq(std::uint32_t controller, std::uint32_t info_mask, std::uint32_t cip_mask);
    KvResult SendConnectReq(CapiConnection* connection, std::uint32_t cip_value,
                            const std::string& called_number, const std::string& calling_number);
    KvResult SendConnectResp(CapiConnection* connection);
    KvResult SendConnectActiveResp(CapiConnection* connection);
    KvResult SendConnectB3Resp(CapiB3Connection* b3);
    // In the manager's codec.
    KvResult SendDataB3Resp();
    KvResult SendConnectB3ActiveResp(CapiB3Connection* b3);
    KvResult SendDisconnectB3Resp(CapiB3Connection* b3);
    // A connection without a PLCI yet (CONNECT_REQ unconfirmed) sends
    // nothing: it is cleared once CONNECT_CONF gives the PLCI.
    KvResult SendDisconnectReq(CapiConnection* connection);
    KvResult SendDisconnectResp(CapiConnection* connection);
    KvResult SendFacilityReq(CapiConnection* connection, std::uint32_t function,
                             std::uint32_t plci_parameter);
    KvResult SendFacilityResp(CapiConnection* connection);
    // In the manager's codec.
    KvResult SendInfoResp();

    // One LISTEN_REQ (Info mask 0x30, CIP mask 0x11) per controller of the
    // owner; when any was put, the owner's listen-requested flag is set and
    // timer 2 started. The number put.
    std::uint32_t ListenOnEveryController();

    // --- Answers to the requester ---
    // A CONFIRMATION with the attribute back to a REQUEST's source; with
    // payload it carries a copy of the request's payload. 0 for another kind.
    KvResult ConfirmRequest(CKvMessage* request, std::int32_t attribute, bool with_payload);
    // Takes the message over: a REQUEST goes back as CONFIRMATION with the
    // attribute (its payload destroyed first unless keep_payload); anything
    // else, or what cannot be sent, is released.
    KvResult SendSelfToRequester(CKvMessage* message, std::int32_t attribute, bool keep_payload);
    // An INFO copy of a REQUEST with source and target job ids swapped, to
    // the endpoint, valued by the incremented counter.
    KvResult NotifyRequester(CKvMessage* request, std::uint16_t target, std::int32_t attribute,
                             std::uint32_t* value_counter, bool with_payload);
    // A status text (payload 25) by its identifier to 2050, queued while that
    // endpoint is absent; dropped without router or text.
    KvResult PostStatusText(const std::string& text);

    // The confirmations of the manager's requests: LISTEN_CONF of its own
    // number; CONNECT_CONF, DISCONNECT_CONF and FACILITY_CONF of the
    // connection whose request carried the confirmation's number, in its pool
    // first, then in the owner's table (not found: KV_CAPI_NOT_AVAILABLE,
    // left unmarked). A CONNECT_CONF for a call that was to be cleared before
    // it had a PLCI sends the DISCONNECT_REQ. Returns the CAPI info.
    KvResult HandleConfirmation(CapiStoredMessage* message);
    // A LISTEN_CONF with Info 0 and the manager's message number sets the
    // owner's listen-confirmed flag and is marked; the rest is left alone.
    KvResult ConfirmListening(CapiStoredMessage* message);
    // The indication handling the tick, transfer, data and dial managers
    // share: answers the indications of the manager's connections (its own
    // pool first, then the owner's table) and marks each one it answers. A
    // message its decoder refuses is left alone: no state changes, nothing is
    // sent, it stays unmarked; so is one naming PLCI 0, which is no call's,
    // or the PLCI of a record in state 0, whose call is gone.
    // Two go by what was read of them: a DATA_B3_IND whose NCCI and Data
    // Handle were read is kept and answered whatever its data, and a
    // DISCONNECT_IND whose PLCI was read ends that call (Reason 0 when none
    // was read).
    KvResult AnswerIndication(CapiStoredMessage* message);
    // The owner's messages of its ApplID above the last sequence, in order:
    // confirmations to OnConfirmation, indications to OnIndication.
    KvResult ProcessMessages();

    // ENDED or SHUTDOWN: a request to stop the manager.
    static bool IsStopRequest(const CKvMessage* message);
    // The first stop request of the queue, taken out (the caller's now); the
    // other messages stay queued in order. Null when there is none.
    CKvMessage* TakeStopRequest();

    // Every connection record of the manager, reset, back into the owner's
    // table.
    void ReturnConnectionsToOwner();
    // Before a record goes back: the PLCI of a call cleared before it was
    // active, whose DISCONNECT_IND has not come, is left with the owner,
    // which clears the call should the network make it active after all.
    void GiveUpCall(const CapiConnection& connection);
    // The closing states every manager shares: 31 answers REFUSED and goes
    // to 20; 32 goes to 20 once Shutdown completes. False for another state.
    bool StepClosingState();

    // 1 when no connection is in use any more, else 0; one look at each
    // connection per call.
    std::int32_t Shutdown();
    // A connection whose CONNECT_REQ or DISCONNECT_REQ has waited out its
    // timer 2 without confirmation counts as idle from now on; true then.
    static bool ExpireUnconfirmedRequest(CapiConnection& connection);

    // --- The owner's received-message store ---
    // KV_E_FAIL when the owner keeps nothing for the ApplID.
    KvResult FindMessageList(std::uint32_t appl_id, CapiMessageList*& list) const;
    // The index of the first entry above the sequence: KV_OK, else KV_E_FAIL
    // and the index unchanged.
    static KvResult FindFirstAbove(const CapiMessageList& list, std::uint32_t sequence,
                                   std::size_t& index);

    // The digits of a text, in order.
    static std::string DigitsOnly(std::string_view text);

protected:
    // What ProcessMessages does with each message; most managers keep these.
    virtual KvResult OnConfirmation(CapiStoredMessage* message) {
        return HandleConfirmation(message);
    }
    virtual KvResult OnIndication(CapiStoredMessage* message) { return AnswerIndication(message); }
    // False while the manager is busy with a call of its own: a call to its
    // number is then refused rather than taken.
    virtual bool TakesNewCalls() const { return true; }

    // Advances and returns the value counter (the manager's own word when no
    // shared counter was given).
    std::uint32_t NextValue(std::uint32_t* counter);
    // Puts the message the codec built; see the senders.
    KvResult Put(const CapiMessageCodec& codec, KvResult built);
    // Sets the result and returns it.
    KvResult Fail(KvResult result) { return result_ = result; }
    // A copy of this manager as a new payload of its type, for the answers
    // that carry the manager; null for a type without a copy.
    void* NewCopyOfSelf() const;

    CapiHost* owner_ = nullptr;
    std::int32_t payload_type_ = 0;
    std::uint32_t job_id_ = 0;
    KvResult result_ = KV_OK;
    CKvMessageRouter* router_ = nullptr;
    std::uint16_t endpoint_ = 0;
    std::uint32_t* value_counter_ = nullptr;
    std::uint32_t own_value_counter_ = 0;
    std::uint32_t appl_id_ = 0;
    std::uint32_t capi_info_ = 0;
    std::uint32_t state_ = capi_state::kStart;
    std::uint32_t previous_state_ = capi_state::kStart;
    std::array<std::uint32_t, 2> sub_states_{};
    CapiConnectionTable connections_;
    TimerList timers_;
    CKvMessageList queue_;
    CKvMessage* request_ = nullptr;
    const CapiStoredMessage* current_message_ = nullptr;
    CapiMessageCodec codec_;
    std::uint16_t message_number_ = 0;
    std::uint32_t last_sequence_ = 0;
    // Set by the requester for the call in progress; emptied when the data
    // manager's call is cleared.
    std::string call_note_;
    // The number the manager answers or calls from.
    std::string own_number_;
    // The calling party number of the last call taken or matched, as
    // received.
    std::string caller_number_;
    // The watched number the last call matched.
    std::string matched_number_;
    std::uint32_t data_counter_ = 0;
    TimerList second_timers_;
    TimeDate event_time_;
    DiallingRules dialling_rules_;
    std::uint32_t dropped_blocks_ = 0;

private:
    // One per indication AnswerIndication answers; each finds the record the
    // message names, takes the message for it and answers it.
    void AnswerConnectInd(CapiStoredMessage& message);
    void AnswerConnectActiveInd(CapiStoredMessage& message);
    void AnswerDisconnectInd(CapiStoredMessage& message);
    void AnswerInfoInd(CapiStoredMessage& message);
    void AnswerFacilityInd(CapiStoredMessage& message);
    void AnswerConnectB3Ind(CapiStoredMessage& message);
    void AnswerConnectB3ActiveInd(CapiStoredMessage& message);
    void AnswerDisconnectB3Ind(CapiStoredMessage& message);
    void AnswerDataB3Ind(CapiStoredMessage& message);
    // The message is the record's: marked, so that no other manager answers
    // it, and its number kept in the record's codec for the response.
    void Take(CapiStoredMessage& message, CapiMessageCodec& record);
    // The connection (B3 record) the decoded indication names, the message
    // taken for it; null, the message left alone, when the decoder failed
    // or none has the id.
    CapiConnection* TakeConnection(CapiStoredMessage& message, bool decoded);
    CapiB3Connection* TakeB3(CapiStoredMessage& message, bool decoded);
    // CONNECT_RESP with Reject 1 (ignore the call) for the CONNECT_IND just
    // decoded, from the manager's codec.
    void IgnoreCall(CapiStoredMessage& message);
};

// Where the PLCI (or NCCI) behind a message's header ends.
inline constexpr std::size_t kCapiIdEnd = kCapiHeaderLength + 4;

// The message's first end bytes lie inside both its bytes and its length
// word, so a decoder has read them.
inline bool CapiMessageHolds(std::span<const std::uint8_t> bytes, std::size_t end) {
    return bytes.size() >= end && CapiMessageLength(bytes.data()) >= end;
}

// A confirmation's PLCI (or NCCI) and its Info behind the header.
inline constexpr std::size_t kCapiConfOffsetPlci = kCapiHeaderLength;
inline constexpr std::size_t kCapiConfOffsetInfo = kCapiIdEnd;

// The word at the offset of a message, when the message holds it.
inline bool CapiReadConfWord(const CapiStoredMessage& message, std::size_t offset, std::uint32_t& value) {
    if (!CapiMessageHolds(message.View(), offset + 2))
        return false;
    value = CapiGetWord(&message.bytes[offset]);
    return true;
}

// A DATA_B3_IND whose NCCI and Data Handle were read: it can be answered,
// whatever its data.
inline bool DataB3IdsRead(std::span<const std::uint8_t> bytes) {
    return CapiMessageHolds(bytes, kCapiDataB3OffsetFlags);
}

// A status text (payload 25) by its identifier, as INFO command 1 to 2050,
// queued while that endpoint is absent; the value is the message's value.
KvResult PostCapiStatusText(CKvMessageRouter* router, std::uint16_t source, std::uint32_t value,
                            const std::string& text);

// How a payload of a manager type becomes its base: one entry per type code,
// filled by RegisterCapiPayloads, so that no void* is ever cast to the base.
using CapiManagerFromPayloadFn = CapiManagerBase* (*)(void* payload);
void RegisterCapiManagerType(std::int32_t payload_type, CapiManagerFromPayloadFn convert);
// Null for a type without an entry or a null payload.
CapiManagerBase* CapiManagerFromPayload(void* payload, std::int32_t payload_type);

template <typename Manager> CapiManagerBase* CapiManagerOf(void* payload) {
    return static_cast<Manager*>(payload);
}

// The payload operations of a manager class: created by type, copied with
// CopyFrom, destroyed through its own class.
template <typename Manager> constexpr PayloadOperations MakeCapiManagerOperations() {
    return PayloadOperations{
        []() -> void* { return new Manager(); },
        [](void* target, const void* source) {
            static_cast<Manager*>(target)->CopyFrom(*static_cast<const Manager*>(source));
            return true;
        },
        [](void* payload) { delete static_cast<Manager*>(payload); },
    };
}
