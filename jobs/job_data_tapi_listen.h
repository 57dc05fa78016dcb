#pragma once
// TAPI listen: watches the calls of TAPI lines and turns their call states
// into call notices for the endpoints that take the calls. Element
// "JobDataTAPIListen"; the line calls and the line list travel, the TAPI
// lines and the known calls stay on their machine.

#include "core/dialling_rules.h"
#include "core/kv_string.h"
#include "core/phone_number.h"
#include "data/data_call.h"
#include "jobs/job_data_tapi.h"
#include "tapi/tapi_calls_manager.h"

#include <string>

class CKvDataCall;

class CKvJobDataTAPIListen : public CKvJobDataTapiBase {
public:
    static constexpr std::uint32_t kAnswerSeconds = 20;
    static constexpr std::uint32_t kStatePreferences = 6;
    static constexpr std::uint32_t kStateRequest = 7;
    static constexpr std::uint32_t kStateHost = 4;
    static constexpr std::uint32_t kStateDevices = 23;

    // The two columns of the call-state relay: the requester forwarding a
    // server's report, and the serverless run processing a line's own.
    struct RelayColumn {
        bool all_calls;          // else only calls not made by this line
        bool request_always;     // else only for an OFFERING call
        std::uint32_t idle_state; // phone state of the IDLE notice
        bool local_details;      // flagcallout, preselection and comment
    };
    static const RelayColumn kForwarding;
    static const RelayColumn kLocal;

    CKvJobDataTAPIListen();
    ~CKvJobDataTAPIListen() override;
    CKvJobDataTAPIListen(const CKvJobDataTAPIListen&) = delete;
    CKvJobDataTAPIListen& operator=(const CKvJobDataTAPIListen&) = delete;

    CKvJobDataTAPIListen& CopyFrom(const CKvJobDataTAPIListen& other);

    // Null gives the empty text.
    void SetAuxTexts(const char* first, const char* second);

    KvResult ReadXml(const XmlNode* job_data) override;
    KvResult WriteXml(XmlNode* job_data) override;
    KvResult StepRequester() override;
    KvResult StepExecutor() override;
    KvResult CheckRootJob() override;

    const std::string& GetFirstAuxText() const { return aux_texts_[0]; }
    const std::string& GetSecondAuxText() const { return aux_texts_[1]; }
    std::string& GetReceivedNumber() { return received_number_; }
    std::string& GetOwnDeviceNumber() { return own_device_number_; }
    std::string& GetCardNumberText() { return card_number_text_; }
    DiallingRules& GetDiallingRules() { return rules_; }
    std::uint32_t& GetExecutorVariant() { return executor_variant_; }
    KVTAPICALLSMANAGER& GetLineCalls() { return line_calls_; }
    KVTAPICALLSMANAGER& GetKnownCalls() { return known_calls_; }
    CKvDataCall& GetCallRecord() { return call_record_; }
    KVSTRING_LIST& GetTapiLines() { return tapi_lines_; }
    KVSTRING_LIST& GetLineList() { return line_list_; }
    std::uint32_t GetDevicesAsked() const { return devices_asked_; }
    std::uint32_t GetWatchesPlaced() const { return watches_placed_; }

    // The serverless machine, reached through CheckRootJob.
    KvResult ExecutorRun();
    // One message of the serverless run; the message is released.
    void ProcessLocalMessage(CKvMessage* message);
    // The requester's work while it runs; non-zero when it is to stop.
    KvResult ForwardNotifications();
    // The watch of every line (SIGNAL command 1, or 3 to cancel it).
    KvResult WatchAllLines(std::int32_t command = 1);
    KvResult StepExecutorA();
    KvResult StepExecutorB();
    KvResult ServeLines();
    KvResult TrackLineCalls();
    // Relays the reported calls' states into the kept calls (notices, new-
    // call requests, removal of the vanished calls of the reported line).
    void RelayCallStates(KVTAPICALLSMANAGER& reported, KVTAPICALLSMANAGER& kept,
                         const RelayColumn& column);

private:
    void End() { GoTo(KV_JOB_STATE_CLEANUP); }
    void RequesterPreferences();
    void RequesterWaitForAnswer();
    void RequesterCleanUp();
    void ServerlessPreferences();
    void ServerlessServe();
    void ExecutorAGeneral();
    void ExecutorAHost();
    void ExecutorADevices();
    void ExecutorAStop();
    void ExecutorBGeneral();
    void ExecutorBDevices();
    // INFO 1 or 3 to the status service (2050) with a line object per entry.
    void PostLineStarts();
    void PostLineStops();
    KvResult PostLineCalls(const KVTAPICALLSMANAGER* calls);
    // A watch (SIGNAL, command 1 or 3) to the line service.
    KvResult PostWatch(std::int32_t command, const std::string& line, const std::string& alias);
    // A call notice to the call's taker; a DISCONNECTED one carries the stop
    // time instead of the start.
    void SendCallNotice(KVTAPICALL& call, std::uint16_t taker, std::uint32_t phone_state,
                        bool stopped);
    KvResult SendNewCallRequest(KVTAPICALL& call, const RelayColumn& column);
    // Learns who took a call from the taker's ACCEPTED.
    void LearnTaker(const CKvMessage& message, KVTAPICALLSMANAGER& kept);
    KvResult AnnounceOffered(KVTAPICALL& call, const std::string& device);

    std::string aux_texts_[2];
    std::string received_number_;
    std::string own_device_number_;
    std::string card_number_text_;
    PHONE_NUMBER_LIST phone_lists_[2];
    DiallingRules rules_;
    std::uint32_t executor_variant_ = 0;
    KVTAPICALLSMANAGER line_calls_;
    CKvDataCall call_record_;
    KVSTRING_LIST tapi_lines_;
    KVTAPICALLSMANAGER known_calls_;
    KVSTRING_LIST line_list_;
    std::uint32_t devices_asked_ = 0;
    std::uint32_t watches_placed_ = 0;
    // The serverless run's watch of every line, cancelled at its end.
    bool watching_all_ = false;
};
