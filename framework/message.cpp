#include "framework/message.h"

#include "framework/message_router.h"
#include "framework/payload_registry.h"
#include "platform/object_pool.h"
#include "platform/pointer.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<const char*, 6> kKindNames = {
    "UNSPECIFIED", "REQUEST", "CONFIRMATION", "LOG", "INFO", "SIGNAL",
};

constexpr std::array<const char*, 32> kAttributeNames = {
    "UNSPECIFIED",
    "IPADDRESS_PREFERED",
    "DATA_FOUND",
    "DATA_NOT_FOUND",
    "DATA_FOUND_LAST",
    "DATA_FOUND_LOCKED",
    "DATA_REMOVED",
    "DATA_PENDING",
    "FILE_PATHNAME",
    "DATA_REQUEST",
    "REFUSED",
    "ACCEPTED",
    "ENDED",
    "FAILED",
    "SUCCEEDED",
    "ALIVE",
    "NOTIFICATION",
    "LOCK",
    "TIMEOUT",
    "SHUTDOWN",
    "ONLINE_OR_PAUSED",
    "CONNECT",
    "DISCONNECT",
    "TICK",
    "SHORTCUT",
    "CLICKED",
    "DOUBLECLICKED",
    "SELECTED",
    "DESELECTED",
    "CLOSE",
    "CALL_CONNECTED",
    "CALL_ECT_ESTABLISHED",
};

// The blank message's timer: 0x7FFFFFF seconds, whose product in the 32-bit
// interval field gives 1073740824 ms.
constexpr std::uint32_t kBlankTimerSeconds = 0x7FFFFFF;

constexpr std::int32_t kKindLimit = 6;
constexpr std::int32_t kCommandLimit = 12;
constexpr std::int32_t kAttributeLimit = 32;

const std::string& EmptyText() {
    static const std::string empty;
    return empty;
}

// A pattern field of 0 matches anything.
bool FieldMatches(std::int32_t pattern, std::int32_t value) {
    return pattern == 0 || pattern == value;
}

} // namespace

void* CKvMessage::operator new(std::size_t size) {
    return ObjectPool<CKvMessage>::AllocateSize(size);
}

void CKvMessage::operator delete(void* message, std::size_t size) noexcept {
    ObjectPool<CKvMessage>::FreeSize(message, size);
}

CKvMessage::CKvMessage() {
    Reset();
}

CKvMessage::~CKvMessage() {
    DropPayload();
}

CKvMessage& CKvMessage::operator=(const CKvMessage& other) {
    if (this == &other)
        return *this;
    DropPayload();
    command_ = other.command_;
    sub_command_ = other.sub_command_;
    payload_type_ = other.payload_type_;
    attribute_ = other.attribute_;
    kind_ = other.kind_;
    value_ = other.value_;
    originating_job_id_ = other.originating_job_id_;
    source_job_id_ = other.source_job_id_;
    target_job_id_ = other.target_job_id_;
    source_endpoint_ = other.source_endpoint_;
    target_endpoint_ = other.target_endpoint_;
    subscriber_endpoint_ = other.subscriber_endpoint_;
    spare_word_ = other.spare_word_;
    target_name_ = other.target_name_;
    texts_ = other.texts_ ? std::make_unique<CarriedTexts>(*other.texts_) : nullptr;
    return *this;
}

void CKvMessage::Reset() {
    DropPayload();
    command_ = 0;
    sub_command_ = 0;
    payload_type_ = 0;
    attribute_ = 0;
    kind_ = KV_MSG_KIND_CONFIRMATION;
    value_ = 0;
    originating_job_id_ = 0;
    source_job_id_ = 0;
    target_job_id_ = 0;
    source_endpoint_ = 0;
    target_endpoint_ = 0;
    subscriber_endpoint_ = 0;
    spare_word_ = 0;
    target_name_.reset();
    texts_.reset();
    timer_.SetInterval(kBlankTimerSeconds, 0);
}

bool CKvMessage::IsHeaderValid() const {
    return kind_ < kKindLimit && command_ < kCommandLimit && sub_command_ < kCommandLimit &&
           payload_type_ <= KV_PAYLOAD_TYPE_MAX && attribute_ < kAttributeLimit;
}

bool CKvMessage::IsBlank() const {
    return command_ == 0 && sub_command_ == 0 && payload_type_ == 0 && attribute_ == 0 &&
           kind_ == KV_MSG_KIND_CONFIRMATION && payload_ == nullptr && value_ == 0 &&
           originating_job_id_ == 0 && source_job_id_ == 0 && target_job_id_ == 0 &&
           source_endpoint_ == 0 && target_endpoint_ == 0 && subscriber_endpoint_ == 0 &&
           spare_word_ == 0 && GetTargetName().empty() && GetFirstText().empty() &&
           GetSecondText().empty();
}

void CKvMessage::Release() {
    delete this;
}

void CKvMessage::DeleteHeaderOnly() {
    payload_ = nullptr;
    delete this;
}

void CKvMessage::SetHeader(std::int32_t kind, void* payload, std::int32_t payload_type,
                           std::int32_t command, std::int32_t sub_command, std::int32_t attribute) {
    if (payload != payload_)
        DropPayload();
    payload_type_ = payload_type;
    attribute_ = attribute;
    kind_ = kind;
    payload_ = payload;
    if (command != 0) {
        command_ = command;
        sub_command_ = sub_command;
    }
}

void CKvMessage::SetKindAndCommand(std::int32_t kind, std::int32_t command,
                                   std::int32_t sub_command) {
    kind_ = kind;
    command_ = command;
    sub_command_ = sub_command;
}

void CKvMessage::SetJobIds(std::uint32_t source, std::uint32_t target, std::uint32_t originating) {
    source_job_id_ = source;
    target_job_id_ = target;
    originating_job_id_ = originating;
}

void CKvMessage::SwapJobIds() {
    std::swap(source_job_id_, target_job_id_);
}

KvResult CKvMessage::CloneHeader(CKvMessage*& copy) const {
    copy = new CKvMessage;
    *copy = *this;
    return KV_OK;
}

KvResult CKvMessage::Clone(CKvMessage*& copy) const {
    const KvResult result = CloneHeader(copy);
    if (result != KV_OK || !IsValidPtr(payload_))
        return result;
    void* payload = nullptr;
    if (!copy->CreatePayload(payload, payload_type_))
        return KV_E_OUT_OF_MEMORY;
    return copy->CopyPayloadFrom(*this) ? KV_OK : KV_E_FAIL;
}

std::int32_t CKvMessage::CreatePayload(void*& payload, std::int32_t payload_type) {
    DropPayload();
    if (!CreatePayloadByType(payload, payload_type))
        return 0;
    payload_ = payload;
    payload_type_ = payload_type;
    return 1;
}

std::int32_t CKvMessage::CopyPayloadFrom(const CKvMessage& other) {
    if (payload_type_ != other.payload_type_)
        return 0;
    return CopyPayloadByType(payload_, other.payload_, payload_type_) ? 1 : 0;
}

KvResult CKvMessage::DestroyPayload() {
    const KvResult result = DestroyPayloadByType(payload_, payload_type_);
    if (result == KV_OK)
        payload_ = nullptr;
    return result;
}

const char* CKvMessage::KindName(std::int32_t kind) {
    if (kind < 0 || kind >= kKindLimit)
        return "ERROR_MSSTPE_UNKNOWN";
    return kKindNames[static_cast<std::size_t>(kind)];
}

const char* CKvMessage::AttributeName(std::int32_t attribute) {
    if (attribute < 0 || attribute >= kAttributeLimit)
        return "ERROR_ATTRIBUTE_UNKNOWN";
    return kAttributeNames[static_cast<std::size_t>(attribute)];
}

KvResult CKvMessage::MatchSubscription(const CKvMessage* pattern) const {
    if (!IsValidPtr(pattern))
        return KV_E_INVALID_POINTER;
    // The subscriber receives the message itself.
    if (pattern->subscriber_endpoint_ == target_endpoint_)
        return KV_E_FAIL;
    const bool matches = FieldMatches(pattern->kind_, kind_) &&
                         FieldMatches(pattern->command_, command_) &&
                         FieldMatches(pattern->sub_command_, sub_command_) &&
                         FieldMatches(pattern->payload_type_, payload_type_) &&
                         FieldMatches(pattern->source_endpoint_, source_endpoint_) &&
                         FieldMatches(pattern->target_endpoint_, target_endpoint_);
    return matches ? KV_OK : KV_E_FAIL;
}

KvResult CKvMessage::Send(std::uint16_t target, std::uint16_t source, CKvMessageRouter* router,
                          std::uint32_t value, bool release_on_failure, bool queue_if_absent) {
    if (IsValidPtr(router))
        router->RetryUndelivered();
    std::uint16_t posting_target = target;
    if (kind_ == KV_MSG_KIND_CONFIRMATION) {
        SwapJobIds();
        posting_target = source_endpoint_;
        source_endpoint_ = source;
    } else {
        source_endpoint_ = source;
        value_ = value;
    }
    const KvResult result = Post(posting_target, router, queue_if_absent);
    if (result != KV_OK && release_on_failure)
        Release();
    return result;
}

KvResult CKvMessage::SendConfirmation(std::uint16_t source, CKvMessageRouter* router,
                                      bool release_on_failure) {
    kind_ = KV_MSG_KIND_CONFIRMATION;
    return Send(0, source, router, 0, release_on_failure, false);
}

KvResult CKvMessage::Post(std::uint16_t target, CKvMessageRouter* router, bool queue_if_absent) {
    if (!IsValidPtr(router))
        return KV_E_INVALID_POINTER;
    target_endpoint_ = target;
    return router->Deliver(this, queue_if_absent);
}

const std::string& CKvMessage::GetTargetName() const {
    return target_name_ ? *target_name_ : EmptyText();
}

const std::string& CKvMessage::GetFirstText() const {
    return texts_ ? texts_->first : EmptyText();
}

const std::string& CKvMessage::GetSecondText() const {
    return texts_ ? texts_->second : EmptyText();
}

CKvMessage::CarriedTexts& CKvMessage::Texts() {
    if (!texts_)
        texts_ = std::make_unique<CarriedTexts>();
    return *texts_;
}

KvResult CKvMessage::SetPayloadType(std::int32_t payload_type) {
    if (payload_type == payload_type_)
        return KV_OK;
    if (payload_ != nullptr && payload_type_ != KV_PAYLOAD_NONE) {
        if (!CanDropPayload())
            return KV_E_NO_CLASS;
        DropPayload();
    }
    payload_type_ = payload_type;
    return KV_OK;
}

KvResult CKvMessage::SetPayload(void* payload) {
    if (payload == payload_)
        return KV_OK;
    if (!CanDropPayload())
        return KV_E_NO_CLASS;
    DropPayload();
    payload_ = payload;
    return KV_OK;
}

bool CKvMessage::CanDropPayload() const {
    return payload_ == nullptr || IsPayloadTypeKnown(payload_type_);
}

void CKvMessage::DropPayload() {
    if (payload_ == nullptr)
        return;
    // A payload of a type without a class cannot be destroyed; it is let go
    // rather than destroyed as the wrong class.
    DestroyPayloadByType(payload_, payload_type_);
    payload_ = nullptr;
}
