#include "jobs/host/host_record_service.h"

#include "data/data_call.h"
#include "data/data_handler_catalog.h"
#include "data/data_handler_store.h"
#include "data/data_user.h"
#include "data/data_user_group.h"
#include "framework/payload_registry.h"
#include "jobs/host/job_host.h"
#include "jobs/job_data_chat.h"
#include "jobs/job_data_root.h"
#include "platform/pointer.h"

#include <algorithm>
#include <limits>

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

void HostRecordService::Confirm(CKvMessage* message) {
    message->SendConfirmation(KV_ENDPOINT_HOST_MAIN, &host_.GetRouter(), true);
}

void HostRecordService::StoreRecord(std::unique_ptr<CKvDataHandler> record, std::int32_t type) {
    if (!record)
        return;
    std::vector<std::unique_ptr<CKvDataHandler>>& stored = records_[type];
    for (std::unique_ptr<CKvDataHandler>& held : stored) {
        if (held->IsSameKey(*record)) {
            held = std::move(record);
            return;
        }
    }
    stored.push_back(std::move(record));
}

CKvDataHandler* HostRecordService::FindStoredRecord(std::int32_t type, std::size_t index) const {
    auto found = records_.find(type);
    if (found == records_.end() || index >= found->second.size())
        return nullptr;
    return found->second[index].get();
}

CKvDataHandler* HostRecordService::LookUp(const CKvMessage& message) const {
    auto found = records_.find(message.GetPayloadType());
    if (found == records_.end() || !IsValidPtr(message.GetPayload()))
        return nullptr;
    auto* asked = static_cast<CKvDataHandler*>(message.GetPayload());
    // A user is asked for with a blank record: the asking job's login name
    // names it.
    const CKvJobData* job = host_.FindJob(message.GetTargetJobId());
    for (const std::unique_ptr<CKvDataHandler>& held : found->second) {
        if (message.GetPayloadType() == K_KVDT_TP_DTHDLR_DATAUSER) {
            if (job != nullptr &&
                static_cast<CKvDataUser*>(held.get())->GetScreenName() == job->GetLoginName())
                return held.get();
        } else if (IsAskedRecord(*held, *asked, message.GetPayloadType())) {
            return held.get();
        }
    }
    return nullptr;
}

void HostRecordService::Serve(CKvMessage* message) {
    host_.GetServiceLogWriter().Record(KV_ENDPOINT_HOST_MAIN, *message);
    if (ServeChatRecords(message))
        return;
    const bool has_record = IsValidPtr(message->GetPayload());
    if (message->GetKind() == KV_MSG_KIND_INFO && has_record) {
        const std::int32_t type = message->GetPayloadType();
        StoreRecord(
            std::unique_ptr<CKvDataHandler>(static_cast<CKvDataHandler*>(message->DetachPayload())),
            type);
        message->Release();
        return;
    }
    if (!silent_ && message->GetKind() == KV_MSG_KIND_REQUEST &&
        message->GetSubCommand() == kSubCommandAllOfType) {
        AnswerWithStore(message, message->GetPayloadType(), [](CKvDataHandler&) { return true; });
        return;
    }
    if (!silent_ && ServeRecordQuery(message))
        return;
    if (silent_ || message->GetKind() != KV_MSG_KIND_REQUEST ||
        message->GetSubCommand() != KV_SUBCOMMAND_ONE_RECORD) {
        message->Release();
        return;
    }
    CKvDataHandler* found = LookUp(*message);
    std::unique_ptr<CKvDataHandler> copy;
    if (found == nullptr) {
        message->SetAttribute(KV_MSG_ATTR_DATA_NOT_FOUND);
    } else if (locked_answers_ > 0 && message->GetPayloadType() == locked_type_) {
        --locked_answers_;
        message->SetAttribute(KV_MSG_ATTR_DATA_FOUND_LOCKED);
    } else if (found->Clone(copy)) {
        message->SetPayload(copy.release());
        message->SetAttribute(KV_MSG_ATTR_DATA_FOUND);
    } else {
        message->SetAttribute(KV_MSG_ATTR_DATA_NOT_FOUND);
    }
    Confirm(message);
}

// ---- Record requests ----

bool HostRecordService::IsAskedRecord(CKvDataHandler& held, CKvDataHandler& asked,
                                      std::int32_t type) {
    // A call is asked for by its start time, whatever its key text says.
    if (type == K_KVDT_TP_DTHDLR_DATACALL)
        return static_cast<CKvDataCall&>(held).GetStartTime() ==
               static_cast<CKvDataCall&>(asked).GetStartTime();
    return held.IsSameKey(asked);
}

bool HostRecordService::ServeRecordQuery(CKvMessage* message) {
    if (message->GetKind() != KV_MSG_KIND_REQUEST)
        return false;
    if (message->GetSubCommand() == CKvJobDataRoot::kSubCommandCollection &&
        message->GetPayloadType() == KV_PAYLOAD_OBJECT_POINTER_LIST) {
        ServeCollection(message);
        return true;
    }
    if (message->GetSubCommand() == kSubCommandCallQuery &&
        message->GetPayloadType() == K_KVDT_TP_DTHDLR_DATACALL) {
        ServeCallQuery(message);
        return true;
    }
    return false;
}

void HostRecordService::ServeCollection(CKvMessage* message) {
    void* collection = nullptr;
    if (!message->CreatePayload(collection, KV_PAYLOAD_OBJECT_POINTER_LIST)) {
        message->SetAttribute(KV_MSG_ATTR_DATA_NOT_FOUND);
    } else {
        message->SetAttribute(KV_MSG_ATTR_DATA_FOUND);
    }
    Confirm(message);
}

void HostRecordService::AnswerWithStore(CKvMessage* message, std::int32_t type,
                                        const std::function<bool(CKvDataHandler&)>& wanted) {
    std::vector<std::unique_ptr<CKvDataHandler>> copies;
    if (auto found = records_.find(type); found != records_.end()) {
        for (const std::unique_ptr<CKvDataHandler>& held : found->second) {
            std::unique_ptr<CKvDataHandler> copy;
            if (wanted(*held) && held->Clone(copy))
                copies.push_back(std::move(copy));
        }
    }
    // Room for every match: an answer that leaves records out would pass for
    // a complete one.
    const auto capacity = static_cast<std::int32_t>(
        std::min<std::size_t>(copies.size(), std::numeric_limits<std::int32_t>::max()));
    auto store = std::make_unique<CKvDataHandlerStore>(static_cast<std::uint32_t>(type), 0,
                                                       capacity, nullptr, nullptr);
    bool complete = copies.size() <= static_cast<std::size_t>(capacity);
    std::uint32_t identifier = 0;
    for (std::unique_ptr<CKvDataHandler>& copy : copies) {
        // The store keeps its records by identifier.
        copy->SetIdentifier(++identifier);
        if (store->Add(copy) != KV_OK) {
            complete = false;
            break;
        }
    }
    if (message->GetPayload() != nullptr)
        DestroyPayloadByType(message->DetachPayload(), message->GetPayloadType());
    if (complete) {
        message->SetHeader(KV_MSG_KIND_REQUEST, store.release(), KV_PAYLOAD_DATA_HANDLER_STORE, 0,
                           0, KV_MSG_ATTR_DATA_FOUND);
    } else {
        message->SetHeader(KV_MSG_KIND_REQUEST, nullptr, 0, 0, 0, KV_MSG_ATTR_DATA_NOT_FOUND);
    }
    Confirm(message);
}

void HostRecordService::ServeCallQuery(CKvMessage* message) {
    auto* query = static_cast<CKvDataCall*>(message->GetPayload());
    TimeDate from;
    if (IsValidPtr(query)) {
        from.SetSeconds(query->GetStartTime().GetFurtherSeconds());
        from.SetMilliseconds(query->GetStartTime().GetFurtherMilliseconds());
    }
    AnswerWithStore(message, K_KVDT_TP_DTHDLR_DATACALL, [&from](CKvDataHandler& record) {
        return !(static_cast<CKvDataCall&>(record).GetStartTime() < from);
    });
}

// ---- The chat job's records ----

bool HostRecordService::ServeChatRecords(CKvMessage* message) {
    if (silent_ || message->GetKind() != KV_MSG_KIND_REQUEST ||
        message->GetSubCommand() != KV_SUBCOMMAND_ONE_RECORD || !IsValidPtr(message->GetPayload()))
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
    Confirm(message);
    return true;
}

void HostRecordService::AnswerUserGroup(CKvMessage* message) {
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
        Confirm(message);
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
    Confirm(message);
}
