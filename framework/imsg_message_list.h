#pragma once
// The chat packets that wait for an answer, each with its own 20-second
// time-out that starts when it is added. The list owns the packets it holds;
// Remove and FindAndRemove hand a packet back to the caller.

#include "framework/packed_message.h"
#include "platform/result_codes.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class ImsgMessageList {
public:
    // 201, one more than the nominal 200, as peers have always been allowed.
    static constexpr std::size_t kCapacity = 201;

    ImsgMessageList() = default;
    ~ImsgMessageList() { DeleteAll(); }
    ImsgMessageList(const ImsgMessageList&) = delete;
    ImsgMessageList& operator=(const ImsgMessageList&) = delete;

    // Takes the packet over on KV_OK and starts its timer. KV_E_INVALID_POINTER,
    // KV_E_LIST_FULL, or KV_E_NOT_FOUND when the packet is held already; the
    // packet then stays with the caller.
    KvResult Add(PackedMessage* message);
    // A new packet decoded from the bytes, for the caller to own; it is not
    // added. On failure the packet is deleted and the out pointer is null;
    // the result is that of the decoding.
    KvResult CreateFromBytes(PackedMessage*& message, std::span<const std::uint8_t> bytes,
                             const std::string* peer_name);
    // Unlinks the packet and hands it back. KV_E_INVALID_POINTER,
    // KV_E_NOT_FOUND.
    KvResult Remove(PackedMessage* message);
    void DeleteAll();
    // Deletes the packets whose timer expires at this poll.
    void DeleteExpired();
    void DeleteById(std::uint32_t idt);
    // The first packet of the command and type that Matches the criteria and,
    // with a peer name given, comes from that peer; it stays in the list.
    // KV_E_NOT_FOUND (and null) when there is none.
    KvResult Find(PackedMessage*& message, std::uint32_t command, std::uint32_t type,
                  const std::string& text, std::uint32_t idt, bool use_idt, std::uint32_t ids,
                  bool use_ids, const std::string* peer_name);
    // Find, then Remove: the caller owns the packet found.
    KvResult FindAndRemove(PackedMessage*& message, std::uint32_t command, std::uint32_t type,
                           const std::string& text, std::uint32_t idt, bool use_idt,
                           std::uint32_t ids, bool use_ids, const std::string* peer_name);

    std::size_t GetCount() const { return messages_.size(); }
    // The packets in list order; the list keeps them.
    PackedMessage* GetAt(std::size_t index) const { return messages_.at(index).get(); }
    KvResult GetLastError() const { return last_error_; }

private:
    using Messages = std::vector<std::unique_ptr<PackedMessage>>;

    Messages::iterator Locate(const PackedMessage* message);
    KvResult Keep(KvResult result) { return last_error_ = result; }

    Messages messages_;
    KvResult last_error_ = KV_OK;
};
