#include "jobs/host/host_capi_service.h"

#include "capi/capi_dial_manager.h"
#include "capi/capi_func_data.h"
#include "capi/capi_listen_manager.h"
#include "capi/capi_manager_base.h"
#include "jobs/host/chat_wire.h"
#include "jobs/host/job_host.h"
#include "jobs/job_data_chat.h"
#include "platform/pointer.h"

HostCapiService::~HostCapiService() {
    for (auto& [id, grant] : grants_)
        grant->Release();
    for (CKvMessage* held : held_)
        held->Release();
}

void HostCapiService::Serve(CKvMessage* message) {
    host_.GetServiceLogWriter().Record(KV_ENDPOINT_CAPI, *message);
    if (ServeChatWire(message))
        return;
    const std::int32_t type = message->GetPayloadType();
    CapiManagerBase* manager = CapiManagerFromPayload(message->GetPayload(), type);
    if (message->GetKind() == KV_MSG_KIND_REQUEST && manager != nullptr) {
        if (refuses_) {
            message->SetAttribute(KV_MSG_ATTR_REFUSED);
        } else {
            const std::uint32_t id = next_manager_id_++;
            manager->SetJobId(id);
            CKvMessage* grant = nullptr;
            if (message->Clone(grant) == KV_OK)
                grants_[id] = grant;
            else if (grant != nullptr)
                grant->Release();
            // The confirmation's swap makes the manager id its second job id.
            message->SetJobIds(id, message->GetTargetJobId(), message->GetOriginatingJobId());
            message->SetAttribute(KV_MSG_ATTR_ACCEPTED);
        }
        // A data manager is never copied: the answer goes back without it.
        if (type == kCapiDataManagerType)
            message->DestroyPayload();
        message->SendConfirmation(KV_ENDPOINT_CAPI, &host_.GetRouter(), true);
        return;
    }
    if (type == CAPIFuncData::kTypeCode && message->GetKind() == KV_MSG_KIND_REQUEST) {
        ServeCall(message);
        return;
    }
    if (message->GetAttribute() == KV_MSG_ATTR_SHUTDOWN) {
        const std::uint32_t id = message->GetSourceJobId();
        shutdowns_.push_back(id);
        GiveUp(id);
    }
    message->Release();
}

void HostCapiService::GiveUp(std::uint32_t manager_id) {
    if (auto found = grants_.find(manager_id); found != grants_.end()) {
        found->second->Release();
        grants_.erase(found);
    }
}

bool HostCapiService::NotifyFromManager(std::uint32_t manager_id, std::int32_t attribute,
                                        const std::function<void(CKvMessage&)>& fill,
                                        std::uint16_t target) {
    auto found = grants_.find(manager_id);
    if (found == grants_.end())
        return false;
    CKvMessage* notice = nullptr;
    if (found->second->Clone(notice) != KV_OK) {
        if (notice != nullptr)
            notice->Release();
        return false;
    }
    fill(*notice);
    notice->SwapJobIds();
    notice->SetKind(KV_MSG_KIND_INFO);
    notice->SetAttribute(attribute);
    return notice->Send(target != 0 ? target : found->second->GetSourceEndpoint(), KV_ENDPOINT_CAPI,
                        &host_.GetRouter(), ++value_, true, false) == KV_OK;
}

bool HostCapiService::ScriptListenNotification(std::uint32_t manager_id, const std::string& calling,
                                               const std::string& called) {
    return NotifyFromManager(manager_id, KV_MSG_ATTR_NOTIFICATION, [&](CKvMessage& notice) {
        CapiManagerBase* manager =
            CapiManagerFromPayload(notice.GetPayload(), notice.GetPayloadType());
        if (manager == nullptr)
            return;
        manager->SetText2(calling);
        manager->SetText3(called);
        manager->GetEventTime().SetNow();
    });
}

bool HostCapiService::ScriptManagerEnded(std::uint32_t manager_id) {
    const bool sent = NotifyFromManager(manager_id, KV_MSG_ATTR_ENDED, [](CKvMessage&) {});
    GiveUp(manager_id);
    return sent;
}

bool HostCapiService::ScriptTransferReport(std::uint32_t manager_id, std::int32_t attribute) {
    const bool sent = NotifyFromManager(
        manager_id, attribute, [](CKvMessage&) {}, KV_ENDPOINT_JOB_INTAKE);
    if (attribute == KV_MSG_ATTR_ENDED || attribute == KV_MSG_ATTR_SHUTDOWN)
        GiveUp(manager_id);
    return sent;
}

void HostCapiService::ServeCall(CKvMessage* message) {
    const std::uint32_t manager_id = message->GetSourceJobId();
    auto* record = static_cast<CAPIFuncData*>(message->GetPayload());
    if (message->GetAttribute() == KV_MSG_ATTR_ENDED) {
        // The function manager ends: what it held is dropped with it.
        for (auto it = held_.begin(); it != held_.end();) {
            if ((*it)->GetSourceJobId() == manager_id) {
                (*it)->Release();
                it = held_.erase(it);
            } else {
                ++it;
            }
        }
        GiveUp(manager_id);
        message->Release();
        return;
    }
    if (!IsValidPtr(record) || grants_.count(manager_id) == 0) {
        message->Release();
        return;
    }
    record->SetFlagReturn(1);
    record->SetReturnValue(0);
    switch (record->GetType()) {
    case CAPIFuncData::kRegister:
        record->SetApplicationId(next_appl_id_++);
        break;
    case CAPIFuncData::kRelease:
        record->SetApplicationId(0);
        break;
    case CAPIFuncData::kWaitForSignal:
        held_.push_back(message);
        return;
    default:
        break;
    }
    if (calls_held_) {
        held_.push_back(message);
        return;
    }
    AnswerCall(message);
}

void HostCapiService::AnswerCall(CKvMessage* message) {
    message->SetAttribute(KV_MSG_ATTR_UNSPECIFIED);
    message->SendConfirmation(KV_ENDPOINT_CAPI, &host_.GetRouter(), true);
}

std::size_t HostCapiService::ReleaseHeldCalls() {
    std::vector<CKvMessage*> held;
    held.swap(held_);
    for (CKvMessage* message : held)
        AnswerCall(message);
    return held.size();
}

// ---- The chat wire ----

bool HostCapiService::DeliverChatPacket(const std::string& called, const std::string& caller,
                                        const std::uint8_t* bytes, std::uint32_t count) {
    const CKvJobMap* chats = host_.GetHandler().FindJobsOfType(K_KVJBDT_TP_CHAT);
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
    if (!host_.GetRouter().CreateMessageWithPayload(notice, payload,
                                                    KV_PAYLOAD_CAPI_LISTEN_MANAGER))
        return false;
    auto* manager = static_cast<CapiListenManager*>(payload);
    manager->SetCalledNumber(called);
    manager->SetReceivedCall(caller, bytes, count);
    manager->GetEventTime().SetNow();
    notice->SetKindAndCommand(KV_MSG_KIND_INFO, KV_MSG_COMMAND_NOTIFICATION,
                              KV_SUBCOMMAND_ONE_RECORD);
    notice->SetAttribute(KV_MSG_ATTR_NOTIFICATION);
    notice->SetJobIds(target->GetJobId(), target->GetSecondManagerId(), 0);
    return notice->Send(host_.GetHandlerEndpoint(), KV_ENDPOINT_CAPI, &host_.GetRouter(), ++value_,
                        true, false) == KV_OK;
}

bool HostCapiService::ServeChatWire(CKvMessage* message) {
    if (message->GetKind() != KV_MSG_KIND_INFO ||
        message->GetPayloadType() != KV_PAYLOAD_CAPI_DIAL_MANAGER)
        return false;
    auto* item = static_cast<CapiDialManager*>(message->GetPayload());
    if (!IsValidPtr(item) || *item->GetConnectionSlot() == 0)
        return false;
    // The caller is the number the requester's dial manager calls from.
    std::string caller;
    if (auto grant = grants_.find(message->GetSourceJobId()); grant != grants_.end()) {
        auto* manager = static_cast<CapiDialManager*>(grant->second->GetPayload());
        if (IsValidPtr(manager))
            caller = manager->GetCallingNumber();
    }
    ChatWire::Get().Carry(caller, item->GetCalledNumber(), item->GetSubaddressData(),
                          *item->GetConnectionSlot());
    message->Release();
    return true;
}
