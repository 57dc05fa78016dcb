#include "data/data_server_user.h"

#include "data/record_identifier.h"

CKvDataServerUser::CKvDataServerUser(CKvDataHandlerCatalog* context, std::uint32_t identifier)
    : NumberedRecord(context, identifier) {
    CKvDataServerUser::Reset();
}

CKvDataServerUser& CKvDataServerUser::operator=(const CKvDataServerUser& other) {
    if (this == &other)
        return *this;
    SetTypeCode(kTypeCode);
    CopyBaseFields(other, kBaseIdentifier | kBaseFlagWord | kBaseTimer);
    login_name_ = other.login_name_;
    first_name_ = other.first_name_;
    last_name_ = other.last_name_;
    host_name_ip_ = other.host_name_ip_;
    device_number_ = other.device_number_;
    runtime_word_ = other.runtime_word_;
    runtime_computer_idents_ = other.runtime_computer_idents_;
    computer_idents_ = other.computer_idents_;
    device_numbers_ = other.device_numbers_;
    return *this;
}

KvResult CKvDataServerUser::Reset() {
    ResetBaseFields();
    login_name_.clear();
    first_name_.clear();
    last_name_.clear();
    host_name_ip_.clear();
    device_number_.clear();
    runtime_word_ = 1;
    runtime_computer_idents_.RemoveAll();
    computer_idents_.RemoveAll();
    device_numbers_.RemoveAll();
    return result_ = KV_OK;
}

const RecordForm<CKvDataServerUser>& CKvDataServerUser::Form() {
    static constexpr RecordKey<CKvDataServerUser> kKeys[] = {
        TextKey<&CKvDataServerUser::login_name_>("loginname"),
        TextKey<&CKvDataServerUser::first_name_>("firstname"),
        TextKey<&CKvDataServerUser::last_name_>("lastname"),
        TextKey<&CKvDataServerUser::host_name_ip_>("hostnameip"),
        TextKey<&CKvDataServerUser::device_number_>("devicenmb"),
        // Entries beyond the list's capacity are refused without reaching
        // the record's result.
        CustomKey<CKvDataServerUser>(
            "devicenmbs",
            [](CKvDataServerUser& record, std::string& out) {
                record.device_numbers_.GetText(out);
            },
            [](CKvDataServerUser& record, std::string& text) {
                return record.device_numbers_.SetFromText(text);
            },
            kKeyXmlOnly | kKeyDecode),
        // The parser gives a list without entries as a text element.
        NestedKey<&CKvDataServerUser::computer_idents_>("COMPUTER_IDENT_LIST",
                                                        kKeyXmlOnly | kKeyAlsoTextElement),
    };
    static constexpr RecordForm<CKvDataServerUser> kForm{
        .element_name = "DATASERVERUSER",
        .keys = kKeys,
        .write_policy = RecordWritePolicy::kStopAtFailure,
        .dom_form = RecordDomForm::kSameKeys,
    };
    return kForm;
}

bool CKvDataServerUser::CreateCopy(std::unique_ptr<CKvDataServerUser>& out) const {
    out = std::make_unique<CKvDataServerUser>(nullptr, 0);
    *out = *this;
    return true;
}
