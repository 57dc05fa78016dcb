#include "jobs/job_data_tapi.h"

#include "data/data_call.h"
#include "data/data_device.h"
#include "data/data_general.h"
#include "data/data_preferences.h"
#include "platform/pointer.h"
#include "tapi/tapi_call.h"

KvResult CKvJobDataTapiBase::PostRecord(void* record, std::int32_t payload_type,
                                        std::int32_t command, std::uint16_t target,
                                        std::int32_t kind, std::uint32_t originating) {
    auto* message = new CKvMessage;
    message->SetHeader(kind, record, payload_type, command, KV_SUBCOMMAND_ONE_RECORD,
                       KV_MSG_ATTR_UNSPECIFIED);
    if (!IsValidPtr(router_)) {
        message->Release();
        return KV_E_OUT_OF_MEMORY;
    }
    message->SetJobIds(0, job_id_, originating);
    return SendToHost(message, target);
}

KvResult CKvJobDataTapiBase::RequestKeyed(std::int32_t payload_type, const std::string& key) {
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!IsValidPtr(router_) ||
        !router_->CreateMessageWithPayload(message, payload, payload_type))
        return KV_E_OUT_OF_MEMORY;
    if (payload_type == K_KVDT_TP_DTHDLR_DATADEVICE) {
        std::string number = key;
        static_cast<CKvDataDevice*>(payload)->SetNumber(number);
    }
    message->SetKindAndCommand(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_DATA, KV_SUBCOMMAND_ONE_RECORD);
    message->SetJobIds(0, job_id_, job_id_);
    return SendToHost(message, KV_ENDPOINT_HOST_MAIN);
}

bool CKvJobDataTapiBase::HasClientAtPeer(bool running_only) const {
    if (!IsValidPtr(handler_))
        return false;
    const CKvJobMap* clients = handler_->FindJobsOfType(K_KVJBDT_TP_CLIENT);
    if (clients == nullptr)
        return false;
    for (const auto& entry : *clients) {
        const auto* client = static_cast<const CKvJobData*>(entry.second);
        if (IsValidPtr(client) &&
            (!running_only || client->GetState() == KV_JOB_STATE_RUNNING) &&
            client->GetPeerComputer().GetKey() == peer_.GetKey())
            return true;
    }
    return false;
}

bool CKvJobDataTapiBase::AskServer() {
    auto* client = IsValidPtr(handler_)
                       ? static_cast<CKvJobData*>(handler_->FirstJob(K_KVJBDT_TP_CLIENT))
                       : nullptr;
    if (!IsValidPtr(client))
        return false;
    peer_ = client->GetPeerComputer();
    local_ = client->GetLocalComputer();
    loginname_ = client->GetLoginName();
    SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 0, job_id_);
    if (Send() != KV_OK)
        return false;
    waiting_flag_ = 1;
    timers_.Start(kAnswerTimerId);
    GoTo(KV_JOB_STATE_WAITING_FOR_ANSWER);
    return true;
}

void CKvJobDataTapiBase::Refuse() {
    if (messagetype_ != KV_MSG_KIND_REQUEST)
        return;
    SetMessageType(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_REFUSED);
    Send();
}

void CKvJobDataTapiBase::CollectLocalComputer() {
    const std::string login = loginname_;
    CollectLocalIdentity();
    loginname_ = login;
}

void TakePreferenceRules(DiallingRules& rules, CKvDataPreferences& preferences) {
    rules.SetExternalAffixes(preferences.GetPhoneNumberExternPrefix(),
                             preferences.GetPhoneNumberExternSuffix());
    rules.SetInternalAffixes(
        preferences.GetPhoneNumberInternPrefix(), preferences.GetPhoneNumberInternSuffix(),
        static_cast<std::int32_t>(preferences.GetNumberInternDigitsCount().Get()));
    rules.ModeFlag() = preferences.GetFlagSourceAutomaticLine().Get();
    rules.AreaCode() = preferences.GetCityAreaCode();
}

void TakeGeneralRules(DiallingRules& rules, CKvDataGeneral& general) {
    rules.SetExternalAffixes(general.GetExternPrefixDigit(), general.GetExternSuffixDigit());
    rules.SetInternalAffixes(general.GetInternPrefixDigit(), general.GetInternSuffixDigit(),
                             static_cast<std::int32_t>(general.GetInternDigitsCount()));
    rules.ModeFlag() = general.GetFlagAutomaticLine() ? 1 : 0;
    rules.AreaCode() = general.GetOwnAreaCode();
}

void FillCallRecord(CKvDataCall& record, KVTAPICALL& call) {
    record.GetPhoneNumber().GetNumber() = call.GetCalledNumber();
    record.GetNumberInt() = call.GetCalledNumber();
    record.GetFlagCallOut().Set(0);
    record.GetTapiCallHandle() = call.GetHcall();
    record.GetStartTime() = call.GetTimeDateState();
}
