#pragma once
// An ordered list of messages. Its delete operations release the messages with
// their payloads; Remove hands a message back without deleting it. No lock of
// its own: the owner serialises access.

#include "framework/message.h"
#include "platform/result_codes.h"

#include <cstdint>
#include <list>
#include <unordered_map>
#include <vector>

class CKvMessageList {
public:
    using Messages = std::list<CKvMessage*>;

    // A place in the list held by the caller; false past the end.
    class Position {
    public:
        Position() = default;
        explicit operator bool() const { return list_ != nullptr && node_ != list_->end(); }

    private:
        friend class CKvMessageList;
        Position(const Messages* list, Messages::const_iterator node) : list_(list), node_(node) {}
        const Messages* list_ = nullptr;
        Messages::const_iterator node_{};
    };

    CKvMessageList() = default;
    ~CKvMessageList() { DeleteAll(); }
    CKvMessageList(const CKvMessageList&) = delete;
    CKvMessageList& operator=(const CKvMessageList&) = delete;

    // Appends the message, which the list then holds. KV_E_INVALID_POINTER,
    // KV_E_ALREADY_PRESENT, or KV_E_HEADER_OUT_OF_RANGE (the payload type is
    // not checked), tested in that order. The result is also the last error.
    KvResult Add(CKvMessage* message, bool start_timer);
    // Unlinks without deleting; 1 when found.
    std::int32_t Remove(CKvMessage* message);
    // Unlinks and releases; the reference becomes null. 1 when found.
    std::int32_t RemoveAndDelete(CKvMessage*& message);
    void RemoveAll();
    void DeleteAll();
    // Releases every message whose running timer expires at this poll.
    void DeleteExpired();
    std::int32_t GetCount() const { return static_cast<std::int32_t>(messages_.size()); }
    bool IsEmpty() const { return messages_.empty(); }

    std::int32_t FindByPayloadType(CKvMessage*& message, std::int32_t payload_type);
    std::int32_t FindBlank(CKvMessage*& message) const;

    // The list's own iteration.
    void ResetIterator();
    bool BeginIteration();
    // The current message, then advances; null at the end.
    CKvMessage* NextMessage();
    CKvMessage* FirstMessage();

    // Iteration with a position held by the caller.
    void GetHeadPosition(Position& position) const;
    // The message at the position, which then advances; null past the end.
    CKvMessage* GetNext(Position& position) const;

    // DeleteAll, then a copy (payload included) of each message of the other
    // list; copies whose payload could not be copied are released.
    CKvMessageList& Assign(const CKvMessageList& other);

    // Takes every message out, in order, without deleting them.
    std::vector<CKvMessage*> TakeAll();
    // Puts messages back in front of those held, keeping their order; none of
    // them may be held already.
    void PutBackInFront(const std::vector<CKvMessage*>& messages);
    // The first message, or null.
    CKvMessage* Front() const { return messages_.empty() ? nullptr : messages_.front(); }

    KvResult GetLastError() const { return last_error_; }

private:
    Messages::iterator Find(const CKvMessage* message);
    void Unlink(Messages::iterator node);

    Messages messages_;
    // Where each message sits, so that presence tests and removals do not
    // walk the list.
    std::unordered_map<const CKvMessage*, Messages::iterator> nodes_;
    Messages::iterator current_ = messages_.end();
    CKvMessage* last_returned_ = nullptr;
    KvResult last_error_ = KV_OK;
};
