#include "data/data_voip_profile.h"

#include "data/raw_xml_block.h"
#include "data/record_keys.h"

CKvDataVoipProfile::CKvDataVoipProfile(CKvDataHandlerCatalog* context, std::uint32_t identifier)
    : KeyTableRecord(context, identifier) {
    CKvDataVoipProfile::Reset();
}

CKvDataVoipProfile& CKvDataVoipProfile::operator=(const CKvDataVoipProfile& other) {
    if (this == &other)
        return *this;
    SetTypeCode(kTypeCode);
    CopyBaseFields(other, kBaseCommon);
    displayable_name_ = other.displayable_name_;
    voip_id_ = other.voip_id_;
    authenticate_id_ = other.authenticate_id_;
    authenticate_password_ = other.authenticate_password_;
    server_ = other.server_;
    stun_server_ = other.stun_server_;
    flag_use_ = other.flag_use_;
    xml_extension_ = other.xml_extension_;
    runtime_words_ = other.runtime_words_;
    return *this;
}

KvResult CKvDataVoipProfile::Reset() {
    SetTypeCode(kTypeCode);
    ResetBaseFields();
    displayable_name_.clear();
    voip_id_.clear();
    authenticate_id_.clear();
    authenticate_password_.clear();
    server_.Reset();
    server_.GetElementName() = kServerElementName;
    stun_server_.Reset();
    stun_server_.GetElementName() = kStunServerElementName;
    flag_use_.Set(0);
    xml_extension_.clear();
    runtime_words_ = {};
    return result_ = KV_OK;
}

const RecordForm<CKvDataVoipProfile>& CKvDataVoipProfile::Form() {
    using Self = CKvDataVoipProfile;
    static constexpr RecordKey<Self> kKeys[] = {
        TextKey<&Self::displayable_name_>("displayablename"),
        TextKey<&Self::voip_id_>("voipid"),
        TextKey<&Self::authenticate_id_>("authenticateid"),
        TextKey<&Self::authenticate_password_>("authenticatepassword"),
        BoolKey<&Self::flag_use_>("flaguse", kKeyDecode),
        // A raw markup block: only an element holding markup is read back;
        // plain text comes back as a text element and is not read.
        CustomNestedKey<Self>(
            "xmlextension",
            [](Self& record, XmlNode*& out, XmlDocument& document, XmlNode* parent) {
                return WriteRawXmlBlock(out, document, parent, "xmlextension",
                                        record.xml_extension_);
            },
            [](Self& record, const XmlNode* element) {
                ReadRawXmlBlock(*element, record.xml_extension_);
                return KV_OK;
            }),
        // A server without name, address or port is a childless element,
        // which the parser gives as a text element.
        NestedKey<&Self::server_>(kServerElementName, kKeyAlsoTextElement),
        NestedKey<&Self::stun_server_>(kStunServerElementName, kKeyAlsoTextElement),
    };
    static constexpr RecordForm<Self> kForm{
        .element_name = "DATAVOIPPROFILE",
        .keys = kKeys,
        .identifier = IdentifierFromKey<Self>(),
        .write_policy = RecordWritePolicy::kStopAtFailure,
        .dom_form = RecordDomForm::kNone,
    };
    return kForm;
}
