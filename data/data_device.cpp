#include "data/data_device.h"

#include "data/record_identifier.h"
#include "data/record_keys.h"
#include "platform/text.h"

CKvDataDevice::CKvDataDevice(CKvDataHandlerCatalog* context, std::uint32_t identifier)
    : NumberedRecord(context, identifier) {
    CKvDataDevice::Reset();
}

CKvDataDevice& CKvDataDevice::operator=(const CKvDataDevice& other) {
    if (this == &other)
        return *this;
    SetTypeCode(kTypeCode);
    CopyBaseFields(other, kBaseIdentifier | kBaseFlagWord | kBaseTimer);
    number_ = other.number_;
    flag_virtual_ = other.flag_virtual_;
    comment_ = other.comment_;
    tapi_line_ = other.tapi_line_;
    alias_ = other.alias_;
    device_number_ = other.device_number_;
    return *this;
}

KvResult CKvDataDevice::Reset() {
    ResetBaseFields();
    number_.clear();
    flag_virtual_ = 0;
    comment_.clear();
    tapi_line_.clear();
    alias_.clear();
    device_number_.clear();
    return result_ = KV_OK;
}

void CKvDataDevice::SetNumber(std::string& number) {
    TrimInPlace(number);
    number_ = number;
}

void CKvDataDevice::SetComment(std::string& comment) {
    TrimInPlace(comment);
    comment_ = comment;
}

KvResult CKvDataDevice::FormatFlagVirtual(std::string& out) const {
    out = flag_virtual_ != 0 ? "TRUE" : "FALSE";
    return KV_OK;
}

void CKvDataDevice::ParseFlagVirtual(const std::string& text) {
    flag_virtual_ = EqualsNoCase(text, "true") ? 1 : 0;
}

const RecordForm<CKvDataDevice>& CKvDataDevice::Form() {
    // Every key is written, empty or not, and nothing is trimmed; the DOM form
    // has the same keys.
    static constexpr RecordKey<CKvDataDevice> kKeys[] = {
        TextKey<&CKvDataDevice::number_>("number"),
        TextKey<&CKvDataDevice::device_number_>("devicenumber"),
        CustomKey<CKvDataDevice>(
            "flagvirtual",
            [](CKvDataDevice& device, std::string& out) { device.FormatFlagVirtual(out); },
            [](CKvDataDevice& device, std::string& text) {
                device.ParseFlagVirtual(text);
                return KV_OK;
            },
            kKeyDecode),
        TextKey<&CKvDataDevice::comment_>("comment"),
        TextKey<&CKvDataDevice::tapi_line_>("tapiline"),
        TextKey<&CKvDataDevice::alias_>("alias"),
    };
    static constexpr RecordForm<CKvDataDevice> kForm{
        .element_name = "DATADEVICE",
        .keys = kKeys,
        .write_policy = RecordWritePolicy::kStopAtFailure,
        .dom_form = RecordDomForm::kSameKeys,
    };
    return kForm;
}
