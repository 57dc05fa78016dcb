#include "data/data_general.h"

#include "core/dialling_rules.h"
#include "data/record_identifier.h"
#include "platform/text.h"

namespace {

// Every key of this record is read from its entity-decoded text, values
// included.
constexpr std::uint32_t kDecoded = kKeyDecode;

} // namespace

CKvDataGeneral::CKvDataGeneral(CKvDataHandlerCatalog* context, std::uint32_t identifier)
    : NumberedRecord(context, identifier) {
    CKvDataGeneral::Reset();
}

const RecordForm<CKvDataGeneral>& CKvDataGeneral::Form() {
    using R = CKvDataGeneral;
    static constexpr RecordKey<R> kKeys[] = {
        TextKey<&R::capi_provider_>("capiprovider"),
        TextKey<&R::file_path_name_>("filepathname"),
        DecimalKey<&R::port_number_>("portnumber", kDecoded),
        TextKey<&R::intern_prefix_digit_>("internprefixdigit"),
        TextKey<&R::intern_suffix_digit_>("internsuffixdigit"),
        TextKey<&R::extern_prefix_digit_>("externprefixdigit"),
        TextKey<&R::extern_suffix_digit_>("externsuffixdigit"),
        DigitFlagKey<&R::flag_automatic_line_>("flagautomaticline", kDecoded),
        DecimalKey<&R::intern_digits_count_>("interndigitscount", kDecoded),
        TextKey<&R::isdn_card_number_>("isdncardnumber"),
        BoolKey<&R::flag_start_during_system_start_>("flagstartduringsystemstart", kDecoded),
        BoolKey<&R::flag_use_tapi_>("flagusetapi", kDecoded),
        // Read entries are added to those already held.
        CustomKey<R>(
            "restartweekdays",
            [](R& record, std::string& out) { record.restart_weekdays_.GetText(out); },
            [](R& record, std::string& text) { return record.restart_weekdays_.SetFromText(text); },
            kDecoded),
        UIntKey<&R::restart_time_in_seconds_>("restarttimeinseconds", kDecoded),
        UIntKey<&R::call_history_month_count_>("callhistorymonthcount", kDecoded),
        BoolKey<&R::flag_call_history_backup_>("flagcallhistorybackup", kDecoded),
        // Written with its entries: emptying the list before writing would
        // lose the lines of every record that travels as XML.
        NestedKey<&R::tapi_lines_>("STRINGHANDLER_TAPILINES", kKeyAlsoTextElement),
    };
    static constexpr RecordForm<R> kForm{
        .element_name = kElementName,
        .keys = kKeys,
        .write_policy = RecordWritePolicy::kStopAtFailure,
        .dom_form = RecordDomForm::kSameKeys,
    };
    return kForm;
}

CKvDataGeneral& CKvDataGeneral::operator=(const CKvDataGeneral& other) {
    if (this == &other)
        return *this;
    SetTypeCode(kTypeCode);
    CopyBaseFields(other, kBaseCommon);
    capi_provider_ = other.capi_provider_;
    file_path_name_ = other.file_path_name_;
    port_number_ = other.port_number_;
    intern_prefix_digit_ = other.intern_prefix_digit_;
    intern_suffix_digit_ = other.intern_suffix_digit_;
    extern_prefix_digit_ = other.extern_prefix_digit_;
    extern_suffix_digit_ = other.extern_suffix_digit_;
    flag_automatic_line_ = other.flag_automatic_line_;
    intern_digits_count_ = other.intern_digits_count_;
    isdn_card_number_ = other.isdn_card_number_;
    own_area_code_ = other.own_area_code_;
    own_country_code_ = other.own_country_code_;
    flag_start_during_system_start_ = other.flag_start_during_system_start_;
    flag_use_tapi_ = other.flag_use_tapi_;
    tapi_lines_ = other.tapi_lines_;
    restart_weekdays_ = other.restart_weekdays_;
    restart_time_in_seconds_ = other.restart_time_in_seconds_;
    call_history_month_count_ = other.call_history_month_count_;
    flag_call_history_backup_ = other.flag_call_history_backup_;
    return *this;
}

KvResult CKvDataGeneral::Reset() {
    ResetBaseFields();
    for (std::string* text : {&capi_provider_, &file_path_name_, &intern_prefix_digit_,
                              &intern_suffix_digit_, &extern_prefix_digit_, &extern_suffix_digit_,
                              &isdn_card_number_, &own_area_code_, &own_country_code_})
        text->clear();
    port_number_ = kDefaultPortNumber;
    flag_automatic_line_ = 1;
    intern_digits_count_ = 2;
    flag_start_during_system_start_.Set(0);
    flag_use_tapi_.Set(0);
    // A reset list is a new one: its identifier goes with its entries.
    tapi_lines_.Reset();
    tapi_lines_.GetIdentifier().clear();
    tapi_lines_.SetElementName(XmlStaticName{kTapiLinesElementName});
    restart_weekdays_.RemoveAll();
    restart_time_in_seconds_.Set(0);
    call_history_month_count_.Set(2);
    flag_call_history_backup_.Set(0);
    return result_ = KV_OK;
}

std::string& CKvDataGeneral::GetKey() {
    key_ = GetIdentifierText();
    return key_;
}

bool CKvDataGeneral::IsSameKey(CKvDataHandler& /*other*/) {
    return true;
}

void CKvDataGeneral::AfterXmlRead() {
    TakeTelephonyLocation();
}

void CKvDataGeneral::AfterDomRead() {
    TakeTelephonyLocation();
}

std::string& CKvDataGeneral::FormatPortNumber(std::string& out) const {
    return AssignUnsigned(out, port_number_);
}

std::string& CKvDataGeneral::FormatFlagAutomaticLine(std::string& out) const {
    return out = flag_automatic_line_ != 0 ? "1" : "0";
}

std::string& CKvDataGeneral::FormatInternDigitsCount(std::string& out) const {
    return AssignUnsigned(out, intern_digits_count_);
}

void CKvDataGeneral::TakeTelephonyLocation() {
    if (GetTapiLocationInfo(own_country_code_, own_area_code_) != KV_OK) {
        own_country_code_.clear();
        own_area_code_.clear();
        return;
    }
    TrimInPlace(own_country_code_);
    TrimInPlace(own_area_code_);
}
