#include "framework/message_list.h"

#include "platform/pointer.h"

#include <iterator>

namespace {

constexpr std::int32_t kKindLimit = 6;
constexpr std::int32_t kCommandLimit = 12;
constexpr std::int32_t kAttributeLimit = 32;

bool IsListHeaderInRange(const CKvMessage& message) {
    return message.GetKind() < kKindLimit && message.GetCommand() < kCommandLimit &&
           message.GetSubCommand() < kCommandLimit && message.GetAttribute() < kAttributeLimit;
}

} // namespace

KvResult CKvMessageList::Add(CKvMessage* message, bool start_timer) {
    if (!IsValidPtr(message))
        return last_error_ = KV_E_INVALID_POINTER;
    if (Find(message) != messages_.end())
        return last_error_ = KV_E_ALREADY_PRESENT;
    if (!IsListHeaderInRange(*message))
        return last_error_ = KV_E_HEADER_OUT_OF_RANGE;
    if (start_timer)
        message->GetTimer().Start();
    messages_.push_back(message);
    nodes_.emplace(message, std::prev(messages_.end()));
    return last_error_ = KV_OK;
}

std::int32_t CKvMessageList::Remove(CKvMessage* message) {
    if (!IsValidPtr(message)) {
        last_error_ = KV_E_INVALID_POINTER;
        return 0;
    }
    auto found = Find(message);
    if (found == messages_.end()) {
        last_error_ = KV_E_FAIL;
        return 0;
    }
    Unlink(found);
    last_error_ = KV_OK;
    return 1;
}

std::int32_t CKvMessageList::RemoveAndDelete(CKvMessage*& message) {
    if (!Remove(message))
        return 0;
    message->Release();
    message = nullptr;
    return 1;
}

void CKvMessageList::RemoveAll() {
    messages_.clear();
    nodes_.clear();
    ResetIterator();
}

void CKvMessageList::DeleteAll() {
    for (CKvMessage* message : messages_) {
        if (IsValidPtr(message))
            message->Release();
    }
    RemoveAll();
}

void CKvMessageList::DeleteExpired() {
    for (auto it = messages_.begin(); it != messages_.end();) {
        CKvMessage* message = *it;
        if (!IsValidPtr(message) || !message->GetTimer().CheckExpired()) {
            ++it;
            continue;
        }
        Unlink(it++);
        message->Release();
    }
}

std::int32_t CKvMessageList::FindByPayloadType(CKvMessage*& message, std::int32_t payload_type) {
    message = nullptr;
    for (CKvMessage* entry : messages_) {
        if (!IsValidPtr(entry)) {
            last_error_ = KV_E_INVALID_POINTER;
            continue;
        }
        if (entry->GetPayloadType() == payload_type) {
            message = entry;
            return 1;
        }
    }
    return 0;
}

std::int32_t CKvMessageList::FindBlank(CKvMessage*& message) const {
    message = nullptr;
    for (CKvMessage* entry : messages_) {
        if (IsValidPtr(entry) && entry->IsBlank()) {
            message = entry;
            return 1;
        }
    }
    return 0;
}

void CKvMessageList::ResetIterator() {
    current_ = messages_.end();
    last_returned_ = nullptr;
}

bool CKvMessageList::BeginIteration() {
    last_returned_ = nullptr;
    current_ = messages_.begin();
    return current_ != messages_.end();
}

CKvMessage* CKvMessageList::NextMessage() {
    if (current_ == messages_.end())
        return nullptr;
    last_returned_ = *current_;
    ++current_;
    return last_returned_;
}

CKvMessage* CKvMessageList::FirstMessage() {
    return BeginIteration() ? NextMessage() : nullptr;
}

void CKvMessageList::GetHeadPosition(Position& position) const {
    position = Position(&messages_, messages_.begin());
}

CKvMessage* CKvMessageList::GetNext(Position& position) const {
    if (!position)
        return nullptr;
    CKvMessage* message = *position.node_;
    ++position.node_;
    return message;
}

CKvMessageList& CKvMessageList::Assign(const CKvMessageList& other) {
    if (&other == this)
        return *this;
    DeleteAll();
    for (const CKvMessage* message : other.messages_) {
        if (!IsValidPtr(message))
            continue;
        CKvMessage* copy = nullptr;
        if (message->Clone(copy) != KV_OK) {
            if (copy != nullptr)
                copy->Release();
            continue;
        }
        if (Add(copy, false) != KV_OK)
            copy->Release();
    }
    return *this;
}

std::vector<CKvMessage*> CKvMessageList::TakeAll() {
    std::vector<CKvMessage*> taken(messages_.begin(), messages_.end());
    RemoveAll();
    return taken;
}

void CKvMessageList::PutBackInFront(const std::vector<CKvMessage*>& messages) {
    const auto front = messages_.begin();
    for (CKvMessage* message : messages)
        nodes_.emplace(message, messages_.insert(front, message));
}

CKvMessageList::Messages::iterator CKvMessageList::Find(const CKvMessage* message) {
    auto found = nodes_.find(message);
    return found == nodes_.end() ? messages_.end() : found->second;
}

void CKvMessageList::Unlink(Messages::iterator node) {
    if (node == current_)
        ++current_;
    nodes_.erase(*node);
    messages_.erase(node);
}
