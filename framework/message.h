#pragma once
// The message object exchanged between the threads and windows of the
// process: a small header, an owned payload made by type code, job ids and
// endpoint ids. A message lives on the heap and belongs to one thread at a
// time: the sender until a posting succeeds, then the receiver, which releases
// it (or hands it on).

#include "core/timeout_timer.h"
#include "platform/result_codes.h"

#include <cstdint>
#include <memory>
#include <string>

class CKvMessageRouter;

enum KvMessageKind : std::int32_t {
    KV_MSG_KIND_UNSPECIFIED = 0,
    KV_MSG_KIND_REQUEST = 1,
    KV_MSG_KIND_CONFIRMATION = 2,
    KV_MSG_KIND_LOG = 3,
    KV_MSG_KIND_INFO = 4,
    KV_MSG_KIND_SIGNAL = 5,
};

// Commands with a meaning to the message layer; others are the senders' own.
enum KvMessageCommand : std::int32_t {
    KV_MSG_COMMAND_NONE = 0,
    KV_MSG_COMMAND_NOTIFICATION = 1,
    KV_MSG_COMMAND_DATA = 2,
    KV_MSG_COMMAND_QUIT = 6,
    KV_MSG_COMMAND_ANSWER_AT_ONCE = 7,
};

enum KvMessageAttribute : std::int32_t {
    KV_MSG_ATTR_UNSPECIFIED = 0,
    KV_MSG_ATTR_IPADDRESS_PREFERED = 1,
    KV_MSG_ATTR_DATA_FOUND = 2,
    KV_MSG_ATTR_DATA_NOT_FOUND = 3,
    KV_MSG_ATTR_DATA_FOUND_LAST = 4,
    KV_MSG_ATTR_DATA_FOUND_LOCKED = 5,
    KV_MSG_ATTR_DATA_REMOVED = 6,
    KV_MSG_ATTR_DATA_PENDING = 7,
    KV_MSG_ATTR_FILE_PATHNAME = 8,
    KV_MSG_ATTR_DATA_REQUEST = 9,
    KV_MSG_ATTR_REFUSED = 10,
    KV_MSG_ATTR_ACCEPTED = 11,
    KV_MSG_ATTR_ENDED = 12,
    KV_MSG_ATTR_FAILED = 13,
    KV_MSG_ATTR_SUCCEEDED = 14,
    KV_MSG_ATTR_ALIVE = 15,
    KV_MSG_ATTR_NOTIFICATION = 16,
    KV_MSG_ATTR_LOCK = 17,
    KV_MSG_ATTR_TIMEOUT = 18,
    KV_MSG_ATTR_SHUTDOWN = 19,
    KV_MSG_ATTR_ONLINE_OR_PAUSED = 20,
    KV_MSG_ATTR_CONNECT = 21,
    KV_MSG_ATTR_DISCONNECT = 22,
    KV_MSG_ATTR_TICK = 23,
    KV_MSG_ATTR_SHORTCUT = 24,
    KV_MSG_ATTR_CLICKED = 25,
    KV_MSG_ATTR_DOUBLECLICKED = 26,
    KV_MSG_ATTR_SELECTED = 27,
    KV_MSG_ATTR_DESELECTED = 28,
    KV_MSG_ATTR_CLOSE = 29,
    KV_MSG_ATTR_CALL_CONNECTED = 30,
    KV_MSG_ATTR_CALL_ECT_ESTABLISHED = 31,
};

class CKvMessage {
public:
    // A blank message.
    CKvMessage();
    // Destroys the owned payload by its type, as Release does.
    ~CKvMessage();
    CKvMessage(const CKvMessage&) = delete;
    // Messages are made on one thread and released on another, many per
    // second: they come from a pool that gives each back to the thread that
    // made it.
    static void* operator new(std::size_t size);
    static void operator delete(void* message, std::size_t size) noexcept;
    // Copies the header, job ids, endpoints and texts; not the payload (the
    // copy has none, its former payload being destroyed) and not the timer.
    CKvMessage& operator=(const CKvMessage& other);

    void Reset();
    // Kind, command, sub-command, payload type and attribute in range, each
    // compared as a signed number.
    bool IsHeaderValid() const;
    // Every field but the timer as Reset leaves it.
    bool IsBlank() const;

    // Deletes the message and destroys its payload when the payload's type is
    // known, whatever the header says.
    void Release();
    // Deletes the message and leaves its payload to whoever took it over.
    void DeleteHeaderOnly();

    // A command of 0 keeps the command and sub-command.
    void SetHeader(std::int32_t kind, void* payload, std::int32_t payload_type,
                   std::int32_t command, std::int32_t sub_command, std::int32_t attribute);
    void SetKindAndCommand(std::int32_t kind, std::int32_t command, std::int32_t sub_command);
    void SetJobIds(std::uint32_t source, std::uint32_t target, std::uint32_t originating);
    void SwapJobIds();

    // A new message with this header and no payload. KV_OK.
    KvResult CloneHeader(CKvMessage*& copy) const;
    // CloneHeader, then a copy of the payload. KV_E_OUT_OF_MEMORY when no
    // payload could be made, KV_E_FAIL when the copy failed; a copy that was
    // made is handed out even then, for the caller to release.
    KvResult Clone(CKvMessage*& copy) const;
    // A new payload of the type, replacing (and destroying) the one held;
    // non-zero on success. On failure the message has no payload and keeps
    // its payload type.
    std::int32_t CreatePayload(void*& payload, std::int32_t payload_type);
    // Copies the other's payload into this one's when both types are equal;
    // non-zero on success.
    std::int32_t CopyPayloadFrom(const CKvMessage& other);
    // KV_OK, KV_E_INVALID_POINTER without payload, KV_E_NO_CLASS for a type
    // without a class (the payload stays).
    KvResult DestroyPayload();

    const char* GetKindName() const { return KindName(kind_); }
    const char* GetAttributeName() const { return AttributeName(attribute_); }
    static const char* KindName(std::int32_t kind);
    static const char* AttributeName(std::int32_t attribute);

    // KV_OK when this message matches the subscription pattern, KV_E_FAIL when
    // not, KV_E_INVALID_POINTER for an invalid pattern.
    KvResult MatchSubscription(const CKvMessage* pattern) const;

    // Retries the router's undelivered messages, then posts this one: a
    // CONFIRMATION back to its request's source, anything else to target.
    // With release_on_failure a failed message is released; otherwise it
    // stays with the caller. A message that was posted or queued belongs to
    // the receiver or the router.
    KvResult Send(std::uint16_t target, std::uint16_t source, CKvMessageRouter* router,
                  std::uint32_t value, bool release_on_failure, bool queue_if_absent);
    KvResult SendConfirmation(std::uint16_t source, CKvMessageRouter* router,
                              bool release_on_failure);
    KvResult Post(std::uint16_t target, CKvMessageRouter* router, bool queue_if_absent);

    std::int32_t GetCommand() const { return command_; }
    std::int32_t GetSubCommand() const { return sub_command_; }
    std::int32_t GetPayloadType() const { return payload_type_; }
    std::int32_t GetAttribute() const { return attribute_; }
    std::int32_t GetKind() const { return kind_; }
    void* GetPayload() const { return payload_; }
    std::uint32_t GetValue() const { return value_; }
    std::uint32_t GetOriginatingJobId() const { return originating_job_id_; }
    std::uint32_t GetSourceJobId() const { return source_job_id_; }
    std::uint32_t GetTargetJobId() const { return target_job_id_; }
    std::uint16_t GetSourceEndpoint() const { return source_endpoint_; }
    std::uint16_t GetTargetEndpoint() const { return target_endpoint_; }
    std::uint16_t GetSubscriberEndpoint() const { return subscriber_endpoint_; }
    std::uint32_t GetSpareWord() const { return spare_word_; }
    const std::string& GetTargetName() const;
    const std::string& GetFirstText() const;
    const std::string& GetSecondText() const;
    TimeoutTimer& GetTimer() { return timer_; }
    const TimeoutTimer& GetTimer() const { return timer_; }

    void SetCommand(std::int32_t command) { command_ = command; }
    void SetSubCommand(std::int32_t sub_command) { sub_command_ = sub_command; }
    // A payload held under another type is destroyed through the type it was
    // held under, so that it is never destroyed as the wrong class; when that
    // type cannot destroy it, the change is refused with KV_E_NO_CLASS and
    // payload and type stay. A payload given without a type (type 0) takes
    // the type.
    KvResult SetPayloadType(std::int32_t payload_type);
    void SetAttribute(std::int32_t attribute) { attribute_ = attribute; }
    void SetKind(std::int32_t kind) { kind_ = kind; }
    // Takes the payload over; a different payload held before is destroyed.
    // KV_E_NO_CLASS when the payload held cannot be destroyed by its type: it
    // stays, and the new one stays with the caller.
    KvResult SetPayload(void* payload);
    // Hands the payload to the caller; the message keeps its payload type but
    // no longer owns or destroys anything.
    void* DetachPayload() {
        void* payload = payload_;
        payload_ = nullptr;
        return payload;
    }
    void SetValue(std::uint32_t value) { value_ = value; }
    void SetOriginatingJobId(std::uint32_t id) { originating_job_id_ = id; }
    void SetSourceJobId(std::uint32_t id) { source_job_id_ = id; }
    void SetTargetJobId(std::uint32_t id) { target_job_id_ = id; }
    void SetSourceEndpoint(std::uint16_t id) { source_endpoint_ = id; }
    void SetTargetEndpoint(std::uint16_t id) { target_endpoint_ = id; }
    void SetSubscriberEndpoint(std::uint16_t id) { subscriber_endpoint_ = id; }
    void SetSpareWord(std::uint32_t word) { spare_word_ = word; }
    // Shares the router's copy of the name; no text is copied.
    void SetTargetName(std::shared_ptr<const std::string> name) { target_name_ = std::move(name); }
    void SetFirstText(std::string text) { Texts().first = std::move(text); }
    void SetSecondText(std::string text) { Texts().second = std::move(text); }

private:
    // False when a payload is held that its type cannot destroy.
    bool CanDropPayload() const;
    void DropPayload();

    // The texts that only senders and receivers read; most messages carry
    // none.
    struct CarriedTexts {
        std::string first;
        std::string second;
    };
    CarriedTexts& Texts();

    // What a receiver reads to dispatch and release a message lies in its
    // first 64 bytes, and the whole object stays within the allocator's
    // cheapest size class: every message crosses from one thread's cache to
    // another's.
    std::int32_t command_ = 0;
    std::int32_t sub_command_ = 0;
    std::int32_t payload_type_ = 0;
    std::int32_t attribute_ = 0;
    std::int32_t kind_ = KV_MSG_KIND_CONFIRMATION;
    void* payload_ = nullptr;
    std::shared_ptr<const std::string> target_name_;
    std::unique_ptr<CarriedTexts> texts_;
    std::uint32_t value_ = 0;
    std::uint32_t originating_job_id_ = 0;
    std::uint32_t source_job_id_ = 0;
    std::uint32_t target_job_id_ = 0;
    std::uint16_t source_endpoint_ = 0;
    std::uint16_t target_endpoint_ = 0;
    std::uint16_t subscriber_endpoint_ = 0;
    std::uint32_t spare_word_ = 0;
    TimeoutTimer timer_{0, 0};
};
