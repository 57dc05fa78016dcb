#pragma once
// CHAT: the buddy chat and presence service. Packed messages go out in the
// call set-up of a CAPI dial manager and come in as what a listen manager
// reports; the job keeps the user's identity and presence, up to 16
// participants (DATAUSER records carrying their runtime state, see
// job_data_chat_fields.h) with their own small protocol, and the chat log.
// It has no XML form.

#include "data/data_handler_store.h"
#include "data/data_preferences.h"
#include "data/data_user.h"
#include "framework/imsg_message_list.h"
#include "framework/packed_message.h"
#include "jobs/job_data.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

class CKvDataUserGroup;

class CKvJobDataChat : public CKvJobData {
public:
    static constexpr std::uint32_t kAnswerSeconds = 20;
    static constexpr std::size_t kMaxParticipants = 16;
    static constexpr std::uint32_t kLocalIdCount = 16;
    static constexpr std::int32_t kPendingCapacity = 48;
    static constexpr std::uint32_t kDefaultDisconnectMs = 1000;
    // Local states of the step machine beside the shared ones.
    static constexpr std::uint32_t kStateGroup = 16;
    static constexpr std::uint32_t kStateDialManager = 17;
    static constexpr std::uint32_t kStateListenManager = 18;
    static constexpr std::uint32_t kStateDataManager = 19;
    // Presence codes.
    static constexpr std::uint32_t kOffline = 0;
    static constexpr std::uint32_t kPaused = 1;
    static constexpr std::uint32_t kOnline = 2;
    // The participants' reports go out with this source endpoint.
    static constexpr std::uint16_t kReportSourceEndpoint = 2055;
    // Chat text held back before an entry is logged, and how long.
    static constexpr std::size_t kMaxPendingText = 340;
    static constexpr std::uint32_t kLogFlushSeconds = 300;

    CKvJobDataChat();
    ~CKvJobDataChat() override;

    void Init();
    // Ids, counter, identities, numbers, flags, presence code and a clone of
    // the preferences; never participants, slots or packets.
    CKvJobDataChat& CopyFrom(const CKvJobDataChat& other);

    KvResult ReadXml(const XmlNode*) override { return last_result_ = JobDataNoXml(); }
    KvResult WriteXml(XmlNode*) override { return last_result_ = JobDataNoXml(); }
    KvResult StepRequester() override { return last_result_ = JobDataNotSupported(); }
    KvResult StepExecutor() override { return Step(); }
    KvResult CheckRootJob() override { return JobDataNotSupported(); }

    KvResult Step();

    // ---- Identity and settings ----

    const std::string& GetScreenName() const { return screen_name_; }
    void SetScreenName(const std::string& text) { screen_name_ = text; }
    const std::string& GetNumber() const { return own_number_; }
    void SetNumber(const std::string& text) { own_number_ = text; }
    const std::string& GetOutgoingNumber() const { return outgoing_number_; }
    void SetOutgoingNumber(const std::string& text) { outgoing_number_ = text; }
    const std::string& GetOutgoingPrefix() const { return outgoing_prefix_; }
    void SetOutgoingPrefix(const std::string& text) { outgoing_prefix_ = text; }
    const std::string& GetOutgoingSuffix() const { return outgoing_suffix_; }
    void SetOutgoingSuffix(const std::string& text) { outgoing_suffix_ = text; }
    const std::string& GetGroupText() const { return start_group_; }
    void SetGroupText(const std::string& text) { start_group_ = text; }
    const std::string& GetBuddySound() const { return buddy_sound_; }
    void SetBuddySound(const std::string& text) { buddy_sound_ = text; }
    const std::string& GetTextSound() const { return text_sound_; }
    void SetTextSound(const std::string& text) { text_sound_ = text; }
    std::uint32_t GetDisconnectTimeout() const { return disconnect_timeout_; }
    void SetDisconnectTimeout(std::uint32_t milliseconds) { disconnect_timeout_ = milliseconds; }
    std::uint32_t GetDialManagerId() const { return dial_manager_id_; }
    std::uint32_t GetSecondManagerId() const { return second_manager_id_; }
    void SetSecondManagerId(std::uint32_t id) { second_manager_id_ = id; }
    CKvDataPreferences* GetPreferences() const { return preferences_.get(); }
    void SetPreferences(std::unique_ptr<CKvDataPreferences> preferences) {
        preferences_ = std::move(preferences);
    }
    std::uint32_t GetPresence() const { return presence_code_; }
    const std::string& GetPresenceText() const { return presence_text_; }
    std::uint32_t* GetAnonymousFlag() { return &anonymous_flag_; }
    std::uint32_t* GetDenyUnknownFlag() { return &deny_unknown_flag_; }
    std::string* GetFirstName() { return &first_name_; }
    std::string& GetLastName() { return last_name_; }
    std::string* GetPictureId() { return &picture_id_; }

    // Exact, case-sensitive: "ONLINE" 2, "PAUSED" 1, anything else OFFLINE.
    void SetPresenceText(const std::string& text);
    void SetPresence(std::uint32_t code);

    // ---- Participants ----

    // Takes the record over on KV_OK. KV_E_LIST_FULL (tested first),
    // KV_E_INVALID_POINTER, KV_E_ALREADY_PRESENT (the record stays with the
    // caller).
    KvResult AddParticipant(CKvDataUser* record);
    KvResult FindParticipant(CKvDataUser* record, CKvDataUser*& found);
    CKvDataUser* FindParticipantByKey(const std::string& key) const;
    // Unlinks the participant and hands it to the caller, who keeps it (its
    // id slot with it) or gives it up. KV_E_FAIL when the key is absent.
    KvResult RemoveParticipant(const std::string& key, std::unique_ptr<CKvDataUser>& out);
    std::size_t GetParticipantCount() const { return participants_.size(); }
    // In key order; the job owns them.
    const std::map<std::string, std::unique_ptr<CKvDataUser>>& GetParticipants() const {
        return participants_;
    }

    // The highest free id; KV_E_ALREADY_PRESENT when a slot holds the
    // record's key, KV_E_NO_FREE_LOCAL_ID when none is free.
    KvResult AllocateLocalId(std::uint32_t& id, CKvDataUser& record);
    void FreeLocalId(std::uint32_t id);
    // The key held by the id's slot, or null.
    const std::string* GetSlotKey(std::uint32_t id) const;

    CKvDataHandlerStore& GetPendingStore() { return pending_; }
    ImsgMessageList& GetReceivedMessages() { return received_; }

    // ---- Dispatch, sending and log ----

    KvResult DispatchIncoming();
    // Admits a record (taken over in every case: kept in the pending store
    // or destroyed).
    KvResult Admit(CKvDataUser* record);
    KvResult AdmitGroup(CKvDataUserGroup& group);
    KvResult AdmitPending(std::uint32_t& admitted);
    void ExpirePending();
    void PresenceBroadcast();
    void GoodbyeToAll();
    // The admission interval in seconds for the records now pending.
    std::uint32_t AdmissionIntervalSeconds();

private:
    // ---- Step machine ----
    void DoStart();
    void DoGroup();
    void DoDialManager();
    void DoSecondManager(std::int32_t payload_type);
    void DoRunning();
    void DoStopping();
    void DoEnding();
    void FailTo8();
    KvResult SendShutdown(std::uint32_t manager_id);
    // A REQUEST is answered with a clone (the message itself stays).
    void ConfirmCarrier(CKvMessage* message, std::int32_t attribute, bool with_payload);

    // ---- Dispatch ----
    // True when the message was consumed.
    bool DispatchOne(CKvMessage* message);
    bool DispatchUserRecord(CKvMessage* message);
    void DispatchUserInfo(CKvMessage* message, CKvDataUser& record);
    void DispatchChatJob(CKvMessage* message);
    void DispatchListenManager(CKvMessage* message);
    void DispatchPacketToSend(CKvMessage* message);
    void HandleReceivedPacket(PackedMessage* packet, const std::string& caller);
    void CreateRegisteringParticipant(const PackedMessage& packet, const std::string& caller);
    bool IsDuplicate(const PackedMessage& packet, bool restart);
    KvResult ConfirmRequest(CKvMessage* message, std::int32_t attribute, bool keep_payload);
    void ServicePass();

    // ---- Sending ----
    KvResult SendPacked(CKvDataUser& participant, PackedMessage& packet, bool use_own_timeout);
    KvResult PrepareScratch(CKvDataUser& participant);
    KvResult SendRegister(CKvDataUser& participant, std::uint32_t type, const std::string& text,
                          std::uint32_t sub_command);
    KvResult SendUnregister(CKvDataUser& participant, std::uint32_t type,
                            const std::string& text);
    KvResult SendStatus(CKvDataUser& participant, const std::string& text,
                        std::uint32_t sub_command);
    KvResult AskStatus(CKvDataUser& participant, const std::string& text,
                       std::uint32_t sub_command);
    KvResult SendNewMessage(void* payload, std::int32_t payload_type, std::int32_t kind,
                            std::int32_t command, std::int32_t sub_command,
                            std::int32_t attribute, std::uint32_t source_job_id,
                            std::uint16_t target, std::uint16_t source);
    KvResult SendLogEntry(const std::string& entry);
    std::string LogEntry(CKvDataUser& participant, const std::string& text);
    void HandleChatData(CKvDataUser& participant, const PackedMessage& packet);
    void CheckLogTimer(CKvDataUser& participant);

    // ---- Participant protocol ----
    // The participant may be destroyed by the handler: its key is given so
    // that the caller can tell.
    void ServeParticipant(CKvDataUser& participant);
    void HandleUnlinked(CKvDataUser& participant);
    void HandleLinked(CKvDataUser& participant);
    void DoReportAndReadmit(CKvDataUser& p);
    void DoAskHost(CKvDataUser& p);
    void DoTakeHostRecord(CKvDataUser& p);
    void DoRegisterRequest(CKvDataUser& p);
    void DoRegisterInfo(CKvDataUser& p);
    void DoWaitForConfirmation(CKvDataUser& p);
    void DoCollectRegisterInfo(CKvDataUser& p);
    void DoCheckHostAnswer(CKvDataUser& p);
    void DoConfirmRegistration(CKvDataUser& p);
    void DoLinkFromHost(CKvDataUser& p);
    void TurnToGoodbye(CKvDataUser& p);
    void DoIdleTurn(CKvDataUser& p);
    void DoLinkedHostUpdate(CKvDataUser& p);
    // The host confirmed the goodbye: reported, refreshed and dropped; the
    // peer that said goodbye first gets its confirmation.
    void DoLinkedUnregistered(CKvDataUser& p, bool confirm_to_peer);
    void DoSendUnregister(CKvDataUser& p);
    void DoWaitUnregisterConfirmation(CKvDataUser& p);
    bool HandleStatusPacket(CKvDataUser& p, const PackedMessage& packet);
    void MergeHostRecord(CKvDataUser& p, CKvDataUser& record, bool linked_update);

    KvResult AskHost(CKvDataUser& participant);
    KvResult ReportToHost(CKvDataUser& participant, CKvMessage* held_answer);
    KvResult RefreshHost();
    KvResult TellHostOfStranger(CKvDataUser& participant);
    // The held answer when it is a CONFIRMATION carrying a DATAUSER record;
    // null otherwise.
    CKvMessage* HeldConfirmation(CKvDataUser& participant);
    // The record of a held DATA_FOUND answer; otherwise the answer is
    // released, the result set and null returned.
    CKvDataUser* FoundRecord(CKvDataUser& participant);
    void ReleaseHeldAnswer(CKvDataUser& participant);
    // A packet from the participant's peer, taken out of the received list.
    std::unique_ptr<PackedMessage> TakeFromPeer(CKvDataUser& participant, std::uint32_t command,
                                                std::uint32_t type, const std::string& text,
                                                bool match_peer_id);
    // Allocates the participant's local id, or finds the one its key holds
    // already; false when it has none.
    bool TakeLocalId(CKvDataUser& participant);
    void Drop(CKvDataUser& participant);
    void DropWithId(CKvDataUser& participant);
    // Destroys a record the job gives up; frees the id slot of its key unless
    // a participant holds that key. Dropping a participant frees its slot too:
    // a slot must never name a record that is gone.
    void DestroyRecord(CKvDataUser* record);
    void FreeSlotOfKey(const std::string& key);

    std::string screen_name_;
    std::string own_number_;
    std::string outgoing_number_;
    std::string outgoing_prefix_;
    std::string outgoing_suffix_;
    std::string first_name_;
    std::string last_name_;
    std::string start_group_;
    std::string buddy_sound_;
    std::string text_sound_;
    std::uint32_t dial_manager_id_ = 0;
    std::uint32_t second_manager_id_ = 0;
    std::uint32_t disconnect_timeout_ = kDefaultDisconnectMs;
    std::unique_ptr<CKvDataPreferences> preferences_;
    // Slots hold the key of the participant that holds the id, never a
    // pointer: a record can leave the map by many roads.
    std::array<std::optional<std::string>, kLocalIdCount> id_slots_;
    PackedMessage scratch_;
    ImsgMessageList received_;
    std::uint32_t presence_code_ = kOffline;
    std::string presence_text_ = "OFFLINE";
    std::uint32_t anonymous_flag_ = 0;
    std::uint32_t deny_unknown_flag_ = 0;
    CKvDataHandlerStore pending_;
    std::string picture_id_ = "0";
    std::map<std::string, std::unique_ptr<CKvDataUser>> participants_;
};
