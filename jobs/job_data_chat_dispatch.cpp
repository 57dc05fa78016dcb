// The chat job's incoming dispatch, admission, sending and chat log.

#include "jobs/job_data_chat.h"

#include "capi/capi_dial_manager.h"
#include "capi/capi_listen_manager.h"
#include "data/data_user_group.h"
#include "jobs/job_data_chat_fields.h"
#include "platform/clock.h"
#include "platform/pointer.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <span>
#include <vector>

using namespace chat_fields;

namespace {

constexpr std::uint32_t kActionSeconds = 10;
constexpr std::int32_t kCommandKeep = 7;
constexpr std::int32_t kCommandReport = 1;
constexpr std::size_t kMaxNameAttempts = 16;
// An interval in whole seconds that a millisecond timer can still hold.
constexpr std::uint64_t kMaxIntervalSeconds = 2147483;

bool IsLinked(CKvDataUser& user) {
    return user.GetChatSubState() != 0;
}

bool HasAddress(const CKvDataUser& user) {
    return !user.GetPhoneNumberOut().empty() && !user.GetScreenName().empty();
}

} // namespace

// ---- Incoming dispatch ----

KvResult CKvJobDataChat::DispatchIncoming() {
    std::vector<CKvMessage*> queued;
    CKvMessageList::Position position;
    incoming_.GetHeadPosition(position);
    while (CKvMessage* message = incoming_.GetNext(position))
        queued.push_back(message);
    for (CKvMessage* message : queued) {
        if (IsValidPtr(message))
            DispatchOne(message);
    }
    incoming_.DeleteExpired();
    ServicePass();
    return last_result_;
}

bool CKvJobDataChat::DispatchOne(CKvMessage* message) {
    const std::int32_t type = message->GetPayloadType();
    const std::int32_t attribute = message->GetAttribute();
    if (attribute == KV_MSG_ATTR_ENDED) {
        incoming_.Remove(message);
        if (state_ == KV_JOB_STATE_STOP_REQUESTED) {
            message->Release();
            return true;
        }
        if (type == KV_PAYLOAD_CAPI_LISTEN_MANAGER)
            second_manager_id_ = 0;
        else if (type == KV_PAYLOAD_CAPI_DIAL_MANAGER)
            dial_manager_id_ = 0;
        ConfirmRequest(message, attribute, false);
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
        return true;
    }
    if (attribute == KV_MSG_ATTR_SHUTDOWN) {
        if (state_ == KV_JOB_STATE_STOP_REQUESTED) {
            incoming_.Remove(message);
            message->Release();
            return true;
        }
        if (type != K_KVJBDT_TP_CHAT)
            return false;
        incoming_.Remove(message);
        ConfirmRequest(message, KV_MSG_ATTR_SHUTDOWN, true);
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
        return true;
    }
    switch (type) {
    case KV_PAYLOAD_NONE:
        if (message->GetCommand() == kCommandKeep)
            return false;
        break;
    case K_KVDT_TP_DTHDLR_DATAUSER:
        return DispatchUserRecord(message);
    case K_KVDT_TP_DTHDLR_DATAUSERGROUP: {
        auto* group = static_cast<CKvDataUserGroup*>(message->GetPayload());
        if (message->GetKind() == KV_MSG_KIND_CONFIRMATION && IsValidPtr(group))
            AdmitGroup(*group);
        break;
    }
    case K_KVJBDT_TP_CHAT:
        incoming_.Remove(message);
        DispatchChatJob(message);
        return true;
    case KV_PAYLOAD_CAPI_LISTEN_MANAGER:
        incoming_.Remove(message);
        DispatchListenManager(message);
        return true;
    case KV_PAYLOAD_PACKED_MESSAGE:
        incoming_.Remove(message);
        DispatchPacketToSend(message);
        return true;
    default:
        break;
    }
    incoming_.Remove(message);
    message->Release();
    return true;
}

bool CKvJobDataChat::DispatchUserRecord(CKvMessage* message) {
    auto* record = static_cast<CKvDataUser*>(message->GetPayload());
    if (!IsValidPtr(record)) {
        incoming_.Remove(message);
        message->Release();
        last_result_ = KV_E_INVALID_POINTER;
        return true;
    }
    switch (message->GetKind()) {
    case KV_MSG_KIND_CONFIRMATION: {
        incoming_.Remove(message);
        CKvDataUser* participant = FindParticipantByKey(record->GetKey());
        if (participant == nullptr) {
            message->Release();
            return true;
        }
        ReleaseHeldAnswer(*participant);
        HeldAnswer(*participant) = message;
        return true;
    }
    case KV_MSG_KIND_INFO:
        if (message->GetAttribute() == KV_MSG_ATTR_DISCONNECT) {
            CKvDataUser* participant = FindParticipantByKey(record->GetKey());
            if (participant != nullptr &&
                !(IsLinked(*participant) && participant->GetChatState() == 0))
                return false;
        }
        incoming_.Remove(message);
        DispatchUserInfo(message, *record);
        message->Release();
        return true;
    default:
        return false;
    }
}

void CKvJobDataChat::DispatchUserInfo(CKvMessage* message, CKvDataUser& record) {
    switch (message->GetAttribute()) {
    case KV_MSG_ATTR_REFUSED:
        deny_unknown_flag_ = record.GetFlagChangeDataAutomaticaly();
        return;
    case KV_MSG_ATTR_ACCEPTED:
        deny_unknown_flag_ = record.GetFlagChangeDataAutomaticaly();
        record.SetFlagChangeDataAutomaticaly(0);
        record.SetChatSubState(0);
        record.SetChatState(16);
        LinkTimer(record).Stop();
        message->DetachPayload();
        Admit(&record);
        return;
    case KV_MSG_ATTR_CONNECT:
        if (!HasAddress(record))
            return;
        ReconnectFlag(record) = 1;
        RetryCount(record) = 1;
        record.SetChatSubState(0);
        record.SetChatState(15);
        LinkTimer(record).Stop();
        message->DetachPayload();
        Admit(&record);
        return;
    case KV_MSG_ATTR_DISCONNECT: {
        CKvDataUser* participant = FindParticipantByKey(record.GetKey());
        if (participant == nullptr)
            return;
        ReconnectFlag(*participant) = 0;
        RetryCount(*participant) = 1;
        participant->SetChatState(13);
        ActionTimer(*participant).Restart(kActionSeconds, 0);
        LinkTimer(*participant).Expire();
        return;
    }
    default:
        return;
    }
}

void CKvJobDataChat::DispatchChatJob(CKvMessage* message) {
    if (message->GetAttribute() != KV_MSG_ATTR_NOTIFICATION) {
        message->Release();
        return;
    }
    auto* carried = static_cast<CKvJobDataChat*>(
        static_cast<CKvJobData*>(message->GetPayload()));
    if (IsValidPtr(carried) && carried->GetPresence() != presence_code_) {
        SetPresence(carried->GetPresence());
        if (presence_code_ == kOffline)
            GoodbyeToAll();
        else
            PresenceBroadcast();
    }
    ConfirmRequest(message, KV_MSG_ATTR_NOTIFICATION, true);
}

void CKvJobDataChat::DispatchListenManager(CKvMessage* message) {
    auto* manager = static_cast<CapiListenManager*>(message->GetPayload());
    if (message->GetAttribute() != KV_MSG_ATTR_NOTIFICATION) {
        message->Release();
        return;
    }
    if (IsValidPtr(manager)) {
        const std::uint32_t count = std::min<std::uint32_t>(
            manager->GetReceivedCount(), static_cast<std::uint32_t>(CapiSubaddress::kCapacity));
        PackedMessage* packet = nullptr;
        const std::string caller = manager->GetCallerText();
        if (received_.CreateFromBytes(packet, std::span(manager->GetReceivedBytes(), count),
                                      &caller) == KV_OK &&
            packet != nullptr)
            HandleReceivedPacket(packet, caller);
    }
    ConfirmRequest(message, KV_MSG_ATTR_NOTIFICATION, false);
}

void CKvJobDataChat::HandleReceivedPacket(PackedMessage* packet, const std::string& caller) {
    std::unique_ptr<PackedMessage> owned(packet);
    if (packet->GetCommand() == PackedMessage::kCommandRegister &&
        packet->GetType() == PackedMessage::kTypeRequest) {
        CreateRegisteringParticipant(*packet, caller);
        return;
    }
    if (IsDuplicate(*packet, true))
        return;
    if (received_.Add(packet) == KV_OK)
        owned.release();
}

void CKvJobDataChat::CreateRegisteringParticipant(const PackedMessage& packet,
                                                  const std::string& caller) {
    if (state_ == KV_JOB_STATE_STOP_REQUESTED || presence_code_ == kOffline ||
        packet.GetText().empty())
        return;
    auto record = std::make_unique<CKvDataUser>(nullptr, 0);
    std::string text = packet.GetText();
    record->SetScreenName(text);
    PeerId(*record) = packet.GetIds();
    LocalId(*record) = packet.GetIdt();
    std::string number = caller;
    record->SetPhoneNumberIn(number);
    ReceivedNumber(*record) = packet.GetMessageNumber();
    RestartMs(LinkTimer(*record), disconnect_timeout_);
    record->SetChatSubState(0);
    record->SetChatState(3);
    ActionTimer(*record).Restart(kActionSeconds, 0);
    for (std::size_t attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
        const KvResult added = AddParticipant(record.get());
        if (added == KV_OK) {
            record.release();
            return;
        }
        if (added != KV_E_ALREADY_PRESENT)
            return;
        std::string longer = record->GetScreenName() + "~";
        record->SetScreenName(longer);
    }
}

bool CKvJobDataChat::IsDuplicate(const PackedMessage& packet, bool restart) {
    const bool unregister = packet.GetCommand() == PackedMessage::kCommandUnregister &&
                            packet.GetType() == PackedMessage::kTypeRequest;
    for (auto& [key, participant] : participants_) {
        CKvDataUser& user = *participant;
        if (user.GetPhoneNumberIn() != packet.GetPeerName())
            continue;
        // A peer's packets carry our id for it as idt and its own as ids.
        const bool same_ids = PeerId(user) == packet.GetIds() && LocalId(user) == packet.GetIdt();
        if (!(unregister && packet.GetText() == user.GetScreenName()) && !same_ids)
            continue;
        TimeoutTimer& admission = AdmissionTimer(user);
        admission.CheckExpired();
        const bool duplicate =
            admission.IsRunning() && ReceivedNumber(user) == packet.GetMessageNumber();
        if (restart)
            RestartMs(admission, 2 * user.GetTimeoutDisconnected());
        ReceivedNumber(user) = packet.GetMessageNumber();
        return duplicate;
    }
    return false;
}

void CKvJobDataChat::DispatchPacketToSend(CKvMessage* message) {
    auto* packet = static_cast<PackedMessage*>(message->GetPayload());
    if (!IsValidPtr(packet)) {
        last_result_ = KV_E_INVALID_POINTER;
        message->Release();
        return;
    }
    CKvDataUser* participant = FindParticipantByKey(packet->GetKeyText());
    if (participant == nullptr) {
        last_result_ = KV_E_NOT_PRESENT;
    } else if (IsLinked(*participant) && participant->GetChatState() == 0) {
        packet->SetIdt(PeerId(*participant));
        packet->SetIds(LocalId(*participant));
        packet->SetMessageNumber(++SentNumber(*participant));
        if (packet->Encode() == KV_OK)
            SendPacked(*participant, *packet, true);
    }
    message->Release();
}

KvResult CKvJobDataChat::ConfirmRequest(CKvMessage* message, std::int32_t attribute,
                                        bool keep_payload) {
    if (!IsValidPtr(message))
        return last_result_ = KV_E_INVALID_POINTER;
    if (message->GetKind() != KV_MSG_KIND_REQUEST) {
        message->Release();
        return last_result_;
    }
    if (!keep_payload && message->GetPayload() != nullptr) {
        const KvResult destroyed = message->DestroyPayload();
        if (destroyed != KV_OK) {
            message->Release();
            return last_result_ = destroyed;
        }
    }
    message->SetAttribute(attribute);
    return message->SendConfirmation(endpoint_id_, router_, true);
}

// ---- Participant service ----

void CKvJobDataChat::ServicePass() {
    waiting_flag_ = 1;
    bool pending_work = false;
    std::vector<CKvDataUser*> served;
    for (auto& [key, participant] : participants_)
        served.push_back(participant.get());
    for (CKvDataUser* participant : served) {
        const auto still_there = [this, participant] {
            return std::any_of(participants_.begin(), participants_.end(),
                               [participant](const auto& entry) {
                                   return entry.second.get() == participant;
                               });
        };
        if (!still_there())
            continue;
        TimeoutTimer& link = LinkTimer(*participant);
        if (link.IsRunning() && RanOut(link))
            ActionTimer(*participant).Start();
        if (!link.IsRunning()) {
            BusyFlag(*participant) = 0;
            ServeParticipant(*participant);
        }
        if (!still_there())
            continue;
        if (participant->GetChatState() != 0)
            pending_work = true;
        if (BusyFlag(*participant) == 0)
            waiting_flag_ = 0;
    }
    received_.DeleteExpired();
    if (!pending_work) {
        std::uint32_t admitted = 0;
        AdmitPending(admitted);
        if (admitted != 0)
            waiting_flag_ = 0;
    }
    ExpirePending();
}

void CKvJobDataChat::ServeParticipant(CKvDataUser& participant) {
    switch (participant.GetChatSubState()) {
    case 0:
        HandleUnlinked(participant);
        return;
    case 1:
    case 2:
        HandleLinked(participant);
        return;
    default:
        last_result_ = KV_E_BAD_STATE;
        return;
    }
}

// ---- Admission ----

std::uint32_t CKvJobDataChat::AdmissionIntervalSeconds() {
    const std::uint64_t pending = static_cast<std::uint64_t>(std::max(pending_.GetCount(), 0));
    const std::uint64_t per_record =
        (static_cast<std::uint64_t>(disconnect_timeout_) + 100) * 5 + 10000;
    const std::uint64_t seconds = (pending * per_record + 500) / 1000 + 20;
    return static_cast<std::uint32_t>(std::min(seconds, kMaxIntervalSeconds));
}

KvResult CKvJobDataChat::Admit(CKvDataUser* record) {
    if (!IsValidPtr(record))
        return last_result_ = KV_E_INVALID_POINTER;
    if (!HasAddress(*record)) {
        DestroyRecord(record);
        return last_result_ = KV_E_FAIL;
    }
    if (FindParticipantByKey(record->GetKey()) != nullptr) {
        DestroyRecord(record);
        return last_result_;
    }
    if (pending_.Add(record) != KV_OK) {
        DestroyRecord(record);
        return last_result_;
    }
    ActionTimer(*record).Restart(AdmissionIntervalSeconds(), 0);
    return last_result_;
}

KvResult CKvJobDataChat::AdmitGroup(CKvDataUserGroup& group) {
    if (group.GetRuntimeWordB() == 0)
        return last_result_ = KV_E_FAIL;
    std::vector<std::string> identifiers;
    std::vector<CKvDataUser*> members;
    CKvDataUserGroup::Position position = 0;
    std::string identifier;
    if (group.GetFirstIdentifierPosition(position)) {
        while (group.GetNextIdentifierText(identifier, position))
            identifiers.push_back(identifier);
    }
    CKvDataUser* member = nullptr;
    if (group.GetFirstIdentifierPosition(position)) {
        while (group.GetNextMember(member, position))
            members.push_back(member);
    }
    for (std::size_t i = 0; i < identifiers.size() && i < members.size(); ++i) {
        if (!IsValidPtr(members[i]) || !HasAddress(*members[i]))
            continue;
        std::unique_ptr<CKvDataUser> taken;
        if (group.RemoveIdentifier(identifiers[i], &taken) != KV_OK || !taken)
            continue;
        LinkTimer(*taken).Stop();
        ReconnectFlag(*taken) = 1;
        RetryCount(*taken) = 1;
        taken->SetChatSubState(0);
        taken->SetChatState(15);
        Admit(taken.release());
    }
    return last_result_;
}

KvResult CKvJobDataChat::AdmitPending(std::uint32_t& admitted) {
    admitted = 0;
    auto* first = static_cast<CKvDataUser*>(pending_.GetFirst());
    if (first == nullptr)
        return last_result_;
    std::unique_ptr<CKvDataHandler> out;
    if (!pending_.Remove(out, first, false) || !out)
        return last_result_;
    auto* record = static_cast<CKvDataUser*>(out.release());
    if (AddParticipant(record) != KV_OK) {
        DestroyRecord(record);
        return last_result_;
    }
    AdmissionTimer(*record).Stop();
    ActionTimer(*record).Restart(kActionSeconds, 0);
    admitted = 1;
    return last_result_;
}

void CKvJobDataChat::ExpirePending() {
    std::vector<CKvDataUser*> expired;
    CKvDataHandlerStore::Position position;
    if (pending_.GetStartPosition(&position)) {
        while (CKvDataHandler* held = pending_.GetNext(&position)) {
            auto* record = static_cast<CKvDataUser*>(held);
            TimeoutTimer& action = ActionTimer(*record);
            action.CheckExpired();
            if (!action.IsRunning())
                expired.push_back(record);
        }
    }
    for (CKvDataUser* record : expired) {
        std::unique_ptr<CKvDataHandler> out;
        if (!pending_.Remove(out, record, false) || !out)
            continue;
        DestroyRecord(static_cast<CKvDataUser*>(out.release()));
        last_result_ = KV_E_FAIL;
    }
}

// ---- Presence ----

void CKvJobDataChat::PresenceBroadcast() {
    for (auto& [key, participant] : participants_) {
        if (IsLinked(*participant) && participant->GetChatState() == 0)
            SendStatus(*participant, " " + picture_id_, PackedMessage::kStatusIdPicture);
    }
}

void CKvJobDataChat::GoodbyeToAll() {
    std::uint32_t offset = 0;
    for (auto& [key, participant] : participants_) {
        CKvDataUser& user = *participant;
        const std::uint32_t sub_state = user.GetChatSubState();
        if (sub_state == 0)
            continue;
        if (sub_state != 1 && sub_state != 2) {
            user.SetChatSubState(0);
            user.SetChatState(0);
            last_result_ = KV_E_BAD_STATE;
            continue;
        }
        if (user.GetChatState() != 0)
            continue;
        RetryCount(user) = 1;
        user.SetChatState(13);
        ReconnectFlag(user) = 0;
        ActionTimer(user).SetInterval(disconnect_timeout_ / 1000, disconnect_timeout_ % 1000);
        ActionTimer(user).Stop();
        RestartMs(LinkTimer(user), offset);
        offset += disconnect_timeout_;
    }
}

// ---- Sending ----

KvResult CKvJobDataChat::SendPacked(CKvDataUser& participant, PackedMessage& packet,
                                    bool use_own_timeout) {
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!IsValidPtr(router_) ||
        !router_->CreateMessageWithPayload(message, payload, KV_PAYLOAD_CAPI_DIAL_MANAGER))
        return last_result_ = KV_E_OUT_OF_MEMORY;
    auto* manager = static_cast<CapiDialManager*>(payload);
    std::uint32_t length = 0;
    PackedMessage::EncodedBytes bytes{};
    if (packet.GetRawBytes(length, bytes) != KV_OK ||
        !manager->SetSubaddress(bytes.data(), length)) {
        message->Release();
        return last_result_ = KV_E_FAIL;
    }
    const std::string& number = participant.GetPhoneNumberOut();
    if (participant.GetFlagUseBuddyPrefixSuffix() != 0)
        manager->SetCalledNumber(participant.GetPhoneNumberOutPrefix() + number +
                                 participant.GetPhoneNumberOutSuffix());
    else
        manager->SetCalledNumber(outgoing_prefix_ + number + outgoing_suffix_);
    manager->SetRetryInterval(use_own_timeout ? participant.GetTimeoutDisconnected()
                                              : disconnect_timeout_);
    message->SetKindAndCommand(KV_MSG_KIND_INFO, 1, KV_SUBCOMMAND_ONE_RECORD);
    message->SetJobIds(dial_manager_id_, idsource_, 0);
    return last_result_ = SendToHost(message, KV_ENDPOINT_CAPI);
}

KvResult CKvJobDataChat::PrepareScratch(CKvDataUser& participant) {
    scratch_.SetMessageNumber(++SentNumber(participant));
    scratch_.SetFlag(presence_code_);
    return KV_OK;
}

KvResult CKvJobDataChat::SendRegister(CKvDataUser& participant, std::uint32_t type,
                                      const std::string& text, std::uint32_t sub_command) {
    PrepareScratch(participant);
    const KvResult built = scratch_.BuildRegisterTyped(PeerId(participant), LocalId(participant),
                                                       text, sub_command, type);
    if (built != KV_OK)
        return last_result_ = built;
    return SendPacked(participant, scratch_, false);
}

KvResult CKvJobDataChat::SendUnregister(CKvDataUser& participant, std::uint32_t type,
                                        const std::string& text) {
    PrepareScratch(participant);
    const KvResult built =
        scratch_.BuildUnregister(type, PeerId(participant), LocalId(participant), text);
    if (built != KV_OK)
        return last_result_ = built;
    return SendPacked(participant, scratch_, false);
}

KvResult CKvJobDataChat::SendStatus(CKvDataUser& participant, const std::string& text,
                                    std::uint32_t sub_command) {
    PrepareScratch(participant);
    const KvResult built =
        scratch_.BuildStatusInfo(PeerId(participant), LocalId(participant), text, sub_command);
    if (built != KV_OK)
        return last_result_ = built;
    return SendPacked(participant, scratch_, false);
}

KvResult CKvJobDataChat::AskStatus(CKvDataUser& participant, const std::string& text,
                                   std::uint32_t sub_command) {
    PrepareScratch(participant);
    const KvResult built =
        scratch_.BuildStatusRequest(PeerId(participant), LocalId(participant), text, sub_command);
    if (built != KV_OK)
        return last_result_ = built;
    return SendPacked(participant, scratch_, false);
}

KvResult CKvJobDataChat::SendNewMessage(void* payload, std::int32_t payload_type,
                                        std::int32_t kind, std::int32_t command,
                                        std::int32_t sub_command, std::int32_t attribute,
                                        std::uint32_t source_job_id, std::uint16_t target,
                                        std::uint16_t source) {
    auto* message = new CKvMessage;
    message->SetHeader(kind, payload, payload_type, command, sub_command, attribute);
    message->SetSubCommand(sub_command);
    message->SetJobIds(0, source_job_id, 0);
    ++sequence_counter_;
    return message->Send(target, source, router_, sequence_counter_, true, false);
}

// ---- Chat log ----

KvResult CKvJobDataChat::SendLogEntry(const std::string& entry) {
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!IsValidPtr(router_) ||
        !router_->CreateMessageWithPayload(message, payload, KV_PAYLOAD_TEXT))
        return last_result_ = KV_E_OUT_OF_MEMORY;
    *static_cast<std::string*>(payload) = entry;
    message->SetKindAndCommand(KV_MSG_KIND_INFO, kCommandReport, KV_SUBCOMMAND_ONE_RECORD);
    message->SetJobIds(0, job_id_, 0);
    return last_result_ = SendToHost(message, KV_ENDPOINT_CHAT_LOG);
}

std::string CKvJobDataChat::LogEntry(CKvDataUser& participant, const std::string& text) {
    Clock& clock = GetClock();
    std::tm local{};
    char stamp[16] = "(00:00)";
    if (clock.ToLocalTime(clock.Seconds(), local))
        std::snprintf(stamp, sizeof stamp, "(%02d:%02d)", local.tm_hour, local.tm_min);
    std::string entry = ">>> ";
    entry += participant.GetScreenName();
    entry += " [";
    entry += participant.GetPhoneNumberOut();
    entry += "] ";
    entry += stamp;
    entry += " >>>\r\n";
    entry += text;
    entry += "\r\n";
    return entry;
}

void CKvJobDataChat::HandleChatData(CKvDataUser& participant, const PackedMessage& packet) {
    std::string& pending = PendingText(participant);
    switch (packet.GetDataSubCommand()) {
    case PackedMessage::kDataContinue:
        if (pending.size() + packet.GetText().size() <= kMaxPendingText) {
            pending += packet.GetText();
            LogTimer(participant).Restart(kLogFlushSeconds, 0);
            return;
        }
        if (SendLogEntry(LogEntry(participant, pending)) == KV_E_OUT_OF_MEMORY)
            pending.clear();
        else
            pending = packet.GetText();
        LogTimer(participant).Stop();
        return;
    case PackedMessage::kDataEnd: {
        pending += packet.GetText();
        std::string built;
        for (char c : pending) {
            if (c == '\x08') {
                if (!built.empty())
                    built.pop_back();
            } else {
                built += c;
            }
        }
        SendLogEntry(LogEntry(participant, built));
        pending.clear();
        LogTimer(participant).Expire();
        return;
    }
    case PackedMessage::kDataCancel:
        pending.clear();
        LogTimer(participant).Expire();
        return;
    default:
        return;
    }
}

void CKvJobDataChat::CheckLogTimer(CKvDataUser& participant) {
    if (LogTimer(participant).CheckExpired() == 0)
        return;
    std::string entry = ">>> " + participant.GetKey() + ">>>\r\n" + PendingText(participant) +
                        "\r\n...\r\n";
    SendLogEntry(entry);
    PendingText(participant).clear();
    LogTimer(participant).Expire();
}
