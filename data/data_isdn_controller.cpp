#include "data/data_isdn_controller.h"

#include "data/record_identifier.h"
#include "platform/text.h"

CKvDataIsdnController::CKvDataIsdnController(CKvDataHandlerCatalog* context,
                                             std::uint32_t identifier)
    : NumberedRecord(context, identifier) {
    CKvDataIsdnController::Reset();
}

CKvDataIsdnController& CKvDataIsdnController::operator=(const CKvDataIsdnController& other) {
    if (this == &other)
        return *this;
    SetTypeCode(kTypeCode);
    CopyBaseFields(other, kBaseIdentifier | kBaseFlagWord | kBaseTimer);
    flagsourceautomaticline_ = other.flagsourceautomaticline_;
    sourcenumber_ = other.sourcenumber_;
    controllernumber_ = other.controllernumber_;
    bchannelscount_ = other.bchannelscount_;
    manufacturer_ = other.manufacturer_;
    flaguse_ = other.flaguse_;
    functions_.AssignValue(other.functions_);
    return *this;
}

KvResult CKvDataIsdnController::Reset() {
    ResetBaseFields();
    flagsourceautomaticline_ = BoolValue();
    sourcenumber_.Reset();
    controllernumber_.Set(0);
    bchannelscount_.Set(0);
    manufacturer_.clear();
    flaguse_ = BoolValue();
    key_text_.clear();
    functions_.FormatText(kDefaultFunctions);
    return result_ = KV_OK;
}

std::string& CKvDataIsdnController::GetKey() {
    controllernumber_.Format(key_text_);
    return key_text_;
}

bool CKvDataIsdnController::IsSameKey(CKvDataHandler& other) {
    const auto* controller = dynamic_cast<const CKvDataIsdnController*>(&other);
    return controller != nullptr && controller->GetControllerNumber() == GetControllerNumber();
}

void CKvDataIsdnController::SetSourceNumber(const std::string& text) {
    sourcenumber_.GetNumber() = text;
}

const RecordForm<CKvDataIsdnController>& CKvDataIsdnController::Form() {
    using Record = CKvDataIsdnController;
    static constexpr RecordKey<Record> kKeys[] = {
        CustomKey<Record>(
            "sourcenumber",
            [](Record& record, std::string& out) { out = record.GetSourceNumber(); },
            [](Record& record, std::string& text) {
                record.SetSourceNumber(text);
                return KV_OK;
            },
            kKeyDecode),
        BoolKey<&Record::flagsourceautomaticline_>("flagsourceautomaticline", kKeyDecode),
        UIntKey<&Record::controllernumber_>("controllernumber", kKeyDecode),
        UIntKey<&Record::bchannelscount_>("bchannelscount", kKeyDecode),
        TextKey<&Record::manufacturer_>("manufacturer"),
        BoolKey<&Record::flaguse_>("flaguse", kKeyDecode),
        // A keyword the table lacks is dropped without failing the read.
        KeywordKey<&Record::functions_>("functions", kKeyDecode),
    };
    static constexpr RecordForm<Record> kForm{
        .element_name = "DATAISDNCONTROLLER",
        .keys = kKeys,
        .write_policy = RecordWritePolicy::kStopAtFailure,
        .dom_form = RecordDomForm::kSameKeys,
    };
    return kForm;
}
