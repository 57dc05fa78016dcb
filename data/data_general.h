#pragma once
// CKvDataGeneral (type 2, "DATAGENERAL"): the general settings of the CTI
// client: CAPI provider and file path, port, the digits put around internal
// and external numbers, ISDN card, start and restart behaviour, TAPI use,
// call history and the TAPI lines. The key is the identifier, so a non-zero
// identifier travels in the XML form as the attribute "identifier"
// (data/record_identifier.h).
//
// The own country and area code are runtime fields: every read (XML or DOM)
// replaces them with this machine's telephony location, and no form carries
// them.

#include "core/bounded_string_list.h"
#include "core/kv_string.h"
#include "core/text_values.h"
#include "data/data_handler.h"
#include "data/record_identifier.h"
#include "data/record_keys.h"

#include <cstdint>
#include <string>
#include <string_view>

class CKvDataGeneral : public NumberedRecord<CKvDataGeneral, K_KVDT_TP_DTHDLR_DATAGENERAL> {
public:
    static constexpr std::string_view kElementName = "DATAGENERAL";
    static constexpr std::string_view kTapiLinesElementName = "STRINGHANDLER_TAPILINES";
    static constexpr std::uint32_t kDefaultPortNumber = 21021;

    explicit CKvDataGeneral(CKvDataHandlerCatalog* context = nullptr, std::uint32_t identifier = 0);
    // Every field, the runtime codes and the TAPI lines included; the base
    // part's identifier, flag word, timer and context. A record assigned to
    // itself is unchanged.
    CKvDataGeneral& operator=(const CKvDataGeneral& other);

    KvResult Reset() override;
    // The identifier text ("%x").
    std::string& GetKey() override;
    // Any two general settings records count as the same.
    bool IsSameKey(CKvDataHandler& other) override;

    // out = the value in unsigned decimal; the flag gives "1" or "0".
    std::string& FormatPortNumber(std::string& out) const;
    std::string& FormatFlagAutomaticLine(std::string& out) const;
    std::string& FormatInternDigitsCount(std::string& out) const;

    // ---- Texts, kept as given ----

    std::string& GetCapiProvider() { return capi_provider_; }
    std::string& GetFilePathName() { return file_path_name_; }
    std::string& GetInternPrefixDigit() { return intern_prefix_digit_; }
    std::string& GetInternSuffixDigit() { return intern_suffix_digit_; }
    std::string& GetExternPrefixDigit() { return extern_prefix_digit_; }
    std::string& GetExternSuffixDigit() { return extern_suffix_digit_; }
    std::string& GetIsdnCardNumber() { return isdn_card_number_; }

    // ---- Values ----

    std::uint32_t GetPortNumber() const { return port_number_; }
    void SetPortNumber(std::uint32_t port) { port_number_ = port; }
    bool GetFlagAutomaticLine() const { return flag_automatic_line_ != 0; }
    void SetFlagAutomaticLine(bool set) { flag_automatic_line_ = set ? 1 : 0; }
    std::uint32_t GetInternDigitsCount() const { return intern_digits_count_; }
    void SetInternDigitsCount(std::uint32_t count) { intern_digits_count_ = count; }
    BoolValue& GetFlagStartDuringSystemStart() { return flag_start_during_system_start_; }
    BoolValue& GetFlagUseTapi() { return flag_use_tapi_; }
    BoundedStringList& GetRestartWeekdays() { return restart_weekdays_; }
    UIntValue& GetRestartTimeInSeconds() { return restart_time_in_seconds_; }
    UIntValue& GetCallHistoryMonthCount() { return call_history_month_count_; }
    BoolValue& GetFlagCallHistoryBackup() { return flag_call_history_backup_; }
    KVSTRING_LIST& GetTapiLines() { return tapi_lines_; }

    // ---- Runtime codes of the telephony location ----

    const std::string& GetOwnAreaCode() const { return own_area_code_; }
    const std::string& GetOwnCountryCode() const { return own_country_code_; }

private:
    friend KeyTableRecord;
    friend NumberedRecord;
    static const RecordForm<CKvDataGeneral>& Form();
    // Both codes from the telephony location, trimmed; both empty when no
    // location can be read.
    void TakeTelephonyLocation();
    void AfterXmlRead() override;
    void AfterDomRead() override;

    std::string capi_provider_;
    std::string file_path_name_;
    std::uint32_t port_number_ = kDefaultPortNumber;
    std::string intern_prefix_digit_;
    std::string intern_suffix_digit_;
    std::string extern_prefix_digit_;
    std::string extern_suffix_digit_;
    std::uint8_t flag_automatic_line_ = 1;
    std::uint32_t intern_digits_count_ = 2;
    std::string isdn_card_number_;
    std::string own_area_code_;
    std::string own_country_code_;
    BoolValue flag_start_during_system_start_;
    BoolValue flag_use_tapi_;
    KVSTRING_LIST tapi_lines_;
    BoundedStringList restart_weekdays_;
    UIntValue restart_time_in_seconds_;
    UIntValue call_history_month_count_;
    BoolValue flag_call_history_backup_;
    std::string key_;
};
