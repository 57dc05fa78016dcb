#pragma once
// TAPI listen: watches the calls of TAPI lines and turns their call states
// into call notices for the endpoints that take the calls. Element
// "JobDataTAPIListen"; the line calls and the line list travel, the TAPI
// lines and the known calls stay on their machine.

#include "core/dialling_rules.h"
#include "core/kv_string.h"
#include "core/phone_number.h"
#include "data/data_call.h"
#include "jobs/job_data.h"
#include "tapi/tapi_calls_manager.h"

#include <string>

class CKvJobDataTAPIListen : public CKvJobData {
public:
    static constexpr std::uint32_t kAnswerSeconds = 20;

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

private:
    // States 8 and 11, and the bad state.
    void StepCommon();

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
};
