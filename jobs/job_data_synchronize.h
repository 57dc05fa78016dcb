#pragma once
// SYNCHRONIZE: brings the calls a server recorded for a user since the
// workstation's last known call into the workstation's call journal. The
// client side (CheckRootJob) asks for the range, then fetches the calls one
// at a time and hands each call the journal lacks to the call window (2089).
// The server side (StepExecutor) selects the user's calls from the start
// time on and serves them earliest first. Element "JobDataClient", shared
// with the client jobs; the header's type tells them apart.

#include "core/time_date.h"
#include "data/data_call.h"
#include "data/data_handler_store.h"
#include "data/data_server_user.h"
#include "jobs/job_data.h"

#include <memory>

class CKvJobDataSynchronize : public CKvJobData {
public:
    static constexpr std::uint32_t kAnswerSeconds = 20;
    // The server side waits this long for the client's next request: three
    // of the client's own answer time-outs.
    static constexpr std::uint32_t kServeSeconds = 60;

    // Client states.
    static constexpr std::uint32_t kStateNextCall = 7;
    static constexpr std::uint32_t kStateWaitingForCall = 14;
    static constexpr std::uint32_t kStateCallKnown = 22;
    // Server states.
    static constexpr std::uint32_t kStateServerUser = 2;
    static constexpr std::uint32_t kStateSelectedCalls = 22;

    // The named-field list of the call query.
    static constexpr const char* kQueryFields = "KVFLAG_CALLOUT,TIME_DATE_START,*";
    static constexpr std::int32_t kSubCommandCallQuery = 11;

    CKvJobDataSynchronize();
    ~CKvJobDataSynchronize() override;

    // Base fields, a clone of the call, both times and a copy of the server
    // user; not the counts and not the call store.
    CKvJobDataSynchronize& CopyFrom(const CKvJobDataSynchronize& other);

    KvResult ReadXml(const XmlNode* job_data) override;
    KvResult WriteXml(XmlNode* job_data) override;
    // Only ends the job: the client side's work is in CheckRootJob.
    KvResult StepRequester() override;
    KvResult StepExecutor() override;
    KvResult CheckRootJob() override;

    KvResult RequestServerUser();
    // The DATACALL query (sub-command 11): the current time in its start
    // time's seconds and milliseconds, datetimestart in its further words.
    KvResult SetCallQuery();
    // Drops the calls of the store whose numberint is none of the server
    // user's device numbers.
    KvResult FilterCallsByDevice();

    TimeDate& GetDateTimeStart() { return datetimestart_; }
    TimeDate& GetDateTimeEnd() { return datetimeend_; }
    std::uint32_t GetSetCount() const { return setcount_; }
    void SetSetCount(std::uint32_t count) { setcount_ = count; }
    std::uint32_t GetSetIndex() const { return setindex_; }
    void SetSetIndex(std::uint32_t index) { setindex_ = index; }
    CKvDataCall* GetCall() const { return call_.get(); }
    void SetCall(std::unique_ptr<CKvDataCall> call) { call_ = std::move(call); }
    CKvDataServerUser* GetServerUser() const { return server_user_.get(); }
    void SetServerUser(std::unique_ptr<CKvDataServerUser> user) { server_user_ = std::move(user); }
    CKvDataHandlerStore* GetCallStore() const { return call_store_.get(); }
    void SetCallStore(std::unique_ptr<CKvDataHandlerStore> store) {
        call_store_ = std::move(store);
    }

private:
    // The record of the first message of type 47 in the queue; message is
    // that message, null when there is none. The record is null when the
    // message holds no valid SYNCHRONIZE record.
    CKvJobDataSynchronize* FirstRecord(CKvMessage*& message);
    void Answer(std::uint32_t messagetype, std::uint32_t attribute);

    void ClientPreferences();
    void ClientWaitForRange();
    void ClientNextCall();
    void ClientWaitForCall();
    void ClientCallKnown();

    void ServerStart();
    void ServerWaitForUser();
    void ServerWaitForCalls();
    void ServerServing();
    // The earliest call of the store, taken out of it; null when the store
    // is empty or holds a bad entry (last result KV_E_INVALID_POINTER).
    std::unique_ptr<CKvDataCall> TakeEarliestCall();

    std::unique_ptr<CKvDataServerUser> server_user_;
    std::unique_ptr<CKvDataCall> call_;
    TimeDate datetimestart_;
    TimeDate datetimeend_;
    std::uint32_t setcount_ = 0;
    std::uint32_t setindex_ = 0;
    std::unique_ptr<CKvDataHandlerStore> call_store_;
};
