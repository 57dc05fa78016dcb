#include "data/data_preferences.h"

#include "core/dialling_rules.h"
#include "data/image_id_text.h"
#include "data/record_identifier.h"
#include "platform/number_parse.h"
#include "platform/text.h"

namespace {

// Every key of this record is read from its entity-decoded text, values
// included.
constexpr std::uint32_t kDecoded = kKeyDecode;

constexpr std::string_view kStartStateKeywords[] = {"OFFLINE", "PAUSED", "ONLINE"};

} // namespace

CKvDataPreferences::CKvDataPreferences(CKvDataHandlerCatalog* context, std::uint32_t identifier)
    : NumberedRecord(context, identifier) {
    CKvDataPreferences::Reset();
}

const RecordForm<CKvDataPreferences>& CKvDataPreferences::Form() {
    using R = CKvDataPreferences;
    static constexpr RecordKey<R> kKeys[] = {
        TextKey<&R::screen_name_>("screenname", kKeyTrimOnRead),
        TextKey<&R::first_name_>("firstname", kKeyTrimOnRead),
        TextKey<&R::last_name_>("lastname", kKeyTrimOnRead),
        TextKey<&R::phone_number_out_>("phonenumberout", kKeyTrimOnRead),
        TextKey<&R::phone_number_out_prefix_>("phonenumberoutprefix", kKeyTrimOnRead),
        TextKey<&R::phone_number_out_suffix_>("phonenumberoutsuffix", kKeyTrimOnRead),
        TextKey<&R::phone_number_in_>("phonenumberin", kKeyTrimOnRead),
        TextKey<&R::start_group_>("startgroup", kKeyTrimOnRead),
        TextKeyWithSetter<&R::start_state_text_, &R::SetStartStateText>("startstate",
                                                                        kKeyReadResultCounts),
        TextKey<&R::sound_notif_buddy_>("soundnotifbuddy", kKeyTrimOnRead),
        TextKey<&R::sound_notif_text_>("soundnotiftext", kKeyTrimOnRead),
        TextKeyWithSetter<&R::id_image_text_, &R::SetIdImageText>("idimage"),
        TextKeyWithSetter<&R::flag_start_during_system_start_text_,
                          &R::SetFlagStartDuringSystemStart>("flagstartduringsystemstart"),
        TextKeyWithSetter<&R::flag_change_data_automaticaly_text_,
                          &R::SetFlagChangeDataAutomaticaly>("flagchangedataautomaticaly"),
        TextKeyWithSetter<&R::flag_anonymous_text_, &R::SetFlagAnonymous>("flaganonymous"),
        TextKeyWithSetter<&R::flag_unknown_deny_all_text_, &R::SetFlagUnknownDenyAll>(
            "flagunknowndenyall"),
        TextKeyWithSetter<&R::flag_start_minimized_text_, &R::SetFlagStartMinimized>(
            "flagstartminimized"),
        TextKeyWithSetter<&R::flag_sound_notifs_if_not_hide_text_, &R::SetFlagSoundNotifsIfNotHide>(
            "flagsoundnotifsifnothide"),
        TextKeyWithSetter<&R::timeout_disconnected_text_, &R::ReadTimeoutDisconnected>(
            "timeoutdisconnected_ms"),
        TextKey<&R::theme_>("theme", kKeyTrimOnRead),
        TextKey<&R::phone_number_cti_source_>("phonenumberctisource", kKeyTrimOnRead),
        TextKey<&R::phone_number_extern_prefix_>("phonenumberexternprefix", kKeyTrimOnRead),
        TextKey<&R::phone_number_extern_suffix_>("phonenumberexternsuffix", kKeyTrimOnRead),
        TextKey<&R::phone_number_intern_prefix_>("phonenumberinternprefix", kKeyTrimOnRead),
        TextKey<&R::phone_number_intern_suffix_>("phonenumberinternsuffix", kKeyTrimOnRead),
        BoolKey<&R::flag_cti_target_automatic_line_>("flagctitargetautomaticline", kDecoded),
        BoolKey<&R::flag_source_automatic_line_>("flagsourceautomaticline", kDecoded),
        UIntKey<&R::number_intern_digits_count_>("numberinterndigitscount", kDecoded),
        TextKey<&R::city_area_code_>("cityareacode", kKeyTrimOnRead),
        UIntKey<&R::call_data_month_count_>("calldatamonthcount", kDecoded),
        BoolKey<&R::flag_second_call_swap_intern_extern_>("flagsecondcallswapinternextern",
                                                          kDecoded),
        UIntKey<&R::hot_key_dial_virtual_key_code_>("hotkeydialvirtualkeycode", kDecoded),
        UIntKey<&R::hot_key_dial_modifiers_>("hotkeydialmodifiers", kDecoded),
        UIntKey<&R::tsp_port_>("tspport", kDecoded),
        BoolKey<&R::flag_call_no_dialog_>("flagcallnodialog", kDecoded),
        TextKey<&R::fast_call_style_>("fastcallstyle", kKeyTrimOnRead),
        TextKey<&R::company_>("company", kKeyTrimOnRead),
        TextKey<&R::preselection_city_>("preselectioncity"),
        TextKey<&R::preselection_inner_country_>("preselectioninnercountry"),
        TextKey<&R::country_code_>("countrycode", kKeyTrimOnRead),
        // The XML form stands in the default ports for an empty set; the DOM
        // form writes the set's text as it is.
        CustomKey<R>(
            "clientports",
            [](R& record, std::string& out) {
                out = record.client_ports_.Text().empty() ? kDefaultClientPorts
                                                          : record.client_ports_.Text();
            },
            [](R& record, std::string& text) -> KvResult {
                record.client_ports_.SetFromText(text);
                return KV_OK;
            },
            kDecoded | kKeyXmlOnly),
        CustomKey<R>(
            "clientports", [](R& record, std::string& out) { out = record.client_ports_.Text(); },
            [](R& record, std::string& text) -> KvResult {
                record.client_ports_.SetFromText(text);
                return KV_OK;
            },
            kKeyDomOnly),
        BoolKey<&R::flag_server_use_>("flagserveruse", kDecoded),
        BoolKey<&R::flag_tapi_use_>("flagtapiuse", kDecoded),
        TextKey<&R::tapi_provider_>("tapiprovider"),
        TimeDateKey<&R::date_time_last_call_in_>("datetimelastcallin", kDecoded),
        UIntKey<&R::main_dlg_pos_x_>("maindlgposx", kDecoded | kKeyXmlOnly),
        UIntKey<&R::main_dlg_pos_y_>("maindlgposy", kDecoded | kKeyXmlOnly),
        BoolKey<&R::flag_call_in_extern_marked_extern_>("flagcallinexternmarkedextern", kDecoded),
        BoolKey<&R::flag_notify_enable_>("flagnotifyenable", kDecoded),
        NestedKey<&R::computer_ident_>("COMPUTER_IDENT"),
        NestedKey<&R::devices_>("DEVICES", kKeyAlsoTextElement),
        NestedKey<&R::dial_history_>("DIALHISTORY", kKeyAlsoTextElement),
    };
    static constexpr RecordForm<R> kForm{
        .element_name = kElementName,
        .keys = kKeys,
        .write_policy = RecordWritePolicy::kStopAtFailure,
        .dom_form = RecordDomForm::kSameKeys,
    };
    return kForm;
}

CKvDataPreferences& CKvDataPreferences::operator=(const CKvDataPreferences& other) {
    if (this == &other)
        return *this;
    SetTypeCode(kTypeCode);
    key_ = kKeyText;
    CopyBaseFields(other, kBaseCommon | kBaseSpareText);
    screen_name_ = other.screen_name_;
    first_name_ = other.first_name_;
    last_name_ = other.last_name_;
    company_ = other.company_;
    phone_number_cti_source_ = other.phone_number_cti_source_;
    phone_number_out_ = other.phone_number_out_;
    phone_number_out_prefix_ = other.phone_number_out_prefix_;
    phone_number_out_suffix_ = other.phone_number_out_suffix_;
    phone_number_extern_prefix_ = other.phone_number_extern_prefix_;
    phone_number_extern_suffix_ = other.phone_number_extern_suffix_;
    phone_number_intern_prefix_ = other.phone_number_intern_prefix_;
    phone_number_intern_suffix_ = other.phone_number_intern_suffix_;
    phone_number_in_ = other.phone_number_in_;
    id_image_ = other.id_image_;
    id_image_text_ = other.id_image_text_;
    flag_anonymous_ = other.flag_anonymous_;
    flag_anonymous_text_ = other.flag_anonymous_text_;
    flag_change_data_automaticaly_ = other.flag_change_data_automaticaly_;
    flag_change_data_automaticaly_text_ = other.flag_change_data_automaticaly_text_;
    flag_unknown_deny_all_ = other.flag_unknown_deny_all_;
    flag_unknown_deny_all_text_ = other.flag_unknown_deny_all_text_;
    flag_start_during_system_start_ = other.flag_start_during_system_start_;
    flag_start_during_system_start_text_ = other.flag_start_during_system_start_text_;
    flag_start_minimized_ = other.flag_start_minimized_;
    flag_start_minimized_text_ = other.flag_start_minimized_text_;
    flag_sound_notifs_if_not_hide_ = other.flag_sound_notifs_if_not_hide_;
    flag_sound_notifs_if_not_hide_text_ = other.flag_sound_notifs_if_not_hide_text_;
    start_group_ = other.start_group_;
    sound_notif_buddy_ = other.sound_notif_buddy_;
    sound_notif_text_ = other.sound_notif_text_;
    SetStartState(other.start_state_);
    SetTimeoutDisconnectedValue(other.timeout_disconnected_, 10);
    theme_ = other.theme_;
    flag_cti_target_automatic_line_ = other.flag_cti_target_automatic_line_;
    flag_source_automatic_line_ = other.flag_source_automatic_line_;
    number_intern_digits_count_ = other.number_intern_digits_count_;
    city_area_code_ = other.city_area_code_;
    call_data_month_count_ = other.call_data_month_count_;
    flag_second_call_swap_intern_extern_ = other.flag_second_call_swap_intern_extern_;
    hot_key_dial_virtual_key_code_ = other.hot_key_dial_virtual_key_code_;
    hot_key_dial_modifiers_ = other.hot_key_dial_modifiers_;
    tsp_port_ = other.tsp_port_;
    flag_call_no_dialog_ = other.flag_call_no_dialog_;
    fast_call_style_ = other.fast_call_style_;
    preselection_city_ = other.preselection_city_;
    preselection_inner_country_ = other.preselection_inner_country_;
    country_code_ = other.country_code_;
    computer_ident_ = other.computer_ident_;
    client_ports_ = other.client_ports_;
    flag_server_use_ = other.flag_server_use_;
    date_time_last_call_in_ = other.date_time_last_call_in_;
    tapi_provider_ = other.tapi_provider_;
    flag_tapi_use_ = other.flag_tapi_use_;
    devices_ = other.devices_;
    main_dlg_pos_x_ = other.main_dlg_pos_x_;
    main_dlg_pos_y_ = other.main_dlg_pos_y_;
    flag_call_in_extern_marked_extern_ = other.flag_call_in_extern_marked_extern_;
    dial_history_ = other.dial_history_;
    flag_notify_enable_ = other.flag_notify_enable_;
    return *this;
}

KvResult CKvDataPreferences::Reset() {
    key_ = kKeyText;
    ResetBaseFields();
    GetSpareText().clear();
    for (std::string* text : {&screen_name_,
                              &first_name_,
                              &last_name_,
                              &company_,
                              &phone_number_cti_source_,
                              &phone_number_out_,
                              &phone_number_out_prefix_,
                              &phone_number_out_suffix_,
                              &phone_number_extern_prefix_,
                              &phone_number_extern_suffix_,
                              &phone_number_intern_prefix_,
                              &phone_number_intern_suffix_,
                              &phone_number_in_,
                              &start_group_,
                              &sound_notif_buddy_,
                              &sound_notif_text_,
                              &theme_,
                              &city_area_code_,
                              &fast_call_style_,
                              &preselection_city_,
                              &preselection_inner_country_,
                              &country_code_,
                              &tapi_provider_})
        text->clear();
    SetStartState(kStartStateOffline);
    SetIdImage(0);
    const std::string unset = "FALSE";
    SetFlagAnonymous(unset);
    SetFlagChangeDataAutomaticaly(unset);
    SetFlagUnknownDenyAll(unset);
    SetFlagStartDuringSystemStart(unset);
    SetFlagStartMinimized(unset);
    SetFlagSoundNotifsIfNotHide(unset);
    SetTimeoutDisconnectedValue(kTimeoutDefault, 10);
    flag_cti_target_automatic_line_.Set(0);
    flag_source_automatic_line_.Set(0);
    number_intern_digits_count_.Set(2);
    call_data_month_count_.Set(2);
    flag_second_call_swap_intern_extern_.Set(0);
    hot_key_dial_virtual_key_code_.Set(0);
    hot_key_dial_modifiers_.Set(0);
    tsp_port_.Set(21021);
    flag_call_no_dialog_.Set(0);
    flag_server_use_.Set(0);
    flag_tapi_use_.Set(1);
    main_dlg_pos_x_.Set(0);
    main_dlg_pos_y_.Set(0);
    flag_call_in_extern_marked_extern_.Set(1);
    flag_notify_enable_.Set(0);
    computer_ident_.Reset();
    client_ports_.Clear();
    date_time_last_call_in_.Clear();
    // A reset list is a new one: its identifier goes with its entries.
    devices_.Reset();
    devices_.GetIdentifier().clear();
    devices_.SetElementName(XmlStaticName{kDevicesElementName});
    dial_history_.Reset();
    dial_history_.GetIdentifier().clear();
    dial_history_.SetElementName(XmlStaticName{kDialHistoryElementName});
    return result_ = KV_OK;
}

void CKvDataPreferences::AfterXmlRead() {
    // Also after a bad element, so a receiver always holds this machine's
    // codes.
    if (phone_number_in_.empty())
        phone_number_in_ = phone_number_out_;
    TakeTelephonyLocation();
}

void CKvDataPreferences::AfterDomRead() {
    // Unlike the XML reader, "phonenumberin" is not taken from
    // "phonenumberout" here.
    TakeTelephonyLocation();
}

KvResult CKvDataPreferences::SetStartStateText(std::string& text) {
    TrimInPlace(text);
    std::uint32_t value = kStartStateOffline;
    result_ = KV_E_FAIL;
    for (std::uint32_t state = 0; state < std::size(kStartStateKeywords); ++state) {
        if (text == kStartStateKeywords[state]) {
            value = state;
            result_ = KV_OK;
            break;
        }
    }
    start_state_ = value;
    start_state_text_ = GetStartStateKeyword(value);
    return result_;
}

KvResult CKvDataPreferences::SetStartState(std::uint32_t value) {
    start_state_ = value;
    std::string keyword(GetStartStateKeyword(value));
    return SetStartStateText(keyword);
}

std::string_view CKvDataPreferences::GetStartStateKeyword(std::uint32_t value) {
    if (value == kStartStatePaused || value == kStartStateOnline)
        return kStartStateKeywords[value];
    return kStartStateKeywords[kStartStateOffline];
}

void CKvDataPreferences::SetIdImageText(std::string& text) {
    ParseImageIdText(text, id_image_, id_image_text_);
}

void CKvDataPreferences::SetIdImage(std::uint32_t value) {
    SetImageId(value, id_image_, id_image_text_);
}

void CKvDataPreferences::SetTimeoutDisconnected(std::string& text, int radix) {
    TrimInPlace(text);
    timeout_disconnected_text_ = text;
    SetTimeoutDisconnectedValue(static_cast<std::uint32_t>(ParseInt32(text, radix)), radix);
}

void CKvDataPreferences::SetTimeoutDisconnectedValue(std::uint32_t value, int radix) {
    if (value < kTimeoutMinimum)
        value = kTimeoutMinimum;
    else if (value > kTimeoutMaximum)
        value = kTimeoutMaximum;
    timeout_disconnected_ = value;
    // The value lies within the limits, so "%.d" writes its plain decimal.
    if (radix == 10)
        AssignUnsigned(timeout_disconnected_text_, value);
    else if (radix == 16)
        timeout_disconnected_text_ = Format("%.8x", value);
}

void CKvDataPreferences::ReadTimeoutDisconnected(CKvDataPreferences& record, std::string& text) {
    record.SetTimeoutDisconnected(text, 10);
}

void CKvDataPreferences::AssignTrimmed(std::string& member, std::string& text) {
    TrimInPlace(text);
    member = text;
}

void CKvDataPreferences::AssignFlagText(std::uint32_t& value, std::string& member,
                                        const std::string& text) {
    member = text;
    value = text == "TRUE" ? 1 : 0;
}

void CKvDataPreferences::TakeTelephonyLocation() {
    std::string country_code;
    std::string area_code;
    if (GetTapiLocationInfo(country_code, area_code) != KV_OK) {
        country_code.clear();
        area_code.clear();
    }
    SetCountryCode(country_code);
    SetCityAreaCode(area_code);
}
