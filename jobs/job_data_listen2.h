#pragma once
// LISTEN2: watches the ISDN line through a CAPI listen manager the host lends
// and turns every call offered to the user's devices into a call
// notification. Requester (a workstation asks its server), executor variant 0
// (the server, for a remote requester), executor variant 1 and the
// serverless step (the local machine; calls go to the host directly).
// Element "JobDataListen", shared with LISTEN; the header's type tells them
// apart.

#include "core/dialling_rules.h"
#include "core/phone_number.h"
#include "data/data_handler_store.h"
#include "jobs/job_data.h"

class CKvDataDevice;
class CapiListenManager;

class CKvJobDataListen2 : public CKvJobData {
public:
    static constexpr std::uint32_t kAnswerSeconds = 20;
    static constexpr std::uint32_t kLockRetryTimerId = 7;
    static constexpr std::uint32_t kLockRetrySeconds = 1;
    static constexpr std::int32_t kDeviceCapacity = 20;

    // Executor states of the record collection.
    static constexpr std::uint32_t kStateServerUser = 2;
    static constexpr std::uint32_t kStateHost = 4;
    static constexpr std::uint32_t kStatePreferences = 6;
    static constexpr std::uint32_t kStateRequestManager = 7;
    static constexpr std::uint32_t kStateUserDevices = 22;
    static constexpr std::uint32_t kStateHostDevices = 23;

    CKvJobDataListen2();
    ~CKvJobDataListen2() override;

    CKvJobDataListen2& CopyFrom(const CKvJobDataListen2& other);

    KvResult ReadXml(const XmlNode* job_data) override;
    KvResult WriteXml(XmlNode* job_data) override;
    KvResult StepRequester() override;
    // Variant 0 or 1 by the variant flag.
    KvResult StepExecutor() override;
    // The serverless step or the requester, as the root job's preferences
    // say.
    KvResult CheckRootJob() override;

    // The own number handed to the listen manager.
    void SetAuxText(const std::string& text) { own_number_ = text; }
    const std::string& GetOwnNumber() const { return own_number_; }
    std::uint32_t GetVariant() const { return variant_; }
    void SetVariant(std::uint32_t variant) { variant_ = variant; }
    std::string& GetCallingNumber() { return callingnumber_; }
    std::string& GetCalledNumber() { return callednumber_; }
    std::string& GetFirstManagerNumber() { return manager_numbers_[0]; }
    std::string& GetSecondManagerNumber() { return manager_numbers_[1]; }
    PHONE_NUMBER_LIST& GetUserNumbers() { return user_numbers_; }
    PHONE_NUMBER_LIST& GetHostNumbers() { return host_numbers_; }
    DiallingRules& GetDiallingRules() { return rules_; }
    CKvDataHandlerStore& GetDeviceStore() { return devices_; }
    std::uint32_t GetPendingCount() const { return pending_; }

    // The serverless machine, reached through CheckRootJob.
    KvResult ExecutorRun();

private:
    void End() { GoTo(KV_JOB_STATE_CLEANUP); }
    void CleanUp();
    void Refuse();

    void RequesterPreferences();
    void RequesterSendRequest();
    void RequesterWaitForAnswer();
    void RequesterStop();
    void RequesterCleanUp();
    KvResult ForwardNotifications();
    // Every device of the store to the status service with the command.
    void PostDevices(std::int32_t command);

    void ServerlessPreferences();
    void WaitForManager(bool answer_requester);
    KvResult ServeCalls();
    void ShutDownManager();

    KvResult StepExecutorA();
    KvResult StepExecutorB();
    // The DATAGENERAL record, then the host records (local: all of them).
    void ExecutorGeneral(bool local);
    void ExecutorAHost();
    void ExecutorADevices(bool into_user_numbers);
    void ExecutorAServerUser();
    void ExecutorServing(bool direct);
    void ExecutorAStop();
    void ExecutorBHosts();
    void ExecutorBServerUsers();
    void ExecutorBDevices();
    void NotifyRequester();

    // The listen-manager request; with_numbers also hands over the manager
    // numbers and the own number.
    KvResult RequestListenManager(bool with_numbers);
    // A record request with a new record of the type to the host (2048),
    // REQUEST command 2 sub-command 5, job ids (0, own, own); fill sets the
    // record's key. True when sent.
    template <typename Record, typename Fill>
    bool RequestOne(std::int32_t payload_type, Fill fill, std::uint32_t originating);
    // A request without payload for every record of the type (answered by a
    // record store).
    bool RequestAllOfType(std::int32_t payload_type);
    // One DATADEVICE request per non-empty entry; the pending count is the
    // number sent.
    template <typename List> void RequestDevices(const List& numbers, std::uint32_t originating);
    // An entry for the device in the list, keyed by its number.
    static void AddDeviceEntry(PHONE_NUMBER_LIST& list, CKvDataDevice& device);
    // The call of the last notification as a new DATACALL message, or null.
    CKvMessage* NewCallMessage(std::int32_t kind, bool mark);
    // The numbers and time of a manager's notification.
    void TakeCall(CapiListenManager& manager, bool normalise);
    // A client job (17) in state 10 at this job's peer.
    bool HasClientAtPeer() const;

    std::string manager_numbers_[2];
    std::string callingnumber_;
    std::string callednumber_;
    std::string own_number_;
    PHONE_NUMBER_LIST user_numbers_;
    PHONE_NUMBER_LIST host_numbers_;
    DiallingRules rules_;
    std::uint32_t variant_ = 0;
    std::uint32_t pending_ = 0;
    CKvDataHandlerStore devices_;
    // Set once the host accepted a listen manager: every end gives it up.
    bool manager_held_ = false;
};
