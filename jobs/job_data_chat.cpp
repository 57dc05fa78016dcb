#include "jobs/job_data_chat.h"

#include "capi/capi_data_manager.h"
#include "capi/capi_dial_manager.h"
#include "capi/capi_listen_manager.h"
#include "data/data_user_group.h"
#include "jobs/job_data_chat_fields.h"
#include "platform/pointer.h"

CKvJobDataChat::CKvJobDataChat() {
    Init();
    timers_.Add(kAnswerTimerId, kAnswerSeconds, 0);
    pending_.Init(K_KVDT_TP_DTHDLR_DATAUSER, 1, kPendingCapacity, "", nullptr);
}

CKvJobDataChat::~CKvJobDataChat() {
    preferences_.reset();
    participants_.clear();
    for (std::optional<std::string>& slot : id_slots_)
        slot.reset();
}

void CKvJobDataChat::Init() {
    type_code_ = K_KVJBDT_TP_CHAT;
    state_ = KV_JOB_STATE_START;
    sub_state_ = 0;
    own_number_.clear();
    outgoing_number_.clear();
    buddy_sound_.clear();
    text_sound_.clear();
    disconnect_timeout_ = kDefaultDisconnectMs;
    dial_manager_id_ = 0;
    second_manager_id_ = 0;
    anonymous_flag_ = 0;
    deny_unknown_flag_ = 0;
    preferences_.reset();
    participants_.clear();
    for (std::optional<std::string>& slot : id_slots_)
        slot.reset();
    picture_id_ = "0";
}

CKvJobDataChat& CKvJobDataChat::CopyFrom(const CKvJobDataChat& other) {
    if (&other == this)
        return *this;
    job_id_ = other.job_id_;
    idsource_ = other.idsource_;
    target_job_id_ = other.target_job_id_;
    sequence_counter_ = other.sequence_counter_;
    loginname_ = other.loginname_;
    router_ = other.router_;
    endpoint_id_ = other.endpoint_id_;
    transport_mode_ = other.transport_mode_;
    local_ = other.local_;
    peer_ = other.peer_;
    own_number_ = other.own_number_;
    outgoing_number_ = other.outgoing_number_;
    disconnect_timeout_ = other.disconnect_timeout_;
    dial_manager_id_ = other.dial_manager_id_;
    anonymous_flag_ = other.anonymous_flag_;
    deny_unknown_flag_ = other.deny_unknown_flag_;
    presence_code_ = other.presence_code_;
    preferences_.reset();
    if (IsValidPtr(other.preferences_.get())) {
        std::unique_ptr<CKvDataHandler> copy;
        if (other.preferences_->Clone(copy))
            preferences_.reset(static_cast<CKvDataPreferences*>(copy.release()));
    }
    buddy_sound_ = other.buddy_sound_;
    text_sound_ = other.text_sound_;
    picture_id_ = other.picture_id_;
    return *this;
}

// ---- Presence ----

void CKvJobDataChat::SetPresenceText(const std::string& text) {
    presence_text_ = text;
    if (text == "ONLINE") {
        presence_code_ = kOnline;
    } else if (text == "PAUSED") {
        presence_code_ = kPaused;
    } else {
        presence_code_ = kOffline;
        presence_text_ = "OFFLINE";
    }
}

void CKvJobDataChat::SetPresence(std::uint32_t code) {
    presence_code_ = code;
    if (code == kPaused) {
        presence_text_ = "PAUSED";
    } else if (code == kOnline) {
        presence_text_ = "ONLINE";
    } else {
        presence_code_ = kOffline;
        presence_text_ = "OFFLINE";
    }
}

// ---- Participants and ids ----

KvResult CKvJobDataChat::AddParticipant(CKvDataUser* record) {
    if (participants_.size() >= kMaxParticipants)
        return last_result_ = KV_E_LIST_FULL;
    if (!IsValidPtr(record))
        return last_result_ = KV_E_INVALID_POINTER;
    const std::string key = record->GetKey();
    if (participants_.count(key) != 0)
        return last_result_ = KV_E_ALREADY_PRESENT;
    participants_.emplace(key, std::unique_ptr<CKvDataUser>(record));
    return last_result_ = KV_OK;
}

KvResult CKvJobDataChat::FindParticipant(CKvDataUser* record, CKvDataUser*& found) {
    found = nullptr;
    if (!IsValidPtr(record))
        return last_result_ = KV_E_INVALID_POINTER;
    found = FindParticipantByKey(record->GetKey());
    return last_result_ = found != nullptr ? KV_OK : KV_E_NOT_PRESENT;
}

CKvDataUser* CKvJobDataChat::FindParticipantByKey(const std::string& key) const {
    auto found = participants_.find(key);
    return found != participants_.end() ? found->second.get() : nullptr;
}

KvResult CKvJobDataChat::RemoveParticipant(const std::string& key,
                                           std::unique_ptr<CKvDataUser>& out) {
    auto found = participants_.find(key);
    if (found == participants_.end())
        return last_result_ = KV_E_FAIL;
    out = std::move(found->second);
    participants_.erase(found);
    return last_result_ = KV_OK;
}

KvResult CKvJobDataChat::AllocateLocalId(std::uint32_t& id, CKvDataUser& record) {
    const std::string& key = record.GetKey();
    std::optional<std::uint32_t> candidate;
    for (std::uint32_t slot = 0; slot < kLocalIdCount; ++slot) {
        if (!id_slots_[slot]) {
            candidate = slot;
            continue;
        }
        if (*id_slots_[slot] == key)
            return last_result_ = KV_E_ALREADY_PRESENT;
    }
    if (!candidate)
        return last_result_ = KV_E_NO_FREE_LOCAL_ID;
    id = *candidate;
    id_slots_[id] = key;
    return last_result_ = KV_OK;
}

void CKvJobDataChat::FreeLocalId(std::uint32_t id) {
    if (id < kLocalIdCount)
        id_slots_[id].reset();
}

const std::string* CKvJobDataChat::GetSlotKey(std::uint32_t id) const {
    if (id >= kLocalIdCount || !id_slots_[id])
        return nullptr;
    return &*id_slots_[id];
}

void CKvJobDataChat::FreeSlotOfKey(const std::string& key) {
    for (std::optional<std::string>& slot : id_slots_) {
        if (slot && *slot == key)
            slot.reset();
    }
}

void CKvJobDataChat::DestroyRecord(CKvDataUser* record) {
    if (!IsValidPtr(record))
        return;
    std::string key = record->GetKey();
    if (participants_.count(key) == 0)
        FreeSlotOfKey(key);
    delete record;
}

// ---- Step machine ----

KvResult CKvJobDataChat::Step() {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        DoStart();
        break;
    case kStateGroup:
        DoGroup();
        break;
    case kStateDialManager:
        DoDialManager();
        break;
    case kStateListenManager:
        DoSecondManager(KV_PAYLOAD_CAPI_LISTEN_MANAGER);
        break;
    case kStateDataManager:
        DoSecondManager(CapiDataManager::kTypeCode);
        break;
    case KV_JOB_STATE_RUNNING:
        DoRunning();
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        DoStopping();
        break;
    case KV_JOB_STATE_CLEANUP:
        DoEnding();
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

void CKvJobDataChat::FailTo8() {
    if (last_result_ == KV_OK)
        return;
    GoTo(KV_JOB_STATE_CLEANUP);
    SetSubState(0);
}

void CKvJobDataChat::DoStart() {
    CKvMessage* answer = nullptr;
    RequestRecord(answer, 2, KV_ENDPOINT_HOST_MAIN, 0, nullptr, K_KVDT_TP_DTHDLR_DATAPREFERENCES);
    if (answer == nullptr) {
        FailTo8();
        return;
    }
    auto* record = static_cast<CKvDataPreferences*>(answer->GetPayload());
    if (answer->GetAttribute() != KV_MSG_ATTR_DATA_FOUND) {
        last_result_ = KV_E_NO_DATA_FOUND;
    } else if (!IsValidPtr(record)) {
        last_result_ = KV_E_INVALID_POINTER;
    } else {
        screen_name_ = record->GetScreenName();
        own_number_ = record->GetPhoneNumberIn();
        outgoing_number_ = record->GetPhoneNumberOut();
        outgoing_prefix_ = record->GetPhoneNumberOutPrefix();
        outgoing_suffix_ = record->GetPhoneNumberOutSuffix();
        start_group_ = record->GetStartGroup();
        SetPresenceText(record->GetStartStateText());
        buddy_sound_ = record->GetSoundNotifBuddy();
        text_sound_ = record->GetSoundNotifText();
        anonymous_flag_ = record->GetFlagAnonymousValue();
        deny_unknown_flag_ = record->GetFlagUnknownDenyAllValue();
        last_name_ = record->GetLastName();
        first_name_ = record->GetFirstName();
        disconnect_timeout_ = record->GetTimeoutDisconnectedValue();
        picture_id_ = record->GetIdImageText();
        answer->DetachPayload();
        preferences_.reset(record);
    }
    answer->Release();
    if (last_result_ != KV_OK) {
        FailTo8();
        return;
    }
    GoTo(!start_group_.empty() && presence_code_ != kOffline ? kStateGroup : kStateDialManager);
    SetSubState(0);
}

void CKvJobDataChat::DoGroup() {
    CKvDataUserGroup* request = nullptr;
    if (sub_state_ == 0) {
        request = new CKvDataUserGroup(nullptr, 0);
        std::string name = start_group_;
        request->SetName(name);
        request->SetRuntimeWordA(1);
    }
    CKvMessage* answer = nullptr;
    RequestRecord(answer, 2, KV_ENDPOINT_HOST_MAIN, 0, request, K_KVDT_TP_DTHDLR_DATAUSERGROUP);
    if (answer == nullptr) {
        FailTo8();
        return;
    }
    auto* group = static_cast<CKvDataUserGroup*>(answer->GetPayload());
    if (answer->GetAttribute() != KV_MSG_ATTR_DATA_FOUND)
        last_result_ = KV_E_NO_DATA_FOUND;
    else if (!IsValidPtr(group))
        last_result_ = KV_E_INVALID_POINTER;
    else
        AdmitGroup(*group);
    answer->Release();
    if (last_result_ != KV_OK) {
        FailTo8();
        return;
    }
    GoTo(kStateDialManager);
    SetSubState(0);
}

void CKvJobDataChat::DoDialManager() {
    void* manager = nullptr;
    if (sub_state_ == 0) {
        if (!CreatePayloadByType(manager, KV_PAYLOAD_CAPI_DIAL_MANAGER)) {
            last_result_ = KV_E_OUT_OF_MEMORY;
            FailTo8();
            return;
        }
        static_cast<CapiDialManager*>(manager)->SetCallingNumber(own_number_);
    }
    CKvMessage* answer = nullptr;
    RequestRecord(answer, 1, KV_ENDPOINT_CAPI, 0, manager, KV_PAYLOAD_CAPI_DIAL_MANAGER);
    if (answer == nullptr) {
        FailTo8();
        return;
    }
    if (answer->GetAttribute() == KV_MSG_ATTR_ACCEPTED)
        dial_manager_id_ = answer->GetTargetJobId();
    else
        last_result_ = KV_E_NO_DATA_FOUND;
    answer->Release();
    if (last_result_ != KV_OK) {
        FailTo8();
        return;
    }
    GoTo(kStateDataManager);
    SetSubState(0);
}

void CKvJobDataChat::DoSecondManager(std::int32_t payload_type) {
    void* manager = nullptr;
    if (sub_state_ == 0) {
        // Made by the registry, which also destroys it: a data manager is
        // never copied.
        if (!CreatePayloadByType(manager, payload_type)) {
            last_result_ = KV_E_OUT_OF_MEMORY;
            FailTo8();
            return;
        }
        if (payload_type == KV_PAYLOAD_CAPI_LISTEN_MANAGER)
            static_cast<CapiListenManager*>(manager)->SetCalledNumber(own_number_);
        else
            static_cast<CapiDataManager*>(manager)->SetText1(own_number_);
    }
    CKvMessage* answer = nullptr;
    RequestRecord(answer, 1, KV_ENDPOINT_CAPI, 0, manager, payload_type);
    if (answer == nullptr) {
        FailTo8();
        return;
    }
    if (answer->GetAttribute() != KV_MSG_ATTR_ACCEPTED) {
        last_result_ = KV_E_NO_DATA_FOUND;
        answer->Release();
        FailTo8();
        return;
    }
    second_manager_id_ = answer->GetTargetJobId();
    answer->Release();
    incoming_.DeleteAll();
    ConfirmCarrier(carrying_message_, KV_MSG_ATTR_ACCEPTED, true);
    GoTo(KV_JOB_STATE_RUNNING);
    SetSubState(0);
}

void CKvJobDataChat::DoRunning() {
    DispatchIncoming();
}

void CKvJobDataChat::DoStopping() {
    GoodbyeToAll();
    DispatchIncoming();
    last_result_ = KV_OK;
    if (participants_.empty())
        GoTo(KV_JOB_STATE_CLEANUP);
}

void CKvJobDataChat::ConfirmCarrier(CKvMessage* message, std::int32_t attribute,
                                    bool with_payload) {
    if (!IsValidPtr(message) || message->GetKind() != KV_MSG_KIND_REQUEST)
        return;
    CKvMessage* copy = nullptr;
    const KvResult cloned = with_payload ? message->Clone(copy) : message->CloneHeader(copy);
    if (cloned != KV_OK) {
        if (copy != nullptr)
            copy->Release();
        return;
    }
    copy->SetAttribute(attribute);
    copy->SetValue(message->GetValue());
    copy->SendConfirmation(endpoint_id_, router_, true);
}

KvResult CKvJobDataChat::SendShutdown(std::uint32_t manager_id) {
    auto* message = new CKvMessage;
    message->SetHeader(KV_MSG_KIND_INFO, nullptr, KV_PAYLOAD_TEXT, 1, KV_SUBCOMMAND_ONE_RECORD,
                       KV_MSG_ATTR_SHUTDOWN);
    message->SetSubCommand(KV_SUBCOMMAND_ONE_RECORD);
    message->SetJobIds(manager_id, idsource_, 0);
    return SendToHost(message, KV_ENDPOINT_CAPI);
}

void CKvJobDataChat::DoEnding() {
    if (second_manager_id_ != 0) {
        SendShutdown(second_manager_id_);
        second_manager_id_ = 0;
    }
    if (dial_manager_id_ != 0) {
        last_result_ = SendShutdown(dial_manager_id_);
        dial_manager_id_ = 0;
    }
    Finish();
}
