#include "data/data_call.h"

#include "core/named_value_map.h"
#include "core/record_xml.h"
#include "platform/text.h"

CKvDataCall::CKvDataCall(CKvDataHandlerCatalog* context, std::uint32_t identifier)
    : KeyTableRecord(context, identifier) {
    CKvDataCall::Reset();
    datetime_start_.SetNow();
    FormatStartTime();
    SetNamedFieldsRegistrar(
        [](CKvDataHandler& record) { static_cast<CKvDataCall&>(record).RegisterNamedFields(); });
}

CKvDataCall::CKvDataCall(AsReset) : KeyTableRecord(nullptr, 0) {
    CKvDataCall::Reset();
    SetNamedFieldsRegistrar(
        [](CKvDataHandler& record) { static_cast<CKvDataCall&>(record).RegisterNamedFields(); });
}

void CKvDataCall::RegisterNamedFields() {
    NamedValueMap& fields = GetNamedFields();
    fields.Add(kValueCellTimeDate, &datetime_start_, "TIME_DATE_START", false);
    fields.Add(kValueCellString, &lastname_, "CSTRING_LASTNAME", false);
    fields.Add(kValueCellString, &firstname_, "CSTRING_FIRSTNAME", false);
    fields.Add(kValueCellString, &companyname_, "CSTRING_COMPANYNAME", false);
    fields.Add(kValueCellString, &comment_, "CSTRING_COMMENT", false);
    fields.Add(kValueCellBoolValue, &flag_call_out_, "KVFLAG_CALLOUT", false);
}

const RecordForm<CKvDataCall>& CKvDataCall::Form() {
    static constexpr RecordKey<CKvDataCall> kKeys[] = {
        TextKey<&CKvDataCall::lastname_>("lastname", kKeyFreeText),
        TextKey<&CKvDataCall::firstname_>("firstname", kKeyFreeText),
        TextKey<&CKvDataCall::companyname_>("companyname", kKeyFreeText),
        TextKey<&CKvDataCall::number_int_>("numberint", kKeyFreeText),
        TextKey<&CKvDataCall::preselection_>("preselection", kKeyFreeText),
        TimeDateKey<&CKvDataCall::datetime_start_>("datetimestart"),
        TimeDateKey<&CKvDataCall::datetime_stop_>("datetimestop"),
        BoolKey<&CKvDataCall::flag_call_out_>("flagcallout"),
        TextKey<&CKvDataCall::comment_>("comment", kKeyFreeText),
        NestedKey<&CKvDataCall::phone_number_>("PHONE_NUMBER"),
    };
    static constexpr RecordForm<CKvDataCall> kForm{
        .element_name = "DATACALL",
        .keys = kKeys,
        .identifier = IdentifierFromKey<CKvDataCall>(),
        .write_policy = RecordWritePolicy::kGoOn,
    };
    return kForm;
}

CKvDataCall& CKvDataCall::operator=(const CKvDataCall& other) {
    if (this == &other)
        return *this;
    SetTypeCode(K_KVDT_TP_DTHDLR_DATACALL);
    CopyBaseFields(other, kBaseCommon | kBaseSpareText);
    lastname_ = other.lastname_;
    firstname_ = other.firstname_;
    companyname_ = other.companyname_;
    phone_number_ = other.phone_number_;
    flag_call_out_ = other.flag_call_out_;
    number_int_ = other.number_int_;
    preselection_ = other.preselection_;
    comment_ = other.comment_;
    datetime_start_ = other.datetime_start_;
    datetime_stop_ = other.datetime_stop_;
    key_ = other.key_;
    tapi_call_handle_ = other.tapi_call_handle_;
    report_marker_ = other.report_marker_;
    return *this;
}

KvResult CKvDataCall::Reset() {
    SetTypeCode(K_KVDT_TP_DTHDLR_DATACALL);
    ResetBaseFields();
    phone_number_.Reset();
    lastname_.clear();
    firstname_.clear();
    companyname_.clear();
    number_int_.clear();
    preselection_.clear();
    key_.clear();
    flag_call_out_.Set(0);
    comment_.clear();
    datetime_start_.Clear();
    datetime_stop_.Clear();
    GetSpareText().clear();
    report_marker_ = 0;
    return result_ = KV_OK;
}

void CKvDataCall::FormatStartTime() {
    // The start time's text ("%u.%03u") without the formatter: every call
    // record made formats it.
    AssignUnsigned(key_, datetime_start_.GetSeconds());
    key_ += '.';
    const std::uint32_t milliseconds = datetime_start_.GetMilliseconds();
    if (milliseconds < 100)
        key_ += milliseconds < 10 ? "00" : "0";
    std::string digits;
    key_ += AssignUnsigned(digits, milliseconds);
}

KvResult CKvDataCall::ReadXml(const XmlNode* element) {
    SetTookElement(false);
    if (!IsValidPtr(element))
        return result_ = KV_E_INVALID_POINTER;
    // Without the attribute nothing is read, not even the key's fallback.
    const KvResult found = ReadRecordAttribute(*element, "identifier", key_);
    if (found != KV_OK)
        return result_ = found;
    result_ = ReadRecordKeys(*this, Form().keys, *element);
    if (key_.empty())
        datetime_start_.GetSecondsText(key_);
    return result_;
}
