#include "data/data_application.h"

#include "data/raw_xml_block.h"

CKvDataApplication::CKvDataApplication(CKvDataHandlerCatalog* context, std::uint32_t identifier)
    : KeyTableRecord(context, identifier) {
    CKvDataApplication::Reset();
}

const RecordForm<CKvDataApplication>& CKvDataApplication::Form() {
    static constexpr RecordKey<CKvDataApplication> kKeys[] = {
        TextKey<&CKvDataApplication::name_>("name"),
        TextKey<&CKvDataApplication::module_name_>("modulename"),
        BoolKey<&CKvDataApplication::flag_use_>("flaguse", kKeyDecode),
        CustomNestedKey<CKvDataApplication>(
            "xmlapplicationspecific",
            [](CKvDataApplication& record, XmlNode*& out, XmlDocument& document, XmlNode* parent) {
                return WriteRawXmlBlock(out, document, parent, "xmlapplicationspecific",
                                        record.xml_application_specific_);
            },
            [](CKvDataApplication& record, const XmlNode* element) {
                ReadRawXmlBlock(*element, record.xml_application_specific_);
                return KV_OK;
            }),
        KeywordKey<&CKvDataApplication::skills_>("skills", kKeyDecode),
    };
    static constexpr RecordForm<CKvDataApplication> kForm{
        .element_name = "DATAAPPLICATION",
        .keys = kKeys,
        .identifier = IdentifierFromKey<CKvDataApplication>(),
        .write_policy = RecordWritePolicy::kStopAtFailure,
    };
    return kForm;
}

CKvDataApplication& CKvDataApplication::operator=(const CKvDataApplication& other) {
    if (this == &other)
        return *this;
    SetTypeCode(K_KVDT_TP_DTHDLR_DATAAPPLICATION);
    CopyBaseFields(other, kBaseCommon | kBaseSpareText);
    name_ = other.name_;
    module_name_ = other.module_name_;
    flag_use_ = other.flag_use_;
    xml_application_specific_ = other.xml_application_specific_;
    skills_ = other.skills_;
    carried_word_ = other.carried_word_;
    pending_messages_.Assign(other.pending_messages_);
    return *this;
}

KvResult CKvDataApplication::Reset() {
    SetTypeCode(K_KVDT_TP_DTHDLR_DATAAPPLICATION);
    ResetBaseFields();
    name_.clear();
    module_name_.clear();
    flag_use_.Set(0);
    xml_application_specific_.clear();
    skills_.FormatText(0);
    GetSpareText().clear();
    carried_word_ = 0;
    pending_messages_.DeleteAll();
    return result_ = KV_OK;
}
