// The chat participants' own protocol: one handler per chat state, one table
// for participants that are not linked and one for linked ones.

#include "jobs/job_data_chat.h"

#include "jobs/job_data_chat_fields.h"
#include "platform/clock.h"
#include "platform/pointer.h"

using namespace chat_fields;

namespace {

constexpr std::uint32_t kActionSeconds = 10;
constexpr std::uint32_t kPeerWaitSeconds = 20;
constexpr std::int32_t kCommandReport = 1;
constexpr std::int32_t kCommandAsk = 2;
constexpr std::int32_t kSubCommandCollection = 8;

// Unlinked chat states.
enum : std::uint32_t {
    kRegisterRequest = 1,
    kCollectInfo = 3,
    kRegisterInfo = 5,
    kWaitConfirmation = 6,
    kConfirmRegistration = 7,
    kTakeHostRecord = 10,
    kCheckHostAnswer = 11,
    kLinkFromHost = 12,
    kAskHost = 15,
    kReportAndReadmit = 16,
};
// Linked chat states.
enum : std::uint32_t {
    kIdle = 0,
    kHostUpdate = 10,
    kUnregistered = 11,
    kPeerUnregistered = 12,
    kSendUnregister = 13,
    kWaitUnregister = 14,
};

void TakeText(CKvDataUser& user, void (CKvDataUser::*setter)(std::string&),
              const std::string& text) {
    std::string copy = text;
    (user.*setter)(copy);
}

// The chat sub-state a participant links with after a re-registration.
std::uint32_t LinkSubState(CKvDataUser& user) {
    if ((LinkWord(user) & 1) != 0 && LinkValue(user) != 0)
        return LinkValue(user);
    return 2;
}

} // namespace

// ---- Host messages ----

KvResult CKvJobDataChat::AskHost(CKvDataUser& participant) {
    auto* record = new CKvDataUser(nullptr, 0);
    TakeText(*record, &CKvDataUser::SetScreenName, participant.GetScreenName());
    TakeText(*record, &CKvDataUser::SetPhoneNumberOut, participant.GetPhoneNumberOut());
    return last_result_ =
               SendNewMessage(record, K_KVDT_TP_DTHDLR_DATAUSER, KV_MSG_KIND_REQUEST, kCommandAsk,
                              KV_SUBCOMMAND_ONE_RECORD, KV_MSG_ATTR_UNSPECIFIED, job_id_,
                              KV_ENDPOINT_HOST_MAIN, endpoint_id_);
}

KvResult CKvJobDataChat::ReportToHost(CKvDataUser& participant, CKvMessage* held_answer) {
    if (held_answer == nullptr) {
        auto* copy = new CKvDataUser(nullptr, 0);
        *copy = participant;
        return last_result_ = SendNewMessage(
                   copy, K_KVDT_TP_DTHDLR_DATAUSER, KV_MSG_KIND_REQUEST, kCommandReport,
                   KV_SUBCOMMAND_ONE_RECORD, KV_MSG_ATTR_UNSPECIFIED, job_id_,
                   KV_ENDPOINT_HOST_MAIN, kReportSourceEndpoint);
    }
    held_answer->SetKindAndCommand(KV_MSG_KIND_REQUEST, kCommandReport, KV_SUBCOMMAND_ONE_RECORD);
    held_answer->SetJobIds(0, job_id_, 0);
    ++sequence_counter_;
    return last_result_ = held_answer->Send(KV_ENDPOINT_HOST_MAIN, kReportSourceEndpoint, router_,
                                            sequence_counter_, true, false);
}

KvResult CKvJobDataChat::RefreshHost() {
    return last_result_ = SendNewMessage(nullptr, KV_PAYLOAD_OBJECT_POINTER_LIST,
                                         KV_MSG_KIND_REQUEST, kCommandAsk, kSubCommandCollection,
                                         KV_MSG_ATTR_ONLINE_OR_PAUSED, job_id_,
                                         KV_ENDPOINT_HOST_MAIN, KV_ENDPOINT_HOST_STATUS);
}

KvResult CKvJobDataChat::TellHostOfStranger(CKvDataUser& participant) {
    auto* copy = new CKvDataUser(nullptr, 0);
    *copy = participant;
    copy->SplitOutgoingNumber();
    copy->SetFlagChangeDataAutomaticaly(deny_unknown_flag_);
    return last_result_ = SendNewMessage(copy, K_KVDT_TP_DTHDLR_DATAUSER, KV_MSG_KIND_INFO,
                                         kCommandReport, KV_SUBCOMMAND_ONE_RECORD,
                                         KV_MSG_ATTR_UNSPECIFIED, job_id_, KV_ENDPOINT_HOST_STATUS,
                                         endpoint_id_);
}

CKvMessage* CKvJobDataChat::HeldConfirmation(CKvDataUser& participant) {
    CKvMessage* held = HeldAnswer(participant);
    if (!IsValidPtr(held) || held->GetKind() != KV_MSG_KIND_CONFIRMATION ||
        held->GetPayloadType() != K_KVDT_TP_DTHDLR_DATAUSER)
        return nullptr;
    return held;
}

CKvDataUser* CKvJobDataChat::FoundRecord(CKvDataUser& participant) {
    CKvMessage* held = HeldConfirmation(participant);
    auto* record = held != nullptr ? static_cast<CKvDataUser*>(held->GetPayload()) : nullptr;
    if (held == nullptr || held->GetAttribute() != KV_MSG_ATTR_DATA_FOUND)
        last_result_ = KV_E_FAIL;
    else if (!IsValidPtr(record))
        last_result_ = KV_E_INVALID_POINTER;
    else
        return record;
    ReleaseHeldAnswer(participant);
    return nullptr;
}

void CKvJobDataChat::ReleaseHeldAnswer(CKvDataUser& participant) {
    CKvMessage*& held = HeldAnswer(participant);
    if (IsValidPtr(held))
        held->Release();
    held = nullptr;
}

std::unique_ptr<PackedMessage> CKvJobDataChat::TakeFromPeer(CKvDataUser& participant,
                                                            std::uint32_t command,
                                                            std::uint32_t type,
                                                            const std::string& text,
                                                            bool match_peer_id) {
    PackedMessage* packet = nullptr;
    const std::string& caller = participant.GetPhoneNumberIn();
    received_.FindAndRemove(packet, command, type, text, LocalId(participant), true,
                            PeerId(participant), match_peer_id,
                            caller.empty() ? nullptr : &caller);
    return std::unique_ptr<PackedMessage>(packet);
}

bool CKvJobDataChat::TakeLocalId(CKvDataUser& participant) {
    std::uint32_t id = 0;
    const KvResult allocated = AllocateLocalId(id, participant);
    if (allocated == KV_OK) {
        LocalId(participant) = id;
        return true;
    }
    if (allocated != KV_E_ALREADY_PRESENT)
        return false;
    // A record that replaced its own earlier copy in the pending store finds
    // that copy's id still held under its key: the id is its own.
    for (id = 0; id < kLocalIdCount; ++id) {
        const std::string* held = GetSlotKey(id);
        if (held != nullptr && *held == participant.GetKey()) {
            LocalId(participant) = id;
            last_result_ = KV_OK;
            return true;
        }
    }
    return false;
}

void CKvJobDataChat::Drop(CKvDataUser& participant) {
    const std::string key = participant.GetKey();
    std::unique_ptr<CKvDataUser> dropped;
    RemoveParticipant(key, dropped);
    FreeSlotOfKey(key);
}

void CKvJobDataChat::DropWithId(CKvDataUser& participant) {
    const std::uint32_t id = LocalId(participant);
    const std::string* held = GetSlotKey(id);
    if (held != nullptr && *held == participant.GetKey()) {
        FreeLocalId(id);
        received_.DeleteById(id);
    }
    Drop(participant);
}

// ---- Not linked ----

// A registration that was not completed in time ends with a goodbye, as for
// a linked peer.
void CKvJobDataChat::TurnToGoodbye(CKvDataUser& p) {
    BusyFlag(p) = 0;
    LinkTimer(p).Stop();
    p.SetChatSubState(2);
    p.SetChatState(kSendUnregister);
    ActionTimer(p).Restart(kActionSeconds, 0);
}

void CKvJobDataChat::HandleUnlinked(CKvDataUser& p) {
    const std::uint32_t state = p.GetChatState();
    const bool own_timeout = state == kWaitConfirmation || state == kLinkFromHost;
    if (!own_timeout && RanOut(ActionTimer(p))) {
        if (state == kRegisterRequest || state == kRegisterInfo || state == kConfirmRegistration)
            DropWithId(p);
        else
            Drop(p);
        return;
    }
    switch (state) {
    case kReportAndReadmit:
        DoReportAndReadmit(p);
        return;
    case kAskHost:
        DoAskHost(p);
        return;
    case kTakeHostRecord:
        DoTakeHostRecord(p);
        return;
    case kRegisterRequest:
        DoRegisterRequest(p);
        return;
    case kRegisterInfo:
        DoRegisterInfo(p);
        return;
    case kWaitConfirmation:
        DoWaitForConfirmation(p);
        return;
    case kCollectInfo:
        DoCollectRegisterInfo(p);
        return;
    case kCheckHostAnswer:
        DoCheckHostAnswer(p);
        return;
    case kConfirmRegistration:
        DoConfirmRegistration(p);
        return;
    case kLinkFromHost:
        DoLinkFromHost(p);
        return;
    default:
        last_result_ = KV_E_BAD_STATE;
        return;
    }
}

void CKvJobDataChat::DoReportAndReadmit(CKvDataUser& p) {
    if (ReportToHost(p, nullptr) != KV_OK) {
        Drop(p);
        return;
    }
    std::unique_ptr<CKvDataUser> record;
    if (RemoveParticipant(p.GetKey(), record) != KV_OK)
        return;
    ReconnectFlag(*record) = 1;
    RetryCount(*record) = 1;
    record->SetChatSubState(0);
    record->SetChatState(kAskHost);
    LinkTimer(*record).Stop();
    Admit(record.release());
}

void CKvJobDataChat::DoAskHost(CKvDataUser& p) {
    if (AskHost(p) != KV_OK)
        return;
    BusyFlag(p) = 1;
    ActionTimer(p).Restart(kActionSeconds, 0);
    p.SetChatState(kTakeHostRecord);
}

void CKvJobDataChat::DoTakeHostRecord(CKvDataUser& p) {
    if (HeldAnswer(p) == nullptr)
        return;
    if (CKvDataUser* record = FoundRecord(p)) {
        TakeText(p, &CKvDataUser::SetFirstName, record->GetFirstName());
        TakeText(p, &CKvDataUser::SetLastName, record->GetLastName());
        TakeText(p, &CKvDataUser::SetPhoneNumberIn, record->GetPhoneNumberIn());
        p.SetFlagChangeDataAutomaticaly(record->GetFlagChangeDataAutomaticaly());
        p.SetFlagUseBuddyPrefixSuffix(record->GetFlagUseBuddyPrefixSuffix());
        TakeText(p, &CKvDataUser::SetPhoneNumberOutPrefix, record->GetPhoneNumberOutPrefix());
        TakeText(p, &CKvDataUser::SetPhoneNumberOutSuffix, record->GetPhoneNumberOutSuffix());
        p.SetIdentifier(record->GetIdentifier());
        p.SetIdImage(record->GetIdImage());
        p.SetTimeoutDisconnected(record->GetTimeoutDisconnected(), 10);
        if (!TakeLocalId(p)) {
            ReleaseHeldAnswer(p);
            Drop(p);
            return;
        }
        BusyFlag(p) = 0;
        ActionTimer(p).Restart(kActionSeconds, 0);
        p.SetChatState(kRegisterRequest);
    }
    ReleaseHeldAnswer(p);
}

void CKvJobDataChat::DoRegisterRequest(CKvDataUser& p) {
    PeerId(p) = GetClock().TickMs() & 0xF;
    SendRegister(p, PackedMessage::kTypeRequest, screen_name_, PackedMessage::kRegisterScreenName);
    BusyFlag(p) = 1;
    AdmissionTimer(p).Stop();
    LinkTimer(p).Stop();
    ActionTimer(p).Restart(kPeerWaitSeconds, 0);
    p.SetChatState(kRegisterInfo);
}

void CKvJobDataChat::DoRegisterInfo(CKvDataUser& p) {
    if (anonymous_flag_ == 0) {
        SendRegister(p, PackedMessage::kTypeInfo, last_name_, PackedMessage::kRegisterLastName);
        SendRegister(p, PackedMessage::kTypeInfo, first_name_, PackedMessage::kRegisterFirstName);
    }
    if (SendRegister(p, PackedMessage::kTypeInfo, outgoing_number_,
                     PackedMessage::kRegisterPhoneNumber) != KV_OK)
        return;
    BusyFlag(p) = 1;
    LinkTimer(p).Stop();
    ActionTimer(p).Restart(kPeerWaitSeconds, 0);
    p.SetChatState(kWaitConfirmation);
}

void CKvJobDataChat::DoWaitForConfirmation(CKvDataUser& p) {
    // The peer's number is not known before its confirmation comes: match
    // on our id and the screen name only.
    PackedMessage* found = nullptr;
    received_.FindAndRemove(found, PackedMessage::kCommandRegister,
                            PackedMessage::kTypeConfirmation, p.GetScreenName(), LocalId(p), true,
                            0, false, nullptr);
    std::unique_ptr<PackedMessage> confirmation(found);
    if (confirmation) {
        TakeText(p, &CKvDataUser::SetPhoneNumberIn, confirmation->GetPeerName());
        PeerId(p) = confirmation->GetIds();
        AskHost(p);
        RestartMs(LinkTimer(p), disconnect_timeout_ / 2);
        ActionTimer(p).Restart(kActionSeconds, 0);
        p.SetChatState(kLinkFromHost);
        return;
    }
    found = nullptr;
    received_.FindAndRemove(found, PackedMessage::kCommandRegister, PackedMessage::kTypeInfo,
                            p.GetScreenName(), LocalId(p), true, 0, false, nullptr);
    if (found != nullptr) {
        delete found;
        DropWithId(p);
        return;
    }
    if (RanOut(ActionTimer(p)))
        TurnToGoodbye(p);
}

void CKvJobDataChat::DoCollectRegisterInfo(CKvDataUser& p) {
    while (std::unique_ptr<PackedMessage> packet =
               TakeFromPeer(p, PackedMessage::kCommandRegister, PackedMessage::kTypeInfo, "", true)) {
        switch (packet->GetRegisterSubCommand()) {
        case PackedMessage::kRegisterLastName:
            TakeText(p, &CKvDataUser::SetLastName, packet->GetText());
            ActionTimer(p).Restart(kPeerWaitSeconds, 0);
            break;
        case PackedMessage::kRegisterFirstName:
            TakeText(p, &CKvDataUser::SetFirstName, packet->GetText());
            ActionTimer(p).Restart(kPeerWaitSeconds, 0);
            break;
        case PackedMessage::kRegisterPhoneNumber: {
            std::unique_ptr<CKvDataUser> record;
            if (RemoveParticipant(p.GetKey(), record) != KV_OK)
                return;
            TakeText(*record, &CKvDataUser::SetPhoneNumberOut, packet->GetText());
            std::string name = record->GetScreenName();
            name = name.substr(0, name.find('~'));
            record->SetScreenName(name);
            CKvDataUser* earlier = FindParticipantByKey(record->GetKey());
            if (earlier != nullptr && earlier->GetChatState() == 0 &&
                earlier->GetPhoneNumberIn() == record->GetPhoneNumberIn())
                DropWithId(*earlier);
            if (AddParticipant(record.get()) != KV_OK) {
                DestroyRecord(record.release());
                return;
            }
            CKvDataUser& entered = *record.release();
            AskHost(entered);
            BusyFlag(entered) = 0;
            LinkTimer(entered).Stop();
            ActionTimer(entered).Restart(kActionSeconds, 0);
            entered.SetChatState(kCheckHostAnswer);
            return;
        }
        default:
            break;
        }
    }
}

void CKvJobDataChat::MergeHostRecord(CKvDataUser& p, CKvDataUser& record, bool linked_update) {
    if (record.GetFlagChangeDataAutomaticaly() == 0) {
        if (linked_update) {
            TakeText(p, &CKvDataUser::SetFirstName, record.GetFirstName());
            TakeText(p, &CKvDataUser::SetLastName, record.GetLastName());
        } else {
            p.SetIdImage(record.GetIdImage());
        }
    } else {
        if (p.GetFirstName().empty())
            TakeText(p, &CKvDataUser::SetFirstName, record.GetFirstName());
        if (p.GetLastName().empty())
            TakeText(p, &CKvDataUser::SetLastName, record.GetLastName());
    }
    p.RemoveAllFromTextSet();
    record.CopyTextSetTo(p);
    p.SetFlagChangeDataAutomaticaly(record.GetFlagChangeDataAutomaticaly());
    p.SetFlagUseBuddyPrefixSuffix(record.GetFlagUseBuddyPrefixSuffix());
    p.SetTimeoutDisconnected(record.GetTimeoutDisconnected(), 10);
    TakeText(p, &CKvDataUser::SetPhoneNumberOutPrefix, record.GetPhoneNumberOutPrefix());
    TakeText(p, &CKvDataUser::SetPhoneNumberOutSuffix, record.GetPhoneNumberOutSuffix());
    if (linked_update)
        p.SetIdImage(record.GetIdImage());
    record = p;
}

void CKvJobDataChat::DoCheckHostAnswer(CKvDataUser& p) {
    if (HeldAnswer(p) == nullptr)
        return;
    CKvMessage* held = HeldConfirmation(p);
    auto* record = held != nullptr ? static_cast<CKvDataUser*>(held->GetPayload()) : nullptr;
    if (held != nullptr && held->GetAttribute() == KV_MSG_ATTR_DATA_FOUND && IsValidPtr(record)) {
        MergeHostRecord(p, *record, false);
        // The link value is taken when the registration is confirmed: a
        // participant linked here would be served by the linked handlers,
        // which have no confirmation state.
        BusyFlag(p) = 0;
        ActionTimer(p).Restart(kActionSeconds, 0);
        RestartMs(LinkTimer(p), disconnect_timeout_);
        p.SetChatState(kConfirmRegistration);
        if (!TakeLocalId(p))
            Drop(p);
        return;
    }
    ReleaseHeldAnswer(p);
    if (deny_unknown_flag_ == 0)
        TellHostOfStranger(p);
    SendRegister(p, PackedMessage::kTypeInfo, screen_name_, PackedMessage::kRegisterScreenName);
    Drop(p);
}

void CKvJobDataChat::DoConfirmRegistration(CKvDataUser& p) {
    SendRegister(p, PackedMessage::kTypeConfirmation, screen_name_,
                 PackedMessage::kRegisterScreenName);
    CKvMessage* held = HeldAnswer(p);
    if (!IsValidPtr(held) || !IsValidPtr(held->GetPayload())) {
        HeldAnswer(p) = nullptr;
        if (IsValidPtr(held))
            held->Release();
        last_result_ = KV_E_INVALID_POINTER;
        return;
    }
    if (StrangerMark(p) != 0) {
        ReleaseHeldAnswer(p);
        last_result_ = KV_E_FAIL;
        return;
    }
    auto* record = static_cast<CKvDataUser*>(held->GetPayload());
    LocalId(*record) = LocalId(p);
    PeerId(*record) = PeerId(p);
    HeldAnswer(p) = nullptr;
    if (ReportToHost(p, held) != KV_OK)
        return;
    p.SetChatSubState(LinkSubState(p));
    p.SetChatState(kIdle);
    ActionTimer(p).Stop();
    if (anonymous_flag_ == 0) {
        SendStatus(p, last_name_, PackedMessage::kStatusLastName);
        SendStatus(p, first_name_, PackedMessage::kStatusFirstName);
    }
    AskStatus(p, " " + picture_id_, PackedMessage::kStatusIdPicture);
    RefreshHost();
}

void CKvJobDataChat::DoLinkFromHost(CKvDataUser& p) {
    if (HeldAnswer(p) != nullptr) {
        CKvDataUser* record = FoundRecord(p);
        if (record == nullptr)
            return;
        CKvMessage* held = HeldAnswer(p);
        MergeHostRecord(p, *record, true);
        p.SetChatSubState(2);
        p.SetChatState(kIdle);
        HeldAnswer(p) = nullptr;
        if (ReportToHost(p, held) != KV_OK)
            return;
        LinkTimer(p).Stop();
        ActionTimer(p).Stop();
        RetryCount(p) = 0;
        ReconnectFlag(p) = 0;
        BusyFlag(p) = 0;
        RefreshHost();
        return;
    }
    if (!RanOut(ActionTimer(p)))
        return;
    RetryCount(p) = 1;
    ReconnectFlag(p) = 0;
    TurnToGoodbye(p);
}

// ---- Linked ----

void CKvJobDataChat::HandleLinked(CKvDataUser& p) {
    const std::uint32_t state = p.GetChatState();
    switch (state) {
    case kIdle:
        DoIdleTurn(p);
        return;
    case kSendUnregister:
        DoSendUnregister(p);
        return;
    case kWaitUnregister:
        DoWaitUnregisterConfirmation(p);
        return;
    default:
        break;
    }
    if (state == kHostUpdate && RanOut(ActionTimer(p))) {
        p.SetChatState(kIdle);
        return;
    }
    if (state != kHostUpdate && state != kUnregistered && state != kPeerUnregistered) {
        last_result_ = KV_E_BAD_STATE;
        return;
    }
    if (state != kHostUpdate && RanOut(ActionTimer(p))) {
        if (state == kUnregistered)
            DropWithId(p);
        else
            Drop(p);
        return;
    }
    if (state == kHostUpdate)
        DoLinkedHostUpdate(p);
    else
        DoLinkedUnregistered(p, state == kPeerUnregistered);
}

bool CKvJobDataChat::HandleStatusPacket(CKvDataUser& p, const PackedMessage& packet) {
    const bool automatic = p.GetFlagChangeDataAutomaticaly() != 0;
    switch (packet.GetStatusSubCommand()) {
    case PackedMessage::kStatusLastName:
    case PackedMessage::kStatusFirstName:
        if (!automatic)
            return false;
        if (packet.GetStatusSubCommand() == PackedMessage::kStatusLastName)
            TakeText(p, &CKvDataUser::SetLastName, packet.GetText());
        else
            TakeText(p, &CKvDataUser::SetFirstName, packet.GetText());
        break;
    case PackedMessage::kStatusIdPicture: {
        p.SetChatSubState(packet.GetFlag());
        if (!automatic || packet.GetText().size() <= 1)
            return false;
        TakeText(p, &CKvDataUser::SetIdImageText, packet.GetText().substr(1));
        break;
    }
    default:
        return false;
    }
    AskHost(p);
    LinkTimer(p).Stop();
    ActionTimer(p).Restart(kActionSeconds, 0);
    p.SetChatState(kHostUpdate);
    return true;
}

void CKvJobDataChat::DoIdleTurn(CKvDataUser& p) {
    BusyFlag(p) = 1;
    if (RanOut(ActionTimer(p))) {
        ReconnectFlag(p) = 0;
        RetryCount(p) = 1;
        p.SetChatState(kSendUnregister);
        ActionTimer(p).Restart(kActionSeconds, 0);
        LinkTimer(p).Expire();
        BusyFlag(p) = 0;
        return;
    }
    if (auto packet = TakeFromPeer(p, PackedMessage::kCommandUnregister,
                                   PackedMessage::kTypeRequest, p.GetScreenName(), true)) {
        AskHost(p);
        BusyFlag(p) = 0;
        RestartMs(LinkTimer(p), disconnect_timeout_);
        ActionTimer(p).Restart(kActionSeconds, 0);
        p.SetChatState(kPeerUnregistered);
        return;
    }
    if (auto packet = TakeFromPeer(p, PackedMessage::kCommandNotificationStatus,
                                   PackedMessage::kTypeInfo, "", true)) {
        if (HandleStatusPacket(p, *packet))
            return;
    } else if (auto data = TakeFromPeer(p, PackedMessage::kCommandNotificationData,
                                        PackedMessage::kTypeInfo, "", true)) {
        HandleChatData(p, *data);
    } else if (auto request = TakeFromPeer(p, PackedMessage::kCommandNotificationStatus,
                                           PackedMessage::kTypeRequest, "", true)) {
        const bool asked_host = HandleStatusPacket(p, *request);
        if (request->GetStatusSubCommand() == PackedMessage::kStatusIdPicture)
            SendStatus(p, " " + picture_id_, PackedMessage::kStatusIdPicture);
        if (asked_host)
            return;
    }
    CheckLogTimer(p);
}

void CKvJobDataChat::DoLinkedHostUpdate(CKvDataUser& p) {
    if (HeldAnswer(p) == nullptr)
        return;
    CKvDataUser* record = FoundRecord(p);
    if (record == nullptr)
        return;
    CKvMessage* held = HeldAnswer(p);
    record->SetTimeoutDisconnected(p.GetTimeoutDisconnected(), 10);
    record->SetChatSubState(p.GetChatSubState());
    LocalId(*record) = LocalId(p);
    PeerId(*record) = PeerId(p);
    if (p.GetFlagChangeDataAutomaticaly() != 0) {
        if (!p.GetLastName().empty())
            TakeText(*record, &CKvDataUser::SetLastName, p.GetLastName());
        if (!p.GetFirstName().empty())
            TakeText(*record, &CKvDataUser::SetFirstName, p.GetFirstName());
        record->SetIdImage(p.GetIdImage());
    }
    HeldAnswer(p) = nullptr;
    if (ReportToHost(p, held) != KV_OK)
        return;
    p.SetChatState(kIdle);
    ActionTimer(p).Stop();
    RefreshHost();
}

void CKvJobDataChat::DoLinkedUnregistered(CKvDataUser& p, bool confirm_to_peer) {
    if (HeldAnswer(p) == nullptr)
        return;
    if (FoundRecord(p) == nullptr)
        return;
    ReleaseHeldAnswer(p);
    p.SetChatSubState(0);
    p.SetChatState(kIdle);
    ReportToHost(p, nullptr);
    if (confirm_to_peer)
        SendUnregister(p, PackedMessage::kTypeConfirmation, screen_name_);
    RefreshHost();
    DropWithId(p);
}

void CKvJobDataChat::DoSendUnregister(CKvDataUser& p) {
    if (RanOut(ActionTimer(p))) {
        if (ReconnectFlag(p) != 0) {
            DropWithId(p);
            return;
        }
        if (AskHost(p) != KV_OK) {
            DropWithId(p);
            return;
        }
        RetryCount(p) = 0;
        BusyFlag(p) = 1;
        LinkTimer(p).Stop();
        ActionTimer(p).Restart(kActionSeconds, 0);
        p.SetChatState(kUnregistered);
        return;
    }
    SendUnregister(p, PackedMessage::kTypeRequest, screen_name_);
    LinkTimer(p).Stop();
    ActionTimer(p).Restart(kPeerWaitSeconds, 0);
    p.SetChatState(kWaitUnregister);
}

void CKvJobDataChat::DoWaitUnregisterConfirmation(CKvDataUser& p) {
    if (auto packet = TakeFromPeer(p, PackedMessage::kCommandUnregister,
                                   PackedMessage::kTypeConfirmation, p.GetScreenName(), true)) {
        if (ReconnectFlag(p) != 0) {
            BusyFlag(p) = 0;
            return;
        }
        AskHost(p);
        LinkTimer(p).Stop();
        ActionTimer(p).Restart(kActionSeconds, 0);
        p.SetChatState(kUnregistered);
        return;
    }
    if (!RanOut(ActionTimer(p)))
        return;
    if (ReconnectFlag(p) == 0) {
        if (RetryCount(p) == 0) {
            if (AskHost(p) != KV_OK) {
                DropWithId(p);
                return;
            }
            ActionTimer(p).Restart(kActionSeconds, 0);
            p.SetChatState(kUnregistered);
            return;
        }
        --RetryCount(p);
        BusyFlag(p) = 0;
        LinkTimer(p).Expire();
        ActionTimer(p).Restart(kActionSeconds, 0);
        p.SetChatState(kSendUnregister);
        return;
    }
    if (RetryCount(p) != 0)
        --RetryCount(p);
    if (RetryCount(p) == 0) {
        ReconnectFlag(p) = 0;
        RetryCount(p) = 1;
    }
    // Re-registered, it links again with the presence it had.
    LinkValue(p) = p.GetChatSubState();
    LinkWord(p) |= 1;
    std::unique_ptr<CKvDataUser> record;
    if (RemoveParticipant(p.GetKey(), record) != KV_OK)
        return;
    BusyFlag(*record) = 0;
    LinkTimer(*record).Stop();
    record->SetChatSubState(0);
    record->SetChatState(kRegisterRequest);
    Admit(record.release());
}
