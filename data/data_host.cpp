#include "data/data_host.h"

#include "data/record_identifier.h"

#include <utility>

CKvDataHost::CKvDataHost(CKvDataHandlerCatalog* context, std::uint32_t identifier)
    : NumberedRecord(context, identifier) {
    CKvDataHost::Reset();
}

CKvDataHost& CKvDataHost::operator=(const CKvDataHost& other) {
    if (this == &other)
        return *this;
    devicenumber_ = other.devicenumber_;
    flagacceptalluser_ = other.flagacceptalluser_;
    CopyBaseFields(other, kBaseCommon | kBaseTypeCode);
    host_ = other.host_;
    ctidevicenmbs_ = other.ctidevicenmbs_;
    return *this;
}

KvResult CKvDataHost::Reset() {
    ResetBaseFields();
    devicenumber_.clear();
    flagacceptalluser_ = 0;
    address_first_ = 0;
    host_.Reset();
    ctidevicenmbs_.RemoveAll();
    return result_ = KV_OK;
}

std::string& CKvDataHost::GetKey() {
    key_text_ = GetIdentifierText();
    return key_text_;
}

bool CKvDataHost::IsSameKey(CKvDataHandler& other) {
    const auto* host = dynamic_cast<const CKvDataHost*>(&other);
    if (host == nullptr)
        return false;
    const auto same_name = [&] {
        const std::string& name = host_.GetName();
        return !name.empty() && name == host->host_.GetName();
    };
    const auto same_address = [&] {
        const std::uint32_t address = host_.GetAddress();
        return address != 0 && address == host->host_.GetAddress();
    };
    if (address_first_ == 0)
        return same_name() || same_address();
    return same_address() || same_name();
}

const RecordForm<CKvDataHost>& CKvDataHost::Form() {
    static constexpr RecordKey<CKvDataHost> kKeys[] = {
        CustomKey<CKvDataHost>(
            "ipaddress",
            [](CKvDataHost& record, std::string& out) { out = record.host_.GetAddressText(); },
            [](CKvDataHost& record, std::string& text) {
                record.SetIpAddressText(text);
                return KV_OK;
            },
            kKeyDecode),
        CustomKey<CKvDataHost>(
            "name", [](CKvDataHost& record, std::string& out) { out = record.host_.GetName(); },
            [](CKvDataHost& record, std::string& text) {
                record.host_.GetName() = std::move(text);
                return KV_OK;
            },
            kKeyDecode),
        TextKey<&CKvDataHost::devicenumber_>("devicenumber"),
        DigitFlagKey<&CKvDataHost::flagacceptalluser_>("flagacceptalluser", kKeyDecode),
        CustomKey<CKvDataHost>(
            "ctidevicenmbs",
            [](CKvDataHost& record, std::string& out) { record.ctidevicenmbs_.GetText(out); },
            [](CKvDataHost& record, std::string& text) {
                // Appends; a full list drops the rest without failing the read.
                record.ctidevicenmbs_.SetFromText(text);
                return KV_OK;
            },
            kKeyDecode | kKeyXmlOnly),
    };
    static constexpr RecordForm<CKvDataHost> kForm{
        .element_name = "DATAHOST",
        .keys = kKeys,
        .write_policy = RecordWritePolicy::kStopAtFailure,
        .dom_form = RecordDomForm::kSameKeys,
    };
    return kForm;
}
