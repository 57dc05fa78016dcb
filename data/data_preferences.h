#pragma once
// CKvDataPreferences (type 7, "DATAPREFERENCES"): the user's client
// preferences. The host owns them and hands out copies as payloads; the
// plug-in's worker and the jobs take the dialling rules, the telephony set-up
// and the user's own numbers from them.
//
// Reading either form replaces "countrycode" and "cityareacode" with the
// codes of this machine's telephony location, so every receiver sees the
// codes of the machine it runs on.

#include "core/computer_ident.h"
#include "core/kv_string.h"
#include "core/number_set.h"
#include "core/text_values.h"
#include "core/time_date.h"
#include "data/data_handler.h"
#include "data/record_identifier.h"
#include "data/record_keys.h"

#include <cstdint>
#include <string>
#include <string_view>

class CKvDataPreferences
    : public NumberedRecord<CKvDataPreferences, K_KVDT_TP_DTHDLR_DATAPREFERENCES> {
public:
    static constexpr std::string_view kElementName = "DATAPREFERENCES";
    static constexpr std::string_view kKeyText = "PREFERENCES";
    static constexpr std::string_view kDevicesElementName = "DEVICES";
    static constexpr std::string_view kDialHistoryElementName = "DIALHISTORY";
    // What the XML form carries for an empty port set; a reader then holds
    // these ports although the writer's set was empty.
    static constexpr std::string_view kDefaultClientPorts = "24024-24124";

    // Start states.
    static constexpr std::uint32_t kStartStateOffline = 0;
    static constexpr std::uint32_t kStartStatePaused = 1;
    static constexpr std::uint32_t kStartStateOnline = 2;

    // The disconnection time-out is kept within these bounds (milliseconds).
    static constexpr std::uint32_t kTimeoutMinimum = 500;
    static constexpr std::uint32_t kTimeoutMaximum = 10000;
    static constexpr std::uint32_t kTimeoutDefault = 1500;

    explicit CKvDataPreferences(CKvDataHandlerCatalog* context = nullptr,
                                std::uint32_t identifier = 0);
    // Every member; the base part's identifier, flag word, timer, context and
    // spare text. A record assigned to itself is unchanged.
    CKvDataPreferences& operator=(const CKvDataPreferences& other);

    KvResult Reset() override;
    // Always "PREFERENCES": two preferences records always share their key.
    std::string& GetKey() override { return key_; }

    // ---- Texts; the setters trim the caller's text in place ----

    const std::string& GetScreenName() const { return screen_name_; }
    void SetScreenName(std::string& text) { AssignTrimmed(screen_name_, text); }
    const std::string& GetFirstName() const { return first_name_; }
    void SetFirstName(std::string& text) { AssignTrimmed(first_name_, text); }
    const std::string& GetLastName() const { return last_name_; }
    void SetLastName(std::string& text) { AssignTrimmed(last_name_, text); }
    const std::string& GetCompany() const { return company_; }
    void SetCompany(std::string& text) { AssignTrimmed(company_, text); }
    const std::string& GetPhoneNumberCtiSource() const { return phone_number_cti_source_; }
    void SetPhoneNumberCtiSource(std::string& text) {
        AssignTrimmed(phone_number_cti_source_, text);
    }
    const std::string& GetPhoneNumberOut() const { return phone_number_out_; }
    void SetPhoneNumberOut(std::string& text) { AssignTrimmed(phone_number_out_, text); }
    const std::string& GetPhoneNumberOutPrefix() const { return phone_number_out_prefix_; }
    void SetPhoneNumberOutPrefix(std::string& text) {
        AssignTrimmed(phone_number_out_prefix_, text);
    }
    const std::string& GetPhoneNumberOutSuffix() const { return phone_number_out_suffix_; }
    void SetPhoneNumberOutSuffix(std::string& text) {
        AssignTrimmed(phone_number_out_suffix_, text);
    }
    const std::string& GetPhoneNumberExternPrefix() const { return phone_number_extern_prefix_; }
    void SetPhoneNumberExternPrefix(std::string& text) {
        AssignTrimmed(phone_number_extern_prefix_, text);
    }
    const std::string& GetPhoneNumberExternSuffix() const { return phone_number_extern_suffix_; }
    void SetPhoneNumberExternSuffix(std::string& text) {
        AssignTrimmed(phone_number_extern_suffix_, text);
    }
    const std::string& GetPhoneNumberInternPrefix() const { return phone_number_intern_prefix_; }
    void SetPhoneNumberInternPrefix(std::string& text) {
        AssignTrimmed(phone_number_intern_prefix_, text);
    }
    const std::string& GetPhoneNumberInternSuffix() const { return phone_number_intern_suffix_; }
    void SetPhoneNumberInternSuffix(std::string& text) {
        AssignTrimmed(phone_number_intern_suffix_, text);
    }
    const std::string& GetPhoneNumberIn() const { return phone_number_in_; }
    void SetPhoneNumberIn(std::string& text) { AssignTrimmed(phone_number_in_, text); }
    const std::string& GetStartGroup() const { return start_group_; }
    void SetStartGroup(std::string& text) { AssignTrimmed(start_group_, text); }
    const std::string& GetSoundNotifBuddy() const { return sound_notif_buddy_; }
    void SetSoundNotifBuddy(std::string& text) { AssignTrimmed(sound_notif_buddy_, text); }
    const std::string& GetSoundNotifText() const { return sound_notif_text_; }
    void SetSoundNotifText(std::string& text) { AssignTrimmed(sound_notif_text_, text); }
    const std::string& GetTheme() const { return theme_; }
    void SetTheme(std::string& text) { AssignTrimmed(theme_, text); }
    const std::string& GetFastCallStyle() const { return fast_call_style_; }
    void SetFastCallStyle(std::string& text) { AssignTrimmed(fast_call_style_, text); }
    const std::string& GetCityAreaCode() const { return city_area_code_; }
    void SetCityAreaCode(std::string& text) { AssignTrimmed(city_area_code_, text); }
    const std::string& GetCountryCode() const { return country_code_; }
    void SetCountryCode(std::string& text) { AssignTrimmed(country_code_, text); }

    // Kept as given, not trimmed.
    const std::string& GetPreselectionCity() const { return preselection_city_; }
    void SetPreselectionCity(const std::string& text) { preselection_city_ = text; }
    const std::string& GetPreselectionInnerCountry() const { return preselection_inner_country_; }
    void SetPreselectionInnerCountry(const std::string& text) {
        preselection_inner_country_ = text;
    }
    const std::string& GetTapiProvider() const { return tapi_provider_; }
    void SetTapiProvider(const std::string& text) { tapi_provider_ = text; }

    // ---- Start state: "OFFLINE" (0), "PAUSED" (1), "ONLINE" (2) ----

    // The trimmed text compared exactly; any other text gives 0, the text
    // "OFFLINE" and KV_E_FAIL (the result; KV_OK otherwise).
    KvResult SetStartStateText(std::string& text);
    // Values other than 1 and 2 become 0.
    KvResult SetStartState(std::uint32_t value);
    std::uint32_t GetStartState() const { return start_state_; }
    const std::string& GetStartStateText() const { return start_state_text_; }
    // "PAUSED" for 1, "ONLINE" for 2, "OFFLINE" for any other value.
    static std::string_view GetStartStateKeyword(std::uint32_t value);

    // ---- Image id ----

    // Trims the text: empty gives 0 and "0"; decimal digits give their value
    // (saturating) in canonical form; any other text gives 0 and is kept.
    void SetIdImageText(std::string& text);
    void SetIdImage(std::uint32_t value);
    std::uint32_t GetIdImage() const { return id_image_; }
    const std::string& GetIdImageText() const { return id_image_text_; }

    // ---- Flag texts: kept as given, set only by exactly "TRUE" ----

    void SetFlagAnonymous(const std::string& text) {
        AssignFlagText(flag_anonymous_, flag_anonymous_text_, text);
    }
    const std::string& GetFlagAnonymous() const { return flag_anonymous_text_; }
    std::uint32_t GetFlagAnonymousValue() const { return flag_anonymous_; }
    void SetFlagChangeDataAutomaticaly(const std::string& text) {
        AssignFlagText(flag_change_data_automaticaly_, flag_change_data_automaticaly_text_, text);
    }
    const std::string& GetFlagChangeDataAutomaticaly() const {
        return flag_change_data_automaticaly_text_;
    }
    std::uint32_t GetFlagChangeDataAutomaticalyValue() const {
        return flag_change_data_automaticaly_;
    }
    void SetFlagUnknownDenyAll(const std::string& text) {
        AssignFlagText(flag_unknown_deny_all_, flag_unknown_deny_all_text_, text);
    }
    const std::string& GetFlagUnknownDenyAll() const { return flag_unknown_deny_all_text_; }
    std::uint32_t GetFlagUnknownDenyAllValue() const { return flag_unknown_deny_all_; }
    void SetFlagStartDuringSystemStart(const std::string& text) {
        AssignFlagText(flag_start_during_system_start_, flag_start_during_system_start_text_, text);
    }
    const std::string& GetFlagStartDuringSystemStart() const {
        return flag_start_during_system_start_text_;
    }
    std::uint32_t GetFlagStartDuringSystemStartValue() const {
        return flag_start_during_system_start_;
    }
    void SetFlagStartMinimized(const std::string& text) {
        AssignFlagText(flag_start_minimized_, flag_start_minimized_text_, text);
    }
    const std::string& GetFlagStartMinimized() const { return flag_start_minimized_text_; }
    std::uint32_t GetFlagStartMinimizedValue() const { return flag_start_minimized_; }
    void SetFlagSoundNotifsIfNotHide(const std::string& text) {
        AssignFlagText(flag_sound_notifs_if_not_hide_, flag_sound_notifs_if_not_hide_text_, text);
    }
    const std::string& GetFlagSoundNotifsIfNotHide() const {
        return flag_sound_notifs_if_not_hide_text_;
    }
    std::uint32_t GetFlagSoundNotifsIfNotHideValue() const {
        return flag_sound_notifs_if_not_hide_;
    }

    // ---- Disconnection time-out, kept within 500..10000 ms ----

    // Trims the text and reads it as a signed number in the radix.
    void SetTimeoutDisconnected(std::string& text, int radix);
    // Clamps the value (compared unsigned, so a negative number gives the
    // maximum); the text becomes its decimal form for radix 10, at least
    // eight lower-case hexadecimal digits for radix 16, and stays as it was
    // for any other radix.
    void SetTimeoutDisconnectedValue(std::uint32_t value, int radix);
    const std::string& GetTimeoutDisconnected() const { return timeout_disconnected_text_; }
    std::uint32_t GetTimeoutDisconnectedValue() const { return timeout_disconnected_; }

    // ---- Values ----

    // Read in base 10.
    void SetCallDataMonthCount(const std::string& text) { call_data_month_count_.Parse(text, 10); }
    // out = "%u".
    std::string& GetCallDataMonthCount(std::string& out) const {
        return call_data_month_count_.Format(out);
    }

    BoolValue& GetFlagCtiTargetAutomaticLine() { return flag_cti_target_automatic_line_; }
    BoolValue& GetFlagSourceAutomaticLine() { return flag_source_automatic_line_; }
    BoolValue& GetFlagSecondCallSwapInternExtern() { return flag_second_call_swap_intern_extern_; }
    BoolValue& GetFlagCallNoDialog() { return flag_call_no_dialog_; }
    BoolValue& GetFlagServerUse() { return flag_server_use_; }
    BoolValue& GetFlagTapiUse() { return flag_tapi_use_; }
    BoolValue& GetFlagCallInExternMarkedExtern() { return flag_call_in_extern_marked_extern_; }
    BoolValue& GetFlagNotifyEnable() { return flag_notify_enable_; }
    UIntValue& GetNumberInternDigitsCount() { return number_intern_digits_count_; }
    UIntValue& GetHotKeyDialVirtualKeyCode() { return hot_key_dial_virtual_key_code_; }
    UIntValue& GetHotKeyDialModifiers() { return hot_key_dial_modifiers_; }
    UIntValue& GetTspPort() { return tsp_port_; }
    UIntValue& GetMainDlgPosX() { return main_dlg_pos_x_; }
    UIntValue& GetMainDlgPosY() { return main_dlg_pos_y_; }
    TimeDate& GetDateTimeLastCallIn() { return date_time_last_call_in_; }
    NumberSet& GetClientPortsSet() { return client_ports_; }
    COMPUTER_IDENT& GetComputerIdent() { return computer_ident_; }
    // The user's devices ("DEVICES").
    KVSTRING_LIST& GetStringListA() { return devices_; }
    // The dial history ("DIALHISTORY").
    KVSTRING_LIST& GetStringListB() { return dial_history_; }

private:
    friend KeyTableRecord;
    friend NumberedRecord;
    static const RecordForm<CKvDataPreferences>& Form();
    static void AssignTrimmed(std::string& member, std::string& text);
    static void AssignFlagText(std::uint32_t& value, std::string& member, const std::string& text);
    static void ReadTimeoutDisconnected(CKvDataPreferences& record, std::string& text);
    // Replaces the country and area code with the telephony location's, or
    // empties both when no location can be read.
    void TakeTelephonyLocation();
    void AfterXmlRead() override;
    void AfterDomRead() override;

    std::string screen_name_;
    std::string first_name_;
    std::string last_name_;
    std::string company_;
    std::string phone_number_cti_source_;
    std::string phone_number_out_;
    std::string phone_number_out_prefix_;
    std::string phone_number_out_suffix_;
    std::string phone_number_extern_prefix_;
    std::string phone_number_extern_suffix_;
    std::string phone_number_intern_prefix_;
    std::string phone_number_intern_suffix_;
    std::string phone_number_in_;
    std::uint32_t id_image_ = 0;
    std::string id_image_text_;
    std::uint32_t flag_anonymous_ = 0;
    std::string flag_anonymous_text_;
    std::uint32_t flag_change_data_automaticaly_ = 0;
    std::string flag_change_data_automaticaly_text_;
    std::uint32_t flag_unknown_deny_all_ = 0;
    std::string flag_unknown_deny_all_text_;
    std::uint32_t flag_start_during_system_start_ = 0;
    std::string flag_start_during_system_start_text_;
    std::uint32_t flag_start_minimized_ = 0;
    std::string flag_start_minimized_text_;
    std::uint32_t flag_sound_notifs_if_not_hide_ = 0;
    std::string flag_sound_notifs_if_not_hide_text_;
    std::string start_group_;
    std::string start_state_text_;
    std::string sound_notif_buddy_;
    std::string sound_notif_text_;
    std::uint32_t start_state_ = kStartStateOffline;
    std::uint32_t timeout_disconnected_ = kTimeoutDefault;
    std::string timeout_disconnected_text_;
    std::string key_;
    std::string theme_;
    BoolValue flag_cti_target_automatic_line_;
    BoolValue flag_source_automatic_line_;
    UIntValue number_intern_digits_count_;
    std::string city_area_code_;
    UIntValue call_data_month_count_;
    BoolValue flag_second_call_swap_intern_extern_;
    UIntValue hot_key_dial_virtual_key_code_;
    UIntValue hot_key_dial_modifiers_;
    UIntValue tsp_port_;
    BoolValue flag_call_no_dialog_;
    std::string fast_call_style_;
    std::string preselection_city_;
    std::string preselection_inner_country_;
    std::string country_code_;
    COMPUTER_IDENT computer_ident_;
    NumberSet client_ports_;
    BoolValue flag_server_use_;
    TimeDate date_time_last_call_in_;
    std::string tapi_provider_;
    BoolValue flag_tapi_use_;
    KVSTRING_LIST devices_;
    UIntValue main_dlg_pos_x_;
    UIntValue main_dlg_pos_y_;
    BoolValue flag_call_in_extern_marked_extern_;
    KVSTRING_LIST dial_history_;
    BoolValue flag_notify_enable_;
};
