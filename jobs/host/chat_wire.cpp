#include "jobs/host/chat_wire.h"

#include "capi/capi_dial_manager.h"
#include "capi/capi_listen_manager.h"
#include "data/data_handler_catalog.h"
#include "data/data_handler_store.h"
#include "data/data_user.h"
#include "data/data_user_group.h"
#include "jobs/host/job_host.h"
#include "jobs/job_data_chat.h"
#include "platform/pointer.h"

#include <algorithm>

namespace {

// The stored users, as the catalog a group resolves its members through.
class StoredUsers final : public CKvDataHandlerCatalog {
public:
    StoredUsers() : users_(K_KVDT_TP_DTHDLR_DATAUSER, 1, 0x7FFFFFFF, nullptr, nullptr) {}
    void Add(const CKvDataHandler& user) {
        std::unique_ptr<CKvDataHandler> copy;
        if (user.Clone(copy))
            users_.Add(copy);
    }
    KvResult GetStore(CKvDataHandlerStore*& out, std::uint32_t type_code) override {
        out = type_code == K_KVDT_TP_DTHDLR_DATAUSER ? &users_ : nullptr;
        return out != nullptr ? KV_OK : KV_E_NO_CLASS;
    }

private:
    CKvDataHandlerStore users_;
};

} // namespace

// ---- The wire ----

ChatWire& ChatWire::Get() {
    static ChatWire wire;
    return wire;
}

void ChatWire::Attach(JobHost* host) {
    std::lock_guard lock(mutex_);
    if (std::find(hosts_.begin(), hosts_.end(), host) == hosts_.end())
        hosts_.push_back(host);
}

void ChatWire::Detach(JobHost* host) {
    std::lock_guard lock(mutex_);
    hosts_.erase(std::remove(hosts_.begin(), hosts_.end(), host), hosts_.end());
}

void ChatWire::Script(std::vector<ChatWireFate> fates) {
    std::lock_guard lock(mutex_);
    fates_ = std::move(fates);
}

void ChatWire::Reset() {
    std::lock_guard lock(mutex_);
    fates_.clear();
    held_.clear();
    log_.clear();
}

void ChatWire::Carry(const std::string& caller, const std::string& called,
                     const std::uint8_t* bytes, std::uint32_t count) {
    ChatWireEntry entry;
    entry.caller = caller;
    entry.called = called;
    entry.bytes.assign(bytes, bytes + count);
    {
        std::lock_guard lock(mutex_);
        if (!fates_.empty()) {
            entry.fate = fates_.front();
            fates_.erase(fates_.begin());
        }
        if (entry.fate == ChatWireFate::kDelay)
            held_.push_back(entry);
    }
    if (entry.fate == ChatWireFate::kDeliver || entry.fate == ChatWireFate::kRepeat)
        entry.deliveries = Deliver(entry);
    if (entry.fate == ChatWireFate::kRepeat)
        entry.deliveries += Deliver(entry);
    std::lock_guard lock(mutex_);
    log_.push_back(std::move(entry));
}

std::size_t ChatWire::ReleaseDelayed() {
    std::vector<ChatWireEntry> held;
    {
        std::lock_guard lock(mutex_);
        held.swap(held_);
    }
    for (const ChatWireEntry& entry : held)
        Deliver(entry);
    return held.size();
}

std::vector<ChatWireEntry> ChatWire::GetLog() const {
    std::lock_guard lock(mutex_);
    return log_;
}

std::uint32_t ChatWire::Deliver(const ChatWireEntry& entry) {
    std::vector<JobHost*> hosts;
    {
        std::lock_guard lock(mutex_);
        hosts = hosts_;
    }
    std::uint32_t delivered = 0;
    for (JobHost* host : hosts) {
        if (host->DeliverChatPacket(entry.called, entry.caller, entry.bytes.data(),
                                    static_cast<std::uint32_t>(entry.bytes.size())))
            ++delivered;
    }
    return delivered;
}

// ---- The host's side ----

bool JobHost::DeliverChatPacket(const std::string& called, const std::string& caller,
                                const std::uint8_t* bytes, std::uint32_t count) {
    const CKvJobMap* chats = GetHandler().FindJobsOfType(K_KVJBDT_TP_CHAT);
    if (chats == nullptr)
        return false;
    CKvJobDataChat* target = nullptr;
    for (const auto& entry : *chats) {
        auto* chat = static_cast<CKvJobDataChat*>(static_cast<CKvJobData*>(entry.second));
        if (IsValidPtr(chat) && chat->GetNumber() == called) {
            target = chat;
            break;
        }
    }
    if (target == nullptr)
        return false;
    CKvMessage* notice = nullptr;
    void* payload = nullptr;
    if (!router_.CreateMessageWithPayload(notice, payload, KV_PAYLOAD_CAPI_LISTEN_MANAGER))
        return false;
    auto* manager = static_cast<CapiListenManager*>(payload);
    manager->SetCalledNumber(called);
    manager->SetReceivedCall(caller, bytes, count);
    manager->GetEventTime().SetNow();
    notice->SetKindAndCommand(KV_MSG_KIND_INFO, KV_MSG_COMMAND_NOTIFICATION,
                              KV_SUBCOMMAND_ONE_RECORD);
    notice->SetAttribute(KV_MSG_ATTR_NOTIFICATION);
    notice->SetJobIds(target->GetJobId(), target->GetSecondManagerId(), 0);
    return notice->Send(handler_endpoint_, KV_ENDPOINT_CAPI, &router_, ++capi_value_, true,
                        false) == KV_OK;
}

bool JobHost::ServeChatWire(CKvMessage* message) {
    if (message->GetKind() != KV_MSG_KIND_INFO ||
        message->GetPayloadType() != KV_PAYLOAD_CAPI_DIAL_MANAGER)
        return false;
    auto* item = static_cast<CapiDialManager*>(message->GetPayload());
    if (!IsValidPtr(item) || *item->GetConnectionSlot() == 0)
        return false;
    // The caller is the number the requester's dial manager calls from.
    std::string caller;
    if (auto grant = capi_grants_.find(message->GetSourceJobId()); grant != capi_grants_.end()) {
        auto* manager = static_cast<CapiDialManager*>(grant->second->GetPayload());
        if (IsValidPtr(manager))
            caller = manager->GetCallingNumber();
    }
    ChatWire::Get().Carry(caller, item->GetCalledNumber(), item->GetSubaddressData(),
                          *item->GetConnectionSlot());
    message->Release();
    return true;
}

bool JobHost::ServeChatRecords(CKvMessage* message) {
    if (records_silent_ || message->GetKind() != KV_MSG_KIND_REQUEST ||
        message->GetSubCommand() != KV_SUBCOMMAND_ONE_RECORD ||
        !IsValidPtr(message->GetPayload()))
        return false;
    const std::int32_t type = message->GetPayloadType();
    // A participant's report replaces what the host keeps; it is not
    // answered.
    if (message->GetSourceEndpoint() == CKvJobDataChat::kReportSourceEndpoint &&
        message->GetCommand() == 1 && type == K_KVDT_TP_DTHDLR_DATAUSER) {
        StoreRecord(
            std::unique_ptr<CKvDataHandler>(static_cast<CKvDataHandler*>(message->DetachPayload())),
            type);
        message->Release();
        return true;
    }
    if (type == K_KVDT_TP_DTHDLR_DATAUSERGROUP) {
        AnswerUserGroup(message);
        return true;
    }
    // A user asked for by key; a blank record is the logon's own user.
    if (type != K_KVDT_TP_DTHDLR_DATAUSER ||
        static_cast<CKvDataUser*>(message->GetPayload())->GetScreenName().empty())
        return false;
    auto* asked = static_cast<CKvDataUser*>(message->GetPayload());
    CKvDataHandler* found = nullptr;
    for (std::size_t index = 0; CKvDataHandler* held = FindStoredRecord(type, index); ++index) {
        if (held->IsSameKey(*asked)) {
            found = held;
            break;
        }
    }
    std::unique_ptr<CKvDataHandler> copy;
    if (found != nullptr && found->Clone(copy)) {
        message->DestroyPayload();
        message->SetPayload(copy.release());
        message->SetAttribute(KV_MSG_ATTR_DATA_FOUND);
    } else {
        message->SetAttribute(KV_MSG_ATTR_DATA_NOT_FOUND);
    }
    message->SendConfirmation(KV_ENDPOINT_HOST_MAIN, &router_, true);
    return true;
}

void JobHost::AnswerUserGroup(CKvMessage* message) {
    auto* asked = static_cast<CKvDataUserGroup*>(message->GetPayload());
    CKvDataHandler* found = nullptr;
    for (std::size_t index = 0;
         CKvDataHandler* held = FindStoredRecord(K_KVDT_TP_DTHDLR_DATAUSERGROUP, index); ++index) {
        if (held->IsSameKey(*asked)) {
            found = held;
            break;
        }
    }
    std::unique_ptr<CKvDataHandler> copy;
    if (found == nullptr || !found->Clone(copy)) {
        message->SetAttribute(KV_MSG_ATTR_DATA_NOT_FOUND);
        message->SendConfirmation(KV_ENDPOINT_HOST_MAIN, &router_, true);
        return;
    }
    // The answer carries its members, resolved from the stored users.
    StoredUsers users;
    for (std::size_t index = 0;
         CKvDataHandler* user = FindStoredRecord(K_KVDT_TP_DTHDLR_DATAUSER, index); ++index)
        users.Add(*user);
    auto* group = static_cast<CKvDataUserGroup*>(copy.get());
    group->SetContext(&users);
    group->ResolveMembers();
    group->SetContext(nullptr);
    message->DestroyPayload();
    message->SetPayload(copy.release());
    message->SetAttribute(KV_MSG_ATTR_DATA_FOUND);
    message->SendConfirmation(KV_ENDPOINT_HOST_MAIN, &router_, true);
}
