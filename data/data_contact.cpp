#include "data/data_contact.h"

#include "core/named_value_map.h"
#include "data/record_identifier.h"
#include "platform/text.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr std::uint64_t kSecondsPerDay = 86400;

} // namespace

CKvDataContact::CKvDataContact(CKvDataHandlerCatalog* context, std::uint32_t identifier)
    : KeyTableRecord(context, identifier) {
    CKvDataContact::Reset();
    SetNamedFieldsRegistrar(
        [](CKvDataHandler& record) { static_cast<CKvDataContact&>(record).RegisterNamedFields(); });
}

void CKvDataContact::RegisterNamedFields() {
    NamedValueMap& fields = GetNamedFields();
    fields.Add(kValueCellObject, &phone_numbers_, "CTI_PHONENUMBER_HANDLER", false);
    fields.Add(kValueCellString, &lastname_, "CSTRING_LASTNAME", false);
    fields.Add(kValueCellString, &firstname_, "CSTRING_FIRSTNAME", false);
    fields.Add(kValueCellString, &companyname_, "CSTRING_COMPANYNAME", false);
    fields.Add(kValueCellString, &comment_, "CSTRING_COMMENT", false);
    fields.Add(kValueCellTimeDate, &datetime_last_call_, "TIME_DATE_LASTCALL", false);
    fields.Add(kValueCellObject6, &addresses_, "ADDRESS_HANDLER", false);
    fields.Add(kValueCellString, &last_number_out_, "CSTRING_NUMBER_LAST_OUT", false);
    fields.Add(kValueCellString, &last_number_in_, "CSTRING_NUMBER_LAST_IN", false);
}

const RecordForm<CKvDataContact>& CKvDataContact::Form() {
    static constexpr RecordKey<CKvDataContact> kKeys[] = {
        TextKey<&CKvDataContact::lastname_>("lastname", kKeyFreeText),
        TextKey<&CKvDataContact::firstname_>("firstname", kKeyFreeText),
        TextKey<&CKvDataContact::companyname_>("companyname", kKeyFreeText),
        TextKey<&CKvDataContact::comment_>("comment", kKeyFreeText),
        // Seconds only: the milliseconds are neither written nor read.
        CustomKey<CKvDataContact>(
            "datetimelastcall",
            [](CKvDataContact& contact, std::string& out) {
                contact.datetime_last_call_.GetSecondsText(out);
            },
            [](CKvDataContact& contact, std::string& text) -> KvResult {
                contact.datetime_last_call_.SetSecondsText(text);
                return KV_OK;
            }),
        TextKey<&CKvDataContact::salutation_>("salutation", kKeyFreeText),
        TextKey<&CKvDataContact::profession_>("profession", kKeyFreeText),
        TextKey<&CKvDataContact::datapool_>("datapool", kKeyFreeText),
        // Empty lists are written self-closed and come back from the parser as
        // text elements.
        NestedKey<&CKvDataContact::phone_numbers_>("PHONE_NUMBER_LIST", kKeyAlsoTextElement),
        NestedKey<&CKvDataContact::addresses_>("ADDRESS_LIST", kKeyAlsoTextElement),
        NestedKey<&CKvDataContact::emails_>(kEmailListName, kKeyOmitWhenEmpty),
        NestedKey<&CKvDataContact::urls_>(kUrlListName, kKeyOmitWhenEmpty),
    };
    static constexpr RecordForm<CKvDataContact> kForm{
        .element_name = "DATACONTACT",
        .keys = kKeys,
        .write_policy = RecordWritePolicy::kGoOn,
    };
    return kForm;
}

CKvDataContact& CKvDataContact::operator=(const CKvDataContact& other) {
    if (this == &other)
        return *this;
    SetTypeCode(K_KVDT_TP_DTHDLR_DATACONTACT);
    CopyBaseFields(other, kBaseCommon | kBaseSpareText);
    phone_numbers_ = other.phone_numbers_;
    lastname_ = other.lastname_;
    firstname_ = other.firstname_;
    companyname_ = other.companyname_;
    last_number_in_ = other.last_number_in_;
    last_number_out_ = other.last_number_out_;
    key_ = other.key_;
    comment_ = other.comment_;
    datetime_last_call_ = other.datetime_last_call_;
    addresses_ = other.addresses_;
    salutation_ = other.salutation_;
    profession_ = other.profession_;
    emails_ = other.emails_;
    urls_ = other.urls_;
    datapool_ = other.datapool_;
    return *this;
}

KvResult CKvDataContact::Reset() {
    SetTypeCode(K_KVDT_TP_DTHDLR_DATACONTACT);
    ResetBaseFields();
    phone_numbers_.Reset();
    lastname_.clear();
    firstname_.clear();
    companyname_.clear();
    last_number_in_.clear();
    last_number_out_.clear();
    key_.clear();
    comment_.clear();
    GetSpareText().clear();
    datetime_last_call_.Clear();
    addresses_.Reset();
    salutation_.clear();
    profession_.clear();
    emails_.Reset();
    emails_.SetElementName(XmlStaticName{kEmailListName});
    urls_.Reset();
    urls_.SetElementName(XmlStaticName{kUrlListName});
    datapool_.clear();
    return result_ = KV_OK;
}

std::string& CKvDataContact::GetKey() {
    TrimInPlace(lastname_);
    TrimInPlace(firstname_);
    TrimInPlace(companyname_);
    key_.clear();
    if (lastname_.empty() && firstname_.empty() && companyname_.empty())
        return key_;
    key_.reserve(lastname_.size() + firstname_.size() + companyname_.size() + 2);
    key_.append(lastname_).append(1, ',').append(firstname_).append(1, ',').append(companyname_);
    return key_;
}

KvResult CKvDataContact::SetLastNumber(std::string& field, std::string& number) {
    result_ = KV_OK;
    if (number.empty()) {
        field.clear();
        return result_;
    }
    if (phone_numbers_.FindNumber(number) == KV_OK) {
        field = number;
        return result_;
    }
    field.clear();
    return result_ = KV_E_FAIL;
}

KvResult CKvDataContact::SetLastNumberIn(std::string& number) {
    return SetLastNumber(last_number_in_, number);
}

KvResult CKvDataContact::SetLastNumberOut(std::string& number) {
    return SetLastNumber(last_number_out_, number);
}

std::uint32_t CKvDataContact::DialCountDecrement(std::uint32_t days) {
    // A single-precision factor: its rounding is part of the decrements that
    // stored counts were aged with.
    constexpr float kAgeingFactor = 0.1535f;
    const double decrement =
        std::floor(10.0 * std::exp(static_cast<double>(kAgeingFactor) * static_cast<double>(days)));
    // From day 130 on the decrement no longer fits 32 bits; saturating removes
    // any count instead of wrapping to an arbitrary small one.
    if (!(decrement < static_cast<double>(UINT32_MAX)))
        return UINT32_MAX;
    return static_cast<std::uint32_t>(decrement);
}

bool CKvDataContact::HasDialCounts() const {
    PHONE_NUMBER_LIST::Position position{};
    phone_numbers_.GetStartPosition(position);
    const PHONE_NUMBER* number = nullptr;
    while (phone_numbers_.GetNext(number, position)) {
        if (number->GetDialCount().Get() != 0)
            return true;
    }
    return false;
}

KvResult CKvDataContact::AgeDialCounts() {
    result_ = KV_OK;
    if (!HasDialCounts())
        return result_;
    TimeDate now;
    now.SetNow();
    const std::uint64_t last_call = datetime_last_call_.GetSeconds();
    const std::uint64_t current = now.GetSeconds();
    // Summed in 64 bits: near the end of the 32-bit range the sum would wrap
    // into a small day count.
    const auto days =
        current > last_call
            ? static_cast<std::uint32_t>((current - last_call + kSecondsPerDay) / kSecondsPerDay)
            : 0u;
    const std::uint32_t decrement = DialCountDecrement(days);
    PHONE_NUMBER_LIST::Position position{};
    phone_numbers_.GetStartPosition(position);
    PHONE_NUMBER* number = nullptr;
    while (phone_numbers_.GetNext(number, position)) {
        UIntValue& count = number->GetDialCount();
        count.Set(count.Get() >= decrement ? count.Get() - decrement : 0);
    }
    return result_;
}

KvResult CKvDataContact::WriteDom(const DomDocumentPtr& document, const DomNodePtr& parent) {
    AgeDialCounts();
    return result_ = WriteRecordDom(*this, Form(), document, parent);
}

KvResult CKvDataContact::ReadXml(const XmlNode* element) {
    SetTookElement(false);
    if (!IsValidPtr(element))
        return result_ = KV_E_INVALID_POINTER;
    ReadRecordIdentifier(*this, element);
    result_ = ReadRecordXml(*this, Form(), element);
    // A failed list read leaves the last numbers untested.
    if (result_ == KV_OK) {
        std::string number_in = last_number_in_;
        SetLastNumberIn(number_in);
        std::string number_out = last_number_out_;
        SetLastNumberOut(number_out);
        result_ = KV_OK;
    }
    if (datetime_last_call_.GetSeconds() < kLastCallFloor)
        datetime_last_call_.SetSeconds(kLastCallFloor);
    return result_;
}

KvResult CKvDataContact::WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) {
    const RecordForm<CKvDataContact>& form = Form();
    result_ = BeginRecordXml(*this, form, out, document, parent);
    if (out == nullptr)
        return result_;
    phone_numbers_.PrefetchEntries();
    addresses_.PrefetchEntries();
    AgeDialCounts();
    result_ = WriteRecordKeys(*this, form.keys, document, out, form.write_policy, result_);
    return result_ = AddRecordIdentifier(*this, document, out, result_);
}
