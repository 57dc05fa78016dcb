#include "framework/imsg_message_list.h"

#include "platform/pointer.h"

#include <algorithm>

ImsgMessageList::Messages::iterator ImsgMessageList::Locate(const PackedMessage* message) {
    return std::find_if(messages_.begin(), messages_.end(),
                        [message](const auto& held) { return held.get() == message; });
}

KvResult ImsgMessageList::Add(PackedMessage* message) {
    if (!IsValidPtr(message))
        return Keep(KV_E_INVALID_POINTER);
    if (messages_.size() >= kCapacity)
        return Keep(KV_E_LIST_FULL);
    if (Locate(message) != messages_.end())
        return Keep(KV_E_NOT_FOUND);
    messages_.emplace_back(message);
    message->GetTimer().Start();
    return Keep(KV_OK);
}

KvResult ImsgMessageList::CreateFromBytes(PackedMessage*& message,
                                          std::span<const std::uint8_t> bytes,
                                          const std::string* peer_name) {
    message = nullptr;
    auto decoded = std::make_unique<PackedMessage>();
    const KvResult result = decoded->FromBytes(bytes, peer_name);
    if (result == KV_OK)
        message = decoded.release();
    return result;
}

KvResult ImsgMessageList::Remove(PackedMessage* message) {
    if (!IsValidPtr(message))
        return Keep(KV_E_INVALID_POINTER);
    auto found = Locate(message);
    if (found == messages_.end())
        return Keep(KV_E_NOT_FOUND);
    found->release();
    messages_.erase(found);
    return Keep(KV_OK);
}

void ImsgMessageList::DeleteAll() {
    messages_.clear();
}

void ImsgMessageList::DeleteExpired() {
    std::erase_if(messages_, [](const auto& held) { return held->GetTimer().CheckExpired() != 0; });
}

void ImsgMessageList::DeleteById(std::uint32_t idt) {
    std::erase_if(messages_, [idt](const auto& held) { return held->GetIdt() == idt; });
}

KvResult ImsgMessageList::Find(PackedMessage*& message, std::uint32_t command, std::uint32_t type,
                               const std::string& text, std::uint32_t idt, bool use_idt,
                               std::uint32_t ids, bool use_ids, const std::string* peer_name) {
    message = nullptr;
    const bool by_peer = IsValidPtr(peer_name);
    for (const auto& held : messages_) {
        if (held->GetCommand() != command || held->GetType() != type)
            continue;
        if (!held->Matches(text, idt, use_idt, ids, use_ids))
            continue;
        if (by_peer && held->GetPeerName() != *peer_name)
            continue;
        message = held.get();
        return Keep(KV_OK);
    }
    return Keep(KV_E_NOT_FOUND);
}

KvResult ImsgMessageList::FindAndRemove(PackedMessage*& message, std::uint32_t command,
                                        std::uint32_t type, const std::string& text,
                                        std::uint32_t idt, bool use_idt, std::uint32_t ids,
                                        bool use_ids, const std::string* peer_name) {
    const KvResult result =
        Find(message, command, type, text, idt, use_idt, ids, use_ids, peer_name);
    if (result != KV_OK)
        return result;
    return Remove(message);
}
