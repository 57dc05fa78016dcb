#pragma once
// ROOT: the controller of the protocol jobs of a process. Exactly one runs in
// a job handler; it announces its id to the handler, reads the settings from
// the host, starts the jobs that do the work (a client job towards the
// server, or listen jobs and TAPI lines on the machine itself) and at the end
// stops the other jobs and ends the handler's loop. Three machines share the
// state field: StepRequester (a workstation with a server), OnEvent (a
// workstation without one, in the CheckRootJob position) and StepExecutor
// (the server). Other jobs find it in the running state (10) and read its
// preferences and general settings. It has no XML form.

#include "data/data_client_general.h"
#include "data/data_contact.h"
#include "data/data_general.h"
#include "data/data_handler_store.h"
#include "data/data_preferences.h"
#include "data/data_server_user.h"
#include "jobs/job_data.h"

#include <map>
#include <memory>
#include <string>

class CKvJobDataRoot : public CKvJobData {
public:
    static constexpr std::uint32_t kAnswerSeconds = 10;
    static constexpr std::uint32_t kLinesSeconds = 180;
    // The period of the workstation's client job: while none runs, one is
    // spawned at each expiry.
    static constexpr std::uint32_t kClientTimerId = 5; // 30 s
    static constexpr std::uint32_t kClientSeconds = 30;
    static constexpr std::uint32_t kEndTimerId = 6; // 120 s
    static constexpr std::uint32_t kEndSeconds = 120;

    // States besides the shared ones. Two states have two names, one per
    // machine: 22 is the requester's kStateContact and the server's
    // kStateLines, 7 the requester's kStateSpawn and the event machine's
    // kStateLocalContact.
    static constexpr std::uint32_t kStateGeneral = 1;
    static constexpr std::uint32_t kStateCollection = 2;
    static constexpr std::uint32_t kStateClientSettings = 5;
    static constexpr std::uint32_t kStateSpawn = 7;        // StepRequester
    static constexpr std::uint32_t kStatePreferences = 20;
    static constexpr std::uint32_t kStateLines = 22;       // StepExecutor
    static constexpr std::uint32_t kStateContact = 22;     // StepRequester
    static constexpr std::uint32_t kStateLocalContact = 7; // OnEvent
    static constexpr std::uint32_t kStateDevices = 23;

    // Sub-commands of the record requests.
    static constexpr std::int32_t kSubCommandCollection = 8;
    static constexpr std::int32_t kSubCommandAllOfType = 10;
    // Command and sub-command of closing every line.
    static constexpr std::int32_t kCloseLinesCommand = 3;
    static constexpr std::int32_t kCloseLinesSubCommand = 8;

    using UserMap = std::map<std::string, std::unique_ptr<CKvDataServerUser>>;

    CKvJobDataRoot();
    ~CKvJobDataRoot() override;

    // Base fields, copies of the records, the user map record by record.
    CKvJobDataRoot& CopyFrom(const CKvJobDataRoot& other);

    KvResult ReadXml(const XmlNode*) override { return JobDataNoXml(); }
    KvResult WriteXml(XmlNode*) override { return JobDataNoXml(); }
    KvResult StepRequester() override;
    KvResult StepExecutor() override;
    // The machine of a workstation without server.
    KvResult CheckRootJob() override { return OnEvent(); }
    KvResult OnEvent();

    // Null while the host has not sent the record.
    std::unique_ptr<CKvDataPreferences>& GetPreferencesRef() { return preferences_; }
    CKvDataGeneral* GetGeneralSettings() const { return general_.get(); }
    void SetGeneralSettings(std::unique_ptr<CKvDataGeneral> general) {
        general_ = std::move(general);
    }
    CKvDataClientGeneral* GetClientSettings() const { return client_settings_.get(); }
    std::unique_ptr<CKvDataContact>& GetPersonalContactRef() { return personal_contact_; }
    std::unique_ptr<CKvDataHandlerStore>& GetDeviceStoreRef() { return device_store_; }
    UserMap& GetUserMap() { return users_; }

    KvResult SpawnClientJob();
    KvResult PostLocalListenJob();
    KvResult PostServerListenJob();
    KvResult RequestCollection();
    // Asks the line service (2110) to open a line per device with a TAPI
    // line; the others leave the store.
    KvResult OpenDeviceLines(CKvDataHandlerStore* store);
    KvResult CloseDeviceLines();
    // The server's running step: adopts the dial and TAPI listen jobs handed
    // to the root, and stops on the quit command.
    void TakeOverJobs();

    // The first root job of the handler in the running state that holds
    // preferences; null when there is none.
    static CKvJobDataRoot* FindRunning(const CKvIMSGJobDataHandler& handler);
    // The first root job of the handler, whatever its state; null when none.
    static CKvJobDataRoot* FindFirst(const CKvIMSGJobDataHandler& handler);
    // Whether the preferences of the root job ask for a server.
    bool UsesServer();

private:
    // The number of root jobs filed in the handler.
    std::uint32_t CountRootJobs() const;
    void SetRootJobId(std::uint32_t id);
    // The start of each machine: false, the job gone on, for a second root
    // (finished at once) and for a root its handler does not hold (stopped).
    bool StartAsOnlyRoot();
    // States 8, 11, 15 and the running state of the workstation machines.
    bool StepCommon(bool server);
    void StopAll(bool server);
    void End();
    // A new request with a new record of the type for the host (2048),
    // REQUEST command 2, the sub-command, job ids (0, own, originating).
    CKvMessage* NewRecordRequest(std::int32_t payload_type, std::int32_t sub_command);
    // A new message without payload that names the payload type.
    CKvMessage* NewBlankMessage(std::int32_t kind, std::int32_t payload_type, std::int32_t command,
                                std::int32_t sub_command);
    // The preferences answer: taken over, the identities set. False (and the
    // last result set) when the answer did not hold them.
    bool TakePreferences(CKvMessage& answer);
    // A contact template from the names of the preferences; none when they
    // are all empty.
    void BuildContactTemplate();
    // The personal contact request; answer is null while it waits. False on
    // a failure of the request.
    bool RequestPersonalContact(CKvMessage*& answer);
    // The found contact becomes the personal contact, its numbers reduced to
    // the dialable internal ones.
    void TakePersonalContact(CKvMessage& answer);
    void PostNoPersonalContact();
    // With TAPI the local listen job runs without a personal contact.
    void PostLocalListenWithoutContact();

    void RequesterStart();
    void RequesterClientSettings();
    void RequesterPreferences();
    void RequesterContact();
    void Spawn();
    // The requester's running state: at every expiry of the client timer a
    // new client job is spawned unless one is still held, so that a
    // workstation logs on again after its server went away or refused it. A
    // client job that had logged on is followed at once: its end took a
    // keep-alive and an answer time already.
    void KeepClientJob();

    void OnEventStart();
    void OnEventPreferences();
    void OnEventContact();

    void ExecutorStart();
    void ExecutorGeneral();
    void ExecutorCollection();
    void ExecutorDevices();
    void ExecutorLines();

    UserMap users_;
    std::unique_ptr<CKvDataGeneral> general_;
    std::unique_ptr<CKvDataClientGeneral> client_settings_;
    std::unique_ptr<CKvDataPreferences> preferences_;
    std::unique_ptr<CKvDataContact> personal_contact_;
    std::unique_ptr<CKvDataHandlerStore> device_store_;
    // The client job the requester spawned last reached state 10.
    bool client_logged_on_ = false;
};
